// The same model gives the same bits however it was reached: fitted fresh,
// a variable toggled out and in again, or toggled into a fit made without
// it. Every table row (fitted values, leverages, influence) and the sums
// are compared bit for bit, on one and on four threads.
#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <vector>

#include "core/model/regression_model.h"
#include "core/settings/engine_context.h"

namespace {

constexpr int kObs = 20000;
constexpr int kVars = 9;  // the last one dependent

std::vector<std::uint8_t> Roles(int without) {
    std::vector<std::uint8_t> roles(kVars + 1, Reg::kRoleExplanatory);
    roles[kVars - 1] = Reg::kRoleDependent;
    if (without >= 0) roles[static_cast<std::size_t>(without)] = Reg::kRoleUnused;
    return roles;
}

// Every row after the whole influence table is formed, then the sums and
// the coefficients with their standard errors.
std::vector<std::vector<double>> AllRows(Reg& reg) {
    reg.ComputeInfluence();
    std::vector<std::vector<double>> rows(19 + 2 * (kVars + 1) + 1);
    for (int code = 0; code < 19 + kVars + 1; ++code) reg.GetAnalysisRow(code, rows[code]);
    for (int j = 0; j <= kVars; ++j) reg.GetAnalysisRow(Reg::kRowDfbeta + j, rows[19 + kVars + 1 + j]);
    rows.back() = {reg.GetPress(), reg.GetSse(), reg.GetDurbinWatson()};
    for (int j = 0; j <= kVars; ++j) rows.back().insert(rows.back().end(), {reg.GetCoef(j), reg.GetStdError(j)});
    return rows;
}

void ExpectSameBits(const std::vector<std::vector<double>>& a, const std::vector<std::vector<double>>& b) {
    ASSERT_EQ(a.size(), b.size());
    for (std::size_t r = 0; r < a.size(); ++r) {
        ASSERT_EQ(a[r].size(), b[r].size()) << "row " << r;
        EXPECT_EQ(std::memcmp(a[r].data(), b[r].data(), a[r].size() * sizeof(double)), 0) << "row " << r;
    }
}

TEST(RegressionToggleBits, SameModelSameBitsHoweverReached) {
    const struct { int variable, threads; } cases[] = {{0, 1}, {3, 1}, {7, 1}, {0, 4}, {4, 4}, {7, 4}};
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::Message() << "variable " << c.variable << ", threads " << c.threads);
        EngineContext context;
        context.SetThreads(c.threads);
        Reg reg(context, kObs, kVars);
        // Large means, small spreads: the fitted values and leverages cancel
        // many digits of the swept moments.
        std::mt19937_64 gen(2718);
        std::normal_distribution<double> normal;
        std::vector<double> y(kObs, 5.0), x(kObs);
        for (int j = 0; j < kVars - 1; ++j) {
            for (std::size_t i = 0; i < kObs; ++i) {
                x[i] = 1e5 * (j + 1) + (j + 2) * normal(gen);
                y[i] += 0.7 * (j % 3 + 1) * x[i];
            }
            reg.SetVarValues(j, x);
        }
        for (double& v : y) v += normal(gen);
        reg.SetVarValues(kVars - 1, y);

        ASSERT_TRUE(reg.SetModel(kVars - 1, Roles(-1)));
        const auto fresh = AllRows(reg);
        ASSERT_TRUE(reg.ToggleVariable(c.variable) && reg.ToggleVariable(c.variable));  // out and in
        ExpectSameBits(fresh, AllRows(reg));
        ASSERT_TRUE(reg.ToggleVariable(c.variable));  // out, the table read before the next
        const auto without = AllRows(reg);
        ASSERT_TRUE(reg.ToggleVariable(c.variable));
        ExpectSameBits(fresh, AllRows(reg));
        ASSERT_TRUE(reg.SetModel(kVars - 1, Roles(c.variable)));  // fresh without it
        ExpectSameBits(without, AllRows(reg));
        ASSERT_TRUE(reg.ToggleVariable(c.variable));  // toggled into it
        ExpectSameBits(fresh, AllRows(reg));
    }
}

}  // namespace
