// The simultaneous-equation window's tables against figures computed apart
// (exact fractions, the reduced form by hand, the t level by numerical
// integration of the t density).
#include "simeq/system_tables.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cmath>
#include <filesystem>
#include <memory>
#include <string>

#include "core/io/final_form_storage.h"
#include "core/settings/engine_context.h"
#include "core/text/number_format.h"
#include "simeq/system_build.h"
#include "small_system_fixture.h"

namespace fs = std::filesystem;

namespace {

const std::string kConst = "定数項";

class SystemTablesTest : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() / ("merlox_systab_" + std::to_string(::getpid()));
        fs::create_directories(dir_);
        ctx_.Work().workFolder = dir_.string() + "/";
        model_ = MakeSmallSystem(&ctx_);
    }
    void TearDown() override {
        sys_->Clear();
        model_.reset();
        fs::remove_all(dir_);
    }
    const SimultaneousSystem& Build(bool twoStage) {
        EXPECT_TRUE(sys_->TryBuild(*model_, twoStage)) << sys_->ErrorText();
        return *sys_;
    }
    static int Column(const ResultTable& t, const std::string& title) {
        for (int c = 0; c < t.ColumnCount(); ++c)
            if (t.Title(c) == title) return c;
        return -1;
    }

    fs::path dir_;
    EngineContext ctx_;
    std::unique_ptr<Reg> model_;
    std::shared_ptr<SimultaneousSystem> sys_ = std::make_shared<SimultaneousSystem>();
};

TEST_F(SystemTablesTest, StoredCoefficientsShowDashesAndTheirOwnFit) {
    const SimultaneousSystem& s = Build(false);
    const ResultTable est = StructuralEstimateTable(s, 0);
    ASSERT_EQ(est.RowCount(), 2);
    EXPECT_EQ(est.Title(0), "C");
    EXPECT_EQ(est.Cell(1, 0).value, 0.6);
    EXPECT_EQ(est.Cell(1, 1).value, 5.0);
    EXPECT_EQ(est.Cell(2, 0).Shown(), "-");
    EXPECT_EQ(est.Cell(3, 1).Shown(), "-");
    EXPECT_EQ(StructuralCovarianceTable(s, 0).RowCount(), 0);
    // sqrt(SSE / (n - 2)) and 1 - s2 / var(y) over the stored equations.
    const struct {
        int s;
        double ve, r2;
    } cases[] = {{0, 1.0980664825045887, 0.946996375820569}, {1, 0.7058328414008518, 0.9409412415537203}};
    for (const auto& c : cases) {
        const StructuralSummary sum = StructuralSummaryOf(s, c.s);
        EXPECT_EQ(sum.ve, FormatNumber(false, c.ve)) << c.s;
        EXPECT_EQ(sum.r2, FormatNumber(false, c.r2)) << c.s;
        EXPECT_EQ(sum.liml, "-") << c.s;
    }
    EXPECT_EQ(StructuralCellText(s, 0, "Y", 1), "Y = " + FormatExponent(7, 0.6));
    EXPECT_EQ(AllCoefficientsCellText(s, 1, s.IndexOfName("Y") + 1, false), FormatElementValue("Y", 1, -0.6));
}

TEST_F(SystemTablesTest, SummaryWithoutDegreesOfFreedomOrSpreadShowsDashes) {
    model_ = MakeSmallSystem(&ctx_);
    // Two observations for two terms: no residual degree of freedom.
    auto two = MakeModel({{1, 2}, {1, 2}, {3, 5}, {1, 1}, {0, 3}}, {1, 1, 1, 2, 3}, {"C", "I", "Y", "G", "YL"}, &ctx_);
    two->AddExpres(model_->Expressions().GetItem(0));
    two->AddExpres(model_->Expressions().GetItem(1));
    two->AddExpres(model_->Expressions().GetItem(2));
    ASSERT_TRUE(sys_->TryBuild(*two, false)) << sys_->ErrorText();
    EXPECT_EQ(StructuralSummaryOf(*sys_, 0).ve, "-");
    EXPECT_EQ(StructuralSummaryOf(*sys_, 0).r2, "-");
    // n - G = -1: no standardised residuals.
    EXPECT_FALSE(StandardizedTestResiduals(*sys_, 0, false).has_value());
    sys_->Clear();

    // A constant consumption: the fit is shown, R² is not.
    for (int t = 0; t < model_->GetObsCount(); ++t) model_->SetValue(t, 0, 40.0);
    const SimultaneousSystem& s = Build(false);
    const StructuralSummary sum = StructuralSummaryOf(s, 0);
    EXPECT_NE(sum.ve, "-");
    EXPECT_EQ(sum.r2, "-");
}

