#include "core/model/instrumental_fit.h"

#include <algorithm>
#include <cmath>
#include <utility>

#include "core/model/instrumental_passes.h"
#include "core/model/leverage_forms.h"
#include "core/model/regression_data_blocks.h"
#include "core/model/regression_model.h"
#include "core/numeric/distributions.h"
#include "core/numeric/moment_matrix.h"
#include "core/numeric/numeric_helpers.h"
#include "core/numeric/statistics.h"
#include "core/numeric/tolerance_interval.h"
#include "core/settings/engine_context.h"
#include "platform/errors.h"
#include "platform/ui_services.h"
#include "resources/string_table.h"

namespace {

constexpr int kRowObserved = 0;
constexpr int kRowFitted = 1;
constexpr int kRowResidual = 2;
constexpr int kRowErrorPercent = 3;
constexpr int kRowPress = 4;
constexpr int kRowResidualSd = 5;
constexpr int kRowStandardized = 6;
constexpr int kRowStudentized = 7;
constexpr int kRowResidualShare = 8;
constexpr int kRowHatB = 9;
constexpr int kRowHatC = 10;
constexpr int kRowHatA = RegIV::kPressLeverageRow;
constexpr int kRowDeletedS2 = 12;
constexpr int kRowCovRatio = 13;
constexpr int kRowDffits = 14;
constexpr int kRowCook = 15;
constexpr int kRowW = 16;
constexpr int kRowDeletedR2 = 17;
constexpr int kRowDeletedAdjR2 = 18;
constexpr int kRowDfbetas = 19;

// A value below 2^-23 counts as zero (also a NaN from 0 / 0).
double ZeroBelowEpsilon(double x) { return x >= kSingleEpsilon ? x : 0.0; }

constexpr double kUnitRoundoff = 0x1p-53;
// The cross-products are sums of blocks of 256 products: their rounding, as
// it adds up in the typical case, relative to the sizes of the two columns.
constexpr double kSumError = 16.0 * kUnitRoundoff;
// A pivot within this many times its error bound holds fewer than about
// three correct digits: the column is, to the precision at hand, a
// combination of those swept before it.
constexpr double kPivotSafety = 256.0;

// A square matrix swept as Matrix::Sweep does, with a first-order bound on
// the rounding error of every element carried along.
class NoisySweep {
public:
    // Element (i, j) of m starts with the error kSumError rowSize[i]
    // colSize[j] (|z_i'x_j| <= |z_i| |x_j|).
    NoisySweep(const Matrix& m, const std::vector<double>& rowSize, const std::vector<double>& colSize)
        : k_(m.Rows()), m_(static_cast<std::size_t>(k_) * k_), e_(m_.size()) {
        for (int i = 0; i < k_; ++i)
            for (int j = 0; j < k_; ++j) {
                m_[At(i, j)] = m[i][j];
                e_[At(i, j)] = kSumError * rowSize[static_cast<std::size_t>(i)] * colSize[static_cast<std::size_t>(j)];
            }
    }
    // The pivot stands clear of its rounding (false for NaN).
    bool Clear(int p) const { return std::fabs(m_[At(p, p)]) > kPivotSafety * e_[At(p, p)]; }
    void Sweep(int p) {
        const double d = m_[At(p, p)], ed = e_[At(p, p)];
        const double ad = std::fabs(d);
        for (int i = 0; i < k_; ++i) {
            if (i == p) continue;
            const double mip = m_[At(i, p)], eip = e_[At(i, p)];
            for (int j = 0; j < k_; ++j) {
                if (j == p) continue;
                const double mpj = m_[At(p, j)], epj = e_[At(p, j)];
                const double t = mip * mpj / d;
                e_[At(i, j)] += (std::fabs(mpj) * eip + std::fabs(mip) * epj + std::fabs(t) * ed) / ad +
                                kUnitRoundoff * (std::fabs(m_[At(i, j)]) + 2.0 * std::fabs(t));
                m_[At(i, j)] -= t;
            }
        }
        for (int j = 0; j < k_; ++j) {
            if (j == p) continue;
            const double row = m_[At(p, j)] / d, column = -m_[At(j, p)] / d;
            e_[At(p, j)] = (e_[At(p, j)] + std::fabs(row) * ed) / ad + kUnitRoundoff * std::fabs(row);
            e_[At(j, p)] = (e_[At(j, p)] + std::fabs(column) * ed) / ad + kUnitRoundoff * std::fabs(column);
            m_[At(p, j)] = row;
            m_[At(j, p)] = column;
        }
        m_[At(p, p)] = 1.0 / d;
        e_[At(p, p)] = ed / (d * d) + kUnitRoundoff / ad;
    }

private:
    std::size_t At(int i, int j) const { return static_cast<std::size_t>(i) * k_ + j; }
    int k_;
    std::vector<double> m_, e_;
};

// Square roots of the diagonal of m.
std::vector<double> ColumnSizes(const Matrix& m) {
    std::vector<double> size(static_cast<std::size_t>(m.Rows()));
    for (int i = 0; i < m.Rows(); ++i) size[static_cast<std::size_t>(i)] = std::sqrt(std::fabs(m[i][i]));
    return size;
}

}  // namespace

