// A first stage toggled column by column gives what a first stage built with
// the same columns gives, to the bit, however near its values lie to each
// other: no standard error made of the cancellation of large means.
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "estimators/instrument_builder.h"
#include "support/model_builder.h"

namespace {

constexpr double e = 1e16;

// Every figure as bits, the F state left out (a column without spread shows
// an empty cell at the start and "TOL CHECK" after a toggle).
std::string Bits(const InstrumentFirstStage& fs) {
    std::vector<double> v = {fs.S2(), fs.AdjR2(), static_cast<double>(fs.ResidualDf())};
    for (int j = 0; j <= fs.ColumnCount(); ++j)
        v.insert(v.end(), {fs.Coef(j), fs.StdError(j), fs.FValue(j), fs.IsIn(j) ? 1.0 : 0.0});
    for (double x : fs.FittedValues()) v.push_back(x);
    for (const std::optional<double>& r : fs.StandardizedResiduals()) v.push_back(r ? *r : -1e300);
    return std::string(reinterpret_cast<const char*>(v.data()), v.size() * sizeof(double));
}

TEST(InstrumentFirstStageToggle, EveryToggleGivesTheFirstStageOfAFreshBuild) {
    const struct {
        Columns data;
        int target;
        std::vector<int> candidates;
        bool allIn;
        std::vector<int> toggles;  // first-stage columns, one after the other
    } cases[] = {
        // t on c1 (z all 0 cannot enter; y is not a candidate).
        {{{e + 4, e, e + 2, e + 4, e + 2, e + 4, e, e + 2},
          {e, e + 2, e + 4, e, e + 2, e + 4, e + 2, e},
          std::vector<double>(8, 0.0),
          {1, 3, 2, 5, 4, 7, 6, 8}},
         0, {0, 1, 1, 0}, false, {0, 0, 0, 0}},
        // Both in, then out one by one: formerly refused (the constant's inverse element went negative).
        {{{e, e + 4, e, e + 4, e, e + 2, e, e + 4},
          {e, e, e + 2, e, e + 2, e, e + 2, e + 2},
          {e + 4, e, e + 2, e + 4, e + 2, e + 4, e, e + 2}},
         2, {1, 1, 0}, true, {0, 1, 0, 0, 1}},
    };
    // The first case by exact rational arithmetic, c1 out then in: s², the
    // constant and its standard error, c1's slope and standard error. t on the
    // constant has mean 1e16 + 9/4, s² 39/14; on c1 slope -7/39, s² 368/117,
    // constant 460000000000000100/39. The F of c1 is 147/736 either way.
    const double figures[2][5] = {{39.0 / 14, 10000000000000002.25, 0.590096844352082359, 0, 0},
                                  {368.0 / 117, 11794871794871797.436, 4016184657938712.0146, -7.0 / 39,
                                   0.401618465793871131}};
    for (const auto& c : cases) {
        auto data = MakeModel(c.data);
        InstrumentFirstStage fs(*data, c.target, c.candidates, 0, c.allIn);
        for (std::size_t step = 0; step < c.toggles.size(); ++step) {
            SCOPED_TRACE(testing::Message() << "target " << c.target << ", step " << step);
            ASSERT_TRUE(fs.ToggleColumn(c.toggles[step]));
            InstrumentFirstStage fresh(*data, c.target, c.candidates, 0, false);
            for (int j = 0; j < fs.TargetColumn(); ++j) EXPECT_TRUE(!fs.IsIn(j) || fresh.ToggleColumn(j)) << j;
            EXPECT_EQ(Bits(fs), Bits(fresh));
            if (c.target != 0) continue;
            const double* f = figures[fs.IsIn(0) ? 1 : 0];
            const int constant = fs.ColumnCount();
            ExpectRel(fs.S2(), f[0], 1e-12, "s2", 0);
            ExpectRel(fs.Coef(constant), f[1], 1e-15, "constant", 0);
            ExpectRel(fs.StdError(constant), f[2], 1e-12, "constant se", 0);
            EXPECT_NEAR(fs.Coef(0), f[3], 1e-12);
            EXPECT_NEAR(fs.StdError(0), f[4], 1e-12);
            ExpectRel(fs.FValue(0), 147.0 / 736, 1e-12, "F of c1", 0);
        }
    }
}

}  // namespace
