#include "data/DataFolder.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QSvgRenderer>
#include <QTemporaryDir>
#include <QtTest>

// Checks the files that put the program on the desktop: the menu entry, the AppStream metadata
// and the icons, as built and as installed.
class TestDesktopFiles : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void validators_data();
    void validators();
    void menuEntry();
    void metadata();
    void pngIcons_data();
    void pngIcons();
    void scalableIcon();
    void install();
    void installedData();

private:
    struct Run {
        int exitCode = -1;
        QString output;
    };
    static Run run(const QString &program, const QStringList &args, int timeoutMs = 60000);
    static QString readText(const QString &path);

    QDir m_packaging;
    QString m_appId;
    QString m_desktopFile;
    QString m_metainfoFile;
    QTemporaryDir m_prefix;
    bool m_installed = false;
};

TestDesktopFiles::Run TestDesktopFiles::run(const QString &program, const QStringList &args, int timeoutMs)
{
    Run result;
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(program, args);
    if (!process.waitForStarted(10000))
        return result;
    if (!process.waitForFinished(timeoutMs)) {
        process.kill();
        process.waitForFinished(5000);
        result.output = QStringLiteral("timed out");
        return result;
    }
    result.output = QString::fromUtf8(process.readAll());
    result.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    return result;
}

QString TestDesktopFiles::readText(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(file.readAll());
}

void TestDesktopFiles::initTestCase()
{
    Q_INIT_RESOURCE(resources);
    m_packaging = QDir(QStringLiteral(VELMORA_BINARY_DIR "/packaging"));
    m_appId = readText(m_packaging.filePath(QStringLiteral("app-id.txt"))).trimmed();
    QVERIFY(!m_appId.isEmpty());
    m_desktopFile = m_packaging.filePath(m_appId + QStringLiteral(".desktop"));
    m_metainfoFile = m_packaging.filePath(m_appId + QStringLiteral(".metainfo.xml"));
    QVERIFY(QFileInfo::exists(m_desktopFile));
    QVERIFY(QFileInfo::exists(m_metainfoFile));
    // A reverse-DNS id: at least three dot-separated parts, each a letter followed by
    // letters, digits or underscores.
    static const QRegularExpression rdns(
        QStringLiteral("^[A-Za-z][A-Za-z0-9_]*(\\.[A-Za-z][A-Za-z0-9_]*){2,}$"));
    QVERIFY2(rdns.match(m_appId).hasMatch(), qPrintable(m_appId));
    QVERIFY(m_prefix.isValid());
}

void TestDesktopFiles::validators_data()
{
    QTest::addColumn<QString>("tool");
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QString>("file");
    QTest::newRow("desktop-file-validate")
        << QStringLiteral("desktop-file-validate") << QStringList() << QStringLiteral("desktop");
    QTest::newRow("appstreamcli validate")
        << QStringLiteral("appstreamcli")
        << QStringList{QStringLiteral("validate"), QStringLiteral("--no-net")} << QStringLiteral("metainfo");
}

void TestDesktopFiles::validators()
{
    QFETCH(QString, tool);
    QFETCH(QStringList, args);
    QFETCH(QString, file);

    const QString path = QStandardPaths::findExecutable(tool);
    if (path.isEmpty())
        QSKIP(qPrintable(tool + QStringLiteral(" is not installed")));
    args << (file == QLatin1String("desktop") ? m_desktopFile : m_metainfoFile);
    const Run result = run(path, args);
    QVERIFY2(result.exitCode == 0, qPrintable(result.output));
    if (tool == QLatin1String("desktop-file-validate")) {
        // It reports warnings and hints without failing; the entry should have none.
        QVERIFY2(result.output.trimmed().isEmpty(), qPrintable(result.output));
    } else {
        QVERIFY2(!result.output.contains(QLatin1String("W:")) && !result.output.contains(QLatin1String("E:")),
                 qPrintable(result.output));
    }
}

void TestDesktopFiles::menuEntry()
{
    const QString text = readText(m_desktopFile);
    QVERIFY(text.startsWith(QLatin1String("[Desktop Entry]\n")));
    const QStringList lines = text.split(QLatin1Char('\n'));
    // The entry starts the installed program and shows the icon installed under the same id.
    QVERIFY(lines.contains(QStringLiteral("Exec=velmora")));
    QVERIFY(lines.contains(QStringLiteral("Icon=") + m_appId));
    // No placeholder of the template is left over.
    QVERIFY(!text.contains(QLatin1Char('@')));
}

void TestDesktopFiles::metadata()
{
    const QString text = readText(m_metainfoFile);
    QVERIFY(text.contains(QStringLiteral("<id>") + m_appId + QStringLiteral("</id>")));
    QVERIFY(text.contains(QStringLiteral("<launchable type=\"desktop-id\">") + m_appId +
                          QStringLiteral(".desktop</launchable>")));
    QVERIFY(text.contains(QLatin1String("<binary>velmora</binary>")));
    // The home page is the program's first configured web page.
    QVERIFY(text.contains(QLatin1String("<url type=\"homepage\">https://velmora.example.org/</url>")));
    QVERIFY(!text.contains(QLatin1String("@VELMORA")));
}

