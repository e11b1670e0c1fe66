// Moments of separate columns give, for every kernel and thread count, the
// bits of the portable kernel on the same values as rows: column counts
// around the vector width, block edges, and sizes at both ends of the range.
#include <gtest/gtest.h>

#include <cstring>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "core/numeric/moment_matrix.h"
#include "core/numeric/thread_pool.h"

namespace {

// Column j, row i: offset noise, or (extremes) values near 2^1021, subnormal,
// tiny, zero, -0 and 1e15 columns in turn.
double Value(bool extremes, int j, int i, std::mt19937_64& gen) {
    const double z = std::normal_distribution<double>(0.0, 1.0)(gen);
    if (!extremes) return (j % 2 ? 4e7 : -250.0) + z * (j + 1);
    const double by[] = {0x1p1021, 0x1p-1060, 1e-300, 0.0, i % 3 == 0 ? -0.0 : 1.0, 1.0};
    return j % 6 == 5 ? 1e15 + z : z * by[j % 6];
}

TEST(MomentColumnFill, ColumnsGiveThePortableBitsOfTheRows) {
    const struct { bool extremes; int n, k; } shapes[] = {
        {false, 1, 1}, {false, 7, 3},  {false, 65, 9},  {false, 4097, 21}, {false, 8200, 17},
        {true, 63, 6}, {true, 130, 13}, {true, 4160, 24}, {false, 5000, 30},
    };
    for (const auto& s : shapes) {
        std::mt19937_64 gen(11u + static_cast<unsigned>(s.n * 31 + s.k));
        std::vector<std::vector<double>> columns(static_cast<std::size_t>(s.k), std::vector<double>(s.n));
        std::vector<double> rows(static_cast<std::size_t>(s.n) * s.k);
        std::vector<const double*> pointers;
        for (int j = 0; j < s.k; ++j) {
            for (int i = 0; i < s.n; ++i)
                columns[j][i] = rows[static_cast<std::size_t>(i) * s.k + j] = Value(s.extremes, j, i, gen);
            pointers.push_back(columns[j].data());
        }
        LongMatrix portable;
        BuildMomentsFromRows(rows.data(), s.n, s.k, s.k, portable, nullptr, MomentKernel::Portable);
        for (MomentKernel kernel : {MomentKernel::Portable, MomentKernel::Avx2, MomentKernel::Avx512}) {
            if (!MomentKernelAvailable(kernel)) continue;
            for (int threads : {1, 3}) {
                ThreadPool pool(threads);
                LongMatrix m;
                BuildMomentsFromColumns(pointers.data(), s.n, s.k, m, &pool, kernel);
                const std::string what = "n " + std::to_string(s.n) + " k " + std::to_string(s.k) + " kernel " +
                                         std::to_string(static_cast<int>(kernel)) + " threads " +
                                         std::to_string(threads);
                ASSERT_EQ(m.Rows(), s.k + 1) << what;
                // The x87 format's padding is not compared.
                const std::size_t bytes = std::numeric_limits<long double>::digits == 64 ? 10 : sizeof(long double);
                for (int i = 0; i <= s.k; ++i)
                    for (int j = 0; j <= s.k; ++j)
                        ASSERT_EQ(std::memcmp(&m[i][j], &portable[i][j], bytes), 0)
                            << what << " at " << i << "," << j << ": " << m[i][j] << " vs " << portable[i][j];
            }
        }
    }
}

// The design filled on the way holds every value and 1.0 after them, with
// and without a gap after each row; the gap is left alone.
TEST(MomentColumnFill, DesignHoldsEveryValue) {
    for (int k : {3, 9, 17}) {
        for (int gap : {0, 2}) {
            const int n = 130, stride = k + 1 + gap;
            std::mt19937_64 gen(static_cast<unsigned>(k + gap));
            std::vector<std::vector<double>> columns(static_cast<std::size_t>(k), std::vector<double>(n));
            std::vector<const double*> pointers;
            for (int j = 0; j < k; ++j) {
                for (int i = 0; i < n; ++i) columns[j][i] = Value(false, j, i, gen);
                pointers.push_back(columns[j].data());
            }
            std::vector<double> design(static_cast<std::size_t>(n) * stride, -7.0);
            LongMatrix m;
            BuildMomentsFromColumns(pointers.data(), n, k, m, nullptr, MomentKernel::Automatic, design.data(), stride);
            for (int i = 0; i < n; ++i)
                for (int j = 0; j < stride; ++j)
                    ASSERT_EQ(design[static_cast<std::size_t>(i) * stride + j],
                              j < k ? columns[j][i] : j == k ? 1.0 : -7.0)
                        << "k " << k << " gap " << gap << " at " << i << "," << j;
        }
    }
}

}  // namespace
