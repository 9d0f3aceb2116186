#pragma once

#include <QString>
#include <optional>

namespace velmora {

namespace data {
class TableRecordset;
}

// Whether a surah text and an ayah text, as the selectors or an ayah marker hold them, name a
// place of the book before anything is played from them.

// A number as the program writes it in clip names and markers: ASCII decimal digits without
// sign, blank or leading zero ("2", "255"; not "02", " 2", "+2", "2.0").
bool isPlainNumber(const QString &text);

// The number of ayahs of the surah whose number is `surahText` (a plain number), read from a
// copy of the surah table so that the table's current record stays where it is. Nothing when
// the text is not a plain number or no surah has that number.
std::optional<int> ayahCountOf(const data::TableRecordset &surahs, const QString &surahText);

// The largest surah number of the table (114 for the book); 0 for an empty or unreadable table.
int lastSurahOf(const data::TableRecordset &surahs);

enum class PlaceCheck { Ok, NoSurah, NoAyah };

// Checks a surah text and, when `ayahText` is given, an ayah text of that surah. `count`
// receives the surah's number of ayahs when the surah exists.
PlaceCheck checkPlace(const data::TableRecordset &surahs, const QString &surahText, const QString *ayahText,
                      int *count = nullptr);

} // namespace velmora
