// Opening analysis windows from the main window: commands stay disabled
// until their window is registered, each command's preconditions and
// messages, what the window is given, failures while a window is built,
// the transformation launcher's undo step and the correlation-matrix data;
// every window running modally under its opener; command hints on the bar
// of the window they are in.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QTimer>
#include <QWindow>
#include <QTest>
#include <QLineEdit>
#include <QPushButton>
#include <QStatusBar>
#include <QStatusTipEvent>
#include <QTabWidget>
#include <QToolButton>
#include <map>
#include <new>

#include "app/main_window/launch_table.h"
#include "components/view/grid_marks.h"
#include "app/settings/settings_dialog.h"
#include "core/data/equation.h"
#include "core/data/variable.h"
#include "core/data/variable_property_request.h"
#include "core/io/file_matrix.h"
#include "core/io/final_form_storage.h"
#include "core/model/regression_model.h"
#include "core/settings/grid_color_list.h"
#include "estimators/chow_request.h"
#include "estimators/mcl_request.h"
#include "estimators/prediction_request.h"
#include "estimators/restricted_request.h"
#include "estimators/ridge_request.h"
#include "estimators/yule_walker_request.h"
#include "eval/app_state.h"
#include "modal_window.h"
#include "platform/errors.h"
#include "simeq/iv_request.h"
#include "started_windows.h"
#include "stats/correlation_matrix_request.h"
#include "stats/fac_load_plot_request.h"
#include "stats/fundamental_stats_request.h"
#include "stats/pca_request.h"
#include "stats/xy_graph_request.h"
#include "support/sur_sample.h"

namespace {

// What a fake window was given and did.
struct FakeLog {
    int created = 0;
    int destroyed = 0;
    int filled = 0;
    int shown = 0;
    LaunchRequest last;
    std::vector<std::uint8_t> flags;
    std::vector<std::string> tableNames;
    std::vector<std::uint8_t> tableSelected;
    std::vector<std::vector<double>> tableRows;
    bool hadDesign = false;
    std::vector<std::vector<double>> designRows;
};

// How a fake window behaves.
struct FakeScript {
    bool fillResult = true;
    int modalResult = mrOK;
    enum class Throw { None, Memory, Own } throwOnFill = Throw::None;
    std::vector<double> handBack;  // written into the caller's series when not empty
    std::string comment;
};

class FakeWindow : public AnalysisWindow {
public:
    FakeWindow(FakeLog& log, const FakeScript& script) : log_(log), script_(script) { ++log_.created; }
    ~FakeWindow() override { ++log_.destroyed; }
    // Windows that take their own request: what the test reads is kept.
    bool Fill(const WindowRequest& request) override {
        LaunchRequest r;
        if (const auto* chow = request.As<ChowRequest>()) {
            r.model = const_cast<Reg*>(chow->model);
            return Fill(r);
        }
        if (const auto* mcl = request.As<MclRequest>()) {
            r.model = const_cast<Reg*>(mcl->model);
            r.mode = mcl->allVariables ? 1 : 0;
            return Fill(r);
        }
        if (const auto* restricted = request.As<RestrictedRequest>()) {
            r.model = restricted->model;
            r.variableFlags = &restricted->variableFlags;
            return Fill(r);
        }
        if (const auto* ridge = request.As<RidgeRequest>()) {
            r.model = ridge->model;
            return Fill(r);
        }
        if (const auto* iv = request.As<IVRequest>()) {
            r.model = iv->model;
            return Fill(r);
        }
        const auto* launch = request.As<LaunchRequest>();
        return launch && Fill(*launch);
    }
    bool Fill(const LaunchRequest& r) {
        ++log_.filled;
        log_.last = r;
        if (r.variableFlags) log_.flags = *r.variableFlags;
        if (r.table) {
            log_.tableNames.clear();
            log_.tableSelected.clear();
            log_.tableRows.clear();
            for (int j = 0; j < r.table->Cols(); ++j) {
                log_.tableNames.push_back(r.table->GetColumnName(j));
                log_.tableSelected.push_back(r.table->IsSelected(j));
            }
            for (int i = 0; i < r.table->Rows(); ++i) {
                std::vector<double> row;
                for (int j = 0; j < r.table->Cols(); ++j) row.push_back(r.table->GetValue(i, j));
                log_.tableRows.push_back(row);
            }
        }
        log_.hadDesign = r.designTable != nullptr;
        log_.designRows.clear();
        for (int i = 0; r.designTable && i < r.designTable->Rows(); ++i) {
            std::vector<double> row;
            for (int j = 0; j < r.designTable->Cols(); ++j) row.push_back(r.designTable->GetValue(i, j));
            log_.designRows.push_back(row);
        }
        if (script_.throwOnFill == FakeScript::Throw::Memory) throw std::bad_alloc();
        if (script_.throwOnFill == FakeScript::Throw::Own) throw Exception("窓の初期化に失敗しました");
        if (r.values && !script_.handBack.empty()) *r.values = script_.handBack;
        if (r.comment && r.commentWanted) *r.comment = script_.comment;
        return script_.fillResult;
    }
    int ShowModal() override {
        ++log_.shown;
        return script_.modalResult;
    }

private:
    FakeLog& log_;
    FakeScript script_;
};

class AnalysisLaunchTest : public StartedWindows {
protected:
    AnalysisLaunchTest() : StartedWindows("launch") {}

