#include "stats/ui/fund_freq_page.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QVBoxLayout>

#include "components/plot/core/canvas_types.h"
#include "components/plot/flex_dosu.h"
#include "components/view/grid_cell_painter.h"
#include "platform/qt/string_grid.h"

TfsFreqPage::TfsFreqPage(QWidget* parent) : QWidget(parent) {
    setObjectName("tsFreq");
    sgDosu = new TStringGrid(this);
    sgDosu->setObjectName("sgDosu");
    sgDosu->SetColCount(8);
    sgDosu->SetRowCount(2);
    sgDosu->SetFixedCols(1);
    sgDosu->SetFixedRows(1);
    sgDosu->SetDefaultColWidth(100);
    sgDosu->SetDefaultRowHeight(22);
    sgDosu->SetColWidth(0, 40);
    sgDosu->SetColWidth(4, 60);
    sgDosu->SetColWidth(5, 60);
    sgDosu->setContextMenuPolicy(Qt::CustomContextMenu);
    UsePlainGridCellPainter(*sgDosu);

    pmFD = new QMenu(this);
    pmFD->setObjectName("pmFD");
    pmBindUpper = pmFD->addAction("上と結合(&U)");
    pmBindUpper->setObjectName("pmBindUpper");
    pmBindLower = pmFD->addAction("下と結合(&L)");
    pmBindLower->setObjectName("pmBindLower");
    pmFD->addSeparator();
    pmSeparate = pmFD->addAction("分離(&S)");
    pmSeparate->setObjectName("pmSeparate");

    Dosu1 = new TFlexDosu(this);
    Dosu1->setObjectName("Dosu1");
    Dosu1->setMinimumHeight(200);
    Dosu1->AutoSet = true;
    Dosu1->PieceColor = canvas_color::kAqua;
    Dosu1->PieceRectColor = canvas_color::kBlue;

    auto* modeCaption = new QLabel("最頻値", this);
    stMode = new QLabel(this);
    stMode->setObjectName("stMode");
    stMode->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    stMode->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    stMode->setMinimumWidth(130);
    stMode->setStyleSheet("background-color: #00FFFF;");

    auto* modeRow = new QHBoxLayout;
    modeRow->addStretch();
    modeRow->addWidget(modeCaption);
    modeRow->addWidget(stMode);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(sgDosu, 1);
    layout->addLayout(modeRow);
    layout->addWidget(Dosu1, 1);
}
