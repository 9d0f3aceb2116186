#include "store.h"

#include "data/DataFolder.h"
#include "data/Database.h"

#include <QCryptographicHash>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QSet>
#include <QTemporaryDir>
#include <QtTest>

#include <fcntl.h>
#include <sqlite3.h>
#include <sys/stat.h>

using velmora::DataFolder;
using velmora::data::Database;
using velmora::data::Recordset;
using velmora::data::TableRecordset;

namespace {

// The query texts exactly as the program builds them.
QString verseText(const QString &word)
{
    return QStringLiteral("SELECT * FROM kuran WHERE tekstajet LIKE '*") + word + QStringLiteral("*'");
}
QString andPiece(const QString &word)
{
    return QStringLiteral(" AND tekstajet LIKE '*") + word + QStringLiteral("*'");
}
QString ayahText(const QString &surah, const QString &ayah)
{
    return QStringLiteral("select * FROM kuran where nrsure = ") + surah + QStringLiteral("And nrajet = ") +
           ayah;
}
QString ayahTextSplit(const QString &surah, const QString &ayah)
{
    return QStringLiteral("select * FROM kuran ") + QStringLiteral("where nrsure = ") + surah +
           QStringLiteral("And nrajet = ") + ayah;
}
QString topicText(const QString &topic)
{
    return QStringLiteral("select nrsure, emrsure, ajetet from klasifikim where ((tema = ") +
           QLatin1Char('"') + topic + QLatin1Char('"') + QStringLiteral("));");
}
QString nameText(const QString &name)
{
    return QStringLiteral("SELECT * FROM sure WHERE emriboshnjakisht='") + name + QLatin1Char('\'');
}
QString findCondition(const QString &surah, const QString &ayah)
{
    return QStringLiteral("nrsure =") + surah + QStringLiteral(" and nrajet =") + ayah;
}

// The verse search: quotes doubled, words split at "&", optional surah restriction.
QString searchQuery(const QString &typed, const QString &surah)
{
    QString copy = typed;
    copy.replace(QLatin1Char('\''), QLatin1String("''"));
    const QStringList words = copy.split(QLatin1Char('&'));
    QString q = verseText(words.first());
    for (int k = 1; k < words.size(); ++k)
        q += andPiece(words[k]);
    if (!surah.isEmpty())
        q += QStringLiteral(" and nrsure=") + surah;
    return q;
}

QStringList allRows(Recordset rs, int columns)
{
    QStringList out;
    for (; !rs.eof(); rs.moveNext()) {
        QStringList row;
        for (int c = 0; c < columns; ++c)
            row << rs.field(c).value_or(QStringLiteral("<fail>"));
        out << row.join(QLatin1Char('|'));
    }
    return out;
}

QByteArray fileHash(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return QCryptographicHash::hash(f.readAll(), QCryptographicHash::Sha256);
}

bool isView(const QString &store, const QString &name)
{
    const auto rows = teststore::rawRows(
        store, QStringLiteral("SELECT type FROM sqlite_master WHERE name = ? COLLATE NOCASE"), {name});
    return !rows.isEmpty() && rows.first().first() == QLatin1String("view");
}

} // namespace

class TestRecordset : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    QString m_fixture;
    QByteArray m_defaultHash;
    QDateTime m_defaultTime;

    void addStores()
    {
        QTest::addColumn<QString>("store");
        QTest::newRow("fixture") << m_fixture;
        const QString def = teststore::defaultStore();
        if (!def.isEmpty())
            QTest::newRow("default") << def;
    }
    // Rows for each store crossed with named cases.
    template <typename F> void addStoreRows(F perStore)
    {
        QList<QPair<QString, QString>> stores{{QStringLiteral("fixture"), m_fixture}};
        if (!teststore::defaultStore().isEmpty())
            stores.append({QStringLiteral("default"), teststore::defaultStore()});
        for (const auto &[label, path] : stores)
            perStore(label, path);
    }

private slots:
    void initTestCase();
    void cleanupTestCase() { DataFolder::reset(); }

    void verseSearch_data();
    void verseSearch();
    void oneAyah_data();
    void oneAyah();
    void topicReferenceLines_data();
    void topicReferenceLines();
    void chaptersAndTopicList_data();
    void chaptersAndTopicList();
    void surahByName_data();
    void surahByName();
    void seekSurahNumber_data();
    void seekSurahNumber();
    void seekAyahCount_data();
    void seekAyahCount();
    void seekSurahName_data();
    void seekSurahName();
    void findAyahInSnapshot_data();
    void findAyahInSnapshot();
    void surahListsFromCopy_data();
    void surahListsFromCopy();
    void readerInputs_data();
    void readerInputs();
    void storeNeverChanges();

    void valuesAsText();
    void walkingAndErrors();
    void findFirstFailures_data();
    void findFirstFailures();
    void cloneIsIndependent();
    void tableSeek_data();
    void tableSeek();
    void seekErrors();
    void bareNamesAndViews();
    void openByName_data();
    void openByName();
    void lookupFollowsFolderChanges();
    void missingStore();
    void reopenAfterChange();
    void queryTool();
    void quoting_data();
    void quoting();
    // Last: every text above ran on the default store too.
    void defaultStoreUnchanged();
};

void TestRecordset::quoting_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("single");
    QTest::addColumn<QString>("doubled");
    QTest::newRow("plain") << "Fatiha"
                           << "'Fatiha'"
                           << "\"Fatiha\"";
    QTest::newRow("apostrophe") << "Ali-'Imran"
                                << "'Ali-''Imran'"
                                << "\"Ali-'Imran\"";
    QTest::newRow("double quote") << "Riječ \"Elif\""
                                  << "'Riječ \"Elif\"'"
                                  << "\"Riječ \"\"Elif\"\"\"";
    QTest::newRow("empty") << ""
                           << "''"
                           << "\"\"";
}

// Quoted names make texts 8 and 5 find what they name, whatever it holds.
void TestRecordset::quoting()
{
    QFETCH(QString, text);
    QFETCH(QString, single);
    QFETCH(QString, doubled);
    QCOMPARE(velmora::data::quoteSingle(text), single);
    QCOMPARE(velmora::data::quoteDouble(text), doubled);
    const Database db = Database::openPath(m_fixture);
    Recordset byName =
        db.openRecordset(QStringLiteral("SELECT * FROM sure WHERE emriboshnjakisht=") + single);
    QVERIFY2(byName.isValid(), qPrintable(byName.errorString()));
    Recordset byTopic = db.openRecordset(QStringLiteral("select nrsure from klasifikim where ((tema = ") +
                                         doubled + QStringLiteral("));"));
    QVERIFY2(byTopic.isValid(), qPrintable(byTopic.errorString()));
    if (text == QLatin1String("Ali-'Imran"))
        QCOMPARE(*byName.field(0), QStringLiteral("3"));
    if (text.contains(QLatin1Char('"')))
        QCOMPARE(*byTopic.field(0), QStringLiteral("3"));
}

void TestRecordset::defaultStoreUnchanged()
{
    const QString def = teststore::defaultStore();
    if (def.isEmpty())
        QSKIP("no default store");
    QCOMPARE(fileHash(def), m_defaultHash);
    QCOMPARE(QFileInfo(def).lastModified(), m_defaultTime);
}

