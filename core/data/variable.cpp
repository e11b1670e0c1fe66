#include "core/data/variable.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <istream>
#include <limits>
#include <mutex>
#include <new>
#include <ostream>
#include <string>
#include <utility>

#include "core/numeric/moment_matrix.h"

#include "platform/binary_stream.h"
#include "platform/errors.h"
#include "platform/text/cp932.h"

namespace {

void CheckText(const std::string& text, const char* what) {
    if (!cp932::IsRepresentable(text))
        throw EConvertError(std::string(what) + "に使えない文字が含まれています: " + text);
}

// Serialises the lazy statistics of a variable (filled rarely, read often).
// One of a few locks chosen by the variable's address: the columns of a data
// set take their statistics on several threads at once.
std::mutex& StatisticsLock(const void* owner) {
    static std::mutex locks[64];
    return locks[(reinterpret_cast<std::uintptr_t>(owner) / 64) % 64];
}

// The first of the largest and the first of the smallest of n >= 1 values:
// a NaN first value makes both NaN, later NaNs are passed over. Lanes of
// values are scanned side by side; among equal values only zeros differ in
// their bits, so a zero extreme is looked up again for the first one.
void Extremes(const double* x, int n, double& largest, double& smallest) {
    largest = smallest = x[0];
    if (std::isnan(x[0])) return;
    constexpr int kLanes = 8;
    double hi[kLanes], lo[kLanes];
    std::fill_n(hi, kLanes, x[0]);
    std::fill_n(lo, kLanes, x[0]);
    int i = 1;
    for (; i + kLanes <= n; i += kLanes)
        for (int l = 0; l < kLanes; ++l) {
            const double v = x[i + l];
            hi[l] = v > hi[l] ? v : hi[l];
            lo[l] = v < lo[l] ? v : lo[l];
        }
    for (; i < n; ++i) {
        hi[0] = x[i] > hi[0] ? x[i] : hi[0];
        lo[0] = x[i] < lo[0] ? x[i] : lo[0];
    }
    for (int l = 0; l < kLanes; ++l) {
        if (hi[l] > largest) largest = hi[l];
        if (lo[l] < smallest) smallest = lo[l];
    }
    const auto firstZero = [&] { return *std::find(x, x + n, 0.0); };
    if (largest == 0.0) largest = firstZero();
    if (smallest == 0.0) smallest = firstZero();
}

}  // namespace

const char* VarTypeTag(int type) {
    switch (type) {
        case 1: return "en";
        case 2: return "ex";
        case 3: return "lg";
        default: return "nd";
    }
}

Var::Var(const std::string& name, const std::string& info, int n, double fill)
    : Vector(n, fill), marks_(static_cast<std::size_t>(n < 0 ? 0 : n), 0) {
    capacity_ = count;
    SetName(name);
    SetInfo(info);
}

Var::Var(const std::string& name, const std::string& info, const double* values, int n)
    : Vector(values, n), marks_(static_cast<std::size_t>(n < 0 ? 0 : n), 0) {
    capacity_ = count;
    SetName(name);
    SetInfo(info);
}

Var::Var(const Var& other)
    : Vector(other), name_(other.name_), info_(other.info_), type_(other.type_), capacity_(other.count),
      marks_(other.marks_) {}

int Var::FirstNonFinite() const {
    const double* x = data.get();
    if (statsCurrent_.load(std::memory_order_acquire)) {
        if (std::isfinite(mean_) && std::isfinite(max_) && std::isfinite(min_)) return -1;
    } else {
        // x * 0 is 0 for a finite x and NaN otherwise; four sums keep the
        // scan at memory speed.
        constexpr int kBlock = 4096;
        bool clean = true;
        for (int b = 0; b < count && clean; b += kBlock) {
            const int e = std::min(count, b + kBlock);
            double s0 = 0.0, s1 = 0.0, s2 = 0.0, s3 = 0.0;
            int i = b;
            for (; i + 4 <= e; i += 4) {
                s0 += x[i] * 0.0;
                s1 += x[i + 1] * 0.0;
                s2 += x[i + 2] * 0.0;
                s3 += x[i + 3] * 0.0;
            }
            for (; i < e; ++i) s0 += x[i] * 0.0;
            clean = s0 + s1 + s2 + s3 == 0.0;
        }
        if (clean) return -1;
    }
    for (int i = 0; i < count; ++i)
        if (!std::isfinite(x[i])) return i;
    return -1;
}

