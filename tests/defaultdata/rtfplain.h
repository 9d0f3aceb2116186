#pragma once

#include <QByteArray>
#include <QString>

// A small reader of Rich Text Format for the tests: the plain text of a document as a rich
// text control shows it. Paragraph ends become CR LF, \tab a tab, \'hh a character of the
// document's code page 1250, \uN a Unicode character (the stand-in after it is skipped);
// the font and colour tables, the document information and every \* destination are left
// out. Anything it does not understand makes `error` non-empty.
QString rtfPlainText(const QByteArray &rtf, QString *error);
