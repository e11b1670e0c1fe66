// Reg: the least-squares model of the program, and at the same time its
// document (it is the data set).
//
// On top of the data it keeps one single-equation model: the dependent
// variable, the explanatory variables, ordinary or two-stage least squares,
// and the fitted results. The model is estimated by sweeping a moment matrix
// held in long double: choosing the dependent variable builds the matrix,
// and each explanatory variable is swept in or out by one step, so every
// coefficient, standard error and partial F value reads straight from it.
//
// Index k (the variable count) stands for the constant term, which is always
// in the model. Roles: 0 not in the model, 1 dependent, 2 explanatory.
//
// Reg holds the fit (RegFit) and the per-observation analysis
// (ObservationAnalysis). The diagnostics and the data-block hand-over
// (regression_diagnostics.h, regression_data_blocks.h) and the data file
// (regression_file.h) are free functions on the public interface.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "core/model/analysis_table.h"
#include "core/model/observation_analysis.h"
#include "core/model/regression_fit.h"
#include "core/data/data_set.h"
#include "core/data/equation_list.h"
#include "core/data/group_name.h"
#include "core/numeric/matrix.h"
#include "core/settings/engine_context.h"

struct DataFileCompanions;
struct LeverageSource;
struct ResidualTests;

class Reg : public Data {
public:
    static constexpr std::uint8_t kRoleUnused = 0;
    static constexpr std::uint8_t kRoleDependent = 1;
    static constexpr std::uint8_t kRoleExplanatory = 2;

    // Analysis-table rows written by every estimation.
    static constexpr int kRowObserved = 0;
    static constexpr int kRowFitted = 1;
    static constexpr int kRowResidual = 2;
    static constexpr int kRowPress = 4;
    static constexpr int kRowLeverage = 9;
    static constexpr int kRowTwoStageA = 10;
    static constexpr int kRowTwoStageB = 11;

    // A data set of n observations and k variables (k >= 1) whose last
    // variable is the dependent one; nothing is estimated yet. The model
    // starts with the modified flag set.
    // The model keeps a context of its own: silent services, default
    // folders, plain numbers.
    Reg(int n, int k, const std::string& name = std::string());
    // The same in the program's context, which must outlive the model.
    Reg(EngineContext& context, int n, int k, const std::string& name = std::string());
    ~Reg();

    // Services, folders and temporary names, and the reader of typed numbers.
    EngineContext& Context() const { return *context_; }
    // Moves the model into another context, which must outlive it.
    void SetContext(EngineContext& context);
    // What its data files carry besides the data set: the program's user
    // scalars, colours, final form and text forms. Until they are set the
    // model has an empty set of its own. The caller keeps ownership.
    void SetFileCompanions(DataFileCompanions* companions) { companions_ = companions; }
    DataFileCompanions& FileCompanions() const;