void Var::ComputeStatistics() const {
    double mean = 0.0;
    double ssd = 0.0;
    if (count >= 2) {
        Matrix m;
        const double* column = data.get();
        BuildMomentMatrixFromColumns(&column, count, 1, m);
        mean = m[1][0];
        ssd = m[0][0];
    }
    TakeStatistics(mean, ssd);
}

void Var::TakeStatistics(double mean, double ssd) const {
    const std::lock_guard<std::mutex> hold(StatisticsLock(this));
    if (statsCurrent_.load(std::memory_order_relaxed)) return;
    StoreStatistics(mean, ssd);
    statsCurrent_.store(true, std::memory_order_release);
}

void Var::StoreStatistics(double mean, double ssd) const {
    const int n = count;
    if (n <= 0) {
        mean_ = sd_ = max_ = min_ = 0.0;
        return;
    }
    const double* x = data.get();
    Extremes(x, n, max_, min_);
    if (n == 1) {
        mean_ = x[0];
        sd_ = x[0] - x[0];  // 0, or NaN for an infinite or NaN value
        return;
    }
    if (std::isfinite(mean) && std::isfinite(ssd)) {
        mean_ = mean;
        // Rounding can leave a constant column a hair below zero.
        const long double s = ssd > 0.0 ? ssd : 0.0;
        sd_ = static_cast<double>(std::sqrt(s / (n - 1)));
        return;
    }
    // Infinities, NaNs or sums beyond the double range: Welford's update in
    // extended precision, which keeps finite what it can.
    long double mu = 0.0L;
    long double m2 = 0.0L;
    for (int k = 0; k < n; ++k) {
        const long double delta = static_cast<long double>(x[k]) - mu;
        mu += delta / (k + 1);
        m2 += delta * delta * k / (k + 1);
    }
    mean_ = static_cast<double>(mu);
    sd_ = static_cast<double>(std::sqrt(m2 / (n - 1)));
}

void Var::Grow(int n) {
    if (n < 0) throw ERangeError(kRangeErrorText);
    if (n > capacity_) {
        constexpr int kMax = std::numeric_limits<int>::max();
        const int grown = capacity_ > kMax / 2 ? kMax : std::max(2 * capacity_, 8);
        const int cap = std::max(n, grown);
        // Past count the room stays uninitialised until written.
        VectorStorage<double> fresh = AllocateUnset(cap);
        std::copy_n(data.get(), count, fresh.get());
        data = std::move(fresh);
        capacity_ = cap;
    }
    if (marks_.capacity() < static_cast<std::size_t>(capacity_)) {
        try {
            marks_.reserve(static_cast<std::size_t>(capacity_));
        } catch (const std::bad_alloc&) {
            throw EOutOfMemory();
        }
    }
}

void Var::Permute(const int* from, PermuteScratch& scratch) {
    const int n = count;
    if (scratch.capacity < n) {
        // Left uninitialised: every value up to n is written below.
        scratch.values = AllocateUnset(n);
        scratch.capacity = n;
    }
    const double* x = data.get();
    double* y = scratch.values.get();
    for (int i = 0; i < n; ++i) y[i] = x[from[i]];
    scratch.marks.resize(static_cast<std::size_t>(n));
    for (int i = 0; i < n; ++i) scratch.marks[static_cast<std::size_t>(i)] = marks_[static_cast<std::size_t>(from[i])];
    // The old storage is the next column's room.
    data.swap(scratch.values);
    std::swap(capacity_, scratch.capacity);
    marks_.swap(scratch.marks);
}

void Var::SetMark(int i, std::uint16_t mark) {
    if (i < 0 || i >= static_cast<int>(marks_.size())) throw ERangeError(kRangeErrorText);
    marks_[static_cast<std::size_t>(i)] = mark;
}

std::uint16_t Var::GetMark(int i) const {
    if (i < 0 || i >= static_cast<int>(marks_.size())) throw ERangeError(kRangeErrorText);
    return marks_[static_cast<std::size_t>(i)];
}

void Var::Resize(int n, bool keep) {
    if (keep && n == count) return;
    if (keep && n > count && n <= capacity_) {
        // The room past the values may hold old ones.
        std::fill(data.get() + count, data.get() + n, 0.0);
        count = n;
    } else {
        Vector::Resize(n, keep);  // checks n
        capacity_ = count;
    }
    if (!keep) marks_.assign(static_cast<std::size_t>(n), 0);
    else marks_.resize(static_cast<std::size_t>(n), 0);
    CalcStatistics();
}

