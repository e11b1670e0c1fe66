#include "core/variable.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <istream>
#include <ostream>
#include <string>
#include <utility>

#include "platform/errors.h"
#include "platform/text/cp932.h"

namespace {

void CheckText(const std::string& text, const char* what) {
    if (!cp932::IsRepresentable(text))
        throw EConvertError(std::string(what) + "に使えない文字が含まれています: " + text);
}

void WriteBytes(std::ostream& out, const void* p, std::size_t n) {
    out.write(static_cast<const char*>(p), static_cast<std::streamsize>(n));
}

void WriteLE(std::ostream& out, std::uint64_t v, int bytes) {
    char b[8];
    for (int i = 0; i < bytes; ++i) b[i] = static_cast<char>((v >> (8 * i)) & 0xFF);
    WriteBytes(out, b, static_cast<std::size_t>(bytes));
}

std::uint64_t ReadLE(std::istream& in, int bytes) {
    unsigned char b[8];
    in.read(reinterpret_cast<char*>(b), bytes);
    if (in.gcount() != bytes) throw EReadError("変数の読み込みに失敗しました。");
    std::uint64_t v = 0;
    for (int i = bytes - 1; i >= 0; --i) v = (v << 8) | b[i];
    return v;
}

void WriteText(std::ostream& out, const std::string& utf8) {
    const std::string bytes = cp932::FromUtf8(utf8);
    WriteLE(out, static_cast<std::uint32_t>(static_cast<std::int32_t>(bytes.size())), 4);
    WriteBytes(out, bytes.data(), bytes.size());
}

// An int32 length and CP932 bytes; at most maxBytes are kept (cut on a
// character boundary), the rest is skipped.
std::string ReadText(std::istream& in, int maxBytes) {
    const auto len = static_cast<std::int32_t>(static_cast<std::uint32_t>(ReadLE(in, 4)));
    if (len < 0) throw EReadError("変数の名前の長さが不正です。");
    const std::size_t keep = static_cast<std::size_t>(len < maxBytes ? len : maxBytes);
    std::string bytes(keep, '\0');
    in.read(bytes.data(), static_cast<std::streamsize>(keep));
    if (static_cast<std::size_t>(in.gcount()) != keep) throw EReadError("変数の読み込みに失敗しました。");
    if (len > maxBytes) {
        const std::streamsize rest = len - maxBytes;
        in.ignore(rest);
        if (in.gcount() != rest) throw EReadError("変数の読み込みに失敗しました。");
        std::size_t i = 0;
        while (i < bytes.size()) {
            const std::size_t step = cp932::IsLeadByte(static_cast<unsigned char>(bytes[i])) ? 2 : 1;
            if (i + step > keep) break;
            i += step;
        }
        bytes.resize(i);
    }
    return cp932::ToUtf8(bytes);
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
    WriteText(out, name_);
    WriteText(out, info_);
    WriteLE(out, type_, 1);
    WriteLE(out, static_cast<std::uint32_t>(count), 4);
    for (int i = 0; i < count; ++i) {
        std::uint64_t bits;
        static_assert(sizeof bits == sizeof(double));
        std::memcpy(&bits, &data[static_cast<std::size_t>(i)], sizeof bits);
        WriteLE(out, bits, 8);
        WriteLE(out, marks_[static_cast<std::size_t>(i)], 2);
    }
    if (!out) throw EWriteError("変数の書き込みに失敗しました。");
}

void Var::Read(std::istream& in) {
    std::string name = ReadText(in, kMaxTextBytes);
    std::string info = ReadText(in, kMaxTextBytes);
    const auto type = static_cast<std::uint8_t>(ReadLE(in, 1));
    const auto n = static_cast<std::int32_t>(static_cast<std::uint32_t>(ReadLE(in, 4)));
    if (n < 0) throw EReadError("変数のデータ数が不正です。");
    // Grow as the bytes arrive, so a damaged count fails at the end of the
    // stream instead of allocating what the file does not hold.
    std::vector<double> values;
    std::vector<std::uint16_t> marks;
    for (std::int32_t i = 0; i < n; ++i) {
        const std::uint64_t bits = ReadLE(in, 8);
        double v;
        std::memcpy(&v, &bits, sizeof v);
        values.push_back(v);
        marks.push_back(static_cast<std::uint16_t>(ReadLE(in, 2)));
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
    WriteLE(out, first, 1);
    WriteLE(out, length, 1);
    WriteLE(out, sum, 2);
    WriteLE(out, offset, 4);
    if (!out) throw EWriteError("変数の書き込みに失敗しました。");
}

void VarHash::Read(std::istream& in) {
    const std::uint64_t v = ReadLE(in, 8);
    first = static_cast<std::uint8_t>(v & 0xFF);
    length = static_cast<std::uint8_t>((v >> 8) & 0xFF);
    sum = static_cast<std::uint16_t>((v >> 16) & 0xFFFF);
    offset = static_cast<std::uint32_t>(v >> 32);
}
