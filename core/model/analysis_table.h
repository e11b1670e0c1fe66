// RAData: the per-observation table of a fit.
//
// One row of doubles per diagnostic row code, one column per observation.
// A row code r >= 0 is row r; a negative code r is row r + base + 100, so the
// code j - 100 of coefficient j lands on row base + j. The table is
// zero-filled. It lives in one memory block; when that block cannot be had
// it lives in a temporary file (TFileMatrix) instead, so that a large data
// set still gets its diagnostics, only slower. In the file form the rows
// handed out by Row() (the few rows every estimation writes) are held in
// memory, and every other row stays in the file, read and written a span at
// a time.
#pragma once

#include <atomic>
#include <cstdlib>
#include <memory>
#include <mutex>
#include <vector>

#include "core/io/file_matrix.h"

class RAData {
public:
    // Rows for a data set of k variables: 2 (k + 1) + 19.
    static int RowCountFor(int k) { return 2 * (k + 1) + 19; }

    // Allocates for n observations and k variables; EOutOfMemory when
    // neither the memory block nor the temporary file can be had. The
    // context names the temporary file and may ask for the file form
    // always (EngineContext::SetFileTablesForced).
    RAData(EngineContext& context, int n, int k);
    // The context of later allocations.
    void SetContext(EngineContext& context) { context_ = &context; }
    RAData(const RAData&) = delete;
    RAData& operator=(const RAData&) = delete;
    ~RAData();

    // Makes a zero-filled table of 2 (k + 1) + 19 rows by n columns, in
    // memory or else in a temporary file; base becomes k + 20. A memory
    // table of the same shape keeps its block: the rows written since are
    // made zero when they are next used. EOutOfMemory when neither could be
    // had, or for a negative n or k (the table is then empty).
    void Allocate(int n, int k);

    int Rows() const { return rows_; }
    int Columns() const { return columns_; }
    int Base() const { return base_; }
    // True for the memory block, false for the temporary-file form.
    bool InMemory() const { return inMemory_; }

    // Row index of a row code, or -1 when the code addresses no row.
    int RowOf(int code) const;

    // Checked element access: a code or observation outside the table
    // raises ERangeError.
    void SetValue(int code, int i, double x);
    double GetValue(int code, int i) const;
    // Copies the n values of a row.
    void GetRow(int code, std::vector<double>& out) const;

    // count values of a row from observation first on, to or from the
    // caller's array (checked once for the whole span).
    void ReadSpan(int code, int first, int count, double* out) const;
    void WriteSpan(int code, int first, int count, const double* values);
    // Sets every value of a row to x.
    void FillRow(int code, double x);

    // The n values of a row, for passes over every observation (checked
    // once here instead of per element). In the file form the row is moved
    // into memory and stays there until the next Allocate; the pointer is
    // valid until then.
    double* Row(int code);
    const double* Row(int code) const;
    // As Row, for a caller that writes all n values before reading any:
    // old values of a kept block are not cleared first.
    double* RowForOverwrite(int code);
    // Memory form: has the system hand out the pages of a row at once, for
    // a caller about to write all of it (on the block's first use, one call
    // instead of a fault per page). Rows may be prepared on several threads
    // at once; a row prepared before, the file form or a refusal of the
    // system leave it as it is.
    void Prefault(int code);

private:
    // Frees a block whose values start offset bytes into it.
    struct FreeDeleter {
        FreeDeleter() noexcept : offset(0) {}
        explicit FreeDeleter(std::size_t bytes) noexcept : offset(bytes) {}
        void operator()(double* p) const { std::free(reinterpret_cast<char*>(p) - offset); }
        std::size_t offset;
    };

    void CheckCell(int row, int i) const;
    void CheckSpan(int row, int first, int count) const;
    // The row's memory in the file form, or nullptr while it is in the file.
    double* CachedRow(int row) const;
    // Memory form: the row about to be read or written holds zeros if it
    // still held an earlier table's values; a write marks it written.
    void Fresh(int row) const;
    void MarkWritten(int row) { written_[static_cast<std::size_t>(row)].store(true, std::memory_order_relaxed); }

    EngineContext* context_;
    std::unique_ptr<double, FreeDeleter> table_;
    int columns_ = 0;
    int rows_ = 0;
    int base_ = 0;
    std::unique_ptr<TFileMatrix> fileTable_;
    bool inMemory_ = true;
    // File form: the rows moved into memory by Row() (empty = in the file).
    mutable std::vector<std::vector<double>> rowCache_;
    // Memory form, per row: written since the block was last handed out as
    // a new table; holding values of an earlier table (stale). Passes on
    // worker threads read and write spans, so both are atomic and a stale
    // row is cleared once under the lock.
    std::vector<std::atomic<bool>> written_;
    mutable std::vector<std::atomic<bool>> stale_;
    // Memory form, per row: its pages were asked for (Prefault) since the
    // block was allocated.
    std::vector<std::atomic<bool>> present_;
    mutable std::mutex freshLock_;
};
