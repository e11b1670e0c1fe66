#include "stats/ui/xy_graph_window.h"

#include <QAction>
#include <QCloseEvent>
#include <QComboBox>
#include <QCursor>
#include <QGridLayout>
#include <QGuiApplication>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QScreen>
#include <QStatusBar>
#include <QTabWidget>
#include <QToolBar>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

#include "components/plot/save_form_image.h"
#include "components/plot/xy_plot.h"
#include "components/view/guarded_slot.h"
#include "components/view/numeric_field.h"
#include "components/view/qt_text.h"
#include "components/view/result_grid.h"
#include "components/view/window_status_bar.h"
#include "core/model/estimate_texts.h"
#include "core/numeric/numeric_helpers.h"
#include "core/settings/file_services.h"
#include "core/text/number_format.h"
#include "core/text/text_evaluator.h"
#include "eval/app_state.h"
#include "platform/command_guard.h"
#include "platform/errors.h"
#include "platform/ui_services.h"
#include "stats/curve_fit.h"
#include "stats/ui/click_label.h"
#include "stats/ui/graph_setting_dialog.h"
#include "stats/ui/xy_graph_data_page.h"

namespace {

const char* const kCurveNames[kCurveTypeCount] = {
    "Y = A + B * X",         "２次曲線",       "３次曲線",       "４次曲線",
    "Y = A * X ^ B",         "Y = A * exp( B * X )", "Y = A + B * log(X)", "Y = X / ( A * X - B )",
    "Y = A + B / X",         "Y = 1 / ( A + B * X )", "ボックスコックス変換1", "ボックスコックス変換2",
    "ボックスコックス変換3"};

constexpr int kBandPoints = 500;

// The typed texts of the percentage fields, read by the shared evaluator.
class StateTextEvaluator : public TextEvaluator {
public:
    explicit StateTextEvaluator(AppState& state) : state_(state) {}
    double Calculate(const std::string& text) override { return state_.Evaluator().Calculate(text); }
    double Evaluate(const std::string& text, double fallback) override {
        return state_.Evaluator().Evaluate(text, fallback);
    }

private:
    AppState& state_;
};

}  // namespace

TfrmGraphXY::TfrmGraphXY(const WindowContext& context)
    : QDialog(context.Owner()), context_(context.WithOwner(this)) {
    setObjectName("frmGraphXY");
    setWindowTitle("X-Y プロット");
    BuildWindow();
    // The weighted regression may register after this window opens.
    registryListener_ = AnalysisWindows().AddListener([this] { EnableWLS(); });
    EnableWLS();
}

TfrmGraphXY::~TfrmGraphXY() {
    AnalysisWindows().RemoveListener(registryListener_);
    Release();
}

bool TfrmGraphXY::event(QEvent* event) {
    // The hint of the command under the mouse goes to the first panel.
    return ShowStatusTip(event, panels_[0]) || QDialog::event(event);
}

void TfrmGraphXY::Release() {
    // The opener's lines come back before this window's plot goes.
    savedLines_.reset();
    zoomStack_.clear();
}

void TfrmGraphXY::closeEvent(QCloseEvent* event) {
    Release();
    QDialog::closeEvent(event);
}

// ---------------------------------------------------------------- building

void TfrmGraphXY::BuildWindow() {
    auto* layout = new QVBoxLayout(this);
    TB = new QToolBar(this);
    TB->setObjectName("TB");
    TBPlot = new QToolBar(this);
    TBPlot->setObjectName("TBPlot");
    cbRegType = new QComboBox(this);
    cbRegType->setObjectName("cbRegType");
    cbRegType->setFixedWidth(170);
    for (const char* name : kCurveNames) cbRegType->addItem(name);
    cbRegType->setCurrentIndex(0);
    PC = new QTabWidget(this);
    PC->setObjectName("PC");
    BuildGraphPage();
    BuildDataPage();
    BuildAnalysisPage();
    BuildActions();
    TB->addWidget(cbRegType);
    SB = new QStatusBar(this);
    SB->setObjectName("SB");
    const int widths[3] = {400, 150, 150};
    for (int i = 0; i < 3; ++i) {
        panels_[i] = new QLabel(SB);
        panels_[i]->setObjectName(QString("SBPanel%1").arg(i));
        panels_[i]->setMinimumWidth(widths[i]);
        SB->addWidget(panels_[i], i == 0 ? 1 : 0);
    }
    layout->addWidget(TB);
    layout->addWidget(TBPlot);
    layout->addWidget(PC, 1);
    layout->addWidget(SB);
    // Wide enough for both rows of commands where the screen allows it.
    int width = std::max({720, TB->sizeHint().width() + 24, TBPlot->sizeHint().width() + 24});
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        width = std::min(width, screen->availableGeometry().width());
    resize(width, 560);

    connect(cbRegType, &QComboBox::currentIndexChanged, this,
            Guarded(context_.State(), [this] { cbRegTypeChange(); }));
    connect(PC, &QTabWidget::currentChanged, this, Guarded(context_.State(), [this] {
                if (fitter_ && PC->currentWidget() == tsGraph) tsGraphShow();
            }));
}

