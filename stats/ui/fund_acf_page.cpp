#include "stats/ui/fund_acf_page.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "components/plot/acf_view.h"
#include "components/plot/core/canvas_types.h"
#include "components/view/grid_cell_painter.h"
#include "platform/qt/string_grid.h"

namespace {

QLabel* Field(QWidget* parent, QGridLayout* grid, int row, const char* caption, const char* name) {
    grid->addWidget(new QLabel(caption, parent), row, 0);
    auto* field = new QLabel(parent);
    field->setObjectName(name);
    field->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    field->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    field->setMinimumWidth(170);
    grid->addWidget(field, row, 1);
    return field;
}

}  // namespace

TfsACFPage::TfsACFPage(QWidget* parent) : QWidget(parent) {
    setObjectName("tsACF");
    sgACFData = new TStringGrid(this);
    sgACFData->setObjectName("sgACFData");
    sgACFData->SetColCount(3);
    sgACFData->SetRowCount(2);
    sgACFData->SetFixedCols(1);
    sgACFData->SetFixedRows(1);
    sgACFData->SetDefaultColWidth(90);
    sgACFData->SetDefaultRowHeight(22);
    sgACFData->SetColWidth(0, 40);
    sgACFData->setFixedWidth(250);
    UsePlainGridCellPainter(*sgACFData);

    ACF = new TACFView(this);
    ACF->setObjectName("ACF");
    ACF->setMinimumSize(300, 200);
    ACF->PieceColor = canvas_color::kAqua;
    ACF->PieceRectColor = canvas_color::kBlue;

    eH = new QLineEdit("40", this);
    eH->setObjectName("eH");
    eH->setMaximumWidth(70);
    auto* show = new QGroupBox("表示", this);
    rbACF = new QRadioButton("&ACF", show);
    rbPACF = new QRadioButton("&PACF", show);
    rbACF->setChecked(true);
    rgShow = new QButtonGroup(this);
    rgShow->addButton(rbACF, 0);
    rgShow->addButton(rbPACF, 1);
    auto* showLayout = new QHBoxLayout(show);
    showLayout->addWidget(rbACF);
    showLayout->addWidget(rbPACF);
    btnYWEst = new QPushButton("&Yule-Walker", this);
    btnYWEst->setObjectName("btnYWEst");
    cbZoom = new QCheckBox("拡大表示(&Z)", this);
    cbZoom->setObjectName("cbZoom");

    auto* tests = new QGridLayout;
    int row = 0;
    stLimit = Field(this, tests, row++, "信頼限界値", "stLimit");
    stQlb = Field(this, tests, row++, "リュング・ボックス検定値", "stQlb");
    stQhat = Field(this, tests, row++, "マクレオド・リ検定値", "stQhat");
    stT = Field(this, tests, row++, "転換点検定値", "stT");
    stS = Field(this, tests, row++, "差分符号検定値", "stS");
    stP = Field(this, tests, row++, "順位検定値", "stP");

    auto* controls = new QVBoxLayout;
    auto* lagRow = new QHBoxLayout;
    lagRow->addWidget(new QLabel("階数", this));
    lagRow->addWidget(eH);
    lagRow->addStretch();
    controls->addLayout(lagRow);
    controls->addWidget(show);
    controls->addWidget(cbZoom);
    controls->addWidget(btnYWEst);
    controls->addStretch();
    auto* lower = new QHBoxLayout;
    lower->addLayout(controls);
    lower->addLayout(tests);
    lower->addStretch();
    auto* right = new QVBoxLayout;
    right->addWidget(ACF, 1);
    right->addLayout(lower);
    auto* layout = new QHBoxLayout(this);
    layout->addWidget(sgACFData);
    layout->addLayout(right, 1);
}
