// User functions: definitions, slot substitution, bodies run through the
// evaluator, the call-depth limit and the settings section "FUNC".
#include "eval/user_func.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "eval/app_state.h"
#include "eval/calc_str.h"
#include "platform/errors.h"
#include "platform/ini_file.h"
#include "support/scripted_services.h"

namespace fs = std::filesystem;

namespace {

class UserFuncTest : public ::testing::Test {
protected:
    void SetUp() override { app_.SetServices(&services_); }
    UserFunc& Fn(int i) { return app_.UserFunctions().Functions()[static_cast<std::size_t>(i)]; }
    double Calc(const std::string& text) { return app_.Evaluator().Calculate(text); }
    int FindUserFunction(const std::string& name) { return app_.UserFunctions().Find(name); }
    // Exactly one error box with OK, showing text.
    void ExpectOneErrorBox(const std::string& text) {
        const auto boxes = services_.CallsOf(ServiceCall::MessageBox);
        ASSERT_EQ(boxes.size(), 1u);
        EXPECT_EQ(boxes[0].text, text);
        EXPECT_EQ(boxes[0].msgKind, MsgKind::Error);
        EXPECT_EQ(boxes[0].value, static_cast<long>(mbOK));
    }
    void ExpectNoBox() { EXPECT_TRUE(services_.CallsOf(ServiceCall::MessageBox).empty()); }

