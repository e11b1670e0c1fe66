// The compiler's two errors with their source context: the characters
// before the error position (at most 10 code-page-932 bytes of them) and the
// one at it. The expected texts are cut from the sources by hand.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "eval/app_state.h"
#include "macro/macro_compile.h"
#include "macro_expression_support.h"
#include "platform/errors.h"

namespace {

const std::string kSyntax = "文法エラー：\r\n";

std::string Undefined(const std::string& name) { return "未定義識別子エラー(" + name + ")\r\n"; }

struct ErrorCase {
    std::string text;
    std::string message;
};

const std::vector<ErrorCase>& Cases() {
    static const std::vector<ErrorCase> cases = {
        {"pt(x)", kSyntax + "pt(x)"},
        {"pt(x) + 1", kSyntax + "pt(x) + "},
        {"qchi2(x)", kSyntax + "qchi2(x)"},
        {"sin(x, 1)", kSyntax + "sin(x, 1)"},
        {"pf(x, 1)", kSyntax + "pf(x, 1)"},
        {"1 + )", kSyntax + "1 + )"},
        {"1 + 2 + 3 + 4 + 5 + )", kSyntax + " 4 + 5 + )"},
        {"\"日本語日本語\" + )", kSyntax + "本語\" + )"},
        {"y + 1", Undefined("y") + "y "},
        {"x = ", kSyntax + "x = "},
        {"", kSyntax},
        {"(x", kSyntax + "(x"},
        {"arr + 1", kSyntax + "arr + "},
        {"arr[1", kSyntax + "arr[1"},
        {"s + 1", kSyntax + "s + "},
        {"x ? 1 ; 2", kSyntax + "x ? 1 ; "},
        {"x << 1", kSyntax + "x << 1"},
        {"x << [1 5]", kSyntax + "x << [1 5]"},
        {"x << [1, 5}", kSyntax + " << [1, 5}"},
        {"1e999", kSyntax + "1e999"},
        // Compound assignment and counting are for numbers only.
        {"s$ += \"a\"", kSyntax + "s$ += "},
        {"s$++", kSyntax + "s$++"},
        {"++s$", kSyntax + "++s$"},
        {"inc(s)", kSyntax + "inc(s)"},
        // The step of "inc" is fixed when compiling, so it must be a constant.
        {"inc(x, c)", kSyntax + "inc(x, c)"},
        {"inc(x, ranuni)", kSyntax + "(x, ranuni)"},
        {"inc(x, 1, q)", kSyntax + "nc(x, 1, q)"},
        {"inc(z)", Undefined("z") + "inc(z)"},
        {"poly(x, b)", kSyntax + "poly(x, b)"},
        {"m(1, @arr)", kSyntax + "m(1, @arr)"},
        {"m(1, @arr, x)", kSyntax + "1, @arr, x)"},
        {"m(1, @x, &x)", kSyntax + "m(1, @x,"},
        {"m(1, @arr, &x, 2)", kSyntax + "arr, &x, 2)"},
        {"m(1, @arr, &q)", Undefined("q") + ", @arr, &q)"},
        {"p(1)", kSyntax + "p(1)"},
        {"#@x", kSyntax + "#@x"},
        {"#@q", Undefined("q") + "#@q"},
        {"@~lm", Undefined("lm") + "@~lm"},
        {"@q", Undefined("q") + "@q"},
        {"{ 1", kSyntax + "{ 1"},
        {"def (a) { 1 }", kSyntax + "def (a) "},
        {"\"" + std::string(256, 'a') + "\"", kSyntax + std::string(9, 'a') + "\""},
    };
    return cases;
}

TEST(MacroExpressionErrors, MessagesWithContext) {
    AppState app;
    ScopedExpressionCompiler compiler(app);
    for (const ErrorCase& c : Cases()) {
        try {
            compiler.Compile(c.text);
            ADD_FAILURE() << "no error for " << c.text;
        } catch (const Exception& e) {
            EXPECT_EQ(e.Message(), c.message) << c.text;
        }
    }
}

TEST(MacroExpressionErrors, JumpWithoutTargetIsASyntaxError) {
    AppState app;
    ScopedExpressionCompiler compiler(app);
    try {
        compiler.JumpWithoutTarget("break");
        ADD_FAILURE() << "no error";
    } catch (const Exception& e) {
        EXPECT_EQ(e.Message(), kSyntax + "break");
    }
}

// After an error the next compilation starts afresh.
TEST(MacroExpressionErrors, NextCompilationStartsOver) {
    AppState app;
    MacroCompile compiler(app);
    EXPECT_THROW(compiler.CompileExpression("1 +"), Exception);
    compiler.CompileExpression("2");
    EXPECT_EQ(compiler.ListCode(), "***  ***\r\n0 : LDI 2\r\n9 : END\r\n");
}

}  // namespace
