#include "search/FindText.h"

#include <string>

namespace velmora {

namespace {
// QChar::toUpper with a shortcut for ASCII, which is most of the text.
inline char16_t upper(char16_t c)
{
    if (c < 0x80)
        return (c >= u'a' && c <= u'z') ? char16_t(c - 32) : c;
    return QChar::toUpper(c);
}
} // namespace

int scanBackward(const QString &text, int caret, const QString &what)
{
    const qsizetype len = what.size();
    if (len == 0)
        return -1;
    // Both sides are upper-cased one character at a time, so that a letter whose capital is
    // two letters ("ß") still matches itself.
    std::u16string target(size_t(len), u'\0');
    for (qsizetype k = 0; k < len; ++k)
        target[size_t(k)] = upper(what.at(k).unicode());
    const char16_t *t = reinterpret_cast<const char16_t *>(text.constData());
    const char16_t *w = target.data();
    // A candidate needs `len` characters from its start: the scan starts no later than that.
    const qsizetype start = std::min<qsizetype>(caret - 2, text.size() - len);
    // Upper-casing the candidate window one character at a time keeps the scan linear and
    // free of allocations; the comparison is the same as upper-casing both texts.
    for (qsizetype c = start; c >= 0; --c) {
        if (upper(t[c]) != w[0])
            continue;
        qsizetype k = 1;
        while (k < len && upper(t[c + k]) == w[k])
            ++k;
        if (k == len)
            return static_cast<int>(c);
    }
    return -1;
}

QString wordEndSet()
{
    return QStringLiteral(" ,.?!:");
}

} // namespace velmora
