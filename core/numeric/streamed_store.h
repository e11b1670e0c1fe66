// Stores that bypass the cache, for large arrays written once and not read
// again soon (a design, the rows of a per-observation table). The values
// stored are the values given; only the way to memory differs.
#pragma once

#include <algorithm>
#include <bit>
#include <cstddef>
#include <cstdint>

#if defined(__x86_64__) && defined(__GNUC__)
#include <immintrin.h>
#endif

// count contiguous values from `from` to `to`, two at a time where `to`
// allows.
inline void StreamValues(const double* from, std::size_t count, double* to) {
#if defined(__x86_64__) && defined(__GNUC__)
    std::size_t i = 0;
    if (count > 0 && reinterpret_cast<std::uintptr_t>(to) % 16 != 0) {
        _mm_stream_si64(reinterpret_cast<long long*>(to), std::bit_cast<long long>(from[0]));
        i = 1;
    }
    for (; i + 2 <= count; i += 2) _mm_stream_pd(to + i, _mm_loadu_pd(from + i));
    if (i < count) _mm_stream_si64(reinterpret_cast<long long*>(to + i), std::bit_cast<long long>(from[i]));
#else
    std::copy_n(from, count, to);
#endif
}

// Makes the streamed stores visible to other threads: once at the end of
// the work of each thread.
inline void FinishStreamedValues() {
#if defined(__x86_64__) && defined(__GNUC__)
    _mm_sfence();
#endif
}
