// The input box as the keyboard and the mouse reach it: whatever way the
// user gets there, the cell's value or an entry of the history arrives
// selected, typing replaces it, and one Enter (Return or the keypad's)
// stores exactly what was typed in the current cell, with an undo step.
// Escape takes back what was typed; the cell's value left as it came is
// never written back. The grid itself takes no typing.
#include <gtest/gtest.h>

#include <QApplication>
#include <QAbstractItemView>
#include <QComboBox>
#include <QLineEdit>
#include <QTest>
#include <QTimer>

#include <bit>
#include <cstdint>
#include <deque>
#include <functional>
#include <limits>
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

    // Cells, column names and row headers as the mouse reaches them.
    Step ClickCell(int c, int r) const {
        return [this, c, r] { QTest::mouseClick(Grid()->viewport(), Qt::LeftButton, {}, Grid()->CellRect(c, r).center()); };
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
    // The box's text and, after "|", its selected part.
    Step Look(std::string& into) const {
        return [this, &into] { into = (Line()->text() + "|" + Line()->selectedText()).toStdString(); };
    }
    static void Append(std::vector<Step>& steps, std::vector<Step> more) {
        for (Step& s : more) steps.push_back(std::move(s));
    }
    static std::vector<Step> Then(std::vector<Step> steps, std::vector<Step> more) {
        Append(steps, std::move(more));
        return steps;
    }
    void StartRoad() {
        main_->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(main_));
        ASSERT_DOUBLE_EQ(model_->GetValue(2, 1), 30.0);
        ASSERT_FALSE(ui_.UndoEditEnabled());
    }
    // Undoes the one entry a road made.
    void UndoRoad(int i, int j, double old) {
        EXPECT_TRUE(ui_.UndoEditEnabled());
        main_->UndoEditExecute();
        ASSERT_DOUBLE_EQ(model_->GetValue(i, j), old);
        ASSERT_FALSE(ui_.UndoEditEnabled());
    }
    // The twelve values, observation by observation.
    std::vector<double> Values() const {
        std::vector<double> v;
        for (int i = 0; i < 4; ++i)
            for (int j = 0; j < 3; ++j) v.push_back(model_->GetValue(i, j));
        return v;
    }

    Reg* model_ = nullptr;
};

struct Road {
    const char* name;
    std::vector<Step> before;  // up to the typing
};

// However the cell's value reaches the box, it arrives selected: the digits
// typed next replace it, and one Enter stores them alone. The list is a
// history to choose from, never a completion that Enter takes: once 3700
// is in it, "37" stores 37.
TEST_F(InputBoxEnterTest, TypedDigitsReplaceTheCellsValueOnEveryRoad) {
    const Step kReturn = Key(Qt::Key_Return);
    const Step kKeypadEnter = Key(Qt::Key_Enter, Qt::KeypadModifier);
    const std::vector<Step> kEraseInTheBox = {ClickCell(2, 3), ClickBoxEnd(), Key(Qt::Key_Backspace),
                                              Key(Qt::Key_Backspace)};
    const struct {
        Road road;
        Step enter;
        const char* typed;
    } cases[] = {
        {{"cell clicked", {ClickCell(2, 3)}}, kReturn, "3700"},
        {{"cell clicked, keypad Enter", {ClickCell(2, 3)}}, kKeypadEnter, "3700"},
        // The name click leaves the focus on the grid, where Down moves it.
        {{"arrow key on the grid", {ClickCell(2, 2), ClickCell(2, 0), Key(Qt::Key_Down)}}, kReturn, "3700"},
        {{"cursor-down command from the box", {ClickCell(2, 2), Key(Qt::Key_M, Qt::ControlModifier | Qt::AltModifier)}},
         kReturn, "3700"},
        {{"pages changed by keys",
          {ClickCell(2, 3), Key(Qt::Key_F8, Qt::ControlModifier), Key(Qt::Key_F7, Qt::ControlModifier)}},
         kReturn, "3700"},
        {{"clicked into the box, old text erased", kEraseInTheBox}, kReturn, "3700"},
        {{"3700 in the history, cell clicked", {ClickCell(2, 3)}}, kReturn, "37"},
        {{"3700 in the history, old text erased", kEraseInTheBox}, kReturn, "37"},
    };
    for (const auto& [road, enter, typed] : cases) {
        SCOPED_TRACE(road.name);
        StartRoad();
        std::vector<Step> steps = road.before;
        Append(steps, Type(typed));
        std::string shown;
        steps.push_back(Look(shown));
        steps.push_back(enter);  // the only Enter
        ASSERT_TRUE(RunSteps(steps));
        EXPECT_EQ(shown, std::string(typed) + "|");
        EXPECT_DOUBLE_EQ(model_->GetValue(2, 1), std::stod(typed));
        EXPECT_EQ(Grid()->Cell(2, 3).toStdString(), std::string(typed) + ".0000");
        EXPECT_TRUE(ui_.CallsOf(ServiceCall::MessageBox).empty());
        UndoRoad(2, 1, 30.0);
    }
    // Both texts are in the list, each once, and Down chooses the next.
    ASSERT_EQ(main_->InputBox()->count(), 2);
    EXPECT_EQ(main_->InputBox()->itemText(1).toStdString(), "37");
    main_->InputBox()->setCurrentIndex(0);
    StartRoad();
    std::string chosen;
    ASSERT_TRUE(RunSteps({ClickCell(2, 3), Key(Qt::Key_Down), Look(chosen), Key(Qt::Key_Return)}));
    EXPECT_EQ(chosen.substr(0, chosen.find('|')), "37");
    EXPECT_DOUBLE_EQ(model_->GetValue(2, 1), 37.0);
    UndoRoad(2, 1, 30.0);
}

