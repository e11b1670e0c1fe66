// The weighted least-squares fit and every row of its per-observation table.
// Expected values come from a plain-Python script written for these tests:
// b = (X'WX)^-1 X'Wy solved directly, hat values from X*(X*'X*)^-1 X*' on
// X* = W^(1/2) X, and the leave-one-out variances, coefficient changes,
// COVRATIO and Welsch distance from refits without each observation.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "core/model/regression_model.h"
#include "estimators/weighted_fit.h"
#include "support/expect_exception.h"
#include "support/model_builder.h"
#include "support/scripted_services.h"
#include "weighted_data.h"

namespace {

const std::vector<double> kX1 = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12};
const std::vector<double> kX2 = {3.1, 1.7, 4.4, 2.9, 5.6, 3.3, 6.1, 4.8, 7.2, 5.5, 8.3, 6.0};
const std::vector<double> kY = {4.2, 5.1, 8.3, 7.9, 11.6, 10.2, 14.9, 13.1, 17.8, 15.2, 30.0, 18.1};
const std::vector<double> kW = {1.0, 0.5, 2.0, 1.5, 0.8, 1.2, 0.6, 1.0, 2.5, 0.9, 0.4, 1.1};

const std::vector<double> kCoef = {0.8534647494034009, 1.6490484556144196, -1.1293756333577818};
const std::vector<double> kStdErr = {0.24864213229116788, 0.4842596909842666, 1.6527425625321868};
constexpr double kS2 = 3.7734797930562616;
constexpr double kSse = 33.96131813750635;
constexpr double kSyy = 493.54088203230583;
constexpr double kR2 = 0.9311884397546557;
constexpr double kAdjR2 = 0.915896981922357;
constexpr double kVarY = 44.867352912027805;
constexpr double kDurbinWatson = 2.749270423211479;
constexpr double kGK = 0.034917152362946076;

