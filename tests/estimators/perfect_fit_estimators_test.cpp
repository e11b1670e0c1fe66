// The analyses of a perfect fit, y an exact linear function of the
// regressors, in any units of y: the residuals are rounding, so figures made
// of their shape read as for residuals of exactly 0, figures that divide by
// a residual variance take it held at var(y) x 2^-23, and sizes show as
// formed. x = 1 .. 6, z = i mod 3 (1, 2, 0, 1, 2, 0), y = 2x + 4: var(y) =
// 14, Sxx = 17.5, so x's t is 2 / sqrt(0.8 x 2^-23) = 6476.3446... and the
// constant's (M_kk = 13/15) 4 / sqrt(14 x 13/15 x 2^-23) = 3325.9435...;
// the regression's F is 70 / (14 x 2^-23) = 5 x 2^23 (mpmath, 50 digits).
#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include "core/model/regression_model.h"
#include "estimators/anova.h"
#include "estimators/chow_test.h"
#include "estimators/jackknife.h"
#include "estimators/jackknife_tables.h"
#include "estimators/mcl_data.h"
#include "estimators/multicollinearity.h"
#include "estimators/multicollinearity_tables.h"
#include "estimators/ridge.h"
#include "estimators/ridge_tables.h"
#include "support/model_builder.h"

