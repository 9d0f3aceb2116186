#include "data/JetSql.h"

#include <QChar>
#include <QSet>

#include <sqlite3.h>

#include <array>
#include <cmath>
#include <cstring>
#include <string_view>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace velmora::data::jet {

namespace {

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

void foldUtf8(const char *text, int length, std::u32string &out)
{
    out.resize(size_t(length));
    char32_t *w = out.data();
    const auto *p = reinterpret_cast<const unsigned char *>(text);
    const auto *end = p + length;
    while (p < end) {
        const unsigned c = *p;
        if (c < 0x80) {
            *w++ = (c >= 'A' && c <= 'Z') ? c + 32 : c;
            ++p;
        } else {
            *w++ = foldChar(decodeUtf8(p, end));
        }
    }
    out.resize(size_t(w - out.data()));
}

void foldUtf16(QStringView text, std::u32string &out)
{
    out.clear();
    out.reserve(size_t(text.size()));
    qsizetype i = 0;
    while (i < text.size())
        out.push_back(foldChar(decodeUtf16(text, i)));
}

std::u32string &scratchBuffer()
{
    thread_local std::u32string buffer;
    return buffer;
}

QString tr(const char *text)
{
    return QString::fromUtf8(text);
}

const char *const kMismatch = "Nepodudaranje tipova podataka u izrazu uslova.";

// Words that cannot stand unbracketed where a name or an alias is read.
bool isReservedWord(const QString &w)
{
    static const QSet<QString> words = [] {
        QSet<QString> s;
        for (const char *k :
             {"select", "distinct",  "distinctrow", "top",        "percent", "as",     "from",
              "inner",  "left",      "right",       "outer",      "join",    "on",     "where",
              "and",    "or",        "not",         "like",       "is",      "null",   "order",
              "by",     "asc",       "desc",        "descending", "group",   "having", "union",
              "in",     "between",   "insert",      "update",     "delete",  "drop",   "create",
              "alter",  "into",      "values",      "set",        "true",    "false",  "yes",
              "no",     "transform", "pivot",       "parameters", "exists",  "all",    "with"})
            s.insert(QString::fromLatin1(k));
        return s;
    }();
    return words.contains(w.toLower());
}

bool isStatementWord(const QString &w)
{
    static const QSet<QString> words = [] {
        QSet<QString> s;
        for (const char *k :
             {"insert",     "update",   "delete",  "drop",    "create",    "alter",   "transform",
              "parameters", "pragma",   "attach",  "detach",  "vacuum",    "replace", "begin",
              "commit",     "rollback", "with",    "explain", "exec",      "execute", "grant",
              "revoke",     "union",    "reindex", "analyze", "savepoint", "release", "procedure"})
            s.insert(QString::fromLatin1(k));
        return s;
    }();
    return words.contains(w.toLower());
}

QString foldedKey(const QString &name)
{
    return name.toCaseFolded();
}

} // namespace

// ---------------------------------------------------------------------------------------
// Values

ValueType valueTypeFromDeclared(const QString &declaredType)
{
    const QString t = declaredType.toUpper();
    if (t.isEmpty() || t.contains(QLatin1String("BLOB")))
        return ValueType::Unknown;
    if (t.contains(QLatin1String("INT")) || t.contains(QLatin1String("BOOL")) ||
        t.contains(QLatin1String("BIT")) || t.contains(QLatin1String("COUNTER")))
        return ValueType::Integer;
    if (t.contains(QLatin1String("CHAR")) || t.contains(QLatin1String("CLOB")) ||
        t.contains(QLatin1String("TEXT")) || t.contains(QLatin1String("MEMO")))
        return ValueType::Text;
    if (t.contains(QLatin1String("REAL")) || t.contains(QLatin1String("FLOA")) ||
        t.contains(QLatin1String("DOUB")) || t.contains(QLatin1String("NUMERIC")) ||
        t.contains(QLatin1String("DECIMAL")) || t.contains(QLatin1String("MONEY")) ||
        t.contains(QLatin1String("CURRENCY")) || t.contains(QLatin1String("SINGLE")))
        return ValueType::Real;
    return ValueType::Unknown; // dates and anything else Jet converts on its own
}

Value Value::fromInteger(qint64 v)
{
    Value x;
    x.kind = Integer;
    x.i = v;
    return x;
}

Value Value::fromReal(double v)
{
    Value x;
    x.kind = Real;
    x.r = v;
    return x;
}

Value Value::fromText(const QString &v)
{
    Value x;
    x.kind = Text;
    x.m_text = v;
    return x;
}

Value Value::fromUtf8(const char *data, qsizetype size)
{
    Value x;
    x.kind = Text;
    if (size > 0)
        x.m_utf8 = QByteArray(data, size);
    else
        x.m_text = QString::fromUtf8(data, size);
    return x;
}

const QString &Value::text() const
{
    if (!m_utf8.isEmpty()) {
        m_text = QString::fromUtf8(m_utf8);
        m_utf8 = QByteArray();
    }
    return m_text;
}

QString numberText(double v)
{
    if (std::isfinite(v) && v == std::floor(v) && std::fabs(v) < 1e15)
        return QString::number(qint64(v));
    return QString::number(v, 'g', 15);
}

QString Value::toText() const
{
    switch (kind) {
    case Null:
        return QString();
    case Integer:
        return QString::number(i);
    case Real:
        return numberText(r);
    case Text:
        return text();
    }
    return QString();
}

// ---------------------------------------------------------------------------------------
// Text comparison

int compareText(QStringView a, QStringView b)
{
    qsizetype i = 0, j = 0;
    while (i < a.size() && j < b.size()) {
        const char16_t x = a[i].unicode(), y = b[j].unicode();
        if (x < 0x80 && y < 0x80) {
            const char32_t fx = foldChar(x), fy = foldChar(y);
            if (fx != fy)
                return fx < fy ? -1 : 1;
            ++i;
            ++j;
            continue;
        }
        const char32_t fx = foldChar(decodeUtf16(a, i));
        const char32_t fy = foldChar(decodeUtf16(b, j));
        if (fx != fy)
            return fx < fy ? -1 : 1;
    }
    if (i < a.size())
        return 1;
    if (j < b.size())
        return -1;
    return 0;
}

int compareTextUtf8(const char *a, int lengthA, const char *b, int lengthB)
{
    const auto *p = reinterpret_cast<const unsigned char *>(a);
    const auto *q = reinterpret_cast<const unsigned char *>(b);
    const auto *ep = p + lengthA;
    const auto *eq = q + lengthB;
    while (p < ep && q < eq) {
        if (*p < 0x80 && *q < 0x80) {
            const char32_t fx = foldChar(*p++), fy = foldChar(*q++);
            if (fx != fy)
                return fx < fy ? -1 : 1;
            continue;
        }
        const char32_t fx = foldChar(decodeUtf8(p, ep));
        const char32_t fy = foldChar(decodeUtf8(q, eq));
        if (fx != fy)
            return fx < fy ? -1 : 1;
    }
    if (p < ep)
        return 1;
    if (q < eq)
        return -1;
    return 0;
}

int compareValues(const Value &a, const Value &b)
{
    if (a.isNull() || b.isNull())
        return a.isNull() == b.isNull() ? 0 : (a.isNull() ? -1 : 1);
    if (a.isNumber() && b.isNumber()) {
        if (a.kind == Value::Integer && b.kind == Value::Integer)
            return a.i < b.i ? -1 : (a.i > b.i ? 1 : 0);
        const double x = a.number(), y = b.number();
        return x < y ? -1 : (x > y ? 1 : 0);
    }
    if (a.isNumber() != b.isNumber())
        return a.isNumber() ? -1 : 1;
    return compareText(a.text(), b.text());
}

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

// ---------------------------------------------------------------------------------------
// Tokens

bool Token::isKeyword(const char *word) const
{
    return kind == Name && text.compare(QLatin1String(word), Qt::CaseInsensitive) == 0;
}

