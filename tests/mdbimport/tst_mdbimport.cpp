#include "data/Database.h"
#include "data/MdbDetail.h"
#include "data/MdbImport.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <cmath>
#include <csignal>
#include <limits>
#include <sys/resource.h>

using namespace velmora::data;
using mdb::QueryRow;

Q_DECLARE_METATYPE(QList<QueryRow>)

namespace {

const QString kFixtures = QStringLiteral(VELMORA_FIXTURES_DIR "/mdb/");

// The saved queries of nwind.mdb, as mdb-queries lists them.
const QStringList kNwindQueries = {
    QStringLiteral("Alphabetical List of Products"),
    QStringLiteral("Catalog"),
    QStringLiteral("Category Sales for 1995"),
    QStringLiteral("Current Product List"),
    QStringLiteral("Customers and Suppliers by City"),
    QStringLiteral("Employee Sales by Country"),
    QStringLiteral("Invoices"),
    QStringLiteral("Invoices Filter"),
    QStringLiteral("Order Details Extended"),
    QStringLiteral("Order Subtotals"),
    QStringLiteral("Product Sales for 1995"),
    QStringLiteral("Products by Category"),
    QStringLiteral("Quarterly Orders"),
    QStringLiteral("Quarterly Orders by Product"),
    QStringLiteral("Sales by Year"),
    QStringLiteral("Sales Totals by Amount"),
    QStringLiteral("Summary of Sales by Year"),
    QStringLiteral("Ten Most Expensive Products"),
    QStringLiteral("Orders Qry"),
    QStringLiteral("Products Above Average Price"),
    QStringLiteral("Sales by Category"),
    QStringLiteral("Summary of Sales by Quarter"),
};

// A read-only SQLite connection that is removed again when it goes out of scope.
class Store {
public:
    explicit Store(const QString &path) : m_name(QStringLiteral("tst-%1").arg(++s_count))
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_name);
        db.setDatabaseName(path);
        db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_READONLY"));
        m_open = db.open();
    }
    ~Store() { QSqlDatabase::removeDatabase(m_name); }
    bool isOpen() const { return m_open; }
    // All values of the first column of a query's rows.
    QVariantList column(const QString &sql) const
    {
        QVariantList values;
        QSqlQuery q(QSqlDatabase::database(m_name));
        if (!q.exec(sql))
            qWarning() << sql << q.lastError().text();
        while (q.next())
            values << q.value(0);
        return values;
    }
    QVariant value(const QString &sql) const
    {
        const QVariantList values = column(sql);
        return values.isEmpty() ? QVariant() : values.first();
    }

private:
    static inline int s_count = 0;
    QString m_name;
    bool m_open = false;
};

QString quoted(const QString &name)
{
    return mdb::sqlName(name);
}

// An SQL text literal.
QString literal(QString text)
{
    return QLatin1Char('\'') + text.replace(QLatin1Char('\''), QLatin1String("''")) + QLatin1Char('\'');
}

QStringList entriesOf(const QString &dir)
{
    return QDir(dir).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
}

QueryRow row(int attribute, const QString &name1 = {}, const QString &name2 = {},
             const QString &expression = {}, int flag = 0)
{
    return QueryRow{attribute, name1, name2, expression, flag};
}

QString echoTranslator(const QString &jetSql)
{
    return jetSql;
}

} // namespace

class TestMdbImport : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();

    void isAccessFile_data();
    void isAccessFile();

    void tableRowCounts_data();
    void tableRowCounts();
    void onlyUserTablesAreConverted();
    void discontinuedProducts();
    void columnTypes_data();
    void columnTypes();
    void values();

    void indexes_data();
    void indexes();
    void indexNamesAreMapped();

    void savedQueriesAreRecorded();
    void viewsAnswerLikeTheSavedQueries();
    void queryTexts_data();
    void queryTexts();
    void queryTextBuilder_data();
    void queryTextBuilder();
    void storeQueriesSurvivesEmptyAndRejectedTexts();

    void dateTestRows_data();
    void dateTestRows();
    void jetDates_data();
    void jetDates();
    void singlesKeepTheirDecimals();

    void failures_data();
    void failures();
    void failureKeepsExistingStore();
    void fullDisk();
    void progressIsReported();

    void cachedConversionIsReused();
    void commandLineImport();

private:
    QString copyFixture(const QString &name, const QString &dir);

    QTemporaryDir m_dir;
    QString m_readerDir;
    QString m_cacheDir;
    QString m_nwind;
    QString m_dateTest;
    QString m_nwindStore;
    QString m_dateStore;
    QStringList m_skipped;
};

QString TestMdbImport::copyFixture(const QString &name, const QString &dir)
{
    QDir().mkpath(dir);
    const QString target = QDir(dir).filePath(name);
    QFile::remove(target);
    if (!QFile::copy(kFixtures + name, target))
        return {};
    QFile::setPermissions(target, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadUser | QFile::WriteUser);
    return target;
}

void TestMdbImport::initTestCase()
{
    QVERIFY(m_dir.isValid());
    // The user's cache folder goes to a temporary place, away from the reader's folder.
    m_cacheDir = m_dir.filePath(QStringLiteral("cache"));
    qputenv("XDG_CACHE_HOME", QFile::encodeName(m_cacheDir));
    m_readerDir = m_dir.filePath(QStringLiteral("reader"));
    m_nwind = copyFixture(QStringLiteral("nwind.mdb"), m_readerDir);
    m_dateTest = copyFixture(QStringLiteral("DateTestDatabase.mdb"), m_readerDir);
    QVERIFY(!m_nwind.isEmpty());
    QVERIFY(!m_dateTest.isEmpty());

    const QString stores = m_dir.filePath(QStringLiteral("stores"));
    QVERIFY(QDir().mkpath(stores));
    m_nwindStore = QDir(stores).filePath(QStringLiteral("nwind.db"));
    m_dateStore = QDir(stores).filePath(QStringLiteral("dates.db"));
    QString error;
    QElapsedTimer timer;
    timer.start();
    QVERIFY2(importMdb(m_nwind, m_nwindStore, &error, &m_skipped), qPrintable(error));
    qInfo("nwind.mdb imported in %lld ms", timer.elapsed());
    QVERIFY2(importMdb(m_dateTest, m_dateStore, &error), qPrintable(error));
}

