#include "platform/text/cp932.h"

#include <iconv.h>

#include <cerrno>
#include <cstdio>

#include "platform/errors.h"

namespace cp932 {
namespace {

// One decoded UTF-8 character: where it starts, how many bytes it takes and
// its code point.
struct Utf8Char {
    std::size_t pos = 0;
    std::size_t len = 0;
    char32_t code = 0;
};

std::string HexCode(char32_t code) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "U+%04X", static_cast<unsigned>(code));
    return buf;
}

std::string HexByte(unsigned char b) {
    char buf[8];
    std::snprintf(buf, sizeof buf, "0x%02X", b);
    return buf;
}

[[noreturn]] void ThrowMalformed(std::size_t pos) {
    throw EConvertError("UTF-8として正しくない文字列です（" + std::to_string(pos + 1) +
                        "バイト目）。");
}

// Strict decoding: no overlong forms, no surrogates, nothing above U+10FFFF.
Utf8Char DecodeAt(std::string_view s, std::size_t pos) {
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(s[i]); };
    Utf8Char c;
    c.pos = pos;
    unsigned char b0 = byte(pos);
    if (b0 < 0x80) {
        c.len = 1;
        c.code = b0;
        return c;
    }
    char32_t minCode = 0;
    if (b0 >= 0xC2 && b0 <= 0xDF) {
        c.len = 2;
        c.code = b0 & 0x1F;
        minCode = 0x80;
    } else if (b0 >= 0xE0 && b0 <= 0xEF) {
        c.len = 3;
        c.code = b0 & 0x0F;
        minCode = 0x800;
    } else if (b0 >= 0xF0 && b0 <= 0xF4) {
        c.len = 4;
        c.code = b0 & 0x07;
        minCode = 0x10000;
    } else {
        ThrowMalformed(pos);
    }
    if (pos + c.len > s.size()) ThrowMalformed(pos);
    for (std::size_t i = 1; i < c.len; ++i) {
        unsigned char b = byte(pos + i);
        if ((b & 0xC0) != 0x80) ThrowMalformed(pos);
        c.code = (c.code << 6) | (b & 0x3F);
    }
    if (c.code < minCode || c.code > 0x10FFFF || (c.code >= 0xD800 && c.code <= 0xDFFF))
        ThrowMalformed(pos);
    return c;
}

// Characters that iconv accepts but that would not come back as themselves:
// the yen sign and the overline would turn into the backslash and the tilde
// (changing paths and expressions), and the tag characters vanish or become
// another sign. They are refused rather than changed on the way to disk.
bool IsRefused(char32_t code) {
    return code == 0x00A5 || code == 0x203E || (code >= 0xE0000 && code <= 0xE007F);
}

std::string Describe(std::string_view s, const Utf8Char& c) {
    std::string shown(s.substr(c.pos, c.len));
    if (c.code < 0x20 || c.code == 0x7F) shown.clear();  // control characters print badly
    return (shown.empty() ? std::string() : "「" + shown + "」") + "(" + HexCode(c.code) + ")";
}

[[noreturn]] void ThrowUnrepresentable(std::string_view s, const Utf8Char& c) {
    throw EConvertError("文字" + Describe(s, c) + "はCP932（シフトJIS）で表せません。");
}

bool IsAscii(std::string_view s) {
    for (char ch : s)
        if (static_cast<unsigned char>(ch) >= 0x80) return false;
    return true;
}

// Walks the text once, checking the encoding and the refused characters.
void Validate(std::string_view s) {
    std::size_t pos = 0;
    while (pos < s.size()) {
        Utf8Char c = DecodeAt(s, pos);
        if (IsRefused(c.code)) ThrowUnrepresentable(s, c);
        pos += c.len;
    }
}

// An iconv descriptor per thread and direction; iconv state is not shareable.
class Converter {
public:
    Converter(const char* to, const char* from) : cd_(iconv_open(to, from)) {}
    ~Converter() {
        if (cd_ != reinterpret_cast<iconv_t>(-1)) iconv_close(cd_);
    }
    Converter(const Converter&) = delete;
    Converter& operator=(const Converter&) = delete;