    ScriptedServices services_;
    AppState app_;
};

void ExpectSyntaxError(UserFunc& f, const std::string& text) {
    try {
        f.SetDefinition(text);
        ADD_FAILURE() << "no error for " << text;
    } catch (const Exception& e) {
        EXPECT_EQ(e.Message(), "文法エラー") << text;
    }
}

// --- definitions -------------------------------------------------------------

struct DefinitionCase {
    const char* text;
    const char* name;
    const char* body;
    int parameters;
    int slots;
};

TEST_F(UserFuncTest, DefinitionsGiveNameBodyAndCounts) {
    const DefinitionCase cases[] = {
        {"sq(x) = x * x", "sq", " $0 * $0", 1, 1},
        {"f(a; t) = t = a + 1, t * 2", "f", " $1 = $0 + 1, $1 * 2", 1, 2},
        {"c = 42", "c", " 42", 0, 0},
        // Whole words only: x stays a variable name.
        {"x(xx) = xx + x", "x", " $0 + x", 1, 1},
        {" g ( a , b ; u , v ) = a*b+u-v", "g", " $0*$1+$2-$3", 2, 4},
        {"h(,a,) = a", "h", " $0", 1, 1},
        {"q(;s) = s", "q", " $0", 0, 1},
        {"k()=7", "k", "7", 0, 0},
        {"abc", "abc", "", 0, 0},
        {"f(x)", "f", "", 1, 1},
        {"f(x) junk = x", "f", " $0", 1, 1},
        // The first of equal names takes every occurrence.
        {"d(x, x) = x", "d", " $0", 2, 2},
        // Names are read as the evaluator reads them: "_" belongs to a name
        // and numbers are left alone.
        {"m(x) = x_1 + x + 2x + 1e5", "m", " x_1 + $0 + 2x + 1e5", 1, 1},
        {"n(_p) = _p * 2", "n", " $0 * 2", 1, 1},
        {"z(価格) = 価格 * 2 + 価格x", "z", " $0 * 2 + 価格x", 1, 1},
        // One pass: markers already in the body are not read again.
        {"e(a, b) = b + $0", "e", " $1 + $0", 2, 2},
        {"t(a, b) = a + b", "t", " $0 + $1", 2, 2},
    };
    for (const auto& c : cases) {
        Fn(3).SetDefinition(c.text);
        EXPECT_EQ(Fn(3).Name(), c.name) << c.text;
        EXPECT_EQ(Fn(3).Body(), c.body) << c.text;
        EXPECT_EQ(Fn(3).Definition(), c.text);
        EXPECT_EQ(Fn(3).ParameterCount(), c.parameters) << c.text;
        EXPECT_EQ(Fn(3).SlotCount(), c.slots) << c.text;
        for (int i = 0; i < c.slots; ++i) EXPECT_EQ(Fn(3).GetSlot(i), 0.0);
    }
}

TEST_F(UserFuncTest, MissingCloseParenthesisKeepsNewNameAndOldSlots) {
    Fn(0).SetDefinition("old(a; b) = a");
    Fn(0).SetSlot(1, 5.0);
    ExpectSyntaxError(Fn(0), "f(x = x");
    EXPECT_EQ(Fn(0).Name(), "f");
    EXPECT_EQ(Fn(0).Definition(), "f(x = x");
    EXPECT_EQ(Fn(0).Body(), "");
    EXPECT_EQ(Fn(0).SlotCount(), 2);
    EXPECT_EQ(Fn(0).ParameterCount(), 1);
    EXPECT_EQ(Fn(0).GetSlot(1), 5.0);
    ExpectSyntaxError(Fn(0), "f(x; y");
    ExpectSyntaxError(Fn(0), "f(");
}

TEST_F(UserFuncTest, NamesThatAreNoIdentifiersAreRefused) {
    // "0" would match the slot numbers the substitution writes.
    for (const char* text : {"z(0) = 1", "z(a; 1b) = 1", "z(a b) = a", "z(a+b) = 1", "z(ｱ) = 1",
                             "z(a; y; w) = 1", "z(@) = 1"})
        ExpectSyntaxError(Fn(1), text);
}

TEST_F(UserFuncTest, EmptyDefinitionClears) {
    Fn(2).SetDefinition("f(a; b) = a");
    Fn(2).SetDefinition("");
    EXPECT_EQ(Fn(2).Name(), "");
    EXPECT_EQ(Fn(2).Body(), "");
    EXPECT_EQ(Fn(2).Definition(), "");
    EXPECT_EQ(Fn(2).SlotCount(), 0);
    EXPECT_EQ(Fn(2).ParameterCount(), 0);
    EXPECT_EQ(FindUserFunction("f"), -1);
}

TEST_F(UserFuncTest, TextThatCp932CannotHoldChangesNothing) {
    Fn(4).SetDefinition("f(x) = x");
    EXPECT_THROW(Fn(4).SetDefinition("g(x) = x + \xF0\x9F\x98\x80"), EConvertError);
    EXPECT_EQ(Fn(4).Name(), "f");
    EXPECT_EQ(Fn(4).Definition(), "f(x) = x");
}

TEST_F(UserFuncTest, SlotsAreCheckedAndLocalsClearSeparately) {
    Fn(0).SetDefinition("f(a, b; c) = a");
    for (int i = 0; i < 3; ++i) Fn(0).SetSlot(i, i + 1.0);
    Fn(0).ClearSlots(false);
    EXPECT_EQ(Fn(0).GetSlot(0), 1.0);
    EXPECT_EQ(Fn(0).GetSlot(1), 2.0);
    EXPECT_EQ(Fn(0).GetSlot(2), 0.0);
    Fn(0).ClearSlots(true);
    EXPECT_EQ(Fn(0).GetSlot(0), 0.0);
    EXPECT_THROW(Fn(0).GetSlot(3), Exception);
    EXPECT_THROW(Fn(0).SetSlot(-1, 1.0), Exception);
    EXPECT_THROW(Fn(5).GetSlot(0), Exception);
}

TEST_F(UserFuncTest, FindUserFunctionExactLowestAndNeverEmpty) {
    EXPECT_EQ(FindUserFunction(""), -1);
    Fn(6).SetDefinition("dup = 1");
    Fn(8).SetDefinition("dup = 2");
    EXPECT_EQ(FindUserFunction("dup"), 6);
    EXPECT_EQ(FindUserFunction("Dup"), -1);
    EXPECT_EQ(FindUserFunction(""), -1);
    EXPECT_EQ(Calc("@dup"), 1.0);
}

TEST(UserFuncWords, FindWordAndPosition) {
    struct Case {
        const char* text;
        int start;
        const char* word;
        int after;
    } words[] = {
        {"ab cd", 1, "ab", 3}, {"ab cd", 3, "cd", 6}, {"  ", 1, "", 3},
        {"x_y", 1, "x", 2},    {"x_y", 2, "y", 4},    {"", 1, "", 1},
    };
    for (const auto& c : words) {
        std::string w = "junk";
        EXPECT_EQ(FindWord(c.text, c.start, w), c.after) << c.text << " " << c.start;
        EXPECT_EQ(w, c.word);
    }
    EXPECT_EQ(FindWordPosition("xx + x", "x"), 6);
    EXPECT_EQ(FindWordPosition("a+b", "b"), 3);
    EXPECT_EQ(FindWordPosition("ab", "a"), 0);
    EXPECT_EQ(FindWordPosition("", "a"), 0);
    EXPECT_EQ(FindWordPosition("あx", "x"), 4);  // "あ" is three bytes here
}

// --- calls through the evaluator ---------------------------------------------

TEST_F(UserFuncTest, CallsFromExpressions) {
    Fn(0).SetDefinition("sq(x) = x * x");
    Fn(1).SetDefinition("f(a; t) = t = a + 1, t * 2");
    Fn(2).SetDefinition("c = 42");
    Fn(3).SetDefinition("e(a, b) = b + $0");
    Fn(4).SetDefinition("k() = 7");
    Fn(5).SetDefinition("z(価格) = 価格 * 2");
    EXPECT_EQ(Calc("@sq(3)"), 9.0);
    EXPECT_EQ(Calc("@sq(3) + 1"), 10.0);
    EXPECT_EQ(Calc("@f(2)"), 6.0);
    EXPECT_EQ(Fn(1).GetSlot(1), 3.0);  // the local keeps its last value
    EXPECT_EQ(Calc("@c"), 42.0);
    EXPECT_EQ(Calc("@e(10, 20)"), 30.0);
    EXPECT_EQ(Calc("@k()"), 7.0);
    EXPECT_EQ(Calc("@z(3)"), 6.0);
    ExpectNoBox();
}

TEST_F(UserFuncTest, LocalsStartAtZeroOnEveryCall) {
    Fn(0).SetDefinition("g(a; t) = t += a");
    EXPECT_EQ(Calc("@g(2)"), 2.0);
    EXPECT_EQ(Calc("@g(2)"), 2.0);
}

TEST_F(UserFuncTest, StatementLanguage) {
    Fn(0).SetDefinition("p(a; s) = s = a, %%(3){ s += 2 }, s");
    Fn(1).SetDefinition("p0(a; s) = s = a, %%(0){ s = 99 }, s");
    Fn(2).SetDefinition("q(;s) = %%(5){ ?%(s > 3) , s += 1 }, s");
    Fn(3).SetDefinition("r(a) = a * 10, ?%(a > 0), 5");
    Fn(4).SetDefinition("u(a) = ?" "?(a > 1), a");
    EXPECT_EQ(Calc("@p(1)"), 7.0);
    EXPECT_EQ(Calc("@p0(5)"), 5.0);
    EXPECT_EQ(Calc("@q"), 4.0);
    EXPECT_EQ(Calc("@r(2)"), 20.0);
    EXPECT_EQ(Calc("@r(-1)"), 5.0);
    EXPECT_EQ(Calc("@u(1)"), 1.0);
    ExpectNoBox();
    services_.QueueOK();
    EXPECT_EQ(Calc("@u(2)"), 0.0);
    ExpectOneErrorBox("ユーザ定義エラー");
}

TEST_F(UserFuncTest, ErrorsInBodiesAreShownAndGiveZero) {
    Fn(0).SetDefinition("v(a) = a + @nosuch");
    services_.QueueOK();
    EXPECT_EQ(Calc("1 + @v(2)"), 1.0);
    ExpectOneErrorBox("未定義識別子エラー");
}

TEST_F(UserFuncTest, CurrentValueIsZeroInsideBodies) {
    Fn(0).SetDefinition("cv = @@");
    app_.Evaluator().SetCurrentValue(5.0);
    EXPECT_EQ(Calc("@@"), 5.0);
    EXPECT_EQ(Calc("@cv"), 0.0);
}

TEST_F(UserFuncTest, DirectRecursionKeepsTheCallersSlots) {
    // The call comes before the use of n, so n must be restored after it.
    Fn(0).SetDefinition("fact(n) = n <= 1 ? 1 : @fact(n - 1) * n ;");
    EXPECT_EQ(Calc("@fact(5)"), 120.0);
    EXPECT_EQ(Fn(0).GetSlot(0), 5.0);
    ExpectNoBox();
}

TEST_F(UserFuncTest, CallDepthIsLimitedAtSixtyFour) {
    Fn(0).SetDefinition("dn(n) = n < 1 ? 0 : 1 + @dn(n - 1) ;");
    EXPECT_EQ(Calc("@dn(63)"), 63.0);  // 64 bodies deep
    ExpectNoBox();
    services_.QueueOK();
    EXPECT_EQ(Calc("@dn(64)"), 0.0);
    ExpectOneErrorBox("範囲エラー");
    // Afterwards calls work again.
    EXPECT_EQ(Calc("@dn(3)"), 3.0);
}

TEST_F(UserFuncTest, MutualRecursionStopsAtTheLimit) {
    Fn(0).SetDefinition("a1(n) = @b1(n + 1)");
    Fn(1).SetDefinition("b1(n) = @a1(n + 1)");
    services_.QueueOK();
    EXPECT_EQ(Calc("@a1(0)"), 0.0);
    ExpectOneErrorBox("範囲エラー");
    // Each inner call gave the running calls their arguments back: what is
    // left are the outermost calls' arguments.
    EXPECT_EQ(Fn(0).GetSlot(0), 0.0);
    EXPECT_EQ(Fn(1).GetSlot(0), 1.0);
}

TEST_F(UserFuncTest, BranchingRecursionEndsAfterOneError) {
    // Without cutting the pending calls short this would be 2^64 calls.
    Fn(0).SetDefinition("two(n) = @two(n + 1) + @two(n + 1)");
    services_.QueueOK();
    EXPECT_EQ(Calc("@two(0)"), 0.0);
    ExpectOneErrorBox("範囲エラー");
}

// One top-level evaluation may make a million user-function calls. A body
// calling itself twice per level stays within the depth limit; past the
// budget it ends with one range error instead of running 2^61 calls.
TEST_F(UserFuncTest, CallsPerEvaluationAreLimited) {
    Fn(0).SetDefinition("fan(n) = n < 1 ? 1 : @fan(n - 1) + @fan(n - 1)");
    struct Case {
        const char* text;
        double value;
        bool rangeError;
    };
    const Case cases[] = {
        {"@fan(13)", 8192.0, false},  // 16,383 calls
        {"@fan(60)", 0.0, true},
        {"@fan(3)", 8.0, false},  // each evaluation starts a fresh budget
        // 2 x 524,287 calls in one expression: the second call runs out.
        {"@fan(18) + @fan(18)", 262144.0, true},
    };
    for (const Case& c : cases) {
        services_.ClearCalls();
        if (c.rangeError) services_.QueueOK();
        EXPECT_EQ(Calc(c.text), c.value) << c.text;
        if (c.rangeError)
            ExpectOneErrorBox("範囲エラー");
        else
            ExpectNoBox();
    }
}

// --- settings ------------------------------------------------------------------

class UserFuncSettingsTest : public UserFuncTest {
protected:
    void SetUp() override {
        UserFuncTest::SetUp();
        std::string tmpl = (fs::temp_directory_path() / "merlox_uf_XXXXXX").string();
        ASSERT_NE(::mkdtemp(tmpl.data()), nullptr);
        dir_ = tmpl;
        path_ = (dir_ / "MERLOX.ini").string();
    }
    void TearDown() override {
        std::error_code ec;
        fs::remove_all(dir_, ec);
        UserFuncTest::TearDown();
    }
    static std::string ReadBytes(const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    }
    fs::path dir_;
    std::string path_;
};

TEST_F(UserFuncSettingsTest, RoundTripThroughTheSettingsFile) {
    Fn(0).SetDefinition("sq(x) = x * x");
    Fn(3).SetDefinition("合計(a, b) = a + b");
    Fn(9).SetDefinition("f(a; t) = t = a + 1, t * 2");
    {
        IniFile ini(path_);
        app_.UserFunctions().SaveSettings(ini);
        ini.UpdateFile();
    }
    const std::string bytes = ReadBytes(path_);
    EXPECT_NE(bytes.find("[FUNC]"), std::string::npos);
    EXPECT_NE(bytes.find("item0=sq(x) = x * x"), std::string::npos);
    // "合計" in CP932 is 8D 87 8C 76.
    EXPECT_NE(bytes.find("item3=\x8D\x87\x8C\x76(a, b) = a + b"), std::string::npos);

    app_.UserFunctions().ClearAll();
    Fn(5).SetDefinition("gone = 1");  // no stored text: cleared on loading
    IniFile ini(path_);
    EXPECT_TRUE(app_.UserFunctions().LoadSettings(ini).empty());
    EXPECT_EQ(Fn(0).Definition(), "sq(x) = x * x");
    EXPECT_EQ(Fn(3).Name(), "合計");
    EXPECT_EQ(Fn(9).Body(), " $1 = $0 + 1, $1 * 2");
    EXPECT_EQ(Fn(5).Definition(), "");
    EXPECT_EQ(Fn(1).Definition(), "");
    EXPECT_EQ(Calc("@合計(2, 5)"), 7.0);
    EXPECT_EQ(Calc("@f(2)"), 6.0);
}

TEST_F(UserFuncSettingsTest, BadStoredDefinitionDoesNotStopTheOthers) {
    std::ofstream(path_, std::ios::binary) << "[FUNC]\r\nitem0=bad(x\r\nitem1=ok = 1\r\n";
    {
        IniFile ini(path_);
        EXPECT_EQ(app_.UserFunctions().LoadSettings(ini), std::vector<int>{0});
        EXPECT_EQ(Fn(0).Definition(), "bad(x");
        EXPECT_EQ(Calc("@ok"), 1.0);
        EXPECT_EQ(Calc("@bad"), 0.0);  // empty body
        app_.UserFunctions().SaveSettings(ini);
        ini.UpdateFile();
    }
    const std::string bytes = ReadBytes(path_);
    EXPECT_NE(bytes.find("item0=bad(x"), std::string::npos);
    EXPECT_NE(bytes.find("item1=ok = 1"), std::string::npos);
}

}  // namespace