void TestMdbImport::isAccessFile_data()
{
    QTest::addColumn<QByteArray>("content"); // empty: use the file named below as it is
    QTest::addColumn<QString>("fixture");
    QTest::addColumn<bool>("expected");
    QTest::newRow("Jet 3 file") << QByteArray() << QStringLiteral("nwind.mdb") << true;
    QTest::newRow("Jet 4 file") << QByteArray() << QStringLiteral("DateTestDatabase.mdb") << true;
    QTest::newRow("ACE signature") << QByteArray("\x00\x01\x00\x00Standard ACE DB\x00", 20) << QString()
                                   << true;
    QTest::newRow("text file") << QByteArray("Bismillah\nthis is text, not a database\n") << QString()
                               << false;
    QTest::newRow("signature at offset 0")
        << QByteArray("Standard Jet DB and more text") << QString() << false;
    QTest::newRow("signature cut short")
        << QByteArray("\x00\x01\x00\x00Standard Jet", 16) << QString() << false;
    QTest::newRow("missing file") << QByteArray() << QStringLiteral("no such file.mdb") << false;
}

void TestMdbImport::isAccessFile()
{
    QFETCH(QByteArray, content);
    QFETCH(QString, fixture);
    QFETCH(bool, expected);
    QString path;
    if (!fixture.isEmpty()) {
        path = QDir(m_readerDir).filePath(fixture);
    } else {
        path = m_dir.filePath(QStringLiteral("probe.mdb"));
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(content);
    }
    QCOMPARE(velmora::data::isAccessFile(path), expected);
}

void TestMdbImport::tableRowCounts_data()
{
    QTest::addColumn<QString>("table");
    QTest::addColumn<qlonglong>("rows");
    QTest::newRow("Categories") << QStringLiteral("Categories") << 8LL;
    QTest::newRow("Customers") << QStringLiteral("Customers") << 91LL;
    QTest::newRow("Employees") << QStringLiteral("Employees") << 9LL;
    QTest::newRow("Order Details") << QStringLiteral("Order Details") << 2155LL;
    QTest::newRow("Orders") << QStringLiteral("Orders") << 830LL;
    QTest::newRow("Products") << QStringLiteral("Products") << 77LL;
    QTest::newRow("Shippers") << QStringLiteral("Shippers") << 3LL;
    QTest::newRow("Suppliers") << QStringLiteral("Suppliers") << 29LL;
    QTest::newRow("Umsaetze (non-ASCII name)") << QStringLiteral("Umsätze") << 830LL;
}

void TestMdbImport::tableRowCounts()
{
    QFETCH(QString, table);
    QFETCH(qlonglong, rows);
    Store store(m_nwindStore);
    QVERIFY(store.isOpen());
    QCOMPARE(store.value(QStringLiteral("SELECT COUNT(*) FROM ") + quoted(table)).toLongLong(), rows);
}

void TestMdbImport::onlyUserTablesAreConverted()
{
    Store store(m_nwindStore);
    QStringList tables;
    for (const QVariant &name :
         store.column(QStringLiteral("SELECT name FROM sqlite_master WHERE type = 'table' "
                                     "AND name NOT LIKE 'velmora%'")))
        tables << name.toString();
    tables.sort();
    QStringList expected = {
        QStringLiteral("Categories"),    QStringLiteral("Customers"), QStringLiteral("Employees"),
        QStringLiteral("Order Details"), QStringLiteral("Orders"),    QStringLiteral("Products"),
        QStringLiteral("Shippers"),      QStringLiteral("Suppliers"), QStringLiteral("Umsätze")};
    expected.sort();
    QCOMPARE(tables, expected);
}

void TestMdbImport::discontinuedProducts()
{
    Store store(m_nwindStore);
    QCOMPARE(store.value(QStringLiteral("SELECT COUNT(*) FROM Products WHERE Discontinued = 0")).toInt(), 69);
    QCOMPARE(store.value(QStringLiteral("SELECT COUNT(*) FROM Products WHERE Discontinued = 1")).toInt(), 8);
    QCOMPARE(store
                 .value(QStringLiteral("SELECT COUNT(*) FROM Products WHERE Discontinued NOT IN (0, 1) "
                                       "OR Discontinued IS NULL"))
                 .toInt(),
             0);
}

void TestMdbImport::columnTypes_data()
{
    QTest::addColumn<QString>("table");
    QTest::addColumn<QString>("column");
    QTest::addColumn<QString>("declared");
    QTest::addColumn<QString>("stored");
    QTest::newRow("long integer") << QStringLiteral("Products") << QStringLiteral("ProductID")
                                  << QStringLiteral("INTEGER") << QStringLiteral("integer");
    QTest::newRow("integer") << QStringLiteral("Products") << QStringLiteral("UnitsInStock")
                             << QStringLiteral("INTEGER") << QStringLiteral("integer");
    QTest::newRow("yes/no") << QStringLiteral("Products") << QStringLiteral("Discontinued")
                            << QStringLiteral("INTEGER") << QStringLiteral("integer");
    QTest::newRow("currency") << QStringLiteral("Products") << QStringLiteral("UnitPrice")
                              << QStringLiteral("REAL") << QStringLiteral("real");
    QTest::newRow("single") << QStringLiteral("Order Details") << QStringLiteral("Discount")
                            << QStringLiteral("REAL") << QStringLiteral("real");
    QTest::newRow("date") << QStringLiteral("Orders") << QStringLiteral("OrderDate") << QStringLiteral("TEXT")
                          << QStringLiteral("text");
    QTest::newRow("text") << QStringLiteral("Customers") << QStringLiteral("CompanyName")
                          << QStringLiteral("TEXT") << QStringLiteral("text");
    QTest::newRow("memo") << QStringLiteral("Employees") << QStringLiteral("Notes") << QStringLiteral("TEXT")
                          << QStringLiteral("text");
    QTest::newRow("OLE object") << QStringLiteral("Categories") << QStringLiteral("Picture")
                                << QStringLiteral("BLOB") << QStringLiteral("blob");
}

void TestMdbImport::columnTypes()
{
    QFETCH(QString, table);
    QFETCH(QString, column);
    QFETCH(QString, declared);
    QFETCH(QString, stored);
    Store store(m_nwindStore);
    const QVariantList names =
        store.column(QStringLiteral("SELECT name FROM pragma_table_info('%1')").arg(table));
    const QVariantList types =
        store.column(QStringLiteral("SELECT type FROM pragma_table_info('%1')").arg(table));
    const qsizetype at = names.indexOf(column);
    QVERIFY2(at >= 0, qPrintable(column));
    QCOMPARE(types.at(at).toString(), declared);
    const QString where = QStringLiteral(" FROM %1 WHERE %2 IS NOT NULL").arg(quoted(table), quoted(column));
    const QVariantList kinds =
        store.column(QStringLiteral("SELECT DISTINCT typeof(%1)").arg(quoted(column)) + where);
    QCOMPARE(kinds, QVariantList{stored});
}

