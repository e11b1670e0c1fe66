// Tail probabilities and quantiles; see distributions.h.
#include "core/numeric/distributions.h"

#include <cmath>
#include <limits>

#include "core/numeric/numeric_helpers.h"

namespace {

constexpr double kInvSqrt2Pi = 0.3989422804014327;  // normal density at 0
constexpr double kTwoOverPi = 0.6366197723675814;
constexpr double kPi = 3.14159265358979323846;
constexpr float kSingleEpsF = 1.1920928955078125e-07f;
constexpr float kOneMinusEpsF = 0.99999988079071045f;
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();

// Beyond this many degrees of freedom the t and F sums would need millions
// of terms per call (a quantile calls them dozens of times), so large-sample
// forms take over; their error there is far below the bisection tolerance.
constexpr int kMaxSeriesDf = 10000000;

// The bisection halves at most this often: a bracket of width 1e30 is then
// narrower than 1e-30, and a quantile at 0 cannot keep it going forever.
constexpr int kMaxHalvings = 200;

double Phi(double x) { return kInvSqrt2Pi * std::exp(-0.5 * x * x); }

// Brackets p between powers of ten and bisects. found is false when the
// bracket passed 1e30 without enclosing p.
template <typename Tail>
double SearchUpperQuantile(Tail tail, double p, bool& found) {
    found = true;
    double lo = 0.0;
    double hi = 10.0;
    bool bracketed = false;
    while (hi < 1e30) {
        double q = tail(hi);
        if (q == p) return hi;
        if (q < p) {
            bracketed = true;
            break;
        }
        lo = hi;
        hi = hi * 10.0;
    }
    if (!bracketed) {
        found = false;
        return kNaN;
    }
    double mid = 0.0;
    for (int halvings = 0; halvings < kMaxHalvings; ++halvings) {
        mid = (lo + hi) / 2.0;
        double q = tail(mid);
        if (q <= p)
            hi = mid;
        else
            lo = mid;
        if (std::fabs(hi - lo) / mid <= kSingleEpsilon) break;
    }
    return mid;
}

// Two-sided t tail for very large df: the normal tail with the first two
// terms of its expansion in 1/df.
double TTwoSidedTailLargeDf(int df, double t) {
    double a = std::fabs(t);
    double v = df;
    double a2 = a * a;
    double g1 = (a2 * a + a) / 4.0;
    double g2 = (5.0 * a2 * a2 * a2 * a + 16.0 * a2 * a2 * a + 3.0 * a2 * a - 3.0 * a) / 96.0;
    double p = 2.0 * (NormalUpperTail(a) + Phi(a) * (g1 / v + g2 / (v * v)));
    if (p > 1.0) p = 1.0;
    if (p < 0.0) p = 0.0;
    return p;
}

// F tail when a degree of freedom is too large for the finite sums: the
// chi-square limit for one large df, Paulson's cube-root normal form when
// both are large.
double FUpperTailLargeDf(int df1, int df2, double x) {
    bool big1 = df1 > kMaxSeriesDf;
    bool big2 = df2 > kMaxSeriesDf;
    if (big2 && !big1) return ChiSquareUpperTail(df1, df1 * x);
    if (big1 && !big2) {
        if (x == 0.0) return 1.0;
        return 1.0 - ChiSquareUpperTail(df2, df2 / x);
    }
    double h1 = 2.0 / (9.0 * df1);
    double h2 = 2.0 / (9.0 * df2);
    double c = NthRoot(3, x);
    double z = ((1.0 - h2) * c - (1.0 - h1)) / std::sqrt(h1 + c * c * h2);
    return NormalUpperTail(z);
}

// The series of the chi-square tail, s (1 + x/k + x^2/(k (k+2)) + ...) for
// k = first, first + 2, .. up to df - 2; NaN once it overflows.
double ChiSquareTailSeries(double s, int first, int df, double x) {
    double t = s;
    for (int k = first; k <= df - 2; k += 2) {
        t = t * x / k;
        s = s + t;
        if (!std::isfinite(s)) return kNaN;
    }
    return s;
}

}  // namespace

// ---- single precision ------------------------------------------------------

