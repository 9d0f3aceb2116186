#pragma once

#include <QString>

class QRegularExpression;

namespace velmora {

class RichTextView;

// Locating and selecting ayahs in a text view that shows ayah paragraphs (the whole text or a
// listing in the same form): each paragraph starts with its marker (2:255. and a tab) and ends
// with carriage return and line feed.

// Locates the ayah whose marker is built from the given texts, as the selectors hold them,
// and selects its paragraph from the marker to the end of its text; the view takes the focus
// and scrolls the selection into sight. The first occurrence from the start of the text is the
// one taken, so 2:5. never lands on 12:5. A marker that is not in the text selects the first
// paragraph.
void kerkoje(RichTextView *view, const QString &surahText, const QString &ayahText);

// Selects the ayah paragraph under the caret, from its marker to the end of its text (without
// the paragraph end), refreshes the view and returns the marker text read on the way (2:255.).
// The focus is not moved.
QString selectAyahAtCaret(RichTextView *view);

// Selects the paragraph of the ayah whose marker the texts build, the first one at or after the
// view position `from` that starts a paragraph, from its marker to the end of its text, and
// scrolls it into sight; the focus stays where it is. Returns the paragraph's start, or -1 when
// the view holds no such paragraph (the selection is then left as it was).
int selectAyahParagraph(RichTextView *view, const QString &surahText, const QString &ayahText, int from = 0);

// Colours every occurrence of `word` red (letter case ignored, occurrences inside longer words
// included), yielding to the event loop once per occurrence, then puts the caret at 0 and
// gives the view the focus. An empty word colours nothing and returns at once. A change of
// the view's text during the yields (a new listing, the whole text reloaded, the view closed)
// ends the colouring without touching the new text.
void SkuqjeFjalesh(RichTextView *view, const QString &word);
// The same for every non-empty match of `pattern` in the view's text (one paragraph at a
// time: the paragraphs stand apart as U+2029 in the text matched); an empty pattern colours
// nothing.
void SkuqjeFjalesh(RichTextView *view, const QRegularExpression &pattern);

} // namespace velmora
