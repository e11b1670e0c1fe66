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

constexpr double kScales[] = {1.0, 0x1p-30, 1e-9, 1e9};

// One exact line at every scale; per unit of scale: the coefficients,
// sigma = sqrt(var(y) 2^-23) and the SE of sigma; t is scale-free.
struct LineCase {
    const char* name;
    double slope, intercept;
    bool censorAtZero;  // y = max(0, line), else the line itself
    double coef[2], t[2], sigma, sigmaSe, tRel;
};

const LineCase kLines[] = {
    // y = 2x + 4, every y positive: var(y) = 14; least squares and the main
    // fit's t, 2 / sqrt(14 2^-23 / 17.5) and 4 / sqrt(14 2^-23 x 91 / 105);
    // var sigma^2 = 2 sigma^4 / n, so the SE of sigma is sigma / sqrt(12).
    {"2x + 4", 2.0, 4.0, false, {2.0, 4.0}, {6476.3446480248408719, 3325.9435742869510294},
     0.0012918707573557571243, 0.0012918707573557571243 / 3.4641016151377545870, 1e-12},
    // y = 2x - 3: the first observation, -1, is censored; the maximum over
    // b at the held sigma (Newton's method on b, Amemiya's information).
    {"2x - 3", 2.0, -3.0, false, {2.0001897374180829768, -3.000885441284387225},
     {4896.1208284347213716, -1731.3867766813777088}, 0.0012918707573557571243, 0.00040852540358109157616, 1e-9},
    // y = max(0, 2x - 3): the observed values lie on the line, the censored
    // one inside its region, and least squares does not fit. The likelihood
    // grows without bound as sigma falls; held at the floor (var(y) = 73/6)
    // the censored observation adds nothing and b is least squares on x =
    // 2..6 (Sxx = 10, sum x^2 = 90): t = 2 sqrt(10) / sigma and -3 /
    // (sqrt(1.8) sigma), the SE of sigma sigma / sqrt(10).
    {"max(0, 2x - 3)", 2.0, -3.0, true, {2.0, -3.0}, {5251.5697848814169647, -1856.7103033820142796},
     0.0012043171050576775763, 0.0012043171050576775763 / 3.1622776601683793320, 1e-12},
};

std::unique_ptr<Reg> LineModel(const LineCase& c, double scale) {
    Columns cols(2);
    for (int x = 1; x <= 6; ++x) {
        cols[0].push_back(x);
        const double y = (c.slope * x + c.intercept) * scale;
        cols[1].push_back(c.censorAtZero ? std::max(0.0, y) : y);
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

TEST(TobitPerfectFit, ExactLinesHoldSigmaAtTheFloorInAnyUnits) {
    for (const LineCase& c : kLines) {
        for (double scale : kScales) {
            SCOPED_TRACE(testing::Message() << c.name << ", y x " << scale);
            const auto reg = LineModel(c, scale);
            const TobitProblem pr = MakeTobitProblem(*reg);
            const TobitResult r = TobitEstimate(pr);
            ASSERT_EQ(r.coef.size(), 2u);
            ExpectRel(r.sigma, c.sigma * scale, 1e-14, "sigma", 0);
            for (int j = 0; j < 2; ++j) {
                ExpectRel(r.coef[j], c.coef[j] * scale, 1e-12, "coef", j);
                ASSERT_TRUE(r.StdError(j).has_value()) << j;
                ExpectRel(r.coef[j] / *r.StdError(j), c.t[j], c.tRel, "t", j);
            }
            ASSERT_TRUE(r.SigmaStdError().has_value());
            ExpectRel(*r.SigmaStdError(), c.sigmaSe * scale, c.tRel, "SE of sigma", 0);
            for (double v : r.index) EXPECT_TRUE(std::isfinite(v));
            ExpectFiniteTable(pr, r);
        }
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
