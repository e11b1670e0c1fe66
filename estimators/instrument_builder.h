// InstrumentFirstStage: the stepwise least-squares first stage that makes the
// instrument of one variable (the target) of an instrumental-variable model.
//
// Columns 0 .. k-2 are the candidate regressors in data-set order, k-1 the
// target, k the constant term (always in). Regressors enter and leave by
// one sweep of the moment matrix each, after which the columns in are swept
// afresh from the unswept moments (the same bits as a first stage built
// with them); the table reads straight from it:
// coefficients and standard errors of the columns in, the F value to remove
// (t squared) of each column in, and the F value to enter (the added-variable
// F) of each column out. A weighted or ridge first stage is run by the
// caller (through a callback) and handed back in place of the table.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "core/model/centred_fit_rows.h"
#include "core/numeric/matrix.h"

class Data;
class EngineContext;
class TNamedData;

// What the F column of a first-stage row shows.
enum class FirstStageF {
    kBlank,     // no value: not given by the fit, or no ratio to form (an empty cell)
    kTolCheck,  // the column cannot enter: what is left of it, or of the residual, is within tolerance
    kValue,     // F to enter, F to remove, or a variance inflation factor
};

enum class FirstStageKind { kLeastSquares, kWeighted, kRidge };

// The table handed to a weighted or ridge first stage: for the weighted fit
// the columns in the regression, then the target (the dependent, last); for
// ridge every column 0 .. k-1, selected when in the regression, the target
// at k-1.
struct HandedBackRequest {
    FirstStageKind kind;
    const TNamedData& table;
    int dependentColumn;
};

// What a weighted or ridge first stage gives back; regressors by table
// column name. vif is empty for the weighted fit.
struct HandedBackFit {
    std::vector<double> fitted;
    std::vector<std::string> names;
    std::vector<double> coef, stdErr, vif;
    double constCoef = 0.0, constStdErr = 0.0;
    double s2 = 0.0, adjR2 = 0.0;
    std::vector<double> standardizedResiduals;
    // The leverage of each observation; empty when the fit gives none.
    std::vector<double> leverage;
};

// Runs the fit (typically in its window); nullopt when the data were refused
// or the user cancelled.
using HandedBackRunner = std::function<std::optional<HandedBackFit>(const HandedBackRequest&)>;

class InstrumentFirstStage {
public:
    // candidates: one flag per data-set variable, 1 for a candidate regressor
    // (the target's own flag is ignored). Observations: those whose target
    // cell carries a bit of mask (all when mask is 0). allIn enters every
    // candidate in ascending order; one that cannot enter (ToggleColumn
    // false) stays out, one whose fit is no number refuses the first stage
    // (EMathError). Fewer than 3 observations raise Exception. The values
    // are read from the data set, which must outlive the first stage
    // unchanged.
    InstrumentFirstStage(const Data& data, int target, const std::vector<int>& candidates, std::uint16_t mask,
                         bool allIn);

    // Flags for a first stage on the exogenous and lagged variables, and on
    // every variable other than the target.
    static std::vector<int> ExogenousCandidates(const Data& data, int target);
    static std::vector<int> OtherCandidates(const Data& data, int target);

    int Observations() const noexcept { return n_; }
    int ColumnCount() const noexcept { return k_; }
    int TargetColumn() const noexcept { return k_ - 1; }
    int ResidualDf() const noexcept { return df_; }
    double S2() const noexcept { return s2_; }
    double VarY() const noexcept { return varY_; }
    // R'^2; 0 below 2^-23 and when the target is constant.
    double AdjR2() const noexcept { return adjR2_; }
    // Per column j in 0 .. k (ERangeError outside).
    const std::string& ColumnName(int j) const { return names_[Checked(j)]; }
    bool IsIn(int j) const { return flags_[Checked(j)] == 1; }
    double Coef(int j) const { return coef_[Checked(j)]; }
    double StdError(int j) const { return stdErr_[Checked(j)]; }
    FirstStageF FState(int j) const { return fState_[Checked(j)]; }
    double FValue(int j) const { return fValue_[Checked(j)]; }
    bool IsRidge() const noexcept { return kind_ == FirstStageKind::kRidge; }

