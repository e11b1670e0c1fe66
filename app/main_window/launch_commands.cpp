// The analysis commands of the main window: preconditions, filling and
// showing the registered window, the transformation launcher and the
// correlation-matrix launcher.
#include <QAction>
#include <QPushButton>

#include "app/main_window/launch_table.h"
#include "app/main_window/main_window.h"
#include "components/view/grid_marks.h"
#include "components/view/input_assist.h"
#include "app/settings/settings_dialog.h"
#include "components/view/guarded_slot.h"
#include "core/io/file_matrix.h"
#include "core/model/data_edit_commands.h"
#include "core/model/regression_diagnostics.h"
#include "core/model/regression_model.h"
#include "estimators/chow_request.h"
#include "estimators/mcl_request.h"
#include "estimators/restricted_request.h"
#include "estimators/ridge_request.h"
#include "simeq/iv_request.h"
#include "eval/app_state.h"
#include "platform/command_guard.h"
#include "resources/string_table.h"

namespace {

const char* const kTooFewEquations = "式の数が足りません。";
const char* const kCorrelationWindow = "TfrmRelative";
constexpr int kMinMarkedObservations = 4;

bool NeedMet(LaunchNeed need, const Reg* model) {
    if (need == LaunchNeed::Nothing) return true;
    if (!model) return false;
    switch (need) {
    case LaunchNeed::TwoVariables: return model->GetVarCount() >= 2;
    case LaunchNeed::TwoExplanatory: return model->CountExplanatory() >= 2;
    case LaunchNeed::Equations: return model->Expressions().GetCount() > 0;
    default: return true;
    }
}

// The estimates page's buttons follow the model as well: selection needs a
// candidate beside the dependent (two variables), the collinearity window two
// explanatory variables.
bool EstimateButtonApplies(const Reg* model, const std::string& button) {
    if (button == "btnAutoSel") return NeedMet(LaunchNeed::TwoVariables, model);
    if (button == "btnMCL") return model && model->CountExplanatory() >= 2;
    return true;
}

}  // namespace

WindowContext TfrmREG::ViewContext() {
    return WindowContext(state_, this, [this](std::string& text) {
        if (!assist_) return false;
        assist_->SetRegData(state_.Model());
        assist_->SetExpression(text);
        if (assist_->exec() != QDialog::Accepted) return false;
        text = assist_->Expression();
        return true;
    });
}

void TfrmREG::ConnectLaunchers() {
    auto guarded = [this](std::function<void()> f) {
        return Guarded(state_, [this, f] { f(); });
    };
    for (const LaunchCommand& c : LaunchCommands()) {
        const std::string name = c.command;
        auto run = guarded([this, name] { LaunchAnalysis(name); });
        if (QAction* a = Action(name)) connect(a, &QAction::triggered, this, run);
        if (QPushButton* b = EstimateButton(name)) connect(b, &QPushButton::clicked, this, run);
    }
    for (const TransformationCommand& t : TransformationCommands()) {
        const int kind = t.kind;
        if (QAction* a = Action(t.command))
            connect(a, &QAction::triggered, this, guarded([this, kind] { RunTransformation(kind); }));
    }
    if (QAction* a = Action("RelMatView"))
        connect(a, &QAction::triggered, this, guarded([this] { RelMatViewExecute(); }));
    launchListener_ = AnalysisWindows().AddListener([this] { UpdateLaunchActions(); });
    UpdateLaunchActions();
}

void TfrmREG::DisconnectLaunchers() {
    if (launchListener_ >= 0) AnalysisWindows().RemoveListener(launchListener_);
    launchListener_ = -1;
}

void TfrmREG::UpdateLaunchActions() {
    const AnalysisRegistry& r = AnalysisWindows();
    for (const LaunchCommand& c : LaunchCommands()) {
        const bool on = r.Has(c.windowClass);
        if (QAction* a = Action(c.command)) a->setEnabled(on);
        if (QPushButton* b = EstimateButton(c.command)) b->setEnabled(on && EstimateButtonApplies(state_.Model(), c.command));
    }
    for (const TransformationCommand& t : TransformationCommands())
        if (QAction* a = Action(t.command)) a->setEnabled(r.Has(TransformationWindowClass(t.kind)));
    if (QAction* a = Action("RelMatView")) a->setEnabled(r.Has(kCorrelationWindow));
}

