// The Debian package: built with CPack from the install rules, it holds the program and what it
// reads, nothing else, and declares what it needs to run.

#include "about/Contact.h"
#include "common/ProgramTitle.h"
#include "data/DataFolder.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QProcess>
#include <QRegularExpression>
#include <QSet>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTemporaryFile>
#include <QTest>

namespace {
const QString kBinaryDir = QStringLiteral(VELMORA_BINARY_DIR);

struct Run {
    int code = -1; // -2 when the tool is not installed, -1 on a crash or timeout
    QString out;
};

Run run(const QString &tool, const QStringList &args, int timeoutMs = 60000)
{
    const QString path = QStandardPaths::findExecutable(tool);
    if (path.isEmpty())
        return {-2, tool + QStringLiteral(" is not installed")};
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(path, args);
    if (!process.waitForFinished(timeoutMs))
        return {-1, tool + QStringLiteral(" timed out")}; // killed with its QProcess
    const int code = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    return {code, QString::fromUtf8(process.readAll())};
}

// One line of `dpkg-deb -c`: "-rw-r--r-- root/root 1234 2024-01-01 00:00 ./usr/bin/velmora".
struct Entry {
    QString mode;
    QString owner;
    qint64 size = 0;
    QString path; // without the leading "."
};
} // namespace

class TestDebPackage : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void fileName();
    void contents();
    void defaultData();
    void control();
    void dependencies();
    void manPages();
    void lintian();

private:
    QString field(const QString &name) const;

    QTemporaryDir m_out;
    QString m_deb;
    QString m_appId;
    QList<Entry> m_entries;
};

void TestDebPackage::initTestCase()
{
    if (QStandardPaths::findExecutable(QStringLiteral("dpkg-deb")).isEmpty())
        QSKIP("dpkg-deb is not installed: the Debian package is not built or checked");
    // Packing copies every built program; a partial build has nothing to copy.
    if (!QFileInfo::exists(kBinaryDir + QStringLiteral("/bin/velmora")))
        QSKIP("the program is not built; the package check needs a full build");
    if (!velmora::DataFolder::holdsData(QStringLiteral(VELMORA_TEST_DATA_DIR)))
        QSKIP("set-up has not made the default data; the package check needs it");

    QFile id(kBinaryDir + QStringLiteral("/packaging/app-id.txt"));
    QVERIFY(id.open(QIODevice::ReadOnly));
    m_appId = QString::fromUtf8(id.readAll()).trimmed();

    QVERIFY(m_out.isValid());
    const Run cpack =
        run(QStringLiteral("cpack"),
            {QStringLiteral("-G"), QStringLiteral("DEB"), QStringLiteral("--config"),
             kBinaryDir + QStringLiteral("/CPackConfig.cmake"), QStringLiteral("-B"), m_out.path()},
            180000);
    QVERIFY2(cpack.code == 0, qPrintable(cpack.out));
    const QStringList debs = QDir(m_out.path()).entryList({QStringLiteral("*.deb")}, QDir::Files);
    QVERIFY2(debs.size() == 1, qPrintable(debs.join(QLatin1Char(' ')) + QLatin1Char('\n') + cpack.out));
    m_deb = QDir(m_out.path()).filePath(debs.first());

    const Run listing = run(QStringLiteral("dpkg-deb"), {QStringLiteral("-c"), m_deb});
    QVERIFY2(listing.code == 0, qPrintable(listing.out));
    static const QRegularExpression line(
        QStringLiteral("^(\\S+)\\s+(\\S+)\\s+(\\d+)\\s+\\S+\\s+\\S+\\s+\\.(/.*)$"));
    for (const QString &text : listing.out.split(QLatin1Char('\n'), Qt::SkipEmptyParts)) {
        const QRegularExpressionMatch m = line.match(text);
        QVERIFY2(m.hasMatch(), qPrintable(text));
        m_entries.append({m.captured(1), m.captured(2), m.captured(3).toLongLong(), m.captured(4)});
    }
}

QString TestDebPackage::field(const QString &name) const
{
    const Run r = run(QStringLiteral("dpkg-deb"), {QStringLiteral("-f"), m_deb, name});
    return r.code == 0 ? r.out.trimmed() : QString();
}

