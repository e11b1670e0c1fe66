#include "core/settings/user_var.h"

#include <istream>
#include <ostream>

#include "core/text/float_format.h"
#include "core/text/text_evaluator.h"
#include "core/text/field_split.h"
#include "platform/binary_stream.h"
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
    BinaryWriter w(out, "ユーザ変数の書き込み");
    for (double v : dataValues_) w.WriteDouble(v);
    for (const std::string& name : dataNames_) w.WriteText(name);
}

void UserVar::LoadDataBank(std::istream& in, std::int64_t available) {
    BinaryReader r(in, available, "ユーザ変数の読み込み");
    std::array<double, kCount> values{};
    std::array<std::string, kCount> names;
    for (double& v : values) v = r.ReadDouble();
    // Longer names are cut to the reader's limit on a character boundary;
    // the rest of their bytes is skipped.
    for (std::string& name : names) name = r.ReadText(kMaxNameBytes);
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

void UserVar::ReadTextItems(const std::vector<std::string>& items, TextEvaluator& evaluator) {
    UserVarBankHold hold(*this, 1);
    for (int j = 0; j < kCount && j < static_cast<int>(items.size()); ++j) {
        const std::string& item = items[static_cast<std::size_t>(j)];
        std::string name;
        double value = 0.0;
        if (!item.empty() && item[0] == '@') {
            name = SplitNameValue(item.substr(1), value, evaluator);
        } else {
            value = evaluator.Calculate(item);
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

void UserVar::LoadSettings(const IniFile& ini, TextEvaluator& evaluator) {
    std::array<double, kCount> values{};
    std::array<std::string, kCount> names;
    for (int i = 0; i < kCount; ++i) {
        std::string text = ini.ReadString("VAR", "item" + std::to_string(i), std::to_string(i) + "/0");
        std::string name = SplitNameValue(text, values[static_cast<std::size_t>(i)], evaluator);
        CheckName(name);
        names[static_cast<std::size_t>(i)] = name;
    }
    settingsValues_ = values;
    settingsNames_ = names;
}