void TestMdbImport::values()
{
    Store store(m_nwindStore);
    // Dates as ISO text, currency as its decimal value, texts in the file's code page.
    QCOMPARE(store.value(QStringLiteral("SELECT OrderDate FROM Orders WHERE OrderID = 10330")).toString(),
             QStringLiteral("1994-11-16 00:00:00"));
    QCOMPARE(store.value(QStringLiteral("SELECT Freight FROM Orders WHERE OrderID = 10330")).toDouble(),
             12.75);
    QCOMPARE(
        store.value(QStringLiteral("SELECT ShipAddress FROM \"Umsätze\" WHERE OrderID = 10330")).toString(),
        QStringLiteral("Carrera 52 con Ave. Bolívar #65-98 Llano Largo"));
    // A missing value stays missing rather than becoming an empty text.
    QVERIFY(store.value(QStringLiteral("SELECT ShipRegion FROM Orders WHERE OrderID = 10331")).isNull());
    QCOMPARE(store.value(QStringLiteral("SELECT COUNT(*) FROM Orders WHERE ShipRegion = ''")).toInt(), 0);
    // Memos are whole (mdb-export gives 448 characters for this one).
    QCOMPARE(store.value(QStringLiteral("SELECT length(Notes) FROM Employees WHERE EmployeeID = 2")).toInt(),
             448);
    QVERIFY(store.value(QStringLiteral("SELECT Notes FROM Employees WHERE EmployeeID = 1"))
                .toString()
                .startsWith(QStringLiteral("Education includes a BA")));
    // OLE objects are kept as stored.
    QVERIFY(store.value(QStringLiteral("SELECT MIN(length(Picture)) FROM Categories")).toInt() > 1000);
    // The copy table holds the same orders.
    QCOMPARE(store
                 .value(QStringLiteral("SELECT COUNT(*) FROM Orders o JOIN \"Umsätze\" u USING (OrderID) "
                                       "WHERE o.OrderDate IS u.OrderDate AND o.ShipName IS u.ShipName"))
                 .toInt(),
             830);
}

void TestMdbImport::indexes_data()
{
    // The indexes libmdb reads for each table (relationship entries are not indexes).
    QTest::addColumn<QString>("table");
    QTest::addColumn<int>("count");
    QTest::addColumn<QStringList>("primaryKey");
    QTest::newRow("Order Details") << QStringLiteral("Order Details") << 3
                                   << QStringList{QStringLiteral("OrderID"), QStringLiteral("ProductID")};
    QTest::newRow("Orders") << QStringLiteral("Orders") << 6 << QStringList{QStringLiteral("OrderID")};
    QTest::newRow("Products") << QStringLiteral("Products") << 4 << QStringList{QStringLiteral("ProductID")};
    QTest::newRow("Shippers") << QStringLiteral("Shippers") << 1 << QStringList{QStringLiteral("ShipperID")};
    QTest::newRow("Categories") << QStringLiteral("Categories") << 2
                                << QStringList{QStringLiteral("CategoryID")};
    QTest::newRow("Customers") << QStringLiteral("Customers") << 5
                               << QStringList{QStringLiteral("CustomerID")};
    QTest::newRow("Employees") << QStringLiteral("Employees") << 3
                               << QStringList{QStringLiteral("EmployeeID")};
    QTest::newRow("Suppliers") << QStringLiteral("Suppliers") << 3
                               << QStringList{QStringLiteral("SupplierID")};
    QTest::newRow("Umsaetze") << QStringLiteral("Umsätze") << 6 << QStringList{QStringLiteral("OrderID")};
}

void TestMdbImport::indexes()
{
    QFETCH(QString, table);
    QFETCH(int, count);
    QFETCH(QStringList, primaryKey);
    Store store(m_nwindStore);
    const QString mapped =
        QStringLiteral("SELECT sqlite_name FROM velmora_indexes WHERE tbl = '%1'").arg(table);
    const QVariantList names = store.column(mapped);
    QCOMPARE(names.size(), count);
    // Every mapped name is an index of that table in the store.
    for (const QVariant &name : names) {
        QCOMPARE(
            store
                .value(QStringLiteral("SELECT tbl_name FROM sqlite_master WHERE type = 'index' AND name = %1")
                           .arg(literal(name.toString())))
                .toString(),
            table);
    }
    // The primary key is a unique index over the same columns, found by its Access name.
    const QString pk = store.value(mapped + QStringLiteral(" AND name = 'PrimaryKey'")).toString();
    QVERIFY(!pk.isEmpty());
    QStringList columns;
    for (const QVariant &c : store.column(QStringLiteral("SELECT name FROM pragma_index_info('%1')").arg(pk)))
        columns << c.toString();
    QCOMPARE(columns, primaryKey);
    QCOMPARE(store
                 .value(QStringLiteral("SELECT \"unique\" FROM pragma_index_list('%1') WHERE name = '%2'")
                            .arg(table, pk))
                 .toInt(),
             1);
}

