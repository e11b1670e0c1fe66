// The weighted fit's tables: rows x cols doubles, row after row, zero at
// first. They live in one memory block; when that block cannot be had (or
// the context asks for files) they live in a temporary file instead, only
// slower. Reads and writes behave the same in both forms.
#pragma once

#include <cstdlib>
#include <memory>
#include <new>
#include <type_traits>
#include <utility>

#include "core/io/file_matrix.h"

class EngineContext;

// The allocator of the work arrays: value construction without arguments
// leaves the value as it is, so that a vector grown by resize() is not
// cleared first (for arrays whose every value is written before it is
// read).
template <class T>
struct WorkArrayAllocator : std::allocator<T> {
    template <class U>
    struct rebind {
        using other = WorkArrayAllocator<U>;
    };
    WorkArrayAllocator() = default;
    template <class U>
    WorkArrayAllocator(const WorkArrayAllocator<U>&) noexcept {}
    template <class U>
    void construct(U* p) noexcept(std::is_nothrow_default_constructible_v<U>) {
        ::new (static_cast<void*>(p)) U;
    }
    template <class U, class... Args>
    void construct(U* p, Args&&... args) {
        ::new (static_cast<void*>(p)) U(std::forward<Args>(args)...);
    }
};

class WeightedFitStore {
public:
    // Negative sizes raise ERangeError; the file form raises what
    // TFileMatrix raises when its file cannot be made.
    WeightedFitStore(EngineContext& context, int rows, int cols);
    WeightedFitStore(const WeightedFitStore&) = delete;
    WeightedFitStore& operator=(const WeightedFitStore&) = delete;
    ~WeightedFitStore();

    int Rows() const { return rows_; }
    int Cols() const { return cols_; }
    bool InMemory() const { return file_ == nullptr; }

    // The element, or 0.0 outside the table.
    double GetValue(int i, int j) const;
    // count elements of row i from column j on. A read gives 0.0 for the
    // part outside the table; a write must lie wholly inside it, else
    // ERangeError and nothing is written. A negative count raises
    // ERangeError.
    void ReadSpan(int i, int j, int count, double* out) const;
    void WriteSpan(int i, int j, int count, const double* values);

    // Row i's memory (cols values), or nullptr in the file form; a row
    // outside the table raises ERangeError.
    double* Row(int i);
    const double* Row(int i) const;

private:
    struct FreeDeleter {
        void operator()(double* p) const { std::free(p); }
    };

    int rows_ = 0;
    int cols_ = 0;
    std::unique_ptr<double, FreeDeleter> block_;
    std::unique_ptr<TFileMatrix> file_;
};

// count values of row i from column first on, of a rows x cols table whose
// element (i, t) is values[t * stride + offset + i] (values may be null for
// a table of zeros): 0.0 outside the table, as WeightedFitStore::ReadSpan,
// and ERangeError for a negative count.
void ReadObservationMajorSpan(const double* values, long long stride, int offset, int rows, int cols, int i,
                              int first, int count, double* out);
