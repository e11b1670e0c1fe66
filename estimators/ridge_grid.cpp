#include "estimators/ridge_grid.h"

#include <algorithm>
#include <cmath>

namespace {

// A pass of [0, 1] in steps of 0.001 has 1001 points and one around k* 201;
// the bound only guards against a step lost in rounding.
constexpr int kMaxPointsPerPass = 2000;

}  // namespace

double RidgeEffectiveParameters(const std::vector<double>& eigenvalues, double k) {
    double t = 0.0;
    for (double lambda : eigenvalues) t += lambda / (lambda + k);
    return t;
}

double RidgeCriterion(double rss, double s0Squared, int n, double effectiveParameters, double k) {
    return rss / s0Squared - n + 2.0 * n / (n + k) + 2.0 * effectiveParameters;
}

RidgeGridResult SearchRidgeConstant(const std::function<double(double)>& rss,
                                    const std::vector<double>& eigenvalues, int n, double s0Squared,
                                    const std::function<void(int)>& progress) {
    return SearchRidgeGrid(
        [&](double k) { return RidgeCriterion(rss(k), s0Squared, n, RidgeEffectiveParameters(eigenvalues, k), k); },
        progress);
}

RidgeGridResult SearchRidgeGrid(const std::function<double(double)>& criterion,
                                const std::function<void(int)>& progress) {
    RidgeGridResult best;
    double lo = 0.0, hi = 1.0, step = 0.001;
    for (int pass = 0; pass < 2; ++pass) {
        const bool first = pass == 0;
        int points = 0;
        for (double k = lo; k <= hi && points < kMaxPointsPerPass; k += step) {
            ++points;
            const double c = criterion(k);
            if (progress) progress(first ? 2 : 1);
            if (c < best.criterion) {
                best.criterion = c;
                best.k = k;
            } else if (first && c > best.criterion) {
                break;
            }
        }
        (first ? best.firstPassPoints : best.secondPassPoints) = points;
        lo = std::max(best.k - 0.001, 0.0);
        hi = std::min(best.k + 0.001, 1.0);
        step = 0.00001;
    }
    return best;
}

double RidgeStandardError(double varianceFactor, double s2, double rootSS) {
    if (!(varianceFactor >= 0.0)) return -1.0;
    return std::sqrt(varianceFactor * s2 / (rootSS * rootSS));
}
