#include "estimators/ui/weighted_fit_pages.h"

#include <QEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "components/view/labels.h"
#include "components/view/result_grid.h"
#include "resources/string_table.h"

TfsWLSEstimatePage::TfsWLSEstimatePage(QWidget* parent) : QWidget(parent) {
    setObjectName("tsEst");
    sgEst = new ResultGrid(this);
    sgEst->setObjectName("sgEst");
    sgEst->SetColWidth(0, 120);

    lblVe = NewNamedLabel(this, "lblVe", "残差標準偏差");
    stVe = NewValueLabel(this, "stVe", 130);
    stVe->setToolTip("ダブルクリックで Huber の共分散に切り替えます");
    lblRR2 = NewNamedLabel(this, "lblRR2", QString::fromStdString(LoadStr(kStrRSquared)));
    stR2 = NewValueLabel(this, "stR2", 130);
    stDWR = NewValueLabel(this, "stDWR", 130);
    stGK = NewValueLabel(this, "stGK", 130);
    stFe = NewValueLabel(this, "stFe", 130);
    stVe->installEventFilter(this);
    stR2->installEventFilter(this);
    lblRR2->installEventFilter(this);

    btnAR = new QPushButton("自己回帰係数", this);
    btnAR->setObjectName("btnAR");
    btnAR->setAutoDefault(false);
    btnMCL = new QPushButton("多重共線性", this);
    btnMCL->setObjectName("btnMCL");
    btnMCL->setAutoDefault(false);

    auto* figures = new QGridLayout;
    figures->addWidget(lblVe, 0, 0);
    figures->addWidget(stVe, 0, 1);
    figures->addWidget(lblRR2, 1, 0);
    figures->addWidget(stR2, 1, 1);
    figures->addWidget(new QLabel("ダービン・ワトソン比", this), 0, 2);
    figures->addWidget(stDWR, 0, 3);
    figures->addWidget(new QLabel("ＧＫ統計量", this), 1, 2);
    figures->addWidget(stGK, 1, 3);
    figures->addWidget(stFe, 2, 1);
    figures->setColumnStretch(4, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(btnAR);
    buttons->addWidget(btnMCL);
    buttons->addStretch(1);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(sgEst, 1);
    layout->addLayout(figures);
    layout->addLayout(buttons);
}

bool TfsWLSEstimatePage::eventFilter(QObject* watched, QEvent* event) {
    if (watched == stVe && event->type() == QEvent::MouseButtonDblClick) {
        emit VeDoubleClicked();
        return true;
    }
    if ((watched == stR2 || watched == lblRR2) && event->type() == QEvent::MouseButtonPress) {
        emit R2Clicked();
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

TfsWLSPredictPage::TfsWLSPredictPage(QWidget* parent) : QWidget(parent) {
    setObjectName("tsPred");
    sgVList = new TStringGrid(this);
    sgVList->setObjectName("sgVList");
    sgVList->SetColCount(2);
    sgVList->SetRowCount(2);
    sgVList->SetFixedRows(1);
    sgVList->SetFixedCols(1);
    sgVList->SetColWidth(0, 120);
    sgVList->SetColWidth(1, 160);
    sgVList->SetEditable(true);
    sgVList->SetCell(0, 0, QString::fromStdString(LoadStr(kStrExplanatoryName)));
    sgVList->SetCell(1, 0, QString::fromStdString(LoadStr(kStrValue)));
    btnCalc = new QPushButton("計算(&C)", this);
    btnCalc->setObjectName("btnCalc");
    btnCalc->setAutoDefault(false);
    stPred = NewValueLabel(this, "stPred", 150);

    auto* bottom = new QHBoxLayout;
    bottom->addWidget(new QLabel(QString::fromStdString(LoadStr(kStrPredicted)), this));
    bottom->addWidget(stPred);
    bottom->addStretch(1);
    bottom->addWidget(btnCalc);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(sgVList, 1);
    layout->addLayout(bottom);
}
