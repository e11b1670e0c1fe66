#include "core/model/leverage_forms.h"

#include <type_traits>

#if defined(__GNUC__) && defined(__x86_64__) && !defined(__clang__)
#include <immintrin.h>
#define MERLOX_WIDE_KERNELS 1
// The portable forms compiled for AVX2 as well where the processor has it.
#define MERLOX_VECTOR_CLONES __attribute__((target_clones("avx2", "default")))
// The AVX-512 forms: products and sums stay separate instructions (a fused
// multiply-add rounds once, and the bits would differ from the other paths).
#define MERLOX_WIDE __attribute__((target("avx512f"), optimize("fp-contract=off")))
#else
#define MERLOX_VECTOR_CLONES
#endif

namespace {

constexpr int kBlock = kLeverageBlock;

#ifdef MERLOX_WIDE_KERNELS
bool HasAvx512() {
    static const bool has = __builtin_cpu_supports("avx512f");
    return has;
}

// Lanes 0 .. n - 1 of a vector of eight (n may exceed 8).
MERLOX_WIDE __mmask8 Lanes(int n) {
    if (n <= 0) return 0;
    return n >= 8 ? static_cast<__mmask8>(0xff) : static_cast<__mmask8>((1u << n) - 1u);
}

// Entries t0 + 8 j .. of lane mask m (all lanes in a whole group of 32:
// plain loads and stores there, masks kept out of the inner loops).
template <bool kWhole>
MERLOX_WIDE __m512d Load(__mmask8 m, const double* p) {
    if constexpr (kWhole) return _mm512_loadu_pd(p);
    return _mm512_maskz_loadu_pd(m, p);
}

template <bool kWhole>
MERLOX_WIDE void Store(__mmask8 m, double* p, __m512d x) {
    if constexpr (kWhole)
        _mm512_storeu_pd(p, x);
    else
        _mm512_mask_storeu_pd(p, m, x);
}

// Four vectors of eight entries t0 .. t0 + 31 (those from len on are neither
// read nor stored): each kept in a register through all of s and l, so that
// four independent sums run at once.
template <bool kWhole>
MERLOX_WIDE void QuadraticGroup(const double* q, int p, const double* v, int len, int t0, double* out) {
    const __mmask8 m0 = Lanes(len - t0), m1 = Lanes(len - t0 - 8), m2 = Lanes(len - t0 - 16),
                   m3 = Lanes(len - t0 - 24);
    __m512d sum0 = _mm512_setzero_pd(), sum1 = sum0, sum2 = sum0, sum3 = sum0;
    for (int s = 0; s < p; ++s) {
        const double* qs = q + static_cast<size_t>(s) * p;
        const double* vs = v + static_cast<size_t>(s) * kBlock + t0;
        const __m512d v0 = Load<kWhole>(m0, vs), v1 = Load<kWhole>(m1, vs + 8), v2 = Load<kWhole>(m2, vs + 16),
                      v3 = Load<kWhole>(m3, vs + 24);
        const __m512d d = _mm512_set1_pd(qs[s]);
        __m512d a0 = _mm512_mul_pd(d, v0), a1 = _mm512_mul_pd(d, v1), a2 = _mm512_mul_pd(d, v2),
                a3 = _mm512_mul_pd(d, v3);
        for (int l = s + 1; l < p; ++l) {
            const __m512d c = _mm512_set1_pd(qs[l]);
            const double* vl = v + static_cast<size_t>(l) * kBlock + t0;
            a0 = _mm512_add_pd(a0, _mm512_mul_pd(c, Load<kWhole>(m0, vl)));
            a1 = _mm512_add_pd(a1, _mm512_mul_pd(c, Load<kWhole>(m1, vl + 8)));
            a2 = _mm512_add_pd(a2, _mm512_mul_pd(c, Load<kWhole>(m2, vl + 16)));
            a3 = _mm512_add_pd(a3, _mm512_mul_pd(c, Load<kWhole>(m3, vl + 24)));
        }
        sum0 = _mm512_add_pd(sum0, _mm512_mul_pd(v0, a0));
        sum1 = _mm512_add_pd(sum1, _mm512_mul_pd(v1, a1));
        sum2 = _mm512_add_pd(sum2, _mm512_mul_pd(v2, a2));
        sum3 = _mm512_add_pd(sum3, _mm512_mul_pd(v3, a3));
    }
    Store<kWhole>(m0, out + t0, sum0);
    Store<kWhole>(m1, out + t0 + 8, sum1);
    Store<kWhole>(m2, out + t0 + 16, sum2);
    Store<kWhole>(m3, out + t0 + 24, sum3);
}

MERLOX_WIDE void QuadraticFormWide(const double* q, int p, const double* v, int len, double* out) {
    int t0 = 0;
    for (; t0 + 32 <= len; t0 += 32) QuadraticGroup<true>(q, p, v, len, t0, out);
    if (t0 < len) QuadraticGroup<false>(q, p, v, len, t0, out);
}

// Rows s .. s + kRows - 1 of out over entries t0 .. t0 + 31: kRows x 4
// vectors of sums in registers through all of l.
template <int kRows, bool kWhole>
MERLOX_WIDE void ProductGroup(const double* c, int q, const double* v, int stride, int len, int s, int t0,
                              double* out) {
    __mmask8 m[4];
    for (int j = 0; j < 4; ++j) m[j] = Lanes(len - t0 - 8 * j);
    __m512d acc[kRows][4];
    for (int r = 0; r < kRows; ++r)
        for (int j = 0; j < 4; ++j) acc[r][j] = _mm512_setzero_pd();
    for (int l = 0; l < q; ++l) {
        const double* vl = v + static_cast<size_t>(l) * stride + t0;
        __m512d x[4];
        for (int j = 0; j < 4; ++j) x[j] = Load<kWhole>(m[j], vl + 8 * j);
        for (int r = 0; r < kRows; ++r) {
            const __m512d f = _mm512_set1_pd(c[static_cast<size_t>(s + r) * q + l]);
            for (int j = 0; j < 4; ++j) acc[r][j] = _mm512_add_pd(acc[r][j], _mm512_mul_pd(f, x[j]));
        }
    }
    for (int r = 0; r < kRows; ++r) {
        double* o = out + static_cast<size_t>(s + r) * stride + t0;
        for (int j = 0; j < 4; ++j) Store<kWhole>(m[j], o + 8 * j, acc[r][j]);
    }
}

template <int kRows>
MERLOX_WIDE void ProductRowsWide(const double* c, int q, const double* v, int stride, int len, int s, double* out) {
    int t0 = 0;
    for (; t0 + 32 <= len; t0 += 32) ProductGroup<kRows, true>(c, q, v, stride, len, s, t0, out);
    if (t0 < len) ProductGroup<kRows, false>(c, q, v, stride, len, s, t0, out);
}

void MatrixProductWide(const double* c, int q, const double* v, int stride, int len, double* out) {
    int s = 0;
    for (; s + 4 <= q; s += 4) ProductRowsWide<4>(c, q, v, stride, len, s, out);
    switch (q - s) {
        case 3: ProductRowsWide<3>(c, q, v, stride, len, s, out); break;
        case 2: ProductRowsWide<2>(c, q, v, stride, len, s, out); break;
        case 1: ProductRowsWide<1>(c, q, v, stride, len, s, out); break;
        default: break;
    }
}

// Eight rows at a time: each column of them by one gather. Rows further on
// are asked for meanwhile; the loads of a gather alone leave the core
// waiting on memory.
MERLOX_WIDE void CentreRowsWide(const double* rows, int rowStride, const int* cols, const double* hi,
                                const double* lo, int q, int len, long long rowsHeld, double* out, int outStride) {
    constexpr int kAhead = 192;  // rows
    const long long rowStride64 = rowStride;
    const __m512i step = _mm512_set_epi64(7 * rowStride64, 6 * rowStride64, 5 * rowStride64, 4 * rowStride64,
                                          3 * rowStride64, 2 * rowStride64, rowStride64, 0);
    const long long rowBytes = rowStride64 * 8;
    for (int t0 = 0; t0 < len; t0 += 8) {
        const __mmask8 m = Lanes(len - t0);
        const double* base = rows + static_cast<size_t>(t0) * rowStride;
        if (t0 + kAhead + 8 <= rowsHeld) {
            const char* ahead = reinterpret_cast<const char*>(base) + kAhead * rowBytes;
            for (long long at = 0; at < 8 * rowBytes; at += 64) _mm_prefetch(ahead + at, _MM_HINT_T1);
        }
        for (int s = 0; s < q; ++s) {
            const __m512d x = _mm512_mask_i64gather_pd(_mm512_setzero_pd(), m, step, base + cols[s], 8);
            const __m512d c = _mm512_sub_pd(_mm512_sub_pd(x, _mm512_set1_pd(hi[s])), _mm512_set1_pd(lo[s]));
            _mm512_mask_storeu_pd(out + static_cast<size_t>(s) * outStride + t0, m, c);
        }
    }
}
#endif

}  // namespace

