// Moments of separate columns give, for every kernel and thread count, the
// bits of the portable kernel on the same values as rows (column counts
// around the vector width, block edges, sizes at both ends of the range),
// and the design filled on the way holds every value.
#include <gtest/gtest.h>

#include <cstring>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "core/numeric/moment_matrix.h"
#include "core/numeric/thread_pool.h"

namespace {

// k columns of n values: offset noise, or (extremes) values near 2^1021,
// subnormal, tiny, zero, +-0 and 1e15 columns in turn.
std::vector<std::vector<double>> Columns(int n, int k, bool extremes) {
    std::mt19937_64 gen(11u + static_cast<unsigned>(n * 31 + k));
    std::normal_distribution<double> normal(0.0, 1.0);
    std::vector<std::vector<double>> c(static_cast<std::size_t>(k), std::vector<double>(n));
    const double by[] = {0x1p1021, 0x1p-1060, 1e-300, 0.0, -0.0, 1.0};
    for (int j = 0; j < k; ++j)
        for (double& v : c[j])
            v = !extremes ? (j % 2 ? 4e7 : -250.0) + normal(gen) * (j + 1)
                          : j % 6 == 5 ? 1e15 + normal(gen) : normal(gen) * by[j % 6];
    return c;
}

std::vector<const double*> Pointers(const std::vector<std::vector<double>>& c) {
    std::vector<const double*> p;
    for (const auto& v : c) p.push_back(v.data());
    return p;
}

TEST(MomentColumnFill, ColumnsGiveThePortableBitsOfTheRows) {
    const struct { int n, k; bool extremes; } shapes[] = {
        {1, 1, false},  {7, 3, false},   {65, 9, false},   {4097, 21, false}, {8200, 17, false},
        {63, 6, true},  {130, 13, true}, {4160, 24, true}, {5000, 30, false},
    };
    const std::size_t bytes = std::numeric_limits<long double>::digits == 64 ? 10 : sizeof(long double);
    for (const auto& s : shapes) {
        const auto columns = Columns(s.n, s.k, s.extremes);
        std::vector<double> rows(static_cast<std::size_t>(s.n) * s.k);
        for (int i = 0; i < s.n; ++i)
            for (int j = 0; j < s.k; ++j) rows[static_cast<std::size_t>(i) * s.k + j] = columns[j][i];
        LongMatrix portable, m;
        BuildMomentsFromRows(rows.data(), s.n, s.k, s.k, portable, nullptr, MomentKernel::Portable);
        for (MomentKernel kernel : {MomentKernel::Portable, MomentKernel::Avx2, MomentKernel::Avx512}) {
            for (int threads : {1, 3}) {
                if (!MomentKernelAvailable(kernel)) continue;
                ThreadPool pool(threads);
                BuildMomentsFromColumns(Pointers(columns).data(), s.n, s.k, m, &pool, kernel);
                ASSERT_EQ(m.Rows(), s.k + 1);
                for (int i = 0; i <= s.k; ++i)
                    for (int j = 0; j <= s.k; ++j)
                        ASSERT_EQ(std::memcmp(&m[i][j], &portable[i][j], bytes), 0)
                            << "n " << s.n << " k " << s.k << " kernel " << static_cast<int>(kernel) << " threads "
                            << threads << " at " << i << "," << j << ": " << m[i][j] << " vs " << portable[i][j];
            }
        }
    }
}

// With and without a gap after each design row; the gap is left alone.
TEST(MomentColumnFill, DesignHoldsEveryValue) {
    for (int k : {3, 9, 17}) {
        for (int gap : {0, 2}) {
            const int n = 130, stride = k + 1 + gap;
            const auto columns = Columns(n, k, false);
            std::vector<double> design(static_cast<std::size_t>(n) * stride, -7.0);
            LongMatrix m;
            BuildMomentsFromColumns(Pointers(columns).data(), n, k, m, nullptr, MomentKernel::Automatic, design.data(),
                                    stride);
            for (int i = 0; i < n; ++i)
                for (int j = 0; j < stride; ++j) {
                    const double expected = j < k ? columns[j][i] : j == k ? 1.0 : -7.0;
                    ASSERT_EQ(design[static_cast<std::size_t>(i) * stride + j], expected) << k << " " << gap << " " << i;
                }
        }
    }
}

}  // namespace
