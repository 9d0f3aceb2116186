// Conversion of Access files into the store: nwind.mdb (Jet 3) and DateTestDatabase.mdb
// (Jet 4), broken files, the cached conversion of a reader's file and velmora-data import-mdb.

#include "TestSupport.h"
#include "data/ConversionProcess.h"
#include "data/MdbDetail.h"
#include "data/MdbImport.h"
#include "data/SqliteFile.h"

#include <QtSql>
#include <QtTest>

#include <csignal>
#include <limits>
#include <sys/resource.h>

using namespace velmora::data;

namespace {
const QString kFixtures = QStringLiteral(VELMORA_FIXTURES_DIR "/mdb/");

// The first column of every row a query over the SQLite file `path` gives, as texts.
QStringList column(const QString &path, const QString &sql)
{
    QStringList values;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("probe"));
        db.setDatabaseName(path);
        db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_READONLY"));
        QSqlQuery q(db.open() ? sql : QString(), db);
        while (q.next())
            values << q.value(0).toString();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("probe"));
    return values;
}

namespace test = velmora::test;
using test::entries;
using test::writeFile;

bool setModified(const QString &path, const QDateTime &time)
{
    QFile f(path);
    return f.open(QIODevice::ReadWrite) && f.setFileTime(time, QFileDevice::FileModificationTime);
}

// A copy of nwind.mdb at `path` whose table definition on `page` has its usage map pointer
// (offset 0x23) aimed at a row that holds no map. Page 94 defines a user table; page 2 the
// object catalog MSysObjects, which libmdb reads in its own catalog reading.
bool damagedCopy(const QString &nwind, const QString &path, int page)
{
    QFile source(nwind);
    if (!source.open(QIODevice::ReadOnly))
        return false;
    QByteArray bytes = source.readAll();
    const qsizetype at = qsizetype(page) * 2048 + 0x23;
    if (bytes.size() < at + 2)
        return false;
    bytes[at] = char(0x03);
    bytes[at + 1] = char(0x01);
    return writeFile(path, bytes);
}

// The files a conversion may have left in `dir`: temporary stores and their journals.
QStringList leftovers(const QString &dir)
{
    return QDir(dir).entryList({QStringLiteral("*.tmp*"), QStringLiteral("*-journal")},
                               QDir::Files | QDir::Hidden);
}

bool executable(const QString &path, const QByteArray &script)
{
    return writeFile(path, script) &&
           QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

// True when no process `pid` runs any more (gone, or a zombie waiting for its parent).
bool processGone(const QString &pid)
{
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly))
        return true;
    const QByteArray line = stat.readAll();
    return line.mid(line.lastIndexOf(')') + 2, 1) == "Z";
}
} // namespace

