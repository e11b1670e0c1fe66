// Profile-likelihood search of the Box-Cox lambda of a two-variable fit:
// three grids over [-1, 1] (steps 0.1, then 0.01 and 0.00001 around the best
// point so far), every grid point evaluated, the first strict minimum in
// grid order kept. The logarithms are taken once; grid points are spread
// over the pool when one is given, and the answer does not depend on it.
// The search runs in units where the transformed values are near 1
// (box_cox_units.h), so the lambda found is the same in any units of x and
// y; criteria are reported in the data's own units.
#pragma once

class ThreadPool;

enum class BoxCoxMode { kY = 0, kX = 1, kBoth = 2 };

struct BoxCoxSearchResult {
    // False when the data do not allow the transform (a value <= 0 or not
    // finite where a logarithm is needed); lambda is then 1.
    bool usable = false;
    // 1 (no transform) when no grid point gives a positive residual
    // variance.
    double lambda = 1.0;
    // Criterion at lambda; 1e100 when none was found.
    double criterion = 1e100;
    int gridPoints = 0;
};

// Criterion at one lambda: (n/2) ln sigma2 of the straight-line fit of the
// (transformed) y on the (transformed) x, plus (1 - lambda) sum ln y when y
// is transformed. Returns false when sigma2 is not positive.
[[nodiscard]] bool BoxCoxCriterion(const double* x, const double* y, int n, BoxCoxMode mode, double lambda,
                                   double* criterion);

BoxCoxSearchResult SearchBoxCoxLambda(const double* x, const double* y, int n, BoxCoxMode mode,
                                      ThreadPool* pool = nullptr);
