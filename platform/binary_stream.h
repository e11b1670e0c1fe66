// Little-endian records of the program's binary files.
//
// BinaryReader reads from a stream within a byte budget (a section's size or
// what is left of the file): every length and count taken from the bytes is
// checked against what remains before anything is allocated, and a short or
// impossible read raises EReadError with the reader's context text. Texts are
// an int32 length followed by CP932 bytes; they come back as UTF-8.
#pragma once

#include <cstdint>
#include <istream>
#include <ostream>
#include <string>
#include <string_view>

class BinaryReader {
public:
    // available < 0: up to the end of the stream (measured when it can be).
    BinaryReader(std::istream& in, std::int64_t available, std::string context);

    std::int64_t Remaining() const { return left_; }
    std::int32_t ReadInt32();
    std::uint32_t ReadUInt32();
    std::int16_t ReadInt16();
    std::uint16_t ReadUInt16();
    std::uint8_t ReadByte();
    double ReadDouble();
    void ReadBytes(void* buffer, std::size_t count);
    void Skip(std::int64_t count);
    // A count that must lie in 0..max and whose items take at least
    // bytesPerItem bytes each of what remains.
    int ReadCount(int max, std::int64_t bytesPerItem);
    // An int32-length CP932 text, of which at most keepBytes bytes are kept
    // (a longer text is cut on a character boundary, the rest skipped). Bytes
    // that are not CP932, also half a character at the end of a text that
    // was not cut, raise EReadError.
    std::string ReadText(std::size_t keepBytes = 1023);
    [[noreturn]] void Fail(const std::string& what) const;

private:
    std::istream& in_;
    std::int64_t left_;
    std::string context_;
};

class BinaryWriter {
public:
    BinaryWriter(std::ostream& out, std::string context);

    void WriteInt32(std::int32_t v);
    void WriteUInt32(std::uint32_t v);
    void WriteInt16(std::int16_t v);
    void WriteUInt16(std::uint16_t v);
    void WriteByte(std::uint8_t v);
    void WriteDouble(double v);
    void WriteBytes(const void* data, std::size_t count);
    // int32 length + the CP932 bytes of the UTF-8 text.
    void WriteText(std::string_view utf8);
    std::int64_t Written() const { return written_; }

private:
    void Check();
    std::ostream& out_;
    std::string context_;
    std::int64_t written_ = 0;
};

// Bytes from the stream's position to its end, or -1 when it cannot tell.
std::int64_t StreamBytesLeft(std::istream& in);

// The longest leading part of CP932 bytes that ends on a character boundary
// and has at most maxBytes bytes.
std::string CutCp932Bytes(std::string_view bytes, std::size_t maxBytes);
