#include "Commands.h"

#include "data/ConversionProcess.h"
#include "data/DataFolder.h"
#include "data/MdbImport.h"
#include "data/SqliteFile.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryFile>
#include <QTextStream>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>

#ifdef __linux__
#include <sys/prctl.h>
#endif

namespace {

const QString kStoreName = velmora::DataFolder::sqliteStoreName();
const QString kWholeText = QStringLiteral("KUR'AN.rtf");

using velmora::data::SqliteFile;
using velmora::data::SqliteStatement;

// Table names and row counts of a store, in the order the tables were made.
// Also counts the saved queries recorded in the store.
bool listTables(const QString &storePath, QTextStream &out, qint64 *queryCount, QString *error)
{
    SqliteFile db;
    if (!db.open(storePath, SqliteFile::Mode::ReadOnly)) {
        *error = db.errorText();
        return false;
    }
    SqliteStatement tables =
        db.prepare(QStringLiteral("SELECT name FROM sqlite_master WHERE type = 'table' AND "
                                  "name NOT LIKE 'velmora\\_%' ESCAPE '\\' ORDER BY rowid"));
    while (tables.next()) {
        const QString name = tables.value(0).toText();
        QString quoted = name;
        quoted.replace(QLatin1Char('"'), QLatin1String("\"\""));
        SqliteStatement count = db.prepare(QStringLiteral("SELECT COUNT(*) FROM \"%1\"").arg(quoted));
        if (!count.next()) {
            *error = db.errorText();
            return false;
        }
        out << "  " << name << "\t" << count.value(0).i << " rows\n";
    }
    if (db.errorCode() != 0) {
        *error = db.errorText();
        return false;
    }
    SqliteStatement queries = db.prepare(QStringLiteral("SELECT COUNT(*) FROM velmora_queries"));
    if (queries.next())
        *queryCount = queries.value(0).i;
    return true;
}

// The saved queries recorded in a store that did not become views, in the file's order.
bool skippedQueries(const QString &storePath, QStringList *names, QString *error)
{
    SqliteFile db;
    if (!db.open(storePath, SqliteFile::Mode::ReadOnly)) {
        *error = db.errorText();
        return false;
    }
    SqliteStatement q =
        db.prepare(QStringLiteral("SELECT name FROM velmora_queries WHERE translated = 0 ORDER BY rowid"));
    while (q.next())
        *names << q.value(0).toText();
    *error = db.errorText();
    return db.errorCode() == 0;
}

} // namespace

namespace {

using velmora::data::kImportExitDone;
using velmora::data::kImportExitSource;
using velmora::data::kImportExitStore;
using velmora::data::kImportExitUsage;

// Exit codes of the conversion child, apart from the command's own: any other end of the
// child (a signal, or a code that a crash handler such as a sanitizer's chose) means that
// reading the file brought it down.
constexpr int kChildDone = 0;
constexpr int kChildSource = 10;
constexpr int kChildStore = 11;

void removeStoreFiles(const QString &path)
{
    for (const char *suffix : {"", "-journal", "-wal", "-shm"})
        QFile::remove(path + QLatin1String(suffix));
}

// The conversion proper, run in a child process of the command (see below): reads the Access
// file with libmdb and writes the store into `file`.
int convertHere(const QString &mdbPath, const QString &file, bool showProgress)
{
    QTextStream err(stderr);
    QString error;
    velmora::data::ImportFailure failure = velmora::data::ImportFailure::None;
    velmora::data::ImportProgress progress;
    if (showProgress) {
        // A reader that stops reading the progress does not stop the conversion.
        std::signal(SIGPIPE, SIG_IGN);
        progress = [](qint64 done, qint64 total) {
            const QByteArray line = velmora::data::progressLine(done, total);
            std::fwrite(line.constData(), 1, size_t(line.size()), stdout);
            std::fflush(stdout);
        };
    }
    if (!velmora::data::importMdbInto(mdbPath, file, &error, &failure, progress)) {
        err << "velmora-data: " << error << "\n";
        return failure == velmora::data::ImportFailure::Store ? kChildStore : kChildSource;
    }
    return kChildDone;
}

// Runs the conversion in a child process, this program again, and waits for it. libmdb does
// not survive every kind of damage (a broken definition of the system catalog makes it
// follow a null pointer inside its own catalog reading), so it reads the file apart from the
// process that reports: a crash of the child becomes an error of this one. The child's output
// and progress lines go straight through.
int convertInChild(const QString &mdbPath, const QString &file, bool showProgress)
{
    QTextStream err(stderr);
    QProcess child;
    child.setProcessChannelMode(QProcess::ForwardedChannels);
    QStringList args{QStringLiteral("import-mdb"), QStringLiteral("--in-this-process")};
    if (showProgress)
        args << QStringLiteral("--progress");
    args << QStringLiteral("--into") << file << mdbPath;
    child.setProgram(QCoreApplication::applicationFilePath());
    child.setArguments(args);
#ifdef __linux__
    // The child ends with this process.
    child.setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGKILL); });
