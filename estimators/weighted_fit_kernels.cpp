// Kernels of the weighted fit.
#include "estimators/weighted_fit_kernels.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <functional>
#include <limits>
#include <memory>

#include "core/numeric/moment_matrix.h"
#include "core/numeric/thread_pool.h"

double QuadraticForm(const Matrix& m, const double* x, const double* z, int p) {
    double sum = 0.0;
    for (int j = 0; j < p; ++j) {
        const double* row = m[j];
        double inner = 0.0;
        for (int l = 0; l < p; ++l) inner += row[l] * z[l];
        sum += x[j] * inner;
    }
    return sum;
}

void BlockTimes(const Matrix& m, const double* z, int p, double* y) {
    for (int j = 0; j < p; ++j) {
        const double* row = m[j];
        double inner = 0.0;
        for (int l = 0; l < p; ++l) inner += row[l] * z[l];
        y[j] = inner;
    }
}

// Compiled for AVX2 as well where the processor has it (no fused
// multiply-add, so the bits stay the scalar code's).
#if defined(__GNUC__) && defined(__x86_64__) && !defined(__clang__)
#define MERLOX_WEIGHTED_CLONES __attribute__((target_clones("avx2", "default")))
#else
#define MERLOX_WEIGHTED_CLONES
#endif

std::vector<double> LeadingBlock(const Matrix& m, int p) {
    std::vector<double> q(static_cast<std::size_t>(p) * p);
    for (int j = 0; j < p; ++j)
        for (int l = 0; l < p; ++l) q[static_cast<std::size_t>(j) * p + l] = m[j][l];
    return q;
}

MERLOX_WEIGHTED_CLONES void BlockTimesRows(const double* q, int p, const double* x, const double* z,
                                           long long stride, int count, double* y, double* out) {
    constexpr int kCols = 8;
    constexpr int G = kRowGroup;
    // z (and x when it differs) of the group, each value of the
    // observations side by side; the transposed copy lets eight
    // observations share every load of q.
    auto tiles = std::make_unique_for_overwrite<double[]>(static_cast<std::size_t>(p) * G * 2);
    double* __restrict zt = tiles.get();
    // Without out the sums are not wanted: they run over z, unread.
    double* __restrict xt = x == z || !out ? zt : zt + static_cast<std::size_t>(p) * G;
    for (int c = 0; c < count; ++c)
        for (int l = 0; l < p; ++l) zt[static_cast<std::size_t>(l) * G + c] = z[c * stride + l];
    if (out && x != z)
        for (int c = 0; c < count; ++c)
            for (int l = 0; l < p; ++l) xt[static_cast<std::size_t>(l) * G + c] = x[c * stride + l];
    for (int c0 = 0; c0 < count; c0 += kCols) {
        if (c0 + kCols <= count) {
            double sum[kCols] = {};
            for (int j = 0; j < p; ++j) {
                const double* __restrict row = q + static_cast<std::size_t>(j) * p;
                double inner[kCols] = {};
                for (int l = 0; l < p; ++l) {
                    const double a = row[l];
                    const double* __restrict zl = zt + static_cast<std::size_t>(l) * G + c0;
                    for (int c = 0; c < kCols; ++c) inner[c] += a * zl[c];
                }
                double* __restrict yj = y + static_cast<std::size_t>(j) * G + c0;
                for (int c = 0; c < kCols; ++c) yj[c] = inner[c];
                const double* __restrict xj = xt + static_cast<std::size_t>(j) * G + c0;
                for (int c = 0; c < kCols; ++c) sum[c] += xj[c] * inner[c];
            }
            if (out)
                for (int c = 0; c < kCols; ++c) out[c0 + c] = sum[c];
            continue;
        }
        for (int c = c0; c < count; ++c) {
            double sum = 0.0;
            for (int j = 0; j < p; ++j) {
                const double* row = q + static_cast<std::size_t>(j) * p;
                double inner = 0.0;
                for (int l = 0; l < p; ++l) inner += row[l] * zt[static_cast<std::size_t>(l) * G + c];
                y[static_cast<std::size_t>(j) * G + c] = inner;
                sum += xt[static_cast<std::size_t>(j) * G + c] * inner;
            }
            if (out) out[c] = sum;
        }
    }
}

