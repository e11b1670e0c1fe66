#include "stats/univariate_normality.h"

#include <cmath>
#include <vector>

#include "core/numeric/distributions.h"
#include "core/numeric/numeric_helpers.h"
#include "core/numeric/statistics.h"

double ShapiroWilkW(const double* sorted, int n, double* significance) {
    if (n < 2) {
        if (significance) *significance = 0.0;
        return 0.0;
    }
    std::vector<double> m(static_cast<std::size_t>(n));
    NormalScores(m.data(), n, false);
    return ShapiroWilkWFromScores(sorted, m.data(), n, significance);
}

double ShapiroWilkWFromScores(const double* sorted, const double* m, int n, double* significance) {
    if (significance) *significance = 0.0;
    if (n < 2) return 0.0;
    const double q = ShapiroWilkGammaRatio(n);
    long double inner = 0.0L;
    for (int i = 1; i < n - 1; ++i) inner += static_cast<long double>(m[i]) * m[i];
    std::vector<double> a(static_cast<std::size_t>(n));
    if (1.0 - 2.0 * q > 0.0 && inner > 0.0L) {
        const double phi = static_cast<double>(inner) / (1.0 - 2.0 * q);
        const double root = std::sqrt(phi);
        for (int i = 1; i < n - 1; ++i) a[i] = m[i] / root;
        a[0] = -std::sqrt(q);
        a[n - 1] = std::sqrt(q);
    } else {
        // For n <= 4 the extreme-weight approximation leaves nothing for the
        // middle values; the normalised scores keep W within 0..1.
        const double norm = std::sqrt(static_cast<double>(inner) + m[0] * m[0] + m[n - 1] * m[n - 1]);
        for (int i = 0; i < n; ++i) a[i] = m[i] / norm;
    }
    long double b = 0.0L, sum = 0.0L;
    for (int i = 0; i < n; ++i) {
        b += static_cast<long double>(a[i]) * sorted[i];
        sum += sorted[i];
    }
    const long double mean = sum / n;
    long double ss = 0.0L;
    for (int i = 0; i < n; ++i) {
        const long double d = sorted[i] - mean;
        ss += d * d;
    }
    if (!(ss > 0.0L)) return 0.0;
    const double w = static_cast<double>(b * b / ss);
    if (significance) *significance = ShapiroWilkSignificance(n, w);
    return w;
}

double DAgostinoD(const double* sorted, int n, int* mark) {
    if (mark) *mark = 0;
    if (n < 1) return 0.0;
    const double centre = (n + 1) / 2.0;
    long double t = 0.0L, ss = 0.0L;
    double mean = 0.0;
    for (int i = 1; i <= n; ++i) {
        const double x = sorted[i - 1];
        t += static_cast<long double>(i - centre) * x;
        const double d = x - mean;
        ss += static_cast<long double>(d) * d * (i - 1) / i;
        mean += d / i;
    }
    const double m2 = static_cast<double>(ss) / n;
    if (!(m2 > 0.0)) return 0.0;
    const double nn = n;
    const double d = static_cast<double>(t) / (nn * nn * std::sqrt(m2));
    if (mark) {
        int r = DAgostinoDBounds(n, 0.01, d);
        if (r != 0) {
            *mark = 3 * r;
        } else if ((r = DAgostinoDBounds(n, 0.05, d)) != 0) {
            *mark = 2 * r;
        } else {
            *mark = DAgostinoDBounds(n, 0.1, d);
        }
    }
    return d;
}

double SkewnessZ(int n, double skewness) {
    const double nn = n;
    const double y = skewness * std::sqrt((nn + 1) * (nn + 3) / (6 * (nn - 2)));
    const double beta2 = 3 * (nn * nn + 27 * nn - 70) * (nn + 1) * (nn + 3) /
                         ((nn - 2) * (nn + 5) * (nn + 7) * (nn + 9));
    const double w2 = std::sqrt(2 * (beta2 - 1)) - 1;
    const double delta = 1 / std::sqrt(std::log(std::sqrt(w2)));
    const double alpha = std::sqrt(2 / (w2 - 1));
    const double ya = y / alpha;
    return delta * std::log(ya + std::sqrt(ya * ya + 1));
}

double KurtosisZ(int n, double kurtosis) {
    const double nn = n;
    const double e = 3 * (nn - 1) / (nn + 1);
    const double v = 24 * nn * (nn - 2) * (nn - 3) / ((nn + 1) * (nn + 1) * (nn + 3) * (nn + 5));
    const double x = (kurtosis - e) / std::sqrt(v);
    const double s = 6 * (nn * nn - 5 * nn + 2) / ((nn + 7) * (nn + 9)) *
                     std::sqrt(6 * (nn + 3) * (nn + 5) / (nn * (nn - 2) * (nn - 3)));
    const double a = 6 + (8 / s) * (2 / s + std::sqrt(1 + 4 / (s * s)));
    const double tail = (1 - 2 / a) / (1 + x * std::sqrt(2 / (a - 4)));
    return ((1 - 2 / (9 * a)) - NthRoot(3, tail)) / std::sqrt(2 / (9 * a));
}

double AndersonDarlingA2(const double* z, int n) {
    if (n < 8) return 0.0;
    constexpr double kHigh = 0.9999999999999998, kLow = 2.220446049250313e-16;
    std::vector<double> p(static_cast<std::size_t>(n));
    for (int i = 0; i < n; ++i) {
        const double q = NormalUpperTail(z[i]);
        p[i] = q >= 1.0 ? kHigh : q <= 0.0 ? kLow : q;
    }
    long double s = 0.0L;
    for (int i = 0; i < n; ++i) s += (2.0L * i + 1) * (std::log(p[n - 1 - i]) + std::log(1.0 - p[i]));
    const double nn = n;
    const double a2 = static_cast<double>(-s / n) - nn;
    return a2 * (1 + 0.75 / nn + 2.25 / (nn * nn));
}

RobustLocationSet RobustLocations(const double* x, int n) {
    RobustLocationSet out;
    if (n >= 2) {
        out.value[0] = Midpoint(x[(n + 1) / 2 - 1], x[(n + 2) / 2 - 1]);
        out.valid[0] = true;
    }
    if (n > 2) {
        long double s1 = 0.0L;
        for (int i = 1; i < n - 1; ++i) s1 += x[i];
        out.value[1] = static_cast<double>((s1 + x[1] + x[n - 2]) / n);
        out.value[2] = static_cast<double>(s1 / (n - 2));
        out.valid[1] = out.valid[2] = true;
        if (n > 4) {
            const long double s2 = s1 - x[1] - x[n - 2];
            out.value[3] = static_cast<double>((s2 + 2.0L * (static_cast<long double>(x[2]) + x[n - 3])) / n);
            out.value[4] = static_cast<double>(s2 / (n - 4));
            out.valid[3] = out.valid[4] = true;
        }
    }
    return out;
}
