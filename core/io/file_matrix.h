// Matrices of doubles kept in a temporary file instead of memory.
//
// TFileMatrix stores rows x cols doubles in a file of its own, with no header:
// element (i, j) is the little-endian IEEE 754 double at byte offset
// (i * cols + j) * 8, rows one after the other. The file is created under a
// fresh temporary name when the object is built, filled with the default
// value, and deleted when the object is destroyed. A read outside the shape
// through GetValue gives the default value. TNamedData adds a name and a
// selection flag per column, for the analysis windows that accumulate moment
// matrices over a whole data table row by row.
//
// Only one row (or a small block of rows) is in memory at a time. Every
// write is checked: a failing write raises EWriteError, a read that cannot
// be satisfied EReadError. A row buffer that cannot be allocated shows the
// fatal memory box and raises EOutOfMemory. Indices outside the shape (other than GetValue's)
// raise ERangeError rather than touching bytes of other elements.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "core/numeric/matrix.h"

class EngineContext;

class TFileMatrix {
public:
    // A new temporary file of rows x cols copies of defaultValue, named by
    // the context. Negative sizes raise ERangeError; a file that cannot be
    // created EFOpenError.
    TFileMatrix(EngineContext& context, int rows, int cols, double defaultValue);
    // A new temporary file with the same shape, default and content.
    TFileMatrix(const TFileMatrix& other);
    TFileMatrix& operator=(const TFileMatrix&) = delete;
    ~TFileMatrix();

    int Rows() const { return rows_; }
    int Cols() const { return cols_; }
    double DefaultValue() const { return defaultValue_; }
    const std::string& FileName() const { return file_.name; }
    EngineContext& Context() const { return *context_; }

    void SetValue(int i, int j, double v);
    // The element, or the default value (file untouched) outside the shape.
    double GetValue(int i, int j) const;

    // count consecutive elements of row i from column j on, with one
    // positioned read or write of the file (a big-endian machine writes in
    // 4 KB pieces, converted). A read gives the default value
    // for the part of the span outside the shape (all of it for a row
    // outside) without touching the file for that part. A write must lie
    // wholly inside the shape, else ERangeError and nothing is written. A
    // negative count raises ERangeError.
    void ReadSpan(int i, int j, int count, double* out) const;
    void WriteSpan(int i, int j, int count, const double* values);

    // Row i to or from cols doubles of the caller.
    void ReadRow(int i, double* buf) const;
    void WriteRow(int i, const double* buf);
    // count whole rows from row first on, to or from count * cols doubles,
    // with one positioned read or write. The rows must lie inside the shape
    // (ERangeError otherwise, nothing transferred).
    void ReadRows(int first, int count, double* buf) const;
    void WriteRows(int first, int count, const double* buf);

    // Sum over c of a(i, c) * a(k, c), accumulated in extended precision.
    double RowProduct(int i, int k) const;

    // out[i] = a(i, j) for every row i (out holds Rows() doubles).
    void ReadColumn(int j, double* out) const;
    void ReadColumns(int j1, double* out1, int j2, double* out2) const;
    // out1[i] = a(i, j1) of this matrix and out2[i] = other's (i, j2), for
    // every row i of this matrix; an element outside other's shape is
    // other's default value.
    void ReadColumnPair(int j1, double* out1, int j2, double* out2, const TFileMatrix& other) const;
    // a(i, j) = other's (i, k) for every row i of this matrix (other's
    // default value outside its shape).
    void CopyColumnFrom(int j, const TFileMatrix& other, int k);

    // The moment matrix of the first k = min(m.Cols() - 1, Cols()) columns
    // over all rows: deviation cross-products swept on the constant, means in
    // row k. m needs at least k + 1 rows and one column (ERangeError).
    void ComputeMoments(Matrix& m) const;
    // The same of every column, in the long double the moment method forms,
    // into m resized to (Cols() + 1) x (Cols() + 1).
    void ComputeMoments(LongMatrix& m) const;

protected:
    // Calls f(firstRow, rowCount, data) for consecutive blocks of whole rows
    // read sequentially from the file (at least one row per block). Defined
    // beside the classes of this header only.
    template <class F>
    void ForEachRowBlock(F&& f) const;

private:
    // The open temporary file; closing and deleting it is tied to this
    // member, so a constructor that fails half-way leaves no file behind.
    struct TempFileHandle {
        std::string name;
        int fd = -1;
        TempFileHandle() = default;
        TempFileHandle(const TempFileHandle&) = delete;
        TempFileHandle& operator=(const TempFileHandle&) = delete;
        ~TempFileHandle();
    };

    void CreateFile();
    std::int64_t Offset(int i, int j) const;
    void CheckRow(int i) const;
    void CheckCol(int j) const;
    void ReadAt(std::int64_t offset, void* buf, std::size_t n) const;
    void WriteAt(std::int64_t offset, const void* buf, std::size_t n);
    // n doubles at a byte offset, converted from or to the file's
    // little-endian form.
    void ReadDoubles(std::int64_t offset, double* out, std::size_t n) const;
    void WriteDoubles(std::int64_t offset, const double* values, std::size_t n);

    TempFileHandle file_;
    EngineContext* context_;
    int rows_ = 0;
    int cols_ = 0;
    double defaultValue_ = 0.0;
};

class TNamedData : public TFileMatrix {
public:
    // rows x cols of 0.0, empty column names, every column selected.
    TNamedData(EngineContext& context, int rows, int cols);

    void SetColumnName(int j, const std::string& name);
    const std::string& GetColumnName(int j) const;
    // Lowest column whose name equals name (byte comparison), else -1.
    int FindColumn(const std::string& name) const;

    // Stores the flag and keeps the selected count when it changes.
    void SetSelected(int j, std::uint8_t flag);
    std::uint8_t IsSelected(int j) const;
    int SelectedCount() const { return selectedCount_; }

    // Moment matrix of all columns, or of the selected columns only (in
    // column order). m is resized (content dropped) when it is too small for
    // k = the number of columns used; a larger m keeps its size.
    void ComputeMoments(bool selectedOnly, Matrix& m) const;

private:
    std::vector<std::string> names_;
    std::vector<std::uint8_t> flags_;
    int selectedCount_ = 0;
};
