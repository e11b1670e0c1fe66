#include "support/reference_decimal.h"

#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>
#include <regex>

bool LibraryDecimal(const std::string& s, double& value) {
    static const std::regex form("-?[0-9]+(\\.[0-9]*)?([eE][+-]?[0-9]+)?");
    if (!std::regex_match(s, form)) return false;
    double v = 0.0;
    const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), v);
    if (ec != std::errc() || end != s.data() + s.size() || !std::isfinite(v)) return false;
    if (v != 0.0 && std::fabs(v) < std::numeric_limits<double>::min()) return false;
    value = v;
    return true;
}

std::uint64_t Bits(double x) {
    std::uint64_t b = 0;
    std::memcpy(&b, &x, sizeof b);
    return b;
}
