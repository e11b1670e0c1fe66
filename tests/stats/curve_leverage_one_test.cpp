// A straight line on a dummy x (1 at one point alone): that point's leverage
// is exactly 1, SIG(RES) is sqrt(var y x 2^-23), and what divides by 1 - h is no
// number; the other points keep the deletion formulas' figures. Expected
// values from exact rational arithmetic (python fractions), pasted here.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "stats/curve_fit.h"
#include "stats/curve_fit_tables.h"
#include "stats/curve_plot_series.h"
#include "stats/curve_types.h"
#include "support/sample_columns.h"

namespace {

constexpr int kOne = 4;

TEST(CurveLeverageOne, PointOfADummyHasNoDeletionFigures) {
    std::vector<double> x(12, 0.0), y = TwelveRows()[2];
    x[kOne] = 1.0;
    TSRA fit("d", x.data(), "y", y.data(), 12);
    ASSERT_TRUE(fit.FitCurve(regXY));
    EXPECT_EQ(fit.GetLeverage(kOne), 1.0);
    // var y = 13.1881818...
    EXPECT_NEAR(fit.GetResidualSE(kOne), 0.0012538555678434358, 1e-17);
    // PRESS (so the PRESS sum and the coefficient changes), t(i), W(i),
    // COVRATIO and the standardised residual.
    for (double v : {fit.Press(), fit.GetDfbeta(kOne, 0), fit.GetDfbeta(kOne, 1), fit.GetStudentized(kOne),
                     fit.GetWelsch(kOne), fit.GetCovRatio(kOne), CurveStandardisedResidual(fit, kOne)})
        EXPECT_TRUE(std::isnan(v)) << v;
    // Point 3 keeps them.
    EXPECT_NEAR(fit.GetLeverage(3), 1.0 / 11.0, 1e-15);
    EXPECT_NEAR(fit.GetResidualSE(3), 3.579980813672418, 1e-12);
    EXPECT_NEAR(fit.GetStudentized(3), -0.9979738603856639, 1e-12);
    EXPECT_NEAR(fit.GetWelsch(3), 1.09777124642423, 1e-12);
    EXPECT_NEAR(fit.GetCovRatio(3), 1.100891139363688, 1e-12);
    EXPECT_NEAR(CurveStandardisedResidual(fit, 3), -0.9981759203268314, 1e-12);
    EXPECT_NEAR(fit.GetDfbeta(3, 0), 0.3572727272727273, 1e-12);

    // The table: leverage, SIG(RES), t(i), W(i), COVRATIO, the slope's change.
    const CurvePlotRanges all{-1.0, 2.0, 0.0, 20.0};
    const CurveAnalysisTable table(fit, all);
    EXPECT_EQ(table.Cell(3, kOne).Shown(), "1.0000");
    EXPECT_EQ(table.Cell(4, kOne).Shown(), "0.0013");
    for (int column : {5, 6, 7, 8}) EXPECT_EQ(table.Cell(column, kOne).Shown(), "NAN") << column;

    // Points numbered by their observations (observation 6 had no value).
    std::vector<int> numbers;
    for (int i = 0; i < 12; ++i) numbers.push_back(i < 5 ? i + 1 : i + 2);
    fit.SetPointNumbers(numbers);
    EXPECT_EQ(fit.PointNumber(11), 13);
    EXPECT_EQ(CurvePointNumber(fit, all, 5), "7");
}

}  // namespace
