#include "core/text/plain_decimal.h"

#include <bit>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>

namespace {

// Eight ASCII digits at p as one number, eight bytes at a time; false when
// any of them is no digit.
bool EightDigits(const char* p, std::uint32_t& value) {
    std::uint64_t v;
    std::memcpy(&v, p, sizeof v);
    if constexpr (std::endian::native == std::endian::big) v = __builtin_bswap64(v);
    if ((((v & 0xF0F0F0F0F0F0F0F0ULL) | (((v + 0x0606060606060606ULL) & 0xF0F0F0F0F0F0F0F0ULL) >> 4))) !=
        0x3333333333333333ULL)
        return false;
    v = (v & 0x0F0F0F0F0F0F0F0FULL) * 2561 >> 8;
    v = (v & 0x00FF00FF00FF00FFULL) * 6553601 >> 16;
    value = static_cast<std::uint32_t>((v & 0x0000FFFF0000FFFFULL) * 42949672960001ULL >> 32);
    return true;
}

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
bool ShortDecimal(const char* p, std::size_t n, std::uint64_t& mantissa, int& fraction) {
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
#endif

constexpr double kTens[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,  1e8,  1e9,  1e10, 1e11,
                            1e12, 1e13, 1e14, 1e15, 1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};

}  // namespace

bool ReadPlainDecimal(std::string_view s, double& value) {
    // Only what the evaluator reads as one number token, with an optional
    // minus: digits, an optional fraction and an optional exponent.
    const char* p = s.data();
    const char* const end = p + s.size();
    const bool negative = p < end && *p == '-';
    if (negative) ++p;
#if defined(__SIZEOF_INT128__)
    if constexpr (std::endian::native == std::endian::little) {
        // The common short form in one step, exact (see below).
        const auto n = static_cast<std::size_t>(end - p);
        std::uint64_t m = 0;
        int fraction = 0;
        if (n >= 8 && n <= 16 && ShortDecimal(p, n, m, fraction)) {
            // The sign as a bit, not a branch: signs in data follow no pattern.
            auto bits = std::bit_cast<std::uint64_t>(static_cast<double>(m) / kTens[fraction]);
            bits ^= std::uint64_t{negative} << 63;
            value = std::bit_cast<double>(bits);
            return true;
        }
    }
#endif
    // Up to 19 significant digits gathered on the way; more go to the library.
    std::uint64_t mantissa = 0;
    int significant = 0;
    std::int64_t scale = 0;
    const char* const digits = p;
    while (p < end && *p == '0') ++p;
    for (; p < end && static_cast<unsigned>(*p - '0') < 10; ++p) {
        if (significant < 19) mantissa = mantissa * 10 + static_cast<unsigned>(*p - '0');
        else ++scale;
        ++significant;
    }
    if (p == digits) return false;
    if (p < end && *p == '.') {
        ++p;
        if (significant == 0) {
            const char* const zeros = p;
            while (p < end && *p == '0') ++p;
            scale -= p - zeros;
        }
        std::uint32_t eight = 0;
        while (significant <= 11 && end - p >= 8 && EightDigits(p, eight)) {
            mantissa = mantissa * 100000000 + eight;
            scale -= 8;
            significant += 8;
            p += 8;
        }
        for (; p < end && static_cast<unsigned>(*p - '0') < 10; ++p) {
            if (significant < 19) {
                mantissa = mantissa * 10 + static_cast<unsigned>(*p - '0');
                --scale;
            }
            ++significant;
        }
    }
    int exponent = 0;
    if (p < end && (*p == 'e' || *p == 'E')) {
        ++p;
        const bool minus = p < end && *p == '-';
        if (p < end && (*p == '+' || *p == '-')) ++p;
        const char* const e = p;
        for (; p < end && *p >= '0' && *p <= '9'; ++p)
            if (exponent < 100000) exponent = exponent * 10 + (*p - '0');
        if (p == e) return false;
        if (minus) exponent = -exponent;
    }
    if (p != end) return false;
    // Both factors exact and one rounding: the correctly rounded double.
    const std::int64_t e10 = exponent + scale;
    if (significant <= 19 && mantissa <= (std::uint64_t{1} << 53) && e10 >= -22 && e10 <= 22) {
        const double m = static_cast<double>(mantissa);
        const double v = e10 < 0 ? m / kTens[-e10] : m * kTens[e10];
        value = negative ? -v : v;
        return true;
    }
    double v = 0.0;
    const auto [stop, ec] = std::from_chars(s.data(), end, v);
    if (ec != std::errc() || stop != end || !std::isfinite(v)) return false;
    // Subnormal results are left to the evaluator, which decides on them.
    if (v != 0.0 && std::fabs(v) < std::numeric_limits<double>::min()) return false;
    value = v;
    return true;
}