    // --- estimation ---------------------------------------------------------
    // New model with dependent j (k - 1 when j is out of range) and the
    // constant alone; returns the candidate with the largest F-to-enter
    // (0 when none is positive). A dependent variable holding a value that is
    // no finite number is refused: 0, the former model stays, FitProblem()
    // says why; so is one whose fit leaves the range of a double (squares
    // that overflow).
    int SetDependent(int j);
    // New model with dependent j and every index whose roles entry is 2 as
    // explanatory variable. False when a variable could not be entered (zero
    // pivot, or no residual degree of freedom left) or on an error; the
    // statistics are finished for the variables entered. A variable of the
    // model holding a value that is no finite number is refused before
    // anything changes (false, the former model stays); a fit whose
    // coefficients, standard errors or sums of squares are not finite is
    // refused too: false, the former model is estimated again (or, when the
    // data changed under it, kept without an estimate); FitProblem() says why
    // in both cases. A two-stage model that is
    // under-identified is warned about and fitted by ordinary least squares,
    // as a toggle does (false).
    [[nodiscard]] bool SetModel(int j, const std::vector<std::uint8_t>& roles);
    // Adds variable j to the model or removes it; false when refused (as
    // SetModel for values and results that are not finite: the model stays
    // as it was). Roles kept without an estimate are set as a new model
    // with j toggled.
    [[nodiscard]] bool ToggleVariable(int j);
    // Why the last SetModel or ToggleVariable gave false for the data (a
    // value or a result that is no finite number); empty otherwise. Every
    // such refusal is also shown through the services, once, by the call
    // that refused (a data edit's re-estimation and a load included).
    const std::string& FitProblem() const { return fitProblem_; }
    // True when the figures of the fit belong to an estimate of the present
    // data; false before a dependent variable is chosen and while roles are
    // kept without an estimate. Nothing that reads the fit may show figures
    // otherwise: they are placeholders.
    bool HasEstimate() const { return estimated_ && EstimatedForCurrentShape(); }
    // Why there is no estimate: the refusal that left the roles without
    // one, or that none was made yet.
    std::string NoEstimateReason() const;
    // Throws NoEstimateReason() as an error when there is no estimate: the
    // readers of the fit call it first.
    void RequireEstimate() const;
    // Re-runs SetModel with the current roles after a change of the data
    // or of the method. appended: a variable has just been added (the role
    // array still has its former size); it starts outside the model. A
    // refused fit leaves the roles without an estimate: the fit before was
    // of other data.
    // Every road that changes the model's data ends here or in a load, so
    // the refusal (with its one message) cannot be missed by any of them.
    void Reestimate(bool appended);
    // Brings the sizes up to date and clears the roles.
    void ResetModel();
    // Changes with every estimation of any model, and with every reset of
    // the fit: figures a reader kept belong to the present fit only while it
    // reads the number it read with them.
    std::uint64_t EstimateSerial() const { return estimateSerial_; }
    // Fills the leverage and PRESS rows and the PRESS sum now if the last
    // estimation left them for their first reader. An ordinary fit does so
    // unless the table of the fit before it was read (a reader that asks
    // after every fit gets them from the residual pass itself). Safe on
    // several reading threads at once; the values are those the residual
    // pass would have written.
    void CompleteLeverages() const {
        if (leveragesPending_.load(std::memory_order_acquire))
            CompleteLeveragesNow();
        else
            MarkRead(leveragesRead_);
    }
    // The same for the design of an ordinary fit: it holds the values of
    // the variables, and is copied from them when first read or before they
    // change (formed with the moments instead when the design of the fit
    // before was read or its values edited).
    void CompleteDesign() const {
        if (designPending_.load(std::memory_order_acquire))
            CompleteDesignNow();
        else
            MarkRead(designRead_);
    }
    // The roles of a model that cannot be estimated (a variable holds a value
    // that is no finite number, or its fit leaves the range of a double):
    // they are kept as given, HasEstimate() is false, every figure of the
    // fit is cleared to zero, and FitProblem() and NoEstimateReason() say why.
    void KeepRolesUnestimated(int j, const std::vector<std::uint8_t>& roles);
    // Fills the design matrix and the moment matrix.
    void BuildMoments();
    // Fitted values, residuals, PRESS residuals and leverages into the
    // analysis table; sets press and returns SSE.
    double ComputeResiduals();
    // Order condition of the current equation: true when under-identified.
    // others: endogenous variables that are not the dependent one; K:
    // exogenous and lagged (constant included); g: endogenous in the
    // equation; kIn: exogenous and lagged in the equation.
    bool IsUnderidentified(int& others, int* K = nullptr, int* g = nullptr, int* kIn = nullptr) const;
    // The same for a model not set yet: dependent dep and these roles.
    bool IsUnderidentifiedFor(int dep, const std::vector<std::uint8_t>& roles, int& others, int* K = nullptr,
                              int* g = nullptr, int* kIn = nullptr) const;

