#include "app/settings/settings_file.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <system_error>

#include "core/model/regression_model.h"
#include "core/settings/work_settings.h"
#include "core/text/field_split.h"
#include "eval/app_state.h"
#include "macro/macro_engine.h"
#include "platform/errors.h"
#include "platform/ini_file.h"
#include "platform/text/str_to_int.h"

namespace fs = std::filesystem;

namespace {

const char* const kWriteFailed = "環境設定ファイルの書き込みに失敗しました。";

// An integer item: its value, or the default when it is missing; a value
// that is there but no integer counts as damaged.
int ReadIntItem(const IniFile& ini, const char* section, const char* key, int def, std::vector<std::string>& damaged) {
    if (!ini.ValueExists(section, key)) return def;
    const std::string text = ini.ReadString(section, key, "");
    const int a = StrToIntDef(text, 0);
    const int b = StrToIntDef(text, 1);
    if (a != b) {
        damaged.push_back(std::string(section) + "/" + key);
        return def;
    }
    return a;
}

std::string HomeFolder() {
    const char* home = std::getenv("HOME");
    if (home && *home) return home;
    std::error_code ec;
    const fs::path cwd = fs::current_path(ec);
    return ec ? std::string("/") : cwd.string();
}

std::string Item(int i) { return "item" + std::to_string(i); }

}  // namespace

const std::vector<SettingsFlag>& SettingsFlags() {
    static const std::vector<SettingsFlag> flags = {
        {"FLAGS", "AutoSave", &ProgramSettings::AutoSave, false},
        {"FLAGS", "Coloring", &ProgramSettings::Coloring, true},
        {"FLAGS", "FileUV", &ProgramSettings::FileUV, false},
        {"FLAGS", "OS_Clip", &ProgramSettings::OS_Clip, false},
        {"FLAGS", "Chow_Test", &ProgramSettings::Chow_Test, false},
        {"FLAGS", "Combination", &ProgramSettings::Combination, false},
        {"FLAGS", "TSLS_Reduced", &ProgramSettings::TSLS_Reduced, false},
        {"FLAGS", "RV_Selected", &ProgramSettings::RV_Selected, false},
        {"FLAGS", "GCL_Save", &ProgramSettings::GCL_Save, false},
        {"FLAGS", "FileGCL", &ProgramSettings::FileGCL, false},
        {"FLAGS", "IV_Selected", &ProgramSettings::IV_Selected, false},
        {"FLAGS", "ConvertedToComment", &ProgramSettings::ConvertedToComment, false},
        {"TEXT", "Selected", &ProgramSettings::Selected, false},
        {"TEXT", "Residuals", &ProgramSettings::Residuals, true},
        {"TEXT", "Analyzed", &ProgramSettings::Analyzed, true},
        {"TEXT", "Reduce", &ProgramSettings::Reduce, false},
        {"TEXT", "RelativeMatrix", &ProgramSettings::RelativeMatrix, true},
        {"TEXT", "OriginalData", &ProgramSettings::OriginalData, false},
    };
    return flags;
}

std::string DefaultSettingsFileName() {
    const char* xdg = std::getenv("XDG_CONFIG_HOME");
    // Only an absolute XDG_CONFIG_HOME counts; a relative one is ignored.
    const fs::path base = (xdg && *xdg == '/') ? fs::path(xdg) : fs::path(HomeFolder()) / ".config";
    return (base / "merlox" / "MERLOX.ini").string();
}

std::string DefaultDataFolder() { return WithTrailingSlash(HomeFolder()); }
std::string DefaultTempFolder() { return DefaultWorkFolder(); }

std::string IncludeDirDelimiter(const std::string& path, const std::string& fallback) {
    std::error_code ec;
    if (path.empty() || !fs::is_directory(fs::path(path), ec)) return WithTrailingSlash(fallback);
    return WithTrailingSlash(path);
}

SettingsFile::SettingsFile(AppState& state, std::string fileName) : state_(state), fileName_(std::move(fileName)) {
    ResetToDefaults();
}

