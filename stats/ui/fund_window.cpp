#include "stats/ui/fund_window.h"

#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QStatusBar>
#include <QStatusTipEvent>
#include <QTabWidget>
#include <QToolBar>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>
#include <numeric>

#include "components/plot/save_form_image.h"
#include "components/plot/xy_plot.h"
#include "components/view/qt_text.h"
#include "components/view/window_actions.h"
#include "components/view/window_status_bar.h"
#include "core/settings/file_services.h"
#include "core/text/number_format.h"
#include "eval/app_state.h"
#include "eval/calc_str.h"
#include "platform/errors.h"
#include "platform/ui_services.h"
#include "components/plot/acf_view.h"
#include "components/plot/flex_dosu.h"
#include "stats/trend_curves.h"
#include "stats/ui/fund_acf_page.h"
#include "stats/ui/fund_basic_page.h"
#include "stats/ui/fund_box_page.h"
#include "stats/ui/fund_freq_page.h"
#include "stats/ui/fund_shuki_page.h"
#include "stats/ui/fund_time_page.h"
#include "stats/ui/nplot_option_dialog.h"
#include "stats/univariate_fields.h"

namespace {

constexpr int kHelpContext = 1005;
const char* const kNormalPlot = "正規確率プロット";

}  // namespace

TfrmFund::TfrmFund(const WindowContext& context) : AnalysisWindowFor(context) {
    setObjectName("frmFund");
    setWindowTitle("単変量統計");
    resize(760, 560);
    RunDialog = [](QDialog& dialog) { return dialog.exec(); };

    TB = new QToolBar(this);
    TB->setObjectName("TB");
    Exitence = AddAction("Exitence", "終了", QKeySequence("Ctrl+X"), "終了する", &TfrmFund::ExitenceExecute);
    Backward = AddAction("Backward", "前", QKeySequence("Ctrl+B"), "前の点", &TfrmFund::BackwardExecute);
    Foward = AddAction("Foward", "次", QKeySequence("Ctrl+F"), "次の点", &TfrmFund::FowardExecute);
    BitMapSave = AddAction("BitMapSave", "画像保存", QKeySequence(), "画面をビットマップとして保存",
                           &TfrmFund::BitMapSaveExecute);
    TextSave = AddAction("TextSave", "テキスト保存", QKeySequence(), "テキスト保存", &TfrmFund::TextSaveExecute);
    OptionSet = AddAction("OptionSet", "設定", QKeySequence("Ctrl+O"), "各種設定をする", &TfrmFund::OptionSetExecute);
    HelpContext = new QAction("ヘルプ", this);
    HelpContext->setObjectName("HelpContext");
    HelpContext->setShortcut(QKeySequence("Ctrl+H"));
    connect(HelpContext, &QAction::triggered, this, GuardedSlot([this] { HelpContextExecute(); }));
    addAction(HelpContext);

    PC = new QTabWidget(this);
    PC->setObjectName("PC");
    tsFund = new TfsFundPage(PC);
    PC->addTab(tsFund, "基本統計量");
    tsFreq = new TfsFreqPage(PC);
    PC->addTab(tsFreq, "度数分布");
    tsTime = new TfsTimePage(PC);
    PC->addTab(tsTime, "時系列");
    tsACF = new TfsACFPage(PC);
    PC->addTab(tsACF, "ACF");
    tsShuki = new TfsShukiPage(PC);
    PC->addTab(tsShuki, "周期分析");
    tsBoxPlot = new TfsBoxPage(PC);
    PC->addTab(tsBoxPlot, "箱ひげ図");
    connect(PC, &QTabWidget::currentChanged, this, GuardedSlot([this](int) { ShowActivePage(); }));

    SB = NewStatusBar(this);

    tsFund->OnClick(tsFund->stAve, GuardedSlot([this] { stAveClick(); }));
    tsFund->OnClick(tsFund->stSig, GuardedSlot([this] { stSigClick(); }));
    tsFund->OnClick(tsFund->stMedian, GuardedSlot([this] { stMedianClick(); }));
    tsFund->OnClick(tsFund->stRCC, GuardedSlot([this] { stRCCClick(); }));
    tsFund->OnClick(tsFund->stPLOT, GuardedSlot([this] { stPLOTClick(); }));
    TXYPlot* plot = tsFund->NPlot;
    connect(plot, &TXYPlot::MouseDown, this,
            GuardedSlot([this](Qt::MouseButton b, Qt::KeyboardModifiers, int x, int y) { NPlotMouseDown(b, x, y); }));
    connect(plot, &TXYPlot::MouseMove, this,
            GuardedSlot([this](Qt::MouseButtons, Qt::KeyboardModifiers, int x, int y) { NPlotMouseMove(x, y); }));
    connect(plot, &TXYPlot::MouseUp, this,
            GuardedSlot([this](Qt::MouseButton b, Qt::KeyboardModifiers, int x, int y) { NPlotMouseUp(b, x, y); }));

    ConnectPages();
    registryListener_ = AnalysisWindows().AddListener([this] { UpdateYuleWalkerButton(); });
    UpdateYuleWalkerButton();

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(TB);
    layout->addWidget(PC, 1);
    layout->addWidget(SB);
}

