#pragma once

#include <QString>

class QIcon;
class QToolButton;
class QWidget;

namespace velmora {

// A new control of type T in `parent`, carrying its control name as object name.
template <typename T> T *named(QWidget *parent, const char *name)
{
    auto *w = new T(parent);
    w->setObjectName(QLatin1String(name));
    return w;
}

// A command button with an icon and no caption, its text in the tooltip: flat until the pointer
// is over it, reachable with Tab, placed in twips, its icon `iconTwips` square.
QToolButton *iconButton(QWidget *parent, const char *name, const QString &tip, const QIcon &icon, int left,
                        int top, int width, int height, int iconTwips = 300);

} // namespace velmora
