// Round axis scales and the grid interval of the X-Y plot.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "components/plot/core/axis_scale.h"

namespace {

TEST(AxisScale, RoundAxisScales) {
    const struct {
        double low, high, expLow, expHigh, expInterval;
    } cases[] = {
        {2.7, 7.1, 2.0, 8.0, 1.0},      // raw step 0.88 -> 1
        {0.0, 1.0, 0.0, 1.0, 0.2},      // raw step 0.2 -> 0.2
        {-3.2, 45.0, -10.0, 50.0, 10.0}, // raw step 9.64 -> 10
        {5.0, 5.0, 4.4, 5.6, 0.2},      // widened to 4.5..5.5
        {0.0, 0.0, -1.0, 1.0, 0.5},     // widened to -1..1
        {7.1, 2.7, 2.0, 8.0, 1.0},      // ends given the wrong way round
    };
    for (const auto& c : cases) {
        const AxisScale s = RoundAxisScale(c.low, c.high);
        EXPECT_NEAR(s.low, c.expLow, 1e-12) << c.low << ".." << c.high;
        EXPECT_NEAR(s.high, c.expHigh, 1e-12) << c.low << ".." << c.high;
        EXPECT_NEAR(s.interval, c.expInterval, 1e-12) << c.low << ".." << c.high;
    }
    const AxisScale bad = RoundAxisScale(std::nan(""), INFINITY);
    EXPECT_LT(bad.low, bad.high);
}

// Expected steps worked out separately by repeated multiplication by ten
// from 1e-5 (python), which lands on the powers themselves.
TEST(AxisScale, GridIntervalIsThePowerOfTenBelowTheLargerEnd) {
    const struct {
        double a, b, step;
    } cases[] = {
        {0.5, 37.0, 10.0},
        {-123.0, 45.0, 100.0},
        {0.0, 0.00042, 0.0001},
        {-9.99, 2.0, 1.0},
        {0.0, 10.0, 10.0},       // on a power: that power
        {0.0, 1e-6, 1e11},       // below every step: past the last one
        {0.0, std::numeric_limits<double>::quiet_NaN(), 1e11},
        {0.0, 5e11, 1e11},
    };
    for (const auto& c : cases) EXPECT_DOUBLE_EQ(AxisStep(c.a, c.b), c.step) << c.a << ".." << c.b;
}

}  // namespace
