#include "estimators/ui/mcl_window.h"

#include <QAction>
#include <QEvent>
#include <QFontMetrics>
#include <QPushButton>
#include <QStatusBar>
#include <QStatusTipEvent>
#include <QTabWidget>
#include <QToolBar>
#include <QVBoxLayout>

#include <vector>

#include "components/view/explanatory_choice.h"
#include "components/view/field_formula.h"
#include "components/view/fundamental_stats_launcher.h"
#include "components/view/graph_launchers.h"
#include "components/view/qt_text.h"
#include "components/view/residual_lag_menu.h"
#include "components/view/result_grid.h"
#include "components/view/result_grid_pages.h"
#include "components/view/window_actions.h"
#include "components/view/window_status_bar.h"
#include "core/settings/file_services.h"
#include "core/text/number_format.h"
#include "estimators/multicollinearity_tables.h"
#include "estimators/ui/mcl_estimate_page.h"
#include "estimators/ui/ridge_trace_box.h"
#include "eval/app_state.h"
#include "platform/ui_services.h"
#include "resources/string_table.h"

namespace {

constexpr int kHelpContext = 1003;
constexpr int kVifFixedRows = 3;
const char* const kNoEigenvalues = "固有値が求められないため、リッジ推定はできません。";
const char* const kNoRidgeFit = "このリッジ係数では推定できません。";
const char* const kLeftOut = "変動のない変数を除きました：";

// The ridge table's constant column and the data columns of the other
// pages: wide enough for the program's numbers.
constexpr int kValueColumnWidth = 100;

}  // namespace

int& TfrmMCL::SharedScaleStep() {
    static int step = 0;
    return step;
}

TfrmMCL::TfrmMCL(const WindowContext& context) : AnalysisWindowFor(context) {
    setObjectName("frmMCL");
    setWindowTitle("多重共線性情報");
    resize(720, 520);

    TB = new QToolBar(this);
    TB->setObjectName("TB");
    Exitence = AddAction("Exitence", "終了", "Ctrl+X", "終了する", [this] { close(); });
    Select = AddAction("Select", "全変数", "Ctrl+S", "変数選択の設定", [this] { SelectExecute(); });
    Select->setCheckable(true);
    Scale = AddAction("Scale", "スケール", "Ctrl+W", "スケールの設定", [this] { ScaleExecute(); });
    EYPlot = AddAction("EYPlot", "e-y", "Ctrl+Alt+C", "予測値・残差プロット", [this] { Plot(0); });
    ETPlot = AddAction("ETPlot", "e-t", "Ctrl+Alt+T", "残差時系列プロット", [this] { Plot(1); });
    Fund = AddAction("Fund", "統計量", "Ctrl+Alt+N", "残差基本統計量", [this] { FundExecute(); });
    EEPlot = AddAction("EEPlot", "e-e", "Ctrl+Alt+E", "Ｅ－Ｅプロット", [this] { Plot(201); });
    EXPlot = AddAction("EXPlot", "e-x", "Ctrl+Alt+X", "説明変数・残差プロット", [this] { EXPlotExecute(); });
    YYPlot = AddAction("YYPlot", "y-y", "Ctrl+Alt+Y", "予測値・観測値プロット", [this] { Plot(2); });
    LRPlot = AddAction("LRPlot", "L-R", "Ctrl+Alt+L", "Ｌ－Ｒプロット", [this] { Plot(3); });
    ResetRidge = AddAction("ResetRidge", "", "Ctrl+Z", "自動選択のリッジ係数に戻す", [this] { ResetRidgeExecute(); },
                           false);
    HelpContext = AddAction("HelpContext", "", "Ctrl+H", "ヘルプ",
                            [this] { ShowHtmlHelp(Context().State().Context(), kHelpContext); }, false);

    pmEELag = AttachResidualLagMenu(this, TB, EEPlot, Context().State(), [this](int lag) { Plot(200 + lag); });
    if (QWidget* b = TB->widgetForAction(EEPlot)) b->setObjectName("tbEELag");
    if (QWidget* b = TB->widgetForAction(Select)) b->setObjectName("tbWhole");
    if (QWidget* b = TB->widgetForAction(Scale)) b->setObjectName("tbScale");
    EELagx = AddResidualLagKey(this, TB, EEPlot, pmEELag, Context().State());

    PC = new QTabWidget(this);
    PC->setObjectName("PC");
    sgVIF = AddResultGridPage(PC, "sgVIF", 130, "分散拡大要因");
    sgRD = new ResultGrid(PC);
    sgRD->setObjectName("sgRD");
    connect(sgRD, &TStringGrid::GridMouseDown, this,
            GuardedSlot([this](Qt::MouseButton button, Qt::KeyboardModifiers, int x, int y) {
                if (button == Qt::LeftButton) sgRDMouseDown(x, y);
            }));
    PC->addTab(sgRD, "リッジ回帰");
    RC = new RidgeTraceBox(PC);
    RC->onMouseDown = GuardedSlot([this](int x, int y) { RCMouseDown(x, y); });
    PC->addTab(RC, "リッジ跡");
    tsRidgeEst = new MclEstimatePage(PC);
    connect(tsRidgeEst->stRK, &QPushButton::clicked, this, GuardedSlot([this] { stRKClick(); }));
    PC->addTab(tsRidgeEst, "リッジ推定");
    sgRes = AddResultGridPage(PC, "sgRes", 40, "リッジ残差");

    SB = NewStatusBar(this);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(TB);
    layout->addWidget(PC, 1);
    layout->addWidget(SB);
}

