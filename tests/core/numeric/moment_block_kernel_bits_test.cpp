// The block kernels' sums, bit for bit, against a frozen copy of the
// kernel as it stood before any tuning: every column count from 1 to 25,
// block lengths that are not multiples of a vector, values over many
// magnitudes, with and without rounding errors. A change in the order of
// any lane's operations shows here.
#ifdef __clang__
#pragma clang fp contract(off)
#elif defined(__GNUC__)
#pragma GCC optimize("fp-contract=off")
#endif

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "core/numeric/moment_kernels.h"
#include "core/numeric/moment_matrix.h"

namespace {

// The kernel's definition, kept here unchanged.
void ReferenceBlockSums(const double* hi, const double* lo, const unsigned char* hasLo, const double* scale, int cols,
                        int width, int len, double* sOut, double* cOut) {
    for (int i = 0; i < cols; ++i) {
        for (int j = 0; j <= i; ++j) {
            const bool withLo = hasLo[i] || hasLo[j];
            const double g = std::min(scale[i] * scale[j], 0x1p1023);
            double s = 0.0, c = 0.0;
            for (int t = 0; t < len; ++t) {
                const double a = hi[t * width + i], b = hi[t * width + j];
                const double p = a * b;
                const double e = std::fma(a, b, -p);
                const double q = (g + p) - g;
                const double r = p - q;
                s = s + q;
                double u = r + e;
                if (withLo) {
                    u = std::fma(a, lo[t * width + j], u);
                    u = std::fma(lo[t * width + i], b, u);
                }
                c = c + u;
            }
            sOut[i * width + j] = s;
            cOut[i * width + j] = c;
        }
    }
}

// 64-byte aligned doubles, zero-filled.
struct Aligned {
    explicit Aligned(std::size_t count) : storage(count + 8, 0.0) {
        const auto address = reinterpret_cast<std::uintptr_t>(storage.data());
        data = storage.data() + ((64 - address % 64) % 64) / sizeof(double);
    }
    std::vector<double> storage;
    double* data;
};

enum class LoPattern { None, Every, EveryThird, OnlyLast };

struct Block {
    int width, len;
    Aligned hi, lo, scale;
    std::vector<unsigned char> hasLo;
    Block(int cols, int len)
        : width((cols + 7) / 8 * 8),
          len(len),
          hi(static_cast<std::size_t>(kMomentBlockRows) * width),
          lo(static_cast<std::size_t>(kMomentBlockRows) * width),
          scale(static_cast<std::size_t>(width)),
          hasLo(static_cast<std::size_t>(width), 0) {}
};

// Column j spans magnitudes 2^-300 .. 2^300 by column and row; some rows
// are exact zeros, some columns carry errors a few ulps below their values.
Block MakeBlock(int cols, int len, LoPattern pattern, unsigned seed) {
    Block b(cols, len);
    std::mt19937_64 gen(seed);
    std::normal_distribution<double> normal(0.0, 1.0);
    std::uniform_int_distribution<int> jitter(-30, 30);
    for (int j = 0; j < cols; ++j)
        b.hasLo[j] = pattern == LoPattern::Every || (pattern == LoPattern::EveryThird && j % 3 == 1) ||
                     (pattern == LoPattern::OnlyLast && j == cols - 1);
    for (int t = 0; t < len; ++t)
        for (int j = 0; j < cols; ++j) {
            const int power = ((j * 37) % 61 - 30) * 10 / (j % 4 == 0 ? 1 : 10) + jitter(gen) / 3;
            double v = normal(gen) * std::ldexp(1.0, power);
            if ((t * 7 + j) % 11 == 0) v = 0.0;
            b.hi.data[t * b.width + j] = v;
            if (b.hasLo[j]) b.lo.data[t * b.width + j] = v * normal(gen) * 0x1p-53;
        }
    for (int j = 0; j < b.width; ++j) b.scale.data[j] = 1.0;
    for (int j = 0; j < cols; ++j) {
        double most = 0.0;
        for (int t = 0; t < len; ++t) most = std::max(most, std::fabs(b.hi.data[t * b.width + j]));
        b.scale.data[j] = MomentColumnScale(most);
    }
    return b;
}

TEST(MomentBlockKernelBits, EveryKernelMatchesTheFrozenReferenceForEveryShape) {
    const int lengths[] = {1, 3, 7, 9, 31, 33, 63, 64};
    const LoPattern patterns[] = {LoPattern::None, LoPattern::Every, LoPattern::EveryThird, LoPattern::OnlyLast};
    int compared = 0;
    for (int cols = 1; cols <= 25; ++cols)
        for (const int len : lengths)
            for (const LoPattern pattern : patterns) {
                const Block b = MakeBlock(cols, len, pattern, 1000u * cols + 10u * len + static_cast<unsigned>(pattern));
                const std::size_t square = static_cast<std::size_t>(b.width) * b.width;
                std::vector<double> sWant(square), cWant(square);
                ReferenceBlockSums(b.hi.data, b.lo.data, b.hasLo.data(), b.scale.data, cols, b.width, len,
                                   sWant.data(), cWant.data());
                for (MomentKernel kernel :
                     {MomentKernel::Portable, MomentKernel::Automatic, MomentKernel::Avx2, MomentKernel::Avx512}) {
                    const MomentBlockKernel run = FindMomentKernel(kernel);
                    if (run == nullptr) continue;
                    Aligned s(square), c(square);
                    run(b.hi.data, b.lo.data, b.hasLo.data(), b.scale.data, cols, b.width, len, s.data, c.data);
                    const std::string where = "kernel " + std::to_string(static_cast<int>(kernel)) + " cols " +
                                              std::to_string(cols) + " len " + std::to_string(len) + " lo " +
                                              std::to_string(static_cast<int>(pattern));
                    for (int i = 0; i < cols; ++i)
                        for (int j = 0; j <= i; ++j) {
                            const std::size_t e = static_cast<std::size_t>(i) * b.width + j;
                            ASSERT_EQ(std::memcmp(&s.data[e], &sWant[e], 8), 0) << "s " << i << "," << j << " " << where;
                            ASSERT_EQ(std::memcmp(&c.data[e], &cWant[e], 8), 0) << "c " << i << "," << j << " " << where;
                            ++compared;
                        }
                }
            }
    EXPECT_GT(compared, 0);
}

// The sums are not trivially equal: the rounding errors reach c, and the
// products of the smallest and largest columns stay apart from zero.
TEST(MomentBlockKernelBits, TheShapesExerciseBothSums) {
    const Block b = MakeBlock(25, 33, LoPattern::Every, 7);
    const std::size_t square = static_cast<std::size_t>(b.width) * b.width;
    std::vector<double> sNone(square), cNone(square), sWith(square), cWith(square);
    std::vector<unsigned char> none(b.hasLo.size(), 0);
    ReferenceBlockSums(b.hi.data, b.lo.data, none.data(), b.scale.data, 25, b.width, 33, sNone.data(), cNone.data());
    ReferenceBlockSums(b.hi.data, b.lo.data, b.hasLo.data(), b.scale.data, 25, b.width, 33, sWith.data(),
                       cWith.data());
    int cDiffers = 0, nonZero = 0;
    for (int i = 0; i < 25; ++i)
        for (int j = 0; j <= i; ++j) {
            const std::size_t e = static_cast<std::size_t>(i) * b.width + j;
            cDiffers += cNone[e] != cWith[e];
            nonZero += sWith[e] != 0.0;
        }
    EXPECT_GT(cDiffers, 100);
    EXPECT_GT(nonZero, 250);
}

}  // namespace
