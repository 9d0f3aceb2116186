// velmora-data make-default DIR: makes the program's default data in DIR, the SQLite store
// Bazabos.db and the whole text KUR'AN.rtf, from the Qur'an text of a pinned npm package and
// the program's own thematic classification. Files are written under temporary names and
// renamed into place only when both are complete, so a failure leaves the old ones as they
// were. A stamp file makes a run on an up-to-date folder return at once.

#include "Commands.h"

#include "data/DataFolder.h"
#include "defaultdata/DefaultStoreWriter.h"
#include "defaultdata/QuranSource.h"
#include "defaultdata/RtfWriter.h"
#include "defaultdata/TopicIndex.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QSaveFile>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTemporaryFile>
#include <QTextStream>
#include <optional>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

using velmora::data::QuranSource;
using velmora::data::RtfWriter;
namespace cls = velmora::classification;

namespace {

// Raised whenever the output of this command changes for the same inputs. The stamp also
// holds a digest of this program, so that a rebuilt program makes the data again anyway.
constexpr int kFormatVersion = 1;

const QString kPackageRef = QStringLiteral("@kmaslesa/tefsir@1.0.19");
const QString kPackageFile = QStringLiteral("kmaslesa-tefsir-1.0.19.tgz");
const QString kPackageIntegrity = QStringLiteral(
    "sha512-hMfjV3bIE5OAv3wR7OyEv7jK5SvYuAcASkfmnVQwAEfRYrZcjthCj6+gpdJQXyzUKL6k+YiiM3NBpw86hrK8dA==");
const QString kClassificationResource = QStringLiteral(":/velmora-data/tematska-klasifikacija.json");

const QString kStoreName = velmora::DataFolder::sqliteStoreName();
const QString kTextName = QStringLiteral("KUR'AN.rtf");
const QString kStampName = QStringLiteral(".velmora-data-stamp");
const QString kSourceDir = QStringLiteral(".source");

constexpr int kFetchTimeoutMs = 180000;
constexpr int kExtractTimeoutMs = 60000;

const QString kBismillah = QStringLiteral("U ime Allaha, Milostivog, Samilosnog!");

QTextStream &err()
{
    static QTextStream stream(stderr);
    return stream;
}

QTextStream &out()
{
    static QTextStream stream(stdout);
    return stream;
}

int failure(const QString &message)
{
    err() << "velmora-data make-default: " << message << Qt::endl;
    return 1;
}

void usage()
{
    err() << "Usage: velmora-data make-default DIR [--package FILE.tgz] [--force]\n"
          << "  Makes Bazabos.db and KUR'AN.rtf in DIR from the package " << kPackageRef << ",\n"
          << "  fetched with npm (or FILE.tgz, a copy of it) and kept in DIR/" << kSourceDir << ".\n"
          << "  --force makes the data again even when DIR is up to date.\n";
    err().flush();
}

std::optional<QByteArray> readFile(const QString &path, QString *error)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) {
        *error = QStringLiteral("cannot read %1: %2").arg(QDir::toNativeSeparators(path), f.errorString());
        return std::nullopt;
    }
    return f.readAll();
}

bool flushToDisk(const QString &path, QString *error)
{
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0 || ::fsync(fd) != 0) {
        *error = QStringLiteral("cannot flush %1 to disk: %2")
                     .arg(path, QString::fromLocal8Bit(std::strerror(errno)));
        if (fd >= 0)
            ::close(fd);
        return false;
    }
    ::close(fd);
    return true;
}

// Replaces `to` by `from` in one step (both in the same folder).
bool replaceFile(const QString &from, const QString &to, QString *error)
{
    if (std::rename(QFile::encodeName(from).constData(), QFile::encodeName(to).constData()) != 0) {
        *error = QStringLiteral("cannot put %1 in place: %2")
                     .arg(to, QString::fromLocal8Bit(std::strerror(errno)));
        return false;
    }
    return true;
}

bool writeWhole(const QString &path, const QByteArray &bytes, QString *error)
{
    QSaveFile f(path);
    if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size() || !f.commit()) {
        *error = QStringLiteral("cannot write %1: %2").arg(path, f.errorString());
        return false;
    }
    return true;
}

// ---- the stamp -------------------------------------------------------------------------------

QString sha256Hex(QIODevice *device)
{
    QCryptographicHash hash(QCryptographicHash::Sha256);
    hash.addData(device);
    return QString::fromLatin1(hash.result().toHex());
}