bool tokenize(const QString &text, QList<Token> *tokens, QString *error)
{
    tokens->clear();
    const qsizetype n = text.size();
    qsizetype i = 0;
    auto isDigit = [](QChar c) { return c >= u'0' && c <= u'9'; };
    auto isNameStart = [](QChar c) { return c.isLetter() || c == u'_'; };
    auto isNameChar = [](QChar c) { return c.isLetterOrNumber() || c == u'_' || c.isMark(); };
    while (i < n) {
        const QChar c = text[i];
        if (c.unicode() == 0) {
            *error = tr("Tekst upita sadrži znak NUL.");
            return false;
        }
        if (c.isSpace()) {
            ++i;
            continue;
        }
        Token t;
        t.position = int(i);
        if (c == u'\'' || c == u'"') {
            t.kind = Token::String;
            ++i;
            bool closed = false;
            while (i < n) {
                if (text[i].unicode() == 0) {
                    *error = tr("Tekst upita sadrži znak NUL.");
                    return false;
                }
                if (text[i] == c) {
                    if (i + 1 < n && text[i + 1] == c) {
                        t.text += c;
                        i += 2;
                        continue;
                    }
                    ++i;
                    closed = true;
                    break;
                }
                t.text += text[i++];
            }
            if (!closed) {
                *error = tr("Sintaksna greška u nizu znakova u izrazu upita: navodnik na mjestu %1 nije "
                            "zatvoren.")
                             .arg(t.position + 1);
                return false;
            }
        } else if (c == u'[') {
            t.kind = Token::BracketName;
            ++i;
            bool closed = false;
            while (i < n) {
                if (text[i] == u']') {
                    ++i;
                    closed = true;
                    break;
                }
                if (text[i] == u'[' || text[i].unicode() == 0) {
                    *error = tr("Neispravne uglaste zagrade oko imena na mjestu %1.").arg(t.position + 1);
                    return false;
                }
                t.text += text[i++];
            }
            if (!closed) {
                *error =
                    tr("Neispravne uglaste zagrade oko imena: zagrada \"[\" na mjestu %1 nije zatvorena.")
                        .arg(t.position + 1);
                return false;
            }
            if (t.text.trimmed().isEmpty()) {
                *error =
                    tr("Neispravne uglaste zagrade oko imena: prazno ime na mjestu %1.").arg(t.position + 1);
                return false;
            }
        } else if (isDigit(c) || (c == u'.' && i + 1 < n && isDigit(text[i + 1]) &&
                                  (tokens->isEmpty() || (tokens->last().kind != Token::Name &&
                                                         tokens->last().kind != Token::BracketName &&
                                                         tokens->last().text != QLatin1String(")"))))) {
            t.kind = Token::Number;
            const qsizetype start = i;
            while (i < n && isDigit(text[i]))
                ++i;
            if (i < n && text[i] == u'.') {
                ++i;
                while (i < n && isDigit(text[i]))
                    ++i;
            }
            // An exponent only when digits follow the E: "2And" stays the number 2.
            if (i < n && (text[i] == u'e' || text[i] == u'E')) {
                qsizetype k = i + 1;
                if (k < n && (text[k] == u'+' || text[k] == u'-'))
                    ++k;
                if (k < n && isDigit(text[k])) {
                    i = k;
                    while (i < n && isDigit(text[i]))
                        ++i;
                }
            }
            t.text = text.mid(start, i - start);
        } else if (isNameStart(c)) {
            t.kind = Token::Name;
            const qsizetype start = i;
            while (i < n && isNameChar(text[i]))
                ++i;
            t.text = text.mid(start, i - start);
        } else {
            t.kind = Token::Symbol;
            if (i + 1 < n && ((c == u'<' && (text[i + 1] == u'>' || text[i + 1] == u'=')) ||
                              (c == u'>' && text[i + 1] == u'=') || (c == u'!' && text[i + 1] == u'=') ||
                              (c == u'-' && text[i + 1] == u'-'))) {
                t.text = text.mid(i, 2);
                i += 2;
            } else if (c.isHighSurrogate() && i + 1 < n) {
                t.text = text.mid(i, 2);
                i += 2;
            } else {
                t.text = QString(c);
                ++i;
            }
        }
        tokens->append(t);
    }
    Token end;
    end.kind = Token::End;
    end.position = int(n);
    tokens->append(end);
    return true;
}

// ---------------------------------------------------------------------------------------
// Parser

namespace {

constexpr int kMaxDepth = 100;

class Parser {
public:
    explicit Parser(QList<Token> tokens) : m_tokens(std::move(tokens)) {}

    QString error;

    bool parseStatement(SelectStatement *out);
    bool parseConditionOnly(ExprPtr *out);

private:
    QList<Token> m_tokens;
    int m_pos = 0;
    int m_depth = 0;
    int m_conditions = 0;
    int m_tables = 0;

    const Token &peek(int k = 0) const
    {
        const int at = qMin(m_pos + k, int(m_tokens.size()) - 1);
        return m_tokens[at];
    }
    const Token &next() { return m_tokens[qMin(m_pos++, int(m_tokens.size()) - 1)]; }
    bool atKeyword(const char *w, int k = 0) const { return peek(k).isKeyword(w); }
    bool atSymbol(const char *s, int k = 0) const
    {
        return peek(k).kind == Token::Symbol && peek(k).text == QLatin1String(s);
    }
    bool acceptKeyword(const char *w)
    {
        if (!atKeyword(w))
            return false;
        ++m_pos;
        return true;
    }
    bool acceptSymbol(const char *s)
    {
        if (!atSymbol(s))
            return false;
        ++m_pos;
        return true;
    }
    bool fail(const QString &message)
    {
        if (error.isEmpty())
            error = message;
        return false;
    }
    bool failNear(const Token &t)
    {
        if (t.kind == Token::End)
            return fail(tr("Sintaksna greška: tekst upita završava se prerano."));
        QString shown = t.text;
        if (t.kind == Token::String)
            shown = QLatin1Char('\'') + shown + QLatin1Char('\'');
        else if (t.kind == Token::BracketName)
            shown = QLatin1Char('[') + shown + QLatin1Char(']');
        if (shown.size() > 40)
            shown = shown.left(40) + QStringLiteral("...");
        if (t.kind == Token::Symbol && (t.text == QLatin1String("--") || t.text == QLatin1String("/")))
            return fail(tr("Sintaksna greška kod \"%1\" na mjestu %2: komentari nisu dio jezika Jet SQL.")
                            .arg(shown)
                            .arg(t.position + 1));
        if (t.kind == Token::Symbol && t.text == QLatin1String("#"))
            return fail(tr("Datumske vrijednosti (#...#) nisu podržane, na mjestu %1.").arg(t.position + 1));
        return fail(tr("Sintaksna greška kod \"%1\" na mjestu %2.").arg(shown).arg(t.position + 1));
    }
    bool enter()
    {
        if (++m_depth > kMaxDepth)
            return fail(tr("Upit je previše duboko ugniježđen."));
        return true;
    }
    void leave() { --m_depth; }

    bool isNameToken(const Token &t) const
    {
        return t.kind == Token::BracketName || (t.kind == Token::Name && !isReservedWord(t.text));
    }
    bool parseName(QString *name, const char *what);
    bool checkUnsupportedWord(const Token &t);

