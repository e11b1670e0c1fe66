// The main window's variable, observation and equation commands and the
// switch of the estimation method. Questions go through the one-line
// prompt; each change is one undoable data-edit command.
#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QStringList>
#include <QTabWidget>
#include <cmath>
#include <optional>

#include "components/view/field_formula.h"
#include "app/dialogs/expres_window.h"
#include "app/main_window/main_window.h"
#include "app/settings/settings_dialog.h"
#include "components/view/grid_marks.h"
#include "core/data/variable.h"
#include "core/model/data_edit_commands.h"
#include "core/model/estimated_equation.h"
#include "core/model/regression_diagnostics.h"
#include "core/model/regression_model.h"
#include "core/text/field_split.h"
#include "core/text/number_format.h"
#include "eval/app_state.h"
#include "eval/calc_str.h"
#include "platform/errors.h"
#include "platform/qt/string_grid.h"
#include "resources/string_table.h"

namespace {

DataEdit EditOf(AppState& state) {
    return DataEdit{*state.Model(), state.Undo(), [&state](const std::string& n) { return state.IsReservedName(n); }};
}

std::string Prompt(StringId verb, StringId noun) { return LoadStr(verb) + LoadStr(noun); }

const char* const kSquareResidualsItem = "<e2>";
const char* const kSquareResidualsName = "SQUARE_RES";
constexpr int kSquaredResidualRow = Reg::kRowResidualShare;

// A typed count: the formula's value truncated; `fallback` for an empty
// text and when it gives no number.
int TypedNumber(AppState& state, const std::string& text, int fallback) {
    if (text.empty()) return fallback;
    const std::optional<double> x = EvaluateFieldFormula(state, text);
    if (!x || !std::isfinite(*x) || std::fabs(*x) > 2e9) return fallback;
    return static_cast<int>(std::trunc(*x));
}

}  // namespace

std::vector<std::string> TfrmREG::VariableNames(bool withDependent) const {
    std::vector<std::string> names;
    const Reg* model = state_.Model();
    if (!model) return names;
    for (int j = 0; j < model->GetVarCount(); ++j)
        if (withDependent || j != model->GetDependent()) names.push_back(model->GetVarName(j));
    return names;
}

void TfrmREG::RefreshVariableList() {
    const Reg* model = state_.Model();
    cbSelect->clear();
    if (!model) return;
    QStringList names;
    for (int j = 0; j < model->GetVarCount(); ++j) names << QString::fromStdString(model->GetVarName(j));
    names.sort();
    cbSelect->addItems(names);
    EditColumnMarks.Reset(model->GetVarCount());
    InfluenceColumnMarks.Reset(2 * model->GetVarCount() + 6);
}

// ---- variables -------------------------------------------------------------------

void TfrmREG::VARADDExecute() {
    Reg* model = state_.Model();
    if (!model) return;
    auto name = Ask(Prompt(kStrAdd, kStrVariableName), {kSquareResidualsItem, LoadStr(kStrImport)});
    if (!name || name->empty()) return;
    if (*name == LoadStr(kStrImport)) {
        // The external variables window takes over.
        if (QAction* import = Action("ImportVar")) import->trigger();
        return;
    }
    const bool squares = *name == kSquareResidualsItem;
    if (squares) *name = kSquareResidualsName;
    const DataEdit ed = EditOf(state_);
    // Refused before the values are asked, not after.
    CheckVariableName(ed, *name);
    Var v(*name, *name, model->GetObsCount(), 0.0);
    if (squares) {
        model->ComputeAnalysisData();
        std::vector<double> row;
        model->GetAnalysisRow(kSquaredResidualRow, row);
        // The row holds each residual's share of the residual sum of squares.
        const double sse = model->GetSse();
        for (int i = 0; i < v.Count() && i < static_cast<int>(row.size()); ++i)
            v.At(i) = row[static_cast<std::size_t>(i)] * sse;
    } else if (!InputSeriesValues(v)) {
        return;
    }
    v.CalcStatistics();
    AddVariableWithUndo(ed, v);
    RefreshVariableList();
    RefreshActivePage();
}

