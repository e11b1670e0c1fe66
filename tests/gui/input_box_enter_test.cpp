// The input box as the keyboard and the mouse reach it: whatever way the
// user gets there, one Enter (Return or the keypad's) stores the typed
// value in the current cell, with an undo step.
#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QTest>
#include <QTimer>

#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "core/model/regression_model.h"
#include "platform/qt/string_grid.h"
#include "started_windows.h"

namespace {

using Step = std::function<void()>;

// Runs the steps one per turn of the event loop, as a hand does: each key
// goes to the widget that has the focus when it is pressed, and a window
// that a step opens modally gets the steps after it. False when the steps
// did not all run in time.
bool RunSteps(const std::vector<Step>& steps) {
    struct Run {
        std::deque<Step> left;
        bool done = false;
        std::function<void()> next;
    };
    auto run = std::make_shared<Run>();
    run->left.assign(steps.begin(), steps.end());
    std::weak_ptr<Run> weak = run;
    run->next = [weak] {
        auto r = weak.lock();
        if (!r) return;
        if (r->left.empty()) {
            r->done = true;
            return;
        }
        // Keys reach a window once it is active again, a modal one once it
        // has the focus.
        QWidget* focus = QApplication::focusWidget();
        QWidget* modal = QApplication::activeModalWidget();
        if (!focus || (modal && !modal->isAncestorOf(focus))) {
            QTimer::singleShot(1, r->next);
            return;
        }
        Step step = std::move(r->left.front());
        r->left.pop_front();
        QTimer::singleShot(0, r->next);  // goes on while a step waits in a modal loop
        step();
    };
    QTimer::singleShot(0, run->next);
    const bool finished = QTest::qWaitFor([&] { return run->done; }, 5000);
    // A window left open would hold the test.
    while (QWidget* modal = QApplication::activeModalWidget()) modal->close();
    return finished;
}

class InputBoxEnterTest : public StartedWindows {
protected:
    InputBoxEnterTest() : StartedWindows("inputenter") {
        // A = 1..4, B = 10 20 30 40, C = 5 3 8 1.
        auto model = MakeModel({{1, 2, 3, 4}, {10, 20, 30, 40}, {5, 3, 8, 1}}, {}, {"A", "B", "C"});
        SaveAs(*model, dir_.Path("three.MDF"));
        main_->OpenAndRemember(dir_.Path("three.MDF"));
        main_->show();
        QApplication::setActiveWindow(main_);
        model_ = state_.Model();
        ui_.ClearCalls();
    }

    TStringGrid* Grid() const { return main_->EditGrid(); }
    QLineEdit* Line() const { return main_->InputBox()->lineEdit(); }

    Step ClickCell(int c, int r) const {
        return [this, c, r] { QTest::mouseClick(Grid()->viewport(), Qt::LeftButton, {}, Grid()->CellRect(c, r).center()); };
    }
    Step DoubleClickCell(int c, int r) const {
        return [this, c, r] {
            const QPoint at = Grid()->CellRect(c, r).center();
            QTest::mouseClick(Grid()->viewport(), Qt::LeftButton, {}, at);
            QTest::mouseDClick(Grid()->viewport(), Qt::LeftButton, {}, at);
        };
    }
    // A click into the box right of its text.
    Step ClickBoxEnd() const {
        return [this] { QTest::mouseClick(Line(), Qt::LeftButton, {}, QPoint(Line()->width() - 4, Line()->height() / 2)); };
    }
    static Step Key(Qt::Key key, Qt::KeyboardModifiers mods = Qt::NoModifier) {
        return [key, mods] {
            QWidget* focus = QApplication::focusWidget();
            ASSERT_NE(focus, nullptr);
            QTest::keyClick(focus, key, mods);
        };
    }
    // One step per character: the focus may move after any of them.
    static std::vector<Step> Type(const std::string& text) {
        std::vector<Step> steps;
        for (char ch : text) {
            steps.push_back([ch] {
                QWidget* focus = QApplication::focusWidget();
                ASSERT_NE(focus, nullptr);
                QTest::keyClick(focus, ch);
            });
        }
        return steps;
    }