TfrmFund::~TfrmFund() { AnalysisWindows().RemoveListener(registryListener_); }

void TfrmFund::ShowActivePage() {
    if (!loaded_) return;
    QWidget* page = PC->currentWidget();
    if (page == tsFund) tsFundShow();
    else if (page == tsFreq) tsFreqShow();
    else if (page == tsTime) tsTimeShow();
    else if (page == tsACF) tsACFShow();
    else if (page == tsShuki) tsShukiShow();
    else if (page == tsBoxPlot) tsBoxPlotShow();
}

QAction* TfrmFund::AddAction(const char* name, const char* caption, const QKeySequence& shortcut, const char* hint,
                             void (TfrmFund::*handler)()) {
    std::function<void()> run;
    if (handler) run = [this, handler] { (this->*handler)(); };
    return AddWindowAction(this, TB, Context().State(), name, caption, shortcut, hint, std::move(run));
}

UiServices& TfrmFund::Services() const { return Context().Services(); }

double TfrmFund::Alpha() const { return Context().State().CoefficientAlpha(); }

bool TfrmFund::Setup(const FundamentalStatsRequest& request) {
    if (!ShowVariable(request.name, request.values.data(), static_cast<int>(request.values.size()), request.numbers))
        return false;
    if (request.observation > 0) SelectObservation(request.observation);
    return true;
}

