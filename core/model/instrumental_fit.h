// RegIV: one single-equation instrumental-variable estimation on a block of
// the data set. X holds the observed values of the block, Z the estimation
// design in which the caller puts an instrument in place of each
// instrumented explanatory variable; A = Z'X is swept on the explanatory
// variables, so that b = (Z_S'X_S)^-1 Z_S'y for the set S. Residuals are
// always taken against the observed data.
//
// Index v (the variable count) is the constant term, whose column holds 1.0.
// Roles: 0 not in the model, 1 dependent, 2 explanatory. Every model change
// marks the per-observation tables out of date; they are recomputed when
// next asked for.
//
// A model change that cannot give a fit of finite numbers is refused as a
// whole: the estimator is then as it was after its last accepted estimate,
// design edits since then undone, and FitProblem() says why.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "core/model/analysis_table.h"
#include "core/numeric/matrix.h"

class EngineContext;
class Reg;
struct InstrumentalForms;

class RegIV {
public:
    static constexpr std::uint8_t kRoleUnused = 0;
    static constexpr std::uint8_t kRoleDependent = 1;
    static constexpr std::uint8_t kRoleExplanatory = 2;

    // Why a model change was refused.
    enum class Problem {
        kNone,
        kUnidentified,        // the instruments leave a coefficient undetermined
        kSingular,            // the regressors themselves: Z'X cannot be inverted
        kTooFewObservations,  // no residual degree of freedom would be left
        kNotANumber,          // a value of the model's variables is no finite number
        kNotFinite,           // s², a coefficient or a standard error is no finite number
    };
    // "識別不能状態です。", "INVERSE ERROR!", "データ不足", "数値になりません" (a
    // value or a result); empty for kNone. A window says the reason in its
    // own words (it replaces the inverse error).
    static std::string ProblemText(Problem problem);

    // Copies the block of the mask (0: the whole data set). The last variable
    // is the dependent one and the constant term explanatory; nothing is
    // estimated yet. With modelOnly (and mask 0) only the variables of the
    // data set's model are taken. Throws Exception "DERR" for an empty block.
    RegIV(const Reg& data, std::uint16_t mask, bool modelOnly = false);

    int Rows() const noexcept { return n_; }
    int VarCount() const noexcept { return v_; }

    // --- model -----------------------------------------------------------------
    // The constant-only model of dependent k (outside 0..v-1: v-1); builds
    // A = Z'X and W = Z'Z from the current design. Not checked: the callers
    // that estimate go on with SelectVariables or Refit.
    void SetDependent(int k);
    // Enters or removes variable k (the constant term is v). False, nothing
    // changed, for k outside 0..v, the dependent or an entry with df < 3;
    // false with FitProblem() set when refused (see above).
    bool ToggleVariable(int k);
    // SetDependent(k), then enters every index with role 2 in roles (v + 1
    // entries) in ascending order; false with FitProblem() set when refused.
    bool SelectVariables(const std::vector<std::uint8_t>& roles, int k);
    // Estimates the current model again from the current design (an entry
    // that would leave fewer than 2 residual degrees of freedom stays out);
    // with dropLast variable v-1 leaves and the constant term enters. False
    // with FitProblem() set when refused.
    bool Refit(bool dropLast);
    // Why the last ToggleVariable, SelectVariables or Refit gave false;
    // kNone when it did not, or refused for the reasons that change nothing.
    Problem FitProblem() const noexcept { return problem_; }
    // roles (v + 1 entries) less every explanatory variable whose observed
    // column is, to rounding, a combination of those kept before it (the
    // constant term first, then in ascending order): the variables least
    // squares leaves out. k is the dependent (outside 0..v-1: v-1).
    std::vector<std::uint8_t> WithoutCollinearRegressors(std::vector<std::uint8_t> roles, int k) const;

    // --- derived data ------------------------------------------------------------
    // Cf = A_S W_S A_S' over S; the coefficient covariance is s2 Cf.
    void ComputeCovarianceFactor();
    // Observed, fitted, residual, PRESS residual and the three hat values
    // into the table; returns RSS (PRESS is kept).
    double ComputeResiduals();
    void ComputeDependentMoments();
    // Studentised residuals, deleted variances and the error percentage
    // (999900 where the dependent value is 0), under the progress window
    // of the data set's services, one step per observation.
    void ComputeDiagnostics();
    // Coefficient changes, DFBETAS, W(i), DFFITS, Cook's D, COVRATIO and the
    // deleted R^2 rows.
    void ComputeInfluence();
    // Heteroskedasticity statistic and Durbin-Watson ratio of the residuals.
    void ComputeResidualTests();
    // For the partial leverage plot of variable k of the model: the
    // dependent and variable k each less their fit on the model's other
    // variables (the design with X's own column k). n values each.
    void GetPartialResiduals(int k, std::vector<double>& outY, std::vector<double>& outK) const;
    // Hausman-type comparison with least squares on the observed data over
    // S: q'(V_IV - V_OLS)^-1 q, 0 when tiny; negative when the difference
    // is not positive definite. EZeroDivide "INVERSE ERROR!" when singular.
    double SpecificationTest();
    // Prediction at x (v + 1 values; x[v] is set to 1) with its interval:
    // c1 the level of the F and chi-square parts, c2 of the normal part.
    double Predict(double* x, double* lower, double* upper, double c1, double c2);
    // Default k of the k-class estimator: 1 + ((K - kin) - g) / n with K the
    // predetermined variables of the data set, kin those in the model and g
    // the endogenous ones in the model (each plus one); 0 when not
    // identified or K < 2.
    double GetDefaultK() const;

