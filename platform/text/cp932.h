// Code page 932 at the file boundary.
//
// Texts are UTF-8 inside the program and CP932 on disk. Wherever the program
// counts bytes of a text (field widths, cut lengths, name keys, byte-wise
// comparison) it counts the CP932 bytes, through these helpers, and never cuts
// inside a character. Conversion goes through iconv "CP932" (not "SHIFT_JIS",
// which maps the backslash to a yen sign). A text that cannot be converted
// raises EConvertError; nothing is ever replaced silently.
#pragma once

#include <string>
#include <string_view>

namespace cp932 {

// UTF-8 -> CP932 bytes. Throws EConvertError for a character CP932 cannot hold
// or for malformed UTF-8.
std::string FromUtf8(std::string_view utf8);

// CP932 bytes -> UTF-8. Throws EConvertError for bytes that are not CP932.
std::string ToUtf8(std::string_view cp932Bytes);

// True when every character of the UTF-8 text has a CP932 form.
bool IsRepresentable(std::string_view utf8);

// Number of CP932 bytes of the UTF-8 text (throws like FromUtf8).
std::size_t ByteLength(std::string_view utf8);

// The longest leading part of the UTF-8 text whose CP932 form has at most
// maxBytes bytes, never cutting a character.
std::string CutToBytes(std::string_view utf8, std::size_t maxBytes);

// The text padded with blanks to width CP932 bytes (nothing added when it is
// already that long or longer).
std::string PadLeftBytes(std::string_view utf8, std::size_t width);
std::string PadRightBytes(std::string_view utf8, std::size_t width);

// Byte-wise comparison of the CP932 forms: negative, zero or positive.
int CompareBytes(std::string_view a, std::string_view b);

// Lead-byte test of CP932 (0x81-0x9F, 0xE0-0xFC).
inline constexpr bool IsLeadByte(unsigned char c) {
    return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC);
}

}  // namespace cp932
