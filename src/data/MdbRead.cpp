#include "data/MdbImporter.h"

#include "data/JetSql.h"

#include <QFileInfo>

#include <cerrno>
#include <cstring>

#include <iconv.h>

namespace velmora::data::importing {

namespace {

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

} // namespace

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

} // namespace velmora::data::importing
