#include "data/JetText.h"
#include "data/JetSql.h"

#include <cmath>

namespace velmora::data::jet {

namespace detail {

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

extern const char *const kMismatch;
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

} // namespace detail

using namespace detail;

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
// Types of expressions, shared by the translation and the condition evaluator

namespace detail {

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

QString columnDisplay(const Expr &e)
{
    return e.qualifier.isEmpty() ? e.name : e.qualifier + QLatin1Char('.') + e.name;
}

} // namespace detail

} // namespace velmora::data::jet