void TfrmGraphXY::BuildGraphPage() {
    tsGraph = new QWidget(this);
    tsGraph->setObjectName("tsGraph");
    plots = new TXYPlot(tsGraph);
    plots->setObjectName("plots");
    plots->setMinimumSize(300, 250);
    plots->DotWidth = 4;
    auto* info = new QGridLayout;
    auto add = [&](int row, int col, const char* label, QLabel*& value, const char* name) {
        info->addWidget(new QLabel(label, tsGraph), row, col);
        value = GraphValueLabel(tsGraph, name);
        info->addWidget(value, row, col + 1);
    };
    add(0, 0, "縦軸", stTate, "stTate");
    add(0, 2, "最下", stTateS, "stTateS");
    add(0, 4, "間隔", stTateWidth, "stTateWidth");
    add(1, 0, "横軸", stYoko, "stYoko");
    add(1, 2, "最左", stYokoS, "stYokoS");
    add(1, 4, "間隔", stYokoWidth, "stYokoWidth");
    auto* plotLabel = new ClickLabel(tsGraph);
    plotLabel->onClick = Guarded(context_.State(), [this] { stPlotClick(); });
    stPlot = plotLabel;
    stPlot->setObjectName("stPlot");
    stPlot->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    info->addWidget(new QLabel("選択点", tsGraph), 2, 0);
    info->addWidget(stPlot, 2, 1);
    info->addWidget(new QLabel("（Ｘ，Ｙ）＝（", tsGraph), 2, 2);
    stYokoVal = GraphValueLabel(tsGraph, "stYokoVal");
    stTateVal = GraphValueLabel(tsGraph, "stTateVal");
    info->addWidget(stYokoVal, 2, 3);
    info->addWidget(new QLabel("，", tsGraph), 2, 4);
    info->addWidget(stTateVal, 2, 5);
    info->addWidget(new QLabel("）", tsGraph), 2, 6);
    lblRelative = new QLabel("相関係数", tsGraph);
    lblRelative->setObjectName("lblRelative");
    auto* relative = new ClickLabel(tsGraph);
    relative->onClick = Guarded(context_.State(), [this] { stRelativeClick(); });
    stRelative = relative;
    stRelative->setObjectName("stRelative");
    stRelative->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    info->addWidget(lblRelative, 3, 0);
    info->addWidget(stRelative, 3, 1);
    auto* layout = new QVBoxLayout(tsGraph);
    layout->addWidget(plots, 1);
    layout->addLayout(info);
    PC->addTab(tsGraph, "グラフ");

    pmDraw = new QMenu(this);
    mnuFreeDraw = pmDraw->addAction("自由描画(&F)");
    mnuRange = pmDraw->addAction("範囲指定(&R)");
    pmDraw->addSeparator();
    mnuClear = pmDraw->addAction("解除(&C)");
    mnuFreeDraw->setCheckable(true);
    mnuRange->setCheckable(true);
    mnuFreeDraw->setChecked(true);
    connect(mnuFreeDraw, &QAction::triggered, this, Guarded(context_.State(), [this] { SetFreeDrawMode(true); }));
    connect(mnuRange, &QAction::triggered, this, Guarded(context_.State(), [this] { SetFreeDrawMode(false); }));
    connect(mnuClear, &QAction::triggered, this, Guarded(context_.State(), [this] { ClearExecute(); }));

    // A failure inside a mouse handler is shown; the window stays usable.
    connect(plots, &TXYPlot::MouseDown, this,
            Guarded(context_.State(), [this](Qt::MouseButton b, Qt::KeyboardModifiers, int x, int y) {
                plotsMouseDown(b, x, y);
            }));
    connect(plots, &TXYPlot::MouseMove, this,
            Guarded(context_.State(),
                    [this](Qt::MouseButtons, Qt::KeyboardModifiers, int x, int y) { plotsMouseMove(x, y); }));
    connect(plots, &TXYPlot::MouseUp, this,
            Guarded(context_.State(), [this](Qt::MouseButton b, Qt::KeyboardModifiers, int x, int y) {
                plotsMouseUp(b, x, y);
            }));
}