int TfrmREG::OpenAnalysisWindow(const std::string& windowClass, const WindowRequest& request, bool showAlways,
                                const char* failMessage) {
    int result = mrNone;
    // The window reports its own failure (the memory message only when
    // memory ran out) and is destroyed on every path; this window stays.
    GuardCommand(state_.Services(), [&] {
        std::unique_ptr<AnalysisWindow> window = AnalysisWindows().Create(windowClass, ViewContext());
        if (!window) return;
        const bool filled = window->Fill(request);
        if (filled || showAlways) {
            result = ShowWindow(std::move(window));
        } else if (failMessage) {
            ErrorBox(state_.Services(), failMessage);
        }
    });
    return result;
}

WindowRequest TfrmREG::AnalysisRequest(LaunchFill fill, Reg* model) {
    switch (fill) {
    case LaunchFill::Chow:
        // The choice between a boundary and two groups is read at each use.
        return ChowRequest{model, [this] { return settings_ && settings_->Values().Chow_Test; }};
    case LaunchFill::MultiCollinearity: {
        // Only the model's explanatory variables; the window offers all.
        MclRequest mcl;
        mcl.model = model;
        return mcl;
    }
    case LaunchFill::Restrictions: {
        RestrictedRequest restricted{model, {}};
        const bool selectedOnly = settings_ && settings_->Values().RV_Selected;
        for (int j = 0; j < model->GetVarCount(); ++j)
            restricted.variableFlags.push_back(!selectedOnly || model->GetRole(j) != Reg::kRoleUnused ? 1 : 0);
        return restricted;
    }
    case LaunchFill::Ridge: {
        RidgeRequest ridge;
        ridge.model = model;
        return ridge;
    }
    case LaunchFill::Instrumental:
        // Whether the estimator takes the model's variables only is read
        // when it is built.
        return IVRequest{model, [this] { return settings_ && settings_->Values().IV_Selected; },
                         [this] { return settings_ ? settings_->Values().TextOut_Margin : 80; }};
    default: break;
    }
    LaunchRequest request;
    request.model = model;
    switch (fill) {
    case LaunchFill::RobustWeights: request.mode = 5; break;
    case LaunchFill::AutoRegressive: request.mode = 101; break;
    case LaunchFill::ReducedForm: request.twoStage = settings_ && settings_->Values().TSLS_Reduced; break;
    default: break;
    }
    return request;
}

void TfrmREG::LaunchAnalysis(const std::string& command) {
    const LaunchCommand* c = FindLaunchCommand(command);
    if (!c || !AnalysisWindows().Has(c->windowClass)) return;
    Reg* model = state_.Model();
    if (!NeedMet(c->need, model)) return;
    if (c->fromFit) model->RequireEstimate();
    if (c->need == LaunchNeed::Equations && HasTooFewEquations(*model)) {
        ErrorBox(state_.Services(), kTooFewEquations);
        return;
    }
    OpenAnalysisWindow(c->windowClass, AnalysisRequest(c->fill, model), c->showAlways, c->failMessage);
    // The window has closed (each runs modally): what it may have changed
    // shows now.
    if (c->after & kAfterEstimates) {
        UpdateTwoStageIndicator();
        RefreshActivePage();
    }
    if (c->after & kAfterVariables) {
        RefreshVariableList();
        RefreshActivePage();
    }
    if (c->after & kAfterPage) RefreshActivePage();
}