void TestRecordset::initTestCase()
{
    if (!teststore::defaultStore().isEmpty()) {
        m_defaultHash = fileHash(teststore::defaultStore());
        m_defaultTime = QFileInfo(teststore::defaultStore()).lastModified();
    }
    QVERIFY(m_dir.isValid());
    m_fixture = m_dir.filePath(QStringLiteral("Bazabos.db"));
    QString err;
    QVERIFY2(teststore::build(m_fixture, &err), qPrintable(err));
    if (teststore::defaultStore().isEmpty())
        qInfo("No default store at %s: the texts run on the fixture only.", VELMORA_TEST_DATA_DIR);
}

// Texts 1-3: the verse search.
void TestRecordset::verseSearch_data()
{
    QTest::addColumn<QString>("store");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("surah");
    addStoreRows([](const QString &label, const QString &path) {
        const QList<QPair<QString, QString>> cases = {
            {QStringLiteral("Allah"), QString()},
            {QStringLiteral("allah"), QString()},
            {QStringLiteral("ALLAH"), QStringLiteral("2")},
            {QStringLiteral("čovjek"), QString()},
            {QStringLiteral("ČOVJEK"), QString()},
            {QStringLiteral("Musa&Harun"), QString()},
            {QStringLiteral("Musa&Harun"), QStringLiteral("20")},
            {QStringLiteral("Kur'an"), QString()},
            {QStringLiteral("Allah&"), QString()},
            {QStringLiteral("Allah & Musa"), QString()},
            {QStringLiteral("Elif"), QStringLiteral("3")},
            {QStringLiteral("qqqxqqq"), QString()},
        };
        for (const auto &[typed, surah] : cases)
            QTest::addRow("%s %s%s%s", qPrintable(label), qPrintable(typed), surah.isEmpty() ? "" : " in ",
                          qPrintable(surah))
                << path << typed << surah;
    });
}

void TestRecordset::verseSearch()
{
    QFETCH(QString, store);
    QFETCH(QString, typed);
    QFETCH(QString, surah);
    const Database db = Database::openPath(store);
    QVERIFY2(db.isOpen(), qPrintable(db.errorString()));
    Recordset rs = db.openRecordset(searchQuery(typed, surah));
    QVERIFY2(rs.isValid(), qPrintable(rs.errorString()));
    QCOMPARE(rs.fieldNames().mid(0, 3),
             (QStringList{QStringLiteral("nrsure"), QStringLiteral("nrajet"), QStringLiteral("tekstajet")}));

    QStringList expected;
    const QStringList words = typed.split(QLatin1Char('&'));
    for (const QStringList &row : teststore::rawRows(
             store, QStringLiteral("SELECT nrsure, nrajet, tekstajet FROM kuran ORDER BY rowid"))) {
        if (!surah.isEmpty() && row[0] != surah)
            continue;
        bool all = true;
        for (const QString &w : words)
            all = all && row[2].contains(w, Qt::CaseInsensitive);
        if (all)
            expected << row.join(QLatin1Char('|'));
    }
    QCOMPARE(allRows(rs, 3), expected);
}

// Text 4: one ayah; the surah number and "And" meet without a blank.
void TestRecordset::oneAyah_data()
{
    QTest::addColumn<QString>("store");
    QTest::addColumn<QString>("surah");
    QTest::addColumn<QString>("ayah");
    QTest::addColumn<bool>("splitPrefix");
    addStoreRows([](const QString &label, const QString &path) {
        QTest::addRow("%s 2:255", qPrintable(label)) << path << "2"
                                                     << "255" << false;
        QTest::addRow("%s 2:255 split prefix", qPrintable(label)) << path << "2"
                                                                  << "255" << true;
        QTest::addRow("%s 1:1", qPrintable(label)) << path << "1"
                                                   << "1" << false;
        QTest::addRow("%s 1:7", qPrintable(label)) << path << "1"
                                                   << "7" << false;
        QTest::addRow("%s 1:8 missing", qPrintable(label)) << path << "1"
                                                           << "8" << false;
        QTest::addRow("%s 20:70", qPrintable(label)) << path << "20"
                                                     << "70" << true;
        QTest::addRow("%s 02:05 leading zeros", qPrintable(label)) << path << "02"
                                                                   << "05" << false;
    });
}

void TestRecordset::oneAyah()
{
    QFETCH(QString, store);
    QFETCH(QString, surah);
    QFETCH(QString, ayah);
    QFETCH(bool, splitPrefix);
    const QString text = splitPrefix ? ayahTextSplit(surah, ayah) : ayahText(surah, ayah);
    const Database db = Database::openPath(store);
    Recordset rs = db.openRecordset(text);
    QVERIFY2(rs.isValid(), qPrintable(rs.errorString()));
    QStringList expected;
    for (const QStringList &row : teststore::rawRows(
             store,
             QStringLiteral("SELECT nrsure, nrajet, tekstajet FROM kuran WHERE nrsure = ? AND nrajet = ?"),
             {surah.toInt(), ayah.toInt()}))
        expected << row.join(QLatin1Char('|'));
    QCOMPARE(allRows(rs, 3), expected);
    if (surah == QLatin1String("2") && ayah == QLatin1String("255")) {
        QVERIFY(!expected.isEmpty());
        QCOMPARE(rs.rowCount(), 1);
        rs.moveFirst();
        QCOMPARE(rs.field(0), std::optional<QString>(QStringLiteral("2")));
        QCOMPARE(rs.field(QStringLiteral("NRAJET")), std::optional<QString>(QStringLiteral("255")));
    }
}

// Text 5: the reference lines of a topic; the name goes between double quotes unchanged.
void TestRecordset::topicReferenceLines_data()
{
    QTest::addColumn<QString>("store");
    QTest::addColumn<QString>("topic");
    addStoreRows([](const QString &label, const QString &path) {
        const auto topics = teststore::rawRows(path, QStringLiteral("SELECT * FROM VetemTemat"));
        for (int k = 0; k < topics.size() && k < 25; ++k)
            QTest::addRow("%s %s", qPrintable(label), qPrintable(topics[k][0])) << path << topics[k][0];
        QTest::addRow("%s upper case", qPrintable(label)) << path << topics.value(0).value(0).toUpper();
        QTest::addRow("%s unknown topic", qPrintable(label)) << path << QStringLiteral("Nema takve teme");
    });
}

void TestRecordset::topicReferenceLines()
{
    QFETCH(QString, store);
    QFETCH(QString, topic);
    const Database db = Database::openPath(store);
    Recordset rs = db.openRecordset(topicText(topic));
    if (topic.contains(QLatin1Char('"'))) {
        QVERIFY(!rs.isValid());
        QVERIFY(!rs.errorString().isEmpty());
        return;
    }
    QVERIFY2(rs.isValid(), qPrintable(rs.errorString()));
    QCOMPARE(rs.fieldNames(),
             (QStringList{QStringLiteral("nrsure"), QStringLiteral("emrsure"), QStringLiteral("ajetet")}));
    QStringList expected;
    for (const QStringList &row : teststore::rawRows(
             store, QStringLiteral("SELECT nrsure, emrsure, ajetet, tema FROM klasifikim ORDER BY rowid"))) {
        if (row[3].compare(topic, Qt::CaseInsensitive) == 0)
            expected << row.mid(0, 3).join(QLatin1Char('|'));
    }
    QCOMPARE(allRows(rs, 3), expected);
}