// Rows 0 .. 18 of the table (p = 3).
const std::vector<std::vector<double>> kRows = {
    {4.2, 5.1, 8.3, 7.9, 11.6, 10.2, 14.9, 13.1, 17.8, 15.2, 30.0, 18.1},  // 0
    {4.8361393284503205, 3.3809362399935328, 8.686831819555868, 7.0667238855376375, 12.372619465099971, 9.433272766590207, 14.904073191713984, 13.613774948818639, 18.42495599169665, 16.475038366555534, 21.945838791679314, 19.00649209316955},  // 1
    {-0.6361393284503203, 1.7190637600064669, -0.38683181955586754, 0.8332761144623628, -0.7726194650999716, 0.7667272334097923, -0.0040731917139833484, -0.5137749488186394, -0.6249559916966483, -1.2750383665555347, 8.054161208320686, -0.9064920931695468},  // 2
    {-15.146174486912386, 33.70713254914641, -4.660624331998403, 10.5477989172451, -6.660512630172169, 7.5169336608803174, -0.02733685714082784, -3.921946174188087, -3.5109887173969003, -8.388410306286413, 26.84720402773562, -5.008243608671529},  // 3
    {4.8361393284503205, 2.3906829420587767, 12.28503537327006, 8.654933836352663, 11.06640727348025, 10.333632570721244, 11.544645452432936, 13.613774948818639, 29.132413361063918, 15.629593733092655, 13.879767148916823, 19.93417707999225},  // 4
    {-0.6361393284503203, 1.2155616419926156, -0.5470628055733702, 1.0205506476408903, -0.6910518578812255, 0.8399076023841427, -0.003155080734833504, -0.5137749488186394, -0.9881421855653407, -1.2096076027248461, 5.093898812093453, -0.9507369281125015},  // 5
    {-0.880974767336231, 1.4742214210655573, -0.8863177739568373, 1.4273621394154685, -0.8049668531528259, 1.1298054268412092, -0.0034184505825112822, -0.589865940455578, -2.123412609820176, -1.4887554522808315, 5.96816154629841, -1.6007538249630986},  // 6
    {-0.38537793341798093, 0.6891263208644945, -0.3584613277994627, 0.6213171671782678, -0.3839487904785609, 0.5014718627020336, -0.001690631190783325, -0.283394950713187, -0.7456858497712586, -0.6908168499912256, 2.838405420604286, -0.635069771286447},  // 7
    {-0.3663732832117948, 0.6675656247142716, -0.3403992857628332, 0.5987655374161367, -0.36499194963895687, 0.47953920706265074, -0.0015939426257545629, -0.2683875011583515, -0.7258184468838874, -0.6692948423981058, 8.265305341753699, -0.6126337140420071},  // 8
    {0.011915710796699308, 0.04350803168184324, 0.008812311466535492, 0.030667938746759008, 0.014061664754810906, 0.020772008250280395, 2.9311390102741303e-07, 0.007772510388578734, 0.028751091902275126, 0.043082855225041114, 0.7640399881649688, 0.026615595508306902},  // 9
    {0.27791424676805454, 0.1754551761200051, 0.3827690004104425, 0.2850093053057825, 0.14151513795310683, 0.2565909293492983, 0.07704363170413292, 0.12899709309910393, 0.5346442886345001, 0.18750416606590425, 0.14648777976648356, 0.4060692448231892},  // 10
    {0.27791424676805454, 0.1754551761200051, 0.3827690004104425, 0.2850093053057825, 0.14151513795310683, 0.2565909293492983, 0.07704363170413292, 0.12899709309910393, 0.5346442886345001, 0.18750416606590425, 0.14648777976648356, 0.4060692448231892},  // 11
    {0.27791424676805454, 0.1754551761200051, 0.3827690004104425, 0.2850093053057825, 0.14151513795310683, 0.2565909293492983, 0.07704363170413292, 0.12899709309910393, 0.5346442886345001, 0.18750416606590425, 0.14648777976648356, 0.4060692448231892},  // 12
    {4.175111930078922, 4.02116389078191, 4.184555831182002, 4.063077847713481, 4.175630537262796, 4.126548246285944, 4.245163419002346, 4.207282474267368, 3.9828855700477583, 4.0200635279786905, 0.44501339080430147, 4.054927795412099},  // 13
    {0.887128982472697, 1.1247581028672504, 1.1316330738754683, 1.482798946512067, 0.5304548642836849, 1.0837104406559945, 0.0015898502881500683, 0.3670531765019576, 3.782437510382963, 1.1830364859274345, 12.292669335434923, 2.18002497848405},  // 14
    {1.875812848497382, 1.467624544529176, 2.209399666754419, 1.7459787530541053, 1.5783650927482802, 1.7591660679217218, 1.5426804747929677, 1.591326603330394, 2.526866820606521, 1.4881664852651049, 0.0019216903474442138, 2.0892358773111446},  // 15
    {0.03823999945736822, 0.007412035932735872, 0.05306397360978621, 0.01856592407008195, 0.027953112096377186, 0.04162800665727895, 4.8319289409182176e-05, -0.01759610799572675, 0.041295992322468056, -0.06430620364241646, -0.023975843224616433, -0.11098723440866287},  // 16
    {-0.014676910582096525, -0.09874513745136326, -0.06102775169574315, -0.12046899949409351, -0.05364008272295706, -0.11487207446116088, -0.00015043640392065072, 0.02852469793943868, -0.25654660118561523, 0.07572693370063632, 0.36240307016344175, 0.11971473889861173},  // 17
    {-0.2375770155387471, 0.5188428294072622, -0.1305593020632756, 0.607256594368593, 0.03325806622480343, 0.3939491021562418, 0.0002394180268083801, -0.07224067778034282, 0.7574635374602252, -0.06768376844091506, -1.3618804501387558, -0.006208414012107255},  // 18
};

class WeightedFitTest : public ::testing::Test {
protected:
    std::unique_ptr<WLSE> FitWeighted() {
        table_ = MakeNamedTable(context_, {kX1, kX2, kY}, {"x1", "x2", "y"});
        auto fit = std::make_unique<WLSE>(*table_, nullptr, 2);
        fit->SetWeights(kW.data());
        EXPECT_TRUE(fit->Estimate(0));
        return fit;
    }
    EngineContext context_;
    std::unique_ptr<TNamedData> table_;
};

TEST_F(WeightedFitTest, NamedTableAddsTheConstantLastAmongTheRegressors) {
    table_ = MakeNamedTable(context_, {kX1, kX2, kY}, {"x1", "x2", "y"});
    WLSE fit(*table_, nullptr, 2);
    ASSERT_EQ(fit.RowCount(), 4);
    EXPECT_EQ(fit.GetName(0), "x1");
    EXPECT_EQ(fit.GetName(1), "x2");
    EXPECT_EQ(fit.GetName(2), Data::ConstantName());
    EXPECT_EQ(fit.GetName(3), "y");
    EXPECT_EQ(fit.FindName("y"), 3);
    EXPECT_EQ(fit.FindName("z"), -1);
    EXPECT_DOUBLE_EQ(fit.GetData(2, 5), 1.0);
}