void TestDebPackage::fileName()
{
    // velmora_<version>_<arch>.deb, the version that of the program's title ("Velmora 4.0").
    const Run arch = run(QStringLiteral("dpkg"), {QStringLiteral("--print-architecture")});
    QCOMPARE(arch.code, 0);
    const QString version = field(QStringLiteral("Version"));
    QCOMPARE(QFileInfo(m_deb).fileName(),
             QStringLiteral("velmora_%1_%2.deb").arg(version, arch.out.trimmed()));
    const QString titleVersion = velmora::programTitle().section(QLatin1Char(' '), -1);
    QVERIFY2(version == titleVersion || version.startsWith(titleVersion + QLatin1Char('.')),
             qPrintable(version));
    QCOMPARE(field(QStringLiteral("Package")), QStringLiteral("velmora"));
    QCOMPARE(field(QStringLiteral("Architecture")), arch.out.trimmed());
}

void TestDebPackage::contents()
{
    // Exactly these files: the programs and their manual pages, the menu entry, the metadata,
    // the icons, the two data files the program reads, the copyright notice and the changelog.
    // No stamp, no npm package, nothing under a build path, nothing outside /usr.
    QSet<QString> expected{
        QStringLiteral("/usr/bin/velmora"),
        QStringLiteral("/usr/bin/velmora-data"),
        QStringLiteral("/usr/share/man/man1/velmora.1.gz"),
        QStringLiteral("/usr/share/man/man1/velmora-data.1.gz"),
        QStringLiteral("/usr/share/applications/%1.desktop").arg(m_appId),
        QStringLiteral("/usr/share/metainfo/%1.metainfo.xml").arg(m_appId),
        QStringLiteral("/usr/share/icons/hicolor/scalable/apps/%1.svg").arg(m_appId),
        QStringLiteral("/usr/share/velmora/KUR'AN.rtf"),
        QStringLiteral("/usr/share/velmora/Bazabos.db"),
        QStringLiteral("/usr/share/doc/velmora/copyright"),
        QStringLiteral("/usr/share/doc/velmora/changelog.gz"),
    };
    for (int size : {16, 32, 48, 64, 128, 256})
        expected << QStringLiteral("/usr/share/icons/hicolor/%1x%1/apps/%2.png").arg(size).arg(m_appId);

    QSet<QString> files;
    QSet<QString> dirs;
    for (const Entry &e : std::as_const(m_entries)) {
        QCOMPARE(e.owner, QStringLiteral("root/root"));
        if (e.mode.startsWith(QLatin1Char('d'))) {
            QCOMPARE(e.mode, QStringLiteral("drwxr-xr-x"));
            dirs << (e.path.endsWith(QLatin1Char('/')) ? e.path.chopped(1) : e.path);
            continue;
        }
        QVERIFY2(e.mode.startsWith(QLatin1Char('-')), qPrintable(e.mode + QLatin1Char(' ') + e.path));
        const bool program = e.path.startsWith(QLatin1String("/usr/bin/"));
        QCOMPARE(e.mode, program ? QStringLiteral("-rwxr-xr-x") : QStringLiteral("-rw-r--r--"));
        QVERIFY2(e.size > 0, qPrintable(e.path));
        files << e.path;
    }
    const QSet<QString> extra = files - expected;
    const QSet<QString> missing = expected - files;
    QVERIFY2(extra.isEmpty(),
             qPrintable(QStringLiteral("not expected: ") + extra.values().join(QLatin1Char(' '))));
    QVERIFY2(missing.isEmpty(),
             qPrintable(QStringLiteral("missing: ") + missing.values().join(QLatin1Char(' '))));

    // Every folder holds one of the files: no empty folder left over from the install.
    QSet<QString> parents{QString()};
    for (QString f : std::as_const(files)) {
        while (f.lastIndexOf(QLatin1Char('/')) > 0) {
            f.truncate(f.lastIndexOf(QLatin1Char('/')));
            parents << f;
        }
    }
    const QSet<QString> strayDirs = dirs - parents;
    QVERIFY2(strayDirs.isEmpty(), qPrintable(strayDirs.values().join(QLatin1Char(' '))));
}

void TestDebPackage::defaultData()
{
    // The data files are those set-up made, whole.
    for (const QString &name : {QStringLiteral("KUR'AN.rtf"), QStringLiteral("Bazabos.db")}) {
        const QString path = QStringLiteral("/usr/share/velmora/") + name;
        const auto it = std::find_if(m_entries.cbegin(), m_entries.cend(),
                                     [&](const Entry &e) { return e.path == path; });
        QVERIFY2(it != m_entries.cend(), qPrintable(path));
        QCOMPARE(it->size, QFileInfo(QStringLiteral(VELMORA_TEST_DATA_DIR "/") + name).size());
    }
}

