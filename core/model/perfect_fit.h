// What a perfect fit is, and how its figures are kept finite and free of
// the data's units: residual variances held at a floor relative to var(y),
// and the residual tests of residuals that are only rounding.
#pragma once

#include <limits>

#include "core/numeric/statistics.h"
#include "platform/numeric_tolerances.h"

// The least residual variance that counts as a spread, var y x 2^-23:
// deleted variances are held at it, and it is SIG(RES) squared where the
// leverage is 1 and the residual has no variance.
inline double VarianceFloorOf(double varY) { return varY * kSingleEpsilon; }

// A residual variance (s2 or s2(i)) that is rounding, at most 2^-52 of
// var(y) (floor x 2^-29): a perfect fit's. Every t and F value and every
// table figure that divides by a residual variance takes the floor in its
// place, so that a perfect fit gives finite figures that do not depend on
// the data's units. A variance of real residuals, however small, is used
// as formed; so is one that is no number, or infinite (divided by no degree
// of freedom). Sizes (the variance itself, s, the standard errors) are
// shown as formed.
template <class Real>
bool IsRoundingVariance(Real s2, double floor) {
    constexpr double kRoundingShare = kDoubleEpsilon / kSingleEpsilon;
    return s2 <= static_cast<Real>(floor * kRoundingShare) && s2 > -std::numeric_limits<Real>::infinity();
}

template <class Real>
Real HeldAtFloor(Real s2, double floor) {
    return IsRoundingVariance(s2, floor) ? static_cast<Real>(floor) : s2;
}

// The residual sum of squares as s2 = SSE / df is held: what a residual's
// share e^2 / SSE divides by.
inline double HeldSumOfSquares(double sse, double df, double floor) {
    return IsRoundingVariance(sse / df, floor) ? df * floor : sse;
}

// Durbin-Watson ratio and GK statistic of a fit's residuals. Those of a
// perfect fit are rounding, whose shape means nothing: they read as
// residuals of exactly 0 (both figures 0).
struct ResidualTests {
    double durbinWatson = 0.0;
    double gk = 0.0;
};
inline ResidualTests ResidualTestsOf(const double* fitted, const double* e, int n, bool perfectFit) {
    if (perfectFit) return {};
    return {DurbinWatson(e, n), HeteroskedasticityStatistic(fitted, e, n)};
}