TEST_F(WeightedFitTest, CoefficientsAndSummaryMatchTheDirectSolution) {
    auto fit = FitWeighted();
    for (int j = 0; j < 3; ++j) {
        ExpectNear(fit->GetCoef(j), kCoef[j], 1e-11, 1e-13, "coef");
        ExpectNear(fit->GetStdErr(j), kStdErr[j], 1e-11, 0, "se");
    }
    ExpectNear(fit->S2(), kS2, 1e-11, 0, "s2");
    ExpectNear(fit->SSE(), kSse, 1e-11, 0, "sse");
    // R2 of the transformed dependent about its own mean.
    ExpectNear(fit->Syy(), kSyy, 1e-11, 0, "syy");
    ExpectNear(fit->R2(), kR2, 1e-11, 0, "r2");
    ExpectNear(fit->AdjR2(), kAdjR2, 1e-11, 0, "adjR2");
    ExpectNear(fit->VarY(), kVarY, 1e-11, 0, "varY");
    ExpectNear(fit->DurbinWatsonRatio(), kDurbinWatson, 1e-11, 0, "dw");
    ExpectNear(fit->GK(), kGK, 1e-9, 0, "gk");
    EXPECT_EQ(fit->Iterations(), 0);
    EXPECT_EQ(fit->RegressionDf(), 3);  // unequal weights
}

TEST_F(WeightedFitTest, EveryTableRowMatchesTheRefits) {
    auto fit = FitWeighted();
    for (int row = 0; row < static_cast<int>(kRows.size()); ++row) {
        SCOPED_TRACE(row);
        ExpectResultRow(*fit, row, kRows[row], 1e-9, 1e-12);
    }
    // Outside the table: the default.
    EXPECT_EQ(fit->GetResult(19, 0), 0.0);
    EXPECT_EQ(fit->GetResult(0, 12), 0.0);
}

TEST_F(WeightedFitTest, TransformedDataAreTheRootWeightedValues) {
    auto fit = FitWeighted();
    std::vector<double> row(12);
    fit->ReadTransformedRow(3, row.data());
    for (int t = 0; t < 12; ++t) {
        ExpectNear(row[t], std::sqrt(kW[t]) * kY[t], 1e-15, 0, "y*");
        ExpectNear(fit->GetTransformed(2, t), std::sqrt(kW[t]), 1e-15, 0, "constant*");
        ExpectNear(fit->GetSecondTransformed(0, t), std::sqrt(kW[t]) * kX1[t], 1e-15, 0, "x1* second");
    }
}

TEST_F(WeightedFitTest, ModelBindingGivesTheSameFit) {
    auto reg = MakeModel({kX1, kX2, kY}, {}, {"x1", "x2", "y"}, &context_);
    ASSERT_TRUE(reg->SetModel(2, {2, 2, 1, 2}));
    WLSE fit(*reg, 0, "y");
    ASSERT_EQ(fit.RowCount(), 4);
    EXPECT_EQ(fit.GetName(2), Data::ConstantName());
    EXPECT_EQ(fit.GetName(3), "y");
    EXPECT_FALSE(fit.TwoStage());
    fit.SetWeights(kW.data());
    ASSERT_TRUE(fit.Estimate(0));
    for (int j = 0; j < 3; ++j) ExpectNear(fit.GetCoef(j), kCoef[j], 1e-11, 1e-13, "coef");
    ExpectResultRow(fit, WLSE::kRowStudentized, kRows[8], 1e-9, 1e-12);
}

