#include "classification/PanelLayout.h"
#include "classification/TopicData.h"
#include "classification/TopicReferences.h"
#include "classification/TopicTree.h"

#include "data/DataFolder.h"
#include "data/Database.h"

#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTest>

using namespace velmora;

using Ayahs = QList<int>;
Q_DECLARE_METATYPE(velmora::AyahScan::Kind)

namespace {

Ayahs range(int from, int to)
{
    Ayahs r;
    for (int a = from; a <= to; ++a)
        r << a;
    return r;
}

QString digits(int count, char first = '1')
{
    QString s;
    for (int i = 0; i < count; ++i)
        s += QLatin1Char(i == 0 ? first : static_cast<char>('0' + (i % 10)));
    return s;
}

struct Row {
    const char *chapterNumber;
    const char *chapterName;
    const char *topicNumber;
    const char *topicName;
};

// The nodes of a run of rows, each written as parent|key|text|image.
QStringList nodesOf(const QList<Row> &rows)
{
    TopicTreeBuilder builder;
    QStringList out;
    for (const Row &r : rows) {
        const auto nodes =
            builder.addRow(QString::fromUtf8(r.chapterNumber), QString::fromUtf8(r.chapterName),
                           QString::fromUtf8(r.topicNumber), QString::fromUtf8(r.topicName));
        for (const TopicNode &n : nodes)
            out << n.parentKey + QLatin1Char('|') + n.key + QLatin1Char('|') + n.text + QLatin1Char('|') +
                       QString::number(n.image);
    }
    return out;
}

} // namespace

class TestTopics : public QObject {
    Q_OBJECT
private slots:
    void scan_data();
    void scan();
    void splitLine_data();
    void splitLine();
    void queryAndLines();
    void report();
    void topicName_data();
    void topicName();
    void treeRows_data();
    void treeRows();
    void rowCounterIsSixteenBits();
    void treePanelRule_data();
    void treePanelRule();
    void alphabetPanelRule_data();
    void alphabetPanelRule();

    // On the default data, through the program's data layer.
    void initTestCase();
    void cleanupTestCase();
    void topicQuery();
    void ayahLines_data();
    void ayahLines();
    void yieldsPerRowOnlyForSingleNumber();
    void storeNotOpen();
    void loadsOnDefaultData();

private:
    // Direct reads of the store for the expected values.
    QString ayahText(int surah, int ayah);
    bool m_haveData = false;
};

