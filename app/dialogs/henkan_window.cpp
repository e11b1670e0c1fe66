// The variable transformation window; see henkan_window.h.
#include "app/dialogs/henkan_window.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QVBoxLayout>
#include <cmath>

#include "components/plot/series_plot.h"
#include "components/view/fundamental_stats_launcher.h"
#include "components/view/guarded_slot.h"
#include "components/view/key_helpers.h"
#include "components/view/qt_text.h"
#include "components/view/window_registry.h"
#include "core/numeric/series_transforms.h"
#include "core/settings/file_services.h"
#include "core/numeric/time_series.h"
#include "core/text/number_format.h"
#include "core/text/plain_decimal.h"
#include "eval/app_state.h"
#include "platform/command_guard.h"
#include "platform/errors.h"
#include "platform/qt/string_grid.h"
#include "platform/ui_services.h"
#include "resources/string_table.h"
#include "stats/ui/graph_setting_dialog.h"

namespace {

constexpr int kHelpContext = 1012;

struct KindText {
    const char* name;
    const char* commentPrefix;
};
constexpr KindText kKinds[] = {
    {"ボックスコックス", "->BCE("}, {"指数平滑", "->IEE("}, {"一般差分", "->GDE("}, {"移動平均", "->MAE("}};

}  // namespace

TfrmHenkan::TfrmHenkan(Evaluator evaluate, UiServices& services, QWidget* parent)
    : QDialog(parent), evaluate_(std::move(evaluate)), services_(services) {
    setObjectName("frmHenkan");
    setWindowTitle("変数変換");

    plots = new TSeriesPlot(this);
    plots->setObjectName("plots");
    plots->setMinimumSize(420, 260);

    sgData = new TStringGrid(this);
    sgData->setObjectName("sgData");
    sgData->SetColCount(2);
    sgData->SetFixedCols(1);
    sgData->SetFixedRows(1);
    sgData->SetColWidth(0, 40);
    sgData->SetColWidth(1, 150);
    sgData->setMinimumWidth(40 + 150 + 24);
    sgData->SetCellProvider([this](int col, int row) -> QString {
        if (row == 0) return col == 1 ? Q(name_) : QString();
        const std::size_t i = static_cast<std::size_t>(row - 1);
        if (row < 1 || i >= transformed_.size()) return {};
        return col == 0 ? QString::number(row) : Q(FormatNumber(false, transformed_[i]));
    });
    UseGridCellPainter(*sgData, [this]() -> const GridCellContext& { return gridContext_; });

    eVal = new QLineEdit(this);
    eVal->setObjectName("eVal");
    sbValue = new QScrollBar(Qt::Horizontal, this);
    sbValue->setObjectName("sbValue");
    cbAuto = new QCheckBox("自動設定", this);
    cbAuto->setObjectName("cbAuto");

    auto* rgSelect = new QGroupBox("グラフ表示", this);
    rgSelect->setObjectName("rgSelect");
    rbData = new QRadioButton("変換データ(&D)", rgSelect);
    rbResidual = new QRadioButton("残差系列(&E)", rgSelect);
    rbData->setChecked(true);
    auto* selectLayout = new QVBoxLayout(rgSelect);
    selectLayout->addWidget(rbData);
    selectLayout->addWidget(rbResidual);

    stBottom = new QLabel(this);
    stBottom->setObjectName("stBottom");
    stLineWidth = new QLabel(this);
    stLineWidth->setObjectName("stLineWidth");
    for (QLabel* l : {stBottom, stLineWidth}) {
        l->setFrameShape(QFrame::Panel);
        l->setFrameShadow(QFrame::Sunken);
        l->setMinimumWidth(90);
        l->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    }

    btnOK = new QPushButton("決定(&O)", this);
    btnCancel = new QPushButton("取り消し(&C)", this);
    btnFund = new QPushButton("基本統計(&F)", this);
    btnOption = new QPushButton("グラフ設定(&S)", this);
    btnRun = new QPushButton("変換実行(&R)", this);
    btnHelp = new QPushButton("&?", this);
    btnOK->setObjectName("btnOK");
    btnCancel->setObjectName("btnCancel");
    btnFund->setObjectName("btnFund");
    btnOption->setObjectName("btnOption");
    btnRun->setObjectName("btnRun");
    btnHelp->setObjectName("btnHelp");
    btnOK->setDefault(true);
    // The statistics button waits until someone shows the statistics.
    btnFund->setEnabled(false);

    auto* top = new QHBoxLayout;
    top->addWidget(plots, 1);
    top->addWidget(sgData);

    auto* valueRow = new QHBoxLayout;
    valueRow->addWidget(new QLabel("変換値", this));
    valueRow->addWidget(eVal);
    valueRow->addWidget(sbValue, 1);
    valueRow->addWidget(cbAuto);

    auto* scaleBox = new QGridLayout;
    scaleBox->addWidget(new QLabel("最下", this), 0, 0);
    scaleBox->addWidget(stBottom, 0, 1);
    scaleBox->addWidget(new QLabel("間隔", this), 1, 0);
    scaleBox->addWidget(stLineWidth, 1, 1);

    auto* buttons = new QGridLayout;
    buttons->addWidget(btnRun, 0, 0);
    buttons->addWidget(btnFund, 0, 1);
    buttons->addWidget(btnOption, 0, 2);
    buttons->addWidget(btnOK, 1, 0);
    buttons->addWidget(btnCancel, 1, 1);
    buttons->addWidget(btnHelp, 1, 2);

    auto* bottom = new QHBoxLayout;
    bottom->addWidget(rgSelect);
    bottom->addLayout(scaleBox);
    bottom->addStretch(1);
    bottom->addLayout(buttons);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top, 1);
    layout->addLayout(valueRow);
    layout->addLayout(bottom);

    auto guarded = [this](auto f) { return Guarded(services_, f); };
    connect(btnRun, &QPushButton::clicked, this, guarded([this] { btnRunClick(); }));
    connect(btnFund, &QPushButton::clicked, this, guarded([this] { btnFundClick(); }));
    connect(btnOK, &QPushButton::clicked, this, guarded([this] { btnOKClick(); }));
    connect(btnOption, &QPushButton::clicked, this, guarded([this] { btnOptionClick(); }));
    connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(btnHelp, &QPushButton::clicked, this, guarded([this] {
                if (showHelp_) showHelp_();
                else ErrorBox(services_, LoadStr(kStrHelpFailed));
            }));
    connect(cbAuto, &QCheckBox::clicked, this, guarded([this] { cbAutoClick(); }));
    connect(rbData, &QRadioButton::toggled, this, [this] { rgSelectClick(); });
    connect(sbValue, &QScrollBar::valueChanged, this, Guarded(services_, [this](int position) {
                if (!scrolling_) sbValueScroll(position);
            }));
    connect(eVal, &QLineEdit::returnPressed, this, guarded([this] { btnRunClick(); }));
}

