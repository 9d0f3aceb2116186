#pragma once

// The open connections to store files, shared by every database object of the process, and
// the rows of a result held in memory. Used by the database and record set classes only.

#include "data/Database.h"
#include "data/JetSql.h"

#include <QHash>
#include <QList>
#include <QSharedPointer>
#include <QString>
#include <QStringList>
#include <QVariantList>

#include <sqlite3.h>

#include <functional>
#include <vector>

namespace velmora::data {

namespace detail {

using jet::FieldInfo;
using jet::Translation;
using jet::Value;
using jet::ValueType;

QString tr(const char *text);
extern const char *const kNoCurrentRecord;
extern const char *const kItemNotFound;

// The rows of one result, read completely: the program walks them back and forth, copies
// record sets and finds rows in them, and the largest result (the verse table) is small.
// A query that gives far more rows (a join of a table with itself without a condition) is
// stopped at the memory limit.
struct ResultData {
    QList<FieldInfo> fields;
    QStringList names;
    std::vector<Value> cells;
    int rows = 0;

    const Value *row(int r) const { return cells.data() + size_t(r) * size_t(fields.size()); }
};

// The field of `fields` that `name` names: its own name, "table.column", or a column that only
// one field has; -1 when none or more than one.
int fieldIndex(const QList<FieldInfo> &fields, const QString &name);

// One open connection to a store file, shared by every Database object of the process that
// opens the same unchanged file. The program opens the store in every handler that queries;
// opening SQLite, reading its schema and preparing statements each time would cost far
// more than the query itself.
class Connection {
public:
    ~Connection()
    {
        for (sqlite3_stmt *st : std::as_const(statements))
            sqlite3_finalize(st);
        if (db)
            sqlite3_close(db);
    }

    QString path;
    qint64 mtime = 0;
    qint64 size = 0;
    qint64 inode = 0;
    sqlite3 *db = nullptr;
    // Set while a statement runs: a row callback that queried the same store again would
    // reset the statement under the running query.
    bool busy = false;
    jet::Schema schema;
    QHash<QString, sqlite3_stmt *> statements;

    // Runs a statement and gives its fields once, then each row as it comes; `row` returns
    // false to stop (the error it set, if any, is the failure). The callbacks must not
    // query the same store; such a query fails with an error.
    using FieldsSink = std::function<bool(const QList<FieldInfo> &fields)>;
    using RowSink = std::function<bool(sqlite3_stmt *st, QString *error)>;
    bool each(const QString &sql, const QVariantList &params, const QList<FieldInfo> &fields,
              const FieldsSink &onFields, const RowSink &onRow, QString *error);
    // The whole result in memory, within the record set memory limit.
    bool execute(const QString &sql, const QVariantList &params, const QList<FieldInfo> &fields,
                 ResultData *out, QString *error);
    bool run(const Translation &t, ResultData *out, QString *error)
    {
        return execute(t.sql, t.params, t.fields, out, error);
    }

private:
    sqlite3_stmt *statement(const QString &sql, QString *error);
};

// The connection to the store file at `path`, opened anew when the file changed.
QSharedPointer<Connection> acquireConnection(const QString &path, QString *error);
// The file of the data folder `dir` named `name` in any letter case.
QString findFileCached(const QString &dir, const QString &name);
// Whether a file starts like an SQLite database.
bool isSqliteFileCached(const QString &path);

} // namespace detail

struct DatabasePrivate {
    QString path;
    QString error = detail::tr("Baza podataka nije otvorena.");
    QSharedPointer<detail::Connection> conn;
};

struct RecordsetPrivate {
    QSharedPointer<const detail::ResultData> data;
    int pos = 0;
    bool valid = false;
    bool noMatch = false;
    QString error = detail::tr("Skup zapisa nije otvoren.");
};

struct TableRecordsetPrivate {
    QSharedPointer<detail::Connection> conn;
    QSharedPointer<const detail::ResultData> data;
    QString table;
    QString indexName;
    QList<int> keyColumns;
    QList<bool> keyDescending;
    std::vector<int> order; // row numbers in index order
    int pos = -1;
    bool valid = false;
    bool noMatch = false;
    QString error = detail::tr("Skup zapisa nije otvoren.");
};

} // namespace velmora::data