void TestTopics::scan_data()
{
    QTest::addColumn<QString>("references");
    QTest::addColumn<AyahScan::Kind>("kind");
    QTest::addColumn<Ayahs>("ayahs");
    using K = AyahScan::Kind;

    QTest::newRow("5") << "5" << K::Single << Ayahs{5};
    QTest::newRow("3,7") << "3,7" << K::List << Ayahs{3, 7};
    QTest::newRow("1-5,8") << "1-5,8" << K::List << Ayahs{1, 2, 3, 4, 5, 8};
    QTest::newRow("2-4,9-11") << "2-4,9-11" << K::List << Ayahs{2, 3, 4, 9, 10, 11};
    QTest::newRow("reversed 9-5") << "9-5" << K::List << Ayahs{};
    QTest::newRow("reversed range among items") << "1,9-5,7" << K::List << Ayahs{1, 7};
    QTest::newRow("blank after comma: 1, 3") << "1, 3" << K::List << Ayahs{1};
    QTest::newRow("empty") << "" << K::None << Ayahs{};
    QTest::newRow("150-digit run") << digits(150) << K::Single << Ayahs{};
    QTest::newRow("150-digit run in a list") << QStringLiteral("4,") + digits(150) << K::List << Ayahs{4};
    QTest::newRow("open end 1-") << "1-" << K::List << Ayahs{};
    QTest::newRow("open start -3") << "-3" << K::List << Ayahs{};
    QTest::newRow("open end before comma 1-,4") << "1-,4" << K::List << Ayahs{4};
    QTest::newRow("open start after items 2,-3,6") << "2,-3,6" << K::List << Ayahs{2, 6};
    QTest::newRow("lone dash") << "-" << K::List << Ayahs{};
    QTest::newRow("lone comma") << "," << K::List << Ayahs{};
    QTest::newRow("double dash 1--3") << "1--3" << K::List << Ayahs{3};
    QTest::newRow("chained range 1-3-5") << "1-3-5" << K::List << Ayahs{1, 2, 3, 5};
    QTest::newRow("empty items 1,,2") << "1,,2" << K::List << Ayahs{1, 2};
    QTest::newRow("range of one 5-5") << "5-5" << K::List << Ayahs{5};
    QTest::newRow("leading zeros 2-0004") << "2-0004" << K::List << Ayahs{2, 3, 4};
    QTest::newRow("single with leading zero") << "007" << K::Single << Ayahs{7};
    QTest::newRow("ayah 0 is asked for") << "0,5" << K::List << Ayahs{0, 5};
    // A foreign character ends the scan and drops the number being collected.
    QTest::newRow("full stop ends scan 1,7.") << "1,7." << K::List << Ayahs{1};
    QTest::newRow("letter ends scan 3,7x,9") << "3,7x,9" << K::List << Ayahs{3};
    // The character that ends a range is consumed with it, whatever it is.
    QTest::newRow("blank ending a range is consumed") << "1-3 5" << K::List << Ayahs{1, 2, 3, 5};
    QTest::newRow("no separator, not a number") << "12a" << K::None << Ayahs{};
    QTest::newRow("blank around a number") << " 5" << K::None << Ayahs{};
    // Range ends: 100 digits without an end drop the range; the digits after are a new number.
    QTest::newRow("range end of 150 digits") << QStringLiteral("1-") + digits(150) << K::List << Ayahs{};
    QTest::newRow("range end of 100 digits, then ,4")
        << QStringLiteral("1-") + digits(100) + QStringLiteral(",4") << K::List << Ayahs{4};
    QTest::newRow("digits after a 100-digit range end")
        << QStringLiteral("1-") + digits(100) + QStringLiteral("6") << K::List << Ayahs{6};
    QTest::newRow("range end of 99 digits is too large")
        << QStringLiteral("1-") + digits(99) << K::List << Ayahs{};
    QTest::newRow("range end of 100 zeros then 3")
        << QStringLiteral("1-") + QString(100, QLatin1Char('0')) + QStringLiteral("3") << K::List << Ayahs{3};
    QTest::newRow("largest ayah number") << QStringLiteral("998-999") << K::List << Ayahs{998, 999};
    QTest::newRow("above the largest ayah number") << QStringLiteral("998-1000,2") << K::List << Ayahs{2};
    QTest::newRow("huge start") << digits(30) + QStringLiteral("-3,1") << K::List << Ayahs{1};
    QTest::newRow("long surah range 1-286") << "1-286" << K::List << range(1, 286);
}

void TestTopics::scan()
{
    QFETCH(QString, references);
    const AyahScan s = scanReferences(references);
    QTEST(s.kind, "kind");
    QTEST(s.ayahs, "ayahs");
}

void TestTopics::splitLine_data()
{
    QTest::addColumn<QString>("line");
    QTest::addColumn<QString>("surah");
    QTest::addColumn<QString>("references");
    QTest::newRow("usual") << "2 (Bekara): 1-5,8"
                           << "2"
                           << "1-5,8";
    QTest::newRow("three digits") << "114 (Nas): 1-6"
                                  << "114"
                                  << "1-6";
    QTest::newRow("name with blanks") << "3 (Alu Imran): 7"
                                      << "3"
                                      << "7";
    QTest::newRow("empty reference string") << "5 (Maida): "
                                            << "5"
                                            << "";
    QTest::newRow("no colon") << "5 (Maida)"
                              << "5"
                              << "";
    QTest::newRow("first colon and blank count") << "9 (A: B): 5"
                                                 << "9"
                                                 << "B): 5";
    QTest::newRow("no blank") << "5"
                              << ""
                              << "";
    QTest::newRow("empty line") << ""
                                << ""
                                << "";
}

void TestTopics::splitLine()
{
    QFETCH(QString, line);
    const ReferenceLine r = splitReferenceLine(line);
    QTEST(r.surah, "surah");
    QTEST(r.references, "references");
}

