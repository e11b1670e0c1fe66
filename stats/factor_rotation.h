// Factor solutions from a correlation matrix: Kaiser-normalised varimax by
// pairwise planar rotations, and the minimum-residual (Minres) factor fit.
//
// Loadings are p x m matrices, one row per variable and one column per
// factor. Both routines work on the first m columns of their inputs.
#pragma once

#include "core/numeric/matrix.h"

// Sweeps of varimax rotations at most, and the Minres iteration cap.
inline constexpr int kVarimaxMaxSweeps = 500;
inline constexpr int kMinresMaxIterations = 500;

// b (resized to p x m) = the varimax rotation of the first m columns of a
// (p rows). Rows are normalised to unit length for the rotation and scaled
// back afterwards; a zero row stays zero. Each pair of columns turns by
// 1/4 atan2(numerator, denominator), the angle that maximises the criterion
// for that pair. Sweeps stop when the criterion changes by less than 2^-23
// relatively, or after kVarimaxMaxSweeps. With m < 2 b is the normalised
// copy scaled back, i.e. a's first m columns. a and b may be the same
// matrix.
void VarimaxRotate(const Matrix& a, Matrix& b, int m, int p);

// The varimax criterion of the first m columns of b (p rows): the sum over
// columns of the squared deviations of the squared elements from their
// column mean.
double VarimaxCriterion(const Matrix& b, int m, int p);

// Minimum-residual fit of m factors to the p x p correlation matrix r,
// starting from b (p x m, in and out): the loadings are refitted to the
// reduced correlation matrix with the current communalities on its
// diagonal until the fit index trace(B'RrB) / trace(Rr Rr) changes by at
// most 1e-6 relatively and no communality moves by more than 1e-7 (the
// index settles well before the loadings do).
// Throws EMathError "MINRES ERROR!" when that has not happened within
// kMinresMaxIterations or a value is not finite, and EZeroDivide
// "CHOLESKY ERROR!" when an inner product matrix is not positive definite.
void MinresFactors(const Matrix& r, int p, int m, Matrix& b);
