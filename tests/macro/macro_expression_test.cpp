// Macro expressions compiled to byte code: the precedence levels, folding
// of constant sums, comparisons and intervals, functions with their default
// arguments, declared names with assignments, "inc"/"dec" and module calls.
// The expected listings are written out by hand from the instruction sizes
// (LDI 9 bytes, a variable reference 11, STO 15, ADI 17, jumps 5).
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "eval/app_state.h"
#include "macro/macro_compile.h"
#include "macro_expression_support.h"

namespace {

struct ListingCase {
    const char* text;
    std::vector<std::string> lines;
};

const std::vector<ListingCase>& Cases() {
    static const std::vector<ListingCase> cases = {
        {"1", {"0 : LDI 1", "9 : END"}},
        {"1 + 2 * 3", {"0 : LDI 7", "9 : END"}},
        {"1, 2", {"0 : LDI 1", "9 : POP", "10 : LDI 2", "19 : END"}},
        {"1 ; 2", {"0 : LDI 1", "9 : END"}},
        {"1 / 0", {"0 : LDI 1", "9 : LDI 0", "18 : DIV", "19 : END"}},
        {"x == 1 || 1", {"0 : LDA [V,V,0:4]", "11 : LDI 1", "20 : EQ_", "21 : LDI 1", "30 : OR_", "31 : END"}},
        {"x + 2 * 3", {"0 : LDA [V,V,0:4]", "11 : LDI 6", "20 : ADD", "21 : END"}},
        {"2 + 3 + x", {"0 : LDI 5", "9 : LDA [V,V,0:4]", "20 : ADD", "21 : END"}},
        {"x - 2 + 3", {"0 : LDA [V,V,0:4]", "11 : LDI 2", "20 : SUB", "21 : LDI 3", "30 : ADD", "31 : END"}},
        {"x + 2 + 3", {"0 : LDA [V,V,0:4]", "11 : LDI 5", "20 : ADD", "21 : END"}},
        {"2 * x + 3 * 4",
         {"0 : LDI 2", "9 : LDA [V,V,0:4]", "20 : MUL", "21 : LDI 12", "30 : ADD", "31 : END"}},
        // What the evaluator cannot finish is compiled instead.
        {"(-8) ^ 0.5", {"0 : LDI -8", "9 : LDI 0.5", "18 : POW", "19 : END"}},
        {"(-8) ^ 0.5 + x", {"0 : LDI -8", "9 : LDI 0.5", "18 : POW", "19 : LDA [V,V,0:4]", "30 : ADD", "31 : END"}},
        {"1 / 0 + 2", {"0 : LDI 1", "9 : LDI 0", "18 : DIV", "19 : LDI 2", "28 : ADD", "29 : END"}},
        {"2 + 1 / 0 + x",
         {"0 : LDI 2", "9 : LDI 1", "18 : LDI 0", "27 : DIV", "28 : ADD", "29 : LDA [V,V,0:4]", "40 : ADD", "41 : END"}},
        {"x * (2 + 3)", {"0 : LDA [V,V,0:4]", "11 : LDI 5", "20 : MUL", "21 : END"}},
        // Only the sum is folded: the comparison after it is compiled.
        {"x == 2 < 1", {"0 : LDA [V,V,0:4]", "11 : LDI 2", "20 : EQ_", "21 : LDI 1", "30 : LT_", "31 : END"}},
        {"2 < 1", {"0 : LDI 2", "9 : LDI 1", "18 : LT_", "19 : END"}},
        {"b < x < c",
         {"0 : LDA [V,V,0:6]", "11 : LDA [V,V,0:4]", "22 : LT_", "23 : LDA [V,V,0:8]", "34 : LT_", "35 : END"}},
        {"x << [1, 5)", {"0 : LDA [V,V,0:4]", "11 : LDI 1", "20 : LDI 5", "29 : IMP <<,[,)", "33 : END"}},
        {"x >> (0, 2]", {"0 : LDA [V,V,0:4]", "11 : LDI 0", "20 : LDI 2", "29 : IMP >>,(,]", "33 : END"}},
        {"x <> 1", {"0 : LDA [V,V,0:4]", "11 : LDI 1", "20 : NE_", "21 : END"}},
        {"x =< 1", {"0 : LDA [V,V,0:4]", "11 : LDI 1", "20 : LE_", "21 : END"}},
        {"x => 1", {"0 : LDA [V,V,0:4]", "11 : LDI 1", "20 : GE_", "21 : END"}},
        {"x > 1", {"0 : LDA [V,V,0:4]", "11 : LDI 1", "20 : GT_", "21 : END"}},
        {"round(x)", {"0 : LDA [V,V,0:4]", "11 : LDI 7", "20 : FNC (round)", "25 : END"}},
        {"loga(x)", {"0 : LDA [V,V,0:4]", "11 : LDI 10", "20 : FNC (loga)", "25 : END"}},
        {"bce(x)", {"0 : LDA [V,V,0:4]", "11 : LDI 0", "20 : FNC (bce)", "25 : END"}},
        {"invbce(x, 2)", {"0 : LDA [V,V,0:4]", "11 : LDI 2", "20 : FNC (invbce)", "25 : END"}},
        {"pf(x, 1, 2)", {"0 : LDA [V,V,0:4]", "11 : LDI 1", "20 : LDI 2", "29 : FNC (pf)", "34 : END"}},
        {"sqrt(x)", {"0 : LDA [V,V,0:4]", "11 : FNC (sqrt)", "16 : END"}},
        {"sin(1) + x", {"0 : LDI 0.841470984807897", "9 : LDA [V,V,0:4]", "20 : ADD", "21 : END"}},
        {"max(x, 2)", {"0 : LDA [V,V,0:4]", "11 : LDI 2", "20 : FNC (max/2)", "29 : END"}},
        {"hornor(x)", {"0 : LDA [V,V,0:4]", "11 : FNC (hornor/1)", "20 : END"}},
        {"-x^2", {"0 : LDA [V,V,0:4]", "11 : XCS", "12 : LDI 2", "21 : POW", "22 : END"}},
        {"-(x)", {"0 : LDA [V,V,0:4]", "11 : XCS", "12 : END"}},
        {"x ? 10 : 20",
         {"0 : LDA [V,V,0:4]", "11 : JPF <30>", "16 : LDI 10", "25 : JMP <39>", "30 : LDI 20", "39 : END"}},
        // The evaluator's "?" takes only 1 as true; this one is not folded.
        {"(2 ? 10 : 20) + x",
         {"0 : LDI 2", "9 : JPF <28>", "14 : LDI 10", "23 : JMP <37>", "28 : LDI 20", "37 : LDA [V,V,0:4]",
          "48 : ADD", "49 : END"}},
        {"!x", {"0 : LDA [V,V,0:4]", "11 : NOT", "12 : END"}},
        {"x && b $$ c",
         {"0 : LDA [V,V,0:4]", "11 : LDA [V,V,0:6]", "22 : AND", "23 : LDA [V,V,0:8]", "34 : XOR", "35 : END"}},
        {"x mod 3 div 2",
         {"0 : LDA [V,V,0:4]", "11 : LDI 3", "20 : REM", "21 : LDI 2", "30 : IDIV", "31 : END"}},
        {"(1, x)", {"0 : LDI 1", "9 : POP", "10 : LDA [V,V,0:4]", "21 : END"}},
        {"\"abc\" + x", {"0 : LSI \"abc\"", "5 : LDA [V,V,0:4]", "16 : ADD", "17 : END"}},
        {"ranuni + 1", {"0 : FNC (ranuni)", "5 : LDI 1", "14 : ADD", "15 : END"}},
        {"rannor", {"0 : FNC (rannor)", "5 : END"}},
        {"pi", {"0 : LDI 3.14159265358979", "9 : END"}},
        {"@@ * 2", {"0 : FAA", "1 : LDI 2", "10 : MUL", "11 : END"}},
        {"@#", {"0 : ALP", "1 : END"}},
        {"x = 5", {"0 : LDI 5", "9 : STA [V,V,0:4]", "20 : END"}},
        {"x = 1, 2", {"0 : LDI 1", "9 : STA [V,V,0:4]", "20 : POP", "21 : LDI 2", "30 : END"}},
        {"b = x = 1", {"0 : LDI 1", "9 : STA [V,V,0:4]", "20 : STA [V,V,0:6]", "31 : END"}},
        {"x += 2", {"0 : LDI 2", "9 : STO [V,V,0:4]3", "24 : END"}},
        {"x -= 2", {"0 : LDI 2", "9 : STO [V,V,0:4]4", "24 : END"}},
        {"x *= 2", {"0 : LDI 2", "9 : STO [V,V,0:4]5", "24 : END"}},
        {"x /= 2", {"0 : LDI 2", "9 : STO [V,V,0:4]6", "24 : END"}},
        {"x++", {"0 : STO [V,V,0:4]0", "15 : END"}},
        {"x--", {"0 : STO [V,V,0:4]1", "15 : END"}},
        {"++x", {"0 : STO [V,V,0:4]-2", "15 : END"}},
        {"--x", {"0 : STO [V,V,0:4]-1", "15 : END"}},
        {"++arr[2]", {"0 : LDI 2", "9 : STO [V,A,0:10]-2", "24 : END"}},
        {"s$ = \"ab\"", {"0 : LSI \"ab\"", "4 : STA [V,S,0:14]", "15 : END"}},
        {"s$", {"0 : LDA [V,S,0:14]", "11 : END"}},
        {"arr[b] = 3", {"0 : LDA [V,V,0:6]", "11 : LDI 3", "20 : STA [V,A,0:10]", "31 : END"}},
        {"arr[1, 2]", {"0 : LDI 1", "9 : LDI 2", "18 : AAA [V,A,0:10]", "29 : LDA [V,A,0:10]", "40 : END"}},
        {"inc(x)", {"0 : ADI [V,V,0:4]{F,F,1}", "17 : END"}},
        {"dec(x, 3, a)", {"0 : ADI [V,V,0:4]{T,T,3}", "17 : END"}},
        {"inc(x, 2 * 3, b)", {"0 : ADI [V,V,0:4]{F,F,6}", "17 : END"}},
        {"inc(x, a)", {"0 : ADI [V,V,0:4]{F,T,1}", "17 : END"}},
        {"inc(arr[2], -1)", {"0 : LDI 2", "9 : ADI [V,A,0:10]{F,F,-1}", "26 : END"}},
        {"format(x, 2)", {"0 : LDA [V,V,0:4]", "11 : LDI 2", "20 : FFM", "21 : END"}},
        {"poly(x, arr)", {"0 : LDA [V,V,0:4]", "11 : MTS [V,A,0:10],0", "26 : END"}},
        {"m(1, @arr, &x)",
         {"0 : LDI 1", "9 : AAV [V,A,0:10]", "20 : REF [V,V,0:4]", "31 : ARG <3>", "36 : GSB <40>", "41 : END"}},
        {"p + 1", {"0 : ARG <0>", "5 : GSB <60>", "10 : LDI 1", "19 : ADD", "20 : END"}},
        {"p() * 2", {"0 : ARG <0>", "5 : GSB <60>", "10 : LDI 2", "19 : MUL", "20 : END"}},
        {"#row", {"0 : SVR 0,4", "9 : END"}},
        {"#col + #ve + #vt + #fe + #R2",
         {"0 : SVR 0,5", "9 : SVR 0,14", "18 : ADD", "19 : SVR 0,15", "28 : ADD", "29 : SVR 0,16", "38 : ADD",
          "39 : SVR 0,17", "48 : ADD", "49 : END"}},
        {"#s[1, 2]", {"0 : LDI 1", "9 : LDI 2", "18 : SVR 0,6", "27 : END"}},
        {"#v 3, x", {"0 : LDI 3", "9 : LDA [V,V,0:4]", "20 : SVR 0,7", "29 : END"}},
        {"#ave[2] + #min[3]", {"0 : LDI 2", "9 : SVR 0,9", "18 : LDI 3", "27 : SVR 0,12", "36 : ADD", "37 : END"}},
        {"#name[1]", {"0 : LDI 1", "9 : SVR 0,13", "18 : END"}},
        {"#yobs[3]", {"0 : LDI 3", "9 : SVR 0,300", "18 : END"}},
        {"#ri[3]", {"0 : LDI 3", "9 : SVR 0,306", "18 : END"}},
        {"#ti[x]", {"0 : LDA [V,V,0:4]", "11 : SVR -1,307", "20 : END"}},
        {"#index[x]", {"0 : LDA [V,V,0:4]", "11 : SVR -1,8", "20 : END"}},
        {"#@arr", {"0 : LDI 1", "9 : LDI 2147483647", "18 : SPA [V,A,0:10]-1", "33 : END"}},
        {"#@arr[2..5].min", {"0 : LDI 2", "9 : LDI 5", "18 : SPA [V,A,0:10]101", "33 : END"}},
        {"#@arr.loga", {"0 : LDI 1", "9 : LDI 2147483647", "18 : LDI 10", "27 : SPA [V,A,0:10]33", "42 : END"}},
        {"#@arr.round(2)", {"0 : LDI 1", "9 : LDI 2147483647", "18 : LDI 2", "27 : SPA [V,A,0:10]34", "42 : END"}},
    };
    return cases;
}

class MacroExpression : public ::testing::Test {
protected:
    AppState app_;
    ScopedExpressionCompiler compiler_{app_};
};

TEST_F(MacroExpression, Listings) {
    for (const ListingCase& c : Cases()) {
        try {
            compiler_.Compile(c.text);
            EXPECT_EQ(compiler_.ListCode(), ExpressionListing(c.lines)) << c.text;
        } catch (const std::exception& e) {
            ADD_FAILURE() << c.text << ": " << e.what();
        }
    }
}

TEST_F(MacroExpression, CompileExpressionHasNoScope) {
    MacroCompile compiler(app_);
    compiler.CompileExpression("1");
    EXPECT_EQ(compiler.ListCode(), "***  ***\r\n0 : LDI 1\r\n9 : END\r\n");
    compiler.CompileExpression("2 * (3 + 4), 5 - 6");
    EXPECT_EQ(compiler.ListCode(), ExpressionListing({"0 : LDI 14", "9 : POP", "10 : LDI -1", "19 : END"}));
    EXPECT_THROW(compiler.CompileExpression("x + 1"), Exception);
}

TEST_F(MacroExpression, LinkCopiesTheCompiledCode) {
    MacroCompile compiler(app_);
    compiler.CompileExpression("3 ^ 2");
    MacroObject target;
    target.SetFileName("/a/b.MCR");
    compiler.LinkProgram(target);
    EXPECT_EQ(target.ListCode(), "***  ***\r\n0 : LDI 9\r\n9 : END\r\n");
    EXPECT_EQ(target.FileName(), "/a/b.MCR");
}

TEST_F(MacroExpression, SourceFieldIsLeftAsItWas) {
    MacroCompile compiler(app_);
    compiler.SetSource("macro kept { }");
    compiler.CompileExpression("1");
    EXPECT_EQ(compiler.Source(), "macro kept { }");
}

TEST_F(MacroExpression, DeepNestingIsASyntaxErrorNotACrash) {
    const std::string deep = std::string(400, '(') + "x" + std::string(400, ')');
    EXPECT_THROW(compiler_.Compile(deep), Exception);
    const std::string fine = std::string(100, '(') + "x + 1" + std::string(100, ')');
    compiler_.Compile(fine);
    EXPECT_EQ(compiler_.ListCode(), ExpressionListing({"0 : LDA [V,V,0:4]", "11 : LDI 1", "20 : ADD", "21 : END"}));
}

}  // namespace
