#pragma once

#include <QStringList>

class QComboBox;

namespace velmora {

// Makes QComboBox::activated mean "an entry was picked from the list" only. An editable Qt
// combo box also reports an activation when Enter is pressed, or the focus leaves, while the
// typed text equals one of its entries; the program's lists act on a pick, and on Enter only
// where the window says so, never on leaving the field.
void activateOnPickOnly(QComboBox *combo);

// Replaces the entries of `combo` with `items` and leaves the text of its edit field as it
// was (Qt would otherwise show the first new entry there).
void fillCombo(QComboBox *combo, const QStringList &items);

// Makes the drop-down list at least as wide as its longest entry, so that no entry is cut,
// however narrow the field itself is. Call after the entries change.
void fitListToEntries(QComboBox *combo);

// The entries in the order of a sorted list box: alphabetical, letter case ignored.
QStringList sortedForList(QStringList items);

} // namespace velmora
