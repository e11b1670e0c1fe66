// The instrumental-variable report: the estimates section against values
// worked out in exact arithmetic, the block layout at both margins, the
// columns of a coefficient outside the model, lists longer than any fixed
// size, long names, and a stream that fails.
#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>
#include <string>
#include <vector>

#include "core/data/variable.h"
#include "core/model/instrumental_fit.h"
#include "core/text/number_format.h"
#include "platform/errors.h"
#include "platform/text/cp932.h"
#include "simeq/iv_report.h"
#include "support/model_builder.h"

namespace {

const std::vector<double> kX1 = {1, 2, 3, 4, 5, 6, 7};
const std::vector<double> kX2 = {2, 1, 4, 3, 6, 5, 8};
const std::vector<double> kW = {1, 3, 2, 5, 4, 7, 6};
const std::vector<double> kY = {3, 4, 8, 0, 12, 14, 17};

std::vector<std::string> Lines(const std::string& bytes) {
    std::vector<std::string> out;
    std::istringstream in(cp932::ToUtf8(bytes));
    for (std::string line; std::getline(in, line);) out.push_back(line);
    return out;
}

std::string Report(RegIV& iv, int margin, std::uint16_t mask = 0) {
    std::ostringstream out;
    WriteIVReport(iv, {"sample", mask, margin}, out);
    return out.str();
}

bool Has(const std::vector<std::string>& lines, const std::string& line) {
    return std::find(lines.begin(), lines.end(), line) != lines.end();
}

// Index of the first line starting with text, or -1.
int Find(const std::vector<std::string>& lines, const std::string& text) {
    for (std::size_t i = 0; i < lines.size(); ++i)
        if (lines[i].rfind(text, 0) == 0) return static_cast<int>(i);
    return -1;
}

// y on x1, x2 (instrumented by w) and the constant term.
struct Sample {
    std::unique_ptr<Reg> reg = MakeModel({kX1, kX2, kW, kY},
                                         {Var::kExogenous, Var::kEndogenous, Var::kExogenous, Var::kEndogenous},
                                         {"x1", "x2", "w", "y"});
    RegIV iv{*reg, 0};
    explicit Sample(bool constant = true) {
        iv.SetDesignColumn(1, kW);
        iv.SetDependent(3);
        if (constant) {
            EXPECT_TRUE(iv.ToggleVariable(4));
        }
        EXPECT_TRUE(iv.ToggleVariable(0));
        EXPECT_TRUE(iv.ToggleVariable(1));
    }
};

}  // namespace

// b = (Z'X)^-1 Z'y, s, R^2 and the Durbin-Watson ratio from fractions.
TEST(IVReport, EstimatesSectionAgainstExactValues) {
    Sample s;
    const std::string bytes = Report(s.iv, 80);
    EXPECT_EQ(bytes.find('\r'), std::string::npos);
    const auto lines = Lines(bytes);
    ASSERT_GT(lines.size(), 10u);
    EXPECT_EQ(lines[0], "【sample】 における操作変数推定量の分析");
    EXPECT_EQ(lines[1], "全データ");
    EXPECT_EQ(lines[3], "【パラメータ推定】");
    EXPECT_EQ(lines[5], "目的変数名 ： y");
    EXPECT_EQ(lines[6], "番号      変数名    β推定値  β標準誤差                ｔ値");
    const struct {
        int number;
        const char* name;
        double b, se;
    } rows[] = {{1, "x1", 0.36904761904761907, 1.6224614583299115},
                {2, "x2", 1.9880952380952381, 1.4650607902304797},
                {5, "定数項", -1.4268707482993197, 3.124638449355777}};
    for (int k = 0; k < 3; ++k) {
        const auto& r = rows[k];
        const std::string line = lines[7 + static_cast<std::size_t>(k)];
        const std::string head =
            PadLeft(std::to_string(r.number), 4) + PadLeft(r.name, 12) + FormatNumberPadded(12, r.b) +
            FormatNumberPadded(12, r.se);
        EXPECT_EQ(line.substr(0, head.size()), head) << k;
        EXPECT_NE(line.find(FormatNumber(true, r.b / r.se) + " ("), std::string::npos) << line;
    }
    EXPECT_TRUE(Has(lines, "残差標準偏差 = " + FormatNumber(false, 3.688819026662523)));
    EXPECT_TRUE(Has(lines, "決定係数 = " + FormatNumber(false, 0.770754029650368) + " (自由度修正済R^2 = " +
                               FormatNumber(false, 0.6561310444755519) + ")"));
    EXPECT_EQ(Find(lines, "ダービン・ワトソン比 = " + FormatNumber(false, 2.0088380231395515)) >= 0, true);
    EXPECT_GE(Find(lines, "特定化検定 = "), 0);
    EXPECT_GE(Find(lines, "ＧＫ統計量 = "), 0);
    // The instruments section shows w's values under x2.
    const int ins = Find(lines, "【操作変数】");
    ASSERT_GE(ins, 0);
    EXPECT_EQ(lines[static_cast<std::size_t>(ins) + 1], "              x1          x2");
    EXPECT_EQ(lines[static_cast<std::size_t>(ins) + 3],
              "   2" + FormatNumberPadded(12, 2) + FormatNumberPadded(12, 3));
}

