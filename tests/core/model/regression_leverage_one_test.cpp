// An observation that alone determines a coefficient (a dummy for one
// observation) has leverage 1: its residual is 0, s2(i) is SSE / (n - k - 1)
// and every measure that divides by 1 - h is no number, as is the PRESS sum.
// Expected values come from exact rational arithmetic (the fits and the
// deletion formulas in fractions); where R's influence.measures and
// lm.influence report them, they agree.
#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "core/model/regression_model.h"
#include "core/model/text_report.h"
#include "platform/text/cp932.h"
#include "support/model_builder.h"
#include "support/sample_columns.h"
#include "support/scripted_services.h"

namespace {

// The twelve rows with d = 1 at i = 4 alone, before y.
Columns TwelveRowsWithDummy() {
    Columns cols = TwelveRows();
    std::vector<double> d(12, 0.0);
    d[4] = 1.0;
    cols.insert(cols.begin() + 2, d);
    return cols;
}

// Longley with a dummy for 1952 (observation 5) after YEAR.
Columns LongleyWithDummy() {
    Columns cols = LongleyColumns();
    std::vector<double> d(16, 0.0);
    d[5] = 1.0;
    cols.insert(cols.begin() + 6, d);
    return cols;
}

// The rows of an observation of leverage 1 that are no number.
const int kUndefinedRows[] = {Reg::kRowPress,     Reg::kRowStudentInternal, Reg::kRowStudentExternal,
                              Reg::kRowCovratio,  Reg::kRowDffits,          Reg::kRowCooksD,
                              Reg::kRowWelsch,    Reg::kRowR2Deleted,       Reg::kRowAdjR2Deleted};

void ExpectLeverageOneRow(const Reg& reg, int i, const std::vector<int>& coefficients, double s2Deleted) {
    EXPECT_EQ(reg.GetAnalysisValue(Reg::kRowLeverage, i), 1.0);
    EXPECT_DOUBLE_EQ(reg.GetAnalysisValue(Reg::kRowS2Deleted, i), s2Deleted);
    for (int code : kUndefinedRows) EXPECT_TRUE(std::isnan(reg.GetAnalysisValue(code, i))) << "row " << code;
    for (int j : coefficients) {
        EXPECT_TRUE(std::isnan(reg.GetAnalysisValue(Reg::kRowDfbeta + j, i))) << "DFBETA " << j;
        EXPECT_TRUE(std::isnan(reg.GetAnalysisValue(Reg::kRowDeletedTValue + j, i))) << "t without i " << j;
    }
    EXPECT_TRUE(std::isnan(reg.GetPress()));
}

struct OtherRow {
    int i;
    double s2Deleted, dffits, covratio, cooks, welsch;
};

TEST(RegLeverageOne, OneObservationDummyLeavesNoFigureOfRounding) {
    const struct {
        const char* name;
        Columns cols;
        std::vector<std::uint8_t> roles;
        std::vector<int> coefficients;
        int one;
        double s2Deleted;
        OtherRow other;
    } cases[] = {
        {"twelve rows", TwelveRowsWithDummy(), {2, 2, 2, 1, 2}, {0, 1, 2, 4}, 4, 5.904970760233918,
         {3, 5.603658536585366, -0.268572758601, 1.64864687905, 0.0195573400696, 0.972367438371}},
        {"Longley", LongleyWithDummy(), {2, 2, 2, 2, 2, 2, 2, 1, 2}, {0, 1, 2, 3, 4, 5, 6, 8}, 5, 105404.33331227538,
         {4, 81547.5768814, 3.4461889682, 2.53994401549, 1.31260100032, 34.8031554049}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ScriptedServices ui;
        EngineContext context;
        context.SetServices(&ui);
        auto reg = MakeModel(c.cols, {}, {}, &context);
        ASSERT_TRUE(reg->SetModel(static_cast<int>(c.cols.size()) - 1, c.roles));
        reg->ComputeInfluence();
        ExpectLeverageOneRow(*reg, c.one, c.coefficients, c.s2Deleted);
        const OtherRow& o = c.other;
        ExpectRel(reg->GetAnalysisValue(Reg::kRowS2Deleted, o.i), o.s2Deleted, 1e-9, "s2(i)", o.i);
        ExpectRel(reg->GetAnalysisValue(Reg::kRowDffits, o.i), o.dffits, 1e-9, "DFFITS", o.i);
        ExpectRel(reg->GetAnalysisValue(Reg::kRowCovratio, o.i), o.covratio, 1e-9, "COVRATIO", o.i);
        ExpectRel(reg->GetAnalysisValue(Reg::kRowCooksD, o.i), o.cooks, 1e-9, "Cook's D", o.i);
        ExpectRel(reg->GetAnalysisValue(Reg::kRowWelsch, o.i), o.welsch, 1e-9, "W(i)", o.i);
    }
}

TEST(RegLeverageOne, ResidualAnalysisAloneGivesTheSameRow) {
    // The residual rows formed on their own, before any deletion measure.
    auto reg = MakeModel(TwelveRowsWithDummy());
    ASSERT_TRUE(reg->SetModel(3, {2, 2, 2, 1, 2}));
    reg->ComputeAnalysisData();
    EXPECT_EQ(reg->GetAnalysisValue(Reg::kRowLeverage, 4), 1.0);
    EXPECT_DOUBLE_EQ(reg->GetAnalysisValue(Reg::kRowS2Deleted, 4), 5.904970760233918);
    EXPECT_TRUE(std::isnan(reg->GetAnalysisValue(Reg::kRowStudentInternal, 4)));
    EXPECT_TRUE(std::isnan(reg->GetAnalysisValue(Reg::kRowStudentExternal, 4)));
    EXPECT_TRUE(std::isnan(reg->GetAnalysisValue(Reg::kRowPress, 4)));
    ExpectRel(reg->GetAnalysisValue(Reg::kRowPress, 3), -1.58536585366, 1e-9, "PRESS", 3);
}

TEST(RegLeverageOne, HugeValueOfOneObservationGivesFiniteDeletedVariance) {
    // GNP[1952] = 1e100 makes GNP a dummy of that year in double: s2(i) is
    // SSE / 8, as R gives (100752.07), not minus infinity.
    Columns cols = LongleyColumns();
    cols[1][5] = 1e100;
    auto reg = MakeModel(cols);
    ASSERT_TRUE(reg->SetModel(6, {2, 2, 2, 2, 2, 2, 1, 2}));
    reg->ComputeInfluence();
    ExpectRel(reg->GetAnalysisValue(Reg::kRowS2Deleted, 5), 100752.06957648777, 1e-9, "s2(i)", 5);
    EXPECT_TRUE(std::isnan(reg->GetAnalysisValue(Reg::kRowDffits, 5)));
}

TEST(RegLeverageOne, TwoStageDummyHasLeverageOne) {
    // y on y2 (endogenous), x1 and d, instruments x1, x2, x3 and d; d = 1 at
    // observation 6. Exact two-stage fit: SSE 13.850961210196582, and the
    // refits without observations 0 and 3 (second-stage design kept).
    Columns cols = {
        {0.011, 1.348, 2.992, 1.87, 0.669, 2.598, 2.154, 2.283, 2.871, 0.632, 0.411, 2.529, 1.226, -1.148, 3.484},
        {0.988, 3.777, 3.501, 0.928, 1.15, 0.814, 1.793, 1.536, 2.81, -1.433, 2.914, 1.703, 1.337, 0.674, 2.414},
        {2.051, 4.04, 3.837, 1.235, 1.553, 1.209, 2.855, 1.916, 3.12, -0.771, 4.35, 1.855, 3.021, 1.795, 1.431},
        {0.463, 0.825, -0.203, -0.153, 0.686, -0.87, -1.514, 0.395, -0.671, -1.92, -0.814, -0.468, -1.193, -1.492,
         0.037},
        {1.897, 0.767, 0.256, 1.385, 1.717, 0.7, 1.545, 2.043, 0.793, 0.186, 1.348, 1.248, 2.099, -0.285, 0.338},
        {0, 0, 0, 0, 0, 0, 1, 0, 0, 0, 0, 0, 0, 0, 0}};
    ScriptedServices ui;
    EngineContext context;
    context.SetServices(&ui);
    auto reg = MakeModel(cols, {1, 1, 2, 2, 3, 2}, {}, &context);
    reg->SetTwoStage(true);
    reg->SetRealCalc(true);
    ASSERT_TRUE(reg->SetModel(0, {1, 2, 2, 0, 0, 2, 2}));
    reg->ComputeInfluence();
    EXPECT_EQ(reg->GetAnalysisValue(Reg::kRowTwoStageB, 6), 1.0);
    ExpectLeverageOneRow(*reg, 6, {1, 2, 5, 6}, 1.3850961210196582);
    ExpectRel(reg->GetAnalysisValue(Reg::kRowS2Deleted, 0), 1.214735331591577, 1e-9, "s2(i)", 0);
    ExpectRel(reg->GetAnalysisValue(Reg::kRowS2Deleted, 3), 1.3779942938445429, 1e-9, "s2(i)", 3);
}

TEST(RegLeverageOne, ReportShowsNoNumberInTheRowOfLeverageOne) {
    auto reg = MakeModel(TwelveRowsWithDummy(), {}, {"x1", "x3", "d", "y"});
    ASSERT_TRUE(reg->SetModel(3, {2, 2, 2, 1, 2}));
    std::ostringstream out;
    WriteTextReport(*reg, TextReportOptions{}, out);
    const std::string text = cp932::ToUtf8(out.str());
    const std::size_t influence = text.find("【影響分析】");
    ASSERT_NE(influence, std::string::npos);
    EXPECT_NE(text.find("   4      1.6486     -0.2686      0.0196      0.9724      0.6976      0.5680\n", influence),
              std::string::npos);
    EXPECT_NE(text.find("   5         NAN         NAN         NAN         NAN         NAN         NAN\n", influence),
              std::string::npos);
    EXPECT_NE(text.find("   5         NAN         NAN           0      1.0000\n"), std::string::npos);
}

}  // namespace
