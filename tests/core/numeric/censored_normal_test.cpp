// The shift of the regressors for the censored normal fits: the constant
// term's column found and checked on every row, the others moved near
// their means, and nothing moved when the column the sample took for the
// constant term is not one after all.
#include "core/numeric/censored_normal.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "core/numeric/moment_matrix.h"

namespace {

// n rows of (1e6 + i, 1.0, i mod 7 - 3).
Matrix Rows(int n) {
    Matrix m(n, 3);
    for (int i = 0; i < n; ++i) {
        m[i][0] = 1e6 + i;
        m[i][1] = 1.0;
        m[i][2] = i % 7 - 3;
    }
    return m;
}

}  // namespace

TEST(CensoredNormal, RegressorsShiftNearTheirMeansAndBack) {
    const Matrix data = Rows(5000);
    Matrix centred;
    const RegressorShift s = CentredCopy(data, centred, nullptr);
    ASSERT_EQ(s.constant, 1);
    EXPECT_EQ(s.shift[1], 0.0);
    // Near the mean 1e6 + 2499.5: the shift is the moment method's.
    EXPECT_NEAR(s.shift[0], 1e6 + 2499.5, 1.0);
    for (int i = 0; i < 5000; i += 997) {
        EXPECT_EQ(centred[i][0], data[i][0] - s.shift[0]) << i;
        EXPECT_EQ(centred[i][1], 1.0) << i;
        EXPECT_EQ(centred[i][2], data[i][2]) << i;  // the dependent stays
    }
    double coef[2] = {2.0, 5.0};
    ShiftCoefficients(s, coef);
    EXPECT_EQ(coef[0], 2.0);
    EXPECT_DOUBLE_EQ(coef[1], 5.0 + 2.0 * s.shift[0]);
    UnshiftCoefficients(s, coef);
    EXPECT_DOUBLE_EQ(coef[1], 5.0);
}

TEST(CensoredNormal, AColumnOfOnesOnlyInTheSampleShiftsNothing) {
    Matrix data = Rows(5000);
    // A row the sample of the moment method passes over.
    std::vector<char> sampled(5000, 0);
    for (long long t = 0; t < MomentSampleCount(5000); ++t) sampled[static_cast<std::size_t>(MomentSampleRow(t, 5000))] = 1;
    int missed = 0;
    while (sampled[static_cast<std::size_t>(missed)]) ++missed;
    data[missed][1] = 2.0;
    Matrix centred;
    const RegressorShift s = CentredCopy(data, centred, nullptr);
    EXPECT_EQ(s.constant, -1);
    for (int i = 0; i < 5000; ++i)
        for (int j = 0; j < 3; ++j) ASSERT_EQ(centred[i][j], data[i][j]) << i << " " << j;
}

// The maximum over b at a held sigma, from an independent Newton iteration
// in 50-digit arithmetic: x = 1..6 with a constant term, three of the six
// y censored, sigma 1.25. Not a maximum for sigma <= 0.
TEST(CensoredNormal, MaximumOverTheCoefficientsAtAHeldSigma) {
    const double y[] = {0.0, 0.5, 0.0, 2.5, 1.5, 4.0};
    Matrix data(6, 3);
    for (int i = 0; i < 6; ++i) {
        data[i][0] = i + 1;
        data[i][1] = 1.0;
        data[i][2] = y[i];
    }
    const struct {
        double b0, b1;  // start
    } starts[] = {{1.0, -1.0}, {0.0, 0.0}, {3.0, -8.0}};
    for (const auto& s : starts) {
        std::vector<double> theta = {s.b0, s.b1, 1.25};
        double value = 0.0;
        TobitNewtonRun run;
        ASSERT_TRUE(TobitNewtonAtSigma(data, theta, value, nullptr, run)) << s.b0;
        EXPECT_NEAR(theta[0], 1.011716855056985663, 1e-12) << s.b0;
        EXPECT_NEAR(theta[1], -2.5673732466011536297, 1e-12) << s.b0;
        EXPECT_EQ(theta[2], 1.25);
        EXPECT_NEAR(value, 6.7946922187321940025, 1e-12) << s.b0;
        EXPECT_GT(run.iterations, 0);
    }
    for (double sigma : {0.0, -1.0}) {
        std::vector<double> theta = {1.0, -1.0, sigma};
        double value = 7.0;
        TobitNewtonRun run;
        EXPECT_FALSE(TobitNewtonAtSigma(data, theta, value, nullptr, run)) << sigma;
        EXPECT_EQ(theta, (std::vector<double>{1.0, -1.0, sigma}));
        EXPECT_EQ(value, 7.0);
    }
}
