// Newton's method for the limited-dependent-variable fits of the X-Y graph,
// from where the simplex stopped, whose tolerance of 1e-5 leaves the last
// digits open. Newton's steps in Olsen's parameters (the coefficients over
// sigma, and 1 / sigma), where the censored, truncated and probit
// log-likelihoods are concave, reach the maximum itself.
//
// x is shifted near its mean for the steps, so that the intercept and the
// slope are not a small difference of large terms.
#pragma once

#include "stats/limited_dependent.h"

class ThreadPool;

// point = (alpha, beta, sigma) on entry (probit reads alpha and beta) and,
// when it returns true, at the maximum; false leaves it as it was: a step
// that fails (second derivatives that are singular or give no descent, no
// convergence within the step limit). A step is taken only where the
// likelihood does not fall.
bool PolishLimitedDependent(LimitedDependentModel model, const double* x, const double* y, int n, double* point,
                            ThreadPool* pool);
