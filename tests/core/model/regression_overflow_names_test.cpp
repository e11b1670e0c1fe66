// A variable whose sum of squares leaves the range of a double: the refusal
// names that variable, dependent or explanatory, wherever it stands in the
// data set, and a refused choice leaves the reason of the roles kept as it
// was.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "core/model/data_edit_commands.h"
#include "core/model/regression_model.h"
#include "core/settings/engine_context.h"
#include "support/model_builder.h"
#include "support/sample_columns.h"
#include "support/scripted_services.h"

namespace {

std::string SumRefused(const std::string& name) { return "変数 " + name + " の平方和が有限の数値になりません。"; }

Columns WithBig(Columns cols, int variable, int observation) {
    cols[static_cast<std::size_t>(variable)][static_cast<std::size_t>(observation)] = 1e200;
    return cols;
}

const std::vector<std::string> kTwelveNames = {"x1", "x3", "y"};
const std::vector<std::string> kLongleyNames = {"GNPDEF", "GNP", "UNEMP", "ARMED", "POP", "YEAR", "EMPLOY"};
// x, y, then big (1e200 at observation 2): the data set's last variable.
const Columns kBigLast = {{1, 2, 3, 4, 5, 6}, {3, 1, 4, 2, 5, 9}, {2, 1e200, 4, 3, 6, 5}};

TEST(RegOverflowNames, TheVariableWhoseSumOfSquaresOverflowsIsNamed) {
    const struct {
        const char* what;
        Columns data;
        std::vector<std::string> names;
        int dependent;
        std::vector<std::uint8_t> roles;  // the fit on show before
        std::function<void(Reg&, UndoStore&)> act;
        std::string message;
    } cases[] = {
        {"twelve rows, y[2] typed 1e200", TwelveRows(), kTwelveNames, 2, {2, 2, 1, 2},
         [](Reg& r, UndoStore& s) { SetCellValueWithUndo(DataEdit{r, s, {}}, 1, 2, 1e200); }, SumRefused("y")},
        {"Longley, EMPLOY[3] typed 1e200", LongleyColumns(), kLongleyNames, 6, {2, 2, 2, 2, 2, 2, 1, 2},
         [](Reg& r, UndoStore& s) { SetCellValueWithUndo(DataEdit{r, s, {}}, 2, 6, 1e200); }, SumRefused("EMPLOY")},
        {"twelve rows, y with 1e200 chosen as the dependent", WithBig(TwelveRows(), 2, 1), kTwelveNames, 0,
         {1, 2, 0, 2}, [](Reg& r, UndoStore&) { (void)r.SetDependent(2); }, SumRefused("y")},
        {"the same y set as the dependent of a model", WithBig(TwelveRows(), 2, 1), kTwelveNames, 0, {1, 2, 0, 2},
         [](Reg& r, UndoStore&) { (void)r.SetModel(2, {2, 2, 1, 2}); }, SumRefused("y")},
        {"big, the last variable, in the model", kBigLast, {"x", "y", "big"}, 1, {2, 1, 0, 2},
         [](Reg& r, UndoStore&) { (void)r.SetModel(1, {2, 1, 2, 2}); }, SumRefused("big")},
        {"big, the last variable, toggled in", kBigLast, {"x", "y", "big"}, 1, {2, 1, 0, 2},
         [](Reg& r, UndoStore&) { (void)r.ToggleVariable(2); }, SumRefused("big")},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        ScriptedServices ui;
        EngineContext context;
        context.SetServices(&ui);
        auto reg = MakeModel(c.data, {}, c.names, &context);
        ASSERT_TRUE(reg->SetModel(c.dependent, c.roles));
        UndoStore store;
        ui.QueueOK();
        c.act(*reg, store);
        EXPECT_EQ(ui.MessageTexts(), std::vector<std::string>{c.message});
        EXPECT_EQ(reg->FitProblem(), c.message);
    }
}

// y on x1 and x3 of the twelve rows, then 1e200 typed into x3: the roles are
// kept without an estimate, for that reason. Choosing w (1e200 at
// observation 2, unused) as the dependent is refused in its own words, and
// the roles kept still give their own reason.
TEST(RegOverflowNames, ARefusedChoiceLeavesTheReasonOfTheRolesKept) {
    const std::function<bool(Reg&)> choices[] = {
        [](Reg& r) { return r.SetDependent(3) != 0; },
        [](Reg& r) { return r.SetModel(3, {2, 0, 0, 1, 2}); },
    };
    for (const auto& choose : choices) {
        ScriptedServices ui;
        ui.SetAcknowledgeErrors(true);
        EngineContext context;
        context.SetServices(&ui);
        Columns cols = TwelveRows();
        cols.push_back(WithBig(TwelveRows(), 0, 2)[0]);
        auto reg = MakeModel(cols, {}, {"x1", "x3", "y", "w"}, &context);
        ASSERT_TRUE(reg->SetModel(2, {2, 2, 1, 0, 2}));
        UndoStore store;
        SetCellValueWithUndo(DataEdit{*reg, store, {}}, 5, 1, 1e200);
        ASSERT_EQ(reg->NoEstimateReason(), SumRefused("x3"));
        ui.ClearCalls();
        EXPECT_FALSE(choose(*reg));
        EXPECT_EQ(ui.MessageTexts(), std::vector<std::string>{SumRefused("w")});
        EXPECT_EQ(reg->FitProblem(), SumRefused("w"));
        EXPECT_FALSE(reg->HasEstimate());
        EXPECT_EQ(reg->GetDependent(), 2);
        EXPECT_EQ(reg->NoEstimateReason(), SumRefused("x3"));
    }
}

}  // namespace