void TestMdbImport::indexNamesAreMapped()
{
    Store store(m_nwindStore);
    // Access names repeat across tables; the store's names do not.
    QCOMPARE(
        store.value(QStringLiteral("SELECT COUNT(*) FROM velmora_indexes WHERE name = 'PrimaryKey'")).toInt(),
        9);
    QCOMPARE(store.value(QStringLiteral("SELECT COUNT(*) FROM velmora_indexes")).toInt(), 33);
    QCOMPARE(
        store.value(QStringLiteral("SELECT COUNT(DISTINCT lower(sqlite_name)) FROM velmora_indexes")).toInt(),
        33);
    const QString customers = store
                                  .value(QStringLiteral("SELECT sqlite_name FROM velmora_indexes "
                                                        "WHERE tbl = 'Customers' AND name = 'PostalCode'"))
                                  .toString();
    const QString employees = store
                                  .value(QStringLiteral("SELECT sqlite_name FROM velmora_indexes "
                                                        "WHERE tbl = 'Employees' AND name = 'PostalCode'"))
                                  .toString();
    QVERIFY(!customers.isEmpty());
    QVERIFY(!employees.isEmpty());
    QVERIFY(customers != employees);
    // Unique for one table only keeps its Access name.
    QCOMPARE(store
                 .value(QStringLiteral("SELECT sqlite_name FROM velmora_indexes WHERE tbl = 'Categories' "
                                       "AND name = 'CategoryName'"))
                 .toString(),
             QStringLiteral("CategoryName"));
    QCOMPARE(store
                 .value(QStringLiteral("SELECT \"unique\" FROM pragma_index_list('Categories') "
                                       "WHERE name = 'CategoryName'"))
                 .toInt(),
             1);

    // The naming rule itself.
    QSet<QString> taken = {QStringLiteral("sure"), QStringLiteral("primarykey")};
    QCOMPARE(mdb::uniqueIndexName(QStringLiteral("sure"), QStringLiteral("numri"), &taken),
             QStringLiteral("numri"));
    QCOMPARE(mdb::uniqueIndexName(QStringLiteral("kuran"), QStringLiteral("PrimaryKey"), &taken),
             QStringLiteral("kuran_PrimaryKey"));
    QCOMPARE(mdb::uniqueIndexName(QStringLiteral("kuran"), QStringLiteral("primarykey"), &taken),
             QStringLiteral("kuran_primarykey_2"));
    QCOMPARE(mdb::uniqueIndexName(QStringLiteral("x"), QStringLiteral("Sure"), &taken),
             QStringLiteral("x_Sure"));
    QCOMPARE(mdb::uniqueIndexName(QStringLiteral("t"), QStringLiteral("sqlite_idx"), &taken),
             QStringLiteral("t_sqlite_idx"));
}

void TestMdbImport::savedQueriesAreRecorded()
{
    Store store(m_nwindStore);
    QStringList names;
    for (const QVariant &name :
         store.column(QStringLiteral("SELECT name FROM velmora_queries ORDER BY rowid")))
        names << name.toString();
    QCOMPARE(names, kNwindQueries);
    // The names reported as skipped are exactly those recorded as not translated, and every
    // translated query is a view.
    QStringList untranslated;
    for (const QVariant &name :
         store.column(QStringLiteral("SELECT name FROM velmora_queries WHERE translated = 0 ORDER BY rowid")))
        untranslated << name.toString();
    QCOMPARE(m_skipped, untranslated);
    QStringList translated;
    for (const QVariant &name :
         store.column(QStringLiteral("SELECT name FROM velmora_queries WHERE translated = 1 ORDER BY name")))
        translated << name.toString();
    QStringList views;
    for (const QVariant &name :
         store.column(QStringLiteral("SELECT name FROM sqlite_master WHERE type = 'view' ORDER BY name")))
        views << name.toString();
    QCOMPARE(views, translated);
    QVERIFY(translated.contains(QStringLiteral("Ten Most Expensive Products")));
    QVERIFY(translated.contains(QStringLiteral("Alphabetical List of Products")));
    // Parameters, a crosstab and a union are beyond a view.
    QVERIFY(m_skipped.contains(QStringLiteral("Employee Sales by Country")));
    QVERIFY(m_skipped.contains(QStringLiteral("Quarterly Orders by Product")));
    QVERIFY(m_skipped.contains(QStringLiteral("Customers and Suppliers by City")));
}

void TestMdbImport::viewsAnswerLikeTheSavedQueries()
{
    // Read the way the program reads: through the store's record sets.
    const Database db = Database::openPath(m_nwindStore);
    QVERIFY2(db.isOpen(), qPrintable(db.errorString()));
    Recordset top = db.openRecordset(QStringLiteral("Ten Most Expensive Products"));
    QVERIFY2(top.isValid(), qPrintable(top.errorString()));
    QCOMPARE(top.rowCount(), 10);
    QCOMPARE(top.fieldNames(),
             (QStringList{QStringLiteral("TenMostExpensiveProducts"), QStringLiteral("UnitPrice")}));
    QCOMPARE(top.field(0).value_or(QString()), QStringLiteral("Côte de Blaye"));
    QCOMPARE(top.field(1).value_or(QString()).toDouble(), 263.5);
    // The products still sold, as counted in the table.
    Recordset current = db.openRecordset(QStringLiteral("SELECT * FROM [Alphabetical List of Products]"));
    QVERIFY2(current.isValid(), qPrintable(current.errorString()));
    QCOMPARE(current.rowCount(), 69);
}

void TestMdbImport::queryTexts_data()
{
    QTest::addColumn<QString>("query");
    QTest::addColumn<QString>("start");
    QTest::addColumn<QString>("part");
    QTest::newRow("top and order descending")
        << QStringLiteral("Ten Most Expensive Products") << QStringLiteral("SELECT DISTINCTROW TOP 10 ")
        << QStringLiteral(
               "Products.ProductName AS TenMostExpensiveProducts, Products.UnitPrice FROM Products "
               "ORDER BY Products.UnitPrice DESC");
    QTest::newRow("sub-select") << QStringLiteral("Products Above Average Price")
                                << QStringLiteral("SELECT DISTINCTROW ")
                                << QStringLiteral(
                                       "WHERE (((Products.UnitPrice)>(SELECT AVG([UnitPrice]) From "
                                       "Products)))");
    QTest::newRow("form's namesake (empty in mdb-queries)")
        << QStringLiteral("Alphabetical List of Products")
        << QStringLiteral("SELECT DISTINCTROW Products.*, ")
        << QStringLiteral(
               "FROM Categories INNER JOIN Products ON Categories.CategoryID = Products.CategoryID "
               "WHERE (((Products.Discontinued)=No))");
    QTest::newRow("union") << QStringLiteral("Customers and Suppliers by City")
                           << QStringLiteral("SELECT City, ")
                           << QStringLiteral(" UNION SELECT City, CompanyName, ContactName, \"Suppliers\"");
    QTest::newRow("crosstab") << QStringLiteral("Quarterly Orders by Product")
                              << QStringLiteral("TRANSFORM Sum(")
                              << QStringLiteral(" PIVOT \"Qtr \" & DatePart(\"q\",[OrderDate],1,0) In (");
    QTest::newRow("parameters") << QStringLiteral("Employee Sales by Country")
                                << QStringLiteral(
                                       "PARAMETERS [Beginning Date] DateTime, [Ending Date] DateTime; "
                                       "SELECT DISTINCTROW ")
                                << QStringLiteral(
                                       "FROM Employees INNER JOIN (Orders INNER JOIN [Order Subtotals] ON "
                                       "Orders.OrderID = [Order Subtotals].OrderID) ON "
                                       "Employees.EmployeeID = Orders.EmployeeID");
    QTest::newRow("right join") << QStringLiteral("Quarterly Orders") << QStringLiteral("SELECT DISTINCTROW ")
                                << QStringLiteral("FROM Customers RIGHT JOIN Orders ON");
    QTest::newRow("table alias") << QStringLiteral("Current Product List") << QStringLiteral("SELECT ")
                                 << QStringLiteral("FROM Products AS [Product List] WHERE");
}