void TestTopics::queryAndLines()
{
    QCOMPARE(ayahQueryText(QStringLiteral("2"), 255),
             QStringLiteral("select * FROM kuran where nrsure = 2And nrajet = 255"));
    QCOMPARE(ayahQueryText(QStringLiteral("114"), 6),
             QStringLiteral("select * FROM kuran where nrsure = 114And nrajet = 6"));
    QCOMPARE(ayahLineText(QStringLiteral("2"), QStringLiteral("255"), QStringLiteral("Allah")),
             QStringLiteral("2:255.\tAllah\r\n"));
    QCOMPARE(referenceLineText(QStringLiteral("2"), QStringLiteral("Bekara"), QStringLiteral("1-5,8")),
             QStringLiteral("2 (Bekara): 1-5,8"));
    // The line reads back into what it was built from.
    const ReferenceLine r = splitReferenceLine(
        referenceLineText(QStringLiteral("16"), QStringLiteral("Nahl"), QStringLiteral("3,7")));
    QCOMPARE(r.surah, QStringLiteral("16"));
    QCOMPARE(r.references, QStringLiteral("3,7"));
}

void TestTopics::report()
{
    const QString stars(58, QLatin1Char('*'));
    const QStringList lines{QStringLiteral("2:1.\tA\r\n"), QStringLiteral("2:3.\tB\r\n")};
    const QString expected = QStringLiteral("\r\nAjeti iz teme \"3. Namaz\":\r\n"
                                            "selektirali ste ajet (ajete): 2 (Bekara): 1,3\r\n") +
                             stars + QStringLiteral("\r\n\r\n2:1.\tA\r\n2:3.\tB\r\n");
    QCOMPARE(composeTopicReport(QStringLiteral("3. Namaz"), QStringLiteral("2 (Bekara): 1,3"), lines),
             expected);

    // No lines: the header and the asterisks alone.
    const QString empty = composeTopicReport(QStringLiteral("Namaz"), QString(), {});
    QCOMPARE(empty, QStringLiteral("\r\nAjeti iz teme \"Namaz\":\r\nselektirali ste ajet (ajete): \r\n") +
                        stars + QStringLiteral("\r\n\r\n"));
    // Every ayah line begins a paragraph with its marker.
    const QString full = composeTopicReport(QStringLiteral("T"), QStringLiteral("2 (B): 1,3"), lines);
    QVERIFY(full.contains(QStringLiteral("\r\n2:1.\t")));
    QVERIFY(full.contains(QStringLiteral("\r\n2:3.\t")));
}

void TestTopics::topicName_data()
{
    QTest::addColumn<QString>("nodeText");
    QTest::addColumn<QString>("topic");
    QTest::newRow("usual") << "3. Namaz"
                           << "Namaz";
    QTest::newRow("two-digit number") << "12. Post u ramazanu"
                                      << "Post u ramazanu";
    QTest::newRow("blanks around the name") << "4.   Zekat  "
                                            << "Zekat";
    QTest::newRow("full stop inside the name") << "5. Dr. Name"
                                               << "Dr. Name";
    QTest::newRow("tab kept") << "6. \tHadz"
                              << "\tHadz";
    QTest::newRow("no full stop") << " Abc "
                                  << "Abc";
}

void TestTopics::topicName()
{
    QFETCH(QString, nodeText);
    QTEST(topicNameFromNodeText(nodeText), "topic");
}

