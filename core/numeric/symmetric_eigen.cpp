#include "core/numeric/symmetric_eigen.h"

#include <cmath>
#include <utility>
#include <vector>

namespace {

constexpr int kIterationLimit = 100;

// The n x n eigenvector array, ld elements a row.
template <class T>
struct Square {
    T* p;
    int ld;
    T& operator()(int i, int j) const { return p[static_cast<long long>(i) * ld + j]; }
};

// Householder reduction of z to tridiagonal form: the transformations stay
// in z, d gets their scale factors and e the subdiagonal.
template <class T>
void Tridiagonalize(Square<T> z, T* d, std::vector<T>& e, int n) {
    // Rows whose off-tridiagonal part is negligible (2^-970: smallest normal
    // over epsilon) are left as they are.
    const T tol = T(1.0020841800044864e-292);
    for (int i = n - 1; i >= 1; --i) {
        int l = i - 2;
        T f = z(i, i - 1), g = T(0);
        for (int k = 0; k <= l; ++k) g += z(i, k) * z(i, k);
        T h = g + f * f;
        if (g <= tol) {
            e[i] = f;
            h = T(0);
        } else {
            ++l;
            g = f >= T(0) ? -std::sqrt(h) : std::sqrt(h);
            e[i] = g;
            h -= f * g;
            z(i, i - 1) = f - g;
            f = T(0);
            for (int j = 0; j <= l; ++j) {
                z(j, i) = z(i, j) / h;
                g = T(0);
                for (int k = 0; k <= j; ++k) g += z(j, k) * z(i, k);
                for (int k = j + 1; k <= l; ++k) g += z(k, j) * z(i, k);
                e[j] = g / h;
                f += g * z(j, i);
            }
            const T hh = f / (h + h);
            for (int j = 0; j <= l; ++j) {
                f = z(i, j);
                g = e[j] = e[j] - hh * f;
                for (int k = 0; k <= j; ++k) z(j, k) -= f * e[k] + g * z(i, k);
            }
        }
        d[i] = h;
    }
}

// Accumulates the transformations into z; d becomes the diagonal.
template <class T>
void AccumulateTransforms(Square<T> z, T* d, std::vector<T>& e, int n) {
    d[0] = T(0);
    e[0] = T(0);
    // Accumulate the transformations.
    for (int i = 0; i < n; ++i) {
        const int l = i - 1;
        if (d[i] != T(0)) {
            for (int j = 0; j <= l; ++j) {
                T g = T(0);
                for (int k = 0; k <= l; ++k) g += z(i, k) * z(k, j);
                for (int k = 0; k <= l; ++k) z(k, j) -= g * z(k, i);
            }
        }
        d[i] = z(i, i);
        z(i, i) = T(1);
        for (int j = 0; j <= l; ++j) z(i, j) = z(j, i) = T(0);
    }

}

// QL with implicit shifts on the tridiagonal (d, e), rotating z along.
// False when an eigenvalue did not converge.
template <class T>
bool TridiagonalQl(Square<T> z, T* d, std::vector<T>& e, int n) {
    for (int i = 1; i < n; ++i) e[i - 1] = e[i];
    e[n - 1] = T(0);
    T f = T(0), tst1 = T(0);
    const T eps = T(2.220446049250313e-16);
    for (int l = 0; l < n; ++l) {
        const T h0 = eps * (std::abs(d[l]) + std::abs(e[l]));
        if (tst1 < h0) tst1 = h0;
        int m = l;
        while (m < n - 1 && !(std::abs(e[m]) <= tst1)) ++m;
        if (m > l) {
            int iterations = 0;
            do {
                const T g0 = T(0.5) * (d[l + 1] - d[l]) / e[l];
                const T r0 = std::sqrt(g0 * g0 + T(1));
                const T shift = d[l] - e[l] / (g0 < T(0) ? g0 - r0 : g0 + r0);
                for (int i = l; i < n; ++i) d[i] -= shift;
                f += shift;
                T p = d[m], c = T(1), s = T(0);
                for (int i = m - 1; i >= l; --i) {
                    const T g = c * e[i];
                    T h = c * p;
                    T r;
                    if (std::abs(p) >= std::abs(e[i])) {
                        c = e[i] / p;
                        r = std::sqrt(c * c + T(1));
                        e[i + 1] = s * p * r;
                        s = c / r;
                        c = T(1) / r;
                    } else {
                        c = p / e[i];
                        r = std::sqrt(c * c + T(1));
                        e[i + 1] = s * e[i] * r;
                        s = T(1) / r;
                        c = c / r;
                    }
                    p = c * d[i] - s * g;
                    d[i + 1] = h + s * (c * g + s * d[i]);
                    for (int k = 0; k < n; ++k) {
                        h = z(k, i + 1);
                        z(k, i + 1) = s * z(k, i) + c * h;
                        z(k, i) = c * z(k, i) - s * h;
                    }
                }
                e[l] = s * p;
                d[l] = c * p;
                ++iterations;
                if (iterations >= kIterationLimit && std::abs(e[l]) > tst1) return false;
            } while (std::abs(e[l]) > tst1);
        }
        d[l] += f;
    }

    return true;
}

template <class T>
void SortAndOrient(Square<T> z, T* d, int n) {
    // Decreasing order, first of equals kept in front.
    for (int i = 0; i < n - 1; ++i) {
        int best = i;
        for (int j = i + 1; j < n; ++j)
            if (d[j] > d[best]) best = j;
        if (best != i) {
            std::swap(d[i], d[best]);
            for (int k = 0; k < n; ++k) std::swap(z(k, i), z(k, best));
        }
    }
    // Largest component of every eigenvector positive.
    for (int j = 0; j < n; ++j) {
        int big = 0;
        for (int k = 1; k < n; ++k)
            if (std::abs(z(k, j)) > std::abs(z(big, j))) big = k;
        if (z(big, j) < T(0))
            for (int k = 0; k < n; ++k) z(k, j) = -z(k, j);
    }
}

}  // namespace

template <class T>
bool SymmetricEigen(const T* a, int lda, T* values, T* vectors, int ldv, int n) {
    if (n <= 0) return true;
    T* d = values;
    const Square<T> z{vectors, ldv};
    for (int i = 0; i < n; ++i)
        for (int j = 0; j < n; ++j) z(i, j) = a[static_cast<long long>(i) * lda + j];
    std::vector<T> e(static_cast<std::size_t>(n), T(0));
    Tridiagonalize(z, d, e, n);
    AccumulateTransforms(z, d, e, n);
    if (!TridiagonalQl(z, d, e, n)) return false;
    SortAndOrient(z, d, n);
    return true;
}

template bool SymmetricEigen<double>(const double*, int, double*, double*, int, int);
template bool SymmetricEigen<long double>(const long double*, int, long double*, long double*, int, int);
