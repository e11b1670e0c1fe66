#include "simeq/ui/reduced_form_window.h"

#include <QAction>
#include <QStatusBar>
#include <QStatusTipEvent>
#include <QTabWidget>
#include <QToolBar>
#include <QVBoxLayout>

#include <algorithm>
#include <optional>
#include <vector>

#include "components/view/graph_launchers.h"
#include "components/view/qt_text.h"
#include "components/view/result_grid.h"
#include "components/view/window_actions.h"
#include "components/view/window_registry.h"
#include "components/view/window_status_bar.h"
#include "core/model/regression_model.h"
#include "core/settings/file_services.h"
#include "eval/app_state.h"
#include "platform/ui_services.h"
#include "resources/string_table.h"
#include "simeq/final_form_assistant.h"
#include "simeq/system_build.h"
#include "simeq/system_tables.h"
#include "simeq/ui/final_form_page.h"
#include "simeq/ui/prediction_page.h"
#include "simeq/ui/structural_page.h"
#include "simeq/ui/system_test_page.h"

namespace {

constexpr int kHelpContext = 1015;
const char* const kAssistantClass = "TfrmFFA";

}  // namespace

TfrmRF::TfrmRF(const WindowContext& context)
    : AnalysisWindowFor(context), system_(std::make_shared<SimultaneousSystem>()) {
    setObjectName("frmRF");
    setWindowTitle("誘導型");
    resize(700, 458);

    TB = new QToolBar(this);
    TB->setObjectName("TB");
    Exitence = AddAction("Exitence", "終了", "Ctrl+X", "終了する", [this] { close(); });
    TB->addSeparator();
    YYPlot = AddAction("YYPlot", "y-y", "Ctrl+Alt+Y", "予測値・実測値プロット", [this] { YYPlotExecute(); });
    EYPlot = AddAction("EYPlot", "e-y", "Ctrl+Alt+C", "残差・予測値プロット", [this] { EYPlotExecute(); });
    TB->addSeparator();
    XYPlot = AddAction("XYPlot", "y-y'", "Ctrl+G", "内生変数予測値間のプロット", [this] { XYPlotExecute(); });
    TB->addSeparator();
    FFA = AddAction("FFA", "最終型", "", "最終型計算補助", [this] { FFAExecute(); });
    Changer = AddAction("Changer", "", "Ctrl+C", "", [this] { ChangerExecute(); }, false);
    HelpContext = AddAction("HelpContext", "", "Ctrl+H", "",
                            [this] { ShowHtmlHelp(Context().State().Context(), kHelpContext); }, false);

    PC = new QTabWidget(this);
    PC->setObjectName("PC");
    auto status = [this](const std::string& text) { Status(text); };
    tsKozo = new StructuralPage(PC, status);
    tsKozo->setObjectName("tsKozo");
    PC->addTab(tsKozo, "構造式");
    sgExpres = new ResultGrid(PC);
    sgExpres->setObjectName("sgExpres");
    connect(sgExpres, &TStringGrid::GridMouseDown, this,
            GuardedSlot([this](Qt::MouseButton b, Qt::KeyboardModifiers, int x, int y) { sgExpresMouseDown(b, x, y); }));
    PC->addTab(sgExpres, "全式係数");
    sgReduced = new ResultGrid(PC);
    sgReduced->setObjectName("sgReduced");
    connect(sgReduced, &TStringGrid::GridMouseDown, this,
            GuardedSlot([this](Qt::MouseButton b, Qt::KeyboardModifiers, int x, int y) { sgReducedMouseDown(b, x, y); }));
    PC->addTab(sgReduced, "誘導型係数");
    auto plot = [this](bool simulation) {
        return [this, simulation](const std::string& name, bool residuals) {
            Guard([&] {
                if (residuals)
                    PlotResidualPredicted(name, simulation);
                else
                    PlotPredictedActual(name, simulation);
            });
        };
    };
    auto changer = [this] { Guard([this] { ChangerExecute(); }); };
    tsTest = new SystemTestPage(PC, "sgTest", false, changer, plot(false));
    tsTest->setObjectName("tsTest");
    PC->addTab(tsTest, "トータルテスト");
    tsFinalTest = new SystemTestPage(PC, "sgFTest", true, changer, plot(true));
    tsFinalTest->setObjectName("tsFinalTest");
    PC->addTab(tsFinalTest, "ファイナルテスト");
    tsPredict = new PredictionPage(PC, Context().State());
    tsPredict->setObjectName("tsPredict");
    PC->addTab(tsPredict, "予測値");
    tsFFA = new FinalFormPage(PC, Context().WithOwner(this));
    tsFFA->setObjectName("tsFFA");
    PC->addTab(tsFFA, "最終型");
    connect(PC, &QTabWidget::currentChanged, this, GuardedSlot([this](int i) { PageShow(i); }));

    SB = NewStatusBar(this);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(TB);
    layout->addWidget(PC, 1);
    layout->addWidget(SB);

    registryListener_ = AnalysisWindows().AddListener([this] { UpdateAssistantAction(); });
    UpdateAssistantAction();
}

