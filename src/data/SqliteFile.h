#pragma once

// An SQLite file opened through SQLite's own interface, for the code that makes stores (the
// Access conversion, the default data) and for the data tool's plain reading of a store it
// has just made. The program's queries go through Database, whose connections only read.
//
// Values are bound the way a store keeps them: no value, a null text and a null byte array
// as NULL; whole numbers (and yes/no) as INTEGER; reals as REAL; texts as TEXT; byte arrays
// as BLOB; anything else as its text.

#include "data/JetSql.h"

#include <QString>
#include <QVariantList>

struct sqlite3;
struct sqlite3_stmt;

namespace velmora::data {

class SqliteFile;

// A prepared statement of an SqliteFile, finalized when it goes; it must go before its file.
// A failure of any of its calls is recorded in the file (SqliteFile::errorCode()).
class SqliteStatement {
public:
    SqliteStatement() = default;
    SqliteStatement(SqliteStatement &&other) noexcept;
    SqliteStatement &operator=(SqliteStatement &&other) noexcept;
    SqliteStatement(const SqliteStatement &) = delete;
    SqliteStatement &operator=(const SqliteStatement &) = delete;
    ~SqliteStatement();

    bool isValid() const { return m_st != nullptr; }
    // Binds `values` to the parameters in order, runs the statement to its end (rows it gives
    // are passed over) and leaves it ready to run again.
    bool exec(const QVariantList &values = {});
    // Binds `values` and starts the statement anew; next() then steps through its rows.
    bool bind(const QVariantList &values);
    // Steps to the next row: true on a row, false at the end and on a failure (the file's
    // errorCode() tells them apart: SQLITE_OK at the end).
    bool next();
    // Column `column` of the current row.
    jet::Value value(int column) const;

private:
    friend class SqliteFile;
    SqliteStatement(SqliteFile *file, sqlite3_stmt *st) : m_file(file), m_st(st) {}
    void finalize();

    SqliteFile *m_file = nullptr;
    sqlite3_stmt *m_st = nullptr;
};

class SqliteFile {
public:
    enum class Mode {
        ReadOnly,
        Write, // read and write, creating the file when it does not exist
    };

    SqliteFile() = default;
    SqliteFile(const SqliteFile &) = delete;
    SqliteFile &operator=(const SqliteFile &) = delete;
    ~SqliteFile() { close(); }

    // Opens `path` (":memory:" for a database in memory), closing what was open before.
    bool open(const QString &path, Mode mode);
    void close();
    bool isOpen() const { return m_db != nullptr; }

    // Prepares the one statement `sql`; an invalid statement when SQLite refuses it or the text
    // holds none or more than one.
    SqliteStatement prepare(const QString &sql);
    // Prepares and runs the one statement `sql` to its end.
    bool exec(const QString &sql);
    bool begin() { return exec(QStringLiteral("BEGIN")); }
    bool commit() { return exec(QStringLiteral("COMMIT")); }
    bool rollback() { return exec(QStringLiteral("ROLLBACK")); }

    // The last failure: SQLite's extended result code (SQLITE_OK after success), its own
    // English message (for the data tool's output) and a short Bosnian reason (for texts that
    // reach the reader). Kept until the next failure or the next successful call.
    int errorCode() const { return m_errorCode; }
    QString errorText() const { return m_errorText; }
    QString reason() const;

    // The connection, for installing functions on it and reading its schema; null while closed.
    sqlite3 *handle() const { return m_db; }

private:
    friend class SqliteStatement;
    // Records the result `rc` of a call: false (and the failure) unless it is SQLITE_OK,
    // SQLITE_ROW or SQLITE_DONE.
    bool record(int rc);
    bool fail(int rc, const QString &text);

    sqlite3 *m_db = nullptr;
    int m_errorCode = 0;
    QString m_errorText;
};

} // namespace velmora::data
