#include "simeq/ui/iv_window.h"

#include <QAction>
#include <QStatusBar>
#include <QTabWidget>
#include <QToolBar>
#include <QVBoxLayout>

#include "components/view/grid_marks.h"
#include "components/view/qt_text.h"
#include "components/view/window_actions.h"
#include "components/view/window_status_bar.h"
#include "core/data/equation.h"
#include "core/model/data_edit_commands.h"
#include "core/model/instrumental_fit.h"
#include "core/model/regression_model.h"
#include "core/settings/file_services.h"
#include "eval/app_state.h"
#include "platform/errors.h"
#include "platform/ui_services.h"
#include "resources/string_table.h"
#include "simeq/ui/iv_set_dialog.h"

namespace {

constexpr int kHelpContext = 1009;
constexpr int kEndogenous = 1;

// The estimator's own word for an empty block means nothing to a user.
std::unique_ptr<RegIV> NewEstimator(const Reg& data, std::uint16_t mask, bool modelOnly) {
    try {
        return std::make_unique<RegIV>(data, mask, modelOnly);
    } catch (const Exception& e) {
        if (std::string(e.what()) == "DERR") throw Exception("データ不足");
        throw;
    }
}

// Why a model change was refused, in words a user reads: the estimator's
// inverse error and its terse "数値になりません" of a result say more here.
std::string FitProblemText(RegIV::Problem problem) {
    switch (problem) {
    case RegIV::Problem::kSingular: return "係数を計算できません: 説明変数と操作変数の積和行列に逆行列がありません。";
    case RegIV::Problem::kNotFinite: return "係数を計算できません: 係数または標準誤差が有限の数値になりません。";
    default: return RegIV::ProblemText(problem);
    }
}

}  // namespace

TfrmIV::TfrmIV(const WindowContext& context) : AnalysisWindowFor(context) {
    setObjectName("frmIV");
    setWindowTitle("操作変数");
    resize(840, 540);

    TB = new QToolBar(this);
    TB->setObjectName("TB");
    Exitence = AddAction("Exitence", "終了", "Ctrl+X", "終了する", [this] { close(); }, true);
    ActiveGroup = AddAction("ActiveGroup", "グループ", "Ctrl+Alt+G", "使用するグループの選択",
                            [this] { ActiveGroupExecute(); }, true);
    IVSet = AddAction("IVSet", "操作変数", "Ctrl+Alt+S", "操作変数の設定", [this] { IVSetExecute(); }, true);
    BuildPlotActions();
    TextSave = AddAction("TextSave", "保存", "Ctrl+Alt+V", "テキスト保存", [this] { TextSaveExecute(); }, true);
    WLS = AddAction("WLS", "加重", "Ctrl+Alt+W", "加重回帰分析をする", [this] { WLSExecute(); }, true);
    AddExpres = AddAction("AddExpres", "式追加", "Ctrl+Alt+A", "式に追加する", [this] { AddExpresExecute(); });
    HelpContext = new QAction(this);
    HelpContext->setObjectName("HelpContext");
    HelpContext->setShortcut(QKeySequence("Ctrl+H"));
    connect(HelpContext, &QAction::triggered, this,
            GuardedSlot([this] { ShowHtmlHelp(Context().State().Context(), kHelpContext); }));
    addAction(HelpContext);

    PC = new QTabWidget(this);
    PC->setObjectName("PC");
    BuildDesignPage();
    BuildEstimatesPage();
    BuildResultPages();
    BuildPredictionPage();
    connect(PC, &QTabWidget::currentChanged, this, GuardedSlot([this](int) { PageChanged(); }));

    SB = new QStatusBar(this);
    SB->setObjectName("SB");
    SB->setSizeGripEnabled(false);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(TB);
    layout->addWidget(PC, 1);
    layout->addWidget(SB);

    // The weighted and jackknife windows may register after this one opens.
    registryListener_ = AnalysisWindows().AddListener([this] { EnableHandOvers(); });
    EnableHandOvers();
}

TfrmIV::~TfrmIV() { AnalysisWindows().RemoveListener(registryListener_); }

