#include "estimators/ui/chow_window.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QStatusBar>
#include <QVBoxLayout>

#include <cmath>
#include <numeric>
#include <vector>

#include "components/view/labels.h"
#include "components/view/fundamental_stats_launcher.h"
#include "components/view/graph_launchers.h"
#include "components/view/qt_text.h"
#include "components/view/result_grid.h"
#include "components/view/window_registry.h"
#include "components/view/window_status_bar.h"
#include "core/data/group_mask.h"
#include "core/model/estimate_texts.h"
#include "core/model/regression_model.h"
#include "core/settings/file_services.h"
#include "core/text/number_format.h"
#include "eval/app_state.h"
#include "eval/calc_str.h"
#include "estimators/recursive_residuals.h"

namespace {

const char* const kBoundaryCaption = "データ境界";
const char* const kRecursiveTitle = "逐次残差";
const char* const kTime = "時間";
constexpr int kHelpContext = 1019;

}  // namespace

TfrmChow::TfrmChow(const WindowContext& context) : AnalysisWindowFor(context) {
    setObjectName("frmChow");
    setWindowTitle("構造変化検定");
    resize(760, 560);

    lblAGun = new QLabel(kBoundaryCaption, this);
    eAGun = new QLineEdit(this);
    eAGun->setObjectName("eAGun");
    lblBGun = new QLabel("B群", this);
    eBGun = new QLineEdit(this);
    eBGun->setObjectName("eBGun");
    sbSep = new QScrollBar(Qt::Horizontal, this);
    sbSep->setObjectName("sbSep");
    connect(sbSep, &QScrollBar::valueChanged, this, GuardedSlot([this](int p) { sbSepChange(p); }));

    auto* parts = new QHBoxLayout;
    parts->addWidget(lblAGun);
    parts->addWidget(eAGun);
    parts->addWidget(lblBGun);
    parts->addWidget(eBGun);
    parts->addWidget(sbSep, 1);

    stN = NewValueLabel(this, "stN", 110);
    stN1 = NewValueLabel(this, "stN1", 110);
    stN2 = NewValueLabel(this, "stN2", 110);
    stRSSR = NewValueLabel(this, "stRSSR", 110);
    stRSSA = NewValueLabel(this, "stRSSA", 110);
    stRSSB = NewValueLabel(this, "stRSSB", 110);
    stRR2A = NewValueLabel(this, "stRR2A", 110);
    stRR2B = NewValueLabel(this, "stRR2B", 110);
    stF0Val = NewValueLabel(this, "stF0Val", 110);
    stFVal = NewValueLabel(this, "stFVal", 110);
    auto button = [this](const char* name, const char* caption) {
        auto* b = new QPushButton(caption, this);
        b->setObjectName(name);
        b->setAutoDefault(false);
        return b;
    };
    SpeedButton1 = button("SpeedButton1", "Ａ群");
    SpeedButton2 = button("SpeedButton2", "Ｂ群");
    SpeedButton3 = button("SpeedButton3", "Ａ群残差");
    SpeedButton4 = button("SpeedButton4", "Ｂ群残差");
    SpeedButton5 = button("SpeedButton5", "Ａ群作用点");
    SpeedButton6 = button("SpeedButton6", "Ｂ群作用点");
    connect(SpeedButton1, &QPushButton::clicked, this, GuardedSlot([this] { ResidualStatistics(0); }));
    connect(SpeedButton2, &QPushButton::clicked, this, GuardedSlot([this] { ResidualStatistics(1); }));
    connect(SpeedButton3, &QPushButton::clicked, this, GuardedSlot([this] { ResidualPlot(0); }));
    connect(SpeedButton4, &QPushButton::clicked, this, GuardedSlot([this] { ResidualPlot(1); }));
    connect(SpeedButton5, &QPushButton::clicked, this, GuardedSlot([this] { LeveragePlot(0); }));
    connect(SpeedButton6, &QPushButton::clicked, this, GuardedSlot([this] { LeveragePlot(1); }));

    auto* figures = new QGridLayout;
    figures->addWidget(new QLabel("データ数", this), 0, 0);
    figures->addWidget(stN, 0, 1);
    figures->addWidget(new QLabel("両群残差平方和", this), 0, 2);
    figures->addWidget(stRSSR, 0, 3);
    figures->addWidget(new QLabel("Ａ群", this), 1, 1);
    figures->addWidget(new QLabel("Ｂ群", this), 1, 2);
    figures->addWidget(new QLabel("データ数", this), 2, 0);
    figures->addWidget(stN1, 2, 1);
    figures->addWidget(stN2, 2, 2);
    figures->addWidget(new QLabel("残差平方和", this), 3, 0);
    figures->addWidget(stRSSA, 3, 1);
    figures->addWidget(stRSSB, 3, 2);
    figures->addWidget(new QLabel("決定係数", this), 4, 0);
    figures->addWidget(stRR2A, 4, 1);
    figures->addWidget(stRR2B, 4, 2);
    figures->addWidget(new QLabel("Ｆ値", this), 1, 3);
    figures->addWidget(stF0Val, 1, 4);
    figures->addWidget(new QLabel("有意水準", this), 2, 3);
    figures->addWidget(stFVal, 2, 4);
    figures->addWidget(SpeedButton1, 5, 1);
    figures->addWidget(SpeedButton2, 5, 2);
    figures->addWidget(SpeedButton3, 6, 1);
    figures->addWidget(SpeedButton4, 6, 2);
    figures->addWidget(SpeedButton5, 7, 1);
    figures->addWidget(SpeedButton6, 7, 2);

    sgB = new ResultGrid(this);
    sgB->setObjectName("sgB");
    connect(sgB, &TStringGrid::GridMouseDown, this,
            GuardedSlot([this](Qt::MouseButton, Qt::KeyboardModifiers, int x, int y) { sgBMouseDown(x, y); }));

    btnCalc = button("btnCalc", "計算(&C)");
    btnW = button("btnW", "ω");
    btnExit = button("btnExit", "閉じる(&X)");
    btnHelp = button("btnHelp", "&?");
    connect(btnHelp, &QPushButton::clicked, this,
            GuardedSlot([this] { ShowHtmlHelp(Context().State().Context(), kHelpContext); }));
    connect(btnCalc, &QPushButton::clicked, this, GuardedSlot([this] { btnCalcClick(); }));
    connect(btnW, &QPushButton::clicked, this, GuardedSlot([this] { btnWClick(); }));
    connect(btnExit, &QPushButton::clicked, this, [this] { close(); });
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(btnCalc);
    buttons->addWidget(btnW);
    buttons->addWidget(btnExit);
    buttons->addWidget(btnHelp);

    SB = NewStatusBar(this);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(parts);
    layout->addLayout(figures);
    layout->addWidget(sgB, 1);
    layout->addLayout(buttons);
    layout->addWidget(SB);
}

