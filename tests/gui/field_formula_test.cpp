// Numeric fields take macro formulas: the main window's input box and the
// confidence level go through the macro engine, library macros included; a
// formula that fails in an analysis window shows the engine's message alone.
#include <gtest/gtest.h>

#include <QAction>
#include <QComboBox>
#include <QPushButton>

#include "components/view/field_formula.h"
#include "app/main_window/main_window.h"
#include "core/model/regression_file.h"
#include "core/model/regression_model.h"
#include "estimators/mcl_request.h"
#include "estimators/ui/mcl_estimate_page.h"
#include "estimators/ui/mcl_window.h"
#include "macro/macro_engine.h"
#include "platform/qt/string_grid.h"
#include "started_windows.h"
#include "support/sample_columns.h"

namespace {

class FieldFormulaTest : public StartedWindows {
protected:
    FieldFormulaTest() : StartedWindows("formula") {
        auto model = MakeModel({{1, 2, 3, 4}, {10, 20, 30, 40}, {5, 3, 8, 1}}, {}, {"A", "B", "C"});
        SaveAs(*model, dir_.Path("three.MDF"));
        main_->OpenAndRemember(dir_.Path("three.MDF"));
        GetMacroEngine(state_).library.AddOrReplace("macro Twice(x) { x * 2 }");
        ui_.ClearCalls();
    }
    void Type(int c, int r, const std::string& text) {
        main_->EditGrid()->SetCurrentCell(c, r);
        main_->InputBox()->setEditText(QString::fromStdString(text));
        main_->cbInputKeyPress('\r');
    }
};

TEST_F(FieldFormulaTest, EngineExistsOnceTheWindowsAre) {
    ASSERT_NE(state_.Macros(), nullptr);
    EXPECT_EQ(&GetMacroEngine(state_), state_.Macros());
}

TEST_F(FieldFormulaTest, InputBoxTakesLibraryMacrosAndTheOldValue) {
    struct Case {
        const char* text;
        double expected;  // worked out by hand from the cell's old value
    };
    const Case cases[] = {{"@~Twice(@@)", 2 * 3.0}, {"@~Twice(#B[2]) + @@", 40 + 3.0}, {"12", 12.0}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        Type(3, 2, c.text);  // C[2], old value 3
        EXPECT_DOUBLE_EQ(state_.Model()->GetValue(1, 2), c.expected);
        ASSERT_TRUE(state_.Undo().Undo(*state_.Model()));
    }
    EXPECT_TRUE(ui_.CallsOf(ServiceCall::MessageBox).empty());
}

TEST_F(FieldFormulaTest, FailedFormulaShowsTheEngineErrorOnce) {
    ui_.QueueOK();
    Type(3, 2, "@~Missing(1)");
    EXPECT_DOUBLE_EQ(state_.Model()->GetValue(1, 2), 3.0);
    const auto boxes = ui_.CallsOf(ServiceCall::MessageBox);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text.rfind("【式実行時エラー】\n", 0), 0u) << boxes[0].text;
}

TEST_F(FieldFormulaTest, ConfidenceLevelTakesAFormula) {
    ui_.QueueInput("@~Twice(45)");
    main_->Action("mnuGlobalTolerance")->trigger();
    EXPECT_NEAR(state_.CoefficientAlpha(), 0.10, 1e-12);
    // "@@" is the present level, 90.
    ui_.QueueInput("@@ - @~Twice(5)");
    main_->Action("mnuGlobalTolerance")->trigger();
    EXPECT_NEAR(state_.CoefficientAlpha(), 0.20, 1e-12);
}

TEST_F(FieldFormulaTest, PresetValueOrTheEvaluatorsOwn) {
    state_.Evaluator().SetCurrentValue(4);
    EXPECT_EQ(EvaluateFieldFormula(state_, "@@ + 1"), 5.0);
    EXPECT_EQ(EvaluateFieldFormula(state_, "@@ + 1", 10.0), 11.0);
    EXPECT_EQ(EvaluateFieldFormula(state_, ""), 0.0);
    ui_.QueueOK();
    EXPECT_EQ(EvaluateFieldFormula(state_, "1 +", 2.0), std::nullopt);
    // The failed formula left the preset.
    EXPECT_EQ(state_.Evaluator().CurrentValue(), 2.0);
}

TEST_F(FieldFormulaTest, FailedFormulaInAnAnalysisWindowShowsOneMessage) {
    auto model = MakeModel(NearlyCollinearColumns(), {}, {"x1", "x2", "x3", "y"});
    ASSERT_TRUE(model->SetModel(3, {2, 2, 2, 1, 2}));
    TfrmMCL mcl{WindowContext(state_)};
    ASSERT_TRUE(mcl.Fill(MclRequest{model.get(), nullptr, nullptr, false}));
    ui_.ClearCalls();
    ui_.QueueInput("1+");
    ui_.QueueOK();  // the evaluator's message; a second box would find no answer
    mcl.tsRidgeEst->stRK->click();
    const auto boxes = ui_.CallsOf(ServiceCall::MessageBox);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text.rfind("【式", 0), 0u) << boxes[0].text;
}

}  // namespace