    // Enters or removes column j (0 .. k-2). False, nothing changed, out of
    // range, for the target, and for an entry whose pivot is within its
    // tolerance or that would leave fewer than 2 residual degrees of freedom.
    // A fit whose coefficient or standard error is no finite number raises
    // EMathError naming the column (the first stage stays as it was); the
    // constructor raises it too when its own fit is such.
    bool ToggleColumn(int j);

    // The table as shown: k + 1 rows of 4 texts, headings first, then the
    // constant term, then the candidates. With ridge the F column is headed
    // as variance inflation factors and every row shows its coefficient,
    // whichever fit ran last: the heading follows the fit chosen to run.
    std::vector<std::vector<std::string>> Table(bool ridge) const;

    // The least-squares fitted values of the target.
    std::vector<double> FittedValues() const;
    // K * fitted + (1 - K) * observed, one value per observation.
    std::vector<double> KClassInstrument(double k) const;
    // Standardised residuals; nullopt where the leverage is 1 (or the fit is
    // exact). Those of a handed-back fit when one was run since.
    std::vector<std::optional<double>> StandardizedResiduals() const;
    // The leverage of each observation in the fit those residuals are of (1
    // within the tolerance that leaves its residual out); empty when a
    // handed-back fit gave none.
    std::vector<double> ResidualLeverages() const;

    // Builds the table for a weighted or ridge first stage, runs it and takes
    // its results; returns K * fitted + (1 - K) * observed (the observed
    // values when the fit was refused). A fit that does not give one value
    // per observation raises Exception, nothing taken over.
    std::vector<double> RunHandedBack(FirstStageKind kind, EngineContext& context, const HandedBackRunner& run,
                                      double k);

private:
    // What a toggle changes, kept to be put back when its fit is refused.
    struct Figures {
        LongMatrix moments;
        std::vector<int> flags;
        int df = 0;
        double s2 = 0.0, adjR2 = 0.0;
        std::vector<double> coef, stdErr, fValue;
        std::vector<FirstStageF> fState;
        FirstStageKind kind = FirstStageKind::kLeastSquares;
        std::vector<std::optional<double>> handedResiduals;
        std::vector<double> handedLeverage;
        bool hasHandedResiduals = false;
    };

    std::size_t Checked(int j) const;
    void Start();
    void UpdateStatistics();
    // The columns in swept again from unswept_, as a fresh first stage does.
    void SweepAfresh();
    Figures Keep() const;
    void Restore(Figures&& figures);
    // Raises EMathError naming the first column in (the constant term last)
    // whose coefficient or standard error is no finite number.
    void RefuseNonFiniteFit() const;
    // The candidate columns in, ascending; their fitted values and
    // leverages in centred form.
    std::vector<int> ColumnsIn() const;
    CentredFitRows FitRows() const;
    // body(first, len, fitted, leverage) for blocks of observations in
    // order.
    void ForEachFitBlock(
        const std::function<void(int first, int len, const long double* fitted, const double* leverage)>& body) const;
    double Value(int i, int column) const { return columns_[static_cast<std::size_t>(column)][i]; }
    double Observed(int i) const { return Value(i, k_ - 1); }

    int n_ = 0;
    int k_ = 0;
    int df_ = 0;
    double syy_ = 0.0, s2_ = 0.0, varY_ = 0.0, adjR2_ = 0.0;
    std::vector<std::string> names_;
    std::vector<int> flags_;
    std::vector<double> tolerance_, coef_, stdErr_, fValue_;
    std::vector<FirstStageF> fState_;
    LongMatrix moments_;
    // The moments before any column is swept in.
    LongMatrix unswept_;
    // Column c of the first stage (c < k): the data set's values, or those
    // of the selected observations gathered.
    std::vector<const double*> columns_;
    std::vector<std::vector<double>> gathered_;
    FirstStageKind kind_ = FirstStageKind::kLeastSquares;
    std::vector<std::optional<double>> handedResiduals_;
    std::vector<double> handedLeverage_;
    bool hasHandedResiduals_ = false;
};
