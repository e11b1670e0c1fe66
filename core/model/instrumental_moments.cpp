#include "core/model/instrumental_moments.h"

#include <algorithm>
#include <cstddef>

#include "core/numeric/moment_matrix.h"

void InstrumentalDataMoments(ThreadPool* pool, const Matrix& x, int v, LongMatrix& xx) {
    BuildMomentsFromRows(x.Rows() > 0 ? x.Data() : nullptr, x.Rows(), x.Cols(), v, xx, pool);
}

void InstrumentalDesignMoments(ThreadPool* pool, const Matrix& x, const Matrix& z, const std::vector<int>& edited,
                               const LongMatrix& xx, LongMatrix& zx, LongMatrix& zz) {
    const int v = xx.Rows() - 1;
    if (edited.empty()) {
        zx.Replace(xx);
        zz.Replace(xx);
        return;
    }
    // One kernel call over the data columns and the edited design columns:
    // every product of the two, about the means, in one pass.
    const long long n = x.Rows();
    const int m = static_cast<int>(edited.size());
    const int k = v + m;
    const long long stride = x.Cols();
    const double* xd = x.Data();
    const double* zd = z.Data();
    const auto gather = [&](long long row, double* out) {
        const double* xr = xd + row * stride;
        const double* zr = zd + row * stride;
        std::copy(xr, xr + v, out);
        for (int e = 0; e < m; ++e) out[v + e] = zr[edited[static_cast<std::size_t>(e)]];
    };
    const long long count = MomentSampleCount(n);
    std::vector<double> sample(static_cast<std::size_t>(count) * k), shift(static_cast<std::size_t>(k));
    for (long long t = 0; t < count; ++t) gather(MomentSampleRow(t, n), sample.data() + t * k);
    MomentShiftFromSample(sample.data(), count, k, k, shift.data());
    LongMatrix moments;
    BuildMomentsFromChunks(
        n, k, shift.data(),
        [&](long long first, long long rows, double* out) {
            for (long long r = 0; r < rows; ++r) gather(first + r, out + r * k);
        },
        moments, pool);
    // Kernel column of each design column (the constant term last).
    std::vector<int> at(static_cast<std::size_t>(v) + 1);
    for (int j = 0; j < v; ++j) at[static_cast<std::size_t>(j)] = j;
    for (int e = 0; e < m; ++e) at[static_cast<std::size_t>(edited[static_cast<std::size_t>(e)])] = v + e;
    at[static_cast<std::size_t>(v)] = k;
    LongMatrix a(v + 1, v + 1), w(v + 1, v + 1);
    for (int i = 0; i <= v; ++i) {
        const long double* row = moments[at[static_cast<std::size_t>(i)]];
        for (int j = 0; j <= v; ++j) {
            a[i][j] = row[j == v ? k : j];
            w[i][j] = row[at[static_cast<std::size_t>(j)]];
        }
    }
    swap(zx, a);
    swap(zz, w);
}

SweepResult SweepFromBase(const LongMatrix& base, const std::vector<int>& s, LongMatrix& out) {
    out.Replace(base);
    const int v = base.Rows() - 1;
    // Back to the sums about zero (a pivot of 0: no sums formed yet).
    if (std::find(s.begin(), s.end(), v) == s.end() && out.Sweep(v) == SweepResult::kZeroPivot)
        return SweepResult::kZeroPivot;
    for (int j : s)
        if (j != v && out.Sweep(j) == SweepResult::kZeroPivot) return SweepResult::kZeroPivot;
    return SweepResult::kSwept;
}

Matrix CheckMatrixOf(const LongMatrix& base, bool centred) {
    LongMatrix sums;
    if (!centred) (void)SweepFromBase(base, {}, sums);
    const LongMatrix& from = centred ? base : sums;
    Matrix m(from.Rows(), from.Cols());
    for (int i = 0; i < from.Rows(); ++i)
        for (int j = 0; j < from.Cols(); ++j) m[i][j] = static_cast<double>(from[i][j]);
    return m;
}