bool TfrmIV::event(QEvent* event) {
    // The hint of the command under the mouse goes to the status bar.
    return ShowStatusTip(event, SB) || AnalysisWindowFor::event(event);
}

QAction* TfrmIV::AddAction(const char* name, const char* caption, const char* shortcut, const char* hint,
                           std::function<void()> handler, bool separator) {
    QAction* action =
        AddWindowAction(this, TB, Context().State(), name, caption, QKeySequence(shortcut), hint, std::move(handler));
    if (separator) TB->addSeparator();
    return action;
}

bool TfrmIV::Setup(const IVRequest& request) {
    // The window opens whatever happened; without an estimator it is empty.
    CreateEstimator(request.model);
    return true;
}

bool TfrmIV::SelectedOnly() const {
    const IVRequest* r = OpenedWith().As<IVRequest>();
    return r && r->selectedOnly && r->selectedOnly();
}

bool TfrmIV::EnterVariables(RegIV& model, int dependent, const std::function<bool(int)>& take) {
    const int v = model.VarCount();
    const int dep = dependent >= 0 && dependent < v ? dependent : v - 1;
    std::vector<std::uint8_t> roles(static_cast<std::size_t>(v) + 1, RegIV::kRoleUnused);
    roles[static_cast<std::size_t>(v)] = RegIV::kRoleExplanatory;
    for (int j = 0; j < v; ++j)
        if (j != dep && take(j)) roles[static_cast<std::size_t>(j)] = RegIV::kRoleExplanatory;
    // A variable that repeats those before it stays out, as least squares
    // leaves it out. Two residual degrees of freedom stay, the floor of the
    // toggles: the constant term first, then the variables in index order
    // while there is room. One selection refits once.
    roles = model.WithoutCollinearRegressors(std::move(roles), dep);
    int room = model.Rows() - 2;
    const auto whileRoom = [&roles, &room](int j) {
        std::uint8_t& role = roles[static_cast<std::size_t>(j)];
        if (role != RegIV::kRoleExplanatory) return;
        if (room > 0)
            --room;
        else
            role = RegIV::kRoleUnused;
    };
    whileRoom(v);
    for (int j = 0; j < v; ++j) whileRoom(j);
    if (model.SelectVariables(roles, dep)) return true;
    ShowFitProblem(model);
    return false;
}

void TfrmIV::ShowFitProblem(const RegIV& model) {
    const RegIV::Problem problem = model.FitProblem();
    const std::string text = FitProblemText(problem);
    if (text.empty()) return;
    // As the main window warns of an equation it cannot identify.
    if (problem == RegIV::Problem::kUnidentified)
        WarningBox(Context().Services(), text);
    else
        ErrorBox(Context().Services(), text);
}

bool TfrmIV::CreateEstimator(Reg* data) {
    data_ = data;
    if (!data) {
        model_.reset();
        mask_ = 0;
        return false;
    }
    std::unique_ptr<RegIV> model;
    const bool built = Guard([this, data, &model] {
        model = NewEstimator(*data, 0, SelectedOnly());
        const int dep = data->GetDependent();
        const std::string depName = dep >= 0 && dep < data->GetVarCount() ? data->GetVarName(dep) : std::string();
        // The estimator may hold fewer variables than the data set: roles
        // go across by name.
        RegIV& m = *model;
        if (!EnterVariables(m, m.FindVar(depName), [&m, data](int j) {
                const int k = data->FindVar(m.GetVarName(j));
                return k >= 0 && data->IsExplanatory(k);
            }))
            model.reset();
    });
    // A refused estimate leaves the one before (none at the start).
    if (!built || !model) return false;
    model_ = std::move(model);
    mask_ = 0;
    specTest_ = 0.0;
    ResetMarks();
    PC->setCurrentWidget(tsView);
    tsViewShow();
    return true;
}

bool TfrmIV::ResetModel(int dependent) {
    if (!model_ || !data_) return false;
    if (mask_ == 0 && !SelectedOnly()) {
        return EnterVariables(*model_, dependent, [this](int j) {
            const int k = data_->FindVar(model_->GetVarName(j));
            return k >= 0 && data_->IsExplanatory(k);
        });
    }
    return EnterVariables(*model_, dependent, [](int) { return true; });
}