void TestMdbImport::queryTexts()
{
    QFETCH(QString, query);
    QFETCH(QString, start);
    QFETCH(QString, part);
    Store store(m_nwindStore);
    const QString text =
        store.value(QStringLiteral("SELECT jetsql FROM velmora_queries WHERE name = '%1'").arg(query))
            .toString();
    QVERIFY2(text.startsWith(start), qPrintable(text));
    QVERIFY2(text.contains(part), qPrintable(text));
}

void TestMdbImport::queryTextBuilder_data()
{
    QTest::addColumn<QList<QueryRow>>("rows");
    QTest::addColumn<QString>("expected");
    const QueryRow select = row(1, {}, {}, {}, 1);
    QTest::newRow("no rows") << QList<QueryRow>{} << QString();
    QTest::newRow("no columns") << QList<QueryRow>{select, row(5, QStringLiteral("T"))} << QString();
    QTest::newRow("action query") << QList<QueryRow>{row(1, {}, {}, {}, 4), row(5, QStringLiteral("T")),
                                                     row(6, {}, {}, QStringLiteral("T.a"))}
                                  << QString();
    QTest::newRow("output all fields, distinct, top percent")
        << QList<QueryRow>{select, row(3, QStringLiteral("5"), {}, {}, 0x01 | 0x02 | 0x10 | 0x20),
                           row(5, QStringLiteral("My Table")),
                           row(6, QStringLiteral("B"), {}, QStringLiteral("a+1"))}
        << QStringLiteral("SELECT DISTINCT TOP 5 PERCENT *, a+1 AS B FROM [My Table]");
    QTest::newRow("left join with two conditions, group, having, order")
        << QList<QueryRow>{select,
                           row(5, QStringLiteral("A")),
                           row(5, QStringLiteral("B")),
                           row(5, QStringLiteral("C")),
                           row(6, {}, {}, QStringLiteral("A.x")),
                           row(7, QStringLiteral("A"), QStringLiteral("B"), QStringLiteral("A.k = B.k"), 2),
                           row(7, QStringLiteral("A"), QStringLiteral("B"), QStringLiteral("A.j = B.j"), 2),
                           row(8, {}, {}, QStringLiteral("A.x > 1")),
                           row(9, {}, {}, QStringLiteral("A.x")),
                           row(10, {}, {}, QStringLiteral("Count(*) > 2")),
                           row(11, {}, {}, QStringLiteral("A.x")),
                           row(11, QStringLiteral("D"), {}, QStringLiteral("A.y"))}
        << QStringLiteral(
               "SELECT A.x FROM A LEFT JOIN B ON A.k = B.k AND A.j = B.j, C WHERE A.x > 1 GROUP BY A.x "
               "HAVING Count(*) > 2 ORDER BY A.x, A.y DESC");
    QTest::newRow("join of a table with joined tables, by alias")
        << QList<QueryRow>{select,
                           row(5, QStringLiteral("Orders"), QStringLiteral("O")),
                           row(5, QStringLiteral("Order Details")),
                           row(5, QStringLiteral("Products")),
                           row(6, QStringLiteral("N"), {}, QStringLiteral("O.n")),
                           row(7, QStringLiteral("O"), QStringLiteral("Order Details"), QStringLiteral("c1"),
                               1),
                           row(7, QStringLiteral("Products"), QStringLiteral("order details"),
                               QStringLiteral("c2"), 3)}
        << QStringLiteral(
               "SELECT O.n AS N FROM Products RIGHT JOIN (Orders AS O INNER JOIN [Order Details] ON c1) "
               "ON c2");
    QTest::newRow("derived table") << QList<QueryRow>{select,
                                                      row(5, {}, QStringLiteral("S"),
                                                          QStringLiteral("SELECT 1 AS one ")),
                                                      row(6, {}, {}, QStringLiteral("S.one"))}
                                   << QStringLiteral("SELECT S.one FROM (SELECT 1 AS one) AS S");
    QTest::newRow("union all")
        << QList<QueryRow>{row(1, {}, {}, {}, 9), row(3, {}, {}, {}, 1),
                           row(5, {}, QStringLiteral("X_1"), QStringLiteral("SELECT a FROM T\r\n")),
                           row(5, {}, QStringLiteral("X_2"), QStringLiteral("SELECT b FROM U"))}
        << QStringLiteral("SELECT a FROM T UNION ALL SELECT b FROM U");
    QTest::newRow("crosstab without pivot")
        << QList<QueryRow>{row(1, {}, {}, {}, 6), row(5, QStringLiteral("T")),
                           row(6, {}, {}, QStringLiteral("Sum(x)"), 0)}
        << QString();
    QTest::newRow("owner access and parameter of a form")
        << QList<QueryRow>{select, row(2, QStringLiteral("Forms!F!C"), {}, {}, 10), row(3, {}, {}, {}, 0x04),
                           row(5, QStringLiteral("T")), row(6, {}, {}, QStringLiteral("T.a"))}
        << QStringLiteral("PARAMETERS [Forms]![F]![C] Text; SELECT T.a FROM T WITH OWNERACCESS OPTION");
}

void TestMdbImport::queryTextBuilder()
{
    QFETCH(QList<QueryRow>, rows);
    QFETCH(QString, expected);
    QCOMPARE(mdb::jetQueryText(rows), expected);
}

