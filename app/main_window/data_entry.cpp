// The data grid's value entry: the input box, continuous input, range
// editing and value-by-value entry of a series. Every change goes through
// the undoable data-edit commands.
#include <QAbstractItemView>
#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QTabWidget>
#include <cmath>
#include <span>

#include "components/view/field_formula.h"
#include "components/view/grid_marks.h"
#include "app/main_window/formula_range.h"
#include "app/main_window/main_window.h"
#include "app/placeholder_windows.h"
#include "core/data/variable_type_names.h"
#include "core/data/variable.h"
#include "core/model/data_edit_commands.h"
#include "core/model/regression_model.h"
#include "core/numeric/vector.h"
#include "core/text/field_split.h"
#include "core/text/float_format.h"
#include "core/text/number_format.h"
#include "eval/app_state.h"
#include "eval/calc_str.h"
#include "platform/command_guard.h"
#include "platform/errors.h"
#include "platform/qt/string_grid.h"
#include "resources/string_table.h"

namespace {

const char* const kRunError = "【式実行時エラー】\n";
const char* const kNotFinite = "数値になりません";

DataEdit EditOf(AppState& state) {
    return DataEdit{*state.Model(), state.Undo(), [&state](const std::string& n) { return state.IsReservedName(n); }};
}

bool IsNavigationCode(int code) { return (code >= 100 && code <= 108) || (code >= 200 && code <= 203); }

}  // namespace

bool TfrmREG::EvaluateEntry(const std::string& text, double& value) {
    // Through the macro engine, which shows its own errors.
    const std::optional<double> v = EvaluateFieldFormula(state_, text);
    if (!v) return false;
    if (!std::isfinite(*v)) {
        state_.Services().ShowMessageBox(MsgKind::Error, std::string(kRunError) + kNotFinite, mbOK);
        return false;
    }
    value = *v;
    return true;
}

std::optional<std::string> TfrmREG::Ask(const std::string& prompt, const std::vector<std::string>& items,
                                        const std::string& initial) {
    const InputAnswer a = state_.Services().AskInput(prompt, items, initial);
    if (a.result != mrOK) return std::nullopt;
    return a.text;
}

void TfrmREG::cbInputKeyPress(int key) {
    if (key != '\r') return;
    Reg* model = state_.Model();
    if (!model) return;
    const QString typed = cbInput->currentText().trimmed();
    if (typed.isEmpty()) return;
    const int i = sgEdit->Row() - 1, j = sgEdit->Col() - 1;
    const bool inData = i >= 0 && j >= 0 && i < model->GetObsCount() && j < model->GetVarCount();
    // The cell's own value, untouched, is not written back: its text has 15
    // digits, and the cell may hold more.
    const bool untouched = inputHoldsCell_;
    // "@@" is the cell's value as it is now.
    if (inData) state_.Evaluator().SetCurrentValue(model->GetValue(i, j));
    double value = 0.0;
    const bool ok = !untouched && EvaluateEntry(typed.toStdString(), value);
    // The history keeps every text once, failed ones too, so they can be fixed.
    if (cbInput->findText(typed, Qt::MatchExactly | Qt::MatchCaseSensitive) < 0) {
        cbInput->addItem(typed);
        cbInput->setEditText(typed);
    }
    if (ok && inData) {
        SetCellValueWithUndo(EditOf(state_), i, j, value);
        RefreshActivePage();
    }
    if (PC->currentWidget() == tsEdit) sgEdit->setFocus();
}

void TfrmREG::ConnectInputBox() {
    QLineEdit* line = cbInput->lineEdit();
    // Any other text is no longer the cell's value as shown.
    connect(line, &QLineEdit::textChanged, this, [this] { inputHoldsCell_ = false; });
    // An entry recalled from the history (Up, Down, the opened list)
    // arrives as a cell's value does: selected, the caret after its end.
    // Not where the box, losing the focus, matches its text to the list.
    connect(cbInput, &QComboBox::activated, line, [box = cbInput, line] {
        if (box->hasFocus()) line->selectAll();
    });
    cbInput->installEventFilter(this);
    line->installEventFilter(this);
}

bool TfrmREG::InputBoxKey(QObject* watched, QEvent* event) {
    if (!cbInput || (watched != cbInput && watched != cbInput->lineEdit()) || event->type() != QEvent::KeyPress)
        return false;
    const auto* key = static_cast<QKeyEvent*>(event);
    const Qt::KeyboardModifiers chords = Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier;
    // With the list open, Escape is the list's: it closes it.
    if (key->key() != Qt::Key_Escape || (key->modifiers() & chords) || cbInput->view()->isVisible()) return false;
    // Back to the cell's value, as a click on the cell puts it there.
    GuardCommand(state_.Services(), [this] { sgEditClick(); });
    return true;
}

