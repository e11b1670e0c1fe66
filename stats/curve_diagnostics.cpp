// TSRA: per-point diagnostics of a fit and the accessors of its results.
#include <algorithm>
#include <cmath>
#include <vector>

#include "core/model/leverage_forms.h"
#include "core/numeric/numeric_helpers.h"
#include "core/numeric/statistics.h"
#include "core/numeric/thread_pool.h"
#include "platform/errors.h"
#include "stats/curve_fit.h"

namespace {

constexpr double kMaxLeverage = 0.9999999999999998;  // 1 - 2^-52: a leverage past 1
constexpr int kPointBlockRows = 4096;

}  // namespace

// Leverage and fitted value in centred form, h = 1/n + dz' S^-1 dz and
// w^ = mean w + dz' b (dz = z - mean z), taken in orthogonalised regressors
// (centred_fit_rows.h): they keep their digits when the regressors lie far
// from zero and their powers are nearly collinear.
void TSRA::FillPointDiagnostics() {
    const CentredFitRows rows = FitRows();
    const int p = p_, k = p_ - 1;
    const double n = n_, df = df_, sse = sse_, s2 = s2_;
    const bool leaveOneOut = df_ >= 2;
    const long long blocks = (static_cast<long long>(n_) + kPointBlockRows - 1) / kPointBlockRows;
    std::vector<double> pressParts(static_cast<std::size_t>(blocks), 0.0);
    constexpr int kBlock = CentredFitRows::kBlock;
    const int columns[4] = {0, 1, 2, 3};
    std::vector<long double> means(static_cast<std::size_t>(k));
    for (int j = 0; j < k; ++j) means[static_cast<std::size_t>(j)] = unswept_[p][j];

    // Point i with fitted value f, leverage lev and S^-1 dz at u (stride
    // kBlock); returns its squared PRESS residual.
    auto point = [&](std::size_t i, const double* d, long double f, double lev, const double* u) {
        // A leverage within rounding of 1 is 1: the point alone fixes a
        // coefficient, and what divides by 1 - h has no figure.
        double h = LeverageSnappedToOne(lev);
        if (h > 1.0) h = kMaxLeverage;
        // A residual within rounding of the value it is the rest of is 0.
        double e = static_cast<double>(d[k] - f);
        if (std::fabs(e) < kDoubleEpsilon * std::fabs(d[k])) e = 0.0;
        const double omh = 1.0 - h;
        leverage_[i] = h;
        fitted_values_[i] = static_cast<double>(f);
        residual_[i] = e;
        const double deleted = PressResidualOf(e, h);

        double* beta = &dfbeta_[i * static_cast<std::size_t>(p)];
        long double intercept = 1.0L / n_;
        for (int j = 0; j < k; ++j) {
            beta[j] = u[j * kBlock] * deleted;
            intercept -= means[static_cast<std::size_t>(j)] * u[j * kBlock];
        }
        beta[k] = static_cast<double>(intercept * deleted);

        if (!leaveOneOut) return deleted * deleted;
        if (h == 1.0) {
            residualSE_[i] = std::sqrt(VarianceFloorOf(varY_));
            studentized_[i] = welsch_[i] = covratio_[i] = kNoFigure;
            return deleted * deleted;
        }
        // s(i)^2 (1 - h): the residual variance without point i. Its floor
        // is relative, so small-scaled data keep their own values.
        double v = (sse - e * deleted) * omh / (df - 1.0);
        const double floor = kSingleEpsilon * s2 * omh;
        if (v < floor) v = floor;
        if (v > 0.0) {
            residualSE_[i] = std::sqrt(v);
            studentized_[i] = e / residualSE_[i];
        } else {
            residualSE_[i] = studentized_[i] = 0.0;
        }
        const double t = studentized_[i];
        welsch_[i] = std::sqrt(((n - 1.0) / omh) * (h / omh) * t * t);
        if (s2 == 0.0) {
            covratio_[i] = 1.0;
        } else {
            const double base = (df - e * e / (s2 * omh)) / (df - 1.0);
            double c = 1.0;
            for (int j = 0; j < p; ++j) c *= base;
            covratio_[i] = c / omh;
        }
        return deleted * deleted;
    };

    ForEachBlock(pool_, n_, kPointBlockRows, [&](long long first, int count) {
        double press = 0.0;
        double c[4 * kBlock], u[4 * kBlock], lev[kBlock];
        long double fitted[kBlock];
        for (int start = 0; start < count; start += kBlock) {
            const int len = std::min(kBlock, count - start);
            const double* d = design_[static_cast<int>(first + start)];
            rows.CentreRows(d, p + 1, columns, len, c);
            rows.FittedBlock(c, len, fitted);
            rows.LeverageBlock(c, len, lev);
            rows.SlopeChangeBlock(c, len, u);
            for (int t = 0; t < len; ++t)
                press += point(static_cast<std::size_t>(first + start + t), d + static_cast<std::size_t>(t) * (p + 1),
                               fitted[t], lev[t], u + t);
        }
        pressParts[static_cast<std::size_t>(first / kPointBlockRows)] = press;
    });
    press_ = 0.0;
    for (double part : pressParts) press_ += part;
}

double TSRA::GetCoef(int j) const {
    if (j < 0 || j >= p_) throw ERangeError("範囲エラー");
    return coef_[static_cast<std::size_t>(j)];
}

double TSRA::GetCoefSE(int j) const {
    if (j < 0 || j >= p_) throw ERangeError("範囲エラー");
    return se_[static_cast<std::size_t>(j)];
}

double TSRA::GetDfbeta(int i, int j) const {
    if (j < 0 || j >= p_) throw ERangeError("範囲エラー");
    const double* beta = &dfbeta_[Index(i) * static_cast<std::size_t>(p_)];
    // In the data's units (OwnMoment): the slope's change scales, the
    // intercept's takes the shift of x.
    if (!UnitsMapped()) return beta[j];
    if (j == 0) return mapY_.gain * beta[0] / mapX_.gain;
    return mapY_.gain * (beta[1] - mapX_.offset / mapX_.gain * beta[0]);
}

double TSRA::GetDesign(int i, int j) const {
    if (!fitted_ || j < 0 || j > p_) throw ERangeError("範囲エラー");
    const double v = design_[static_cast<int>(Index(i))][j];
    if (!UnitsMapped() || j == p_) return v;
    return j == 0 ? mapX_.gain * v + mapX_.offset : mapY_.gain * v + mapY_.offset;
}

double TSRA::GetMoment(int i, int j) const {
    if (!fitted_ || i < 0 || i > p_ || j < 0 || j > p_) throw ERangeError("範囲エラー");
    return static_cast<double>(OwnMoment(i, j));
}

double TSRA::GetDurbinWatson() const { return DurbinWatson(residual_.data(), n_); }

double TSRA::GetHeteroskedasticity() const {
    return HeteroskedasticityStatistic(fitted_values_.data(), residual_.data(), n_);
}
