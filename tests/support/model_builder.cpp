#include "support/model_builder.h"

#include <gtest/gtest.h>

#include <cmath>

std::unique_ptr<Reg> MakeModel(const Columns& cols, const std::vector<int>& types,
                               const std::vector<std::string>& names, EngineContext* context) {
    const int n = static_cast<int>(cols.front().size());
    const int k = static_cast<int>(cols.size());
    auto reg = context != nullptr ? std::make_unique<Reg>(*context, n, k) : std::make_unique<Reg>(n, k);
    for (size_t j = 0; j < cols.size(); ++j) {
        reg->SetVarValues(static_cast<int>(j), cols[j]);
        if (j < types.size()) reg->SetVarType(static_cast<int>(j), types[j]);
        if (j < names.size()) reg->SetVarName(static_cast<int>(j), names[j]);
    }
    return reg;
}

void ExpectRel(double actual, double expected, double rel, const char* what, int index) {
    EXPECT_NEAR(actual, expected, rel * std::fabs(expected)) << what << " [" << index << "]";
}

void ExpectAnalysisRow(const Reg& reg, int code, const std::vector<double>& expected, double rel, double abs,
                       const char* what) {
    std::vector<double> row;
    reg.GetAnalysisRow(code, row);
    ASSERT_EQ(row.size(), expected.size()) << what;
    for (size_t i = 0; i < expected.size(); ++i)
        EXPECT_NEAR(row[i], expected[i], rel * std::fabs(expected[i]) + abs) << what << " [" << i << "]";
}