TfrmMCL::~TfrmMCL() = default;

QAction* TfrmMCL::AddAction(const char* name, const char* caption, const char* shortcut, const char* hint,
                            std::function<void()> handler, bool onToolBar) {
    return AddWindowAction(this, onToolBar ? TB : nullptr, Context().State(), name, caption, QKeySequence(shortcut),
                           hint, std::move(handler));
}

bool TfrmMCL::event(QEvent* event) {
    // The long hints of the tool bar go to the status bar.
    return ShowStatusTip(event, SB) || AnalysisWindowFor::event(event);
}

bool TfrmMCL::Setup(const MclRequest& request) {
    if (request.model) return SetReg(request.model, request.allVariables);
    if (request.ivModel) return SetRegIV(request.ivModel, request.allVariables);
    if (request.weighted) return SetWLS(request.weighted);
    return false;
}

bool TfrmMCL::SetReg(const Reg* model, bool allVariables) {
    if (!model) return false;
    reg_ = model;
    regIV_ = nullptr;
    wls_ = nullptr;
    Build(allVariables);
    return true;
}

bool TfrmMCL::SetRegIV(const RegIV* model, bool allVariables) {
    if (!model) return false;
    reg_ = nullptr;
    regIV_ = model;
    wls_ = nullptr;
    Build(allVariables);
    return true;
}

bool TfrmMCL::SetWLS(const WLSE* model) {
    if (!model) return false;
    reg_ = nullptr;
    regIV_ = nullptr;
    wls_ = model;
    Build(true);
    return true;
}

void TfrmMCL::Build(bool allVariables) {
    // A refused build (raised) leaves the window as it was.
    MclData data = reg_ ? MclDataOf(*reg_, allVariables) : regIV_ ? MclDataOf(*regIV_, allVariables) : MclDataOf(*wls_);
    auto engine = std::make_unique<const Multicollinearity>(std::move(data));
    engine_ = std::move(engine);
    allVariables_ = allVariables;
    Select->setChecked(allVariables_);
    Select->setEnabled(wls_ == nullptr);
    selected_ = -1;
    table_ = engine_->Table(scale_);
    if (!engine_->LeftOut().empty()) {
        std::string names;
        for (const std::string& name : engine_->LeftOut()) names += (names.empty() ? "" : "、") + name;
        InformationBox(Context().Services(), kLeftOut + names);
    }
    AutomaticFit();
}

