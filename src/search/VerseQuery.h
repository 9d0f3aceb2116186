#pragma once

#include "search/FjalKerkim.h"

#include <QString>

namespace velmora {

// The query that finds the ayahs holding every word of the list: one LIKE per word, joined
// by AND.
QString FormojeSQLStringunMeAndLike(const FjalKerkim &ObjFjal);
// Splits `Stringu` at every `Shenja` (one character, compared exactly) into the word list,
// without trimming; empty pieces stay. Returns the number of words (>= 1).
int NumerojiFjalet(QString Stringu, const QString &Shenja, FjalKerkim &words);

// The query of one verse search: the quotes of each word doubled for the query, the words of
// the text as typed left in `words`. With `restrictToSurah` the surah selector's text is
// appended; it must be a surah number (digits naming 1 to 114), otherwise no query is built,
// `words` is left as it was and `ok` is false.
//
// With `ignoreMarks` each word matches with or without the marks of its letters (see
// MarkFreeWords.h): its LIKE becomes the LIKEs of its forms joined by OR, in parentheses when
// there are several. A word with too many forms builds no query either; it is named in
// `tooManyForms`.
struct VerseQuery {
    QString sql;
    bool ok = false;
    QString tooManyForms;
};
VerseQuery buildVerseQuery(const QString &searchText, bool restrictToSurah, const QString &surahText,
                           FjalKerkim &words, bool ignoreMarks = false);

// True when `text` is a surah number: decimal digits whose value is 1 to 114.
bool isSurahNumber(const QString &text);

// The summary line above the listing for `count` found ayahs.
QString summaryLine(int count, const QString &searchText, bool restrictToSurah, const QString &surahName);

// The text that replaces the view: line break, summary, line break, stars, two line breaks,
// then the listing.
QString listingText(const QString &summary, const QString &lines);

// One line of the listing: "S:A.\ttext\r\n".
QString ayahLine(const QString &surah, const QString &ayah, const QString &text);

// Shown while the rows are read.
QString waitingText();

} // namespace velmora
