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
        // Each observation's own value is "@@"; the first that is incomplete
        // or no finite number ends the range.
        const int count = to - from;
        const int done =
            calc.EvaluateRange(text.substr(1), from, count, result.data(), true, values.data() + from);
        if (done < count) return false;
        if (count > 0 && (calc.IsIncomplete() || !std::isfinite(result[static_cast<std::size_t>(count - 1)])))
            return false;
    }
    std::copy(result.begin(), result.end(), values.begin() + from);
    return true;
}
