// FNC: the random numbers, the scalar functions (with "real" over a text)
// and the variable-wide functions over numbers and ranges; LUV of a user
// function.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <new>
#include <vector>

#include "core/numeric/numeric_helpers.h"
#include "core/settings/file_services.h"
#include "eval/app_state.h"
#include "eval/calc_str_user_function.h"
#include "eval/scalar_functions.h"
#include "macro/macro_opcodes.h"
#include "macro/macro_run.h"
#include "macro/macro_run_errors.h"
#include "platform/errors.h"
#include "platform/text/cp932.h"
#include "resources/string_table.h"

namespace {

// Positions of the variable-wide functions after the first of them.
enum WideFunction {
    wfVarp = 0, wfVariable, wfMean, wfGeomean, wfHarmean, wfMax, wfMin, wfMedian, wfTrimmean, wfSum,
    wfPercentile, wfHornor,
};

[[noreturn]] void RangeFailure() { throw Exception(LoadStr(kStrRangeError)); }

}  // namespace

void MacroRun::Function(int f, int count, int address) {
    switch (f) {
        case kFncSeed: state_.Random().Init(); return;
        case kFncRanuni: PushNumber(state_.Random().Uniform()); return;
        case kFncRannor: PushNumber(state_.Random().Normal()); return;
        default: break;
    }
    if (f >= 0 && f < kFncFirstCounted) return ScalarFunction(f, address);
    if (f >= kFncFirstCounted && f <= kFncFirstCounted + wfHornor) return VariableWideFunction(f, count, address);
    ThrowRunError(kRunSystem, address);
}

void MacroRun::ScalarFunction(int f, int address) {
    double b = 0.0, c = 0.0;
    if (f >= sfPf) {
        c = PopNumber();
        b = PopNumber();
    } else if (f >= sfBce) {
        b = PopNumber();
    }
    MacroCell& top = Top();
    if (f == sfReal) {
        if (top.kind != MacroCell::kText && top.kind != MacroCell::kNumber) ThrowRunError(kRunType, address);
        // The text read as an expression; a number has no text, and the
        // empty text is the evaluator's error.
        const std::string text = top.kind == MacroCell::kText
                                     ? cp932::ToUtf8(std::string(top.text, strnlen(top.text, MacroStack::kTextBytes)))
                                     : std::string();
        CalcStr& calc = state_.Evaluator();
        const double x = calc.Calculate(text);
        const bool incomplete = calc.IsIncomplete();
        MacroCell& cell = Top();
        cell.kind = MacroCell::kNumber;
        cell.number = incomplete ? 0.0 : x;
        if (incomplete) ThrowRunError(kRunType, address);
        return;
    }
    if (top.kind != MacroCell::kNumber) ThrowRunError(kRunType, address);
    CallScalarFunction(f, &top.number, &b, &c);
}

void MacroRun::VariableWideFunction(int f, int count, int address) {
    std::vector<double> v;
    try {
        v = GatherArguments(count);
    } catch (const std::bad_alloc&) {
        // The instruction ends without a value; the run goes on.
        ShowMemoryError(state_.Services());
        return;
    }
    const int n = static_cast<int>(v.size());
    // An empty list has no value: the range error.
    if (n < 1) ThrowRunError(kRunRange, address);
    // Checked before the sorting functions reorder the values.
    const bool finite = std::all_of(v.begin(), v.end(), [](double x) { return std::isfinite(x); });
    double ss = 0.0, mean = 0.0, lo = 0.0, hi = 0.0;
    double r = 0.0;
    switch (f - kFncFirstCounted) {
        case wfVarp: MeanAndSumOfSquares(&ss, &mean, n, v.data()); r = ss / n; break;
        case wfVariable: MeanAndSumOfSquares(&ss, &mean, n, v.data()); r = n < 2 ? ss / n : ss / (n - 1); break;
        case wfMean: MeanAndSumOfSquares(&ss, &mean, n, v.data()); r = mean; break;
        case wfGeomean:
        case wfHarmean: {
            double geo = 0.0, harm = 0.0;
            if (!GeometricHarmonicMeans(&geo, &harm, n, v.data())) RangeFailure();
            r = f - kFncFirstCounted == wfGeomean ? geo : harm;
            break;
        }
        case wfMax: RangeOfDoubles(&lo, &hi, n, v.data()); r = hi; break;
        case wfMin: RangeOfDoubles(&lo, &hi, n, v.data()); r = lo; break;
        case wfMedian: r = Median(v.data(), n); break;
        // The first value is the parameter; without data after it there is
        // nothing to take.
        case wfTrimmean:
            if (n < 2) RangeFailure();
            r = TrimMean(v.data(), n);
            break;
        case wfSum: r = SumDoubles(n, v.data()); break;
        case wfPercentile:
            if (n < 2) RangeFailure();
            r = Percentile(v.data(), n);
            break;
        default: r = EvalPolynomial(v.data() + 1, n - 1, v[0]); break;
    }
    // Sums and squares of finite values may overflow: the math error.
    if (finite && !std::isfinite(r)) throw EMathError(LoadStr(kStrRangeError));
    PushNumber(r);
}

// LUV 10 + f: the arguments are on the value stack, the last one on top.
void MacroRun::CallUserFunction(int f, int address) {
    if (f < 0 || f >= UserFunc::kCount) ThrowRunError(kRunRange, address);
    UserFunctionLink& link = state_.FunctionLink();
    const int p = link.ParameterCount(f);
    const int slots = link.SlotCount(f);
    if (p < 0 || static_cast<std::size_t>(p) > cellCount_) ThrowRunError(kRunSystem, address);
    std::vector<double> args(static_cast<std::size_t>(p));
    for (int i = p - 1; i >= 0; --i) args[static_cast<std::size_t>(i)] = PopNumber();
    EvalRunState& run = state_.EvalRun();
    StartUserCallBudget(run);
    double value = 0.0;
    {
        UserCallScope scope(run, link, f);
        for (int i = 0; i < p && i < slots; ++i) link.SetSlot(f, i, args[static_cast<std::size_t>(i)]);
        run.currentUserFunction = f;
        for (int i = p; i < slots; ++i) link.SetSlot(f, i, 0.0);
        value = link.Evaluate(f);
    }
    PushNumber(value);
}
