// Eigenvalues and eigenvectors of a real symmetric matrix (Householder
// reduction to tridiagonal form, then QL with implicit shifts).
//
// The results are ordered by decreasing eigenvalue and every eigenvector is
// signed so that its component of largest magnitude is positive, so that
// principal components and collinearity measures print the same every time.
#pragma once

// a: n x n input, row stride lda, only read. values: n eigenvalues.
// vectors: n x n, row stride ldv, eigenvectors as columns (column j belongs
// to values[j]). Returns true when every eigenvalue converged, false when
// some did not within 100 iterations (the outputs must then not be used).
template <class T>
[[nodiscard]] bool SymmetricEigen(const T* a, int lda, T* values, T* vectors, int ldv, int n);

extern template bool SymmetricEigen<double>(const double*, int, double*, double*, int, int);
extern template bool SymmetricEigen<long double>(const long double*, int, long double*, long double*, int, int);