RegIV::RegIV(const Reg& data, std::uint16_t mask, bool modelOnly) : mask_(mask), context_(&data.Context()) {
    std::vector<std::uint8_t> flags;
    if (!SelectDataBlock(data, mask, modelOnly, &flags, &names_, v_, n_)) throw Exception("DERR");
    const int v = v_, n = n_;
    a_.Replace(Matrix(v + 1, v + 1, 0.0));
    a0_.Replace(a_);
    cf_.Replace(Matrix(v + 1, v + 1, 0.0));
    w_.Replace(Matrix(v + 1, v + 1, 0.0));
    coef_.assign(v + 1, 0.0);
    stdErr_.assign(v + 1, 0.0);
    fValue_.assign(v + 1, 0.0);
    tolerance_.assign(v + 1, 0.0);
    roles_.assign(v + 1, kRoleUnused);
    roles_[v] = kRoleExplanatory;
    roles_[v - 1] = kRoleDependent;
    dependent_ = v - 1;
    analysis_ = std::make_unique<RAData>(data.Context(), n, v);
    types_.assign(v, 0);
    std::vector<const double*> columns(static_cast<std::size_t>(v), nullptr);
    int count = static_cast<int>(flags.size());
    for (int j = 0; j < v; ++j) {
        const int col = data.FindVar(names_[j]);
        if (col < 0) continue;
        const Var& var = data.GetVar(col);
        types_[j] = var.GetType();
        columns[j] = var.begin();
        count = std::min(count, var.Count());
    }
    // Row r of the block is the r-th flagged observation; the rows are
    // copied on the worker threads straight into storage that nothing
    // filled before. The design starts as the observed data itself and is
    // copied only when first edited.
    std::vector<int> source;
    if (std::find(flags.begin(), flags.begin() + count, 0) != flags.begin() + count) {
        source.assign(static_cast<std::size_t>(n), -1);
        for (int i = 0, row = 0; i < count && row < n; ++i)
            if (flags[i]) source[static_cast<std::size_t>(row++)] = i;
    }
    Matrix block(n, v + 1);
    FillObservationRows(context_->Pool(), columns, count, source, block);
    swap(x_, block);
    for (int j = 0; j < data.GetVarCount(); ++j) dataSetTypes_.push_back(data.GetVar(j).GetType());
}

// The pivots of Z'X, and when one fails those of X'X over the same set.
class RegIV::EntryCheck {
public:
    explicit EntryCheck(const RegIV& model)
        : model_(model), zx_(model.a0_, ColumnSizes(model.w_), ColumnSizes(model.DataCrossProducts())) {}
    Problem Before(int j) const {
        if (zx_.Clear(j)) return Problem::kNone;
        // Least squares on the observed data fails the same way: the
        // regressors themselves cannot be inverted. Otherwise the
        // instruments do not pin the coefficients down.
        const Matrix& xx = model_.DataCrossProducts();
        const std::vector<double> size = ColumnSizes(xx);
        NoisySweep x(xx, size, size);
        for (int e : entered_) x.Sweep(e);
        return x.Clear(j) ? Problem::kUnidentified : Problem::kSingular;
    }
    void Entered(int j) {
        zx_.Sweep(j);
        entered_.push_back(j);
    }

private:
    const RegIV& model_;
    NoisySweep zx_;
    std::vector<int> entered_;
};

std::vector<int> RegIV::ModelSet() const {
    std::vector<int> s;
    for (int j = 0; j <= v_; ++j)
        if (roles_[j] == kRoleExplanatory) s.push_back(j);
    return s;
}

void RegIV::SetDependent(int k) {
    problem_ = Problem::kNone;
    ResetModel(k, true);
    Accept();
}

std::string RegIV::ProblemText(Problem problem) {
    switch (problem) {
    case Problem::kUnidentified: return LoadStr(kStrUnderidentified);
    case Problem::kSingular: return "INVERSE ERROR!";
    case Problem::kTooFewObservations: return "データ不足";
    case Problem::kNotANumber:
    case Problem::kNotFinite: return "数値になりません";
    case Problem::kNone: break;
    }
    return {};
}

void RegIV::ResetModel(int k, bool withResiduals) {
    if (k < 0 || k >= v_) k = v_ - 1;
    roles_.assign(v_ + 1, kRoleUnused);
    roles_[k] = kRoleDependent;
    dependent_ = k;
    InstrumentalCrossProducts(context_->Pool(), Design(), x_, !ownDesign_, a_, w_);
    a0_.Replace(a_);
    if (!ownDesign_ && xx_.Rows() == 0) xx_.Replace(w_);  // Z'Z is X'X here
    for (int j = 0; j <= v_; ++j) tolerance_[j] = a_[j][j] * 1e-6;
    ComputeDependentMoments();
    // A selection that enters variables next computes every figure below
    // again: the pass over the observations is left to it.
    rss_ = withResiduals ? ComputeFit(false) : 0.0;
    varY_ = tss_ / (n_ - 1);
    df_ = n_;
    s2_ = rss_ / df_;
    r2_ = adjR2_ = 0.0;
    std::fill(coef_.begin(), coef_.end(), 0.0);
    std::fill(stdErr_.begin(), stdErr_.end(), 0.0);
    for (int j = 0; j <= v_; ++j) {
        fValue_[j] = 0.0;
        if (j == k) continue;
        // Z'X need not be positive on its diagonal: sizes are compared.
        const double diag = std::fabs(a_[j][j]);
        if (!(Tolerance(j) < diag)) continue;
        const double r = std::fabs(a_[k][j] * a_[j][k]) / diag;
        const double s2j = (rss_ - r) / (df_ - 1);
        if (std::fabs(s2j) >= kSingleEpsilon) fValue_[j] = r / s2j;
    }
    diagnosticsDone_ = influenceDone_ = false;
}

