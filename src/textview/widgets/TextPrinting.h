#pragma once

#include <QString>
#include <functional>

class QPrinter;
class QTextDocument;
class QWidget;

namespace velmora {

class RichTextView;

// Printing what a text view shows (the whole text, a search listing with its red words, a
// topic report) on a printer or into a PDF file. Every page carries a header line: the
// program's title on the left, the page number ("Strana 3") on the right, and a rule below.
// The text keeps its fonts and colours; what is drawn in the window's own colours (the text
// and background of the view) prints black on white.

// Called after each page with the pages done and the pages to print; returning false stops
// the printing (the pages done stay printed).
using PrintProgress = std::function<bool(int done, int total)>;

// Prints `doc` on `printer`, honouring the page range chosen on it (from/to page, 0 for
// all). False with `error` set when the printer cannot be started or the range holds no page.
bool printDocument(const QTextDocument &doc, QPrinter &printer, const QString &title, QString *error,
                   const PrintProgress &progress = {});

// Prints the view's text; with the printer's print range set to the selection, only the
// selected text. Colourings still waiting in the view are written into its text first, so
// that every red word prints red.
bool printView(RichTextView *view, QPrinter &printer, QString *error, const PrintProgress &progress = {});

// "Štampaj / PDF...": the system's print dialog (with printing into a PDF file), then the
// printing with a progress window that can stop it. A failure is told to the reader.
void printViewWithDialog(RichTextView *view, QWidget *parent);

} // namespace velmora