QString stampHead(const QByteArray &classification)
{
    QFile program(QCoreApplication::applicationFilePath());
    const QString programDigest =
        program.open(QIODevice::ReadOnly) ? sha256Hex(&program) : QStringLiteral("unknown");
    return QStringLiteral(
               "velmora-data make-default %1\nprogram sha256-%2\nsource %3 %4\nclassification sha256-%5\n")
        .arg(kFormatVersion)
        .arg(programDigest, kPackageRef, kPackageIntegrity,
             QString::fromLatin1(
                 QCryptographicHash::hash(classification, QCryptographicHash::Sha256).toHex()));
}

QString stampFiles(const QDir &dir)
{
    QString s;
    for (const QString &name : {kStoreName, kTextName})
        s += QStringLiteral("%1 %2\n").arg(name).arg(QFileInfo(dir.filePath(name)).size());
    return s;
}

bool upToDate(const QDir &dir, const QString &head)
{
    QFile f(dir.filePath(kStampName));
    if (!f.open(QIODevice::ReadOnly))
        return false;
    const QString stamp = QString::fromUtf8(f.readAll());
    for (const QString &name : {kStoreName, kTextName}) {
        if (!QFileInfo(dir.filePath(name)).isFile())
            return false;
    }
    return stamp == head + stampFiles(dir);
}

// ---- the package -----------------------------------------------------------------------------

bool checkIntegrity(const QByteArray &bytes, const QString &what, QString *error)
{
    const QString integrity = QuranSource::sha512Integrity(bytes);
    if (integrity == kPackageIntegrity)
        return true;
    *error = QStringLiteral("%1 is not the package %2: its integrity is %3, expected %4 "
                            "(a truncated or wrong download?)")
                 .arg(what, kPackageRef, integrity, kPackageIntegrity);
    return false;
}

// Runs `npm pack` in a temporary folder and returns the tarball's bytes.
std::optional<QByteArray> fetchPackage(QString *error)
{
    const QString npm = QStandardPaths::findExecutable(QStringLiteral("npm"));
    if (npm.isEmpty()) {
        *error =
            QStringLiteral("npm is not installed (it fetches the package %1); install it, or pass a copy "
                           "of the package with --package FILE.tgz")
                .arg(kPackageRef);
        return std::nullopt;
    }
    QTemporaryDir work;
    if (!work.isValid()) {
        *error = QStringLiteral("cannot make a temporary folder: %1").arg(work.errorString());
        return std::nullopt;
    }
    err() << "velmora-data make-default: fetching " << kPackageRef << " with npm" << Qt::endl;
    QProcess npmPack;
    npmPack.setWorkingDirectory(work.path());
    npmPack.setProcessChannelMode(QProcess::SeparateChannels);
    npmPack.start(npm, {QStringLiteral("pack"), kPackageRef, QStringLiteral("--loglevel=error")});
    if (!npmPack.waitForStarted(30000)) {
        *error = QStringLiteral("cannot start npm: %1").arg(npmPack.errorString());
        return std::nullopt;
    }
    if (!npmPack.waitForFinished(kFetchTimeoutMs)) {
        npmPack.kill();
        npmPack.waitForFinished(5000);
        *error = QStringLiteral("npm pack %1 did not finish within %2 seconds (no network?)")
                     .arg(kPackageRef)
                     .arg(kFetchTimeoutMs / 1000);
        return std::nullopt;
    }
    if (npmPack.exitStatus() != QProcess::NormalExit || npmPack.exitCode() != 0) {
        const QString detail = QString::fromLocal8Bit(npmPack.readAllStandardError()).trimmed();
        *error = QStringLiteral("npm pack %1 failed (exit code %2; no network?)%3")
                     .arg(kPackageRef)
                     .arg(npmPack.exitCode())
                     .arg(detail.isEmpty() ? QString() : QStringLiteral(":\n") + detail.right(2000));
        return std::nullopt;
    }
    const QStringList tarballs = QDir(work.path()).entryList({QStringLiteral("*.tgz")}, QDir::Files);
    if (tarballs.size() != 1) {
        *error = QStringLiteral("npm pack %1 left %2 tarballs instead of one")
                     .arg(kPackageRef)
                     .arg(tarballs.size());
        return std::nullopt;
    }
    auto bytes = readFile(QDir(work.path()).filePath(tarballs.first()), error);
    if (bytes && !checkIntegrity(*bytes, QStringLiteral("the tarball npm fetched"), error))
        return std::nullopt;
    return bytes;
}