void SettingsFile::ResetToDefaults() {
    values_ = ProgramSettings{};
    values_.DataFolder = DefaultDataFolder();
    values_.TempFolder = DefaultTempFolder();
    colors_.Clear();
    level_ = 0;
}

int SettingsFile::ParseUndoSize(const std::string& text) {
    const int a = StrToIntDef(text, 0);
    const int b = StrToIntDef(text, 1);
    if (a != b) return kDefaultUndoSize;
    return std::max(a, kMinUndoSize);
}

int SettingsFile::ParseMargin(const std::string& text) {
    const int a = StrToIntDef(text, 0);
    const int b = StrToIntDef(text, 1);
    if (a != b) return kMinTextMargin;
    return std::max(a, kMinTextMargin);
}

void SettingsFile::LoadSettings() {
    ResetToDefaults();
    damaged_.clear();
    readProblem_.clear();
    backupPending_ = false;
    writable_ = true;
    std::unique_ptr<IniFile> ini;
    try {
        ini = std::make_unique<IniFile>(fileName_);
    } catch (const std::bad_alloc&) {
        throw;
    } catch (const std::exception& e) {
        // Nothing could be read: run on the defaults and leave the file alone.
        readProblem_ = e.what();
        writable_ = false;
        state_.UserFunctions().ClearAll();
        state_.RecentFiles().Clear();
        state_.UserScalars().Reset(false);
        ApplyToState();
        return;
    }
    ReadAll(*ini);
    backupPending_ = !damaged_.empty();
    ApplyToState();
    // The next program started while this one runs gets the next number.
    try {
        ini->WriteInteger("FLAGS", "Level", ((level_ % 100) + 101) % 100);
        Update(*ini);
    } catch (const std::bad_alloc&) {
        throw;
    } catch (const std::exception&) {
        // The number is advanced again at the next start; the file is kept.
    }
}

void SettingsFile::ReadAll(const IniFile& ini) {
    level_ = ReadIntItem(ini, "FLAGS", "Level", 0, damaged_);
    for (const SettingsFlag& f : SettingsFlags())
        values_.*f.member = ReadIntItem(ini, f.section, f.key, f.defaultValue ? 1 : 0, damaged_) != 0;

    values_.TextOut_Margin = std::clamp(ReadIntItem(ini, "TEXT", "TextOut_Margin", 80, damaged_), kMinTextMargin,
                                        kMaxTextMargin);
    values_.UndoSize = std::max(ReadIntItem(ini, "UNDO", "size", kDefaultUndoSize, damaged_), kMinUndoSize);

    // User scalars of the settings bank, one item at a time.
    UserVar& uv = state_.UserScalars();
    for (int i = 0; i < UserVar::kCount; ++i) {
        const std::string fallback = std::to_string(i) + "/0";
        const std::string text = ini.ReadString("VAR", Item(i), fallback);
        try {
            double value = 0.0;
            const std::string name = SplitNameValue(text, value, state_.Context().Evaluator());
            uv.SetName(i, false, name);
            uv.SetValue(i, false, value);
        } catch (const std::bad_alloc&) {
            throw;
        } catch (const std::exception&) {
            damaged_.push_back("VAR/" + Item(i));
            uv.SetName(i, false, std::to_string(i));
            uv.SetValue(i, false, 0.0);
        }
    }

    // User functions: a definition that does not parse keeps its text.
    for (int f : state_.UserFunctions().LoadSettings(ini)) damaged_.push_back("FUNC/" + Item(f));

    values_.DataFolder = IncludeDirDelimiter(ini.ReadString("DIR", "data", ""), DefaultDataFolder());
    values_.TempFolder = IncludeDirDelimiter(ini.ReadString("DIR", "temp", ""), DefaultTempFolder());

    state_.RecentFiles().LoadSettings(ini);

    colors_.Clear();
    const int colorCount = ReadIntItem(ini, "COLOR", "size", 0, damaged_);
    for (int i = 0; i < colorCount && i < 65536; ++i) {
        const std::string text = ini.ReadString("COLOR", Item(i), "");
        try {
            GridColorEntry e;
            e.FromText(text);
            colors_.SetColors(e);
        } catch (const std::bad_alloc&) {
            throw;
        } catch (const std::exception&) {
            damaged_.push_back("COLOR/" + Item(i));
        }
    }

    // Only an existing library file of the library's extension is loaded; a
    // library that cannot be read leaves the library empty and the other
    // settings as read.
    const std::string lib = ini.ReadString("MACRO", "lib", "");
    values_.MacroLibrary.clear();
    MacroList& library = GetMacroEngine(state_).library;
    library.Clear();
    if (!lib.empty()) {
        std::error_code ec;
        std::string ext = fs::path(lib).extension().string();
        std::transform(ext.begin(), ext.end(), ext.begin(), [](unsigned char c) { return std::toupper(c); });
        if (ext == ".MLB" && fs::is_regular_file(fs::path(lib), ec)) {
            try {
                library.LoadLibrary(lib);
                values_.MacroLibrary = lib;
            } catch (const std::bad_alloc&) {
                throw;
            } catch (const std::exception&) {
                library.Clear();
                damaged_.push_back("MACRO/lib");
            }
        }
    }
}