double RegIV::Tolerance(int j) const {
    if (roles_[v_] != kRoleExplanatory || j == v_) return std::fabs(tolerance_[j]);
    // With the constant term in, a millionth of the sum about the means (as
    // least squares takes it), not below the rounding that sum carries.
    const long double aboutZero = a0_[j][j];
    const long double aboutMean = aboutZero - static_cast<long double>(a0_[j][v_]) * a0_[v_][j] / a0_[v_][v_];
    return static_cast<double>(
        std::max(std::fabs(aboutMean) * 1e-6L, std::fabs(aboutZero) * (kPivotSafety * kSumError)));
}

void RegIV::FinishModelChange() {
    ComputeCovarianceFactor();
    // The leverages are read by the diagnostics and influence rows only:
    // they are formed when first asked for.
    rss_ = ComputeFit(false);
    s2_ = rss_ / df_;
    r2_ = ZeroBelowEpsilon(1.0 - rss_ / tss_);
    adjR2_ = ZeroBelowEpsilon(1.0 - s2_ / varY_);
    const int d = dependent_;
    for (int j = 0; j <= v_; ++j) {
        if (j == d) continue;
        const double diag = std::fabs(a_[j][j]);
        const bool inTol = Tolerance(j) < diag;
        if (roles_[j] == kRoleExplanatory) {
            coef_[j] = a_[j][d];
            stdErr_[j] = std::sqrt(cf_[j][j] * s2_);
            fValue_[j] = std::fabs(a_[j][d] * a_[d][j]) / diag / s2_;
        } else {
            coef_[j] = stdErr_[j] = 0.0;
            const double r = inTol ? std::fabs(a_[j][d] * a_[d][j]) / diag : rss_;
            const double s2j = (rss_ - r) / (df_ - 1);
            fValue_[j] = inTol && std::fabs(s2j) >= kSingleEpsilon ? r / s2j : 0.0;
        }
    }
    diagnosticsDone_ = influenceDone_ = false;
}

bool RegIV::ToggleVariable(int k) {
    problem_ = Problem::kNone;
    if (k < 0 || k > v_ || k == dependent_) return false;
    const bool adding = roles_[k] == kRoleUnused;
    if (adding && df_ < 3) return false;
    Estimate before = Save();
    if (adding) {
        const std::vector<int> set = ModelSet();
        std::vector<int> next = set;
        next.push_back(k);
        if (const Problem p = DataProblem(next, dependent_); p != Problem::kNone) return Refuse(p, before);
        if (const Problem p = EntryProblem(k, set); p != Problem::kNone) return Refuse(p, before);
    }
    if (a_.Sweep(k) == SweepResult::kZeroPivot) return adding ? Refuse(Problem::kSingular, before) : false;
    roles_[k] = adding ? kRoleExplanatory : kRoleUnused;
    df_ += adding ? -1 : 1;
    FinishModelChange();
    if (const Problem p = ResultProblem(); p != Problem::kNone) return Refuse(p, before);
    Accept();
    return true;
}

bool RegIV::SelectVariables(const std::vector<std::uint8_t>& roles, int k) {
    problem_ = Problem::kNone;
    const int dep = k < 0 || k >= v_ ? v_ - 1 : k;
    std::vector<int> set;
    for (int j = 0; j <= v_ && j < static_cast<int>(roles.size()); ++j)
        if (roles[j] == kRoleExplanatory && j != dep) set.push_back(j);
    Estimate before = Save();
    if (const Problem p = DataProblem(set, dep); p != Problem::kNone) return Refuse(p, before);
    ResetModel(dep, false);
    EntryCheck check(*this);
    for (int j : set) {
        Problem p = check.Before(j);
        if (p == Problem::kNone && a_.Sweep(j) == SweepResult::kZeroPivot) p = Problem::kSingular;
        if (p != Problem::kNone) return Refuse(p, before);
        roles_[j] = kRoleExplanatory;
        --df_;
        check.Entered(j);
    }
    FinishModelChange();
    if (const Problem p = ResultProblem(); p != Problem::kNone) return Refuse(p, before);
    Accept();
    return true;
}

bool RegIV::Refit(bool dropLast) {
    problem_ = Problem::kNone;
    std::vector<std::uint8_t> keep = roles_;
    if (dropLast) {
        keep[v_ - 1] = kRoleUnused;
        keep[v_] = kRoleExplanatory;
    }
    const int dep = dependent_;
    // The toggles' floor, one entry after another in ascending order.
    std::vector<int> set;
    for (int j = 0, df = n_; j <= v_; ++j)
        if (keep[j] == kRoleExplanatory && j != dep && df >= 3) {
            set.push_back(j);
            --df;
        }
    Estimate before = Save();
    if (const Problem p = DataProblem(set, dep); p != Problem::kNone) return Refuse(p, before);
    // The sweeps one after another, then the figures of the model once.
    ResetModel(dep, false);
    EntryCheck check(*this);
    bool entered = false;
    for (int j : set) {
        Problem p = check.Before(j);
        if (p == Problem::kNone && a_.Sweep(j) == SweepResult::kZeroPivot) p = Problem::kSingular;
        if (p != Problem::kNone) return Refuse(p, before);
        roles_[j] = kRoleExplanatory;
        --df_;
        check.Entered(j);
        entered = true;
    }
    if (entered)
        FinishModelChange();
    else
        ResetModel(dep, true);
    if (const Problem p = ResultProblem(); p != Problem::kNone) return Refuse(p, before);
    Accept();
    return true;
}

