// The grouped data the SUR tests share: x1, x2, y1, y2 over 12
// observations; group 1 ("east") marks rows 0..9, group 2 ("west") rows
// 4..11, group 3 rows 0..2 only.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <vector>

#include "core/model/regression_model.h"
#include "support/model_builder.h"

inline std::unique_ptr<Reg> SurSampleModel(const std::vector<int>& types = {}) {
    Columns cols(4);
    for (int t = 0; t < 12; ++t) {
        cols[0].push_back(t);
        cols[1].push_back((t * 7) % 5);
        cols[2].push_back(2.0 * t + (t % 3));
        cols[3].push_back(10.0 - t + (t * t) % 4);
    }
    auto reg = MakeModel(cols, types, {"x1", "x2", "y1", "y2"});
    for (int t = 0; t < 12; ++t) {
        const std::uint16_t word = (t < 10 ? 1 : 0) | (t >= 4 ? 2 : 0) | (t < 3 ? 4 : 0);
        for (int j = 0; j < 4; ++j) reg->SetMark(t, j, word);
    }
    EXPECT_TRUE(reg->SetGroupName(1, "east"));
    EXPECT_TRUE(reg->SetGroupName(2, "west"));
    return reg;
}