// The package's data.js, read from the tarball with tar.
std::optional<QByteArray> extractModule(const QString &tarball, QString *error)
{
    const QString tar = QStandardPaths::findExecutable(QStringLiteral("tar"));
    if (tar.isEmpty()) {
        *error = QStringLiteral("tar is not installed");
        return std::nullopt;
    }
    QProcess p;
    p.start(tar, {QStringLiteral("-xzOf"), tarball, QStringLiteral("package/data.js")});
    if (!p.waitForStarted(30000) || !p.waitForFinished(kExtractTimeoutMs)) {
        p.kill();
        p.waitForFinished(5000);
        *error = QStringLiteral("tar did not read %1: %2").arg(tarball, p.errorString());
        return std::nullopt;
    }
    const QByteArray module = p.readAllStandardOutput();
    if (p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0 || module.isEmpty()) {
        *error = QStringLiteral("cannot extract package/data.js from %1: %2")
                     .arg(tarball, QString::fromLocal8Bit(p.readAllStandardError()).trimmed());
        return std::nullopt;
    }
    return module;
}

// ---- the whole text --------------------------------------------------------------------------

QString ayahCountText(int n)
{
    // Bosnian: 1, 21, 31 ... ajet; every other count ajeta.
    const bool singular = n % 10 == 1 && n % 100 != 11;
    return QStringLiteral("%1 %2").arg(n).arg(singular ? QStringLiteral("ajet") : QStringLiteral("ajeta"));
}

QByteArray wholeText(const QuranSource &source)
{
    RtfWriter rtf(QStringLiteral("Kur'an"));
    rtf.title(QStringLiteral("KUR'AN"));
    rtf.subtitle(QStringLiteral("Prijevod značenja na bosanski jezik: Besim Korkut"));
    qsizetype next = 0;
    const QList<velmora::data::AyahRecord> &ayahs = source.ayahs();
    for (const velmora::data::SurahInfo &s : source.surahs()) {
        rtf.heading(QStringLiteral("%1. SURA %2").arg(s.number).arg(s.shortName.toUpper()));
        rtf.note(QStringLiteral("%1 %2, %3")
                     .arg(s.transcription,
                          s.medinan ? QStringLiteral("– medinska") : QStringLiteral("– mekanska"),
                          ayahCountText(s.ayahCount)));
        // Surah 1 opens with the Bismillah as its first ayah; surah 9 has none.
        if (s.number != 1 && s.number != 9)
            rtf.bismillah(kBismillah);
        for (int a = 0; a < s.ayahCount; ++a, ++next)
            rtf.ayah(ayahs.at(next).surah, ayahs.at(next).ayah, ayahs.at(next).translation);
        rtf.emptyParagraph();
    }
    return rtf.finish();
}

// ---- the command -----------------------------------------------------------------------------

struct Options {
    QString dir;
    QString package;
    bool force = false;
};

std::optional<Options> parseOptions(const QStringList &args)
{
    Options o;
    for (int i = 0; i < args.size(); ++i) {
        const QString &a = args.at(i);
        if (a == QLatin1String("--package") && i + 1 < args.size()) {
            o.package = args.at(++i);
        } else if (a.startsWith(QLatin1String("--package="))) {
            o.package = a.mid(10);
        } else if (a == QLatin1String("--force")) {
            o.force = true;
        } else if (a.startsWith(QLatin1String("--")) || !o.dir.isEmpty()) {
            return std::nullopt;
        } else {
            o.dir = a;
        }
    }
    if (o.dir.isEmpty())
        return std::nullopt;
    return o;
}

} // namespace

