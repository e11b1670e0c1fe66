// Tobit on data the regression fits exactly. The likelihood then has no
// maximum at a sigma above 0, and sigma is held at the root of the variance
// floor, var(y) x 2^-23 (var with divisor n - 1): the figures are finite and
// the same in any units of y. With nothing censored the coefficients are
// the least-squares ones and the information for b is X'X / sigma^2, so
// t = b / sqrt(c_jj var(y) 2^-23), the main fit's t. References from exact
// rational arithmetic (python fractions) on the doubles the test forms,
// square roots and the censored case's maximum at the held sigma (Newton's
// method on b, Amemiya's information) with mpmath at 50 digits.
#include "estimators/tobit.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

#include "estimators/tobit_tables.h"
#include "support/model_builder.h"
#include "support/perfect_fit_sample.h"

namespace {

struct ScaleCase {
    const char* name;
    double scale;
    double sigma;  // sqrt(var(y) 2^-23) of the y the test forms
};

// y = (2x + 4) scale for x = 1..6, every y positive: var(y) = 14 scale^2.
const ScaleCase kUncensoredScales[] = {
    {"y x 1", 1.0, 0.0012918707573557571243},
    {"y x 2^-30", 0x1p-30, 1.2031483998110118548e-12},
    {"y x 1e-9", 1e-9, 1.2918707573557572124e-12},
    {"y x 1e9", 1e9, 1291870.7573557571243},
};
// 2 / sqrt(14 2^-23 / 17.5) and 4 / sqrt(14 2^-23 x 91 / 105).
constexpr double kUncensoredT[] = {6476.3446480248408719, 3325.9435742869510294};

// y = (2x - 3) scale: the first observation, -scale, is censored.
const ScaleCase kCensoredScales[] = {
    {"y x 1", 1.0, 0.0012918707573557571243},
    {"y x 2^-30", 0x1p-30, 1.2031483998110118548e-12},
    {"y x 1e-9", 1e-9, 1.2918707573557572658e-12},
    {"y x 1e9", 1e9, 1291870.7573557571243},
};
// The maximum over b at the held sigma, per unit of scale, and its t.
constexpr double kCensoredCoef[] = {2.0001897374180829768, -3.000885441284387225};
constexpr double kCensoredT[] = {4896.1208284347213716, -1731.3867766813777088};
// sqrt(var sigma^2) / (2 sigma) per unit of scale.
constexpr double kCensoredSigmaSe = 0.00040852540358109157616;

// y = max(0, (2x - 3) scale): the observed values lie on the line, the
// censored one inside its region (index -scale, y = 0), and least squares
// does not fit. The likelihood grows without bound as sigma falls; held at
// the floor (var(y) = 73/6 scale^2), the censored observation adds nothing
// and b is least squares on the observed rows x = 2..6 (Sxx = 10, sum
// x^2 = 90): t = 2 sqrt(10) / sigma and -3 / (sqrt(1.8) sigma), and the SE
// of sigma sigma / sqrt(10).
const ScaleCase kInsideScales[] = {
    {"y x 1", 1.0, 0.0012043171050576775763},
    {"y x 2^-30", 0x1p-30, 1.1216077069357760029e-12},
    {"y x 1e-9", 1e-9, 1.204317105057677714e-12},
    {"y x 1e9", 1e9, 1204317.1050576775763},
};
constexpr double kInsideT[] = {5251.5697848814169647, -1856.7103033820142796};

std::unique_ptr<Reg> LineModel(double slope, double intercept, double scale, bool censorAtZero = false) {
    Columns cols(2);
    for (int x = 1; x <= 6; ++x) {
        cols[0].push_back(x);
        const double y = (slope * x + intercept) * scale;
        cols[1].push_back(censorAtZero ? std::max(0.0, y) : y);
    }
    auto reg = MakeModel(cols, {}, {"x", "y"});
    EXPECT_TRUE(reg->SetModel(1, {Reg::kRoleExplanatory, Reg::kRoleDependent, Reg::kRoleExplanatory}));
    return reg;
}

// Every figure of the estimates table is a finite number.
void ExpectFiniteTable(const TobitProblem& pr, const TobitResult& r) {
    const ResultTable t = TobitEstimateTable(pr, r);
    for (int row = 0; row < t.RowCount(); ++row)
        for (int column = 1; column <= 3; ++column)
            EXPECT_TRUE(std::isfinite(t.Cell(column, row).value)) << column << " " << row;
    EXPECT_TRUE(std::isfinite(TobitSigmaCell(r).value));
    EXPECT_TRUE(std::isfinite(TobitSigmaStdErrorCell(r).value));
}

}  // namespace

