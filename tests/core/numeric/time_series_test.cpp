// Time-series helpers against exact values: autocovariances, Yule-Walker
// solutions and the AR(1) likelihood root worked out in rational arithmetic
// (the root by bisection to far below double precision), periodogram values
// from closed forms of sines and cosines at multiples of 2 pi / 3 and pi / 2.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <vector>

#include "core/numeric/time_series.h"
#include "platform/errors.h"

namespace {

struct SeriesCase {
    std::vector<double> x;
    double acov[4];
    double pacf[4];  // lags 0 .. 3
    double rho, variance;
};

const SeriesCase kCases[] = {
    {{1, 3, 2, 5, 4, 6, 8, 7},
     {5.25, 2.59375, 1.5, -0.53125},
     {1.0, 0.49404761904761907, 0.05507382235762831, -0.3473641344587591},
     0.7025847242472799, 3.0553660462825127},
    {{2, -1, 3, 0, 1, -2, 4, 1, 0, 2},
     {3.0, -1.8, 0.4, -0.4},
     {1.0, -0.6, -0.3541666666666667, -0.42431761786600497},
     -0.5841836842731482, 1.8524963521353246},
    {{1, 2, 3, 4, 5, 6},
     {2.9166666666666665, 1.4583333333333333, 0.16666666666666666, -0.7916666666666666},
     {1.0, 0.5, -0.2571428571428571, -0.25524475524475526},
     0.8924988565436739, 0.9773401758574223},
};

}  // namespace

TEST(TimeSeries, AutocovarianceUsesDivisorNAtEveryLag) {
    for (const SeriesCase& c : kCases) {
        const int n = static_cast<int>(c.x.size());
        std::vector<double> out(n, -99.0);
        Autocovariance(c.x.data(), out.data(), n);
        for (int k = 0; k < 4; ++k) EXPECT_NEAR(out[k], c.acov[k], 1e-14) << k;
        EXPECT_EQ(out[n - 1], -99.0);  // the last lag is not written
    }
    const double x[] = {1, 2, 3};
    double c[3] = {7, 7, 7};
    Autocovariance(x, c, 3);
    EXPECT_DOUBLE_EQ(c[0], 2.0 / 3.0);
    EXPECT_EQ(c[1], 0.0);
    EXPECT_EQ(c[2], 7.0);
}

TEST(TimeSeries, AutocorrelationIsRatioToLagZero) {
    for (const SeriesCase& c : kCases) {
        const int n = static_cast<int>(c.x.size());
        std::vector<double> r(n, 0.0);
        Autocorrelation(c.x.data(), r.data(), n);
        EXPECT_EQ(r[0], 1.0);
        for (int k = 1; k < 4; ++k) EXPECT_NEAR(r[k], c.acov[k] / c.acov[0], 1e-14) << k;
    }
}

TEST(TimeSeries, AutocorrelationOfConstantSeriesRaisesAndWritesNothing) {
    const double x[] = {4, 4, 4, 4};
    double r[4] = {9, 9, 9, 9};
    EXPECT_THROW(Autocorrelation(x, r, 4), EZeroDivide);
    EXPECT_EQ(r[0], 9.0);
}

TEST(TimeSeries, ToeplitzSystemWritesLeadingBlockOnly) {
    const double c[] = {4, 2, 1, 0.5};
    Matrix m(3, 3, -1.0);
    double rhs[3] = {-1, -1, -1};
    BuildToeplitzSystem(c, 2, m, rhs);
    EXPECT_EQ(m[0][0], 4.0);
    EXPECT_EQ(m[0][1], 2.0);
    EXPECT_EQ(m[1][0], 2.0);
    EXPECT_EQ(m[1][1], 4.0);
    EXPECT_EQ(m[2][2], -1.0);
    EXPECT_EQ(m[0][2], -1.0);
    EXPECT_EQ(rhs[0], 2.0);
    EXPECT_EQ(rhs[1], 1.0);
    EXPECT_EQ(rhs[2], -1.0);
}

TEST(TimeSeries, PartialAutocorrelationSolvesYuleWalker) {
    for (const SeriesCase& c : kCases) {
        const int n = static_cast<int>(c.x.size());
        double pacf[4] = {};
        PartialAutocorrelation(c.x.data(), n, 3, pacf);
        for (int k = 0; k < 4; ++k) EXPECT_NEAR(pacf[k], c.pacf[k], 1e-13) << k;
        // The order-1 system is c[0] phi = c[1].
        EXPECT_NEAR(pacf[1], c.acov[1] / c.acov[0], 1e-15);
    }
}

struct ClampCase {
    std::vector<double> x;
    int maxLag;
    int used;
    std::vector<double> pacf;  // lags 0 .. used
};

// Exact values: -37/140, 2831/18231, -32/57.
const ClampCase kClampCases[] = {
    {{1, 3, 2, 5}, 2, 2, {1.0, -37.0 / 140.0, 2831.0 / 18231.0}},
    {{1, 3, 2, 5}, 3, 2, {1.0, -37.0 / 140.0, 2831.0 / 18231.0}},
    {{1, 3, 2, 5}, 50, 2, {1.0, -37.0 / 140.0, 2831.0 / 18231.0}},
    {{4, 1, 6}, 4, 1, {1.0, -32.0 / 57.0}},
    {{4, 1}, 3, 0, {1.0}},
    {{4, 1}, 0, 0, {1.0}},
};

