// What the ridge regression window reads from a fit: the constant term's
// row first in the estimates, the residual table's error rate where the
// observed value is (near) zero, signed by the residual, and the equation with the constant term last.
#include "estimators/ridge_tables.h"

#include <gtest/gtest.h>

#include <cmath>

#include "core/model/regression_model.h"
#include "support/model_builder.h"

TEST(RidgeTables, EstimatesResidualsAndTheEquation) {
    // y is 0 at the first observation.
    auto model = MakeModel({{1, 2, 3, 4, 5, 6, 7, 8},
                            {2, 1, 4, 3, 6, 5, 8, 7},
                            {0.0, 2.9, 3.2, 5.1, 5.8, 7.4, 7.9, 9.6}},
                           {}, {"a", "b", "y"});
    Ridge r(*model, 0, {1, 1, 1}, "y");
    ASSERT_TRUE(r.Estimate(0.05));

    const ResultTable t = RidgeEstimateTable(r);
    ASSERT_EQ(t.RowCount(), 3);
    EXPECT_EQ(t.Title(0), "y");
    EXPECT_EQ(t.Title(3), "分散拡大要因");
    EXPECT_EQ(t.Cell(0, 0).text, "定数項");
    EXPECT_EQ(t.Cell(1, 0).value, r.GetCoef(r.ConstIndex()));
    EXPECT_EQ(t.Cell(3, 0).Shown(), "");  // no VIF for the constant term
    EXPECT_EQ(t.Cell(0, 2).text, "b");
    EXPECT_EQ(t.Cell(3, 2).value, r.GetVIF(1));
    EXPECT_EQ(RidgeStatistics(r).k, "0.05000");

    std::shared_ptr<Ridge> fitted = std::make_shared<Ridge>(*model, 0, std::vector<std::uint8_t>{1, 1, 1}, "y");
    ASSERT_TRUE(fitted->Estimate(0.05));
    const RidgeResidualTable rows(fitted);
    ASSERT_EQ(rows.RowCount(), 8);
    EXPECT_EQ(rows.Title(5), "作用点");
    EXPECT_EQ(rows.Cell(0, 7).Shown(), "8");
    EXPECT_EQ(rows.Cell(3, 1).value, 2.9 - fitted->GetResult(1, 1));
    // An observed 0 under a larger fit: the residual's sign.
    EXPECT_EQ(rows.Cell(4, 0).Shown(), "-∞");

    const Expres e = RidgeEquation(r);
    EXPECT_EQ(e.GetLeftName(), "y");
    ASSERT_EQ(e.GetCount(), 3);
    EXPECT_EQ(e.GetVarName(0), "a");
    EXPECT_EQ(e.GetVarName(2), "定数項");
    EXPECT_EQ(e.GetCoef(2), r.GetCoef(r.ConstIndex()));
}

TEST(RidgeTables, ErrorRateKeepsTheResidualsSignWhereTheObservedValueIsNearZero) {
    // The observed value is held to 2^-52 in size: 100 x -3e-17 / 2^-52 = -13.51.
    const struct {
        double residual, observed;
        const char* shown;
    } cases[] = {{0.5, -1e-20, "+∞"}, {-3e-17, 1e-17, "-13.51"}, {-100.0, 1.0, "-∞"}, {3.0, -2.0, "-150.00"}};
    for (const auto& c : cases) EXPECT_EQ(RidgeErrorRateCell(c.residual, c.observed).Shown(), c.shown) << c.shown;
    // No value past the marks.
    EXPECT_TRUE(std::isnan(RidgeErrorRateCell(-100.0, 1.0).value));
    EXPECT_EQ(RidgeErrorRateCell(3.0, -2.0).value, -150.0);
}