    bool parseTableRef(TableRefPtr *out);
    bool parseTablePrimary(TableRefPtr *out);
    bool parseChain(ExprPtr *out, const char *keyword, int kind, bool (Parser::*operand)(ExprPtr *));
    bool parseOr(ExprPtr *out);
    bool parseAnd(ExprPtr *out);
    bool parseNot(ExprPtr *out);
    bool parsePredicate(ExprPtr *out);
    bool parseOperand(ExprPtr *out);
    bool parseSelectItem(SelectItem *out);
    bool finish();
};

bool Parser::checkUnsupportedWord(const Token &t)
{
    if (t.kind != Token::Name)
        return true;
    static const char *const unsupported[][2] = {
        {"in", "Liste IN nisu podržane."},
        {"between", "BETWEEN nije podržan."},
        {"exists", "Podupiti (EXISTS) nisu podržani."},
        {"group", "GROUP BY nije podržan."},
        {"having", "HAVING nije podržan."},
        {"union", "Upiti UNION nisu podržani."},
        {"into", "SELECT ... INTO nije podržan: baza se može samo čitati."},
        {"pivot", "Unakrsni upiti (crosstab) nisu podržani."},
    };
    for (const auto &u : unsupported) {
        if (t.isKeyword(u[0]))
            return fail(tr(u[1]));
    }
    return true;
}

bool Parser::parseName(QString *name, const char *what)
{
    const Token &t = peek();
    if (!isNameToken(t)) {
        if (t.kind == Token::Name && !checkUnsupportedWord(t))
            return false;
        if (t.kind == Token::End)
            return fail(tr("Sintaksna greška: na kraju teksta upita očekuje se %1.").arg(tr(what)));
        return failNear(t);
    }
    ++m_pos;
    *name = t.text;
    return true;
}

bool Parser::finish()
{
    if (acceptSymbol(";")) {
        if (peek().kind != Token::End)
            return fail(tr("Iza kraja SQL naredbe ima još znakova."));
        return true;
    }
    if (peek().kind == Token::End)
        return true;
    if (!checkUnsupportedWord(peek()))
        return false;
    return failNear(peek());
}

bool Parser::parseStatement(SelectStatement *out)
{
    const Token &first = peek();
    if (first.kind == Token::End)
        return fail(tr("Tekst upita je prazan."));
    if (!first.isKeyword("select")) {
        if (first.kind == Token::Name && isStatementWord(first.text))
            return fail(tr("Mogu se izvršavati samo upiti SELECT: \"%1\" nije dozvoljen.").arg(first.text));
        return fail(tr("Neispravna SQL naredba; očekuje se SELECT."));
    }
    ++m_pos;
    if (acceptKeyword("distinct"))
        out->quantifier = SelectStatement::Distinct;
    else if (acceptKeyword("distinctrow"))
        out->quantifier = SelectStatement::DistinctRow;
    else
        acceptKeyword("all");
    if (acceptKeyword("top")) {
        const Token &n = peek();
        bool ok = false;
        const qint64 v = n.kind == Token::Number ? n.text.toLongLong(&ok) : 0;
        if (!ok || v <= 0)
            return fail(tr("TOP traži cijeli broj veći od nule."));
        ++m_pos;
        if (atKeyword("percent"))
            return fail(tr("TOP ... PERCENT nije podržan."));
        out->top = v;
    }
    do {
        SelectItem item;
        if (!parseSelectItem(&item))
            return false;
        out->items.append(item);
    } while (acceptSymbol(","));

    if (!acceptKeyword("from")) {
        if (!checkUnsupportedWord(peek()))
            return false;
        if (peek().kind == Token::End)
            return fail(tr("Sintaksna greška: očekuje se FROM."));
        return failNear(peek());
    }
    do {
        TableRefPtr ref;
        if (!parseTableRef(&ref))
            return false;
        out->from.append(ref);
    } while (acceptSymbol(","));

    if (acceptKeyword("where")) {
        if (!parseOr(&out->where))
            return false;
    }
    if (!checkUnsupportedWord(peek()))
        return false;
    if (acceptKeyword("order")) {
        if (!acceptKeyword("by"))
            return failNear(peek());
        do {
            OrderItem item;
            if (!parseOperand(&item.expr))
                return false;
            if (item.expr->kind != Expr::Column)
                return fail(tr("ORDER BY prima samo imena kolona."));
            if (acceptKeyword("desc") || acceptKeyword("descending"))
                item.descending = true;
            else
                acceptKeyword("asc");
            out->orderBy.append(item);
        } while (acceptSymbol(","));
    }
    return finish();
}

bool Parser::parseConditionOnly(ExprPtr *out)
{
    if (peek().kind == Token::End)
        return fail(tr("Uslov je prazan."));
    if (!parseOr(out))
        return false;
    if (peek().kind != Token::End) {
        if (atSymbol(";"))
            return fail(tr("Iza kraja SQL naredbe ima još znakova."));
        if (!checkUnsupportedWord(peek()))
            return false;
        return failNear(peek());
    }
    return true;
}

bool Parser::parseSelectItem(SelectItem *out)
{
    if (acceptSymbol("*")) {
        out->kind = SelectItem::AllColumns;
        return true;
    }
    if (isNameToken(peek()) && atSymbol(".", 1) && atSymbol("*", 2)) {
        out->kind = SelectItem::TableColumns;
        out->table = peek().text;
        m_pos += 3;
        return true;
    }
    out->kind = SelectItem::Expression;
    if (!parseOperand(&out->expr))
        return false;
    if (out->expr->kind != Expr::Column && out->expr->kind != Expr::Literal)
        return fail(tr("Mogu se birati samo kolone i vrijednosti."));
    if (acceptKeyword("as")) {
        if (!parseName(&out->alias, "zamjensko ime"))
            return false;
    }
    return true;
}

bool Parser::parseTableRef(TableRefPtr *out)
{
    if (!enter())
        return false;
    TableRefPtr left;
    if (!parseTablePrimary(&left))
        return false;
    for (;;) {
        const Token &start = peek();
        TableRef::JoinKind kind;
        if (acceptKeyword("inner")) {
            kind = TableRef::Inner;
        } else if (acceptKeyword("left")) {
            kind = TableRef::Left;
            acceptKeyword("outer");
        } else if (acceptKeyword("right")) {
            kind = TableRef::Right;
            acceptKeyword("outer");
        } else {
            break;
        }
        if (!acceptKeyword("join"))
            return failNear(peek());
        TableRefPtr right;
        if (!parseTablePrimary(&right))
            return false;
        if (!acceptKeyword("on"))
            return fail(tr("Sintaksna greška u operaciji JOIN: očekuje se ON."));
        auto join = std::make_shared<TableRef>();
        join->kind = TableRef::Join;
        join->join = kind;
        join->left = left;
        join->right = right;
        join->position = start.position;
        if (!parseOr(&join->on))
            return false;
        left = join;
    }
    leave();
    *out = left;
    return true;
}

bool Parser::parseTablePrimary(TableRefPtr *out)
{
    if (atSymbol("(")) {
        if (atKeyword("select", 1))
            return fail(tr("Podupiti nisu podržani."));
        ++m_pos;
        if (!parseTableRef(out))
            return false;
        if (!acceptSymbol(")"))
            return fail(tr("Sintaksna greška u operaciji JOIN: očekuje se \")\"."));
        return true;
    }
    if (++m_tables > kMaxTables)
        return fail(tr("Upit može navesti najviše %1 tabela.").arg(kMaxTables));
    auto t = std::make_shared<TableRef>();
    t->position = peek().position;
    if (!parseName(&t->name, "ime tabele"))
        return false;
    if (atSymbol("(")) // a table-valued function
        return fail(tr("Funkcije nisu podržane: %1().").arg(t->name));
    if (atSymbol(".") || atSymbol("!"))
        return fail(tr("Tabele iz drugih baza podataka nisu podržane."));
    if (acceptKeyword("as")) {
        if (!parseName(&t->alias, "zamjensko ime"))
            return false;
    } else if (isNameToken(peek())) {
        t->alias = next().text;
    }
    *out = t;
    return true;
}

// Operands joined by one keyword, left to right: a OR b OR c, a AND b AND c, read in a loop
// into one node. An operand that is itself a chain of the same kind (in parentheses) joins
// the node's terms: the two mean the same.
bool Parser::parseChain(ExprPtr *out, const char *keyword, int kind, bool (Parser::*operand)(ExprPtr *))
{
    ExprPtr first;
    if (!(this->*operand)(&first))
        return false;
    if (!atKeyword(keyword)) {
        *out = first;
        return true;
    }
    auto chain = std::make_shared<Expr>();
    chain->kind = static_cast<decltype(chain->kind)>(kind);
    chain->position = peek().position;
    const auto add = [&](const ExprPtr &term) {
        if (term->kind == chain->kind)
            chain->terms += term->terms;
        else
            chain->terms.append(term);
    };
    add(first);
    while (atKeyword(keyword)) {
        ++m_pos;
        ExprPtr term;
        if (!(this->*operand)(&term))
            return false;
        add(term);
    }
    *out = chain;
    return true;
}

bool Parser::parseOr(ExprPtr *out)
{
    if (!enter())
        return false;
    if (!parseChain(out, "or", Expr::Or, &Parser::parseAnd))
        return false;
    leave();
    return true;
}

bool Parser::parseAnd(ExprPtr *out)
{
    return parseChain(out, "and", Expr::And, &Parser::parseNot);
}

bool Parser::parseNot(ExprPtr *out)
{
    if (atKeyword("not")) {
        const int pos = next().position;
        if (!enter())
            return false;
        ExprPtr inner;
        if (!parseNot(&inner))
            return false;
        leave();
        auto e = std::make_shared<Expr>();
        e->kind = Expr::Not;
        e->left = inner;
        e->position = pos;
        *out = e;
        return true;
    }
    return parsePredicate(out);
}

bool Parser::parsePredicate(ExprPtr *out)
{
    // A group in parentheses is counted by the conditions inside it. Worded for the reader: a
    // verse search with very many words ends here.
    if (!atSymbol("(") && ++m_conditions > kMaxConditions)
        return fail(QStringLiteral("Upit ima previše uslova: najviše ih može biti %1 "
                                   "(pri traženju ajeta svaka riječ je jedan uslov).")
                        .arg(kMaxConditions));
    ExprPtr left;
    if (!parseOperand(&left))
        return false;
    const Token &t = peek();
    auto make = [&](Expr::Kind kind) {
        auto e = std::make_shared<Expr>();
        e->kind = kind;
        e->left = left;
        e->position = t.position;
        return e;
    };
    if (t.kind == Token::Symbol) {
        static const std::pair<const char *, Expr::Op> ops[] = {{"=", Expr::Eq},  {"<>", Expr::Ne},
                                                                {"<=", Expr::Le}, {">=", Expr::Ge},
                                                                {"<", Expr::Lt},  {">", Expr::Gt}};
        for (const auto &[sym, op] : ops) {
            if (t.text == QLatin1String(sym)) {
                ++m_pos;
                auto e = make(Expr::Compare);
                e->op = op;
                if (!parseOperand(&e->right))
                    return false;
                *out = e;
                return true;
            }
        }
        if (t.text == QLatin1String("!="))
            return fail(tr("Sintaksna greška kod \"!=\" na mjestu %1: Jet piše <>.").arg(t.position + 1));
        if (t.text == QLatin1String("+") || t.text == QLatin1String("-") || t.text == QLatin1String("*") ||
            t.text == QLatin1String("/") || t.text == QLatin1String("&") || t.text == QLatin1String("\\") ||
            t.text == QLatin1String("^"))
            return fail(tr("Računske operacije (\"%1\" na mjestu %2) nisu podržane.")
                            .arg(t.text)
                            .arg(t.position + 1));
    }
    if (t.isKeyword("like") || (t.isKeyword("not") && atKeyword("like", 1))) {
        auto e = make(Expr::Like);
        if (acceptKeyword("not"))
            e->negated = true;
        ++m_pos; // LIKE
        if (!parseOperand(&e->right))
            return false;
        *out = e;
        return true;
    }
    if (t.isKeyword("is")) {
        ++m_pos;
        auto e = make(Expr::IsNull);
        if (acceptKeyword("not"))
            e->negated = true;
        if (!acceptKeyword("null"))
            return fail(tr("Sintaksna greška: iza IS mora doći NULL ili NOT NULL."));
        *out = e;
        return true;
    }
    if (!checkUnsupportedWord(t))
        return false;
    *out = left;
    return true;
}

bool Parser::parseOperand(ExprPtr *out)
{
    const Token &t = peek();
    auto e = std::make_shared<Expr>();
    e->position = t.position;
    switch (t.kind) {
    case Token::End:
        return fail(tr("Sintaksna greška: tekst upita završava se prerano."));
    case Token::String:
        ++m_pos;
        e->kind = Expr::Literal;
        e->value = Value::fromText(t.text);
        *out = e;
        return true;
    case Token::Number: {
        ++m_pos;
        e->kind = Expr::Literal;
        bool ok = false;
        const bool whole = !t.text.contains(u'.') && !t.text.contains(u'e', Qt::CaseInsensitive);
        if (whole) {
            const qint64 v = t.text.toLongLong(&ok);
            if (ok)
                e->value = Value::fromInteger(v);
        }
        if (!ok) {
            const double d = t.text.toDouble(&ok);
            if (!ok || !std::isfinite(d))
                return fail(tr("Broj %1 je izvan dozvoljenog opsega.").arg(t.text));
            e->value = Value::fromReal(d);
        }
        *out = e;
        return true;
    }
    case Token::Symbol:
        if (t.text == QLatin1String("(")) {
            if (atKeyword("select", 1))
                return fail(tr("Podupiti nisu podržani."));
            ++m_pos;
            if (!enter())
                return false;
            if (!parseOr(out))
                return false;
            leave();
            if (!acceptSymbol(")"))
                return atSymbol(",") ? fail(tr("Liste IN nisu podržane.")) : failNear(peek());
            return true;
        }
        if ((t.text == QLatin1String("-") || t.text == QLatin1String("+")) && peek(1).kind == Token::Number) {
            const bool minus = t.text == QLatin1String("-");
            ++m_pos;
            if (!parseOperand(out))
                return false;
            Value &v = (*out)->value;
            if (minus) {
                if (v.kind == Value::Integer)
                    v.i = -v.i;
                else
                    v.r = -v.r;
            }
            (*out)->position = e->position;
            return true;
        }
        return failNear(t);
    case Token::Name:
        if (t.isKeyword("true") || t.isKeyword("yes") || t.isKeyword("false") || t.isKeyword("no")) {
            ++m_pos;
            e->kind = Expr::Literal;
            e->boolean = true;
            e->value = Value::fromInteger((t.isKeyword("true") || t.isKeyword("yes")) ? -1 : 0);
            *out = e;
            return true;
        }
        if (t.isKeyword("null")) {
            ++m_pos;
            e->kind = Expr::Literal;
            *out = e;
            return true;
        }
        if (t.isKeyword("select"))
            return fail(tr("Podupiti nisu podržani."));
        if (isReservedWord(t.text)) {
            if (!checkUnsupportedWord(t))
                return false;
            return failNear(t);
        }
        if (atSymbol("(", 1))
            return fail(tr("Funkcije nisu podržane: %1().").arg(t.text));
        [[fallthrough]];
    case Token::BracketName:
        ++m_pos;
        e->kind = Expr::Column;
        e->name = t.text;
        if (atSymbol(".")) {
            ++m_pos;
            e->qualifier = e->name;
            if (!parseName(&e->name, "ime kolone"))
                return false;
        } else if (atSymbol("!")) {
            return fail(tr("Operator \"!\" nije podržan; pišite tabela.kolona."));
        }
        *out = e;
        return true;
    }
    return failNear(t);
}

} // namespace

