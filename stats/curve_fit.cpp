// TSRA: construction, the fit of one family with its fallback, the fit
// statistics and the per-point diagnostics.
#include "stats/curve_fit.h"

#include <algorithm>
#include <cmath>
#include <utility>

#include "core/model/centred_fit_rows.h"
#include "core/numeric/moment_matrix.h"
#include "core/numeric/numeric_helpers.h"
#include "core/numeric/precise_moments.h"
#include "core/numeric/statistics.h"
#include "core/numeric/thread_pool.h"
#include "platform/errors.h"
#include "stats/box_cox_search.h"
#include "stats/curve_transforms.h"

namespace {

// A regressor whose variance left after the earlier ones is below this
// share of its own counts as a combination of them.
constexpr long double kSingularShare = 1e-13L;

}  // namespace

TSRA::TSRA(std::string xName, const double* x, std::string yName, const double* y, int n, ThreadPool* pool)
    : xName_(std::move(xName)), yName_(std::move(yName)), x_(x), y_(y), n_(n), pool_(pool), rankX_(x), rankY_(y) {
    if (n < 3 || !x || !y) throw Exception("自由度不足");
    xLabel_ = xName_;
    yLabel_ = yName_;
    r_ = ComputeCorrelations(x_, y_, n_, nullptr, nullptr);
    Clear();
}

// Left until read: the X-Y graph shows Pearson's r first, and the ranks of a
// large data set cost more than the fit itself.
void TSRA::FormRankCorrelations() const {
    if (ranksFormed_) return;
    ComputeCorrelations(rankX_, rankY_, n_, &rho_, &tau_);
    ranksFormed_ = true;
}

int TSRA::ParamCountOf(int type) {
    switch (type) {
        case reg2ji: return 3;
        case reg3ji: return 4;
        case reg4ji: return 5;
        default: return 2;
    }
}

std::size_t TSRA::Index(int i) const {
    if (i < 0 || i >= n_) throw ERangeError("範囲エラー");
    return static_cast<std::size_t>(i);
}

void TSRA::Clear() {
    fitted_ = false;
    const std::size_t n = static_cast<std::size_t>(n_);
    for (auto* v : {&residual_, &leverage_, &fitted_values_, &residualSE_, &studentized_, &welsch_, &covratio_})
        v->assign(n, 0.0);
    coef_.assign(static_cast<std::size_t>(p_), 0.0);
    se_.assign(static_cast<std::size_t>(p_), 0.0);
    dfbeta_.assign(n * static_cast<std::size_t>(p_), 0.0);
    sse_ = syy_ = s2_ = varY_ = r2_ = adjR2_ = press_ = 0.0;
}

bool TSRA::FitCurve(int type) {
    if (type < 0 || type >= kCurveTypeCount) throw ERangeError("範囲エラー");
    if (TryFit(type)) return true;
    if (type != regXY && TryFit(regXY)) return true;
    type_ = regXY;
    p_ = 2;
    df_ = n_ - 2;
    Clear();
    SetLabels();
    return false;
}

void TSRA::SetPointNumbers(std::vector<int> numbers) {
    if (!numbers.empty() && static_cast<int>(numbers.size()) != n_) throw ERangeError("範囲エラー");
    numbers_ = std::move(numbers);
}

bool TSRA::SwapXY() {
    std::swap(x_, y_);
    std::swap(xName_, yName_);
    std::swap(xLabel_, yLabel_);
    return FitCurve(type_);
}

bool TSRA::EstimateBoxCoxLambda(int mode) {
    if (mode < 0 || mode > 2) throw ERangeError("範囲エラー");
    const BoxCoxSearchResult found = SearchBoxCoxLambda(x_, y_, n_, static_cast<BoxCoxMode>(mode), pool_);
    if (!found.usable) return false;
    lambda_ = ZeroIfTiny(found.lambda);
    return true;
}

void TSRA::SetLabels() {
    const CurveTransform t = CurveTransformOf(type_);
    xLabel_ = TransformLabel(t.x, xName_);
    yLabel_ = TransformLabel(t.y, yName_);
}

bool TSRA::BuildDesign(int type) {
    const int cols = p_ + 1;
    design_.Resize(n_, cols, false);
    double* d = design_.Data();
    const CurveTransform t = CurveTransformOf(type);
    for (int i = 0; i < n_; ++i, d += cols) {
        double zx = 0, w = 0;
        if (!ApplyTransform(t.x, lambda_, x_[i], &zx, unitsX_) || !ApplyTransform(t.y, lambda_, y_[i], &w, unitsY_))
            return false;
        d[0] = zx;
        // Powers of x for the polynomials: x^2, x^2 x, x^2 x^2.
        const double x2 = zx * zx;
        if (p_ > 2) d[1] = x2;
        if (p_ > 3) d[2] = x2 * zx;
        if (p_ > 4) d[3] = x2 * x2;
        d[p_ - 1] = w;
        d[p_] = 1.0;
        for (int j = 0; j < p_; ++j)
            if (!std::isfinite(d[j])) return false;
    }
    return true;
}

