#pragma once

#include <QString>

class QComboBox;

namespace velmora {

class RichTextView;

// Small commands on the text view as a whole: font name and size, copy, select all.

// Appends the font sizes "6" to "26" to the list; the field keeps its text.
void addNrFontToCombo(QComboBox *combo);
// Appends the name of every font the screen offers, in alphabetical order, and shows
// "Verdana" in the field. The text view keeps its own fonts.
void addFontToCombo(QComboBox *combo);

// The whole text gets the font (or the size in points); every other format, such as the red
// of coloured words, stays. The caret ends at the start, nothing selected; the focus stays
// where it is. A size that is not a positive number changes nothing.
void applyFontName(RichTextView *view, const QString &family);
void applyFontSize(RichTextView *view, const QString &pointsText);

// Clears the clipboard and puts the selected text on it as plain text, paragraph ends as
// carriage return and line feed. With nothing selected the clipboard ends up empty.
void copySelection(RichTextView *view);

// Selects the whole text without moving the focus.
void selectWholeText(RichTextView *view);

} // namespace velmora
