// After a file or folder dialog the window that asked for it has the
// keyboard again, also when the work the dialog started showed its progress
// window and left no window active.
#include <gtest/gtest.h>

#include <QDialog>
#include <QLineEdit>
#include <QTest>
#include <optional>

#include "gui_fixture.h"
#include "modal_window.h"
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

// A file dialog (save takes open's road) or the program's folder chooser,
// which stands before the system's dialog.
void Ask(QtServices& ui, bool folder) {
    ui.SetFolderChooser([](const std::string&) -> std::optional<std::string> { QDialog().exec(); return "/"; });
    folder ? void(ui.ChooseFolder("/")) : void(ui.ChooseOpenFile({}));
}

TEST(DialogReturnTest, TheAskingWindowOrElseTheParentIsActiveAgainWithItsFocus) {
    TestApp();
    const struct {
        const char* who;
        bool asks;  // else no window is active: the parent has the keyboard back
        bool modal;
    } kAskers[] = {{"a window", true, false}, {"a modal window", true, true}, {"no window", false, false}};
    for (const auto& a : kAskers)
        for (bool folder : {false, true}) {
            SCOPED_TRACE(std::string(folder ? "folder" : "file") + " asked by " + a.who);
            BoxWindow main(false, a.asks);
            std::optional<BoxWindow> asker;
            if (a.asks) asker.emplace(a.modal);
            const BoxWindow& expected = asker ? *asker : main;
            QtServices ui;
            ui.SetDialogParent(&main.window);
            ASSERT_EQ(QApplication::activeWindow(), asker ? &asker->window : nullptr);

            ASSERT_TRUE(WhileModal<QDialog>([&] { Ask(ui, folder); }, [](QDialog&) {}));
            // Nothing is activated behind the work's progress window.
            ui.ProgressBegin("データの読み込み中・・・", 10);
            QTest::qWait(150);
            EXPECT_EQ(QApplication::activeWindow(), ui.ProgressWindow());
            ui.ProgressEnd();

            EXPECT_TRUE(QTest::qWaitFor([&] { return QApplication::activeWindow() == &expected.window; }, 1000));
            EXPECT_EQ(QApplication::focusWidget(), &expected.second);
        }
}

TEST(DialogReturnTest, AWindowTheWorkOpenedKeepsTheActivationAndAWindowGoneStaysGone) {
    TestApp();
    for (bool folder : {false, true}) {
        SCOPED_TRACE(folder ? "folder" : "file");
        BoxWindow parent;
        QtServices ui;
        ui.SetDialogParent(&parent.window);
        ASSERT_TRUE(WhileModal<QDialog>([&] { Ask(ui, folder); }, [](QDialog&) {}));
        BoxWindow opened;
        QTest::qWait(150);
        EXPECT_EQ(QApplication::activeWindow(), &opened.window);

        std::optional<BoxWindow> gone(std::in_place);
        ASSERT_TRUE(WhileModal<QDialog>([&] { Ask(ui, folder); }, [&](QDialog&) { gone.reset(); }));
        opened.window.hide();
        QTest::qWait(150);
        EXPECT_NE(QApplication::activeWindow(), &parent.window);
    }
}

}  // namespace
