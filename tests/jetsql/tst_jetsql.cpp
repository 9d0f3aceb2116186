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

QString describe(const QList<Token> &tokens)
{
    QStringList out;
    for (const Token &t : tokens) {
        const char *k = "";
        switch (t.kind) {
        case Token::End:
            continue;
        case Token::Name:
            k = "N";
            break;
        case Token::BracketName:
            k = "b";
            break;
        case Token::String:
            k = "s";
            break;
        case Token::Number:
            k = "#";
            break;
        case Token::Symbol:
            k = "S";
            break;
        }
        out << QLatin1String(k) + QLatin1Char(':') + t.text;
    }
    return out.join(QLatin1Char(' '));
}

} // namespace

class TestJetSql : public QObject {
    Q_OBJECT

    sqlite3 *m_db = nullptr;
    Schema m_schema;

    // Runs a translation; rows as "a|b" joined by ";". Empty with *error set on failure.
    QString run(const Translation &t, QString *error)
    {
        sqlite3_stmt *st = nullptr;
        const QByteArray sql = t.sql.toUtf8();
        if (sqlite3_prepare_v2(m_db, sql.constData(), -1, &st, nullptr) != SQLITE_OK) {
            *error = QString::fromUtf8(sqlite3_errmsg(m_db));
            return QString();
        }
        for (int k = 0; k < t.params.size(); ++k) {
            const QVariant &v = t.params[k];
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
            for (int c = 0; c < sqlite3_column_count(st); ++c) {
                const auto *p = reinterpret_cast<const char *>(sqlite3_column_text(st, c));
                row << (p ? QString::fromUtf8(p) : QString());
            }
            rows << row.join(QLatin1Char('|'));
        }
        if (rc != SQLITE_DONE)
            *error = QString::fromUtf8(sqlite3_errmsg(m_db));
        sqlite3_finalize(st);
        return rows.join(QLatin1Char(';'));
    }

private slots:
    void initTestCase();
    void cleanupTestCase() { sqlite3_close(m_db); }

    void tokens_data();
    void tokens();
    void tokenErrors_data();
    void tokenErrors();
    void results_data();
    void results();
    void fieldNames_data();
    void fieldNames();
    void literalsAreBound_data();
    void literalsAreBound();
    void rejected_data();
    void rejected();
    void viewText_data();
    void viewText();
    void likePatterns_data();
    void likePatterns();
    void textComparison_data();
    void textComparison();
    void conditions_data();
    void conditions();
    void schemaLookup();
    void valueText_data();
    void valueText();
};

void TestJetSql::initTestCase()
{
    QCOMPARE(sqlite3_open(":memory:", &m_db), SQLITE_OK);
    QVERIFY(registerJetFunctions(m_db));
    char *msg = nullptr;
    QVERIFY2(sqlite3_exec(m_db, kSchema, nullptr, nullptr, &msg) == SQLITE_OK, msg);
    QString err;
    QVERIFY2(Schema::read(m_db, &m_schema, &err), qPrintable(err));
}

void TestJetSql::tokens_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("expected");
    QTest::newRow("number before And") << "nrsure = 2And nrajet = 255"
                                       << "N:nrsure S:= #:2 N:And N:nrajet S:= #:255";
    QTest::newRow("number before a letter e") << "2e"
                                              << "#:2 N:e";
    QTest::newRow("exponent") << "1.5e3x"
                              << "#:1.5e3 N:x";
    QTest::newRow("leading point") << "= .5"
                                   << "S:= #:.5";
    QTest::newRow("single quotes doubled") << "'Ali-''Imran'"
                                           << "s:Ali-'Imran";
    QTest::newRow("double quotes doubled") << "\"say \"\"hi\"\"\""
                                           << "s:say \"hi\"";
    QTest::newRow("other quote inside") << "\"Kur'an\" 'a\"b'"
                                        << "s:Kur'an s:a\"b";
    QTest::newRow("empty strings") << "'' \"\""
                                   << "s: s:";
    QTest::newRow("bracketed name with blanks") << "[Nr i ajeteve]"
                                                << "b:Nr i ajeteve";
    QTest::newRow("qualified name") << "t.[a b]"
                                    << "N:t S:. b:a b";
    QTest::newRow("operators") << "a<>b<=c>=d<e>f"
                               << "N:a S:<> N:b S:<= N:c S:>= N:d S:< N:e S:> N:f";
    QTest::newRow("letters beyond ASCII") << "Čovjek=čovjek"
                                          << "N:Čovjek S:= N:čovjek";
    QTest::newRow("blanks of any kind") << "a\t\r\nb"
                                        << "N:a N:b";
    QTest::newRow("comment marker") << "a -- b"
                                    << "N:a S:-- N:b";
}

void TestJetSql::tokens()
{
    QFETCH(QString, text);
    QFETCH(QString, expected);
    QList<Token> tokens;
    QString err;
    QVERIFY2(tokenize(text, &tokens, &err), qPrintable(err));
    QCOMPARE(describe(tokens), expected);
    QCOMPARE(tokens.last().kind, Token::End);
}

void TestJetSql::tokenErrors_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("error");
    QTest::newRow("unclosed single quote") << "a = 'abc"
                                           << "not closed";
    QTest::newRow("unclosed double quote") << "a = \"abc"
                                           << "not closed";
    QTest::newRow("quote of a name breaks") << "x='Ali-'Imran'"
                                            << "not closed";
    QTest::newRow("unclosed bracket") << "[Nr i"
                                      << "not closed";
    QTest::newRow("empty bracket") << "[]"
                                   << "empty name";
    QTest::newRow("nested bracket") << "[a[b]"
                                    << "bracketing";
    QTest::newRow("NUL") << QStringLiteral("a = 'x") + QChar(0) + QStringLiteral("'") << "NUL";
}

