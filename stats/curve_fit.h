// TSRA: fits one of thirteen two-variable curves y = f(x) by least squares
// on transformed variables (types and transforms in curve_types.h) and keeps
// the fit statistics, the per-point diagnostics of the X-Y graph and a
// prediction band for a new x.
//
// Coefficients are ordered slopes first (lowest power first), intercept
// last. Each family checks that its transforms are defined and finite for
// every point (x > 0 for ln x and Box-Cox of x, y > 0 for those of y, no zero
// for a reciprocal); when they are not, when the points are too few for the
// family or when its regressors are singular, the straight line is fitted
// instead, so callers read Type() after a fit.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "core/model/centred_fit_rows.h"
#include "core/numeric/box_cox_units.h"
#include "core/numeric/matrix.h"
#include "core/numeric/precise_moments.h"
#include "stats/curve_types.h"

class ThreadPool;

class TSRA {
public:
    // The arrays stay the caller's and must outlive the object. Fewer than
    // three points raise Exception "自由度不足". Pearson's r of the raw data
    // is formed here; Spearman's rho and Kendall's tau (two sorts of the
    // whole data) on their first read, from the arrays as given here.
    TSRA(std::string xName, const double* x, std::string yName, const double* y, int n,
         ThreadPool* pool = nullptr);

    // Fits curve type 0..12 (another number raises ERangeError). False
    // when not even the straight line can be fitted (values that are not
    // finite, a constant x); the results are then cleared.
    [[nodiscard]] bool FitCurve(int type);
    // Exchanges the roles of x and y (data, names) and refits the current
    // type.
    [[nodiscard]] bool SwapXY();
    // Box-Cox lambda of the transformed variables by profile likelihood
    // (mode 0 y, 1 x, 2 both). False, lambda unchanged, when the data do not
    // allow the transform.
    [[nodiscard]] bool EstimateBoxCoxLambda(int mode);
    // Prediction at x0 with the tolerance band for the given confidence and
    // coverage (fractions), all back in the scale of y. For types 7 and 9
    // the band comes back reversed (upper below lower). An x0 outside the
    // family's transform, or a band that is not finite, raises EMathError.
    double PredictInterval(double* upper, double* lower, double x0, double confidence, double coverage) const;

    bool Fitted() const { return fitted_; }
    // The pool the fitter was given (null: the calling thread).
    ThreadPool* Pool() const { return pool_; }
    int Type() const { return type_; }
    int N() const { return n_; }
    int ParamCount() const { return p_; }
    int Df() const { return df_; }
    double Lambda() const { return lambda_; }
    const std::string& XLabel() const { return xLabel_; }
    const std::string& YLabel() const { return yLabel_; }
    const std::string& XName() const { return xName_; }
    const std::string& YName() const { return yName_; }

    double Pearson() const { return r_; }
    // Not safe to call from two threads at once before the first read.
    double Spearman() const {
        FormRankCorrelations();
        return rho_;
    }
    double Kendall() const {
        FormRankCorrelations();
        return tau_;
    }
    // Sums of squares and variances in the units of the (transformed)
    // response.
    double SSE() const { return YScale2() * sse_; }
    double Syy() const { return YScale2() * syy_; }
    double S2() const { return YScale2() * s2_; }
    double VarY() const { return YScale2() * varY_; }
    double R2() const { return r2_; }
    double AdjR2() const { return adjR2_; }
    double Press() const { return YScale2() * press_; }

