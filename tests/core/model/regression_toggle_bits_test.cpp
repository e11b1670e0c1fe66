// The same model gives the same bits however it was reached: a fresh fit, a
// variable toggled out and in again, or a variable toggled into a fit made
// without it. Every fitted value, residual, leverage and influence row is
// compared bit for bit, on one and on four threads.
#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <vector>

#include "core/model/regression_model.h"
#include "core/settings/engine_context.h"

namespace {

constexpr int kObs = 20000;
constexpr int kVars = 9;  // the last one dependent

// Large means and small spreads: the swept moments carry many digits that
// the fitted values and leverages cancel.
void Fill(Reg& reg) {
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
}

std::vector<std::uint8_t> Roles(int without) {
    std::vector<std::uint8_t> roles(kVars + 1, Reg::kRoleExplanatory);
    roles[kVars - 1] = Reg::kRoleDependent;
    if (without >= 0) roles[static_cast<std::size_t>(without)] = Reg::kRoleUnused;
    return roles;
}

// Every row of the table, the fitted values first, after the whole
// influence table is formed.
std::vector<std::vector<double>> AllRows(Reg& reg) {
    reg.ComputeInfluence();
    std::vector<int> codes;
    for (int code = 0; code < 19 + kVars + 1; ++code) codes.push_back(code);
    for (int j = 0; j <= kVars; ++j) codes.push_back(Reg::kRowDfbeta + j);
    std::vector<std::vector<double>> rows;
    for (int code : codes) {
        rows.emplace_back();
        reg.GetAnalysisRow(code, rows.back());
    }
    rows.push_back({reg.GetPress(), reg.GetSse(), reg.GetDurbinWatson()});
    rows.emplace_back();
    for (int j = 0; j <= kVars; ++j) {
        rows.back().push_back(reg.GetCoef(j));
        rows.back().push_back(reg.GetStdError(j));
    }
    return rows;
}

void ExpectSameBits(const std::vector<std::vector<double>>& a, const std::vector<std::vector<double>>& b) {
    ASSERT_EQ(a.size(), b.size());
    for (std::size_t r = 0; r < a.size(); ++r) {
        ASSERT_EQ(a[r].size(), b[r].size()) << "row " << r;
        int differing = 0;
        for (std::size_t i = 0; i < a[r].size(); ++i)
            if (std::memcmp(&a[r][i], &b[r][i], sizeof(double)) != 0) ++differing;
        EXPECT_EQ(differing, 0) << "row " << r;
    }
}

struct Case {
    int variable;  // toggled
    int threads;
};

TEST(RegressionToggleBits, SameModelSameBitsHoweverReached) {
    const Case cases[] = {{0, 1}, {3, 1}, {7, 1}, {0, 4}, {4, 4}, {7, 4}};
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << "variable " << c.variable << ", threads " << c.threads);
        EngineContext context;
        context.SetThreads(c.threads);
        Reg reg(context, kObs, kVars);
        Fill(reg);
        ASSERT_TRUE(reg.SetModel(kVars - 1, Roles(-1)));
        const auto fresh = AllRows(reg);

        // Out and in again.
        ASSERT_TRUE(reg.ToggleVariable(c.variable));
        ASSERT_TRUE(reg.ToggleVariable(c.variable));
        ExpectSameBits(fresh, AllRows(reg));

        // Twice more, with the table read in between (another residual path).
        ASSERT_TRUE(reg.ToggleVariable(c.variable));
        const auto without = AllRows(reg);
        ASSERT_TRUE(reg.ToggleVariable(c.variable));
        ExpectSameBits(fresh, AllRows(reg));

        // The model without the variable, fitted fresh and reached by toggle.
        ASSERT_TRUE(reg.SetModel(kVars - 1, Roles(c.variable)));
        ExpectSameBits(without, AllRows(reg));
        // And the full model reached by toggling the variable into it.
        ASSERT_TRUE(reg.ToggleVariable(c.variable));
        ExpectSameBits(fresh, AllRows(reg));
    }
}

}  // namespace
