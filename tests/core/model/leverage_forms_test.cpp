// The block forms of the leverage and influence passes: small cases by
// hand, then the path the processor runs (AVX-512 where it has it) against
// the portable one, bit for bit, over lengths that end inside a vector and
// shapes that leave rows over; nothing is written past the block's length.
#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <vector>

#include "core/model/leverage_forms.h"

namespace {

constexpr double kUntouched = -7.25;

bool SameBits(const std::vector<double>& a, const std::vector<double>& b) {
    return a.size() == b.size() && std::memcmp(a.data(), b.data(), a.size() * sizeof(double)) == 0;
}

TEST(LeverageForms, SmallCasesByHand) {
    // Q packed: 2 v0^2 + 2 v0 v1 + 3 v1^2 at v = (1, 2) is 18, at (-1, 0.5) is 1.75.
    const double q[4] = {2.0, 2.0, 0.0, 3.0};
    std::vector<double> v(2 * kLeverageBlock, 0.0);
    v[0] = 1.0, v[1] = -1.0;
    v[kLeverageBlock] = 2.0, v[kLeverageBlock + 1] = 0.5;
    double out[2] = {};
    QuadraticForm(q, 2, v.data(), 2, out);
    EXPECT_EQ(out[0], 18.0);
    EXPECT_EQ(out[1], 1.75);

    // C = [[1, 2], [3, 4]] times the columns (1, 1) and (2, -1).
    const double c[4] = {1.0, 2.0, 3.0, 4.0};
    const double x[4] = {1.0, 2.0, 1.0, -1.0};  // stride 2
    double y[4] = {};
    MatrixProduct(c, 2, x, 2, 2, y);
    EXPECT_EQ(y[0], 3.0);
    EXPECT_EQ(y[1], 0.0);
    EXPECT_EQ(y[2], 7.0);
    EXPECT_EQ(y[3], 2.0);

    // Rows (10, 5, 1) and (12, 7, 1); columns 1 then 0 about 6.5 and 10.75
    // given as high and low parts.
    const double rows[6] = {10.0, 5.0, 1.0, 12.0, 7.0, 1.0};
    const int cols[2] = {1, 0};
    const double hi[2] = {6.0, 11.0}, lo[2] = {0.5, -0.25};
    double centred[4] = {};
    CentreRows(rows, 3, cols, hi, lo, 2, 2, 2, centred, 2);
    EXPECT_EQ(centred[0], -1.5);
    EXPECT_EQ(centred[1], 0.5);
    EXPECT_EQ(centred[2], -0.75);
    EXPECT_EQ(centred[3], 1.25);
}

TEST(LeverageForms, EveryPathGivesTheSameBits) {
    struct Case {
        int p, len;
    };
    const Case cases[] = {{1, 1},  {2, 7},  {3, 8},  {4, 9},   {5, 31},  {7, 32},  {8, 33},
                          {9, 40}, {13, 63}, {20, 64}, {21, 57}, {6, 24}, {20, 5}, {11, 0}};
    std::mt19937_64 gen(314);
    // Large values of both signs: a fused multiply-add or another order of
    // sums would change the last bits.
    std::uniform_real_distribution<double> uniform(-1e4, 1e4);
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << "p " << c.p << " len " << c.len);
        const int p = c.p;
        std::vector<double> q(static_cast<std::size_t>(p) * p), v(static_cast<std::size_t>(p) * kLeverageBlock);
        for (double& x : q) x = uniform(gen);
        for (double& x : v) x = uniform(gen) / 3.0;
        std::vector<double> fast(kLeverageBlock, kUntouched), portable(kLeverageBlock, kUntouched);
        QuadraticForm(q.data(), p, v.data(), c.len, fast.data());
        QuadraticFormPortable(q.data(), p, v.data(), c.len, portable.data());
        EXPECT_TRUE(SameBits(fast, portable)) << "quadratic form";
        for (int t = c.len; t < kLeverageBlock; ++t) EXPECT_EQ(fast[static_cast<std::size_t>(t)], kUntouched);

        const int stride = 128;
        std::vector<double> w(static_cast<std::size_t>(p) * stride);
        for (double& x : w) x = uniform(gen);
        std::vector<double> product(w.size(), kUntouched), productPortable(w.size(), kUntouched);
        MatrixProduct(q.data(), p, w.data(), stride, c.len, product.data());
        MatrixProductPortable(q.data(), p, w.data(), stride, c.len, productPortable.data());
        EXPECT_TRUE(SameBits(product, productPortable)) << "matrix product";
        for (int s = 0; s < p; ++s)
            for (int t = c.len; t < stride; ++t) EXPECT_EQ(product[static_cast<std::size_t>(s) * stride + t], kUntouched);

        // Rows of p + 3 values, p of them taken in a scattered order.
        const int rowStride = p + 3;
        std::vector<double> rows(static_cast<std::size_t>(c.len + 1) * rowStride), hi(p), lo(p);
        for (double& x : rows) x = 1e5 + uniform(gen);
        std::vector<int> cols(p);
        for (int s = 0; s < p; ++s) {
            cols[static_cast<std::size_t>(s)] = (s * 7 + 2) % rowStride;
            hi[static_cast<std::size_t>(s)] = 1e5 + uniform(gen) / 100.0;
            lo[static_cast<std::size_t>(s)] = uniform(gen) * 1e-13;
        }
        std::vector<double> centred(static_cast<std::size_t>(p) * stride, kUntouched), centredPortable(centred);
        CentreRows(rows.data(), rowStride, cols.data(), hi.data(), lo.data(), p, c.len, c.len + 1, centred.data(), stride);
        CentreRowsPortable(rows.data(), rowStride, cols.data(), hi.data(), lo.data(), p, c.len, centredPortable.data(),
                           stride);
        EXPECT_TRUE(SameBits(centred, centredPortable)) << "centred rows";
    }
}

}  // namespace