namespace {

constexpr double kScales[] = {0x1p-30, 1e-9, 1.0, 1e9};
constexpr double kTOfX = 6476.3446480248408719;
constexpr double kTOfConstant = 3325.9435742869510294;
constexpr double kRegressionF = 41943040.0;

// y = 2x + 4 in the given units; z, not in y, when asked for.
std::unique_ptr<Reg> ExactLine(double scale, bool withZ) {
    std::vector<double> y;
    for (int x = 1; x <= 6; ++x) y.push_back((2.0 * x + 4.0) * scale);
    if (!withZ) {
        auto reg = MakeModel({{1, 2, 3, 4, 5, 6}, y}, {}, {"x", "y"});
        EXPECT_TRUE(reg->SetModel(1, {2, 1, 2}));
        return reg;
    }
    auto reg = MakeModel({{1, 2, 3, 4, 5, 6}, {1, 2, 0, 1, 2, 0}, y}, {}, {"x", "z", "y"});
    EXPECT_TRUE(reg->SetModel(2, {2, 2, 1, 2}));
    return reg;
}

void ExpectRel(double actual, double expected, double rel, const std::string& what) {
    EXPECT_TRUE(std::isfinite(actual)) << what;
    EXPECT_NEAR(actual, expected, rel * std::fabs(expected)) << what;
}

// Ordinary and White covariance give the same t: White's of residuals each
// the size of the floor is the ordinary one of the floor. The standard
// errors are rounding, the covariance of White 0; F divides by the floor.
TEST(PerfectFitEstimators, AnalysisOfVarianceHoldsTheResidualMeanSquare) {
    for (double scale : kScales) {
        for (CovarianceKind kind : {CovarianceKind::kOrdinary, CovarianceKind::kWhite}) {
            SCOPED_TRACE(testing::Message() << "y x " << scale << (kind == CovarianceKind::kWhite ? " White" : ""));
            const auto reg = ExactLine(scale, false);
            const AnovaTable t = ComputeAnova(*reg, kind);
            ASSERT_TRUE(t.f.has_value());
            ExpectRel(*t.f, kRegressionF, 1e-12, "F");
            ASSERT_EQ(t.coefficients.size(), 2u);
            const double expectedT[] = {kTOfX, kTOfConstant};
            for (int s = 0; s < 2; ++s) {
                const AnovaCoefficient& c = t.coefficients[static_cast<std::size_t>(s)];
                ASSERT_TRUE(c.t.has_value()) << c.name;
                ExpectRel(*c.t, expectedT[s], 1e-12, c.name + " t");
                ASSERT_TRUE(c.level.has_value()) << c.name;
                EXPECT_TRUE(std::isfinite(*c.level)) << c.name;
                ASSERT_TRUE(c.stdErr.has_value()) << c.name;
                EXPECT_LE(*c.stdErr, 1e-12 * std::fabs(c.coef)) << c.name;
            }
            if (kind == CovarianceKind::kWhite) {
                for (int a = 0; a < 2; ++a)
                    for (int b = 0; b < 2; ++b) EXPECT_EQ(t.covariance[a][b], 0.0);
            }
        }
    }
}

// No coefficient moves when an observation is left out: the jackknife
// estimates are those of the fit, their standard errors 0, and neither a
// t value nor a standardised residual is shown.
TEST(PerfectFitEstimators, JackknifeOfAPerfectFitHasNoSpread) {
    for (double scale : kScales) {
        SCOPED_TRACE(testing::Message() << "y x " << scale);
        const auto reg = ExactLine(scale, false);
        const auto in = std::make_shared<const JackknifeInput>(JackknifeInputOf(*reg));
        const auto result = std::make_shared<const JackknifeResult>(Jackknife(*in));
        const JackknifeResult& r = *result;
        const ResultTable estimates = JackknifeEstimateTable(*in, r);
        const double coef[] = {2.0 * scale, 4.0 * scale};
        for (int j = 0; j < 2; ++j) {
            ExpectRel(r.coef[static_cast<std::size_t>(j)], coef[j], 1e-12, "b " + std::to_string(j));
            EXPECT_EQ(r.stdErr[static_cast<std::size_t>(j)], 0.0) << j;
            EXPECT_EQ(estimates.Cell(3, j).Shown(), "-") << j;
        }
        const JackknifeResidualTable residuals(in, result);
        for (int i = 0; i < 6; ++i) EXPECT_EQ(residuals.Cell(5, i).Shown(), "-") << i;
    }
}

// Ridge at k = 0 is least squares: the residual shares and studentised
// residuals are rounding over the floor, DW and GK 0, and z's estimate of
// 0 is marked insignificant (t 0, level 100 %), at every scale.
TEST(PerfectFitEstimators, RidgeAtZeroHoldsTheFloor) {
    for (double scale : kScales) {
        SCOPED_TRACE(testing::Message() << "y x " << scale);
        const auto reg = ExactLine(scale, true);
        Ridge ridge(*reg, 0, RidgeModelUseFlags(*reg), "y");
        ASSERT_TRUE(ridge.Estimate(0.0));
        EXPECT_EQ(ridge.DW(), 0.0);
        EXPECT_EQ(ridge.GK(), 0.0);
        for (int i = 0; i < 6; ++i)
            for (int row : {3, 5}) {
                const double v = ridge.GetResult(row, i);
                EXPECT_TRUE(std::isfinite(v)) << row << " at " << i;
                EXPECT_LT(std::fabs(v), 1e-6) << row << " at " << i;
            }
        const ResultTable estimates = RidgeEstimateTable(ridge);
        // The constant term, then x and z.
        EXPECT_EQ(estimates.Cell(2, 1).mark, "");
        EXPECT_EQ(estimates.Cell(2, 2).mark, "**");
    }
}

// The ridge estimate of the multicollinearity window at k = 0: the same
// rule in standardised units.
TEST(PerfectFitEstimators, MulticollinearityRidgeAtZeroHoldsTheFloor) {
    for (double scale : kScales) {
        SCOPED_TRACE(testing::Message() << "y x " << scale);
        const auto reg = ExactLine(scale, true);
        const Multicollinearity mcl(MclDataOf(*reg, false));
        const auto fit = mcl.Fit(0.0);
        ASSERT_TRUE(fit.has_value());
        EXPECT_EQ(fit->dw, 0.0);
        EXPECT_EQ(fit->gk, 0.0);
        for (int i = 0; i < 6; ++i) {
            const auto r = fit->StudentisedResidual(i);
            ASSERT_TRUE(r.has_value()) << i;
            EXPECT_LT(std::fabs(*r), 1e-6) << i;
        }
        const ResultTable estimates = MclEstimateTable(*fit, mcl.Names());
        EXPECT_EQ(estimates.Cell(2, 0).mark, "");
        EXPECT_EQ(estimates.Cell(2, 1).mark, "**");
    }
}

// The structural change test on x = 1 .. 12 split after 6: both parts fit
// exactly. One line through both (y = 2x + 4) gives F 0; two lines (3x + 1
// from x = 7 on) give F = (SSE / 2) / (var(y) 2^-23) with the pooled SSE =
// 5075/286 and var(y) = 5017/44, 1468006400/2249 exactly. Each part's
// slope has t 6476.3446... (b over its error from the floor), its rows are
// rounding over the floor, at every scale.
TEST(PerfectFitEstimators, ChowTestOfExactPartsHoldsTheFloor) {
    const struct {
        double slopeB, constantB, f;
    } cases[] = {{2.0, 4.0, 0.0}, {3.0, 1.0, 652737.39439751000445}};
    for (const auto& c : cases) {
        for (double scale : kScales) {
            SCOPED_TRACE(testing::Message() << "slope of B " << c.slopeB << ", y x " << scale);
            std::vector<double> x, y;
            for (int i = 1; i <= 12; ++i) {
                x.push_back(i);
                y.push_back((i <= 6 ? 2.0 * i + 4.0 : c.slopeB * i + c.constantB) * scale);
            }
            auto reg = MakeModel({x, y}, {}, {"x", "y"});
            ASSERT_TRUE(reg->SetModel(1, {2, 1, 2}));
            const auto r = ComputeChowTest(*reg, {ChowMode::kBoundary, 6, 0, 0});
            ASSERT_TRUE(r.has_value());
            if (c.f == 0.0) {
                EXPECT_EQ(r->f, 0.0);
                EXPECT_EQ(r->level, 100.0);
            } else {
                ExpectRel(r->f, c.f, 1e-12, "F");
                EXPECT_EQ(r->level, 0.1);
            }
            for (const RegData* part : {&r->a, &r->b}) {
                ExpectRel(part->coef[1] / part->heldStdErr[1], kTOfX, 1e-12, "t of the slope");
                EXPECT_LE(part->stdErr[1], 1e-12 * std::fabs(part->coef[1]));
                for (int i = 0; i < part->n; ++i) {
                    EXPECT_LT(std::fabs(part->studentised[static_cast<std::size_t>(i)]), 1e-6) << i;
                    EXPECT_LT(std::fabs(part->share[static_cast<std::size_t>(i)]), 1e-6) << i;
                }
            }
        }
    }
}

}  // namespace
