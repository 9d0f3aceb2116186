#include "TestSupport.h"
#include "data/DataFolder.h"

#include <QtGui>
#include <QtTest>

using namespace velmora;

// Checks the files that put the program on the desktop: the menu entry, the AppStream metadata
// and the icons, as built and as installed.
class TestDesktopFiles : public QObject {
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QFile id(m_packaging.filePath(QStringLiteral("app-id.txt")));
        QVERIFY(id.open(QIODevice::ReadOnly));
        m_appId = QString::fromUtf8(id.readAll()).trimmed();
        QVERIFY(m_appId.count(QLatin1Char('.')) >= 2);
    }

    void validators_data()
    {
        QTest::addColumn<QString>("command"); // the last word names the built file
        QTest::newRow("desktop-file-validate") << "desktop-file-validate %1.desktop";
        QTest::newRow("appstreamcli validate") << "appstreamcli validate --no-net %1.metainfo.xml";
    }

    void validators()
    {
        QFETCH(QString, command);
        QStringList args = command.arg(m_appId).split(QLatin1Char(' '));
        const QString tool = args.takeFirst();
        args.last() = m_packaging.filePath(args.last());
        QVERIFY2(QFileInfo::exists(args.last()), qPrintable(args.last()));
        const test::ProgramRun r = run(tool, args);
        if (r.code == -2)
            QSKIP(qPrintable(r.out));
        QVERIFY2(r.code == 0, qPrintable(r.out));
        // desktop-file-validate passes with warnings and hints; the entry should have none.
        if (tool == QLatin1String("desktop-file-validate"))
            QVERIFY2(r.out.trimmed().isEmpty(), qPrintable(r.out));
    }

    void pngIcons_data()
    {
        QTest::addColumn<int>("size");
        for (int size : {16, 32, 48, 64, 128, 256})
            QTest::addRow("%dx%d", size, size) << size;
    }

    void pngIcons()
    {
        QFETCH(int, size);
        const QString path =
            m_packaging.filePath(QStringLiteral("icons/%1x%1/%2.png").arg(size).arg(m_appId));
        QImage image;
        QVERIFY2(image.load(path, "PNG"), qPrintable(path));
        QCOMPARE(image.size(), QSize(size, size));
        image = image.convertToFormat(QImage::Format_ARGB32);
        // Drawn over the whole square with rounded corners: the corner is clear, the middle opaque.
        QCOMPARE(qAlpha(image.pixel(0, 0)), 0);
        QCOMPARE(qAlpha(image.pixel(size / 2, size / 2)), 255);
    }

    void install()
    {
        // Installing copies every built program; a partial build has nothing to copy.
        if (!QFileInfo::exists(QStringLiteral(VELMORA_BINARY_DIR "/bin/velmora")))
            QSKIP("the program is not built; the install check needs a full build");
        QTemporaryDir prefix;
        QVERIFY(prefix.isValid());
        const QDir root(prefix.path());
        const test::ProgramRun installing =
            run(QStringLiteral("cmake"), {QStringLiteral("--install"), QStringLiteral(VELMORA_BINARY_DIR),
                                          QStringLiteral("--prefix"), root.path()});
        QVERIFY2(installing.code == 0, qPrintable(installing.out));
        QVERIFY(QFileInfo(root.filePath(QStringLiteral("bin/velmora"))).isExecutable());
        const QString expected =
            QStringLiteral("applications/%1.desktop metainfo/%1.metainfo.xml "
                           "icons/hicolor/scalable/apps/%1.svg icons/hicolor/16x16/apps/%1.png "
                           "icons/hicolor/32x32/apps/%1.png icons/hicolor/48x48/apps/%1.png "
                           "icons/hicolor/64x64/apps/%1.png icons/hicolor/128x128/apps/%1.png "
                           "icons/hicolor/256x256/apps/%1.png");
        for (const QString &file : expected.arg(m_appId).split(QLatin1Char(' ')))
            QVERIFY2(QFileInfo(root.filePath(QStringLiteral("share/") + file)).isFile(), qPrintable(file));
        // Started from a menu, the program looks in ../share/velmora beside its own folder.
        // Only the files it reads go there, not what set-up keeps beside them (the npm package, the
        // stamp).
        if (velmora::DataFolder::holdsData(QStringLiteral(VELMORA_TEST_DATA_DIR))) {
            const QDir data(root.filePath(QStringLiteral("share/velmora")));
            QVERIFY(velmora::DataFolder::holdsData(data.path()));
            QStringList installed = data.entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
            installed.sort();
            QCOMPARE(installed, QStringList({QStringLiteral("Bazabos.db"), QStringLiteral("KUR'AN.rtf")}));
        }
        // The installed tree as a software centre reads it: metadata, menu entry and icon together.
        const test::ProgramRun tree =
            run(QStringLiteral("appstreamcli"),
                {QStringLiteral("validate-tree"), QStringLiteral("--no-net"), root.path()});
        QVERIFY2(tree.code == 0 || tree.code == -2, qPrintable(tree.out));
    }

private:
    // Runs a tool found on the path; exit code -2 when it is not installed.
    static test::ProgramRun run(const QString &tool, const QStringList &args)
    {
        const QString path = QStandardPaths::findExecutable(tool);
        if (path.isEmpty())
            return {-2, tool + QStringLiteral(" is not installed"), {}};
        return test::runProgram(path, args);
    }

    QDir m_packaging{QStringLiteral(VELMORA_BINARY_DIR "/packaging")};
    QString m_appId;
};

QTEST_MAIN(TestDesktopFiles)
#include "tst_desktopfiles.moc"
