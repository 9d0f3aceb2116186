#include "common/widgets/Controls.h"

#include "common/widgets/TwipsGeometry.h"

#include <QIcon>
#include <QToolButton>

namespace velmora {

QToolButton *iconButton(QWidget *parent, const char *name, const QString &tip, const QIcon &icon, int left,
                        int top, int width, int height, int iconTwips)
{
    auto *b = named<QToolButton>(parent, name);
    b->setToolTip(tip);
    b->setIcon(icon);
    b->setAutoRaise(true);
    b->setFocusPolicy(Qt::StrongFocus);
    placeTwips(b, left, top, width, height);
    b->setIconSize(QSize(twips(b, iconTwips), twips(b, iconTwips)));
    return b;
}

} // namespace velmora
