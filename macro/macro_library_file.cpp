// The ".MLB" library file: an int32 end position, an int32 count, one 8-byte
// name key per macro (first byte, length, byte sum, record position) and
// the source records (int32 length and CP932 bytes), all little-endian.
#include <cstring>
#include <fstream>
#include <istream>
#include <ostream>

#include "core/data/variable.h"
#include "core/model/regression_file.h"
#include "eval/app_state.h"
#include "macro/macro_list.h"
#include "platform/binary_stream.h"
#include "platform/errors.h"
#include "platform/text/cp932.h"

namespace {

constexpr std::int64_t kHeaderBytes = 8;
constexpr std::int64_t kKeyBytes = 8;

void PutInt32(std::string& image, std::int64_t at, std::uint32_t v) {
    for (int b = 0; b < 4; ++b) image[static_cast<std::size_t>(at + b)] = static_cast<char>((v >> (8 * b)) & 0xFF);
}

std::uint32_t GetUInt32(const std::string& image, std::int64_t at) {
    std::uint32_t v = 0;
    for (int b = 3; b >= 0; --b) v = (v << 8) | static_cast<unsigned char>(image[static_cast<std::size_t>(at + b)]);
    return v;
}

// The key of a name; an unnamed macro has an empty key.
VarHash KeyOf(const std::string& name) {
    VarHash key;
    if (!name.empty()) key.Set(name);
    return key;
}

[[noreturn]] void Damaged(const std::string& what) {
    throw EReadError("マクロライブラリが壊れています: " + what);
}

}  // namespace

void MacroList::WriteLibrary(std::ostream& out) const {
    std::int64_t start = static_cast<std::int64_t>(out.tellp());
    if (start < 0) start = 0;
    std::vector<std::string> sources;
    sources.reserve(entries_.size());
    std::int64_t size = kHeaderBytes + kKeyBytes * static_cast<std::int64_t>(entries_.size());
    for (const Entry& e : entries_) {
        try {
            sources.push_back(cp932::FromUtf8(e.macro->Source()));
        } catch (const EConvertError& error) {
            throw EWriteError(std::string("マクロを保存できません: ") + error.what());
        }
        size += 4 + static_cast<std::int64_t>(sources.back().size());
    }
    if (start + size > 0x7fffffff) throw EWriteError("マクロライブラリが大きすぎます");
    std::string image(static_cast<std::size_t>(size), '\0');
    PutInt32(image, 0, static_cast<std::uint32_t>(start + size));
    PutInt32(image, 4, static_cast<std::uint32_t>(entries_.size()));
    std::int64_t record = kHeaderBytes + kKeyBytes * static_cast<std::int64_t>(entries_.size());
    for (std::size_t i = 0; i < entries_.size(); ++i) {
        const VarHash key = KeyOf(entries_[i].name);
        const std::int64_t at = kHeaderBytes + kKeyBytes * static_cast<std::int64_t>(i);
        image[static_cast<std::size_t>(at)] = static_cast<char>(key.first);
        image[static_cast<std::size_t>(at + 1)] = static_cast<char>(key.length);
        image[static_cast<std::size_t>(at + 2)] = static_cast<char>(key.sum & 0xFF);
        image[static_cast<std::size_t>(at + 3)] = static_cast<char>(key.sum >> 8);
        PutInt32(image, at + 4, static_cast<std::uint32_t>(start + record));
        const std::string& bytes = sources[i];
        PutInt32(image, record, static_cast<std::uint32_t>(bytes.size()));
        if (!bytes.empty()) std::memcpy(image.data() + record + 4, bytes.data(), bytes.size());
        record += 4 + static_cast<std::int64_t>(bytes.size());
    }
    BinaryWriter writer(out, "マクロライブラリ");
    writer.WriteBytes(image.data(), image.size());
}

void MacroList::ReadLibrary(std::istream& in) {
    std::int64_t start = static_cast<std::int64_t>(in.tellg());
    if (start < 0) start = 0;
    const std::int64_t left = StreamBytesLeft(in);
    if (left > kMaxLibraryBytes) Damaged("ファイルが大きすぎます");
    std::string image;
    if (left >= 0) {
        image.resize(static_cast<std::size_t>(left));
        if (left > 0 && !in.read(image.data(), left)) Damaged("読み込めません");
    } else {
        // A stream that cannot tell its size is read up to the bound.
        char buffer[4096];
        while (in.read(buffer, sizeof buffer) || in.gcount() > 0) {
            image.append(buffer, static_cast<std::size_t>(in.gcount()));
            if (static_cast<std::int64_t>(image.size()) > kMaxLibraryBytes) Damaged("ファイルが大きすぎます");
        }
    }
    const std::int64_t size = static_cast<std::int64_t>(image.size());
    // Positions in the file count from the start of the stream.
    if (size < kHeaderBytes) Damaged("見出しがありません");
    const std::int64_t end = static_cast<std::int64_t>(GetUInt32(image, 0)) - start;
    const std::int64_t count = GetUInt32(image, 4);
    if (end > size) Damaged("終わりの位置がファイルの外です");
    if (count > (size - kHeaderBytes) / kKeyBytes) Damaged("マクロの数が正しくありません");
    std::vector<std::string> sources;
    if (count > 0) {
        const std::int64_t directoryEnd = kHeaderBytes + kKeyBytes * count;
        if (end < directoryEnd) Damaged("終わりの位置が正しくありません");
        // Only the first key is followed; the records come one after another
        // and are checked against the size of the file.
        std::int64_t at = static_cast<std::int64_t>(GetUInt32(image, kHeaderBytes + 4)) - start;
        if (at < directoryEnd || at > size) Damaged("記録の位置が正しくありません");
        if (count > (size - at) / 4) Damaged("マクロの数が正しくありません");
        sources.reserve(static_cast<std::size_t>(count));
        for (std::int64_t i = 0; i < count; ++i) {
            if (size - at < 4) Damaged("記録が途中で終わっています");
            const std::int64_t length = GetUInt32(image, at);
            at += 4;
            if (length > size - at) Damaged("記録の長さが正しくありません");
            const std::string bytes = image.substr(static_cast<std::size_t>(at), static_cast<std::size_t>(length));
            at += length;
            try {
                sources.push_back(cp932::ToUtf8(bytes));
            } catch (const EConvertError&) {
                Damaged("マクロのテキストが読めません");
            }
        }
    }
    Clear();
    for (const std::string& source : sources) AddLoaded(source);
}

std::string MacroList::SaveTarget(const std::string& fileName) const {
    if (!fileName.empty()) return fileName;
    if (!fileName_.empty()) return fileName_;
    return state_.Work().dataFolder + "NONAME" + ".MLB";
}

void MacroList::SaveLibrary(const std::string& fileName) {
    WriteFileReplacing(SaveTarget(fileName), [this](std::ostream& out) { WriteLibrary(out); }, state_.Context());
}

void MacroList::LoadLibrary(const std::string& fileName) {
    std::ifstream in(fileName, std::ios::binary);
    if (!in) throw EFOpenError("ファイルを開けません: " + fileName);
    ReadLibrary(in);
    fileName_ = fileName;
}
