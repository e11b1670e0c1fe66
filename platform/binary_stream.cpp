#include "platform/binary_stream.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "platform/errors.h"
#include "platform/text/cp932.h"

std::int64_t StreamBytesLeft(std::istream& in) {
    std::istream::pos_type here = in.tellg();
    if (here == std::istream::pos_type(-1)) {
        in.clear();
        return -1;
    }
    in.seekg(0, std::ios::end);
    std::istream::pos_type end = in.tellg();
    in.clear();
    in.seekg(here);
    if (end == std::istream::pos_type(-1) || !in) {
        in.clear();
        in.seekg(here);
        return -1;
    }
    return static_cast<std::int64_t>(end - here);
}

std::string CutCp932Bytes(std::string_view bytes, std::size_t maxBytes) {
    std::size_t i = 0;
    while (i < bytes.size()) {
        std::size_t len = cp932::IsLeadByte(static_cast<unsigned char>(bytes[i])) ? 2 : 1;
        if (i + len > bytes.size() || i + len > maxBytes) break;
        i += len;
    }
    return std::string(bytes.substr(0, i));
}

// ---- reading -------------------------------------------------------------------

BinaryReader::BinaryReader(std::istream& in, std::int64_t available, std::string context)
    : in_(in), left_(available), context_(std::move(context)) {
    std::int64_t measured = StreamBytesLeft(in);
    if (left_ < 0 || (measured >= 0 && measured < left_)) left_ = measured;
    // A stream that cannot tell its size is read until it runs dry; the
    // counts are then bounded by their own maxima.
    if (left_ < 0) left_ = INT64_MAX;
}

void BinaryReader::Fail(const std::string& what) const {
    throw EReadError(context_ + ": " + what);
}

void BinaryReader::ReadBytes(void* buffer, std::size_t count) {
    if (static_cast<std::uint64_t>(count) > static_cast<std::uint64_t>(left_)) Fail("ファイルが途中で終わっています");
    in_.read(static_cast<char*>(buffer), static_cast<std::streamsize>(count));
    if (static_cast<std::size_t>(in_.gcount()) != count) Fail("ファイルが途中で終わっています");
    left_ -= static_cast<std::int64_t>(count);
}

void BinaryReader::Skip(std::int64_t count) {
    if (count < 0 || count > left_) Fail("ファイルが途中で終わっています");
    char buf[4096];
    while (count > 0) {
        std::size_t chunk = static_cast<std::size_t>(std::min<std::int64_t>(count, sizeof buf));
        ReadBytes(buf, chunk);
        count -= static_cast<std::int64_t>(chunk);
    }
}

namespace {
std::uint64_t FromLittleEndian(const unsigned char* p, int bytes) {
    std::uint64_t v = 0;
    for (int b = bytes - 1; b >= 0; --b) v = (v << 8) | p[b];
    return v;
}
}  // namespace

std::uint8_t BinaryReader::ReadByte() {
    unsigned char b = 0;
    ReadBytes(&b, 1);
    return b;
}

std::uint16_t BinaryReader::ReadUInt16() {
    unsigned char b[2];
    ReadBytes(b, 2);
    return static_cast<std::uint16_t>(FromLittleEndian(b, 2));
}

std::int16_t BinaryReader::ReadInt16() { return static_cast<std::int16_t>(ReadUInt16()); }

std::uint32_t BinaryReader::ReadUInt32() {
    unsigned char b[4];
    ReadBytes(b, 4);
    return static_cast<std::uint32_t>(FromLittleEndian(b, 4));
}

std::int32_t BinaryReader::ReadInt32() { return static_cast<std::int32_t>(ReadUInt32()); }

double BinaryReader::ReadDouble() {
    unsigned char b[8];
    ReadBytes(b, 8);
    std::uint64_t bits = FromLittleEndian(b, 8);
    double v;
    std::memcpy(&v, &bits, sizeof v);
    return v;
}

int BinaryReader::ReadCount(int max, std::int64_t bytesPerItem) {
    std::int32_t n = ReadInt32();
    if (n < 0 || n > max) Fail("件数が不正です (" + std::to_string(n) + ")");
    if (bytesPerItem > 0 && static_cast<std::int64_t>(n) > left_ / bytesPerItem)
        Fail("件数がファイルの大きさを超えています (" + std::to_string(n) + ")");
    return n;
}

std::string BinaryReader::ReadText(std::size_t keepBytes) {
    std::int32_t len = ReadInt32();
    if (len < 0) Fail("文字列の長さが不正です (" + std::to_string(len) + ")");
    if (len > left_) Fail("文字列がファイルの終わりを超えています");
    std::size_t keep = std::min<std::size_t>(static_cast<std::size_t>(len), keepBytes);
    std::string bytes(keep, '\0');
    ReadBytes(bytes.data(), keep);
    Skip(len - static_cast<std::int64_t>(keep));
    // Only a text that was cut is trimmed to a character boundary; a short
    // text ending in half a character is damage, not something to drop.
    if (static_cast<std::size_t>(len) > keep) bytes = CutCp932Bytes(bytes, keep);
    try {
        return cp932::ToUtf8(bytes);
    } catch (const EConvertError& e) {
        Fail(std::string("文字列を読めません: ") + e.what());
    }
}

// ---- writing -------------------------------------------------------------------

BinaryWriter::BinaryWriter(std::ostream& out, std::string context) : out_(out), context_(std::move(context)) {}

void BinaryWriter::Check() {
    if (!out_) throw EWriteError(context_ + ": 書き込みに失敗しました");
}

void BinaryWriter::WriteBytes(const void* data, std::size_t count) {
    out_.write(static_cast<const char*>(data), static_cast<std::streamsize>(count));
    Check();
    written_ += static_cast<std::int64_t>(count);
}

namespace {
void ToLittleEndian(std::uint64_t v, unsigned char* p, int bytes) {
    for (int b = 0; b < bytes; ++b) p[b] = static_cast<unsigned char>((v >> (8 * b)) & 0xFF);
}
}  // namespace

void BinaryWriter::WriteByte(std::uint8_t v) { WriteBytes(&v, 1); }

void BinaryWriter::WriteUInt16(std::uint16_t v) {
    unsigned char b[2];
    ToLittleEndian(v, b, 2);
    WriteBytes(b, 2);
}

void BinaryWriter::WriteInt16(std::int16_t v) { WriteUInt16(static_cast<std::uint16_t>(v)); }

void BinaryWriter::WriteUInt32(std::uint32_t v) {
    unsigned char b[4];
    ToLittleEndian(v, b, 4);
    WriteBytes(b, 4);
}

void BinaryWriter::WriteInt32(std::int32_t v) { WriteUInt32(static_cast<std::uint32_t>(v)); }

void BinaryWriter::WriteDouble(double v) {
    std::uint64_t bits;
    std::memcpy(&bits, &v, sizeof bits);
    unsigned char b[8];
    ToLittleEndian(bits, b, 8);
    WriteBytes(b, 8);
}

void BinaryWriter::WriteText(std::string_view utf8) {
    std::string bytes = cp932::FromUtf8(utf8);
    if (bytes.size() > static_cast<std::size_t>(INT32_MAX)) throw EWriteError(context_ + ": 文字列が長すぎます");
    WriteInt32(static_cast<std::int32_t>(bytes.size()));
    WriteBytes(bytes.data(), bytes.size());
}
