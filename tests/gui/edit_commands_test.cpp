// The variable, observation and equation commands of the main window with
// scripted prompts, their refusals and undo, and the estimation method.
#include <gtest/gtest.h>

#include <QAction>
#include <QComboBox>

#include "app/application.h"
#include "app/main_window/main_window.h"
#include "core/model/regression_file.h"
#include "core/model/regression_model.h"
#include "eval/app_state.h"
#include "platform/qt/string_grid.h"
#include "started_windows.h"

namespace {

class EditCommandsTest : public StartedWindows {
protected:
    EditCommandsTest() : StartedWindows("edits") {
        Open({{1, 2, 3, 4, 5}, {2, 4, 5, 4, 5}}, {}, {"X", "Y"});
    }
    void Open(const Columns& cols, const std::vector<int>& types, const std::vector<std::string>& names) {
        auto model = MakeModel(cols, types, names);
        const std::string path = dir_.Path("d" + std::to_string(files_++) + ".MDF");
        SaveAs(*model, path);
        main_->OpenAndRemember(path);
        model_ = state_.Model();
        ui_.ClearCalls();
    }
    // The command as the menu runs it: refusals arrive as message boxes.
    void Run(const char* action) { main_->Action(action)->trigger(); }
    std::vector<std::string> Names() const {
        std::vector<std::string> out;
        for (int j = 0; j < model_->GetVarCount(); ++j) out.push_back(model_->GetVarName(j));
        return out;
    }
    std::vector<double> Column(int j) const {
        std::vector<double> out;
        for (int i = 0; i < model_->GetObsCount(); ++i) out.push_back(model_->GetValue(i, j));
        return out;
    }
    std::vector<std::string> Prompts() const {
        std::vector<std::string> out;
        for (const auto& c : ui_.CallsOf(ServiceCall::Input)) out.push_back(c.text);
        return out;
    }
    void Undo() { ASSERT_TRUE(state_.Undo().Undo(*model_)); }
    void Redo() { ASSERT_TRUE(state_.Undo().Redo(*model_)); }

