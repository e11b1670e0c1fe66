// Pixel coordinates from values. Plots clamp a pixel value to +-1,000,000
// before it becomes an integer, so a zoomed plot never converts an
// overflowing value; the canvas clips what lies outside.
#pragma once

#include <cmath>

inline constexpr double kPixelLimit = 1000000.0;

inline double ClampPixelValue(double v) {
    if (std::isnan(v)) return 0.0;
    return v < -kPixelLimit ? -kPixelLimit : v > kPixelLimit ? kPixelLimit : v;
}

// Truncated towards zero.
inline int TruncPixel(double v) { return static_cast<int>(ClampPixelValue(v)); }

// Rounded to the nearest pixel, halves to even as the class library rounds.
inline int RoundPixel(double v) { return static_cast<int>(std::nearbyint(ClampPixelValue(v))); }
