#include "estimators/chow_test.h"

#include <algorithm>
#include <cmath>
#include <new>

#include "core/model/perfect_fit.h"
#include "core/model/regression_model.h"
#include "core/model/centred_fit_rows.h"
#include "core/numeric/moment_matrix.h"
#include "core/numeric/statistics.h"
#include "platform/errors.h"

namespace {

// A regressor is swept in only when what is left of it is at least this
// share of its spread in the part (the model's own rule).
constexpr long double kPivotShare = 1e-6L;

// Sweeps the first count pivots; false when one of them has no variation
// left.
bool SweepRegressors(LongMatrix& m, int count) {
    std::vector<long double> before(count);
    for (int j = 0; j < count; ++j) before[j] = m[j][j];
    for (int j = 0; j < count; ++j) {
        const long double piv = m[j][j];
        if (!(piv > 0.0L) || piv < kPivotShare * before[j]) return false;
        if (m.Sweep(j) != SweepResult::kSwept) return false;
    }
    return true;
}

struct BoundaryData {
    std::vector<int> ex;  // explanatory variables, ascending
    int kx = 0;
    int width = 0;  // kx + 2: regressors, dependent, constant
    std::vector<double> raw, design;  // n rows each
};

BoundaryData ReadRows(const Reg& reg) {
    BoundaryData b;
    const int k = reg.GetVarCount();
    for (int j = 0; j < k; ++j)
        if (reg.IsExplanatory(j)) b.ex.push_back(j);
    b.kx = static_cast<int>(b.ex.size());
    b.width = b.kx + 2;
    const int n = reg.GetObsCount();
    const int d = reg.GetDependent();
    b.raw.resize(static_cast<std::size_t>(n) * b.width);
    b.design.resize(b.raw.size());
    for (int i = 0; i < n; ++i) {
        double* x = &b.raw[static_cast<std::size_t>(i) * b.width];
        double* z = &b.design[static_cast<std::size_t>(i) * b.width];
        for (int s = 0; s < b.kx; ++s) {
            x[s] = reg.GetValue(i, b.ex[s]);
            z[s] = reg.GetDesignValue(i, b.ex[s]);
        }
        x[b.kx] = z[b.kx] = reg.GetValue(i, d);
        x[b.kx + 1] = z[b.kx + 1] = 1.0;
        for (int s = 0; s < b.width; ++s)
            if (!std::isfinite(x[s]) || !std::isfinite(z[s])) throw EMathError("数値でない値があります。");
    }
    return b;
}

// First stage on observations start .. start + count - 1: every
// endogenous regressor replaced by its fit on the exogenous and lagged
// variables of the part.
std::vector<double> PartDesign(const Reg& reg, const BoundaryData& b, int start, int count) {
    std::vector<double> z(b.raw.begin() + static_cast<std::ptrdiff_t>(start) * b.width,
                          b.raw.begin() + static_cast<std::ptrdiff_t>(start + count) * b.width);
    if (!reg.IsTwoStage()) return z;
    const int k = reg.GetVarCount();
    std::vector<double> all(static_cast<std::size_t>(count) * k);
    for (int i = 0; i < count; ++i)
        for (int j = 0; j < k; ++j) {
            const double v = reg.GetValue(start + i, j);
            if (!std::isfinite(v)) throw EMathError("数値でない値があります。");
            all[static_cast<std::size_t>(i) * k + j] = v;
        }
    LongMatrix m;
    BuildMomentsFromRows(all.data(), count, k, k, m);
    const LongMatrix unswept(m);
    std::vector<long double> before(k);
    for (int j = 0; j < k; ++j) before[j] = m[j][j];
    std::vector<int> inst;
    for (int j = 0; j < k; ++j) {
        if (!reg.IsExogenous(j)) continue;
        // An instrument without variation left in the part is passed over.
        if (m[j][j] > 0.0L && m[j][j] >= kPivotShare * before[j] && m.Sweep(j) == SweepResult::kSwept)
            inst.push_back(j);
    }
    const int d = reg.GetDependent();
    std::vector<double> x(inst.size()), c(inst.size());
    for (int s = 0; s < b.kx; ++s) {
        const int j = b.ex[s];
        if (j == d || reg.GetVarType(j) != Var::kEndogenous) continue;
        const CentredFitRows fit(m, unswept, inst, j, count);
        for (int i = 0; i < count; ++i) {
            for (std::size_t a = 0; a < inst.size(); ++a) x[a] = all[static_cast<std::size_t>(i) * k + inst[a]];
            fit.Centre(x.data(), c.data());
            z[static_cast<std::size_t>(i) * b.width + s] = static_cast<double>(fit.FittedFromCentred(c.data()));
        }
    }
    return z;
}

// One part: moments of its design, swept, and the fit on its observed rows.
void FitPart(const Reg& reg, const BoundaryData& b, int start, int count, RegData& r, const std::string& name) {
    const std::vector<double> z = PartDesign(reg, b, start, count);
    LongMatrix m;
    BuildMomentsFromRows(z.data(), count, b.width, b.kx + 1, m);
    const double syy = static_cast<double>(m[b.kx][b.kx]);
    const LongMatrix unswept(m);
    if (!SweepRegressors(m, b.kx)) ThrowChowPartFailure(name);
    FitPartFromSweep(r, &b.raw[static_cast<std::size_t>(start) * b.width], m, unswept, b.kx);
    r.r2 = syy > 0.0 ? 1.0 - r.sse / syy : 0.0;
}

ChowResult Boundary(const Reg& reg, int boundary) {
    const auto range = ChowBoundaryLimits(reg);
    if (!range) throw Exception("データ不足");
    const BoundaryData b = ReadRows(reg);
    ChowResult r;
    r.n = reg.GetObsCount();
    r.n1 = ClampChowBoundary(*range, boundary);
    r.n2 = r.n - r.n1;
    r.k = b.kx + 1;
    r.dependentName = reg.GetVarName(reg.GetDependent());
    r.names.push_back(Reg::ConstantName());
    for (int j : b.ex) r.names.push_back(reg.GetVarName(j));

    LongMatrix m;
    BuildMomentsFromRows(b.design.data(), r.n, b.width, b.kx + 1, m);
    const LongMatrix unswept(m);
    if (!SweepRegressors(m, b.kx)) ThrowChowPartFailure(ChowPooledName());
    RegData pooled(r.n, r.k);
    r.sse = FitPartFromSweep(pooled, b.raw.data(), m, unswept, b.kx);
    r.varY = pooled.varY;

    r.a = RegData(r.n1, r.k);
    r.b = RegData(r.n2, r.k);
    FitPart(reg, b, 0, r.n1, r.a, ChowPartName(0));
    FitPart(reg, b, r.n1, r.n2, r.b, ChowPartName(1));
    return r;
}

}  // namespace

