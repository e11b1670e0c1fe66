// TfrmIV: one equation of the data set estimated by instrumental variables.
// The window owns its RegIV: the design page shows the estimation design
// (instruments in place of the instrumented variables) and takes edits of
// it, the estimates page toggles regressors and shows the coefficients with
// the summary values, and the diagnostics and influence pages show the
// per-observation rows with their marks. Instruments are built in the
// instrument settings dialog; the equation goes to the data set's list.
// Every number shown is a cell of the engine's IV tables.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "components/view/analysis_window_base.h"
#include "components/view/grid_cell_painter.h"
#include "components/view/selector_dialog.h"
#include "core/data/selekto.h"
#include "core/model/result_columns.h"
#include "core/model/result_marks.h"
#include "simeq/iv_request.h"

class QAction;
class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;
class QStatusBar;
class QTabWidget;
class QToolBar;
class RegIV;
class ResultGrid;
class TStringGrid;
class TfrmIVSet;

class TfrmIV : public AnalysisWindowFor<IVRequest> {
    Q_OBJECT
public:
    explicit TfrmIV(const WindowContext& context);
    ~TfrmIV() override;

    // Builds the estimator over every observation (the model's variables
    // only when the request says so) and starts the equation of the data
    // set's model, matching its variables by name. False, with the reason
    // shown, when that failed: the estimator before (none at the start)
    // stays.
    bool CreateEstimator(Reg* data);
    // The constant term and, for the whole data set, the model's
    // explanatory variables; otherwise every variable. A variable that
    // would leave fewer than 2 residual degrees of freedom, or that repeats
    // those before it, stays out. False, with the reason shown, when the
    // estimator refused: it keeps the estimate before.
    bool ResetModel(int dependent);
    void ResetMarks();
    void ClearMarks();
    bool IsRowMarked(int grid, int index) const;

    RegIV* Estimator() const { return model_.get(); }
    std::uint16_t GroupMask() const { return mask_; }

    // --- commands -------------------------------------------------------------
    void ActiveGroupExecute();
    void IVSetExecute();
    void AddExpresExecute();
    void TextSaveExecute();

    // --- plots and the correlation matrix ----------------------------------------
    // Marked columns are taken design page first, then diagnostics, then
    // influence, each by ascending column; taking one unmarks it.
    int CountMarks() const;
    // Kind None when nothing is marked.
    ResultColumn TakeMarkedColumn();
    // The next two marked columns into the pair every window shares (None
    // where there was none).
    void TakeTwoMarkedColumns();
    static std::pair<ResultColumn, ResultColumn> XYPair() { return xyPair_; }
    // Residual plot modes: 0 on the predicted values, 1 on time, 100 + j on
    // the data column j, 200 + j on its instrument, 300 the L-R plot,
    // 300 + k (k = 1..4) on the residual k observations earlier.
    void ShowResidualPlot(int mode);
    void XYPlotExecute();
    void YEPlotExecute() { ShowResidualPlot(0); }
    void TEPlotExecute() { ShowResidualPlot(1); }
    void XEPlotExecute();
    void EEPlotExecute() { ShowResidualPlot(301); }
    void LRPlotExecute() { ShowResidualPlot(300); }
    void NPlotExecute();
    void PRLPlotExecute();
    void RelMatExecute();
    // The right button of the normal-plot tool button: the statistics of
    // t(i) instead.
    void ToolButton9MouseDown(Qt::MouseButton button);

    // --- prediction page and hand-overs -----------------------------------------
    void tsPredShow();
    void btnCalcClick();
    void btnSelClick();
    void btnGraphClick();
    void WLSExecute();
    void btnVIFClick();
    void btnJNEClick();
    void stVeClick();

    // --- the pages, by cell (the mouse and keys end here) ---------------------
    void tsViewShow();
    void tsEstShow();
    void tsResShow();
    void tsAnaShow();
    void TableCellClick(int c, int r, Qt::MouseButton button, Qt::KeyboardModifiers mods);
    void TableCellEdit(int c, int r);
    void EstCellClick(int c, int r, Qt::MouseButton button, Qt::KeyboardModifiers mods);
    void EstKey(int key, Qt::KeyboardModifiers mods);
    void stRRClick();
    void ResCellClick(int c, int r, Qt::MouseButton button, Qt::KeyboardModifiers mods);
    void AnaCellClick(int c, int r, Qt::MouseButton button, Qt::KeyboardModifiers mods);
    // The influence page's column (grid column - 1) as a column code, the
    // raw coefficient change for a DFBETA column when raw.
    ResultColumn InfluenceColumnCode(int index, bool raw) const;

