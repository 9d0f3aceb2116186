#include "classification/TopicData.h"
#include "classification/TopicReferences.h"
#include "classification/TopicTree.h"

#include "data/DataFolder.h"
#include "data/Database.h"

#include <QTest>

using namespace velmora;

using Ayahs = QList<int>;
Q_DECLARE_METATYPE(velmora::AyahScan::Kind)

namespace {

// The nodes of a run of rows (chapter number|chapter|topic number|topic), each written as
// parent|key|text|image.
QStringList nodesOf(const QStringList &rows)
{
    TopicTreeBuilder builder;
    QStringList out;
    for (const QString &row : rows) {
        const QStringList f = row.split(QLatin1Char('|'));
        for (const TopicNode &n : builder.addRow(f[0], f[1], f[2], f[3]))
            out << QStringList{n.parentKey, n.key, n.text, QString::number(n.image)}.join(QLatin1Char('|'));
    }
    return out;
}

} // namespace

class TestTopics : public QObject {
    Q_OBJECT
private slots:
    void scan_data()
    {
        QTest::addColumn<QString>("references");
        QTest::addColumn<AyahScan::Kind>("kind");
        QTest::addColumn<Ayahs>("ayahs");
        using K = AyahScan::Kind;
        const QString d100(100, QLatin1Char('7'));

        QTest::newRow("5") << "5" << K::Single << Ayahs{5};
        QTest::newRow("3,7") << "3,7" << K::List << Ayahs{3, 7};
        QTest::newRow("1-5,8") << "1-5,8" << K::List << Ayahs{1, 2, 3, 4, 5, 8};
        QTest::newRow("2-4,9-11") << "2-4,9-11" << K::List << Ayahs{2, 3, 4, 9, 10, 11};
        QTest::newRow("equal ends 7-7") << "7-7" << K::List << Ayahs{7};
        QTest::newRow("equal ends among items 1,4-4,6") << "1,4-4,6" << K::List << Ayahs{1, 4, 6};
        QTest::newRow("reversed 9-5") << "9-5" << K::List << Ayahs{};
        QTest::newRow("reversed range among items") << "1,9-5,7" << K::List << Ayahs{1, 7};
        QTest::newRow("blank after comma: 1, 3") << "1, 3" << K::List << Ayahs{1};
        QTest::newRow("empty") << "" << K::None << Ayahs{};
        QTest::newRow("150-digit run") << QString(150, QLatin1Char('7')) << K::Single << Ayahs{};
        QTest::newRow("150-digit run in a list")
            << QStringLiteral("4,") + QString(150, QLatin1Char('7')) << K::List << Ayahs{4};
        QTest::newRow("open end 1-") << "1-" << K::List << Ayahs{};
        QTest::newRow("open start -3") << "-3" << K::List << Ayahs{};
        QTest::newRow("open end before comma 1-,4") << "1-,4" << K::List << Ayahs{4};
        QTest::newRow("letter ends scan 3,7x,9") << "3,7x,9" << K::List << Ayahs{3};
        QTest::newRow("range end at the 100-digit cap, then ,4")
            << QStringLiteral("1-") + d100 + QStringLiteral(",4") << K::List << Ayahs{4};
        QTest::newRow("digits after the 100-digit cap")
            << QStringLiteral("1-") + d100 + QStringLiteral("6") << K::List << Ayahs{6};
        QTest::newRow("above the largest ayah number") << "998-1000,2" << K::List << Ayahs{2};
    }

    void scan()
    {
        QFETCH(QString, references);
        const AyahScan s = scanReferences(references);
        QTEST(s.kind, "kind");
        QTEST(s.ayahs, "ayahs");
    }

    void textForms()
    {
        // The ayah query keeps its missing blank before "And".
        QCOMPARE(ayahQueryText(QStringLiteral("114"), 6),
                 QStringLiteral("select * FROM kuran where nrsure = 114And nrajet = 6"));
        // A double quote in the name is doubled, so it cannot end the literal.
        QCOMPARE(
            topicQueryText(QStringLiteral("Na\"maz")),
            QStringLiteral("select nrsure, emrsure, ajetet from klasifikim where ((tema = \"Na\"\"maz\"));"));
    }

    void report()
    {
        const QString stars(58, QLatin1Char('*'));
        const QStringList lines{QStringLiteral("2:1.\tA\r\n"), QStringLiteral("2:3.\tB\r\n")};
        QCOMPARE(composeTopicReport(QStringLiteral("3. Namaz"), QStringLiteral("2 (Bekara): 1,3"), lines),
                 QStringLiteral(
                     "\r\nAjeti iz teme \"3. Namaz\":\r\nselektirali ste ajet (ajete): 2 (Bekara): 1,3\r\n") +
                     stars + QStringLiteral("\r\n\r\n2:1.\tA\r\n2:3.\tB\r\n"));
        QCOMPARE(composeTopicReport(QStringLiteral("Namaz"), QString(), {}),
                 QStringLiteral("\r\nAjeti iz teme \"Namaz\":\r\nselektirali ste ajet (ajete): \r\n") +
                     stars + QStringLiteral("\r\n\r\n"));
    }

