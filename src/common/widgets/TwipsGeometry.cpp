#include "common/widgets/TwipsGeometry.h"

#include "common/Twips.h"

#include <QWidget>

namespace velmora {

double logicalDpi(const QWidget *widget)
{
    return widget && widget->logicalDpiY() > 0 ? widget->logicalDpiY() : 96.0;
}

int twips(const QWidget *widget, int value)
{
    return twipsToPixels(value, logicalDpi(widget));
}

void placeTwips(QWidget *widget, int left, int top, int width, int height)
{
    widget->setGeometry(twips(widget, left), twips(widget, top), twips(widget, width), twips(widget, height));
}

} // namespace velmora