int makeDefaultCommand(const QStringList &args)
{
    QElapsedTimer clock;
    clock.start();
    const auto options = parseOptions(args);
    if (!options) {
        usage();
        return 2;
    }
    QString error;

    // A package given on the command line is checked first, whatever state DIR is in.
    std::optional<QByteArray> tarball;
    if (!options->package.isEmpty()) {
        tarball = readFile(options->package, &error);
        if (!tarball || !checkIntegrity(*tarball, QDir::toNativeSeparators(options->package), &error))
            return failure(error);
    }

    QFile classificationFile(kClassificationResource);
    if (!classificationFile.open(QIODevice::ReadOnly))
        return failure(QStringLiteral("the classification file is missing from this program"));
    const QByteArray classificationJson = classificationFile.readAll();

    const QString dirPath = QDir(options->dir).absolutePath();
    if (!QDir().mkpath(dirPath))
        return failure(QStringLiteral("cannot make the folder %1").arg(QDir::toNativeSeparators(dirPath)));
    const QDir dir(dirPath);
    const QString head = stampHead(classificationJson);
    if (!options->force && upToDate(dir, head)) {
        out() << "velmora-data make-default: " << QDir::toNativeSeparators(dirPath) << " is up to date"
              << Qt::endl;
        return 0;
    }

    // Writable? Found out before any download.
    {
        QTemporaryFile probe(dir.filePath(QStringLiteral(".velmora-probe-XXXXXX")));
        if (!probe.open())
            return failure(QStringLiteral("cannot write in %1: %2")
                               .arg(QDir::toNativeSeparators(dirPath), probe.errorString()));
    }

    // The package: given, kept from an earlier run, or fetched now; kept in DIR/.source.
    const QString cachedPath = dir.filePath(kSourceDir + QLatin1Char('/') + kPackageFile);
    bool cacheHoldsIt = false;
    if (QFileInfo(cachedPath).isFile()) {
        QString cacheError;
        auto cached = readFile(cachedPath, &cacheError);
        cacheHoldsIt = cached && checkIntegrity(*cached, QDir::toNativeSeparators(cachedPath), &cacheError);
        if (cacheHoldsIt && !tarball)
            tarball = cached;
        else if (!cacheHoldsIt)
            err() << "velmora-data make-default: replacing the kept package: " << cacheError << Qt::endl;
    }
    if (!tarball) {
        tarball = fetchPackage(&error);
        if (!tarball)
            return failure(error);
    }
    if (!cacheHoldsIt) {
        if (!dir.mkpath(kSourceDir))
            return failure(QStringLiteral("cannot make the folder %1")
                               .arg(QDir::toNativeSeparators(dir.filePath(kSourceDir))));
        if (!writeWhole(cachedPath, *tarball, &error))
            return failure(error);
    }

    const auto module = extractModule(cachedPath, &error);
    if (!module)
        return failure(error);
    QuranSource source;
    if (!source.parse(*module))
        return failure(QStringLiteral("the package's text is not usable: %1").arg(source.errorString()));

    cls::TopicCatalogue catalogue;
    if (!catalogue.parse(classificationJson))
        return failure(catalogue.errorString());
    cls::TopicIndex index;
    for (const velmora::data::AyahRecord &a : source.ayahs())
        index.addAyah(a.surah, a.ayah, a.translation);
    QStringList surahNames;
    for (const velmora::data::SurahInfo &s : source.surahs())
        surahNames << s.shortName;
    cls::ClassificationTables tables;
    if (!cls::deriveClassification(catalogue, index, surahNames, &tables, &error))
        return failure(QStringLiteral("the thematic classification is not usable: %1").arg(error));

    // Both files under temporary names first; they are removed again on any failure.
    QTemporaryFile storeTemp(dir.filePath(QStringLiteral(".Bazabos.db.XXXXXX")));
    QTemporaryFile textTemp(dir.filePath(QStringLiteral(".KUR'AN.rtf.XXXXXX")));
    if (!storeTemp.open() || !textTemp.open())
        return failure(
            QStringLiteral("cannot write in %1: %2")
                .arg(QDir::toNativeSeparators(dirPath), storeTemp.errorString() + textTemp.errorString()));
    storeTemp.close();
    if (!velmora::data::DefaultStoreWriter::write(storeTemp.fileName(), source, tables, &error))
        return failure(QStringLiteral("cannot write the store: %1").arg(error));
    const QByteArray rtf = wholeText(source);
    errno = 0;
    if (textTemp.write(rtf) != rtf.size() || !textTemp.flush()) {
        // Qt's own text for a failed write is often only "Unknown error"; the system's says why.
        const QString why =
            errno != 0 ? QString::fromLocal8Bit(std::strerror(errno)) : textTemp.errorString();
        return failure(QStringLiteral("cannot write the whole text in %1: %2")
                           .arg(QDir::toNativeSeparators(dirPath), why));
    }
    textTemp.close();
    if (!flushToDisk(storeTemp.fileName(), &error) || !flushToDisk(textTemp.fileName(), &error))
        return failure(error);

    // Into place. The stamp goes first, so that an interrupted run is never taken as done.
    QFile::remove(dir.filePath(kStampName));
    const QString storePath = dir.filePath(kStoreName);
    const QString textPath = dir.filePath(kTextName);
    if (!replaceFile(storeTemp.fileName(), storePath, &error) ||
        !replaceFile(textTemp.fileName(), textPath, &error))
        return failure(error);
    QFile::setPermissions(storePath,
                          QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup | QFile::ReadOther);
    QFile::setPermissions(textPath,
                          QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup | QFile::ReadOther);
    if (!writeWhole(dir.filePath(kStampName), (head + stampFiles(dir)).toUtf8(), &error))
        return failure(error);

    out() << "velmora-data make-default: made " << QDir::toNativeSeparators(storePath) << " ("
          << source.ayahs().size() << " ayahs, " << source.surahs().size() << " surahs, "
          << tables.topicsAlphabetical.size() << " topics in " << catalogue.chapters().size() << " chapters, "
          << tables.references.size() << " topic references) and " << QDir::toNativeSeparators(textPath)
          << " in " << clock.elapsed() << " ms" << Qt::endl;
    return 0;
}
