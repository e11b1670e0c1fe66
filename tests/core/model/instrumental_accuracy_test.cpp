// The instrumental-variable estimator on data far from zero beside their
// spread: Longley's (YEAR 1947..1962) and regressors near 1e8. Expected
// values from exact rational arithmetic on the doubles (Python fractions;
// leave-one-out figures from refits without each observation), checked to
// 1e-10 relative. With every regressor exogenous the estimate is least
// squares, and R agrees; the two-stage case puts POP in place of GNP.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <iterator>
#include <vector>

#include "core/data/variable.h"
#include "core/model/instrumental_fit.h"
#include "support/model_builder.h"
#include "support/sample_columns.h"

namespace {

constexpr double kRel = 1e-10;
constexpr int kResidual = 2, kPress = 4, kHatB = 9, kHatC = 10, kHatA = 11, kDeletedS2 = 12, kCovRatio = 13,
              kDffits = 14, kCook = 15, kWelsch = 16, kDeletedR2 = 17, kDeletedT = 19;

// Every column exogenous but the last, the dependent one.
std::unique_ptr<Reg> ExogenousModel(const Columns& cols) {
    std::vector<int> types(cols.size() - 1, Var::kExogenous);
    types.push_back(Var::kEndogenous);
    return MakeModel(cols, types);
}

// The dependent (the last variable) on every other and the constant term,
// the variables least squares keeps entered as the window enters them.
void FitAll(RegIV& iv) {
    const int v = iv.VarCount();
    std::vector<std::uint8_t> roles(static_cast<std::size_t>(v) + 1, RegIV::kRoleExplanatory);
    roles[static_cast<std::size_t>(v) - 1] = RegIV::kRoleDependent;
    roles = iv.WithoutCollinearRegressors(roles, v - 1);
    ASSERT_TRUE(iv.SelectVariables(roles, v - 1));
}

// The model's coefficients and standard errors in index order, the constant
// term last.
void ExpectEstimates(const RegIV& iv, const std::vector<double>& coef, const std::vector<double>& se) {
    std::size_t a = 0;
    for (int j = 0; j <= iv.VarCount(); ++j) {
        if (!iv.IsExplanatory(j)) continue;
        ASSERT_LT(a, coef.size());
        ExpectRel(iv.GetCoef(j), coef[a], kRel, "coefficient", j);
        ExpectRel(iv.GetCoefSE(j), se[a], kRel, "standard error", j);
        ++a;
    }
    EXPECT_EQ(a, coef.size());
}

// One observation's figures.
struct Row {
    int t;
    double ha, hb, hc, residual, press, s2t, covratio, dffits, cook, welsch, r2t;
};

void ExpectRow(const RegIV& iv, const Row& r) {
    const struct {
        int code;
        double value;
        const char* what;
    } figures[] = {{kHatA, r.ha, "x'A z"},        {kHatB, r.hb, "x'Cf x"},   {kHatC, r.hc, "z'Wc z"},
                   {kResidual, r.residual, "e"},   {kPress, r.press, "PRESS"}, {kDeletedS2, r.s2t, "s2(i)"},
                   {kCovRatio, r.covratio, "COVRATIO"}, {kDffits, r.dffits, "DFFITS"}, {kCook, r.cook, "Cook's D"},
                   {kWelsch, r.welsch, "W(i)"},    {kDeletedR2, r.r2t, "R2(i)"}};
    for (const auto& f : figures) ExpectRel(iv.GetAnalysisValue(f.code, r.t), f.value, kRel, f.what, r.t);
}

// Longley + a dummy for 1952 (or its complement): one fit. Rows 1, 5, 10
// and 16 (1-based); the dummy's row 6 has a leverage of 1.
const Row kLongleyRows[] = {
    {0, 0.42494992225687342, 0.42494992225687342, 0.42494992225687342, 273.72112544322084, 475.99528464978553,
     86791.481166560306, 1.0694955555003164, 1.0532536614410039, 0.13049279984611662, 5.379300105914704,
     0.99616466608369502},
    {4, 0.85292725669702842, 0.85292725669702842, 0.85292725669702842, 156.71869799817208, 1065.5862838930645,
     81547.57688135658, 2.5399440154921393, 3.4461889682005618, 1.3126010003177115, 34.803155404901686,
     0.99683438110355718},
    {9, 0.33074763627464214, 0.33074763627464214, 0.33074763627464214, 459.00740656155613, 685.85100545109126,
     60431.377412312372, 0.050766577126164775, 1.6045265494863098, 0.21086271921993007, 7.5962208057558625,
     0.99762518114327903},
    {15, 0.68866261627124435, 0.68866261627124435, 0.68866261627124435, -204.58206419890221, -657.10728904029994,
     86199.709656274067, 1.8701782546588129, -1.8573195805621167, 0.40301626314806329, 12.891891180071699,
     0.99612679458922466},
};

struct DummyCase {
    const char* name;
    Columns cols;
    std::vector<double> coef, se;  // GNPDEF, GNP, UNEMP, ARMED, POP, YEAR, the dummy, the constant
};

std::vector<DummyCase> DummyCases() {
    const std::vector<double> se = {84.8257517386268,    0.033970382388240318, 0.49493845571959136,
                                    0.23123131132058414, 0.22588312165334974,  475.40399461630229,
                                    382.4864683291622};
    auto seWith = [&se](double constant) {
        std::vector<double> all = se;
        all.push_back(constant);
        return all;
    };
    return {
        {"D1952",
         WithDummy(LongleyColumns(), 6, 5),
         {21.579209334098046, -0.029208919701924478, -1.9263468682226228, -0.94130648980531591,
          -0.069102142719013354, 1682.468063660054, -395.46444867950689, -3197192.6929442237},
         seWith(928887.31007767225)},
        {"ND1952",
         WithComplementDummy(LongleyColumns(), 6, 5),
         {21.579209334098046, -0.029208919701924478, -1.9263468682226228, -0.94130648980531591,
          -0.069102142719013354, 1682.468063660054, 395.46444867950689, -3197588.1573929032},
         seWith(928773.85284599699)},
    };
}

}  // namespace

