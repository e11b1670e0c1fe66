// A "stop" (or a throw no try catches) deep inside modules, blocks, loops,
// selects and tries ends the run with every frame closed, stepped as well as
// run whole.
#include <gtest/gtest.h>

#include "macro/macro_compile.h"
#include "macro_run_support.h"

namespace {

TEST(MacroRunStopFrames, StopOrUncaughtThrowInsideModulesAndBlocksClosesEveryFrame) {
    struct Case {
        const char* source;
        double value;  // worked out by hand
    };
    const Case cases[] = {
        {"macro m var x module h(v) { loop (x = 1, 3) { select (v) { case 2: stop v * 10 } } } { h(2) }", 20},
        {"macro m var i module h(v) { stop v + 1 } { loop (i = 1, 5) { try { select (i) { case 3: h(i) } } catch { } } }",
         4},
        {"macro m var i module h(v) { def (p = v) { stop p * 2 } } module k(v) { h(v + 1) } { select (1) { case 1: k(3) } }",
         8},
        {"macro m { def (p = 5) { def (q = p) { stop q - 1 } } }", 4},
        // a throw that no try catches
        {"macro m var x module h(v) { loop (x = 1, 3) { select (v) { case 2: throw v * 3 } } } { h(2) }", 6},
    };
    for (const Case& c : cases) {
        RunFixture f;
        MacroCompile compiled(f.state);
        compiled.CompileProgram(c.source);
        f.run.Start(compiled);
        int pc = 0;
        for (int steps = 0; steps < 10000 && f.run.Execute(compiled, pc); ++steps) {
        }
        ASSERT_LT(pc, compiled.CodeLength()) << c.source;
        EXPECT_TRUE(compiled.Code()[pc] == opEND || compiled.Code()[pc] == opEJP) << c.source;
        EXPECT_EQ(f.run.BP(), 1) << c.source;
        EXPECT_EQ(f.run.LP(), 0) << c.source;
        EXPECT_EQ(f.run.AP(), 0) << c.source;
        EXPECT_EQ(f.run.EP(), 0) << c.source;
        EXPECT_EQ(f.run.TryFrameCount(), 0) << c.source;
        f.run.Finish();
        EXPECT_EQ(f.run.CurrentValue(), c.value) << c.source;
        // The whole run ends with the same value.
        f.run.SetCurrentValue(0);
        EXPECT_EQ(f.Run(compiled), "") << c.source;
        EXPECT_EQ(f.run.CurrentValue(), c.value) << c.source;
    }
}

}  // namespace
