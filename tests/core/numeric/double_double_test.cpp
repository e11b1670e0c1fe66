// Double-double arithmetic and the precise moment matrix and sweep: exact
// results where the values are known exactly (checked with fractions).
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "core/numeric/double_double.h"
#include "core/numeric/precise_moments.h"

namespace {

TEST(DoubleDouble, OperationsKeepTheTailThatDoublesLose) {
    const double tiny = std::ldexp(1.0, -60);
    const DoubleDouble s = DoubleDouble(1.0) + DoubleDouble(tiny);
    EXPECT_EQ(s.hi, 1.0);
    EXPECT_EQ(s.lo, tiny);
    EXPECT_EQ((s - DoubleDouble(1.0)).ToDouble(), tiny);
    // (1 + 2^-30)^2 = 1 + 2^-29 + 2^-60 exactly.
    const DoubleDouble a(1.0 + std::ldexp(1.0, -30));
    const DoubleDouble sq = a * a;
    EXPECT_EQ(sq.hi, 1.0 + std::ldexp(1.0, -29));
    EXPECT_EQ(sq.lo, tiny);
    // 1/3 * 3 comes back to 1 within the double-double rounding.
    const DoubleDouble third = DoubleDouble(1.0) / DoubleDouble(3.0);
    EXPECT_LT(std::fabs(((third * DoubleDouble(3.0)) - DoubleDouble(1.0)).ToDouble()), 1e-31);
    // 2^53 + 1 is no double but a double-double.
    const DoubleDouble big = DoubleDouble(std::ldexp(1.0, 53)) + DoubleDouble(1.0);
    EXPECT_EQ((big - DoubleDouble(std::ldexp(1.0, 53))).ToDouble(), 1.0);
}

TEST(PreciseMoments, LayoutAndValuesOfASmallTable) {
    // Columns x = 1, 2, 4 and y = 1e16 + {0, 2, 4}: means 7/3 and 1e16 + 2.
    const double rows[] = {1.0, 1e16, 2.0, 1e16 + 2, 4.0, 1e16 + 4};
    const PreciseMatrix m = BuildPreciseMoments(rows, 3, 2, 2);
    ASSERT_EQ(m.Size(), 3);
    // Sxx = 14/3, Sxy = 6, Syy = 8 (fractions).
    EXPECT_NEAR(m.At(0, 0).ToDouble(), 14.0 / 3.0, 1e-15);
    EXPECT_EQ(m.At(0, 1).ToDouble(), 6.0);
    EXPECT_EQ(m.At(1, 0).ToDouble(), 6.0);
    EXPECT_EQ(m.At(1, 1).ToDouble(), 8.0);
    EXPECT_NEAR(m.At(2, 0).ToDouble(), 7.0 / 3.0, 1e-15);
    EXPECT_EQ(m.At(0, 2).ToDouble(), -m.At(2, 0).ToDouble());
    EXPECT_EQ(m.At(2, 1).hi + m.At(2, 1).lo, 1e16 + 2);
    EXPECT_NEAR(m.At(2, 2).ToDouble(), 1.0 / 3.0, 1e-16);
}

TEST(PreciseMoments, SweepingTwiceRestoresAndAZeroPivotIsRefused) {
    const double rows[] = {1.0, 2.0, 3.0, 5.0, 4.0, 4.0, 7.0, 11.0};
    PreciseMatrix m = BuildPreciseMoments(rows, 4, 2, 2);
    const PreciseMatrix before = m;
    // Slope of y on x: Sxy / Sxx = 27.5 / 18.75 = 22 / 15.
    ASSERT_TRUE(SweepPrecise(m, 0));
    EXPECT_NEAR(m.At(0, 1).ToDouble(), 22.0 / 15.0, 1e-15);
    ASSERT_TRUE(SweepPrecise(m, 0));
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) EXPECT_NEAR(m.At(i, j).ToDouble(), before.At(i, j).ToDouble(), 1e-14);

    const double flat[] = {2.0, 1.0, 2.0, 3.0};
    PreciseMatrix c = BuildPreciseMoments(flat, 2, 2, 2);
    EXPECT_FALSE(SweepPrecise(c, 0));  // a constant column has no spread
    LongMatrix out;
    c.CopyTo(out);
    EXPECT_EQ(out.Rows(), 3);
    EXPECT_EQ(out.At(1, 1), 2.0L);
}

}  // namespace