void TestTopics::treeRows_data()
{
    QTest::addColumn<QList<Row>>("rows");
    QTest::addColumn<QStringList>("nodes");

    QTest::newRow("chapter with two topics")
        << QList<Row>{{"1", "Vjera", "1", "Allah"}, {"1", "Vjera", "2", "Meleki"}}
        << QStringList{"|Vjera|1. Vjera|0", "Vjera|Allah1|1. Allah|1", "Vjera|Meleki2|2. Meleki|1"};
    QTest::newRow("consecutive rows of one topic: one node, counter skips")
        << QList<Row>{{"1", "Vjera", "1", "Allah"},
                      {"1", "Vjera", "1", "Allah"},
                      {"1", "Vjera", "2", "Meleki"}}
        << QStringList{"|Vjera|1. Vjera|0", "Vjera|Allah1|1. Allah|1", "Vjera|Meleki3|2. Meleki|1"};
    QTest::newRow("one topic under two chapters, rows between")
        << QList<Row>{{"1", "Vjera", "1", "Dova"}, {"1", "Vjera", "2", "Post"}, {"2", "Ibadet", "1", "Dova"}}
        << QStringList{"|Vjera|1. Vjera|0", "Vjera|Dova1|1. Dova|1", "Vjera|Post2|2. Post|1",
                       "|Ibadet|2. Ibadet|0", "Ibadet|Dova3|1. Dova|1"};
    QTest::newRow("one topic ending one chapter and starting the next")
        << QList<Row>{{"1", "Vjera", "1", "Dova"}, {"2", "Ibadet", "1", "Dova"}}
        << QStringList{"|Vjera|1. Vjera|0", "Vjera|Dova1|1. Dova|1", "|Ibadet|2. Ibadet|0",
                       "Ibadet|Dova2|1. Dova|1"};
    QTest::newRow("chapter names compared with letter case")
        << QList<Row>{{"1", "Vjera", "1", "A"}, {"2", "vjera", "1", "B"}}
        << QStringList{"|Vjera|1. Vjera|0", "Vjera|A1|1. A|1", "|vjera|2. vjera|0", "vjera|B2|1. B|1"};
    QTest::newRow("chapter coming back joins its node")
        << QList<Row>{{"1", "Vjera", "1", "A"}, {"2", "Ibadet", "1", "B"}, {"1", "Vjera", "2", "C"}}
        << QStringList{"|Vjera|1. Vjera|0", "Vjera|A1|1. A|1", "|Ibadet|2. Ibadet|0", "Ibadet|B2|1. B|1",
                       "Vjera|C3|2. C|1"};
    QTest::newRow("chapter without topics")
        << QList<Row>{{"1", "Vjera", "", ""}, {"2", "Ibadet", "1", "B"}}
        << QStringList{"|Vjera|1. Vjera|0", "|Ibadet|2. Ibadet|0", "Ibadet|B2|1. B|1"};
}

void TestTopics::treeRows()
{
    QFETCH(QList<Row>, rows);
    QTEST(nodesOf(rows), "nodes");
}

void TestTopics::rowCounterIsSixteenBits()
{
    TopicTreeBuilder builder;
    QList<TopicNode> last;
    for (int i = 1; i <= 32768; ++i)
        last = builder.addRow(QStringLiteral("1"), QStringLiteral("C"), QString::number(i),
                              QStringLiteral("T") + QString::number(i));
    QCOMPARE(builder.rowCounter(), qint16(-32768));
    QCOMPARE(last.size(), 1);
    QCOMPARE(last.first().key, QStringLiteral("T32768-32768"));
    builder.addRow(QStringLiteral("1"), QStringLiteral("C"), QStringLiteral("x"), QStringLiteral("U"));
    QCOMPARE(builder.rowCounter(), qint16(-32767));
}

void TestTopics::treePanelRule_data()
{
    QTest::addColumn<int>("panel");
    QTest::addColumn<int>("listTop");
    QTest::addColumn<int>("treeHeight"); // -1: the step failed
    // Design: panel 4695, list 1410 high, tree top 600.
    QTest::newRow("design height") << 4695 << 4695 - 1910 << 4695 - 2560;
    QTest::newRow("tall") << 12000 << 12000 - 1910 << 12000 - 2560;
    QTest::newRow("tree exactly zero") << 2560 << 650 << 0;
    QTest::newRow("tree would be negative") << 2559 << 649 << -1;
    QTest::newRow("list above the panel") << 1000 << -910 << -1;
}

void TestTopics::treePanelRule()
{
    QFETCH(int, panel);
    const TreePanelLayout r = treePanelLayout(panel, 1410, 600);
    QTEST(r.listTop.value_or(-99999), "listTop");
    QTEST(r.treeHeight.value_or(-1), "treeHeight");
}

