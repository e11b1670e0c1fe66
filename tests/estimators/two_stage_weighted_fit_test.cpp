// The two-stage weighted fit: moments Z'WX with the instrumented regressors
// Z, residuals against the observed ones. Expected values come from a
// plain-Python weighted instrumental-variables fit written for these tests,
// b = (Z'WX)^-1 Z'Wy with covariance s2 (Z'WX)^-1 Z'WZ (X'WZ)^-1, and from
// refits without each observation for the leave-one-out rows.
#include <gtest/gtest.h>

#include <vector>

#include "core/model/instrumental_fit.h"
#include "core/model/regression_model.h"
#include "estimators/robust_reweight.h"
#include "estimators/weighted_fit.h"
#include "support/model_builder.h"
#include "support/sample_columns.h"
#include "weighted_data.h"

namespace {

const std::vector<double> kX1 = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12};
const std::vector<double> kZ1 = {1.3, 1.9, 3.4, 3.6, 5.5, 5.8, 7.4, 7.7, 9.6, 9.9, 11.2, 11.8};
const std::vector<double> kX2 = {3.1, 1.7, 4.4, 2.9, 5.6, 3.3, 6.1, 4.8, 7.2, 5.5, 8.3, 6.0};
const std::vector<double> kY = {4.2, 5.1, 8.3, 7.9, 11.6, 10.2, 14.9, 13.1, 17.8, 15.2, 30.0, 18.1};
const std::vector<double> kW = {1.0, 0.5, 2.0, 1.5, 0.8, 1.2, 0.6, 1.0, 2.5, 0.9, 0.4, 1.1};

const std::vector<double> kCoef = {0.827061507818275, 1.6883400505513144, -1.154823674566515};
const std::vector<double> kStdErr = {0.249417552691285, 0.48526796784688636, 1.6538643253832406};
constexpr double kS2 = 3.7782076526993924;
constexpr double kR2 = 0.9311022245324984;
// Covariance factor (Z'WX)^-1 Z'WZ (X'WZ)^-1, row by row.
const std::vector<double> kCovariance = {0.0164652452456031,   -0.02450251211168083, 0.015869575641735367,
                                         -0.024502512111680985, 0.06232717263435778, -0.15172968417771102,
                                         0.015869575641735495,  -0.15172968417771063, 0.7239589398483992};
// Unit weights (the instrumental-variable model's own fit).
const std::vector<double> kUnitCoef = {0.7243789713724413, 2.2489503560270343, -2.7137279780869505};
const std::vector<double> kUnitStdErr = {0.364384801217524, 0.6827030052453076, 2.196251383123568};
const std::vector<double> kUnitStudentized = {
    -0.337050300892733,  1.209368753660707,   -0.43155229417688357, 0.47660200890363674,
    -0.7880020231393557, 0.46719986013129594, -0.45822182647557114, -0.2970193171529469,
    -0.9321911630227349, -0.7139069915078577, 11.413567433523284,   -0.6570506140483171};

