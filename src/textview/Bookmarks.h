#pragma once

#include "textview/ReadingPlace.h"

#include <QDateTime>
#include <QList>
#include <QString>
#include <optional>

class QSettings;

namespace velmora {

// The reader's bookmarks, kept in the per-user settings store, section "Zabiljeske": one key
// per bookmark ("Zabiljeska 0", "Zabiljeska 1", ...), its value the ayah and the moment it
// was marked ("2:255|2024-03-01T18:30:00"). Each bookmark is read, added and removed on its
// own key, so a damaged entry is skipped on reading and never takes another with it, and
// changing one bookmark never rewrites the others.
struct Bookmark {
    QString key; // its key in the section
    AyahRef place;
    QDateTime marked;
};

namespace Bookmarks {

QString section();

// The stored value of a bookmark, and its reading; a value that is not exactly that form (a
// damaged entry) gives nothing.
QString entryValue(const AyahRef &place, const QDateTime &marked);
std::optional<Bookmark> parseEntry(const QString &key, const QString &value);

// Every readable bookmark, the most recently marked first; damaged entries are left out.
QList<Bookmark> load(QSettings &settings);
// Marks the ayah: a new entry under a key no other entry uses. An ayah that is already
// marked is not listed twice: its old entry goes and the new one carries the new moment.
// Returns the new entry's key.
QString add(QSettings &settings, const AyahRef &place, const QDateTime &marked);
// Removes the entry stored under `key`; the others stay as they are.
void remove(QSettings &settings, const QString &key);

} // namespace Bookmarks

// The first `count` words of an ayah's text, followed by "..." when the text goes on.
QString firstWords(const QString &text, int count);

} // namespace velmora
