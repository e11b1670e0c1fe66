// Start-up: the eight windows in order, the settings read, the data file of
// the command line open before the event loop runs.
#include <gtest/gtest.h>

#include <QTabWidget>
#include <QWindow>

#include "app/application.h"
#include "app/main_window/main_window.h"
#include "app/placeholder_windows.h"
#include "app/settings/settings_dialog.h"
#include "core/model/regression_model.h"
#include "eval/app_state.h"
#include "gui_fixture.h"
#include "platform/qt/qt_translations.h"
#include "support/scripted_services.h"

namespace {

class StartupTest : public ::testing::Test {
protected:
    StartupTest() : dir_("startup") {
        TestApp();
        state_.SetServices(&ui_);
    }
    ~StartupTest() override { state_.SetServices(nullptr); }

    std::unique_ptr<ApplicationWindows> Start(const std::vector<std::string>& args) {
        return StartApplication(state_, nullptr, dir_.Path("MERLOX.ini"), args);
    }
    void UseDataFolder() {
        WriteText(dir_.Path("MERLOX.ini"), "[DIR]\ndata=" + dir_.Path() + "\n");
    }

    ScratchFolder dir_;
    ScriptedServices ui_;
    AppState state_;
};

TEST_F(StartupTest, CreatesTheEightWindowsInOrderAndReadsTheSettings) {
    WriteText(dir_.Path("MERLOX.ini"), "[FLAGS]\nLevel=5\nAutoSave=1\n[TEXT]\nTextOut_Margin=100\n");
    auto windows = Start({});
    ASSERT_TRUE(windows);
    const std::vector<std::string> expected = {"TfrmREG",    "TfrmInputAssist", "TfrmFind",     "TfrmMacro",
                                               "TInputDlg",  "TfrmReplace",     "TfrmProperty", "TSetteiDlg"};
    EXPECT_EQ(windows->creationOrder, expected);
    EXPECT_TRUE(windows->SetteiDlg->Values().AutoSave);
    EXPECT_EQ(windows->SetteiDlg->Values().TextOut_Margin, 100);
    EXPECT_EQ(state_.Work().runNumber, 5);
    EXPECT_NE(ReadText(dir_.Path("MERLOX.ini")).find("Level=6"), std::string::npos);
    EXPECT_EQ(state_.Model(), nullptr);
    EXPECT_EQ(windows->frmREG->windowTitle().toStdString(), kApplicationTitle);
}

TEST_F(StartupTest, CommandLineFileIsOpenBeforeTheEventLoop) {
    UseDataFolder();
    WriteSampleDataFile(dir_.Path("sample.MDF"));
    // Only the first argument counts.
    auto windows = Start({dir_.Path("sample.MDF"), dir_.Path("other.MDF")});
    ASSERT_TRUE(windows);
    ASSERT_NE(state_.Model(), nullptr);
    EXPECT_EQ(state_.Model()->GetFileName(), dir_.Path("sample.MDF"));
    EXPECT_FALSE(state_.Model()->IsModified());
    EXPECT_EQ(state_.Model()->GetVarCount(), 2);
    EXPECT_EQ(windows->frmREG->windowTitle().toStdString(), "回帰分析 --- sample.MDF");
    ASSERT_EQ(state_.RecentFiles().Count(), 1);
    EXPECT_EQ(state_.RecentFiles().GetItem(0), dir_.Path("sample.MDF"));
    EXPECT_EQ(windows->frmREG->ObservationMarks.Count(), 5);
    EXPECT_TRUE(ui_.CallsOf(ServiceCall::MessageBox).empty());
}

TEST_F(StartupTest, AFirstStartShowsTheSamplesFitAndAnOrdinaryOneTheEditPage) {
    UseDataFolder();
    WriteSampleDataFile(dir_.Path("sample.MDF"));
    struct Case {
        std::vector<std::string> args;
        int page;  // 1: estimates, 0: edit
    };
    const Case cases[] = {{{kFirstStartOption, dir_.Path("sample.MDF")}, 1}, {{dir_.Path("sample.MDF")}, 0}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args.front());
        auto windows = Start(c.args);
        ASSERT_TRUE(windows);
        ASSERT_NE(state_.Model(), nullptr);
        EXPECT_EQ(state_.Model()->GetFileName(), dir_.Path("sample.MDF"));
        EXPECT_EQ(windows->frmREG->Pages()->currentIndex(), c.page);
        windows.reset();
        state_.SetModel(nullptr);
    }
    // The option alone opens nothing.
    auto windows = Start({kFirstStartOption});
    ASSERT_TRUE(windows);
    EXPECT_EQ(state_.Model(), nullptr);
    EXPECT_TRUE(ui_.CallsOf(ServiceCall::MessageBox).empty());
}

TEST_F(StartupTest, QtsOwnDialogsSpeakJapanese) {
    ASSERT_TRUE(InstallJapaneseQtTranslations(TestApp()));
    // Texts of the file dialog and the standard buttons, as Qt looks them up.
    const std::pair<const char*, const char*> texts[] = {{"QFileDialog", "Look in:"},
                                                         {"QPlatformTheme", "Cancel"},
                                                         {"QColorDialog", "Select Color"}};
    for (const auto& [context, english] : texts) {
        const QString shown = QCoreApplication::translate(context, english);
        EXPECT_NE(shown.toStdString(), english) << context;
        EXPECT_FALSE(shown.isEmpty()) << context;
    }
}

TEST_F(StartupTest, MacroSourceOnTheCommandLineGoesToTheMacroWindow) {
    WriteText(dir_.Path("run.mcr"), "macro run var x { x = 1 }\n");
    auto windows = Start({dir_.Path("run.mcr")});
    ASSERT_TRUE(windows);
    EXPECT_EQ(windows->frmMacro->MacroFileName(), dir_.Path("run.mcr"));
    EXPECT_EQ(state_.Model(), nullptr);
    ASSERT_EQ(state_.RecentFiles().Count(), 1);
    EXPECT_EQ(state_.RecentFiles().GetItem(0), dir_.Path("run.mcr"));
}

TEST_F(StartupTest, UnreadableOrMissingCommandLineFileIsReportedAndTheWindowsStillStart) {
    struct Case {
        const char* name;
        const char* content;  // null: the file does not exist
    };
    for (const Case& c : {Case{"broken.MDF", "MDF\0broken"}, Case{"missing.MDF", nullptr}}) {
        SCOPED_TRACE(c.name);
        if (c.content) WriteText(dir_.Path(c.name), std::string(c.content, 10));
        ui_.QueueOK();
        ui_.ClearCalls();
        auto windows = Start({dir_.Path(c.name)});
        ASSERT_TRUE(windows);
        EXPECT_EQ(state_.Model(), nullptr);
        EXPECT_EQ(state_.RecentFiles().Count(), 0);
        const auto boxes = ui_.CallsOf(ServiceCall::MessageBox);
        ASSERT_EQ(boxes.size(), 1u);
        EXPECT_EQ(boxes[0].msgKind, MsgKind::Error);
        EXPECT_NE(boxes[0].text, "メモリーの確保に失敗しました。");
    }
}

}  // namespace
