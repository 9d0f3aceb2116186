#include "data/MdbImport.h"

#include "data/ConversionProcess.h"
#include "data/JetSql.h"
#include "data/MdbDetail.h"

#include <QCryptographicHash>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSet>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QStandardPaths>
#include <QTemporaryFile>
#include <QVariant>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <functional>
#include <memory>
#include <vector>

#include <unistd.h>

// mdbtools.h wraps its own includes in extern "C"; glib and iconv must be seen first so that
// their C++ parts are not pulled into C linkage.
#include <glib.h>
#include <iconv.h>
#include <mdbtools.h>

namespace velmora::data {

using namespace mdb;

namespace {

// A Bosnian reason for a failure of Qt's SQLite driver; its own text is English.
QString storeReason(const QSqlError &error)
{
    bool isCode = false;
    const int code = error.nativeErrorCode().toInt(&isCode);
    return isCode ? jet::sqliteReason(code) : QStringLiteral("greška baze podataka");
}

constexpr int kMaxLongValuePages = 1 << 20; // a long value larger than this is damage, not data

struct HandleCloser {
    void operator()(MdbHandle *handle) const { mdb_close(handle); }
};
struct TableFreer {
    void operator()(MdbTableDef *table) const { mdb_free_tabledef(table); }
};
using HandlePtr = std::unique_ptr<MdbHandle, HandleCloser>;
using TablePtr = std::unique_ptr<MdbTableDef, TableFreer>;

quint16 le16(const unsigned char *p)
{
    return quint16(p[0] | (p[1] << 8));
}

quint32 le32(const unsigned char *p)
{
    return quint32(p[0]) | (quint32(p[1]) << 8) | (quint32(p[2]) << 16) | (quint32(p[3]) << 24);
}

quint64 le64(const unsigned char *p)
{
    return quint64(le32(p)) | (quint64(le32(p + 4)) << 32);
}

QString fromMdb(const char *text)
{
    return QString::fromUtf8(text);
}

MdbColumn *columnAt(MdbTableDef *table, unsigned int i)
{
    return static_cast<MdbColumn *>(g_ptr_array_index(table->columns, i));
}

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

// Removes a file and the companions SQLite may have left beside it.
void removeStoreFile(const QString &path)
{
    QFile::remove(path);
    QFile::remove(path + QStringLiteral("-journal"));
    QFile::remove(path + QStringLiteral("-wal"));
    QFile::remove(path + QStringLiteral("-shm"));
}

bool syncFile(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadWrite))
        return false;
    return ::fsync(file.handle()) == 0;
}

QString nextConnectionName()
{
    static std::atomic<int> counter{0};
    return QStringLiteral("velmora-mdb-%1").arg(counter.fetch_add(1));
}

// A table's definition with its columns, or null. libmdb hands back a definition whose usage
// map (the list of the table's pages) could not be found, and its row reading then follows a
// null pointer: such a definition is damage.
TablePtr readDefinition(MdbCatalogEntry *entry)
{
    TablePtr table(entry ? mdb_read_table(entry) : nullptr);
    if (!table || !table->usage_map || table->map_sz < 1 || !mdb_read_columns(table.get()) ||
        !table->columns || table->columns->len < table->num_cols)
        return nullptr;
    return table;
}

// One user table of the Access file with its definition read.
struct SourceTable {
    QString name;
    TablePtr def;
};

class Importer {
public:
    Importer(const QString &mdbPath, const QString &storePath, const ImportProgress &progress)
        : m_mdbPath(mdbPath), m_storePath(storePath), m_progress(progress)
    {
    }

    // Converts into a temporary file beside the store and renames it into place.
    bool run();
    // Converts into `file`, an empty file that the caller owns and removes on failure.
    bool runInto(const QString &file);

