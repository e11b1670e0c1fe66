// MAT: the matrix operations on arrays. Results are computed into a
// temporary first, so a target that is also an operand reads its old values.
#include <algorithm>
#include <cmath>
#include <vector>

#include "core/numeric/matrix.h"
#include "macro/macro_opcodes.h"
#include "macro/macro_run.h"
#include "macro/macro_run_errors.h"
#include "platform/errors.h"
#include "resources/string_table.h"

namespace {

struct Shape {
    int first = 0;  // word of element (1, 1)
    int rows = 0;
    int cols = 0;
};

}  // namespace

void MacroRun::MatrixOp(const std::uint8_t* p) {
    MacroStack& s = *stack_;
    const int sub = ReadCodeInt(p);
    auto shape = [&](const std::uint8_t* ref) {
        const int w = VariableWord(ref);
        s.Check(w, 4);
        Shape m{s.Word(w), s.Word(w + 2), s.Word(w + 3)};
        if (m.cols == 0) m.cols = 1;
        // The shape must agree with the element count and the stack.
        if (m.rows < 0 || m.cols < 1 || static_cast<long long>(m.rows) * m.cols != s.Word(w + 1))
            ThrowRunError(kRunRange, 0);
        s.Check(m.first, 2 * m.rows * m.cols);
        return m;
    };
    auto at = [&](const Shape& m, int i, int j) { return s.Double(m.first + 2 * (i * m.cols + j)); };
    const Shape x = shape(p + 4);
    const Shape y = shape(p + 4 + kVariableRefBytes);
    const Shape z = MatHasSecondOperand(sub) ? shape(p + 4 + 2 * kVariableRefBytes) : Shape{};
    const double scalar = sub >= 7 && sub <= 9 ? PopNumber() : 0.0;

    int rows = std::min(x.rows, y.rows);
    int cols = std::min(x.cols, y.cols);
    std::vector<double> t;
    switch (sub) {
        case 0:
        case 2: {
            const int n = std::min(rows, cols);
            std::vector<double> a(static_cast<std::size_t>(n) * n);
            for (int i = 0; i < n; ++i)
                for (int j = 0; j < n; ++j) a[static_cast<std::size_t>(i * n + j)] = at(y, i, j);
            t.assign(a.size(), 0.0);
            if (n > 0) {
                if (sub == 0)
                    InvertMatrix(a.data(), n, t.data(), n, n);
                else
                    CholeskyDecompose(a.data(), n, t.data(), n, n);
            }
            rows = cols = n;
            break;
        }
        case 1:
            rows = std::min(x.rows, y.cols);
            cols = std::min(x.cols, y.rows);
            for (int i = 0; i < rows; ++i)
                for (int j = 0; j < cols; ++j) t.push_back(at(y, j, i));
            break;
        case 3: {
            const int n = std::min({x.rows, x.cols, y.rows * y.cols});
            rows = cols = n;
            t.assign(static_cast<std::size_t>(n) * n, 0.0);
            for (int i = 0; i < n; ++i) t[static_cast<std::size_t>(i * n + i)] = s.Double(y.first + 2 * i);
            break;
        }
        case 4: {
            rows = std::min(x.rows, y.rows);
            cols = std::min(x.cols, z.cols);
            const int inner = std::min(y.cols, z.rows);
            for (int i = 0; i < rows; ++i)
                for (int j = 0; j < cols; ++j) {
                    double sum = 0.0;
                    for (int k = 0; k < inner; ++k) sum += at(y, i, k) * at(z, k, j);
                    t.push_back(sum);
                }
            break;
        }
        case 5:
        case 6:
            rows = std::min(rows, z.rows);
            cols = std::min(cols, z.cols);
            for (int i = 0; i < rows; ++i)
                for (int j = 0; j < cols; ++j) t.push_back(sub == 5 ? at(y, i, j) + at(z, i, j) : at(y, i, j) - at(z, i, j));
            break;
        case 7: case 8: case 9: case 10:
            for (int i = 0; i < rows; ++i)
                for (int j = 0; j < cols; ++j) {
                    const double v = at(y, i, j);
                    t.push_back(sub == 7 ? scalar * v : sub == 8 ? scalar + v : sub == 9 ? scalar - v : v);
                }
            break;
        default: ThrowRunError(kRunSystem, 0);
    }
    // Element arithmetic that overflows from finite elements is the math
    // error, as the operators of two numbers are.
    if (sub >= 4 && std::any_of(t.begin(), t.end(), [](double v) { return !std::isfinite(v); })) {
        auto finite = [&](const Shape& m) {
            for (int i = 0; i < m.rows; ++i)
                for (int j = 0; j < m.cols; ++j)
                    if (!std::isfinite(at(m, i, j))) return false;
            return true;
        };
        if (std::isfinite(scalar) && finite(y) && (!MatHasSecondOperand(sub) || finite(z)))
            throw EMathError(LoadStr(kStrRangeError));
    }
    for (int i = 0; i < rows; ++i)
        for (int j = 0; j < cols; ++j) s.SetDouble(x.first + 2 * (i * x.cols + j), t[static_cast<std::size_t>(i * cols + j)]);
}
