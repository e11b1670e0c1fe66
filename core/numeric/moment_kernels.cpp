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

// Vectors run across j: lanes are entries (i, j0 .. j0+L-1) of one row i,
// whose values are broadcast. Tiles of R rows i by one vector of columns;
// a group of rows takes the columns up to its last row. n - s and p - z
// go through the multiply-add unit as fma(-1, s, n), which rounds the
// same, so that both kinds of unit are busy.
#define MERLOX_TILE(NAME, TARGET, VEC, L, SETZERO, LOAD, STORE, SET1, MUL, FMADD, FMSUB, ADD, SUB)                  \
    template <int R, bool kWithLo>                                                                                   \
    __attribute__((target(TARGET), always_inline)) inline void NAME(const double* hi, const double* lo, int width,   \
                                                                    int len, int i0, int j0, double* sOut,           \
                                                                    double* cOut) {                                  \
        VEC s[R], c[R];                                                                                              \
        for (int r = 0; r < R; ++r) s[r] = c[r] = SETZERO();                                                         \
        const VEC minusOne = SET1(-1.0);                                                                             \
        for (int t = 0; t < len; ++t) {                                                                              \
            const double* hr = hi + t * width;                                                                       \
            const double* lr = lo + t * width;                                                                       \
            const VEC b = LOAD(hr + j0);                                                                             \
            VEC bl = SETZERO();                                                                                      \
            if constexpr (kWithLo) bl = LOAD(lr + j0);                                                               \
            for (int r = 0; r < R; ++r) {                                                                            \
                const VEC a = SET1(hr[i0 + r]);                                                                      \
                const VEC p = MUL(a, b);                                                                             \
                const VEC e = FMSUB(a, b, p);                                                                        \
                const VEC n = ADD(s[r], p);                                                                          \
                const VEC z = FMADD(minusOne, s[r], n);                                                              \
                const VEC q = ADD(SUB(s[r], SUB(n, z)), FMADD(minusOne, z, p));                                      \
                VEC u = ADD(q, e);                                                                                   \
                if constexpr (kWithLo) {                                                                             \
                    u = FMADD(a, bl, u);                                                                             \
                    u = FMADD(SET1(lr[i0 + r]), b, u);                                                               \
                }                                                                                                    \
                s[r] = n;                                                                                            \
                c[r] = ADD(c[r], u);                                                                                 \
            }                                                                                                        \
        }                                                                                                            \
        for (int r = 0; r < R; ++r) {                                                                                \
            STORE(sOut + (i0 + r) * width + j0, s[r]);                                                               \
            STORE(cOut + (i0 + r) * width + j0, c[r]);                                                               \
        }                                                                                                            \
    }

MERLOX_TILE(Tile512, "avx512f", __m512d, 8, _mm512_setzero_pd, _mm512_load_pd, _mm512_store_pd, _mm512_set1_pd,
            _mm512_mul_pd, _mm512_fmadd_pd, _mm512_fmsub_pd, _mm512_add_pd, _mm512_sub_pd)
MERLOX_TILE(Tile256, "avx2,fma", __m256d, 4, _mm256_setzero_pd, _mm256_load_pd, _mm256_store_pd, _mm256_set1_pd,
            _mm256_mul_pd, _mm256_fmadd_pd, _mm256_fmsub_pd, _mm256_add_pd, _mm256_sub_pd)
#undef MERLOX_TILE

// Rows in groups of four, the last group shorter. The last columns a group
// needs may fit a half vector (NARROW) when VEC is a wide one.
#define MERLOX_CALL_TILE(TILE, ROWS, WITH_LO)                                                                       \
    switch ((ROWS) * 2 + ((WITH_LO) ? 1 : 0)) {                                                                      \
        case 2: TILE<1, false>(hi, lo, width, len, i0, j0, sOut, cOut); break;                                       \
        case 3: TILE<1, true>(hi, lo, width, len, i0, j0, sOut, cOut); break;                                        \
        case 4: TILE<2, false>(hi, lo, width, len, i0, j0, sOut, cOut); break;                                       \
        case 5: TILE<2, true>(hi, lo, width, len, i0, j0, sOut, cOut); break;                                        \
        case 6: TILE<3, false>(hi, lo, width, len, i0, j0, sOut, cOut); break;                                       \
        case 7: TILE<3, true>(hi, lo, width, len, i0, j0, sOut, cOut); break;                                        \
        case 8: TILE<4, false>(hi, lo, width, len, i0, j0, sOut, cOut); break;                                       \
        default: TILE<4, true>(hi, lo, width, len, i0, j0, sOut, cOut); break;                                       \
    }

#define MERLOX_BLOCK(NAME, TILE, NARROW, TARGET, L)                                                                  \
    __attribute__((target(TARGET))) void NAME(const double* hi, const double* lo, const unsigned char* hasLo,        \
                                              int cols, int width, int len, double* sOut, double* cOut) {            \
        for (int i0 = 0; i0 < cols; i0 += 4) {                                                                       \
            const int rows = cols - i0 < 4 ? cols - i0 : 4;                                                          \
            const bool loI = AnyLo(hasLo, i0, rows);                                                                 \
            for (int j0 = 0; j0 < i0 + rows; j0 += L) {                                                              \
                if (L > 4 && j0 + 4 >= i0 + rows) {                                                                  \
                    MERLOX_CALL_TILE(NARROW, rows, loI || AnyLo(hasLo, j0, 4))                                       \
                } else {                                                                                             \
                    MERLOX_CALL_TILE(TILE, rows, loI || AnyLo(hasLo, j0, L))                                         \
                }                                                                                                    \
            }                                                                                                        \
        }                                                                                                            \
    }

MERLOX_BLOCK(MomentBlock512, Tile512, Tile256, "avx512f,avx2,fma", 8)
MERLOX_BLOCK(MomentBlock256, Tile256, Tile256, "avx2,fma", 4)
#undef MERLOX_BLOCK
#undef MERLOX_CALL_TILE

}  // namespace
#endif

MomentBlockKernel FindMomentKernel(MomentKernel kernel) {
#ifdef MERLOX_X86_KERNELS
    __builtin_cpu_init();
    const bool avx2 = __builtin_cpu_supports("avx2") && __builtin_cpu_supports("fma");
    const bool avx512 = avx2 && __builtin_cpu_supports("avx512f");
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