void TfrmIV::ResetMarks() {
    ClearMarks();
    if (!model_) return;
    const int p = model_->GetParamCount();
    tableMarks_.Reset(std::max(p - 1, 0));
    resMarks_.Reset(kDiagnosticColumns);
    anaMarks_.Reset(2 * p + 7);
}

void TfrmIV::ClearMarks() {
    tableMarks_.Clear();
    resMarks_.Clear();
    anaMarks_.Clear();
}

bool TfrmIV::IsRowMarked(int grid, int index) const {
    switch (grid) {
    case 0: return IsMarked(tableMarks_, index);
    case 2: return IsMarked(resMarks_, index);
    case 3: return IsMarked(anaMarks_, index);
    default: return false;
    }
}

void TfrmIV::PageChanged() {
    QWidget* page = PC->currentWidget();
    if (page == tsView) tsViewShow();
    else if (page == tsEst) tsEstShow();
    else if (page == tsRes) tsResShow();
    else if (page == tsAna) tsAnaShow();
    else if (page == tsPred) tsPredShow();
}

void TfrmIV::Status(const std::string& text) { SB->showMessage(Q(text)); }

void TfrmIV::ActiveGroupExecute() {
    if (!data_) return;
    std::uint16_t mask = mask_;
    if (!ChooseGroupMask(*data_, mask, this, true, groupRunner)) return;
    if (mask == 0) {
        CreateEstimator(data_);
        return;
    }
    Guard([this, mask] {
        auto model = NewEstimator(*data_, mask, false);
        std::vector<std::string> names;
        for (int j = 0; j < model->VarCount(); ++j) names.push_back(model->GetVarName(j));
        const InputAnswer a =
            Context().Services().AskInput("目的" + LoadStr(kStrChooseVariable), names, std::string());
        // No choice: the last variable is the dependent one.
        int dep = a.result == mrOK ? model->FindVar(a.text) : -1;
        if (dep < 0 || dep >= model->VarCount()) dep = model->VarCount() - 1;
        // A refused estimate leaves the one before, with its groups.
        if (!EnterVariables(*model, dep, [](int) { return true; })) return;
        model_ = std::move(model);
        mask_ = mask;
        ResetMarks();
    });
    PC->setCurrentWidget(tsView);
    tsViewShow();
}

void TfrmIV::IVSetExecute() {
    if (!model_ || !data_) return;
    TfrmIVSet dialog(Context().WithOwner(this));
    if (dialog.SetModel(model_.get(), data_, mask_)) {
        if (ivSetRunner) ivSetRunner(dialog);
        else dialog.exec();
        ResetModel(model_->GetDependent());
    }
    PC->setCurrentWidget(tsView);
    tsViewShow();
}

void TfrmIV::AddExpresExecute() {
    if (!model_ || !data_) return;
    const std::string left = model_->GetVarName(model_->GetDependent());
    const int k = data_->FindVar(left);
    // Only an endogenous variable has an equation of its own.
    if (k < 0 || data_->GetVarType(k) != kEndogenous) return;
    std::vector<std::string> names;
    std::vector<double> coefs;
    for (int j = 0; j <= model_->VarCount(); ++j) {
        if (!model_->IsExplanatory(j)) continue;
        names.push_back(model_->GetVarName(j));
        coefs.push_back(model_->GetCoef(j));
    }
    const Expres e(left, static_cast<int>(names.size()), false, coefs, names);
    AppState& state = Context().State();
    AddExpressionWithUndo(DataEdit{*data_, state.Undo(), [&state](const std::string& n) {
                                       return state.IsReservedName(n);
                                   }},
                          e);
}

void RegisterIVWindow() {
    AnalysisWindows().Register("TfrmIV", [](const WindowContext& context) -> std::unique_ptr<AnalysisWindow> {
        return std::make_unique<TfrmIV>(context);
    });
}
