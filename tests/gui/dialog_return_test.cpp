// After a question (a file or folder dialog, the one-line prompt, a message
// box, a yes/no question) the window that asked it has the keyboard again,
// also when the work the answer started showed its progress window and
// left no window active.
#include <gtest/gtest.h>

#include <QDialog>
#include <QLineEdit>
#include <QTest>
#include <optional>

#include "gui_fixture.h"
#include "modal_window.h"
#include "platform/qt/input_dlg.h"
#include "platform/qt/progress_window.h"
#include "platform/qt/qt_services.h"

namespace {

// A window of two boxes, the second with the focus; unless activated, shown
// again without activation, so that no window is active.
struct BoxWindow {
    QDialog window;
    QLineEdit first{&window};
    QLineEdit second{&window};
    explicit BoxWindow(bool modal = false, bool activate = true) {
        window.setModal(modal);
        window.show();
        window.activateWindow();
        QApplication::processEvents();
        second.setFocus();
        QApplication::processEvents();
        if (activate) return;
        window.hide();
        window.setAttribute(Qt::WA_ShowWithoutActivating);
        window.show();
        QApplication::processEvents();
    }
};

enum class Question { File, Folder, Prompt, Message, YesNo };

const struct {
    Question question;
    const char* name;
} kQuestions[] = {{Question::File, "file"},
                  {Question::Folder, "folder"},
                  {Question::Prompt, "prompt"},
                  {Question::Message, "message"},
                  {Question::YesNo, "yes/no"}};

// A file dialog (save takes open's road), the program's folder chooser
// (which stands before the system's dialog) or one of the questions.
void Ask(QtServices& ui, Question question) {
    ui.SetFolderChooser([](const std::string&) -> std::optional<std::string> { QDialog().exec(); return "/"; });
    switch (question) {
        case Question::File: ui.ChooseOpenFile({}); break;
        case Question::Folder: ui.ChooseFolder("/"); break;
        case Question::Prompt: ui.AskInput("データ組数は？", {}, ""); break;
        case Question::Message: ui.ShowMessageBox(MsgKind::Error, "データが大きすぎます。", mbOK); break;
        case Question::YesNo: ui.AskYesNo("上書きしますか？"); break;
    }
}

// The question, answered, then the progress window of the work it started:
// nothing is activated behind that window.
void AskThenShowProgress(QtServices& ui, Question question) {
    ASSERT_TRUE(WhileModal<QDialog>([&] { Ask(ui, question); }, [](QDialog&) {}));
    ui.ProgressBegin("データの読み込み中・・・", 10);
    QTest::qWait(150);
    EXPECT_EQ(QApplication::activeWindow(), ui.ProgressWindow());
    ui.ProgressEnd();
}

// The window is active again, with the focus where it was.
void ExpectKeyboardBack(const BoxWindow& w) {
    EXPECT_TRUE(QTest::qWaitFor([&] { return QApplication::activeWindow() == &w.window; }, 1000));
    EXPECT_EQ(QApplication::focusWidget(), &w.second);
}

TEST(DialogReturnTest, TheAskingWindowOrElseTheParentIsActiveAgainWithItsFocus) {
    TestApp();
    const struct {
        const char* who;
        bool asks;  // else no window is active: the parent has the keyboard back
        bool modal;
    } kAskers[] = {{"a window", true, false}, {"a modal window", true, true}, {"no window", false, false}};
    for (const auto& a : kAskers)
        for (const auto& q : kQuestions) {
            SCOPED_TRACE(std::string(q.name) + " asked by " + a.who);
            BoxWindow main(false, a.asks);
            std::optional<BoxWindow> asker;
            if (a.asks) asker.emplace(a.modal);
            const BoxWindow& expected = asker ? *asker : main;
            QtServices ui;
            ui.SetDialogParent(&main.window);
            ASSERT_EQ(QApplication::activeWindow(), asker ? &asker->window : nullptr);

            AskThenShowProgress(ui, q.question);
            ExpectKeyboardBack(expected);
        }
}

// A window that asks again, and again, gets the keyboard back each time:
// its wait ends with each return, so the next question starts a new one.
TEST(DialogReturnTest, AWindowAskingQuestionAfterQuestionHasTheKeyboardAfterEach) {
    TestApp();
    BoxWindow main;
    BoxWindow asker;
    QtServices ui;
    ui.SetDialogParent(&main.window);
    for (int round = 0; round < 2; ++round)
        for (const auto& q : kQuestions) {
            SCOPED_TRACE(std::string(q.name) + (round == 0 ? ", first round" : ", second round"));
            ASSERT_EQ(QApplication::activeWindow(), &asker.window);
            AskThenShowProgress(ui, q.question);
            ExpectKeyboardBack(asker);
        }
}

// Counts the single-shot timers that fire while it lives.
class SingleShotCount : public QObject {
public:
    SingleShotCount() { qApp->installEventFilter(this); }
    ~SingleShotCount() override { qApp->removeEventFilter(this); }
    int fired = 0;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Timer && std::string(watched->metaObject()->className()) == "QSingleShotTimer")
            ++fired;
        return false;
    }
};

