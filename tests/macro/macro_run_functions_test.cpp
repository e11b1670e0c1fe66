// Functions of a run: the variable-wide statistics, ranges with element
// functions, user functions, "real" and the random numbers. Expected values
// were computed separately in Python (statistics, mpmath, and the lagged
// XOR generator written out from its definition) and are pasted here.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <ctime>

#include "core/numeric/random_generator.h"
#include "eval/calc_str_user_function.h"
#include "macro/macro_compile.h"
#include "support/model_builder.h"
#include "macro_run_support.h"

namespace {

const std::vector<double> kX = {2.5, 4, 7.25, 1.5, 9, 3.75, 6, 8.5, 5.5, 10};
const std::vector<double> kY = {-2, 3, -0.5, 4, 1, -3, 2, 0.5, -1, 5};

struct FunctionFixture : RunFixture {
    FunctionFixture() {
        state.SetModel(MakeModel({kX, kY}, {}, {"x", "y"}));
        state.UserFunctions().Entry(0).SetDefinition("sc(v, a) = v * a + 1");
        state.UserFunctions().Entry(1).SetDefinition("tw(v; t) = t = v * 2, t + 1");
    }

    // Compiles the expression list and runs it: the error text, or "".
    std::string Evaluate(const std::string& text) {
        MacroCompile c(state);
        c.CompileExpression(text);
        return Run(c);
    }
    std::string Program(const std::string& text) {
        MacroCompile c(state);
        c.CompileProgram(text);
        return Run(c);
    }
};

struct ValueCase {
    const char* text;
    double expected;
};

void ExpectValues(const std::vector<ValueCase>& cases) {
    for (const ValueCase& c : cases) {
        FunctionFixture f;
        ASSERT_EQ(f.Evaluate(c.text), "") << c.text;
        EXPECT_NEAR(f.run.CurrentValue(), c.expected, 1e-13 * std::max(1.0, std::fabs(c.expected))) << c.text;
    }
}

TEST(MacroRunFunctions, StatisticsOverRangesTable) {
    ExpectValues({
        {"geomean(##x)", 5.026475740465938},
        {"harmean(##x)", 4.169259622625069},
        // The first value is written apart from the range: the same list.
        {"geomean(2.5, ##x[2..10])", 5.026475740465938},
        {"trimmean(0.2, ##x)", 5.8125},            // one cut from each end
        {"trimmean(2, ##x)", 5.833333333333333},   // two cut from each end
        {"trimmean(5, ##x)", 5.75},                // capped at four
        {"percentile(0.3, ##x)", 3.925},
        {"percentile(0.7, ##x)", 7.625},
        {"percentile(1, ##x)", 10.0},
        {"percentile(0.5, ##x[1..5], ##x[6..10])", 5.75},
    });
}

TEST(MacroRunFunctions, StatisticsRefuseTheirDomainTable) {
    const std::pair<const char*, const char*> cases[] = {
        {"geomean(##y)", "範囲エラー"},           // negative values
        {"harmean(1, 0)", "範囲エラー"},
        {"trimmean(0.2)", "範囲エラー"},          // no data after the parameter
        {"percentile(1.5, 1, 2)", "範囲エラー"},  // p above 1
        {"percentile(0.5)", "範囲エラー"},
        // Finite values whose sum, squares or power overflow.
        {"sum(1e308, 1e308)", "範囲エラー"},
        {"varp(1e200, -1e200)", "範囲エラー"},
        {"hornor(1e200, 1e200, 0)", "範囲エラー"},
        {"1e308 * 10 - 1e308 * 10", "範囲エラー"},
        {"1e300 / 1e-300", "範囲エラー"},
        {"(0 - 8) ^ (1 / 3)", "範囲エラー"},
        {"exp(1000)", "範囲エラー"},
    };
    for (const auto& [text, error] : cases) {
        FunctionFixture f;
        EXPECT_EQ(f.Evaluate(text), error) << text;
    }
}

TEST(MacroRunFunctions, ElementFunctionsOfRangesTable) {
    ExpectValues({
        {"sum(##x.loga(2))", 23.295472243283076},
        {"sum(##x[3..6].sqrt)", 8.85381894806255},
        {"sum(##x[6..3].sqrt)", 8.85381894806255},
        // Two further arguments, in the order written.
        {"mean(##x.qf(2, 6))", 0.07768306255665479},
        {"mean(##x.qf(6, 2))", 0.19480051016459404},
        // "max" and "min" against 0.
        {"sum(##y.min)", -6.5},
        {"sum(##y.max)", 15.5},
        // A user function: the element is its first parameter.
        {"sum(##x.@sc(3))", 184.0},
        // The further arguments stay below the range until it is read.
        {"1 + sum(##x.loga(2), 2) * 2", 1 + (23.295472243283076 + 2) * 2},
    });
}

TEST(MacroRunFunctions, ArrayRangeWithElementFunction) {
    FunctionFixture f;
    // 1, 4, 9, 16, 25 squared over elements 2 .. 4: 16 + 81 + 256.
    EXPECT_EQ(f.Program("macro m var a[5] { mat a = {1, 4, 9, 16, 25}; return sum(#@a[2..4].pow(2)) }"), "");
    EXPECT_EQ(f.run.CurrentValue(), 353.0);
    EXPECT_EQ(f.Program("macro m var a[3] { mat a = {1, 4, 9}; write #@a.sqrt }"), "");
    EXPECT_EQ(f.run.OutputText(), "1\t2\t3");
    // The element function's argument is taken with the range.
    EXPECT_EQ(f.Program("macro m { write ##x[1..2].pow(2), 7 }"), "");
    EXPECT_EQ(f.run.OutputText(), "6.25\t16\t7");
}

TEST(MacroRunFunctions, RangeOfAnArrayWithoutElements) {
    // The array's words are still zero: no element to clamp the bounds to.
    FunctionFixture f;
    MacroObject m;
    Main(m, 8);
    Ldi(m, 1);
    Ldi(m, 3);
    const int at = m.CodeLength();
    m.EmitVariableRefInt(opSPA, Var(4, vkArray), -1);
    m.EmitTwoInts(opFNC, 54, 1);
    End(m);
    EXPECT_EQ(f.Run(m), "範囲エラー at " + std::to_string(at));
}

TEST(MacroRunFunctions, UserFunctionCalls) {
    ExpectValues({
        {"@sc(2, 5)", 11.0},
        {"@sc(@sc(1, 2), 3) * 2", 20.0},
        {"@tw(4) + @tw(1)", 9.0 + 3.0},  // the local starts again at 0
    });
    FunctionFixture f;
    ASSERT_EQ(f.Evaluate("@sc(2, 5)"), "");
    EXPECT_EQ(f.state.EvalRun().currentUserFunction, -1);  // restored after the call
    EXPECT_EQ(f.state.EvalRun().runningCalls, 0);
    // Calls of earlier evaluations do not count: each call from a macro has
    // the call budget of one evaluation.
    FunctionFixture g;
    g.state.EvalRun().userCalls = kMaxUserCallsPerEvaluation + 1;
    ASSERT_EQ(g.Evaluate("@sc(2, 5)"), "");
    EXPECT_EQ(g.run.CurrentValue(), 11.0);
}

TEST(MacroRunFunctions, RealReadsATextTable) {
    ExpectValues({
        {"real(\"2 * 3 + 1\")", 7.0},
        {"real(\"#row\") + 1", 11.0},
    });
    FunctionFixture f;
    // A number has no text to read.
    EXPECT_EQ(f.Program("macro m var v { v = 2.5; return real(v) }"), "システムエラー");
    // A text that is no complete expression.
    EXPECT_EQ(f.Program("macro m var t$ { t$ = \"2 +\"; return real(t$) }"), "型違反エラー at 38");
}

TEST(MacroRunRandom, UniformFollowsTheProgramGeneratorFromSeedFive) {
    const double expected[] = {0.7829621503050262, 0.5287837463099434, 0.18692601387711522, 0.4253647278181113,
                               0.3068440106263589};
    FunctionFixture f;
    for (double e : expected) {
        ASSERT_EQ(f.Evaluate("ranuni"), "");
        EXPECT_EQ(f.run.CurrentValue(), e);
    }
}

TEST(MacroRunRandom, NormalComesInPairsFromTwoUniforms) {
    const double expected[] = {-0.6881207613659888, -0.12582394349034987, -1.6337047534790294};
    FunctionFixture f;
    for (double e : expected) {
        ASSERT_EQ(f.Evaluate("rannor"), "");
        EXPECT_NEAR(f.run.CurrentValue(), e, 1e-14);
    }
}

TEST(MacroRunRandom, SeedStartsFromTheClock) {
    FunctionFixture f;
    const std::time_t before = std::time(nullptr);
    ASSERT_EQ(f.Program("macro m var x { x = ranuni; seed; return ranuni }"), "");
    const std::time_t after = std::time(nullptr);
    bool matched = false;
    for (std::time_t t = before; t <= after; ++t) {
        RandomGenerator g;
        g.SetSeed(static_cast<std::int32_t>(t));
        matched = matched || g.Uniform() == f.run.CurrentValue();
    }
    EXPECT_TRUE(matched);
}

TEST(MacroRunRandom, DistributionsOfManyDraws) {
    FunctionFixture f;
    const int n = 40000;
    const std::string count = std::to_string(n);
    // Uniform: mean 1/2, variance 1/12, every value within [0, 1].
    ASSERT_EQ(f.Program("macro m var i, u, s, q, out { loop (i = 1, " + count +
                        ") { u = ranuni; s = s + u; q = q + u * u; out = out + (u < 0 || u > 1) };"
                        " write s, q, out }"),
              "");
    double s = 0, q = 0, out = 0;
    ASSERT_EQ(std::sscanf(f.run.OutputText().c_str(), "%lf\t%lf\t%lf", &s, &q, &out), 3) << f.run.OutputText();
    EXPECT_NEAR(s / n, 0.5, 0.01);
    EXPECT_NEAR(q / n - (s / n) * (s / n), 1.0 / 12, 0.004);
    EXPECT_EQ(out, 0.0);
    // Normal: mean 0, variance 1, 68.27 % within one standard deviation.
    ASSERT_EQ(f.Program("macro m var i, z, s, q, one { loop (i = 1, " + count +
                        ") { z = rannor; s = s + z; q = q + z * z; one = one + (abs(z) < 1) };"
                        " write s, q, one }"),
              "");
    double one = 0;
    ASSERT_EQ(std::sscanf(f.run.OutputText().c_str(), "%lf\t%lf\t%lf", &s, &q, &one), 3) << f.run.OutputText();
    EXPECT_NEAR(s / n, 0.0, 0.03);
    EXPECT_NEAR(q / n, 1.0, 0.04);
    EXPECT_NEAR(one / n, 0.6827, 0.012);
}

}  // namespace
