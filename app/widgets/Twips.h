#pragma once

#include <cmath>

// The window's measures are given in twips, at 15 twips to the pixel (96 dpi).
namespace Twips {

inline constexpr int PerPixel = 15;

inline int toPixels(int twips)
{
    return int(std::lround(double(twips) / PerPixel));
}
// For lower bounds: the least number of whole pixels that covers the twips.
inline int toPixelsAtLeast(int twips)
{
    return int(std::ceil(double(twips) / PerPixel));
}
inline int fromPixels(int pixels)
{
    return pixels * PerPixel;
}

} // namespace Twips
