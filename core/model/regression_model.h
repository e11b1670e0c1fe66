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
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "core/model/analysis_table.h"
#include "core/data/data_set.h"
#include "core/data/equation_list.h"
#include "core/data/group_name.h"
#include "core/numeric/matrix.h"
#include "core/settings/engine_context.h"

struct DataFileCompanions;

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
    // (0 when none is positive).
    int SetDependent(int j);
    // New model with dependent j and every index whose roles entry is 2 as
    // explanatory variable. False when a variable could not be entered (zero
    // pivot, or no residual degree of freedom left) or on an error; the
    // statistics are finished for the variables entered.
    bool SetModel(int j, const std::vector<std::uint8_t>& roles);
    // Adds variable j to the model or removes it; false when refused.
    bool ToggleVariable(int j);
    // Re-runs SetModel with the current roles after a change of the data.
    // appended: a variable has just been added (the role array still has its
    // former size); it starts outside the model.
    void Reestimate(bool appended);
    // Brings the sizes up to date and clears the roles.
    void ResetModel();
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

    // --- results (j in 0 .. k) ---------------------------------------------
    double GetCoef(int j) const { return coef_.At(j); }
    double GetStdError(int j) const { return stdErr_.At(j); }
    double GetFValue(int j) const { return fValue_.At(j); }
    int GetRole(int j) const;
    bool IsExplanatory(int j) const { return GetRole(j) == kRoleExplanatory; }
    bool IsExogenous(int j) const;
    int CountExplanatory() const;
    int CountExogenous() const;
    double GetSweepElement(int i, int j) const { return static_cast<double>(modelMoments_.At(i, j)); }
    double GetDesignValue(int i, int j) const { return design_.At(i, j); }
    double GetAnalysisValue(int code, int i) const { return analysis_.GetValue(code, i); }
    void GetAnalysisRow(int code, std::vector<double>& out) const { analysis_.GetRow(code, out); }

    int GetDependent() const { return dependent_; }
    int GetResidualDf() const { return residualDf_; }
    double GetS2() const { return s2_; }
    double GetVarY() const { return varY_; }
    double GetR2() const { return r2_; }
    double GetAdjR2() const { return adjR2_; }
    double GetSyy() const { return syy_; }
    double GetSse() const { return sse_; }
    double GetPress() const { return press_; }
    double GetHetero() const { return hetero_; }
    double GetDurbinWatson() const { return durbinWatson_; }
    double GetTolerance(int j) const { return tolerance_.At(j); }

    bool IsTwoStage() const { return twoStage_; }
    // Takes effect with the next Reestimate.
    void SetTwoStage(bool on) { twoStage_ = on; }
    bool IsRealCalc() const { return realCalc_; }
    // In a two-stage fit the residual pass runs again at once, since the
    // leverage rows depend on it; the analysis rows are then out of date.
    void SetRealCalc(bool on);
    bool IsAnalysisReady() const { return analysisReady_; }
    bool IsInfluenceReady() const { return influenceReady_; }

    const std::string& GetFileName() const { return fileName_; }
    void SetFileName(const std::string& name) { fileName_ = name; }
    int GetFileForm() const { return fileForm_; }
    void SetFileForm(int form) { fileForm_ = form; }

    // The swept moment matrix, the design matrix, the analysis table and the
    // role array (k + 1 entries) for the diagnostics and the structural edits.
    const LongMatrix& SweptMoments() const { return modelMoments_; }
    const Matrix& Design() const { return design_; }
    RAData& Analysis() { return analysis_; }
    const RAData& Analysis() const { return analysis_; }
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

    // ---- per-observation analysis (begin)
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
    void ComputeAnalysisData();
    // The residual analysis, then rows 13 to 18, 19 + j and j - 100; once
    // per estimation. Rows of indices outside the model are zeroed.
    void ComputeInfluence();
    // hetero and durbinWatson from the fitted values and residuals.
    void ComputeResidualTests();