    Reg* model_ = nullptr;
};

TEST_F(InputBoxEnterTest, OneEnterStoresTheTypedValueOnEveryRoad) {
    const Step kReturn = Key(Qt::Key_Return);
    const Step kKeypadEnter = Key(Qt::Key_Enter, Qt::KeypadModifier);
    // A history entry that "36" brings up as the box's inline suggestion.
    // The first road's value is new to the history, the later ones find it
    // there.
    main_->InputBox()->addItem(QStringLiteral("3600"));
    const Step selectAll = Key(Qt::Key_A, Qt::ControlModifier);
    struct Road {
        const char* name;
        std::vector<Step> before;  // up to the typing
        Step enter;
    } roads[] = {
        {"cell clicked, Ctrl+A over the box's text", {ClickCell(2, 3), selectAll}, kReturn},
        {"cell clicked, Ctrl+A, keypad Enter", {ClickCell(2, 3), selectAll}, kKeypadEnter},
        {"cell double-clicked: the grid keeps the focus", {DoubleClickCell(2, 3)}, kReturn},
        {"grid focused, keypad Enter", {DoubleClickCell(2, 3)}, kKeypadEnter},
        {"pages changed by keys, then Ctrl+A",
         {ClickCell(2, 3), Key(Qt::Key_F8, Qt::ControlModifier), Key(Qt::Key_F7, Qt::ControlModifier), selectAll},
         kReturn},
        {"clicked into the box, old text erased", {ClickCell(2, 3), ClickBoxEnd(), Key(Qt::Key_Backspace), Key(Qt::Key_Backspace)},
         kReturn},
    };
    for (const Road& road : roads) {
        SCOPED_TRACE(road.name);
        main_->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(main_));
        ASSERT_DOUBLE_EQ(model_->GetValue(2, 1), 30.0);
        ASSERT_FALSE(ui_.UndoEditEnabled());
        std::vector<Step> steps = road.before;
        for (Step& s : Type("36")) steps.push_back(std::move(s));
        std::string suggested;
        steps.push_back([&] { suggested = (Line()->text() + "|" + Line()->selectedText()).toStdString(); });
        for (Step& s : Type("90")) steps.push_back(std::move(s));
        steps.push_back(road.enter);  // the only Enter
        ASSERT_TRUE(RunSteps(steps));
        EXPECT_EQ(suggested, "3600|00");  // typed over by "90"
        EXPECT_EQ(Line()->text().toStdString(), "3690");
        EXPECT_DOUBLE_EQ(model_->GetValue(2, 1), 3690.0);
        EXPECT_EQ(Grid()->Cell(2, 3).toStdString(), "3690.0000");
        EXPECT_TRUE(ui_.UndoEditEnabled());
        EXPECT_TRUE(ui_.CallsOf(ServiceCall::MessageBox).empty());
        // Back to 30 for the next road.
        main_->UndoEditExecute();
        ASSERT_DOUBLE_EQ(model_->GetValue(2, 1), 30.0);
        ASSERT_FALSE(ui_.UndoEditEnabled());
    }
}

// The first Ctrl+A selects the box's text; once all of it is selected,
// Ctrl+A opens the assistant as before.
TEST_F(InputBoxEnterTest, CtrlASelectsTheTextThenOpensTheAssistant) {
    ASSERT_TRUE(QTest::qWaitForWindowActive(main_));
    std::string opened;
    std::string selected;
    ASSERT_TRUE(RunSteps({ClickCell(2, 3), Key(Qt::Key_A, Qt::ControlModifier),
                          [&] { selected = Line()->selectedText().toStdString(); },
                          Key(Qt::Key_A, Qt::ControlModifier),
                          [&] {
                              QWidget* w = QApplication::activeModalWidget();
                              opened = w ? w->metaObject()->className() : "none";
                              if (w) w->close();
                          }}));
    EXPECT_EQ(selected, "30");
    EXPECT_EQ(opened, "TfrmInputAssist");
}

}  // namespace