void SettingsFile::ApplyToState() {
    WorkSettings& work = state_.Work();
    work.dataFolder = values_.DataFolder;
    work.workFolder = values_.TempFolder;
    work.runNumber = ((level_ % 100) + 100) % 100;
    work.reportMargin = values_.TextOut_Margin;
    state_.UserScalars().SetBankSwitch(values_.FileUV ? 1 : 0);
    const int undoLimit = std::max(values_.UndoSize, kMinUndoSize);
    if (state_.Undo().Limit() != undoLimit) state_.Undo().SetLimit(undoLimit);
    DataFileColorSettings& cs = state_.FileCompanions().colorSettings;
    cs.saveColors = values_.GCL_Save;
    cs.useFileColors = values_.FileGCL;
    cs.settingsColors = &colors_;
}

void SettingsFile::WriteAll(IniFile& ini) const {
    ini.WriteInteger("FLAGS", "Level", level_);
    for (const SettingsFlag& f : SettingsFlags()) ini.WriteBool(f.section, f.key, values_.*f.member);
    ini.WriteInteger("TEXT", "TextOut_Margin", values_.TextOut_Margin);
    ini.WriteInteger("UNDO", "size", values_.UndoSize);
    state_.UserScalars().SaveSettings(ini);
    state_.UserFunctions().SaveSettings(ini);
    ini.WriteString("DIR", "data", values_.DataFolder);
    ini.WriteString("DIR", "temp", values_.TempFolder);
    state_.RecentFiles().SaveSettings(ini);
    colors_.SaveSettings(ini);
    // The library file in use now (the macro window may have loaded or
    // cleared it).
    const MacroEngine* macros = state_.Macros();
    ini.WriteString("MACRO", "lib", macros != nullptr ? macros->library.FileName() : values_.MacroLibrary);
}

void SettingsFile::Update(IniFile& ini) {
    if (backupPending_) {
        std::error_code ec;
        fs::copy_file(fileName_, DamagedBackupName(), fs::copy_options::overwrite_existing, ec);
        if (ec) throw EWriteError("設定ファイルの控えを作れません: " + DamagedBackupName());
        backupPending_ = false;
    }
    std::error_code ec;
    fs::create_directories(fs::path(fileName_).parent_path(), ec);
    ini.UpdateFile();
}

bool SettingsFile::SaveSettings() {
    try {
        if (!writable_)
            throw EWriteError("設定ファイルを読めなかったため上書きしません: " + readProblem_);
        IniFile ini(fileName_);
        WriteAll(ini);
        Update(ini);
        return true;
    } catch (const std::bad_alloc&) {
        ErrorBox(state_.Services(), kWriteFailed);
    } catch (const std::exception& e) {
        ErrorBox(state_.Services(), std::string(kWriteFailed) + "\n" + e.what());
    }
    return false;
}
