#include "stats/univariate_randomness.h"

#include <algorithm>
#include <cmath>
#include <complex>

#include "platform/errors.h"

namespace {

// In-place radix-2 transform; size a power of two. inverse: conjugate sign,
// no scaling.
void Fourier(std::vector<std::complex<double>>& a, bool inverse) {
    const std::size_t n = a.size();
    for (std::size_t i = 1, j = 0; i < n; ++i) {
        std::size_t bit = n >> 1;
        for (; j & bit; bit >>= 1) j ^= bit;
        j ^= bit;
        if (i < j) std::swap(a[i], a[j]);
    }
    const double sign = inverse ? 1.0 : -1.0;
    for (std::size_t len = 2; len <= n; len <<= 1) {
        const double angle = sign * 2.0 * 3.141592653589793 / static_cast<double>(len);
        const std::size_t half = len / 2;
        std::vector<std::complex<double>> w(half);
        for (std::size_t k = 0; k < half; ++k) w[k] = std::polar(1.0, angle * static_cast<double>(k));
        for (std::size_t i = 0; i < n; i += len)
            for (std::size_t k = 0; k < half; ++k) {
                // Written out: the library product checks for infinities.
                const std::complex<double> b = a[i + k + half];
                const std::complex<double> u = a[i + k],
                                           v(b.real() * w[k].real() - b.imag() * w[k].imag(),
                                             b.real() * w[k].imag() + b.imag() * w[k].real());
                a[i + k] = u + v;
                a[i + k + half] = u - v;
            }
    }
}

// Sum of d[i + k] d[i] over i, in four running sums.
double LaggedProduct(const double* d, int n, int k) {
    double s0 = 0, s1 = 0, s2 = 0, s3 = 0;
    const double* e = d + k;
    const int m = n - k;
    int i = 0;
    for (; i + 4 <= m; i += 4) {
        s0 += e[i] * d[i];
        s1 += e[i + 1] * d[i + 1];
        s2 += e[i + 2] * d[i + 2];
        s3 += e[i + 3] * d[i + 3];
    }
    for (; i < m; ++i) s0 += e[i] * d[i];
    return (s0 + s1) + (s2 + s3);
}

// Sums of products of deviations at lags 0 .. maxLag.
std::vector<double> LaggedProductSums(const std::vector<double>& d, int maxLag) {
    const int n = static_cast<int>(d.size());
    std::vector<double> s(static_cast<std::size_t>(maxLag) + 1);
    // Direct sums for the usual few dozen lags; beyond that the transform.
    if (maxLag < 128 || static_cast<double>(n) * (maxLag + 1) <= 4e7) {
        for (int k = 0; k <= maxLag; ++k) s[k] = LaggedProduct(d.data(), n, k);
        return s;
    }
    std::size_t size = 1;
    while (size < 2 * static_cast<std::size_t>(n)) size <<= 1;
    std::vector<std::complex<double>> f(size);
    for (int i = 0; i < n; ++i) f[i] = d[i];
    Fourier(f, false);
    for (auto& c : f) c = std::norm(c);
    Fourier(f, true);
    for (int k = 0; k <= maxLag; ++k) s[k] = f[k].real() / static_cast<double>(size);
    return s;
}

std::vector<double> Deviations(const double* x, int n) {
    long double sum = 0.0L;
    for (int i = 0; i < n; ++i) sum += x[i];
    const double mean = static_cast<double>(sum / n);
    std::vector<double> d(static_cast<std::size_t>(n));
    for (int i = 0; i < n; ++i) d[i] = x[i] - mean;
    return d;
}

double PortmanteauSum(const std::vector<double>& r, int n) {
    long double q = 0.0L;
    for (std::size_t k = 1; k < r.size(); ++k) q += static_cast<long double>(r[k]) * r[k] / (n - static_cast<double>(k));
    const double nn = n;
    return static_cast<double>(nn * (nn + 2) * q);
}

}  // namespace

int DefaultAutocorrelationLag(int n) { return std::max(1, std::min(n / 4, 40)); }

int ClampAutocorrelationLag(int lag, int n) {
    const int top = std::min(n - 2, kLargestAutocorrelationLag);
    return std::max(1, std::min(lag, top));
}

std::vector<double> AutocorrelationsToLag(const double* x, int n, int maxLag) {
    if (n < 2 || maxLag < 0 || maxLag > n - 2) throw ERangeError("自己相関: 次数が範囲外です");
    const std::vector<double> s = LaggedProductSums(Deviations(x, n), maxLag);
    if (!(s[0] > 0.0)) throw EZeroDivide("INVERSE ERROR!");
    std::vector<double> r(s.size());
    r[0] = 1.0;
    for (std::size_t k = 1; k < s.size(); ++k) r[k] = s[k] / s[0];
    return r;
}

