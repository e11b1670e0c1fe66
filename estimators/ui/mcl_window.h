// TfrmMCL: how collinear the regressors of a model are and what ridge
// regression does to them. Five pages: variance inflation factors with the
// eigen-analysis, the ridge table over 30 constants, the ridge trace, the
// ridge estimates at one constant (automatic, or typed by a click on it)
// and the residuals of that fit, with residual plots and statistics.
//
// Opened with the least-squares model, an instrumental-variable model or a
// weighted model (MclRequest). Everything shown comes from the engine
// object built when the window is filled or the variable option changes;
// the models are not changed. Modal, so the model it was opened with
// outlives it.
#pragma once

#include <memory>
#include <optional>

#include "components/view/analysis_window_base.h"
#include "estimators/mcl_request.h"
#include "estimators/multicollinearity.h"

class QAction;
class QMenu;
class QStatusBar;
class QTabWidget;
class QToolBar;
class MclEstimatePage;
class ResultGrid;
class RidgeTraceBox;

class TfrmMCL : public AnalysisWindowFor<MclRequest> {
    Q_OBJECT
public:
    explicit TfrmMCL(const WindowContext& context);
    ~TfrmMCL() override;

    // Bind, build the data and run the automatic ridge fit; false for a
    // null model. Errors of the build propagate to the caller's guard.
    bool SetReg(const Reg* model, bool allVariables);
    bool SetRegIV(const RegIV* model, bool allVariables);
    bool SetWLS(const WLSE* model);

    void SelectExecute();
    void ScaleExecute();
    void ResetRidgeExecute();
    void stRKClick();
    void sgRDMouseDown(int x, int y);
    void RCMouseDown(int x, int y);
    // Plot modes: 0 residual on fitted, 1 on time, 2 observed on fitted,
    // 3 L-R, 100 + j residual on regressor j, 200 + L lag L.
    void Plot(int mode);
    void EXPlotExecute();
    void FundExecute();

    // The scale step shared by every multicollinearity window (0, 1, 2 for
    // the scales 0.1, 1 and 10).
    static int& SharedScaleStep();

    const Multicollinearity* Engine() const { return engine_.get(); }
    const MclRidgeFit* Fit() const { return fit_.get(); }
    const MclRidgeTable& Table() const { return table_; }
    double CurrentScale() const { return scale_; }
    double AutomaticK() const { return autoK_; }
    int SelectedCurve() const { return selected_; }
    bool AllVariables() const { return allVariables_; }

    QToolBar* TB = nullptr;
    QAction* Exitence = nullptr;
    QAction* Select = nullptr;
    QAction* Scale = nullptr;
    QAction* EYPlot = nullptr;
    QAction* ETPlot = nullptr;
    QAction* Fund = nullptr;
    QAction* EEPlot = nullptr;
    QAction* EXPlot = nullptr;
    QAction* YYPlot = nullptr;
    QAction* LRPlot = nullptr;
    QAction* ResetRidge = nullptr;
    QAction* EELagx = nullptr;
    QAction* HelpContext = nullptr;
    QMenu* pmEELag = nullptr;
    QTabWidget* PC = nullptr;
    ResultGrid* sgVIF = nullptr;
    ResultGrid* sgRD = nullptr;
    RidgeTraceBox* RC = nullptr;
    MclEstimatePage* tsRidgeEst = nullptr;
    ResultGrid* sgRes = nullptr;
    QStatusBar* SB = nullptr;

protected:
    bool Setup(const MclRequest& request) override;
    bool event(QEvent* event) override;

private:
    QAction* AddAction(const char* name, const char* caption, const char* shortcut, const char* hint,
                       std::function<void()> handler, bool onToolBar = true);
    void Build(bool allVariables);
    void AutomaticFit();
    void Refit();
    void ShowPages();
    void tsVIFShow();
    void tsRDShow();
    void tsRidgeResShow();

    const Reg* reg_ = nullptr;
    const RegIV* regIV_ = nullptr;
    const WLSE* wls_ = nullptr;
    bool allVariables_ = false;
    std::unique_ptr<const Multicollinearity> engine_;
    std::shared_ptr<const MclRidgeFit> fit_;
    MclRidgeTable table_;
    double scale_ = 0.1;
    double autoK_ = 0.0;
    double k_ = 0.0;
    int selected_ = -1;
};

void RegisterMclWindow();
