#include "core/user_var.h"

#include <algorithm>
#include <cstring>
#include <istream>
#include <ostream>

#include "core/float_format.h"
#include "core/text_evaluator.h"
#include "core/field_split.h"
#include "platform/errors.h"
#include "platform/ini_file.h"
#include "platform/text/cp932.h"

namespace {

void CheckIndex(int i) {
    if (i < 0 || i >= UserVar::kCount) throw ERangeError("ユーザ変数の番号が範囲外です: " + std::to_string(i));
}

void CheckName(const std::string& name) {
    if (!cp932::IsRepresentable(name))
        throw EConvertError("ユーザ変数名に使えない文字が含まれています: " + name);
}

[[noreturn]] void ThrowDamaged() { throw EReadError("ユーザ変数の読み込みに失敗しました。"); }

// Reads exactly n bytes within the bytes still allowed (left < 0: no limit).
void ReadBytes(std::istream& in, char* buf, std::size_t n, std::int64_t& left) {
    if (left >= 0) {
        if (static_cast<std::int64_t>(n) > left) ThrowDamaged();
        left -= static_cast<std::int64_t>(n);
    }
    in.read(buf, static_cast<std::streamsize>(n));
    if (static_cast<std::size_t>(in.gcount()) != n) ThrowDamaged();
}

std::int64_t BytesLeft(std::istream& in) {
    std::istream::pos_type here = in.tellg();
    if (here == std::istream::pos_type(-1)) {
        in.clear();
        return -1;
    }
    in.seekg(0, std::ios::end);
    std::istream::pos_type end = in.tellg();
    in.clear();
    in.seekg(here);
    if (end == std::istream::pos_type(-1)) return -1;
    return static_cast<std::int64_t>(end - here);
}

void PutLE(std::string& out, std::uint64_t v, int bytes) {
    for (int b = 0; b < bytes; ++b) out += static_cast<char>((v >> (8 * b)) & 0xFF);
}

std::uint64_t GetLE(const char* p, int bytes) {
    std::uint64_t v = 0;
    for (int b = bytes - 1; b >= 0; --b) v = (v << 8) | static_cast<unsigned char>(p[b]);
    return v;
}

// The longest leading part of CP932 bytes that ends on a character boundary.
std::string CutAtCharBoundary(const std::string& bytes) {
    std::size_t i = 0;
    while (i < bytes.size()) {
        std::size_t len = cp932::IsLeadByte(static_cast<unsigned char>(bytes[i])) ? 2 : 1;
        if (i + len > bytes.size()) break;
        i += len;
    }
    return bytes.substr(0, i);
}

}  // namespace

UserVar::UserVar() {
    Reset(true);
    Reset(false);
}

void UserVar::Reset(bool dataBank) {
    auto& names = dataBank ? dataNames_ : settingsNames_;
    auto& values = dataBank ? dataValues_ : settingsValues_;
    for (int i = 0; i < kCount; ++i) {
        names[static_cast<std::size_t>(i)] = std::to_string(i);
        values[static_cast<std::size_t>(i)] = 0.0;
    }
}

double UserVar::GetValue(int i, bool dataBank) const {
    CheckIndex(i);
    return (dataBank ? dataValues_ : settingsValues_)[static_cast<std::size_t>(i)];
}

void UserVar::SetValue(int i, bool dataBank, double v) {
    CheckIndex(i);
    auto k = static_cast<std::size_t>(i);
    if (!dataBank) {
        settingsValues_[k] = v;
        return;
    }
    if (!DataSetOpen()) return;
    // An exact comparison, as a stored value is replaced by the very same
    // double only when nothing changed.
    if (dataValues_[k] == v) return;
    dataValues_[k] = v;
    MarkModified();
}

const std::string& UserVar::GetName(int i, bool dataBank) const {
    CheckIndex(i);
    return (dataBank ? dataNames_ : settingsNames_)[static_cast<std::size_t>(i)];
}

void UserVar::SetName(int i, bool dataBank, const std::string& name) {
    CheckIndex(i);
    auto k = static_cast<std::size_t>(i);
    if (!dataBank) {
        if (settingsNames_[k] == name) return;
        CheckName(name);
        settingsNames_[k] = name;
        return;
    }
    if (!DataSetOpen() || dataNames_[k] == name) return;
    CheckName(name);
    dataNames_[k] = name;
    MarkModified();
}

int UserVar::FindName(const std::string& name, bool dataBank) const {
    const auto& names = dataBank ? dataNames_ : settingsNames_;
    for (int i = 0; i < kCount; ++i)
        if (names[static_cast<std::size_t>(i)] == name) return i;
    return -1;
}

