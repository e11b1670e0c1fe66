// The binary data files of one folder with the names of their stored
// variables, as the external variables window lists them.
#pragma once

#include <string>
#include <vector>

struct StoredVariableFile {
    std::string fileName;  // without the folder
    std::vector<std::string> names;
};

struct StoredVariableFolder {
    // Files with at least one stored variable, by file name.
    std::vector<StoredVariableFile> files;
    // One text per file that could not be read: its name and the reason.
    std::vector<std::string> errors;
    // False when the folder itself could not be read (errors then says why).
    bool folderRead = true;
};

// Most files one listing looks at; a larger folder is listed in part.
inline constexpr int kMaxListedDataFiles = 10000;

// Every regular file of the folder whose extension is ".MDF" in any letter
// case. A file that cannot be read is left out and named in errors; a
// folder that cannot be read gives an empty listing with its error.
StoredVariableFolder ListStoredVariables(const std::string& folder);
