// Small kernels of the weighted fit: quadratic forms of the swept block, and
// the median absolute deviation.
#pragma once

#include <vector>

#include "core/numeric/matrix.h"

class ThreadPool;

// sum over j, l < p of x_j m(j, l) z_l.
double QuadraticForm(const Matrix& m, const double* x, const double* z, int p);

// y = m(0..p-1, 0..p-1) z.
void BlockTimes(const Matrix& m, const double* z, int p, double* y);

// The top-left p x p of m, row after row, for the row kernels below.
std::vector<double> LeadingBlock(const Matrix& m, int p);

// Observations whose products with a swept block are formed together.
inline constexpr int kRowGroup = 64;

// For count <= kRowGroup observations whose values start at x and z (row
// stride `stride`): y[j * kRowGroup + c] = (q z_c)_j with q a p x p block
// from LeadingBlock, and, when out is given, out[c] = sum over j of
// x_c[j] (q z_c)_j. Every value is summed in BlockTimes' and
// QuadraticForm's order, so the bits are theirs; eight observations go
// through registers side by side.
void BlockTimesRows(const double* q, int p, const double* x, const double* z, long long stride, int count,
                    double* y, double* out);

// Median of abs(a - median a) divided by c, as the sorted-array rule
// (the mean of the two middle values for even n) but by selection; work
// holds n doubles. NaN when n < 1 or a value is NaN. With a pool, large
// arrays are searched on all its threads, with the same result.
double MedianAbsDeviationBySelection(double c, double* work, int n, const double* a, ThreadPool* pool = nullptr);

// The rank-th smallest of a[0 .. n-1] (0 <= rank < n, no NaN among them),
// a left as it is: the values are counted by their leading bits on the
// pool's threads, and only those that share the answer's are searched
// further. -0 counts as smaller than +0.
double OrderStatistic(const double* a, long long n, long long rank, ThreadPool* pool);
