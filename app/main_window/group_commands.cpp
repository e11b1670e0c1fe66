// Group commands of the main window: the data grid's pop-up (set, reset,
// clear over the block), GROUPING over the selected observations and
// variables or through TfrmGroup, and saving groups as a data file.
#include <QTabWidget>
#include <algorithm>
#include <optional>

#include "app/dialogs/group_dialogs.h"
#include "app/main_window/main_window.h"
#include "core/model/data_edit_commands.h"
#include "core/model/group_edits.h"
#include "core/model/group_file.h"
#include "core/model/regression_model.h"
#include "eval/app_state.h"
#include "platform/errors.h"
#include "platform/qt/string_grid.h"

namespace {

const char* const kFilterMdf = "多変量データ|*.MDF|テキストファイル|*.TXT|すべて|*.*";

std::vector<std::string> SixteenGroupNames(const Reg& m) {
    std::vector<std::string> names;
    for (int g = 1; g <= 16; ++g) names.push_back(m.GetGroupName(g));
    return names;
}

// The data-grid selection as a block of cells inside the data set.
struct CellBlock {
    int firstVar, firstObs, lastVar, lastObs;
};

std::optional<CellBlock> BlockOf(const GridRect& sel, const Reg& m) {
    CellBlock b{std::max(sel.left - 1, 0), std::max(sel.top - 1, 0), std::min(sel.right - 1, m.GetVarCount() - 1),
                std::min(sel.bottom - 1, m.GetObsCount() - 1)};
    if (b.firstVar > b.lastVar || b.firstObs > b.lastObs) return std::nullopt;
    return b;
}

}  // namespace

void TfrmREG::AskGroupOverBlock(bool set) {
    Reg* model = state_.Model();
    if (!model) return;
    const std::string prompt = std::string(set ? "設定" : "解除") + "するグループ名・番号は？";
    const auto answer = Ask(prompt, SixteenGroupNames(*model));
    if (!answer) return;
    const auto block = BlockOf(sgEdit->Selection(), *model);
    if (!block) return;
    DataEdit ed{*model, state_.Undo(), [this](const std::string& n) { return state_.IsReservedName(n); }};
    SetGroupRangeWithUndo(ed, block->firstVar, block->firstObs, block->lastVar, block->lastObs, set,
                          GroupMaskFromText(*model, *answer));
    RefreshActivePage();
}

void TfrmREG::mnuSetGrpClick() { AskGroupOverBlock(true); }

void TfrmREG::mnuResetGrpClick() { AskGroupOverBlock(false); }

void TfrmREG::mnuClearGrpClick() {
    Reg* model = state_.Model();
    if (!model) return;
    const auto block = BlockOf(sgEdit->Selection(), *model);
    if (!block) return;
    DataEdit ed{*model, state_.Undo(), [this](const std::string& n) { return state_.IsReservedName(n); }};
    ClearGroupRangeWithUndo(ed, block->firstVar, block->firstObs, block->lastVar, block->lastObs);
    RefreshActivePage();
}

void TfrmREG::GROUPINGExecute() {
    Reg* model = state_.Model();
    if (!model) return;
    const int n = model->GetObsCount(), k = model->GetVarCount();
    int rows = 0, cols = 0;
    for (int i = 0; i < n; ++i) rows += IsMarked(ObservationMarks, i) ? 1 : 0;
    for (int j = 0; j < k; ++j) cols += IsMarked(EditColumnMarks, j) ? 1 : 0;
    if ((rows > 0 || cols > 0) && PC->currentWidget() == tsEdit) {
        if (state_.Services().ShowMessageBox(MsgKind::Confirmation, "選択されている領域にグループ設定します。", mbOKCancel) !=
            mrOK)
            return;
        std::vector<std::uint8_t> rowFlags(n, 1), colFlags(k, 1);
        if (rows > 0)
            for (int i = 0; i < n; ++i) rowFlags[i] = IsMarked(ObservationMarks, i) ? 1 : 0;
        if (cols > 0)
            for (int j = 0; j < k; ++j) colFlags[j] = IsMarked(EditColumnMarks, j) ? 1 : 0;
        ObservationMarks.Clear();
        ClearColumnMarks();
        UpdateClipboardActions();
        const auto answer = Ask("設定するグループ名・番号は？", SixteenGroupNames(*model));
        if (answer) {
            DataEdit ed{*model, state_.Undo(), [this](const std::string& nm) { return state_.IsReservedName(nm); }};
            SetGroupFlagsWithUndo(ed, rowFlags, colFlags, GroupMaskFromText(*model, *answer));
        }
    } else {
        TfrmGroup dialog(state_, sgEdit->Col() - 1, sgEdit->Row() - 1, this);
        dialog.exec();
    }
    RefreshActivePage();
}

void TfrmREG::mnuGrpSaveClick() {
    Reg* model = state_.Model();
    if (!model) return;
    TGrpSaveDlg dialog(
        *model,
        [this] {
            FileDialogRequest request;
            request.initialDir = DataFolder();
            request.filter = kFilterMdf;
            request.filterIndex = 1;
            request.defaultExt = "MDF";
            request.title = "グループの保存";
            return state_.Services().ChooseSaveFile(request);
        },
        this);
    if (dialog.exec() != mrOK || dialog.Mask() == 0) return;
    try {
        SaveGroupFile(*model, dialog.Mask(), dialog.FileName());
    } catch (const EOutOfMemory&) {
        throw;
    } catch (const Exception& e) {
        state_.Services().ShowMessageBox(MsgKind::Error, e.Message(), mbOK);
    }
}
