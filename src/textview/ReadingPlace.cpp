#include "textview/ReadingPlace.h"

#include "common/ProgramTitle.h"
#include "data/Database.h"

#include <QSettings>

namespace velmora {

namespace {

// A decimal number without sign, blanks or leading zeros, within [1, most].
std::optional<int> readNumber(QStringView digits, int most)
{
    if (digits.isEmpty() || digits.size() > 3 || digits.front() == QLatin1Char('0'))
        return std::nullopt;
    int value = 0;
    for (const QChar c : digits) {
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return std::nullopt;
        value = value * 10 + (c.unicode() - u'0');
    }
    if (value < 1 || value > most)
        return std::nullopt;
    return value;
}

} // namespace

QString formatAyahRef(const AyahRef &ref)
{
    return QString::number(ref.surah) + QLatin1Char(':') + QString::number(ref.ayah);
}

std::optional<AyahRef> parseAyahRef(const QString &text)
{
    const qsizetype colon = text.indexOf(QLatin1Char(':'));
    if (colon < 0)
        return std::nullopt;
    const auto surah = readNumber(QStringView(text).left(colon), kLastSurah);
    const auto ayah = readNumber(QStringView(text).mid(colon + 1), kMostAyahs);
    if (!surah || !ayah)
        return std::nullopt;
    return AyahRef{*surah, *ayah};
}

std::optional<AyahRef> ayahOfParagraph(const QString &paragraph)
{
    // The marker is at most "114:286." and a tab.
    const qsizetype tab = paragraph.indexOf(QLatin1Char('\t'));
    if (tab < 4 || tab > 8 || paragraph.at(tab - 1) != QLatin1Char('.'))
        return std::nullopt;
    return parseAyahRef(paragraph.left(tab - 1));
}

std::optional<AyahRef> wholeAyahSelected(const QString &text, int start, int length)
{
    if (start < 0 || length <= 0 || start > text.size() - length)
        return std::nullopt;
    // It starts a paragraph ...
    if (start > 0 && text.at(start - 1) != QLatin1Char('\n'))
        return std::nullopt;
    QStringView selected = QStringView(text).mid(start, length);
    if (selected.endsWith(QLatin1String("\r\n")))
        selected.chop(2);
    // ... holds one paragraph and no more ...
    if (selected.contains(QLatin1Char('\r')) || selected.contains(QLatin1Char('\n')))
        return std::nullopt;
    // ... and runs to that paragraph's end.
    const qsizetype after = start + selected.size();
    if (after < text.size() && text.at(after) != QLatin1Char('\r'))
        return std::nullopt;
    return ayahOfParagraph(selected.toString());
}

QString quotedReference(const QString &surahName, const AyahRef &ref)
{
    if (surahName.isEmpty())
        return QLatin1Char('(') + formatAyahRef(ref) + QLatin1Char(')');
    return QLatin1Char('(') + surahName + QLatin1String(", ") + formatAyahRef(ref) + QLatin1Char(')');
}

namespace {
QString firstValue(const QString &query)
{
    const data::Database db = data::Database::open(QStringLiteral("bazabos.mdb"));
    if (!db.isOpen())
        return {};
    const data::Recordset rows = db.openRecordset(query);
    if (!rows.isValid() || rows.eof())
        return {};
    return rows.field(0).value_or(QString());
}
} // namespace

QString storedSurahName(int surah)
{
    return firstValue(QStringLiteral("SELECT EmriBoshnjakisht FROM sure WHERE numri = %1").arg(surah));
}

QString storedAyahText(const AyahRef &ref)
{
    return firstValue(QStringLiteral("SELECT tekstajet FROM kuran WHERE nrsure = %1 AND nrajet = %2")
                          .arg(ref.surah)
                          .arg(ref.ayah));
}

std::unique_ptr<QSettings> openReaderSettings()
{
    return std::make_unique<QSettings>(QSettings::NativeFormat, QSettings::UserScope,
                                       QStringLiteral("Velmora"), programTitle());
}

namespace LastPlace {

QString key()
{
    return QStringLiteral("Posljednje mjesto/Ajet");
}

std::optional<AyahRef> load(QSettings &settings)
{
    return parseAyahRef(settings.value(key()).toString());
}

void save(QSettings &settings, const AyahRef &ref)
{
    settings.setValue(key(), formatAyahRef(ref));
}

} // namespace LastPlace

} // namespace velmora