// Value columns per block and coefficient-change pairs, a damaged margin
// held at 80; 52 variables print in full and a name longer than 12 bytes
// keeps its last 12.
TEST(IVReport, BlocksFollowTheMarginAndListsHaveNoFixedSize) {
    for (const auto& [margin, columns] : {std::pair{80, 6}, {100, 8}, {0, 6}, {-5, 6}, {91, 7}})
        EXPECT_EQ(IVReportBlockColumns(margin), columns) << margin;
    Columns cols;
    std::vector<std::string> names;
    for (int j = 0; j < 52; ++j) {
        cols.emplace_back();
        // Scattered values whose 51 regressors and the constant term are
        // linearly independent (rank 52, checked in exact arithmetic).
        for (long long i = 0; i < 60; ++i)
            cols.back().push_back(((i + 2) * (i + 2) * (j + 5) * 104729 + (j + 1) * (j + 3) * (i + 11)) % 97 / 7.0);
        names.push_back(j == 0 ? "longvariablename" : "v" + std::to_string(j));
    }
    auto reg = MakeModel(cols, {}, names);
    RegIV iv(*reg, 0);
    iv.SetDependent(51);
    ASSERT_TRUE(iv.ToggleVariable(52));
    for (int j = 0; j < 51; ++j) ASSERT_TRUE(iv.ToggleVariable(j)) << j;
    for (const auto& [margin, pairs] : {std::pair{80, 3}, std::pair{100, 4}}) {
        const auto lines = Lines(Report(iv, margin));
        const std::size_t width = 4u + 12u * static_cast<std::size_t>(IVReportBlockColumns(margin));
        for (const std::string& line : lines)
            EXPECT_TRUE(line.rfind("【", 0) == 0 || cp932::ByteLength(line) <= width) << line;
        const int data = Find(lines, "【データ】");
        ASSERT_GE(data, 0);
        EXPECT_EQ(cp932::ByteLength(lines[static_cast<std::size_t>(data) + 1]), width);
        const int changes = Find(lines, "    " + PadLeft("B1-B1(i)", 12));
        ASSERT_GE(changes, 0);
        EXPECT_EQ(cp932::ByteLength(lines[static_cast<std::size_t>(changes)]), 4u + 24u * pairs);
        EXPECT_GE(Find(lines, "   1variablename"), 0);
    }
    // Margin 80: the last regressor and the constant term close the list.
    EXPECT_GE(Find(Lines(Report(iv, 80)), "    " + PadLeft("t49(i)", 12) + PadLeft("t50(i)", 12) +
                                               PadLeft("t51(i)", 12) + PadLeft("t53(i)", 12)),
              0);
}

// Without the constant term its leave-one-out t and coefficient change
// cannot be formed: "-" under the headings t4(i) and B4-B4(i).
TEST(IVReport, ConstantOutsideTheModelPrintsDashes) {
    Sample s(false);
    const auto lines = Lines(Report(s.iv, 80));
    const int t = Find(lines, "    " + PadLeft("t1(i)", 12));
    ASSERT_GE(t, 0);
    EXPECT_EQ(lines[static_cast<std::size_t>(t)], "    " + PadLeft("t1(i)", 12) + PadLeft("t2(i)", 12) + PadLeft("t5(i)", 12));
    EXPECT_EQ(lines[static_cast<std::size_t>(t) + 1].substr(28), PadLeft("-", 12));
    const int b = Find(lines, "    " + PadLeft("B1-B1(i)", 12));
    ASSERT_GE(b, 0);
    EXPECT_NE(lines[static_cast<std::size_t>(b)].find("DFBETAS5(i)"), std::string::npos);
    EXPECT_EQ(lines[static_cast<std::size_t>(b) + 1].substr(52), PadLeft("-", 12) + PadLeft("-", 12));
    // No estimate line for the constant term.
    EXPECT_EQ(Find(lines, "   5      定数項"), -1);
}

// A stream that refuses the bytes is a failure, never a quiet success.
TEST(IVReport, FailedStreamRaises) {
    Sample s;
    std::ostringstream out;
    out.setstate(std::ios::badbit);
    EXPECT_THROW(WriteIVReport(s.iv, {"sample", 0, 80}, out), EWriteError);
}

TEST(IVReport, GroupHeading) {
    Sample s;
    EXPECT_EQ(Lines(Report(s.iv, 80, 0b101))[1].rfind("グループ[", 0), 0u);
}

// An exact fit, y = 2x + 1 on x = 1 .. 6: s2 is rounding (here 0), and
// so, as formed, is the slope's standard error; t divides by the error of
// s2 held at var(y) 2^-23 = 14 x 2^-23. With Sxx = 17.5 that is
// sqrt(0.8 x 2^-23) = 3.0881617775e-4 and t = 2 / it = 6476.3446480
// (python fractions, mpmath), level 0.1 % on 4 degrees of freedom.
TEST(IVReport, ExactFitPrintsTheTValueOfTheFloor) {
    auto reg = MakeModel({{1, 2, 3, 4, 5, 6}, {3, 5, 7, 9, 11, 13}}, {}, {"x", "y"});
    RegIV iv(*reg, 0);
    iv.SetDependent(1);
    ASSERT_TRUE(iv.ToggleVariable(2));
    ASSERT_TRUE(iv.ToggleVariable(0));
    EXPECT_EQ(iv.GetCoefSE(0), 0.0);
    EXPECT_NEAR(iv.GetHeldCoefSE(0), 3.0881617775081829414e-4, 1e-15);
    const auto lines = Lines(Report(iv, 80));
    const int x = Find(lines, "   1           x");
    ASSERT_GE(x, 0);
    EXPECT_EQ(lines[static_cast<std::size_t>(x)].substr(28, 12), PadLeft("0", 12));
    EXPECT_EQ(lines[static_cast<std::size_t>(x)].substr(40), PadLeft("6476.3446 (0.1%)", 20));
}
