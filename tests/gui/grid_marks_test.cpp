// The mark rules for every click combination, and the result columns with
// their code form.
#include <gtest/gtest.h>

#include <string>

#include "components/view/grid_marks.h"
#include "core/model/result_columns.h"
#include "core/model/regression_model.h"
#include "support/model_builder.h"

namespace {

// Marks as a string of '0'/'1' for easy comparison.
std::string Flags(const Selekto& s) {
    std::string out;
    for (auto f : s.Flags()) out += f ? '1' : '0';
    return out;
}

Selekto FromFlags(const std::string& text) {
    Selekto s;
    s.Reset(static_cast<int>(text.size()));
    for (std::size_t i = 0; i < text.size(); ++i) s.Set(static_cast<int>(i), text[i] == '1');
    return s;
}

TEST(MarkRules, EveryClickCombinationOnARowHeader) {
    struct Case {
        const char* what;
        const char* before;
        int anchor;
        MarkKeys keys;
        int obs;
        const char* after;
        int anchorAfter;
    } cases[] = {
        {"plain", "0110000", -1, {}, 4, "0000100", 4},
        {"plain moves anchor", "0000100", 4, {}, 1, "0100000", 1},
        {"ctrl adds", "0100000", 1, {false, true, false}, 5, "0100010", 1},
        {"ctrl on marked stays", "0100000", 1, {false, true, false}, 1, "0100000", 1},
        {"ctrl+alt removes", "0110000", 1, {false, true, true}, 2, "0100000", 1},
        {"alt clears all", "0110011", 1, {false, false, true}, 3, "0000000", 1},
        {"shift to anchor below", "0000100", 4, {true, false, false}, 1, "0111100", -1},
        {"shift to anchor above", "0100000", 1, {true, false, false}, 5, "0111110", -1},
        {"shift keeps other marks", "1000010", 5, {true, false, false}, 3, "1001110", -1},
        {"shift without anchor is plain", "0111100", -1, {true, false, false}, 6, "0000001", 6},
        {"shift+ctrl with anchor ranges", "0000000", 2, {true, true, false}, 3, "0011000", -1},
        {"shift+ctrl without anchor adds", "1000000", -1, {true, true, false}, 3, "1001000", -1},
        {"outside the data: nothing", "0100000", 1, {}, 7, "0100000", 1},
        {"negative: nothing", "0100000", 1, {}, -1, "0100000", 1},
    };
    for (const Case& k : cases) {
        Selekto marks = FromFlags(k.before);
        int anchor = k.anchor;
        MarkObservationsByClick(marks, anchor, k.keys, k.obs, 7);
        EXPECT_EQ(Flags(marks), k.after) << k.what;
        EXPECT_EQ(anchor, k.anchorAfter) << k.what;
    }
}

TEST(MarkRules, PlainThenShiftThenShiftAgain) {
    Selekto marks = FromFlags("000000");
    int anchor = -1;
    MarkObservationsByClick(marks, anchor, {}, 4, 6);           // row 5
    MarkObservationsByClick(marks, anchor, {true, false, false}, 1, 6);  // Shift on row 2
    EXPECT_EQ(Flags(marks), "011110");
    EXPECT_EQ(anchor, -1);
    MarkObservationsByClick(marks, anchor, {true, false, false}, 0, 6);  // no anchor now: a plain click
    EXPECT_EQ(Flags(marks), "100000");
    EXPECT_EQ(anchor, 0);
}

TEST(MarkRules, RangesStayInsideTheObservationCount) {
    Selekto marks = FromFlags("0000");
    SetObservationMarkRange(marks, 6, 2, true, 4);  // either order, clamped
    EXPECT_EQ(Flags(marks), "0011");
    SetObservationMarkRange(marks, -3, 2, false, 4);
    EXPECT_EQ(Flags(marks), "0001");

    // After the count shrinks no mark or anchor refers past the end.
    Selekto big = FromFlags("10000011");
    int anchor = 7;
    FitObservationMarks(big, anchor, 5);
    EXPECT_EQ(Flags(big), "10000");
    EXPECT_EQ(anchor, -1);
    FitObservationMarks(big, anchor, 7);
    EXPECT_EQ(Flags(big), "1000000");  // growing brings no old marks back
    EXPECT_FALSE(IsMarked(big, 50));
    EXPECT_EQ(big.Count(), 7);  // asking did not grow the set
    EXPECT_EQ(CountMarked(big), 1);
}

TEST(MarkRules, ColumnClicksClearOtherGridsWithoutCtrl) {
    Selekto edit = FromFlags("0000"), res = FromFlags("0100000000"), ana = FromFlags("00100000");
    Selekto* all[3] = {&edit, &res, &ana};
    ClickColumnMark(all, edit, true, 0);
    ClickColumnMark(all, edit, true, 2);
    EXPECT_EQ(Flags(edit), "1010");
    EXPECT_EQ(Flags(res), "0100000000");  // Ctrl keeps the other grids' marks
    ClickColumnMark(all, edit, true, 2);  // Ctrl on a marked column removes it
    EXPECT_EQ(Flags(edit), "1000");
    ClickColumnMark(all, edit, false, 3);
    EXPECT_EQ(Flags(edit), "0001");
    EXPECT_EQ(Flags(res), "0000000000");
    EXPECT_EQ(Flags(ana), "00000000");
    ClickColumnMark(all, edit, false, 3);  // a plain click leaves that column marked
    EXPECT_EQ(Flags(edit), "0001");
}

TEST(ResultColumns, CodesMapToKindsAndBack) {
    struct Case {
        int code;
        ResultKind kind;
        int index;
    } cases[] = {
        {-1, ResultKind::Time, 0},         {0, ResultKind::Variable, 0},      {99, ResultKind::Variable, 99},
        {100, ResultKind::Diagnostic, 0},  {109, ResultKind::Diagnostic, 9},  {110, ResultKind::None, 0},
        {199, ResultKind::None, 0},        {200, ResultKind::Influence, 0},   {206, ResultKind::Influence, 6},
        {207, ResultKind::None, 0},        {300, ResultKind::DeletedT, 0},    {312, ResultKind::DeletedT, 12},
        {402, ResultKind::ScaledDfbeta, 2}, {505, ResultKind::RawDfbeta, 5},  {600, ResultKind::None, 0},
    };
    for (const Case& k : cases) {
        const ResultColumn c = ResultColumn::FromCode(k.code);
        EXPECT_EQ(c.kind, k.kind) << k.code;
        EXPECT_EQ(c.index, k.index) << k.code;
        if (k.kind != ResultKind::None) {
            EXPECT_EQ(c.Code(), k.code);
        }
    }
    // Variable 100 is a variable, not diagnostics row 0; it has no code.
    const ResultColumn v100{ResultKind::Variable, 100};
    EXPECT_FALSE(v100.Code().has_value());
    EXPECT_NE(v100, ResultColumn::FromCode(100));
}

TEST(ResultColumns, TitlesAndValuesFromTheModel) {
    auto model = MakeModel({{1, 2, 3, 4, 5, 6, 7}, {2, 1, 4, 3, 6, 5, 8}, {1.5, 2.5, 2.0, 4.5, 4.0, 6.5, 6.0}}, {},
                           {"X1", "X2", "Y"});
    model->Reestimate(false);
    ASSERT_TRUE(model->ToggleVariable(0));
    model->ComputeInfluence();
    EXPECT_EQ(ResultColumnTitle(*model, {ResultKind::Time, 0}), "時間");
    EXPECT_EQ(ResultColumnTitle(*model, {ResultKind::Variable, 1}), "X2");
    EXPECT_EQ(ResultColumnTitle(*model, ResultColumn::FromCode(100)), "観測値");
    EXPECT_EQ(ResultColumnTitle(*model, ResultColumn::FromCode(109)), "作用点");
    EXPECT_EQ(ResultColumnTitle(*model, ResultColumn::FromCode(200)), "s^2(i)");
    EXPECT_EQ(ResultColumnTitle(*model, ResultColumn::FromCode(206)), "R'^2(i)");
    EXPECT_EQ(ResultColumnTitle(*model, ResultColumn::FromCode(300)), "t[X1]");
    EXPECT_EQ(ResultColumnTitle(*model, ResultColumn::FromCode(403)), "β変化量[定数項]");
    EXPECT_EQ(ResultColumnTitle(*model, ResultColumn::FromCode(500)), "β変化量[X1]");
    EXPECT_EQ(ResultColumnTitle(*model, {}), "");

    EXPECT_EQ(ResultColumnValue(*model, {ResultKind::Time, 0}, 4), 5.0);
    EXPECT_EQ(ResultColumnValue(*model, {ResultKind::Variable, 2}, 3), 4.5);
    EXPECT_EQ(ResultColumnValue(*model, ResultColumn::FromCode(100), 3), 4.5);  // the observed value
    EXPECT_EQ(ResultColumnValue(*model, ResultColumn::FromCode(150), 3), 0.0);
    for (int i = 0; i < 7; ++i) {
        const double raw = ResultColumnValue(*model, ResultColumn::FromCode(500), i);
        const double scaled = ResultColumnValue(*model, ResultColumn::FromCode(400), i);
        const double expected =
            raw / std::sqrt(model->GetAnalysisValue(Reg::kRowS2Deleted, i) * model->GetSweepElement(0, 0));
        EXPECT_DOUBLE_EQ(scaled, expected) << i;
        EXPECT_EQ(ResultColumnValue(*model, ResultColumn::FromCode(202), i),
                  model->GetAnalysisValue(Reg::kRowDffits, i));
    }

    // The influence grid: the seven measures, the t of X1, then the DFBETA of
    // the constant and of X1.
    const auto columns = InfluenceGridColumns(*model);
    ASSERT_EQ(columns.size(), 10u);
    EXPECT_EQ(columns[6], ResultColumn::FromCode(206));
    EXPECT_EQ(columns[7], ResultColumn::FromCode(300));
    EXPECT_EQ(columns[8], ResultColumn::FromCode(403));
    EXPECT_EQ(columns[9], ResultColumn::FromCode(400));
    EXPECT_EQ(InfluenceGridColumns(*model, true)[9], ResultColumn::FromCode(500));
}

}  // namespace
