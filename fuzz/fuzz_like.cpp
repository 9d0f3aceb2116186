// The LIKE matcher of the query dialect against a plain reference matcher written here: the
// input is a pattern and a text (split at the first NUL byte; without one the pattern is
// matched against itself). The reference reads the pattern's grammar on its own and matches
// by dynamic programming over whole code points, with none of the matcher's short cuts
// (substring search, byte-wise search in UTF-8, back-tracking to the last star).
//
// Checked: the matcher and the reference accept the same patterns; for an accepted pattern
// they agree on the text, given as UTF-16 and, when it is well-formed, as UTF-8; and on any
// bytes at all, even malformed UTF-8, a pattern matches exactly as a spelling of it that
// turns off the matcher's plain-text short cut.

#include "FuzzSupport.h"

#include "data/JetSql.h"

#include <QChar>
#include <optional>
#include <string>
#include <vector>

using velmora::data::jet::LikePattern;

namespace {

struct RefElement {
    enum Kind { Literal, AnyOne, Digit, Set, Star } kind = Literal;
    char32_t ch = 0;
    bool negated = false;
    std::vector<std::pair<char32_t, char32_t>> singlesAndRanges; // a single x is (x, x)
    std::vector<bool> isRange;
};

char32_t fold(char32_t c)
{
    return QChar::toCaseFolded(c);
}

std::u32string codePoints(const QString &s)
{
    std::u32string out;
    for (qsizetype i = 0; i < s.size(); ++i) {
        const QChar c = s.at(i);
        if (c.isHighSurrogate() && i + 1 < s.size() && s.at(i + 1).isLowSurrogate()) {
            out.push_back(QChar::surrogateToUcs4(c, s.at(i + 1)));
            ++i;
        } else {
            out.push_back(c.unicode());
        }
    }
    return out;
}

// The pattern's grammar: * any run, ? one character, # one digit, [list] and [!list] with
// items x and ranges x-y (a "-" first or last stands for itself; "[]" is the empty text).
// Nothing when a "[" is not closed or a range runs backwards.
std::optional<std::vector<RefElement>> parseReference(const std::u32string &p)
{
    std::vector<RefElement> out;
    const size_t n = p.size();
    for (size_t i = 0; i < n; ++i) {
        RefElement e;
        switch (p[i]) {
        case U'*':
            e.kind = RefElement::Star;
            break;
        case U'?':
            e.kind = RefElement::AnyOne;
            break;
        case U'#':
            e.kind = RefElement::Digit;
            break;
        case U'[': {
            e.kind = RefElement::Set;
            size_t j = i + 1;
            if (j < n && p[j] == U'!') {
                e.negated = true;
                ++j;
            }
            bool closed = false;
            while (j < n) {
                const char32_t x = p[j];
                if (x == U']') {
                    closed = true;
                    break;
                }
                if (j + 2 < n && p[j + 1] == U'-' && p[j + 2] != U']') {
                    const char32_t y = p[j + 2];
                    if (y < x)
                        return std::nullopt;
                    e.singlesAndRanges.emplace_back(x, y);
                    e.isRange.push_back(true);
                    j += 3;
                } else {
                    e.singlesAndRanges.emplace_back(x, x);
                    e.isRange.push_back(false);
                    ++j;
                }
            }
            if (!closed)
                return std::nullopt;
            i = j;
            if (e.singlesAndRanges.empty() && !e.negated)
                continue; // the empty text
            break;
        }
        default:
            e.kind = RefElement::Literal;
            e.ch = p[i];
            break;
        }
        out.push_back(std::move(e));
    }
    return out;
}

// Whether one text character meets one element, letter case ignored: characters compare by
// their case folding; a range holds a character whose folding lies within it, either as
// written or with its ends folded.
bool meets(const RefElement &e, char32_t t)
{
    const char32_t ft = fold(t);
    switch (e.kind) {
    case RefElement::Literal:
        return ft == fold(e.ch);
    case RefElement::AnyOne:
        return true;
    case RefElement::Digit:
        return ft >= U'0' && ft <= U'9';
    case RefElement::Set: {
        bool hit = false;
        for (size_t k = 0; k < e.singlesAndRanges.size() && !hit; ++k) {
            const auto [x, y] = e.singlesAndRanges[k];
            if (e.isRange[k])
                hit = (ft >= x && ft <= y) || (ft >= fold(x) && ft <= fold(y));
            else
                hit = ft == fold(x);
        }
        return hit != e.negated;
    }
    case RefElement::Star:
        break;
    }
    return false;
}

// match[i][j]: elements from i on match the text from j on.
bool referenceMatch(const std::vector<RefElement> &elements, const std::u32string &text)
{
    const size_t m = elements.size();
    const size_t n = text.size();
    std::vector<char> next(n + 1, 0), current(n + 1, 0);
    next[n] = 1; // no elements left: only the empty rest of the text
    for (size_t i = m; i-- > 0;) {
        const RefElement &e = elements[i];
        current.assign(n + 1, 0);
        if (e.kind == RefElement::Star) {
            // The star takes nothing, or one more character and stays.
            current[n] = next[n];
            for (size_t j = n; j-- > 0;)
                current[j] = next[j] || current[j + 1];
        } else {
            for (size_t j = 0; j < n; ++j)
                current[j] = meets(e, text[j]) && next[j + 1];
        }
        std::swap(current, next);
    }
    return next[0] != 0;
}

// The same pattern with its first literal character written as a one-item list ("ab*" as
// "[a]b*"): it means the same, but it is no longer a plain text, so the matcher takes its
// general path. Nothing when the pattern has no literal that a list can hold.
std::optional<QString> listSpelling(const QString &pattern)
{
    for (qsizetype i = 0; i < pattern.size(); ++i) {
        const QChar c = pattern.at(i);
        if (c == u'*')
            continue;
        if (c == u'?' || c == u'#' || c == u'[' || c == u']' || c == u'!' || c == u'-' || c.isSurrogate())
            return std::nullopt;
        return pattern.left(i) + QLatin1Char('[') + c + QLatin1Char(']') + pattern.mid(i + 1);
    }
    return std::nullopt;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    using namespace velmora::fuzz;
    const QByteArray input = bytes(data, size);
    auto [patternBytes, textBytes] = splitAtNul(input);
    if (!input.contains('\0'))
        textBytes = patternBytes;
    const QString pattern = QString::fromUtf8(patternBytes);
    const QString text = QString::fromUtf8(textBytes);

    LikePattern compiled;
    QString error;
    const bool accepted = LikePattern::compile(pattern, &compiled, &error);
    const auto reference = parseReference(codePoints(pattern));
    FUZZ_CHECK(accepted == reference.has_value());
    if (!accepted) {
        FUZZ_CHECK(!error.isEmpty());
        return 0;
    }

    const bool expected = referenceMatch(*reference, codePoints(text));
    FUZZ_CHECK(compiled.matches(text) == expected);
    if (isValidUtf8(textBytes))
        FUZZ_CHECK(compiled.matchesUtf8(textBytes.constData(), int(textBytes.size())) == expected);

    if (const auto spelling = listSpelling(pattern)) {
        LikePattern general;
        FUZZ_CHECK(LikePattern::compile(*spelling, &general, nullptr));
        FUZZ_CHECK(general.matches(text) == expected);
        FUZZ_CHECK(general.matchesUtf8(textBytes.constData(), int(textBytes.size())) ==
                   compiled.matchesUtf8(textBytes.constData(), int(textBytes.size())));
    }
    return 0;
}
