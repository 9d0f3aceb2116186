#include "recitation/BookPlace.h"

#include "data/Database.h"

namespace velmora {

namespace {
const QString kFieldNumber = QStringLiteral("Numri");
const QString kFieldCount = QStringLiteral("Nr i ajeteve");
// Longer numbers than this name no surah or ayah and would not fit an int.
constexpr qsizetype kMaxDigits = 6;
} // namespace

bool isPlainNumber(const QString &text)
{
    if (text.isEmpty() || text.size() > kMaxDigits || text.front() == QLatin1Char('0'))
        return false;
    for (const QChar c : text) {
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return false;
    }
    return true;
}

std::optional<int> ayahCountOf(const data::TableRecordset &surahs, const QString &surahText)
{
    if (!isPlainNumber(surahText) || !surahs.isValid())
        return std::nullopt;
    const int wanted = surahText.toInt();
    data::Recordset rows = surahs.clone();
    for (; rows.isValid() && !rows.eof(); rows.moveNext()) {
        bool ok = false;
        const int number = rows.field(kFieldNumber).value_or(QString()).trimmed().toInt(&ok);
        if (!ok || number != wanted)
            continue;
        const int count = rows.field(kFieldCount).value_or(QString()).trimmed().toInt(&ok);
        if (!ok || count < 0)
            return std::nullopt;
        return count;
    }
    return std::nullopt;
}

int lastSurahOf(const data::TableRecordset &surahs)
{
    int last = 0;
    if (!surahs.isValid())
        return last;
    data::Recordset rows = surahs.clone();
    for (; rows.isValid() && !rows.eof(); rows.moveNext()) {
        bool ok = false;
        const int number = rows.field(kFieldNumber).value_or(QString()).trimmed().toInt(&ok);
        if (ok)
            last = std::max(last, number);
    }
    return last;
}

PlaceCheck checkPlace(const data::TableRecordset &surahs, const QString &surahText, const QString *ayahText,
                      int *count)
{
    const std::optional<int> ayahs = ayahCountOf(surahs, surahText);
    if (!ayahs)
        return PlaceCheck::NoSurah;
    if (count)
        *count = *ayahs;
    if (ayahText && (!isPlainNumber(*ayahText) || ayahText->toInt() > *ayahs))
        return PlaceCheck::NoAyah;
    return PlaceCheck::Ok;
}

} // namespace velmora
