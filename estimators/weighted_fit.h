// WLSE: weighted, robust (iteratively reweighted) and AR-error regression
// on one block of data.
//
// The block holds p regressors (the constant term among them) and one
// dependent variable, k = p + 1 rows of n observations, bound from the
// least-squares model, an instrumental-variable model or a named data
// table. Estimate() fits with the current weights (or a robust weight
// function, or an AR(q) error filter) and fills the coefficients, standard
// errors, summary statistics, the transformed data and the per-observation
// table of p + 16 rows (both kept in memory; the table goes to a temporary
// file when its memory cannot be had, and both do when the context asks
// for files).
//
// In two-stage mode the moments are Z'WX with Z the instrumented
// regressors, and residuals are taken against the untransformed ones.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "core/io/file_matrix.h"
#include "core/numeric/matrix.h"
#include "core/numeric/weighted_moments.h"
#include "estimators/weighted_fit_store.h"

class EngineContext;
class Reg;
class RegIV;

class WLSE {
public:
    // Rows of the per-observation table; coefficient j's change is row
    // kRowCoefChange + j.
    enum ResultRow {
        kRowObserved = 0,
        kRowFitted = 1,
        kRowResidual = 2,
        kRowErrorPercent = 3,
        kRowTransformedFitted = 4,
        kRowTransformedResidual = 5,
        kRowPress = 6,
        kRowStandardized = 7,
        kRowStudentized = 8,
        kRowResidualShare = 9,
        kRowTwoStageA = 10,
        kRowTwoStageB = 11,
        kRowLeverage = 12,
        kRowDeletedVariance = 13,
        kRowWelsch = 14,
        kRowCovRatio = 15,
        kRowCoefChange = 16,
    };
    // Estimate() modes: 0..100 weight kinds, above 100 AR errors of order
    // mode - 100.
    static constexpr int kModeAROffset = 100;
    // Passes of an iterative procedure before it stops unconverged.
    static constexpr int kPassLimit = 1000;
    // Observations of the two-stage table between two steps of the
    // countdown its progress caption shows (whole blocks of the passes).
    static constexpr int kCountdownRows = 16384;

    // The model's variables in the observations of the groups in mask (0:
    // all), the variable named dependentName as the dependent one ("DERR"
    // when the block has no such variable). A two-stage model fits on
    // first-stage values; with its residual mode on, residuals are taken
    // against the observed regressors.
    WLSE(const Reg& model, std::uint16_t groupMask, const std::string& dependentName);
    // The explanatory variables (role 2, the constant term last) and the
    // dependent one (role 1) of an instrumental-variable model; always
    // two-stage. Temporary files are named by context.
    WLSE(const RegIV& model, EngineContext& context);
    // Every selected column of data other than dependentColumn as a
    // regressor (plus a constant term when no column bears its name); with
    // second (the same shape, its columns taken by index), two-stage on the
    // same columns of second.
    WLSE(const TNamedData& data, const TFileMatrix* second, int dependentColumn);
    ~WLSE();
    WLSE(const WLSE&) = delete;
    WLSE& operator=(const WLSE&) = delete;

    // Runs the weighting procedure of mode, then every statistic and table.
    // The progress window's caption ("加重回帰", with AR errors "自己回帰過程")
    // gains " (反復数 = " i " )" on every pass of the procedure, and in
    // two-stage mode the table then counts down the observations left,
    // " COUNT(" n - t ")" after the caption last shown.
    // False when the procedure failed and the unweighted fit stands instead
    // (robust weights that vanished, left too few observations or a
    // regressor without variation, or could not be formed; an AR process
    // that could not be estimated). Raises Exception, the last result kept
    // (its weights and options too; none before the first fit): kind 0 with
    // weights that are negative, not finite or all zero; data that are not
    // finite numbers; fewer than p + 2 observations of positive weight
    // ("自由度不足"); a regressor that is constant or a combination of the
    // others under the weights; sums of squares beyond the range of double,
    // or below its normal range (weights near 0), and any coefficient,
    // standard error or fit figure that comes out no finite number.
    // Observations of weight 0 count toward no degrees of freedom, and
    // deleting one changes nothing (s^2(i) = s2, COVRATIO 1).
    [[nodiscard]] bool Estimate(int mode);

