#include "core/model/column_figures.h"

#include <cmath>
#include <cstddef>

namespace {

// Observations named in a message; more are counted.
constexpr std::size_t kNamed = 10;

std::string Listed(const std::vector<int>& observations) {
    std::string text;
    for (std::size_t i = 0; i < observations.size() && i < kNamed; ++i) {
        if (i > 0) text += ", ";
        text += std::to_string(observations[i]);
    }
    if (observations.size() > kNamed) text += " ほか " + std::to_string(observations.size() - kNamed) + " 個";
    return text;
}

}  // namespace

ColumnFigures FiguresOfColumn(const double* values, const double* leverage, int n, int observation,
                              const int* numbers) {
    ColumnFigures out;
    std::vector<int> atOne, others;
    for (int i = 0; i < n; ++i) {
        const int number = numbers ? numbers[i] : i + 1;
        if (std::isfinite(values[i])) {
            out.values.push_back(values[i]);
            out.numbers.push_back(number);
            if (i + 1 == observation) out.observation = static_cast<int>(out.values.size());
        } else if (leverage && leverage[i] == 1.0) {
            atOne.push_back(number);
        } else {
            others.push_back(number);
        }
    }
    // Nothing left out of 1 .. n: the places are the numbers.
    if (!numbers && atOne.empty() && others.empty()) out.numbers.clear();
    if (!atOne.empty())
        out.leftOut += "観測値 " + Listed(atOne) + " は作用点が 1 で数値にならないため、除いて計算します。";
    if (!others.empty()) {
        if (!out.leftOut.empty()) out.leftOut += "\n";
        out.leftOut += "観測値 " + Listed(others) + " は数値にならないため、除いて計算します。";
    }
    return out;
}
