// Trend curves against independent least-squares fits on t = 1..n (or the
// observation numbers of a series with a gap), the logistic and Gompertz
// trends on exact data, their fallbacks to the straight line, the plot
// coefficients and the formula texts.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "platform/errors.h"
#include "stats/trend_curves.h"

namespace {

const std::vector<double> kSeries = {2.3, 2.9, 3.8, 4.1, 5.6, 6.0, 7.7, 8.1, 9.9, 11.2, 12.0, 14.1};

std::vector<double> Logistic(int n) {
    std::vector<double> y(n);
    for (int t = 0; t < n; ++t) y[t] = 1.0 / (0.5 + 2.0 * std::exp(-0.3 * t));
    return y;
}

}  // namespace

TEST(TrendCurves, CurveFitterTrendsEqualIndependentFits) {
    // c0 (intercept), c1.. (slopes, lowest power first); Box-Cox lambda last.
    struct Row { int model; std::vector<double> coef; TRegLineType line; };
    const Row rows[] = {
        {0, {0.45151515151515137, 1.0548951048951049}, regXY},
        {1, {1.7749999999999997, 0.48768731268731274, 0.043631368631368627}, reg2ji},
        {2, {1.7343434343434343, 0.51911051911051897, 0.037823287823287854, 0.00029785029785029604}, reg3ji},
        {3, {1.9593434343434345, 0.26330694768194727, 0.11843798562548574, -0.009077149702149714,
             0.00036057692307692346}, reg4ji},
        {4, {0.79744341965436294, 0.16104393980306006}, regXlnY},
        {5, {0.37876152318545133, -0.029683994870323096}, regXinvY},
        {6, {0.64236926096677852, 0.37210729248876299, 0.45753}, regXbceY},
    };
    TimeSeriesMerlox trend(kSeries.data(), 12);
    for (const Row& r : rows) {
        SCOPED_TRACE(r.model);
        ASSERT_TRUE(trend.Fit(r.model));
        EXPECT_EQ(trend.Model(), r.model);
        EXPECT_EQ(trend.GetLineType(), r.line);
        for (int j = 0; j < 5; ++j) {
            const double expected = j < static_cast<int>(r.coef.size()) ? r.coef[j] : 0.0;
            EXPECT_NEAR(trend.GetCoef(j), expected, 1e-9 * std::max(1.0, std::fabs(expected))) << j;
            EXPECT_EQ(trend.GetPlotCoef(j), trend.GetCoef(j));
        }
    }
}

TEST(TrendCurves, LogisticOfExactDataGivesItsCoefficientsAndFormula) {
    const std::vector<double> y = Logistic(30);
    TimeSeriesMerlox trend(y.data(), 30);
    ASSERT_TRUE(trend.Fit(7));
    EXPECT_EQ(trend.Model(), 7);
    EXPECT_EQ(trend.GetLineType(), regLogistic);
    EXPECT_NEAR(trend.GetCoef(0), 0.5, 0.5e-5);
    EXPECT_NEAR(trend.GetCoef(1), 2.0, 2e-5);
    EXPECT_NEAR(trend.GetCoef(2), 0.3, 0.3e-5);
    EXPECT_EQ(trend.GetFormula(), "y = 2/(1+4*exp(-0.3*t ) )");
}

TEST(TrendCurves, PlotCurveAtTPlusOneIsTheTrendAtT) {
    const std::vector<double> y = Logistic(30);
    TimeSeriesMerlox trend(y.data(), 30);
    ASSERT_TRUE(trend.Fit(7));
    const double b0 = trend.GetPlotCoef(0), b1 = trend.GetPlotCoef(1), b2 = trend.GetPlotCoef(2);
    EXPECT_NEAR(b1, 2.0 * std::exp(0.3), 1e-4);
    for (int t = 0; t < 30; t += 7) EXPECT_NEAR(1.0 / (b0 + b1 * std::exp(-b2 * (t + 1))), y[t], 1e-6) << t;
}

