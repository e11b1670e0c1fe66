// White's heteroskedasticity-consistent covariance of the model's current
// coefficients, (X'X)^-1 (sum e_i^2 x_i x_i') (X'X)^-1 without a small-sample
// factor, in the order of the coefficient tables: the explanatory variables
// in ascending index order, then the constant term.
//
// The observations are taken centred on the design means, so the sum needs
// no cancellation of raw cross-products; it is formed in double over fixed
// chunks of rows (spread over the model's worker pool when it has one) and
// the chunk sums added in chunk order in long double, so the result does
// not depend on the number of threads.
#pragma once

#include "core/numeric/matrix.h"

class Reg;

// (kx + 1) x (kx + 1). Raises EMathError when the model holds no fit for
// its present shape, EOutOfMemory when memory runs out.
Matrix ComputeWhiteCovariance(const Reg& reg);
