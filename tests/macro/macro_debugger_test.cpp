// Single-stepping a compiled macro: current line, registers and stacks
// after each instruction, and the listing's addresses.
#include <gtest/gtest.h>

#include "eval/app_state.h"
#include "macro/macro_compile.h"
#include "macro/macro_debugger.h"
#include "support/scripted_services.h"

namespace {

// "macro m var x { x = 2; write x + 1 }" lists as
//   0 *** m ***   1 "0 : MCR 0,6"   2 "9 : LDI 2"   3 "18 : STA [V,V,0:4]"
//   4 "29 : POP"  5 "30 : LDA [V,V,0:4]"  6 "41 : LDI 1"  7 "50 : ADD"
//   8 "51 : WRE"  9 "52 : END"
const char* const kSource = "macro m var x { x = 2; write x + 1 }";

struct StepCase {
    int line;        // current line after the step
    int sp;          // words: return slot, 4 header words, 2 for x
    int bp;
    int cells;       // value-stack cells
    double top;      // the top cell's number when there is one
};

class MacroDebuggerTest : public ::testing::Test {
protected:
    MacroDebuggerTest() {
        services_.SetFailOnUnusedAnswers(false);
        state_.SetServices(&services_);
        MacroCompile compiler(state_);
        compiler.CompileProgram(kSource);
        MacroObject program;
        compiler.LinkProgram(program);
        debugger_.Load(program);
    }
    ~MacroDebuggerTest() override { state_.SetServices(nullptr); }

