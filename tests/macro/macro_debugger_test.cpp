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
    }
    ~MacroDebuggerTest() override { state_.SetServices(nullptr); }

    // Compiles, links and loads the source; false when compiling threw.
    bool Load(const char* source) {
        MacroCompile compiler(state_);
        bool compiled = true;
        try {
            compiler.CompileProgram(source);
        } catch (const Exception&) {
            compiled = false;
        }
        MacroObject program;
        compiler.LinkProgram(program);
        debugger_.Load(program);
        return compiled;
    }

    ScriptedServices services_;
    AppState state_;
    MacroDebugger debugger_{state_};
};

// The debugger with kSource loaded.
class MacroDebuggerSteps : public MacroDebuggerTest {
protected:
    MacroDebuggerSteps() { Load(kSource); }
};

TEST_F(MacroDebuggerSteps, ListingLinesCarryTheirAddresses) {
    ASSERT_EQ(debugger_.LineCount(), 10);
    EXPECT_EQ(debugger_.Lines()[0], "*** m ***");
    const int addresses[] = {-1, 0, 9, 18, 29, 30, 41, 50, 51, 52};
    for (int i = 0; i < 10; ++i) EXPECT_EQ(debugger_.LineAddress(i), addresses[i]) << i;
    EXPECT_EQ(debugger_.LineOfAddress(30), 5);
    EXPECT_EQ(debugger_.LineOfAddress(31), MacroDebugger::kNoAddress);
    EXPECT_EQ(debugger_.CurrentLine(), 1);
    EXPECT_EQ(debugger_.ProgramCounter(), 0);
}

TEST_F(MacroDebuggerSteps, EachStepMovesLineRegistersAndStacksAsTheListingSays) {
    const StepCase steps[] = {
        {2, 7, 1, 0, 0}, {3, 7, 1, 1, 2}, {4, 7, 1, 1, 2}, {5, 7, 1, 0, 0},
        {6, 7, 1, 1, 2}, {7, 7, 1, 2, 1}, {8, 7, 1, 1, 3}, {9, 7, 1, 0, 0},
    };
    int n = 0;
    for (const StepCase& c : steps) {
        SCOPED_TRACE("step " + std::to_string(++n));
        EXPECT_FALSE(debugger_.Step());
        const MacroRun& run = debugger_.Interpreter();
        EXPECT_EQ(debugger_.CurrentLine(), c.line);
        EXPECT_EQ(run.SP(), c.sp);
        EXPECT_EQ(run.BP(), c.bp);
        ASSERT_EQ(run.CellCount(), c.cells);
        if (c.cells > 0) {
            EXPECT_EQ(run.CellAt(c.cells - 1).number, c.top);
        }
    }
    // Words 1 to 4, the frame header: caller's BP 0, nothing to drop, level 0,
    // linked to itself; words 5 and 6, x = 2.0 = 0x4000000000000000, low first.
    const int words[] = {0, 0, 0, 1, 0, 0x40000000};
    for (int w = 1; w <= 6; ++w) EXPECT_EQ(debugger_.Interpreter().WordAt(w), words[w - 1]) << "word " << w;
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

TEST_F(MacroDebuggerSteps, RunToLineStopsAtTheLineAndRunToEndFinishes) {
    debugger_.RunToLine(7);
    EXPECT_EQ(debugger_.CurrentLine(), 7);
    EXPECT_EQ(debugger_.Interpreter().CellCount(), 2);
    debugger_.RunToEnd();
    EXPECT_FALSE(debugger_.Running());
    EXPECT_EQ(debugger_.OutputText(), "3");
}

TEST_F(MacroDebuggerSteps, ALineWithoutAddressKeepsTheProgramCounter) {
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

TEST_F(MacroDebuggerSteps, ResetStartsAgainFromTheTop) {
    debugger_.RunToLine(6);
    debugger_.Reset();
    EXPECT_EQ(debugger_.Interpreter().SP(), 0);
    EXPECT_EQ(debugger_.CurrentLine(), 1);
    EXPECT_FALSE(debugger_.Step());
    EXPECT_EQ(debugger_.CurrentLine(), 2);
    EXPECT_EQ(debugger_.Interpreter().SP(), 7);
}

TEST_F(MacroDebuggerTest, UnfinishedCodeIsListedButNeverStepped) {
    EXPECT_FALSE(Load("macro m var x { x = 2; write x + }"));
    EXPECT_FALSE(debugger_.CanStep());
    EXPECT_FALSE(debugger_.Step());
    debugger_.RunToEnd();
    debugger_.RunToLine(3);
    EXPECT_EQ(debugger_.Interpreter().SP(), 0);
    EXPECT_FALSE(debugger_.Running());
}

TEST_F(MacroDebuggerTest, ARunTimeErrorEndsTheSteppedRun) {
    ASSERT_TRUE(Load("macro m var x, y { x = 1 / y }"));
    EXPECT_THROW(debugger_.RunToEnd(), Exception);
    EXPECT_FALSE(debugger_.Running());
    EXPECT_EQ(debugger_.Interpreter().SP(), 0);
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
