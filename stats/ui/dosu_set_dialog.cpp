#include "stats/ui/dosu_set_dialog.h"

#include <QAbstractButton>
#include <QButtonGroup>
#include <QCheckBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "components/plot/core/flex_dosu_core.h"
#include "components/view/qt_text.h"
#include "core/text/number_format.h"

namespace {

QGroupBox* RadioBox(QWidget* parent, const char* title, const char* first, const char* second, QButtonGroup*& group) {
    auto* box = new QGroupBox(title, parent);
    group = new QButtonGroup(box);
    auto* layout = new QVBoxLayout(box);
    const char* const items[] = {first, second};
    for (int i = 0; i < 2; ++i) {
        auto* b = new QRadioButton(items[i], box);
        group->addButton(b, i);
        layout->addWidget(b);
    }
    group->button(0)->setChecked(true);
    return box;
}

void Check(QButtonGroup* group, int id) { group->button(id)->setChecked(true); }

}  // namespace

TfrmDosuSet::TfrmDosuSet(QWidget* parent) : QDialog(parent) {
    setObjectName("frmDosuSet");
    setWindowTitle("度数分布設定");

    gbMode = RadioBox(this, "モード", "自動設定(&A)", "手動設定(&M)", rgMode);
    gbPriority = RadioBox(this, "優先順位", "級数(&N)", "級間隔(&W)", rgPriority);
    gbFDS = RadioBox(this, "級設定", "標準設定(&S)", "平均値まわり(&R)", rgFDS);
    connect(rgMode, &QButtonGroup::idClicked, this, [this] { rgModeClick(); });
    connect(rgPriority, &QButtonGroup::idClicked, this, [this] { rgPriorityClick(); });

    eRankNumber = new QLineEdit(this);
    eWidth = new QLineEdit(this);
    eMiniVal = new QLineEdit(this);
    eMaxiVal = new QLineEdit(this);
    cbNormLine = new QCheckBox("正規分布曲線の表示(&F)", this);
    btnSet = new QPushButton("設定(&O)", this);
    btnSet->setDefault(true);
    btnCancel = new QPushButton("取り消し(&C)", this);
    connect(btnSet, &QPushButton::clicked, this, &QDialog::accept);
    connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);

    auto* fields = new QFormLayout;
    fields->addRow("現在級数", eRankNumber);
    fields->addRow("級間隔", eWidth);
    fields->addRow("最小値", eMiniVal);
    fields->addRow("最大値", eMaxiVal);
    fields->addRow(cbNormLine);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(btnSet);
    buttons->addWidget(btnCancel);

    auto* grid = new QGridLayout(this);
    grid->addWidget(gbMode, 0, 0);
    grid->addWidget(gbPriority, 1, 0);
    grid->addWidget(gbFDS, 2, 0);
    grid->addLayout(fields, 0, 1, 2, 1);
    grid->addLayout(buttons, 2, 1, Qt::AlignBottom);
    // A fixed border as large as the font needs: three choices of two
    // lines each do not fit the smallest size the controls allow.
    grid->setSizeConstraint(QLayout::SetFixedSize);
    rgModeClick();
}

void TfrmDosuSet::LoadFrom(const FlexDosuCore* dosu) {
    if (!dosu) return;
    Check(rgMode, dosu->AutoSet ? 0 : 1);
    Check(rgFDS, dosu->RangeMode == 1 ? 1 : 0);
    Check(rgPriority, dosu->Priority != 0 ? 1 : 0);
    eMiniVal->setText(Q(FormatNumber(false, dosu->RangeLow)));
    eMaxiVal->setText(Q(FormatNumber(false, dosu->RangeHigh)));
    eWidth->setText(Q(FormatNumber(false, dosu->ClassWidth)));
    eRankNumber->setText(QString::number(dosu->ClassCount));
    cbNormLine->setChecked(dosu->NormalCurve);
    rgModeClick();
}

void TfrmDosuSet::rgModeClick() {
    const bool manual = rgMode->checkedId() == 1;
    eMiniVal->setEnabled(manual);
    eMaxiVal->setEnabled(manual);
    gbPriority->setEnabled(manual);
    gbFDS->setEnabled(!manual);
    if (manual) {
        rgPriorityClick();
    } else {
        eWidth->setEnabled(false);
        eRankNumber->setEnabled(false);
    }
}

void TfrmDosuSet::rgPriorityClick() {
    const bool widthFirst = rgPriority->checkedId() == 1;
    eWidth->setEnabled(widthFirst);
    eRankNumber->setEnabled(!widthFirst);
}
