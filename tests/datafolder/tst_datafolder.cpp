#include "TestSupport.h"
#include "data/DataFolder.h"

#include <QtTest>

using velmora::DataFolder;

class TestDataFolder : public QObject {
    Q_OBJECT
private slots:
    void findFile_data()
    {
        QTest::addColumn<QString>("onDisk");
        QTest::addColumn<QString>("asked");
        QTest::addColumn<bool>("found");
        QTest::newRow("same case") << "KUR'AN.rtf" << QStringLiteral("KUR'AN.rtf") << true;
        QTest::newRow("lower case asked") << "KUR'AN.rtf" << QStringLiteral("kur'an.rtf") << true;
        QTest::newRow("store mixed case") << "bazabos.MDB" << QStringLiteral("Bazabos.mdb") << true;
        QTest::newRow("other name") << "KURAN.rtf" << QStringLiteral("kur'an.rtf") << false;
        QTest::newRow("empty name") << "KUR'AN.rtf" << QStringLiteral("") << false;
    }

    void findFile()
    {
        QFETCH(QString, onDisk);
        QFETCH(QString, asked);
        QFETCH(bool, found);
        QTemporaryDir dir;
        touch(dir.filePath(onDisk));
        const QString path = DataFolder::findFile(dir.path(), asked);
        QCOMPARE(!path.isEmpty(), found);
        if (found)
            QCOMPARE(QFileInfo(path).fileName(), onDisk);
    }

    void matchName_data()
    {
        QTest::addColumn<QStringList>("names");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("match");
        const QStringList names{"kur'an.rtf", "Bazabos.db", "KUR'AN.rtf", "Kur'an.rtf"};
        QTest::newRow("exact name") << names << "Kur'an.rtf" << QStringLiteral("Kur'an.rtf");
        QTest::newRow("case variants: the smallest") << names << "KUR'AN.RTF" << QStringLiteral("KUR'AN.rtf");
        QTest::newRow("one variant") << names << "bazabos.DB" << QStringLiteral("Bazabos.db");
        QTest::newRow("none") << names << "Bazabos.mdb" << QStringLiteral("");
        QTest::newRow("empty name") << names << "" << QStringLiteral("");
    }

    void matchName()
    {
        QFETCH(QStringList, names);
        QFETCH(QString, name);
        QTEST(DataFolder::matchName(names, name), "match");
    }

    void currentDirectoryFirst()
    {
        QTemporaryDir dir;
        touch(dir.filePath(QStringLiteral("KUR'AN.rtf")));
        touch(dir.filePath(QStringLiteral("Bazabos.db")));
        const QString old = QDir::currentPath();
        QVERIFY(QDir::setCurrent(dir.path()));
        DataFolder::reset();
        QCOMPARE(DataFolder::path(), QDir(dir.path()).canonicalPath());
        QVERIFY(QDir::setCurrent(old));
        DataFolder::reset();
    }

    void fallsBackWhenCurrentDirectoryHasNoData()
    {
        QTemporaryDir dir;
        // Only half of the data: the whole text without a store does not count.
        touch(dir.filePath(QStringLiteral("KUR'AN.rtf")));
        QVERIFY(!DataFolder::holdsData(dir.path()));
        const QString old = QDir::currentPath();
        QVERIFY(QDir::setCurrent(dir.path()));
        DataFolder::reset();
        // The first later candidate that holds data is chosen; with none, the current directory.
        const QStringList candidates = DataFolder::candidates();
        QString expected = QDir::currentPath();
        for (const QString &c : candidates.mid(1)) {
            if (DataFolder::holdsData(c)) {
                expected = c;
                break;
            }
        }
        QCOMPARE(DataFolder::path(), expected);
        QVERIFY(QDir::setCurrent(old));
        DataFolder::reset();
    }

private:
    static void touch(const QString &path) { QVERIFY(velmora::test::writeFile(path, "x")); }
};

QTEST_GUILESS_MAIN(TestDataFolder)
#include "tst_datafolder.moc"
