// The "%" commands on files and on the edit history: values of variables
// stored in other data files, loading and saving the data set, undo and
// redo. File names are put after the run's folder without a separator.
#include <climits>
#include <cmath>
#include <memory>

#include "core/io/stored_variables.h"
#include "core/model/regression_file.h"
#include "core/model/regression_model.h"
#include "eval/app_state.h"
#include "macro/macro_run.h"
#include "macro/macro_run_errors.h"
#include "platform/text/cp932.h"

// Pops (top first) the count n, the first observation s, the variable's
// name and the file's name.
void MacroRun::SysStoredValues(bool write, int a, int b, int address) {
    const double n = std::trunc(PopNumber());
    const double s = std::trunc(PopNumber());
    const std::string name = cp932::ToUtf8(PopText());
    const std::string file = state_.MacroFolder() + cp932::ToUtf8(PopText());
    const ArraySlot array = SysArray(a, b);
    if (!(n >= 0.0 && n <= static_cast<double>(array.count))) ThrowRunError(kRunRange, address);
    if (!(s >= 1.0 && s <= static_cast<double>(INT_MAX))) ThrowRunError(kRunRange, address);
    const int count = static_cast<int>(n);
    const int start = static_cast<int>(s) - 1;
    if (write) {
        const std::vector<double> values = ArrayValues(array, count, address);
        static_cast<void>(WriteStoredVariableValues(file, name, start, count, values.data(), state_.Context().Fsync()));
        return;
    }
    std::vector<double> values(static_cast<std::size_t>(count));
    ReadStoredVariableValues(file, name, start, count, values.data());
    StoreArrayValues(array, values, address);
}

void MacroRun::SysLoad(int address) {
    const std::string file = state_.MacroFolder() + cp932::ToUtf8(PopText());
    // Cancelled, or the save failed: the open data set stays and the run
    // ends as if stopped.
    if (!state_.Services().ConfirmSaveIfModified()) ThrowRunError(kRunSystem, address);
    // Read into a fresh model; the open one goes only when that worked.
    auto fresh = std::make_unique<Reg>(state_.Context(), 3, 2);
    fresh->SetFileCompanions(&state_.FileCompanions());
    GridColorList formerColors;
    formerColors.Assign(state_.Colors());
    state_.Colors().Clear();
    try {
        LoadFile(*fresh, file);
    } catch (...) {
        state_.Colors().Assign(formerColors);
        throw;
    }
    state_.SetModel(std::move(fresh));
    state_.Services().RefreshAfterLoad();
}

void MacroRun::SysSave(int address) {
    Reg& m = RequireModel(address);
    SaveAs(m, state_.MacroFolder() + cp932::ToUtf8(PopText()));
    state_.Undo().MarkSaved();
}

// The main window's undo and redo; without a window the store's own step.
void MacroRun::SysUndoRedo(bool undo) {
    UiServices& ui = state_.Services();
    if (undo ? ui.UndoEditCommand() : ui.RedoEditCommand()) return;
    Reg* m = state_.Model();
    if (m == nullptr) return;
    static_cast<void>(undo ? state_.Undo().Undo(*m) : state_.Undo().Redo(*m));
}
