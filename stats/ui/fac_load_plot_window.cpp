#include "stats/ui/fac_load_plot_window.h"

#include <QCloseEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "components/plot/free_lines.h"
#include "components/plot/save_form_image.h"
#include "components/plot/xy_plot.h"
#include "components/view/labels.h"
#include "components/view/qt_text.h"
#include "core/text/number_format.h"
#include "eval/app_state.h"
#include "platform/ui_services.h"
#include "resources/string_table.h"
#include "stats/principal_components.h"
#include "stats/ui/click_label.h"
#include "stats/ui/graph_setting_dialog.h"

namespace {

// The loading of every variable on a component (kind score) or a rotated
// factor; empty for any other name.
std::vector<double> LoadingsOf(const PCA& pca, const std::string& name) {
    const auto [index, kind] = pca.FindName(name);
    std::vector<double> v;
    if (index < 0 || (kind != PCA::kNameScore && kind != PCA::kNameFactorScore)) return v;
    for (int j = 0; j < pca.VarCount(); ++j)
        v.push_back(kind == PCA::kNameScore ? pca.GetLoading(j, index) : pca.GetRotatedLoading(j, index));
    return v;
}

}  // namespace

TfrmFacLoadPlot::TfrmFacLoadPlot(const WindowContext& context) : AnalysisWindowFor(context) {
    setObjectName("frmFacLoadPlot");
    setWindowTitle("因子負荷量プロット");
    resize(560, 520);

    FacPlot = new TXYPlot(this);
    FacPlot->setObjectName("FacPlot");
    FacPlot->DotWidth = 4;
    FacPlot->PenWidth = 1;
    FacPlot->RegLine = false;
    FacPlot->MinMax = false;
    FacPlot->AutoSet = false;
    FacPlot->setMinimumSize(300, 300);
    connect(FacPlot, &TXYPlot::MouseDown, this,
            GuardedSlot([this](Qt::MouseButton b, Qt::KeyboardModifiers, int x, int y) { FacPlotMouseDown(b, x, y); }));
    connect(FacPlot, &TXYPlot::MouseMove, this,
            GuardedSlot([this](Qt::MouseButtons, Qt::KeyboardModifiers, int x, int y) { FacPlotMouseMove(x, y); }));
    connect(FacPlot, &TXYPlot::MouseUp, this,
            GuardedSlot([this](Qt::MouseButton b, Qt::KeyboardModifiers, int, int) { FacPlotMouseUp(b); }));

    stPLOT = NewValueLabel(this, "stPLOT", 60);
    stPLOT->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    stPLOT->setStyleSheet("background: aqua;");
    stVarName = NewValueLabel(this, "stVarName", 100);
    stVarName->setStyleSheet("background: white;");
    stYoko = new ClickLabel(this);
    stYoko->setObjectName("stYoko");
    stYoko->setCursor(Qt::PointingHandCursor);
    stYoko->onClick = [this] { Guard([this] { ChangeAxis(false); }); };
    stYokoVal = NewValueLabel(this, "stYokoVal", 100);
    stTate = new ClickLabel(this);
    stTate->setObjectName("stTate");
    stTate->setCursor(Qt::PointingHandCursor);
    stTate->onClick = [this] { Guard([this] { ChangeAxis(true); }); };
    stTateVal = NewValueLabel(this, "stTateVal", 100);

    auto button = [this](const char* name, const char* caption) {
        auto* b = new QPushButton(caption, this);
        b->setObjectName(name);
        b->setAutoDefault(false);
        return b;
    };
    btnExit = button("btnExit", "閉じる(&X)");
    btnExit->setDefault(true);
    btnSave = button("btnSave", "保存(&S)");
    btnOpt = button("btnOpt", "設定(&O)");
    connect(btnExit, &QPushButton::clicked, this, [this] { done(1); });
    connect(btnSave, &QPushButton::clicked, this, GuardedSlot([this] { btnSaveClick(); }));
    connect(btnOpt, &QPushButton::clicked, this, GuardedSlot([this] { btnOptClick(); }));

    auto* top = new QHBoxLayout;
    top->addStretch(1);
    top->addWidget(new QLabel("縦軸", this));
    top->addWidget(stTate);
    top->addWidget(stTateVal);
    top->addStretch(1);

    auto* side = new QGridLayout;
    side->addWidget(new QLabel("データ番号", this), 0, 0);
    side->addWidget(stPLOT, 1, 0);
    side->addWidget(stVarName, 2, 0);
    side->setRowStretch(3, 1);
    side->addWidget(new QLabel("横軸", this), 4, 0);
    side->addWidget(stYoko, 5, 0);
    side->addWidget(stYokoVal, 6, 0);
    side->setRowStretch(7, 1);
    side->addWidget(btnOpt, 8, 0);
    side->addWidget(btnSave, 9, 0);
    side->addWidget(btnExit, 10, 0);

    auto* body = new QHBoxLayout;
    body->addWidget(FacPlot, 1);
    body->addLayout(side);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addLayout(body, 1);
}

TfrmFacLoadPlot::~TfrmFacLoadPlot() { RestoreLines(); }

bool TfrmFacLoadPlot::Setup(const FacLoadPlotRequest& r) {
    return SetData(r.analysis, r.x, r.xName, r.y, r.yName, r.labels);
}

