// The weighted regression report and the tables behind it. The golden file
// was written by a separate script from the independently computed values
// of the weighted fit tests (coefficients, statistics and every result row
// of an ordinary and a two-stage fit),
// formatted by the report's rules: four decimals or the exponent picture,
// 12-byte fields, the t(i) marks from two-sided t levels with n - p - 1
// degrees of freedom, the influence cut-offs 2 sqrt(p n (n - 1)) / (n - p),
// 1 +- 3p/n and 2 / sqrt(n). The other cases check single lines.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include "core/data/data_set.h"
#include "core/text/number_format.h"
#include "estimators/weighted_fit_report.h"
#include "estimators/weighted_fit_tables.h"
#include "platform/errors.h"
#include "platform/text/cp932.h"
#include "weighted_data.h"

namespace {

const std::vector<double> kX1 = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12};
const std::vector<double> kX2 = {3.1, 1.7, 4.4, 2.9, 5.6, 3.3, 6.1, 4.8, 7.2, 5.5, 8.3, 6.0};
const std::vector<double> kY = {4.2, 5.1, 8.3, 7.9, 11.6, 10.2, 14.9, 13.1, 17.8, 15.2, 30.0, 18.1};
const std::vector<double> kW = {1.0, 0.5, 2.0, 1.5, 0.8, 1.2, 0.6, 1.0, 2.5, 0.9, 0.4, 1.1};

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::vector<std::string> Lines(const std::string& cp932Text) {
    std::vector<std::string> lines;
    std::istringstream in(cp932::ToUtf8(cp932Text));
    for (std::string l; std::getline(in, l);) lines.push_back(l);
    return lines;
}

class WeightedReportTest : public ::testing::Test {
protected:
    std::shared_ptr<WLSE> Fit(const std::vector<std::string>& names = {"x1", "x2", "y"}, int mode = 0) {
        table_ = MakeNamedTable(context_, {kX1, kX2, kY}, names);
        auto fit = std::make_shared<WLSE>(*table_, nullptr, 2);
        fit->SetWeights(kW.data());
        EXPECT_TRUE(fit->Estimate(mode));
        return fit;
    }
    std::string Report(const WLSE& fit, std::uint16_t mask = 0, int margin = 80) {
        std::ostringstream out;
        WriteWLSReport(fit, {"テスト", mask, margin}, out);
        return out.str();
    }
    // Index of the first line equal to text.
    static int Find(const std::vector<std::string>& lines, const std::string& text, int from = 0) {
        for (int i = from; i < static_cast<int>(lines.size()); ++i)
            if (lines[i] == text) return i;
        return -1;
    }
    EngineContext context_;
    std::unique_ptr<TNamedData> table_;
};

TEST_F(WeightedReportTest, OrdinaryFitMatchesTheGoldenFileByteForByte) {
    const auto fit = Fit();
    const std::string golden =
        ReadFile(std::string(std::getenv("MERLOX_SOURCE_DIR")) + "/tests/data/weighted_report/ordinary.txt");
    ASSERT_FALSE(golden.empty());
    EXPECT_EQ(Report(*fit), golden);
}

TEST_F(WeightedReportTest, TwoStageFitMatchesTheGoldenFileByteForByte) {
    const std::vector<double> z1 = {1.3, 1.9, 3.4, 3.6, 5.5, 5.8, 7.4, 7.7, 9.6, 9.9, 11.2, 11.8};
    table_ = MakeNamedTable(context_, {kX1, kX2, kY}, {"x1", "x2", "y"});
    auto second = MakeNamedTable(context_, {z1, kX2, kY}, {"x1", "x2", "y"});
    WLSE fit(*table_, second.get(), 2);
    fit.SetWeights(kW.data());
    ASSERT_TRUE(fit.Estimate(0));
    const std::string golden =
        ReadFile(std::string(std::getenv("MERLOX_SOURCE_DIR")) + "/tests/data/weighted_report/two_stage.txt");
    ASSERT_FALSE(golden.empty());
    EXPECT_EQ(Report(fit, 0x0003), golden);
}

// A robust and an AR fit: the weight column holds the robust weights or the
// one-step predictions, under the same title.
TEST_F(WeightedReportTest, WeightColumnOfRobustAndARFits) {
    for (int mode : {5, 101}) {
        SCOPED_TRACE(mode);
        const auto fit = Fit({"x1", "x2", "y"}, mode);
        const std::vector<std::string> lines = Lines(Report(*fit));
        const int at = Find(lines, "【観測値・残差】");
        ASSERT_GT(at, 0);
        EXPECT_EQ(lines[at + 2], "          観測値      予測値        残差   誤差率(%)    ウェイト");
        for (int t = 0; t < 12; ++t)
            EXPECT_EQ(lines[at + 3 + t].substr(52), PadLeft(FormatNumber(false, fit->GetWeight(t)), 12)) << t;
    }
}

TEST_F(WeightedReportTest, SecondLineNamesTheGroups) {
    const auto fit = Fit();
    EXPECT_EQ(Lines(Report(*fit, 0))[1], "全データ");
    EXPECT_EQ(Lines(Report(*fit, 0x0205))[1], "グループ[13A]");
}

TEST_F(WeightedReportTest, LongNamesKeepTheirLastBytesAndNeverHalfACharacter) {
    const auto fit = Fit({"abcdefghijklmnop", "変数名がとても長いx", "y"});
    const std::vector<std::string> lines = Lines(Report(*fit));
    // Estimates: the names' last 12 bytes; the cut through "が" leaves a blank.
    EXPECT_EQ(lines[6].substr(4, 12), "efghijklmnop");
    EXPECT_EQ(lines[7].substr(4, 17), " とても長いx");
    const int data = Find(lines, "【変換データ】");
    ASSERT_GE(data, 0);
    EXPECT_EQ(lines[data + 1], "    efghijklmnop とても長いx      定数項           y");
    EXPECT_EQ(cp932::ByteLength(lines[data + 1]), 4u + 4 * 12);
}

