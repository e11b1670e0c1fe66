// Action shortcuts that an edit field would otherwise claim for itself.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QTest>

#include <functional>
#include <utility>

#include "components/view/action_keys_first.h"
#include "gui_fixture.h"
#include "started_windows.h"

namespace {

// True when the edit keeps the key from the shortcuts.
bool EditClaims(QWidget* edit, Qt::Key key) {
    QKeyEvent override(QEvent::ShortcutOverride, key, Qt::ControlModifier);
    override.ignore();
    QApplication::sendEvent(edit, &override);
    return override.isAccepted();
}

TEST(ActionKeysFirst, ChosenShortcutsPassTheEdit) {
    TestApp();
    QWidget window;
    auto* edit = new QLineEdit(&window);
    auto* selectAll = new QAction(&window);
    selectAll->setShortcut(QKeySequence(QStringLiteral("Ctrl+A")));
    ASSERT_TRUE(EditClaims(edit, Qt::Key_A));  // the edit's own "select all"
    LetActionKeysPass(edit, {selectAll});
    EXPECT_FALSE(EditClaims(edit, Qt::Key_A));
    EXPECT_TRUE(EditClaims(edit, Qt::Key_C));  // copy stays the edit's
    // A disabled action leaves the key to the edit.
    selectAll->setEnabled(false);
    EXPECT_TRUE(EditClaims(edit, Qt::Key_A));
    // An edit inside a combo box.
    QComboBox combo(&window);
    combo.setEditable(true);
    LetActionKeysPass(combo.lineEdit(), {selectAll});
    selectAll->setEnabled(true);
    EXPECT_FALSE(EditClaims(combo.lineEdit(), Qt::Key_A)) << "combo";
}

class MainInputKeysTest : public StartedWindows {
protected:
    MainInputKeysTest() : StartedWindows("inputkeys") {}
};

TEST_F(MainInputKeysTest, AssistAndUserDefinitionKeysPassTheInputLine) {
    QLineEdit* line = main_->InputBox()->lineEdit();
    ASSERT_TRUE(main_->Action("Assist")->isEnabled());
    EXPECT_FALSE(EditClaims(line, Qt::Key_A));
    EXPECT_FALSE(EditClaims(line, Qt::Key_U));
    // Copy is the edit's only while the user edits its text.
    EXPECT_FALSE(EditClaims(line, Qt::Key_C));
    QTest::keyClicks(line, "1");
    EXPECT_TRUE(EditClaims(line, Qt::Key_C));
    // Ctrl+A is the assistant's whatever the line holds or has selected.
    const std::pair<const char*, std::function<void()>> states[] = {
        {"typed, nothing selected", [] {}},
        {"all selected", [line] { line->selectAll(); }},
        {"part selected", [line] { line->setSelection(0, 1); }},
        {"emptied", [line] { line->clear(); }},
    };
    for (const auto& [what, make] : states) {
        make();
        EXPECT_FALSE(EditClaims(line, Qt::Key_A)) << what;
        EXPECT_FALSE(EditClaims(line, Qt::Key_U)) << what;
    }
}

}  // namespace
