// The X-Y graph window's derived plots (residual plots of the current fit,
// each in a nested graph window), its column statistics and its
// limited-dependent-variable fits of a straight line.
#include <QAction>
#include <QMenu>
#include <QToolBar>
#include <QToolButton>

#include "components/plot/xy_plot.h"
#include "components/view/fundamental_stats_launcher.h"
#include "components/view/graph_launchers.h"
#include "components/view/guarded_slot.h"
#include "components/view/result_grid.h"
#include "core/text/number_format.h"
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

}  // namespace

QAction* TfrmGraphXY::AddCommand(const char* name, const char* caption, const QKeySequence& key,
                                 std::function<void()> run) {
    auto* a = new QAction(caption, this);
    a->setObjectName(name);
    a->setShortcut(key);
    a->setStatusTip(caption);
    addAction(a);
    TB->addAction(a);
    connect(a, &QAction::triggered, this, Guarded(context_.State(), [run] { run(); }));
    return a;
}

void TfrmGraphXY::BuildDerivedActions() {
    TB->addSeparator();
    EYPlot = AddCommand("EYPlot", "残差・予測値", {}, [this] { ShowResidualPlot(kCurvePlotFittedResidual); });
    ETPlot = AddCommand("ETPlot", "残差時系列", {}, [this] { ShowResidualPlot(kCurvePlotTimeResidual); });
    EXPlot = AddCommand("EXPlot", "残差・説明変数", {}, [this] { EXPlotExecute(); });
    LRPlot = AddCommand("LRPlot", "Ｌ－Ｒプロット", {}, [this] { ShowResidualPlot(kCurvePlotLeverageResidual); });
    EEPlot = AddCommand("EEPlot", "Ｅ(i)・Ｅ(i-1)", {}, [this] { ShowResidualPlot(kCurvePlotLag + 1); });
    YYPlot = AddCommand("YYPlot", "予測値・観測値", {}, [this] { ShowResidualPlot(kCurvePlotFittedObserved); });
    NPlot = AddCommand("NPlot", "残差統計量", {}, [this] { ShowColumnStatistics(false, 100); });
    XYDual = AddCommand("XYDual", "縦軸プロット・横軸曲線", {}, [this] { XYDualExecute(); });
    XFund = AddCommand("XFund", "横軸統計量", {}, [this] { ShowColumnStatistics(false, 101); });
    YFund = AddCommand("YFund", "縦軸統計量", {}, [this] { ShowColumnStatistics(false, 102); });
    TB->addSeparator();
    CRModel = AddCommand("CRModel", "打ち切り回帰モデル", QKeySequence("F5"),
                         [this] { FitLimitedDependent(LimitedDependentModel::kCensored); });
    TRModel = AddCommand("TRModel", "切断回帰モデル", QKeySequence("F6"),
                         [this] { FitLimitedDependent(LimitedDependentModel::kTruncated); });
    ProbitModel = AddCommand("ProbitModel", "プロビットモデル", QKeySequence("F7"),
                             [this] { FitLimitedDependent(LimitedDependentModel::kProbit); });

    // Lags 2 to 4 drop down from the lag plot's button.
    pmEELag = new QMenu(this);
    pmEELag->setObjectName("pmEELag");
    const char* const lags[] = {"二期前", "三期前", "四期前"};
    for (int k = 2; k <= 4; ++k) {
        QAction* item = pmEELag->addAction(lags[k - 2]);
        connect(item, &QAction::triggered, this,
                Guarded(context_.State(), [this, k] { ShowResidualPlot(kCurvePlotLag + k); }));
    }
    if (auto* button = qobject_cast<QToolButton*>(TB->widgetForAction(EEPlot))) {
        button->setMenu(pmEELag);
        button->setPopupMode(QToolButton::MenuButtonPopup);
    }
    // The right button on the observed-against-fitted button: in the scale of y.
    if (auto* button = qobject_cast<QToolButton*>(TB->widgetForAction(YYPlot))) {
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
        t[static_cast<std::size_t>(i)] = i + 1.0;
        xLine.SetPoint(i, i + 1.0, fitter_->GetX(i));
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
    ShowFundamentalStats(context_, s->yName, s->y.data(), count, mark);
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
