// Tolerance intervals at every observation: Longley's fitted values and
// bounds at confidence 95 % and probability 90 % (worked out apart from the
// program with exact quantiles), the same bits as the single-point
// interval, an unused variable left out, and no degree of freedom.
#include <gtest/gtest.h>

#include <cmath>

#include "core/model/regression_diagnostics.h"
#include "core/model/tolerance_rows.h"
#include "support/sample_columns.h"

namespace {

// Fitted value, lower and upper bound of observations 1, 8 and 16.
const struct {
    int i;
    double fitted, lower, upper;
} kLongley[] = {
    {0, 60055.65997024028, 58063.58503604276, 62047.734904437806},
    {7, 63774.18035686637, 61684.90091486993, 65863.4597988628},
    {15, 70757.75782519374, 68471.12253155134, 73044.39311883613},
};
// The program's normal quantile is a single-precision approximation.
constexpr double kBoundTolerance = 0.5;

void ExpectSameAsSinglePoints(const Reg& reg, const ToleranceRows& rows) {
    std::vector<double> x(static_cast<std::size_t>(reg.GetVarCount()) + 1);
    for (int i = 0; i < reg.GetObsCount(); ++i) {
        for (int j = 0; j < reg.GetVarCount(); ++j) x[j] = reg.IsExplanatory(j) ? reg.GetValue(i, j) : 0.0;
        double lo = 0, hi = 0;
        EXPECT_EQ(rows.fitted[i], GetToleranceInterval(reg, x, lo, hi, 0.9, 0.95)) << i;
        EXPECT_EQ(rows.lower[i], lo) << i;
        EXPECT_EQ(rows.upper[i], hi) << i;
    }
}

TEST(ToleranceRowsTest, LongleyAtEveryObservation) {
    auto reg = MakeModel(LongleyColumns());
    ASSERT_TRUE(reg->SetModel(6, {2, 2, 2, 2, 2, 2, 0, 2}));
    const ToleranceRows rows = GetObservationToleranceIntervals(*reg, 0.9, 0.95);
    ASSERT_EQ(rows.fitted.size(), 16u);
    for (const auto& c : kLongley) {
        EXPECT_NEAR(rows.fitted[c.i], c.fitted, 1e-4) << c.i;
        EXPECT_NEAR(rows.lower[c.i], c.lower, kBoundTolerance) << c.i;
        EXPECT_NEAR(rows.upper[c.i], c.upper, kBoundTolerance) << c.i;
    }
    ExpectSameAsSinglePoints(*reg, rows);
}

TEST(ToleranceRowsTest, UnusedVariablesStayOutAndNoDegreeOfFreedomGivesNaN) {
    auto reg = MakeModel(LongleyColumns());
    ASSERT_TRUE(reg->SetModel(6, {2, 0, 2, 0, 0, 2, 0, 2}));
    ExpectSameAsSinglePoints(*reg, GetObservationToleranceIntervals(*reg, 0.9, 0.95));

    auto one = MakeModel({{2.0}, {5.0}});
    one->SetDependent(1);
    ASSERT_EQ(one->GetResidualDf(), 0);
    const ToleranceRows rows = GetObservationToleranceIntervals(*one, 0.9, 0.95);
    ASSERT_EQ(rows.fitted.size(), 1u);
    EXPECT_EQ(rows.fitted[0], 5.0);
    EXPECT_TRUE(std::isnan(rows.lower[0]));
}

}  // namespace
