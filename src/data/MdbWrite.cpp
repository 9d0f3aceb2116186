#include "data/MdbImporter.h"

#include "data/JetSql.h"

#include <QFile>
#include <QFileInfo>
#include <QTemporaryFile>

#include <unistd.h>

namespace velmora::data::importing {

namespace {

QString sqliteType(int jetType)
{
    switch (jetType) {
    case MDB_BOOL:
    case MDB_BYTE:
    case MDB_INT:
    case MDB_LONGINT:
    case MDB_COMPLEX:
        return QStringLiteral("INTEGER");
    case MDB_MONEY:
    case MDB_FLOAT:
    case MDB_DOUBLE:
    case MDB_NUMERIC:
        return QStringLiteral("REAL");
    case MDB_DATETIME:
    case MDB_TEXT:
    case MDB_MEMO:
    case MDB_REPID:
        return QStringLiteral("TEXT");
    case MDB_OLE:
    case MDB_BINARY:
        return QStringLiteral("BLOB");
    default:
        return {};
    }
}

bool syncFile(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadWrite))
        return false;
    return ::fsync(file.handle()) == 0;
}

} // namespace

// Removes a file and the companions SQLite may have left beside it.
void removeStoreFile(const QString &path)
{
    QFile::remove(path);
    QFile::remove(path + QStringLiteral("-journal"));
    QFile::remove(path + QStringLiteral("-wal"));
    QFile::remove(path + QStringLiteral("-shm"));
}

bool Importer::run()
{
    if (!openSource() || !readCatalog())
        return false;

    const QFileInfo target(m_storePath);
    const QDir targetDir = target.absoluteDir();
    if (!targetDir.exists())
        return fail(QStringLiteral("Folder %1 ne postoji.").arg(QDir::toNativeSeparators(targetDir.path())));
    if (target.isDir())
        return fail(QStringLiteral("%1 je folder.").arg(QDir::toNativeSeparators(target.absoluteFilePath())));

    // The store is built under a temporary name beside the target and renamed at the end, so
    // that a failure leaves no half-written store (and an existing one untouched).
    QString tempPath;
    {
        QTemporaryFile temp(targetDir.filePath(QStringLiteral(".%1.XXXXXX.tmp").arg(target.fileName())));
        temp.setAutoRemove(false);
        if (!temp.open())
            return fail(QStringLiteral("U folder %1 ne može se pisati.")
                            .arg(QDir::toNativeSeparators(targetDir.path())));
        tempPath = temp.fileName();
    }

    bool ok = writeFile(tempPath);
    if (ok && std::rename(QFile::encodeName(tempPath).constData(),
                          QFile::encodeName(m_storePath).constData()) != 0) {
        ok = false;
        error = QStringLiteral("%1 ne može se preimenovati u %2.")
                    .arg(QDir::toNativeSeparators(tempPath), QDir::toNativeSeparators(m_storePath));
    }
    if (!ok) {
        removeStoreFile(tempPath);
        return false;
    }
    report(m_total);
    return true;
}

bool Importer::runInto(const QString &file)
{
    if (!openSource() || !readCatalog() || !writeFile(file))
        return false;
    report(m_total);
    return true;
}

// Writes the store into `file` and makes it durable; the caller removes the file on failure.
bool Importer::writeFile(const QString &file)
{
    bool ok = false;
    {
        SqliteFile db;
        if (!db.open(file, SqliteFile::Mode::Write))
            error = QStringLiteral("Baza %1 ne može se napraviti.").arg(QDir::toNativeSeparators(file));
        else
            ok = writeStore(db);
    }
    m_mdb.reset();

    // A temporary file is made for its owner alone; a store is an ordinary data file.
    if (ok)
        QFile::setPermissions(file, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadUser |
                                        QFile::WriteUser | QFile::ReadGroup | QFile::ReadOther);
    if (ok && !syncFile(file)) {
        ok = false;
        error = QStringLiteral("Baza %1 ne može se zapisati na disk.").arg(QDir::toNativeSeparators(file));
    }
    return ok;
}