    Reg* model_ = nullptr;
    int files_ = 0;
};

using Strings = std::vector<std::string>;
using Values = std::vector<double>;

// ---- variables -------------------------------------------------------------------

TEST_F(EditCommandsTest, AddAsksTheNameThenEachValue) {
    ui_.QueueInput("Z");
    for (const char* v : {"1", "2*2", "0", "nosuch", "1", "3"}) {
        ui_.QueueInput(v);
        if (std::string(v) == "nosuch") ui_.QueueOK();
    }
    Run("VARADD");
    EXPECT_EQ(Names(), (Strings{"X", "Y", "Z"}));
    EXPECT_EQ(Column(2), (Values{1, 4, 0, 1, 3}));
    const auto calls = ui_.CallsOf(ServiceCall::Input);
    EXPECT_EQ(calls[0].text, "追加する変数名");
    EXPECT_EQ(calls[0].items, (Strings{"<e2>", "<import>"}));
    EXPECT_EQ(calls[1].text, "Z[1]");
    EXPECT_EQ(calls[4].text, "Z[4]");  // asked again after the error
    EXPECT_EQ(calls[5].text, "Z[4]");
    EXPECT_EQ(main_->EditGrid()->Cell(3, 0), "Z");
    EXPECT_EQ(main_->EditGrid()->ColCount(), 4);
    EXPECT_GE(main_->VariableList()->findText("Z"), 0);
    Undo();
    EXPECT_EQ(Names(), (Strings{"X", "Y"}));
    Redo();
    EXPECT_EQ(Column(2), (Values{1, 4, 0, 1, 3}));
}

TEST_F(EditCommandsTest, AddSquaredResidualsWithoutAskingValues) {
    model_->SetDependent(1);
    ASSERT_TRUE(model_->IsExplanatory(0) || model_->ToggleVariable(0));
    ui_.QueueInput("<e2>");
    Run("VARADD");
    ASSERT_EQ(Names(), (Strings{"X", "Y", "SQUARE_RES"}));
    EXPECT_EQ(ui_.CallsOf(ServiceCall::Input).size(), 1u);
    // Y on X: y = 2.2 + 0.6 x, residuals -0.8, 0.6, 1, -0.6, -0.2.
    double sum = 0.0;
    for (double e2 : Column(2)) {
        EXPECT_GE(e2, 0.0);
        sum += e2;
    }
    EXPECT_NEAR(sum, 2.4, 1e-12);
    EXPECT_NEAR(Column(2)[2], 1.0, 1e-12);
}

TEST_F(EditCommandsTest, AddRefusesBadNamesBeforeAskingValues) {
    for (const char* name : {"Y", "A,B", "定数項"}) {
        SCOPED_TRACE(name);
        ui_.ClearCalls();
        ui_.QueueInput(name);
        ui_.QueueOK();
        Run("VARADD");
        EXPECT_EQ(Names(), (Strings{"X", "Y"}));
        EXPECT_EQ(ui_.CallsOf(ServiceCall::Input).size(), 1u);
        EXPECT_EQ(ui_.MessageTexts().size(), 1u);
    }
    ui_.QueueCancel();
    Run("VARADD");
    ui_.QueueInput("Z");
    ui_.QueueInput("1");
    ui_.QueueCancel();  // in the middle of the values
    Run("VARADD");
    EXPECT_EQ(Names(), (Strings{"X", "Y"}));
    EXPECT_FALSE(state_.Undo().CanUndo());
}

TEST_F(EditCommandsTest, DeleteOffersEveryVariableButTheDependent) {
    Open({{1, 2, 3, 4, 5}, {5, 3, 1, 2, 2}, {2, 4, 5, 4, 5}}, {}, {"X", "W", "Y"});
    ui_.QueueInput("W");
    Run("VARDEL");
    const auto calls = ui_.CallsOf(ServiceCall::Input);
    EXPECT_EQ(calls[0].text, "削除する変数名");
    EXPECT_EQ(calls[0].items, (Strings{"X", "W"}));
    EXPECT_EQ(Names(), (Strings{"X", "Y"}));
    Undo();
    EXPECT_EQ(Names(), (Strings{"X", "W", "Y"}));
    // Typed anyway: refused with a message.
    ui_.QueueInput("Y");
    ui_.QueueOK();
    Run("VARDEL");
    EXPECT_EQ(Names(), (Strings{"X", "W", "Y"}));
    EXPECT_EQ(ui_.MessageTexts().size(), 1u);
}

TEST_F(EditCommandsTest, DeleteTakesTheMarkedColumnsAsOneStep) {
    Open({{1, 2, 3, 4, 5}, {5, 3, 1, 2, 2}, {2, 4, 5, 4, 5}}, {}, {"X", "W", "Y"});
    main_->EditColumnMarks.Set(0, 1);
    main_->EditColumnMarks.Set(1, 1);
    Run("VARDEL");
    EXPECT_TRUE(ui_.CallsOf(ServiceCall::Input).empty());
    EXPECT_EQ(Names(), (Strings{"Y"}));
    Undo();
    EXPECT_EQ(Names(), (Strings{"X", "W", "Y"}));
}

TEST_F(EditCommandsTest, InsertAtATypedPlaceOrAVariablesName) {
    struct Case {
        const char* place;
        Strings names;
    } cases[] = {{"1", {"Z", "X", "Y"}}, {"Y", {"X", "Z", "Y"}}, {"1+1", {"X", "Z", "Y"}}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.place);
        ui_.ClearCalls();
        ui_.QueueInput("Z");
        ui_.QueueInput(c.place);
        ui_.QueueInput("=index*3");
        Run("VARINS");
        EXPECT_EQ(Names(), c.names);
        EXPECT_EQ(Prompts()[1], "挿入する場所は？");
        EXPECT_EQ(Column(model_->FindVar("Z")), (Values{3, 6, 9, 12, 15}));
        Undo();
    }
    for (const char* place : {"0", "3", "nosuch"}) {
        SCOPED_TRACE(place);
        ui_.ClearCalls();
        ui_.QueueInput("Z");
        ui_.QueueInput(place);
        // A name that is neither a variable nor a formula: the formula's error.
        if (std::string(place) == "nosuch") ui_.QueueOK();
        Run("VARINS");
        EXPECT_EQ(Names(), (Strings{"X", "Y"}));
        EXPECT_EQ(ui_.CallsOf(ServiceCall::Input).size(), 2u);
    }
}