void TestJetSql::tokenErrors()
{
    QFETCH(QString, text);
    QFETCH(QString, error);
    QList<Token> tokens;
    QString err;
    QVERIFY(!tokenize(text, &tokens, &err));
    QVERIFY2(err.contains(error, Qt::CaseInsensitive), qPrintable(err));
}

// Query texts and the rows they must give on the store in memory.
void TestJetSql::results_data()
{
    QTest::addColumn<QString>("jet");
    QTest::addColumn<QString>("rows");
    QTest::newRow("text 1 one word") << "SELECT * FROM kuran WHERE tekstajet LIKE '*allah*'"
                                     << "1|1|U ime Allaha;1|2|Hvala Allahu;2|255|Allah je – Živi i Vječni";
    QTest::newRow("text 2 two words")
        << "SELECT * FROM kuran WHERE tekstajet LIKE '*ALLAH*' AND tekstajet LIKE '*živi*'"
        << "2|255|Allah je – Živi i Vječni";
    QTest::newRow("text 3 within a surah") << "SELECT * FROM kuran WHERE tekstajet LIKE '*a*' and nrsure=1"
                                           << "1|1|U ime Allaha;1|2|Hvala Allahu";
    QTest::newRow("text 3 empty word")
        << "SELECT * FROM kuran WHERE tekstajet LIKE '*Mim*' AND tekstajet LIKE '**'"
        << "3|1|Elif Lam Mim";
    QTest::newRow("text 4 number meets And") << "select * FROM kuran where nrsure = 2And nrajet = 255"
                                             << "2|255|Allah je – Živi i Vječni";
    QTest::newRow("text 4 no such ayah") << "select * FROM kuran where nrsure = 1And nrajet = 8"
                                         << "";
    QTest::newRow("text 5 topic")
        << "select nrsure, emrsure, ajetet from klasifikim where ((tema = \"čovjek\"));"
        << "2|Bekare|30";
    QTest::newRow("text 5 topic in two cases")
        << "select nrsure, emrsure, ajetet from klasifikim where ((tema = \"Dova\"));"
        << "1|Fatiha|1-7;1|Fatiha|5";
    QTest::newRow("text 8 quote doubled") << "SELECT * FROM sure WHERE emriboshnjakisht='Ali-''Imran'"
                                          << "3|Al Imran|Ali-'Imran|200";
    QTest::newRow("text 8 case ignored") << "SELECT * FROM sure WHERE emriboshnjakisht='FATIHA'"
                                         << "1|al-Fatiha|Fatiha|7";
    QTest::newRow("table order kept") << "select nrajet from kuran where nrsure = 2"
                                      << "255;30";
    QTest::newRow("order by desc")
        << "SELECT nrsure, nrajet FROM kuran WHERE nrsure <= 2 ORDER BY nrsure DESC, nrajet"
        << "2|30;2|255;1|1;1|2";
    QTest::newRow("order by descending asc")
        << "SELECT numri FROM sure ORDER BY [Nr i ajeteve] DESCENDING, numri ASC"
        << "2;3;1;107;108";
    QTest::newRow("order by text ignores case")
        << "SELECT tema FROM klasifikim WHERE nrsure = 1 ORDER BY tema, ajetet"
        << "Dova;dova";
    QTest::newRow("top") << "SELECT TOP 2 numri FROM sure"
                         << "1;2";
    QTest::newRow("distinct") << "SELECT DISTINCT nrsure FROM kuran ORDER BY nrsure"
                              << "1;2;3;107;108";
    QTest::newRow("distinctrow") << "SELECT DISTINCTROW numri FROM sure WHERE numri < 3"
                                 << "1;2";
    QTest::newRow("joins as Access writes them")
        << "SELECT s.EmriBoshnjakisht, k.nrajet FROM (sure AS s INNER JOIN kuran AS k ON s.Numri = k.nrsure) "
           "INNER JOIN klasifikim ON (klasifikim.nrsure = k.nrsure AND klasifikim.ajetet = '30')"
        << "Bekare|255;Bekare|30";
    QTest::newRow("left join") << "SELECT sure.Numri, kuran.nrajet FROM sure LEFT JOIN kuran ON (sure.Numri "
                                  "= kuran.nrsure AND kuran.nrajet > 100)"
                               << "1|;2|255;3|;107|;108|";
    QTest::newRow("right outer join") << "SELECT k.nrajet, s.Numri FROM kuran k RIGHT OUTER JOIN sure s ON "
                                         "s.numri = k.nrsure WHERE s.numri > 100"
                                      << "1|107;1|108";
    QTest::newRow("comma join") << "SELECT sure.numri, kuran.nrajet FROM sure, kuran WHERE sure.numri = "
                                   "kuran.nrsure AND kuran.nrajet = 30"
                                << "2|30";
    QTest::newRow("bracketed names") << "SELECT [Nr i ajeteve] FROM [sure] WHERE [numri] = 1"
                                     << "7";
    QTest::newRow("keywords in any case") << "sElEcT nUmRi fRoM SURE wHeRe NUMRI = 2"
                                          << "2";
    QTest::newRow("is null") << "SELECT nrsure FROM klasifikim WHERE emrsure IS NULL"
                             << "3";
    QTest::newRow("is not null")
        << "SELECT nrsure FROM klasifikim WHERE emrsure IS NOT NULL AND ajetet = '1-7'"
        << "1";
    QTest::newRow("not or parentheses") << "SELECT numri FROM sure WHERE NOT (numri = 1 OR numri > 100)"
                                        << "2;3";
    QTest::newRow("not equal") << "SELECT numri FROM sure WHERE numri <> 1 AND numri <= 3"
                               << "2;3";
    QTest::newRow("text between ignores case")
        << "SELECT numri FROM sure WHERE EmriBoshnjakisht > 'BEKARE' AND EmriBoshnjakisht < 'fatiha'"
        << "107;108";
    QTest::newRow("unicode equality") << "SELECT nrajet FROM kuran WHERE tekstajet = 'čOVJEK'"
                                      << "30";
    QTest::newRow("like one character") << "SELECT nrsure FROM kuran WHERE tekstajet LIKE 'Elif ?am Mim'"
                                        << "3";
    QTest::newRow("like digit on a number") << "SELECT numri FROM sure WHERE numri LIKE '1#*'"
                                            << "107;108";
    QTest::newRow("like range") << "SELECT numri FROM sure WHERE EmriBoshnjakisht LIKE '[a-c]*'"
                                << "2;3";
    QTest::newRow("like negated range") << "SELECT numri FROM sure WHERE EmriBoshnjakisht LIKE '[!a-e]*'"
                                        << "1";
    QTest::newRow("like bracketed star") << "SELECT nrsure FROM kuran WHERE tekstajet LIKE '*[*]*'"
                                         << "";
    QTest::newRow("like quote char") << "SELECT nrsure FROM kuran WHERE tekstajet LIKE '*\"1\"*'"
                                     << "108";
    QTest::newRow("not like") << "SELECT numri FROM sure WHERE EmriBoshnjakisht NOT LIKE '*a*'"
                              << "108";
    QTest::newRow("like a column") << "SELECT numri FROM sure WHERE EmriBoshnjakisht LIKE EmriBoshnjakisht"
                                   << "1;2;3;107;108";
    QTest::newRow("true") << "SELECT numri FROM sure WHERE numri = 1 AND True"
                          << "1";
    QTest::newRow("no") << "SELECT numri FROM sure WHERE No"
                        << "";
    QTest::newRow("yes") << "SELECT numri FROM sure WHERE numri < 3 AND Yes"
                         << "1;2";
    QTest::newRow("negative number") << "SELECT numri FROM sure WHERE numri > -1 AND numri < 2"
                                     << "1";
    QTest::newRow("real literal") << "SELECT numri FROM sure WHERE numri < 2.5"
                                  << "1;2";
    QTest::newRow("trailing semicolon") << "SELECT numri FROM sure WHERE numri = 3;"
                                        << "3";
    QTest::newRow("double quoted literal") << "SELECT numri FROM sure WHERE EmriBoshnjakisht = \"El-Ma'un\""
                                           << "107";
    QTest::newRow("equal to null never true") << "SELECT nrsure FROM klasifikim WHERE emrsure = NULL"
                                              << "";
    QTest::newRow("or 1=1 stays in its table")
        << "select nrsure, emrsure, ajetet from klasifikim where ((tema = \"\" or \"1\"=\"1\"));"
        << "2|Bekare|255;2|Bekare|30;1|Fatiha|1-7;3||1;1|Fatiha|5";
    QTest::newRow("long literal") << QStringLiteral("SELECT numri FROM sure WHERE EmriBoshnjakisht = '") +
                                         QString(10000, QLatin1Char('a')) + QStringLiteral("'")
                                  << "";
}

