#include "stats/ui/xy_graph_data_page.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include <cmath>

#include "components/view/numeric_field.h"
#include "components/view/qt_text.h"
#include "components/view/result_grid.h"
#include "core/text/number_format.h"
#include "stats/curve_fit.h"
#include "stats/ui/click_label.h"

QLabel* GraphValueLabel(QWidget* parent, const char* name) {
    auto* l = new QLabel(parent);
    l->setObjectName(name);
    l->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    l->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    l->setMinimumWidth(90);
    return l;
}

TXYGraphDataPage::TXYGraphDataPage(const WindowContext& context, QWidget* parent) : QWidget(parent) {
    setObjectName("tsData");
    auto* values = new QGridLayout;
    auto clickable = [this](const char* name) {
        auto* l = new ClickLabel(this);
        l->setObjectName(name);
        l->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        l->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        return l;
    };
    auto add = [&](int row, QLabel* label, QLabel* value) {
        values->addWidget(label, row, 0);
        values->addWidget(value, row, 1);
    };
    lblRR2 = new QLabel("決定係数(R^2)", this);
    lblRR2->setObjectName("lblRR2");
    stR2 = clickable("stR2");
    stVe = clickable("stVe");
    stGK = GraphValueLabel(this, "stGK");
    stDWR = GraphValueLabel(this, "stDWR");
    stFe = GraphValueLabel(this, "stFe");
    stPSS = GraphValueLabel(this, "stPSS");
    lblBCE = new QLabel("Box Cox E.", this);
    stBCE = GraphValueLabel(this, "stBCE");
    add(0, lblRR2, stR2);
    add(1, new QLabel("回帰標準誤差", this), stVe);
    add(2, new QLabel("ＧＫ統計量", this), stGK);
    add(3, new QLabel("DW比", this), stDWR);
    add(4, new QLabel("自由度", this), stFe);
    add(5, new QLabel("予測平方和", this), stPSS);
    add(6, lblBCE, stBCE);

    dgData = new ResultGrid(this);
    dgData->setObjectName("dgData");
    dgEst = new ResultGrid(this);
    dgEst->setObjectName("dgEst");

    gbPred = new QGroupBox("予測", this);
    auto* pred = new QGridLayout(gbPred);
    epX = new NumericField(context, gbPred);
    epX->setObjectName("epX");
    epX->setText("0");
    eSinrai = new QLineEdit("95", gbPred);
    eSinrai->setObjectName("eSinrai");
    eKakuritu = new QLineEdit("90", gbPred);
    eKakuritu->setObjectName("eKakuritu");
    stPredY = GraphValueLabel(gbPred, "stPredY");
    stUpper = GraphValueLabel(gbPred, "stUpper");
    stLower = GraphValueLabel(gbPred, "stLower");
    btnCalc = new QPushButton("計算(&C)", gbPred);
    btnCalc->setObjectName("btnCalc");
    btnPGraph = new QPushButton("グラフ(&G)", gbPred);
    btnPGraph->setObjectName("btnPGraph");
    pred->addWidget(new QLabel("説明変数値", gbPred), 0, 0);
    pred->addWidget(epX, 0, 1);
    pred->addWidget(new QLabel("信頼度", gbPred), 1, 0);
    pred->addWidget(eSinrai, 1, 1);
    pred->addWidget(new QLabel("確率", gbPred), 2, 0);
    pred->addWidget(eKakuritu, 2, 1);
    pred->addWidget(new QLabel("予測値", gbPred), 3, 0);
    pred->addWidget(stPredY, 3, 1);
    pred->addWidget(stUpper, 4, 0);
    pred->addWidget(new QLabel("～", gbPred), 4, 1);
    pred->addWidget(stLower, 4, 2);
    pred->addWidget(btnCalc, 5, 0);
    pred->addWidget(btnPGraph, 5, 1);

    auto* left = new QVBoxLayout;
    left->addLayout(values);
    left->addWidget(gbPred);
    left->addStretch(1);
    auto* right = new QVBoxLayout;
    right->addWidget(dgEst, 1);
    right->addWidget(dgData, 2);
    auto* layout = new QHBoxLayout(this);
    layout->addLayout(left);
    layout->addLayout(right, 1);
}

void TXYGraphDataPage::ShowFit(const TSRA& f, const CurvePlotRanges& ranges, int curveType) {
    dgData->Show(CurveDataTable(f, ranges));
    dgEst->Show(CurveEstimateTable(f));
    stVe->setText(Q(FormatNumber(false, std::sqrt(f.S2()))));
    stGK->setText(Q(CurveHeteroskedasticityText(f)));
    stDWR->setText(Q(FormatNumber(false, f.GetDurbinWatson())));
    stFe->setText(QString::number(f.Df()));
    stPSS->setText(Q(FormatNumber(false, f.Press())));
    const bool boxCox = curveType >= regXbceY && curveType <= regbceXbceY;
    lblBCE->setVisible(boxCox);
    stBCE->setVisible(boxCox);
    stBCE->setText(boxCox ? Q(FormatNumber(false, f.Lambda())) : QString());
}

void TXYGraphDataPage::ShowR2(const TSRA& fit, bool adjusted) {
    lblRR2->setText(adjusted ? "自由度修正済R^2" : "決定係数(R^2)");
    stR2->setText(Q(FormatNumber(false, adjusted ? fit.AdjR2() : fit.R2())));
}
