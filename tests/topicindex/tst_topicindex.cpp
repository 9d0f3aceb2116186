// The keyword topic index: how a topic's entries find ayahs (stems, whole words, excluded word
// beginnings and phrases), how the classification file is read, and how the lists of ayahs a
// topic leaves out or adds change the derived tables.

#include "defaultdata/TopicIndex.h"

#include <QTest>

using namespace velmora::classification;

namespace {

// A classification file of one chapter and one topic "T" with the given fields.
QByteArray fileWithTopic(const QByteArray &fields)
{
    return R"({"chapters": [{"name": "C", "topics": ["T"]}], "topics": [{"name": "T", )" + fields + "}]}";
}

} // namespace

class TestTopicIndex : public QObject {
    Q_OBJECT

private slots:
    void matches_data()
    {
        QTest::addColumn<QByteArray>("fields");
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("found");

        const auto row = [](const char *name, const QByteArray &fields, const char *text, bool found) {
            QTest::newRow(name) << fields << QString::fromUtf8(text) << found;
        };
        const QByteArray post = R"("words": ["posta", "post"], "excludePhrases": ["posta nevjernik*"])";
        row("stem is a word beginning", R"("stems": ["musa"])", "I Musaa poslasmo", true);
        row("whole word is not a beginning", R"("words": ["lut"])", "oni lutaju", false);
        row("excluded beginning", R"("stems": ["milost"], "exclude": ["milostinj"])", "i daju milostinju",
            false);
        row("phrase keeps the word out", post, "on se uzoholi i posta nevjernik", false);
        row("phrase word with * takes endings", post, "i posta nevjernikom", false);
        row("the same word outside the phrase counts", post, "jedan posta nevjernik, a drugi posta vjernik",
            true);
        row("phrase word without * is whole", R"("words": ["posta"], "excludePhrases": ["posta nevjernik"])",
            "i posta nevjernikom", true);
        row("phrase around the word", R"("stems": ["trpi"], "excludePhrases": ["vječnu patnju trpite"])",
            "i vječnu patnju trpite zbog onoga", false);
        row("phrase words in another order", R"("stems": ["trpi"], "excludePhrases": ["patnju trpite"])",
            "trpite patnju strpljivo", true);
        const QByteArray danKad = R"("stems": ["dan kad"], "excludePhrases": ["dan kad* su se"])";
        row("entry of two words partly in a phrase", danKad, "na dan kad su se sukobile dvije vojske", false);
        row("entry of two words, phrase does not follow", danKad, "na Dan kad se u Rog puhne", true);
        row("phrase in capitals, text with another entry",
            R"("stems": ["vjernic", "vjeruj"], "excludePhrases": ["O vjernici"])",
            "O vjernici, vjerujte u Allaha", true);
        row("address alone", R"("stems": ["vjernic"], "excludePhrases": ["O vjernici"])",
            "O vjernici, klonite se kamate", false);
    }

    void matches()
    {
        QFETCH(QByteArray, fields);
        QFETCH(QString, text);
        TopicCatalogue catalogue;
        QVERIFY2(catalogue.parse(fileWithTopic(fields)), qPrintable(catalogue.errorString()));
        QTEST(TopicIndex::matches(text, *catalogue.topic(QStringLiteral("T"))), "found");
    }

    void badFile_data()
    {
        QTest::addColumn<QByteArray>("fields");
        QTest::addColumn<QString>("error");
        const auto row = [](const char *name, const char *fields, const char *error) {
            QTest::newRow(name) << QByteArray(R"("stems": ["a"], )") + fields << QString::fromUtf8(error);
        };
        row("phrase with a dash", R"("excludePhrases": ["posta-nevjernik"])", "not one word");
        row("* inside a word", R"("excludePhrases": ["po*sta"])", "not one word");
        row("phrases not a list", R"("excludePhrases": "posta")", "is not a list");
        row("no reason", R"("leaveOut": [{"ayahs": ["2:34"]}])", "without a reason");
        row("no ayahs", R"("add": [{"ayahs": [], "reason": "r"}])", "without ayahs");
        row("slash in a reference", R"("leaveOut": [{"ayahs": ["2/34"], "reason": "r"}])",
            "\"2/34\" is not an ayah reference");
        row("ayah 0", R"("add": [{"ayahs": ["2:0"], "reason": "r"}])", "is not an ayah reference");
        row("entry not an object", R"("add": ["2:34"])", "without a reason");
    }