// Texts 6 and 7: chapters with topics, and the topics alone, in the store's order.
void TestRecordset::chaptersAndTopicList_data()
{
    QTest::addColumn<QString>("store");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("table");
    addStoreRows([](const QString &label, const QString &path) {
        QTest::addRow("%s KreuMeTema", qPrintable(label)) << path << "select * from KreuMeTema"
                                                          << "KreuMeTema";
        QTest::addRow("%s VetemTemat", qPrintable(label)) << path << "select * from VetemTemat"
                                                          << "VetemTemat";
    });
}

void TestRecordset::chaptersAndTopicList()
{
    QFETCH(QString, store);
    QFETCH(QString, text);
    QFETCH(QString, table);
    const Database db = Database::openPath(store);
    Recordset rs = db.openRecordset(text);
    QVERIFY2(rs.isValid(), qPrintable(rs.errorString()));
    const QString raw = QStringLiteral("SELECT * FROM ") + table +
                        (isView(store, table) ? QString() : QStringLiteral(" ORDER BY rowid"));
    const auto rows = teststore::rawRows(store, raw);
    QVERIFY(!rows.isEmpty());
    QStringList expected;
    for (const QStringList &row : rows)
        expected << row.join(QLatin1Char('|'));
    QCOMPARE(allRows(rs, rows.first().size()), expected);
    if (store == m_fixture && table == QLatin1String("VetemTemat")) {
        rs.moveFirst();
        QStringList names;
        for (; !rs.eof(); rs.moveNext())
            names << *rs.field(0);
        QCOMPARE(names, teststore::topics());
    }
}

// Text 8: the surah by name; a name holding a quote breaks the text.
void TestRecordset::surahByName_data()
{
    QTest::addColumn<QString>("store");
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("doubleQuotes");
    addStoreRows([](const QString &label, const QString &path) {
        for (const QStringList &row :
             teststore::rawRows(path, QStringLiteral("SELECT EmriBoshnjakisht FROM sure ORDER BY rowid"))) {
            QTest::addRow("%s %s", qPrintable(label), qPrintable(row[0])) << path << row[0] << false;
            if (row[0].contains(QLatin1Char('\'')))
                QTest::addRow("%s %s doubled", qPrintable(label), qPrintable(row[0]))
                    << path << row[0] << true;
        }
        QTest::addRow("%s FATIHA", qPrintable(label)) << path << QStringLiteral("FATIHA") << false;
        QTest::addRow("%s no such name", qPrintable(label)) << path << QStringLiteral("Nepostojeca") << false;
    });
}

void TestRecordset::surahByName()
{
    QFETCH(QString, store);
    QFETCH(QString, name);
    QFETCH(bool, doubleQuotes);
    const Database db = Database::openPath(store);
    QString inserted = name;
    if (doubleQuotes)
        inserted.replace(QLatin1Char('\''), QLatin1String("''"));
    Recordset rs = db.openRecordset(nameText(inserted));
    if (name.contains(QLatin1Char('\'')) && !doubleQuotes) {
        QVERIFY(!rs.isValid());
        QVERIFY(!rs.errorString().isEmpty());
        return;
    }
    QVERIFY2(rs.isValid(), qPrintable(rs.errorString()));
    QStringList expected;
    for (const QStringList &row : teststore::rawRows(
             store,
             QStringLiteral("SELECT Numri, EmriBoshnjakisht, \"Nr i ajeteve\" FROM sure ORDER BY rowid"))) {
        if (row[1].compare(name, Qt::CaseInsensitive) == 0)
            expected << row.join(QLatin1Char('|'));
    }
    QStringList got;
    for (; !rs.eof(); rs.moveNext())
        got << QStringList{*rs.field(QStringLiteral("Numri")), *rs.field(QStringLiteral("EmriBoshnjakisht")),
                           *rs.field(QStringLiteral("Nr i ajeteve"))}
                   .join(QLatin1Char('|'));
    QCOMPARE(got, expected);
    if (name == QLatin1String("Ali-'Imran"))
        QVERIFY(got.value(0).startsWith(QLatin1String("3|")));
}

// Text 9: seek on the index "numri".
void TestRecordset::seekSurahNumber_data()
{
    QTest::addColumn<QString>("store");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("numri"); // empty: no record
    addStoreRows([](const QString &label, const QString &path) {
        for (const QStringList &row :
             teststore::rawRows(path, QStringLiteral("SELECT Numri FROM sure ORDER BY rowid")))
            QTest::addRow("%s %s", qPrintable(label), qPrintable(row[0])) << path << row[0] << row[0];
        QTest::addRow("%s 02", qPrintable(label)) << path << "02"
                                                  << "2";
        QTest::addRow("%s 200", qPrintable(label)) << path << "200"
                                                   << "";
        QTest::addRow("%s 0", qPrintable(label)) << path << "0"
                                                 << "";
    });
}

void TestRecordset::seekSurahNumber()
{
    QFETCH(QString, store);
    QFETCH(QString, key);
    QFETCH(QString, numri);
    const Database db = Database::openPath(store);
    TableRecordset data1 = db.openTable(QStringLiteral("Sure"));
    QVERIFY2(data1.isValid(), qPrintable(data1.errorString()));
    QVERIFY(data1.setIndex(QStringLiteral("numri")));
    const bool found = data1.seek(key);
    QCOMPARE(found, !numri.isEmpty());
    QCOMPARE(data1.noMatch(), numri.isEmpty());
    QCOMPARE(data1.hasCurrent(), found);
    if (!found) {
        QVERIFY(!data1.field(QStringLiteral("Numri")).has_value());
        QCOMPARE(data1.errorString(), QStringLiteral("No current record."));
        return;
    }
    const auto raw = teststore::rawRows(
        store, QStringLiteral("SELECT Numri, EmriBoshnjakisht, \"Nr i ajeteve\" FROM sure WHERE Numri = ?"),
        {numri.toInt()});
    QCOMPARE(raw.size(), 1);
    QCOMPARE(*data1.field(QStringLiteral("numri")), raw[0][0]);
    QCOMPARE(*data1.field(QStringLiteral("EmriBoshnjakisht")), raw[0][1]);
    QCOMPARE(*data1.field(QStringLiteral("nr i ajeteve")), raw[0][2]);
    QCOMPARE(*data1.field(3), raw[0][2]);
}

// Text 10: seek on "nr i ajeteve": the first surah in index order with that count.
void TestRecordset::seekAyahCount_data()
{
    QTest::addColumn<QString>("store");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("numri");
    addStoreRows([](const QString &label, const QString &path) {
        for (const QStringList &row : teststore::rawRows(
                 path, QStringLiteral("SELECT \"Nr i ajeteve\", min(Numri) FROM sure GROUP BY 1")))
            QTest::addRow("%s %s", qPrintable(label), qPrintable(row[0])) << path << row[0] << row[1];
        QTest::addRow("%s 9999", qPrintable(label)) << path << "9999"
                                                    << "";
    });
}