    // Registers a fake under the window class for the rest of the test.
    FakeLog& Fake(const std::string& windowClass, FakeScript script = {}) {
        logs_.push_back(std::make_unique<FakeLog>());
        FakeLog& log = *logs_.back();
        scopes_.push_back(std::make_unique<ScopedAnalysisWindow>(
            windowClass, [&log, script](const WindowContext&) { return std::make_unique<FakeWindow>(log, script); }));
        return log;
    }
    // X1 endogenous, X2 exogenous, Y endogenous; Y on X1 and X2 unless
    // regressors says otherwise.
    Reg* Open(std::vector<int> regressors = {0, 1}) {
        auto model = MakeModel({{1, 2, 3, 4, 5, 6}, {2, 1, 4, 3, 6, 5}, {1.5, 2.5, 2, 4, 4.5, 6.5}}, {1, 2, 1},
                               {"X1", "X2", "Y"});
        SaveAs(*model, dir_.Path("launch.MDF"));
        main_->OpenAndRemember(dir_.Path("launch.MDF"));
        Reg* m = state_.Model();
        m->SetDependent(2);
        for (int j : regressors) EXPECT_TRUE(m->ToggleVariable(j));
        ui_.ClearCalls();
        return m;
    }
    void Trigger(const std::string& command) {
        if (QAction* a = main_->Action(command)) {
            a->trigger();
        } else if (QPushButton* b = main_->EstimateButton(command)) {
            b->click();
        } else {
            ADD_FAILURE() << "no command " << command;
        }
    }
    bool Enabled(const std::string& command) {
        if (QAction* a = main_->Action(command)) return a->isEnabled();
        if (QPushButton* b = main_->EstimateButton(command)) return b->isEnabled();
        ADD_FAILURE() << "no command " << command;
        return false;
    }

    std::vector<std::unique_ptr<FakeLog>> logs_;
    std::vector<std::unique_ptr<ScopedAnalysisWindow>> scopes_;
};

using Strings = std::vector<std::string>;

TEST_F(AnalysisLaunchTest, CommandsAreEnabledExactlyWhileTheirWindowIsRegistered) {
    for (const LaunchCommand& c : LaunchCommands()) {
        // Windows that are part of the program.
        const std::string builtIn = c.windowClass;
        if (builtIn == "TAboutBox" || builtIn == "TfrmUD" || builtIn == "TfrmJNE" || builtIn == "TfrmMLE") continue;
        // These two follow the model as well (below).
        if (std::string(c.command) == "btnAutoSel" || std::string(c.command) == "btnMCL") continue;
        SCOPED_TRACE(c.command);
        // Windows of the program itself start registered.
        AnalysisWindows().Unregister(c.windowClass);
        EXPECT_FALSE(Enabled(c.command));
        {
            ScopedAnalysisWindow w(c.windowClass, [](const WindowContext&) { return std::unique_ptr<AnalysisWindow>(); });
            EXPECT_TRUE(Enabled(c.command));
        }
        EXPECT_FALSE(Enabled(c.command));
    }
    EXPECT_TRUE(Enabled("About1"));
    EXPECT_TRUE(Enabled("UserDef"));
    EXPECT_TRUE(Enabled("btnJNE"));
    EXPECT_TRUE(Enabled("mnuTobit"));
    // Every transformation window is part of the program.
    for (const TransformationCommand& t : TransformationCommands()) EXPECT_TRUE(Enabled(t.command)) << t.command;
    AnalysisWindows().Unregister("TfrmHenkan");
    for (const TransformationCommand& t : TransformationCommands())
        EXPECT_EQ(Enabled(t.command), t.kind > 3) << t.command;
    {
        ScopedAnalysisWindow w("TfrmHenkan", [](const WindowContext&) { return std::unique_ptr<AnalysisWindow>(); });
        for (const char* name : {"mnuExpConv", "mnuEV", "mnuARE", "mnuMAF"}) EXPECT_TRUE(Enabled(name)) << name;
    }
    AnalysisWindows().Unregister("TfrmPreREG");
    EXPECT_FALSE(Enabled("mnuPreREG"));
    EXPECT_TRUE(Enabled("mnuYWxchg"));
    // The correlation matrix window is part of the program too.
    EXPECT_TRUE(Enabled("RelMatView"));
    AnalysisWindows().Unregister("TfrmRelative");
    EXPECT_FALSE(Enabled("RelMatView"));
}

TEST_F(AnalysisLaunchTest, SelectionAndCollinearityButtonsFollowTheModelOnceTheirWindowsExist) {
    struct Case {
        int variables;
        std::vector<int> regressors;
        bool autoSel, mcl;
    };
    // Selection: two variables or more; collinearity: two explanatory.
    const Case cases[] = {{3, {0, 1}, true, true}, {3, {0}, true, false}, {3, {}, true, false},
                          {2, {0}, true, false}};
    Fake("TAutoSelectDlg");
    Fake("TfrmMCL");
    EXPECT_FALSE(Enabled("btnAutoSel"));  // no data set
    EXPECT_FALSE(Enabled("btnMCL"));
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.variables) + " variables, " + std::to_string(c.regressors.size()));
        if (c.variables == 3) {
            Open(c.regressors);
        } else {
            auto model = MakeModel({{1, 2, 3, 4, 5, 6}, {1.5, 2.5, 2, 4, 4.5, 6.5}}, {}, {"X1", "Y"});
            SaveAs(*model, dir_.Path("two.MDF"));
            main_->OpenAndRemember(dir_.Path("two.MDF"));
            state_.Model()->SetDependent(1);
            ASSERT_TRUE(state_.Model()->ToggleVariable(0));
        }
        main_->Action("mnuSelectView")->trigger();
        EXPECT_EQ(Enabled("btnAutoSel"), c.autoSel);
        EXPECT_EQ(Enabled("btnMCL"), c.mcl);
    }
}

