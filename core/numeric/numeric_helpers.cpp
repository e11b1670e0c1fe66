// Small numeric helpers; see numeric_helpers.h.
#include "core/numeric/numeric_helpers.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>

#include "platform/errors.h"
#include "resources/string_table.h"

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();

// Below this the shift loop of Gamma would only multiply its way to an
// infinite product: the value has long underflowed to zero (or hit a pole).
constexpr double kGammaLowest = -200.0;

// Stirling continued fraction for ln Gamma(x) - ((x - 1/2) ln x - x + ln sqrt(2 pi)).
double StirlingFraction(double x) {
    constexpr double a0 = 1.0 / 12.0;
    constexpr double a1 = 1.0 / 30.0;
    constexpr double a2 = 53.0 / 210.0;
    constexpr double a3 = 195.0 / 371.0;
    constexpr double a4 = 22999.0 / 22737.0;
    constexpr double a5 = 29944523.0 / 19733142.0;
    constexpr double a6 = 109535241009.0 / 48264275462.0;
    return a0 / (x + a1 / (x + a2 / (x + a3 / (x + a4 / (x + a5 / (x + a6 / x))))));
}

[[noreturn]] void ThrowCountError() { throw ERangeError(LoadStr(kStrRangeError)); }
[[noreturn]] void ThrowRootError() { throw EZeroDivide(LoadStr(kStrZeroDivideError)); }

}  // namespace

double Gamma(double x) {
    if (std::isnan(x) || x == -kInf) return kNaN;
    if (x == kInf) return kInf;
    if (x < kGammaLowest) {
        if (x == std::floor(x)) return kNaN;  // pole
        // Sign on (-(n+1), -n) is (-1)^(n+1).
        double n = std::floor(-x);
        return std::fmod(n, 2.0) == 0.0 ? -0.0 : 0.0;
    }
    double p = 1.0;
    while (x < 7.0) {
        p = p * x;
        x = x + 1.0;
    }
    return std::exp(x * std::log(x) - x + StirlingFraction(x)) * std::sqrt(2.0 * kPi / x) / p;
}

double LogGamma(double x) {
    if (std::isnan(x) || x < 0.0) return kNaN;
    if (x == kInf) return kInf;
    double logs = 0.0;
    while (x < 7.0) {
        logs = logs + std::log(x);
        x = x + 1.0;
    }
    return (x - 0.5) * std::log(x) - x + 0.918938533204673 + StirlingFraction(x) - logs;
}

namespace {

// Falls back to a heap sort when the partitions keep coming out lopsided
// (a rising-then-falling series makes the middle pivot quadratic). The
// sorted result is the same; NaNs go last there so the order stays strict.
void HeapSortRange(int first, int last, double* a) {
    auto less = [](double x, double y) { return (!std::isnan(x) && std::isnan(y)) || x < y; };
    std::make_heap(a + first, a + last + 1, less);
    std::sort_heap(a + first, a + last + 1, less);
}

void QuickSortRange(int first, int last, double* a, int depthBudget) {
    // Recurse into the smaller part and loop on the larger, so the stack
    // stays shallow whatever the data.
    while (first < last) {
        if (depthBudget-- <= 0) {
            HeapSortRange(first, last, a);
            return;
        }
        double pivot = a[first + (last - first) / 2];
        int i = first;
        int j = last;
        do {
            while (i < last && a[i] < pivot) ++i;
            while (j > first && a[j] > pivot) --j;
            if (i <= j) {
                std::swap(a[i], a[j]);
                ++i;
                --j;
            }
        } while (i <= j);
        if (j - first < last - i) {
            if (j > first) QuickSortRange(first, j, a, depthBudget);
            first = i;
        } else {
            if (i < last) QuickSortRange(i, last, a, depthBudget);
            last = j;
        }
    }
}

}  // namespace

void QuickSortDoubles(int last, int first, double* a) {
    if (first >= last) return;
    int budget = 16;
    for (long long n = static_cast<long long>(last) - first + 1; n > 1; n >>= 1) budget += 2;
    QuickSortRange(first, last, a, budget);
}

double FloatRemainder(double divisor, double dividend) { return std::fmod(dividend, divisor); }

double TruncatedQuotient(double divisor, double dividend) { return std::trunc(dividend / divisor); }

double Square(double x) { return x * x; }

bool IsOdd(int n) { return (n & 1) != 0; }

double IntPower(int n, double x) {
    // Unsigned magnitude: -INT_MIN does not fit in an int.
    std::uint32_t e = n < 0 ? 0u - static_cast<std::uint32_t>(n) : static_cast<std::uint32_t>(n);
    double result = 1.0;
    double base = x;
    while (e != 0) {
        if (e & 1u) result *= base;
        e >>= 1;
        if (e != 0) base *= base;
    }
    return n < 0 ? 1.0 / result : result;
}

