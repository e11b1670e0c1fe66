// Recursive residuals of the current least-squares model: each
// observation's one-step prediction error from the fit on all earlier
// observations, divided by sqrt(1 + x'(X'X)^-1 x), so that under the model
// every value has the error variance. A drift away from zero shows where
// the coefficients change.
//
// The ordinary variant adds the observations one by one to a triangular
// factor by plane rotations (each step costs the square of the coefficient
// count, and the factor never forms X'X); the two-stage variant refits the
// first stage on the earlier observations at every step, from running
// centred moments.
//
// The series starts where the earlier observations determine every
// coefficient: with the first kx + 1 observations (ordinary) or as many as
// the exogenous variables and the constant (two-stage), later when those
// are collinear.
#pragma once

#include <optional>
#include <vector>

class Reg;

struct RecursiveResidualSeries {
    // Index of the first recursive residual.
    int t0 = 0;
    // count values; those before t0 are 0 and not part of the series.
    std::vector<double> w;
};

// Over the first count observations of the data set (clamped to the data
// set), two-stage when the model is. Nothing when no residual can be formed:
// too few observations, a two-stage equation that is not identified, or
// regressors that stay collinear. Raises EMathError for a value that is not
// a finite number.
std::optional<RecursiveResidualSeries> ComputeRecursiveResiduals(const Reg& reg, int count);
