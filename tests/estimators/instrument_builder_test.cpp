#include "estimators/instrument_builder.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cmath>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "core/io/file_matrix.h"
#include "core/model/instrumental_fit.h"
#include "core/settings/engine_context.h"
#include "estimators/instrument_values.h"
#include "platform/errors.h"
#include "support/model_builder.h"

namespace fs = std::filesystem;

namespace {

// n = 12: x1, x2 exogenous, x3 lagged, w unused, y2 and y endogenous. The
// expected figures come from an exact rational-arithmetic least-squares
// script (added-variable F by two fits, k-class by its normal equations).
const Columns kColumns = {
    {8.3, 2.1, 9.4, 4.9, 4.0, 6.2, 1.7, 1.9, 4.2, 2.3, 6.7, 4.2},
    {3.8, 2.8, 2.2, 7.2, 9.0, 3.5, 8.0, 3.1, 7.6, 2.4, 5.7, 4.1},
    {8.7, 7.6, 1.1, 1.0, 4.6, 2.2, 2.4, 9.5, 9.4, 0.2, 0.2, 6.3},
    {9.5, 8.9, 6.9, 7.4, 4.8, 4.9, 8.6, 1.1, 6.8, 7.2, 1.6, 7.7},
    {8.5, 6.5, 6.2, 0.8, -0.6, 3.0, -0.1, 5.1, 3.1, 0.2, 4.1, 5.8},
    {11.6, 8.4, 9.2, 4.9, 0.6, 5.9, 2.5, 6.1, 7.6, 1.9, 9.1, 9.2}};
const std::vector<int> kTypes = {2, 2, 3, 0, 1, 1};
const std::vector<std::string> kNames = {"x1", "x2", "x3", "w", "y2", "y"};
constexpr int kTarget = 4;

struct Stage {
    const char* name;
    std::vector<int> in;            // first-stage columns in the regression
    std::vector<double> coef, se;   // of those, then the constant
    std::vector<double> fRemove;    // of those
    std::vector<int> out;           // columns out of the regression
    std::vector<double> fEnter;     // of those
    int df;
    double s, adjR2;
    std::vector<double> fitted, standardized;
};

// Column indices of the first stage on every other variable: x1 0, x2 1,
// x3 2, w 3, y 4 (y2, the target, is 5).
const std::vector<Stage> kStages = {
    {"x1 x3 in", {0, 2},
     {0.7042495743528614, 0.5105012643708022, -1.9938515392376361},
     {0.2531469007726819, 0.17501303017897774, 1.6596843718598886},
     {7.739411826754816, 8.508497500203328},
     {1, 3, 4}, {13.164968220282866, 0.03982439345616455, 22.732676795525943},
     9, 2.091979487804314, 0.5079202703533272,
     {8.292780927917093, 3.3648821761214696, 5.187645850487144, 1.9674726394621873, 3.1714525742794994,
      3.49559860336587, 0.4285757716521536, 4.193984663555422, 5.762708558129923, -0.2719772653518945,
      2.826720861800696, 4.180154638580436},
     {0.13647713018041543, 1.6901134826313073, 0.6358894684083162, -0.6100109039432169, -1.8892327111463552,
      -0.2551507401006001, -0.2950911278281522, 0.5225112553404139, -1.468793520920755, 0.276472934622278,
      0.6944358973932621, 0.8194061184825121}},
    {"constant only", {},
     {3.55}, {0.8608927712766344}, {},
     {0, 1, 2, 3, 4}, {2.7675724586565216, 6.40194349962065, 3.354173539046582, 0.1275083761755978, 63.13434360236934},
     11, 2.982220039439807, 0.0,
     std::vector<double>(12, 3.55),
     {1.7336434983031639, 1.033181478786734, 0.9281121758592696, -0.9631352768350909, -1.453458690496592,
      -0.19262705536701819, -1.2783431856174843, 0.5428580651252329, -0.15760395439119665, -1.17327388269002,
      0.1926270553670181, 0.7880197719559835}}};

// The first stage on the exogenous and lagged variables, all in.
const Stage kExogenous = {
    "exogenous", {0, 1, 2},
    {0.577988293972801, -0.6295634245672977, 0.4800484136051943, 1.8456621818684642},
    {0.16870435935997075, 0.17351202629284976, 0.11443373884402504, 1.513638240963526},
    {11.737766759761818, 13.164968220282866, 17.59794282246404},
    {}, {}, 8, 1.3641743086651985, 0.7907524584621906,
    {8.427045206852172, 4.94502795382239, 6.421765866130452, 0.6249965790558399, 0.6997672392378823,
     4.281824128445716, -1.0561489222636897, 5.552653253507509, 4.000986077731593, 1.7600927217654307,
     2.225681914173673, 4.716307981541032},
    {0.07373523488109175, 1.3779003409005912, -0.22609387372649442, 0.1468256350217367, -1.1716920455930926,
     -1.027147783385992, 0.8739668345907305, -0.4242664654261107, -0.8359162876891624, -1.6215818790460368,
     1.5828798559209405, 0.8462354832530926}};

void ExpectStage(const InstrumentFirstStage& fs, const Stage& e) {
    SCOPED_TRACE(e.name);
    const int k = fs.ColumnCount();
    EXPECT_EQ(fs.ResidualDf(), e.df);
    EXPECT_NEAR(std::sqrt(fs.S2()), e.s, 1e-12 * e.s);
    EXPECT_NEAR(fs.AdjR2(), e.adjR2, 1e-12);
    for (std::size_t c = 0; c < e.in.size(); ++c) {
        EXPECT_TRUE(fs.IsIn(e.in[c]));
        ExpectRel(fs.Coef(e.in[c]), e.coef[c], 1e-11, "coef", e.in[c]);
        ExpectRel(fs.StdError(e.in[c]), e.se[c], 1e-11, "se", e.in[c]);
        EXPECT_EQ(fs.FState(e.in[c]), FirstStageF::kValue);
        ExpectRel(fs.FValue(e.in[c]), e.fRemove[c], 1e-10, "F to remove", e.in[c]);
    }
    ExpectRel(fs.Coef(k), e.coef.back(), 1e-11, "constant", k);
    ExpectRel(fs.StdError(k), e.se.back(), 1e-11, "constant se", k);
    for (std::size_t c = 0; c < e.out.size(); ++c) {
        EXPECT_FALSE(fs.IsIn(e.out[c]));
        EXPECT_EQ(fs.Coef(e.out[c]), 0.0);
        EXPECT_EQ(fs.FState(e.out[c]), FirstStageF::kValue);
        ExpectRel(fs.FValue(e.out[c]), e.fEnter[c], 1e-10, "F to enter", e.out[c]);
    }
    const std::vector<double> fitted = fs.FittedValues();
    const auto standardized = fs.StandardizedResiduals();
    ASSERT_EQ(fitted.size(), e.fitted.size());
    for (std::size_t i = 0; i < fitted.size(); ++i) {
        EXPECT_NEAR(fitted[i], e.fitted[i], 1e-12 * std::fabs(e.fitted[i]) + 1e-13) << i;
        ASSERT_TRUE(standardized[i].has_value()) << i;
        EXPECT_NEAR(*standardized[i], e.standardized[i], 1e-11) << i;
    }
}

class InstrumentBuilderTest : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() / ("merlox_ib_" + std::to_string(::getpid()));
        fs::create_directories(dir_);
        ctx_.Work().workFolder = dir_.string() + "/";
        model_ = MakeModel(kColumns, kTypes, kNames, &ctx_);
    }
    void TearDown() override { fs::remove_all(dir_); }

    fs::path dir_;
    EngineContext ctx_;
    std::unique_ptr<Reg> model_;
};