void TestJetSql::results()
{
    QFETCH(QString, jet);
    QFETCH(QString, rows);
    Translation t;
    QString err;
    QVERIFY2(translate(jet, m_schema, &t, &err), qPrintable(err));
    QString runErr;
    QCOMPARE(run(t, &runErr), rows);
    QVERIFY2(runErr.isEmpty(), qPrintable(runErr));
}

void TestJetSql::fieldNames_data()
{
    QTest::addColumn<QString>("jet");
    QTest::addColumn<QStringList>("names");
    QTest::newRow("star in the store's letter case")
        << "select * from SURE" << QStringList{"Numri", "EmriArapisht", "EmriBoshnjakisht", "Nr i ajeteve"};
    QTest::newRow("columns and alias")
        << "SELECT NUMRI, [nr i ajeteve] AS N FROM sure" << QStringList{"Numri", "N"};
    QTest::newRow("table star") << "SELECT k.*, s.Numri FROM sure s INNER JOIN kuran k ON s.numri = k.nrsure"
                                << QStringList{"nrsure", "nrajet", "tekstajet", "Numri"};
    QTest::newRow("same column of two tables")
        << "SELECT * FROM kuran INNER JOIN klasifikim ON kuran.nrsure = klasifikim.nrsure"
        << QStringList{"kuran.nrsure", "nrajet", "tekstajet", "klasifikim.nrsure",
                       "emrsure",      "ajetet", "tema"};
    QTest::newRow("values") << "SELECT 'x' AS a, 5, numri FROM sure" << QStringList{"a", "Expr1000", "Numri"};
}

void TestJetSql::fieldNames()
{
    QFETCH(QString, jet);
    QFETCH(QStringList, names);
    Translation t;
    QString err;
    QVERIFY2(translate(jet, m_schema, &t, &err), qPrintable(err));
    QStringList got;
    for (const FieldInfo &f : t.fields)
        got << f.name;
    QCOMPARE(got, names);
    QString runErr;
    run(t, &runErr);
    QVERIFY2(runErr.isEmpty(), qPrintable(runErr));
}

