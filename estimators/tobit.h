// Tobit: least squares for a dependent variable censored at zero from
// below, y = max(0, x'b + sigma e) with standard normal e, fitted by
// maximum likelihood from the least-squares fit: Newton's method, or the
// downhill simplex where Newton's steps fail.
// Standard errors come from Amemiya's information matrix of (b, sigma^2)
// at the estimate. Where the regression fits the data exactly, sigma is
// held at the root of var(y) x 2^-23, as the least-squares fits hold s^2.
//
// The data block holds n rows of m regressors in coefficient order (the
// constant term's column of 1.0 last) and the dependent in column m. An
// observation with y <= 0 counts as censored at its own value.
//
// Failures raise the error families of platform/errors.h: "FAILURE" when
// neither method converges (the simplex within ten runs of its iteration
// limit) or the simplex ends at sigma <= 0, or when no observation is
// positive; "INVERSE ERROR!"
// for a singular information matrix, and a message for data that are not
// finite numbers.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "core/numeric/censored_normal.h"
#include "core/numeric/matrix.h"

class Reg;
class ThreadPool;

struct TobitProblem {
    Matrix data;                      // n x (m + 1)
    std::vector<std::string> names;   // m coefficient names, "定数項" last
    std::string depName;
    std::vector<double> startCoef;    // m least-squares coefficients
    double startSigma = 0.0;
};

struct TobitResult {
    std::vector<double> coef;      // m
    double sigma = 0.0;
    // Diagonal of the inverted information matrix: m coefficient
    // variances, then the variance of the sigma^2 estimate.
    std::vector<double> variance;
    std::vector<double> index;     // n: x_i'b
    int positiveCount = 0;         // observations with y > 0
    int iterations = 0;            // of the minimiser
    int evaluations = 0;           // passes for the likelihood (Newton: and its derivatives)
    double negLogLikelihood = 0.0;

    // Empty when the variance is not positive (an information matrix that
    // is not positive definite): there is no standard error to show.
    std::optional<double> StdError(int j) const;
    // Standard error of sigma, sqrt(var sigma^2) / (2 sigma).
    std::optional<double> SigmaStdError() const;
};

// The explanatory variables of the model in ascending order, then the
// constant term; the design values, the least-squares start and sqrt(s^2).
[[nodiscard]] TobitProblem MakeTobitProblem(const Reg& reg);

// Amemiya's information matrix of (b, sigma^2), p x p with p = m + 1, not
// inverted.
[[nodiscard]] Matrix TobitInformation(const Matrix& data, const std::vector<double>& coef, double sigma,
                                      ThreadPool* pool = nullptr);

[[nodiscard]] TobitResult TobitEstimate(const TobitProblem& problem, ThreadPool* pool = nullptr);

// The fallback search on its own: the downhill simplex from theta = (b,
// sigma), its steps and tolerances in the data's units (sd(y) for sigma,
// sd(y) / rms(x_j) for b_j), then Newton steps on differences of the
// gradient. Counts its work and leaves the likelihood in r; "FAILURE" as
// TobitEstimate.
[[nodiscard]] std::vector<double> TobitSimplexMaximum(const Matrix& data, std::vector<double> theta, ThreadPool* pool,
                                                      TobitResult& r);
