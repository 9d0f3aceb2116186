#pragma once

class QWidget;

namespace velmora {

// Design geometry in twips, converted by the logical DPI of the screen the widget is on.
double logicalDpi(const QWidget *widget);
int twips(const QWidget *widget, int value);
void placeTwips(QWidget *widget, int left, int top, int width, int height);

} // namespace velmora
