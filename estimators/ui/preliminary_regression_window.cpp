#include "estimators/ui/preliminary_regression_window.h"

#include <QButtonGroup>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "components/view/fundamental_stats_launcher.h"
#include "components/view/graph_launchers.h"
#include "components/view/guarded_slot.h"
#include "components/view/labels.h"
#include "components/view/launch_request.h"
#include "components/view/qt_text.h"
#include "components/view/result_grid.h"
#include "components/view/result_grid_pages.h"
#include "components/view/window_actions.h"
#include "components/view/window_registry.h"
#include "core/io/file_matrix.h"
#include "core/settings/file_services.h"
#include "core/model/regression_model.h"
#include "core/numeric/xy_data.h"
#include "core/text/number_format.h"
#include "estimators/ridge.h"
#include "estimators/ridge_request.h"
#include "estimators/weighted_fit.h"
#include "estimators/wls_request.h"
#include "eval/app_state.h"
#include "platform/errors.h"
#include "platform/ui_services.h"
#include "resources/string_table.h"

namespace {

constexpr int kHelpContext = 1018;
const char* const kWeightedWindow = "TfrmWLS";
const char* const kRidgeWindow = "TfrmRidge";
constexpr std::uint32_t kFittedColour = 0x008000;
constexpr std::uint8_t kSolidPen = 0;
constexpr int kRobustWeights = 5;

}  // namespace

TfrmPreREG::TfrmPreREG(const WindowContext& context) : QDialog(context.Owner()), context_(context) {
    setObjectName("frmPreREG");
    setWindowTitle("予備回帰");
    resize(700, 520);

    sgEst = NewResultGrid(this, "sgEst", 150);
    sgYest = NewResultGrid(this, "sgYest", 40);
    stVe = NewValueLabel(this, "stVe", 110);
    stR2 = NewValueLabel(this, "stR2", 110);
    stPSS = NewValueLabel(this, "stPSS", 110);

    auto* setBox = new QGroupBox("設定", this);
    rbVariables = new QRadioButton("変数(&V)", setBox);
    rbVariables->setObjectName("rbVariables");
    rbTime = new QRadioButton("時間(&T)", setBox);
    rbTime->setObjectName("rbTime");
    rbVariables->setChecked(true);
    auto* modes = new QButtonGroup(this);
    modes->addButton(rbVariables, 0);
    modes->addButton(rbTime, 1);
    auto* setLayout = new QVBoxLayout(setBox);
    setLayout->addWidget(rbVariables);
    setLayout->addWidget(rbTime);

    btnSet = AddButton("btnSet", "予測値採用(&S)", [this] { btnSetClick(); });
    btnRes = AddButton("btnRes", "標準化残差(&R)", [this] { btnResClick(); });
    btnYY = AddButton("btnYY", "Y-Yプロット(&Y)", [this] { btnYYClick(); });
    btnTime = AddButton("btnTime", "予測値時系列", [this] { btnTimeClick(); });
    btnWLS = AddButton("btnWLS", "加重回帰", [this] { btnWLSClick(); });
    btnRIDGE = AddButton("btnRIDGE", "リッジ回帰", [this] { btnRIDGEClick(); });
    btnOK = AddButton("btnOK", "決定(&O)", [this] { btnOKClick(); });
    btnCancel = AddButton("btnCancel", "取り消し(&C)", [this] { reject(); });
    btnHelp = AddButton("btnHelp", "&?", [this] { ShowHtmlHelp(context_.State().Context(), kHelpContext); });
    btnOK->setDefault(true);

    auto* figures = new QGridLayout;
    const std::pair<const char*, QLabel*> shown[] = {
        {"回帰標準誤差", stVe}, {"決定係数", stR2}, {"予測平方和", stPSS}};
    int row = 0;
    for (const auto& [caption, label] : shown) {
        figures->addWidget(new QLabel(caption, this), row, 0);
        figures->addWidget(label, row++, 1);
    }
    auto* side = new QVBoxLayout;
    side->addWidget(setBox);
    for (QPushButton* b : {btnSet, btnRes, btnYY, btnTime, btnWLS, btnRIDGE}) side->addWidget(b);
    side->addStretch(1);
    for (QPushButton* b : {btnOK, btnCancel, btnHelp}) side->addWidget(b);

    auto* left = new QVBoxLayout;
    left->addWidget(sgEst, 3);
    left->addLayout(figures);
    left->addWidget(sgYest, 4);
    auto* layout = new QHBoxLayout(this);
    layout->addLayout(left, 1);
    layout->addLayout(side);

    connect(modes, &QButtonGroup::idClicked, this, Guarded(context_.State(), [this](int) { rgSetClick(); }));
    connect(sgEst, &TStringGrid::GridMouseDown, this,
            Guarded(context_.State(), [this](Qt::MouseButton button, Qt::KeyboardModifiers, int x, int y) {
                if (button != Qt::LeftButton) return;
                int col = 0, r = 0;
                sgEst->MouseToCell(x, y, col, r);
                ToggleRow(r);
            }));
    registryListener_ = AnalysisWindows().AddListener([this] { UpdateButtons(); });
    UpdateButtons();
}

