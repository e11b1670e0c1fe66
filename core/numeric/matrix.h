// Matrix: a dense row-major matrix on top of BasicVector, with the program's
// numeric kernels (sweep, Gauss-Jordan inverse, Cholesky factor, products,
// column statistics) as members and as free functions on raw strided arrays.
//
// `Matrix` holds doubles; `LongMatrix` long doubles, for the moment matrix
// that the least-squares model sweeps in extended precision. Element (i, j)
// is Data()[i * Cols() + j]. Sums of products are accumulated in long double.
//
// Assignment (operator=) behaves like Assign(): the shape is kept and only
// the overlapping top-left block is copied. Replace() takes over the other
// matrix's shape and contents.
#pragma once

#include "core/numeric/vector.h"

// Outcome of one sweep step: a zero pivot leaves the matrix unchanged.
enum class SweepResult { kSwept, kZeroPivot };

template <class T>
class BasicMatrix : public BasicVector<T> {
public:
    BasicMatrix() = default;
    // rows x cols elements set to fill. Negative sizes raise ERangeError.
    BasicMatrix(int rows, int cols, T fill = T(0));
    BasicMatrix(const BasicMatrix& other) = default;
    BasicMatrix(BasicMatrix&& other) noexcept;
    template <class U>
    explicit BasicMatrix(const BasicMatrix<U>& other)
        : BasicVector<T>(static_cast<const BasicVector<U>&>(other)), cols_(other.Cols()), rows_(other.Rows()) {}
    ~BasicMatrix() = default;

    BasicMatrix& operator=(const BasicMatrix& other) { Assign(other); return *this; }
    BasicMatrix& operator=(BasicMatrix&& other) { Assign(other); return *this; }

    int Rows() const noexcept { return rows_; }
    int Cols() const noexcept { return cols_; }

    // Address of row i; i outside 0..Rows()-1 raises ERangeError. The column
    // index is the caller's responsibility.
    T* operator[](int i);
    const T* operator[](int i) const;
    // Fully checked element access.
    using BasicVector<T>::At;
    T& At(int i, int j);
    const T& At(int i, int j) const;

    // Same shape with keep: nothing. Otherwise new storage; with keep the
    // overlapping top-left block is kept. All other elements are 0.0.
    int Resize(int rows, int cols, bool keep);
    // The shape rows x cols for contents about to be overwritten: with no
    // more elements than now the storage stays (elements keep old values),
    // otherwise new zeroed storage as Resize without keep.
    void Reshape(int rows, int cols);
    // Removes row k (byRow) or column k; k is clamped into range. Returns 1
    // without change when there is no storage, else 0.
    int DeleteRowOrCol(int k, bool byRow);
    // Copies row i (Cols() values) / column j (Rows() values) into out.
    void GetRow(int i, T* out) const;
    void GetColumn(int j, T* out) const;

    // Sweeps pivot k of the whole matrix; kZeroPivot (and no change) when the
    // pivot is exactly 0.0. k outside the matrix raises ERangeError.
    [[nodiscard]] SweepResult Sweep(int k);
    // As Sweep, on the leading n x n block; n < 1 means min(Rows(), Cols()).
    [[nodiscard]] SweepResult SweepSquare(int k, int n);

    // Same shape: full copy; otherwise the overlapping block, shape kept.
    void Assign(const BasicMatrix& b);
    // Takes over b's shape and contents.
    void Replace(const BasicMatrix& b);
    // Frees the storage; shape 0 x 0.
    void Clear() noexcept;

    // this - B in this matrix's shape. B must be at least as large
    // (ERangeError otherwise).
    BasicMatrix Subtract(const BasicMatrix& b) const;
    // this * B as a new Rows() x b.Cols() matrix.
    BasicMatrix Multiply(const BasicMatrix& b) const;
    // T = this * B over min(Rows(), t.Rows()) rows and min(b.Cols(), t.Cols())
    // columns. Cols() > b.Rows() raises ERangeError.
    void MultiplyInto(const BasicMatrix& b, BasicMatrix& t) const;
    // y = this * v; v needs at least Cols() elements (ERangeError otherwise).
    BasicVector<T> MultiplyVector(const BasicVector<T>& v) const;
    BasicMatrix Transpose() const;
    // Sum of the first min(Rows(), Cols()) diagonal elements.
    T Trace() const;
    // Copy whose leading n x n block (n = min(Rows(), Cols())) is inverted.
    // Throws EZeroDivide "INVERSE ERROR!" when singular.
    BasicMatrix Inverse() const;
    // Eigenvalues (decreasing) and eigenvectors (columns, largest component
    // positive) of the leading square block read as symmetric. The outputs
    // are resized to fit. True when it converged; false at the iteration
    // limit (the outputs must then not be used).
    [[nodiscard]] bool Eigen(BasicVector<T>& values, BasicMatrix& vectors) const;
    // Newton-Schulz inverse of the leading n x n block into x (resized to
    // n x n when smaller). True when it converged within 500 iterations.
    [[nodiscard]] bool InvertIterative(BasicMatrix& x, int n) const;

