#pragma once

#include <QSharedPointer>
#include <QString>
#include <QStringList>
#include <functional>
#include <optional>

struct sqlite3;

namespace velmora::data {

struct DatabasePrivate;
struct RecordsetPrivate;
struct TableRecordsetPrivate;

// A record set over the rows of one query text (Jet SQL dialect) or of a whole table, in the
// store's own order. Values are read as text; a NULL reads as the empty text. Failures never
// throw: the operation returns false / std::nullopt and errorString() says why.
class Recordset {
public:
    Recordset();
    bool isValid() const;        // false when the query text was rejected or the store failed
    QString errorString() const; // the last failure
    bool eof() const;            // no current row: past the last row, or no rows at all
    void moveNext();
    void moveFirst();
    int rowCount() const;
    int fieldCount() const;
    QStringList fieldNames() const;
    // A column of the current row by 0-based position or by name (letter case ignored).
    // Fails without a current row ("No current record.") or for an unknown column.
    std::optional<QString> field(int position) const;
    std::optional<QString> field(const QString &name) const;
    // Snapshot search: makes the first row meeting the Jet condition text current.
    // Returns false when no row meets it (noMatch() is then true and there is no current
    // record) or the text is rejected (errorString() says why; the position is kept).
    bool findFirst(const QString &condition);
    bool noMatch() const;
    // An independent copy, positioned on its first row; walking it leaves this one alone.
    Recordset clone() const;

private:
    friend class Database;
    friend class TableRecordset;
    QSharedPointer<RecordsetPrivate> d;
};

// A table-type record set: the rows of one table, an index chosen by name and seek "=".
class TableRecordset {
public:
    TableRecordset();
    bool isValid() const;
    QString errorString() const;
    // Chooses the current index by its name ("numri", "nr i ajeteve", ...), case ignored.
    bool setIndex(const QString &indexName);
    // Seek "=": the first record in index order whose key equals `key`, converted to the
    // key column's type ("02" finds 2). Returns false and leaves no current record when none
    // matches or the text does not convert.
    bool seek(const QString &key);
    bool noMatch() const;
    bool hasCurrent() const;
    std::optional<QString> field(int position) const;
    std::optional<QString> field(const QString &name) const;
    // A copy of the table's rows, walked from the first, independent of the current record.
    Recordset clone() const;

private:
    friend class Database;
    QSharedPointer<TableRecordsetPrivate> d;
};

// The program's store, opened read-only by its historical file name ("bazabos.mdb",
// "Bazabos.mdb") in the data folder. Nothing in the program writes to it.
class Database {
public:
    Database();
    static Database open(const QString &fileName);
    // Opens a store file by its full path (tools and tests).
    static Database openPath(const QString &path);
    bool isOpen() const;
    QString errorString() const;
    QString path() const;
    // Runs a query text of the Jet SQL dialect, or opens a table or saved query by name.
    Recordset openRecordset(const QString &queryText) const;
    // Runs a query text the same way and hands its rows to `row` as the store gives them,
    // keeping none: any number of rows needs no more memory than one. `columns` receives the
    // field names first; `row` gets the values as text (NULL as empty) and returns false to
    // stop early, which is no failure. The callbacks must not query this store. Returns false
    // with `error` set when the text is rejected or the store fails.
    bool streamRows(const QString &queryText, const std::function<void(const QStringList &)> &columns,
                    const std::function<bool(const QStringList &)> &row, QString *error) const;
    TableRecordset openTable(const QString &tableName) const;
    // The read-only SQLite connection behind the store (benchmarks compare on it); shared by
    // every Database object open on the same file. Null when not open.
    sqlite3 *nativeHandle() const;

private:
    QSharedPointer<DatabasePrivate> d;
};

// The rows of a record set are held in memory; a query that gives more than fits in this
// limit (an estimate of the values held, in bytes) fails with a message saying so instead of
// exhausting the memory. The largest result the program reads, the verse table, takes a few
// megabytes. A value of 0 or less restores the default.
inline constexpr qint64 kDefaultRecordsetMemoryLimit = qint64(256) * 1024 * 1024;
void setRecordsetMemoryLimit(qint64 bytes);
qint64 recordsetMemoryLimit();

// Jet SQL quoting of a text value inside single quotes ('Ali-''Imran') and double quotes.
QString quoteSingle(const QString &text);
QString quoteDouble(const QString &text);

} // namespace velmora::data
