// Typing into the data grid: the input box, continuous input and range
// editing, each undone afterwards.
#include <gtest/gtest.h>

#include <QAction>
#include <QComboBox>
#include <QLineEdit>
#include <QTest>

#include <bit>
#include <cstdint>
#include <limits>

#include "app/application.h"
#include "app/main_window/main_window.h"
#include "core/model/regression_file.h"
#include "core/model/regression_model.h"
#include "core/text/number_format.h"
#include "eval/app_state.h"
#include "platform/qt/string_grid.h"
#include "started_windows.h"

namespace {

class DataEntryTest : public StartedWindows {
protected:
    DataEntryTest() : StartedWindows("entry") {
        // Three variables, four observations: A = 1..4, B = 10..40, C = 5,3,8,1.
        auto model = MakeModel({{1, 2, 3, 4}, {10, 20, 30, 40}, {5, 3, 8, 1}}, {}, {"A", "B", "C"});
        SaveAs(*model, dir_.Path("three.MDF"));
        main_->OpenAndRemember(dir_.Path("three.MDF"));
        model_ = state_.Model();
        ui_.ClearCalls();
    }
    void Type(int c, int r, const std::string& text) {
        main_->EditGrid()->SetCurrentCell(c, r);
        main_->InputBox()->setEditText(QString::fromStdString(text));
        main_->cbInputKeyPress('\r');
    }
    double V(int i, int j) const { return model_->GetValue(i, j); }
    void Undo() { ASSERT_TRUE(state_.Undo().Undo(*model_)); }