TEST_F(AnalysisLaunchTest, WithoutDataOnlyTheDataFreeCommandsOpen) {
    for (const LaunchCommand& c : LaunchCommands()) {
        if (std::string(c.windowClass) == "TAboutBox") continue;
        SCOPED_TRACE(c.command);
        FakeLog& log = Fake(c.windowClass);
        Trigger(c.command);
        const bool free = c.need == LaunchNeed::Nothing;
        EXPECT_EQ(log.created, free ? 1 : 0);
        EXPECT_EQ(log.shown, free ? 1 : 0);
        EXPECT_EQ(log.destroyed, log.created);
        scopes_.clear();
    }
    EXPECT_TRUE(ui_.MessageTexts().empty());
}

struct NeedCase {
    const char* command;
    const char* windowClass;
    std::vector<int> regressors;
    bool opens;
};

TEST_F(AnalysisLaunchTest, VariableCountsDecideWhetherAWindowOpens) {
    const NeedCase cases[] = {
        {"btnMCL", "TfrmMCL", {0}, false},       {"btnMCL", "TfrmMCL", {0, 1}, true},
        {"mnuRidge", "TfrmRidge", {0}, false},   {"mnuRidge", "TfrmRidge", {0, 1}, true},
        {"btnAutoSel", "TAutoSelectDlg", {}, true}, {"btnJNE", "TfrmJNE", {0}, true},
    };
    for (const NeedCase& c : cases) {
        SCOPED_TRACE(std::string(c.command) + " with " + std::to_string(c.regressors.size()));
        Reg* m = Open(c.regressors);
        FakeLog& log = Fake(c.windowClass);
        Trigger(c.command);
        EXPECT_EQ(log.shown, c.opens ? 1 : 0);
        if (c.opens) {
            EXPECT_EQ(log.last.model, m);
        }
        EXPECT_TRUE(ui_.MessageTexts().empty());
        scopes_.clear();
    }
}

struct FillCase {
    const char* command;
    const char* windowClass;
    bool fillResult;
    bool shown;
    Strings errors;
};