TEST_F(InstrumentBuilderTest, ExogenousFirstStageAllIn) {
    const std::vector<int> flags = InstrumentFirstStage::ExogenousCandidates(*model_, kTarget);
    EXPECT_EQ(flags, (std::vector<int>{1, 1, 1, -1, 0, -1}));
    InstrumentFirstStage fs(*model_, kTarget, flags, 0, true);
    EXPECT_EQ(fs.ColumnCount(), 4);
    EXPECT_EQ(fs.ColumnName(3), "y2");
    EXPECT_EQ(fs.ColumnName(4), "定数項");
    ExpectStage(fs, kExogenous);
}

TEST_F(InstrumentBuilderTest, StepwiseFirstStageOnOtherVariables) {
    InstrumentFirstStage fs(*model_, kTarget, InstrumentFirstStage::OtherCandidates(*model_, kTarget), 0, false);
    ASSERT_EQ(fs.ColumnCount(), 6);
    EXPECT_EQ(fs.ColumnName(4), "y");
    ExpectStage(fs, kStages[1]);
    ASSERT_TRUE(fs.ToggleColumn(0));
    ASSERT_TRUE(fs.ToggleColumn(2));
    ExpectStage(fs, kStages[0]);
    // x2 in and out again: back where it was.
    ASSERT_TRUE(fs.ToggleColumn(1));
    ASSERT_TRUE(fs.ToggleColumn(1));
    ExpectStage(fs, kStages[0]);
    ASSERT_TRUE(fs.ToggleColumn(0));
    ASSERT_TRUE(fs.ToggleColumn(2));
    ExpectStage(fs, kStages[1]);
    EXPECT_FALSE(fs.ToggleColumn(5));   // the target
    EXPECT_FALSE(fs.ToggleColumn(6));   // the constant term
    EXPECT_FALSE(fs.ToggleColumn(-1));
    EXPECT_THROW(fs.Coef(7), ERangeError);
}

