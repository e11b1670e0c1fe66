// The block kernels. Products must not be fused with the sums that follow
// them, or the kernels would round differently.
#pragma GCC optimize("fp-contract=off")

#include "core/numeric/moment_kernels.h"

#include <cmath>

#include "core/numeric/moment_matrix.h"

#if defined(__x86_64__) && defined(__GNUC__)
#include <immintrin.h>
#define MERLOX_X86_KERNELS 1
#endif

void MomentBlockPortable(const double* hi, const double* lo, const unsigned char* hasLo, int cols, int width, int len,
                         double* sOut, double* cOut) {
    for (int i = 0; i < cols; ++i) {
        for (int j = 0; j <= i; ++j) {
            const bool withLo = hasLo[i] || hasLo[j];
            double s = 0.0, c = 0.0;
            for (int t = 0; t < len; ++t) {
                const double a = hi[t * width + i], b = hi[t * width + j];
                const double p = a * b;
                const double e = std::fma(a, b, -p);
                const double n = s + p;
                const double z = n - s;
                const double q = (s - (n - z)) + (p - z);
                double u = q + e;
                if (withLo) {
                    u = std::fma(a, lo[t * width + j], u);
                    u = std::fma(lo[t * width + i], b, u);
                }
                s = n;
                c = c + u;
            }
            sOut[i * width + j] = s;
            cOut[i * width + j] = c;
        }
    }
}

