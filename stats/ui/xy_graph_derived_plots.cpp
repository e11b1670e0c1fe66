// The X-Y graph window's derived plots (residual plots of the current fit,
// each in a nested graph window), its column statistics, its
// limited-dependent-variable fits of a straight line and the weighted
// regression of its points.
#include <QAction>
#include <QMenu>
#include <QTabWidget>
#include <QToolBar>
#include <QToolButton>

#include "components/plot/xy_plot.h"
#include "components/view/fundamental_stats_launcher.h"
#include "components/view/graph_launchers.h"
#include "components/view/guarded_slot.h"
#include "components/view/residual_lag_menu.h"
#include "components/view/result_grid.h"
#include "core/io/file_matrix.h"
#include "core/text/number_format.h"
#include "estimators/weighted_fit.h"
#include "estimators/wls_request.h"
#include "eval/app_state.h"
#include "platform/errors.h"
#include "platform/ui_services.h"
#include "stats/curve_fit.h"
#include "stats/curve_plot_series.h"
#include "stats/ui/xy_graph_window.h"

namespace {

constexpr int kMinStatisticsValues = 4;
constexpr int kXYDual = -1;
constexpr std::uint32_t kDualColour = 32768;  // green
constexpr int kAutomaticRobustWeights = 5;

}  // namespace

QAction* TfrmGraphXY::AddCommand(QToolBar* bar, const char* name, const char* caption, const char* label,
                                 const QKeySequence& key, std::function<void()> run) {
    auto* a = new QAction(caption, this);
    a->setObjectName(name);
    a->setShortcut(key);
    a->setStatusTip(caption);
    // The row shows the short label; the caption is the tool tip and hint.
    a->setIconText(label);
    addAction(a);
    bar->addAction(a);
    connect(a, &QAction::triggered, this, Guarded(context_.State(), [run] { run(); }));
    return a;
}

