// The quadratic forms of the leverages, over a block of observations held
// column-major (kLeverageBlock values per variable), so that the inner loops
// vectorise. Shared by the residual pass and the leverages completed later:
// both give the same bits.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <limits>
#include <vector>

#include "core/model/perfect_fit.h"
#include "core/numeric/thread_pool.h"
#include "platform/numeric_tolerances.h"

inline constexpr int kLeverageBlock = 64;
// Observations per task of the residual pass (whole blocks); its sums are
// added per chunk, in chunk order, wherever they are formed.
inline constexpr int kResidualChunk = 4096;

// A leverage this close to 1 is 1: the observation alone determines a
// coefficient, and what is left of 1 - h is rounding. The gap holds for the
// two-stage cross leverage as well, whose sums round a little more.
inline constexpr double kLeverageOneGap = 0x1p-40;

// (Two-stage leverages may lie past 1: only those near it are snapped.)
inline double LeverageSnappedToOne(double h) { return std::fabs(h - 1.0) < kLeverageOneGap ? 1.0 : h; }

// The observations that alone hold a column's values other than 0 (a
// dummy for one observation), sorted: each alone fixes that column's
// coefficient, so its leverage is exactly 1, whatever the rounding of the
// computed one (a fit that sums uncentred values in double may miss 1 by
// far more than the gap above on data such as Longley's). nonzero(j, t)
// tells whether column j (0 <= j < q) is other than 0 at observation t.
template <class NonZero>
std::vector<long long> SoleObservations(long long n, int q, NonZero nonzero) {
    std::vector<long long> sole;
    for (int j = 0; j < q; ++j) {
        long long at = -1;
        for (long long t = 0; t < n; ++t) {
            if (!nonzero(j, t)) continue;
            if (at >= 0) {
                at = -1;
                break;
            }
            at = t;
        }
        if (at >= 0) sole.push_back(at);
    }
    std::sort(sole.begin(), sole.end());
    sole.erase(std::unique(sole.begin(), sole.end()), sole.end());
    return sole;
}

// The leverage h of observation t: 1 for one of the sole observations,
// else h snapped.
inline double LeverageAt(double h, long long t, const std::vector<long long>& sole) {
    if (!sole.empty() && std::binary_search(sole.begin(), sole.end(), t)) return 1.0;
    return LeverageSnappedToOne(h);
}

// A figure that divides by 1 - h where the leverage is 1.
inline constexpr double kNoFigure = std::numeric_limits<double>::quiet_NaN();

// e / (1 - h); no number for a leverage of 1, where the deleted fit has no
// residual to predict.
inline double PressResidualOf(double e, double h) { return h == 1.0 ? kNoFigure : e / (1.0 - h); }

// s2(i) from the deleted fit's SSE: without an observation of leverage 1
// the fit keeps every other residual, so SSE loses nothing but a degree of
// freedom (df1 = residual degrees of freedom - 1).
inline double DeletedVariance(double deletedSse, double sse, double lev, double df1) {
    return (lev == 1.0 ? sse : deletedSse) / df1;
}

// An observed value below this counts as 0 in an error rate: 2^-52 of the
// largest magnitude of the n values value(i) (found in blocks on the pool),
// whatever their units.
template <class Value>
double ZeroObservedBelow(ThreadPool* pool, long long n, const Value& value) {
    constexpr int kRows = 4096;
    std::vector<double> largest(static_cast<std::size_t>((n + kRows - 1) / kRows), 0.0);
    ForEachBlock(pool, n, kRows, [&](long long first, int count) {
        double m = 0.0;
        for (long long i = first; i < first + count; ++i) m = std::max(m, std::fabs(value(i)));
        largest[static_cast<std::size_t>(first / kRows)] = m;
    });
    double m = 0.0;
    for (double v : largest) m = std::max(m, v);
    return m > 0.0 ? kDoubleEpsilon * m : kDoubleEpsilon;
}

// out[t] = v_t' Q v_t for the packed symmetric form Q (p x p, upper triangle
// with doubled off-diagonal elements), v column-major in blocks of
// kLeverageBlock.
void QuadraticForm(const double* q, int p, const double* v, int len, double* out);
// out (q x len) = C v for the full q x q matrix C (row-major) and the
// columns of v; v and out hold stride values per row (stride >= len). Each
// entry is summed over l in order from 0.0.
void MatrixProduct(const double* c, int q, const double* v, int stride, int len, double* out);

// Centred columns of a block of rows (row-major, rowStride values a row):
// out[s * outStride + t] = (rows[t * rowStride + cols[s]] - hi[s]) - lo[s]
// for t < len and s < q. rowsHeld (>= len): the rows from rows on that may
// be read, of which those past len are only fetched ahead.
void CentreRows(const double* rows, int rowStride, const int* cols, const double* hi, const double* lo, int q,
                int len, long long rowsHeld, double* out, int outStride);

// The same forms by the code that runs where the processor has no AVX-512:
// every path gives the same bits, which the tests compare.
void QuadraticFormPortable(const double* q, int p, const double* v, int len, double* out);
void MatrixProductPortable(const double* c, int q, const double* v, int stride, int len, double* out);
void CentreRowsPortable(const double* rows, int rowStride, const int* cols, const double* hi, const double* lo, int q,
                        int len, double* out, int outStride);
// out[t] = x_t' M z_t for the full p x p matrix M.
void BilinearForm(const double* m, int p, const double* x, const double* z, int len, double* out);

// What the leverage rows of an ordinary fit are formed from, taken when the
// fit ends: the swept block of its variables in packed form, their design
// columns and means. The rows themselves wait for a reader.
struct LeverageSource {
    int q = 0;
    std::vector<int> vars;        // design columns of the swept variables
    std::vector<double> packed;   // q x q
    std::vector<double> centreHi, centreLo;
    double inverseN = 0.0;
    long long n = 0;
};