TEST(RegIVAccuracy, LongleyWithAOneObservationDummy) {
    for (const DummyCase& c : DummyCases()) {
        SCOPED_TRACE(c.name);
        auto reg = ExogenousModel(c.cols);
        RegIV iv(*reg, 0);
        FitAll(iv);
        ExpectEstimates(iv, c.coef, c.se);
        ExpectRel(iv.GetS2(), 92228.791648240962, kRel, "s2", 0);
        ExpectRel(iv.GetR2(), 0.99601191819256273, kRel, "R2", 0);
        iv.ComputeInfluence();
        // Observation 6, of leverage 1, is in the leverage-1 table.
        for (const Row& r : kLongleyRows) ExpectRow(iv, r);
    }
}

// y on x1, x2 (near 1e8 and 1.5e8, spreads about 100) and x3: least
// squares keeps all three, and so does the estimator, with every digit.
TEST(RegIVAccuracy, RegressorsFarFromZeroEnter) {
    auto reg = ExogenousModel(FarFromZeroColumns());
    RegIV iv(*reg, 0);
    FitAll(iv);
    for (int j : {0, 1, 2, 4}) EXPECT_TRUE(iv.IsExplanatory(j)) << j;
    ExpectEstimates(iv, {2.0094451851663236, -0.7141407105687989, 3.8053307713446356, 6176588.505105408},
                    {0.01549802653357648, 0.0088113389473564839, 0.28477326528893792, 1634817.8255349494});
    ExpectRel(iv.GetS2(), 3.9486824316375131, kRel, "s2", 0);
    ExpectRel(iv.GetR2(), 0.99902283258976472, kRel, "R2", 0);
    // F to remove is t^2 here.
    for (int j : {0, 1, 2}) {
        const double t = iv.GetCoef(j) / iv.GetCoefSE(j);
        ExpectRel(iv.GetFValue(j), t * t, kRel, "F", j);
    }
    iv.ComputeInfluence();
    const Row rows[] = {
        {0, 0.35820028267841881, 0.35820028267841881, 0.35820028267841881, -3.9230910036881388, -6.112640591461072,
         2.947094287562395, 0.48346804116119876, -2.1310557330678552, 0.84736680645696997, 13.031687828773359,
         0.99927587738946716},
        {7, 0.13452505571605189, 0.13452505571605189, 0.13452505571605189, -1.8961090388771988, -2.1908306547752775,
         3.938413862860956, 1.1434628947063354, -0.40490181511755717, 0.040879784707493605, 2.1322007647408168,
         0.9990563077745803},
    };
    for (const Row& r : rows) ExpectRow(iv, r);
}

