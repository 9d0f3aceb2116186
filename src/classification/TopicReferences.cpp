#include "classification/TopicReferences.h"

#include <optional>

namespace velmora {

namespace {

bool isDigit(QChar c)
{
    return c >= QLatin1Char('0') && c <= QLatin1Char('9');
}

bool allDigits(const QString &text)
{
    if (text.isEmpty())
        return false;
    for (QChar c : text) {
        if (!isDigit(c))
            return false;
    }
    return true;
}

// The value of a run of digits, or nothing when it is empty or names no ayah because it is
// too large. The value is capped while it is read, so no run of digits can overflow.
std::optional<int> ayahNumber(const QString &digits)
{
    if (digits.isEmpty())
        return std::nullopt;
    int value = 0;
    for (QChar c : digits) {
        value = value * 10 + (c.unicode() - u'0');
        if (value > kMaxAyahNumber)
            return std::nullopt;
    }
    return value;
}

// The number of digits a range end may have before the range is dropped.
constexpr int kRangeEndDigits = 100;

} // namespace

QString referenceLineText(const QString &nrsure, const QString &emrsure, const QString &ajetet)
{
    return nrsure + QStringLiteral(" (") + emrsure + QStringLiteral("): ") + ajetet;
}

ReferenceLine splitReferenceLine(const QString &line)
{
    ReferenceLine r;
    const qsizetype blank = line.indexOf(QLatin1Char(' '));
    if (blank >= 0)
        r.surah = line.left(blank);
    const qsizetype colon = line.indexOf(QStringLiteral(": "));
    if (colon >= 0)
        r.references = line.mid(colon + 2);
    return r;
}

AyahScan scanReferences(const QString &references)
{
    AyahScan scan;
    const QString &r = references;
    if (!r.contains(QLatin1Char(',')) && !r.contains(QLatin1Char('-'))) {
        if (allDigits(r)) {
            scan.kind = AyahScan::Kind::Single;
            if (const auto n = ayahNumber(r))
                scan.ayahs << *n;
        }
        return scan;
    }

    scan.kind = AyahScan::Kind::List;
    auto takeNumber = [&scan](const QString &digits) {
        if (const auto n = ayahNumber(digits))
            scan.ayahs << *n;
    };
    auto emitRange = [&scan](const QString &from, const QString &to) {
        // Open, reversed and too large ranges give nothing (see the header).
        const auto first = ayahNumber(from);
        const auto last = ayahNumber(to);
        if (!first || !last || *first > *last)
            return;
        for (int a = *first; a <= *last; ++a)
            scan.ayahs << a;
    };

    // Positions are 1-based as the reference string is read; position L + 1 is the end.
    const qsizetype length = r.size();
    auto charAt = [&r, length](qsizetype i) { return i >= 1 && i <= length ? r.at(i - 1) : QChar(); };
    QString number;
    for (qsizetype i = 1; i <= length + 1; ++i) {
        if (i == length + 1) {
            takeNumber(number);
            break;
        }
        const QChar c = charAt(i);
        if (isDigit(c)) {
            number += c;
        } else if (c == QLatin1Char(',')) {
            takeNumber(number);
            number.clear();
        } else if (c == QLatin1Char('-')) {
            const QString from = number;
            number.clear();
            bool ended = false;
            for (int read = 0; read < kRangeEndDigits; ++read) {
                ++i;
                const QChar d = charAt(i);
                if (!isDigit(d)) {
                    ended = true;
                    break;
                }
                number += d;
            }
            if (ended)
                emitRange(from, number);
            // Either way the scan goes on after the character just read: the one that ended
            // the range (consumed with it), or the 100th digit of a range end too long.
            number.clear();
        } else {
            // A character outside the grammar ends the scan; what was collected so far of
            // the current number is dropped with the rest of the string.
            break;
        }
    }
    return scan;
}

QString ayahQueryText(const QString &surah, int ayah)
{
    return QStringLiteral("select * FROM kuran where nrsure = ") + surah + QStringLiteral("And nrajet = ") +
           QString::number(ayah);
}

QString ayahLineText(const QString &surah, const QString &ayah, const QString &text)
{
    return surah + QLatin1Char(':') + ayah + QLatin1Char('.') + QLatin1Char('\t') + text +
           QStringLiteral("\r\n");
}

QString composeTopicReport(const QString &title, const QString &referenceLine, const QStringList &ayahLines)
{
    const QString crlf = QStringLiteral("\r\n");
    QString report;
    qsizetype size = 200 + title.size() + referenceLine.size();
    for (const QString &line : ayahLines)
        size += line.size();
    report.reserve(size);
    report += crlf;
    report += QStringLiteral("Ajeti iz teme \"") + title + QStringLiteral("\":") + crlf;
    report += QStringLiteral("selektirali ste ajet (ajete): ") + referenceLine + crlf;
    report += QString(58, QLatin1Char('*')) + crlf + crlf;
    for (const QString &line : ayahLines)
        report += line;
    return report;
}

QString trimBlanks(const QString &text)
{
    qsizetype from = 0;
    qsizetype to = text.size();
    while (from < to && text.at(from) == QLatin1Char(' '))
        ++from;
    while (to > from && text.at(to - 1) == QLatin1Char(' '))
        --to;
    return text.mid(from, to - from);
}

QString topicNameFromNodeText(const QString &nodeText)
{
    const qsizetype dot = nodeText.indexOf(QLatin1Char('.'));
    if (dot < 0)
        return trimBlanks(nodeText);
    return trimBlanks(nodeText.mid(dot + 2));
}

} // namespace velmora