void TfrmREG::VARDELExecute() {
    Reg* model = state_.Model();
    if (!model) return;
    std::vector<int> chosen;
    if (PC->currentWidget() == tsEdit) {
        for (int j = 0; j < model->GetVarCount(); ++j)
            if (IsMarked(EditColumnMarks, j)) chosen.push_back(j);
    }
    if (!chosen.empty()) {
        DeleteVariablesWithUndo(EditOf(state_), chosen);
        for (int j : chosen) EditColumnMarks.Set(j, 0);
    } else {
        const auto name = Ask(Prompt(kStrDelete, kStrVariableName), VariableNames(false));
        if (!name || name->empty()) return;
        DeleteVariableWithUndo(EditOf(state_), *name);
    }
    RefreshVariableList();
    UpdateTwoStageIndicator();
    RefreshActivePage();
}

void TfrmREG::VARINSExecute() {
    Reg* model = state_.Model();
    if (!model) return;
    const int k = model->GetVarCount();
    int position = -1;
    for (int j = 0; j < k; ++j) {
        if (IsMarked(EditColumnMarks, j)) {
            position = j;
            EditColumnMarks.Set(j, 0);
            break;
        }
    }
    const auto name = Ask(Prompt(kStrInsert, kStrVariableName));
    if (!name || name->empty()) return;
    const DataEdit ed = EditOf(state_);
    CheckVariableName(ed, *name);
    if (position < 0) {
        const auto place = Ask(LoadStr(kStrInsert) + "場所は？", VariableNames());
        if (!place || place->empty()) return;
        // A variable's name gives its place; otherwise the number typed.
        position = model->FindVar(*place);
        if (position < 0) position = TypedNumber(state_, *place, 0) - 1;
    }
    if (position < 0 || position >= k) return;
    Var v(*name, *name, model->GetObsCount(), 0.0);
    if (!InputSeriesValues(v)) return;
    v.CalcStatistics();
    InsertVariableWithUndo(ed, position, v);
    RefreshVariableList();
    RefreshActivePage();
}

void TfrmREG::VARXCHGExecute() {
    Reg* model = state_.Model();
    if (!model) return;
    const std::string prompt = Prompt(kStrExchange, kStrVariableName);
    std::vector<std::string> names = VariableNames();
    const auto first = Ask(prompt, names);
    if (!first) return;
    const int i = model->FindVar(*first);
    if (i < 0) return;
    std::erase(names, *first);
    const auto second = Ask(*first + "　" + prompt, names);
    if (!second) return;
    const int j = model->FindVar(*second);
    if (j < 0 || j == i) return;
    ExchangeVariablesWithUndo(EditOf(state_), i, j);
    RefreshVariableList();
    RefreshActivePage();
}

void TfrmREG::RENAMEExecute() {
    Reg* model = state_.Model();
    if (!model) return;
    const auto old = Ask(Prompt(kStrChange, kStrVariableName), VariableNames());
    if (!old) return;
    const int j = model->FindVar(*old);
    if (j >= 0) {
        const auto name = Ask(FormatIndexedLabel(LoadStr(kStrRename), *old, false));
        if (name && !name->empty() && *name != *old) {
            RenameVariableWithUndo(EditOf(state_), *old, *name);
            RefreshVariableList();
        }
    }
    RefreshActivePage();
}

// ---- observations ----------------------------------------------------------------