void TfrmGraphXY::BuildDataPage() {
    auto* page = new TXYGraphDataPage(context_, this);
    dataPage_ = page;
    tsData = page;
    lblRR2 = page->lblRR2;
    stR2 = page->stR2;
    stVe = page->stVe;
    stGK = page->stGK;
    stDWR = page->stDWR;
    stFe = page->stFe;
    stPSS = page->stPSS;
    lblBCE = page->lblBCE;
    stBCE = page->stBCE;
    dgData = page->dgData;
    dgEst = page->dgEst;
    gbPred = page->gbPred;
    epX = page->epX;
    eSinrai = page->eSinrai;
    eKakuritu = page->eKakuritu;
    stPredY = page->stPredY;
    stUpper = page->stUpper;
    stLower = page->stLower;
    btnCalc = page->btnCalc;
    btnPGraph = page->btnPGraph;
    page->stR2->onClick = Guarded(context_.State(), [this] { stR2Click(); });
    page->stVe->onClick = Guarded(context_.State(), [this] { stVeClick(); });
    connect(btnCalc, &QPushButton::clicked, this, Guarded(context_.State(), [this] { btnCalcClick(); }));
    connect(btnPGraph, &QPushButton::clicked, this, Guarded(context_.State(), [this] { btnPGraphClick(); }));
    connect(dgData, &TStringGrid::GridMouseDown, this,
            Guarded(context_.State(), [this](Qt::MouseButton b, Qt::KeyboardModifiers mods, int x, int y) {
                int col = -1, row = -1;
                dgData->MouseToCell(x, y, col, row);
                dgDataMouseDown(b, col, row);
                // The right button on x or y: that column's statistics (Ctrl:
                // only the points in view).
                if (b == Qt::RightButton && (col == 1 || col == 2))
                    ShowColumnStatistics((mods & Qt::ControlModifier) != 0, 100 + col);
            }));
    connect(dgEst, &TStringGrid::GridMouseDown, this,
            Guarded(context_.State(), [this](Qt::MouseButton b, Qt::KeyboardModifiers, int x, int y) {
                int col = -1, row = -1;
                dgEst->MouseToCell(x, y, col, row);
                dgEstMouseDown(b, col, row);
            }));
    PC->addTab(tsData, "データ");
}

void TfrmGraphXY::BuildAnalysisPage() {
    tsAna = new QWidget(this);
    tsAna->setObjectName("tsAna");
    dgAna = new ResultGrid(tsAna);
    dgAna->setObjectName("dgAna");
    auto* layout = new QVBoxLayout(tsAna);
    layout->addWidget(dgAna);
    PC->addTab(tsAna, "分析");
    connect(dgAna, &TStringGrid::GridMouseDown, this,
            Guarded(context_.State(), [this](Qt::MouseButton b, Qt::KeyboardModifiers mods, int x, int y) {
                int col = -1, row = -1;
                dgAna->MouseToCell(x, y, col, row);
                dgAnaMouseDown(b, mods, col, row);
            }));
}

QAction* TfrmGraphXY::AddAction(const char* name, const char* caption, const QKeySequence& key,
                                void (TfrmGraphXY::*handler)()) {
    auto* a = new QAction(caption, this);
    a->setObjectName(name);
    a->setShortcut(key);
    a->setStatusTip(caption);
    addAction(a);
    TB->addAction(a);
    if (handler)
        connect(a, &QAction::triggered, this, Guarded(context_.State(), [this, handler] { (this->*handler)(); }));
    else
        a->setEnabled(false);
    return a;
}