// Beside them, a copy of x1 and x1 - x2 + 5e7 (exact): combinations of
// the model's columns with the constant term, which stay out however far
// from zero the data lie.
TEST(RegIVAccuracy, CombinationsFarFromZeroStayOut) {
    Columns cols = FarFromZeroColumns();
    std::vector<double> combination;
    for (std::size_t i = 0; i < cols[0].size(); ++i) combination.push_back(cols[0][i] - cols[1][i] + 5e7);
    cols.insert(cols.begin() + 3, {cols[0], combination});
    auto reg = ExogenousModel(cols);
    RegIV iv(*reg, 0);
    const std::vector<std::uint8_t> all = {2, 2, 2, 2, 2, 1, 2};
    const std::vector<std::uint8_t> kept = iv.WithoutCollinearRegressors(all, 5);
    EXPECT_EQ(kept, (std::vector<std::uint8_t>{2, 2, 2, 0, 0, 1, 2}));
    ASSERT_TRUE(iv.SelectVariables(kept, 5));
    for (int j : {3, 4}) {
        EXPECT_EQ(iv.GetFValue(j), 0.0) << j;  // "TOL CHECK"
        EXPECT_FALSE(iv.ToggleVariable(j)) << j;
        EXPECT_EQ(RegIV::ProblemText(iv.FitProblem()), "INVERSE ERROR!") << j;
    }
    EXPECT_FALSE(iv.SelectVariables(all, 5));
    EXPECT_EQ(RegIV::ProblemText(iv.FitProblem()), "INVERSE ERROR!");
    ExpectRel(iv.GetCoef(0), 2.0094451851663236, kRel, "coefficient", 0);
}

namespace {

// EMPLOY on GNPDEF, GNP, UNEMP, ARMED, YEAR and the constant term, GNP
// instrumented by POP: exactly identified, so two-stage least squares.
void FitTwoStage(RegIV& iv) {
    iv.SetDesignColumn(1, LongleyColumns()[4]);
    ASSERT_TRUE(iv.SelectVariables({2, 2, 2, 2, 0, 2, 1, 2}, 6));
}

struct Change {
    int t;
    double change[6], deletedT[6];  // per variable of the model, the constant term last
};

}  // namespace