#endif
    std::fflush(stdout);
    child.start();
    if (!child.waitForStarted(-1)) {
        err << "velmora-data: cannot start the conversion: " << child.errorString() << "\n";
        return kImportExitStore;
    }
    child.waitForFinished(-1);
    if (child.exitStatus() == QProcess::NormalExit) {
        switch (child.exitCode()) {
        case kChildDone:
            return kImportExitDone;
        case kChildSource:
            return kImportExitSource;
        case kChildStore:
            return kImportExitStore;
        default:
            break;
        }
    }
    // The program passes this line on to the reader, so it is in Bosnian like the data layer's
    // reasons.
    err << "velmora-data: " << QDir::toNativeSeparators(mdbPath)
        << QStringLiteral(" je oštećena ili nepotpuna: čitač Access baza (libmdb) se srušio pri čitanju.\n");
    return kImportExitSource;
}

} // namespace

int importMdbCommand(const QStringList &arguments)
{
    QTextStream out(stdout);
    QTextStream err(stderr);
    QStringList args = arguments;
    bool showProgress = false;
    bool inThisProcess = false;
    QString into;
    while (!args.isEmpty() && args.first().startsWith(QLatin1String("--"))) {
        const QString option = args.takeFirst();
        if (option == QLatin1String("--progress")) {
            showProgress = true;
        } else if (option == QLatin1String("--in-this-process")) {
            inThisProcess = true;
        } else if (option == QLatin1String("--into") && !args.isEmpty()) {
            into = args.takeFirst();
        } else {
            args = QStringList(); // shows the usage
            break;
        }
    }
    if (args.size() != (into.isEmpty() ? 2 : 1)) {
        err << "Usage: velmora-data import-mdb [--progress] FILE DIR\n"
            << "       velmora-data import-mdb [--progress] --into STORE FILE\n"
            << "Converts the Access database FILE into DIR/" << kStoreName << " and copies the whole text "
            << kWholeText << " found beside FILE into DIR;\n"
            << "with --into, into the file STORE alone, which is removed again if the conversion fails.\n"
            << "--progress writes lines \"progress DONE TOTAL\" while converting.\n"
            << "Exit codes: 0 done, 1 FILE cannot be read (missing, not Access, damaged), 2 wrong "
               "arguments,\n"
            << "3 the store cannot be written.\n";
        return kImportExitUsage;
    }
    const QString mdbPath = args.at(0);
    if (inThisProcess && !into.isEmpty())
        return convertHere(mdbPath, into, showProgress);

    if (!QFileInfo(mdbPath).isFile()) {
        err << "velmora-data: " << QDir::toNativeSeparators(mdbPath) << " does not exist or is not a file\n";
        return kImportExitSource;
    }
    if (!velmora::data::isAccessFile(mdbPath)) {
        err << "velmora-data: " << QDir::toNativeSeparators(mdbPath) << " is not an Access database\n";
        return kImportExitSource;
    }

    if (!into.isEmpty()) {
        const int code = convertInChild(mdbPath, into, showProgress);
        if (code != kImportExitDone)
            removeStoreFiles(into);
        return code;
    }

    const QString dirPath = args.at(1);
    if (!QDir().mkpath(dirPath)) {
        err << "velmora-data: cannot create the folder " << QDir::toNativeSeparators(dirPath) << "\n";
        return kImportExitStore;
    }
    const QString storePath = QDir(dirPath).filePath(kStoreName);

    // The store is written under a temporary name beside its place and renamed when it is
    // complete, so that a failure (a crash of the conversion too) leaves an earlier store as it was.
    QString tempPath;
    {
        QTemporaryFile temp(QDir(dirPath).filePath(QStringLiteral(".%1.XXXXXX.tmp").arg(kStoreName)));
        temp.setAutoRemove(false);
        if (!temp.open()) {
            err << "velmora-data: cannot write in the folder " << QDir::toNativeSeparators(dirPath) << ": "
                << temp.errorString() << "\n";
            return kImportExitStore;
        }
        tempPath = temp.fileName();
    }
    const int code = convertInChild(mdbPath, tempPath, showProgress);
    if (code != kImportExitDone) {
        removeStoreFiles(tempPath);
        return code;
    }
    if (std::rename(QFile::encodeName(tempPath).constData(), QFile::encodeName(storePath).constData()) != 0) {
        err << "velmora-data: cannot rename " << QDir::toNativeSeparators(tempPath) << " to "
            << QDir::toNativeSeparators(storePath) << ": " << QString::fromLocal8Bit(std::strerror(errno))
            << "\n";
        removeStoreFiles(tempPath);
        return kImportExitStore;
    }

    QString error;
    out << "Converted " << QDir::toNativeSeparators(mdbPath) << " into "
        << QDir::toNativeSeparators(storePath) << "\nTables:\n";
    qint64 queryCount = 0;
    if (!listTables(storePath, out, &queryCount, &error)) {
        err << "velmora-data: cannot read the new store: " << error << "\n";
        return kImportExitStore;
    }
    QStringList skipped;
    if (!skippedQueries(storePath, &skipped, &error)) {
        err << "velmora-data: cannot read the new store: " << error << "\n";
        return kImportExitStore;
    }
    if (queryCount == 0) {
        out << "The file holds no saved queries.\n";
    } else if (skipped.isEmpty()) {
        out << "Every saved query became a view.\n";
    } else {
        out << "Saved queries not converted into views (" << skipped.size() << "):\n";
        for (const QString &name : std::as_const(skipped))
            out << "  " << name << "\n";
    }

    // The whole text beside the Access file makes DIR a complete data folder.
    const QString sourceDir = QFileInfo(mdbPath).absolutePath();
    const QString text = velmora::DataFolder::findFile(sourceDir, kWholeText);
    if (!text.isEmpty()) {
        const QString copy = QDir(dirPath).absoluteFilePath(QFileInfo(text).fileName());
        if (QFileInfo(copy).absoluteFilePath() != QFileInfo(text).absoluteFilePath()) {
            // Any earlier copy of the text in DIR, whatever its letter case, gives way.
            const QString earlier = velmora::DataFolder::findFile(dirPath, kWholeText);
            if (!earlier.isEmpty())
                QFile::remove(earlier);
            if (!QFile::copy(text, copy)) {
                err << "velmora-data: cannot copy " << QDir::toNativeSeparators(text) << " to "
                    << QDir::toNativeSeparators(copy) << "\n";
                return kImportExitStore;
            }
            out << "Copied " << QFileInfo(text).fileName() << "\n";
        }
    } else {
        out << "No " << kWholeText << " beside " << QDir::toNativeSeparators(mdbPath) << ": copy it into "
            << QDir::toNativeSeparators(dirPath) << " to complete the data folder.\n";
    }
    return kImportExitDone;
}
