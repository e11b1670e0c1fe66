// The Yule-Walker fit of an autoregressive model of order q to a centred
// series: coefficients from the sample autocorrelations, the innovation
// variance, the coefficients' variances and the factor that whitens the
// first q values. The weighted regression's AR errors and the Yule-Walker
// transformation share it.
#pragma once

#include <string>
#include <vector>

#include "core/numeric/matrix.h"
#include "core/report/result_table.h"

struct YuleWalkerFit {
    std::vector<double> phi;       // q coefficients, lag 1 first
    std::vector<double> variance;  // sigma2 (Gamma^-1)_ii
    double sigma2 = 0.0;           // the innovation variance
    Matrix transform;              // q x q lower triangular L, L Gamma L' = sigma2 I
};

// Lower-triangular L with L'L = a (n x n): the Cholesky factor of a with
// rows and columns taken in reverse order. EZeroDivide when a is not
// positive definite.
Matrix ReverseCholesky(const Matrix& a, int n);

// x: n centred values, 1 <= q < n. False (fit unspecified) when the series
// has no variance, a Toeplitz matrix is singular or not positive definite,
// or the innovation variance or a coefficient is not a positive finite
// number.
[[nodiscard]] bool FitYuleWalker(const double* x, int n, int q, YuleWalkerFit& fit);

// The series prewhitened by the fit: the first q values through L, the
// others the one-step prediction errors.
std::vector<double> WhitenedSeries(const double* x, int n, const YuleWalkerFit& fit);

// A series and its AR fit at the order the user chose: the Yule-Walker
// transformation's state. A new order is computed aside and taken only when
// it succeeds.
class YuleWalkerSeries {
public:
    // False when the series is too short for order 1 (n - 4 < 1), holds a
    // value that is not finite, or the fit fails.
    [[nodiscard]] bool SetData(const std::vector<double>& values, int order);
    // Orders below 1 are refused; above n - 4 lowered to it. False (state
    // unchanged) when refused or when the fit fails.
    [[nodiscard]] bool SetOrder(int order);

    int Count() const { return static_cast<int>(centred_.size()); }
    int Order() const { return static_cast<int>(fit_.phi.size()); }
    double Mean() const { return mean_; }
    const YuleWalkerFit& Fit() const { return fit_; }
    const std::vector<double>& Whitened() const { return whitened_; }
    // "->YW(mean;phi1,phi2,...)", the note a transformed variable keeps.
    std::string CommentText() const;

private:
    void Take(YuleWalkerFit& fit);

    std::vector<double> centred_, whitened_;
    double mean_ = 0.0;
    YuleWalkerFit fit_;
};

// Lag, estimate, variance ("* " when the 95 % interval contains 0), lower
// and upper bound of phi +- 1.96 sqrt(variance / n).
ResultTable YuleWalkerTable(const YuleWalkerSeries& s);
