// Find and replace commands of the main window: one cell per command, the
// repeat commands going on from the last cell found.
#include <QTabWidget>
#include <cmath>

#include "macro/macro_engine.h"
#include "components/view/field_formula.h"
#include "app/dialogs/find_dialogs.h"
#include "app/main_window/main_window.h"
#include "core/model/data_edit_commands.h"
#include "core/model/regression_model.h"
#include "core/text/number_format.h"
#include "eval/app_state.h"
#include "eval/calc_str.h"
#include "platform/errors.h"
#include "platform/qt/string_grid.h"

namespace {

const char* const kNotFinite = "数値になりません";

}  // namespace

void TfrmREG::SetFindWindows(TfrmFind* find, TfrmReplace* replace) {
    find_ = find;
    replace_ = replace;
    FindEvaluator evaluator{[this](const std::string& text) {
                                const std::optional<double> v = EvaluateFieldFormula(state_, text);
                                if (!v) throw EFormulaShown();
                                if (!std::isfinite(*v)) throw EMathError(std::string(kNotFinite) + " : " + text);
                                return *v;
                            },
                            [this](double v) { GetMacroEngine(state_).host.SetCurrentValue(v); }};
    for (TfrmFind* dialog : {static_cast<TfrmFind*>(find), static_cast<TfrmFind*>(replace)}) {
        if (!dialog) continue;
        dialog->SetEvaluator(evaluator);
        dialog->SetServices(&state_.Services());
    }
}

void TfrmREG::RunFind(TfrmFind& dialog, bool withDialog) {
    Reg* model = state_.Model();
    if (!model || (!withDialog && !dialog.HasValue())) return;
    dialog.SetPosition(model, sgEdit->Row() - 1, sgEdit->Col() - 1);
    if (withDialog && dialog.exec() != mrOK) return;
    int i = 0, j = 0;
    if (!dialog.Search(!withDialog, i, j)) return;
    ShowEditPage();
    sgEdit->SetCurrentCell(j + 1, i + 1);
    sgEditClick();
    tsEditShow();
}

void TfrmREG::FindDataExecute() {
    if (find_) RunFind(*find_, true);
}

void TfrmREG::FindNextExecute() {
    if (find_) RunFind(*find_, false);
}

void TfrmREG::RunReplace(bool withDialog) {
    Reg* model = state_.Model();
    if (!model || !replace_ || (!withDialog && !replace_->HasValue())) return;
    replace_->SetPosition(model, sgEdit->Row() - 1, sgEdit->Col() - 1);
    if (withDialog && replace_->exec() != mrOK) return;
    int i = 0, j = 0;
    if (!replace_->Search(!withDialog, i, j)) return;
    ShowEditPage();
    sgEdit->SetCurrentCell(j + 1, i + 1);
    sgEditClick();
    const double old = model->GetValue(i, j);
    const double replacement = replace_->ReplacementValue(old);
    const std::string question =
        "置換しますか？\n" + FormatNumber(false, old) + " ---> " + FormatNumber(false, replacement);
    if (state_.Services().ShowMessageBox(MsgKind::Confirmation, question, mbYesNo) == mrYes) {
        DataEdit ed{*model, state_.Undo(), [this](const std::string& n) { return state_.IsReservedName(n); }};
        SetCellValueWithUndo(ed, i, j, replacement);
    }
    // The grid and the input box show the cell as it is now.
    RefreshActivePage();
}

void TfrmREG::ReplaceDataExecute() { RunReplace(true); }

void TfrmREG::ReplaceNextExecute() { RunReplace(false); }
