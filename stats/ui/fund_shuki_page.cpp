#include "stats/ui/fund_shuki_page.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

#include "components/plot/acf_view.h"
#include "components/plot/core/canvas_types.h"
#include "components/view/grid_cell_painter.h"
#include "platform/qt/string_grid.h"

TfsShukiPage::TfsShukiPage(QWidget* parent) : QWidget(parent) {
    setObjectName("tsShuki");
    sgShuki = new TStringGrid(this);
    sgShuki->setObjectName("sgShuki");
    sgShuki->SetColCount(2);
    sgShuki->SetRowCount(2);
    sgShuki->SetFixedCols(1);
    sgShuki->SetFixedRows(1);
    sgShuki->SetDefaultColWidth(110);
    sgShuki->SetDefaultRowHeight(22);
    sgShuki->SetColWidth(0, 40);
    sgShuki->setFixedWidth(180);
    UsePlainGridCellPainter(*sgShuki);

    shuki = new TACFView(this);
    shuki->setObjectName("shuki");
    shuki->setMinimumSize(300, 200);
    shuki->PieceColor = canvas_color::kAqua;
    shuki->PieceRectColor = canvas_color::kBlue;
    lblEmpty = new QLabel(this);
    lblEmpty->setObjectName("lblEmpty");
    lblEmpty->hide();

    auto* right = new QVBoxLayout;
    right->addWidget(lblEmpty);
    right->addWidget(shuki, 1);
    auto* layout = new QHBoxLayout(this);
    layout->addWidget(sgShuki);
    layout->addLayout(right, 1);
}
