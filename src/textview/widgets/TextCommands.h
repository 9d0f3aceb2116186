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

// Copies as copySelection(), and when the selection is exactly one whole ayah paragraph (from
// its marker to the end of its text) adds the reference as readers quote it after the text:
// "2:255.<tab>Allah je ... (Bekare, 2:255)". The surah's name comes from the store; without it
// the reference is "(2:255)". Returns whether the reference was added.
bool copySelectionWithReference(RichTextView *view);

// Ctrl+C (and the platform's other copy keys) in the view: a selection of exactly one whole
// ayah is copied with its reference; any other selection is copied by the view as before.
void installQuotedCopyKeys(RichTextView *view);

// Selects the whole text without moving the focus.
void selectWholeText(RichTextView *view);

} // namespace velmora
