// The macro window driven through its commands: a macro typed, compiled,
// run, stepped, saved and opened again.
#include <gtest/gtest.h>

#include <tuple>

#include <QAction>
#include <QLabel>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QStatusBar>
#include <QTabWidget>
#include <QTest>

#include "app/macro/macro_typing_undo.h"
#include "app/macro/macro_window.h"
#include "eval/app_state.h"
#include "gui_fixture.h"
#include "macro/macro_debugger.h"
#include "macro/macro_engine.h"
#include "macro/macro_run.h"
#include "platform/qt/string_grid.h"
#include "platform/text/cp932.h"
#include "support/scripted_services.h"

namespace {

const char* const kSource = "macro m var x { x = 2; write x + 1 }";

class MacroWindowTest : public ::testing::Test {
protected:
    MacroWindowTest() : dir_("macro_window") {
        TestApp();
        state_.SetServices(&ui_);
        state_.Work().dataFolder = dir_.Folder();
        window_ = std::make_unique<TfrmMacro>(state_);
    }
    ~MacroWindowTest() override {
        window_.reset();
        state_.SetServices(nullptr);
    }

    // Keys for ASCII text; other text arrives as the input method hands it.
    void Type(const char* text) {
        window_->eSource->setFocus();
        const QString s = QString::fromUtf8(text);
        for (const QChar c : s) {
            if (c.unicode() < 128)
                QTest::keyClick(window_->eSource, c.toLatin1());
            else
                window_->eSource->insertPlainText(QString(c));
        }
    }
    void Compile(const char* text = kSource) {
        Type(text);
        window_->SetMacroExecute();
    }
    QString Listing(int row) const { return window_->lbCode->item(row)->text(); }
    std::string Caption() const { return window_->windowTitle().toStdString(); }
    QColor ColourAt(int pos) const {
        QTextCursor cursor(window_->eSource->document());
        cursor.setPosition(pos);
        return cursor.charFormat().foreground().color();
    }
    // Cells as {column, row, text}.
    static void ExpectCells(const TStringGrid* grid, std::initializer_list<std::tuple<int, int, const char*>> cells) {
        for (auto [c, r, text] : cells) EXPECT_EQ(grid->Cell(c, r), QString::fromUtf8(text)) << c << "," << r;
    }

