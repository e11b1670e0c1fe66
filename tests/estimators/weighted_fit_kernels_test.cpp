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

// Values that stress a selection by leading bits: ties, both zeros, one
// binade only, all the same, infinities among large values.
std::vector<double> SelectionValues(int kind, int n) {
    std::mt19937_64 gen(static_cast<unsigned>(kind * 7 + n));
    std::normal_distribution<double> normal(0.0, 1.0);
    const double inf = std::numeric_limits<double>::infinity();
    std::vector<double> v(static_cast<std::size_t>(n));
    for (int i = 0; i < n; ++i) {
        const double z = normal(gen);
        const double values[] = {z, std::round(z * 3.0) * 0.5, i % 3 == 0 ? -0.0 : (i % 3 == 1 ? 0.0 : z),
                                 1.0 + std::ldexp(static_cast<double>(gen() >> 12), -52), 2.5,
                                 i % 1000 == 0 ? (i % 2000 == 0 ? inf : -inf) : z * 1e200};
        v[i] = values[kind];
    }
    return v;
}

double SortedMedian(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    const std::size_t h = v.size() / 2;
    return v.size() % 2 ? v[h] : (v[h - 1] + v[h]) / 2.0;
}

}  // namespace

// Against a sorted copy, on one thread and on three: the value of each rank
// tried (+0 and -0 count as equal there), and the scale by the sorted rule.
TEST(OrderStatistic, MatchesTheSortedValues) {
    ThreadPool three(3);
    for (const int n : {7, 40000, 100001})
        for (int kind = 0; kind <= 5; ++kind) {
            SCOPED_TRACE(::testing::Message() << "n " << n << " kind " << kind);
            const std::vector<double> v = SelectionValues(kind, n);
            std::vector<double> sorted = v, work(v.size());
            std::sort(sorted.begin(), sorted.end());
            for (const long long rank : {0LL, n / 2LL - 1, n / 2LL, n - 1LL})
                for (ThreadPool* pool : {static_cast<ThreadPool*>(nullptr), &three})
                    EXPECT_EQ(OrderStatistic(v.data(), n, rank, pool), sorted[static_cast<std::size_t>(rank)]) << rank;
            const double m = SortedMedian(v);
            std::vector<double> deviation(v.size());
            for (int i = 0; i < n; ++i) deviation[i] = std::fabs(v[i] - m);
            const double expected = SortedMedian(deviation) / 0.6745;
            const double got = MedianAbsDeviationBySelection(0.6745, work.data(), n, v.data(), &three);
            EXPECT_TRUE(SameBits(got, expected) || (std::isnan(got) && std::isnan(expected))) << got << " " << expected;
        }
}