TEST_F(AnalysisLaunchTest, AFillThatFindsNothingShowsOnlyTheListedMessages) {
    const FillCase cases[] = {
        {"mnuChowTest", "TfrmChow", false, false, {"データ不足"}},
        {"mnuChowTest", "TfrmChow", true, true, {}},
        {"mnuSURE", "TfrmSURE", false, false, {}},
        {"btnANOVA", "TfrmAnova", false, false, {}},
        {"mnuIVEst", "TfrmIV", false, true, {}},   // shown whatever the fill says
        {"PCARun", "TfrmPCA", false, true, {}},
        {"mnuTobit", "TfrmMLE", false, false, {}},
    };
    Open();
    for (const FillCase& c : cases) {
        SCOPED_TRACE(std::string(c.command) + (c.fillResult ? " filled" : " empty"));
        FakeScript script;
        script.fillResult = c.fillResult;
        FakeLog& log = Fake(c.windowClass, script);
        for (std::size_t e = 0; e < c.errors.size(); ++e) ui_.QueueOK();
        Trigger(c.command);
        EXPECT_EQ(log.filled, 1);
        EXPECT_EQ(log.shown, c.shown ? 1 : 0);
        EXPECT_EQ(log.destroyed, 1);
        EXPECT_EQ(ui_.MessageTexts(), c.errors);
        ui_.ClearCalls();
        scopes_.clear();
    }
}

TEST_F(AnalysisLaunchTest, WeightedRegressionModes) {
    Open();
    FakeLog& log = Fake("TfrmWLS");
    Trigger("WREGRun");
    EXPECT_EQ(log.last.mode, 5);
    Trigger("mnuGLS");
    EXPECT_EQ(log.last.mode, 101);
    EXPECT_EQ(log.shown, 2);
}

TEST_F(AnalysisLaunchTest, RestrictionFlagsFollowTheSelectedVariablesSetting) {
    Reg* m = Open({1});  // Y on X2: X1 has no role
    (void)m;
    FakeLog& log = Fake("TfrmRREG");
    ProgramSettings& v = windows_->SetteiDlg->Settings().Values();
    v.RV_Selected = false;
    Trigger("mnuRest");
    EXPECT_EQ(log.flags, (std::vector<std::uint8_t>{1, 1, 1}));
    v.RV_Selected = true;
    Trigger("mnuRest");
    EXPECT_EQ(log.flags, (std::vector<std::uint8_t>{0, 1, 1}));
}

TEST_F(AnalysisLaunchTest, ReducedFormNeedsAnEquationPerEndogenousVariable) {
    Reg* m = Open();
    FakeLog& log = Fake("TfrmRF");
    Trigger("ReducedF");  // no equations: nothing, no message
    EXPECT_EQ(log.created, 0);
    EXPECT_TRUE(ui_.MessageTexts().empty());

    const double coefs[] = {0.5, 2.0};
    const std::string names[] = {"X2", "定数項"};
    m->AddExpres(Expres("Y", 2, false, coefs, names));
    ui_.QueueOK();
    Trigger("ReducedF");  // Y and X1 endogenous, one equation
    EXPECT_EQ(log.created, 0);
    EXPECT_EQ(ui_.MessageTexts(), Strings{"式の数が足りません。"});

    m->AddExpres(Expres("X1", 2, false, coefs, names));
    windows_->SetteiDlg->Settings().Values().TSLS_Reduced = true;
    Trigger("ReducedF");
    EXPECT_EQ(log.shown, 1);
    EXPECT_TRUE(log.last.twoStage);
}

TEST_F(AnalysisLaunchTest, AWindowThatFailsReportsItsOwnErrorAndIsDestroyed) {
    Open();
    FakeScript memory;
    memory.throwOnFill = FakeScript::Throw::Memory;
    FakeLog& m = Fake("TfrmJNE", memory);
    ui_.QueueOK();
    Trigger("btnJNE");
    EXPECT_EQ(m.shown, 0);
    EXPECT_EQ(m.destroyed, 1);
    EXPECT_EQ(ui_.MessageTexts(), Strings{"メモリーの確保に失敗しました。"});
    ui_.ClearCalls();

    FakeScript own;
    own.throwOnFill = FakeScript::Throw::Own;
    FakeLog& o = Fake("TfrmMLE", own);
    ui_.QueueOK();
    Trigger("mnuTobit");
    EXPECT_EQ(o.destroyed, 1);
    ASSERT_EQ(ui_.MessageTexts().size(), 1u);
    EXPECT_NE(ui_.MessageTexts()[0].find("窓の初期化に失敗しました"), std::string::npos);
    EXPECT_EQ(ui_.MessageTexts()[0].find("メモリー"), std::string::npos);
    ui_.ClearCalls();

    // A window that cannot even be created.
    ScopedAnalysisWindow broken("TfrmSURE", [](const WindowContext&) -> std::unique_ptr<AnalysisWindow> { throw std::bad_alloc(); });
    ui_.QueueOK();
    Trigger("mnuSURE");
    EXPECT_EQ(ui_.MessageTexts(), Strings{"メモリーの確保に失敗しました。"});
    ui_.ClearCalls();

    // The main window goes on: another command opens its window.
    FakeLog& next = Fake("TfrmChow");
    Trigger("mnuChowTest");
    EXPECT_EQ(next.shown, 1);
}