    ScratchFolder dir_;
    ScriptedServices ui_;
    AppState state_;
    std::unique_ptr<TfrmMacro> window_;
};

TEST_F(MacroWindowTest, PagesToolBarAndPanelsCarryTheirTexts) {
    const QStringList pages = {"編集", "表示", "コード", "ライブラリー"};
    ASSERT_EQ(window_->PC->count(), 4);
    for (int i = 0; i < 4; ++i) EXPECT_EQ(window_->PC->tabText(i), pages[i]);
    EXPECT_EQ(Caption(), "マクロ");
    const std::vector<std::pair<const char*, const char*>> shortcuts = {
        {"NewFile", "Ctrl+N"}, {"LoadFile", "Ctrl+O"}, {"SaveFile", "Ctrl+S"}, {"UndoEdit", "Ctrl+Z"},
        {"RunMacro", "F9"},    {"SetMacro", "F8"},     {"AddMacro", "Ctrl+A"}, {"StepRun", "F12"},
        {"Reset", "F10"},      {"Cursor", "F11"},      {"HelpContext", "Ctrl+H"},
    };
    for (const auto& [name, keys] : shortcuts) {
        QAction* a = window_->Action(name);
        ASSERT_NE(a, nullptr) << name;
        EXPECT_EQ(a->shortcut(), QKeySequence(QString::fromUtf8(keys))) << name;
    }
    EXPECT_EQ(window_->Action("RunMacro")->statusTip(), QStringLiteral("マクロ実行"));
    EXPECT_EQ(window_->sbInsert->text(), QStringLiteral("挿入"));
    window_->eSource->setFocus();
    QTest::keyClick(window_->eSource, Qt::Key_Insert);
    EXPECT_EQ(window_->sbInsert->text(), QStringLiteral("上書"));
    QTest::keyClick(window_->eSource, Qt::Key_Insert);
    EXPECT_EQ(window_->sbInsert->text(), QStringLiteral("挿入"));
}

TEST_F(MacroWindowTest, NewMacrosAreNumberedFromTheCounter) {
    const int first = TfrmMacro::NewFileCounter();
    for (int i = 0; i < 3; ++i) window_->NewFileExecute();
    const std::string number = std::to_string(first + 2);
    EXPECT_EQ(window_->MacroFileName(), dir_.Folder() + "NONAME" + number + ".MCR");
    EXPECT_EQ(Caption(), "マクロ --- NONAME" + number + ".MCR");
    EXPECT_EQ(window_->eSource->toPlainText().toStdString(),
              "macro MACRO" + number + "\n//  TODO: ここに変数・モジュールを定義する。\n\n{\n//  TODO: ここに実行文を書く\n\n}");
    EXPECT_EQ(Listing(0).toStdString(), "*** MACRO" + number + " ***");
    EXPECT_EQ(TfrmMacro::NewFileCounter(), first + 3);
}

TEST_F(MacroWindowTest, TypedMacroCompilesRunsAndShowsItsOutput) {
    Type(kSource);
    EXPECT_EQ(window_->eSource->toPlainText(), QString::fromUtf8(kSource));
    window_->SetMacroExecute();
    const QStringList expected = {"*** m ***", "0 : MCR 0,6", "9 : LDI 2", "18 : STA [V,V,0:4]", "29 : POP",
                                  "30 : LDA [V,V,0:4]", "41 : LDI 1", "50 : ADD", "51 : WRE", "52 : END"};
    ASSERT_EQ(window_->lbCode->count(), expected.size());
    for (int i = 0; i < expected.size(); ++i) EXPECT_EQ(Listing(i), expected[i]);
    window_->RunMacroExecute();
    EXPECT_EQ(window_->eOut->toPlainText(), QStringLiteral("3"));
    EXPECT_TRUE(ui_.CallsOf(ServiceCall::MessageBox).empty());
}

TEST_F(MacroWindowTest, SteppingMovesLineRegistersAndStacks) {
    Compile();
    window_->ResetExecute();
    EXPECT_EQ(window_->lbCode->currentRow(), 1);
    EXPECT_EQ(window_->sgStack->RowCount(), 2);
    EXPECT_EQ(window_->sgStack->Cell(1, 1), QStringLiteral("--------"));
    EXPECT_EQ(window_->sgACC->Cell(0, 1), QStringLiteral("N"));
    // MCR: the return slot and the frame of 6 words (header and x).
    window_->StepRunExecute();
    EXPECT_EQ(window_->lbCode->currentRow(), 2);
    EXPECT_EQ(window_->stSP->text(), QStringLiteral("7"));
    EXPECT_EQ(window_->stBP->text(), QStringLiteral("1"));
    EXPECT_EQ(window_->sgStack->RowCount(), 8);
    // Top word first: word 6 is the high half of x (0), word 4 the static link 1.
    ExpectCells(window_->sgStack, {{0, 1, "6"}, {0, 3, "4"}, {1, 3, "00000001"}});
    // LDI 2, STA x, POP, LDA x, LDI 1: two numbers, 1 on top of 2.
    for (int i = 0; i < 5; ++i) window_->StepRunExecute();
    EXPECT_EQ(window_->lbCode->currentRow(), 7);
    ASSERT_EQ(window_->sgACC->RowCount(), 3);
    ExpectCells(window_->sgACC, {{0, 1, "V"}, {1, 1, "1"}, {1, 2, "2"}});
    // x = 2.0: high word 0x40000000 at word 6.
    ExpectCells(window_->sgStack, {{1, 1, "40000000"}, {1, 2, "00000000"}});
    // ADD, WRE: the output page has the text.
    for (int i = 0; i < 2; ++i) window_->StepRunExecute();
    EXPECT_EQ(window_->eOut->toPlainText(), QStringLiteral("3"));
    EXPECT_EQ(window_->lbCode->currentRow(), 9);
    // END finishes the run.
    window_->StepRunExecute();
    EXPECT_FALSE(window_->Debugger().Running());
    EXPECT_EQ(window_->stSP->text(), QStringLiteral("0"));
}

TEST_F(MacroWindowTest, AnExpressionEvaluatedWhileSteppingLeavesTheSteppedRunAlone) {
    Compile();
    window_->lbCode->setCurrentRow(7);
    window_->CursorExecute();
    ASSERT_EQ(window_->Debugger().Interpreter().CellCount(), 2);
    // A field's formula, as the prompt or the assistant hand it to the host.
    EXPECT_EQ(GetMacroEngine(state_).host.EvaluateExpression("6*7"), 42.0);
    EXPECT_EQ(window_->Debugger().Interpreter().CellCount(), 2);
    EXPECT_EQ(window_->Debugger().Interpreter().SP(), 7);
    EXPECT_EQ(window_->Debugger().CurrentLine(), 7);
    window_->RunMacroExecute();
    EXPECT_EQ(window_->eOut->toPlainText(), QStringLiteral("3"));
    EXPECT_TRUE(ui_.CallsOf(ServiceCall::MessageBox).empty());
}

TEST_F(MacroWindowTest, AClickOnAStackRowShowsThatWordBelowTheStackPointer) {
    std::vector<int> shown;
    window_->SetStackValueViewer([&](const MacroRun& run, int word) {
        shown.push_back(word);
        EXPECT_LT(word, run.SP());
    });
    Compile();
    window_->sgStackClick(1);  // no run: nothing to show
    window_->StepRunExecute();
    // SP 7: rows 1 .. 7 list words 6 .. 0; word 0 (row 7) is not offered.
    for (int row : {1, 3, 6, 7, 8, 0}) window_->sgStackClick(row);
    EXPECT_EQ(shown, (std::vector<int>{6, 4, 1}));
}

TEST_F(MacroWindowTest, CursorRunsToTheSelectedLineAndRunFinishesTheStep) {
    Compile();
    window_->lbCode->setCurrentRow(6);
    window_->CursorExecute();
    EXPECT_EQ(window_->Debugger().CurrentLine(), 6);
    EXPECT_EQ(window_->sgACC->RowCount(), 2);
    EXPECT_EQ(window_->sgACC->Cell(1, 1), QStringLiteral("2"));
    EXPECT_TRUE(window_->StepMode());
    window_->RunMacroExecute();
    EXPECT_FALSE(window_->StepMode());
    EXPECT_FALSE(window_->Debugger().Running());
    EXPECT_EQ(window_->eOut->toPlainText(), QStringLiteral("3"));
}

TEST_F(MacroWindowTest, ARunTimeErrorIsShownAndAppendedToTheOutput) {
    Type("macro m var y { write 5; y = 1 / y }");
    ui_.QueueOK();
    window_->RunMacroExecute();
    const auto boxes = ui_.CallsOf(ServiceCall::MessageBox);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, "【実行時エラー】\n範囲エラー at -1");
    EXPECT_EQ(window_->eOut->toPlainText(), QStringLiteral("5範囲エラー at -1"));
}

