#include "core/model/leverage_forms.h"

// Compiled for AVX2 as well where the processor has it: these two forms are
// the bulk of a toggle.
#if defined(__GNUC__) && defined(__x86_64__) && !defined(__clang__)
#define MERLOX_VECTOR_CLONES __attribute__((target_clones("avx2", "default")))
#else
#define MERLOX_VECTOR_CLONES
#endif

namespace {
constexpr int kBlock = kLeverageBlock;
}  // namespace

// Entries t0 .. t0 + kCols - 1 are kept in registers through all of s and l;
// the entries past the last whole group are summed the same way one by one.
MERLOX_VECTOR_CLONES void QuadraticForm(const double* q, int p, const double* v, int len, double* out) {
    constexpr int kCols = 8;
    int t0 = 0;
    for (; t0 + kCols <= len; t0 += kCols) {
        double sum[kCols] = {};
        for (int s = 0; s < p; ++s) {
            const double* qs = q + static_cast<size_t>(s) * p;
            const double* vs = v + static_cast<size_t>(s) * kBlock + t0;
            double acc[kCols];
            for (int t = 0; t < kCols; ++t) acc[t] = qs[s] * vs[t];
            for (int l = s + 1; l < p; ++l) {
                const double c = qs[l];
                const double* vl = v + static_cast<size_t>(l) * kBlock + t0;
                for (int t = 0; t < kCols; ++t) acc[t] += c * vl[t];
            }
            for (int t = 0; t < kCols; ++t) sum[t] += vs[t] * acc[t];
        }
        for (int t = 0; t < kCols; ++t) out[t0 + t] = sum[t];
    }
    for (int t = t0; t < len; ++t) {
        double sum = 0.0;
        for (int s = 0; s < p; ++s) {
            const double* qs = q + static_cast<size_t>(s) * p;
            const double vs = v[static_cast<size_t>(s) * kBlock + t];
            double acc = qs[s] * vs;
            for (int l = s + 1; l < p; ++l) acc += qs[l] * v[static_cast<size_t>(l) * kBlock + t];
            sum += vs * acc;
        }
        out[t] = sum;
    }
}

MERLOX_VECTOR_CLONES void BilinearForm(const double* m, int p, const double* x, const double* z, int len, double* out) {
    double acc[kBlock];
    for (int t = 0; t < len; ++t) out[t] = 0.0;
    for (int s = 0; s < p; ++s) {
        const double* ms = m + static_cast<size_t>(s) * p;
        for (int t = 0; t < len; ++t) acc[t] = 0.0;
        for (int l = 0; l < p; ++l) {
            const double c = ms[l];
            const double* zl = z + static_cast<size_t>(l) * kBlock;
            for (int t = 0; t < len; ++t) acc[t] += c * zl[t];
        }
        const double* xs = x + static_cast<size_t>(s) * kBlock;
        for (int t = 0; t < len; ++t) out[t] += xs[t] * acc[t];
    }
}
