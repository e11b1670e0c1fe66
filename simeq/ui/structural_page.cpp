#include "simeq/ui/structural_page.h"

#include <QComboBox>
#include <QGridLayout>
#include <QLabel>
#include <QSignalBlocker>

#include "components/view/labels.h"
#include "components/view/qt_text.h"
#include "components/view/result_grid.h"
#include "components/view/result_grid_pages.h"
#include "simeq/system_build.h"
#include "simeq/system_tables.h"

StructuralPage::StructuralPage(QWidget* parent, StatusText status) : QWidget(parent), status_(std::move(status)) {
    cbSelect = new QComboBox(this);
    cbSelect->setObjectName("cbSelect");
    cbSelect->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    connect(cbSelect, &QComboBox::activated, this, [this](int i) { cbSelectChange(i); });
    sgEst = NewResultGrid(this, "sgEst", 150);
    connect(sgEst, &TStringGrid::GridMouseDown, this,
            [this](Qt::MouseButton b, Qt::KeyboardModifiers, int x, int y) { sgEstMouseDown(b, x, y); });
    stVe = NewValueLabel(this, "stVe", 120);
    stR2 = NewValueLabel(this, "stR2", 120);
    stLIML = NewValueLabel(this, "stLIML", 120);
    for (QLabel* l : {stVe, stR2, stLIML}) {
        l->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        l->setStyleSheet("background-color: aqua;");
    }
    auto* side = new QVBoxLayout;
    side->addWidget(new QLabel("回帰標準誤差", this));
    side->addWidget(stVe);
    side->addWidget(new QLabel("決定係数", this));
    side->addWidget(stR2);
    side->addWidget(new QLabel("最小分散比", this));
    side->addWidget(stLIML);
    side->addStretch(1);
    auto* layout = new QGridLayout(this);
    layout->addWidget(cbSelect, 0, 0, 1, 2);
    layout->addWidget(sgEst, 1, 0);
    layout->addLayout(side, 1, 1);
    layout->setColumnStretch(0, 1);
    layout->setRowStretch(1, 1);
}

void StructuralPage::SetSystem(std::shared_ptr<const SimultaneousSystem> sys) {
    sys_ = std::move(sys);
    current_ = 0;
    estimates_ = true;
    const QSignalBlocker block(cbSelect);
    cbSelect->clear();
    if (!sys_) return;
    for (const std::string& text : sys_->StochasticTexts()) cbSelect->addItem(Q(text));
    cbSelect->setCurrentIndex(sys_->S() > 0 ? 0 : -1);
}

void StructuralPage::tsKozoShow() {
    if (!sys_ || !sys_->IsBuilt() || current_ < 0 || current_ >= sys_->S()) return;
    if (estimates_ || !sys_->TwoStage())
        sgEst->Show(StructuralEstimateTable(*sys_, current_));
    else
        sgEst->Show(StructuralCovarianceTable(*sys_, current_));
    const StructuralSummary s = StructuralSummaryOf(*sys_, current_);
    stVe->setText(Q(s.ve));
    stR2->setText(Q(s.r2));
    stLIML->setText(Q(s.liml));
}

void StructuralPage::cbSelectChange(int index) {
    if (!sys_ || index < 0 || index >= sys_->S()) return;
    current_ = index;
    estimates_ = true;
    tsKozoShow();
}

void StructuralPage::sgEstMouseDown(Qt::MouseButton button, int x, int y) {
    if (!sys_ || !sys_->IsBuilt()) return;
    int c = -1, r = -1;
    sgEst->MouseToCell(x, y, c, r);
    if (sys_->TwoStage() && button == Qt::LeftButton) {
        estimates_ = !estimates_;
        tsKozoShow();
        return;
    }
    if (r < 1 || (sys_->TwoStage() && button != Qt::RightButton)) return;
    const std::string text = StructuralCellText(*sys_, current_, sgEst->Cell(0, r).toStdString(), r);
    if (!text.empty()) status_(text);
}