float NormalUpperTailApprox(float x) {
    float a = std::fabs(x);
    float tail;
    if (static_cast<double>(a) * a >= 300.0) {
        tail = 0.0f;
    } else if (a >= 2.4f) {
        // Continued fraction of the upper tail.
        float r = 0.0f;
        for (int k = 12; k >= 1; --k) r = static_cast<float>(k / (static_cast<double>(a) + r));
        tail = static_cast<float>(Phi(a) / (static_cast<double>(a) + r));
    } else {
        // Continued fraction of the integral from 0 to a.
        float r = 0.0f;
        float s = -1.0f;
        for (int k = 12; k >= 1; --k) {
            r = static_cast<float>(k * static_cast<double>(a) * a / ((2.0 * k + 1.0) + s * static_cast<double>(r)));
            s = -s;
        }
        // The density stays unrounded inside the expression: rounding it to
        // float first would be magnified by the cancellation against 0.5.
        tail = static_cast<float>(0.5 - Phi(a) * a / (1.0 - r));
    }
    if (std::signbit(x)) tail = 1.0f - tail;
    return tail;
}

float NormalUpperQuantileApprox(float p) {
    if (p < kSingleEpsF) p = kSingleEpsF;
    if (p > kOneMinusEpsF) p = kOneMinusEpsF;
    float q = p > 0.5f ? 1.0f - p : p;
    float t = static_cast<float>(std::sqrt(-2.0 * std::log(static_cast<double>(q))));
    double td = t;
    float z = static_cast<float>(td - (2.30753 + 0.27061 * td) / (1.0 + 0.99229 * td + 0.04481 * td * td));
    // One Newton step on the tail.
    double zd = z;
    z = static_cast<float>(zd + (static_cast<double>(NormalUpperTailApprox(z)) - q) / Phi(zd));
    return p <= 0.5f ? z : -z;
}

float TUpperQuantileApprox(int df, float p) {
    if (df < 1) return std::numeric_limits<float>::quiet_NaN();
    float z = NormalUpperQuantileApprox(p);
    double v = df;
    double z2 = static_cast<double>(z) * z;
    double z4 = z2 * z2;
    double z6 = z4 * z2;
    double z8 = z4 * z4;
    double z10 = z8 * z2;
    double v2 = v * v;
    double v3 = v2 * v;
    double v4 = v2 * v2;
    double v5 = v4 * v;
    double sum = 1.0 + (z2 + 1.0) / (4.0 * v) + (5.0 * z4 + 16.0 * z2 + 3.0) / (96.0 * v2) +
                 (3.0 * z6 + 19.0 * z4 + 17.0 * z2 - 15.0) / (384.0 * v3) +
                 (79.0 * z8 + 776.0 * z6 + 1482.0 * z4 - 1920.0 * z2 - 945.0) / (92160.0 * v4) +
                 (27.0 * z10 + 339.0 * z8 + 930.0 * z6 - 1782.0 * z4 - 765.0 * z2 + 17955.0) / (368640.0 * v5);
    return static_cast<float>(z * sum);
}

float ChiSquareUpperTailApprox(int df, float x) {
    if (df < 1 || std::isnan(x)) return std::numeric_limits<float>::quiet_NaN();
    // At 0 the odd-df sum would start from 0 / 0; the tail there is 1.
    if (x <= 0.0f) return 1.0f;
    if (std::isinf(x)) return 0.0f;
    float s;
    if (df <= 10) {
        if (x > 400.0f) return 0.0f;
        float e = static_cast<float>(std::exp(-static_cast<double>(x) / 2.0));
        float term;
        int k;
        if (IsOdd(df)) {
            float root = static_cast<float>(std::sqrt(static_cast<double>(x)));
            s = static_cast<float>(2.0 * NormalUpperTailApprox(root));
            term = static_cast<float>(0.7978845834732056 * e / root);
            k = 1;
        } else {
            s = e;
            term = e;
            k = 2;
        }
        for (; k < df - 1; k += 2) {
            term = static_cast<float>(static_cast<double>(term) * x / k);
            s = s + term;
        }
    } else {
        float h = static_cast<float>(2.0 / (9.0 * df));
        float c = static_cast<float>(NthRoot(3, static_cast<double>(x) / df));
        s = NormalUpperTailApprox(static_cast<float>((c - 1.0 + h) / std::sqrt(static_cast<double>(h))));
    }
    return s;
}

