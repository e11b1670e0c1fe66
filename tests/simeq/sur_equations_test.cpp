// The equations of a SUR system taken from the model's observation groups:
// each group's own observations in order, the dependent's column holding the
// constant term, and a group that cannot be set up refused by its name.
#include "simeq/sur_equations.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "support/expect_exception.h"
#include "support/model_builder.h"
#include "support/sur_sample.h"

namespace {

std::unique_ptr<Reg> GroupedModel() { return SurSampleModel(); }

}  // namespace

TEST(SurEquations, EachGroupGivesItsOwnObservationsInOrder) {
    auto reg = GroupedModel();
    const Zelner z(MakeSurEquations(*reg, {2, 3}, {1, 2}));
    ASSERT_EQ(z.GetEquationCount(), 2);
    EXPECT_EQ(z.GetEquationName(0), "east");
    EXPECT_EQ(z.GetEquationName(1), "west");
    // Ten and eight observations: both equations use eight.
    EXPECT_EQ(z.GetObservationCount(), 8);
    const char* const names[2][4] = {{"x1", "x2", "y2", "y1"}, {"x1", "x2", "y1", "y2"}};
    for (int i = 0; i < 2; ++i) {
        EXPECT_EQ(z.GetCoefCount(i), 4);
        EXPECT_EQ(z.GetDependentPos(i), 3);
        for (int j = 0; j < 4; ++j) EXPECT_EQ(z.GetVarName(i, j), names[i][j]);
    }
    for (int t = 0; t < 8; ++t) {
        EXPECT_EQ(z.GetDependent(0, t), 2.0 * t + (t % 3)) << t;
        const int row = t + 4;  // the t-th observation of group 2
        EXPECT_EQ(z.GetDependent(1, t), 10.0 - row + (row * row) % 4) << t;
    }
}

TEST(SurEquations, RefusesAGroupThatCannotBeSetUp) {
    auto reg = GroupedModel();
    const struct {
        const char* name;
        std::vector<int> dependent, group;
        const char* message;
    } cases[] = {
        {"no equation", {}, {}, "式がありません"},
        {"dependent outside the data set", {2, 9}, {1, 2}, "式（west）の設定に失敗しました。"},
        {"group without observations", {2, 3}, {1, 5}, "式（5）の設定に失敗しました。"},
        {"group too small to fit", {2, 3}, {3, 1}, "式（3）の設定に失敗しました。"},
        {"group number outside 1..16", {2, 3}, {1, 17}, "式（17）の設定に失敗しました。"},
    };
    for (const auto& c : cases)
        ExpectExceptionMessage([&] { (void)MakeSurEquations(*reg, c.dependent, c.group); }, c.message, c.name);
}

TEST(SurEquations, OneObservationMoreThanColumnsLeavesTooFewDegreesOfFreedom) {
    // Group 3 takes the first rows observations; its equation has four
    // columns (x1, x2, the other dependent and the constant term).
    const struct {
        int rows;
        const char* message;  // of the estimation, or null when it runs
    } cases[] = {{5, "自由度不足"}, {6, nullptr}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.rows);
        auto reg = GroupedModel();
        for (int t = 0; t < 12; ++t) {
            const std::uint16_t word = (t < 10 ? 1 : 0) | (t >= 4 ? 2 : 0) | (t < c.rows ? 4 : 0);
            for (int j = 0; j < 4; ++j) reg->SetMark(t, j, word);
        }
        const auto estimate = [&] {
            const Zelner z(MakeSurEquations(*reg, {2, 3}, {1, 3}));
            ASSERT_EQ(z.GetObservationCount(), c.rows);
            ASSERT_EQ(z.GetCoefCount(1), 4);
            (void)z.Estimate(SurOptions{});
        };
        if (c.message)
            ExpectExceptionMessage(estimate, c.message, "n = k + 1");
        else
            EXPECT_NO_THROW(estimate());
    }
}