    QString error;
    bool sourceFault = false;
    QStringList skippedQueries;

private:
    bool fail(const QString &message)
    {
        error = message;
        return false;
    }
    bool openSource();
    bool writeFile(const QString &file);
    bool readCatalog();
    bool readQueries(MdbCatalogEntry *msysQueries);
    bool writeStore(QSqlDatabase &db);
    bool writeTable(QSqlDatabase &db, SourceTable &table, QSet<QString> *taken, QList<QStringList> *indexMap);
    bool scan(MdbTableDef *table, const std::function<bool(const QVariantList &)> &sink, qint64 *count);
    bool decode(MdbTableDef *table, MdbColumn *col, const MdbField &field, QVariant *value);
    bool readLongValue(const unsigned char *field, int size, QByteArray *out);
    QString decodeText(const char *data, qsizetype size);
    // A failure of the Access file itself (as against the store being written).
    QString damaged(const QString &what)
    {
        sourceFault = true;
        return QStringLiteral("Datoteka %1 je oštećena ili nepotpuna: %2.")
            .arg(QDir::toNativeSeparators(m_mdbPath), what);
    }
    void report(qint64 done)
    {
        if (m_progress)
            m_progress(std::min(done, m_total), m_total);
    }

    QString m_mdbPath;
    QString m_storePath;
    ImportProgress m_progress;
    HandlePtr m_mdb;
    std::vector<SourceTable> m_tables;
    QList<SavedQuery> m_queries;
    QList<quint32> m_queryIds; // catalog ids of m_queries
    qint64 m_sourceSize = 0;
    qint64 m_sourceTime = 0;
    QString m_sourcePath;
    qint64 m_total = 0;
    qint64 m_done = 0;
    QByteArray m_textBuffer;
};

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
    const QString connection = nextConnectionName();
    bool ok = false;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), connection);
        if (!db.isValid()) {
            error = QStringLiteral("SQLite upravljački program za Qt nije dostupan.");
        } else {
            db.setDatabaseName(file);
            if (!db.open())
                error = QStringLiteral("Baza %1 ne može se napraviti.").arg(QDir::toNativeSeparators(file));
            else
                ok = writeStore(db);
            db.close();
        }
    }
    QSqlDatabase::removeDatabase(connection);
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

bool Importer::openSource()
{
    const QFileInfo info(m_mdbPath);
    const QString shown = QDir::toNativeSeparators(m_mdbPath);
    // Whatever stops the reading here is a matter of the source file.
    sourceFault = true;
    if (!info.exists())
        return fail(QStringLiteral("Datoteka %1 ne postoji.").arg(shown));
    if (!info.isFile() || !info.isReadable())
        return fail(QStringLiteral("Datoteka %1 ne može se pročitati.").arg(shown));
    if (!isAccessFile(m_mdbPath))
        return fail(QStringLiteral("%1 nije Access baza podataka.").arg(shown));
    // Taken before reading, so that a change made while converting is seen as a change.
    m_sourceSize = info.size();
    m_sourceTime = info.lastModified().toMSecsSinceEpoch();
    m_sourcePath = info.canonicalFilePath();

    m_mdb.reset(mdb_open(QFile::encodeName(m_mdbPath).constData(), MDB_NOFLAGS));
    if (!m_mdb)
        return fail(QStringLiteral("%1 ne može se otvoriti kao Access baza podataka.").arg(shown));
    const qint64 pageSize = m_mdb->fmt->pg_size;
    if (pageSize <= 0 || m_sourceSize < 2 * pageSize || m_sourceSize % pageSize != 0)
        return fail(damaged(QStringLiteral("njena veličina nije cijeli broj stranica")));
    // Names and texts must come out of libmdb as UTF-8 (MDBICONV can ask it for another one).
    const char *target = mdb_target_charset(m_mdb.get());
    if (target && qstricmp(target, "UTF-8") != 0 && qstricmp(target, "UTF8") != 0)
        return fail(QStringLiteral(
                        "libmdb je podešen da tekstove pretvara u %1 (MDBICONV); za uvoz je potreban UTF-8.")
                        .arg(QString::fromLatin1(target)));
    sourceFault = false;
    return true;
}