namespace {

// The median of a[0 .. n-1], reordering a.
double SelectMedian(double* a, int n) {
    const int upper = n / 2;
    std::nth_element(a, a + upper, a + n);
    if (n % 2 == 1) return a[upper];
    const double low = *std::max_element(a, a + upper);
    return (low + a[upper]) / 2.0;
}

// Below this many values a plain selection is quicker than counting.
constexpr long long kCountedSelection = 1 << 15;
constexpr int kBucketBits = 16;
constexpr std::size_t kBuckets = std::size_t(1) << kBucketBits;

// A key whose unsigned order is the order of the doubles (-0 before +0).
std::uint64_t OrderKey(double v) {
    const auto bits = std::bit_cast<std::uint64_t>(v);
    return bits & (std::uint64_t(1) << 63) ? ~bits : bits | (std::uint64_t(1) << 63);
}

double FromOrderKey(std::uint64_t key) {
    return std::bit_cast<double>(key & (std::uint64_t(1) << 63) ? key & ~(std::uint64_t(1) << 63) : ~key);
}

// The rank-th smallest of keys that share their bits above shift +
// kBucketBits, narrowing by kBucketBits at a time.
std::uint64_t SelectKey(std::vector<std::uint64_t>& keys, long long rank, int shift) {
    while (static_cast<long long>(keys.size()) > kCountedSelection && shift >= 0) {
        std::vector<long long> count(kBuckets, 0);
        for (std::uint64_t k : keys) ++count[(k >> shift) & (kBuckets - 1)];
        std::size_t b = 0;
        for (; rank >= count[b]; ++b) rank -= count[b];
        std::size_t kept = 0;
        for (std::uint64_t k : keys)
            if (((k >> shift) & (kBuckets - 1)) == b) keys[kept++] = k;
        keys.resize(kept);
        shift -= kBucketBits;
    }
    std::nth_element(keys.begin(), keys.begin() + rank, keys.end());
    return keys[static_cast<std::size_t>(rank)];
}

// The median by two order statistics, a left as it is.
double CountedMedian(const double* a, long long n, ThreadPool* pool) {
    const long long upper = n / 2;
    const double high = OrderStatistic(a, n, upper, pool);
    if (n % 2 == 1) return high;
    return (OrderStatistic(a, n, upper - 1, pool) + high) / 2.0;
}

}  // namespace

double OrderStatistic(const double* a, long long n, long long rank, ThreadPool* pool) {
    // Counts of the leading bits, a share of the values per task, added in
    // task order (counts do not depend on the order anyway).
    const int tasks = pool ? std::max(1, pool->Threads()) : 1;
    const long long share = (n + tasks - 1) / tasks;
    std::vector<std::vector<long long>> counts(static_cast<std::size_t>(tasks));
    auto run = [&](const std::function<void(int)>& body) {
        if (pool && tasks > 1)
            pool->ParallelFor(tasks, body);
        else
            for (int task = 0; task < tasks; ++task) body(task);
    };
    const int shift = 64 - kBucketBits;
    run([&](int task) {
        std::vector<long long>& count = counts[static_cast<std::size_t>(task)];
        count.assign(kBuckets, 0);
        const long long end = std::min(n, (task + 1) * share);
        for (long long i = task * share; i < end; ++i) ++count[OrderKey(a[i]) >> shift];
    });
    std::size_t bucket = 0;
    for (;; ++bucket) {
        long long total = 0;
        for (const auto& count : counts) total += count[bucket];
        if (rank < total) break;
        rank -= total;
    }
    // The values of that bucket, gathered per task.
    std::vector<std::vector<std::uint64_t>> found(static_cast<std::size_t>(tasks));
    run([&](int task) {
        std::vector<std::uint64_t>& keys = found[static_cast<std::size_t>(task)];
        keys.reserve(static_cast<std::size_t>(counts[static_cast<std::size_t>(task)][bucket]));
        const long long end = std::min(n, (task + 1) * share);
        for (long long i = task * share; i < end; ++i) {
            const std::uint64_t key = OrderKey(a[i]);
            if ((key >> shift) == bucket) keys.push_back(key);
        }
    });
    std::vector<std::uint64_t> keys;
    for (const auto& part : found) keys.insert(keys.end(), part.begin(), part.end());
    return FromOrderKey(SelectKey(keys, rank, shift - kBucketBits));
}

double MedianAbsDeviationBySelection(double c, double* work, int n, const double* a, ThreadPool* pool) {
    if (n < 1) return std::numeric_limits<double>::quiet_NaN();
    for (int i = 0; i < n; ++i)
        if (std::isnan(a[i])) return std::numeric_limits<double>::quiet_NaN();
    if (n < kCountedSelection) {
        std::copy(a, a + n, work);
        const double m = SelectMedian(work, n);
        for (int i = 0; i < n; ++i) work[i] = std::fabs(a[i] - m);
        return SelectMedian(work, n) / c;
    }
    // The zero's sign of a median may differ from the plain selection's;
    // it is lost in the absolute deviations, which hold no -0.
    const double m = CountedMedian(a, n, pool);
    ForEachBlock(pool, n, kMomentChunkRows, [&](long long first, int count) {
        for (long long i = first; i < first + count; ++i) work[i] = std::fabs(a[i] - m);
    });
    return CountedMedian(work, n, pool) / c;
}