const std::vector<std::vector<double>> kRows = {
    {4.2, 5.1, 8.3, 7.9, 11.6, 10.2, 14.9, 13.1, 17.8, 15.2, 30.0, 18.1},  // 0
    {4.906091989960835, 3.3694774270072694, 8.755057071314095, 7.049608503305397, 12.43518814761222, 9.379067539162472, 14.933481188524425, 13.565700630625994, 18.444778259767425, 16.401661681648463, 21.95607533101042, 18.899954722560672},  // 1
    {-0.7060919899608349, 1.7305225729927303, -0.45505707131409423, 0.8503914966946038, -0.8351881476122198, 0.8209324608375272, -0.03348118852442461, -0.4657006306259941, -0.6447782597674241, -1.2016616816484635, 8.043924668989579, -0.7999547225606705},  // 2
    {-16.811714046686546, 33.931815156720205, -5.482615317037279, 10.76444932524815, -7.199897824243275, 8.048357459191443, -0.22470596325117187, -3.554966645999955, -3.6223497739742925, -7.905668958213576, 26.813082229965264, -4.419639351163925},  // 3
    {4.906091989960835, 2.3825803376918406, 12.381520449602862, 8.633971859741818, 11.122370404424245, 10.274253719127508, 11.56742478881137, 13.565700630625994, 29.163755118810958, 15.559982497655001, 13.886241304845662, 19.822439743036874},  // 4
    {-0.7060919899608349, 1.2236642463595517, -0.6435478819061711, 1.0415126242517356, -0.7470149888252209, 0.8992864539778793, -0.025934417113267827, -0.4657006306259941, -1.0194839433123803, -1.1399963672871927, 5.087424656164615, -0.8389995911571262},  // 5
    {-0.9743273024677215, 1.4856563550835786, -1.0423481529030807, 1.4492542846809362, -0.8707917589373231, 1.2195960153642775, -0.028106116108001764, -0.5308612579233942, -2.17525353333054, -1.4075111900304378, 5.96860558833917, -1.423454722115457},  // 6
    {-0.4257826684348712, 0.6940341047073094, -0.4209305171021582, 0.6304374958943243, -0.4149969068730285, 0.5408526008826772, -0.013891022203064773, -0.2548545417208277, -0.7633389270811011, -0.6524826474782065, 2.8368343826539073, -0.563687954048259},  // 7
    {-0.40476154621802174, 0.6721381292168527, -0.39962854229665157, 0.6077103677400956, -0.39447614679488247, 0.5170536388595274, -0.01309647054589904, -0.24132450022655433, -0.7431579898902917, -0.6321222237560566, 8.265734469528615, -0.5436413476370181},  // 8
    {0.014662034491720623, 0.04403481831300159, 0.012179610438946307, 0.031900739015487754, 0.0164108206508052, 0.02378306213618719, 1.977992543999637e-05, 0.006378011812926333, 0.03056556636287534, 0.03821893685781242, 0.7611454369451838, 0.020701183049613464},  // 9
    {0.27848784839942275, 0.17546287187370024, 0.38386024519635026, 0.28506081231774205, 0.14188225613983924, 0.25700422942036405, 0.07710445697164714, 0.12926800504725028, 0.5347594345642859, 0.18807218207371992, 0.14649269300901144, 0.4075327643631157},  // 10
    {0.2722060813739781, 0.17773749734256786, 0.38134291023384126, 0.27896068484440784, 0.1424042414683209, 0.2686481857543628, 0.07743340922568862, 0.1170017000755513, 0.5284013258540531, 0.1920870359980103, 0.15009961913170589, 0.41367730869750774},  // 11
    {0.2753030853466954, 0.17634771852020115, 0.38259795432667765, 0.2813458374690732, 0.14214278998592517, 0.2626357886965758, 0.07726784399483991, 0.12274511715602182, 0.5313263821015639, 0.19006230617424788, 0.14763597948172583, 0.4105891967464529},  // 12
    {4.180837517639968, 4.028379543158006, 4.191733382693139, 4.06608640093744, 4.181518745864987, 4.134019021318425, 4.250555519871965, 4.213740121581924, 3.9861931718617476, 4.02551674375105, 0.4450316389773752, 4.061985518653155},  // 13
    {0.9664693559164452, 1.141039030161291, 1.3256919393049593, 1.481305185246986, 0.5755241427934679, 1.2054295750489932, 0.013099030338984652, 0.31208151813760177, 3.8228647733467405, 1.1344747083453333, 12.460701091387755, 1.9675309871416382},  // 14
    {1.8777077403173978, 1.4691168836532809, 2.2163449269171567, 1.74016886134836, 1.5797824584113784, 1.7620660147854716, 1.5428582317376167, 1.5916737399609575, 2.5214427590347444, 1.4895970270040626, 0.0019117583620182257, 2.097288429934379},  // 15
    {0.041331836800773125, 0.011790484003635804, 0.06235674588957307, 0.012163206392199477, 0.030496796813229032, 0.0482145079485381, 0.00040458002498144907, -0.014013143224756774, 0.03622413036593741, -0.06216258599821778, -0.05192650715870517, -0.10021464031241756},  // 16
    {-0.014803144287835579, -0.10594123009605383, -0.07169867871456859, -0.11236482764831024, -0.05841015116806503, -0.12887977911772808, -0.0012477409209026291, 0.022958759062511547, -0.25376196814991303, 0.0736267092076126, 0.40402174771017485, 0.10871761273049074},  // 17
    {-0.26367740201537515, 0.5270319165482107, -0.15359042728559302, 0.610124846253413, 0.03622622647192486, 0.4284175103237402, 0.0019755080960095484, -0.06325752499949999, 0.7700961264223452, -0.06530642323474467, -1.3889195390577527, -0.006986095095470546},  // 18
};

