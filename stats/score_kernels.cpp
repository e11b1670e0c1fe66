#include "stats/score_kernels.h"

#include <cmath>

#include "core/numeric/numeric_helpers.h"
#include "core/numeric/thread_pool.h"
#include "platform/errors.h"

namespace {

constexpr int kRowBlock = 4096;

using RowsKernel = void (*)(const double*, long long, const double*, int, double*, int, int, long long, long long);

inline double ZeroTiny(double x) { return std::fabs(x) < kSingleEpsilon ? 0.0 : x; }

// Each output element sums its products over j in increasing order; eight
// columns at a time are kept in registers.
__attribute__((always_inline)) inline void MultiplyRows(const double* zd, long long zStride, const double* wd,
                                                        int wStride, double* od, int p, int cols, long long first,
                                                        long long last) {
    constexpr int kLanes = 8;
    for (long long i = first; i < last; ++i) {
        const double* zr = zd + i * zStride;
        double* o = od + i * cols;
        int c = 0;
        for (; c + kLanes <= cols; c += kLanes) {
            double acc[kLanes] = {};
            for (int j = 0; j < p; ++j) {
                const double x = zr[j];
                const double* wr = wd + static_cast<long long>(j) * wStride + c;
                for (int t = 0; t < kLanes; ++t) acc[t] += x * wr[t];
            }
            for (int t = 0; t < kLanes; ++t) o[c + t] = ZeroTiny(acc[t]);
        }
        for (; c < cols; ++c) {
            double acc = 0.0;
            for (int j = 0; j < p; ++j) acc += zr[j] * wd[static_cast<long long>(j) * wStride + c];
            o[c] = ZeroTiny(acc);
        }
    }
}

// The same loops, compiled for the wider vector unit where there is one.
// Multiplying and adding stay separate steps, so the bits do not change.
__attribute__((target("avx2"))) void MultiplyRowsAvx2(const double* zd, long long zStride, const double* wd,
                                                       int wStride, double* od, int p, int cols, long long first,
                                                       long long last) {
    MultiplyRows(zd, zStride, wd, wStride, od, p, cols, first, last);
}

void MultiplyRowsPortable(const double* zd, long long zStride, const double* wd, int wStride, double* od, int p,
                          int cols, long long first, long long last) {
    MultiplyRows(zd, zStride, wd, wStride, od, p, cols, first, last);
}

RowsKernel ChooseKernel() {
    __builtin_cpu_init();
    return __builtin_cpu_supports("avx2") ? MultiplyRowsAvx2 : MultiplyRowsPortable;
}

}  // namespace

void MultiplyRowsZeroTiny(ThreadPool* pool, const Matrix& z, int n, int p, const Matrix& w, int cols, Matrix& out) {
    if (n < 0 || p < 0 || cols < 0 || z.Rows() < n || z.Cols() < p || w.Rows() < p || w.Cols() < cols)
        throw ERangeError("範囲エラー");
    if (out.Rows() != n || out.Cols() != cols) out.Resize(n, cols, false);
    static const RowsKernel kernel = ChooseKernel();
    const double* zd = z.Data();
    const double* wd = w.Data();
    double* od = out.Data();
    ForEachBlock(pool, n, kRowBlock, [&](long long first, int count) {
        kernel(zd, z.Cols(), wd, w.Cols(), od, p, cols, first, first + count);
    });
}
