#include "estimators/restricted_algebra.h"

#include <algorithm>
#include <cmath>
#include <utility>

DDMatrix DDMatrix::Transpose() const {
    DDMatrix t(cols_, rows_);
    for (int i = 0; i < rows_; ++i)
        for (int j = 0; j < cols_; ++j) t(j, i) = (*this)(i, j);
    return t;
}

DDMatrix DDMatrix::Times(const DDMatrix& b) const {
    DDMatrix c(rows_, b.cols_);
    for (int i = 0; i < rows_; ++i)
        for (int l = 0; l < cols_; ++l) {
            const DoubleDouble f = (*this)(i, l);
            if (f.hi == 0.0) continue;
            for (int j = 0; j < b.cols_; ++j) c(i, j) += f * b(l, j);
        }
    return c;
}

bool DDMatrix::Invert(DDMatrix& out, double relativePivot) const {
    if (rows_ != cols_) return false;
    const int n = rows_;
    DDMatrix a(*this);
    out = DDMatrix(n, n);
    for (int i = 0; i < n; ++i) out(i, i) = 1.0;
    std::vector<double> scale(static_cast<std::size_t>(n), 0.0);
    for (int j = 0; j < n; ++j)
        for (int i = 0; i < n; ++i) scale[j] = std::max(scale[j], Magnitude(a(i, j)));
    for (int c = 0; c < n; ++c) {
        int pivot = c;
        for (int i = c + 1; i < n; ++i)
            if (Magnitude(a(i, c)) > Magnitude(a(pivot, c))) pivot = i;
        const double size = Magnitude(a(pivot, c));
        if (!(size > relativePivot * scale[c]) || !std::isfinite(size)) return false;
        if (pivot != c)
            for (int j = 0; j < n; ++j) {
                std::swap(a(pivot, j), a(c, j));
                std::swap(out(pivot, j), out(c, j));
            }
        const DoubleDouble q = DoubleDouble(1.0) / a(c, c);
        for (int j = 0; j < n; ++j) {
            a(c, j) = a(c, j) * q;
            out(c, j) = out(c, j) * q;
        }
        for (int i = 0; i < n; ++i) {
            if (i == c) continue;
            const DoubleDouble f = a(i, c);
            if (f.hi == 0.0) continue;
            for (int j = 0; j < n; ++j) {
                a(i, j) -= f * a(c, j);
                out(i, j) -= f * out(c, j);
            }
        }
    }
    return true;
}