void TestMdbImport::storeQueriesSurvivesEmptyAndRejectedTexts()
{
    const QString connection = QStringLiteral("tst-queries");
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), connection);
        db.setDatabaseName(QStringLiteral(":memory:"));
        QVERIFY(db.open());
        QSqlQuery q(db);
        QVERIFY(q.exec(QStringLiteral("CREATE TABLE t (a INTEGER)")));
        // "Second" is built on "First", which comes later: a later round makes it.
        const QList<mdb::SavedQuery> queries = {
            {QStringLiteral("Empty"), QString()},
            {QStringLiteral("Second"), QStringLiteral("SELECT a FROM \"First\"")},
            {QStringLiteral("First"), QStringLiteral("SELECT a FROM t")},
            {QStringLiteral("Rejected"), QStringLiteral("SELEKT nonsense")},
            {QStringLiteral("Missing table"), QStringLiteral("SELECT a FROM nowhere")},
        };
        QStringList skipped;
        QString error;
        QVERIFY2(mdb::storeQueries(db, queries, &echoTranslator, &skipped, &error), qPrintable(error));
        QCOMPARE(skipped, (QStringList{QStringLiteral("Empty"), QStringLiteral("Rejected"),
                                       QStringLiteral("Missing table")}));
        QVERIFY(
            q.exec(QStringLiteral("SELECT name, jetsql, translated FROM velmora_queries ORDER BY rowid")));
        QStringList recorded;
        while (q.next())
            recorded << q.value(0).toString() + QLatin1Char('=') + q.value(2).toString();
        QCOMPARE(recorded, (QStringList{QStringLiteral("Empty=0"), QStringLiteral("Second=1"),
                                        QStringLiteral("First=1"), QStringLiteral("Rejected=0"),
                                        QStringLiteral("Missing table=0")}));
        QVERIFY(q.exec(QStringLiteral("SELECT name FROM sqlite_master WHERE type = 'view' ORDER BY name")));
        QStringList views;
        while (q.next())
            views << q.value(0).toString();
        QCOMPARE(views, (QStringList{QStringLiteral("First"), QStringLiteral("Second")}));

        // The import's own translator works against the tables as they stand.
        const mdb::QueryTranslator jet = mdb::jetQueryTranslator(db);
        QVERIFY(bool(jet));
        QVERIFY(jet(QStringLiteral("SELECT A FROM T WHERE a > 1")).contains(QStringLiteral("\"t\"")));
        QCOMPARE(jet(QStringLiteral("SELECT a FROM nowhere")), QString());
        QCOMPARE(jet(QStringLiteral("SELECT a FROM t UNION SELECT a FROM t")), QString());

        // Without a translator every query stays a record only.
        QVERIFY(q.exec(QStringLiteral("DROP TABLE velmora_queries")));
        skipped.clear();
        QVERIFY(mdb::storeQueries(db, {{QStringLiteral("Alone"), QStringLiteral("SELECT 1")}}, nullptr,
                                  &skipped, &error));
        QCOMPARE(skipped, QStringList{QStringLiteral("Alone")});
        db.close();
    }
    QSqlDatabase::removeDatabase(connection);
}

void TestMdbImport::dateTestRows_data()
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

void TestMdbImport::dateTestRows()
{
    QFETCH(int, id);
    QFETCH(int, minYear);
    QFETCH(int, maxYear);
    Store store(m_dateStore);
    QCOMPARE(store.value(QStringLiteral("SELECT COUNT(*) FROM DateTest")).toInt(), 6);
    static const QRegularExpression iso(QStringLiteral("^(\\d{4})-(\\d{2})-(\\d{2}) \\d{2}:\\d{2}:\\d{2}$"));
    // The date-time column; the pre-1900 rows hold earlier dates in it than in the others.
    const QString value =
        store.value(QStringLiteral("SELECT DateTimeCol FROM DateTest WHERE IDCol = %1").arg(id)).toString();
    const QRegularExpressionMatch match = iso.match(value);
    QVERIFY2(match.hasMatch(), qPrintable(value));
    const int year = match.captured(1).toInt();
    QVERIFY2(year >= minYear && year <= maxYear, qPrintable(value));
    QVERIFY(QDate::fromString(value.left(10), Qt::ISODate).isValid());
    if (id == 1) // as mdb-export prints it
        QCOMPARE(value, QStringLiteral("2021-12-02 00:00:00"));
    for (const QString &column : {QStringLiteral("DateCol"), QStringLiteral("TimeCol")}) {
        const QString other =
            store.value(QStringLiteral("SELECT %1 FROM DateTest WHERE IDCol = %2").arg(column).arg(id))
                .toString();
        QVERIFY2(iso.match(other).hasMatch(), qPrintable(other));
    }
    if (id == 6) {
        QCOMPARE(store.value(QStringLiteral("SELECT LongTextCol FROM DateTest WHERE IDCol = 6")).toString(),
                 QStringLiteral("New line\r\nin field"));
        QCOMPARE(store.value(QStringLiteral("SELECT ShortTextCol FROM DateTest WHERE IDCol = 6")).toString(),
                 QStringLiteral("No new line"));
    }
}

void TestMdbImport::jetDates_data()
{
    QTest::addColumn<double>("value");
    QTest::addColumn<QString>("expected");
    QTest::newRow("day zero") << 0.0 << QStringLiteral("1899-12-30 00:00:00");
    QTest::newRow("noon of day one") << 1.5 << QStringLiteral("1899-12-31 12:00:00");
    QTest::newRow("before day zero: time counts forward") << -1.25 << QStringLiteral("1899-12-29 06:00:00");
    QTest::newRow("1900") << 2.0 << QStringLiteral("1900-01-01 00:00:00");
    QTest::newRow("2000") << 36526.0 << QStringLiteral("2000-01-01 00:00:00");
    QTest::newRow("last Jet day") << 2958465.0 << QStringLiteral("9999-12-31 00:00:00");
    QTest::newRow("first Jet day") << -657434.0 << QStringLiteral("0100-01-01 00:00:00");
    QTest::newRow("rounds to the next day") << 0.9999999 << QStringLiteral("1899-12-31 00:00:00");
    QTest::newRow("one second before midnight")
        << (86399.0 / 86400.0) << QStringLiteral("1899-12-30 23:59:59");
    QTest::newRow("not a number") << std::numeric_limits<double>::quiet_NaN() << QString();
}

void TestMdbImport::jetDates()
{
    QFETCH(double, value);
    QFETCH(QString, expected);
    QCOMPARE(mdb::jetDateTimeToIso(value), expected);
}

void TestMdbImport::singlesKeepTheirDecimals()
{
    QCOMPARE(mdb::jetSingleToDouble(0.15f), 0.15);
    QCOMPARE(mdb::jetSingleToDouble(0.05f), 0.05);
    QCOMPARE(mdb::jetSingleToDouble(-2.5f), -2.5);
    QVERIFY(std::isnan(mdb::jetSingleToDouble(std::numeric_limits<float>::quiet_NaN())));
    Store store(m_nwindStore);
    QCOMPARE(
        store.value(QStringLiteral("SELECT COUNT(*) FROM \"Order Details\" WHERE Discount = 0.15")).toInt() >
            0,
        true);
    QCOMPARE(store
                 .value(QStringLiteral("SELECT COUNT(*) FROM \"Order Details\" "
                                       "WHERE Discount * 100 <> round(Discount * 100)"))
                 .toInt(),
             0);
}

