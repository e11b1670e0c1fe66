#include "core/data/group_name.h"

#include <cstdint>
#include <istream>
#include <ostream>

#include "platform/binary_stream.h"
#include "platform/errors.h"
#include "platform/text/cp932.h"

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
    BinaryWriter w(out, "グループ名の書き込み");
    w.WriteInt32(static_cast<std::int32_t>(entries_.size()));
    for (const auto& e : entries_) {
        w.WriteText(e.name);
        w.WriteInt32(e.code);
    }
}

void GroupName::Load(std::istream& in) {
    BinaryReader r(in, -1, "グループ名の読み込み");
    const std::int32_t count = r.ReadInt32();
    if (count < 1) {
        entries_.clear();
        return;
    }
    // Every entry takes at least 8 bytes, so a damaged count ends at the end
    // of the stream instead of looping on.
    std::vector<Entry> loaded;
    for (std::int32_t i = 0; i < count; ++i) {
        Entry e;
        // Longer names are cut to the reader's limit, on a character
        // boundary; the rest of the stored bytes is skipped.
        e.name = r.ReadText(kMaxNameBytes);
        e.code = r.ReadInt32();
        loaded.push_back(std::move(e));
    }
    entries_.swap(loaded);
}
