#include "core/text/general_float.h"

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

struct DigitPairs {
    char d[200];
    constexpr DigitPairs() : d() {
        for (int i = 0; i < 100; ++i) {
            d[2 * i] = static_cast<char>('0' + i / 10);
            d[2 * i + 1] = static_cast<char>('0' + i % 10);
        }
    }
};
constexpr DigitPairs kPairs;

// The count decimal digits of v (leading zeros kept) at out.
void WritePairs(char* out, int count, std::uint64_t v) {
    int i = count;
    while (i >= 2) {
        const auto r = static_cast<std::size_t>(v % 100) * 2;
        v /= 100;
        i -= 2;
        out[i] = kPairs.d[r];
        out[i + 1] = kPairs.d[r + 1];
    }
    if (i == 1) out[0] = static_cast<char>('0' + v % 10);
}

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
// exact value, and the decimal exponent of the first. False when x lies
// outside the range done here in integers.
bool RoundFifteen(double ax, char digits[kDigits], int& exp10) {
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
    // Two digits at a time: seven from the top part, eight from the rest.
    WritePairs(digits, 7, n / 100000000);
    WritePairs(digits + 7, 8, n % 100000000);
    exp10 = d;
    return true;
}

// 20 correctly rounded significant digits decide the rounding unless the
// five beyond the kept ones read "50000" (a possible exact tie).
bool RoundFifteenByLibrary(double ax, char digits[kDigits], int& exp10) {
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
    std::memcpy(digits, d, kDigits);
    return true;
}

// The text of 15 rounded digits d with decimal exponent exp10 at p (at
// most 24 bytes); returns its end.
char* WriteDigits(char* p, bool negative, const char* d, int exp10) {
    int nd = kDigits;
    while (nd > 1 && d[nd - 1] == '0') --nd;
    if (negative) *p++ = '-';
    if (exp10 < -5 || exp10 >= kDigits) {
        *p++ = d[0];
        if (nd > 1) {
            *p++ = '.';
            std::memcpy(p, d + 1, static_cast<std::size_t>(nd - 1));
            p += nd - 1;
        }
        *p++ = 'E';
        return std::to_chars(p, p + 8, exp10).ptr;
    }
    if (exp10 < 0) {
        *p++ = '0';
        *p++ = '.';
        for (int i = -exp10 - 1; i > 0; --i) *p++ = '0';
        std::memcpy(p, d, static_cast<std::size_t>(nd));
        return p + nd;
    }
    const int intDigits = exp10 + 1;
    if (nd <= intDigits) {
        std::memcpy(p, d, static_cast<std::size_t>(intDigits));  // the zeros are digits of d
        return p + intDigits;
    }
    std::memcpy(p, d, static_cast<std::size_t>(intDigits));
    p += intDigits;
    *p++ = '.';
    std::memcpy(p, d + intDigits, static_cast<std::size_t>(nd - intDigits));
    return p + (nd - intDigits);
}

}  // namespace

char* WriteGeneralFloat(char* p, double x) {
    if (x == 0.0) {
        *p = '0';
        return p + 1;
    }
    const double ax = std::fabs(x);
    char d[kDigits];
    int exp10 = 0;
    if (std::isfinite(x) && (RoundFifteen(ax, d, exp10) || RoundFifteenByLibrary(ax, d, exp10)))
        return WriteDigits(p, x < 0, d, exp10);
    const std::string text = FloatToStrF(x, TFloatFormat::ffGeneral, kDigits, 0);
    std::memcpy(p, text.data(), text.size());
    return p + text.size();
}

void AppendGeneralFloat(std::string& out, double x) {
    char text[kGeneralFloatMaxBytes];
    out.append(text, static_cast<std::size_t>(WriteGeneralFloat(text, x) - text));
}
