// The parts of the data file shared by its reader and writer: the form by
// the file name and the hand-over to the keyword text form.
#include "core/io/data_file.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <utility>

#include "core/data/data_set.h"
#include "platform/errors.h"

namespace {

TextDataFileReader& TextReader() {
    static TextDataFileReader reader;
    return reader;
}

TextDataFileWriter& TextWriter() {
    static TextDataFileWriter writer;
    return writer;
}

}  // namespace

LoadedDataFile::LoadedDataFile() = default;

bool IsBinaryDataFileName(const std::string& fileName) {
    const std::string ext = std::filesystem::path(fileName).extension().string();
    if (ext.size() != 4) return false;
    std::string upper = ext;
    std::transform(upper.begin(), upper.end(), upper.begin(),
                   [](unsigned char ch) { return static_cast<char>(std::toupper(ch)); });
    return upper == ".MDF";
}

DataFileColorSettings& CurrentDataFileColorSettings() {
    static DataFileColorSettings settings;
    return settings;
}

void InstallTextDataFile(TextDataFileReader reader, TextDataFileWriter writer) {
    TextReader() = std::move(reader);
    TextWriter() = std::move(writer);
}

void ReadTextDataFile(std::istream& in, const std::string& fileName, LoadedDataFile& out) {
    if (!TextReader()) throw EStreamError("テキスト形式のデータファイルはまだ読み込めません: " + fileName);
    TextReader()(in, fileName, out);
}

void WriteTextDataFile(const DataFileImage& image, std::ostream& out) {
    if (!TextWriter()) throw EStreamError("テキスト形式のデータファイルはまだ保存できません: " + image.data.GetName());
    TextWriter()(image, out);
}

