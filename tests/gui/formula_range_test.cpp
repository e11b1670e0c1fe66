// A formula over a stretch of observations, alone and as the answer of
// value-by-value entry.
#include <gtest/gtest.h>

#include <QAction>

#include "app/main_window/formula_range.h"
#include "core/model/regression_model.h"
#include "core/text/number_format.h"
#include "started_windows.h"

namespace {

using Values = std::vector<double>;

struct RangeCase {
    const char* text;
    int from;
    int to;
    bool ok;
    Values want;
};

class FormulaRangeTest : public StartedWindows {
protected:
    FormulaRangeTest() : StartedWindows("formula_range") {
        auto model = MakeModel({{1, 2, 3, 4, 5}, {0.1, 0.2, 0.3, 0.4, 0.5}}, {}, {"X", "Y"});
        SaveAs(*model, dir_.Path("f.MDF"));
        main_->OpenAndRemember(dir_.Path("f.MDF"));
        model_ = state_.Model();
        ui_.ClearCalls();
    }
    Reg* model_ = nullptr;
};

TEST_F(FormulaRangeTest, ListsAndFormulasOverARange) {
    const Values start{10, 20, 30, 40, 50};
    const RangeCase cases[] = {
        {"={1.5, 2.5}", 1, 4, true, {10, 1.5, 2.5, 40, 50}},
        {"={1, 2, 3, 4, 5, 6, 7}", 3, 5, true, {10, 20, 30, 1, 2}},
        {"=@@ * 2", 2, 5, true, {10, 20, 60, 80, 100}},
        {"= X * 100 + @@", 0, 2, true, {110, 220, 30, 40, 50}},  // X is 1, 2, ... at each row
        {"=@@ + 1", -3, 99, true, {11, 21, 31, 41, 51}},
        {"=@@ + 1", 4, 2, true, {10, 20, 30, 40, 50}},
        {"=(1 +", 0, 5, false, {10, 20, 30, 40, 50}},
        {"={1, (2", 0, 5, false, {10, 20, 30, 40, 50}},
        {"12", 0, 5, false, {10, 20, 30, 40, 50}},
    };
    for (const RangeCase& c : cases) {
        SCOPED_TRACE(c.text);
        Values v = start;
        EXPECT_EQ(EvaluateFormulaOverRange(state_.Evaluator(), c.text, v, c.from, c.to), c.ok);
        EXPECT_EQ(v, c.want);
    }
}

TEST_F(FormulaRangeTest, ValueByValueEntryTakesAListForTheRestAndKeepsShownValuesExactly) {
    // 0.1 + 0.2 is not 0.3: the formula's own value is stored.
    const double exact = 0.1 + 0.2;
    ui_.QueueInput("Y");
    ui_.QueueInput("7");
    ui_.QueueInput(FormatNumber(false, model_->GetValue(1, 1)));
    ui_.QueueInput("=@@ * 0 + 0.1 + 0.2");  // keeps nothing but the formula's value
    main_->Action("InputVar")->trigger();
    const Values want{7, 0.2, exact, exact, exact};
    for (int i = 0; i < 5; ++i) EXPECT_EQ(model_->GetValue(i, 1), want[static_cast<std::size_t>(i)]) << i;

    ui_.ClearCalls();
    ui_.QueueInput("X");
    ui_.QueueInput("={9, 8, 7, 6, 5, 4}");
    main_->Action("InputVar")->trigger();
    for (int i = 0; i < 5; ++i) EXPECT_EQ(model_->GetValue(i, 0), 9 - i) << i;
    EXPECT_EQ(state_.Undo().UndoStepCount(), 2);
}

TEST_F(FormulaRangeTest, AFormulaThatFailsIsAskedAgain) {
    ui_.QueueInput("X");
    ui_.QueueInput("=(1 +");
    ui_.QueueOK();  // the error box
    ui_.QueueCancel();
    main_->Action("InputVar")->trigger();
    const auto prompts = ui_.CallsOf(ServiceCall::Input);
    ASSERT_EQ(prompts.size(), 3u);
    EXPECT_EQ(prompts[1].text, prompts[2].text);
    for (int i = 0; i < 5; ++i) EXPECT_EQ(model_->GetValue(i, 0), i + 1);
}

}  // namespace
