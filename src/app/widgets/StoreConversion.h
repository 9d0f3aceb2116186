#pragma once

#include "data/MdbImport.h"

#include <QString>

class QWidget;

namespace velmora {

// When the data folder holds a reader's own Access database, converts it into the user's cache
// folder before the program opens it, showing the progress. A conversion that is still up to
// date is reused without a dialog. Returns false with `error` set (a sentence in Bosnian for
// the reader, naming the file) when the file cannot be converted; true when there is nothing
// to convert or the conversion is ready.
bool prepareStore(QWidget *parent, QString *error);

// What the reader is told when a conversion of `mdbPath` ended with `outcome`.
QString conversionFailureText(data::ConversionOutcome outcome, const QString &mdbPath);

} // namespace velmora
