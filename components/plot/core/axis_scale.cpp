#include "components/plot/core/axis_scale.h"

#include <algorithm>
#include <cmath>
#include <utility>

AxisScale RoundAxisScale(double low, double high) {
    if (!std::isfinite(low) || !std::isfinite(high)) low = 0.0, high = 1.0;
    if (low > high) std::swap(low, high);
    if (high - low <= 1e-12 * std::max(1.0, std::fabs(low))) {
        const double pad = low == 0.0 ? 1.0 : std::fabs(low) * 0.1;
        low -= pad;
        high += pad;
    }
    const double raw = (high - low) / 5.0;
    const double power = std::pow(10.0, std::floor(std::log10(raw)));
    const double fraction = raw / power;
    const double step = fraction <= 1.0 ? 1.0 : fraction <= 2.0 ? 2.0 : fraction <= 5.0 ? 5.0 : 10.0;
    AxisScale s;
    s.interval = step * power;
    s.low = std::floor(low / s.interval) * s.interval;
    s.high = std::ceil(high / s.interval) * s.interval;
    if (s.high <= s.low) s.high = s.low + s.interval;
    return s;
}

double AxisStep(double a, double b) {
    const double m = std::max(std::fabs(a), std::fabs(b));
    double s = 1e-5;
    // The steps are the products of the multiplications, as the grid has
    // always been placed.
    while (s <= 1e10) {
        if (s <= m && 10.0 * s > m) return s;
        s *= 10.0;
    }
    return s;
}
