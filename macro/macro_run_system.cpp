// The "%" system commands of a run: dispatch, the macro's arrays, and the
// edits of observations, variables and groups. Every change of the data set
// goes through the undoable data-edit commands, so a macro's edits undo
// step by step like the user's. Indices, ranges and array sizes are checked
// here first: a bad one is the range error of the run.
#include <climits>
#include <memory>
#include <cmath>
#include <utility>

#include "core/data/group_mask.h"
#include "core/data/variable.h"
#include "core/model/data_edit_commands.h"
#include "core/model/regression_model.h"
#include "core/settings/file_services.h"
#include "eval/app_state.h"
#include "macro/macro_run.h"
#include "macro/macro_run_errors.h"
#include "platform/text/cp932.h"

namespace {

enum : int {
    kAddData = 0, kInsData, kDelData, kXchgData, kAddVar, kInsVar, kDelVar, kXchgVar, kRename, kSet,
    kGetVar, kPutVar, kLoad, kSave, kPath, kGroup, kGrpClr, kSort, kTrend, kTrendUnscaled,
    kPredict, kResidual, kVarType, kUndo, kRedo, kUserVar,
};

// Commands that work without an open data set.
bool NeedsNoDataSet(int command) {
    switch (command) {
        case kAddVar: case kGetVar: case kPutVar: case kLoad: case kPath: case kUndo: case kRedo: case kUserVar:
            return true;
        default: return false;
    }
}

DataEdit EditOf(AppState& state, Reg& m) {
    return DataEdit{m, state.Undo(), [&state](const std::string& name) { return state.IsReservedName(name); }};
}

}  // namespace

void MacroRun::SysCommand(int command, int a, int b, int c, int address) {
    // The fits and the type change name variables of a data set: without
    // one their arguments are of the wrong kind.
    const bool namesVariables = command == kPredict || command == kResidual || command == kVarType;
    if (namesVariables && state_.Model() == nullptr) ThrowRunError(kRunType, address);
    if (!NeedsNoDataSet(command)) RequireModel(address);
    switch (command) {
        case kAddData: case kInsData: case kDelData: case kXchgData:
            SysEditObservations(command, a, b, address);
            break;
        case kAddVar: case kInsVar: case kDelVar: case kXchgVar: case kRename: case kSet: case kVarType:
            SysEditVariables(command, a, b, address);
            break;
        case kGetVar: SysStoredValues(false, a, b, address); break;
        case kPutVar: SysStoredValues(true, a, b, address); break;
        case kLoad: SysLoad(address); break;
        case kSave: SysSave(address); break;
        case kPath: static_cast<void>(ChooseDirectory(state_.Services(), state_.MacroFolder())); break;
        case kGroup: case kGrpClr: case kSort: SysGroups(command, a, address); break;
        case kTrend: SysTrend(true, a, b, address); break;
        case kTrendUnscaled: SysTrend(false, a, b, address); break;
        case kPredict: SysFit(false, a, b, c, address); break;
        case kResidual: SysFit(true, a, b, c, address); break;
        case kUndo: SysUndoRedo(true); break;
        case kRedo: SysUndoRedo(false); break;
        // The data bank of the user scalars with "file", else the settings bank.
        case kUserVar: state_.UserScalars().SetBankSwitch(b == 1 ? 1 : 0); break;
        default: ThrowRunError(kRunSystem, address);
    }
}

// --- the macro's arrays ------------------------------------------------------------

MacroRun::ArraySlot MacroRun::SysArray(int level, int offset) const {
    const MacroStack& s = *stack_;
    const long long w = static_cast<long long>(FrameOfLevel(level)) + offset;
    if (w < 0 || w > INT_MAX - 4) ThrowRunError(kRunSystem, 0);
    const int at = static_cast<int>(w);
    s.Check(at, 4);
    ArraySlot slot{s.Word(at), s.Word(at + 1)};
    if (slot.count < 0 || slot.count > MacroStack::kMaxWords / 2) ThrowRunError(kRunSystem, 0);
    s.Check(slot.first, 2 * slot.count);
    return slot;
}

