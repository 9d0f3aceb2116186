#pragma once

#include <QRegularExpression>
#include <QString>
#include <QStringList>

namespace velmora {

// Searching without the marks of the Bosnian letters, for readers who type on a keyboard that
// lacks them: a typed c stands for c, č or ć, s for s or š, z for z or ž, d for d or đ, and dj
// for dj or đ. A typed letter with its mark (č, š, đ, ...) stands for itself alone. Letter
// case does not matter, as in every verse search.
//
// A word becomes one or more LIKE patterns (the forms, without the stars around them): one
// form in which every such letter is a character list ([cčć]), and, for each dj of the word,
// the forms with đ in its place as well, since a list stands for one character and dj is two.
// The same forms give the regular expression that colours the found words, so that the
// listing's red words are exactly what the store matched.

// The most forms one word may make (2 to the power of its number of dj); a word with more is
// refused rather than searched in part.
inline constexpr int kMaxMarkFreeForms = 64;

// The forms of `word`, in a fixed order (the form keeping every dj first). The pattern
// characters the store knows (*, ?, #, [...]) keep their meaning; inside a character list
// the letters with marks are added beside their plain letters. Empty when the word would make
// more than kMaxMarkFreeForms forms.
QStringList markFreeForms(const QString &word);

// A regular expression, letter case ignored, that finds in a shown text what the LIKE of
// the forms matches inside one paragraph: * any run and ? any one character within the
// paragraph, # one digit, a character list as in the store. Matches may be empty (a form
// of stars alone); those colour nothing.
QRegularExpression markFreeExpression(const QStringList &forms);

} // namespace velmora