bool parseSelect(const QString &text, SelectStatement *out, QString *error)
{
    QList<Token> tokens;
    QString err;
    if (!tokenize(text, &tokens, &err)) {
        if (error)
            *error = err;
        return false;
    }
    Parser p(std::move(tokens));
    SelectStatement s;
    if (!p.parseStatement(&s)) {
        if (error)
            *error = p.error;
        return false;
    }
    *out = std::move(s);
    return true;
}

bool parseCondition(const QString &text, ExprPtr *out, QString *error)
{
    QList<Token> tokens;
    QString err;
    if (!tokenize(text, &tokens, &err)) {
        if (error)
            *error = err;
        return false;
    }
    Parser p(std::move(tokens));
    if (!p.parseConditionOnly(out)) {
        if (error)
            *error = p.error;
        return false;
    }
    return true;
}

// ---------------------------------------------------------------------------------------
// Schema

int TableInfo::columnIndex(const QString &name) const
{
    for (int k = 0; k < columns.size(); ++k) {
        if (columns[k].name.compare(name, Qt::CaseInsensitive) == 0)
            return k;
    }
    return -1;
}

void Schema::addTable(const TableInfo &table)
{
    m_tables.insert(foldedKey(table.name), table);
}

const TableInfo *Schema::table(const QString &name) const
{
    const auto it = m_tables.constFind(foldedKey(name));
    return it == m_tables.constEnd() ? nullptr : &it.value();
}