void TfrmREG::ApplyInputDlgCommand(int code, int& c, int& r) {
    const int cols = sgEdit->ColCount() - 1, rows = sgEdit->RowCount() - 1;
    switch (code) {
    case 100:
        if (c > 1) --c;
        else if (r > 1) { --r; c = cols; }
        break;
    case 101:
        if (c < cols) ++c;
        else if (r < rows) { ++r; c = 1; }
        break;
    case 102: c = 1; r = 1; break;
    case 103: c = cols; r = rows; break;
    case 104:
        if (r > 1) --r;
        else if (c > 1) { --c; r = rows; }
        break;
    case 105:
        if (r < rows) ++r;
        else if (c < cols) { ++c; r = 1; }
        break;
    case 200: c = 1; break;
    case 201: c = cols; break;
    case 202: r = 1; break;
    case 203: r = rows; break;
    case 106: {
        Reg* model = state_.Model();
        if (!model || c < 1 || c > model->GetVarCount()) break;
        const std::string old = model->GetVarName(c - 1);
        const auto name = Ask(FormatIndexedLabel(LoadStr(kStrRename), old, false), {}, old);
        if (!name || name->empty() || *name == old) break;
        RenameVariableWithUndo(EditOf(state_), old, *name);
        RefreshVariableList();
        sgEdit->InvalidateGrid();
        break;
    }
    case 107: {
        Reg* model = state_.Model();
        if (!model || c < 1 || c > model->GetVarCount()) break;
        const auto text = Ask("コメントの変更", {}, model->GetVarInfo(c - 1));
        if (!text) break;
        SetVariableCommentWithUndo(EditOf(state_), c - 1, *text);
        break;
    }
    case 108: {
        Reg* model = state_.Model();
        if (!model || c < 1 || c > model->GetVarCount()) break;
        std::vector<std::string> names;
        for (int t = 0; t < 4; ++t) names.push_back(GetVarTypeName(t));
        const auto text = Ask("タイプの変更", names, GetVarTypeName(model->GetVarType(c - 1)));
        if (!text || text->empty()) break;
        SetVariableTypeWithUndo(EditOf(state_), c - 1, FindVarType(*text));
        sgEdit->InvalidateGrid();
        break;
    }
    default: break;
    }
}

void TfrmREG::mnuRenzokuClick() {
    Reg* model = state_.Model();
    if (!model) return;
    int c = std::max(sgEdit->Col(), 1), r = std::max(sgEdit->Row(), 1);
    while (c < sgEdit->ColCount() && r < sgEdit->RowCount()) {
        const int i = r - 1, j = c - 1;
        if (i >= model->GetObsCount() || j >= model->GetVarCount()) break;  // the empty row of a data set without observations
        sgEdit->SetCurrentCell(c, r);
        const std::string label =
            FormatIndexedLabel(model->GetVarName(j), sgEdit->Cell(0, r).toStdString(), true);
        sbPanel1->setText(QString::fromStdString(label));
        const std::string shown = FloatToStrGeneral(model->GetValue(i, j));
        const InputAnswer a = state_.Services().AskInput(label, {}, shown);
        if (a.result == mrOK) {
            double value = 0.0;
            state_.Evaluator().SetCurrentValue(model->GetValue(i, j));
            // An emptied field, or the value's text as shown (15 digits of
            // what may be more), keeps the cell as it is.
            const bool keep = a.text.empty() || a.text == shown;
            if (!keep && EvaluateEntry(a.text, value)) SetCellValueWithUndo(EditOf(state_), i, j, value);
            if (c + 2 > sgEdit->ColCount()) {
                c = 1;
                ++r;
            } else {
                ++c;
            }
        } else if (IsNavigationCode(a.result)) {
            ApplyInputDlgCommand(a.result, c, r);
        } else {
            break;  // Cancel, or the dialog closed otherwise
        }
    }
    RefreshActivePage();
}