TEST_F(AnalysisLaunchTest, TransformationPromptCancelledOrUnknownChangesNothing) {
    Reg* m = Open();
    FakeLog& log = Fake("TfrmHenkan");
    ui_.QueueCancel();
    Trigger("mnuEV");
    ui_.QueueInput("Z");
    Trigger("mnuEV");
    EXPECT_EQ(log.created, 0);
    const auto prompts = ui_.CallsOf(ServiceCall::Input);
    ASSERT_EQ(prompts.size(), 2u);
    EXPECT_EQ(prompts[0].text, "変換する変数の選択");
    EXPECT_EQ(prompts[0].items, (Strings{"X1", "X2", "Y"}));
    EXPECT_EQ(state_.Undo().UndoStepCount(), 0);
    EXPECT_EQ(m->GetValue(0, 0), 1.0);
}

struct TransformCase {
    const char* command;
    const char* windowClass;
    int kind;
    bool toComment;
    int modalResult;
};

TEST_F(AnalysisLaunchTest, TransformationRecordsValuesAndCommentAsTheirOwnSteps) {
    const TransformCase cases[] = {
        {"mnuExpConv", "TfrmHenkan", 0, true, mrOK},   {"mnuMAF", "TfrmHenkan", 3, false, mrOK},
        {"mnuPreREG", "TfrmPreREG", 4, true, mrOK},    {"mnuYWxchg", "TfrmYWEst", 5, true, mrOK},
        {"mnuARE", "TfrmHenkan", 2, true, mrCancel},
    };
    const std::vector<double> original{2, 1, 4, 3, 6, 5};
    const std::vector<double> handed{0.25, -1.5, 3.125, 1e-9, 7, 8.5};
    for (const TransformCase& c : cases) {
        SCOPED_TRACE(c.command);
        Reg* m = Open();
        state_.Undo().ClearAll();
        windows_->SetteiDlg->Settings().Values().ConvertedToComment = c.toComment;
        FakeScript script;
        script.handBack = handed;
        script.comment = "->T(1)";
        script.modalResult = c.modalResult;
        FakeLog& log = Fake(c.windowClass, script);
        const std::string oldComment = m->GetVarInfo(1);
        ui_.QueueInput("X2");
        main_->Action("mnuSelectView")->trigger();
        Trigger(c.command);
        // The user stays on the page he was on.
        EXPECT_EQ(main_->Pages()->currentIndex(), 1);
        EXPECT_EQ(log.last.kind, c.kind);
        EXPECT_EQ(log.last.variable, 1);
        EXPECT_EQ(log.last.variableName, "X2");
        EXPECT_EQ(log.last.commentWanted, c.toComment);
        EXPECT_EQ(log.last.model, nullptr);  // nothing to write the data set through
        EXPECT_EQ(log.last.readModel, m);
        const bool applied = c.modalResult == mrOK;
        for (int i = 0; i < 6; ++i)
            EXPECT_EQ(m->GetValue(i, 1), applied ? handed[static_cast<std::size_t>(i)] : original[static_cast<std::size_t>(i)]);
        EXPECT_EQ(m->GetVarInfo(1), applied && c.toComment ? oldComment + "->T(1)" : oldComment);
        // The values are one step, the note in the comment another.
        EXPECT_EQ(state_.Undo().UndoStepCount(), applied ? (c.toComment ? 2 : 1) : 0);
        if (applied && c.toComment) {
            main_->Action("UndoEdit")->trigger();
            EXPECT_EQ(m->GetVarInfo(1), oldComment);
            EXPECT_EQ(m->GetValue(0, 1), handed[0]);
        }
        if (applied) {
            main_->Action("UndoEdit")->trigger();
            for (int i = 0; i < 6; ++i) EXPECT_EQ(m->GetValue(i, 1), original[static_cast<std::size_t>(i)]);
            EXPECT_EQ(m->GetVarInfo(1), oldComment);
        }
        scopes_.clear();
    }
}