void TestRecordset::seekAyahCount()
{
    QFETCH(QString, store);
    QFETCH(QString, key);
    QFETCH(QString, numri);
    const Database db = Database::openPath(store);
    TableRecordset data1 = db.openTable(QStringLiteral("sure"));
    QVERIFY(data1.setIndex(QStringLiteral("nr i ajeteve")));
    QCOMPARE(data1.seek(key), !numri.isEmpty());
    if (numri.isEmpty()) {
        QVERIFY(!data1.field(0).has_value());
        return;
    }
    QCOMPARE(*data1.field(QStringLiteral("Numri")), numri);
    QCOMPARE(*data1.field(QStringLiteral("Nr i ajeteve")), key);
    if (key == QLatin1String("7"))
        QCOMPARE(numri, QStringLiteral("1"));
}

// Text 11: seek on "emriboshnjakisht".
void TestRecordset::seekSurahName_data()
{
    QTest::addColumn<QString>("store");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("numri");
    addStoreRows([](const QString &label, const QString &path) {
        const auto rows = teststore::rawRows(
            path, QStringLiteral("SELECT EmriBoshnjakisht, Numri FROM sure ORDER BY rowid"));
        for (const QStringList &row : rows) {
            QString first;
            for (const QStringList &other : rows) {
                if (other[0].compare(row[0], Qt::CaseInsensitive) == 0) {
                    first = other[1];
                    break;
                }
            }
            QTest::addRow("%s %s", qPrintable(label), qPrintable(row[0])) << path << row[0] << first;
        }
        QTest::addRow("%s fatiha lower case", qPrintable(label)) << path << "fatiha"
                                                                 << "1";
        QTest::addRow("%s unknown", qPrintable(label)) << path << "Nepostojeca"
                                                       << "";
    });
}

void TestRecordset::seekSurahName()
{
    QFETCH(QString, store);
    QFETCH(QString, key);
    QFETCH(QString, numri);
    const Database db = Database::openPath(store);
    TableRecordset rs = db.openTable(QStringLiteral("Sure"));
    QVERIFY(rs.setIndex(QStringLiteral("EmriBoshnjakisht")));
    QCOMPARE(rs.seek(key), !numri.isEmpty());
    if (!numri.isEmpty())
        QCOMPARE(*rs.field(0), numri);
    else
        QVERIFY(!rs.hasCurrent());
}

// Text 12: find first in the snapshot of "Kuran".
void TestRecordset::findAyahInSnapshot_data()
{
    QTest::addColumn<QString>("store");
    QTest::addColumn<QString>("surah");
    QTest::addColumn<QString>("ayah");
    addStoreRows([](const QString &label, const QString &path) {
        QTest::addRow("%s 1:1", qPrintable(label)) << path << "1"
                                                   << "1";
        QTest::addRow("%s 2:5", qPrintable(label)) << path << "2"
                                                   << "5";
        QTest::addRow("%s 2:255", qPrintable(label)) << path << "2"
                                                     << "255";
        QTest::addRow("%s 20:92", qPrintable(label)) << path << "20"
                                                     << "92";
        QTest::addRow("%s 2:999 none", qPrintable(label)) << path << "2"
                                                          << "999";
    });
}

void TestRecordset::findAyahInSnapshot()
{
    QFETCH(QString, store);
    QFETCH(QString, surah);
    QFETCH(QString, ayah);
    const Database db = Database::openPath(store);
    Recordset kuran = db.openRecordset(QStringLiteral("Kuran"));
    QVERIFY2(kuran.isValid(), qPrintable(kuran.errorString()));
    const auto raw = teststore::rawRows(
        store, QStringLiteral("SELECT tekstajet FROM kuran WHERE nrsure = ? AND nrajet = ?"),
        {surah.toInt(), ayah.toInt()});
    const bool found = kuran.findFirst(findCondition(surah, ayah));
    QCOMPARE(found, !raw.isEmpty());
    QCOMPARE(kuran.noMatch(), raw.isEmpty());
    if (found) {
        QCOMPARE(*kuran.field(QStringLiteral("TekstAjet")), raw[0][0]);
        QCOMPARE(*kuran.field(0), surah);
    } else {
        QVERIFY(kuran.eof());
        QVERIFY(!kuran.field(QStringLiteral("TekstAjet")).has_value());
    }
}

// Text 13: the surah lists walk a copy of the table record set.
void TestRecordset::surahListsFromCopy_data()
{
    addStores();
}

void TestRecordset::surahListsFromCopy()
{
    QFETCH(QString, store);
    const Database db = Database::openPath(store);
    TableRecordset data1 = db.openTable(QStringLiteral("Sure"));
    QVERIFY(data1.setIndex(QStringLiteral("numri")));
    QVERIFY(data1.seek(QStringLiteral("2")));
    Recordset copy = data1.clone();
    QStringList numbers, names, counts;
    for (; !copy.eof(); copy.moveNext()) {
        numbers << *copy.field(QStringLiteral("numri"));
        names << *copy.field(QStringLiteral("EmriBoshnjakisht"));
        counts << *copy.field(QStringLiteral("nr i ajeteve"));
    }
    QStringList rawNumbers, rawNames, rawCounts;
    for (const QStringList &row : teststore::rawRows(
             store,
             QStringLiteral("SELECT Numri, EmriBoshnjakisht, \"Nr i ajeteve\" FROM sure ORDER BY rowid"))) {
        rawNumbers << row[0];
        rawNames << row[1];
        rawCounts << row[2];
    }
    QCOMPARE(numbers, rawNumbers);
    QCOMPARE(names, rawNames);
    QCOMPARE(counts, rawCounts);
    QCOMPARE(*data1.field(QStringLiteral("Numri")), QStringLiteral("2"));
}

// Texts that a reader can reach through the program's inputs.
void TestRecordset::readerInputs_data()
{
    QTest::addColumn<QString>("store");
    QTest::addColumn<QString>("input");
    addStoreRows([](const QString &label, const QString &path) {
        const QList<QPair<const char *, QString>> inputs = {
            {"quote", QStringLiteral("'")},
            {"or 1=1 double", QStringLiteral("\" or \"1\"=\"1")},
            {"or 1=1 single", QStringLiteral("x' OR '1'='1")},
            {"semicolon", QStringLiteral(";")},
            {"dashes", QStringLiteral("--")},
            {"nul", QString(QChar(0))},
            {"long", QString(10000, QLatin1Char('a'))},
            {"bracket", QStringLiteral("[")},
            {"hash", QStringLiteral("#")},
            {"drop", QStringLiteral("'; DROP TABLE kuran --")},
            {"drop double", QStringLiteral("\"); DROP TABLE kuran; --")},
            {"number or", QStringLiteral("1 OR 1=1")},
            {"delete", QStringLiteral("1; DELETE FROM sure")},
            {"union", QStringLiteral("1 UNION SELECT * FROM sure")},
            {"subselect", QStringLiteral("(SELECT Numri FROM sure)")},
        };
        for (const auto &[name, input] : inputs)
            QTest::addRow("%s %s", qPrintable(label), name) << path << input;
    });
}