TEST_F(SystemTablesTest, TwoStageEstimatesOfAnExogenousEquationAreLeastSquares) {
    const SimultaneousSystem& s = Build(true);
    const ResultTable est = StructuralEstimateTable(s, 1);
    ASSERT_EQ(est.RowCount(), 2);
    EXPECT_EQ(est.Title(0), "I");
    EXPECT_EQ(est.Cell(0, 1).text, kConst);
    const struct {
        int row;
        double b, se, t;
        const char* mark;
        const char* level;
    } rows[] = {// levels 2.1e-5 % and 69.728 %, shown in 0.1 % steps rounded up
                {0, 0.23350965762199793, 0.014425919389776588, 16.186812868750838, "", "(0.1%)"},
                {1, -0.3961629298598411, 0.9822535312708592, -0.4033204434982052, "**", "(69.8%)"}};
    for (const auto& r : rows) {
        EXPECT_NEAR(est.Cell(1, r.row).value, r.b, 1e-12 * std::fabs(r.b)) << r.row;
        EXPECT_NEAR(est.Cell(2, r.row).value, r.se, 1e-10 * r.se) << r.row;
        EXPECT_EQ(est.Cell(3, r.row).mark, r.mark) << r.row;
        EXPECT_EQ(est.Cell(3, r.row).text, FormatNumber(false, r.t) + r.level) << r.row;
    }
    const StructuralSummary sum = StructuralSummaryOf(s, 1);
    EXPECT_EQ(sum.ve, FormatNumber(false, 0.5302597888337989));
    EXPECT_NE(sum.liml, "-");
    const ResultTable cov = StructuralCovarianceTable(s, 1);
    EXPECT_EQ(cov.Title(0), "β共分散");
    EXPECT_NEAR(cov.Cell(1, 0).value, 0.014425919389776588 * 0.014425919389776588, 1e-12);
    // The constant's row has no interval of its own.
    EXPECT_EQ(StructuralCellText(s, 1, kConst, 2), "");
    EXPECT_NE(StructuralCellText(s, 1, "YL", 1).find("YL : "), std::string::npos);
}

TEST_F(SystemTablesTest, ReducedFormAndCoefficientMatrixOfTheStoredSystem) {
    const SimultaneousSystem& s = Build(false);
    // By hand: Y = 17.5 + 0.5 YL + 2.5 G, C = 15.5 + 0.3 YL + 1.5 G, I = 2 + 0.2 YL.
    const ResultTable pi = ReducedFormTable(s);
    EXPECT_EQ(pi.Title(0), "誘導型");
    const struct {
        const char* endogenous;
        double g, yl, c;
    } rows[] = {{"C", 1.5, 0.3, 15.5}, {"I", 0.0, 0.2, 2.0}, {"Y", 2.5, 0.5, 17.5}};
    ASSERT_EQ(pi.RowCount(), 3);
    for (int r = 0; r < 3; ++r) {
        EXPECT_EQ(pi.Cell(0, r).text, rows[r].endogenous);
        EXPECT_NEAR(pi.Cell(Column(pi, "G"), r).value, rows[r].g, 1e-13) << r;
        EXPECT_NEAR(pi.Cell(Column(pi, "YL"), r).value, rows[r].yl, 1e-13) << r;
        EXPECT_NEAR(pi.Cell(Column(pi, kConst), r).value, rows[r].c, 1e-12) << r;
    }
    const ResultTable all = AllCoefficientsTable(s);
    EXPECT_EQ(all.Title(3), "第3式");
    EXPECT_EQ(all.Cell(1, s.IndexOfName("Y")).value, -0.6);
    EXPECT_EQ(all.Cell(3, s.IndexOfName("G")).value, -1.0);
    EXPECT_EQ(ReducedFormCellText(s, Column(pi, "YL"), 3, true), "( Y , YL ) = " + FormatExponent(7, 0.5));
    // Predictions start from zero inputs: the constants of the reduced form.
    const ResultTable pred = PredictionTable(s);
    EXPECT_NEAR(pred.Cell(1, 2).value, 17.5, 1e-12);
}