const std::string& ChowPooledName() {
    static const std::string name = "両群";
    return name;
}

const std::string& ChowPartName(int part) {
    static const std::string names[2] = {"Ａ群", "Ｂ群"};
    return names[part == 0 ? 0 : 1];
}

void ThrowChowPartFailure(const std::string& part) { throw EMathError(part + "の計算が出来ません。"); }

std::optional<ChowBoundaryRange> ChowBoundaryLimits(const Reg& reg) {
    int m0 = reg.CountExplanatory() + 2;
    if (reg.IsTwoStage()) m0 = std::max(m0, reg.CountExogenous() + 1);
    const int n = reg.GetObsCount();
    if (m0 > n - m0) return std::nullopt;
    return ChowBoundaryRange{m0, n - m0};
}

int ClampChowBoundary(const ChowBoundaryRange& range, int boundary) {
    return std::clamp(boundary, range.minimum, range.maximum);
}

void FinishChowStatistic(ChowResult& r) {
    const double parts = r.a.sse + r.b.sse;
    const int df2 = r.n1 + r.n2 - 2 * r.k;
    if (df2 < 1) ThrowChowPartFailure(ChowPooledName());
    // Parts fitted exactly leave rounding: F divides by the floor of the
    // pooled variance, so that one line through both parts gives 0 and two
    // lines give the same F in any units.
    const double floor = VarianceFloorOf(r.varY);
    const bool onePerfectLine = IsRoundingVariance(r.sse / (r.n - r.k), floor);
    const double gap = onePerfectLine ? 0.0 : (r.sse - parts) / r.k;
    double f = gap / HeldAtFloor(parts / df2, floor);
    // A dependent variable without any spread leaves nothing to compare.
    if (!std::isfinite(f)) ThrowChowPartFailure(ChowPooledName());
    if (f < 2.220446049250313e-16) f = 0.0;
    r.f = f;
    r.level = FSignificanceLevel(r.k, df2, f);
}

std::optional<ChowResult> ComputeChowTest(const Reg& reg, const ChowOptions& options) {
    const int k = reg.GetVarCount();
    const int d = reg.GetDependent();
    if (k < 1 || d < 0 || d >= k || static_cast<int>(reg.Roles().size()) != k + 1) throw Exception("データ不足");
    try {
        std::optional<ChowResult> r;
        if (options.mode == ChowMode::kGroups)
            r = ComputeChowGroups(reg, options.groupA, options.groupB);
        else
            r = Boundary(reg, options.boundary);
        if (r) FinishChowStatistic(*r);
        return r;
    } catch (const std::bad_alloc&) {
        throw EOutOfMemory();
    }
}
