// The kinds of regression curve a plot can draw over its points. The first
// thirteen are also the curve families of the curve fitter (TSRA) and of the
// X-Y graph's curve list; the last two are drawn for the trend curves only.
#pragma once

#include <cstdint>

enum TRegLineType : std::uint8_t {
    regXY = 0,        // B0 + B1 x
    reg2ji = 1,       // quadratic
    reg3ji = 2,       // cubic
    reg4ji = 3,       // quartic
    reglnXlnY = 4,    // exp(B0 + B1 ln x)
    regXlnY = 5,      // exp(B0 + B1 x)
    reglnXY = 6,      // B0 + B1 ln x
    reginvXinvY = 7,  // 1 / (B0 + B1 / x)
    reginvXY = 8,     // B0 + B1 / x
    regXinvY = 9,     // 1 / (B0 + B1 x)
    regXbceY = 10,    // inverse Box-Cox of (B0 + B1 x), lambda = B2
    regbceXY = 11,    // B0 + B1 BoxCox(x)
    regbceXbceY = 12, // inverse Box-Cox of (B0 + B1 BoxCox(x))
    regLogistic = 13, // 1 / (B0 + B1 exp(-B2 x))
    regGompertz = 14, // exp(B0 + B1 exp(-B2 x))
};

// Number of curve families the fitter knows (types 0 .. 12).
inline constexpr int kCurveTypeCount = 13;