float ChiSquareUpperQuantileApprox(int df, float p) {
    if (df < 1) return 0.0f;
    if (df == 1) {
        float z = NormalUpperQuantileApprox(p / 2.0f);
        return z * z;
    }
    if (df == 2) {
        float x = static_cast<float>(-2.0 * std::log(static_cast<double>(p)));
        return x < 0.0f ? 0.0f : x;  // p >= 1
    }
    float h = static_cast<float>(2.0 / (9.0 * df));
    float z = NormalUpperQuantileApprox(p);
    float x = static_cast<float>(df * IntPower(3, z * std::sqrt(static_cast<double>(h)) - h + 1.0));
    if (x < 0.0f) x = 0.0f;
    if (df <= 10) {
        // Gamma(df / 2) as a product from Gamma(1/2) or Gamma(1).
        float g = IsOdd(df) ? 1.7724539f : 1.0f;
        double half = df / 2.0;
        for (int i = 1; i <= (df + 1) / 2 - 1; ++i) g = static_cast<float>(g * (half - i));
        double xd = x;
        float f = static_cast<float>(std::pow(xd / 2.0, half - 1.0) * std::exp(-xd / 2.0) * 0.5 / g);
        // At x = 0 the density is 0 and the Newton step would run off to
        // infinity; keep the starting value there.
        if (f > 0.0f && std::isfinite(f)) {
            x = static_cast<float>(xd + (static_cast<double>(ChiSquareUpperTailApprox(df, x)) - p) / f);
            // Near p = 1 the step can overshoot below 0, where no quantile lies.
            if (x < 0.0f) x = 0.0f;
        }
    }
    return x;
}

// ---- double precision ------------------------------------------------------

double NormalUpperTail(double x) {
    double a = std::fabs(x);
    double tail;
    if (a >= 2.5) {
        double r = 0.0;
        for (int k = 20; k >= 1; --k) r = k / (a + r);
        tail = Phi(a) / (a + r);
    } else {
        double r = 0.0;
        double s = -1.0;
        for (int k = 20; k >= 1; --k) {
            r = k * a * a / ((2.0 * k + 1.0) + s * r);
            s = -s;
        }
        tail = 0.5 - Phi(a) * a / (1.0 - r);
    }
    return x >= 0.0 ? tail : 1.0 - tail;
}

double NormalLowerQuantile(double p) {
    static constexpr double kCoef[15] = {
        1.61614603871299e-16,  -1.78837229464158e-14, 8.88943322341436e-13,  -2.61195052190738e-11,
        5.00533655324426e-10,  -6.46627744010232e-09, 5.53751002988654e-08,  -2.8362917434063e-07,
        5.39877747512783e-07,  1.22127251950965e-06,  1.54574365345128e-05,  -0.000234768842092152,
        -0.000830686207721635, 0.0370684581838722,    1.57079636931376};
    if (p < kSingleEpsilon) p = kSingleEpsilon;
    if (p > 0.99999988079071045) p = 0.99999988079071045;
    double y = -std::log(4.0 * p * (1.0 - p));
    double poly = EvalPolynomial(kCoef, 15, y);
    double z = std::sqrt(y * poly);
    return p > 0.5 ? z : -z;
}

double ChiSquareUpperTail(int df, double x) {
    if (df < 1 || std::isnan(x)) return kNaN;
    // The sums below are only valid for finite x > 0; below 0 the tail is 1.
    if (x <= 0.0) return 1.0;
    if (std::isinf(x)) return 0.0;
    double result;
    if (df == 1) {
        result = 2.0 * NormalUpperTail(std::sqrt(x));
    } else if (df == 2) {
        result = std::exp(-x / 2.0);
    } else if (df <= 100) {
        if (IsOdd(df)) {
            const double s = ChiSquareTailSeries(std::sqrt(x), 3, df, x);
            result = std::isnan(s)
                         ? kNaN
                         : 2.0 * (NormalUpperTail(std::sqrt(x)) + kInvSqrt2Pi * std::exp(std::log(s) - x / 2.0));
        } else {
            const double s = ChiSquareTailSeries(1.0, 2, df, x);
            result = std::isnan(s) ? kNaN : std::exp(std::log(s) - x / 2.0);
        }
    } else {
        double h = 2.0 / (9.0 * df);
        result = NormalUpperTail((NthRoot(3, x / df) - 1.0 + h) / std::sqrt(h));
    }
    // An overflowing sum (huge x) falls back to the quick form.
    if (!std::isfinite(result)) return ChiSquareUpperTailApprox(df, static_cast<float>(x));
    return result;
}

double ChiSquareUpperQuantile(int df, double p) {
    if (df < 1 || std::isnan(p)) return kNaN;
    if (p >= 1.0) return 0.0;
    if (p <= 0.0) return kInf;
    bool found;
    double x = SearchUpperQuantile([df](double v) { return ChiSquareUpperTail(df, v); }, p, found);
    if (!found) {
        double h = 2.0 / (9.0 * df);
        double z = -NormalLowerQuantile(p);
        x = df * IntPower(3, z * std::sqrt(h) + 1.0 - h);
    }
    if (!std::isfinite(x)) return ChiSquareUpperQuantileApprox(df, static_cast<float>(p));
    return x;
}

