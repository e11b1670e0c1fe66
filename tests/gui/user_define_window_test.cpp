// The user-definition window: its pages, cell edits through the prompt,
// the clear actions, what closing stores, and the main window's command.
#include <gtest/gtest.h>

#include <tuple>

#include <QAction>
#include <QApplication>
#include <QTabWidget>
#include <QTimer>
#include <QToolBar>

#include "app/dialogs/user_define_window.h"
#include "core/model/regression_model.h"
#include "gui_fixture.h"
#include "macro/macro_engine.h"
#include "platform/qt/string_grid.h"
#include "started_windows.h"

namespace {

class UserDefineTest : public ::testing::Test {
protected:
    UserDefineTest() : window_(state_) { state_.SetServices(&ui_); }
    ~UserDefineTest() override { state_.SetServices(nullptr); }

    void OpenData() {
        state_.SetModel(MakeModel({{1, 2, 3}, {2, 4, 7}}, {}, {"X", "Y"}));
        state_.Model()->SetModified(false);
        window_.tsVarShow();
    }
    std::string UV(int c, int r) const { return window_.sgUV->Cell(c, r).toStdString(); }
    std::string UF(int c, int r) const { return window_.sgUF->Cell(c, r).toStdString(); }
    UserVar& Scalars() { return state_.UserScalars(); }

    bool appReady_ = (TestApp(), true);
    ScriptedServices ui_;
    AppState state_;
    TfrmUD window_;
};

TEST_F(UserDefineTest, PagesShowHeadingsNamesAndValues) {
    EXPECT_EQ(window_.windowTitle().toStdString(), "ユーザ定義");
    EXPECT_EQ(window_.PC->tabText(0).toStdString(), "変数");
    EXPECT_EQ(window_.PC->tabText(1).toStdString(), "関数");
    EXPECT_EQ(window_.sgUV->RowCount(), 11);
    EXPECT_EQ(window_.sgUV->ColWidth(0), 50);
    EXPECT_EQ(window_.sgUF->ColWidth(1), 500);
    // Page 'V' or 'F', column, row, text; without a data set the file bank shows "-".
    const std::tuple<char, int, int, const char*> cells[] = {
        {'V', 0, 0, "番号"}, {'V', 1, 0, "共用変数名"}, {'V', 2, 0, "共用変数値"}, {'V', 3, 0, "個別ファイル変数名"},
        {'V', 4, 0, "個別ファイル変数値"}, {'V', 0, 10, "9"}, {'V', 1, 10, "9"}, {'V', 2, 10, "0"}, {'V', 3, 1, "-"},
        {'V', 4, 1, "-"}, {'F', 0, 0, "関数名"}, {'F', 1, 0, "定義式"}, {'F', 0, 1, "未定義"}, {'F', 1, 1, ""}};
    for (const auto& [page, c, r, text] : cells)
        EXPECT_EQ(page == 'V' ? UV(c, r) : UF(c, r), text) << page << c << "," << r;
}

TEST_F(UserDefineTest, ToolBarShowsJapaneseCaptions) {
    const std::pair<const char*, const char*> captions[] = {
        {"Exitence", "閉じる(&X)"}, {"ClearAll", "すべてクリア(&A)"}, {"ClearOne", "選択項目の初期化(&C)"}};
    std::vector<std::string> shown;
    for (QAction* a : window_.TB->actions()) shown.push_back(a->text().toStdString());
    ASSERT_EQ(shown.size(), 3u);
    for (std::size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(window_.ActionNamed(captions[i].first)->text().toStdString(), captions[i].second);
        EXPECT_EQ(shown[i], captions[i].second);
    }
}

TEST_F(UserDefineTest, EditedFunctionIsUsedByTheEvaluator) {
    ui_.QueueInput("sq(x) = x * x");
    window_.sgUFClick(0, 3);
    EXPECT_EQ(UF(0, 3), "sq");
    EXPECT_EQ(UF(1, 3), "(x) = x * x");
    EXPECT_EQ(state_.Evaluator().Calculate("@sq(3)+1"), 10.0);
    EXPECT_EQ(GetMacroEngine(state_).host.EvaluateExpression("@sq(4)-6"), 10.0);
    const auto calls = ui_.CallsOf(ServiceCall::Input);
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].text, "関数入力");
    EXPECT_EQ(calls[0].initial, "");
    // A leading blank does not shift the definition column.
    ui_.QueueInput(" c = 42");
    window_.sgUFClick(1, 4);
    EXPECT_EQ(UF(0, 4), "c");
    EXPECT_EQ(UF(1, 4), " = 42");
    EXPECT_EQ(state_.Evaluator().Calculate("@c"), 42.0);
}

TEST_F(UserDefineTest, BrokenDefinitionIsReported) {
    ui_.QueueInput("f(x = x");
    ui_.QueueOK();
    window_.sgUFClick(1, 1);
    const auto boxes = ui_.CallsOf(ServiceCall::MessageBox);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_NE(boxes[0].text.find("文法エラー"), std::string::npos);
}