QStringList Schema::tableNames() const
{
    QStringList names;
    for (const TableInfo &t : m_tables)
        names << t.name;
    names.sort(Qt::CaseInsensitive);
    return names;
}

namespace {
QString columnText(sqlite3_stmt *st, int col)
{
    const auto *p = reinterpret_cast<const char *>(sqlite3_column_text(st, col));
    return p ? QString::fromUtf8(p, sqlite3_column_bytes(st, col)) : QString();
}
} // namespace

bool Schema::read(sqlite3 *db, Schema *out, QString *error)
{
    Schema schema;
    sqlite3_stmt *st = nullptr;
    const char *listSql = "SELECT type, name, sql FROM sqlite_master WHERE type IN ('table','view') "
                          "AND name NOT LIKE 'sqlite\\_%' ESCAPE '\\'";
    if (sqlite3_prepare_v2(db, listSql, -1, &st, nullptr) != SQLITE_OK) {
        if (error)
            *error = sqliteReason(db);
        sqlite3_finalize(st);
        return false;
    }
    QList<TableInfo> tables;
    int rc;
    while ((rc = sqlite3_step(st)) == SQLITE_ROW) {
        TableInfo t;
        t.isView = columnText(st, 0) == QLatin1String("view");
        t.name = columnText(st, 1);
        const QString sql = columnText(st, 2);
        t.hasRowid = !t.isView && !sql.contains(QLatin1String("WITHOUT ROWID"), Qt::CaseInsensitive);
        tables << t;
    }
    sqlite3_finalize(st);
    if (rc != SQLITE_DONE) {
        if (error)
            *error = sqliteReason(db);
        return false;
    }
    for (TableInfo &t : tables) {
        const QByteArray pragma = "PRAGMA table_info(" + quoteIdentifier(t.name).toUtf8() + ")";
        if (sqlite3_prepare_v2(db, pragma.constData(), -1, &st, nullptr) != SQLITE_OK) {
            // A view that no longer compiles is left out; naming it then says it is missing.
            sqlite3_finalize(st);
            continue;
        }
        while (sqlite3_step(st) == SQLITE_ROW) {
            ColumnInfo c;
            c.name = columnText(st, 1);
            c.declaredType = columnText(st, 2);
            c.type = valueTypeFromDeclared(c.declaredType);
            t.columns << c;
        }
        sqlite3_finalize(st);
        if (!t.columns.isEmpty())
            schema.addTable(t);
    }
    *out = std::move(schema);
    return true;
}

// ---------------------------------------------------------------------------------------
// Quoting

QString quoteIdentifier(const QString &name)
{
    QString q = name;
    q.replace(QLatin1Char('"'), QLatin1String("\"\""));
    return QLatin1Char('"') + q + QLatin1Char('"');
}

QString quoteTextLiteral(const QString &text)
{
    QString q = text;
    q.replace(QLatin1Char('\''), QLatin1String("''"));
    return QLatin1Char('\'') + q + QLatin1Char('\'');
}

// ---------------------------------------------------------------------------------------
// Translation

namespace {

struct Source {
    QString exposed;
    const TableInfo *info = nullptr;
};

struct Operand {
    QString sql;
    ValueType type = ValueType::Unknown;
    bool isNullLiteral = false;
};

QString rowidName(const TableInfo &t)
{
    for (const char *n : {"rowid", "_rowid_", "oid"}) {
        if (t.columnIndex(QLatin1String(n)) < 0)
            return QLatin1String(n);
    }
    return QString();
}

ValueType literalType(const Value &v)
{
    switch (v.kind) {
    case Value::Integer:
        return ValueType::Integer;
    case Value::Real:
        return ValueType::Real;
    case Value::Text:
        return ValueType::Text;
    case Value::Null:
        break;
    }
    return ValueType::Unknown;
}

bool mismatched(ValueType a, ValueType b)
{
    return (isNumeric(a) && b == ValueType::Text) || (a == ValueType::Text && isNumeric(b));
}

const char *opSql(Expr::Op op)
{
    switch (op) {
    case Expr::Eq:
        return " = ";
    case Expr::Ne:
        return " <> ";
    case Expr::Lt:
        return " < ";
    case Expr::Gt:
        return " > ";
    case Expr::Le:
        return " <= ";
    case Expr::Ge:
        return " >= ";
    }
    return " = ";
}

QString columnDisplay(const Expr &e)
{
    return e.qualifier.isEmpty() ? e.name : e.qualifier + QLatin1Char('.') + e.name;
}

class Translator {
public:
    Translator(const Schema &schema, bool inlineLiterals) : m_schema(schema), m_inline(inlineLiterals) {}

    QString error;

    bool run(const SelectStatement &s, Translation *out);

private:
    const Schema &m_schema;
    bool m_inline;
    QVariantList m_params;
    QList<Source> m_sources;

