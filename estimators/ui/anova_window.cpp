#include "estimators/ui/anova_window.h"

#include <QFontMetrics>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include <algorithm>
#include <string>

#include "components/view/labels.h"
#include "components/view/qt_text.h"
#include "components/view/result_grid.h"
#include "components/view/window_registry.h"
#include "core/text/number_format.h"

namespace {

const char* const kNoValue = "-";
const char* const kConstant = "定数項";

QString Number(const std::optional<double>& v) { return v ? Q(FormatNumber(false, *v)) : QString(kNoValue); }

// A value followed by its level in brackets; "-" when there is no value.
QString WithLevel(const std::optional<double>& v, const std::optional<double>& level) {
    if (!v) return kNoValue;
    const std::string text = FormatNumber(false, *v);
    return Q(level ? FormatIndexedLabel(text, FormatPercent(*level), false) : text);
}

}  // namespace

TfrmAnova::TfrmAnova(const WindowContext& context) : AnalysisWindowFor(context) {
    setObjectName("frmAnova");
    setWindowTitle("分散分析");
    resize(720, 520);

    sgAnova = new ResultGrid(this);
    sgAnova->setObjectName("sgAnova");
    sgB = new ResultGrid(this);
    sgB->setObjectName("sgB");

    auto* measures = new QGridLayout;
    struct Row {
        const char* caption;
        QLabel** root;
        const char* rootName;
        QLabel** value;
        const char* valueName;
    };
    const Row rows[] = {
        {"重相関係数・決定係数", &stR, "stR", &stR2, "stR2"},
        {"自由度修正済み", &stRR, "stRR", &stRR2, "stRR2"},
        {"２重自由度修正済み", &stRRR, "stRRR", &stRRR2, "stRRR2"},
    };
    int line = 0;
    for (const Row& r : rows) {
        measures->addWidget(new QLabel(r.caption, this), line, 0);
        *r.root = NewValueLabel(this, r.rootName, 110);
        *r.value = NewValueLabel(this, r.valueName, 110);
        measures->addWidget(*r.root, line, 1);
        measures->addWidget(*r.value, line, 2);
        ++line;
    }
    stSigE = NewValueLabel(this, "stSigE", 110);
    stPSS = NewValueLabel(this, "stPSS", 110);
    stRRPSS = NewValueLabel(this, "stRRPSS", 110);
    measures->addWidget(new QLabel("残差標準偏差", this), 0, 3);
    measures->addWidget(stSigE, 0, 4);
    measures->addWidget(new QLabel("予測平方和", this), 1, 3);
    measures->addWidget(stPSS, 1, 4);
    measures->addWidget(new QLabel("R^2-PRESS", this), 2, 3);
    measures->addWidget(stRRPSS, 2, 4);

    btnComp = new QPushButton("共分散(&C)", this);
    btnComp->setObjectName("btnComp");
    btnWhite = new QPushButton("ホワイト(&W)", this);
    btnWhite->setObjectName("btnWhite");
    btnExit = new QPushButton("閉じる(&X)", this);
    btnExit->setObjectName("btnExit");
    connect(btnComp, &QPushButton::clicked, this, GuardedSlot([this] { btnCompClick(); }));
    connect(btnWhite, &QPushButton::clicked, this, GuardedSlot([this] { btnWhiteClick(); }));
    connect(btnExit, &QPushButton::clicked, this, [this] { close(); });

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(btnComp);
    buttons->addWidget(btnWhite);
    buttons->addWidget(btnExit);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(sgAnova, 2);
    layout->addLayout(measures);
    layout->addWidget(sgB, 3);
    layout->addLayout(buttons);
}

bool TfrmAnova::Setup(const LaunchRequest& request) {
    return FillTables(request.readModel ? request.readModel : request.model);
}

bool TfrmAnova::FillTables(const Reg* reg) {
    if (!reg) return false;
    try {
        table_.emplace(ComputeAnova(*reg, CovarianceKind::kOrdinary));
    } catch (const std::exception&) {
        table_.reset();
        // No fit to show: the main window shows nothing either.
        return false;
    }
    reg_ = reg;
    showEstimates_ = true;
    btnComp->setText("共分散(&C)");
    btnWhite->setText("ホワイト(&W)");
    FillAnova();
    FillMeasures();
    FillCoefficients();
    return true;
}

