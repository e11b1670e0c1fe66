// Row-by-row products of a tall data matrix with a small weight matrix: the
// component and factor scores of every observation.
#pragma once

#include "core/numeric/matrix.h"

class ThreadPool;

// out (resized to n x cols) = the first n rows and p columns of z times the
// first p rows and cols columns of w; elements below 2^-23 in magnitude
// become 0. Row blocks run on the pool when one is given. Every processor
// and thread count gives the same bits (products and sums in the same
// order, no fused multiply-add).
void MultiplyRowsZeroTiny(ThreadPool* pool, const Matrix& z, int n, int p, const Matrix& w, int cols, Matrix& out);