void TfrmREG::mnuEditRangeClick() {
    Reg* model = state_.Model();
    if (!model) return;
    const GridRect sel = sgEdit->Selection();
    const int firstObs = std::max(sel.top, 1) - 1, lastObs = std::min(sel.bottom, model->GetObsCount()) - 1;
    const int firstVar = std::max(sel.left, 1) - 1, lastVar = std::min(sel.right, model->GetVarCount()) - 1;
    if (firstObs > lastObs || firstVar > lastVar) return;
    const auto answer = Ask("数式入力");
    if (!answer || answer->empty()) return;
    const std::string& text = *answer;
    CalcStr& calc = state_.Evaluator();

    // Every new value is worked out before any cell changes, so an error
    // leaves the block as it was and one undo step covers the whole edit.
    std::vector<CellValue> cells;
    std::vector<double> brace;
    bool braceList = false;
    if (text[0] == '=') {
        const std::size_t open = text.find_first_not_of(' ', 1);
        braceList = open != std::string::npos && text[open] == '{';
        if (braceList) {
            Vector list;
            calc.ParseBraceList(text.substr(open), list);
            if (calc.IsIncomplete()) {
                state_.Services().ShowMessageBox(MsgKind::Error, kRunError + LoadStr(kStrSyntaxError), mbOK);
                return;
            }
            for (int m = 0; m < list.Count(); ++m) brace.push_back(list.At(m));
        }
    }
    int position = 0, taken = 0;
    bool fieldsLeft = true;
    double last = 0.0;
    for (int i = firstObs; i <= lastObs; ++i) {
        for (int j = firstVar; j <= lastVar; ++j) {
            const double old = model->GetValue(i, j);
            double x = old;
            if (braceList) {
                if (taken < static_cast<int>(brace.size())) x = brace[static_cast<std::size_t>(taken)];
                ++taken;
            } else if (text[0] == '=') {
                calc.SetCurrentValue(old);
                x = calc.EvaluateAt(text.substr(1), i);
                if (calc.IsIncomplete() || !std::isfinite(x)) {
                    state_.Services().ShowMessageBox(
                        MsgKind::Error, kRunError + FormatIndexedLabel(model->GetVarName(j), std::to_string(i + 1), true),
                        mbOK);
                    return;
                }
            } else {
                std::string field;
                if (fieldsLeft && ReadNextField(text, position, field)) {
                    calc.SetCurrentValue(old);
                    if (!EvaluateEntry(field, last)) return;
                } else {
                    fieldsLeft = false;
                }
                x = last;
            }
            if (x != old) cells.push_back({i, j, x});
        }
    }
    if (!cells.empty()) SetRangeValuesWithUndo(EditOf(state_), cells);
    RefreshActivePage();
}

bool TfrmREG::InputSeriesValues(Var& v) {
    const int n = v.Count();
    CalcStr& calc = state_.Evaluator();
    int i = 0;
    while (i < n) {
        const std::string label = FormatIndexedLabel(v.GetName(), std::to_string(i + 1), true);
        const std::string shown = FormatNumber(false, v.At(i));
        const InputAnswer a = state_.Services().AskInput(label, {}, shown);
        if (a.result == mrOK && a.text == shown) {
            ++i;  // untouched: the exact value stays, not its rounded text
        } else if (a.result == mrOK) {
            if (!a.text.empty() && a.text[0] == '=') {
                // The formula fills this observation and every one after it.
                std::vector<double> values(v.Data(), v.Data() + n);
                if (!EvaluateFormulaOverRange(calc, a.text, values, i, n)) {
                    state_.Services().ShowMessageBox(MsgKind::Error, kRunError + LoadStr(kStrSyntaxError), mbOK);
                    continue;  // asked again
                }
                for (int m = i; m < n; ++m) v.At(m) = values[static_cast<std::size_t>(m)];
                return true;
            }
            calc.SetCurrentValue(v.At(i));
            double x = 0.0;
            if (!EvaluateEntry(a.text, x)) continue;  // the same observation again
            v.At(i) = x;
            ++i;
        } else if (a.result == 100 || a.result == 104) {
            i = std::max(i - 1, 0);
        } else if (a.result == 101 || a.result == 105) {
            i = std::min(i + 1, n - 1);
        } else if (a.result == 102 || a.result == 202) {
            i = 0;
        } else if (a.result == 103 || a.result == 203) {
            i = n - 1;
        } else {
            return false;
        }
    }
    return true;
}

void TfrmREG::InputVarExecute() {
    Reg* model = state_.Model();
    if (!model) return;
    int j = -1;
    if (PC->currentWidget() == tsEdit) {
        for (int m = 0; m < model->GetVarCount() && j < 0; ++m)
            if (IsMarked(EditColumnMarks, m)) j = m;
    }
    if (j >= 0) {
        EditColumnMarks.Set(j, 0);
        sgEdit->InvalidateGrid();
    } else {
        std::vector<std::string> names;
        for (int m = 0; m < model->GetVarCount(); ++m) names.push_back(model->GetVarName(m));
        const auto name = Ask("入力する" + LoadStr(kStrVariableName), names);
        if (!name) return;
        j = model->FindVar(*name);
        if (j < 0 || j >= model->GetVarCount()) return;
    }
    Var copy(model->GetVar(j));
    if (InputSeriesValues(copy)) {
        SetVariableValuesWithUndo(EditOf(state_), j, std::span<const double>(copy.Data(), copy.Count()));
        RefreshVariableList();
    }
    RefreshActivePage();
}

void TfrmREG::AssistExecute() {
    if (!assist_) return;
    assist_->SetRegData(state_.Model());
    if (assist_->exec() != QDialog::Accepted) return;
    const QString text = QString::fromStdString(assist_->Expression());
    cbInput->setEditText(text);
    if (cbInput->lineEdit()) cbInput->lineEdit()->setCursorPosition(static_cast<int>(text.size()));
}