void TfrmMCL::AutomaticFit() {
    fit_.reset();
    const std::optional<double> k = engine_->AutomaticK();
    if (!k) {
        ShowPages();
        ErrorBox(Context().Services(), kNoEigenvalues);
        return;
    }
    autoK_ = k_ = *k;
    Refit();
}

void TfrmMCL::Refit() {
    std::optional<MclRidgeFit> fit = engine_->Fit(k_);
    fit_ = fit ? std::make_shared<const MclRidgeFit>(std::move(*fit)) : nullptr;
    ShowPages();
    if (!fit_) ErrorBox(Context().Services(), kNoRidgeFit);
}

void TfrmMCL::ShowPages() {
    tsRDShow();
    RC->SetTable(&table_, selected_);
    tsVIFShow();
    tsRidgeEst->Show(fit_.get(), engine_->Names());
    tsRidgeResShow();
}

void TfrmMCL::tsVIFShow() {
    sgVIF->Show(MclVifTable(engine_->EigenPage(), engine_->Names()));
    sgVIF->SetFixedRows(kVifFixedRows);
    sgVIF->SetTopRow(kVifFixedRows);
}

void TfrmMCL::tsRDShow() {
    sgRD->Show(MclRidgeCoefficientTable(table_, engine_->Names()));
    const QFontMetrics metrics(sgRD->font());
    sgRD->SetColWidth(0, kValueColumnWidth);
    for (int j = 0; j < engine_->P(); ++j) {
        const int w = metrics.horizontalAdvance(Q(engine_->Names()[static_cast<std::size_t>(j)]));
        sgRD->SetColWidth(j + 1, w <= 80 ? kValueColumnWidth : w + 20);
    }
}

void TfrmMCL::tsRidgeResShow() {
    if (fit_)
        sgRes->Show(MclResidualTable(fit_));
    else
        sgRes->Show(ResultTable({"", LoadStr(kStrObserved), LoadStr(kStrPredicted), LoadStr(kStrResidual),
                                 LoadStr(kStrErrorRate), LoadStr(kStrLeverage)}));
}

void TfrmMCL::SelectExecute() {
    if (!engine_ || wls_) return;
    // A refused rebuild keeps the option and the pages as they were.
    const bool before = allVariables_;
    Select->setChecked(before);
    Build(!before);
}

void TfrmMCL::ScaleExecute() {
    if (!engine_) return;
    int& step = SharedScaleStep();
    step = (step + 1) % 3;
    static const double kScales[] = {1.0, 10.0, 100.0};
    scale_ = kScales[step] / 10.0;
    table_ = engine_->Table(scale_);
    tsRDShow();
    RC->SetTable(&table_, selected_);
}

void TfrmMCL::ResetRidgeExecute() {
    if (!engine_ || !(autoK_ > 0.0)) return;
    k_ = autoK_;
    Refit();
}

void TfrmMCL::stRKClick() {
    if (!engine_) return;
    const InputAnswer answer = Context().Services().AskInput("リッジ係数の入力", {}, tsRidgeEst->stRK->text().toStdString());
    if (answer.result != mrOK || answer.text.empty()) return;
    const std::optional<double> v = EvaluateFieldFormula(Context().State(), answer.text);
    if (!v) throw EFormulaShown();
    // Any value is taken as it is; one the fit cannot use is reported.
    k_ = *v;
    Refit();
}

void TfrmMCL::sgRDMouseDown(int x, int y) {
    int c = -1, r = -1;
    sgRD->MouseToCell(x, y, c, r);
    if (!engine_ || c < 1 || c > engine_->P() || r < 0 || r > kRidgeTableConstants) return;
    const auto j = static_cast<std::size_t>(c - 1);
    const std::string& name = engine_->Names()[j];
    if (r == 0) {
        ShowXYGraph(Context(), "リッジ係数", table_.k.data(), name, kRidgeTableConstants, table_.coef[j].data());
        return;
    }
    const std::vector<double> vif = engine_->RidgeVif(table_.k[static_cast<std::size_t>(r - 1)]);
    SB->showMessage(Q("VIF[ " + name + " ] = " + FormatNumber(false, vif[j])));
}

