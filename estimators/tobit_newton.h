// Newton's method for the Tobit maximum in Olsen's parameters (b / sigma,
// 1 / sigma), where the log-likelihood is concave: from the least-squares
// start it reaches the maximum in a few passes over the observations, with
// the gradient and the second derivatives formed in one pass each.
#pragma once

#include <vector>

#include "core/numeric/matrix.h"

class ThreadPool;

struct TobitNewtonRun {
    int iterations = 0;
    int passes = 0;  // over the observations: likelihood and derivatives
};

// theta = (b_0 .. b_{m-1}, sigma) on entry and, when it returns true, at the
// maximum, with value the negative log-likelihood there. False (theta and
// value then as on entry) when a step fails: second derivatives that are
// singular or give no descent, or no convergence within the step limit.
// The sums are formed in fixed blocks, so the result is the same on any
// number of threads.
bool TobitNewton(const Matrix& data, std::vector<double>& theta, double& value, ThreadPool* pool,
                 TobitNewtonRun& run);