    void treeRows_data()
    {
        QTest::addColumn<QStringList>("rows");
        QTest::addColumn<QStringList>("nodes");

        QTest::newRow("consecutive rows of one topic: one node, counter skips")
            << QStringList{"1|Vjera|1|Allah", "1|Vjera|1|Allah", "1|Vjera|2|Meleki"}
            << QStringList{"|Vjera|1. Vjera|0", "Vjera|Allah1|1. Allah|1", "Vjera|Meleki3|2. Meleki|1"};
        QTest::newRow("one topic under two chapters: two nodes, two keys")
            << QStringList{"1|Vjera|1|Dova", "2|Ibadet|1|Dova"}
            << QStringList{"|Vjera|1. Vjera|0", "Vjera|Dova1|1. Dova|1", "|Ibadet|2. Ibadet|0",
                           "Ibadet|Dova2|1. Dova|1"};
        QTest::newRow("chapter coming back joins its node")
            << QStringList{"1|Vjera|1|A", "2|Ibadet|1|B", "1|Vjera|2|C"}
            << QStringList{"|Vjera|1. Vjera|0", "Vjera|A1|1. A|1", "|Ibadet|2. Ibadet|0", "Ibadet|B2|1. B|1",
                           "Vjera|C3|2. C|1"};
        QTest::newRow("chapter without topics")
            << QStringList{"1|Vjera||", "2|Ibadet|1|B"}
            << QStringList{"|Vjera|1. Vjera|0", "|Ibadet|2. Ibadet|0", "Ibadet|B2|1. B|1"};
    }

    void treeRows()
    {
        QFETCH(QStringList, rows);
        QTEST(nodesOf(rows), "nodes");
    }

    void rowCounterIsSixteenBits()
    {
        TopicTreeBuilder builder;
        QList<TopicNode> last;
        for (int i = 1; i <= 32768; ++i)
            last = builder.addRow(QStringLiteral("1"), QStringLiteral("C"), QString::number(i),
                                  QStringLiteral("T") + QString::number(i));
        QCOMPARE(builder.rowCounter(), qint16(-32768));
        QCOMPARE(last.size(), 1);
        QCOMPARE(last.first().key, QStringLiteral("T32768-32768"));
    }

    // On the default data, through the program's data layer.
    void initTestCase()
    {
        m_haveData = DataFolder::holdsData(QStringLiteral(VELMORA_TEST_DATA_DIR));
        if (m_haveData)
            DataFolder::setPath(QStringLiteral(VELMORA_TEST_DATA_DIR));
    }

    void ayahLines_data()
    {
        QTest::addColumn<QString>("line");
        QTest::addColumn<QStringList>("markers"); // S:A of the lines expected, in order
        QTest::addColumn<int>("yields");          // a single number yields to the event loop per row
        QTest::newRow("5") << "2 (Bekara): 255" << QStringList{"2:255"} << 1;
        QTest::newRow("2-4,9-11") << "3 (Alu Imran): 2-4,9-11"
                                  << QStringList{"3:2", "3:3", "3:4", "3:9", "3:10", "3:11"} << 0;
        QTest::newRow("range past the end") << "114 (Nas): 5-9" << QStringList{"114:5", "114:6"} << 0;
        QTest::newRow("equal ends 7-7") << "2 (Bekara): 7-7" << QStringList{"2:7"} << 0;
        QTest::newRow("single number past the end") << "1 (Fatiha): 8" << QStringList{} << 0;
        QTest::newRow("surah not a number") << "x (Fatiha): 5" << QStringList{} << 0;
    }

    void ayahLines()
    {
        if (!m_haveData)
            QSKIP("the default data has not been made (run the set-up)");
        QFETCH(QString, line);
        QFETCH(QStringList, markers);
        const data::Database db = data::Database::open(topicStoreName());
        QVERIFY2(db.isOpen(), qPrintable(db.errorString()));
        int yields = 0;
        const QStringList lines = fetchAyahLines(db, splitReferenceLine(line), [&yields] { ++yields; });
        QTEST(yields, "yields");
        QCOMPARE(lines.size(), markers.size());
        for (int i = 0; i < lines.size(); ++i) {
            QVERIFY2(lines[i].startsWith(markers[i] + QStringLiteral(".\t")), qPrintable(lines[i]));
            QVERIFY(lines[i].size() > markers[i].size() + 4 && lines[i].endsWith(QStringLiteral("\r\n")));
        }
    }

    void storeNotOpen()
    {
        const data::Database db = data::Database::openPath(QStringLiteral("/nonexistent/velmora/Bazabos.db"));
        QVERIFY(!db.isOpen());
        QString treeError, namesError;
        QVERIFY(!loadTopicTree(db, &treeError).has_value() && !treeError.isEmpty());
        QVERIFY(!loadTopicNames(db, &namesError).has_value() && !namesError.isEmpty());
        QVERIFY(loadReferenceLines(db, QStringLiteral("Namaz")).isEmpty());
        QVERIFY(fetchAyahLines(db, splitReferenceLine(QStringLiteral("2 (B): 1-3"))).isEmpty());
    }

    void loadsOnDefaultData()
    {
        if (!m_haveData)
            QSKIP("the default data has not been made (run the set-up)");
        const data::Database db = data::Database::open(topicStoreName());
        QString error;
        const auto nodes = loadTopicTree(db, &error);
        QVERIFY2(nodes.has_value() && !nodes->isEmpty(), qPrintable(error));
        QSet<QString> keys;
        for (const TopicNode &n : *nodes) {
            QVERIFY2(!keys.contains(n.key), qPrintable(n.key));
            keys.insert(n.key);
        }
        // Unquoted, this name would close the literal and match every row.
        QVERIFY(loadReferenceLines(db, QStringLiteral("x\" or \"1\"=\"1")).isEmpty());
    }

private:
    bool m_haveData = false;
};

QTEST_GUILESS_MAIN(TestTopics)
#include "tst_topics.moc"