    bool fail(const QString &message)
    {
        if (error.isEmpty())
            error = message;
        return false;
    }
    bool literal(const Value &v, QString *sql);
    bool from(const TableRefPtr &ref, QString *sql);
    bool resolve(const Expr &e, int *source, int *column);
    bool operand(const ExprPtr &e, Operand *out);
    bool condition(const ExprPtr &e, QString *sql);
    QString columnSql(int source, int column) const
    {
        return quoteIdentifier(m_sources[source].exposed) + QLatin1Char('.') +
               quoteIdentifier(m_sources[source].info->columns[column].name);
    }
};

bool Translator::literal(const Value &v, QString *sql)
{
    if (!m_inline) {
        switch (v.kind) {
        case Value::Null:
            *sql = QStringLiteral("NULL");
            return true;
        case Value::Integer:
            m_params << QVariant(v.i);
            break;
        case Value::Real:
            m_params << QVariant(v.r);
            break;
        case Value::Text:
            m_params << QVariant(v.text());
            break;
        }
        *sql = QStringLiteral("?");
        return true;
    }
    switch (v.kind) {
    case Value::Null:
        *sql = QStringLiteral("NULL");
        return true;
    case Value::Integer:
        *sql = QString::number(v.i);
        if (v.i < 0)
            *sql = QLatin1Char('(') + *sql + QLatin1Char(')');
        return true;
    case Value::Real: {
        QString t = QString::number(v.r, 'g', 17);
        if (!t.contains(u'.') && !t.contains(u'e') && !t.contains(u'n') && !t.contains(u'i'))
            t += QStringLiteral(".0");
        *sql = v.r < 0 ? QLatin1Char('(') + t + QLatin1Char(')') : t;
        return true;
    }
    case Value::Text:
        if (v.text().contains(QChar(0)))
            return fail(tr("Tekst upita sadrži znak NUL."));
        *sql = quoteTextLiteral(v.text());
        return true;
    }
    return false;
}

bool Translator::from(const TableRefPtr &ref, QString *sql)
{
    if (ref->kind == TableRef::Table) {
        const TableInfo *info = m_schema.table(ref->name);
        if (!info)
            return fail(tr("Ulazna tabela ili upit \"%1\" ne može se pronaći.").arg(ref->name));
        Source s;
        s.info = info;
        s.exposed = ref->alias.isEmpty() ? info->name : ref->alias;
        for (const Source &other : m_sources) {
            if (other.exposed.compare(s.exposed, Qt::CaseInsensitive) == 0)
                return fail(tr("Tabela ili zamjensko ime \"%1\" navedeno je dvaput u FROM.").arg(s.exposed));
        }
        m_sources << s;
        *sql = quoteIdentifier(info->name);
        if (!ref->alias.isEmpty())
            *sql += QStringLiteral(" AS ") + quoteIdentifier(ref->alias);
        return true;
    }
    QString left, right, on;
    if (!from(ref->left, &left) || !from(ref->right, &right))
        return false;
    if (!condition(ref->on, &on))
        return false;
    const char *kind = ref->join == TableRef::Left    ? " LEFT JOIN "
                       : ref->join == TableRef::Right ? " RIGHT JOIN "
                                                      : " INNER JOIN ";
    *sql = QLatin1Char('(') + left + QLatin1String(kind) + right + QStringLiteral(" ON ") + on +
           QLatin1Char(')');
    return true;
}

bool Translator::resolve(const Expr &e, int *source, int *column)
{
    if (!e.qualifier.isEmpty()) {
        for (int s = 0; s < m_sources.size(); ++s) {
            if (m_sources[s].exposed.compare(e.qualifier, Qt::CaseInsensitive) != 0)
                continue;
            const int c = m_sources[s].info->columnIndex(e.name);
            if (c < 0)
                return fail(tr("Nepoznato polje \"%1\".").arg(columnDisplay(e)));
            *source = s;
            *column = c;
            return true;
        }
        return fail(tr("Nepoznata tabela \"%1\" u polju \"%2\".").arg(e.qualifier, columnDisplay(e)));
    }
    int found = 0;
    for (int s = 0; s < m_sources.size(); ++s) {
        const int c = m_sources[s].info->columnIndex(e.name);
        if (c >= 0) {
            ++found;
            *source = s;
            *column = c;
        }
    }
    if (found == 0)
        return fail(tr("Nepoznato polje \"%1\".").arg(e.name));
    if (found > 1)
        return fail(tr("Polje \"%1\" može se odnositi na više tabela navedenih u dijelu FROM.").arg(e.name));
    return true;
}

bool Translator::operand(const ExprPtr &e, Operand *out)
{
    if (e->kind == Expr::Literal) {
        out->type = literalType(e->value);
        out->isNullLiteral = e->value.isNull();
        return literal(e->value, &out->sql);
    }
    if (e->kind == Expr::Column) {
        int s = 0, c = 0;
        if (!resolve(*e, &s, &c))
            return false;
        out->sql = columnSql(s, c);
        out->type = m_sources[s].info->columns[c].type;
        return true;
    }
    return fail(
        tr("Poređenje traži kolonu ili vrijednost sa svake strane (mjesto %1).").arg(e->position + 1));
}

bool Translator::condition(const ExprPtr &e, QString *sql)
{
    switch (e->kind) {
    case Expr::And:
    case Expr::Or: {
        // One pair of parentheses around the whole chain: SQLite's parser would run out of
        // depth on a pair around every AND. Each term brings its own.
        const QLatin1String joint(e->kind == Expr::And ? " AND " : " OR ");
        QString chain = QStringLiteral("(");
        for (qsizetype k = 0; k < e->terms.size(); ++k) {
            QString term;
            if (!condition(e->terms[k], &term))
                return false;
            if (k > 0)
                chain += joint;
            chain += term;
        }
        *sql = chain + QLatin1Char(')');
        return true;
    }
    case Expr::Not: {
        QString inner;
        if (!condition(e->left, &inner))
            return false;
        *sql = QStringLiteral("(NOT ") + inner + QLatin1Char(')');
        return true;
    }
    case Expr::Compare: {
        Operand l, r;
        if (!operand(e->left, &l) || !operand(e->right, &r))
            return false;
        if (mismatched(l.type, r.type))
            return fail(tr(kMismatch));
        QString right = r.sql;
        if (l.type == ValueType::Text || r.type == ValueType::Text || l.type == ValueType::Unknown ||
            r.type == ValueType::Unknown)
            right += QStringLiteral(" COLLATE ") + QLatin1String(kCollation);
        *sql = QLatin1Char('(') + l.sql + QLatin1String(opSql(e->op)) + right + QLatin1Char(')');
        return true;
    }
    case Expr::Like: {
        Operand l, r;
        if (!operand(e->left, &l) || !operand(e->right, &r))
            return false;
        if (e->right->kind == Expr::Literal && !e->right->value.isNull()) {
            LikePattern check;
            QString err;
            if (!LikePattern::compile(e->right->value.toText(), &check, &err))
                return fail(err);
        }
        *sql = (e->negated ? QStringLiteral("(NOT ") : QStringLiteral("(")) + QLatin1String(kLikeFunction) +
               QLatin1Char('(') + l.sql + QStringLiteral(", ") + r.sql + QStringLiteral("))");
        return true;
    }
    case Expr::IsNull: {
        Operand l;
        if (!operand(e->left, &l))
            return false;
        *sql = QLatin1Char('(') + l.sql +
               (e->negated ? QStringLiteral(" IS NOT NULL)") : QStringLiteral(" IS NULL)"));
        return true;
    }
    case Expr::Column:
    case Expr::Literal: {
        // A value alone is a condition when it is a number (Yes/No fields): true unless 0.
        Operand v;
        if (!operand(e, &v))
            return false;
        if (v.type == ValueType::Text)
            return fail(tr(kMismatch));
        *sql = QLatin1Char('(') + v.sql + QStringLiteral(" <> 0)");
        return true;
    }
    }
    return fail(tr("Nepodržan izraz."));
}

bool Translator::run(const SelectStatement &s, Translation *out)
{
    QStringList fromSql;
    for (const TableRefPtr &ref : s.from) {
        QString part;
        if (!from(ref, &part))
            return false;
        fromSql << part;
    }

    struct Item {
        QString sql;
        FieldInfo field;
        bool aliased = false;
    };
    QList<Item> items;
    int exprCounter = 1000;
    auto addSource = [&](int src) {
        const Source &so = m_sources[src];
        for (int c = 0; c < so.info->columns.size(); ++c) {
            Item it;
            it.sql = columnSql(src, c);
            it.field = {so.info->columns[c].name, so.exposed, so.info->columns[c].name,
                        so.info->columns[c].type};
            items << it;
        }
    };
    for (const SelectItem &si : s.items) {
        if (si.kind == SelectItem::AllColumns) {
            for (int src = 0; src < m_sources.size(); ++src)
                addSource(src);
        } else if (si.kind == SelectItem::TableColumns) {
            int found = -1;
            for (int src = 0; src < m_sources.size(); ++src) {
                if (m_sources[src].exposed.compare(si.table, Qt::CaseInsensitive) == 0)
                    found = src;
            }
            if (found < 0)
                return fail(tr("Nepoznata tabela \"%1\" u \"%1.*\".").arg(si.table));
            addSource(found);
        } else {
            Item it;
            Operand o;
            if (!operand(si.expr, &o))
                return false;
            it.sql = o.sql;
            if (si.expr->kind == Expr::Column) {
                int src = 0, col = 0;
                resolve(*si.expr, &src, &col);
                const ColumnInfo &ci = m_sources[src].info->columns[col];
                it.field = {ci.name, m_sources[src].exposed, ci.name, ci.type};
            } else {
                if (si.alias.isEmpty())
                    it.field.name = QStringLiteral("Expr%1").arg(exprCounter++);
                it.field.type = o.type;
            }
            if (!si.alias.isEmpty()) {
                it.field.name = si.alias;
                it.aliased = true;
            }
            items << it;
        }
    }
    // Jet names a column that several tables give as table.column.
    QList<bool> qualify(items.size(), false);
    for (int a = 0; a < items.size(); ++a) {
        const Item &it = items[a];
        if (it.aliased || it.field.table.isEmpty())
            continue;
        for (const Item &other : std::as_const(items)) {
            if (!other.aliased && other.field.name.compare(it.field.name, Qt::CaseInsensitive) == 0 &&
                other.field.table.compare(it.field.table, Qt::CaseInsensitive) != 0)
                qualify[a] = true;
        }
    }
    for (int a = 0; a < items.size(); ++a) {
        if (qualify[a])
            items[a].field.name = items[a].field.table + QLatin1Char('.') + items[a].field.column;
    }
    for (int a = 0; a < items.size(); ++a) {
        for (int b = a + 1; b < items.size(); ++b) {
            if (items[a].field.name.compare(items[b].field.name, Qt::CaseInsensitive) == 0 &&
                (items[a].aliased || items[b].aliased))
                return fail(tr("Izlazno zamjensko ime \"%1\" se ponavlja.").arg(items[b].field.name));
        }
    }

    QString where;
    if (s.where && !condition(s.where, &where))
        return false;

    QStringList order;
    for (const OrderItem &o : s.orderBy) {
        int src = 0, col = 0;
        if (!resolve(*o.expr, &src, &col))
            return false;
        QString term = columnSql(src, col);
        const ValueType t = m_sources[src].info->columns[col].type;
        if (t == ValueType::Text || t == ValueType::Unknown)
            term += QStringLiteral(" COLLATE ") + QLatin1String(kCollation);
        if (o.descending)
            term += QStringLiteral(" DESC");
        order << term;
    }
    // Without ORDER BY the rows come in the tables' own order, not in that of an index the
    // engine happens to read.
    if (order.isEmpty() && s.quantifier != SelectStatement::Distinct) {
        for (const Source &so : m_sources) {
            if (!so.info->hasRowid)
                continue;
            const QString rowid = rowidName(*so.info);
            if (!rowid.isEmpty())
                order << quoteIdentifier(so.exposed) + QLatin1Char('.') + rowid;
        }
    }

    QString sql = QStringLiteral("SELECT ");
    if (s.quantifier == SelectStatement::Distinct)
        sql += QStringLiteral("DISTINCT ");
    QStringList cols;
    QList<FieldInfo> fields;
    for (const Item &it : items) {
        QString c = it.sql;
        if (s.quantifier == SelectStatement::Distinct &&
            (it.field.type == ValueType::Text || it.field.type == ValueType::Unknown))
            c += QStringLiteral(" COLLATE ") + QLatin1String(kCollation);
        cols << c + QStringLiteral(" AS ") + quoteIdentifier(it.field.name);
        fields << it.field;
    }
    sql += cols.join(QStringLiteral(", "));
    sql += QStringLiteral(" FROM ") + fromSql.join(QStringLiteral(", "));
    if (!where.isEmpty())
        sql += QStringLiteral(" WHERE ") + where;
    if (!order.isEmpty())
        sql += QStringLiteral(" ORDER BY ") + order.join(QStringLiteral(", "));
    if (s.top)
        sql += QStringLiteral(" LIMIT ") + QString::number(*s.top);

    out->sql = sql;
    out->params = m_params;
    out->fields = fields;
    return true;
}

bool translateWith(const QString &jet, const Schema &schema, bool inlineLiterals, Translation *out,
                   QString *error)
{
    SelectStatement s;
    QString err;
    if (!parseSelect(jet, &s, &err)) {
        if (error)
            *error = err;
        return false;
    }
    Translator t(schema, inlineLiterals);
    Translation result;
    if (!t.run(s, &result)) {
        if (error)
            *error = t.error;
        return false;
    }
    *out = std::move(result);
    return true;
}

} // namespace

