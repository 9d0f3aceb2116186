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

} // namespace velmora
