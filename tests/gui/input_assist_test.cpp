// The expression assistant: its keys, pickers and statistic menu, "計",
// and handing the expression back to the input line and the prompt.
#include <gtest/gtest.h>

#include <functional>

#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include "components/view/input_assist.h"
#include "components/view/input_assist_text.h"
#include "eval/reserved_words.h"
#include "gui_fixture.h"
#include "macro/macro_engine.h"
#include "platform/qt/input_dlg.h"
#include "started_windows.h"

namespace {

// ---- character-aware text edits ----------------------------------------------

struct EditCase {
    const char* text;
    int caret;
    const char* afterBS;
    int caretAfterBS;
    const char* afterDel;
    int caretAfterDel;
};

TEST(InputAssistText, BackspaceAndDeleteTakeWholeCharacters) {
    // "𠮷" lies outside the basic plane: two UTF-16 units, one character.
    const EditCase cases[] = {
        {"ab", 1, "b", 0, "a", 1},
        {"ab", 0, "ab", 0, "b", 0},
        {"ab", 2, "a", 1, "ab", 2},
        {"x変数y", 2, "x数y", 1, "x変y", 2},
        {"a𠮷b", 3, "ab", 1, "a𠮷", 3},
        {"a𠮷b", 1, "𠮷b", 0, "ab", 1},
        {"", 0, "", 0, "", 0},
        {"abc", 9, "ab", 2, "abc", 3},  // a caret past the end counts as the end
    };
    for (const EditCase& c : cases) {
        const QString text = QString::fromUtf8(c.text);
        EXPECT_EQ(DeleteBeforeCaret(text, c.caret), (AssistEdit{QString::fromUtf8(c.afterBS), c.caretAfterBS})) << c.text;
        EXPECT_EQ(DeleteAtCaret(text, c.caret), (AssistEdit{QString::fromUtf8(c.afterDel), c.caretAfterDel})) << c.text;
    }
}

TEST(InputAssistText, CaretMovesByCharacters) {
    const QString text = QString::fromUtf8("a𠮷b");
    for (auto [from, to] : {std::pair{1, 3}, std::pair{4, 4}, std::pair{0, 1}}) EXPECT_EQ(CaretRight(text, from), to) << from;
    for (auto [from, to] : {std::pair{3, 1}, std::pair{0, 0}}) EXPECT_EQ(CaretLeft(text, from), to) << from;
}

TEST(InputAssistText, WordBeforeCaretAndPickedItems) {
    const struct {
        const char* text;
        int caret;
        const char* word;
    } words[] = {
        {"log(#X1", 7, "X1"}, {"#X1+", 4, ""}, {"所得2", 3, "所得2"}, {"a b", 1, "a"}, {"", 0, ""},
    };
    for (const auto& w : words)
        EXPECT_EQ(WordBeforeCaret(QString::fromUtf8(w.text), w.caret), QString::fromUtf8(w.word)) << w.text;
    EXPECT_EQ(VariableItemText("X"), "#X");
    EXPECT_EQ(VariableItemText("@rate"), "@rate");
    EXPECT_EQ(FunctionItemText("log"), "log(");
    EXPECT_EQ(FunctionItemText("@~mac"), "@~mac(");
}

// ---- the window ----------------------------------------------------------------

class InputAssistTest : public ::testing::Test {
protected:
    InputAssistTest() : assist_(state_) { state_.SetServices(&ui_); }
    ~InputAssistTest() override { state_.SetServices(nullptr); }

    void OpenData() { state_.SetModel(MakeModel({{1, 2, 3, 4}, {2, 4, 6, 9}}, {}, {"X", "所得"})); }
    void Click(std::initializer_list<const char*> names) {
        for (const char* name : names) {
            QPushButton* b = assist_.TokenButton(QString::fromLatin1(name));
            ASSERT_NE(b, nullptr) << name;
            b->click();
        }
    }
    // Chooses a statistic once the menu is open.
    static void ChooseFromMenu(const QString& item) {
        QTimer::singleShot(0, [item] {
            auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
            ASSERT_NE(menu, nullptr);
            for (QAction* a : menu->actions())
                if (a->text() == item) {
                    menu->setActiveAction(a);
                    QTest::keyClick(menu, Qt::Key_Return);
                    return;
                }
            menu->close();
        });
    }

