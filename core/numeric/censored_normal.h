// The normal regression censored at zero from below (Tobit's model, and the
// censored fit of the X-Y graph): its negative log-likelihood, and Newton's
// method for its maximum in Olsen's parameters (b / sigma, 1 / sigma), where
// the log-likelihood is concave: from the least-squares start it reaches
// the maximum in a few passes over the observations, with the gradient and
// the second derivatives formed in one pass each.
//
// The data hold n rows of m regressors and the dependent in column m; an
// observation with y <= 0 counts as censored at its own value.
#pragma once

#include <vector>

#include "core/numeric/matrix.h"

class ThreadPool;

// Negative log-likelihood at theta = (b_0 .. b_{m-1}, sigma); +infinity for
// sigma <= 0 or a non-finite theta, so a minimiser never compares a NaN.
// One pass over the rows, on the pool when one is given (the sum is the
// same on any number of threads).
[[nodiscard]] double TobitLogLikelihood(const Matrix& data, const double* theta, ThreadPool* pool = nullptr);

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
[[nodiscard]] bool TobitNewton(const Matrix& data, std::vector<double>& theta, double& value, ThreadPool* pool,
                 TobitNewtonRun& run);

// The maximum over b alone, sigma = theta[m] held: on entry theta's b is the
// start, and when it returns true it is the maximum at that sigma, with
// value the negative log-likelihood there; false as TobitNewton. At a fixed
// sigma the log-likelihood is concave in b, so Newton's method finds the
// one maximum.
[[nodiscard]] bool TobitNewtonAtSigma(const Matrix& data, std::vector<double>& theta, double& value,
                                      ThreadPool* pool, TobitNewtonRun& run);

// The data into centred with the regressors but the constant term (a
// column of 1.0, the last such) shifted near their means, as the moment
// method shifts them: the same
// likelihood in the parameters (b, b_c + shift'b), whose sums need no
// cancellation of large terms. Without a constant term nothing is shifted.
struct RegressorShift {
    std::vector<double> shift;  // per regressor; 0 for the constant term's
    int constant = -1;          // -1: no constant term, nothing shifted
};
RegressorShift CentredCopy(const Matrix& data, Matrix& centred, ThreadPool* pool = nullptr);
// Coefficients (b_0 .. b_{m-1}) into the shifted parameters and back.
void ShiftCoefficients(const RegressorShift& s, double* coef);
void UnshiftCoefficients(const RegressorShift& s, double* coef);
