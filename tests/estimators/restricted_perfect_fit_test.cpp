// Restrictions on data fitted exactly, at y x 1, 2^-30, 1e-9 and 1e9: a false
// restriction is rejected by F = ((SSE_r - SSE_u) / m) / floor with the
// floor var(y) x 2^-23, the same F in any units; a true one gives F = 0, a
// restricted fit whose DW and GK read 0, standardised residuals and residual
// shares near 0, and a prediction whose bounds are finite and, from s2 as
// formed (rounding), the predicted value itself.
//
// References: SSE_r, var(y) and DW in exact fractions; the exact levels
// with mpmath at 50 digits. Levels are shown in steps of 0.1 %: one far
// below the first step reads 0.1 %.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "core/settings/engine_context.h"
#include "estimators/prediction.h"
#include "estimators/restricted.h"
#include "estimators/restricted_tables.h"
#include "support/model_builder.h"

namespace {

struct ExactFit {
    const char* what;
    bool withZ;  // y = 2x + 0.5z + 4 with z = i mod 3, else y = 2x + 4
    // The restriction X = 0 (false); its exact level, in percent.
    double falseF, falseLevelPercent, falseDw;
    // X = 2 (true): the prediction at X = 1 (Z = 1).
    double predicted;
};

const ExactFit kFits[] = {
    // F = 70 / (14 x 2^-23) on F(1, 4); DW = 2/7.
    {"y = 2x + 4", false, 41943040.0, 3.4106045895474625041e-13, 0.2857142857142857, 6.0},
    // F = 66 / (67/5 x 2^-23) on F(1, 3); DW = 9/22.
    {"y = 2x + 0.5z + 4", true, 41317024.477611940299, 8.3038051909097830259e-10, 0.40909090909090909, 6.5},
};

const double kScales[] = {1.0, 0x1p-30, 1e-9, 1e9};

Columns ColumnsOf(const ExactFit& d, double scale) {
    std::vector<double> x, z, y;
    for (int i = 1; i <= 6; ++i) {
        x.push_back(i);
        z.push_back(i % 3);
        y.push_back((2.0 * i + (d.withZ ? 0.5 * (i % 3) : 0.0) + 4.0) * scale);
    }
    if (d.withZ) return {x, z, y};
    return {x, y};
}

// The single restriction b_X = value.
bool FitWithSlope(Restricted& est, double value) {
    for (int i = 0; i < est.K(); ++i) est.SetRestrictionCoefficient(0, i, i == 0 ? 1.0 : 0.0);
    est.SetRestrictionValue(0, value);
    return est.Estimate();
}

// One data set at one scale; a failed step ends only this case.
void CheckExactFit(const ExactFit& d, double scale) {
    const Columns cols = ColumnsOf(d, scale);
    EngineContext context;
    const std::vector<std::string> names = d.withZ ? std::vector<std::string>{"X", "Z", "Y"}
                                                   : std::vector<std::string>{"X", "Y"};
    auto model = MakeModel(cols, {}, names, &context);
    Restricted est(*model, 0, std::vector<std::uint8_t>(cols.size(), 1), "Y");

    // The initial restriction repeats the unrestricted fit.
    EXPECT_TRUE(est.Estimate());
    EXPECT_EQ(est.F(), 0.0);

    EXPECT_TRUE(FitWithSlope(est, 0.0));
    EXPECT_NEAR(est.F(), d.falseF, 1e-12 * d.falseF);
    RestrictedFigures figures = RestrictedStatistics(est, false);
    // The first step, above the exact level.
    EXPECT_EQ(figures.fLevel.value, 0.1);
    EXPECT_LT(d.falseLevelPercent, figures.fLevel.value);
    EXPECT_EQ(figures.fLevel.Shown(), "0.1%");
    EXPECT_NEAR(est.DW(), d.falseDw, 1e-12);

    EXPECT_TRUE(FitWithSlope(est, 2.0 * scale));
    EXPECT_EQ(est.F(), 0.0);
    figures = RestrictedStatistics(est, false);
    EXPECT_EQ(figures.fLevel.Shown(), "100.0%");
    EXPECT_EQ(est.DW(), 0.0);
    EXPECT_EQ(est.GK(), 0.0);
    for (double z : RestrictedStandardizedResiduals(est)) EXPECT_LE(std::fabs(z), 0x1p-20);
    for (double share : RestrictedDisplaySeries(est, 200).x) EXPECT_LE(std::fabs(share), 0x1p-20);

    const std::vector<double> at(static_cast<std::size_t>(est.K() - 1), 1.0);
    const TolerancePrediction p = PredictFromTexts(est.ForPrediction(), at, context.Evaluator(), "95", "90");
    EXPECT_NEAR(p.predicted / scale, d.predicted, 1e-13);
    for (double bound : {p.lower, p.upper}) {
        EXPECT_TRUE(std::isfinite(bound));
        EXPECT_NEAR(bound / scale, d.predicted, 1e-12);
    }
}

}  // namespace

TEST(RestrictedPerfectFitTest, FalseRestrictionRejectedTrueOneKeptInAnyUnits) {
    for (const ExactFit& d : kFits) {
        for (double scale : kScales) {
            char trace[64];
            std::snprintf(trace, sizeof trace, " at y x %g", scale);
            SCOPED_TRACE(d.what + std::string(trace));
            CheckExactFit(d, scale);
        }
    }
}