TEST(TwoStageWeightedFit, MatchesTheWeightedInstrumentalFit) {
    EngineContext context;
    auto data = MakeNamedTable(context, {kX1, kX2, kY}, {"x1", "x2", "y"});
    auto second = MakeNamedTable(context, {kZ1, kX2, kY}, {"x1", "x2", "y"});
    WLSE fit(*data, second.get(), 2);
    ASSERT_TRUE(fit.TwoStage());
    fit.SetWeights(kW.data());
    ASSERT_TRUE(fit.Estimate(0));
    for (int j = 0; j < 3; ++j) {
        ExpectNear(fit.GetCoef(j), kCoef[j], 1e-11, 1e-13, "coef");
        ExpectNear(fit.GetStdErr(j), kStdErr[j], 1e-10, 0, "se");
        for (int l = 0; l < 3; ++l) ExpectNear(fit.GetCovariance(j, l), kCovariance[j * 3 + l], 1e-9, 1e-14, "C");
    }
    ExpectNear(fit.S2(), kS2, 1e-11, 0, "s2");
    ExpectNear(fit.R2(), kR2, 1e-11, 0, "r2");
    for (int row = 0; row < static_cast<int>(kRows.size()); ++row) {
        SCOPED_TRACE(row);
        ExpectResultRow(fit, row, kRows[row], 1e-9, 1e-12);
    }
    // The instrumented data, transformed.
    for (int t = 0; t < 12; ++t) ExpectNear(fit.GetSecondTransformed(0, t), std::sqrt(kW[t]) * kZ1[t], 1e-15, 0, "z*");
}

TEST(TwoStageWeightedFit, InstrumentalModelBindingIsTwoStage) {
    auto reg = MakeModel({kX1, kX2, kY}, {}, {"x1", "x2", "y"});
    RegIV iv(*reg, 0);
    iv.SetDesignColumn(0, kZ1);
    ASSERT_TRUE(iv.SelectVariables({2, 2, 1, 2}, 2));
    EngineContext context;
    WLSE fit(iv, context);
    ASSERT_TRUE(fit.TwoStage());
    ASSERT_EQ(fit.RowCount(), 4);
    EXPECT_EQ(fit.GetName(0), "x1");
    EXPECT_EQ(fit.GetName(2), Data::ConstantName());
    EXPECT_EQ(fit.GetName(3), "y");
    ASSERT_TRUE(fit.Estimate(0));
    for (int j = 0; j < 3; ++j) {
        ExpectNear(fit.GetCoef(j), kUnitCoef[j], 1e-11, 1e-13, "coef");
        ExpectNear(fit.GetStdErr(j), kUnitStdErr[j], 1e-10, 0, "se");
    }
    ExpectResultRow(fit, WLSE::kRowStudentized, kUnitStudentized, 1e-9, 1e-12);
}

// The least-squares model in two-stage mode: y on y2 (endogenous), x1 and
// the constant, instruments x1, x2, x3. Expected: two-stage least squares
// from a plain-Python first stage and instrumental-variables fit.
const std::vector<double> kTslsCoef = {1.4774185293096995, -0.7649367006667034, 2.930632996405251};
const std::vector<double> kTslsStdErr = {0.08183727649070532, 0.11970516172388379, 0.3023024192135936};
constexpr double kTslsS2 = 0.7146720450003426;
const std::vector<double> kTslsStudentized = {
    0.00675514364899602,  -0.7337484055072492, 0.20971700759718778, 2.9752874758214,     -0.3787949773955323,
    -0.9956966970535726,  0.03278529279889243, 1.543219878048958,   0.8231942696967974,  -0.27198025474645504,
    0.7311167016485887,   1.4895469534521253,  0.033113928382396234, -0.3902455240314089, 0.6017922068310354,
    -0.6472051479226375,  -0.48972735712458104, -0.4453984506534906, 1.1363765996062372,  0.2994815054335939,
    -0.5760158911225338,  -0.2459193865741737, -0.32975553430741417, -2.2649787104473975, -1.879029090308186};
// Residual mode off: a plain fit on the first-stage values.
constexpr double kPlainS2 = 4.15322486792624;