    // Weights for kind 0: n values, finite, not negative and not all zero;
    // otherwise Exception and the weights are kept.
    void SetWeights(const double* w);
    // Replaces s2 and the standard errors by Huber's covariance of the last
    // fit. False, nothing changed, when no residual lies inside c times the
    // scale (or there is no positive scale); Exception, nothing changed,
    // when s2 or a standard error comes out no finite number.
    [[nodiscard]] bool HuberCovariance();
    // Residuals of regressor j and of the dependent variable on the other
    // regressors (transformed data), n values each.
    void PartialResiduals(double* xOut, double* yOut, int j) const;
    // sum over j < p of b_j x_j.
    double Predict(const double* x) const;

    // --- reading -------------------------------------------------------------
    int ObsCount() const { return n_; }
    int RowCount() const { return k_; }
    int CoefCount() const { return p_; }
    int ResidualDf() const { return residualDf_; }
    int Iterations() const { return iterations_; }
    int WeightKind() const { return weightKind_; }
    int RegressionDf() const { return regressionDf_; }
    int AROrder() const { return arOrder_; }
    bool TwoStage() const { return twoStage_; }
    bool ARMode() const { return arMode_; }
    double S2() const { return s2_; }
    double VarY() const { return varY_; }
    double R2() const { return r2_; }
    double AdjR2() const { return adjR2_; }
    double DurbinWatsonRatio() const { return durbinWatson_; }
    double GK() const { return gk_; }
    double SSE() const { return sse_; }
    double Syy() const { return syy_; }
    double Scale() const { return scale_; }
    double ARVariance() const { return arVariance_; }
    float MadDivisor() const { return madDivisor_; }

    double GetCoef(int i) const { return coefficients_.at(i); }
    // From s2 as formed: 0 (or rounding) for a perfect fit.
    double GetStdErr(int i) const { return standardErrors_.at(i); }
    // From s2 held at its floor: what a t value divides by.
    double GetHeldStdErr(int i) const { return heldStandardErrors_.at(i); }
    double GetWeight(int t) const { return weights_.at(t); }
    double GetARCoef(int i) const { return arCoefficients_.at(i); }
    double GetARVariance(int i) const { return arVariances_.at(i); }
    // Element (i, j) of the q x q transform of the first q observations.
    double GetARTransform(int i, int j) const { return arTransform_.At(i, j); }
    double GetCovariance(int i, int j) const { return covariance_.At(i, j); }
    double GetMoment(int i, int j) const { return moments_.At(i, j); }
    // Table elements; outside a table 0.0.
    double GetTransformed(int j, int t) const;
    double GetSecondTransformed(int j, int t) const;
    double GetResult(int row, int t) const;
    // count values of a row from observation first on (the part outside
    // the table reads 0.0).
    void ReadResultSpan(int row, int first, int count, double* out) const;
    void ReadTransformedSpan(int j, int first, int count, double* out, bool second) const;
    // n values of a row.
    void ReadTransformedRow(int j, double* out) const;
    void ReadSecondTransformedRow(int j, double* out) const;
    void ReadResidualRow(int row, double* out) const;
    // Untransformed value of data row j at observation t.
    double GetData(int j, int t) const;
    const std::string& GetName(int i) const { return names_.at(i); }
    // First index below k whose name equals name, else -1.
    int FindName(const std::string& name) const;

