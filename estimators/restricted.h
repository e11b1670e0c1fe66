// Least squares under m linear restrictions R b = r on the k coefficients
// (the constant term last), with the F test of the restrictions.
//
// The data come from the model's design-matrix builder (first-stage values
// for endogenous regressors in two-stage mode) and are kept, so later edits
// of the data set do not reach the estimator. The fit works on centred
// moments, as the least-squares model does: the regressors' deviation
// cross-products are swept once in long double, and again in double-double
// arithmetic when the conditioning would cost digits (a pivot that lost
// more than seven of them also shows "桁落ちが存在します。"). The
// restriction algebra is k x k in double-double on the centred
// parameters (slopes and the fitted mean), so the constant term keeps its
// digits however far the data lie from the origin.
//
// The restricted fit's own degrees of freedom are n - trace(A) = n - k + m
// (its s2 and covariance use them). The test of the restrictions is the
// usual F = ((SSE - SSE_u) / m) / (SSE_u / (n - k)), referred to F(m, n - k):
// the unrestricted RSS has n - k degrees of freedom, whatever the
// restrictions. The "leverage" of an observation is x' A (X'X)^-1 x.
//
// A perfect fit: a residual variance at most 2^-52 of var(y) is rounding.
// The F divides by SSE_u / (n - k) held at the floor var(y) x 2^-23, and a
// restricted fit that is itself perfect adds nothing to SSE (F = 0); F is
// never below 0. The restricted fit's DW and GK then read as for residuals
// of 0, and what divides by its s2 takes the held one (HeldS2). s2, SSE,
// the covariance and a prediction's interval are kept as formed.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "core/numeric/double_double.h"
#include "core/numeric/matrix.h"
#include "estimators/prediction.h"

class EngineContext;
class Reg;

class Restricted {
public:
    // Starts with one restriction: the first coefficient equals its
    // unrestricted estimate. Throws Exception "DERR" for an empty block,
    // Exception "自由度不足" when there are not more observations than
    // coefficients, Exception naming the value for data that are not finite
    // numbers, and EZeroDivide "INVERSE ERROR!" when X'X is singular.
    Restricted(const Reg& reg, std::uint16_t groupMask, const std::vector<std::uint8_t>& varFlags,
               const std::string& depName);

    // The restricted fit for the current R and r. False, keeping the last
    // result, when there is no restriction, more restrictions than
    // coefficients, linearly dependent restrictions or any error on the way;
    // running out of memory also shows the fatal memory box. Restriction
    // coefficients or values that are not finite numbers raise Exception,
    // the last result kept.
    bool Estimate();
    // A new restriction row of zeros with value 0.
    void AddRestriction();
    // Removes restriction j; any other j does nothing.
    void DeleteRestriction(int j);

    // Element access; indices outside raise ERangeError.
    double GetCoefficient(int i) const;
    double GetUnrestrictedCoefficient(int i) const;
    double GetCovariance(int i, int j) const { return cov_.At(i, j); }
    void SetRestrictionValue(int j, double v);
    double GetRestrictionValue(int j) const;
    void SetRestrictionCoefficient(int j, int i, double v) { rMatrix_.At(j, i) = v; }
    double GetRestrictionCoefficient(int j, int i) const { return rMatrix_.At(j, i); }
    double GetResidual(int i) const;
    double GetLeverage(int i) const;
    double GetFitted(int i) const;
    double GetY(int i) const;
    double GetX(int i, int j) const;
    std::string GetName(int i) const;
    // First i < k whose name equals name exactly, else -1.
    int IndexOfName(const std::string& name) const;
    // The degrees of freedom truncated toward zero.
    int GetDegreesOfFreedom() const;
    // Denominator degrees of freedom of the F test: those of the
    // unrestricted fit, n - k.
    int GetTestDegreesOfFreedom() const { return n_ - k_; }

    int N() const { return n_; }
    int K() const { return k_; }
    int M() const { return m_; }
    double R2() const { return r2_; }
    double AdjR2() const { return adjR2_; }
    double SSE() const { return sse_; }
    double S2() const { return s2_; }
    double F() const { return f_; }
    double Df() const { return df_; }
    double GK() const { return gk_; }
    double DW() const { return dw_; }
    double VarY() const { return varY_; }
    // The least residual variance that counts as a spread, var(y) x 2^-23.
    double VarianceFloor() const;
    // s2, or the floor where s2 is a perfect fit's rounding: what a figure
    // dividing by the residual variance takes.
    double HeldS2() const;
    const std::string& DepName() const { return depName_; }
    // Whether construction found a loss of digits (and warned once).
    bool LostDigits() const { return lostDigits_; }
    // Covariance of the restricted estimate, k x k.
    const Matrix& Covariance() const { return cov_; }
    // The last fit for a prediction: the k estimates, the explanatory
    // names, Cov / s2, s2, n, k - 1 and the integer degrees of freedom. On
    // a perfect fit, Cov / s2 is the unscaled covariance (A (X'X)^-1).
    PredictionModel ForPrediction() const;

private:
    struct Solution;
    // The restricted estimate, its unscaled covariance (on the centred
    // parameters and on the coefficients), trace(A) and SSE - SSE_u.
    Solution Solve() const;
    // Fitted values, residuals and leverages; returns the residual sum of
    // squares. Chunks of fixed size, summed in order: the same bits on any
    // number of threads.
    long double ObservationPass(const Solution& s, std::vector<double>& fitted, std::vector<double>& resid,
                                std::vector<double>& lever) const;
    long double DoubleObservationPass(const Solution& s, std::vector<double>& fitted, std::vector<double>& resid,
                                      std::vector<double>& lever) const;
    void CheckData() const;
    void SweepMoments(EngineContext& context);
    bool RestrictionsIndependent() const;

    // Observations in rows: the k - 1 regressors, the dependent, then 1.0.
    Matrix data_;
    Matrix cov_, rMatrix_;
    // A (X'X)^-1: the covariance before it is scaled by s2.
    Matrix unscaledCov_;
    // The unrestricted fit on centred data: the inverse of the regressors'
    // deviation cross-products (row-major, (k-1) x (k-1)), the slopes, the
    // means of the regressors and of y, and the residual sum of squares.
    std::vector<DoubleDouble> sInverse_, slopes_, means_;
    DoubleDouble yMean_, sseU_;
    std::vector<double> r_, bRestricted_, bOLS_, residuals_, leverage_, fitted_;
    int n_ = 0, k_ = 0, m_ = 0;
    double r2_ = 0.0, adjR2_ = 0.0, sse_ = 0.0, s2_ = 0.0, syy_ = 0.0, varY_ = 0.0, f_ = 0.0, df_ = 0.0;
    double gk_ = 0.0, dw_ = 0.0;
    bool lostDigits_ = false;
    // Well-conditioned data: the pass over the observations in double.
    bool doublePass_ = false;
    std::vector<std::string> names_;
    std::string depName_;
    EngineContext* context_ = nullptr;
};
