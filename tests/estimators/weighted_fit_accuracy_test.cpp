// The weighted fit on data far from zero beside their spread (Longley, whose
// YEAR keeps its first digits over the sample), to 1e-10 of exact arithmetic.
// Expected values from exact rational arithmetic on the doubles as held,
// square roots to 50 digits: b = (X'WX)^-1 X'Wy (two-stage (Z'WX)^-1 Z'Wy),
// h_t = w_t x_t'(X'WX)^-1 x_t, s2(i) and the coefficient changes from refits
// without each observation, W(i) from the refits' DFFITS, COVRATIO from the
// determinants of the two covariance matrices.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "estimators/robust_reweight.h"
#include "support/expect_exception.h"
#include "support/sample_columns.h"
#include "weighted_data.h"

namespace {

constexpr double kRel = 1e-10;
// The observations whose table figures are checked (0-based).
const int kObservations[] = {0, 4, 10, 15};

struct RowFigures {
    int row;
    std::vector<double> values;  // at kObservations
};

struct FitCase {
    const char* name;
    Columns cols;
    std::vector<double> weights;  // empty: all 1
    std::vector<double> coef, se;
    double s2;
    std::vector<RowFigures> rows;
};

std::vector<double> CyclicWeights(int n) {
    std::vector<double> w;
    for (int t = 0; t < n; ++t) w.push_back(1.0 + t % 3);
    return w;
}

std::vector<std::string> Names(std::size_t count) {
    std::vector<std::string> names;
    for (std::size_t j = 0; j < count; ++j) names.push_back("v" + std::to_string(j));
    return names;
}

std::unique_ptr<WLSE> Fitted(EngineContext& context, std::unique_ptr<TNamedData>& table, const Columns& cols,
                             const std::vector<double>& weights, const TNamedData* second = nullptr) {
    table = MakeNamedTable(context, cols, Names(cols.size()));
    auto fit = std::make_unique<WLSE>(*table, second, static_cast<int>(cols.size()) - 1);
    if (!weights.empty()) fit->SetWeights(weights.data());
    EXPECT_TRUE(fit->Estimate(0));
    return fit;
}

void ExpectFigures(const WLSE& fit, const FitCase& c) {
    for (int j = 0; j < fit.CoefCount(); ++j) {
        ExpectNear(fit.GetCoef(j), c.coef[j], kRel, 0, "coefficient " + std::to_string(j));
        ExpectNear(fit.GetStdErr(j), c.se[j], kRel, 0, "standard error " + std::to_string(j));
    }
    ExpectNear(fit.S2(), c.s2, kRel, 0, "s2");
    for (const RowFigures& r : c.rows)
        for (int i = 0; i < 4; ++i)
            ExpectNear(fit.GetResult(r.row, kObservations[i]), r.values[i], kRel, 0,
                       "row " + std::to_string(r.row) + " observation " + std::to_string(kObservations[i]));
}

// Longley + D1952 (EMPLOY on the six regressors, a dummy for 1952 and the
// constant term).
std::vector<FitCase> LongleyCases() {
    const Columns cols = WithDummy(LongleyColumns(), 6, 5);
    return {
        {"weights 1", cols, {},
         {21.579209334098046, -0.029208919701924478, -1.9263468682226228, -0.94130648980531591,
          -0.069102142719013354, 1682.468063660054, -395.46444867950689, -3197192.6929442237},
         {84.8257517386268, 0.033970382388240318, 0.49493845571959136, 0.23123131132058414, 0.22588312165334974,
          475.40399461630229, 382.4864683291622, 928887.31007767225},
         92228.791648240962,
         {{WLSE::kRowFitted, {60049.278874556779, 63064.281302001828, 68191.152219448277, 70755.582064198902}},
          {WLSE::kRowResidual, {273.72112544322084, 156.71869799817208, -22.152219448276945, -204.58206419890221}},
          {WLSE::kRowPress, {475.99528464978553, 1065.5862838930645, -34.61952020236256, -657.10728904029994}},
          {WLSE::kRowStudentized, {1.225228058121887, 1.4310314811249626, -0.085342572889698416, -1.2488176236076425}},
          {WLSE::kRowLeverage, {0.42494992225687342, 0.85292725669702842, 0.3601234413767179, 0.68866261627124435}},
          {WLSE::kRowDeletedVariance, {86791.481166560306, 81547.57688135658, 105294.7762824587, 86199.709656274067}},
          {WLSE::kRowWelsch, {5.379300105914704, 34.803155404901686, 0.30998512676117386, 12.891891180071699}},
          {WLSE::kRowCovRatio, {1.0694955555003164, 2.5399440154921393, 4.5105163309899748, 1.8701782546588129}},
          {WLSE::kRowCoefChange + 1,
           {-0.0017181813791334346, 0.074362345783631881, 0.0013321532592191199, -0.0083011022888246644}},
          {WLSE::kRowCoefChange + 5,
           {10.634297353157089, -1240.5443410516589, -18.840870793110343, 239.33849691693954}},
          {WLSE::kRowCoefChange + 7,
           {-23431.803441710974, 2429769.0400717979, 37006.827095251834, -455863.08339386305}}}},
        {"weights 1 + t mod 3", cols, CyclicWeights(16),
         {9.181365862442529, -0.019173540297994385, -1.7484058459799961, -0.86108251554790876, -0.054650745835046303,
          1457.8353253658858, -406.69158554201819, -2763233.4155738607},
         {68.258299781421277, 0.029729063463686164, 0.43937669329738176, 0.19178395103291722, 0.20547622061673694,
          409.83859949401248, 281.74220150517254, 801372.33705825706},
         118593.84289061211,
         {{WLSE::kRowFitted, {60072.643866557177, 63115.555265558978, 68131.089438061445, 70924.345827947044}},
          {WLSE::kRowResidual, {250.35613344282289, 105.44473444102173, 37.910561938554839, -373.34582794704389}},
          {WLSE::kRowTransformedResidual,
           {250.35613344282289, 149.12137352732233, 53.613630850689507, -373.34582794704389}},
          {WLSE::kRowPress, {348.34600111358716, 1259.8955371871858, 95.776983653465917, -701.6884252324901}},
          {WLSE::kRowStudentized, {0.84177453371851129, 1.3147102185090588, 0.19517294151223499, -1.6340620591571471}},
          {WLSE::kRowLeverage, {0.28130039488758808, 0.88163989066883488, 0.44022427095145451, 0.4679321839699103}},
          {WLSE::kRowDeletedVariance,
           {123077.16931226141, 108696.19858837144, 134802.25589704391, 98111.185292230775}},
          {WLSE::kRowWelsch, {2.4059088909045368, 40.393913056274685, 0.89595905762882681, 8.1365190253358972}},
          {WLSE::kRowCovRatio, {1.8723000587233167, 4.207385951764841, 4.978128239032347, 0.41236714266680085}},
          {WLSE::kRowCoefChange + 1,
           {-0.0014731436120768786, 0.063055051540871725, -0.003217246426440305, -0.0038596907610927775}},
          {WLSE::kRowCoefChange + 5, {7.5978286655641764, -1094.0230310853217, 46.177280198866623, 160.89813280266058}},
          {WLSE::kRowCoefChange + 7,
           {-16812.760356394203, 2139941.9101523757, -90675.696468193629, -304211.32180967719}}}},
    };
}

// 1 - D1952 beside the constant: the same fit but for the dummy's and the
// constant's coefficients (and the constant's change); its leverage of 1,
// reached through the sums alone, is in the leverage-1 table.
FitCase ComplementCase(FitCase c) {
    c.name = "ND1952, weights 1";
    c.cols = WithComplementDummy(LongleyColumns(), 6, 5);
    c.coef[6] = 395.46444867950689;
    c.coef[7] = -3197588.1573929032;
    c.se[7] = 928773.85284599699;
    c.rows.pop_back();  // the constant's change
    return c;
}

TEST(WeightedFitAccuracy, LongleyWithADummyMatchesExactArithmetic) {
    std::vector<FitCase> cases = LongleyCases();
    cases.push_back(ComplementCase(cases.front()));
    for (const FitCase& c : cases) {
        SCOPED_TRACE(c.name);
        EngineContext context;
        std::unique_ptr<TNamedData> table;
        auto fit = Fitted(context, table, c.cols, c.weights);
        ExpectFigures(*fit, c);
        // The dummy's observation: leverage 1, s2(i) = SSE / (n - p - 1).
        EXPECT_EQ(fit->GetResult(WLSE::kRowLeverage, 5), 1.0);
        const double s2One = c.weights.empty() ? 105404.33331227539 : 135535.82044641384;
        ExpectNear(fit->GetResult(WLSE::kRowDeletedVariance, 5), s2One, kRel, 0, "s2(i) at leverage 1");
    }
}

// Regressors near 1e8 and 1.5e8 with a spread of about 100: fitted, while
// a regressor that is a combination of others is still refused.
TEST(WeightedFitAccuracy, RegressorsFarFromZeroAreFitted) {
    EngineContext context;
    std::unique_ptr<TNamedData> table;
    auto fit = Fitted(context, table, FarFromZeroColumns(), {});
    const double coef[] = {2.0094451851663236, -0.7141407105687989, 3.8053307713446356, 6176588.505105408};
    const double se[] = {0.01549802653357648, 0.0088113389473564839, 0.28477326528893792, 1634817.8255349494};
    for (int j = 0; j < 4; ++j) {
        ExpectNear(fit->GetCoef(j), coef[j], kRel, 0, "coefficient");
        ExpectNear(fit->GetStdErr(j), se[j], kRel, 0, "standard error");
    }
    ExpectNear(fit->R2(), 0.99902283258976472, kRel, 0, "R2");
    const int obs[] = {0, 7, 24};
    const double leverage[] = {0.35820028267841881, 0.13452505571605189, 0.14596422728524608};
    const double s2t[] = {2.947094287562395, 3.938413862860956, 4.025510369799062};
    for (int i = 0; i < 3; ++i) {
        ExpectNear(fit->GetResult(WLSE::kRowLeverage, obs[i]), leverage[i], kRel, 0, "leverage");
        ExpectNear(fit->GetResult(WLSE::kRowDeletedVariance, obs[i]), s2t[i], kRel, 0, "s2(i)");
    }

    Columns combined = FarFromZeroColumns();
    std::vector<double> combination;
    for (int t = 0; t < 25; ++t) combination.push_back(combined[0][t] - combined[1][t] + 2.0 * combined[2][t]);
    combined.insert(combined.begin() + 3, combination);
    auto refused = MakeNamedTable(context, combined, Names(combined.size()));
    WLSE collinear(*refused, nullptr, 4);
    ExpectExceptionMessage([&] { (void)collinear.Estimate(0); },
                           "変数 v3 は定数か他の説明変数の一次結合のため係数を推定できません（TOL CHECK）。",
                           "x1 - x2 + 2 x3");
}

// Two-stage: Longley with GNP instrumented by GNP + 1000 ((7t mod 5) - 2),
// weights 1 + t mod 3; C = (Z'WX)^-1 Z'WZ (X'WZ)^-1, a = w x'Cx,
// b = w z'(Z'WZ)^-1 z, h = w x'(Z'WX)^-1 z.
TEST(WeightedFitAccuracy, TwoStageLongleyMatchesExactArithmetic) {
    const Columns cols = LongleyColumns();
    Columns instruments = cols;
    for (int t = 0; t < 16; ++t) instruments[1][t] += 1000.0 * ((7 * t) % 5 - 2);
    EngineContext context;
    auto second = MakeNamedTable(context, instruments, Names(instruments.size()));
    std::unique_ptr<TNamedData> table;
    auto fit = Fitted(context, table, cols, CyclicWeights(16), second.get());
    ASSERT_TRUE(fit->TwoStage());
    const FitCase c = {
        "two-stage", cols, {},
        {-44.048115979571812, 5.6199836106437818e-4, -1.4672252779201626, -0.92775533067907144,
         -0.20518183662166602, 1357.4901719897363, -2552433.2777012745},
        {77.266995451977413, 0.036325534137879758, 0.53269547281625796, 0.19218122405370237, 0.24358326056405339,
         467.9674033414292, 918603.59184011199},
        141197.73782357411,
        {{WLSE::kRowResidual, {258.35723529092581, 194.07146320480619, 136.75058032632512, -381.87000510177827}},
         {WLSE::kRowTransformedResidual,
          {258.35723529092581, 274.458495333828, 193.39452535988033, -381.87000510177827}},
         {WLSE::kRowTwoStageA, {0.28180512427406052, 0.65875784723866099, 0.47769136474599166, 0.46866407762641734}},
         {WLSE::kRowTwoStageB, {0.30779525337574638, 0.6611425978982772, 0.45982963370018089, 0.46392175691299186}},
         {WLSE::kRowLeverage, {0.28808937652695004, 0.65994825291439993, 0.46854995401744497, 0.46278266200488022}},
         {WLSE::kRowDeletedVariance, {152326.42761695698, 101673.06828466156, 162591.57759977258, 124248.49057983468}},
         {WLSE::kRowCovRatio, {2.3228237262675397, 0.29415368512603926, 5.1344981349440576, 0.75887774917461641}},
         {WLSE::kRowCoefChange + 5, {55.871324297393602, -669.27926560775017, 210.89084162463286, 106.72127930499533}},
         {WLSE::kRowCoefChange + 6,
          {-113029.35499592584, 1317916.5714848761, -414533.01470280252, -196469.3090104231}}}};
    ExpectFigures(*fit, c);
}

// The weighted fit of Longley + D1952 (weights 1 + t mod 3): a prediction,
// the partial residuals of YEAR and of the constant term (the weighted
// fits of each and of EMPLOY on the other regressors, times root(w)), and
// Huber's covariance, which scales (X'X)^-1 of the unweighted data.
TEST(WeightedFitAccuracy, PredictionPartialResidualsAndHuberCovariance) {
    EngineContext context;
    std::unique_ptr<TNamedData> table;
    auto fit = Fitted(context, table, WithDummy(LongleyColumns(), 6, 5), CyclicWeights(16));
    const double x[] = {100, 400000, 3000, 2500, 115000, 1955.5, 0, 1};
    ExpectNear(fit->Predict(x), 67129.524048335405, kRel, 0, "prediction");

    struct Partial {
        int j;
        std::vector<double> x, y;  // at kObservations
    };
    // The constant's residuals are about 1e-5 of its values.
    const Partial partials[] = {
        {5,
         {0.015399800365928675, -0.61309581503814363, 0.34041102617202018, -0.16189860850059464},
         {272.80650641985621, -744.67136346927273, 549.87684994831161, -609.36733854679244}},
        {7,
         {-8.9129535247277144e-6, 3.1366126914228902e-4, -1.7483291277521904e-4, 8.0061644983020864e-5},
         {274.98470445380734, -717.59792653795695, 536.71777757328486, -594.57484066993848}},
    };
    std::vector<double> xs(16), ys(16);
    for (const Partial& p : partials) {
        SCOPED_TRACE(p.j);
        fit->PartialResiduals(xs.data(), ys.data(), p.j);
        for (int i = 0; i < 4; ++i) {
            ExpectNear(xs[kObservations[i]], p.x[i], kRel, 0, "regressor");
            ExpectNear(ys[kObservations[i]], p.y[i], kRel, 0, "dependent");
        }
    }

    ASSERT_TRUE(fit->Estimate(kWeightHuber));
    ASSERT_TRUE(fit->HuberCovariance());
    const double roots[] = {0.27931512773670375, 1.1185803251437969e-4, 0.0016297385540076855,
                            7.6140089459206041e-4, 7.4379031939000824e-4, 1.5654152749739171,
                            1.2594554668741226,    3058.6499070093393};
    for (int j = 0; j < 8; ++j)
        ExpectNear(fit->GetStdErr(j) / std::sqrt(fit->S2()), roots[j], kRel, 0, "root of (X'X)^-1");
}

}  // namespace
