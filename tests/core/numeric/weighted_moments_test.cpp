// Weighted sums about a constant-like column against exact rational sums of
// the stored doubles (Python fractions, 40 digits): the centres, the
// centred cross-products and 1 / sum w c^2, with the column of ones and with
// a filtered constant; the plain sums without one; the same bits on any
// number of threads.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <vector>

#include "core/numeric/thread_pool.h"
#include "core/numeric/weighted_moments.h"

namespace {

// x1 near 1e8 with a spread of a few units, x2, y.
const std::vector<double> kX1 = {1e8 + 1, 1e8 + 3, 1e8 + 2, 1e8 + 6, 1e8 + 4};
const std::vector<double> kX2 = {0.5, -1.25, 2.0, 0.75, -0.5};
const std::vector<double> kY = {3.1, 2.7, 4.4, 5.9, 3.3};
const std::vector<double> kWeights = {1.0, 2.0, 0.5, 1.0, 3.0};

struct Expected {
    std::vector<double> centres;
    double inverse;
    std::vector<std::vector<double>> centred;
};

// Sums over x1, x2, y and the constant's column after them.
void ExpectSums(const WeightedSums& sums, const Expected& e, double rel) {
    const int q = static_cast<int>(e.centres.size());
    ASSERT_EQ(sums.m.Rows(), q + 1);
    for (int j = 0; j < q; ++j) {
        EXPECT_NEAR(static_cast<double>(sums.m[q][j]), e.centres[j], rel * std::fabs(e.centres[j])) << j;
        EXPECT_EQ(sums.m[j][q], -sums.m[q][j]) << j;
        for (int l = 0; l < q; ++l)
            EXPECT_NEAR(static_cast<double>(sums.m[j][l]), e.centred[j][l], rel * std::fabs(e.centred[j][l]))
                << j << "," << l;
    }
    EXPECT_NEAR(static_cast<double>(sums.m[q][q]), e.inverse, rel * e.inverse);
}

// Observation-major rows of the columns.
std::vector<double> RowsOf(const std::vector<const std::vector<double>*>& cols) {
    std::vector<double> rows;
    for (std::size_t t = 0; t < cols.front()->size(); ++t)
        for (const auto* c : cols) rows.push_back((*c)[t]);
    return rows;
}

TEST(WeightedSums, AboutTheColumnOfOnes) {
    const std::vector<double> ones(5, 1.0);
    const std::vector<double> rows = RowsOf({&kX1, &kX2, &kY, &ones});
    WeightedSums sums;
    BuildWeightedSums(5, {{rows.data(), 4, 4}}, 3, kWeights.data(), sums);
    // The weights' roots are rounded: sum w c^2 differs from 7.5 in its
    // last bits, and every sum with it.
    ExpectSums(sums,
               {{100000003.46666667, -0.23333333333333333, 3.5333333333333334},
                0.13333333333333333,
                {{14.866666666666667, -0.43333333333333333, 6.8333333333333333},
                 {-0.43333333333333333, 6.2791666666666667, 4.8583333333333339},
                 {6.8333333333333333, 4.8583333333333339, 7.7166666666666682}}},
               1e-14);
}

// An AR filter's constant (0.8 for the first row, 1 - phi after it), the
// columns in two pieces: the filtered x1 and x2, then y and the constant.
TEST(WeightedSums, AboutAFilteredConstant) {
    const std::vector<double> filtered = {0.8e8 + 0.8, 0.5e8 + 2.5, 0.5e8 + 0.5, 0.5e8 + 5, 0.5e8 + 1};
    const std::vector<double> c = {0.8, 0.5, 0.5, 0.5, 0.5};
    const std::vector<double> first = RowsOf({&filtered, &kX2}), second = RowsOf({&kY, &c});
    WeightedSums sums;
    BuildWeightedSums(5, {{first.data(), 2, 2}, {second.data(), 2, 2}}, 3, nullptr, sums);
    ExpectSums(sums,
               {{100000003.13414634, 0.54878048780487804, 6.4817073170731708},
                0.60975609756097558,
                {{17.030487830218474, -1.2957317077695807, 10.914024405719663},
                 {-1.2957317077695807, 6.1310975609756098, 3.916463414634147},
                 {10.914024405719663, 3.916463414634147, 13.059451219512198}}},
               1e-13);
}

TEST(WeightedSums, WithoutAConstantThePlainSums) {
    const std::vector<double> rows = RowsOf({&kX1, &kX2, &kY});
    WeightedSums sums;
    BuildWeightedSums(5, {{rows.data(), 3, 3}}, -1, kWeights.data(), sums);
    const double plain[3][3] = {{7.5000005200000105e+16, -175000006.5, 2.6500000987e+9},
                                {-175000006.5, 6.6875, -1.3249999999999995},
                                {2.6500000987e+9, -1.3249999999999995, 101.35}};
    ASSERT_EQ(sums.m.Rows(), 3);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(sums.spread[i], sums.m[i][i]);
        for (int j = 0; j < 3; ++j)
            EXPECT_NEAR(static_cast<double>(sums.m[i][j]), plain[i][j], 1e-14 * std::fabs(plain[i][j])) << i << j;
    }
}

// A column proportional to the constant's is nothing about it: what is
// left of its sum is rounding.
TEST(WeightedSums, AMultipleOfTheConstantLeavesNothing) {
    const std::vector<double> c = {0.8, 0.5, 0.5, 0.5, 0.5};
    std::vector<double> scaled;
    for (double v : c) scaled.push_back(1954.0 * v);
    const std::vector<double> rows = RowsOf({&scaled, &kY, &c});
    WeightedSums sums;
    BuildWeightedSums(5, {{rows.data(), 3, 3}}, 2, kWeights.data(), sums);
    EXPECT_NEAR(static_cast<double>(sums.m[2][0]), 1954.0, 1e-12);
    EXPECT_LE(std::fabs(sums.m[0][0]), 1e-15L * 1954.0L * 1954.0L);
}

TEST(WeightedSums, TheSameBitsOnAnyNumberOfThreads) {
    const long long n = 20000;
    std::vector<double> rows(static_cast<std::size_t>(n) * 3), weights(static_cast<std::size_t>(n));
    for (long long t = 0; t < n; ++t) {
        rows[t * 3] = 1.0;
        rows[t * 3 + 1] = 1947.0 + static_cast<double>(t % 16) + 0.001 * static_cast<double>(t % 7);
        rows[t * 3 + 2] = 60000.0 + 37.0 * std::sin(0.1 * static_cast<double>(t));
        weights[t] = 1.0 + static_cast<double>(t % 3);
    }
    WeightedSums one, four;
    ThreadPool pool(4);
    BuildWeightedSums(n, {{rows.data(), 3, 3}}, 0, weights.data(), one);
    BuildWeightedSums(n, {{rows.data(), 3, 3}}, 0, weights.data(), four, &pool);
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) EXPECT_EQ(std::memcmp(&one.m[i][j], &four.m[i][j], 10), 0) << i << "," << j;
}

}  // namespace