    // Converts all of in. Returns the number of input bytes converted; when
    // that is less than in.size(), errorCode holds errno of the failure.
    std::size_t Run(std::string_view in, std::string& out, std::size_t outCapacity, int& errorCode) {
        if (cd_ == reinterpret_cast<iconv_t>(-1))
            throw EConvertError("文字コード変換（CP932）を利用できません。");
        iconv(cd_, nullptr, nullptr, nullptr, nullptr);
        out.assign(outCapacity, '\0');
        // iconv's interface is not const-correct; it does not write the input.
        char* inPtr = const_cast<char*>(in.data());
        std::size_t inLeft = in.size();
        char* outPtr = out.data();
        std::size_t outLeft = out.size();
        errorCode = 0;
        if (iconv(cd_, &inPtr, &inLeft, &outPtr, &outLeft) == static_cast<std::size_t>(-1))
            errorCode = errno;
        out.resize(out.size() - outLeft);
        return in.size() - inLeft;
    }

private:
    iconv_t cd_;
};

Converter& ToCp932() {
    thread_local Converter c("CP932", "UTF-8");
    return c;
}

Converter& FromCp932() {
    thread_local Converter c("UTF-8", "CP932");
    return c;
}

// CP932 bytes of one representable character: ASCII and half-width katakana
// are single bytes, everything else two.
std::size_t CharBytes(char32_t code) {
    return (code < 0x80 || (code >= 0xFF61 && code <= 0xFF9F)) ? 1 : 2;
}

}  // namespace

std::string FromUtf8(std::string_view utf8) {
    if (IsAscii(utf8)) return std::string(utf8);
    Validate(utf8);
    std::string out;
    int err = 0;
    // A CP932 character never takes more bytes than its UTF-8 form.
    std::size_t done = ToCp932().Run(utf8, out, utf8.size() + 4, err);
    if (done < utf8.size()) {
        if (err == EILSEQ) ThrowUnrepresentable(utf8, DecodeAt(utf8, done));
        ThrowMalformed(done);
    }
    return out;
}

std::string ToUtf8(std::string_view cp932Bytes) {
    if (IsAscii(cp932Bytes)) return std::string(cp932Bytes);
    std::string out;
    int err = 0;
    // At most three UTF-8 bytes per CP932 byte (half-width katakana).
    std::size_t done = FromCp932().Run(cp932Bytes, out, cp932Bytes.size() * 3 + 4, err);
    if (done < cp932Bytes.size()) {
        std::string at = std::to_string(done + 1) + "バイト目: " +
                         HexByte(static_cast<unsigned char>(cp932Bytes[done]));
        if (err == EINVAL)
            throw EConvertError("CP932の文字が途中で切れています（" + at + "）。");
        throw EConvertError("CP932として読めないバイトがあります（" + at + "）。");
    }
    return out;
}

bool IsRepresentable(std::string_view utf8) {
    try {
        FromUtf8(utf8);
        return true;
    } catch (const EConvertError&) {
        return false;
    }
}

std::size_t ByteLength(std::string_view utf8) {
    if (IsAscii(utf8)) return utf8.size();
    return FromUtf8(utf8).size();
}

std::string CutToBytes(std::string_view utf8, std::size_t maxBytes) {
    if (IsAscii(utf8)) return std::string(utf8.substr(0, maxBytes));
    FromUtf8(utf8);  // refuses what cannot be counted in CP932 bytes
    std::size_t pos = 0;
    std::size_t bytes = 0;
    while (pos < utf8.size()) {
        Utf8Char c = DecodeAt(utf8, pos);
        std::size_t n = CharBytes(c.code);
        if (bytes + n > maxBytes) break;
        bytes += n;
        pos += c.len;
    }
    return std::string(utf8.substr(0, pos));
}

std::string PadLeftBytes(std::string_view utf8, std::size_t width) {
    std::size_t n = ByteLength(utf8);
    std::string out;
    if (n < width) out.assign(width - n, ' ');
    out.append(utf8);
    return out;
}

std::string PadRightBytes(std::string_view utf8, std::size_t width) {
    std::size_t n = ByteLength(utf8);
    std::string out(utf8);
    if (n < width) out.append(width - n, ' ');
    return out;
}

int CompareBytes(std::string_view a, std::string_view b) {
    std::string ca = FromUtf8(a);
    std::string cb = FromUtf8(b);
    // std::string compares through char_traits<char>, which orders as unsigned char.
    int r = ca.compare(cb);
    return r < 0 ? -1 : (r > 0 ? 1 : 0);
}

}  // namespace cp932
