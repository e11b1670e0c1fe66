// A macro's "%load", "%undo" and "%redo" reach the main window's own
// commands through the services, as the application wires them: the window
// asks to save, shows the loaded data set and refreshes after undo and redo.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "app/application.h"
#include "app/main_window/main_window.h"
#include "core/model/regression_file.h"
#include "core/model/regression_model.h"
#include "eval/app_state.h"
#include "gui_fixture.h"
#include "macro/macro_compile.h"
#include "macro/macro_run.h"
#include "platform/qt/string_grid.h"
#include "support/model_builder.h"
#include "support/scripted_services.h"

namespace {

// Scripted answers, and the window commands handed to the main window.
class WindowServices : public ScriptedServices {
public:
    TfrmREG* main = nullptr;
    bool UndoEditCommand() override {
        ScriptedServices::UndoEditCommand();
        main->UndoEditExecute();
        return true;
    }
    bool RedoEditCommand() override {
        ScriptedServices::RedoEditCommand();
        main->RedoEditExecute();
        return true;
    }
    void RefreshAfterLoad() override {
        ScriptedServices::RefreshAfterLoad();
        main->RefreshAfterLoad();
    }
    bool ConfirmSaveIfModified() override {
        ScriptedServices::ConfirmSaveIfModified();
        return main->ConfirmSaveIfModified();
    }
};

class MacroWindowCommandsTest : public ::testing::Test {
protected:
    MacroWindowCommandsTest() : dir_("macro_window_commands") {
        TestApp();
        ui_.SetFailOnUnusedAnswers(false);
        state_.SetServices(&ui_);
        WriteText(dir_.Path("MERLOX.ini"), "[DIR]\ndata=" + dir_.Path() + "/\n");
        windows_ = StartApplication(state_, nullptr, dir_.Path("MERLOX.ini"), {});
        main_ = windows_->frmREG.get();
        ui_.main = main_;
        auto model = MakeModel({{1, 2, 3}, {4, 6, 5}}, {}, {"A", "B"});
        SaveAs(*model, dir_.Path("t.MDF"));
    }
    ~MacroWindowCommandsTest() override {
        windows_.reset();
        state_.SetServices(nullptr);
    }

    std::string Run(const std::string& body) {
        try {
            MacroCompile compiler(state_);
            compiler.CompileProgram("macro m { " + body + " }");
            MacroObject object;
            compiler.LinkProgram(object);
            MacroRun run(state_);
            run.Run(object);
        } catch (const Exception& e) {
            return e.Message();
        }
        return {};
    }

    ScratchFolder dir_;
    WindowServices ui_;
    AppState state_;
    std::unique_ptr<ApplicationWindows> windows_;
    TfrmREG* main_ = nullptr;
};

TEST_F(MacroWindowCommandsTest, LoadShowsTheDataSetInTheWindow) {
    ASSERT_EQ(Run("%load \"t.MDF\""), "");
    ASSERT_NE(state_.Model(), nullptr);
    EXPECT_NE(main_->windowTitle().toStdString().find("t.MDF"), std::string::npos);
    EXPECT_EQ(main_->EditGrid()->Cell(1, 0), "A");
    EXPECT_EQ(main_->EditGrid()->Cell(2, 0), "B");
}

// The window asks before a modified data set is replaced; Cancel keeps it
// and ends the run.
TEST_F(MacroWindowCommandsTest, LoadAsksToSaveAModifiedDataSet) {
    ASSERT_EQ(Run("%load \"t.MDF\" %xchgdata 1, 3"), "");
    ui_.QueueCancel();
    EXPECT_EQ(Run("%load \"t.MDF\""), "システムエラー at 16");
    ASSERT_EQ(ui_.CallsOf(ServiceCall::MessageBox).size(), 1u);
    EXPECT_EQ(state_.Model()->GetValue(0, 0), 3.0);
    ui_.QueueNo();
    ASSERT_EQ(Run("%load \"t.MDF\""), "");
    EXPECT_EQ(state_.Model()->GetValue(0, 0), 1.0);
}

TEST_F(MacroWindowCommandsTest, UndoAndRedoRefreshTheWindow) {
    ASSERT_EQ(Run("%load \"t.MDF\" %rename \"A\", \"C\""), "");
    ui_.ClearCalls();
    ASSERT_EQ(Run("%undo"), "");
    EXPECT_EQ(state_.Model()->GetVarName(0), "A");
    EXPECT_FALSE(ui_.UndoEditEnabled());
    EXPECT_TRUE(ui_.RedoEditEnabled());
    ASSERT_EQ(Run("%redo"), "");
    EXPECT_EQ(state_.Model()->GetVarName(0), "C");
    EXPECT_EQ(main_->EditGrid()->Cell(1, 0), "C");
    EXPECT_TRUE(ui_.UndoEditEnabled());
}

}  // namespace
