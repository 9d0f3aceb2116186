#include "data/Database.h"

#include "data/DataFolder.h"
#include "data/JetSql.h"
#include "data/MdbImport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QMutex>
#include <QMutexLocker>
#include <QVariant>

#include <sqlite3.h>
#include <sys/stat.h>
#include <time.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <functional>
#include <vector>

namespace velmora::data {

using jet::FieldInfo;
using jet::Translation;
using jet::Value;
using jet::ValueType;

namespace {

QString tr(const char *text)
{
    return QString::fromUtf8(text);
}

const char *const kNoCurrentRecord = "Nema tekućeg zapisa.";
const char *const kItemNotFound = "Stavka nije pronađena u ovoj zbirci.";

// The memory the rows of one record set may take; see setRecordsetMemoryLimit().
std::atomic<qint64> g_memoryLimit{kDefaultRecordsetMemoryLimit};

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

int fieldIndex(const QList<FieldInfo> &fields, const QString &name)
{
    for (int k = 0; k < fields.size(); ++k) {
        if (fields[k].name.compare(name, Qt::CaseInsensitive) == 0)
            return k;
    }
    // "table.column", or a column that only one field has.
    QString table, column = name;
    const int dot = name.indexOf(QLatin1Char('.'));
    if (dot > 0) {
        table = name.left(dot);
        column = name.mid(dot + 1);
    }
    int found = -1;
    for (int k = 0; k < fields.size(); ++k) {
        const FieldInfo &f = fields[k];
        if (f.column.compare(column, Qt::CaseInsensitive) != 0)
            continue;
        if (!table.isEmpty() && f.table.compare(table, Qt::CaseInsensitive) != 0)
            continue;
        if (found >= 0)
            return -1;
        found = k;
    }
    return found;
}

bool isSqliteFile(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return false;
    const QByteArray head = f.read(16);
    return head == QByteArray("SQLite format 3\0", 16);
}

// What the connection lets a statement do: read, and nothing else.
int authorize(void *, int action, const char *arg1, const char *, const char *, const char *)
{
    switch (action) {
    case SQLITE_SELECT:
    case SQLITE_READ:
    case SQLITE_FUNCTION:
        return SQLITE_OK;
    case SQLITE_PRAGMA:
        if (arg1 && (qstricmp(arg1, "table_info") == 0 || qstricmp(arg1, "index_xinfo") == 0 ||
                     qstricmp(arg1, "index_info") == 0 || qstricmp(arg1, "index_list") == 0))
            return SQLITE_OK;
        return SQLITE_DENY;
    default:
        return SQLITE_DENY;
    }
}

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
    QMutex mutex;
    jet::Schema schema;
    QHash<QString, sqlite3_stmt *> statements;

