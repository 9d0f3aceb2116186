#pragma once

#include <QString>
#include <QStringList>

class QSettings;

namespace velmora {

// The searched-word history: the list of the verse search box, oldest first, kept in the
// per-user settings store under application "Velmora 4.0", section
// "Lista e fjalëve të kërkuara", keys "Fjala 0", "Fjala 1", ...
namespace SearchHistory {

QString section();
QString key(int index);

// After a search: appends the text unless an equal entry (exact comparison) is there, then
// drops the oldest entry when more than ten remain (one at most).
void record(QStringList &list, const QString &text);
// A pick from the list: with ten or more entries the oldest goes.
void pick(QStringList &list);

// Reads the list: nothing when "Fjala 0" is empty; otherwise as many keys, in index order, as
// the section holds pairs.
QStringList load(QSettings &settings);
// Writes the list, and removes keys of a longer earlier list, so that they do not come back
// at the next start.
void save(QSettings &settings, const QStringList &list);

} // namespace SearchHistory
} // namespace velmora