TEST_F(EditCommandsTest, ExchangeNeverOffersTheFirstNameAgain) {
    ui_.QueueInput("X");
    ui_.QueueInput("Y");
    Run("VARXCHG");
    const auto calls = ui_.CallsOf(ServiceCall::Input);
    ASSERT_EQ(calls.size(), 2u);
    EXPECT_EQ(calls[1].text, "X　交換する変数名");
    EXPECT_EQ(calls[1].items, (Strings{"Y"}));
    EXPECT_EQ(Names(), (Strings{"Y", "X"}));
    EXPECT_EQ(Column(0), (Values{2, 4, 5, 4, 5}));
    Undo();
    EXPECT_EQ(Names(), (Strings{"X", "Y"}));
    ui_.QueueInput("nosuch");
    Run("VARXCHG");
    ui_.QueueInput("X");
    ui_.QueueCancel();
    Run("VARXCHG");
    EXPECT_EQ(Names(), (Strings{"X", "Y"}));
}

TEST_F(EditCommandsTest, RenameChecksTheNewName) {
    ui_.QueueInput("X");
    ui_.QueueInput("INCOME");
    Run("RENAME");
    EXPECT_EQ(Prompts(), (Strings{"変更する変数名", "名前の変更 (X)"}));
    EXPECT_EQ(Names(), (Strings{"INCOME", "Y"}));
    EXPECT_EQ(main_->EditGrid()->Cell(1, 0), "INCOME");
    Undo();
    EXPECT_EQ(Names(), (Strings{"X", "Y"}));
    for (const char* bad : {"Y", "a@b"}) {
        ui_.QueueInput("X");
        ui_.QueueInput(bad);
        ui_.QueueOK();
        Run("RENAME");
    }
    EXPECT_EQ(Names(), (Strings{"X", "Y"}));
    EXPECT_EQ(ui_.MessageTexts().size(), 2u);
}

// ---- observations ----------------------------------------------------------------

TEST_F(EditCommandsTest, AppendAsksEachVariableAgainAfterAnError) {
    for (const char* v : {"6", "oops", "2*3"}) {
        ui_.QueueInput(v);
        if (std::string(v) == "oops") ui_.QueueOK();
    }
    Run("DATADD");
    EXPECT_EQ(Prompts(), (Strings{"X[6]", "Y[6]", "Y[6]"}));
    EXPECT_EQ(model_->GetObsCount(), 6);
    EXPECT_EQ(Column(1).back(), 6.0);
    EXPECT_EQ(main_->EditGrid()->RowCount(), 7);
    Undo();
    EXPECT_EQ(model_->GetObsCount(), 5);
    ui_.QueueInput("6");
    ui_.QueueCancel();
    Run("DATADD");
    EXPECT_EQ(model_->GetObsCount(), 5);
}