void TestMdbImport::failures_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<qint64>("keep"); // bytes of nwind.mdb kept for truncated copies
    QTest::newRow("text file") << QStringLiteral("text") << qint64(0);
    QTest::newRow("empty file") << QStringLiteral("empty") << qint64(0);
    QTest::newRow("missing file") << QStringLiteral("missing") << qint64(0);
    QTest::newRow("truncated to two pages") << QStringLiteral("truncated") << qint64(4096);
    QTest::newRow("truncated inside a page") << QStringLiteral("truncated") << qint64(2500000);
    QTest::newRow("truncated at a page, catalog cut") << QStringLiteral("truncated") << qint64(700 * 2048);
    QTest::newRow("truncated at a page, table data cut") << QStringLiteral("truncated") << qint64(800 * 2048);
    QTest::newRow("target folder missing") << QStringLiteral("no folder") << qint64(0);
    QTest::newRow("target is a folder") << QStringLiteral("folder target") << qint64(0);
}

void TestMdbImport::failures()
{
    QFETCH(QString, kind);
    QFETCH(qint64, keep);
    QTemporaryDir work(m_dir.filePath(QStringLiteral("failXXXXXX")));
    QVERIFY(work.isValid());
    const QString input = work.filePath(QStringLiteral("input.mdb"));
    const QString outDir = work.filePath(QStringLiteral("out"));
    QVERIFY(QDir().mkpath(outDir));
    QString store = QDir(outDir).filePath(QStringLiteral("Bazabos.db"));
    if (kind == QLatin1String("text") || kind == QLatin1String("empty")) {
        QFile file(input);
        QVERIFY(file.open(QIODevice::WriteOnly));
        if (kind == QLatin1String("text"))
            file.write("Standard text, not a Jet DB at all\n");
    } else if (kind == QLatin1String("truncated")) {
        QFile source(m_nwind);
        QVERIFY(source.open(QIODevice::ReadOnly));
        QFile file(input);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(source.read(keep));
    } else if (kind != QLatin1String("missing")) {
        QVERIFY(QFile::copy(m_nwind, input));
        if (kind == QLatin1String("no folder"))
            store = work.filePath(QStringLiteral("nowhere/Bazabos.db"));
        else
            QVERIFY(QDir().mkpath(store));
    }
    QString error;
    QStringList skipped = {QStringLiteral("untouched")};
    QVERIFY(!importMdb(input, store, &error, &skipped));
    QVERIFY(!error.isEmpty());
    qInfo("%s", qPrintable(error));
    QCOMPARE(skipped, QStringList{QStringLiteral("untouched")});
    if (kind == QLatin1String("folder target")) {
        QVERIFY(QFileInfo(store).isDir());
        QCOMPARE(entriesOf(store), QStringList());
        QCOMPARE(entriesOf(outDir), QStringList{QStringLiteral("Bazabos.db")});
    } else {
        QVERIFY(!QFileInfo::exists(store));
        QCOMPARE(entriesOf(outDir), QStringList());
    }
}

void TestMdbImport::failureKeepsExistingStore()
{
    QTemporaryDir work(m_dir.filePath(QStringLiteral("keepXXXXXX")));
    const QString store = work.filePath(QStringLiteral("Bazabos.db"));
    const QString text = work.filePath(QStringLiteral("notes.mdb"));
    {
        QFile file(store);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("earlier store");
        QFile notes(text);
        QVERIFY(notes.open(QIODevice::WriteOnly));
        notes.write("not a database");
    }
    QString error;
    QVERIFY(!importMdb(text, store, &error));
    QFile kept(store);
    QVERIFY(kept.open(QIODevice::ReadOnly));
    QCOMPARE(kept.readAll(), QByteArray("earlier store"));
    kept.close();
    // A successful import replaces it.
    QVERIFY2(importMdb(m_dateTest, store, &error), qPrintable(error));
    Store converted(store);
    QCOMPARE(converted.value(QStringLiteral("SELECT COUNT(*) FROM DateTest")).toInt(), 6);
    QCOMPARE(entriesOf(work.path()),
             (QStringList{QStringLiteral("Bazabos.db"), QStringLiteral("notes.mdb")}));
}

void TestMdbImport::fullDisk()
{
    // A file size limit makes writes fail the way a full disk does.
    QTemporaryDir work(m_dir.filePath(QStringLiteral("fullXXXXXX")));
    const QString store = work.filePath(QStringLiteral("Bazabos.db"));
    rlimit old{};
    QCOMPARE(getrlimit(RLIMIT_FSIZE, &old), 0);
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = old;
    small.rlim_cur = 200 * 1024;
    QCOMPARE(setrlimit(RLIMIT_FSIZE, &small), 0);
    QString error;
    const bool ok = importMdb(m_nwind, store, &error);
    setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, oldHandler);
    QVERIFY(!ok);
    QVERIFY(!error.isEmpty());
    qInfo("%s", qPrintable(error));
    QCOMPARE(entriesOf(work.path()), QStringList());
}

void TestMdbImport::progressIsReported()
{
    QTemporaryDir work(m_dir.filePath(QStringLiteral("progressXXXXXX")));
    QList<QPair<qint64, qint64>> calls;
    QString error;
    QVERIFY2(importMdb(m_nwind, work.filePath(QStringLiteral("p.db")), &error, nullptr,
                       [&calls](qint64 done, qint64 total) {
                           calls.append({done, total});
                       }),
             qPrintable(error));
    QVERIFY(calls.size() > 10);
    const qint64 total = calls.first().second;
    // Every row of the nine tables counts.
    QVERIFY(total >= 8 + 91 + 9 + 2155 + 830 + 77 + 3 + 29 + 830);
    qint64 last = 0;
    for (const auto &call : std::as_const(calls)) {
        QCOMPARE(call.second, total);
        QVERIFY(call.first >= last);
        QVERIFY(call.first <= total);
        last = call.first;
    }
    QCOMPARE(calls.last().first, total);
}

