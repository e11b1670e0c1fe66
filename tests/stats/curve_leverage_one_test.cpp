// A straight line on a dummy x (1 at one point alone): that point's leverage
// is exactly 1, its PRESS residual (so the PRESS sum and its coefficient
// changes) and its studentized residual, Welsch distance and COVRATIO are no
// numbers, and SIG(RES) is sqrt(2^-23). The other points keep the figures
// of the deletion formulas. Expected values from exact rational arithmetic
// (python fractions, refits without each point), pasted here.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "platform/errors.h"
#include "stats/curve_fit.h"
#include "stats/curve_fit_tables.h"
#include "stats/curve_plot_series.h"
#include "stats/curve_types.h"
#include "support/sample_columns.h"

namespace {

constexpr int kOne = 4;

struct Points {
    std::vector<double> x = std::vector<double>(12, 0.0);
    std::vector<double> y = TwelveRows()[2];
    Points() { x[kOne] = 1.0; }
};

TEST(CurveLeverageOne, PointOfADummyHasNoDeletionFigures) {
    const Points d;
    TSRA fit("d", d.x.data(), "y", d.y.data(), 12);
    ASSERT_TRUE(fit.FitCurve(regXY));
    ASSERT_TRUE(fit.HasLeaveOneOut());
    EXPECT_EQ(fit.GetLeverage(kOne), 1.0);
    EXPECT_EQ(fit.GetResidual(kOne), 0.0);
    EXPECT_EQ(fit.GetResidualSE(kOne), 3.4526698300124393e-4);
    for (double v : {fit.Press(), fit.GetDfbeta(kOne, 0), fit.GetDfbeta(kOne, 1), fit.GetStudentized(kOne),
                     fit.GetWelsch(kOne), fit.GetCovRatio(kOne), CurveStandardisedResidual(fit, kOne)})
        EXPECT_TRUE(std::isnan(v)) << v;

    const struct {
        int i;
        double residual, sigRes, studentized, welsch, covratio, standardised, dfbetaSlope;
    } others[] = {
        {3, -3.572727272727273, 3.579980813672418, -0.9979738603856639, 1.09777124642423, 1.100891139363688,
         -0.9981759203268314, 0.3572727272727273},
        {11, 7.027272727272727, 2.957630091403548, 2.375980940854549, 2.613579034940004, 0.5128578465659933,
         1.9633332987599, -0.7027272727272727},
    };
    for (const auto& o : others) {
        SCOPED_TRACE(o.i);
        EXPECT_NEAR(fit.GetLeverage(o.i), 1.0 / 11.0, 1e-15);
        EXPECT_NEAR(fit.GetResidual(o.i), o.residual, 1e-12);
        EXPECT_NEAR(fit.GetResidualSE(o.i), o.sigRes, 1e-12);
        EXPECT_NEAR(fit.GetStudentized(o.i), o.studentized, 1e-12);
        EXPECT_NEAR(fit.GetWelsch(o.i), o.welsch, 1e-12);
        EXPECT_NEAR(fit.GetCovRatio(o.i), o.covratio, 1e-12);
        EXPECT_NEAR(CurveStandardisedResidual(fit, o.i), o.standardised, 1e-12);
        // b - b(i): the slope's change, and the intercept's opposite to it.
        EXPECT_NEAR(fit.GetDfbeta(o.i, 0), o.dfbetaSlope, 1e-12);
        EXPECT_NEAR(fit.GetDfbeta(o.i, 1), -o.dfbetaSlope, 1e-12);
    }
}

TEST(CurveLeverageOne, TablesAndSeriesShowThePoint) {
    const Points d;
    TSRA fit("d", d.x.data(), "y", d.y.data(), 12);
    ASSERT_TRUE(fit.FitCurve(regXY));
    const CurvePlotRanges all{-1.0, 2.0, 0.0, 20.0};
    const CurveAnalysisTable table(fit, all);
    EXPECT_EQ(table.Cell(3, kOne).Shown(), "1.0000");
    EXPECT_EQ(table.Cell(4, kOne).Shown(), "0.0003");  // sqrt(2^-23)
    for (int column : {5, 6, 7, 8}) EXPECT_EQ(table.Cell(column, kOne).Shown(), "NAN") << column;

    // The column series carry the leverage of each point they keep; point
    // 0 (y = 3) lies outside the region.
    const CurvePlotRanges region{-1.0, 2.0, 5.0, 20.0};
    const auto s = CurveColumnSeries(fit, 5, &region);
    ASSERT_TRUE(s.has_value());
    ASSERT_EQ(s->y.size(), 11u);
    ASSERT_EQ(s->leverage.size(), 11u);
    EXPECT_EQ(s->leverage[kOne - 1], 1.0);
    EXPECT_TRUE(std::isnan(s->y[kOne - 1]));
    EXPECT_NEAR(s->leverage[2], 1.0 / 11.0, 1e-15);
    EXPECT_NEAR(s->y[2], -0.9979738603856639, 1e-12);

    // Points numbered by their observations (observation 6 had no value).
    std::vector<int> numbers;
    for (int i = 0; i < 12; ++i) numbers.push_back(i < 5 ? i + 1 : i + 2);
    fit.SetPointNumbers(numbers);
    EXPECT_EQ(fit.PointNumber(11), 13);
    EXPECT_EQ(CurvePointNumber(fit, all, 5), "7");
    EXPECT_EQ(CurvePointNumber(fit, region, 0), "_1");
    const auto time = CurveResidualPlot(fit, kCurvePlotTimeResidual);
    ASSERT_TRUE(time.has_value());
    EXPECT_EQ(time->x[11], 13.0);
    EXPECT_TRUE(std::isnan(time->y[kOne]));
    EXPECT_THROW(fit.SetPointNumbers({1, 2, 3}), ERangeError);
    fit.SetPointNumbers({});
    EXPECT_EQ(CurvePointNumber(fit, all, 5), "6");
}

}  // namespace