TEST_F(EditCommandsTest, DeleteObservationsByList) {
    struct Case {
        const char* answer;
        Values left;  // X afterwards
    } cases[] = {
        {"3,5", {1, 2, 4}},   {"[4,2]", {1, 5}},    {"[0,3]", {4, 5}}, {"[1,5,2]", {2, 4}},
        {"5", {1, 2, 3, 4}},  {"9", {1, 2, 3, 4, 5}}, {"[2,3]", {1, 4, 5}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.answer);
        ui_.QueueInput(c.answer);
        Run("DATDEL");
        EXPECT_EQ(Column(0), c.left);
        if (model_->GetObsCount() != 5) Undo();
        EXPECT_EQ(model_->GetObsCount(), 5);
    }
    EXPECT_EQ(Prompts().front(), "削除するデータ組番号");
    main_->ObservationMarks.Set(1, 1);
    main_->ObservationMarks.Set(3, 1);
    Run("DATDEL");
    EXPECT_EQ(Column(0), (Values{1, 3, 5}));
    Undo();
    EXPECT_EQ(Column(0), (Values{1, 2, 3, 4, 5}));
}

TEST_F(EditCommandsTest, DeleteObservationsRefusesFailedAnswersAndDeletingAll) {
    const struct {
        const char* answer;
        int messages;
    } cases[] = {{"3,nosuch", 1}, {"nosuch,3", 1}, {"[1,5]", 1}, {"1,2,3,4,5", 1}, {"", 0}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.answer);
        ui_.ClearCalls();
        ui_.QueueInput(c.answer);
        for (int m = 0; m < c.messages; ++m) ui_.QueueOK();
        Run("DATDEL");
        EXPECT_EQ(Column(0), (Values{1, 2, 3, 4, 5}));
        EXPECT_EQ(ui_.MessageTexts().size(), static_cast<std::size_t>(c.messages));
        EXPECT_FALSE(state_.Undo().CanUndo());
    }
}

TEST_F(EditCommandsTest, PagesShowWhatTheyCanWithNoMoreObservationsThanCoefficients) {
    Open({{1, 2, 3, 5}, {3, 1, 4, 1}, {2, 4, 5, 3}}, {}, {"X", "Z", "Y"});
    ASSERT_TRUE(model_->SetModel(2, {2, 2, 1, 2}));
    ui_.QueueInput("[1,2]");
    Run("DATDEL");  // two observations, three coefficients
    ASSERT_EQ(model_->GetObsCount(), 2);
    for (const char* page : {"mnuSelectView", "mnuCheckView", "mnuAnalysisView", "mnuPredView", "mnuEditView"})
        EXPECT_NO_THROW(Run(page)) << page;
    Undo();
    EXPECT_EQ(model_->GetObsCount(), 4);
}

TEST_F(EditCommandsTest, InsertAndExchangeObservations) {
    for (const char* v : {"2", "10", "20"}) ui_.QueueInput(v);
    Run("DATINS");
    EXPECT_EQ(Prompts(), (Strings{"挿入するデータ組番号", "X[2]", "Y[2]"}));
    EXPECT_EQ(Column(0), (Values{1, 10, 2, 3, 4, 5}));
    Undo();
    ui_.QueueCancel();  // the place: nothing inserted
    Run("DATINS");
    EXPECT_EQ(model_->GetObsCount(), 5);

    ui_.ClearCalls();
    ui_.QueueInput("1");
    ui_.QueueInput("3");
    Run("DATXCHG");
    EXPECT_EQ(Prompts()[1], "1　と交換するデータ組番号");
    EXPECT_EQ(Column(0), (Values{3, 2, 1, 4, 5}));
    Undo();
    for (const char* second : {"9", "1", "0"}) {
        ui_.QueueInput("1");
        ui_.QueueInput(second);
        Run("DATXCHG");
        EXPECT_EQ(Column(0), (Values{1, 2, 3, 4, 5}));
    }
}

// ---- estimation method and equations ------------------------------------------------