    bool appReady_ = (TestApp(), true);
    ScriptedServices ui_;
    AppState state_;
    TfrmInputAssist assist_;
};

TEST_F(InputAssistTest, WithoutDataOnlyFunctionsAreOffered) {
    state_.UserFunctions().Entry(2).SetDefinition("sq(x) = x * x");
    MacroList& library = GetMacroEngine(state_).library;
    library.AddOrReplace("macro mac { 1 }");
    library.AddOrReplace("macro \"回帰\" { 2 }");
    assist_.SetRegData(nullptr);
    EXPECT_EQ(assist_.cbVarNames->count(), 0);
    ASSERT_EQ(assist_.cbFuncNames->count(), 57 + 1 + 2);
    const std::pair<int, const char*> items[] = {{0, "sin"}, {56, "hornor"}, {57, "@sq"}, {58, "@~mac"}, {59, "@~回帰"}};
    for (auto [i, text] : items) EXPECT_EQ(assist_.cbFuncNames->itemText(i), QString::fromUtf8(text)) << i;
}

TEST_F(InputAssistTest, VariablesThenTheActiveUserScalars) {
    OpenData();
    state_.UserScalars().SetName(3, false, "rate");
    state_.UserScalars().SetName(3, true, "fileRate");
    for (int bank : {0, 1}) {
        state_.UserScalars().SetBankSwitch(static_cast<std::uint8_t>(bank));
        assist_.SetRegData(state_.Model());
        ASSERT_EQ(assist_.cbVarNames->count(), 2 + 10);
        EXPECT_EQ(assist_.cbVarNames->itemText(0), "X");
        EXPECT_EQ(assist_.cbVarNames->itemText(1), QString::fromUtf8("所得"));
        EXPECT_EQ(assist_.cbVarNames->itemText(2), "@0");
        EXPECT_EQ(assist_.cbVarNames->itemText(5), bank ? "@fileRate" : "@rate");
    }
}

TEST_F(InputAssistTest, KeysAndPickersInsertAtTheCaret) {
    OpenData();
    assist_.SetRegData(state_.Model());
    assist_.cbFuncNamesChange(assist_.cbFuncNames->findText("log"));
    assist_.cbVarNamesChange(0);
    Click({"btnRK", "btnMul", "btnTwo", "btnComma", "btnSemiColon", "btnQuest", "btnColon"});
    EXPECT_EQ(assist_.Expression(), "log(#X)*2,;?:");
    assist_.btnHomeClick();
    assist_.cbVarNamesChange(2);  // "@0"
    EXPECT_EQ(assist_.Expression(), "@0log(#X)*2,;?:");
    // A selection is replaced.
    assist_.eEval->setSelection(2, 3);
    Click({"btnPlus"});
    EXPECT_EQ(assist_.Expression(), "@0+(#X)*2,;?:");
    assist_.btnACClick();
    EXPECT_EQ(assist_.Expression(), "");
}

TEST_F(InputAssistTest, CaretKeysAndCharacterAwareDeletion) {
    assist_.SetExpression("ab所得c");
    assist_.btnEndClick();
    assist_.btnLeftClick();
    EXPECT_EQ(assist_.eEval->cursorPosition(), 4);
    assist_.btnBSClick();
    EXPECT_EQ(assist_.Expression(), "ab所c");
    EXPECT_EQ(assist_.eEval->cursorPosition(), 3);
    assist_.btnLeftClick();
    assist_.btnDelClick();
    EXPECT_EQ(assist_.Expression(), "abc");
    assist_.btnHomeClick();
    assist_.btnRightClick();
    EXPECT_EQ(assist_.eEval->cursorPosition(), 1);
}

TEST_F(InputAssistTest, PeriodOffersStatisticsOnlyAfterADataVariable) {
    OpenData();
    assist_.SetRegData(state_.Model());
    // After another word: "." alone, no menu.
    assist_.SetExpression("sin");
    assist_.btnPeriodClick();
    EXPECT_EQ(assist_.Expression(), "sin.");
    // After a picked variable: the chosen statistic follows the ".".
    assist_.btnACClick();
    assist_.cbVarNamesChange(1);
    ChooseFromMenu("sig");
    assist_.btnPeriodClick();
    EXPECT_EQ(assist_.Expression(), "#所得.sig");
    // After a typed name: the same.
    assist_.btnACClick();
    assist_.eEval->insert("2*#X");
    ChooseFromMenu("max");
    assist_.btnPeriodClick();
    EXPECT_EQ(assist_.Expression(), "2*#X.max");
    // The menu closed without a choice inserts nothing.
    assist_.btnACClick();
    assist_.eEval->insert("#X");
    ChooseFromMenu("none");
    assist_.btnPeriodClick();
    EXPECT_EQ(assist_.Expression(), "#X");
}

TEST_F(InputAssistTest, TypedPeriodAfterAVariableOffersStatistics) {
    OpenData();
    assist_.SetRegData(state_.Model());
    assist_.eEval->insert("#X");
    ChooseFromMenu("ave");
    QTest::keyClick(assist_.eEval, Qt::Key_Period);
    EXPECT_EQ(assist_.Expression(), "#X.ave");
    assist_.eEval->insert("+3");
    QTest::keyClick(assist_.eEval, Qt::Key_Period);
    EXPECT_EQ(assist_.Expression(), "#X.ave+3.");
}

TEST_F(InputAssistTest, CalculateShowsTheValue) {
    OpenData();
    assist_.SetRegData(state_.Model());
    CMacro& host = GetMacroEngine(state_).host;
    host.SetCurrentValue(42.0);
    assist_.btnCalc->click();  // empty: nothing is evaluated (that would show 0)
    EXPECT_EQ(assist_.Expression(), "");
    assist_.SetExpression("(1+2)*3^2/4");
    assist_.btnCalc->click();
    EXPECT_EQ(assist_.Expression(), "6.75");  // 27 / 4
    EXPECT_EQ(assist_.eEval->cursorPosition(), 4);
    assist_.SetExpression("2^-1+1/8");
    QTest::keyClick(assist_.eEval, Qt::Key_A, Qt::ControlModifier);
    EXPECT_EQ(assist_.Expression(), "0.625");
    // "@@" is the value left last.
    assist_.SetExpression("@@*8");
    assist_.btnCalc->click();
    EXPECT_EQ(assist_.Expression(), "5");
    // A statistic built with the menu: the mean of 所得, (2 + 4 + 6 + 9) / 4.
    assist_.btnACClick();
    assist_.cbVarNamesChange(1);
    ChooseFromMenu("ave");
    assist_.btnPeriodClick();
    assist_.btnCalc->click();
    EXPECT_EQ(assist_.Expression(), "5.25");
    EXPECT_TRUE(ui_.CallsOf(ServiceCall::MessageBox).empty());
}

TEST_F(InputAssistTest, FailedExpressionIsShownAndStays) {
    assist_.SetRegData(nullptr);
    ui_.QueueOK();
    assist_.SetExpression("1/0");
    assist_.btnCalc->click();
    const auto boxes = ui_.CallsOf(ServiceCall::MessageBox);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, "【式実行時エラー】\n範囲エラー at -1");
    EXPECT_EQ(assist_.Expression(), "1/0");
}

