// The weighted fit's table over an observation that alone fixes a
// coefficient (a dummy for one observation): its leverage is 1, s2(i) is
// SSE / (n - p - 1) over the observations used, and its PRESS residual,
// r(i), t(i), W(i), COVRATIO and coefficient changes are no number. The
// other rows keep the deletion formulas. Expected values from exact
// rational arithmetic on the root-weighted rows.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "estimators/robust_reweight.h"
#include "support/sample_columns.h"
#include "weighted_data.h"

namespace {

constexpr int kUndefined[] = {WLSE::kRowPress, WLSE::kRowStandardized, WLSE::kRowStudentized, WLSE::kRowWelsch,
                              WLSE::kRowCovRatio};

std::vector<std::string> Names(std::size_t count) {
    std::vector<std::string> names;
    for (std::size_t j = 0; j < count; ++j) names.push_back("v" + std::to_string(j));
    return names;
}

void ExpectNoFigureAt(const WLSE& fit, int t) {
    EXPECT_EQ(fit.GetResult(WLSE::kRowLeverage, t), 1.0);
    for (int row : kUndefined) EXPECT_TRUE(std::isnan(fit.GetResult(row, t))) << "row " << row;
    for (int j = 0; j < fit.CoefCount(); ++j)
        EXPECT_TRUE(std::isnan(fit.GetResult(WLSE::kRowCoefChange + j, t))) << "change " << j;
}

TEST(WeightedLeverageOne, DummyRowHasNoFigureAndTheOthersKeepTheirs) {
    std::vector<double> cyclic;
    for (int i = 0; i < 12; ++i) cyclic.push_back(1.0 + i % 3);
    const struct {
        const char* name;
        WeightedColumns cols;
        std::vector<double> weights;  // empty: all 1
        int one;
        double s2Deleted;
        int other;
        double otherS2, covratio, welsch;
        double rel;  // sums of uncentred values in double: Longley keeps about 7 digits
    } cases[] = {
        {"twelve rows + d, weights 1, 2, 3", WithDummy(TwelveRows(), 2, 4), cyclic, 4, 11.89629629629630, 3,
         11.28131416837782, 1.529763421520464, 0.7117092602334471, 1e-9},
        {"twelve rows + d, unweighted", WithDummy(TwelveRows(), 2, 4), {}, 4, 5.904970760233918, 3,
         5.603658536585366, 1.648646879047005, 0.9723674383711552, 1e-9},
        {"Longley + D1952, unweighted", WithDummy(LongleyColumns(), 6, 5), {}, 5, 105404.3333122754, 4,
         81547.57688135655, 2.539944015492134, 34.80315540490172, 2e-6},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EngineContext context;
        auto table = MakeNamedTable(context, c.cols, Names(c.cols.size()));
        WLSE fit(*table, nullptr, static_cast<int>(c.cols.size()) - 1);
        if (!c.weights.empty()) fit.SetWeights(c.weights.data());
        ASSERT_TRUE(fit.Estimate(0));
        ExpectNoFigureAt(fit, c.one);
        ExpectNear(fit.GetResult(WLSE::kRowDeletedVariance, c.one), c.s2Deleted, 1e-12, 0, "s2(i) at leverage 1");
        ExpectNear(fit.GetResult(WLSE::kRowDeletedVariance, c.other), c.otherS2, c.rel, 0, "s2(i)");
        ExpectNear(fit.GetResult(WLSE::kRowCovRatio, c.other), c.covratio, c.rel, 0, "COVRATIO");
        ExpectNear(fit.GetResult(WLSE::kRowWelsch, c.other), c.welsch, c.rel, 0, "W(i)");
    }
}

TEST(WeightedLeverageOne, RobustWeightsLeaveTheDummyRowWithoutFigures) {
    EngineContext context;
    const WeightedColumns cols = WithDummy(LongleyColumns(), 6, 5);
    auto table = MakeNamedTable(context, cols, Names(cols.size()));
    WLSE fit(*table, nullptr, static_cast<int>(cols.size()) - 1);
    ASSERT_TRUE(fit.Estimate(kWeightAutomatic));
    ExpectNoFigureAt(fit, 5);
    for (int t = 0; t < fit.ObsCount(); ++t) {
        if (t == 5) continue;
        for (int row : kUndefined) EXPECT_TRUE(std::isfinite(fit.GetResult(row, t))) << "row " << row << " at " << t;
    }
}

}  // namespace
