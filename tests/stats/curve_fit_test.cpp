// The curve fitter against independent least-squares fits of every family,
// its fallbacks to the straight line, the Box-Cox lambda search against the
// profile likelihood, the tolerance band against its formula with
// independently computed quantiles, and swapping x and y.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "core/numeric/thread_pool.h"
#include "platform/errors.h"
#include "stats/box_cox_search.h"
#include "stats/curve_fit.h"
#include "support/expect_exception.h"
#include "curve_fit_cases.h"

namespace {

void ExpectClose(double actual, double expected, double rel, const std::string& what) {
    EXPECT_NEAR(actual, expected, rel * std::max(1.0, std::fabs(expected))) << what;
}

void ExpectColumn(const TSRA& f, double (TSRA::*get)(int) const, const std::vector<double>& expected,
                  const char* name) {
    for (int i = 0; i < f.N(); ++i) ExpectClose((f.*get)(i), expected[i], 1e-9, std::string(name) + "[" + std::to_string(i) + "]");
}

TSRA MakeFit(const std::vector<double>& x, const std::vector<double>& y, ThreadPool* pool = nullptr) {
    return TSRA("x", x.data(), "y", y.data(), static_cast<int>(x.size()), pool);
}

}  // namespace

TEST(CurveFit, EveryFamilyEqualsIndependentFitOnTransformedData) {
    for (const FamilyCase& c : kFamilyCases) {
        SCOPED_TRACE("type " + std::to_string(c.type));
        TSRA f = MakeFit(kCurveX, kCurveY);
        ASSERT_TRUE(f.FitCurve(c.type));
        ASSERT_EQ(f.Type(), c.type);
        const int p = f.ParamCount();
        ASSERT_EQ(p, static_cast<int>(c.coef.size()));
        EXPECT_EQ(f.Df(), 8 - p);
        if (c.type >= 10) {
            EXPECT_DOUBLE_EQ(f.Lambda(), c.lambda);
        }
        for (int j = 0; j < p; ++j) {
            ExpectClose(f.GetCoef(j), c.coef[j], 1e-9, "coef " + std::to_string(j));
            ExpectClose(f.GetCoefSE(j), c.se[j], 1e-9, "se " + std::to_string(j));
        }
        ExpectClose(f.SSE(), c.sse, 1e-9, "SSE");
        ExpectClose(f.Syy(), c.syy, 1e-9, "Syy");
        ExpectClose(f.S2(), c.s2, 1e-9, "s2");
        ExpectClose(f.R2(), c.r2, 1e-9, "R2");
        ExpectClose(f.AdjR2(), c.adjR2, 1e-9, "adjusted R2");
        ExpectClose(f.Press(), c.press, 1e-9, "PRESS");
        ExpectClose(f.GetDurbinWatson(), c.dw, 1e-9, "DW");
        ExpectClose(f.GetHeteroskedasticity(), c.gk, 1e-8, "GK");
        ASSERT_TRUE(f.HasLeaveOneOut());
        ExpectColumn(f, &TSRA::GetLeverage, c.leverage, "h");
        ExpectColumn(f, &TSRA::GetFitted, c.fitted, "fitted");
        ExpectColumn(f, &TSRA::GetResidual, c.residual, "e");
        ExpectColumn(f, &TSRA::GetResidualSE, c.residualSE, "SIG(RES)");
        ExpectColumn(f, &TSRA::GetStudentized, c.studentized, "t");
        ExpectColumn(f, &TSRA::GetWelsch, c.welsch, "Welsch");
        ExpectColumn(f, &TSRA::GetCovRatio, c.covratio, "COVRATIO");
        for (int i = 0; i < f.N(); ++i)
            for (int j = 0; j < p; ++j)
                ExpectClose(f.GetDfbeta(i, j), c.dfbeta[i][j], 1e-9, "DFBETA " + std::to_string(i) + "," + std::to_string(j));
    }
}

TEST(CurveFit, LabelsNameTheTransforms) {
    struct Row { int type; const char* x; const char* y; };
    const Row rows[] = {{0, "x", "y"}, {3, "x", "y"}, {4, "ln(x)", "ln(y)"}, {5, "x", "ln(y)"}, {6, "ln(x)", "y"},
                        {7, "1/x", "1/y"}, {8, "1/x", "y"}, {9, "x", "1/y"}, {10, "x", "BCE(y)"},
                        {11, "BCE(x)", "y"}, {12, "BCE(x)", "BCE(y)"}};
    TSRA f = MakeFit(kCurveX, kCurveY);
    for (const Row& r : rows) {
        ASSERT_TRUE(f.FitCurve(r.type));
        EXPECT_EQ(f.XLabel(), r.x) << r.type;
        EXPECT_EQ(f.YLabel(), r.y) << r.type;
    }
}

