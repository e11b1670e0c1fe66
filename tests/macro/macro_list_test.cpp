// The macro library: entries by name, calls with arguments, library calls
// from macros with their run-time name check, and nested calls.
#include <gtest/gtest.h>

#include "macro/macro_run_errors.h"
#include "macro_engine_support.h"
#include "support/expect_exception.h"

namespace {

std::vector<std::string> Names(const MacroList& library) {
    std::vector<std::string> names;
    for (int i = 0; i < library.Count(); ++i) names.push_back(library.EntryName(i));
    return names;
}

TEST(MacroList, AddReplaceFindRemove) {
    EngineFixture f;
    MacroList& lib = f.library;
    EXPECT_EQ(lib.Find("A"), -1);
    EXPECT_EQ(lib.AddOrReplace("macro A { 1 }"), 0);
    EXPECT_EQ(lib.AddOrReplace("macro B { 2 }"), 1);
    EXPECT_EQ(lib.AddOrReplace("macro C { 3 }"), 2);
    EXPECT_EQ(Names(lib), (std::vector<std::string>{"A", "B", "C"}));
    // Same name: replaced in place.
    EXPECT_EQ(lib.AddOrReplace("macro B(x) { x }"), 1);
    EXPECT_EQ(lib.Count(), 3);
    EXPECT_EQ(lib.EntrySource(1), "macro B(x) { x }");
    EXPECT_EQ(lib.ParameterCount(1), 1);
    // Names compare exactly.
    EXPECT_EQ(lib.Find("b"), -1);
    EXPECT_EQ(lib.Find("C"), 2);
    lib.Remove("nothing");
    EXPECT_EQ(lib.Count(), 3);
    lib.Remove("A");
    EXPECT_EQ(Names(lib), (std::vector<std::string>{"B", "C"}));
    lib.Remove("C");
    lib.Remove("B");
    EXPECT_EQ(lib.Count(), 0);
    EXPECT_EQ(lib.EntryName(0), "");
    EXPECT_EQ(lib.EntryName(-1), "");
}

TEST(MacroList, CompileErrorLeavesTheLibrary) {
    EngineFixture f;
    f.library.AddOrReplace("macro A { 1 }");
    EXPECT_THROW(f.library.AddOrReplace("macro A { 1 + }"), Exception);
    EXPECT_THROW(f.library.AddOrReplace("macro B { @~nothere }"), Exception);
    ASSERT_EQ(f.library.Count(), 1);
    EXPECT_EQ(f.library.EntrySource(0), "macro A { 1 }");
}

TEST(MacroList, ClearForgetsEntriesAndFile) {
    EngineFixture f;
    f.library.AddOrReplace("macro A { 1 }");
    f.library.Clear();
    EXPECT_EQ(f.library.Count(), 0);
    EXPECT_EQ(f.library.FileName(), "");
}

TEST(MacroList, CallPassesArgumentsByParameterKind) {
    struct Case {
        const char* source;
        std::vector<std::string> arguments;
        double expected;
    };
    // Number parameters read their argument as an expression, text
    // parameters take it as it is.
    const Case cases[] = {
        {"macro A(x) { x * 2 }", {"2.5"}, 5},
        {"macro A(x) { x * 2 }", {"1+2"}, 6},
        {"macro A(x, y) { x - y }", {"10", "4"}, 6},
        {"macro A(t$) { if (t$ == \"ab\") 1 else 2 }", {"ab"}, 1},
        {"macro A(t$) { if (t$ == \"ab\") 1 else 2 }", {"abc"}, 2},
    };
    for (const Case& c : cases) {
        EngineFixture f;
        f.library.AddOrReplace(c.source);
        EXPECT_DOUBLE_EQ(f.library.Call(0, c.arguments), c.expected) << c.source;
    }
}

TEST(MacroList, MissingArgumentIsAskedFor) {
    EngineFixture f;
    f.library.AddOrReplace("macro A(x, y: \"幅\") { x + y }");
    f.services.QueueInput("30");
    EXPECT_DOUBLE_EQ(f.library.Call(0, {"12"}), 42.0);
    const auto inputs = f.services.CallsOf(ServiceCall::Input);
    ASSERT_EQ(inputs.size(), 1u);
    EXPECT_EQ(inputs[0].text, "A :: 幅(実数)");
}

TEST(MacroList, CallOutsideTheLibraryIsARangeError) {
    EngineFixture f;
    ExpectExceptionMessage([&] { f.library.Call(0, {}); }, "範囲エラー at -1", "empty library");
    f.library.AddOrReplace("macro A { 1 }");
    ExpectExceptionMessage([&] { f.library.Call(1, {}); }, "範囲エラー at -1", "past the end");
    ExpectExceptionMessage([&] { f.library.Call(-1, {}); }, "範囲エラー at -1", "negative");
    ExpectExceptionMessage([&] { f.library.Compiled(1); }, "範囲エラー at -1", "compiled past the end");
}

TEST(MacroLibraryCall, FromExpressionsAndMacros) {
    struct Case {
        const char* text;
        double expected;
    };
    const Case cases[] = {
        {"@~Twice(4)", 8},
        {"@~Twice(2.5) + 1", 6},
        {"@~Twice(@~Twice(3))", 12},
        {"@~Len(\"abc\")", 3},
        {"@~Len(\"a\")", 1},
        // A number passed to a text parameter arrives as its text.
        {"@~Len(2.5)", 2.5},
    };
    for (const Case& c : cases) {
        EngineFixture f;
        f.library.AddOrReplace("macro Twice(x) { x * 2 }");
        f.library.AddOrReplace(
            "macro Len(t$) { if (t$ == \"abc\") 3 else if (t$ == \"a\") 1 else if (t$ == \"2.5\") 2.5 else -1 }");
        EXPECT_DOUBLE_EQ(f.host.EvaluateExpression(c.text), c.expected) << c.text;
        EXPECT_TRUE(f.host.Done()) << c.text;
        EXPECT_TRUE(f.Messages().empty()) << c.text;
    }
}

TEST(MacroLibraryCall, LibraryMacroCallsAnother) {
    EngineFixture f;
    f.library.AddOrReplace("macro A(x) { x + 1 }");
    f.library.AddOrReplace("macro B(x) { @~A(x) * 10 }");
    EXPECT_DOUBLE_EQ(f.host.EvaluateExpression("@~B(2)"), 30.0);
    f.host.RunMacroSource("macro m { write @~B(4) }");
    EXPECT_TRUE(f.host.Done());
    EXPECT_EQ(f.host.OutputText(), "50");
}

TEST(MacroLibraryCall, CallsInALoop) {
    EngineFixture f;
    f.library.AddOrReplace("macro Twice(x) { x * 2 }");
    // 2 * (1 + 2 + 3 + 4 + 5)
    f.host.RunMacroSource("macro m var i, s { for (i = 1; i <= 5; i++) s += @~Twice(i); s }");
    EXPECT_TRUE(f.host.Done());
    EXPECT_EQ(f.host.CurrentValue(), 30.0);
}

TEST(MacroLibraryCall, CompiledIndexIsCheckedByName) {
    EngineFixture f;
    f.library.AddOrReplace("macro A { 1 }");
    f.library.AddOrReplace("macro B { 2 }");
    MacroCompile program(f.state, &f.library);
    program.CompileExpression("@~B");  // index 1
    MacroRun run(f.state);
    run.SetLibrary(&f.library);
    // A removed: B moves to index 0 and C takes index 1.
    f.library.Remove("A");
    f.library.AddOrReplace("macro C { 3 }");
    run.Run(program);
    EXPECT_EQ(run.CurrentValue(), 2.0);
    // B gone as well: no macro of that name.
    f.library.Remove("B");
    EXPECT_THROW(run.Run(program), Exception);
}

TEST(MacroLibraryCall, EndlessRecursionStopsAtTheNestingLimit) {
    EngineFixture f;
    f.library.AddOrReplace("macro R(n) { n }");
    f.library.AddOrReplace("macro R(n) { @~R(n + 1) }");
    f.host.SetCurrentValue(-1);
    f.services.QueueOK();
    EXPECT_EQ(f.host.EvaluateExpression("@~R(0)"), -1.0);
    EXPECT_FALSE(f.host.Done());
    const auto messages = f.Messages();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].rfind("【式実行時エラー】\nシステムエラー", 0), 0u) << messages[0];
}

TEST(MacroLibraryCall, BoundedRecursionRuns) {
    EngineFixture f;
    f.library.AddOrReplace("macro F(n) { n }");
    // 5! by recursion, within the nesting limit.
    f.library.AddOrReplace("macro F(n) { if (n <= 1) 1 else n * @~F(n - 1) }");
    EXPECT_DOUBLE_EQ(f.host.EvaluateExpression("@~F(5)"), 120.0);
}

TEST(MacroLibraryCall, WithoutALibraryIsASystemError) {
    EngineFixture f;
    f.library.AddOrReplace("macro A { 1 }");
    MacroCompile program(f.state, &f.library);
    program.CompileExpression("@~A");
    MacroRun run(f.state);
    EXPECT_THROW(run.Run(program), Exception);
}

}  // namespace