TEST_F(UserDefineTest, EditedScalarIsUsedAndKeepsItsDigits) {
    ui_.QueueInput("rate");
    window_.sgUVClick(1, 2);
    ui_.QueueInput("1/3");
    window_.sgUVClick(2, 2);
    const auto calls = ui_.CallsOf(ServiceCall::Input);
    ASSERT_EQ(calls.size(), 2u);
    EXPECT_EQ(calls[0].text, "共用変数名1");
    EXPECT_EQ(calls[0].initial, "1");
    EXPECT_EQ(calls[1].text, "共用変数値1");
    EXPECT_EQ(calls[1].initial, "0");
    EXPECT_EQ(UV(1, 2), "rate");
    EXPECT_EQ(UV(2, 2), "0.333333333333333");
    EXPECT_EQ(Scalars().GetName(1, false), "rate");
    window_.ExitenceExecute();
    // Closing does not read the 15 digits back.
    EXPECT_EQ(Scalars().GetValue(1, false), 1.0 / 3.0);
    EXPECT_EQ(state_.Evaluator().Calculate("@rate*6"), 2.0);
    EXPECT_EQ(GetMacroEngine(state_).host.EvaluateExpression("@rate*9"), 3.0);
}

TEST_F(UserDefineTest, FileBankOnlyWithADataSet) {
    const int offBank[][2] = {{3, 1}, {4, 1}, {0, 1}, {1, 0}};
    for (const auto& cell : offBank) window_.sgUVClick(cell[0], cell[1]);
    EXPECT_TRUE(ui_.CallsOf(ServiceCall::Input).empty());
    OpenData();
    ui_.QueueInput("2.5e3");
    window_.sgUVClick(4, 1);
    EXPECT_EQ(ui_.CallsOf(ServiceCall::Input).at(0).text, "個別ファイル変数値0");
    EXPECT_EQ(Scalars().GetValue(0, true), 2500.0);
    EXPECT_EQ(UV(4, 1), "2500");
    EXPECT_TRUE(state_.Model()->IsModified());
}

TEST_F(UserDefineTest, ClosingWithoutAnEditMarksNothing) {
    OpenData();
    Scalars().SetValue(5, true, 0.1 + 0.2);
    state_.Model()->SetModified(false);
    window_.tsVarShow();
    // Accepting the shown text unchanged is no edit either.
    ui_.QueueInput(UV(4, 6));
    window_.sgUVClick(4, 6);
    window_.ExitenceExecute();
    EXPECT_FALSE(state_.Model()->IsModified());
    EXPECT_EQ(Scalars().GetValue(5, true), 0.1 + 0.2);
}

TEST_F(UserDefineTest, ExpressionErrorInAValueStoresNothing) {
    Scalars().SetValue(0, false, 7.0);
    ui_.QueueInput("1.2.3");
    ui_.QueueOK();
    window_.sgUVClick(2, 1);
    EXPECT_EQ(Scalars().GetValue(0, false), 7.0);
    EXPECT_EQ(ui_.CallsOf(ServiceCall::MessageBox).size(), 1u);
}

TEST_F(UserDefineTest, ClearOneAndClearAll) {
    OpenData();
    Scalars().SetName(2, false, "a");
    Scalars().SetValue(2, false, 4.0);
    Scalars().SetName(2, true, "b");
    Scalars().SetValue(2, true, 5.0);
    window_.tsVarShow();
    window_.sgUV->SetCurrentCell(1, 3);
    window_.ActionNamed("ClearOne")->trigger();
    EXPECT_EQ(Scalars().GetName(2, false), "2");
    EXPECT_EQ(Scalars().GetValue(2, false), 4.0);
    window_.sgUV->SetCurrentCell(4, 3);
    window_.ClearOneExecute();
    EXPECT_EQ(Scalars().GetValue(2, true), 0.0);
    EXPECT_EQ(Scalars().GetName(2, true), "b");
    window_.ClearAllExecute();
    EXPECT_EQ(Scalars().GetName(2, true), "2");
    EXPECT_EQ(Scalars().GetValue(2, false), 0.0);
    EXPECT_EQ(UV(3, 3), "2");

    state_.UserFunctions().Entry(0).SetDefinition("f(a) = a + 1");
    state_.UserFunctions().Entry(1).SetDefinition("g = 2");
    window_.PC->setCurrentWidget(window_.tsFunc);
    EXPECT_EQ(UF(0, 2), "g");
    window_.sgUF->SetCurrentCell(1, 2);
    window_.ClearOneExecute();
    EXPECT_EQ(state_.UserFunctions().Find("g"), -1);
    EXPECT_EQ(state_.UserFunctions().Find("f"), 0);
    EXPECT_EQ(UF(0, 2), "未定義");
    window_.ClearAllExecute();
    EXPECT_EQ(state_.UserFunctions().Find("f"), -1);
    EXPECT_EQ(UF(0, 1), "未定義");
}

class UserDefineCommandTest : public StartedWindows {
protected:
    UserDefineCommandTest() : StartedWindows("userdef") {}
};

TEST_F(UserDefineCommandTest, MenuCommandOpensTheWindow) {
    QAction* command = main_->Action("UserDef");
    ASSERT_NE(command, nullptr);
    ASSERT_TRUE(command->isEnabled());
    ui_.QueueInput("h(t) = t / 2");
    bool shown = false;
    QTimer::singleShot(0, [&shown] {
        auto* w = qobject_cast<TfrmUD*>(QApplication::activeModalWidget());
        ASSERT_NE(w, nullptr);
        shown = true;
        w->PC->setCurrentWidget(w->tsFunc);
        w->sgUFClick(1, 1);
        w->ActionNamed("Exitence")->trigger();
    });
    command->trigger();
    EXPECT_TRUE(shown);
    EXPECT_EQ(state_.Evaluator().Calculate("@h(9)"), 4.5);
}

}  // namespace