bool TfrmChow::Setup(const ChowRequest& request) {
    reg_ = request.model;
    if (!reg_) return false;
    if (!Prepare()) return false;
    FormShow();
    return true;
}

bool TfrmChow::GroupMode() const { return Req().groupMode && Req().groupMode(); }

bool TfrmChow::Prepare() {
    if (!reg_) return false;
    if (GroupMode()) return true;
    const std::optional<ChowBoundaryRange> range = ChowBoundaryLimits(*reg_);
    if (!range) return false;
    const int middle = ClampChowBoundary(*range, reg_->GetObsCount() / 2);
    {
        // Range first, then the position inside it; the calculation below
        // is the only one.
        const QSignalBlocker block(sbSep);
        sbSep->setRange(range->minimum, range->maximum);
        sbSep->setValue(middle);
    }
    eAGun->setText(QString::number(middle));
    // A part that cannot be fitted at the middle is reported; the window
    // still opens so that another boundary can be chosen.
    Guard([this] { btnCalcClick(); });
    return true;
}

void TfrmChow::FormShow() {
    const bool groups = GroupMode();
    lblAGun->setText(groups ? "Ａ群" : kBoundaryCaption);
    lblBGun->setVisible(groups);
    eBGun->setVisible(groups);
    sbSep->setVisible(!groups);
    // The recursive residuals run in data order: across two groups they
    // would mix unrelated observations.
    btnW->setEnabled(!groups);
}

void TfrmChow::btnCalcClick() {
    if (!reg_) return;
    if (GroupMode())
        CalculateGroups();
    else
        CalculateBoundary();
}

void TfrmChow::sbSepChange(int position) {
    eAGun->setText(QString::number(position));
    btnCalcClick();
}

void TfrmChow::CalculateBoundary() {
    const std::optional<ChowBoundaryRange> range = ChowBoundaryLimits(*reg_);
    if (!range) return;
    const int n = reg_->GetObsCount();
    // An empty text, or one that gives no value, stands for the middle; the
    // field then shows the boundary taken.
    const double v =
            Context().State().Evaluator().Evaluate(eAGun->text().trimmed().toStdString(), static_cast<double>(n / 2));
    int n1 = n / 2;
    if (std::isfinite(v)) n1 = v >= n ? n : (v <= 0 ? 0 : static_cast<int>(v));
    // A typed boundary keeps to the scroll bar's range.
    n1 = ClampChowBoundary(*range, n1);
    {
        const QSignalBlocker block(sbSep);
        sbSep->setRange(range->minimum, range->maximum);
        sbSep->setValue(n1);
    }
    eAGun->setText(QString::number(n1));
    ChowOptions options;
    options.mode = ChowMode::kBoundary;
    options.boundary = n1;
    std::optional<ChowResult> r = ComputeChowTest(*reg_, options);
    if (r) Show(std::move(*r));
}

