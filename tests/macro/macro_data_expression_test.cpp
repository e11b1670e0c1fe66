// Macro expressions that reach the data set ("#", "##"), the user scalars
// and user functions ("@") and the macro library ("@~"), and the folding
// probe's freedom from side effects.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "eval/app_state.h"
#include "macro/macro_compile.h"
#include "macro_expression_support.h"
#include "platform/errors.h"
#include "support/model_builder.h"

namespace {

struct ListingCase {
    const char* text;
    std::vector<std::string> lines;
};

struct ErrorCase {
    const char* text;
    const char* message;
};

class MacroDataExpression : public ::testing::Test {
protected:
    void SetUp() override {
        // Variables y, w, z (indices 0, 1, 2) with four observations.
        app_.SetModel(MakeModel({{1, 2, 3, 4}, {2, 1, 4, 3}, {5, 3, 1, 2}}, {}, {"y", "w", "z"}, &app_.Context()));
        UserVar& u = app_.UserScalars();
        u.SetBankSwitch(0);
        u.SetName(2, false, "a");  // settings bank
        u.SetName(5, true, "a");   // data bank
        u.SetName(7, false, "t");
        app_.UserFunctions().Functions()[3].SetDefinition("f(u, v) = u * v");
        app_.UserFunctions().Functions()[4].SetDefinition("g(u, k) = u + k");
        library_.Add("first", 0);
        library_.Add("second", 1);
        library_.Add("lm", 2);
    }

    void ExpectListings(const std::vector<ListingCase>& cases) {
        for (const ListingCase& c : cases) {
            try {
                compiler_.Compile(c.text);
                EXPECT_EQ(compiler_.ListCode(), ExpressionListing(c.lines)) << c.text;
            } catch (const std::exception& e) {
                ADD_FAILURE() << c.text << ": " << e.what();
            }
        }
    }
    void ExpectErrors(const std::vector<ErrorCase>& cases) {
        for (const ErrorCase& c : cases) {
            try {
                compiler_.Compile(c.text);
                ADD_FAILURE() << "no error for " << c.text;
            } catch (const Exception& e) {
                EXPECT_EQ(e.Message(), c.message) << c.text;
            }
        }
    }