    void badFile()
    {
        QFETCH(QByteArray, fields);
        QFETCH(QString, error);
        TopicCatalogue catalogue;
        QVERIFY(!catalogue.parse(fileWithTopic(fields)));
        QVERIFY2(catalogue.errorString().contains(error), qPrintable(catalogue.errorString()));
        QVERIFY(catalogue.topics().isEmpty());
    }

    void referenceLists_data()
    {
        QTest::addColumn<QByteArray>("lists");
        QTest::addColumn<QString>("rows"); // surah:ayahs of the topic, or the error
        // The words find 1:1, 1:3 and 2:2.
        QTest::newRow("none") << QByteArray() << "1:1,3 2:2";
        QTest::newRow("left out") << QByteArray(R"("leaveOut": [{"ayahs": ["1:3"], "reason": "r"}])")
                                  << "1:1 2:2";
        QTest::newRow("last of a surah left out")
            << QByteArray(R"("leaveOut": [{"ayahs": ["2:2"], "reason": "r"}])") << "1:1,3";
        QTest::newRow("added in order, range joined")
            << QByteArray(R"("add": [{"ayahs": ["1:2", "3:1"], "reason": "r"}])") << "1:1-3 2:2 3:1";
        QTest::newRow("stale leave-out") << QByteArray(R"("leaveOut": [{"ayahs": ["1:2"], "reason": "r"}])")
                                         << "leaves out 1:2, which its words do not find";
        QTest::newRow("added twice") << QByteArray(R"("add": [{"ayahs": ["1:1"], "reason": "r"}])")
                                     << "adds 1:1, which it lists already";
        QTest::newRow("not in the text") << QByteArray(R"("add": [{"ayahs": ["1:9"], "reason": "r"}])")
                                         << "lists 1:9, which is not an ayah of the text";
        QTest::newRow("left out and added")
            << QByteArray(
                   R"("leaveOut": [{"ayahs": ["1:3"], "reason": "r"}], "add": [{"ayahs": ["1:3"], "reason": "r"}])")
            << "both leaves out and adds 1:3";
        QTest::newRow("all left out")
            << QByteArray(
                   R"("leaveOut": [{"ayahs": ["1:1", "1:3"], "reason": "r"}, {"ayahs": ["2:2"], "reason": "s"}])")
            << "the topic \"T\" matches no ayah";
    }

    void referenceLists()
    {
        QFETCH(QByteArray, lists);
        TopicCatalogue catalogue;
        const QByteArray fields = R"("stems": ["kiš"])" + (lists.isEmpty() ? QByteArray() : ", " + lists);
        QVERIFY2(catalogue.parse(fileWithTopic(fields)), qPrintable(catalogue.errorString()));
        TopicIndex index;
        index.addAyah(1, 1, QStringLiteral("Kiša pade"));
        index.addAyah(1, 2, QStringLiteral("Vjetar puhnu"));
        index.addAyah(1, 3, QStringLiteral("i opet kiše"));
        index.addAyah(2, 1, QStringLiteral("Sunce"));
        index.addAyah(2, 2, QStringLiteral("kišu spustismo"));
        index.addAyah(3, 1, QStringLiteral("oblaci"));
        ClassificationTables tables;
        QString error;
        QStringList listed;
        if (deriveClassification(catalogue, index, {"A", "B", "C"}, &tables, &error)) {
            for (const ClassificationRow &r : std::as_const(tables.references))
                listed << QStringLiteral("%1:%2").arg(r.surah).arg(r.ayahs);
        }
        QFETCH(QString, rows);
        if (rows.front().isDigit())
            QCOMPARE(error.isEmpty() ? listed.join(QLatin1Char(' ')) : error, rows);
        else
            QVERIFY2(error.contains(rows),
                     qPrintable(error.isEmpty() ? listed.join(QLatin1Char(' ')) : error));
    }
};

QTEST_GUILESS_MAIN(TestTopicIndex)
#include "tst_topicindex.moc"
