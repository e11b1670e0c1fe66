// The Box-Cox choice dialog; see box_cox_dialog.h.
#include "app/dialogs/box_cox_dialog.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

#include "components/view/key_helpers.h"
#include "core/model/regression_model.h"
#include "core/text/number_format.h"

TBoxCoxDlg::TBoxCoxDlg(QWidget* parent) : QDialog(parent) {
    setObjectName("BoxCoxDlg");
    setWindowTitle("変換選択ダイアログ");
    cbMokuteki = new QCheckBox("目的変数", this);
    cbMokuteki->setObjectName("cbMokuteki");
    auto* gbSetumei = new QGroupBox("説明変数選択", this);
    lbSetumei = new QListWidget(gbSetumei);
    lbSetumei->setObjectName("lbSetumei");
    auto* groupLayout = new QVBoxLayout(gbSetumei);
    groupLayout->addWidget(lbSetumei);
    stLamda = new QLabel(this);
    stLamda->setObjectName("stLamda");
    stLamda->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    stLamda->setAutoFillBackground(true);
    QPalette aqua = stLamda->palette();
    aqua.setColor(QPalette::Window, QColor(0, 255, 255));
    stLamda->setPalette(aqua);
    stLamda->setMinimumWidth(100);
    OKBtn = new QPushButton("実行(&O)", this);
    CancelBtn = new QPushButton("キャンセル(&C)", this);
    OKBtn->setObjectName("OKBtn");
    CancelBtn->setObjectName("CancelBtn");
    OKBtn->setDefault(true);

    auto* top = new QHBoxLayout;
    top->addWidget(cbMokuteki);
    top->addStretch(1);
    top->addWidget(new QLabel("λ", this));
    top->addWidget(stLamda);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(OKBtn);
    buttons->addWidget(CancelBtn);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(gbSetumei, 1);
    layout->addLayout(buttons);
    resize(300, 320);

    connect(OKBtn, &QPushButton::clicked, this, [this] { OKBtnClick(); });
    connect(CancelBtn, &QPushButton::clicked, this, &QDialog::reject);
    cbMokuteki->installEventFilter(this);
    lbSetumei->installEventFilter(this);
}

void TBoxCoxDlg::Prepare(const Reg& model, bool done, double lastLambda) {
    const int k = model.GetVarCount();
    flags_.assign(static_cast<std::size_t>(k), 0);
    dependent_ = model.GetDependent();
    listed_.clear();
    lbSetumei->clear();
    for (int j = 0; j < k; ++j) {
        if (j == dependent_ || !model.IsExplanatory(j)) continue;
        auto* item = new QListWidgetItem(QString::fromStdString(model.GetVarName(j)), lbSetumei);
        item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
        item->setCheckState(Qt::Unchecked);
        listed_.push_back(j);
    }
    cbMokuteki->setChecked(false);
    cbMokuteki->setEnabled(dependent_ >= 0 && dependent_ < k);
    stLamda->setText(done ? QString::fromStdString(FormatNumber(false, lastLambda)) : QString());
}

void TBoxCoxDlg::OKBtnClick() {
    std::fill(flags_.begin(), flags_.end(), 0);
    for (int r = 0; r < lbSetumei->count() && r < static_cast<int>(listed_.size()); ++r)
        if (lbSetumei->item(r)->checkState() == Qt::Checked)
            flags_[static_cast<std::size_t>(listed_[static_cast<std::size_t>(r)])] = 1;
    if (cbMokuteki->isChecked() && dependent_ >= 0 && dependent_ < static_cast<int>(flags_.size()))
        flags_[static_cast<std::size_t>(dependent_)] = 1;
    accept();
}

bool TBoxCoxDlg::NothingChosen() const {
    for (std::uint8_t f : flags_)
        if (f) return false;
    return true;
}

bool TBoxCoxDlg::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        const bool shiftEnter = IsEnterKey(key->key()) && (key->modifiers() & Qt::ShiftModifier);
        if (shiftEnter && watched == cbMokuteki) {
            cbMokuteki->toggle();
            return true;
        }
        if (shiftEnter && watched == lbSetumei) {
            if (QListWidgetItem* item = lbSetumei->currentItem())
                item->setCheckState(item->checkState() == Qt::Checked ? Qt::Unchecked : Qt::Checked);
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}