TEST_F(MacroWindowTest, ACompileErrorIsShownAndTheCodeBeforeItListed) {
    Type("macro m var x { x = 2; write x + }");
    ui_.QueueOK();
    window_->SetMacroExecute();
    const auto boxes = ui_.CallsOf(ServiceCall::MessageBox);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text.rfind("【コード変換エラー】\n", 0), 0u);
    ASSERT_GE(window_->lbCode->count(), 3);
    EXPECT_TRUE(Listing(1).startsWith(QStringLiteral("0 : MCR"))) << Listing(1).toStdString();
    EXPECT_FALSE(window_->Debugger().CanStep());
}

TEST_F(MacroWindowTest, SaveWritesTheEditorsTextAndOpenBringsItBack) {
    Compile("macro m { write \"回帰\" }");
    // Edited after the compilation: the save takes the text as it is now.
    window_->eSource->moveCursor(QTextCursor::End);
    Type(" // 注");
    const std::string path = dir_.Path("saved.mcr");
    ui_.QueueFile(path);
    window_->SaveAsFileExecute();
    EXPECT_EQ(ReadText(path), cp932::FromUtf8("macro m { write \"回帰\" } // 注") + std::string(1, '\0'));
    EXPECT_EQ(window_->MacroFileName(), path);
    EXPECT_EQ(Caption(), "マクロ --- saved.mcr");
    // Save again after another edit: the same file, the old one kept as ".BAK".
    Type("x");
    window_->SaveFileExecute();
    EXPECT_EQ(ReadText(path), cp932::FromUtf8("macro m { write \"回帰\" } // 注x") + std::string(1, '\0'));

    auto other = std::make_unique<TfrmMacro>(state_);
    ui_.QueueFile(path);
    other->LoadFileExecute();
    EXPECT_EQ(other->eSource->toPlainText(), QString::fromUtf8("macro m { write \"回帰\" } // 注x"));
    EXPECT_EQ(other->MacroFileName(), path);
    EXPECT_EQ(other->lbCode->item(0)->text(), QStringLiteral("*** m ***"));
    other->RunMacroExecute();
    EXPECT_EQ(other->eOut->toPlainText(), QString::fromUtf8("回帰"));
}

TEST_F(MacroWindowTest, TypingRecoloursAndCtrlZUndoesTheTyping) {
    Type("x = sin");
    EXPECT_EQ(ColourAt(4), QColor(0, 0, 0));  // the blank before "sin"
    EXPECT_EQ(ColourAt(5), QColor(0, 0, 255));
    QTest::keyClick(window_->eSource, Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(window_->eSource->toPlainText(), QString());
}

TEST_F(MacroWindowTest, APastedBlockIsColouredFromItsFirstLine) {
    window_->eSource->insertPlainText(QStringLiteral("sin\ncos\n// x"));
    // Line ends ('-') carry no format of their own.
    const QString expected = QStringLiteral("bbb-bbb-ggg");
    for (int i = 0; i < expected.size(); ++i) {
        if (expected[i] == QLatin1Char('-')) continue;
        const QColor want = expected[i] == QLatin1Char('b')   ? QColor(0, 0, 255)
                            : expected[i] == QLatin1Char('g') ? QColor(0, 128, 0)
                                                              : QColor(0, 0, 0);
        EXPECT_EQ(ColourAt(i + 1), want) << i;
    }
}

}  // namespace
