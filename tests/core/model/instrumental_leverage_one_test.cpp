// The instrumental-variable estimator over an observation that alone fixes a
// coefficient (a dummy for one observation): its leverages are 1, s2(i) is
// RSS / (df - 1), SIG(RES) is held at 2^-23 and every figure that divides by
// 1 - h is no number, as is the PRESS sum. With every regressor exogenous
// the fit is least squares; the expected values come from exact rational
// arithmetic and agree with R's influence.measures.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "core/data/variable.h"
#include "core/model/instrumental_fit.h"
#include "support/model_builder.h"
#include "support/sample_columns.h"

namespace {

// Analysis rows of the estimator's table.
constexpr int kPress = 4, kSigRes = 5, kR = 6, kT = 7, kHatB = 9, kHatC = 10, kHatA = 11, kS2Deleted = 12,
              kCovratio = 13, kDffits = 14, kCook = 15, kWelsch = 16, kR2Deleted = 17, kAdjR2Deleted = 18,
              kDeletedT = 19;
constexpr double kSigResAtOne = 3.4526698300124393e-4;  // sqrt(2^-23)

std::vector<int> Types(std::size_t regressors) {
    std::vector<int> t(regressors, Var::kExogenous);
    t.push_back(Var::kEndogenous);
    return t;
}

void ExpectNoFigureAt(const RegIV& iv, int i) {
    for (int code : {kPress, kR, kT, kCovratio, kDffits, kCook, kWelsch, kR2Deleted, kAdjR2Deleted})
        EXPECT_TRUE(std::isnan(iv.GetAnalysisValue(code, i))) << "row " << code;
    for (int j = 0; j <= iv.VarCount(); ++j) {
        if (!iv.IsExplanatory(j)) continue;
        EXPECT_TRUE(std::isnan(iv.GetAnalysisValue(kDeletedT + j, i))) << "t without i " << j;
        EXPECT_TRUE(std::isnan(iv.GetAnalysisValue(j - 100, i))) << "change " << j;
    }
    EXPECT_TRUE(std::isnan(iv.GetPress()));
}

TEST(RegIVLeverageOne, LeastSquaresThroughTheInstrumentWindowMatchesTheDeletionFormulas) {
    const struct {
        const char* name;
        Columns cols;
        int one;
        double s2Deleted;
        int other;
        double otherS2, dffits, covratio, cook;
        double rel;  // the estimator sums uncentred values in double: Longley keeps about 7 digits
    } cases[] = {
        {"twelve rows + d", WithDummy(TwelveRows(), 2, 4), 4, 5.904970760233918, 3, 5.603658536585366,
         -0.2685727586005890, 1.648646879047005, 1.955734006961487e-2, 1e-9},
        {"Longley + D1952", WithDummy(LongleyColumns(), 6, 5), 5, 105404.3333122754, 4, 81547.57688135655,
         3.446188968200564, 2.539944015492134, 1.312601000317713, 1e-6},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        auto reg = MakeModel(c.cols, Types(c.cols.size() - 1));
        RegIV iv(*reg, 0);
        const int v = iv.VarCount();
        std::vector<std::uint8_t> roles(static_cast<std::size_t>(v) + 1, RegIV::kRoleExplanatory);
        roles[static_cast<std::size_t>(v) - 1] = RegIV::kRoleDependent;
        ASSERT_TRUE(iv.SelectVariables(roles, v - 1));
        iv.ComputeInfluence();
        const int i = c.one;
        for (int code : {kHatA, kHatB, kHatC}) EXPECT_EQ(iv.GetAnalysisValue(code, i), 1.0) << "hat " << code;
        ExpectRel(iv.GetAnalysisValue(kS2Deleted, i), c.s2Deleted, 1e-12, "s2(i)", i);
        EXPECT_EQ(iv.GetAnalysisValue(kSigRes, i), kSigResAtOne);
        ExpectNoFigureAt(iv, i);
        const int o = c.other;
        ExpectRel(iv.GetAnalysisValue(kS2Deleted, o), c.otherS2, c.rel, "s2(i)", o);
        ExpectRel(iv.GetAnalysisValue(kDffits, o), c.dffits, c.rel, "DFFITS", o);
        ExpectRel(iv.GetAnalysisValue(kCovratio, o), c.covratio, c.rel, "COVRATIO", o);
        ExpectRel(iv.GetAnalysisValue(kCook, o), c.cook, c.rel, "Cook's D", o);
    }
}

// Two-stage: x2 instrumented by w, with a dummy for observation 3 among the
// exogenous regressors. The cross leverage of the dummy's observation is 1
// too; its row follows the same rule.
TEST(RegIVLeverageOne, TwoStageDummyRowHasNoFigureThatDividesByOneLessItsLeverage) {
    const std::vector<double> x1 = {1, 2, 3, 4, 5, 6, 7, 8}, x2 = {2, 1, 4, 3, 6, 5, 8, 9},
                              w = {1, 3, 2, 5, 4, 7, 6, 9}, d = {0, 0, 0, 1, 0, 0, 0, 0},
                              y = {3, 4, 8, 0, 12, 14, 17, 15};
    auto reg = MakeModel({x1, x2, d, w, y}, {Var::kExogenous, Var::kEndogenous, Var::kExogenous, Var::kExogenous,
                                             Var::kEndogenous});
    RegIV iv(*reg, 0);
    iv.SetDesignColumn(1, w);
    ASSERT_TRUE(iv.SelectVariables({2, 2, 2, 0, 1, 2}, 4));
    iv.ComputeInfluence();
    EXPECT_EQ(iv.GetAnalysisValue(kHatA, 3), 1.0);
    // The deleted fit keeps every other residual: RSS over one degree of
    // freedom fewer.
    ExpectRel(iv.GetAnalysisValue(kS2Deleted, 3), iv.GetRss() / (iv.GetDf() - 1), 1e-15, "s2(i)", 3);
    EXPECT_EQ(iv.GetAnalysisValue(kSigRes, 3), kSigResAtOne);
    ExpectNoFigureAt(iv, 3);
    for (int code : {kPress, kR, kT, kCovratio, kDffits, kCook, kWelsch})
        EXPECT_TRUE(std::isfinite(iv.GetAnalysisValue(code, 2))) << "row " << code;
}

}  // namespace
