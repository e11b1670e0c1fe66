// The plot of a dynamic-model equation against its observed variable.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "core/io/final_form_storage.h"
#include "core/model/final_form_plot.h"
#include "platform/errors.h"
#include "support/model_builder.h"

namespace {

// y = 2 x: computed 2, 4, 6, 8 against observed 3, 4, 5, 8.
FFList Equation(const std::string& other) {
    FFElement e;
    e.SetHead(FFCell("y", 0, 1.0, 0));
    e.AppendTerm(FFCell(other, 0, 2.0, 0));
    FFList list;
    list.Append(e);
    return list;
}

}  // namespace

TEST(FinalFormPlot, ObservedAndResidualSeries) {
    auto reg = MakeModel({{1, 2, 3, 4}, {3, 4, 5, 8}}, {}, {"x", "y"});
    const FFList list = Equation("x");
    const auto plain = BuildFinalFormPlot(*reg, list, 0, false);
    ASSERT_TRUE(plain.has_value());
    EXPECT_EQ(plain->x, (std::vector<double>{2, 4, 6, 8}));
    EXPECT_EQ(plain->y, (std::vector<double>{3, 4, 5, 8}));
    EXPECT_EQ(plain->xTitle, "y予測値");
    EXPECT_EQ(plain->yTitle, "y観測値");
    // Residuals 1, 0, -1, 0: mean 0, s = sqrt(2/3).
    const auto res = BuildFinalFormPlot(*reg, list, 0, true);
    ASSERT_TRUE(res.has_value());
    const double r[] = {1.224744871391589, 0.0, -1.224744871391589, 0.0};
    for (int i = 0; i < 4; ++i) EXPECT_NEAR(res->y[i], r[i], 1e-15) << i;
    EXPECT_EQ(res->yTitle, "y標準化残差");
}

TEST(FinalFormPlot, NothingToPlot) {
    auto reg = MakeModel({{1, 2, 3, 4}, {3, 4, 5, 8}}, {}, {"x", "y"});
    EXPECT_FALSE(BuildFinalFormPlot(*reg, FFList(), 0, false).has_value());
    EXPECT_FALSE(BuildFinalFormPlot(*reg, Equation("x"), 1, false).has_value());
    EXPECT_FALSE(BuildFinalFormPlot(*reg, Equation("x"), -1, false).has_value());
    EXPECT_FALSE(BuildFinalFormPlot(*reg, Equation("nothing"), 0, false).has_value());
    // A perfect fit leaves residuals of no spread.
    auto exact = MakeModel({{1, 2, 3, 4}, {2, 4, 6, 8}}, {}, {"x", "y"});
    EXPECT_THROW(BuildFinalFormPlot(*exact, Equation("x"), 0, true), EZeroDivide);
}
