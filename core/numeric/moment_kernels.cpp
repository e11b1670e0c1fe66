// The block kernels. Products must not be fused with the sums that follow
// them, or the kernels would round differently.
#ifdef __clang__
#pragma clang fp contract(off)
#elif defined(__GNUC__)
#pragma GCC optimize("fp-contract=off")
#endif

#include "core/numeric/moment_kernels.h"

#include <algorithm>
#include <cmath>

#include "core/numeric/moment_matrix.h"

#if defined(__x86_64__) && defined(__GNUC__)
#include <immintrin.h>
#define MERLOX_X86_KERNELS 1
#endif

double MomentColumnScale(double maxAbs) {
    if (!(maxAbs <= 1.79769313486231570815e308)) return HUGE_VAL;  // inf or NaN
    if (maxAbs == 0.0) return std::ldexp(1.0, -507);
    int exponent = 0;
    std::frexp(maxAbs, &exponent);
    return std::ldexp(1.0, exponent + 4);
}

// g at most this: near the top of the range the sums lose a little, but do
// not become NaN.
constexpr double kTopPower = 0x1p1023;

void MomentBlockPortable(const double* hi, const double* lo, const unsigned char* hasLo, const double* scale, int cols,
                         int width, int len, double* sOut, double* cOut) {
    for (int i = 0; i < cols; ++i) {
        for (int j = 0; j <= i; ++j) {
            const bool withLo = hasLo[i] || hasLo[j];
            const double g = std::min(scale[i] * scale[j], kTopPower);
            double s = 0.0, c = 0.0;
            for (int t = 0; t < len; ++t) {
                const double a = hi[t * width + i], b = hi[t * width + j];
                const double p = a * b;
                const double e = std::fma(a, b, -p);
                const double q = (g + p) - g;
                const double r = p - q;
                s = s + q;
                double u = r + e;
                if (withLo) {
                    u = std::fma(a, lo[t * width + j], u);
                    u = std::fma(lo[t * width + i], b, u);
                }
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
// a group of rows takes the columns up to its last row. (g + p) - g goes
// through the multiply-add unit as fma(-1, g, g + p), which rounds the
// same, so that both kinds of unit are busy.
// std::min(g, cap): cap where cap < g, else g.
__attribute__((target("avx512f"), always_inline)) inline __m512d Min512(__m512d g, __m512d cap) {
    return _mm512_mask_blend_pd(_mm512_cmp_pd_mask(cap, g, _CMP_LT_OQ), g, cap);
}
__attribute__((target("avx2"), always_inline)) inline __m256d Min256(__m256d g, __m256d cap) {
    return _mm256_blendv_pd(g, cap, _mm256_cmp_pd(cap, g, _CMP_LT_OQ));
}

#define MERLOX_TILE(NAME, TARGET, VEC, L, SETZERO, LOAD, STORE, SET1, MUL, FMADD, FMSUB, ADD, SUB, MIN)             \
    template <int R, bool kWithLo>                                                                                   \
    __attribute__((target(TARGET), always_inline)) inline void NAME(const double* hi, const double* lo,              \
                                                                    const double* scale, int width, int len, int i0, \
                                                                    int j0, double* sOut, double* cOut) {            \
        VEC s[R], c[R], g[R];                                                                                        \
        const VEC minusOne = SET1(-1.0);                                                                             \
        for (int r = 0; r < R; ++r) {                                                                                \
            s[r] = c[r] = SETZERO();                                                                                 \
            g[r] = MIN(MUL(SET1(scale[i0 + r]), LOAD(scale + j0)), SET1(kTopPower));                                 \
        }                                                                                                            \
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
                const VEC q = FMADD(minusOne, g[r], ADD(g[r], p));                                                   \
                VEC u = ADD(SUB(p, q), e);                                                                           \
                s[r] = ADD(s[r], q);                                                                                 \
                if constexpr (kWithLo) {                                                                             \
                    u = FMADD(a, bl, u);                                                                             \
                    u = FMADD(SET1(lr[i0 + r]), b, u);                                                               \
                }                                                                                                    \
                c[r] = ADD(c[r], u);                                                                                 \
            }                                                                                                        \
        }                                                                                                            \
        for (int r = 0; r < R; ++r) {                                                                                \
            STORE(sOut + (i0 + r) * width + j0, s[r]);                                                               \
            STORE(cOut + (i0 + r) * width + j0, c[r]);                                                               \
        }                                                                                                            \
    }

MERLOX_TILE(Tile512, "avx512f", __m512d, 8, _mm512_setzero_pd, _mm512_load_pd, _mm512_store_pd, _mm512_set1_pd,
            _mm512_mul_pd, _mm512_fmadd_pd, _mm512_fmsub_pd, _mm512_add_pd, _mm512_sub_pd, Min512)
MERLOX_TILE(Tile256, "avx2,fma", __m256d, 4, _mm256_setzero_pd, _mm256_load_pd, _mm256_store_pd, _mm256_set1_pd,
            _mm256_mul_pd, _mm256_fmadd_pd, _mm256_fmsub_pd, _mm256_add_pd, _mm256_sub_pd, Min256)
#undef MERLOX_TILE

// Rows in groups of four, the last group shorter. The last columns a group
// needs may fit a half vector (NARROW) when VEC is a wide one.
#define MERLOX_CALL_TILE(TILE, ROWS, WITH_LO)                                                                       \
    switch ((ROWS) * 2 + ((WITH_LO) ? 1 : 0)) {                                                                      \
        case 2: TILE<1, false>(hi, lo, scale, width, len, i0, j0, sOut, cOut); break;                                       \
        case 3: TILE<1, true>(hi, lo, scale, width, len, i0, j0, sOut, cOut); break;                                        \
        case 4: TILE<2, false>(hi, lo, scale, width, len, i0, j0, sOut, cOut); break;                                       \
        case 5: TILE<2, true>(hi, lo, scale, width, len, i0, j0, sOut, cOut); break;                                        \
        case 6: TILE<3, false>(hi, lo, scale, width, len, i0, j0, sOut, cOut); break;                                       \
        case 7: TILE<3, true>(hi, lo, scale, width, len, i0, j0, sOut, cOut); break;                                        \
        case 8: TILE<4, false>(hi, lo, scale, width, len, i0, j0, sOut, cOut); break;                                       \
        default: TILE<4, true>(hi, lo, scale, width, len, i0, j0, sOut, cOut); break;                                       \
    }

#define MERLOX_BLOCK(NAME, TILE, NARROW, TARGET, L)                                                                  \
    __attribute__((target(TARGET))) void NAME(const double* hi, const double* lo, const unsigned char* hasLo,        \
                                              const double* scale, int cols, int width, int len, double* sOut,       \
                                              double* cOut) {                                                        \
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
