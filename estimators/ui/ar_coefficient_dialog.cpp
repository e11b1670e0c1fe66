#include "estimators/ui/ar_coefficient_dialog.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "components/view/labels.h"
#include "components/view/qt_text.h"
#include "components/view/result_grid.h"
#include "estimators/weighted_fit_tables.h"

TfrmARP::TfrmARP(QWidget* owner) : QDialog(owner) {
    setObjectName("frmARP");
    setWindowTitle("自己回帰係数");
    resize(320, 300);
    sgARE = new ResultGrid(this);
    sgARE->setObjectName("sgARE");
    sgARE->SetColWidth(0, 40);
    stARV = NewValueLabel(this, "stARV", 150);
    btnClose = new QPushButton("閉じる(&X)", this);
    btnClose->setObjectName("btnClose");
    connect(btnClose, &QPushButton::clicked, this, [this] { accept(); });

    auto* bottom = new QHBoxLayout;
    bottom->addWidget(new QLabel("分散推定値", this));
    bottom->addWidget(stARV);
    bottom->addStretch(1);
    bottom->addWidget(btnClose);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(sgARE, 1);
    layout->addLayout(bottom);
}

void TfrmARP::FormShow() {
    if (!fit_ || !fit_->ARMode()) return;
    sgARE->Show(ARCoefficientTable(*fit_));
    stARV->setText(Q(ARVarianceText(*fit_)));
}
