// Reg: construction, choosing the model and sweeping variables in and out.
#include "core/model/regression_model.h"

#include <algorithm>
#include <cmath>
#include <exception>
#include <utility>

#include "core/io/data_file.h"
#include "core/model/leverage_forms.h"
#include "core/numeric/moment_matrix.h"
#include "core/numeric/numeric_helpers.h"
#include "core/numeric/regression_moments.h"
#include "core/numeric/streamed_store.h"
#include "platform/ui_services.h"
#include "resources/string_table.h"

namespace {

double Floored(double x) { return x < kSingleEpsilon ? 0.0 : x; }

}  // namespace

// Stands in for the program's companions while none are set.
struct Reg::OwnCompanions {
    UserVar userScalars;
    GridColorList colors;
    FFList finalForm;
    DataFileCompanions view;
    OwnCompanions() {
        view.userScalars = &userScalars;
        view.colors = &colors;
        view.finalForm = &finalForm;
    }
};

DataFileCompanions& Reg::FileCompanions() const {
    if (companions_ != nullptr) return *companions_;
    if (!ownCompanions_) ownCompanions_ = std::make_unique<OwnCompanions>();
    return ownCompanions_->view;
}

Reg::Reg(int n, int k, const std::string& name) : Reg(std::make_unique<EngineContext>(), nullptr, n, k, name) {}

Reg::Reg(EngineContext& context, int n, int k, const std::string& name) : Reg(nullptr, &context, n, k, name) {}

Reg::Reg(std::unique_ptr<EngineContext> own, EngineContext* context, int n, int k, const std::string& name)
    : Data(n, k, name, n >= 2 * kMomentChunkRows ? (context != nullptr ? context : own.get())->Pool() : nullptr),
      ownContext_(std::move(own)),
      context_(context != nullptr ? context : ownContext_.get()),
      fit_(GetObsCount(), GetVarCount()),
      analysis_(*context_, GetObsCount(), GetVarCount()),
      role_(GetVarCount() + 1, kRoleUnused) {
    const int kk = GetVarCount();
    role_[kk] = kRoleExplanatory;
    if (kk >= 1) {
        role_[kk - 1] = kRoleDependent;
        dependent_ = kk - 1;
    }
    expres_.SetData(*this);
    ClearExpres();
    groupNames_.Clear();
    // Small data sets are summed on the calling thread: no workers are
    // started for them (the result is the same either way).
    SetPoolSource([this] { return GetObsCount() >= 2 * kMomentChunkRows ? context_->Pool() : nullptr; });
}

void Reg::SetContext(EngineContext& context) {
    context_ = &context;
    analysis_.table.SetContext(context);
}

Reg::~Reg() = default;

int Reg::GetRole(int j) const {
    if (j < 0 || j >= static_cast<int>(role_.size())) throw ERangeError("範囲エラー");
    return role_[j];
}

bool Reg::IsExogenous(int j) const {
    if (j == GetVarCount()) return true;
    const int t = GetVarType(j);
    return t == Var::kExogenous || t == Var::kLagged;
}

int Reg::CountExplanatory() const {
    const int k = GetVarCount();
    int count = 0;
    for (int j = 0; j < k && j < static_cast<int>(role_.size()); ++j)
        if (role_[j] == kRoleExplanatory) ++count;
    return count;
}

int Reg::CountExogenous() const {
    const int k = GetVarCount();
    int count = 1;
    for (int j = 0; j < k; ++j)
        if (IsExogenous(j)) ++count;
    return count;
}

std::vector<int> Reg::SweptIndices() const {
    std::vector<int> s;
    const int k = GetVarCount();
    for (int j = 0; j <= k && j < static_cast<int>(role_.size()); ++j)
        if (role_[j] == kRoleExplanatory) s.push_back(j);
    return s;
}

double Reg::VarianceFloor() const { return VarianceFloorOf(fit_.varY); }

bool Reg::IsPerfectFit() const { return IsRoundingVariance(fit_.s2, VarianceFloor()); }

bool Reg::EstimatedForCurrentShape() const {
    const int n = GetObsCount();
    const int k = GetVarCount();
    return k >= 1 && dependent_ >= 0 && dependent_ < k && static_cast<int>(role_.size()) == k + 1 &&
           fit_.moments.Rows() == k + 1 && fit_.moments.Cols() == k + 1 && fit_.coef.Count() == k + 1 &&
           fit_.design.Rows() == n && fit_.design.Cols() == k + 1 && analysis_.table.Columns() == n &&
           analysis_.table.Rows() == RAData::RowCountFor(k);
}

