#include "estimators/ui/weight_option_dialog.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include <cmath>

#include "components/view/field_formula.h"
#include "components/view/qt_text.h"
#include "core/text/float_format.h"
#include "eval/app_state.h"
#include "platform/ui_services.h"

namespace {

constexpr int kTWeights = 1;
constexpr int kCollins = 4;
constexpr int kARKind = 10;

}  // namespace

TfrmWeightOption::TfrmWeightOption(AppState& state, QWidget* owner) : QDialog(owner), state_(state) {
    setObjectName("frmWeightOption");
    setWindowTitle("設定");

    rgSet = new QGroupBox("ウェイト種類", this);
    rgSet->setObjectName("rgSet");
    auto* setLayout = new QVBoxLayout(rgSet);
    const char* captions[kWeightItems] = {"手動入力(&M)", "自由度ｍ(&T)", "Huber(&H)", "Andrews(&A)", "Collins(&C)"};
    for (int i = 0; i < kWeightItems; ++i) {
        setItems[i] = new QRadioButton(captions[i], rgSet);
        setLayout->addWidget(setItems[i]);
        connect(setItems[i], &QRadioButton::clicked, this, [this, i] { rgSetClick(i); });
    }

    Label1 = new QLabel("調整定数　：", this);
    eH = new QLineEdit("1.345", this);
    eH->setObjectName("eH");
    cbYukai = new QCheckBox("有界影響推定", this);
    cbYukai->setObjectName("cbYukai");

    rgAR = new QGroupBox("自己回帰過程", this);
    rgAR->setObjectName("rgAR");
    auto* arLayout = new QHBoxLayout(rgAR);
    const char* arCaptions[2] = {"無し(&N)", "ｐ階(&P)"};
    for (int i = 0; i < 2; ++i) {
        arItems[i] = new QRadioButton(arCaptions[i], rgAR);
        arLayout->addWidget(arItems[i]);
        connect(arItems[i], &QRadioButton::clicked, this, [this, i] { rgARClick(i); });
    }

    btnSet = new QPushButton("OK(&O)", this);
    btnSet->setObjectName("btnSet");
    btnSet->setDefault(true);
    btnCancel = new QPushButton("キャンセル(&C)", this);
    btnCancel->setObjectName("btnCancel");
    connect(btnSet, &QPushButton::clicked, this, [this] { btnSetClick(); });
    connect(btnCancel, &QPushButton::clicked, this, [this] { reject(); });

    auto* constant = new QHBoxLayout;
    constant->addWidget(Label1);
    constant->addWidget(eH, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(btnSet);
    buttons->addWidget(btnCancel);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(rgSet);
    layout->addLayout(constant);
    layout->addWidget(cbYukai);
    layout->addWidget(rgAR);
    layout->addLayout(buttons);
    FormActivate();
}

void TfrmWeightOption::FormActivate() {
    setItems[0]->setChecked(true);
    arItems[0]->setChecked(true);
    eH->setEnabled(false);
    cbYukai->setEnabled(false);
}

int TfrmWeightOption::SetIndex() const {
    for (int i = 0; i < kWeightItems; ++i)
        if (setItems[i]->isChecked()) return i;
    return 0;
}

int TfrmWeightOption::ARIndex() const { return arItems[1]->isChecked() ? 1 : 0; }

QString TfrmWeightOption::OrderText() const { return eH->text(); }

void TfrmWeightOption::rgSetClick(int item) {
    if (item < 0 || item >= kWeightItems) return;
    setItems[item]->setChecked(true);
    const bool manual = item == 0;
    eH->setEnabled(!manual);
    cbYukai->setEnabled(!manual);
    if (item == kTWeights) eH->setText(Q(FloatToStrGeneral(value)));
    if (item == 2) eH->setText("1.345");
    if (item == 3) eH->setText("1.339");
    // Collins' function has fixed constants.
    if (item == kCollins) eH->setEnabled(false);
}

void TfrmWeightOption::rgARClick(int item) {
    if (item < 0 || item > 1) return;
    arItems[item]->setChecked(true);
    if (item != 1) return;
    eH->setEnabled(true);
    eH->setText("1");
    eH->setFocus();
}

void TfrmWeightOption::btnSetClick() {
    const int item = SetIndex();
    const bool ar = ARIndex() == 1;
    // The constant is read only where a weight function uses it; the AR
    // order is read from the text by the window.
    if (!ar && item >= kTWeights && item < kCollins) {
        const std::optional<double> v = EvaluateFieldFormula(state_, eH->text().toStdString());
        if (!v) return;
        // Weights from a constant that is not positive would be negative
        // or undefined.
        if (!std::isfinite(*v) || *v <= 0.0) {
            ErrorBox(state_.Services(), "調整定数には正の値を入力してください。");
            return;
        }
        value = *v;
    }
    bounded = cbYukai->isChecked();
    kind = item + (ar ? kARKind : 0);
    accept();
}
