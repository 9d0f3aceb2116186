#include "textview/Bookmarks.h"

#include <QSettings>
#include <algorithm>

namespace velmora {

namespace {
const QString kKeyPrefix = QStringLiteral("Zabiljeska ");
const QChar kSeparator = QLatin1Char('|');

// The number in a key "Zabiljeska N"; -1 for a key of another form.
int keyNumber(const QString &key)
{
    if (!key.startsWith(kKeyPrefix))
        return -1;
    bool ok = false;
    const int n = key.mid(kKeyPrefix.size()).toInt(&ok);
    return ok && n >= 0 ? n : -1;
}
} // namespace

namespace Bookmarks {

QString section()
{
    return QStringLiteral("Zabiljeske");
}

QString entryValue(const AyahRef &place, const QDateTime &marked)
{
    return formatAyahRef(place) + kSeparator + marked.toString(Qt::ISODate);
}

std::optional<Bookmark> parseEntry(const QString &key, const QString &value)
{
    const QStringList parts = value.split(kSeparator);
    if (parts.size() != 2)
        return std::nullopt;
    const auto place = parseAyahRef(parts.at(0));
    const QDateTime marked = QDateTime::fromString(parts.at(1), Qt::ISODate);
    if (!place || !marked.isValid())
        return std::nullopt;
    return Bookmark{key, *place, marked};
}

QList<Bookmark> load(QSettings &settings)
{
    QList<Bookmark> found;
    settings.beginGroup(section());
    const QStringList keys = settings.childKeys();
    for (const QString &key : keys) {
        if (keyNumber(key) < 0)
            continue;
        // A value that the store reads as a list (a comma in it) or as anything but text is
        // damaged as well: toString() gives an empty text for it.
        if (auto b = parseEntry(key, settings.value(key).toString()))
            found.append(*b);
    }
    settings.endGroup();
    std::stable_sort(found.begin(), found.end(), [](const Bookmark &a, const Bookmark &b) {
        if (a.marked != b.marked)
            return a.marked > b.marked;
        return keyNumber(a.key) > keyNumber(b.key);
    });
    return found;
}

QString add(QSettings &settings, const AyahRef &place, const QDateTime &marked)
{
    settings.beginGroup(section());
    const QStringList keys = settings.childKeys();
    int next = 0;
    for (const QString &key : keys) {
        const int n = keyNumber(key);
        if (n >= 0)
            next = std::max(next, n + 1);
        if (const auto b = parseEntry(key, settings.value(key).toString()); b && b->place == place)
            settings.remove(key);
    }
    const QString key = kKeyPrefix + QString::number(next);
    settings.setValue(key, entryValue(place, marked));
    settings.endGroup();
    return key;
}

void remove(QSettings &settings, const QString &key)
{
    // An empty key would name the whole section: only a bookmark's own key is removed.
    if (keyNumber(key) < 0)
        return;
    settings.beginGroup(section());
    settings.remove(key);
    settings.endGroup();
}

} // namespace Bookmarks

QString firstWords(const QString &text, int count)
{
    const QStringList words = text.simplified().split(QLatin1Char(' '), Qt::SkipEmptyParts);
    if (words.size() <= count)
        return words.join(QLatin1Char(' '));
    return words.mid(0, count).join(QLatin1Char(' ')) + QStringLiteral("...");
}

} // namespace velmora
