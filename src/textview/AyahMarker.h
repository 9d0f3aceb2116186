#pragma once

#include <QString>

namespace velmora {

// Every ayah shown in the text view stands in a paragraph of its own that begins with its
// marker: the surah number, ":", the ayah number, "." and a tab (2:255. followed by a tab).
// The text before the tab (2:255.) is the marker text that the ayah commands read back.

// The marker that starts the paragraph of the given ayah, tab included. The numbers are used
// as the selectors hold them, without any normalising.
QString buildMarker(const QString &surahText, const QString &ayahText);

// Reads the marker text `m` into a surah text and an ayah text, character by character from
// the left: a "." ends the reading with the ayah text empty; a ":" ends it with the ayah text
// made of the characters after the ":" up to, but not including, the last character of `m`
// (the "."); any other character is appended to the surah text. 2:255. gives 2 and 255; a text
// without ":" and "." is all surah text. Either pointer may be null.
void readMarker(const QString &m, QString *s, QString *a);

// Whether the paragraph text `paragraph` is an ayah paragraph: it begins with a marker whose
// text, read with readMarker, gives a surah and an ayah number written in decimal digits,
// followed by a tab. Then the numbers go to `surah` and `ayah` (either may be null). A heading
// or any other paragraph without such a marker gives false and leaves both alone.
bool ayahOfParagraph(const QString &paragraph, int *surah, int *ayah);

} // namespace velmora
