#include "search/FindText.h"

namespace velmora {

int scanBackward(const QString &text, int caret, const QString &what)
{
    const qsizetype len = what.size();
    if (len == 0)
        return -1;
    const QString target = what.toUpper();
    const qsizetype start = std::min<qsizetype>(caret - 2, text.size() - 1);
    // Upper-casing the candidate window one character at a time keeps the scan linear and
    // free of allocations; the comparison is the same as upper-casing both texts.
    for (qsizetype c = start; c >= 0; --c) {
        const qsizetype n = std::min<qsizetype>(len, text.size() - c);
        if (n != len)
            continue; // fewer characters than the word cannot equal it
        bool match = true;
        for (qsizetype k = 0; k < len; ++k) {
            if (text.at(c + k).toUpper() != target.at(k)) {
                match = false;
                break;
            }
        }
        if (match)
            return static_cast<int>(c);
    }
    return -1;
}

QString wordEndSet()
{
    return QStringLiteral(" ,.?!:");
}

} // namespace velmora