    // --- results (j in 0 .. k) ---------------------------------------------
    // The readers of the fit and of the table below complete the leverage
    // rows first when an estimation left them for the first read. The
    // design's values are read through Design() or GetDesignValue(), which
    // copy them first.
    const RegFit& Fit() const {
        CompleteLeverages();
        return fit_;
    }
    double GetCoef(int j) const { return fit_.coef.At(j); }
    // From s2 as formed: 0 (or rounding) for a perfect fit.
    double GetStdError(int j) const { return fit_.stdErr.At(j); }
    // From s2 held at its floor: what a t value divides by.
    double GetHeldStdError(int j) const { return fit_.heldStdErr.At(j); }
    double GetFValue(int j) const { return fit_.fValue.At(j); }
    int GetRole(int j) const;
    bool IsExplanatory(int j) const { return GetRole(j) == kRoleExplanatory; }
    bool IsExogenous(int j) const;
    int CountExplanatory() const;
    int CountExogenous() const;
    // Swept indices (role 2, the constant included), in ascending order.
    std::vector<int> SweptIndices() const;
    double GetSweepElement(int i, int j) const { return static_cast<double>(fit_.moments.At(i, j)); }
    double GetDesignValue(int i, int j) const {
        CompleteDesign();
        return fit_.design.At(i, j);
    }
    double GetAnalysisValue(int code, int i) const {
        CompleteLeverages();
        return analysis_.table.GetValue(code, i);
    }
    void GetAnalysisRow(int code, std::vector<double>& out) const {
        CompleteLeverages();
        analysis_.table.GetRow(code, out);
    }

    // The row of the leverage that the PRESS residual divides by: h, or the
    // two-stage b.
    int PressLeverageRow() const { return TwoStageLeverages() ? kRowTwoStageB : kRowLeverage; }

    int GetDependent() const { return dependent_; }
    int GetResidualDf() const { return fit_.residualDf; }
    double GetS2() const { return fit_.s2; }
    double GetVarY() const { return fit_.varY; }
    // Floor of residual variances: varY x 2^-23, relative so that the units
    // of the data do not decide what counts as zero. F-to-enter refuses a
    // variance below it; every other figure divides by s2 and s2(i) held at
    // it (HeldAtFloor).
    double VarianceFloor() const;
    // s2 is a perfect fit's rounding (IsRoundingVariance): the residuals
    // read as residuals of exactly 0 wherever their shape makes a figure.
    bool IsPerfectFit() const;
    double GetR2() const { return fit_.r2; }
    double GetAdjR2() const { return fit_.adjR2; }
    double GetSyy() const { return fit_.syy; }
    double GetSse() const { return fit_.sse; }
    double GetPress() const {
        CompleteLeverages();
        return fit_.press;
    }
    double GetHetero() const { return fit_.hetero; }
    double GetDurbinWatson() const { return fit_.durbinWatson; }
    double GetTolerance(int j) const { return fit_.tolerance.At(j); }

    bool IsTwoStage() const { return twoStage_; }
    // Takes effect with the next Reestimate.
    void SetTwoStage(bool on) { twoStage_ = on; }
    bool IsRealCalc() const { return realCalc_; }
    // In a two-stage fit the residual pass runs again at once, since the
    // leverage rows depend on it; the analysis rows are then out of date.
    void SetRealCalc(bool on);
    bool IsAnalysisReady() const { return analysis_.analysisReady; }
    bool IsInfluenceReady() const { return analysis_.influenceReady; }

    const std::string& GetFileName() const { return fileName_; }
    void SetFileName(const std::string& name) { fileName_ = name; }
    int GetFileForm() const { return fileForm_; }
    void SetFileForm(int form) { fileForm_ = form; }

    // The swept moment matrix, the design matrix, the analysis table and the
    // role array (k + 1 entries) for the diagnostics and the structural edits.
    const LongMatrix& SweptMoments() const { return fit_.moments; }
    // The moments of the design before any variable was swept in.
    const LongMatrix& UnsweptMoments() const { return fit_.unswept; }
    const Matrix& Design() const {
        CompleteDesign();
        return fit_.design;
    }
    // Mean, standard deviation (divisor n - 1), maximum and minimum of design
    // column j, as the matrix's column statistics give them: formed at the
    // first request and kept until the design is filled again. A column
    // outside the design is the matrix's range error.
    struct DesignColumnSummary {
        double mean = 0.0;
        double sd = 0.0;
        double max = 0.0;
        double min = 0.0;
    };
    DesignColumnSummary DesignSummary(int j) const;
    // How many column summaries were formed (one pass over the design each).
    long DesignSummaryPasses() const { return designSummaryPasses_.load(std::memory_order_relaxed); }
    RAData& Analysis() {
        CompleteLeverages();
        return analysis_.table;
    }
    const RAData& Analysis() const {
        CompleteLeverages();
        return analysis_.table;
    }
    const std::vector<std::uint8_t>& Roles() const { return role_; }
    // Callers that change the variable count adjust the roles before
    // Reestimate.
    std::vector<std::uint8_t>& RolesForEdit() { return role_; }