RegIV::Estimate RegIV::Save() const {
    return Estimate{a_,     a0_,       cf_,    w_,     coef_,  stdErr_, fValue_, tolerance_,       roles_,
                    dependent_, df_,   s2_,    varY_,  r2_,     adjR2_,  tss_,             rss_,
                    meanY_, press_,    diagnosticsDone_, influenceDone_, leveragesPending_, estimated_,
                    passes_};
}

void RegIV::Restore(Estimate& before) {
    RestoreDesign();
    swap(a_, before.a);
    swap(a0_, before.a0);
    swap(cf_, before.cf);
    swap(w_, before.w);
    coef_.swap(before.coef);
    stdErr_.swap(before.stdErr);
    fValue_.swap(before.fValue);
    tolerance_.swap(before.tolerance);
    roles_.swap(before.roles);
    dependent_ = before.dependent;
    df_ = before.df;
    s2_ = before.s2;
    varY_ = before.varY;
    r2_ = before.r2;
    adjR2_ = before.adjR2;
    tss_ = before.tss;
    rss_ = before.rss;
    meanY_ = before.meanY;
    // The pass of the refused model wrote the fitted rows (not the leverage
    // rows, not the later ones): the same pass of the estimate before writes
    // them back, bit for bit.
    if (passes_ != before.passes && before.estimated) (void)ComputeFit(false);
    press_ = before.press;
    leveragesPending_ = before.leveragesPending;
    diagnosticsDone_ = before.diagnosticsDone;
    influenceDone_ = before.influenceDone;
    estimated_ = before.estimated;
}

bool RegIV::Refuse(Problem problem, Estimate& before) {
    Restore(before);
    problem_ = problem;
    return false;
}

void RegIV::Accept() {
    estimated_ = true;
    acceptedOwnDesign_ = ownDesign_;
    editedColumns_.clear();
}

void RegIV::RememberDesignColumn(int j) {
    // A design that was the observed data goes back to being it.
    if (!acceptedOwnDesign_) return;
    for (const auto& edited : editedColumns_)
        if (edited.first == j) return;
    std::vector<double> values;
    GetDesignColumn(j, values);
    editedColumns_.emplace_back(j, std::move(values));
}

void RegIV::RestoreDesign() {
    if (!acceptedOwnDesign_) {
        if (ownDesign_) {
            Matrix none;
            swap(z_, none);
            designNonFinite_.clear();
            ownDesign_ = false;
        }
    } else {
        for (const auto& [j, values] : editedColumns_) {
            for (int i = 0; i < n_; ++i) z_[i][j] = values[static_cast<std::size_t>(i)];
            designNonFinite_[static_cast<std::size_t>(j)] = CountNonFinite(z_, j);
        }
    }
    editedColumns_.clear();
}

RegIV::Problem RegIV::DataProblem(const std::vector<int>& set, int k) const {
    if (n_ < 2 || n_ - static_cast<int>(set.size()) < 1) return Problem::kTooFewObservations;
    const std::vector<int>& data = DataNonFinite();
    std::vector<int> used = set;
    used.push_back(k);
    for (int j : used)
        if (data[static_cast<std::size_t>(j)] > 0 || DesignNonFinite(j) > 0) return Problem::kNotANumber;
    return Problem::kNone;
}

RegIV::Problem RegIV::EntryProblem(int j, const std::vector<int>& entered) const {
    EntryCheck check(*this);
    for (int e : entered) check.Entered(e);
    return check.Before(j);
}

RegIV::Problem RegIV::ResultProblem() const {
    if (!std::isfinite(s2_)) return Problem::kNotFinite;
    for (int j : ModelSet())
        if (!std::isfinite(coef_[j]) || !std::isfinite(stdErr_[j])) return Problem::kNotFinite;
    return Problem::kNone;
}

std::vector<std::uint8_t> RegIV::WithoutCollinearRegressors(std::vector<std::uint8_t> roles, int k) const {
    const int dep = k < 0 || k >= v_ ? v_ - 1 : k;
    roles.resize(static_cast<std::size_t>(v_) + 1, kRoleUnused);
    const Matrix& xx = DataCrossProducts();
    const std::vector<int>& bad = DataNonFinite();
    const std::vector<double> size = ColumnSizes(xx);
    NoisySweep m(xx, size, size);
    const auto consider = [&](int j) {
        // A column with a value that is no number stays for the estimate
        // to refuse.
        if (j == dep || roles[j] != kRoleExplanatory || bad[static_cast<std::size_t>(j)] > 0) return;
        if (m.Clear(j))
            m.Sweep(j);
        else
            roles[j] = kRoleUnused;
    };
    consider(v_);
    for (int j = 0; j < v_; ++j) consider(j);
    return roles;
}

const Matrix& RegIV::DataCrossProducts() const {
    if (xx_.Rows() == 0) {
        Matrix unused;
        InstrumentalCrossProducts(context_->Pool(), x_, x_, true, unused, xx_);
    }
    return xx_;
}

const std::vector<int>& RegIV::DataNonFinite() const {
    if (dataNonFinite_.empty()) {
        std::vector<int> count(static_cast<std::size_t>(v_) + 1, 0);
        const double* row = x_.Data();
        for (int t = 0; t < n_; ++t, row += v_ + 1)
            for (int j = 0; j <= v_; ++j)
                if (!std::isfinite(row[j])) ++count[static_cast<std::size_t>(j)];
        dataNonFinite_ = std::move(count);
    }
    return dataNonFinite_;
}

