// Ranges of a macro run: array ranges (SPA), data ranges (SPS) of variables,
// design columns and result rows, their element functions, and the
// argument lists of the variable-wide functions built from them.
#include <algorithm>
#include <cmath>

#include "core/model/regression_model.h"
#include "eval/app_state.h"
#include "eval/calc_str_user_function.h"
#include "eval/scalar_functions.h"
#include "macro/macro_opcodes.h"
#include "macro/macro_run.h"
#include "macro/macro_run_errors.h"

namespace {

inline std::int32_t Int(const std::uint8_t* p) { return ReadCodeInt(p); }

// Element functions from this value up to -1 mean "none"; below it a user
// function, f + 100.
constexpr int kNoElementFunction = -90;
constexpr int kUserFunctionBase = -100;
// The SPS source of a result row is its row code minus this.
constexpr int kResultSourceBase = 300;

bool IsUserElement(int f) { return f < kNoElementFunction; }
bool IsScalarElement(int f) { return f >= 0; }

// A 1-based bound truncated and made 0-based, held within int.
int BoundIndex(double x, int address) {
    const double t = std::trunc(x);
    if (std::isnan(t)) ThrowRunError(kRunRange, address);
    return static_cast<int>(std::clamp(t, -2147483647.0, 2147483647.0)) - 1;
}

}  // namespace

int MacroRun::ElementExtras(int f, int address) const {
    if (IsScalarElement(f)) {
        if (f > sfQf && f != sfLarger && f != sfSmaller) ThrowRunError(kRunSystem, address);
        // "max" and "min" are written without a second value.
        if (f == sfLarger || f == sfSmaller) return 0;
        if (f >= sfPf) return 2;
        return f >= sfBce ? 1 : 0;
    }
    if (!IsUserElement(f)) return 0;
    const int u = f - kUserFunctionBase;
    if (u < 0 || u >= UserFunc::kCount) ThrowRunError(kRunSystem, address);
    return std::max(state_.FunctionLink().ParameterCount(u) - 1, 0);
}

std::pair<int, int> MacroRun::RangeBounds(int f, int count, int& extras, int address) {
    extras = ElementExtras(f, address);
    if (static_cast<std::size_t>(extras) + 2 > cellCount_) ThrowRunError(kRunSystem, address);
    // The further arguments lie above the bounds; they go back in place.
    const std::size_t firstExtra = cellCount_ - static_cast<std::size_t>(extras);
    for (std::size_t i = firstExtra; i < cellCount_; ++i)
        if (cells_[i].kind != MacroCell::kNumber) ThrowRunError(kRunType, 0);
    const MacroCell& lastCell = cells_[firstExtra - 1];
    const MacroCell& firstCell = cells_[firstExtra - 2];
    if (lastCell.kind != MacroCell::kNumber || firstCell.kind != MacroCell::kNumber) ThrowRunError(kRunType, 0);
    int first = BoundIndex(firstCell.number, address);
    int last = BoundIndex(lastCell.number, address);
    std::copy(cells_.begin() + static_cast<std::ptrdiff_t>(firstExtra), cells_.begin() + static_cast<std::ptrdiff_t>(cellCount_),
              cells_.begin() + static_cast<std::ptrdiff_t>(firstExtra - 2));
    cellCount_ -= 2;
    if (count < 1) ThrowRunError(kRunRange, address);
    if (first > last) std::swap(first, last);
    return {std::clamp(first, 0, count - 1), std::clamp(last, 0, count - 1)};
}

void MacroRun::ArrayRange(const std::uint8_t* p, int address) {
    const int f = Int(p + kVariableRefBytes);
    const int w = VariableWord(p);
    stack_->Check(w, 4);
    int extras = 0;
    const auto [first, last] = RangeBounds(f, stack_->Word(w + 1), extras, address);
    MacroCell& c = PushCell(MacroCell::kRange);
    c.source = MacroCell::kArray;
    c.ints[0] = stack_->Word(w);
    c.ints[1] = f;
    c.ints[2] = first;
    c.ints[3] = last;
    c.extras = extras;
}

void MacroRun::DataRange(const std::uint8_t* p, int address) {
    Reg& m = RequireModel(address);
    const int f = Int(p + 1);
    const int v = Int(p + 5);
    int extras = 0;
    const auto [first, last] = RangeBounds(f, m.GetObsCount(), extras, address);
    MacroCell& c = PushCell(MacroCell::kRange);
    // A negative source is a result row, whatever the ".." flag says.
    if (v < 0) {
        c.source = MacroCell::kResult;
        c.ints[0] = v + kResultSourceBase;
    } else {
        c.source = p[0] != 0 ? MacroCell::kDesign : MacroCell::kData;
        c.ints[0] = v;
    }
    c.ints[1] = f;
    c.ints[2] = first;
    c.ints[3] = last;
    c.extras = extras;
}

