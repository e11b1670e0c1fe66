#include "core/model/text_report_file.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <new>

#include "core/io/data_file.h"
#include "core/io/text_data_file.h"
#include "core/model/regression_file.h"
#include "core/model/regression_model.h"
#include "core/settings/file_services.h"
#include "platform/durable_file.h"
#include "platform/errors.h"
#include "platform/ui_services.h"

namespace fs = std::filesystem;

void SaveTextReport(Reg& model, const TextReportOptions& options, const std::string& path, bool originalData) {
    if (path.empty()) throw EFOpenError("保存するファイル名がありません。");
    if (!originalData) {
        // A report replaces its file without a backup: the user confirmed it.
        WriteFileReplacing(path, [&](std::ostream& out) { WriteTextReport(model, options, out); }, model.Context(),
                           false);
        return;
    }
    const bool binary = IsBinaryDataFileName(path);
    WriteFileReplacing(path, [&](std::ostream& out) {
        if (binary)
            WriteBinaryImage(model, out);
        else
            WriteTextDataFile(FileImage(model), out, model.Context().Services());
        WriteTextReport(model, options, out);
    }, model.Context());
}

bool IsModelDataFile(const Reg& model, const std::string& path) {
    const std::string& own = model.GetFileName();
    if (own.empty() || path.empty()) return false;
    std::error_code ec;
    if (fs::exists(own, ec) && fs::exists(path, ec)) return fs::equivalent(own, path, ec);
    return fs::absolute(own, ec).lexically_normal() == fs::absolute(path, ec).lexically_normal();
}

bool RunTextSave(Reg* model, const TextReportOptions& options, bool originalData) {
    if (model == nullptr) return false;
    // The report is of the fit: refused before a name is asked.
    model->RequireEstimate();
    UiServices& services = model->Context().Services();
    const std::string path = AskSaveFileName(model->Context());
    if (path.empty()) return false;
    if (IsModelDataFile(*model, path)) {
        ErrorBox(services, "開いているデータファイルにはテキストを保存できません。\n別のファイル名を指定してください。");
        return false;
    }
    std::error_code ec;
    if (fs::exists(path, ec) && !services.AskYesNo(path + " は既に存在します。\n置き換えますか？")) return false;
    SaveTextReport(*model, options, path, originalData);
    return true;
}
