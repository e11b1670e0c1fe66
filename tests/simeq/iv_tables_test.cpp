// The cells the instrumental-variable window shows: the estimates table
// (row order, the tolerance lock, the marks of the t levels), the
// specification test and when it cannot be formed, the Durbin-Watson ratio
// against exact arithmetic, the influence columns, and the marks of the
// per-observation values right at their boundaries.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "core/data/variable.h"
#include "core/model/instrumental_fit.h"
#include "core/model/result_texts.h"
#include "core/numeric/statistics.h"
#include "core/text/number_format.h"
#include "simeq/iv_tables.h"
#include "support/model_builder.h"

namespace {

const std::vector<double> kX1 = {1, 2, 3, 4, 5, 6, 7};
const std::vector<double> kX2 = {2, 1, 4, 3, 6, 5, 8};
const std::vector<double> kW = {1, 3, 2, 5, 4, 7, 6};
const std::vector<double> kY = {3, 4, 8, 0, 12, 14, 17};

std::unique_ptr<Reg> SampleModel() {
    return MakeModel({kX1, kX2, kW, kY}, {Var::kExogenous, Var::kEndogenous, Var::kExogenous, Var::kEndogenous},
                     {"x1", "x2", "w", "y"});
}

// y on x1, x2 and the constant term; w instruments x2 when asked.
void Fit(RegIV& iv, bool instrument, bool constant = true) {
    if (instrument) iv.SetDesignColumn(1, kW);
    iv.SetDependent(3);
    if (constant) {
        ASSERT_TRUE(iv.ToggleVariable(4));
    }
    ASSERT_TRUE(iv.ToggleVariable(0));
    ASSERT_TRUE(iv.ToggleVariable(1));
}

std::vector<std::string> Column(const ResultTable& t, int c) {
    std::vector<std::string> out;
    for (int r = 0; r < t.RowCount(); ++r) out.push_back(t.Cell(c, r).Shown());
    return out;
}

}  // namespace

// Coefficients and standard errors of the instrumented fit, worked out in
// exact arithmetic; t = b / se with df 4 gives levels of about 83 %, 25 %
// and 67 %: marked "**", "* " and "**".
TEST(IVTables, EstimatesTableRowsMarksAndLevels) {
    auto reg = SampleModel();
    RegIV iv(*reg, 0);
    Fit(iv, true);
    const ResultTable t = IVEstimatesTable(iv);
    EXPECT_EQ(t.Title(0), "y");
    EXPECT_EQ(t.Title(1), "Ｆ値");
    EXPECT_EQ(Column(t, 0), (std::vector<std::string>{"x1", "x2", "w", "定数項"}));
    EXPECT_EQ(IVEstimateRowVariables(iv), (std::vector<int>{0, 1, 2, 4}));
    const struct {
        int row;
        double b, se;
        const char* mark;
    } rows[] = {{0, 0.36904761904761907, 1.6224614583299115, "**"},
                        {1, 1.9880952380952381, 1.4650607902304797, "* "},
                        {3, -1.4268707482993197, 3.124638449355777, "**"}};
    for (const auto& r : rows) {
        SCOPED_TRACE(r.row);
        EXPECT_EQ(t.Cell(2, r.row).text, FormatNumber(true, r.b));
        const ResultCell se = t.Cell(3, r.row);
        EXPECT_EQ(se.mark, r.mark);
        EXPECT_EQ(se.text.substr(0, FormatNumber(true, r.se).size()), FormatNumber(true, r.se));
        EXPECT_NEAR(se.value, r.se, 1e-12);
    }
    // w is out of the equation: no estimate; as the instrument of x2 it
    // cannot enter beside it.
    EXPECT_EQ(t.Cell(2, 2).Shown(), "-");
    EXPECT_EQ(t.Cell(3, 2).Shown(), "-");
    EXPECT_TRUE(IVRowLocked(iv, 2));
    EXPECT_EQ(t.Cell(1, 2).Shown(), "TOL CHECK");
}

// A variable in the equation whose F is exactly 0 stays removable (only
// variables outside are locked), and a standard error of 0 has no level.
TEST(IVTables, ToleranceLockOnlyOutsideTheEquation) {
    {
        // x'y = 0 and x'1 = 0: b = 0 exactly, so F to remove is exactly 0.
        auto reg = MakeModel({{1, 1, -1, -1}, {1, -1, -1, 1}}, {}, {"x", "y"});
        RegIV iv(*reg, 0);
        iv.SetDependent(1);
        ASSERT_TRUE(iv.ToggleVariable(2));
        ASSERT_TRUE(iv.ToggleVariable(0));
        ASSERT_EQ(iv.GetFValue(0), 0.0);
        EXPECT_FALSE(IVRowLocked(iv, 0));
        const ResultTable t = IVEstimatesTable(iv);
        EXPECT_EQ(t.Cell(1, 0).Shown(), FormatNumber(false, 0.0));
        EXPECT_TRUE(iv.ToggleVariable(0));
    }
    {
        // y = 1 + x exactly: s2 is rounding (here 0), and so is the slope's
        // standard error as formed; t divides by the one of s2 held at
        // var(y) 2^-23 = 2.5 x 2^-23. With Sxx = 10 that is sqrt(2^-25) =
        // 1.7263349e-4, t = 2^12.5 = 5792.6, level 0.1 % on 3 degrees of
        // freedom: no mark.
        auto reg = MakeModel({{1, 2, 3, 4, 5}, {2, 3, 4, 5, 6}}, {}, {"x", "y"});
        RegIV iv(*reg, 0);
        iv.SetDependent(1);
        ASSERT_TRUE(iv.ToggleVariable(2));
        ASSERT_TRUE(iv.ToggleVariable(0));
        EXPECT_EQ(iv.GetCoefSE(0), 0.0);
        EXPECT_NEAR(iv.GetHeldCoefSE(0), 1.7263349150062195e-4, 1e-15);
        const ResultCell se = IVEstimatesTable(iv).Cell(3, 0);
        EXPECT_EQ(se.text, "0 (0.1%)");
        EXPECT_EQ(se.mark, "");
    }
}