// Ridge, chosen before it has run, heads the F column as variance inflation
// factors and shows every row's coefficient, 0 for a column out.
TEST_F(InstrumentBuilderTest, TableTexts) {
    InstrumentFirstStage fs(*model_, kTarget, InstrumentFirstStage::OtherCandidates(*model_, kTarget), 0, false);
    ASSERT_TRUE(fs.ToggleColumn(0));
    ASSERT_TRUE(fs.ToggleColumn(2));
    const auto table = fs.Table(false);
    ASSERT_EQ(table.size(), 7u);
    EXPECT_EQ(table[0], (std::vector<std::string>{"y2", "Ｆ値", "β推定値", "β標準誤差"}));
    EXPECT_EQ(table[1][0], "定数項");
    EXPECT_EQ(table[1][1], "");
    EXPECT_EQ(table[1][2], "-1.9939");
    EXPECT_EQ(table[1][3], "* 1.6597");  // t = -1.20, 9 df: 26 % level, marked weak
    EXPECT_EQ(table[2], (std::vector<std::string>{"x1", "7.7394", "0.7042", "0.2531"}));  // 2.1 %
    EXPECT_EQ(table[3], (std::vector<std::string>{"x2", "13.1650", "", ""}));
    EXPECT_EQ(table[6][0], "y");
    const auto ridge = fs.Table(true);
    EXPECT_EQ(ridge[0][1], "分散拡大要因");
    EXPECT_EQ(ridge[3], (std::vector<std::string>{"x2", "13.1650", "0", "0"}));
}

TEST_F(InstrumentBuilderTest, CollinearCandidateShowsTolCheckAndCannotEnter) {
    Columns cols = kColumns;
    for (int i = 0; i < 12; ++i) cols[3][i] = cols[0][i] + cols[1][i];  // w = x1 + x2
    model_ = MakeModel(cols, kTypes, kNames, &ctx_);
    InstrumentFirstStage fs(*model_, kTarget, InstrumentFirstStage::OtherCandidates(*model_, kTarget), 0, false);
    ASSERT_TRUE(fs.ToggleColumn(0));
    ASSERT_TRUE(fs.ToggleColumn(1));
    EXPECT_EQ(fs.FState(3), FirstStageF::kTolCheck);
    EXPECT_EQ(fs.Table(false)[5][1], "TOL CHECK");
    EXPECT_FALSE(fs.ToggleColumn(3));
    EXPECT_FALSE(fs.IsIn(3));
    EXPECT_EQ(fs.ResidualDf(), 9);
}

TEST_F(InstrumentBuilderTest, EntryThatLeavesFewerThanTwoDegreesOfFreedomIsRefused) {
    Columns cols;
    for (const auto& c : kColumns) cols.emplace_back(c.begin(), c.begin() + 4);
    model_ = MakeModel(cols, kTypes, kNames, &ctx_);
    InstrumentFirstStage fs(*model_, kTarget, InstrumentFirstStage::ExogenousCandidates(*model_, kTarget), 0, true);
    EXPECT_EQ(fs.ResidualDf(), 2);
    EXPECT_TRUE(fs.IsIn(0));
    EXPECT_FALSE(fs.IsIn(1));
    EXPECT_FALSE(fs.ToggleColumn(1));
    EXPECT_TRUE(fs.ToggleColumn(0));  // leaving is always possible
    EXPECT_EQ(fs.ResidualDf(), 3);
}

TEST_F(InstrumentBuilderTest, FewerThanThreeObservationsAreRefused) {
    Columns cols;
    for (const auto& c : kColumns) cols.emplace_back(c.begin(), c.begin() + 2);
    model_ = MakeModel(cols, kTypes, kNames, &ctx_);
    EXPECT_THROW(InstrumentFirstStage(*model_, kTarget, InstrumentFirstStage::OtherCandidates(*model_, kTarget), 0, true),
                 Exception);
}

