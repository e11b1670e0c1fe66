// The expression evaluator without a data set: entries, operator levels and
// precedence, truth, intervals, the conditional, flags, ranges and lists.
// Expected values are worked out by hand.
#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

#include "eval/app_state.h"
#include "core/text/text_evaluator.h"
#include "eval/calc_str.h"
#include "platform/errors.h"

namespace {

struct Case {
    const char* text;
    double value;
};

class CalcStrOperators : public ::testing::Test {
protected:
    AppState app;
    CalcStr& calc = app.Evaluator();
};

TEST_F(CalcStrOperators, ValuesOfCompleteExpressions) {
    const Case cases[] = {
        {"1 + 2 * 3", 7.0},
        {"(1 + 2) * 3", 9.0},
        {"10 - 4 - 3", 3.0},
        {"8 / 4 / 2", 1.0},
        {"7 mod 3", 1.0},
        {"-7 mod 3", -1.0},
        {"7 div 2", 3.0},
        {"-7 div 2", -3.0},
        {"2 ^ 3 ^ 2", 64.0},
        {"-2 ^ 2", 4.0},
        {"2 ^ -1", 0.5},
        {"1 + 2 < 4", 1.0},
        {"1 < 2 < 3", 1.0},          // (1 < 2) = 1, then 1 < 3
        {"3 > 2 > 1", 0.0},          // (3 > 2) = 1, then 1 > 1
        {"2 <= 2", 1.0},
        {"2 =< 1", 0.0},
        {"2 >= 3", 0.0},
        {"3 => 3", 1.0},
        {"0.1 + 0.2 == 0.3", 1.0},  // difference 5.55e-17, within the tolerance
        {"1 == 1.000001", 0.0},
        {"1 != 2", 1.0},
        {"1 <> 1", 0.0},
        {"2 && 1", 0.0},
        {"1 && 1", 1.0},
        {"0 || 1", 1.0},
        {"2 || 0", 0.0},
        {"!2", 0.0},
        {"!0", 1.0},
        {"!1 + 1", 0.0},  // "!" applies to the whole comparison 1 + 1
        {"0 $$ 0", 1.0},
        {"1 $$ 1", 1.0},
        {"2 $$ 2", 0.0},
        {"1 $$ 0", 0.0},
        {"5 << [1, 5]", 1.0},
        {"5 << [1, 5)", 0.0},
        {"5 << [9, 1]", 1.0},
        {"5 >> (1, 5)", 1.0},
        {"1 << (1, 5]", 0.0},
        {"3 << (1, 5)", 1.0},
        {"5 << 1", 0.0},
        {"1 ? 10 : 20 ;", 10.0},
        {"0 ? 10 : 20 ;", 20.0},
        {"2 ? 10 : 20 ;", 20.0},
        {"0 ? (1 ? 2 : 3 ;) : 4 ;", 4.0},
        {"1 ? (0 ? 2 : 3 ;) : 4 ;", 3.0},
        {"0 ? ((1)) : 2 ;", 2.0},      // doubled brackets inside a skipped branch
        {"1 ? 7 : ((1)) ; * 2", 7.0},   // what follows ";" is below the conditional: ignored
        {"0 ? 1 : 2 + 3", 5.0},        // without ";" the else-branch runs on
        {"(0 ? 1 : 2 ;) + 3", 5.0},
        {"1 ? 5", 5.0},
        {"1 2", 1.0},
        {"2 * 3 ** 4", 6.0},
        {"pi", 3.141592653589793},
        {"+4", 4.0},
        {"-(2 + 3)", -5.0},
        {"3 * 0 + 2", 2.0},
        {"1e3 + .5", 1000.5},
        {"1 /* comment */ + 2 // rest", 3.0},
        {"sqrt(16) + abs(-2)", 6.0},
        {"loga(8, 2)", 3.0},
        {"loga(100)", 2.0},
        {"round(2.345678, 3)", 2.35},
        {"sum(1, 2, 3)", 6.0},
        {"mean(1, 2, 3, 6)", 3.0},
        {"varp(1, 2, 3, 4)", 1.25},
        {"variable(1, 2, 3, 4)", 1.6666666666666667},
        {"variable(5)", 0.0},
        {"geomean(1, 2, 4)", 2.0},
        {"harmean(1, 2, 4)", 1.7142857142857142},
        {"max(3, 9, 1)", 9.0},
        {"min(3, 9, 1)", 1.0},
        {"median(5, 1, 3, 2)", 2.5},
        {"percentile(0.25, 4, 1, 3, 2, 5)", 2.0},
        {"percentile(1, 4, 1, 3, 2, 5)", 5.0},
        {"percentile(0, 4, 1, 3, 2, 5)", 1.0},
        {"trimmean(1, 9, 1, 2, 3, 100)", 14.0 / 3.0},
        {"hornor(2, 3, 2, 1)", 17.0},
    };
    for (const Case& c : cases) {
        EXPECT_NEAR(calc.Calculate(c.text), c.value, 1e-15 * (1.0 + std::fabs(c.value))) << c.text;
        EXPECT_FALSE(calc.IsIncomplete()) << c.text;
        EXPECT_DOUBLE_EQ(calc.Evaluate(c.text, -999.0), c.value) << c.text;
    }
}

TEST_F(CalcStrOperators, EmptyTexts) {
    EXPECT_EQ(calc.Evaluate("", 5.0), 5.0);
    try {
        calc.Calculate("");
        FAIL() << "no exception";
    } catch (const Exception& e) {
        EXPECT_EQ(e.Message(), "システムエラー");
    }
    EXPECT_EQ(calc.EvaluateAt("", 0), 0.0);
    EXPECT_TRUE(calc.IsIncomplete());
    EXPECT_FALSE(calc.TestAtObservation("", 0));
    EXPECT_TRUE(calc.IsIncomplete());
}

// Texts that cannot be evaluated: Evaluate gives the default, Calculate the
// partial value without an exception, and both flags are set.
TEST_F(CalcStrOperators, IncompleteTexts) {
    const Case cases[] = {
        {"1 / 0", 0.0},
        {"5 mod 0", 0.0},
        {"5 div 0", 0.0},
        {"(1 + 2", 0.0},
        {"(", 0.0},
        {"1 + (", 1.0},
        {"1 ?", 0.0},
        {"\"text\"", 0.0},
        {"nosuchname", 0.0},
        {"nosuchname + 1", 1.0},
        {"++ 3", 0.0},
        {")", 0.0},
        {"sin", 0.0},
        {"mean", 0.0},
        {"# row", 0.0},  // no data set open
        {"x.ave", 0.0},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(calc.Evaluate(c.text, 7.0), 7.0) << c.text;
        EXPECT_TRUE(calc.IsIncomplete()) << c.text;
        EXPECT_TRUE(calc.IsNonConstant()) << c.text;
        EXPECT_EQ(calc.Calculate(c.text), c.value) << c.text;
        EXPECT_TRUE(calc.IsIncomplete()) << c.text;
    }
}

// A zero multiplier multiplies like any other number and the rest of the
// text is read.
TEST_F(CalcStrOperators, ZeroFactorMultipliesAndParsingGoesOn) {
    EXPECT_EQ(calc.Evaluate("3 * 0 * 4 + 2", -1.0), 2.0);
    EXPECT_FALSE(calc.IsIncomplete());
    EXPECT_EQ(calc.Evaluate("0 * 5 + 1", -1.0), 1.0);
    // The unknown name after the zero factor is still read and noticed.
    EXPECT_EQ(calc.Evaluate("2 * 0 * nosuch", -1.0), -1.0);
    EXPECT_TRUE(calc.IsIncomplete());
}

// A zero divisor makes the whole text incomplete but the rest is parsed:
// the remaining terms still combine (with the quotient taken as 0.0).
TEST_F(CalcStrOperators, ZeroDivisorIsIncompleteAndParsingGoesOn) {
    EXPECT_EQ(calc.Calculate("1 / 0 + 2"), 2.0);
    EXPECT_TRUE(calc.IsIncomplete());
    EXPECT_TRUE(calc.IsNonConstant());
    EXPECT_EQ(calc.Calculate("6 / 0 * 3 + 4"), 4.0);
    EXPECT_TRUE(calc.IsIncomplete());
    EXPECT_EQ(calc.Evaluate("1 / 0 + 2", 9.0), 9.0);
    // Conversion errors after the zero divisor still surface.
    EXPECT_THROW(calc.Calculate("1 / 0 + 1.2.3"), EConvertError);
}

TEST_F(CalcStrOperators, DeepNestingIsIncompleteNotACrash) {
    const std::string deep(100000, '(');
    EXPECT_EQ(calc.Evaluate(deep, 3.0), 3.0);
    EXPECT_TRUE(calc.IsIncomplete());
    EXPECT_EQ(calc.Calculate(deep + "1"), 0.0);
    std::string conditional;
    for (int i = 0; i < 5000; ++i) conditional += "1 ? ";
    EXPECT_EQ(calc.Evaluate(conditional + "4", 2.0), 2.0);
    // Within the limit nesting works normally.
    EXPECT_EQ(calc.Calculate(std::string(100, '(') + "8" + std::string(100, ')')), 8.0);
    EXPECT_FALSE(calc.IsIncomplete());
}

TEST_F(CalcStrOperators, ConversionErrors) {
    EXPECT_THROW(calc.Calculate("1.2.3"), EConvertError);
    EXPECT_THROW(calc.Calculate("2E"), EConvertError);
}

TEST_F(CalcStrOperators, ErrorsWithTheirTexts) {
    struct ErrorCase {
        const char* text;
        const char* message;
    };
    const ErrorCase cases[] = {
        {"pf(1, 2)", "パラメータ不足"},
        {"@[10]", "範囲エラー"},
        {"@[-1]", "範囲エラー"},
        {"@[1", "文法エラー"},
        {"@nosuchname", "未定義識別子エラー"},
        {"geomean(1, -2)", "範囲エラー"},
        {"harmean(0, 2)", "範囲エラー"},
        {"percentile(0.5)", "範囲エラー"},
        {"trimmean(0.1)", "範囲エラー"},
        {"sum(##x##)", "範囲エラー"},  // no data set: no such variable
        {"$0", "範囲エラー"},          // no user function is running
        {"++$1", "範囲エラー"},
    };
    for (const ErrorCase& c : cases) {
        try {
            calc.Calculate(c.text);
            ADD_FAILURE() << "no exception for " << c.text;
        } catch (const Exception& e) {
            EXPECT_EQ(e.Message(), c.message) << c.text;
        }
    }
}

TEST_F(CalcStrOperators, ScalarFunctionOfNonConstantIsIncomplete) {
    // "@@" is not a literal constant, so a scalar function of it (outside
    // observation mode) has no value, while "@@" alone does.
    calc.SetCurrentValue(4.0);
    EXPECT_EQ(calc.Evaluate("@@", 0.0), 4.0);
    EXPECT_TRUE(calc.IsNonConstant());
    EXPECT_EQ(calc.Evaluate("sqrt(@@)", -1.0), -1.0);
    EXPECT_EQ(calc.Evaluate("@@ + sqrt(4)", -1.0), -1.0);
    EXPECT_EQ(calc.Evaluate("sqrt(4) + @@", -1.0), 6.0);
}

TEST_F(CalcStrOperators, RandomFunctionsAreNonConstant) {
    const double u = calc.Calculate("ranuni");
    EXPECT_TRUE(calc.IsNonConstant());
    EXPECT_GE(u, 0.0);
    EXPECT_LE(u, 1.0);
    calc.Calculate("1 + 2");
    EXPECT_FALSE(calc.IsNonConstant());
}

TEST_F(CalcStrOperators, ConstantPrefix) {
    EXPECT_EQ(calc.ConstantPrefix("2+3+x*4"), 5.0);
    EXPECT_EQ(calc.PreviousPosition(), 3);  // just before the second "+"
    EXPECT_FALSE(calc.IsNonConstant());
    EXPECT_EQ(calc.ConstantPrefix("2 + 3 + x * 4"), 5.0);
    EXPECT_EQ(calc.PreviousPosition(), 5);
    EXPECT_EQ(calc.ConstantPrefix("x + 3"), 0.0);
    EXPECT_TRUE(calc.IsNonConstant());
    EXPECT_EQ(calc.ConstantPrefix("10 - 2 * 3 - 1"), 3.0);
    EXPECT_EQ(calc.ConstantPrefix(""), 0.0);
    EXPECT_TRUE(calc.IsNonConstant());
}

TEST_F(CalcStrOperators, ParseRange) {
    struct RangeCase {
        const char* text;
        int count, first, last;
    };
    const RangeCase cases[] = {
        {"[3..7]", 5, 2, 6},
        {"3..7", 5, 2, 6},
        {"[5]", 5, 0, 4},
        {"[7..3]", 5, 2, 6},
        {"[0..2]", 2, 0, 1},
        {"[1 + 1 .. 2 * 2]", 3, 1, 3},
    };
    for (const RangeCase& c : cases) {
        int first = -1, last = -1;
        EXPECT_EQ(calc.ParseRange(c.text, first, last), c.count) << c.text;
        EXPECT_EQ(first, c.first) << c.text;
        EXPECT_EQ(last, c.last) << c.text;
    }
    int first = 42, last = 43;
    EXPECT_EQ(calc.ParseRange("", first, last), 0);
    EXPECT_EQ(first, 42);
    EXPECT_EQ(calc.ParseRange("[1..nosuch]", first, last), 0);
    // An error inside is caught and reported as incomplete.
    EXPECT_EQ(calc.ParseRange("[1e300]", first, last), 0);
    EXPECT_TRUE(calc.IsIncomplete());
}

TEST_F(CalcStrOperators, ParseIndexList) {
    std::vector<std::uint8_t> flags(5, 7);
    calc.ParseIndexList("1, [3..4], 9", flags.data(), 5);
    EXPECT_EQ(flags, (std::vector<std::uint8_t>{1, 0, 1, 1, 0}));
    calc.ParseIndexList("[4..20], 0, -3", flags.data(), 5);
    EXPECT_EQ(flags, (std::vector<std::uint8_t>{0, 0, 0, 1, 1}));
    calc.ParseIndexList("2.9", flags.data(), 5);
    EXPECT_EQ(flags, (std::vector<std::uint8_t>{0, 1, 0, 0, 0}));
    // Far out of range is ignored like any other index outside 1..n.
    calc.ParseIndexList("1e10, 5, -1e300", flags.data(), 5);
    EXPECT_EQ(flags, (std::vector<std::uint8_t>{0, 0, 0, 0, 1}));
}

// Numbers are read with a decimal point whatever locale the windows set.
TEST_F(CalcStrOperators, NumbersIgnoreTheLocale) {
    const char* previous = std::setlocale(LC_NUMERIC, nullptr);
    const std::string saved = previous != nullptr ? previous : "C";
    bool changed = false;
    for (const char* name : {"de_DE.UTF-8", "de_DE.utf8", "fr_FR.UTF-8", "fr_FR.utf8"})
        if (std::setlocale(LC_NUMERIC, name) != nullptr) {
            changed = true;
            break;
        }
    const double v = calc.Calculate("1.5 + .25");
    std::setlocale(LC_NUMERIC, saved.c_str());
    EXPECT_EQ(v, 1.75);
    if (!changed) GTEST_SKIP() << "no locale with a decimal comma installed";
}

TEST_F(CalcStrOperators, ParseBraceList) {
    Vector v;
    calc.ParseBraceList("{1, 2 + 3, 4}", v);
    EXPECT_FALSE(calc.IsIncomplete());
    ASSERT_EQ(v.Count(), 3);
    EXPECT_EQ(v.At(0), 1.0);
    EXPECT_EQ(v.At(1), 5.0);
    EXPECT_EQ(v.At(2), 4.0);
    calc.ParseBraceList("{1, 2", v);  // no closing brace
    EXPECT_TRUE(calc.IsIncomplete());
    ASSERT_EQ(v.Count(), 2);
    EXPECT_EQ(v.At(1), 2.0);
    calc.ParseBraceList("", v);
    EXPECT_TRUE(calc.IsIncomplete());
    calc.ParseBraceList("{1, pf(1)}", v);
    EXPECT_TRUE(calc.IsIncomplete());
    EXPECT_EQ(v.Count(), 1);
}

TEST_F(CalcStrOperators, InstalledAsTheTextEvaluator) {
    EXPECT_EQ(app.Context().Evaluator().Calculate("2 * (3 + 4)"), 14.0);
    EXPECT_EQ(app.Context().Evaluator().Evaluate("1 / 0", 3.5), 3.5);
}

}  // namespace

