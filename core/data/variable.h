// One variable (column) of the data set: its values with a group word per
// observation, name, comment text, type and cached summary statistics; and
// VarHash, the short name key the binary data file keeps in its directory.
//
// The statistics (mean, sd with divisor n-1, max, min) are a cache, computed
// when first read after the values changed: the edits here mark it out of
// date, except Swap (an exchange leaves them as they were); a caller that
// writes values through At() or Data() calls CalcStatistics. The mean and
// the sum of squared deviations are those of the moment matrix of the values
// (a data set that builds its matrix takes them from there: the same
// numbers). Values grow geometrically, so appending is amortised O(1). Names and comment texts must have a CP932
// form (they are saved in CP932); others raise EConvertError when they are
// set.
#pragma once

#include <atomic>
#include <cstdint>
#include <iosfwd>
#include <memory>
#include <string>
#include <vector>

#include "core/data/data_cell.h"
#include "core/numeric/vector.h"

// The two-letter tag of a type in the text forms: "en" 1, "ex" 2, "lg" 3,
// "nd" for 0 and anything else.
const char* VarTypeTag(int type);

class Var : public Vector {
public:
    // Type bytes.
    static constexpr std::uint8_t kUndefined = 0;
    static constexpr std::uint8_t kEndogenous = 1;
    static constexpr std::uint8_t kExogenous = 2;
    static constexpr std::uint8_t kLagged = 3;
    // Longest name or comment the record reader keeps, in CP932 bytes.
    static constexpr int kMaxTextBytes = 1023;

    Var() = default;
    // n values all equal to fill, marks 0, type 0.
    Var(const std::string& name, const std::string& info, int n, double fill);
    // The n values at values, marks 0, type 0.
    Var(const std::string& name, const std::string& info, const double* values, int n);
    // Values, marks, name, info and type copied.
    Var(const Var& other);
    Var& operator=(const Var&) = delete;  // use Assign
    ~Var() = default;

    // Marks the statistics out of date; the next read recomputes them.
    void CalcStatistics() noexcept { statsCurrent_.store(false, std::memory_order_relaxed); }
    // Room for n observations, so appending up to n does not reallocate.
    void Reserve(int n) {
        if (n < 0 || n > capacity_ || marks_.capacity() < static_cast<std::size_t>(capacity_)) Grow(n);
    }

    // Group word of observation i (0 <= i < Count(); ERangeError otherwise).
    void SetMark(int i, std::uint16_t mark);
    std::uint16_t GetMark(int i) const;

    // Observation count n; with keep the first min(old, n) values and marks
    // are kept and new ones are 0. Without keep every value and mark is 0.
    void Resize(int n, bool keep);
    // Removes observation i (ERangeError outside 0..Count()-1).
    void DeleteAt(int i);
    // Inserts before observation i, 0 <= i <= Count() (ERangeError otherwise).
    void InsertAt(int i, std::uint16_t mark, double value);
    void InsertCell(int i, const DataCell& cell) { InsertAt(i, cell.mark, cell.value); }
    void Append(std::uint16_t mark, double value);
    void AppendCell(const DataCell& cell) { Append(cell.mark, cell.value); }
    // Exchanges values and marks of two observations; i == j does nothing.
    void Swap(int i, int j);
    // Copies src when it has at least one value; an empty src changes nothing.
    void Assign(const Var& src);

    const std::string& GetName() const { return name_; }
    const std::string& GetInfo() const { return info_; }
    void SetName(const std::string& name);
    void SetInfo(const std::string& info);
    std::uint8_t GetType() const { return type_; }
    void SetType(std::uint8_t type) { type_ = type; }

    double GetMean() const { Refresh(); return mean_; }
    double GetStdDev() const { Refresh(); return sd_; }
    double GetMax() const { Refresh(); return max_; }
    double GetMin() const { Refresh(); return min_; }
    // Index of the first value that is no finite number, or -1. Kept
    // statistics vouch for the column without a look at its values.
    int FirstNonFinite() const;

    const std::vector<std::uint16_t>& Marks() const { return marks_; }

    // No values, no marks; name, info and type stay.
    void Clear() noexcept;

    // Growing or shrinking the values alone would leave the marks behind.
    void RemoveAt(int) = delete;
    void Prepend(double) = delete;
    void AppendArray(const double*, int) = delete;
    void PrependArray(const double*, int) = delete;
    void Replace(const Vector&) = delete;

    // The variable record of the binary data file: name, info (int32 length
    // and CP932 bytes each), type byte, int32 count, then per observation a
    // double and a u16 group word, little-endian and packed. Read cuts texts
    // to kMaxTextBytes and raises EReadError on a short or malformed record;
    // Write raises EWriteError when the stream fails.
    void Read(std::istream& in);
    void Write(std::ostream& out) const;

private:
    friend class Data;

    void Refresh() const {
        if (!statsCurrent_.load(std::memory_order_acquire)) ComputeStatistics();
    }
    void ComputeStatistics() const;
    void Grow(int n);
    // Sets the statistics when out of date, from the mean and the sum of
    // squared deviations of the values (the moment matrix's).
    void TakeStatistics(double mean, double ssd) const;
    void StoreStatistics(double mean, double ssd) const;
    // Room a permutation fills and hands on: it takes the old storage.
    struct PermuteScratch {
        VectorStorage<double> values;
        int capacity = 0;
        std::vector<std::uint16_t> marks;
    };
    // Value and mark i become those at from[i]; from is a permutation of
    // 0..Count()-1. The statistics stay.
    void Permute(const int* from, PermuteScratch& scratch);

    std::string name_;
    std::string info_;
    mutable double mean_ = 0.0;
    mutable double sd_ = 0.0;
    mutable double max_ = 0.0;
    mutable double min_ = 0.0;
    mutable std::atomic<bool> statsCurrent_{false};
    std::uint8_t type_ = kUndefined;
    // Allocated length of the values (>= count).
    int capacity_ = 0;
    std::vector<std::uint16_t> marks_;
};

// The 8-byte name key of a variable or macro: first byte of the CP932 name,
// its length (low 8 bits), the 16-bit sum of its sign-extended bytes and the
// record's file offset.
struct VarHash {
    std::uint8_t first = 0;
    std::uint8_t length = 0;
    std::uint16_t sum = 0;
    std::uint32_t offset = 0;

    // Makes the key of a name (offset 0). An empty name raises ERangeError.
    void Set(const std::string& name);
    // Keys agree on first, length and sum; the offset is not compared.
    bool Equals(const VarHash& other) const {
        return first == other.first && length == other.length && sum == other.sum;
    }
    void Read(std::istream& in);
    void Write(std::ostream& out) const;
};
