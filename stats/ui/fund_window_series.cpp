// The time-series, autocorrelation and periodogram pages of the univariate
// statistics window.
#include <QAction>
#include <QButtonGroup>
#include <QListWidget>
#include <QMenu>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

#include <algorithm>
#include <cmath>

#include "components/plot/acf_view.h"
#include "components/plot/flex_dosu.h"
#include "components/plot/xy_plot.h"
#include "components/view/qt_text.h"
#include "components/view/window_registry.h"
#include "core/text/number_format.h"
#include "eval/app_state.h"
#include "eval/calc_str.h"
#include "estimators/yule_walker_request.h"
#include "platform/errors.h"
#include "platform/qt/string_grid.h"
#include "platform/ui_services.h"
#include "stats/trend_curves.h"
#include "stats/ui/box_plot_paint.h"
#include "stats/ui/click_label.h"
#include "stats/ui/fund_box_page.h"
#include "stats/ui/fund_freq_page.h"
#include "stats/ui/fund_acf_page.h"
#include "stats/ui/fund_shuki_page.h"
#include "stats/ui/fund_time_page.h"
#include "stats/ui/fund_window.h"
#include "stats/ui/graph_setting_dialog.h"
#include "stats/univariate_fields.h"
#include "stats/univariate_randomness.h"

namespace {

const char* const kYuleWalkerWindow = "TfrmYWEst";

// The trend curves by the fitter's model number.
const char* const kTrendNames[TimeSeriesMerlox::kModelCount] = {
    "直線", "２次曲線", "３次曲線", "４次曲線", "対数曲線", "逆数曲線", "ボックスコックス変換", "ロジスティック曲線",
    "ゴンペルツ曲線"};

// A typed whole number, truncated and kept within a range an int holds.
int WholeNumber(double v, double lowest, double highest) {
    if (std::isnan(v)) return static_cast<int>(lowest);
    return static_cast<int>(std::clamp(std::trunc(v), lowest, highest));
}

}  // namespace