// ---------------------------------------------------------------------------

void Reg::TakeNewEstimateSerial() {
    static std::atomic<std::uint64_t> last{0};
    estimateSerial_ = ++last;
}

void Reg::ResetModel() {
    TakeNewEstimateSerial();
    // The table is cleared and the design reshaped below: rows still owed
    // to a reader are formed first, as the estimation would have left them.
    FinishPendingLeverages();
    FinishPendingDesign();
    ForgetDesignSummary();
    const int n = GetObsCount();
    const int k = GetVarCount();
    if (!fit_.HasShape(k) || static_cast<int>(role_.size()) != k + 1) {
        fit_.ResetFor(k);
        role_.assign(k + 1, kRoleUnused);
    }
    // Refilled by BuildMoments: the storage is kept while it is large
    // enough (one observation fewer costs no new allocation).
    if (fit_.design.Rows() != n || fit_.design.Cols() != k + 1) fit_.design.Reshape(n, k + 1);
    analysis_.table.Allocate(n, k);
    analysis_.MarkOutOfDate();
    for (int j = 0; j < k; ++j) role_[j] = kRoleUnused;
    role_[k] = kRoleExplanatory;
}

void Reg::BuildMoments() {
    FinishPendingLeverages();  // they read the design about to be refilled
    DropPendingDesign();
    ForgetDesignSummary();
    const int n = GetObsCount();
    const int k = GetVarCount();
    const int stride = k + 1;
    std::vector<const double*> columns(k);
    for (int j = 0; j < k; ++j) columns[j] = std::as_const(*this).GetVar(j).Data();
    double* d = fit_.design.Data();
    fit_.designTwoStage = twoStage_;
    if (twoStage_) {
        // The first stage rewrites endogenous columns before the moments.
        for (long long i = 0; i < n; ++i) {
            double* row = d + i * stride;
            for (int j = 0; j < k; ++j) row[j] = columns[j][i];
            row[k] = 1.0;
        }
        ReplaceEndogenousColumns();
        BuildDesignMoments(d, n, stride, k, fit_.moments, Pool());
    } else {
        // The data set's own moments are the fit's (one method forms both).
        // The design holds the values themselves: it is copied when first
        // read, or before the values change; when the last one was read,
        // moments formed now fill it in the same pass.
        const bool wanted = designRead_.exchange(false, std::memory_order_acq_rel);
        const bool filled = wanted && RefreshWithDesign(d, stride);
        const LongMatrix& own = PreciseMoments();
        if (own.Rows() == k + 1 && own.Cols() == k + 1) {
            fit_.moments.Replace(LongMatrix(own));
            if (!wanted)
                designPending_.store(true, std::memory_order_release);
            else if (!filled)
                CopyDesignFromVariables();
        } else {
            BuildDesignFromColumns(columns.data(), n, k, d, stride, fit_.moments, Pool());
        }
    }
    fit_.designMeanHi.assign(k + 1, 0.0);
    fit_.designMeanLo.assign(k + 1, 0.0);
    for (int j = 0; j < k; ++j) {
        const long double mean = fit_.moments[k][j];
        fit_.designMeanHi[j] = static_cast<double>(mean);
        fit_.designMeanLo[j] = static_cast<double>(mean - fit_.designMeanHi[j]);
    }
    fit_.designMeanHi[k] = 1.0;  // the constant column centres to zero
}

void Reg::DropPendingDesign() {
    std::lock_guard<std::mutex> lock(designLock_);
    designPending_.store(false, std::memory_order_release);
}

void Reg::ForgetDesignSummary() {
    std::lock_guard<std::mutex> lock(designSummaryLock_);
    designSummary_.clear();
}

Reg::DesignColumnSummary Reg::DesignSummary(int j) const {
    const Matrix& design = Design();
    std::lock_guard<std::mutex> lock(designSummaryLock_);
    const auto at = static_cast<std::size_t>(j);
    if (j >= 0 && at < designSummary_.size() && designSummary_[at]) return *designSummary_[at];
    DesignColumnSummary s;
    s.mean = design.ColumnMeanSd(j, &s.sd);
    s.max = design.ColumnMinMax(j, &s.min);
    designSummaryPasses_.fetch_add(1, std::memory_order_relaxed);
    designSummary_.resize(static_cast<std::size_t>(design.Cols()));
    designSummary_[at] = s;
    return s;
}

