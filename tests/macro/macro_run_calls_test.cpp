// Module calls and "def" blocks checked against what the callee declares,
// and "break", "next" and "return" leaving loop, select and try frames.
#include <gtest/gtest.h>

#include "macro/macro_compile.h"
#include "support/model_builder.h"
#include "macro_run_support.h"

namespace {

struct CallFixture : RunFixture {
    MacroObject object;

    // Compiles into a copy, so the declarations must travel with the code.
    std::string Program(const std::string& text) {
        MacroCompile c(state);
        c.CompileProgram(text);
        c.LinkProgram(object);
        const std::string error = Run(object);
        return error.empty() ? run.OutputText() : error;
    }
    // The address of the first ARG with declared arguments.
    int FirstArgumentAddress() const {
        return object.ArgumentDeclarations().empty() ? -1 : object.ArgumentDeclarations().front().address;
    }
};

TEST(MacroRunCalls, CompilerRecordsWhatTheCalleeDeclares) {
    CallFixture f;
    ASSERT_EQ(f.Program("macro m var v, w$, a[2] module g(n, t$, &r, @b) { } { g(1, \"s\", &v, a) }"), "");
    ASSERT_EQ(f.object.ArgumentDeclarations().size(), 1u);
    const std::vector<std::uint8_t> kinds = {akNumber, akText, akReference, akArray};
    EXPECT_EQ(f.object.ArgumentDeclarations()[0].kinds, kinds);
    EXPECT_EQ(f.object.Code()[f.FirstArgumentAddress()], opARG);
}

TEST(MacroRunCalls, ArgumentKindsTable) {
    struct Case {
        const char* text;
        const char* output;  // "at" means the type error at the ARG
    };
    const Case cases[] = {
        {"macro m module f(a) { write a * 2 } { f(3) }", "6"},
        {"macro m module f(a) { write a * 2 } { f(\"x\") }", "at"},
        {"macro m module g(t$) { write t$ + \"!\" } { g(\"ab\") }", "ab!"},
        {"macro m module g(t$) { write t$ } { g(1) }", "at"},
        // Same words in all, but each in the other's place.
        {"macro m module k(t$, a) { write t$, a } { k(\"x\", 1) }", "x\t1"},
        {"macro m module k(t$, a) { write t$, a } { k(1, \"x\") }", "at"},
        // A range is not a number.
        {"macro m module f(a) { write a } { f(##y) }", "at"},
        {"macro m { def (x = 2, s$ = \"t\") { write x, s$ } }", "2\tt"},
        {"macro m { def (x = \"a\") { write x } }", "at"},
        {"macro m var a[2] module h(@b) { write b[2] } { a[2] = 7; h(a) }", "7"},
        {"macro m var v module r(&x) { x = 4 } { r(&v); write v }", "4"},
    };
    for (const Case& c : cases) {
        CallFixture f;
        f.state.SetModel(MakeModel({{1, 2, 3}}, {}, {"y"}));
        const std::string out = f.Program(c.text);
        if (std::string(c.output) == "at")
            EXPECT_EQ(out, "型違反エラー at " + std::to_string(f.FirstArgumentAddress())) << c.text;
        else
            EXPECT_EQ(out, c.output) << c.text;
    }
}

// Runs step by step to the end and keeps the stacks for a look.
struct SteppedRun : CallFixture {
    int baseSP = 0;

    bool Step(const std::string& text) {
        MacroCompile c(state);
        c.CompileProgram(text);
        c.LinkProgram(object);
        run.Start(object);
        int pc = 0;
        run.Execute(object, pc);  // MCR: the main frame
        baseSP = run.SP();
        for (long n = 0; n < 10000000; ++n)
            if (!run.Execute(object, pc)) return true;
        return false;
    }
};

TEST(MacroRunCalls, JumpsOutOfAndWithinFramesTable) {
    struct Case {
        const char* name;
        const char* text;
        double value;
    };
    const Case cases[] = {
        {"next out of a select, 3000 times",
         "macro m var i, s { while (i < 6000) { i = i + 1; select (i mod 2) { case 0: next; case 1: s = s + 1 } };"
         " return s }",
         3000},
        {"break out of a select in a while",
         "macro m var i { while (1) { i = i + 1; select (i) { case 5: break } }; return i }", 5},
        {"break out of a select in a loop",
         "macro m var i, j { loop (i = 1, 100) { select (i) { case 7: break } }; return i }", 7},
        {"next out of a select in a loop",
         "macro m var i, s { loop (i = 1, 3000) { select (i mod 3) { case 0: next; case 1: s = s + 1 } }; return s }",
         1000},
        {"break out of a try",
         "macro m var i { while (1) { try { i = i + 1; if (i > 2000) break } catch { } }; return i }", 2001},
        {"next out of a try in a select",
         "macro m var i { for (i = 0; i < 2000; i = i + 1) { select (1) { case 1: try { next } catch { } } };"
         " return i }",
         2000},
        {"break out of nested selects",
         "macro m var i { do { i = i + 1; select (1) { case 1: select (2) { case 2: if (i == 9) break } } }"
         " while (1); return i }",
         9},
        {"return from the main body inside a select in a loop",
         "macro m var i { loop (i = 1, 10) { select (i) { case 4: return i * 10 } }; return 0 }", 40},
        // Jumps that stay inside an inner loop in a case, and inside a module
        // called from a select, keep the outer frames open.
        {"jumps within frames",
         "macro m var i, s module add(a) var k { while (k < a) { k = k + 1 }; return k }"
         " { select (2) { case 2: while (i < 5) { i = i + 1; s = s + add(i) } }; return s }",
         15},
    };
    for (const Case& c : cases) {
        SteppedRun f;
        ASSERT_TRUE(f.Step(c.text)) << c.name;
        EXPECT_EQ(f.run.AP(), 0) << c.name;
        EXPECT_EQ(f.run.LP(), 0) << c.name;
        EXPECT_EQ(f.run.EP(), 0) << c.name;
        EXPECT_EQ(f.run.TryFrameCount(), 0) << c.name;
        EXPECT_EQ(f.run.SP(), f.baseSP) << c.name;
        f.run.Finish();
        EXPECT_EQ(f.run.CurrentValue(), c.value) << c.name;
    }
}

}  // namespace
