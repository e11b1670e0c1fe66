// No text makes the compiler crash, hang or fail other than by its errors:
// every text compiles to finished code ending with END, or raises an
// Exception.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "eval/app_state.h"
#include "macro/macro_compile.h"
#include "macro_expression_support.h"
#include "platform/errors.h"
#include "support/model_builder.h"

namespace {

bool EndsWithEnd(const std::string& listing) {
    const std::string tail = " : END\r\n";
    return listing.size() >= tail.size() && listing.compare(listing.size() - tail.size(), tail.size(), tail) == 0;
}

// "" when the text compiled to finished code or raised an Exception, else
// what went wrong.
std::string Outcome(ScopedExpressionCompiler& compiler, const std::string& text) {
    try {
        compiler.Compile(text);
        if (!compiler.IsFinished()) return "unfinished code";
        if (!EndsWithEnd(compiler.ListCode())) return "listing without END";
        if (compiler.Code()[compiler.CodeLength()] != 0) return "no final 0 byte";
        return "";
    } catch (const Exception&) {
        return "";
    } catch (const std::exception& e) {
        return std::string("foreign exception: ") + e.what();
    }
}

class MacroRobustness : public ::testing::Test {
protected:
    void SetUp() override {
        app_.SetModel(MakeModel({{1, 2, 3}, {3, 1, 2}}, {}, {"y", "w"}, &app_.Context()));
        app_.UserScalars().SetName(0, false, "a");
        app_.UserFunctions().Functions()[0].SetDefinition("f(u) = u + 1");
        library_.Add("lm", 1);
    }
    AppState app_;
    FakeLibrary library_;
    ScopedExpressionCompiler compiler_{app_, &library_};
};

TEST_F(MacroRobustness, TruncatedAndOddTexts) {
    const std::vector<std::string> texts = {
        "/* never closed", "\"never closed", "@", "#", "##", "#@", "@~", "@file::", "@..", "inc(", "inc(x,",
        "m(", "m(1,", "#s[1", "#w.", "##w[", "##w.round(", "#@arr[1..", "x <<", "x << [", "x ? 1", "(((",
        ")))", "1 +", "- -", "++", "--", "++1", "format", "poly(", "1e400", "0x10", "1..2", ".", "..",
        std::string("1\0+2", 4), "\xff\xfe", "@f(", "@f(1", "@~lm(", "#index[", "#ti[w", "x = = 1",
        "arr[1,2,3]", "s$ = \"" + std::string(300, 'z') + "\"", std::string(5000, '-') + "1",
        std::string(3000, '!') + "1", std::string(2000, '(') + std::string(2000, ')'),
    };
    for (const std::string& text : texts) EXPECT_EQ(Outcome(compiler_, text), "") << text;
}

// Chains that nest without parentheses end in the nesting limit.
TEST_F(MacroRobustness, LongChains) {
    for (const char* link : {"x = ", "@a = ", "1 ? ", "#w[", "x << [", "m(1, @arr, &", "-(", "sin("}) {
        std::string text;
        for (int i = 0; i < 5000; ++i) text += link;
        EXPECT_THROW(compiler_.Compile(text + "1"), Exception) << link;
    }
}

TEST_F(MacroRobustness, TextCutAtNul) {
    compiler_.Compile(std::string("1\0+2", 4));
    EXPECT_EQ(compiler_.ListCode(), ExpressionListing({"0 : LDI 1", "9 : END"}));
}

// Texts strung together from the language's fragments by a fixed-seed
// generator.
TEST_F(MacroRobustness, RandomTexts) {
    const std::vector<std::string> fragments = {
        "1", "2.5", "0", "x", "b", "arr", "arr[1]", "s$", "m", "p", "@a", "@f", "@~lm", "#w", "#row", "##w",
        "#@arr", "+", "-", "*", "/", "^", "mod", "div", "==", "<", "<<", "[", "]", "(", ")", ",", "?", ":",
        "!", "&&", "||", "$$", "=", "+=", "++", "--", "sin", "round", "max", "pt", "inc", "dec", "format",
        "poly", "pi", "ranuni", "@@", "@#", ".", "..", "\"t\"", "&", "@", "#", "{", "}", ";", "/*", "*/",
    };
    std::mt19937 random(20261207u);
    std::uniform_int_distribution<std::size_t> pick(0, fragments.size() - 1);
    std::uniform_int_distribution<int> count(1, 12);
    for (int round = 0; round < 3000; ++round) {
        std::string text;
        const int n = count(random);
        for (int i = 0; i < n; ++i) text += fragments[pick(random)] + " ";
        const std::string outcome = Outcome(compiler_, text);
        ASSERT_EQ(outcome, "") << text;
    }
}

}  // namespace
