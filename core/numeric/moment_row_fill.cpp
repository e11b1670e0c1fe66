// The block fills. Nothing may be fused into a multiply-add or reordered:
// the two-sum must round as written.
#ifdef __clang__
#pragma clang fp contract(off)
#elif defined(__GNUC__)
#pragma GCC optimize("fp-contract=off")
#endif

#include "core/numeric/moment_row_fill.h"

#include <bit>
#include <cmath>

#include "core/numeric/moment_matrix.h"

#if defined(__x86_64__) && defined(__GNUC__)
#include <immintrin.h>
#define MERLOX_X86_FILL 1
#endif

// Row by row, so the compiler can vectorize.
#if defined(__x86_64__) && defined(__GNUC__) && !defined(__clang__)
__attribute__((target_clones("avx512f", "avx2", "default")))
#endif
void MomentRowFillPortable(const double* __restrict rows, long long stride, int len, int cols, int width,
                           const double* __restrict negShift, double* __restrict hi, double* __restrict lo,
                           std::uint64_t* __restrict bits, double* __restrict most) {
    for (int t = 0; t < len; ++t) {
        const double* __restrict x = rows + t * stride;
        double* __restrict h = hi + t * width;
        double* __restrict l = lo + t * width;
        for (int j = 0; j < cols; ++j) {
            const double a = x[j], c = negShift[j];
            const double sum = a + c;
            const double bb = sum - a;
            const double e = (a - (sum - bb)) + (c - bb);
            h[j] = sum;
            l[j] = e;
            bits[j] |= std::bit_cast<std::uint64_t>(e) << 1;  // any but +-0, NaN too
            const double size = std::fabs(sum);
            most[j] = most[j] < size ? size : most[j];  // a NaN passes on through its products
        }
    }
}

#ifdef MERLOX_X86_FILL
namespace {

// Eight columns at a time down the rows, the last group masked; the
// column's error bits and largest size stay in registers.
__attribute__((target("avx512f"))) void MomentRowFill512(const double* rows, long long stride, int len, int cols,
                                                         int width, const double* negShift, double* hi, double* lo,
                                                         std::uint64_t* bits, double* most) {
    const __m512i signless = _mm512_set1_epi64(0x7fffffffffffffffLL);
    for (int j0 = 0; j0 < cols; j0 += 8) {
        const __mmask8 m = cols - j0 >= 8 ? __mmask8(0xff) : __mmask8((1u << (cols - j0)) - 1);
        const __m512d c = _mm512_maskz_loadu_pd(m, negShift + j0);
        __m512i any = _mm512_maskz_loadu_epi64(m, bits + j0);
        __m512d largest = _mm512_maskz_loadu_pd(m, most + j0);
        for (int t = 0; t < len; ++t) {
            const __m512d a = _mm512_maskz_loadu_pd(m, rows + t * stride + j0);
            const __m512d sum = _mm512_add_pd(a, c);
            const __m512d bb = _mm512_sub_pd(sum, a);
            const __m512d e = _mm512_add_pd(_mm512_sub_pd(a, _mm512_sub_pd(sum, bb)), _mm512_sub_pd(c, bb));
            _mm512_mask_storeu_pd(hi + t * width + j0, m, sum);
            _mm512_mask_storeu_pd(lo + t * width + j0, m, e);
            const __m512i eBits = _mm512_castpd_si512(e);
            any = _mm512_or_si512(any, _mm512_add_epi64(eBits, eBits));  // the bits shifted left by one
            const __m512d size = _mm512_castsi512_pd(_mm512_and_si512(_mm512_castpd_si512(sum), signless));
            // largest < size ? size : largest, as the portable fill.
            largest = _mm512_mask_blend_pd(_mm512_cmp_pd_mask(largest, size, _CMP_LT_OQ), largest, size);
        }
        _mm512_mask_storeu_epi64(bits + j0, m, any);
        _mm512_mask_storeu_pd(most + j0, m, largest);
    }
}

}  // namespace
#endif

MomentRowFill FindMomentRowFill(MomentKernel kernel) {
#ifdef MERLOX_X86_FILL
    const bool wide = kernel == MomentKernel::Avx512 ||
                      (kernel == MomentKernel::Automatic && MomentKernelAvailable(MomentKernel::Avx512));
    if (wide && MomentKernelAvailable(MomentKernel::Avx512)) return MomentRowFill512;
#else
    (void)kernel;
#endif
    return MomentRowFillPortable;
}