void TfrmGraphXY::BuildActions() {
    Exitence = AddAction("Exitence", "終了する", QKeySequence("Ctrl+X"), nullptr);
    Exitence->setEnabled(true);
    connect(Exitence, &QAction::triggered, this, [this] { close(); });
    Forward = AddAction("Forward", "次の点", QKeySequence("Ctrl+F"), &TfrmGraphXY::ForwardExecute);
    Backward = AddAction("Backward", "前の点", QKeySequence("Ctrl+B"), &TfrmGraphXY::BackwardExecute);
    Save = AddAction("Save", "ビットマップとして保存", QKeySequence(), &TfrmGraphXY::SaveExecute);
    ExchangeXY = AddAction("ExchangeXY", "縦軸と横軸のデータを交換", QKeySequence("F4"),
                           &TfrmGraphXY::ExchangeXYExecute);
    OptionSet = AddAction("OptionSet", "グラフの設定", QKeySequence("Ctrl+O"), &TfrmGraphXY::OptionSetExecute);
    HelpContext = AddAction("HelpContext", "ヘルプ", QKeySequence("Ctrl+H"), nullptr);
    HelpContext->setEnabled(true);
    connect(HelpContext, &QAction::triggered, this,
            Guarded(context_.State(), [this] { ShowHtmlHelp(context_.State().Context(), 1004); }));
    WLS = AddAction("WLS", "加重回帰", QKeySequence("Ctrl+Alt+W"), &TfrmGraphXY::WLSExecute);
    BuildDerivedActions();
}

void TfrmGraphXY::EnableWLS() { WLS->setEnabled(AnalysisWindows().Has(kWeightedWindow)); }

// ---------------------------------------------------------------- data

bool TfrmGraphXY::Fill(const XYGraphRequest& request) {
    if (!SetXY(request.xName, request.x, request.yName, request.y, request.n, request.curveType, request.fixed,
               request.numbers))
        return false;
    if (request.confidencePercent >= 0) eSinrai->setText(Q(FormatNumber(false, request.confidencePercent)));
    if (request.coveragePercent >= 0) eKakuritu->setText(Q(FormatNumber(false, request.coveragePercent)));
    for (const XYData& s : request.extraSeries) AddSeries(s);
    if (!request.extraSeries.empty()) tsGraphShow();
    return true;
}

bool TfrmGraphXY::SetXY(const std::string& xName, const double* x, const std::string& yName, const double* y, int n,
                        int curveType, bool fixed, const std::vector<int>& numbers) {
    if (!savedLines_) savedLines_ = std::make_unique<FreeLineScope>();
    // Data no curve can be fitted to open nothing, without a message (the
    // opener's command simply shows no graph); an error on the way is shown,
    // running out of memory as the memory message.
    bool fitted = false;
    const bool ran = GuardCommand(context_.Services(), [&] {
        fitter_.reset();
        if (!x || !y) return;
        fitter_ = std::make_unique<TSRA>(xName, x, yName, y, n, context_.State().Context().Pool());
        if (static_cast<int>(numbers.size()) == n) fitter_->SetPointNumbers(numbers);
        x_ = x;
        y_ = y;
        n_ = n;
        xName_ = xName;
        yName_ = yName;
        lines_.Clear();
        zoomStack_.clear();
        swapped_ = false;
        FreeLines() = {&lines_, plots, false};
        curveType_ = std::clamp(curveType, 0, kCurveTypeCount - 1);
        plots->MinMax = true;
        plots->AutoSet = true;
        if (!fitter_->FitCurve(curveType_)) return;
        fitted = true;
        curveType_ = fitter_->Type();
        RangeOfDoubles(&yMin_, &yMax_, n, y);
        dgData->SetColWidth(0, 40);
        dgEst->SetColWidth(0, 140);
        dgAna->SetColWidth(0, 40);
        lineColour_ = 0x008000;
        lineStyle_ = 0;
        showAdjusted_ = false;
        correlationKind_ = 2;
        stRelativeClick();
        PC->setCurrentWidget(tsGraph);
        FullRefresh();
        for (QWidget* w : std::initializer_list<QWidget*>{cbRegType, eSinrai, eKakuritu, btnPGraph})
            w->setEnabled(!fixed);
    });
    const bool ok = ran && fitted;
    if (!ok) {
        fitter_.reset();
        zoomStack_.clear();
        lines_.Clear();
        savedLines_.reset();
    }
    return ok;
}

