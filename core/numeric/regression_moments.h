// The moment matrix of a block of design columns, in extended precision:
// entries onto the one moment method of moment_matrix.h.
//
// The least-squares model sweeps this matrix, so its accuracy bounds the
// accuracy of every coefficient: it is returned in long double.
#pragma once

#include "core/numeric/matrix.h"
#include "core/numeric/moment_matrix.h"

class ThreadPool;

// Fills m, resized to (cols+1) x (cols+1), from the first `cols` columns of
// the n rows of a row-major array (row stride `stride` doubles):
//   m[i][j] (i, j < cols) the sum of products of deviations from the means,
//   m[cols][j] the mean of column j, m[j][cols] its negation,
//   m[cols][cols] = 1/n;
// that is, the cross-product matrix swept on the constant term. With n < 1
// the matrix is all zeros.
void BuildDesignMoments(const double* rows, int n, int stride, int cols, LongMatrix& m, ThreadPool* pool = nullptr);
void BuildDesignMoments(const double* rows, int n, int stride, int cols, LongMatrix& m, MomentKernel kernel,
                        ThreadPool* pool = nullptr);

// The same moment matrix from `cols` separate columns of n values, while
// filling the n rows of a row-major design (row stride `stride`, at least
// cols + 1) with those values and 1.0 in column `cols`, in one pass. The
// result is identical to BuildDesignMoments on that design.
void BuildDesignFromColumns(const double* const* columns, int n, int cols, double* design, int stride,
                            LongMatrix& m, ThreadPool* pool = nullptr);
void BuildDesignFromColumns(const double* const* columns, int n, int cols, double* design, int stride,
                            LongMatrix& m, MomentKernel kernel, ThreadPool* pool = nullptr);
