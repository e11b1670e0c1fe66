// The expression evaluator on a small data set: variables and selectors,
// "#" fit results (against a fit computed with statsmodels), "##" items with
// ranges and element functions, the observation functions, user scalars and
// user functions through the link.
#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include "eval/app_state.h"
#include "core/model/regression_model.h"
#include "core/settings/user_var.h"
#include "eval/calc_str.h"
#include "eval/calc_str_user_function.h"
#include "platform/errors.h"
#include "support/expect_exception.h"
#include "support/model_builder.h"
#include "support/scripted_services.h"

namespace {

struct Case {
    const char* text;
    double value;
};

// x1, x2, y; y fitted on x1 and x2 with a constant.
const std::vector<double> kX1 = {1, 2, 3, 4, 5, 6};
const std::vector<double> kX2 = {2, 1, 4, 3, 6, 5};
const std::vector<double> kY = {3.1, 3.9, 7.2, 7.8, 11.1, 11.9};
const std::vector<double> kR = {3, 1, 3, 0, 8, 2};       // ties for rank
const std::vector<double> kG = {0, 1.5, 2.5, 6, 8, 4};  // classes for grad

// statsmodels OLS of y on (1, x1, x2).
constexpr double kS2 = 0.0044444444444444531;
constexpr double kR2 = 0.99979430217011211;
constexpr double kVarY = 12.964000000000002;
const std::vector<double> kHat = {0.58333333333333337, 0.58333333333333359, 0.33333333333333304,
                                  0.33333333333333315, 0.58333333333333282, 0.58333333333333304};
const std::vector<double> kResid = {-0.033333333333332771, 0.033333333333333659, 0.066666666666669094,
                                    -0.066666666666664653, -0.033333333333329662, 0.033333333333336768};
const std::vector<double> kFitted = {3.1333333333333329, 3.8666666666666663, 7.1333333333333311,
                                     7.8666666666666645, 11.133333333333329, 11.866666666666664};

class CalcStrData : public ::testing::Test {
protected:
    void SetUp() override {
        auto model = MakeModel({kX1, kX2, kR, kG, kY}, {}, {"x1", "x2", "r", "g", "y"});
        ASSERT_TRUE(model->SetModel(4, {2, 2, 0, 0, 1}));
        reg = model.get();
        app.SetModel(std::move(model));
        app.SetServices(&services);
    }

