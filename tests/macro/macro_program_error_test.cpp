// The program compiler's errors with their context: the characters from
// ten before the error position through the one at it, cut from each
// source by hand.
#include <gtest/gtest.h>

#include <random>

#include "macro_program_support.h"

namespace {

struct ErrorCase {
    std::string text;
    std::string message;
};

void ExpectErrors(const std::vector<ErrorCase>& cases) {
    AppState app;
    MacroCompile compiler(app);
    for (const ErrorCase& c : cases) {
        try {
            compiler.CompileProgram(c.text);
            ADD_FAILURE() << "no error for " << c.text;
        } catch (const Exception& e) {
            EXPECT_EQ(e.Message(), c.message) << c.text;
        }
    }
}

TEST(MacroProgramErrors, Structure) {
    ExpectErrors({
        // The empty token at the end is no statement.
        {"macro m { 1", kSyntaxError + "acro m { 1"},
        // Near the start the context begins at position 0.
        {"macro", kSyntaxError + "macro"},
        {"q + 1", UndefinedError("q") + "q "},
        {"macro m(a,b,c,d,e,f,g,h,i,j,k,l,n,o,p,q) { }", kSyntaxError + ",l,n,o,p,q)"},
        {"macro m(a { }", kSyntaxError + "acro m(a { "},
        {"macro m var x, x { }", kSyntaxError + "m var x, x "},
        {"macro m var x, x[2] { }", kSyntaxError + "m var x, x["},
        {"macro m var x 1", kSyntaxError + " m var x 1"},
        {"macro m module f(a, b", kSyntaxError + "ule f(a, b"},
        {"macro m module f dim z { } { }", UndefinedError("z") + "le f dim z "},
        {"macro m { def (a=1,b=1,c=1,d=1,e=1,f=1,g=1,h=1,i=1,j=1,k=1,l=1,n=1,o=1,p=1,r=1,s=1) { } }",
         kSyntaxError + ",p=1,r=1,s="},
        {"macro m { def (a) { } }", kSyntaxError + " { def (a) "},
    });
}

TEST(MacroProgramErrors, Statements) {
    ExpectErrors({
        {"macro m { try 1 }", kSyntaxError + " { try 1 }"},
        {"macro m var i { do i++ }", kSyntaxError + "{ do i++ }"},
        {"macro m { if x }", kSyntaxError + "o m { if x "},
        {"macro m { swap q, 1, 2 }", UndefinedError("q") + "m { swap q,"},
        {"macro m var a[2], b[2] { mat a = (2) b }", kSyntaxError + " a = (2) b "},
        {"macro m var a[2] { %trend 1, a, q }", kSyntaxError + "nd 1, a, q "},
        {"macro m var a[2] { %predict a, 1 }", kSyntaxError + "ict a, 1 }"},
        {"macro m { %foo }", kSyntaxError + "acro m { %f"},
        {"macro m { error \"" + std::string(256, 'a') + "\" }", kSyntaxError + std::string(9, 'a') + "\" "},
    });
}

// "case" belongs to a select or a catch part, and keywords that have no
// statement of their own are no statement.
TEST(MacroProgramErrors, MisplacedKeywords) {
    ExpectErrors({
        {"macro m { case 1: 2 }", kSyntaxError + "o m { case "},
        {"macro m var x { select (x) def { case 1: 2 } }", kSyntaxError + "def { case "},
        {"macro m { else }", kSyntaxError + "o m { else "},
        {"macro m { until }", kSyntaxError + " m { until "},
        {"macro m { catch }", kSyntaxError + " m { catch "},
        {"macro m { var x }", kSyntaxError + "ro m { var "},
    });
}

// "break" and "next" cannot leave a module or a "def" block for a loop
// outside it.
TEST(MacroProgramErrors, JumpsOutOfFrames) {
    ExpectErrors({
        {"macro m { while (1) def { break } }", kSyntaxError + "ef { break "},
        {"macro m module f { break } { }", kSyntaxError + " f { break "},
    });
    AppState app;
    MacroCompile compiler(app);
    try {
        compiler.CompileExpression("{ break }");
        ADD_FAILURE() << "no error";
    } catch (const Exception& e) {
        EXPECT_EQ(e.Message(), kSyntaxError + "{ break ");
    }
}

TEST(MacroProgramErrors, DeepBlocksAreASyntaxErrorNotACrash) {
    AppState app;
    MacroCompile compiler(app);
    EXPECT_THROW(compiler.CompileProgram("macro m " + std::string(5000, '{')), Exception);
    EXPECT_THROW(compiler.CompileProgram("macro m {" + std::string(5000, '{') + std::string(5001, '}')),
                 Exception);
    std::string ifs = "macro m var x {";
    for (int i = 0; i < 5000; ++i) ifs += " if (x)";
    EXPECT_THROW(compiler.CompileProgram(ifs + " x }"), Exception);
    compiler.CompileProgram("macro m {" + std::string(100, '{') + std::string(101, '}'));
    EXPECT_EQ(compiler.ListCode(), ProgramListing("m", {"0 : MCR 0,4", "9 : END"}));
}

// Texts strung together from statement fragments by a fixed-seed
// generator either compile to finished code or raise one of the two
// compiler errors.
TEST(MacroProgramErrors, RandomPrograms) {
    const std::vector<std::string> fragments = {
        "if", "else", "while", "do", "until", "for", "loop", "break", "next", "select", "case", "try",
        "catch", "throw", "return", "stop", "swap", "read", "write", "error", "seed", "mat", "def", "var",
        "module", "dim", "lib", "%", "sort", "trend", "predict", "path", "group", "tab", "cr", "inv",
        "x", "a", "f", "1", "\"t\"", "(", ")", "{", "}", "[", "]", ",", ";", ":", "=", "+", "*", "<", "d",
        "&", "@", "$",
    };
    std::mt19937 random(20261207u);
    std::uniform_int_distribution<std::size_t> pick(0, fragments.size() - 1);
    std::uniform_int_distribution<int> count(1, 20);
    AppState app;
    MacroCompile compiler(app);
    for (int round = 0; round < 4000; ++round) {
        std::string text = "macro m var x, a[2] module f(x) { return x } {";
        const int n = count(random);
        for (int i = 0; i < n; ++i) text += " " + fragments[pick(random)];
        if (round % 2 == 0) text += " }";
        try {
            compiler.CompileProgram(text);
            ASSERT_TRUE(compiler.IsFinished()) << text;
        } catch (const Exception& e) {
            const std::string m = e.Message();
            ASSERT_TRUE(m.rfind(kSyntaxError, 0) == 0 || m.rfind("未定義識別子エラー(", 0) == 0)
                << text << "\n" << m;
        }
    }
}

}  // namespace
