// TfrmMLE: the Tobit estimates of the current least-squares model (the
// dependent censored at zero from below), the residuals, the latent index
// at typed regressor values and the residual displays. A failed estimation
// (no convergence, sigma not positive, a singular information matrix) is
// raised out of SetData, so no window opens.
//
// The displays use the positive observations on the action or a left
// click, and all observations on a right click of the tool button.
#pragma once

#include <memory>

#include "components/view/analysis_window_base.h"
#include "components/view/launch_request.h"
#include "estimators/tobit.h"

class QAction;
class QLabel;
class QTabWidget;
class QToolBar;
class QToolButton;
class ResultGrid;
class TStringGrid;

class TfrmMLE : public AnalysisWindowFor<LaunchRequest> {
    Q_OBJECT
public:
    enum class Display { ResidualOnIndex, Statistics, ObservedOnIndex };

    explicit TfrmMLE(const WindowContext& context);
    ~TfrmMLE() override;

    // Estimates the model; errors propagate to the caller's guard.
    bool SetData(const Reg& reg);
    void Show(Display display, bool allObservations);
    // Evaluates the typed values (an empty cell is 0) and shows the index.
    void sgVListKeyDown(int key);

    const TobitProblem& Problem() const { return *problem_; }
    const TobitResult& Result() const { return *result_; }

    QToolBar* TB = nullptr;
    QAction* Exitence = nullptr;
    QAction* EYPlot = nullptr;
    QAction* Fund = nullptr;
    QAction* YYPlot = nullptr;
    QToolButton* tbEYPlot = nullptr;
    QToolButton* tbFund = nullptr;
    QToolButton* tbYYPlot = nullptr;
    QTabWidget* PageControl1 = nullptr;
    QWidget* tsEstimate = nullptr;
    ResultGrid* sgEst = nullptr;
    QLabel* stVe = nullptr;
    QLabel* stVeVar = nullptr;
    ResultGrid* sgRes = nullptr;
    QWidget* tsPred = nullptr;
    TStringGrid* sgVList = nullptr;
    QLabel* stPred = nullptr;

protected:
    bool Setup(const LaunchRequest& request) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QAction* AddAction(const char* name, const char* caption, const char* shortcut, const char* hint,
                       std::function<void()> handler);
    void BuildPredictionPage();

    std::shared_ptr<const TobitProblem> problem_;
    std::shared_ptr<const TobitResult> result_;
};

void RegisterTobitWindow();
