#include "core/text/number_format.h"

#include <cmath>
#include <cstdint>
#include <vector>

#include "platform/errors.h"
#include "platform/text/cp932.h"

namespace {

// Length of the UTF-8 character that starts with byte c (1 for a stray byte).
std::size_t Utf8CharLength(std::string_view s, std::size_t i) {
    unsigned char c = static_cast<unsigned char>(s[i]);
    std::size_t n = c < 0x80 ? 1 : c >= 0xF0 ? 4 : c >= 0xE0 ? 3 : c >= 0xC0 ? 2 : 1;
    if (i + n > s.size()) return 1;
    for (std::size_t k = 1; k < n; ++k)
        if ((static_cast<unsigned char>(s[i + k]) & 0xC0) != 0x80) return 1;
    return n;
}

// CP932 bytes of one character; one the code page cannot hold counts as two
// so that a stray character never stops a report.
std::size_t Cp932CharBytes(std::string_view ch) {
    if (ch.size() == 1 && static_cast<unsigned char>(ch[0]) < 0x80) return 1;
    try {
        return cp932::ByteLength(ch);
    } catch (const EConvertError&) {
        return 2;
    }
}

bool IsAscii(std::string_view s) {
    for (char c : s)
        if (static_cast<unsigned char>(c) >= 0x80) return false;
    return true;
}

std::string_view DropIndexSuffix(std::string_view name) {
    if (name.size() >= 3 && name.substr(name.size() - 3) == "(i)") name.remove_suffix(3);
    return name;
}

}  // namespace

const std::string& SingleSignificanceMark() {
    static const std::string mark = "* ";
    return mark;
}

const std::string& DoubleSignificanceMark() {
    static const std::string mark = "**";
    return mark;
}

std::string FormatNumber(bool smallAsFixed, double x) {
    if (!std::isfinite(x)) return FormatFloat("0.0000", x);
    const double ax = std::fabs(x);
    if (ax < kSingleEpsilon) return "0";
    if (ax < 1e-4) {
        if (smallAsFixed) return x < 0 ? "-0.0000" : "0.0000";
        return FormatFloat("#.0000e+", x);
    }
    if (ax >= 1000000.0) return FormatFloat("#.0000e+", x);
    return FormatFloat("0.0000", x);
}

std::string FormatExponent(int precision, double x) {
    if (precision < 3) precision = 3;
    if (precision > 14) precision = 14;
    if (std::fabs(x) < kSingleEpsilon) x = 0;
    return FloatToStrF(x, TFloatFormat::ffExponent, precision, 4);
}

std::string PadLeft(std::string_view text, int width) {
    if (width <= 0) return {};
    const std::size_t w = static_cast<std::size_t>(width);
    if (IsAscii(text)) {
        if (text.size() >= w) return std::string(text.substr(text.size() - w));
        return std::string(w - text.size(), ' ') + std::string(text);
    }
    // Byte counts per character, then keep the longest tail that fits.
    std::vector<std::size_t> starts, bytes;
    for (std::size_t i = 0; i < text.size();) {
        std::size_t n = Utf8CharLength(text, i);
        starts.push_back(i);
        bytes.push_back(Cp932CharBytes(text.substr(i, n)));
        i += n;
    }
    std::size_t used = 0, from = text.size();
    for (std::size_t k = starts.size(); k-- > 0;) {
        if (used + bytes[k] > w) break;
        used += bytes[k];
        from = starts[k];
    }
    return std::string(w - used, ' ') + std::string(text.substr(from));
}

std::string FormatNumberPadded(int width, double x) { return PadLeft(FormatNumber(false, x), width); }

std::string FormatIndexedLabel(std::string_view name, std::string_view text, bool bracket) {
    if (bracket) return std::string(DropIndexSuffix(name)) + "[" + std::string(text) + "]";
    return std::string(name) + " (" + std::string(text) + ")";
}

std::string FormatElementValue(std::string_view name, int i, double x) {
    return std::string(DropIndexSuffix(name)) + "[" + std::to_string(i) + "] = " + FormatExponent(7, x);
}

std::string FormatPercent(double value) { return FormatFloat("##0.0%", value); }

std::string SignificanceMark(int a, int b, double p) {
    if (p > static_cast<double>(a)) return DoubleSignificanceMark();
    if (p > static_cast<double>(b)) return SingleSignificanceMark();
    return {};
}

std::string LagResidualLabel(int k) { return "e(i-" + std::to_string(k) + ")"; }

void MakePartialPlotLabels(std::string& xName, std::string& yName) {
    const std::string x = xName;
    yName = "e(" + yName + "|-" + x + ")";
    xName = "e(" + x + "|-" + x + ")";
}

int DivideRoundUp(int a, int b) {
    if (b == 0) return 1;
    // In 64 bits: INT_MIN / -1 does not overflow.
    const std::int64_t q = static_cast<std::int64_t>(a) / b;
    const std::int64_t r = static_cast<std::int64_t>(a) % b;
    std::int64_t n = q + (r > 0 ? 1 : 0);
    if (n < 1) n = 1;
    if (n > INT32_MAX) n = INT32_MAX;
    return static_cast<int>(n);
}