std::vector<double> DurbinLevinsonPartials(const std::vector<double>& r) {
    const int lags = static_cast<int>(r.size()) - 1;
    std::vector<double> out(r.size(), 0.0);
    if (r.empty()) return out;
    out[0] = 1.0;
    std::vector<double> phi(static_cast<std::size_t>(std::max(lags, 0)) + 1, 0.0), next(phi.size());
    double error = 1.0;  // prediction error variance relative to r(0)
    for (int k = 1; k <= lags; ++k) {
        if (!(error > 1e-13)) break;
        long double num = r[k];
        for (int j = 1; j < k; ++j) num -= static_cast<long double>(phi[j]) * r[k - j];
        const double a = static_cast<double>(num) / error;
        if (!std::isfinite(a)) break;
        out[k] = a;
        for (int j = 1; j < k; ++j) next[j] = phi[j] - a * phi[k - j];
        next[k] = a;
        for (int j = 1; j <= k; ++j) phi[j] = next[j];
        error *= 1.0 - a * a;
    }
    return out;
}

std::int64_t CountAscendingPairs(const double* x, int n) {
    if (n < 2) return 0;
    std::vector<double> v(x, x + n), tmp(static_cast<std::size_t>(n));
    std::int64_t count = 0;
    const std::size_t size = v.size();
    for (std::size_t width = 1; width < size; width *= 2) {
        for (std::size_t lo = 0; lo < size; lo += 2 * width) {
            const std::size_t mid = std::min(lo + width, size), hi = std::min(lo + 2 * width, size);
            // Runs are kept ascending; a left element below a right one
            // forms a pair with it and with every right element after it.
            std::size_t i = lo, j = mid, out = lo;
            while (i < mid && j < hi) {
                if (v[i] < v[j]) {
                    count += static_cast<std::int64_t>(hi - j);
                    tmp[out++] = v[i++];
                } else {
                    tmp[out++] = v[j++];
                }
            }
            while (i < mid) tmp[out++] = v[i++];
            while (j < hi) tmp[out++] = v[j++];
        }
        v.swap(tmp);
    }
    return count;
}

RandomnessTests ComputeRandomnessTests(const double* x, int n, int maxLag) {
    if (n < 3) throw ERangeError("自己相関: データが少なすぎます");
    RandomnessTests t;
    t.maxLag = ClampAutocorrelationLag(maxLag, n);
    t.acf = AutocorrelationsToLag(x, n, t.maxLag);
    t.pacf = DurbinLevinsonPartials(t.acf);
    t.ljungBox = PortmanteauSum(t.acf, n);

    std::vector<double> squares(static_cast<std::size_t>(n));
    for (int i = 0; i < n; ++i) squares[i] = x[i] * x[i];
    const std::vector<double> s = LaggedProductSums(Deviations(squares.data(), n), t.maxLag);
    if (s[0] > 0.0) {
        std::vector<double> rr(s.size());
        for (std::size_t k = 0; k < s.size(); ++k) rr[k] = s[k] / s[0];
        t.mcLeodLi = PortmanteauSum(rr, n);
    }

    for (int i = 1; i + 1 < n; ++i)
        if ((x[i - 1] < x[i] && x[i] > x[i + 1]) || (x[i - 1] > x[i] && x[i] < x[i + 1])) ++t.turningPoints;
    for (int i = 1; i < n; ++i)
        if (x[i - 1] < x[i]) ++t.risingSteps;
    t.ascendingPairs = CountAscendingPairs(x, n);

    const double nn = n;
    t.turningPointZ = std::fabs(static_cast<double>(t.turningPoints) - (2 * nn - 4) / 3) / std::sqrt((16 * nn - 29) / 90);
    t.differenceSignZ = std::fabs(static_cast<double>(t.risingSteps) - (nn - 1) / 2) / std::sqrt((nn + 1) / 12);
    t.rankZ = std::fabs(static_cast<double>(t.ascendingPairs) - nn * (nn - 1) / 4) /
              std::sqrt(nn * (nn - 1) * (2 * nn + 5) / 72);
    return t;
}

int SuggestYuleWalkerOrder(const std::vector<double>& pacf, int n) {
    const double limit = 1.96 / std::sqrt(static_cast<double>(n));
    int order = 1;
    for (std::size_t k = 0; k < pacf.size(); ++k)
        if (std::fabs(pacf[k]) > limit) order = std::max(order, static_cast<int>(k));
    return order;
}
