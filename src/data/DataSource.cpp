#include "data/DataSource.h"

namespace velmora::data {

DataSource::DataSource(const QString &objectName, const QString &databaseName, const QString &recordSource,
                       Kind kind, QObject *parent)
    : QObject(parent), m_databaseName(databaseName), m_recordSource(recordSource), m_kind(kind)
{
    setObjectName(objectName);
}

bool DataSource::refresh()
{
    m_open = false;
    m_db = Database::open(m_databaseName);
    if (!m_db.isOpen()) {
        m_error = m_db.errorString();
        return false;
    }
    if (m_kind == Kind::Table) {
        m_table = m_db.openTable(m_recordSource);
        if (!m_table.isValid()) {
            m_error = m_table.errorString();
            return false;
        }
    } else {
        m_recordset = m_db.openRecordset(m_recordSource);
        if (!m_recordset.isValid()) {
            m_error = m_recordset.errorString();
            return false;
        }
    }
    m_error.clear();
    m_open = true;
    return true;
}

} // namespace velmora::data
