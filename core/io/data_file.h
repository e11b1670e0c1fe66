// The program's data file in its binary form (".MDF"); the keyword text form
// used for every other extension is in text_data_file.h.
//
// Binary layout, little-endian: the magic "MDF\0"; the data part (int32 end
// of the data part, the data set's name, int32 observation and variable
// counts, one 8-byte name key per variable, then one record per variable);
// then tagged model sections (int32 id, int32 end offset, content): 0 user
// scalars, 1 model roles, 3 group names, 2 equations, 4 group colours,
// 5 info text, 6 final form. Texts are int32 length and CP932 bytes.
//
// A file is read completely into a LoadedDataFile before anything of the
// program changes; the model's AdoptLoaded then takes it over. Every length
// and count is checked against the bytes that remain, so a damaged file
// raises EReadError rather than crash, hang or allocate without bound.
#pragma once

#include <cstdint>
#include <iosfwd>
#include <memory>
#include <string>
#include <vector>

#include "core/data/equation_list.h"
#include "core/settings/grid_color_list.h"
#include "core/data/group_name.h"
#include "core/settings/user_var.h"
#include "core/data/variable.h"
#include "core/io/final_form_storage.h"

class Data;
class UiServices;

inline constexpr char kDataFileMagic[4] = {'M', 'D', 'F', '\0'};

enum DataFileSection : std::int32_t {
    kSectionUserScalars = 0,
    kSectionModel = 1,
    kSectionEquations = 2,
    kSectionGroupNames = 3,
    kSectionColors = 4,
    kSectionInfo = 5,
    kSectionFinalForm = 6,
};

// Longest text the reader keeps, in CP932 bytes (longer ones are cut on a
// character boundary).
inline constexpr std::size_t kDataFileTextBytes = 1023;

// True when the file name's extension, upper-cased, is ".MDF".
bool IsBinaryDataFileName(const std::string& fileName);

// Everything one data file holds, as read.
struct LoadedDataFile {
    LoadedDataFile();

    std::string name;
    std::string info;
    int obs = 0;
    std::vector<std::unique_ptr<Var>> vars;

    // The stored model; dependent < 0 when the file holds none.
    int dependent = -1;
    bool twoStage = false;
    std::vector<std::uint8_t> roles;  // one per variable

    GroupName groupNames;
    ExpresList equations;
    // The data bank of the user scalars ("0".."9" and 0.0 unless stored).
    UserVar userScalars;
    // Group colours stored in the file; they replace the program's table.
    GridColorList colors;
    bool hasColors = false;
    // The stored final form (empty unless stored).
    FFList finalForm;
};

// Reads a binary image. The stream stands at the magic's first byte and
// size bytes follow (negative: measured). EReadError on anything malformed.
void ReadBinaryDataFile(std::istream& in, std::int64_t size, LoadedDataFile& out, UiServices& services);

// Everything one data file is written from. The writer only reads it.
struct DataFileImage {
    const Data& data;  // name, info text and variables
    // The stored model: the dependent variable (< 0: none), the form and
    // one role per variable.
    int dependent = -1;
    bool twoStage = false;
    const std::vector<std::uint8_t>& roles;
    const GroupName& groupNames;
    const ExpresList& equations;
    // Their data bank is written.
    const UserVar& userScalars;
    // The colour section's table; null or empty: no colour section.
    const GridColorList* colors = nullptr;
    // The stored final form (no section when empty).
    const FFList& finalForm;
};

// Writes the binary image. EWriteError on a failing stream or a file too
// large for its 32-bit offsets.
void WriteBinaryDataFile(const DataFileImage& image, std::ostream& out, UiServices& services);
// The binary image of a data set alone with one model section, the group
// names: the file a group block is saved as (no roles, equations or other
// sections).
void WriteGroupDataFile(const Data& data, const GroupName& groupNames, std::ostream& out, UiServices& services);

// The group-colour switches of the settings: whether a colour section is
// written at all, and whether it holds the program's table (the open file's)
// or the settings dialog's own table.
struct DataFileColorSettings {
    bool saveColors = false;
    bool useFileColors = false;
    // The settings dialog's table; null counts as an empty table.
    const GridColorList* settingsColors = nullptr;
};

// What a data file carries besides the data set and its model. The application state fills one with the
// program's own objects; a null pointer stands for an empty object.
struct DataFileCompanions {
    UserVar* userScalars = nullptr;
    // The program's colour table, which a colour section replaces.
    GridColorList* colors = nullptr;
    DataFileColorSettings colorSettings;
    FFList* finalForm = nullptr;
};