TEST_F(AnalysisLaunchTest, CorrelationMatrixTakesAllVariablesAndTheMarkedObservations) {
    Reg* m = Open({1});  // X1 has no role
    FakeLog& log = Fake("TfrmRelative");
    for (int i : {0, 2, 4}) main_->ObservationMarks.Set(i, 1);
    Trigger("RelMatView");  // three marks: every observation
    ASSERT_EQ(log.shown, 1);
    EXPECT_EQ(log.tableNames, (Strings{"X1", "X2", "Y"}));
    EXPECT_EQ(log.tableSelected, (std::vector<std::uint8_t>{0, 1, 1}));
    ASSERT_EQ(log.tableRows.size(), 6u);
    EXPECT_EQ(log.tableRows[5], (std::vector<double>{6, 5, 6.5}));
    EXPECT_TRUE(log.last.showSelection);
    EXPECT_FALSE(log.hadDesign);
    EXPECT_EQ(CountMarked(main_->ObservationMarks), 0);

    for (int i : {0, 2, 4, 5}) main_->ObservationMarks.Set(i, 1);
    Trigger("RelMatView");
    const std::vector<std::vector<double>> rows{{1, 2, 1.5}, {3, 4, 2}, {5, 6, 4.5}, {6, 5, 6.5}};
    EXPECT_EQ(log.tableRows, rows);
    (void)m;
}

TEST_F(AnalysisLaunchTest, CorrelationMatrixUnderTwoStagesAlsoGetsTheDesignRows) {
    // X1 endogenous, X2 and Z exogenous; Y on X1 and X2, Z an instrument.
    auto model = MakeModel({{1, 2, 3, 4, 5, 6}, {2, 1, 4, 3, 6, 5}, {3, 1, 2, 6, 4, 5}, {1.5, 2.5, 2, 4, 4.5, 6.5}},
                           {1, 2, 2, 1}, {"X1", "X2", "Z", "Y"});
    SaveAs(*model, dir_.Path("two.MDF"));
    main_->OpenAndRemember(dir_.Path("two.MDF"));
    Reg* m = state_.Model();
    m->SetDependent(3);
    ASSERT_TRUE(m->ToggleVariable(0));
    ASSERT_TRUE(m->ToggleVariable(1));
    m->SetTwoStage(true);
    m->Reestimate(false);
    ASSERT_TRUE(m->IsTwoStage());
    ui_.ClearCalls();
    FakeLog& log = Fake("TfrmRelative");
    for (int i : {1, 2, 3, 5}) main_->ObservationMarks.Set(i, 1);
    Trigger("RelMatView");
    ASSERT_TRUE(log.hadDesign);
    ASSERT_EQ(log.designRows.size(), 4u);
    // X2 is exogenous: its design column is its own data at the marked rows.
    const double x2[] = {1, 4, 3, 5};
    for (std::size_t r = 0; r < 4; ++r) {
        ASSERT_EQ(log.designRows[r].size(), 4u);
        EXPECT_EQ(log.designRows[r][1], x2[r]) << r;
    }
}

TEST_F(AnalysisLaunchTest, CorrelationMatrixOfMarkedColumnsTakesOnlyThoseAndClearsTheirMarks) {
    Open();
    FakeLog& log = Fake("TfrmRelative");
    main_->EditColumnMarks.Resize(3);
    main_->EditColumnMarks.Set(2, 1);
    main_->EditColumnMarks.Set(0, 1);
    Trigger("RelMatView");
    ASSERT_EQ(log.shown, 1);
    EXPECT_EQ(log.tableNames, (Strings{"X1", "Y"}));
    EXPECT_EQ(log.tableRows[1], (std::vector<double>{2, 2.5}));
    EXPECT_FALSE(log.last.showSelection);
    EXPECT_EQ(CountMarked(main_->EditColumnMarks), 0);
}

// A real dialog registered the usual way: filled, shown modally, closed.
class TestDialog : public QDialog {
public:
    explicit TestDialog(QWidget* owner) : QDialog(owner) {}
};

TEST_F(AnalysisLaunchTest, DialogClassesRegisterWithTheirFillOperation) {
    Reg* m = Open();
    const Reg* given = nullptr;
    RegisterDialogWindow<TestDialog>("TfrmJNE", [&](TestDialog&, const LaunchRequest& r) {
        given = r.model;
        return true;
    });
    bool shown = false;
    QTimer::singleShot(0, [&] {
        if (auto* d = dynamic_cast<TestDialog*>(QApplication::activeModalWidget())) {
            shown = true;
            d->accept();
        }
    });
    Trigger("btnJNE");
    AnalysisWindows().Unregister("TfrmJNE");
    EXPECT_TRUE(shown);
    EXPECT_EQ(given, m);
    EXPECT_FALSE(Enabled("btnJNE"));
}

// The owner of the dialog running modally, which must be of the class.
QWidget* OwnerOf(const std::string& windowClass, QDialog& d) {
    EXPECT_EQ(windowClass, d.metaObject()->className());
    return d.parentWidget();
}

