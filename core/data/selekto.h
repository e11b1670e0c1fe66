// A growable array of byte flags marking selected variables or observations
// (the selection sets of the grids, the flags of a block of cells).
//
// Reading or writing an index beyond the end lengthens the array, so callers
// may address a flag before they know the final size. Resize and Reset raise
// EOutOfMemory when the new array could not be allocated (the array is then
// unchanged).
#pragma once

#include <algorithm>
#include <climits>
#include <cstdint>
#include <new>
#include <stdexcept>
#include <vector>

#include "platform/errors.h"

class Selekto {
public:
    int Count() const { return static_cast<int>(flags_.size()); }

    void Resize(int n) {
        if (n < 0) n = 0;
        if (n == Count()) return;
        try {
            flags_.resize(static_cast<std::size_t>(n), 0);
        } catch (const std::bad_alloc&) {
            throw EOutOfMemory();
        } catch (const std::length_error&) {
            throw EOutOfMemory();
        }
    }

    void Reset(int n) {
        if (n < 0) n = 0;
        try {
            std::vector<std::uint8_t> fresh(static_cast<std::size_t>(n), 0);
            flags_.swap(fresh);
        } catch (const std::bad_alloc&) {
            throw EOutOfMemory();
        } catch (const std::length_error&) {
            throw EOutOfMemory();
        }
    }

    // A negative (or unreachable) index is ignored; an index past the end grows the array.
    void Set(int i, std::uint8_t v) {
        if (i < 0 || i == INT_MAX) return;
        if (i >= Count()) Resize(i + 1);
        flags_[static_cast<std::size_t>(i)] = v;
    }

    // A negative (or unreachable) index reads as 0; an index past the end grows the array.
    std::uint8_t Get(int i) {
        if (i < 0 || i == INT_MAX) return 0;
        if (i >= Count()) Resize(i + 1);
        return flags_[static_cast<std::size_t>(i)];
    }

    void Clear() { std::fill(flags_.begin(), flags_.end(), std::uint8_t{0}); }

    int FindFirst() const {
        for (std::size_t i = 0; i < flags_.size(); ++i)
            if (flags_[i] != 0) return static_cast<int>(i);
        return -1;
    }

    const std::vector<std::uint8_t>& Flags() const { return flags_; }

private:
    std::vector<std::uint8_t> flags_;
};