protected:
    // The leverages of the two-stage variant (observed explanatory values
    // against the second-stage design) are in use.
    bool TwoStageLeverages() const { return twoStage_ && realCalc_; }
    void AnalysisOrdinary();
    void AnalysisTwoStage();
    void InfluenceRows();

public:
    // ---- per-observation analysis (end)

    // ---- diagnostics and data hand-over (begin)
    // None of these changes the model; they read what the last estimation
    // left. "Model variables" are the indices 0 .. k of role 2 (the constant
    // included).

    // Variance inflation factors of the explanatory variables (index order)
    // into vif and the condition number. Fewer than two explanatory
    // variables: 0.0, vif untouched. EZeroDivide when the two-stage
    // cross-product block (realCalc) is singular.
    double GetConditionNumber(Vector& vif) const;
    // Prediction at x (k + 1 values; x[k] is set to 1.0) with its
    // simultaneous tolerance interval: share `probability` of the population
    // at confidence `confidence`. ERangeError when x is too short; no
    // residual degree of freedom gives NaN bounds.
    double GetToleranceInterval(std::span<double> x, double& lower, double& upper, double probability,
                                double confidence) const;
    // True when the data set has more endogenous variables than the
    // model's equation list (or equationCount) has equations.
    bool HasTooFewEquations() const;
    bool HasTooFewEquations(int equationCount) const;
    // Smallest root of det(A - lambda B) = 0 for the limited-information
    // estimator; -1.0 when the computation fails (a singular or indefinite
    // block, or a result that is not a number).
    double ComputeLimlRoot() const;
    // Breusch-Godfrey statistic of lag order q. NaN when q < 1 or when the
    // auxiliary regression has no more observations than columns.
    double BreuschGodfreyTest(int q) const;
    // Ordinary covariance of the coefficients, (k + 1) x (k + 1) by variable
    // index, zero outside the model. out is resized when its shape differs.
    void GetCovariance(Matrix& out) const;
    // White's heteroskedasticity-consistent covariance (no small-sample
    // factor), laid out as GetCovariance.
    void GetWhiteCovariance(Matrix& out) const;
    // Added-variable plot of variable j (0 .. k-1; ERangeError otherwise):
    // residuals of j and of the dependent variable on the other model
    // variables, n values each.
    void GetPartialRegression(std::vector<double>& ox, std::vector<double>& oy, int j) const;
    // The block of cells another estimator works on: by a group mask, or
    // (mask 0) every observation and every variable, or the model's
    // variables with modelOnly. flags (n bytes) and names are filled when
    // given. Returns true, filling neither, when either count is 0.
    bool SelectDataBlock(std::uint16_t mask, bool modelOnly, std::vector<std::uint8_t>* flags,
                         std::vector<std::string>* names, int& varCount, int& obsCount) const;
    // Design matrix of the block for another estimator: m selected
    // variables plus the constant term, one row per block observation (one
    // column when transposed). Without a selection the dependent variable
    // ends last and the constant term stands before it; with one the
    // dependent variable is at m - 1 and the constant last. A dependent name
    // outside the block leaves column m - 1 at 1.0. Throws Exception "DERR"
    // on an empty block; returns true when memory ran out.
    bool BuildDesignMatrix(std::uint16_t mask, const std::vector<std::uint8_t>* selection, bool transposed,
                           bool twoStageValues, std::vector<std::string>& names, Matrix& out,
                           const std::string& dependentName) const;
    // Copies min(n, rows) values of variable j (0 .. k) into column c: from
    // the design (first-stage values included) or the observed values.
    void CopyColumnTo(Matrix& m, int c, bool fromDesign, int j) const;
    // Column j (n values) and observation i (k + 1 values) of the design.
    void GetDesignColumn(int j, std::vector<double>& out) const;
    void GetDesignRow(int i, std::vector<double>& out) const;
    // Statistics of design column j; the standard deviation has divisor
    // n - 1.
    double GetDesignMean(int j) const;
    double GetDesignStdDev(int j) const;
    double GetDesignMax(int j) const;
    double GetDesignMin(int j) const;
    // ---- diagnostics and data hand-over (end)

    // ---- data files (begin)
    // Saves to the file name: ".MDF" (any letter case) in the binary form,
    // any other extension in the text form. The file is written beside the
    // target and moved into place, the old file kept as ".BAK"; only then is
    // the modified flag cleared. EFOpenError / EWriteError on failure, with
    // the old file and the modified flag as they were.
    void WriteFile();
    // fileName := name, then WriteFile.
    void SaveAs(const std::string& name);
    // Replaces this model by the file's data set and stored model, then
    // re-estimates it. The file is read completely first: on any error
    // (EFOpenError, EReadError, ...) this model, its file name and its
    // modified flag are left as they were.
    void LoadFile(const std::string& fileName);
    // The whole binary image (magic, data part, model sections) to a stream.
    void WriteBinaryImage(std::ostream& out) const;
    // What the file writers take: this data set, its stored model and the
    // program-wide companions a data file carries.
    struct DataFileImage FileImage() const;
    // Takes over a completely read file (its variables are moved out),
    // re-estimates the stored model and clears the modified flag.
    void AdoptLoaded(struct LoadedDataFile& loaded);
    // ---- data files (end)

    // ---- equations (begin)
    // ---- equations (end)

