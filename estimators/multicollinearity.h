// Multicollinearity diagnostics of p regressors and a dependent variable,
// and what ridge regression does to them.
//
// Every column of the two data copies is scaled to unit length; B = Y'X and
// S = Y'Y (see mcl_data.h). From them: the eigen-analysis of the
// regressors' block M (variance inflation factors, eigenvalues, condition
// indices and variance proportions), the ridge fit at a constant k with its
// residuals, the automatic k of a grid search, and the standardised ridge
// coefficients over 30 fixed constants (the ridge table and trace).
//
// The automatic k uses C(k) = RSS(k)/s0^2 - n + 2 T(k): unlike the ridge
// estimator's criterion it has no part for the constant term, since the
// scaled columns have none.
#pragma once

#include <array>
#include <optional>
#include <string>
#include <vector>

#include "core/numeric/matrix.h"
#include "estimators/mcl_data.h"

// An eigenvalue of exactly 0 divides as this (2^-23).
inline constexpr double kMclZeroEigenvalue = 1.1920928955078125e-07;

struct MclEigenPage {
    enum class Status { kTooFewRegressors, kDone, kFailed };
    Status status = Status::kTooFewRegressors;
    // sqrt(lambda_1 / lambda_p); 0 with fewer than two regressors.
    double conditionNumber = 0.0;
    // p values each once done (p zero eigenvalues with fewer than two
    // regressors, nothing else).
    std::vector<double> eigenvalues, conditionIndex, vif;
    // proportion[j][k]: share of VIF_j that eigenvalue k makes.
    std::vector<std::vector<double>> proportion;
};

struct MclRidgeFit {
    double k = 0.0;
    int n = 0, p = 0;
    std::vector<double> coef, stdErr, vif;  // p values, standardised scale
    // The standard errors from s2 held at its floor: what t divides by.
    std::vector<double> heldStdErr;
    std::vector<double> observed, fitted, residual, leverage;  // n values
    double rss = 0.0, s2 = 0.0, r2 = 0.0, dw = 0.0, gk = 0.0, gkLevel = 0.0, gcv = 0.0;
    // s2, or its floor where s2 is a perfect fit's rounding.
    double s2Held = 0.0;

    int Df() const { return n - p; }
    // e_i / sqrt((1 - h_i) s2 held); nullopt where that is not a finite number.
    std::optional<double> StudentisedResidual(int i) const;
    std::vector<double> StudentisedResiduals() const;  // 0 where undefined
};

inline constexpr int kRidgeTableConstants = 30;

struct MclRidgeTable {
    double scale = 0.1;
    std::array<double, kRidgeTableConstants> k{};  // shown constants c_i / scale
    // coef[j][i]: regressor j at constant i.
    std::vector<std::array<double, kRidgeTableConstants>> coef;
    double yMin = 0.0, yMax = 0.0;
    double xMax = 0.0;  // 0.1 / scale
};

// The 30 constants before scaling: 0, 0.00005, 1..9 times 0.0001, 0.001
// and 0.01, then 0.1.
const std::array<double, kRidgeTableConstants>& RidgeTableConstants();

// The eigen page of the p x p block m. Status kFailed when the
// decomposition did not converge.
MclEigenPage MclEigenPageOf(const Matrix& m, int p);

class Multicollinearity {
public:
    // Scales the copies and forms B and S. Throws Exception when there is
    // no regressor left, too few observations (n <= p), a value that is not
    // a finite number, or a dependent variable that does not vary.
    explicit Multicollinearity(MclData data);

    int N() const { return n_; }
    int P() const { return p_; }
    int M() const { return p_ + 1; }
    bool Generalised() const { return generalised_; }
    const std::vector<std::string>& Names() const { return names_; }
    const std::vector<std::string>& LeftOut() const { return leftOut_; }
    const Matrix& X() const { return x_; }
    const Matrix& B() const { return b_; }
    const Matrix& S() const { return s_; }

    // VIF page; in the generalised form of M = (B^-1 S B^-1')^-1 over the
    // regressors' blocks (kFailed when B's block is singular).
    const MclEigenPage& EigenPage() const { return eigen_; }

    // The grid search's constant (never 0: a best of 0 becomes 2^-23).
    // nullopt when the eigenvalues of S's block cannot be had.
    std::optional<double> AutomaticK() const;
    // Ridge fit at k (any finite value). nullopt when the eigenvalues of
    // S's block cannot be had, B's block plus kI is singular or a result
    // is not a finite number.
    std::optional<MclRidgeFit> Fit(double k) const;

    // Standardised ridge coefficients at k: B plus k on the regressors'
    // diagonal, swept on them.
    std::vector<double> RidgeCoefficients(double k) const;
    // Diagonal of W = (B_p + kI)^-1 S_p ((B_p + kI)^-1)'; throws EZeroDivide
    // when B_p + kI is singular.
    std::vector<double> RidgeVif(double k) const;
    MclRidgeTable Table(double scale) const;
    // The regressor whose coefficient at k lies closest to value (the
    // lowest index of equally close ones).
    int NearestCurve(double k, double value) const;

private:
    Matrix VarianceFactor(double k) const;
    std::optional<std::vector<double>> SEigenvalues() const;

    int n_ = 0, p_ = 0;
    bool generalised_ = false;
    std::vector<std::string> names_, leftOut_;
    Matrix x_, b_, s_, gram_;  // gram_ = X'X, for the grid's residual sums
    MclEigenPage eigen_;
};
