// The shared tokenizer, the operator codes and the field splitters.
#include "core/text/tokenizer.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "core/text/field_split.h"
#include "core/text/text_evaluator.h"
#include "platform/errors.h"

namespace {

// Tokens up to the empty end token (bounded in case the end is never seen).
std::vector<std::string> Tokens(std::string_view text) {
    std::vector<std::string> out;
    std::string tok;
    int pos = 0;
    for (int guard = 0; guard < 1000; ++guard) {
        pos = NextToken(text, pos, tok);
        if (tok.empty()) return out;
        out.push_back(tok);
    }
    ADD_FAILURE() << "no end token for " << text;
    return out;
}

using V = std::vector<std::string>;

TEST(NextTokenTest, EdgeCases) {
    struct Case {
        const char* text;
        V tokens;
    };
    const Case cases[] = {
        {"a<=b", {"a", "<=", "b"}},
        {"a=<b", {"a", "=<", "b"}},
        {"x..y", {"x", "..", "y"}},
        {"1..5", {"1", "..", "5"}},
        {"1e-3", {"1E-3"}},
        {"1e+5", {"1E+5"}},
        {".5", {".5"}},
        {"1.2.3", {"1.2.3"}},
        {"1..3", {"1", "..", "3"}},
        {"1.e5*2", {"1.E5", "*", "2"}},
        {"2x", {"2", "x"}},
        {"1ex", {"1E", "x"}},
        {"// c\n12", {"12"}},
        {"  \t\r\n a", {"a"}},
        {"定数項+x1", {"定数項", "+", "x1"}},
        {"x定数 * _a1", {"x定数", "*", "_a1"}},
        {"ab定数項2", {"ab定数項2"}},
        // Half-width katakana stand alone, like punctuation.
        {"ｱ+1", {"ｱ", "+", "1"}},
        {"xｱ", {"x", "ｱ"}},
        {"a=b", {"a", "=", "b"}},
        {"a=!b", {"a", "=", "!", "b"}},
        {"a<<=b", {"a", "<<", "=", "b"}},
        {"a+-b", {"a", "+", "-", "b"}},
        {"f(x,y)", {"f", "(", "x", ",", "y", ")"}},
    };
    for (const Case& c : cases) EXPECT_EQ(Tokens(c.text), c.tokens) << c.text;
}

TEST(NextTokenTest, AllTwoCharacterOperators) {
    const char* ops[] = {"==", "<=", ">=", "!=", "<>", "=>", "=<", "||", "@@", "@#",
                         "@~", "##", "#@", "&&", "$$", ">>", "<<", "%%", "?%", "??",
                         "::", "++", "+=", "--", "-=", "*=", "/=", ".."};
    for (const char* op : ops) {
        EXPECT_TRUE(IsTwoCharOperator(op[0], op[1])) << op;
        EXPECT_EQ(Tokens(std::string("a") + op + "b"), (V{"a", op, "b"})) << op;
    }
    EXPECT_FALSE(IsTwoCharOperator('=', '!'));
    EXPECT_FALSE(IsTwoCharOperator('*', '*'));
}

TEST(NextTokenTest, StringLiterals) {
    std::string tok;
    bool isString = false;
    std::string text = "\"ab cd\" x";
    int pos = NextToken(text, 0, tok, &isString);
    EXPECT_EQ(tok, "ab cd");
    EXPECT_TRUE(isString);
    EXPECT_EQ(pos, 7);
    pos = NextToken(text, pos, tok, &isString);
    EXPECT_EQ(tok, "x");
    EXPECT_FALSE(isString);

    // No escapes; an unclosed literal runs to the end.
    EXPECT_EQ(Tokens("\"a/*b\"+\"定数\""), (V{"a/*b", "+", "定数"}));
    pos = NextToken("\"abc", 0, tok, &isString);
    EXPECT_EQ(tok, "abc");
    EXPECT_TRUE(isString);
    EXPECT_EQ(pos, 4);
    // An empty literal is an empty token with the flag set.
    NextToken("\"\"", 0, tok, &isString);
    EXPECT_EQ(tok, "");
    EXPECT_TRUE(isString);
}

TEST(NextTokenTest, Comments) {
    // Several comments in a row are all skipped.
    EXPECT_EQ(Tokens("/* a */ /* b */x"), V{"x"});
    EXPECT_EQ(Tokens("// a\n// b\r\nx"), V{"x"});
    EXPECT_EQ(Tokens("/* a */// b\n/*c*/ x /* d */ y"), (V{"x", "y"}));
    // Slash, asterisk, slash is a whole comment.
    EXPECT_EQ(Tokens("/*/x"), V{"x"});
    // A comment up to the end of the text.
    EXPECT_EQ(Tokens("x // rest"), V{"x"});
    EXPECT_EQ(Tokens("a/b"), (V{"a", "/", "b"}));

    // An unclosed comment runs to the end: empty token at the end position.
    std::string tok = "old";
    std::string text = "/* never closed x";
    EXPECT_EQ(NextToken(text, 0, tok), static_cast<int>(text.size()));
    EXPECT_EQ(tok, "");
    EXPECT_EQ(Tokens("x /* y"), V{"x"});
}

TEST(NextTokenTest, EndOfTextGivesEmptyTokenOnce) {
    std::string tok;
    bool isString = true;
    int pos = NextToken("5", 0, tok);
    EXPECT_EQ(tok, "5");
    EXPECT_EQ(pos, 1);
    // A one-character token at the very end does not come back.
    std::string text = "a+";
    pos = NextToken(text, 0, tok);
    pos = NextToken(text, pos, tok);
    EXPECT_EQ(tok, "+");
    EXPECT_EQ(pos, 2);
    for (int i = 0; i < 3; ++i) {
        pos = NextToken(text, pos, tok, &isString);
        EXPECT_EQ(tok, "");
        EXPECT_FALSE(isString);
        EXPECT_EQ(pos, 2);
    }
    EXPECT_EQ(NextToken("", 0, tok), 0);
    EXPECT_EQ(tok, "");
    EXPECT_EQ(NextToken("   ", 0, tok), 3);
    EXPECT_EQ(tok, "");
}

TEST(NextTokenTest, LengthNulAndPositionBounds) {
    std::string tok;
    EXPECT_EQ(NextToken("abc def", 0, tok, nullptr, 2), 2);
    EXPECT_EQ(tok, "ab");
    EXPECT_EQ(Tokens(std::string_view("ab\0cd", 5)), V{"ab"});
    EXPECT_EQ(NextToken(std::string_view("a\0b", 3), 0, tok, nullptr, 3), 1);
    EXPECT_EQ(tok, "a");
    EXPECT_EQ(NextToken(std::string_view("ab\0c", 4), 2, tok, nullptr, 4), 2);
    EXPECT_EQ(tok, "");
    EXPECT_EQ(NextToken("ab", 10, tok), 2);
    EXPECT_EQ(tok, "");
    EXPECT_EQ(NextToken("ab", -3, tok), 2);
    EXPECT_EQ(tok, "ab");
    // A multi-byte character cut by the length is not taken in halves.
    NextToken("定", 0, tok, nullptr, 2);
    EXPECT_EQ(tok.size(), 1u);
    // A stray byte is a token of its own.
    EXPECT_EQ(Tokens("\x80x"), (V{"\x80", "x"}));
}

TEST(OperatorCodeTest, Tables) {
    struct Case {
        const char* op;
        int code;
    };
    const Case comparison[] = {{"<", 0},  {"<=", 1}, {"=<", 1}, {"==", 2}, {"!=", 3}, {"<>", 3},
                               {">=", 4}, {"=>", 4}, {">", 5},  {"<<", 6}, {">>", 7}, {"=", -1},
                               {"", -1},  {"+", -1}};
    for (const Case& c : comparison) EXPECT_EQ(ComparisonOperatorCode(c.op), c.code) << c.op;
    const Case assignment[] = {{"++", 0}, {"--", 1}, {"=", 2},  {"+=", 3}, {"-=", 4},
                               {"*=", 5}, {"/=", 6}, {"==", -1}, {"", -1}};
    for (const Case& c : assignment) EXPECT_EQ(AssignmentOperatorCode(c.op), c.code) << c.op;
}

TEST(ReadArgumentTextTest, StopsAtCommaOrClosingParenthesis) {
    struct Case {
        const char* text;
        const char* arg;
        int end;
    };
    const Case cases[] = {
        {"a + b, c)", "a+b", 5},
        {"(a+b)*2) + 1", "(a+b)*2", 7},
        {"f(x, y)", "f(x", 3},  // the comma test ignores nesting
        {"a /* c */ + b", "a+b", 13},
        {" )", "", 1},
        {"\"x,y\" , z", "x,y", 6},  // a literal comma does not end it
    };
    for (const Case& c : cases) {
        int pos = 0;
        EXPECT_EQ(ReadArgumentText(c.text, pos), c.arg) << c.text;
        EXPECT_EQ(pos, c.end) << c.text;
    }
    int pos = 2;
    EXPECT_EQ(ReadArgumentText("f(2*定数項, 3)", pos), "2*定数項");
}

TEST(ReadNextFieldTest, Fields) {
    auto all = [](std::string_view text) {
        V out;
        std::string f;
        int pos = 0;
        for (int guard = 0; guard < 100 && ReadNextField(text, pos, f); ++guard) out.push_back(f);
        return out;
    };
    EXPECT_EQ(all(",,a,,b"), (V{"a", "b"}));
    EXPECT_EQ(all("\"ab,c\"d,e"), (V{"\"ab,c", "d", "e"}));
    EXPECT_EQ(all("x\"a,b\"y,z"), (V{"x\"a,b\"y", "z"}));
    EXPECT_EQ(all("x\"ab"), (V{"x\"ab\""}));
    EXPECT_EQ(all(" a b ,c\r\n\td"), (V{"a b", "c", "d"}));
    // Only fields without characters are skipped: blanks make an empty field.
    EXPECT_EQ(all(", ,a"), (V{"", "a"}));
    EXPECT_EQ(all("1,\t, 2 ,  \r\n"), (V{"1", "2", ""}));
    EXPECT_EQ(all("\t\r\n"), V{});
    EXPECT_EQ(all("定数,項"), (V{"定数", "項"}));
}

TEST(SplitFieldTest, HeadAndTail) {
    struct Case {
        const char* text;
        const char* head;
        const char* tail;
    };
    const Case cases[] = {
        {"{1,2}/x", "1,2", "x"},   {"a / b{c}", "a", "bc"}, {"[1/2]/y", "1/2", "y"},
        {"abc", "abc", ""},         {"{abc", "abc", ""},     {"a/b/c", "a", "b/c"},
        {"{1}junk/x", "1", "x"},    {"[a]/[b]", "a", "[b]"}, {"", "", ""},
    };
    for (const Case& c : cases) {
        std::string head = "?", tail = "?";
        SplitField('/', c.text, head, tail);
        EXPECT_EQ(head, c.head) << c.text;
        EXPECT_EQ(tail, c.tail) << c.text;
    }
}

class RecordingEvaluator : public TextEvaluator {
public:
    std::string seen;
    double Calculate(const std::string& text) override {
        seen = text;
        return 42.0;
    }
    double Evaluate(const std::string&, double fallback) override { return fallback; }
};

TEST(SplitNameValueTest, EvaluatesThroughTheGivenEvaluator) {
    double v = 0;
    EXPECT_EQ(SplitNameValue("alpha / 1.5", v, PlainNumbers()), "alpha");
    EXPECT_EQ(v, 1.5);
    EXPECT_THROW(SplitNameValue("x/abc", v, PlainNumbers()), Exception);

    RecordingEvaluator rec;
    EXPECT_EQ(SplitNameValue("beta/2*{3}", v, rec), "beta");
    EXPECT_EQ(rec.seen, "2*3");
    EXPECT_EQ(v, 42.0);
}

TEST(ParsePropertyAssignmentTest, KeyAndValue) {
    struct Case {
        const char* text;
        const char* key;
        const char* value;
    };
    const Case cases[] = {
        {"@name = \"hello world\"", "name", "hello world"},
        {"@k=v", "k", "v"},
        {"@k = \"a,b\"", "k", "a,b"},
        {"@題名 = \"定数項\"", "題名", "定数項"},
        {"@key", "key", ""},
        {"", "", ""},
    };
    for (const Case& c : cases) {
        std::string key, value;
        ParsePropertyAssignment(c.text, key, value);
        EXPECT_EQ(key, c.key) << c.text;
        EXPECT_EQ(value, c.value) << c.text;
    }
}

TEST(ReadStreamFieldTest, Cp932Stream) {
    auto all = [](const std::string& bytes) {
        std::istringstream in(bytes, std::ios::binary);
        V out;
        std::string f;
        for (int guard = 0; guard < 100 && ReadStreamField(in, f); ++guard) out.push_back(f);
        return out;
    };
    EXPECT_EQ(all("a,b\r\nc\n\rd"), (V{"a", "b", "c", "d"}));
    EXPECT_EQ(all("a\t\tb"), (V{"a", "", "b"}));
    EXPECT_EQ(all(",,x\r\n\r\n"), V{"x"});
    EXPECT_EQ(all("ab   \r\n  cd"), (V{"ab", "cd"}));
    EXPECT_EQ(all("a,  ,b"), (V{"a", "", "b"}));
    // 表 and ソ end in the byte of "\", 定数 is two double-byte characters.
    EXPECT_EQ(all("\x95\x5c,\x83\x5c\t\x92\xe8\x90\x94"), (V{"表", "ソ", "定数"}));
    EXPECT_EQ(all("\xb1"), V{"ｱ"});
    EXPECT_EQ(all(""), V{});
    std::istringstream cut("\x95", std::ios::binary);
    std::string f;
    EXPECT_THROW(ReadStreamField(cut, f), EConvertError);
}

TEST(SplitSlashFieldsTest, ThreeParts) {
    struct Case {
        const char* text;
        const char* first;
        const char* second;
        const char* third;
    };
    const Case cases[] = {
        {"x/en/y/z", "x", "en", "y/z"}, {"x/en", "x", "en", ""}, {"x", "x", "", ""},
        {" a / b / c ", "a", "b", "c"}, {"", "", "", ""},        {"//", "", "", ""},
    };
    for (const Case& c : cases) {
        std::string second = "?", third = "?";
        EXPECT_EQ(SplitSlashFields(c.text, second, third), c.first) << c.text;
        EXPECT_EQ(second, c.second) << c.text;
        EXPECT_EQ(third, c.third) << c.text;
    }
}

TEST(SplitVariableHeaderTest, TagsAndMissingParts) {
    struct Case {
        const char* text;
        const char* name;
        const char* info;
        unsigned char type;
    };
    const Case cases[] = {
        {"GDP/en/国内総生産", "GDP", "国内総生産", 1}, {"x/ex/i", "x", "i", 2},
        {"x/lg/i/j", "x", "i/j", 3},                   {"x/nd/i", "x", "i", 0},
        {"x/EN/i", "x", "i", 0},
    };
    for (const Case& c : cases) {
        std::string info;
        unsigned char type = 99;
        EXPECT_EQ(SplitVariableHeader(c.text, info, type), c.name);
        EXPECT_EQ(info, c.info);
        EXPECT_EQ(type, c.type) << c.text;
    }
    std::string info;
    unsigned char type = 0;
    EXPECT_THROW(SplitVariableHeader("x/en", info, type), Exception);
    EXPECT_THROW(SplitVariableHeader("x//info", info, type), Exception);
    EXPECT_THROW(SplitVariableHeader("x", info, type), Exception);
}

}  // namespace