bool TfrmFund::ShowVariable(const std::string& name, const double* values, int n, const std::vector<int>& numbers) {
    loaded_ = false;
    // The trend reads the series it was made on; that goes now.
    trend_.reset();
    // A short series is never read.
    if (!values || n < 4) return false;
    switch (CheckUnivariateSeries(values, n)) {
    case UnivariateRefusal::None:
        break;
    case UnivariateRefusal::TooFew:
        return false;
    case UnivariateRefusal::Constant:
        Services().ShowMessageBox(MsgKind::Warning, ConstantSeriesMessage(values[0]), mbYes);
        return false;
    case UnivariateRefusal::NotFinite:
        // Statistics of a gap would be no numbers at all.
        ErrorBox(Services(), "数値になりません");
        return false;
    }
    {
        ProgressScope progress(Services(), "データの設定中・・・", 50000);
        try {
            stats_ = ComputeUnivariateStatistics(values, n);
        } catch (const std::exception&) {
            // Loading fails quietly: nothing is shown.
            stats_ = UnivariateStatistics{};
            return false;
        }
    }
    if (static_cast<int>(numbers.size()) == n) {
        numbers_ = numbers;
    } else {
        numbers_.resize(static_cast<std::size_t>(n));
        std::iota(numbers_.begin(), numbers_.end(), 1);
    }
    loaded_ = true;
    spearman_ = true;
    selected_ = InitialObservation(n);
    locationIndex_ = 0;
    plotKind_ = 0;
    IndexPlotPositions();
    name_ = name;
    freeLines_.Clear();
    newLine_.reset();
    showACF_ = true;
    periodStart_ = 1;
    periodEnd_ = n + 1;
    periodogramValid_ = false;
    TFlexDosu* dosu = tsFreq->Dosu1;
    dosu->RangeMode = classMode_ ? 1 : 0;
    if (!dosu->DataSet(stats_.values.data(), n)) {
        loaded_ = false;
        return false;
    }
    dosu->SelectedPointer(selected_);
    // The trend reads the window's own copy of the series, in time by the
    // observation numbers where some were left out.
    const bool numbered = static_cast<int>(numbers.size()) == n;
    trend_ = std::make_unique<TimeSeriesMerlox>(stats_.values.data(), n, Context().State().Context().Pool(),
                                                numbered ? numbers_.data() : nullptr);
    (void)trend_->Fit(0);
    tsACF->eH->setText(QString::number(stats_.randomness.maxLag));
    tsACF->rbACF->setChecked(true);
    setWindowTitle(Q("単変量統計 --- " + name));
    tsFund->NPlot->SetCaption(kNormalPlot);
    PC->setCurrentWidget(tsFund);
    tsFundShow();
    return true;
}

void TfrmFund::SelectObservation(int k) { SelectPlotPosition(PlotPositionOf(k - 1)); }

int TfrmFund::NumberOf(int i) const {
    return i >= 0 && i < static_cast<int>(numbers_.size()) ? numbers_[static_cast<std::size_t>(i)] : i + 1;
}

int TfrmFund::PlaceOfNumber(long long number) const {
    const auto at = std::find(numbers_.begin(), numbers_.end(), number);
    return at == numbers_.end() ? -1 : static_cast<int>(at - numbers_.begin());
}

const std::vector<double>& TfrmFund::PlotX() const {
    return plotKind_ == 1 ? stats_.halfNormalScores : stats_.normalScores;
}

const std::vector<double>& TfrmFund::PlotY() const {
    return plotKind_ == 1 ? stats_.absStandardized : stats_.standardizedSorted;
}

const std::vector<int>& TfrmFund::PlotObservations() const {
    return plotKind_ == 1 ? stats_.absSortIndex : stats_.sortIndex;
}

void TfrmFund::IndexPlotPositions() {
    const int n = stats_.n;
    const std::vector<int>& observations = PlotObservations();
    positionOf_.assign(static_cast<std::size_t>(n), -1);
    for (int p = 0; p < n && p < static_cast<int>(observations.size()); ++p) {
        const int obs = observations[static_cast<std::size_t>(p)];
        if (obs >= 0 && obs < n && positionOf_[static_cast<std::size_t>(obs)] < 0)
            positionOf_[static_cast<std::size_t>(obs)] = p;
    }
}

double TfrmFund::PlotR() const { return plotKind_ == 1 ? stats_.halfNormalPlotR : stats_.normalPlotR; }

int TfrmFund::PlotPositionOf(int observation) const {
    if (observation < 0 || observation >= static_cast<int>(positionOf_.size())) return -1;
    return positionOf_[static_cast<std::size_t>(observation)];
}

void TfrmFund::SelectPlotPosition(int p) {
    if (!loaded_ || p < 0 || p >= stats_.n) return;
    const auto i = static_cast<std::size_t>(p);
    tsFund->NPlot->DotSel(p);
    selected_ = PlotObservations()[i];
    tsFund->stPLOT->setText(QString::number(NumberOf(selected_)));
    tsFund->stYoko->setText(Q(FormatNumber(false, PlotY()[i])));
    tsFund->stPNOR->setText(Q(FormatNumber(false, PlotX()[i])));
}