TEST(TrendCurves, GompertzOfExactDataGivesItsCoefficientsAndFormula) {
    std::vector<double> y(30);
    for (int t = 0; t < 30; ++t) y[t] = std::exp(0.5 - 1.5 * std::exp(-0.2 * t));
    TimeSeriesMerlox trend(y.data(), 30);
    ASSERT_TRUE(trend.Fit(8));
    EXPECT_EQ(trend.GetLineType(), regGompertz);
    EXPECT_NEAR(trend.GetCoef(0), 0.5, 1e-5);
    EXPECT_NEAR(trend.GetCoef(1), -1.5, 1e-5);
    EXPECT_NEAR(trend.GetCoef(2), 0.2, 1e-5);
    // e^0.5 = 1.64872..., e^-1.5 = 0.22313...
    EXPECT_EQ(trend.GetFormula(), "y = 1.6487*0.2231^exp(-0.2*t)");
    EXPECT_NEAR(trend.GetPlotCoef(1), -1.5 * std::exp(0.2), 1e-4);
}

TEST(TrendCurves, LogisticOrGompertzOnDataWithAZeroIsTheStraightLine) {
    std::vector<double> y = Logistic(30);
    y[4] = 0.0;
    for (int model : {7, 8, 4, 5, 6}) {
        SCOPED_TRACE(model);
        TimeSeriesMerlox trend(y.data(), 30);
        ASSERT_TRUE(trend.Fit(model));
        EXPECT_EQ(trend.Model(), 0);
        EXPECT_EQ(trend.GetLineType(), regXY);
        // Independent least-squares line of y on t = 1..30.
        EXPECT_NEAR(trend.GetCoef(0), 0.72766369437689678, 1e-9);
        EXPECT_NEAR(trend.GetCoef(1), 0.05533159233449586, 1e-9);
        for (int j = 2; j < 5; ++j) EXPECT_EQ(trend.GetCoef(j), 0.0);
        EXPECT_EQ(trend.GetFormula(), "y = 0.7277+0.0553*t");
    }
}

TEST(TrendCurves, RateThatIsNotPositiveFallsBackToTheLine) {
    struct Row { const char* name; std::vector<double> y; };
    const Row rows[] = {
        // 1/y rises: the three sums give a negative rate.
        {"falling logistic", {5, 4, 3.5, 3, 2.5, 2, 1.8, 1.5, 1.2}},
        // 1/y constant: the start value is 0/0.
        {"constant", {2, 2, 2, 2, 2, 2}},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        TimeSeriesMerlox trend(r.y.data(), static_cast<int>(r.y.size()));
        ASSERT_TRUE(trend.Fit(7));
        EXPECT_EQ(trend.Model(), 0);
        EXPECT_EQ(trend.GetCoef(2), 0.0);
    }
}

TEST(TrendCurves, PolynomialWithTooFewPointsReportsTheLineAndZeroesTheRest) {
    const std::vector<double> y = {1, 3, 2, 5, 4};
    TimeSeriesMerlox trend(y.data(), 5);
    ASSERT_TRUE(trend.Fit(3));
    ASSERT_TRUE(trend.Fit(3));  // refit: nothing of an earlier fit remains
    EXPECT_EQ(trend.Model(), 0);
    EXPECT_EQ(trend.GetLineType(), regXY);
    // Line by hand: t = 1..5, Sty = 8, Stt = 10: slope 0.8, intercept 3 - 2.4.
    EXPECT_NEAR(trend.GetCoef(0), 0.6, 1e-12);
    EXPECT_NEAR(trend.GetCoef(1), 0.8, 1e-12);
    for (int j = 2; j < 5; ++j) EXPECT_EQ(trend.GetCoef(j), 0.0);
}