bool TSRA::TryFit(int type) {
    const int p = ParamCountOf(type);
    if (type != regXY && n_ - p - 1 <= 0) return false;
    if (type >= regXbceY && !EstimateBoxCoxLambda(type - regXbceY)) return false;
    type_ = type;
    p_ = p;
    df_ = n_ - p;
    Clear();
    SetUnits(type);
    if (!BuildDesign(type)) return false;

    LongMatrix& m = moments_;
    BuildMomentsFromRows(design_.Data(), n_, p + 1, p, m, pool_);
    const int w = p - 1;
    // Syy within rounding of zero against y's sum of squares about zero is
    // 0, whatever the units of y.
    const long double rawYy = m[w][w] + n_ * m[p][w] * m[p][w];
    syy_ = SpreadIsRounding(m[w][w], rawYy, n_) ? 0.0 : static_cast<double>(m[w][w]);
    varY_ = syy_ / (n_ - 1);
    unswept_.Replace(m);
    std::vector<long double> own(static_cast<std::size_t>(w));
    for (int j = 0; j < w; ++j) own[j] = m[j][j];
    for (int j = 0; j < w; ++j) {
        // Earlier sweeps have reduced the pivot to the variance of regressor
        // j left after the earlier ones.
        if (!(m[j][j] > kSingularShare * own[j])) return false;
        if (m.Sweep(j) == SweepResult::kZeroPivot) return false;
    }
    precise_ = false;
    for (int j = 0; j < w; ++j) precise_ = precise_ || !(m[j][j] * own[j] < kMaxLongDoubleVif);
    if (precise_) {
        // Powers of x far from zero are nearly collinear: the moments are
        // summed and swept again in double-double, as the main fit does,
        // and the per-point forms factor them unswept.
        preciseUnswept_ = BuildPreciseMoments(design_.Data(), n_, p + 1, p);
        PreciseMatrix dd = preciseUnswept_;
        for (int j = 0; j < w; ++j)
            if (!SweepPrecise(dd, j)) return false;
        dd.CopyTo(m);
    }
    // A residual sum within the sweep's rounding of Syy: a perfect fit.
    sse_ = m[w][w] <= kDoubleEpsilon * static_cast<long double>(syy_) ? 0.0 : static_cast<double>(m[w][w]);
    s2_ = sse_ / df_;
    if (syy_ == 0.0) {
        r2_ = adjR2_ = 0.0;
    } else {
        r2_ = 1.0 - sse_ / syy_;
        adjR2_ = 1.0 - s2_ / varY_;
        if (adjR2_ < kSingleEpsilon) adjR2_ = 0.0;
    }
    coef_.assign(static_cast<std::size_t>(p), 0.0);
    se_.assign(static_cast<std::size_t>(p), 0.0);
    for (int j = 0; j < w; ++j) {
        coef_[j] = static_cast<double>(OwnMoment(j, w));
        se_[j] = std::sqrt(static_cast<double>(OwnMoment(j, j)) * S2());
    }
    coef_[w] = static_cast<double>(OwnMoment(p, w));
    se_[w] = std::sqrt(static_cast<double>(OwnMoment(p, p)) * S2());
    for (int j = 0; j < p; ++j)
        if (!std::isfinite(coef_[j]) || !std::isfinite(se_[j])) return false;

    FillPointDiagnostics();
    fitted_ = true;
    SetLabels();
    return true;
}

void TSRA::SetUnits(int type) {
    const CurveTransform t = CurveTransformOf(type);
    const bool bx = t.x == VariableTransform::kBoxCox, by = t.y == VariableTransform::kBoxCox;
    unitsX_ = bx ? BoxCoxUnitsOf(x_, n_) : BoxCoxUnits{};
    unitsY_ = by ? BoxCoxUnitsOf(y_, n_) : BoxCoxUnits{};
    mapX_ = bx ? UnitMap{unitsX_.Gain(lambda_), unitsX_.Offset(lambda_)} : UnitMap{};
    mapY_ = by ? UnitMap{unitsY_.Gain(lambda_), unitsY_.Offset(lambda_)} : UnitMap{};
}

// The moments of (z, w, 1) in the data's units, z = gx z' + ox and w = gy w'
// + oy, from those swept in the fitted units: the inverse block of z and
// the constant becomes P S P' with P = [1/gx 0; -ox/gx 1], the coefficients
// P (gy b + (0, oy)'), SSE gy^2 SSE. The maps are not the identity only for
// the Box-Cox families, which fit a straight line.
long double TSRA::OwnMoment(int i, int j) const {
    const LongMatrix& m = moments_;
    if (!UnitsMapped()) return m[i][j];
    constexpr int z = 0, w = 1, c = 2;
    const long double gx = mapX_.gain, gy = mapY_.gain, oy = mapY_.offset, r = mapX_.offset / gx;
    const auto coef = [&](int a) {
        return a == z ? gy * m[z][w] / gx : gy * (m[c][w] - r * m[z][w]) + oy;
    };
    if (i == w && j == w) return gy * gy * m[w][w];
    if (j == w) return coef(i);
    if (i == w) return -coef(j);
    if (i == z && j == z) return m[z][z] / (gx * gx);
    if (i == c && j == c) return m[c][c] - 2.0L * r * m[z][c] + r * r * m[z][z];
    return (m[z][c] - r * m[z][z]) / gx;
}

CentredFitRows TSRA::FitRows() const {
    std::vector<int> vars(static_cast<std::size_t>(p_ - 1));
    for (int j = 0; j < p_ - 1; ++j) vars[static_cast<std::size_t>(j)] = j;
    return CentredFitRows(moments_, unswept_, vars, p_ - 1, n_, precise_ ? &preciseUnswept_ : nullptr);
}
