// Arrays passed by value and reshaped, and MTS (filling a matrix or
// evaluating its elements as a polynomial).
#include <algorithm>
#include <cmath>
#include <vector>

#include "core/numeric/numeric_helpers.h"
#include "macro/macro_opcodes.h"
#include "macro/macro_run.h"
#include "macro/macro_run_errors.h"

void MacroRun::CopyArray(int w, int address) {
    MacroStack& s = *stack_;
    s.Check(w, 4);
    const int count = s.Word(w + 1);
    if (count < 1 || count > MacroStack::kMaxWords / 2) ThrowRunError(kRunRange, address);
    const int from = s.Word(w);
    s.Check(from, 2 * count);
    const int first = s.Allocate(2 * count);
    for (int i = 0; i < 2 * count; ++i) s.SetWord(first + i, s.Word(from + i));
    s.SetWord(w, first);
}

void MacroRun::Reshape(int w, bool withColumns, int address) {
    MacroStack& s = *stack_;
    s.Check(w, 4);
    const int count = s.Word(w + 1);
    if (!withColumns) {
        s.SetWord(w + 2, count);
        s.SetWord(w + 3, 0);
        return;
    }
    const double nc = std::trunc(PopNumber());
    // No columns, or more than there are elements.
    if (!(nc >= 1.0 && nc <= count)) ThrowRunError(kRunRange, address);
    s.SetWord(w + 2, count / static_cast<int>(nc));
    s.SetWord(w + 3, static_cast<int>(nc));
}

void MacroRun::MatrixFill(const std::uint8_t* p, int address) {
    MacroStack& s = *stack_;
    const int k = ReadCodeInt(p + kVariableRefBytes);
    const int w = VariableWord(p);
    s.Check(w, 4);
    const int first = s.Word(w);
    const int rows = s.Word(w + 2);
    const int cols = std::max(s.Word(w + 3), 1);
    const int n = std::min(rows * cols, s.Word(w + 1));
    s.Check(first, 2 * std::max(n, 0));
    if (k == 0) {
        const double x = PopNumber();
        std::vector<double> c(static_cast<std::size_t>(std::max(n, 0)));
        for (int i = 0; i < n; ++i) c[static_cast<std::size_t>(i)] = s.Double(first + 2 * i);
        PushNumber(n > 0 ? EvalPolynomial(c.data(), n, x) : 0.0);
        return;
    }
    const std::vector<double> values = GatherArguments(k > 0 ? k : -k);
    if (k > 0) {
        const int m = std::min(n, static_cast<int>(values.size()));
        for (int i = 0; i < m; ++i) s.SetDouble(first + 2 * i, values[static_cast<std::size_t>(i)]);
        return;
    }
    if (values.empty()) ThrowRunError(kRunRange, address);
    const int diagonal = std::min(rows, cols);
    double last = values.front();
    for (int i = 0; i < diagonal; ++i) {
        if (i < static_cast<int>(values.size())) last = values[static_cast<std::size_t>(i)];
        s.SetDouble(first + 2 * (i * cols + i), last);
    }
}