void TfrmFund::NPlotResize() {
    if (!loaded_) return;
    TXYPlot* plot = tsFund->NPlot;
    std::function<void()> drawn;
    if (freeLines_.Count() > 0) drawn = [this] { DrawFreeLines(); };
    if (!plot->SetData(PlotX().data(), PlotY().data(), stats_.n, nullptr, drawn)) throw EOutOfMemory();
}

void TfrmFund::DrawFreeLines() {
    for (int i = 0; i < freeLines_.Count(); ++i) tsFund->NPlot->DispLine(*freeLines_.GetItem(i), false);
}

void TfrmFund::tsFundShow() {
    if (!loaded_) return;
    TXYPlot* plot = tsFund->NPlot;
    plot->DotWidth = 4;
    plot->AutoSet = true;
    // The reference line y = x.
    plot->SetB(0, 0.0);
    plot->SetB(1, 1.0);
    NPlotResize();

    const UnivariateStatistics& s = stats_;
    tsFund->stSkew->setText(Q(SkewnessField(s, Alpha())));
    tsFund->stKurt->setText(Q(KurtosisField(s, Alpha())));
    tsFund->stG->setText(Q(GearyField(s, Alpha())));
    tsFund->stAve->setText(Q(FormatNumber(false, s.mean)));
    tsFund->stSig->setText(Q(FormatNumber(false, s.sd)));
    tsFund->stMax->setText(Q(FormatNumber(false, s.maximum)));
    tsFund->stMin->setText(Q(FormatNumber(false, s.minimum)));
    tsFund->stNumber->setText(QString::number(s.n));
    tsFund->stPLOT->setText(QString::number(NumberOf(selected_)));
    ShowLocation();
    const double r = PlotR();
    tsFund->stRR2->setText(Q(FormatNumber(false, r * r)));
    ShowRankCorrelation();
    SelectPlotPosition(PlotPositionOf(selected_));
    tsFund->stSW->setText(Q(ShapiroWilkField(s)));
    tsFund->stDAgostino->setText(Q(DAgostinoField(s)));
    tsFund->stAD->setText(Q(AndersonDarlingField(s)));
}

void TfrmFund::ShowLocation() {
    tsFund->stMedian->setText(Q(LocationField(stats_, locationIndex_)));
    tsFund->lblRP->setText(Q(LocationCaption(locationIndex_)));
}

void TfrmFund::ShowRankCorrelation() {
    tsFund->lblRCC->setText(Q(RankCorrelationCaption(spearman_)));
    tsFund->stRCC->setText(Q(RankCorrelationField(stats_, spearman_)));
}

void TfrmFund::stAveClick() {
    if (loaded_) SB->showMessage(Q(MeanIntervalText(stats_, Alpha())));
}

void TfrmFund::stSigClick() {
    if (loaded_) SB->showMessage(Q(SigmaIntervalText(stats_, Alpha())));
}

void TfrmFund::stMedianClick() {
    if (!loaded_) return;
    locationIndex_ = (locationIndex_ + 1) % kLocationCount;
    ShowLocation();
}

void TfrmFund::stRCCClick() {
    if (!loaded_) return;
    spearman_ = !spearman_;
    ShowRankCorrelation();
}

void TfrmFund::stPLOTClick() {
    if (!loaded_) return;
    const InputAnswer answer = Services().AskInput("データ組番号", {}, "");
    if (answer.result != mrOK) return;
    const double value = Context().State().Evaluator().Calculate(answer.text);
    // A number that no value carries (one left out, or beyond the series)
    // selects nothing and keeps the selection.
    if (!std::isfinite(value) || value < 1.0 || value >= 2147483648.0) return;
    const int place = PlaceOfNumber(static_cast<long long>(value));
    if (place < 0) return;
    selected_ = place;
    SelectPlotPosition(PlotPositionOf(selected_));
}

