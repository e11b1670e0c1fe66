#include "core/group_name.h"

#include <cstdint>
#include <istream>
#include <ostream>

#include "platform/errors.h"
#include "platform/text/cp932.h"

namespace {

void WriteInt32(std::ostream& out, std::int32_t v) {
    const auto u = static_cast<std::uint32_t>(v);
    const char bytes[4] = {static_cast<char>(u & 0xFF), static_cast<char>((u >> 8) & 0xFF),
                           static_cast<char>((u >> 16) & 0xFF), static_cast<char>((u >> 24) & 0xFF)};
    out.write(bytes, 4);
}

std::int32_t ReadInt32(std::istream& in) {
    unsigned char b[4];
    in.read(reinterpret_cast<char*>(b), 4);
    if (in.gcount() != 4) throw EReadError("グループ名の読み込みに失敗しました。");
    const std::uint32_t u = std::uint32_t{b[0]} | (std::uint32_t{b[1]} << 8) |
                            (std::uint32_t{b[2]} << 16) | (std::uint32_t{b[3]} << 24);
    return static_cast<std::int32_t>(u);
}

// Length of the longest prefix of at most max bytes that ends on a character
// boundary of the CP932 text.
std::size_t Cp932Boundary(const std::string& bytes, std::size_t max) {
    std::size_t i = 0;
    while (i < bytes.size()) {
        const std::size_t step = cp932::IsLeadByte(static_cast<unsigned char>(bytes[i])) ? 2 : 1;
        if (i + step > max) break;
        i += step;
    }
    return i < max ? i : max;
}

}  // namespace

bool GroupName::SetName(const std::string& name, int code) {
    if (code >= 17) return false;
    if (!cp932::IsRepresentable(name))
        throw EConvertError("グループ名に使えない文字が含まれています: " + name);
    for (auto& e : entries_) {
        if (e.name == name) {
            e.code = code;
            return false;
        }
        if (e.code == code) {
            e.name = name;
            return false;
        }
    }
    entries_.push_back(Entry{name, code});
    return true;
}

std::string GroupName::GetName(int code) const {
    for (const auto& e : entries_)
        if (e.code == code) return e.name;
    return std::string();
}

int GroupName::GetCode(const std::string& name) const {
    for (const auto& e : entries_)
        if (e.name == name) return e.code;
    return -1;
}

const std::string& GroupName::NameAt(int i) const {
    if (i < 0 || i >= Count()) throw ERangeError("範囲エラー: グループ名 " + std::to_string(i));
    return entries_[static_cast<std::size_t>(i)].name;
}

int GroupName::CodeAt(int i) const {
    if (i < 0 || i >= Count()) throw ERangeError("範囲エラー: グループ名 " + std::to_string(i));
    return entries_[static_cast<std::size_t>(i)].code;
}

void GroupName::Save(std::ostream& out) const {
    WriteInt32(out, static_cast<std::int32_t>(entries_.size()));
    for (const auto& e : entries_) {
        const std::string bytes = cp932::FromUtf8(e.name);
        WriteInt32(out, static_cast<std::int32_t>(bytes.size()));
        out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        WriteInt32(out, e.code);
    }
    if (!out) throw EWriteError("グループ名の書き込みに失敗しました。");
}

void GroupName::Load(std::istream& in) {
    const std::int32_t count = ReadInt32(in);
    if (count < 1) {
        entries_.clear();
        return;
    }
    // Every entry takes at least 8 bytes, so a damaged count ends at the end
    // of the stream instead of looping on.
    std::vector<Entry> loaded;
    for (std::int32_t i = 0; i < count; ++i) {
        const std::int32_t len = ReadInt32(in);
        if (len < 0) throw EReadError("グループ名の長さが不正です。");
        const std::size_t keep = static_cast<std::size_t>(len < kMaxNameBytes ? len : kMaxNameBytes);
        std::string bytes(keep, '\0');
        in.read(bytes.data(), static_cast<std::streamsize>(keep));
        if (static_cast<std::size_t>(in.gcount()) != keep)
            throw EReadError("グループ名の読み込みに失敗しました。");
        if (len > kMaxNameBytes) {
            // Longer names are cut to the reader's limit, on a character
            // boundary; the rest of the stored bytes is skipped.
            const std::streamsize rest = len - kMaxNameBytes;
            in.ignore(rest);
            if (in.gcount() != rest) throw EReadError("グループ名の読み込みに失敗しました。");
            bytes.resize(Cp932Boundary(bytes, keep));
        }
        Entry e;
        e.name = cp932::ToUtf8(bytes);
        e.code = ReadInt32(in);
        loaded.push_back(std::move(e));
    }
    entries_.swap(loaded);
}
