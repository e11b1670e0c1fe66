// The main window's commands that take data from other files: the external
// variables window and appending observations of another data file.
#include <filesystem>
#include <memory>

#include "app/dialogs/append_select_window.h"
#include "app/main_window/main_window.h"
#include "app/dialogs/var_get_window.h"
#include "core/data/variable.h"
#include "core/model/data_edit_commands.h"
#include "core/model/regression_file.h"
#include "core/model/regression_model.h"
#include "eval/app_state.h"
#include "eval/append_source.h"
#include "platform/ui_services.h"

namespace {

DataEdit EditOf(AppState& state) {
    return DataEdit{*state.Model(), state.Undo(), [&state](const std::string& n) { return state.IsReservedName(n); }};
}

const char* const kDataFileFilter =
    "多変量データ|*.MDF|マクロデータ|*.MCR|テキストデータ|*.TXT|マクロライブラリー|*.MLB|すべて|*.*";

std::string ImportCutMessage(const std::string& name, int length, int observations) {
    return "変数 " + name + " の値は " + std::to_string(length) + " 個ありますが、データ組数が " +
           std::to_string(observations) + " なので、先頭の " + std::to_string(observations) +
           " 個だけを取り込みました。";
}

}  // namespace

void TfrmREG::ImportVarExecute() {
    {
        TfrmVarGet window(
            state_, DataFolder(),
            [this](Var& v) {
                if (state_.Model()) {
                    // A shorter variable joins with zeros after its values,
                    // as the data set's other variables would hold.
                    const int n = state_.Model()->GetObsCount();
                    Var joined(v);
                    if (joined.Count() < n) joined.Resize(n, true);
                    AddVariableWithUndo(EditOf(state_), joined);
                    RefreshVariableList();
                    // A longer variable keeps only as many values as the data
                    // set has observations; the user is told.
                    if (v.Count() > n)
                        WarningBox(state_.Services(), ImportCutMessage(v.GetName(), v.Count(), n));
                } else {
                    // The first imported variable makes the data set.
                    state_.SetModel(MakeModelFromVariable(v, &state_.Context()));
                    RefreshAfterLoad();
                }
                RefreshActivePage();
            },
            this);
        window.SetHelpFile(HelpFile());
        window.exec();
    }
    if (!state_.Model()) return;
    RefreshVariableList();
    RefreshActivePage();
    UpdateCaption();
}

void TfrmREG::AppendDataExecute() {
    Reg* model = state_.Model();
    if (!model) return;
    FileDialogRequest request;
    request.initialDir = DataFolder();
    request.filter = kDataFileFilter;
    request.filterIndex = 1;
    request.title = "開く";
    const std::string name = state_.Services().ChooseOpenFile(request);
    std::error_code ec;
    if (name.empty() || !std::filesystem::is_regular_file(std::filesystem::path(name), ec)) return;

    // Read completely before anything is shown; a read error leaves the
    // data set as it was.
    AppendSource source(state_, *model, name);
    std::vector<std::uint8_t> flags(static_cast<std::size_t>(source.ObservationCount()), 1);
    TfrmApndSel window(state_, this);
    window.SetData(source, flags);
    if (window.exec() != QDialog::Accepted) return;
    if (AppendDataWithUndo(EditOf(state_), source.Shown(), flags)) AfterUndoStep();
}

void TfrmREG::NewFileFromImport(const std::string& fileName) {
    if (!ConfirmSaveIfModified()) return;
    state_.SetModel(nullptr);
    RefreshAfterLoad();
    ImportVarExecute();
    Reg* model = state_.Model();
    if (!model) return;
    model->SetFileName(fileName);
    model->SetTwoStage(false);
    const int k = model->GetVarCount();
    const int best = model->SetDependent(k - 1);
    if (best != k - 1 && best >= 0 && best < k && model->GetFValue(best) > 0.0) (void)model->ToggleVariable(best);
    // The new data set is written at once; when that fails it stays open.
    SaveAs(*model, fileName);
    RefreshAfterLoad();
}