// A constant target leaves no F value to form: an empty cell at the start
// (the column may enter); after an entry, those out have nothing to explain.
TEST_F(InstrumentBuilderTest, ConstantTargetHasNoRatioAndNoFValues) {
    Columns cols = kColumns;
    cols[4].assign(12, 2.5);
    model_ = MakeModel(cols, kTypes, kNames, &ctx_);
    InstrumentFirstStage fs(*model_, kTarget, InstrumentFirstStage::ExogenousCandidates(*model_, kTarget), 0, false);
    EXPECT_EQ(fs.AdjR2(), 0.0);
    for (int j = 0; j < 3; ++j) {
        EXPECT_EQ(fs.FState(j), FirstStageF::kBlank) << j;
        EXPECT_EQ(fs.Table(false)[j + 2][1], "") << j;
    }
    ASSERT_TRUE(fs.ToggleColumn(0));
    EXPECT_EQ(fs.AdjR2(), 0.0);
    EXPECT_TRUE(std::isfinite(fs.S2()));
    EXPECT_EQ(fs.FState(0), FirstStageF::kBlank);  // t^2 of 0 / 0
    EXPECT_EQ(fs.FState(1), FirstStageF::kTolCheck);
}

// y2 = 0.5 + 2 x1 - x2 + x3 / 2 exactly: the residual variance is 0, not
// rounding of either sign, and so is every standard error.
TEST_F(InstrumentBuilderTest, ExactFitHasNoResidualVariance) {
    Columns cols = kColumns;
    for (int i = 0; i < 12; ++i) cols[kTarget][i] = 0.5 + 2.0 * cols[0][i] - cols[1][i] + 0.5 * cols[2][i];
    model_ = MakeModel(cols, kTypes, kNames, &ctx_);
    InstrumentFirstStage fs(*model_, kTarget, InstrumentFirstStage::ExogenousCandidates(*model_, kTarget), 0, true);
    EXPECT_EQ(fs.S2(), 0.0);
    for (int j : {0, 1, 2, fs.ColumnCount()}) EXPECT_EQ(fs.StdError(j), 0.0) << j;
}

TEST_F(InstrumentBuilderTest, LeverageOneHasNoStandardizedResidual) {
    Columns cols = kColumns;
    cols[3].assign(12, 0.0);
    cols[3][5] = 1.0;  // w singles out observation 5
    model_ = MakeModel(cols, kTypes, kNames, &ctx_);
    InstrumentFirstStage fs(*model_, kTarget, InstrumentFirstStage::OtherCandidates(*model_, kTarget), 0, false);
    ASSERT_TRUE(fs.ToggleColumn(3));
    ASSERT_TRUE(fs.ToggleColumn(0));
    const auto r = fs.StandardizedResiduals();
    EXPECT_FALSE(r[5].has_value());
    for (int i = 0; i < 12; ++i)
        if (i != 5) {
            EXPECT_TRUE(r[i].has_value() && std::isfinite(*r[i])) << i;
        }
}

// Observations chosen by the target's marks give the figures of a data set
// of those observations alone.
TEST_F(InstrumentBuilderTest, MaskedFirstStageUsesTheMarkedObservations) {
    const std::vector<int> marked = {0, 2, 3, 5, 7, 8, 10, 11};
    for (int i : marked) model_->SetMark(i, kTarget, 4);
    model_->SetMark(1, 0, 4);  // another column's mark does not count
    Columns subset(kColumns.size());
    for (std::size_t j = 0; j < kColumns.size(); ++j)
        for (int i : marked) subset[j].push_back(kColumns[j][i]);
    auto small = MakeModel(subset, kTypes, kNames, &ctx_);
    InstrumentFirstStage masked(*model_, kTarget, InstrumentFirstStage::ExogenousCandidates(*model_, kTarget), 4, true);
    InstrumentFirstStage plain(*small, kTarget, InstrumentFirstStage::ExogenousCandidates(*small, kTarget), 0, true);
    ASSERT_EQ(masked.Observations(), 8);
    for (int j = 0; j <= 4; ++j) {
        EXPECT_NEAR(masked.Coef(j), plain.Coef(j), 1e-12 * (1.0 + std::fabs(plain.Coef(j)))) << j;
        EXPECT_NEAR(masked.StdError(j), plain.StdError(j), 1e-12 * (1.0 + plain.StdError(j))) << j;
    }
    const std::vector<double> a = masked.KClassInstrument(0.5), b = plain.KClassInstrument(0.5);
    ASSERT_EQ(a.size(), b.size());
    for (std::size_t i = 0; i < a.size(); ++i) EXPECT_NEAR(a[i], b[i], 1e-12 * (1.0 + std::fabs(b[i]))) << i;
}

