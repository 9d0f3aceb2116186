#pragma once

// The converter of an Access file into an SQLite store, in two halves: reading through libmdb
// (MdbRead.cpp) and writing the store (MdbWrite.cpp). Used by the Access conversion only.

#include "data/MdbDetail.h"
#include "data/MdbImport.h"
#include "data/SqliteFile.h"

#include <QDir>
#include <QList>
#include <QSet>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <functional>
#include <memory>
#include <vector>

#include <glib.h>
#include <mdbtools.h>

namespace velmora::data::importing {

using namespace mdb;

constexpr int kMaxLongValuePages = 1 << 20; // a long value larger than this is damage, not data

struct HandleCloser {
    void operator()(MdbHandle *handle) const { mdb_close(handle); }
};
struct TableFreer {
    void operator()(MdbTableDef *table) const { mdb_free_tabledef(table); }
};
using HandlePtr = std::unique_ptr<MdbHandle, HandleCloser>;
using TablePtr = std::unique_ptr<MdbTableDef, TableFreer>;

inline quint16 le16(const unsigned char *p)
{
    return quint16(p[0] | (p[1] << 8));
}

inline quint32 le32(const unsigned char *p)
{
    return quint32(p[0]) | (quint32(p[1]) << 8) | (quint32(p[2]) << 16) | (quint32(p[3]) << 24);
}

inline quint64 le64(const unsigned char *p)
{
    return quint64(le32(p)) | (quint64(le32(p + 4)) << 32);
}

inline QString fromMdb(const char *text)
{
    return QString::fromUtf8(text);
}

inline MdbColumn *columnAt(MdbTableDef *table, unsigned int i)
{
    return static_cast<MdbColumn *>(g_ptr_array_index(table->columns, i));
}

// Removes a file and the companions SQLite may have left beside it.
void removeStoreFile(const QString &path);

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
    bool writeStore(SqliteFile &db);
    bool writeTable(SqliteFile &db, SourceTable &table, QSet<QString> *taken, QList<QStringList> *indexMap);
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

} // namespace velmora::data::importing