void TfrmFund::ConnectPages() {
    // Frequency page.
    TStringGrid* dosuGrid = tsFreq->sgDosu;
    connect(tsFreq->Dosu1, &TFlexDosu::MouseDown, this,
            GuardedSlot([this](Qt::MouseButton b, Qt::KeyboardModifiers m, int x, int y) { Dosu1MouseDown(b, m, x, y); }));
    connect(tsFreq->pmBindUpper, &QAction::triggered, this, GuardedSlot([this] { pmBindUpperClick(); }));
    connect(tsFreq->pmBindLower, &QAction::triggered, this, GuardedSlot([this] { pmBindLowerClick(); }));
    connect(tsFreq->pmSeparate, &QAction::triggered, this, GuardedSlot([this] { pmSeparateClick(); }));
    connect(dosuGrid, &TStringGrid::KeyDown, this,
            GuardedSlot([this](int key, Qt::KeyboardModifiers m) { sgDosuKeyDown(key, m); }));
    connect(dosuGrid, &TStringGrid::GridMouseDown, this,
            GuardedSlot([this](Qt::MouseButton b, Qt::KeyboardModifiers m, int x, int y) { sgDosuMouseDown(b, m, x, y); }));
    connect(dosuGrid, &QWidget::customContextMenuRequested, this, [this, dosuGrid](const QPoint& p) {
        int col = -1, row = -1;
        dosuGrid->MouseToCell(p.x(), p.y(), col, row);
        if (row >= 1) dosuGrid->SetCurrentCell(std::max(col, 1), row);
        tsFreq->pmFD->popup(dosuGrid->viewport()->mapToGlobal(p));
    });

    // Time-series page: the grid asks for the rows it shows.
    tsTime->sgData->SetCellProvider([this](int col, int row) -> QString {
        if (row < 1 || row > static_cast<int>(stats_.values.size())) return {};
        if (col == 0) return QString::number(NumberOf(row - 1));
        return Q(FormatNumber(false, stats_.values[static_cast<std::size_t>(row - 1)]));
    });
    connect(tsTime->timeseries, &TXYPlot::MouseDown, this,
            GuardedSlot([this](Qt::MouseButton b, Qt::KeyboardModifiers, int x, int y) { timeseriesMouseDown(b, x, y); }));
    connect(tsTime->sgData, &TStringGrid::Click, this, GuardedSlot([this] { sgDataClick(); }));
    tsTime->stLineStyle->onClick = GuardedSlot([this] { stLineStyleClick(); });
    connect(tsTime->btnExpresMsg, &QPushButton::clicked, this, GuardedSlot([this] { btnExpresMsgClick(); }));

    // Autocorrelation page.
    tsACF->sgACFData->SetCellProvider([this](int col, int row) -> QString {
        const RandomnessTests& t = stats_.randomness;
        const int lag = row - 1;
        if (lag < 0 || lag > t.maxLag || lag >= static_cast<int>(t.acf.size()) ||
            lag >= static_cast<int>(t.pacf.size()))
            return {};
        if (col == 0) return QString::number(lag);
        const double r = col == 1 ? t.acf[static_cast<std::size_t>(lag)] : t.pacf[static_cast<std::size_t>(lag)];
        return Q(AutocorrelationMark(r, stats_.n) + FormatNumber(false, r));
    });
    connect(tsACF->rgShow, &QButtonGroup::idClicked, this, GuardedSlot([this] { rgShowClick(); }));
    connect(tsACF->cbZoom, &QCheckBox::clicked, this, GuardedSlot([this] { cbZoomClick(); }));
    connect(tsACF->eH, &QLineEdit::returnPressed, this, GuardedSlot([this] { eHKeyPress(); }));
    connect(tsACF->ACF, &TACFView::MouseDown, this,
            GuardedSlot([this](Qt::MouseButton, Qt::KeyboardModifiers, int x, int y) { ACFMouseDown(x, y); }));
    connect(tsACF->btnYWEst, &QPushButton::clicked, this, GuardedSlot([this] { btnYWEstClick(); }));

    // Periodogram page.
    tsShuki->sgShuki->SetCellProvider([this](int col, int row) -> QString {
        const PeriodogramValues& p = periodogram_;
        if (row < 1 || row > static_cast<int>(p.value.size())) return {};
        const int period = p.firstPeriod + row - 1;
        if (col == 0) return QString::number(period);
        const double v = p.value[static_cast<std::size_t>(row - 1)];
        return Q(PeriodogramMark(v, p.referenceLevel) + FormatNumber(false, v));
    });
    connect(tsShuki->shuki, &TACFView::MouseDown, this,
            GuardedSlot([this](Qt::MouseButton, Qt::KeyboardModifiers, int x, int y) { shukiMouseDown(x, y); }));

    // Box plot page.
    connect(tsBoxPlot->pbBox, &TBoxPaint::MouseDown, this,
            GuardedSlot([this](Qt::MouseButton, Qt::KeyboardModifiers, int x, int) { pbBoxMouseDown(x); }));
    connect(tsBoxPlot->lbList, &QListWidget::itemClicked, this, GuardedSlot([this] { lbListClick(); }));
}

// ---- time series

void TfrmFund::tsTimeShow() {
    if (!loaded_ || !trend_) return;
    TStringGrid* g = tsTime->sgData;
    g->SetRowCount(stats_.n + 1);
    g->SetColWidth(0, 40);
    g->SetCell(1, 0, "データ");
    tsTime->stLineStyle->setText(kTrendNames[std::clamp(trend_->Model(), 0, TimeSeriesMerlox::kModelCount - 1)]);
    timeseriesResize();
    TXYPlot* plot = tsTime->timeseries;
    plot->DotSel(selected_);
    g->SetCurrentCell(1, selected_ + 1);
    tsTime->stLineWidth->setText(Q(FormatNumber(false, plot->StepY)));
    tsTime->stBottom->setText(Q(FormatNumber(false, plot->StartY)));
}

void TfrmFund::timeseriesResize() {
    const int n = stats_.n;
    // Time is the observation number: a value left out leaves a gap.
    std::vector<double> x(static_cast<std::size_t>(n));
    for (int i = 0; i < n; ++i) x[static_cast<std::size_t>(i)] = NumberOf(i);
    TXYPlot* plot = tsTime->timeseries;
    for (int i = 0; i < 5; ++i) plot->SetB(i, trend_->GetPlotCoef(i));
    plot->RegLineType = trend_->GetLineType();
    if (!plot->SetData(x.data(), stats_.values.data(), n, nullptr, {})) throw EOutOfMemory();
}

void TfrmFund::timeseriesMouseDown(Qt::MouseButton button, int x, int y) {
    if (!loaded_ || button != Qt::LeftButton) return;
    TXYPlot* plot = tsTime->timeseries;
    plot->MoveTo(x, y);
    plot->setSel(x, y, false);
    if (plot->SelIndex < 0 || plot->SelIndex >= stats_.n) return;
    selected_ = plot->SelIndex;
    tsTime->sgData->SetCurrentCell(1, selected_ + 1);
}

