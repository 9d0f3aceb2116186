#include "data/JetSql.h"
#include "data/JetText.h"

#include <cstring>
#include <string_view>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace velmora::data::jet {

using namespace detail;

// ---------------------------------------------------------------------------------------
// LIKE patterns

bool LikePattern::compile(QStringView pattern, LikePattern *out, QString *error)
{
    LikePattern p;
    qsizetype i = 0;
    while (i < pattern.size()) {
        const char32_t c = decodeUtf16(pattern, i);
        Element e{};
        switch (c) {
        case U'*':
            if (!p.m_elements.empty() && p.m_elements.back().kind == Element::Star)
                continue;
            e.kind = Element::Star;
            break;
        case U'?':
            e.kind = Element::AnyOne;
            break;
        case U'#':
            e.kind = Element::Digit;
            break;
        case U'[': {
            std::vector<Range> ranges;
            bool negated = false;
            bool closed = false;
            bool first = true;
            while (i < pattern.size()) {
                qsizetype save = i;
                char32_t x = decodeUtf16(pattern, i);
                if (x == U']') {
                    closed = true;
                    break;
                }
                if (first && x == U'!') {
                    negated = true;
                    first = false;
                    continue;
                }
                first = false;
                // A range a-z; a '-' first or last in the list stands for itself.
                if (i + 1 < pattern.size() && pattern[i] == u'-' && pattern[i + 1] != u']') {
                    ++i;
                    const char32_t y = decodeUtf16(pattern, i);
                    if (y < x) {
                        if (error)
                            *error = tr("Neispravan uzorak u LIKE: raspon u \"%1\" ide unazad.")
                                         .arg(pattern.mid(save, i - save).toString());
                        return false;
                    }
                    ranges.push_back({x, y});
                    ranges.push_back({foldChar(x), foldChar(y)});
                } else {
                    ranges.push_back({foldChar(x), foldChar(x)});
                }
            }
            if (!closed) {
                if (error)
                    *error = tr("Neispravan uzorak u LIKE: zagrada \"[\" nije zatvorena.");
                return false;
            }
            if (ranges.empty() && !negated)
                continue; // "[]" stands for the empty text
            p.m_sets.push_back(std::move(ranges));
            e.kind = Element::Set;
            e.negated = negated;
            e.setIndex = int(p.m_sets.size()) - 1;
            break;
        }
        default:
            e.kind = Element::Literal;
            e.ch = foldChar(c);
            break;
        }
        p.m_elements.push_back(e);
    }

    // A plain text between optional stars is matched by a substring search.
    const auto &el = p.m_elements;
    size_t from = 0, to = el.size();
    if (from < to && el[from].kind == Element::Star) {
        p.m_leadingStar = true;
        ++from;
    }
    if (to > from && el[to - 1].kind == Element::Star) {
        p.m_trailingStar = true;
        --to;
    }
    p.m_simple = true;
    for (size_t k = from; k < to; ++k) {
        if (el[k].kind != Element::Literal) {
            p.m_simple = false;
            break;
        }
        p.m_literal.push_back(el[k].ch);
    }
    *out = std::move(p);
    return true;
}

bool LikePattern::inSet(const Element &e, char32_t c) const
{
    bool hit = false;
    for (const Range &r : m_sets[size_t(e.setIndex)]) {
        if (c >= r.from && c <= r.to) {
            hit = true;
            break;
        }
    }
    return hit != e.negated;
}

bool LikePattern::matchFolded(const char32_t *text, size_t length) const
{
    if (m_simple) {
        const std::u32string_view s(text, length);
        const std::u32string_view lit(m_literal);
        if (m_leadingStar && m_trailingStar)
            return s.find(lit) != std::u32string_view::npos;
        if (m_leadingStar)
            return s.size() >= lit.size() && s.substr(s.size() - lit.size()) == lit;
        if (m_trailingStar)
            return s.substr(0, lit.size()) == lit;
        return s == lit;
    }
    // Wildcard matching with back-tracking to the last star: every element but the star
    // takes exactly one character.
    const size_t n = m_elements.size();
    size_t t = 0, p = 0;
    size_t starP = size_t(-1), starT = 0;
    while (t < length) {
        if (p < n && m_elements[p].kind != Element::Star) {
            const Element &e = m_elements[p];
            const char32_t c = text[t];
            bool ok = false;
            switch (e.kind) {
            case Element::Literal:
                ok = c == e.ch;
                break;
            case Element::AnyOne:
                ok = true;
                break;
            case Element::Digit:
                ok = c >= U'0' && c <= U'9';
                break;
            case Element::Set:
                ok = inSet(e, c);
                break;
            case Element::Star:
                break;
            }
            if (ok) {
                ++p;
                ++t;
                continue;
            }
        } else if (p < n) {
            starP = p++;
            starT = t;
            continue;
        }
        if (starP == size_t(-1))
            return false;
        p = starP + 1;
        t = ++starT;
    }
    while (p < n && m_elements[p].kind == Element::Star)
        ++p;
    return p == n;
}