    // --- thin wrappers (each sets the modified flag) --------------------------
    bool SetGroupName(int code, const std::string& name);
    // The group's name; the code in decimal when it has none.
    std::string GetGroupName(int code) const;
    // -1 when no group has that name.
    int GetGroupCode(const std::string& name) const { return groupNames_.GetCode(name); }
    const GroupName& GroupNames() const { return groupNames_; }
    GroupName& GroupNames() { return groupNames_; }
    // Renames variable j, in the equations too.
    void RenameVar(int j, const std::string& name);
    // The defined equations of the data set.
    const ExpresList& Expressions() const { return expres_; }
    ExpresList& Expressions() { return expres_; }
    // Adds a copy of the equation (replacing one with the same left-hand
    // name); returns its index.
    int AddExpres(const Expres& equation);
    void DeleteExpres(int i);
    void ClearExpres();

    // --- structural edits ----------------------------------------------------
    // Each performs the data set's edit, keeps the role array in step (k + 1
    // entries, the constant term last) and, with reestimate, estimates again
    // with the same dependent and explanatory variables. The plain Data edits
    // stay visible for code that maintains the roles itself.
    using Data::AppendObservation;
    using Data::AppendObservationCells;
    using Data::DeleteObservation;
    using Data::DeleteVar;
    using Data::InsertObservation;
    using Data::InsertObservationCells;
    using Data::InsertVar;
    void ExchangeVars(int i, int j, bool reestimate = true);
    void ExchangeObservations(int i, int j, bool reestimate = true);
    // Resizes the caller's variable to n observations; it starts outside the
    // model.
    void AppendVar(Var& var, bool reestimate = true);
    // 0 <= j <= k; the new variable takes role r.
    void InsertVar(int j, Var& var, std::uint8_t role, bool reestimate);
    bool CanDeleteVarName(const std::string& name) const;
    bool CanDeleteVar(int j) const;
    // Deletes the variable and every equation that mentions it (warning
    // "関連する同時方程式も削除されました。" when any went). The dependent
    // variable, an unknown name and the last variable are refused: false,
    // nothing changed.
    bool DeleteVar(const std::string& name, bool reestimate);
    [[nodiscard]] bool AppendObservation(std::span<const double> values, std::span<const std::uint16_t> marks,
                                         bool reestimate);
    [[nodiscard]] bool AppendObservationCells(const DataString& cells, bool reestimate);
    [[nodiscard]] bool InsertObservation(int i, std::span<const double> values,
                                         std::span<const std::uint16_t> marks, bool reestimate);
    [[nodiscard]] bool InsertObservationCells(int i, const DataString& cells, bool reestimate);
    // The last observation is never deleted: false.
    bool DeleteObservation(int i, bool reestimate);
    // The role array sized for the present variable count (entries kept,
    // new ones 0, the constant's 2 last).
    void FitRolesToShape();

    // --- data set hand-over ---------------------------------------------------
    // Takes over a data set read from a file: its variables (obs values
    // each), name and info. The model, groups and equations are left to the
    // caller, who rebuilds and re-estimates.
    void ReplaceDataSet(std::vector<std::unique_ptr<Var>>&& vars, int obs, std::string&& name,
                        std::string&& info);

    // --- per-observation analysis -------------------------------------------
    // Analysis-table rows of the residual analysis and of the leave-one-out
    // (deletion) measures; row 19 + j holds the t value of coefficient j
    // without the observation, code j - 100 its change (DFBETA).
    static constexpr int kRowErrorRate = 3;
    static constexpr int kRowSigRes = 5;
    static constexpr int kRowStudentInternal = 6;
    static constexpr int kRowStudentExternal = 7;
    static constexpr int kRowResidualShare = 8;
    static constexpr int kRowS2Deleted = 12;
    static constexpr int kRowCovratio = 13;
    static constexpr int kRowDffits = 14;
    static constexpr int kRowCooksD = 15;
    static constexpr int kRowWelsch = 16;
    static constexpr int kRowR2Deleted = 17;
    static constexpr int kRowAdjR2Deleted = 18;
    static constexpr int kRowDeletedTValue = 19;
    static constexpr int kRowDfbeta = -100;