// A name without cells in the groups' block is refused, not fitted as a
// column of 1.0 without a name.
TEST_F(WeightedFitTest, GroupsTakeTheDependentVariableFromTheirBlock) {
    const std::vector<double> w = {2, 7, 1, 8, 2, 8, 1, 8, 2, 8, 4, 5};
    auto reg = MakeModel({kX1, kX2, kY, w}, {}, {"x1", "x2", "y", "w"}, &context_);
    ASSERT_TRUE(reg->SetModel(2, {2, 2, 1, 0, 2}));
    for (int t = 0; t < 8; ++t)
        for (int j : {0, 1, 3}) reg->SetMark(t, j, 0x1);
    ExpectExceptionMessage([&] { WLSE fit(*reg, 0x1, "y"); }, "DERR", "y has no cells in group 1");
    WLSE fit(*reg, 0x1, "w");
    EXPECT_EQ(fit.ObsCount(), 8);
    EXPECT_EQ(fit.GetName(fit.RowCount() - 1), "w");
}

TEST_F(WeightedFitTest, PredictSumsTheCoefficientsTimesTheValues) {
    auto fit = FitWeighted();
    const double x[3] = {2.0, -1.0, 1.0};
    ExpectNear(fit->Predict(x), 2.0 * kCoef[0] - kCoef[1] + kCoef[2], 1e-12, 0, "predict");
}

// n = p + 1 leaves one residual degree of freedom: refused.
TEST_F(WeightedFitTest, TooFewObservationsAreRefused) {
    const std::vector<double> a = {1, 2, 3, 4}, b = {2, 1, 4, 3}, y = {1, 3, 2, 5};
    auto small = MakeNamedTable(context_, {{1, 2, 3}, {2, 1, 4}, {1, 3, 2}}, {"a", "b", "y"});
    ExpectExceptionMessage([&] { WLSE fit(*small, nullptr, 2); }, "自由度不足", "n = p");
    auto four = MakeNamedTable(context_, {a, b, y}, {"a", "b", "y"});
    ExpectExceptionMessage([&] { WLSE fit(*four, nullptr, 2); }, "自由度不足", "n = p + 1");
    auto five = MakeNamedTable(context_, {{1, 2, 3, 4, 5}, {2, 1, 4, 3, 7}, {1, 3, 2, 5, 4}}, {"a", "b", "y"});
    WLSE fit(*five, nullptr, 2);
    EXPECT_EQ(fit.ResidualDf(), 2);
    EXPECT_TRUE(fit.Estimate(0));
}

// Manual weights must be finite, not negative and not all zero; a refused
// set leaves the weights as they were.
TEST_F(WeightedFitTest, UnusableManualWeightsAreRefused) {
    table_ = MakeNamedTable(context_, {kX1, kX2, kY}, {"x1", "x2", "y"});
    WLSE fit(*table_, nullptr, 2);
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    const std::vector<std::vector<double>> bad = {
        std::vector<double>(12, 0.0),
        {1, 1, 1, -0.5, 1, 1, 1, 1, 1, 1, 1, 1},
        {1, 1, 1, 1, nan, 1, 1, 1, 1, 1, 1, 1},
        {1, 1, 1, 1, 1, 1, 1, inf, 1, 1, 1, 1},
    };
    for (const auto& w : bad) {
        EXPECT_THROW(fit.SetWeights(w.data()), Exception);
        for (int t = 0; t < 12; ++t) EXPECT_EQ(fit.GetWeight(t), 1.0);
    }
    // A zero weight among others is allowed: that observation drops out.
    std::vector<double> w(12, 1.0);
    w[10] = 0.0;
    fit.SetWeights(w.data());
    EXPECT_TRUE(fit.Estimate(0));
}

