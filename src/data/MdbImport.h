#pragma once

#include <QString>
#include <QStringList>
#include <functional>

namespace velmora::data {

// Progress of a conversion: done out of total steps (tables and rows).
using ImportProgress = std::function<void(qint64 done, qint64 total)>;

// What a converted store holds:
// - every user table with all its columns and rows, in the file's order, names unchanged
//   (quote them: "Order Details"); yes/no, byte, integer and long columns as INTEGER (Yes is
//   stored as 1, No as 0, not as Jet's -1), currency, single, double and decimal as REAL,
//   text, memo and replication ids as TEXT, dates as TEXT "YYYY-MM-DD HH:MM:SS", OLE objects
//   and binary columns as BLOB;
// - the tables' indexes (primary keys as unique indexes), named as in Access when that name
//   is free in the store, else "<table>_<name>"; velmora_indexes(tbl, name, sqlite_name)
//   maps every Access index name to the store's;
// - velmora_queries(name, jetsql, translated): each saved query with its Jet SQL text (empty
//   for action queries), and a view of the same name where translated is 1;
// - velmora_source(path, size, mtime): the Access file it was made from, as it was then.
//
// Converts the Access database `mdbPath` into a new store at `storePath` (written to a
// temporary file and renamed, so a failure never leaves a half-written store). Returns false
// with a message in `error` when the file is not an Access database or cannot be read.
// `skippedQueries` receives the names of saved queries that could not be turned into views.
bool importMdb(const QString &mdbPath, const QString &storePath, QString *error,
               QStringList *skippedQueries = nullptr, const ImportProgress &progress = {});

// True when the file starts like an Access (Jet 3 or Jet 4) database.
bool isAccessFile(const QString &path);

// The converted store for a reader's Access file, kept in the user's cache folder and reused
// while the Access file is unchanged (same size and modification time). Converts when needed.
// Returns the store's path, or an empty text with `error` set.
QString cachedConversion(const QString &mdbPath, QString *error, const ImportProgress &progress = {});

} // namespace velmora::data
