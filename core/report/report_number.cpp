#include "core/report/report_number.h"

#include <cmath>

#include "core/text/number_format.h"

namespace {

// Digits of |x| rounded half away from zero to four decimals, judged on
// the exact value of the double: x * 10^4 is rounded once by the multiply,
// so the candidate is settled by the exact sign of x * 10^4 - (f + 0.5)
// that a fused multiply-add gives. Needs 1e-4 <= |x| < 1e6.
bool FixedFourDecimals(double x, char* buffer, int& length) {
    const double a = std::fabs(x);
    if (!(a >= 1e-4 && a < 1e6)) return false;
    const double f = std::floor(a * 10000.0);
    const double k = std::fma(a, 10000.0, -(f + 0.5)) >= 0.0 ? f + 1.0 : f;
    long long units = static_cast<long long>(k);
    char digits[32];
    int d = 0;
    for (int i = 0; i < 4; ++i) {
        digits[d++] = static_cast<char>('0' + units % 10);
        units /= 10;
    }
    digits[d++] = '.';
    do {
        digits[d++] = static_cast<char>('0' + units % 10);
        units /= 10;
    } while (units > 0);
    if (x < 0) digits[d++] = '-';
    for (int i = 0; i < d; ++i) buffer[i] = digits[d - 1 - i];
    length = d;
    return true;
}

}  // namespace

void AppendPaddedNumber(std::string& out, double x, int width) {
    char buffer[32];
    int length = 0;
    if (!FixedFourDecimals(x, buffer, length)) {
        out += FormatNumberPadded(width, x);
        return;
    }
    if (length >= width) {
        out.append(buffer + (length - width), static_cast<std::size_t>(width));
        return;
    }
    out.append(static_cast<std::size_t>(width - length), ' ');
    out.append(buffer, static_cast<std::size_t>(length));
}
