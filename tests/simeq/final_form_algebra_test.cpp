#include "simeq/final_form_algebra.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "final_form_builder.h"

namespace {


void ExpectTerms(const FFElement& e, const std::vector<T>& expected) {
    ASSERT_EQ(e.GetCount(), static_cast<int>(expected.size())) << GetText(e);
    for (int i = 0; i < e.GetCount(); ++i) {
        const FFCell c = e.GetTerm(i);
        EXPECT_EQ(c.GetName(), expected[i].name) << i;
        EXPECT_EQ(c.GetKind(), expected[i].kind) << i;
        EXPECT_EQ(c.GetLag(), expected[i].lag) << i;
        EXPECT_NEAR(c.GetCoef(), expected[i].coef, 1e-14 * std::fabs(expected[i].coef)) << i;
    }
}

TEST(FinalFormAlgebra, GeometricLagEndsWhenTheTermFallsBelowTheThreshold) {
    FFElement e = Make("Y", 1, {{"X", 1, 1.0, -1}});
    const FFElement f = Make("X", 1, {{"X", 1, 0.5, -1}, {kConst, 2, 2.0, 0}});
    int passes = 0;
    EXPECT_FALSE(Substitute(e, f, &passes));
    EXPECT_EQ(passes, 24);
    ASSERT_EQ(e.GetCount(), 1);
    EXPECT_EQ(e.GetTerm(0).GetName(), kConst);
    EXPECT_EQ(e.GetTerm(0).GetLag(), 0);
    EXPECT_EQ(e.GetTerm(0).GetCoef(), 4.0 - std::ldexp(1.0, -22));
}

TEST(FinalFormAlgebra, OneSubstitutionShiftsLagsButNotTheConstant) {
    FFElement e = Make("Y", 1, {{"X", 1, 3.0, -2}, {"W", 2, 1.0, 0}});
    const FFElement f = Make("X", 1, {{"Z", 2, 0.5, -1}, {"W", 2, 2.0, -2}, {kConst, 2, 2.0, 0}});
    EXPECT_FALSE(Substitute(e, f));
    // 3 X[t-2] = 1.5 Z[t-3] + 6 W[t-4] + 6.
    ExpectTerms(e, {{"W", 2, 1.0, 0}, {"W", 2, 6.0, -4}, {"Z", 2, 1.5, -3}, {kConst, 2, 6.0, 0}});
}

TEST(FinalFormAlgebra, OwnCurrentValueIsSolvedFor) {
    FFElement e = Make("Y", 1, {{"Z", 1, 1.0, 0}});
    EXPECT_FALSE(Substitute(e, Make("Z", 1, {{"Y", 1, 0.5, 0}, {"X", 2, 1.0, 0}})));
    ExpectTerms(e, {{"X", 2, 2.0, 0}});
}

TEST(FinalFormAlgebra, OwnCoefficientOfOneCannotBeSolved) {
    FFElement e = Make("Y", 1, {{"Z", 1, 1.0, 0}});
    EXPECT_TRUE(Substitute(e, Make("Z", 1, {{"Y", 1, 1.0, 0}, {"X", 2, 1.0, 0}})));
}

TEST(FinalFormAlgebra, SubstitutionThatNeverEndsStopsAfterTheLastPass) {
    FFElement e = Make("Y", 1, {{"X", 1, 1.0, -1}});
    const FFElement f = Make("X", 1, {{"X", 1, 1.0, -1}, {kConst, 2, 2.0, 0}});
    int passes = 0;
    EXPECT_TRUE(Substitute(e, f, &passes));
    EXPECT_EQ(passes, kSubstituteMaxPasses);
}

TEST(FinalFormAlgebra, CoefficientThatIsNoNumberCannotBeSolved) {
    FFElement e = Make("Y", 1, {{"Z", 1, 1e200, 0}});
    EXPECT_TRUE(Substitute(e, Make("Z", 1, {{"X", 2, 1e200, 0}})));
}

TEST(FinalFormAlgebra, AddTermCollectsAndRefusesZero) {
    FFElement e = Make("Y", 1, {{"X", 2, 1.5, -1}});
    const FFElement before = e;
    EXPECT_FALSE(AddTerm(e, FFCell("X", 2, 0.0, -1)));
    EXPECT_TRUE(e == before);
    EXPECT_TRUE(AddTerm(e, FFCell("X", 2, 0.25, -1)));
    EXPECT_TRUE(AddTerm(e, FFCell("X", 2, 1.0, 0)));
    ExpectTerms(e, {{"X", 2, 1.0, 0}, {"X", 2, 1.75, -1}});
}

TEST(FinalFormAlgebra, FindAndDeleteTerms) {
    FFElement e = Make("Y", 1, {{"X", 2, 1.0, 0}, {"X", 2, 2.0, -1}, {"A", 1, 3.0, 0}});
    EXPECT_EQ(FindTerm(e, "X"), 1);
    EXPECT_EQ(FindTerm(e, "X", -1), 2);
    EXPECT_EQ(FindTerm(e, "X", -2), -1);
    EXPECT_EQ(FindTerm(e, "B"), -1);
    e.DeleteTerm(3);
    e.DeleteTerm(-1);
    EXPECT_EQ(e.GetCount(), 3);
    e.DeleteTerm(0);
    ExpectTerms(e, {{"X", 2, 1.0, 0}, {"X", 2, 2.0, -1}});
}

struct TextCase {
    std::vector<T> terms;
    const char* text;
};

TEST(FinalFormAlgebra, TextListsTermsInKeyOrder) {
    const std::vector<TextCase> cases = {
        {{{"X", 2, 1.0, 0}, {kConst, 2, 2.0, 0}, {"Y", 1, 0.5, -1}}, "Y[t] = +0.5000*Y[t-1]+X[t]+2.0000"},
        {{{"B", 2, -1.0, -2}, {"B", 2, 3.0, 0}, {"A", 1, -0.25, -1}, {"B", 2, 1.0, -1}, {"A", 1, 2.0, 1}},
         "Y[t] = +2.0000*A[t+1]-0.2500*A[t-1]+3.0000*B[t]+B[t-1]-B[t-2]"},
        {{{kConst, 2, -1.5, 0}}, "Y[t] = -1.5000"},
        {{}, "Y[t] = "},
    };
    for (const TextCase& c : cases) EXPECT_EQ(GetText(Make("Y", 1, c.terms)), c.text);
}

TEST(FinalFormAlgebra, PutReplacesTheSameVariableAndMergeKeepsOrder) {
    FFList list;
    Put(list, Make("Y", 1, {{"X", 2, 1.0, 0}}));
    Put(list, Make("Z", 1, {{"X", 2, 2.0, 0}}));
    Put(list, Make("Y", 1, {{"X", 2, 3.0, 0}}));
    ASSERT_EQ(list.GetCount(), 2);
    EXPECT_EQ(list.GetElement(0).GetTerm(0).GetCoef(), 3.0);
    FFList other;
    other.Append(Make("W", 1, {}));
    other.Append(Make("Z", 1, {{"X", 2, 4.0, 0}}));
    Merge(list, other);
    ASSERT_EQ(list.GetCount(), 3);
    EXPECT_EQ(list.GetElement(1).GetTerm(0).GetCoef(), 4.0);
    EXPECT_EQ(list.GetElement(2).GetName(), "W");
    EXPECT_EQ(FindElement(list, "W"), 2);
    EXPECT_EQ(FindElement(list, "V"), -1);
}

}  // namespace
