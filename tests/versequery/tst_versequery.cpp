#include "data/JetSql.h"
#include "search/FindText.h"
#include "search/MarkFreeWords.h"
#include "search/VerseQuery.h"

#include <QTest>

using namespace velmora;

class TestVerseQuery : public QObject {
    Q_OBJECT
private slots:
    void words_data();
    void words();
    void query_data();
    void query();
    void summary_data();
    void summary();
    void listing();
    void backward_data();
    void backward();
    void markFreeMatching_data();
    void markFreeMatching();
    void markFreeQuery_data();
    void markFreeQuery();
    void markFreeTooManyForms();
};

void TestVerseQuery::words_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QStringList>("expected");
    QTest::newRow("one word") << "Allah" << QStringList{"Allah"};
    QTest::newRow("two words") << "Musa&Harun" << QStringList{"Musa", "Harun"};
    QTest::newRow("blanks kept") << "Allah & Musa" << QStringList{"Allah ", " Musa"};
    QTest::newRow("separator at the end") << "Allah&" << QStringList{"Allah", ""};
    QTest::newRow("separator at the start") << "&Allah" << QStringList{"", "Allah"};
    QTest::newRow("two separators") << "a&&b" << QStringList{"a", "", "b"};
    QTest::newRow("only a separator") << "&" << QStringList{"", ""};
}

void TestVerseQuery::words()
{
    QFETCH(QString, text);
    QFETCH(QStringList, expected);
    FjalKerkim list;
    list.Add(QStringLiteral("left over from an earlier search"));
    QCOMPARE(NumerojiFjalet(text, QStringLiteral("&"), list), expected.size());
    QCOMPARE(list.Count(), expected.size());
    for (int i = 0; i < expected.size(); ++i)
        QCOMPARE(list.Item(i + 1)->Text(), expected.at(i));
    QVERIFY(list.Item(0) == nullptr);
    QVERIFY(list.Item(list.Count() + 1) == nullptr);
    const QString sql = FormojeSQLStringunMeAndLike(list);
    QVERIFY(sql.startsWith(QStringLiteral("SELECT * FROM kuran WHERE tekstajet LIKE '*") + expected.first()));
    QCOMPARE(sql.count(QStringLiteral(" AND tekstajet LIKE '*")), expected.size() - 1);
}

void TestVerseQuery::query_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("restrict");
    QTest::addColumn<QString>("surah");
    QTest::addColumn<QString>("sql");
    QTest::addColumn<QStringList>("words");

    QTest::newRow("Allah") << "Allah" << false << "1"
                           << "SELECT * FROM kuran WHERE tekstajet LIKE '*Allah*'" << QStringList{"Allah"};
    QTest::newRow("Musa&Harun in surah 20")
        << "Musa&Harun" << true << "20"
        << "SELECT * FROM kuran WHERE tekstajet LIKE '*Musa*' AND tekstajet LIKE '*Harun*' and nrsure=20"
        << QStringList{"Musa", "Harun"};
    QTest::newRow("apostrophe doubled in the query only")
        << "Kur'an" << false << "1"
        << "SELECT * FROM kuran WHERE tekstajet LIKE '*Kur''an*'" << QStringList{"Kur'an"};
    QTest::newRow("apostrophe with two words")
        << "Kur'an&Musa" << false << "1"
        << "SELECT * FROM kuran WHERE tekstajet LIKE '*Kur''an*' AND tekstajet LIKE '*Musa*'"
        << QStringList{"Kur'an", "Musa"};
    QTest::newRow("blanks kept")
        << "Allah & Musa" << false << "1"
        << "SELECT * FROM kuran WHERE tekstajet LIKE '*Allah *' AND tekstajet LIKE '* Musa*'"
        << QStringList{"Allah ", " Musa"};
    QTest::newRow("empty word matches all")
        << "Allah&" << false << "1"
        << "SELECT * FROM kuran WHERE tekstajet LIKE '*Allah*' AND tekstajet LIKE '**'"
        << QStringList{"Allah", ""};
    QTest::newRow("leading zero surah is a number")
        << "Allah" << true << "02"
        << "SELECT * FROM kuran WHERE tekstajet LIKE '*Allah*' and nrsure=02" << QStringList{"Allah"};
    // A surah selector that does not hold a surah number builds no query.
    QTest::newRow("surah name instead of number") << "Allah" << true << "Fatiha"
                                                  << "" << QStringList{};
    QTest::newRow("injection through the surah box") << "Allah" << true << "1 or 1=1"
                                                     << "" << QStringList{};
    QTest::newRow("surah 115") << "Allah" << true << "115"
                               << "" << QStringList{};
    QTest::newRow("surah 0") << "Allah" << true << "0"
                             << "" << QStringList{};
    QTest::newRow("empty surah") << "Allah" << true << ""
                                 << "" << QStringList{};
}

