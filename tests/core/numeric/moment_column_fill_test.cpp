// Moments of separate columns: every kernel, on any thread count, gives the
// bits of the portable kernel on the same values laid out as rows; column
// counts around the vector width, block and chunk edges, and sizes whose
// block scale lies at the ends of the double range.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "core/numeric/moment_matrix.h"
#include "core/numeric/thread_pool.h"

namespace {

bool SameBits(long double a, long double b) {
    const std::size_t bytes = std::numeric_limits<long double>::digits == 64 ? 10 : sizeof(long double);
    return std::memcmp(&a, &b, bytes) == 0;
}

enum class Values { Offset, Extremes, Integers };

// Column j of n values.
std::vector<std::vector<double>> MakeColumns(Values kind, int n, int k, unsigned seed) {
    std::mt19937_64 gen(seed);
    std::normal_distribution<double> normal(0.0, 1.0);
    std::vector<std::vector<double>> c(static_cast<std::size_t>(k), std::vector<double>(static_cast<std::size_t>(n)));
    for (int j = 0; j < k; ++j)
        for (int i = 0; i < n; ++i) {
            double& v = c[static_cast<std::size_t>(j)][static_cast<std::size_t>(i)];
            switch (kind) {
                case Values::Offset:
                    v = (j % 2 ? 4e7 : -250.0) + normal(gen) * (j + 1);
                    break;
                case Values::Extremes:
                    // Near the top of the range (the scale is no finite
                    // power), subnormal, tiny, zero and -0 columns.
                    switch (j % 6) {
                        case 0: v = normal(gen) * 0x1p1021; break;
                        case 1: v = normal(gen) * 0x1p-1060; break;
                        case 2: v = normal(gen) * 1e-300; break;
                        case 3: v = 0.0; break;
                        case 4: v = i % 3 == 0 ? -0.0 : normal(gen); break;
                        default: v = 1e15 + normal(gen); break;
                    }
                    break;
                case Values::Integers:
                    v = static_cast<double>(static_cast<int>(normal(gen) * 9.0));
                    break;
            }
        }
    return c;
}

struct Shape {
    Values kind;
    int n, k;
};

const Shape kShapes[] = {
    {Values::Offset, 1, 1},      {Values::Offset, 7, 3},       {Values::Offset, 64, 8},
    {Values::Offset, 65, 9},     {Values::Offset, 4097, 21},   {Values::Offset, 8200, 17},
    {Values::Extremes, 63, 6},   {Values::Extremes, 130, 13},  {Values::Extremes, 4160, 24},
    {Values::Integers, 100, 16}, {Values::Integers, 4096, 2},  {Values::Integers, 5000, 30},
};

TEST(MomentColumnFill, ColumnsGiveThePortableBitsOfTheRowsOnAnyThreadCount) {
    for (const Shape& s : kShapes) {
        const auto columns = MakeColumns(s.kind, s.n, s.k, 11u + static_cast<unsigned>(s.n * 31 + s.k));
        std::vector<const double*> pointers;
        for (const auto& c : columns) pointers.push_back(c.data());
        std::vector<double> rows(static_cast<std::size_t>(s.n) * s.k);
        for (int i = 0; i < s.n; ++i)
            for (int j = 0; j < s.k; ++j)
                rows[static_cast<std::size_t>(i) * s.k + j] = columns[static_cast<std::size_t>(j)][static_cast<std::size_t>(i)];
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
                for (int i = 0; i <= s.k; ++i)
                    for (int j = 0; j <= s.k; ++j)
                        ASSERT_TRUE(SameBits(m[i][j], portable[i][j]))
                            << what << " at " << i << "," << j << ": " << m[i][j] << " vs " << portable[i][j];
            }
        }
    }
}

// The extremes above reach every kind of block scale; the moments stay
// finite where the values are, so the comparison above compares numbers.
TEST(MomentColumnFill, ExtremeColumnsGiveFiniteMoments) {
    const auto columns = MakeColumns(Values::Extremes, 300, 6, 5u);
    std::vector<const double*> pointers;
    for (const auto& c : columns) pointers.push_back(c.data());
    LongMatrix m;
    BuildMomentsFromColumns(pointers.data(), 300, 6, m);
    for (int i = 0; i <= 6; ++i)
        for (int j = 0; j <= 6; ++j) EXPECT_TRUE(std::isfinite(m[i][j])) << i << "," << j;
    EXPECT_GT(m[0][0], 0x1p2040L);  // 300 values of spread near 2^1021
    EXPECT_EQ(m[3][3], 0.0L);       // the zero column
}

}  // namespace
