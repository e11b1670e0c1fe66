// Ordinary least squares of the model: the Longley data against its
// certified values, a random data set against values computed with another
// package, the degenerate cases and the guarded ones.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "core/model/regression_model.h"
#include "core/numeric/regression_moments.h"
#include "support/model_builder.h"
#include "support/sample_columns.h"

namespace {

const Columns& kLongley = LongleyColumns();

// Certified values (also a 50-digit solve of the normal equations).
const std::vector<double> kLongleyCoef = {15.061872271373323727, -0.035819179292591021916, -2.0202298038168251465,
                                          -1.0332268671735919988, -0.05110410565358071006, 1829.1514646135518921,
                                          -3482258.634595818418};
const std::vector<double> kLongleySe = {84.914925774766962028, 0.033491007772243184026, 0.48839968165169939358,
                                        0.21427416316167526406, 0.22607320006937020674, 455.47849914221201227,
                                        890420.38360737258531};
const std::vector<double> kLongleyResid = {
    267.3400297597205395,   -94.013942398840375479, 46.287167757526838488, -410.1146219309093496,
    309.71459076022985169,  -249.31121532972345957, -164.04895639560366758, -13.18035686637025091,
    14.304772600050483331,  455.39409455185699775,  -17.268927114831346081, -39.055042522694303245,
    -155.54997359531918261, -85.671308042127505161, 341.93151396077283336,  -206.75782519373810388};
const std::vector<double> kLongleyLev = {
    0.42453693062653579544, 0.56497829770226528708, 0.36207471236564821503, 0.37222778282177253328,
    0.61551109417413455537, 0.36957363383182196449, 0.49153153998284931387, 0.50465615449929238066,
    0.45711704389595512092, 0.33061521381028824984, 0.35988157461834058305, 0.48312413057640823559,
    0.37430840844390423505, 0.22837847088362704806, 0.37287041007326306115, 0.68861460169389342112};

TEST(RegLongley, CertifiedCoefficientsAndStandardErrorsToFourteenDigits) {
    auto reg = MakeModel(kLongley);
    ASSERT_TRUE(reg->SetModel(6, {2, 2, 2, 2, 2, 2, 1, 2}));
    const int k = 7;
    for (int j = 0; j < 6; ++j) {
        ExpectRel(reg->GetCoef(j), kLongleyCoef[j], 1e-14, "coef", j);
        ExpectRel(reg->GetStdError(j), kLongleySe[j], 1e-14, "se", j);
    }
    ExpectRel(reg->GetCoef(k), kLongleyCoef[6], 1e-14, "intercept", k);
    ExpectRel(reg->GetStdError(k), kLongleySe[6], 1e-14, "intercept se", k);
    ExpectRel(reg->GetS2(), 92936.006167323845836, 1e-14, "s2", 0);
    ExpectRel(std::sqrt(reg->GetS2()), 304.854073561965, 1e-14, "residual sd", 0);
    ExpectRel(reg->GetR2(), 0.995479004577296, 1e-14, "r2", 0);
    ExpectRel(reg->GetAdjR2(), 0.99246500762882600159, 1e-14, "adj r2", 0);
    EXPECT_EQ(reg->GetResidualDf(), 9);
    // F-to-remove is the square of the t value.
    const std::vector<double> t2 = {0.031462255390649357744, 1.143865152802073159, 17.110031270974682453,
                                    23.251542334151806087, 0.051099120003996827923, 16.127370987826234273};
    for (int j = 0; j < 6; ++j) ExpectRel(reg->GetFValue(j), t2[j], 1e-13, "F", j);
}

TEST(RegLongley, ResidualsLeveragesAndPress) {
    auto reg = MakeModel(kLongley);
    ASSERT_TRUE(reg->SetModel(6, {2, 2, 2, 2, 2, 2, 1, 2}));
    for (int i = 0; i < 16; ++i) {
        ExpectRel(reg->GetAnalysisValue(Reg::kRowResidual, i), kLongleyResid[i], 1e-11, "residual", i);
        ExpectRel(reg->GetAnalysisValue(Reg::kRowLeverage, i), kLongleyLev[i], 1e-12, "leverage", i);
        EXPECT_EQ(reg->GetAnalysisValue(Reg::kRowObserved, i), kLongley[6][i]);
        ExpectRel(reg->GetAnalysisValue(Reg::kRowFitted, i), kLongley[6][i] - kLongleyResid[i], 1e-14, "fit", i);
        ExpectRel(reg->GetAnalysisValue(Reg::kRowPress, i), kLongleyResid[i] / (1 - kLongleyLev[i]), 1e-11, "press", i);
    }
    ExpectRel(reg->GetPress(), 2886892.5414521223887, 1e-11, "PRESS", 0);
    ExpectRel(reg->GetSse(), 836424.05550591461253, 1e-14, "SSE", 0);
}

// Random data (n = 20): four candidates and the dependent variable VAR4.
const Columns kRandom = {
    {4.914, 5.147, 5.817, 4.021, 3.858, 5.029, 4.441, 3.583, 4.617, 5.09, 4.991, 4.184, 4.613, 6.266, 5.457, 3.861,
     3.986, 5.285, 2.962, 2.827},
    {0.142, 3.623, -3.235, -1.003, -1.883, -1.336, -0.147, 1.933, 2.769, -2.006, -0.519, -2.564, 0.29, 4.694, 5.471,
     1.541, -0.431, 1.17, 0.451, -0.945},
    {-6.31, -1.474, -1.559, -1.143, 1.14, -3.333, 1.087, -4.928, -3.873, -2.661, -2.397, -0.499, -0.296, -4.33,
     -1.315, -1.637, -2.89, -1.152, -1.731, -3.978},
    {12.596, 9.424, 10.451, 10.474, 10.411, 9.553, 10.463, 9.312, 9.924, 10.705, 10.223, 9.928, 10.088, 10.228,
     11.026, 10.507, 9.421, 10.917, 9.506, 10.22},
    {15.216, 12.666, 20.528, 14.825, 16.233, 17.108, 15.986, 9.822, 11.628, 18.727, 16.898, 16.847, 14.835, 13.375,
     12.455, 13.044, 12.965, 15.322, 11.524, 12.062}};

TEST(RegRandom, ChoosingTheDependentVariableGivesConstantModelAndFToEnter) {
    auto reg = MakeModel(kRandom);
    // F-to-enter of each candidate alone (computed with statsmodels).
    const std::vector<double> enter = {4.805477385689755, 16.18859324066064, 2.158450531600482, 1.9160168006897609};
    EXPECT_EQ(reg->SetDependent(4), 1);
    for (int m = 0; m < 4; ++m) ExpectRel(reg->GetFValue(m), enter[m], 1e-12, "enter", m);
    EXPECT_EQ(reg->GetRole(4), 1);
    EXPECT_EQ(reg->GetRole(5), 2);
    EXPECT_EQ(reg->GetResidualDf(), 19);
    ExpectRel(reg->GetCoef(5), 14.6033, 1e-14, "mean", 5);
    ExpectRel(reg->GetStdError(5), 0.6001949293003855, 1e-13, "se", 5);
    ExpectRel(reg->GetS2(), 7.2046790631578945, 1e-13, "s2", 0);
    ExpectRel(reg->GetVarY(), 7.2046790631578945, 1e-13, "varY", 0);
    EXPECT_EQ(reg->GetR2(), 0.0);
    EXPECT_EQ(reg->GetAdjR2(), 0.0);
}

TEST(RegRandom, ModelFromRolesAndToggles) {
    auto reg = MakeModel(kRandom);
    ASSERT_TRUE(reg->SetModel(4, {2, 2, 0, 2, 0, 2}));
    EXPECT_EQ(reg->CountExplanatory(), 3);
    EXPECT_EQ(reg->GetResidualDf(), 16);
    const std::vector<int> idx = {0, 1, 3, 5};
    const std::vector<double> coef = {2.0333022371499796, -0.9961057821848093, 0.3051085541466058, 2.623035157634512};
    const std::vector<double> se = {0.2003753422069369, 0.07220455010604494, 0.23175524692090693, 2.2568646870450624};
    const std::vector<double> t2 = {102.97109304807198, 190.31884331017025, 1.7332037383517322};
    for (int s = 0; s < 4; ++s) {
        ExpectRel(reg->GetCoef(idx[s]), coef[s], 1e-12, "coef", idx[s]);
        ExpectRel(reg->GetStdError(idx[s]), se[s], 1e-12, "se", idx[s]);
        if (s < 3) ExpectRel(reg->GetFValue(idx[s]), t2[s], 1e-12, "F-to-remove", idx[s]);
    }
    EXPECT_EQ(reg->GetCoef(2), 0.0);
    EXPECT_EQ(reg->GetStdError(2), 0.0);
    ExpectRel(reg->GetFValue(2), 20.856178857823434, 1e-12, "F-to-enter", 2);
    ExpectRel(reg->GetS2(), 0.5030890105738066, 1e-13, "s2", 0);
    ExpectRel(reg->GetSse(), 8.049424169180906, 1e-13, "sse", 0);
    ExpectRel(reg->GetR2(), 0.9411973940924708, 1e-13, "r2", 0);
    ExpectRel(reg->GetAdjR2(), 0.9301719054848091, 1e-13, "adj", 0);
    ExpectRel(reg->GetPress(), 17.311224471720227, 1e-12, "PRESS", 0);
    const std::vector<double> resid = {
        -1.1003826779499146, 0.3111064623324946,  -0.3338459758899823, -0.1687445488774948, 0.713332466366559,
        0.013988548976811899, 0.9942912551653258, -1.0020554525928471, -0.6524719670371475, 0.4900811840699504,
        0.4906497267552723,  0.1334953310406206,  0.04327720499526855, -0.4336367258522724, 0.8218023505506658,
        0.8996083366578205,  -1.0665271556511566, -0.21246380143442423, 0.4272054079749612, -0.3687099696004612};
    const std::vector<double> lev = {
        0.5848842975423132,  0.23924116092040593, 0.37987570299410384, 0.08863700017273322, 0.12042134636493629,
        0.19927144908524996, 0.0574797065371265,  0.20471835005520234, 0.11362971310168052, 0.15407978659644767,
        0.08329665661434758, 0.14554065996809717, 0.05495874402650533, 0.3523118834312781,  0.35118515585536647,
        0.1326446978328552,  0.12743835981583218, 0.10934089078522102, 0.24041574923112718, 0.2606286890691721};
    for (int i = 0; i < 20; ++i) {
        ExpectRel(reg->GetAnalysisValue(Reg::kRowResidual, i), resid[i], 1e-11, "residual", i);
        ExpectRel(reg->GetAnalysisValue(Reg::kRowLeverage, i), lev[i], 1e-12, "leverage", i);
    }

    // Entering VAR2 gives the full model; its F-to-remove equals the former
    // F-to-enter.
    ASSERT_TRUE(reg->ToggleVariable(2));
    EXPECT_EQ(reg->GetResidualDf(), 15);
    const std::vector<int> idx2 = {0, 1, 3, 2, 5};
    const std::vector<double> coef2 = {1.9987977016256728, -0.940395024562196, 0.4229461719016021, 0.2701751300313859,
                                       2.132205373135305};
    const std::vector<double> se2 = {0.1340642677285872, 0.04975155999106242, 0.15694860252479745,
                                     0.05915997718865284, 1.5114170657517143};
    const std::vector<double> t22 = {222.28573956454514, 357.27879391134684, 7.2619840522065715, 20.85617885782323};
    for (int s = 0; s < 5; ++s) {
        ExpectRel(reg->GetCoef(idx2[s]), coef2[s], 1e-12, "coef2", idx2[s]);
        ExpectRel(reg->GetStdError(idx2[s]), se2[s], 1e-12, "se2", idx2[s]);
        if (s < 4) ExpectRel(reg->GetFValue(idx2[s]), t22[s], 1e-12, "F2", idx2[s]);
    }
    ExpectRel(reg->GetS2(), 0.2244919683466106, 1e-13, "s2", 0);
    ExpectRel(reg->GetR2(), 0.975400638977444, 1e-13, "r2", 0);
    ExpectRel(reg->GetAdjR2(), 0.968840809371429, 1e-13, "adj", 0);

    // And out again: the former model comes back.
    ASSERT_TRUE(reg->ToggleVariable(2));
    for (int s = 0; s < 4; ++s) ExpectRel(reg->GetCoef(idx[s]), coef[s], 1e-12, "coef back", idx[s]);
    ExpectRel(reg->GetFValue(2), 20.856178857823434, 1e-12, "F-to-enter back", 2);
    ExpectRel(reg->GetPress(), 17.311224471720227, 1e-12, "PRESS back", 0);
    EXPECT_FALSE(reg->IsAnalysisReady());
}

// --- edge cases ---------------------------------------------------------------

TEST(RegEdges, DependentOutOfRangeBecomesTheLastVariable) {
    auto reg = MakeModel({{1, 2, 3, 4, 5}, {2, 1, 4, 3, 6}, {1, 3, 2, 5, 4}});
    reg->SetDependent(5);
    EXPECT_EQ(reg->GetDependent(), 2);
    reg->SetDependent(-1);
    EXPECT_EQ(reg->GetDependent(), 2);
}

TEST(RegEdges, TogglingTheDependentOrTheConstantIsRefused) {
    auto reg = MakeModel(kRandom);
    ASSERT_TRUE(reg->SetModel(4, {2, 0, 0, 0, 1, 2}));
    const double coef0 = reg->GetCoef(0);
    EXPECT_FALSE(reg->ToggleVariable(4));
    EXPECT_FALSE(reg->ToggleVariable(5));
    EXPECT_FALSE(reg->ToggleVariable(-1));
    EXPECT_EQ(reg->GetCoef(0), coef0);
    EXPECT_EQ(reg->GetRole(5), 2);
    EXPECT_EQ(reg->GetRole(4), 1);
}

TEST(RegEdges, TooFewDegreesOfFreedomRefuseAddingButNotRemoving) {
    auto reg = MakeModel({{1, 2, 4, 7}, {3, 1, 2, 5}, {2, 2, 5, 1}, {1, 4, 2, 8}});
    ASSERT_TRUE(reg->SetModel(3, {2, 2, 0, 1, 2}));
    EXPECT_EQ(reg->GetResidualDf(), 1);
    EXPECT_FALSE(reg->ToggleVariable(2));
    EXPECT_EQ(reg->GetRole(2), 0);
    EXPECT_TRUE(reg->ToggleVariable(1));
    EXPECT_EQ(reg->GetResidualDf(), 2);
}

TEST(RegEdges, CopyShowsZeroAndConstantShowsMinusOne) {
    Columns cols = {kRandom[0], kRandom[0], std::vector<double>(20, 3.25), kRandom[4]};
    auto reg = MakeModel(cols);
    // Equal candidates: the lower index wins the tie.
    EXPECT_EQ(reg->SetDependent(3), 0);
    EXPECT_EQ(reg->GetFValue(0), reg->GetFValue(1));
    EXPECT_EQ(reg->GetFValue(2), -1.0);
    ASSERT_TRUE(reg->ToggleVariable(0));
    EXPECT_EQ(reg->GetFValue(1), 0.0);
    // After a toggle a constant variable is singular (tolerance 0 >= pivot
    // 0): its F-to-enter is 0.0, no longer -1.0.
    EXPECT_EQ(reg->GetFValue(2), 0.0);
}

TEST(RegEdges, NearlyCollinearVariableShowsZeroButCanStillEnter) {
    // x2 = x1 +- 1e-4: its residual sum of squares on x1 (about 1e-7) is far
    // below 1e-6 of its own (about 82.5), so it counts as singular; only an
    // exact zero pivot would refuse it.
    Columns cols(3);
    for (int i = 0; i < 10; ++i) {
        cols[0].push_back(i + 1.0);
        cols[1].push_back(i + 1.0 + (i % 2 ? 1e-4 : -1e-4));
    }
    cols[2] = {2.1, 3.9, 6.2, 8.1, 9.7, 12.4, 13.8, 16.1, 18.2, 19.9};
    auto reg = MakeModel(cols);
    reg->SetDependent(2);
    EXPECT_GT(reg->GetFValue(1), 0.0);
    ASSERT_TRUE(reg->ToggleVariable(0));
    EXPECT_EQ(reg->GetFValue(1), 0.0);
    EXPECT_TRUE(reg->ToggleVariable(1));
    EXPECT_EQ(reg->GetRole(1), 2);
    EXPECT_EQ(reg->GetResidualDf(), 7);
}

TEST(RegEdges, NewModelDefaultsAndGroupNames) {
    Reg reg(5, 3);
    EXPECT_EQ(reg.GetRole(0), 0);
    EXPECT_EQ(reg.GetRole(1), 0);
    EXPECT_EQ(reg.GetRole(2), 1);
    EXPECT_EQ(reg.GetRole(3), 2);
    EXPECT_EQ(reg.GetDependent(), 2);
    EXPECT_TRUE(reg.IsModified());
    EXPECT_FALSE(reg.IsTwoStage());
    EXPECT_FALSE(reg.IsRealCalc());
    EXPECT_FALSE(reg.IsAnalysisReady());
    EXPECT_FALSE(reg.IsInfluenceReady());
    EXPECT_TRUE(reg.GetFileName().empty());
    // A code without a name reads as the code; lookups do not modify.
    reg.SetModified(false);
    EXPECT_EQ(reg.GetGroupName(5), "5");
    EXPECT_EQ(reg.GetGroupCode("A"), -1);
    EXPECT_FALSE(reg.IsModified());
    reg.SetGroupName(5, "A");
    EXPECT_TRUE(reg.IsModified());
    EXPECT_EQ(reg.GetGroupName(5), "A");
    EXPECT_EQ(reg.GetGroupCode("A"), 5);
}

TEST(RegEdges, NoPositiveCandidateReturnsZero) {
    auto reg = MakeModel({std::vector<double>(6, 2.0), std::vector<double>(6, -1.5), {1, 4, 2, 8, 5, 7}});
    EXPECT_EQ(reg->SetDependent(2), 0);
    EXPECT_EQ(reg->GetFValue(0), -1.0);
    EXPECT_EQ(reg->GetFValue(1), -1.0);
}

TEST(RegEdges, RolesNamingTheDependentAsExplanatoryMakeItDependent) {
    auto reg = MakeModel(kRandom);
    ASSERT_TRUE(reg->SetModel(4, {2, 2, 0, 2, 2, 2}));
    EXPECT_EQ(reg->GetRole(4), 1);
    EXPECT_EQ(reg->CountExplanatory(), 3);
    ExpectRel(reg->GetCoef(0), 2.0333022371499796, 1e-12, "coef", 0);
}

TEST(RegEdges, AppendedVariableStaysOutOfTheModel) {
    auto reg = MakeModel({kRandom[0], kRandom[1], kRandom[4]});
    ASSERT_TRUE(reg->SetModel(2, {2, 0, 1, 2}));
    Var extra("NEW", "NEW", 20, 0.0);
    for (int i = 0; i < 20; ++i) extra.At(i) = kRandom[3][i];
    reg->AddVar(extra);
    reg->Reestimate(true);
    EXPECT_EQ(reg->GetVarCount(), 4);
    EXPECT_EQ(reg->GetRole(0), 2);
    EXPECT_EQ(reg->GetRole(1), 0);
    EXPECT_EQ(reg->GetRole(2), 1);
    EXPECT_EQ(reg->GetRole(3), 0);
    EXPECT_EQ(reg->GetRole(4), 2);
    EXPECT_EQ(reg->GetDependent(), 2);
}

TEST(RegEdges, TinyAndEmptyDataSetsDoNotFail) {
    // One and two observations: the quotients are left as they come, but
    // nothing throws and nothing is swept that would leave no residual.
    auto one = MakeModel({{2.0}, {5.0}});
    EXPECT_EQ(one->SetDependent(1), 0);
    EXPECT_EQ(one->GetCoef(2), 5.0);
    EXPECT_FALSE(one->ToggleVariable(0));
    auto two = MakeModel({{1.0, 2.0}, {3.0, 7.0}});
    EXPECT_FALSE(two->SetModel(1, {2, 1, 2}));
    EXPECT_EQ(two->GetRole(0), 0);
    EXPECT_EQ(two->GetCoef(2), 5.0);
    Reg empty(0, 3);
    EXPECT_EQ(empty.GetVarCount(), 0);
    EXPECT_EQ(empty.SetDependent(0), 0);
    EXPECT_FALSE(empty.SetModel(0, {2}));
    EXPECT_FALSE(empty.ToggleVariable(0));
    empty.Reestimate(false);
    EXPECT_TRUE(empty.IsModified());
}

// --- guarded behaviour ------------------------------------------------------------

TEST(RegGuards, ChoosingTheDependentClearsEveryFigureOfTheFormerModel) {
    auto reg = MakeModel(kRandom);
    ASSERT_TRUE(reg->SetModel(4, {2, 2, 2, 2, 1, 2}));
    reg->SetDependent(4);
    for (int m = 0; m < 4; ++m) {
        EXPECT_EQ(reg->GetCoef(m), 0.0) << m;
        EXPECT_EQ(reg->GetStdError(m), 0.0) << m;
    }
    ExpectRel(reg->GetCoef(5), 14.6033, 1e-14, "mean", 5);
    ExpectRel(reg->GetStdError(5), 0.6001949293003855, 1e-13, "se", 5);
    EXPECT_EQ(reg->GetR2(), 0.0);
    EXPECT_EQ(reg->GetAdjR2(), 0.0);
}

TEST(RegGuards, ZeroPivotStillFinishesTheVariablesEntered) {
    Columns cols = {kRandom[0], std::vector<double>(20, 3.25), kRandom[1], kRandom[4]};
    auto reg = MakeModel(cols);
    EXPECT_FALSE(reg->SetModel(3, {2, 2, 2, 1, 2}));
    EXPECT_EQ(reg->GetRole(0), 2);
    EXPECT_EQ(reg->GetRole(1), 0);
    EXPECT_EQ(reg->GetRole(2), 0);
    EXPECT_EQ(reg->GetResidualDf(), 18);
    // y on VAR0 alone (statsmodels): slope, intercept and R².
    ExpectRel(reg->GetCoef(0), 1.375369265541844, 1e-12, "slope", 0);
    ExpectRel(reg->GetCoef(4), 8.348877033411744, 1e-12, "intercept", 4);
    ExpectRel(reg->GetR2(), 0.21071593040648873, 1e-12, "r2", 0);
    EXPECT_GT(reg->GetStdError(0), 0.0);
}

TEST(RegGuards, SetModelKeepsOneResidualDegreeOfFreedom) {
    // n = 4 and three candidates: the third would leave no residual.
    auto reg = MakeModel({{1, 2, 4, 7}, {3, 1, 2, 5}, {2, 2, 5, 1}, {1, 4, 2, 8}});
    EXPECT_FALSE(reg->SetModel(3, {2, 2, 2, 1, 2}));
    EXPECT_EQ(reg->GetRole(0), 2);
    EXPECT_EQ(reg->GetRole(1), 2);
    EXPECT_EQ(reg->GetRole(2), 0);
    EXPECT_EQ(reg->GetResidualDf(), 1);
    EXPECT_TRUE(std::isfinite(reg->GetS2()));
}

TEST(RegGuards, EditsAwaitingReestimationAreNotReadWithTheFormerShape) {
    auto reg = MakeModel(kRandom);
    ASSERT_TRUE(reg->SetModel(4, {2, 2, 0, 2, 1, 2}));
    reg->ComputeAnalysisData();
    ASSERT_TRUE(reg->IsAnalysisReady());
    // One more observation: the design and the table still hold 20 rows.
    ASSERT_TRUE(reg->AppendObservation(std::vector<double>{4.5, 0.3, -2.0, 10.1, 15.0}));
    EXPECT_FALSE(reg->ToggleVariable(2));
    EXPECT_EQ(reg->GetRole(2), 0);
    reg->ComputeInfluence();
    EXPECT_FALSE(reg->IsInfluenceReady());
    // One more variable as well (the role array keeps its former size).
    Var extra("NEW", "NEW", 21, 1.0);
    reg->AddVar(extra);
    reg->ComputeInfluence();
    EXPECT_FALSE(reg->IsInfluenceReady());
    EXPECT_FALSE(reg->ToggleVariable(3));
    reg->Reestimate(true);
    EXPECT_EQ(reg->GetResidualDf(), 17);
    std::vector<double> row;
    reg->GetAnalysisRow(Reg::kRowResidual, row);
    EXPECT_EQ(row.size(), 21u);
    EXPECT_TRUE(reg->ToggleVariable(2));
    reg->ComputeInfluence();
    EXPECT_TRUE(reg->IsInfluenceReady());
}

TEST(RegGuards, SmallUnitsAreNotShownAsSingular) {
    // The random data divided by 1e6: every F value is the same as before.
    Columns cols = kRandom;
    for (auto& c : cols)
        for (auto& v : c) v *= 1e-6;
    auto reg = MakeModel(cols);
    EXPECT_EQ(reg->SetDependent(4), 1);
    const std::vector<double> enter = {4.805477385689755, 16.18859324066064, 2.158450531600482, 1.9160168006897609};
    for (int m = 0; m < 4; ++m) ExpectRel(reg->GetFValue(m), enter[m], 1e-9, "enter", m);
    ASSERT_TRUE(reg->SetModel(4, {2, 2, 0, 2, 1, 2}));
    ExpectRel(reg->GetFValue(2), 20.856178857823434, 1e-9, "F-to-enter", 2);
}

// --- building blocks --------------------------------------------------------------

TEST(DesignMoments, SmallTableByHand) {
    // Columns (1, 2, 3) and (2, 4, 9): means 2 and 5; deviations (-1, 0, 1)
    // and (-3, -1, 4): sums of squares 2 and 26, cross-product 7.
    const double rows[] = {1, 2, 99, 2, 4, 99, 3, 9, 99};
    LongMatrix m;
    BuildDesignMoments(rows, 3, 3, 2, m);
    ASSERT_EQ(m.Rows(), 3);
    EXPECT_EQ(m[0][0], 2.0L);
    EXPECT_EQ(m[1][1], 26.0L);
    EXPECT_EQ(m[0][1], 7.0L);
    EXPECT_EQ(m[1][0], 7.0L);
    EXPECT_EQ(m[2][0], 2.0L);
    EXPECT_EQ(m[2][1], 5.0L);
    EXPECT_EQ(m[0][2], -2.0L);
    EXPECT_EQ(m[1][2], -5.0L);
    EXPECT_EQ(m[2][2], 1.0L / 3);
}

TEST(DesignMoments, ConstantColumnGivesExactZeros) {
    const double rows[] = {0.1, 1, 0.1, 5, 0.1, 2, 0.1, 7};
    LongMatrix m;
    BuildDesignMoments(rows, 4, 2, 2, m);
    EXPECT_EQ(m[0][0], 0.0L);
    EXPECT_EQ(m[0][1], 0.0L);
    EXPECT_EQ(m[2][0], static_cast<long double>(0.1));
}

TEST(DesignMoments, LongleyCrossProductsInExtendedPrecisionWithEitherKernel) {
    // Centred cross-products of the Longley columns (50-digit arithmetic on
    // the stored doubles).
    std::vector<double> rows;
    for (int i = 0; i < 16; ++i)
        for (int j = 0; j < 7; ++j) rows.push_back(kLongley[j][i]);
    struct Expected {
        int a, b;
        long double value;
    };
    const Expected expected[] = {{0, 0, 1746.86437500000012128964499425L}, {1, 1, 148190304889.9375L},
                                 {0, 1, 15954061.7312500008040192511771L}, {5, 6, 243614.0L},
                                 {2, 3, -1730681.4375L},                   {6, 6, 185008826.0L}};
    for (MomentKernel kernel : {MomentKernel::Automatic, MomentKernel::Portable}) {
        LongMatrix m;
        BuildDesignMoments(rows.data(), 16, 7, 7, m, kernel);
        for (const auto& e : expected) {
            EXPECT_NEAR(static_cast<double>((m[e.a][e.b] - e.value) / e.value), 0.0, 1e-18) << e.a << "," << e.b;
            EXPECT_EQ(m[e.a][e.b], m[e.b][e.a]);
        }
        EXPECT_NEAR(static_cast<double>(m[7][0] - 101.68125000000000035527136788L), 0.0, 1e-16);
    }
}

TEST(DesignMoments, SeveralBlocksWithLargeOffset) {
    // n = 150 (blocks of observations with a partial last one): x = 1e6 + i,
    // y = 3 + 0.1 (i mod 7); exact rational sums of the stored doubles.
    std::vector<double> rows;
    for (int i = 0; i < 150; ++i) {
        rows.push_back(1e6 + i);
        rows.push_back((i % 7) * 0.1 + 3);
    }
    for (MomentKernel kernel : {MomentKernel::Automatic, MomentKernel::Portable}) {
        LongMatrix m;
        BuildDesignMoments(rows.data(), 150, 2, 2, m, kernel);
        EXPECT_EQ(m[0][0], 281237.5L);
        EXPECT_NEAR(static_cast<double>(m[0][1] / 14.90000000000001323385845353L - 1), 0.0, 1e-17);
        EXPECT_NEAR(static_cast<double>(m[1][1] / 6.017599999999999199928879534L - 1), 0.0, 1e-17);
        EXPECT_NEAR(static_cast<double>(m[2][1] / 3.296000000000000014210854715L - 1), 0.0, 1e-18);
        EXPECT_EQ(m[2][0], 1000074.5L);
    }
}

TEST(DesignMoments, FromColumnsFillsTheDesignAndMatchesTheRowForm) {
    // Same offset data, given as two columns: the design gets the values and
    // the constant, and the sums equal the exact rational ones above.
    std::vector<double> x, y;
    for (int i = 0; i < 150; ++i) {
        x.push_back(1e6 + i);
        y.push_back((i % 7) * 0.1 + 3);
    }
    const double* columns[] = {x.data(), y.data()};
    std::vector<double> design(150 * 3, -1.0);
    LongMatrix m;
    BuildDesignFromColumns(columns, 150, 2, design.data(), 3, m);
    for (int i = 0; i < 150; ++i) {
        EXPECT_EQ(design[i * 3], x[i]);
        EXPECT_EQ(design[i * 3 + 1], y[i]);
        EXPECT_EQ(design[i * 3 + 2], 1.0);
    }
    EXPECT_EQ(m[0][0], 281237.5L);
    EXPECT_NEAR(static_cast<double>(m[0][1] / 14.90000000000001323385845353L - 1), 0.0, 1e-17);
    EXPECT_NEAR(static_cast<double>(m[1][1] / 6.017599999999999199928879534L - 1), 0.0, 1e-17);
    EXPECT_EQ(m[2][0], 1000074.5L);
    EXPECT_EQ(m[2][2], 1.0L / 150);
    // No variables: the design is the constant column alone.
    std::vector<double> constant(4, 0.0);
    BuildDesignFromColumns(nullptr, 4, 0, constant.data(), 1, m);
    EXPECT_EQ(constant, std::vector<double>(4, 1.0));
}

TEST(AnalysisTable, ShapeRowCodesAndChecks) {
    EngineContext context;
    RAData t(context, 5, 3);
    EXPECT_EQ(t.Rows(), 2 * 4 + 19);
    EXPECT_EQ(t.Columns(), 5);
    EXPECT_EQ(t.Base(), 23);
    EXPECT_EQ(t.GetValue(7, 4), 0.0);
    t.SetValue(-100, 2, 1.5);  // DFBETA row of variable 0
    EXPECT_EQ(t.GetValue(23, 2), 1.5);
    t.SetValue(-97, 0, 2.5);  // the constant term (k = 3)
    EXPECT_EQ(t.GetValue(26, 0), 2.5);
    EXPECT_THROW(t.GetValue(27, 0), ERangeError);
    EXPECT_THROW(t.GetValue(0, 5), ERangeError);
    EXPECT_THROW(t.SetValue(-124, 0, 1.0), ERangeError);
    std::vector<double> row;
    t.GetRow(-100, row);
    EXPECT_EQ(row, (std::vector<double>{0, 0, 1.5, 0, 0}));
}

}  // namespace
