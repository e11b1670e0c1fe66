// "%trend", "%predict" and "%residual": ranks and least-squares fits into an
// array, copied into the data set with "%addvar" to be read back. Expected
// values: ranks counted by hand (ties share the average), fits solved
// exactly in rational arithmetic from the normal equations (y on x1 and x2:
// y = 43/61 + 1025/854 x1 + 49/61 x2; y on x1: 17/15 + 129/70 x1; x2 on x1:
// 8/15 + 4/5 x1) and rounded to doubles.
#include <gtest/gtest.h>

#include "core/model/undo_store.h"
#include "macro_system_support.h"

namespace {

struct ArrayCase {
    const char* command;
    std::vector<double> expected;
};

const ArrayCase kArrayCases[] = {
    // x2 = 2, 1, 4, 2, 6, 5: the two 2s share rank 2.5.
    {"%trend 2, a", {2.5 / 6, 1.0 / 6, 4.0 / 6, 2.5 / 6, 1.0, 5.0 / 6}},
    {"%trend 2, a, n", {2.5, 1, 4, 2.5, 6, 5}},
    {"%trend 2, a, N", {2.5, 1, 4, 2.5, 6, 5}},
    // Variable numbers outside the range take the first or the last.
    {"%trend 0, a, n", {1, 2, 3, 4, 5, 6}},
    {"%trend 9, a, n", {1, 2, 4, 3, 5, 6}},
    {"%predict a, 1, 2, 3",
     {3.511709601873536, 3.908665105386417, 7.518735362997658, 7.112412177985949, 11.52576112412178,
      11.92271662763466}},
    {"%residual a, 1, 2, 3",
     {-0.0117096018735363, 0.09133489461358314, -0.01873536299765808, -0.11241217798594848,
      -0.02576112412177986, 0.07728337236533958}},
    {"%predict a, 1, 3",
     {2.9761904761904763, 4.819047619047619, 6.661904761904762, 8.504761904761905, 10.347619047619048,
      12.19047619047619}},
    {"%residual a, 1, 3",
     {0.5238095238095238, -0.819047619047619, 0.8380952380952381, -1.5047619047619047, 1.1523809523809523,
      -0.19047619047619047}},
    {"%residual a, 1, 2",
     {0.6666666666666666, -1.1333333333333333, 1.0666666666666667, -1.7333333333333334, 1.4666666666666666,
      -0.3333333333333333}},
    // The order of the explanatory variables does not change the fit.
    {"%predict a, 2, 1, 3",
     {3.511709601873536, 3.908665105386417, 7.518735362997658, 7.112412177985949, 11.52576112412178,
      11.92271662763466}},
};

TEST(MacroSystemFit, ArraysHoldRanksFittedValuesAndResiduals) {
    for (const ArrayCase& c : kArrayCases) {
        SystemFixture f;
        ASSERT_EQ(f.RunBody(std::string(c.command) + " %addvar \"r\", a"), "") << c.command;
        const Reg& m = *f.state.Model();
        ASSERT_EQ(m.GetVarCount(), 4) << c.command;
        for (int i = 0; i < 6; ++i)
            EXPECT_NEAR(m.GetValue(i, 3), c.expected[static_cast<std::size_t>(i)], 1e-13) << c.command << " [" << i << "]";
    }
}

// Ranks and fits go to the array only: the data set and the edit history
// stay as they were.
TEST(MacroSystemFit, DataSetUnchanged) {
    for (const char* command : {"%trend 3, a", "%trend 3, a, n", "%predict a, 1, 2, 3", "%residual a, 2, 3"}) {
        SystemFixture f;
        f.services.ClearCalls();
        ASSERT_EQ(f.RunBody(command), "") << command;
        ExpectTable(f.Now(), StartTable(), command);
        EXPECT_EQ(f.state.Undo().UndoStepCount(), 0) << command;
        EXPECT_TRUE(f.services.CallsOf(ServiceCall::UndoEnabled).empty()) << command;
    }
}

// A constant explanatory variable leaves a zero pivot: the type error at -1.
TEST(MacroSystemFit, ZeroPivotIsTheTypeError) {
    SystemFixture f(false);
    f.state.SetModel(MakeModel({{4, 4, 4, 4}, {1, 2, 3, 5}}, {}, {"c", "y"}, &f.state.Context()));
    EXPECT_EQ(f.RunBody("%predict a, 1, 2"), "型違反エラー at -1");
    EXPECT_EQ(f.RunBody("%residual a, 1, 2"), "型違反エラー at -1");
}

}  // namespace
