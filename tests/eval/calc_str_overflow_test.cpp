// Results that are no finite number from finite operands: every operator
// and function of the evaluator, in both of its roads (read directly and
// replayed as a tree in observation mode), raise the math error instead
// of giving inf or NaN; fdif also over a range of observations.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "core/model/regression_model.h"
#include "eval/app_state.h"
#include "eval/calc_str.h"
#include "platform/errors.h"
#include "support/expect_exception.h"
#include "support/model_builder.h"

namespace {

class CalcStrOverflow : public ::testing::Test {
protected:
    CalcStrOverflow() { app.SetModel(std::make_unique<Reg>(3, 2)); }
    AppState app;
    CalcStr& calc = app.Evaluator();
};

// Each text overflows (or is invalid) although every literal is finite.
const char* const kOverflowing[] = {
    "1e308*10-1e308*10", "1e308*10",   "-1e308-1e308",      "1e308+1e308",        "1e300/1e-300",
    "10^400",            "(-8)^(1/3)", "exp(1000)",         "fact(171)",          "gamma(200)",
    "sum(1e308, 1e308)", "varp(1e200, -1e200)", "1e308 div 1e-308",
};

TEST_F(CalcStrOverflow, EveryEntryRaisesTheMathError) {
    for (const char* text : kOverflowing) {
        SCOPED_TRACE(text);
        EXPECT_THROW(calc.Calculate(text), EMathError);
        EXPECT_THROW(calc.Evaluate(text, 5.0), EMathError);
        // Twice at an observation: the second reading runs the tree.
        EXPECT_THROW(calc.EvaluateAt(text, 1), EMathError);
        EXPECT_THROW(calc.EvaluateAt(text, 1), EMathError);
    }
}

// Random sums, products, quotients and powers of literals across the
// whole exponent range: either the math error, or a finite value on both
// roads, the same bit for bit.
TEST_F(CalcStrOverflow, RandomExpressionsNeverGiveAValueThatIsNoNumber) {
    std::mt19937_64 rng(41);
    std::uniform_int_distribution<int> exponent(-320, 308);
    std::uniform_real_distribution<double> mantissa(1.0, 9.99);
    const char* const ops[] = {"+", "-", "*", "/", "^", " mod ", " div "};
    const char* const functions[] = {"exp", "sinh", "cosh", "gamma", "sqrt", "log", "tan"};
    auto literal = [&] {
        char b[40];
        std::snprintf(b, sizeof b, "%s%.3fe%d", rng() % 2 ? "-" : "", mantissa(rng), exponent(rng));
        return std::string(b);
    };
    int errors = 0;
    int values = 0;
    for (int round = 0; round < 20000; ++round) {
        std::string text = literal();
        const int terms = 1 + static_cast<int>(rng() % 4);
        for (int t = 0; t < terms; ++t) {
            std::string operand = literal();
            if (rng() % 4 == 0) operand = std::string(functions[rng() % 7]) + "(" + operand + ")";
            text += ops[rng() % 7] + operand;
        }
        bool failed = false;
        double direct = 0.0;
        try {
            direct = calc.Calculate(text);
        } catch (const EMathError&) {
            failed = true;
        } catch (const Exception&) {
            continue;  // a count or domain error of its own kind
        }
        SCOPED_TRACE(text);
        if (failed) {
            ++errors;
            EXPECT_THROW(calc.EvaluateAt(text, 0), Exception);
            EXPECT_THROW(calc.EvaluateAt(text, 0), Exception);
            continue;
        }
        ++values;
        ASSERT_TRUE(std::isfinite(direct)) << direct;
        // After a zero divisor the rest is read without functions outside
        // observation mode: the two roads differ by design.
        if (calc.IsIncomplete()) continue;
        double replayed = 0.0;
        try {
            calc.EvaluateAt(text, 0);
            replayed = calc.EvaluateAt(text, 0);
        } catch (const Exception& e) {
            FAIL() << "direct " << direct << ", at an observation: " << e.what();
        }
        ASSERT_EQ(std::isnan(replayed) ? 1 : 0, 0);
        ASSERT_EQ(replayed, direct);
    }
    // Both outcomes were seen often.
    EXPECT_GT(errors, 1000);
    EXPECT_GT(values, 1000);
}

// fdif of x = 2, 3, 5, 4: x(i) - d x(i-1), and x(0) sqrt(1 - d^2) first.
TEST(CalcStrFdif, ValuesAndRangeErrorsAtAnObservation) {
    AppState app;
    auto model = MakeModel({{2, 3, 5, 4}, {1, 2, 4, 3}}, {}, {"x", "y"});
    ASSERT_TRUE(model->SetModel(1, {2, 1}));
    app.SetModel(std::move(model));
    CalcStr& calc = app.Evaluator();
    struct Case {
        const char* text;
        int obs;
        double value;  // NaN: the range error
    };
    const double error = std::nan("");
    const Case cases[] = {
        {"fdif(x, 0.5)", 0, 1.7320508075688772},  // 2 sqrt(0.75) = sqrt(3)
        {"fdif(x, 0.5)", 2, 3.5},
        {"fdif(x, 2)", 3, -6.0},
        {"fdif(x, 1e300)", 1, -2e300},
        {"fdif(..x, 0.5)", 2, 3.5},
        {"fdif(x, 1.5)", 0, error},
        {"fdif(x, 1e308)", 0, error},
        {"fdif(..x, 2)", 0, error},
        {"fdif(x, 1e308)", 1, error},   // 3 - 2e308
        {"fdif(x, -1e308)", 2, error},  // 5 + 3e308
    };
    for (const Case& c : cases) {
        const std::string label = std::string(c.text) + " at " + std::to_string(c.obs);
        // The first reading, then the tree.
        for (int reading = 0; reading < 2; ++reading) {
            if (std::isnan(c.value)) {
                ExpectExceptionMessage([&] { calc.EvaluateAt(c.text, c.obs); }, "範囲エラー", label);
                continue;
            }
            EXPECT_EQ(calc.EvaluateAt(c.text, c.obs), c.value) << label;
            EXPECT_FALSE(calc.IsIncomplete()) << label;
        }
    }
}

// Over a range the blocks of the tree raise the same error where it occurs:
// x is 1 up to observation 500 and 2 from there on, so 2 - 1e308 * 2
// overflows at 502 (1-based), and observation 1 has |d| > 1.
TEST(CalcStrFdif, RangeErrorsOverARange) {
    constexpr int n = 1000;
    std::vector<double> x(n, 1.0);
    std::fill(x.begin() + 500, x.end(), 2.0);
    AppState app;
    app.SetModel(MakeModel({x}, {}, {"x"}));
    CalcStr& calc = app.Evaluator();
    std::vector<double> out(n, 0.0);
    for (int reading = 0; reading < 2; ++reading) {
        ExpectExceptionMessage([&] { calc.EvaluateRange("fdif(x, 1e308)", 1, n - 1, out.data()); }, "範囲エラー",
                               "huge d");
        EXPECT_EQ(calc.Observation(), 501);
        EXPECT_EQ(out[499], -1e308);  // 2 - 1e308 at observation 500
        ExpectExceptionMessage([&] { calc.EvaluateRange("fdif(x, 1.5)", 0, n, out.data()); }, "範囲エラー",
                               "|d| > 1");
        EXPECT_EQ(calc.Observation(), 0);
    }
    EXPECT_EQ(calc.EvaluateRange("fdif(x, 0.5)", 0, n, out.data()), n);
    EXPECT_EQ(out[0], 0.8660254037844386);  // sqrt(0.75)
    EXPECT_EQ(out[500], 1.5);
}

}  // namespace
