#include "textview/ReadableColours.h"

#include <algorithm>
#include <cmath>

namespace velmora {

namespace {
double channel(double c)
{
    return c <= 0.03928 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
}

double luminance(const QColor &c)
{
    const QColor rgb = c.toRgb();
    return 0.2126 * channel(rgb.redF()) + 0.7152 * channel(rgb.greenF()) + 0.0722 * channel(rgb.blueF());
}

constexpr double kStandsOut = 3.0;
constexpr double kTarget = 7.0;
} // namespace

double contrastRatio(const QColor &a, const QColor &b)
{
    const double la = luminance(a);
    const double lb = luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

bool isDarkBackground(const QColor &background)
{
    // Black text on it stands out less than white text does.
    return contrastRatio(background, Qt::black) < contrastRatio(background, Qt::white);
}

QColor readableColour(const QColor &colour, const QColor &background, const QColor &text)
{
    if (!colour.isValid() || contrastRatio(colour, background) >= kStandsOut)
        return colour;
    float hue = 0, saturation = 0, lightness = 0, alpha = 1;
    colour.toHsl().getHslF(&hue, &saturation, &lightness, &alpha);
    if (hue < 0 || saturation < 0.15f)
        return text;
    const bool lighter = isDarkBackground(background);
    // Step the lightness towards white (or black) until the colour stands out enough; the
    // end of the range (white or black itself) always does on a background of the other side.
    QColor candidate = colour;
    for (int step = 1; step <= 100; ++step) {
        const float l = lighter ? lightness + (1.0f - lightness) * float(step) / 100.0f
                                : lightness * (1.0f - float(step) / 100.0f);
        candidate = QColor::fromHslF(hue, saturation, l, alpha).toRgb();
        if (contrastRatio(candidate, background) >= kTarget)
            break;
    }
    return candidate;
}

} // namespace velmora