void TfrmMCL::RCMouseDown(int x, int y) {
    if (!engine_) return;
    const std::optional<RidgeTracePoint> point = RC->Trace().PointAt(x, y);
    if (!point) return;
    const int j = engine_->NearestCurve(point->k, point->value);
    if (j < 0) return;
    selected_ = j;
    SB->showMessage(Q("選択変数　：　" + engine_->Names()[static_cast<std::size_t>(j)]));
    RC->SetTable(&table_, selected_);
}

void TfrmMCL::Plot(int mode) {
    if (!fit_) return;
    const int n = fit_->n;
    const std::vector<double> r = fit_->StudentisedResiduals();
    const std::string residual = LoadStr(kStrStandardizedResidual);
    if (mode == 0) {
        ShowXYGraph(Context(), LoadStr(kStrPredicted), fit_->fitted.data(), residual, n, r.data());
    } else if (mode == 1) {
        std::vector<double> t(static_cast<std::size_t>(n));
        for (int i = 0; i < n; ++i) t[static_cast<std::size_t>(i)] = i + 1;
        ShowXYGraph(Context(), LoadStr(kStrTime), t.data(), residual, n, r.data());
    } else if (mode == 2) {
        ShowXYGraph(Context(), LoadStr(kStrPredicted), fit_->fitted.data(), LoadStr(kStrObserved), n,
                    fit_->observed.data());
    } else if (mode == 3) {
        std::vector<double> share(static_cast<std::size_t>(n));
        const double scale = fit_->Df() * fit_->s2;
        for (int i = 0; i < n; ++i) {
            const double e = fit_->residual[static_cast<std::size_t>(i)];
            share[static_cast<std::size_t>(i)] = scale > 0.0 ? e * e / scale : 0.0;
        }
        ShowXYGraph(Context(), LoadStr(kStrLeverage), fit_->leverage.data(), LoadStr(kStrSquaredResidual), n,
                    share.data());
    } else if (mode >= 100 && mode < 100 + fit_->p) {
        const int j = mode - 100;
        std::vector<double> x(static_cast<std::size_t>(n));
        for (int i = 0; i < n; ++i) x[static_cast<std::size_t>(i)] = engine_->X()[i][j];
        ShowXYGraph(Context(), engine_->Names()[static_cast<std::size_t>(j)], x.data(), residual, n, r.data());
    } else if (mode > 200 && mode <= 204) {
        const int lag = mode - 200;
        // A lag plot of fewer than four points shows nothing worth reading.
        if (n - lag < 4) return;
        const double* e = fit_->residual.data();
        ShowXYGraph(Context(), LoadStr(kStrEi), e + lag, LagResidualLabel(lag), n - lag, e);
    }
}

void TfrmMCL::EXPlotExecute() {
    if (!fit_) return;
    if (fit_->p == 1) {
        Plot(100);
        return;
    }
    const std::vector<std::string> names(engine_->Names().begin(), engine_->Names().end() - 1);
    const int j = ChooseExplanatory(Context().Services(), names);
    if (j >= 0) Plot(100 + j);
}

void TfrmMCL::FundExecute() {
    if (!fit_) return;
    const std::vector<double> r = fit_->StudentisedResiduals();
    ShowFundamentalStats(Context(), LoadStr(kStrStandardizedResidual), r.data(), fit_->n, 0);
}

void RegisterMclWindow() {
    AnalysisWindows().Register("TfrmMCL", [](const WindowContext& context) -> std::unique_ptr<AnalysisWindow> {
        return std::make_unique<TfrmMCL>(context);
    });
}
