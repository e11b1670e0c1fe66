// Vector: a counted, owned array of numbers with checked element access.
//
// The element type is a template parameter so that the least-squares code can
// keep its moment matrix in long double without a second copy of any
// algorithm: `Vector` holds doubles, `LongVector` long doubles. Sums of
// products are always accumulated in long double and rounded when stored.
//
// Assignment (operator=) copies only the overlapping elements and never
// changes this vector's count; use Replace() to take over another vector's
// length and contents.
#pragma once

#include <algorithm>
#include <cstdlib>
#include <memory>

#include "platform/errors.h"

// The range-error text shown for an index outside a vector or matrix.
inline constexpr const char* kRangeErrorText = "範囲エラー";

// Vector storage comes from the C allocator: zero-filled storage is asked
// for with calloc, which hands over the fresh pages of a large block as they
// are (already zero) instead of writing every element first.
struct FreeStorage {
    void operator()(void* p) const noexcept { std::free(p); }
};
template <class T>
using VectorStorage = std::unique_ptr<T[], FreeStorage>;

template <class T>
class BasicVector {
public:
    using value_type = T;

    BasicVector() = default;
    BasicVector(const BasicVector& other);
    BasicVector(BasicVector&& other) noexcept;
    // n elements, each set to value. A negative n raises ERangeError.
    BasicVector(int n, T value);
    // The n values at values, copied once. A negative n raises ERangeError.
    BasicVector(const T* values, int n);
    // Converting copy between element types (double <-> long double).
    template <class U>
    explicit BasicVector(const BasicVector<U>& other) : BasicVector(other.Count(), T(0)) {
        for (int i = 0; i < count; ++i) data[i] = static_cast<T>(other.Data()[i]);
    }
    ~BasicVector() = default;

    // Copies the first min(Count(), other.Count()) elements; count unchanged.
    BasicVector& operator=(const BasicVector& other);
    BasicVector& operator=(BasicVector&& other);

    int Count() const noexcept { return count; }
    bool Empty() const noexcept { return count == 0; }
    T* Data() noexcept { return data.get(); }
    const T* Data() const noexcept { return data.get(); }
    T* begin() noexcept { return data.get(); }
    T* end() noexcept { return data.get() + count; }
    const T* begin() const noexcept { return data.get(); }
    const T* end() const noexcept { return data.get() + count; }

    // Checked access: i < 0 or i >= Count() raises ERangeError "範囲エラー".
    T& At(int i);
    const T& At(int i) const;

    // n == Count() with keep: nothing. Otherwise new storage of n elements;
    // with keep the first min(old, n) values are kept. Every other element
    // is 0.0 (also without keep, so nothing is ever read uninitialised).
    void Resize(int n, bool keep);
    // Drops element i; an index outside 0..Count()-1 drops the last one.
    // An empty vector is left alone.
    void RemoveAt(int i);
    // Inserts before element i, 0 <= i <= Count(); otherwise ERangeError.
    void InsertAt(int i, T value);
    void Append(T value);
    void Prepend(T value);
    void AppendArray(const T* values, int n);
    void PrependArray(const T* values, int n);
    // Exchanges two elements (checked); i == j does nothing.
    void Swap(int i, int j);
    // Sum of products over the shorter length, in long double; 0 when empty.
    T Dot(const BasicVector& other) const;
    // Element-wise sum / difference over the shorter length.
    BasicVector operator+(const BasicVector& other) const;
    BasicVector operator-(const BasicVector& other) const;
    // Frees the storage; count 0.
    void Clear() noexcept;
    // Takes over the other vector's count and contents (a full copy).
    void Replace(const BasicVector& other);

    friend void swap(BasicVector& a, BasicVector& b) noexcept {
        std::swap(a.count, b.count);
        a.data.swap(b.data);
    }

protected:
    // Fresh zero-filled storage of n elements (null for n == 0); checks n
    // and turns an allocation failure into EOutOfMemory.
    static VectorStorage<T> Allocate(long long n);
    // The same checks, storage left unset: for callers that set every element.
    static VectorStorage<T> AllocateUnset(long long n);

    int count = 0;
    VectorStorage<T> data;
};

using Vector = BasicVector<double>;
using LongVector = BasicVector<long double>;

// Sets every element to 0.0 (also used on the elements of a matrix).
template <class T>
void ZeroVector(BasicVector<T>& v) {
    std::fill(v.begin(), v.end(), T(0));
}

// Copies min(dst.Count(), src.Count()) elements.
template <class T>
void CopyVector(BasicVector<T>& dst, const BasicVector<T>& src) {
    std::copy_n(src.Data(), std::min(dst.Count(), src.Count()), dst.Data());
}

extern template class BasicVector<double>;
extern template class BasicVector<long double>;