// Entries t0 .. t0 + kCols - 1 are kept in registers through all of s and l;
// the entries past the last whole group are summed the same way one by one.
MERLOX_VECTOR_CLONES void QuadraticFormPortable(const double* q, int p, const double* v, int len, double* out) {
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

void QuadraticForm(const double* q, int p, const double* v, int len, double* out) {
#ifdef MERLOX_WIDE_KERNELS
    if (HasAvx512()) {
        QuadraticFormWide(q, p, v, len, out);
        return;
    }
#endif
    QuadraticFormPortable(q, p, v, len, out);
}

// Four rows of out at a time over a few columns, in registers; each entry
// is summed over l in order from 0.0, as alone.
MERLOX_VECTOR_CLONES void MatrixProductPortable(const double* c, int q, const double* v, int stride, int len,
                                                double* out) {
    constexpr int kRows = 4, kCols = 8;
    int s = 0;
    for (; s + kRows <= q; s += kRows) {
        const double* c0 = c + static_cast<size_t>(s) * q;
        const double* c1 = c0 + q;
        const double* c2 = c1 + q;
        const double* c3 = c2 + q;
        for (int t0 = 0; t0 < len; t0 += kCols) {
            const int n = len - t0 < kCols ? len - t0 : kCols;
            double a0[kCols] = {}, a1[kCols] = {}, a2[kCols] = {}, a3[kCols] = {};
            const auto add = [&](auto cols) {
                for (int l = 0; l < q; ++l) {
                    const double* vl = v + static_cast<size_t>(l) * stride + t0;
                    const double f0 = c0[l], f1 = c1[l], f2 = c2[l], f3 = c3[l];
                    for (int t = 0; t < cols; ++t) {
                        a0[t] += f0 * vl[t];
                        a1[t] += f1 * vl[t];
                        a2[t] += f2 * vl[t];
                        a3[t] += f3 * vl[t];
                    }
                }
            };
            // A whole group by a loop of fixed length (it runs in vectors).
            if (n == kCols)
                add(std::integral_constant<int, kCols>());
            else
                add(n);
            double* o = out + static_cast<size_t>(s) * stride + t0;
            for (int t = 0; t < n; ++t) {
                o[t] = a0[t];
                o[stride + t] = a1[t];
                o[2 * stride + t] = a2[t];
                o[3 * stride + t] = a3[t];
            }
        }
    }
    for (; s < q; ++s) {
        double* os = out + static_cast<size_t>(s) * stride;
        for (int t = 0; t < len; ++t) os[t] = 0.0;
        const double* cs = c + static_cast<size_t>(s) * q;
        for (int l = 0; l < q; ++l) {
            const double f = cs[l];
            const double* vl = v + static_cast<size_t>(l) * stride;
            for (int t = 0; t < len; ++t) os[t] += f * vl[t];
        }
    }
}

void MatrixProduct(const double* c, int q, const double* v, int stride, int len, double* out) {
#ifdef MERLOX_WIDE_KERNELS
    if (HasAvx512()) {
        MatrixProductWide(c, q, v, stride, len, out);
        return;
    }
#endif
    MatrixProductPortable(c, q, v, stride, len, out);
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

void CentreRowsPortable(const double* rows, int rowStride, const int* cols, const double* hi, const double* lo, int q,
                        int len, double* out, int outStride) {
    for (int t = 0; t < len; ++t) {
        const double* row = rows + static_cast<size_t>(t) * rowStride;
        for (int s = 0; s < q; ++s) out[static_cast<size_t>(s) * outStride + t] = (row[cols[s]] - hi[s]) - lo[s];
    }
}

void CentreRows(const double* rows, int rowStride, const int* cols, const double* hi, const double* lo, int q,
                int len, long long rowsHeld, double* out, int outStride) {
#ifdef MERLOX_WIDE_KERNELS
    if (HasAvx512()) {
        CentreRowsWide(rows, rowStride, cols, hi, lo, q, len, rowsHeld, out, outStride);
        return;
    }
#endif
    CentreRowsPortable(rows, rowStride, cols, hi, lo, q, len, out, outStride);
}
