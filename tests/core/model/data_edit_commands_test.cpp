// The data-edit commands: refusals change nothing, each records one step,
// and the store's depth, save point, refusal and step rules.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>

#include "core/model/data_edit_commands.h"
#include "platform/errors.h"
#include "support/model_builder.h"
#include "support/scripted_services.h"
#include "undo_test_support.h"

namespace {

std::unique_ptr<Reg> Small() {
    auto m = MakeModel({{1, 2, 3, 4, 5}, {2, 1, 4, 3, 6}, {0.5, 0.1, 0.9, 0.3, 0.2}, {3, 4, 8, 9, 12}}, {},
                       {"a", "b", "c", "y"});
    std::vector<std::uint8_t> roles{2, 0, 0, 1, 2};
    static_cast<void>(m->SetModel(3, roles));
    return m;
}

Var Column(const std::string& name, std::vector<double> x) {
    Var v(name, "", static_cast<int>(x.size()), 0.0);
    for (int i = 0; i < v.Count(); ++i) v.At(i) = x[static_cast<std::size_t>(i)];
    return v;
}

struct Refusal {
    const char* what;
    std::function<void(const DataEdit&)> run;
};

TEST(DataEditCommands, RefusedRequestsRaiseAndChangeNothing) {
    const std::vector<Refusal> cases = {
        {"sort by a missing variable", [](auto& ed) { SortObservationsWithUndo(ed, 9, true); }},
        {"sort by the constant", [](auto& ed) { SortObservationsWithUndo(ed, 4, true); }},
        {"insert a variable at -1", [](auto& ed) { Var v = Column("n", {1, 2, 3, 4, 5}); InsertVariableWithUndo(ed, -1, v); }},
        {"insert an observation at -1", [](auto& ed) { InsertObservationWithUndo(ed, -1, std::vector<double>{1, 2, 3, 4}); }},
        {"append a short row", [](auto& ed) { AppendObservationWithUndo(ed, std::vector<double>{1, 2}); }},
        {"append short marks", [](auto& ed) { AppendObservationWithUndo(ed, std::vector<double>{1, 2, 3, 4}, std::vector<std::uint16_t>{1}); }},
        {"short values", [](auto& ed) { SetVariableValuesWithUndo(ed, 0, std::vector<double>{1, 2}); }},
        {"short variable", [](auto& ed) { Var v = Column("n", {1, 2}); AddVariableWithUndo(ed, v); }},
        {"constant variable", [](auto& ed) { Var v = Column("n", {2, 2, 2, 2, 2}); AddVariableWithUndo(ed, v); }},
        {"duplicate variable", [](auto& ed) { Var v = Column("b", {1, 2, 3, 4, 5}); AddVariableWithUndo(ed, v); }},
        {"rename to a used name", [](auto& ed) { RenameVariableWithUndo(ed, "a", "b"); }},
        {"rename to a reserved name", [](auto& ed) { RenameVariableWithUndo(ed, "a", "sin"); }},
        {"rename to the constant", [](auto& ed) { RenameVariableWithUndo(ed, "a", Data::ConstantName()); }},
        {"rename to empty", [](auto& ed) { RenameVariableWithUndo(ed, "a", ""); }},
        {"rename with a comma", [](auto& ed) { RenameVariableWithUndo(ed, "a", "x,y"); }},
        {"rename with a slash", [](auto& ed) { RenameVariableWithUndo(ed, "a", "x/y"); }},
        {"rename with a hash", [](auto& ed) { RenameVariableWithUndo(ed, "a", "x#"); }},
        {"rename with an at", [](auto& ed) { RenameVariableWithUndo(ed, "a", "@x"); }},
        {"rename with a quote", [](auto& ed) { RenameVariableWithUndo(ed, "a", "x\"y"); }},
        {"rename with an apostrophe", [](auto& ed) { RenameVariableWithUndo(ed, "a", "x'"); }},
        {"rename a missing variable", [](auto& ed) { RenameVariableWithUndo(ed, "zz", "q"); }},
        {"delete the dependent", [](auto& ed) { DeleteVariableWithUndo(ed, "y"); }},
        {"delete a missing variable", [](auto& ed) { DeleteVariableWithUndo(ed, "zz"); }},
        {"delete an index out of range", [](auto& ed) { DeleteVariablesWithUndo(ed, {1, 7}); }},
        {"delete observations out of range", [](auto& ed) { DeleteObservationsWithUndo(ed, {0, 5}); }},
        {"delete every observation", [](auto& ed) { DeleteObservationsWithUndo(ed, {0, 1, 2, 3, 4}); }},
        {"exchange variables out of range", [](auto& ed) { ExchangeVariablesWithUndo(ed, 0, 4); }},
        {"exchange observations out of range", [](auto& ed) { ExchangeObservationsWithUndo(ed, -1, 2); }},
        {"cell out of range", [](auto& ed) { SetCellValueWithUndo(ed, 5, 0, 1.0); }},
        {"cell of the constant", [](auto& ed) { SetCellValueWithUndo(ed, 0, 4, 1.0); }},
        {"range with a bad cell", [](auto& ed) { SetRangeValuesWithUndo(ed, {{0, 0, 9.0}, {9, 0, 1.0}}); }},
        {"type out of range", [](auto& ed) { SetVariableTypeWithUndo(ed, 0, 4); }},
        {"comment of a missing variable", [](auto& ed) { SetVariableCommentWithUndo(ed, 7, "x"); }},
        {"group block reversed", [](auto& ed) { SetGroupRangeWithUndo(ed, 2, 0, 1, 3, true, 1); }},
        {"group block outside", [](auto& ed) { ClearGroupRangeWithUndo(ed, 0, 0, 3, 5); }},
        {"delete an equation that is not there", [](auto& ed) { DeleteExpressionWithUndo(ed, 0); }},
        {"insert rows past the end", [](auto& ed) { InsertRowsWithUndo(ed, 6, {DataString(4, 0, 1.0)}); }},
        {"insert a short row", [](auto& ed) { InsertRowsWithUndo(ed, 0, {DataString(2, 0, 1.0)}); }},
        {"box-cox with wrong flags", [](auto& ed) { BoxCoxExchangeWithUndo(ed, {1}, {{1, 2, 3, 4, 5}}, 0.5); }},
        {"box-cox with short values", [](auto& ed) { BoxCoxExchangeWithUndo(ed, {1, 0, 0, 0}, {{1, 2}}, 0.5); }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        auto m = Small();
        UndoStore store;
        const DataEdit ed{*m, store, [](const std::string& s) { return s == "sin"; }};
        const ModelPicture before = Picture(*m);
        EXPECT_THROW(c.run(ed), Exception);
        EXPECT_EQ(PictureDiff(Picture(*m), before), "");
        EXPECT_FALSE(store.CanUndo());
    }
}

TEST(DataEditCommands, SmallValuesAreEditedAsAnyOther) {
    auto m = Small();
    UndoStore store;
    const DataEdit ed{*m, store, {}};
    EXPECT_TRUE(SetCellValueWithUndo(ed, 0, 2, 1e-20));
    EXPECT_TRUE(SetCellValueWithUndo(ed, 0, 2, 3e-20));
    EXPECT_EQ(m->GetValue(0, 2), 3e-20);
    EXPECT_FALSE(SetCellValueWithUndo(ed, 0, 2, 3e-20));  // unchanged: no step
    EXPECT_FALSE(SetCellValueWithUndo(ed, 1, 0, std::nextafter(2.0, 3.0)));  // 2 to its last bit
    EXPECT_EQ(store.UndoStepCount(), 2);
    ASSERT_TRUE(store.Undo(*m));
    EXPECT_EQ(m->GetValue(0, 2), 1e-20);
    // A variable of small values varies: it is no constant.
    Var v = Column("n", {1e-20, 2e-20, 3e-20, 4e-20, 5e-20});
    AddVariableWithUndo(ed, v);
    EXPECT_GE(m->FindVar("n"), 0);
}

TEST(DataEditCommands, DeletingEveryVariableIsRefused) {
    auto m = MakeModel({{1, 2, 3}, {2, 5, 4}}, {}, {"x", "y"});
    UndoStore store;
    const DataEdit ed{*m, store, {}};
    // Only the dependent one would be left: the other is deletable alone.
    DeleteVariablesWithUndo(ed, {0});
    EXPECT_EQ(m->GetVarCount(), 1);
    EXPECT_THROW(DeleteVariableWithUndo(ed, "y"), Exception);
    EXPECT_EQ(m->GetVarCount(), 1);
}

struct GroupCase {
    const char* what;
    bool set;
    int group;
    std::uint16_t before, after;
};

TEST(DataEditCommands, GroupSetAndResetOnlyTouchTheGroupBit) {
    const std::vector<GroupCase> cases = {
        {"set adds the bit", true, 2, 0x1, 0x3},
        {"set keeps a member", true, 1, 0x1, 0x1},
        {"reset removes the bit", false, 1, 0x3, 0x2},
        {"reset leaves a non-member outside", false, 2, 0x1, 0x1},
        {"group 16", true, 16, 0x0, 0x8000},
        {"group 17 changes nothing", true, 17, 0x4, 0x4},
        {"group 0 changes nothing", false, 0, 0x4, 0x4},
        {"group -3 changes nothing", true, -3, 0x4, 0x4},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        auto m = Small();
        UndoStore store;
        const DataEdit ed{*m, store, {}};
        for (int i = 0; i < 5; ++i) m->SetMark(i, 1, c.before);
        SetGroupWithUndo(ed, 1, 1, 1, 3, c.set, c.group);
        EXPECT_EQ(m->GetMark(0, 1), c.before);
        for (int i = 1; i <= 3; ++i) EXPECT_EQ(m->GetMark(i, 1), c.after);
        EXPECT_EQ(m->GetMark(4, 1), c.before);
        if (c.before != c.after) {
            ASSERT_TRUE(store.Undo(*m));
            for (int i = 0; i < 5; ++i) EXPECT_EQ(m->GetMark(i, 1), c.before);
        }
    }
}

TEST(DataEditCommands, EachCommandIsOneStepAndTwoCommandsTwoSteps) {
    auto m = Small();
    UndoStore store;
    const DataEdit ed{*m, store, {}};
    const auto p0 = Picture(*m);
    DeleteObservationsWithUndo(ed, {1, 3});
    const auto p1 = Picture(*m);
    DeleteObservationsWithUndo(ed, {0, 2});
    EXPECT_EQ(store.UndoStepCount(), 2);
    EXPECT_EQ(store.UndoRecordCount(), 4);
    EXPECT_EQ(store.UndoHead()->kind, UndoKind::ObsesDeleted);
    ASSERT_TRUE(store.Undo(*m));
    EXPECT_EQ(PictureDiff(Picture(*m), p1), "");
    ASSERT_TRUE(store.Undo(*m));
    EXPECT_EQ(PictureDiff(Picture(*m), p0), "");
    InsertRowsWithUndo(ed, 1, {DataString(4, 0, 1.0), DataString(4, 0, 2.0)});
    InsertRowsWithUndo(ed, 0, {DataString(4, 0, 3.0), DataString(4, 0, 4.0)});
    EXPECT_EQ(m->GetObsCount(), 9);
    ASSERT_TRUE(store.Undo(*m));
    EXPECT_EQ(m->GetObsCount(), 7);
}

TEST(UndoStoreRules, DepthLimitKeepsTheNewestStepsAndIsAtLeastOne) {
    for (int limit : {-5, 0, 1, 3}) {
        SCOPED_TRACE(limit);
        auto m = Small();
        UndoStore store;
        store.SetLimit(limit);
        const int kept = std::max(1, limit);
        EXPECT_EQ(store.Limit(), kept);
        const DataEdit ed{*m, store, {}};
        for (int s = 0; s < 5; ++s) SetCellValueWithUndo(ed, 0, 0, 10.0 + s);
        EXPECT_EQ(store.UndoStepCount(), kept);
        while (store.CanUndo()) ASSERT_TRUE(store.Undo(*m));
        EXPECT_EQ(m->GetValue(0, 0), 10.0 + 4 - kept);
        EXPECT_TRUE(m->IsModified());  // the saved state was dropped
    }
}

TEST(UndoStoreRules, ModifiedFlagFollowsTheSavePoint) {
    auto m = Small();
    UndoStore store;
    store.ClearAll();
    m->SetModified(false);
    const DataEdit ed{*m, store, {}};
    SetCellValueWithUndo(ed, 0, 0, 7.0);
    EXPECT_TRUE(m->IsModified());
    ASSERT_TRUE(store.Undo(*m));
    EXPECT_FALSE(m->IsModified());
    ASSERT_TRUE(store.Redo(*m));
    EXPECT_TRUE(m->IsModified());
    // Saved here: undo leaves the saved state, redo comes back to it.
    store.MarkSaved();
    m->SetModified(false);
    ASSERT_TRUE(store.Undo(*m));
    EXPECT_TRUE(m->IsModified());
    ASSERT_TRUE(store.Redo(*m));
    EXPECT_FALSE(m->IsModified());
    // A change without a record: no step leads back.
    SetCellValueWithUndo(ed, 1, 0, 8.0);
    RenameVariableWithUndo(ed, "a", "aa", false);
    ASSERT_TRUE(store.Undo(*m));
    ASSERT_TRUE(store.Undo(*m));
    ASSERT_TRUE(store.Redo(*m));
    EXPECT_TRUE(m->IsModified());
}

TEST(UndoStoreRules, AStepThatCannotApplyIsRefusedWhole) {
    ScriptedServices services;
    EngineContext context;
    context.SetServices(&services);
    auto m = Small();
    m->SetContext(context);
    UndoStore store;
    const DataEdit ed{*m, store, {}};
    Var v = Column("n", {5, 1, 4, 2, 3});
    AddVariableWithUndo(ed, v);
    m->SetDependent(4);  // not recorded
    const auto before = Picture(*m);
    services.QueueOK();
    EXPECT_FALSE(store.Undo(*m));
    EXPECT_FALSE(store.Refusal().empty());
    EXPECT_EQ(store.UndoRecordCount(), 1);
    EXPECT_EQ(PictureDiff(Picture(*m), before), "");
    EXPECT_EQ(services.CallsOf(ServiceCall::MessageBox).size(), 1u);
    m->SetDependent(3);
    EXPECT_TRUE(store.Undo(*m));
    EXPECT_EQ(m->GetVarCount(), 4);
}

TEST(UndoStoreRules, GroupMarkingAfterUndoKeepsTheRedoList) {
    auto m = Small();
    UndoStore store;
    const DataEdit ed{*m, store, {}};
    SetCellValueWithUndo(ed, 0, 0, 7.0);
    ASSERT_TRUE(store.Undo(*m));
    SetGroupWithUndo(ed, 0, 0, 1, 1, true, 3);
    EXPECT_TRUE(store.CanRedo());
    ASSERT_TRUE(store.Redo(*m));
    EXPECT_EQ(m->GetValue(0, 0), 7.0);
    EXPECT_EQ(m->GetMark(0, 0), 4);
    SetCellValueWithUndo(ed, 0, 1, 9.0);
    EXPECT_FALSE(store.CanRedo());
}

TEST(UndoStoreRules, BoxCoxUndoRestoresValuesAndParameterExactly) {
    auto m = Small();
    UndoStore store;
    store.BoxCox() = {0.123456789123, true};
    const DataEdit ed{*m, store, {}};
    const auto before = Picture(*m);
    BoxCoxExchangeWithUndo(ed, {1, 0, 1, 0}, {{0.1, 0.2, 0.3, 0.4, 0.5}, {9, 8, 7, 6, 5}}, 0.25);
    EXPECT_EQ(store.BoxCox().parameter, 0.25);
    ASSERT_TRUE(store.Undo(*m));
    EXPECT_EQ(store.BoxCox().parameter, 0.123456789123);
    EXPECT_TRUE(store.BoxCox().done);
    EXPECT_EQ(PictureDiff(Picture(*m), before), "");
    ASSERT_TRUE(store.Redo(*m));
    EXPECT_EQ(store.BoxCox().parameter, 0.25);
    EXPECT_EQ(m->GetValue(4, 2), 5.0);
}

TEST(UndoStoreRules, UndoingAVariableDeletionBringsBackItsEquationsAndRole) {
    auto m = Small();
    UndoStore store;
    const DataEdit ed{*m, store, {}};
    std::vector<double> coefs{1.0, 2.0};
    std::vector<std::string> names{"a", "b"};
    m->AddExpres(Expres("c", 2, false, coefs, names));
    m->AddExpres(Expres("y", 2, false, coefs, names));
    const auto before = Picture(*m);
    DeleteVariableWithUndo(ed, "a");
    EXPECT_EQ(m->Expressions().GetCount(), 0);
    ASSERT_TRUE(store.Undo(*m));
    EXPECT_EQ(PictureDiff(Picture(*m), before), "");
    EXPECT_EQ(m->GetRole(0), Reg::kRoleExplanatory);
}

TEST(UndoStoreRules, AppendDataMatchesNamesAndIsOneStep) {
    auto m = Small();
    UndoStore store;
    const DataEdit ed{*m, store, {}};
    auto other = MakeModel({{7, 8, 9}, {1, 1, 2}}, {}, {"b", "zz"});
    other->SetMark(1, 0, 5);
    EXPECT_TRUE(AppendDataWithUndo(ed, *other, {1, 1, 0}));
    EXPECT_EQ(m->GetObsCount(), 7);
    EXPECT_EQ(m->GetValue(6, 1), 8.0);
    EXPECT_EQ(m->GetMark(6, 1), 5);
    EXPECT_EQ(m->GetValue(6, 0), 0.0);
    auto none = MakeModel({{7, 8}}, {}, {"q"});
    EXPECT_FALSE(AppendDataWithUndo(ed, *none, {1, 1}));
    ASSERT_TRUE(store.Undo(*m));
    EXPECT_EQ(m->GetObsCount(), 5);
}

}  // namespace

namespace {

TEST(UndoStoreRules, NoRoomForARecordDropsTheHistoryAndTheEditGoesOn) {
    auto m = Small();
    ScriptedServices services;
    UndoStore store;
    store.SetServices(&services);
    store.ClearAll();
    m->SetModified(false);
    const DataEdit ed{*m, store, {}};
    SetCellValueWithUndo(ed, 0, 0, 7.0);
    // No room for the step of a cell, then for the second record of a
    // deletion of two observations: each edit goes on alone in a fresh
    // history.
    for (int successes : {0, 2}) {
        services.QueueYes();
        store.FailAllocationAfter(successes);
        if (successes == 0) SetCellValueWithUndo(ed, 2, 0, 9.0);
        else DeleteObservationsWithUndo(ed, {3, 1});
        EXPECT_EQ(store.UndoRecordCount(), 1);
    }
    const auto boxes = services.CallsOf(ServiceCall::MessageBox);
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_EQ(boxes[0].text, "リソースが足りません。\nアンドゥ・リドゥをキャンセルします。");
    EXPECT_EQ(boxes[0].value, static_cast<long>(mbYes));
    EXPECT_EQ(m->GetObsCount(), 3);
    ASSERT_TRUE(store.Undo(*m));
    ASSERT_EQ(m->GetObsCount(), 4);
    EXPECT_EQ(m->GetValue(1, 3), 4.0);  // observation 1 of y is back in place
    EXPECT_FALSE(store.CanUndo());
    EXPECT_TRUE(m->IsModified());  // the saved state is out of reach
}

TEST(DataEditCommands, AFirstVariableMakesTheDataSet) {
    Var v = Column("x", {1, 4, 2});
    v.SetInfo("note");
    v.SetType(2);
    const auto m = MakeModelFromVariable(v);
    EXPECT_EQ(m->GetFileName(), "NONAME.MDF");
    ASSERT_EQ(m->GetVarCount(), 1);
    EXPECT_EQ(m->GetObsCount(), 3);
    EXPECT_EQ(m->GetVarName(0), "x");
    EXPECT_EQ(m->GetVarInfo(0), "note");
    EXPECT_EQ(m->GetVarType(0), 2);
    EXPECT_EQ(m->GetValue(1, 0), 4.0);
    EXPECT_EQ(m->GetDependent(), 0);
    EXPECT_THROW(MakeModelFromVariable(Column("c", {2, 2, 2})), Exception);  // 定数です
}

}  // namespace
