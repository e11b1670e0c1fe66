#include "app/main_window/formula_range.h"

#include <algorithm>
#include <cmath>

#include "core/numeric/matrix.h"
#include "eval/calc_str.h"

bool EvaluateFormulaOverRange(CalcStr& calc, const std::string& text, std::vector<double>& values, int from, int to) {
    if (text.empty() || text[0] != '=') return false;
    const int n = static_cast<int>(values.size());
    from = std::clamp(from, 0, n);
    to = std::clamp(to, from, n);
    std::vector<double> result(values.begin() + from, values.begin() + to);
    const std::size_t open = text.find_first_not_of(' ', 1);
    if (open != std::string::npos && text[open] == '{') {
        Vector list;
        calc.ParseBraceList(text.substr(open), list);
        if (calc.IsIncomplete()) return false;
        const int count = std::min(list.Count(), to - from);
        for (int m = 0; m < count; ++m) result[static_cast<std::size_t>(m)] = list.At(m);
    } else {
        const std::string formula = text.substr(1);
        for (int i = from; i < to; ++i) {
            calc.SetCurrentValue(values[static_cast<std::size_t>(i)]);
            const double x = calc.EvaluateAt(formula, i);
            if (calc.IsIncomplete() || !std::isfinite(x)) return false;
            result[static_cast<std::size_t>(i - from)] = x;
        }
    }
    std::copy(result.begin(), result.end(), values.begin() + from);
    return true;
}
