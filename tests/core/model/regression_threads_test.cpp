// The fit and its per-observation tables give the same bits on 1, 2, 4 and 8
// threads, for ordinary and two-stage models.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <random>
#include <vector>

#include "core/model/regression_model.h"
#include "core/settings/engine_context.h"

namespace {

struct Snapshot {
    std::vector<double> coef, se, f;
    std::vector<std::vector<double>> rows;
    double s2 = 0, r2 = 0, press = 0, dw = 0;
};

bool SameBits(const std::vector<double>& a, const std::vector<double>& b) {
    return a.size() == b.size() && std::memcmp(a.data(), b.data(), a.size() * sizeof(double)) == 0;
}

bool SameBits(double a, double b) { return std::memcmp(&a, &b, sizeof a) == 0; }

// n spans several chunks of the passes and ends inside one.
Snapshot Fit(int threads, bool twoStage) {
    constexpr int n = 3 * 4096 + 517;
    constexpr int k = 6;
    EngineContext context;
    context.SetThreads(threads);
    Reg reg(context, n, k);
    std::mt19937_64 gen(99);
    std::normal_distribution<double> normal;
    std::vector<double> y(n, 0.0);
    for (int j = 0; j < k - 1; ++j) {
        std::vector<double> x(n);
        for (int i = 0; i < n; ++i) {
            x[static_cast<std::size_t>(i)] = 1e6 + 10.0 * (j + 1) * normal(gen);
            y[static_cast<std::size_t>(i)] += 0.3 * (j + 1) * x[static_cast<std::size_t>(i)];
        }
        reg.SetVarValues(j, x);
    }
    for (double& v : y) v += normal(gen);
    reg.SetVarValues(k - 1, y);
    if (twoStage) {
        reg.SetVarType(k - 1, 1);
        reg.SetVarType(0, 1);
        for (int j = 1; j < k - 1; ++j) reg.SetVarType(j, 2);
        reg.SetTwoStage(true);
        reg.SetRealCalc(true);
    }
    EXPECT_TRUE(reg.SetModel(k - 1, {2, 2, 2, 0, 2, 1, 2}));
    if (!twoStage) {
        EXPECT_TRUE(reg.ToggleVariable(3));
    }
    reg.ComputeInfluence();
    Snapshot s;
    for (int j = 0; j <= k; ++j) {
        s.coef.push_back(reg.GetCoef(j));
        s.se.push_back(reg.GetStdError(j));
        s.f.push_back(reg.GetFValue(j));
    }
    for (int row = 0; row < reg.Analysis().Rows(); ++row) {
        s.rows.emplace_back();
        reg.GetAnalysisRow(row, s.rows.back());
    }
    s.s2 = reg.GetS2();
    s.r2 = reg.GetR2();
    s.press = reg.GetPress();
    s.dw = reg.GetDurbinWatson();
    return s;
}

TEST(RegThreads, EveryThreadCountGivesTheSameBits) {
    for (bool twoStage : {false, true}) {
        const Snapshot one = Fit(1, twoStage);
        for (int threads : {2, 4, 8}) {
            const Snapshot other = Fit(threads, twoStage);
            EXPECT_TRUE(SameBits(one.coef, other.coef)) << threads << " " << twoStage;
            EXPECT_TRUE(SameBits(one.se, other.se)) << threads << " " << twoStage;
            EXPECT_TRUE(SameBits(one.f, other.f)) << threads << " " << twoStage;
            EXPECT_TRUE(SameBits(one.s2, other.s2) && SameBits(one.r2, other.r2)) << threads << " " << twoStage;
            EXPECT_TRUE(SameBits(one.press, other.press) && SameBits(one.dw, other.dw)) << threads << " " << twoStage;
            ASSERT_EQ(one.rows.size(), other.rows.size());
            for (std::size_t r = 0; r < one.rows.size(); ++r)
                EXPECT_TRUE(SameBits(one.rows[r], other.rows[r])) << "row " << r << ", " << threads << " " << twoStage;
        }
    }
}

}  // namespace