// Partial residuals: regressor j and y on the other regressors, all
// transformed; expected from plain-Python least-squares refits.
TEST_F(WeightedFitTest, PartialResidualsAreTheFitsOnTheOtherRegressors) {
    auto fit = FitWeighted();
    const std::vector<double> x0 = {-2.6493967146053468, 0.3068791512131681, -3.6542890395420518, 0.7939167826498377,
                                    -2.1195553115572086, 2.248922784811773,  -0.8627477162254342, 1.8207733333639826,
                                    -1.1870420397508514, 2.636465496599433,  -0.24520307129941088, 4.231955254244562};
    const std::vector<double> y0 = {-2.897306031551163, 1.4774721798798742, -3.665869684953682, 1.6981306355922863,
                                    -2.500017600706,    2.759283923351127,  -0.7394798441614832, 1.040190907861282,
                                    -2.0012407225524775, 1.0405227616411494, 4.8846266342940226, 2.661087702437804};
    const std::vector<double> x2 = {0.37253969827435385, 0.4861885282662798, 0.20349323076025505, 0.5877189207152289,
                                    -0.05707561530314931, 0.48169048129147507, -0.09675182080254385, 0.1691843150645198,
                                    -0.49278666303782503, 0.06280479056560817, -0.31523179954645075, 0.0053578151744821945};
    const std::vector<double> y2 = {-1.0568765861398148, 0.6664721649506093, -0.776883101947206, 0.3567952193218087,
                                    -0.626592048698905,  0.29589810999320676, 0.10611406816260072, -0.7048475917987833,
                                    -0.4316009358866282, -1.2805378028477268, 5.449913925360789,  -0.9567879140185198};
    std::vector<double> xs(12), ys(12);
    fit->PartialResiduals(xs.data(), ys.data(), 0);
    for (int t = 0; t < 12; ++t) {
        ExpectNear(xs[t], x0[t], 1e-10, 1e-12, "x, j = 0");
        ExpectNear(ys[t], y0[t], 1e-10, 1e-12, "y, j = 0");
    }
    fit->PartialResiduals(xs.data(), ys.data(), 2);
    for (int t = 0; t < 12; ++t) {
        ExpectNear(xs[t], x2[t], 1e-10, 1e-12, "x, j = 2");
        ExpectNear(ys[t], y2[t], 1e-10, 1e-12, "y, j = 2");
    }
    EXPECT_THROW(fit->PartialResiduals(xs.data(), ys.data(), 3), ERangeError);
}

TEST_F(WeightedFitTest, ProgressWindowNamesTheProcedure) {
    ScriptedServices services;
    context_.SetServices(&services);
    auto fit = FitWeighted();
    ASSERT_TRUE(fit->Estimate(WLSE::kModeAROffset + 1));
    const auto begins = services.CallsOf(ServiceCall::ProgressBegin);
    ASSERT_EQ(begins.size(), 2u);
    EXPECT_EQ(begins[0].text, "加重回帰");
    EXPECT_EQ(begins[1].text, "自己回帰過程");
    EXPECT_EQ(services.ProgressDepth(), 0);
    context_.SetServices(nullptr);
}

// Each pass adds its count to the caption; in two-stage mode the table then
// counts down the observations left after the caption last shown, a stretch
// at a time, and the last stretch (one observation) gets its rows too.
TEST_F(WeightedFitTest, ProgressCaptionCountsPassesAndTheTwoStageTable) {
    const int n = WLSE::kCountdownRows + 1;
    const std::vector<double> kZ2 = {2.9, 2.2, 4.1, 3.3, 5.2, 3.9, 5.8, 5.1, 6.9, 5.9, 7.7, 6.4};
    const WeightedColumns points = {kX1, kX2, kY};
    WeightedColumns plain(3);  // the twelve points over and over
    for (int t = 0; t < n; ++t)
        for (int j = 0; j < 3; ++j) plain[j].push_back(points[j][t % 12]);
    WeightedColumns instruments = plain;
    for (int t = 0; t < n; ++t) instruments[1][t] = kZ2[t % 12];
    ScriptedServices services;
    context_.SetServices(&services);
    table_ = MakeNamedTable(context_, plain, {"x1", "x2", "y"});
    const auto second = MakeNamedTable(context_, instruments, {"x1", "x2", "y"});
    const struct {
        bool twoStage;
        int mode;
        const char* passes;  // the caption the pass count follows; none without passes
    } cases[] = {{false, 5, "加重回帰"}, {true, -1, nullptr}, {true, 101, "自己回帰過程"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.mode) + (c.twoStage ? " two-stage" : ""));
        WLSE fit(*table_, c.twoStage ? second.get() : nullptr, 2);
        services.ClearCalls();
        ASSERT_TRUE(fit.Estimate(c.mode));
        std::vector<std::string> captions, expected;
        for (const RecordedCall& call : services.CallsOf(ServiceCall::ProgressCaption)) captions.push_back(call.text);
        for (int i = 0; c.passes && i <= fit.Iterations(); ++i)
            expected.push_back(std::string(c.passes) + " (反復数 = " + std::to_string(i) + " )");
        const std::string last = expected.empty() ? "加重回帰" : expected.back();
        for (const char* left : {" COUNT(16385)", " COUNT(1)"})
            if (c.twoStage) expected.push_back(last + left);
        EXPECT_EQ(captions, expected);
        // The last observation is the fifth point again.
        for (int row = WLSE::kRowObserved; c.twoStage && row < WLSE::kRowCoefChange + fit.CoefCount(); ++row) {
            ASSERT_NE(fit.GetResult(row, 4), 0.0) << row;
            ExpectNear(fit.GetResult(row, n - 1), fit.GetResult(row, 4), 1e-12, 0, "row " + std::to_string(row));
        }
    }
    context_.SetServices(nullptr);
}