double BoxCox(bool apply, double lambda, double x) {
    if (!apply) return x;
    if (std::fabs(lambda) > kDoubleEpsilon) {
        if (std::fabs(x) <= kDoubleEpsilon) return -1.0 / lambda;
        return (std::pow(x, lambda) - 1.0) / lambda;
    }
    if (std::fabs(x) <= kDoubleEpsilon) x = kDoubleEpsilon;
    return std::log(x);
}

double BoxCoxInverse(bool apply, double lambda, double y) {
    if (!apply) return y;
    if (std::fabs(lambda) > kDoubleEpsilon) {
        double base = lambda * y + 1.0;
        if (std::fabs(base) > kDoubleEpsilon) return std::pow(base, 1.0 / lambda);
        return 0.0;
    }
    double e = std::exp(y);
    return e <= kDoubleEpsilon ? 0.0 : e;
}

double NthRoot(int n, double x) {
    if (std::isnan(x)) return kNaN;
    if (std::fabs(x) <= kDoubleEpsilon) return 0.0;
    // A root of degree 0, and an even root of a negative value, fail as a
    // division by zero, as the power they stand for would.
    if (n == 0) ThrowRootError();
    std::uint32_t m = n < 0 ? 0u - static_cast<std::uint32_t>(n) : static_cast<std::uint32_t>(n);
    bool oddRoot = (m & 1u) != 0;
    if (x < 0.0 && !oddRoot) ThrowRootError();
    double ax = std::fabs(x);
    double md = static_cast<double>(m);
    double r = std::pow(ax, 1.0 / md);
    if (std::isfinite(ax) && m > 1) {
        // One Newton step; IntPower takes an int, and m - 1 fits one.
        double rp = IntPower(static_cast<int>(m - 1u), r);
        r = (ax / rp + (md - 1.0) * r) / md;
    }
    if (n < 0) r = 1.0 / r;
    return x < 0.0 ? -r : r;
}

bool ApproxEqual(double a, double b) { return std::fabs(a - b) <= kDoubleEpsilon; }

double LogicalAnd(double a, double b) { return (a == 1.0 && b == 1.0) ? 1.0 : 0.0; }

double LogicalOr(double a, double b) { return (a == 1.0 || b == 1.0) ? 1.0 : 0.0; }

double LogicalEqv(double a, double b) {
    if (a == 1.0 && b == 1.0) return 1.0;
    // Only +0.0 counts as false here; -0.0 has its sign bit set.
    if (std::bit_cast<std::uint64_t>(a) == 0 && std::bit_cast<std::uint64_t>(b) == 0) return 1.0;
    return 0.0;
}

int MinInt(int a, int b) { return a < b ? a : b; }

void CopyDoubles(int n, const double* src, double* dst) {
    for (int i = 0; i < n; ++i) dst[i] = src[i];
}

void FillDoubles(int n, double value, double* a) {
    for (int i = 0; i < n; ++i) a[i] = value;
}

void SwapDoubles(double* a, double* b) { std::swap(*a, *b); }

// Sums run in extended precision and are rounded once when returned.
double SumDoubles(int n, const double* a) {
    long double s = 0.0L;
    for (int i = 0; i < n; ++i) s += a[i];
    return static_cast<double>(s);
}

double DotProduct(int n, const double* a, const double* b) {
    long double s = 0.0L;
    for (int i = 0; i < n; ++i) s += static_cast<long double>(a[i]) * b[i];
    return static_cast<double>(s);
}

double TripleProductSum(int n, const double* a, const double* b, const double* c) {
    long double s = 0.0L;
    for (int i = 0; i < n; ++i) s += static_cast<long double>(a[i]) * b[i] * c[i];
    return static_cast<double>(s);
}

void ZeroTinyDoubles(int n, double* a) {
    for (int i = 0; i < n; ++i)
        if (std::fabs(a[i]) < kSingleEpsilon) a[i] = 0.0;
}

double CenterDoubles(int n, const double* src, double* dst) {
    if (n < 1) return kNaN;
    double mean = SumDoubles(n, src) / n;
    for (int i = 0; i < n; ++i) dst[i] = src[i] - mean;
    return mean;
}

bool GeometricHarmonicMeans(double* geo, double* harm, int n, const double* a) {
    if (n < 1) return false;
    long double logs = 0.0L;
    long double inverses = 0.0L;
    for (int i = 0; i < n; ++i) {
        if (!(a[i] > 0.0)) return false;
        logs += std::log(a[i]);
        inverses += 1.0 / a[i];
    }
    *geo = std::exp(static_cast<double>(logs / n));
    *harm = static_cast<double>(n / inverses);
    return true;
}

