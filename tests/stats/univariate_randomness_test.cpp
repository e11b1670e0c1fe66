// Autocorrelations, partial autocorrelations and the tests of randomness
// against values worked out separately (the partial autocorrelations by
// solving each Yule-Walker system in 40-digit arithmetic, the pair counts
// by counting every pair).
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "platform/errors.h"
#include "stats/univariate_randomness.h"

namespace {

const std::vector<double> kSeriesA = {13.76, 13.45, 16.34, 18.86, 12.11, 13.95, 17.83, 10.45, 14.43, 13.91,
                                      12.21, 13.8,  14.5,  18.02, 16.47, 13.76, 15.68, 17.65, 14.32, 14.89,
                                      15.21, 13.76, 13.05, 13.53, 12.1,  14.74, 13.94, 16.89, 15.59, 13.04};
const double kAcfA[8] = {1.0,
                         -0.03310050937681983,
                         -0.18098994018664886,
                         0.26742416534433628,
                         -0.15186338541114198,
                         -0.16309475101583108,
                         -0.15792507059043396,
                         -0.12856486201942389};
const double kPacfA[8] = {1.0,
                          -0.03310050937681983,
                          -0.18228530365603602,
                          0.26333659049854714,
                          -0.19654641913802821,
                          -0.066416899757126856,
                          -0.32901075623230345,
                          -0.087106666121520831};

}  // namespace

TEST(UnivariateRandomness, DefaultAndClampedLag) {
    struct Case {
        int n, lag, expected;
    };
    const Case defaults[] = {{4, 0, 1}, {30, 0, 7}, {100, 0, 25}, {159, 0, 39}, {160, 0, 40}, {100000, 0, 40}};
    for (const Case& c : defaults) EXPECT_EQ(DefaultAutocorrelationLag(c.n), c.expected) << c.n;
    const Case clamps[] = {{30, 0, 1}, {30, -5, 1}, {30, 28, 28}, {30, 29, 28}, {30, 500, 28},
                           {1000000, 999998, kLargestAutocorrelationLag}};
    for (const Case& c : clamps) EXPECT_EQ(ClampAutocorrelationLag(c.lag, c.n), c.expected) << c.lag;
}

TEST(UnivariateRandomness, AutocorrelationsAndPartials) {
    const int n = static_cast<int>(kSeriesA.size());
    const RandomnessTests t = ComputeRandomnessTests(kSeriesA.data(), n, 7);
    ASSERT_EQ(t.maxLag, 7);
    ASSERT_EQ(t.acf.size(), 8u);
    ASSERT_EQ(t.pacf.size(), 8u);
    for (int k = 0; k <= 7; ++k) {
        EXPECT_NEAR(t.acf[k], kAcfA[k], 1e-15) << k;
        EXPECT_NEAR(t.pacf[k], kPacfA[k], 1e-14) << k;
    }
}

TEST(UnivariateRandomness, PortmanteauStatistics) {
    const RandomnessTests t = ComputeRandomnessTests(kSeriesA.data(), 30, 7);
    EXPECT_NEAR(t.ljungBox, 7.2626490098190154, 1e-12);
    // On the plain squares of the values.
    EXPECT_NEAR(t.mcLeodLi, 6.9901618584828021, 1e-12);
}

TEST(UnivariateRandomness, TurningPointsDifferenceSignsAndRanks) {
    const RandomnessTests t = ComputeRandomnessTests(kSeriesA.data(), 30, 7);
    EXPECT_EQ(t.turningPoints, 18);
    EXPECT_EQ(t.risingSteps, 15);
    EXPECT_EQ(t.ascendingPairs, 212);
    EXPECT_NEAR(t.turningPointZ, 0.29781167876506989, 1e-14);
    EXPECT_NEAR(t.differenceSignZ, 0.31108550841912758, 1e-14);
    EXPECT_NEAR(t.rankZ, 0.19625134103851735, 1e-14);
}

TEST(UnivariateRandomness, MergeCountEqualsThePairCountWithTies) {
    std::vector<double> y(3000);
    for (int t = 0; t < 3000; ++t) y[t] = static_cast<double>((t * 7919) % 1009);
    EXPECT_EQ(CountAscendingPairs(y.data(), 3000), 2244575);
    const double ties[] = {2, 2, 2, 1, 3};
    EXPECT_EQ(CountAscendingPairs(ties, 5), 4);  // each value before the 3
    EXPECT_EQ(CountAscendingPairs(ties, 1), 0);
}

TEST(UnivariateRandomness, LongSeriesThroughTheTransformAgreesWithDirectSums) {
    const int n = 50000;
    std::vector<double> x(n);
    for (int t = 0; t < n; ++t) x[t] = std::sin(t * 0.37) + 0.3 * std::cos(t * 1.91) + (t % 7) / 10.0;
    const std::vector<double> r = AutocorrelationsToLag(x.data(), n, 1000);  // n * lags beyond direct sums
    const struct {
        int lag;
        double value;
    } expected[] = {{1, 0.7883217557955742}, {10, -0.6843790515299318}, {500, -0.751431575168474},
                    {1000, 0.7281821438989983}};
    for (const auto& e : expected) EXPECT_NEAR(r[e.lag], e.value, 1e-12) << e.lag;
}

TEST(UnivariateRandomness, SquaresWithoutSpreadGiveNoMcLeodLiStatistic) {
    // x^2 is 1 throughout: the squares carry no information, and the
    // series is still loaded.
    const double x[] = {1, -1, -1, 1, -1, 1, 1, 1, -1, -1};
    const RandomnessTests t = ComputeRandomnessTests(x, 10, 2);
    EXPECT_EQ(t.mcLeodLi, 0.0);
    EXPECT_GT(t.ljungBox, 0.0);
}

TEST(UnivariateRandomness, RefusesWhatItCannotCompute) {
    const double flat[] = {3, 3, 3, 3, 3};
    EXPECT_THROW(ComputeRandomnessTests(flat, 5, 1), EZeroDivide);
    const double two[] = {1, 2};
    EXPECT_THROW(ComputeRandomnessTests(two, 2, 1), ERangeError);
    EXPECT_THROW(AutocorrelationsToLag(kSeriesA.data(), 30, 29), ERangeError);
}

TEST(UnivariateRandomness, PartialsStopWhenThePastDeterminesTheSeries) {
    // r = (1, 1): a perfectly predictable series; lag 2 and on are 0
    // instead of a division by zero.
    const std::vector<double> pacf = DurbinLevinsonPartials({1.0, 1.0, 0.5, 0.25});
    ASSERT_EQ(pacf.size(), 4u);
    EXPECT_EQ(pacf[1], 1.0);
    EXPECT_EQ(pacf[2], 0.0);
    EXPECT_EQ(pacf[3], 0.0);
}

TEST(UnivariateRandomness, YuleWalkerOrderIsTheLastSignificantLag) {
    // Limit 1.96 / sqrt(100) = 0.196.
    EXPECT_EQ(SuggestYuleWalkerOrder({1.0, 0.5, 0.1, -0.25, 0.19}, 100), 3);
    EXPECT_EQ(SuggestYuleWalkerOrder({1.0, 0.1, 0.1}, 100), 1);
    // Limit 1.96 / sqrt(30) = 0.358: lag 6 (-0.329) stays below it.
    EXPECT_EQ(SuggestYuleWalkerOrder(std::vector<double>(kPacfA, kPacfA + 8), 30), 1);
}
