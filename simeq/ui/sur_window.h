// TfrmSURE: seemingly unrelated regressions over the observation groups of
// the data set. The user ticks two or more groups, chooses each equation's
// dependent variable, and reads the coefficients, residuals and fit of the
// equation chosen in cbSel; the residual plots, the residual correlation
// matrix, the prediction dialog and the transfer of the equations into the
// data set's equation list start from here.
#pragma once

#include <array>
#include <functional>
#include <memory>

#include "components/view/analysis_window_base.h"
#include "components/view/launch_request.h"
#include "simeq/sur_estimator.h"
#include "simeq/sur_tables.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QListWidget;
class QPushButton;
class QStatusBar;
class ResultGrid;

class TfrmSURE : public AnalysisWindowFor<LaunchRequest> {
    Q_OBJECT
public:
    enum class Plot { ResidualOnFitted, ResidualOnTime, LeverageOnResidual, Statistics };

    explicit TfrmSURE(const WindowContext& context);
    ~TfrmSURE() override;

    // False when no observation carries a group mark.
    bool SetData(Reg& reg);

    void btnCalcClick();
    void FormShow();
    void cbSelChange();
    void cHanpukuClick();
    void ShowPlot(Plot plot);
    void btnRelMatClick();
    void btnPredClick();
    void btnAddClick();
    // The coefficient interval of the row in the status bar.
    void ShowInterval(int row);
    void lbGrpSelKeyDown(int key, Qt::KeyboardModifiers modifiers);

    // The series the plots and statistics of an equation show: the
    // engine's; tests put in their own.
    std::function<SurPlotSeries(const Zelner&, const SurResult&, int)> PlotSeries;

    const Zelner* Estimator() const { return zelner_.get(); }
    const SurResult* Result() const { return result_.get(); }
    int CurrentEquation() const { return current_; }

    QComboBox* cbSel = nullptr;
    QPushButton* btnCalc = nullptr;
    QPushButton* btnRelMat = nullptr;
    QPushButton* btnPred = nullptr;
    QPushButton* btnHelp = nullptr;
    QPushButton* btnEnd = nullptr;
    QListWidget* lbGrpSel = nullptr;
    ResultGrid* sgEst = nullptr;
    ResultGrid* sgRes = nullptr;
    QPushButton* btnYEPlot = nullptr;
    QPushButton* btnETPlot = nullptr;
    QPushButton* btnNPlot = nullptr;
    QPushButton* btnLRPlot = nullptr;
    QLabel* stFE = nullptr;
    QLabel* stVe = nullptr;
    QLabel* stR2 = nullptr;
    QCheckBox* cHanpuku = nullptr;
    QPushButton* btnAdd = nullptr;
    QStatusBar* SB = nullptr;

protected:
    bool Setup(const LaunchRequest& request) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QPushButton* AddButton(const char* name, const char* caption, std::function<void()> handler);
    void UpdateButtons();
    // The group number of a list or combo text: its group code, else the
    // text read as a number (0 when neither).
    int GroupOfText(const std::string& text) const;

    Reg* model_ = nullptr;
    std::array<bool, 16> flagged_{};
    std::vector<int> groups_;  // the group of each equation
    std::shared_ptr<const Zelner> zelner_;
    std::shared_ptr<const SurResult> result_;
    int current_ = 0;
    int registryListener_ = -1;
};

void RegisterSurWindow();