void Reg::CompleteDesignNow() const {
    std::lock_guard<std::mutex> lock(designLock_);
    if (!designPending_.load(std::memory_order_acquire)) return;
    // Every edit of the values completes the design first, so the variables
    // still hold the values of the fit.
    CopyDesignFromVariables();
    designRead_.store(true, std::memory_order_release);
    designPending_.store(false, std::memory_order_release);
}

void Reg::CopyDesignFromVariables() const {
    const int n = std::min(fit_.design.Rows(), GetObsCount());
    const int constant = fit_.design.Cols() - 1;
    const int k = std::min(constant, GetVarCount());
    const long long stride = fit_.design.Cols();
    std::vector<const double*> columns(static_cast<std::size_t>(std::max(k, 0)));
    for (int j = 0; j < k; ++j) columns[static_cast<std::size_t>(j)] = GetVar(j).Data();
    double* d = fit_.design.Data();
    // Rows are gathered a block at a time and stored past the cache: the
    // design is far larger than it, and the columns of the next blocks are
    // asked for meanwhile.
    constexpr int kRows = 64;
    if (constant >= 0) ForEachBlock(Pool(), n, kMomentChunkRows, [&](long long first, int count) {
        std::vector<double> stage(static_cast<std::size_t>(kRows) * static_cast<std::size_t>(stride), 0.0);
        for (long long b = first; b < first + count; b += kRows) {
            const int len = static_cast<int>(std::min<long long>(kRows, first + count - b));
            const long long ahead = b + 2 * kRows;
            for (int j = 0; j < k && ahead < n; ++j) {
                const double* x = columns[static_cast<std::size_t>(j)] + ahead;
                const long long aheadLen = std::min<long long>(kRows, n - ahead);
                for (long long a = 0; a < aheadLen; a += 8) __builtin_prefetch(x + a, 0, 2);
            }
            for (int j = 0; j < k; ++j) {
                const double* x = columns[static_cast<std::size_t>(j)] + b;
                for (int t = 0; t < len; ++t) stage[static_cast<std::size_t>(t * stride + j)] = x[t];
            }
            for (int t = 0; t < len; ++t) stage[static_cast<std::size_t>(t * stride + constant)] = 1.0;
            StreamValues(stage.data(), static_cast<std::size_t>(len) * static_cast<std::size_t>(stride), d + b * stride);
        }
        FinishStreamedValues();
    });
}

void Reg::ReplaceEndogenousColumns() {
    const int n = GetObsCount();
    const int k = GetVarCount();
    const int stride = k + 1;
    double* d = fit_.design.Data();
    // The instruments: every exogenous and lagged variable with the constant.
    BuildDesignMoments(d, n, stride, k, fit_.moments, Pool());
    std::vector<int> instruments;
    for (int j = 0; j < k; ++j) {
        const int t = GetVarType(j);
        if ((t == Var::kExogenous || t == Var::kLagged) && fit_.moments.Sweep(j) == SweepResult::kSwept) instruments.push_back(j);
    }
    const int dep = dependent_;
    std::vector<long double> c(instruments.size());
    for (int j = 0; j < k; ++j) {
        if (j == dep || GetVarType(j) != Var::kEndogenous) continue;
        const long double c0 = fit_.moments[k][j];
        for (size_t s = 0; s < instruments.size(); ++s) c[s] = fit_.moments[instruments[s]][j];
        for (long long i = 0; i < n; ++i) {
            double* row = d + i * stride;
            long double fit = c0;
            for (size_t s = 0; s < instruments.size(); ++s) fit += c[s] * row[instruments[s]];
            row[j] = static_cast<double>(fit);
        }
    }
}

// ---------------------------------------------------------------------------

int Reg::SetDependent(int j) {
    const int k = GetVarCount();
    fitProblem_ = NonFiniteValueMessage({j < 0 || j >= k ? k - 1 : j});
    if (!fitProblem_.empty()) {
        ReportRefusal();
        return 0;
    }
    const ModelChoice former = CurrentChoice();
    const int best = ChooseDependent(j, true);
    fitProblem_ = NonFiniteResultMessage();
    if (fitProblem_.empty()) return best;
    RestoreChoice(former);
    ReportRefusal();
    return 0;
}

