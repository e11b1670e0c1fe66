// The grouped products with the swept block against the one-observation
// kernels: the same bits for every group size, including the groups that
// do not fill the eight side-by-side lanes; the selection by leading bits
// against sorting.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <random>
#include <vector>

#include "core/numeric/matrix.h"
#include "core/numeric/thread_pool.h"
#include "estimators/weighted_fit_kernels.h"

namespace {

bool SameBits(double a, double b) { return std::memcmp(&a, &b, sizeof a) == 0; }

TEST(BlockTimesRows, SmallCaseByHand) {
    // q = [[1, 2], [3, 4]], z = (1, 1), x = (1, 0): q z = (3, 7), x'q z = 3.
    Matrix m(2, 2, 0.0);
    m[0][0] = 1, m[0][1] = 2, m[1][0] = 3, m[1][1] = 4;
    const std::vector<double> q = LeadingBlock(m, 2);
    const double x[2] = {1.0, 0.0}, z[2] = {1.0, 1.0};
    std::vector<double> y(2 * kRowGroup);
    double out = 0.0;
    BlockTimesRows(q.data(), 2, x, z, 2, 1, y.data(), &out);
    EXPECT_EQ(y[0], 3.0);
    EXPECT_EQ(y[kRowGroup], 7.0);
    EXPECT_EQ(out, 3.0);
}

TEST(BlockTimesRows, SameBitsAsTheSingleObservationKernels) {
    struct Case {
        int p, count, stride;
        bool separateX;
    };
    const Case cases[] = {{1, 1, 2, false},  {3, 7, 4, false},   {3, 8, 8, true},    {5, 9, 5, true},
                          {20, 64, 21, false}, {20, 61, 42, true}, {13, 16, 14, false}, {2, 64, 2, true}};
    std::mt19937_64 gen(11);
    std::normal_distribution<double> normal(0.0, 3.0);
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << "p " << c.p << " count " << c.count);
        Matrix m(c.p + 1, c.p + 1, 0.0);
        for (int j = 0; j <= c.p; ++j)
            for (int l = 0; l <= c.p; ++l) m[j][l] = normal(gen);
        std::vector<double> xs(static_cast<std::size_t>(c.count) * c.stride), zs(xs.size());
        for (double& v : xs) v = normal(gen);
        for (double& v : zs) v = normal(gen);
        const double* z = c.separateX ? zs.data() : xs.data();
        const std::vector<double> q = LeadingBlock(m, c.p);
        std::vector<double> y(static_cast<std::size_t>(c.p) * kRowGroup), out(kRowGroup), alone(c.p);
        BlockTimesRows(q.data(), c.p, xs.data(), z, c.stride, c.count, y.data(), out.data());
        std::vector<double> yOnly(y.size());
        BlockTimesRows(q.data(), c.p, nullptr, z, c.stride, c.count, yOnly.data(), nullptr);
        for (int t = 0; t < c.count; ++t) {
            const double* xt = xs.data() + static_cast<std::size_t>(t) * c.stride;
            const double* zt = z + static_cast<std::size_t>(t) * c.stride;
            BlockTimes(m, zt, c.p, alone.data());
            for (int j = 0; j < c.p; ++j) {
                const double grouped = y[static_cast<std::size_t>(j) * kRowGroup + t];
                EXPECT_TRUE(SameBits(grouped, alone[j])) << "t " << t << " j " << j;
                EXPECT_TRUE(SameBits(yOnly[static_cast<std::size_t>(j) * kRowGroup + t], alone[j]));
            }
            EXPECT_TRUE(SameBits(out[t], QuadraticForm(m, xt, zt, c.p))) << "t " << t;
        }
    }
}

}  // namespace

namespace {

// Values that stress a selection by leading bits: many ties, both zeros,
// infinities, one binade only, or all the same.
std::vector<double> SelectionValues(int kind, int n) {
    std::mt19937_64 gen(static_cast<unsigned>(kind * 7 + n));
    std::normal_distribution<double> normal(0.0, 1.0);
    std::vector<double> v(static_cast<std::size_t>(n));
    for (int i = 0; i < n; ++i) {
        switch (kind) {
            case 0: v[i] = normal(gen); break;
            case 1: v[i] = std::round(normal(gen) * 3.0) * 0.5; break;  // ties, +-0
            case 2: v[i] = i % 3 == 0 ? -0.0 : (i % 3 == 1 ? 0.0 : normal(gen)); break;
            case 3: v[i] = 1.0 + std::ldexp(static_cast<double>(gen() >> 12), -52); break;  // [1, 2)
            case 4: v[i] = 2.5; break;
            default:  // infinities of both signs among large values
                v[i] = i % 1000 == 0 ? (i % 2000 == 0 ? 1.0 : -1.0) * std::numeric_limits<double>::infinity()
                                     : normal(gen) * 1e200;
                break;
        }
    }
    return v;
}

}  // namespace

// Against a sorted copy: the same value (+0 and -0 count as equal there)
// at every rank tried, on one thread and on three.
TEST(OrderStatistic, MatchesTheSortedValues) {
    ThreadPool three(3);
    for (const int n : {1, 2, 7, 40000, 100001})
        for (int kind = 0; kind <= 5; ++kind) {
            const std::vector<double> v = SelectionValues(kind, n);
            std::vector<double> sorted = v;
            std::sort(sorted.begin(), sorted.end());
            for (const long long rank : {0LL, n / 2LL - 1, n / 2LL, n - 1LL}) {
                if (rank < 0) continue;
                for (ThreadPool* pool : {static_cast<ThreadPool*>(nullptr), &three}) {
                    const double got = OrderStatistic(v.data(), n, rank, pool);
                    EXPECT_EQ(got, sorted[static_cast<std::size_t>(rank)]) << "n " << n << " kind " << kind << " rank " << rank;
                }
            }
        }
}

// The counted selection of a large array gives the bits of the plain one
// (the small-array rule, applied here to a copy of the same values).
TEST(OrderStatistic, LargeDeviationMatchesThePlainSelection) {
    ThreadPool three(3);
    for (int kind = 0; kind <= 5; ++kind)
        for (const int n : {40000, 40001}) {
            const std::vector<double> v = SelectionValues(kind, n);
            std::vector<double> a = v, work(v.size());
            std::nth_element(a.begin(), a.begin() + n / 2, a.end());
            double m = a[n / 2];
            if (n % 2 == 0) m = (*std::max_element(a.begin(), a.begin() + n / 2) + m) / 2.0;
            for (int i = 0; i < n; ++i) a[i] = std::fabs(v[i] - m);
            std::nth_element(a.begin(), a.begin() + n / 2, a.end());
            double mad = a[n / 2];
            if (n % 2 == 0) mad = (*std::max_element(a.begin(), a.begin() + n / 2) + mad) / 2.0;
            const double counted = MedianAbsDeviationBySelection(0.6745, work.data(), n, v.data(), &three);
            EXPECT_TRUE(SameBits(counted, mad / 0.6745) || (std::isnan(counted) && std::isnan(mad)))
                << "kind " << kind << " n " << n << ": " << counted << " vs " << mad / 0.6745;
        }
}