// What the box shows before Enter, on a cell holding 1/3 with 1456 and
// 2222 in the history. An entry recalled from the list (Up, Down, chosen
// from the opened list) arrives selected: typing replaces it, End keeps it
// for editing, Enter alone stores it as listed. Escape takes back what was
// typed: the cell's value is back, selected, and Enter stores nothing. The
// value as it came is never written back, though its text has 15 digits,
// nor read as a formula (NAN, INF and the largest double, whose 15-digit
// text is past the range, say nothing). With the list open, or with Ctrl
// or Alt held, Escape leaves the typing.
TEST_F(InputBoxEnterTest, RecalledEntryArrivesSelectedAndEscapeTakesBackTheTyping) {
    const double third = 1.0 / 3.0;
    const char* const kThird = "0.333333333333333|0.333333333333333";
    model_->SetValue(2, 1, third);
    main_->RefreshActivePage();
    for (const char* entry : {"1456", "2222"}) {
        ASSERT_TRUE(RunSteps(Then(Then({ClickCell(2, 3)}, Type(entry)), {Key(Qt::Key_Return)})));
        UndoRoad(2, 1, third);
    }
    QComboBox* box = main_->InputBox();
    const Step openTheList = [box] { box->showPopup(); };
    const Step clickTheFirstEntry = [box] {
        QAbstractItemView* list = box->view();
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualRect(list->model()->index(0, 0)).center());
    };
    const Step escapeInTheList = [box] { QTest::keyClick(box->view(), Qt::Key_Escape); };
    const Step up = Key(Qt::Key_Up), escape = Key(Qt::Key_Escape);
    const double nan = std::numeric_limits<double>::quiet_NaN(), inf = std::numeric_limits<double>::infinity();
    const double largest = std::numeric_limits<double>::max();
    const auto bits = [](double x) { return std::bit_cast<std::uint64_t>(x); };
    const struct {
        const char* name;
        std::vector<Step> keys;  // after the click, before the Enter
        const char* shown;
        double stored;
        double held = 1.0 / 3.0;  // the cell's value before the click
    } cases[] = {
        {"Up, typed", Then({up}, Type("5")), "5|", 5.0},
        {"Up, Up, Down, typed", Then({up, up, Key(Qt::Key_Down)}, Type("7")), "7|", 7.0},
        {"chosen from the opened list, typed", Then({openTheList, clickTheFirstEntry}, Type("5")), "5|", 5.0},
        {"Up, End, typed", Then({up, Key(Qt::Key_End)}, Type("5")), "14565|", 14565.0},
        {"Up alone", {up}, "1456|1456", 1456.0},
        {"the value as it came", {}, kThird, third},
        {"typed over the value, Escape", Then(Type("3700"), {escape}), kThird, third},
        {"End, typed, Escape", Then({Key(Qt::Key_End)}, Then(Type("1"), {escape})), kThird, third},
        {"list open, Escape", Then(Type("3700"), {openTheList, escapeInTheList}), "3700|", 3700.0},
        {"Ctrl+Escape", Then(Type("3700"), {Key(Qt::Key_Escape, Qt::ControlModifier)}), "3700|", 3700.0},
        {"Alt+Escape", Then(Type("3700"), {Key(Qt::Key_Escape, Qt::AltModifier)}), "3700|", 3700.0},
        {"NAN as it came", {}, "NAN|NAN", nan, nan},
        {"INF as it came", {}, "INF|INF", inf, inf},
        {"the largest double as it came", {}, "1.79769313486232E308|1.79769313486232E308", largest, largest},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        model_->SetValue(2, 1, c.held);
        main_->RefreshActivePage();
        box->setCurrentIndex(1);
        main_->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(main_));
        std::string shown;
        ASSERT_TRUE(RunSteps(Then(Then({ClickCell(2, 3)}, c.keys), {Look(shown), Key(Qt::Key_Return)})));
        EXPECT_EQ(shown, c.shown);
        EXPECT_FALSE(box->view()->isVisible());
        EXPECT_EQ(bits(model_->GetValue(2, 1)), bits(c.stored));
        EXPECT_TRUE(ui_.CallsOf(ServiceCall::MessageBox).empty());
        if (bits(c.stored) != bits(c.held)) {
            UndoRoad(2, 1, c.held);
        } else {
            EXPECT_FALSE(ui_.UndoEditEnabled());
        }
    }
}