void TfrmGraphXY::AddSeries(const XYData& series) {
    lines_.Add(series);
    for (int i = 0; i < series.Count(); ++i) {
        const double v = series.Y(i);
        if (!std::isfinite(v)) continue;
        yMin_ = std::min(yMin_, v);
        yMax_ = std::max(yMax_, v);
    }
}

// ---------------------------------------------------------------- pages

void TfrmGraphXY::FullRefresh() {
    {
        const QSignalBlocker block(cbRegType);
        cbRegType->setCurrentIndex(curveType_);
    }
    tsGraphShow();
    tsDataShow();
    tsAnaShow();
    ShowR2();
}

void TfrmGraphXY::tsGraphShow() {
    if (!fitter_) return;
    plots->RegLineType = static_cast<TRegLineType>(curveType_);
    // Refitting the same kind would change nothing.
    if (!fitter_->Fitted() || fitter_->Type() != curveType_) {
        if (!fitter_->FitCurve(curveType_)) return;
    }
    curveType_ = fitter_->Type();
    plots->RegLineType = static_cast<TRegLineType>(curveType_);
    const int p = fitter_->ParamCount();
    for (int j = 0; j < 5; ++j) plots->SetB(j, 0.0);
    for (int j = 0; j + 1 < p; ++j) plots->SetB(j + 1, fitter_->GetCoef(j));
    plots->SetB(0, fitter_->GetCoef(p - 1));
    if (curveType_ >= regXbceY && curveType_ <= regbceXbceY) plots->SetB(2, fitter_->Lambda());
    if (!plots->SetData(PlotX(), PlotY(), n_, nullptr, [] { DrawFreeLines(); })) {
        curveType_ = 0;
        ShowMemoryError(context_.Services());
        return;
    }
    stYoko->setText(Q(fitter_->XName()));
    stYokoS->setText(Q(FormatNumber(false, plots->StartX)));
    stYokoWidth->setText(Q(FormatNumber(false, plots->StepX)));
    stTate->setText(Q(fitter_->YName()));
    stTateS->setText(Q(FormatNumber(false, plots->StartY)));
    stTateWidth->setText(Q(FormatNumber(false, plots->StepY)));
    ShowSelected();
}

CurvePlotRanges TfrmGraphXY::Ranges() const { return {plots->MinX, plots->MaxX, plots->MinY, plots->MaxY}; }

void TfrmGraphXY::tsDataShow() {
    if (fitter_) dataPage_->ShowFit(*fitter_, Ranges(), curveType_);
}

void TfrmGraphXY::tsAnaShow() {
    if (fitter_) dgAna->Show(CurveAnalysisTable(*fitter_, Ranges()));
}

void TfrmGraphXY::ShowR2() {
    if (!fitter_) return;
    dataPage_->ShowR2(*fitter_, showAdjusted_);
}

void TfrmGraphXY::ShowSelected() {
    if (!fitter_ || n_ <= 0) return;
    const int i = std::clamp(plots->SelIndex, 0, n_ - 1);
    stPlot->setText(QString::number(fitter_->PointNumber(i)));
    stYokoVal->setText(Q(FormatNumber(false, PlotX()[i])));
    stTateVal->setText(Q(FormatNumber(false, PlotY()[i])));
}

void TfrmGraphXY::SetStatus(int panel, const std::string& text) { panels_[panel]->setText(Q(text)); }

QString TfrmGraphXY::StatusText(int panel) const { return panel >= 0 && panel < 3 ? panels_[panel]->text() : QString(); }

// ---------------------------------------------------------------- commands

void TfrmGraphXY::cbRegTypeChange() {
    if (!fitter_) return;
    int type = cbRegType->currentIndex();
    if (type < 0 || type >= kCurveTypeCount) type = 0;
    if (!fitter_->FitCurve(type)) return;  // the pages keep the last fit
    const int p = fitter_->ParamCount();
    if (type >= 4 && fitter_->GetCoef(0) == 0.0 && fitter_->GetCoef(p - 1) == 0.0) {
        type = 0;
        if (!fitter_->FitCurve(type)) return;
    }
    curveType_ = fitter_->Type() == type ? type : 0;
    if (fitter_->Type() != curveType_ && !fitter_->FitCurve(curveType_)) return;
    FullRefresh();
}

