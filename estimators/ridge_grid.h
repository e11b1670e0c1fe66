// The automatic ridge constant: a two-pass grid search on a Cp-type
// criterion over k in [0, 1].
//
// C(k) = RSS(k) / s0^2 - n + 2n / (n + k) + 2 T(k), T(k) = sum of
// lambda_j / (lambda_j + k) over the eigenvalues of the regressors'
// correlation matrix. The first pass walks k = 0, 0.001, ... up to 1 and
// stops at the first rise; the second walks k* -/+ 0.001 (kept inside
// [0, 1]) in steps of 0.00001. A point replaces k* only with a strictly
// smaller criterion, and the best value carries over between the passes.
#pragma once

#include <functional>
#include <vector>

// T(k), the effective number of regressors of a ridge fit.
double RidgeEffectiveParameters(const std::vector<double>& eigenvalues, double k);

// C(k) from its parts.
double RidgeCriterion(double rss, double s0Squared, int n, double effectiveParameters, double k);

struct RidgeGridResult {
    double k = 0.0;          // best constant found (0 when no point was better than 1e50)
    double criterion = 1e50;
    int firstPassPoints = 0;
    int secondPassPoints = 0;
};

// The grid search. rss(k) gives the residual sum of squares of the ridge
// fit at k. progress(points) is called after each point with 2 in the first
// pass and 1 in the second (the steps of the progress bar).
RidgeGridResult SearchRidgeConstant(const std::function<double(double)>& rss,
                                    const std::vector<double>& eigenvalues, int n, double s0Squared,
                                    const std::function<void(int)>& progress);
// The same two passes over any criterion(k) (the multicollinearity window's
// leaves out the constant term's part).
RidgeGridResult SearchRidgeGrid(const std::function<double(double)>& criterion,
                                const std::function<void(int)>& progress);

// Standard error of a regressor's coefficient on the data scale from its
// variance factor: sqrt(factor s2) / rootSS, or -1 for a negative factor.
double RidgeStandardError(double varianceFactor, double s2, double rootSS);