void TfrmREG::RunTransformation(int kind) {
    const char* windowClass = TransformationWindowClass(kind);
    Reg* model = state_.Model();
    if (!model || !AnalysisWindows().Has(windowClass)) return;
    std::vector<std::string> names;
    for (int j = 0; j < model->GetVarCount(); ++j) names.push_back(model->GetVarName(j));
    const auto chosen = Ask("変換する" + LoadStr(kStrChooseVariable), names);
    if (!chosen) return;
    const int j = model->FindVar(*chosen);
    if (j < 0 || j >= model->GetVarCount()) return;

    const int n = model->GetObsCount();
    std::vector<double> values(static_cast<std::size_t>(n));
    for (int i = 0; i < n; ++i) values[static_cast<std::size_t>(i)] = model->GetValue(i, j);
    std::string comment;
    LaunchRequest request;
    request.readModel = model;
    request.values = &values;
    request.comment = &comment;
    request.variableName = model->GetVarName(j);
    request.variable = j;
    request.kind = kind;
    request.commentWanted = settings_ && settings_->Values().ConvertedToComment;
    if (OpenAnalysisWindow(windowClass, request, false, nullptr) == mrOK && state_.Model() == model &&
        j < model->GetVarCount()) {
        // A window that handed back too few values changes nothing.
        if (static_cast<int>(values.size()) == n) {
            const DataEdit ed{*model, state_.Undo(), [this](const std::string& s) { return state_.IsReservedName(s); }};
            // The values are one step (re-estimated with the same roles), the
            // note in the comment another.
            SetVariableValuesWithUndo(ed, j, values);
            if (!comment.empty()) SetVariableCommentWithUndo(ed, j, model->GetVarInfo(j) + comment);
            RefreshVariableList();
        }
    }
    // The edit page shows the new values; the user stays where he was.
    tsEditShow();
    RefreshActivePage();
}

void TfrmREG::RelMatViewExecute() {
    Reg* model = state_.Model();
    if (!model || !AnalysisWindows().Has(kCorrelationWindow)) return;
    const int n = model->GetObsCount();
    std::vector<int> rows;
    if (CountMarkedObservations() >= kMinMarkedObservations) {
        for (int i = 0; i < n; ++i)
            if (IsMarked(ObservationMarks, i)) rows.push_back(i);
    } else {
        for (int i = 0; i < n; ++i) rows.push_back(i);
    }
    const int m = static_cast<int>(rows.size());
    LaunchRequest request;
    request.model = model;
    std::unique_ptr<TNamedData> table;
    std::unique_ptr<TFileMatrix> design;
    if (CountMarkedColumns(true) < 2) {
        const int k = model->GetVarCount();
        table = std::make_unique<TNamedData>(state_.Context(), m, k);
        for (int j = 0; j < k; ++j) {
            table->SetColumnName(j, model->GetVarName(j));
            table->SetSelected(j, model->GetRole(j) != Reg::kRoleUnused ? 1 : 0);
            for (int r = 0; r < m; ++r) table->SetValue(r, j, model->GetValue(rows[static_cast<std::size_t>(r)], j));
        }
        if (model->IsTwoStage()) {
            // The first-stage values are the fit's.
            model->RequireEstimate();
            const int cols = std::min(k, model->Fit().design.Cols());
            design = std::make_unique<TFileMatrix>(state_.Context(), m, k, 0.0);
            for (int r = 0; r < m; ++r)
                for (int j = 0; j < cols; ++j)
                    design->SetValue(r, j, model->GetDesignValue(rows[static_cast<std::size_t>(r)], j));
        }
        request.showSelection = true;
    } else {
        std::vector<ResultColumn> columns;
        const int marked = CountMarkedColumns(true);
        for (int t = 0; t < marked; ++t) {
            const ResultColumn c = TakeNextMarkedColumnCode();
            if (c.kind == ResultKind::None) break;
            columns.push_back(c);
        }
        for (const ResultColumn& c : columns)
            if (ReadsFit(c)) model->RequireEstimate();
        table = std::make_unique<TNamedData>(state_.Context(), m, static_cast<int>(columns.size()));
        for (std::size_t j = 0; j < columns.size(); ++j) {
            const int col = static_cast<int>(j);
            table->SetColumnName(col, ResultColumnTitle(*model, columns[j]));
            for (int r = 0; r < m; ++r)
                table->SetValue(r, col, ResultColumnValue(*model, columns[j], rows[static_cast<std::size_t>(r)]));
        }
    }
    request.table = table.get();
    request.designTable = design.get();
    OpenAnalysisWindow(kCorrelationWindow, request, false, nullptr);
    ObservationMarks.Clear();
    RefreshActivePage();
}