// Every literal reaches SQLite as a parameter; the SQL text holds none of them.
void TestJetSql::literalsAreBound_data()
{
    QTest::addColumn<QString>("jet");
    QTest::addColumn<QVariantList>("params");
    QTest::newRow("text 4") << "select * FROM kuran where nrsure = 2And nrajet = 255"
                            << QVariantList{qint64(2), qint64(255)};
    QTest::newRow("text 1 pattern") << "SELECT * FROM kuran WHERE tekstajet LIKE '*Allah*'"
                                    << QVariantList{QStringLiteral("*Allah*")};
    QTest::newRow("quote games") << "SELECT * FROM sure WHERE emriboshnjakisht='x'' OR ''1''=''1'"
                                 << QVariantList{QStringLiteral("x' OR '1'='1")};
    QTest::newRow("semicolon and dashes in a literal")
        << "SELECT * FROM sure WHERE emriboshnjakisht='; DROP TABLE kuran --'"
        << QVariantList{QStringLiteral("; DROP TABLE kuran --")};
    QTest::newRow("double quoted")
        << "SELECT * FROM klasifikim WHERE tema = \"a\"\"b\" AND nrsure = -3 AND nrsure < 2.5"
        << QVariantList{QStringLiteral("a\"b"), qint64(-3), 2.5};
    QTest::newRow("booleans") << "SELECT * FROM sure WHERE numri <> True OR numri = No"
                              << QVariantList{qint64(-1), qint64(0)};
}

void TestJetSql::literalsAreBound()
{
    QFETCH(QString, jet);
    QFETCH(QVariantList, params);
    QString sql;
    QVariantList got;
    QString err;
    QVERIFY2(translateToSqlite(jet, m_schema, &sql, &got, &err), qPrintable(err));
    QCOMPARE(got, params);
    QCOMPARE(sql.count(QLatin1Char('?')), params.size());
    QVERIFY2(!sql.contains(QLatin1Char('\'')), qPrintable(sql));
    QVERIFY(!sql.contains(QLatin1String("DROP")));
    QVERIFY(!sql.contains(QLatin1String("255")));
}