protected:
    struct OwnCompanions;
    Reg(std::unique_ptr<EngineContext> own, EngineContext* context, int n, int k, const std::string& name);

    // SetDependent; residualPass false leaves the residual rows to the
    // caller's own pass.
    int ChooseDependent(int j, bool residualPass);
    // Floor of residual variances (F-to-enter, deleted-residual spread):
    // varY x 2^-23, relative so that the units of the data do not decide
    // what counts as zero.
    double VarianceFloor() const;
    // Structural residual sum of squares: observed explanatory values and
    // the current coefficients.
    long double StructuralSse() const;
    // Partial F values for every index other than the dependent one, from a
    // residual sum of squares and a residual variance.
    void UpdateFValues(long double sse, long double s2);
    // s2, R², adjusted R², coefficients and standard errors from sse_.
    void FinishStatistics();
    // The constant-only model's figures after SetDependent.
    void FinishConstantModel();
    // The first stage of two-stage least squares: endogenous design columns
    // replaced by their fitted values on every exogenous and lagged variable.
    void ReplaceEndogenousColumns();
    // Swept indices (role 2, the constant included), in ascending order.
    std::vector<int> SweptIndices() const;
    // The matrices, roles and table were sized for the present n and k. A
    // data edit changes them only with the next estimation, so until then
    // nothing may read the model's rows for the new shape.
    bool EstimatedForCurrentShape() const;

    std::unique_ptr<EngineContext> ownContext_;
    EngineContext* context_;
    DataFileCompanions* companions_ = nullptr;
    mutable std::unique_ptr<OwnCompanions> ownCompanions_;
    LongMatrix modelMoments_;
    Matrix design_;
    // Means of the design columns (as a double and its remainder), for the
    // leverages: centred, they need no cancellation of large terms.
    std::vector<double> designMeanHi_;
    std::vector<double> designMeanLo_;
    // True when the design holds first-stage fitted values.
    bool designTwoStage_ = false;
    std::string fileName_;
    RAData analysis_;
    bool analysisReady_ = false;
    bool influenceReady_ = false;
    Vector coef_;
    Vector stdErr_;
    Vector fValue_;
    Vector tolerance_;
    std::vector<std::uint8_t> role_;
    int dependent_ = 0;
    int residualDf_ = 0;
    double s2_ = 0.0;
    double varY_ = 0.0;
    double r2_ = 0.0;
    double adjR2_ = 0.0;
    double syy_ = 0.0;
    double sse_ = 0.0;
    int fileForm_ = 0;
    GroupName groupNames_;
    ExpresList expres_;
    bool twoStage_ = false;
    bool realCalc_ = false;
    double press_ = 0.0;
    double hetero_ = 0.0;
    double durbinWatson_ = 0.0;
};
