// Kernels of the weighted fit.
#include "estimators/weighted_fit_kernels.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "core/numeric/moment_matrix.h"

void RawCrossProducts(const double* rows, long long n, int stride, int cols, ThreadPool* pool, Matrix& out) {
    LongMatrix m;
    BuildMomentsFromRows(rows, n, stride, cols, m, pool);
    out.Replace(Matrix(cols, cols, 0.0));
    const long double count = static_cast<long double>(n);
    for (int i = 0; i < cols; ++i)
        for (int j = 0; j < cols; ++j) out[i][j] = static_cast<double>(m[i][j] + count * m[cols][i] * m[cols][j]);
}

double QuadraticForm(const Matrix& m, const double* x, const double* z, int p) {
    double sum = 0.0;
    for (int j = 0; j < p; ++j) {
        const double* row = m[j];
        double inner = 0.0;
        for (int l = 0; l < p; ++l) inner += row[l] * z[l];
        sum += x[j] * inner;
    }
    return sum;
}

void BlockTimes(const Matrix& m, const double* z, int p, double* y) {
    for (int j = 0; j < p; ++j) {
        const double* row = m[j];
        double inner = 0.0;
        for (int l = 0; l < p; ++l) inner += row[l] * z[l];
        y[j] = inner;
    }
}

namespace {

// The median of a[0 .. n-1], reordering a.
double SelectMedian(double* a, int n) {
    const int upper = n / 2;
    std::nth_element(a, a + upper, a + n);
    if (n % 2 == 1) return a[upper];
    const double low = *std::max_element(a, a + upper);
    return (low + a[upper]) / 2.0;
}

}  // namespace

double MedianAbsDeviationBySelection(double c, double* work, int n, const double* a) {
    if (n < 1) return std::numeric_limits<double>::quiet_NaN();
    for (int i = 0; i < n; ++i)
        if (std::isnan(a[i])) return std::numeric_limits<double>::quiet_NaN();
    std::copy(a, a + n, work);
    const double m = SelectMedian(work, n);
    for (int i = 0; i < n; ++i) work[i] = std::fabs(a[i] - m);
    return SelectMedian(work, n) / c;
}