bool Importer::writeStore(SqliteFile &db)
{
    // The temporary file is thrown away on any failure, so no journal is needed.
    if (!db.exec(QStringLiteral("PRAGMA journal_mode=OFF")) ||
        !db.exec(QStringLiteral("PRAGMA synchronous=OFF")) || !db.begin())
        return fail(QStringLiteral("Baza se ne može pripremiti."));

    // Tables, views and indexes share one namespace in SQLite.
    QSet<QString> taken = {QStringLiteral("velmora_queries"), QStringLiteral("velmora_indexes"),
                           QStringLiteral("velmora_source")};
    for (const SourceTable &table : m_tables)
        taken.insert(table.name.toLower());
    for (const SavedQuery &query : m_queries)
        taken.insert(query.name.toLower());

    report(0);
    QList<QStringList> indexMap;
    for (SourceTable &table : m_tables) {
        if (!writeTable(db, table, &taken, &indexMap))
            return false;
    }

    const auto storeFailure = [this, &db] {
        return fail(QStringLiteral("Baza se ne može zapisati: %1.").arg(db.reason()));
    };
    if (!db.exec(QStringLiteral("CREATE TABLE velmora_indexes (tbl TEXT NOT NULL, name TEXT NOT NULL, "
                                "sqlite_name TEXT NOT NULL)")))
        return storeFailure();
    {
        SqliteStatement insert = db.prepare(
            QStringLiteral("INSERT INTO velmora_indexes (tbl, name, sqlite_name) VALUES (?, ?, ?)"));
        for (const QStringList &entry : std::as_const(indexMap)) {
            if (!insert.exec({entry[0], entry[1], entry[2]}))
                return storeFailure();
        }
    }

    QString queryError;
    if (!storeQueries(db, m_queries, jetQueryTranslator(db), &skippedQueries, &queryError))
        return fail(QStringLiteral("Baza se ne može zapisati."));
    m_done += 1;
    report(m_done);

    // Which Access file this store was made from, and how that file looked then.
    if (!db.exec(QStringLiteral("CREATE TABLE velmora_source (path TEXT, size INTEGER, mtime INTEGER)")))
        return storeFailure();
    {
        SqliteStatement insert =
            db.prepare(QStringLiteral("INSERT INTO velmora_source (path, size, mtime) VALUES (?, ?, ?)"));
        if (!insert.exec({m_sourcePath, m_sourceSize, m_sourceTime}))
            return storeFailure();
    }
    if (!db.commit())
        return fail(QStringLiteral("Baza se ne može zapisati."));
    return true;
}

bool Importer::writeTable(SqliteFile &db, SourceTable &table, QSet<QString> *taken,
                          QList<QStringList> *indexMap)
{
    MdbTableDef *def = table.def.get();
    const auto storeFailure = [this, &table, &db] {
        return fail(QStringLiteral("Tabela %1 ne može se zapisati u bazu: %2.").arg(table.name, db.reason()));
    };

    QStringList columns;
    QStringList marks;
    for (unsigned int i = 0; i < def->num_cols; ++i) {
        MdbColumn *col = columnAt(def, i);
        QString column = sqlName(fromMdb(col->name));
        const QString type = sqliteType(col->col_type);
        if (!type.isEmpty())
            column += QLatin1Char(' ') + type;
        columns << column;
        marks << QStringLiteral("?");
    }
    if (!db.exec(QStringLiteral("CREATE TABLE %1 (%2)")
                     .arg(sqlName(table.name), columns.join(QStringLiteral(", ")))))
        return storeFailure();

    if (def->num_cols > 0) {
        SqliteStatement insert = db.prepare(QStringLiteral("INSERT INTO %1 VALUES (%2)")
                                                .arg(sqlName(table.name), marks.join(QStringLiteral(", "))));
        if (!insert.isValid())
            return storeFailure();
        qint64 rows = 0;
        const bool ok = scan(
            def,
            [&](const QVariantList &values) {
                if (!insert.exec(values))
                    return storeFailure();
                if ((++m_done & 0xFF) == 0)
                    report(m_done);
                return true;
            },
            &rows);
        if (!ok)
            return false;
        // libmdb ends a table quietly at a data page it cannot read; the row count kept in
        // the table's definition tells a whole table from a cut one.
        if (rows != qint64(def->num_rows))
            return fail(damaged(QStringLiteral("tabela %1 sadrži %2 od %3 redova")
                                    .arg(table.name)
                                    .arg(rows)
                                    .arg(def->num_rows)));
    }

    for (unsigned int i = 0; i < def->num_idxs; ++i) {
        auto *index = static_cast<MdbIndex *>(g_ptr_array_index(def->indices, i));
        // Type 2 entries stand for the other side of a relationship and hold no keys.
        if (index->index_type == 2 || index->num_keys == 0)
            continue;
        QStringList keys;
        for (unsigned int k = 0; k < index->num_keys && k < MDB_MAX_IDX_COLS; ++k) {
            const int number = index->key_col_num[k] - 1;
            MdbColumn *col = nullptr;
            for (unsigned int c = 0; c < def->num_cols && !col; ++c) {
                if (columnAt(def, c)->col_num == number)
                    col = columnAt(def, c);
            }
            if (!col && number >= 0 && unsigned(number) < def->num_cols)
                col = columnAt(def, unsigned(number));
            if (!col)
                return fail(
                    damaged(QStringLiteral("indeks tabele %1 navodi nepoznatu kolonu").arg(table.name)));
            keys << sqlName(fromMdb(col->name)) +
                        (index->key_col_order[k] == MDB_DESC ? QStringLiteral(" DESC") : QString());
        }
        const QString accessName = fromMdb(index->name);
        const QString name = uniqueIndexName(table.name, accessName, taken);
        const bool unique = index->index_type == 1 || (index->flags & MDB_IDX_UNIQUE);
        const QString body = QStringLiteral("INDEX %1 ON %2 (%3)")
                                 .arg(sqlName(name), sqlName(table.name), keys.join(QStringLiteral(", ")));
        if (!(unique && db.exec(QStringLiteral("CREATE UNIQUE ") + body))) {
            // Access compares texts without regard to case and SQLite does not, so a unique
            // index can in principle be refused where Access had none; the index then stays
            // an ordinary one.
            if (!db.exec(QStringLiteral("CREATE ") + body))
                return storeFailure();
        }
        indexMap->append({table.name, accessName, name});
    }
    m_done += 1;
    report(m_done);
    return true;
}

} // namespace velmora::data::importing
