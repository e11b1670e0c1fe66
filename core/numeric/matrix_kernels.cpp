// The numeric kernels behind Matrix: sweep, Gauss-Jordan inverse, Cholesky
// factor, strided products and the iterative inverse.
#include <cmath>
#include <numeric>
#include <vector>

#include "core/numeric/matrix.h"
#include "platform/numeric_tolerances.h"

namespace {

template <class T>
T* RowOf(T* a, int stride, int i) {
    return a + static_cast<long long>(i) * stride;
}

}  // namespace

template <class T>
SweepResult SweepPivot(T* a, int stride, int k, int rowLength, int rowCount) {
    T* pivotRow = RowOf(a, stride, k);
    const T p = pivotRow[k];
    if (p == T(0)) return SweepResult::kZeroPivot;
    pivotRow[k] = T(1);
    const T q = T(1) / p;
    for (int j = 0; j < rowLength; ++j) pivotRow[j] *= q;
    for (int i = 0; i < rowCount; ++i) {
        if (i == k) continue;
        T* row = RowOf(a, stride, i);
        const T f = row[k];
        row[k] = T(0);
        for (int j = 0; j < rowLength; ++j) row[j] -= f * pivotRow[j];
    }
    return SweepResult::kSwept;
}

template <class T>
void InvertMatrix(const T* a, int lda, T* b, int n, int ldb) {
    if (n <= 0) return;
    if (b != a)
        for (int i = 0; i < n; ++i) std::copy_n(a + static_cast<long long>(i) * lda, n, RowOf(b, ldb, i));
    if (n == 1) {
        if (b[0] == T(0)) throw EZeroDivide("INVERSE ERROR!");
        b[0] = T(1) / b[0];
        return;
    }
    std::vector<int> perm(static_cast<std::size_t>(n));
    std::iota(perm.begin(), perm.end(), 0);
    // Each step shifts the rows left by one, so the pivot column is always
    // column 0 and the inverse builds up from the right.
    for (int k = 0; k < n; ++k) {
        int r = k;
        T largest = T(0);
        for (int i = k; i < n; ++i) {
            const T v = std::abs(RowOf(b, ldb, i)[0]);
            if (v > largest) {
                largest = v;
                r = i;
            }
        }
        // A NaN column never beats 0.0 and is refused here as well.
        if (largest == T(0)) throw EZeroDivide("INVERSE ERROR!");
        T* pk = RowOf(b, ldb, k);
        if (r != k) {
            std::swap(perm[r], perm[k]);
            std::swap_ranges(pk, pk + n, RowOf(b, ldb, r));
        }
        const T q = T(1) / pk[0];
        for (int j = 0; j < n - 1; ++j) pk[j] = pk[j + 1] * q;
        pk[n - 1] = q;
        for (int i = 0; i < n; ++i) {
            if (i == k) continue;
            T* pi = RowOf(b, ldb, i);
            const T f = pi[0];
            for (int j = 0; j < n - 1; ++j) pi[j] = pi[j + 1] - f * pk[j];
            pi[n - 1] = -f * pk[n - 1];
        }
    }
    // The row exchanges come back as column exchanges.
    for (int j = 0; j < n; ++j) {
        int c = j;
        while (c < n && perm[c] != j) ++c;
        if (c == n || c == j) continue;
        perm[c] = perm[j];
        for (int i = 0; i < n; ++i) {
            T* row = RowOf(b, ldb, i);
            std::swap(row[c], row[j]);
        }
    }
}

template <class T>
void CholeskyDecompose(const T* a, int lda, T* u, int n, int ldu) {
    if (n <= 0) return;
    auto A = [&](int i, int j) { return a[static_cast<long long>(i) * lda + j]; };
    auto U = [&](int i, int j) -> T& { return u[static_cast<long long>(i) * ldu + j]; };
    // "not strictly positive" also refuses NaN.
    if (!(A(0, 0) > T(0))) throw EZeroDivide("CHOLESKY ERROR!");
    U(0, 0) = std::sqrt(A(0, 0));
    for (int j = 1; j < n; ++j) U(0, j) = A(0, j) / U(0, 0);
    for (int k = 1; k < n; ++k) {
        long double d = A(k, k);
        for (int i = 0; i < k; ++i) d -= static_cast<long double>(U(i, k)) * U(i, k);
        if (!(d > 0.0L)) throw EZeroDivide("CHOLESKY ERROR!");
        U(k, k) = static_cast<T>(std::sqrt(d));
        for (int j = k + 1; j < n; ++j) {
            long double s = A(k, j);
            for (int i = 0; i < k; ++i) s -= static_cast<long double>(U(i, k)) * U(i, j);
            U(k, j) = static_cast<T>(s / U(k, k));
        }
    }
    for (int i = 1; i < n; ++i)
        for (int j = 0; j < i; ++j) U(i, j) = T(0);
}

