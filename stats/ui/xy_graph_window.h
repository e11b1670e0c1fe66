// TfrmGraphXY: two series as a scatter plot with a fitted curve of thirteen
// kinds, the data with the coefficients, the per-point diagnostics, the
// correlations, a prediction with its tolerance band, zoom and free drawing.
// Modal; graphs nest (the band graph is another window of this class), and
// each window keeps its own free lines current while it is open and gives
// its opener's back when it closes.
#pragma once

#include <QDialog>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "components/plot/free_lines.h"
#include "components/view/window_context.h"
#include "components/view/window_registry.h"
#include "core/numeric/xy_data.h"
#include "stats/curve_fit_tables.h"
#include "stats/limited_dependent.h"
#include "stats/xy_graph_request.h"

class NumericField;
class QAction;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QStatusBar;
class QTabWidget;
class QToolBar;
class QMenu;
class ResultGrid;
class TSRA;
class TXYPlot;
class TXYGraphDataPage;

class TfrmGraphXY : public QDialog, public RequestWindow<XYGraphRequest> {
    Q_OBJECT
public:
    explicit TfrmGraphXY(const WindowContext& context);
    ~TfrmGraphXY() override;

    using RequestWindow<XYGraphRequest>::Fill;
    bool Fill(const XYGraphRequest& request) override;
    int ShowModal() override { return exec(); }

    // False (the error has been shown) when the first fit fails; the arrays
    // must outlive the window. numbers: the points' observation numbers
    // (n of them), or none for 1 .. n.
    bool SetXY(const std::string& xName, const double* x, const std::string& yName, const double* y, int n,
               int curveType, bool fixed, const std::vector<int>& numbers = {});
    // An extra line drawn over the points (a band); widens the Y range kept
    // for automatic ranges.
    void AddSeries(const XYData& series);

    const TSRA* Fitter() const { return fitter_.get(); }
    int CurveType() const { return curveType_; }
    bool Exchanged() const { return swapped_; }
    int ZoomDepth() const { return static_cast<int>(zoomStack_.size()); }
    const XYDataList& Lines() const { return lines_; }
    // The status panels (0 the hints of the commands under the mouse and the
    // values clicked, 1 and 2 the mouse position).
    QString StatusText(int panel) const;

    // ---- handlers
    void cbRegTypeChange();
    void stRelativeClick();
    void stR2Click();
    void stVeClick();
    void stPlotClick();
    void btnCalcClick();
    void btnPGraphClick();
    void ExchangeXYExecute();
    void OptionSetExecute();
    void SaveExecute();
    void ForwardExecute();
    void BackwardExecute();
    void SelectPoint(int i);
    void dgEstMouseDown(Qt::MouseButton button, int col, int row);
    void dgDataMouseDown(Qt::MouseButton button, int col, int row);
    void plotsMouseDown(Qt::MouseButton button, int px, int py);
    void plotsMouseMove(int px, int py);
    void plotsMouseUp(Qt::MouseButton button, int px, int py);
    void SetFreeDrawMode(bool freeDraw);
    void ClearExecute();  // 解除

    // ---- derived plots and fits
    // A residual plot of the current fit in a nested graph window (kinds of
    // CurveResidualPlot, and XYDual: y against time with x over it); nothing
    // when the plot has nothing sound to show.
    void ShowResidualPlot(int kind);
    // One column of the data or diagnostics in the statistics window; with
    // onlyInRegion only the points in the current view. Fewer than four
    // values open nothing.
    void ShowColumnStatistics(bool onlyInRegion, int column);
    void EXPlotExecute();
    void XYDualExecute();
    // The points in the curve's scale to the weighted regression window
    // (automatic robust weights); its estimates, as it closes, become the
    // plot's curve.
    void WLSExecute();
    // y = alpha + beta x by maximum likelihood from the current fit: the
    // line is drawn and the estimates reported; a failure leaves the plot.
    void FitLimitedDependent(LimitedDependentModel model);
    void dgAnaMouseDown(Qt::MouseButton button, Qt::KeyboardModifiers mods, int col, int row);
    QMenu* LagPopup() const { return pmEELag; }

