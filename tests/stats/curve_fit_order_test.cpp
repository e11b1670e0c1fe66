// The curve fitter's statistics do not depend on the order of the points.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numeric>
#include <random>
#include <vector>

#include "stats/curve_fit.h"

TEST(CurveFitOrder, PermutedPointsGiveTheSameStatistics) {
    // Ties in x and in y.
    const std::vector<double> x = {1, 1, 2, 3, 3, 3, 5, 6, 6, 8, 9, 9};
    const std::vector<double> y = {2, 1, 2, 4, 3, 4, 4, 7, 5, 7, 8, 9.5};
    const int n = static_cast<int>(x.size());
    for (int type : {0, 1, 4}) {
        SCOPED_TRACE(type);
        TSRA first("x", x.data(), "y", y.data(), n);
        ASSERT_TRUE(first.FitCurve(type));
        std::vector<int> order(static_cast<std::size_t>(n));
        std::iota(order.begin(), order.end(), 0);
        std::mt19937 gen(7);
        for (int round = 0; round < 20; ++round) {
            std::shuffle(order.begin(), order.end(), gen);
            std::vector<double> px, py;
            for (int i : order) {
                px.push_back(x[static_cast<std::size_t>(i)]);
                py.push_back(y[static_cast<std::size_t>(i)]);
            }
            TSRA fit("x", px.data(), "y", py.data(), n);
            ASSERT_TRUE(fit.FitCurve(type));
            EXPECT_EQ(fit.Spearman(), first.Spearman());
            EXPECT_EQ(fit.Kendall(), first.Kendall());
            EXPECT_NEAR(fit.Pearson(), first.Pearson(), 1e-14);
            EXPECT_NEAR(fit.R2(), first.R2(), 1e-12);
            for (int j = 0; j < fit.ParamCount(); ++j)
                EXPECT_NEAR(fit.GetCoef(j), first.GetCoef(j), 1e-11 * (1.0 + std::fabs(first.GetCoef(j)))) << j;
        }
    }
}
