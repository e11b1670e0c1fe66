// The moment matrix that the least-squares code sweeps, built from data rows
// or columns, or observation by observation.
#pragma once

#include "core/numeric/matrix.h"

// A (k+1) x (k+1) matrix. While observations are added, row k holds the
// running means and the lower triangle of rows 0..k-1 the sums of products
// of deviations. Completed, it is the cross-product matrix swept on the
// constant: symmetric, column k the negated means, row k the means, and the
// corner 1/n (0 when there are no observations).

// Adds observation number obs (0-based) of k values; x is overwritten with
// the deviations from the previous means.
template <class T>
void AddObservationToMoments(BasicMatrix<T>& m, double* x, int obs, int k);
// Completes m after n observations.
template <class T>
void SweepMomentMatrix(BasicMatrix<T>& m, int n, int k);
// Completed moment matrix of the first k columns of n data rows; m is
// resized to (k+1) x (k+1).
template <class T>
void BuildMomentMatrix(const Matrix& data, int n, int k, BasicMatrix<T>& m);
// The same from k separate columns of n values each (the data set's
// variables), element i of column j at columns[j][i].
template <class T>
void BuildMomentMatrixFromColumns(const double* const* columns, int n, int k, BasicMatrix<T>& m);
