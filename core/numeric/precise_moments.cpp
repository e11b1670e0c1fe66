#include "core/numeric/precise_moments.h"

void PreciseMatrix::CopyTo(LongMatrix& m) const {
    if (m.Rows() != size_ || m.Cols() != size_) m.Replace(LongMatrix(size_, size_, 0.0L));
    for (int i = 0; i < size_; ++i)
        for (int j = 0; j < size_; ++j) m.At(i, j) = At(i, j).ToLongDouble();
}

PreciseMatrix BuildPreciseMoments(const double* rows, int n, int stride, int cols) {
    PreciseMatrix m(cols + 1);
    if (n < 1 || cols < 0) return m;
    std::vector<DoubleDouble> mean(static_cast<std::size_t>(cols));
    for (int i = 0; i < n; ++i) {
        const double* row = rows + static_cast<long long>(i) * stride;
        for (int j = 0; j < cols; ++j) mean[static_cast<std::size_t>(j)] += row[j];
    }
    const DoubleDouble count(static_cast<double>(n));
    for (DoubleDouble& v : mean) v = v / count;

    std::vector<DoubleDouble> d(static_cast<std::size_t>(cols));
    for (int i = 0; i < n; ++i) {
        const double* row = rows + static_cast<long long>(i) * stride;
        for (int j = 0; j < cols; ++j) d[static_cast<std::size_t>(j)] = DoubleDouble(row[j]) - mean[static_cast<std::size_t>(j)];
        for (int a = 0; a < cols; ++a)
            for (int b = 0; b <= a; ++b) m.At(a, b) += d[static_cast<std::size_t>(a)] * d[static_cast<std::size_t>(b)];
    }
    for (int a = 0; a < cols; ++a) {
        for (int b = 0; b < a; ++b) m.At(b, a) = m.At(a, b);
        m.At(cols, a) = mean[static_cast<std::size_t>(a)];
        m.At(a, cols) = -mean[static_cast<std::size_t>(a)];
    }
    m.At(cols, cols) = DoubleDouble(1.0) / count;
    return m;
}

bool SweepPrecise(PreciseMatrix& m, int k) {
    const int size = m.Size();
    const DoubleDouble p = m.At(k, k);
    if (p.hi == 0.0 && p.lo == 0.0) return false;
    const DoubleDouble q = DoubleDouble(1.0) / p;
    m.At(k, k) = DoubleDouble(1.0);
    for (int j = 0; j < size; ++j) m.At(k, j) = m.At(k, j) * q;
    for (int i = 0; i < size; ++i) {
        if (i == k) continue;
        const DoubleDouble f = m.At(i, k);
        m.At(i, k) = DoubleDouble();
        for (int j = 0; j < size; ++j) m.At(i, j) -= f * m.At(k, j);
    }
    return true;
}
