#include "TestSupport.h"
#include "data/DataFolder.h"
#include "data/Database.h"

#include <QtTest>

#include <fcntl.h>
#include <sqlite3.h>
#include <sys/stat.h>

using velmora::DataFolder;
using velmora::data::Database;
using velmora::data::Recordset;
using velmora::data::TableRecordset;
namespace test = velmora::test;

namespace {

// A small store with the schema of the program's data, rows in the order the program must see
// them, plus a table with shuffled rows, Access index names and a view that only the tests use.
const char *const kFixture = R"(
CREATE TABLE sure (Numri INTEGER NOT NULL, EmriArapisht TEXT, EmriBoshnjakisht TEXT, "Nr i ajeteve" INTEGER);
CREATE UNIQUE INDEX numri ON sure(Numri);
CREATE INDEX emriboshnjakisht ON sure(EmriBoshnjakisht);
CREATE INDEX "nr i ajeteve" ON sure("Nr i ajeteve", Numri);
CREATE TABLE kuran (nrsure INTEGER NOT NULL, nrajet INTEGER NOT NULL, tekstajet TEXT, tekstarapski TEXT, tefsir TEXT);
CREATE UNIQUE INDEX kuran_mjesto ON kuran(nrsure, nrajet);
CREATE TABLE klasifikim (nrsure INTEGER, emrsure TEXT, ajetet TEXT, tema TEXT);
CREATE TABLE KreuMeTema (NrKreu INTEGER, EmriKreu TEXT, NrTema INTEGER, Tema TEXT);
CREATE TABLE VetemTemat (Tema TEXT);
CREATE TABLE proba (id INTEGER, ime TEXT, broj REAL, x);
CREATE INDEX proba_id ON proba(id);
CREATE INDEX proba_ime_desc ON proba(ime DESC);
CREATE TABLE velmora_indexes (tbl TEXT, name TEXT, sqlite_name TEXT);
CREATE VIEW TemeSure AS SELECT tema, nrsure FROM klasifikim;
INSERT INTO sure VALUES (1,'al-Fatiha','Fatiha',7), (2,'al-Baqara','Bekare',286), (3,'Al Imran','Ali-''Imran',200),
 (12,'Yusuf','Jusuf',111), (20,'Ta-Ha','Ta-Ha',135), (22,'al-Hajj','Hadž',78), (103,'al-Asr','El-Asr',3),
 (107,'al-Maun','El-Ma''un',7), (108,'al-Kawthar','El-Kevser',3), (110,'an-Nasr','En-Nasr',3);
WITH RECURSIVE n(a) AS (SELECT 1 UNION ALL SELECT a + 1 FROM n WHERE a < 286)
INSERT INTO kuran SELECT Numri, a, 'Ajet ' || a || ' sure ' || Numri || '.', 'آية',
 CASE a WHEN 1 THEN 'Tefsir ' || Numri || ':1' END FROM sure JOIN n ON a <= "Nr i ajeteve" ORDER BY sure.rowid, a;
CREATE TEMP TABLE t (s, a, text);
INSERT INTO t VALUES (1, 1, 'U ime Allaha, Milostivog, Samilosnog!'), (1, 2, 'Hvala Allahu, Gospodaru svjetova,'),
 (2, 30, 'I kada Gospodar tvoj reče melekima: "Ja ću na Zemlji namjesnika postaviti!" Čovjek.'),
 (2, 255, 'Allah je – nema boga osim Njega – Živi i Vječni!'), (20, 30, 'Haruna, brata moga.'),
 (12, 2, 'Mi ga objavljujemo kao Kur''an na arapskom jeziku, da biste razumjeli.'),
 (20, 70, 'I čarobnjaci padoše licem na tle govoreći: Vjerujemo u Gospodara Haruna i Musaa!'),
 (20, 92, 'Musa reče: ''O Harune, šta te je spriječilo,'), (22, 5, 'O ljudi, Mi smo vas stvorili od zemlje; čovjek');
UPDATE kuran SET tekstajet = t.text FROM t WHERE t.s = nrsure AND t.a = nrajet;
INSERT INTO klasifikim VALUES (2,'Bekare','255','Allahova jednoća'), (1,'Fatiha','1-7','Dova'),
 (2,'Bekare','1-5,8','Vjerovanje'), (20,'Ta-Ha','9-11,70','Musa'), (2,'Bekare','30','Čovjek'), (22,'Hadž','5','Čovjek'),
 (12,'Jusuf','2','Kur''an'), (3,'Ali-''Imran','1','Riječ "Elif"');
INSERT INTO KreuMeTema VALUES (1,'Vjera',1,'Allahova jednoća'), (1,'Vjera',2,'Vjerovanje'), (2,'Ljudi',1,'Čovjek'),
 (2,'Ljudi',2,'Musa'), (3,'Knjiga',1,'Kur''an'), (3,'Knjiga',2,'Dova');
INSERT INTO VetemTemat VALUES ('Allahova jednoća'), ('Čovjek'), ('Dova'), ('Kur''an'), ('Musa'), ('Vjerovanje');
INSERT INTO proba VALUES (5,'beta',2.5,NULL), (2,'Alfa',7.0,'t'), (9,'ČAJ',1.0,42), (2,'alfa2',-0.25,NULL), (1,'čaj',3.0,NULL);
INSERT INTO velmora_indexes VALUES ('Proba','PrimaryKey','proba_id'), ('proba','ImeSilazno','proba_ime_desc');
)";

