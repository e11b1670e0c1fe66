// The wide block fill against the portable one, value for value: hi, lo,
// the error bits and the largest size of every column, for 1 to 25
// columns, block lengths that are not multiples of a vector, values over
// many magnitudes with zeros, -0, infinities and NaN among them.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "core/numeric/moment_matrix.h"
#include "core/numeric/moment_row_fill.h"

namespace {

// Equal bits, or both NaN (a NaN's payload is not part of the result).
bool Same(double a, double b) { return std::memcmp(&a, &b, 8) == 0 || (std::isnan(a) && std::isnan(b)); }

double Awkward(std::mt19937_64& gen, int t, int j) {
    std::normal_distribution<double> normal(0.0, 1.0);
    std::uniform_int_distribution<int> power(-300, 300);
    switch ((t * 5 + j * 3) % 29) {
        case 0: return 0.0;
        case 1: return -0.0;
        case 2: return j % 2 ? std::numeric_limits<double>::infinity() : -std::numeric_limits<double>::infinity();
        case 3: return std::numeric_limits<double>::quiet_NaN();
        default: return (j % 4 == 0 ? 1e8 : 0.0) + normal(gen) * std::ldexp(1.0, power(gen) / (j % 3 + 1));
    }
}

TEST(MomentRowFill, WideFillGivesThePortableValues) {
    const MomentRowFill wide = FindMomentRowFill(MomentKernel::Avx512);
    if (!MomentKernelAvailable(MomentKernel::Avx512)) GTEST_SKIP() << "no wide fill on this processor";
    ASSERT_NE(wide, &MomentRowFillPortable);
    std::mt19937_64 gen(21);
    const int lengths[] = {1, 5, 8, 13, 63, 64};
    for (int cols = 1; cols <= 25; ++cols)
        for (const int len : lengths)
            for (const bool finite : {true, false}) {
                const int stride = cols + (cols % 3);  // rows with and without a gap
                const int width = (cols + 1 + 7) / 8 * 8;
                std::vector<double> rows(static_cast<std::size_t>(len) * stride + 1, 7.0), shift(cols);
                for (int t = 0; t < len; ++t)
                    for (int j = 0; j < cols; ++j) {
                        double v = Awkward(gen, t, j);
                        if (finite && !std::isfinite(v)) v = 3.5;
                        rows[static_cast<std::size_t>(t) * stride + j] = v;
                    }
                for (int j = 0; j < cols; ++j) shift[j] = -(j % 5 == 0 ? 0.0 : rows[j] * 0.75 + 0.1);
                const std::size_t cells = static_cast<std::size_t>(len) * width;
                std::vector<double> hiA(cells, 5.0), loA(cells, 5.0), hiB(cells, 5.0), loB(cells, 5.0);
                // Updated, not set: start from values already there.
                std::vector<std::uint64_t> bitsA(cols, 0), bitsB(cols, 0);
                std::vector<double> mostA(cols, 0.0), mostB(cols, 0.0);
                bitsA[0] = bitsB[0] = 4;
                mostA[cols - 1] = mostB[cols - 1] = 1e3;
                MomentRowFillPortable(rows.data(), stride, len, cols, width, shift.data(), hiA.data(), loA.data(),
                                      bitsA.data(), mostA.data());
                wide(rows.data(), stride, len, cols, width, shift.data(), hiB.data(), loB.data(), bitsB.data(),
                     mostB.data());
                const std::string where =
                    "cols " + std::to_string(cols) + " len " + std::to_string(len) + (finite ? " finite" : " any");
                for (std::size_t e = 0; e < cells; ++e) {
                    ASSERT_TRUE(Same(hiA[e], hiB[e])) << "hi " << e << " " << where;
                    ASSERT_TRUE(Same(loA[e], loB[e])) << "lo " << e << " " << where;
                }
                for (int j = 0; j < cols; ++j) {
                    // NaN errors leave different payload bits; what counts is whether any is there.
                    if (finite) {
                        ASSERT_EQ(bitsA[j], bitsB[j]) << "bits " << j << " " << where;
                    }
                    ASSERT_EQ(bitsA[j] != 0, bitsB[j] != 0) << "bits " << j << " " << where;
                    ASSERT_TRUE(Same(mostA[j], mostB[j])) << "most " << j << " " << where;
                }
            }
}

// The fill itself, on values whose two-sum is known by hand: 1 + 2^-52
// shifted by -1 is exact; 2^53 + 1 (stored as 2^53) shifted by -0.5
// rounds to 2^53 with error -0.5.
TEST(MomentRowFill, TwoSumOfKnownValues) {
    for (const MomentKernel kernel : {MomentKernel::Portable, MomentKernel::Avx512}) {
        if (!MomentKernelAvailable(kernel)) continue;
        const MomentRowFill fill = FindMomentRowFill(kernel);
        const double rows[] = {1.0 + 0x1p-52, 0x1p53, -3.0, 0x1p53};
        const double shift[] = {-1.0, -0.5};
        double hi[16] = {}, lo[16] = {}, most[2] = {0.0, 0.0};
        std::uint64_t bits[2] = {0, 0};
        fill(rows, 2, 2, 2, 8, shift, hi, lo, bits, most);
        EXPECT_EQ(hi[0], 0x1p-52);
        EXPECT_EQ(lo[0], 0.0);
        EXPECT_EQ(hi[1], 0x1p53);  // 2^53 - 0.5 rounds to even: 2^53
        EXPECT_EQ(lo[1], -0.5);
        EXPECT_EQ(hi[8], -4.0);
        EXPECT_EQ(lo[8], 0.0);
        EXPECT_EQ(hi[9], 0x1p53);
        EXPECT_EQ(lo[9], -0.5);
        EXPECT_EQ(bits[0], 0u);
        EXPECT_NE(bits[1], 0u);
        EXPECT_EQ(most[0], 4.0);
        EXPECT_EQ(most[1], 0x1p53);
    }
}

}  // namespace