void UserVar::SaveDataBank(std::ostream& out) const {
    std::string buf;
    for (double v : dataValues_) {
        std::uint64_t bits = 0;
        std::memcpy(&bits, &v, sizeof bits);
        PutLE(buf, bits, 8);
    }
    for (const std::string& name : dataNames_) {
        std::string bytes = cp932::FromUtf8(name);
        if (bytes.size() > 0x7FFFFFFF) throw EWriteError("ユーザ変数名が長すぎます。");
        PutLE(buf, bytes.size(), 4);
        buf += bytes;
    }
    out.write(buf.data(), static_cast<std::streamsize>(buf.size()));
    if (!out) throw EWriteError("ユーザ変数の書き込みに失敗しました。");
}

void UserVar::LoadDataBank(std::istream& in, std::int64_t available) {
    std::int64_t left = available >= 0 ? available : BytesLeft(in);
    std::array<double, kCount> values{};
    std::array<std::string, kCount> names;
    char raw[8 * kCount];
    ReadBytes(in, raw, sizeof raw, left);
    for (int i = 0; i < kCount; ++i) {
        std::uint64_t bits = GetLE(raw + 8 * i, 8);
        std::memcpy(&values[static_cast<std::size_t>(i)], &bits, sizeof bits);
    }
    std::string bytes;
    for (int i = 0; i < kCount; ++i) {
        char head[4];
        ReadBytes(in, head, 4, left);
        auto length = static_cast<std::int32_t>(GetLE(head, 4));
        if (length < 0) ThrowDamaged();
        // Without a known limit, read in chunks so that a damaged length
        // cannot make us allocate more than the stream really holds.
        bytes.clear();
        std::int64_t need = length;
        char chunk[4096];
        while (need > 0) {
            auto n = static_cast<std::size_t>(std::min<std::int64_t>(need, sizeof chunk));
            ReadBytes(in, chunk, n, left);
            if (bytes.size() < static_cast<std::size_t>(kMaxNameBytes))
                bytes.append(chunk, std::min(n, static_cast<std::size_t>(kMaxNameBytes) - bytes.size()));
            need -= static_cast<std::int64_t>(n);
        }
        std::string name;
        try {
            if (length > kMaxNameBytes) bytes = CutAtCharBoundary(bytes);
            name = cp932::ToUtf8(bytes);
        } catch (const EConvertError&) {
            throw EReadError("ユーザ変数名の文字が不正です。");
        }
        names[static_cast<std::size_t>(i)] = name;
    }
    dataValues_ = values;
    dataNames_ = names;
}

std::string UserVar::DataBankTextItems() const {
    std::string s;
    for (int i = 0; i < kCount; ++i) {
        auto k = static_cast<std::size_t>(i);
        s += "@" + dataNames_[k] + "/" + FloatToStrGeneral(dataValues_[k]) + ",";
    }
    return s;
}

void UserVar::ReadTextItems(const std::vector<std::string>& items) {
    UserVarBankHold hold(*this, 1);
    for (int j = 0; j < kCount && j < static_cast<int>(items.size()); ++j) {
        const std::string& item = items[static_cast<std::size_t>(j)];
        std::string name;
        double value = 0.0;
        if (!item.empty() && item[0] == '@') {
            name = SplitNameValue(item.substr(1), value);
        } else {
            value = CurrentTextEvaluator().Calculate(item);
            name = std::to_string(j);
        }
        SetActiveName(j, name);
        SetActiveValue(j, value);
    }
}

void UserVar::SaveSettings(IniFile& ini) const {
    for (int i = 0; i < kCount; ++i) {
        auto k = static_cast<std::size_t>(i);
        ini.WriteString("VAR", "item" + std::to_string(i), settingsNames_[k] + "/" + FloatToStrGeneral(settingsValues_[k]));
    }
}

void UserVar::LoadSettings(const IniFile& ini) {
    std::array<double, kCount> values{};
    std::array<std::string, kCount> names;
    for (int i = 0; i < kCount; ++i) {
        std::string text = ini.ReadString("VAR", "item" + std::to_string(i), std::to_string(i) + "/0");
        std::string name = SplitNameValue(text, values[static_cast<std::size_t>(i)]);
        CheckName(name);
        names[static_cast<std::size_t>(i)] = name;
    }
    settingsValues_ = values;
    settingsNames_ = names;
}

UserVar& GlobalUserVar() {
    static UserVar uv;
    return uv;
}