int RegIV::DesignNonFinite(int j) const {
    return ownDesign_ ? designNonFinite_[static_cast<std::size_t>(j)] : DataNonFinite()[static_cast<std::size_t>(j)];
}

int RegIV::CountNonFinite(const Matrix& m, int j) {
    int count = 0;
    for (int i = 0; i < m.Rows(); ++i)
        if (!std::isfinite(m[i][j])) ++count;
    return count;
}

void RegIV::ComputeCovarianceFactor() {
    const std::vector<int> s = ModelSet();
    const int p = static_cast<int>(s.size());
    std::vector<long double> t(static_cast<std::size_t>(p) * p);
    for (int a = 0; a < p; ++a)
        for (int b = 0; b < p; ++b) {
            long double sum = 0.0L;
            for (int c : s) sum += static_cast<long double>(a_[s[a]][c]) * w_[c][s[b]];
            t[a * p + b] = sum;
        }
    for (int a = 0; a < p; ++a)
        for (int b = 0; b < p; ++b) {
            long double sum = 0.0L;
            for (int c = 0; c < p; ++c) sum += t[a * p + c] * a_[s[b]][s[c]];
            cf_[s[a]][s[b]] = static_cast<double>(sum);
        }
}

double RegIV::ComputeResiduals() { return ComputeFit(true); }

double RegIV::ComputeFit(bool leverages) {
    const std::vector<int> s = ModelSet();
    const int d = dependent_;
    const int p = static_cast<int>(s.size());
    const std::size_t pp = static_cast<std::size_t>(p) * p;
    // The hat form x'A z over the model's set (and with the leverages x'Cf x
    // and z'Wc z), from dense copies, so each observation runs along
    // contiguous rows.
    std::vector<double> a(pp), b(static_cast<std::size_t>(p)), cf, wc;
    for (int i = 0; i < p; ++i) {
        b[i] = a_[s[i]][d];
        for (int j = 0; j < p; ++j) a[i * p + j] = a_[s[i]][s[j]];
    }
    if (leverages) LeverageForms(s, cf, wc);
    const InstrumentalResidualRows rows{analysis_->RowForOverwrite(kRowObserved),
                                        analysis_->RowForOverwrite(kRowFitted),
                                        analysis_->RowForOverwrite(kRowResidual),
                                        analysis_->RowForOverwrite(kRowPress),
                                        analysis_->RowForOverwrite(kRowHatA),
                                        leverages ? analysis_->RowForOverwrite(kRowHatB) : nullptr,
                                        leverages ? analysis_->RowForOverwrite(kRowHatC) : nullptr};
    leveragesPending_ = !leverages;
    ++passes_;
    return InstrumentalResidualPass(context_->Pool(), x_, Design(), n_, d, s, a, cf, wc, b, rows, press_,
                                    SoleObservationsOf(s));
}

void RegIV::LeverageForms(const std::vector<int>& s, std::vector<double>& cf, std::vector<double>& wc) const {
    Matrix w = w_;
    for (int j : s) (void)w.Sweep(j);
    const int p = static_cast<int>(s.size());
    cf.resize(static_cast<std::size_t>(p) * p);
    wc.resize(static_cast<std::size_t>(p) * p);
    for (int i = 0; i < p; ++i)
        for (int j = 0; j < p; ++j) {
            cf[static_cast<std::size_t>(i) * p + j] = cf_[s[i]][s[j]];
            wc[static_cast<std::size_t>(i) * p + j] = w[s[i]][s[j]];
        }
}

std::vector<long long> RegIV::SoleObservationsOf(const std::vector<int>& s) const {
    // A column the observed data and the design both hold at one
    // observation alone (an exogenous dummy for it).
    const Matrix& z = Design();
    return SoleObservations(n_, static_cast<int>(s.size()), [&](int j, long long t) {
        const int c = s[static_cast<std::size_t>(j)];
        return x_[static_cast<int>(t)][c] != 0.0 || z[static_cast<int>(t)][c] != 0.0;
    });
}

void RegIV::EnsureLeverages() const {
    if (!leveragesPending_) return;
    const std::vector<int> s = ModelSet();
    std::vector<double> cf, wc;
    LeverageForms(s, cf, wc);
    InstrumentalLeveragePass(context_->Pool(), x_, Design(), n_, s, cf, wc, analysis_->RowForOverwrite(kRowHatB),
                             analysis_->RowForOverwrite(kRowHatC), SoleObservationsOf(s));
    leveragesPending_ = false;
}

double RegIV::GetAnalysisValue(int code, int i) const {
    if (code == kRowHatB || code == kRowHatC) EnsureLeverages();
    return analysis_->GetValue(code, i);
}

void RegIV::GetAnalysisRow(int code, std::vector<double>& out) const {
    if (code == kRowHatB || code == kRowHatC) EnsureLeverages();
    analysis_->GetRow(code, out);
}

void RegIV::ComputeDependentMoments() {
    double mean = 0.0;
    long double ss = 0.0L;
    for (int t = 0; t < n_; ++t) {
        const double d = x_[t][dependent_] - mean;
        const double step = d / (t + 1);
        mean += step;
        ss += static_cast<long double>(step) * d * t;
    }
    meanY_ = mean;
    tss_ = static_cast<double>(ss);
}

