// File/"テキスト保存": the main text report with the settings' TEXT flags.
#include "app/main_window/main_window.h"
#include "app/settings/settings_dialog.h"
#include "core/model/regression_model.h"
#include "core/model/text_report_file.h"
#include "eval/app_state.h"

void TfrmREG::TextSaveExecute() {
    Reg* model = state_.Model();
    if (!model) return;
    TextReportOptions options;
    bool originalData = false;
    if (settings_) {
        const ProgramSettings& v = settings_->Values();
        options.selectedOnly = v.Selected;
        options.residuals = v.Residuals;
        options.influence = v.Analyzed;
        options.simultaneous = v.Reduce;
        options.correlation = v.RelativeMatrix;
        options.margin = v.TextOut_Margin;
        originalData = v.OriginalData;
    }
    (void)RunTextSave(model, options, originalData);
    // The influence measures were worked out on the way.
    RefreshActivePage();
}