bool LikePattern::matches(QStringView text) const
{
    std::u32string &buffer = scratchBuffer();
    foldUtf16(text, buffer);
    return matchFolded(buffer.data(), buffer.size());
}

namespace {

// "*literal*" straight on UTF-8, folding each character as it is read: no buffer, and the
// ASCII bytes that make up most of the text cost one table look-up each.
bool containsFoldedUtf8(const char *text, int length, const std::u32string &literal)
{
    static const auto lower = [] {
        std::array<char32_t, 128> t{};
        for (unsigned c = 0; c < 128; ++c)
            t[c] = (c >= 'A' && c <= 'Z') ? c + 32 : c;
        return t;
    }();
    const auto *p = reinterpret_cast<const unsigned char *>(text);
    const auto *end = p + length;
    const char32_t first = literal[0];
    const size_t m = literal.size();
    auto restMatches = [&](const unsigned char *q) {
        size_t k = 1;
        while (k < m && q < end) {
            const char32_t d = *q < 0x80 ? lower[*q++] : foldChar(decodeUtf8(q, end));
            if (d != literal[k])
                return false;
            ++k;
        }
        return k == m;
    };
    // An ASCII first character is looked for byte by byte, in either letter case. Only two
    // characters beyond ASCII fold into ASCII (the Kelvin sign to k, the long s to s): for
    // those two first characters the lead byte of that character is a candidate as well.
    // The bytes of every other character are stepped over without decoding them.
    if (first < 0x80) {
        const bool letter = first >= U'a' && first <= U'z';
        const unsigned char lead = first == U'k' ? 0xE2 : (first == U's' ? 0xC5 : (unsigned char)first);
        auto candidate = [&](const unsigned char *at) {
            if (*at < 0x80)
                return restMatches(at + 1);
            const unsigned char *q = at;
            return foldChar(decodeUtf8(q, end)) == first && restMatches(q);
        };
#if defined(__SSE2__)
        // Sixteen bytes at a time.
        const __m128i lowerCase = _mm_set1_epi8(char(first));
        const __m128i upperCase = _mm_set1_epi8(char(letter ? first - 32 : first));
        const __m128i leadByte = _mm_set1_epi8(char(lead));
        for (; end - p >= 16; p += 16) {
            const __m128i chunk = _mm_loadu_si128(reinterpret_cast<const __m128i *>(p));
            unsigned mask = unsigned(_mm_movemask_epi8(
                _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi8(chunk, lowerCase), _mm_cmpeq_epi8(chunk, upperCase)),
                             _mm_cmpeq_epi8(chunk, leadByte))));
            while (mask) {
                if (candidate(p + __builtin_ctz(mask)))
                    return true;
                mask &= mask - 1;
            }
        }
#endif
        for (; p < end; ++p) {
            const unsigned c = *p;
            const bool hit = c == lead || (letter ? (c | 0x20u) : c) == first;
            if (hit && candidate(p))
                return true;
        }
        return false;
    }
    while (p < end) {
        const char32_t c = *p < 0x80 ? lower[*p++] : foldChar(decodeUtf8(p, end));
        if (c == first && restMatches(p))
            return true;
    }
    return false;
}

} // namespace

bool LikePattern::matchesUtf8(const char *text, int length) const
{
    if (m_simple && m_leadingStar && m_trailingStar && !m_literal.empty())
        return containsFoldedUtf8(text, length, m_literal);
    std::u32string &buffer = scratchBuffer();
    foldUtf8(text, length, buffer);
    return matchFolded(buffer.data(), buffer.size());
}

} // namespace velmora::data::jet
