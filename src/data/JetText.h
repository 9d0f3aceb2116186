#pragma once

// Helpers shared by the files of the query dialect: case folding of UTF-8 and UTF-16 text,
// the reserved words, and the texts of its error messages. Not part of the data layer's
// interface.

#include "data/JetSql.h"

#include <QSet>
#include <QString>
#include <QStringView>

#include <string>

namespace velmora::data::jet::detail {

// ---------------------------------------------------------------------------------------
// Case folding

inline char32_t foldChar(char32_t c)
{
    if (c < 0x80)
        return (c >= 'A' && c <= 'Z') ? c + 32 : c;
    return QChar::toCaseFolded(c);
}

// Decodes one code point of UTF-8 and advances `p`; a malformed sequence reads as U+FFFD. An
// overlong form (E0 81 81 for "A"), an encoded surrogate and a value beyond U+10FFFF are
// malformed too: read as the character they spell, they would match that letter in one reading
// of a text and not in another that looks at the bytes.
inline char32_t decodeUtf8(const unsigned char *&p, const unsigned char *end)
{
    const unsigned c = *p++;
    if (c < 0x80)
        return c;
    int extra;
    char32_t cp;
    if (c >= 0xC2 && c <= 0xDF) {
        extra = 1;
        cp = c & 0x1F;
    } else if (c >= 0xE0 && c <= 0xEF) {
        extra = 2;
        cp = c & 0x0F;
    } else if (c >= 0xF0 && c <= 0xF4) {
        extra = 3;
        cp = c & 0x07;
    } else {
        return 0xFFFD;
    }
    for (int k = 0; k < extra; ++k) {
        if (p == end || (*p & 0xC0) != 0x80)
            return 0xFFFD;
        cp = (cp << 6) | (*p++ & 0x3F);
    }
    if ((extra == 2 && (cp < 0x800 || (cp >= 0xD800 && cp <= 0xDFFF))) ||
        (extra == 3 && (cp < 0x10000 || cp > 0x10FFFF)))
        return 0xFFFD;
    return cp;
}

// Decodes one code point of UTF-16 at `i` and advances it.
inline char32_t decodeUtf16(QStringView s, qsizetype &i)
{
    const char16_t c = s[i++].unicode();
    if (QChar::isHighSurrogate(c) && i < s.size() && QChar::isLowSurrogate(s[i].unicode()))
        return QChar::surrogateToUcs4(c, s[i++].unicode());
    return c;
}

void foldUtf8(const char *text, int length, std::u32string &out);
void foldUtf16(QStringView text, std::u32string &out);
// A buffer for folded text, reused by every match on this thread.
std::u32string &scratchBuffer();
QString tr(const char *text);
extern const char *const kMismatch;
// Words that cannot stand unbracketed where a name or an alias is read.
bool isReservedWord(const QString &w);
bool isStatementWord(const QString &w);
QString foldedKey(const QString &name);

// The type of a literal value; whether comparing the two types is an error in Jet; a column
// reference as the reader wrote it (for messages).
ValueType literalType(const Value &v);
bool mismatched(ValueType a, ValueType b);
QString columnDisplay(const Expr &e);

} // namespace velmora::data::jet::detail
