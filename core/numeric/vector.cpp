#include "core/numeric/vector.h"

#include <cmath>
#include <cstdlib>
#include <limits>
#include <new>

template <class T>
VectorStorage<T> BasicVector<T>::Allocate(long long n) {
    if (n < 0) throw ERangeError(kRangeErrorText);
    if (n > std::numeric_limits<int>::max()) throw EOutOfMemory();
    if (n == 0) return nullptr;
    // All bits zero is 0.0 for both element types.
    void* p = std::calloc(static_cast<std::size_t>(n), sizeof(T));
    if (p == nullptr) throw EOutOfMemory();
    return VectorStorage<T>(static_cast<T*>(p));
}

template <class T>
VectorStorage<T> BasicVector<T>::AllocateUnset(long long n) {
    if (n < 0) throw ERangeError(kRangeErrorText);
    if (n > std::numeric_limits<int>::max()) throw EOutOfMemory();
    if (n == 0) return nullptr;
    void* p = std::malloc(static_cast<std::size_t>(n) * sizeof(T));
    if (p == nullptr) throw EOutOfMemory();
    return VectorStorage<T>(static_cast<T*>(p));
}

template <class T>
BasicVector<T>::BasicVector(const BasicVector& other)
    : count(other.count), data(AllocateUnset(other.count)) {
    std::copy_n(other.data.get(), count, data.get());
}

template <class T>
BasicVector<T>::BasicVector(const T* values, int n) : count(n), data(AllocateUnset(n)) {
    std::copy_n(values, count, data.get());
}

template <class T>
BasicVector<T>::BasicVector(BasicVector&& other) noexcept
    : count(other.count), data(std::move(other.data)) {
    other.count = 0;
}

template <class T>
BasicVector<T>::BasicVector(int n, T value) : count(n), data(Allocate(n)) {
    // The storage is zero already: only another value is written.
    if (value != T(0) || std::signbit(value)) std::fill_n(data.get(), count, value);
}

template <class T>
BasicVector<T>& BasicVector<T>::operator=(const BasicVector& other) {
    if (this != &other) std::copy_n(other.data.get(), std::min(count, other.count), data.get());
    return *this;
}

template <class T>
BasicVector<T>& BasicVector<T>::operator=(BasicVector&& other) {
    return *this = static_cast<const BasicVector&>(other);
}

template <class T>
T& BasicVector<T>::At(int i) {
    if (i < 0 || i >= count) throw ERangeError(kRangeErrorText);
    return data[i];
}

template <class T>
const T& BasicVector<T>::At(int i) const {
    if (i < 0 || i >= count) throw ERangeError(kRangeErrorText);
    return data[i];
}

template <class T>
void BasicVector<T>::Resize(int n, bool keep) {
    if (n == count && keep) return;
    auto fresh = Allocate(n);
    if (keep) std::copy_n(data.get(), std::min(count, n), fresh.get());
    data = std::move(fresh);
    count = n;
}

template <class T>
void BasicVector<T>::RemoveAt(int i) {
    if (count == 0) return;
    if (i < 0 || i >= count) i = count - 1;
    auto fresh = Allocate(count - 1);
    std::copy_n(data.get(), i, fresh.get());
    std::copy(data.get() + i + 1, data.get() + count, fresh.get() + i);
    data = std::move(fresh);
    --count;
}

template <class T>
void BasicVector<T>::InsertAt(int i, T value) {
    if (i < 0 || i > count) throw ERangeError(kRangeErrorText);
    auto fresh = Allocate(static_cast<long long>(count) + 1);
    std::copy_n(data.get(), i, fresh.get());
    fresh[i] = value;
    std::copy(data.get() + i, data.get() + count, fresh.get() + i + 1);
    data = std::move(fresh);
    ++count;
}

template <class T>
void BasicVector<T>::Append(T value) {
    InsertAt(count, value);
}

template <class T>
void BasicVector<T>::Prepend(T value) {
    InsertAt(0, value);
}

template <class T>
void BasicVector<T>::AppendArray(const T* values, int n) {
    if (n < 0) throw ERangeError(kRangeErrorText);
    if (n == 0) return;
    auto fresh = Allocate(static_cast<long long>(count) + n);
    std::copy_n(data.get(), count, fresh.get());
    std::copy_n(values, n, fresh.get() + count);
    data = std::move(fresh);
    count += n;
}

template <class T>
void BasicVector<T>::PrependArray(const T* values, int n) {
    if (n < 0) throw ERangeError(kRangeErrorText);
    if (n == 0) return;
    auto fresh = Allocate(static_cast<long long>(count) + n);
    std::copy_n(values, n, fresh.get());
    std::copy_n(data.get(), count, fresh.get() + n);
    data = std::move(fresh);
    count += n;
}

template <class T>
void BasicVector<T>::Swap(int i, int j) {
    if (i == j) return;
    std::swap(At(i), At(j));
}

template <class T>
T BasicVector<T>::Dot(const BasicVector& other) const {
    const int n = std::min(count, other.count);
    long double sum = 0.0L;
    for (int i = 0; i < n; ++i)
        sum += static_cast<long double>(data[i]) * other.data[i];
    return static_cast<T>(sum);
}

template <class T>
BasicVector<T> BasicVector<T>::operator+(const BasicVector& other) const {
    const int n = std::min(count, other.count);
    BasicVector result(n, T(0));
    for (int i = 0; i < n; ++i)
        result.data[i] = static_cast<T>(static_cast<long double>(data[i]) + other.data[i]);
    return result;
}

template <class T>
BasicVector<T> BasicVector<T>::operator-(const BasicVector& other) const {
    const int n = std::min(count, other.count);
    BasicVector result(n, T(0));
    for (int i = 0; i < n; ++i)
        result.data[i] = static_cast<T>(static_cast<long double>(data[i]) - other.data[i]);
    return result;
}

template <class T>
void BasicVector<T>::Clear() noexcept {
    data.reset();
    count = 0;
}

template <class T>
void BasicVector<T>::Replace(const BasicVector& other) {
    if (this == &other) return;
    auto fresh = Allocate(other.count);
    std::copy_n(other.data.get(), other.count, fresh.get());
    data = std::move(fresh);
    count = other.count;
}

template class BasicVector<double>;
template class BasicVector<long double>;