TEST(TobitPerfectFit, NothingCensoredGivesLeastSquaresAndTheMainFitsT) {
    for (const ScaleCase& c : kUncensoredScales) {
        SCOPED_TRACE(c.name);
        const auto reg = LineModel(2.0, 4.0, c.scale);
        const TobitProblem pr = MakeTobitProblem(*reg);
        const TobitResult r = TobitEstimate(pr);
        ASSERT_EQ(r.coef.size(), 2u);
        ExpectRel(r.coef[0], 2.0 * c.scale, 1e-14, "coef", 0);
        ExpectRel(r.coef[1], 4.0 * c.scale, 1e-14, "coef", 1);
        ExpectRel(r.sigma, c.sigma, 1e-14, "sigma", 0);
        for (int j = 0; j < 2; ++j) {
            ASSERT_TRUE(r.StdError(j).has_value()) << j;
            ExpectRel(r.coef[j] / *r.StdError(j), kUncensoredT[j], 1e-12, "t", j);
        }
        // var sigma^2 = 2 sigma^4 / n: sigma / sqrt(12).
        ASSERT_TRUE(r.SigmaStdError().has_value());
        ExpectRel(*r.SigmaStdError(), c.sigma / std::sqrt(12.0), 1e-12, "SE of sigma", 0);
        ExpectFiniteTable(pr, r);
    }
}

// Three regressors and 30 observations, all positive: the t values of the
// main fit's perfect-fit sample.
TEST(TobitPerfectFit, ThreeRegressorsKeepTheMainFitsT) {
    auto reg = MakeModel(kPerfectFitColumns, {}, {"x1", "x2", "x3", "y"});
    ASSERT_TRUE(reg->SetModel(3, {2, 2, 2, 1, 2}));
    const TobitProblem pr = MakeTobitProblem(*reg);
    const TobitResult r = TobitEstimate(pr);
    ASSERT_EQ(r.coef.size(), 4u);
    const double coef[] = {2.0, -0.5, 0.25, 3.0};
    for (int j = 0; j < 4; ++j) {
        ExpectRel(r.coef[j], coef[j], 1e-13, "coef", j);
        ASSERT_TRUE(r.StdError(j).has_value()) << j;
        ExpectRel(r.coef[j] / *r.StdError(j), kPerfectFitT[j], 1e-11, "t", j);
    }
    // sqrt(87217 / 1740 x 2^-23)
    ExpectRel(r.sigma, 0.0024444490960521014281, 1e-14, "sigma", 0);
}

TEST(TobitPerfectFit, ACensoredObservationHoldsSigmaAtTheFloor) {
    for (const ScaleCase& c : kCensoredScales) {
        SCOPED_TRACE(c.name);
        const auto reg = LineModel(2.0, -3.0, c.scale);
        const TobitProblem pr = MakeTobitProblem(*reg);
        const TobitResult r = TobitEstimate(pr);
        ASSERT_EQ(r.coef.size(), 2u);
        EXPECT_EQ(r.positiveCount, 5);
        ExpectRel(r.sigma, c.sigma, 1e-14, "sigma", 0);
        for (int j = 0; j < 2; ++j) {
            ExpectRel(r.coef[j], kCensoredCoef[j] * c.scale, 1e-12, "coef", j);
            ASSERT_TRUE(r.StdError(j).has_value()) << j;
            ExpectRel(r.coef[j] / *r.StdError(j), kCensoredT[j], 1e-9, "t", j);
        }
        ASSERT_TRUE(r.SigmaStdError().has_value());
        ExpectRel(*r.SigmaStdError(), kCensoredSigmaSe * c.scale, 1e-9, "SE of sigma", 0);
        for (double v : r.index) EXPECT_TRUE(std::isfinite(v));
        ExpectFiniteTable(pr, r);
    }
}

TEST(TobitPerfectFit, ObservedValuesOnALineHoldSigmaAtTheFloor) {
    for (const ScaleCase& c : kInsideScales) {
        SCOPED_TRACE(c.name);
        const auto reg = LineModel(2.0, -3.0, c.scale, true);
        const TobitProblem pr = MakeTobitProblem(*reg);
        const TobitResult r = TobitEstimate(pr);
        ASSERT_EQ(r.coef.size(), 2u);
        EXPECT_EQ(r.positiveCount, 5);
        ExpectRel(r.sigma, c.sigma, 1e-14, "sigma", 0);
        ExpectRel(r.coef[0], 2.0 * c.scale, 1e-13, "coef", 0);
        ExpectRel(r.coef[1], -3.0 * c.scale, 1e-13, "coef", 1);
        for (int j = 0; j < 2; ++j) {
            ASSERT_TRUE(r.StdError(j).has_value()) << j;
            ExpectRel(r.coef[j] / *r.StdError(j), kInsideT[j], 1e-12, "t", j);
        }
        ASSERT_TRUE(r.SigmaStdError().has_value());
        ExpectRel(*r.SigmaStdError(), c.sigma / std::sqrt(10.0), 1e-12, "SE of sigma", 0);
        ExpectFiniteTable(pr, r);
    }
}
