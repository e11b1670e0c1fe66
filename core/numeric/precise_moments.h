// The moment matrix of design columns and its sweep in double-double
// arithmetic: the slow, accurate path for ill-conditioned fits.
#pragma once

#include <vector>

#include "core/numeric/double_double.h"
#include "core/numeric/matrix.h"

// An inflation factor (a swept pivot times its value before the sweeps)
// beyond which the long double sweep keeps fewer than about 12 correct
// digits (its unit roundoff is 5.4e-20): the fit is swept again in
// double-double.
inline constexpr long double kMaxLongDoubleVif = 1e7L;

// A square matrix of double-doubles, row-major.
class PreciseMatrix {
public:
    explicit PreciseMatrix(int size = 0) : size_(size), a_(static_cast<std::size_t>(size) * size) {}
    int Size() const { return size_; }
    DoubleDouble& At(int i, int j) { return a_[static_cast<std::size_t>(i) * size_ + j]; }
    const DoubleDouble& At(int i, int j) const { return a_[static_cast<std::size_t>(i) * size_ + j]; }
    // Every element rounded to long double, into m (resized to fit).
    void CopyTo(LongMatrix& m) const;

private:
    int size_;
    std::vector<DoubleDouble> a_;
};

// The moment matrix of the first `cols` columns of n row-major rows (row
// stride `stride`), laid out as BuildDesignMoments lays it out: centred
// cross-products, row cols the means, column cols their negations, the
// corner 1/n. Means and products are exact to double-double rounding.
PreciseMatrix BuildPreciseMoments(const double* rows, int n, int stride, int cols);

// One sweep step on pivot k, the same step as SweepPivot. False, changing
// nothing, when the pivot is exactly zero.
bool SweepPrecise(PreciseMatrix& m, int k);
