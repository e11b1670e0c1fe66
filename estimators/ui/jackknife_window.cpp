#include "estimators/ui/jackknife_window.h"

#include <QAction>
#include <QTabWidget>
#include <QToolBar>
#include <QVBoxLayout>

#include <vector>

#include "components/view/fundamental_stats_launcher.h"
#include "components/view/graph_launchers.h"
#include "components/view/qt_text.h"
#include "components/view/residual_lag_menu.h"
#include "components/view/result_grid.h"
#include "components/view/result_grid_pages.h"
#include "components/view/window_actions.h"
#include "core/data/equation.h"
#include "core/model/data_edit_commands.h"
#include "core/model/regression_model.h"
#include "core/text/number_format.h"
#include "estimators/jackknife_request.h"
#include "estimators/jackknife_tables.h"
#include "eval/app_state.h"
#include "platform/errors.h"
#include "platform/ui_services.h"
#include "resources/string_table.h"

namespace {

constexpr int kEndogenous = 1;

}  // namespace

TfrmJNE::TfrmJNE(const WindowContext& context) : AnalysisWindowBase(context) {
    setObjectName("frmJNE");
    setWindowTitle("ジャックナイフ推定値");
    resize(640, 480);

    TB = new QToolBar(this);
    TB->setObjectName("TB");
    Exitence = AddAction("Exitence", "終了", "Ctrl+X", "終了する", [this] { close(); });
    EYPlot = AddAction("EYPlot", "e-y", "Ctrl+Alt+C", "残差・予測値プロット", [this] { Plot(0); });
    ETPlot = AddAction("ETPlot", "e-t", "Ctrl+Alt+T", "残差時系列プロット", [this] { Plot(1); });
    Fund = AddAction("Fund", "統計量", "Ctrl+Alt+N", "残差統計量", [this] { FundExecute(); });
    EEPlot = AddAction("EEPlot", "e-e", "Ctrl+Alt+E", "Ｅ－Ｅプロット", [this] { Plot(201); });
    EXPlot = AddAction("EXPlot", "e-x", "Ctrl+Alt+X", "残差・説明変数プロット", [this] { EXPlotExecute(); });
    YYPlot = AddAction("YYPlot", "y-y", "Ctrl+Alt+Y", "予測値・観測値プロット", [this] { Plot(2); });
    AddExp = AddAction("AddExp", "式追加", "Ctrl+Alt+A", "式リストに追加する", [this] { AddExpExecute(); });

    pmEELag = AttachResidualLagMenu(this, TB, EEPlot, Context().State(), [this](int lag) { Plot(200 + lag); });
    EELagx = AddResidualLagKey(this, TB, EEPlot, pmEELag, Context().State());

    PC = new QTabWidget(this);
    PC->setObjectName("PC");
    sgEst = AddResultGridPage(PC, "sgEst", 150, "推定値");
    sgRes = AddResultGridPage(PC, "sgRes", 40, "残差");

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(TB);
    layout->addWidget(PC, 1);
}

TfrmJNE::~TfrmJNE() = default;

QAction* TfrmJNE::AddAction(const char* name, const char* caption, const char* shortcut, const char* hint,
                            std::function<void()> handler) {
    return AddWindowAction(this, TB, Context().State(), name, caption, QKeySequence(shortcut), hint,
                           std::move(handler));
}

bool TfrmJNE::Setup(const WindowRequest& request) {
    if (const auto* iv = request.As<JackknifeRequest>()) return iv->ivModel && SetRegIV(*iv->ivModel);
    const auto* launch = request.As<LaunchRequest>();
    return launch && launch->model && SetRegression(*launch->model);
}

// Errors, the memory message included, reach the user through the
// caller's command guard.
bool TfrmJNE::SetRegression(Reg& reg) { return Show(JackknifeInputOf(reg)); }

bool TfrmJNE::SetRegIV(RegIV& model) { return Show(JackknifeInputOf(model)); }

bool TfrmJNE::Show(JackknifeInput input) {
    auto result = std::make_shared<const JackknifeResult>(Jackknife(input));
    in_ = std::make_shared<const JackknifeInput>(std::move(input));
    result_ = std::move(result);
    sgEst->Show(JackknifeEstimateTable(*in_, *result_));
    sgRes->Show(JackknifeResidualTable(in_, result_));
    return true;
}

void TfrmJNE::Plot(int mode) {
    if (!result_) return;
    const std::vector<double>& e = result_->residual;
    const int n = static_cast<int>(e.size());
    const std::string residual = LoadStr(kStrResidual);
    if (mode == 0) {
        ShowXYGraph(Context(), LoadStr(kStrPredicted), result_->fitted.data(), residual, n, e.data());
    } else if (mode == 1) {
        std::vector<double> t(static_cast<std::size_t>(n));
        for (int i = 0; i < n; ++i) t[static_cast<std::size_t>(i)] = i + 1;
        ShowXYGraph(Context(), LoadStr(kStrTime), t.data(), residual, n, e.data());
    } else if (mode == 2) {
        ShowXYGraph(Context(), in_->depName + LoadStr(kStrPredicted), result_->fitted.data(),
                    in_->depName + LoadStr(kStrObserved), n, in_->y.data());
    } else if (mode >= 100 && mode < 100 + static_cast<int>(in_->values.size())) {
        const auto j = static_cast<std::size_t>(mode - 100);
        ShowXYGraph(Context(), in_->names[j], in_->values[j].data(), residual, n, e.data());
    } else if (mode > 200 && mode <= 204) {
        const int lag = mode - 200;
        // A lag plot of fewer than four points shows nothing worth reading.
        if (n - lag < 4) return;
        ShowXYGraph(Context(), LoadStr(kStrEi), e.data() + lag, LagResidualLabel(lag), n - lag, e.data());
    }
}

void TfrmJNE::FundExecute() {
    if (!result_) return;
    ShowFundamentalStats(Context(), LoadStr(kStrResidual), result_->residual.data(),
                         static_cast<int>(result_->residual.size()), 0);
}

void TfrmJNE::EXPlotExecute() {
    if (!in_) return;
    // The constant's column is last and has nothing to plot against.
    std::vector<std::string> names(in_->names.begin(), in_->names.end() - (in_->names.empty() ? 0 : 1));
    const InputAnswer answer = Context().Services().AskInput(LoadStr(kStrChooseExplanatory), names, "");
    if (answer.result != mrOK) return;
    for (std::size_t j = 0; j < names.size(); ++j)
        if (names[j] == answer.text) Plot(100 + static_cast<int>(j));
}

void TfrmJNE::AddExpExecute() {
    AppState& state = Context().State();
    Reg* model = state.Model();
    if (!in_ || !result_ || !model) return;
    const int dep = model->FindVar(in_->depName);
    // Only an endogenous variable has an equation of its own.
    if (dep < 0 || model->GetVarType(dep) != kEndogenous) return;
    const Expres e(in_->depName, static_cast<int>(result_->coef.size()), false, result_->coef, in_->names);
    AddExpressionWithUndo(DataEdit{*model, state.Undo(), [&state](const std::string& n) {
                                       return state.IsReservedName(n);
                                   }},
                          e);
}

void RegisterJackknifeWindow() {
    AnalysisWindows().Register("TfrmJNE", [](const WindowContext& context) -> std::unique_ptr<AnalysisWindow> {
        return std::make_unique<TfrmJNE>(context);
    });
}