void RegIV::ComputeDiagnostics() {
    if (diagnosticsDone_) return;
    EnsureLeverages();
    const std::vector<int> s = ModelSet();
    const int d = dependent_;
    const int p = static_cast<int>(s.size());
    const std::size_t pp = static_cast<std::size_t>(p) * p;
    const double* e = analysis_->Row(kRowResidual);
    // H[r][t] = x_r . u_t with u_t = A_S z_t. The sums over r of H[r][t]^2
    // and of e_r H[r][t] are u_t' (X_S'X_S) u_t and u_t' X_S'e: one pass
    // for the two cross-products instead of one per observation (double
    // sums over blocks of rows, added up in long double).
    std::vector<long double> xxTotal(pp, 0.0L), xeTotal(static_cast<std::size_t>(p), 0.0L);
    std::vector<double> xxBlock(pp), xeBlock(static_cast<std::size_t>(p)), xs(static_cast<std::size_t>(p));
    constexpr int kBlock = 256;
    for (int r0 = 0; r0 < n_; r0 += kBlock) {
        std::fill(xxBlock.begin(), xxBlock.end(), 0.0);
        std::fill(xeBlock.begin(), xeBlock.end(), 0.0);
        for (int r = r0; r < std::min(n_, r0 + kBlock); ++r) {
            const double* x = x_[r];
            for (int a = 0; a < p; ++a) xs[a] = x[s[a]];
            for (int a = 0; a < p; ++a) {
                xeBlock[a] += xs[a] * e[r];
                double* row = &xxBlock[static_cast<std::size_t>(a) * p];
                for (int b = 0; b < p; ++b) row[b] += xs[a] * xs[b];
            }
        }
        for (std::size_t i = 0; i < pp; ++i) xxTotal[i] += xxBlock[i];
        for (int a = 0; a < p; ++a) xeTotal[a] += xeBlock[a];
    }
    std::vector<double> xx(pp), xe(static_cast<std::size_t>(p)), as(pp);
    for (std::size_t i = 0; i < pp; ++i) xx[i] = static_cast<double>(xxTotal[i]);
    for (int a = 0; a < p; ++a) {
        xe[a] = static_cast<double>(xeTotal[a]);
        for (int c = 0; c < p; ++c) as[static_cast<std::size_t>(a) * p + c] = a_[s[a]][s[c]];
    }
    const double* press = analysis_->Row(kRowPress);
    const double* hatA = analysis_->Row(kRowHatA);
    const double* hatB = analysis_->Row(kRowHatB);
    double* deleted = analysis_->RowForOverwrite(kRowDeletedS2);
    double* standardized = analysis_->RowForOverwrite(kRowStandardized);
    double* residualSd = analysis_->RowForOverwrite(kRowResidualSd);
    double* studentized = analysis_->RowForOverwrite(kRowStudentized);
    double* share = analysis_->RowForOverwrite(kRowResidualShare);
    double* errorPercent = analysis_->RowForOverwrite(kRowErrorPercent);
    std::vector<double> zs(static_cast<std::size_t>(p)), u(static_cast<std::size_t>(p));
    ProgressScope progress(context_->Services(), "分析データ計算中・・・", n_);
    for (int t = 0; t < n_; ++t) {
        progress.Step();
        const double dt = press[t];
        const double* z = Design()[t];
        for (int a = 0; a < p; ++a) zs[a] = z[s[a]];
        for (int a = 0; a < p; ++a) {
            const double* row = &as[static_cast<std::size_t>(a) * p];
            double sum = 0.0;
            for (int c = 0; c < p; ++c) sum += row[c] * zs[c];
            u[a] = sum;
        }
        double g = 0.0, ee = 0.0;
        for (int a = 0; a < p; ++a) {
            const double* row = &xx[static_cast<std::size_t>(a) * p];
            double sum = 0.0;
            for (int b = 0; b < p; ++b) sum += row[b] * u[b];
            g += u[a] * sum;
            ee += u[a] * xe[a];
        }
        // At a leverage of 1 the residual has no variance: no studentised
        // residuals, and SIG(RES) at its floor.
        const bool one = hatA[t] == 1.0;
        const double s2t = DeletedVariance((g - 1.0) * dt * dt + 2.0 * dt * ee + rss_, rss_, hatA[t], df_ - 1);
        deleted[t] = s2t;
        const double w = 1.0 - 2.0 * hatA[t] + hatB[t];
        standardized[t] = one ? kNoFigure : e[t] / std::sqrt(s2_ * w);
        double q = one ? kLeverageOneSpread : w * s2t;
        if (q < kSingleEpsilon) q = kSingleEpsilon;
        residualSd[t] = std::sqrt(q);
        studentized[t] = one ? kNoFigure : e[t] / std::sqrt(q);
        share[t] = e[t] * e[t] / rss_;
        const double y = x_[t][d];
        errorPercent[t] = std::fabs(y) < kDoubleEpsilon ? 999900.0 : 100.0 * e[t] / y;
    }
    diagnosticsDone_ = true;
}