TEST(RegIVAccuracy, TwoStageOnLongley) {
    auto reg = MakeModel(LongleyColumns(), {Var::kExogenous, Var::kEndogenous, Var::kExogenous, Var::kExogenous,
                                            Var::kExogenous, Var::kExogenous, Var::kEndogenous});
    RegIV iv(*reg, 0);
    FitTwoStage(iv);
    ExpectEstimates(iv,
                    {30.022961188183368, -0.044905387107013694, -2.1455268027613377, -1.0604683745296469,
                     1928.2172878017917, -3679411.0655998213},
                    {61.597963207155903, 0.021172007191578224, 0.350285597798773, 0.21444071811341576,
                     471.06439505645873, 911491.09685987836});
    ExpectRel(iv.GetS2(), 84326.463515744149, kRel, "s2", 0);
    ExpectRel(iv.GetR2(), 0.99544203023504705, kRel, "R2", 0);
    iv.ComputeInfluence();
    const Row rows[] = {
        {0, 0.41982490848535147, 0.41632119793645787, 0.42369808225823936, 264.94457383675198, 456.66313103009618,
         81879.237374955293, 1.4347998289362197, 1.0388128296545207, 0.17463579301617156, 5.2980827206592186,
         0.99534795036938797},
        {3, 0.30116712258001207, 0.29007310824665672, 0.33059702847544421, -393.2392407186461, -562.70855797517851,
         72368.639851400276, 0.5475958100906487, -1.2027013207416665, 0.20689540642446243, 5.6168345860842268,
         0.99609556369539417},
        {8, 0.30820362389392657, 0.28114944733201141, 0.37251847828277112, 38.361023897414082, 55.451322415618103,
         93273.036975904985, 2.4010309487274095, 0.11081734961178564, 0.0022638961353248343, 0.52641319133499985,
         0.9954496806398998},
        {15, 0.71765898447552501, 0.76619258530495513, 0.67508456617732957, -197.13736337327218, -698.22431929371289,
         78655.594555180491, 2.6842118057549444, -2.0455460070833595, 0.65047855635582381, 13.772829017046233,
         0.99545599485410411},
    };
    for (const Row& r : rows) ExpectRow(iv, r);
    // The coefficients' changes without the observation, and the t values
    // of the fit without it.
    const Change changes[] = {
        {0,
         {-32.602668696939665, 0.0067089941588927772, 0.055454803942642567, -0.0062516108242766479,
          -83.122479061613703, 163044.65180263012},
         {0.94673245777206044, -2.4072906028020045, -6.340786481553257, -4.985613227871681, 4.3021181411127705,
          -4.2464769680988707}},
        {15,
         {68.943867518109054, -0.028075690050986165, -0.33555909792822176, -0.13627722704110001, 465.40095879632556,
          -904368.43324578264},
         {-0.46587794264301978, -0.51400429270421983, -3.9272125508837462, -3.7947363023602833, 2.3231306018834973,
          -2.273383044768263}},
    };
    const int index[] = {0, 1, 2, 3, 5, 7};
    for (const Change& c : changes)
        for (int a = 0; a < 6; ++a) {
            ExpectRel(iv.GetAnalysisValue(index[a] - 100, c.t), c.change[a], kRel, "change", index[a]);
            ExpectRel(iv.GetAnalysisValue(kDeletedT + index[a], c.t), c.deletedT[a], kRel, "t(i)", index[a]);
        }
}