void TfrmFund::FowardExecute() {
    if (!loaded_) return;
    selected_ = NextObservation(selected_, stats_.n);
    SelectPlotPosition(PlotPositionOf(selected_));
}

void TfrmFund::BackwardExecute() {
    if (!loaded_) return;
    selected_ = PreviousObservation(selected_, stats_.n);
    SelectPlotPosition(PlotPositionOf(selected_));
}

void TfrmFund::NPlotMouseDown(Qt::MouseButton button, int x, int y) {
    if (!loaded_) return;
    TXYPlot* plot = tsFund->NPlot;
    if (button == Qt::LeftButton) {
        drawing_ = true;
        plot->MoveTo(x, y);
        plot->setSel(x, y, false);
        SelectPlotPosition(plot->SelIndex);
        newLine_ = std::make_unique<XYData>(freeLineColour_, static_cast<std::uint8_t>(freeLineStyle_), true, 0);
        double dx = 0, dy = 0;
        if (plot->getxy(x, y, &dx, &dy)) newLine_->AddPoint(dx, dy);
    } else if (button == Qt::RightButton) {
        // The last line goes, also when it is the only one.
        freeLines_.Delete(-1);
        tsFundShow();
    }
}

void TfrmFund::NPlotMouseMove(int x, int y) {
    if (!drawing_ || !newLine_) return;
    TXYPlot* plot = tsFund->NPlot;
    double dx = 0, dy = 0;
    if (plot->getxy(x, y, &dx, &dy)) newLine_->AddPoint(dx, dy);
    plot->LineTo(x, y);
}

void TfrmFund::NPlotMouseUp(Qt::MouseButton button, int, int) {
    if (button != Qt::LeftButton) return;
    drawing_ = false;
    const bool kept = newLine_ && newLine_->Count() > 1;
    if (kept) freeLines_.Add(*newLine_);
    newLine_.reset();
    tsFund->NPlot->ClearStroke();
    if (kept) NPlotResize();
}

void TfrmFund::OptionSetExecute() {
    if (!loaded_) return;
    QWidget* page = PC->currentWidget();
    if (page == tsFreq) return FrequencyOptions();
    if (page == tsTime) return TimeSeriesOptions();
    if (page == tsShuki) {
        const InputAnswer answer = Services().AskInput("最高周期数", {}, "");
        if (answer.result == mrOK) SetPeriodRange(answer.text);
        return;
    }
    if (page != tsFund) return;
    TfrmNPlotOpt dialog(this);
    dialog.Load(plotKind_, freeLineColour_, freeLineStyle_);
    if (RunDialog(dialog) != QDialog::Accepted) return;
    plotKind_ = dialog.Kind();
    IndexPlotPositions();
    tsFund->NPlot->SetCaption(plotKind_ == 1 ? std::string("半") + kNormalPlot : std::string(kNormalPlot));
    freeLineColour_ = dialog.Colour();
    freeLineStyle_ = dialog.Style();
    tsFundShow();
}

void TfrmFund::BitMapSaveExecute() { SaveFormImage(*this, Context().State().Context()); }

void TfrmFund::HelpContextExecute() { ShowHtmlHelp(Context().State().Context(), kHelpContext); }

void TfrmFund::ExitenceExecute() { close(); }

bool TfrmFund::event(QEvent* event) {
    // The long part of the hint goes to the status bar.
    return ShowStatusTip(event, SB) || AnalysisWindowFor::event(event);
}

void TfrmFund::done(int result) {
    FormClose();
    AnalysisWindowFor::done(result);
}

void TfrmFund::FormClose() {
    drawing_ = false;
    newLine_.reset();
    freeLines_.Clear();
}

void RegisterFundWindow() {
    AnalysisWindows().Register("TfrmFund", [](const WindowContext& context) -> std::unique_ptr<AnalysisWindow> {
        return std::make_unique<TfrmFund>(context);
    });
}