TEST_F(InputAssistTest, LibraryMacroIsCalledFromTheExpression) {
    GetMacroEngine(state_).library.AddOrReplace("macro twice(a) { a * 2 }");
    assist_.SetRegData(nullptr);
    assist_.cbFuncNamesChange(assist_.cbFuncNames->findText("@~twice"));
    Click({"btnTwo", "btnOne", "btnRK"});
    EXPECT_EQ(assist_.Expression(), "@~twice(21)");
    assist_.btnCalc->click();
    EXPECT_EQ(assist_.Expression(), "42");
}

TEST_F(InputAssistTest, EnterInTheEditAcceptsAndCtrlHOpensTheHelpTopic) {
    ScratchFolder dir("assisthelp");
    state_.Work().helpFile = dir.Path("MERLOX.chm");
    WriteText(state_.Work().helpFile, "help");
    assist_.SetRegData(nullptr);
    QTimer::singleShot(0, [this] {
        assist_.HelpContext->trigger();
        assist_.eEval->insert("1+1");
        QTest::keyClick(assist_.eEval, Qt::Key_Return);
    });
    EXPECT_EQ(assist_.exec(), QDialog::Accepted);
    EXPECT_EQ(assist_.Expression(), "1+1");
    const auto help = ui_.CallsOf(ServiceCall::Help);
    ASSERT_EQ(help.size(), 1u);
    EXPECT_EQ(help[0].value, 1002);
}