TfrmRF::~TfrmRF() {
    if (registryListener_ >= 0) AnalysisWindows().RemoveListener(registryListener_);
}

QAction* TfrmRF::AddAction(const char* name, const char* caption, const char* shortcut, const char* hint,
                           std::function<void()> handler, bool onToolBar) {
    return AddWindowAction(this, onToolBar ? TB : nullptr, Context().State(), name, caption, QKeySequence(shortcut),
                           hint, std::move(handler));
}

void TfrmRF::UpdateAssistantAction() { FFA->setEnabled(AnalysisWindows().Has(kAssistantClass)); }

bool TfrmRF::event(QEvent* e) {
    return ShowStatusTip(e, SB) || AnalysisWindowFor::event(e);
}

bool TfrmRF::Setup(const LaunchRequest& request) {
    if (!request.model) return false;
    BuildSystem(*request.model, request.twoStage);
    return true;
}

void TfrmRF::BuildSystem(const Reg& model, bool twoStage) {
    system_->Build(model, twoStage);
    tsKozo->SetSystem(system_);
    tsTest->SetSystem(system_);
    tsFinalTest->SetSystem(system_);
    tsPredict->SetSystem(system_);
    PC->setCurrentIndex(0);
    PageShow(0);
}

void TfrmRF::PageShow(int index) {
    if (!system_->IsBuilt()) return;
    QWidget* page = PC->widget(index);
    if (page == tsKozo) tsKozo->tsKozoShow();
    if (page == sgExpres) sgExpres->Show(AllCoefficientsTable(*system_));
    if (page == sgReduced) sgReduced->Show(ReducedFormTable(*system_));
    if (page == tsTest) tsTest->Redraw();
    if (page == tsFinalTest) tsFinalTest->Redraw();
    if (page == tsPredict) tsPredict->tsPredictShow();
    if (page == tsFFA) tsFFA->tsFFAShow();
}

void TfrmRF::Status(const std::string& text) { SB->showMessage(Q(text)); }

void TfrmRF::sgExpresMouseDown(Qt::MouseButton button, int x, int y) {
    int c = -1, r = -1;
    sgExpres->MouseToCell(x, y, c, r);
    const std::string text = AllCoefficientsCellText(*system_, c, r, button == Qt::LeftButton);
    if (!text.empty()) Status(text);
}

void TfrmRF::sgReducedMouseDown(Qt::MouseButton button, int x, int y) {
    int c = -1, r = -1;
    sgReduced->MouseToCell(x, y, c, r);
    const std::string text = ReducedFormCellText(*system_, c, r, button == Qt::LeftButton);
    if (!text.empty()) Status(text);
}

bool TfrmRF::FinalTestActive() const { return PC->currentWidget() == tsFinalTest; }

void TfrmRF::ChangerExecute() {
    if (PC->currentWidget() == tsTest) tsTest->Toggle();
    if (PC->currentWidget() == tsFinalTest) tsFinalTest->Toggle();
}