void TestDebPackage::control()
{
    const QString maintainer = field(QStringLiteral("Maintainer"));
    QVERIFY2(maintainer.contains(QLatin1Char('<') + velmora::contact::mailAddress() + QLatin1Char('>')),
             qPrintable(maintainer));
    const QString homepage = field(QStringLiteral("Homepage"));
    QCOMPARE(homepage, velmora::contact::webPage(1));
    // A summary line, then the long description in English and in Bosnian, each naming what
    // the reader finds in the program (the lines joined: a phrase may be broken across two).
    const QString description = field(QStringLiteral("Description")).simplified();
    for (const QString &words : {
             QStringLiteral("Bosnian translation"),
             QStringLiteral("recitation sets"),
             QStringLiteral("Arabic text and a short commentary"),
             QStringLiteral("bookmarks"),
             QStringLiteral("traži ajete po riječima"),
             QStringLiteral("zbirki učenja"),
             QStringLiteral("arapski tekst i kratki tefsir"),
             QStringLiteral("zabilješke"),
         })
        QVERIFY2(description.contains(words),
                 qPrintable(words + QStringLiteral(" is not in:\n") + description));
}

void TestDebPackage::dependencies()
{
    // The Depends line of the control file as `dpkg-deb -I` shows it; the names of the
    // packages in it, alternatives included, without version constraints.
    const Run info = run(QStringLiteral("dpkg-deb"), {QStringLiteral("-I"), m_deb});
    QVERIFY2(info.code == 0, qPrintable(info.out));
    static const QRegularExpression dependsLine(QStringLiteral("^ Depends: (.*)$"),
                                                QRegularExpression::MultilineOption);
    const QRegularExpressionMatch depends = dependsLine.match(info.out);
    QVERIFY2(depends.hasMatch(), qPrintable(info.out));
    QStringList names;
    for (const QString &item : depends.captured(1).split(QRegularExpression(QStringLiteral("[,|]")))) {
        const QString name = item.section(QLatin1Char('('), 0, 0).trimmed();
        if (!name.isEmpty())
            names << name;
    }
    // The libraries the programs link (found by dpkg-shlibdeps; libsndfile decodes the
    // recitation clips), what they load at run time: the SVG plugins and Qt's translation of its own texts,
    // and the fonts the windows use (Amiri Quran for the Arabic text of the ayah panel).
    const QStringList needed{
        QStringLiteral("libc6"),
        QStringLiteral("libqt6core6"),
        QStringLiteral("libqt6gui6"),
        QStringLiteral("libqt6widgets6"),
        QStringLiteral("libqt6multimedia6"),
        QStringLiteral("libqt6svg6"),
        QStringLiteral("libsqlite3-0"),
        QStringLiteral("libmdb3"),
        QStringLiteral("libsndfile1"),
        QStringLiteral("fonts-liberation2"),
        QStringLiteral("fonts-dejavu-core"),
        QStringLiteral("fonts-hosny-amiri"),
        QStringLiteral("qt6-translations-l10n"),
    };
    QStringList missing;
    for (const QString &name : needed) {
        if (!names.contains(name))
            missing << name;
    }
    QVERIFY2(missing.isEmpty(),
             qPrintable(missing.join(u' ') + QStringLiteral(" not in Depends: ") + names.join(u' ')));
    // Stores are read and written through SQLite itself: Qt's SQL module is no run-time need.
    QVERIFY2(!names.contains(QStringLiteral("libqt6sql6")) &&
                 !names.contains(QStringLiteral("libqt6sql6-sqlite")),
             qPrintable(names.join(u' ')));
    // Each is a package this system knows (it runs the program with them).
    const Run known = run(QStringLiteral("dpkg-query"), QStringList{QStringLiteral("-W")} + names);
    QVERIFY2(known.code == 0, qPrintable(known.out));
}