void TestJetSql::rejected_data()
{
    QTest::addColumn<QString>("jet");
    QTest::addColumn<QString>("error");
    QTest::newRow("sub-select in WHERE") << "SELECT * FROM sure WHERE numri = (SELECT 1 FROM sure)"
                                         << "Sub-queries";
    QTest::newRow("sub-select in FROM") << "SELECT * FROM (SELECT * FROM sure)"
                                        << "Sub-queries";
    QTest::newRow("exists") << "SELECT * FROM sure WHERE EXISTS (SELECT 1 FROM sure)"
                            << "EXISTS";
    QTest::newRow("function in WHERE") << "SELECT * FROM sure WHERE len(EmriBoshnjakisht) = 6"
                                       << "Functions";
    QTest::newRow("function in the columns") << "SELECT count(*) FROM sure"
                                             << "Functions";
    QTest::newRow("union") << "SELECT * FROM sure UNION SELECT * FROM sure"
                           << "UNION";
    QTest::newRow("insert") << "INSERT INTO sure VALUES (1)"
                            << "Only SELECT";
    QTest::newRow("update") << "UPDATE sure SET numri = 1"
                            << "Only SELECT";
    QTest::newRow("delete") << "DELETE FROM kuran"
                            << "Only SELECT";
    QTest::newRow("drop") << "DROP TABLE kuran"
                          << "Only SELECT";
    QTest::newRow("create") << "create table x (a)"
                            << "Only SELECT";
    QTest::newRow("pragma") << "PRAGMA writable_schema=1"
                            << "Only SELECT";
    QTest::newRow("attach") << "ATTACH 'x' AS y"
                            << "Only SELECT";
    QTest::newRow("two statements") << "SELECT * FROM sure; SELECT * FROM kuran"
                                    << "after end of SQL statement";
    QTest::newRow("drop after select") << "SELECT * FROM sure WHERE emriboshnjakisht=''; DROP TABLE kuran"
                                       << "after end of SQL statement";
    QTest::newRow("drop in a name") << "SELECT * FROM sure WHERE emriboshnjakisht=''; DROP TABLE kuran --'"
                                    << "not closed";
    QTest::newRow("comment") << "SELECT * FROM sure -- x"
                             << "comments";
    QTest::newRow("unknown table") << "SELECT * FROM suree"
                                   << "Cannot find the input table or query";
    QTest::newRow("unknown column") << "SELECT * FROM sure WHERE nrsure = 1"
                                    << "Unknown field";
    QTest::newRow("unknown column in ORDER BY") << "SELECT * FROM sure ORDER BY nema"
                                                << "Unknown field";
    QTest::newRow("unknown qualifier") << "SELECT * FROM sure WHERE k.numri = 1"
                                       << "Unknown table";
    QTest::newRow("table name hidden by alias") << "SELECT * FROM sure s WHERE sure.numri = 1"
                                                << "Unknown table";
    QTest::newRow("ambiguous column")
        << "SELECT * FROM kuran INNER JOIN klasifikim ON kuran.nrsure = klasifikim.nrsure WHERE nrsure = 1"
        << "more than one table";
    QTest::newRow("number column and text") << "SELECT * FROM kuran WHERE nrsure = 'abc'"
                                            << "Data type mismatch in criteria expression.";
    QTest::newRow("number column and digits in quotes") << "SELECT * FROM kuran WHERE nrsure = '2'"
                                                        << "Data type mismatch";
    QTest::newRow("text column and number") << "SELECT * FROM kuran WHERE tekstajet = 5"
                                            << "Data type mismatch";
    QTest::newRow("text column and True") << "SELECT * FROM kuran WHERE tekstajet <> True"
                                          << "Data type mismatch";
    QTest::newRow("text as a condition") << "SELECT * FROM kuran WHERE tekstajet"
                                         << "Data type mismatch";
    QTest::newRow("join on mismatched columns")
        << "SELECT * FROM sure INNER JOIN kuran ON sure.EmriBoshnjakisht = kuran.nrsure"
        << "Data type mismatch";
    QTest::newRow("unclosed bracket in pattern") << "SELECT * FROM kuran WHERE tekstajet LIKE '*[*'"
                                                 << "not closed";
    QTest::newRow("backwards range") << "SELECT * FROM kuran WHERE tekstajet LIKE '[z-a]'"
                                     << "backwards";
    QTest::newRow("quote in a name") << "SELECT * FROM sure WHERE emriboshnjakisht='Ali-'Imran'"
                                     << "not closed";
    QTest::newRow("group by") << "SELECT numri FROM sure GROUP BY numri"
                              << "GROUP BY";
    QTest::newRow("in list") << "SELECT * FROM sure WHERE numri IN (1,2)"
                             << "IN";
    QTest::newRow("between") << "SELECT * FROM sure WHERE numri BETWEEN 1 AND 2"
                             << "BETWEEN";
    QTest::newRow("arithmetic") << "SELECT * FROM sure WHERE numri + 1 = 2"
                                << "Calculations";
    QTest::newRow("concatenation") << "SELECT * FROM sure WHERE EmriBoshnjakisht & 'x' = 'y'"
                                   << "Calculations";
    QTest::newRow("date literal") << "SELECT * FROM sure WHERE numri = #1/1/2000#"
                                  << "Date literals";
    QTest::newRow("bang") << "SELECT * FROM sure WHERE sure!numri = 1"
                          << "!";
    QTest::newRow("not equal C style") << "SELECT * FROM sure WHERE numri != 1"
                                       << "<>";
    QTest::newRow("top percent") << "SELECT TOP 10 PERCENT * FROM sure"
                                 << "PERCENT";
    QTest::newRow("top zero") << "SELECT TOP 0 * FROM sure"
                              << "TOP";
    QTest::newRow("empty") << ""
                           << "empty";
    QTest::newRow("blanks only") << "  \n "
                                 << "empty";
    QTest::newRow("NUL") << QStringLiteral("SELECT * FROM sure WHERE EmriBoshnjakisht = 'a") + QChar(0) +
                                QStringLiteral("'")
                         << "NUL";
    QTest::newRow("deep parentheses")
        << QStringLiteral("SELECT * FROM sure WHERE ") + QString(5000, QLatin1Char('(')) +
               QStringLiteral("numri = 1") + QString(5000, QLatin1Char(')'))
        << "nested too deeply";
    QTest::newRow("long NOT chain") << QStringLiteral("SELECT * FROM sure WHERE ") +
                                           QStringLiteral("NOT ").repeated(3000) + QStringLiteral("numri = 1")
                                    << "nested too deeply";
    QTest::newRow("missing FROM") << "SELECT *"
                                  << "FROM expected";
    QTest::newRow("duplicate alias") << "SELECT numri AS a, EmriBoshnjakisht AS a FROM sure"
                                     << "Duplicate";
    QTest::newRow("select into") << "SELECT * INTO x FROM sure"
                                 << "INTO";
    QTest::newRow("same table twice") << "SELECT * FROM sure INNER JOIN sure ON sure.numri = sure.numri"
                                      << "named twice";
    QTest::newRow("join without ON") << "SELECT * FROM sure INNER JOIN kuran"
                                     << "ON expected";
    QTest::newRow("plain JOIN") << "SELECT * FROM sure JOIN kuran ON numri = nrsure"
                                << "Syntax error";
    QTest::newRow("long table name") << QStringLiteral("SELECT * FROM ") + QString(10000, QLatin1Char('a'))
                                     << "Cannot find";
    QTest::newRow("dangling AND") << "SELECT * FROM sure WHERE numri = 1 AND"
                                  << "ends too early";
    QTest::newRow("IS without NULL") << "SELECT * FROM sure WHERE numri IS 1"
                                     << "NULL";
    QTest::newRow("other database") << "SELECT * FROM main.sure"
                                    << "other databases";
}

void TestJetSql::rejected()
{
    QFETCH(QString, jet);
    QFETCH(QString, error);
    QString sql;
    QVariantList params;
    QString err;
    QVERIFY(!translateToSqlite(jet, m_schema, &sql, &params, &err));
    QVERIFY2(err.contains(error, Qt::CaseInsensitive), qPrintable(err));
    QVERIFY(sql.isEmpty());
    // The view variant refuses the same texts.
    QString viewErr;
    QVERIFY(!translateToSqliteView(jet, m_schema, &sql, &viewErr));
    QCOMPARE(viewErr, err);
}