TfrmHenkan::~TfrmHenkan() = default;

bool TfrmHenkan::SetData(const std::string& name, std::vector<double>* data, int kind, bool commentWanted) {
    if (!data || kind < 0 || kind > 3) return false;
    name_ = name;
    data_ = data;
    kind_ = kind;
    commentWanted_ = commentWanted;
    const int n = static_cast<int>(data->size());
    scale_ = kind == 3 ? 1 : 10000;
    scrolling_ = true;
    if (kind == 3) {
        sbValue->setRange(1, std::max(1, n));
        sbValue->setPageStep(1);
    } else {
        sbValue->setRange(kind == 1 ? 0 : -10000, 10000);
        sbValue->setPageStep(100);
    }
    sbValue->setValue(kind == 3 ? 1 : 0);
    scrolling_ = false;
    eVal->setText(kind == 3 ? "1" : "0");
    parameter_ = kind == 3 ? 1.0 : 0.0;

    observations_.resize(data->size());
    for (std::size_t i = 0; i < observations_.size(); ++i) observations_[i] = static_cast<double>(i + 1);
    transformed_ = *data;
    residuals_.assign(data->size(), 0.0);
    comment_.clear();
    sgData->SetRowCount(n + 1);

    rbData->setChecked(true);
    SetAutomatic(false);
    cbAuto->setChecked(false);
    cbAuto->setVisible(kind == 2);
    setWindowTitle(Q(std::string("変数変換 .. ") + kKinds[kind].name));
    eVal->setFocus();
    eVal->selectAll();
    Repaint();
    return true;
}

void TfrmHenkan::SetScrollPosition(double value) {
    const double position = std::trunc(value * scale_);
    scrolling_ = true;
    sbValue->setValue(static_cast<int>(std::clamp(position, static_cast<double>(sbValue->minimum()),
                                                  static_cast<double>(sbValue->maximum()))));
    scrolling_ = false;
}

void TfrmHenkan::btnRunClick() { Run(); }

void TfrmHenkan::Run() {
    if (!data_) return;
    const int n = static_cast<int>(data_->size());
    const auto kind = static_cast<SeriesTransform>(kind_);
    double v = automatic_ ? autoRho_ : evaluate_(eVal->text().toStdString());
    double low = 0.0, high = 0.0;
    SeriesTransformRange(kind, n, &low, &high);
    if (kind_ == 0 || kind_ == 2) {
        if (v < low) eVal->setText("-1.0000");
        if (v > high) eVal->setText("1.0000");
        v = std::clamp(v, low, high);
    }
    // A refused parameter leaves the window as it was.
    if (kind_ == 1 && !(v >= low && v <= high)) return;
    if (kind_ == 3) {
        if (!(v >= 1.0)) return;
        v = std::min(v, high);
    }
    if (std::isnan(v)) return;

    std::string parameterText;
    if (!automatic_) {
        SetScrollPosition(v);
        parameterText = FormatNumber(false, v);
        eVal->setText(Q(parameterText));
    }
    comment_.clear();
    std::vector<double> y(data_->size());
    if (!ApplySeriesTransform(kind, data_->data(), y.data(), n, v)) return;
    transformed_ = std::move(y);
    if (commentWanted_) comment_ = std::string(kKinds[kind_].commentPrefix) + parameterText + ")";
    for (std::size_t i = 0; i < transformed_.size(); ++i) residuals_[i] = (*data_)[i] - transformed_[i];
    parameter_ = v;
    Repaint();
}

