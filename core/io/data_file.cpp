// The parts of the data file shared by its reader and writer: the form by
// the file name and the hand-over to the keyword text form.
#include "core/io/data_file.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <utility>

#include "core/data/data_set.h"
#include "platform/errors.h"

LoadedDataFile::LoadedDataFile() = default;

bool IsBinaryDataFileName(const std::string& fileName) {
    const std::string ext = std::filesystem::path(fileName).extension().string();
    if (ext.size() != 4) return false;
    std::string upper = ext;
    std::transform(upper.begin(), upper.end(), upper.begin(),
                   [](unsigned char ch) { return static_cast<char>(std::toupper(ch)); });
    return upper == ".MDF";
}
