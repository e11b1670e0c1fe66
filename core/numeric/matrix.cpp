#include "core/numeric/matrix.h"

#include <cmath>
#include <vector>

#include "core/numeric/symmetric_eigen.h"

namespace {

// Bytes of a shape, checked before anything is allocated.
long long ElementCount(int rows, int cols) {
    if (rows < 0 || cols < 0) throw ERangeError(kRangeErrorText);
    return static_cast<long long>(rows) * cols;
}

}  // namespace

template <class T>
BasicMatrix<T>::BasicMatrix(int rows, int cols, T fill) {
    const long long n = ElementCount(rows, cols);
    this->data = this->Allocate(n);
    this->count = static_cast<int>(n);
    // The storage is zero already: only another value is written.
    if (fill != T(0) || std::signbit(fill)) std::fill_n(this->data.get(), this->count, fill);
    cols_ = cols;
    rows_ = rows;
}

template <class T>
BasicMatrix<T>::BasicMatrix(BasicMatrix&& other) noexcept
    : BasicVector<T>(std::move(other)), cols_(other.cols_), rows_(other.rows_) {
    other.cols_ = 0;
    other.rows_ = 0;
}

template <class T>
T* BasicMatrix<T>::operator[](int i) {
    if (i < 0 || i >= rows_) throw ERangeError(kRangeErrorText);
    return this->data.get() + static_cast<long long>(i) * cols_;
}

template <class T>
const T* BasicMatrix<T>::operator[](int i) const {
    if (i < 0 || i >= rows_) throw ERangeError(kRangeErrorText);
    return this->data.get() + static_cast<long long>(i) * cols_;
}

template <class T>
T& BasicMatrix<T>::At(int i, int j) {
    if (j < 0 || j >= cols_) throw ERangeError(kRangeErrorText);
    return (*this)[i][j];
}

template <class T>
const T& BasicMatrix<T>::At(int i, int j) const {
    if (j < 0 || j >= cols_) throw ERangeError(kRangeErrorText);
    return (*this)[i][j];
}

template <class T>
void BasicMatrix<T>::CheckColumn(int j) const {
    if (j < 0 || j >= cols_) throw ERangeError(kRangeErrorText);
}

template <class T>
int BasicMatrix<T>::Resize(int rows, int cols, bool keep) {
    if (rows == rows_ && cols == cols_ && keep) return 0;
    const long long n = ElementCount(rows, cols);
    auto fresh = this->Allocate(n);
    if (keep && this->data) {
        const int r = std::min(rows, rows_), c = std::min(cols, cols_);
        for (int i = 0; i < r; ++i)
            std::copy_n(this->data.get() + static_cast<long long>(i) * cols_, c,
                        fresh.get() + static_cast<long long>(i) * cols);
    }
    this->data = std::move(fresh);
    this->count = static_cast<int>(n);
    rows_ = rows;
    cols_ = cols;
    return 0;
}

template <class T>
void BasicMatrix<T>::Reshape(int rows, int cols) {
    const long long n = ElementCount(rows, cols);
    if (!this->data || n > this->count) {
        static_cast<void>(Resize(rows, cols, false));
        return;
    }
    this->count = static_cast<int>(n);
    rows_ = rows;
    cols_ = cols;
}

template <class T>
int BasicMatrix<T>::DeleteRowOrCol(int k, bool byRow) {
    if (!this->data) return 1;
    const int limit = byRow ? rows_ : cols_;
    k = std::clamp(k, 0, limit - 1);
    const int newRows = byRow ? rows_ - 1 : rows_;
    const int newCols = byRow ? cols_ : cols_ - 1;
    BasicMatrix fresh(newRows, newCols);
    for (int i = 0, out = 0; i < rows_; ++i) {
        if (byRow && i == k) continue;
        const T* src = this->data.get() + static_cast<long long>(i) * cols_;
        T* dst = fresh.data.get() + static_cast<long long>(out) * newCols;
        for (int j = 0, o = 0; j < cols_; ++j)
            if (byRow || j != k) dst[o++] = src[j];
        ++out;
    }
    swap(*this, fresh);
    return 0;
}

template <class T>
void BasicMatrix<T>::GetRow(int i, T* out) const {
    std::copy_n((*this)[i], cols_, out);
}

template <class T>
void BasicMatrix<T>::GetColumn(int j, T* out) const {
    CheckColumn(j);
    for (int i = 0; i < rows_; ++i) out[i] = this->data[static_cast<long long>(i) * cols_ + j];
}

