// The simultaneous tolerance interval against quantiles found by root
// finding on the exact F, chi-square and normal distribution functions, and
// the half width formed from them, pasted here. The program's normal
// quantile is a single-precision approximation (a few parts in a million),
// and so are the widths.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "core/numeric/distributions.h"
#include "core/numeric/tolerance_interval.h"
#include "platform/errors.h"

namespace {

struct Case {
    double v, s2;
    int n, df;
    double confidence, coverage;
    double f, z, chi, half;
};

const Case kCases[] = {
    {1.235, 2.5, 20, 17, 0.95, 0.9, 4.0111631180738801, 1.6448536269514727, 7.5641864495775694, 9.9942454057394083},
    {0.35, 2.5, 20, 17, 0.95, 0.9, 4.0111631180738801, 1.6448536269514727, 7.5641864495775694, 7.143775426876959},
    {0.0, 1.0, 12, 8, 0.95, 0.9, 5.0526322173635139, 1.6448536269514727, 2.1797307472526498, 3.1511626852164268},
    {1.2, 0.04, 50, 45, 0.99, 0.95, 3.9090187161803842, 1.9599639845400542, 24.311014164807923, 1.5019026979828164},
    {0.08, 10.0, 9, 7, 0.9, 0.5, 4.7374141277758834, 0.67448975019608174, 2.1673499092980571, 6.5863407191510351},
    {0.5, 3.0, 30, 26, 0.999, 0.9, 7.1623731262524172, 1.6448536269514727, 8.5379479195307509, 11.527092591760544},
    {0.2, 1.5, 15, 11, 0.5, 0.999, 1.5704198685971244, 3.2905267314918948, 7.584142785441285, 6.2262623848959133},
};

}  // namespace

TEST(ToleranceIntervalTest, QuantilesAndHalfWidthAgainstExactDistributions) {
    for (const Case& c : kCases) {
        SCOPED_TRACE(::testing::Message() << "n " << c.n << " df " << c.df << " v " << c.v);
        const double a = 1.0 - c.confidence;
        EXPECT_NEAR(FUpperQuantile(c.n - c.df, c.df, a / 2.0), c.f, 5e-7 * c.f);
        EXPECT_NEAR(NormalUpperQuantileApprox(static_cast<float>((1.0 - c.coverage) / 2.0)), c.z, 1e-5 * c.z);
        EXPECT_NEAR(ChiSquareUpperQuantile(c.df, 1.0 - a / 2.0), c.chi, 5e-7 * c.chi);
        EXPECT_NEAR(ToleranceHalfWidth(c.v, c.s2, c.n, c.df, c.confidence, c.coverage), c.half, 1e-5 * c.half);
    }
}

TEST(ToleranceIntervalTest, PredictionAddsTheConstantAndCentresTheInterval) {
    const std::vector<double> coef = {2.0, -1.0, 0.5};
    Matrix q(3, 3, 0.0);
    const double rows[3][3] = {{0.1, 0.02, 0.0}, {0.02, 0.2, 0.01}, {0.0, 0.01, 0.05}};
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) q[i][j] = rows[i][j];
    const std::vector<double> x = {1.5, 2.0};
    // 2 * 1.5 - 2 + 0.5; x'Qx with x = (1.5, 2, 1) is 1.235 (the first case).
    const TolerancePrediction r = PredictWithTolerance(coef, q, x, 2.5, 20, 17, 0.95, 0.9);
    EXPECT_NEAR(r.predicted, 1.5, 1e-15);
    EXPECT_NEAR(r.upper - r.predicted, 9.9942454057394083, 1e-5 * 9.99);
    EXPECT_NEAR(r.predicted - r.lower, r.upper - r.predicted, 1e-12);

    // No regressor: the constant alone, v = Q[0][0].
    const TolerancePrediction c = PredictWithTolerance(coef, q, std::vector<double>{}, 2.5, 20, 17, 0.95, 0.9);
    EXPECT_EQ(c.predicted, 2.0);
    EXPECT_NEAR(c.upper - c.predicted, ToleranceHalfWidth(0.1, 2.5, 20, 17, 0.95, 0.9), 1e-12);
}

TEST(ToleranceIntervalTest, ZeroVarianceLeavesTheCoverageTermAlone) {
    const double half = ToleranceHalfWidth(0.0, 4.0, 12, 8, 0.95, 0.9);
    EXPECT_NEAR(half, 2.0 * NormalUpperQuantileApprox(0.05f) * std::sqrt(8.0 / ChiSquareUpperQuantile(8, 0.975)),
                1e-14);
}

TEST(ToleranceIntervalTest, ShortArraysAreRangeErrors) {
    Matrix q(2, 2, 0.0);
    const std::vector<double> x = {1.0, 2.0};
    EXPECT_THROW(PredictWithTolerance(std::vector<double>{1.0, 2.0}, q, x, 1.0, 10, 7, 0.95, 0.9), ERangeError);
    EXPECT_THROW(PredictWithTolerance(std::vector<double>{1.0, 2.0, 3.0}, q, x, 1.0, 10, 7, 0.95, 0.9), ERangeError);
}
