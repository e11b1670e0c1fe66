#include "core/text/plain_decimal.h"

#include "core/text/short_decimal.h"

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

constexpr double kTens[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,  1e8,  1e9,  1e10, 1e11,
                            1e12, 1e13, 1e14, 1e15, 1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};

}  // namespace

bool ReadPlainDecimal(std::string_view s, double& value) {
    if (ReadShortDecimal(s, value)) return true;
    // Only what the evaluator reads as one number token, with an optional
    // minus: digits, an optional fraction and an optional exponent.
    const char* p = s.data();
    const char* const end = p + s.size();
    const bool negative = p < end && *p == '-';
    if (negative) ++p;
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