TEST(TwoStageWeightedFit, ModelBindingUsesTheFirstStage) {
    auto reg = MakeModel(IvColumns(), IvTypes(), {"y", "y2", "x1", "x2", "x3", "w"});
    reg->SetTwoStage(true);
    reg->SetRealCalc(true);
    ASSERT_TRUE(reg->SetModel(0, {1, 2, 2, 0, 0, 0, 2}));
    WLSE fit(*reg, 0, "y");
    ASSERT_TRUE(fit.TwoStage());
    ASSERT_EQ(fit.RowCount(), 4);
    EXPECT_EQ(fit.GetName(0), "y2");
    EXPECT_EQ(fit.GetName(1), "x1");
    EXPECT_EQ(fit.GetName(3), "y");
    ASSERT_TRUE(fit.Estimate(0));
    for (int j = 0; j < 3; ++j) {
        ExpectNear(fit.GetCoef(j), kTslsCoef[j], 1e-10, 1e-12, "coef");
        ExpectNear(fit.GetStdErr(j), kTslsStdErr[j], 1e-9, 0, "se");
    }
    ExpectNear(fit.S2(), kTslsS2, 1e-10, 0, "s2");
    ExpectResultRow(fit, WLSE::kRowStudentized, kTslsStudentized, 1e-8, 1e-11);

    reg->SetRealCalc(false);
    WLSE plain(*reg, 0, "y");
    EXPECT_FALSE(plain.TwoStage());
    ASSERT_TRUE(plain.Estimate(0));
    for (int j = 0; j < 3; ++j) ExpectNear(plain.GetCoef(j), kTslsCoef[j], 1e-10, 1e-12, "coef");
    ExpectNear(plain.S2(), kPlainS2, 1e-10, 0, "s2");
}

// Robust two-stage fits on the same data (z1 in place of x1), against an
// independent plain-Python loop of the reweighting in 50-digit arithmetic:
// each pass fits b = (Z'WX)^-1 Z'Wy, takes the residuals y - Xb against the
// observed regressors and scales them by the median absolute deviation over
// the divisor (kinds 1 to 4 on the first two passes, the automatic kind on
// every pass) and by sqrt(1 - h), where h = w (2 x'Mz - x'Kx) with
// M = (Z'WX)^-1 and K = M Z'WZ M' (1 - h is then the residual's own
// variance factor); the automatic kind forms h of each pass's fit, bounded
// influence that of the unweighted fit once. The loop stops when the sum of
// squared coefficients, each times its regressor's root mean square,
// changes by less than 2^-23 relative. The divisor is the exact 0.75
// quantile of the normal or of t with 9 degrees of freedom rounded to single
// precision; the program's quick quantiles differ by a few parts in a
// million, hence the tolerance.
const RobustCase kTwoStageRobust[] = {
    {kWeightAutomatic, false, 12, 0.56471950005607972,
     {0.85783598185983539, 1.2796511634864525, 0.42626646719496725},
     {0.73441354406204956, 0.83423128686425408, 1.0564417773032914, 1.0589685041590596, 1.070025190503926,
      1.0332338259335354, 0.93358839848210949, 1.064013849911282, 1.0065025373490627, 0.84652843060453265,
      0.033458206287997604, 1.0505547293655901}},
    {kWeightHuber, true, 21, 0.64002201394848197,
     {0.84453592718492599, 1.362511183534245, 0.16179338247368091},
     {0.69405402544149962, 0.75015179821082505, 1.0, 1.0, 1.0, 1.0, 1.0, 1.0, 1.0, 0.83865743268345984,
      0.07351634377428629, 1.0}},
    {kWeightT, true, 13, 0.67401703152989292,
     {0.85929018958798408, 1.2707046718755614, 0.45457809519295491},
     {0.79753489674634631, 0.91260148630971117, 1.0753988114796287, 1.0774796666588311, 1.0871151625734941,
      1.0589607949588559, 0.98154127819194, 1.0787098002718886, 1.0412198787491471, 0.90922011314011498,
      0.030194395334136536, 1.0736351216770659}},
};

TEST(TwoStageWeightedFit, RobustWeightsMatchTheIndependentLoop) {
    for (const RobustCase& c : kTwoStageRobust) {
        SCOPED_TRACE(testing::Message() << "kind " << c.kind << (c.bounded ? " bounded" : ""));
        EngineContext context;
        auto data = MakeNamedTable(context, {kX1, kX2, kY}, {"x1", "x2", "y"});
        auto second = MakeNamedTable(context, {kZ1, kX2, kY}, {"x1", "x2", "y"});
        WLSE fit(*data, second.get(), 2);
        ASSERT_TRUE(fit.TwoStage());
        fit.boundedInfluence = c.bounded;
        ASSERT_TRUE(fit.Estimate(c.kind));
        EXPECT_EQ(fit.Iterations(), c.passes);
        ExpectNear(fit.Scale(), c.scale, 2e-5, 0, "scale");
        for (int j = 0; j < 3; ++j) ExpectNear(fit.GetCoef(j), c.coef[j], 2e-5, 1e-9, "coef");
        for (int t = 0; t < 12; ++t) ExpectNear(fit.GetWeight(t), c.weights[t], 2e-5, 1e-9, "weight");
    }
}

}  // namespace
