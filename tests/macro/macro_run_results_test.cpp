// Reads of the data set and of the fit from compiled macros: cells, design
// columns, the moment matrix, the fit's figures and the result rows, and
// writes of cells. y is fitted on x and a constant; the expected values were
// computed separately in Python (plain least squares formulas) and are
// pasted here.
#include <gtest/gtest.h>

#include <cmath>
#include <stdexcept>

#include "macro/macro_compile.h"
#include "support/model_builder.h"
#include "macro_run_support.h"

namespace {

const std::vector<double> kX = {2.5, 4, 7.25, 1.5, 9, 3.75, 6, 8.5, 5.5, 10};
const std::vector<double> kY = {-2, 3, -0.5, 4, 1, -3, 2, 0.5, -1, 5};

struct FitFixture : RunFixture {
    Reg* model = nullptr;

    FitFixture() {
        state.SetModel(MakeModel({kX, kY}, {}, {"x", "y"}));
        model = state.Model();
        model->SetDependent(1);
        if (!model->ToggleVariable(0)) throw std::runtime_error("x does not enter the model");
    }
    std::string Evaluate(const std::string& text) {
        MacroCompile c(state);
        c.CompileExpression(text);
        return Run(c);
    }
};

TEST(MacroRunResults, ReadsTable) {
    const std::pair<const char*, double> cases[] = {
        // Variables by the compiler's index: y is the second.
        {"#y[3]", -0.5},
        {"#x.ave + #y.max", 5.8 + 5},
        // The design column of x: its cells and statistics.
        {"#..x[3]", 7.25},
        {"#..x.ave", 5.8},
        {"#..x.sig", 2.8717977335150575},
        {"#..x.max", 10},
        {"#..x.min", 1.5},
        {"#..定数項[4]", 1},
        // Cross products of deviations; the constant's row holds the means.
        {"#s[1, 2]", 15.674999999999995},
        {"#s[3, 1]", 5.8},
        {"#s[3, 3]", 0.1},
        {"#vt", 6.822222222222222},
        {"#fe", 8},
        {"#ve", 7.261214845065679},
        {"#R2", 0.053913375235742134},
        {"#res[3]", -1.7062142135399125},
        {"#yest[7]", 0.9422364432468845},
        {"#pres[5]", -0.7555801104972374},
        {"#index[y]", 2},
        // Ranges of a result row and of a design column.
        {"sum(##res.pow(2))", 7.261214845065679 * 8},
        {"sum(##..x[2..3])", 11.25},
        // A result row stays a result row after "..".
        {"sum(##..res.pow(2))", 7.261214845065679 * 8},
        // Bounds far outside the data set, even outside int, are clamped.
        {"sum(##x[-1e12..1e12])", 58},
    };
    for (const auto& [text, expected] : cases) {
        FitFixture f;
        ASSERT_EQ(f.Evaluate(text), "") << text;
        EXPECT_NEAR(f.run.CurrentValue(), expected, 1e-12 * std::max(1.0, std::fabs(expected))) << text;
    }
}

TEST(MacroRunResults, CellWriteReachesTheNamedVariable) {
    FitFixture f;
    ASSERT_EQ(f.Evaluate("#y[3] = 4"), "");
    EXPECT_EQ(f.model->GetValue(2, 1), 4.0);
    EXPECT_EQ(f.model->GetValue(2, 0), 7.25);
    ASSERT_TRUE(f.state.Undo().Undo(*f.model));
    EXPECT_EQ(f.model->GetValue(2, 1), -0.5);
}

// After a refused fit a result row holds no figure: reading one, a cell or
// a range of it, ends the run with the refusal, never with a 0.
TEST(MacroRunResults, AResultRowReadAfterARefusedFitStopsTheRun) {
    const char refused[] = "変数 y の平方和が有限の数値になりません。";
    for (const char* text : {"#yobs[3]", "#res[3]", "sum(##res)"}) {
        SCOPED_TRACE(text);
        FitFixture f;
        f.services.SetAcknowledgeErrors(true);
        ASSERT_EQ(f.Evaluate("#y[3] = 1e200"), "");
        ASSERT_FALSE(f.model->HasEstimate());
        EXPECT_EQ(f.Evaluate(text), refused);
        EXPECT_EQ(f.model->GetValue(2, 1), 1e200);
    }
}

TEST(MacroRunResults, OutOfRangeTable) {
    struct Case {
        const char* name;
        void (*build)(MacroObject&);
        const char* error;
    };
    // SVR after one LDI: the instruction ends at 18, its checks give 18 - 13.
    const Case cases[] = {
        {"design observation 11", [](MacroObject& m) { Ldi(m, 11); m.EmitTwoInts(opSVR, 0, -11); }, "範囲エラー at 5"},
        {"design column 3", [](MacroObject& m) { Ldi(m, 1); m.EmitTwoInts(opSVR, 3, -11); }, "範囲エラー at 5"},
        {"design column -1", [](MacroObject& m) { Ldi(m, 1); m.EmitTwoInts(opSVR, -1, -2); }, "範囲エラー at 5"},
        {"moment row 4", [](MacroObject& m) { Ldi(m, 4); Ldi(m, 1); m.EmitTwoInts(opSVR, 0, 6); }, "範囲エラー at 14"},
        {"result observation 0", [](MacroObject& m) { Ldi(m, 0); m.EmitTwoInts(opSVR, 0, 302); }, "範囲エラー at 5"},
        {"result of no row", [](MacroObject& m) { Ldi(m, 1); m.EmitTwoInts(opSVR, 0, 250); }, "範囲エラー at 5"},
        {"cell write to the constant", [](MacroObject& m) { Ldi(m, 1); m.EmitTwoInts(opSVL, 2, 0); }, "範囲エラー at 13"},
        {"unknown code", [](MacroObject& m) { m.EmitTwoInts(opSVR, 0, 18); }, "システムエラー at -4"},
    };
    for (const Case& c : cases) {
        FitFixture f;
        MacroObject m;
        c.build(m);
        End(m);
        EXPECT_EQ(f.Run(m), c.error) << c.name;
    }
}

}  // namespace
