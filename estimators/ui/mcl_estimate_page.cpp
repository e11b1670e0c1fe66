#include "estimators/ui/mcl_estimate_page.h"

#include <QGridLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "components/view/labels.h"
#include "components/view/qt_text.h"
#include "components/view/result_grid.h"
#include "components/view/result_grid_pages.h"
#include "core/report/result_table.h"
#include "estimators/multicollinearity_tables.h"

MclEstimatePage::MclEstimatePage(QWidget* parent) : QWidget(parent) {
    setObjectName("tsRidgeEst");
    stRK = new QPushButton(this);
    stRK->setObjectName("stRK");
    stRK->setMinimumWidth(120);
    stRK->setToolTip("クリックでリッジ係数を入力");
    auto* top = new QHBoxLayout;
    top->addWidget(new QLabel("リッジ係数", this));
    top->addWidget(stRK);
    top->addStretch(1);

    sgEst = NewResultGrid(this, "sgEst", 130);
    sgEst->Show(ResultTable({"", "β推定値", "β標準誤差", "分散拡大要因"}));

    stVe = NewValueLabel(this, "stVe", 130);
    stR2 = NewValueLabel(this, "stR2", 130);
    stDWR = NewValueLabel(this, "stDWR", 130);
    stGK = NewValueLabel(this, "stGK", 130);
    stGCV = NewValueLabel(this, "stGCV", 130);
    auto* figures = new QGridLayout;
    figures->addWidget(new QLabel("回帰標準誤差", this), 0, 0);
    figures->addWidget(stVe, 0, 1);
    figures->addWidget(new QLabel("決定係数", this), 0, 2);
    figures->addWidget(stR2, 0, 3);
    figures->addWidget(new QLabel("ＤＷ比", this), 0, 4);
    figures->addWidget(stDWR, 0, 5);
    figures->addWidget(new QLabel("ＧＫ統計量", this), 1, 0);
    figures->addWidget(stGK, 1, 1);
    figures->addWidget(new QLabel("一般化相互確認", this), 1, 2);
    figures->addWidget(stGCV, 1, 3);
    figures->setColumnStretch(6, 1);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(sgEst, 1);
    layout->addLayout(figures);
}

void MclEstimatePage::Show(const MclRidgeFit* fit, const std::vector<std::string>& names) {
    if (!fit) {
        sgEst->Show(ResultTable({"", "β推定値", "β標準誤差", "分散拡大要因"}));
        for (QLabel* l : {stVe, stR2, stDWR, stGK, stGCV}) l->clear();
        stRK->setText({});
        return;
    }
    sgEst->Show(MclEstimateTable(*fit, names));
    const MclFitTexts t = MclFitTextsOf(*fit);
    stRK->setText(Q(t.k));
    stVe->setText(Q(t.standardError));
    stR2->setText(Q(t.r2));
    stDWR->setText(Q(t.durbinWatson));
    stGK->setText(Q(t.gk));
    stGCV->setText(Q(t.gcv));
}