    // Centres column j and scales it to unit variance (divisor Rows() - 1)
    // or, with unitVariance clear, to unit length. A constant column becomes
    // all zeros.
    void StandardizeColumn(int j, bool unitVariance);
    // Mean of column j; *sd (when given) its standard deviation with divisor
    // Rows() - 1 (0 for fewer than two rows).
    T ColumnMeanSd(int j, T* sd) const;
    // Maximum of column j; *min (when given) its minimum. 0 for no rows.
    T ColumnMinMax(int j, T* min) const;

    // The growing and shrinking operations of a plain vector would break the
    // shape.
    void Resize(int, bool) = delete;
    void RemoveAt(int) = delete;
    void InsertAt(int, T) = delete;
    void Append(T) = delete;
    void Prepend(T) = delete;
    void AppendArray(const T*, int) = delete;
    void PrependArray(const T*, int) = delete;

    friend void swap(BasicMatrix& a, BasicMatrix& b) noexcept {
        swap(static_cast<BasicVector<T>&>(a), static_cast<BasicVector<T>&>(b));
        std::swap(a.cols_, b.cols_);
        std::swap(a.rows_, b.rows_);
    }

private:
    void CheckColumn(int j) const;

    int cols_ = 0;
    int rows_ = 0;
};

using Matrix = BasicMatrix<double>;
using LongMatrix = BasicMatrix<long double>;

// n x n matrix (n = min(rows, cols)) with M's diagonal, 0.0 elsewhere.
template <class T>
BasicMatrix<T> DiagMatrix(const BasicMatrix<T>& m);
// Upper factor U of M = U'U over the leading n x n block (n = min(rows,
// cols)); the lower triangle is 0.0. Throws EZeroDivide "CHOLESKY ERROR!"
// when M is not positive definite.
template <class T>
BasicMatrix<T> CholeskyMatrix(const BasicMatrix<T>& m);

// --- kernels on raw row-major arrays (a stride counts elements) -------------

// dst[i * dstStride + k] = src[k * srcStride + i] for i < m, k < n.
void TransposeCopy(const double* src, int srcStride, double* dst, int n, int m, int dstStride);

// One sweep step on pivot k: rowCount rows of rowLength elements, row
// stride `stride`. Returns kZeroPivot and changes nothing when the pivot is
// exactly 0.0. Sweeping the same pivot twice restores the matrix.
template <class T>
[[nodiscard]] SweepResult SweepPivot(T* a, int stride, int k, int rowLength, int rowCount);

// b = inverse of the n x n block of a by Gauss-Jordan with partial pivoting;
// a and b may be the same array. Throws EZeroDivide "INVERSE ERROR!" on a
// zero pivot (b is then left partly transformed).
template <class T>
void InvertMatrix(const T* a, int lda, T* b, int n, int ldb);

// Upper factor u with a = u'u, reading the upper triangle of a; the strictly
// lower triangle of u is set to 0.0. Throws EZeroDivide "CHOLESKY ERROR!"
// (a math error) when a pivot is not strictly positive.
template <class T>
void CholeskyDecompose(const T* a, int lda, T* u, int n, int ldu);

// T[i*tRow + j*tCol] = sum_k A[i*aRow + k*aCol] * B[k*bRow + j*bCol] for
// i < rows, j < cols, k < inner. A stride pair (1, n) reads an n-column
// matrix transposed. t must not overlap a or b.
void MultiplyStrided(const double* a, int aRow, int aCol, const double* b, int bRow, int bCol,
                     double* t, int tRow, int tCol, int rows, int inner, int cols);
// dst = a + b (add) or a - b over a rows x cols block.
void AddSubStrided(const double* a, int aStride, const double* b, int bStride, double* dst,
                   int dstStride, bool add, int cols, int rows);
// Element-wise with a scalar s: op 0 stores s * x, op 1 s + x, any other op
// s - x (scalar minus element).
void ScalarOpStrided(double* dst, int dstStride, const double* src, int srcStride, int op, double s,
                     int cols, int rows);

extern template class BasicMatrix<double>;
extern template class BasicMatrix<long double>;