void Reg::ReportRefusal() {
    if (!fitProblem_.empty()) ErrorBox(context_->Services(), fitProblem_);
}

std::string Reg::NoEstimateReason() const {
    if (HasEstimate()) return {};
    return unestimatedReason_.empty() ? std::string("回帰式が推定されていません。") : unestimatedReason_;
}

void Reg::RequireEstimate() const {
    if (!HasEstimate()) throw Exception(NoEstimateReason());
}

Reg::ModelChoice Reg::CurrentChoice() const {
    return {dependent_, role_, fit_.fValue, twoStage_, estimated_ && EstimatedForCurrentShape(), unestimatedReason_};
}

void Reg::RestoreChoice(const ModelChoice& former) {
    // Values whose squares or products leave the range of a double: the
    // model on show before is estimated again (the data have not changed,
    // so it gives the same figures); after a data edit it no longer fits
    // either, and its roles stay without an estimate.
    const std::string problem = fitProblem_;
    twoStage_ = former.twoStage;
    bool kept = false;
    // The refused choice is no reason of the model kept.
    std::string reason = former.reason;
    if (former.estimated) {
        try {
            static_cast<void>(FitChoice(former.dependent, former.roles));
            kept = fitProblem_.empty();
            reason = fitProblem_;
        } catch (const std::exception&) {
        }
    }
    if (kept) {
        fit_.fValue = former.fValue;  // as the former fit was reached (toggles or not)
    } else {
        fitProblem_ = reason;
        KeepRolesUnestimated(former.dependent, former.roles);
    }
    fitProblem_ = problem;
}

void Reg::KeepRolesUnestimated(int j, const std::vector<std::uint8_t>& roles) {
    const int k = GetVarCount();
    if (k < 1) return;
    const std::string problem = fitProblem_;
    ResetModel();
    fit_.ResetFor(k);
    fit_.ClearFigures();
    const int dep = j < 0 || j >= k ? k - 1 : j;
    for (int m = 0; m < k && m < static_cast<int>(roles.size()); ++m)
        if (roles[m] == kRoleExplanatory) role_[m] = kRoleExplanatory;
    role_[dep] = kRoleDependent;
    dependent_ = dep;
    estimated_ = false;
    unestimatedReason_ = problem;
    fitProblem_ = problem;
}

int Reg::ChooseDependent(int j, bool residualPass) {
    const int k = GetVarCount();
    if (k < 1) return 0;
    // This estimation writes every residual row and the design again.
    DropPendingLeverages();
    DropPendingDesign();
    ResetModel();
    if (j < 0 || j >= k) j = k - 1;
    role_[j] = kRoleDependent;
    dependent_ = j;
    estimated_ = true;
    unestimatedReason_.clear();
    BuildMoments();

    LongMatrix& M = fit_.moments;
    fit_.unswept.Replace(LongMatrix(M));
    fit_.toleranceLong.assign(static_cast<std::size_t>(k) + 1, 0.0L);
    for (int m = 0; m <= k; ++m) {
        fit_.toleranceLong[static_cast<std::size_t>(m)] = M[m][m] * 1e-6L;
        fit_.tolerance.At(m) = static_cast<double>(fit_.toleranceLong[static_cast<std::size_t>(m)]);
    }
    const int n = GetObsCount();
    fit_.syy = static_cast<double>(M[j][j]);
    // Without the pass (a caller that enters variables at once and finishes
    // with its own pass) the constant model's SSE is Syy itself.
    fit_.sse = residualPass ? ComputeResiduals() : fit_.syy;
    fit_.residualDf = n - 1;
    fit_.varY = fit_.syy / (n - 1);
    fit_.s2 = fit_.sse / (n - 1);

    const double floor = VarianceFloor();
    for (int m = 0; m < k; ++m) {
        if (m == j) continue;
        const long double r = M[m][j] * M[m][j] / M[m][m];
        const long double q = (fit_.sse - r) / (n - 2);
        const bool small = !(std::fabs(static_cast<double>(q)) > floor);  // NaN counts as small
        // A variable whose entry would be refused is no candidate either.
        const bool out = fit_.toleranceLong[static_cast<std::size_t>(m)] > M[m][m] || small || SumOfSquaresOverflows(m);
        fit_.fValue.At(m) = out ? -1.0 : static_cast<double>(r / q);
    }
    fit_.fValue.At(j) = 0.0;
    fit_.fValue.At(k) = 0.0;
    FinishConstantModel();

    int best = 0;
    double bestValue = 0.0;
    for (int m = 0; m < k; ++m) {
        if (fit_.fValue.At(m) > bestValue) {
            bestValue = fit_.fValue.At(m);
            best = m;
        }
    }
    return best;
}

