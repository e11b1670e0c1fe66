// The simultaneous tolerance interval of a prediction from a linear model:
// with confidence `confidence`, the interval holds the share `coverage` of
// the population at every x at once.
//
// half width = sqrt(s2) (sqrt(q F v) + z sqrt(df / chi)), with q = n - df
// the number of estimated parameters, v = x' Q x (var(x'b) = s2 v),
// F the upper (1 - confidence)/2 quantile of F(q, df), z the upper
// (1 - coverage)/2 normal quantile in single precision and chi the upper
// 1 - (1 - confidence)/2 quantile of chi-square(df).
#pragma once

#include <span>

#include "core/numeric/matrix.h"

// The half width. Without a residual degree of freedom (df < 1) or an
// estimated parameter (q < 1) the quantiles, and so the result, are NaN.
double ToleranceHalfWidth(double quadraticForm, double s2, int n, int df, double confidence, double coverage);

// The quantiles of the half width, worked out once for many points of the
// same fit; the half width from them has the same bits as the one above.
struct ToleranceQuantiles {
    int q = 0, df = 0;
    double f = 0.0, z = 0.0, chi = 0.0;
};
ToleranceQuantiles MakeToleranceQuantiles(int n, int df, double confidence, double coverage);
double ToleranceHalfWidth(const ToleranceQuantiles& t, double quadraticForm, double s2);

struct TolerancePrediction {
    double predicted = 0.0;
    double lower = 0.0;
    double upper = 0.0;
};

// Prediction at the p regressor values x (the constant term is added as
// x_p = 1) from p + 1 coefficients (constant last) and the (p + 1) x (p + 1)
// matrix Q. ERangeError when coef or Q are smaller than that.
TolerancePrediction PredictWithTolerance(std::span<const double> coef, const Matrix& q, std::span<const double> x,
                                         double s2, int n, int df, double confidence, double coverage);
