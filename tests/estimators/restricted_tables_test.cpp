// What the restricted regression window reads from a fit: the layout of the
// table of estimates and restrictions, the standardised residuals against
// an independent computation, and the series of the lag displays.
#include "estimators/restricted_tables.h"

#include <gtest/gtest.h>

#include "core/model/regression_model.h"
#include "support/model_builder.h"
#include "support/sample_columns.h"

namespace {

// b1 + b2 = 1.6 on the nearly collinear sample, and a second restriction
// b0 = 1 not yet estimated.
struct SumRestriction {
    std::unique_ptr<Reg> model = MakeModel(NearlyCollinearColumns());
    Restricted est{*model, 0, {1, 1, 1, 1}, "VAR3"};
    SumRestriction() {
        est.SetRestrictionCoefficient(0, 0, 0.0);
        est.SetRestrictionCoefficient(0, 1, 1.0);
        est.SetRestrictionCoefficient(0, 2, 1.0);
        est.SetRestrictionValue(0, 1.6);
        EXPECT_TRUE(est.Estimate());
    }
};

}  // namespace

TEST(RestrictedTables, TableHoldsValuesEstimatesAndOneColumnPerRestriction) {
    SumRestriction s;
    s.est.AddRestriction();
    s.est.SetRestrictionCoefficient(1, 0, 1.0);
    s.est.SetRestrictionValue(1, 1.0);
    const ResultTable t = RestrictedTable(s.est);
    ASSERT_EQ(t.ColumnCount(), 5);
    ASSERT_EQ(t.RowCount(), 5);
    const std::vector<std::string> titles = {"VAR3", "β推定値", "β標準誤差", "制約1", "制約2"};
    for (int c = 0; c < 5; ++c) EXPECT_EQ(t.Title(c), titles[static_cast<std::size_t>(c)]);
    const std::vector<std::string> valueRow = {"制約値", "---", "--->", "1.6000", "1.0000"};
    for (int c = 0; c < 5; ++c) EXPECT_EQ(t.Cell(c, 0).Shown(), valueRow[static_cast<std::size_t>(c)]);
    EXPECT_EQ(t.Cell(0, 4).text, "定数項");
    EXPECT_EQ(t.Cell(1, 2).value, s.est.GetCoefficient(1));
    EXPECT_EQ(t.Cell(3, 2).value, 1.0);  // b1 in the first restriction
    EXPECT_EQ(t.Cell(4, 1).value, 1.0);  // b0 in the second
    EXPECT_EQ(t.Cell(4, 2).value, 0.0);
}

TEST(RestrictedTables, StandardizedResidualsAndLagDisplays) {
    SumRestriction s;
    // e_i / sqrt(s2 (1 - h_i)) with h_i = x_i' A (X'X)^-1 x_i, in 50 digits.
    const std::vector<double> z = RestrictedStandardizedResiduals(s.est);
    ASSERT_EQ(z.size(), 12u);
    const struct {
        int i;
        double z;
    } want[] = {{0, 0.96799503908410053}, {5, 0.055946664123627356}, {11, 0.71516188257767081}};
    for (const auto& w : want) EXPECT_NEAR(z[static_cast<std::size_t>(w.i)], w.z, 1e-12) << w.i;

    const RestrictedDisplay lag4 = RestrictedDisplaySeries(s.est, 204);
    ASSERT_EQ(lag4.x.size(), 8u);
    EXPECT_EQ(lag4.yName, "e(i-4)");
    EXPECT_EQ(lag4.x[0], s.est.GetResidual(4));
    EXPECT_EQ(lag4.y[0], s.est.GetResidual(0));
    EXPECT_TRUE(RestrictedDisplaySeries(s.est, 206).x.empty());

    // Seven observations leave three points at lag 4: no display.
    auto small = MakeModel({{1, 2, 3, 4, 5, 6, 7}, {2.1, 3.9, 6.2, 7.8, 10.1, 12.2, 13.8}});
    Restricted few(*small, 0, {1, 1}, "VAR1");
    ASSERT_TRUE(few.Estimate());
    EXPECT_EQ(RestrictedDisplaySeries(few, 203).x.size(), 4u);
    EXPECT_TRUE(RestrictedDisplaySeries(few, 204).x.empty());
}

TEST(RestrictedTables, LongleyTestOfAZeroCoefficientUsesTheUnrestrictedDegreesOfFreedom) {
    // GNPDEF, the first regressor, at 0: the level is the upper tail of
    // F(1, n - k = 9) at F (86.3141 %, exact arithmetic), shown at the next 0.1 % step.
    const Columns& cols = LongleyColumns();
    auto model = MakeModel(cols);
    Restricted est(*model, 0, std::vector<std::uint8_t>(cols.size(), 1), "VAR6");
    for (int i = 0; i < est.K(); ++i) est.SetRestrictionCoefficient(0, i, i == 0 ? 1.0 : 0.0);
    est.SetRestrictionValue(0, 0.0);
    ASSERT_TRUE(est.Estimate());
    EXPECT_EQ(est.GetTestDegreesOfFreedom(), 9);
    const RestrictedFigures f = RestrictedStatistics(est, false);
    EXPECT_NEAR(f.fLevel.value, 86.4, 1e-9);
    EXPECT_EQ(f.fLevel.Shown(), "86.4%");
}

// The order condition counts a coefficient as in the equation by its size
// in the data's own units: Longley's GNP (endogenous), UNEMP and ARMED on
// EMPLOY (endogenous), with GNP or UNEMP written in other units.
TEST(RestrictedTables, IdentificationDoesNotDependOnTheUnits) {
    for (int column : {0, 1})
        for (double scale : {1e-12, 1.0, 1e12}) {
            SCOPED_TRACE(testing::Message() << "column " << column << " x " << scale);
            const Columns& longley = LongleyColumns();
            Columns cols = {longley[1], longley[2], longley[3], longley[6]};
            for (double& v : cols[static_cast<std::size_t>(column)]) v *= scale;
            auto model = MakeModel(cols, {1, 2, 2, 1}, {"VAR0", "VAR1", "VAR2", "VAR3"});
            Restricted est(*model, 0, {1, 1, 1, 1}, "VAR3");
            // b(UNEMP) = b(ARMED) in their own units excludes nothing: not
            // identified.
            const double restriction[] = {0.0, column == 1 ? scale : 1.0, -1.0, 0.0};
            for (int i = 0; i < 4; ++i) est.SetRestrictionCoefficient(0, i, restriction[i]);
            est.SetRestrictionValue(0, 0.0);
            ASSERT_TRUE(est.Estimate());
            EXPECT_FALSE(RestrictedEquationIdentified(est, *model));
            // b(UNEMP) = 0 excludes one exogenous variable: identified.
            est.SetRestrictionCoefficient(0, 1, 1.0);
            est.SetRestrictionCoefficient(0, 2, 0.0);
            ASSERT_TRUE(est.Estimate());
            EXPECT_TRUE(RestrictedEquationIdentified(est, *model));
        }
}