bool sqlite(const QString &path, const char *sql)
{
    sqlite3 *db = nullptr;
    const bool ok = sqlite3_open(QFile::encodeName(path).constData(), &db) == SQLITE_OK &&
                    sqlite3_exec(db, sql, nullptr, nullptr, nullptr) == SQLITE_OK;
    sqlite3_close(db);
    return ok;
}

QString text(const unsigned char *p)
{
    return QString::fromUtf8(reinterpret_cast<const char *>(p));
}

// has(a, b) for the raw queries: text a holds text b, letter case ignored.
void has(sqlite3_context *c, int, sqlite3_value **v)
{
    sqlite3_result_int(
        c, text(sqlite3_value_text(v[0])).contains(text(sqlite3_value_text(v[1])), Qt::CaseInsensitive));
}

// Rows of a plain SQLite query, read without the program's data layer, joined by "|".
QStringList rawRows(const QString &path, const QString &sql)
{
    sqlite3 *db = nullptr;
    sqlite3_stmt *st = nullptr;
    sqlite3_open_v2(QFile::encodeName(path).constData(), &db, SQLITE_OPEN_READONLY, nullptr);
    sqlite3_create_function(db, "has", 2, SQLITE_UTF8, nullptr, has, nullptr, nullptr);
    QStringList rows;
    if (sqlite3_prepare_v2(db, sql.toUtf8().constData(), -1, &st, nullptr) != SQLITE_OK)
        rows << "raw query failed: " + QString::fromUtf8(sqlite3_errmsg(db));
    while (st && sqlite3_step(st) == SQLITE_ROW) {
        QStringList row;
        for (int c = 0; c < sqlite3_column_count(st); ++c)
            row << text(sqlite3_column_text(st, c));
        rows << row.join(u'|');
    }
    sqlite3_finalize(st);
    sqlite3_close(db);
    return rows;
}

// The query texts as the program builds them. The verse search doubles quotes and splits the
// typed words at "&"; the other texts take the reader's choice unchanged.
QString search(const QString &typed, const QString &surah = QString())
{
    const QStringList words = QString(typed).replace(u'\'', QLatin1String("''")).split(u'&');
    QString q = "SELECT * FROM kuran WHERE tekstajet LIKE '*" + words.first() + "*'";
    for (const QString &w : words.mid(1))
        q += " AND tekstajet LIKE '*" + w + "*'";
    return surah.isEmpty() ? q : q + " and nrsure=" + surah;
}
QString ayah(const QString &surah, const QString &ayah)
{
    return "select * FROM kuran where nrsure = " + surah + "And nrajet = " + ayah;
}
QString topic(const QString &quoted)
{
    return "select nrsure, emrsure, ajetet from klasifikim where ((tema = " + quoted + "));";
}
QString surahName(const QString &quoted)
{
    return "SELECT * FROM sure WHERE emriboshnjakisht=" + quoted;
}
// Raw conditions: the column holds the text, or equals it; letter case ignored.
QString holds(const char *column, QString text, bool whole = false)
{
    const char *form = whole ? "has(%1, '%2') AND has('%2', %1)" : "has(%1, '%2')";
    return QString::fromLatin1(form).arg(QLatin1String(column), text.replace(u'\'', QLatin1String("''")));
}

QStringList allRows(Recordset rs, int columns)
{
    QStringList out;
    for (; !rs.eof(); rs.moveNext()) {
        QStringList row;
        for (int c = 0; c < columns; ++c)
            row << rs.field(c).value_or(QStringLiteral("<fail>"));
        out << row.join(u'|');
    }
    return out;
}

QByteArray fileHash(const QString &path)
{
    return QCryptographicHash::hash(test::readFile(path), QCryptographicHash::Sha256);
}

bool setTime(const QString &path, int secondsFromNow)
{
    const timespec t{time(nullptr) + secondsFromNow, 0}, both[2] = {t, t};
    return utimensat(AT_FDCWD, QFile::encodeName(path).constData(), both, 0) == 0;
}

const QString kDefaultStore = QStringLiteral(VELMORA_TEST_DATA_DIR "/Bazabos.db");

} // namespace

class TestRecordset : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    QString m_fixture;
    QByteArray m_defaultHash;
    QList<QPair<QString, QString>> m_stores; // label, path: the fixture and the default store