void TestTopics::alphabetPanelRule_data()
{
    QTest::addColumn<int>("panel");
    QTest::addColumn<int>("boxHeight"); // -1: the first step failed
    QTest::addColumn<int>("listTop");   // -99999: not moved
    // Box top 360, list 1410 high.
    QTest::newRow("design height") << 4695 << 4695 - 2320 << 4695 - 1910;
    QTest::newRow("box exactly zero") << 2320 << 0 << 410;
    QTest::newRow("box would be negative: list not moved") << 2319 << -1 << -99999;
}

void TestTopics::alphabetPanelRule()
{
    QFETCH(int, panel);
    const AlphabetPanelLayout r = alphabetPanelLayout(panel, 1410, 360);
    QTEST(r.boxHeight.value_or(-1), "boxHeight");
    QTEST(r.listTop.value_or(-99999), "listTop");
}

void TestTopics::initTestCase()
{
    const QString dir = QStringLiteral(VELMORA_TEST_DATA_DIR);
    m_haveData = DataFolder::holdsData(dir);
    if (!m_haveData)
        return;
    DataFolder::setPath(dir);
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("check"));
    db.setDatabaseName(DataFolder::findFile(dir, QStringLiteral("Bazabos.db")));
    db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_READONLY"));
    QVERIFY(db.open());
}

void TestTopics::cleanupTestCase()
{
    QSqlDatabase::removeDatabase(QStringLiteral("check"));
}

QString TestTopics::ayahText(int surah, int ayah)
{
    QSqlQuery q(QSqlDatabase::database(QStringLiteral("check")));
    q.prepare(QStringLiteral("select tekstajet from kuran where nrsure = ? and nrajet = ?"));
    q.addBindValue(surah);
    q.addBindValue(ayah);
    if (!q.exec() || !q.next())
        return QString();
    return q.value(0).toString();
}

void TestTopics::topicQuery()
{
    QCOMPARE(topicQueryText(QStringLiteral("Namaz")),
             QStringLiteral("select nrsure, emrsure, ajetet from klasifikim where ((tema = \"Namaz\"));"));
    // A double quote in the name is doubled, so it cannot end the literal.
    QCOMPARE(
        topicQueryText(QStringLiteral("Na\"maz")),
        QStringLiteral("select nrsure, emrsure, ajetet from klasifikim where ((tema = \"Na\"\"maz\"));"));
    QCOMPARE(topicStoreName(), QStringLiteral("bazabos.mdb"));
}

void TestTopics::ayahLines_data()
{
    QTest::addColumn<QString>("line");
    QTest::addColumn<QStringList>("markers"); // S:A of the lines expected, in order

    QTest::newRow("5") << "2 (Bekara): 255" << QStringList{"2:255"};
    QTest::newRow("3,7") << "2 (Bekara): 3,7" << QStringList{"2:3", "2:7"};
    QTest::newRow("1-5,8") << "2 (Bekara): 1-5,8" << QStringList{"2:1", "2:2", "2:3", "2:4", "2:5", "2:8"};
    QTest::newRow("2-4,9-11") << "3 (Alu Imran): 2-4,9-11"
                              << QStringList{"3:2", "3:3", "3:4", "3:9", "3:10", "3:11"};
    QTest::newRow("9-5") << "1 (Fatiha): 9-5" << QStringList{};
    QTest::newRow("1, 3") << "1 (Fatiha): 1, 3" << QStringList{"1:1"};
    QTest::newRow("empty") << "1 (Fatiha): " << QStringList{};
    QTest::newRow("150-digit run") << QStringLiteral("1 (Fatiha): ") + QString(150, QLatin1Char('7'))
                                   << QStringList{};
    QTest::newRow("1-") << "1 (Fatiha): 1-" << QStringList{};
    QTest::newRow("-3") << "1 (Fatiha): -3" << QStringList{};
    QTest::newRow("beyond the surah's end") << "1 (Fatiha): 6,7,8" << QStringList{"1:6", "1:7"};
    QTest::newRow("range past the end") << "114 (Nas): 5-9" << QStringList{"114:5", "114:6"};
    QTest::newRow("single number past the end") << "1 (Fatiha): 8" << QStringList{};
    QTest::newRow("surah not a number") << "x (Fatiha): 5" << QStringList{};
    QTest::newRow("no surah") << "(Fatiha): 5" << QStringList{};
}