    // Runs a statement and gives its fields once, then each row as it comes; `row` returns
    // false to stop (the error it set, if any, is the failure). The connection is locked
    // meanwhile: the callbacks must not query the same store.
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

sqlite3_stmt *Connection::statement(const QString &sql, QString *error)
{
    if (sqlite3_stmt *st = statements.value(sql))
        return st;
    const QByteArray utf8 = sql.toUtf8();
    sqlite3_stmt *st = nullptr;
    const char *tail = nullptr;
    if (sqlite3_prepare_v3(db, utf8.constData(), int(utf8.size()), SQLITE_PREPARE_PERSISTENT, &st, &tail) !=
        SQLITE_OK) {
        *error = jet::sqliteReason(db);
        sqlite3_finalize(st);
        return nullptr;
    }
    while (tail && *tail && (*tail == ' ' || *tail == '\n' || *tail == '\t' || *tail == '\r'))
        ++tail;
    if (!st || (tail && *tail) || !sqlite3_stmt_readonly(st)) {
        sqlite3_finalize(st);
        *error = tr("Može se izvršiti samo jedna naredba koja čita podatke.");
        return nullptr;
    }
    if (statements.size() >= 128) {
        for (sqlite3_stmt *old : std::as_const(statements))
            sqlite3_finalize(old);
        statements.clear();
    }
    statements.insert(sql, st);
    return st;
}

bool Connection::each(const QString &sql, const QVariantList &params, const QList<FieldInfo> &fields,
                      const FieldsSink &onFields, const RowSink &onRow, QString *error)
{
    QMutexLocker lock(&mutex);
    sqlite3_stmt *st = statement(sql, error);
    if (!st)
        return false;
    const int columns = sqlite3_column_count(st);
    for (int k = 0; k < params.size(); ++k) {
        const QVariant &v = params[k];
        int rc;
        switch (v.typeId()) {
        case QMetaType::LongLong:
        case QMetaType::Int:
            rc = sqlite3_bind_int64(st, k + 1, v.toLongLong());
            break;
        case QMetaType::Double:
            rc = sqlite3_bind_double(st, k + 1, v.toDouble());
            break;
        case QMetaType::QString: {
            const QByteArray text = v.toString().toUtf8();
            rc = sqlite3_bind_text(st, k + 1, text.constData(), int(text.size()), SQLITE_TRANSIENT);
            break;
        }
        default:
            rc = sqlite3_bind_null(st, k + 1);
            break;
        }
        if (rc != SQLITE_OK) {
            *error = jet::sqliteReason(db);
            sqlite3_clear_bindings(st);
            return false;
        }
    }

    QList<FieldInfo> named = fields;
    if (named.isEmpty()) {
        for (int c = 0; c < columns; ++c) {
            FieldInfo f;
            f.name = QString::fromUtf8(sqlite3_column_name(st, c));
            f.column = f.name;
            named << f;
        }
    }
    // Whatever way the statement is left, it is ready for the next run.
    const auto finish = [&](bool ok) {
        sqlite3_reset(st);
        sqlite3_clear_bindings(st);
        return ok;
    };
    if (named.size() != columns) {
        *error = tr("Upit je vratio neočekivan broj kolona.");
        return finish(false);
    }
    if (!onFields(named))
        return finish(false);

    int rc;
    while ((rc = sqlite3_step(st)) == SQLITE_ROW) {
        if (!onRow(st, error))
            return finish(false);
    }
    if (rc != SQLITE_DONE) {
        *error = jet::sqliteReason(db);
        return finish(false);
    }
    return finish(true);
}

bool Connection::execute(const QString &sql, const QVariantList &params, const QList<FieldInfo> &fields,
                         ResultData *out, QString *error)
{
    ResultData data;
    const qint64 limit = g_memoryLimit.load();
    qint64 used = 0;
    int columns = 0;
    const auto onFields = [&](const QList<FieldInfo> &named) {
        data.fields = named;
        for (const FieldInfo &f : named)
            data.names << f.name;
        columns = int(named.size());
        return true;
    };
    const auto onRow = [&](sqlite3_stmt *st, QString *rowError) {
        for (int c = 0; c < columns; ++c) {
            used += qint64(sizeof(Value));
            switch (sqlite3_column_type(st, c)) {
            case SQLITE_INTEGER:
                data.cells.push_back(Value::fromInteger(sqlite3_column_int64(st, c)));
                break;
            case SQLITE_FLOAT:
                data.cells.push_back(Value::fromReal(sqlite3_column_double(st, c)));
                break;
            case SQLITE_NULL:
                data.cells.emplace_back();
                break;
            default: {
                const auto *p = reinterpret_cast<const char *>(sqlite3_column_text(st, c));
                const int bytes = sqlite3_column_bytes(st, c);
                used += bytes;
                data.cells.push_back(Value::fromUtf8(p, bytes));
                break;
            }
            }
        }
        ++data.rows;
        if (used > limit) {
            *rowError = tr("Upit daje više redova nego što skup zapisa može primiti (pročitano %1 redova, "
                           "više od %2 MB); suzite ga nekim uslovom.")
                            .arg(data.rows)
                            .arg(QString::number(double(limit) / (1024 * 1024), 'g', 3));
            return false;
        }
        return true;
    };
    if (!each(sql, params, fields, onFields, onRow, error))
        return false;
    *out = std::move(data);
    return true;
}

struct FileStamp {
    qint64 mtime = 0;
    qint64 size = 0;
    qint64 inode = 0;
};

bool stampOf(const QString &path, FileStamp *stamp)
{
    struct stat st;
    if (::stat(QFile::encodeName(path).constData(), &st) != 0 || !S_ISREG(st.st_mode))
        return false;
    stamp->mtime = qint64(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
    stamp->size = qint64(st.st_size);
    stamp->inode = qint64(st.st_ino);
    return true;
}

QSharedPointer<Connection> openConnection(const QString &path, const FileStamp &stamp, QString *error)
{
    if (!isSqliteFile(path)) {
        *error = tr("\"%1\" nije baza podataka koju program može čitati.").arg(path);
        return {};
    }
    auto conn = QSharedPointer<Connection>::create();
    conn->path = path;
    conn->mtime = stamp.mtime;
    conn->size = stamp.size;
    conn->inode = stamp.inode;
    const QByteArray name = QFile::encodeName(path);
    if (sqlite3_open_v2(name.constData(), &conn->db, SQLITE_OPEN_READONLY | SQLITE_OPEN_NOMUTEX, nullptr) !=
        SQLITE_OK) {
        *error = tr("\"%1\" se ne može otvoriti: %2").arg(path, jet::sqliteReason(conn->db));
        return {};
    }
    sqlite3_extended_result_codes(conn->db, 1);
    sqlite3_busy_timeout(conn->db, 2000);
    char *msg = nullptr;
    // A page cache that holds the whole verse table, so that searches after the first one
    // read no file pages again.
    if (sqlite3_exec(conn->db, "PRAGMA query_only=1; PRAGMA cache_size=-65536", nullptr, nullptr, &msg) !=
        SQLITE_OK) {
        *error = tr("\"%1\" se ne može otvoriti: %2").arg(path, jet::sqliteReason(conn->db));
        sqlite3_free(msg);
        return {};
    }
    if (!jet::registerJetFunctions(conn->db)) {
        *error = tr("\"%1\" se ne može otvoriti: %2").arg(path, jet::sqliteReason(conn->db));
        return {};
    }
    QString schemaError;
    if (!jet::Schema::read(conn->db, &conn->schema, &schemaError)) {
        *error = tr("\"%1\" se ne može pročitati: %2").arg(path, schemaError);
        return {};
    }
    sqlite3_set_authorizer(conn->db, authorize, nullptr);
    return conn;
}

bool sameStamp(const FileStamp &a, const FileStamp &b)
{
    return a.mtime == b.mtime && a.size == b.size && a.inode == b.inode;
}

bool stampOfFolder(const QString &path, FileStamp *stamp)
{
    struct stat st;
    if (::stat(QFile::encodeName(path).constData(), &st) != 0 || !S_ISDIR(st.st_mode))
        return false;
    stamp->mtime = qint64(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
    stamp->inode = qint64(st.st_ino);
    return true;
}

// The data folder's listing changes only when its modification time does: it is read once
// and every name looked up in it (every handler opens the store by name, in either letter
// case) is found without reading it again. File times advance in clock ticks, so a folder
// changed within the last second could change again without a new time; it is read every
// time until it has settled.
QString findFileCached(const QString &dir, const QString &name)
{
    static QMutex mutex;
    static QHash<QString, QPair<FileStamp, QStringList>> listings;
    FileStamp stamp;
    if (!stampOfFolder(dir, &stamp))
        return DataFolder::findFile(dir, name);
    struct timespec now;
    clock_gettime(CLOCK_REALTIME, &now);
    const qint64 nowNs = qint64(now.tv_sec) * 1000000000 + now.tv_nsec;
    if (nowNs - stamp.mtime < 1000000000)
        return DataFolder::findFile(dir, name);
    QStringList names;
    {
        QMutexLocker lock(&mutex);
        const auto it = listings.constFind(dir);
        if (it != listings.constEnd() && sameStamp(it->first, stamp))
            names = it->second;
    }
    if (names.isEmpty()) {
        names = DataFolder::fileNames(dir);
        QMutexLocker lock(&mutex);
        listings.insert(dir, {stamp, names});
    }
    const QString match = DataFolder::matchName(names, name);
    return match.isEmpty() ? QString() : QFileInfo(QDir(dir).filePath(match)).absoluteFilePath();
}

// Whether a file starts like an SQLite database, remembered while the file is unchanged.
bool isSqliteFileCached(const QString &path)
{
    static QMutex mutex;
    static QHash<QString, FileStamp> known;
    FileStamp stamp;
    if (!stampOf(path, &stamp))
        return false;
    {
        QMutexLocker lock(&mutex);
        const auto it = known.constFind(path);
        if (it != known.constEnd() && sameStamp(*it, stamp))
            return true;
    }
    if (!isSqliteFile(path))
        return false;
    QMutexLocker lock(&mutex);
    known.insert(path, stamp);
    return true;
}

QSharedPointer<Connection> acquireConnection(const QString &path, QString *error)
{
    static QMutex cacheMutex;
    static QHash<QString, QSharedPointer<Connection>> cache;

    FileStamp stamp;
    if (!stampOf(path, &stamp)) {
        *error = tr("Datoteka \"%1\" ne može se pronaći.").arg(path);
        return {};
    }
    QMutexLocker lock(&cacheMutex);
    const auto it = cache.constFind(path);
    if (it != cache.constEnd()) {
        const Connection &c = **it;
        if (sameStamp({c.mtime, c.size, c.inode}, stamp))
            return *it;
    }
    QSharedPointer<Connection> conn = openConnection(path, stamp, error);
    if (conn)
        cache.insert(path, conn);
    else
        cache.remove(path);
    return conn;
}

} // namespace

// ---------------------------------------------------------------------------------------

struct DatabasePrivate {
    QString path;
    QString error = tr("Baza podataka nije otvorena.");
    QSharedPointer<Connection> conn;
};

struct RecordsetPrivate {
    QSharedPointer<const ResultData> data;
    int pos = 0;
    bool valid = false;
    bool noMatch = false;
    QString error = tr("Skup zapisa nije otvoren.");
};

struct TableRecordsetPrivate {
    QSharedPointer<Connection> conn;
    QSharedPointer<const ResultData> data;
    QString table;
    QString indexName;
    QList<int> keyColumns;
    QList<bool> keyDescending;
    std::vector<int> order; // row numbers in index order
    int pos = -1;
    bool valid = false;
    bool noMatch = false;
    QString error = tr("Skup zapisa nije otvoren.");
};

// ---------------------------------------------------------------------------------------
// Recordset

Recordset::Recordset() : d(QSharedPointer<RecordsetPrivate>::create()) {}

bool Recordset::isValid() const
{
    return d->valid;
}

QString Recordset::errorString() const
{
    return d->error;
}

bool Recordset::eof() const
{
    return !d->valid || d->pos >= d->data->rows;
}

void Recordset::moveNext()
{
    if (eof()) {
        d->error = tr(kNoCurrentRecord);
        return;
    }
    ++d->pos;
}

void Recordset::moveFirst()
{
    if (d->valid)
        d->pos = 0;
}

int Recordset::rowCount() const
{
    return d->valid ? d->data->rows : 0;
}

int Recordset::fieldCount() const
{
    return d->valid ? int(d->data->fields.size()) : 0;
}

QStringList Recordset::fieldNames() const
{
    return d->valid ? d->data->names : QStringList();
}

namespace {
// A column of row `row` (-1: no current record) by position, or by name when `name` is given.
std::optional<QString> readField(const ResultData &data, int row, int position, const QString *name,
                                 QString *error)
{
    if (name)
        position = fieldIndex(data.fields, *name);
    if (position < 0 || position >= data.fields.size()) {
        *error = tr(kItemNotFound);
        return std::nullopt;
    }
    if (row < 0) {
        *error = tr(kNoCurrentRecord);
        return std::nullopt;
    }
    return data.row(row)[position].toText();
}
} // namespace

std::optional<QString> Recordset::field(int position) const
{
    if (!d->valid)
        return std::nullopt;
    return readField(*d->data, d->pos < d->data->rows ? d->pos : -1, position, nullptr, &d->error);
}

std::optional<QString> Recordset::field(const QString &name) const
{
    if (!d->valid)
        return std::nullopt;
    return readField(*d->data, d->pos < d->data->rows ? d->pos : -1, 0, &name, &d->error);
}

bool Recordset::findFirst(const QString &condition)
{
    if (!d->valid)
        return false;
    jet::Condition c;
    QString err;
    if (!jet::Condition::compile(condition, d->data->fields, &c, &err)) {
        d->error = err;
        return false;
    }
    for (int r = 0; r < d->data->rows; ++r) {
        if (c.matches(d->data->row(r))) {
            d->pos = r;
            d->noMatch = false;
            return true;
        }
    }
    // No row meets it: there is no current record, rather than a stale one that a bound
    // control would go on showing as if it had been found.
    d->noMatch = true;
    d->pos = d->data->rows;
    d->error = tr(kNoCurrentRecord);
    return false;
}

bool Recordset::noMatch() const
{
    return d->noMatch;
}

Recordset Recordset::clone() const
{
    Recordset copy;
    copy.d->data = d->data;
    copy.d->valid = d->valid;
    copy.d->error = d->valid ? QString() : d->error;
    copy.d->pos = 0;
    return copy;
}

// ---------------------------------------------------------------------------------------
// TableRecordset

TableRecordset::TableRecordset() : d(QSharedPointer<TableRecordsetPrivate>::create()) {}

bool TableRecordset::isValid() const
{
    return d->valid;
}

QString TableRecordset::errorString() const
{
    return d->error;
}

bool TableRecordset::setIndex(const QString &indexName)
{
    if (!d->valid)
        return false;
    Connection &conn = *d->conn;
    QString sqliteName;
    QString err;
    ResultData found;
    // A store converted from Access keeps the Access index names beside SQLite's own.
    if (conn.schema.table(QStringLiteral("velmora_indexes"))) {
        const QString sql = QStringLiteral("SELECT sqlite_name FROM velmora_indexes WHERE tbl = ? COLLATE %1 "
                                           "AND name = ? COLLATE %1")
                                .arg(QLatin1String(jet::kCollation));
        if (conn.execute(sql, {d->table, indexName}, {}, &found, &err) && found.rows > 0)
            sqliteName = found.row(0)[0].toText();
    }
    if (sqliteName.isEmpty()) {
        const QString sql =
            QStringLiteral("SELECT name FROM sqlite_master WHERE type = 'index' AND tbl_name = ? "
                           "COLLATE %1 AND name = ? COLLATE %1")
                .arg(QLatin1String(jet::kCollation));
        if (!conn.execute(sql, {d->table, indexName}, {}, &found, &err)) {
            d->error = err;
            return false;
        }
        if (found.rows > 0)
            sqliteName = found.row(0)[0].toText();
    }
    if (sqliteName.isEmpty()) {
        d->error = tr("\"%1\" nije indeks u tabeli \"%2\".").arg(indexName, d->table);
        return false;
    }
    ResultData info;
    const QString pragma = QStringLiteral("PRAGMA index_xinfo(%1)").arg(jet::quoteIdentifier(sqliteName));
    if (!conn.execute(pragma, {}, {}, &info, &err)) {
        d->error = err;
        return false;
    }
    QList<int> keys;
    QList<bool> descending;
    for (int r = 0; r < info.rows; ++r) {
        const Value *row = info.row(r); // seqno, cid, name, desc, coll, key
        if (row[5].i == 0)
            continue;
        const int k = fieldIndex(d->data->fields, row[2].toText());
        if (row[2].isNull() || k < 0) {
            d->error = tr("Indeks \"%1\" nije napravljen nad običnim kolonama.").arg(indexName);
            return false;
        }
        keys << k;
        descending << (row[3].i != 0);
    }
    if (keys.isEmpty()) {
        d->error = tr("Indeks \"%1\" nema kolona.").arg(indexName);
        return false;
    }
    std::vector<int> order(size_t(d->data->rows));
    for (int r = 0; r < d->data->rows; ++r)
        order[size_t(r)] = r;
    const ResultData &data = *d->data;
    std::stable_sort(order.begin(), order.end(), [&](int a, int b) {
        for (int k = 0; k < keys.size(); ++k) {
            int c = jet::compareValues(data.row(a)[keys[k]], data.row(b)[keys[k]]);
            if (descending[k])
                c = -c;
            if (c != 0)
                return c < 0;
        }
        return false;
    });
    d->indexName = indexName;
    d->keyColumns = keys;
    d->keyDescending = descending;
    d->order = std::move(order);
    return true;
}

bool TableRecordset::seek(const QString &key)
{
    if (!d->valid)
        return false;
    if (d->keyColumns.isEmpty()) {
        d->error = tr("Operacija nije dozvoljena bez tekućeg indeksa.");
        return false;
    }
    const int column = d->keyColumns.first();
    const ValueType type = d->data->fields[column].type;
    Value k;
    if (type == ValueType::Text) {
        k = Value::fromText(key);
    } else {
        // The key text converted to the number the column holds: "02" is 2.
        const QString t = key.trimmed();
        bool ok = false;
        const qint64 whole = t.toLongLong(&ok);
        if (ok) {
            k = Value::fromInteger(whole);
        } else {
            const double v = t.toDouble(&ok);
            if (ok && std::isfinite(v))
                k = (v == std::floor(v) && std::fabs(v) < 9e18) ? Value::fromInteger(qint64(v))
                                                                : Value::fromReal(v);
            else if (type == ValueType::Unknown)
                k = Value::fromText(key);
            else {
                d->pos = -1;
                d->noMatch = true;
                d->error = tr("Nepodudaranje tipova podataka u izrazu uslova.");
                return false;
            }
        }
    }
    const ResultData &data = *d->data;
    const bool desc = d->keyDescending.first();
    const auto it = std::lower_bound(d->order.begin(), d->order.end(), k, [&](int r, const Value &key) {
        const int c = jet::compareValues(data.row(r)[column], key);
        return desc ? c > 0 : c < 0;
    });
    if (it != d->order.end() && jet::compareValues(data.row(*it)[column], k) == 0) {
        d->pos = *it;
        d->noMatch = false;
        return true;
    }
    d->pos = -1;
    d->noMatch = true;
    d->error = tr(kNoCurrentRecord);
    return false;
}

bool TableRecordset::noMatch() const
{
    return d->noMatch;
}

bool TableRecordset::hasCurrent() const
{
    return d->valid && d->pos >= 0 && d->pos < d->data->rows;
}

std::optional<QString> TableRecordset::field(int position) const
{
    if (!d->valid)
        return std::nullopt;
    return readField(*d->data, hasCurrent() ? d->pos : -1, position, nullptr, &d->error);
}

std::optional<QString> TableRecordset::field(const QString &name) const
{
    if (!d->valid)
        return std::nullopt;
    return readField(*d->data, hasCurrent() ? d->pos : -1, 0, &name, &d->error);
}

Recordset TableRecordset::clone() const
{
    Recordset copy;
    if (!d->valid) {
        copy.d->error = d->error;
        return copy;
    }
    copy.d->data = d->data;
    copy.d->valid = true;
    copy.d->error.clear();
    return copy;
}

// ---------------------------------------------------------------------------------------
// Database

Database::Database() : d(QSharedPointer<DatabasePrivate>::create()) {}

Database Database::openPath(const QString &path)
{
    Database db;
    db.d->path = QFileInfo(path).absoluteFilePath();
    QString err;
    db.d->conn = acquireConnection(db.d->path, &err);
    db.d->error = db.d->conn ? QString() : err;
    return db;
}

Database Database::open(const QString &fileName)
{
    const QString dir = DataFolder::path();
    const QString found = findFileCached(dir, fileName);
    if (!found.isEmpty()) {
        if (isSqliteFileCached(found))
            return openPath(found);
        if (isAccessFile(found)) {
            QString err;
            const QString store = cachedConversion(found, &err);
            if (store.isEmpty()) {
                Database db;
                db.d->path = found;
                db.d->error = tr("Access baza podataka \"%1\" ne može se pročitati: %2").arg(found, err);
                return db;
            }
            return openPath(store);
        }
    }
    // The store made by set-up stands beside where the Access file would be.
    if (fileName.endsWith(QLatin1String(".mdb"), Qt::CaseInsensitive)) {
        const QString store = findFileCached(dir, fileName.chopped(4) + QStringLiteral(".db"));
        if (!store.isEmpty())
            return openPath(store);
    }
    Database db;
    if (!found.isEmpty()) {
        db.d->path = found;
        db.d->error = tr("\"%1\" nije baza podataka koju program može čitati.").arg(found);
    } else {
        db.d->error = tr("Baza podataka \"%1\" ne može se pronaći u \"%2\".").arg(fileName, dir);
    }
    return db;
}

bool Database::isOpen() const
{
    return !d->conn.isNull();
}

sqlite3 *Database::nativeHandle() const
{
    return d->conn ? d->conn->db : nullptr;
}

QString Database::errorString() const
{
    return d->error;
}

QString Database::path() const
{
    return d->path;
}

namespace {
// A query text, or a bare table or saved query name as a data source's record source names
// it, as SQLite.
bool translateQuery(const QString &queryText, const jet::Schema &schema, Translation *t, QString *error)
{
    QString name = queryText.trimmed();
    if (name.endsWith(QLatin1Char(';')))
        name.chop(1);
    name = name.trimmed();
    if (name.size() > 2 && name.startsWith(QLatin1Char('[')) && name.endsWith(QLatin1Char(']')))
        name = name.mid(1, name.size() - 2);
    if (!name.isEmpty() && schema.table(name))
        return jet::translateTable(name, schema, t, error);
    return jet::translate(queryText, schema, t, error);
}
} // namespace

bool Database::streamRows(const QString &queryText, const std::function<void(const QStringList &)> &columns,
                          const std::function<bool(const QStringList &)> &row, QString *error) const
{
    QString err;
    const auto failWith = [error](const QString &message) {
        if (error)
            *error = message;
        return false;
    };
    if (!d->conn)
        return failWith(d->error);
    Connection &conn = *d->conn;
    Translation t;
    if (!translateQuery(queryText, conn.schema, &t, &err))
        return failWith(err);
    int count = 0;
    bool stopped = false;
    const auto onFields = [&](const QList<FieldInfo> &fields) {
        QStringList names;
        for (const FieldInfo &f : fields)
            names << f.name;
        count = int(names.size());
        columns(names);
        return true;
    };
    QStringList values;
    const auto onRow = [&](sqlite3_stmt *st, QString *) {
        values.clear();
        for (int c = 0; c < count; ++c) {
            switch (sqlite3_column_type(st, c)) {
            case SQLITE_INTEGER:
                values << Value::fromInteger(sqlite3_column_int64(st, c)).toText();
                break;
            case SQLITE_FLOAT:
                values << Value::fromReal(sqlite3_column_double(st, c)).toText();
                break;
            case SQLITE_NULL:
                values << QString();
                break;
            default:
                values << QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_column_text(st, c)),
                                            sqlite3_column_bytes(st, c));
                break;
            }
        }
        stopped = !row(values);
        return !stopped;
    };
    if (!conn.each(t.sql, t.params, t.fields, onFields, onRow, &err) && !stopped)
        return failWith(err);
    return true;
}

Recordset Database::openRecordset(const QString &queryText) const
{
    Recordset rs;
    if (!d->conn) {
        rs.d->error = d->error;
        return rs;
    }
    Connection &conn = *d->conn;
    Translation t;
    QString err;
    if (!translateQuery(queryText, conn.schema, &t, &err)) {
        rs.d->error = err;
        return rs;
    }
    auto data = QSharedPointer<ResultData>::create();
    if (!conn.run(t, data.get(), &err)) {
        rs.d->error = err;
        return rs;
    }
    rs.d->data = data;
    rs.d->valid = true;
    rs.d->error.clear();
    return rs;
}

TableRecordset Database::openTable(const QString &tableName) const
{
    TableRecordset rs;
    if (!d->conn) {
        rs.d->error = d->error;
        return rs;
    }
    Connection &conn = *d->conn;
    const jet::TableInfo *info = conn.schema.table(tableName);
    Translation t;
    QString err;
    if (!info || !jet::translateTable(tableName, conn.schema, &t, &err)) {
        rs.d->error = info ? err : tr("Ulazna tabela \"%1\" ne može se pronaći.").arg(tableName);
        return rs;
    }
    auto data = QSharedPointer<ResultData>::create();
    if (!conn.run(t, data.get(), &err)) {
        rs.d->error = err;
        return rs;
    }
    rs.d->conn = d->conn;
    rs.d->table = info->name;
    rs.d->data = data;
    rs.d->pos = data->rows > 0 ? 0 : -1;
    rs.d->valid = true;
    rs.d->error.clear();
    return rs;
}

void setRecordsetMemoryLimit(qint64 bytes)
{
    g_memoryLimit.store(bytes > 0 ? bytes : kDefaultRecordsetMemoryLimit);
}

qint64 recordsetMemoryLimit()
{
    return g_memoryLimit.load();
}

QString quoteSingle(const QString &text)
{
    QString q = text;
    q.replace(QLatin1Char('\''), QLatin1String("''"));
    return QLatin1Char('\'') + q + QLatin1Char('\'');
}

QString quoteDouble(const QString &text)
{
    QString q = text;
    q.replace(QLatin1Char('"'), QLatin1String("\"\""));
    return QLatin1Char('"') + q + QLatin1Char('"');
}

} // namespace velmora::data
