#include "data/StoreConnection.h"

#include "data/DataFolder.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QScopeGuard>
#include <QVariant>

#include <sys/stat.h>
#include <time.h>

namespace velmora::data {

namespace {

// The memory the rows of one record set may take; see setRecordsetMemoryLimit().
qint64 g_memoryLimit = kDefaultRecordsetMemoryLimit;

} // namespace

namespace detail {

QString tr(const char *text)
{
    return QString::fromUtf8(text);
}

extern const char *const kNoCurrentRecord;
const char *const kNoCurrentRecord = "Nema tekućeg zapisa.";
extern const char *const kItemNotFound;
const char *const kItemNotFound = "Stavka nije pronađena u ovoj zbirci.";

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

sqlite3_stmt *Connection::statement(const QString &sql, QString *error)
{
    if (sqlite3_stmt *st = statements.value(sql))
        return st;
    sqlite3_stmt *st = nullptr;
    if (jet::prepareSingle(db, sql, SQLITE_PREPARE_PERSISTENT, &st) != SQLITE_OK) {
        *error = jet::sqliteReason(db);
        return nullptr;
    }
    if (!st || !sqlite3_stmt_readonly(st)) {
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
    if (busy) {
        *error = tr("Baza podataka je zauzeta drugim upitom.");
        return false;
    }
    busy = true;
    const auto done = qScopeGuard([this] { busy = false; });
    sqlite3_stmt *st = statement(sql, error);
    if (!st)
        return false;
    const int columns = sqlite3_column_count(st);
    if (jet::bindParameters(st, params) != SQLITE_OK) {
        *error = jet::sqliteReason(db);
        sqlite3_clear_bindings(st);
        return false;
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
    const qint64 limit = g_memoryLimit;
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
            if (sqlite3_column_type(st, c) == SQLITE_TEXT || sqlite3_column_type(st, c) == SQLITE_BLOB)
                used += sqlite3_column_bytes(st, c);
            data.cells.push_back(jet::columnValue(st, c));
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
    const auto it = listings.constFind(dir);
    if (it != listings.constEnd() && sameStamp(it->first, stamp))
        names = it->second;
    if (names.isEmpty()) {
        names = DataFolder::fileNames(dir);
        listings.insert(dir, {stamp, names});
    }
    const QString match = DataFolder::matchName(names, name);
    return match.isEmpty() ? QString() : QFileInfo(QDir(dir).filePath(match)).absoluteFilePath();
}

// Whether a file starts like an SQLite database, remembered while the file is unchanged.
bool isSqliteFileCached(const QString &path)
{
    static QHash<QString, FileStamp> known;
    FileStamp stamp;
    if (!stampOf(path, &stamp))
        return false;
    const auto it = known.constFind(path);
    if (it != known.constEnd() && sameStamp(*it, stamp))
        return true;
    if (!isSqliteFile(path))
        return false;
    known.insert(path, stamp);
    return true;
}

QSharedPointer<Connection> acquireConnection(const QString &path, QString *error)
{
    static QHash<QString, QSharedPointer<Connection>> cache;

    FileStamp stamp;
    if (!stampOf(path, &stamp)) {
        *error = tr("Datoteka \"%1\" ne može se pronaći.").arg(path);
        return {};
    }
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

} // namespace detail

void setRecordsetMemoryLimit(qint64 bytes)
{
    g_memoryLimit = bytes > 0 ? bytes : kDefaultRecordsetMemoryLimit;
}

qint64 recordsetMemoryLimit()
{
    return g_memoryLimit;
}

} // namespace velmora::data
