#include "platform/text/str_to_int.h"

#include <cstdint>

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

}  // namespace

int StrToIntDef(std::string_view text, int defaultValue) {
    std::size_t b = 0;
    std::size_t e = text.size();
    while (b < e && IsBlank(text[b])) ++b;
    while (e > b && IsBlank(text[e - 1])) --e;
    std::string_view s = text.substr(b, e - b);
    if (s.empty()) return defaultValue;

    bool negative = false;
    if (s[0] == '+' || s[0] == '-') {
        negative = s[0] == '-';
        s.remove_prefix(1);
    }
    bool hex = false;
    if (!s.empty() && s[0] == '$') {
        hex = true;
        s.remove_prefix(1);
    } else if (s.size() >= 2 && s[0] == '0' && (s[1] == 'x' || s[1] == 'X')) {
        hex = true;
        s.remove_prefix(2);
    }
    if (s.empty()) return defaultValue;

    if (hex) {
        if (s.size() > 8) return defaultValue;
        std::uint32_t v = 0;
        for (char c : s) {
            int d = HexDigit(c);
            if (d < 0) return defaultValue;
            v = (v << 4) | static_cast<std::uint32_t>(d);
        }
        // Two's complement wrap, as the 32-bit original read it.
        std::int64_t signedValue = v >= 0x80000000u ? static_cast<std::int64_t>(v) - 0x100000000LL
                                                    : static_cast<std::int64_t>(v);
        if (negative) signedValue = -signedValue;
        if (signedValue < INT32_MIN || signedValue > INT32_MAX) return defaultValue;
        return static_cast<int>(signedValue);
    }

    std::int64_t v = 0;
    for (char c : s) {
        if (c < '0' || c > '9') return defaultValue;
        v = v * 10 + (c - '0');
        if (v > 2147483648LL) return defaultValue;  // bounded: no overflow on long digit runs
    }
    if (negative) v = -v;
    if (v < INT32_MIN || v > INT32_MAX) return defaultValue;
    return static_cast<int>(v);
}