void RegIV::ComputeInfluence() {
    if (influenceDone_) return;
    ComputeDiagnostics();
    EnsureLeverages();
    const std::vector<int> s = ModelSet();
    const Matrix& design = Design();
    const int p = GetParamCount();
    const int q = static_cast<int>(s.size());
    const int d = dependent_;
    const std::size_t qq = static_cast<std::size_t>(q) * q;
    std::vector<double> as(qq), cs(qq);
    for (int a = 0; a < q; ++a)
        for (int c = 0; c < q; ++c) {
            as[static_cast<std::size_t>(a) * q + c] = a_[s[a]][s[c]];
            cs[static_cast<std::size_t>(a) * q + c] = cf_[s[a]][s[c]];
        }
    const double* press = analysis_->Row(kRowPress);
    const double* deleted = analysis_->Row(kRowDeletedS2);
    const double* hatA = analysis_->Row(kRowHatA);
    const double* hatB = analysis_->Row(kRowHatB);
    const double* hatC = analysis_->Row(kRowHatC);
    std::vector<double*> change(static_cast<std::size_t>(q)), dfbetas(static_cast<std::size_t>(q));
    for (int a = 0; a < q; ++a) {
        change[a] = analysis_->RowForOverwrite(s[a] - 100);
        dfbetas[a] = analysis_->RowForOverwrite(kRowDfbetas + s[a]);
    }
    double* welsch = analysis_->RowForOverwrite(kRowW);
    double* dffitsRow = analysis_->RowForOverwrite(kRowDffits);
    double* cook = analysis_->RowForOverwrite(kRowCook);
    double* covRatio = analysis_->RowForOverwrite(kRowCovRatio);
    double* deletedR2 = analysis_->RowForOverwrite(kRowDeletedR2);
    double* deletedAdjR2 = analysis_->RowForOverwrite(kRowDeletedAdjR2);
    std::vector<double> xs(static_cast<std::size_t>(q)), zs(static_cast<std::size_t>(q));
    for (int t = 0; t < n_; ++t) {
        const double dt = press[t];
        const double s2t = deleted[t];
        const double hb = hatB[t];
        const double hc = hatC[t];
        const double ha = hatA[t];
        const double m = 1.0 - ha;
        const double f = ha / m + 1.0;
        for (int a = 0; a < q; ++a) {
            xs[a] = x_[t][s[a]];
            zs[a] = design[t][s[a]];
        }
        for (int a = 0; a < q; ++a) {
            const double* ar = &as[static_cast<std::size_t>(a) * q];
            const double* cr = &cs[static_cast<std::size_t>(a) * q];
            double u = 0.0, w = 0.0;
            for (int c = 0; c < q; ++c) {
                u += ar[c] * zs[c];
                w += cr[c] * xs[c];
            }
            const int j = s[a];
            change[a][t] = u * dt;
            const double var = s2t * (2.0 * u * w / m + cf_[j][j] - (f * f - hb / (m * m)) * u * u);
            dfbetas[a][t] = (coef_[j] - u * dt) / std::sqrt(var);
        }
        const double dd = hc * dt * dt;
        welsch[t] = std::sqrt(dd / ((1.0 - 2.0 * ha + hb) * s2t / (n_ - 1)));
        const double dffits = std::sqrt(dd / s2t);
        dffitsRow[t] = dt >= 0.0 ? dffits : -dffits;
        cook[t] = dd / (p * s2_);
        covRatio[t] = IntPower(p, s2t / s2_) * (1.0 - hc) / (m * m);
        const double dev = x_[t][d] - meanY_;
        const double r2t = 1.0 - (df_ - 1) * s2t / (tss_ - dev * dev * n_ / (n_ - 1));
        deletedR2[t] = r2t;
        deletedAdjR2[t] = ZeroBelowEpsilon(1.0 - (n_ - 2.0) / (df_ - 1) * (1.0 - r2t));
        if (ha == 1.0) {
            // Each of these divides by 1 - h.
            for (int a = 0; a < q; ++a) change[a][t] = dfbetas[a][t] = kNoFigure;
            for (double* row : {welsch, dffitsRow, cook, covRatio, deletedR2, deletedAdjR2}) row[t] = kNoFigure;
        }
    }
    influenceDone_ = true;
}

void RegIV::ComputeResidualTests() {
    const double* fitted = analysis_->Row(kRowFitted);
    const double* residual = analysis_->Row(kRowResidual);
    gk_ = HeteroskedasticityStatistic(fitted, residual, n_);
    dw_ = DurbinWatson(residual, n_);
}

void RegIV::GetPartialResiduals(int k, std::vector<double>& outY, std::vector<double>& outK) const {
    if (k < 0 || k > v_) throw ERangeError("RegIV: variable out of range");
    Matrix z = Design();
    for (int t = 0; t < n_; ++t) z[t][k] = x_[t][k];
    Matrix m;
    ComputeCrossProducts(z, x_, m, nullptr);
    const int d = dependent_;
    std::vector<int> others;
    for (int j : ModelSet())
        if (j != k && j != d && m.Sweep(j) == SweepResult::kSwept) others.push_back(j);
    outY.assign(n_, 0.0);
    outK.assign(n_, 0.0);
    for (int t = 0; t < n_; ++t) {
        long double fy = 0.0L, fk = 0.0L;
        for (int j : others) {
            fy += static_cast<long double>(x_[t][j]) * m[j][d];
            fk += static_cast<long double>(x_[t][j]) * m[j][k];
        }
        outY[t] = x_[t][d] - static_cast<double>(fy);
        outK[t] = x_[t][k] - static_cast<double>(fk);
    }
}

