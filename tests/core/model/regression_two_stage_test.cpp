// Two-stage least squares of the model, against an instrumental-variables
// fit computed by hand with numpy: every exogenous (2) and lagged (3)
// variable with the constant instruments every endogenous (1) explanatory
// variable; a variable of type 0 is neither instrument nor endogenous.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "core/model/regression_model.h"
#include "resources/string_table.h"
#include "support/model_builder.h"
#include "support/sample_columns.h"
#include "support/scripted_services.h"

namespace {

const Columns& kIv = IvColumns();
const std::vector<int>& kIvTypes = IvTypes();
// Model: y on y2, x1, w and the constant (indices 1, 2, 5, 6).
const std::vector<std::uint8_t> kIvRoles = {1, 2, 2, 0, 0, 2, 2};
const std::vector<int> kIvIndex = {1, 2, 5, 6};

const std::vector<double> kIvResid = {
    -0.8446110570910736, -0.33791068637874533, 0.4032475790342325, 2.401758963251634,  -1.8120965938050606,
    0.012618479877197775, 0.04155809768890695, 0.03150879158707909, 0.9149803419878653, -0.1941887237959019,
    1.1901756507738073,  0.7467465620509977,  0.1220776777876047,  -1.2699532161902054, -0.34238791011028624,
    -1.034003149661113,  -0.6949804935418396, 0.11076914922935877, 0.3119147399437443,  0.3513146173820463,
    -0.2442276862549908, 0.6860599486835834,  -0.344667585277854,  -0.35767486902682605, 0.1519713718559954};

TEST(RegTwoStage, CoefficientsStandardErrorsAndFValues) {
    auto reg = MakeModel(kIv, kIvTypes);
    reg->SetTwoStage(true);
    ASSERT_TRUE(reg->SetModel(0, kIvRoles));
    const std::vector<double> coef = {1.5348687217503554, -0.6023153028063977, 1.8604960965539874, -1.2087399758868287};
    const std::vector<double> se = {0.08891820781399297, 0.13494005203560472, 0.48042789221590354, 1.1168765952350763};
    const std::vector<double> t2 = {297.96213016280586, 19.923518984046797, 14.996886330727971};
    for (int s = 0; s < 4; ++s) {
        ExpectRel(reg->GetCoef(kIvIndex[s]), coef[s], 1e-12, "coef", kIvIndex[s]);
        ExpectRel(reg->GetStdError(kIvIndex[s]), se[s], 1e-12, "se", kIvIndex[s]);
        if (s < 3) ExpectRel(reg->GetFValue(kIvIndex[s]), t2[s], 1e-12, "F-to-remove", kIvIndex[s]);
    }
    // F-to-enter of the excluded instruments: the fall of the second-stage
    // residual sum of squares over the structural residual variance.
    ExpectRel(reg->GetFValue(3), 0.524934109620962, 1e-10, "F-to-enter", 3);
    ExpectRel(reg->GetFValue(4), 0.5249341096209447, 1e-10, "F-to-enter", 4);
    ExpectRel(reg->GetS2(), 0.8202109768487631, 1e-13, "s2", 0);
    ExpectRel(reg->GetSse(), 17.224430513824025, 1e-13, "sse", 0);
    ExpectRel(reg->GetR2(), 0.9471698296218527, 1e-13, "r2", 0);
    ExpectRel(reg->GetAdjR2(), 0.9396226624249745, 1e-13, "adj", 0);
    EXPECT_EQ(reg->GetResidualDf(), 21);
    // The design holds the first-stage fit for y2 only (on x1, x2, x3 and
    // the constant: numpy lstsq); w keeps its values.
    const double firstStage[] = {2.1069405204129747, -0.3800059525880368, 1.5621308362837618};
    for (int i = 0; i < 3; ++i) ExpectRel(reg->GetDesignValue(i, 1), firstStage[i], 1e-13, "first stage", i);
    EXPECT_EQ(reg->GetDesignValue(0, 5), kIv[5][0]);
    EXPECT_EQ(reg->GetDesignValue(0, 0), kIv[0][0]);
}

TEST(RegTwoStage, ResidualsFromObservedValuesAndSecondStageLeverages) {
    auto reg = MakeModel(kIv, kIvTypes);
    reg->SetTwoStage(true);
    ASSERT_TRUE(reg->SetModel(0, kIvRoles));
    const std::vector<double> lev = {
        0.10754214430728615, 0.17624387418560028, 0.05098266798272144, 0.07043606054446316, 0.22791722251724256,
        0.21013047777231186, 0.05369188228790556, 0.33440923013834256, 0.09582232120476508, 0.1234361307674392,
        0.13851051486857546, 0.0943082442632952,  0.09616275528646079, 0.1319903193283154,  0.11182585322053473,
        0.14631060500865178, 0.1099915515900518,  0.1349163467714003,  0.2284367743448379,  0.20566908453443355,
        0.2940550476917385,  0.22675888367552144, 0.09881235858968695, 0.2034957345373951,  0.32814391458102143};
    for (int i = 0; i < 25; ++i) {
        ExpectRel(reg->GetAnalysisValue(Reg::kRowResidual, i), kIvResid[i], 1e-10, "residual", i);
        ExpectRel(reg->GetAnalysisValue(Reg::kRowLeverage, i), lev[i], 1e-12, "leverage", i);
    }
    ExpectRel(reg->GetPress(), 23.160358647321562, 1e-12, "PRESS", 0);
}

TEST(RegTwoStage, LeveragesFromObservedValues) {
    auto reg = MakeModel(kIv, kIvTypes);
    reg->SetTwoStage(true);
    reg->SetRealCalc(true);
    ASSERT_TRUE(reg->SetModel(0, kIvRoles));
    const std::vector<double> h = {
        0.10804474750867543, 0.2986946274655957,  0.04489164953846525, 0.0795496868084542,  0.22599737251469354,
        0.264984921864035,   0.05409484208084692, 0.32273289658184323, 0.12407219054875074, 0.14451500264068562,
        0.11942453614076198, 0.1135969471249565,  0.06504378238242636, 0.13329608306024943, 0.10862524536312712,
        0.14131747980317733, 0.10928291973385229, 0.166275872126191,   0.25002543756992845, 0.18973451208449288,
        0.30600294917811866, 0.2133131380756912,  0.09734754078810459, 0.25713322094357993, 0.27936672189028755};
    const std::vector<double> b = {
        0.10734196696504217, 0.2259346355456704,  0.04477593268843183, 0.06370028610998668, 0.2269331960716796,
        0.23496323003944086, 0.050473041304428534, 0.3219890559260836, 0.108471719024547,   0.13332955000236368,
        0.11568893574227168, 0.10145405864602797, 0.07488444158435814, 0.13257916386643376, 0.11009902753109113,
        0.14355435444452702, 0.10933248653771988, 0.14940613685605308, 0.23728527204616068, 0.19736846775661365,
        0.2998785074534078,  0.21977731208003037, 0.09803000604531453, 0.22038906886991727, 0.29545303251901167};
    for (int i = 0; i < 25; ++i) {
        ExpectRel(reg->GetAnalysisValue(Reg::kRowLeverage, i), h[i], 1e-12, "h", i);
        ExpectRel(reg->GetAnalysisValue(Reg::kRowTwoStageB, i), b[i], 1e-12, "b", i);
        ExpectRel(reg->GetAnalysisValue(Reg::kRowPress, i), kIvResid[i] / (1 - b[i]), 1e-10, "press", i);
    }
    ExpectRel(reg->GetAnalysisValue(Reg::kRowTwoStageA, 3), 0.07043606054446316, 1e-12, "a", 3);
    ExpectRel(reg->GetPress(), 22.997564480108736, 1e-12, "PRESS", 0);
}

TEST(RegTwoStage, OrderConditionCounts) {
    auto reg = MakeModel(kIv, kIvTypes);
    reg->SetTwoStage(true);
    ASSERT_TRUE(reg->SetModel(0, kIvRoles));
    int others = -1, K = -1, g = -1, kIn = -1;
    EXPECT_FALSE(reg->IsUnderidentified(others, &K, &g, &kIn));
    EXPECT_EQ(others, 1);  // y2
    EXPECT_EQ(K, 4);       // x1, x2, x3 and the constant
    EXPECT_EQ(g, 2);       // y and y2
    EXPECT_EQ(kIn, 2);     // x1 and the constant
    EXPECT_EQ(reg->CountExogenous(), 4);
    EXPECT_TRUE(reg->IsExogenous(6));
    EXPECT_FALSE(reg->IsExogenous(5));
}

TEST(RegTwoStage, OrderConditionWithTheConstantAsOnlyInstrument) {
    // Every variable endogenous but w (type 0): K counts the constant alone.
    auto reg = MakeModel(kIv, {1, 1, 1, 1, 1, 0});
    ASSERT_TRUE(reg->SetModel(0, kIvRoles));
    int others = -1, K = -1, g = -1, kIn = -1;
    EXPECT_TRUE(reg->IsUnderidentified(others, &K, &g, &kIn));
    EXPECT_EQ(others, 4);  // y2, x1, x2, x3
    EXPECT_EQ(K, 1);
    EXPECT_EQ(g, 3);  // y, y2, x1
    EXPECT_EQ(kIn, 1);
    // Only the first out argument is required.
    int only = -1;
    EXPECT_TRUE(reg->IsUnderidentified(only));
    EXPECT_EQ(only, 4);
}

TEST(RegTwoStage, UnderidentifiedToggleWarnsAndFallsBackToOrdinaryFit) {
    ScriptedServices services;
    EngineContext context;
    context.SetServices(&services);
    services.QueueOK();
    auto reg = MakeModel(kIv, kIvTypes, {}, &context);
    reg->SetTwoStage(true);
    ASSERT_TRUE(reg->SetModel(0, kIvRoles));
    // x2 in: still identified (one excluded instrument for one endogenous).
    ASSERT_TRUE(reg->ToggleVariable(3));
    const std::vector<int> idx = {1, 2, 3, 5, 6};
    const std::vector<double> coef = {1.3458675265857716, -0.4584327058288675, 0.28771417214379125,
                                      1.9361382728034329, -1.188061734014866};
    const std::vector<double> se = {0.30438396956785707, 0.26581961051365055, 0.4380538267603498, 0.5482944443730929,
                                    1.2466114662817673};
    for (int s = 0; s < 5; ++s) {
        ExpectRel(reg->GetCoef(idx[s]), coef[s], 1e-11, "coef", idx[s]);
        ExpectRel(reg->GetStdError(idx[s]), se[s], 1e-11, "se", idx[s]);
    }
    EXPECT_TRUE(services.CallsOf(ServiceCall::MessageBox).empty());
    // x3 in as well: nothing is excluded any more.
    EXPECT_FALSE(reg->ToggleVariable(4));
    const auto boxes = services.CallsOf(ServiceCall::MessageBox);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, "識別不能状態です。");
    EXPECT_EQ(boxes[0].text, LoadStr(kStrUnderidentified));
    EXPECT_FALSE(reg->IsTwoStage());
    EXPECT_EQ(reg->GetRole(4), 2);
    // Ordinary fit of y on y2, x1, x2, x3, w and the constant.
    const std::vector<int> idxOls = {1, 2, 3, 4, 5, 6};
    const std::vector<double> ols = {2.1413677937928663, -1.2319101397263488, -0.8397474905034773,
                                     0.5214447658409596, 0.26079715737226605, 1.2875082992249756};
    for (int s = 0; s < 6; ++s) ExpectRel(reg->GetCoef(idxOls[s]), ols[s], 1e-11, "ols", idxOls[s]);
}