void Reg::FinishConstantModel() {
    // No figure of a former model may survive: only the constant is in.
    const int k = GetVarCount();
    ZeroVector(fit_.coef);
    ZeroVector(fit_.stdErr);
    ZeroVector(fit_.heldStdErr);
    fit_.coef.At(k) = static_cast<double>(fit_.moments[k][dependent_]);
    SetStandardErrors(k, static_cast<long double>(fit_.s2));
    fit_.r2 = 0.0;
    fit_.adjR2 = 0.0;
}

void Reg::UpdateFValues(long double sse, long double s2) {
    const int k = GetVarCount();
    const int dep = dependent_;
    const LongMatrix& M = fit_.moments;
    const double floor = VarianceFloor();
    const long double s2Held = HeldAtFloor(s2, floor);
    for (int m = 0; m < k; ++m) {
        if (m == dep) continue;
        const long double a = M[m][dep];
        const long double d = M[m][m];
        const bool singular = fit_.toleranceLong[static_cast<std::size_t>(m)] >= d;
        if (role_[m] == kRoleExplanatory) {
            fit_.fValue.At(m) = static_cast<double>(a * a / (d * s2Held));
        } else {
            const long double r = singular ? sse : a * a / d;
            const long double q = (sse - r) / (fit_.residualDf - 1);
            const bool small = !(std::fabs(static_cast<double>(q)) > floor);
            fit_.fValue.At(m) = (singular || small) ? 0.0 : static_cast<double>(r / q);
        }
    }
    fit_.fValue.At(dep) = 0.0;
    fit_.fValue.At(k) = 0.0;
}

void Reg::FinishStatistics() {
    const int k = GetVarCount();
    const int dep = dependent_;
    const LongMatrix& M = fit_.moments;
    const long double formed = static_cast<long double>(fit_.sse) / fit_.residualDf;
    fit_.s2 = static_cast<double>(formed);
    fit_.r2 = Floored(1.0 - fit_.sse / fit_.syy);
    fit_.adjR2 = Floored(1.0 - fit_.s2 / fit_.varY);
    fit_.coef.At(k) = static_cast<double>(M[k][dep]);
    SetStandardErrors(k, formed);
    for (int m = 0; m < k; ++m) {
        if (m != dep && role_[m] == kRoleExplanatory) {
            fit_.coef.At(m) = static_cast<double>(M[m][dep]);
            SetStandardErrors(m, formed);
        } else {
            fit_.coef.At(m) = 0.0;
            fit_.stdErr.At(m) = fit_.heldStdErr.At(m) = 0.0;
        }
    }
}

void Reg::SetStandardErrors(int m, long double s2) {
    // The standard error is a size and comes from s2 as formed; a t value
    // divides by the one from s2 held at its floor, so that a perfect fit's
    // t is finite and the same in any units.
    const long double c = fit_.moments[m][m];
    fit_.stdErr.At(m) = static_cast<double>(std::sqrt(c * s2));
    fit_.heldStdErr.At(m) = static_cast<double>(std::sqrt(c * HeldAtFloor(s2, VarianceFloor())));
}

bool Reg::SetModel(int j, const std::vector<std::uint8_t>& roles) { return FitOrRefuse(j, roles, true); }

bool Reg::FitOrRefuse(int j, const std::vector<std::uint8_t>& roles, bool restoreFormer) {
    const int k = GetVarCount();
    if (k < 1) return false;
    try {
        const int target = j < 0 || j >= k ? k - 1 : j;
        std::vector<int> used{target};
        for (int m = 0; m < k && m < static_cast<int>(roles.size()); ++m)
            if (m != target && roles[m] == kRoleExplanatory) used.push_back(m);
        // Refused before anything changes: the former model stays.
        fitProblem_ = NonFiniteValueMessage(used);
        if (!fitProblem_.empty()) {
            if (!restoreFormer) KeepRolesUnestimated(j, roles);
            ReportRefusal();
            return false;
        }
        const ModelChoice former = CurrentChoice();
        const bool done = FitChoice(j, roles);
        if (fitProblem_.empty()) return done;
        if (restoreFormer) {
            RestoreChoice(former);
        } else {
            twoStage_ = former.twoStage;  // the method asked for, whatever the fit fell back to
            KeepRolesUnestimated(j, roles);
        }
        ReportRefusal();
        return false;
    } catch (const std::exception&) {
        return false;
    }
}