// Each family whose transform is undefined for the data, or which has too
// few points, ends as the straight line of the raw data.
TEST(CurveFit, UnsuitableDataFallBackToTheStraightLine) {
    struct Row { const char* name; std::vector<double> x, y; int type; };
    const Row rows[] = {
        {"quadratic with 4 points", {1, 2, 3, 4}, {1, 4, 8, 17}, 1},
        {"quartic with 6 points", {1, 2, 3, 4, 5, 6}, {1, 4, 8, 17, 20, 40}, 3},
        {"ln x with x = 0", {0, 1, 2, 3, 4}, {1, 2, 4, 3, 5}, 6},
        {"ln y with y < 0", {1, 2, 3, 4, 5}, {1, -2, 4, 3, 5}, 5},
        {"1/x with x = 0", {0, 1, 2, 3, 4}, {1, 2, 4, 3, 5}, 8},
        {"1/y with y = 0", {1, 2, 3, 4, 5}, {1, 0, 4, 3, 5}, 9},
        {"Box-Cox of y with y = 0", {1, 2, 3, 4, 5}, {1, 0, 4, 3, 5}, 10},
        {"Box-Cox of x with x < 0", {-1, 2, 3, 4, 5}, {1, 2, 4, 3, 5}, 11},
        {"Box-Cox of both with y < 0", {1, 2, 3, 4, 5}, {1, 2, -4, 3, 5}, 12},
        {"ln of both, 3 points", {1, 2, 3}, {1, 2, 4}, 4},
        {"cubic on two distinct x", {1, 1, 2, 2, 1, 2}, {1, 2, 3, 4, 5, 6}, 2},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        TSRA line = MakeFit(r.x, r.y);
        ASSERT_TRUE(line.FitCurve(0));
        TSRA f = MakeFit(r.x, r.y);
        ASSERT_TRUE(f.FitCurve(r.type));
        EXPECT_EQ(f.Type(), 0);
        EXPECT_EQ(f.ParamCount(), 2);
        EXPECT_EQ(f.XLabel(), "x");
        EXPECT_EQ(f.YLabel(), "y");
        for (int j = 0; j < 2; ++j) {
            EXPECT_DOUBLE_EQ(f.GetCoef(j), line.GetCoef(j));
            EXPECT_TRUE(std::isfinite(f.GetCoefSE(j)));
        }
        EXPECT_TRUE(std::isfinite(f.R2()));
    }
}

TEST(CurveFit, StraightLineOfFourPointsByHand) {
    // x = 1..4, y = 1, 3, 2, 5 by hand: b = 5.5 / 5 = 1.1, a = 0, SSE = 8.75 - 1.1 * 5.5.
    const std::vector<double> x = {1, 2, 3, 4}, y = {1, 3, 2, 5};
    TSRA f = MakeFit(x, y);
    ASSERT_TRUE(f.FitCurve(0));
    EXPECT_NEAR(f.GetCoef(0), 1.1, 1e-14);
    EXPECT_NEAR(f.GetCoef(1), 0.0, 1e-14);
    EXPECT_NEAR(f.SSE(), 2.7, 1e-13);
    EXPECT_NEAR(f.GetLeverage(0), 0.7, 1e-14);  // 1/4 + 2.25/5
}

TEST(CurveFit, FewerThanThreePointsAreRefused) {
    const double x[] = {1, 2}, y[] = {3, 5};
    ExpectExceptionMessage([&] { TSRA f("x", x, "y", y, 2); }, "自由度不足", "two points");
}

TEST(CurveFit, OneResidualDegreeOfFreedomLeavesOutTheDeletionColumns) {
    // Three points: slope 1.5, intercept 1/3 - hand: x = 1,2,3, y = 2,3,5.
    const std::vector<double> x = {1, 2, 3}, y = {2, 3, 5};
    TSRA f = MakeFit(x, y);
    ASSERT_TRUE(f.FitCurve(0));
    EXPECT_EQ(f.Df(), 1);
    EXPECT_NEAR(f.GetCoef(0), 1.5, 1e-14);
    EXPECT_NEAR(f.GetCoef(1), 1.0 / 3.0, 1e-14);
    EXPECT_NEAR(f.SSE(), 1.0 / 6.0, 1e-14);
    EXPECT_FALSE(f.HasLeaveOneOut());
    for (int i = 0; i < 3; ++i) {
        EXPECT_TRUE(std::isfinite(f.GetLeverage(i)));
        EXPECT_EQ(f.GetStudentized(i), 0.0);
        EXPECT_EQ(f.GetCovRatio(i), 0.0);
    }
}

TEST(CurveFit, ConstantResponseGivesZeroFitAndUnitCovratio) {
    const std::vector<double> x = {1, 2, 3, 4, 5}, y = {2, 2, 2, 2, 2};
    TSRA f = MakeFit(x, y);
    ASSERT_TRUE(f.FitCurve(0));
    EXPECT_EQ(f.Syy(), 0.0);
    EXPECT_EQ(f.R2(), 0.0);
    EXPECT_EQ(f.AdjR2(), 0.0);
    for (int i = 0; i < 5; ++i) EXPECT_EQ(f.GetCovRatio(i), 1.0);
}