void MeanAndSumOfSquares(double* ss, double* mean, int n, const double* a) {
    long double m = 0.0L;
    long double s = 0.0L;
    for (int i = 0; i < n; ++i) {
        long double d = a[i] - m;
        m += d / (i + 1);
        s += d * d * i / (i + 1);
    }
    *mean = static_cast<double>(m);
    *ss = static_cast<double>(s);
}

double RangeOfDoubles(double* min, double* max, int n, const double* a) {
    if (n < 1) {
        *min = kNaN;
        *max = kNaN;
        return kNaN;
    }
    double lo = a[0];
    double hi = a[0];
    for (int i = 1; i < n; ++i) {
        if (a[i] < lo) lo = a[i];
        if (a[i] > hi) hi = a[i];
    }
    *min = lo;
    *max = hi;
    return hi - lo;
}

double Tanh(double x) {
    double e = std::exp(2.0 * x);
    // inf / inf would give NaN where the value is simply 1.
    if (std::isinf(e)) return 1.0;
    return (e - 1.0) / (e + 1.0);
}

double Atanh(double x) { return 0.5 * std::log((1.0 + x) / (1.0 - x)); }

namespace {
double MedianOfSorted(int n, const double* a) { return (a[(n + 1) / 2 - 1] + a[(n + 2) / 2 - 1]) / 2.0; }
}  // namespace

double MedianAbsDeviation(float c, double* work, int n, const double* a) {
    if (n < 1) return kNaN;
    CopyDoubles(n, a, work);
    QuickSortDoubles(n - 1, 0, work);
    double m = MedianOfSorted(n, work);
    for (int i = 0; i < n; ++i) work[i] = std::fabs(work[i] - m);
    QuickSortDoubles(n - 1, 0, work);
    return MedianOfSorted(n, work) / static_cast<double>(c);
}

double MeanAbsDeviation(double c, int n, const double* a) {
    if (n < 1) return kNaN;
    long double s = 0.0L;
    for (int i = 0; i < n; ++i) s += std::fabs(a[i] - c);
    return static_cast<double>(s / n);
}

double ZeroIfTiny(double x) { return std::fabs(x) < kSingleEpsilon ? 0.0 : x; }

double EvalPolynomial(const double* c, int n, double x) {
    if (n < 1) return 0.0;
    double r = c[0];
    for (int i = 1; i < n; ++i) r = r * x + c[i];
    return r;
}

double Midpoint(double a, double b) {
    double s = a + b;
    if (std::isinf(s) && std::isfinite(a) && std::isfinite(b)) return (a - b) * 0.5 + b;
    return s * 0.5;
}

double LogBase(double a, double b) { return std::log(a) / std::log(b); }

double IntPart(double x) { return std::trunc(x); }

double FracPart(double x) { return x - std::trunc(x); }

double Degrees(double x) { return x * 180 / kPi; }

double Radians(double x) { return kPi * x / 180; }

double Larger(double a, double b) { return b < a ? a : b; }

double Smaller(double a, double b) { return b < a ? b : a; }

int Sign(double x) {
    std::uint16_t top = static_cast<std::uint16_t>(std::bit_cast<std::uint64_t>(x) >> 48);
    if ((top & 0x7FF0u) == 0) return 0;
    return (top & 0x8000u) ? -1 : 1;
}

// The products stop once they overflow: every later factor is >= 1.
double Factorial(int n) {
    if (n < 0) ThrowCountError();
    if (n > 170) return kInf;
    double p = 1.0;
    for (int i = n; i >= 1; --i) p *= i;
    return p;
}

double DoubleFactorial(int n) {
    if (n < 0) ThrowCountError();
    double p = 1.0;
    for (int i = n; i >= 1 && !std::isinf(p); i -= 2) p *= i;
    return p;
}

double Permutations(int n, int k) {
    if (n < 0 || k < 0 || k > n) ThrowCountError();
    double p = 1.0;
    for (long long i = static_cast<long long>(n) - k + 1; i <= n && !std::isinf(p); ++i) p *= static_cast<double>(i);
    return p;
}

double Combinations(int n, int k) {
    double perm = Permutations(n, k);
    double fact = Factorial(k);
    if (std::isfinite(perm) && std::isfinite(fact)) return perm / fact;
    // inf / inf would be NaN: build the count as a running product of
    // ratios instead; each ratio is >= 1, so it stops at overflow.
    int m = std::min(k, n - k);
    double r = 1.0;
    for (int i = 1; i <= m && !std::isinf(r); ++i) r = r * (static_cast<double>(n) - m + i) / i;
    return r;
}
