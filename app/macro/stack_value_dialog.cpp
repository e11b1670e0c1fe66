#include "app/macro/stack_value_dialog.h"

#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "core/text/general_float.h"

namespace {

QLabel* SunkenField(QWidget* parent, Qt::Alignment align, int width) {
    auto* l = new QLabel(parent);
    l->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    l->setAlignment(align | Qt::AlignVCenter);
    l->setMinimumWidth(width);
    l->setTextInteractionFlags(Qt::TextSelectableByMouse);
    return l;
}

}  // namespace

TSPValDlg::TSPValDlg(const MacroRun& run, int stackIndex, QWidget* parent) : QDialog(parent) {
    if (auto r = ReadStackWord(run, stackIndex)) {
        reading_ = *r;
        readable_ = true;
    } else {
        reading_.index = stackIndex;
    }
    Build();
}

TSPValDlg::TSPValDlg(const StackWordReading& reading, QWidget* parent)
    : QDialog(parent), reading_(reading), readable_(true) {
    Build();
}

void TSPValDlg::Build() {
    setObjectName(QStringLiteral("SPValDlg"));
    setWindowTitle(QStringLiteral("スタック値"));
    stInteger = SunkenField(this, Qt::AlignRight, 200);
    stInteger->setObjectName(QStringLiteral("stInteger"));
    stReal = SunkenField(this, Qt::AlignRight, 200);
    stReal->setObjectName(QStringLiteral("stReal"));
    stString = SunkenField(this, Qt::AlignLeft, 200);
    stString->setObjectName(QStringLiteral("stString"));
    stSP = new QLabel(this);
    stSP->setObjectName(QStringLiteral("stSP"));
    stSP->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    stSP->setMinimumWidth(60);

    auto* bevel = new QFrame(this);
    bevel->setFrameStyle(QFrame::Box | QFrame::Sunken);
    auto* grid = new QGridLayout(bevel);
    auto* spRow = new QHBoxLayout;
    spRow->addStretch();
    spRow->addWidget(new QLabel(QStringLiteral("SP = "), bevel));
    spRow->addWidget(stSP);
    grid->addLayout(spRow, 0, 0, 1, 2);
    grid->addWidget(new QLabel(QStringLiteral("整数として"), bevel), 1, 0);
    grid->addWidget(stInteger, 1, 1);
    grid->addWidget(new QLabel(QStringLiteral("実数として"), bevel), 2, 0);
    grid->addWidget(stReal, 2, 1);
    grid->addWidget(new QLabel(QStringLiteral("文字列として"), bevel), 3, 0);
    grid->addWidget(stString, 3, 1);

    OKBtn = new QPushButton(QStringLiteral("閉じる(&X)"), this);
    OKBtn->setObjectName(QStringLiteral("OKBtn"));
    OKBtn->setDefault(true);
    connect(OKBtn, &QPushButton::clicked, this, &QDialog::accept);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(OKBtn);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(bevel);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    FormShow();
}

void TSPValDlg::FormShow() {
    stSP->setText(QString::number(reading_.index));
    stInteger->setText(readable_ ? QString::number(reading_.integer) : QString());
    std::string real;
    if (readable_ && reading_.real) AppendGeneralFloat(real, *reading_.real);
    stReal->setText(QString::fromStdString(real));
    stString->setText(QString::fromStdString(reading_.text));
}
