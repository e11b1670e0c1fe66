// A first stage toggled column by column gives what a first stage built with
// the same columns gives, to the bit, however near its values lie to each
// other: no standard error made of the cancellation of large means.
#include <gtest/gtest.h>

#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "estimators/instrument_builder.h"
#include "support/model_builder.h"

namespace {

constexpr double e = 1e16;

// Every figure of the first stage as bits (the F state left out: a column
// without spread shows an empty cell at the start and "TOL CHECK" after a
// toggle).
std::string Bits(const InstrumentFirstStage& fs) {
    std::vector<double> v = {fs.S2(), fs.AdjR2(), static_cast<double>(fs.ResidualDf())};
    for (int j = 0; j <= fs.ColumnCount(); ++j)
        v.insert(v.end(), {fs.Coef(j), fs.StdError(j), fs.FValue(j), fs.IsIn(j) ? 1.0 : 0.0});
    for (double x : fs.FittedValues()) v.push_back(x);
    for (const std::optional<double>& r : fs.StandardizedResiduals()) v.push_back(r ? *r : -1e300);
    return std::string(reinterpret_cast<const char*>(v.data()), v.size() * sizeof(double));
}

// A first stage built afresh with the columns `in` entered in column order.
std::string FreshBits(const Reg& data, int target, const std::vector<int>& candidates, const std::vector<int>& in) {
    InstrumentFirstStage fresh(data, target, candidates, 0, false);
    for (int j : in) EXPECT_TRUE(fresh.ToggleColumn(j));
    return Bits(fresh);
}

TEST(InstrumentFirstStageToggle, EveryToggleGivesTheFirstStageOfAFreshBuild) {
    const struct {
        const char* what;
        Columns data;
        int target;
        std::vector<int> candidates;
        bool allIn;
        std::vector<int> toggles;  // first-stage columns, one after the other
    } cases[] = {
        // t on c1 (z all 0 cannot enter; y is not a candidate).
        {"c1 in and out, near 1e16",
         {{e + 4, e, e + 2, e + 4, e + 2, e + 4, e, e + 2},
          {e, e + 2, e + 4, e, e + 2, e + 4, e + 2, e},
          std::vector<double>(8, 0.0),
          {1, 3, 2, 5, 4, 7, 6, 8}},
         0, {0, 1, 1, 0}, false, {0, 0, 0, 0}},
        // Formerly refused: the constant's inverse element went negative.
        {"both in, then out one by one, near 1e16",
         {{e, e + 4, e, e + 4, e, e + 2, e, e + 4},
          {e, e, e + 2, e, e + 2, e, e + 2, e + 2},
          {e + 4, e, e + 2, e + 4, e + 2, e + 4, e, e + 2}},
         2, {1, 1, 0}, true, {0, 1, 0, 0, 1}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        auto data = MakeModel(c.data);
        InstrumentFirstStage fs(*data, c.target, c.candidates, 0, c.allIn);
        for (std::size_t step = 0; step < c.toggles.size(); ++step) {
            SCOPED_TRACE(step);
            ASSERT_TRUE(fs.ToggleColumn(c.toggles[step]));
            std::vector<int> in;
            for (int j = 0; j < fs.TargetColumn(); ++j)
                if (fs.IsIn(j)) in.push_back(j);
            EXPECT_EQ(Bits(fs), FreshBits(*data, c.target, c.candidates, in));
        }
    }
}

// The figures of the first case by exact rational arithmetic: t on the
// constant (mean 1e16 + 9/4, s² 39/14, F to enter of c1 147/736), and on c1
// (slope -7/39, s² 368/117, constant 460000000000000100/39).
TEST(InstrumentFirstStageToggle, FiguresNear1e16AreThoseOfTheFit) {
    auto data = MakeModel({{e + 4, e, e + 2, e + 4, e + 2, e + 4, e, e + 2},
                           {e, e + 2, e + 4, e, e + 2, e + 4, e + 2, e},
                           std::vector<double>(8, 0.0),
                           {1, 3, 2, 5, 4, 7, 6, 8}});
    InstrumentFirstStage fs(*data, 0, {0, 1, 1, 0}, 0, false);
    const int constant = fs.ColumnCount();
    const struct {
        const char* step;
        bool c1In;
        double s2, constCoef, constSe, c1Coef, c1Se, c1F;
    } steps[] = {
        {"constant only", false, 39.0 / 14, 10000000000000002.25, 0.590096844352082359, 0, 0, 147.0 / 736},
        {"c1 in", true, 368.0 / 117, 11794871794871797.436, 4016184657938712.0146, -7.0 / 39, 0.401618465793871131,
         147.0 / 736},
        {"c1 out again", false, 39.0 / 14, 10000000000000002.25, 0.590096844352082359, 0, 0, 147.0 / 736},
    };
    for (const auto& s : steps) {
        SCOPED_TRACE(s.step);
        if (s.c1In != fs.IsIn(0)) {
            ASSERT_TRUE(fs.ToggleColumn(0));
        }
        ExpectRel(fs.S2(), s.s2, 1e-12, "s2", 0);
        ExpectRel(fs.Coef(constant), s.constCoef, 1e-15, "constant", 0);
        ExpectRel(fs.StdError(constant), s.constSe, 1e-12, "constant se", 0);
        EXPECT_NEAR(fs.Coef(0), s.c1Coef, 1e-12);
        EXPECT_NEAR(fs.StdError(0), s.c1Se, 1e-12);
        ExpectRel(fs.FValue(0), s.c1F, 1e-12, "F of c1", 0);
    }
}

}  // namespace
