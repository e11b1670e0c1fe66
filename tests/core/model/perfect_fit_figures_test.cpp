// A perfect fit, y an exact linear function of the regressors, by least
// squares and by instrumental variables: its residual variances s2 and
// s2(i) are rounding, and wherever they divide (t and F values, r(i),
// COVRATIO, W(i), Cook's D, DFFITS, the deleted t values, the residuals'
// shares of SSE) they are held at var(y) x 2^-23, so every figure is finite
// and the same whatever the units of y. Sizes (s2, the standard errors)
// are shown as formed: rounding. The residual tests (Durbin-Watson, GK) read
// 0, as for residuals of exactly 0. References from exact rational
// arithmetic (python fractions), square roots taken last with mpmath to 50
// digits.
#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include "core/data/variable.h"
#include "core/model/estimate_rows.h"
#include "core/model/instrumental_fit.h"
#include "simeq/iv_tables.h"
#include "support/model_builder.h"
#include "support/perfect_fit_sample.h"

namespace {

// y in these units, from rounding well below 2^-52 of the values to 1e12.
constexpr double kScales[] = {0x1p-30, 1e-9, 1e-6, 1.0, 1e6, 1e12};

Columns ScaledY(Columns cols, double scale) {
    for (double& v : cols.back()) v *= scale;
    return cols;
}

// |actual - expected| <= rel |expected|, and a finite actual.
void ExpectRel(double actual, double expected, double rel, const std::string& what) {
    EXPECT_TRUE(std::isfinite(actual)) << what;
    EXPECT_NEAR(actual, expected, rel * std::fabs(expected)) << what;
}

// A figure of an exact fit whose every term is a residual: rounding, held
// below this in any units, and never INF or NaN.
void ExpectRoundingOnly(double actual, const std::string& what) {
    EXPECT_TRUE(std::isfinite(actual)) << what;
    EXPECT_LT(std::fabs(actual), 1e-6) << what;
}

// A standard error formed from a perfect fit's s2: rounding beside the
// estimate it belongs to, in any units.
void ExpectRoundingSize(double se, double estimate, const std::string& what) {
    EXPECT_TRUE(std::isfinite(se)) << what;
    EXPECT_GE(se, 0.0) << what;
    EXPECT_LE(se, 1e-12 * std::fabs(estimate)) << what;
}

// x = 1 .. 6, y = 2x + 4: var(y) = 14, Sxx = 17.5. The slope's standard
// error is sqrt(14 x 2^-23 / 17.5), so t = 2 / sqrt(0.8 x 2^-23) =
// 6476.34..., F = t^2 = 5 x 2^23 exactly; the constant term's M_kk is
// 1/6 + 3.5^2 / 17.5 = 13/15. The page shows the level 0.1 % at every scale.
TEST(PerfectFitFigures, StraightLineHasTheSameTAndFInAnyUnits) {
    for (double scale : kScales) {
        SCOPED_TRACE(testing::Message() << "y x " << scale);
        auto reg = MakeModel(ScaledY({{1, 2, 3, 4, 5, 6}, {6, 8, 10, 12, 14, 16}}, scale), {}, {"x", "y"});
        ASSERT_TRUE(reg->SetModel(1, {2, 1, 2}));
        const std::vector<EstimateRow> rows = EstimateRows(*reg);
        ASSERT_EQ(rows.size(), 2u);
        const struct {
            const EstimateRow& row;
            double t;
        } expected[] = {{rows[0], 3325.9435742869510294}, {rows[1], 6476.3446480248408719}};
        for (const auto& e : expected) {
            ExpectRel(e.row.t, e.t, 1e-12, e.row.name + " t");
            EXPECT_EQ(e.row.level, 0.1) << e.row.name;
            ExpectRoundingSize(e.row.se, e.row.b, e.row.name + " SE");
        }
        const std::string se = EstimatesTable(*reg, rows).Cell(3, 1).Shown();
        EXPECT_EQ(se.substr(se.size() - 7), " (0.1%)") << se;
        if (scale == 1.0) {
            EXPECT_EQ(se, "0 (0.1%)");
        }
        ExpectRel(rows[1].f, 41943040.0, 1e-12, "F of x");
        ExpectRel(reg->GetFValue(0), 41943040.0, 1e-12, "the model's F of x");
        EXPECT_EQ(rows[1].mark, "");
        // s2 itself is what the fit left: rounding, far below the floor.
        EXPECT_LT(reg->GetS2(), 14.0 * scale * scale * 0x1p-40);
    }
}

// The thirty-row exact fit (support/perfect_fit_sample.h) by least squares:
// t and F of each coefficient, COVRATIO 1 / (1 - h), and the figures that
// are rounding of the residuals (r(i), t(i), DFFITS, Cook's D, W(i)) near
// 0, not INF or NaN. The deleted t values are finite.
TEST(PerfectFitFigures, MainFitFiguresAreFiniteAndTheSameInAnyUnits) {
    const int swept[] = {0, 1, 2, 4};  // x1, x2, x3, the constant term
    for (double scale : kScales) {
        SCOPED_TRACE(testing::Message() << "y x " << scale);
        auto reg = MakeModel(ScaledY(kPerfectFitColumns, scale));
        ASSERT_TRUE(reg->SetModel(3, {2, 2, 2, 1, 2}));
        reg->ComputeInfluence();
        for (int s = 0; s < 4; ++s) {
            const int j = swept[s];
            ExpectRel(reg->GetCoef(j) / reg->GetHeldStdError(j), kPerfectFitT[s], 1e-11, "t " + std::to_string(j));
            ExpectRoundingSize(reg->GetStdError(j), reg->GetCoef(j), "SE " + std::to_string(j));
            if (j < 3) ExpectRel(reg->GetFValue(j), kPerfectFitF[s], 1e-11, "F " + std::to_string(j));
        }
        reg->ComputeAnalysisData();
        EXPECT_EQ(reg->GetDurbinWatson(), 0.0);
        EXPECT_EQ(reg->GetHetero(), 0.0);
        for (int i = 0; i < 30; ++i) {
            const std::string at = " at " + std::to_string(i);
            ExpectRel(reg->GetAnalysisValue(Reg::kRowCovratio, i), kPerfectFitCovratio[i], 1e-12, "COVRATIO" + at);
            for (int code : {Reg::kRowStudentInternal, Reg::kRowStudentExternal, Reg::kRowDffits, Reg::kRowCooksD,
                             Reg::kRowWelsch, Reg::kRowResidualShare})
                ExpectRoundingOnly(reg->GetAnalysisValue(code, i), "row " + std::to_string(code) + at);
            for (int j : swept)
                EXPECT_TRUE(std::isfinite(reg->GetAnalysisValue(Reg::kRowDeletedTValue + j, i))) << j << at;
        }
    }
}

// The same data by instrumental variables, z1 in place of x1 in the design:
// t and F of the estimator, COVRATIO, and the residuals' figures near 0.
TEST(PerfectFitFigures, InstrumentalFitFiguresAreFiniteAndTheSameInAnyUnits) {
    // Row codes of the estimator's own table.
    constexpr int kStandardized = 6, kStudentized = 7, kShare = 8, kCovratio = 13, kDffits = 14, kCook = 15,
                  kWelsch = 16;
    const int swept[] = {0, 1, 2, 4};
    for (double scale : kScales) {
        SCOPED_TRACE(testing::Message() << "y x " << scale);
        auto data = MakeModel(ScaledY(kPerfectFitColumns, scale),
                              {Var::kExogenous, Var::kExogenous, Var::kExogenous, Var::kEndogenous});
        RegIV iv(*data, 0);
        iv.SetDesignColumn(0, kPerfectFitInstrument);
        ASSERT_TRUE(iv.SelectVariables({2, 2, 2, 1, 2}, 3));
        iv.ComputeInfluence();
        for (int s = 0; s < 4; ++s) {
            const int j = swept[s];
            ExpectRel(iv.GetCoef(j) / iv.GetHeldCoefSE(j), kPerfectFitIvT[s], 1e-11, "t " + std::to_string(j));
            ExpectRoundingSize(iv.GetCoefSE(j), iv.GetCoef(j), "SE " + std::to_string(j));
            ExpectRel(iv.GetFValue(j), kPerfectFitIvF[s], 1e-11, "F " + std::to_string(j));
        }
        iv.ComputeDiagnostics();
        // As the window's summary forms and shows them.
        const IVSummary summary = IVSummaryCells(iv);
        EXPECT_EQ(summary.dw.value, 0.0);
        EXPECT_EQ(summary.gk.value, 0.0);
        EXPECT_EQ(summary.dw.Shown(), "0");
        for (int i = 0; i < 30; ++i) {
            const std::string at = " at " + std::to_string(i);
            ExpectRel(iv.GetAnalysisValue(kCovratio, i), kPerfectFitIvCovratio[i], 1e-12, "COVRATIO" + at);
            for (int code : {kStandardized, kStudentized, kShare, kDffits, kCook, kWelsch})
                ExpectRoundingOnly(iv.GetAnalysisValue(code, i), "row " + std::to_string(code) + at);
        }
    }
}

}  // namespace