bool Reg::FitChoice(int j, const std::vector<std::uint8_t>& roles) {
    const int k = GetVarCount();
    const int target = j < 0 || j >= k ? k - 1 : j;
    bool enters = false;
    for (int m = 0; m < k && m < static_cast<int>(roles.size()); ++m)
        if (m != target && roles[m] == kRoleExplanatory) enters = true;
    bool fellBack = false;
    int others = 0;
    if (twoStage_ && IsUnderidentifiedFor(target, roles, others)) {
        // As a toggle does: ordinary least squares with these roles.
        WarningBox(context_->Services(), LoadStr(kStrUnderidentified));
        twoStage_ = false;
        fellBack = true;
    }
    ChooseDependent(j, !enters);
    const int dep = dependent_;
    bool complete = true;
    for (int m = 0; m < k; ++m) {
        if (m == dep || m >= static_cast<int>(roles.size()) || roles[m] != kRoleExplanatory) continue;
        // Keep at least one residual degree of freedom, and stop at a
        // variable with no variation left; the statistics are still
        // finished for the variables entered so far.
        if (fit_.residualDf - 1 < 1 || !PivotUsable(m) || fit_.moments.Sweep(m) == SweepResult::kZeroPivot) {
            complete = false;
            break;
        }
        role_[m] = kRoleExplanatory;
        --fit_.residualDf;
        const long double ssec = twoStage_ ? StructuralSse() : fit_.moments[dep][dep];
        UpdateFValues(ssec, ssec / fit_.residualDf);
    }
    FinishFit();
    analysis_.MarkOutOfDate();
    return complete && !fellBack;
}

bool Reg::ToggleVariable(int j) {
    const int k = GetVarCount();
    if (j < 0 || j >= k || j == dependent_) return false;
    // After a data edit and before its re-estimation the swept matrix
    // belongs to the former shape.
    if (!EstimatedForCurrentShape()) return false;
    if (!estimated_) {
        // No swept matrix to step from: the roles with j toggled are set as
        // a new model.
        std::vector<std::uint8_t> roles = role_;
        roles[static_cast<std::size_t>(j)] = role_[j] == kRoleExplanatory ? kRoleUnused : kRoleExplanatory;
        return SetModel(dependent_, roles);
    }
    if (role_[j] == kRoleUnused && fit_.residualDf < 3) return false;
    if (twoStage_) {
        const std::uint8_t former = role_[j];
        role_[j] = former == kRoleExplanatory ? kRoleUnused : kRoleExplanatory;
        int others = 0;
        if (IsUnderidentified(others)) {
            // Fall back to ordinary least squares with the variable toggled.
            WarningBox(context_->Services(), LoadStr(kStrUnderidentified));
            twoStage_ = false;
            Reestimate(false);
            return false;
        }
        role_[j] = former;
    }
    try {
        if (role_[j] != kRoleExplanatory) {
            // A variable with a value that is no number is refused as it stands.
            const std::string problem = NonFiniteValueMessage({j});
            if (!problem.empty()) {
                fitProblem_ = problem;
                ReportRefusal();
                return false;
            }
        }
        if (role_[j] != kRoleExplanatory && !PivotUsable(j)) return false;
        const auto flip = [&] {
            if (fit_.moments.Sweep(j) == SweepResult::kZeroPivot) return false;
            const bool out = role_[j] == kRoleExplanatory;
            role_[j] = out ? kRoleUnused : kRoleExplanatory;
            fit_.residualDf += out ? 1 : -1;
            TakeNewEstimateSerial();
            SweepFromUnswept();
            FinishFit();
            UpdateFValues(static_cast<long double>(fit_.sse), static_cast<long double>(fit_.sse) / fit_.residualDf);
            analysis_.MarkOutOfDate();
            return true;
        };
        const Vector fBefore = fit_.fValue;
        if (!flip()) return false;
        if (fitProblem_.empty()) return true;
        // Figures that leave the range of a double: the model goes back to
        // what it was, its F values as they were, and the problem is kept
        // for the caller.
        const std::string problem = fitProblem_;
        static_cast<void>(flip());
        fit_.fValue = fBefore;
        fitProblem_ = problem;
        ReportRefusal();
        return false;
    } catch (const std::exception&) {
        return false;
    }
}

