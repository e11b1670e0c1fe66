// The Box-Cox transform in units near 1; see box_cox_units.h.
#include "core/numeric/box_cox_units.h"

#include <cmath>

#include "platform/numeric_tolerances.h"

namespace {

constexpr double kLn2 = 0.6931471805599453;

}  // namespace

double BoxCoxOfLog(double lambda, double logV) {
    if (std::fabs(lambda) <= kDoubleEpsilon) return logV;
    return std::expm1(lambda * logV) / lambda;
}

double BoxCoxUnits::Log(double v) const {
    const double u = std::ldexp(v, -exponent);
    // Past the normal range the quotient would lose digits (or be 0 or
    // infinite): the difference of the logarithms instead.
    if (std::isnormal(u)) return std::log(u);
    return std::log(v) - LogScale();
}

double BoxCoxUnits::LogScale() const { return exponent * kLn2; }

double BoxCoxUnits::Gain(double lambda) const {
    if (std::fabs(lambda) <= kDoubleEpsilon) return 1.0;
    return std::exp2(exponent * lambda);
}

double BoxCoxUnits::Offset(double lambda) const { return BoxCoxOfLog(lambda, LogScale()); }

BoxCoxUnits BoxCoxUnitsOf(const double* v, long long n, int stride) {
    long long sum = 0, count = 0;
    for (long long i = 0; i < n; ++i) {
        const double x = v[i * stride];
        if (!(x > 0.0) || !std::isfinite(x)) continue;
        int e = 0;
        (void)std::frexp(x, &e);
        sum += e;
        ++count;
    }
    BoxCoxUnits units;
    if (count > 0) units.exponent = static_cast<int>(std::llround(static_cast<double>(sum) / static_cast<double>(count)));
    return units;
}