void TfrmGraphXY::stRelativeClick() {
    if (!fitter_) return;
    correlationKind_ = (correlationKind_ + 1) % 3;
    const CurveCorrelationText t = CurveCorrelation(*fitter_, correlationKind_);
    lblRelative->setText(Q(t.label));
    stRelative->setText(Q(t.value));
    stRelative->setToolTip(Q(t.status));
    SetStatus(0, t.status);
}

void TfrmGraphXY::stR2Click() {
    showAdjusted_ = !showAdjusted_;
    ShowR2();
}

void TfrmGraphXY::stVeClick() {
    if (!fitter_) return;
    SetStatus(0, "回帰標準誤差 : " + FormatSigmaConfidenceInterval(fitter_->Df(), 0.05, fitter_->S2()));
}

void TfrmGraphXY::SelectPoint(int i) {
    if (!fitter_ || i < 0 || i >= n_) return;
    plots->DotSel(i);
    ShowSelected();
    dgData->SetCurrentCell(1, i + 1);
    dgAna->SetCurrentCell(1, i + 1);
}

void TfrmGraphXY::ForwardExecute() {
    if (n_ > 0) SelectPoint((plots->SelIndex + 1) % n_);
}

void TfrmGraphXY::BackwardExecute() {
    if (n_ > 0) SelectPoint(plots->SelIndex <= 0 ? n_ - 1 : plots->SelIndex - 1);
}

void TfrmGraphXY::stPlotClick() {
    const InputAnswer a = context_.Services().AskInput("データ組番号", {}, "");
    if (a.result != mrOK) return;
    const double v = context_.State().Evaluator().Calculate(a.text);
    if (!std::isfinite(v) || v < 1 || v >= n_ + 1.0) return;
    SelectPoint(TruncToInt(v) - 1);
}

void TfrmGraphXY::dgEstMouseDown(Qt::MouseButton button, int col, int row) {
    if (!fitter_ || !fitter_->Fitted() || row < 1 || row > fitter_->ParamCount()) return;
    const CurveEstimateTable table(*fitter_);
    const int r = row - 1;
    const int j = table.CoefIndex(r);
    const double b = fitter_->GetCoef(j);
    const double se = fitter_->GetCoefSE(j);
    if (button == Qt::RightButton) {
        SetStatus(0, table.RowName(r) + " : " + FormatConfidenceInterval(fitter_->Df(), 0.05, se, b));
    } else if (button == Qt::LeftButton && col >= 1 && col <= 3) {
        const double v = col == 1 ? b : col == 2 ? se : (se == 0.0 ? 0.0 : b / se);
        SetStatus(0, FormatIndexedLabel(table.RowName(r), table.Title(col), true) + " = " + FormatExponent(7, v));
    }
}

void TfrmGraphXY::dgDataMouseDown(Qt::MouseButton button, int col, int row) {
    if (!fitter_ || row < 1 || row > n_) return;
    const int i = row - 1;
    SelectPoint(i);
    if (button != Qt::LeftButton || (col != 1 && col != 2)) return;
    const double v = col == 1 ? fitter_->GetX(i) : fitter_->GetY(i);
    SetStatus(0, FormatElementValue(col == 1 ? fitter_->XName() : fitter_->YName(), row, v));
    epX->setText(Q(FormatNumber(false, fitter_->GetX(i))));
}

void TfrmGraphXY::btnCalcClick() {
    if (!fitter_ || epX->text().trimmed().isEmpty()) return;
    const std::optional<double> x0 = epX->Value();
    if (!x0) return;
    StateTextEvaluator texts(context_.State());
    const double confidence = EvaluatePercent(texts, eSinrai->text().toStdString(), 95);
    const double coverage = EvaluatePercent(texts, eKakuritu->text().toStdString(), 90);
    double upper = 0, lower = 0;
    const double y = fitter_->PredictInterval(&upper, &lower, *x0, confidence, coverage);
    stPredY->setText(Q(FormatNumber(false, y)));
    stUpper->setText(Q(FormatNumber(false, upper)));
    stLower->setText(Q(FormatNumber(false, lower)));
}