    ScriptedServices services;
    AppState app;
    Reg* reg = nullptr;
    CalcStr& calc = app.Evaluator();
};

TEST_F(CalcStrData, VariablesSelectorsAndAttributes) {
    calc.EvaluateAt("x1", 2);  // sets the current observation
    const Case cases[] = {
        {"x1", 3.0},
        {"y[1] + y[6]", 15.0},
        {"x2[1 + 1]", 1.0},
        {"#x2", 4.0},
        {"x1.ave", 3.5},
        {"x1.max", 6.0},
        {"x1.min", 1.0},
        {"x1.sig", 1.8708286933869707},  // sample sd of 1..6
        {"定数項", 1.0},
        {"#row", 6.0},
        {"#col", 5.0},
        {"#fe", 3.0},
        {"#ve", kS2},
        {"#R2", kR2},
        {"#vt", kVarY},
        {"#hat[3]", kHat[2]},
        {"#res", kResid[2]},
        {"#yest[6]", kFitted[5]},
        {"sum(##y##)", 45.0},
        {"mean(##y##[2..4])", 6.3},
        {"sum(##y##[5..99])", 23.0},
        {"sum(##x1##[3])", 6.0},
        {"sum(##x1##.sqrt)", 10.83182209022494},
        {"sum(##x1##.max(3))", 24.0},     // 3,3,3,4,5,6
        {"sum(##x1##.round(1))", 21.0},
        {"sum(##res##)", 0.0},
        {"sum(##hat##)", 3.0},
        {"max(##x2##, 10)", 10.0},
        {"sum(##..x1##)", 21.0},
    };
    for (const Case& c : cases) {
        EXPECT_NEAR(calc.Evaluate(c.text, -999.0), c.value, 1e-12) << c.text;
    }
    // A variable alone is its value at the current observation; a scalar
    // function of it outside observation mode has no value.
    EXPECT_EQ(calc.Evaluate("x1", -1.0), 3.0);
    EXPECT_EQ(calc.Evaluate("sin(x1)", -1.0), -1.0);
    EXPECT_TRUE(calc.IsIncomplete());
    EXPECT_EQ(calc.Evaluate("nosuch", 5.0), 5.0);
    EXPECT_EQ(calc.Calculate("nosuch"), 0.0);
}

TEST_F(CalcStrData, SelectorErrors) {
    const char* rangeErrors[] = {"y[7]", "y[0]", "#hat[9]", "sum(##nosuch##)", "#tti[nosuch]"};
    for (const char* text : rangeErrors)
        ExpectExceptionMessage([&] { calc.Calculate(text); }, "範囲エラー", text);
    EXPECT_THROW(calc.Calculate("y[2"), Exception);
    EXPECT_THROW(calc.Calculate("#tti x1"), Exception);
    EXPECT_THROW(calc.Calculate("sum(##x1##.pf(1))"), Exception);
}

// A data edit whose fit overflows leaves no estimate: the names of the
// fit's figures are refused with its message; the data's own are not.
TEST_F(CalcStrData, FiguresOfARefusedFitAreErrors) {
    const std::string refused = "変数 y の平方和が有限の数値になりません。";
    reg->SetValue(0, 4, 1e200);
    services.QueueOK();
    reg->Reestimate(false);
    for (const char* text : {"#ve", "#R2", "#vt", "#fe", "#res[2]", "sum(##hat##)"})
        ExpectExceptionMessage([&] { calc.Calculate(text); }, refused, text);
    EXPECT_EQ(calc.Calculate("#row + #col"), 11.0);
    EXPECT_EQ(calc.Calculate("y[1]"), 1e200);
}

// Cook's D from statsmodels (OLSInfluence.cooks_distance): a result name
// makes the per-observation diagnostics ready before it is read.
TEST_F(CalcStrData, ResultNamesComputeTheDiagnostics) {
    const double kCook[] = {0.27999999999999003, 0.28000000000000536, 0.2500000000000172,
                            0.24999999999998415, 0.2799999999999368,  0.2800000000000566};
    const double kCovratio3 = 0.6328124999999902;
    EXPECT_NEAR(calc.Calculate("#cook[2]"), kCook[1], 1e-10);
    EXPECT_NEAR(calc.Calculate("#covratio[3]"), kCovratio3, 1e-10);
    double total = 0.0;
    for (double c : kCook) total += c;
    EXPECT_NEAR(calc.Calculate("sum(##cook##)"), total, 1e-10);
}

// Indices far outside their range get the range error, not a conversion
// failure; the constant term has no variable selector.
TEST_F(CalcStrData, SelectorsFarOutOfRange) {
    const char* rangeErrors[] = {"y[1e10]", "y[-1e10]", "y[0.5]", "y[-0.5]", "@[1e10]", "@[-1e12]",
                                 "#hat[3e9]", "#tti[定数項]", "#dfb[定数項]"};
    for (const char* text : rangeErrors)
        ExpectExceptionMessage([&] { calc.Calculate(text); }, "範囲エラー", text);
    EXPECT_EQ(calc.Calculate("y[6.9]"), 11.9);  // truncated to 6
    // A lag beyond the data is 0.0 however large.
    EXPECT_EQ(calc.EvaluateAt("lag(x1, 1e12)", 3), 0.0);
    EXPECT_EQ(calc.EvaluateAt("lag(x1, -1e12)", 3), 0.0);
    EXPECT_EQ(calc.EvaluateAt("lag(x1, 2.9)", 3), 2.0);
}

// A list left empty by its range: median, trimmean and percentile need data
// and raise the range error; the other functions are left without a value.
TEST_F(CalcStrData, EmptyListsOfValues) {
    for (const char* text : {"median(##x1##[7..9])", "trimmean(##x1##[7..9])", "percentile(##x1##[7..9])"})
        ExpectExceptionMessage([&] { calc.Calculate(text); }, "範囲エラー", text);
    for (const char* text : {"mean(##x1##[7..9])", "sum(##x1##[7..9])", "max(##x1##[7..9])"}) {
        EXPECT_EQ(calc.Evaluate(text, -3.0), -3.0) << text;
        EXPECT_TRUE(calc.IsIncomplete()) << text;
    }
    // Values from a range: median of x1 at 2..5 (2, 3, 4, 5) is 3.5;
    // percentile with p = 1 is the largest value.
    EXPECT_EQ(calc.Calculate("median(##x1##[2..5])"), 3.5);
    EXPECT_EQ(calc.Calculate("percentile(1, ##x2##)"), 6.0);
}

TEST_F(CalcStrData, ObservationFunctions) {
    struct ObsCase {
        const char* text;
        int obs;
        double value;
    };
    const ObsCase cases[] = {
        {"index", 0, 1.0},
        {"index(2)", 3, 2.0},
        {"lag(x1)", 0, 0.0},
        {"lag(x1)", 3, 3.0},
        {"lag(x1, 2)", 3, 2.0},
        {"lag(x1, -1)", 5, 0.0},
        {"fdif(x1, 0.5)", 0, 0.8660254037844386},  // 1 * sqrt(0.75)
        {"fdif(x1, 0.5)", 2, 2.0},                 // 3 - 0.5 * 2
        {"fdif(x1)", 4, 1.0},
        {"rank(r)", 0, 4.5},  // values 3,1,3,0,8,2: two smaller... by hand
        {"rank(r)", 1, 2.0},
        {"rank(r)", 3, 1.0},
        {"rank(r)", 4, 6.0},
        {"grad(g, 4)", 1, 1.0},
        {"grad(g, 4)", 2, 2.0},
        {"grad(g, 4)", 3, 4.0},
        {"grad(g, 4)", 5, 3.0},
        {"grad(g, 4)", 4, 4.0},
        {"grad(g, 4)", 0, 1.0},
        {"standard(x1)", 0, -1.3363062095621219},
        {"standard(..x1)", 5, 1.3363062095621219},
        {"gradz(x1, 1)", 0, 3.0},   // z = -1.336
        {"gradz(x1)", 0, 2.0},
        {"gradz(x1, 1)", 2, 5.0},   // z = -0.267
        {"gradz(..x1, 1)", 5, 8.0}, // z = 1.336
        {"pred(y, x1)", 2, 6.5542857142857169},
        {"pred(y, x1, x2)", 4, kFitted[4]},
        {"pred(y, nosuch, x1)", 2, 6.5542857142857169},
        {"x1 * 2 + lag(y)", 1, 7.1},
        {"sin(x1)", 0, 0.8414709848078965},
        {"#hat", 3, kHat[3]},
        {"#dfb[x1] == #dfb[x1]", 0, 1.0},
    };
    for (const ObsCase& c : cases) {
        EXPECT_NEAR(calc.EvaluateAt(c.text, c.obs), c.value, 1e-12) << c.text << " at " << c.obs;
        EXPECT_FALSE(calc.IsIncomplete()) << c.text;
        EXPECT_TRUE(calc.IsObservationMode());
    }
    EXPECT_TRUE(calc.TestAtObservation("x1 > 2", 3));
    EXPECT_FALSE(calc.IsObservationMode());
    EXPECT_FALSE(calc.TestAtObservation("x1 > 2", 0));
}

TEST_F(CalcStrData, ObservationFunctionErrors) {
    struct ErrCase {
        const char* text;
        const char* message;
    };
    const ErrCase cases[] = {
        {"lag(nosuch)", "文法エラー"},  {"fdif(nosuch)", "文法エラー"}, {"rank(nosuch)", "システムエラー"},
        {"grad(nosuch)", "システムエラー"}, {"lag x1", "文法エラー"},
    };
    for (const ErrCase& c : cases)
        ExpectExceptionMessage([&] { calc.EvaluateAt(c.text, 1); }, c.message, c.text);
    std::string many = "pred(y";
    for (int i = 0; i < 60; ++i) many += ", x1";
    EXPECT_THROW(calc.EvaluateAt(many + ")", 0), Exception);
    const auto closed = app.ReleaseModel();
    EXPECT_THROW(calc.EvaluateAt("1 + x1", 0), Exception);
}

// A constant series has no standard deviation: no division by zero.
TEST_F(CalcStrData, ZeroDeviationIsIncomplete) {
    reg->SetVarValues(2, std::vector<double>(6, 4.0));
    EXPECT_EQ(calc.EvaluateAt("standard(r)", 1), 0.0);
    EXPECT_TRUE(calc.IsIncomplete());
    EXPECT_EQ(calc.EvaluateAt("gradz(..r, 1)", 1), 0.0);
    EXPECT_TRUE(calc.IsIncomplete());
    EXPECT_EQ(calc.EvaluateAt("grad(r)", 1), 5.0);  // every value at the top
}

TEST_F(CalcStrData, UserVariables) {
    UserVar& uv = app.UserScalars();
    uv.Reset(false);
    uv.SetBankSwitch(0);
    uv.SetName(2, false, "rate");
    uv.SetValue(2, false, 0.25);
    EXPECT_EQ(calc.Evaluate("@rate * 4", -1.0), 1.0);
    EXPECT_TRUE(calc.IsNonConstant());
    EXPECT_EQ(calc.Evaluate("@[2] + 1", -1.0), 1.25);
    EXPECT_EQ(calc.Evaluate("@sys::rate", -1.0), 0.25);
    EXPECT_EQ(calc.Evaluate("@sys::[2]", -1.0), 0.25);
    EXPECT_EQ(calc.Evaluate("sqrt(@rate)", -1.0), -1.0);  // not a constant
    EXPECT_EQ(calc.EvaluateAt("sqrt(@rate)", 0), 0.5);
    EXPECT_THROW(calc.Evaluate("@..rate", 0.0), Exception);  // the data bank has no such name
    uv.Reset(false);
}

// A small user-function table standing in for the real one.
class FakeFunctions : public UserFunctionLink {
public:
    struct Fn {
        std::string name;
        int params;
        std::vector<double> slots;
        std::string body;
    };
    std::vector<Fn> fns;
    AppState* app = nullptr;
    int Find(const std::string& name) const override {
        for (std::size_t i = 0; i < fns.size(); ++i)
            if (fns[i].name == name) return static_cast<int>(i);
        return -1;
    }
    int ParameterCount(int f) const override { return fns[static_cast<std::size_t>(f)].params; }
    int SlotCount(int f) const override { return static_cast<int>(fns[static_cast<std::size_t>(f)].slots.size()); }
    double GetSlot(int f, int i) const override { return fns[static_cast<std::size_t>(f)].slots.at(static_cast<std::size_t>(i)); }
    void SetSlot(int f, int i, double v) override { fns[static_cast<std::size_t>(f)].slots.at(static_cast<std::size_t>(i)) = v; }
    double Evaluate(int f) override {
        CalcStr body(*app);
        return body.EvaluateUserFunction(fns[static_cast<std::size_t>(f)].body);
    }
};

class CalcStrUserFunctions : public CalcStrData {
protected:
    void SetUp() override {
        CalcStrData::SetUp();
        fns.fns = {
            {"sq", 1, {0.0}, " $0 * $0"},
            {"f", 1, {0.0, 0.0}, " $1 = $0 + 1, $1 * 2"},
            {"c", 0, {}, " 42"},
            {"fact", 1, {0.0}, " $0 < 2 ? 1 : $0 * @fact($0 - 1) ;"},
            {"loop", 2, {0.0, 0.0}, " %%(3){ $1 += 2 }, $1"},
            {"stop", 2, {0.0, 0.0}, " %%(5){ ?%($1 > 3) , $1 += 1 }, $1"},
            {"skip", 1, {0.0}, " %%(0){ $0 = 99 }, $0"},
            {"err", 0, {}, " ?" "?(1), 5"},
            {"self", 0, {}, " @self + 1"},
            {"scale", 2, {0.0, 0.0}, " $0 * $1"},
        };
        fns.app = &app;
        app.SetFunctionLink(&fns);
    }
    FakeFunctions fns;
};

TEST_F(CalcStrUserFunctions, CallsAndBodies) {
    const Case cases[] = {
        {"@sq(3)", 9.0},
        {"@f(2)", 6.0},
        {"@c", 42.0},
        {"@c()", 42.0},
        {"@fact(5)", 120.0},
        {"@loop(0, 0)", 6.0},
        {"@stop(0, 0)", 4.0},
        {"@skip(7)", 7.0},
        {"sum(##x1##.@sq)", 91.0},
        {"sum(##x1##.@scale(10))", 210.0},
    };
    for (const Case& c : cases) EXPECT_EQ(calc.Calculate(c.text), c.value) << c.text;
    EXPECT_EQ(fns.fns[1].slots[1], 3.0);  // the local of the last call
    EXPECT_EQ(app.EvalRun().currentUserFunction, -1);
}

TEST_F(CalcStrUserFunctions, ErrorsInBodiesAreShownAndGiveZero) {
    services.QueueOK();
    EXPECT_EQ(calc.Calculate("@err + 1"), 1.0);
    ASSERT_EQ(services.CallsOf(ServiceCall::MessageBox).size(), 1u);
    EXPECT_EQ(services.CallsOf(ServiceCall::MessageBox)[0].text, "ユーザ定義エラー");
    EXPECT_THROW(calc.Calculate("@sq(2"), Exception);
    EXPECT_THROW(calc.Calculate("sum(##x1##.@f(1))"), Exception);  // one argument too many
}

// Endless recursion stops at the nesting limit instead of the stack.
TEST_F(CalcStrUserFunctions, EndlessRecursionIsBounded) {
    calc.Calculate("@self");
    EXPECT_EQ(app.EvalRun().currentUserFunction, -1);
}

}  // namespace