template <class T>
SweepResult BasicMatrix<T>::Sweep(int k) {
    if (k < 0 || k >= rows_ || k >= cols_) throw ERangeError(kRangeErrorText);
    return SweepPivot(this->data.get(), cols_, k, cols_, rows_);
}

template <class T>
SweepResult BasicMatrix<T>::SweepSquare(int k, int n) {
    const int full = std::min(rows_, cols_);
    if (n < 1 || n > full) n = full;
    if (k < 0 || k >= n) throw ERangeError(kRangeErrorText);
    return SweepPivot(this->data.get(), cols_, k, n, n);
}

template <class T>
void BasicMatrix<T>::Assign(const BasicMatrix& b) {
    if (this == &b) return;
    const int r = std::min(rows_, b.rows_), c = std::min(cols_, b.cols_);
    for (int i = 0; i < r; ++i)
        std::copy_n(b.data.get() + static_cast<long long>(i) * b.cols_, c,
                    this->data.get() + static_cast<long long>(i) * cols_);
}

template <class T>
void BasicMatrix<T>::Replace(const BasicMatrix& b) {
    if (this == &b) return;
    BasicMatrix copy(b);
    swap(*this, copy);
}

template <class T>
void BasicMatrix<T>::Clear() noexcept {
    BasicVector<T>::Clear();
    rows_ = 0;
    cols_ = 0;
}

template <class T>
BasicMatrix<T> BasicMatrix<T>::Subtract(const BasicMatrix& b) const {
    if (b.rows_ < rows_ || b.cols_ < cols_) throw ERangeError(kRangeErrorText);
    BasicMatrix result(rows_, cols_);
    for (int i = 0; i < rows_; ++i) {
        const T* x = this->data.get() + static_cast<long long>(i) * cols_;
        const T* y = b.data.get() + static_cast<long long>(i) * b.cols_;
        T* z = result.data.get() + static_cast<long long>(i) * cols_;
        for (int j = 0; j < cols_; ++j)
            z[j] = static_cast<T>(static_cast<long double>(x[j]) - y[j]);
    }
    return result;
}

template <class T>
BasicMatrix<T> BasicMatrix<T>::Multiply(const BasicMatrix& b) const {
    BasicMatrix t(rows_, b.cols_);
    MultiplyInto(b, t);
    return t;
}

template <class T>
void BasicMatrix<T>::MultiplyInto(const BasicMatrix& b, BasicMatrix& t) const {
    if (cols_ > b.rows_) throw ERangeError(kRangeErrorText);
    // The product goes through a temporary so that t may be this or b.
    const int r = std::min(rows_, t.rows_), m = std::min(b.cols_, t.cols_);
    std::vector<long double> row(static_cast<std::size_t>(m));
    BasicMatrix out(r, m);
    for (int i = 0; i < r; ++i) {
        std::fill(row.begin(), row.end(), 0.0L);
        const T* a = this->data.get() + static_cast<long long>(i) * cols_;
        for (int k = 0; k < cols_; ++k) {
            const long double aik = a[k];
            const T* bk = b.data.get() + static_cast<long long>(k) * b.cols_;
            for (int j = 0; j < m; ++j) row[j] += aik * bk[j];
        }
        for (int j = 0; j < m; ++j) out.data[static_cast<long long>(i) * m + j] = static_cast<T>(row[j]);
    }
    for (int i = 0; i < r; ++i)
        std::copy_n(out.data.get() + static_cast<long long>(i) * m, m,
                    t.data.get() + static_cast<long long>(i) * t.cols_);
}

template <class T>
BasicVector<T> BasicMatrix<T>::MultiplyVector(const BasicVector<T>& v) const {
    if (v.Count() < cols_) throw ERangeError(kRangeErrorText);
    BasicVector<T> y(rows_, T(0));
    for (int i = 0; i < rows_; ++i) {
        const T* a = this->data.get() + static_cast<long long>(i) * cols_;
        long double sum = 0.0L;
        for (int j = 0; j < cols_; ++j) sum += static_cast<long double>(a[j]) * v.Data()[j];
        y.Data()[i] = static_cast<T>(sum);
    }
    return y;
}