// A saved query becomes a view with its literals written as SQLite literals; the view gives
// the same rows as the query run with bound parameters.
void TestJetSql::viewText_data()
{
    QTest::addColumn<QString>("jet");
    QTest::addColumn<QString>("literal"); // must appear in the view's text
    QTest::newRow("quote doubled") << "SELECT * FROM sure WHERE emriboshnjakisht='Ali-''Imran'"
                                   << "'Ali-''Imran'";
    QTest::newRow("double quoted with quote") << "SELECT * FROM sure WHERE emriboshnjakisht=\"El-Ma'un\""
                                              << "'El-Ma''un'";
    QTest::newRow("double quote inside") << "SELECT * FROM kuran WHERE tekstajet LIKE \"*\"\"1\"\"*\""
                                         << "'*\"1\"*'";
    QTest::newRow("numbers") << "select * FROM kuran where nrsure = 2And nrajet > -1 AND nrajet < 300.5"
                             << "(-1)";
    QTest::newRow("join and order") << "SELECT s.numri, k.nrajet FROM sure s INNER JOIN kuran k ON s.numri = "
                                       "k.nrsure WHERE k.tekstajet LIKE '*a*' ORDER BY k.nrajet DESC"
                                    << "'*a*'";
    QTest::newRow("booleans") << "SELECT numri FROM sure WHERE True AND numri <> False"
                              << "(-1)";
    QTest::newRow("injection text stays a literal")
        << "SELECT * FROM sure WHERE EmriBoshnjakisht = '''; DROP TABLE sure; --'"
        << "'''; DROP TABLE sure; --'";
}

void TestJetSql::viewText()
{
    QFETCH(QString, jet);
    QFETCH(QString, literal);
    QString viewSql, err;
    QVERIFY2(translateToSqliteView(jet, m_schema, &viewSql, &err), qPrintable(err));
    QVERIFY2(viewSql.contains(literal), qPrintable(viewSql));
    QVERIFY(!viewSql.contains(QLatin1Char('?')) || literal.contains(QLatin1Char('?')));

    const QByteArray create = "CREATE TEMP VIEW v AS " + viewSql.toUtf8();
    char *msg = nullptr;
    QVERIFY2(sqlite3_exec(m_db, create.constData(), nullptr, nullptr, &msg) == SQLITE_OK, msg);
    Translation bound;
    QString runErr;
    Translation viewQuery;
    viewQuery.sql = QStringLiteral("SELECT * FROM v");
    const QString viewRows = run(viewQuery, &runErr);
    QVERIFY2(runErr.isEmpty(), qPrintable(runErr));
    QVERIFY(translate(jet, m_schema, &bound, &err));
    QCOMPARE(viewRows, run(bound, &runErr));
    QVERIFY(sqlite3_exec(m_db, "DROP VIEW v", nullptr, nullptr, nullptr) == SQLITE_OK);
    QCOMPARE(sqlite3_exec(m_db, "SELECT count(*) FROM sure", nullptr, nullptr, nullptr), SQLITE_OK);
}