TEST(RegTwoStage, FitWorseThanTheMeanShowsZeroRSquared) {
    // y on y2 instrumented by a weak z: the structural SSE (35.58) exceeds
    // Syy (20.22).
    const Columns cols = {{-2.78, -1.44, -0.1, -1.63, -0.68, 2.28, 1.12, 1.17},
                          {-1.45, -0.67, 0.19, -0.86, -0.1, 1.1, 0.6, 0.55},
                          {-0.59, 0.63, 1.04, 1.03, 1.82, -0.39, 0.54, -0.37}};
    auto reg = MakeModel(cols, {1, 1, 2});
    reg->SetTwoStage(true);
    ASSERT_TRUE(reg->SetModel(0, {1, 2, 0, 2}));
    ExpectRel(reg->GetCoef(1), 4.56962096, 1e-8, "coef", 1);
    ExpectRel(reg->GetSse(), 35.5825666002941, 1e-12, "sse", 0);
    EXPECT_EQ(reg->GetR2(), 0.0);
    EXPECT_EQ(reg->GetAdjR2(), 0.0);
}

}  // namespace

TEST(RegTwoStage, SwitchingLeverageFormAfterTheFitRecomputesTheRows) {
    // The same figures as LeveragesFromObservedValues, with the switch
    // flipped only after the model was fitted.
    auto reg = MakeModel(kIv, kIvTypes);
    reg->SetTwoStage(true);
    ASSERT_TRUE(reg->SetModel(0, kIvRoles));
    reg->ComputeInfluence();
    ASSERT_TRUE(reg->IsInfluenceReady());
    reg->SetRealCalc(true);
    EXPECT_FALSE(reg->IsAnalysisReady());
    EXPECT_FALSE(reg->IsInfluenceReady());
    ExpectRel(reg->GetAnalysisValue(Reg::kRowLeverage, 0), 0.10804474750867543, 1e-12, "h", 0);
    ExpectRel(reg->GetAnalysisValue(Reg::kRowTwoStageB, 1), 0.2259346355456704, 1e-12, "b", 1);
    ExpectRel(reg->GetAnalysisValue(Reg::kRowTwoStageA, 3), 0.07043606054446316, 1e-12, "a", 3);
    ExpectRel(reg->GetPress(), 22.997564480108736, 1e-12, "PRESS", 0);
    reg->SetRealCalc(false);
    ExpectRel(reg->GetAnalysisValue(Reg::kRowLeverage, 0), 0.10754214430728615, 1e-12, "leverage", 0);
    ExpectRel(reg->GetPress(), 23.160358647321562, 1e-12, "PRESS", 0);
}

TEST(RegTwoStage, OrdinaryFitAfterwardsLeavesNoTwoStageLeverages) {
    // The second-stage rows of a former fit must not outlive it: an
    // ordinary least-squares fit of the same data reads them as zeros.
    auto reg = MakeModel(kIv, kIvTypes);
    reg->SetTwoStage(true);
    reg->SetRealCalc(true);
    ASSERT_TRUE(reg->SetModel(0, kIvRoles));
    ASSERT_NE(reg->GetAnalysisValue(Reg::kRowTwoStageA, 3), 0.0);
    ASSERT_NE(reg->GetAnalysisValue(Reg::kRowTwoStageB, 1), 0.0);
    reg->SetTwoStage(false);
    ASSERT_TRUE(reg->SetModel(0, kIvRoles));
    for (int i = 0; i < 25; ++i) {
        EXPECT_EQ(reg->GetAnalysisValue(Reg::kRowTwoStageA, i), 0.0) << "a " << i;
        EXPECT_EQ(reg->GetAnalysisValue(Reg::kRowTwoStageB, i), 0.0) << "b " << i;
    }
}
