// Moment matrix of design columns: shifted sums, long double accumulation.
#include "core/numeric/regression_moments.h"

#include <algorithm>
#include <vector>

#if defined(__x86_64__) && defined(__GNUC__)
#include <immintrin.h>
#define MERLOX_HAVE_X86_KERNELS 1
#endif

namespace {

// Observations handled per block: the shifted block (two doubles per value)
// stays in the first-level cache for the pair loops.
constexpr int kBlock = 64;

// Sum of products in long double; four chains hide the x87 add latency.
// Every product of two doubles is formed in 64-bit precision.
inline long double DotLong(const double* a, const double* b, int m) {
    long double s0 = 0, s1 = 0, s2 = 0, s3 = 0;
    int t = 0;
    for (; t + 3 < m; t += 4) {
        s0 += static_cast<long double>(a[t]) * b[t];
        s1 += static_cast<long double>(a[t + 1]) * b[t + 1];
        s2 += static_cast<long double>(a[t + 2]) * b[t + 2];
        s3 += static_cast<long double>(a[t + 3]) * b[t + 3];
    }
    for (; t < m; ++t) s0 += static_cast<long double>(a[t]) * b[t];
    return (s0 + s1) + (s2 + s3);
}

// Cross terms of the rounding errors; they are 2^-53 of the main products,
// so double precision is plenty.
inline double CrossTerms(const double* hiA, const double* loA, const double* hiB, const double* loB, int m) {
    double s = 0;
    for (int t = 0; t < m; ++t) s += hiA[t] * loB[t] + loA[t] * hiB[t];
    return s;
}

using BlockKernel = void (*)(const double*, const double*, const char*, int, int, long double*);

// Portable kernel: products of doubles summed in long double.
void CrossProductsPortable(const double* hi, const double* lo, const char* hasLo, int K, int len, long double* s2) {
    for (int i = 0; i < K; ++i) {
        const double* hiI = hi + static_cast<size_t>(i) * kBlock;
        const double* loI = lo + static_cast<size_t>(i) * kBlock;
        long double* row = s2 + static_cast<size_t>(i) * K;
        for (int j = 0; j <= i; ++j) {
            const double* hiJ = hi + static_cast<size_t>(j) * kBlock;
            long double acc = DotLong(hiI, hiJ, len);
            if (hasLo[i] || hasLo[j]) acc += CrossTerms(hiI, loI, hiJ, lo + static_cast<size_t>(j) * kBlock, len);
            row[j] += acc;
        }
    }
}

#ifdef MERLOX_HAVE_X86_KERNELS
// Vector kernels: every product is split exactly into p + e with a fused
// multiply-add and the p are summed with two-sum, so each block sum is as
// good as one in twice the double precision (better than long double).
// The buffers are padded with zeros to a multiple of the vector length.

__attribute__((target("avx512f"))) void CrossProducts512(const double* hi, const double* lo, const char* hasLo, int K,
                                                         int len, long double* s2) {
    const int steps = (len + 7) / 8;
    for (int i = 0; i < K; ++i) {
        const double* hiI = hi + static_cast<size_t>(i) * kBlock;
        const double* loI = lo + static_cast<size_t>(i) * kBlock;
        long double* row = s2 + static_cast<size_t>(i) * K;
        for (int j = 0; j <= i; ++j) {
            const double* hiJ = hi + static_cast<size_t>(j) * kBlock;
            const double* loJ = lo + static_cast<size_t>(j) * kBlock;
            const bool withLo = hasLo[i] || hasLo[j];
            __m512d s = _mm512_setzero_pd(), c = _mm512_setzero_pd();
            __m512d s1 = _mm512_setzero_pd(), c1 = _mm512_setzero_pd();
            int v = 0;
            for (; v + 1 < steps; v += 2) {
                const __m512d a0 = _mm512_loadu_pd(hiI + 8 * v), b0 = _mm512_loadu_pd(hiJ + 8 * v);
                const __m512d a1 = _mm512_loadu_pd(hiI + 8 * v + 8), b1 = _mm512_loadu_pd(hiJ + 8 * v + 8);
                const __m512d p0 = _mm512_mul_pd(a0, b0), p1 = _mm512_mul_pd(a1, b1);
                const __m512d e0 = _mm512_fmsub_pd(a0, b0, p0), e1 = _mm512_fmsub_pd(a1, b1, p1);
                const __m512d n0 = _mm512_add_pd(s, p0), n1 = _mm512_add_pd(s1, p1);
                const __m512d z0 = _mm512_sub_pd(n0, s), z1 = _mm512_sub_pd(n1, s1);
                const __m512d t0 = _mm512_add_pd(_mm512_sub_pd(s, _mm512_sub_pd(n0, z0)), _mm512_sub_pd(p0, z0));
                const __m512d t1 = _mm512_add_pd(_mm512_sub_pd(s1, _mm512_sub_pd(n1, z1)), _mm512_sub_pd(p1, z1));
                s = n0;
                s1 = n1;
                c = _mm512_add_pd(c, _mm512_add_pd(t0, e0));
                c1 = _mm512_add_pd(c1, _mm512_add_pd(t1, e1));
                if (withLo) {
                    c = _mm512_fmadd_pd(a0, _mm512_loadu_pd(loJ + 8 * v), c);
                    c = _mm512_fmadd_pd(_mm512_loadu_pd(loI + 8 * v), b0, c);
                    c1 = _mm512_fmadd_pd(a1, _mm512_loadu_pd(loJ + 8 * v + 8), c1);
                    c1 = _mm512_fmadd_pd(_mm512_loadu_pd(loI + 8 * v + 8), b1, c1);
                }
            }
            for (; v < steps; ++v) {
                const __m512d a0 = _mm512_loadu_pd(hiI + 8 * v), b0 = _mm512_loadu_pd(hiJ + 8 * v);
                const __m512d p0 = _mm512_mul_pd(a0, b0);
                const __m512d e0 = _mm512_fmsub_pd(a0, b0, p0);
                const __m512d n0 = _mm512_add_pd(s, p0);
                const __m512d z0 = _mm512_sub_pd(n0, s);
                const __m512d t0 = _mm512_add_pd(_mm512_sub_pd(s, _mm512_sub_pd(n0, z0)), _mm512_sub_pd(p0, z0));
                s = n0;
                c = _mm512_add_pd(c, _mm512_add_pd(t0, e0));
                if (withLo) {
                    c = _mm512_fmadd_pd(a0, _mm512_loadu_pd(loJ + 8 * v), c);
                    c = _mm512_fmadd_pd(_mm512_loadu_pd(loI + 8 * v), b0, c);
                }
            }
            alignas(64) double sl[8], sl1[8], cl[8], cl1[8];
            _mm512_store_pd(sl, s);
            _mm512_store_pd(sl1, s1);
            _mm512_store_pd(cl, c);
            _mm512_store_pd(cl1, c1);
            long double acc = 0.0L;
            double err = 0.0;
            for (int l = 0; l < 8; ++l) {
                acc += static_cast<long double>(sl[l]) + sl1[l];
                err += cl[l] + cl1[l];
            }
            row[j] += acc + err;
        }
    }
}

__attribute__((target("avx2,fma"))) void CrossProducts256(const double* hi, const double* lo, const char* hasLo, int K,
                                                          int len, long double* s2) {
    const int steps = (len + 3) / 4;
    for (int i = 0; i < K; ++i) {
        const double* hiI = hi + static_cast<size_t>(i) * kBlock;
        const double* loI = lo + static_cast<size_t>(i) * kBlock;
        long double* row = s2 + static_cast<size_t>(i) * K;
        for (int j = 0; j <= i; ++j) {
            const double* hiJ = hi + static_cast<size_t>(j) * kBlock;
            const double* loJ = lo + static_cast<size_t>(j) * kBlock;
            const bool withLo = hasLo[i] || hasLo[j];
            __m256d s = _mm256_setzero_pd(), c = _mm256_setzero_pd();
            for (int v = 0; v < steps; ++v) {
                const __m256d a = _mm256_loadu_pd(hiI + 4 * v), b = _mm256_loadu_pd(hiJ + 4 * v);
                const __m256d p = _mm256_mul_pd(a, b);
                const __m256d e = _mm256_fmsub_pd(a, b, p);
                const __m256d n = _mm256_add_pd(s, p);
                const __m256d z = _mm256_sub_pd(n, s);
                const __m256d t = _mm256_add_pd(_mm256_sub_pd(s, _mm256_sub_pd(n, z)), _mm256_sub_pd(p, z));
                s = n;
                c = _mm256_add_pd(c, _mm256_add_pd(t, e));
                if (withLo) {
                    c = _mm256_fmadd_pd(a, _mm256_loadu_pd(loJ + 4 * v), c);
                    c = _mm256_fmadd_pd(_mm256_loadu_pd(loI + 4 * v), b, c);
                }
            }
            alignas(32) double sl[4], cl[4];
            _mm256_store_pd(sl, s);
            _mm256_store_pd(cl, c);
            long double acc = 0.0L;
            double err = 0.0;
            for (int l = 0; l < 4; ++l) {
                acc += sl[l];
                err += cl[l];
            }
            row[j] += acc + err;
        }
    }
}
#endif

BlockKernel ChooseKernel(MomentKernel choice) {
#ifdef MERLOX_HAVE_X86_KERNELS
    if (choice == MomentKernel::Automatic) {
        __builtin_cpu_init();
        if (__builtin_cpu_supports("avx512f")) return CrossProducts512;
        if (__builtin_cpu_supports("avx2") && __builtin_cpu_supports("fma")) return CrossProducts256;
    }
#else
    (void)choice;
#endif
    return CrossProductsPortable;
}

// The builder proper. rowAt(i) gives a pointer to the `cols` values of
// observation i.
template <class RowSource>
void BuildMomentsFrom(RowSource rowAt, int n, int cols, LongMatrix& m, MomentKernel kernel) {
    const int K = std::max(cols, 0);
    if (m.Rows() != K + 1 || m.Cols() != K + 1) m.Replace(LongMatrix(K + 1, K + 1, 0.0L));
    ZeroVector(m);
    if (n < 1 || K == 0) return;

    // Shift of each column: the first value plus the mean difference from it
    // over an even sample of rows. Any shift gives the exact result (the
    // sums are corrected below); one near the mean only keeps the
    // correction small. A constant column shifts to its own value.
    std::vector<double> shift(K), first(K);
    {
        const double* r0 = rowAt(0);
        for (int j = 0; j < K; ++j) first[j] = r0[j];
    }
    {
        constexpr long long kSample = 4096;
        const long long count = std::min<long long>(n, kSample);
        std::vector<double> sum(K, 0.0);
        for (long long t = 0; t < count; ++t) {
            const double* r = rowAt(t * n / count);
            for (int j = 0; j < K; ++j) sum[j] += r[j] - first[j];
        }
        for (int j = 0; j < K; ++j) shift[j] = first[j] + sum[j] / static_cast<double>(count);
    }
    std::vector<double> negShift(K);
    for (int j = 0; j < K; ++j) negShift[j] = -shift[j];

    // Column-major block buffers: hi = fl(x - shift), lo its exact rounding
    // error (two-sum), so hi + lo = x - shift exactly.
    std::vector<double> hi(static_cast<size_t>(K) * kBlock), lo(static_cast<size_t>(K) * kBlock);
    std::vector<char> hasLo(K);
    std::vector<long double> s1(K, 0.0L);
    std::vector<long double> s2(static_cast<size_t>(K) * K, 0.0L);  // lower triangle used
    const BlockKernel blockKernel = ChooseKernel(kernel);

    for (long long start = 0; start < n; start += kBlock) {
        const int len = static_cast<int>(std::min<long long>(kBlock, n - start));
        // Row by row: the source is read sequentially.
        for (int t = 0; t < len; ++t) {
            const double* r = rowAt(start + t);
            for (int j = 0; j < K; ++j) {
                const double a = r[j];
                const double c = negShift[j];
                const double sum = a + c;
                const double bb = sum - a;
                hi[static_cast<size_t>(j) * kBlock + t] = sum;
                lo[static_cast<size_t>(j) * kBlock + t] = (a - (sum - bb)) + (c - bb);
            }
        }
        for (int j = 0; j < K; ++j) {
            const double* h = &hi[static_cast<size_t>(j) * kBlock];
            const double* l = &lo[static_cast<size_t>(j) * kBlock];
            double sumHi = 0, sumLo = 0;
            bool any = false;
            for (int t = 0; t < len; ++t) {
                sumHi += h[t];
                sumLo += l[t];
                any |= l[t] != 0.0;
            }
            hasLo[j] = any;
            s1[j] += static_cast<long double>(sumHi) + sumLo;
        }
        // Zero padding up to a whole vector: it adds exact zeros.
        if (len < kBlock) {
            for (int j = 0; j < K; ++j) {
                std::fill(&hi[static_cast<size_t>(j) * kBlock + len], &hi[static_cast<size_t>(j + 1) * kBlock], 0.0);
                std::fill(&lo[static_cast<size_t>(j) * kBlock + len], &lo[static_cast<size_t>(j + 1) * kBlock], 0.0);
            }
        }
        blockKernel(hi.data(), lo.data(), hasLo.data(), K, len, s2.data());
    }

    // Deviations from the exact means: S2 - S1 S1' / n.
    const long double nn = n;
    for (int i = 0; i < K; ++i) {
        for (int j = 0; j <= i; ++j) {
            const long double v = s2[static_cast<size_t>(i) * K + j] - s1[i] * s1[j] / nn;
            m[i][j] = v;
            m[j][i] = v;
        }
        const long double mean = static_cast<long double>(shift[i]) + s1[i] / nn;
        m[K][i] = mean;
        m[i][K] = -mean;
    }
    m[K][K] = 1.0L / nn;
}

}  // namespace

void BuildDesignMoments(const double* rows, int n, int stride, int cols, LongMatrix& m, MomentKernel kernel) {
    BuildMomentsFrom([rows, stride](long long i) { return rows + i * stride; }, n, cols, m, kernel);
}

void BuildDesignFromColumns(const double* const* columns, int n, int cols, double* design, int stride,
                            LongMatrix& m, MomentKernel kernel) {
    // Each design row is written just before its values are summed, so the
    // design is not read back from memory.
    auto rowAt = [columns, cols, design, stride](long long i) {
        double* row = design + i * stride;
        for (int j = 0; j < cols; ++j) row[j] = columns[j][i];
        row[cols] = 1.0;
        return static_cast<const double*>(row);
    };
    BuildMomentsFrom(rowAt, n, cols, m, kernel);
    // With no variables the builder reads no row; the constant column is
    // still the design.
    if (cols <= 0)
        for (long long i = 0; i < n; ++i) design[i * stride] = 1.0;
}