class TestMdbImport : public QObject {
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        // The user's cache folder goes to a temporary place, away from the reader's folder.
        m_cacheDir = m_dir.filePath(QStringLiteral("cache"));
        qputenv("XDG_CACHE_HOME", QFile::encodeName(m_cacheDir));
        m_readerDir = m_dir.filePath(QStringLiteral("reader"));
        QVERIFY(QDir().mkpath(m_readerDir));
        m_nwind = m_readerDir + QStringLiteral("/nwind.mdb");
        m_dateTest = m_readerDir + QStringLiteral("/DateTestDatabase.mdb");
        QVERIFY(QFile::copy(kFixtures + QStringLiteral("nwind.mdb"), m_nwind));
        QVERIFY(QFile::copy(kFixtures + QStringLiteral("DateTestDatabase.mdb"), m_dateTest));
        for (const QString &path : {m_nwind, m_dateTest})
            QVERIFY(QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner));

        m_nwindStore = m_dir.filePath(QStringLiteral("nwind.db"));
        m_dateStore = m_dir.filePath(QStringLiteral("dates.db"));
        QString error;
        QStringList skipped;
        QVERIFY2(importMdb(m_nwind, m_nwindStore, &error, &skipped), qPrintable(error));
        QVERIFY2(importMdb(m_dateTest, m_dateStore, &error), qPrintable(error));
        // The queries reported as skipped are those recorded as not made into views.
        QCOMPARE(skipped, column(m_nwindStore, QStringLiteral("SELECT name FROM velmora_queries "
                                                              "WHERE translated = 0 ORDER BY rowid")));
    }

    void nwind_data()
    {
        // What a query over the converted nwind.mdb answers (mdb-export and Access agree).
        QTest::addColumn<QString>("sql");
        QTest::addColumn<QString>("expected");
        const QList<QPair<const char *, int>> tables = {
            {"Categories", 8}, {"Customers", 91}, {"Employees", 9},  {"Order Details", 2155}, {"Orders", 830},
            {"Products", 77},  {"Shippers", 3},   {"Suppliers", 29}, {"Umsätze", 830}};
        for (const auto &[table, rows] : tables)
            QTest::newRow(table)
                << QStringLiteral("SELECT COUNT(*) FROM \"%1\"").arg(QString::fromUtf8(table))
                << QString::number(rows);
        const char *const rows[][3] = {
            {"user tables only",
             "SELECT COUNT(*) FROM sqlite_master WHERE type = 'table' AND name NOT LIKE 'velmora%'", "9"},
            {"Discontinued false", "SELECT COUNT(*) FROM Products WHERE Discontinued = 0", "69"},
            {"Discontinued true is 1, not -1", "SELECT COUNT(*) FROM Products WHERE Discontinued = 1", "8"},
            {"date as ISO text", "SELECT OrderDate FROM Orders WHERE OrderID = 10330", "1994-11-16 00:00:00"},
            {"currency", "SELECT Freight FROM Orders WHERE OrderID = 10330", "12.75"},
            {"single keeps its decimals",
             "SELECT COUNT(*) FROM \"Order Details\" WHERE Discount * 100 <> round(Discount * 100)", "0"},
            {"text in the file's code page", "SELECT ShipAddress FROM \"Umsätze\" WHERE OrderID = 10330",
             "Carrera 52 con Ave. Bolívar #65-98 Llano Largo"},
            {"missing value stays missing",
             "SELECT COUNT(*) FROM Orders WHERE ShipRegion IS NULL AND OrderID = 10331", "1"},
            {"memo whole", "SELECT length(Notes) FROM Employees WHERE EmployeeID = 2", "448"},
            {"OLE object kept",
             "SELECT group_concat(DISTINCT typeof(Picture)) || MIN(length(Picture) > 1000) FROM Categories",
             "blob1"},
            {"primary key of two columns",
             "SELECT group_concat(name) FROM pragma_index_info((SELECT sqlite_name FROM velmora_indexes "
             "WHERE tbl = 'Order Details' AND name = 'PrimaryKey'))",
             "OrderID,ProductID"},
            {"index names repeated across tables made unique",
             "SELECT COUNT(*) || ' ' || COUNT(DISTINCT lower(sqlite_name)) FROM velmora_indexes", "33 33"},
            {"unique index",
             "SELECT \"unique\" FROM pragma_index_list('Categories') WHERE name = 'CategoryName'", "1"},
            {"saved queries, each a view when translated",
             "SELECT COUNT(*) || ' ' || SUM(translated = (name IN (SELECT name FROM sqlite_master WHERE type "
             "= "
             "'view'))) FROM velmora_queries",
             "22 22"},
            {"parameters, crosstab and union are no views",
             "SELECT SUM(translated) FROM velmora_queries WHERE name IN ('Employee Sales by Country', "
             "'Quarterly Orders by Product', 'Customers and Suppliers by City')",
             "0"},
            {"saved query text",
             "SELECT jetsql FROM velmora_queries WHERE name = 'Ten Most Expensive Products'",
             "SELECT DISTINCTROW TOP 10 Products.ProductName AS TenMostExpensiveProducts, Products.UnitPrice "
             "FROM Products ORDER BY Products.UnitPrice DESC"},
            {"view of the saved query",
             "SELECT TenMostExpensiveProducts || ' ' || UnitPrice || ' ' || (SELECT COUNT(*) FROM \"Ten Most "
             "Expensive Products\") FROM \"Ten Most Expensive Products\" LIMIT 1",
             "Côte de Blaye 263.5 10"},
            {"text of a query mdb-queries shows empty",
             "SELECT instr(jetsql, 'WHERE (((Products.Discontinued)=No))') > 0 FROM velmora_queries WHERE "
             "name "
             "= 'Alphabetical List of Products'",
             "1"},
            {"its view", "SELECT COUNT(*) FROM \"Alphabetical List of Products\"", "69"},
        };
        for (const auto &[name, sql, expected] : rows)
            QTest::newRow(name) << QString::fromUtf8(sql) << QString::fromUtf8(expected);
    }

    void nwind()
    {
        QFETCH(QString, sql);
        QFETCH(QString, expected);
        QCOMPARE(column(m_nwindStore, sql), QStringList{expected});
    }

    void dateTestRows_data()
    {
        QTest::addColumn<int>("id");
        QTest::addColumn<int>("minYear");
        QTest::addColumn<int>("maxYear");
        QTest::newRow("2021") << 1 << 2021 << 2021;
        QTest::newRow("year 9999") << 2 << 9999 << 9999;
        QTest::newRow("pre-1900") << 3 << 100 << 1900;
        QTest::newRow("pre-1000") << 4 << 100 << 999;
        QTest::newRow("escaped new line") << 5 << 2021 << 2021;
        QTest::newRow("new line") << 6 << 2021 << 2021;
    }

    void dateTestRows()
    {
        QFETCH(int, id);
        QFETCH(int, minYear);
        QFETCH(int, maxYear);
        QCOMPARE(column(m_dateStore, QStringLiteral("SELECT COUNT(*) FROM DateTest")), QStringList{"6"});
        static const QRegularExpression iso(QStringLiteral("^(\\d{4})-\\d{2}-\\d{2} \\d{2}:\\d{2}:\\d{2}$"));
        const QStringList row = column(
            m_dateStore,
            QStringLiteral(
                "SELECT DateTimeCol FROM DateTest WHERE IDCol = %1 UNION ALL SELECT DateCol FROM DateTest "
                "WHERE IDCol = %1 UNION ALL SELECT TimeCol FROM DateTest WHERE IDCol = %1")
                .arg(id));
        QCOMPARE(row.size(), 3);
        for (const QString &value : row)
            QVERIFY2(iso.match(value).hasMatch() && QDate::fromString(value.left(10), Qt::ISODate).isValid(),
                     qPrintable(value));
        // The date-time column; the pre-1900 rows hold earlier dates in it than the others.
        const int year = iso.match(row.first()).captured(1).toInt();
        QVERIFY2(year >= minYear && year <= maxYear, qPrintable(row.first()));
        if (id == 1) // as mdb-export prints it
            QCOMPARE(row.first(), QStringLiteral("2021-12-02 00:00:00"));
        if (id == 6)
            QCOMPARE(column(m_dateStore, QStringLiteral("SELECT LongTextCol FROM DateTest WHERE IDCol = 6")),
                     QStringList{QStringLiteral("New line\r\nin field")});
    }

    void jetDates_data()
    {
        QTest::addColumn<double>("value");
        QTest::addColumn<QString>("expected");
        QTest::newRow("day zero") << 0.0 << QStringLiteral("1899-12-30 00:00:00");
        QTest::newRow("before day zero: time counts forward")
            << -1.25 << QStringLiteral("1899-12-29 06:00:00");
        QTest::newRow("rounds to the next day") << 0.9999999 << QStringLiteral("1899-12-31 00:00:00");
        QTest::newRow("first Jet day") << -657434.0 << QStringLiteral("0100-01-01 00:00:00");
        QTest::newRow("last Jet day") << 2958465.0 << QStringLiteral("9999-12-31 00:00:00");
        QTest::newRow("not a number") << std::numeric_limits<double>::quiet_NaN() << QString();
    }

    void jetDates()
    {
        QFETCH(double, value);
        QTEST(mdb::jetDateTimeToIso(value), "expected");
    }

    void savedQueriesSurviveEmptyAndRejectedTexts()
    {
        SqliteFile db;
        QVERIFY(db.open(QStringLiteral(":memory:"), SqliteFile::Mode::Write));
        QVERIFY(db.exec(QStringLiteral("CREATE TABLE t (a INTEGER)")));
        // "Second" is built on "First", which comes later: a later round makes it.
        const QList<mdb::SavedQuery> queries = {
            {QStringLiteral("Empty"), QString()},
            {QStringLiteral("Second"), QStringLiteral("SELECT a FROM \"First\"")},
            {QStringLiteral("First"), QStringLiteral("SELECT a FROM t")},
            {QStringLiteral("Rejected"), QStringLiteral("SELEKT nonsense")},
        };
        QStringList skipped;
        QString error;
        const auto same = [](const QString &jetSql) { return jetSql; };
        QVERIFY2(mdb::storeQueries(db, queries, same, &skipped, &error), qPrintable(error));
        QCOMPARE(skipped, (QStringList{QStringLiteral("Empty"), QStringLiteral("Rejected")}));
        SqliteStatement q = db.prepare(
            QStringLiteral("SELECT name || '=' || translated || coalesce((SELECT type FROM sqlite_master "
                           "m WHERE m.name = q.name), '') FROM velmora_queries q ORDER BY rowid"));
        QStringList recorded;
        while (q.next())
            recorded << q.value(0).toText();
        QCOMPARE(recorded, (QStringList{QStringLiteral("Empty=0"), QStringLiteral("Second=1view"),
                                        QStringLiteral("First=1view"), QStringLiteral("Rejected=0")}));
    }

    // What the conversion's values become in the store: a null text (an action query's text) or
    // byte array is NULL, an empty one stays an empty text or blob.
    void valuesAreStoredAsTheyWere_data()
    {
        QTest::addColumn<QVariant>("value");
        QTest::addColumn<QString>("stored");
        QTest::newRow("no value") << QVariant() << "null:NULL";
        QTest::newRow("null text is NULL, not ''") << QVariant(QString()) << "null:NULL";
        QTest::newRow("empty text is not NULL") << QVariant(QString(0, QChar())) << "text:''";
        QTest::newRow("null bytes are NULL") << QVariant(QByteArray()) << "null:NULL";
        QTest::newRow("empty OLE object is an empty blob") << QVariant(QByteArray("")) << "blob:X''";
        QTest::newRow("yes is 1") << QVariant(true) << "integer:1";
        QTest::newRow("long beyond 32 bits") << QVariant(qlonglong(1) << 40) << "integer:1099511627776";
        QTest::newRow("real") << QVariant(0.15) << "real:0.15";
        QTest::newRow("Bosnian letters") << QVariant(QStringLiteral("čćđšž")) << "text:'čćđšž'";
    }

    void valuesAreStoredAsTheyWere()
    {
        QFETCH(QVariant, value);
        SqliteFile db;
        QVERIFY(db.open(QStringLiteral(":memory:"), SqliteFile::Mode::Write));
        SqliteStatement q = db.prepare(QStringLiteral("SELECT typeof(?1) || ':' || quote(?1)"));
        QVERIFY2(q.bind({value}) && q.next(), qPrintable(db.errorText()));
        QTEST(q.value(0).toText(), "stored");
    }

    void brokenFilesLeaveNoStore_data()
    {
        QTest::addColumn<qint64>("keep"); // bytes of nwind.mdb kept; -1: a text file
        QTest::addColumn<bool>("earlierStore");
        QTest::newRow("text file") << qint64(-1) << false;
        QTest::newRow("text file, earlier store kept") << qint64(-1) << true;
        QTest::newRow("empty file") << qint64(0) << false;
        QTest::newRow("truncated to two pages") << qint64(4096) << false;
        QTest::newRow("truncated inside a page") << qint64(2500000) << true;
        QTest::newRow("truncated at a page, catalog cut") << qint64(700 * 2048) << false;
        QTest::newRow("truncated at a page, table data cut") << qint64(800 * 2048) << false;
    }

    void brokenFilesLeaveNoStore()
    {
        QFETCH(qint64, keep);
        QFETCH(bool, earlierStore);
        QTemporaryDir work;
        const QString input = work.filePath(QStringLiteral("input.mdb"));
        QFile nwind(m_nwind);
        QVERIFY(nwind.open(QIODevice::ReadOnly));
        QVERIFY(writeFile(input,
                          keep < 0 ? QByteArray("Standard text, not a Jet DB at all\n") : nwind.read(keep)));
        const QString outDir = work.filePath(QStringLiteral("out"));
        QVERIFY(QDir().mkpath(outDir));
        const QString store = outDir + QStringLiteral("/Bazabos.db");
        if (earlierStore)
            QVERIFY(writeFile(store, "earlier store"));

        QCOMPARE(isAccessFile(input), keep > 0);
        QString error;
        QStringList skipped = {QStringLiteral("untouched")};
        QVERIFY(!importMdb(input, store, &error, &skipped));
        QVERIFY(!error.isEmpty());
        QCOMPARE(skipped, QStringList{QStringLiteral("untouched")});
        QCOMPARE(entries(outDir), earlierStore ? QStringList{QStringLiteral("Bazabos.db")} : QStringList());
        QFile kept(store);
        QVERIFY(!earlierStore || (kept.open(QIODevice::ReadOnly) && kept.readAll() == "earlier store"));
    }

    void fullDiskLeavesNoStore()
    {
        // A file size limit makes writes fail the way a full disk does.
        QTemporaryDir work;
        rlimit old{};
        QCOMPARE(getrlimit(RLIMIT_FSIZE, &old), 0);
        const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
        rlimit small = old;
        small.rlim_cur = 200 * 1024;
        QCOMPARE(setrlimit(RLIMIT_FSIZE, &small), 0);
        QString error;
        const bool ok = importMdb(m_nwind, work.filePath(QStringLiteral("Bazabos.db")), &error);
        setrlimit(RLIMIT_FSIZE, &old);
        std::signal(SIGXFSZ, oldHandler);
        QVERIFY2(!ok && !error.isEmpty(), qPrintable(error));
        QCOMPARE(entries(work.path()), QStringList());
    }

    // A table SQLite will not make ("sqlite_" names are its own): the same Bosnian reason as any
    // failure of the store, and nothing left behind.
    void refusedTableNameLeavesNoStore()
    {
        QTemporaryDir work;
        QFile nwind(m_nwind);
        QVERIFY(nwind.open(QIODevice::ReadOnly));
        const QString input = work.filePath(QStringLiteral("refused.mdb"));
        QVERIFY(writeFile(input, nwind.readAll().replace("Shippers", "sqlite_s")));
        QString error;
        ImportFailure failure = ImportFailure::None;
        QVERIFY(
            !importMdb(input, work.filePath(QStringLiteral("Bazabos.db")), &error, nullptr, {}, &failure));
        QCOMPARE(failure, ImportFailure::Store);
        QCOMPARE(error,
                 QStringLiteral("Tabela sqlite_s ne može se zapisati u bazu: greška baze podataka (kod 1)."));
        QCOMPARE(entries(work.path()), QStringList{QStringLiteral("refused.mdb")});
    }

    void cachedConversionIsReused()
    {
        const QStringList readerBefore = entries(m_readerDir);
        QList<qint64> progress;
        const auto record = [&progress](qint64 done, qint64) { progress << done; };
        QString error;
        const QString first = cachedConversion(m_nwind, &error, record);
        QVERIFY2(!first.isEmpty(), qPrintable(error));
        QVERIFY(!progress.isEmpty());
        // In the user's cache folder, never beside the reader's file.
        QVERIFY(first.startsWith(QStandardPaths::writableLocation(QStandardPaths::CacheLocation)));
        QVERIFY(first.startsWith(m_cacheDir));
        QCOMPARE(entries(m_readerDir), readerBefore);
        QCOMPARE(column(first, QStringLiteral("SELECT COUNT(*) FROM Orders")), QStringList{"830"});

        // Unchanged: the same store, not written again (its time is set back to tell).
        const QDateTime old(QDate(2001, 2, 3), QTime(4, 5, 6), Qt::UTC);
        QVERIFY(setModified(first, old));
        progress.clear();
        QCOMPARE(cachedConversion(m_nwind, &error, record), first);
        QCOMPARE(QFileInfo(first).lastModified().toUTC(), old);
        QVERIFY(progress.isEmpty());

        // Touched: converted anew into the same place.
        QVERIFY(setModified(m_nwind, QDateTime::currentDateTimeUtc().addSecs(-3600)));
        QCOMPARE(cachedConversion(m_nwind, &error, record), first);
        QVERIFY(QFileInfo(first).lastModified().toUTC() != old);
        QVERIFY(!progress.isEmpty());
        QCOMPARE(entries(m_readerDir), readerBefore);

        // Another Access file has a store of its own; a file that is not Access has none.
        const QString second = cachedConversion(m_dateTest, &error);
        QVERIFY(!second.isEmpty() && second != first);
        const QStringList cached = entries(QFileInfo(first).absolutePath());
        const QString text = m_dir.filePath(QStringLiteral("readme.mdb"));
        QVERIFY(writeFile(text, "plain text"));
        error.clear();
        QVERIFY(cachedConversion(text, &error).isEmpty());
        QVERIFY(!error.isEmpty());
        QCOMPARE(entries(QFileInfo(first).absolutePath()), cached);
    }

    void commandLineImport()
    {
        const QString tool = QStringLiteral(VELMORA_BINARY_DIR "/bin/velmora-data");
        QTemporaryDir work;
        const QString source = work.filePath(QStringLiteral("source"));
        QVERIFY(QDir().mkpath(source));
        QVERIFY(QFile::copy(m_nwind, source + QStringLiteral("/nwind.mdb")));
        QVERIFY(writeFile(source + QStringLiteral("/kur'an.RTF"), "{\\rtf1 Fatiha}"));
        const QString target = work.filePath(QStringLiteral("data"));

        // The store is made, the whole text beside the Access file copied along.
        const auto run = [&tool](const QStringList &args) {
            return test::runProgram(tool, args, 60000, false);
        };
        test::ProgramRun r =
            run({QStringLiteral("import-mdb"), source + QStringLiteral("/nwind.mdb"), target});
        const QString out = r.out;
        QCOMPARE(r.code, 0);
        QCOMPARE(column(target + QStringLiteral("/Bazabos.db"),
                        QStringLiteral("SELECT COUNT(*) FROM \"Umsätze\"")),
                 QStringList{"830"});
        QFile copied(target + QStringLiteral("/kur'an.RTF"));
        QVERIFY(copied.open(QIODevice::ReadOnly));
        QCOMPARE(copied.readAll(), QByteArray("{\\rtf1 Fatiha}"));
        QVERIFY2(out.contains(QRegularExpression(QStringLiteral("Order Details\\s+2155 rows"))),
                 qPrintable(out));
        // The saved queries left without a view are listed, the others are not.
        const QString skipped = out.mid(out.indexOf(QStringLiteral("not converted")));
        QVERIFY2(skipped.contains(QStringLiteral("\n  Quarterly Orders by Product\n")), qPrintable(out));
        QVERIFY2(!skipped.contains(QStringLiteral("Ten Most Expensive Products")), qPrintable(out));

        // Bad input: a message and a non-zero exit, nothing made.
        QVERIFY(writeFile(source + QStringLiteral("/bad.mdb"), "nothing of Access here"));
        r = run({QStringLiteral("import-mdb"), source + QStringLiteral("/bad.mdb"),
                 work.filePath(QStringLiteral("bad-data"))});
        QVERIFY(r.code > 0 && !r.err.isEmpty());
        QVERIFY(!QFileInfo::exists(work.filePath(QStringLiteral("bad-data/Bazabos.db"))));
    }

    void damagedFileIsAnError_data()
    {
        QTest::addColumn<int>("page");
        QTest::newRow("usage map of a table") << 94;
        QTest::newRow("definition of the object catalog") << 2;
    }

    // libmdb follows a null pointer on either damage; velmora-data and the program's conversion
    // report the file as damaged instead, and leave nothing behind.
    void damagedFileIsAnError()
    {
        QFETCH(int, page);
        QTemporaryDir work;
        const QString damaged = work.filePath(QStringLiteral("Bazabos.mdb"));
        QVERIFY(damagedCopy(m_nwind, damaged, page));
        const QString target = work.filePath(QStringLiteral("data"));

        const test::ProgramRun r =
            test::runProgram(QStringLiteral(VELMORA_BINARY_DIR "/bin/velmora-data"),
                             {QStringLiteral("import-mdb"), damaged, target}, 60000, false);
        const QString told = r.err;
        QCOMPARE(r.code, kImportExitSource);
        // The data layer's reason, or velmora-data's own when libmdb crashed on it: Bosnian both.
        QVERIFY2(told.contains(damaged) && told.contains(QStringLiteral("oštećena ili nepotpuna")),
                 qPrintable(told));
        QCOMPARE(entries(target), QStringList());

        // The program's own way: the cached conversion in a child process.
        const QString cache = conversionCacheFolder();
        const QStringList cachedBefore = entries(cache);
        QString error;
        ConversionOutcome outcome = ConversionOutcome::Done;
        QVERIFY(cachedConversion(damaged, &error, {}, &outcome).isEmpty());
        QCOMPARE(outcome, ConversionOutcome::Damaged);
        QVERIFY2(error.contains(damaged), qPrintable(error));
        QCOMPARE(entries(cache), cachedBefore);
    }

    // Whatever way the conversion's process ends badly, the caller hears how, and the temporary
    // store it was writing is gone. A stand-in for velmora-data acts each way.
    void childFailuresLeaveNothing_data()
    {
        QTest::addColumn<QByteArray>("script"); // arguments: import-mdb --progress --into FILE MDB
        QTest::addColumn<int>("outcome");
        QTest::addColumn<QString>("told");
        QTest::newRow("crash after writing half a store")
            << QByteArray("printf 'SQLite format 3' > \"$4\"; echo 'progress 1 10'; kill -SEGV $$\n")
            << int(ConversionOutcome::Crashed) << "";
        QTest::newRow("hang, its own child too")
            << QByteArray("echo 'progress 1 10'; sleep 60 & echo $! > @PIDFILE@; wait\n")
            << int(ConversionOutcome::TimedOut) << "";
        QTest::newRow("damaged file") << QByteArray("echo 'velmora-data: the file is damaged' >&2; exit 1\n")
                                      << int(ConversionOutcome::Damaged) << "the file is damaged";
        QTest::newRow("store not written") << QByteArray("echo 'velmora-data: disk full' >&2; exit 3\n")
                                           << int(ConversionOutcome::StoreFailed) << "disk full";
        QTest::newRow("done, but no store")
            << QByteArray("exit 0\n") << int(ConversionOutcome::StoreFailed) << "";
        QTest::newRow("no such program") << QByteArray() << int(ConversionOutcome::ToolMissing) << "";
    }

    void childFailuresLeaveNothing()
    {
        QFETCH(QByteArray, script);
        QFETCH(QString, told);
        QTemporaryDir work;
        const QString tool = work.filePath(QStringLiteral("velmora-data"));
        const QString pidFile = work.filePath(QStringLiteral("sleep.pid"));
        script.replace("@PIDFILE@", QFile::encodeName(pidFile));
        if (!script.isEmpty())
            QVERIFY(executable(tool, "#!/bin/sh\n" + script));
        // A file of its own, so that no earlier conversion is reused.
        const QString mdb = work.filePath(QStringLiteral("reader.mdb"));
        QVERIFY(QFile::copy(m_dateTest, mdb));
        setConversionTool(tool);
        setConversionTimeLimit(500);
        const QString cache = conversionCacheFolder();
        const QStringList cachedBefore = entries(cache);

        QList<qint64> progress;
        QString error;
        ConversionOutcome result = ConversionOutcome::Done;
        QElapsedTimer clock;
        clock.start();
        const QString store = cachedConversion(
            mdb, &error, [&](qint64 done, qint64) { progress << done; }, &result);
        const qint64 took = clock.elapsed();
        setConversionTool(QString());
        setConversionTimeLimit(0);

        QVERIFY(store.isEmpty());
        QTEST(int(result), "outcome");
        QVERIFY2(error.contains(told), qPrintable(error));
        QVERIFY2(!error.isEmpty(), "no message");
        QCOMPARE(entries(cache), cachedBefore);
        QCOMPARE(leftovers(cache), QStringList());
        if (script.contains("progress"))
            QCOMPARE(progress, QList<qint64>{1});
        if (result == ConversionOutcome::TimedOut) {
            QVERIFY2(took < 10000, qPrintable(QString::number(took)));
            // The stand-in's own child was stopped with it.
            QFile pids(pidFile);
            QVERIFY(pids.open(QIODevice::ReadOnly));
            const QString pid = QString::fromLatin1(pids.readAll().trimmed());
            QVERIFY(!pid.isEmpty());
            QDeadlineTimer deadline(5000);
            while (!processGone(pid) && !deadline.hasExpired())
                QThread::msleep(20);
            QVERIFY2(processGone(pid), qPrintable(pid));
        }
    }

private:
    QTemporaryDir m_dir;
    QString m_readerDir;
    QString m_cacheDir;
    QString m_nwind;
    QString m_dateTest;
    QString m_nwindStore;
    QString m_dateStore;
};

QTEST_GUILESS_MAIN(TestMdbImport)
#include "tst_mdbimport.moc"