    // --- options (between estimations) ---------------------------------------
    double tuning = 1.345;        // c of the Huber and Andrews weights
    double tDf = 0.0;             // m of the t weights; n - p after construction
    bool boundedInfluence = false;

private:
    // What the fit on show was made from and what it left that a fit does
    // not form again, so that a refused fit can make it once more: the same
    // inputs give the same bits.
    struct ShownFit {
        int mode = 0;
        std::vector<double> weights;  // as the fit left them (kind 0: its input)
        double tuningBefore = 0.0, tuningAfter = 0.0, tDf = 0.0;
        bool boundedInfluence = false;
        bool huber = false;  // Huber's covariance replaced its standard errors
        double scale = 0.0, arVariance = 0.0;
        float madDivisor = 0.0f;
    };

    void SetUp(EngineContext& context, int n, int k);
    // The body of Estimate; started is set once the fit begins to change
    // the results.
    [[nodiscard]] bool Fit(int mode, bool& started);
    // Exception when a coefficient, a standard error or a fit figure is no
    // finite number.
    void CheckFiniteResult() const;
    // After a refused fit: the fit on show (formed again when refit), or,
    // before the first fit, the empty results of construction.
    void RestoreShownFit(bool refit, const std::vector<double>& weightsBefore, double tuningBefore);
    void ClearResults();
    // The checks made before a fit with these weights (Exception); the
    // work arrays receive the transformed rows they formed, and sums the
    // weighted sums.
    void CheckFitPossible(const std::vector<double>& w, WeightedSums& sums);
    // Transformed rows of weights w (sqrt(w) x, and z) into the work
    // arrays. With findBad, also the first data value that is not a finite
    // number, as t * k + j (x before z at the same place), else -1. With
    // rowsOf (and without findBad), the weights whose rows the work arrays
    // hold now: a row whose weight is the same to the bit is left as it is.
    long long TransformRows(const double* w, bool findBad, const double* rowsOf = nullptr);
    // The weights of the rows the work arrays hold, or nullptr.
    const double* WorkRowsWeights() const;
    // The first value that is not a finite number in observations first ..
    // first + count - 1, as TransformRows gives it, or -1.
    long long FirstNonFinite(long long first, int count) const;
    // Observations that count: those of positive weight outside AR mode.
    int EffectiveCount() const;
    // The pass count after the procedure's caption, once per pass.
    void ShowPassCount();
    [[nodiscard]] bool Reweight(int kind);
    [[nodiscard]] bool UpdateWeights(const double* factor, const double* residual);
    [[nodiscard]] bool EstimateAR(int q);
    [[nodiscard]] bool YuleWalker(const double* residual);
    void ClearAR();

    // --- sums about the constant term (weighted_fit_centred.cpp) ------------
    // The regressor that plays the constant term: 1.0 in every row of the
    // data (and of the instrumented data), the one named so first; -1 when
    // none is.
    int FindConstant() const;
    // Weighted sums of the variables of rows x (and, with z, those of z
    // after them) of this stride, about the constant term's column of x;
    // w: the weights, nullptr for 1.
    void BuildSums(const double* x, const double* z, long long stride, const double* w, WeightedSums& sums) const;
    // Sums of the data with the current weights (those of the checks when
    // the weights are theirs), swept.
    void FormMoments();
    // The same from the filtered rows in the work arrays (AR mode).
    void MomentsFromWork();
    // The sums as moments (z rows against x columns), swept in long double
    // on every regressor but except, the constant first; the first
    // regressor left unswept, or -1. twoStage: the sums hold z's columns
    // too.
    int SweptFromSums(const WeightedSums& sums, bool twoStage, LongMatrix& m, int except = -1) const;
    // SweptFromSums into the fit: moments, centres and two-stage blocks.
    void MomentsFromSums(const WeightedSums& sums);
    // The covariance factor (two-stage: M T M', T the instrumented
    // cross-products) from the sweep, in centred form.
    void CovarianceFromSweep();
    // FormMoments, then the covariance factor.
    void FormCovariance();
    // Untransformed residuals of the current coefficients.
    void Residuals(double* e) const;
    // h_t of the current matrices on untransformed data (two-stage:
    // 2 h - x'Cx), times scaleByWeight ? w_t : 1.
    void Leverages(double* h, bool scaleByWeight) const;
    // The AR filter of every row into the work arrays.
    void FilterWork();
    // The work arrays' rows into the transformed tables (file form; in
    // memory the fit keeps the rows themselves once its table is formed).
    void WriteTransformedTables();
    void ComputeTable();

