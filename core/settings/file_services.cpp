#include "core/settings/file_services.h"

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <system_error>

#include "core/text/text_evaluator.h"
#include "core/settings/engine_context.h"
#include "platform/ui_services.h"
#include "resources/string_table.h"

namespace fs = std::filesystem;

const char* const kOpenDialogFilter =
    "多変量データ|*.MDF|マクロデータ|*.MCR|テキストデータ|*.TXT|マクロライブラリー|*.MLB|すべて|*.*";
const char* const kSaveDialogFilter =
    "多変量データ|*.MDF|マクロデータ|*.MCR|テキストファイル|*.TXT|ビットマップファイル|*.BMP|"
    "マクロライブラリー|*.MLB|すべて|*.*";

namespace {

const char* const kMemoryErrorText = "メモリーの確保に失敗しました。";
const char* const kMemoryLeakText = "\nメモリーリークを起こす可能性があります。";

// The largest probability a percentage may give: 1 - 2^-23, the
// single-precision value just below 1.
constexpr double kMaxProbability = 1.0 - 1.0 / 8388608.0;

bool SameExtension(const std::string& ext, const char* wanted) {
    std::string a = ext;
    for (char& c : a)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return a == wanted;
}

}  // namespace

void ShowHtmlHelp(const EngineContext& context, int contextId) {
    const std::string& file = context.Work().helpFile;
    std::error_code ec;
    bool shown = !file.empty() && fs::is_regular_file(file, ec) && context.Services().ShowHelp(file, contextId);
    if (!shown) ErrorBox(context.Services(), LoadStr(kStrHelpFailed));
}

void ShowMemoryError(UiServices& services) { ErrorBox(services, kMemoryErrorText); }

void FatalMemoryError(UiServices& services) {
    services.ShowMessageBox(MsgKind::Error, std::string(kMemoryErrorText) + kMemoryLeakText, mbAbort);
    services.RequestTerminate();
}

std::string RenameToBackup(const std::string& fileName) {
    std::error_code ec;
    // A symbolic link is moved as the link, like any other name.
    fs::file_status st = fs::symlink_status(fileName, ec);
    if (ec || !fs::exists(st) || fs::is_directory(st)) return fileName;
    fs::path path(fileName);
    // A file that already is a backup would be renamed onto itself.
    if (SameExtension(path.extension().string(), ".BAK")) return fileName;
    fs::path backup = path;
    backup.replace_extension(".BAK");
    if (std::rename(fileName.c_str(), backup.c_str()) != 0) {
        // An older backup in the way (for example a folder): remove it and
        // try once more.
        fs::remove(backup, ec);
        std::rename(fileName.c_str(), backup.c_str());
    }
    return fileName;
}

std::string AskSaveFileName(const EngineContext& context) {
    FileDialogRequest request;
    request.initialDir = context.Work().dataFolder;
    request.filter = kSaveDialogFilter;
    request.filterIndex = kSaveFilterText;
    request.defaultExt = "TXT";
    return context.Services().ChooseSaveFile(request);
}

bool ChooseDirectory(UiServices& services, std::string& folder) {
    std::optional<std::string> chosen = services.ChooseFolder(folder);
    if (!chosen || chosen->empty()) return false;
    folder = WithTrailingSlash(*chosen);
    return true;
}

double EvaluatePercent(TextEvaluator& evaluator, const std::string& text, double defaultPercent) {
    double percent = evaluator.Evaluate(text, defaultPercent);
    // A result that is no number at all (0/0) is no probability either.
    if (std::isnan(percent)) percent = defaultPercent;
    double v = percent / 100.0;
    if (std::isnan(v) || v < 0) return 0.0;
    if (v >= kMaxProbability) return kMaxProbability;
    return v;
}

std::string ExtractFileTitle(std::string_view path, bool dropExtension) {
    std::size_t sep = path.find_last_of("/\\");
    std::string_view title = sep == std::string_view::npos ? path : path.substr(sep + 1);
    if (dropExtension) {
        std::size_t dot = title.rfind('.');
        if (dot != std::string_view::npos) title = title.substr(0, dot);
    }
    return std::string(title);
}
