// RAData: the per-observation table of a fit.
//
// One row of doubles per diagnostic row code, one column per observation.
// A row code r >= 0 is row r; a negative code r is row r + base + 100, so the
// code j - 100 of coefficient j lands on row base + j. The table is
// zero-filled; its pages are only committed when rows are written, so the
// many diagnostic rows of a large data set cost nothing until they are used.
#pragma once

#include <cstdlib>
#include <memory>
#include <vector>

class RAData {
public:
    // Rows for a data set of k variables: 2 (k + 1) + 19.
    static int RowCountFor(int k) { return 2 * (k + 1) + 19; }

    // Allocates for n observations and k variables; EOutOfMemory when the
    // table cannot be had.
    RAData(int n, int k);
    RAData(const RAData&) = delete;
    RAData& operator=(const RAData&) = delete;

    // Drops the old storage and makes a zero-filled table of
    // 2 (k + 1) + 19 rows by n columns; base becomes k + 20. Returns true
    // when the table could not be allocated (the table is then empty).
    bool Allocate(int n, int k);

    int Rows() const { return rows_; }
    int Columns() const { return columns_; }
    int Base() const { return base_; }

    // Row index of a row code, or -1 when the code addresses no row.
    int RowOf(int code) const;

    // Checked element access: a code or observation outside the table
    // raises ERangeError.
    void SetValue(int code, int i, double x);
    double GetValue(int code, int i) const;
    // Copies the n values of a row.
    void GetRow(int code, std::vector<double>& out) const;

    // The n values of a row, for passes over every observation (checked
    // once here instead of per element).
    double* Row(int code);
    const double* Row(int code) const;

private:
    struct FreeDeleter {
        void operator()(double* p) const { std::free(p); }
    };

    void CheckCell(int row, int i) const;

    std::unique_ptr<double, FreeDeleter> table_;
    int columns_ = 0;
    int rows_ = 0;
    int base_ = 0;
};