void TestJetSql::likePatterns_data()
{
    QTest::addColumn<QString>("pattern");
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("match");
    QTest::newRow("star around") << "*Allah*"
                                 << "U ime Allaha" << true;
    QTest::newRow("star around case") << "*ALLAH*"
                                      << "U ime allaha" << true;
    QTest::newRow("star around missing") << "*Musa*"
                                         << "U ime Allaha" << false;
    QTest::newRow("two stars empty word") << "**"
                                          << "" << true;
    QTest::newRow("exact") << "Fatiha"
                           << "fatiha" << true;
    QTest::newRow("exact longer text") << "Fatiha"
                                       << "Fatihaa" << false;
    QTest::newRow("prefix") << "Fat*"
                            << "Fatiha" << true;
    QTest::newRow("suffix") << "*ha"
                            << "Fatiha" << true;
    QTest::newRow("suffix missing") << "*hb"
                                    << "Fatiha" << false;
    QTest::newRow("unicode case") << "*čovjek*"
                                  << "ČOVJEK je" << true;
    QTest::newRow("unicode case other way") << "*ŽIVI*"
                                            << "živi" << true;
    QTest::newRow("accents count") << "*covjek*"
                                   << "čovjek" << false;
    QTest::newRow("question mark") << "F?tiha"
                                   << "Fatiha" << true;
    QTest::newRow("question mark one letter beyond ASCII") << "?ovjek"
                                                           << "Čovjek" << true;
    QTest::newRow("question mark needs a character") << "Fatiha?"
                                                     << "Fatiha" << false;
    QTest::newRow("hash digit") << "s#a#"
                                << "s2a5" << true;
    QTest::newRow("hash not a letter") << "s#"
                                       << "sa" << false;
    QTest::newRow("set") << "[abc]x"
                         << "Bx" << true;
    QTest::newRow("set miss") << "[abc]x"
                              << "dx" << false;
    QTest::newRow("negated set") << "[!abc]x"
                                 << "dx" << true;
    QTest::newRow("negated set miss") << "[!abc]x"
                                      << "Ax" << false;
    QTest::newRow("range") << "[a-f]*"
                           << "Fatiha" << true;
    QTest::newRow("range upper letters") << "[A-F]*"
                                         << "bekare" << true;
    QTest::newRow("range miss") << "[g-z]*"
                                << "Fatiha" << false;
    QTest::newRow("bracketed star is literal") << "a[*]b"
                                               << "a*b" << true;
    QTest::newRow("bracketed star not a wildcard") << "a[*]b"
                                                   << "axb" << false;
    QTest::newRow("bracketed question mark") << "[?]"
                                             << "?" << true;
    QTest::newRow("bracketed hash") << "[#]1"
                                    << "#1" << true;
    QTest::newRow("open bracket in set") << "[[]x"
                                         << "[x" << true;
    QTest::newRow("hyphen at the end of a set") << "[a-]"
                                                << "-" << true;
    QTest::newRow("empty brackets") << "a[]b"
                                    << "ab" << true;
    QTest::newRow("closing bracket alone") << "a]"
                                           << "a]" << true;
    QTest::newRow("back-tracking") << "*a*b*c"
                                   << "xxaxxbxxbxxc" << true;
    QTest::newRow("back-tracking fails") << "*a*b*c"
                                         << "xxaxxbxxcxxb" << false;
    QTest::newRow("star then one") << "*?"
                                   << "" << false;
    QTest::newRow("surrogate pair is one character") << "?" << QStringLiteral("\U0001D400") << true;
    QTest::newRow("quote is literal") << "*Kur'an*"
                                      << "kao Kur'an na" << true;
    QTest::newRow("contains across sixteen-byte blocks")
        << "*allah*"
        << QString(14, QLatin1Char('x')) + QStringLiteral("ALLAH") + QString(20, QLatin1Char('y')) << true;
    QTest::newRow("contains ending a block")
        << "*Allah*" << QString(11, QLatin1Char('x')) + QStringLiteral("aLLah") << true;
    QTest::newRow("contains first letter everywhere")
        << "*ab*" << QString(40, QLatin1Char('a')) + QLatin1Char('c') << false;
    QTest::newRow("contains after many false starts")
        << "*ab*" << QString(40, QLatin1Char('A')) + QLatin1Char('B') << true;
    QTest::newRow("contains upper-case pattern")
        << "*ALLAH*" << QStringLiteral("sve što je na nebesima allahovo je") << true;
    QTest::newRow("contains quote first")
        << "*'an*" << QStringLiteral("Mi ga objavljujemo kao Kur'an") << true;
    QTest::newRow("contains letters beyond ASCII")
        << "*čovjek*" << QString(20, QLatin1Char('x')) + QStringLiteral("ČOVJEK") << true;
    QTest::newRow("contains with a near miss")
        << "*čovjek*" << QString(20, QLatin1Char('x')) + QStringLiteral("ČOVJE") << false;
    QTest::newRow("Kelvin sign folds to k")
        << "*kur*" << QStringLiteral("Mi ga objavljujemo kao \u212Aur'an") << true;
    QTest::newRow("Kelvin sign first in a long text")
        << "*kur'an*" << QStringLiteral("\u212Aur'an") + QString(30, QLatin1Char('x')) << true;
    QTest::newRow("long s first in a long text")
        << "*sura*" << QStringLiteral("\u017FURA") + QString(30, QLatin1Char('x')) << true;
    QTest::newRow("lead byte of another letter")
        << "*sura*" << QStringLiteral("\u0161ura") + QString(30, QLatin1Char('x')) << false;
    QTest::newRow("long s folds to s") << "*sura*" << QStringLiteral("ovo je jedna duga \u017Fura") << true;
    QTest::newRow("contains nothing in long text") << "*qqq*" << QStringLiteral("qqx").repeated(20) << false;
    QTest::newRow("long text") << "*b" << QString(10000, QLatin1Char('a')) + QLatin1Char('b') << true;
}

void TestJetSql::likePatterns()
{
    QFETCH(QString, pattern);
    QFETCH(QString, text);
    QFETCH(bool, match);
    LikePattern p;
    QString err;
    QVERIFY2(LikePattern::compile(pattern, &p, &err), qPrintable(err));
    QCOMPARE(p.matches(text), match);
    const QByteArray utf8 = text.toUtf8();
    QCOMPARE(p.matchesUtf8(utf8.constData(), int(utf8.size())), match);
}

void TestJetSql::textComparison_data()
{
    QTest::addColumn<QString>("a");
    QTest::addColumn<QString>("b");
    QTest::addColumn<int>("sign");
    QTest::newRow("ASCII case") << "FATIHA"
                                << "Fatiha" << 0;
    QTest::newRow("Bosnian letters") << "čovjek"
                                     << "Čovjek" << 0;
    QTest::newRow("Cyrillic") << "ЖИВИ"
                              << "живи" << 0;
    QTest::newRow("Greek final sigma folds") << "ΣΑ"
                                             << "σα" << 0;
    QTest::newRow("accents differ") << "covjek"
                                    << "čovjek" << -1;
    QTest::newRow("prefix is smaller") << "Fat"
                                       << "fatiha" << -1;
    QTest::newRow("order ignores case") << "bekare"
                                        << "ALI" << 1;
    QTest::newRow("empty") << ""
                           << "" << 0;
}

void TestJetSql::textComparison()
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

void TestJetSql::conditions_data()
{
    QTest::addColumn<QString>("condition");
    QTest::addColumn<QString>("matches"); // ayah numbers of the rows that meet it, or "!" and an error part
    QTest::newRow("text 12") << "nrsure =2 and nrajet =5"
                             << "5";
    QTest::newRow("text 12 number meets and") << "nrsure =2and nrajet =7"
                                              << "7";
    QTest::newRow("like unicode case") << "tekstajet like '*ČOVJEK*'"
                                       << "6";
    QTest::newRow("not") << "NOT nrajet < 7"
                         << "7";
    QTest::newRow("or and parentheses") << "(nrajet = 5 or nrajet = 6) and nrsure = 2"
                                        << "5,6";
    QTest::newRow("is null") << "tekstajet IS NULL"
                             << "7";
    QTest::newRow("null never equals") << "tekstajet <> 'x'"
                                       << "5,6";
    QTest::newRow("qualified") << "kuran.nrajet >= 6"
                               << "6,7";
    QTest::newRow("text against number") << "nrsure = '2'"
                                         << "!mismatch";
    QTest::newRow("unknown field") << "nrsura = 2"
                                   << "!Unknown field";
    QTest::newRow("syntax") << "nrsure ="
                            << "!ends too early";
    QTest::newRow("statement after") << "nrsure = 2; DROP TABLE kuran"
                                     << "!after end";
    QTest::newRow("bad pattern") << "tekstajet like '[x'"
                                 << "![";
}