// Runs `act` on the assistant once it is open as a modal window.
void OnAssist(std::function<void(TfrmInputAssist*)> act) {
    QTimer::singleShot(0, [act] {
        auto* w = qobject_cast<TfrmInputAssist*>(QApplication::activeModalWidget());
        ASSERT_NE(w, nullptr);
        act(w);
    });
}

class AssistHandBackTest : public StartedWindows {
protected:
    AssistHandBackTest() : StartedWindows("assist") {
        state_.SetModel(MakeModel({{1, 2, 3, 4}, {2, 4, 6, 9}}, {}, {"X", "Y"}));
    }
};

TEST_F(AssistHandBackTest, BuiltExpressionGoesToTheInputLine) {
    OnAssist([](TfrmInputAssist* w) {
        EXPECT_EQ(w->cbVarNames->itemText(1), "Y");
        w->cbFuncNamesChange(w->cbFuncNames->findText("sqrt"));
        for (const char* key : {"btnOne", "btnSix", "btnRK", "btnPlus"}) w->TokenButton(key)->click();
        w->cbVarNamesChange(0);
        EXPECT_EQ(w->Expression(), "sqrt(16)+#X");
        w->btnOut->click();
    });
    main_->Action("Assist")->trigger();
    EXPECT_EQ(main_->InputBox()->currentText(), "sqrt(16)+#X");
}

class AssistWithoutDataTest : public StartedWindows {
protected:
    AssistWithoutDataTest() : StartedWindows("assist-nodata") {}
};

// With no data set open the assistant still builds expressions of numbers
// and functions; its variable list is empty.
TEST_F(AssistWithoutDataTest, OpensAndHandsBackWithoutADataSet) {
    ASSERT_EQ(state_.Model(), nullptr);
    OnAssist([](TfrmInputAssist* w) {
        EXPECT_EQ(w->cbVarNames->findText("X"), -1);
        for (const char* key : {"btnOne", "btnPlus", "btnTwo"}) w->TokenButton(key)->click();
        EXPECT_EQ(w->Expression(), "1+2");
        w->btnOut->click();
    });
    main_->Action("Assist")->trigger();
    EXPECT_EQ(main_->InputBox()->currentText(), "1+2");
}

TEST_F(AssistHandBackTest, EvaluatedValueGoesToThePrompt) {
    TInputDlg* prompt = windows_->InputDlg.get();
    ASSERT_TRUE(prompt->btnAssist->isEnabled());
    prompt->SetText("old");
    OnAssist([](TfrmInputAssist* w) {
        for (const char* key : {"btnSeven", "btnMul", "btnEight"}) w->TokenButton(key)->click();
        w->btnCalc->click();
        w->btnOut->click();
    });
    prompt->btnAssist->click();
    EXPECT_EQ(prompt->Text(), "56");
    // Cancel keeps the prompt's text.
    OnAssist([](TfrmInputAssist* w) {
        w->TokenButton("btnNine")->click();
        w->btnCancel->click();
    });
    prompt->btnAssist->click();
    EXPECT_EQ(prompt->Text(), "56");
}

}  // namespace
