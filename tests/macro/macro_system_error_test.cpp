// Run-time errors of the "%" commands: indices, ranges and array sizes out of
// range (kind 0), wrong kinds of arguments (kind 1), no data set open
// (kind 2). The address is that of the SYS instruction (for the 14-byte
// fits its fifth byte). The macro's arrays a[6] and b[3] take the first 47
// bytes; then LDI is 9 bytes, LSI 2 + the text, SYS 10 or 14.
#include <gtest/gtest.h>

#include "core/model/undo_store.h"
#include "macro/macro_opcodes.h"
#include "macro_system_support.h"
#include "support/expect_exception.h"

namespace {

struct ErrorCase {
    const char* body;
    const char* error;
};

void ExpectErrors(const std::vector<ErrorCase>& cases, bool withData) {
    for (const ErrorCase& c : cases) {
        SystemFixture f(withData);
        EXPECT_EQ(f.RunBody(c.body), c.error) << c.body;
        if (!withData) {
            EXPECT_EQ(f.state.Model(), nullptr) << c.body;
            continue;
        }
        ExpectTable(f.Now(), StartTable(), c.body);
        EXPECT_EQ(f.state.Undo().UndoStepCount(), 0) << c.body;
    }
}

TEST(MacroSystemErrors, IndicesOutOfRangeAreTheRangeError) {
    ExpectErrors({
                     {"%xchgdata 1, 7", "範囲エラー at 65"},
                     {"%xchgdata 0, 2", "範囲エラー at 65"},
                     {"%deldata 7", "範囲エラー at 56"},
                     {"%deldata 2, 0", "範囲エラー at 65"},
                     {"%insdata 7, b", "範囲エラー at 56"},
                     {"%set 4, a", "範囲エラー at 56"},
                     {"%insvar \"z\", 5, a", "範囲エラー at 59"},
                     {"%delvar 4", "範囲エラー at 56"},
                     {"%delvar 0", "範囲エラー at 56"},
                     {"%xchgvar 1, 4", "範囲エラー at 65"},
                     {"%xchgvar \"x1\", \"q\"", "範囲エラー at 54"},
                     {"%group 17, 1, 1, 2", "範囲エラー at 83"},
                     {"%group 0, 1, 1, 2", "範囲エラー at 83"},
                     {"%group 3, 4, 1, 2", "範囲エラー at 83"},
                     {"%group 3, 1, 0, 2", "範囲エラー at 83"},
                     {"%grpclr 1, 1, 7", "範囲エラー at 74"},
                     {"%vartype 4, en", "範囲エラー at 56"},
                     {"%predict a, 1, 4", "範囲エラー at 69"},
                     {"%residual a, 0, 3", "範囲エラー at 69"},
                     {"%getvar \"t.MDF\", \"y\", a, 0, 1", "範囲エラー at 75"},
                 },
                 true);
}

// Fewer array elements than the command reads or writes.
TEST(MacroSystemErrors, ShortArraysAreTheRangeError) {
    ExpectErrors({
                     {"%set 1, b", "範囲エラー at 56"},
                     {"%addvar \"z\", b", "範囲エラー at 50"},
                     {"%insvar \"z\", 1, b", "範囲エラー at 59"},
                     {"%getvar \"t.MDF\", \"y\", b, 1, 4", "範囲エラー at 75"},
                     {"%putvar \"t.MDF\", \"y\", b, 1, 4", "範囲エラー at 75"},
                     {"%trend 1, b", "範囲エラー at 56"},
                     {"%trend 1, b, n", "範囲エラー at 56"},
                     {"%predict b, 1, 3", "範囲エラー at 69"},
                     {"%residual b, 1, 3", "範囲エラー at 69"},
                 },
                 true);
    SystemFixture f;
    // One element short of the three variables: MCR 9, LDI 9, AAC 10.
    EXPECT_EQ(f.Run("macro m var c[2] { %adddata c }"), "範囲エラー at 28");
    EXPECT_EQ(f.Run("macro m var c[2] { %insdata 1, c }"), "範囲エラー at 37");
    ExpectTable(f.Now(), StartTable(), "short rows");
}

TEST(MacroSystemErrors, NamesThatAreNoTextsAreTheTypeError) {
    ExpectErrors({
                     {"%rename 1, \"x\"", "型違反エラー at -1"},
                     {"%rename \"x1\", 2", "型違反エラー at -1"},
                 },
                 true);
}

TEST(MacroSystemErrors, CommandsOnDataNeedADataSet) {
    ExpectErrors({
                     {"%adddata b", "システムエラー at 47"},
                     {"%insdata 1, b", "システムエラー at 56"},
                     {"%deldata 1", "システムエラー at 56"},
                     {"%xchgdata 1, 2", "システムエラー at 65"},
                     {"%insvar \"z\", 1, a", "システムエラー at 59"},
                     {"%delvar 1", "システムエラー at 56"},
                     {"%xchgvar 1, 2", "システムエラー at 65"},
                     {"%rename \"a\", \"b\"", "システムエラー at 53"},
                     {"%set 1, a", "システムエラー at 56"},
                     {"%save \"t.MDF\"", "システムエラー at 54"},
                     {"%group 1, 1, 1, 1", "システムエラー at 83"},
                     {"%grpclr 1, 1, 1", "システムエラー at 74"},
                     {"%sort 1, up", "システムエラー at 56"},
                     {"%trend 1, a", "システムエラー at 56"},
                     {"%predict a, 1, 2", "型違反エラー at 69"},
                     {"%residual a, 1, 2", "型違反エラー at 69"},
                     {"%vartype 1, en", "型違反エラー at 56"},
                 },
                 false);
}

// Code that no compiler emits: an unknown command byte, and a delete list
// longer than the value stack.
TEST(MacroSystemErrors, MalformedInstructionsAreTheSystemError) {
    SystemFixture f;
    MacroObject unknown;
    unknown.EmitSys(26, 0, 0);
    unknown.Emit(opEND);
    unknown.FinishCode();
    ExpectExceptionMessage([&] { f.run.Run(unknown); }, "システムエラー at 0", "unknown command");

    MacroObject longList;
    longList.EmitNumber(opLDI, 1);
    longList.EmitSys(2, 5, 0);
    longList.Emit(opEND);
    longList.FinishCode();
    ExpectExceptionMessage([&] { f.run.Run(longList); }, "システムエラー at 9", "long delete list");
    ExpectTable(f.Now(), StartTable(), "malformed");
}

}  // namespace
