#pragma once

// Pieces of the Access import that need no Access file: rebuilding a saved query's Jet SQL
// text from its rows in the MSysQueries system table, turning Jet date values into text,
// naming indexes in the store and recording saved queries. MdbImport.cpp uses them; the
// tests call them directly.

#include <QList>
#include <QSet>
#include <QString>
#include <QStringList>

#include <functional>

namespace velmora::data {
class SqliteFile;
}

namespace velmora::data::mdb {

// One row of MSysQueries that belongs to one saved query.
struct QueryRow {
    int attribute = 0; // what the row describes (query type, table, column, join, ...)
    QString name1;
    QString name2;
    QString expression;
    int flag = 0;
};

// Saved query kinds as Jet records them in the query-type row.
enum QueryType {
    SelectQuery = 1,
    MakeTableQuery = 2,
    AppendQuery = 3,
    UpdateQuery = 4,
    DeleteQuery = 5,
    CrosstabQuery = 6,
    DataDefinitionQuery = 7,
    PassThroughQuery = 8,
    UnionQuery = 9,
};

// Rebuilds the Jet SQL text of a select, crosstab or union query from its rows, in the order
// in which they are stored. Returns an empty text for other kinds of query (action queries,
// pass-through, data definition) and for rows that describe no usable query.
QString jetQueryText(const QList<QueryRow> &rows);

// The query kind recorded in the rows (SelectQuery when the rows do not say).
int jetQueryType(const QList<QueryRow> &rows);

// A name as Jet SQL writes it: bare when it is a plain identifier, else in square brackets.
QString jetName(const QString &name);

// A Jet date/time value (days since 1899-12-30; for earlier dates the whole part counts back
// and the fraction is the time of that day) as ISO-8601 text "YYYY-MM-DD HH:MM:SS", rounded
// to the second. Empty for a value that is not a number.
QString jetDateTimeToIso(double value);

// A float stored by Jet (4 bytes) as the double that reads back as its shortest decimal
// text, so that 0.15f is stored as 0.15 and not as 0.150000006.
double jetSingleToDouble(float value);

// SQLite keeps index names in one namespace per database (shared with tables and views),
// Access per table. Gives the index its Access name when that is still free, otherwise
// "<table>_<name>" (with a number when even that is taken). Names are compared without
// regard to letter case; the chosen name is added to `taken` (held in lower case).
QString uniqueIndexName(const QString &table, const QString &indexName, QSet<QString> *taken);

// SQL text of an identifier for SQLite: in double quotes, inner quotes doubled.
QString sqlName(const QString &name);

// A saved query to record in the store.
struct SavedQuery {
    QString name;
    QString jetSql;
};

// Translates a saved query's Jet SQL into the SELECT text of an SQLite view; returns an
// empty text when it cannot. It is asked again after other views have been made, so it may
// read the store's schema as it stands at each call.
using QueryTranslator = std::function<QString(const QString &jetSql)>;

// Creates `velmora_queries(name, jetsql, translated)` in `db` and records every query in it.
// A view named after the query is made for each text that `translate` turns into SQLite
// (none when `translate` is empty) and that SQLite accepts. Queries with an empty text are
// recorded as not translated. Returns false with `error` only when the store itself fails;
// `skipped` receives the names of the queries that did not become views.
bool storeQueries(SqliteFile &db, const QList<SavedQuery> &queries, const QueryTranslator &translate,
                  QStringList *skipped, QString *error);

// The import's translator: Jet SQL into SQLite against the tables and views of `db` as they
// stand at each call. Installs on `db` the collation and LIKE function that translated texts
// use (every connection that reads such a view needs them too). Empty when `db` is not open.
QueryTranslator jetQueryTranslator(SqliteFile &db);

} // namespace velmora::data::mdb