    // --- getters -------------------------------------------------------------------
    int CountExplanatory() const;
    int GetParamCount() const;
    double GetCoef(int i) const { return coef_.at(i); }
    // From s2 as formed: 0 (or rounding) for a perfect fit.
    double GetCoefSE(int i) const { return stdErr_.at(i); }
    // From s2 held at its floor: what a t value divides by.
    double GetHeldCoefSE(int i) const { return heldStdErr_.at(i); }
    double GetFValue(int i) const { return fValue_.at(i); }
    int GetRole(int i) const { return roles_.at(i); }
    bool IsExplanatory(int i) const { return GetRole(i) == kRoleExplanatory; }
    double GetCovarianceFactor(int i, int j) const { return cf_.At(i, j); }
    int GetDependent() const noexcept { return dependent_; }
    int GetDf() const noexcept { return df_; }
    double GetS2() const noexcept { return s2_; }
    double GetVarY() const noexcept { return varY_; }
    // Least residual variance that counts as a spread: var y x 2^-23, so
    // that the units of the data do not decide what counts as zero. Every
    // figure that divides by s2 or s2(i) takes it held there (HeldAtFloor).
    double VarianceFloor() const;
    // s2 is a perfect fit's rounding (IsRoundingVariance): the residuals
    // read as residuals of exactly 0 wherever their shape makes a figure.
    bool IsPerfectFit() const;
    double GetR2() const noexcept { return r2_; }
    double GetAdjR2() const noexcept { return adjR2_; }
    double GetTss() const noexcept { return tss_; }
    double GetRss() const noexcept { return rss_; }
    double GetMeanY() const noexcept { return meanY_; }
    double GetPress() const noexcept { return press_; }
    double GetHetero() const noexcept { return gk_; }
    double GetDurbinWatson() const noexcept { return dw_; }
    bool DiagnosticsDone() const noexcept { return diagnosticsDone_; }
    bool InfluenceDone() const noexcept { return influenceDone_; }
    // The two leverage rows (codes 9 and 10) are formed on their first read,
    // on the calling thread's turn: not for first reads from two threads.
    double GetAnalysisValue(int code, int i) const;
    void GetAnalysisRow(int code, std::vector<double>& out) const;
    // The row of the leverage that the PRESS residual divides by.
    static constexpr int kPressLeverageRow = 11;

    // --- data access ---------------------------------------------------------------
    // Checked: ERangeError outside 0 <= i < n, 0 <= j <= v.
    double GetDesignValue(int i, int j) const { return ValueOf(Design(), i, j); }
    double GetDataValue(int i, int j) const { return ValueOf(x_, i, j); }
    // Ignored unless 0 <= i < n and 0 <= j < v (the constant column stays).
    void SetDesignValue(int i, int j, double value);
    // n values into design column j (0 <= j < v; otherwise ignored).
    void SetDesignColumn(int j, const std::vector<double>& values);
    void GetDataColumn(int j, std::vector<double>& out) const;
    void GetDesignColumn(int j, std::vector<double>& out) const;
    void GetDataRow(int i, std::vector<double>& out) const;
    void GetDesignRow(int i, std::vector<double>& out) const;
    // min(n, m.Rows()) values of variable j (0..v) into column c of m, from
    // the design or the observed data.
    void CopyColumnToMatrix(int j, Matrix& m, int c, bool design) const;

    // Name of variable i; v gives the constant term's name.
    std::string GetVarName(int i) const;
    // Index of the name (the constant term's name gives v); -1 when absent.
    int FindVar(const std::string& name) const;

private:
    // What a model change overwrites besides the design and the table rows.
    struct Estimate {
        LongMatrix swept, zx, zz;
        Matrix cf;
        std::vector<double> coef, stdErr, heldStdErr, fValue, tolerance;
        std::vector<std::uint8_t> roles;
        int dependent, df;
        double s2, varY, r2, adjR2, tss, rss, meanY, press;
        bool diagnosticsDone, influenceDone, leveragesPending, estimated;
        long long passes;
    };
    Estimate Save() const;
    // Back to the estimate before a refused change (the design to that of
    // the last accepted estimate); the rows of the residual pass are formed
    // again when the change had overwritten them.
    void Restore(Estimate& before);
    // The change was refused for problem: restores and gives false.
    bool Refuse(Problem problem, Estimate& before);
    // A model change stands: design edits since the last one are kept.
    void Accept();
    void RestoreDesign();
    // Keeps design column j as the last accepted estimate had it, before
    // its first edit since.
    void RememberDesignColumn(int j);
    // Dependent k with the variables of set: too few observations for it,
    // or a value of its variables (observed or design) that is no number.
    Problem DataProblem(const std::vector<int>& set, int k) const;
    // Before Z'X is swept on the set (ascending): kNone when each pivot in
    // turn is clear of rounding; at the first that is not, kSingular when
    // the observed column is itself such a combination of those before
    // it, else kUnidentified. With the constant term in the set the pivots
    // are those of the sums about the means.
    Problem EntryProblem(const std::vector<int>& set) const;
    class EntryCheck;
    // kNotFinite when a coefficient, a standard error or s2 of the model is
    // no finite number.
    Problem ResultProblem() const;
    // The moments of the observed data (they never change), formed when
    // first needed.
    const LongMatrix& DataMoments() const;
    // zx_ and zz_ from the current design.
    void FormDesignMoments();
    // Values that are no finite number per column of the observed data and
    // of the design.
    const std::vector<int>& DataNonFinite() const;
    int DesignNonFinite(int j) const;
    static int CountNonFinite(const Matrix& m, int j);

