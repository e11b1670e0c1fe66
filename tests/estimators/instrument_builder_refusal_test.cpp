// A first stage whose coefficient or standard error is no number is refused
// with the other estimators' message, and left exactly as it was.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "estimators/instrument_builder.h"
#include "support/expect_exception.h"
#include "support/first_stage_overflow.h"
#include "support/model_builder.h"

namespace {

// The table and every figure a toggle could change, as bits.
std::pair<std::vector<std::vector<std::string>>, std::string> Shown(const InstrumentFirstStage& fs) {
    std::vector<double> v = {fs.S2(), fs.AdjR2(), static_cast<double>(fs.ResidualDf())};
    for (int j = 0; j <= fs.ColumnCount(); ++j) v.insert(v.end(), {fs.Coef(j), fs.StdError(j), fs.FValue(j)});
    for (double x : fs.FittedValues()) v.push_back(x);
    return {fs.Table(false), std::string(reinterpret_cast<const char*>(v.data()), v.size() * sizeof(double))};
}

TEST(InstrumentFirstStageRefusal, AToggleWhoseFitIsNoNumberIsRefusedAndUndone) {
    const struct {
        const char* what;
        Columns data;  // the target last
        bool allIn;
    } cases[] = {
        // (Toggles near 1e16, which fit, are in instrument_builder_toggle_test.cpp.)
        {"the second candidate in, the constant's error past 1e308", OverflowingFirstStage(), false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        auto data = MakeModel(c.data);
        InstrumentFirstStage fs(*data, 2, {1, 1, 0}, 0, c.allIn);
        ASSERT_TRUE(fs.ToggleColumn(0));
        const auto before = Shown(fs);
        ExpectExceptionMessage([&] { (void)fs.ToggleColumn(1); }, kFirstStageRefusal, "toggle");
        EXPECT_EQ(Shown(fs), before);
    }
    // All in at once, no first stage is built.
    auto data = MakeModel(OverflowingFirstStage());
    ExpectExceptionMessage([&] { InstrumentFirstStage(*data, 2, {1, 1, 0}, 0, true); }, kFirstStageRefusal, "all in");
}

}  // namespace
