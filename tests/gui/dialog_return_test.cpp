// After a file or folder dialog the window that asked for it has the
// keyboard again, also when the work the dialog started showed its progress
// window and left no window active: shortcuts and menu keys work without a
// click.
#include <gtest/gtest.h>

#include <QDialog>
#include <QLineEdit>
#include <QTest>
#include <QVBoxLayout>

#include "gui_fixture.h"
#include "modal_window.h"
#include "platform/qt/progress_window.h"
#include "platform/qt/qt_services.h"

namespace {

// A window with two boxes; the second has the focus.
struct BoxWindow {
    QDialog window;
    QLineEdit* first = new QLineEdit;
    QLineEdit* second = new QLineEdit;
    explicit BoxWindow(bool modal = false) {
        auto* layout = new QVBoxLayout(&window);
        layout->addWidget(first);
        layout->addWidget(second);
        window.setModal(modal);
        window.show();
        window.activateWindow();
        QApplication::processEvents();
        second->setFocus();
        QApplication::processEvents();
    }
};

using DialogCommand = std::function<void(QtServices&)>;

struct DialogCase {
    const char* name;
    DialogCommand command;
};

const DialogCase kDialogs[] = {
    {"open", [](QtServices& ui) { ui.ChooseOpenFile({}); }},
    {"save", [](QtServices& ui) { ui.ChooseSaveFile({}); }},
    {"system folder", [](QtServices& ui) { ui.ChooseFolder("/"); }},
    {"program folder",
     [](QtServices& ui) {
         ui.SetFolderChooser([](const std::string&) -> std::optional<std::string> {
             QDialog chooser;
             chooser.exec();
             return "/";
         });
         ui.ChooseFolder("/");
     }},
};

// The dialog is cancelled; then the work's progress window comes and goes,
// which leaves no window active.
void RunDialogThenProgress(QtServices& ui, const DialogCommand& command) {
    ASSERT_TRUE(WhileModal<QDialog>([&] { command(ui); }, [](QDialog& dialog) { dialog.reject(); }));
    ui.ProgressBegin("データの読み込み中・・・", 10);
    QTest::qWait(150);
    // Nothing is activated behind a modal window.
    EXPECT_EQ(QApplication::activeWindow(), ui.ProgressWindow());
    ui.ProgressEnd();
}

class DialogReturnTest : public ::testing::Test {
protected:
    DialogReturnTest() { TestApp(); }
};

TEST_F(DialogReturnTest, TheAskingWindowIsActiveAgainWithItsFocus) {
    for (bool modalAsker : {false, true})
        for (const DialogCase& c : kDialogs) {
            SCOPED_TRACE(std::string(c.name) + (modalAsker ? " from a modal window" : ""));
            BoxWindow main;
            BoxWindow asker(modalAsker);
            QtServices ui;
            ui.SetDialogParent(&main.window);
            ASSERT_EQ(QApplication::activeWindow(), &asker.window);

            RunDialogThenProgress(ui, c.command);

            EXPECT_TRUE(QTest::qWaitFor([&] { return QApplication::activeWindow() == &asker.window; }, 1000));
            EXPECT_EQ(QApplication::focusWidget(), asker.second);
        }
}

// With no window active when the dialog was asked for, its parent gets the
// keyboard.
TEST_F(DialogReturnTest, WithoutAnActiveWindowTheParentIsActivated) {
    for (const DialogCase& c : kDialogs) {
        SCOPED_TRACE(c.name);
        BoxWindow main;
        main.window.hide();
        QApplication::processEvents();
        ASSERT_EQ(QApplication::activeWindow(), nullptr);
        main.window.setAttribute(Qt::WA_ShowWithoutActivating);
        main.window.show();
        QApplication::processEvents();
        ASSERT_EQ(QApplication::activeWindow(), nullptr);
        QtServices ui;
        ui.SetDialogParent(&main.window);

        RunDialogThenProgress(ui, c.command);

        EXPECT_TRUE(QTest::qWaitFor([&] { return QApplication::activeWindow() == &main.window; }, 1000));
        EXPECT_EQ(QApplication::focusWidget(), main.second);
    }
}

// A window the work opened keeps the activation; a window gone meanwhile
// stays gone.
TEST_F(DialogReturnTest, OtherWindowsAreLeftAlone) {
    for (const DialogCase& c : kDialogs) {
        SCOPED_TRACE(c.name);
        BoxWindow main;
        auto* asker = new BoxWindow;
        QtServices ui;
        ui.SetDialogParent(&main.window);
        ASSERT_TRUE(WhileModal<QDialog>([&] { c.command(ui); }, [](QDialog& dialog) { dialog.reject(); }));
        QWidget opened;
        opened.show();
        opened.activateWindow();
        QTest::qWait(150);
        EXPECT_EQ(QApplication::activeWindow(), &opened);

        auto* gone = new BoxWindow;
        ASSERT_TRUE(WhileModal<QDialog>([&] { c.command(ui); }, [&](QDialog& dialog) {
            delete gone;
            dialog.reject();
        }));
        opened.hide();
        QTest::qWait(150);
        EXPECT_NE(QApplication::activeWindow(), &asker->window);
        delete asker;
    }
}

}  // namespace
