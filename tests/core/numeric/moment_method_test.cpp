// The moment method: every kernel and any thread count give the same bits,
// data fed in pieces give the same bits as all at once, and sums over
// several chunks match exact rational sums of the stored doubles (Python
// fractions, 40 digits).
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <random>
#include <vector>

#include "core/numeric/moment_kernels.h"
#include "core/numeric/moment_matrix.h"
#include "core/numeric/regression_moments.h"
#include "core/numeric/thread_pool.h"

namespace {

// Raw bits of a long double, without the padding of the x87 format.
bool SameBits(long double a, long double b) {
    const std::size_t bytes = std::numeric_limits<long double>::digits == 64 ? 10 : sizeof(long double);
    return std::memcmp(&a, &b, bytes) == 0;
}

void ExpectSameBits(const LongMatrix& a, const LongMatrix& b, const std::string& what) {
    ASSERT_EQ(a.Rows(), b.Rows()) << what;
    ASSERT_EQ(a.Cols(), b.Cols()) << what;
    for (int i = 0; i < a.Rows(); ++i)
        for (int j = 0; j < a.Cols(); ++j)
            ASSERT_TRUE(SameBits(a[i][j], b[i][j])) << what << " at " << i << "," << j << ": " << a[i][j] << " vs "
                                                    << b[i][j];
}

// Row-major data of awkward kinds, n rows of k columns.
enum class Kind { OffsetNoise, MixedMagnitudes, SmallIntegers, ConstantAndEqual };

std::vector<double> MakeRows(Kind kind, int n, int k, unsigned seed) {
    std::mt19937_64 gen(seed);
    std::normal_distribution<double> normal(0.0, 1.0);
    std::uniform_int_distribution<int> power(-60, 60), small(-9, 9);
    std::vector<double> x(static_cast<std::size_t>(n) * k);
    for (int i = 0; i < n; ++i)
        for (int j = 0; j < k; ++j) {
            double& v = x[static_cast<std::size_t>(i) * k + j];
            switch (kind) {
                case Kind::OffsetNoise:
                    v = (j % 2 ? 1e8 : -3e5) + normal(gen) * (j + 1);
                    break;
                case Kind::MixedMagnitudes:
                    v = normal(gen) * std::ldexp(1.0, power(gen)) + (j % 3 == 0 ? 1e10 : 0.0);
                    break;
                case Kind::SmallIntegers:  // deviations exact: no rounding errors carried
                    v = small(gen);
                    break;
                case Kind::ConstantAndEqual:  // a constant, a copy, a -0
                    v = j == 0 ? 0.1 : j == 1 ? -0.0 : j % 2 ? x[static_cast<std::size_t>(i) * k + j - 1] : normal(gen);
                    break;
            }
        }
    return x;
}

struct Case {
    Kind kind;
    int n, k;
};

// n around the block and chunk sizes, k around the vector widths.
const Case kCases[] = {
    {Kind::OffsetNoise, 8229, 20},    {Kind::OffsetNoise, 37, 7},         {Kind::MixedMagnitudes, 4160, 9},
    {Kind::MixedMagnitudes, 63, 4},   {Kind::SmallIntegers, 4097, 8},     {Kind::SmallIntegers, 65, 3},
    {Kind::ConstantAndEqual, 200, 6}, {Kind::ConstantAndEqual, 4096, 13}, {Kind::OffsetNoise, 1, 1},
};

TEST(MomentMethod, EveryKernelGivesThePortableBits) {
    for (const Case& c : kCases) {
        const std::vector<double> x = MakeRows(c.kind, c.n, c.k, 7u + c.n);
        LongMatrix portable;
        BuildMomentsFromRows(x.data(), c.n, c.k, c.k, portable, nullptr, MomentKernel::Portable);
        for (MomentKernel kernel : {MomentKernel::Automatic, MomentKernel::Avx2, MomentKernel::Avx512}) {
            if (!MomentKernelAvailable(kernel)) continue;
            LongMatrix m;
            BuildMomentsFromRows(x.data(), c.n, c.k, c.k, m, nullptr, kernel);
            ExpectSameBits(m, portable,
                           "kernel " + std::to_string(static_cast<int>(kernel)) + " n " + std::to_string(c.n));
        }
    }
}

// The block sums themselves (s and c, before any rounding to long double),
// entry by entry: the lo terms are far below the last bit of the result,
// so only here does a change in their order show.
TEST(MomentMethod, EveryBlockKernelGivesThePortableSumsEntryByEntry) {
    std::mt19937_64 gen(99);
    std::normal_distribution<double> normal(0.0, 1.0);
    struct Block {
        int cols, len, loPattern;  // 0 none, 1 every column, 2 every third
    };
    const Block blocks[] = {{1, 1, 1}, {3, 17, 2}, {4, 64, 0}, {5, 64, 1}, {8, 33, 2}, {9, 64, 1}, {21, 64, 2}, {21, 5, 0}};
    for (const Block& b : blocks) {
        const int width = (b.cols + 7) / 8 * 8;
        std::vector<double> hi(static_cast<std::size_t>(kMomentBlockRows) * width, 0.0), lo(hi.size(), 0.0);
        std::vector<unsigned char> hasLo(static_cast<std::size_t>(width), 0);
        for (int j = 0; j < b.cols; ++j) hasLo[j] = b.loPattern == 1 || (b.loPattern == 2 && j % 3 == 0);
        for (int t = 0; t < b.len; ++t)
            for (int j = 0; j < b.cols; ++j) {
                hi[t * width + j] = normal(gen) * std::ldexp(1.0, (j * 7) % 40 - 20);
                if (hasLo[j]) lo[t * width + j] = hi[t * width + j] * normal(gen) * 0x1p-54;
            }
        const std::size_t square = static_cast<std::size_t>(width) * width;
        std::vector<double> s0(square), c0(square), scale(static_cast<std::size_t>(width), 1.0);
        for (int j = 0; j < b.cols; ++j) {
            double most = 0.0;
            for (int t = 0; t < b.len; ++t) most = std::max(most, std::fabs(hi[t * width + j]));
            scale[j] = MomentColumnScale(most);
        }
        MomentBlockPortable(hi.data(), lo.data(), hasLo.data(), scale.data(), b.cols, width, b.len, s0.data(),
                            c0.data());
        for (MomentKernel kernel : {MomentKernel::Avx2, MomentKernel::Avx512}) {
            const MomentBlockKernel run = FindMomentKernel(kernel);
            if (run == nullptr) continue;
            std::vector<double> s(square), c(square);
            // Aligned copies: the vector kernels load whole rows.
            std::vector<double> buffer(2 * hi.size() + width + 8);
            double* h = buffer.data() + (8 - reinterpret_cast<std::uintptr_t>(buffer.data()) / 8 % 8) % 8;
            double* l = h + hi.size();
            double* sc = l + hi.size();
            std::copy(hi.begin(), hi.end(), h);
            std::copy(lo.begin(), lo.end(), l);
            std::copy(scale.begin(), scale.end(), sc);
            std::vector<double> outBuffer(2 * square + 8);
            double* so = outBuffer.data() + (8 - reinterpret_cast<std::uintptr_t>(outBuffer.data()) / 8 % 8) % 8;
            double* co = so + square;
            run(h, l, hasLo.data(), sc, b.cols, width, b.len, so, co);
            for (int i = 0; i < b.cols; ++i)
                for (int j = 0; j <= i; ++j) {
                    const std::size_t e = static_cast<std::size_t>(i) * width + j;
                    EXPECT_EQ(std::memcmp(&so[e], &s0[e], 8), 0) << "s " << i << "," << j << " cols " << b.cols;
                    EXPECT_EQ(std::memcmp(&co[e], &c0[e], 8), 0) << "c " << i << "," << j << " cols " << b.cols;
                }
        }
    }
}

TEST(MomentMethod, ScaledDataGiveScaledMoments) {
    // Scaling by a power of two is exact all through, up to where the sums
    // near the top of the range; there they stay finite and close.
    const int n = 300, k = 3;
    std::mt19937_64 gen(4);
    std::uniform_real_distribution<double> uniform(-3.9, 3.9);
    std::vector<double> x(static_cast<std::size_t>(n) * k);
    for (double& v : x) v = uniform(gen);
    LongMatrix base;
    BuildMomentsFromRows(x.data(), n, k, k, base);
    struct Scale {
        int power;
        bool exact;
    };
    for (const Scale sc : {Scale{-400, true}, Scale{480, true}, Scale{506, false}}) {
        std::vector<double> y(x);
        for (double& v : y) v = std::ldexp(v, sc.power);
        LongMatrix m;
        BuildMomentsFromRows(y.data(), n, k, k, m);
        for (int i = 0; i <= k; ++i)
            for (int j = 0; j <= k; ++j) {
                const int power = i == k && j == k ? 0 : i == k || j == k ? sc.power : 2 * sc.power;
                const long double want = std::ldexp(base[i][j], power);
                if (sc.exact)
                    EXPECT_EQ(m[i][j], want) << sc.power << ": " << i << "," << j;
                else
                    EXPECT_NEAR(static_cast<double>(m[i][j] / want - 1), 0.0, 1e-15) << sc.power << ": " << i << "," << j;
            }
    }
}

TEST(MomentMethod, AnyThreadCountGivesTheSameBits) {
    const int n = 5 * kMomentChunkRows + 100, k = 11;
    const std::vector<double> x = MakeRows(Kind::OffsetNoise, n, k, 3);
    std::vector<std::vector<double>> columns(k, std::vector<double>(n));
    std::vector<const double*> pointers;
    for (int j = 0; j < k; ++j) {
        for (int i = 0; i < n; ++i) columns[j][i] = x[static_cast<std::size_t>(i) * k + j];
        pointers.push_back(columns[j].data());
    }
    LongMatrix alone;
    BuildMomentsFromRows(x.data(), n, k, k, alone);
    for (int threads : {1, 2, 4, 8}) {
        ThreadPool pool(threads);
        LongMatrix fromRows, fromColumns;
        BuildMomentsFromRows(x.data(), n, k, k, fromRows, &pool);
        BuildMomentsFromColumns(pointers.data(), n, k, fromColumns, &pool);
        ExpectSameBits(fromRows, alone, "rows on " + std::to_string(threads));
        ExpectSameBits(fromColumns, alone, "columns on " + std::to_string(threads));
    }
}

TEST(MomentMethod, RowsInPiecesGiveTheSameBits) {
    const int n = 2 * kMomentChunkRows + 300, k = 5;
    const std::vector<double> x = MakeRows(Kind::MixedMagnitudes, n, k, 11);
    LongMatrix whole;
    BuildMomentsFromRows(x.data(), n, k, k, whole);
    const long long count = MomentSampleCount(n);
    std::vector<double> sample(static_cast<std::size_t>(count) * k), shift(k);
    for (long long t = 0; t < count; ++t)
        std::copy_n(&x[static_cast<std::size_t>(MomentSampleRow(t, n)) * k], k, &sample[t * k]);
    MomentShiftFromSample(sample.data(), count, k, k, shift.data());
    for (int piece : {1, 63, 64, 65, 4097, n}) {
        MomentAccumulator sums(k, shift.data());
        for (int first = 0; first < n; first += piece)
            sums.Add(&x[static_cast<std::size_t>(first) * k], std::min(piece, n - first), k);
        EXPECT_EQ(sums.Count(), n);
        LongMatrix m;
        sums.Finish(m);
        ExpectSameBits(m, whole, "pieces of " + std::to_string(piece));
    }
}

TEST(MomentMethod, SeveralChunksMatchExactSums) {
    // Three chunks, the last one partial; two columns near 1e8 and 0.1.
    const int n = 9001;
    std::vector<double> x;
    for (int i = 0; i < n; ++i) {
        const double x0 = 1e8 + ((i * 7919) % 10007) * 1e-3;
        x.push_back(x0);
        x.push_back(((i * 104729) % 1009) * 0.37 - 150.0);
        x.push_back(1e-3 * ((i * 31) % 17) + x0 * 1e-9);
    }
    const long double means[3] = {100000005.0033849572181145411943703303800L, 36.53236973669592028645799152435954842696L,
                                  0.1080005604972189824766518693784731619764L};
    struct Entry {
        int a, b;
        long double value;
    };
    const Entry cross[] = {{0, 0, 75121.73544691074783221662355061053167422L},
                           {1, 0, -540.1235856526306771409231316886947789026L},
                           {1, 1, 104552203.9691535134954402812099805152131L},
                           {2, 0, 0.1375891972953015748835548723145937977349L},
                           {2, 1, -5.658672388807075921786518630410074902844L},
                           {2, 2, 0.2160749974976339642181511376642656354408L}};
    LongMatrix m;
    BuildMomentsFromRows(x.data(), n, 3, 3, m);
    for (const Entry& e : cross) {
        EXPECT_NEAR(static_cast<double>(m[e.a][e.b] / e.value - 1), 0.0, 1e-18) << e.a << "," << e.b;
        EXPECT_EQ(m[e.a][e.b], m[e.b][e.a]);
    }
    for (int j = 0; j < 3; ++j) {
        EXPECT_NEAR(static_cast<double>(m[3][j] / means[j] - 1), 0.0, 1e-19) << j;
        EXPECT_EQ(m[j][3], -m[3][j]);
    }
    EXPECT_EQ(m[3][3], 1.0L / n);
}

TEST(MomentMethod, DesignFromColumnsOnThreadsMatchesTheRowForm) {
    const int n = 3 * kMomentChunkRows + 5, k = 4, stride = 6;
    const std::vector<double> x = MakeRows(Kind::OffsetNoise, n, k, 5);
    std::vector<std::vector<double>> columns(k, std::vector<double>(n));
    std::vector<const double*> pointers;
    for (int j = 0; j < k; ++j) {
        for (int i = 0; i < n; ++i) columns[j][i] = x[static_cast<std::size_t>(i) * k + j];
        pointers.push_back(columns[j].data());
    }
    ThreadPool pool(4);
    std::vector<double> design(static_cast<std::size_t>(n) * stride, -7.0);
    LongMatrix fromColumns, fromDesign;
    BuildDesignFromColumns(pointers.data(), n, k, design.data(), stride, fromColumns, &pool);
    for (int i = 0; i < n; ++i) {
        for (int j = 0; j < k; ++j) ASSERT_EQ(design[static_cast<std::size_t>(i) * stride + j], columns[j][i]);
        ASSERT_EQ(design[static_cast<std::size_t>(i) * stride + k], 1.0);
        ASSERT_EQ(design[static_cast<std::size_t>(i) * stride + k + 1], -7.0);  // beyond the design: untouched
    }
    BuildDesignMoments(design.data(), n, stride, k, fromDesign);
    ExpectSameBits(fromColumns, fromDesign, "design");
}

TEST(MomentMethod, DesignWithoutGapsBetweenRowsHoldsEveryValue) {
    // Rows of k + 1 values one after the other, the design starting on
    // either half of a 16-byte pair, any count of observations: every value
    // in place, nothing written before or after it, the same moments.
    struct Case {
        int n;
        std::size_t offset;
    };
    const Case cases[] = {{1, 0}, {1, 1}, {63, 1}, {64, 0}, {kMomentChunkRows + 65, 1}, {2 * kMomentChunkRows + 3, 0}};
    const int k = 5, stride = k + 1;
    for (const Case& c : cases) {
        const std::vector<double> x = MakeRows(Kind::OffsetNoise, c.n, k, 11);
        std::vector<std::vector<double>> columns(k, std::vector<double>(c.n));
        std::vector<const double*> pointers;
        for (int j = 0; j < k; ++j) {
            for (int i = 0; i < c.n; ++i) columns[j][i] = x[static_cast<std::size_t>(i) * k + j];
            pointers.push_back(columns[j].data());
        }
        ThreadPool pool(3);
        const std::size_t size = static_cast<std::size_t>(c.n) * stride;
        std::vector<double> storage(size + c.offset + 1, -7.0);
        double* design = storage.data() + c.offset;
        LongMatrix fromColumns, fromRows;
        BuildDesignFromColumns(pointers.data(), c.n, k, design, stride, fromColumns, &pool);
        if (c.offset > 0) {
            EXPECT_EQ(storage[0], -7.0) << c.n;
        }
        EXPECT_EQ(design[size], -7.0) << c.n;
        for (int i = 0; i < c.n; ++i) {
            for (int j = 0; j < k; ++j) ASSERT_EQ(design[static_cast<std::size_t>(i) * stride + j], columns[j][i]) << c.n;
            ASSERT_EQ(design[static_cast<std::size_t>(i) * stride + k], 1.0) << c.n;
        }
        BuildMomentsFromRows(x.data(), c.n, k, k, fromRows);
        ExpectSameBits(fromColumns, fromRows, "rows");
    }
}

}  // namespace