// Every registered window, opened through the registry with a request it
// takes, runs modally owned by its opener. A window registered without a
// row here fails the test.
TEST_F(AnalysisLaunchTest, EveryRegisteredWindowRunsModallyOwnedByItsOpener) {
    // x1, x2 exogenous, y1 and y2 endogenous; y1 on x1 and x2, an equation
    // for each endogenous variable.
    SaveAs(*SurSampleModel({2, 2, 1, 1}), dir_.Path("all.MDF"));
    main_->OpenAndRemember(dir_.Path("all.MDF"));
    Reg* m = state_.Model();
    m->SetDependent(2);
    for (int j : {0, 1}) ASSERT_TRUE(m->ToggleVariable(j));
    const double coefs[] = {0.5, 1.0, 2.0};
    const std::string names[] = {"x1", "x2", "定数項"};
    for (const char* y : {"y1", "y2"}) m->AddExpres(Expres(y, 3, false, coefs, names));
    FFElement c;
    c.SetHead(FFCell("y1", 1, 1.0, 0));
    c.AppendTerm(FFCell("y2", 1, 1.0, 0));
    state_.FinalForms().work.Clear();
    state_.FinalForms().work.Append(c);
    ui_.ClearCalls();

    const int n = m->GetObsCount();
    std::vector<double> x1, y1;
    TNamedData table(state_.Context(), n, 3);
    for (int j = 0; j < 3; ++j) table.SetColumnName(j, m->GetVarName(j));
    for (int i = 0; i < n; ++i) {
        for (int j = 0; j < 3; ++j) table.SetValue(i, j, m->GetValue(i, j));
        x1.push_back(m->GetValue(i, 0));
        y1.push_back(m->GetValue(i, 2));
    }
    const PredictionModel constantOnly{{1.0}, Matrix(1, 1, 1.0 / n), {}, 1.0, n, 0, n - 1};
    Var scratch("Z0", "Z0", y1.data(), n);
    std::vector<double> series = y1;
    std::string comment;
    GridColorList colors;
    LaunchRequest onModel, transform, colorTable;
    onModel.model = m;
    transform.readModel = m;
    transform.values = &series;
    transform.comment = &comment;
    transform.variableName = "y1";
    transform.variable = 2;
    colorTable.colors = &colors;
    LaunchRequest robust = onModel;
    robust.mode = 5;

    const std::map<std::string, WindowRequest> requests = {
        {"TAboutBox", LaunchRequest{}},
        {"TAutoSelectDlg", onModel},
        {"TfrmAnova", onModel},
        {"TfrmChow", ChowRequest{m, {}}},
        {"TfrmColorSel", colorTable},
        {"TfrmFFA", LaunchRequest{}},
        {"TfrmFacLoadPlot", FacLoadPlotRequest{nullptr, {0.5, -0.5}, "x", {0.1, 0.2}, "y", {"a", "b"}}},
        {"TfrmFund", FundamentalStatsRequest{"y1", y1, 0}},
        {"TfrmGraphXY", XYGraphRequest{"x1", "y1", x1.data(), y1.data(), n, 0, false, {}, -1, -1}},
        {"TfrmHenkan", transform},
        {"TfrmIV", IVRequest{m, {}, {}}},
        {"TfrmJNE", onModel},
        {"TfrmMCL", MclRequest{m, nullptr, nullptr, false}},
        {"TfrmMLE", onModel},
        {"TfrmPCA", PcaRequest{m, nullptr}},
        {"TfrmPreREG", transform},
        {"TfrmPredict", PredictionRequest{constantOnly}},
        {"TfrmProperty", VariablePropertyRequest{&scratch, true}},
        {"TfrmRF", onModel},
        {"TfrmRREG", RestrictedRequest{m, {1, 1, 1, 1}}},
        {"TfrmRelative", CorrelationMatrixRequest{&table, nullptr, true}},
        {"TfrmRidge", RidgeRequest{m, nullptr, -1, {}}},
        {"TfrmSURE", onModel},
        {"TfrmUD", LaunchRequest{}},
        {"TfrmWLS", robust},
        {"TfrmYWEst", YuleWalkerRequest{"y1", y1, 1}},
    };
    for (const std::string& windowClass : AnalysisWindows().Classes()) {
        SCOPED_TRACE(windowClass);
        const auto row = requests.find(windowClass);
        ASSERT_NE(row, requests.end()) << "no request";
        QWidget* owner = nullptr;
        EXPECT_TRUE(WhileModal<QDialog>([&] { OpenWindow(windowClass, main_->ViewContext(), row->second); },
                                        [&](QDialog& d) { owner = OwnerOf(windowClass, d); }));
        EXPECT_EQ(owner, main_);
        EXPECT_TRUE(ui_.MessageTexts().empty());
        ui_.ClearCalls();
    }
}

