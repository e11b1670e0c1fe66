// An observation that alone determines a coefficient (a dummy for one
// observation) has leverage 1: s2(i) is SSE / (n - k - 1) and every measure
// that divides by 1 - h is no number, as is the PRESS sum. Expected values
// come from exact rational arithmetic and agree with R's influence.measures.
#include <gtest/gtest.h>

#include <cmath>
#include <sstream>
#include <string>
#include <vector>

#include "core/model/regression_model.h"
#include "core/model/text_report.h"
#include "platform/text/cp932.h"
#include "support/model_builder.h"
#include "support/sample_columns.h"

namespace {

const int kUndefinedRows[] = {Reg::kRowPress,    Reg::kRowStudentInternal, Reg::kRowStudentExternal,
                              Reg::kRowCovratio, Reg::kRowDffits,          Reg::kRowCooksD,
                              Reg::kRowWelsch,   Reg::kRowR2Deleted,       Reg::kRowAdjR2Deleted};

void ExpectLeverageOneRow(const Reg& reg, int i, const std::vector<int>& coefficients, double s2Deleted,
                          double sigRes) {
    EXPECT_EQ(reg.GetAnalysisValue(Reg::kRowLeverage, i), 1.0);
    ExpectRel(reg.GetAnalysisValue(Reg::kRowS2Deleted, i), s2Deleted, 1e-12, "s2(i)", i);
    // The residual has no variance: SIG(RES) at its floor, sqrt(var y x 2^-23).
    EXPECT_NEAR(reg.GetAnalysisValue(Reg::kRowSigRes, i), sigRes, 1e-14 * sigRes);
    for (int code : kUndefinedRows) EXPECT_TRUE(std::isnan(reg.GetAnalysisValue(code, i))) << "row " << code;
    for (int j : coefficients) {
        EXPECT_TRUE(std::isnan(reg.GetAnalysisValue(Reg::kRowDfbeta + j, i))) << "DFBETA " << j;
        EXPECT_TRUE(std::isnan(reg.GetAnalysisValue(Reg::kRowDeletedTValue + j, i))) << "t without i " << j;
    }
    EXPECT_TRUE(std::isnan(reg.GetPress()));
}

TEST(RegLeverageOne, OneObservationDummyLeavesNoFigureOfRounding) {
    Columns huge = LongleyColumns();
    huge[1][5] = 1e100;  // GNP a dummy of 1952 in double: s2(i) was -INF
    const struct {
        const char* name;
        Columns cols;
        std::vector<std::uint8_t> roles;
        std::vector<int> coefficients;
        int one;
        double s2Deleted;
        int other;  // a row that stays equal to the deletion formulas
        double otherS2, otherDffits;
        double sigRes;  // sqrt(var y x 2^-23): var y 13.1881818... and 12333921.7333...
    } cases[] = {
        {"twelve rows", WithDummy(TwelveRows(), 2, 4), {2, 2, 2, 1, 2}, {0, 1, 2, 4}, 4, 5.904970760233918, 3,
         5.603658536585366, -0.268572758601, 0.0012538555678434358},
        {"Longley + D1952", WithDummy(LongleyColumns(), 6, 5), {2, 2, 2, 2, 2, 2, 2, 1, 2}, {0, 1, 2, 3, 4, 5, 6, 8},
         5, 105404.33331227538, 4, 81547.5768814, 3.4461889682, 1.212566718661537},
        {"Longley, GNP[1952] 1e100", huge, {2, 2, 2, 2, 2, 2, 1, 2}, {}, 5, 100752.06957648777, -1, 0, 0,
         1.212566718661537},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        for (bool residualsFirst : {false, true}) {
            auto reg = MakeModel(c.cols);
            ASSERT_TRUE(reg->SetModel(static_cast<int>(c.cols.size()) - 1, c.roles));
            // The residual rows formed on their own, or in the influence pass.
            if (residualsFirst) reg->ComputeAnalysisData();
            reg->ComputeInfluence();
            ExpectLeverageOneRow(*reg, c.one, c.coefficients, c.s2Deleted, c.sigRes);
            if (c.other < 0) continue;
            ExpectRel(reg->GetAnalysisValue(Reg::kRowS2Deleted, c.other), c.otherS2, 1e-9, "s2(i)", c.other);
            ExpectRel(reg->GetAnalysisValue(Reg::kRowDffits, c.other), c.otherDffits, 1e-9, "DFFITS", c.other);
        }
    }
}

TEST(RegLeverageOne, ReportShowsNoNumberInTheRowOfLeverageOne) {
    auto reg = MakeModel(WithDummy(TwelveRows(), 2, 4), {}, {"x1", "x3", "d", "y"});
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