void TestRecordset::readerInputs()
{
    QFETCH(QString, store);
    QFETCH(QString, input);
    const Database db = Database::openPath(store);
    QVERIFY(db.isOpen());

    auto tableRows = [&](const QString &table) {
        QSet<QString> set;
        for (const QStringList &row : teststore::rawRows(store, QStringLiteral("SELECT * FROM ") + table))
            set.insert(row.join(QLatin1Char('|')));
        return set;
    };
    const QSet<QString> kuranRows = tableRows(QStringLiteral("kuran"));
    const QSet<QString> sureRows = tableRows(QStringLiteral("sure"));
    const auto kuranColumns =
        teststore::rawRows(store, QStringLiteral("SELECT name FROM pragma_table_info('kuran')"));
    const auto sureColumns =
        teststore::rawRows(store, QStringLiteral("SELECT name FROM pragma_table_info('sure')"));
    auto names = [](const QList<QStringList> &rows) {
        QStringList out;
        for (const QStringList &r : rows)
            out << r[0].toLower();
        return out;
    };
    auto lower = [](QStringList l) {
        for (QString &s : l)
            s = s.toLower();
        return l;
    };
    // A result either is rejected with a message, or holds only rows of the table asked for.
    // Returns what is wrong with it, or an empty text.
    auto problem = [&](const QString &text, const QStringList &columns,
                       const QSet<QString> *rows) -> QString {
        Recordset rs = db.openRecordset(text);
        if (!rs.isValid())
            return rs.errorString().isEmpty() ? QStringLiteral("rejected without a message") : QString();
        if (lower(rs.fieldNames()) != columns)
            return QStringLiteral("fields ") + rs.fieldNames().join(QLatin1Char(','));
        for (; rows && !rs.eof(); rs.moveNext()) {
            QStringList row;
            for (int c = 0; c < rs.fieldCount(); ++c)
                row << *rs.field(c);
            if (!rows->contains(row.join(QLatin1Char('|'))))
                return QStringLiteral("row not in the table: ") + row.join(QLatin1Char('|')).left(80);
        }
        return QString();
    };
    auto check = [&](const QString &text, const QStringList &columns, const QSet<QString> *rows) {
        const QString p = problem(text, columns, rows);
        return p.isEmpty() ? QString() : text.left(100) + QStringLiteral(" -> ") + p;
    };

    // The verse search doubles quotes: the result is exactly the ayahs matching the pattern.
    {
        const QString text = searchQuery(input, QString());
        QString p = check(text, names(kuranColumns), &kuranRows);
        QVERIFY2(p.isEmpty(), qPrintable(p));
        Recordset rs = db.openRecordset(text);
        bool patternOk = true;
        const QString rx =
            teststore::likeToRegex(QStringLiteral("*") + input + QStringLiteral("*"), &patternOk);
        if (!patternOk || input.contains(QChar(0))) {
            QVERIFY(!rs.isValid());
        } else {
            QVERIFY2(rs.isValid(), qPrintable(rs.errorString()));
            const QRegularExpression re(rx, QRegularExpression::CaseInsensitiveOption |
                                                QRegularExpression::DotMatchesEverythingOption);
            int expected = 0;
            for (const QStringList &row :
                 teststore::rawRows(store, QStringLiteral("SELECT tekstajet FROM kuran")))
                expected += re.match(row[0]).hasMatch() ? 1 : 0;
            QCOMPARE(rs.rowCount(), expected);
        }
    }
    // The surah restriction and the ayah query take the selector's text unchanged.
    for (const QString &text : {searchQuery(QStringLiteral("Allah"), input),
                                ayahText(input, QStringLiteral("1")), ayahText(QStringLiteral("1"), input)}) {
        const QString p = check(text, names(kuranColumns), &kuranRows);
        QVERIFY2(p.isEmpty(), qPrintable(p));
    }
    {
        const QString p =
            check(topicText(input),
                  {QStringLiteral("nrsure"), QStringLiteral("emrsure"), QStringLiteral("ajetet")}, nullptr);
        QVERIFY2(p.isEmpty(), qPrintable(p));
    }
    {
        const QString p = check(nameText(input), names(sureColumns), &sureRows);
        QVERIFY2(p.isEmpty(), qPrintable(p));
        Recordset rs = db.openRecordset(nameText(input));
        if (rs.isValid() && !input.contains(QLatin1Char('\''))) // one plain literal: no name equals it
            QCOMPARE(rs.rowCount(), 0);
    }
    // The recitation window's find takes the selector texts unchanged as well.
    Recordset kuran = db.openRecordset(QStringLiteral("Kuran"));
    QVERIFY(kuran.isValid());
    if (kuran.findFirst(findCondition(input, QStringLiteral("1")))) {
        QStringList row;
        for (int c = 0; c < kuran.fieldCount(); ++c)
            row << *kuran.field(c);
        QVERIFY(kuranRows.contains(row.join(QLatin1Char('|'))));
    } else {
        QVERIFY(!kuran.errorString().isEmpty());
    }
    TableRecordset data1 = db.openTable(QStringLiteral("Sure"));
    QVERIFY(data1.setIndex(QStringLiteral("numri")));
    QVERIFY(!data1.seek(input));
    QVERIFY(!data1.field(0).has_value());
}

// No text changes the store: neither its bytes nor its modification time.
void TestRecordset::storeNeverChanges()
{
    QTemporaryDir dir;
    const QString copy = dir.filePath(QStringLiteral("Bazabos.db"));
    QVERIFY(QFile::copy(m_fixture, copy));
    const QDateTime old = QDateTime::currentDateTime().addSecs(-3600);
    {
        QFile f(copy);
        QVERIFY(f.open(QIODevice::ReadWrite));
        QVERIFY(f.setFileTime(old, QFileDevice::FileModificationTime));
    }
    const QByteArray before = fileHash(copy);
    const QDateTime mtime = QFileInfo(copy).lastModified();
    const Database db = Database::openPath(copy);
    QVERIFY(db.isOpen());
    const QStringList texts = {
        QStringLiteral("DROP TABLE kuran"),
        QStringLiteral("SELECT * FROM sure; DROP TABLE kuran"),
        nameText(QStringLiteral("'; DROP TABLE kuran --")),
        topicText(QStringLiteral("\")); DELETE FROM kuran; --")),
        QStringLiteral("DELETE FROM kuran"),
        QStringLiteral("UPDATE sure SET Numri = 0"),
        QStringLiteral("INSERT INTO sure VALUES (1,'a','b',1)"),
        QStringLiteral("SELECT * INTO kopija FROM sure"),
        QStringLiteral("PRAGMA journal_mode=WAL"),
        QStringLiteral("CREATE TABLE x (a)"),
        QStringLiteral("ATTACH DATABASE 'x.db' AS x"),
        QStringLiteral("VACUUM"),
    };
    for (const QString &t : texts) {
        Recordset rs = db.openRecordset(t);
        QVERIFY2(!rs.isValid(), qPrintable(t));
        QVERIFY(!rs.errorString().isEmpty());
    }
    QVERIFY(db.openRecordset(searchQuery(QStringLiteral("Allah"), QString())).isValid());
    TableRecordset t = db.openTable(QStringLiteral("sure"));
    QVERIFY(t.setIndex(QStringLiteral("numri")) && t.seek(QStringLiteral("1")));
    QCOMPARE(fileHash(copy), before);
    QCOMPARE(QFileInfo(copy).lastModified(), mtime);
    QVERIFY(!QFileInfo::exists(copy + QStringLiteral("-journal")));
    QVERIFY(!QFileInfo::exists(copy + QStringLiteral("-wal")));
    QCOMPARE(teststore::rawRows(copy, QStringLiteral("SELECT count(*) FROM kuran")).value(0).value(0),
             QStringLiteral("833"));
}