// An observed value of 0 is replaced by 2.220446049250313e-16 in the error
// percentage; an adjusted R2 below that is shown as 0.
TEST_F(WeightedFitTest, ZeroObservationAndPoorFitEdgeCases) {
    const std::vector<double> x = {1, 2, 3, 4, 5, 6};
    const std::vector<double> y = {0.0, 1.0, -1.0, 1.0, 0.5, -0.5};
    table_ = MakeNamedTable(context_, {x, y}, {"x", "y"});
    WLSE fit(*table_, nullptr, 1);
    ASSERT_TRUE(fit.Estimate(0));
    // By hand: Sxy = -1, Sxx = 17.5, so the slope is -2/35 and the
    // intercept 1/6 + 3.5 * 2/35 = 11/30; the first fitted value is 13/42.
    ExpectNear(fit.GetResult(WLSE::kRowResidual, 0), -13.0 / 42.0, 1e-13, 0, "residual");
    ExpectNear(fit.GetResult(WLSE::kRowErrorPercent, 0), 100.0 * (-13.0 / 42.0) / 2.220446049250313e-16, 1e-13, 0, "%");
    EXPECT_EQ(fit.AdjR2(), 0.0);
    EXPECT_LT(fit.R2(), 0.05);
}

// After an AR fit the weights hold one-step predictions; negative ones
// cannot serve as manual weights.
TEST_F(WeightedFitTest, PredictionsAreNoManualWeights) {
    std::vector<double> y(12);
    for (int t = 0; t < 12; ++t) y[t] = -kY[t];
    table_ = MakeNamedTable(context_, {kX1, kX2, y}, {"x1", "x2", "y"});
    WLSE fit(*table_, nullptr, 2);
    ASSERT_TRUE(fit.Estimate(WLSE::kModeAROffset + 1));
    EXPECT_THROW((void)fit.Estimate(0), Exception);
    EXPECT_TRUE(fit.Estimate(-1));
    for (int t = 0; t < 12; ++t) EXPECT_EQ(fit.GetWeight(t), 1.0);
}

// Per-observation passes run in fixed blocks: the numbers do not depend on
// the thread count (three blocks here).
TEST(WeightedFitThreads, ResultsAreIndependentOfTheThreadCount) {
    const int n = 10000;
    std::vector<double> x1(n), x2(n), y(n), w(n);
    for (int t = 0; t < n; ++t) {
        x1[t] = std::sin(0.37 * t) * 3.0 + 0.001 * t;
        x2[t] = std::cos(0.11 * t) + (t % 13) * 0.2;
        y[t] = 1.5 + 0.8 * x1[t] - 0.4 * x2[t] + std::sin(1.7 * t) + (t % 97 == 0 ? 9.0 : 0.0);
        w[t] = 0.5 + (t % 5) * 0.3;
    }
    auto run = [&](int threads, int mode, std::vector<double>& out) {
        EngineContext context;
        context.SetThreads(threads);
        auto table = MakeNamedTable(context, {x1, x2, y}, {"x1", "x2", "y"});
        WLSE fit(*table, nullptr, 2);
        fit.SetWeights(w.data());
        (void)fit.Estimate(mode);
        out = {fit.S2(), fit.R2(), fit.DurbinWatsonRatio(), fit.Scale(), static_cast<double>(fit.Iterations())};
        for (int j = 0; j < 3; ++j) out.push_back(fit.GetCoef(j));
        for (int row = 0; row < 19; ++row)
            for (int t = 0; t < n; t += 397) out.push_back(fit.GetResult(row, t));
    };
    for (int mode : {0, 2, 5, WLSE::kModeAROffset + 1}) {
        SCOPED_TRACE(mode);
        std::vector<double> one, four;
        run(1, mode, one);
        run(4, mode, four);
        ASSERT_EQ(one.size(), four.size());
        for (std::size_t i = 0; i < one.size(); ++i) EXPECT_EQ(one[i], four[i]) << i;
    }
}

}  // namespace
