#include "textview/AyahMarker.h"

#include <QtTest/QtTest>

using namespace velmora;

class TestAyahMarker : public QObject {
    Q_OBJECT
private slots:
    void readMarker_data();
    void readMarker();
    void readMarkerNullTargets();
    void buildMarker_data();
    void buildMarker();
    void buildThenRead_data();
    void buildThenRead();
};

void TestAyahMarker::readMarker_data()
{
    QTest::addColumn<QString>("marker");
    QTest::addColumn<QString>("surah");
    QTest::addColumn<QString>("ayah");

    QTest::newRow("2:255.") << QStringLiteral("2:255.") << QStringLiteral("2") << QStringLiteral("255");
    QTest::newRow("114:6.") << QStringLiteral("114:6.") << QStringLiteral("114") << QStringLiteral("6");
    QTest::newRow("7:1.") << QStringLiteral("7:1.") << QStringLiteral("7") << QStringLiteral("1");
    QTest::newRow("dot first") << QStringLiteral(".5") << QString() << QString();
    QTest::newRow("dot before colon") << QStringLiteral("3.:4.") << QStringLiteral("3") << QString();
    QTest::newRow("no colon no dot") << QStringLiteral("abc") << QStringLiteral("abc") << QString();
    QTest::newRow("empty") << QString() << QString() << QString();
    // The ayah ends one character before the end, whatever that character is.
    QTest::newRow("no final dot") << QStringLiteral("2:255") << QStringLiteral("2") << QStringLiteral("25");
    QTest::newRow("colon last") << QStringLiteral("2:") << QStringLiteral("2") << QString();
    QTest::newRow("colon then dot") << QStringLiteral("2:.") << QStringLiteral("2") << QString();
    QTest::newRow("colon first") << QStringLiteral(":5.") << QString() << QStringLiteral("5");
    QTest::newRow("heading text") << QStringLiteral("SURA EL-FATIHA") << QStringLiteral("SURA EL-FATIHA")
                                  << QString();
    QTest::newRow("second colon kept")
        << QStringLiteral("1:2:3.") << QStringLiteral("1") << QStringLiteral("2:3");
    QTest::newRow("leading zero kept")
        << QStringLiteral("02:1.") << QStringLiteral("02") << QStringLiteral("1");
}

void TestAyahMarker::readMarker()
{
    QFETCH(QString, marker);
    QFETCH(QString, surah);
    QFETCH(QString, ayah);
    // Start from non-empty targets: the reading must replace what they held.
    QString s = QStringLiteral("old");
    QString a = QStringLiteral("old");
    velmora::readMarker(marker, &s, &a);
    QCOMPARE(s, surah);
    QCOMPARE(a, ayah);
}

void TestAyahMarker::readMarkerNullTargets()
{
    QString s;
    velmora::readMarker(QStringLiteral("9:12."), &s, nullptr);
    QCOMPARE(s, QStringLiteral("9"));
    QString a;
    velmora::readMarker(QStringLiteral("9:12."), nullptr, &a);
    QCOMPARE(a, QStringLiteral("12"));
}

void TestAyahMarker::buildMarker_data()
{
    QTest::addColumn<QString>("surah");
    QTest::addColumn<QString>("ayah");
    QTest::addColumn<QString>("marker");

    QTest::newRow("2:255") << QStringLiteral("2") << QStringLiteral("255") << QStringLiteral("2:255.\t");
    QTest::newRow("114:6") << QStringLiteral("114") << QStringLiteral("6") << QStringLiteral("114:6.\t");
    QTest::newRow("texts as typed") << QStringLiteral("02") << QStringLiteral(" 1")
                                    << QStringLiteral("02: 1.\t");
    QTest::newRow("empty texts") << QString() << QString() << QStringLiteral(":.\t");
}

void TestAyahMarker::buildMarker()
{
    QFETCH(QString, surah);
    QFETCH(QString, ayah);
    QFETCH(QString, marker);
    QCOMPARE(velmora::buildMarker(surah, ayah), marker);
}

void TestAyahMarker::buildThenRead_data()
{
    QTest::addColumn<int>("surah");
    QTest::addColumn<int>("ayah");
    QTest::newRow("1:1") << 1 << 1;
    QTest::newRow("2:286") << 2 << 286;
    QTest::newRow("26:227") << 26 << 227;
    QTest::newRow("114:6") << 114 << 6;
}

void TestAyahMarker::buildThenRead()
{
    QFETCH(int, surah);
    QFETCH(int, ayah);
    // The marker text that the ayah commands read is the marker without its tab.
    QString m = velmora::buildMarker(QString::number(surah), QString::number(ayah));
    QVERIFY(m.endsWith(QLatin1Char('\t')));
    m.chop(1);
    QString s;
    QString a;
    velmora::readMarker(m, &s, &a);
    QCOMPARE(s.toInt(), surah);
    QCOMPARE(a.toInt(), ayah);
}

QTEST_GUILESS_MAIN(TestAyahMarker)
#include "tst_ayahmarker.moc"
