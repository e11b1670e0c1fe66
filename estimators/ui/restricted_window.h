// TfrmRREG: least squares under linear restrictions R b = r. The user
// writes R and r in the grid (one column per restriction, expressions
// accepted), adds and deletes restrictions and recomputes; the window shows
// the restricted estimates with the F test of the restrictions, chooses
// groups and variables, plots the residuals, opens the prediction dialog
// and adds the restricted equation to the equation list. The Restricted
// object it owns does all the computing.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "components/view/analysis_window_base.h"
#include "components/view/grid_cell_painter.h"
#include "components/view/selector_dialog.h"
#include "estimators/restricted.h"
#include "estimators/restricted_request.h"

class QAction;
class QLabel;
class QMenu;
class QPushButton;
class QStatusBar;
class QToolBar;
class TStringGrid;

class TfrmRREG : public AnalysisWindowFor<RestrictedRequest> {
    Q_OBJECT
public:
    explicit TfrmRREG(const WindowContext& context);
    ~TfrmRREG() override;

    // Binds the window to the model with one flag per variable and fits
    // the initial restriction; false without a model. Construction errors
    // (an empty block, too few observations) propagate.
    bool SetReg(Reg* reg, const std::vector<std::uint8_t>& varFlags);

    // The table and figures of the last successful fit.
    void FormShow();
    // Enter on a restriction cell takes its value into R or r; elsewhere
    // nothing happens.
    void sgTableKeyDown(int key);
    // Takes the text of cell (c, r) when it is a restriction cell; an
    // expression that fails leaves the restriction and shows its old value.
    void CommitCell(int c, int r);
    void btnRestrictClick();
    void btnRAddClick();
    void btnRDelClick();
    void btnSetupClick();
    void btnPredClick();
    void GroupingExecute();
    void VarSelExecute();
    void stR_R2Click();
    void stR_VeClick();
    // Right button on a coefficient row: its confidence interval in the
    // status bar.
    void sgTableMouseDown(Qt::MouseButton button, int x, int y);
    void Plot(int mode);
    void EXPlotExecute();
    void FundExecute();
    void AddExpresExecute();

    const Restricted* Estimator() const { return estimator_.get(); }
    // Tests put in their own chooser for the group and variable choices.
    void SetSelectorRunner(SelectorRunner run) { selectorRunner_ = std::move(run); }
    // Whether the R^2 field shows the adjusted value; kept for the run.
    static bool AdjustedR2Shown();

    QToolBar* TB = nullptr;
    QAction* Exitence = nullptr;
    QAction* Grouping = nullptr;
    QAction* VarSel = nullptr;
    QAction* EYPlot = nullptr;
    QAction* ETPlot = nullptr;
    QAction* Fund = nullptr;
    QAction* EEPlot = nullptr;
    QAction* EXPlot = nullptr;
    QAction* LRPlot = nullptr;
    QAction* YYPlot = nullptr;
    QAction* AddExpres = nullptr;
    QAction* EELagx = nullptr;
    QAction* HelpContext = nullptr;
    QMenu* pmEELag = nullptr;
    TStringGrid* sgTable = nullptr;
    QLabel* stF0 = nullptr;
    QLabel* stF_Percent = nullptr;
    QLabel* stR_Ve = nullptr;
    QLabel* lblR_R2 = nullptr;
    QLabel* stR_R2 = nullptr;
    QLabel* stDWR = nullptr;
    QLabel* stGK = nullptr;
    QPushButton* btnSetup = nullptr;
    QPushButton* btnRestrict = nullptr;
    QPushButton* btnRAdd = nullptr;
    QPushButton* btnRDel = nullptr;
    QPushButton* btnPred = nullptr;
    QStatusBar* SB = nullptr;

protected:
    bool Setup(const RestrictedRequest& request) override;
    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QAction* AddAction(const char* name, const char* caption, const char* shortcut, const char* hint,
                       std::function<void()> handler);
    void BuildFigures(QWidget* parent);
    // Replaces the estimator and fits it; the display follows on success.
    void Rebuild(std::uint16_t mask, const std::vector<std::uint8_t>& flags, const std::string& depName);
    // Fits the current restrictions; a failure says so and keeps the display.
    bool Recompute();
    std::vector<std::uint8_t> AllFlags() const;
    void UpdatePredictButton();

    std::unique_ptr<Restricted> estimator_;
    Reg* model_ = nullptr;
    std::uint16_t groupMask_ = 0;
    std::string depName_;
    SelectorRunner selectorRunner_;
    GridCellContext cellContext_;
    int registryListener_ = -1;
};

void RegisterRestrictedWindow();
