// TfrmJNE: the jackknife estimates of a least-squares or an
// instrumental-variables model, the residuals of the jackknifed equation,
// their plots and statistics, and the command that adds the jackknifed
// equation to the equation list. Everything shown comes from the tables of
// the result computed once when the window is filled; the window does not
// follow later changes of the model.
#pragma once

#include <memory>
#include <string>

#include "components/view/analysis_window_base.h"
#include "components/view/launch_request.h"
#include "estimators/jackknife.h"

class QAction;
class QMenu;
class QTabWidget;
class QToolBar;
class ResultGrid;
class RegIV;

// Opened with a LaunchRequest (the main window's model) or a
// JackknifeRequest (an instrumental-variable model).
class TfrmJNE : public AnalysisWindowBase {
    Q_OBJECT
public:
    explicit TfrmJNE(const WindowContext& context);
    ~TfrmJNE() override;

    // Computes the jackknife from the model's influence rows; false (and
    // nothing shown) when it could not be computed.
    bool SetRegression(Reg& reg);
    bool SetRegIV(RegIV& model);

    // Plot modes: 0 residual on fitted, 1 residual on time, 2 observed on
    // fitted, 100 + coefficient j residual on its variable, 200 + L residual
    // on the residual L steps later (only with at least L + 4 observations).
    void Plot(int mode);
    void FundExecute();
    void EXPlotExecute();
    void AddExpExecute();

    const JackknifeInput& Input() const { return *in_; }
    const JackknifeResult& Result() const { return *result_; }

    QToolBar* TB = nullptr;
    QAction* Exitence = nullptr;
    QAction* EYPlot = nullptr;
    QAction* ETPlot = nullptr;
    QAction* Fund = nullptr;
    QAction* EEPlot = nullptr;
    QAction* EXPlot = nullptr;
    QAction* YYPlot = nullptr;
    QAction* EELagx = nullptr;
    QAction* AddExp = nullptr;
    QMenu* pmEELag = nullptr;
    QTabWidget* PC = nullptr;
    ResultGrid* sgEst = nullptr;
    ResultGrid* sgRes = nullptr;

protected:
    bool Setup(const WindowRequest& request) override;

private:
    QAction* AddAction(const char* name, const char* caption, const char* shortcut, const char* hint,
                       std::function<void()> handler);
    bool Show(JackknifeInput input);

    std::shared_ptr<const JackknifeInput> in_;
    std::shared_ptr<const JackknifeResult> result_;
};

void RegisterJackknifeWindow();