TEST(TimeSeries, PartialAutocorrelationClampsTheLagToTheSeries) {
    for (const ClampCase& c : kClampCases) {
        const int n = static_cast<int>(c.x.size());
        std::vector<double> pacf(c.maxLag + 1, -99.0);
        EXPECT_EQ(PartialAutocorrelation(c.x.data(), n, c.maxLag, pacf.data()), c.used);
        for (int k = 0; k <= c.used; ++k) EXPECT_NEAR(pacf[k], c.pacf[k], 1e-14) << n << " " << k;
        for (int k = c.used + 1; k <= c.maxLag; ++k) EXPECT_EQ(pacf[k], -99.0) << k;  // unwritten
    }
}

TEST(TimeSeries, PartialAutocorrelationRefusesShortSeriesAndNegativeLags) {
    const double x[] = {1, 3, 2, 5};
    double pacf[4] = {-99, -99, -99, -99};
    EXPECT_THROW(PartialAutocorrelation(x, 1, 0, pacf), ERangeError);
    EXPECT_THROW(PartialAutocorrelation(x, 1, 3, pacf), ERangeError);
    EXPECT_THROW(PartialAutocorrelation(x, 0, 2, pacf), ERangeError);
    EXPECT_THROW(PartialAutocorrelation(x, 4, -1, pacf), ERangeError);
    for (double v : pacf) EXPECT_EQ(v, -99.0);
    const double flat[] = {2, 2, 2, 2};
    EXPECT_THROW(PartialAutocorrelation(flat, 4, 1, pacf), EZeroDivide);
    EXPECT_THROW(PartialAutocorrelation(flat, 4, 9, pacf), EZeroDivide);
}

TEST(TimeSeries, StandardizeSeries) {
    struct Row {
        std::vector<double> x, expected;
    };
    const Row rows[] = {
        {{1, 2, 3}, {-1, 0, 1}},
        {{10, 10, 16}, {-0.5773502691896258, -0.5773502691896258, 1.1547005383792517}},
        {{-2, 2}, {-0.7071067811865475, 0.7071067811865475}},
    };
    for (const Row& r : rows) {
        std::vector<double> x = r.x;
        StandardizeSeries(x.data(), static_cast<int>(x.size()));
        for (size_t i = 0; i < x.size(); ++i) EXPECT_NEAR(x[i], r.expected[i], 1e-15) << i;
    }
    double flat[] = {3, 3, 3};
    EXPECT_THROW(StandardizeSeries(flat, 3), EZeroDivide);
    EXPECT_EQ(flat[0], 3.0);
    double one[] = {5};
    EXPECT_THROW(StandardizeSeries(one, 1), EZeroDivide);
}

TEST(TimeSeries, PeriodogramClosedForms) {
    struct Row {
        std::vector<double> x;
        double level;
        std::vector<double> p;  // periods 1, 2, ...
    };
    const Row rows[] = {
        // s = 1; period 3: (sqrt3/4)^2 + (3/4)^2.
        {{1, -1, 1, -1}, 1.0, {0, 4, 0.75, 0}},
        {{1, -1, 1, -1, 1, -1}, 4.0 / 6.0, {0, 4}},
        // s^2 = 2/3; period 3: (4/9) (3/4 + 9/4) / s^2 = 2.
        {{1, 2, 3}, 8.0 / 9.0, {0, 0, 2}},
    };
    for (const Row& r : rows) {
        const int m = static_cast<int>(r.p.size());
        std::vector<double> p(m, -1.0);
        double level = -1.0;
        ASSERT_TRUE(Periodogram(r.x.data(), static_cast<int>(r.x.size()), p.data(), m, &level));
        EXPECT_NEAR(level, r.level, 1e-15);
        for (int j = 0; j < m; ++j) EXPECT_NEAR(p[j], r.p[j], 1e-13) << j;
    }
    const double flat[] = {2, 2, 2};
    double p[2] = {-1, -1}, level = -1;
    EXPECT_FALSE(Periodogram(flat, 3, p, 2, &level));
    EXPECT_EQ(p[0], -1.0);
    EXPECT_EQ(level, -1.0);
}

TEST(TimeSeries, AR1CoefficientIsTheStationaryLikelihoodRoot) {
    for (const SeriesCase& c : kCases) {
        double variance = 0.0;
        const double rho = EstimateAR1Coefficient(c.x.data(), static_cast<int>(c.x.size()), &variance);
        // The root with the angle 1.047197551 (mpmath, 50 digits); pi / 3
        // would move it by about 3e-10.
        EXPECT_NEAR(rho, c.rho, 2e-15);
        EXPECT_NEAR(variance, c.variance, 1e-14);
    }
}

TEST(TimeSeries, AR1CoefficientRefusesShortOrFlatSeries) {
    const double two[] = {1, 2};
    EXPECT_THROW(EstimateAR1Coefficient(two, 2, nullptr), EZeroDivide);
    const double flatInside[] = {1, 3, 3, 3, 5};
    EXPECT_THROW(EstimateAR1Coefficient(flatInside, 5, nullptr), EZeroDivide);
}

TEST(TimeSeries, AnyFlagSet) {
    const std::uint8_t flags[] = {0, 0, 1};
    EXPECT_TRUE(AnyFlagSet(flags, 3));
    EXPECT_FALSE(AnyFlagSet(flags, 2));
    EXPECT_FALSE(AnyFlagSet(flags, 0));
}