    // Rows 3, 5 to 8 and 12, then the residual tests; once per estimation.
    // Both are refused (NoEstimateReason()) for roles kept without an
    // estimate, and do nothing before a dependent variable is chosen.
    void ComputeAnalysisData();
    // The residual analysis, then rows 13 to 18, 19 + j and j - 100; once
    // per estimation. Rows of indices outside the model are zeroed.
    void ComputeInfluence();
    // hetero and durbinWatson from the fitted values and residuals.
    void ComputeResidualTests();
    void SetResidualTests(const ResidualTests& tests);

protected:
    // The leverages of the two-stage variant (observed explanatory values
    // against the second-stage design) are in use.
    bool TwoStageLeverages() const { return twoStage_ && realCalc_; }
    // True when the model was estimated; see ComputeAnalysisData.
    bool ReadyToAnalyse() const;
    void AnalysisOrdinary();
    void AnalysisTwoStage();
    void InfluenceRows();
    // The worker threads for passes over the analysis table.
    ThreadPool* TablePool() const;
    struct OwnCompanions;
    void CompleteLeveragesNow() const;
    // The PRESS sum from its chunk parts, and the pending leverages marked formed.
    void TakeCompletedLeverages(const std::vector<long double>& pressPartial) const;
    // As CompleteLeverages and CompleteDesign, for the model's own passes:
    // these do not count as a reader.
    void FinishPendingLeverages() const {
        if (leveragesPending_.load(std::memory_order_acquire)) CompleteLeveragesNow();
    }
    void FinishPendingDesign() const {
        if (designPending_.load(std::memory_order_acquire)) CompleteDesignNow();
    }
    static void MarkRead(std::atomic<bool>& flag) {
        if (!flag.load(std::memory_order_relaxed)) flag.store(true, std::memory_order_relaxed);
    }
    void CompleteDesignNow() const;
    void CopyDesignFromVariables() const;
    // A new estimation fills the design again.
    void DropPendingDesign();
    // The design is about to be filled or reshaped: its summaries go.
    void ForgetDesignSummary();
    // The values are about to change: the design still owed is copied first.
    void BeforeValuesChange() override { CompleteDesign(); }
    // A new estimation rewrites the rows: the pending ones are not needed.
    void DropPendingLeverages();
    Reg(std::unique_ptr<EngineContext> own, EngineContext* context, int n, int k, const std::string& name);

