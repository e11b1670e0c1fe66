// The X-Y graph's straight line of Longley's EMPLOY on GNP, with either
// variable written in other units: R², r, t(1) and the heteroskedasticity
// statistic stay, the slope scales as y / x. References from exact rational
// arithmetic (python fractions), as R's lm and rstudent give them.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "stats/curve_fit.h"
#include "stats/curve_types.h"
#include "support/sample_columns.h"

namespace {

TEST(CurveUnits, StraightLineFiguresDoNotDependOnTheUnits) {
    for (double sx : {1e-12, 1.0, 1e12})
        for (double sy : {1e-12, 1e-6, 1.0, 1e6, 1e12}) {
            SCOPED_TRACE(testing::Message() << "x " << sx << ", y " << sy);
            std::vector<double> x = LongleyColumns()[1], y = LongleyColumns()[6];
            for (double& v : x) v *= sx;
            for (double& v : y) v *= sy;
            TSRA fit("GNP", x.data(), "EMPLOY", y.data(), 16);
            ASSERT_TRUE(fit.FitCurve(regXY));
            EXPECT_NEAR(fit.R2(), 0.9673737718541234, 1e-12);
            EXPECT_NEAR(fit.Pearson(), std::sqrt(0.9673737718541234), 1e-12);
            EXPECT_NEAR(fit.GetStudentized(0), 0.5679197619138801, 1e-9);
            EXPECT_NEAR(fit.GetHeteroskedasticity(), 0.3790411192760787, 1e-9);
            const double slope = 0.03475229434762905 * sy / sx;
            EXPECT_NEAR(fit.GetCoef(0), slope, 1e-10 * slope);
            EXPECT_GT(fit.S2(), 0.0);
        }
}

}  // namespace
