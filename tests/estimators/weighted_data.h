// Building blocks of the weighted-fit tests: a named data table from
// columns, and value-by-value checks of the estimator's rows.
#pragma once

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include "core/io/file_matrix.h"
#include "core/settings/engine_context.h"
#include "estimators/weighted_fit.h"

using WeightedColumns = std::vector<std::vector<double>>;

// One column per vector (all of the length of the first), named in order.
inline std::unique_ptr<TNamedData> MakeNamedTable(EngineContext& context, const WeightedColumns& cols,
                                                  const std::vector<std::string>& names) {
    const int n = static_cast<int>(cols.front().size());
    auto table = std::make_unique<TNamedData>(context, n, static_cast<int>(cols.size()));
    for (std::size_t j = 0; j < cols.size(); ++j) {
        table->SetColumnName(static_cast<int>(j), names.at(j));
        for (int t = 0; t < n; ++t) table->SetValue(t, static_cast<int>(j), cols[j][t]);
    }
    return table;
}

// |actual - expected| <= rel |expected| + abs.
// A robust fit's expected figures: the weight kind, bounded influence, the
// passes, the scale, the coefficients and the final weights.
struct RobustCase {
    int kind;
    bool bounded;
    int passes;
    double scale;
    std::vector<double> coef;
    std::vector<double> weights;
};

inline void ExpectNear(double actual, double expected, double rel, double abs, const std::string& what) {
    EXPECT_NEAR(actual, expected, rel * std::fabs(expected) + abs) << what;
}

inline void ExpectResultRow(const WLSE& fit, int row, const std::vector<double>& expected, double rel, double abs) {
    ASSERT_EQ(static_cast<int>(expected.size()), fit.ObsCount());
    for (int t = 0; t < fit.ObsCount(); ++t)
        ExpectNear(fit.GetResult(row, t), expected[t], rel, abs, "row " + std::to_string(row) + " obs " + std::to_string(t));
}
