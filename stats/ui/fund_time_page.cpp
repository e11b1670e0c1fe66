#include "stats/ui/fund_time_page.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "components/plot/core/canvas_types.h"
#include "components/plot/xy_plot.h"
#include "components/view/grid_cell_painter.h"
#include "platform/qt/string_grid.h"
#include "stats/ui/click_label.h"

namespace {

QLabel* Field(QWidget* parent, const char* name) {
    auto* field = new QLabel(parent);
    field->setObjectName(name);
    field->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    field->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    field->setMinimumWidth(110);
    return field;
}

}  // namespace

TfsTimePage::TfsTimePage(QWidget* parent) : QWidget(parent) {
    setObjectName("tsTime");
    sgData = new TStringGrid(this);
    sgData->setObjectName("sgData");
    sgData->SetColCount(2);
    sgData->SetRowCount(2);
    sgData->SetFixedCols(1);
    sgData->SetFixedRows(1);
    sgData->SetDefaultColWidth(100);
    sgData->SetDefaultRowHeight(22);
    sgData->SetColWidth(0, 40);
    sgData->setFixedWidth(170);
    UsePlainGridCellPainter(*sgData);

    timeseries = new TXYPlot(this);
    timeseries->setObjectName("timeseries");
    timeseries->setMinimumSize(320, 260);
    timeseries->DotWidth = 4;
    timeseries->AutoSet = true;
    timeseries->RegLine = true;
    timeseries->MinMax = true;
    timeseries->DotBindLine = true;
    timeseries->PenColor = canvas_color::kGreen;
    timeseries->LineColor = canvas_color::kGreen;
    timeseries->PenWidth = 1;
    timeseries->LineWidth = 1;
    timeseries->RegLineColor = canvas_color::kAqua;
    timeseries->NormalDotColor = canvas_color::kBlue;
    timeseries->SelectedDotColor = canvas_color::kRed;
    timeseries->ExtendedDotColor = canvas_color::kGreen;

    stBottom = Field(this, "stBottom");
    stLineWidth = Field(this, "stLineWidth");
    stLineStyle = new ClickLabel(this);
    stLineStyle->setObjectName("stLineStyle");
    stLineStyle->setAlignment(Qt::AlignCenter);
    stLineStyle->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    stLineStyle->setMinimumWidth(170);
    stLineStyle->setStyleSheet("background-color: #00FFFF;");
    stLineStyle->setCursor(Qt::PointingHandCursor);
    btnExpresMsg = new QPushButton("式(&E)", this);
    btnExpresMsg->setObjectName("btnExpresMsg");

    auto* bar = new QHBoxLayout;
    bar->addWidget(new QLabel("最下", this));
    bar->addWidget(stBottom);
    bar->addWidget(new QLabel("間隔", this));
    bar->addWidget(stLineWidth);
    bar->addStretch();
    bar->addWidget(stLineStyle);
    bar->addWidget(btnExpresMsg);
    auto* right = new QVBoxLayout;
    right->addWidget(timeseries, 1);
    right->addLayout(bar);
    auto* layout = new QHBoxLayout(this);
    layout->addWidget(sgData);
    layout->addLayout(right, 1);
}
