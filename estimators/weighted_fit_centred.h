// Pieces of the weighted fit's passes over the observations: the centres
// of the variables split into two doubles, so that a deviation x - a c is
// formed as (x - hi c) - lo c, and blocks of the long double sweep in double.
#pragma once

#include <vector>

#include "core/numeric/matrix.h"

struct SplitCentres {
    // centres[idx[a]] for each a.
    SplitCentres(const std::vector<long double>& centres, const std::vector<int>& idx);
    double Deviation(int a, double x, double c) const { return (x - hi[a] * c) - lo[a] * c; }
    std::vector<double> hi, lo;
};

// out[a] = x[idx[a]] - centre_a c for the centres' variables (idx as they
// were built with), x - hi c rounded once: the deviations of filtered rows,
// whose constant c is no power of two.
void ScaledDeviations(const SplitCentres& centres, const std::vector<int>& idx, const double* x, double c,
                      double* out);

// m(idx[a], idx[b]) in double, as a Matrix.
Matrix BlockOf(const LongMatrix& m, const std::vector<int>& idx);
// The same, row after row, for BlockTimesRows.
std::vector<double> FlatBlockOf(const LongMatrix& m, const std::vector<int>& idx);