// Triggers the window's action.
void TriggerIn(QWidget& window, const char* action) {
    if (auto* a = window.findChild<QAction*>(action))
        a->trigger();
    else
        ADD_FAILURE() << "no " << action;
}

// What a window opens runs modally owned by it: the jackknife window's
// graph, and that graph's statistics (the graph hands out its own context).
TEST_F(AnalysisLaunchTest, WhatAWindowOpensRunsModallyOwnedByIt) {
    Open();
    bool innermost = false;
    EXPECT_TRUE(WhileModal<QDialog>([&] { Trigger("btnJNE"); }, [&](QDialog& jne) {
        EXPECT_EQ(OwnerOf("TfrmJNE", jne), main_);
        EXPECT_TRUE(WhileModal<QDialog>([&] { TriggerIn(jne, "EYPlot"); }, [&](QDialog& graph) {
            EXPECT_EQ(OwnerOf("TfrmGraphXY", graph), &jne);
            innermost = WhileModal<QDialog>([&] { TriggerIn(graph, "XFund"); },
                                            [&](QDialog& fund) { EXPECT_EQ(OwnerOf("TfrmFund", fund), &graph); });
        }));
    }));
    EXPECT_TRUE(innermost);
    EXPECT_TRUE(ui_.MessageTexts().empty());
}

// While the instrumental-variable window is open, a value typed into the
// main window's input box never reaches the data set: the main window
// takes no input until the window closes, and the fit shown stays the fit
// of the data.
TEST_F(AnalysisLaunchTest, TheDataCannotBeEditedWhileTheInstrumentalVariableWindowIsOpen) {
    Reg* m = Open();
    main_->show();
    QApplication::setActiveWindow(main_);
    ASSERT_TRUE(QTest::qWaitForWindowActive(main_));
    main_->Pages()->setCurrentIndex(0);
    main_->EditGrid()->SetCurrentCell(1, 1);
    main_->sgEditClick();
    QLineEdit* line = main_->InputBox()->lineEdit();
    line->setFocus();
    line->clear();
    const double before = m->GetValue(0, 0);
    const int steps = state_.Undo().UndoStepCount();
    QWindow* window = main_->windowHandle();
    ASSERT_NE(window, nullptr);

    // Keys through the window system, as the user types them, once the
    // command has opened its window (the window's own loop, or after the
    // command for a window that does not wait).
    std::string running;
    QTimer typing;
    typing.setSingleShot(true);
    QObject::connect(&typing, &QTimer::timeout, [&] {
        QWidget* modal = QApplication::activeModalWidget();
        running = modal ? modal->metaObject()->className() : "";
        for (char key : {'4', '2'}) QTest::keyClick(window, key);
        QTest::keyClick(window, Qt::Key_Return);
        if (modal) modal->close();
    });
    typing.start(0);
    Trigger("mnuIVEst");
    for (int k = 0; k < 10 && typing.isActive(); ++k) QCoreApplication::processEvents();
    EXPECT_EQ(running, "TfrmIV");
    EXPECT_EQ(m->GetValue(0, 0), before);
    EXPECT_EQ(state_.Undo().UndoStepCount(), steps);
    EXPECT_TRUE(line->text().isEmpty());

    // Closed, the main window takes the same keys again.
    for (char key : {'4', '2'}) QTest::keyClick(window, key);
    QTest::keyClick(window, Qt::Key_Return);
    EXPECT_EQ(m->GetValue(0, 0), 42.0);
}

// The principal component and instrumental-variable windows show the hint
// of the command under the mouse on their own status bars.
TEST_F(AnalysisLaunchTest, HintsShowOnTheBarOfTheWindowTheyArePointedAtIn) {
    Open();
    for (const auto& [command, windowClass] : {std::pair{"PCARun", "TfrmPCA"}, std::pair{"mnuIVEst", "TfrmIV"}}) {
        SCOPED_TRACE(windowClass);
        EXPECT_TRUE(WhileModal<QDialog>([&] { Trigger(command); }, [&](QDialog& d) {
            EXPECT_STREQ(d.metaObject()->className(), windowClass);
            QToolButton* button = nullptr;
            for (QToolButton* b : d.findChildren<QToolButton*>())
                if (!button && b->defaultAction() && !b->defaultAction()->statusTip().isEmpty()) button = b;
            ASSERT_NE(button, nullptr);
            QStatusTipEvent tip(button->defaultAction()->statusTip());
            QApplication::sendEvent(button, &tip);
            QStatusBar* bar = d.findChild<QStatusBar*>();
            ASSERT_NE(bar, nullptr);
            EXPECT_EQ(bar->currentMessage(), tip.tip());
        }));
    }
}

}  // namespace
