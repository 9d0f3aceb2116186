#include "data/JetSql.h"
#include "search/FindText.h"
#include "search/MarkFreeWords.h"
#include "search/VerseQuery.h"

#include <QTest>

using namespace velmora;

class TestVerseQuery : public QObject {
    Q_OBJECT
private slots:
    // The typed text split at "&" into the word list (as typed, for the colouring) and the query
    // (quotes doubled).
    void query_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("restrict");
        QTest::addColumn<QString>("surah");
        QTest::addColumn<QString>("sql");
        QTest::addColumn<QStringList>("words");
        const QString q = QStringLiteral("SELECT * FROM kuran WHERE tekstajet LIKE '*");
        const QString and_ = QStringLiteral("*' AND tekstajet LIKE '*");
        QTest::newRow("Allah") << "Allah" << false << "1" << q + "Allah*'" << QStringList{"Allah"};
        QTest::newRow("Musa&Harun in surah 20")
            << "Musa&Harun" << true << "20" << q + "Musa" + and_ + "Harun*' and nrsure=20"
            << QStringList{"Musa", "Harun"};
        QTest::newRow("apostrophe doubled in the query only")
            << "Kur'an" << false << "1" << q + "Kur''an*'" << QStringList{"Kur'an"};
        QTest::newRow("apostrophe with two words")
            << "Kur'an&Musa" << false << "1" << q + "Kur''an" + and_ + "Musa*'"
            << QStringList{"Kur'an", "Musa"};
        QTest::newRow("blanks kept") << "Allah & Musa" << false << "1" << q + "Allah " + and_ + " Musa*'"
                                     << QStringList{"Allah ", " Musa"};
        QTest::newRow("empty word matches all")
            << "Allah&" << false << "1" << q + "Allah" + and_ + "*'" << QStringList{"Allah", ""};
        QTest::newRow("separator at the start")
            << "&Allah" << false << "1" << q + and_ + "Allah*'" << QStringList{"", "Allah"};
        QTest::newRow("two separators")
            << "a&&b" << false << "1" << q + "a" + and_ + and_ + "b*'" << QStringList{"a", "", "b"};
        QTest::newRow("only a separator") << "&" << false << "1" << q + and_ + "*'" << QStringList{"", ""};
        QTest::newRow("leading zero surah is a number")
            << "Allah" << true << "02" << q + "Allah*' and nrsure=02" << QStringList{"Allah"};
        // A surah box that does not hold a surah number builds no query.
        QTest::newRow("surah name instead of number")
            << "Allah" << true << "Fatiha" << QString() << QStringList{};
        QTest::newRow("injection through the surah box")
            << "Allah" << true << "1 or 1=1" << QString() << QStringList{};
        QTest::newRow("surah 115") << "Allah" << true << "115" << QString() << QStringList{};
        QTest::newRow("surah 0") << "Allah" << true << "0" << QString() << QStringList{};
        QTest::newRow("empty surah") << "Allah" << true << QString() << QString() << QStringList{};
    }

    void query()
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
        QCOMPARE(list.Count(), words.size()); // the earlier search's word is gone
        for (int i = 0; i < words.size(); ++i)
            QCOMPARE(list.Item(i + 1)->Text(), words.at(i));
        QVERIFY(list.Item(0) == nullptr && list.Item(list.Count() + 1) == nullptr);
    }

    void summary_data()
    {
        QTest::addColumn<int>("count");
        QTest::addColumn<bool>("restrict");
        QTest::addColumn<QString>("expected");
        QTest::newRow("none") << 0 << false << "Nije pronađen neki ajet koji sadrži izraz Musa&Harun";
        QTest::newRow("none in surah") << 0 << true << "U suri Taha se ne pominje izraz Musa&Harun";
        QTest::newRow("one") << 1 << false
                             << "Pronađen je samo jedan ajet u kojem se spominje izraz Musa&Harun:";
        QTest::newRow("one in surah, no colon")
            << 1 << true << "U suri Taha pronađen je samo jedan ajet u kojem se spominje izraz Musa&Harun";
        QTest::newRow("many") << 1885 << false
                              << "Ukupno je pronađeno 1885 ajeta u kojima se spominje izraz Musa&Harun:";
        QTest::newRow("two in surah")
            << 2 << true << "Ukupno je pronađeno 2 ajeta u suri Taha u kojima se spominje izraz Musa&Harun:";
    }

    void summary()
    {
        QFETCH(int, count);
        QFETCH(bool, restrict);
        QTEST(summaryLine(count, QStringLiteral("Musa&Harun"), restrict, QStringLiteral("Taha")), "expected");
    }

    void listing()
    {
        const QString lines = ayahLine(QStringLiteral("2"), QStringLiteral("255"), QStringLiteral("Allah"));
        QCOMPARE(lines, QStringLiteral("2:255.\tAllah\r\n"));
        const QString text = listingText(QStringLiteral("S"), lines);
        QCOMPARE(text,
                 QStringLiteral("\r\nS\r\n* * * * * * * * * * * * * * * * * * *\r\n\r\n2:255.\tAllah\r\n"));
        QCOMPARE(waitingText(), QStringLiteral("Ustrpite se...\r\n...traženje je u toku..."));
    }

    void backward_data()
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
        QTest::newRow("letters beyond ASCII in either case") << "a čovjek i ČOVJEK" << 19 << "Čovjek" << 11;
        QTest::newRow("word ending the text") << "je allah" << 10 << "ALLAH" << 3;
        QTest::newRow("word longer than the text") << "ja" << 4 << "jaja" << -1;
        QTest::newRow("letter whose capital is two letters") << "straße" << 8 << "ß" << 4;
    }

    void backward()
    {
        QFETCH(QString, text);
        QFETCH(int, caret);
        QFETCH(QString, what);
        QTEST(scanBackward(text, caret, what), "expected");
    }

    // A typed word against an ayah's text with "Bez kvačica" ticked: whether the store's LIKE of
    // the word's forms matches, and whether the colouring's expression finds the same thing.
    void markFreeMatching_data()
    {
        QTest::addColumn<QString>("word");
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("matches");
        QTest::addColumn<QString>("coloured"); // what the expression finds first, when it matches

        const char *rows[][4] = {
            {"c finds č", "covjek", "i čovjeku je dato", "čovjek"},
            {"c finds ć", "kuc", "u kući", "kuć"},
            {"c finds c", "sunce", "Sunce i Mjesec", "Sunce"},
            {"upper C finds lower č", "COVJEK", "čovjek", "čovjek"},
            {"lower c finds upper Č", "covjek", "ČOVJEK", "ČOVJEK"},
            {"s finds š", "sejtan", "i šejtan ih je", "šejtan"},
            {"z finds ž", "zena", "žena njegova", "žena"},
            {"dz finds dž", "dzennet", "u Džennet", "Džennet"},
            {"d finds đ", "roden", "koji je rođen", "rođen"},
            {"dj finds đ", "rodjen", "koji je rođen", "rođen"},
            {"dj finds dj", "rodjen", "koji je rodjen", "rodjen"},
            {"Dj at the start finds Đ", "Djavo", "đavo", "đavo"},
            {"two dj, one đ", "medjudjelo", "međudjelo", "međudjelo"},
            {"č typed finds only č", "čovjek", "covjek", ""},
            {"č typed does not find ć", "ćuti", "čuti", ""},
            {"đ typed does not find dj", "rođen", "rodjen", ""},
            {"c does not find k", "covjek", "kovjek", ""},
            {"no mark letters: plain", "Allah", "zbog Allaha", "Allah"},
            {"dj does not find a lone d", "rodjen", "roden", ""},
            {"star keeps its meaning", "s*n", "šejtan", "šejtan"},
            {"question mark, one letter", "c?vjek", "čovjek", "čovjek"},
            {"list widened", "[c]ovjek", "ćovjek", "ćovjek"},
            {"negated list widened", "[!c]ovjek", "čovjek", ""},
            {"range widened", "[a-e]ovjek", "čovjek", "čovjek"},
            {"match stays in one paragraph", "s*n", "š\u2029n", ""},
        };
        for (const auto &[name, word, text, coloured] : rows) {
            QTest::newRow(name) << QString::fromUtf8(word) << QString::fromUtf8(text) << (*coloured != 0)
                                << QString::fromUtf8(coloured);
        }
    }

    void markFreeMatching()
    {
        QFETCH(QString, word);
        QFETCH(QString, text);
        QFETCH(bool, matches);
        const QStringList forms = markFreeForms(word);
        QVERIFY(!forms.isEmpty());
        bool stored = false;
        for (const QString &form : forms) {
            data::jet::LikePattern like;
            QString error;
            QVERIFY2(data::jet::LikePattern::compile(QStringLiteral("*") + form + QStringLiteral("*"), &like,
                                                     &error),
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
        QTEST(m.captured(), "coloured");
    }

    // With "Bez kvačica" each word is its forms joined by OR; the word list holds the words as typed.
    void markFreeQuery_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("restrict");
        QTest::addColumn<QString>("sql");
        const QString q = QStringLiteral("SELECT * FROM kuran WHERE ");
        QTest::newRow("no mark letters: today's query") << "Allah" << false << q + "tekstajet LIKE '*Allah*'";
        QTest::newRow("lists for c") << "covjek" << false << q + "tekstajet LIKE '*[cčć]ovjek*'";
        QTest::newRow("dj: two forms in parentheses, then the next word and the surah")
            << "rodjen&Isa" << true
            << q + "(tekstajet LIKE '*ro[dđ]jen*' OR tekstajet LIKE '*rođen*') AND tekstajet LIKE '*I[sš]a*' "
                   "and nrsure=19";
        QTest::newRow("apostrophe doubled in every form")
            << "Kur'an dj" << false
            << q + "(tekstajet LIKE '*Kur''an [dđ]j*' OR tekstajet LIKE '*Kur''an đ*')";
        QTest::newRow("empty word matches all")
            << "Allah&" << false << q + "tekstajet LIKE '*Allah*' AND tekstajet LIKE '**'";
    }

    void markFreeQuery()
    {
        QFETCH(QString, text);
        QFETCH(bool, restrict);
        FjalKerkim list;
        const VerseQuery q = buildVerseQuery(text, restrict, QStringLiteral("19"), list, true);
        QVERIFY(q.ok);
        QTEST(q.sql, "sql");
        const QStringList words = text.split(QLatin1Char('&'));
        QCOMPARE(list.Count(), words.size());
        for (int i = 0; i < words.size(); ++i)
            QCOMPARE(list.Item(i + 1)->Text(), words.at(i));
        // The text goes through the store's dialect as it stands.
        data::jet::SelectStatement statement;
        QString error;
        QVERIFY2(data::jet::parseSelect(q.sql, &statement, &error), qPrintable(error));
    }

    void markFreeTooManyForms()
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
};

QTEST_APPLESS_MAIN(TestVerseQuery)
#include "tst_versequery.moc"
