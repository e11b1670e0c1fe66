// The one-line prompt: navigation codes, the choice list, and keys that
// must stay with the combo box.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include "gui_fixture.h"
#include "platform/qt/input_dlg.h"
#include "platform/ui_services.h"

namespace {

class InputDlgTest : public ::testing::Test {
protected:
    InputDlgTest() { TestApp(); }

    // Shows the dialog without a nested loop and sends one key to the
    // combo box's line edit; the dialog's result afterwards.
    int Press(int key, Qt::KeyboardModifiers mods) {
        TInputDlg dlg;
        dlg.SetPrompt("値は？");
        dlg.AddItem("A");
        dlg.AddItem("B");
        dlg.show();
        dlg.setResult(-1);
        QWidget* target = dlg.eInput->lineEdit();
        QKeyEvent press(QEvent::KeyPress, key, mods);
        QCoreApplication::sendEvent(target, &press);
        const int result = dlg.isVisible() ? -1 : dlg.result();
        dlg.hide();
        return result;
    }
};

TEST_F(InputDlgTest, AltKeysEndTheDialogWithTheirNavigationCodes) {
    struct Case {
        int key;
        Qt::KeyboardModifiers mods;
        int code;
    };
    const Qt::KeyboardModifiers alt = Qt::AltModifier;
    const Qt::KeyboardModifiers altCtrl = Qt::AltModifier | Qt::ControlModifier;
    const Case cases[] = {
        {Qt::Key_Left, alt, 100},  {Qt::Key_Right, alt, 101}, {Qt::Key_Home, alt, 102},  {Qt::Key_End, alt, 103},
        {Qt::Key_Up, alt, 104},    {Qt::Key_Down, alt, 105},  {Qt::Key_N, alt, 106},     {Qt::Key_K, alt, 107},
        {Qt::Key_T, alt, 108},     {Qt::Key_Left, altCtrl, 200}, {Qt::Key_Right, altCtrl, 201},
        {Qt::Key_Home, altCtrl, 202}, {Qt::Key_End, altCtrl, 203}, {Qt::Key_Up, altCtrl, 202},
        {Qt::Key_Down, altCtrl, 203}, {Qt::Key_N, altCtrl, 106}, {Qt::Key_K, altCtrl, 107}, {Qt::Key_T, altCtrl, 108},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.key);
        EXPECT_EQ(TInputDlg::NavigationCode(c.key, c.mods), c.code);
        EXPECT_EQ(Press(c.key, c.mods), c.code);
    }
}

TEST_F(InputDlgTest, KeysWithoutAltStayWithTheComboBox) {
    struct Case {
        int key;
        Qt::KeyboardModifiers mods;
    };
    for (const Case& c : {Case{Qt::Key_Up, Qt::NoModifier}, Case{Qt::Key_Down, Qt::NoModifier},
                          Case{Qt::Key_N, Qt::NoModifier}, Case{Qt::Key_Left, Qt::ControlModifier},
                          Case{Qt::Key_A, Qt::AltModifier}}) {
        SCOPED_TRACE(c.key);
        EXPECT_EQ(TInputDlg::NavigationCode(c.key, c.mods), 0);
        EXPECT_EQ(Press(c.key, c.mods), -1) << "the dialog closed";
    }
}

TEST_F(InputDlgTest, ButtonsGiveOkAndCancel) {
    TInputDlg dlg;
    dlg.show();
    dlg.OKBtn->click();
    EXPECT_EQ(dlg.result(), mrOK);
    dlg.show();
    dlg.CancelBtn->click();
    EXPECT_EQ(dlg.result(), mrCancel);
}

TEST_F(InputDlgTest, SetPromptClearsTheChoicesAndResetPromptKeepsThem) {
    TInputDlg dlg;
    dlg.SetPrompt("横軸？");
    dlg.AddItem("X");
    dlg.AddItemUnique("Y");
    dlg.AddItemUnique("X");
    dlg.SetText("X");
    EXPECT_EQ(dlg.ItemCount(), 2);
    dlg.RemoveItem("X");
    dlg.ResetPrompt("縦軸？");
    EXPECT_EQ(dlg.Prompt(), "縦軸？");
    EXPECT_EQ(dlg.Text(), "");
    EXPECT_EQ(dlg.ItemCount(), 1);
    dlg.SetPrompt("次？");
    EXPECT_EQ(dlg.ItemCount(), 0);
    EXPECT_EQ(dlg.Text(), "");
}

}  // namespace

namespace {

TEST_F(InputDlgTest, AssistantButtonWorksOnlyWithAnAssistant) {
    TInputDlg dlg;
    EXPECT_FALSE(dlg.btnAssist->isEnabled());
    dlg.SetText("x");
    dlg.SetAssistHandler([](std::string& text) {
        text += " + 1";
        return true;
    });
    ASSERT_TRUE(dlg.btnAssist->isEnabled());
    dlg.btnAssist->click();
    EXPECT_EQ(dlg.Text(), "x + 1");
    dlg.SetAssistHandler([](std::string&) { return false; });
    dlg.btnAssist->click();
    EXPECT_EQ(dlg.Text(), "x + 1");
}

// Typed text completes to the first choice it begins (the first Return
// takes the completion, the next the dialog), but a choice is answered as
// typed and erasing does not complete again.
TEST_F(InputDlgTest, ATextThatIsAChoiceIsAnsweredAsTypedAndAPrefixStillCompletes) {
    const struct {
        const char* typed;
        const char* answer;
        int returns;
    } cases[] = {{"GNP", "GNP", 1}, {"gnp", "GNP", 1}, {"GN", "GNPDEF", 2}, {"GN\b", "GN", 1}, {"UNEMP", "UNEMP", 1}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.typed);
        TInputDlg dlg;
        dlg.SetPrompt("変数名？");
        for (const char* choice : {"GNPDEF", "GNP", "POP"}) dlg.AddItem(choice);
        dlg.show();
        QLineEdit* line = dlg.eInput->lineEdit();
        line->setFocus();
        QTest::keyClicks(line, c.typed);
        int returns = 0;
        for (; dlg.isVisible() && returns < 3; ++returns) QTest::keyClick(line, Qt::Key_Return);
        EXPECT_EQ(dlg.Text(), c.answer);
        EXPECT_EQ(returns, c.returns);
        EXPECT_EQ(dlg.result(), mrOK);
    }
}

}  // namespace