    // SetDependent; without residuals the pass over the observations (and
    // RSS, s2 and the F values that come from it) is left to the caller.
    void ResetModel(int k, bool withResiduals);
    // The figures of the model without variables.
    void EmptyModelFigures(bool withResiduals);
    // swept_ for the set and its roles (the caller checked the set); false
    // at a zero pivot, swept_ then partly swept.
    bool EnterSet(const std::vector<int>& set);
    // Variable j shows no F (it is, to this size, a combination of the
    // model's variables) while its swept diagonal is at most this.
    double Tolerance(int j) const;
    void FinishModelChange();
    // The fit's pass over the observations: fitted values, residuals, PRESS
    // and x'A z; with leverages also x'Cf x and z'Wc z, else those two are
    // marked pending. Returns RSS.
    double ComputeFit(bool leverages);
    // What the passes read of the current fit; with leverages the forms of
    // x'Cf x and z'Wc z too.
    InstrumentalForms FitForms(bool leverages) const;
    // The pending leverage rows of the current fit, formed once.
    void EnsureLeverages() const;
    // Until its first edit the design is the observed data itself.
    const Matrix& Design() const noexcept { return ownDesign_ ? z_ : x_; }
    // The observations whose leverages are 1 by the model's columns alone.
    std::vector<long long> SoleObservationsOf(const std::vector<int>& s) const;
    void OwnDesign();
    // Element (i, j) of the design or the data, checked inline: the window
    // reads a cell at a time.
    double ValueOf(const Matrix& m, int i, int j) const {
        if (i < 0 || i >= n_ || j < 0 || j > v_) OutOfRange();
        return m.Data()[static_cast<std::size_t>(i) * (static_cast<std::size_t>(v_) + 1) + static_cast<std::size_t>(j)];
    }
    [[noreturn]] static void OutOfRange();
    std::vector<int> ModelSet() const;
    bool HasConstant() const { return roles_[static_cast<std::size_t>(v_)] == kRoleExplanatory; }

    std::uint16_t mask_;
    // The data set's context, as the analysis table keeps it: its services
    // show the progress.
    EngineContext* context_;
    int n_ = 0;
    int v_ = 0;
    // Z'X and Z'Z about the means as SetDependent formed them (see
    // instrumental_moments.h), and Z'X swept on the model's variables:
    // formed afresh from zx_ at every model change.
    LongMatrix zx_, zz_, swept_;
    Matrix z_, x_, cf_;
    bool ownDesign_ = false;  // z_ holds the design (else it is x_)
    std::vector<std::uint8_t> designEdited_;  // per column of z_: may differ from the data
    mutable bool leveragesPending_ = false;
    std::vector<std::string> names_;
    std::vector<std::uint8_t> types_;  // data-set type byte per variable
    std::vector<std::uint8_t> dataSetTypes_;  // of every variable of the data set
    std::unique_ptr<RAData> analysis_;
    bool diagnosticsDone_ = false;
    bool influenceDone_ = false;
    std::vector<double> coef_, stdErr_, heldStdErr_, fValue_, tolerance_;
    std::vector<std::uint8_t> roles_;
    Problem problem_ = Problem::kNone;
    bool estimated_ = false;     // an estimate was accepted
    long long passes_ = 0;       // residual passes run (they overwrite table rows)
    // The design of the last accepted estimate: whether it was the observed
    // data itself, and the columns edited since with their values then.
    bool acceptedOwnDesign_ = false;
    std::vector<std::pair<int, std::vector<double>>> editedColumns_;
    mutable LongMatrix dataMoments_;          // empty until formed
    mutable std::vector<int> dataNonFinite_;  // empty until counted
    std::vector<int> designNonFinite_;        // while the design is its own
    int dependent_ = 0;
    int df_ = 0;
    double s2_ = 0, varY_ = 0, r2_ = 0, adjR2_ = 0, tss_ = 0, rss_ = 0, meanY_ = 0, press_ = 0, gk_ = 0, dw_ = 0;
};