bool Importer::readCatalog()
{
    MdbHandle *mdb = m_mdb.get();
    if (!mdb_read_catalog(mdb, MDB_ANY))
        return fail(damaged(QStringLiteral("njen katalog ne može se pročitati")));

    MdbCatalogEntry *msysObjects = nullptr;
    MdbCatalogEntry *msysQueries = nullptr;
    QList<MdbCatalogEntry *> queryEntries;
    for (unsigned int i = 0; i < mdb->num_catalog; ++i) {
        auto *entry = static_cast<MdbCatalogEntry *>(g_ptr_array_index(mdb->catalog, i));
        const QString name = fromMdb(entry->object_name);
        if (entry->object_type == MDB_TABLE && name == QLatin1String("MSysObjects"))
            msysObjects = entry;
        else if (entry->object_type == MDB_TABLE && name == QLatin1String("MSysQueries"))
            msysQueries = entry;
        else if (mdb_is_user_table(entry))
            m_tables.push_back({name, nullptr});
        else if (entry->object_type == MDB_QUERY && !name.startsWith(QLatin1Char('~'))) {
            m_queries.append({name, QString()});
            m_queryIds.append(quint32(entry->table_pg));
        }
    }
    if (!msysObjects)
        return fail(damaged(QStringLiteral("nema katalog objekata")));

    // The catalog itself must be whole: libmdb stops quietly at a page it cannot read.
    {
        TablePtr objects = readDefinition(msysObjects);
        if (!objects)
            return fail(damaged(QStringLiteral("njen katalog objekata ne može se pročitati")));
        qint64 rows = 0;
        mdb_rewind_table(objects.get());
        while (mdb_fetch_row(objects.get()))
            ++rows;
        if (rows != qint64(objects->num_rows))
            return fail(damaged(QStringLiteral("njen katalog objekata je nepotpun")));
    }

    m_total = 1; // the saved queries
    for (SourceTable &table : m_tables) {
        MdbCatalogEntry *entry = nullptr;
        for (unsigned int i = 0; i < mdb->num_catalog && !entry; ++i) {
            auto *candidate = static_cast<MdbCatalogEntry *>(g_ptr_array_index(mdb->catalog, i));
            if (mdb_is_user_table(candidate) && fromMdb(candidate->object_name) == table.name)
                entry = candidate;
        }
        table.def = readDefinition(entry);
        if (!table.def)
            return fail(damaged(QStringLiteral("definicija tabele %1 ne može se pročitati").arg(table.name)));
        // mdb_read_indices fills table->indices and returns nothing useful.
        mdb_read_indices(table.def.get());
        if (table.def->num_idxs > 0 && (!table.def->indices || table.def->indices->len < table.def->num_idxs))
            return fail(damaged(QStringLiteral("indeksi tabele %1 ne mogu se pročitati").arg(table.name)));
        m_total += qint64(table.def->num_rows) + 1;
    }
    return readQueries(msysQueries);
}

bool Importer::readQueries(MdbCatalogEntry *msysQueries)
{
    if (m_queries.isEmpty())
        return true;
    QHash<quint32, QList<QueryRow>> rowsById;
    if (msysQueries) {
        TablePtr table = readDefinition(msysQueries);
        if (!table)
            return fail(damaged(QStringLiteral("njeni sačuvani upiti ne mogu se pročitati")));
        QHash<QString, int> position;
        for (unsigned int i = 0; i < table->num_cols; ++i)
            position.insert(fromMdb(columnAt(table.get(), i)->name).toLower(), int(i));
        const int objectId = position.value(QStringLiteral("objectid"), -1);
        const int attribute = position.value(QStringLiteral("attribute"), -1);
        const int name1 = position.value(QStringLiteral("name1"), -1);
        const int name2 = position.value(QStringLiteral("name2"), -1);
        const int expression = position.value(QStringLiteral("expression"), -1);
        const int flag = position.value(QStringLiteral("flag"), -1);
        if (objectId < 0 || attribute < 0)
            return fail(damaged(QStringLiteral("njeni sačuvani upiti imaju nepoznat raspored")));
        auto text = [](const QVariantList &values, int i) {
            return i < 0 ? QString() : values[i].toString();
        };
        qint64 count = 0;
        const bool ok = scan(
            table.get(),
            [&](const QVariantList &values) {
                QueryRow row;
                row.attribute = values[attribute].toInt();
                row.name1 = text(values, name1);
                row.name2 = text(values, name2);
                row.expression = text(values, expression);
                row.flag = flag < 0 ? 0 : values[flag].toInt();
                // The catalog knows a query by the low 24 bits of its object id.
                rowsById[quint32(values[objectId].toLongLong()) & 0x00FFFFFFu].append(row);
                return true;
            },
            &count);
        if (!ok)
            return false;
    }
    for (qsizetype i = 0; i < m_queries.size(); ++i)
        m_queries[i].jetSql = jetQueryText(rowsById.value(m_queryIds[i]));
    return true;
}

