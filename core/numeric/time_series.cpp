#include "core/numeric/time_series.h"

#include <cmath>
#include <vector>

#include "platform/errors.h"

namespace {

// One-pass mean and sum of squared deviations (West's update).
void RunningMeanAndSS(const double* x, int n, double& mean, double& ss) {
    double m = 0.0;
    long double s = 0.0L;
    for (int i = 0; i < n; ++i) {
        const double d = x[i] - m;
        const double step = d / (i + 1);
        m += step;
        s += static_cast<long double>(step) * d * i;
    }
    mean = m;
    ss = static_cast<double>(s);
}

}  // namespace

void Autocovariance(const double* x, double* c, int n) {
    if (n < 2) return;
    const double w = 1.0 / n;
    long double sum = 0.0L;
    for (int i = 0; i < n; ++i) sum += x[i];
    const double mean = static_cast<double>(sum * w);
    for (int k = 0; k <= n - 2; ++k) {
        long double acc = 0.0L;
        for (int i = 0; i < n - k; ++i)
            acc += static_cast<long double>(x[i + k] - mean) * (x[i] - mean);
        c[k] = static_cast<double>(w * acc);
    }
}

void Autocorrelation(const double* x, double* r, int n) {
    if (n < 2) return;
    std::vector<double> c(n);
    Autocovariance(x, c.data(), n);
    if (c[0] == 0.0) throw EZeroDivide("INVERSE ERROR!");
    for (int k = 0; k <= n - 2; ++k) r[k] = c[k] / c[0];
}

void BuildToeplitzSystem(const double* c, int k, Matrix& m, double* rhs) {
    for (int i = 0; i < k; ++i) {
        double* row = m[i];
        for (int j = 0; j < k; ++j) row[j] = c[i > j ? i - j : j - i];
        rhs[i] = c[i + 1];
    }
}

int PartialAutocorrelation(const double* x, int n, int maxLag, double* pacf) {
    if (n < 2) throw ERangeError("PACF: fewer than two values");
    if (maxLag < 0) throw ERangeError("PACF: negative lag");
    if (maxLag > n - 2) maxLag = n - 2;
    if (maxLag == 0) {
        pacf[0] = 1.0;
        return 0;
    }
    std::vector<double> c(n), rhs(maxLag), sol(maxLag), out(maxLag + 1);
    Matrix m(maxLag, maxLag, 0.0);
    Autocovariance(x, c.data(), n);
    out[0] = 1.0;
    for (int k = 1; k <= maxLag; ++k) {
        BuildToeplitzSystem(c.data(), k, m, rhs.data());
        InvertMatrix(m.Data(), maxLag, m.Data(), k, maxLag);
        for (int i = 0; i < k; ++i) {
            double s = 0.0;
            for (int j = 0; j < k; ++j) s += m[i][j] * rhs[j];
            sol[i] = s;
        }
        out[k] = sol[k - 1];
    }
    for (int k = 0; k <= maxLag; ++k) pacf[k] = out[k];
    return maxLag;
}

void StandardizeSeries(double* x, int n) {
    if (n < 2) throw EZeroDivide("StandardizeSeries: fewer than two values");
    double mean = 0.0, ss = 0.0;
    RunningMeanAndSS(x, n, mean, ss);
    const double s = std::sqrt(ss / (n - 1));
    if (!(s > 0.0) || !std::isfinite(1.0 / s)) throw EZeroDivide("StandardizeSeries: no spread");
    const double f = 1.0 / s;
    for (int i = 0; i < n; ++i) x[i] = (x[i] - mean) * f;
}

bool Periodogram(const double* x, int n, double* p, int m, double* level) {
    if (n < 2 || m < 0) return false;
    const double w = 1.0 / n;
    const double w2 = w + w;
    double mean = 0.0, ss = 0.0;
    RunningMeanAndSS(x, n, mean, ss);
    const double s = std::sqrt(ss * w);
    if (!(s > 0.0) || !std::isfinite(1.0 / s)) return false;
    const double f = 1.0 / s;
    std::vector<double> z(n);
    for (int t = 0; t < n; ++t) z[t] = (x[t] - mean) * f;
    constexpr double kTwoPi = 6.283185307179586;
    for (int j = 0; j < m; ++j) {
        const double v = 1.0 / (j + 1);
        long double a = 0.0L, b = 0.0L;
        for (int t = 0; t < n; ++t) {
            const double angle = kTwoPi * (t + 1) * v;
            a += static_cast<long double>(z[t]) * std::sin(angle);
            b += static_cast<long double>(z[t]) * std::cos(angle);
        }
        const double aw = static_cast<double>(a) * w2;
        const double bw = static_cast<double>(b) * w2;
        p[j] = aw * aw + bw * bw;
    }
    *level = 4.0 / f / f * w;
    return true;
}

double EstimateAR1Coefficient(const double* x, int n, double* variance) {
    if (n < 3) throw EZeroDivide("AR(1): fewer than three values");
    long double sum = 0.0L;
    for (int i = 0; i < n; ++i) sum += x[i];
    const double mean = static_cast<double>(sum) / n;
    std::vector<double> e(n);
    for (int t = 0; t < n; ++t) e[t] = x[t] - mean;
    const double dEnds = e[0] * e[0] + e[n - 1] * e[n - 1];
    long double sxx = 0.0L, sxy = 0.0L;
    for (int t = 1; t <= n - 2; ++t) sxx += static_cast<long double>(e[t]) * e[t];
    for (int t = 1; t <= n - 1; ++t) sxy += static_cast<long double>(e[t]) * e[t - 1];
    const double Sxx = static_cast<double>(sxx);
    const double Sxy = static_cast<double>(sxy);
    if (Sxx == 0.0) throw EZeroDivide("AR(1): no interior variation");

    const double den = (n - 1.0) * Sxx;
    const double a = -(n - 2.0) * Sxy / den;
    const double b = -((n + 1.0) * Sxx + dEnds) / den;
    const double c = n * Sxy / den;
    const double p = b - a * a / 3.0;
    const double q = c - a * b / 3.0 + 2.0 * a * a * a / 27.0;
    if (!(p < 0.0)) throw EMathError("AR(1): the likelihood cubic has no three real roots");
    double arg = std::sqrt(27.0) * q / (2.0 * p * std::sqrt(-p));
    // Rounding may carry a boundary value just past +-1.
    if (std::fabs(arg) > 1.0 + 1e-12 || std::isnan(arg))
        throw EMathError("AR(1): the likelihood cubic has no three real roots");
    arg = std::fmax(-1.0, std::fmin(1.0, arg));
    const double phi = std::acos(arg);
    // The ten-digit angle the coefficient has always been computed with;
    // pi / 3 would move published coefficients in their tenth digit.
    constexpr double kThirdTurnAngle = 1.047197551;
    const double rho = -2.0 * std::sqrt(-p / 3.0) * std::cos(phi / 3.0 + kThirdTurnAngle) - a / 3.0;
    if (variance != nullptr) *variance = (dEnds - 2.0 * rho * Sxy + (rho * rho + 1.0) * Sxx) / n;
    return rho;
}

bool AnyFlagSet(const std::uint8_t* flags, int n) {
    for (int i = 0; i < n; ++i)
        if (flags[i] != 0) return true;
    return false;
}