    // j = 0 .. ParamCount() - 1 (checked).
    double GetCoef(int j) const;
    double GetCoefSE(int j) const;
    // Per point, i = 0 .. N() - 1 (checked). Fitted values and residuals are
    // in the transformed scale of the response.
    double GetResidual(int i) const { return mapY_.gain * residual_.at(Index(i)); }
    double GetLeverage(int i) const { return leverage_.at(Index(i)); }
    double GetFitted(int i) const { return mapY_.gain * fitted_values_.at(Index(i)) + mapY_.offset; }
    // The leave-one-out columns need two residual degrees of freedom; with
    // one they are not available and read 0 (windows show "-").
    bool HasLeaveOneOut() const { return fitted_ && df_ >= 2; }
    double GetResidualSE(int i) const { return mapY_.gain * residualSE_.at(Index(i)); }
    double GetStudentized(int i) const { return studentized_.at(Index(i)); }
    double GetWelsch(int i) const { return welsch_.at(Index(i)); }
    double GetCovRatio(int i) const { return covratio_.at(Index(i)); }
    // Change of coefficient j (same order as GetCoef) when point i is left
    // out: b - b(i).
    double GetDfbeta(int i, int j) const;
    // Design row i: the regressors, the response, 1.0 (ParamCount() + 1
    // columns).
    double GetDesign(int i, int j) const;
    // The moment matrix of (regressors, response, constant) swept on the
    // constant and the regressors.
    double GetMoment(int i, int j) const;
    double GetX(int i) const { return x_[Index(i)]; }
    double GetY(int i) const { return y_[Index(i)]; }
    // The number a point goes by: its observation number when the caller
    // gave them (the points of observations without a value left out),
    // else i + 1. numbers holds N() entries, or none.
    void SetPointNumbers(std::vector<int> numbers);
    int PointNumber(int i) const { return numbers_.empty() ? i + 1 : numbers_[Index(i)]; }

    double GetDurbinWatson() const;
    // n r^2 of the fitted values against the squared residuals.
    double GetHeteroskedasticity() const;

    // Parameter count of a family (2 .. 5).
    static int ParamCountOf(int type);

private:
    std::size_t Index(int i) const;
    void Clear();
    // One attempt at a family; false when it cannot be fitted to the data.
    bool TryFit(int type);
    bool BuildDesign(int type);
    // The units and maps of a family's transforms (identity but for Box-Cox).
    void SetUnits(int type);
    void SetLabels();
    void FillPointDiagnostics();
    void FormRankCorrelations() const;
    // Fitted values and leverages from the swept moments, in centred form.
    CentredFitRows FitRows() const;
    // Element of the swept moments in the data's own units.
    long double OwnMoment(int i, int j) const;
    double YScale2() const { return mapY_.gain * mapY_.gain; }
    bool UnitsMapped() const {
        return !(mapX_.gain == 1.0 && mapX_.offset == 0.0 && mapY_.gain == 1.0 && mapY_.offset == 0.0);
    }

    // A Box-Cox family is fitted in units where the values are near 1
    // (box_cox_units.h): the design, the moments and the per-point arrays
    // below hold the fit in those units, and what depends on them is read
    // through these maps, own = gain * fitted units + offset (the identity
    // for the other families). Every figure without units is the same.
    struct UnitMap {
        double gain = 1.0, offset = 0.0;
    };
    BoxCoxUnits unitsX_, unitsY_;
    UnitMap mapX_, mapY_;

    std::string xName_, yName_, xLabel_, yLabel_;
    const double* x_;
    const double* y_;
    int n_;
    ThreadPool* pool_;
    int type_ = 0, p_ = 2, df_ = 0;
    bool fitted_ = false;
    const double* rankX_;  // x and y as constructed (SwapXY leaves these)
    const double* rankY_;
    double r_ = 0;
    mutable double rho_ = 0, tau_ = 0;
    mutable bool ranksFormed_ = false;
    double lambda_ = 1.0;
    double sse_ = 0, syy_ = 0, s2_ = 0, varY_ = 0, r2_ = 0, adjR2_ = 0, press_ = 0;
    std::vector<double> coef_, se_;
    std::vector<double> residual_, leverage_, fitted_values_, residualSE_, studentized_, welsch_, covratio_;
    std::vector<double> dfbeta_;   // n x p, coefficient order
    std::vector<int> numbers_;     // of the points; empty: 1 .. n
    Matrix design_;                // n x (p + 1)
    LongMatrix moments_;           // (p + 1) x (p + 1), swept on the regressors
    LongMatrix unswept_;           // the same before the sweeps, means in row p
    bool precise_ = false;         // swept in double-double
    PreciseMatrix preciseUnswept_;  // the moments then, unswept
};