    const double* X(long long t) const { return &data_[static_cast<std::size_t>(t) * k_]; }
    const double* Z(long long t) const {
        return secondData_.empty() ? X(t) : &secondData_[static_cast<std::size_t>(t) * k_];
    }
    // Transformed x (and, in two-stage mode, z after it) of observation t.
    double* WorkRow(long long t) { return &work_[static_cast<std::size_t>(t) * workStride_]; }
    const double* WorkRow(long long t) const { return &work_[static_cast<std::size_t>(t) * workStride_]; }
    const double* WorkZ(long long t) const { return WorkRow(t) + (twoStage_ ? k_ : 0); }

    EngineContext* context_ = nullptr;
    int n_ = 0, k_ = 0, p_ = 0;
    int residualDf_ = 0;
    int iterations_ = 0;
    int weightKind_ = 0;
    int regressionDf_ = 0;
    int arOrder_ = 0;
    Matrix moments_, covariance_, arTransform_;
    // The constant term among the regressors (FindConstant), or -1, and the
    // other regressors.
    int constant_ = -1;
    std::vector<int> vars_;
    // The moments swept in long double (moments_ is their rounding); the
    // weighted centres of the variables of x and of z (the constant's 1;
    // all 0 without a constant) and 1 / sum w c^2 (0 without).
    LongMatrix swept_;
    std::vector<long double> centreX_, centreZ_;
    long double inverseSum_ = 0.0L;
    // Two-stage: X'WX and Z'WZ of the regressors other than the constant,
    // about their centres.
    LongMatrix centredXX_, centredZZ_;
    // Two-stage: the covariance factor and the inverse of Z'WZ of those
    // regressors about their centres (the table's a and b).
    LongMatrix spreadForm_, secondForm_;
    // Observation-major: value of row j at observation t is [t * k + j].
    std::vector<double> data_, secondData_;
    // Transformed data of the current pass, observation-major: x* and, in
    // two-stage mode, z* after it. Every value is written before it is
    // read, so growing it does not clear it first.
    std::vector<double, WorkArrayAllocator<double>> work_;
    int workStride_ = 0;
    // The weights whose rows the work arrays hold (empty: none, or the AR
    // filter's).
    std::vector<double> workWeights_;
    // The sums the checks before this fit formed, and their weights: the
    // first FormMoments with the same weights takes them instead of
    // forming the same sums again.
    WeightedSums checkedSums_;
    std::vector<double> checkedWeights_;
    bool haveCheckedSums_ = false;
    // The first regressor the last sweep left unswept, or -1.
    int unswept_ = -1;
    std::vector<double> coefficients_, standardErrors_, heldStandardErrors_, weights_;
    std::vector<double> arCoefficients_, arVariances_;
    double s2_ = 0, varY_ = 0, r2_ = 0, adjR2_ = 0, durbinWatson_ = 0, scale_ = 0, gk_ = 0;
    // s2 is a perfect fit's rounding (set with the table).
    bool perfectFit_ = false;
    double sse_ = 0, syy_ = 0, arVariance_ = 0;
    // The transformed tables in their file form, or null: then the
    // transformed data of the last fit are the work arrays' rows, kept
    // (stride transformedStride_; empty before the first fit).
    std::unique_ptr<WeightedFitStore> transformed_, secondTransformed_, results_;
    std::vector<double, WorkArrayAllocator<double>> transformedRows_;
    int transformedStride_ = 0;
    std::vector<std::string> names_;
    bool twoStage_ = false;
    bool arMode_ = false;
    float madDivisor_ = 0.0f;
    // The progress caption of the running fit, and what it last showed.
    std::string progressCaption_, progressShown_;
    std::optional<ShownFit> shown_;
};