TEST_F(InstrumentBuilderTest, ValueThatIsNoNumberIsRefused) {
    Columns cols = kColumns;
    cols[1][4] = std::nan("");
    model_ = MakeModel(cols, kTypes, kNames, &ctx_);
    try {
        InstrumentFirstStage fs(*model_, kTarget, InstrumentFirstStage::ExogenousCandidates(*model_, kTarget), 0, true);
        FAIL() << "accepted";
    } catch (const Exception& e) {
        EXPECT_NE(e.Message().find("x2"), std::string::npos) << e.Message();
    }
}

TEST_F(InstrumentBuilderTest, RanksShareTiesAndAreDividedByN) {
    const std::vector<double> ranks = RankInstrument({3.0, 1.0, 3.0, 2.0, 3.0, 5.0});
    const std::vector<double> expected = {4.0 / 6, 1.0 / 6, 4.0 / 6, 2.0 / 6, 4.0 / 6, 1.0};
    ASSERT_EQ(ranks.size(), expected.size());
    for (std::size_t i = 0; i < ranks.size(); ++i) EXPECT_NEAR(ranks[i], expected[i], 1e-15) << i;
}

TEST_F(InstrumentBuilderTest, KMixesFittedAndObservedValues) {
    InstrumentFirstStage fs(*model_, kTarget, InstrumentFirstStage::ExogenousCandidates(*model_, kTarget), 0, true);
    const std::vector<double> one = fs.KClassInstrument(1.0), zero = fs.KClassInstrument(0.0),
                              mixed = fs.KClassInstrument(0.25);
    for (int i = 0; i < 12; ++i) {
        EXPECT_NEAR(one[i], kExogenous.fitted[i], 1e-12 * std::fabs(kExogenous.fitted[i]) + 1e-13) << i;
        EXPECT_EQ(zero[i], kColumns[kTarget][i]) << i;
        EXPECT_NEAR(mixed[i], 0.25 * kExogenous.fitted[i] + 0.75 * kColumns[kTarget][i], 1e-12) << i;
    }
}

TEST_F(InstrumentBuilderTest, InstrumentalEstimateEqualsTheKClassEstimate) {
    RegIV iv(*model_, 0);
    ASSERT_EQ(iv.Rows(), 12);
    InstrumentFirstStage fs(*model_, kTarget, InstrumentFirstStage::ExogenousCandidates(*model_, kTarget), 0, true);
    SetFirstStageInstrument(iv, kTarget, fs, 0.7);
    const std::vector<std::uint8_t> roles = {2, 0, 0, 0, 2, 1, 2};
    ASSERT_TRUE(iv.SelectVariables(roles, 5));
    ExpectRel(iv.GetCoef(4), 0.8770291286109877, 1e-11, "y2", 0);
    ExpectRel(iv.GetCoef(0), 0.3104173494566558, 1e-11, "x1", 0);
    ExpectRel(iv.GetCoef(6), 1.8571857738787387, 1e-11, "constant", 0);
    EXPECT_LT(InstrumentCorrelation(iv, kTarget), 1.0);
    RestoreObservedColumn(iv, kTarget);
    EXPECT_NEAR(InstrumentCorrelation(iv, kTarget), 1.0, 1e-15);
}

TEST_F(InstrumentBuilderTest, FirstStageOfOtherObservationsIsRefusedAndLeavesTheDesign) {
    for (int i = 0; i < 10; ++i)
        for (int j = 0; j < 6; ++j) model_->SetMark(i, j, 1);
    model_->SetMark(10, kTarget, 1);  // one more marked cell in the target's column
    RegIV iv(*model_, 1);
    InstrumentFirstStage fs(*model_, kTarget, InstrumentFirstStage::ExogenousCandidates(*model_, kTarget), 1, true);
    ASSERT_NE(fs.Observations(), iv.Rows());
    std::vector<double> before, after;
    iv.GetDesignColumn(kTarget, before);
    try {
        SetFirstStageInstrument(iv, kTarget, fs, 1.0);
        FAIL() << "accepted";
    } catch (const Exception& e) {
        EXPECT_EQ(e.Message(), "設定に失敗しました。");
    }
    iv.GetDesignColumn(kTarget, after);
    EXPECT_EQ(before, after);
    EXPECT_THROW(SetInstrument(iv, kTarget, std::vector<double>(5, 1.0)), Exception);  // typed values, too few
    iv.GetDesignColumn(kTarget, after);
    EXPECT_EQ(before, after);
}