TEST(CurveFit, AdjustedR2IsNeverNegative) {
    // Hand: y has no linear trend in x, R2 = 4 / (17.5 * 13.33) = 0.017, adjusted below 0.
    const std::vector<double> x = {1, 2, 3, 4, 5, 6}, y = {3, 1, 4, 1, 5, 2};
    TSRA f = MakeFit(x, y);
    ASSERT_TRUE(f.FitCurve(0));
    EXPECT_GT(f.R2(), 0.0);
    EXPECT_EQ(f.AdjR2(), 0.0);
}

TEST(CurveFit, DataThatAreNoNumbersOrAConstantXFailTheFit) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const std::vector<double> x1 = {1, 2, nan, 4}, y1 = {1, 2, 3, 4};
    TSRA f1 = MakeFit(x1, y1);
    EXPECT_FALSE(f1.FitCurve(0));
    EXPECT_FALSE(f1.Fitted());
    const std::vector<double> x2 = {3, 3, 3, 3}, y2 = {1, 2, 3, 4};
    TSRA f2 = MakeFit(x2, y2);
    EXPECT_FALSE(f2.FitCurve(1));
    EXPECT_EQ(f2.Type(), 0);
    EXPECT_THROW((void)f2.FitCurve(13), ERangeError);
}

TEST(CurveFit, SwapFitsXOnYAndTwiceGivesTheFirstFitBack) {
    TSRA f = MakeFit(kCurveX, kCurveY);
    ASSERT_TRUE(f.FitCurve(0));
    const double a = f.GetCoef(1), b = f.GetCoef(0);
    ASSERT_TRUE(f.SwapXY());
    EXPECT_EQ(f.XName(), "y");
    EXPECT_EQ(f.YLabel(), "x");
    // Independent fit of x on y.
    ExpectClose(f.GetCoef(0), 0.49712805996483864, 1e-9, "slope");
    ExpectClose(f.GetCoef(1), 0.46984875506952901, 1e-9, "intercept");
    ExpectClose(f.GetCoefSE(0), 0.026270995708201082, 1e-9, "se slope");
    ExpectClose(f.GetCoefSE(1), 0.27200473122384037, 1e-9, "se intercept");
    ASSERT_TRUE(f.SwapXY());
    EXPECT_EQ(f.GetCoef(0), b);
    EXPECT_EQ(f.GetCoef(1), a);
    EXPECT_EQ(f.XName(), "x");
}

TEST(CurveFit, ResultsDoNotDependOnTheThreadCount) {
    std::vector<double> x(20000), y(20000);
    for (int i = 0; i < 20000; ++i) {
        x[i] = 1.0 + i * 0.01;
        y[i] = 3.0 + 0.5 * x[i] + std::sin(i * 0.7);
    }
    ThreadPool pool(3);
    TSRA one = MakeFit(x, y), many = MakeFit(x, y, &pool);
    ASSERT_TRUE(one.FitCurve(10));
    ASSERT_TRUE(many.FitCurve(10));
    EXPECT_EQ(one.Lambda(), many.Lambda());
    EXPECT_EQ(one.Press(), many.Press());
    for (int i = 0; i < 20000; i += 997) {
        EXPECT_EQ(one.GetStudentized(i), many.GetStudentized(i));
        EXPECT_EQ(one.GetDfbeta(i, 1), many.GetDfbeta(i, 1));
    }
}

TEST(CurveFit, DesignRowsHoldRegressorsResponseAndOne) {
    TSRA f = MakeFit(kCurveX, kCurveY);
    ASSERT_TRUE(f.FitCurve(1));
    for (int i = 0; i < 8; ++i) {
        EXPECT_EQ(f.GetDesign(i, 0), kCurveX[i]);
        EXPECT_EQ(f.GetDesign(i, 1), kCurveX[i] * kCurveX[i]);
        EXPECT_EQ(f.GetDesign(i, 2), kCurveY[i]);
        EXPECT_EQ(f.GetDesign(i, 3), 1.0);
    }
    // The swept moments hold the slopes in the response column, the
    // intercept below them and SSE on the diagonal.
    EXPECT_NEAR(f.GetMoment(0, 2), f.GetCoef(0), 1e-15);
    EXPECT_NEAR(f.GetMoment(3, 2), f.GetCoef(2), 1e-12);
    EXPECT_NEAR(f.GetMoment(2, 2), f.SSE(), 1e-12);
    EXPECT_THROW((void)f.GetDesign(0, 4), ERangeError);
    EXPECT_THROW((void)f.GetLeverage(8), ERangeError);
}
