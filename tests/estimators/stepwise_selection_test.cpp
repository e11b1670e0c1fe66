// Stepwise selection against a separate script of the same procedure that
// forms every F from residual sums of squares of refits in exact rational
// arithmetic (Python fractions) instead of sweeps, pasted here as the
// chosen variables, the steps of each stage and the residual df.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "estimators/stepwise_selection.h"
#include "support/model_builder.h"

namespace {

const Columns kColumns = {
    {3.2, 1.5, 6.5, 0.7, 5.4, 3.7, 0.6, 5.1, 0.4, 4.3, 0.7, 0.9, 4.2, 8.3, 1.2, 2.2, 6.3, 9.5, 5.8, 4.0},
    {9.8, 0.5, 8.6, 2.9, 1.4, 1.2, 3.1, 8.2, 1.8, 5.8, 6.4, 3.7, 5.5, 0.6, 0.6, 2.1, 6.8, 4.3, 3.1, 5.9},
    {4.5, 3.0, 7.9, 7.0, 2.4, 5.7, 5.3, 8.8, 7.3, 2.9, 9.8, 1.2, 4.2, 7.6, 1.5, 4.9, 0.4, 6.7, 7.6, 5.7},
    {8.8, 3.1, 7.0, 5.9, 5.8, 4.6, 8.4, 9.4, 4.7, 6.6, 0.6, 7.0, 6.5, 9.9, 8.2, 2.8, 3.9, 6.7, 0.2, 4.6},
    // v4 repeats v2: their F values are equal and the later index wins.
    {4.5, 3.0, 7.9, 7.0, 2.4, 5.7, 5.3, 8.8, 7.3, 2.9, 9.8, 1.2, 4.2, 7.6, 1.5, 4.9, 0.4, 6.7, 7.6, 5.7},
    {9.51, 5.27, 16.0, 7.63, 12.86, 10.42, 5.23, 15.63, 6.69, 11.52, 9.87, 6.15, 11.8, 20.73, 6.89, 6.51, 14.03,
     22.04, 16.04, 12.97},
};

std::unique_ptr<Reg> ConstantOnlyModel() {
    auto reg = MakeModel(kColumns, {}, {"v0", "v1", "v2", "v3", "v4", "y"});
    EXPECT_TRUE(reg->SetModel(5, {0, 0, 0, 0, 0, 1, 2}));
    return reg;
}

TEST(StepwiseSelection, MatchesTheProcedureOnRefits) {
    auto reg = ConstantOnlyModel();
    struct Case {
        const char* what;
        StepwiseOptions options;
        std::vector<int> chosen;
        int steps1, steps2, df;
    } cases[] = {
        {"defaults", {}, {0, 4}, 2, 0, 17},
        // The dependent and unknown names in the lists are ignored.
        {"forced lists", {0.2, 0.2, 2.0, 2.0, {"v1", "y", "nosuch"}, {"v0", "y"}}, {1, 4}, 2, 1, 17},
        // F-in below F-out: enter, remove, enter ... until the step limit.
        {"cycling stage", {0.0, 1e9, 2.0, 2.0, {}, {}}, {0, 4}, 200, 2, 17},
        {"strict second stage", {0.2, 0.2, 30.0, 30.0, {}, {}}, {0}, 2, 1, 18},
    };
    for (const Case& c : cases) {
        const StepwiseResult r = RunStepwiseSelection(*reg, c.options);
        EXPECT_EQ(r.chosen, c.chosen) << c.what;
        EXPECT_EQ(r.steps[0], c.steps1) << c.what;
        EXPECT_EQ(r.steps[1], c.steps2) << c.what;
        EXPECT_EQ(r.residualDf, c.df) << c.what;
        ASSERT_EQ(r.roles.size(), 7u);
        EXPECT_EQ(r.roles[5], Reg::kRoleDependent);
        EXPECT_EQ(r.roles[6], Reg::kRoleExplanatory);
    }
    // The model itself is not changed; the result applies as it stands.
    EXPECT_EQ(reg->CountExplanatory(), 0);
    const StepwiseResult r = RunStepwiseSelection(*reg, {});
    EXPECT_TRUE(reg->SetModel(r.dependent, r.roles));
    EXPECT_EQ(reg->CountExplanatory(), 2);
}

TEST(StepwiseSelection, NeverLeavesFewerThanThreeResidualDegreesOfFreedom) {
    auto reg = MakeModel({{1, 2, 3, 4, 5}, {2, 1, 2, 1, 3}, {5, 3, 1, 2, 4}, {1.1, 2.3, 2.8, 4.4, 5.2}},
                         {}, {"a", "b", "c", "y"});
    ASSERT_TRUE(reg->SetModel(3, {0, 0, 0, 1, 2}));
    StepwiseOptions all{0.0, -1.0, 0.0, -1.0, {}, {}};
    EXPECT_EQ(RunStepwiseSelection(*reg, all).residualDf, 3);
    all.forcedIn = {"b", "c"};
    const StepwiseResult r = RunStepwiseSelection(*reg, all);
    EXPECT_EQ(r.chosen, std::vector<int>{1});
    EXPECT_EQ(r.residualDf, 3);
}

TEST(StepwiseSelection, TwoStageStartsUntypedVariablesForcedOut) {
    auto reg = MakeModel(kColumns, {2, 0, 1, 3, 0, 1}, {"v0", "v1", "v2", "v3", "v4", "y"});
    reg->SetTwoStage(true);
    static_cast<void>(reg->SetModel(5, {0, 0, 0, 0, 0, 1, 2}));
    const StepwiseLists lists = StepwiseStartingLists(*reg);
    EXPECT_EQ(lists.candidates, (std::vector<std::string>{"v0", "v2", "v3"}));
    EXPECT_EQ(lists.forcedOut, (std::vector<std::string>{"v1", "v4"}));
}

}  // namespace