// The comparison with least squares, the partial residuals of GNPDEF and
// predictions with their tolerance limits, on the same two-stage fit.
TEST(RegIVAccuracy, TwoStageTestPartialResidualsAndPrediction) {
    auto reg = MakeModel(LongleyColumns(), {Var::kExogenous, Var::kEndogenous, Var::kExogenous, Var::kExogenous,
                                            Var::kExogenous, Var::kExogenous, Var::kEndogenous});
    RegIV iv(*reg, 0);
    FitTwoStage(iv);
    ExpectRel(iv.SpecificationTest(), 0.056000849814410231, kRel, "specification test", 0);
    std::vector<double> outY, outK;
    iv.GetPartialResiduals(0, outY, outK);
    const struct {
        int t;
        double y, k;
    } partial[] = {{0, 226.46793388772172, -1.2815737830742076},
                   {1, -46.771144204660439, 2.0802489557072812},
                   {2, 34.064549647679881, -0.2012890456254803},
                   {3, -439.588112328279, -1.5437808189245236},
                   {15, -219.37462195391775, -0.74067506004030863}};
    for (const auto& p : partial) {
        ExpectRel(outY[static_cast<std::size_t>(p.t)], p.y, kRel, "partial y", p.t);
        ExpectRel(outK[static_cast<std::size_t>(p.t)], p.k, kRel, "partial GNPDEF", p.t);
    }
    // The tolerance limits: half width sqrt(s2) (sqrt(p F v) + z sqrt(df / chi))
    // with v = x'(X^'X^)^-1 x over the first stage's fitted regressors X^
    // (1/16 at the regressors' means), p = 6, df = 10, F the upper 0.025
    // quantile of F(6, 10) = 4.0721313150582395, z the upper 0.025 normal
    // quantile = 1.9599639845400539, chi the lower 0.025 quantile of
    // chi-square(10) = 3.2469727802368419 (exact distribution functions,
    // 40 digits). The program's normal quantile is a single-precision
    // approximation, hence 1e-5.
    const struct {
        double x[8];
        double predicted, half;
    } points[] = {
        {{118.0, 560000.0, 4000.0, 2800.0, 0.0, 1963.0, 0.0, 0.0}, 72523.744335645283, 2495.2789213673275},
        {{101.68125, 387698.4375, 3193.3125, 2606.6875, 0.0, 1954.5, 0.0, 0.0}, 65317.0, 1357.6742987795633},
    };
    for (int i = 0; i < 2; ++i) {
        const auto& point = points[i];
        double x[8];
        std::copy(std::begin(point.x), std::end(point.x), x);
        double lower = 0.0, upper = 0.0;
        const double predicted = iv.Predict(x, &lower, &upper, 0.95, 0.95);
        ExpectRel(predicted, point.predicted, kRel, "prediction", i);
        ExpectRel(upper - point.predicted, point.half, 1e-5, "upper limit", i);
        ExpectRel(point.predicted - lower, point.half, 1e-5, "lower limit", i);
    }
}

// Without the constant term the sums are those about zero: y on x1 and x2,
// w in place of x2, over seven observations.
TEST(RegIVAccuracy, WithoutTheConstantTerm) {
    const Columns cols = {{1, 2, 3, 4, 5, 6, 7}, {2, 1, 4, 3, 6, 5, 8}, {1, 3, 2, 5, 4, 7, 6}, {3, 4, 8, 0, 12, 14, 17}};
    auto reg = MakeModel(cols, {Var::kExogenous, Var::kEndogenous, Var::kExogenous, Var::kEndogenous});
    RegIV iv(*reg, 0);
    iv.SetDesignColumn(1, cols[2]);
    ASSERT_TRUE(iv.SelectVariables({2, 2, 0, 1, 0}, 3));
    ExpectEstimates(iv, {-0.065217391304347826, 2.1328502415458937}, {1.4649608408699793, 1.3967526138227505});
    ExpectRel(iv.GetS2(), 11.496631193260053, kRel, "s2", 0);
    iv.ComputeInfluence();
    const Row rows[] = {
        {0, 0.0036231884057971014, 0.16727928306378212, 0.0072202166064981949, -1.2004830917874396,
         -1.2048484848484848, 14.007878787878788, 1.4845993024879802, -0.027354032690509828, 0.00045584217387590143,
         0.062210233633144962, 0.72645314002514979},
        {3, 0.31884057971014493, 0.32498424700693132, 0.31287605294825511, -6.1376811594202899, -9.0106382978723404,
         0.10983476686283386, 0.00013516866232465112, -15.207989449323383, 1.104797905868856, 44.933813695379137,
         0.9972075906729788},
        {6, 0.46497584541062802, 0.45860463488062732, 0.4717208182912154, 0.39371980676328502, 0.73589164785553047,
         14.238561725155287, 2.830790718040278, 0.13394402161844074, 0.011109952333884288, 0.45124627716797709,
         0.61732868823770784},
    };
    for (const Row& r : rows) ExpectRow(iv, r);
    ExpectRel(iv.GetAnalysisValue(0 - 100, 3), -1.9588344125809436, kRel, "change", 0);
    ExpectRel(iv.GetAnalysisValue(1 - 100, 3), 1.6541268372905746, kRel, "change", 1);
}
