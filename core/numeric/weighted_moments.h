// Weighted cross-products about a column that plays the constant term, by
// the moment method of moment_matrix.h.
//
// For observations t with weights w_t = q_t^2, columns x_j and among them a
// column c (1.0 in a weighted fit; an AR filter's transform of 1.0), the
// sums S_ij = sum w x_i x_j are returned swept on c:
//   m[i][j] = sum w (x_i - a_i c)(x_j - a_j c),   a_j = sum w c x_j / sum w c^2,
//   m[c][j] = a_j,  m[j][c] = -a_j,  m[c][c] = 1 / sum w c^2.
// Sums of uncentred values would lose the digits the data share (a year
// beside its spread); instead each column is moved near its centre first,
// s_j the same ratio over the moment method's sample rows, and
// u_j = q (x_j - s_j c) and r = q c, formed on the fly, go through the
// moment method; their sums are swept on r in long double. The result is
// as good as the deviations' own rounding, and the same to the bit on any
// number of threads.
#pragma once

#include <vector>

#include "core/numeric/matrix.h"

class ThreadPool;

// count values of each observation: observation t's at rows + t * stride.
// The columns of several such pieces follow one another.
struct WeightedRows {
    const double* rows = nullptr;
    long long stride = 0;
    int count = 0;
};

struct WeightedSums {
    // Over all the columns, swept on the constant's as above; without a
    // constant column the plain sums S_ij.
    LongMatrix m;
    // sum w (x_j - s_j c)^2 (the constant's: sum w c^2; without a constant
    // column S_jj): the size of a column before the sweep on c, against
    // which what is left of it after sweeps is judged.
    std::vector<long double> spread;
};

// constant: the constant's column among all, or -1. weights: w_t (not
// negative), or nullptr for weights of 1; q_t = sqrt(w_t). Values must be
// finite numbers.
void BuildWeightedSums(long long n, const std::vector<WeightedRows>& pieces, int constant, const double* weights,
                       WeightedSums& out, ThreadPool* pool = nullptr);