void Var::DeleteAt(int i) {
    if (i < 0 || i >= count) throw ERangeError(kRangeErrorText);
    std::copy(data.get() + i + 1, data.get() + count, data.get() + i);
    --count;
    marks_.erase(marks_.begin() + i);
    CalcStatistics();
}

void Var::InsertAt(int i, std::uint16_t mark, double value) {
    if (i < 0 || i > count) throw ERangeError(kRangeErrorText);
    Reserve(count + 1);
    // Room is reserved: nothing below throws.
    double* x = data.get();
    if (i == count) {
        marks_.push_back(mark);
    } else {
        marks_.insert(marks_.begin() + i, mark);
        std::copy_backward(x + i, x + count, x + count + 1);
    }
    x[i] = value;
    ++count;
    CalcStatistics();
}

void Var::Append(std::uint16_t mark, double value) { InsertAt(count, mark, value); }

void Var::Swap(int i, int j) {
    if (i == j) return;
    Vector::Swap(i, j);  // checks both indices
    std::swap(marks_[static_cast<std::size_t>(i)], marks_[static_cast<std::size_t>(j)]);
}

void Var::Assign(const Var& src) {
    if (src.count < 1 || &src == this) return;
    Vector::Replace(src);
    capacity_ = count;
    marks_ = src.marks_;
    name_ = src.name_;
    info_ = src.info_;
    type_ = src.type_;
    CalcStatistics();
}

void Var::SetName(const std::string& name) {
    CheckText(name, "変数名");
    name_ = name;
}

void Var::SetInfo(const std::string& info) {
    CheckText(info, "変数のコメント");
    info_ = info;
}

void Var::Clear() noexcept {
    Vector::Clear();
    capacity_ = 0;
    marks_.clear();
    CalcStatistics();
}

void Var::Write(std::ostream& out) const {
    BinaryWriter w(out, "変数の書き込み");
    w.WriteText(name_);
    w.WriteText(info_);
    w.WriteByte(type_);
    w.WriteInt32(count);
    for (int i = 0; i < count; ++i) {
        w.WriteDouble(data[static_cast<std::size_t>(i)]);
        w.WriteUInt16(marks_[static_cast<std::size_t>(i)]);
    }
}

void Var::Read(std::istream& in) {
    BinaryReader r(in, -1, "変数の読み込み");
    std::string name = r.ReadText(kMaxTextBytes);
    std::string info = r.ReadText(kMaxTextBytes);
    const std::uint8_t type = r.ReadByte();
    // Each observation takes 10 bytes of what is left.
    const int n = r.ReadCount(INT32_MAX, 10);
    // Grow as the bytes arrive, so a damaged count fails at the end of a
    // stream that cannot tell its size instead of allocating what the file
    // does not hold.
    std::vector<double> values;
    std::vector<std::uint16_t> marks;
    for (int i = 0; i < n; ++i) {
        values.push_back(r.ReadDouble());
        marks.push_back(r.ReadUInt16());
    }
    Resize(n, false);
    std::copy(values.begin(), values.end(), data.get());
    marks_ = std::move(marks);
    name_ = std::move(name);
    info_ = std::move(info);
    type_ = type;
    CalcStatistics();
}

void VarHash::Set(const std::string& name) {
    const std::string bytes = cp932::FromUtf8(name);
    if (bytes.empty()) throw ERangeError(kRangeErrorText);
    first = static_cast<std::uint8_t>(bytes[0]);
    length = static_cast<std::uint8_t>(bytes.size() & 0xFF);
    unsigned s = 0;
    for (const char c : bytes) s += static_cast<unsigned>(static_cast<int>(static_cast<signed char>(c)));
    sum = static_cast<std::uint16_t>(s & 0xFFFF);
    offset = 0;
}

void VarHash::Write(std::ostream& out) const {
    BinaryWriter w(out, "変数の書き込み");
    w.WriteByte(first);
    w.WriteByte(length);
    w.WriteUInt16(sum);
    w.WriteUInt32(offset);
}

void VarHash::Read(std::istream& in) {
    BinaryReader r(in, -1, "変数の読み込み");
    const std::uint8_t f = r.ReadByte();
    const std::uint8_t l = r.ReadByte();
    const std::uint16_t s = r.ReadUInt16();
    const std::uint32_t o = r.ReadUInt32();
    first = f;
    length = l;
    sum = s;
    offset = o;
}
