#include "stats/ui/fund_basic_page.h"

#include <QEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>

#include "components/plot/core/canvas_types.h"
#include "components/plot/xy_plot.h"

namespace {

QLabel* Caption(QWidget* parent, QGridLayout* grid, int row, const char* text) {
    auto* label = new QLabel(text, parent);
    grid->addWidget(label, row, 0);
    return label;
}

QLabel* Field(QWidget* parent, QGridLayout* grid, int row, const char* name) {
    auto* field = new QLabel(parent);
    field->setObjectName(name);
    field->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    field->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    field->setMinimumWidth(130);
    grid->addWidget(field, row, 1);
    return field;
}

}  // namespace

TfsFundPage::TfsFundPage(QWidget* parent) : QWidget(parent) {
    setObjectName("tsFund");
    auto* grid = new QGridLayout;
    int row = 0;
    Caption(this, grid, row, "平均値");
    stAve = Field(this, grid, row++, "stAve");
    Caption(this, grid, row, "標準偏差");
    stSig = Field(this, grid, row++, "stSig");
    Caption(this, grid, row, "歪度");
    stSkew = Field(this, grid, row++, "stSkew");
    Caption(this, grid, row, "尖度");
    stKurt = Field(this, grid, row++, "stKurt");
    Caption(this, grid, row, "Geary値");
    stG = Field(this, grid, row++, "stG");
    lblMax = Caption(this, grid, row, "最大値");
    stMax = Field(this, grid, row++, "stMax");
    lblMin = Caption(this, grid, row, "最小値");
    stMin = Field(this, grid, row++, "stMin");
    lblRP = Caption(this, grid, row, "中央値");
    stMedian = Field(this, grid, row++, "stMedian");
    Caption(this, grid, row, "データ数");
    stNumber = Field(this, grid, row++, "stNumber");
    Caption(this, grid, row, "R^2");
    stRR2 = Field(this, grid, row++, "stRR2");
    lblRCC = Caption(this, grid, row, "S.R.C.C");
    stRCC = Field(this, grid, row++, "stRCC");
    Caption(this, grid, row, "選択データ番号 =");
    stPLOT = Field(this, grid, row++, "stPLOT");
    stPLOT->setText("1");
    Caption(this, grid, row, "標準化値");
    stYoko = Field(this, grid, row++, "stYoko");
    lblPNor = Caption(this, grid, row, "正規得点");
    stPNOR = Field(this, grid, row++, "stPNOR");
    Caption(this, grid, row, "Shapiro-Wilk");
    stSW = Field(this, grid, row++, "stSW");
    Caption(this, grid, row, "D'Agostino");
    stDAgostino = Field(this, grid, row++, "stDAgostino");
    Caption(this, grid, row, "Anderson-D.");
    stAD = Field(this, grid, row++, "stAD");
    grid->setRowStretch(row, 1);

    NPlot = new TXYPlot(this);
    NPlot->setObjectName("NPlot");
    NPlot->setMinimumSize(320, 320);
    NPlot->DotWidth = 2;
    NPlot->RegLine = true;
    NPlot->MinMax = true;
    NPlot->PenColor = canvas_color::kGreen;
    NPlot->LineColor = canvas_color::kGreen;
    NPlot->RegLineColor = canvas_color::kRed;
    NPlot->RegLineWidth = 1;
    NPlot->NormalDotColor = canvas_color::kBlue;
    NPlot->SelectedDotColor = canvas_color::kRed;

    auto* layout = new QHBoxLayout(this);
    layout->addLayout(grid);
    layout->addWidget(NPlot, 1);
}

void TfsFundPage::OnClick(QLabel* field, std::function<void()> handler) {
    field->installEventFilter(this);
    field->setCursor(Qt::PointingHandCursor);
    clicks_[field] = std::move(handler);
}

bool TfsFundPage::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::MouseButtonRelease &&
        static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
        auto it = clicks_.find(watched);
        if (it != clicks_.end() && it->second) {
            it->second();
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}
