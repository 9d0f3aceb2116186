#pragma once

#include <QColor>

namespace velmora {

// Colours of text that must read on the background the desktop's colour scheme gives the
// view: the whole text's file colours its body black and its headings dark blue, which vanish
// on a dark background.

// The contrast ratio of two colours (from their relative luminance, as accessibility
// guidelines measure it): 1 for equal colours, 21 for black on white.
double contrastRatio(const QColor &a, const QColor &b);

// Whether text on `background` should be light: the background is nearer black than white.
bool isDarkBackground(const QColor &background);

// The colour in which text that its file colours `colour` is shown on `background`. A colour
// that stands out from the background by at least 3:1 stays as it is: on a light background
// every usual text colour, and the red of found words (255, 0, 0) on light and dark alike.
// A fainter one is made to stand out by at least 7:1: a colour without hue (black, grey)
// becomes `text`, the scheme's own text colour; a coloured one keeps its hue and saturation
// and is made lighter (on a dark background) or darker (on a light one) until it does.
QColor readableColour(const QColor &colour, const QColor &background, const QColor &text);

} // namespace velmora
