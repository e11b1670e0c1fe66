// The moment matrix of a block of design columns, in extended precision.
//
// The least-squares model sweeps this matrix, so its accuracy bounds the
// accuracy of every coefficient: it is accumulated and returned in long
// double. Each column is shifted by a double close to its mean and the
// rounding error of that shift is carried along, so the cross-products are
// those of the exact deviations; a constant column gives exact zeros and two
// equal columns give exactly equal rows.
#pragma once

#include "core/numeric/matrix.h"

// Which block kernel sums the cross-products: Automatic takes the vector
// kernel the processor supports (exact products by fused multiply-add),
// Portable the long double one.
enum class MomentKernel { Automatic, Portable };

// Fills m, resized to (cols+1) x (cols+1), from the first `cols` columns of
// the n rows of a row-major array (row stride `stride` doubles):
//   m[i][j] (i, j < cols) the sum of products of deviations from the means,
//   m[cols][j] the mean of column j, m[j][cols] its negation,
//   m[cols][cols] = 1/n;
// that is, the cross-product matrix swept on the constant term. With n < 1
// the matrix is all zeros.
void BuildDesignMoments(const double* rows, int n, int stride, int cols, LongMatrix& m,
                        MomentKernel kernel = MomentKernel::Automatic);

// The same moment matrix from `cols` separate columns of n values, while
// filling the n rows of a row-major design (row stride `stride`, at least
// cols + 1) with those values and 1.0 in column `cols`, in one pass. The
// sums are formed in the same order as BuildDesignMoments on that design,
// so the result is identical to it.
void BuildDesignFromColumns(const double* const* columns, int n, int cols, double* design, int stride,
                            LongMatrix& m, MomentKernel kernel = MomentKernel::Automatic);
