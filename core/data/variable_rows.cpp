#include "core/data/variable_rows.h"

#include <algorithm>

int CountMarkedRows(const Selekto& marks, int count) {
    const auto& flags = marks.Flags();
    const int n = std::clamp(count, 0, marks.Count());
    return static_cast<int>(std::count_if(flags.begin(), flags.begin() + n, [](std::uint8_t f) { return f != 0; }));
}

std::unique_ptr<Var> VariableOfMarkedRows(const Var& source, const Selekto& marks, const std::string& name) {
    const auto& flags = marks.Flags();
    const int n = std::min(source.Count(), marks.Count());
    auto v = std::make_unique<Var>(name, "imported", 0, 0.0);
    v->Reserve(CountMarkedRows(marks, n));
    for (int i = 0; i < n; ++i)
        if (flags[static_cast<std::size_t>(i)] != 0) v->Append(source.GetMark(i), source.At(i));
    v->CalcStatistics();
    return v;
}
