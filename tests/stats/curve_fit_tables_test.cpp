// The graph's tables of a curve fit: the correlation texts with the Fisher
// interval, the marks and texts the tables put round the fitter's numbers,
// and the points outside the plotted ranges. Expected intervals and scaled
// coefficient changes were worked out separately (python, leave-one-out
// refits by hand formulas) and are pasted here.
#include <gtest/gtest.h>

#include <vector>

#include "core/text/number_format.h"
#include "stats/curve_fit.h"
#include "stats/curve_fit_tables.h"

namespace {

const std::vector<double> kX = {1, 2, 3, 4, 5, 6};
const std::vector<double> kY = {2, 1, 4, 3, 6, 5};

TEST(CurveCorrelationTest, PearsonStatusCarriesTheFisherIntervalWhereItExists) {
    const struct {
        std::vector<double> x, y;
        const char* status;
    } cases[] = {
        // r = 0.828571..., interval tanh(atanh r -+ 1.959964 / sqrt(3)).
        {kX, kY, "相関係数 信頼区間 ( 0.0519 ... 0.9807) umv[0.8935]"},
        // n = 4: r = 0.8, half-width 1.959964; no unbiased estimate yet.
        {{1, 2, 3, 4}, {1, 3, 2, 4}, "相関係数 信頼区間 ( -0.6970 ... 0.9956)"},
        // n = 3: the half-width would be infinite; no interval at all.
        {{1, 2, 3}, {1, 3, 2}, "相関係数"},
        // |r| = 1: both limits are r.
        {{1, 2, 3, 4, 5}, {2, 4, 6, 8, 10}, "相関係数 信頼区間 ( 1.0000 ... 1.0000) umv[1.0000]"},
        {{1, 2, 3, 4, 5}, {9, 7, 5, 3, 1}, "相関係数 信頼区間 ( -1.0000 ... -1.0000) umv[-1.0000]"},
    };
    for (const auto& c : cases) {
        TSRA fit("X", c.x.data(), "Y", c.y.data(), static_cast<int>(c.x.size()));
        const CurveCorrelationText t = CurveCorrelation(fit, 0);
        EXPECT_EQ(t.label, "相関係数");
        EXPECT_EQ(t.value, FormatNumber(false, fit.Pearson()));
        EXPECT_EQ(t.status, c.status);
    }
}

TEST(CurveCorrelationTest, RankCorrelationsNameThemselves) {
    TSRA fit("X", kX.data(), "Y", kY.data(), 6);
    const CurveCorrelationText rho = CurveCorrelation(fit, 1);
    const CurveCorrelationText tau = CurveCorrelation(fit, 2);
    EXPECT_EQ(rho.label, "S.R.C.C.");
    EXPECT_EQ(rho.value, "0.8286");  // 1 - 6 * 6 / 210
    EXPECT_EQ(rho.status, "スピアマンの順位相関係数");
    EXPECT_EQ(tau.label, "K.R.C.C.");
    EXPECT_EQ(tau.value, "0.6000");  // 12 concordant, 3 discordant of 15
    EXPECT_EQ(tau.status, "ケンドールの順位相関係数");
}

// The rank correlations are formed on their first read: after a swap of
// the axes and a fit of a decreasing transform they are still those of the
// data as given.
TEST(CurveCorrelationTest, RankCorrelationsReadLateAreThoseOfTheGivenData) {
    TSRA fit("X", kX.data(), "Y", kY.data(), 6);
    ASSERT_TRUE(fit.FitCurve(reginvXinvY));
    ASSERT_TRUE(fit.SwapXY());
    EXPECT_EQ(CurveCorrelation(fit, 2).value, "0.6000");
    EXPECT_EQ(CurveCorrelation(fit, 1).value, "0.8286");
}

TEST(CurveTablesTest, EstimateRowsNameTheInterceptAndThePowers) {
    const std::vector<double> y = {1, 4, 8, 17, 24, 37};
    TSRA fit("X", kX.data(), "Y", y.data(), 6);
    ASSERT_TRUE(fit.FitCurve(reg3ji));
    const CurveEstimateTable t(fit);
    ASSERT_EQ(t.RowCount(), 4);
    EXPECT_EQ(t.Title(0), fit.YLabel());
    const char* names[] = {"定数項", "X", "2乗項", "3乗項"};
    for (int r = 0; r < 4; ++r) EXPECT_EQ(t.Cell(0, r).text, names[r]) << r;
    EXPECT_EQ(t.CoefIndex(0), 3);
    EXPECT_EQ(t.Cell(1, 0).Shown(), FormatNumber(false, fit.GetCoef(3)));
    EXPECT_EQ(t.Cell(0, 0).mark, "");
}

TEST(CurveTablesTest, ExactFitShowsDashForT) {
    const std::vector<double> y = {2, 4, 6, 8, 10, 12};
    TSRA fit("X", kX.data(), "Y", y.data(), 6);
    ASSERT_TRUE(fit.FitCurve(regXY));
    const CurveEstimateTable t(fit);
    EXPECT_EQ(t.Cell(3, 0).Shown(), "-");
    EXPECT_EQ(t.Cell(3, 1).Shown(), "-");
}

TEST(CurveTablesTest, PointsOutsideTheRangesAreUnderscored) {
    TSRA fit("X", kX.data(), "Y", kY.data(), 6);
    ASSERT_TRUE(fit.FitCurve(regXY));
    const CurvePlotRanges zoom{2, 5, 0, 10};
    const CurveDataTable data(fit, zoom);
    const CurveAnalysisTable ana(fit, zoom);
    const char* numbers[] = {"_1", "2", "3", "4", "5", "_6"};
    for (int i = 0; i < 6; ++i) {
        EXPECT_EQ(data.Cell(0, i).text, numbers[i]) << i;
        EXPECT_EQ(ana.Cell(0, i).text, numbers[i]) << i;
    }
    EXPECT_EQ(data.Title(1), "X");
    EXPECT_EQ(data.Cell(2, 5).text, "5.0000");
}

TEST(CurveTablesTest, ScaledCoefficientChangeWithItsMark) {
    // Leave-one-out refits: b - b(i), scaled by s(i) sqrt((X'X)^-1); the
    // first and last points stand out beyond 2 / sqrt(6).
    const std::vector<double> y = {2, 1, 4, 3, 6, 15};
    TSRA fit("X", kX.data(), "Y", y.data(), 6);
    ASSERT_TRUE(fit.FitCurve(regXY));
    const CurveAnalysisTable ana(fit, {0, 10, 0, 20});
    ASSERT_EQ(ana.ColumnCount(), 9);
    EXPECT_EQ(ana.Title(8), "β変化量[X]");
    EXPECT_EQ(ana.Cell(8, 0).Shown(), "* -0.7429 (-1.0030)");
    EXPECT_EQ(ana.Cell(8, 1).Shown(), "0.0950 (+0.1077)");
    EXPECT_EQ(ana.Cell(8, 5).Shown(), "* 1.2571 (+4.1576)");
    EXPECT_EQ(ana.Title(5), "Ｔ値");
}

}  // namespace
