#include "core/text/general_float.h"

#include <bit>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>

#include "core/text/float_format.h"

namespace {

constexpr int kDigits = 15;
constexpr std::uint64_t kLow = 100000000000000ULL;    // 10^14
constexpr std::uint64_t kHigh = 1000000000000000ULL;  // 10^15
// 5^k fits 64 bits up to k = 27, so x * 10^k stays exact in 128 bits.
constexpr int kMaxScale = 27;

constexpr std::uint64_t PowerOfFive(int k) {
    std::uint64_t p = 1;
    for (int i = 0; i < k; ++i) p *= 5;
    return p;
}

struct FivePowers {
    std::uint64_t p[kMaxScale + 1];
    constexpr FivePowers() : p() {
        for (int k = 0; k <= kMaxScale; ++k) p[k] = PowerOfFive(k);
    }
};
constexpr FivePowers kFive;

// x * 10^k for a positive normal x = mantissa * 2^exp2: the integer part,
// whether the rest is below, at or above one half (-1, 0, 1) and whether
// there is no rest.
struct Scaled {
    std::uint64_t whole;
    int half;
    bool restZero;
};

Scaled Scale(std::uint64_t mantissa, int exp2, int k) {
    using u128 = unsigned __int128;
    const u128 m = static_cast<u128>(mantissa) * kFive.p[k];
    // x * 10^k = m * 2^(exp2 + k); within the fast range exp2 + k < 0.
    const int drop = -(exp2 + k);
    const u128 rest = m & ((u128{1} << drop) - 1);
    const u128 half = u128{1} << (drop - 1);
    return {static_cast<std::uint64_t>(m >> drop), rest < half ? -1 : rest == half ? 0 : 1, rest == 0};
}

// The 15 significant digits of |x| rounded half away from zero on its
// exact value, as an integer from 10^14 below 10^15, and the decimal
// exponent of the first. False when x lies outside the range done here in
// integers.
bool RoundFifteen(double ax, std::uint64_t& digits, int& exp10) {
    std::uint64_t bits;
    std::memcpy(&bits, &ax, sizeof bits);
    const int biased = static_cast<int>(bits >> 52);
    if (biased == 0 || biased == 0x7FF) return false;
    const std::uint64_t mantissa = (bits & ((std::uint64_t{1} << 52) - 1)) | (std::uint64_t{1} << 52);
    const int exp2 = biased - 1075;  // ax = mantissa * 2^exp2
    const int e = biased - 1023;     // 2^e <= ax < 2^(e+1)
    // About e * log10(2): the decimal exponent is this or one next to it.
    int d = (e * 78913) >> 18;
    int k = kDigits - 1 - d;
    if (k < 0 || k > kMaxScale || exp2 + k >= 0) return false;
    Scaled s = Scale(mantissa, exp2, k);
    if (s.whole >= kHigh) {
        // One decimal place less: divide by ten, the last digit joins the rest.
        const int last = static_cast<int>(s.whole % 10);
        s.whole /= 10;
        s.half = last > 5 ? 1 : last < 5 ? -1 : s.restZero ? 0 : 1;
        ++d;
    } else if (s.whole < kLow) {
        ++k;
        if (k > kMaxScale || exp2 + k >= 0) return false;
        s = Scale(mantissa, exp2, k);
        --d;
    }
    if (s.whole < kLow || s.whole >= kHigh) return false;
    std::uint64_t n = s.whole + (s.half >= 0 ? 1 : 0);
    if (n == kHigh) {
        n = kLow;
        ++d;
    }
    digits = n;
    exp10 = d;
    return true;
}

// 20 correctly rounded significant digits decide the rounding unless the
// five beyond the kept ones read "50000" (a possible exact tie).
bool RoundFifteenByLibrary(double ax, std::uint64_t& digits, int& exp10) {
    char buf[48];
    const auto r = std::to_chars(buf, buf + sizeof buf, ax, std::chars_format::scientific, 19);
    char d[20];
    d[0] = buf[0];
    std::memcpy(d + 1, buf + 2, 19);
    if (d[15] == '5' && d[16] == '0' && d[17] == '0' && d[18] == '0' && d[19] == '0') return false;
    const char* e = buf + 22;
    if (*e == '+') ++e;
    std::from_chars(e, r.ptr, exp10);
    if (d[15] >= '5') {
        int i = kDigits - 1;
        while (i >= 0 && d[i] == '9') d[i--] = '0';
        if (i < 0) {
            d[0] = '1';
            ++exp10;
        } else {
            ++d[i];
        }
    }
    digits = 0;
    for (int i = 0; i < kDigits; ++i) digits = digits * 10 + static_cast<std::uint64_t>(d[i] - '0');
    return true;
}

// The eight decimal digits of v < 10^8 as ASCII bytes of one word, the
// first digit in the lowest byte: the digits are split in halves, quarters
// and eighths in parallel lanes of the word.
std::uint64_t EightDigitBytes(std::uint32_t v) {
    const std::uint64_t x = v;
    const std::uint64_t fours = (x / 10000) | ((x % 10000) << 32);
    const std::uint64_t hundreds = ((fours * 10486) >> 20) & ((0x7FULL << 32) | 0x7FULL);
    const std::uint64_t twos = hundreds | ((fours - 100 * hundreds) << 16);
    const std::uint64_t tens = ((twos * 103) >> 10) & ((0xFULL << 48) | (0xFULL << 32) | (0xFULL << 16) | 0xFULL);
    return (tens | ((twos - 10 * tens) << 8)) + 0x3030303030303030ULL;
}

// The 15 digits as the sixteen bytes "0" d0 .. d14, kept in two words so
// that no byte goes through memory before it is written out (a wide load
// of bytes just stored one by one stalls).
struct DigitWords {
    std::uint64_t low;   // "0" d0 .. d6
    std::uint64_t high;  // d7 .. d14