void TestMdbImport::cachedConversionIsReused()
{
    const QStringList readerBefore = entriesOf(m_readerDir);
    QList<qint64> progress;
    QString error;
    const QString first =
        cachedConversion(m_nwind, &error, [&progress](qint64 done, qint64) { progress << done; });
    QVERIFY2(!first.isEmpty(), qPrintable(error));
    QVERIFY(!progress.isEmpty());
    // In the user's cache folder, never beside the reader's file.
    const QString cacheRoot = QStandardPaths::writableLocation(QStandardPaths::CacheLocation);
    QVERIFY(cacheRoot.startsWith(m_cacheDir));
    QCOMPARE(QFileInfo(first).absolutePath(), QDir(cacheRoot).filePath(QStringLiteral("converted")));
    QVERIFY(!QFileInfo(first).absoluteFilePath().startsWith(m_readerDir));
    QCOMPARE(entriesOf(m_readerDir), readerBefore);
    {
        Store store(first);
        QCOMPARE(store.value(QStringLiteral("SELECT COUNT(*) FROM Orders")).toInt(), 830);
    }

    // An abandoned temporary file of an earlier conversion is cleared, a fresh one is not.
    const QString cacheFolder = QFileInfo(first).absolutePath();
    const QString abandoned = QDir(cacheFolder).filePath(QStringLiteral(".x.db.AAAAAA.tmp"));
    const QString fresh = QDir(cacheFolder).filePath(QStringLiteral(".y.db.BBBBBB.tmp"));
    for (const QString &path : {abandoned, fresh}) {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("partial");
        file.flush();
        if (path == abandoned)
            QVERIFY(file.setFileTime(QDateTime::currentDateTimeUtc().addDays(-3),
                                     QFileDevice::FileModificationTime));
    }

    // Unchanged: the same store, not written again (its time is set back to tell).
    const QDateTime old = QDateTime(QDate(2001, 2, 3), QTime(4, 5, 6), Qt::UTC);
    {
        QFile cached(first);
        QVERIFY(cached.open(QIODevice::ReadWrite));
        QVERIFY(cached.setFileTime(old, QFileDevice::FileModificationTime));
    }
    progress.clear();
    QCOMPARE(cachedConversion(m_nwind, &error), first);
    QCOMPARE(QFileInfo(first).lastModified().toUTC(), old);
    QVERIFY(progress.isEmpty());
    QVERIFY(!QFileInfo::exists(abandoned));
    QVERIFY(QFileInfo::exists(fresh));
    QFile::remove(fresh);

    // Touched: converted anew into the same place.
    {
        QFile reader(m_nwind);
        QVERIFY(reader.open(QIODevice::ReadWrite));
        QVERIFY(reader.setFileTime(QDateTime::currentDateTimeUtc().addSecs(-3600),
                                   QFileDevice::FileModificationTime));
    }
    QCOMPARE(cachedConversion(m_nwind, &error, [&progress](qint64 done, qint64) { progress << done; }),
             first);
    QVERIFY(QFileInfo(first).lastModified().toUTC() != old);
    QVERIFY(!progress.isEmpty());
    QCOMPARE(entriesOf(m_readerDir), readerBefore);

    // Another Access file has a store of its own; a file that is not Access has none.
    const QString second = cachedConversion(m_dateTest, &error);
    QVERIFY(!second.isEmpty());
    QVERIFY(second != first);
    const QStringList cachedBefore = entriesOf(QFileInfo(first).absolutePath());
    const QString text = QDir(m_readerDir).filePath(QStringLiteral("readme.mdb"));
    {
        QFile file(text);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("plain text");
    }
    error.clear();
    QVERIFY(cachedConversion(text, &error).isEmpty());
    QVERIFY(!error.isEmpty());
    QCOMPARE(entriesOf(QFileInfo(first).absolutePath()), cachedBefore);
    QFile::remove(text);
}

void TestMdbImport::commandLineImport()
{
    const QString tool = QStringLiteral(VELMORA_BINARY_DIR "/bin/velmora-data");
    if (!QFileInfo(tool).isExecutable())
        QSKIP("velmora-data is not built");
    QTemporaryDir work(m_dir.filePath(QStringLiteral("cliXXXXXX")));
    const QString source = work.filePath(QStringLiteral("source"));
    QVERIFY(!copyFixture(QStringLiteral("nwind.mdb"), source).isEmpty());
    {
        QFile text(QDir(source).filePath(QStringLiteral("kur'an.RTF")));
        QVERIFY(text.open(QIODevice::WriteOnly));
        text.write("{\\rtf1 Fatiha}");
    }
    const QString target = work.filePath(QStringLiteral("data"));

    QProcess process;
    process.start(tool,
                  {QStringLiteral("import-mdb"), QDir(source).filePath(QStringLiteral("nwind.mdb")), target});
    QVERIFY(process.waitForFinished(60000));
    const QString out = QString::fromUtf8(process.readAllStandardOutput());
    QCOMPARE(process.exitCode(), 0);
    QVERIFY(QFileInfo(QDir(target).filePath(QStringLiteral("Bazabos.db"))).isFile());
    QFile copied(QDir(target).filePath(QStringLiteral("kur'an.RTF")));
    QVERIFY(copied.open(QIODevice::ReadOnly));
    QCOMPARE(copied.readAll(), QByteArray("{\\rtf1 Fatiha}"));
    QVERIFY2(out.contains(QRegularExpression(QStringLiteral("Umsätze\\s+830 rows"))), qPrintable(out));
    QVERIFY2(out.contains(QRegularExpression(QStringLiteral("Order Details\\s+2155 rows"))), qPrintable(out));
    // The saved queries left without a view are listed, the others are not.
    const QString skipped = out.mid(out.indexOf(QStringLiteral("not converted")));
    QVERIFY2(skipped.contains(QStringLiteral("\n  Quarterly Orders by Product\n")), qPrintable(out));
    QVERIFY2(!skipped.contains(QStringLiteral("Ten Most Expensive Products")), qPrintable(out));

    // Bad input: a message and a non-zero exit, nothing made.
    const QString bad = QDir(source).filePath(QStringLiteral("bad.mdb"));
    {
        QFile file(bad);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("nothing of Access here");
    }
    const QString badTarget = work.filePath(QStringLiteral("bad-data"));
    process.start(tool, {QStringLiteral("import-mdb"), bad, badTarget});
    QVERIFY(process.waitForFinished(60000));
    QVERIFY(process.exitCode() != 0);
    QVERIFY(!process.readAllStandardError().isEmpty());
    QVERIFY(!QFileInfo::exists(QDir(badTarget).filePath(QStringLiteral("Bazabos.db"))));
    process.start(tool, {QStringLiteral("import-mdb"), bad});
    QVERIFY(process.waitForFinished(60000));
    QVERIFY(process.exitCode() != 0);
}

QTEST_GUILESS_MAIN(TestMdbImport)
#include "tst_mdbimport.moc"
