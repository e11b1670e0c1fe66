// The per-observation table of the outlier page: for every observation the
// standardised residuals of the p variables after the leading principal
// components, then those components' standardised scores.
#pragma once

#include "core/numeric/matrix.h"

class TFileMatrix;
class ThreadPool;

// z: n x p standardised data; r: p x p correlation matrix; t: n x 2p table.
// k = the number of leading eigenvalues of r that are at least 1.0. Row i
// of t holds the residuals e_j = z_ij - sum over the k components, each
// divided by u_j = sqrt(1 - the variance of j they explain), then the k
// scores divided by the square root of their eigenvalue; the rest of the
// row is 0.0. A residual over u_j = 0 is 0, and u_j^2 is held at 0 or more.
// Returns k. Throws EMathError "EIGEN ERROR!" when the eigenvalues do not
// converge. Rows are computed on the pool when one is given.
int ComponentOutliers(const Matrix& z, const Matrix& r, int n, int p, TFileMatrix& t, ThreadPool* pool = nullptr);