void TfrmGraphXY::btnPGraphClick() {
    if (!fitter_) return;
    StateTextEvaluator texts(context_.State());
    const double confidence = EvaluatePercent(texts, eSinrai->text().toStdString(), 95);
    const double coverage = EvaluatePercent(texts, eKakuritu->text().toStdString(), 90);
    double lo = 0, hi = 0;
    RangeOfDoubles(&lo, &hi, n_, PlotX());
    XYData upperLine(0x008000, 1, false, 0);
    XYData lowerLine(0x008000, 1, false, 0);
    for (int k = 0; k < kBandPoints; ++k) {
        const double x = lo + k * (hi - lo) / kBandPoints;
        double upper = 0, lower = 0;
        // Points outside the curve's domain are left out of the band.
        try {
            fitter_->PredictInterval(&upper, &lower, x, confidence, coverage);
        } catch (const EMathError&) {
            continue;
        }
        if (!std::isfinite(upper) || !std::isfinite(lower)) continue;
        upperLine.AddPoint(x, upper);
        lowerLine.AddPoint(x, lower);
    }
    XYGraphRequest band;
    band.xName = fitter_->XName();
    band.yName = fitter_->YName();
    band.x = PlotX();
    band.y = PlotY();
    band.n = n_;
    band.curveType = curveType_;
    band.fixed = true;
    band.confidencePercent = confidence * 100;
    band.coveragePercent = coverage * 100;
    band.extraSeries = {upperLine, lowerLine};
    OpenWindow("TfrmGraphXY", context_.WithOwner(this), band);
}

void TfrmGraphXY::Exchange() {
    if (!fitter_->SwapXY()) throw Exception("SRPErr");
    swapped_ = !swapped_;
    std::swap(xName_, yName_);
    if (!plots->AutoSet || !plots->MinMax) {
        std::swap(plots->MinX, plots->MinY);
        std::swap(plots->MaxX, plots->MaxY);
        std::swap(plots->StepX, plots->StepY);
    }
    FreeLines().swap = swapped_;
    plots->RegionReset(0, 0);
    curveType_ = fitter_->Type();
}

void TfrmGraphXY::ExchangeXYExecute() {
    if (!fitter_) return;
    Exchange();
    FullRefresh();
}

void TfrmGraphXY::OptionSetExecute() {
    if (!fitter_) return;
    AppState& state = context_.State();
    TfrmSetting dialog([&state](const std::string& t, double d) { return state.Evaluator().Evaluate(t, d); },
                       context_.Services(), this);
    dialog.SetValues(true, true, plots->MinX, plots->MaxX, plots->StepX, plots->MinY, plots->MaxY, plots->StepY,
                     true, lineColour_, lineStyle_);
    if (dialog.exec() != QDialog::Accepted) return;
    lineColour_ = dialog.lineColour;
    lineStyle_ = dialog.lineStyle;
    if (dialog.automatic == 0) {
        // An empty or reversed range would leave nothing to draw.
        if (!(dialog.xMax > dialog.xMin) || !(dialog.yMax > dialog.yMin)) throw ERangeError("範囲エラー");
        plots->MinX = dialog.xMin;
        plots->MaxX = dialog.xMax;
        plots->StepX = dialog.xInterval;
        plots->MinY = dialog.yMin;
        plots->MaxY = dialog.yMax;
        plots->StepY = dialog.yInterval;
        plots->MinMax = false;
        plots->AutoSet = false;
        tsGraphShow();
    } else {
        plots->MinMax = true;
        plots->AutoSet = true;
        tsGraphShow();
        // Keep the added band lines in view.
        if (!swapped_ && (yMin_ < plots->MinY || yMax_ > plots->MaxY)) {
            plots->MinY = std::min(yMin_, plots->MinY);
            plots->MaxY = std::max(yMax_, plots->MaxY);
            plots->MinMax = false;
            tsGraphShow();
        }
    }
    regionXMin_ = plots->MinX;
    regionXMax_ = plots->MaxX;
    regionYMin_ = plots->MinY;
    regionYMax_ = plots->MaxY;
    tsDataShow();
    tsAnaShow();
}

void TfrmGraphXY::SaveExecute() {
    PC->setCurrentWidget(tsGraph);
    (void)SaveFormImage(*this, context_.State().Context());
}

// ---------------------------------------------------------------- mouse

void TfrmGraphXY::SetFreeDrawMode(bool freeDraw) {
    freeDrawMode_ = freeDraw;
    mnuFreeDraw->setChecked(freeDraw);
    mnuRange->setChecked(!freeDraw);
}