void TfrmFund::sgDataClick() {
    const int row = tsTime->sgData->Row();
    if (!loaded_ || row < 1 || row > stats_.n) return;
    selected_ = row - 1;
    tsTimeShow();
}

void TfrmFund::stLineStyleClick() {
    if (!loaded_) return;
    const std::vector<std::string> names(std::begin(kTrendNames), std::end(kTrendNames));
    const InputAnswer answer = Services().AskInput("データ組番号", names, kTrendNames[0]);
    if (answer.result != mrOK || answer.text.empty()) return;
    const auto at = std::find(names.begin(), names.end(), answer.text);
    // A name that is none of the nine leaves the trend as it is.
    if (at == names.end()) return;
    FitTrend(static_cast<int>(at - names.begin()));
    tsTimeShow();
}

void TfrmFund::FitTrend(int model) { (void)trend_->Fit(model); }

void TfrmFund::btnExpresMsgClick() {
    if (!loaded_ || !trend_) return;
    Services().ShowMessageBox(MsgKind::Information, trend_->GetFormula(), mbOK);
}

void TfrmFund::TimeSeriesOptions() {
    TXYPlot* plot = tsTime->timeseries;
    AppState& state = Context().State();
    TfrmSetting dialog([&state](const std::string& t, double d) { return state.Evaluator().Evaluate(t, d); },
                       Services(), this);
    dialog.SetValues(true, true, plot->MinX, plot->MaxX, plot->StepX, plot->MinY, plot->MaxY, plot->StepY, false,
                     0x008000, 0);
    if (RunDialog(dialog) != QDialog::Accepted) return;
    if (dialog.automatic == 0) {
        // An empty or reversed range would leave nothing to draw.
        if (!(dialog.xMax > dialog.xMin) || !(dialog.yMax > dialog.yMin)) throw ERangeError("範囲エラー");
        plot->MinX = dialog.xMin;
        plot->MaxX = dialog.xMax;
        plot->StepX = dialog.xInterval;
        plot->MinY = dialog.yMin;
        plot->MaxY = dialog.yMax;
        plot->StepY = dialog.yInterval;
        plot->MinMax = false;
        plot->AutoSet = false;
    } else {
        plot->MinMax = true;
        plot->AutoSet = true;
    }
    tsTimeShow();
}

// ---- autocorrelations

void TfrmFund::tsACFShow() {
    if (!loaded_) return;
    const RandomnessTests& t = stats_.randomness;
    const int n = stats_.n;
    TStringGrid* g = tsACF->sgACFData;
    g->SetRowCount(t.maxLag + 2);
    g->SetColWidth(0, 40);
    g->SetCell(1, 0, "ACF");
    g->SetCell(2, 0, "PACF");
    g->InvalidateGrid();
    TACFView* chart = tsACF->ACF;
    chart->Band1 = AutocorrelationBand95(n);
    chart->Band2 = AutocorrelationBand99(n);
    chart->BandColor1 = canvas_color::kBlue;
    chart->BandColor2 = canvas_color::kRed;
    chart->FixedUpper = 0;
    chart->RoundUpper = tsACF->cbZoom->isChecked();
    tsACF->stLimit->setText(Q(AutocorrelationLimitText(n)));
    tsACF->stQlb->setText(Q(PortmanteauText(t.ljungBox, t.maxLag)));
    tsACF->stQhat->setText(Q(PortmanteauText(t.mcLeodLi, t.maxLag)));
    tsACF->stT->setText(Q(NormalTestText(t.turningPointZ)));
    tsACF->stS->setText(Q(NormalTestText(t.differenceSignZ)));
    tsACF->stP->setText(Q(NormalTestText(t.rankZ)));
    const std::vector<double>& shown = showACF_ ? t.acf : t.pacf;
    if (!chart->DataSet(shown.data(), t.maxLag, n, 0)) throw EOutOfMemory();
}

void TfrmFund::rgShowClick() {
    showACF_ = tsACF->rgShow->checkedId() == 0;
    tsACFShow();
}

void TfrmFund::cbZoomClick() { tsACFShow(); }

void TfrmFund::eHKeyPress() {
    if (!loaded_) return;
    const double typed = Context().State().Evaluator().Evaluate(tsACF->eH->text().toStdString(), 1.0);
    int k = WholeNumber(typed, -1e9, 1e9);
    if (k == stats_.randomness.maxLag) return;
    k = ClampAutocorrelationLag(k, stats_.n);
    // Computed aside, so that a failure leaves the page as it was; the
    // guard shows the failure's own message.
    RandomnessTests tests = ComputeRandomnessTests(stats_.values.data(), stats_.n, k);
    stats_.randomness = std::move(tests);
    tsACF->eH->setText(QString::number(stats_.randomness.maxLag));
    tsACFShow();
}

