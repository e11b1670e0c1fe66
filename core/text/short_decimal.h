// The short plain decimal form, decided inline where numbers are read in
// bulk: 8 to 16 bytes of digits with at most one "." (not first) after an
// optional minus, and a mantissa of at most 2^53, so that one division by an
// exact power of ten gives the correctly rounded double.
#pragma once

#include <bit>
#include <cstdint>
#include <cstring>
#include <string_view>

namespace short_decimal {

#if defined(__SIZEOF_INT128__)
using Bytes16 = unsigned __int128;

constexpr Bytes16 EveryByte(std::uint8_t b) {
    const std::uint64_t half = 0x0101010101010101ULL * b;
    return (Bytes16{half} << 64) | half;
}

// Eight ASCII digits, first in the lowest byte, as one number.
inline std::uint32_t DigitsValue(std::uint64_t v) {
    v = (v & 0x0F0F0F0F0F0F0F0FULL) * 2561 >> 8;
    v = (v & 0x00FF00FF00FF00FFULL) * 6553601 >> 16;
    return static_cast<std::uint32_t>((v & 0x0000FFFF0000FFFFULL) * 42949672960001ULL >> 32);
}

inline int LowestByte(Bytes16 mask) {
    const auto low = static_cast<std::uint64_t>(mask);
    return low != 0 ? __builtin_ctzll(low) / 8 : 8 + __builtin_ctzll(static_cast<std::uint64_t>(mask >> 64)) / 8;
}

// 8 to 16 bytes of digits with at most one "." among them (not first), all
// looked at at once: the mantissa and the count of fraction digits. False
// for any other form, and for mantissas above 2^53.
inline bool ShortDecimal(const char* p, std::size_t n, std::uint64_t& mantissa, int& fraction) {
    std::uint64_t first;
    std::uint64_t last;
    std::memcpy(&first, p, sizeof first);
    std::memcpy(&last, p + n - 8, sizeof last);
    const Bytes16 text = Bytes16{first} | (Bytes16{last} << (8 * (n - 8)));
    const Bytes16 inText = n == 16 ? ~Bytes16{0} : (Bytes16{1} << (8 * n)) - 1;
    // Top bit of every byte that is no digit ("0" is 0x30 and 9 above it).
    const Bytes16 t = text ^ EveryByte(0x30);
    Bytes16 other = (((t & EveryByte(0x7F)) + EveryByte(0x76)) | t) & EveryByte(0x80) & inText;
    Bytes16 digits = text;
    std::size_t count = n;
    fraction = 0;
    if (other != 0) {
        const int dot = LowestByte(other);
        if (dot == 0 || p[dot] != '.') return false;
        other &= ~(Bytes16{0x80} << (8 * dot));
        if (other != 0) return false;
        const Bytes16 before = (Bytes16{1} << (8 * dot)) - 1;
        digits = (text & before) | ((text >> 8) & ~before);
        count = n - 1;
        fraction = static_cast<int>(count) - dot;
    }
    // Right-aligned in sixteen places behind zeros.
    const std::size_t pad = 16 - count;
    digits = (digits << (8 * pad)) | (EveryByte(0x30) & ((Bytes16{1} << (8 * pad)) - 1));
    mantissa = std::uint64_t{DigitsValue(static_cast<std::uint64_t>(digits))} * 100000000 +
               DigitsValue(static_cast<std::uint64_t>(digits >> 64));
    return mantissa <= (std::uint64_t{1} << 53);
}

inline constexpr double kTens[] = {1e0, 1e1, 1e2, 1e3, 1e4, 1e5, 1e6, 1e7, 1e8, 1e9, 1e10, 1e11, 1e12, 1e13, 1e14, 1e15};
#endif

}  // namespace short_decimal

// True and the value for the short form; false (value untouched) for any
// other text, which ReadPlainDecimal decides on.
inline bool ReadShortDecimal(std::string_view s, double& value) {
#if defined(__SIZEOF_INT128__)
    if constexpr (std::endian::native == std::endian::little) {
        const bool negative = !s.empty() && s[0] == '-';
        const char* const p = s.data() + negative;
        const std::size_t n = s.size() - negative;
        std::uint64_t m = 0;
        int fraction = 0;
        if (n >= 8 && n <= 16 && short_decimal::ShortDecimal(p, n, m, fraction)) {
            // The sign as a bit, not a branch: signs in data follow no pattern.
            auto bits = std::bit_cast<std::uint64_t>(static_cast<double>(m) / short_decimal::kTens[fraction]);
            bits ^= std::uint64_t{negative} << 63;
            value = std::bit_cast<double>(bits);
            return true;
        }
    }
#endif
    (void)s;
    (void)value;
    return false;
}
