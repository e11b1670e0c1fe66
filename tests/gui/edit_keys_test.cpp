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

TEST_F(EditKeysTest, SavingEmptiesTheUndoAndRedoLists) {
    ClickCell(1, 1);
    Enter("42");
    ClickCell(1, 2);
    Enter("43");
    ASSERT_TRUE(state_.Undo().Undo(*model_));  // 43 back to 2: one step each way
    main_->SaveFileExecute();
    EXPECT_FALSE(ui_.UndoEditEnabled() || ui_.RedoEditEnabled());
    // Nothing comes back that the saved file does not hold.
    main_->UndoEditExecute();
    main_->RedoEditExecute();
    EXPECT_DOUBLE_EQ(model_->GetValue(0, 0), 42.0);
    EXPECT_DOUBLE_EQ(model_->GetValue(1, 0), 2.0);
    EXPECT_FALSE(model_->IsModified());
}

// Keys pressed with the main window active, as the user presses them. The
// store enables undo and redo through the Qt services in the program.
TEST_F(EditKeysTest, EditKeysReachTheWindowUnlessTheUserTypesInTheInputBox) {
    main_->show();
    QApplication::setActiveWindow(main_);
    ASSERT_TRUE(QTest::qWaitForWindowActive(main_));
    for (const char* name : {"UndoEdit", "RedoEdit"}) main_->Action(name)->setEnabled(true);
    auto press = [](Qt::Key key, Qt::KeyboardModifiers mods = Qt::ControlModifier) {
        QTest::keyClick(QApplication::focusWidget(), key, mods);
    };
    ClickCell(1, 3);
    Enter("42");
    ClickCell(1, 3);
    press(Qt::Key_Z);
    EXPECT_DOUBLE_EQ(model_->GetValue(2, 0), 3.0) << "Ctrl+Z undid the cell";
    EXPECT_EQ(Line()->text().toStdString(), "3");  // the box follows the cell
    press(Qt::Key_Z, Qt::ControlModifier | Qt::AltModifier);
    EXPECT_DOUBLE_EQ(model_->GetValue(2, 0), 42.0) << "Ctrl+Alt+Z redid it";
    EXPECT_EQ(Line()->text().toStdString(), "42");
    // A disabled paste uses the key up: the box does not paste either.
    QGuiApplication::clipboard()->setText(QStringLiteral("*3"));
    press(Qt::Key_V);
    EXPECT_EQ(Line()->text().toStdString(), "42");

    // Typing makes the keys the box's: its own undo and paste. End keeps
    // the selected value for editing.
    QTest::keyClick(Line(), Qt::Key_End);
    QTest::keyClicks(Line(), "+1");
    press(Qt::Key_Z);
    EXPECT_EQ(Line()->text().toStdString(), "42");
    press(Qt::Key_V);
    EXPECT_EQ(Line()->text().toStdString(), "42*3");
    EXPECT_DOUBLE_EQ(model_->GetValue(2, 0), 42.0);
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