    // ---- components
    QToolBar* TB = nullptr;
    QToolBar* TBPlot = nullptr;  // the second row: derived plots and fits
    QComboBox* cbRegType = nullptr;
    QTabWidget* PC = nullptr;
    QWidget* tsGraph = nullptr;
    QWidget* tsData = nullptr;
    QWidget* tsAna = nullptr;
    TXYPlot* plots = nullptr;
    QLabel *stTate = nullptr, *stYoko = nullptr, *stTateS = nullptr, *stYokoS = nullptr;
    QLabel *stTateWidth = nullptr, *stYokoWidth = nullptr;
    QLabel *stPlot = nullptr, *stYokoVal = nullptr, *stTateVal = nullptr;
    QLabel *lblRelative = nullptr, *stRelative = nullptr;
    QLabel *lblRR2 = nullptr, *stR2 = nullptr, *stVe = nullptr, *stGK = nullptr, *stDWR = nullptr;
    QLabel *stFe = nullptr, *stPSS = nullptr, *lblBCE = nullptr, *stBCE = nullptr;
    ResultGrid* dgData = nullptr;
    ResultGrid* dgEst = nullptr;
    ResultGrid* dgAna = nullptr;
    QGroupBox* gbPred = nullptr;
    NumericField* epX = nullptr;
    QLineEdit* eSinrai = nullptr;
    QLineEdit* eKakuritu = nullptr;
    QLabel *stPredY = nullptr, *stUpper = nullptr, *stLower = nullptr;
    QPushButton* btnCalc = nullptr;
    QPushButton* btnPGraph = nullptr;
    QMenu* pmDraw = nullptr;
    QAction *mnuFreeDraw = nullptr, *mnuRange = nullptr, *mnuClear = nullptr;
    QAction *Exitence = nullptr, *Forward = nullptr, *Backward = nullptr, *Save = nullptr, *ExchangeXY = nullptr;
    QAction *OptionSet = nullptr, *HelpContext = nullptr, *WLS = nullptr;
    QAction *EYPlot = nullptr, *ETPlot = nullptr, *EXPlot = nullptr, *LRPlot = nullptr, *EEPlot = nullptr;
    QAction *YYPlot = nullptr, *NPlot = nullptr, *XYDual = nullptr, *XFund = nullptr, *YFund = nullptr;
    QAction *CRModel = nullptr, *TRModel = nullptr, *ProbitModel = nullptr;
    QAction* EELagx = nullptr;
    QMenu* pmEELag = nullptr;

protected:
    bool event(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    static constexpr const char* kWeightedWindow = "TfrmWLS";

    struct ZoomRecord {
        double minX, maxX, maxY, minY, stepX, stepY;
        bool swapped;
    };

    void BuildWindow();
    void BuildGraphPage();
    void BuildDataPage();
    void BuildAnalysisPage();
    void BuildActions();
    QAction* AddAction(const char* name, const char* caption, const QKeySequence& key, void (TfrmGraphXY::*handler)());
    void BuildDerivedActions();
    // A command on a tool bar row; label is its short text there.
    QAction* AddCommand(QToolBar* bar, const char* name, const char* caption, const char* label,
                        const QKeySequence& key, std::function<void()> run);
    void EnableWLS();
    void Release();
    void FullRefresh();
    void tsGraphShow();
    void tsDataShow();
    void tsAnaShow();
    void ShowR2();
    void ShowCorrelation();
    void ShowSelected();
    void Exchange();
    CurvePlotRanges Ranges() const;
    const double* PlotX() const { return swapped_ ? y_ : x_; }
    const double* PlotY() const { return swapped_ ? x_ : y_; }
    void SetStatus(int panel, const std::string& text);

    WindowContext context_;  // owned by this window, for what it opens
    std::unique_ptr<FreeLineScope> savedLines_;
    std::unique_ptr<TSRA> fitter_;
    XYDataList lines_;
    std::vector<ZoomRecord> zoomStack_;
    std::unique_ptr<XYData> stroke_;
    const double* x_ = nullptr;
    const double* y_ = nullptr;
    int n_ = 0;
    std::string xName_, yName_;
    bool showAdjusted_ = false;
    int correlationKind_ = 0;
    bool drawing_ = false;
    bool freeDrawMode_ = true;
    bool dragging_ = false;
    int moves_ = 0;
    double regionXMin_ = 0, regionYMax_ = 0, regionXMax_ = 0, regionYMin_ = 0;
    int curveType_ = 0;
    bool swapped_ = false;
    std::uint32_t lineColour_ = 0x008000;
    std::uint8_t lineStyle_ = 0;
    double yMax_ = 0, yMin_ = 0;
    TXYGraphDataPage* dataPage_ = nullptr;
    QStatusBar* SB = nullptr;
    QLabel* panels_[3] = {nullptr, nullptr, nullptr};
    int registryListener_ = -1;
};

// Puts "TfrmGraphXY" in the window registry.
void RegisterGraphXYWindow();