TEST_F(InstrumentBuilderTest, TypedValuesAndAutoK) {
    RegIV iv(*model_, 0);
    std::vector<double> typed(12);
    for (int i = 0; i < 12; ++i) typed[i] = i;
    SetInstrument(iv, kTarget, typed);
    std::vector<double> design;
    iv.GetDesignColumn(kTarget, design);
    EXPECT_EQ(design, typed);
    EXPECT_EQ(KFromText("<auto>", iv, nullptr), iv.GetDefaultK());
    EXPECT_EQ(KFromText("0.5", iv, [](const std::string&) { return 0.5; }), 0.5);
}

// The table a weighted or ridge first stage gets, and what it hands back.
TEST_F(InstrumentBuilderTest, HandedBackFirstStage) {
    InstrumentFirstStage fs(*model_, kTarget, InstrumentFirstStage::OtherCandidates(*model_, kTarget), 0, false);
    ASSERT_TRUE(fs.ToggleColumn(0));
    ASSERT_TRUE(fs.ToggleColumn(2));
    std::vector<std::string> seen;
    int dependent = -1;
    std::vector<int> selected;
    HandedBackFit fit;
    fit.fitted.assign(12, 1.0);
    fit.names = {"x3", "x1"};
    fit.coef = {0.5, 0.7};
    fit.stdErr = {0.1, 0.2};
    fit.constCoef = -2.0;
    fit.constStdErr = 1.5;
    fit.s2 = 4.0;
    fit.adjR2 = 0.5;
    fit.standardizedResiduals.assign(12, 0.25);
    auto runner = [&](const HandedBackRequest& r) -> std::optional<HandedBackFit> {
        seen.clear();
        selected.clear();
        for (int c = 0; c < r.table.Cols(); ++c) {
            seen.push_back(r.table.GetColumnName(c));
            selected.push_back(r.table.IsSelected(c));
        }
        dependent = r.dependentColumn;
        EXPECT_EQ(r.table.GetValue(3, r.dependentColumn), kColumns[kTarget][3]);
        return fit;
    };
    std::vector<double> values = fs.RunHandedBack(FirstStageKind::kWeighted, ctx_, runner, 0.5);
    EXPECT_EQ(seen, (std::vector<std::string>{"x1", "x3", "y2"}));
    EXPECT_EQ(dependent, 2);
    for (int i = 0; i < 12; ++i) EXPECT_DOUBLE_EQ(values[i], 0.5 + 0.5 * kColumns[kTarget][i]) << i;
    EXPECT_EQ(fs.Coef(0), 0.7);
    EXPECT_EQ(fs.Coef(2), 0.5);
    EXPECT_EQ(fs.Coef(6), -2.0);
    EXPECT_EQ(fs.S2(), 4.0);
    EXPECT_EQ(fs.StandardizedResiduals()[0], 0.25);

    fit.vif = {1.5, 2.5};
    values = fs.RunHandedBack(FirstStageKind::kRidge, ctx_, runner, 1.0);
    EXPECT_EQ(seen, (std::vector<std::string>{"x1", "x2", "x3", "w", "y", "y2"}));
    EXPECT_EQ(selected, (std::vector<int>{1, 0, 1, 0, 0, 1}));
    EXPECT_EQ(dependent, 5);
    EXPECT_EQ(fs.Table(true)[0][1], "分散拡大要因");
    EXPECT_EQ(fs.FValue(0), 2.5);

    // Refused: the variable itself. Too short a result: nothing taken.
    values = fs.RunHandedBack(FirstStageKind::kWeighted, ctx_, [](const HandedBackRequest&) { return std::nullopt; }, 0.3);
    for (int i = 0; i < 12; ++i) EXPECT_DOUBLE_EQ(values[i], kColumns[kTarget][i]) << i;
    fit.fitted.resize(11);
    EXPECT_THROW(fs.RunHandedBack(FirstStageKind::kWeighted, ctx_, runner, 1.0), Exception);
    EXPECT_EQ(fs.Coef(6), -2.0);
}

}  // namespace
