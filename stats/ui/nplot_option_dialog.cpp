#include "stats/ui/nplot_option_dialog.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace {

// The standard and extended colours with their names (blue in the high byte).
struct NamedColour {
    std::uint32_t colour;
    const char* name;
};
constexpr NamedColour kColours[] = {
    {0x000000, "Black"},       {0x000080, "Maroon"},   {0x008000, "Green"},  {0x008080, "Olive"},
    {0x800000, "Navy"},        {0x800080, "Purple"},   {0x808000, "Teal"},   {0x808080, "Gray"},
    {0xC0C0C0, "Silver"},      {0x0000FF, "Red"},      {0x00FF00, "Lime"},   {0x00FFFF, "Yellow"},
    {0xFF0000, "Blue"},        {0xFF00FF, "Fuchsia"},  {0xFFFF00, "Aqua"},   {0xFFFFFF, "White"},
    {0xC0DCC0, "Money Green"}, {0xF0CAA6, "Sky Blue"}, {0xF0FBFF, "Cream"},  {0xA4A0A0, "Medium Gray"},
};

const char* const kLineStyles[] = {"直線", "破線", "点線", "一点破線", "二点破線"};

}  // namespace

TfrmNPlotOpt::TfrmNPlotOpt(QWidget* parent) : QDialog(parent) {
    setObjectName("frmNPlotOpt");
    setWindowTitle("正規確率プロット設定");
    resize(432, 189);

    auto* kindBox = new QGroupBox("種類", this);
    RadioGroup1 = new QButtonGroup(this);
    auto* kindLayout = new QVBoxLayout(kindBox);
    const char* const kinds[] = {"正規確率プロット(&N)", "半正規確率プロット(&H)"};
    for (int i = 0; i < 2; ++i) {
        auto* b = new QRadioButton(kinds[i], kindBox);
        RadioGroup1->addButton(b, i);
        kindLayout->addWidget(b);
    }

    auto* lineBox = new QGroupBox("自由描画線の色・スタイル", this);
    ColorBox1 = new QComboBox(lineBox);
    ColorBox1->setObjectName("ColorBox1");
    for (const NamedColour& c : kColours) ColorBox1->addItem(c.name, QVariant::fromValue(c.colour));
    cbLineStyle = new QComboBox(lineBox);
    cbLineStyle->setObjectName("cbLineStyle");
    for (const char* s : kLineStyles) cbLineStyle->addItem(s);
    auto* lineLayout = new QFormLayout(lineBox);
    lineLayout->addRow("色指定", ColorBox1);
    lineLayout->addRow("スタイル", cbLineStyle);

    btnOK = new QPushButton("設定(&O)", this);
    btnOK->setDefault(true);
    btnCancel = new QPushButton("取り消し(&C)", this);
    connect(btnOK, &QPushButton::clicked, this, [this] {
        btnOKClick();
        accept();
    });
    connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);

    auto* buttons = new QVBoxLayout;
    buttons->addWidget(btnOK);
    buttons->addWidget(btnCancel);
    buttons->addStretch();
    auto* layout = new QHBoxLayout(this);
    layout->addWidget(kindBox);
    layout->addWidget(lineBox);
    layout->addLayout(buttons);
    Load(0, kColours[2].colour, 0);
}

void TfrmNPlotOpt::Load(int kind, std::uint32_t colour, int style) {
    kind_ = kind == 1 ? 1 : 0;
    colour_ = colour;
    style_ = style >= 0 && style < cbLineStyle->count() ? style : 0;
    RadioGroup1->button(kind_)->setChecked(true);
    int index = ColorBox1->findData(QVariant::fromValue(colour));
    if (index < 0) {
        // A colour outside the list stays choosable as it is.
        ColorBox1->addItem("Custom", QVariant::fromValue(colour));
        index = ColorBox1->count() - 1;
    }
    ColorBox1->setCurrentIndex(index);
    cbLineStyle->setCurrentIndex(style_);
}

void TfrmNPlotOpt::btnOKClick() {
    kind_ = RadioGroup1->checkedId() == 1 ? 1 : 0;
    colour_ = ColorBox1->currentData().value<std::uint32_t>();
    style_ = cbLineStyle->currentIndex() < 0 ? 0 : cbLineStyle->currentIndex();
}