void TfrmAnova::FillAnova() {
    TStringGrid& g = *sgAnova;
    g.ClearCells();
    g.SetColCount(5);
    g.SetRowCount(5);
    g.SetFixedCols(1);
    g.SetFixedRows(1);
    g.SetDefaultColWidth(100);
    g.SetColWidth(1, 140);
    g.SetColWidth(2, 60);
    g.SetColWidth(4, 150);
    // Row 3 stays empty: a thin line between the parts and the whole.
    g.SetRowHeight(3, 4);
    const char* const titles[] = {"要因", "平方和", "自由度", "分散", "分散比"};
    for (int c = 0; c < 5; ++c) g.SetCell(c, 0, titles[c]);
    g.SetCell(0, 1, "回帰");
    g.SetCell(0, 2, "残差");
    g.SetCell(0, 4, "全体");
    const AnovaTable& t = *table_;
    g.SetCell(1, 1, Q(FormatNumber(false, t.ssRegression)));
    g.SetCell(2, 1, QString::number(t.dfRegression));
    g.SetCell(3, 1, Number(t.msRegression));
    g.SetCell(4, 1, WithLevel(t.f, t.fLevel));
    g.SetCell(1, 2, Q(FormatNumber(false, t.ssResidual)));
    g.SetCell(2, 2, QString::number(t.dfResidual));
    g.SetCell(3, 2, Number(t.msResidual));
    g.SetCell(1, 4, Q(FormatNumber(false, t.ssTotal)));
    g.SetCell(2, 4, QString::number(t.dfTotal));
    g.SetCell(3, 4, Number(t.msTotal));
    g.viewport()->update();
}

void TfrmAnova::FillMeasures() {
    const AnovaTable& t = *table_;
    stR->setText(Number(t.r));
    stR2->setText(Number(t.r2));
    stRR->setText(Number(t.adjR));
    stRR2->setText(Number(t.adjR2));
    stRRR->setText(Number(t.doubleAdjR));
    stRRR2->setText(Number(t.doubleAdjR2));
    stSigE->setText(Number(t.sigma));
    stPSS->setText(Q(FormatNumber(false, t.press)));
    stRRPSS->setText(Number(t.pressR2));
}

void TfrmAnova::FillCoefficients() {
    if (!table_) return;
    if (showEstimates_)
        FillEstimates();
    else
        FillCovariance();
    sgB->viewport()->update();
}

void TfrmAnova::FillEstimates() {
    TStringGrid& g = *sgB;
    const auto& rows = table_->coefficients;
    g.ClearCells();
    g.SetColCount(5);
    g.SetRowCount(static_cast<int>(rows.size()) + 1);
    g.SetFixedCols(1);
    g.SetFixedRows(1);
    g.SetDefaultColWidth(100);
    g.SetColWidth(0, 150);
    g.SetColWidth(4, 150);
    g.SetCell(0, 0, "変数名");
    g.SetCell(1, 0, "β推定値");
    g.SetCell(2, 0, "標準化β");
    g.SetCell(3, 0, "β標準誤差");
    g.SetCell(4, 0, "ｔ値(限界水準)");
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const AnovaCoefficient& c = rows[i];
        const int r = static_cast<int>(i) + 1;
        const bool constant = i + 1 == rows.size();
        g.SetCell(0, r, constant ? QString(kConstant) : Q(c.name));
        g.SetCell(1, r, Q(FormatNumber(false, c.coef)));
        g.SetCell(2, r, Number(c.standardised));
        g.SetCell(3, r, Number(c.stdErr));
        g.SetCell(4, r, WithLevel(c.t, c.level));
    }
}

void TfrmAnova::FillCovariance() {
    TStringGrid& g = *sgB;
    const auto& rows = table_->coefficients;
    const int m = static_cast<int>(rows.size());
    g.ClearCells();
    g.SetColCount(m + 1);
    g.SetRowCount(m + 1);
    g.SetFixedCols(1);
    g.SetFixedRows(1);
    g.SetCell(0, 0, "共分散");
    const QFontMetrics metrics(g.font());
    int widest = 100;
    for (int s = 0; s < m; ++s) {
        const QString name = s + 1 == m ? QString(kConstant) : Q(rows[static_cast<std::size_t>(s)].name);
        g.SetCell(s + 1, 0, name);
        g.SetCell(0, s + 1, name);
        // A long name widens its column so that it can be read.
        const int text = metrics.horizontalAdvance(name);
        const int width = text <= 80 ? 100 : text + 20;
        g.SetColWidth(s + 1, width);
        widest = std::max(widest, width);
        for (int u = 0; u < m; ++u) {
            const double v = table_->covariance.At(s, u);
            g.SetCell(u + 1, s + 1, Q(FormatNumber(false, v)));
        }
    }
    g.SetColWidth(0, widest);
}

void TfrmAnova::btnCompClick() {
    showEstimates_ = !showEstimates_;
    btnComp->setText(showEstimates_ ? "共分散(&C)" : "推定値(&C)");
    FillCoefficients();
}

void TfrmAnova::btnWhiteClick() {
    if (!reg_ || !table_) return;
    const CovarianceKind next =
        table_->kind == CovarianceKind::kOrdinary ? CovarianceKind::kWhite : CovarianceKind::kOrdinary;
    // The table is replaced only when the new kind could be computed, so a
    // failure leaves the window showing what its caption says.
    AnovaTable computed = ComputeAnova(*reg_, next);
    table_.emplace(std::move(computed));
    btnWhite->setText(next == CovarianceKind::kWhite ? "標準(&S)" : "ホワイト(&W)");
    FillCoefficients();
}

void RegisterAnovaWindow() {
    AnalysisWindows().Register("TfrmAnova", [](const WindowContext& context) -> std::unique_ptr<AnalysisWindow> {
        return std::make_unique<TfrmAnova>(context);
    });
}
