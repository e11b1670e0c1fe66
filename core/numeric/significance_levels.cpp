// Significance levels in 0.1 % steps and the normality-test helpers of the
// statistics window.
#include <algorithm>
#include <cmath>

#include "core/numeric/dagostino_points.h"
#include "core/numeric/distributions.h"
#include "core/numeric/statistics.h"

namespace {

constexpr int kSteps = 1000;

// The first step i (1..999) at which `exceeded(i)` holds, as a percentage;
// 100.0 when none does.
template <class Exceeded>
double SteppedLevel(Exceeded exceeded) {
    int i = 1;
    while (i < kSteps && !exceeded(i)) ++i;
    return std::min(i, kSteps) * 0.1;
}

}  // namespace

double TSignificanceLevel(int df, double t) {
    const float h = 1.0f / 2000.0f;
    const double a = std::fabs(t);
    return SteppedLevel([&](int i) { return TUpperQuantileApprox(df, static_cast<float>(i) * h) <= a; });
}

double NormalSignificanceLevel(double z) {
    const float h = 1.0f / 2000.0f;
    const double a = std::fabs(z);
    return SteppedLevel([&](int i) { return NormalUpperQuantileApprox(static_cast<float>(i) * h) <= a; });
}

double ChiSquareSignificanceLevel(int df, double x) {
    const double h = 1.0 / 1000.0;
    const double a = std::fabs(x);
    return SteppedLevel([&](int i) { return ChiSquareUpperQuantile(df, i * h) < a; });
}

double ChiSquare1SignificanceLevel(double x) {
    const float h = 1.0f / 1000.0f;
    return SteppedLevel([&](int i) {
        const float z = NormalUpperQuantileApprox(0.5f * static_cast<float>(i) * h);
        return z * z < x;
    });
}

double FSignificanceLevel(int df1, int df2, double f) {
    const double h = 1.0 / 1000.0;
    return SteppedLevel([&](int i) { return FUpperQuantile(df1, df2, i * h) < f; });
}

namespace {

// The Cornish-Fisher expansion around the moments of D; accurate from about
// 200 observations on. Below that D is too skewed for it.
void DAgostinoExpansionBounds(int n, double alpha, double* lower, double* upper) {
    const double n1 = n, n2 = n1 * n1, n3 = n2 * n1, n4 = n3 * n1;
    const double m = 0.2820948 - 0.0705237 / n1 + 0.008815462 / n2 + 0.01101933 / n3 - 0.002892575 / n4;
    const double v = 0.0008991591 / n1 - 0.0004779168 / n2 - 0.004973592 / n3 + 0.003108496 / n4;
    const double g1 = -8.5836542 / std::sqrt(n1) * (1 - 3.938688 / n1 + 7.344405 / n2);
    const double g2 = (1 - 8.38004 / n1) * 114.732 / n1;
    auto w = [&](double z) {
        return z + (z * z - 1) * g1 / 6 + g2 * z * (z * z - 3) / 24 - g1 * g1 * z * (2 * z * z - 5) / 36;
    };
    const double z = NormalLowerQuantile(1 - alpha / 2);
    const double sd = std::sqrt(v);
    *upper = m + sd * w(z);
    *lower = m + sd * w(-z);
}

// The column of the simulated table for two-sided level alpha (its lower
// point; the upper one is 5 minus it); -1 for a level the table lacks.
int DAgostinoTableColumn(double alpha) {
    const double kLevels[3] = {0.01, 0.05, 0.1};
    for (int c = 0; c < 3; ++c)
        if (std::fabs(alpha - kLevels[c]) <= 1e-12) return c;
    return -1;
}

}  // namespace

bool DAgostinoDCriticalValues(int n, double alpha, double* lower, double* upper) {
    if (n > kDAgostinoLastTabledN) {
        DAgostinoExpansionBounds(n, alpha, lower, upper);
        return true;
    }
    const double* points = DAgostinoTabledPoints(n);
    const int column = DAgostinoTableColumn(alpha);
    if (!points || column < 0) return false;
    *lower = points[column];
    *upper = points[5 - column];
    return true;
}

int DAgostinoDBounds(int n, double alpha, double d) {
    double lower = 0.0, upper = 0.0;
    if (!DAgostinoDCriticalValues(n, alpha, &lower, &upper)) return 0;
    if (d >= upper) return -1;
    if (d < lower) return 1;
    return 0;
}

double NormalProbabilityStep(double z) {
    for (int i = 1; i < kSteps; ++i) {
        const double p = i / 1000.0;
        if (NormalLowerQuantile(p) >= z) return p;
    }
    return 1.0;
}

double ShapiroWilkSignificance(int n, double w) {
    if (n < 7 || n > 2000) return 0.0;
    static const float kSmallL[6] = {0.118898f, 0.133414f, 0.327907f, 0, 0, 0};
    static const float kSmallM[6] = {-0.37542f, -0.492145f, -1.124332f, -0.199422f, 0, 0};
    static const float kSmallS[7] = {-3.15805f, 0.729399f, 3.01855f, 1.558776f, 0, 0, 0};
    static const float kLargeL[6] = {0.480385f, 0.318828f, 0, -0.0241665f, 0.00879701f, 0.00298965f};
    static const float kLargeM[6] = {-1.91487f, -1.37888f, -0.04183209f, 0.1066339f, -0.03513666f, -0.01504614f};
    static const float kLargeS[7] = {-3.73538f,   -1.015807f,  -0.331885f,  0.1773538f,
                                     -0.01638782f, -0.03215018f, 0.003852646f};
    const bool small = n <= 20;
    const double u = std::log(static_cast<double>(n));
    const double x = small ? u - 3 : u - 5;
    auto poly = [x](const float* c, int terms) {
        double s = 0.0;
        for (int i = terms - 1; i >= 0; --i) s = s * x + c[i];
        return s;
    };
    const double lambda = poly(small ? kSmallL : kLargeL, 6);
    const double mu = poly(small ? kSmallM : kLargeM, 6);
    const double sigma = poly(small ? kSmallS : kLargeS, 7);
    const double z = (std::pow(1 - w, lambda) - std::exp(mu)) / std::exp(sigma);
    return NormalProbabilityStep(z);
}

double ShapiroWilkGammaRatio(int n) {
    const int m = n <= 20 ? n - 1 : n;
    if (m < 0) return 0.0;
    // Through log-gamma so that large n does not overflow.
    return std::exp(std::lgamma((m + 1) / 2.0) - std::lgamma(m / 2.0 + 1)) / std::sqrt(2.0);
}