void TestRecordset::valuesAsText()
{
    const Database db = Database::openPath(m_fixture);
    Recordset rs = db.openRecordset(QStringLiteral("SELECT id, ime, broj, x FROM proba"));
    QVERIFY2(rs.isValid(), qPrintable(rs.errorString()));
    QCOMPARE(rs.fieldNames(), (QStringList{QStringLiteral("id"), QStringLiteral("ime"),
                                           QStringLiteral("broj"), QStringLiteral("x")}));
    QCOMPARE(allRows(rs, 4), (QStringList{QStringLiteral("5|beta|2.5|"), QStringLiteral("2|Alfa|7|t"),
                                          QStringLiteral("9|ČAJ|1|42"), QStringLiteral("2|alfa2|-0.25|"),
                                          QStringLiteral("1|čaj|3|")}));
    rs.moveFirst();
    QCOMPARE(rs.field(QStringLiteral("X")), std::optional<QString>(QString()));
    QCOMPARE(rs.field(QStringLiteral("proba.ime")), std::optional<QString>(QStringLiteral("beta")));
    QVERIFY(!rs.field(QStringLiteral("nema")).has_value());
    QCOMPARE(rs.errorString(), QStringLiteral("Item not found in this collection."));
    QVERIFY(!rs.field(4).has_value());
    QVERIFY(!rs.field(-1).has_value());

    // Columns of two tables with one name are told apart as table.column.
    Recordset join = db.openRecordset(QStringLiteral(
        "SELECT * FROM (sure INNER JOIN kuran ON sure.numri = kuran.nrsure) INNER JOIN klasifikim AS k ON "
        "(k.nrsure = kuran.nrsure AND k.ajetet = '255' AND kuran.nrajet = 255)"));
    QVERIFY2(join.isValid(), qPrintable(join.errorString()));
    QCOMPARE(join.rowCount(), 1);
    QVERIFY(join.fieldNames().contains(QStringLiteral("kuran.nrsure")));
    QVERIFY(join.fieldNames().contains(QStringLiteral("k.nrsure")));
    QCOMPARE(*join.field(QStringLiteral("k.tema")), QStringLiteral("Allahova jednoća"));
    QCOMPARE(*join.field(QStringLiteral("EmriBoshnjakisht")), QStringLiteral("Bekare"));
}

void TestRecordset::walkingAndErrors()
{
    const Database db = Database::openPath(m_fixture);
    Recordset empty = db.openRecordset(ayahText(QStringLiteral("1"), QStringLiteral("8")));
    QVERIFY(empty.isValid());
    QVERIFY(empty.eof());
    QCOMPARE(empty.rowCount(), 0);
    QVERIFY(!empty.field(0).has_value());
    QCOMPARE(empty.errorString(), QStringLiteral("No current record."));

    Recordset rs = db.openRecordset(QStringLiteral("SELECT TOP 3 numri FROM sure ORDER BY numri DESC"));
    QVERIFY2(rs.isValid(), qPrintable(rs.errorString()));
    QCOMPARE(allRows(rs, 1),
             (QStringList{QStringLiteral("110"), QStringLiteral("108"), QStringLiteral("107")}));
    QVERIFY(rs.eof());
    rs.moveNext(); // past the end: stays at the end and says why
    QVERIFY(rs.eof());
    QCOMPARE(rs.errorString(), QStringLiteral("No current record."));
    rs.moveFirst();
    QCOMPARE(*rs.field(0), QStringLiteral("110"));

    Recordset rejected = db.openRecordset(QStringLiteral("SELECT * FROM nema"));
    QVERIFY(!rejected.isValid());
    QVERIFY(rejected.eof());
    QCOMPARE(rejected.rowCount(), 0);
    QVERIFY(rejected.fieldNames().isEmpty());
    QVERIFY(!rejected.field(0).has_value());
    QVERIFY(rejected.errorString().contains(QLatin1String("nema")));
    QVERIFY(!rejected.findFirst(QStringLiteral("nrsure = 1")));
    QVERIFY(!rejected.clone().isValid());

    Recordset none;
    QVERIFY(!none.isValid());
    QVERIFY(none.eof());
    QVERIFY(!none.errorString().isEmpty());
}

void TestRecordset::findFirstFailures_data()
{
    QTest::addColumn<QString>("condition");
    QTest::addColumn<QString>("error");
    QTest::newRow("syntax") << "nrsure = = 1"
                            << "Syntax error";
    QTest::newRow("unknown field") << "nrsura = 1"
                                   << "Unknown field";
    QTest::newRow("type mismatch") << "nrsure = 'abc'"
                                   << "Data type mismatch";
    QTest::newRow("empty") << ""
                           << "empty";
    QTest::newRow("two statements") << "nrsure = 1; nrajet = 2"
                                    << "after end";
    QTest::newRow("bad pattern") << "tekstajet like '[a'"
                                 << "[";
    QTest::newRow("function") << "len(tekstajet) > 3"
                              << "Functions";
}

void TestRecordset::findFirstFailures()
{
    QFETCH(QString, condition);
    QFETCH(QString, error);
    const Database db = Database::openPath(m_fixture);
    Recordset kuran = db.openRecordset(QStringLiteral("kuran"));
    QVERIFY(kuran.findFirst(findCondition(QStringLiteral("2"), QStringLiteral("5"))));
    QVERIFY(!kuran.findFirst(condition));
    QVERIFY2(kuran.errorString().contains(error), qPrintable(kuran.errorString()));
    // Other conditions over the same snapshot.
    QVERIFY(kuran.findFirst(QStringLiteral("tekstajet like '*ČOVJEK*' and not nrsure = 2")));
    QCOMPARE(*kuran.field(0) + QLatin1Char(':') + *kuran.field(1), QStringLiteral("22:5"));
    QVERIFY(
        kuran.findFirst(QStringLiteral("(nrsure = 20 or nrsure = 12) and tefsir is null and nrajet >= 2")));
    QCOMPARE(*kuran.field(0) + QLatin1Char(':') + *kuran.field(1), QStringLiteral("12:2"));
    QVERIFY(kuran.findFirst(QStringLiteral("kuran.tefsir IS NOT NULL and nrsure > 100")));
    QCOMPARE(*kuran.field(QStringLiteral("tefsir")), QStringLiteral("Tefsir 103:1"));
}