double TTwoSidedTail(int df, double t) {
    if (df < 1 || std::isnan(t)) return kNaN;
    if (std::isinf(t)) return 0.0;
    if (df > kMaxSeriesDf) return ZeroIfTiny(TTwoSidedTailLargeDf(df, t));
    double u = std::fabs(t) / std::sqrt(static_cast<double>(df));
    double c = 1.0 / (1.0 + u * u);
    double theta = std::atan(u);
    double p;
    double a;
    int k;
    if (IsOdd(df)) {
        p = 1.0 - kTwoOverPi * theta;
        if (df < 3) return ZeroIfTiny(p);
        a = kTwoOverPi * u * c;
        p = p - a;
        k = 3;
    } else {
        a = std::sqrt(c) * u;
        p = 1.0 - a;
        k = 2;
    }
    // Odd df runs while k < df - 1, even df while k <= df - 2: the same
    // bound for integers. The terms shrink, so once one no longer changes p
    // none after it will.
    for (; k <= df - 2; k += 2) {
        a = a * (k - 1) * c / k;
        double next = p - a;
        if (next == p) break;
        p = next;
    }
    return ZeroIfTiny(p);
}

double TTwoSidedQuantile(int df, double p) {
    if (df < 1 || std::isnan(p)) return kNaN;
    if (p >= 1.0) return 0.0;
    if (p <= 0.0) return kInf;
    bool found;
    double t = SearchUpperQuantile([df](double v) { return TTwoSidedTail(df, v); }, p, found);
    if (!found) t = TUpperQuantileApprox(df, static_cast<float>(p / 2.0));
    return t;
}

double FUpperTail(int df1, int df2, double x) {
    if (df1 < 1 || df2 < 1 || std::isnan(x)) return kNaN;
    if (x <= 0.0) return 1.0;
    if (df1 > kMaxSeriesDf || df2 > kMaxSeriesDf) return ZeroIfTiny(FUpperTailLargeDf(df1, df2, x));
    double w = df2 / (df2 + df1 * x);
    bool odd1 = IsOdd(df1);
    bool odd2 = IsOdd(df2);
    int a = odd1 ? 1 : 2;
    int b = odd2 ? 1 : 2;
    double q;
    double d;
    if (odd1 && !odd2) {
        q = 1.0 - std::sqrt(1.0 - w);
        d = 0.5 * w * std::sqrt(1.0 - w);
    } else if (odd1 && odd2) {
        q = 1.0 - kTwoOverPi * std::atan(std::sqrt((1.0 - w) / w));
        d = std::sqrt(w) * std::sqrt(1.0 - w) / kPi;
    } else if (!odd1 && !odd2) {
        q = w;
        d = w * (1.0 - w);
    } else {
        q = std::sqrt(w);
        d = 0.5 * (1.0 - w) * std::sqrt(w);
    }
    for (int j = b; j < df2; j += 2) {
        q = q - (2.0 / j) * d;
        d = d * (j + a) * w / j;
        if (d == 0.0) break;  // stays 0
    }
    for (int i = a; i < df1; i += 2) {
        if (d == 0.0) break;
        q = q + (2.0 / i) * d;
        d = d * (static_cast<double>(df2) + i) * (1.0 - w) / i;
    }
    return ZeroIfTiny(q);
}

double FUpperQuantile(int df1, int df2, double p) {
    if (df1 < 1 || df2 < 1 || std::isnan(p)) return kNaN;
    if (p >= 1.0) return 0.0;
    if (p <= 0.0) return kInf;
    bool found;
    double x = SearchUpperQuantile([df1, df2](double v) { return FUpperTail(df1, df2, v); }, p, found);
    if (found) return x;
    // Expansion around the chi-square quantile of the smaller df.
    bool exchanged = df2 < df1;
    int m = exchanged ? df2 : df1;
    int n = exchanged ? df1 : df2;
    double pp = exchanged ? 1.0 - p : p;
    double f;
    if (m == 1) {
        double t = TTwoSidedQuantile(n, pp);
        f = t * t;
    } else {
        double c = ChiSquareUpperQuantile(m, pp);
        double r = m - 2.0;
        double nd = n;
        f = (c / m) * (1.0 + (c - r) / (2.0 * nd) + (4.0 * c * c - 11.0 * r * c + (7.0 * m - 10.0) * r) / (24.0 * nd * nd) +
                       (2.0 * c * c * c - 10.0 * r * c * c + (17.0 * m - 26.0) * r * c - (9.0 * m - 6.0) * r * r) /
                           (48.0 * nd * nd * nd));
    }
    if (exchanged && f != 0.0) f = 1.0 / f;
    return f;
}