    // SetDependent; residualPass false leaves the residual rows to the
    // caller's own pass.
    int ChooseDependent(int j, bool residualPass);
    // Structural residual sum of squares: observed explanatory values and
    // the current coefficients.
    long double StructuralSse() const;
    // Partial F values for every index other than the dependent one, from a
    // residual sum of squares and a residual variance.
    void UpdateFValues(long double sse, long double s2);
    // s2, R², adjusted R², coefficients and standard errors from the fit's sse.
    void FinishStatistics();
    // The constant-only model's figures after SetDependent.
    void FinishConstantModel();
    // The standard errors of swept variable m (the constant term k) from
    // the residual variance s2.
    void SetStandardErrors(int m, long double s2);
    // The first stage of two-stage least squares: endogenous design columns
    // replaced by their fitted values on every exogenous and lagged variable.
    void ReplaceEndogenousColumns();
    // The matrices, roles and table were sized for the present n and k. A
    // data edit changes them only with the next estimation, so until then
    // nothing may read the model's rows for the new shape.
    bool EstimatedForCurrentShape() const;
    // The first of the variables (constant excluded) holding a value that is
    // no finite number, as a message naming it and the observation; empty
    // when every value is finite.
    std::string NonFiniteValueMessage(const std::vector<int>& indices) const;
    // A variable of the model whose sum of squares is past the largest
    // double (OverflowingSumsMessage), else a coefficient or standard error
    // that is not finite, as a message naming its variable, else s² or the
    // target's sums past the largest double as "数値になりません"; empty
    // otherwise.
    std::string NonFiniteResultMessage() const;
    // A variable of the model (dependent or explanatory) whose sum of
    // squares about its mean is past the largest double, as a message naming
    // it; empty otherwise.
    std::string OverflowingSumsMessage() const;
    // Variable j's sum of squares about its mean (of the unswept moments) is
    // past the largest double: the variable cannot enter a model.
    bool SumOfSquaresOverflows(int j) const;
    // Variable m (not in the model) can be swept in: what is left of it
    // after the model's variables is more than the rounding of its own
    // values (a relative pivot above 2^-52). A copy of a variable or of a
    // combination of them leaves only rounding noise, which may be of any
    // sign.
    bool PivotUsable(int m) const;
    bool PivotUsableIn(const LongMatrix& moments, int m) const;
    // The swept moments lose too many digits in long double: some variable
    // of the model is almost a combination of the others.
    bool IllConditioned() const;
    // Sweeps the model's variables again from moments formed and swept in
    // double-double, over the design as it stands.
    void SweepPrecisely();
    // The swept moments formed again from the unswept ones for the current
    // roles, as a fresh fit forms them.
    void SweepFromUnswept();
    // The model as chosen, to go back to when a new one is refused.
    struct ModelChoice {
        int dependent = 0;
        std::vector<std::uint8_t> roles;
        Vector fValue;
        bool twoStage = false;
        bool estimated = false;
        std::string reason;  // why roles kept unestimated have no fit
    };
    ModelChoice CurrentChoice() const;
    // After a fit refused for figures that are no finite numbers: the model
    // chosen before is estimated again, or kept without an estimate when it
    // no longer fits either (with its own reason, not the refusal's);
    // FitProblem() keeps the refusal.
    void RestoreChoice(const ModelChoice& former);
    // SetModel; on a refusal the model before is estimated again when
    // restoreFormer, else (its data or method changed) the roles asked for
    // are kept without an estimate.
    bool FitOrRefuse(int j, const std::vector<std::uint8_t>& roles, bool restoreFormer);
    // SetModel once the values are known to be finite numbers.
    bool FitChoice(int j, const std::vector<std::uint8_t>& roles);
    // Shows FitProblem() to the user, as every refusing call does once.
    void ReportRefusal();
    // After the model's variables are swept: the precise sweep when needed,
    // residuals and statistics; the F values from the final moments.
    void FinishFit();

    std::unique_ptr<EngineContext> ownContext_;
    EngineContext* context_;
    DataFileCompanions* companions_ = nullptr;
    mutable std::unique_ptr<OwnCompanions> ownCompanions_;
    RegFit fit_;
    ObservationAnalysis analysis_;
    std::vector<std::uint8_t> role_;
    int dependent_ = 0;
    bool twoStage_ = false;
    bool realCalc_ = false;
    std::string fileName_;
    int fileForm_ = 0;
    GroupName groupNames_;
    ExpresList expres_;
    std::string fitProblem_;
    // False until a dependent variable is chosen, and for roles kept
    // without an estimate.
    bool estimated_ = false;
    // The refusal that left the roles without an estimate.
    std::string unestimatedReason_;
    std::uint64_t estimateSerial_ = 0;
    void TakeNewEstimateSerial();
    // What the leverage rows are formed from, taken at the estimation.
    mutable std::unique_ptr<LeverageSource> pendingLeverages_;
    mutable std::atomic<bool> leveragesPending_{false};
    mutable std::mutex leverageLock_;
    mutable std::atomic<bool> designPending_{false};
    // Whether the table or the design of the last estimation was read (the
    // design also: its values edited): the next estimation then forms them
    // in its own passes.
    mutable std::atomic<bool> leveragesRead_{false};
    mutable std::atomic<bool> designRead_{false};
    mutable std::mutex designLock_;
    // Summaries of the design's columns, by column (empty: not formed yet).
    mutable std::vector<std::optional<DesignColumnSummary>> designSummary_;
    mutable std::atomic<long> designSummaryPasses_{0};
    mutable std::mutex designSummaryLock_;
};

// The refusal of a fit whose coefficient or standard error of the variable
// name is no finite number, in the words every estimator uses.
std::string NonFiniteCoefficientMessage(const std::string& name);
