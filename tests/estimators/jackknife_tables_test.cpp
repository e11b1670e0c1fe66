// The jackknife window's tables: the estimates of a least-squares model
// against leave-one-out refits worked out in exact arithmetic by a separate
// script (figures pasted), and what the cells show where there is no
// number: a t value without a standard error, a standardised residual
// without spread, an error rate of an observed zero.
#include "estimators/jackknife_tables.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <vector>

#include "support/model_builder.h"

namespace {

const std::vector<double> kX1 = {1, 2, 3, 4, 5, 6, 7, 8, 9};
const std::vector<double> kX2 = {2, 1, 4, 3, 6, 5, 8, 9, 7};
const std::vector<double> kY = {3, 4, 8, 9, 12, 14, 17, 16, 21};
const std::vector<double> kJackCoef = {2.3323407907461857, -0.12935199574289552, 0.5245911611858795};
const std::vector<double> kJackSe = {0.4086392215324065, 0.5193998462865186, 1.0267027004050637};
const std::vector<double> kJackResidual = {0.40177203955372587, -1.0599207469353553, 0.9957944495471454,
                                           -0.46589833694193594, 0.5898168595405648, 0.12812407305148357,
                                           1.1838392695339843, -2.019149525469306, 0.3898056922987173};
const double kJackMean = 0.016020419353224912, kJackSd = 1.029921060632489;

}  // namespace

TEST(JackknifeTables, LeastSquaresModelAgainstLeaveOneOutRefits) {
    auto reg = MakeModel({kX1, kX2, kY}, {}, {"x1", "x2", "y"});
    ASSERT_TRUE(reg->SetModel(2, {2, 2, 1, 2}));
    auto in = std::make_shared<const JackknifeInput>(JackknifeInputOf(*reg));
    auto r = std::make_shared<const JackknifeResult>(Jackknife(*in));

    const ResultTable est = JackknifeEstimateTable(*in, *r);
    ASSERT_EQ(est.RowCount(), 3);
    EXPECT_EQ(est.Title(0), "y");
    EXPECT_EQ(est.Title(3), "ｔ値");
    EXPECT_EQ(est.Cell(0, 2).text, "定数項");
    for (int j = 0; j < 3; ++j) {
        EXPECT_NEAR(est.Cell(1, j).value, kJackCoef[j], 1e-11 * std::fabs(kJackCoef[j])) << j;
        EXPECT_NEAR(est.Cell(2, j).value, kJackSe[j], 1e-10 * kJackSe[j]) << j;
        EXPECT_NEAR(est.Cell(3, j).value, kJackCoef[j] / kJackSe[j], 1e-10) << j;
    }

    const JackknifeResidualTable res(in, r);
    ASSERT_EQ(res.RowCount(), 9);
    EXPECT_EQ(res.Title(4), "誤差率(%)");
    for (int i = 0; i < 9; ++i) {
        EXPECT_EQ(res.Cell(0, i).text, std::to_string(i + 1));
        EXPECT_EQ(res.Cell(1, i).value, kY[i]);
        EXPECT_NEAR(res.Cell(2, i).value, kY[i] - kJackResidual[i], 1e-12) << i;
        EXPECT_NEAR(res.Cell(3, i).value, kJackResidual[i], 1e-12) << i;
        EXPECT_NEAR(res.Cell(4, i).value, 100.0 * kJackResidual[i] / kY[i], 1e-10) << i;
        EXPECT_NEAR(res.Cell(5, i).value, (kJackResidual[i] - kJackMean) / kJackSd, 1e-11) << i;
    }
    // Residual 1 of observed 3: 13.39...%.
    EXPECT_EQ(res.Cell(4, 0).text, "+13.39");
    EXPECT_EQ(res.Cell(4, 1).text, "-26.50");
}

TEST(JackknifeTables, CellsWithoutANumber) {
    auto in = std::make_shared<JackknifeInput>();
    in->names = {"x", "定数項"};
    in->depName = "y";
    in->y = {0.0, -1e-17, 2.0, 1e-3};
    auto r = std::make_shared<JackknifeResult>();
    r->coef = {1.5, 2.0};
    r->stdErr = {0.0, 0.5};
    r->residual = {0.5, -0.5, 0.5, 20.0};
    r->fitted = {-0.5, 0.5, 1.5, -19.999};
    r->meanResidual = 0.25;
    r->sdResidual = 0.0;

    const ResultTable est = JackknifeEstimateTable(*in, *r);
    EXPECT_EQ(est.Cell(3, 0).Shown(), "-");
    EXPECT_TRUE(std::isnan(est.Cell(3, 0).value));
    EXPECT_EQ(est.Cell(3, 1).value, 4.0);

    const JackknifeResidualTable res(in, r);
    struct Row {
        int row;
        const char* rate;
    } const rows[] = {
        {0, "+∞"},      // observed 0, positive residual
        {1, "+∞"},      // observed below the tolerance, negative residual: still +∞
        {2, "+25.00"},  // 0.5 / 2
        {3, "+∞"},      // 20 / 0.001 = 2,000,000 %
    };
    for (const Row& c : rows) {
        EXPECT_EQ(res.Cell(4, c.row).Shown(), c.rate) << c.row;
        EXPECT_EQ(res.Cell(5, c.row).Shown(), "-") << c.row;
    }
    EXPECT_EQ(res.Cell(0, 9).Shown(), "");
}
