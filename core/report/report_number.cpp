#include "core/report/report_number.h"

#include <cmath>
#include <cstring>

#include "core/text/number_format.h"
#include "platform/numeric_tolerances.h"

namespace {

constexpr char kDigitPairs[] =
    "00010203040506070809101112131415161718192021222324252627282930313233343536373839"
    "40414243444546474849505152535455565758596061626364656667686970717273747576777879"
    "8081828384858687888990919293949596979899";

// Digits of |x| rounded half away from zero to four decimals, judged on
// the exact value of the double: x * 10^4 is rounded once by the multiply,
// so the candidate is settled by the exact sign of x * 10^4 - (f + 0.5)
// that a fused multiply-add gives. Needs 1e-4 <= |x| < 1e6.
bool FixedFourDecimals(double x, char* buffer, int& length) {
    const double a = std::fabs(x);
    if (!(a >= 1e-4 && a < 1e6)) return false;
    const double f = std::floor(a * 10000.0);
    const double k = std::fma(a, 10000.0, -(f + 0.5)) >= 0.0 ? f + 1.0 : f;
    // Written from the right, two digits at a time: the four decimals, the
    // point, the whole part (below 10^6).
    const auto units = static_cast<unsigned long long>(k);
    auto whole = static_cast<unsigned>(units / 10000);
    const auto decimals = static_cast<unsigned>(units % 10000);
    char digits[24];
    char* const end = digits + sizeof digits;
    char* p = end - 2;
    std::memcpy(p, kDigitPairs + 2 * (decimals % 100), 2);
    p -= 2;
    std::memcpy(p, kDigitPairs + 2 * (decimals / 100), 2);
    *--p = '.';
    while (whole >= 100) {
        p -= 2;
        std::memcpy(p, kDigitPairs + 2 * (whole % 100), 2);
        whole /= 100;
    }
    if (whole >= 10) {
        p -= 2;
        std::memcpy(p, kDigitPairs + 2 * whole, 2);
    } else {
        *--p = static_cast<char>('0' + whole);
    }
    if (x < 0) *--p = '-';
    length = static_cast<int>(end - p);
    std::memcpy(buffer, p, static_cast<std::size_t>(length));
    return true;
}

// The "#.0000e+" form of a small value, kSingleEpsilon <= |x| < 1e-4, as
// five significant digits and a negative exponent: "d.dddde-N". The digits
// are a * 10^m rounded half away from zero with 10^m exact (m <= 22), every
// decision taken on the exact sign that a fused multiply-add gives.
bool SmallExponent(double x, char* buffer, int& length) {
    static constexpr double kPow10[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,  1e8,  1e9,  1e10, 1e11,
                                        1e12, 1e13, 1e14, 1e15, 1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};
    const double a = std::fabs(x);
    if (!(a >= kSingleEpsilon && a < 1e-4)) return false;
    // The binary exponent times log10(2) gives the decimal one or one
    // below it; the exact tests below settle it.
    int e = static_cast<int>(std::floor(std::ilogb(a) * 0.30102999566398120));
    for (int attempt = 0; attempt < 3; ++attempt) {
        const int m = 4 - e;
        if (m < 0 || m > 22) return false;
        const double scale = kPow10[m];
        if (std::fma(a, scale, -10000.0) < 0.0) {
            --e;
            continue;
        }
        if (std::fma(a, scale, -100000.0) >= 0.0) {
            ++e;
            continue;
        }
        double f = std::floor(a * scale);
        if (std::fma(a, scale, -f) < 0.0) f -= 1.0;
        const double k = std::fma(a, scale, -(f + 0.5)) >= 0.0 ? f + 1.0 : f;
        long long units = static_cast<long long>(k);
        if (units >= 100000) {
            units /= 10;
            ++e;
        }
        int d = 0;
        if (x < 0) buffer[d++] = '-';
        char digits[5];
        for (int i = 4; i >= 0; --i) {
            digits[i] = static_cast<char>('0' + units % 10);
            units /= 10;
        }
        buffer[d++] = digits[0];
        buffer[d++] = '.';
        for (int i = 1; i < 5; ++i) buffer[d++] = digits[i];
        buffer[d++] = 'e';
        buffer[d++] = '-';
        const int ex = -e;
        if (ex >= 10) buffer[d++] = static_cast<char>('0' + ex / 10);
        buffer[d++] = static_cast<char>('0' + ex % 10);
        length = d;
        return true;
    }
    return false;
}

}  // namespace

bool QuickNumberText(bool smallAsFixed, double x, char* buffer, int& length) {
    const double a = std::fabs(x);
    if (!std::isfinite(x)) return false;
    if (a < kSingleEpsilon) {
        buffer[0] = '0';
        length = 1;
        return true;
    }
    if (a < 1e-4 && smallAsFixed) {
        const char* text = x < 0 ? "-0.0000" : "0.0000";
        length = x < 0 ? 7 : 6;
        std::memcpy(buffer, text, static_cast<std::size_t>(length));
        return true;
    }
    return FixedFourDecimals(x, buffer, length) || SmallExponent(x, buffer, length);
}

bool QuickSignedFixedText(double x, char* buffer, int& length) {
    const double a = std::fabs(x);
    if (a < 1e-4) {
        // One unit of the last place, or zero, which takes the positive
        // section whatever the sign.
        const bool unit = std::fma(a, 10000.0, -0.5) >= 0.0;
        std::memcpy(buffer, !unit ? "+0.0000" : x < 0 ? "-0.0001" : "+0.0001", 7);
        length = 7;
        return true;
    }
    if (!FixedFourDecimals(x, buffer + 1, length)) return false;
    if (x < 0) {
        std::memmove(buffer, buffer + 1, static_cast<std::size_t>(length));
        return true;
    }
    buffer[0] = '+';
    ++length;
    return true;
}

void AppendPaddedText(std::string& out, const char* text, int length, int width) {
    if (width <= 0) return;
    if (length >= width) {
        out.append(text + (length - width), static_cast<std::size_t>(width));
        return;
    }
    out.append(static_cast<std::size_t>(width - length), ' ');
    out.append(text, static_cast<std::size_t>(length));
}

void AppendPaddedNumber(std::string& out, double x, int width) {
    char buffer[kQuickNumberBytes];
    int length = 0;
    if (!QuickNumberText(false, x, buffer, length)) {
        out += FormatNumberPadded(width, x);
        return;
    }
    AppendPaddedText(out, buffer, length, width);
}
