// TSRA: per-point diagnostics of a fit and the accessors of its results.
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
// w^ = mean w + dz' b (dz = z - mean z), in long double: they keep their
// digits when the regressors lie far from zero or their powers are nearly
// collinear.
void TSRA::FillPointDiagnostics() {
    const SweptFitRows rows = FitRows();
    const int p = p_, k = p_ - 1;
    const double n = n_, df = df_, sse = sse_, s2 = s2_;
    const bool leaveOneOut = df_ >= 2;
    const long long blocks = (static_cast<long long>(n_) + kPointBlockRows - 1) / kPointBlockRows;
    std::vector<double> pressParts(static_cast<std::size_t>(blocks), 0.0);

    ForEachBlock(pool_, n_, kPointBlockRows, [&](long long first, int count) {
        double press = 0.0;
        for (long long ii = first; ii < first + count; ++ii) {
            const std::size_t i = static_cast<std::size_t>(ii);
            const double* d = design_[static_cast<int>(ii)];
            double dz[4];
            long double u[4];
            rows.Centre(d, dz);
            const long double lev = rows.LeverageFromCentred(dz, u);
            const long double fitted = rows.FittedFromCentred(dz);
            const double fit = static_cast<double>(fitted);
            // A leverage within rounding of 1 is 1: the point alone fixes a
            // coefficient, and what divides by 1 - h has no figure.
            double h = LeverageSnappedToOne(static_cast<double>(lev));
            if (h > 1.0) h = kMaxLeverage;
            double e = static_cast<double>(d[k] - fitted);
            if (std::fabs(e) < kDoubleEpsilon) e = 0.0;
            const double omh = 1.0 - h;
            leverage_[i] = h;
            fitted_values_[i] = fit;
            residual_[i] = e;
            const double deleted = PressResidualOf(e, h);
            press += deleted * deleted;

            double* beta = &dfbeta_[i * static_cast<std::size_t>(p)];
            long double intercept = 1.0L / n_;
            for (int j = 0; j < k; ++j) {
                beta[j] = static_cast<double>(u[j] * deleted);
                intercept -= means_[static_cast<std::size_t>(j)] * u[j];
            }
            beta[k] = static_cast<double>(intercept * deleted);

            if (!leaveOneOut) continue;
            if (h == 1.0) {
                residualSE_[i] = std::sqrt(kLeverageOneSpread);
                studentized_[i] = welsch_[i] = covratio_[i] = kNoFigure;
                continue;
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
    return dfbeta_[Index(i) * static_cast<std::size_t>(p_) + static_cast<std::size_t>(j)];
}

double TSRA::GetDesign(int i, int j) const {
    if (!fitted_ || j < 0 || j > p_) throw ERangeError("範囲エラー");
    return design_[static_cast<int>(Index(i))][j];
}

double TSRA::GetMoment(int i, int j) const {
    if (!fitted_ || i < 0 || i > p_ || j < 0 || j > p_) throw ERangeError("範囲エラー");
    return static_cast<double>(moments_[i][j]);
}

double TSRA::GetDurbinWatson() const { return DurbinWatson(residual_.data(), n_); }

double TSRA::GetHeteroskedasticity() const {
    return HeteroskedasticityStatistic(fitted_values_.data(), residual_.data(), n_);
}