// A key meant as an edit, typed over the selected value, gives a formula
// the evaluator refuses: nothing is stored.
TEST_F(InputBoxEnterTest, AnEditTypedOverTheSelectedValueStoresNothing) {
    StartRoad();
    ui_.QueueOK();  // the evaluator's message
    std::vector<Step> steps = {ClickCell(2, 3)};
    Append(steps, Type("*1.1"));
    steps.push_back(Key(Qt::Key_Return));
    ASSERT_TRUE(RunSteps(steps));
    EXPECT_EQ(Values(), (std::vector<double>{1, 10, 5, 2, 20, 3, 3, 30, 8, 4, 40, 1}));
    EXPECT_FALSE(ui_.UndoEditEnabled());
    EXPECT_EQ(ui_.MessageTexts(), (std::vector<std::string>{"【式実行時エラー】\n文法エラー：\r\n*1"}));
    EXPECT_EQ(Line()->text().toStdString(), "*1.1");
}

// End, an arrow or a click in the box keeps the selected value for editing.
TEST_F(InputBoxEnterTest, EndArrowOrClickKeepTheValueForEditing) {
    const struct {
        const char* name;
        Step keep;
        const char* typed;
        const char* edited;
        double stored;
    } cases[] = {
        {"End", Key(Qt::Key_End), "0", "300", 300.0},
        {"Home", Key(Qt::Key_Home), "1", "130", 130.0},
        {"click right of the text", ClickBoxEnd(), "5", "305", 305.0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        StartRoad();
        std::string arrived, edited;
        std::vector<Step> steps = {ClickCell(2, 3), Look(arrived), c.keep};
        Append(steps, Type(c.typed));
        steps.push_back(Look(edited));
        steps.push_back(Key(Qt::Key_Return));
        ASSERT_TRUE(RunSteps(steps));
        EXPECT_EQ(arrived, "30|30");
        EXPECT_EQ(edited, std::string(c.edited) + "|");
        EXPECT_DOUBLE_EQ(model_->GetValue(2, 1), c.stored);
        UndoRoad(2, 1, 30.0);
    }
}

// The assistant's key opens it at once, whatever the box holds.
TEST_F(InputBoxEnterTest, CtrlAOpensTheAssistantAtOnce) {
    const Road roads[] = {
        {"text typed", Then({ClickCell(2, 3)}, Type("1+"))},
        {"caret inside the text", {ClickCell(2, 3), Key(Qt::Key_Home)}},
    };
    for (const Road& road : roads) {
        SCOPED_TRACE(road.name);
        StartRoad();
        std::string opened;
        std::vector<Step> steps = road.before;
        steps.push_back(Key(Qt::Key_A, Qt::ControlModifier));
        steps.push_back([&] {
            QWidget* w = QApplication::activeModalWidget();
            opened = w ? w->metaObject()->className() : "none";
            if (w) w->close();
        });
        ASSERT_TRUE(RunSteps(steps));
        EXPECT_EQ(opened, "TfrmInputAssist");
    }
}

// The grid takes no typing: a key typed while it has the focus neither
// starts an entry nor changes the box.
TEST_F(InputBoxEnterTest, KeysTypedOnTheGridStoreNothing) {
    const Road roads[] = {
        {"column name clicked", {ClickCell(2, 3), ClickCell(1, 0)}},
        {"row header clicked", {ClickCell(2, 3), ClickCell(0, 2)}},
        {"after an Enter in the box", {ClickCell(2, 3), Key(Qt::Key_Return)}},
    };
    const std::vector<double> before = Values();
    for (const Road& road : roads) {
        SCOPED_TRACE(road.name);
        StartRoad();
        std::vector<Step> steps = road.before;
        std::string focus;
        steps.push_back([&] { focus = QApplication::focusWidget()->objectName().toStdString(); });
        Append(steps, Type("5"));
        steps.push_back(Key(Qt::Key_Return));
        ASSERT_TRUE(RunSteps(steps));
        EXPECT_EQ(focus, "sgEdit");
        EXPECT_EQ(Values(), before);
        EXPECT_FALSE(ui_.UndoEditEnabled());
        EXPECT_EQ(Line()->text().toStdString(), "30");
        EXPECT_EQ(QApplication::focusWidget(), Grid());
        EXPECT_TRUE(ui_.CallsOf(ServiceCall::MessageBox).empty());
    }
}

}  // namespace
