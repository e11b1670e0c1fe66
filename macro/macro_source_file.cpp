// The ".MCR" source file and the source record of a library stream.
#include <filesystem>
#include <fstream>
#include <istream>
#include <limits>
#include <ostream>

#include "core/model/regression_file.h"
#include "core/settings/engine_context.h"
#include "macro/macro_object.h"
#include "platform/binary_stream.h"
#include "platform/errors.h"
#include "platform/text/cp932.h"

namespace {

// Positions within a source are ints.
constexpr std::int64_t kMaxSourceBytes = std::numeric_limits<std::int32_t>::max() - 1;

std::string SourceBytes(const std::string& utf8) {
    try {
        return cp932::FromUtf8(utf8);
    } catch (const EConvertError& e) {
        throw EWriteError(std::string("マクロを保存できません: ") + e.what());
    }
}

std::string SourceText(const std::string& bytes, const std::string& where) {
    try {
        return cp932::ToUtf8(bytes);
    } catch (const EConvertError&) {
        throw EReadError("マクロのテキストが読めません: " + where);
    }
}

}  // namespace

void MacroObject::LoadSource(const std::string& fileName) {
    std::ifstream in(fileName, std::ios::binary);
    if (!in) throw EFOpenError("ファイルを開けません: " + fileName);
    const std::int64_t size = StreamBytesLeft(in);
    if (size < 0 || size > kMaxSourceBytes) throw EReadError("マクロのファイルが大きすぎます: " + fileName);
    std::string bytes(static_cast<std::size_t>(size), '\0');
    if (size > 0 && !in.read(bytes.data(), size)) throw EReadError("ファイルを読めません: " + fileName);
    const std::size_t nul = bytes.find('\0');
    if (nul != std::string::npos) bytes.resize(nul);
    std::string text = SourceText(bytes, fileName);
    name_.clear();
    source_ = std::move(text);
    fileName_ = fileName;
}

std::string MacroObject::SaveTarget(const std::string& fileName, const EngineContext& context) const {
    if (!fileName.empty()) return fileName;
    if (!fileName_.empty()) return fileName_;
    return context.Work().dataFolder + "NONAME" + ".MCR";
}

void MacroObject::SaveSource(const std::string& fileName, const EngineContext& context) const {
    std::string bytes = SourceBytes(source_);
    bytes.push_back('\0');
    WriteFileReplacing(
        SaveTarget(fileName, context),
        [&](std::ostream& out) {
            out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
            if (!out) throw EWriteError("ファイルの書き込みに失敗しました");
        },
        context);
}

std::int64_t MacroObject::WriteRecord(std::ostream& out) const {
    const std::string bytes = SourceBytes(source_);
    if (static_cast<std::int64_t>(bytes.size()) > kMaxSourceBytes) throw EWriteError("マクロが長すぎます");
    BinaryWriter writer(out, "マクロ");
    writer.WriteInt32(static_cast<std::int32_t>(bytes.size()));
    writer.WriteBytes(bytes.data(), bytes.size());
    return 4 + static_cast<std::int64_t>(bytes.size());
}

std::int64_t MacroObject::ReadRecord(std::istream& in, const ProgramCompiler& compile, std::int64_t available) {
    BinaryReader reader(in, available, "マクロ");
    const std::int32_t n = reader.ReadInt32();
    if (n < 0 || n > reader.Remaining()) reader.Fail("マクロの長さが正しくありません");
    std::string bytes(static_cast<std::size_t>(n), '\0');
    reader.ReadBytes(bytes.data(), bytes.size());
    const std::string source = SourceText(bytes, "マクロ");
    MacroObject compiled = compile(source);
    compiled.SetSource(source);
    *this = compiled;
    return 4 + static_cast<std::int64_t>(n);
}