void TestRecordset::cloneIsIndependent()
{
    const Database db = Database::openPath(m_fixture);
    Recordset rs = db.openRecordset(QStringLiteral("SELECT * FROM sure"));
    rs.moveNext();
    rs.moveNext();
    Recordset copy = rs.clone();
    QCOMPARE(*copy.field(0), QStringLiteral("1"));
    int n = 0;
    for (; !copy.eof(); copy.moveNext())
        ++n;
    QCOMPARE(n, teststore::surahs().size());
    QCOMPARE(*rs.field(0), QStringLiteral("3"));
    QVERIFY(copy.findFirst(QStringLiteral("numri = 107")));
    QCOMPARE(*rs.field(0), QStringLiteral("3"));
    // A plain copy of the object is the same record set, as an object reference is.
    Recordset same = rs;
    same.moveNext();
    QCOMPARE(*rs.field(0), QStringLiteral("12"));
}

void TestRecordset::tableSeek_data()
{
    QTest::addColumn<QString>("index");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("ime"); // empty: no record
    QTest::newRow("Access name PrimaryKey") << "PrimaryKey"
                                            << "2"
                                            << "Alfa";
    QTest::newRow("Access name case ignored") << "primarykey"
                                              << "9"
                                              << "ČAJ";
    QTest::newRow("SQLite name") << "PROBA_ID"
                                 << "1"
                                 << "čaj";
    QTest::newRow("first of equal keys in table order") << "proba_id"
                                                        << "2"
                                                        << "Alfa";
    QTest::newRow("whole real key") << "proba_id"
                                    << "2.0"
                                    << "Alfa";
    QTest::newRow("blanks around key") << "proba_id"
                                       << " 5 "
                                       << "beta";
    QTest::newRow("fraction never equals a whole") << "proba_id"
                                                   << "2.5"
                                                   << "";
    QTest::newRow("descending text index") << "ImeSilazno"
                                           << "čaj"
                                           << "ČAJ";
    QTest::newRow("text key case ignored") << "proba_ime_desc"
                                           << "ALFA"
                                           << "Alfa";
    QTest::newRow("text key absent") << "proba_ime_desc"
                                     << "gama"
                                     << "";
}

void TestRecordset::tableSeek()
{
    QFETCH(QString, index);
    QFETCH(QString, key);
    QFETCH(QString, ime);
    const Database db = Database::openPath(m_fixture);
    TableRecordset rs = db.openTable(QStringLiteral("PROBA"));
    QVERIFY2(rs.isValid(), qPrintable(rs.errorString()));
    QVERIFY(rs.hasCurrent()); // positioned on the first record when opened
    QCOMPARE(*rs.field(1), QStringLiteral("beta"));
    QVERIFY2(rs.setIndex(index), qPrintable(rs.errorString()));
    QCOMPARE(rs.seek(key), !ime.isEmpty());
    if (ime.isEmpty())
        QVERIFY(!rs.field(QStringLiteral("ime")).has_value());
    else
        QCOMPARE(*rs.field(QStringLiteral("ime")), ime);
}

void TestRecordset::seekErrors()
{
    const Database db = Database::openPath(m_fixture);
    TableRecordset rs = db.openTable(QStringLiteral("sure"));
    QVERIFY(!rs.seek(QStringLiteral("1")));
    QVERIFY(rs.errorString().contains(QLatin1String("index")));
    QVERIFY(!rs.setIndex(QStringLiteral("nema")));
    QVERIFY(rs.errorString().contains(QLatin1String("nema")));
    QVERIFY(!rs.setIndex(QStringLiteral("kuran_mjesto"))); // an index of another table
    QVERIFY(rs.setIndex(QStringLiteral("Numri")));
    QVERIFY(rs.seek(QStringLiteral("3")));
    QVERIFY(!rs.seek(QStringLiteral("abc")));
    QVERIFY(rs.noMatch());
    QVERIFY(!rs.hasCurrent());
    QVERIFY(rs.errorString().contains(QLatin1String("mismatch")));
    QVERIFY(!rs.seek(QString()));
    QVERIFY(!rs.seek(QStringLiteral("1e400")));
    QVERIFY(rs.seek(QStringLiteral("107")));
    QCOMPARE(*rs.field(2), QStringLiteral("El-Ma'un"));

    TableRecordset missing = db.openTable(QStringLiteral("nema"));
    QVERIFY(!missing.isValid());
    QVERIFY(!missing.setIndex(QStringLiteral("numri")));
    QVERIFY(!missing.seek(QStringLiteral("1")));
    QVERIFY(!missing.field(0).has_value());
    QVERIFY(!missing.clone().isValid());
}

void TestRecordset::bareNamesAndViews()
{
    const Database db = Database::openPath(m_fixture);
    Recordset view = db.openRecordset(QStringLiteral("temesure"));
    QVERIFY2(view.isValid(), qPrintable(view.errorString()));
    QCOMPARE(view.fieldNames(), (QStringList{QStringLiteral("tema"), QStringLiteral("nrsure")}));
    QCOMPARE(view.rowCount(), 8);
    Recordset q = db.openRecordset(
        QStringLiteral("SELECT DISTINCT nrsure FROM [TemeSure] WHERE tema LIKE 'č*' ORDER BY nrsure;"));
    QVERIFY2(q.isValid(), qPrintable(q.errorString()));
    QCOMPARE(allRows(q, 1), (QStringList{QStringLiteral("2"), QStringLiteral("22")}));
    Recordset bracketed = db.openRecordset(QStringLiteral("[Sure]"));
    QCOMPARE(bracketed.rowCount(), teststore::surahs().size());
    Recordset unknown = db.openRecordset(QStringLiteral("Nema Tablice"));
    QVERIFY(!unknown.isValid());
}

void TestRecordset::openByName_data()
{
    QTest::addColumn<QStringList>("files"); // name=kind: store, text, empty, access
    QTest::addColumn<QString>("expected");  // file name opened, or "" for an error
    QTest::newRow("store named Bazabos.db")
        << QStringList{QStringLiteral("Bazabos.db=store")} << "Bazabos.db";
    QTest::newRow("store name in other case")
        << QStringList{QStringLiteral("BAZABOS.DB=store")} << "BAZABOS.DB";
    QTest::newRow("SQLite file under the Access name")
        << QStringList{QStringLiteral("BazaBos.Mdb=store"), QStringLiteral("Bazabos.db=empty")}
        << "BazaBos.Mdb";
    QTest::newRow("unreadable mdb beside a store")
        << QStringList{QStringLiteral("bazabos.mdb=text"), QStringLiteral("Bazabos.db=store")}
        << "Bazabos.db";
    QTest::newRow("unreadable mdb alone") << QStringList{QStringLiteral("bazabos.mdb=text")} << "";
    QTest::newRow("text file named like the store") << QStringList{QStringLiteral("Bazabos.db=text")} << "";
    QTest::newRow("nothing") << QStringList{} << "";
}