void TestVerseQuery::query()
{
    QFETCH(QString, text);
    QFETCH(bool, restrict);
    QFETCH(QString, surah);
    QFETCH(QString, sql);
    QFETCH(QStringList, words);
    FjalKerkim list;
    list.Add(QStringLiteral("old"));
    const VerseQuery q = buildVerseQuery(text, restrict, surah, list);
    QCOMPARE(q.ok, !sql.isEmpty());
    QCOMPARE(q.sql, sql);
    if (!q.ok) {
        // Nothing changes when no query can be built.
        QCOMPARE(list.Count(), 1);
        QCOMPARE(list.Item(1)->Text(), QStringLiteral("old"));
        return;
    }
    QCOMPARE(list.Count(), words.size());
    for (int i = 0; i < words.size(); ++i)
        QCOMPARE(list.Item(i + 1)->Text(), words.at(i));
}

void TestVerseQuery::summary_data()
{
    QTest::addColumn<int>("count");
    QTest::addColumn<bool>("restrict");
    QTest::addColumn<QString>("expected");
    QTest::newRow("none") << 0 << false << "Nije pronađen neki ajet koji sadrži izraz Musa&Harun";
    QTest::newRow("none in surah") << 0 << true << "U suri Taha se ne pominje izraz Musa&Harun";
    QTest::newRow("one") << 1 << false << "Pronađen je samo jedan ajet u kojem se spominje izraz Musa&Harun:";
    QTest::newRow("one in surah, no colon")
        << 1 << true << "U suri Taha pronađen je samo jedan ajet u kojem se spominje izraz Musa&Harun";
    QTest::newRow("many") << 1885 << false
                          << "Ukupno je pronađeno 1885 ajeta u kojima se spominje izraz Musa&Harun:";
    QTest::newRow("two in surah")
        << 2 << true << "Ukupno je pronađeno 2 ajeta u suri Taha u kojima se spominje izraz Musa&Harun:";
}

void TestVerseQuery::summary()
{
    QFETCH(int, count);
    QFETCH(bool, restrict);
    QTEST(summaryLine(count, QStringLiteral("Musa&Harun"), restrict, QStringLiteral("Taha")), "expected");
}

void TestVerseQuery::listing()
{
    const QString lines = ayahLine(QStringLiteral("2"), QStringLiteral("255"), QStringLiteral("Allah"));
    QCOMPARE(lines, QStringLiteral("2:255.\tAllah\r\n"));
    const QString text = listingText(QStringLiteral("S"), lines);
    QCOMPARE(text, QStringLiteral("\r\nS\r\n* * * * * * * * * * * * * * * * * * *\r\n\r\n2:255.\tAllah\r\n"));
    QCOMPARE(QStringLiteral("* * * * * * * * * * * * * * * * * * *").count(QLatin1Char('*')), 19);
    QCOMPARE(waitingText(), QStringLiteral("Ustrpite se...\r\n...traženje je u toku..."));
}

void TestVerseQuery::backward_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("caret");
    QTest::addColumn<QString>("what");
    QTest::addColumn<int>("expected");
    QTest::newRow("nearest before caret") << "abc Allah x Allah y" << 19 << "allah" << 12;
    QTest::newRow("one before the caret is not found") << "xAllah" << 2 << "a" << -1;
    QTest::newRow("match starting at caret-1 skipped") << "ab" << 2 << "b" << -1;
    QTest::newRow("match may end after the caret") << "Allah" << 3 << "allah" << 0;
    QTest::newRow("case ignored both ways") << "ČOVJEK čovjek" << 8 << "čOVJEK" << 0;
    QTest::newRow("absent") << "abc" << 3 << "z" << -1;
    QTest::newRow("caret beyond the text") << "abcabc" << 100 << "abc" << 3;
}