std::vector<double> MacroRun::SourceValues(const MacroCell& c) {
    // Data and arrays are read as they are; anything estimated from them
    // must be brought up to date first.
    if (c.source != MacroCell::kArray && c.source != MacroCell::kDescriptor && c.source != MacroCell::kData)
        BringModelUpToDate();
    std::vector<double> out;
    const int first = c.ints[2];
    const int last = c.ints[3];
    if (c.source == MacroCell::kDescriptor) {
        const int count = c.ints[1];
        stack_->Check(c.ints[0], 2 * std::max(count, 0));
        out.reserve(static_cast<std::size_t>(std::max(count, 0)));
        for (int i = 0; i < count; ++i) out.push_back(stack_->Double(c.ints[0] + 2 * i));
        return out;
    }
    if (first < 0 || last < first) ThrowRunError(kRunRange, 0);
    out.reserve(static_cast<std::size_t>(last - first + 1));
    if (c.source == MacroCell::kArray) {
        stack_->Check(c.ints[0] + 2 * first, 2 * (last - first + 1));
        for (int i = first; i <= last; ++i) out.push_back(stack_->Double(c.ints[0] + 2 * i));
        return out;
    }
    Reg& m = RequireModel(0);
    const int j = c.ints[0];
    if (last >= m.GetObsCount()) ThrowRunError(kRunRange, 0);
    switch (c.source) {
        case MacroCell::kData:
            if (j < 0 || j >= m.GetVarCount()) ThrowRunError(kRunRange, 0);
            for (int i = first; i <= last; ++i) out.push_back(m.GetValue(i, j));
            break;
        case MacroCell::kDesign: {
            const Matrix& design = m.Design();
            if (j < 0 || j >= design.Cols() || last >= design.Rows()) ThrowRunError(kRunRange, 0);
            for (int i = first; i <= last; ++i) out.push_back(design.At(i, j));
            break;
        }
        case MacroCell::kResult: {
            m.RequireEstimate();
            const RAData& table = m.Analysis();
            if (table.RowOf(j) < 0 || last >= table.Columns()) ThrowRunError(kRunRange, 0);
            for (int i = first; i <= last; ++i) out.push_back(table.GetValue(j, i));
            break;
        }
        default: ThrowRunError(kRunType, 1);
    }
    return out;
}

void MacroRun::MapElements(const MacroCell& c, const std::vector<double>& extras, std::vector<double>& values) {
    const int f = c.ints[1];
    if (IsScalarElement(f)) {
        double b = extras.size() > 0 ? extras[0] : 0.0;
        double d = extras.size() > 1 ? extras[1] : 0.0;
        for (double& x : values) {
            double bb = b, dd = d;
            CallScalarFunction(f, &x, &bb, &dd);
        }
        return;
    }
    if (!IsUserElement(f)) return;
    const int u = f - kUserFunctionBase;
    if (u < 0 || u >= UserFunc::kCount) ThrowRunError(kRunSystem, 0);
    // A user function may read results or statistics.
    BringModelUpToDate();
    UserFunctionLink& link = state_.FunctionLink();
    EvalRunState& run = state_.EvalRun();
    StartUserCallBudget(run);
    // One call scope for the whole range: the first parameter takes each
    // element, the others the further arguments.
    UserCallScope scope(run, link, u);
    run.currentUserFunction = u;
    for (std::size_t a = 0; a < extras.size(); ++a) link.SetSlot(u, static_cast<int>(a) + 1, extras[a]);
    for (double& x : values) {
        link.SetSlot(u, 0, x);
        x = link.Evaluate(u);
    }
}

std::vector<double> MacroRun::RangeValues(const MacroCell& c) {
    const int n = c.source == MacroCell::kDescriptor ? 0 : c.extras;
    if (n < 0 || static_cast<std::size_t>(n) > cellCount_) ThrowRunError(kRunSystem, 0);
    // Written first, so the last one is on top.
    std::vector<double> extras(static_cast<std::size_t>(n));
    for (int i = n - 1; i >= 0; --i) extras[static_cast<std::size_t>(i)] = PopNumber();
    std::vector<double> values = SourceValues(c);
    if (c.source != MacroCell::kDescriptor) MapElements(c, extras, values);
    return values;
}

std::vector<double> MacroRun::GatherArguments(int n) {
    if (n < 0 || static_cast<std::size_t>(n) > cellCount_) ThrowRunError(kRunSystem, 0);
    std::vector<std::vector<double>> parts;
    parts.reserve(static_cast<std::size_t>(n));
    for (int i = 0; i < n; ++i) {
        const MacroCell& c = Top();
        if (c.kind == MacroCell::kNumber) {
            parts.push_back({PopNumber()});
        } else if (c.kind == MacroCell::kRange) {
            parts.push_back(RangeValues(PopRange()));
        } else {
            ThrowRunError(kRunType, 0);
        }
    }
    std::vector<double> out;
    for (auto it = parts.rbegin(); it != parts.rend(); ++it) out.insert(out.end(), it->begin(), it->end());
    return out;
}