void TransposeCopy(const double* src, int srcStride, double* dst, int n, int m, int dstStride) {
    for (int i = 0; i < m; ++i)
        for (int k = 0; k < n; ++k)
            dst[static_cast<long long>(i) * dstStride + k] = src[static_cast<long long>(k) * srcStride + i];
}

void MultiplyStrided(const double* a, int aRow, int aCol, const double* b, int bRow, int bCol,
                     double* t, int tRow, int tCol, int rows, int inner, int cols) {
    for (int i = 0; i < rows; ++i)
        for (int j = 0; j < cols; ++j) {
            long double sum = 0.0L;
            for (int k = 0; k < inner; ++k)
                sum += static_cast<long double>(a[static_cast<long long>(i) * aRow + static_cast<long long>(k) * aCol]) *
                       b[static_cast<long long>(k) * bRow + static_cast<long long>(j) * bCol];
            t[static_cast<long long>(i) * tRow + static_cast<long long>(j) * tCol] = static_cast<double>(sum);
        }
}

void AddSubStrided(const double* a, int aStride, const double* b, int bStride, double* dst,
                   int dstStride, bool add, int cols, int rows) {
    for (int i = 0; i < rows; ++i) {
        const double* x = a + static_cast<long long>(i) * aStride;
        const double* y = b + static_cast<long long>(i) * bStride;
        double* z = dst + static_cast<long long>(i) * dstStride;
        for (int j = 0; j < cols; ++j)
            z[j] = static_cast<double>(add ? static_cast<long double>(x[j]) + y[j]
                                           : static_cast<long double>(x[j]) - y[j]);
    }
}

void ScalarOpStrided(double* dst, int dstStride, const double* src, int srcStride, int op, double s,
                     int cols, int rows) {
    for (int i = 0; i < rows; ++i) {
        const double* x = src + static_cast<long long>(i) * srcStride;
        double* z = dst + static_cast<long long>(i) * dstStride;
        for (int j = 0; j < cols; ++j) z[j] = op == 0 ? s * x[j] : op == 1 ? s + x[j] : s - x[j];
    }
}

namespace {

// The power iteration normalises its vector and stops after this many steps
// even if the quotient never settles (NaN or oscillating input).
constexpr int kPowerIterationLimit = 10000;
constexpr int kNewtonIterationLimit = 500;

// c = a * b for n x n row-major arrays, sums kept in T after every term.
template <class T>
void SquareProduct(const std::vector<T>& a, const std::vector<T>& b, std::vector<T>& c, int n) {
    for (int i = 0; i < n; ++i)
        for (int j = 0; j < n; ++j) {
            T sum = T(0);
            for (int k = 0; k < n; ++k) sum += a[i * n + k] * b[k * n + j];
            c[i * n + j] = sum;
        }
}

}  // namespace