TfrmPreREG::~TfrmPreREG() { AnalysisWindows().RemoveListener(registryListener_); }

QPushButton* TfrmPreREG::AddButton(const char* name, const char* caption, std::function<void()> handler) {
    return AddWindowButton(this, context_.State(), name, caption, std::move(handler));
}

void TfrmPreREG::UpdateButtons() {
    btnWLS->setEnabled(reg_ && AnalysisWindows().Has(kWeightedWindow));
    btnRIDGE->setEnabled(reg_ && AnalysisWindows().Has(kRidgeWindow));
}

bool TfrmPreREG::SetData(const Data& data, int target, const std::string& name, std::vector<double>* values) {
    if (!values) return false;
    data_ = &data;
    target_ = target;
    name_ = name;
    values_ = values;
    return Estimate(PreliminaryRegression::Mode::Variables);
}

bool TfrmPreREG::Estimate(PreliminaryRegression::Mode mode) {
    reg_.reset();
    try {
        reg_ = std::make_shared<PreliminaryRegression>(*data_, target_, name_, *values_, mode);
    } catch (const EOutOfMemory&) {
        throw;
    } catch (const Exception& e) {
        ErrorBox(context_.Services(), e.what());
    }
    adoptFitted_ = true;
    btnSet->setText("予測値採用(&S)");
    UpdateButtons();
    FormShow();
    return reg_ != nullptr;
}

void TfrmPreREG::FormShow() {
    if (!reg_) {
        sgEst->Show(ResultTable({name_}));
        sgYest->Show(ResultTable());
        for (QLabel* l : {stVe, stR2, stPSS}) l->clear();
        return;
    }
    sgEst->Show(PreliminaryEstimateTable(*reg_, name_));
    sgYest->Show(PreliminaryFittedTable(reg_));
    stVe->setText(Q(FormatNumber(false, std::sqrt(reg_->S2()))));
    stR2->setText(Q(FormatNumber(false, reg_->R2())));
    stPSS->setText(Q(FormatNumber(false, reg_->Press())));
}

void TfrmPreREG::ToggleRow(int row) {
    if (!reg_ || row < 2) return;
    if (sgEst->Cell(1, row).toStdString() == LoadStr(kStrTolCheck)) return;
    const int slot = reg_->FindSlot(sgEst->Cell(0, row).toStdString());
    if (slot >= 0 && reg_->Toggle(slot)) FormShow();
}

void TfrmPreREG::btnSetClick() {
    adoptFitted_ = !adoptFitted_;
    btnSet->setText(adoptFitted_ ? "予測値採用(&S)" : "残差採用(&S)");
}

void TfrmPreREG::btnResClick() {
    if (!reg_) return;
    // An observation of leverage 1 has none: left out, and the user told so.
    const std::vector<double> r = reg_->StandardizedResidualColumn();
    ShowColumnFundamentalStats(context_.WithOwner(this), LoadStr(kStrStandardizedResidual), r.data(),
                               reg_->Leverages().data(), static_cast<int>(r.size()), 0);
}

void TfrmPreREG::btnYYClick() {
    if (!reg_) return;
    ShowXYGraph(context_.WithOwner(this), LoadStr(kStrObserved), reg_->Target().data(), LoadStr(kStrPredicted),
                reg_->ObservationCount(), reg_->Fitted().data());
}

