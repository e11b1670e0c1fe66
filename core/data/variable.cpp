#include "core/data/variable.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <istream>
#include <ostream>
#include <string>
#include <utility>

#include "platform/binary_stream.h"
#include "platform/errors.h"
#include "platform/text/cp932.h"

namespace {

void CheckText(const std::string& text, const char* what) {
    if (!cp932::IsRepresentable(text))
        throw EConvertError(std::string(what) + "に使えない文字が含まれています: " + text);
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
    SetName(name);
    SetInfo(info);
    CalcStatistics();
}

Var::Var(const Var& other)
    : Vector(other), name_(other.name_), info_(other.info_), type_(other.type_), marks_(other.marks_) {
    CalcStatistics();
}

void Var::CalcStatistics() {
    const int n = count;
    if (n <= 0) {
        mean_ = sd_ = max_ = min_ = 0.0;
        return;
    }
    const double* x = data.get();
    // Welford's one-pass update in extended precision.
    double mx = x[0];
    double mn = x[0];
    long double mean = 0.0L;
    long double m2 = 0.0L;
    for (int k = 0; k < n; ++k) {
        if (x[k] > mx)
            mx = x[k];
        else if (x[k] < mn)
            mn = x[k];
        const long double delta = static_cast<long double>(x[k]) - mean;
        mean += delta / (k + 1);
        m2 += delta * delta * k / (k + 1);
    }
    mean_ = static_cast<double>(mean);
    sd_ = n >= 2 ? static_cast<double>(std::sqrt(m2 / (n - 1))) : static_cast<double>(m2);
    max_ = mx;
    min_ = mn;
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
    Vector::Resize(n, keep);  // checks n
    if (!keep) marks_.assign(static_cast<std::size_t>(n), 0);
    else marks_.resize(static_cast<std::size_t>(n), 0);
}

void Var::DeleteAt(int i) {
    if (i < 0 || i >= count) throw ERangeError(kRangeErrorText);
    Vector::RemoveAt(i);
    marks_.erase(marks_.begin() + i);
}

void Var::InsertAt(int i, std::uint16_t mark, double value) {
    if (i < 0 || i > count) throw ERangeError(kRangeErrorText);
    marks_.insert(marks_.begin() + i, mark);
    try {
        Vector::InsertAt(i, value);
    } catch (...) {
        marks_.erase(marks_.begin() + i);
        throw;
    }
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
    marks_.clear();
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