std::vector<double> MacroRun::ArrayValues(const ArraySlot& array, int n, int address) const {
    if (n < 0 || n > array.count) ThrowRunError(kRunRange, address);
    std::vector<double> out(static_cast<std::size_t>(n));
    for (int i = 0; i < n; ++i) out[static_cast<std::size_t>(i)] = stack_->Double(array.first + 2 * i);
    return out;
}

void MacroRun::StoreArrayValues(const ArraySlot& array, const std::vector<double>& values, int address) {
    if (values.size() > static_cast<std::size_t>(array.count)) ThrowRunError(kRunRange, address);
    for (std::size_t i = 0; i < values.size(); ++i)
        stack_->SetDouble(array.first + 2 * static_cast<int>(i), values[i]);
}

// --- numbers and names popped --------------------------------------------------------

int MacroRun::PopIndex(int count, int address) {
    const double x = std::trunc(PopNumber());
    if (!(x >= 1.0 && x <= static_cast<double>(count))) ThrowRunError(kRunRange, address);
    return static_cast<int>(x) - 1;
}

int MacroRun::PopVariable(const Reg& m, int address) {
    const MacroCell::Kind kind = Top().kind;
    if (kind == MacroCell::kNumber) return PopIndex(m.GetVarCount(), address);
    if (kind != MacroCell::kText) ThrowRunError(kRunType, -1);
    const int j = m.FindVar(cp932::ToUtf8(PopText()));
    if (j < 0) ThrowRunError(kRunRange, address);
    return j;
}

// --- observations ------------------------------------------------------------------------

void MacroRun::SysEditObservations(int command, int a, int b, int address) {
    Reg& m = RequireModel(address);
    const DataEdit edit = EditOf(state_, m);
    const int n = m.GetObsCount();
    switch (command) {
        case kAddData: {
            const std::vector<double> row = ArrayValues(SysArray(a, b), m.GetVarCount(), address);
            AppendObservationWithUndo(edit, row);
            return;
        }
        case kInsData: {
            // A 0-based position: before the first .. after the last.
            const double p = std::trunc(PopNumber());
            if (!(p >= 0.0 && p <= static_cast<double>(n))) ThrowRunError(kRunRange, address);
            const std::vector<double> row = ArrayValues(SysArray(a, b), m.GetVarCount(), address);
            InsertObservationWithUndo(edit, static_cast<int>(p), row);
            return;
        }
        case kDelData: {
            if (a < 1 || static_cast<std::size_t>(a) > cellCount_) ThrowRunError(kRunSystem, address);
            std::vector<int> list;
            for (int i = 0; i < a; ++i) list.push_back(PopIndex(n, address));
            DeleteObservationsWithUndo(edit, std::move(list));
            return;
        }
        case kXchgData: {
            const int j = PopIndex(n, address);
            const int i = PopIndex(n, address);
            ExchangeObservationsWithUndo(edit, i, j);
            return;
        }
        default: ThrowRunError(kRunSystem, address);
    }
}

// --- variables ----------------------------------------------------------------------------

