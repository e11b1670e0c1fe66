// The equation of an estimated model, plain and with the small-sample
// correction (values computed with numpy).
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "core/model/estimated_equation.h"
#include "core/model/regression_model.h"
#include "support/model_builder.h"
#include "support/sample_columns.h"

namespace {

const std::string kConst = "定数項";

}  // namespace

// ---- the equation of an estimated model ---------------------------------------

// The instrumental-variable sample without w: y, y2 (endogenous), x1, x2
// (exogenous), x3 (lagged); n = 25.
std::unique_ptr<Reg> IvModel() {
    const Columns cols(IvColumns().begin(), IvColumns().begin() + 5);
    return MakeModel(cols, IvTypes(), {"y", "y2", "x1", "x2", "x3"});
}

TEST(ExpresFromModel, OrdinaryEstimate) {
    auto reg = IvModel();
    ASSERT_TRUE(reg->SetModel(0, {1, 2, 2, 0, 0, 2}));
    const Expres e = EstimatedEquation(*reg, false);
    EXPECT_EQ(e.GetLeftName(), "y");
    EXPECT_FALSE(e.IsDefinition());
    ASSERT_EQ(e.GetCount(), 3);
    // numpy least squares of y on y2, x1 and the constant.
    const std::vector<std::string> names = {"y2", "x1", kConst};
    const std::vector<double> coef = {1.5777133984040412, -0.828302084390177, 2.8609161467897906};
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(e.GetVarName(i), names[static_cast<size_t>(i)]);
        EXPECT_NEAR(e.GetCoef(i), coef[static_cast<size_t>(i)], 1e-12);
    }
}

TEST(ExpresFromModel, TwoStageWithCorrection) {
    // y on y2 and the constant, instruments x1, x2, x3: K = 4, k = 1, g = 2,
    // so the factor is (4 - 1 - 2) / (25 - 4) = 1/21. numpy: 2SLS
    // (1.2515397501364622, 1.6810606177402483), OLS (1.3622853051095325,
    // 1.4459123659548274).
    auto reg = IvModel();
    reg->SetTwoStage(true);
    ASSERT_TRUE(reg->SetModel(0, {1, 2, 0, 0, 0, 2}));
    const Expres plain = EstimatedEquation(*reg, false);
    ASSERT_EQ(plain.GetCount(), 2);
    EXPECT_NEAR(plain.GetCoef(0), 1.2515397501364622, 1e-12);
    EXPECT_NEAR(plain.GetCoef(1), 1.6810606177402483, 1e-12);
    const Expres corrected = EstimatedEquation(*reg, true);
    ASSERT_EQ(corrected.GetCount(), 2);
    EXPECT_NEAR(corrected.GetCoef(0), 1.2462661522806018, 1e-12);
    EXPECT_NEAR(corrected.GetCoef(1), 1.692258153539554, 1e-12);
}

