// The influence table gives the same bits whichever rows were formed before
// it: the whole table at once (residual measures and pending leverages in
// the same pass), after the leverages and the residual analysis were read,
// or after the design was copied; with and without a constant, on one and
// on three threads.
#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <vector>

#include "core/model/regression_model.h"
#include "core/settings/engine_context.h"

namespace {

constexpr int kObs = 2 * 4096 + 77;
constexpr int kVars = 6;  // the last one dependent

enum class Before { kNothing, kAnalysis, kDesign };

struct Table {
    std::vector<std::vector<double>> rows;
    double press = 0.0, durbinWatson = 0.0, hetero = 0.0;
};

Table Influence(int threads, bool constant, Before before) {
    EngineContext context;
    context.SetThreads(threads);
    Reg reg(context, kObs, kVars);
    std::mt19937_64 gen(606);
    std::normal_distribution<double> normal;
    std::vector<double> y(kObs, 2.0), x(kObs);
    for (int j = 0; j < kVars - 1; ++j) {
        for (double& v : x) v = 5e3 * (j + 1) + (j + 1.5) * normal(gen);
        for (int i = 0; i < kObs; ++i) y[static_cast<std::size_t>(i)] += 0.4 * (j + 1) * x[static_cast<std::size_t>(i)];
        reg.SetVarValues(j, x);
    }
    for (double& v : y) v += normal(gen);
    reg.SetVarValues(kVars - 1, y);
    std::vector<std::uint8_t> roles(kVars + 1, Reg::kRoleExplanatory);
    roles[kVars - 1] = Reg::kRoleDependent;
    if (!constant) roles[kVars] = Reg::kRoleUnused;
    EXPECT_TRUE(reg.SetModel(kVars - 1, roles));
    if (before == Before::kAnalysis) {
        EXPECT_NE(reg.GetAnalysisValue(Reg::kRowLeverage, 0), 0.0);
        reg.ComputeAnalysisData();
    } else if (before == Before::kDesign) {
        EXPECT_NE(reg.GetDesignValue(0, 0), 0.0);
    }
    reg.ComputeInfluence();
    Table t;
    for (int row = 0; row < reg.Analysis().Rows(); ++row) {
        t.rows.emplace_back();
        reg.GetAnalysisRow(row, t.rows.back());
    }
    t.press = reg.GetPress();
    t.durbinWatson = reg.GetDurbinWatson();
    t.hetero = reg.GetHetero();
    return t;
}

bool SameBits(double a, double b) { return std::memcmp(&a, &b, sizeof a) == 0; }

TEST(RegressionInfluencePass, SameBitsWhateverWasFormedBefore) {
    for (bool constant : {true, false}) {
        const Table reference = Influence(1, constant, Before::kAnalysis);
        ASSERT_GT(reference.press, 0.0);
        for (int threads : {1, 3}) {
            for (Before before : {Before::kNothing, Before::kAnalysis, Before::kDesign}) {
                SCOPED_TRACE(::testing::Message() << "constant " << constant << ", threads " << threads << ", before "
                                                  << static_cast<int>(before));
                const Table t = Influence(threads, constant, before);
                ASSERT_EQ(t.rows.size(), reference.rows.size());
                for (std::size_t r = 0; r < t.rows.size(); ++r) {
                    ASSERT_EQ(t.rows[r].size(), reference.rows[r].size());
                    EXPECT_EQ(std::memcmp(t.rows[r].data(), reference.rows[r].data(), t.rows[r].size() * sizeof(double)), 0)
                        << "row " << r;
                }
                EXPECT_TRUE(SameBits(t.press, reference.press));
                EXPECT_TRUE(SameBits(t.durbinWatson, reference.durbinWatson));
                EXPECT_TRUE(SameBits(t.hetero, reference.hetero));
            }
        }
    }
}

}  // namespace