std::optional<std::vector<int>> TfrmREG::ParseObservationList(const std::string& text) {
    const int n = state_.Model()->GetObsCount();
    std::vector<std::uint8_t> chosen(static_cast<std::size_t>(n), 0);
    // Any answer that does not evaluate abandons the whole list (its error
    // is shown); a number is truncated.
    bool failed = false;
    auto number = [&](const std::string& s) {
        double x = 0.0;
        if (failed || !EvaluateEntry(s, x)) {
            failed = true;
            return 0;
        }
        return std::fabs(x) > 2e9 ? 0 : static_cast<int>(std::trunc(x));
    };
    int position = 0;
    std::string field;
    while (ReadNextField(text, position, field)) {
        if (!field.empty() && field[0] == '[') {
            const int a = number(field.substr(1));
            std::string second, third;
            if (!ReadNextField(text, position, second)) break;
            int b = 0, step = 1;
            if (!second.empty() && second.back() == ']') {
                b = number(second.substr(0, second.size() - 1));
            } else {
                b = number(second);
                if (ReadNextField(text, position, third)) {
                    if (!third.empty() && third.back() == ']') third.pop_back();
                    step = std::max(number(third), 1);
                }
            }
            const int lo = std::clamp(std::min(a, b), 1, std::max(n, 1));
            const int hi = std::clamp(std::max(a, b), 1, std::max(n, 1));
            for (int m = lo; m <= hi && m <= n; m += step) chosen[static_cast<std::size_t>(m - 1)] = 1;
        } else {
            const int m = number(field);
            if (m >= 1 && m <= n) chosen[static_cast<std::size_t>(m - 1)] = 1;
        }
    }
    if (failed) return std::nullopt;
    std::vector<int> out;
    for (int i = 0; i < n; ++i)
        if (chosen[static_cast<std::size_t>(i)]) out.push_back(i);
    return out;
}

void TfrmREG::DATADDExecute() {
    Reg* model = state_.Model();
    if (!model) return;
    const int k = model->GetVarCount();
    const std::string row = std::to_string(model->GetObsCount() + 1);
    std::vector<double> values;
    for (int j = 0; j < k;) {
        const auto text = Ask(FormatIndexedLabel(model->GetVarName(j), row, true));
        if (!text) return;
        double x = 0.0;
        if (!EvaluateEntry(*text, x)) continue;  // the same variable again
        values.push_back(x);
        ++j;
    }
    AppendObservationWithUndo(EditOf(state_), values);
    ObservationMarks.Reset(model->GetObsCount());
    MarkAnchor = -1;
    RefreshActivePage();
}

void TfrmREG::DATDELExecute() {
    Reg* model = state_.Model();
    if (!model) return;
    std::vector<int> chosen;
    for (int i = 0; i < model->GetObsCount(); ++i)
        if (IsMarked(ObservationMarks, i)) chosen.push_back(i);
    if (chosen.empty()) {
        const auto text = Ask(Prompt(kStrDelete, kStrDataSetNumber));
        if (!text || text->empty()) return;
        auto listed = ParseObservationList(*text);
        if (!listed || listed->empty()) return;
        chosen = std::move(*listed);
    }
    DeleteObservationsWithUndo(EditOf(state_), chosen);
    ObservationMarks.Reset(model->GetObsCount());
    MarkAnchor = -1;
    UpdateClipboardActions();
    RefreshActivePage();
}

void TfrmREG::DATINSExecute() {
    Reg* model = state_.Model();
    if (!model) return;
    const int n = model->GetObsCount();
    int position = -1;
    for (int i = 0; i < n; ++i)
        if (IsMarked(ObservationMarks, i)) {
            position = i;
            break;
        }
    if (position < 0) {
        // Cancel here ends the command like every other Cancel.
        const auto text = Ask(Prompt(kStrInsert, kStrDataSetNumber));
        if (!text) return;
        position = std::clamp(TypedNumber(state_, *text, 1) - 1, 0, std::max(n - 1, 0));
    }
    const std::string row = std::to_string(position + 1);
    std::vector<double> values;
    for (int j = 0; j < model->GetVarCount();) {
        const auto text = Ask(FormatIndexedLabel(model->GetVarName(j), row, true));
        if (!text) return;
        double x = 0.0;
        if (!EvaluateEntry(*text, x)) continue;
        values.push_back(x);
        ++j;
    }
    InsertObservationWithUndo(EditOf(state_), position, values);
    ObservationMarks.Reset(model->GetObsCount());
    MarkAnchor = -1;
    RefreshActivePage();
}

void TfrmREG::DATXCHGExecute() {
    Reg* model = state_.Model();
    if (!model) return;
    const std::string prompt = Prompt(kStrExchange, kStrDataSetNumber);
    const auto first = Ask(prompt);
    if (!first) return;
    const int a = TypedNumber(state_, *first, 1);
    const auto second = Ask(*first + "　と" + prompt);
    if (!second) return;
    const int b = TypedNumber(state_, *second, 1);
    const int n = model->GetObsCount();
    if (a < 1 || b < 1 || a > n || b > n || a == b) return;
    ExchangeObservationsWithUndo(EditOf(state_), a - 1, b - 1);
    RefreshActivePage();
}