template <class T>
BasicMatrix<T> BasicMatrix<T>::Transpose() const {
    BasicMatrix t(cols_, rows_);
    for (int i = 0; i < rows_; ++i)
        for (int j = 0; j < cols_; ++j)
            t.data[static_cast<long long>(j) * rows_ + i] = this->data[static_cast<long long>(i) * cols_ + j];
    return t;
}

template <class T>
T BasicMatrix<T>::Trace() const {
    const int n = std::min(rows_, cols_);
    long double sum = 0.0L;
    for (int i = 0; i < n; ++i) sum += this->data[static_cast<long long>(i) * cols_ + i];
    return static_cast<T>(sum);
}

template <class T>
BasicMatrix<T> BasicMatrix<T>::Inverse() const {
    BasicMatrix result(*this);
    const int n = std::min(rows_, cols_);
    if (n > 0) InvertMatrix(result.data.get(), cols_, result.data.get(), n, cols_);
    return result;
}

template <class T>
bool BasicMatrix<T>::Eigen(BasicVector<T>& values, BasicMatrix& vectors) const {
    const int n = std::min(rows_, cols_);
    values.Resize(n, false);
    vectors.Resize(n, n, false);
    if (n == 0) return true;
    return SymmetricEigen(this->data.get(), cols_, values.Data(), vectors.data.get(), n, n);
}

template <class T>
void BasicMatrix<T>::StandardizeColumn(int j, bool unitVariance) {
    CheckColumn(j);
    long double mean = 0.0L, ss = 0.0L;
    T* col = this->data.get() + j;
    for (int i = 0; i < rows_; ++i) {
        const long double d = col[static_cast<long long>(i) * cols_] - mean;
        const long double step = d / (i + 1);
        mean += step;
        ss += step * d * i;
    }
    const long double divisor = unitVariance ? static_cast<long double>(rows_ - 1) : 1.0L;
    // A constant column has no scale; it is centred to zeros rather than
    // filled with 0 * infinity.
    const long double factor = (ss > 0.0L && divisor > 0.0L) ? std::sqrt(divisor / ss) : 0.0L;
    for (int i = 0; i < rows_; ++i) {
        T& x = col[static_cast<long long>(i) * cols_];
        x = static_cast<T>((x - mean) * factor);
    }
}

template <class T>
T BasicMatrix<T>::ColumnMeanSd(int j, T* sd) const {
    CheckColumn(j);
    long double mean = 0.0L, ss = 0.0L;
    const T* col = this->data.get() + j;
    for (int i = 0; i < rows_; ++i) {
        const long double d = col[static_cast<long long>(i) * cols_] - mean;
        const long double step = d / (i + 1);
        mean += step;
        ss += step * d * i;
    }
    if (sd) *sd = rows_ > 1 ? static_cast<T>(std::sqrt(ss / (rows_ - 1))) : T(0);
    return static_cast<T>(mean);
}

template <class T>
T BasicMatrix<T>::ColumnMinMax(int j, T* min) const {
    CheckColumn(j);
    if (rows_ == 0) {
        if (min) *min = T(0);
        return T(0);
    }
    const T* col = this->data.get() + j;
    T lo = col[0], hi = col[0];
    for (int i = 1; i < rows_; ++i) {
        const T x = col[static_cast<long long>(i) * cols_];
        if (x > hi)
            hi = x;
        else if (x < lo)
            lo = x;
    }
    if (min) *min = lo;
    return hi;
}

template <class T>
BasicMatrix<T> DiagMatrix(const BasicMatrix<T>& m) {
    const int n = std::min(m.Rows(), m.Cols());
    BasicMatrix<T> d(n, n);
    for (int i = 0; i < n; ++i) d[i][i] = m[i][i];
    return d;
}

template <class T>
BasicMatrix<T> CholeskyMatrix(const BasicMatrix<T>& m) {
    const int n = std::min(m.Rows(), m.Cols());
    BasicMatrix<T> u(n, n);
    if (n > 0) CholeskyDecompose(m.Data(), m.Cols(), u.Data(), n, n);
    return u;
}

template class BasicMatrix<double>;
template class BasicMatrix<long double>;
template BasicMatrix<double> DiagMatrix(const BasicMatrix<double>&);
template BasicMatrix<long double> DiagMatrix(const BasicMatrix<long double>&);
template BasicMatrix<double> CholeskyMatrix(const BasicMatrix<double>&);
template BasicMatrix<long double> CholeskyMatrix(const BasicMatrix<long double>&);
