// The explanatory-variable prompt of the residual plots: the answer maps to
// the index of the name, anything else to "no plot".
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "components/view/explanatory_choice.h"
#include "support/scripted_services.h"

namespace {

TEST(ExplanatoryChoice, AnswerGivesTheIndexOfTheNameOrNone) {
    const std::vector<std::string> names = {"x1", "所得", "x3"};
    struct Case {
        int result;
        std::string text;
        int expected;
    };
    const Case cases[] = {
        {mrOK, "x1", 0},
        {mrOK, "所得", 1},
        {mrOK, "x3", 2},
        {mrOK, "X3", -1},      // names are matched exactly
        {mrOK, "", -1},
        {mrOK, "y", -1},       // typed, not offered
        {mrCancel, "x1", -1},  // cancelled with a name in the box
    };
    for (const Case& c : cases) {
        ScriptedServices ui;
        ui.QueueInput(c.result, c.text);
        EXPECT_EQ(ChooseExplanatory(ui, names), c.expected) << c.text << " " << c.result;
        const auto asked = ui.CallsOf(ServiceCall::Input);
        ASSERT_EQ(asked.size(), 1u);
        EXPECT_EQ(asked[0].items, names);
    }
}

}  // namespace