void MacroRun::SysEditVariables(int command, int a, int b, int address) {
    Reg* open = state_.Model();
    if (command == kAddVar && open == nullptr) {
        // The first variable makes the data set: as many observations as
        // the array has elements.
        const std::string name = cp932::ToUtf8(PopText());
        const ArraySlot array = SysArray(a, b);
        const std::vector<double> values = ArrayValues(array, array.count, address);
        Var v(name, "", values.data(), static_cast<int>(values.size()));
        std::unique_ptr<Reg> made = MakeModelFromVariable(v, &state_.Context());
        CheckVariableName(EditOf(state_, *made), name, 0);
        state_.SetModel(std::move(made));
        state_.Services().RefreshAfterLoad();
        return;
    }
    Reg& m = RequireModel(address);
    const DataEdit edit = EditOf(state_, m);
    const int n = m.GetObsCount();
    const int k = m.GetVarCount();
    switch (command) {
        case kAddVar: {
            const std::string name = cp932::ToUtf8(PopText());
            const std::vector<double> values = ArrayValues(SysArray(a, b), n, address);
            Var v(name, "", values.data(), n);
            AddVariableWithUndo(edit, v);
            return;
        }
        case kInsVar: {
            // Before variable i; one past the last appends.
            const int i = PopIndex(k + 1, address);
            const std::string name = cp932::ToUtf8(PopText());
            const std::vector<double> values = ArrayValues(SysArray(a, b), n, address);
            Var v(name, "", values.data(), n);
            InsertVariableWithUndo(edit, i, v);
            return;
        }
        case kDelVar: {
            const MacroCell::Kind kind = Top().kind;
            if (kind == MacroCell::kText) {
                DeleteVariableWithUndo(edit, cp932::ToUtf8(PopText()));
                return;
            }
            if (kind != MacroCell::kNumber) ThrowRunError(kRunType, -1);
            DeleteVariableWithUndo(edit, m.GetVarName(PopIndex(k, address)));
            return;
        }
        case kXchgVar: {
            const int j = PopVariable(m, address);
            const int i = PopVariable(m, address);
            ExchangeVariablesWithUndo(edit, i, j);
            return;
        }
        case kRename: {
            // The statement lists the old name first: the new one is on top.
            if (Top().kind != MacroCell::kText) ThrowRunError(kRunType, -1);
            const std::string newName = cp932::ToUtf8(PopText());
            if (Top().kind != MacroCell::kText) ThrowRunError(kRunType, -1);
            const std::string oldName = cp932::ToUtf8(PopText());
            static_cast<void>(RenameVariableWithUndo(edit, oldName, newName, true));
            return;
        }
        case kSet: {
            const int j = PopIndex(k, address);
            const std::vector<double> values = ArrayValues(SysArray(a, b), n, address);
            SetVariableValuesWithUndo(edit, j, values);
            return;
        }
        case kVarType: {
            const int j = PopIndex(k, address);
            if (b < Var::kUndefined || b > Var::kLagged) ThrowRunError(kRunRange, address);
            SetVariableTypeWithUndo(edit, j, b, true);
            return;
        }
        default: ThrowRunError(kRunSystem, address);
    }
}

// --- groups and order ------------------------------------------------------------------------

void MacroRun::SysGroups(int command, int a, int address) {
    Reg& m = RequireModel(address);
    const DataEdit edit = EditOf(state_, m);
    const int n = m.GetObsCount();
    const int k = m.GetVarCount();
    if (command == kSort) {
        // The variable is clamped into range rather than refused.
        double v = std::trunc(PopNumber()) - 1.0;
        if (!(v >= 0.0)) v = 0.0;
        if (v >= k) v = k - 1;
        SortObservationsWithUndo(edit, static_cast<int>(v), a == 1);
        return;
    }
    int last = PopIndex(n, address);
    int first = PopIndex(n, address);
    if (first > last) std::swap(first, last);
    const int v = PopIndex(k, address);
    if (command == kGrpClr) {
        ClearGroupRangeWithUndo(edit, v, first, v, last);
        return;
    }
    const double g = std::trunc(PopNumber());
    if (!(g >= 1.0 && g <= 16.0)) ThrowRunError(kRunRange, address);
    // Written with "-": the cells join the group; otherwise each cell
    // changes its membership.
    const std::uint16_t mask = GroupBit(static_cast<int>(g));
    if (a == 1) {
        SetGroupRangeWithUndo(edit, v, first, v, last, true, mask);
    } else {
        ToggleGroupRangeWithUndo(edit, v, first, v, last, mask);
    }
}
