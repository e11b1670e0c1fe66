// The macro host: expressions of the numeric fields, running and compiling
// sources, their messages and the preset current value.
#include <gtest/gtest.h>

#include "eval/calc_str.h"
#include "macro_engine_support.h"

namespace {

TEST(MacroHost, EvaluatesExpressionsTable) {
    struct Case {
        const char* text;
        double preset;
        double expected;
    };
    // Values worked out by hand.
    const Case cases[] = {
        {"1+2", 0, 3},          {"2^10", 0, 1024},   {"7-2*3", 0, 1},       {"(1+2)*(3+4)", 0, 21},
        {"@@*2", 4, 8},         {"@@+@@", -1.5, -3}, {"10/4", 0, 2.5},       {"1, 2, 3", 0, 3},
        {"sqrt(16)+@@", 1, 5},  {"-(4-6)", 9, 2},
    };
    for (const Case& c : cases) {
        EngineFixture f;
        f.host.SetCurrentValue(c.preset);
        EXPECT_DOUBLE_EQ(f.host.EvaluateExpression(c.text), c.expected) << c.text;
        EXPECT_TRUE(f.host.Done()) << c.text;
        EXPECT_TRUE(f.Messages().empty()) << c.text;
        // The evaluator's "@@" follows the value left.
        EXPECT_DOUBLE_EQ(f.state.Evaluator().CurrentValue(), c.expected) << c.text;
    }
}

TEST(MacroHost, EmptyExpressionIsZeroAndShowsNothing) {
    EngineFixture f;
    f.host.SetCurrentValue(7);
    EXPECT_EQ(f.host.EvaluateExpression(""), 0.0);
    EXPECT_TRUE(f.host.Done());
    EXPECT_TRUE(f.Messages().empty());
    EXPECT_EQ(f.host.CurrentValue(), 7.0);
}

TEST(MacroHost, FailedExpressionShowsItsErrorAndKeepsThePreset) {
    struct Case {
        const char* text;
        const char* message;  // empty: only the prefix is checked
    };
    const Case cases[] = {
        {"1/0", "【式実行時エラー】\n範囲エラー at -1"},
        {"@@/(2-2)", "【式実行時エラー】\n範囲エラー at -1"},
        {"1+", ""},
        {"(2", ""},
        {"nosuchname", ""},
    };
    for (const Case& c : cases) {
        EngineFixture f;
        f.services.QueueOK();
        f.host.SetCurrentValue(12.5);
        EXPECT_EQ(f.host.EvaluateExpression(c.text), 12.5) << c.text;
        EXPECT_EQ(f.state.Evaluator().CurrentValue(), 12.5) << c.text;
        EXPECT_FALSE(f.host.Done()) << c.text;
        const auto messages = f.Messages();
        ASSERT_EQ(messages.size(), 1u) << c.text;
        if (*c.message)
            EXPECT_EQ(messages[0], c.message);
        else
            EXPECT_EQ(messages[0].rfind("【式実行時エラー】\n", 0), 0u) << messages[0];
    }
}

TEST(MacroHost, SettingTheCurrentValueAlwaysReachesTheEvaluator) {
    EngineFixture f;
    f.host.SetCurrentValue(5);
    // Someone sets the evaluator's value directly; presetting the same value
    // again must still bring "@@" back in step.
    f.state.Evaluator().SetCurrentValue(9);
    f.host.SetCurrentValue(5);
    EXPECT_EQ(f.state.Evaluator().CurrentValue(), 5.0);
}

TEST(MacroHost, RunsASourceAndKeepsItsOutput) {
    EngineFixture f;
    f.host.RunMacroSource("macro m var x { x = 6; write x * 7 }");
    EXPECT_TRUE(f.host.Done());
    EXPECT_EQ(f.host.OutputText(), "42");
    EXPECT_TRUE(f.Messages().empty());
    EXPECT_EQ(f.host.Name(), "m");
}

TEST(MacroHost, EmptySourceRunsNothing) {
    EngineFixture f;
    f.host.RunMacroSource("");
    EXPECT_FALSE(f.host.Done());
    EXPECT_TRUE(f.Messages().empty());
}

TEST(MacroHost, RunErrorIsShownAndAddedToTheOutput) {
    EngineFixture f;
    f.services.QueueOK();
    f.host.RunMacroSource("macro m var x { write 1; x = 1/x }");
    EXPECT_FALSE(f.host.Done());
    EXPECT_EQ(f.Messages(), std::vector<std::string>{"【実行時エラー】\n範囲エラー at -1"});
    EXPECT_EQ(f.host.OutputText(), "1範囲エラー at -1");
}

TEST(MacroHost, CompileErrorOfARunIsARunError) {
    EngineFixture f;
    f.services.QueueOK();
    f.host.RunMacroSource("macro m { x = }");
    EXPECT_FALSE(f.host.Done());
    const auto messages = f.Messages();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].rfind("【実行時エラー】\n", 0), 0u) << messages[0];
}

TEST(MacroHost, CompileOnly) {
    EngineFixture f;
    f.host.CompileOnly("macro m(a) { a + 1 }");
    EXPECT_TRUE(f.host.Done());
    EXPECT_EQ(f.host.Name(), "m");
    EXPECT_EQ(f.host.ParameterCount(), 1);
    EXPECT_TRUE(f.Messages().empty());

    f.services.QueueOK();
    f.host.CompileOnly("macro m( { }");
    EXPECT_FALSE(f.host.Done());
    const auto messages = f.Messages();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].rfind("【コード変換エラー】\n", 0), 0u) << messages[0];
}

TEST(MacroHost, ExpressionsLeaveTheCompiledProgramAlone) {
    EngineFixture f;
    f.host.CompileOnly("macro m(a) { a + 1 }");
    const std::string listing = f.host.ListCode();
    EXPECT_EQ(f.host.EvaluateExpression("2*3"), 6.0);
    EXPECT_EQ(f.host.ListCode(), listing);
    EXPECT_EQ(f.host.Name(), "m");
}

TEST(MacroHost, ExpressionDuringASteppedSessionLeavesTheSession) {
    EngineFixture f;
    MacroCompile program(f.state);
    program.CompileExpression("1+2");
    MacroRun& run = f.host.Run();
    run.Start(program);
    int pc = 0;
    ASSERT_TRUE(run.Execute(program, pc));  // LDI 1
    const int cells = run.CellCount();
    EXPECT_EQ(f.host.EvaluateExpression("20+22"), 42.0);
    EXPECT_TRUE(f.host.Done());
    // The session goes on where it was.
    EXPECT_EQ(run.CellCount(), cells);
    while (run.Execute(program, pc)) {
    }
    run.Finish();
    EXPECT_EQ(run.CurrentValue(), 3.0);
}

}  // namespace