bool Importer::writeStore(QSqlDatabase &db)
{
    QSqlQuery q(db);
    // The temporary file is thrown away on any failure, so no journal is needed.
    if (!q.exec(QStringLiteral("PRAGMA journal_mode=OFF")) ||
        !q.exec(QStringLiteral("PRAGMA synchronous=OFF")) || !db.transaction())
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

    const auto storeFailure = [this](const QSqlQuery &query) {
        return fail(QStringLiteral("Baza se ne može zapisati: %1.").arg(storeReason(query.lastError())));
    };
    if (!q.exec(QStringLiteral("CREATE TABLE velmora_indexes (tbl TEXT NOT NULL, name TEXT NOT NULL, "
                               "sqlite_name TEXT NOT NULL)")))
        return storeFailure(q);
    q.prepare(QStringLiteral("INSERT INTO velmora_indexes (tbl, name, sqlite_name) VALUES (?, ?, ?)"));
    for (const QStringList &entry : std::as_const(indexMap)) {
        for (int i = 0; i < 3; ++i)
            q.bindValue(i, entry[i]);
        if (!q.exec())
            return storeFailure(q);
    }

    QString queryError;
    if (!storeQueries(db, m_queries, jetQueryTranslator(db), &skippedQueries, &queryError))
        return fail(QStringLiteral("Baza se ne može zapisati."));
    m_done += 1;
    report(m_done);

    // Which Access file this store was made from, and how that file looked then.
    if (!q.exec(QStringLiteral("CREATE TABLE velmora_source (path TEXT, size INTEGER, mtime INTEGER)")))
        return storeFailure(q);
    q.prepare(QStringLiteral("INSERT INTO velmora_source (path, size, mtime) VALUES (?, ?, ?)"));
    q.bindValue(0, m_sourcePath);
    q.bindValue(1, m_sourceSize);
    q.bindValue(2, m_sourceTime);
    if (!q.exec())
        return storeFailure(q);
    q.finish();
    if (!db.commit())
        return fail(QStringLiteral("Baza se ne može zapisati."));
    return true;
}

