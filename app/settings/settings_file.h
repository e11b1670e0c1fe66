// The program's settings and their file "MERLOX.ini".
//
// SettingsFile holds every setting for the run: the option flags, the text
// report flags and margin, the undo depth, the data and temporary folders,
// the macro library name and the settings' own group colour table; the user
// scalars of the settings bank, the user functions and the recent files are
// kept in the application state and read and written with the rest.
//
// Reading never loses the user's settings: an item that cannot be read takes
// its default while the others are read, and the file as it was is copied to
// "<file>.damaged" before it is rewritten for the first time. A file that
// cannot be read at all is never overwritten during the run.
#pragma once

#include <string>
#include <vector>

#include "core/settings/grid_color_list.h"

class AppState;
class IniFile;

struct ProgramSettings {
    // FLAGS
    bool AutoSave = false;
    bool Coloring = true;
    bool FileUV = false;
    bool OS_Clip = false;
    bool Chow_Test = false;
    bool Combination = false;
    bool TSLS_Reduced = false;
    bool RV_Selected = false;
    bool GCL_Save = false;
    bool FileGCL = false;
    bool IV_Selected = false;
    bool ConvertedToComment = false;
    // TEXT
    bool Selected = false;
    bool Residuals = true;
    bool Analyzed = true;
    bool Reduce = false;
    bool RelativeMatrix = true;
    bool OriginalData = false;
    int TextOut_Margin = 80;
    // UNDO
    int UndoSize = 100;
    // DIR: both end with "/".
    std::string DataFolder;
    std::string TempFolder;
    // MACRO: the library file loaded at start (empty when none). The file
    // written is that of the macro library at the time.
    std::string MacroLibrary;
};

// One boolean setting: where it is stored and its default.
struct SettingsFlag {
    const char* section;
    const char* key;
    bool ProgramSettings::*member;
    bool defaultValue;
};
// The eighteen flags in file order.
const std::vector<SettingsFlag>& SettingsFlags();

constexpr int kMinTextMargin = 80;
constexpr int kMaxTextMargin = 512;
constexpr int kDefaultUndoSize = 100;
constexpr int kMinUndoSize = 1;

// $XDG_CONFIG_HOME/merlox/MERLOX.ini, with ~/.config when it is unset.
std::string DefaultSettingsFileName();
// The home folder and the system's temporary folder, each ending in "/".
std::string DefaultDataFolder();
std::string DefaultTempFolder();
// The folder with a final "/"; an empty text or one that names no existing
// folder gives fallback.
std::string IncludeDirDelimiter(const std::string& path, const std::string& fallback);

class SettingsFile {
public:
    SettingsFile(AppState& state, std::string fileName);

    const std::string& FileName() const { return fileName_; }
    ProgramSettings& Values() { return values_; }
    const ProgramSettings& Values() const { return values_; }
    GridColorList& Colors() { return colors_; }
    const GridColorList& Colors() const { return colors_; }

    // The run number as read from the file (used for temporary names after
    // it is brought into 0..99).
    int Level() const { return level_; }

    // Reads the file, then writes the next run number into it at once.
    // Errors are not shown here; see ReadProblem().
    void LoadSettings();
    // Writes every setting; a failure shows "環境設定ファイルの書き込みに
    // 失敗しました。" and gives false.
    bool SaveSettings();

    // The items that could not be read at the last LoadSettings.
    const std::vector<std::string>& DamagedItems() const { return damaged_; }
    // Why the file could not be read at all (empty when it could).
    const std::string& ReadProblem() const { return readProblem_; }
    std::string DamagedBackupName() const { return fileName_ + ".damaged"; }

    // Copies the settings into the state: folders, run number, user-scalar
    // bank switch and the colour switches of the data files.
    void ApplyToState();

    // Text values typed into the settings dialog.
    static int ParseUndoSize(const std::string& text);
    static int ParseMargin(const std::string& text);

private:
    void ResetToDefaults();
    void ReadAll(const IniFile& ini);
    void WriteAll(IniFile& ini) const;
    // Writes the file; keeps the damaged file first when there is one.
    void Update(IniFile& ini);

    AppState& state_;
    std::string fileName_;
    ProgramSettings values_;
    GridColorList colors_;
    int level_ = 0;
    std::vector<std::string> damaged_;
    bool backupPending_ = false;
    bool writable_ = true;
    std::string readProblem_;
};
