// "%" commands that edit the data set: each compiled from source, run on the
// data set x1, x2, y, then undone and redone with "%undo" and "%redo". The
// expected tables are worked out by hand from the data set.
#include <gtest/gtest.h>

#include <functional>

#include "core/model/undo_store.h"
#include "macro_system_support.h"

namespace {

using Marks = std::vector<std::vector<std::uint16_t>>;

struct EditCase {
    const char* body;
    DataTable after;
    std::function<void(Reg&)> prepare = {};
};

const std::vector<std::uint16_t> kNoMarks(6, 0);

// Every cell of x2 in groups 1 and 3.
void MarkX2(Reg& m) {
    for (int i = 0; i < 6; ++i) m.SetMark(i, 1, 5);
}

std::vector<EditCase> EditCases() {
    const std::vector<std::string> xy = {"x1", "x2", "y"};
    return {
        {"mat b = {7, 8, 9} %adddata b",
         Table(xy, {{1, 2, 3, 4, 5, 6, 7}, {2, 1, 4, 2, 6, 5, 8}, {3.5, 4, 7.5, 7, 11.5, 12, 9}})},
        // Position 2 puts the new observation third.
        {"mat b = {7, 8, 9} %insdata 2, b",
         Table(xy, {{1, 2, 7, 3, 4, 5, 6}, {2, 1, 8, 4, 2, 6, 5}, {3.5, 4, 9, 7.5, 7, 11.5, 12}})},
        {"mat b = {7, 8, 9} %insdata 0, b",
         Table(xy, {{7, 1, 2, 3, 4, 5, 6}, {8, 2, 1, 4, 2, 6, 5}, {9, 3.5, 4, 7.5, 7, 11.5, 12}})},
        {"mat b = {7, 8, 9} %insdata 6, b",
         Table(xy, {{1, 2, 3, 4, 5, 6, 7}, {2, 1, 4, 2, 6, 5, 8}, {3.5, 4, 7.5, 7, 11.5, 12, 9}})},
        // Observations 3 and 5 in one step.
        {"%deldata 3, 5", Table(xy, {{1, 2, 4, 6}, {2, 1, 2, 5}, {3.5, 4, 7, 12}})},
        {"%deldata 5, 3, 5", Table(xy, {{1, 2, 4, 6}, {2, 1, 2, 5}, {3.5, 4, 7, 12}})},
        {"%xchgdata 1, 6", Table(xy, {{6, 2, 3, 4, 5, 1}, {5, 1, 4, 2, 6, 2}, {12, 4, 7.5, 7, 11.5, 3.5}})},
        {"mat a = {1, 0, 2, 0, 3, 0} %addvar \"z\", a",
         Table({"x1", "x2", "y", "z"}, {kX1X2Y[0], kX1X2Y[1], kX1X2Y[2], {1, 0, 2, 0, 3, 0}})},
        {"mat a = {1, 0, 2, 0, 3, 0} %insvar \"z\", 2, a",
         Table({"x1", "z", "x2", "y"}, {kX1X2Y[0], {1, 0, 2, 0, 3, 0}, kX1X2Y[1], kX1X2Y[2]})},
        {"mat a = {1, 0, 2, 0, 3, 0} %insvar \"z\", 4, a",
         Table({"x1", "x2", "y", "z"}, {kX1X2Y[0], kX1X2Y[1], kX1X2Y[2], {1, 0, 2, 0, 3, 0}})},
        {"%delvar 2", Table({"x1", "y"}, {kX1X2Y[0], kX1X2Y[2]})},
        {"%delvar \"x1\"", Table({"x2", "y"}, {kX1X2Y[1], kX1X2Y[2]})},
        {"%xchgvar 1, 2", Table({"x2", "x1", "y"}, {kX1X2Y[1], kX1X2Y[0], kX1X2Y[2]})},
        {"%xchgvar \"x1\", \"y\"", Table({"y", "x2", "x1"}, {kX1X2Y[2], kX1X2Y[1], kX1X2Y[0]})},
        // The old name comes first.
        {"%rename \"x1\", \"w\"", Table({"w", "x2", "y"}, kX1X2Y)},
        {"mat a = {6, 5, 4, 3, 2, 9} %set 2, a", Table(xy, {kX1X2Y[0], {6, 5, 4, 3, 2, 9}, kX1X2Y[2]})},
        {"%vartype 1, en", Table(xy, kX1X2Y, {}, {1, 0, 0})},
        {"%vartype 3, lg", Table(xy, kX1X2Y, {}, {0, 0, 3})},
        // Group 3 is bit 4; "-" makes the cells join it.
        {"%group - 3, 1, 2, 4", Table(xy, kX1X2Y, {{0, 4, 4, 4, 0, 0}, kNoMarks, kNoMarks})},
        {"%group - 3, 1, 4, 2", Table(xy, kX1X2Y, {{0, 4, 4, 4, 0, 0}, kNoMarks, kNoMarks})},
        // Without "-" each cell changes its membership; other groups stay.
        {"%group 3, 2, 2, 3", Table(xy, kX1X2Y, {kNoMarks, {0, 4, 4, 0, 0, 0}, kNoMarks})},
        {"%group 3, 2, 2, 3", Table(xy, kX1X2Y, {kNoMarks, {5, 1, 1, 5, 5, 5}, kNoMarks}), MarkX2},
        {"%grpclr 2, 2, 5", Table(xy, kX1X2Y, {kNoMarks, {5, 0, 0, 0, 0, 5}, kNoMarks}), MarkX2},
        {"%sort 3, up", Table(xy, {{1, 2, 4, 3, 5, 6}, {2, 1, 2, 4, 6, 5}, {3.5, 4, 7, 7.5, 11.5, 12}})},
        {"%sort 3, down", Table(xy, {{6, 5, 3, 4, 2, 1}, {5, 6, 4, 2, 1, 2}, {12, 11.5, 7.5, 7, 4, 3.5}})},
        // Variable numbers outside the range sort by the first or the last.
        {"%sort 0, down", Table(xy, {{6, 5, 4, 3, 2, 1}, {5, 6, 2, 4, 1, 2}, {12, 11.5, 7, 7.5, 4, 3.5}})},
        {"%sort 99, up", Table(xy, {{1, 2, 4, 3, 5, 6}, {2, 1, 2, 4, 6, 5}, {3.5, 4, 7, 7.5, 11.5, 12}})},
        // Marks move with their observations.
        {"%sort 3, down",
         Table(xy, {{6, 5, 3, 4, 2, 1}, {5, 6, 4, 2, 1, 2}, {12, 11.5, 7.5, 7, 4, 3.5}},
               {{0, 0, 0, 0, 0, 2}, kNoMarks, kNoMarks}),
         [](Reg& m) { m.SetMark(0, 0, 2); }},
    };
}

TEST(MacroSystemEdits, EveryEditUndoesAndRedoesAsOneStep) {
    for (const EditCase& c : EditCases()) {
        SystemFixture f;
        if (c.prepare) c.prepare(*f.state.Model());
        const DataTable before = f.Now();
        ASSERT_EQ(f.RunBody(c.body), "") << c.body;
        ExpectTable(f.Now(), c.after, c.body);
        EXPECT_EQ(f.state.Undo().UndoStepCount(), 1) << c.body;

        f.services.ClearCalls();
        ASSERT_EQ(f.RunBody("%undo"), "") << c.body;
        EXPECT_EQ(f.services.CallsOf(ServiceCall::UndoCommand).size(), 1u) << c.body;
        ExpectTable(f.Now(), before, std::string("undone: ") + c.body);
        EXPECT_FALSE(f.services.UndoEditEnabled()) << c.body;
        EXPECT_TRUE(f.services.RedoEditEnabled()) << c.body;

        ASSERT_EQ(f.RunBody("%redo"), "") << c.body;
        EXPECT_EQ(f.services.CallsOf(ServiceCall::RedoCommand).size(), 1u) << c.body;
        ExpectTable(f.Now(), c.after, std::string("redone: ") + c.body);
        EXPECT_TRUE(f.services.UndoEditEnabled()) << c.body;
    }
}

// Two edits of one run are two steps, undone newest first.
TEST(MacroSystemEdits, EditsOfOneRunUndoStepByStep) {
    SystemFixture f;
    ASSERT_EQ(f.RunBody("%xchgdata 1, 2 %rename \"y\", \"v\""), "");
    EXPECT_EQ(f.state.Undo().UndoStepCount(), 2);
    ASSERT_EQ(f.RunBody("%undo"), "");
    ExpectTable(f.Now(), Table({"x1", "x2", "y"}, {{2, 1, 3, 4, 5, 6}, {1, 2, 4, 2, 6, 5}, {4, 3.5, 7.5, 7, 11.5, 12}}),
                "rename undone");
    ASSERT_EQ(f.RunBody("%undo"), "");
    ExpectTable(f.Now(), StartTable(), "both undone");
}

// The first variable of an empty program makes a data set of as many
// observations as the array has elements, with nothing to undo.
TEST(MacroSystemEdits, AddvarWithoutDataSetMakesOne) {
    SystemFixture f(false);
    ASSERT_EQ(f.Run("macro m var a[4] { mat a = {2, 4, 1, 3} %addvar \"p\", a }"), "");
    ASSERT_NE(f.state.Model(), nullptr);
    ExpectTable(f.Now(), Table({"p"}, {{2, 4, 1, 3}}), "made");
    EXPECT_EQ(f.state.Model()->GetFileName(), "NONAME.MDF");
    EXPECT_EQ(f.state.Undo().UndoStepCount(), 0);
    EXPECT_EQ(f.services.CallsOf(ServiceCall::RefreshAfterLoad).size(), 1u);
}

TEST(MacroSystemEdits, AddvarWithoutDataSetRefusesReservedName) {
    SystemFixture f(false);
    EXPECT_NE(f.Run("macro m var a[2] { mat a = {1, 2} %addvar \"sin\", a }"), "");
    EXPECT_EQ(f.state.Model(), nullptr);
}

// A refused edit records nothing and leaves the data set as it was.
TEST(MacroSystemEdits, RefusedEditsChangeNothing) {
    const struct {
        const char* body;
        const char* message;
    } cases[] = {
        {"mat a = {1, 1, 1, 1, 1, 1} %addvar \"z\", a", "定数です = z"},
        {"mat a = {1, 2, 3, 4, 5, 6} %addvar \"x2\", a", "二重定義エラー"},
        {"%rename \"x1\", \"x2\"", "二重定義エラー"},
        {"%delvar \"y\"", "目的変数は削除できません: y"},
        {"%delvar \"none\"", "変数がありません: none"},
        {"%deldata 1, 2, 3, 4, 5, 6", "すべてのデータ組は削除できません。"},
    };
    for (const auto& c : cases) {
        SystemFixture f;
        EXPECT_EQ(f.RunBody(c.body), c.message) << c.body;
        ExpectTable(f.Now(), StartTable(), c.body);
        EXPECT_EQ(f.state.Undo().UndoStepCount(), 0) << c.body;
    }
}

// "file" makes the data bank of the user scalars the active one.
TEST(MacroSystemEdits, UservarChoosesTheBank) {
    SystemFixture f;
    ASSERT_EQ(f.RunBody("%uservar file"), "");
    EXPECT_EQ(f.state.UserScalars().BankSwitch(), 1);
    ASSERT_EQ(f.RunBody("%uservar sys"), "");
    EXPECT_EQ(f.state.UserScalars().BankSwitch(), 0);
}

}  // namespace
