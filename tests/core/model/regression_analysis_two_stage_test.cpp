// Per-observation analysis of a two-stage fit with the leverages from the
// observed explanatory values. Expected values come from refits without each
// observation in numpy: the second-stage design Z is kept, the observation is
// deleted from the instrumental-variable form b(i) = (Z'X)^-1 Z'y, the
// structural residuals use the observed X, and the covariance of b(i) is the
// sandwich s2(i) A^-1 B A^-T with A = Z'X and B = Z'Z without it.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <memory>
#include <vector>

#include "core/model/regression_model.h"
#include "support/model_builder.h"
#include "support/scripted_services.h"

namespace {

// Variables: 0 y (endogenous, dependent), 1 y2 (endogenous), 2 x1, 3 x2
// (exogenous), 4 x3 (lagged). Model: y on y2, x1 and the constant.
const Columns kData = {
    {0.011, 1.348, 2.992, 1.87, 0.669, 2.598, 2.154, 2.283, 2.871, 0.632, 0.411, 2.529, 1.226, -1.148, 3.484},
    {0.988, 3.777, 3.501, 0.928, 1.15, 0.814, 1.793, 1.536, 2.81, -1.433, 2.914, 1.703, 1.337, 0.674, 2.414},
    {2.051, 4.04, 3.837, 1.235, 1.553, 1.209, 2.855, 1.916, 3.12, -0.771, 4.35, 1.855, 3.021, 1.795, 1.431},
    {0.463, 0.825, -0.203, -0.153, 0.686, -0.87, -1.514, 0.395, -0.671, -1.92, -0.814, -0.468, -1.193, -1.492, 0.037},
    {1.897, 0.767, 0.256, 1.385, 1.717, 0.7, 1.545, 2.043, 0.793, 0.186, 1.348, 1.248, 2.099, -0.285, 0.338}};
const std::vector<int> kTypes = {1, 1, 2, 2, 3};
const std::vector<std::uint8_t> kRoles = {1, 2, 2, 0, 0, 2};
const std::vector<int> kCoefIndex = {1, 2, 5};

const std::vector<double> kS2i = {1.3071012231800636, 1.2370658066062337, 1.6052581472027716, 1.5237344242543485,
                                  1.3358320246466915, 1.4043958242968964, 1.261495908451406,  1.4919578232685453,
                                  1.4139343535675573, 1.5664626552226535, 1.5808469257744884, 1.4466328019295223,
                                  1.506466020081843,  0.9065405383828277, 1.6893815897822189};
const std::vector<double> kSig = {1.178362449975557,  0.8791492054641933, 1.1066360574141085, 1.1670120373603994,
                                  1.0954925626950722, 1.1192147497027036, 0.9755862979492095, 1.1804923896460602,
                                  1.161871391166703,  0.9370349486546129, 1.0600377279645061, 1.1971459528722552,
                                  0.9870811097032196, 0.9889462889055226, 1.2973060738489088};
const std::vector<double> kRint = {-1.087059302093217,  -0.7063311708575956, 1.0145043600104882, 0.2646278696210227,
                                   -0.8085386257711532, 0.9573363466938002,  0.6801106152549696, 0.5625797102020608,
                                   0.8829614463184076,  -0.5400298795350187, -1.0904680306588423, 0.6711172335915239,
                                   0.043010268549407274, -1.968986343585673, 1.0757179408882136};
const std::vector<double> kRext = {-1.1246609370399026, -0.7511643284004036, 0.9471188086881357, 0.2535735354029186,
                                   -0.8274615672380315, 0.9555265702558106,  0.7162417211988308, 0.5447895604637739,
                                   0.8783146011913746,  -0.5103648451447167, -1.025866890162113, 0.6599973957038795,
                                   0.04144913474111036, -2.4460879831133577, 0.9789432544627114};
const std::vector<double> kCovratio = {0.8314073437111494, 0.9577847549544374, 1.979853817080887,  1.453048415305687,
                                       0.9286786974580028, 1.1346346375024785, 0.7856975505210293, 1.3084556173376387,
                                       1.1377683757824788, 2.7683279222342634, 2.2136519123312524, 1.1672851359951026,
                                       2.158352427096287,  0.2834505442679335, 3.7396542703111697};
const std::vector<double> kDffits = {-0.3290381543200423, -0.5590769878067046, 0.5280110840170386, 0.08849782118919769,
                                     -0.30653313313036296, 0.3344677078659862, 0.420721876120296,  0.1511766091994554,
                                     0.29799425315904016, -0.4904040730823146, -0.7021476934573537, 0.191037940422379,
                                     0.03268306302569893, -0.7463840641664452, 0.7671252598506009};
const std::vector<double> kCook = {0.03371588140006874,   0.09212315681589045, 0.10662615217146153, 0.0028431987000596824,
                                   0.02990470171496194,   0.03743093649318981, 0.05319965437006492, 0.008123786887358722,
                                   0.029914228005894227,  0.08975547682336778, 0.1856861628170541,  0.012578542997239692,
                                   0.00038338720834398606, 0.12032191123160114, 0.23686074966873027};
const std::vector<double> kWelsch = {1.1944995599065862, 2.6464850678619567, 2.261906673327809,  0.35024819054941875,
                                     1.210062866970426,  1.3251027387969883, 1.812326093507621,  0.5852800210215687,
                                     1.1411125233140254, 2.450881536794117,  3.116133665380099,  0.7181508811855598,
                                     0.15205951420694344, 2.68873057529296,  2.87575397243709};
const std::vector<double> kR2i = {0.30255774644687905, 0.4144533861069546, 0.16766737471441617, 0.2782883285118475,
                                  0.34358642714325505, 0.3049967881783764, 0.3959008744798884,  0.28013997757101805,
                                  0.2786494994085731,  0.22767245288027682, 0.20240034919218064, 0.2886757249185553,
                                  0.28445490793559847, 0.3457352978650996, 0.04618610764103803};
// The last observation's adjusted R^2 without it is negative: shown as 0.
const std::vector<double> kAdjR2i = {0.17575006398267523, 0.30799036539912816, 0.016334170117037194, 0.14706802460491064,
                                     0.22423850480566498, 0.17863256784717207, 0.2860646698398681,   0.1492563371293849,
                                     0.14749486293740455, 0.08724926249487253, 0.05738223086348615,  0.1593440385401108,
                                     0.15435580028752538, 0.22677807929511762, 0.0};
const std::vector<std::vector<double>> kTDeleted = {
    {0.8291480876777767, 1.0744520201797505, 0.3551213223934308, 0.6565085788537637, 0.8963806889088288,
     0.7028879456550549, 1.1004393695947918, 0.6643169567672051, 0.7066081354909722, 0.5151522214941443,
     0.3357060364573048, 0.7211427238424774, 0.557908686744001, 1.0057785157919616, 0.032651350827559676},
    {-0.6448760217895272, -0.7827862070807188, -0.34635667750540605, -0.45740604021236997, -0.7340924171814686,
     -0.4387502667129767, -0.9033589807928024, -0.4728016878834006, -0.5929291869587527, -0.5503066351388597,
     -0.0049198506240563395, -0.5122943517349539, -0.4128303120039155, -0.8618449574512216, 0.12474009489266365},
    {2.6995336935343563, 2.4965946703784594, 2.3058971927221403, 2.105620554605829, 2.6252696239704956,
     2.0001385382721635, 2.6217630350159897, 2.1735729115808917, 2.4168345881421818, 2.126877244491472,
     1.737841820800222, 2.1706614140209437, 2.259470163216246, 3.54192764920773, 1.2895225373638863}};
const std::vector<std::vector<double>> kDfbeta = {
    {-0.05783636835330919, -0.25067077355762146, 0.20383121573226837, 0.0064832274127818446, -0.11500183877977621,
     -0.005320733597229621, -0.23140445657062392, 0.006321425727901009, -0.008106971185046885, 0.08086887690624661,
     0.2128180782303718, -0.02006474599854191, -0.01989221382722972, -0.06724992340698932, 0.4397883743766671},
    {0.060428117966546235, 0.14492878107100687, -0.08791909231530756, -0.019025686586345625, 0.1273243848022272,
     -0.04502517509469811, 0.22256293332062438, -0.014365459248046497, 0.04746292357187398, 0.04021196842964264,
     -0.3224423313618845, 0.004528041185984599, 0.019401975778140124, 0.10384645074038867, -0.44985371093405946},
    {-0.1315821826045498, 0.026205010571720422, -0.050515076451984386, 0.05387680299401798, -0.1601246042068032,
     0.18938567131751594, -0.05518332777661317, 0.067790269952688, -0.017297213319268145, -0.2847299128175651,
     0.2593195605943617, 0.07945708809788399, -0.00582438344315106, -0.2915421193292842, 0.4145198577356757}};

std::unique_ptr<Reg> TwoStageModel(EngineContext* context = nullptr) {
    auto reg = MakeModel(kData, kTypes, {}, context);
    reg->SetTwoStage(true);
    reg->SetRealCalc(true);
    EXPECT_TRUE(reg->SetModel(0, kRoles));
    return reg;
}

TEST(RegAnalysisTwoStage, RowsMatchLeaveOneOutRefits) {
    ScriptedServices ui;
    EngineContext context;
    context.SetServices(&ui);
    auto reg = TwoStageModel(&context);
    reg->ComputeInfluence();
    const struct {
        int code;
        const std::vector<double>* expected;
        const char* what;
    } rows[] = {{Reg::kRowS2Deleted, &kS2i, "s2(i)"},     {Reg::kRowSigRes, &kSig, "SIG(RES)"},
                {Reg::kRowStudentInternal, &kRint, "r(i)"}, {Reg::kRowStudentExternal, &kRext, "t(i)"},
                {Reg::kRowCovratio, &kCovratio, "COVRATIO"}, {Reg::kRowDffits, &kDffits, "DFFITS"},
                {Reg::kRowCooksD, &kCook, "Cook's D"},       {Reg::kRowWelsch, &kWelsch, "W(i)"},
                {Reg::kRowR2Deleted, &kR2i, "R2(i)"},        {Reg::kRowAdjR2Deleted, &kAdjR2i, "adj R2(i)"}};
    for (const auto& r : rows) ExpectAnalysisRow(*reg, r.code, *r.expected, 1e-9, 1e-12, r.what);
    for (size_t s = 0; s < kCoefIndex.size(); ++s) {
        ExpectAnalysisRow(*reg, Reg::kRowDeletedTValue + kCoefIndex[s], kTDeleted[s], 1e-9, 1e-12, "t without i");
        ExpectAnalysisRow(*reg, Reg::kRowDfbeta + kCoefIndex[s], kDfbeta[s], 1e-9, 1e-12, "DFBETA");
    }
    // The progress window of the two-stage branch: one step per observation.
    const auto begins = ui.CallsOf(ServiceCall::ProgressBegin);
    ASSERT_EQ(begins.size(), 1u);
    EXPECT_EQ(begins[0].text, "分析データ計算中・・・");
    EXPECT_EQ(begins[0].value, 15);
    EXPECT_EQ(ui.CallsOf(ServiceCall::ProgressStep).size(), 15u);
    EXPECT_EQ(ui.CallsOf(ServiceCall::ProgressEnd).size(), 1u);
}

TEST(RegAnalysisTwoStage, DummyOfOneObservationHasLeverageOne) {
    // d = 1 at observation 6 alone, exogenous, in the model: its cross
    // leverage is 1, s2(i) is SSE / (n - 5) of the exact fit (SSE
    // 13.850961210196582), and what divides by 1 - b is no number. Row 0
    // against the exact refit without it (second-stage design kept).
    ScriptedServices ui;
    EngineContext context;
    context.SetServices(&ui);
    Columns cols = kData;
    cols.push_back(std::vector<double>(15, 0.0));
    cols.back()[6] = 1.0;
    auto reg = MakeModel(cols, {1, 1, 2, 2, 3, 2}, {}, &context);
    reg->SetTwoStage(true);
    reg->SetRealCalc(true);
    ASSERT_TRUE(reg->SetModel(0, {1, 2, 2, 0, 0, 2, 2}));
    reg->ComputeInfluence();
    for (int code : {Reg::kRowLeverage, Reg::kRowTwoStageA, Reg::kRowTwoStageB})
        EXPECT_EQ(reg->GetAnalysisValue(code, 6), 1.0) << "leverage row " << code;
    ExpectRel(reg->GetAnalysisValue(Reg::kRowS2Deleted, 6), 1.3850961210196582, 1e-12, "s2(i)", 6);
    for (int code : {Reg::kRowPress, Reg::kRowStudentInternal, Reg::kRowCovratio, Reg::kRowDffits, Reg::kRowR2Deleted,
                     Reg::kRowDfbeta + 1, Reg::kRowDeletedTValue + 6})
        EXPECT_TRUE(std::isnan(reg->GetAnalysisValue(code, 6))) << "row " << code;
    ExpectRel(reg->GetAnalysisValue(Reg::kRowS2Deleted, 0), 1.214735331591577, 1e-9, "s2(i)", 0);
}

TEST(RegAnalysisTwoStage, OrdinaryFormulasWithoutRealCalc) {
    // realCalc off: the ordinary branch, and no progress window.
    ScriptedServices ui;
    EngineContext context;
    context.SetServices(&ui);
    auto reg = TwoStageModel(&context);
    reg->SetRealCalc(false);
    reg->Reestimate(false);
    reg->ComputeInfluence();
    EXPECT_TRUE(ui.CallsOf(ServiceCall::ProgressBegin).empty());
    // (SSE - e^2 / (1 - h)) / (df - 1) with h from the second-stage design
    // and e the structural residuals.
    const std::vector<double> s2i = {1.353998790930558,  1.4612651036161843, 1.3953746422979896, 1.517355671162212,
                                     1.4408862609279944, 1.4095768153733905, 1.4629553091721499, 1.48580801718308,
                                     1.421253703159666,  1.4881262577732897, 1.3726035462373354, 1.4649831637848956,
                                     1.5260443279771259, 0.9502370379124888, 1.3371081403290772};
    ExpectAnalysisRow(*reg, Reg::kRowS2Deleted, s2i, 1e-9, 1e-12, "s2(i)");
}

TEST(RegAnalysisTwoStage, NegativeDeletedRSquaredIsKeptAndItsAdjustedFormFloored) {
    // y on y2 instrumented by a weak z: the structural fit is worse than the
    // mean, so several R^2(i) are negative (numpy, the deletion formulas).
    ScriptedServices ui;
    EngineContext context;
    context.SetServices(&ui);
    auto model = MakeModel({{-2.78, -1.44, -0.1, -1.63, -0.68, 2.28, 1.12, 1.17},
                            {-1.45, -0.67, 0.19, -0.86, -0.1, 1.1, 0.6, 0.55},
                            {-0.59, 0.63, 1.04, 1.03, 1.82, -0.39, 0.54, -0.37}},
                           {1, 1, 2}, {}, &context);
    Reg& reg = *model;
    reg.SetTwoStage(true);
    reg.SetRealCalc(true);
    ASSERT_TRUE(reg.SetModel(0, {1, 2, 0, 2}));
    reg.ComputeInfluence();
    const std::vector<double> s2i = {0.16282041326401711, 11.544609903503689, 2.2058870296533888, 457.08300954721165,
                                     2.0249442566166365,  1.2134927921655532, 5.0746101623810578, 39.466143218680159};
    const std::vector<double> r2i = {0.9371376107318105, -2.0993097153411653, 0.45383153834928125, -125.47785267948694,
                                     0.4942328542424075, 0.5283303564399504,  -0.4053999648936524, -10.027952499236008};
    const std::vector<double> adj = {0.9245651328781725, 0.0, 0.34459784601913757, 0.0,
                                     0.393079425090889,  0.43399642772794056, 0.0, 0.0};
    ExpectAnalysisRow(reg, Reg::kRowS2Deleted, s2i, 1e-9, 1e-12, "s2(i)");
    ExpectAnalysisRow(reg, Reg::kRowR2Deleted, r2i, 1e-9, 1e-12, "R2(i)");
    ExpectAnalysisRow(reg, Reg::kRowAdjR2Deleted, adj, 1e-9, 1e-12, "adj R2(i)");
}

TEST(RegAnalysisTwoStage, FileTableGivesTheSameRowsBitForBit) {
    ScriptedServices ui;
    EngineContext context;
    context.SetServices(&ui);
    auto memory = TwoStageModel(&context);
    memory->ComputeInfluence();
    EngineContext forced;
    forced.SetServices(&ui);
    forced.SetFileTablesForced(true);
    auto file = TwoStageModel(&forced);
    ASSERT_FALSE(file->Analysis().InMemory());
    file->ComputeInfluence();
    for (int row = 0; row < memory->Analysis().Rows(); ++row) {
        std::vector<double> a, b;
        memory->GetAnalysisRow(row, a);
        file->GetAnalysisRow(row, b);
        ASSERT_EQ(a.size(), b.size());
        EXPECT_EQ(std::memcmp(a.data(), b.data(), a.size() * sizeof(double)), 0) << "row " << row;
    }
}

// The constant alone: y (endogenous) with an exogenous instrument left out.
// The rows the two-stage variant reads, from the deletion refits of the mean.
TEST(RegAnalysisTwoStage, ConstantOnlyModelReadsTheTwoStageRowsInMemoryAndInAFile) {
    const struct {
        int code;
        std::vector<double> expected;
        const char* what;
    } rows[] = {
        {Reg::kRowCovratio, {1.125, 1.31625, 1.49625, 1.40625, 0.41625, 1.44}, "COVRATIO"},
        {Reg::kRowDffits,
         {-0.5163977794943223, -0.33418694121840203, -0.044777366283964504, 0.2309401076758503, 1.4432196239252302,
          -0.18257418583505536},
         "DFFITS"},
        {Reg::kRowCooksD, {0.25, 0.1225, 0.0025, 0.0625, 0.7225, 0.04}, "Cook's D"},
        {Reg::kRowWelsch,
         {1.2649110640673518, 0.8185874846865606, 0.10968169942141635, 0.565685424949238, 3.535151665388247,
          0.4472135954999579},
         "W(i)"},
        {Reg::kRowDeletedTValue + 2,  // the constant comes after the two variables
         {4.242640687119285, 3.791578612671558, 3.3109524332188154, 3.1622776601683795, 4.88240082724041, 3.5},
         "t of the constant without i"}};
    for (const bool fileTable : {false, true}) {
        SCOPED_TRACE(fileTable ? "file" : "memory");
        ScriptedServices ui;
        EngineContext context;
        context.SetServices(&ui);
        context.SetFileTablesForced(fileTable);
        auto reg = MakeModel({{2, 3, 5, 7, 11, 4}, {1, 2, 3, 4, 5, 6}}, {1, 2}, {}, &context);
        reg->SetTwoStage(true);
        reg->SetRealCalc(true);
        ASSERT_TRUE(reg->SetModel(0, {1, 0, 2}));
        ASSERT_EQ(reg->Analysis().InMemory(), !fileTable);
        reg->ComputeInfluence();
        for (const auto& r : rows) ExpectAnalysisRow(*reg, r.code, r.expected, 1e-12, 1e-13, r.what);
    }
}

}  // namespace
