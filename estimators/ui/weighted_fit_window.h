// TfrmWLS: weighted, robust and AR-error regression of a least-squares
// model, an instrumental-variable model or a named table. It owns one WLSE
// and shows its tables: the estimates, the residuals with the weights, the
// transformed data and the per-observation analysis, plus a prediction.
// The weighting is chosen in TfrmWeightOption (manual weights are asked
// observation by observation); plots, column statistics, the correlation
// matrix of marked columns, the multicollinearity window, the AR
// coefficients, the equation command and the text report work on it.
//
// Modal. The main window opens it with its launch request (mode 5 or 101),
// other windows with a WLSRequest; those may read the estimator when it
// closes. Columns are addressed by the codes of WLSColumns everywhere:
// pages, marks, plots and statistics.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "components/view/analysis_window_base.h"
#include "components/view/selector_dialog.h"
#include "estimators/wls_request.h"

class QAction;
class QMenu;
class QStatusBar;
class QTabWidget;
class QToolBar;
class ResultGrid;
class TfrmARP;
class TfrmWeightOption;
class TfsWLSEstimatePage;
class TfsWLSPredictPage;
class WLSColumns;
class WLSPageTable;
struct LaunchRequest;

class TfrmWLS : public AnalysisWindowBase {
    Q_OBJECT
public:
    // The grids whose columns carry marks, as IsMarked numbers them.
    enum MarkGrid { kResidualGrid = 0, kDataGrid = 1, kAnalysisGrid = 2 };

    explicit TfrmWLS(const WindowContext& context);
    ~TfrmWLS() override;

    // Bind and estimate in mode; false (the error shown) when the data
    // cannot be fitted.
    bool SetRegression(const Reg& model, int mode);
    bool SetRegIV(const RegIV& model, int mode);
    bool SetNamedData(const TNamedData& data, const TFileMatrix* second, int dependentColumn, int mode);
    // Estimates in the window's mode and shows the first page. False when
    // the weighting failed and the plain fit is shown instead. A refused
    // fit raises and leaves the window (and its estimator) as it was.
    bool Recompute();
    bool IsMarked(int grid, int index) const;

    // Commands.
    void SetWeightExecute();
    void ActiveGroupExecute();
    void stVeDblClick();
    void stR2Click();
    void sgEstMouseDown(int x, int y);
    void GridMouseDown(ResultGrid* grid, Qt::MouseButton button, Qt::KeyboardModifiers modifiers, int x, int y);
    // Column statistics of a code, observation k (1-based, 0 none) marked.
    void ShowColumnStatistics(int code, int k);
    void FundExecute(bool studentized);
    void EYPlotExecute();
    void ETPlotExecute();
    void EXPlotExecute();
    void EEPlotExecute(int lag);
    void LRPlotExecute();
    void PRLPlotExecute();
    void XYPlotExecute();
    void RelMatExecute();
    void btnMCLClick();
    void btnARClick();
    void btnCalcClick();
    void AddexpresExecute();
    void TextSaveExecute();
    // Writes the report to path; false (error shown) when it could not be
    // written completely.
    bool SaveReport(const std::string& path);

    int ShowModal() override;

    const WLSE* Estimator() const { return wlse_.get(); }
    int Mode() const { return mode_; }
    std::uint16_t GroupMask() const { return groupMask_; }
    bool ShowInstrumented() const { return showInstrumented_; }
    bool HuberShown() const;
    const std::vector<int>& MarkOrder() const { return markOrder_; }
    double PredictedValue() const { return predictedValue_; }
    // The code shown in a grid column (column 0: the observation number).
    int CodeOf(const ResultGrid* grid, int column) const;

    // How the modal dialogs run (exec() unless a test puts in its own).
    std::function<int(TfrmWeightOption&)> RunWeightDialog;
    std::function<int(TfrmARP&)> RunARDialog;
    SelectorRunner RunGroupSelector;

    QToolBar* TB = nullptr;
    QAction* Exitence = nullptr;
    QAction* ActiveGroup = nullptr;
    QAction* SetWeight = nullptr;
    QAction* XYPlot = nullptr;
    QAction* RelMat = nullptr;
    QAction* EYPlot = nullptr;
    QAction* ETPlot = nullptr;
    QAction* PRLPlot = nullptr;
    QAction* Fund = nullptr;
    QAction* EEPlot = nullptr;
    QAction* EXPlot = nullptr;
    QAction* LRPlot = nullptr;
    QAction* TextSave = nullptr;
    QAction* Addexpres = nullptr;
    QAction* EELagx = nullptr;
    QAction* HelpContext = nullptr;
    QMenu* pmEELag = nullptr;
    QTabWidget* PC = nullptr;
    TfsWLSEstimatePage* tsEst = nullptr;
    ResultGrid* sgRes = nullptr;
    ResultGrid* sgData = nullptr;
    ResultGrid* sgAna = nullptr;
    TfsWLSPredictPage* tsPred = nullptr;
    QStatusBar* SB = nullptr;

protected:
    bool Setup(const WindowRequest& request) override;
    bool event(QEvent* e) override;

private:
    QAction* AddAction(const char* name, const char* caption, const char* shortcut, const char* hint,
                       std::function<void()> handler);
    // Replaces the estimator; false (error shown) when construction failed.
    bool Bind(const std::function<std::unique_ptr<WLSE>()>& make, bool groups);
    void ShowPage(int index);
    void tsEstShow();
    void RebuildTables();
    void ResetMarks();
    void UpdateButtons();
    void Plot(const std::string& xName, const std::vector<double>& x, const std::string& yName,
              const std::vector<double>& y);
    std::string DataSetName() const;

    std::shared_ptr<WLSE> wlse_;
    std::shared_ptr<const WLSColumns> columns_;
    const Reg* model_ = nullptr;
    int mode_ = 5;
    std::uint16_t groupMask_ = 0;
    bool arDisplay_ = false;
    bool showInstrumented_ = false;
    double predictedValue_ = 0.0;
    // One flag per column code, and the codes in the order they were marked.
    std::vector<std::uint8_t> marks_;
    std::vector<int> markOrder_;
    bool showAdjusted_ = false;
    // The shown standard errors are Huber's (until the next estimation).
    bool huberShown_ = false;
    bool lastFitOk_ = false;
    int registryListener_ = -1;
};

void RegisterWeightedRegressionWindow();
