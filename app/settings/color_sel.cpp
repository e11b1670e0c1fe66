#include "app/settings/color_sel.h"


#include <QColor>
#include <QColorDialog>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/settings/settings_dialog.h"
#include "components/view/window_registry.h"
#include "platform/ui_services.h"

QColor ScreenColor(ColorValue value, const QColor& fallback) {
    if (value & 0xFF000000u) return fallback;
    return QColor(value & 0xFF, (value >> 8) & 0xFF, (value >> 16) & 0xFF);
}

namespace {

ColorValue StoredColor(const QColor& c) {
    return static_cast<ColorValue>(c.red()) | (static_cast<ColorValue>(c.green()) << 8) |
           (static_cast<ColorValue>(c.blue()) << 16);
}

std::optional<ColorValue> SystemColorDialog(QWidget* parent, ColorValue initial) {
    const QColor chosen = QColorDialog::getColor(ScreenColor(initial, Qt::black), parent, QStringLiteral("色の設定"));
    if (!chosen.isValid()) return std::nullopt;
    return StoredColor(chosen);
}

QPushButton* Button(QWidget* parent, const char* name, const char* caption) {
    auto* b = new QPushButton(QString::fromUtf8(caption), parent);
    b->setObjectName(QString::fromLatin1(name));
    b->setAutoDefault(false);
    return b;
}

}  // namespace

TfrmColorSel::TfrmColorSel(const GridColorList& table, QWidget* parent, ColorChooser chooser)
    : QDialog(parent), chooser_(std::move(chooser)) {
    setObjectName(QStringLiteral("frmColorSel"));
    setWindowTitle(QStringLiteral("色の選択"));
    table_.Assign(table);
    if (!chooser_) chooser_ = [this](ColorValue initial) { return SystemColorDialog(this, initial); };

    lbGrp = new QListWidget(this);
    lbGrp->setObjectName(QStringLiteral("lbGrp"));
    for (int g = 1; g <= 16; ++g) {
        auto* item = new QListWidgetItem(QString::number(g), lbGrp);
        item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
        item->setCheckState(Qt::Unchecked);
    }
    stForeColor = new QLabel(QStringLiteral("0.1234"), this);
    stForeColor->setObjectName(QStringLiteral("stForeColor"));
    stForeColor->setAlignment(Qt::AlignCenter);
    stForeColor->setMinimumSize(120, 40);
    stForeColor->setAutoFillBackground(true);
    stForeColor->setFrameShape(QFrame::Box);
    btnFC = Button(this, "btnFC", "文字色(&T)");
    btnBC = Button(this, "btnBC", "背景色(&B)");
    btnClear = Button(this, "btnClear", "初期化(&R)");
    btnOK = Button(this, "btnOK", "OK");
    btnOK->setDefault(true);
    btnCancel = Button(this, "btnCancel", "キャンセル");

    auto* side = new QVBoxLayout();
    side->addWidget(new QLabel(QStringLiteral("グループの組み合わせ"), this));
    side->addWidget(stForeColor);
    side->addWidget(btnFC);
    side->addWidget(btnBC);
    side->addWidget(btnClear);
    side->addStretch(1);
    side->addWidget(btnOK);
    side->addWidget(btnCancel);
    auto* outer = new QHBoxLayout(this);
    outer->addWidget(lbGrp);
    outer->addLayout(side);

    connect(lbGrp, &QListWidget::itemChanged, this, [this] { lbGrpClick(); });
    connect(btnFC, &QPushButton::clicked, this, [this] { btnFCClick(); });
    connect(btnBC, &QPushButton::clicked, this, [this] { btnBCClick(); });
    connect(btnClear, &QPushButton::clicked, this, [this] { btnClearClick(); });
    connect(btnOK, &QPushButton::clicked, this, [this] { done(mrOK); });
    connect(btnCancel, &QPushButton::clicked, this, [this] { done(mrCancel); });
    FormShow();
}

void TfrmColorSel::showEvent(QShowEvent* event) {
    FormShow();
    QDialog::showEvent(event);
}

std::uint16_t TfrmColorSel::Mask() const {
    std::uint16_t mask = 0;
    for (int r = 0; r < lbGrp->count() && r < 16; ++r)
        if (lbGrp->item(r)->checkState() == Qt::Checked) mask |= static_cast<std::uint16_t>(1u << r);
    return mask;
}

void TfrmColorSel::SetChecked(int group, bool on) {
    if (group < 1 || group > lbGrp->count()) return;
    lbGrp->item(group - 1)->setCheckState(on ? Qt::Checked : Qt::Unchecked);
}

void TfrmColorSel::FormShow() {
    const GridColorEntry e = table_.GetColors(Mask());
    QPalette p = stForeColor->palette();
    p.setColor(QPalette::WindowText, ScreenColor(e.textColor, Qt::black));
    p.setColor(QPalette::Window, ScreenColor(e.backgroundColor, Qt::white));
    stForeColor->setPalette(p);
}

void TfrmColorSel::ChooseColor(bool text) {
    const std::uint16_t mask = Mask();
    GridColorEntry e = table_.GetColors(mask);
    const auto chosen = chooser_(text ? e.textColor : e.backgroundColor);
    if (chosen && mask != 0) {
        if (text)
            e.textColor = *chosen;
        else
            e.backgroundColor = *chosen;
        e.mask = mask;
        table_.SetColors(e);
    }
    FormShow();
}

void TfrmColorSel::btnFCClick() { ChooseColor(true); }

void TfrmColorSel::btnBCClick() { ChooseColor(false); }

void TfrmColorSel::btnClearClick() {
    table_.Clear();
    FormShow();
}

namespace {

// The colour window as the settings dialog opens it: it edits the table it
// is given, which takes the window's copy on OK.
class ColorSelWindow : public RequestWindow<LaunchRequest> {
public:
    explicit ColorSelWindow(QWidget* owner) : owner_(owner) {}
    bool Fill(const LaunchRequest& request) override {
        if (!request.colors) return false;
        colors_ = request.colors;
        dialog_ = std::make_unique<TfrmColorSel>(*colors_, owner_);
        return true;
    }
    int ShowModal() override {
        if (!dialog_) return mrCancel;
        const int result = dialog_->exec();
        if (result == QDialog::Accepted) colors_->Assign(dialog_->WorkingTable());
        return result;
    }

private:
    QWidget* owner_;
    GridColorList* colors_ = nullptr;
    std::unique_ptr<TfrmColorSel> dialog_;
};

}  // namespace

void RegisterColorSelWindow() {
    AnalysisWindows().Register("TfrmColorSel",
                               [](const WindowContext& context) -> std::unique_ptr<AnalysisWindow> {
                                   return std::make_unique<ColorSelWindow>(context.Owner());
                               });
}
