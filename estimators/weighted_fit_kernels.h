// Small kernels of the weighted fit: raw cross-products through the moment
// method, and quadratic forms of the swept block.
#pragma once

#include "core/numeric/matrix.h"

class ThreadPool;

// out (cols x cols) = sum over the n rows of r_i r_j, from the moment
// method's deviations and means, so that the sums carry its accuracy and do
// not depend on the thread count.
void RawCrossProducts(const double* rows, long long n, int stride, int cols, ThreadPool* pool, Matrix& out);

// sum over j, l < p of x_j m(j, l) z_l.
double QuadraticForm(const Matrix& m, const double* x, const double* z, int p);

// y = m(0..p-1, 0..p-1) z.
void BlockTimes(const Matrix& m, const double* z, int p, double* y);

// Median of abs(a - median a) divided by c, as the sorted-array rule
// (the mean of the two middle values for even n) but by selection; work
// holds n doubles. NaN when n < 1 or a value is NaN.
double MedianAbsDeviationBySelection(double c, double* work, int n, const double* a);
