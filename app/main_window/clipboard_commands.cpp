// Undo, redo and the clipboard commands of the main window. The clipboard
// moves whole observations: every variable's value and group word of each
// marked observation, through the program's own buffer or the system
// clipboard as the settings say. Each command is one undo step.
#include <QAction>

#include "app/main_window/main_window.h"
#include "app/settings/settings_dialog.h"
#include "core/model/data_edit_commands.h"
#include "core/model/regression_model.h"
#include "eval/app_state.h"
#include "platform/errors.h"

namespace {

DataEdit EditFor(AppState& state) {
    return DataEdit{*state.Model(), state.Undo(), [&state](const std::string& n) { return state.IsReservedName(n); }};
}

}  // namespace

bool TfrmREG::OsClip() const { return settings_ && settings_->Values().OS_Clip; }

std::vector<int> TfrmREG::MarkedObservations() const {
    std::vector<int> out;
    const Reg* model = state_.Model();
    if (!model) return out;
    const int n = std::min(model->GetObsCount(), ObservationMarks.Count());
    for (int i = 0; i < n; ++i)
        if (IsMarked(ObservationMarks, i)) out.push_back(i);
    return out;
}

std::vector<int> TfrmREG::CopyMarkedObservations() {
    const Reg& model = *state_.Model();
    const std::vector<int> marked = MarkedObservations();
    if (marked.empty()) return marked;
    const int k = model.GetVarCount();
    DataString cells;
    for (int i : marked)
        for (int j = 0; j < k; ++j) cells.Add(DataCell(model.GetMark(i, j), model.GetValue(i, j)));
    clip_.CopyToClipboard(cells, OsClip(), state_.Services());
    return marked;
}

void TfrmREG::CopyEditExecute() {
    if (!state_.Model()) return;
    if (!CopyMarkedObservations().empty()) ObservationMarks.Clear();
    RefreshActivePage();
    UpdateClipboardActions();
    Action("PasteEdit")->setEnabled(clip_.ClipboardLineCount(OsClip(), state_.Services()) > 0);
}

void TfrmREG::CutEditExecute() {
    Reg* model = state_.Model();
    if (!model) return;
    // Refused before anything reaches the clipboard: one observation stays.
    if (!MarkedObservations().empty() && static_cast<int>(MarkedObservations().size()) >= model->GetObsCount())
        throw Exception("すべてのデータ組は削除できません。");
    const std::vector<int> marked = CopyMarkedObservations();
    if (!marked.empty()) DeleteObservationsWithUndo(EditFor(state_), marked);
    ObservationMarks.Reset(model->GetObsCount());
    MarkAnchor = -1;
    UpdateClipboardActions();
    Action("PasteEdit")->setEnabled(clip_.ClipboardLineCount(OsClip(), state_.Services()) > 0);
    RefreshActivePage();
    UpdateCaption();
}

void TfrmREG::PasteEditExecute() {
    Reg* model = state_.Model();
    if (!model) return;
    const int k = model->GetVarCount();
    if (k < 1 || clip_.ClipboardLineCount(OsClip(), state_.Services()) / k < 1) return;
    DataString cells;
    clip_.PasteFromClipboard(cells, OsClip(), state_.Services(), state_.Context().Evaluator());
    // Whole observations only; cells past the last one are left out.
    const int rows = cells.Count() / k;
    if (rows < 1) return;
    std::vector<DataString> runs(static_cast<std::size_t>(rows));
    for (int r = 0; r < rows; ++r)
        for (int j = 0; j < k; ++j) runs[static_cast<std::size_t>(r)].Add(cells.GetCell(r * k + j));
    const std::vector<int> marked = MarkedObservations();
    const int at = marked.empty() ? model->GetObsCount() : marked.front();
    InsertRowsWithUndo(EditFor(state_), at, runs);
    clip_.Clear(OsClip(), state_.Services());
    ObservationMarks.Reset(model->GetObsCount());
    MarkAnchor = -1;
    RefreshActivePage();
    UpdateClipboardActions();
    Action("PasteEdit")->setEnabled(false);
    UpdateCaption();
}

void TfrmREG::AfterUndoStep() {
    Reg* model = state_.Model();
    RefreshVariableList();
    UpdateTwoStageIndicator();
    ObservationMarks.Reset(model->GetObsCount());
    MarkAnchor = -1;
    RefreshActivePage();
    UpdateClipboardActions();
    UpdateCaption();
    state_.Services().SetUndoEditEnabled(state_.Undo().CanUndo());
    state_.Services().SetRedoEditEnabled(state_.Undo().CanRedo());
}

void TfrmREG::UndoEditExecute() {
    Reg* model = state_.Model();
    if (!model || !state_.Undo().Undo(*model)) return;
    AfterUndoStep();
}

void TfrmREG::RedoEditExecute() {
    Reg* model = state_.Model();
    if (!model || !state_.Undo().Redo(*model)) return;
    AfterUndoStep();
}