bool Importer::writeTable(QSqlDatabase &db, SourceTable &table, QSet<QString> *taken,
                          QList<QStringList> *indexMap)
{
    MdbTableDef *def = table.def.get();
    const auto storeFailure = [this, &table](const QSqlQuery &query) {
        return fail(QStringLiteral("Tabela %1 ne može se zapisati u bazu: %2.")
                        .arg(table.name, storeReason(query.lastError())));
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
    QSqlQuery q(db);
    if (!q.exec(QStringLiteral("CREATE TABLE %1 (%2)")
                    .arg(sqlName(table.name), columns.join(QStringLiteral(", ")))))
        return storeFailure(q);

    if (def->num_cols > 0) {
        QSqlQuery insert(db);
        if (!insert.prepare(QStringLiteral("INSERT INTO %1 VALUES (%2)")
                                .arg(sqlName(table.name), marks.join(QStringLiteral(", ")))))
            return storeFailure(insert);
        qint64 rows = 0;
        const bool ok = scan(
            def,
            [&](const QVariantList &values) {
                for (int i = 0; i < values.size(); ++i)
                    insert.bindValue(i, values[i]);
                if (!insert.exec())
                    return storeFailure(insert);
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
        if (!(unique && q.exec(QStringLiteral("CREATE UNIQUE ") + body))) {
            // Access compares texts without regard to case and SQLite does not, so a unique
            // index can in principle be refused where Access had none; the index then stays
            // an ordinary one.
            if (!q.exec(QStringLiteral("CREATE ") + body))
                return storeFailure(q);
        }
        indexMap->append({table.name, accessName, name});
    }
    m_done += 1;
    report(m_done);
    return true;
}

bool Importer::scan(MdbTableDef *table, const std::function<bool(const QVariantList &)> &sink, qint64 *count)
{
    MdbHandle *mdb = m_mdb.get();
    std::vector<MdbField> fields(std::max(1u, table->num_cols));
    QVariantList values(table->num_cols);
    *count = 0;
    if (!table->usage_map || table->map_sz < 1)
        return fail(
            damaged(QStringLiteral("stranice tabele %1 ne mogu se pronaći").arg(fromMdb(table->name))));
    mdb_rewind_table(table);
    while (mdb_fetch_row(table)) {
        ++*count;
        // mdb_fetch_row leaves the row's page in pg_buf; its fields are taken apart here
        // rather than through libmdb's text bindings, which cut long texts and dates.
        int start = 0;
        size_t size = 0;
        if (table->cur_row == 0 || mdb_find_row(mdb, int(table->cur_row - 1), &start, &size) != 0)
            return fail(
                damaged(QStringLiteral("red tabele %1 ne može se pronaći").arg(fromMdb(table->name))));
        start &= 0x1FFF;
        if (mdb_crack_row(table, start, size, fields.data()) < 0)
            return fail(
                damaged(QStringLiteral("red tabele %1 ne može se pročitati").arg(fromMdb(table->name))));
        for (unsigned int i = 0; i < table->num_cols; ++i) {
            if (!decode(table, columnAt(table, unsigned(fields[i].colnum)), fields[i], &values[i]))
                return false;
        }
        if (!sink(values))
            return false;
    }
    return true;
}

bool Importer::decode(MdbTableDef *table, MdbColumn *col, const MdbField &field, QVariant *value)
{
    MdbHandle *mdb = m_mdb.get();
    if (col->col_type == MDB_BOOL) {
        // A yes/no value lives in the row's null mask: a set bit is Yes. Stored as 1 and 0.
        *value = qlonglong(field.is_null ? 0 : 1);
        return true;
    }
    if (field.is_null) {
        *value = QVariant();
        return true;
    }
    const int size = field.siz;
    if (field.start < 0 || size < 0 || field.start + size > mdb->fmt->pg_size)
        return fail(damaged(QStringLiteral("vrijednost u %1.%2 leži izvan svoje stranice")
                                .arg(fromMdb(table->name), fromMdb(col->name))));
    const unsigned char *p = mdb->pg_buf + field.start;
    const auto needs = [&](int bytes) {
        if (size >= bytes)
            return true;
        return fail(damaged(
            QStringLiteral("vrijednost u %1.%2 je prekratka").arg(fromMdb(table->name), fromMdb(col->name))));
    };
    switch (col->col_type) {
    case MDB_BYTE:
        if (!needs(1))
            return false;
        *value = qlonglong(p[0]);
        return true;
    case MDB_INT:
        if (!needs(2))
            return false;
        *value = qlonglong(qint16(le16(p)));
        return true;
    case MDB_LONGINT:
    case MDB_COMPLEX:
        if (!needs(4))
            return false;
        *value = qlonglong(qint32(le32(p)));
        return true;
    case MDB_MONEY:
        if (!needs(8))
            return false;
        *value = double(qint64(le64(p))) / 10000.0;
        return true;
    case MDB_FLOAT: {
        if (!needs(4))
            return false;
        const quint32 bits = le32(p);
        float f;
        std::memcpy(&f, &bits, sizeof f);
        *value = jetSingleToDouble(f);
        return true;
    }
    case MDB_DOUBLE:
    case MDB_DATETIME: {
        if (!needs(8))
            return false;
        const quint64 bits = le64(p);
        double d;
        std::memcpy(&d, &bits, sizeof d);
        if (col->col_type == MDB_DOUBLE) {
            *value = d;
        } else {
            const QString text = jetDateTimeToIso(d);
            *value = text.isEmpty() ? QVariant() : QVariant(text);
        }
        return true;
    }
    case MDB_TEXT:
        *value = decodeText(reinterpret_cast<const char *>(p), size);
        return true;
    case MDB_MEMO:
    case MDB_OLE: {
        QByteArray bytes;
        if (!readLongValue(p, size, &bytes))
            return fail(damaged(QStringLiteral("duga vrijednost u %1.%2 ne može se pročitati")
                                    .arg(fromMdb(table->name), fromMdb(col->name))));
        if (col->col_type == MDB_OLE)
            *value = bytes.isNull() ? QByteArray("") : bytes;
        else
            *value = decodeText(bytes.constData(), bytes.size());
        return true;
    }
    case MDB_BINARY:
        *value = QByteArray(reinterpret_cast<const char *>(p), size);
        return true;
    case MDB_REPID: {
        if (!needs(16))
            return false;
        char *text = mdb_uuid_to_string(mdb->pg_buf, field.start);
        *value = fromMdb(text);
        g_free(text);
        return true;
    }
    case MDB_NUMERIC: {
        if (!needs(17))
            return false;
        char *text = mdb_numeric_to_string(mdb, field.start, col->col_scale, col->col_prec);
        bool ok = false;
        const double number = QByteArray(text).toDouble(&ok);
        g_free(text);
        *value = ok ? QVariant(number) : QVariant();
        return true;
    }
    default:
        *value = QVariant();
        return true;
    }
}

// Memo and OLE values: a 12-byte head in the row (length with flags, then the place of the
// data), the data inline, on one long-value page, or on a chain of them.
bool Importer::readLongValue(const unsigned char *field, int size, QByteArray *out)
{
    MdbHandle *mdb = m_mdb.get();
    out->clear();
    if (size < MDB_MEMO_OVERHEAD)
        return true;
    const quint32 head = le32(field);
    const qint64 length = head & 0x3FFFFFFFu;
    if (head & 0x80000000u) {
        out->append(reinterpret_cast<const char *>(field) + MDB_MEMO_OVERHEAD, size - MDB_MEMO_OVERHEAD);
        return true;
    }
    qint32 pageRow = qint32(le32(field + 4));
    void *buf = nullptr;
    int offset = 0;
    size_t len = 0;
    if (head & 0x40000000u) {
        if (mdb_find_pg_row(mdb, pageRow, &buf, &offset, &len) != 0 || qint64(len) < length)
            return false;
        out->append(static_cast<const char *>(buf) + offset, qsizetype(length));
        return true;
    }
    if (head & 0xC0000000u)
        return false;
    for (int pages = 0; pageRow != 0; ++pages) {
        if (pages > kMaxLongValuePages)
            return false;
        if (mdb_find_pg_row(mdb, pageRow, &buf, &offset, &len) != 0 || len < 4)
            return false;
        const auto *row = static_cast<const unsigned char *>(buf) + offset;
        out->append(reinterpret_cast<const char *>(row) + 4, qsizetype(len - 4));
        if (out->size() > length)
            return false;
        pageRow = qint32(le32(row));
    }
    return out->size() == length;
}

QString Importer::decodeText(const char *data, qsizetype size)
{
    if (size <= 0)
        return QString(0, QChar());
    MdbHandle *mdb = m_mdb.get();
    if (IS_JET3(mdb)) {
        // Jet 3 texts are in the file's code page, which libmdb converts with iconv.
        const qsizetype room = size * 4 + 16;
        if (m_textBuffer.size() < room)
            m_textBuffer.resize(room);
        const int n = mdb_unicode2ascii(mdb, data, size_t(size), m_textBuffer.data(), size_t(room));
        return QString::fromUtf8(m_textBuffer.constData(), std::max(0, n));
    }
    // Jet 4 texts are UTF-16LE, optionally "compressed": after the mark FF FE, bytes stand
    // for characters below 256 and a zero byte switches between one and two bytes a character.
    const auto *p = reinterpret_cast<const unsigned char *>(data);
    QString text;
    if (size >= 2 && p[0] == 0xFF && p[1] == 0xFE) {
        text.reserve(size);
        bool compressed = true;
        for (qsizetype i = 2; i < size;) {
            if (p[i] == 0) {
                compressed = !compressed;
                ++i;
            } else if (compressed) {
                text.append(QChar(p[i]));
                ++i;
            } else if (i + 1 < size) {
                text.append(QChar(le16(p + i)));
                i += 2;
            } else {
                break;
            }
        }
    } else {
        text.reserve(size / 2);
        for (qsizetype i = 0; i + 1 < size; i += 2)
            text.append(QChar(le16(p + i)));
    }
    return text.isNull() ? QString(0, QChar()) : text;
}

// Reads the stamp of a converted store: true when it was made from `path` as it is now.
bool storeIsCurrent(const QString &storePath, const QString &path, qint64 size, qint64 mtime)
{
    if (!QFileInfo(storePath).isFile())
        return false;
    const QString connection = nextConnectionName();
    bool current = false;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), connection);
        db.setDatabaseName(storePath);
        db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_READONLY"));
        if (db.open()) {
            QSqlQuery q(db);
            if (q.exec(QStringLiteral("SELECT path, size, mtime FROM velmora_source")) && q.next())
                current = q.value(0).toString() == path && q.value(1).toLongLong() == size &&
                          q.value(2).toLongLong() == mtime;
        }
        db.close();
    }
    QSqlDatabase::removeDatabase(connection);
    return current;
}

