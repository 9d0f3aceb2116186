#include "data/Database.h"

#include "data/DataFolder.h"
#include "data/MdbImport.h"
#include "data/StoreConnection.h"

#include <QFileInfo>

namespace velmora::data {

using namespace detail;

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
        for (int c = 0; c < count; ++c)
            values << jet::columnValue(st, c).toText();
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

QString quoteSingle(const QString &text)
{
    return jet::quoted(text, QLatin1Char('\''));
}

QString quoteDouble(const QString &text)
{
    return jet::quoted(text, QLatin1Char('"'));
}

} // namespace velmora::data