bool translate(const QString &jet, const Schema &schema, Translation *out, QString *error)
{
    return translateWith(jet, schema, false, out, error);
}

bool translateInline(const QString &jet, const Schema &schema, Translation *out, QString *error)
{
    return translateWith(jet, schema, true, out, error);
}

bool translateTable(const QString &tableName, const Schema &schema, Translation *out, QString *error)
{
    if (!schema.table(tableName)) {
        if (error)
            *error = tr("Ulazna tabela ili upit \"%1\" ne može se pronaći.").arg(tableName);
        return false;
    }
    SelectStatement s;
    SelectItem all;
    all.kind = SelectItem::AllColumns;
    s.items << all;
    auto ref = std::make_shared<TableRef>();
    ref->name = tableName;
    s.from << ref;
    Translator t(schema, false);
    if (!t.run(s, out)) {
        if (error)
            *error = t.error;
        return false;
    }
    return true;
}

bool translateToSqlite(const QString &jet, const Schema &schema, QString *sqliteSql, QVariantList *params,
                       QString *error)
{
    Translation t;
    if (!translate(jet, schema, &t, error))
        return false;
    if (sqliteSql)
        *sqliteSql = t.sql;
    if (params)
        *params = t.params;
    return true;
}

bool translateToSqliteView(const QString &jet, const Schema &schema, QString *sqliteSql, QString *error)
{
    Translation t;
    if (!translateInline(jet, schema, &t, error))
        return false;
    if (sqliteSql)
        *sqliteSql = t.sql;
    return true;
}

// ---------------------------------------------------------------------------------------
// Conditions evaluated in memory

struct Condition::Node {
    Expr::Kind kind = Expr::Literal;
    Expr::Op op = Expr::Eq;
    bool negated = false;
    int field = -1; // a column: index in the row
    Value literal;  // a literal
    int pattern = -1;
    std::shared_ptr<const Node> left;
    std::shared_ptr<const Node> right;
    std::vector<std::shared_ptr<const Node>> terms; // And, Or
};

namespace {

enum class Truth { False, True, Unknown };

struct ConditionCompiler {
    const QList<FieldInfo> &fields;
    std::vector<LikePattern> &patterns;
    QString error;

    bool fail(const QString &m)
    {
        if (error.isEmpty())
            error = m;
        return false;
    }

    bool field(const Expr &e, int *index)
    {
        int found = -1, count = 0;
        const QString full = columnDisplay(e);
        for (int k = 0; k < fields.size(); ++k) {
            if (fields[k].name.compare(full, Qt::CaseInsensitive) == 0) {
                *index = k;
                return true;
            }
        }
        for (int k = 0; k < fields.size(); ++k) {
            const FieldInfo &f = fields[k];
            const bool tableOk =
                e.qualifier.isEmpty() || f.table.compare(e.qualifier, Qt::CaseInsensitive) == 0;
            if (tableOk && !f.column.isEmpty() && f.column.compare(e.name, Qt::CaseInsensitive) == 0) {
                found = k;
                ++count;
            }
        }
        if (count == 1) {
            *index = found;
            return true;
        }
        if (count > 1)
            return fail(tr("Polje \"%1\" može se odnositi na više kolona.").arg(full));
        return fail(tr("Nepoznato polje \"%1\".").arg(full));
    }

    bool operand(const ExprPtr &e, std::shared_ptr<Condition::Node> *out, ValueType *type)
    {
        auto n = std::make_shared<Condition::Node>();
        n->kind = e->kind;
        if (e->kind == Expr::Literal) {
            n->literal = e->value;
            *type = literalType(e->value);
        } else if (e->kind == Expr::Column) {
            if (!field(*e, &n->field))
                return false;
            *type = fields[n->field].type;
        } else {
            return fail(tr("Poređenje traži kolonu ili vrijednost sa svake strane (mjesto %1).")
                            .arg(e->position + 1));
        }
        *out = n;
        return true;
    }

    bool compile(const ExprPtr &e, std::shared_ptr<const Condition::Node> *out)
    {
        auto n = std::make_shared<Condition::Node>();
        n->kind = e->kind;
        n->op = e->op;
        n->negated = e->negated;
        switch (e->kind) {
        case Expr::And:
        case Expr::Or:
            n->terms.resize(size_t(e->terms.size()));
            for (qsizetype k = 0; k < e->terms.size(); ++k) {
                if (!compile(e->terms[k], &n->terms[size_t(k)]))
                    return false;
            }
            break;
        case Expr::Not:
            if (!compile(e->left, &n->left))
                return false;
            break;
        case Expr::Compare: {
            std::shared_ptr<Condition::Node> l, r;
            ValueType lt, rt;
            if (!operand(e->left, &l, &lt) || !operand(e->right, &r, &rt))
                return false;
            if (mismatched(lt, rt))
                return fail(tr(kMismatch));
            n->left = l;
            n->right = r;
            break;
        }
        case Expr::Like: {
            std::shared_ptr<Condition::Node> l, r;
            ValueType lt, rt;
            if (!operand(e->left, &l, &lt) || !operand(e->right, &r, &rt))
                return false;
            if (e->right->kind == Expr::Literal && !e->right->value.isNull()) {
                LikePattern p;
                QString err;
                if (!LikePattern::compile(e->right->value.toText(), &p, &err))
                    return fail(err);
                patterns.push_back(std::move(p));
                n->pattern = int(patterns.size()) - 1;
            }
            n->left = l;
            n->right = r;
            break;
        }
        case Expr::IsNull: {
            std::shared_ptr<Condition::Node> l;
            ValueType lt;
            if (!operand(e->left, &l, &lt))
                return false;
            n->left = l;
            break;
        }
        case Expr::Column:
        case Expr::Literal: {
            std::shared_ptr<Condition::Node> v;
            ValueType vt;
            if (!operand(e, &v, &vt))
                return false;
            if (vt == ValueType::Text)
                return fail(tr(kMismatch));
            *out = v;
            return true;
        }
        }
        *out = n;
        return true;
    }
};

const Value &operandValue(const Condition::Node &n, const Value *row)
{
    return n.kind == Expr::Column ? row[n.field] : n.literal;
}

} // namespace