std::string TfrmRF::AskEndogenousName() {
    if (!system_->IsBuilt()) return {};
    const std::vector<std::string> names(system_->Names().begin(), system_->Names().begin() + system_->G());
    const InputAnswer a = Context().Services().AskInput(LoadStr(kStrChooseVariable), names, "");
    return a.result == mrOK ? a.text : std::string();
}

void TfrmRF::YYPlotExecute() {
    if (PC->currentWidget() == tsFFA) {
        tsFFA->PlotStored(0);
        return;
    }
    const std::string name = AskEndogenousName();
    if (!name.empty()) PlotPredictedActual(name, FinalTestActive());
}

void TfrmRF::EYPlotExecute() {
    if (PC->currentWidget() == tsFFA) {
        tsFFA->PlotStored(1);
        return;
    }
    const std::string name = AskEndogenousName();
    if (!name.empty()) PlotResidualPredicted(name, FinalTestActive());
}

namespace {

// Position of an endogenous variable among the system's names, -1 otherwise.
int EndogenousIndex(const SimultaneousSystem& sys, const std::string& name) {
    const int i = sys.IsBuilt() ? sys.IndexOfName(name) : -1;
    return i >= 0 && i < sys.G() ? i : -1;
}

}  // namespace

void TfrmRF::PlotPredictedActual(const std::string& name, bool simulation) {
    const int g = EndogenousIndex(*system_, name);
    if (g < 0) return;
    const std::vector<double> p = PredictedSeries(*system_, g, simulation);
    const std::vector<double> y = ObservedSeries(*system_, g);
    ShowXYGraph(Context().WithOwner(this), name + LoadStr(kStrPredicted), p.data(), name + LoadStr(kStrObserved),
                system_->N(), y.data());
}

void TfrmRF::PlotResidualPredicted(const std::string& name, bool simulation) {
    const int g = EndogenousIndex(*system_, name);
    if (g < 0) return;
    // No residual degree of freedom or no spread: nothing to standardise.
    const std::optional<std::vector<double>> z = StandardizedTestResiduals(*system_, g, simulation);
    if (!z) return;
    const std::vector<double> p = PredictedSeries(*system_, g, simulation);
    ShowXYGraph(Context().WithOwner(this), name + LoadStr(kStrPredicted), p.data(),
                name + LoadStr(kStrStandardizedResidual), system_->N(), z->data());
}

void TfrmRF::XYPlotExecute() {
    if (!system_->IsBuilt()) return;
    std::vector<std::string> names(system_->Names().begin(), system_->Names().begin() + system_->G());
    UiServices& ui = Context().Services();
    const InputAnswer first = ui.AskInput(LoadStr(kStrVerticalAxis), names, "");
    if (first.result != mrOK) return;
    const int b = EndogenousIndex(*system_, first.text);
    if (b < 0) return;
    names.erase(std::remove(names.begin(), names.end(), first.text), names.end());
    const InputAnswer second = ui.AskInput(LoadStr(kStrHorizontalAxis), names, "");
    if (second.result != mrOK) return;
    const int a = EndogenousIndex(*system_, second.text);
    if (a < 0) return;
    const bool simulation = FinalTestActive();
    const std::vector<double> x = PredictedSeries(*system_, a, simulation);
    const std::vector<double> y = PredictedSeries(*system_, b, simulation);
    ShowXYGraph(Context().WithOwner(this), second.text, x.data(), first.text, system_->N(), y.data());
}

void TfrmRF::FFAExecute() {
    Reg* model = Context().State().Model();
    if (!model || !system_->IsBuilt()) return;
    FinalFormLists& lists = Context().State().FinalForms();
    if (!BuildStartingEquations(*system_, lists) || lists.work.GetCount() == 0) return;
    LaunchRequest request;
    request.model = model;
    OpenWindow(kAssistantClass, Context().WithOwner(this), request);
    tsFFA->tsFFAShow();
}

void RegisterReducedFormWindow() {
    AnalysisWindows().Register("TfrmRF", [](const WindowContext& context) -> std::unique_ptr<AnalysisWindow> {
        return std::make_unique<TfrmRF>(context);
    });
}
