// TfrmRidge: one ridge regression of a model or of a table of named
// columns: estimates with standard errors and ridge variance inflation
// factors at the automatic or a typed ridge constant, the residuals, a
// prediction at typed regressor values, the residual displays, the choice
// of variables (and of groups for a model) and the fitted equation for the
// equation list. The Ridge object it owns does all the computing.
//
// Opened on a model it is a window like the other analyses; opened on a
// table it runs modally, and the caller takes over the fit in the
// request's closed function.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "components/view/analysis_window_base.h"
#include "components/view/grid_cell_painter.h"
#include "components/view/selector_dialog.h"
#include "estimators/ridge.h"
#include "estimators/ridge_request.h"

class QAction;
class QLabel;
class QMenu;
class QPushButton;
class QStatusBar;
class QTabWidget;
class QToolBar;
class ResultGrid;
class TStringGrid;

class TfrmRidge : public AnalysisWindowFor<RidgeRequest> {
    Q_OBJECT
public:
    explicit TfrmRidge(const WindowContext& context);
    ~TfrmRidge() override;

    // Binds to the model's variables in use (all observations) and fits at
    // the automatic constant. Exception "DERR" for an empty block; a fit
    // that cannot be had says so and gives false.
    bool SetRegression(Reg* reg);
    // Binds to the selected columns of the table, dependentColumn the
    // dependent; the group choice is hidden.
    bool SetNamedData(const TNamedData* table, int dependentColumn);

    // Hands the fit to the caller's closed function, once, then closes.
    void done(int result) override;

    void tsEstimateShow();
    void tsResidualShow();
    void tsPredShow();
    // The ridge constant typed in the prompt: a value in [0, 1] refits,
    // any other is ignored. A refused fit raises its error for the guard;
    // the pages keep the fit before.
    void stOptClick();
    void ResetRidgeExecute();
    void VarSelExecute();
    void ActiveGroupExecute();
    void AddToExpresExecute();
    // The prediction at the typed values (empty cells and rows that are no
    // regressor count 0); nothing with a single regressor.
    void btnCalcClick();
    void sgEstMouseDown(Qt::MouseButton button, int x, int y);
    void sgEstKeyDown(int key, Qt::KeyboardModifiers modifiers);
    // Against the studentised residuals: 0 fitted, 1 time, 2 a chosen
    // regressor; 3 observed on fitted; 4 leverage on the squared-residual
    // share; 10 + L the residual on the one L steps later (L = 1..4).
    void Plot(int kind);
    void NPlotExecute();

    const Ridge* Estimator() const { return ridge_.get(); }
    double AutomaticK() const { return automaticK_; }
    double Prediction() const { return prediction_; }
    void SetSelectorRunner(SelectorRunner run) { selectorRunner_ = std::move(run); }

    QToolBar* ToolBar1 = nullptr;
    QAction* OptExit = nullptr;
    QAction* ActiveGroup = nullptr;
    QAction* tbSep = nullptr;
    QAction* VarSel = nullptr;
    QAction* RPlotCS = nullptr;
    QAction* RPlotTS = nullptr;
    QAction* NPlot = nullptr;
    QAction* EEPlot = nullptr;
    QAction* XEPlots = nullptr;
    QAction* YYPlot = nullptr;
    QAction* LRPlot = nullptr;
    QAction* AddToExpres = nullptr;
    QAction* ResetRidge = nullptr;
    QAction* EELagx = nullptr;
    QAction* HelpContext = nullptr;
    QMenu* pmEELag = nullptr;
    QTabWidget* PageControl1 = nullptr;
    QWidget* tsEstimate = nullptr;
    QLabel* stOpt = nullptr;
    ResultGrid* sgEst = nullptr;
    QLabel* stResSig = nullptr;
    QLabel* stRR2 = nullptr;
    QLabel* stDWR = nullptr;
    QLabel* stGK = nullptr;
    QLabel* stCp = nullptr;
    ResultGrid* sgRes = nullptr;
    QWidget* tsPred = nullptr;
    TStringGrid* sgVList = nullptr;
    QLabel* stPred = nullptr;
    QPushButton* btnCalc = nullptr;
    QStatusBar* OSB = nullptr;

protected:
    bool Setup(const RidgeRequest& request) override;
    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QAction* AddAction(const char* name, const char* caption, const char* shortcut, const char* hint,
                       std::function<void()> handler);
    void BuildEstimatePage();
    void BuildPredictionPage();
    // Takes a new estimator fitted at the automatic constant; false (the
    // old one kept, the reason shown) when it cannot be fitted or its fit
    // is refused.
    bool Bind(std::unique_ptr<Ridge> ridge);
    void ShowGroupChoice(bool on);
    // The 95% interval of the coefficient on that row in the status bar.
    void CoefficientStatus(int row);
    void HandOver();

    std::shared_ptr<Ridge> ridge_;
    Reg* model_ = nullptr;
    const TNamedData* table_ = nullptr;
    // A copy of the table whose selection the variable choice changes.
    std::unique_ptr<TNamedData> ownTable_;
    int dependentColumn_ = -1;
    std::uint16_t groupMask_ = 0;
    double automaticK_ = 0.0;
    double prediction_ = 0.0;
    bool handedOver_ = false;
    SelectorRunner selectorRunner_;
    GridCellContext cellContext_;
};

void RegisterRidgeWindow();
