#pragma once

#include <cmath>

namespace velmora {

// Sizes and positions of the windows are designed in twips (1/1440 inch).
inline int twipsToPixels(int twips, double dpi)
{
    return static_cast<int>(std::lround(twips * dpi / 1440.0));
}

inline int pixelsToTwips(int pixels, double dpi)
{
    return static_cast<int>(std::lround(pixels * 1440.0 / dpi));
}

} // namespace velmora