    // Runs the group selector (tests put in their own) and the instrument
    // dialog (exec by default).
    SelectorRunner groupRunner;
    std::function<int(TfrmIVSet&)> ivSetRunner;

    QStatusBar* SB = nullptr;
    QToolBar* TB = nullptr;
    QAction* Exitence = nullptr;
    QAction* ActiveGroup = nullptr;
    QAction* IVSet = nullptr;
    QAction* TextSave = nullptr;
    QAction* WLS = nullptr;
    QAction* AddExpres = nullptr;
    QAction* HelpContext = nullptr;
    QAction* XYPlot = nullptr;
    QAction* RelMat = nullptr;
    QAction* YEPlot = nullptr;
    QAction* TEPlot = nullptr;
    QAction* PRLPlot = nullptr;
    QAction* NPlot = nullptr;
    QAction* EEPlot = nullptr;
    QAction* XEPlot = nullptr;
    QAction* LRPlot = nullptr;
    QAction* EELagx = nullptr;
    QMenu* pmEELag = nullptr;
    QTabWidget* PC = nullptr;
    QWidget* tsView = nullptr;
    QWidget* tsEst = nullptr;
    QWidget* tsRes = nullptr;
    QWidget* tsAna = nullptr;
    TStringGrid* sgTable = nullptr;
    ResultGrid* sgEst = nullptr;
    QLabel* stFE = nullptr;
    QLabel* stVe = nullptr;
    QLabel* lblRR2 = nullptr;
    QLabel* stRR = nullptr;
    QLabel* stSpecTest = nullptr;
    QLabel* stPSS = nullptr;
    QLabel* stGK = nullptr;
    QLabel* stDWR = nullptr;
    QPushButton* btnVIF = nullptr;
    QPushButton* btnJNE = nullptr;
    TStringGrid* sgRes = nullptr;
    TStringGrid* sgAna = nullptr;
    QWidget* tsPred = nullptr;
    TStringGrid* sgVList = nullptr;
    QLabel* stName = nullptr;
    QLabel* stPred = nullptr;
    QLabel* stPUpper = nullptr;
    QLabel* stPLower = nullptr;
    QLineEdit* eSinraido = nullptr;
    QLineEdit* eKakuritu = nullptr;
    QPushButton* btnCalc = nullptr;
    QPushButton* btnSel = nullptr;
    QPushButton* btnGraph = nullptr;

protected:
    bool Setup(const IVRequest& request) override;
    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QAction* AddAction(const char* name, const char* caption, const char* shortcut, const char* hint,
                       std::function<void()> handler, bool separator = false);
    void BuildDesignPage();
    void BuildEstimatesPage();
    void BuildResultPages();
    void BuildPredictionPage();
    void BuildPlotActions();
    void EnableHandOvers();
    double Percent(const QLineEdit* field, double defaultPercent);
    void PageChanged();
    void ShowRSquared();
    bool SelectedOnly() const;
    // Enters the constant term, then each variable for which take() says
    // so (see ResetModel); false, with the reason shown, when refused.
    bool EnterVariables(RegIV& model, int dependent, const std::function<bool(int)>& take);
    // Why the estimator refused its last model change, in a message box.
    void ShowFitProblem(const RegIV& model);
    QString DesignCellText(int c, int r) const;
    QString DiagnosticCellText(int c, int r) const;
    QString InfluenceCellText(int c, int r) const;
    void ShowColumnStats(ResultColumn column, int row);
    void Status(const std::string& text);
    void HeadingClick(Selekto& own, int c, Qt::KeyboardModifiers mods);

    std::unique_ptr<RegIV> model_;
    Reg* data_ = nullptr;
    std::uint16_t mask_ = 0;
    double specTest_ = 0.0;
    Selekto tableMarks_, resMarks_, anaMarks_;
    std::vector<int> designColumns_;        // variable of each design column after the first
    std::vector<int> estimateRows_;         // variable of each estimates row after the heading
    std::vector<ResultColumn> influence_;  // column of each influence column after the first
    ResultMarks marks_;
    GridCellContext tableContext_, resContext_, anaContext_, predContext_;
    double predicted_ = 0.0, upper_ = 0.0, lower_ = 0.0;
    int registryListener_ = -1;

    // One switch for every window: the adjusted R^2 beside the estimates.
    static inline bool adjustedR2_ = false;
    // The columns the last X-Y plot took, shared as the adjusted-R^2 switch.
    static inline std::pair<ResultColumn, ResultColumn> xyPair_{};
};

void RegisterIVWindow();
