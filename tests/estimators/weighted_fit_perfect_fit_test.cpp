// The weighted fit of an exact fit with weights 1, y in any units: the
// residual variances, rounding, held at var(y) x 2^-23 wherever they
// divide, so the t values, W(i), COVRATIO and the residuals' shares are
// finite, the same at every scale, and those of least squares
// (support/perfect_fit_sample.h). The standard errors are sizes, rounding
// as formed; Durbin-Watson and GK read 0.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "estimators/weighted_fit_tables.h"
#include "support/perfect_fit_sample.h"
#include "weighted_data.h"

namespace {

constexpr double kScales[] = {0x1p-30, 1e-9, 1e-6, 1.0, 1e6, 1e12};

TEST(WeightedFitPerfectFit, FiguresAreFiniteAndTheSameInAnyUnits) {
    for (double scale : kScales) {
        SCOPED_TRACE(testing::Message() << "y x " << scale);
        WeightedColumns cols = kPerfectFitColumns;
        for (double& v : cols.back()) v *= scale;
        EngineContext context;
        const auto table = MakeNamedTable(context, cols, {"x1", "x2", "x3", "y"});
        WLSE fit(*table, nullptr, 3);
        const std::vector<double> w(30, 1.0);
        fit.SetWeights(w.data());
        ASSERT_TRUE(fit.Estimate(0));
        // x1, x2, x3, then the constant term: the estimates page's t column.
        const ResultTable estimates = WLSEstimateTable(fit);
        for (int j = 0; j < 4; ++j) {
            const double t = estimates.Cell(3, j).value;
            EXPECT_TRUE(std::isfinite(t)) << j;
            ExpectNear(t, kPerfectFitT[j], 1e-11, 0, "t " + std::to_string(j));
            const double se = estimates.Cell(2, j).value;
            EXPECT_TRUE(std::isfinite(se)) << j;
            EXPECT_LE(std::fabs(se), 1e-12 * std::fabs(fit.GetCoef(j))) << j;
        }
        EXPECT_EQ(fit.DurbinWatsonRatio(), 0.0);
        EXPECT_EQ(fit.GK(), 0.0);
        for (int i = 0; i < 30; ++i) {
            const std::string at = " at " + std::to_string(i);
            const double covratio = fit.GetResult(WLSE::kRowCovRatio, i);
            EXPECT_TRUE(std::isfinite(covratio)) << at;
            ExpectNear(covratio, kPerfectFitCovratio[i], 1e-12, 0, "COVRATIO" + at);
            // Every term of these is a residual, which the exact fit leaves
            // as rounding.
            for (int row :
                 {WLSE::kRowWelsch, WLSE::kRowStandardized, WLSE::kRowStudentized, WLSE::kRowResidualShare}) {
                const double v = fit.GetResult(row, i);
                EXPECT_TRUE(std::isfinite(v)) << row << at;
                EXPECT_LT(std::fabs(v), 1e-6) << row << at;
            }
        }
    }
}

}  // namespace
