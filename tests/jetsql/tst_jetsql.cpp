#include "data/JetSql.h"

#include <QtTest>

#include <sqlite3.h>

using namespace velmora::data::jet;

namespace {

// A small store in memory with the program's tables, the rows of kuran deliberately not in
// surah, ayah order so that an unwanted sort shows.
const char *const kSchema =
    "CREATE TABLE sure (Numri INTEGER NOT NULL, EmriArapisht TEXT, EmriBoshnjakisht TEXT, \"Nr i ajeteve\" "
    "INTEGER);"
    "CREATE UNIQUE INDEX numri ON sure(Numri);"
    "CREATE INDEX emriboshnjakisht ON sure(EmriBoshnjakisht);"
    "CREATE TABLE kuran (nrsure INTEGER NOT NULL, nrajet INTEGER NOT NULL, tekstajet TEXT);"
    "CREATE UNIQUE INDEX kuran_mjesto ON kuran(nrsure, nrajet);"
    "CREATE TABLE klasifikim (nrsure INTEGER, emrsure TEXT, ajetet TEXT, tema TEXT);"
    "INSERT INTO sure VALUES (1,'al-Fatiha','Fatiha',7),(2,'al-Baqara','Bekare',286),"
    " (3,'Al Imran','Ali-''Imran',200),(107,'al-Maun','El-Ma''un',7),(108,'al-Kawthar','El-Kevser',3);"
    "INSERT INTO kuran VALUES (1,1,'U ime Allaha'),(1,2,'Hvala Allahu'),(2,255,'Allah je – Živi i Vječni'),"
    " (2,30,'Čovjek'),(3,1,'Elif Lam Mim'),(107,1,'Vidiš li onoga'),(108,1,'Mi smo ti dali Kevser \"1\"');"
    "INSERT INTO klasifikim VALUES (2,'Bekare','255','Allahova jednoća'),(2,'Bekare','30','Čovjek'),"
    " (1,'Fatiha','1-7','Dova'),(3,NULL,'1','Elif'),(1,'Fatiha','5','dova');";

// One test row: its name, two texts and, where the test has one, a number.
struct Row {
    const char *name, *a, *b;
    int n = 0;
};

void addRows(const char *columnA, const char *columnB, std::initializer_list<Row> rows,
             const char *columnN = nullptr)
{
    QTest::addColumn<QString>(columnA);
    QTest::addColumn<QString>(columnB);
    if (columnN)
        QTest::addColumn<int>(columnN);
    for (const Row &r : rows) {
        auto &row = QTest::newRow(r.name) << QString::fromUtf8(r.a) << QString::fromUtf8(r.b);
        if (columnN)
            row << r.n;
    }
}

} // namespace

class TestJetSql : public QObject {
    Q_OBJECT

    sqlite3 *m_db = nullptr;
    Schema m_schema;

    // Runs SQLite text with the parameters of a translation; rows as "a|b" joined by ";".
    QString run(const QString &sql, const QVariantList &params, QString *error)
    {
        sqlite3_stmt *st = nullptr;
        if (sqlite3_prepare_v2(m_db, sql.toUtf8().constData(), -1, &st, nullptr) != SQLITE_OK) {
            *error = QString::fromUtf8(sqlite3_errmsg(m_db));
            return QString();
        }
        for (int k = 0; k < params.size(); ++k) {
            const QVariant &v = params[k];
            if (v.typeId() == QMetaType::LongLong) {
                sqlite3_bind_int64(st, k + 1, v.toLongLong());
            } else if (v.typeId() == QMetaType::Double) {
                sqlite3_bind_double(st, k + 1, v.toDouble());
            } else {
                const QByteArray b = v.toString().toUtf8();
                sqlite3_bind_text(st, k + 1, b.constData(), int(b.size()), SQLITE_TRANSIENT);
            }
        }
        QStringList rows;
        int rc;
        while ((rc = sqlite3_step(st)) == SQLITE_ROW) {
            QStringList row;
            for (int c = 0; c < sqlite3_column_count(st); ++c)
                row << QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_column_text(st, c)));
            rows << row.join(u'|');
        }
        if (rc != SQLITE_DONE)
            *error = QString::fromUtf8(sqlite3_errmsg(m_db));
        sqlite3_finalize(st);
        return rows.join(u';');
    }

