#include "platform/ui_services.h"

#include <gtest/gtest-spi.h>
#include <gtest/gtest.h>

#include <stdexcept>

#include "support/scripted_services.h"

namespace {

TEST(UiServices, SilentDefaultAnswersNegatively) {
    SilentServices silent;
    UiServices& s = silent;
    EXPECT_EQ(s.ShowMessageBox(MsgKind::Confirmation, "?", mbYesNo), mrCancel);
    EXPECT_FALSE(s.AskYesNo("?"));
    InputAnswer a = s.AskInput("prompt", {"a", "b"}, "a");
    EXPECT_EQ(a.result, mrCancel);
    EXPECT_EQ(a.text, "");
    EXPECT_EQ(s.ChooseOpenFile({}), "");
    EXPECT_EQ(s.ChooseSaveFile({}), "");
    EXPECT_FALSE(s.ChooseFolder("/tmp").has_value());
    EXPECT_FALSE(s.ShowHelp("/nonexistent", 10));
    {
        ProgressScope p(s, "x", 3);  // harmless without a screen
        p.Step();
    }
}

// Without a main window the engine undoes, redoes and loads on its own.
TEST(UiServices, SilentDefaultLeavesWindowCommandsToTheEngine) {
    SilentServices silent;
    UiServices& s = silent;
    EXPECT_FALSE(s.UndoEditCommand());
    EXPECT_FALSE(s.RedoEditCommand());
    EXPECT_TRUE(s.ConfirmSaveIfModified());
    s.RefreshAfterLoad();  // nothing to refresh
}

TEST(UiServices, ModalResultsKeepTheClassLibraryNumbers) {
    const int results[] = {mrOK, mrCancel, mrAbort, mrRetry, mrIgnore, mrYes, mrNo};
    for (int i = 0; i < 7; ++i) EXPECT_EQ(results[i], i + 1);
}

TEST(UiServices, SilentClipboardKeepsItsText) {
    SilentServices s;
    EXPECT_FALSE(s.ClipboardHasText());
    s.ClipboardSetText("1\t2");
    EXPECT_EQ(s.ClipboardGetText(), "1\t2");
    s.ClipboardClear();
    EXPECT_FALSE(s.ClipboardHasText());
}

TEST(UiServices, ProgressScopeEndsWhenAnExceptionPasses) {
    ScriptedServices ui;
    try {
        ProgressScope p(ui, "データの読み込み中・・・", 2);
        p.Step();
        ui.ProgressCaption("加重回帰 COUNT(2)");
        throw std::runtime_error("boom");
    } catch (const std::runtime_error&) {
    }
    EXPECT_EQ(ui.ProgressDepth(), 0);
    const auto& calls = ui.Calls();
    ASSERT_EQ(calls.size(), 4u);
    EXPECT_EQ(calls[0].kind, ServiceCall::ProgressBegin);
    EXPECT_EQ(calls[0].text, "データの読み込み中・・・");
    EXPECT_EQ(calls[0].value, 2);
    EXPECT_EQ(calls[1].kind, ServiceCall::ProgressStep);
    EXPECT_EQ(calls[2].kind, ServiceCall::ProgressCaption);
    EXPECT_EQ(calls[2].text, "加重回帰 COUNT(2)");
    EXPECT_EQ(calls[3].kind, ServiceCall::ProgressEnd);
}

TEST(ScriptedServices, AnswersFromTheQueueInOrderAndRecords) {
    ScriptedServices ui;
    ui.QueueYes();
    ui.QueueNo();
    ui.QueueInput(105, "x1");
    ui.QueueFile("/data/a.TXT");
    ui.QueueFolder("/data");

    EXPECT_EQ(ui.ShowMessageBox(MsgKind::Confirmation, "保存しますか？", mbYesNo), mrYes);
    EXPECT_FALSE(ui.AskYesNo("続けますか？"));
    InputAnswer in = ui.AskInput("変数名", {"x1", "x2"}, "x2");
    EXPECT_EQ(in.result, 105);
    EXPECT_EQ(in.text, "x1");
    FileDialogRequest req;
    req.filterIndex = 3;
    req.defaultExt = "TXT";
    EXPECT_EQ(ui.ChooseSaveFile(req), "/data/a.TXT");
    EXPECT_EQ(ui.ChooseFolder("/home").value_or(""), "/data");
    EXPECT_EQ(ui.RemainingAnswers(), 0u);

    const auto& c = ui.Calls();
    ASSERT_EQ(c.size(), 5u);
    EXPECT_EQ(c[0].kind, ServiceCall::MessageBox);
    EXPECT_EQ(c[0].msgKind, MsgKind::Confirmation);
    EXPECT_EQ(c[0].text, "保存しますか？");
    EXPECT_EQ(c[0].value, static_cast<long>(mbYes | mbNo));
    EXPECT_EQ(c[1].kind, ServiceCall::YesNo);
    EXPECT_EQ(c[2].kind, ServiceCall::Input);
    EXPECT_EQ(c[2].items, (std::vector<std::string>{"x1", "x2"}));
    EXPECT_EQ(c[2].initial, "x2");
    EXPECT_EQ(c[3].kind, ServiceCall::SaveFile);
    EXPECT_EQ(c[3].file.filterIndex, 3);
    EXPECT_EQ(c[3].file.defaultExt, "TXT");
    EXPECT_EQ(c[4].kind, ServiceCall::Folder);
    EXPECT_EQ(c[4].text, "/home");
}

TEST(ScriptedServices, CancelAnswersEveryDialogNegatively) {
    ScriptedServices ui;
    for (int i = 0; i < 4; ++i) ui.QueueCancel();
    EXPECT_EQ(ui.AskInput("p", {}, "init").result, mrCancel);
    EXPECT_EQ(ui.ChooseOpenFile({}), "");
    EXPECT_FALSE(ui.ChooseFolder("/").has_value());
    EXPECT_FALSE(ui.AskYesNo("?"));
}

TEST(ScriptedServices, UnscriptedDialogFailsTheTestAndAnswersCancel) {
    ScriptedServices ui;
    int result = 0;
    EXPECT_NONFATAL_FAILURE(result = ui.ShowMessageBox(MsgKind::Error, "oops", mbOK),
                            "no scripted answer");
    EXPECT_EQ(result, mrCancel);
    bool yes = true;
    EXPECT_NONFATAL_FAILURE(yes = ui.AskYesNo("?"), "no scripted answer");
    EXPECT_FALSE(yes);
}

TEST(ScriptedServices, UnusedAnswersFailTheTest) {
    EXPECT_NONFATAL_FAILURE(
        {
            ScriptedServices ui;
            ui.QueueOK();
        },
        "never asked for");
    ScriptedServices quiet;
    quiet.SetFailOnUnusedAnswers(false);
    quiet.QueueOK();
}

TEST(ScriptedServices, KeepsClipboardUndoRedoAndTerminateState) {
    ScriptedServices ui;
    EXPECT_FALSE(ui.ClipboardHasText());
    ui.ClipboardSetText("1,2,\r\n");
    EXPECT_TRUE(ui.ClipboardHasText());
    EXPECT_EQ(ui.ClipboardGetText(), "1,2,\r\n");
    ui.ClipboardClear();
    EXPECT_FALSE(ui.ClipboardHasText());

    ui.SetUndoEditEnabled(true);
    ui.SetRedoEditEnabled(false);
    EXPECT_TRUE(ui.UndoEditEnabled());
    EXPECT_FALSE(ui.RedoEditEnabled());

    EXPECT_FALSE(ui.TerminateRequested());
    ui.RequestTerminate();
    EXPECT_TRUE(ui.TerminateRequested());
}

TEST(ScriptedServices, CommonBoxesUseOkAndTheirKind) {
    ScriptedServices ui;
    ui.QueueOK();
    ui.QueueOK();
    ui.QueueOK();
    ErrorBox(ui, "e");
    WarningBox(ui, "w");
    InformationBox(ui, "i");
    auto boxes = ui.CallsOf(ServiceCall::MessageBox);
    ASSERT_EQ(boxes.size(), 3u);
    EXPECT_EQ(boxes[0].msgKind, MsgKind::Error);
    EXPECT_EQ(boxes[1].msgKind, MsgKind::Warning);
    EXPECT_EQ(boxes[2].msgKind, MsgKind::Information);
    for (const auto& b : boxes) EXPECT_EQ(b.value, static_cast<long>(mbOK));
}

}  // namespace
