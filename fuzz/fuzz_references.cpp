// The readers of ayah markers (2:255.) and of the topic lists' reference lines and reference
// strings (2 (Bekara): 1-5,8). The input, split at the first NUL byte, gives two texts; each
// reader gets the first, and the builders get both, so that what is built is read back.

#include "FuzzSupport.h"

#include "classification/TopicReferences.h"
#include "data/JetSql.h"
#include "textview/AyahMarker.h"

#include <algorithm>

using namespace velmora;

namespace {

bool isAsciiNumber(const QString &s)
{
    return !s.isEmpty() && std::all_of(s.begin(), s.end(), [](QChar c) { return c >= u'0' && c <= u'9'; });
}

void checkMarker(const QString &first, const QString &second)
{
    QString surah, ayah;
    readMarker(first, &surah, &ayah);
    // The surah text stops at the first "." or ":"; the ayah text lies strictly inside.
    FUZZ_CHECK(!surah.contains(u'.') && !surah.contains(u':'));
    FUZZ_CHECK(first.startsWith(surah));
    FUZZ_CHECK(surah.size() + ayah.size() <= first.size());
    if (!ayah.isEmpty())
        FUZZ_CHECK(first.mid(surah.size() + 1, ayah.size()) == ayah && first.at(surah.size()) == u':');
    readMarker(first, nullptr, nullptr);

    // A marker built from a surah text without "." or ":" reads back as it was built: the
    // marker text is all but the tab.
    const QString marker = buildMarker(first, second);
    FUZZ_CHECK(marker.endsWith(QLatin1String(".\t")));
    if (!first.contains(u'.') && !first.contains(u':')) {
        QString s, a;
        readMarker(marker.chopped(1), &s, &a);
        FUZZ_CHECK(s == first);
        FUZZ_CHECK(a == second);
    }
}

void checkReferenceLine(const QString &first, const QString &second)
{
    const ReferenceLine line = splitReferenceLine(first);
    FUZZ_CHECK(!line.surah.contains(u' '));
    FUZZ_CHECK(first.startsWith(line.surah));
    FUZZ_CHECK(first.endsWith(line.references));

    // A line built from a surah without blanks and a name without ": " gives them back.
    const QString surah = first.left(8);
    const QString name = second;
    const QString built = referenceLineText(surah, name, second);
    const ReferenceLine back = splitReferenceLine(built);
    if (!surah.contains(u' ') &&
        !(surah + QStringLiteral(" (") + name + QLatin1Char(')')).contains(QLatin1String(": ")))
        FUZZ_CHECK(back.references == second);
    if (!surah.contains(u' '))
        FUZZ_CHECK(back.surah == surah);
}

void checkScan(const QString &references)
{
    const AyahScan scan = scanReferences(references);
    for (int ayah : scan.ayahs)
        FUZZ_CHECK(ayah >= 0 && ayah <= kMaxAyahNumber);
    switch (scan.kind) {
    case AyahScan::Kind::None:
        FUZZ_CHECK(scan.ayahs.isEmpty());
        break;
    case AyahScan::Kind::Single:
        FUZZ_CHECK(isAsciiNumber(references));
        FUZZ_CHECK(scan.ayahs.size() <= 1);
        break;
    case AyahScan::Kind::List:
        FUZZ_CHECK(references.contains(u',') || references.contains(u'-'));
        // Each "-" gives at most one range of ayahs and each other item at most one ayah.
        FUZZ_CHECK(scan.ayahs.size() <=
                   (references.count(u'-') + 1) * (kMaxAyahNumber + 1) + references.size());
        break;
    }
}

void checkNames(const QString &text)
{
    const QString trimmed = trimBlanks(text);
    FUZZ_CHECK(!trimmed.startsWith(u' ') && !trimmed.endsWith(u' '));
    FUZZ_CHECK(text.contains(trimmed));
    FUZZ_CHECK(trimBlanks(trimmed) == trimmed);
    const QString topic = topicNameFromNodeText(text);
    FUZZ_CHECK(!topic.startsWith(u' ') && !topic.endsWith(u' '));
    FUZZ_CHECK(text.contains(topic));
}

// A topic report asks the store for each ayah with a query text built from the surah as the
// reference line writes it; a number there always makes a query the dialect reads.
void checkAyahQuery(const QString &surah, int ayah)
{
    if (!isAsciiNumber(surah) || surah.size() > 18)
        return;
    data::jet::SelectStatement statement;
    QString error;
    FUZZ_CHECK(data::jet::parseSelect(ayahQueryText(surah, ayah), &statement, &error));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    using namespace velmora::fuzz;
    const auto [a, b] = splitAtNul(bytes(data, size));
    const QString first = QString::fromUtf8(a);
    const QString second = QString::fromUtf8(b);

    checkMarker(first, second);
    checkReferenceLine(first, second);
    checkScan(first);
    checkScan(splitReferenceLine(first).references);
    checkNames(first);
    const AyahScan scan = scanReferences(second);
    checkAyahQuery(splitReferenceLine(first).surah, scan.ayahs.isEmpty() ? 1 : scan.ayahs.first());
    return 0;
}
