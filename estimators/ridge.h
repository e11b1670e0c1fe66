// Ridge regression on a block of data: regressors, one dependent variable
// and a constant term.
//
// The regressors are standardised to unit length (centred, divided by the
// square root of their sum of squared deviations), so the ridge constant k
// is added to the diagonal of their correlation matrix R. Calculate chooses
// k by the grid search of ridge_grid.h and fits there; Estimate fits at any
// k. Coefficients and standard errors are on the scale of the data; the
// constant term sits at index p + 1 (index p is the dependent's place and
// holds nothing).
//
// The constant term is ybar - xbar'b, so its standard error is
// sqrt(s2 / n + xbar' Cov(b) xbar) with Cov(b) the covariance of the slopes
// whose diagonal the standard errors show.
//
// Conventions of this estimator, kept on purpose: the leverage of an
// observation is its variance factor u' V R V u + n / (n + k)^2; the
// criterion's penalty term is 2n / (n + k) and GCV = RSS / (n - n / (n +
// k) - T(k))^2.
//
// Per-observation rows (column i = observation i) live in a temporary file:
// 0 observed, 1 fitted, 2 residual, 3 squared residual / RSS, 4 leverage,
// 5 studentised residual e / sqrt((1 - h) s2), no number at a leverage of 1.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "core/io/file_matrix.h"
#include "core/numeric/matrix.h"

class EngineContext;
class Reg;

// Use flags for the model constructor. The design builder reads them
// against its own block: every variable of the data set without a group
// mask, the group's block with one. RidgeModelUseFlags sets the model's
// variables (explanatory and dependent) over every variable of the data
// set; RidgeUseFlags sets those named in used over the block of groupMask.
std::vector<std::uint8_t> RidgeModelUseFlags(const Reg& model);
std::vector<std::uint8_t> RidgeUseFlags(const Reg& model, std::uint16_t groupMask,
                                        const std::vector<std::string>& used);

class Ridge {
public:
    // How the residual sum of squares of each grid point is formed: from the
    // cross-product matrix (fast) or by a pass over the observations.
    enum class GridRss { kCrossProducts, kObservations };

    static constexpr int kResultRows = 6;

    // The model's observations in the groups of groupMask (0: all) and the
    // variables whose useFlags byte is set (see RidgeUseFlags), with
    // dependentName as the dependent; first-stage values for endogenous
    // regressors when the model is in two-stage mode. Throws Exception
    // "DERR" for an empty block.
    Ridge(const Reg& model, std::uint16_t groupMask, const std::vector<std::uint8_t>& useFlags,
          const std::string& dependentName);
    // The selected columns of a table, dependentColumn (which must be one of
    // them, else ERangeError) as the dependent.
    Ridge(const TNamedData& table, int dependentColumn);
    Ridge(const Ridge&) = delete;
    Ridge& operator=(const Ridge&) = delete;
    ~Ridge();

    // Chooses k automatically and fits there, with the progress window.
    // False, with nothing new stored, when there is no regressor, no
    // residual degree of freedom, a perfect or undefined least-squares fit
    // (a regressor that repeats the others, identical regressors included),
    // a failed eigen-decomposition or any error on the way. The fit at the
    // chosen k may be refused as Estimate refuses it.
    bool Calculate(GridRss form = GridRss::kCrossProducts);
    // Fits at k (any finite value; a singular R + kI fails). False, with
    // nothing new stored, as Calculate. A fit with a coefficient, standard
    // error or variance factor that is no finite number raises EMathError
    // naming the first such variable (NonFiniteCoefficientMessage), one
    // with s2, R2, DW, GK or GCV none "数値になりません"; nothing new is
    // stored. A standard error of -1 is no refusal.
    bool Estimate(double k);

    // The residual sum of squares of the ridge fit at k in either form (the
    // cross-products are built when needed). NaN when there is no regressor
    // or the block is unusable.
    double GridResidualSumOfSquares(double k, GridRss form);

    // Index errors raise ERangeError.
    double GetCoef(int i) const;
    // From s2 as formed (a perfect fit's are rounding); -1 where the
    // variance factor is negative.
    double GetStdErr(int i) const;
    // From s2 held at its floor: what a t value and its mark divide by.
    double GetHeldStdErr(int i) const;
    double GetVIF(int i) const;
    double GetData(int row, int col) const { return design_.At(row, col); }
    std::string GetName(int i) const;
    double GetResult(int row, int col) const;
    // The whole row (n values) into buf.
    void ReadResultRow(int row, double* buf) const;
    // Index of the first of names 0 .. p (regressors, dependent) equal to
    // name, else -1; never the constant term.
    int IndexOfName(const std::string& name) const;
    // coef[p+1] + sum of coef[j] x[j] over the p regressors (data scale).
    double Predict(const double* x) const;

    int N() const { return n_; }
    int P() const { return p_; }
    int Cols() const { return cols_; }
    int ConstIndex() const { return constIndex_; }
    int Df() const { return df_; }
    double K() const { return k_; }
    double R2() const { return r2_; }
    double S2() const { return s2_; }
    double DW() const { return dw_; }
    double GK() const { return gk_; }
    double Gcv() const { return gcv_; }
    double Syy() const { return syy_; }
    double Mean(int j) const;
    double RootSS(int j) const;
    // Variance factor matrix of the last fit, (p + 2) x (p + 2), as the
    // leverages use it: B in the leading block, n / (n + k)^2 at the
    // constant term (not the factor of its standard error).
    const Matrix& CovFactor() const { return covFactor_; }
    // Eigenvalues of R (decreasing), once the cross-products are built.
    const std::vector<double>& Eigenvalues() const { return eigenvalues_; }
    // Criterion value at the chosen k and the points of the last search.
    double Criterion() const { return criterion_; }
    int GridPoints() const { return gridPoints_; }

private:
    void Setup(EngineContext& context);
    // Centred cross-products of the standardised block and the eigenvalues
    // of R; false when they cannot be had.
    bool EnsureCrossProducts();
    // Whether the least-squares fit at k = 0 is unique: every pivot of R
    // swept in turn stays above rounding noise.
    bool LeastSquaresDefined() const;
    // Ridge coefficients of the standardised regressors at k (p values).
    std::vector<double> StandardisedCoefficients(double k) const;
    double CrossProductRss(double k) const;
    double ObservationRss(double k) const;
    bool Usable() const { return p_ > 0 && df_ > 0; }
    // Variance factor of the constant term (times s2 its variance) from
    // the slopes' factor B = V R V of the standardised regressors.
    double ConstantVarianceFactor(const Matrix& slopeFactor) const;

    std::vector<double> coef_, stdErr_, heldStdErr_, vif_, mean_, rootSS_;
    Matrix covFactor_;
    Matrix design_;
    // (p + 1) x (p + 1): R, then Z'y (centred) in column p, Syy in the corner.
    Matrix cross_;
    bool crossReady_ = false;
    double yMean_ = 0.0;
    std::vector<double> eigenvalues_;
    int n_ = 0, p_ = 0, cols_ = 0, constIndex_ = 0, df_ = 0;
    double r2_ = 0.0, s2_ = 0.0, dw_ = 0.0, gk_ = 0.0, syy_ = 0.0, k_ = 0.0, gcv_ = 0.0;
    double criterion_ = 0.0;
    int gridPoints_ = 0;
    std::vector<std::string> names_;
    std::unique_ptr<TFileMatrix> results_;
    EngineContext* context_ = nullptr;
};
