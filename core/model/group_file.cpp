#include "core/model/group_file.h"

#include <filesystem>
#include <memory>
#include <system_error>

#include "core/model/group_fit.h"
#include "core/model/regression_model.h"
#include "platform/errors.h"
#include "resources/string_table.h"

namespace fs = std::filesystem;

namespace {

std::string GroupFailedMessage() { return LoadStr(kStrGroup) + LoadStr(kStrSettingFailed); }

}  // namespace

std::string FileTitleOf(const std::string& fileName) {
    return fs::path(fileName).stem().string();
}

bool IsSameFile(const std::string& a, const std::string& b) {
    if (a.empty() || b.empty()) return false;
    std::error_code ec;
    if (fs::exists(a, ec) && fs::exists(b, ec)) {
        const bool same = fs::equivalent(a, b, ec);
        if (!ec) return same;
    }
    const fs::path pa = fs::weakly_canonical(fs::absolute(a, ec), ec);
    const fs::path pb = fs::weakly_canonical(fs::absolute(b, ec), ec);
    return pa == pb;
}

void SaveGroupFile(const Reg& model, std::uint16_t mask, const std::string& fileName) {
    if (mask == 0) return;
    if (fileName.empty()) throw EFOpenError("保存するファイル名がありません。");
    // Writing over the open data file would replace the whole data set by
    // some of its observations.
    if (IsSameFile(fileName, model.GetFileName()))
        throw EFOpenError("開いているデータファイルにはグループを保存できません: " + fileName);
    std::unique_ptr<Group> group;
    try {
        // The block puts its dependent column last; naming the last variable
        // keeps every variable in its place (an empty name would fill that
        // column with the constant term's 1.0).
        const int k = model.GetVarCount();
        const std::string last = k > 0 ? model.GetVarName(k - 1) : std::string();
        group = std::make_unique<Group>(model, mask, true, last, FileTitleOf(fileName));
    } catch (const EOutOfMemory&) {
        throw;
    } catch (const Exception&) {
        // The mask selects no cell.
        throw Exception(GroupFailedMessage());
    }
    if (!group->Usable()) throw Exception(GroupFailedMessage());
    group->SaveToFile(fileName, model.Context());
}
