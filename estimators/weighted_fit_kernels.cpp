// Kernels of the weighted fit.
#include "estimators/weighted_fit_kernels.h"

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