void TestDesktopFiles::pngIcons_data()
{
    QTest::addColumn<int>("size");
    for (int size : {16, 32, 48, 64, 128, 256})
        QTest::addRow("%dx%d", size, size) << size;
}

void TestDesktopFiles::pngIcons()
{
    QFETCH(int, size);
    const QString path = m_packaging.filePath(QStringLiteral("icons/%1x%1/%2.png").arg(size).arg(m_appId));
    QImage image;
    QVERIFY2(image.load(path, "PNG"), qPrintable(path));
    QCOMPARE(image.size(), QSize(size, size));
    QVERIFY(image.hasAlphaChannel());
    image = image.convertToFormat(QImage::Format_ARGB32);
    // Drawn over the whole square with rounded corners: the corner is clear, the middle opaque.
    QCOMPARE(qAlpha(image.pixel(0, 0)), 0);
    QCOMPARE(qAlpha(image.pixel(size / 2, size / 2)), 255);
}

void TestDesktopFiles::scalableIcon()
{
    const QString path = m_packaging.filePath(QStringLiteral("icons/scalable/%1.svg").arg(m_appId));
    QSvgRenderer installed(path);
    QVERIFY(installed.isValid());
    QCOMPARE(installed.defaultSize(), QSize(256, 256));
    // The installed SVG is the icon the program shows in its windows.
    QFile resource(QStringLiteral(":/velmora/velmora.svg"));
    QVERIFY(resource.open(QIODevice::ReadOnly));
    QCOMPARE(readText(path).toUtf8(), resource.readAll());
}

void TestDesktopFiles::install()
{
    const QString cmake = QStandardPaths::findExecutable(QStringLiteral("cmake"));
    if (cmake.isEmpty())
        QSKIP("cmake is not installed");
    // Installing copies every built program; a partial build has nothing to copy.
    if (!QFileInfo::exists(QStringLiteral(VELMORA_BINARY_DIR "/bin/velmora")))
        QSKIP("the program is not built; the install check needs a full build");
    const QString prefix = m_prefix.path();
    const Run result = run(cmake, {QStringLiteral("--install"), QStringLiteral(VELMORA_BINARY_DIR),
                                   QStringLiteral("--prefix"), prefix});
    QVERIFY2(result.exitCode == 0, qPrintable(result.output));
    m_installed = true;

    const QDir root(prefix);
    const QFileInfo program(root.filePath(QStringLiteral("bin/velmora")));
    QVERIFY(program.isFile() && program.isExecutable());
    const QStringList expected = {
        QStringLiteral("share/applications/%1.desktop"),
        QStringLiteral("share/metainfo/%1.metainfo.xml"),
        QStringLiteral("share/icons/hicolor/scalable/apps/%1.svg"),
        QStringLiteral("share/icons/hicolor/16x16/apps/%1.png"),
        QStringLiteral("share/icons/hicolor/32x32/apps/%1.png"),
        QStringLiteral("share/icons/hicolor/48x48/apps/%1.png"),
        QStringLiteral("share/icons/hicolor/64x64/apps/%1.png"),
        QStringLiteral("share/icons/hicolor/128x128/apps/%1.png"),
        QStringLiteral("share/icons/hicolor/256x256/apps/%1.png"),
    };
    for (const QString &pattern : expected) {
        const QString file = root.filePath(pattern.arg(m_appId));
        QVERIFY2(QFileInfo(file).isFile(), qPrintable(file));
    }
    const QImage icon(root.filePath(QStringLiteral("share/icons/hicolor/48x48/apps/%1.png").arg(m_appId)));
    QCOMPARE(icon.size(), QSize(48, 48));

    // The installed tree as a software centre reads it: metadata, menu entry and icon together.
    const QString appstreamcli = QStandardPaths::findExecutable(QStringLiteral("appstreamcli"));
    if (!appstreamcli.isEmpty()) {
        const Run tree =
            run(appstreamcli, {QStringLiteral("validate-tree"), QStringLiteral("--no-net"), prefix});
        QVERIFY2(tree.exitCode == 0, qPrintable(tree.output));
    }
}

void TestDesktopFiles::installedData()
{
    if (!m_installed)
        QSKIP("nothing was installed");
    const QString built = QStringLiteral(VELMORA_TEST_DATA_DIR);
    const QString installed = QDir(m_prefix.path()).filePath(QStringLiteral("share/velmora"));
    if (!velmora::DataFolder::holdsData(built))
        QSKIP("the build holds no default data to install");
    // Started from a menu, the program looks in ../share/velmora beside its own folder.
    QVERIFY2(velmora::DataFolder::holdsData(installed), qPrintable(installed));
    const QStringList names = QDir(built).entryList(QDir::Files);
    for (const QString &name : names) {
        const QFileInfo a(QDir(built).filePath(name)), b(QDir(installed).filePath(name));
        QVERIFY2(b.isFile(), qPrintable(name));
        QCOMPARE(b.size(), a.size());
    }
}

QTEST_MAIN(TestDesktopFiles)
#include "tst_desktopfiles.moc"
