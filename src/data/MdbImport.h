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
// What stopped a conversion: the Access file (missing, not Access, damaged) or the store
// being written (no room, no permission).
enum class ImportFailure { None, Source, Store };

// Converts the Access database `mdbPath` into a new store at `storePath` (written to a
// temporary file and renamed, so a failure never leaves a half-written store). Returns false
// with a message in `error` when the file is not an Access database or cannot be read.
// `skippedQueries` receives the names of saved queries that could not be turned into views.
//
// The conversion reads the file with libmdb in this process, and libmdb does not survive
// every kind of damage: the program and velmora-data convert a reader's file in a child
// process (see ConversionProcess.h).
bool importMdb(const QString &mdbPath, const QString &storePath, QString *error,
               QStringList *skippedQueries = nullptr, const ImportProgress &progress = {},
               ImportFailure *failure = nullptr);

// The same written straight into `file`, an empty file that the caller made and removes again
// when this fails: no temporary file, no rename (the caller, a parent process, does that).
bool importMdbInto(const QString &mdbPath, const QString &file, QString *error,
                   ImportFailure *failure = nullptr, const ImportProgress &progress = {});

// True when the file starts like an Access (Jet 3 or Jet 4) database.
bool isAccessFile(const QString &path);

// How a cached conversion ended.
enum class ConversionOutcome {
    Done,
    Damaged,     // the Access file is missing, not Access, or damaged (also when reading it crashed)
    StoreFailed, // the store could not be written in the cache folder
    ToolMissing, // velmora-data was not found
    Crashed,     // the conversion's process ended on a signal
    TimedOut,    // it gave no sign of progress within the time limit and was stopped
};

// The converted store for a reader's Access file, kept in the user's cache folder and reused
// while the Access file is unchanged (same size and modification time). Converts when needed,
// in a child process (velmora-data import-mdb) that the caller waits for in an event loop;
// whatever way that ends, no half-written file stays in the cache. Returns the store's path,
// or an empty text with `error` (the tool's own words, English) and `outcome` set.
QString cachedConversion(const QString &mdbPath, QString *error, const ImportProgress &progress = {},
                         ConversionOutcome *outcome = nullptr);

// The folder where cachedConversion() keeps converted stores.
QString conversionCacheFolder();

} // namespace velmora::data
