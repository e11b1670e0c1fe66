// A variable whose sum of squares leaves the range of a double: the refusal
// names it, dependent or explanatory, wherever it stands in the data set,
// and a refused choice leaves the reason of the roles kept as it was.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "core/model/data_edit_commands.h"
#include "core/model/regression_model.h"
#include "core/settings/engine_context.h"
#include "support/model_builder.h"
#include "support/sample_columns.h"
#include "support/scripted_services.h"

namespace {

using Names = std::vector<std::string>;
using Act = std::function<void(Reg&, UndoStore&)>;

std::string SumRefused(const std::string& name) { return "変数 " + name + " の平方和が有限の数値になりません。"; }

void Type(Reg& r, UndoStore& s, int row, int column) { SetCellValueWithUndo(DataEdit{r, s, {}}, row, column, 1e200); }

TEST(RegOverflowNames, TheVariableWhoseSumOfSquaresOverflowsIsNamed) {
    const Names twelve = {"x1", "x3", "y"};
    Columns bigY = TwelveRows(), withW = TwelveRows();
    bigY[2][1] = 1e200;
    withW.push_back(TwelveRows()[0]);  // w, unused
    withW[3][2] = 1e200;
    const struct {
        Columns data;
        Names names;
        int dependent;
        std::vector<std::uint8_t> roles;  // the fit on show before
        std::vector<Act> acts;            // each on the data set as built
        Names shown;                      // the variables the boxes name, the refused last
        const char* kept;                 // the reason of the roles then kept unestimated
    } cases[] = {
        {TwelveRows(), twelve, 2, {2, 2, 1, 2}, {[](Reg& r, UndoStore& s) { Type(r, s, 1, 2); }}, {"y"}, nullptr},
        {LongleyColumns(), {"GNPDEF", "GNP", "UNEMP", "ARMED", "POP", "YEAR", "EMPLOY"}, 6, {2, 2, 2, 2, 2, 2, 1, 2},
         {[](Reg& r, UndoStore& s) { Type(r, s, 2, 6); }}, {"EMPLOY"}, nullptr},
        {bigY, twelve, 0, {1, 2, 0, 2},
         {[](Reg& r, UndoStore&) { (void)r.SetDependent(2); },
          [](Reg& r, UndoStore&) { (void)r.SetModel(2, {2, 2, 1, 2}); }},
         {"y"}, nullptr},
        // big, the data set's last variable.
        {{{1, 2, 3, 4, 5, 6}, {3, 1, 4, 2, 5, 9}, {2, 1e200, 4, 3, 6, 5}}, {"x", "y", "big"}, 1, {2, 1, 0, 2},
         {[](Reg& r, UndoStore&) { (void)r.SetModel(1, {2, 1, 2, 2}); },
          [](Reg& r, UndoStore&) { (void)r.ToggleVariable(2); }},
         {"big"}, nullptr},
        // y on x1 and x3, x3 then made to overflow: choosing w as the dependent is refused.
        {withW, {"x1", "x3", "y", "w"}, 2, {2, 2, 1, 0, 2},
         {[](Reg& r, UndoStore& s) { Type(r, s, 5, 1); EXPECT_EQ(r.SetDependent(3), 0); },
          [](Reg& r, UndoStore& s) { Type(r, s, 5, 1); EXPECT_FALSE(r.SetModel(3, {2, 0, 0, 1, 2})); }},
         {"x3", "w"}, "x3"},
    };
    for (const auto& c : cases) {
        for (const Act& act : c.acts) {
            SCOPED_TRACE(c.shown.back());
            ScriptedServices ui;
            ui.SetAcknowledgeErrors(true);
            EngineContext context;
            context.SetServices(&ui);
            auto reg = MakeModel(c.data, {}, c.names, &context);
            ASSERT_TRUE(reg->SetModel(c.dependent, c.roles));
            UndoStore store;
            act(*reg, store);
            Names shown;
            for (const std::string& name : c.shown) shown.push_back(SumRefused(name));
            EXPECT_EQ(ui.MessageTexts(), shown);
            EXPECT_EQ(reg->FitProblem(), shown.back());
            if (c.kept) {
                EXPECT_EQ(reg->GetDependent(), c.dependent);
                EXPECT_EQ(reg->NoEstimateReason(), SumRefused(c.kept));
            }
        }
    }
}

}  // namespace