void TestVerseQuery::backward()
{
    QFETCH(QString, text);
    QFETCH(int, caret);
    QFETCH(QString, what);
    QTEST(scanBackward(text, caret, what), "expected");
}

// A typed word against an ayah's text with "Bez kvačica" ticked: whether the store's LIKE of
// the word's forms matches, and whether the colouring's expression finds the same thing.
void TestVerseQuery::markFreeMatching_data()
{
    QTest::addColumn<QString>("word");
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("matches");
    QTest::addColumn<QString>("coloured"); // what the expression finds first, when it matches

    QTest::newRow("c finds č") << "covjek"
                               << "i čovjeku je dato" << true << "čovjek";
    QTest::newRow("c finds ć") << "kuc"
                               << "u kući" << true << "kuć";
    QTest::newRow("c finds c") << "sunce"
                               << "Sunce i Mjesec" << true << "Sunce";
    QTest::newRow("upper C finds lower č") << "COVJEK"
                                           << "čovjek" << true << "čovjek";
    QTest::newRow("lower c finds upper Č") << "covjek"
                                           << "ČOVJEK" << true << "ČOVJEK";
    QTest::newRow("s finds š") << "sejtan"
                               << "i šejtan ih je" << true << "šejtan";
    QTest::newRow("z finds ž") << "zena"
                               << "žena njegova" << true << "žena";
    QTest::newRow("dz finds dž") << "dzennet"
                                 << "u Džennet" << true << "Džennet";
    QTest::newRow("d finds đ") << "roden"
                               << "koji je rođen" << true << "rođen";
    QTest::newRow("dj finds đ") << "rodjen"
                                << "koji je rođen" << true << "rođen";
    QTest::newRow("dj finds dj") << "rodjen"
                                 << "koji je rodjen" << true << "rodjen";
    QTest::newRow("Dj at the start finds Đ") << "Djavo"
                                             << "đavo" << true << "đavo";
    QTest::newRow("two dj, one đ") << "medjudjelo"
                                   << "međudjelo" << true << "međudjelo";
    QTest::newRow("č typed finds only č") << "čovjek"
                                          << "covjek" << false << "";
    QTest::newRow("č typed does not find ć") << "ćuti"
                                             << "čuti" << false << "";
    QTest::newRow("đ typed does not find dj") << "rođen"
                                              << "rodjen" << false << "";
    QTest::newRow("c does not find k") << "covjek"
                                       << "kovjek" << false << "";
    QTest::newRow("no mark letters: plain") << "Allah"
                                            << "zbog Allaha" << true << "Allah";
    QTest::newRow("dj does not find a lone d") << "rodjen"
                                               << "roden" << false << "";
    QTest::newRow("star keeps its meaning") << "s*n"
                                            << "šejtan" << true << "šejtan";
    QTest::newRow("question mark, one letter") << "c?vjek"
                                               << "čovjek" << true << "čovjek";
    QTest::newRow("list widened") << "[c]ovjek"
                                  << "ćovjek" << true << "ćovjek";
    QTest::newRow("negated list widened") << "[!c]ovjek"
                                          << "čovjek" << false << "";
    QTest::newRow("range widened") << "[a-e]ovjek"
                                   << "čovjek" << true << "čovjek";
    QTest::newRow("match stays in one paragraph") << "s*n" << QString::fromUtf8("š\u2029n") << false << "";
}