// The comparison with least squares, 0.000874683708 (exact arithmetic) on
// three degrees of freedom: level 100.0 %. Without an instrument, or with a
// difference matrix that cannot be inverted, there is no test.
TEST(IVTables, SpecificationTestAndWhenItCannotBeFormed) {
    auto reg = SampleModel();
    {
        RegIV iv(*reg, 0);
        Fit(iv, true);
        const ResultCell c = IVSpecificationCell(iv);
        EXPECT_NEAR(c.value, 0.0008746837081234018, 1e-9);
        EXPECT_EQ(c.text, FormatNumber(false, c.value) + " (100.0%)");
    }
    {
        // Twice the variable as its instrument: the same estimates exactly,
        // a zero difference matrix.
        auto small = MakeModel({{-1, 1, -1, 1}, {1, 3, 5, 7}}, {}, {"x", "y"});
        RegIV iv(*small, 0);
        iv.SetDesignColumn(0, {-2, 2, -2, 2});
        iv.SetDependent(1);
        ASSERT_TRUE(iv.ToggleVariable(2));
        ASSERT_TRUE(iv.ToggleVariable(0));
        EXPECT_TRUE(IVHasInstrument(iv));
        EXPECT_EQ(IVSpecificationCell(iv).Shown(), "不能");
    }
}

// Least squares (no instrument): the residuals 1/14, 19/7, 5/14, -6, -5/14,
// 23/7, -1/14 give DW = 10715/5334.
TEST(IVTables, SummaryDurbinWatsonAndDegreesOfFreedom) {
    auto reg = SampleModel();
    RegIV iv(*reg, 0);
    Fit(iv, false);
    const IVSummary s = IVSummaryCells(iv);
    EXPECT_NEAR(s.dw.value, 10715.0 / 5334.0, 1e-12);
    EXPECT_EQ(s.df.Shown(), "4");
    EXPECT_NEAR(s.s.value, std::sqrt(54.42857142857143 / 4.0), 1e-12);
    EXPECT_FALSE(IVHasInstrument(iv));
    EXPECT_EQ(s.specification.Shown(), "不能");  // no instrument: no test
}

// Leave-one-out t and coefficient changes only for the coefficients in the
// equation, the constant term last when it is in.
TEST(IVTables, InfluenceColumnsFollowTheEquation) {
    auto reg = SampleModel();
    for (bool constant : {true, false}) {
        RegIV iv(*reg, 0);
        Fit(iv, true, constant);
        const std::vector<ResultColumn> cols = IVInfluenceColumns(iv);
        std::string titles;
        for (std::size_t i = 7; i < cols.size(); ++i) titles += IVColumnTitle(iv, cols[i]) + " ";
        EXPECT_EQ(titles, constant ? "t[x1] t[x2] t[定数項] β変化量[x1] β変化量[x2] β変化量[定数項] "
                                   : "t[x1] t[x2] β変化量[x1] β変化量[x2] ");
        EXPECT_EQ(static_cast<int>(cols.size()), 2 * iv.GetParamCount() + 7);
        EXPECT_EQ(IVInfluenceColumns(iv, true).back().kind, ResultKind::RawDfbeta);
    }
}

// Marks and texts at the edges: the error percentage at 9999 and beyond, a
// t(i) whose level is exactly 1.0 or 5.0, COVRATIO exactly at 1 ± 3p/n.
TEST(IVTables, MarksAtTheirBoundaries) {
    const int n = 20, df = 17;  // p = 3
    const ResultMarks marks(ComputeInfluenceCutoffs(n, df));
    const std::pair<double, const char*> rates[] = {
        {9999.0, "+9999.00"}, {10000.0, "+∞"}, {-9999.0, "-9999.00"}, {-10000.0, "-∞"}};
    for (const auto& [v, text] : rates) EXPECT_EQ(DiagnosticValueText(marks, 4, v), text) << v;

    // The t(i) level has df - 1 degrees of freedom and steps of 0.1 %.
    auto tAtLevel = [](int tdf, double level) {
        for (int i = 0; i < 400000; ++i) {
            const double t = 1.0 + i * 2.5e-5;
            if (TSignificanceLevel(tdf, t) == level) return t;
        }
        return std::nan("");
    };
    const double atOne = tAtLevel(df - 1, 1.0), atFive = tAtLevel(df - 1, 5.0);
    ASSERT_TRUE(std::isfinite(atOne) && std::isfinite(atFive));
    EXPECT_EQ(DiagnosticValueText(marks, 8, atOne), "* " + FormatNumber(false, atOne));
    EXPECT_EQ(DiagnosticValueText(marks, 8, atFive), FormatNumber(false, atFive));

    const InfluenceCutoffs& cut = marks.Cutoffs();
    EXPECT_DOUBLE_EQ(cut.covratioHigh, 1.45);
    const ResultColumn covratio{ResultKind::Influence, 1};
    const std::pair<double, std::string> covratios[] = {{cut.covratioHigh, ""},
                                                        {std::nextafter(cut.covratioHigh, 2.0), "* "},
                                                        {cut.covratioLow, ""},
                                                        {std::nextafter(cut.covratioLow, 0.0), "**"}};
    for (const auto& [v, mark] : covratios)
        EXPECT_EQ(InfluenceValueText(marks, covratio, v, v, v), mark + FormatNumber(false, v)) << v;
}