void TfrmGraphXY::plotsMouseDown(Qt::MouseButton button, int px, int py) {
    if (!fitter_) return;
    if (button == Qt::RightButton) {
        pmDraw->popup(QCursor::pos());
        return;
    }
    if (button != Qt::LeftButton) return;
    plots->setSel(px, py, false);
    ShowSelected();
    if (!freeDrawMode_) {
        dragging_ = true;
        plots->RegionReset(px, py);
        return;
    }
    double x = 0, y = 0;
    plots->getxy(px, py, &x, &y);
    stroke_ = std::make_unique<XYData>(lineColour_, lineStyle_, true, 0);
    if (swapped_) std::swap(x, y);
    stroke_->AddPoint(x, y);
    drawing_ = true;
    moves_ = 0;
    plots->ClearStroke();
    plots->MoveTo(px, py);
}

void TfrmGraphXY::plotsMouseMove(int px, int py) {
    if (!fitter_) return;
    double x = 0, y = 0;
    plots->getxy(px, py, &x, &y);
    SetStatus(1, "横軸 ： " + FormatNumber(false, x));
    SetStatus(2, "縦軸 ： " + FormatNumber(false, y));
    if (dragging_) {
        plots->RegionLine(px, py);
    } else if (drawing_ && stroke_) {
        plots->LineTo(px, py);
        if (++moves_ % 2 == 0) {
            if (swapped_) std::swap(x, y);
            stroke_->AddPoint(x, y);
        }
    }
}

void TfrmGraphXY::plotsMouseUp(Qt::MouseButton button, int px, int py) {
    if (!fitter_ || button != Qt::LeftButton) return;
    if (dragging_) {
        dragging_ = false;
        plots->RegionLine(px, py);
        int l = 0, t = 0, r = 0, b = 0;
        plots->GetRegion(&l, &t, &r, &b);
        double x0 = 0, y0 = 0, x1 = 0, y1 = 0;
        plots->getxy(l, t, &x0, &y0);
        plots->getxy(r, b, &x1, &y1);
        const double minX = std::min(x0, x1), maxX = std::max(x0, x1);
        const double minY = std::min(y0, y1), maxY = std::max(y0, y1);
        const CurvePlotRanges rect{minX, maxX, minY, maxY};
        bool any = false;
        for (int i = 0; i < n_ && !any; ++i) any = maxX > minX && maxY > minY && rect.Contains(PlotX()[i], PlotY()[i]);
        if (!any) return;
        zoomStack_.push_back({plots->MinX, plots->MaxX, plots->MaxY, plots->MinY, plots->StepX, plots->StepY, swapped_});
        plots->MinX = minX;
        plots->MaxX = maxX;
        plots->MinY = minY;
        plots->MaxY = maxY;
        plots->MinMax = false;
        plots->AutoSet = false;
        regionXMin_ = minX;
        regionXMax_ = maxX;
        regionYMin_ = minY;
        regionYMax_ = maxY;
        tsGraphShow();
        tsDataShow();
        tsAnaShow();
        return;
    }
    if (drawing_) {
        drawing_ = false;
        if (stroke_ && stroke_->Count() > 1) lines_.Add(*stroke_);
        stroke_.reset();
        plots->ClearStroke();
        plots->Setup();
    }
}

void TfrmGraphXY::ClearExecute() {
    if (!fitter_) return;
    if (freeDrawMode_) {
        lines_.Delete(-1);
    } else {
        if (zoomStack_.empty()) return;
        const ZoomRecord z = zoomStack_.back();
        zoomStack_.pop_back();
        if (z.swapped != swapped_) Exchange();
        plots->MinX = z.minX;
        plots->MaxX = z.maxX;
        plots->MaxY = z.maxY;
        plots->MinY = z.minY;
        plots->StepX = z.stepX;
        plots->StepY = z.stepY;
        plots->MinMax = false;
        plots->AutoSet = false;
        plots->RegionReset(0, 0);
    }
    FullRefresh();
}

void RegisterGraphXYWindow() {
    AnalysisWindows().Register("TfrmGraphXY", [](const WindowContext& context) -> std::unique_ptr<AnalysisWindow> {
        return std::make_unique<TfrmGraphXY>(context);
    });
}
