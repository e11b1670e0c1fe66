#include "stats/component_outliers.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "core/io/file_matrix.h"
#include "core/numeric/numeric_helpers.h"
#include "core/numeric/thread_pool.h"
#include "platform/errors.h"

namespace {

constexpr int kOutlierBlockRows = 2048;

}  // namespace

int ComponentOutliers(const Matrix& z, const Matrix& r, int n, int p, TFileMatrix& t, ThreadPool* pool) {
    if (n < 0 || p < 0 || z.Rows() < n || z.Cols() < p || r.Rows() < p || r.Cols() < p || t.Rows() < n ||
        t.Cols() != 2 * p)
        throw ERangeError("範囲エラー");
    if (n == 0 || p == 0) return 0;
    Matrix square(p, p);
    for (int i = 0; i < p; ++i)
        for (int j = 0; j < p; ++j) square[i][j] = r[i][j];
    Vector lambda;
    Matrix e;
    if (!square.Eigen(lambda, e)) throw EMathError("EIGEN ERROR!");
    for (int i = 0; i < p; ++i) {
        lambda.At(i) = ZeroIfTiny(lambda.At(i));
        for (int j = 0; j < p; ++j) e[i][j] = ZeroIfTiny(e[i][j]);
    }
    int k = 0;
    while (k < p && lambda.At(k) >= 1.0) ++k;
    std::vector<double> s(static_cast<std::size_t>(k)), u(static_cast<std::size_t>(p));
    for (int i = 0; i < k; ++i) s[i] = std::sqrt(lambda.At(i));
    for (int j = 0; j < p; ++j) {
        double explained = 0.0;
        for (int i = 0; i < k; ++i) explained += lambda.At(i) * e[j][i] * e[j][i];
        // Rounding can leave 1 - explained slightly below zero.
        u[j] = std::sqrt(std::max(0.0, ZeroIfTiny(1.0 - explained)));
    }
    const int width = 2 * p;
    // The leading k eigenvectors, variable by variable, in one array.
    std::vector<double> lead(static_cast<std::size_t>(p) * std::max(k, 1));
    for (int j = 0; j < p; ++j)
        for (int i = 0; i < k; ++i) lead[static_cast<std::size_t>(j) * k + i] = e[j][i];
    const double* zd = z.Data();
    const int zStride = z.Cols();
    ForEachBlock(pool, n, kOutlierBlockRows, [&](long long first, int count) {
        std::vector<double> rows(static_cast<std::size_t>(count) * width, 0.0), c(static_cast<std::size_t>(k));
        for (int b = 0; b < count; ++b) {
            const double* zr = zd + (first + b) * zStride;
            double* out = rows.data() + static_cast<std::size_t>(b) * width;
            std::fill(c.begin(), c.end(), 0.0);
            for (int j = 0; j < p; ++j)
                for (int i = 0; i < k; ++i) c[i] += zr[j] * lead[static_cast<std::size_t>(j) * k + i];
            for (int j = 0; j < p; ++j) {
                double fitted = 0.0;
                for (int i = 0; i < k; ++i) fitted += lead[static_cast<std::size_t>(j) * k + i] * c[i];
                double residual = ZeroIfTiny(zr[j] - fitted);
                // A variable the components explain fully has no spread left
                // to measure its residual by.
                if (residual != 0.0) residual = u[j] > 0.0 ? residual / u[j] : 0.0;
                out[j] = residual;
            }
            for (int i = 0; i < k; ++i) out[p + i] = c[i] / s[i];
        }
        t.WriteRows(static_cast<int>(first), count, rows.data());
    });
    return k;
}