namespace {

TEST_F(UserFuncTest, MutualRecursionKeepsEachCallersArguments) {
    // f(n) reads n after g has called f again: n must still be its own.
    // f(3) = g(3) + 3 = f(2) + 3 = g(2) + 2 + 3 = ... = 0 + 1 + 2 + 3.
    Fn(0).SetDefinition("f(n) = @g(n) + n");
    Fn(1).SetDefinition("g(m) = m > 0 ? @f(m - 1) : 0 ;");
    EXPECT_EQ(Calc("@f(3)"), 6.0);
    ExpectNoBox();
}

TEST_F(UserFuncTest, HugeLoopCountsAreRefused) {
    Fn(0).SetDefinition("big(;s) = %%(2000000){ s += 1 }, s");
    services_.QueueOK();
    EXPECT_EQ(Calc("@big"), 0.0);
    ExpectOneErrorBox("範囲エラー");
}

TEST_F(UserFuncTest, LoopCountsBeyondTheIntegersAreRangeErrorsOrSkipped) {
    Fn(0).SetDefinition("big(;s) = %%(1e10){ s += 1 }, s");
    Fn(1).SetDefinition("neg(;s) = s = 4, %%(-1e300){ s += 1 }, s");
    Fn(2).SetDefinition("frac(;s) = %%(2.9){ s += 1 }, s");
    EXPECT_EQ(Calc("@neg"), 4.0);  // fewer than one pass: the block is skipped
    EXPECT_EQ(Calc("@frac"), 2.0);
    ExpectNoBox();
    services_.QueueOK();
    EXPECT_EQ(Calc("@big"), 0.0);
    ExpectOneErrorBox("範囲エラー");
}

// Deeply parenthesised bodies reach the nesting limit before the call
// limit; the calls still pending must not run into it again one by one
// (that would be 2^30 calls here).
TEST_F(UserFuncTest, BranchingRecursionInParenthesesEndsQuickly) {
    Fn(0).SetDefinition("two(n) = ((((((@two(n + 1)))))) + ((((((@two(n + 1))))))");
    EXPECT_EQ(Calc("@two(0)"), 0.0);
    ExpectNoBox();
    Fn(1).SetDefinition("one(n) = n + 1");
    EXPECT_EQ(Calc("@one(1)"), 2.0);  // the limit is released afterwards
}

}  // namespace