    explicit DigitWords(std::uint64_t n)
        : low(EightDigitBytes(static_cast<std::uint32_t>(n / 100000000))),
          high(EightDigitBytes(static_cast<std::uint32_t>(n % 100000000))) {}

    char First() const { return static_cast<char>(low >> 8); }
    // Digits up to the last one that is not "0".
    int Significant() const {
        constexpr std::uint64_t kZeros = 0x3030303030303030ULL;
        const std::uint64_t h = high ^ kZeros;
        if (h != 0) return kDigits - __builtin_clzll(h) / 8;
        return 7 - __builtin_clzll(low ^ kZeros) / 8;
    }
    // Sixteen bytes from digit i (0 .. 14) on at p; past d14 they are NUL.
    void Put(char* p, int i) const {
        const int t = i + 1;
        std::uint64_t a;
        std::uint64_t b;
        if (t < 8) {
            a = (low >> (8 * t)) | (high << (64 - 8 * t));
            b = high >> (8 * t);
        } else {
            a = high >> (8 * (t - 8));
            b = 0;
        }
        std::memcpy(p, &a, 8);
        std::memcpy(p + 8, &b, 8);
    }
};

// The text of the 15 rounded digits n with decimal exponent exp10 at p;
// returns its end. Bytes past the end are scratch within the caller's room.
char* WriteDigits(char* p, bool negative, std::uint64_t n, int exp10) {
    static_assert(std::endian::native == std::endian::little, "digit words are laid out little-endian");
    const DigitWords d(n);
    const int nd = d.Significant();
    if (negative) *p++ = '-';
    if (exp10 < -5 || exp10 >= kDigits) {
        *p++ = d.First();
        if (nd > 1) {
            *p++ = '.';
            d.Put(p, 1);
            p += nd - 1;
        }
        *p++ = 'E';
        return std::to_chars(p, p + 8, exp10).ptr;
    }
    if (exp10 < 0) {
        std::memcpy(p, "0.00000", 8);
        p += 1 - exp10;  // "0." and -exp10 - 1 zeros
        d.Put(p, 0);
        return p + nd;
    }
    const int intDigits = exp10 + 1;
    d.Put(p, 0);  // the zeros after the significant digits are digits too
    p += intDigits;
    if (nd <= intDigits) return p;
    *p++ = '.';
    d.Put(p, intDigits);
    return p + (nd - intDigits);
}

}  // namespace

char* WriteGeneralFloat(char* p, double x) {
    if (x == 0.0) {
        *p = '0';
        return p + 1;
    }
    const double ax = std::fabs(x);
    std::uint64_t d = 0;
    int exp10 = 0;
    if (std::isfinite(x) && (RoundFifteen(ax, d, exp10) || RoundFifteenByLibrary(ax, d, exp10)))
        return WriteDigits(p, x < 0, d, exp10);
    const std::string text = FloatToStrF(x, TFloatFormat::ffGeneral, kDigits, 0);
    std::memcpy(p, text.data(), text.size());
    return p + text.size();
}

void AppendGeneralFloat(std::string& out, double x) {
    char text[kGeneralFloatRoom];
    out.append(text, static_cast<std::size_t>(WriteGeneralFloat(text, x) - text));
}