    ScriptedServices services_;
    AppState state_;
    MacroDebugger debugger_{state_};
};

TEST_F(MacroDebuggerTest, ListingLinesCarryTheirAddresses) {
    ASSERT_EQ(debugger_.LineCount(), 10);
    EXPECT_EQ(debugger_.Lines()[0], "*** m ***");
    const int addresses[] = {-1, 0, 9, 18, 29, 30, 41, 50, 51, 52};
    for (int i = 0; i < 10; ++i) EXPECT_EQ(debugger_.LineAddress(i), addresses[i]) << i;
    EXPECT_EQ(debugger_.LineOfAddress(30), 5);
    EXPECT_EQ(debugger_.LineOfAddress(31), MacroDebugger::kNoAddress);
    EXPECT_EQ(debugger_.CurrentLine(), 1);
    EXPECT_EQ(debugger_.ProgramCounter(), 0);
}

TEST_F(MacroDebuggerTest, EachStepMovesLineRegistersAndStacksAsTheListingSays) {
    const StepCase steps[] = {
        {2, 7, 1, 0, 0}, {3, 7, 1, 1, 2}, {4, 7, 1, 1, 2}, {5, 7, 1, 0, 0},
        {6, 7, 1, 1, 2}, {7, 7, 1, 2, 1}, {8, 7, 1, 1, 3}, {9, 7, 1, 0, 0},
    };
    int n = 0;
    for (const StepCase& c : steps) {
        ++n;
        EXPECT_FALSE(debugger_.Step()) << "step " << n;
        const MacroRun& run = debugger_.Interpreter();
        EXPECT_EQ(debugger_.CurrentLine(), c.line) << "step " << n;
        EXPECT_EQ(run.SP(), c.sp) << "step " << n;
        EXPECT_EQ(run.BP(), c.bp) << "step " << n;
        ASSERT_EQ(run.CellCount(), c.cells) << "step " << n;
        if (c.cells > 0) {
            EXPECT_EQ(run.CellAt(c.cells - 1).number, c.top) << "step " << n;
        }
    }
    // x = 2.0 is 0x4000000000000000: low word first.
    const MacroRun& run = debugger_.Interpreter();
    EXPECT_EQ(run.WordAt(5), 0);
    EXPECT_EQ(run.WordAt(6), 0x40000000);
    // The frame header: caller's BP 0, nothing to drop, level 0, linked to itself.
    EXPECT_EQ(run.WordAt(1), 0);
    EXPECT_EQ(run.WordAt(2), 0);
    EXPECT_EQ(run.WordAt(3), 0);
    EXPECT_EQ(run.WordAt(4), 1);
    EXPECT_EQ(debugger_.OutputText(), "3");
    EXPECT_TRUE(debugger_.Running());
    // END ends the run and frees the stacks.
    EXPECT_TRUE(debugger_.Step());
    EXPECT_FALSE(debugger_.Running());
    EXPECT_EQ(debugger_.Interpreter().SP(), 0);
    EXPECT_EQ(debugger_.CurrentLine(), 9);
    // Stepping after the end does nothing.
    EXPECT_FALSE(debugger_.Step());
    EXPECT_EQ(debugger_.CurrentLine(), 9);
}

TEST_F(MacroDebuggerTest, RunToLineStopsAtTheLineAndRunToEndFinishes) {
    debugger_.RunToLine(7);
    EXPECT_EQ(debugger_.CurrentLine(), 7);
    EXPECT_EQ(debugger_.Interpreter().CellCount(), 2);
    debugger_.RunToEnd();
    EXPECT_FALSE(debugger_.Running());
    EXPECT_EQ(debugger_.OutputText(), "3");
}

TEST_F(MacroDebuggerTest, ALineWithoutAddressKeepsTheProgramCounter) {
    debugger_.Step();
    debugger_.Step();
    ASSERT_EQ(debugger_.ProgramCounter(), 18);
    debugger_.SelectLine(0);  // the header
    EXPECT_EQ(debugger_.ProgramCounter(), 18);
    EXPECT_EQ(debugger_.CurrentLine(), 3);
    debugger_.SelectLine(99);
    EXPECT_EQ(debugger_.ProgramCounter(), 18);
    EXPECT_EQ(debugger_.CurrentLine(), 3);
}

TEST_F(MacroDebuggerTest, ResetStartsAgainFromTheTop) {
    debugger_.RunToLine(6);
    debugger_.Reset();
    EXPECT_EQ(debugger_.Interpreter().SP(), 0);
    EXPECT_EQ(debugger_.CurrentLine(), 1);
    EXPECT_FALSE(debugger_.Step());
    EXPECT_EQ(debugger_.CurrentLine(), 2);
    EXPECT_EQ(debugger_.Interpreter().SP(), 7);
}

TEST(MacroDebugger, UnfinishedCodeIsListedButNeverStepped) {
    ScriptedServices services;
    AppState state;
    state.SetServices(&services);
    MacroCompile compiler(state);
    EXPECT_THROW(compiler.CompileProgram("macro m var x { x = 2; write x + }"), Exception);
    MacroObject partial;
    compiler.LinkProgram(partial);
    MacroDebugger debugger(state);
    debugger.Load(partial);
    EXPECT_FALSE(debugger.CanStep());
    EXPECT_FALSE(debugger.Step());
    debugger.RunToEnd();
    debugger.RunToLine(3);
    EXPECT_EQ(debugger.Interpreter().SP(), 0);
    EXPECT_FALSE(debugger.Running());
    state.SetServices(nullptr);
}

TEST(MacroDebugger, ARunTimeErrorEndsTheSteppedRun) {
    ScriptedServices services;
    AppState state;
    state.SetServices(&services);
    MacroCompile compiler(state);
    compiler.CompileProgram("macro m var x, y { x = 1 / y }");
    MacroObject program;
    compiler.LinkProgram(program);
    MacroDebugger debugger(state);
    debugger.Load(program);
    EXPECT_THROW(debugger.RunToEnd(), Exception);
    EXPECT_FALSE(debugger.Running());
    EXPECT_EQ(debugger.Interpreter().SP(), 0);
    state.SetServices(nullptr);
}

TEST(MacroListingLines, AddressesAtTheHeadOfALine) {
    const std::pair<const char*, int> cases[] = {
        {"0 : MCR 0,6", 0}, {"52 : END", 52}, {"*** m ***", -1}, {"", -1},
        {"12: POP", -1},    {"x12 : POP", -1}, {"99999999999 : POP", -1},
    };
    for (const auto& [line, address] : cases) EXPECT_EQ(ListingLineAddress(line), address) << line;
    const std::vector<std::string> lines = SplitListing("*** m ***\r\n0 : MCR 0,4\r\n9 : END\r\n");
    EXPECT_EQ(lines, (std::vector<std::string>{"*** m ***", "0 : MCR 0,4", "9 : END"}));
}

}  // namespace
