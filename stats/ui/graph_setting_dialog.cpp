#include "stats/ui/graph_setting_dialog.h"

#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "components/plot/core/canvas_types.h"
#include "components/view/qt_text.h"
#include "core/text/number_format.h"
#include "platform/command_guard.h"

namespace {

struct NamedColour {
    const char* name;
    std::uint32_t colour;
};

// The colours of the colour box, in the order of the standard colour list.
const NamedColour kColours[] = {
    {"黒", canvas_color::kBlack},       {"栗色", canvas_color::kMaroon}, {"緑", canvas_color::kGreen},
    {"オリーブ", canvas_color::kOlive}, {"濃紺", canvas_color::kNavy},   {"紫", canvas_color::kPurple},
    {"青緑", canvas_color::kTeal},      {"灰色", canvas_color::kGray},   {"銀色", canvas_color::kSilver},
    {"赤", canvas_color::kRed},         {"ライム", canvas_color::kLime}, {"黄", canvas_color::kYellow},
    {"青", canvas_color::kBlue},        {"赤紫", canvas_color::kFuchsia}, {"水色", canvas_color::kAqua},
    {"白", canvas_color::kWhite},
};

const char* const kStyleNames[] = {"直線", "破線", "点線", "一点破線", "二点破線"};

QLineEdit* AddEdit(QGridLayout* grid, int row, const char* label, const char* name, QWidget* parent) {
    auto* edit = new QLineEdit(parent);
    edit->setObjectName(name);
    edit->setFixedWidth(100);
    grid->addWidget(new QLabel(label, parent), row, 0);
    grid->addWidget(edit, row, 1);
    return edit;
}

}  // namespace

TfrmSetting::TfrmSetting(Evaluate evaluate, UiServices& services, QWidget* owner)
    : QDialog(owner), evaluate_(std::move(evaluate)), services_(services) {
    setObjectName("frmSetting");
    setWindowTitle("Ｘ－Ｙグラフ設定");
    setModal(true);

    gbX = new QGroupBox("横軸", this);
    auto* xGrid = new QGridLayout(gbX);
    eXMin = AddEdit(xGrid, 0, "最小値", "eXMin", gbX);
    eXMax = AddEdit(xGrid, 1, "最大値", "eXMax", gbX);
    eXLineW = AddEdit(xGrid, 2, "線間隔", "eXLineW", gbX);

    gbY = new QGroupBox("縦軸", this);
    auto* yGrid = new QGridLayout(gbY);
    eYMin = AddEdit(yGrid, 0, "最小値", "eYMin", gbY);
    eYMax = AddEdit(yGrid, 1, "最大値", "eYMax", gbY);
    eYLineW = AddEdit(yGrid, 2, "線間隔", "eYLineW", gbY);

    gbOptions = new QGroupBox("自由描画線の色・スタイル", this);
    auto* options = new QHBoxLayout(gbOptions);
    ColorBox1 = new QComboBox(gbOptions);
    ColorBox1->setObjectName("ColorBox1");
    for (const NamedColour& c : kColours) ColorBox1->addItem(c.name, QVariant::fromValue<uint>(c.colour));
    cbLineStyle = new QComboBox(gbOptions);
    cbLineStyle->setObjectName("cbLineStyle");
    for (const char* s : kStyleNames) cbLineStyle->addItem(s);
    options->addWidget(ColorBox1);
    options->addWidget(cbLineStyle);

    btnOK = new QPushButton("設定(&O)", this);
    btnOK->setObjectName("btnOK");
    btnCancel = new QPushButton("取り消し(&C)", this);
    btnCancel->setObjectName("btnCancel");
    btnAuto = new QPushButton("自動設定(&A)", this);
    btnAuto->setObjectName("btnAuto");
    btnOK->setDefault(true);

    auto* axes = new QHBoxLayout;
    axes->addWidget(gbX);
    axes->addWidget(gbY);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(btnOK);
    buttons->addWidget(btnCancel);
    buttons->addWidget(btnAuto);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(axes);
    layout->addWidget(gbOptions);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    // A text in error is shown and the dialog stays open for a correction.
    connect(btnOK, &QPushButton::clicked, this, [this] {
        if (GuardCommand(services_, [this] { btnOKClick(); })) done(QDialog::Accepted);
    });
    connect(btnAuto, &QPushButton::clicked, this, [this] {
        btnAutoClick();
        done(QDialog::Accepted);
    });
    connect(btnCancel, &QPushButton::clicked, this, [this] { done(QDialog::Rejected); });
}

void TfrmSetting::SetValues(bool enableY, bool enableX, double xMin_, double xMax_, double xInterval_, double yMin_,
                            double yMax_, double yInterval_, bool enableOptions, std::uint32_t colour,
                            std::uint8_t style) {
    xMin = xMin_;
    xMax = xMax_;
    xInterval = xInterval_;
    yMin = yMin_;
    yMax = yMax_;
    yInterval = yInterval_;
    automatic = 0;
    lineColour = colour;
    lineStyle = style;
    eXMin->setText(Q(FormatNumber(false, xMin)));
    eXMax->setText(Q(FormatNumber(false, xMax)));
    eXLineW->setText(Q(FormatNumber(false, xInterval)));
    eYMin->setText(Q(FormatNumber(false, yMin)));
    eYMax->setText(Q(FormatNumber(false, yMax)));
    eYLineW->setText(Q(FormatNumber(false, yInterval)));
    SelectColour(colour);
    cbLineStyle->setCurrentIndex(style < cbLineStyle->count() ? style : 0);
    for (QLineEdit* e : {eYMin, eYMax, eYLineW}) e->setEnabled(enableY);
    for (QLineEdit* e : {eXMin, eXMax, eXLineW}) e->setEnabled(enableX);
    ColorBox1->setEnabled(enableOptions);
    cbLineStyle->setEnabled(enableOptions);
}

void TfrmSetting::SelectColour(std::uint32_t colour) {
    int index = ColorBox1->findData(QVariant::fromValue<uint>(colour));
    if (index < 0) {
        // A colour outside the list (from the settings) stays choosable.
        ColorBox1->addItem(QString("#%1").arg(colour, 6, 16, QChar('0')), QVariant::fromValue<uint>(colour));
        index = ColorBox1->count() - 1;
    }
    ColorBox1->setCurrentIndex(index);
}

void TfrmSetting::TakeLineOptions() {
    lineColour = ColorBox1->currentData().toUInt();
    const int style = cbLineStyle->currentIndex();
    lineStyle = static_cast<std::uint8_t>(style < 0 ? 0 : style);
}

void TfrmSetting::btnOKClick() {
    TakeLineOptions();
    if (automatic != 0) return;
    auto read = [this](QLineEdit* e, double& value) { value = evaluate_(e->text().toStdString(), value); };
    read(eXMin, xMin);
    read(eXMax, xMax);
    read(eXLineW, xInterval);
    read(eYMin, yMin);
    read(eYMax, yMax);
    read(eYLineW, yInterval);
}

void TfrmSetting::btnAutoClick() {
    automatic = 1;
    TakeLineOptions();
}