    Reg* model_ = nullptr;
};

// ---- input box -------------------------------------------------------------------

TEST_F(DataEntryTest, EnterWritesValuesAndFormulasIntoTheCurrentCell) {
    struct Case {
        const char* text;
        double expected;
    } cases[] = {{"7", 7.0}, {"2*3+1", 7.0}, {"@@+1", 2.0}, {"#A[2]*2", 4.0}, {"-0.5", -0.5}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        Type(1, 1, c.text);
        EXPECT_DOUBLE_EQ(V(0, 0), c.expected);
        EXPECT_EQ(main_->EditGrid()->Cell(1, 1).toStdString(), FormatNumber(false, c.expected));
        Undo();
        EXPECT_DOUBLE_EQ(V(0, 0), 1.0);
    }
    EXPECT_TRUE(ui_.CallsOf(ServiceCall::MessageBox).empty());
}

TEST_F(DataEntryTest, ReturnKeyInTheBoxIsWiredToTheCellCommand) {
    main_->EditGrid()->SetCurrentCell(2, 3);
    QLineEdit* line = main_->InputBox()->lineEdit();
    line->setText("99");
    QTest::keyClick(line, Qt::Key_Return);
    EXPECT_DOUBLE_EQ(V(2, 1), 99.0);
    EXPECT_EQ(main_->InputBox()->count(), 1);
}

TEST_F(DataEntryTest, HistoryKeepsEachTextOnceFailedOnesToo) {
    Type(1, 1, "5");
    Type(1, 2, "5");
    ui_.QueueOK();
    Type(1, 3, "nosuchname+1");
    ui_.QueueOK();
    Type(1, 4, "3+");
    EXPECT_EQ(main_->InputBox()->count(), 3);
    EXPECT_GE(main_->InputBox()->findText("nosuchname+1"), 0);
    // The failed texts changed nothing and said why.
    EXPECT_DOUBLE_EQ(V(2, 0), 3.0);
    EXPECT_DOUBLE_EQ(V(3, 0), 4.0);
    const auto boxes = ui_.CallsOf(ServiceCall::MessageBox);
    ASSERT_EQ(boxes.size(), 2u);
    for (const auto& b : boxes) EXPECT_EQ(b.text.rfind("【式実行時エラー】\n", 0), 0u) << b.text;
}

TEST_F(DataEntryTest, EqualValueRecordsNoUndoStepAndEmptyTextDoesNothing) {
    Type(2, 1, "10");
    EXPECT_FALSE(state_.Undo().CanUndo());
    Type(2, 1, "");
    EXPECT_FALSE(state_.Undo().CanUndo());
    EXPECT_EQ(main_->InputBox()->count(), 1);  // "10" only
}

TEST_F(DataEntryTest, ResultThatIsNoNumberIsRefused) {
    ui_.QueueOK();
    Type(1, 1, "1/0");
    EXPECT_DOUBLE_EQ(V(0, 0), 1.0);
    EXPECT_FALSE(state_.Undo().CanUndo());
    EXPECT_EQ(ui_.CallsOf(ServiceCall::MessageBox).size(), 1u);
}

// ---- continuous input ------------------------------------------------------------

TEST_F(DataEntryTest, ContinuousInputRunsInRowOrderAndStopsOnCancel) {
    main_->EditGrid()->SetCurrentCell(3, 1);  // C[1], the last cell of a row
    ui_.QueueInput("100");                   // C[1]
    ui_.QueueInput("@@*2");                  // A[2], its old value doubled
    ui_.QueueCancel();                       // B[2]
    main_->mnuRenzokuClick();
    const auto prompts = ui_.CallsOf(ServiceCall::Input);
    ASSERT_EQ(prompts.size(), 3u);
    EXPECT_EQ(prompts[0].text, "C[1]");
    EXPECT_EQ(prompts[0].initial, "5");
    EXPECT_EQ(prompts[1].text, "A[2]");
    EXPECT_EQ(prompts[2].text, "B[2]");
    EXPECT_DOUBLE_EQ(V(0, 2), 100.0);
    EXPECT_DOUBLE_EQ(V(1, 0), 4.0);
    Undo();
    Undo();
    EXPECT_DOUBLE_EQ(V(0, 2), 5.0);
    EXPECT_DOUBLE_EQ(V(1, 0), 2.0);
}

TEST_F(DataEntryTest, ContinuousInputEndsAfterTheLastCell) {
    main_->EditGrid()->SetCurrentCell(3, 4);
    ui_.QueueInput("9");
    main_->mnuRenzokuClick();
    EXPECT_EQ(ui_.CallsOf(ServiceCall::Input).size(), 1u);
    EXPECT_DOUBLE_EQ(V(3, 2), 9.0);
}

TEST_F(DataEntryTest, ContinuousInputFollowsNavigationCodesAndSkipsErrors) {
    main_->EditGrid()->SetCurrentCell(1, 1);
    ui_.QueueInput(100, "");       // Alt+Left at the first cell: stays
    ui_.QueueInput(105, "");       // Alt+Down: A[2]
    ui_.QueueInput(203, "");       // Ctrl+Alt+Down: A[4]
    ui_.QueueInput("bad name");    // error shown, moves on to B[4]
    ui_.QueueOK();
    ui_.QueueInput("");            // emptied field: B[4] kept, on to C[4]
    ui_.QueueInput("0");
    main_->mnuRenzokuClick();
    std::vector<std::string> labels;
    for (const auto& p : ui_.CallsOf(ServiceCall::Input)) labels.push_back(p.text);
    EXPECT_EQ(labels, (std::vector<std::string>{"A[1]", "A[1]", "A[2]", "A[4]", "B[4]", "C[4]"}));
    EXPECT_DOUBLE_EQ(V(3, 0), 4.0);
    EXPECT_DOUBLE_EQ(V(3, 1), 40.0);
    EXPECT_DOUBLE_EQ(V(3, 2), 0.0);
    EXPECT_EQ(ui_.CallsOf(ServiceCall::MessageBox).size(), 1u);
}

// OK on the cell's value as the prompt showed it keeps the cell: 1/3 is not
// rewritten in 15 digits, the largest double (whose text reads back past
// the range) says nothing. A typed text is stored as before.
TEST_F(DataEntryTest, ContinuousInputKeepsTheValueItShowedWhenTakenAsItCame) {
    const double third = 1.0 / 3.0, largest = std::numeric_limits<double>::max();
    model_->SetValue(0, 0, third);
    model_->SetValue(1, 1, largest);
    main_->EditGrid()->SetCurrentCell(1, 1);
    ui_.QueueInput("0.333333333333333");     // A[1] as shown
    ui_.QueueInput("0.333333333333333");     // B[1]: typed over 10
    ui_.QueueInput("@@*2");                  // C[1]: 5 doubled
    ui_.QueueInput("");                      // A[2]: emptied
    ui_.QueueInput("1.79769313486232E308");  // B[2] as shown
    ui_.QueueInput("3");                     // C[2] as shown
    ui_.QueueCancel();                       // A[3]
    main_->mnuRenzokuClick();
    std::vector<std::string> shown;
    for (const auto& p : ui_.CallsOf(ServiceCall::Input)) shown.push_back(p.initial);
    EXPECT_EQ(shown, (std::vector<std::string>{"0.333333333333333", "10", "5", "2", "1.79769313486232E308", "3",
                                               "3"}));
    EXPECT_EQ(std::bit_cast<std::uint64_t>(V(0, 0)), std::bit_cast<std::uint64_t>(third));
    EXPECT_EQ(V(0, 1), 0.333333333333333);
    EXPECT_EQ(V(0, 2), 10.0);
    EXPECT_EQ(V(1, 0), 2.0);
    EXPECT_EQ(V(1, 1), largest);
    EXPECT_EQ(V(1, 2), 3.0);
    EXPECT_TRUE(ui_.CallsOf(ServiceCall::MessageBox).empty());
    // One step for each typed value, none for the ones kept.
    Undo();
    Undo();
    EXPECT_FALSE(state_.Undo().CanUndo());
    EXPECT_EQ(V(0, 1), 10.0);
    EXPECT_EQ(V(0, 2), 5.0);
}

// ---- range edit ------------------------------------------------------------------

TEST_F(DataEntryTest, RangeEditOverTheSelectedBlock) {
    struct Case {
        const char* answer;
        std::vector<double> rows12;  // A..C of observations 1 and 2 afterwards
    } cases[] = {
        {"1,2,3", {1, 2, 3, 3, 3, 3}},
        {"=@@*10", {10, 100, 50, 20, 200, 30}},
        {"=index", {1, 1, 1, 2, 2, 2}},
        {"={7,8}", {7, 8, 5, 2, 20, 3}},
        {"0", {0, 0, 0, 0, 0, 0}},
    };
    const std::vector<double> before{1, 10, 5, 2, 20, 3};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.answer);
        main_->EditGrid()->SetSelection({1, 1, 3, 2});
        ui_.QueueInput(c.answer);
        main_->mnuEditRangeClick();
        std::vector<double> got;
        for (int i = 0; i < 2; ++i)
            for (int j = 0; j < 3; ++j) got.push_back(V(i, j));
        EXPECT_EQ(got, c.rows12);
        EXPECT_DOUBLE_EQ(V(2, 0), 3.0);  // outside the block
        Undo();                          // one step for the whole block
        got.clear();
        for (int i = 0; i < 2; ++i)
            for (int j = 0; j < 3; ++j) got.push_back(V(i, j));
        EXPECT_EQ(got, before);
        EXPECT_FALSE(state_.Undo().CanUndo());
    }
}

