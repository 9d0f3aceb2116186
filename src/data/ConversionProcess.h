#pragma once

// Converting a reader's Access file in a child process. libmdb reads the file in the process
// that calls it and does not survive every kind of damage (it follows null pointers out of
// broken table definitions); a crash, a hang or an error of the child is reported to the
// program instead of ending it.
//
// The child is `velmora-data import-mdb --progress --into FILE MDB`. It writes the store into
// FILE, which the caller has made and removes again unless the conversion succeeded, and it
// tells its progress on its standard output, one line at a time:
//     progress DONE TOTAL
// Its exit code says how it ended: 0 done, 1 the Access file cannot be read (missing, not an
// Access database, damaged, or its reading crashed), 2 wrong arguments, 3 the store cannot be
// written.

#include "data/MdbImport.h"

#include <QByteArray>
#include <QString>

namespace velmora::data {

// Exit codes of velmora-data import-mdb.
inline constexpr int kImportExitDone = 0;
inline constexpr int kImportExitSource = 1;
inline constexpr int kImportExitUsage = 2;
inline constexpr int kImportExitStore = 3;

// The conversion program: velmora-data beside the running program, else in the install's bin
// folder. Empty when neither holds it.
QString conversionTool();
// Uses `path` as the conversion program (tests); an empty path looks for it again.
void setConversionTool(const QString &path);

// How long the conversion may go without a sign of progress before it counts as hung and is
// stopped, in milliseconds. A value of 0 or less restores the default of one minute.
void setConversionTimeLimit(int ms);
int conversionTimeLimit();

// Runs the conversion program on `mdbPath` into `file` and waits for it in an event loop:
// with a `progress` callback all events are handled meanwhile (the program's windows stay
// responsive), without one only those that are not the user's input. The child and every
// process it started are stopped when it overruns the time limit. `error` receives the
// child's own message (English) or what went wrong with it.
ConversionOutcome convertInChildProcess(const QString &mdbPath, const QString &file,
                                        const ImportProgress &progress, QString *error);

// The progress line: "progress DONE TOTAL\n".
QByteArray progressLine(qint64 done, qint64 total);
// Reads one line (without its line end); false when it is not a progress line.
bool parseProgressLine(const QByteArray &line, qint64 *done, qint64 *total);

} // namespace velmora::data
