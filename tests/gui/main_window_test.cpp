// The main window: its action table, caption, opening and closing with a
// modified data set, help and the two-stage indicators.
#include <gtest/gtest.h>

#include <QAction>
#include <QCloseEvent>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QTabWidget>
#include <set>

#include "app/application.h"
#include "app/main_window/launch_table.h"
#include "app/main_window/main_actions.h"
#include "app/main_window/main_window.h"
#include "app/placeholder_windows.h"
#include "app/settings/settings_dialog.h"
#include "core/model/regression_model.h"
#include "core/model/regression_file.h"
#include "eval/app_state.h"
#include "platform/qt/string_grid.h"
#include "resources/string_table.h"
#include "started_windows.h"

namespace {

const char* const kAskSave = "データが変更されています。保存しますか？";

class MainWindowTest : public StartedWindows {
protected:
    MainWindowTest() : StartedWindows("main") {
    }
    // Opens sample.MDF and marks it modified.
    void OpenModified(const std::string& name = "sample.MDF") {
        WriteSampleDataFile(dir_.Path(name));
        main_->OpenAndRemember(dir_.Path(name));
        ASSERT_NE(state_.Model(), nullptr);
        state_.Model()->SetValue(0, 0, 42.0);
        state_.Model()->SetModified(true);
    }
    bool SendClose() {
        QCloseEvent event;
        QCoreApplication::sendEvent(main_, &event);
        return event.isAccepted();
    }

};

TEST_F(MainWindowTest, ActionTableBuildsUniqueActionsMenusAndShortcuts) {
    std::set<std::string> names, shortcuts;
    for (const ActionSpec& spec : MainActionTable()) {
        if (spec.row != ActionRow::Command) continue;
        EXPECT_TRUE(names.insert(spec.name).second) << "duplicate action " << spec.name;
        if (spec.shortcut) {
            EXPECT_TRUE(shortcuts.insert(spec.shortcut).second) << "shortcut twice " << spec.shortcut;
        }
        QAction* a = main_->Action(spec.name);
        ASSERT_NE(a, nullptr) << spec.name;
        // The clipboard commands start disabled: they wait for marks and a copy.
        const bool waits = std::string(spec.name) == "CutEdit" || std::string(spec.name) == "CopyEdit" ||
                           std::string(spec.name) == "PasteEdit";
        if (a->isVisible()) {
            // An analysis command is enabled by its registered window instead.
            const LaunchCommand* launch = FindLaunchCommand(spec.name);
            bool registered = launch && AnalysisWindows().Has(launch->windowClass);
            for (const TransformationCommand& t : TransformationCommands())
                if (spec.name == std::string(t.command)) registered = AnalysisWindows().Has(TransformationWindowClass(t.kind));
            if (spec.name == std::string("RelMatView")) registered = AnalysisWindows().Has("TfrmRelative");
            EXPECT_EQ(a->isEnabled(), (spec.handler != nullptr && !waits) || registered) << spec.name;
        }
        EXPECT_FALSE(a->statusTip().isEmpty()) << spec.name;
        // Shortcut-only actions live on the window so their keys work.
        if (!spec.menu) {
            EXPECT_TRUE(main_->actions().contains(a)) << spec.name;
        }
    }
    std::vector<std::string> tops;
    for (QAction* a : main_->menuBar()->actions()) tops.push_back(a->text().toStdString());
    const std::vector<std::string> expected = {"ファイル(&F)", "編集(&E)", "表示(&V)", "ツール(&T)", "設定(&S)",
                                               "ヘルプ(&H)"};
    EXPECT_EQ(tops, expected);

    struct Row {
        const char* name;
        const char* caption;
        const char* shortcut;
    };
    const Row rows[] = {
        {"NewFile", "新規作成(&N)", "Ctrl+N"},     {"LoadFile", "開く(&O)...", "Ctrl+O"},
        {"RedoEdit", "やり直す(&R)", "Ctrl+Alt+Z"}, {"VARXCHG", "交換(&X)", "F12"},
        {"EEPlots", "Ｅ(i)・Ｅ(i-1)(&E)", "Ctrl+Alt+E"}, {"mnuTobit", "ﾄｰビット推定量(&T)", ""},
        {"HelpContents", "目次(&C)", "F1"},       {"PreviousPage", "PreviousPage", "Ctrl+F7"},
        {"HelpConText", "HelpConText", "Ctrl+H"},
    };
    for (const Row& r : rows) {
        QAction* a = main_->Action(r.name);
        ASSERT_NE(a, nullptr) << r.name;
        EXPECT_EQ(a->text().toStdString(), r.caption);
        EXPECT_EQ(a->shortcut(), QKeySequence(QString::fromLatin1(r.shortcut))) << r.name;
    }
}

TEST_F(MainWindowTest, CaptionFollowsTheFileNameRelativeToTheDataFolder) {
    struct Case {
        std::string fileName;
        std::string caption;
    };
    const Case cases[] = {
        {"", "回帰分析 --- "},
        {dir_.Path("a.MDF"), "回帰分析 --- a.MDF"},
        {"/elsewhere/b.TXT", "回帰分析 --- /elsewhere/b.TXT"},
    };
    state_.SetModel(std::make_unique<Reg>(3, 2));
    for (const Case& c : cases) {
        state_.Model()->SetFileName(c.fileName);
        main_->UpdateCaption();
        EXPECT_EQ(main_->windowTitle().toStdString(), c.caption);
    }
}

TEST_F(MainWindowTest, ClosingAModifiedDataSetAsksOnceAndEachAnswerDoesWhatItSays) {
    struct Case {
        const char* what;
        int answer;
        bool closes;
        bool written;
    };
    const Case cases[] = {{"yes", mrYes, true, true}, {"no", mrNo, true, false}, {"cancel", mrCancel, false, false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        OpenModified(std::string(c.what) + ".MDF");
        const std::string file = dir_.Path(std::string(c.what) + ".MDF");
        const std::string before = ReadText(file);
        windows_->SetteiDlg->Settings().Values().Chow_Test = true;
        std::filesystem::remove(dir_.Path("MERLOX.ini"));
        ui_.ClearCalls();
        ui_.QueueResult(c.answer);

        EXPECT_EQ(SendClose(), c.closes);
        const auto boxes = ui_.CallsOf(ServiceCall::MessageBox);
        ASSERT_EQ(boxes.size(), 1u);
        EXPECT_EQ(boxes[0].text, kAskSave);
        EXPECT_EQ(boxes[0].value, static_cast<long>(mbYesNoCancel));
        // The settings are written in every case.
        EXPECT_NE(ReadText(dir_.Path("MERLOX.ini")).find("Chow_Test=1"), std::string::npos);
        EXPECT_EQ(ReadText(file) != before, c.written);
        if (c.closes) {
            EXPECT_EQ(state_.Model(), nullptr);
        } else {
            ASSERT_NE(state_.Model(), nullptr);
            EXPECT_TRUE(state_.Model()->IsModified());
            EXPECT_DOUBLE_EQ(state_.Model()->GetValue(0, 0), 42.0);
        }
        state_.SetModel(nullptr);
    }
}

TEST_F(MainWindowTest, AFailedSaveAtCloseKeepsTheWindowAndTheData) {
    OpenModified();
    state_.Model()->SetFileName(dir_.Path("no/such/folder/x.MDF"));
    ui_.QueueYes();
    ui_.QueueOK();  // the save error
    EXPECT_FALSE(SendClose());
    const auto boxes = ui_.CallsOf(ServiceCall::MessageBox);
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_EQ(boxes[1].msgKind, MsgKind::Error);
    ASSERT_NE(state_.Model(), nullptr);
    EXPECT_TRUE(state_.Model()->IsModified());
}

TEST_F(MainWindowTest, AutoSaveWritesWithoutAsking) {
    OpenModified();
    windows_->SetteiDlg->Settings().Values().AutoSave = true;
    const std::string before = ReadText(dir_.Path("sample.MDF"));
    EXPECT_TRUE(SendClose());
    EXPECT_TRUE(ui_.CallsOf(ServiceCall::MessageBox).empty());
    EXPECT_NE(ReadText(dir_.Path("sample.MDF")), before);
}

TEST_F(MainWindowTest, OpeningOverAModifiedDataSetOffersTheSameThreeAnswers) {
    OpenModified();
    WriteSampleDataFile(dir_.Path("other.MDF"));
    ui_.QueueCancel();
    main_->OpenAndRemember(dir_.Path("other.MDF"));
    EXPECT_EQ(state_.Model()->GetFileName(), dir_.Path("sample.MDF"));
    EXPECT_TRUE(state_.Model()->IsModified());
    EXPECT_EQ(state_.RecentFiles().GetItem(0), dir_.Path("sample.MDF"));

    ui_.QueueNo();
    main_->OpenAndRemember(dir_.Path("other.MDF"));
    EXPECT_EQ(state_.Model()->GetFileName(), dir_.Path("other.MDF"));
    EXPECT_FALSE(state_.Model()->IsModified());
    EXPECT_EQ(state_.RecentFiles().GetItem(0), dir_.Path("other.MDF"));
    EXPECT_EQ(main_->windowTitle().toStdString(), "回帰分析 --- other.MDF");
}

TEST_F(MainWindowTest, AFileThatCannotBeReadLeavesTheOpenDataSetAsItWas) {
    OpenModified();
    WriteText(dir_.Path("broken.MDF"), std::string("MDF\0\x05\x00", 6));
    ui_.QueueFile(dir_.Path("broken.MDF"));
    ui_.QueueNo();  // do not save the modified set first
    ui_.QueueOK();  // the read error
    main_->Action("LoadFile")->trigger();
    ASSERT_NE(state_.Model(), nullptr);
    EXPECT_EQ(state_.Model()->GetFileName(), dir_.Path("sample.MDF"));
    EXPECT_TRUE(state_.Model()->IsModified());
    EXPECT_DOUBLE_EQ(state_.Model()->GetValue(0, 0), 42.0);
    EXPECT_EQ(state_.RecentFiles().Count(), 1);
    const auto boxes = ui_.CallsOf(ServiceCall::MessageBox);
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_EQ(boxes[1].msgKind, MsgKind::Error);
}

// A device is refused before anything is read, a missing file is said to
// be missing; what is open stays.
TEST_F(MainWindowTest, ADeviceIsRefusedAtOnce) {
    OpenModified();
    const std::pair<std::string, std::string> files[] = {
        {"/dev/zero", "通常のファイルではありません。\n/dev/zero"},
        {dir_.Path("none.MDF"), "ファイルが見つかりません。\n" + dir_.Path("none.MDF")},
    };
    for (const auto& [file, message] : files) {
        ui_.ClearCalls();
        ui_.QueueFile(file);
        ui_.QueueOK();
        main_->Action("LoadFile")->trigger();
        const auto boxes = ui_.CallsOf(ServiceCall::MessageBox);
        ASSERT_EQ(boxes.size(), 1u);
        EXPECT_EQ(boxes[0].text, message);
        EXPECT_EQ(state_.Model()->GetFileName(), dir_.Path("sample.MDF"));
        EXPECT_TRUE(state_.Model()->IsModified());
        EXPECT_DOUBLE_EQ(state_.Model()->GetValue(0, 0), 42.0);
    }
}

TEST_F(MainWindowTest, NewFileWithTheSmallestAnswersWritesAtOnce) {
    ui_.QueueInput("");
    ui_.QueueInput("1");
    ui_.QueueInput("0");
    ui_.QueueInput(mrCancel, "");  // no initial values
    main_->Action("NewFile")->trigger();
    ASSERT_NE(state_.Model(), nullptr);
    EXPECT_EQ(state_.Model()->GetVarCount(), 2);
    EXPECT_EQ(state_.Model()->GetObsCount(), 4);
    EXPECT_EQ(state_.Model()->GetFileName(), dir_.Folder() + "NONAME.MDF");
    EXPECT_TRUE(std::filesystem::exists(dir_.Path("NONAME.MDF")));
    EXPECT_FALSE(state_.Model()->IsModified());
    EXPECT_EQ(state_.Model()->GetDependent(), 1);
    const auto prompts = ui_.CallsOf(ServiceCall::Input);
    ASSERT_EQ(prompts.size(), 4u);
    EXPECT_EQ(prompts[1].items, std::vector<std::string>{"<import>"});
    EXPECT_EQ(prompts[3].text, "VAR0[1]");
}

TEST_F(MainWindowTest, NewFileTakesInitialValuesCellByCellWithNavigation) {
    ui_.QueueInput("typed");
    ui_.QueueInput("2");
    ui_.QueueInput("5");
    ui_.QueueInput("1");          // VAR0[1]
    ui_.QueueInput("2*3");        // VAR1[1]
    ui_.QueueInput("@nofunc(4)");  // VAR0[2]: no value, asked again
    ui_.QueueOK();                 // the formula's error
    ui_.QueueInput("4");           // VAR0[2]
    ui_.QueueInput(203, "");       // VAR1[2]: to the last row
    ui_.QueueInput("9");           // VAR1[5], then out of the grid
    main_->Action("NewFile")->trigger();
    Reg* m = state_.Model();
    ASSERT_NE(m, nullptr);
    EXPECT_EQ(m->GetObsCount(), 5);
    const double expected[5][2] = {{1, 6}, {4, 0}, {0, 0}, {0, 0}, {0, 9}};
    for (int i = 0; i < 5; ++i)
        for (int j = 0; j < 2; ++j) EXPECT_DOUBLE_EQ(m->GetValue(i, j), expected[i][j]) << i << "," << j;
    const auto prompts = ui_.CallsOf(ServiceCall::Input);
    const std::vector<std::string> asked = {"VAR0[1]", "VAR1[1]", "VAR0[2]", "VAR0[2]", "VAR1[2]", "VAR1[5]"};
    ASSERT_EQ(prompts.size(), 3 + asked.size());
    for (std::size_t i = 0; i < asked.size(); ++i) EXPECT_EQ(prompts[3 + i].text, asked[i]);
    EXPECT_TRUE(std::filesystem::exists(dir_.Path("typed.MDF")));
}

TEST_F(MainWindowTest, NewFileRoundsRaisesSmallCountsAndRefusesTooLargeOnes) {
    struct Row {
        const char* vars;
        const char* obs;  // null: refused at the variable count
        int k, n;         // 0: refused
    };
    // At least 2 variables and k + 2 observations; rounded half away from 0.
    const Row rows[] = {{"0", "0", 2, 4},          {"-3", "", 2, 4},         {"2.5", "7.5", 3, 8},
                        {"3", "-1", 3, 5},         {"3", "4", 3, 5},         {"3", "6", 3, 6},
                        {"1001", nullptr, 0, 0},   {"@nofunc(4)", nullptr, 0, 0}, {"3", "1e9", 0, 0}};
    int made = 0;
    for (const Row& row : rows) {
        SCOPED_TRACE(std::string(row.vars) + " / " + (row.obs ? row.obs : "-"));
        state_.SetModel(nullptr);
        ui_.ClearCalls();
        const std::string name = "new" + std::to_string(made++);
        ui_.QueueInput(name);
        ui_.QueueInput(row.vars);
        if (row.obs) ui_.QueueInput(row.obs);
        if (row.k == 0)
            ui_.QueueOK();  // the message
        else
            ui_.QueueInput(mrCancel, "");  // no initial values
        main_->Action("NewFile")->trigger();
        if (row.k == 0) {
            EXPECT_EQ(state_.Model(), nullptr);
            EXPECT_FALSE(std::filesystem::exists(dir_.Path(name + ".MDF")));
            EXPECT_EQ(ui_.CallsOf(ServiceCall::MessageBox).size(), 1u);
            continue;
        }
        ASSERT_NE(state_.Model(), nullptr);
        EXPECT_EQ(state_.Model()->GetVarCount(), row.k);
        EXPECT_EQ(state_.Model()->GetObsCount(), row.n);
        EXPECT_TRUE(std::filesystem::exists(dir_.Path(name + ".MDF")));
    }
}

TEST_F(MainWindowTest, NewFileAsksBeforeOverwritingAnExistingFile) {
    WriteText(dir_.Path("taken.MDF"), "keep");
    ui_.QueueInput("taken");
    ui_.QueueNo();
    main_->Action("NewFile")->trigger();
    EXPECT_EQ(ReadText(dir_.Path("taken.MDF")), "keep");
    EXPECT_EQ(state_.Model(), nullptr);
    ASSERT_EQ(ui_.CallsOf(ServiceCall::YesNo).size(), 1u);
    EXPECT_NE(ui_.CallsOf(ServiceCall::YesNo)[0].text.find("taken.MDF"), std::string::npos);

    ui_.QueueInput("taken");
    ui_.QueueYes();
    ui_.QueueInput("2");
    ui_.QueueInput("");
    ui_.QueueInput(mrCancel, "");
    main_->Action("NewFile")->trigger();
    ASSERT_NE(state_.Model(), nullptr);
    EXPECT_NE(ReadText(dir_.Path("taken.MDF")), "keep");
}

TEST_F(MainWindowTest, NewFileCancelledAtAnyPromptChangesNothing) {
    OpenModified();
    for (int cancelAt = 0; cancelAt < 3; ++cancelAt) {
        SCOPED_TRACE(cancelAt);
        const char* answers[] = {"mine", "3", "10"};
        for (int i = 0; i < cancelAt; ++i) ui_.QueueInput(answers[i]);
        ui_.QueueInput(mrCancel, "");
        main_->Action("NewFile")->trigger();
        EXPECT_EQ(state_.Model()->GetFileName(), dir_.Path("sample.MDF"));
        EXPECT_TRUE(state_.Model()->IsModified());
    }
    // Cancel at the save question keeps the modified data set too.
    ui_.QueueInput("mine");
    ui_.QueueInput("3");
    ui_.QueueInput("10");
    ui_.QueueCancel();
    main_->Action("NewFile")->trigger();
    EXPECT_EQ(state_.Model()->GetFileName(), dir_.Path("sample.MDF"));
    EXPECT_FALSE(std::filesystem::exists(dir_.Path("mine.MDF")));
    state_.Model()->SetModified(false);
}

TEST_F(MainWindowTest, RecentFilesKeepTheirPathsAndAMissingOneSaysSo) {
    WriteSampleDataFile(dir_.Path("a&b.MDF"));
    WriteSampleDataFile(dir_.Path("gone.MDF"));
    state_.RecentFiles().Add(dir_.Path("deleted.MDF"));
    state_.RecentFiles().Add(dir_.Path("gone.MDF"));
    state_.RecentFiles().Add(dir_.Path("a&b.MDF"));
    main_->UpdateRecentFiles();
    // A file deleted before the rebuild is dropped from the list and menus.
    EXPECT_EQ(state_.RecentFiles().Count(), 2);
    ASSERT_EQ(main_->RecentMenu()->actions().size(), 2);
    ASSERT_EQ(main_->RecentPopup()->actions().size(), 2);
    QAction* first = main_->RecentMenu()->actions()[0];
    QAction* second = main_->RecentPopup()->actions()[1];
    EXPECT_EQ(first->text().toStdString(), "&0 " + dir_.Path("a&&b.MDF"));
    EXPECT_EQ(first->data().toString().toStdString(), dir_.Path("a&b.MDF"));
    EXPECT_EQ(second->data().toString().toStdString(), dir_.Path("gone.MDF"));
    EXPECT_TRUE(main_->RecentMenu()->menuAction()->isVisible());

    // A file that went away since is reported, and dropped at the next rebuild.
    std::filesystem::remove(dir_.Path("gone.MDF"));
    ui_.QueueOK();
    second->trigger();
    ASSERT_EQ(ui_.CallsOf(ServiceCall::MessageBox).size(), 1u);
    EXPECT_NE(ui_.CallsOf(ServiceCall::MessageBox)[0].text.find("gone.MDF"), std::string::npos);
    EXPECT_EQ(state_.Model(), nullptr);

    first->trigger();
    ASSERT_NE(state_.Model(), nullptr);
    EXPECT_EQ(state_.Model()->GetFileName(), dir_.Path("a&b.MDF"));
    EXPECT_EQ(state_.RecentFiles().GetItem(0), dir_.Path("a&b.MDF"));
    main_->UpdateRecentFiles();
    EXPECT_EQ(state_.RecentFiles().Count(), 1);
    EXPECT_EQ(main_->RecentMenu()->actions().size(), 1);

    main_->Action("mnuRFClear")->trigger();
    EXPECT_EQ(state_.RecentFiles().Count(), 0);
    EXPECT_TRUE(main_->RecentMenu()->actions().isEmpty());
    EXPECT_TRUE(main_->RecentPopup()->actions().isEmpty());
    EXPECT_FALSE(main_->RecentMenu()->menuAction()->isVisible());
    EXPECT_FALSE(main_->Action("mnuRFClear")->isVisible());
}

TEST_F(MainWindowTest, HelpOpensTheFileOrSaysItCouldNot) {
    ui_.SetHelpResult(true);
    main_->Action("HelpContents")->trigger();
    main_->Action("HelpConText")->trigger();
    auto help = ui_.CallsOf(ServiceCall::Help);
    ASSERT_EQ(help.size(), 2u);
    EXPECT_EQ(help[0].value, 0);
    EXPECT_EQ(help[1].value, 1017);
    EXPECT_EQ(help[0].text, main_->HelpFile());
    EXPECT_TRUE(ui_.CallsOf(ServiceCall::MessageBox).empty());

    ui_.SetHelpResult(false);
    ui_.QueueOK();
    main_->Action("HelpContents")->trigger();
    const auto boxes = ui_.CallsOf(ServiceCall::MessageBox);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, "HTML HELPファイルの表示に失敗しました。");
}

TEST_F(MainWindowTest, TwoStageIndicatorFollowsTheModel) {
    OpenModified();
    main_->UpdateTwoStageIndicator();
    EXPECT_FALSE(main_->Action("LSE")->isChecked());
    EXPECT_FALSE(main_->Action("btnRealCalc")->isVisible());
    state_.Model()->SetTwoStage(true);
    main_->UpdateTwoStageIndicator();
    EXPECT_TRUE(main_->Action("LSE")->isChecked());
    EXPECT_TRUE(main_->Action("btnRealCalc")->isVisible());
    EXPECT_FALSE(main_->LimlLabel()->text().isEmpty());
    EXPECT_EQ(main_->LimlLabel()->toolTip().toStdString(), "最少分散比");
    // The residual-mode button re-estimates and refills the visible page.
    main_->Action("mnuSelectView")->trigger();
    main_->EstimateGrid()->SetCell(2, 1, QStringLiteral("stale"));
    const bool before = state_.Model()->IsRealCalc();
    ui_.QueueOK();  // two stages without an instrument: the fit says why it stands
    main_->Action("btnRealCalc")->trigger();
    EXPECT_NE(state_.Model()->IsRealCalc(), before);
    EXPECT_NE(main_->EstimateGrid()->Cell(2, 1).toStdString(), "stale");
    state_.Model()->SetModified(false);
}

TEST_F(MainWindowTest, DiagnosticsGridCornerReadsClrAsTheOtherCornersDo) {
    OpenModified();
    main_->Action("mnuCheckView")->trigger();
    EXPECT_EQ(main_->DiagnosticsGrid()->Cell(0, 0).toStdString(), "CLR");
    EXPECT_EQ(main_->EditGrid()->Cell(0, 0).toStdString(), "CLR");
    state_.Model()->SetModified(false);
}

TEST_F(MainWindowTest, PagesCycleAndViewItemsSwitchThem) {
    main_->Action("mnuCheckView")->trigger();
    EXPECT_EQ(main_->Pages()->currentIndex(), 2);
    main_->Action("NextPage")->trigger();
    main_->Action("NextPage")->trigger();
    main_->Action("NextPage")->trigger();
    EXPECT_EQ(main_->Pages()->currentIndex(), 0);
    main_->Action("PreviousPage")->trigger();
    EXPECT_EQ(main_->Pages()->currentIndex(), 4);
}

}  // namespace
