#include "core/numeric/tolerance_interval.h"

#include <cmath>
#include <vector>

#include "core/numeric/distributions.h"
#include "platform/errors.h"

ToleranceQuantiles MakeToleranceQuantiles(int n, int df, double confidence, double coverage) {
    ToleranceQuantiles t;
    t.q = n - df;
    t.df = df;
    const double alpha = 1.0 - confidence;
    t.f = FUpperQuantile(t.q, df, alpha / 2.0);
    t.z = NormalUpperQuantileApprox(static_cast<float>((1.0 - coverage) / 2.0));
    t.chi = ChiSquareUpperQuantile(df, 1.0 - alpha / 2.0);
    return t;
}

double ToleranceHalfWidth(const ToleranceQuantiles& t, double quadraticForm, double s2) {
    return (std::sqrt(t.q * t.f * quadraticForm) + t.z * std::sqrt(t.df / t.chi)) * std::sqrt(s2);
}

double ToleranceHalfWidth(double quadraticForm, double s2, int n, int df, double confidence, double coverage) {
    return ToleranceHalfWidth(MakeToleranceQuantiles(n, df, confidence, coverage), quadraticForm, s2);
}

TolerancePrediction PredictWithTolerance(std::span<const double> coef, const Matrix& q, std::span<const double> x,
                                         double s2, int n, int df, double confidence, double coverage) {
    const std::size_t p = x.size();
    if (coef.size() < p + 1 || q.Rows() < static_cast<int>(p + 1) || q.Cols() < static_cast<int>(p + 1))
        throw ERangeError(kRangeErrorText);
    std::vector<double> point(x.begin(), x.end());
    point.push_back(1.0);
    long double predicted = 0.0L, v = 0.0L;
    for (std::size_t i = 0; i <= p; ++i) {
        predicted += static_cast<long double>(point[i]) * coef[i];
        long double row = 0.0L;
        for (std::size_t j = 0; j <= p; ++j) row += static_cast<long double>(q[static_cast<int>(i)][j]) * point[j];
        v += point[i] * row;
    }
    TolerancePrediction result;
    result.predicted = static_cast<double>(predicted);
    const double half = ToleranceHalfWidth(static_cast<double>(v), s2, n, df, confidence, coverage);
    result.lower = result.predicted - half;
    result.upper = result.predicted + half;
    return result;
}
