#include "estimators/anova.h"

#include <cmath>

#include "core/model/perfect_fit.h"
#include "core/model/regression_diagnostics.h"
#include "core/model/regression_model.h"
#include "core/numeric/statistics.h"
#include "estimators/white_covariance.h"
#include "platform/errors.h"

namespace {

// Measures that can turn negative show as 0 below single precision.
constexpr double kMeasureFloor = 1.1920929e-07;

std::optional<double> Ratio(double num, double den) {
    if (!(den != 0.0)) return std::nullopt;
    const double v = num / den;
    if (!std::isfinite(v)) return std::nullopt;
    return v;
}

std::optional<double> Floored(std::optional<double> v) {
    if (v && *v < kMeasureFloor) return 0.0;
    return v;
}

std::optional<double> Root(std::optional<double> v) {
    if (!v || *v < 0.0) return std::nullopt;
    return std::sqrt(*v);
}

std::optional<double> OneMinus(std::optional<double> v) {
    if (!v) return std::nullopt;
    return 1.0 - *v;
}

void FillGoodness(const Reg& reg, AnovaTable& t) {
    t.n = reg.GetObsCount();
    t.dfResidual = reg.GetResidualDf();
    t.dfTotal = t.n - 1;
    t.dfRegression = t.dfTotal - t.dfResidual;
    t.ssTotal = reg.GetSyy();
    t.ssResidual = reg.GetSse();
    t.ssRegression = t.ssTotal - t.ssResidual;
    t.press = reg.GetPress();
    if (t.dfRegression > 0) t.msRegression = Ratio(t.ssRegression, t.dfRegression);
    if (t.dfResidual > 0) t.msResidual = Ratio(t.ssResidual, t.dfResidual);
    if (t.dfTotal > 0) t.msTotal = Ratio(t.ssTotal, t.dfTotal);
    if (t.msRegression && t.msResidual) {
        // A perfect fit's residual mean square is rounding: F divides by its floor.
        t.f = Ratio(*t.msRegression, HeldAtFloor(*t.msResidual, reg.VarianceFloor()));
        if (t.f) t.fLevel = FSignificanceLevel(t.dfRegression, t.dfResidual, *t.f);
    }
    t.r2 = OneMinus(Ratio(t.ssResidual, t.ssTotal));
    if (t.msResidual && t.msTotal) {
        const auto share = Ratio(*t.msResidual, *t.msTotal);
        t.adjR2 = Floored(OneMinus(share));
        if (share) t.doubleAdjR2 = Floored(1.0 - (2.0 * t.n - t.dfResidual) / (t.n + 1.0) * *share);
    }
    t.pressR2 = Floored(OneMinus(Ratio(t.press, t.ssTotal)));
    t.r = Root(t.r2);
    t.adjR = Root(t.adjR2);
    t.doubleAdjR = Root(t.doubleAdjR2);
    t.sigma = Root(t.msResidual);
}

}  // namespace

AnovaTable ComputeAnova(const Reg& reg, CovarianceKind kind) {
    const int k = reg.GetVarCount();
    if (k < 1 || reg.SweptMoments().Rows() != k + 1 || static_cast<int>(reg.Roles().size()) != k + 1)
        throw EMathError("推定結果がありません。");
    AnovaTable t;
    t.kind = kind;
    FillGoodness(reg, t);

    std::vector<int> order;
    for (int j = 0; j < k; ++j)
        if (reg.IsExplanatory(j)) order.push_back(j);
    order.push_back(k);
    const int p = static_cast<int>(order.size());
    // A perfect fit's residuals read as residuals of exactly 0, and so does
    // White's covariance, which is made of their squares.
    const bool perfect = reg.IsPerfectFit();
    if (kind == CovarianceKind::kWhite) {
        t.covariance.Replace(perfect ? Matrix(p, p, 0.0) : ComputeWhiteCovariance(reg));
    } else {
        Matrix full;
        GetCovariance(reg, full);
        t.covariance.Replace(Matrix(p, p));
        for (int s = 0; s < p; ++s)
            for (int u = 0; u < p; ++u) t.covariance[s][u] = full.At(order[s], order[u]);
    }

    const int dep = reg.GetDependent();
    const double sy = reg.GetStdDev(dep);
    for (int s = 0; s < p; ++s) {
        const int j = order[s];
        AnovaCoefficient c;
        c.index = j;
        c.name = j < k ? reg.GetVarName(j) : Reg::ConstantName();
        c.coef = reg.GetCoef(j);
        if (!std::isfinite(c.coef)) throw EMathError("係数が数値ではありません: " + c.name);
        // The change in y, in its standard deviations, for one standard
        // deviation of the regressor.
        if (j < k) c.standardised = Ratio(c.coef * reg.GetStdDev(j), sy);
        double se = reg.GetStdError(j);
        if (kind == CovarianceKind::kWhite) {
            const double var = t.covariance[s][s];
            se = var >= 0.0 ? std::sqrt(var) : NAN;
        }
        if (std::isfinite(se)) c.stdErr = se;
        // t divides by the error from s2 held at its floor; White's error
        // of a perfect fit, residuals of the floor's size each, is the same.
        if (kind == CovarianceKind::kOrdinary || perfect)
            c.t = Ratio(c.coef, reg.GetHeldStdError(j));
        else if (c.stdErr)
            c.t = Ratio(c.coef, *c.stdErr);
        if (c.t) {
            if (kind == CovarianceKind::kWhite)
                c.level = NormalSignificanceLevel(*c.t);
            else if (t.dfResidual > 0)
                c.level = TSignificanceLevel(t.dfResidual, *c.t);
        }
        t.coefficients.push_back(std::move(c));
    }
    return t;
}