// True when the store at `storePath` is complete and says it was made from `path`.
bool storeIsFrom(const QString &storePath, const QString &path)
{
    const QString connection = nextConnectionName();
    bool from = false;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), connection);
        db.setDatabaseName(storePath);
        db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_READONLY"));
        if (db.open()) {
            QSqlQuery q(db);
            from = q.exec(QStringLiteral("SELECT path FROM velmora_source")) && q.next() &&
                   q.value(0).toString() == path;
        }
        db.close();
    }
    QSqlDatabase::removeDatabase(connection);
    return from;
}

} // namespace

bool isAccessFile(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    const QByteArray head = file.read(4 + 15);
    if (head.size() < 19)
        return false;
    const QByteArray signature = head.mid(4, 15);
    return signature == "Standard Jet DB" || signature == "Standard ACE DB";
}

bool importMdb(const QString &mdbPath, const QString &storePath, QString *error, QStringList *skippedQueries,
               const ImportProgress &progress, ImportFailure *failure)
{
    Importer importer(mdbPath, storePath, progress);
    const bool ok = importer.run();
    if (failure)
        *failure = ok                     ? ImportFailure::None
                   : importer.sourceFault ? ImportFailure::Source
                                          : ImportFailure::Store;
    if (!ok) {
        if (error)
            *error = importer.error;
        return false;
    }
    if (skippedQueries)
        *skippedQueries = importer.skippedQueries;
    return true;
}

