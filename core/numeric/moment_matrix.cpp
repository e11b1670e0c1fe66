// The moment matrix: the sums of products of deviations and the means that
// every least-squares fit sweeps.
//
// Building it is the hot path of every fit, so it is formed in two passes
// instead of one provisional-means update per observation: the first pass
// takes the means, the second sums the products of the deviations from
// them. Products are summed over blocks of observations in double and the
// block totals carried in long double. The deviations are taken from a
// short approximation of the mean; their sums are kept too and the
// cross-products corrected by sum(dx) sum(dy) / n, so the result is that
// of the exact means whatever the shift (the corrected two-pass formula).
// The means themselves are the shift plus the deviations summed in long
// double. On data such as 1e8 plus small noise this is more accurate than
// the one-pass update in extended precision, and several times faster.
#include <cmath>
#include <vector>

#include "core/numeric/moment_matrix.h"

namespace {

// Observations per block: the block's deviations (kBlock x k doubles) stay
// in the first-level cache, and partial sums in double stay short.
constexpr int kBlock = 128;

// Element (i, j) of the data lies at columns[j][i * stride].
struct ColumnSource {
    const double* const* columns;
    long long stride;
};

// Copies observations first .. first+len-1 into buf (len x k, row-major),
// less shift[j]. When exact is given, the deviations are also added to
// exact[j] in long double, where x - shift is exact: the means come from
// those sums, not from the rounded double deviations.
void GatherBlock(const ColumnSource& src, int first, int len, int k, const double* shift, double* buf,
                 long double* exact) {
    // The raw values first, read in the order they lie in memory ...
    if (src.stride != 1) {
        for (int r = 0; r < len; ++r) {
            const long long offset = static_cast<long long>(first + r) * src.stride;
            for (int j = 0; j < k; ++j) buf[r * k + j] = src.columns[j][offset];
        }
    } else {
        for (int j = 0; j < k; ++j) {
            const double* col = src.columns[j] + first;
            for (int r = 0; r < len; ++r) buf[r * k + j] = col[r];
        }
    }
    // ... then column by column within the cached block, so that the long
    // double sums run in two independent chains per column.
    for (int j = 0; j < k; ++j) {
        const double s = shift[j];
        double* x = buf + j;
        long double e0 = 0.0L, e1 = 0.0L;
        int r = 0;
        for (; r + 2 <= len; r += 2) {
            const double x0 = x[r * k], x1 = x[(r + 1) * k];
            if (exact) {
                e0 += static_cast<long double>(x0) - s;
                e1 += static_cast<long double>(x1) - s;
            }
            x[r * k] = x0 - s;
            x[(r + 1) * k] = x1 - s;
        }
        if (r < len) {
            const double x0 = x[r * k];
            if (exact) e0 += static_cast<long double>(x0) - s;
            x[r * k] = x0 - s;
        }
        if (exact) exact[j] += e0 + e1;
    }
}

// Adds the column sums of a block into total (carried in long double).
void AddColumnSums(const double* buf, int len, int k, double* blockSum, long double* total) {
    std::fill_n(blockSum, k, 0.0);
    for (int r = 0; r < len; ++r) {
        const double* row = buf + r * k;
        for (int j = 0; j < k; ++j) blockSum[j] += row[j];
    }
    for (int j = 0; j < k; ++j) total[j] += blockSum[j];
}

// Adds the lower triangle of buf' buf into total (k x k, long double).
// Four observations go through each row of the block accumulator at once,
// so it is loaded and stored a quarter as often.
void AddCrossProducts(const double* buf, int len, int k, double* blockAcc, long double* total) {
    std::fill_n(blockAcc, static_cast<std::size_t>(k) * k, 0.0);
    int r = 0;
    for (; r + 4 <= len; r += 4) {
        const double* r0 = buf + r * k;
        const double* r1 = r0 + k;
        const double* r2 = r1 + k;
        const double* r3 = r2 + k;
        for (int i = 0; i < k; ++i) {
            const double a0 = r0[i], a1 = r1[i], a2 = r2[i], a3 = r3[i];
            double* acc = blockAcc + i * k;
            for (int j = 0; j <= i; ++j) acc[j] += (a0 * r0[j] + a1 * r1[j]) + (a2 * r2[j] + a3 * r3[j]);
        }
    }
    for (; r < len; ++r) {
        const double* row = buf + r * k;
        for (int i = 0; i < k; ++i) {
            const double di = row[i];
            double* acc = blockAcc + i * k;
            for (int j = 0; j <= i; ++j) acc[j] += di * row[j];
        }
    }
    for (int i = 0; i < k; ++i)
        for (int j = 0; j <= i; ++j) total[i * k + j] += blockAcc[i * k + j];
}

// The mean cut to 32 significant bits. A short shift keeps x - shift exact
// in long double (and often in double), so the deviations carry no rounding
// that would repeat over a whole column.
double ShortShift(double mean) {
    if (!std::isfinite(mean) || mean == 0.0) return mean;
    int exponent = 0;
    const double mantissa = std::frexp(mean, &exponent);
    return std::ldexp(std::round(std::ldexp(mantissa, 32)), exponent - 32);
}

template <class T>
void BuildFromSource(const ColumnSource& src, int n, int k, BasicMatrix<T>& m) {
    if (k < 0) throw ERangeError(kRangeErrorText);
    if (m.Rows() != k + 1 || m.Cols() != k + 1)
        m.Resize(k + 1, k + 1, false);
    else
        ZeroVector(m);
    if (n < 1) return;  // no observations: all zeros, not 1/0 in the corner

    const std::size_t kk = static_cast<std::size_t>(k) * k;
    std::vector<double> buf(static_cast<std::size_t>(kBlock) * k), blockSum(k), blockAcc(kk);
    std::vector<double> shift(k, 0.0);
    std::vector<long double> sum(k, 0.0L), exact(k, 0.0L), cross(kk, 0.0L);

    // Pass 1: means.
    for (int first = 0; first < n; first += kBlock) {
        const int len = std::min(kBlock, n - first);
        GatherBlock(src, first, len, k, shift.data(), buf.data(), nullptr);
        AddColumnSums(buf.data(), len, k, blockSum.data(), sum.data());
    }
    for (int j = 0; j < k; ++j) shift[j] = ShortShift(static_cast<double>(sum[j] / n));

    // Pass 2: deviations from the rounded means, their sums and products.
    std::fill(sum.begin(), sum.end(), 0.0L);
    for (int first = 0; first < n; first += kBlock) {
        const int len = std::min(kBlock, n - first);
        GatherBlock(src, first, len, k, shift.data(), buf.data(), exact.data());
        AddColumnSums(buf.data(), len, k, blockSum.data(), sum.data());
        AddCrossProducts(buf.data(), len, k, blockAcc.data(), cross.data());
    }

    T* means = m[k];
    for (int i = 0; i < k; ++i) {
        means[i] = static_cast<T>(shift[i] + exact[i] / n);
        T* row = m[i];
        for (int j = 0; j <= i; ++j) row[j] = static_cast<T>(cross[i * k + j] - sum[i] * sum[j] / n);
    }
    SweepMomentMatrix(m, n, k);
}

}  // namespace