void TestDebPackage::manPages()
{
    // The packed manual pages: they format without a warning, and the page of velmora-data
    // names every command and option the packed tool's usage texts list, and no other option.
    QTemporaryDir root;
    QVERIFY(root.isValid());
    const Run unpack = run(QStringLiteral("dpkg-deb"), {QStringLiteral("-x"), m_deb, root.path()});
    QVERIFY2(unpack.code == 0, qPrintable(unpack.out));
    QHash<QString, QString> pages;
    for (const QString &name : {QStringLiteral("velmora"), QStringLiteral("velmora-data")}) {
        QProcess gunzip;
        gunzip.start(
            QStringLiteral("gzip"),
            {QStringLiteral("-dc"), root.filePath(QStringLiteral("usr/share/man/man1/%1.1.gz").arg(name))});
        QVERIFY(gunzip.waitForFinished(30000));
        QCOMPARE(gunzip.exitCode(), 0);
        pages[name] = QString::fromUtf8(gunzip.readAllStandardOutput());
        QVERIFY2(pages[name].startsWith(QLatin1String(".TH ")), qPrintable(name));
        if (!QStandardPaths::findExecutable(QStringLiteral("groff")).isEmpty()) {
            QTemporaryFile source;
            QVERIFY(source.open());
            source.write(pages[name].toUtf8());
            source.close();
            // On a terminal in UTF-8 and on one in plain ASCII (a C locale), where the Bosnian
            // letters fall back to their bare forms.
            for (const QString &device : {QStringLiteral("utf8"), QStringLiteral("ascii")}) {
                const Run groff = run(QStringLiteral("groff"),
                                      {QStringLiteral("-man"), QStringLiteral("-T") + device,
                                       QStringLiteral("-ww"), QStringLiteral("-z"), source.fileName()});
                QVERIFY2(groff.code == 0 && groff.out.isEmpty(),
                         qPrintable(name + QLatin1Char(' ') + device + QLatin1Char('\n') + groff.out));
            }
        }
    }

    // The tool's usage: without arguments it lists its commands, each command without
    // arguments lists its own options.
    const QString tool = root.filePath(QStringLiteral("usr/bin/velmora-data"));
    const Run usage = run(tool, {});
    QCOMPARE(usage.code, 2);
    static const QRegularExpression commandWord(QStringLiteral("velmora-data ([a-z][a-z-]+)"));
    static const QRegularExpression optionWord(QStringLiteral("--[a-z][a-z-]+"));
    QSet<QString> commands;
    for (auto it = commandWord.globalMatch(usage.out); it.hasNext();)
        commands << it.next().captured(1);
    QVERIFY2(commands.size() >= 3, qPrintable(usage.out));
    QSet<QString> options;
    for (const QString &command : std::as_const(commands)) {
        const Run own = run(tool, {command});
        QCOMPARE(own.code, 2);
        for (auto it = optionWord.globalMatch(own.out); it.hasNext();)
            options << it.next().captured(0);
    }
    QVERIFY2(!options.isEmpty(), "the commands' usage texts list no option");

    // Roff writes a hyphen as \-; the page as text, with plain hyphens.
    QString page = pages.value(QStringLiteral("velmora-data"));
    page.replace(QLatin1String("\\-"), QLatin1String("-"));
    for (const QString &command : std::as_const(commands))
        QVERIFY2(page.contains(QStringLiteral(".B velmora-data ") + command),
                 qPrintable(command + QStringLiteral(" has no synopsis line")));
    for (const QString &option : std::as_const(options))
        QVERIFY2(page.contains(option), qPrintable(option + QStringLiteral(" is not described")));
    for (auto it = optionWord.globalMatch(page); it.hasNext();) {
        const QString option = it.next().captured(0);
        QVERIFY2(options.contains(option),
                 qPrintable(option + QStringLiteral(" is not an option of the tool")));
    }
}

void TestDebPackage::lintian()
{
    if (QStandardPaths::findExecutable(QStringLiteral("lintian")).isEmpty())
        QSKIP("lintian is not installed");
    const Run r = run(QStringLiteral("lintian"),
                      {QStringLiteral("--tag-display-limit"), QStringLiteral("0"), m_deb}, 180000);
    // It fails on errors (and when it cannot read the package).
    QVERIFY2(r.code == 0, qPrintable(r.out));
    // No error and no warning at all.
    static const QRegularExpression complaint(QStringLiteral("^[EW]: "));
    QStringList complaints;
    for (const QString &line : r.out.split(QLatin1Char('\n'))) {
        if (line.contains(complaint))
            complaints << line;
    }
    QVERIFY2(complaints.isEmpty(), qPrintable(complaints.join(QLatin1Char('\n'))));
}

QTEST_GUILESS_MAIN(TestDebPackage)
#include "tst_debpackage.moc"