void TestJetSql::conditions()
{
    QFETCH(QString, condition);
    QFETCH(QString, matches);
    const QList<FieldInfo> fields = {
        {QStringLiteral("nrsure"), QStringLiteral("kuran"), QStringLiteral("nrsure"), ValueType::Integer},
        {QStringLiteral("nrajet"), QStringLiteral("kuran"), QStringLiteral("nrajet"), ValueType::Integer},
        {QStringLiteral("tekstajet"), QStringLiteral("kuran"), QStringLiteral("tekstajet"), ValueType::Text}};
    const std::vector<std::vector<Value>> rows = {
        {Value::fromInteger(2), Value::fromInteger(5), Value::fromText(QStringLiteral("Ajet pet"))},
        {Value::fromInteger(2), Value::fromInteger(6), Value::fromText(QStringLiteral("čovjek"))},
        {Value::fromInteger(2), Value::fromInteger(7), Value()},
    };
    Condition c;
    QString err;
    const bool ok = Condition::compile(condition, fields, &c, &err);
    if (matches.startsWith(QLatin1Char('!'))) {
        QVERIFY(!ok);
        QVERIFY2(err.contains(matches.mid(1)), qPrintable(err));
        return;
    }
    QVERIFY2(ok, qPrintable(err));
    QStringList hit;
    for (const auto &row : rows) {
        if (c.matches(row.data()))
            hit << QString::number(row[1].i);
    }
    QCOMPARE(hit.join(QLatin1Char(',')), matches);
}

void TestJetSql::schemaLookup()
{
    QVERIFY(m_schema.table(QStringLiteral("SURE")));
    QCOMPARE(m_schema.table(QStringLiteral("Kuran"))->name, QStringLiteral("kuran"));
    QVERIFY(!m_schema.table(QStringLiteral("sqlite_master")));
    const TableInfo *sure = m_schema.table(QStringLiteral("sure"));
    QCOMPARE(sure->columnIndex(QStringLiteral("NR I AJETEVE")), 3);
    QCOMPARE(sure->columns[0].type, ValueType::Integer);
    QCOMPARE(sure->columns[2].type, ValueType::Text);
    QCOMPARE(m_schema.tableNames(),
             (QStringList{QStringLiteral("klasifikim"), QStringLiteral("kuran"), QStringLiteral("sure")}));

    // A schema written by hand serves a converter before the tables exist.
    Schema manual;
    manual.addTable({QStringLiteral("Teme"),
                     false,
                     true,
                     {{QStringLiteral("Tema"), QStringLiteral("TEXT"), ValueType::Text}}});
    QString sql, err;
    QVERIFY2(translateToSqliteView(QStringLiteral("SELECT tema FROM teme WHERE tema LIKE 'a*' ORDER BY tema"),
                                   manual, &sql, &err),
             qPrintable(err));
    QVERIFY(sql.contains(QLatin1String("\"Teme\"")));
    QVERIFY(!translateToSqliteView(QStringLiteral("SELECT x FROM teme"), manual, &sql, &err));

    QCOMPARE(valueTypeFromDeclared(QStringLiteral("VARCHAR(50)")), ValueType::Text);
    QCOMPARE(valueTypeFromDeclared(QStringLiteral("BIGINT")), ValueType::Integer);
    QCOMPARE(valueTypeFromDeclared(QStringLiteral("DOUBLE")), ValueType::Real);
    QCOMPARE(valueTypeFromDeclared(QStringLiteral("DATETIME")), ValueType::Unknown);
    QCOMPARE(valueTypeFromDeclared(QString()), ValueType::Unknown);
    QCOMPARE(quoteIdentifier(QStringLiteral("a\"b")), QStringLiteral("\"a\"\"b\""));
    QCOMPARE(quoteTextLiteral(QStringLiteral("Ali-'Imran")), QStringLiteral("'Ali-''Imran'"));
}

void TestJetSql::valueText_data()
{
    QTest::addColumn<double>("real");
    QTest::addColumn<QString>("text");
    QTest::newRow("whole") << 7.0 << "7";
    QTest::newRow("negative whole") << -3.0 << "-3";
    QTest::newRow("negative zero") << -0.0 << "0";
    QTest::newRow("fraction") << 2.5 << "2.5";
    QTest::newRow("third") << 1.0 / 3.0 << "0.333333333333333";
    QTest::newRow("large") << 1e20 << "1e+20";
}

void TestJetSql::valueText()
{
    QFETCH(double, real);
    QFETCH(QString, text);
    QCOMPARE(Value::fromReal(real).toText(), text);
    QCOMPARE(Value().toText(), QString());
    QVERIFY(Value().toText().isEmpty());
    QCOMPARE(Value::fromInteger(-12).toText(), QStringLiteral("-12"));
}

QTEST_GUILESS_MAIN(TestJetSql)
#include "tst_jetsql.moc"
