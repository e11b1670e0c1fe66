// Small dense matrices of double-doubles for the restriction algebra of the
// restricted fit: k x k at most, so the extra digits cost nothing next to
// the pass over the observations.
#pragma once

#include <vector>

#include "core/numeric/double_double.h"

class DDMatrix {
public:
    DDMatrix() = default;
    DDMatrix(int rows, int cols) : rows_(rows), cols_(cols), a_(static_cast<std::size_t>(rows) * cols) {}

    int Rows() const { return rows_; }
    int Cols() const { return cols_; }
    DoubleDouble& operator()(int i, int j) { return a_[static_cast<std::size_t>(i) * cols_ + j]; }
    const DoubleDouble& operator()(int i, int j) const { return a_[static_cast<std::size_t>(i) * cols_ + j]; }

    DDMatrix Transpose() const;
    DDMatrix Times(const DDMatrix& b) const;
    // The inverse by Gauss-Jordan elimination with partial pivoting; false
    // when a pivot is zero or not above `relativePivot` times the largest
    // magnitude of its column at the start.
    [[nodiscard]] bool Invert(DDMatrix& out, double relativePivot) const;

private:
    int rows_ = 0, cols_ = 0;
    std::vector<DoubleDouble> a_;
};

// A long double as hi + lo.
inline DoubleDouble ToDoubleDouble(long double x) {
    const double hi = static_cast<double>(x);
    return {hi, static_cast<double>(x - hi)};
}

inline double Magnitude(const DoubleDouble& x) { return x.hi < 0.0 ? -x.hi : x.hi; }
