#pragma once

#include <QString>
#include <QStringList>
#include <functional>

namespace velmora::data {

// Progress of a conversion: done out of total steps (tables and rows).
using ImportProgress = std::function<void(qint64 done, qint64 total)>;

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