bool importMdbInto(const QString &mdbPath, const QString &file, QString *error, ImportFailure *failure,
                   const ImportProgress &progress)
{
    Importer importer(mdbPath, file, progress);
    const bool ok = importer.runInto(file);
    if (failure)
        *failure = ok                     ? ImportFailure::None
                   : importer.sourceFault ? ImportFailure::Source
                                          : ImportFailure::Store;
    if (!ok && error)
        *error = importer.error;
    return ok;
}

QString conversionCacheFolder()
{
    const QString cacheRoot = QStandardPaths::writableLocation(QStandardPaths::CacheLocation);
    return cacheRoot.isEmpty() ? QString() : QDir(cacheRoot).filePath(QStringLiteral("converted"));
}

QString cachedConversion(const QString &mdbPath, QString *error, const ImportProgress &progress,
                         ConversionOutcome *outcome)
{
    const auto failWith = [error, outcome](ConversionOutcome kind, const QString &message) {
        if (error)
            *error = message;
        if (outcome)
            *outcome = kind;
        return QString();
    };
    if (outcome)
        *outcome = ConversionOutcome::Done;
    const QFileInfo source(mdbPath);
    if (!source.isFile())
        return failWith(ConversionOutcome::Damaged,
                        QStringLiteral("Datoteka %1 ne postoji.").arg(QDir::toNativeSeparators(mdbPath)));
    if (!isAccessFile(mdbPath))
        return failWith(
            ConversionOutcome::Damaged,
            QStringLiteral("%1 nije Access baza podataka.").arg(QDir::toNativeSeparators(mdbPath)));
    const QString absolute = source.canonicalFilePath();

    const QString cacheDir = conversionCacheFolder();
    if (cacheDir.isEmpty())
        return failWith(
            ConversionOutcome::StoreFailed,
            QStringLiteral("Nema foldera za privremene datoteke u kojem bi se čuvala pretvorena baza."));
    if (!QDir().mkpath(cacheDir))
        return failWith(ConversionOutcome::StoreFailed,
                        QStringLiteral("Folder za privremene datoteke %1 ne može se napraviti.")
                            .arg(QDir::toNativeSeparators(cacheDir)));
    // The reader's folder is never written to.
    if (QFileInfo(cacheDir).canonicalFilePath() == source.canonicalPath())
        return failWith(ConversionOutcome::StoreFailed,
                        QStringLiteral("Folder za privremene datoteke je folder datoteke %1.")
                            .arg(QDir::toNativeSeparators(mdbPath)));

    // Temporary files of conversions cut short (a power cut, this program killed) are cleared
    // away once they are clearly abandoned; a running conversion keeps writing to its own.
    const QDateTime abandoned = QDateTime::currentDateTimeUtc().addDays(-1);
    const QFileInfoList leftovers =
        QDir(cacheDir).entryInfoList({QStringLiteral(".*.tmp")}, QDir::Files | QDir::Hidden);
    for (const QFileInfo &leftover : leftovers) {
        if (leftover.lastModified().toUTC() < abandoned)
            removeStoreFile(leftover.absoluteFilePath());
    }

    const QByteArray hash = QCryptographicHash::hash(absolute.toUtf8(), QCryptographicHash::Sha256).toHex();
    const QString storePath =
        QDir(cacheDir).filePath(QString::fromLatin1(hash.left(32)) + QStringLiteral(".db"));
    if (storeIsCurrent(storePath, absolute, source.size(), source.lastModified().toMSecsSinceEpoch()))
        return storePath;

    // The child writes into a temporary file of ours, which is renamed into place only when
    // the child succeeded and removed whatever else happened: after a crash or a hang as much
    // as after an error.
    QString tempPath;
    {
        QTemporaryFile temp(
            QDir(cacheDir).filePath(QStringLiteral(".%1.XXXXXX.tmp").arg(QFileInfo(storePath).fileName())));
        temp.setAutoRemove(false);
        if (!temp.open())
            return failWith(ConversionOutcome::StoreFailed,
                            QStringLiteral("U folder za privremene datoteke %1 ne može se pisati.")
                                .arg(QDir::toNativeSeparators(cacheDir)));
        tempPath = temp.fileName();
    }
    QString message;
    ConversionOutcome kind = convertInChildProcess(absolute, tempPath, progress, &message);
    if (kind == ConversionOutcome::Done && !storeIsFrom(tempPath, absolute)) {
        kind = ConversionOutcome::StoreFailed;
        message = QStringLiteral("Pretvaranje datoteke %1 nije dalo potpunu bazu.")
                      .arg(QDir::toNativeSeparators(mdbPath));
    }
    if (kind == ConversionOutcome::Done &&
        std::rename(QFile::encodeName(tempPath).constData(), QFile::encodeName(storePath).constData()) != 0) {
        kind = ConversionOutcome::StoreFailed;
        message = QStringLiteral("%1 ne može se preimenovati u %2.")
                      .arg(QDir::toNativeSeparators(tempPath), QDir::toNativeSeparators(storePath));
    }
    if (kind != ConversionOutcome::Done) {
        removeStoreFile(tempPath);
        return failWith(kind, message);
    }
    return storePath;
}

} // namespace velmora::data