void Reg::Reestimate(bool appended) {
    const int k = GetVarCount();
    if (k < 1) return;
    std::vector<std::uint8_t> copy(k + 1, kRoleUnused);
    const int old = static_cast<int>(role_.size());
    if (appended) {
        for (int j = 0; j <= k - 2 && j < old; ++j) copy[j] = role_[j];
        copy[k - 1] = kRoleUnused;
    } else {
        for (int j = 0; j <= k && j < old; ++j) copy[j] = role_[j];
    }
    copy[k] = kRoleExplanatory;
    int dep = k - 1;
    for (int j = 0; j < k; ++j) {
        if (copy[j] == kRoleDependent) {
            dep = j;
            break;
        }
    }
    // Variables that no longer enter are left out of the model. A refused
    // fit leaves no estimate: the one before was of other data or of
    // another method, so it is not fitted again.
    static_cast<void>(FitOrRefuse(dep, copy, false));
    expres_.MarkOutOfDate();
}

bool Reg::IsUnderidentified(int& others, int* K, int* g, int* kIn) const {
    return IsUnderidentifiedFor(dependent_, role_, others, K, g, kIn);
}

bool Reg::IsUnderidentifiedFor(int dep, const std::vector<std::uint8_t>& roles, int& others, int* K, int* g,
                               int* kIn) const {
    const int k = GetVarCount();
    int nOthers = 0, nK = 0, gIn = 0, nKIn = 0;
    for (int j = 0; j <= k && j < static_cast<int>(roles.size()); ++j) {
        // The dependent variable counts as such whatever its roles entry; the
        // constant is always in.
        const std::uint8_t role = j == dep ? kRoleDependent : j == k ? kRoleExplanatory : roles[j];
        const int t = j == k ? Var::kExogenous : GetVarType(j);
        if (t == Var::kEndogenous) {
            if (role != kRoleDependent) ++nOthers;
            if (role == kRoleExplanatory) ++gIn;
        } else if (t == Var::kExogenous || t == Var::kLagged) {
            ++nK;
            if (role == kRoleExplanatory) ++nKIn;
        }
    }
    const bool depEndogenous = dep >= 0 && dep < k && GetVarType(dep) == Var::kEndogenous;
    const int nG = depEndogenous ? gIn + 1 : gIn;
    others = nOthers;
    if (K) *K = nK;
    if (g) *g = nG;
    if (kIn) *kIn = nKIn;
    return nK < 2 || nK - nKIn < nG - 1;
}

// ---------------------------------------------------------------------------

bool Reg::SetGroupName(int code, const std::string& name) {
    const bool added = groupNames_.SetName(name, code);
    SetModified(true);
    return added;
}

std::string Reg::GetGroupName(int code) const {
    std::string name = groupNames_.GetName(code);
    return name.empty() ? std::to_string(code) : name;
}

void Reg::RenameVar(int j, const std::string& name) {
    const std::string old = GetVarName(j);
    SetVarName(j, name);
    expres_.RenameVar(old, name);
    SetModified(true);
}

void Reg::ReplaceDataSet(std::vector<std::unique_ptr<Var>>&& vars, int obs, std::string&& name,
                         std::string&& info) {
    BeforeValuesChange();
    table_ = std::move(vars);
    vars.clear();
    SetObsCount(obs);
    name_ = std::move(name);
    info_ = std::move(info);
}

void Reg::SetRealCalc(bool on) {
    if (realCalc_ == on) return;
    realCalc_ = on;
    analysis_.MarkOutOfDate();
    if (twoStage_ && HasEstimate()) ComputeResiduals();
}

int Reg::AddExpres(const Expres& equation) {
    const int i = expres_.Add(equation);
    SetModified(true);
    return i;
}

void Reg::DeleteExpres(int i) {
    expres_.Delete(i);
    SetModified(true);
}

void Reg::ClearExpres() {
    expres_.Clear();
    SetModified(true);
}