void TestVerseQuery::markFreeMatching()
{
    QFETCH(QString, word);
    QFETCH(QString, text);
    QFETCH(bool, matches);
    QFETCH(QString, coloured);
    const QStringList forms = markFreeForms(word);
    QVERIFY(!forms.isEmpty());
    bool stored = false;
    for (const QString &form : forms) {
        data::jet::LikePattern like;
        QString error;
        QVERIFY2(
            data::jet::LikePattern::compile(QStringLiteral("*") + form + QStringLiteral("*"), &like, &error),
            qPrintable(form + QStringLiteral(": ") + error));
        // The store's text holds no paragraph separators; the view's does, between ayahs.
        if (!text.contains(QChar::ParagraphSeparator))
            stored = stored || like.matches(text);
    }
    if (!text.contains(QChar::ParagraphSeparator))
        QCOMPARE(stored, matches);
    const QRegularExpression rx = markFreeExpression(forms);
    QVERIFY2(rx.isValid(), qPrintable(rx.errorString()));
    const QRegularExpressionMatch m = rx.match(text);
    QCOMPARE(m.hasMatch(), matches);
    QCOMPARE(m.captured(), coloured);
}

void TestVerseQuery::markFreeQuery_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("restrict");
    QTest::addColumn<QString>("sql");
    QTest::addColumn<QStringList>("words");

    QTest::newRow("no mark letters: today's query")
        << "Allah" << false << "SELECT * FROM kuran WHERE tekstajet LIKE '*Allah*'" << QStringList{"Allah"};
    QTest::newRow("lists for c") << "covjek" << false
                                 << "SELECT * FROM kuran WHERE tekstajet LIKE '*[cčć]ovjek*'"
                                 << QStringList{"covjek"};
    QTest::newRow("dj: two forms in parentheses, then the next word and the surah")
        << "rodjen&Isa" << true
        << "SELECT * FROM kuran WHERE (tekstajet LIKE '*ro[dđ]jen*' OR tekstajet LIKE '*rođen*') AND "
           "tekstajet "
           "LIKE '*I[sš]a*' and nrsure=19"
        << QStringList{"rodjen", "Isa"};
    QTest::newRow("apostrophe doubled in every form")
        << "Kur'an dj" << false
        << "SELECT * FROM kuran WHERE (tekstajet LIKE '*Kur''an [dđ]j*' OR tekstajet LIKE '*Kur''an đ*')"
        << QStringList{"Kur'an dj"};
    QTest::newRow("empty word matches all")
        << "Allah&" << false << "SELECT * FROM kuran WHERE tekstajet LIKE '*Allah*' AND tekstajet LIKE '**'"
        << QStringList{"Allah", ""};
}

void TestVerseQuery::markFreeQuery()
{
    QFETCH(QString, text);
    QFETCH(bool, restrict);
    QFETCH(QString, sql);
    QFETCH(QStringList, words);
    FjalKerkim list;
    const VerseQuery q = buildVerseQuery(text, restrict, QStringLiteral("19"), list, true);
    QVERIFY(q.ok);
    QCOMPARE(q.sql, sql);
    QCOMPARE(list.Count(), words.size());
    for (int i = 0; i < words.size(); ++i)
        QCOMPARE(list.Item(i + 1)->Text(), words.at(i));
    // The text goes through the store's dialect as it stands.
    data::jet::SelectStatement statement;
    QString error;
    QVERIFY2(data::jet::parseSelect(q.sql, &statement, &error), qPrintable(error));
}

void TestVerseQuery::markFreeTooManyForms()
{
    // Each dj doubles the forms: six make 64, the most one word may make; a seventh is refused
    // before any form is built, so that a pasted text cannot make millions of them.
    QCOMPARE(markFreeForms(QStringLiteral("djdjdjdjdjdj")).size(), kMaxMarkFreeForms);
    QVERIFY(markFreeForms(QStringLiteral("djdjdjdjdjdjdj")).isEmpty());
    QVERIFY(markFreeForms(QString(100000, QLatin1Char('d')) + QStringLiteral("j")).size() == 2);
    FjalKerkim list;
    list.Add(QStringLiteral("old"));
    const VerseQuery q =
        buildVerseQuery(QStringLiteral("Musa&djdjdjdjdjdjdj"), false, QStringLiteral("1"), list, true);
    QVERIFY(!q.ok);
    QCOMPARE(q.tooManyForms, QStringLiteral("djdjdjdjdjdjdj"));
    QCOMPARE(list.Count(), 1);
}

QTEST_APPLESS_MAIN(TestVerseQuery)
#include "tst_versequery.moc"
