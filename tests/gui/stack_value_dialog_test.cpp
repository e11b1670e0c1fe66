// The stack value dialog: one stack word in its three readings.
#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QTimer>

#include "app/macro/macro_typing_undo.h"
#include "app/macro/macro_window.h"
#include "app/macro/stack_value_dialog.h"
#include "eval/app_state.h"
#include "gui_fixture.h"
#include "macro/macro_compile.h"
#include "macro/macro_debugger.h"
#include "macro/macro_object.h"
#include "macro/macro_run.h"
#include "started_windows.h"

namespace {

TEST(StackValueDialog, ShowsTheThreeReadings) {
    TestApp();
    StackWordReading r;
    r.index = 12;
    r.integer = -1568497534;
    r.real = -1234.5678;
    r.text = "あいう";
    TSPValDlg dlg(r);
    EXPECT_EQ(dlg.windowTitle().toStdString(), "スタック値");
    EXPECT_EQ(dlg.stSP->text().toStdString(), "12");
    EXPECT_EQ(dlg.stInteger->text().toStdString(), "-1568497534");
    EXPECT_EQ(dlg.stReal->text().toStdString(), "-1234.5678");
    EXPECT_EQ(dlg.stString->text().toStdString(), "あいう");
    EXPECT_EQ(dlg.OKBtn->text().toStdString(), "閉じる(&X)");
    QTimer::singleShot(0, [&dlg] { dlg.OKBtn->click(); });
    EXPECT_EQ(dlg.exec(), 1);
}

TEST(StackValueDialog, ReadsAStackWordOfARun) {
    TestApp();
    AppState state;
    MacroCompile compiler(state);
    compiler.CompileProgram("macro m var x { x = 0.1 }");
    MacroObject program;
    compiler.LinkProgram(program);
    MacroRun run(state);
    run.Start(program);
    int pc = 0;
    for (int step = 0; step < 100 && run.Execute(program, pc);) ++step;
    // 0.1 is 0x3FB999999999999A: low word 0x9999999A, high word 0x3FB99999.
    int at = -1;
    for (int i = 0; i + 1 < run.SP(); ++i)
        if (run.WordAt(i) == -1717986918 && run.WordAt(i + 1) == 1069128089) at = i;
    ASSERT_GE(at, 0);
    TSPValDlg dlg(run, at);
    EXPECT_EQ(dlg.stSP->text().toStdString(), std::to_string(at));
    EXPECT_EQ(dlg.stInteger->text().toStdString(), "-1717986918");
    EXPECT_EQ(dlg.stReal->text().toStdString(), "0.1");
    // The top word has no second word for a number; past it nothing is read.
    TSPValDlg top(run, run.SP() - 1);
    EXPECT_EQ(top.stReal->text().toStdString(), "");
    TSPValDlg past(run, run.SP());
    EXPECT_EQ(past.stSP->text().toStdString(), std::to_string(run.SP()));
    EXPECT_EQ(past.stInteger->text().toStdString(), "");
    run.Finish();
}

class StackValueFromDebuggerTest : public StartedWindows {
protected:
    StackValueFromDebuggerTest() : StartedWindows("spval") {}
};

TEST_F(StackValueFromDebuggerTest, ClickOnAStackRowOpensTheDialog) {
    TfrmMacro* m = windows_->frmMacro.get();
    m->eSource->setPlainText("macro m var x { x = 0.1; write x }");
    m->SetMacroExecute();
    const MacroRun& run = m->Debugger().Interpreter();
    int word = -1;
    for (int step = 0; step < 3; ++step) m->StepRunExecute();  // MCR, LDI, STA
    for (int i = 1; i + 1 < run.SP(); ++i)
        if (run.WordAt(i) == -1717986918 && run.WordAt(i + 1) == 1069128089) word = i;
    ASSERT_GE(word, 1);
    bool shown = false;
    QTimer::singleShot(0, [&shown, word] {
        auto* dlg = qobject_cast<TSPValDlg*>(QApplication::activeModalWidget());
        ASSERT_NE(dlg, nullptr);
        shown = true;
        EXPECT_EQ(dlg->stSP->text().toStdString(), std::to_string(word));
        EXPECT_EQ(dlg->stReal->text().toStdString(), "0.1");
        dlg->OKBtn->click();
    });
    m->sgStackClick(run.SP() - word);  // rows list the words from the top down
    EXPECT_TRUE(shown);
}

}  // namespace
