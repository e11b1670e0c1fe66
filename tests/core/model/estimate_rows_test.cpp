// The estimate rows as the estimates page shows them and as the text report
// prints them, and the marks of the diagnostics and influence values.
#include <gtest/gtest.h>

#include <cmath>
#include <sstream>
#include <string>

#include "core/model/estimate_rows.h"
#include "core/model/result_marks.h"
#include "core/model/text_report.h"
#include "platform/text/cp932.h"
#include "support/model_builder.h"

namespace {

// y = 1 + 2 x1 + 0 x3 exactly, so s2 is rounding (here exactly 0): the
// standard errors, sizes, show 0 as formed, while the t values divide by
// those of s2 held at var(y) 2^-23 = 14 x 2^-23; x2 = 2 x1 cannot enter
// (tolerance check). By hand (python fractions): M_jj = 139/134, 4/67 and
// 105/134 for the constant, x1 and x3, t = b / sqrt(M_jj 14 x 2^-23), the F
// of x1 t^2; corr(x1, x3)^2 = 3/70, so both VIFs are 70/67 = 1.0447761...
// x3's coefficient is 0, and so is its F: inside the model that is no
// tolerance failure, and the row may still be taken out.
TEST(EstimateRows, PageRowAndReportLineShowTheSameRow) {
    auto reg = MakeModel({{1, 2, 3, 4, 5, 6}, {2, 4, 6, 8, 10, 12}, {1, 0, 1, 0, 1, 1}, {3, 5, 7, 9, 11, 13}}, {},
                         {"x1", "x2", "x3", "y"});
    ASSERT_TRUE(reg->SetModel(3, {2, 0, 2, 0, 2}));
    const std::vector<EstimateRow> rows = EstimateRows(*reg);
    const ResultTable page = EstimatesTable(*reg, rows);
    std::ostringstream out;
    WriteTextReport(*reg, TextReportOptions{}, out);
    const std::string report = cp932::ToUtf8(out.str());

    struct Expected {
        const char* page[5];
        const char* reportLine;  // nullptr: not in the model, so not in the report
        double se;
    };
    const Expected expected[] = {
        {{"定数項", "-", "1.0000", "0 (0.1%)", "-"}, "   0      定数項      1.0000           0     760.0216 (0.1%)",
         0.0},
        {{"x1", "4.0145e+7", "2.0000", "0 (0.1%)", "1.0448"},
         "   1          x1      2.0000           0    6336.0462 (0.1%)        1.0448", 0.0},
        {{"x2", "TOL CHECK", "-", "-", "-"}, nullptr, 0.0},
        // b = 0: t is 0, the level 100 %, marked as the page marks it.
        {{"x3", "0", "0", "**0 (100.0%)", "1.0448"},
         "   3          x3           0           0          0 (100.0%)        1.0448", 0.0},
    };
    ASSERT_EQ(page.RowCount(), 4);
    ASSERT_EQ(rows.size(), 4u);
    EXPECT_EQ(page.Title(0), "y");
    for (int r = 0; r < 4; ++r) {
        for (int c = 0; c < 5; ++c) EXPECT_EQ(page.Cell(c, r).Shown(), expected[r].page[c]) << r << " " << c;
        const EstimateRow& row = rows[static_cast<std::size_t>(r)];
        if (!expected[r].reportLine) {
            EXPECT_TRUE(row.ToleranceFailure());
            EXPECT_FALSE(row.inModel);
            continue;
        }
        EXPECT_FALSE(row.ToleranceFailure()) << r;
        EXPECT_EQ(EstimateReportLine(row), expected[r].reportLine);
        EXPECT_NE(report.find(std::string("\n") + expected[r].reportLine + "\n"), std::string::npos) << r;
        EXPECT_EQ(page.Cell(2, r).value, row.b);
        EXPECT_EQ(page.Cell(3, r).value, expected[r].se) << r;
    }
    EXPECT_NEAR(rows[1].vif, 70.0 / 67.0, 1e-12);
    EXPECT_NEAR(rows[1].t, 6336.0461758779143905, 1e-12 * 6336.0);
    EXPECT_NEAR(rows[1].f, 40145481.142857142857, 1e-12 * 40145481.0);
    EXPECT_NEAR(rows[0].t, 760.02159324547046087, 1e-12 * 760.0);
    EXPECT_EQ(rows[3].f, 0.0);
}

// x' y = 0 and x' 1 = 0: x's coefficient is exactly 0 (s2 = 4 / 2), and so
// is its F to remove. In the model that is no tolerance failure: the row
// shows the F, and may be taken out again.
TEST(EstimateRows, ZeroFInsideTheModelIsNoToleranceFailure) {
    auto reg = MakeModel({{1, 1, -1, -1}, {1, -1, -1, 1}}, {}, {"x", "y"});
    ASSERT_TRUE(reg->SetModel(1, {2, 1, 2}));
    const std::vector<EstimateRow> rows = EstimateRows(*reg);
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_TRUE(rows[1].inModel);
    EXPECT_EQ(rows[1].f, 0.0);
    EXPECT_FALSE(rows[1].ToleranceFailure());
    EXPECT_EQ(EstimatesTable(*reg, rows).Cell(1, 1).Shown(), "0");
}

// Cut-offs of n = 20 and p = 3 (df 17): COVRATIO 0.55 .. 1.45, DFFITS
// 2 sqrt(3/17), DFBETA 2 / sqrt(20); Cook's point left out. Studentised
// residuals with 17 residual degrees of freedom are t(16): 2.120 (5 %) and
// 2.921 (1 %) from tables; values kept clear of the 0.1 % steps.
TEST(ResultMarks, EveryColumnMarkedAgainstItsPoint) {
    InfluenceCutoffs cut;
    cut.n = 20;
    cut.df = 17;
    cut.p = 3;
    cut.covratioLow = 0.55;
    cut.covratioHigh = 1.45;
    cut.dffits = 0.8401680504168059;
    cut.welsch = 3.972221886149208;
    cut.dfbeta = 0.4472135954999579;
    const ResultMarks marks(cut);
    struct Case {
        ResultColumn column;
        double value;
        const char* mark;
    };
    const Case cases[] = {
        {{ResultKind::Influence, 1}, 0.54, "**"},  {{ResultKind::Influence, 1}, 0.56, ""},
        {{ResultKind::Influence, 1}, 1.46, "* "},  {{ResultKind::Influence, 1}, NAN, ""},
        {{ResultKind::Influence, 2}, -0.85, "* "}, {{ResultKind::Influence, 2}, 0.83, ""},
        {{ResultKind::Influence, 3}, 99.0, ""},    {{ResultKind::Influence, 4}, 3.98, "* "},
        {{ResultKind::Influence, 5}, 99.0, ""},    {{ResultKind::ScaledDfbeta, 0}, -0.45, "* "},
        {{ResultKind::RawDfbeta, 2}, 0.44, ""},    {{ResultKind::Diagnostic, 7}, 3.1, "**"},
        {{ResultKind::Diagnostic, 7}, -2.5, "* "}, {{ResultKind::Diagnostic, 7}, 2.1, ""},
        {{ResultKind::Diagnostic, 2}, 50.0, ""},   {{ResultKind::DeletedT, 0}, 50.0, ""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(marks.Mark(c.column, c.value), c.mark) << static_cast<int>(c.column.kind) << " " << c.value;
    EXPECT_TRUE(marks.Fits(20, 17));
    EXPECT_FALSE(marks.Fits(20, 16));
}

}  // namespace