TEST_F(EditCommandsTest, TwoStageIsRefusedForAnUnderidentifiedEquation) {
    // Y on X, both endogenous, no instrument left out: under-identified.
    Open({{1, 2, 3, 4, 5}, {2, 4, 5, 4, 5}}, {1, 1}, {"X", "Y"});
    ASSERT_TRUE(model_->IsExplanatory(0) || model_->ToggleVariable(0));
    ui_.QueueYes();
    Run("LSE");
    EXPECT_EQ(ui_.MessageTexts(), (Strings{"識別不能状態です。"}));
    EXPECT_FALSE(model_->IsTwoStage());
    EXPECT_FALSE(main_->Action("LSE")->isChecked());
}

TEST_F(EditCommandsTest, TwoStageSwitchesOnAndOffWithAnInstrument) {
    Open({{1, 2, 3, 4, 5}, {3, 1, 4, 1, 5}, {2, 4, 5, 4, 5}}, {1, 2, 1}, {"X", "Z", "Y"});
    ASSERT_TRUE(model_->IsExplanatory(0) || model_->ToggleVariable(0));
    if (model_->IsExplanatory(1)) {
        ASSERT_TRUE(model_->ToggleVariable(1));
    }
    Run("LSE");
    EXPECT_TRUE(ui_.MessageTexts().empty());
    EXPECT_TRUE(model_->IsTwoStage());
    EXPECT_TRUE(main_->Action("LSE")->isChecked());
    Run("LSE");
    EXPECT_FALSE(model_->IsTwoStage());
    EXPECT_FALSE(main_->Action("LSE")->isChecked());
}

TEST_F(EditCommandsTest, EquationsAddDeleteDefineAndClear) {
    Open({{1, 2, 3, 4, 5}, {3, 1, 4, 1, 5}, {2, 4, 5, 4, 5}}, {1, 2, 1}, {"X", "Z", "Y"});
    Run("EXPADD");  // Y endogenous
    ASSERT_EQ(model_->Expressions().GetCount(), 1);
    EXPECT_EQ(model_->Expressions().GetItem(0).GetLeftName(), "Y");
    ui_.QueueInput("X = 2*Z");
    Run("DECLADD");
    ASSERT_EQ(model_->Expressions().GetCount(), 2);
    EXPECT_TRUE(model_->Expressions().GetItem(1).IsDefinition());
    ui_.QueueInput("Z = 2*X");  // left side exogenous: not added
    Run("DECLADD");
    ui_.QueueInput("X = 2*nosuch");
    ui_.QueueOK();
    Run("DECLADD");
    EXPECT_EQ(model_->Expressions().GetCount(), 2);
    EXPECT_EQ(ui_.MessageTexts().size(), 1u);

    ui_.QueueInput("3");  // beyond the count
    Run("EXPDEL");
    EXPECT_EQ(model_->Expressions().GetCount(), 2);
    ui_.QueueInput("2");
    Run("EXPDEL");
    ASSERT_EQ(model_->Expressions().GetCount(), 1);
    EXPECT_EQ(model_->Expressions().GetItem(0).GetLeftName(), "Y");
    Undo();
    ASSERT_EQ(model_->Expressions().GetCount(), 2);
    ui_.QueueInput(model_->Expressions().GetItem(0).GetText());  // picked from the list
    Run("EXPDEL");
    ASSERT_EQ(model_->Expressions().GetCount(), 1);
    EXPECT_EQ(model_->Expressions().GetItem(0).GetLeftName(), "X");
    Undo();

    ui_.QueueNo();
    Run("EXPCLR");
    EXPECT_EQ(model_->Expressions().GetCount(), 2);
    ui_.QueueYes();
    Run("EXPCLR");
    EXPECT_EQ(model_->Expressions().GetCount(), 0);
    Undo();
    EXPECT_EQ(model_->Expressions().GetCount(), 2);
}

TEST_F(EditCommandsTest, AddEquationNeedsAnEndogenousDependent) {
    Run("EXPADD");  // Y of undefined type
    EXPECT_EQ(model_->Expressions().GetCount(), 0);
    EXPECT_FALSE(state_.Undo().CanUndo());
}

}  // namespace
