// TSRA: prediction at a new x with its tolerance band.
#include <cmath>

#include "core/model/centred_fit_rows.h"
#include "core/numeric/distributions.h"
#include "platform/errors.h"
#include "stats/curve_fit.h"
#include "stats/curve_transforms.h"

// half width = s (sqrt(p F q) + z sqrt(df / c)): F the upper (1 - confidence)/2
// point of F(p, df), z the upper (1 - coverage)/2 normal point, c the lower
// (1 - confidence)/2 point of chi-square(df), q = d' (X'X)^-1 d.
double TSRA::PredictInterval(double* upper, double* lower, double x0, double confidence, double coverage) const {
    if (!fitted_) throw EMathError("範囲エラー");
    if (!(confidence > 0.0 && confidence < 1.0) || !(coverage > 0.0 && coverage < 1.0))
        throw ERangeError("範囲エラー");
    const CurveTransform t = CurveTransformOf(type_);
    double z0 = 0.0;
    if (!ApplyTransform(t.x, lambda_, x0, &z0, unitsX_)) throw EMathError("範囲エラー");
    // The powers as the design forms them.
    const double z2 = z0 * z0;
    const double z[4] = {z0, z2, z2 * z0, z2 * z2};
    const CentredFitRows rows = FitRows();
    double dz[4];
    rows.Centre(z, dz);
    long double fitted = 0.0L, leverage = 0.0L;
    rows.PointFromCentred(dz, fitted, leverage);
    const double q = static_cast<double>(leverage);
    double w = static_cast<double>(fitted);
    const double a = (1.0 - confidence) * 0.5, b = (1.0 - coverage) * 0.5;
    const double f = FUpperQuantile(p_, df_, a);
    const double zq = NormalUpperQuantileApprox(static_cast<float>(b));
    const double c = ChiSquareUpperQuantile(df_, 1.0 - a);
    const double half = std::sqrt(s2_) * (std::sqrt(p_ * f * q) + zq * std::sqrt(df_ / c));
    double up = w + half, low = w - half;
    // Back from the fitted units: y = 2^k u for Box-Cox (box_cox_units.h).
    const int k = unitsY_.exponent;
    w = std::ldexp(InverseTransform(t.y, lambda_, w), k);
    up = std::ldexp(InverseTransform(t.y, lambda_, up), k);
    low = std::ldexp(InverseTransform(t.y, lambda_, low), k);
    if (!std::isfinite(w) || !std::isfinite(up) || !std::isfinite(low)) throw EMathError("範囲エラー");
    *upper = up;
    *lower = low;
    return w;
}
