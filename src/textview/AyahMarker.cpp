#include "textview/AyahMarker.h"

namespace velmora {

QString buildMarker(const QString &surahText, const QString &ayahText)
{
    return surahText + QLatin1Char(':') + ayahText + QLatin1Char('.') + QLatin1Char('\t');
}

void readMarker(const QString &m, QString *s, QString *a)
{
    QString surah;
    QString ayah;
    for (qsizetype i = 0; i < m.size(); ++i) {
        const QChar c = m.at(i);
        if (c == QLatin1Char('.'))
            break;
        if (c == QLatin1Char(':')) {
            // The ayah runs from after the colon to the character before the last one. When the
            // colon is itself the last character there is nothing in between (a plain mid() with
            // a negative length would hand back the rest of the text instead).
            const qsizetype from = i + 1;
            const qsizetype length = m.size() - 1 - from;
            if (length > 0)
                ayah = m.mid(from, length);
            break;
        }
        surah.append(c);
    }
    if (s)
        *s = surah;
    if (a)
        *a = ayah;
}

bool ayahOfParagraph(const QString &paragraph, int *surah, int *ayah)
{
    // The longest marker is 114:286. (eight characters); a tab further on ends no marker.
    const qsizetype tab = paragraph.indexOf(QLatin1Char('\t'));
    if (tab < 4 || tab > 8 || paragraph.at(tab - 1) != QLatin1Char('.'))
        return false;
    QString s;
    QString a;
    readMarker(paragraph.left(tab), &s, &a);
    const auto number = [](const QString &digits) {
        if (digits.isEmpty() || digits.size() > 3 || digits.at(0) == QLatin1Char('0'))
            return 0;
        int value = 0;
        for (const QChar c : digits) {
            if (c < QLatin1Char('0') || c > QLatin1Char('9'))
                return 0;
            value = value * 10 + (c.unicode() - '0');
        }
        return value;
    };
    const int surahNumber = number(s);
    const int ayahNumber = number(a);
    if (surahNumber == 0 || ayahNumber == 0)
        return false;
    if (surah)
        *surah = surahNumber;
    if (ayah)
        *ayah = ayahNumber;
    return true;
}

} // namespace velmora
