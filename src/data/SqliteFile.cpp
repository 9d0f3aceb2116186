#include "data/SqliteFile.h"

#include <QFile>

#include <sqlite3.h>

#include <utility>

namespace velmora::data {

SqliteStatement::SqliteStatement(SqliteStatement &&other) noexcept
    : m_file(std::exchange(other.m_file, nullptr)), m_st(std::exchange(other.m_st, nullptr))
{
}

SqliteStatement &SqliteStatement::operator=(SqliteStatement &&other) noexcept
{
    if (this != &other) {
        finalize();
        m_file = std::exchange(other.m_file, nullptr);
        m_st = std::exchange(other.m_st, nullptr);
    }
    return *this;
}

SqliteStatement::~SqliteStatement()
{
    finalize();
}

void SqliteStatement::finalize()
{
    sqlite3_finalize(m_st);
    m_st = nullptr;
}

bool SqliteStatement::bind(const QVariantList &values)
{
    if (!m_st) // the failure of its preparation stays the file's error
        return false;
    sqlite3_reset(m_st);
    sqlite3_clear_bindings(m_st);
    for (int k = 0; k < values.size(); ++k) {
        if (!m_file->record(jet::bindValue(m_st, k + 1, values[k])))
            return false;
    }
    return m_file->record(SQLITE_OK);
}

bool SqliteStatement::next()
{
    if (!m_st) // the failure of its preparation stays the file's error
        return false;
    const int rc = sqlite3_step(m_st);
    m_file->record(rc);
    return rc == SQLITE_ROW;
}

bool SqliteStatement::exec(const QVariantList &values)
{
    if (!bind(values))
        return false;
    int rc;
    while ((rc = sqlite3_step(m_st)) == SQLITE_ROW) {
    }
    const bool ok = m_file->record(rc);
    sqlite3_reset(m_st);
    return ok;
}

jet::Value SqliteStatement::value(int column) const
{
    return m_st ? jet::columnValue(m_st, column) : jet::Value();
}

bool SqliteFile::open(const QString &path, Mode mode)
{
    close();
    const int flags =
        mode == Mode::ReadOnly ? SQLITE_OPEN_READONLY : SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE;
    const int rc = sqlite3_open_v2(QFile::encodeName(path).constData(), &m_db, flags, nullptr);
    if (rc != SQLITE_OK) {
        fail(m_db ? sqlite3_extended_errcode(m_db) : rc,
             m_db ? QString::fromUtf8(sqlite3_errmsg(m_db)) : QString::fromUtf8(sqlite3_errstr(rc)));
        close();
        return false;
    }
    sqlite3_extended_result_codes(m_db, 1);
    sqlite3_busy_timeout(m_db, 5000);
    return record(SQLITE_OK);
}

void SqliteFile::close()
{
    // A statement still open keeps the connection until it is finalized.
    sqlite3_close_v2(m_db);
    m_db = nullptr;
}

SqliteStatement SqliteFile::prepare(const QString &sql)
{
    if (!m_db) {
        fail(SQLITE_MISUSE, QStringLiteral("the database is not open"));
        return {};
    }
    sqlite3_stmt *st = nullptr;
    const int rc = jet::prepareSingle(m_db, sql, 0, &st);
    if (!record(rc))
        return {};
    if (!st) {
        fail(SQLITE_MISUSE, QStringLiteral("not one statement: %1").arg(sql));
        return {};
    }
    return SqliteStatement(this, st);
}

bool SqliteFile::exec(const QString &sql)
{
    SqliteStatement st = prepare(sql);
    return st.isValid() && st.exec();
}

QString SqliteFile::reason() const
{
    return jet::sqliteReason(m_errorCode);
}

bool SqliteFile::record(int rc)
{
    if (rc == SQLITE_OK || rc == SQLITE_ROW || rc == SQLITE_DONE) {
        m_errorCode = SQLITE_OK;
        m_errorText.clear();
        return true;
    }
    // The connection's own code is the extended one, where the call may give the primary.
    const int code =
        m_db && (sqlite3_extended_errcode(m_db) & 0xff) == (rc & 0xff) ? sqlite3_extended_errcode(m_db) : rc;
    return fail(code, m_db ? QString::fromUtf8(sqlite3_errmsg(m_db)) : QString::fromUtf8(sqlite3_errstr(rc)));
}

bool SqliteFile::fail(int rc, const QString &text)
{
    m_errorCode = rc;
    m_errorText = text;
    return false;
}

} // namespace velmora::data