void TestRecordset::openByName()
{
    QFETCH(QStringList, files);
    QFETCH(QString, expected);
    QTemporaryDir dir;
    for (const QString &entry : files) {
        const QString name = entry.section(QLatin1Char('='), 0, 0);
        const QString kind = entry.section(QLatin1Char('='), 1);
        const QString path = dir.filePath(name);
        if (kind == QLatin1String("store")) {
            QVERIFY(QFile::copy(m_fixture, path));
        } else if (kind == QLatin1String("empty")) {
            sqlite3 *db = nullptr;
            sqlite3_open(QFile::encodeName(path).constData(), &db);
            sqlite3_exec(db, "CREATE TABLE other (a)", nullptr, nullptr, nullptr);
            sqlite3_close(db);
        } else {
            QFile f(path);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write("not a database at all, just some text\n");
        }
    }
    DataFolder::setPath(dir.path());
    const Database db = Database::open(QStringLiteral("bazabos.mdb"));
    DataFolder::reset();
    if (expected.isEmpty()) {
        QVERIFY(!db.isOpen());
        QVERIFY(!db.errorString().isEmpty());
        Recordset rs = db.openRecordset(QStringLiteral("SELECT * FROM sure"));
        QVERIFY(!rs.isValid());
        QVERIFY(!rs.errorString().isEmpty());
        QVERIFY(!db.openTable(QStringLiteral("sure")).isValid());
        return;
    }
    QVERIFY2(db.isOpen(), qPrintable(db.errorString()));
    QCOMPARE(QFileInfo(db.path()).fileName(), expected);
    QCOMPARE(db.openRecordset(QStringLiteral("sure")).rowCount(), teststore::surahs().size());
}

// The name is looked up again when the data folder changes.
void TestRecordset::lookupFollowsFolderChanges()
{
    QTemporaryDir dir;
    QVERIFY(QFile::copy(m_fixture, dir.filePath(QStringLiteral("Bazabos.db"))));
    const struct timespec old[2] = {{time(nullptr) - 3600, 0}, {time(nullptr) - 3600, 0}};
    QCOMPARE(utimensat(AT_FDCWD, QFile::encodeName(dir.path()).constData(), old, 0), 0);
    DataFolder::setPath(dir.path());
    for (int k = 0; k < 2; ++k) {
        const Database db = Database::open(QStringLiteral("bazabos.mdb"));
        QCOMPARE(QFileInfo(db.path()).fileName(), QStringLiteral("Bazabos.db"));
    }
    // Another store appears under the program's own name: it is the one opened now.
    sqlite3 *other = nullptr;
    sqlite3_open(QFile::encodeName(dir.filePath(QStringLiteral("BAZABOS.MDB"))).constData(), &other);
    sqlite3_exec(other, "CREATE TABLE drugo (a)", nullptr, nullptr, nullptr);
    sqlite3_close(other);
    // Settled again, at another time than when it was last read.
    const struct timespec later[2] = {{time(nullptr) - 1800, 0}, {time(nullptr) - 1800, 0}};
    QCOMPARE(utimensat(AT_FDCWD, QFile::encodeName(dir.path()).constData(), later, 0), 0);
    const Database db = Database::open(QStringLiteral("bazabos.mdb"));
    DataFolder::reset();
    QCOMPARE(QFileInfo(db.path()).fileName(), QStringLiteral("BAZABOS.MDB"));
    QVERIFY(db.openRecordset(QStringLiteral("drugo")).isValid());
    QVERIFY(!db.openRecordset(QStringLiteral("sure")).isValid());
}

void TestRecordset::missingStore()
{
    const Database db = Database::openPath(m_dir.filePath(QStringLiteral("nema.db")));
    QVERIFY(!db.isOpen());
    QVERIFY(db.errorString().contains(QLatin1String("nema.db")));
    Database closed;
    QVERIFY(!closed.isOpen());
    QVERIFY(!closed.openRecordset(QStringLiteral("sure")).isValid());

    // An Access file under the program's name is converted, or refused with a message; it
    // never opens as an empty store.
    QTemporaryDir dir;
    QVERIFY(QFile::copy(QStringLiteral(VELMORA_FIXTURES_DIR "/mdb/nwind.mdb"),
                        dir.filePath(QStringLiteral("bazabos.mdb"))));
    DataFolder::setPath(dir.path());
    const Database access = Database::open(QStringLiteral("Bazabos.mdb"));
    DataFolder::reset();
    if (access.isOpen()) {
        Recordset rs = access.openRecordset(QStringLiteral("SELECT * FROM Customers"));
        QVERIFY2(rs.isValid(), qPrintable(rs.errorString()));
        QVERIFY(rs.rowCount() > 0);
    } else {
        QVERIFY(!access.errorString().isEmpty());
    }
}

void TestRecordset::reopenAfterChange()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("Bazabos.db"));
    QVERIFY(QFile::copy(m_fixture, path));
    QFile::setPermissions(path, QFile::permissions(path) | QFile::WriteOwner);
    const Database first = Database::openPath(path);
    QCOMPARE(first.openRecordset(QStringLiteral("sure")).rowCount(), teststore::surahs().size());

    sqlite3 *db = nullptr;
    QCOMPARE(sqlite3_open(QFile::encodeName(path).constData(), &db), SQLITE_OK);
    QCOMPARE(
        sqlite3_exec(db, "INSERT INTO sure VALUES (114, 'an-Nas', 'En-Nas', 6)", nullptr, nullptr, nullptr),
        SQLITE_OK);
    sqlite3_close(db);
    {
        QFile f(path);
        QVERIFY(f.open(QIODevice::ReadWrite));
        QVERIFY(f.setFileTime(QDateTime::currentDateTime().addSecs(60), QFileDevice::FileModificationTime));
    }
    const Database second = Database::openPath(path);
    Recordset rs = second.openRecordset(nameText(QStringLiteral("en-nas")));
    QVERIFY2(rs.isValid(), qPrintable(rs.errorString()));
    QCOMPARE(rs.rowCount(), 1);
    QCOMPARE(*rs.field(0), QStringLiteral("114"));
    // The earlier object still answers.
    QVERIFY(first.openRecordset(QStringLiteral("sure")).isValid());
}

void TestRecordset::queryTool()
{
    const QString tool = QStringLiteral(VELMORA_BINARY_DIR "/bin/velmora-data");
    if (!QFileInfo::exists(tool))
        QSKIP("velmora-data is not built");
    QTemporaryDir dir;
    QVERIFY(QFile::copy(m_fixture, dir.filePath(QStringLiteral("Bazabos.db"))));
    QProcess p;
    p.start(tool, {QStringLiteral("query"), dir.path(),
                   QStringLiteral("select numri, EmriBoshnjakisht from sure where numri <= 3")});
    QVERIFY(p.waitForFinished(10000));
    QCOMPARE(p.exitCode(), 0);
    QCOMPARE(QString::fromUtf8(p.readAllStandardOutput()),
             QStringLiteral("Numri\tEmriBoshnjakisht\n1\tFatiha\n2\tBekare\n3\tAli-'Imran\n"));

    p.start(tool, {QStringLiteral("query"), dir.path(), nameText(QStringLiteral("Ali-'Imran"))});
    QVERIFY(p.waitForFinished(10000));
    QCOMPARE(p.exitCode(), 1);
    QVERIFY(p.readAllStandardOutput().isEmpty());
    QVERIFY(p.readAllStandardError().contains("not accepted"));
}

QTEST_GUILESS_MAIN(TestRecordset)
#include "tst_recordset.moc"
