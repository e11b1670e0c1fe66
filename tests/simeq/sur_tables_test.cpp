// What the SUR window's tables decide beyond the estimator's numbers: the
// constant term's row first, the t value's mark on n - k degrees of
// freedom, the error rate of an observed 0, the adjusted R-squared worked
// out by hand (and 0 when negative), and the residual plots' guards.
#include "simeq/sur_tables.h"

#include <gtest/gtest.h>

#include <memory>

#include "core/model/estimate_texts.h"
#include "core/text/number_format.h"

namespace {

// Two equations of five rows: y on x with the constant in column 1.
SurEquation Equation(const std::string& name, std::vector<double> x, std::vector<double> y) {
    SurEquation e;
    e.name = name;
    e.varNames = {"X" + name, "Y" + name};
    e.dependentPos = 1;
    e.y = std::move(y);
    for (Matrix* m : {&e.residualRegressors, &e.estimationRegressors}) {
        m->Resize(5, 2, false);
        for (int t = 0; t < 5; ++t) {
            (*m)[t][0] = x[static_cast<std::size_t>(t)];
            (*m)[t][1] = 1.0;
        }
    }
    return e;
}

Zelner TwoEquations() {
    return Zelner({Equation("A", {1, 2, 3, 4, 5}, {1, 2, 3, 4, 6}), Equation("B", {2, 1, 4, 3, 6}, {0, 1, 0, 2, 3})});
}

// A result of the hand's choosing for the same shape.
SurResult HandResult(double s11, std::vector<double> residual, std::vector<double> leverage) {
    SurResult r;
    r.sigma = {s11, 0.0, 0.0, 1.0};
    r.sigmaUsed = r.sigma;
    SurEquationResult e;
    e.coef = {2.0, 0.5};
    e.stdErr = {0.0, 0.25};
    e.residual = std::move(residual);
    e.leverage = std::move(leverage);
    e.coefCov = {0.0, 0.0, 0.0, 0.0625};
    r.equations = {e, e};
    return r;
}

TEST(SurTables, EstimatesPutTheConstantFirstAndMarkTOnResidualDegreesOfFreedom) {
    const Zelner z = TwoEquations();
    const SurResult r = z.Estimate({});
    const ResultTable t = SurEstimateTable(z, r, 0);
    EXPECT_EQ(t.Title(0), "YA");
    ASSERT_EQ(t.RowCount(), 2);
    EXPECT_EQ(t.Cell(0, 0).text, "定数項");
    EXPECT_EQ(t.Cell(1, 0).value, r.GetCoef(0, 1));
    EXPECT_EQ(t.Cell(0, 1).text, "XA");
    const double b = r.GetCoef(0, 0), se = r.GetStdError(0, 0);
    EXPECT_EQ(t.Cell(3, 1).Shown(), TStatisticMark(3, se, b) + FormatNumber(false, b / se));
    EXPECT_EQ(z.GetDf(0), 3);

    // A standard error of 0 has no t value.
    const ResultTable hand = SurEstimateTable(z, HandResult(1.0, std::vector<double>(5), std::vector<double>(5)), 1);
    EXPECT_EQ(hand.Cell(3, 1).Shown(), "-");
}

TEST(SurTables, ErrorRateOfAnObservedZeroIsInfinite) {
    const struct {
        double e, y;
        const char* shown;
    } cases[] = {{0.5, 0.0, "+∞"}, {-0.5, 0.0, "-∞"}, {0.0, 0.0, "+0.00"}, {0.25, 2.0, "+12.50"}, {-99.99, 1.0, "-9999.00"}};
    for (const auto& c : cases) EXPECT_EQ(SurErrorRateCell(c.e, c.y).Shown(), c.shown) << c.e << " / " << c.y;
}

TEST(SurTables, AdjustedR2FromSigmaAndTheSampleVarianceNeverNegative) {
    const Zelner z = TwoEquations();
    // y = 1 2 3 4 6: mean 3.2, sum of squares 14.8, variance 3.7.
    const SurFitFigures good = SurFit(z, HandResult(0.37, std::vector<double>(5), std::vector<double>(5)), 0);
    EXPECT_NEAR(good.adjustedR2.value, 0.9, 1e-15);
    EXPECT_NEAR(good.standardError.value, std::sqrt(0.37), 1e-15);
    EXPECT_EQ(good.df, 3);
    const SurFitFigures bad = SurFit(z, HandResult(4.0, std::vector<double>(5), std::vector<double>(5)), 0);
    EXPECT_EQ(bad.adjustedR2.value, 0.0);
}

TEST(SurTables, ResidualPlotsSkipFullLeverageAndShowNothingForAnExactFit) {
    const Zelner z = TwoEquations();
    const SurResult r = HandResult(0.5, {1, -1, 2, 0, -2}, {0.5, 1.0, 0.2, 0.4, 0.9});
    const SurPlotSeries s = SurPlots(z, r, 0);
    // Observation 2 (h = 1) has no standardised residual; e^2 / (10 / 5).
    EXPECT_EQ(s.time, (std::vector<double>{0, 2, 3, 4}));
    EXPECT_NEAR(s.standardized[0], 1.0 / std::sqrt(0.5 * 0.5), 1e-15);
    EXPECT_NEAR(s.fitted[1], 3.0 - 2.0, 1e-15);
    EXPECT_EQ(s.squaredRatio, (std::vector<double>{0.5, 0.5, 2.0, 0.0, 2.0}));

    const SurPlotSeries none = SurPlots(z, HandResult(0.0, std::vector<double>(5), std::vector<double>(5)), 0);
    EXPECT_TRUE(none.standardized.empty());
    EXPECT_TRUE(none.leverage.empty());
}

}  // namespace