private slots:
    void initTestCase()
    {
        QCOMPARE(sqlite3_open(":memory:", &m_db), SQLITE_OK);
        QVERIFY(registerJetFunctions(m_db));
        char *msg = nullptr;
        QVERIFY2(sqlite3_exec(m_db, kSchema, nullptr, nullptr, &msg) == SQLITE_OK, msg);
        QString err;
        QVERIFY2(Schema::read(m_db, &m_schema, &err), qPrintable(err));
    }

    void cleanupTestCase() { sqlite3_close(m_db); }
    // Query texts and the rows they give on the store in memory, or "!" and a part of the reason
    // they are refused.
    void translation_data()
    {
        addRows(
            "jet", "rows",
            {
                {"number meets And", "select * FROM kuran where nrsure = 2And nrajet = 255",
                 "2|255|Allah je – Živi i Vječni"},
                {"table order kept", "select nrajet from kuran where nrsure = 2", "255;30"},
                {"order by desc",
                 "SELECT nrsure, nrajet FROM kuran WHERE nrsure <= 2 ORDER BY nrsure DESC, nrajet",
                 "2|30;2|255;1|1;1|2"},
                {"order by descending asc",
                 "SELECT numri FROM sure ORDER BY [Nr i ajeteve] DESCENDING, numri ASC", "2;3;1;107;108"},
                {"order by text ignores case",
                 "SELECT tema FROM klasifikim WHERE nrsure = 1 ORDER BY tema, ajetet", "Dova;dova"},
                {"joins as Access writes them",
                 "SELECT s.EmriBoshnjakisht, k.nrajet FROM (sure AS s INNER JOIN kuran AS k ON s.Numri = "
                 "k.nrsure) "
                 "INNER JOIN klasifikim ON (klasifikim.nrsure = k.nrsure AND klasifikim.ajetet = '30')",
                 "Bekare|255;Bekare|30"},
                {"left join",
                 "SELECT sure.Numri, kuran.nrajet FROM sure LEFT JOIN kuran ON (sure.Numri = kuran.nrsure "
                 "AND "
                 "kuran.nrajet > 100)",
                 "1|;2|255;3|;107|;108|"},
                {"right outer join",
                 "SELECT k.nrajet, s.Numri FROM kuran k RIGHT OUTER JOIN sure s ON s.numri = k.nrsure WHERE "
                 "s.numri > 100",
                 "1|107;1|108"},
                {"comma join",
                 "SELECT sure.numri, kuran.nrajet FROM sure, kuran WHERE sure.numri = kuran.nrsure AND "
                 "nrajet = "
                 "30",
                 "2|30"},
                {"bracketed names", "SELECT sure.[Nr i ajeteve] FROM [sure] WHERE [numri] = 1", "7"},
                {"keywords in any case, blanks of any kind", "sElEcT nUmRi\tfRoM\r\nSURE wHeRe NUMRI = 2",
                 "2"},
                {"is null, is not null",
                 "SELECT nrsure FROM klasifikim WHERE emrsure IS NULL OR (emrsure IS NOT NULL AND ajetet = "
                 "'1-7')",
                 "1;3"},
                {"not or parentheses", "SELECT numri FROM sure WHERE NOT (numri = 1 OR numri > 100)", "2;3"},
                {"text between ignores case",
                 "SELECT numri FROM sure WHERE EmriBoshnjakisht > 'BEKARE' AND EmriBoshnjakisht < 'fatiha'",
                 "107;108"},
                {"unicode equality", "SELECT nrajet FROM kuran WHERE tekstajet = 'čOVJEK'", "30"},
                {"like digit on a number", "SELECT numri FROM sure WHERE numri LIKE '1#*'", "107;108"},
                {"like negated range", "SELECT numri FROM sure WHERE EmriBoshnjakisht LIKE '[!a-e]*'", "1"},
                {"like doubled double quote", "SELECT nrsure FROM kuran WHERE tekstajet LIKE \"*\"\"1\"\"*\"",
                 "108"},
                {"not like", "SELECT numri FROM sure WHERE EmriBoshnjakisht NOT LIKE '*a*'", "108"},
                {"like a column", "SELECT numri FROM sure WHERE EmriBoshnjakisht LIKE EmriBoshnjakisht",
                 "1;2;3;107;108"},
                {"booleans", "SELECT numri FROM sure WHERE numri < 3 AND Yes AND True AND NOT No", "1;2"},
                {"numbers", "SELECT numri FROM sure WHERE numri > -1 AND numri > .5 AND numri < 0.25e1",
                 "1;2"},
                {"double quoted literal", "SELECT numri FROM sure WHERE EmriBoshnjakisht = \"El-Ma'un\"",
                 "107"},
                {"equal to null never true", "SELECT nrsure FROM klasifikim WHERE emrsure = NULL", ""},
                {"or 1=1 stays in its table",
                 "select nrsure, emrsure, ajetet from klasifikim where ((tema = \"\" or \"1\"=\"1\"));",
                 "2|Bekare|255;2|Bekare|30;1|Fatiha|1-7;3||1;1|Fatiha|5"},
                {"quote games", "SELECT numri FROM sure WHERE EmriBoshnjakisht = 'x'' OR ''1''=''1'", ""},
                {"semicolon and dashes",
                 "SELECT numri FROM sure WHERE EmriBoshnjakisht = '''; DROP TABLE sure; --'", ""},
                {"unclosed single quote", "SELECT * FROM sure WHERE EmriBoshnjakisht = 'abc",
                 "!nije zatvoren"},
                {"quote in a name", "SELECT * FROM sure WHERE emriboshnjakisht='Ali-'Imran'",
                 "!nije zatvoren"},
                {"unclosed bracket", "SELECT [Nr i FROM sure", "!nije zatvoren"},
                {"empty bracket", "SELECT [] FROM sure", "!prazno ime"},
                {"nested bracket", "SELECT [a[b] FROM sure", "!uglaste zagrade"},
                {"sub-select in WHERE", "SELECT * FROM sure WHERE numri = (SELECT 1 FROM sure)", "!Podupiti"},
                {"sub-select in FROM", "SELECT * FROM (SELECT * FROM sure)", "!Podupiti"},
                {"exists", "SELECT * FROM sure WHERE EXISTS (SELECT 1 FROM sure)", "!Podupiti (EXISTS)"},
                {"function in WHERE", "SELECT * FROM sure WHERE len(EmriBoshnjakisht) = 6",
                 "!Funkcije nisu podržane"},
                {"function in the columns", "SELECT count(*) FROM sure", "!Funkcije nisu podržane"},
                {"union", "SELECT * FROM sure UNION SELECT * FROM sure", "!Upiti UNION"},
                {"insert", "INSERT INTO sure VALUES (1)", "!samo upiti SELECT"},
                {"two statements", "SELECT * FROM sure; SELECT * FROM kuran", "!Iza kraja SQL naredbe"},
                {"drop in a name", "SELECT * FROM sure WHERE emriboshnjakisht=''; DROP TABLE kuran --'",
                 "!nije zatvoren"},
                {"comment", "SELECT * FROM sure -- x", "!komentari"},
                {"unknown table", "SELECT * FROM suree", "!Ulazna tabela ili upit"},
                {"the store's own catalogue", "SELECT * FROM sqlite_master", "!ne može se pronaći"},
                {"unknown column", "SELECT * FROM sure WHERE nrsure = 1", "!Nepoznato polje"},
                {"unknown column in ORDER BY", "SELECT * FROM sure ORDER BY nema", "!Nepoznato polje"},
                {"unknown qualifier", "SELECT * FROM sure WHERE k.numri = 1", "!Nepoznata tabela"},
                {"table name hidden by alias", "SELECT * FROM sure s WHERE sure.numri = 1",
                 "!Nepoznata tabela"},
                {"ambiguous column",
                 "SELECT * FROM kuran INNER JOIN klasifikim ON kuran.nrsure = klasifikim.nrsure WHERE nrsure "
                 "= 1",
                 "!više tabela"},
                {"number column and text", "SELECT * FROM kuran WHERE nrsure = 'abc'",
                 "!Nepodudaranje tipova podataka u izrazu uslova."},
                {"number column and digits in quotes", "SELECT * FROM kuran WHERE nrsure = '2'",
                 "!Nepodudaranje tipova"},
                {"text column and number", "SELECT * FROM kuran WHERE tekstajet = 5",
                 "!Nepodudaranje tipova"},
                {"text column and True", "SELECT * FROM kuran WHERE tekstajet <> True",
                 "!Nepodudaranje tipova"},
                {"text as a condition", "SELECT * FROM kuran WHERE tekstajet", "!Nepodudaranje tipova"},
                {"join on mismatched columns",
                 "SELECT * FROM sure INNER JOIN kuran ON sure.EmriBoshnjakisht = kuran.nrsure",
                 "!Nepodudaranje tipova"},
                {"unclosed bracket in pattern", "SELECT * FROM kuran WHERE tekstajet LIKE '*[*'",
                 "!nije zatvoren"},
                {"backwards range", "SELECT * FROM kuran WHERE tekstajet LIKE '[z-a]'", "!unazad"},
                {"group by", "SELECT numri FROM sure GROUP BY numri", "!GROUP BY nije"},
                {"in list", "SELECT * FROM sure WHERE numri IN (1,2)", "!Liste IN"},
                {"arithmetic", "SELECT * FROM sure WHERE numri + 1 = 2", "!Računske operacije"},
                {"concatenation", "SELECT * FROM sure WHERE EmriBoshnjakisht & 'x' = 'y'",
                 "!Računske operacije"},
                {"date literal", "SELECT * FROM sure WHERE numri = #1/1/2000#", "!Datumske vrijednosti"},
                {"not equal C style", "SELECT * FROM sure WHERE numri != 1", "!piše <>"},
                {"top percent", "SELECT TOP 10 PERCENT * FROM sure", "!PERCENT nije"},
                {"empty", " \n ", "!prazan"},
                {"missing FROM", "SELECT *", "!očekuje se FROM"},
                {"duplicate alias", "SELECT numri AS a, EmriBoshnjakisht AS a FROM sure", "!se ponavlja"},
                {"join without ON", "SELECT * FROM sure INNER JOIN kuran", "!očekuje se ON"},
                {"plain JOIN", "SELECT * FROM sure JOIN kuran ON numri = nrsure", "!Sintaksna greška"},
                {"dangling AND", "SELECT * FROM sure WHERE numri = 1 AND", "!prerano"},
                {"other database", "SELECT * FROM main.sure", "!drugih baza"},
            });
        const QString where = QStringLiteral("SELECT numri FROM sure WHERE ");
        QTest::newRow("long literal")
            << where + "EmriBoshnjakisht = '" + QString(10000, u'a') + '\'' << QString();
        QTest::newRow("NUL") << where + "EmriBoshnjakisht = 'a" + QChar(0) + '\''
                             << QStringLiteral("!znak NUL");
        QTest::newRow("deep parentheses") << where + QString(5000, u'(') + "numri = 1" + QString(5000, u')')
                                          << QStringLiteral("!duboko ugniježđen");
        QTest::newRow("long NOT chain") << where + QStringLiteral("NOT ").repeated(3000) + "numri = 1"
                                        << QStringLiteral("!duboko ugniježđen");
        QTest::newRow("long table name")
            << "SELECT * FROM " + QString(10000, u'a') << QStringLiteral("!ne može se pronaći");
        // Long chains of conditions are read and written in a loop, up to the store's limit.
        const auto chain = [](const QString &term, const char *joint, int count) {
            QStringList terms;
            for (int k = 0; k < count; ++k)
                terms << term.arg(k);
            return terms.join(QLatin1String(joint));
        };
        QTest::newRow("800 conditions joined by AND")
            << where + chain(QStringLiteral("EmriBoshnjakisht LIKE '*a*'"), " AND ", 800)
            << QStringLiteral("1;2;3;107");
        QTest::newRow("800 conditions joined by OR")
            << where + chain(QStringLiteral("numri = %1"), " OR ", 800) << QStringLiteral("1;2;3;107;108");
        QTest::newRow("AND chains inside an OR chain")
            << where + chain(QStringLiteral("(numri > 100 AND numri < 108 AND numri <> %1)"), " OR ", 250)
            << QStringLiteral("107");
        QTest::newRow("parenthesised chains of one kind")
            << where + "((numri > 1 AND numri < 100) AND (NOT numri = 3 AND (numri > 0)))"
            << QStringLiteral("2");
        QTest::newRow("801 conditions") << where + chain(QStringLiteral("numri = %1"), " OR ", 801)
                                        << QStringLiteral("!najviše ih može biti 800");
        QTest::newRow("15,000 conditions joined by AND")
            << where + chain(QStringLiteral("1"), " AND ", 15000) << QStringLiteral("!previše uslova");
        QTest::newRow("65 tables") << "SELECT * FROM " + chain(QStringLiteral("sure AS s%1"), ", ", 65)
                                   << QStringLiteral("!najviše 64 tabela");
    }

    void translation()
    {
        QFETCH(QString, jet);
        QFETCH(QString, rows);
        QString sql, viewSql, err, viewErr;
        QVariantList params;
        const bool ok = translateToSqlite(jet, m_schema, &sql, &params, &err);
        // A saved query becomes a view: the same text with its literals written out.
        QCOMPARE(translateToSqliteView(jet, m_schema, &viewSql, &viewErr), ok);
        QCOMPARE(viewErr, err);
        if (rows.startsWith(u'!')) {
            QVERIFY(!ok && sql.isEmpty());
            QVERIFY2(err.contains(rows.mid(1), Qt::CaseInsensitive), qPrintable(err));
            return;
        }
        QVERIFY2(ok, qPrintable(err));
        // Every literal reaches SQLite as a parameter: the text holds none.
        QVERIFY2(!sql.contains(u'\'') && !sql.contains(QLatin1String("DROP")), qPrintable(sql));
        QCOMPARE(sql.count(u'?'), params.size());
        QCOMPARE(run(sql, params, &err), rows);
        QVERIFY2(err.isEmpty(), qPrintable(err));
        QVERIFY2(!viewSql.contains(u'?'), qPrintable(viewSql));
        char *msg = nullptr;
        const QByteArray create = "CREATE TEMP VIEW v AS " + viewSql.toUtf8();
        QVERIFY2(sqlite3_exec(m_db, create.constData(), nullptr, nullptr, &msg) == SQLITE_OK, msg);
        QCOMPARE(run(QStringLiteral("SELECT * FROM v"), {}, &err), rows);
        QCOMPARE(sqlite3_exec(m_db, "DROP VIEW v", nullptr, nullptr, nullptr), SQLITE_OK);
    }

    void fieldNames_data()
    {
        addRows("jet", "names",
                {
                    {"star in the store's letter case", "select * from SURE",
                     "Numri|EmriArapisht|EmriBoshnjakisht|Nr i ajeteve"},
                    {"columns and alias", "SELECT NUMRI, [nr i ajeteve] AS N FROM sure", "Numri|N"},
                    {"table star", "SELECT k.*, s.Numri FROM sure s INNER JOIN kuran k ON s.numri = k.nrsure",
                     "nrsure|nrajet|tekstajet|Numri"},
                    {"same column of two tables",
                     "SELECT * FROM kuran INNER JOIN klasifikim ON kuran.nrsure = klasifikim.nrsure",
                     "kuran.nrsure|nrajet|tekstajet|klasifikim.nrsure|emrsure|ajetet|tema"},
                    {"values", "SELECT 'x' AS a, 5, numri FROM sure", "a|Expr1000|Numri"},
                });
    }

    void fieldNames()
    {
        QFETCH(QString, jet);
        Translation t;
        QString err;
        QVERIFY2(translate(jet, m_schema, &t, &err), qPrintable(err));
        QStringList got;
        for (const FieldInfo &f : t.fields)
            got << f.name;
        QTEST(got.join(u'|'), "names");
        run(t.sql, t.params, &err);
        QVERIFY2(err.isEmpty(), qPrintable(err));
    }

    void likePatterns_data()
    {
        addRows(
            "pattern", "text",
            {
                {"star around", "*Allah*", "U ime Allaha", 1},
                {"exact", "Fatiha", "fatiha", 1},
                {"unicode case", "*čovjek*", "ČOVJEK je", 1},
                {"accents count", "*covjek*", "čovjek", 0},
                {"question mark", "F?tiha", "Fatiha", 1},
                {"question mark needs a character", "Fatiha?", "Fatiha", 0},
                {"surrogate pair is one character", "?", "\U0001D400", 1},
                {"hash digit", "s#a#", "s2a5", 1},
                {"hash not a letter", "s#", "sa", 0},
                {"set", "[abc]x", "Bx", 1},
                {"negated set", "[!abc]x", "dx", 1},
                {"range", "[a-f]*", "Fatiha", 1},
                {"bracketed star is literal", "a[*]b", "a*b", 1},
                {"open bracket in set", "[[]x", "[x", 1},
                {"hyphen at the end of a set", "[a-]", "-", 1},
                {"back-tracking", "*a*b*c", "xxaxxbxxbxxc", 1},
                {"back-tracking fails", "*a*b*c", "xxaxxbxxcxxb", 0},
                // Plain contains patterns take a fast path over the text in blocks.
                {"contains across blocks", "*allah*", "xxxxxxxxxxxxxxALLAHyyyyyyyyyyyyyyyyyyyy", 1},
                {"contains after many false starts", "*ab*", "AAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAB", 1},
                {"contains with a near miss", "*čovjek*", "xxxxxxxxxxxxxxxxxxxxČOVJE", 0},
                {"Kelvin sign folds to k", "*kur*", "Mi ga objavljujemo kao \u212Aur'an", 1},
                {"long s first in a long text", "*sura*", "\u017FURAxxxxxxxxxxxxxxxxxxxxxxxxxxxxxx", 1},
                {"lead byte of another letter", "*sura*", "\u0161uraxxxxxxxxxxxxxxxxxxxxxxxxxxxxxx", 0},
            },
            "match");
        QTest::newRow("long text") << QStringLiteral("*b")
                                   << QString(10000, QLatin1Char('a')) + QLatin1Char('b') << 1;
    }

    void likePatterns()
    {
        QFETCH(QString, pattern);
        QFETCH(QString, text);
        QFETCH(int, match);
        LikePattern p;
        QString err;
        QVERIFY2(LikePattern::compile(pattern, &p, &err), qPrintable(err));
        QCOMPARE(p.matches(text), bool(match));
        const QByteArray utf8 = text.toUtf8();
        QCOMPARE(p.matchesUtf8(utf8.constData(), int(utf8.size())), bool(match));
    }

    void textComparison_data()
    {
        addRows("a", "b",
                {
                    {"ASCII case", "FATIHA", "Fatiha", 0},
                    {"Bosnian letters", "čovjek", "Čovjek", 0},
                    {"Cyrillic", "ЖИВИ", "живи", 0},
                    {"Greek final sigma folds", "ΣΑ", "σα", 0},
                    {"accents differ", "covjek", "čovjek", -1},
                    {"prefix is smaller", "Fat", "fatiha", -1},
                    {"order ignores case", "bekare", "ALI", 1},
                },
                "sign");
    }

    void textComparison()
    {
        QFETCH(QString, a);
        QFETCH(QString, b);
        QFETCH(int, sign);
        auto sgn = [](int v) { return v < 0 ? -1 : (v > 0 ? 1 : 0); };
        QCOMPARE(sgn(compareText(a, b)), sign);
        QCOMPARE(sgn(compareText(b, a)), -sign);
        const QByteArray ua = a.toUtf8(), ub = b.toUtf8();
        QCOMPARE(sgn(compareTextUtf8(ua.constData(), int(ua.size()), ub.constData(), int(ub.size()))), sign);
    }

    // Bytes of a stored text that are not UTF-8 read as U+FFFD, whichever way a pattern reads them:
    // an overlong form of a letter is not that letter, neither to the search for a plain text nor to
    // the general matcher nor to the collation.
    void malformedUtf8_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<bool>("holdsA");

        QTest::newRow("overlong A in three bytes") << QByteArray("\xE0\x81\x81") << false;
        QTest::newRow("overlong A between stray bytes") << QByteArray("\x9D\xE0\x81\x81\xAD") << false;
        QTest::newRow("overlong A in four bytes") << QByteArray("x\xF0\x80\x81\x81") << false;
        QTest::newRow("overlong A in two bytes") << QByteArray("\xC1\x81") << false;
        QTest::newRow("encoded surrogate") << QByteArray("\xED\xA0\x80") << false;
        QTest::newRow("beyond the last code point") << QByteArray("\xF4\x90\x80\x80") << false;
        QTest::newRow("a between malformed bytes") << QByteArray("\x9D"
                                                                 "a\xE0")
                                                   << true;
    }

    void malformedUtf8()
    {
        QFETCH(QByteArray, text);
        QFETCH(bool, holdsA);
        // A plain text between stars is searched for in the bytes; a list makes it the general matcher.
        for (const char *pattern : {"*a*", "*[a]*"}) {
            LikePattern p;
            QVERIFY(LikePattern::compile(QString::fromLatin1(pattern), &p, nullptr));
            QCOMPARE(p.matchesUtf8(text.constData(), int(text.size())), holdsA);
        }
        if (!holdsA) {
            const QByteArray letter = text.startsWith('x') ? QByteArray("xA") : QByteArray("A");
            QVERIFY(compareTextUtf8(text.constData(), int(text.size()), letter.constData(),
                                    int(letter.size())) != 0);
        }
    }

    void schemaAndNumbers()
    {
        // Declared types decide the type checks: dates and untyped columns escape them.
        QCOMPARE(valueTypeFromDeclared(QStringLiteral("VARCHAR(50)")), ValueType::Text);
        QCOMPARE(valueTypeFromDeclared(QStringLiteral("BIGINT")), ValueType::Integer);
        QCOMPARE(valueTypeFromDeclared(QStringLiteral("DOUBLE")), ValueType::Real);
        QCOMPARE(valueTypeFromDeclared(QStringLiteral("DATETIME")), ValueType::Unknown);
        // Reals read as text: a whole one without its fraction.
        const QList<QPair<double, QString>> reals = {
            {7.0, "7"}, {-0.0, "0"}, {1e20, "1e+20"}, {1.0 / 3.0, "0.333333333333333"}};
        for (const auto &[real, text] : reals)
            QCOMPARE(Value::fromReal(real).toText(), text);
    }
};

QTEST_GUILESS_MAIN(TestJetSql)
#include "tst_jetsql.moc"