private slots:
    void initTestCase()
    {
        // Access files opened by the tests are converted into a cache of the test's own.
        QStandardPaths::setTestModeEnabled(true);
        QVERIFY(m_dir.isValid());
        m_fixture = m_dir.filePath(QStringLiteral("Bazabos.db"));
        QVERIFY(sqlite(m_fixture, kFixture));
        m_stores = {{QStringLiteral("fixture"), m_fixture}};
        if (QFileInfo::exists(kDefaultStore)) {
            m_stores.append({QStringLiteral("default"), kDefaultStore});
            m_defaultHash = fileHash(kDefaultStore);
        }
    }

    // Every text ran on the default store too: it is unchanged.
    void cleanupTestCase()
    {
        DataFolder::reset();
        if (!m_defaultHash.isEmpty())
            QCOMPARE(fileHash(kDefaultStore), m_defaultHash);
    }

    // Texts 1-8 give exactly the rows a plain reading of the store gives; "" as the raw query: the
    // text is rejected with a message. `count`: the rows expected on every store, or -1.
    void programTexts_data()
    {
        QTest::addColumn<QString>("store");
        QTest::addColumn<QString>("jet");
        QTest::addColumn<QString>("raw");
        QTest::addColumn<int>("count");
        using velmora::data::quoteDouble;
        using velmora::data::quoteSingle;
        const QString v = "SELECT nrsure, nrajet, tekstajet FROM kuran WHERE ";
        const QString t = "SELECT nrsure, emrsure, ajetet FROM klasifikim WHERE ";
        const QString n = "SELECT * FROM sure WHERE ";
        const char *text = "tekstajet", *emri = "EmriBoshnjakisht";
        for (const auto &[label, path] : m_stores) {
            const QString first =
                rawRows(path, QStringLiteral("SELECT Tema FROM VetemTemat LIMIT 1")).value(0);
            const QString musaHarun = v + holds(text, "Musa") + " AND " + holds(text, "Harun");
            const QList<std::tuple<const char *, QString, QString, int>> rows = {
                {"text 1 word", search("Allah"), v + holds(text, "Allah"), -1},
                {"text 1 Bosnian upper case", search("ČOVJEK"), v + holds(text, "čovjek"), -1},
                {"text 1 quote", search("Kur'an"), v + holds(text, "Kur'an"), -1},
                {"text 2 two words", search("Musa&Harun"), musaHarun, -1},
                {"text 2 empty word", search("Allah&"), v + holds(text, "Allah"), -1},
                {"text 3 in a surah", search("Musa&Harun", "20"), musaHarun + " AND nrsure = 20", -1},
                {"text 4 2And 255", ayah("2", "255"), v + "nrsure = 2 AND nrajet = 255", 1},
                {"text 4 leading zeros", ayah("02", "05"), v + "nrsure = 2 AND nrajet = 5", 1},
                {"text 4 no such ayah", ayah("1", "8"), v + "0", 0},
                {"text 5 first topic", topic('"' + first + '"'), t + holds("tema", first, true), -1},
                {"text 5 double quote rejected", topic("\"Riječ \"Elif\"\""), QString(), 0},
                {"text 5 double quote doubled", topic(quoteDouble("Riječ \"Elif\"")),
                 t + holds("tema", "Riječ \"Elif\"", true), -1},
                {"text 6", "select * from KreuMeTema", "SELECT * FROM KreuMeTema", -1},
                {"text 7", "select * from VetemTemat", "SELECT * FROM VetemTemat", -1},
                {"text 8 name", surahName("'Fatiha'"), n + holds(emri, "Fatiha", true), 1},
                {"text 8 upper case", surahName("'FATIHA'"), n + holds(emri, "Fatiha", true), 1},
                {"text 8 quote rejected", surahName("'Ali-'Imran'"), QString(), 0},
                {"text 8 quote doubled", surahName("'Ali-''Imran'"), n + holds(emri, "Ali-'Imran", true), 1},
                {"text 8 quoteSingle", surahName(quoteSingle("Ali-'Imran")),
                 n + holds(emri, "Ali-'Imran", true), 1},
            };
            for (const auto &[name, jet, raw, count] : rows)
                QTest::addRow("%s %s", qPrintable(label), name) << path << jet << raw << count;
        }
    }

    void programTexts()
    {
        QFETCH(QString, store);
        QFETCH(QString, jet);
        QFETCH(QString, raw);
        QFETCH(int, count);
        Recordset rs = Database::openPath(store).openRecordset(jet);
        if (raw.isEmpty()) {
            QVERIFY(!rs.isValid() && !rs.errorString().isEmpty());
            return;
        }
        QVERIFY2(rs.isValid(), qPrintable(rs.errorString()));
        const QStringList expected = rawRows(store, raw);
        QCOMPARE(allRows(rs, expected.value(0).count(u'|') + 1), expected);
        QVERIFY(count < 0 || rs.rowCount() == count);
    }

    // Texts 9-11 seek on the indexes of "Sure" and text 13 walks a copy; the test table is
    // sought by Access and SQLite index names. `expected`: the first field (with the second after
    // "|"), empty for no current record.
    void seek_data()
    {
        QTest::addColumn<QString>("store");
        QTest::addColumn<QString>("table");
        QTest::addColumn<QString>("index");
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("expected");
        const QList<std::tuple<const char *, const char *, const char *, const char *, const char *>> rows = {
            {"text 9 seek 2", "Sure", "numri", "2", "2"},
            {"text 9 seek 02", "Sure", "numri", "02", "2"},
            {"text 9 seek 200", "Sure", "Numri", "200", ""},
            {"text 10 seek 7", "Sure", "nr i ajeteve", "7", "1"},
            {"text 10 seek 200", "Sure", "Nr I Ajeteve", "200", "3"},
            {"text 11 seek name", "Sure", "emriboshnjakisht", "Ali-'Imran", "3"},
            {"text 11 seek name lower case", "Sure", "EmriBoshnjakisht", "fatiha", "1"},
            {"Access name PrimaryKey", "PROBA", "PrimaryKey", "2", "2|Alfa"},
            {"SQLite name", "PROBA", "PROBA_ID", "1", "1|čaj"},
            {"whole real key", "PROBA", "proba_id", "2.0", "2|Alfa"},
            {"fraction never equals a whole", "PROBA", "proba_id", "2.5", ""},
            {"descending text index", "PROBA", "ImeSilazno", "čaj", "9|ČAJ"},
            {"text key case ignored", "PROBA", "proba_ime_desc", "ALFA", "2|Alfa"},
        };
        for (const auto &[label, path] : m_stores) {
            for (const auto &[name, table, index, key, expected] : rows) {
                if (path == m_fixture || table[0] == 'S')
                    QTest::addRow("%s %s", qPrintable(label), name)
                        << path << table << index << key << expected;
            }
        }
    }

    void seek()
    {
        QFETCH(QString, store);
        QFETCH(QString, table);
        QFETCH(QString, index);
        QFETCH(QString, key);
        QFETCH(QString, expected);
        TableRecordset rs = Database::openPath(store).openTable(table);
        QVERIFY(rs.hasCurrent()); // on the first record when opened
        QVERIFY2(rs.setIndex(index), qPrintable(rs.errorString()));
        QCOMPARE(rs.seek(key), !expected.isEmpty());
        QCOMPARE(rs.noMatch(), expected.isEmpty());
        QCOMPARE(rs.hasCurrent(), !expected.isEmpty());
        if (expected.isEmpty()) {
            QVERIFY(!rs.field(0).has_value());
            QCOMPARE(rs.errorString(), QStringLiteral("Nema tekućeg zapisa."));
            return;
        }
        QCOMPARE(*rs.field(0) + (expected.contains(u'|') ? '|' + *rs.field(1) : QString()), expected);
        if (table == QLatin1String("PROBA"))
            return;
        // Text 13: a copy walks every surah from the first, and the table stays where it was.
        QStringList numbers;
        for (Recordset copy = rs.clone(); !copy.eof(); copy.moveNext())
            numbers << *copy.field(QStringLiteral("Numri")) + '|' +
                           *copy.field(QStringLiteral("nr i ajeteve"));
        QCOMPARE(numbers, rawRows(store, "SELECT Numri, \"Nr i ajeteve\" FROM sure ORDER BY rowid"));
        QCOMPARE(rs.field(QStringLiteral("numri")), std::optional(expected));
    }

    // Text 12 and other conditions for the find of the "Kuran" snapshot: the row found as
    // surah:ayah, "" for no match, or "!" and a part of the error (the current row is then kept).
    void findFirst_data()
    {
        QTest::addColumn<QString>("store");
        QTest::addColumn<QString>("condition");
        QTest::addColumn<QString>("result");
        const QList<QPair<const char *, const char *>> rows = {
            {"nrsure =1 and nrajet =1", "1:1"}, // the first three: text 12, on every store
            {"nrsure =2 and nrajet =255", "2:255"},
            {"nrsure =2 and nrajet =999", ""},
            {"nrsure = = 1", "!Sintaksna greška"},
            {"nrsura = 1", "!Nepoznato polje"},
            {"nrsure = 'abc'", "!Nepodudaranje tipova"},
            {"", "!prazan"},
            {"nrsure = 1; nrajet = 2", "!Iza kraja"},
            {"tekstajet like '[a'", "!["},
            {"len(tekstajet) > 3", "!Funkcije"},
            {"tekstajet like '*ČOVJEK*' and not nrsure = 2", "22:5"},
            {"(nrsure = 20 or nrsure = 12) and tefsir is null and nrajet >= 2", "12:2"},
            {"kuran.tefsir IS NOT NULL and nrsure > 100", "103:1"},
            {"tefsir <> 'Tefsir 1:1'", "2:1"}, // NULL never differs from a text
        };
        for (const auto &[label, path] : m_stores) {
            for (int k = 0; k < (path == m_fixture ? rows.size() : 3); ++k)
                QTest::addRow("%s %s", qPrintable(label), *rows[k].first ? rows[k].first : "empty")
                    << path << rows[k].first << rows[k].second;
        }
    }

    void findFirst()
    {
        QFETCH(QString, store);
        QFETCH(QString, condition);
        QFETCH(QString, result);
        Recordset kuran = Database::openPath(store).openRecordset(QStringLiteral("Kuran"));
        QVERIFY2(kuran.findFirst(QStringLiteral("nrsure =2 and nrajet =5")), qPrintable(kuran.errorString()));
        const bool found = kuran.findFirst(condition);
        QCOMPARE(found, !result.isEmpty() && !result.startsWith(u'!'));
        QCOMPARE(kuran.noMatch(), result.isEmpty());
        if (result.isEmpty()) {
            QVERIFY(kuran.eof() && !kuran.field(0).has_value());
            return;
        }
        QVERIFY2(found || kuran.errorString().contains(result.mid(1)), qPrintable(kuran.errorString()));
        QCOMPARE(*kuran.field(0) + ':' + *kuran.field(QStringLiteral("NrAjet")),
                 found ? result : QStringLiteral("2:5"));
    }

    // Inputs a reader can type or choose reach the texts: each is either rejected with a message or
    // read as a value, giving a result with the fields of the table the text reads.
    void readerInputs_data()
    {
        QTest::addColumn<QString>("store");
        QTest::addColumn<QString>("input");
        QTest::addColumn<QString>(
            "found"); // the raw condition for the ayahs the verse search finds; "": rejected
        const QList<std::tuple<const char *, QString, QString>> inputs = {
            {"quote", "'", holds("tekstajet", "'")},
            {"or 1=1", "\" or \"1\"=\"1", holds("tekstajet", "\" or \"1\"=\"1")},
            {"semicolon", ";", holds("tekstajet", ";")},
            {"dashes", "--", holds("tekstajet", "--")},
            {"drop", "'; DROP TABLE kuran --", "0"},
            {"nul", QString(QChar(0)), ""},
            {"10,000 characters", QString(10000, u'a'), "0"},
            {"bracket", "[", ""},
            {"hash", "#", "tekstajet GLOB '*[0-9]*'"},
        };
        for (const auto &[label, path] : m_stores) {
            for (const auto &[name, input, found] : inputs)
                QTest::addRow("%s %s", qPrintable(label), name) << path << input << found;
        }
    }

    void readerInputs()
    {
        QFETCH(QString, store);
        QFETCH(QString, input);
        QFETCH(QString, found);
        const Database db = Database::openPath(store);
        Recordset rs = db.openRecordset(search(input));
        QCOMPARE(rs.isValid(), !found.isEmpty());
        QVERIFY(rs.isValid() || !rs.errorString().isEmpty());
        if (rs.isValid())
            QCOMPARE(QString::number(rs.rowCount()),
                     rawRows(store, "SELECT count(*) FROM kuran WHERE " + found).value(0));
        const QStringList kuran = db.openRecordset(QStringLiteral("kuran")).fieldNames();
        const QList<QPair<QString, QStringList>> texts = {
            {search("Allah", input), kuran},
            {ayah(input, "1"), kuran},
            {ayah("1", input), kuran},
            {topic('"' + input + '"'), {"nrsure", "emrsure", "ajetet"}},
            {surahName('\'' + input + '\''), db.openRecordset(QStringLiteral("sure")).fieldNames()},
        };
        for (const auto &[jet, fields] : texts) {
            Recordset r = db.openRecordset(jet);
            QVERIFY2(r.isValid() ? r.fieldNames() == fields : !r.errorString().isEmpty(),
                     qPrintable(jet.left(100)));
        }
        Recordset snapshot = db.openRecordset(QStringLiteral("Kuran"));
        QVERIFY(snapshot.findFirst("nrsure =" + input + " and nrajet =1") ||
                !snapshot.errorString().isEmpty());
        TableRecordset data1 = db.openTable(QStringLiteral("Sure"));
        QVERIFY(data1.setIndex(QStringLiteral("numri")) && !data1.seek(input) && !data1.field(0).has_value());
    }

    // No text changes the store: neither its bytes nor its time, and no journal appears.
    void storeNeverChanges()
    {
        QTemporaryDir dir;
        const QString copy = dir.filePath(QStringLiteral("Bazabos.db"));
        QVERIFY(QFile::copy(m_fixture, copy) && setTime(copy, -3600));
        const QByteArray before = fileHash(copy);
        const QDateTime mtime = QFileInfo(copy).lastModified();
        const Database db = Database::openPath(copy);
        for (const char *t : {"DROP TABLE kuran", "SELECT * FROM sure; DROP TABLE kuran", "DELETE FROM kuran",
                              "UPDATE sure SET Numri = 0", "INSERT INTO sure VALUES (1,'a','b',1)",
                              "SELECT * INTO kopija FROM sure", "PRAGMA journal_mode=WAL", "VACUUM",
                              "ATTACH DATABASE 'x.db' AS x"}) {
            Recordset rs = db.openRecordset(QString::fromUtf8(t));
            QVERIFY2(!rs.isValid() && !rs.errorString().isEmpty(), t);
        }
        QVERIFY(db.openRecordset(search("Allah")).isValid());
        TableRecordset t = db.openTable(QStringLiteral("sure"));
        QVERIFY(t.setIndex(QStringLiteral("numri")) && t.seek(QStringLiteral("1")));
        QCOMPARE(fileHash(copy), before);
        QCOMPARE(QFileInfo(copy).lastModified(), mtime);
        QVERIFY(!QFileInfo::exists(copy + "-journal") && !QFileInfo::exists(copy + "-wal"));
    }

    void valuesAndClones()
    {
        const Database db = Database::openPath(m_fixture);
        Recordset rs = db.openRecordset(QStringLiteral("SELECT id, ime, broj, x FROM proba"));
        QCOMPARE(rs.fieldNames(), (QStringList{"id", "ime", "broj", "x"}));
        // NULL reads as empty, a whole real without its fraction.
        QCOMPARE(allRows(rs, 4),
                 (QStringList{"5|beta|2.5|", "2|Alfa|7|t", "9|ČAJ|1|42", "2|alfa2|-0.25|", "1|čaj|3|"}));
        rs.moveFirst();
        QCOMPARE(rs.field(QStringLiteral("proba.IME")), std::optional(QStringLiteral("beta")));
        // A saved query serves as a table, in a text and by its bare name.
        QCOMPARE(allRows(db.openRecordset("SELECT DISTINCT nrsure FROM [TemeSure] WHERE tema LIKE 'č*'"), 1),
                 (QStringList{"2", "22"}));
        QCOMPARE(db.openRecordset(QStringLiteral("temesure")).rowCount(), 8);

        Recordset sure = db.openRecordset(QStringLiteral("[Sure]"));
        sure.moveNext();
        sure.moveNext();
        Recordset copy = sure.clone();
        QCOMPARE(*copy.field(0), QStringLiteral("1")); // a copy starts on its first row
        QCOMPARE(allRows(copy, 1).size(), 10);
        QVERIFY(copy.findFirst(QStringLiteral("numri = 107")));
        QCOMPARE(*sure.field(0), QStringLiteral("3"));
        // A plain copy of the object is the same record set, as an object reference is.
        Recordset same = sure;
        same.moveNext();
        QCOMPARE(*sure.field(0), QStringLiteral("12"));
    }

    void errorsInsteadOfCrashes()
    {
        const Database db = Database::openPath(m_fixture);
        Recordset rs = db.openRecordset(QStringLiteral("SELECT TOP 2 numri FROM sure ORDER BY numri DESC"));
        QCOMPARE(allRows(rs, 1), (QStringList{"110", "108"}));
        rs.moveNext(); // past the end: stays at the end and says why
        QVERIFY(rs.eof() && !rs.field(0) && rs.errorString() == QStringLiteral("Nema tekućeg zapisa."));
        rs.moveFirst();
        QVERIFY(!rs.field(QStringLiteral("nema")) && !rs.field(1) && !rs.field(-1));
        QCOMPARE(rs.errorString(), QStringLiteral("Stavka nije pronađena u ovoj zbirci."));

        Recordset rejected = db.openRecordset(QStringLiteral("SELECT * FROM nema"));
        QVERIFY(!rejected.isValid() && rejected.eof() && rejected.fieldNames().isEmpty() &&
                !rejected.rowCount());
        QVERIFY(!rejected.field(0) && !rejected.findFirst(QStringLiteral("nrsure = 1")) &&
                !rejected.clone().isValid());
        QVERIFY2(rejected.errorString().contains(QLatin1String("nema")), qPrintable(rejected.errorString()));
        QVERIFY(!Recordset().isValid() && Recordset().eof() && !Recordset().errorString().isEmpty());

        TableRecordset t = db.openTable(QStringLiteral("sure"));
        QVERIFY(!t.seek(QStringLiteral("1")) &&
                t.errorString().contains(QStringLiteral("tekućeg indeksa"))); // none chosen
        QVERIFY(!t.setIndex(QStringLiteral("nema")) && t.errorString().contains(QLatin1String("nema")));
        QVERIFY(!t.setIndex(QStringLiteral("kuran_mjesto"))); // an index of another table
        QVERIFY(t.setIndex(QStringLiteral("Numri")) && !t.seek(QString()) &&
                !t.seek(QStringLiteral("1e400")));
        QVERIFY(!t.seek(QStringLiteral("abc")) &&
                t.errorString().contains(QStringLiteral("Nepodudaranje tipova")));
        TableRecordset missing = db.openTable(QStringLiteral("nema"));
        QVERIFY(!missing.isValid() && !missing.setIndex(QStringLiteral("numri")) &&
                !missing.seek(QStringLiteral("1")));
        QVERIFY(!missing.field(0) && !missing.clone().isValid());

        const Database absent = Database::openPath(m_dir.filePath(QStringLiteral("nema.db")));
        QVERIFY(!absent.isOpen() && absent.errorString().contains(QLatin1String("nema.db")));
        QVERIFY(!absent.openRecordset(QStringLiteral("sure")).isValid() &&
                !Database().openTable("sure").isValid());
        QVERIFY(!QFileInfo::exists(m_dir.filePath(QStringLiteral("nema.db"))));
    }

    // The reasons a caller passes on to the reader are Bosnian: each row makes one failure and
    // names a part of its reason; none of them may carry an English sentence.
    void reasonsAreBosnian_data()
    {
        QTest::addColumn<QString>("kind"); // query, find, table, seek, end, open
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("fragment");
        QTest::newRow("unclosed quote")
            << "query" << QStringLiteral("SELECT * FROM sure WHERE EmriBoshnjakisht = 'abc")
            << QStringLiteral("navodnik na mjestu 45 nije zatvoren");
        // The other query failures reach the caller the same way; their texts are the dialect test's.
        QTest::newRow("unknown field in a find")
            << "find" << QStringLiteral("nrsura = 1") << QStringLiteral("Nepoznato polje \"nrsura\"");
        QTest::newRow("missing table")
            << "table" << QStringLiteral("nema") << QStringLiteral("Ulazna tabela \"nema\"");
        QTest::newRow("seek without an index")
            << "seek" << QStringLiteral("1") << QStringLiteral("bez tekućeg indeksa");
        QTest::newRow("past the end") << "end" << QStringLiteral("") << QStringLiteral("Nema tekućeg zapisa");
        QTest::newRow("absent store") << "open" << QStringLiteral("") << QStringLiteral("ne može se pronaći");
        QTest::newRow("damaged store")
            << "open" << QStringLiteral("SQLite format 3") << QStringLiteral("nije baza podataka");
    }

    void reasonsAreBosnian()
    {
        QFETCH(QString, kind);
        QFETCH(QString, text);
        QFETCH(QString, fragment);
        const Database db = Database::openPath(m_fixture);
        QVERIFY2(db.isOpen(), qPrintable(db.errorString()));
        QString reason;
        if (kind == QLatin1String("query")) {
            const Recordset rs = db.openRecordset(text);
            QVERIFY(!rs.isValid());
            reason = rs.errorString();
        } else if (kind == QLatin1String("find")) {
            Recordset rs = db.openRecordset(QStringLiteral("SELECT * FROM kuran"));
            QVERIFY2(rs.isValid(), qPrintable(rs.errorString()));
            QVERIFY(!rs.findFirst(text));
            reason = rs.errorString();
        } else if (kind == QLatin1String("table")) {
            const TableRecordset t = db.openTable(text);
            QVERIFY(!t.isValid());
            reason = t.errorString();
        } else if (kind == QLatin1String("seek")) {
            TableRecordset t = db.openTable(QStringLiteral("sure"));
            QVERIFY(!t.seek(text));
            reason = t.errorString();
        } else if (kind == QLatin1String("end")) {
            Recordset rs = db.openRecordset(QStringLiteral("SELECT * FROM sure"));
            while (!rs.eof())
                rs.moveNext();
            rs.moveNext();
            reason = rs.errorString();
        } else {
            // A file that starts like an SQLite store but holds no valid header after it.
            QTemporaryDir dir;
            const QString path = dir.filePath(QStringLiteral("Bazabos.db"));
            const QByteArray head = text.toLatin1() + '\0';
            QVERIFY(text.isEmpty() || test::writeFile(path, head + QByteArray(4096 - head.size(), '\xff')));
            const Database other = Database::openPath(path);
            QVERIFY(!other.isOpen());
            reason = other.errorString();
        }
        QVERIFY2(reason.contains(fragment), qPrintable(reason));
        for (const char *english :
             {"error", "cannot", "not ", "the ", "unknown", "invalid", "find", "file is"})
            QVERIFY2(!reason.contains(QLatin1String(english), Qt::CaseInsensitive), qPrintable(reason));
    }

    // The store by the program's name in the data folder: `files` as name=kind (store, other: another
    // SQLite file, text); `expected`: the file opened, or "" for an error.
    void openByName_data()
    {
        QTest::addColumn<QString>("files");
        QTest::addColumn<QString>("expected");
        QTest::newRow("store name in other case") << "BAZABOS.DB=store" << QStringLiteral("BAZABOS.DB");
        QTest::newRow("SQLite file under the Access name")
            << "BazaBos.Mdb=store Bazabos.db=other" << QStringLiteral("BazaBos.Mdb");
        QTest::newRow("unreadable mdb beside a store")
            << "bazabos.mdb=text Bazabos.db=store" << QStringLiteral("Bazabos.db");
        QTest::newRow("unreadable mdb alone") << "bazabos.mdb=text" << QStringLiteral("");
        QTest::newRow("text file named like the store") << "Bazabos.db=text" << QStringLiteral("");
        QTest::newRow("nothing") << "" << QStringLiteral("");
    }

    void openByName()
    {
        QFETCH(QString, files);
        QFETCH(QString, expected);
        QTemporaryDir dir;
        for (const QString &entry : files.split(u' ', Qt::SkipEmptyParts)) {
            const QString path = dir.filePath(entry.section(u'=', 0, 0)), kind = entry.section(u'=', 1);
            QVERIFY(kind == QLatin1String("store")   ? QFile::copy(m_fixture, path)
                    : kind == QLatin1String("other") ? sqlite(path, "CREATE TABLE other (a)")
                                                     : test::writeFile(path, "not a database\n"));
        }
        DataFolder::setPath(dir.path());
        const Database db = Database::open(QStringLiteral("bazabos.mdb"));
        DataFolder::reset();
        QCOMPARE(db.isOpen() ? QFileInfo(db.path()).fileName() : QString(), expected);
        Recordset rs = db.openRecordset(QStringLiteral("sure"));
        QCOMPARE(rs.rowCount(), expected.isEmpty() ? 0 : 10);
        QVERIFY(expected.isEmpty() ? !db.errorString().isEmpty() && !rs.errorString().isEmpty()
                                   : rs.isValid());
    }

    // The store is read again when it changed, and looked up again when the data folder changed.
    void storeChangesAreSeen()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("Bazabos.db"));
        QVERIFY(QFile::copy(m_fixture, path));
        QFile::setPermissions(path, QFile::permissions(path) | QFile::WriteOwner);
        QVERIFY(setTime(dir.path(), -3600));
        DataFolder::setPath(dir.path());
        const Database first = Database::open(QStringLiteral("bazabos.mdb"));
        QCOMPARE(first.openRecordset(QStringLiteral("sure")).rowCount(), 10);

        QVERIFY(sqlite(path, "INSERT INTO sure VALUES (114, 'an-Nas', 'En-Nas', 6)") && setTime(path, 60));
        Recordset rs = Database::open(QStringLiteral("bazabos.mdb")).openRecordset(surahName("'en-nas'"));
        QCOMPARE(allRows(rs, 1), QStringList{"114"});
        QVERIFY(first.openRecordset(QStringLiteral("sure")).isValid()); // the earlier object still answers

        // Another store appears under the program's own name: it is the one opened now.
        QVERIFY(sqlite(dir.filePath(QStringLiteral("BAZABOS.MDB")), "CREATE TABLE drugo (a)"));
        QVERIFY(setTime(dir.path(), -1800));
        const Database db = Database::open(QStringLiteral("bazabos.mdb"));
        DataFolder::reset();
        QCOMPARE(QFileInfo(db.path()).fileName(), QStringLiteral("BAZABOS.MDB"));
        QVERIFY(db.openRecordset(QStringLiteral("drugo")).isValid());
    }

    // The query command of velmora-data prints the rows of a text, or refuses it with a message:
    // a quote left open, a chain of conditions longer than the store takes.
    void queryTool()
    {
        const QString tool = QStringLiteral(VELMORA_BINARY_DIR "/bin/velmora-data");
        const auto query = [&](const QString &text) {
            return test::runProgram(tool, {"query", m_dir.path(), text}, 30000, false);
        };
        test::ProgramRun r = query("select numri, EmriBoshnjakisht from sure where numri <= 3");
        QCOMPARE(r.code, 0);
        QCOMPARE(r.out, QStringLiteral("Numri\tEmriBoshnjakisht\n1\tFatiha\n2\tBekare\n3\tAli-'Imran\n"));
        r = query(surahName("'Ali-'Imran'"));
        // The tool's own words, then the data layer's Bosnian reason.
        QVERIFY2(r.code == 1 && r.out.isEmpty() && r.err.contains(QLatin1String("not accepted")) &&
                     r.err.contains(QStringLiteral("nije zatvoren")),
                 qPrintable(r.err));
        r = query("select numri from sure where " + QStringLiteral("1 and ").repeated(14999) + "numri = 3");
        QVERIFY2(r.code == 1 && r.out.isEmpty() && r.err.contains(QStringLiteral("previše uslova")),
                 qPrintable(r.err));
        r = query("select numri from sure where " + QStringLiteral("1 and ").repeated(799) + "numri = 3");
        QCOMPARE(r.code, 0);
        QCOMPARE(r.out, QStringLiteral("Numri\n3\n"));
    }

    // The find of a snapshot reads chains of thousands of conditions in a loop, not recursing per
    // term (the verse search takes long texts the same way); past what the store can take they are
    // refused. `expected`: "surah:ayah" the find makes current, "!" and a part of the message.
    void longChains_data()
    {
        QTest::addColumn<QString>("condition");
        QTest::addColumn<QString>("expected");
        const auto repeated = [](const char *term, int count) {
            return QString::fromLatin1(term).repeated(count);
        };
        QTest::newRow("800 ANDed") << "nrsure = 20 and nrajet = 92" + repeated(" and nrsure = 20", 798)
                                   << "20:92";
        QTest::newRow("800 ORed") << repeated("nrsure = 999 or ", 799) + "nrsure = 12"
                                  << "12:1";
        QTest::newRow("NULL in an AND chain")
            << "nrsure = 2" + repeated(" and nrajet > 0", 500) + " and tefsir <> 'x' and nrajet = 2"
            << "";
        QTest::newRow("15,000 ANDed") << repeated("nrsure = 1 and ", 14999) + "nrajet = 1"
                                      << "!previše uslova";
    }

    void longChains()
    {
        QFETCH(QString, condition);
        QFETCH(QString, expected);
        Recordset rs = Database::openPath(m_fixture).openRecordset(QStringLiteral("Kuran"));
        QVERIFY(rs.isValid());
        const bool found = rs.findFirst(condition);
        QCOMPARE(found, !expected.isEmpty() && !expected.startsWith(u'!'));
        if (found)
            QCOMPARE(*rs.field(0) + ':' + *rs.field(1), expected);
        if (expected.startsWith(u'!'))
            QVERIFY2(rs.errorString().contains(expected.mid(1)), qPrintable(rs.errorString()));
    }

    // A join of the verse table with itself gives rows without end for a record set, which holds
    // its rows in memory: the query stops at the memory limit with a message, and the store goes
    // on answering.
    void memoryLimit()
    {
        QCOMPARE(velmora::data::recordsetMemoryLimit(), velmora::data::kDefaultRecordsetMemoryLimit);
        velmora::data::setRecordsetMemoryLimit(1024 * 1024);
        const Database db = Database::openPath(m_fixture);
        Recordset cross = db.openRecordset(QStringLiteral("select * from kuran a, kuran b"));
        Recordset whole = db.openRecordset(QStringLiteral("select * from kuran"));
        velmora::data::setRecordsetMemoryLimit(0);
        QCOMPARE(velmora::data::recordsetMemoryLimit(), velmora::data::kDefaultRecordsetMemoryLimit);
        QVERIFY(!cross.isValid() && cross.rowCount() == 0);
        QVERIFY2(
            cross.errorString().contains(QStringLiteral("više redova nego što skup zapisa može primiti")),
            qPrintable(cross.errorString()));
        QCOMPARE(QString::number(whole.rowCount()),
                 rawRows(m_fixture, "SELECT count(*) FROM kuran").value(0));
        QCOMPARE(allRows(db.openRecordset(QStringLiteral("select numri from sure where numri < 3")), 1),
                 (QStringList{"1", "2"}));
    }

    // The query command writes rows as the store gives them: a join of the 6236 verses with
    // themselves (38.9 million rows) starts coming at once and takes no more memory than a few.
    void queryToolStreams()
    {
        const QString tool = QStringLiteral(VELMORA_BINARY_DIR "/bin/velmora-data");
        if (!QFileInfo::exists(kDefaultStore))
            QSKIP("the default data is not made");
        QProcess p;
        p.start(tool, {"query", QFileInfo(kDefaultStore).absolutePath(),
                       "select a.nrsure, b.nrajet from kuran a, kuran b"});
        QVERIFY(p.waitForStarted(10000));
        QByteArray out;
        QDeadlineTimer deadline(30000);
        while (out.count('\n') < 10001 && !deadline.hasExpired() && p.state() == QProcess::Running) {
            p.waitForReadyRead(1000);
            out += p.readAllStandardOutput();
        }
        QFile status(QStringLiteral("/proc/%1/status").arg(p.processId()));
        QByteArray memory;
        if (status.open(QIODevice::ReadOnly))
            memory = status.readAll();
        p.kill();
        p.waitForFinished(10000);
        const QList<QByteArray> lines = out.split('\n');
        QVERIFY2(lines.size() > 10001, qPrintable(QString::number(lines.size())));
        QCOMPARE(lines.at(0), QByteArray("nrsure\tnrajet"));
        QCOMPARE(lines.at(1), QByteArray("1\t1"));
        QCOMPARE(lines.at(7), QByteArray("1\t7")); // Fatiha's seven ayahs, then Bekare's first
        QCOMPARE(lines.at(8), QByteArray("1\t1"));
        const qsizetype rss = memory.indexOf("VmRSS:");
        QVERIFY(rss >= 0);
        const qint64 kilobytes = memory.mid(rss + 6, memory.indexOf('\n', rss) - rss - 6)
                                     .trimmed()
                                     .split(' ')
                                     .value(0)
                                     .toLongLong();
        QVERIFY2(kilobytes > 0 && kilobytes < 200 * 1024, qPrintable(QString::number(kilobytes)));
    }
};

QTEST_GUILESS_MAIN(TestRecordset)
#include "tst_recordset.moc"
