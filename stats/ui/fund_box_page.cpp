#include "stats/ui/fund_box_page.h"

#include <QFont>
#include <QFontDatabase>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QVBoxLayout>

#include "stats/ui/box_plot_paint.h"

namespace {

QLabel* Field(QWidget* parent, QGridLayout* grid, int row, int col, const char* caption, const char* name) {
    grid->addWidget(new QLabel(caption, parent), row, col);
    auto* field = new QLabel(parent);
    field->setObjectName(name);
    field->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    field->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    field->setMinimumWidth(120);
    field->setStyleSheet("background-color: #00FFFF;");
    grid->addWidget(field, row, col + 1);
    return field;
}

}  // namespace

TfsBoxPage::TfsBoxPage(QWidget* parent) : QWidget(parent) {
    setObjectName("tsBoxPlot");
    pbBox = new TBoxPaint(this);
    pbBox->setObjectName("pbBox");
    pbBox->setFixedHeight(150);

    auto* grid = new QGridLayout;
    stQuartile0 = Field(this, grid, 0, 0, "最小値", "stQuartile0");
    stQuartile1 = Field(this, grid, 1, 0, "下ヒンジ", "stQuartile1");
    stQuartile2 = Field(this, grid, 2, 0, "中央値", "stQuartile2");
    stQuartile3 = Field(this, grid, 3, 0, "上ヒンジ", "stQuartile3");
    stQuartile4 = Field(this, grid, 4, 0, "最大値", "stQuartile4");
    stRange = Field(this, grid, 0, 2, "範囲", "stRange");
    stQR = Field(this, grid, 1, 2, "四分位偏差", "stQR");
    stQRL = Field(this, grid, 2, 2, "下外れ値境界", "stQRL");
    stQRH = Field(this, grid, 3, 2, "上外れ値境界", "stQRH");
    stMAD = Field(this, grid, 4, 2, "中央値絶対偏差", "stMAD");
    grid->setRowStretch(5, 1);

    lbList = new QListWidget(this);
    lbList->setObjectName("lbList");
    lbList->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    auto* listColumn = new QVBoxLayout;
    listColumn->addWidget(new QLabel("外れ値リスト", this));
    listColumn->addWidget(lbList, 1);

    auto* lower = new QHBoxLayout;
    lower->addLayout(grid);
    lower->addLayout(listColumn, 1);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(pbBox);
    layout->addLayout(lower, 1);
}
