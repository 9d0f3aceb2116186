#pragma once

#include "data/Database.h"

#include <QObject>

namespace velmora::data {

// A data source that lives as long as its window: it opens the store when the window loads
// and keeps one record set on its record source, table-type (index and seek) or snapshot.
class DataSource : public QObject {
    Q_OBJECT
public:
    enum class Kind { Table, Snapshot };

    DataSource(const QString &objectName, const QString &databaseName, const QString &recordSource, Kind kind,
               QObject *parent = nullptr);

    // Opens the store and the record source; false with errorString() set on failure.
    bool refresh();
    bool isOpen() const { return m_open; }
    QString errorString() const { return m_error; }
    QString databaseName() const { return m_databaseName; }
    QString recordSource() const { return m_recordSource; }

    Database &database() { return m_db; }
    TableRecordset &table() { return m_table; }
    Recordset &recordset() { return m_recordset; }

private:
    QString m_databaseName;
    QString m_recordSource;
    Kind m_kind;
    bool m_open = false;
    QString m_error;
    Database m_db;
    TableRecordset m_table;
    Recordset m_recordset;
};

} // namespace velmora::data
