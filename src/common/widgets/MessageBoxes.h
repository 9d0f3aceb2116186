#pragma once

#include <QMessageBox>
#include <QString>

class QWidget;

namespace velmora {

// The program's message boxes: captioned with the program's title, no icon, Bosnian button
// texts, and at least as wide as their caption, so that a short message does not cut it.
// Each returns the button the reader chose.
QMessageBox::StandardButton showMessage(QWidget *parent, const QString &text,
                                        QMessageBox::StandardButtons buttons = QMessageBox::Ok);

// OK only.
void tellReader(QWidget *parent, const QString &text);
// OK and Cancel: true on OK.
bool askOkCancel(QWidget *parent, const QString &text);
// Yes and No: true on Yes.
bool askYesNo(QWidget *parent, const QString &text);

// The Bosnian text of a standard button; empty for buttons the program does not use.
QString buttonText(QMessageBox::StandardButton button);

} // namespace velmora
