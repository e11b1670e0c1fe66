// TfrmRF: the simultaneous-equation system of the data set's equation list
// in one window: the structural equations (two-stage estimates when asked),
// the coefficient matrix of the system, the reduced form, its static and
// dynamic tests, predictions from entered values, plots of the predicted
// endogenous variables, and the stored final form with its assistant.
//
// The system is built once when the window is filled; a build that fails
// raises its error to the opener's guard, so the window never opens empty.
// Modal: the main window opens it per use.
#pragma once

#include <memory>
#include <string>

#include "components/view/analysis_window_base.h"
#include "components/view/launch_request.h"

class FinalFormPage;
class PredictionPage;
class QAction;
class QStatusBar;
class QTabWidget;
class QToolBar;
class ResultGrid;
class SimultaneousSystem;
class StructuralPage;
class SystemTestPage;

class TfrmRF : public AnalysisWindowFor<LaunchRequest> {
    Q_OBJECT
public:
    explicit TfrmRF(const WindowContext& context);
    ~TfrmRF() override;

    // Builds the system of the model's equations (re-estimated by
    // two-stage least squares when twoStage). Errors propagate.
    void BuildSystem(const Reg& model, bool twoStage);
    const SimultaneousSystem& System() const { return *system_; }

    void ChangerExecute();
    void YYPlotExecute();
    void EYPlotExecute();
    void XYPlotExecute();
    void FFAExecute();
    // Asks for one endogenous variable; empty on cancel.
    std::string AskEndogenousName();
    void PlotPredictedActual(const std::string& name, bool simulation);
    void PlotResidualPredicted(const std::string& name, bool simulation);

    QToolBar* TB = nullptr;
    QAction* Exitence = nullptr;
    QAction* YYPlot = nullptr;
    QAction* EYPlot = nullptr;
    QAction* XYPlot = nullptr;
    QAction* Changer = nullptr;
    QAction* FFA = nullptr;
    QAction* HelpContext = nullptr;
    QTabWidget* PC = nullptr;
    StructuralPage* tsKozo = nullptr;
    ResultGrid* sgExpres = nullptr;
    ResultGrid* sgReduced = nullptr;
    SystemTestPage* tsTest = nullptr;
    SystemTestPage* tsFinalTest = nullptr;
    PredictionPage* tsPredict = nullptr;
    FinalFormPage* tsFFA = nullptr;
    QStatusBar* SB = nullptr;

protected:
    bool Setup(const LaunchRequest& request) override;
    // The long hint of the control under the mouse goes to the status bar.
    bool event(QEvent* e) override;

private:
    QAction* AddAction(const char* name, const char* caption, const char* shortcut, const char* hint,
                       std::function<void()> handler, bool onToolBar = true);
    void PageShow(int index);
    void Status(const std::string& text);
    void sgExpresMouseDown(Qt::MouseButton button, int x, int y);
    void sgReducedMouseDown(Qt::MouseButton button, int x, int y);
    bool FinalTestActive() const;
    void UpdateAssistantAction();

    std::shared_ptr<SimultaneousSystem> system_;
    int registryListener_ = -1;
};

void RegisterReducedFormWindow();
