// Reads of the fit from places the run cannot see in its code: a user
// function used as the element function of a range sees the model
// estimated from the cells the run has written, run whole or stepped.
//
// The data are x = 1..5 with y on x and a constant; R² worked out by hand.
#include <gtest/gtest.h>

#include "core/model/regression_model.h"
#include "macro/macro_compile.h"
#include "macro_run_support.h"
#include "support/model_builder.h"

namespace {

constexpr double kR2AfterWrite = 0.30120481927710846;  // y = 10 4 9 4 5

struct ElementFixture : RunFixture {
    ElementFixture() {
        state.SetModel(MakeModel({{1, 2, 3, 4, 5}, {2, 4, 9, 4, 5}}, {}, {"x", "y"}));
        EXPECT_TRUE(state.Model()->SetModel(1, {Reg::kRoleExplanatory, Reg::kRoleDependent, Reg::kRoleExplanatory}));
        state.UserFunctions().Entry(0).SetDefinition("r(v) = v * #R2");
    }
};

TEST(MacroRunDeferredReads, UserElementFunctionSeesTheModelAfterCellWrites) {
    const char* const sources[] = {
        // an array range after the write
        "macro m var a[1] { a[1] = 1; #y[1] = 10; sum(#@a.@r) }",
        // a data range taken before the write, read after it
        "macro m var s { s = sum(##x[1..1].@r, 0 * (#y[1] = 10)); s }",
    };
    for (const char* source : sources) {
        for (const bool stepped : {false, true}) {
            ElementFixture f;
            MacroCompile compiled(f.state);
            compiled.CompileProgram(source);
            if (stepped) {
                f.run.Start(compiled);
                int pc = 0;
                for (int steps = 0; steps < 10000 && f.run.Execute(compiled, pc); ++steps) {
                }
                f.run.Finish();
            } else {
                ASSERT_EQ(f.Run(compiled), "") << source;
            }
            EXPECT_NEAR(f.run.CurrentValue(), kR2AfterWrite, 1e-12) << source << (stepped ? " stepped" : " whole");
        }
    }
}

}  // namespace