// Cell by cell entry asks the program's one prompt again as soon as it
// closed, cell after cell; the last answer is Escape, then the data set is
// written. The window waits for its keyboard once, not once a prompt.
TEST(DialogReturnTest, PromptAfterPromptGivesTheKeyboardBackToTheWindowBehind) {
    TestApp();
    BoxWindow main;
    QtServices ui;
    ui.SetDialogParent(&main.window);
    TInputDlg prompt(&main.window);
    ui.SetInputDialog(&prompt);
    const auto escape = [](TInputDlg& d) { QTest::keyClick(&d, Qt::Key_Escape); };
    // A hand takes a while at each cell.
    const auto answer = [&](TInputDlg& d) {
        QTest::qWait(60);
        escape(d);
    };
    for (int cell = 0; cell < 20; ++cell) ASSERT_TRUE(WhileModal<TInputDlg>([&] { ui.AskInput("VAR0", {}, ""); }, answer));
    int fired = 0;
    ASSERT_TRUE(WhileModal<TInputDlg>([&] { ui.AskInput("VAR1", {}, ""); },
                                      [&](TInputDlg& d) {
                                          SingleShotCount count;
                                          QTest::qWait(500);  // one wait polls 10 times here, twenty 200
                                          fired = count.fired;
                                          escape(d);
                                      }));
    EXPECT_GT(fired, 0);  // the window still waits
    EXPECT_LE(fired, 20);
    ui.ProgressBegin("データの書き込み中・・・", 10);
    QTest::qWait(150);
    ui.ProgressEnd();
    EXPECT_TRUE(QTest::qWaitFor([&] { return QApplication::activeWindow() == &main.window; }, 1000));
    EXPECT_EQ(QApplication::focusWidget(), &main.second);
}

TEST(DialogReturnTest, AWindowTheWorkOpenedKeepsTheActivationAndAWindowGoneStaysGone) {
    TestApp();
    for (const auto& q : kQuestions) {
        SCOPED_TRACE(q.name);
        BoxWindow parent;
        QtServices ui;
        ui.SetDialogParent(&parent.window);
        ASSERT_TRUE(WhileModal<QDialog>([&] { Ask(ui, q.question); }, [](QDialog&) {}));
        BoxWindow opened;
        QTest::qWait(150);
        EXPECT_EQ(QApplication::activeWindow(), &opened.window);

        std::optional<BoxWindow> gone(std::in_place);
        ASSERT_TRUE(WhileModal<QDialog>([&] { Ask(ui, q.question); }, [&](QDialog&) { gone.reset(); }));
        opened.window.hide();
        QTest::qWait(150);
        EXPECT_NE(QApplication::activeWindow(), &parent.window);
    }
}

}  // namespace
