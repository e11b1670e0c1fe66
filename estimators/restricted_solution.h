// The restricted fit's solution, shared by the two files of Restricted.
#pragma once

#include <vector>

#include "estimators/restricted.h"
#include "estimators/restricted_algebra.h"

// Parameters of the centred model: the k - 1 slopes, then the fitted value
// at the means of the regressors (gamma). The coefficients put the
// constant term last as usual.
struct Restricted::Solution {
    bool ok = false;
    std::vector<DoubleDouble> gamma, coef;
    DDMatrix centredCov, cov;  // unscaled: A (X'X)^-1 in either parametrisation
    double traceA = 0.0;
    DoubleDouble sseIncrease;  // SSE - SSE_u = d' (R (X'X)^-1 R')^-1 d
};
