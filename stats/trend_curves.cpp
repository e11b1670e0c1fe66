// Trend curves of a series: the fits and the plot coefficients.
#include "stats/trend_curves.h"

#include <cmath>
#include <vector>

#include "core/numeric/matrix.h"
#include "core/numeric/numeric_helpers.h"
#include "core/numeric/statistics.h"
#include "platform/errors.h"
#include "stats/curve_fit.h"

namespace {

constexpr int kGaussNewtonLimit = 20;
constexpr double kRateTolerance = 1e-5;

// Curve fitter type of models 0..6.
constexpr int kFitterType[7] = {regXY, reg2ji, reg3ji, reg4ji, regXlnY, regXinvY, regXbceY};

}  // namespace

ModifiedExponentialFit FitModifiedExponential(const double* z, int n, const double* t) {
    ModifiedExponentialFit fit;
    const int m = n / 3;
    if (m < 1) return fit;
    long double s[3] = {0, 0, 0};
    // The start value takes the values as equally spaced, also across a gap:
    // the iteration below works on the times themselves.
    for (int part = 0; part < 3; ++part)
        for (int i = part * m; i < (part + 1) * m; ++i) s[part] += z[i];
    double c = static_cast<double>(std::log((s[0] - s[1]) / (s[1] - s[2])) / m);
    if (!(c > 0.0) || !std::isfinite(c)) {
        fit.c = c;
        return fit;
    }
    for (int iteration = 1; iteration <= kGaussNewtonLimit; ++iteration) {
        // Least squares of z on (1, e, t e), e = exp(-c t): a, b and d = -b delta.
        long double mm[4][4] = {};
        for (int i = 0; i < n; ++i) {
            const double ti = t ? t[i] : i;
            const long double e = std::exp(-c * ti);
            const long double v[4] = {1.0L, e, ti * e, z[i]};
            for (int j = 0; j < 4; ++j)
                for (int k = 0; k < 4; ++k) mm[j][k] += v[j] * v[k];
        }
        for (int k = 0; k < 3; ++k)
            if (SweepPivot(&mm[0][0], 4, k, 4, 4) == SweepResult::kZeroPivot) return fit;
        const double a = static_cast<double>(mm[0][3]), b = static_cast<double>(mm[1][3]),
                     d = static_cast<double>(mm[2][3]);
        const double delta = -d / b;
        if (!std::isfinite(a) || !std::isfinite(b) || !std::isfinite(delta)) return fit;
        fit.a = a;
        fit.b = b;
        fit.c = c;
        fit.iterations = iteration;
        if (std::fabs(delta / c) < kRateTolerance) break;
        // At the limit the last a and b stay with the rate they were fitted at.
        if (iteration == kGaussNewtonLimit) break;
        c += delta;
        if (!(c > 0.0) || !std::isfinite(c)) return fit;
    }
    fit.ok = fit.c > 0.0;
    return fit;
}

TimeSeriesMerlox::TimeSeriesMerlox(const double* series, int n, ThreadPool* pool, const int* numbers)
    : series_(series), n_(n), numbers_(numbers), pool_(pool) {
    // A value within rounding of zero, against the series' own size, is no
    // positive value for the logarithmic and reciprocal forms.
    const double zero = TieTolerance(series_, n_);
    for (int i = 0; i < n_; ++i)
        if (series_[i] < zero) belowEpsilon_ = true;
}

std::vector<double> TimeSeriesMerlox::Times() const {
    std::vector<double> t(static_cast<std::size_t>(n_));
    if (numbers_)
        for (int i = 0; i < n_; ++i) t[static_cast<std::size_t>(i)] = numbers_[i];
    else
        FillIndexSequence(t.data(), n_);
    return t;
}

bool TimeSeriesMerlox::FitStraightLine() {
    return FitThroughCurveFitter(0);
}

// Models 0..6 on t = 1..n (the numbers); a family the fitter replaced by
// the line reports model 0.
bool TimeSeriesMerlox::FitThroughCurveFitter(int model) {
    coef_.fill(0.0);
    model_ = 0;
    if (n_ < 3) return false;
    const std::vector<double> t = Times();
    TSRA fitter("", t.data(), "", series_, n_, pool_);
    if (!fitter.FitCurve(kFitterType[model])) return false;
    const int k = fitter.ParamCount();
    coef_[0] = fitter.GetCoef(k - 1);
    for (int j = 1; j < k; ++j) coef_[j] = fitter.GetCoef(j - 1);
    model_ = fitter.Type() == kFitterType[model] ? model : 0;
    if (model_ == 6) coef_[2] = fitter.Lambda();
    return true;
}

bool TimeSeriesMerlox::Fit(int model) {
    if (model < 0 || model >= kModelCount) throw ERangeError("範囲エラー");
    if (model >= 4 && belowEpsilon_) model = 0;
    if (model <= 6) return FitThroughCurveFitter(model);
    if (n_ < 3) return FitStraightLine();
    std::vector<double> z(static_cast<std::size_t>(n_));
    for (int i = 0; i < n_; ++i) z[i] = model == 7 ? 1.0 / series_[i] : std::log(series_[i]);
    std::vector<double> t;
    if (numbers_) {
        t = Times();
        for (double& v : t) v -= 1.0;
    }
    const ModifiedExponentialFit fit = FitModifiedExponential(z.data(), n_, numbers_ ? t.data() : nullptr);
    if (!fit.ok) return FitStraightLine();
    coef_.fill(0.0);
    coef_[0] = fit.a;
    coef_[1] = fit.b;
    coef_[2] = fit.c;
    model_ = model;
    return true;
}

TRegLineType TimeSeriesMerlox::GetLineType() const {
    static constexpr TRegLineType kLine[kModelCount] = {regXY,   reg2ji,   reg3ji,      reg4ji,     regXlnY,
                                                        regXinvY, regXbceY, regLogistic, regGompertz};
    return kLine[model_];
}

double TimeSeriesMerlox::GetCoef(int i) const {
    if (i < 0 || i >= 5) throw ERangeError("範囲エラー");
    return coef_[static_cast<std::size_t>(i)];
}

double TimeSeriesMerlox::GetPlotCoef(int i) const {
    const double c = GetCoef(i);
    if (i == 1 && (model_ == 7 || model_ == 8)) return c * std::exp(coef_[2]);
    return c;
}