void TfrmHenkan::sbValueScroll(int position) {
    if (!sbValue->isEnabled() || !data_) return;
    eVal->setText(Q(FormatNumber(false, static_cast<double>(position) / scale_)));
    Run();
}

void TfrmHenkan::SetAutomatic(bool on) {
    automatic_ = on;
    eVal->setEnabled(!on);
    sbValue->setEnabled(!on);
}

void TfrmHenkan::cbAutoClick() {
    if (kind_ != 2 || !data_) return;
    if (!cbAuto->isChecked()) {
        SetAutomatic(false);
        return;
    }
    try {
        autoRho_ = std::clamp(EstimateAR1Coefficient(data_->data(), static_cast<int>(data_->size()), nullptr), -1.0,
                              1.0);
    } catch (...) {
        cbAuto->setChecked(false);
        throw;
    }
    eVal->setText(Q(FormatNumber(false, autoRho_)));
    SetScrollPosition(autoRho_);
    SetAutomatic(true);
    Run();
}

void TfrmHenkan::rgSelectClick() { Repaint(); }

void TfrmHenkan::keyPressEvent(QKeyEvent* event) {
    const bool enter = IsEnterKey(event->key());
    if (enter && focusWidget() == eVal) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

void TfrmHenkan::btnOKClick() {
    if (!data_) return;
    if (!AllFinite(transformed_.data(), static_cast<int>(transformed_.size()))) {
        services_.ShowMessageBox(MsgKind::Error, "変換後の系列に計算できない値があります。\n変換値を変えてください。",
                                 mbOK);
        return;
    }
    *data_ = transformed_;
    accept();
}

void TfrmHenkan::btnOptionClick() {
    const AxisScale x = plots->XScale();
    const AxisScale y = plots->YScale();
    TfrmSetting dialog(
        [this](const std::string& text, double fallback) {
            return text.find_first_not_of(" \t") == std::string::npos ? fallback : evaluate_(text);
        },
        services_, this);
    dialog.SetValues(true, true, x.low, x.high, x.interval, y.low, y.high, y.interval, true, canvas_color::kGreen, 0);
    if (dialog.exec() != QDialog::Accepted) return;
    if (dialog.automatic)
        plots->SetFixedRanges(std::nullopt);
    else
        plots->SetFixedRanges(SeriesPlotRanges{{dialog.xMin, dialog.xMax, dialog.xInterval},
                                               {dialog.yMin, dialog.yMax, dialog.yInterval}});
    Repaint();
}

void TfrmHenkan::SetStatisticsView(StatisticsView view) {
    showStatistics_ = std::move(view);
    btnFund->setEnabled(static_cast<bool>(showStatistics_));
}

void TfrmHenkan::btnFundClick() {
    if (!showStatistics_) return;
    showStatistics_(name_, rbResidual->isChecked() ? residuals_ : transformed_);
    Repaint();
}

void TfrmHenkan::Repaint() {
    const bool residual = rbResidual->isChecked();
    plots->SetSeries(observations_, residual ? residuals_ : transformed_);
    const AxisScale s = plots->YScale();
    stBottom->setText(Q(FormatNumber(false, s.low)));
    stLineWidth->setText(Q(FormatNumber(false, s.interval)));
    sgData->InvalidateGrid();
}

namespace {

class HenkanWindow : public RequestWindow<LaunchRequest> {
public:
    HenkanWindow(TfrmHenkan::Evaluator evaluate, UiServices& services, QWidget* owner)
        : dialog_(std::move(evaluate), services, owner) {}
    TfrmHenkan& Dialog() { return dialog_; }
    bool Fill(const LaunchRequest& request) override {
        comment_ = request.comment;
        return dialog_.SetData(request.variableName, request.values, request.kind, request.commentWanted);
    }
    int ShowModal() override {
        const int result = dialog_.exec() == QDialog::Accepted ? mrOK : mrCancel;
        if (result == mrOK && comment_) *comment_ = dialog_.Comment();
        return result;
    }

private:
    TfrmHenkan dialog_;
    std::string* comment_ = nullptr;
};

}  // namespace

void RegisterHenkanWindow() {
    AnalysisWindows().Register("TfrmHenkan", [](const WindowContext& context) -> std::unique_ptr<AnalysisWindow> {
        AppState& state = context.State();
        auto window = std::make_unique<HenkanWindow>(
            [&state](const std::string& text) { return state.Evaluator().Calculate(text); }, state.Services(),
            context.Owner());
        TfrmHenkan* dialog = &window->Dialog();
        const WindowContext statsContext = context.WithOwner(dialog);
        dialog->SetHelpView([&state] { ShowHtmlHelp(state.Context(), kHelpContext); });
        dialog->SetStatisticsView([statsContext](const std::string& name, const std::vector<double>& values) {
            ShowFundamentalStats(statsContext, name, values.data(), static_cast<int>(values.size()), 0);
        });
        return window;
    });
}
