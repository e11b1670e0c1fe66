// The main window's side of the property dialogs: the data property command
// and what the variable property dialog may ask of the main window.
#include "app/dialogs/data_property_dialog.h"
#include "app/dialogs/property_dialog.h"
#include "app/main_window/main_window.h"
#include "app/settings/settings_dialog.h"
#include "eval/app_state.h"

bool TfrmREG::ConvertedToComment() const { return settings_ && settings_->Values().ConvertedToComment; }

void TfrmREG::PropertyViewExecute() {
    if (!state_.Model()) return;
    TfrmDataProperty dialog(state_, property_, this);
    if (dialog.exec() == QDialog::Accepted) {
        RefreshVariableList();
        RefreshActivePage();
    }
}

TfrmProperty::Links TfrmREG::PropertyLinks() {
    return {[this] { RefreshVariableList(); }, [this] { return ConvertedToComment(); },
            [this](Var& v) { return InputSeriesValues(v); }};
}