void TfrmGraphXY::BuildDerivedActions() {
    // The plots and statistics fill the second row; the fits of a line join
    // the weighted regression on the first.
    const struct {
        QToolBar* bar;
        QAction* TfrmGraphXY::*action;
        const char *name, *caption, *label, *key;
        std::function<void()> run;
    } commands[] = {
        {TBPlot, &TfrmGraphXY::EYPlot, "EYPlot", "予測値と標準化残差とのプロット", "残差・予測値", "Ctrl+Alt+C",
         [this] { ShowResidualPlot(kCurvePlotFittedResidual); }},
        {TBPlot, &TfrmGraphXY::ETPlot, "ETPlot", "標準化残差の時系列プロット", "残差時系列", "Ctrl+Alt+T",
         [this] { ShowResidualPlot(kCurvePlotTimeResidual); }},
        {TBPlot, &TfrmGraphXY::EXPlot, "EXPlot", "標準化残差と説明変数とのプロット", "残差・説明変数", "Ctrl+Alt+X",
         [this] { EXPlotExecute(); }},
        {TBPlot, &TfrmGraphXY::LRPlot, "LRPlot", "Ｌ－Ｒプロット", "Ｌ－Ｒプロット", "Ctrl+Alt+L",
         [this] { ShowResidualPlot(kCurvePlotLeverageResidual); }},
        {TBPlot, &TfrmGraphXY::EEPlot, "EEPlot", "Ｅ(i)・Ｅ(i-1)プロット", "Ｅ(i)・Ｅ(i-1)", "Ctrl+Alt+E",
         [this] { ShowResidualPlot(kCurvePlotLag + 1); }},
        {TBPlot, &TfrmGraphXY::YYPlot, "YYPlot", "観測値・予測値プロット", "観測値・予測値", "Ctrl+Alt+Y",
         [this] { ShowResidualPlot(kCurvePlotFittedObserved); }},
        {TBPlot, &TfrmGraphXY::NPlot, "NPlot", "標準化残差の基本統計量", "残差統計量", "Ctrl+Alt+N",
         [this] { ShowColumnStatistics(false, 100); }},
        {TBPlot, &TfrmGraphXY::XYDual, "XYDual", "縦軸プロット・横軸曲線", "縦軸プロット・横軸曲線", "Ctrl+Alt+D",
         [this] { XYDualExecute(); }},
        {TBPlot, &TfrmGraphXY::XFund, "XFund", "横軸の基本統計量", "横軸統計量", "F1",
         [this] { ShowColumnStatistics(false, 101); }},
        {TBPlot, &TfrmGraphXY::YFund, "YFund", "縦軸の基本統計量", "縦軸統計量", "F2",
         [this] { ShowColumnStatistics(false, 102); }},
        {TB, &TfrmGraphXY::CRModel, "CRModel", "打ち切り回帰モデル", "打ち切り回帰", "F5",
         [this] { FitLimitedDependent(LimitedDependentModel::kCensored); }},
        {TB, &TfrmGraphXY::TRModel, "TRModel", "切断回帰モデル", "切断回帰", "F6",
         [this] { FitLimitedDependent(LimitedDependentModel::kTruncated); }},
        {TB, &TfrmGraphXY::ProbitModel, "ProbitModel", "プロビットモデル", "プロビット", "F7",
         [this] { FitLimitedDependent(LimitedDependentModel::kProbit); }},
    };
    TB->addSeparator();
    for (const auto& c : commands)
        this->*c.action = AddCommand(c.bar, c.name, c.caption, c.label, QKeySequence(c.key), c.run);

    // Lags 2 to 4 drop down from the lag plot's button; Ctrl+E opens them.
    pmEELag = AttachResidualLagMenu(this, TBPlot, EEPlot, context_.State(),
                                    [this](int lag) { ShowResidualPlot(kCurvePlotLag + lag); });
    EELagx = AddResidualLagKey(this, TBPlot, EEPlot, pmEELag, context_.State());
    // The right button on the observed-against-fitted button: in the scale of y.
    if (auto* button = qobject_cast<QToolButton*>(TBPlot->widgetForAction(YYPlot))) {
        button->setContextMenuPolicy(Qt::CustomContextMenu);
        connect(button, &QWidget::customContextMenuRequested, this,
                Guarded(context_.State(), [this] { ShowResidualPlot(kCurvePlotFittedObservedRaw); }));
    }
}

void TfrmGraphXY::ShowResidualPlot(int kind) {
    if (!fitter_ || !fitter_->Fitted()) return;
    if (kind == kXYDual) {
        XYDualExecute();
        return;
    }
    const std::optional<CurvePlotSeries> s = CurveResidualPlot(*fitter_, kind);
    if (!s) return;
    ShowXYGraph(context_, s->xName, s->x.data(), s->yName, static_cast<int>(s->y.size()), s->y.data());
    // The nested window had the free lines; this plot draws its own again.
    tsGraphShow();
}

void TfrmGraphXY::EXPlotExecute() {
    if (!fitter_ || !fitter_->Fitted()) return;
    const int slopes = fitter_->ParamCount() - 1;
    int j = 0;
    if (slopes > 1) {
        std::vector<std::string> names;
        for (int k = 0; k < slopes; ++k) names.push_back(k == 0 ? fitter_->XLabel() : std::to_string(k + 1) + "乗項");
        const InputAnswer a = context_.Services().AskInput("説明変数の選択", names, {});
        if (a.result != mrOK) return;
        const auto it = std::find(names.begin(), names.end(), a.text);
        if (it == names.end()) return;
        j = static_cast<int>(it - names.begin());
    }
    ShowResidualPlot(kCurvePlotRegressorResidual + j);
}

