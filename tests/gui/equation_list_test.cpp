// The equation list window (its drawing in coloured pieces, taking an
// equation as the model, editing a definition), single-variable input and
// the comment and type codes of continuous input, and the hand-over of the
// expression assistant.
#include <gtest/gtest.h>

#include <QAction>
#include <QComboBox>
#include <QLineEdit>
#include <QApplication>
#include <QListWidget>
#include <QTimer>

#include "app/dialogs/expres_window.h"
#include "components/view/grid_marks.h"
#include "app/placeholder_windows.h"
#include "components/view/variable_names.h"
#include "core/data/equation.h"
#include "core/model/regression_file.h"
#include "core/model/regression_model.h"
#include "core/text/number_format.h"
#include "platform/qt/string_grid.h"
#include "components/plot/core/recording_canvas.h"
#include "components/plot/qpainter_canvas.h"
#include "started_windows.h"

namespace {

using namespace canvas_color;
using Pieces = std::vector<TextPiece>;

class EquationListTest : public StartedWindows {
protected:
    EquationListTest() : StartedWindows("equations") {
        // X1 exogenous, X2 lagged endogenous, Y endogenous, U undefined.
        auto model = MakeModel({{1, 2, 3, 4, 5, 6}, {2, 1, 4, 3, 6, 5}, {1.5, 2.5, 2, 4, 4.5, 6}, {0.1 + 0.2, 1, 2, 3, 4, 5}},
                               {2, 3, 1, 0}, {"X1", "X2", "Y", "U"});
        SaveAs(*model, dir_.Path("eq.MDF"));
        main_->OpenAndRemember(dir_.Path("eq.MDF"));
        model_ = state_.Model();
        ui_.ClearCalls();
    }
    // Runs the action; the list window, once shown, is handed to act.
    void WithListWindow(const std::function<void(TfrmExpres&)>& act) {
        bool shown = false;
        QTimer::singleShot(0, [&] {
            auto* w = qobject_cast<TfrmExpres*>(QApplication::activeModalWidget());
            ASSERT_NE(w, nullptr);
            shown = true;
            act(*w);
            if (w->isVisible()) w->close();
        });
        main_->Action("ExpresList")->trigger();
        EXPECT_TRUE(shown);
    }