    AppState app_;
    FakeLibrary library_;
    ScopedExpressionCompiler compiler_{app_, &library_};
};

TEST_F(MacroDataExpression, DataCellsAndResults) {
    ExpectListings({
        {"#w[3]", {"0 : LDI 3", "9 : SVR 1,-10", "18 : END"}},
        {"#..w[3]", {"0 : LDI 3", "9 : SVR 1,-11", "18 : END"}},
        {"#w[3] = 7", {"0 : LDI 3", "9 : LDI 7", "18 : SVL 1,2", "27 : END"}},
        {"#w[3] *= 2", {"0 : LDI 3", "9 : LDI 2", "18 : SVL 1,5", "27 : END"}},
        {"#w[3]++", {"0 : LDI 3", "9 : SVL 1,0", "18 : END"}},
        {"++#w[3]", {"0 : LDI 3", "9 : SVL 1,-2", "18 : END"}},
        {"--#z[1]", {"0 : LDI 1", "9 : SVL 2,-1", "18 : END"}},
        {"#w.sig", {"0 : SVR 1,1", "9 : END"}},
        {"#..w.min", {"0 : SVR 1,-4", "9 : END"}},
        {"#y.ave + 1", {"0 : SVR 0,0", "9 : LDI 1", "18 : ADD", "19 : END"}},
        {"#index[z]", {"0 : SVR 3,8", "9 : END"}},
        {"#index[2]", {"0 : LDI 2", "9 : SVR -1,8", "18 : END"}},
        {"#ti[z]", {"0 : SVR 2,307", "9 : END"}},
        {"#dfb[w]", {"0 : SVR 1,320", "9 : END"}},
        {"#res[2]", {"0 : LDI 2", "9 : SVR 0,302", "18 : END"}},
    });
}

TEST_F(MacroDataExpression, DataRanges) {
    ExpectListings({
        {"##w", {"0 : LDI 1", "9 : LDI 4", "18 : SPS [V,-1:1]", "28 : END"}},
        {"##..w[2..3].round", {"0 : LDI 2", "9 : LDI 3", "18 : LDI 7", "27 : SPS [R,34:1]", "37 : END"}},
        {"##w.max", {"0 : LDI 1", "9 : LDI 4", "18 : SPS [V,100:1]", "28 : END"}},
        {"##z.min", {"0 : LDI 1", "9 : LDI 4", "18 : SPS [V,101:2]", "28 : END"}},
        {"##res", {"0 : LDI 1", "9 : LDI 4", "18 : SPS [V,-1:-298]", "28 : END"}},
        {"##tti[#z]", {"0 : LDI 1", "9 : LDI 4", "18 : SPS [V,-1:-279]", "28 : END"}},
        {"##dfb[w]", {"0 : LDI 1", "9 : LDI 4", "18 : SPS [V,-1:-399]", "28 : END"}},
        {"##hat[w]", {"0 : LDI 1", "9 : LDI 4", "18 : SPS [V,-1:-291]", "28 : END"}},
        {"##w.pf(1, 2)", {"0 : LDI 1", "9 : LDI 4", "18 : LDI 1", "27 : LDI 2", "36 : SPS [V,43:1]", "46 : END"}},
        {"##w.@g(5)", {"0 : LDI 1", "9 : LDI 4", "18 : LDI 5", "27 : SPS [V,-96:1]", "37 : END"}},
    });
}

TEST_F(MacroDataExpression, DataErrors) {
    ExpectErrors({
        {"#q[1]", "未定義識別子エラー(q)\r\n#q["},
        {"#..w[1] = 2", "文法エラー：\r\n#..w[1] = "},
        {"#w.foo", "文法エラー：\r\n#w.foo"},
        {"##hat[q]", "文法エラー：\r\n##hat[q]"},
        {"##w.pt", "文法エラー：\r\n##w.pt"},
        {"##w.@f", "文法エラー：\r\n##w.@f"},
        {"++#q[1]", "未定義識別子エラー(q)\r\n++#q["},
    });
}

TEST_F(MacroDataExpression, WithoutDataSet) {
    app_.SetModel(nullptr);
    ExpectListings({{"#row", {"0 : SVR 0,4", "9 : END"}}});
    ExpectErrors({
        {"#w[1]", "文法エラー：\r\n#w["},
        {"##w", "文法エラー：\r\n##w"},
        {"++#w[1]", "文法エラー：\r\n++#w["},
    });
}

TEST_F(MacroDataExpression, UserScalarsAndFunctions) {
    ExpectListings({
        {"@a", {"0 : LUV 2,0", "9 : END"}},
        {"@file::a", {"0 : LUV 5,1", "9 : END"}},
        {"@sys::a", {"0 : LUV 2,2", "9 : END"}},
        {"@..a", {"0 : LUV 5,3", "9 : END"}},
        {"@a = 3", {"0 : LDI 3", "9 : SUV 2,0,2", "22 : END"}},
        {"@t += 1", {"0 : LDI 1", "9 : SUV 7,0,3", "22 : END"}},
        {"@a++", {"0 : SUV 2,0,0", "13 : END"}},
        {"++@a", {"0 : SUV 2,0,-2", "13 : END"}},
        {"--@sys::a", {"0 : SUV 2,2,-1", "13 : END"}},
        {"@[1 + 1]", {"0 : LDI 2", "9 : LUV -1,0", "18 : END"}},
        {"@a + 1", {"0 : LUV 2,0", "9 : LDI 1", "18 : ADD", "19 : END"}},
        {"@f(1, x)", {"0 : LDI 1", "9 : LDA [V,V,0:4]", "20 : LUV 13,0", "29 : END"}},
    });
    app_.UserScalars().SetBankSwitch(1);
    ExpectListings({
        {"@a", {"0 : LUV 5,0", "9 : END"}},
        {"@..a", {"0 : LUV 2,3", "9 : END"}},
    });
    ExpectErrors({
        {"@f(1)", "文法エラー：\r\n@f(1)"},
        {"++@f", "文法エラー：\r\n++@f"},
        {"@zz", "未定義識別子エラー(zz)\r\n@zz"},
    });
}

TEST_F(MacroDataExpression, LibraryMacros) {
    ExpectListings({
        {"@~lm(1, 2)", {"0 : LDI 1", "9 : LDI 2", "18 : MOD 2,2", "27 : END"}},
        {"@~first", {"0 : MOD 0,0", "9 : END"}},
        {"@~first()", {"0 : MOD 0,0", "9 : END"}},
        {"@~second(x)", {"0 : LDA [V,V,0:4]", "11 : MOD 1,1", "20 : END"}},
    });
    ExpectErrors({
        {"@~lm(1)", "文法エラー：\r\n@~lm(1)"},
        {"@~second", "文法エラー：\r\n@~second"},
        {"@~none(1)", "未定義識別子エラー(none)\r\n@~none("},
    });
}

// The probe that folds constants changes nothing: an assignment inside a
// sum is compiled, not carried out, and no random number is drawn.
TEST_F(MacroDataExpression, FoldingProbeHasNoSideEffects) {
    ExpectListings({
        {"(@a = 5) + 1", {"0 : LDI 5", "9 : SUV 2,0,2", "22 : LDI 1", "31 : ADD", "32 : END"}},
        {"ranuni * 0 + 1", {"0 : FNC (ranuni)", "5 : LDI 0", "14 : MUL", "15 : LDI 1", "24 : ADD", "25 : END"}},
        {"#w[1] * 0 + 2", {"0 : LDI 1", "9 : SVR 1,-10", "18 : LDI 0", "27 : MUL", "28 : LDI 2", "37 : ADD", "38 : END"}},
    });
    EXPECT_EQ(app_.UserScalars().GetValue(2, false), 0.0);
    AppState fresh;
    EXPECT_EQ(app_.Random().Uniform(), fresh.Random().Uniform());
}

}  // namespace
