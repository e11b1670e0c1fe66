// Pieces of the weighted fit's passes over the observations: the centres
// of the variables split into two doubles, so that a deviation x - a c is
// formed as (x - hi c) - lo c, and blocks of the long double sweep in double.
#pragma once

#include <vector>

#include "core/numeric/matrix.h"

struct SplitCentres {
    explicit SplitCentres(const std::vector<long double>& centres);
    std::vector<double> hi, lo;
};

// out[j] = x[j] - centre_j c for j < count, x - hi c rounded once: the
// deviations of filtered rows, whose constant c is no power of two.
void ScaledDeviations(const SplitCentres& centres, int count, const double* x, double c, double* out);

// The leading p x p block of m in double, with row and column skip (the
// constant's, or -1) 0: a form over the deviations, the constant's 0.
Matrix PaddedBlock(const LongMatrix& m, int p, int skip);