// ---- estimation method and equations ----------------------------------------------

void TfrmREG::LSEExecute() {
    Reg* model = state_.Model();
    if (!model) return;
    // The flag decides, not the check mark, which a click has already turned.
    if (!model->IsTwoStage()) {
        int others = 0;
        if (model->IsUnderidentified(others)) {
            state_.Services().ShowMessageBox(MsgKind::Warning, LoadStr(kStrUnderidentified), mbYes);
            model->SetTwoStage(false);
        } else {
            model->SetTwoStage(true);
        }
    } else {
        model->SetTwoStage(false);
    }
    model->Reestimate(false);
    UpdateTwoStageIndicator();
    RefreshActivePage();
}

void TfrmREG::EXPADDExecute() {
    Reg* model = state_.Model();
    if (!model) return;
    const int dep = model->GetDependent();
    if (dep < 0 || dep >= model->GetVarCount() || model->GetVarType(dep) != Var::kEndogenous) return;
    const bool combined = model->IsTwoStage() && settings_ && settings_->Values().Combination;
    AddExpressionWithUndo(EditOf(state_), EstimatedEquation(*model, combined));
    RefreshActivePage();
}

void TfrmREG::EXPDELExecute() {
    Reg* model = state_.Model();
    if (!model) return;
    const ExpresList& list = model->Expressions();
    const int count = list.GetCount();
    if (count < 1) return;
    std::vector<std::string> texts;
    for (int m = 0; m < count; ++m) texts.push_back(list.GetItem(m).GetText());
    const auto answer = Ask(LoadStr(kStrDelete) + "式の選択", texts);
    if (!answer || answer->empty()) return;
    // A text picked from the list names its equation; a number counts from 1.
    int index = -1;
    for (int m = 0; m < count; ++m)
        if (texts[static_cast<std::size_t>(m)] == *answer) index = m;
    if (index < 0) {
        int n = -1;
        try {
            n = TypedNumber(state_, *answer, -1);
        } catch (const Exception&) {
            return;
        }
        if (n < 1 || n > count) return;
        index = n - 1;
    }
    DeleteExpressionWithUndo(EditOf(state_), index);
    RefreshActivePage();
}

void TfrmREG::DECLADDExecute() {
    Reg* model = state_.Model();
    if (!model) return;
    std::vector<std::string> texts;
    const ExpresList& list = model->Expressions();
    for (int m = 0; m < list.GetCount(); ++m)
        if (list.GetItem(m).IsDefinition()) texts.push_back(list.GetItem(m).GetText());
    const auto text = Ask(LoadStr(kStrDefinition) + "の入力", texts);
    if (!text || text->empty()) return;
    try {
        const Expres e(*text, *model, true);
        const int left = model->FindVar(e.GetLeftName());
        if (left >= 0 && model->GetVarType(left) == Var::kEndogenous) AddExpressionWithUndo(EditOf(state_), e);
    } catch (const std::bad_alloc&) {
        throw;
    } catch (const Exception& e) {
        state_.Services().ShowMessageBox(MsgKind::Error, e.Message(), mbOK);
    }
    RefreshActivePage();
}

void TfrmREG::EXPCLRExecute() {
    Reg* model = state_.Model();
    if (!model || model->Expressions().GetCount() < 1) return;
    if (state_.Services().ShowMessageBox(MsgKind::Confirmation, "全式情報を解除します。", mbYesNo) != mrYes) return;
    ClearExpressionsWithUndo(EditOf(state_));
    RefreshActivePage();
}

void TfrmREG::ExpresListExecute() {
    Reg* model = state_.Model();
    if (!model || model->Expressions().GetCount() < 1) return;
    {
        TfrmExpres list(state_, settings_ ? settings_->Values().Coloring : true, this);
        list.SetData(model);
        list.exec();
    }
    if (model->IsTwoStage()) stLIML->setText(QString::fromStdString(FormatNumber(false, ComputeLimlRoot(*model))));
    UpdateTwoStageIndicator();
    RefreshActivePage();
}