bool Condition::compile(const QString &text, const QList<FieldInfo> &fields, Condition *out, QString *error)
{
    ExprPtr e;
    QString err;
    if (!parseCondition(text, &e, &err)) {
        if (error)
            *error = err;
        return false;
    }
    Condition c;
    ConditionCompiler cc{fields, c.m_patterns, {}};
    std::shared_ptr<const Node> root;
    if (!cc.compile(e, &root)) {
        if (error)
            *error = cc.error;
        return false;
    }
    c.m_root = root;
    *out = std::move(c);
    return true;
}

namespace {

Truth evaluate(const Condition::Node &n, const Value *row, const std::vector<LikePattern> &patterns)
{
    switch (n.kind) {
    case Expr::And:
    case Expr::Or: {
        // AND: False as soon as one term is False, Unknown when one was Unknown, else True;
        // OR the same with True and False exchanged.
        const Truth decisive = n.kind == Expr::And ? Truth::False : Truth::True;
        Truth result = n.kind == Expr::And ? Truth::True : Truth::False;
        for (const auto &term : n.terms) {
            const Truth t = evaluate(*term, row, patterns);
            if (t == decisive)
                return decisive;
            if (t == Truth::Unknown)
                result = Truth::Unknown;
        }
        return result;
    }
    case Expr::Not: {
        const Truth a = evaluate(*n.left, row, patterns);
        return a == Truth::Unknown ? a : (a == Truth::True ? Truth::False : Truth::True);
    }
    case Expr::Compare: {
        const Value &a = operandValue(*n.left, row);
        const Value &b = operandValue(*n.right, row);
        if (a.isNull() || b.isNull())
            return Truth::Unknown;
        const int c = compareValues(a, b);
        bool r = false;
        switch (n.op) {
        case Expr::Eq:
            r = c == 0;
            break;
        case Expr::Ne:
            r = c != 0;
            break;
        case Expr::Lt:
            r = c < 0;
            break;
        case Expr::Gt:
            r = c > 0;
            break;
        case Expr::Le:
            r = c <= 0;
            break;
        case Expr::Ge:
            r = c >= 0;
            break;
        }
        return r ? Truth::True : Truth::False;
    }
    case Expr::Like: {
        const Value &a = operandValue(*n.left, row);
        const Value &b = operandValue(*n.right, row);
        if (a.isNull() || b.isNull())
            return Truth::Unknown;
        bool r;
        if (n.pattern >= 0) {
            r = patterns[size_t(n.pattern)].matches(a.toText());
        } else {
            LikePattern p;
            if (!LikePattern::compile(b.toText(), &p, nullptr))
                return Truth::Unknown;
            r = p.matches(a.toText());
        }
        return r != n.negated ? Truth::True : Truth::False;
    }
    case Expr::IsNull:
        return operandValue(*n.left, row).isNull() != n.negated ? Truth::True : Truth::False;
    case Expr::Column:
    case Expr::Literal: {
        const Value &v = operandValue(n, row);
        if (v.isNull())
            return Truth::Unknown;
        if (!v.isNumber())
            return Truth::False;
        return v.number() != 0 ? Truth::True : Truth::False;
    }
    }
    return Truth::Unknown;
}

} // namespace

bool Condition::matches(const Value *row) const
{
    return m_root && evaluate(*m_root, row, m_patterns) == Truth::True;
}

// ---------------------------------------------------------------------------------------
// SQLite functions

namespace {

int collate(void *, int lengthA, const void *a, int lengthB, const void *b)
{
    return compareTextUtf8(static_cast<const char *>(a), lengthA, static_cast<const char *>(b), lengthB);
}

struct CachedPattern {
    QByteArray source;
    LikePattern pattern;
};

void deletePattern(void *p)
{
    delete static_cast<CachedPattern *>(p);
}

void likeFunction(sqlite3_context *ctx, int, sqlite3_value **argv)
{
    if (sqlite3_value_type(argv[0]) == SQLITE_NULL || sqlite3_value_type(argv[1]) == SQLITE_NULL) {
        sqlite3_result_null(ctx);
        return;
    }
    const auto *patText = reinterpret_cast<const char *>(sqlite3_value_text(argv[1]));
    const int patBytes = sqlite3_value_bytes(argv[1]);
    auto *cached = static_cast<CachedPattern *>(sqlite3_get_auxdata(ctx, 1));
    const bool reuse = cached && cached->source.size() == patBytes &&
                       std::memcmp(cached->source.constData(), patText, size_t(patBytes)) == 0;
    CachedPattern *fresh = nullptr;
    if (!reuse) {
        fresh = new CachedPattern;
        fresh->source = QByteArray(patText, patBytes);
        QString err;
        if (!LikePattern::compile(QString::fromUtf8(fresh->source), &fresh->pattern, &err)) {
            delete fresh;
            const QByteArray msg = err.toUtf8();
            sqlite3_result_error(ctx, msg.constData(), int(msg.size()));
            return;
        }
        cached = fresh;
    }

    bool match;
    switch (sqlite3_value_type(argv[0])) {
    case SQLITE_INTEGER:
        match = cached->pattern.matches(QString::number(sqlite3_value_int64(argv[0])));
        break;
    case SQLITE_FLOAT:
        match = cached->pattern.matches(numberText(sqlite3_value_double(argv[0])));
        break;
    case SQLITE_TEXT: {
        // The bytes as stored: asking for them as a blob spares SQLite from copying each
        // value only to end it with a NUL.
        const auto *text = static_cast<const char *>(sqlite3_value_blob(argv[0]));
        match = cached->pattern.matchesUtf8(text, sqlite3_value_bytes(argv[0]));
        break;
    }
    default: {
        const auto *text = reinterpret_cast<const char *>(sqlite3_value_text(argv[0]));
        match = cached->pattern.matchesUtf8(text, sqlite3_value_bytes(argv[0]));
        break;
    }
    }
    sqlite3_result_int(ctx, match ? 1 : 0);
    if (fresh) // SQLite keeps it for the next rows while the pattern stays the same
        sqlite3_set_auxdata(ctx, 1, fresh, deletePattern);
}

} // namespace

QString sqliteReason(sqlite3 *db)
{
    return sqliteReason(db ? sqlite3_extended_errcode(db) : SQLITE_NOMEM);
}

QString sqliteReason(int code)
{
    switch (code & 0xff) {
    case SQLITE_NOTADB:
        return tr("datoteka nije baza podataka");
    case SQLITE_CANTOPEN:
        return tr("datoteka se ne može otvoriti");
    case SQLITE_CORRUPT:
        return tr("datoteka je oštećena");
    case SQLITE_READONLY:
        return tr("datoteka se može samo čitati");
    case SQLITE_FULL:
        return tr("disk je pun");
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
        return tr("datoteka je zauzeta");
    case SQLITE_NOMEM:
        return tr("nema dovoljno memorije");
    case SQLITE_IOERR:
        return tr("greška pri čitanju ili pisanju datoteke");
    case SQLITE_PERM:
    case SQLITE_AUTH:
        return tr("pristup nije dozvoljen");
    case SQLITE_INTERRUPT:
        return tr("rad je prekinut");
    default:
        return tr("greška baze podataka (kod %1)").arg(code);
    }
}

bool registerJetFunctions(sqlite3 *db)
{
    if (sqlite3_create_collation_v2(db, kCollation, SQLITE_UTF8, nullptr, collate, nullptr) != SQLITE_OK)
        return false;
    return sqlite3_create_function_v2(db, kLikeFunction, 2,
                                      SQLITE_UTF8 | SQLITE_DETERMINISTIC | SQLITE_INNOCUOUS, nullptr,
                                      likeFunction, nullptr, nullptr, nullptr) == SQLITE_OK;
}

} // namespace velmora::data::jet