void TestTopics::ayahLines()
{
    if (!m_haveData)
        QSKIP("the default data has not been made (run the set-up)");
    QFETCH(QString, line);
    QFETCH(QStringList, markers);
    const data::Database db = data::Database::open(topicStoreName());
    QVERIFY2(db.isOpen(), qPrintable(db.errorString()));
    const QStringList lines = fetchAyahLines(db, splitReferenceLine(line));
    QStringList expected;
    for (const QString &m : markers) {
        const int surah = m.section(QLatin1Char(':'), 0, 0).toInt();
        const int ayah = m.section(QLatin1Char(':'), 1, 1).toInt();
        const QString text = ayahText(surah, ayah);
        QVERIFY(!text.isEmpty());
        expected << m + QStringLiteral(".\t") + text + QStringLiteral("\r\n");
    }
    QCOMPARE(lines, expected);
}

void TestTopics::yieldsPerRowOnlyForSingleNumber()
{
    if (!m_haveData)
        QSKIP("the default data has not been made (run the set-up)");
    const data::Database db = data::Database::open(topicStoreName());
    int calls = 0;
    auto count = [&calls] { ++calls; };
    QCOMPARE(fetchAyahLines(db, splitReferenceLine(QStringLiteral("2 (B): 7")), count).size(), 1);
    QCOMPARE(calls, 1);
    calls = 0;
    QCOMPARE(fetchAyahLines(db, splitReferenceLine(QStringLiteral("2 (B): 1-4")), count).size(), 4);
    QCOMPARE(calls, 0);
}

void TestTopics::storeNotOpen()
{
    const data::Database db = data::Database::openPath(QStringLiteral("/nonexistent/velmora/Bazabos.db"));
    QVERIFY(!db.isOpen());
    QString error;
    QVERIFY(!loadTopicTree(db, &error).has_value());
    QVERIFY(!error.isEmpty());
    error.clear();
    QVERIFY(!loadTopicNames(db, &error).has_value());
    QVERIFY(!error.isEmpty());
    QVERIFY(loadReferenceLines(db, QStringLiteral("Namaz")).isEmpty());
    QVERIFY(fetchAyahLines(db, splitReferenceLine(QStringLiteral("2 (B): 1-3"))).isEmpty());
}

void TestTopics::loadsOnDefaultData()
{
    if (!m_haveData)
        QSKIP("the default data has not been made (run the set-up)");
    const data::Database db = data::Database::open(topicStoreName());
    QString error;
    const auto nodes = loadTopicTree(db, &error);
    QVERIFY2(nodes.has_value(), qPrintable(error));
    QVERIFY(!nodes->isEmpty());
    QCOMPARE(nodes->first().image, TopicNode::Chapter);
    QSet<QString> keys;
    for (const TopicNode &n : *nodes) {
        QVERIFY2(!keys.contains(n.key), qPrintable(n.key));
        keys.insert(n.key);
        QCOMPARE(n.parentKey.isEmpty(), n.image == TopicNode::Chapter);
    }

    const auto names = loadTopicNames(db, &error);
    QVERIFY2(names.has_value(), qPrintable(error));
    QSqlQuery q(QSqlDatabase::database(QStringLiteral("check")));
    QVERIFY(q.exec(QStringLiteral("select count(*) from VetemTemat")));
    QVERIFY(q.next());
    QCOMPARE(names->size(), q.value(0).toInt());

    // A topic's reference lines, and none for a name holding a double quote (no failure).
    QVERIFY(q.exec(QStringLiteral("select tema, count(*) from klasifikim group by tema limit 1")));
    QVERIFY(q.next());
    const QStringList lines = loadReferenceLines(db, q.value(0).toString());
    QCOMPARE(lines.size(), q.value(1).toInt());
    for (const QString &l : lines)
        QVERIFY2(l.contains(QStringLiteral(" (")) && l.contains(QStringLiteral("): ")), qPrintable(l));
    QVERIFY(loadReferenceLines(db, QStringLiteral("x\" or \"1\"=\"1")).isEmpty());
}

QTEST_GUILESS_MAIN(TestTopics)
#include "tst_topics.moc"
