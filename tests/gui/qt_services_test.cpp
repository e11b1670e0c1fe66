// The Qt services: message box buttons and results, the progress window
// protocol, file filters, help, the clipboard, and the last-resort catch of
// the application object.
#include <gtest/gtest.h>

#include <QPushButton>

#include "gui_fixture.h"
#include "platform/qt/file_filter.h"
#include "platform/qt/guarded_application.h"
#include "platform/qt/progress_window.h"
#include "platform/qt/qt_services.h"
#include "support/scripted_services.h"

namespace {

class QtServicesTest : public ::testing::Test {
protected:
    QtServicesTest() { TestApp<GuardedApplication>(); }
};

QPushButton* ButtonOf(QMessageBox& box, int result) {
    for (QAbstractButton* b : box.buttons())
        if (b->property("modalResult").toInt() == result) return static_cast<QPushButton*>(b);
    return nullptr;
}

TEST_F(QtServicesTest, MessageBoxesCarryTheProgramsButtonsAndResults) {
    struct Case {
        unsigned buttons;
        std::vector<int> results;
        int escape;
    };
    const Case cases[] = {
        {mbOK, {mrOK}, mrOK},
        {mbYesNo, {mrYes, mrNo}, mrNo},
        {mbYesNoCancel, {mrYes, mrNo, mrCancel}, mrCancel},
        {mbOKCancel, {mrOK, mrCancel}, mrCancel},
        {mbAbort, {mrAbort}, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.buttons);
        auto box = BuildMessageBox(MsgKind::Confirmation, "データが変更されています。保存しますか？", c.buttons);
        EXPECT_EQ(box->buttons().size(), static_cast<qsizetype>(c.results.size()));
        for (int r : c.results) {
            QPushButton* b = ButtonOf(*box, r);
            ASSERT_NE(b, nullptr) << r;
            box->show();
            b->click();
            EXPECT_EQ(MessageBoxResult(*box), r);
        }
        const int escape = box->escapeButton() ? box->escapeButton()->property("modalResult").toInt() : 0;
        EXPECT_EQ(escape, c.escape);
    }
    auto box = BuildMessageBox(MsgKind::Error, "x", mbOK);
    EXPECT_EQ(MessageBoxResult(*box), mrCancel);  // closed without a button
    EXPECT_EQ(box->icon(), QMessageBox::Critical);
    EXPECT_EQ(ButtonOf(*BuildMessageBox(MsgKind::Warning, "x", mbYesNo), mrYes)->text().toStdString(), "はい(&Y)");
}

TEST_F(QtServicesTest, ProgressWindowFollowsBeginStepEnd) {
    QtServices ui;
    EXPECT_EQ(ui.ProgressWindow(), nullptr);
    ui.ProgressStep();  // no window: nothing happens
    ui.ProgressEnd();
    {
        ProgressScope scope(ui, "データの読み込み中・・・", 6000);
        TfrmBAR* bar = ui.ProgressWindow();
        ASSERT_NE(bar, nullptr);
        EXPECT_TRUE(bar->isVisible());
        EXPECT_EQ(bar->windowTitle().toStdString(), "処理中・・・");
        EXPECT_EQ(bar->Title(), "データの読み込み中・・・");
        EXPECT_EQ(bar->Maximum(), 6000);
        EXPECT_EQ(bar->Position(), 0);
        for (int i = 0; i < 33; ++i) scope.Step();
        EXPECT_EQ(bar->Position(), 33);
        // A new caption replaces the text under the window's title; the
        // bar stays where it was.
        ui.ProgressCaption("加重回帰 (反復数 = 3 )");
        EXPECT_EQ(ui.ProgressWindow(), bar);
        EXPECT_EQ(bar->Title(), "加重回帰 (反復数 = 3 )");
        EXPECT_EQ(bar->windowTitle().toStdString(), "処理中・・・");
        EXPECT_EQ(bar->Position(), 33);
    }
    EXPECT_EQ(ui.ProgressWindow(), nullptr);
    ui.ProgressCaption("加重回帰 COUNT(12)");  // no window: none is made
    EXPECT_EQ(ui.ProgressWindow(), nullptr);

    // The window goes also when the work fails, and the bar never passes
    // its maximum.
    try {
        ProgressScope scope(ui, "分析データ計算中・・・", 2);
        for (int i = 0; i < 5; ++i) scope.Step();
        EXPECT_EQ(ui.ProgressWindow()->Position(), 2);
        throw EMathError("x");
    } catch (const EMathError&) {
    }
    EXPECT_EQ(ui.ProgressWindow(), nullptr);

    // Nested users share the one window.
    ui.ProgressBegin("a", 10);
    ui.ProgressBegin("b", 10);
    ui.ProgressEnd();
    EXPECT_NE(ui.ProgressWindow(), nullptr);
    ui.ProgressEnd();
    EXPECT_EQ(ui.ProgressWindow(), nullptr);
}

TEST_F(QtServicesTest, FileFiltersMatchEitherLetterCase) {
    struct Case {
        std::string filter;
        QStringList expected;
    };
    const Case cases[] = {
        {"多変量データ|*.MDF|すべて|*.*",
         {QStringLiteral("多変量データ (*.MDF *.mdf)"), QStringLiteral("すべて (*)")}},
        {"テキスト|*.txt;*.CSV", {QStringLiteral("テキスト (*.txt *.TXT *.CSV *.csv)")}},
        {"名前だけ", {QStringLiteral("名前だけ (*)")}},
        {"", {}},
    };
    for (const Case& c : cases) EXPECT_EQ(ToQtNameFilters(c.filter), c.expected) << c.filter;
}

TEST_F(QtServicesTest, HelpFailsForAMissingFile) {
    QtServices ui;
    EXPECT_FALSE(ui.ShowHelp("", 0));
    EXPECT_FALSE(ui.ShowHelp("/no/such/MERLOX.chm", 1017));
}

TEST_F(QtServicesTest, ClipboardKeepsText) {
    QtServices ui;
    ui.ClipboardSetText("1.5,2@3,");
    EXPECT_TRUE(ui.ClipboardHasText());
    EXPECT_EQ(ui.ClipboardGetText(), "1.5,2@3,");
    ui.ClipboardClear();
    EXPECT_FALSE(ui.ClipboardHasText());
}

// A macro's undo, redo and load reach the main window's commands once they
// are set; before that the engine does the work itself.
TEST_F(QtServicesTest, WindowCommandsGoToTheirHandlers) {
    QtServices ui;
    EXPECT_FALSE(ui.UndoEditCommand());
    EXPECT_FALSE(ui.RedoEditCommand());
    EXPECT_TRUE(ui.ConfirmSaveIfModified());
    std::string called;
    bool saveAnswer = false;
    ui.SetWindowCommands({[&] { called += "undo,"; }, [&] { called += "redo,"; }, [&] { called += "refresh,"; },
                          [&] {
                              called += "save?";
                              return saveAnswer;
                          }});
    EXPECT_TRUE(ui.UndoEditCommand());
    EXPECT_TRUE(ui.RedoEditCommand());
    ui.RefreshAfterLoad();
    EXPECT_FALSE(ui.ConfirmSaveIfModified());
    EXPECT_EQ(called, "undo,redo,refresh,save?");
}

// An object whose event handler throws what it is told to.
class Thrower : public QObject {
public:
    std::function<void()> what;
    bool event(QEvent* e) override {
        if (e->type() == QEvent::User) what();
        return QObject::event(e);
    }
};

TEST_F(QtServicesTest, NoExceptionLeavesTheEventLoop) {
    auto& app = TestApp<GuardedApplication>();
    ScriptedServices ui;
    app.SetServices(&ui);
    struct Case {
        std::function<void()> raise;
        std::string message;
    };
    const Case cases[] = {
        {[] { throw std::bad_alloc(); }, "メモリーの確保に失敗しました。"},
        {[] { throw EReadError("読み込みエラー"); }, "読み込みエラー"},
        {[] { throw 42; }, "エラーが発生しました。"},
    };
    for (const Case& c : cases) {
        Thrower t;
        t.what = c.raise;
        ui.QueueOK();
        QEvent e(QEvent::User);
        EXPECT_NO_THROW(QCoreApplication::sendEvent(&t, &e));
        const auto boxes = ui.CallsOf(ServiceCall::MessageBox);
        ASSERT_FALSE(boxes.empty());
        EXPECT_EQ(boxes.back().text, c.message);
        EXPECT_EQ(boxes.back().msgKind, MsgKind::Error);
    }
    app.SetServices(nullptr);
}

}  // namespace
