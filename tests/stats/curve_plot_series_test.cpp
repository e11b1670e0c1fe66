// The derived series of a curve fit: standardised residuals, the leverage
// and lag plots, observed against fitted values in both scales, and the
// column series with and without a region. Expected values were worked
// out separately (python with exact fractions for the straight line, a
// least-squares fit of ln y for the exponential curve) and pasted here.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/io/file_matrix.h"
#include "core/settings/engine_context.h"
#include "stats/curve_fit.h"
#include "stats/curve_plot_series.h"
#include "stats/curve_types.h"

namespace {

const std::vector<double> kX = {1, 2, 3, 4, 5, 6};
const std::vector<double> kY = {2, 1, 4, 3, 6, 5};

void ExpectNear(const std::vector<double>& actual, const std::vector<double>& expected, const char* what) {
    ASSERT_EQ(actual.size(), expected.size()) << what;
    for (std::size_t i = 0; i < expected.size(); ++i) EXPECT_NEAR(actual[i], expected[i], 1e-12) << what << " " << i;
}

TSRA Fit(const std::vector<double>& x, const std::vector<double>& y, int type) {
    TSRA fit("X", x.data(), "Y", y.data(), static_cast<int>(x.size()));
    EXPECT_TRUE(fit.FitCurve(type));
    return fit;
}

TEST(CurvePlotSeriesTest, ResidualPlotsOfAStraightLine) {
    const TSRA fit = Fit(kX, kY, regXY);
    // y = 3/5 + 29/35 x; s2 = 48/35.
    const std::vector<double> r = {0.7071067811865476, -1.278724026182012, 0.8626621856275073,
                                   -0.8626621856275073, 1.278724026182012, -0.7071067811865476};
    const std::vector<double> e = {0.5714285714285714, -1.2571428571428571, 0.9142857142857143,
                                   -0.9142857142857143, 1.2571428571428571, -0.5714285714285714};
    const struct {
        int kind;
        const char *xName, *yName;
        std::vector<double> x, y;
    } cases[] = {
        {kCurvePlotFittedResidual, "Y/予測値", "Y/標準化残差",
         {1.4285714285714286, 2.257142857142857, 3.085714285714286, 3.914285714285714, 4.742857142857143,
          5.571428571428571},
         r},
        {kCurvePlotTimeResidual, "時間", "Y/標準化残差", {1, 2, 3, 4, 5, 6}, r},
        {kCurvePlotRegressorResidual, "X", "Y/標準化残差", kX, r},
        {kCurvePlotLeverageResidual, "残差平方", "作用点",
         {0.05952380952380952, 0.28809523809523807, 0.1523809523809524, 0.1523809523809524, 0.28809523809523807,
          0.05952380952380952},
         {0.5238095238095238, 0.29523809523809524, 0.18095238095238095, 0.18095238095238095, 0.29523809523809524,
          0.5238095238095238}},
        {kCurvePlotLag + 2, "e(i)", "e(i-2)", {e[2], e[3], e[4], e[5]}, {e[0], e[1], e[2], e[3]}},
    };
    for (const auto& c : cases) {
        const auto s = CurveResidualPlot(fit, c.kind);
        ASSERT_TRUE(s) << c.kind;
        EXPECT_EQ(s->xName, c.xName) << c.kind;
        EXPECT_EQ(s->yName, c.yName) << c.kind;
        ExpectNear(s->x, c.x, c.xName);
        ExpectNear(s->y, c.y, c.yName);
    }
    // Six residuals leave 3 pairs at lag 3: nothing; nor a second regressor.
    EXPECT_FALSE(CurveResidualPlot(fit, kCurvePlotLag + 3));
    EXPECT_FALSE(CurveResidualPlot(fit, kCurvePlotRegressorResidual + 1));
}

TEST(CurvePlotSeriesTest, ObservedAgainstFittedInTheCurveScaleAndInY) {
    const TSRA fit = Fit(kX, kY, regXlnY);
    const auto w = CurveResidualPlot(fit, kCurvePlotFittedObserved);
    ASSERT_TRUE(w);
    EXPECT_EQ(w->yName, "ln(Y)/観測値");
    ExpectNear(w->y, {0.6931471805599453, 0.0, 1.3862943611198906, 1.0986122886681098, 1.791759469228055,
                      1.6094379124341003},
               "ln y");
    const auto raw = CurveResidualPlot(fit, kCurvePlotFittedObservedRaw);
    ASSERT_TRUE(raw);
    EXPECT_EQ(raw->xName, "Y/予測値");
    ExpectNear(raw->x, {1.500645637470758, 1.9781340705277957, 2.6075539109806107, 3.437248010624535,
                        4.530941368763198, 5.972635557199613},
               "exp fitted");
    ExpectNear(raw->y, kY, "y");
}

TEST(CurvePlotSeriesTest, AnExactFitHasNoStandardisedResidualsNorLeveragePlot) {
    const std::vector<double> y = {3, 5, 7, 9, 11, 13};
    const TSRA fit = Fit(kX, y, regXY);
    for (int kind : {kCurvePlotFittedResidual, kCurvePlotTimeResidual, kCurvePlotRegressorResidual,
                     kCurvePlotLeverageResidual})
        EXPECT_FALSE(CurveResidualPlot(fit, kind)) << kind;
    EXPECT_FALSE(CurveColumnSeries(fit, 100, nullptr));
    // Plain columns stay available.
    ASSERT_TRUE(CurveColumnSeries(fit, 102, nullptr));
}

TEST(CurvePlotSeriesTest, ColumnSeriesKeepOnlyThePointsInTheRegion) {
    const TSRA fit = Fit(kX, kY, regXY);
    const CurvePlotRanges region{2, 5, 2, 6};  // points 3 (3, 4), 4 (4, 3) and 5 (5, 6)
    const struct {
        int column;
        const CurvePlotRanges* region;
        const char* name;
        std::vector<double> y;
    } cases[] = {
        {101, nullptr, "X", kX},
        {102, &region, "Y", {4, 3, 6}},
        {3, &region, "作用点", {0.18095238095238095, 0.18095238095238095, 0.29523809523809524}},
        {100, &region, "標準化残差", {0.8626621856275073, -0.8626621856275073, 1.278724026182012}},
    };
    for (const auto& c : cases) {
        const auto s = CurveColumnSeries(fit, c.column, c.region);
        ASSERT_TRUE(s) << c.column;
        EXPECT_EQ(s->yName, c.name);
        ExpectNear(s->y, c.y, c.name);
    }
    const CurvePlotRanges empty{10, 20, 10, 20};
    const auto none = CurveColumnSeries(fit, 101, &empty);
    ASSERT_TRUE(none);
    EXPECT_TRUE(none->y.empty());
    EXPECT_FALSE(CurveColumnSeries(fit, 9, nullptr));  // one slope only
}

// Rows 1 and 6 of the design in the curve's scale, the response last; none
// without a fit.
TEST(CurvePlotSeriesTest, DesignTableHoldsTheRegressorsAndTheResponseLast) {
    const double ln2 = 0.6931471805599453, ln5 = 1.6094379124341003, ln6 = 1.791759469228055;
    const struct {
        int type;
        std::vector<std::string> names;
        std::vector<double> first, last;
    } cases[] = {
        {reg2ji, {"X", "2乗項", "Y"}, {1, 1, 2}, {6, 36, 5}},
        {reglnXlnY, {"ln(X)", "ln(Y)"}, {0, ln2}, {ln6, ln5}},
    };
    EngineContext context;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.type);
        const auto table = CurveDesignTable(Fit(kX, kY, c.type), context);
        ASSERT_TRUE(table);
        ASSERT_EQ(table->Rows(), 6);
        ASSERT_EQ(table->Cols(), static_cast<int>(c.names.size()));
        for (std::size_t j = 0; j < c.names.size(); ++j) {
            const int col = static_cast<int>(j);
            EXPECT_EQ(table->GetColumnName(col), c.names[j]);
            EXPECT_TRUE(table->IsSelected(col));
            EXPECT_NEAR(table->GetValue(0, col), c.first[j], 1e-15);
            EXPECT_NEAR(table->GetValue(5, col), c.last[j], 1e-15);
        }
    }
    const TSRA unfitted("X", kX.data(), "Y", kY.data(), 6);
    EXPECT_EQ(CurveDesignTable(unfitted, context), nullptr);
}

}  // namespace