bool TfrmFacLoadPlot::SetData(const PCA* analysis, std::vector<double> x, std::string xName, std::vector<double> y,
                              std::string yName, std::vector<std::string> labels) {
    // Every point needs both coordinates and a label.
    const std::size_t count = std::min({x.size(), y.size(), labels.size()});
    x.resize(count);
    y.resize(count);
    labels.resize(count);
    analysis_ = analysis;
    x_ = std::move(x);
    y_ = std::move(y);
    xName_ = std::move(xName);
    yName_ = std::move(yName);
    labels_ = std::move(labels);
    if (!savedLines_) savedLines_ = std::make_unique<FreeLineScope>();
    lines_.Clear();
    FreeLines() = {&lines_, FacPlot, false};
    DrawPlot();
    return true;
}

void TfrmFacLoadPlot::DrawPlot() {
    FacPlot->MaxX = 1;
    FacPlot->MaxY = 1;
    FacPlot->MinX = -1;
    FacPlot->MinY = -1;
    FacPlot->StepX = 0.1;
    FacPlot->StepY = 0.1;
    FacPlot->SetData(x_.data(), y_.data(), static_cast<int>(x_.size()), nullptr, [] { DrawFreeLines(); });
    stYoko->setText(Q(xName_));
    stTate->setText(Q(yName_));
}

void TfrmFacLoadPlot::ChangeAxis(bool vertical) {
    if (!analysis_) return;
    const std::string& other = vertical ? xName_ : yName_;
    std::vector<std::string> names;
    for (int i = 0; i < analysis_->VarCount(); ++i) names.push_back(analysis_->GetScoreName(i));
    for (int f = 0; f < analysis_->FactorCount(); ++f) names.push_back(analysis_->GetFactorScoreName(f));
    std::erase(names, other);
    const InputAnswer answer = Context().Services().AskInput(
            LoadStr(vertical ? kStrVerticalAxis : kStrHorizontalAxis), names, vertical ? yName_ : xName_);
    if (answer.result != mrOK) return;
    (vertical ? yName_ : xName_) = answer.text;
    // A name that is no component or factor keeps the points where they are.
    std::vector<double> values = LoadingsOf(*analysis_, answer.text);
    if (values.size() == x_.size()) (vertical ? y_ : x_) = std::move(values);
    DrawPlot();
}

void TfrmFacLoadPlot::FacPlotMouseDown(Qt::MouseButton button, int px, int py) {
    if (button == Qt::RightButton) {
        lines_.Delete(-1);
        DrawPlot();
        return;
    }
    if (button != Qt::LeftButton) return;
    dragging_ = true;
    FacPlot->ClearStroke();
    FacPlot->MoveTo(px, py);
    if (!x_.empty()) {
        FacPlot->setSel(px, py, false);
        const int i = FacPlot->SelIndex;
        if (i >= 0 && i < static_cast<int>(x_.size())) {
            const auto k = static_cast<std::size_t>(i);
            stPLOT->setText(QString::number(i + 1));
            stVarName->setText(Q(labels_[k]));
            stYokoVal->setText(Q(FormatNumber(false, x_[k])));
            stTateVal->setText(Q(FormatNumber(false, y_[k])));
        }
    }
    currentLine_ = std::make_unique<XYData>(lineColor_, lineStyle_, true, 0);
    double x = 0, y = 0;
    if (FacPlot->getxy(px, py, &x, &y)) currentLine_->AddPoint(x, y);
}

void TfrmFacLoadPlot::FacPlotMouseMove(int px, int py) {
    if (!dragging_ || !currentLine_) return;
    FacPlot->LineTo(px, py);
    double x = 0, y = 0;
    if (FacPlot->getxy(px, py, &x, &y)) currentLine_->AddPoint(x, y);
}

void TfrmFacLoadPlot::FacPlotMouseUp(Qt::MouseButton button) {
    if (button != Qt::LeftButton || !dragging_) return;
    dragging_ = false;
    // A click without a drag leaves one point: no line.
    if (currentLine_ && currentLine_->Count() > 1) lines_.Add(*currentLine_);
    currentLine_.reset();
    FacPlot->ClearStroke();
    FacPlot->Setup();
}

void TfrmFacLoadPlot::btnOptClick() {
    AppState& state = Context().State();
    TfrmSetting dialog([&state](const std::string& t, double d) { return state.Evaluator().Evaluate(t, d); },
                       Context().Services(), this);
    dialog.SetValues(false, false, -1, 1, 0.1, -1, 1, 0.1, true, lineColor_, lineStyle_);
    if (dialog.exec() != QDialog::Accepted) return;
    lineColor_ = dialog.lineColour;
    lineStyle_ = dialog.lineStyle;
    DrawPlot();
}

void TfrmFacLoadPlot::btnSaveClick() { (void)SaveFormImage(*this, Context().State().Context()); }

void TfrmFacLoadPlot::closeEvent(QCloseEvent* event) {
    RestoreLines();
    AnalysisWindowFor::closeEvent(event);
}

void TfrmFacLoadPlot::RestoreLines() {
    // The opener's list and plot come back; this window's lines go with it.
    savedLines_.reset();
}

void RegisterFacLoadPlotWindow() {
    AnalysisWindows().Register("TfrmFacLoadPlot", [](const WindowContext& context) -> std::unique_ptr<AnalysisWindow> {
        return std::make_unique<TfrmFacLoadPlot>(context);
    });
}