double RegIV::SpecificationTest() {
    const std::vector<int> s = ModelSet();
    const int p = static_cast<int>(s.size());
    const int d = dependent_;
    LongMatrix m;
    BuildMomentMatrix(x_, n_, v_, m, context_->Pool());
    (void)m.Sweep(v_);  // back to the raw cross-products
    for (int j : s)
        if (m.Sweep(j) == SweepResult::kZeroPivot) throw EZeroDivide("INVERSE ERROR!");
    const double s2ols = static_cast<double>(m[d][d]) / df_;
    ComputeCovarianceFactor();
    std::vector<double> q(p);
    Matrix diff(p, p, 0.0);
    for (int a = 0; a < p; ++a) {
        q[a] = coef_[s[a]] - static_cast<double>(m[s[a]][d]);
        for (int b = 0; b < p; ++b)
            diff[a][b] = s2_ * cf_[s[a]][s[b]] - s2ols * static_cast<double>(m[s[a]][s[b]]);
    }
    if (p == 0) return 0.0;
    InvertMatrix(diff.Data(), p, diff.Data(), p, p);
    long double sum = 0.0L;
    for (int a = 0; a < p; ++a)
        for (int b = 0; b < p; ++b) sum += static_cast<long double>(q[a]) * diff[a][b] * q[b];
    return ZeroIfTiny(static_cast<double>(sum));
}

double RegIV::Predict(double* x, double* lower, double* upper, double c1, double c2) {
    x[v_] = 1.0;
    const std::vector<int> s = ModelSet();
    long double yhat = 0.0L, qf = 0.0L;
    for (int j : s) {
        yhat += static_cast<long double>(coef_[j]) * x[j];
        for (int i : s) qf += static_cast<long double>(x[i]) * cf_[i][j] * x[j];
    }
    const double half = ToleranceHalfWidth(static_cast<double>(qf), s2_, n_, df_, c1, c2);
    *lower = static_cast<double>(yhat) - half;
    *upper = static_cast<double>(yhat) + half;
    return static_cast<double>(yhat);
}

double RegIV::GetDefaultK() const {
    int kp = 1, kin = 1, g = 1;
    for (std::uint8_t t : dataSetTypes_)
        if (t == Var::kExogenous || t == Var::kLagged) ++kp;
    for (int j = 0; j < v_; ++j) {
        if (roles_[j] != kRoleExplanatory) continue;
        if (types_[j] == Var::kExogenous || types_[j] == Var::kLagged) ++kin;
        if (types_[j] == Var::kEndogenous) ++g;
    }
    if (kp < 2 || kp - kin < g - 1) return 0.0;
    return 1.0 + static_cast<double>((kp - kin) - g) / n_;
}

int RegIV::CountExplanatory() const {
    int count = 0;
    for (int j = 0; j < v_; ++j)
        if (roles_[j] == kRoleExplanatory) ++count;
    return count;
}

int RegIV::GetParamCount() const { return CountExplanatory() + (roles_[v_] == kRoleExplanatory ? 1 : 0); }

void RegIV::OutOfRange() { throw ERangeError(kRangeErrorText); }

void RegIV::OwnDesign() {
    if (ownDesign_) return;
    Matrix copy(n_, v_ + 1);
    CopyMatrixRows(context_->Pool(), x_, copy);
    swap(z_, copy);
    designNonFinite_ = DataNonFinite();
    ownDesign_ = true;
}

void RegIV::SetDesignValue(int i, int j, double value) {
    if (i < 0 || i >= n_ || j < 0 || j >= v_) return;
    EnsureLeverages();  // of the fit on the design before the edit
    RememberDesignColumn(j);
    OwnDesign();
    int& bad = designNonFinite_[static_cast<std::size_t>(j)];
    if (!std::isfinite(z_[i][j])) --bad;
    if (!std::isfinite(value)) ++bad;
    z_[i][j] = value;
}

void RegIV::SetDesignColumn(int j, const std::vector<double>& values) {
    if (j < 0 || j >= v_ || static_cast<int>(values.size()) < n_) return;
    EnsureLeverages();  // of the fit on the design before the edit
    RememberDesignColumn(j);
    OwnDesign();
    for (int i = 0; i < n_; ++i) z_[i][j] = values[i];
    designNonFinite_[static_cast<std::size_t>(j)] = CountNonFinite(z_, j);
}

void RegIV::GetDataColumn(int j, std::vector<double>& out) const {
    out.assign(n_, 0.0);
    if (n_ > 0) x_.GetColumn(j, out.data());
}

void RegIV::GetDesignColumn(int j, std::vector<double>& out) const {
    out.assign(n_, 0.0);
    if (n_ > 0) Design().GetColumn(j, out.data());
}

void RegIV::GetDataRow(int i, std::vector<double>& out) const {
    out.assign(v_ + 1, 0.0);
    x_.GetRow(i, out.data());
}

void RegIV::GetDesignRow(int i, std::vector<double>& out) const {
    out.assign(v_ + 1, 0.0);
    Design().GetRow(i, out.data());
}

void RegIV::CopyColumnToMatrix(int j, Matrix& m, int c, bool design) const {
    if (j < 0 || j > v_ || c < 0 || c >= m.Cols()) throw ERangeError("RegIV: column out of range");
    const Matrix& from = design ? Design() : x_;
    const int rows = n_ < m.Rows() ? n_ : m.Rows();
    for (int i = 0; i < rows; ++i) m[i][c] = from[i][j];
}

std::string RegIV::GetVarName(int i) const {
    if (i == v_) return Reg::ConstantName();
    return names_.at(i);
}

int RegIV::FindVar(const std::string& name) const {
    if (name == Reg::ConstantName()) return v_;
    for (int j = 0; j < v_; ++j)
        if (names_[j] == name) return j;
    return -1;
}
