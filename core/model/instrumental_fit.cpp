#include "core/model/instrumental_fit.h"

#include <algorithm>
#include <cmath>
#include <utility>

#include "core/model/instrumental_moments.h"
#include "core/model/instrumental_passes.h"
#include "core/model/instrumental_rows.h"
#include "core/model/leverage_forms.h"
#include "core/model/regression_data_blocks.h"
#include "core/model/regression_model.h"
#include "core/numeric/numeric_helpers.h"
#include "core/settings/engine_context.h"
#include "platform/errors.h"
#include "resources/string_table.h"

namespace {

using namespace instrumental_rows;

// A value below 2^-23 counts as zero (also a NaN from 0 / 0).
double ZeroBelowEpsilon(double x) { return x >= kSingleEpsilon ? x : 0.0; }

constexpr double kUnitRoundoff = 0x1p-53;
// The error a cross product is allowed, relative to the sizes of its two
// columns: that of double sums in blocks, far above what the moment kernel
// leaves, so that only a column that repeats others to about ten digits
// counts as their combination.
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

// A long double mean as a double and the rest of it.
void SplitMean(long double mean, double& hi, double& lo) {
    hi = static_cast<double>(mean);
    lo = static_cast<double>(mean - hi);
}

}  // namespace

RegIV::RegIV(const Reg& data, std::uint16_t mask, bool modelOnly) : mask_(mask), context_(&data.Context()) {
    std::vector<std::uint8_t> flags;
    if (!SelectDataBlock(data, mask, modelOnly, &flags, &names_, v_, n_)) throw Exception("DERR");
    const int v = v_, n = n_;
    cf_.Replace(Matrix(v + 1, v + 1, 0.0));
    // No sums before the first dependent variable: every pivot is 0.
    zx_.Replace(LongMatrix(v + 1, v + 1, 0.0L));
    zz_.Replace(zx_);
    swept_.Replace(zx_);
    coef_.assign(v + 1, 0.0);
    stdErr_.assign(v + 1, 0.0);
    heldStdErr_.assign(v + 1, 0.0);
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
// With the constant term in the set the sums are those about the means:
// swept on it already, so a regressor far from zero beside its spread is
// judged by its spread.
class RegIV::EntryCheck {
public:
    EntryCheck(const RegIV& model, bool centred)
        : v_(model.v_),
          centred_(centred),
          xx_(CheckMatrixOf(model.DataMoments(), centred)),
          xxSize_(ColumnSizes(xx_)),
          zx_(CheckMatrixOf(model.zx_, centred), ColumnSizes(CheckMatrixOf(model.zz_, centred)), xxSize_) {}
    Problem Before(int j) const {
        if (Swept(j) || zx_.Clear(j)) return Problem::kNone;
        // Least squares on the observed data fails the same way: the
        // regressors themselves cannot be inverted. Otherwise the
        // instruments do not pin the coefficients down.
        NoisySweep x(xx_, xxSize_, xxSize_);
        for (int e : entered_) x.Sweep(e);
        return x.Clear(j) ? Problem::kUnidentified : Problem::kSingular;
    }
    void Entered(int j) {
        if (Swept(j)) return;
        zx_.Sweep(j);
        entered_.push_back(j);
    }

private:
    bool Swept(int j) const { return centred_ && j == v_; }
    int v_;
    bool centred_;
    Matrix xx_;
    std::vector<double> xxSize_;
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
    FormDesignMoments();
    (void)SweepFromBase(zx_, {}, swept_);  // no variable in: the sums about zero
    for (int j = 0; j <= v_; ++j) tolerance_[j] = static_cast<double>(swept_[j][j] * 1e-6L);
    ComputeDependentMoments();
    EmptyModelFigures(withResiduals);
}

void RegIV::EmptyModelFigures(bool withResiduals) {
    const int k = dependent_;
    // A selection that enters variables next computes every figure below
    // again: the pass over the observations is left to it.
    rss_ = withResiduals ? ComputeFit(false) : 0.0;
    varY_ = tss_ / (n_ - 1);
    df_ = n_;
    s2_ = rss_ / df_;
    r2_ = adjR2_ = 0.0;
    std::fill(coef_.begin(), coef_.end(), 0.0);
    std::fill(stdErr_.begin(), stdErr_.end(), 0.0);
    std::fill(heldStdErr_.begin(), heldStdErr_.end(), 0.0);
    for (int j = 0; j <= v_; ++j) {
        fValue_[j] = 0.0;
        if (j == k) continue;
        // Z'X need not be positive on its diagonal: sizes are compared.
        const long double diag = std::fabs(swept_[j][j]);
        if (!(Tolerance(j) < diag)) continue;
        const double r = static_cast<double>(std::fabs(swept_[k][j] * swept_[j][k]) / diag);
        const double s2j = (rss_ - r) / (df_ - 1);
        if (std::fabs(s2j) > VarianceFloor()) fValue_[j] = r / s2j;
    }
    diagnosticsDone_ = influenceDone_ = false;
}

double RegIV::VarianceFloor() const { return VarianceFloorOf(varY_); }

bool RegIV::IsPerfectFit() const { return IsRoundingVariance(s2_, VarianceFloor()); }

double RegIV::Tolerance(int j) const {
    if (!HasConstant() || j == v_) return std::fabs(tolerance_[j]);
    // With the constant term in, a millionth of the sum about the mean, as
    // least squares takes it.
    return static_cast<double>(std::fabs(zx_[j][j]) * 1e-6L);
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
    // F values and the errors t divides by from s2 held at its floor: a
    // perfect fit gives finite figures, the same in any units. The
    // standard errors themselves are sizes, from s2 as formed.
    const double s2 = HeldAtFloor(s2_, VarianceFloor());
    for (int j = 0; j <= v_; ++j) {
        if (j == d) continue;
        const long double diag = std::fabs(swept_[j][j]);
        const long double r = std::fabs(swept_[j][d] * swept_[d][j]) / diag;
        const bool inTol = Tolerance(j) < diag;
        if (roles_[j] == kRoleExplanatory) {
            coef_[j] = static_cast<double>(swept_[j][d]);
            stdErr_[j] = std::sqrt(cf_[j][j] * s2_);
            heldStdErr_[j] = std::sqrt(cf_[j][j] * s2);
            fValue_[j] = static_cast<double>(r / s2);
        } else {
            coef_[j] = stdErr_[j] = heldStdErr_[j] = 0.0;
            const double rj = inTol ? static_cast<double>(r) : rss_;
            const double s2j = (rss_ - rj) / (df_ - 1);
            fValue_[j] = inTol && std::fabs(s2j) > VarianceFloor() ? rj / s2j : 0.0;
        }
    }
    diagnosticsDone_ = influenceDone_ = false;
}

bool RegIV::EnterSet(const std::vector<int>& set) {
    // Swept afresh from the sums as formed: every model of the same
    // variables gets the same bits, however it was reached.
    if (SweepFromBase(zx_, set, swept_) == SweepResult::kZeroPivot) return false;
    for (int j = 0; j <= v_; ++j)
        if (roles_[j] == kRoleExplanatory) roles_[j] = kRoleUnused;
    for (int j : set) roles_[j] = kRoleExplanatory;
    df_ = n_ - static_cast<int>(set.size());
    return true;
}

bool RegIV::ToggleVariable(int k) {
    problem_ = Problem::kNone;
    if (k < 0 || k > v_ || k == dependent_) return false;
    const bool adding = roles_[k] == kRoleUnused;
    if (adding && df_ < 3) return false;
    Estimate before = Save();
    std::vector<int> next;
    for (int j = 0; j <= v_; ++j)
        if ((roles_[j] == kRoleExplanatory) != (j == k)) next.push_back(j);
    if (adding) {
        if (const Problem p = DataProblem(next, dependent_); p != Problem::kNone) return Refuse(p, before);
        if (const Problem p = EntryProblem(next); p != Problem::kNone) return Refuse(p, before);
    }
    if (!EnterSet(next)) return Refuse(Problem::kSingular, before);
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
    if (const Problem p = EntryProblem(set); p != Problem::kNone) return Refuse(p, before);
    if (!EnterSet(set)) return Refuse(Problem::kSingular, before);
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
    ResetModel(dep, false);
    if (set.empty()) {
        EmptyModelFigures(true);
    } else {
        if (const Problem p = EntryProblem(set); p != Problem::kNone) return Refuse(p, before);
        if (!EnterSet(set)) return Refuse(Problem::kSingular, before);
        FinishModelChange();
    }
    if (const Problem p = ResultProblem(); p != Problem::kNone) return Refuse(p, before);
    Accept();
    return true;
}

RegIV::Estimate RegIV::Save() const {
    return Estimate{swept_,      zx_,   zz_,   cf_,         coef_,    stdErr_, heldStdErr_,
                    fValue_,     tolerance_,   roles_, dependent_, df_, s2_,     varY_,
                    r2_,         adjR2_,       tss_,   rss_,       meanY_,   press_,  diagnosticsDone_,
                    influenceDone_, leveragesPending_, estimated_, passes_};
}

void RegIV::Restore(Estimate& before) {
    RestoreDesign();
    swap(swept_, before.swept);
    swap(zx_, before.zx);
    swap(zz_, before.zz);
    swap(cf_, before.cf);
    coef_.swap(before.coef);
    stdErr_.swap(before.stdErr);
    heldStdErr_.swap(before.heldStdErr);
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
            designEdited_.clear();
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

RegIV::Problem RegIV::EntryProblem(const std::vector<int>& set) const {
    EntryCheck check(*this, std::find(set.begin(), set.end(), v_) != set.end());
    for (int j : set) {
        if (const Problem p = check.Before(j); p != Problem::kNone) return p;
        check.Entered(j);
    }
    return Problem::kNone;
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
    // The constant term first: with it the sums about the means.
    const bool centred = roles[static_cast<std::size_t>(v_)] == kRoleExplanatory;
    const Matrix xx = CheckMatrixOf(DataMoments(), centred);
    const std::vector<int>& bad = DataNonFinite();
    const std::vector<double> size = ColumnSizes(xx);
    NoisySweep m(xx, size, size);
    const auto consider = [&](int j) {
        // A column with a value that is no number stays for the estimate
        // to refuse.
        if (j == dep || roles[j] != kRoleExplanatory || bad[static_cast<std::size_t>(j)] > 0) return;
        if (centred && j == v_) return;
        if (m.Clear(j))
            m.Sweep(j);
        else
            roles[j] = kRoleUnused;
    };
    consider(v_);
    for (int j = 0; j < v_; ++j) consider(j);
    return roles;
}

const LongMatrix& RegIV::DataMoments() const {
    if (dataMoments_.Rows() == 0) InstrumentalDataMoments(context_->Pool(), x_, v_, dataMoments_);
    return dataMoments_;
}

void RegIV::FormDesignMoments() {
    std::vector<int> edited;
    for (int j = 0; ownDesign_ && j < v_; ++j)
        if (designEdited_[static_cast<std::size_t>(j)]) edited.push_back(j);
    InstrumentalDesignMoments(context_->Pool(), x_, Design(), edited, DataMoments(), zx_, zz_);
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
    std::vector<int> vars;
    for (int j = 0; j < v_; ++j)
        if (roles_[j] == kRoleExplanatory) vars.push_back(j);
    const int q = static_cast<int>(vars.size());
    const bool centred = HasConstant();
    LongMatrix sums;
    if (!centred) (void)SweepFromBase(zz_, {}, sums);
    const LongMatrix& w = centred ? zz_ : sums;
    // Over the variables (about the means with the constant term in):
    // C W C' with C the swept block of Z'X.
    const auto qs = static_cast<std::size_t>(q);
    std::vector<long double> t(qs * qs), cf(qs * qs);
    for (int a = 0; a < q; ++a)
        for (int b = 0; b < q; ++b) {
            long double sum = 0.0L;
            for (int c = 0; c < q; ++c) sum += swept_[vars[a]][vars[c]] * w[vars[c]][vars[b]];
            t[a * qs + b] = sum;
        }
    for (int a = 0; a < q; ++a)
        for (int b = 0; b < q; ++b) {
            long double sum = 0.0L;
            for (int c = 0; c < q; ++c) sum += t[a * qs + c] * swept_[vars[b]][vars[c]];
            cf[a * qs + b] = sum;
            cf_[vars[a]][vars[b]] = static_cast<double>(sum);
        }
    if (!centred) return;
    // The constant term's coefficient is the mean of y less the slopes at
    // the means (whose covariance with that mean is 0): its row follows.
    const long double* mean = zx_[v_];
    long double cc = zx_[v_][v_];  // 1/n
    for (int a = 0; a < q; ++a) {
        long double cm = 0.0L;
        for (int b = 0; b < q; ++b) cm += cf[a * qs + b] * mean[vars[b]];
        cf_[vars[a]][v_] = cf_[v_][vars[a]] = static_cast<double>(-cm);
        cc += mean[vars[a]] * cm;
    }
    cf_[v_][v_] = static_cast<double>(cc);
}

double RegIV::ComputeResiduals() { return ComputeFit(true); }

double RegIV::ComputeFit(bool leverages) {
    const InstrumentalForms forms = FitForms(leverages);
    const InstrumentalResidualRows rows{analysis_->RowForOverwrite(kObserved),
                                        analysis_->RowForOverwrite(kFitted),
                                        analysis_->RowForOverwrite(kResidual),
                                        analysis_->RowForOverwrite(kPress),
                                        analysis_->RowForOverwrite(kHatA),
                                        leverages ? analysis_->RowForOverwrite(kHatB) : nullptr,
                                        leverages ? analysis_->RowForOverwrite(kHatC) : nullptr};
    leveragesPending_ = !leverages;
    ++passes_;
    return InstrumentalResidualPass(context_->Pool(), x_, Design(), n_, dependent_, forms, rows, press_,
                                    SoleObservationsOf(ModelSet()));
}

InstrumentalForms RegIV::FitForms(bool leverages) const {
    InstrumentalForms f;
    for (int j = 0; j < v_; ++j)
        if (roles_[j] == kRoleExplanatory) f.vars.push_back(j);
    const std::vector<int>& vars = f.vars;
    const int q = static_cast<int>(vars.size());
    const auto qs = static_cast<std::size_t>(q);
    f.xHi.assign(qs, 0.0);
    f.xLo = f.zHi = f.zLo = f.xHi;
    if (HasConstant()) {
        for (int a = 0; a < q; ++a) {
            SplitMean(zx_[v_][vars[a]], f.xHi[a], f.xLo[a]);
            SplitMean(zz_[v_][vars[a]], f.zHi[a], f.zLo[a]);
        }
        f.offset = static_cast<double>(zx_[v_][v_]);
        f.fit0 = zx_[v_][dependent_];
    }
    f.b.resize(qs);
    f.hatA.resize(qs * qs);
    for (int a = 0; a < q; ++a) {
        f.b[a] = swept_[vars[a]][dependent_];
        for (int c = 0; c < q; ++c) f.hatA[a * qs + c] = static_cast<double>(swept_[vars[a]][vars[c]]);
    }
    if (!leverages) return f;
    LongMatrix w;
    (void)SweepFromBase(zz_, ModelSet(), w);
    f.hatB.assign(qs * qs, 0.0);
    f.hatC.assign(qs * qs, 0.0);
    for (int a = 0; a < q; ++a) {
        f.hatB[a * qs + a] = cf_[vars[a]][vars[a]];
        f.hatC[a * qs + a] = static_cast<double>(w[vars[a]][vars[a]]);
        for (int c = a + 1; c < q; ++c) {
            f.hatB[a * qs + c] = cf_[vars[a]][vars[c]] + cf_[vars[c]][vars[a]];
            f.hatC[a * qs + c] = static_cast<double>(w[vars[a]][vars[c]] + w[vars[c]][vars[a]]);
        }
    }
    return f;
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
    InstrumentalLeveragePass(context_->Pool(), x_, Design(), n_, FitForms(true), analysis_->RowForOverwrite(kHatB),
                             analysis_->RowForOverwrite(kHatC), SoleObservationsOf(ModelSet()));
    leveragesPending_ = false;
}

double RegIV::GetAnalysisValue(int code, int i) const {
    if (code == kHatB || code == kHatC) EnsureLeverages();
    return analysis_->GetValue(code, i);
}

void RegIV::GetAnalysisRow(int code, std::vector<double>& out) const {
    if (code == kHatB || code == kHatC) EnsureLeverages();
    analysis_->GetRow(code, out);
}

void RegIV::ComputeDependentMoments() {
    const LongMatrix& xx = DataMoments();
    meanY_ = static_cast<double>(xx[v_][dependent_]);
    tss_ = static_cast<double>(xx[dependent_][dependent_]);
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
    designEdited_.assign(static_cast<std::size_t>(v_), 0);
    ownDesign_ = true;
}

void RegIV::SetDesignValue(int i, int j, double value) {
    if (i < 0 || i >= n_ || j < 0 || j >= v_) return;
    EnsureLeverages();  // of the fit on the design before the edit
    RememberDesignColumn(j);
    OwnDesign();
    designEdited_[static_cast<std::size_t>(j)] = 1;
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
    designEdited_[static_cast<std::size_t>(j)] = 1;
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
