// Kernels of the weighted fit.
#include "estimators/weighted_fit_kernels.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <memory>

#include "core/numeric/moment_matrix.h"

void RawCrossProducts(const double* rows, long long n, int stride, int cols, ThreadPool* pool, Matrix& out) {
    LongMatrix m;
    BuildMomentsFromRows(rows, n, stride, cols, m, pool);
    out.Replace(Matrix(cols, cols, 0.0));
    const long double count = static_cast<long double>(n);
    for (int i = 0; i < cols; ++i)
        for (int j = 0; j < cols; ++j) out[i][j] = static_cast<double>(m[i][j] + count * m[cols][i] * m[cols][j]);
}

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

}  // namespace

double MedianAbsDeviationBySelection(double c, double* work, int n, const double* a) {
    if (n < 1) return std::numeric_limits<double>::quiet_NaN();
    for (int i = 0; i < n; ++i)
        if (std::isnan(a[i])) return std::numeric_limits<double>::quiet_NaN();
    std::copy(a, a + n, work);
    const double m = SelectMedian(work, n);
    for (int i = 0; i < n; ++i) work[i] = std::fabs(a[i] - m);
    return SelectMedian(work, n) / c;
}