template <class T>
bool BasicMatrix<T>::InvertIterative(BasicMatrix& x, int n) const {
    if (n < 1) return true;
    if (n > std::min(rows_, cols_)) throw ERangeError(kRangeErrorText);
    const std::size_t nn = static_cast<std::size_t>(n) * n;
    std::vector<T> w(nn), r(n), c(n);
    for (int i = 0; i < n; ++i) std::copy_n((*this)[i], n, w.begin() + static_cast<long long>(i) * n);
    // Row scaling, then column scaling of the result: W = R M C.
    for (int i = 0; i < n; ++i) {
        T big = T(0);
        for (int j = 0; j < n; ++j) big = std::max(big, std::abs(w[i * n + j]));
        r[i] = big > T(0) ? T(1) / big : T(0);
        for (int j = 0; j < n; ++j) w[i * n + j] *= r[i];
    }
    for (int j = 0; j < n; ++j) {
        T big = T(0);
        for (int i = 0; i < n; ++i) big = std::max(big, std::abs(w[i * n + j]));
        c[j] = big > T(0) ? T(1) / big : T(0);
        for (int i = 0; i < n; ++i) w[i * n + j] *= c[j];
    }
    // Dominant eigenvalue of W W by power iteration.
    std::vector<T> p(nn);
    SquareProduct(w, w, p, n);
    std::vector<T> v(n, T(1)), y(n);
    T lambda = T(0), lambdaOld = T(0);
    for (int step = 0; step < kPowerIterationLimit; ++step) {
        T yx = T(0), xx = T(0), largest = T(0);
        for (int i = 0; i < n; ++i) {
            T sum = T(0);
            for (int k = 0; k < n; ++k) sum += p[i * n + k] * v[k];
            y[i] = sum;
        }
        for (int i = 0; i < n; ++i) {
            yx += y[i] * v[i];
            xx += v[i] * v[i];
            largest = std::max(largest, std::abs(y[i]));
        }
        lambda = yx / xx;
        if (lambda == T(0)) break;
        const T change = std::abs((lambda - lambdaOld) / lambda);
        lambdaOld = lambda;
        // Scaling the vector leaves the quotient unchanged and keeps it
        // from overflowing.
        const T scale = largest > T(0) && std::isfinite(largest) ? T(1) / largest : T(1);
        for (int i = 0; i < n; ++i) v[i] = y[i] * scale;
        if (!(change > T(kSingleEpsilon))) break;
    }
    // A zero row or column, or a bound that is not a finite number, leaves
    // nothing to iterate on: report it instead of a zero "inverse".
    bool usable = std::isfinite(lambda);
    for (int i = 0; i < n && usable; ++i) usable = r[i] > T(0) && c[i] > T(0);
    if (!usable) {
        if (x.Rows() < n || x.Cols() < n) x.Resize(n, n, false);
        return false;
    }
    const T s = lambda == T(0) ? T(kSingleEpsilon) : T(0.8) / lambda;
    std::vector<T> xk(nn), t(nn), xNew(nn);
    for (int i = 0; i < n; ++i)
        for (int j = 0; j < n; ++j) xk[i * n + j] = s * w[j * n + i];
    int iterations = 0;
    while (iterations < kNewtonIterationLimit) {
        SquareProduct(w, xk, t, n);
        for (std::size_t e = 0; e < nn; ++e) t[e] = -t[e];
        for (int i = 0; i < n; ++i) t[i * n + i] += T(2);
        SquareProduct(xk, t, xNew, n);
        ++iterations;
        T worst = T(0);
        for (std::size_t e = 0; e < nn; ++e) {
            const T diff = std::abs(xNew[e] - xk[e]);
            const T change = xk[e] == T(0) ? diff : diff / std::abs(xk[e]);
            if (change > worst || std::isnan(change)) worst = change;
        }
        xk.swap(xNew);
        if (std::isnan(worst)) {
            iterations = kNewtonIterationLimit;  // diverged: report failure
            break;
        }
        if (!(worst > T(kSingleEpsilon))) break;
    }
    if (x.Rows() < n || x.Cols() < n) x.Resize(n, n, false);
    for (int i = 0; i < n; ++i)
        for (int j = 0; j < n; ++j) x[i][j] = c[i] * xk[i * n + j] * r[j];
    return iterations < kNewtonIterationLimit;
}

template SweepResult SweepPivot<double>(double*, int, int, int, int);
template SweepResult SweepPivot<long double>(long double*, int, int, int, int);
template void InvertMatrix<double>(const double*, int, double*, int, int);
template void InvertMatrix<long double>(const long double*, int, long double*, int, int);
template void CholeskyDecompose<double>(const double*, int, double*, int, int);
template void CholeskyDecompose<long double>(const long double*, int, long double*, int, int);
template bool BasicMatrix<double>::InvertIterative(BasicMatrix<double>&, int) const;
template bool BasicMatrix<long double>::InvertIterative(BasicMatrix<long double>&, int) const;
