#pragma once

#include <QString>
#include <memory>
#include <optional>

class QSettings;

namespace velmora {

// One ayah of the book, by surah and ayah number.
struct AyahRef {
    int surah = 0;
    int ayah = 0;
    friend bool operator==(const AyahRef &, const AyahRef &) = default;
};

// The largest surah number and the largest number of ayahs any surah has.
inline constexpr int kLastSurah = 114;
inline constexpr int kMostAyahs = 286;

// "2:255" for ayah 255 of surah 2.
QString formatAyahRef(const AyahRef &ref);
// Reads "2:255": decimal digits without leading zeros or blanks, surah 1 to 114, ayah 1 to
// 286. Anything else (a damaged stored value) gives nothing.
std::optional<AyahRef> parseAyahRef(const QString &text);

// The ayah whose marker (2:255. and a tab) starts `paragraph`; nothing for a paragraph that
// does not start with a marker, such as a heading.
std::optional<AyahRef> ayahOfParagraph(const QString &paragraph);

// Whether the selection [start, start + length) of `text` (paragraphs ended by CR LF) is
// exactly one whole ayah paragraph: from the first character of its marker to the end of its
// text, with or without the paragraph end. Gives that ayah, or nothing for any other
// selection (part of an ayah, two ayahs, a heading, nothing selected).
std::optional<AyahRef> wholeAyahSelected(const QString &text, int start, int length);

// The reference as readers quote it after an ayah: "(Bekare, 2:255)"; without a name,
// "(2:255)".
QString quotedReference(const QString &surahName, const AyahRef &ref);

// From the store ("bazabos.mdb" in the data folder): the Bosnian name of a surah, the text of
// an ayah. Empty when the store cannot be read or holds no such surah or ayah.
QString storedSurahName(int surah);
QString storedAyahText(const AyahRef &ref);

// The per-user settings store of the program (application "Velmora 4.0"), where the
// searched words, the bookmarks and the last place read are kept.
std::unique_ptr<QSettings> openReaderSettings();

// The last ayah located or selected in the whole text, kept from one run to the next.
namespace LastPlace {
QString key();
// Nothing when no place is kept or the kept value is damaged.
std::optional<AyahRef> load(QSettings &settings);
void save(QSettings &settings, const AyahRef &ref);
} // namespace LastPlace

} // namespace velmora
