// Byte images for the file-format tests: little-endian records built field
// by field as a format's tables lay them out, whole files read and written
// as bytes, and integers read back out of an image.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <initializer_list>
#include <string>

// Little-endian fields appended to s in call order.
struct LeBytes {
    std::string s;
    LeBytes& raw(const std::string& b);
    LeBytes& le(std::uint64_t v, int n);
    LeBytes& i32(std::int32_t v) { return le(static_cast<std::uint32_t>(v), 4); }
    LeBytes& u16(std::uint16_t v) { return le(v, 2); }
    LeBytes& u8(std::uint8_t v) { return le(v, 1); }
    LeBytes& f64(double v);
    // int32 length and the (already CP932) bytes.
    LeBytes& text(const std::string& cp932) { return i32(static_cast<std::int32_t>(cp932.size())).raw(cp932); }
};

// The bytes given as numbers 0 .. 255.
std::string Bytes(std::initializer_list<int> values);

// The whole file; empty when it cannot be read.
std::string ReadFileBytes(const std::filesystem::path& p);
// Replaces the file with the bytes.
void WriteFileBytes(const std::filesystem::path& p, const std::string& bytes);

// The little-endian int32 at byte `at` (the image must hold it).
std::int32_t I32At(const std::string& s, std::size_t at);