#ifdef MERLOX_X86_KERNELS
namespace {

// Whether any of the `count` columns from `first` has rounding errors.
inline bool AnyLo(const unsigned char* hasLo, int first, int count) {
    for (int l = 0; l < count; ++l)
        if (hasLo[first + l]) return true;
    return false;
}

// Vectors run across j: lanes are entries (i, j0 .. j0+7) of one row i,
// and the row i values are broadcast. Tiles of 8 rows i by 8 columns j.
template <bool kWithLo>
__attribute__((target("avx512f"), always_inline)) inline void Tile512(const double* hi, const double* lo, int width,
                                                                      int len, int i0, int j0, double* sOut,
                                                                      double* cOut) {
    constexpr int R = 8;
    __m512d s[R], c[R];
    for (int r = 0; r < R; ++r) s[r] = c[r] = _mm512_setzero_pd();
    for (int t = 0; t < len; ++t) {
        const double* hr = hi + t * width;
        const double* lr = lo + t * width;
        const __m512d b = _mm512_load_pd(hr + j0);
        __m512d bl = _mm512_setzero_pd();
        if constexpr (kWithLo) bl = _mm512_load_pd(lr + j0);
        for (int r = 0; r < R; ++r) {
            const __m512d a = _mm512_set1_pd(hr[i0 + r]);
            const __m512d p = _mm512_mul_pd(a, b);
            const __m512d e = _mm512_fmsub_pd(a, b, p);
            const __m512d n = _mm512_add_pd(s[r], p);
            const __m512d z = _mm512_sub_pd(n, s[r]);
            const __m512d q = _mm512_add_pd(_mm512_sub_pd(s[r], _mm512_sub_pd(n, z)), _mm512_sub_pd(p, z));
            __m512d u = _mm512_add_pd(q, e);
            if constexpr (kWithLo) {
                u = _mm512_fmadd_pd(a, bl, u);
                u = _mm512_fmadd_pd(_mm512_set1_pd(lr[i0 + r]), b, u);
            }
            s[r] = n;
            c[r] = _mm512_add_pd(c[r], u);
        }
    }
    for (int r = 0; r < R; ++r) {
        _mm512_store_pd(sOut + (i0 + r) * width + j0, s[r]);
        _mm512_store_pd(cOut + (i0 + r) * width + j0, c[r]);
    }
}

__attribute__((target("avx512f"))) void MomentBlock512(const double* hi, const double* lo,
                                                        const unsigned char* hasLo, int cols, int width, int len,
                                                        double* sOut, double* cOut) {
    for (int j0 = 0; j0 < cols; j0 += 8) {
        const bool loJ = AnyLo(hasLo, j0, 8);
        for (int i0 = j0; i0 < cols; i0 += 8) {
            if (loJ || AnyLo(hasLo, i0, 8))
                Tile512<true>(hi, lo, width, len, i0, j0, sOut, cOut);
            else
                Tile512<false>(hi, lo, width, len, i0, j0, sOut, cOut);
        }
    }
}

// The same with four lanes, tiles of 4 rows by 4 columns.
template <bool kWithLo>
__attribute__((target("avx2,fma"), always_inline)) inline void Tile256(const double* hi, const double* lo, int width,
                                                                       int len, int i0, int j0, double* sOut,
                                                                       double* cOut) {
    constexpr int R = 4;
    __m256d s[R], c[R];
    for (int r = 0; r < R; ++r) s[r] = c[r] = _mm256_setzero_pd();
    for (int t = 0; t < len; ++t) {
        const double* hr = hi + t * width;
        const double* lr = lo + t * width;
        const __m256d b = _mm256_load_pd(hr + j0);
        __m256d bl = _mm256_setzero_pd();
        if constexpr (kWithLo) bl = _mm256_load_pd(lr + j0);
        for (int r = 0; r < R; ++r) {
            const __m256d a = _mm256_broadcast_sd(hr + i0 + r);
            const __m256d p = _mm256_mul_pd(a, b);
            const __m256d e = _mm256_fmsub_pd(a, b, p);
            const __m256d n = _mm256_add_pd(s[r], p);
            const __m256d z = _mm256_sub_pd(n, s[r]);
            const __m256d q = _mm256_add_pd(_mm256_sub_pd(s[r], _mm256_sub_pd(n, z)), _mm256_sub_pd(p, z));
            __m256d u = _mm256_add_pd(q, e);
            if constexpr (kWithLo) {
                u = _mm256_fmadd_pd(a, bl, u);
                u = _mm256_fmadd_pd(_mm256_broadcast_sd(lr + i0 + r), b, u);
            }
            s[r] = n;
            c[r] = _mm256_add_pd(c[r], u);
        }
    }
    for (int r = 0; r < R; ++r) {
        _mm256_store_pd(sOut + (i0 + r) * width + j0, s[r]);
        _mm256_store_pd(cOut + (i0 + r) * width + j0, c[r]);
    }
}

__attribute__((target("avx2,fma"))) void MomentBlock256(const double* hi, const double* lo,
                                                         const unsigned char* hasLo, int cols, int width, int len,
                                                         double* sOut, double* cOut) {
    for (int j0 = 0; j0 < cols; j0 += 4) {
        const bool loJ = AnyLo(hasLo, j0, 4);
        for (int i0 = j0; i0 < cols; i0 += 4) {
            if (loJ || AnyLo(hasLo, i0, 4))
                Tile256<true>(hi, lo, width, len, i0, j0, sOut, cOut);
            else
                Tile256<false>(hi, lo, width, len, i0, j0, sOut, cOut);
        }
    }
}

}  // namespace
#endif

MomentBlockKernel FindMomentKernel(MomentKernel kernel) {
#ifdef MERLOX_X86_KERNELS
    __builtin_cpu_init();
    const bool avx512 = __builtin_cpu_supports("avx512f");
    const bool avx2 = __builtin_cpu_supports("avx2") && __builtin_cpu_supports("fma");
    switch (kernel) {
        case MomentKernel::Automatic:
            if (avx512) return MomentBlock512;
            if (avx2) return MomentBlock256;
            return MomentBlockPortable;
        case MomentKernel::Avx512:
            return avx512 ? MomentBlock512 : nullptr;
        case MomentKernel::Avx2:
            return avx2 ? MomentBlock256 : nullptr;
        case MomentKernel::Portable:
            return MomentBlockPortable;
    }
    return nullptr;
#else
    return kernel == MomentKernel::Automatic || kernel == MomentKernel::Portable ? MomentBlockPortable : nullptr;
#endif
}