void TfrmPreREG::btnTimeClick() {
    if (!reg_) return;
    const int n = reg_->ObservationCount();
    std::vector<double> t(static_cast<std::size_t>(n));
    XYData fitted(kFittedColour, kSolidPen, false, n);
    for (int i = 0; i < n; ++i) {
        t[static_cast<std::size_t>(i)] = i + 1.0;
        fitted.SetPoint(i, i + 1.0, reg_->Fitted()[static_cast<std::size_t>(i)]);
    }
    ShowSeriesPlot(context_.WithOwner(this), LoadStr(kStrTime), t.data(), name_, {fitted}, n,
                   reg_->Target().data());
}

void TfrmPreREG::rgSetClick() {
    Estimate(rbTime->isChecked() ? PreliminaryRegression::Mode::Time : PreliminaryRegression::Mode::Variables);
}

void TfrmPreREG::btnWLSClick() {
    if (!reg_) return;
    // The regressors in column order and the target last: the weighted
    // estimator adds its own constant.
    std::vector<int> columns;
    for (int j = 0; j < reg_->TargetSlot(); ++j)
        if (reg_->InModel(j)) columns.push_back(j);
    columns.push_back(reg_->TargetSlot());
    const int n = reg_->ObservationCount();
    TNamedData table(context_.State().Context(), n, static_cast<int>(columns.size()));
    for (std::size_t c = 0; c < columns.size(); ++c) {
        table.SetColumnName(static_cast<int>(c), reg_->SlotName(columns[c]));
        for (int i = 0; i < n; ++i) table.SetValue(i, static_cast<int>(c), reg_->Value(i, columns[c]));
    }
    std::vector<double> fitted, residual;
    WLSRequest request;
    request.table = &table;
    request.dependentColumn = static_cast<int>(columns.size()) - 1;
    request.mode = kRobustWeights;
    request.requireFit = true;
    request.closed = [&](const WLSE& w) {
        if (w.ObsCount() != n) return;
        for (int i = 0; i < n; ++i) {
            fitted.push_back(w.GetResult(WLSE::kRowFitted, i));
            residual.push_back(w.GetResult(WLSE::kRowResidual, i));
        }
    };
    OpenWindow(kWeightedWindow, context_.WithOwner(this), WindowRequest(std::move(request)));
    if (!fitted.empty()) {
        reg_->ReplaceFit(std::move(fitted), std::move(residual));
        FormShow();
    }
}

void TfrmPreREG::btnRIDGEClick() {
    if (!reg_) return;
    const int n = reg_->ObservationCount();
    const std::unique_ptr<TNamedData> table = RidgeHandOffTable(*reg_, context_.State().Context());
    std::vector<double> fitted(static_cast<std::size_t>(n)), residual(static_cast<std::size_t>(n));
    bool taken = false;
    RidgeRequest request;
    request.table = table.get();
    request.dependentColumn = reg_->TargetSlot();
    request.closed = [&](const Ridge& r) {
        if (r.N() != n) return;
        r.ReadResultRow(1, fitted.data());
        r.ReadResultRow(2, residual.data());
        taken = true;
    };
    OpenWindow(kRidgeWindow, context_.WithOwner(this), WindowRequest(std::move(request)));
    if (taken) {
        reg_->ReplaceFit(std::move(fitted), std::move(residual));
        FormShow();
    }
}

void TfrmPreREG::btnOKClick() {
    if (!reg_ || !values_) return;
    *values_ = adoptFitted_ ? reg_->Fitted() : reg_->Residuals();
    accept();
}

namespace {

class PreliminaryRegressionWindow : public RequestWindow<LaunchRequest> {
public:
    explicit PreliminaryRegressionWindow(const WindowContext& context) : dialog_(context) {}
    bool Fill(const LaunchRequest& request) override {
        const Reg* model = request.readModel ? request.readModel : request.model;
        return model && dialog_.SetData(*model, request.variable, request.variableName, request.values);
    }
    int ShowModal() override { return dialog_.exec() == QDialog::Accepted ? mrOK : mrCancel; }

private:
    TfrmPreREG dialog_;
};

}  // namespace

void RegisterPreliminaryRegressionWindow() {
    AnalysisWindows().Register("TfrmPreREG", [](const WindowContext& context) -> std::unique_ptr<AnalysisWindow> {
        return std::make_unique<PreliminaryRegressionWindow>(context);
    });
}
