// The instrumental-variable and weighted estimators over an observation that
// alone fixes a coefficient (a dummy for one observation): its leverages are
// 1, s2(i) is SSE / (n - p - 1) over the observations used, SIG(RES) is held
// at sqrt(var y x 2^-23), and every figure that divides by 1 - h is no number, as is the
// PRESS sum; the other rows keep the deletion formulas. With every regressor
// exogenous, or every weight 1, both are least squares. Expected values from
// exact rational arithmetic (on the root-weighted rows where weighted); they
// agree with R's influence.measures.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "core/data/variable.h"
#include "core/model/instrumental_fit.h"
#include "estimators/robust_reweight.h"
#include "support/model_builder.h"
#include "support/sample_columns.h"
#include "weighted_data.h"

namespace {

// Both estimators form their sums about the means, as the main fit does.
constexpr double kRel = 1e-10;

// Rows of the instrumental-variable table.
constexpr int kPress = 4, kSigRes = 5, kR = 6, kT = 7, kHatB = 9, kHatC = 10, kHatA = 11, kS2Deleted = 12,
              kCovratio = 13, kDffits = 14, kCook = 15, kWelsch = 16, kR2Deleted = 17, kAdjR2Deleted = 18,
              kDeletedT = 19;
constexpr int kWeightedUndefined[] = {WLSE::kRowPress, WLSE::kRowStandardized, WLSE::kRowStudentized,
                                      WLSE::kRowWelsch, WLSE::kRowCovRatio};

struct Case {
    const char* name;
    Columns cols;
    std::vector<double> weights;  // empty: all 1 (and the instrumental estimator runs too)
    int one;                      // the dummy's observation
    double s2One;
    int other;
    double otherS2, covratio, welsch;
    double sigResOne;  // sqrt(var y x 2^-23)
};

std::vector<Case> Cases() {
    std::vector<double> cyclic;
    for (int i = 0; i < 12; ++i) cyclic.push_back(1.0 + i % 3);
    return {
        {"twelve rows + d", WithDummy(TwelveRows(), 2, 4), {}, 4, 5.904970760233918, 3, 5.603658536585366,
         1.648646879047005, 0.9723674383711552, 0.0012538555678434358},
        {"Longley + D1952", WithDummy(LongleyColumns(), 6, 5), {}, 5, 105404.3333122754, 4, 81547.57688135658,
         2.539944015492134, 34.80315540490172, 1.212566718661537},
        // 1 - D1952 beside the constant: the same fit, its leverage of 1
        // reached through the sums alone.
        {"Longley + ND1952", WithComplementDummy(LongleyColumns(), 6, 5), {}, 5, 105404.3333122754, 4,
         81547.57688135658, 2.539944015492134, 34.80315540490172, 1.212566718661537},
        {"twelve rows + d, weights 1, 2, 3", WithDummy(TwelveRows(), 2, 4), cyclic, 4, 11.89629629629630, 3,
         11.28131416837782, 1.529763421520464, 0.7117092602334471, 0.0012538555678434358},
    };
}

std::vector<std::string> Names(std::size_t count) {
    std::vector<std::string> names;
    for (std::size_t j = 0; j < count; ++j) names.push_back("v" + std::to_string(j));
    return names;
}

void ExpectWeightedNoFigureAt(const WLSE& fit, int t) {
    EXPECT_EQ(fit.GetResult(WLSE::kRowLeverage, t), 1.0);
    for (int row : kWeightedUndefined) EXPECT_TRUE(std::isnan(fit.GetResult(row, t))) << "row " << row;
    for (int j = 0; j < fit.CoefCount(); ++j)
        EXPECT_TRUE(std::isnan(fit.GetResult(WLSE::kRowCoefChange + j, t))) << "change " << j;
}

void ExpectIVNoFigureAt(const RegIV& iv, int i, double sigRes) {
    EXPECT_EQ(iv.GetAnalysisValue(kHatA, i), 1.0);
    EXPECT_NEAR(iv.GetAnalysisValue(kSigRes, i), sigRes, 1e-14 * sigRes);
    for (int code : {kPress, kR, kT, kCovratio, kDffits, kCook, kWelsch, kR2Deleted, kAdjR2Deleted})
        EXPECT_TRUE(std::isnan(iv.GetAnalysisValue(code, i))) << "row " << code;
    for (int j = 0; j <= iv.VarCount(); ++j) {
        if (!iv.IsExplanatory(j)) continue;
        EXPECT_TRUE(std::isnan(iv.GetAnalysisValue(kDeletedT + j, i))) << "t without i " << j;
        EXPECT_TRUE(std::isnan(iv.GetAnalysisValue(j - 100, i))) << "change " << j;
    }
    EXPECT_TRUE(std::isnan(iv.GetPress()));
}

TEST(LeverageOneEstimators, DummyRowHasNoFigureAndTheOthersKeepTheirs) {
    for (const Case& c : Cases()) {
        SCOPED_TRACE(c.name);
        EngineContext context;
        auto table = MakeNamedTable(context, c.cols, Names(c.cols.size()));
        WLSE fit(*table, nullptr, static_cast<int>(c.cols.size()) - 1);
        if (!c.weights.empty()) fit.SetWeights(c.weights.data());
        ASSERT_TRUE(fit.Estimate(0));
        ExpectWeightedNoFigureAt(fit, c.one);
        ExpectNear(fit.GetResult(WLSE::kRowDeletedVariance, c.one), c.s2One, 1e-12, 0, "s2(i) at leverage 1");
        ExpectNear(fit.GetResult(WLSE::kRowDeletedVariance, c.other), c.otherS2, kRel, 0, "s2(i)");
        ExpectNear(fit.GetResult(WLSE::kRowCovRatio, c.other), c.covratio, kRel, 0, "COVRATIO");
        ExpectNear(fit.GetResult(WLSE::kRowWelsch, c.other), c.welsch, kRel, 0, "W(i)");
        if (!c.weights.empty()) continue;

        std::vector<int> types(c.cols.size() - 1, Var::kExogenous);
        types.push_back(Var::kEndogenous);
        auto reg = MakeModel(c.cols, types);
        RegIV iv(*reg, 0);
        const int v = iv.VarCount();
        std::vector<std::uint8_t> roles(static_cast<std::size_t>(v) + 1, RegIV::kRoleExplanatory);
        roles[static_cast<std::size_t>(v) - 1] = RegIV::kRoleDependent;
        ASSERT_TRUE(iv.SelectVariables(roles, v - 1));
        iv.ComputeInfluence();
        ExpectIVNoFigureAt(iv, c.one, c.sigResOne);
        for (int code : {kHatB, kHatC}) EXPECT_EQ(iv.GetAnalysisValue(code, c.one), 1.0) << "hat " << code;
        ExpectRel(iv.GetAnalysisValue(kS2Deleted, c.one), c.s2One, 1e-12, "IV s2(i)", c.one);
        ExpectRel(iv.GetAnalysisValue(kS2Deleted, c.other), c.otherS2, kRel, "IV s2(i)", c.other);
        ExpectRel(iv.GetAnalysisValue(kCovratio, c.other), c.covratio, kRel, "IV COVRATIO", c.other);
        ExpectRel(iv.GetAnalysisValue(kWelsch, c.other), c.welsch, kRel, "IV W(i)", c.other);
    }
}

// Two-stage (x2 instrumented by w) with an exogenous dummy for observation
// 3, and robust weights: the same rule on that row, figures on the others.
TEST(LeverageOneEstimators, TwoStageAndRobustFitsFollowTheSameRule) {
    const std::vector<double> x1 = {1, 2, 3, 4, 5, 6, 7, 8}, x2 = {2, 1, 4, 3, 6, 5, 8, 9},
                              w = {1, 3, 2, 5, 4, 7, 6, 9}, d = {0, 0, 0, 1, 0, 0, 0, 0},
                              y = {3, 4, 8, 0, 12, 14, 17, 15};
    auto reg = MakeModel({x1, x2, d, w, y}, {Var::kExogenous, Var::kEndogenous, Var::kExogenous, Var::kExogenous,
                                             Var::kEndogenous});
    RegIV iv(*reg, 0);
    iv.SetDesignColumn(1, w);
    ASSERT_TRUE(iv.SelectVariables({2, 2, 2, 0, 1, 2}, 4));
    iv.ComputeInfluence();
    ExpectIVNoFigureAt(iv, 3, 0.0021714403397735983);  // var y 39.5535714...
    // The deleted fit keeps every other residual.
    ExpectRel(iv.GetAnalysisValue(kS2Deleted, 3), iv.GetRss() / (iv.GetDf() - 1), 1e-15, "s2(i)", 3);
    for (int code : {kPress, kR, kT, kCovratio, kDffits, kCook, kWelsch})
        EXPECT_TRUE(std::isfinite(iv.GetAnalysisValue(code, 2))) << "row " << code;

    EngineContext context;
    const Columns cols = WithDummy(LongleyColumns(), 6, 5);
    auto table = MakeNamedTable(context, cols, Names(cols.size()));
    WLSE robust(*table, nullptr, static_cast<int>(cols.size()) - 1);
    ASSERT_TRUE(robust.Estimate(kWeightAutomatic));
    ExpectWeightedNoFigureAt(robust, 5);
    for (int row : kWeightedUndefined) EXPECT_TRUE(std::isfinite(robust.GetResult(row, 4))) << "row " << row;
}

}  // namespace
