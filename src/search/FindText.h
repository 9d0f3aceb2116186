#pragma once

#include <QString>

namespace velmora {

// The backward scan of find in text: candidate starts from caret - 2 down to 0, each compared
// with `what` over its length (fewer characters near the end), both upper-cased a character at
// a time. Returns the first match or -1.
int scanBackward(const QString &text, int caret, const QString &what);

// The characters that end a word for the forward find's skip over a foreign selection.
QString wordEndSet();

} // namespace velmora