TEST(TrendCurves, FormulaTexts) {
    // Exact quadratic 3 + 0 t + 2 t^2: the zero term is left out.
    std::vector<double> q(8);
    for (int t = 1; t <= 8; ++t) q[t - 1] = 3.0 + 2.0 * t * t;
    TimeSeriesMerlox quad(q.data(), 8);
    ASSERT_TRUE(quad.Fit(1));
    EXPECT_EQ(quad.GetFormula(), "y = 3+2*t^2");
    // Exact exponential and reciprocal trends.
    std::vector<double> e(8), r(8);
    for (int t = 1; t <= 8; ++t) {
        e[t - 1] = std::exp(0.25 - 0.5 * t);
        r[t - 1] = 1.0 / (1.5 + 0.125 * t);
    }
    TimeSeriesMerlox exponential(e.data(), 8), reciprocal(r.data(), 8);
    ASSERT_TRUE(exponential.Fit(4));
    EXPECT_EQ(exponential.GetFormula(), "y = exp(0.25-0.5*t)");
    ASSERT_TRUE(reciprocal.Fit(5));
    EXPECT_EQ(reciprocal.GetFormula(), "y = 1/(1.5+0.125*t)");
    TimeSeriesMerlox boxCox(kSeries.data(), 12);
    ASSERT_TRUE(boxCox.Fit(6));
    EXPECT_EQ(boxCox.GetFormula(), "BCE(y,0.4575)=0.6424+0.3721*t");
}

TEST(TrendCurves, TooFewValuesOrAModelOutOfRangeAreRefused) {
    const double y[] = {1, 2};
    TimeSeriesMerlox trend(y, 2);
    EXPECT_FALSE(trend.Fit(0));
    EXPECT_FALSE(trend.Fit(7));
    EXPECT_EQ(trend.Model(), 0);
    EXPECT_THROW((void)trend.Fit(9), ERangeError);
    EXPECT_THROW((void)trend.GetCoef(5), ERangeError);
}

TEST(TrendCurves, SmallKeptCoefficientsShowTheirDigits) {
    // Exact straight lines with slopes the four-decimal picture would
    // print as 0.
    struct Case {
        double c0, c1;
        const char* formula;
    } cases[] = {
        {5.0, -2.2e-6, "y = 5-2.2E-6*t"},
        {5.0, 3.125e-5, "y = 5+0.00003125*t"},
        {4e-6, 0.5, "y = 4E-6+0.5*t"},
        {5.0, 0.25, "y = 5+0.25*t"},
    };
    for (const Case& c : cases) {
        std::vector<double> y(10);
        for (int t = 1; t <= 10; ++t) y[t - 1] = c.c0 + c.c1 * t;
        TimeSeriesMerlox line(y.data(), 10);
        ASSERT_TRUE(line.Fit(0));
        EXPECT_EQ(line.GetFormula(), c.formula);
    }
}

TEST(TrendCurves, ASeriesWithAGapIsFittedAtItsObservationNumbers) {
    // kSeries at observations 1..4 and 6..13: independent least squares on
    // those t.
    const std::vector<int> numbers = {1, 2, 3, 4, 6, 7, 8, 9, 10, 11, 12, 13};
    struct Row { int model; std::vector<double> coef; };
    const Row rows[] = {
        {0, {0.57260787992495299, 0.93986866791744839}},
        {1, {2.2289544962080172, 0.24942088428003925, 0.049751070525718408}},
    };
    TimeSeriesMerlox trend(kSeries.data(), 12, nullptr, numbers.data());
    for (const Row& r : rows) {
        SCOPED_TRACE(r.model);
        ASSERT_TRUE(trend.Fit(r.model));
        for (std::size_t j = 0; j < r.coef.size(); ++j)
            EXPECT_NEAR(trend.GetCoef(static_cast<int>(j)), r.coef[j], 1e-10 * std::fabs(r.coef[j])) << j;
    }

    // The exact logistic at t = 0..29 without t = 4, numbered 1..4, 6..30.
    std::vector<double> y = Logistic(30);
    y.erase(y.begin() + 4);
    std::vector<int> logisticNumbers;
    for (int k = 1; k <= 30; ++k)
        if (k != 5) logisticNumbers.push_back(k);
    TimeSeriesMerlox logistic(y.data(), 29, nullptr, logisticNumbers.data());
    ASSERT_TRUE(logistic.Fit(7));
    EXPECT_EQ(logistic.Model(), 7);
    EXPECT_NEAR(logistic.GetCoef(0), 0.5, 0.5e-5);
    EXPECT_NEAR(logistic.GetCoef(1), 2.0, 2e-5);
    EXPECT_NEAR(logistic.GetCoef(2), 0.3, 0.3e-5);
}
