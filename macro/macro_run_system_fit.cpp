// The "%" commands that compute into a macro's array without changing the
// data set: ranks of a variable, and the fitted values or residuals of a
// least-squares fit of one variable on others with a constant.
#include <cmath>

#include "core/model/regression_model.h"
#include "core/numeric/matrix.h"
#include "core/numeric/moment_matrix.h"
#include "core/numeric/statistics.h"
#include "eval/app_state.h"
#include "macro/macro_run.h"
#include "macro/macro_run_errors.h"

// The ranks of variable v (clamped into range), divided by the observation
// count when scale is set; ties share the average rank.
void MacroRun::SysTrend(bool scale, int a, int b, int address) {
    Reg& m = RequireModel(address);
    const int k = m.GetVarCount();
    double v = std::trunc(PopNumber()) - 1.0;
    if (!(v >= 0.0)) v = 0.0;
    if (v >= k) v = k - 1;
    const ArraySlot array = SysArray(a, b);
    const int n = m.GetObsCount();
    if (n > array.count) ThrowRunError(kRunRange, address);
    std::vector<double> values;
    m.GetVarValues(static_cast<int>(v), values);
    values.resize(static_cast<std::size_t>(n));
    RankTransform(scale, values.data(), nullptr, n);
    StoreArrayValues(array, values, address);
}

// c variable numbers were pushed; the last one listed is the dependent.
void MacroRun::SysFit(bool residual, int a, int b, int c, int address) {
    Reg& m = RequireModel(address);
    if (c < 2 || static_cast<std::size_t>(c) > cellCount_) ThrowRunError(kRunSystem, address);
    const int k = m.GetVarCount();
    std::vector<int> x(static_cast<std::size_t>(c));
    for (int t = c - 1; t >= 0; --t) x[static_cast<std::size_t>(t)] = PopIndex(k, address);
    const ArraySlot array = SysArray(a, b);
    const int n = m.GetObsCount();
    if (n > array.count) ThrowRunError(kRunRange, address);

    Matrix data(n, c);
    for (int i = 0; i < n; ++i)
        for (int t = 0; t < c; ++t) data[i][t] = m.GetValue(i, x[static_cast<std::size_t>(t)]);
    // Moments about the means (the constant already swept), then the
    // explanatory variables swept in: column c-1 then holds the coefficients
    // and, in the constant's row c, the intercept.
    LongMatrix moments;
    BuildMomentMatrix(data, n, c, moments);
    for (int t = 0; t + 1 < c; ++t)
        if (moments.Sweep(t) != SweepResult::kSwept) ThrowRunError(kRunType, -1);

    std::vector<double> out(static_cast<std::size_t>(n));
    for (int i = 0; i < n; ++i) {
        long double fitted = moments[c][c - 1];
        for (int t = 0; t + 1 < c; ++t) fitted += static_cast<long double>(data[i][t]) * moments[t][c - 1];
        const double f = static_cast<double>(fitted);
        out[static_cast<std::size_t>(i)] = residual ? data[i][c - 1] - f : f;
    }
    StoreArrayValues(array, out, address);
}
