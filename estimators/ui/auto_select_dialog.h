// TAutoSelectDlg: chooses the explanatory variables of the current model by
// stepwise selection. The user sets the four F limits (formulas) and the
// variables forced in or kept out; OK runs the selection and makes its
// result the model, Cancel leaves the model as it was.
#pragma once

#include "components/view/analysis_window_base.h"
#include "components/view/launch_request.h"
#include "estimators/stepwise_selection.h"

class NumericField;
class QListWidget;
class QPushButton;

class TAutoSelectDlg : public AnalysisWindowFor<LaunchRequest> {
    Q_OBJECT
public:
    explicit TAutoSelectDlg(const WindowContext& context);

    // Keeps the model and fills the lists and the limits; false without a
    // model.
    bool Prepare(Reg* reg);

    void btnAddAdoptClick();
    void btnDelAdoptClick();
    void btnAddElimClick();
    void btnDelElimClick();
    // Runs the selection and applies it; the dialog closes with OK only
    // when the limits could be read.
    void OKBtnClick();

    // The result of the last run (empty before one).
    const StepwiseResult& Result() const { return result_; }

    NumericField* eFIn1 = nullptr;
    NumericField* eFIn2 = nullptr;
    NumericField* eFOut1 = nullptr;
    NumericField* eFOut2 = nullptr;
    QListWidget* lbVar = nullptr;
    QListWidget* lbAdoption = nullptr;
    QListWidget* lbElimination = nullptr;
    QPushButton* btnAddAdopt = nullptr;
    QPushButton* btnDelAdopt = nullptr;
    QPushButton* btnAddElim = nullptr;
    QPushButton* btnDelElim = nullptr;
    QPushButton* OKBtn = nullptr;
    QPushButton* CancelBtn = nullptr;

protected:
    bool Setup(const LaunchRequest& request) override;

private:
    QListWidget* NameList(const char* name);

    Reg* reg_ = nullptr;
    StepwiseResult result_;
};

// Registers the dialog with the window registry.
void RegisterAutoSelectDialog();