void TfrmFund::ACFMouseDown(int x, int y) {
    const int i = tsACF->ACF->GetIndex(x, y) + 1;
    TStringGrid* g = tsACF->sgACFData;
    if (!loaded_ || i < 1 || i >= g->RowCount()) return;
    g->SetCurrentCell(showACF_ ? 1 : 2, i);
}

void TfrmFund::UpdateYuleWalkerButton() { tsACF->btnYWEst->setEnabled(AnalysisWindows().Has(kYuleWalkerWindow)); }

void TfrmFund::btnYWEstClick() {
    if (!loaded_ || !AnalysisWindows().Has(kYuleWalkerWindow)) return;
    YuleWalkerRequest request{name_, stats_.values, SuggestYuleWalkerOrder(stats_.randomness.pacf, stats_.n)};
    OpenWindow(kYuleWalkerWindow, Context().WithOwner(this), WindowRequest(std::move(request)));
}

// ---- periodogram

void TfrmFund::ComputePeriodogramRange() {
    const PeriodRange range = ShownPeriodRange(periodStart_, periodEnd_);
    periodogramValid_ = false;
    if (range.first > range.last) {
        periodogram_ = PeriodogramValues{};
        periodogram_.firstPeriod = range.first;
    } else {
        periodogram_ = ComputePeriodogram(stats_.values.data(), stats_.n, range.first, range.last,
                                          Context().State().Context().Pool());
    }
    periodogramValid_ = true;
}

void TfrmFund::tsShukiShow() {
    if (!loaded_) return;
    if (!periodogramValid_) ComputePeriodogramRange();
    const PeriodogramValues& p = periodogram_;
    const int count = static_cast<int>(p.value.size());
    TStringGrid* g = tsShuki->sgShuki;
    g->SetRowCount(count + 1);
    g->SetColWidth(0, 40);
    g->SetCell(0, 0, "周期");
    g->SetCell(1, 0, "強度");
    g->InvalidateGrid();
    TACFView* chart = tsShuki->shuki;
    if (count == 0) {
        tsShuki->lblEmpty->setText("指定の周期範囲には表示する周期がありません");
        tsShuki->lblEmpty->show();
        chart->DataSet(nullptr, -1, stats_.n, 0);
        chart->update();
        return;
    }
    tsShuki->lblEmpty->hide();
    // The bar before the first period shown stays empty.
    std::vector<double> bars(static_cast<std::size_t>(count) + 1, 0.0);
    std::copy(p.value.begin(), p.value.end(), bars.begin() + 1);
    chart->FixedUpper = *std::max_element(p.value.begin(), p.value.end());
    chart->Band1 = 3.0 * p.referenceLevel;
    chart->Band2 = 4.6 * p.referenceLevel;
    chart->BandColor1 = canvas_color::kBlue;
    chart->BandColor2 = canvas_color::kRed;
    if (!chart->DataSet(bars.data(), count, stats_.n, p.firstPeriod - 1)) throw EOutOfMemory();
}

void TfrmFund::shukiMouseDown(int x, int y) {
    const int i = tsShuki->shuki->GetIndex(x, y);
    TStringGrid* g = tsShuki->sgShuki;
    if (!loaded_ || i < 1 || i >= g->RowCount()) return;
    g->SetCurrentCell(1, i);
}

void TfrmFund::SetPeriodRange(const std::string& typed) {
    const auto begin = typed.find_first_not_of(" \t");
    if (begin == std::string::npos) return;
    const std::string text = typed.substr(begin, typed.find_last_not_of(" \t") - begin + 1);
    CalcStr& evaluator = Context().State().Evaluator();
    int lo = 0, hi = -1;
    if (text[0] == '[') {
        if (evaluator.ParseRange(text, lo, hi) <= 0) return;
    } else {
        hi = WholeNumber(evaluator.Evaluate(text, 2.0 * stats_.n), -1e9, 1e9) - 1;
    }
    if (lo < 0 || lo > hi) return;
    periodStart_ = lo + 1;
    // Far beyond any shown period the end only needs to stay an int.
    periodEnd_ = static_cast<int>(std::min<long long>(static_cast<long long>(hi) + 2, 1000000000LL));
    periodogramValid_ = false;
    tsShukiShow();
}