    Reg* model_ = nullptr;
};

TEST_F(EquationListTest, PiecesColourEachNameByItsKind) {
    const std::string k = "定数項";
    const std::vector<std::string> names{"X1", "X2", "U", k};
    struct Case {
        const char* what;
        std::vector<double> coefs;
        bool definition, coloring;
        Pieces expected;
    };
    const Case cases[] = {
        {"unit, minus unit and the constant", {1.0, -1.0, 0.0, 0.5}, false, true,
         {{"Y", kGreen}, {" = ", kBlack}, {" +", kBlack}, {"X1", kBlue}, {" -", kBlack}, {"X2", kNavy},
          {"+0.5000", kBlack}}},
        {"other coefficients and a definition", {2.25, 0.0, -0.125, -3.0}, true, true,
         {{"@ ", kBlack}, {"Y", kGreen}, {" = ", kBlack}, {"+2.2500", kBlack}, {"*", kBlack}, {"X1", kBlue},
          {"-0.1250", kBlack}, {"*", kBlack}, {"U", kBlack}, {"-3.0000", kBlack}}},
        {"colouring off", {1.0, -1.0, 0.0, 0.0}, false, false,
         {{"Y", kBlack}, {" = ", kBlack}, {" +", kBlack}, {"X1", kBlack}, {" -", kBlack}, {"X2", kBlack}}},
    };
    for (const Case& c : cases) {
        const Expres e("Y", 4, c.definition, c.coefs, names);
        EXPECT_EQ(EquationPieces(e, model_, c.coloring), c.expected) << c.what;
    }
    // A name the data set lacks is black, and without a model all are.
    const Expres other("Q", 1, false, std::vector<double>{1.0}, std::vector<std::string>{"X1"});
    EXPECT_EQ(EquationPieces(other, model_, true)[0], (TextPiece{"Q", kBlack}));
    EXPECT_EQ(EquationPieces(other, nullptr, true)[3], (TextPiece{"X1", kBlack}));
}

TEST_F(EquationListTest, NamesWithKindSuffixes) {
    const struct {
        const char* name;
        bool coloring;
        const char* shown;
    } cases[] = {{"Y", true, "Y..en"}, {"X1", true, "X1..ex"}, {"X2", true, "X2..lg"},
                 {"U", true, "U"},     {"Y", false, "Y"},       {"nosuch", true, "nosuch"}};
    for (const auto& c : cases) EXPECT_EQ(VariableNameWithKind(model_, c.coloring, c.name), c.shown) << c.name;
}

TEST_F(EquationListTest, ItemsAreDrawnPieceAfterPieceOrPlainWhenSelected) {
    model_->AddExpres(Expres("Y", 2, false, std::vector<double>{1.0, 0.5}, std::vector<std::string>{"X1", "定数項"}));
    TfrmExpres list(state_, true);
    list.SetData(model_);
    ASSERT_EQ(list.lbExp->count(), 1);
    const QRect rect(10, 20, 300, 16);
    RecordingCanvas plain;
    list.lbExpDrawItem(plain, 0, rect, false);
    ASSERT_EQ(plain.fills.size(), 1u);
    EXPECT_EQ(plain.fills[0].color, kWhite);
    // Y, " = ", " +", X1, "+0.5000": each starts where the previous ended.
    const std::vector<std::pair<int, QString>> at{{12, "Y"}, {19, " = "}, {40, " +"}, {54, "X1"}, {68, "+0.5000"}};
    ASSERT_EQ(plain.texts.size(), at.size());
    for (std::size_t p = 0; p < at.size(); ++p) {
        EXPECT_EQ(plain.texts[p].x, at[p].first) << p;
        EXPECT_EQ(plain.texts[p].y, 20);
        EXPECT_EQ(QString::fromStdString(plain.texts[p].text), at[p].second);
    }
    EXPECT_EQ(plain.texts[3].color, kBlue);
    RecordingCanvas selected;
    list.lbExpDrawItem(selected, 0, rect, true);
    ASSERT_EQ(selected.texts.size(), 1u);
    EXPECT_EQ(selected.fills[0].color, kHighlight);
    EXPECT_EQ(selected.texts[0].color, kHighlightText);
    EXPECT_EQ(selected.texts[0].text, model_->Expressions().GetItem(0).GetText());
}

TEST_F(EquationListTest, ClickingAStructuralEquationMakesItTheModel) {
    model_->AddExpres(Expres("Y", 3, false, std::vector<double>{0.5, 0.25, 1.0},
                             std::vector<std::string>{"X1", "X2", "定数項"}));
    static_cast<void>(model_->SetDependent(3));
    ASSERT_EQ(model_->GetDependent(), 3);
    ASSERT_TRUE(model_->ToggleVariable(0));
    WithListWindow([](TfrmExpres& w) {
        EXPECT_EQ(w.lbExp->count(), 1);
        w.lbExpClick(0);
        EXPECT_FALSE(w.isVisible());
    });
    EXPECT_EQ(model_->GetDependent(), 2);
    EXPECT_TRUE(model_->IsExplanatory(0));
    EXPECT_TRUE(model_->IsExplanatory(1));
    EXPECT_FALSE(model_->IsExplanatory(3));
}

// Variables whose sums of squares overflow: the first refused says why,
// and the model stays Y on the constant.
TEST_F(EquationListTest, AnEquationOfOverflowingVariablesIsRefusedWithOneMessage) {
    model_->AddExpres(Expres("Y", 3, false, std::vector<double>{0.5, 0.25, 1.0},
                             std::vector<std::string>{"X1", "X2", "定数項"}));
    model_->SetValue(1, 0, 1e200);
    model_->SetValue(2, 1, 1e200);
    ui_.QueueOK();
    WithListWindow([](TfrmExpres& w) { w.lbExpClick(0); });
    EXPECT_EQ(ui_.MessageTexts(), std::vector<std::string>{"変数 X1 の平方和が有限の数値になりません。"});
    EXPECT_EQ(model_->GetDependent(), 2);
    EXPECT_FALSE(model_->IsExplanatory(0));
    EXPECT_FALSE(model_->IsExplanatory(1));
    model_->SetModified(false);
}

TEST_F(EquationListTest, ClickingADefinitionEditsItAsOneUndoStep) {
    model_->AddExpres(Expres("Y", 1, true, std::vector<double>{2.0}, std::vector<std::string>{"X1"}));
    ui_.QueueInput("Y = 3*X2");
    WithListWindow([](TfrmExpres& w) { w.lbExpClick(0); });
    ASSERT_EQ(model_->Expressions().GetCount(), 1);
    const Expres& e = model_->Expressions().GetItem(0);
    EXPECT_TRUE(e.IsDefinition());
    EXPECT_EQ(e.GetVarName(0), "X2");
    EXPECT_EQ(e.GetCoef(0), 3.0);
    EXPECT_EQ(ui_.CallsOf(ServiceCall::Input)[0].text, "定義式の変更");
    EXPECT_EQ(state_.Undo().UndoStepCount(), 1);

    // A text that does not parse shows its error; the list stays.
    ui_.QueueInput("Y = 3*nosuch");
    ui_.QueueOK();
    WithListWindow([](TfrmExpres& w) { w.lbExpClick(0); });
    EXPECT_EQ(model_->Expressions().GetItem(0).GetVarName(0), "X2");
    EXPECT_EQ(ui_.CallsOf(ServiceCall::MessageBox).size(), 1u);
    EXPECT_EQ(state_.Undo().UndoStepCount(), 1);

    // Undo brings the definition back as it was before the edit.
    main_->UndoEditExecute();
    ASSERT_EQ(model_->Expressions().GetCount(), 1);
    EXPECT_EQ(model_->Expressions().GetItem(0).GetVarName(0), "X1");
    EXPECT_EQ(model_->Expressions().GetItem(0).GetCoef(0), 2.0);
}

TEST_F(EquationListTest, NoListWithoutEquations) {
    main_->Action("ExpresList")->trigger();  // would block on a shown window
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
}

TEST_F(EquationListTest, SingleVariableInputKeepsUntouchedValuesExactly) {
    const double exact = model_->GetValue(0, 3);  // 0.30000000000000004, shown as 0.3
    ui_.QueueInput("U");
    ui_.QueueInput(FormatNumber(false, exact));
    for (const char* v : {"@@*2", "7", "3", "4"}) ui_.QueueInput(v);
    ui_.QueueInput("5");
    main_->Action("InputVar")->trigger();
    EXPECT_EQ(ui_.CallsOf(ServiceCall::Input)[0].text, "入力する変数名");
    EXPECT_EQ(model_->GetValue(0, 3), exact);
    const std::vector<double> want{exact, 2, 7, 3, 4, 5};
    for (int i = 0; i < 6; ++i) EXPECT_EQ(model_->GetValue(i, 3), want[static_cast<std::size_t>(i)]) << i;
    ASSERT_TRUE(state_.Undo().Undo(*model_));
    for (int i = 1; i < 6; ++i) EXPECT_EQ(model_->GetValue(i, 3), i) << i;
}

TEST_F(EquationListTest, SingleVariableInputTakesTheMarkedVariableAndCancelChangesNothing) {
    main_->EditColumnMarks.Set(1, 1);
    ui_.QueueInput("=@@+10");
    main_->Action("InputVar")->trigger();
    EXPECT_EQ(ui_.CallsOf(ServiceCall::Input)[0].text, "X2[1]");
    EXPECT_EQ(model_->GetValue(5, 1), 15.0);
    EXPECT_FALSE(IsMarked(main_->EditColumnMarks, 1));
    ui_.ClearCalls();
    ui_.QueueInput("X1");
    ui_.QueueInput("100");
    ui_.QueueCancel();
    main_->Action("InputVar")->trigger();
    EXPECT_EQ(model_->GetValue(0, 0), 1.0);
}

TEST_F(EquationListTest, ContinuousInputChangesCommentAndTypeOfTheColumn) {
    main_->EditGrid()->SetCurrentCell(2, 1);
    ui_.QueueInput(107, "");
    ui_.QueueInput("lagged series");
    ui_.QueueInput(108, "");
    ui_.QueueInput("外生変数");
    ui_.QueueCancel();
    main_->Action("mnuRenzoku")->trigger();
    EXPECT_EQ(model_->GetVarInfo(1), "lagged series");
    EXPECT_EQ(model_->GetVarType(1), 2);
    const auto calls = ui_.CallsOf(ServiceCall::Input);
    ASSERT_GE(calls.size(), 4u);
    EXPECT_EQ(calls[1].text, "コメントの変更");
    EXPECT_EQ(calls[3].text, "タイプの変更");
    EXPECT_EQ(calls[3].items, (std::vector<std::string>{"未定義", "内生変数", "外生変数", "ラグ付き内生変数"}));
    ASSERT_TRUE(state_.Undo().Undo(*model_));
    EXPECT_EQ(model_->GetVarType(1), 3);
}

TEST_F(EquationListTest, AssistantExpressionReplacesTheInputTextUnevaluated) {
    main_->InputBox()->setEditText("old");
    for (bool ok : {false, true}) {
        QTimer::singleShot(0, [ok] {
            auto* w = qobject_cast<TfrmInputAssist*>(QApplication::activeModalWidget());
            ASSERT_NE(w, nullptr);
            w->SetExpression("log(X1)*2");
            if (ok) w->accept(); else w->reject();
        });
        main_->Action("Assist")->trigger();
        EXPECT_EQ(main_->InputBox()->currentText(), ok ? "log(X1)*2" : "old");
    }
    EXPECT_EQ(main_->InputBox()->lineEdit()->cursorPosition(), 9);
    EXPECT_FALSE(state_.Undo().CanUndo());
}

}  // namespace