namespace {

// Finite operands whose result is not finite: each gets the error of its
// cause, never a NaN or infinity handed on as a value.
TEST_F(CalcStrOperators, NonFiniteResultsOfFiniteOperands) {
    struct Case {
        const char* text;
        double value;
    };
    // Divisions by zero: incomplete with 0.0, as 1 / 0.
    for (const Case& c : {Case{"0 ^ -1", 0.0}, Case{"1 + 0 ^ -2.5", 1.0}, Case{"1 / 0", 0.0}}) {
        EXPECT_EQ(calc.Calculate(c.text), c.value) << c.text;
        EXPECT_TRUE(calc.IsIncomplete()) << c.text;
    }
    // Negative bases with fractional powers have no real value, as sqrt(-1).
    for (const char* text : {"(-8) ^ (1/3)", "(-2) ^ 0.5", "sqrt(-1)"}) {
        try {
            calc.Calculate(text);
            ADD_FAILURE() << "no error for " << text;
        } catch (const EMathError& e) {
            EXPECT_EQ(e.Message(), "範囲エラー") << text;
        }
    }
    // Integer powers of negative bases stay ordinary numbers.
    EXPECT_EQ(calc.Calculate("(-2) ^ 3"), -8.0);
    EXPECT_EQ(calc.Calculate("0 ^ 0"), 1.0);
    // A literal beyond the double range is no number.
    EXPECT_THROW(calc.Calculate("1e400"), EConvertError);
    EXPECT_THROW(calc.Calculate("2 * 1e309"), EConvertError);
    EXPECT_EQ(calc.Calculate("1e-400"), 0.0);  // underflow to zero is a value
}

}  // namespace