template <class T>
void AddObservationToMoments(BasicMatrix<T>& m, double* x, int obs, int k) {
    if (k < 0 || m.Rows() < k + 1 || m.Cols() < k + 1) throw ERangeError(kRangeErrorText);
    const long double w = 1.0L / (static_cast<long double>(obs) + 1.0L);
    const long double weight = w * obs;
    std::vector<long double> d(static_cast<std::size_t>(k));
    T* means = m[k];
    for (int i = 0; i < k; ++i) {
        d[i] = x[i] - static_cast<long double>(means[i]);
        x[i] = static_cast<double>(d[i]);
        means[i] = static_cast<T>(means[i] + w * d[i]);
        T* row = m[i];
        for (int j = 0; j <= i; ++j) row[j] = static_cast<T>(row[j] + d[i] * d[j] * weight);
    }
}

template <class T>
void SweepMomentMatrix(BasicMatrix<T>& m, int n, int k) {
    if (k < 0 || m.Rows() < k + 1 || m.Cols() < k + 1) throw ERangeError(kRangeErrorText);
    for (int i = 0; i < k; ++i) {
        m[i][k] = -m[k][i];
        for (int j = 0; j < i; ++j) m[j][i] = m[i][j];
    }
    m[k][k] = n > 0 ? T(1) / T(n) : T(0);
}

template <class T>
void BuildMomentMatrix(const Matrix& data, int n, int k, BasicMatrix<T>& m) {
    if (n < 0 || k < 0 || n > data.Rows() || k > data.Cols()) throw ERangeError(kRangeErrorText);
    // A matrix without storage has no columns to point into (n is then 0
    // and nothing is read).
    std::vector<const double*> columns(static_cast<std::size_t>(k), nullptr);
    if (data.Data() != nullptr)
        for (int j = 0; j < k; ++j) columns[j] = data.Data() + j;
    BuildFromSource(ColumnSource{columns.data(), data.Cols()}, n, k, m);
}

template <class T>
void BuildMomentMatrixFromColumns(const double* const* columns, int n, int k, BasicMatrix<T>& m) {
    if (n < 0 || k < 0) throw ERangeError(kRangeErrorText);
    BuildFromSource(ColumnSource{columns, 1}, n, k, m);
}

template void AddObservationToMoments(BasicMatrix<double>&, double*, int, int);
template void AddObservationToMoments(BasicMatrix<long double>&, double*, int, int);
template void SweepMomentMatrix(BasicMatrix<double>&, int, int);
template void SweepMomentMatrix(BasicMatrix<long double>&, int, int);
template void BuildMomentMatrix(const Matrix&, int, int, BasicMatrix<double>&);
template void BuildMomentMatrix(const Matrix&, int, int, BasicMatrix<long double>&);
template void BuildMomentMatrixFromColumns(const double* const*, int, int, BasicMatrix<double>&);
template void BuildMomentMatrixFromColumns(const double* const*, int, int, BasicMatrix<long double>&);
