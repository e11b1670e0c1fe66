// Maximum-likelihood fits of y = alpha + beta x under a limited dependent
// variable: the censored (at 0) and truncated (at 0) normal regression
// models and the probit model, each minimising its negative log-likelihood
// with the Nelder-Mead simplex from the current curve fit.
#pragma once

#include <string>

class TSRA;

enum class LimitedDependentModel { kCensored, kTruncated, kProbit };

class ThreadPool;

// Negative log-likelihoods at params = (alpha, beta, sigma); probit reads
// alpha and beta only. Sigma <= 0 (censored, truncated) or a term that is
// not finite gives kLimitedDependentPenalty, never NaN. The observations go
// in fixed chunks spread over the pool, summed in chunk order: the same
// bits on any number of threads.
inline constexpr double kLimitedDependentPenalty = 1e300;
double CensoredNegLogLikelihood(const double* params, const double* x, const double* y, int n,
                                ThreadPool* pool = nullptr);
double TruncatedNegLogLikelihood(const double* params, const double* x, const double* y, int n,
                                 ThreadPool* pool = nullptr);
double ProbitNegLogLikelihood(const double* params, const double* x, const double* y, int n,
                              ThreadPool* pool = nullptr);

struct LimitedDependentFit {
    double alpha = 0, beta = 0, sigma = 0;
    double minimum = 0;  // the negative log-likelihood at the estimate
    int iterations = 0;
};

// Minimises from (alpha, beta, sigma) in standard units (x about its mean
// over its spread; y over its spread for the censored and truncated
// models), with steps 0.01, 0.01, 0.1 and tolerances 1e-5 there (two
// parameters for probit, sigma then stays as given): the same search for
// data in any units. The simplex is started again from its answer until a
// run no longer moves it; Newton's steps then go on from there to the
// maximum (limited_dependent_newton.h). The estimate and its minimum are
// given in the data's own units. Raises Exception "FAILURE" when a run does not converge within
// the iteration limit, or when the data leave no finite likelihood; and,
// with the reason on a second line, before any search for data whose
// likelihood has no maximum (too few observations, one value of x, every
// value at or below 0 for the censored and truncated models, one value of
// y or y separated by x for probit), and after a search that drove sigma
// toward 0 or a coefficient beyond any finite scale.
LimitedDependentFit FitLimitedDependent(LimitedDependentModel model, const double* x, const double* y, int n,
                                        double alpha, double beta, double sigma, ThreadPool* pool = nullptr);
// The same from the fitter's raw data, starting at its intercept, its first
// slope and the square root of its s2.
LimitedDependentFit FitLimitedDependent(LimitedDependentModel model, const TSRA& fit);

// The message that reports an estimate: the model's title and the
// estimates ("%10.4f", or "%10.4e" below 1e-4 so that small units keep
// their digits), or "FAILURE" when sigma is not above 0.
std::string LimitedDependentMessage(LimitedDependentModel model, const LimitedDependentFit& fit);
