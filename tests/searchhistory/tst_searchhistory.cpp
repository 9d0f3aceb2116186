#include "search/SearchHistory.h"

#include <QtTest>

using namespace velmora;

static QStringList numbered(int n)
{
    QStringList l;
    for (int i = 0; i < n; ++i)
        l << QStringLiteral("w%1").arg(i);
    return l;
}

class TestSearchHistory : public QObject {
    Q_OBJECT
private slots:
    void record_data()
    {
        QTest::addColumn<QStringList>("before");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QStringList>("after");
        QTest::newRow("first search") << QStringList{} << "Allah" << QStringList{"Allah"};
        QTest::newRow("in search order")
            << QStringList{"Allah", "Musa"} << "Harun" << QStringList{"Allah", "Musa", "Harun"};
        QTest::newRow("repeat not added nor moved")
            << QStringList{"Allah", "Musa"} << "Allah" << QStringList{"Allah", "Musa"};
        QTest::newRow("allah after Allah added")
            << QStringList{"Allah"} << "allah" << QStringList{"Allah", "allah"};
        QStringList ten = numbered(10);
        QStringList trimmed = ten.mid(1);
        trimmed << QStringLiteral("new");
        QTest::newRow("eleventh drops the oldest") << ten << "new" << trimmed;
        QTest::newRow("ten and a repeat stay ten") << ten << "w3" << ten;
    }

    void record()
    {
        QFETCH(QStringList, before);
        QFETCH(QString, text);
        SearchHistory::record(before, text);
        QTEST(before, "after");
    }

    void pick()
    {
        QStringList ten = numbered(10);
        SearchHistory::pick(ten);
        QCOMPARE(ten, numbered(10).mid(1));
        QStringList nine = numbered(9);
        SearchHistory::pick(nine);
        QCOMPARE(nine, numbered(9));
        // The picked entry 0 of a full list goes, and comes back at the end when searched.
        QStringList full = numbered(10);
        SearchHistory::pick(full);
        SearchHistory::record(full, QStringLiteral("w0"));
        QCOMPARE(full.size(), 10);
        QCOMPARE(full.last(), QStringLiteral("w0"));
    }

    void storeRoundTrip()
    {
        QSettings s(iniPath(), QSettings::IniFormat);
        s.clear();
        SearchHistory::save(s, {QStringLiteral("Allah"), QStringLiteral("Kur'an"), QStringLiteral("čovjek")});
        QSettings again(iniPath(), QSettings::IniFormat);
        QCOMPARE(SearchHistory::load(again), (QStringList{"Allah", "Kur'an", "čovjek"}));
        again.beginGroup(QStringLiteral("Lista e fjalëve të kërkuara"));
        QCOMPARE(again.value(QStringLiteral("Fjala 2")).toString(), QStringLiteral("čovjek"));
        again.endGroup();
    }

    void emptyFirstKeyLoadsNothing()
    {
        QSettings s(iniPath(), QSettings::IniFormat);
        s.clear();
        s.beginGroup(SearchHistory::section());
        s.setValue(QStringLiteral("Fjala 0"), QString());
        s.setValue(QStringLiteral("Fjala 1"), QStringLiteral("Musa"));
        s.endGroup();
        QVERIFY(SearchHistory::load(s).isEmpty());
    }

    void shorterListLeavesNoStaleKey()
    {
        QSettings s(iniPath(), QSettings::IniFormat);
        s.clear();
        SearchHistory::save(s, numbered(10));
        SearchHistory::save(s, numbered(9));
        QSettings again(iniPath(), QSettings::IniFormat);
        QCOMPARE(SearchHistory::load(again), numbered(9));
        again.beginGroup(SearchHistory::section());
        QVERIFY(!again.contains(QStringLiteral("Fjala 9")));
        again.endGroup();
    }

private:
    QTemporaryDir m_dir;
    QString iniPath() const { return m_dir.filePath(QStringLiteral("history.ini")); }
};

QTEST_APPLESS_MAIN(TestSearchHistory)
#include "tst_searchhistory.moc"
