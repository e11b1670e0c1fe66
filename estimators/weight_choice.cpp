#include "estimators/weight_choice.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>

#include "estimators/weighted_fit.h"

namespace {

constexpr int kMaxOrder = 40;
constexpr int kARKind = 10;

}  // namespace

int AROrderFromText(const std::string& text, int n) {
    std::size_t a = 0, b = text.size();
    while (a < b && std::isspace(static_cast<unsigned char>(text[a]))) ++a;
    while (b > a && std::isspace(static_cast<unsigned char>(text[b - 1]))) --b;
    std::size_t i = a;
    if (i < b && (text[i] == '+' || text[i] == '-')) ++i;
    const bool whole = i < b && std::all_of(text.begin() + static_cast<long>(i), text.begin() + static_cast<long>(b),
                                            [](char c) { return c >= '0' && c <= '9'; });
    long long order = 1;
    if (whole) {
        // More than nine digits is past every limit anyway.
        const long long digits = b - i > 9 ? kMaxOrder : std::atoll(text.substr(i, b - i).c_str());
        order = text[a] == '-' && digits > 0 ? 1 : digits;
    }
    return static_cast<int>(std::min<long long>({order, kMaxOrder, std::max(n, 0) / 4}));
}

int WeightModeOf(int kind, const std::string& orderText, int n) {
    if (kind >= kARKind) return WLSE::kModeAROffset + AROrderFromText(orderText, n);
    return kind;
}
