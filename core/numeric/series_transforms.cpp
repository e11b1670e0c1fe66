// One-parameter series transforms; see series_transforms.h.
#include "core/numeric/series_transforms.h"

#include <algorithm>
#include <cmath>

#include "core/numeric/numeric_helpers.h"

void BoxCoxSeries(const double* x, double* y, int n, double lambda) {
    for (int i = 0; i < n; ++i) y[i] = BoxCox(true, lambda, x[i]);
}

bool ExponentialSmoothing(const double* x, double* y, int n, double alpha) {
    if (!(alpha >= 0.0 && alpha <= 1.0)) return false;
    if (n <= 0) return true;
    y[0] = x[0];
    for (int i = 1; i < n; ++i) y[i] = (1.0 - alpha) * y[i - 1] + alpha * x[i];
    return true;
}

double GeneralisedDifference(const double* x, double* y, int n, double rho) {
    if (std::isnan(rho)) rho = 0.0;
    rho = std::clamp(rho, -1.0, 1.0);
    if (n <= 0) return rho;
    long double sum = 0.0L;
    for (int i = 0; i < n; ++i) sum += x[i];
    const double mean = static_cast<double>(sum / n);
    y[0] = std::sqrt(1.0 - rho * rho) * (x[0] - mean);
    for (int i = 1; i < n; ++i) y[i] = (x[i] - mean) - rho * y[i - 1];
    for (int i = 0; i < n; ++i) y[i] += mean;
    return rho;
}

bool MovingAverage(const double* x, double* y, int n, double span) {
    if (!(span >= 1.0)) return false;
    if (n <= 0) return true;
    const int k = span >= n ? n : static_cast<int>(span);
    const bool even = k % 2 == 0;
    const int h = even ? k / 2 : (k - 1) / 2;
    for (int i = 0; i < n; ++i) {
        long double sum = 0.0L;
        for (int t = i - h; t <= i + h; ++t) {
            const double v = x[std::clamp(t, 0, n - 1)];
            const bool end = even && (t == i - h || t == i + h);
            sum += end ? 0.5L * v : static_cast<long double>(v);
        }
        y[i] = static_cast<double>(sum / k);
    }
    return true;
}

void SeriesTransformRange(SeriesTransform kind, int n, double* low, double* high) {
    switch (kind) {
        case SeriesTransform::Smoothing:
            *low = 0.0;
            *high = 1.0;
            return;
        case SeriesTransform::MovingAverage:
            *low = 1.0;
            *high = std::max(1, n);
            return;
        case SeriesTransform::BoxCox:
        case SeriesTransform::GeneralisedDifference:
        default:
            *low = -1.0;
            *high = 1.0;
            return;
    }
}

bool ApplySeriesTransform(SeriesTransform kind, const double* x, double* y, int n, double parameter) {
    switch (kind) {
        case SeriesTransform::BoxCox:
            BoxCoxSeries(x, y, n, parameter);
            return true;
        case SeriesTransform::Smoothing:
            return ExponentialSmoothing(x, y, n, parameter);
        case SeriesTransform::GeneralisedDifference:
            GeneralisedDifference(x, y, n, parameter);
            return true;
        case SeriesTransform::MovingAverage:
            return MovingAverage(x, y, n, parameter);
    }
    return false;
}

bool AllFinite(const double* y, int n) {
    for (int i = 0; i < n; ++i)
        if (!std::isfinite(y[i])) return false;
    return true;
}
