#include "data/MdbImport.h"

#include "data/ConversionProcess.h"
#include "data/JetSql.h"
#include "data/MdbImporter.h"

#include <sqlite3.h>

#include <QCryptographicHash>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QScopeGuard>
#include <QStandardPaths>
#include <QTemporaryFile>
#include <QVariant>

namespace velmora::data {

using namespace importing;

namespace {

// The stamp of a converted store (the Access file it was made from, its size and time), read
// through its own read-only connection; false when the store has none.
struct SourceStamp {
    QString path;
    qint64 size = -1;
    qint64 mtime = -1;
};

bool readSourceStamp(const QString &storePath, SourceStamp *stamp)
{
    if (!QFileInfo(storePath).isFile())
        return false;
    sqlite3 *db = nullptr;
    const auto close = qScopeGuard([&db] { sqlite3_close(db); });
    if (sqlite3_open_v2(QFile::encodeName(storePath).constData(), &db, SQLITE_OPEN_READONLY, nullptr) !=
        SQLITE_OK)
        return false;
    sqlite3_stmt *st = nullptr;
    const auto finalize = qScopeGuard([&st] { sqlite3_finalize(st); });
    if (sqlite3_prepare_v2(db, "SELECT path, size, mtime FROM velmora_source", -1, &st, nullptr) !=
            SQLITE_OK ||
        sqlite3_step(st) != SQLITE_ROW)
        return false;
    stamp->path = jet::columnValue(st, 0).toText();
    stamp->size = sqlite3_column_int64(st, 1);
    stamp->mtime = sqlite3_column_int64(st, 2);
    return true;
}

// True when the converted store at `storePath` was made from `path` as it is now.
bool storeIsCurrent(const QString &storePath, const QString &path, qint64 size, qint64 mtime)
{
    SourceStamp stamp;
    return readSourceStamp(storePath, &stamp) && stamp.path == path && stamp.size == size &&
           stamp.mtime == mtime;
}

// True when the store at `storePath` is complete and says it was made from `path`.
bool storeIsFrom(const QString &storePath, const QString &path)
{
    SourceStamp stamp;
    return readSourceStamp(storePath, &stamp) && stamp.path == path;
}

} // namespace

bool isAccessFile(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    const QByteArray head = file.read(4 + 15);
    if (head.size() < 19)
        return false;
    const QByteArray signature = head.mid(4, 15);
    return signature == "Standard Jet DB" || signature == "Standard ACE DB";
}

bool importMdb(const QString &mdbPath, const QString &storePath, QString *error, QStringList *skippedQueries,
               const ImportProgress &progress, ImportFailure *failure)
{
    Importer importer(mdbPath, storePath, progress);
    const bool ok = importer.run();
    if (failure)
        *failure = ok                     ? ImportFailure::None
                   : importer.sourceFault ? ImportFailure::Source
                                          : ImportFailure::Store;
    if (!ok) {
        if (error)
            *error = importer.error;
        return false;
    }
    if (skippedQueries)
        *skippedQueries = importer.skippedQueries;
    return true;
}

bool importMdbInto(const QString &mdbPath, const QString &file, QString *error, ImportFailure *failure,
                   const ImportProgress &progress)
{
    Importer importer(mdbPath, file, progress);
    const bool ok = importer.runInto(file);
    if (failure)
        *failure = ok                     ? ImportFailure::None
                   : importer.sourceFault ? ImportFailure::Source
                                          : ImportFailure::Store;
    if (!ok && error)
        *error = importer.error;
    return ok;
}

QString conversionCacheFolder()
{
    const QString cacheRoot = QStandardPaths::writableLocation(QStandardPaths::CacheLocation);
    return cacheRoot.isEmpty() ? QString() : QDir(cacheRoot).filePath(QStringLiteral("converted"));
}

QString cachedConversion(const QString &mdbPath, QString *error, const ImportProgress &progress,
                         ConversionOutcome *outcome)
{
    const auto failWith = [error, outcome](ConversionOutcome kind, const QString &message) {
        if (error)
            *error = message;
        if (outcome)
            *outcome = kind;
        return QString();
    };
    if (outcome)
        *outcome = ConversionOutcome::Done;
    const QFileInfo source(mdbPath);
    if (!source.isFile())
        return failWith(ConversionOutcome::Damaged,
                        QStringLiteral("Datoteka %1 ne postoji.").arg(QDir::toNativeSeparators(mdbPath)));
    if (!isAccessFile(mdbPath))
        return failWith(
            ConversionOutcome::Damaged,
            QStringLiteral("%1 nije Access baza podataka.").arg(QDir::toNativeSeparators(mdbPath)));
    const QString absolute = source.canonicalFilePath();

    const QString cacheDir = conversionCacheFolder();
    if (cacheDir.isEmpty())
        return failWith(
            ConversionOutcome::StoreFailed,
            QStringLiteral("Nema foldera za privremene datoteke u kojem bi se čuvala pretvorena baza."));
    if (!QDir().mkpath(cacheDir))
        return failWith(ConversionOutcome::StoreFailed,
                        QStringLiteral("Folder za privremene datoteke %1 ne može se napraviti.")
                            .arg(QDir::toNativeSeparators(cacheDir)));
    // The reader's folder is never written to.
    if (QFileInfo(cacheDir).canonicalFilePath() == source.canonicalPath())
        return failWith(ConversionOutcome::StoreFailed,
                        QStringLiteral("Folder za privremene datoteke je folder datoteke %1.")
                            .arg(QDir::toNativeSeparators(mdbPath)));

    // Temporary files of conversions cut short (a power cut, this program killed) are cleared
    // away once they are clearly abandoned; a running conversion keeps writing to its own.
    const QDateTime abandoned = QDateTime::currentDateTimeUtc().addDays(-1);
    const QFileInfoList leftovers =
        QDir(cacheDir).entryInfoList({QStringLiteral(".*.tmp")}, QDir::Files | QDir::Hidden);
    for (const QFileInfo &leftover : leftovers) {
        if (leftover.lastModified().toUTC() < abandoned)
            removeStoreFile(leftover.absoluteFilePath());
    }

    const QByteArray hash = QCryptographicHash::hash(absolute.toUtf8(), QCryptographicHash::Sha256).toHex();
    const QString storePath =
        QDir(cacheDir).filePath(QString::fromLatin1(hash.left(32)) + QStringLiteral(".db"));
    if (storeIsCurrent(storePath, absolute, source.size(), source.lastModified().toMSecsSinceEpoch()))
        return storePath;

    // The child writes into a temporary file of ours, which is renamed into place only when
    // the child succeeded and removed whatever else happened: after a crash or a hang as much
    // as after an error.
    QString tempPath;
    {
        QTemporaryFile temp(
            QDir(cacheDir).filePath(QStringLiteral(".%1.XXXXXX.tmp").arg(QFileInfo(storePath).fileName())));
        temp.setAutoRemove(false);
        if (!temp.open())
            return failWith(ConversionOutcome::StoreFailed,
                            QStringLiteral("U folder za privremene datoteke %1 ne može se pisati.")
                                .arg(QDir::toNativeSeparators(cacheDir)));
        tempPath = temp.fileName();
    }
    QString message;
    ConversionOutcome kind = convertInChildProcess(absolute, tempPath, progress, &message);
    if (kind == ConversionOutcome::Done && !storeIsFrom(tempPath, absolute)) {
        kind = ConversionOutcome::StoreFailed;
        message = QStringLiteral("Pretvaranje datoteke %1 nije dalo potpunu bazu.")
                      .arg(QDir::toNativeSeparators(mdbPath));
    }
    if (kind == ConversionOutcome::Done &&
        std::rename(QFile::encodeName(tempPath).constData(), QFile::encodeName(storePath).constData()) != 0) {
        kind = ConversionOutcome::StoreFailed;
        message = QStringLiteral("%1 ne može se preimenovati u %2.")
                      .arg(QDir::toNativeSeparators(tempPath), QDir::toNativeSeparators(storePath));
    }
    if (kind != ConversionOutcome::Done) {
        removeStoreFile(tempPath);
        return failWith(kind, message);
    }
    return storePath;
}

} // namespace velmora::data