TEST_F(WeightedReportTest, StudentizedResidualMarksFollowTheTwoSidedLevel) {
    const auto fit = Fit();
    const WLSColumns columns(fit, false);
    // n - p - 1 = 8 degrees of freedom; |t| of the levels 0.5 %, 3 % and 10 %.
    const struct {
        double t;
        const char* mark;
    } cases[] = {{3.8325186853438464, "**"}, {-3.8325186853438464, "**"}, {2.633814378338526, "* "},
                 {-2.633814378338526, "* "}, {1.8595480375228424, ""}};
    for (const auto& c : cases) EXPECT_EQ(columns.Mark(WLSColumns::kStudentizedCode, c.t), c.mark) << c.t;
}

TEST_F(WeightedReportTest, WideTablesAreCutIntoBlocksOfTheMargin) {
    // 98 regressors, the constant and the dependent: 100 data rows.
    const int n = 110, regressors = 98;
    WeightedColumns cols(regressors + 1, std::vector<double>(n));
    std::vector<std::string> names;
    unsigned seed = 12345;
    for (int j = 0; j <= regressors; ++j) {
        names.push_back("v" + std::to_string(j + 1));
        for (int t = 0; t < n; ++t) {
            seed = seed * 1103515245u + 12345u;
            cols[j][t] = static_cast<double>((seed >> 8) % 1000) / 100.0;
        }
    }
    table_ = MakeNamedTable(context_, cols, names);
    WLSE fit(*table_, nullptr, regressors);
    ASSERT_TRUE(fit.Estimate(-1));
    ASSERT_EQ(fit.RowCount(), 100);

    const struct {
        int margin;
        std::vector<int> dataBlocks, dfbetaBlocks;
    } cases[] = {{80, {80, 20}, {80, 19}}, {100, {100}, {99}}, {40, {80, 20}, {80, 19}}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.margin);
        const std::vector<std::string> lines = Lines(Report(fit, 0, c.margin));
        // A header line holds four blanks and one 12-byte title per column.
        auto columnsOf = [&lines](int i) { return static_cast<int>((cp932::ByteLength(lines[i]) - 4) / 12); };
        // Rows begin with their number; only headers begin with four blanks.
        std::vector<int> data, dfbeta;
        const int from = Find(lines, "【変換データ】");
        const int to = Find(lines, "【変換データ分析】");
        ASSERT_GT(from, 0);
        for (int i = from + 1; i < to; ++i)
            if (lines[i].rfind("    ", 0) == 0) data.push_back(columnsOf(i));
        for (int i = to; i < static_cast<int>(lines.size()); ++i)
            if (lines[i].find("DFBETAS") != std::string::npos) dfbeta.push_back(columnsOf(i));
        EXPECT_EQ(data, c.dataBlocks);
        EXPECT_EQ(dfbeta, c.dfbetaBlocks);
    }
}

TEST_F(WeightedReportTest, AFailingStreamIsAnErrorNotASuccess) {
    const auto fit = Fit();
    std::ofstream full("/dev/full", std::ios::binary);
    ASSERT_TRUE(full.is_open());
    EXPECT_THROW(WriteWLSReport(*fit, {"テスト", 0, 80}, full), EWriteError);
}

TEST_F(WeightedReportTest, ColumnTitlesAndErrorRateTexts) {
    const auto fit = Fit();
    const WLSColumns columns(fit, false);
    const struct {
        int code;
        const char* title;
    } titles[] = {{-1, "時間"}, {0, "観測値"},     {3, "誤差率(%)"}, {4, "ウェイト"},      {5, "予測値"},
                  {9, "t(i)"}, {11, "作用点"},     {12, "s^2(i)"},  {13, "W(i)"},         {14, "COVRATIO"},
                  {15, "β変化量[x1]"}, {17, "β変化量[定数項]"}, {19, "x1"}, {22, "y"}};
    for (const auto& c : titles) EXPECT_EQ(columns.Title(c.code), c.title) << c.code;
    EXPECT_EQ(columns.CodeCount(), 23);

    const struct {
        double percent;
        const char* text;
    } rates[] = {{9999.0, "+9999.00"}, {9999.5, "+∞"}, {-10000.0, "-∞"}, {-15.146, "-15.15"}};
    for (const auto& c : rates) EXPECT_EQ(columns.CellOf(3, c.percent).text, c.text) << c.percent;

    const auto ar = Fit({"x1", "x2", "y"}, 101);
    EXPECT_EQ(WLSColumns(ar, false).Title(WLSColumns::kWeightCode), "予測値1");
}

TEST_F(WeightedReportTest, ARCoefficientsOnlyInARMode) {
    const auto plain = Fit();
    EXPECT_EQ(ARCoefficientTable(*plain).RowCount(), 0);
    EXPECT_EQ(ARVarianceText(*plain), "");
    const auto ar = Fit({"x1", "x2", "y"}, 102);
    const ResultTable t = ARCoefficientTable(*ar);
    ASSERT_EQ(t.RowCount(), 2);
    for (int i = 0; i < 2; ++i) {
        EXPECT_EQ(t.Cell(1, i).value, ar->GetARCoef(i));
        // The mark says whether phi +- 1.96 sqrt(v / n) holds zero.
        const double h = 1.96 * std::sqrt(ar->GetARVariance(i) / 12.0);
        EXPECT_EQ(t.Cell(2, i).mark, std::fabs(ar->GetARCoef(i)) < h ? "* " : "");
    }
}

}  // namespace
