// The sums the instrumental-variable estimator sweeps, formed by the moment
// kernel of the least-squares fit (core/numeric/moment_matrix.h) and kept in
// its layout: the cross products about the means, with the means in the
// last row and column (the matrix swept on the constant term, index v). A
// model with the constant term is swept on from there, so that data far from
// zero beside their spread keep their digits; a model without it goes back
// to the sums about zero first, in long double.
#pragma once

#include <vector>

#include "core/numeric/matrix.h"

class ThreadPool;

// The moments of the first v columns of the rows of x.
void InstrumentalDataMoments(ThreadPool* pool, const Matrix& x, int v, LongMatrix& xx);

// Z'X and Z'Z in that layout for the design z, which differs from the
// observed data x only in the columns `edited` (ascending); xx holds the
// data's moments. Row i of zx is design column i, column j data column j;
// zx[v][j] is the mean of data column j, zx[i][v] minus that of design
// column i.
void InstrumentalDesignMoments(ThreadPool* pool, const Matrix& x, const Matrix& z, const std::vector<int>& edited,
                               const LongMatrix& xx, LongMatrix& zx, LongMatrix& zz);

// out = base swept on every index of s (ascending; v is the constant term):
// about the means when s holds v, else on the sums about zero. kZeroPivot
// at the first pivot that is exactly 0 (out is then partly swept).
[[nodiscard]] SweepResult SweepFromBase(const LongMatrix& base, const std::vector<int>& s, LongMatrix& out);

// The sums about zero of base as doubles (centred: the base itself).
Matrix CheckMatrixOf(const LongMatrix& base, bool centred);