TEST_F(SystemTablesTest, TwoStageDefinitionColumnsShowNoVariance) {
    const SimultaneousSystem& s = Build(true);
    const int y = s.IndexOfName("Y") + 1;
    EXPECT_NE(AllCoefficientsCellText(s, 1, y, true).find("第1式 の var ( Y ) = "), std::string::npos);
    EXPECT_EQ(AllCoefficientsCellText(s, 3, y, true), "");
    EXPECT_EQ(ReducedFormCellText(s, 1, 1, true).rfind("asy var ( C , ", 0), 0u);
}

TEST(SystemTestMarks, RelativeErrorsAtTheirBounds) {
    const struct {
        double e, y;
        const char* mark;
    } cases[] = {{5, 10, ""},   {8, 10, "* "}, {8.5, 10, "**"}, {-5.5, 10, "* "},
                 {1e-9, 0, "**"}, {0, 0, ""},  {-3, -10, ""}};
    for (const auto& c : cases) {
        const ResultCell cell = TestResidualCell(c.e, c.y);
        EXPECT_EQ(cell.mark, c.mark) << c.e << "/" << c.y;
        EXPECT_EQ(cell.value, c.e);
    }
}

TEST_F(SystemTablesTest, TestTableReadsTheSimulationAndTheResiduals) {
    Build(false);
    const SystemTestTable values(sys_, false, false);
    const SystemTestTable residuals(sys_, true, true);
    EXPECT_EQ(values.Title(0), "変数");
    EXPECT_EQ(residuals.Title(0), "残差");
    EXPECT_EQ(values.RowCount(), 10);
    EXPECT_EQ(values.Cell(0, 4).text, "5");
    // Static Y at t = 0: 17.5 + 0.5 * 40 + 2.5 * 8.2.
    EXPECT_NEAR(values.Cell(3, 0).value, 58.0, 1e-12);
    // Dynamic C at t = 1 uses the simulated Y of t = 0 (58): 15.5 + 0.3*58 + 1.5*6.5.
    EXPECT_NEAR(residuals.Cell(1, 1).value, 43.3 - 42.65, 1e-12);
}

TEST(FinalFormTableTest, UndecidedAndStoredEquation) {
    FFList list;
    const ResultTable none = FinalFormTable(list, 0);
    EXPECT_EQ(none.Title(0), "未決定");
    EXPECT_EQ(none.Title(1), "");
    ASSERT_EQ(none.RowCount(), 1);
    EXPECT_EQ(none.Cell(1, 0).Shown(), "");
    FFElement e;
    e.SetHead(FFCell("C", 1, 1.0, 0));
    e.AppendTerm(FFCell("Y", 1, 0.3, -1));
    e.AppendTerm(FFCell(kConst, 2, 15.5, 0));
    list.Append(e);
    const ResultTable t = FinalFormTable(list, 0);
    EXPECT_EQ(t.Title(0), "C");
    EXPECT_EQ(t.Title(1), "係数");
    EXPECT_EQ(t.Cell(0, 0).text, "Y'[t-1]");
    EXPECT_EQ(t.Cell(1, 0).value, 0.3);
    EXPECT_EQ(t.Cell(0, 1).text, kConst);
    EXPECT_EQ(FinalFormTable(list, 1).Title(0), "未決定");
}

}  // namespace
