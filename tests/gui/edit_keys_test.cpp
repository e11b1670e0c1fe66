// The edit commands of the main window as the keyboard reaches them: the
// undo history after a save, the edit keys while the input box has the
// focus, and the input box following the current cell.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QLineEdit>
#include <QTest>

#include "core/model/regression_model.h"
#include "platform/qt/string_grid.h"
#include "started_windows.h"

namespace {

class EditKeysTest : public StartedWindows {
protected:
    EditKeysTest() : StartedWindows("editkeys") {
        // X = 1..5, Y = 2 4 5 4 5.
        WriteSampleDataFile(dir_.Path("s.MDF"));
        main_->OpenAndRemember(dir_.Path("s.MDF"));
        model_ = state_.Model();
    }
    // A click on data cell (variable j, observation i), both from 1.
    void ClickCell(int j, int i) {
        main_->EditGrid()->SetCurrentCell(j, i);
        main_->sgEditClick();
    }
    // Types text into the input box and presses Enter there.
    void Enter(const std::string& text) {
        main_->InputBox()->setEditText(QString::fromStdString(text));
        main_->cbInputKeyPress('\r');
    }
    QLineEdit* Line() const { return main_->InputBox()->lineEdit(); }
    Reg* model_ = nullptr;
};

TEST_F(EditKeysTest, SavingEmptiesTheUndoAndRedoListsAndLeavesTheDataUnmodified) {
    ClickCell(1, 1);
    Enter("42");
    ClickCell(1, 2);
    Enter("43");
    ASSERT_TRUE(state_.Undo().Undo(*model_));  // 43 back to 2: one step to redo
    ASSERT_TRUE(state_.Undo().CanUndo());
    ASSERT_TRUE(state_.Undo().CanRedo());
    main_->SaveFileExecute();
    EXPECT_FALSE(state_.Undo().CanUndo());
    EXPECT_FALSE(state_.Undo().CanRedo());
    EXPECT_FALSE(ui_.UndoEditEnabled());
    EXPECT_FALSE(ui_.RedoEditEnabled());
    EXPECT_FALSE(model_->IsModified());
    // Nothing comes back that the saved file does not hold.
    main_->UndoEditExecute();
    main_->RedoEditExecute();
    EXPECT_DOUBLE_EQ(model_->GetValue(0, 0), 42.0);
    EXPECT_DOUBLE_EQ(model_->GetValue(1, 0), 2.0);
    EXPECT_FALSE(model_->IsModified());
}

// Keys pressed with the main window active, as the user presses them.
class EditKeysShownTest : public EditKeysTest {
protected:
    EditKeysShownTest() {
        main_->show();
        QApplication::setActiveWindow(main_);
        activated_ = QTest::qWaitForWindowActive(main_);
        // The store enables the actions through the Qt services in the
        // program; these tests have scripted ones.
        for (const char* name : {"UndoEdit", "RedoEdit"}) main_->Action(name)->setEnabled(true);
    }
    void Press(Qt::Key key, Qt::KeyboardModifiers mods = Qt::ControlModifier) {
        QTest::keyClick(QApplication::focusWidget(), key, mods);
    }
    bool activated_ = false;
};

TEST_F(EditKeysShownTest, EditKeysAfterAClickReachTheWindowsCommands) {
    ASSERT_TRUE(activated_);
    ClickCell(1, 3);
    Enter("42");
    ASSERT_DOUBLE_EQ(model_->GetValue(2, 0), 42.0);
    ClickCell(1, 3);
    ASSERT_TRUE(Line()->hasFocus() || main_->InputBox()->hasFocus());
    Press(Qt::Key_Z);
    EXPECT_DOUBLE_EQ(model_->GetValue(2, 0), 3.0) << "Ctrl+Z undid the cell";
    // The input box follows the cell the undo changed back.
    EXPECT_EQ(Line()->text().toStdString(), "3");
    Press(Qt::Key_Z, Qt::ControlModifier | Qt::AltModifier);
    EXPECT_DOUBLE_EQ(model_->GetValue(2, 0), 42.0) << "Ctrl+Alt+Z redid it";
    EXPECT_EQ(Line()->text().toStdString(), "42");

    // A disabled paste uses the key up: the input box does not paste either.
    QGuiApplication::clipboard()->setText(QStringLiteral("999"));
    ASSERT_FALSE(main_->Action("PasteEdit")->isEnabled());
    Press(Qt::Key_V);
    EXPECT_EQ(Line()->text().toStdString(), "42");
}

TEST_F(EditKeysShownTest, WhileTheUserTypesTheEditKeysAreTheInputBoxs) {
    ASSERT_TRUE(activated_);
    ClickCell(2, 1);
    Enter("7");
    ClickCell(2, 1);
    QTest::keyClicks(Line(), "+1");
    ASSERT_TRUE(main_->InputBeingEdited());
    Press(Qt::Key_Z);
    // The typing is undone in the box; the data keep the entered 7.
    EXPECT_DOUBLE_EQ(model_->GetValue(0, 1), 7.0);
    EXPECT_EQ(Line()->text().toStdString(), "7");
    QGuiApplication::clipboard()->setText(QStringLiteral("*3"));
    Press(Qt::Key_V);
    EXPECT_EQ(Line()->text().toStdString(), "7*3");
    // Back on a cell, the keys are the window's again.
    ClickCell(2, 1);
    EXPECT_FALSE(main_->InputBeingEdited());
    Press(Qt::Key_Z);
    EXPECT_DOUBLE_EQ(model_->GetValue(0, 1), 2.0);
}

TEST_F(EditKeysTest, InputBoxNeverKeepsTheValueOfADeletedCell) {
    ClickCell(1, 5);
    ASSERT_EQ(Line()->text().toStdString(), "5");
    // The last observation leaves the data set under the cursor.
    ui_.QueueInput("5");
    main_->DATDELExecute();
    ASSERT_EQ(model_->GetObsCount(), 4);
    const int row = main_->EditGrid()->Row();
    // The cursor's cell where there is one (X = 1..4), else nothing.
    EXPECT_EQ(Line()->text().toStdString(), row >= 1 && row <= 4 ? std::to_string(row) : std::string());
}

}  // namespace