void TfrmGraphXY::XYDualExecute() {
    if (!fitter_ || n_ <= 0) return;
    std::vector<double> t(static_cast<std::size_t>(n_));
    XYData xLine(kDualColour, 0, false, n_);
    for (int i = 0; i < n_; ++i) {
        t[static_cast<std::size_t>(i)] = fitter_->PointNumber(i);
        xLine.SetPoint(i, fitter_->PointNumber(i), fitter_->GetX(i));
    }
    std::vector<double> y(static_cast<std::size_t>(n_));
    for (int i = 0; i < n_; ++i) y[static_cast<std::size_t>(i)] = fitter_->GetY(i);
    ShowSeriesPlot(context_, "時間", t.data(), fitter_->YLabel(), {xLine}, n_, y.data());
    tsGraphShow();
}

void TfrmGraphXY::ShowColumnStatistics(bool onlyInRegion, int column) {
    if (!fitter_ || !fitter_->Fitted()) return;
    const CurvePlotRanges region = Ranges();
    const std::optional<CurvePlotSeries> s = CurveColumnSeries(*fitter_, column, onlyInRegion ? &region : nullptr);
    // Too few values for any statistics (an empty view among them).
    if (!s || static_cast<int>(s->y.size()) < kMinStatisticsValues) return;
    const int count = static_cast<int>(s->y.size());
    // The selected point is marked only while the series holds every point.
    const int mark = count == n_ ? plots->SelIndex + 1 : 0;
    // A leave-one-out figure that a point of leverage 1 lacks is left out.
    ShowColumnFundamentalStats(context_, s->yName, s->y.data(), s->leverage.data(), count, mark, s->numbers.data());
}

void TfrmGraphXY::dgAnaMouseDown(Qt::MouseButton button, Qt::KeyboardModifiers mods, int col, int row) {
    if (!fitter_ || !fitter_->Fitted()) return;
    if (button == Qt::RightButton && col >= 1) {
        ShowColumnStatistics((mods & Qt::ControlModifier) != 0, col);
        return;
    }
    if (row < 1 || row > n_) return;
    SelectPoint(row - 1);
    if (button == Qt::LeftButton && col >= 1) {
        const auto s = CurveColumnSeries(*fitter_, col, nullptr);
        if (s && row - 1 < static_cast<int>(s->y.size()))
            SetStatus(0, FormatElementValue(s->yName, row, s->y[static_cast<std::size_t>(row - 1)]));
    }
}

void TfrmGraphXY::FitLimitedDependent(LimitedDependentModel model) {
    if (!fitter_ || !fitter_->Fitted()) return;
    // A failure to converge raises "FAILURE" to the command guard; the plot
    // is left as it was.
    const LimitedDependentFit fit = ::FitLimitedDependent(model, *fitter_);
    const std::string message = LimitedDependentMessage(model, fit);
    if (fit.sigma > 0.0) {
        for (int j = 0; j < 5; ++j) plots->SetB(j, 0.0);
        plots->SetB(0, fit.alpha);
        plots->SetB(1, fit.beta);
        plots->RegLineType = regXY;
        plots->update();
    }
    context_.Services().ShowMessageBox(MsgKind::Information, message, mbOK);
}

void TfrmGraphXY::WLSExecute() {
    if (!fitter_ || !fitter_->Fitted() || !AnalysisWindows().Has(kWeightedWindow)) return;
    const std::unique_ptr<TNamedData> table = CurveDesignTable(*fitter_, context_.State().Context());
    if (!table) return;
    const int p = fitter_->ParamCount();
    // The weighted curve is drawn over the points: the graph page shows
    // (showing it later would draw the least-squares curve again).
    PC->setCurrentWidget(tsGraph);
    WLSRequest request;
    request.table = table.get();
    request.dependentColumn = p - 1;
    request.mode = kAutomaticRobustWeights;
    request.closed = [this, p](const WLSE& weighted) {
        if (weighted.CoefCount() != p) return;
        for (int j = 0; j + 1 < p; ++j) plots->SetB(j + 1, weighted.GetCoef(j));
        plots->SetB(0, weighted.GetCoef(p - 1));
        plots->Setup();
    };
    OpenWindow(kWeightedWindow, context_.WithOwner(this), request);
}
