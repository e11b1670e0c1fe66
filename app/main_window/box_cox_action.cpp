// The Box-Cox action of the main window: choose the variables, find the
// lambda of the current model, and exchange the values in place as one undo
// step.
#include <QAction>
#include <QApplication>
#include <QTabWidget>
#include <algorithm>

#include "app/dialogs/box_cox_dialog.h"
#include "app/main_window/main_window.h"
#include "app/settings/settings_dialog.h"
#include "core/model/box_cox_exchange.h"
#include "core/model/data_edit_commands.h"
#include "core/model/regression_model.h"
#include "core/text/number_format.h"
#include "eval/app_state.h"
#include "platform/ui_services.h"

namespace {

constexpr const char* kBoxCoxHint = "ボックス・コックス変換をする";

// Gives the keyboard back to the main window when the command ends, on
// every road. The choice dialog and then the progress window, a window of
// its own, take the activation; once they are gone no window of the
// program may be active, and then no shortcut or menu key works until a
// click. The focus stays where it was while that widget can still take it.
class KeyboardBack {
public:
    KeyboardBack(QWidget& window, QTabWidget& pages) : window_(window), pages_(pages) {}
    ~KeyboardBack() {
        if (!window_.isVisible()) return;
        QWidget* focus = window_.focusWidget();
        if (!focus || !focus->isVisible() || !focus->isEnabled())
            if (QWidget* page = pages_.currentWidget()) page->setFocus();
        if (QApplication::activeWindow() == &window_) return;
        window_.raise();
        window_.activateWindow();
    }
    KeyboardBack(const KeyboardBack&) = delete;
    KeyboardBack& operator=(const KeyboardBack&) = delete;

private:
    QWidget& window_;
    QTabWidget& pages_;
};

}  // namespace

void TfrmREG::BCExchangeExecute() {
    Reg* model = state_.Model();
    if (!model) return;
    const KeyboardBack keyboardBack(*this, *PC);
    TBoxCoxDlg dialog(this);
    const BoxCoxState last = state_.Undo().BoxCox();
    dialog.Prepare(*model, last.done, last.parameter);
    if (dialog.exec() != QDialog::Accepted || dialog.NothingChosen()) return;
    RunBoxCoxExchange(dialog.Flags());
}

bool TfrmREG::RunBoxCoxExchange(const std::vector<std::uint8_t>& flags) {
    Reg* model = state_.Model();
    if (!model || static_cast<int>(flags.size()) != model->GetVarCount()) return false;
    if (std::none_of(flags.begin(), flags.end(), [](std::uint8_t f) { return f != 0; })) return false;
    UiServices& ui = state_.Services();
    const BoxCoxColumns columns = BuildBoxCoxColumns(*model, flags);
    BoxCoxExchangeResult result = CheckBoxCoxColumns(columns);
    if (result.refusal.empty()) {
        ProgressScope progress(ui, "ボックスコックス変換", 61 + 21 + 2001);
        result = SearchBoxCoxExchange(columns, model->IsTwoStage(), [&progress] { progress.Step(); });
    }
    if (!result.refusal.empty()) {
        std::string text = result.refusal;
        if (result.refusedVariable >= 0)
            text += "\n変数 " + model->GetVarName(result.refusedVariable) + " のデータ組 " +
                    std::to_string(result.refusedObservation + 1) + " が 0 以下です。";
        ui.ShowMessageBox(MsgKind::Error, text, mbOK);
        return false;
    }
    if (!result.found) {
        ui.ShowMessageBox(MsgKind::Information, "尤度を改善する λ が見つかりませんでした。\nデータは変更しません。", mbOK);
        return false;
    }
    const DataEdit ed{*model, state_.Undo(), [this](const std::string& s) { return state_.IsReservedName(s); }};
    const std::string refusal = ApplyBoxCoxExchange(ed, flags, result.lambda);
    if (!refusal.empty()) {
        ui.ShowMessageBox(MsgKind::Error, refusal, mbOK);
        return false;
    }
    if (settings_ && settings_->Values().ConvertedToComment)
        SetDataInfoWithUndo(ed, model->GetInfo() + BoxCoxNote(*model, flags, result.lambda));
    UpdateBoxCoxHint();
    RefreshVariableList();
    RefreshActivePage();
    return true;
}

void TfrmREG::UpdateBoxCoxHint() {
    QAction* action = Action("BCExchange");
    if (!action) return;
    const BoxCoxState& s = state_.Undo().BoxCox();
    std::string hint = kBoxCoxHint;
    if (s.done) hint += " (" + FormatNumber(false, s.parameter) + ")";
    action->setStatusTip(QString::fromStdString(hint));
}

void TfrmREG::ConnectBoxCoxHint() {
    QAction* action = Action("BCExchange");
    if (!action) return;
    connect(action, &QAction::hovered, this, [this] { UpdateBoxCoxHint(); });
    UpdateBoxCoxHint();
}