void TfrmChow::CalculateGroups() {
    ChowOptions options;
    options.mode = ChowMode::kGroups;
    GroupBitFromText(eAGun->text().toStdString(), &options.groupA);
    GroupBitFromText(eBGun->text().toStdString(), &options.groupB);
    // A group that no cell carries: nothing to compute, nothing to say.
    std::optional<ChowResult> r = ComputeChowTest(*reg_, options);
    if (r) Show(std::move(*r));
}

void TfrmChow::Show(ChowResult r) {
    ++calculations_;
    stF0Val->setText(Q(FormatNumber(false, r.f)));
    stFVal->setText(Q(FormatPercent(r.level)));
    stRSSR->setText(Q(FormatNumber(false, r.sse)));
    stRSSA->setText(Q(FormatNumber(false, r.SseA())));
    stRR2A->setText(Q(FormatNumber(false, r.a.r2)));
    stRSSB->setText(Q(FormatNumber(false, r.SseB())));
    stRR2B->setText(Q(FormatNumber(false, r.b.r2)));
    stN->setText(QString::number(r.n));
    stN1->setText(QString::number(r.n1));
    stN2->setText(QString::number(r.n2));

    TStringGrid& g = *sgB;
    g.ClearCells();
    g.SetColCount(5);
    g.SetRowCount(r.k + 1);
    g.SetFixedCols(1);
    g.SetFixedRows(1);
    g.SetDefaultColWidth(120);
    g.SetColWidth(0, 150);
    g.SetCell(0, 0, Q(r.dependentName));
    g.SetCell(1, 0, "Ａ群β推定値");
    g.SetCell(2, 0, "Ａ群β標準誤差");
    g.SetCell(3, 0, "Ｂ群β推定値");
    g.SetCell(4, 0, "Ｂ群β標準誤差");
    for (int j = 0; j < r.k; ++j) {
        const auto i = static_cast<std::size_t>(j);
        g.SetCell(0, j + 1, j == 0 ? QString("定数項") : Q(r.names[i]));
        int column = 1;
        for (const RegData* d : {&r.a, &r.b}) {
            g.SetCell(column, j + 1, Q(FormatNumber(false, d->coef[i])));
            g.SetCell(column + 1, j + 1,
                      Q(TStatisticMark(d->df, d->heldStdErr[i], d->coef[i]) + FormatNumber(false, d->stdErr[i])));
            column += 2;
        }
    }
    g.viewport()->update();
    result_ = std::move(r);
}

const RegData* TfrmChow::Part(int part) const {
    if (!result_) return nullptr;
    return part == 0 ? &result_->a : &result_->b;
}

void TfrmChow::sgBMouseDown(int x, int y) {
    int c = -1, r = -1;
    sgB->MouseToCell(x, y, c, r);
    if (!result_ || r < 1 || c < 0 || r > result_->k) return;
    const int part = c <= 2 ? 0 : 1;
    const RegData& d = *Part(part);
    const auto j = static_cast<std::size_t>(r - 1);
    const std::string text = ChowPartName(part) + "(" + sgB->Cell(0, r).toStdString() + ") : " +
                             FormatConfidenceInterval(d.df, Context().State().CoefficientAlpha(), d.stdErr[j],
                                                      d.coef[j]);
    SB->showMessage(Q(text));
}

void TfrmChow::ResidualStatistics(int part) {
    const RegData* d = Part(part);
    if (!d) return;
    ShowColumnFundamentalStats(Context(), ChowPartName(part) + "標準化残差", d->studentised.data(), d->leverage.data(),
                               d->n, 0);
}

void TfrmChow::ResidualPlot(int part) {
    const RegData* d = Part(part);
    if (!d) return;
    const std::string name = ChowPartName(part);
    ShowXYGraph(Context(), name + "残差", d->studentised.data(), name + "予測値", d->n, d->fitted.data());
}

void TfrmChow::LeveragePlot(int part) {
    const RegData* d = Part(part);
    if (!d) return;
    const std::string name = ChowPartName(part);
    ShowXYGraph(Context(), name + "残差平方", d->share.data(), name + "作用点", d->n, d->leverage.data());
}

void TfrmChow::btnWClick() {
    if (!reg_ || !result_ || GroupMode()) return;
    const int count = result_->n1 + result_->n2;
    // The calculation shows its own progress window.
    const std::optional<RecursiveResidualSeries> series = ComputeRecursiveResiduals(*reg_, count);
    // Too few observations or an equation that is not identified: no plot.
    if (!series || series->t0 >= static_cast<int>(series->w.size())) return;
    const int n = static_cast<int>(series->w.size());
    std::vector<double> time(static_cast<std::size_t>(n));
    std::iota(time.begin(), time.end(), 1.0);
    const auto t0 = static_cast<std::size_t>(series->t0);
    ShowXYGraph(Context(), kTime, time.data() + t0, kRecursiveTitle, n - series->t0, series->w.data() + t0);
}

void RegisterChowWindow() {
    AnalysisWindows().Register("TfrmChow", [](const WindowContext& context) -> std::unique_ptr<AnalysisWindow> {
        return std::make_unique<TfrmChow>(context);
    });
}
