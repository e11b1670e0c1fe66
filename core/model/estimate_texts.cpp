#include "core/model/estimate_texts.h"

#include <cmath>
#include <limits>

#include "core/numeric/distributions.h"
#include "core/numeric/statistics.h"
#include "core/text/number_format.h"

std::string TStatisticMark(int df, double se, double estimate) {
    if (se == 0.0) return {};
    return SignificanceMark(50, 5, TSignificanceLevel(df, estimate / se));
}

namespace {
std::string IntervalText(double alpha, double lower, double upper) {
    return FormatPercent((1 - alpha) * 100) + " 信頼区間 ( " + FormatNumber(false, lower) + " ... " +
           FormatNumber(false, upper) + " )";
}
}  // namespace

std::string FormatConfidenceInterval(int df, double alpha, double se, double estimate) {
    // The t quantile is the single-precision approximation the pages use;
    // at the level 100 % the interval is the whole line.
    const double h = alpha <= 0.0 ? (se == 0.0 ? 0.0 : std::numeric_limits<double>::infinity())
                                  : static_cast<double>(TUpperQuantileApprox(df, static_cast<float>(0.5 * alpha))) * se;
    return IntervalText(alpha, estimate - h, estimate + h);
}

std::string FormatSigmaConfidenceInterval(int df, double alpha, double s2) {
    const double lower = std::sqrt(df * s2 / ChiSquareUpperQuantile(df, alpha / 2));
    const double upper = std::sqrt(df * s2 / ChiSquareUpperQuantile(df, 1 - alpha / 2));
    return IntervalText(alpha, lower, upper);
}