TEST_F(DataEntryTest, RangeEditWithAnErrorChangesNothing) {
    main_->EditGrid()->SetSelection({1, 1, 3, 2});
    ui_.QueueInput("1,nosuch,3");
    ui_.QueueOK();
    main_->mnuEditRangeClick();
    EXPECT_DOUBLE_EQ(V(0, 0), 1.0);
    EXPECT_FALSE(state_.Undo().CanUndo());
    ui_.QueueCancel();
    main_->mnuEditRangeClick();
    ui_.QueueInput("");
    main_->mnuEditRangeClick();
    EXPECT_FALSE(state_.Undo().CanUndo());
    EXPECT_EQ(ui_.CallsOf(ServiceCall::Input).front().text, "数式入力");
}

}  // namespace

namespace {

// The menu's Undo and Redo take back and bring again the last edit step,
// the grid refreshed.
TEST_F(DataEntryTest, UndoAndRedoActionsWalkTheEditSteps) {
    Type(1, 1, "7");
    Type(2, 3, "#B[1]+1");
    ASSERT_EQ(V(2, 1), 11.0);
    QAction* undo = main_->Action("UndoEdit");
    QAction* redo = main_->Action("RedoEdit");
    ASSERT_NE(undo, nullptr);
    ASSERT_NE(redo, nullptr);
    undo->trigger();
    EXPECT_EQ(V(2, 1), 30.0);
    EXPECT_EQ(main_->EditGrid()->Cell(2, 3).toStdString(), FormatNumber(false, 30.0));
    undo->trigger();
    EXPECT_EQ(V(0, 0), 1.0);
    undo->trigger();  // nothing left: no change
    EXPECT_EQ(V(0, 0), 1.0);
    redo->trigger();
    redo->trigger();
    EXPECT_EQ(V(0, 0), 7.0);
    EXPECT_EQ(V(2, 1), 11.0);
    EXPECT_EQ(main_->EditGrid()->Cell(1, 1).toStdString(), FormatNumber(false, 7.0));
}

}  // namespace
