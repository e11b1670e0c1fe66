// Tobit against a maximum-likelihood fit worked out independently (Newton's
// method in 40-digit arithmetic by a separate script, figures pasted below)
// and Amemiya's information matrix evaluated there; the objective's guards
// and the failures.
#include "estimators/tobit.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <iterator>
#include <limits>
#include <vector>

#include "core/numeric/thread_pool.h"
#include "support/expect_exception.h"
#include "support/model_builder.h"

namespace {

struct TobitCase {
    Rows rows;  // x1, x2, 1.0, y
    std::vector<double> olsCoef;
    double olsSigma;  // sqrt(SSE / (n - m))
    std::vector<double> coef;
    double sigma;
    std::vector<double> variance;  // Amemiya, inverted: b, then sigma^2
    double negLogLikelihood;
    double sigmaMle;  // sqrt(SSE / n)
};

// Censored: n = 40, 18 censored
const TobitCase kCensored = {
 {{3.3125, 0.2158203125, 1.0, 5.052490234375}, {-0.43359375, 1.6943359375, 1.0, 0.0}, {3.685546875, 1.708984375, 1.0, 1.494140625}, {-1.341796875, -0.65234375, 1.0, 1.71044921875}, {-1.37890625, 0.21484375, 1.0, 0.0}, {-1.158203125, 0.0927734375, 1.0, 0.0}, {-2.693359375, -0.9248046875, 1.0, 0.0}, {2.884765625, -1.078125, 1.0, 2.34521484375}, {-1.455078125, 0.9228515625, 1.0, 1.359619140625}, {2.89453125, -0.478515625, 1.0, 1.13623046875}, {3.501953125, 1.2138671875, 1.0, 1.368896484375}, {1.26953125, -0.876953125, 1.0, 0.65576171875}, {-2.318359375, -0.697265625, 1.0, 0.0}, {0.203125, 1.9365234375, 1.0, 0.0}, {-2.30078125, 0.4228515625, 1.0, 0.0}, {-3.80859375, -1.5048828125, 1.0, 0.0}, {1.201171875, 1.318359375, 1.0, 0.0}, {1.423828125, -0.205078125, 1.0, 1.150390625}, {0.431640625, -1.4599609375, 1.0, 1.525634765625}, {-1.349609375, -1.1650390625, 1.0, 1.436279296875}, {1.849609375, 0.9287109375, 1.0, 0.0}, {-1.546875, -1.9326171875, 1.0, 3.921630859375}, {2.822265625, -0.9169921875, 1.0, 4.803955078125}, {2.953125, 1.7333984375, 1.0, 0.0}, {1.818359375, -0.9541015625, 1.0, 2.642333984375}, {-2.330078125, -0.234375, 1.0, 0.94482421875}, {-3.43359375, -1.6884765625, 1.0, 0.468994140625}, {-3.306640625, 0.224609375, 1.0, 0.0}, {-3.732421875, -1.5546875, 1.0, 0.0}, {-2.95703125, -0.2978515625, 1.0, 0.590087890625}, {0.2890625, -0.4072265625, 1.0, 0.0}, {-1.970703125, -1.84765625, 1.0, 0.13330078125}, {3.533203125, -0.939453125, 1.0, 5.1767578125}, {1.4453125, 1.2705078125, 1.0, 0.569091796875}, {-1.0859375, 1.6640625, 1.0, 0.0}, {-2.11328125, -0.0634765625, 1.0, 0.0}, {3.365234375, -1.845703125, 1.0, 4.115234375}, {-1.376953125, -1.7109375, 1.0, 1.01611328125}, {3.3671875, 1.841796875, 1.0, 0.0}, {-3.421875, 1.591796875, 1.0, 0.0}},
 {0.4030733395513942, -0.6622554135803823, 1.0497861227673744}, 1.0841878931985434,
 {0.6311738040502226, -1.1800670490115026, 0.2581538731459481}, 1.43248358357385,
 {0.014494443982194488, 0.06237378236452168, 0.09409777463481213, 0.41998347355467236},
 47.680504516925716, 1.0427385260344149};
// Uncensored: n = 30, 0 censored
const TobitCase kUncensored = {
 {{3.15234375, -0.7880859375, 1.0, 13.545654296875}, {3.755859375, 0.419921875, 1.0, 14.1826171875}, {1.142578125, 1.7734375, 1.0, 9.13232421875}, {3.267578125, -1.6923828125, 1.0, 16.858154296875}, {-0.83203125, 0.9384765625, 1.0, 8.398193359375}, {-3.111328125, -1.671875, 1.0, 13.73779296875}, {2.095703125, 0.6396484375, 1.0, 13.140380859375}, {-2.751953125, -1.287109375, 1.0, 10.1259765625}, {-3.56640625, 1.7880859375, 1.0, 7.825439453125}, {1.4609375, -1.794921875, 1.0, 17.22412109375}, {-0.28125, 0.8759765625, 1.0, 9.717529296875}, {-1.048828125, -0.646484375, 1.0, 11.544921875}, {0.2578125, 0.4423828125, 1.0, 10.792724609375}, {-1.478515625, 1.400390625, 1.0, 8.5712890625}, {-1.896484375, -0.7119140625, 1.0, 9.529052734375}, {1.78125, -1.8037109375, 1.0, 19.256591796875}, {-3.4375, -1.7939453125, 1.0, 11.980712890625}, {1.2890625, -0.8447265625, 1.0, 13.263916015625}, {0.998046875, 1.609375, 1.0, 9.06591796875}, {-1.482421875, -0.3798828125, 1.0, 13.118896484375}, {-2.24609375, 0.330078125, 1.0, 12.03369140625}, {-3.388671875, 1.8154296875, 1.0, 9.378662109375}, {-3.3359375, -0.2470703125, 1.0, 6.873291015625}, {1.697265625, -1.857421875, 1.0, 15.73828125}, {0.091796875, -0.1455078125, 1.0, 12.292724609375}, {-0.98046875, 0.0693359375, 1.0, 11.167236328125}, {-0.1875, -0.8251953125, 1.0, 15.165283203125}, {0.64453125, -1.06640625, 1.0, 12.892578125}, {-2.625, -1.0556640625, 1.0, 13.093994140625}, {2.056640625, -0.51171875, 1.0, 12.67236328125}},
 {0.6357902622851057, -1.6139014738777082, 11.88947878479892}, 1.5858506595000337,
 {0.6357902622851057, -1.6139014738777082, 11.88947878479892}, 1.5044700338700743,
 {0.016420825846450358, 0.05595651630278507, 0.08055977010933298, 0.3415411932894026},
 54.8213769728198, 1.5044700338700743};

TobitProblem Problem(const TobitCase& c) {
    TobitProblem pr;
    pr.data.Resize(static_cast<int>(c.rows.size()), 4, false);
    for (int i = 0; i < pr.data.Rows(); ++i)
        for (int j = 0; j < 4; ++j) pr.data[i][j] = c.rows[i][j];
    pr.names = {"x1", "x2", "定数項"};
    pr.startCoef = c.olsCoef;
    pr.startSigma = c.olsSigma;
    return pr;
}

std::vector<double> Theta(const TobitCase& c) {
    std::vector<double> t = c.coef;
    t.push_back(c.sigma);
    return t;
}

}  // namespace

TEST(Tobit, MatchesIndependentMaximumLikelihood) {
    ThreadPool pool(3);
    for (ThreadPool* p : {static_cast<ThreadPool*>(nullptr), &pool}) {
        const TobitResult r = TobitEstimate(Problem(kCensored), p);
        ASSERT_EQ(r.coef.size(), 3u);
        // The simplex alone stops about 1e-5 from the maximum (its vertices
        // agree within 1e-5); the Newton steps after it reach the maximum.
        for (int j = 0; j < 3; ++j) ExpectRel(r.coef[j], kCensored.coef[j], 1e-8, "coef", j);
        ExpectRel(r.sigma, kCensored.sigma, 1e-8, "sigma", 0);
        for (int j = 0; j < 3; ++j) ExpectRel(*r.StdError(j), std::sqrt(kCensored.variance[j]), 1e-7, "se", j);
        ExpectRel(*r.SigmaStdError(), std::sqrt(kCensored.variance[3]) / (2 * kCensored.sigma), 1e-7, "se sigma", 0);
        EXPECT_EQ(r.positiveCount, 22);
        EXPECT_NEAR(r.negLogLikelihood, kCensored.negLogLikelihood, 1e-8);
        EXPECT_NEAR(r.index[5], kCensored.rows[5][0] * r.coef[0] + kCensored.rows[5][1] * r.coef[1] + r.coef[2],
                    1e-12);
    }
}

TEST(Tobit, WithoutCensoringItIsLeastSquaresWithTheMaximumLikelihoodSigma) {
    const TobitResult r = TobitEstimate(Problem(kUncensored));
    for (int j = 0; j < 3; ++j) ExpectRel(r.coef[j], kUncensored.olsCoef[j], 1e-8, "coef", j);
    ExpectRel(r.sigma, kUncensored.sigmaMle, 1e-8, "sigma", 0);
    EXPECT_EQ(r.positiveCount, 30);
}

TEST(Tobit, ObjectiveAndInformationAtTheIndependentMaximum) {
    const TobitProblem pr = Problem(kCensored);
    const std::vector<double> theta = Theta(kCensored);
    EXPECT_NEAR(TobitLogLikelihood(pr.data, theta.data()), kCensored.negLogLikelihood, 1e-9);
    Matrix info = TobitInformation(pr.data, kCensored.coef, kCensored.sigma);
    const Matrix inv = info.Inverse();
    for (int j = 0; j < 4; ++j) ExpectRel(inv[j][j], kCensored.variance[j], 1e-10, "variance", j);
    EXPECT_EQ(info[3][1], info[1][3]);
}

TEST(Tobit, ObjectiveGuards) {
    const TobitProblem pr = Problem(kCensored);
    const double nan = std::numeric_limits<double>::quiet_NaN(), inf = std::numeric_limits<double>::infinity();
    // sigma <= 0 or a value that is not a number: +infinity, never NaN.
    for (const std::vector<double>& theta : std::vector<std::vector<double>>{
             {0.5, -1.0, 1.0, 0.0}, {0.5, -1.0, 1.0, -1.0}, {0.5, -1.0, 1.0, nan}, {nan, -1.0, 1.0, 1.0}})
        EXPECT_EQ(TobitLogLikelihood(pr.data, theta.data()), inf) << theta[0] << " " << theta[3];
    // A censored term whose Phi(z) underflows (z = -1000) costs -log(eps).
    Matrix data(1, 2);
    data[0][0] = 1.0;
    const double theta[] = {1e3, 1.0};
    EXPECT_NEAR(TobitLogLikelihood(data, theta), 36.04365338911715, 1e-12);
}

TEST(Tobit, ProblemFromTheModelIsTheLeastSquaresStart) {
    Columns cols(3);
    for (const auto& r : kCensored.rows) {
        cols[0].push_back(r[0]);
        cols[1].push_back(r[1]);
        cols[2].push_back(r[3]);
    }
    auto reg = MakeModel(cols, {}, {"x1", "x2", "y"});
    ASSERT_TRUE(reg->SetModel(2, {2, 2, 1, 2}));
    const TobitProblem pr = MakeTobitProblem(*reg);
    EXPECT_EQ(pr.names, (std::vector<std::string>{"x1", "x2", "定数項"}));
    EXPECT_EQ(pr.depName, "y");
    ASSERT_EQ(pr.data.Rows(), 40);
    ASSERT_EQ(pr.data.Cols(), 4);
    for (int j = 0; j < 4; ++j) EXPECT_EQ(pr.data[7][j], kCensored.rows[7][j]) << j;
    for (int j = 0; j < 3; ++j) ExpectRel(pr.startCoef[j], kCensored.olsCoef[j], 1e-12, "start", j);
    ExpectRel(pr.startSigma, kCensored.olsSigma, 1e-12, "start sigma", 0);
}

TEST(Tobit, FailuresAreReportedNotEstimated) {
    struct Case {
        const char* name;
        void (*spoil)(TobitProblem&);
        const char* message;
    } const cases[] = {
        {"every observation censored: no maximum",
         [](TobitProblem& p) { for (int i = 0; i < p.data.Rows(); ++i) p.data[i][3] = 0.0; }, "FAILURE"},
        {"a dependent value that is not a number",
         [](TobitProblem& p) { p.data[4][3] = std::numeric_limits<double>::quiet_NaN(); },
         "5 番目の観測値が有限の数値ではありません。"},
    };
    for (const Case& c : cases) {
        TobitProblem pr = Problem(kCensored);
        c.spoil(pr);
        ExpectExceptionMessage([&] { (void)TobitEstimate(pr); }, c.message, c.name);
    }
}

// Newton's method reaches the maximum in a few passes, also from a start
// two units off in x1's coefficient, where its first full steps overshoot
// and are halved (the simplex would take hundreds), and from sigma = 0, a
// perfect fit's, which starts at the variance floor's root; the simplex,
// the fallback where Newton's steps fail, reaches the same maximum.
TEST(Tobit, NewtonOrSimplexReachTheSameMaximum) {
    const struct {
        const char* name;
        double startShift, startSigma;
        bool simplex;
        int minPasses, maxPasses;
    } cases[] = {
        {"Newton from least squares", 0.0, kCensored.olsSigma, false, 3, 30},
        {"Newton from x1's coefficient two units off", 2.0, kCensored.olsSigma, false, 3, 100},
        {"Newton from sigma 0", 0.0, 0.0, false, 3, 100},
        {"simplex from least squares", 0.0, kCensored.olsSigma, true, 200, 1000000},
    };
    for (const auto& c : cases) {
        TobitProblem pr = Problem(kCensored);
        pr.startCoef[0] += c.startShift;
        pr.startSigma = c.startSigma;
        TobitResult r;
        if (c.simplex) {
            std::vector<double> theta = pr.startCoef;
            theta.push_back(pr.startSigma);
            const std::vector<double> best = TobitSimplexMaximum(pr.data, theta, nullptr, r);
            r.coef.assign(best.begin(), best.begin() + 3);
            r.sigma = best[3];
            EXPECT_NEAR(r.negLogLikelihood, kCensored.negLogLikelihood, 1e-8) << c.name;
        } else {
            r = TobitEstimate(pr);
        }
        for (int j = 0; j < 3; ++j) ExpectRel(r.coef[j], kCensored.coef[j], 1e-8, c.name, j);
        ExpectRel(r.sigma, kCensored.sigma, 1e-8, c.name, 3);
        EXPECT_GE(r.evaluations, c.minPasses) << c.name;
        EXPECT_LE(r.evaluations, c.maxPasses) << c.name;
    }
}

// The simplex measures its steps and tolerances in the data's units: with
// y or the regressors in other units it reaches the same maximum, the
// coefficients and sigma in those units.
TEST(Tobit, SimplexReachesTheMaximumInAnyUnits) {
    const struct {
        const char* name;
        double yScale, xScale;
    } cases[] = {
        {"y x 2^-30", 0x1p-30, 1.0},
        {"y x 1e-9", 1e-9, 1.0},
        {"y x 1e9", 1e9, 1.0},
        {"x x 1e-6", 1.0, 1e-6},
        {"x x 1e6, y x 1e-9", 1e-9, 1e6},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TobitProblem pr = Problem(kCensored);
        for (int i = 0; i < pr.data.Rows(); ++i) {
            pr.data[i][0] *= c.xScale;
            pr.data[i][1] *= c.xScale;
            pr.data[i][3] *= c.yScale;
        }
        // Coefficients of x in y units per x unit; the constant's in y units.
        const double unit[] = {c.yScale / c.xScale, c.yScale / c.xScale, c.yScale};
        std::vector<double> theta;
        for (int j = 0; j < 3; ++j) theta.push_back(kCensored.olsCoef[j] * unit[j]);
        theta.push_back(kCensored.olsSigma * c.yScale);
        TobitResult r;
        const std::vector<double> best = TobitSimplexMaximum(pr.data, theta, nullptr, r);
        for (int j = 0; j < 3; ++j) ExpectRel(best[j], kCensored.coef[j] * unit[j], 1e-8, "coef", j);
        ExpectRel(best[3], kCensored.sigma * c.yScale, 1e-8, "sigma", 0);
        EXPECT_NEAR(r.negLogLikelihood, kCensored.negLogLikelihood + 22 * std::log(c.yScale), 1e-8);
    }
}

// Without a constant term both of Newton's parameters, b / sigma and
// 1 / sigma, are of the size of 1 / (the data's units): near 1e-9 for x and
// y near 1e9, where every step is far below 1e-9 in absolute terms. The
// estimates stay those of the data at scale 1, b as it is and sigma times
// the scale. x and y lie on grids of 1/16 and 1/64, so that times 1e9 they
// are exact; 11 of the 24 are censored.
// Values from an independent 40-digit maximisation of the log-likelihood.
TEST(Tobit, WithoutAConstantTermTheEstimatesScaleWithTheUnits) {
    const double rows[][2] = {
        {1.25, 1.03125}, {-1.9375, 0.0}, {2.0, 2.296875}, {-1.375, 0.0}, {1.75, 1.859375}, {-2.625, 0.0},
        {-0.5, 0.0}, {-1.75, 0.71875}, {-2.8125, 0.0}, {-0.875, 0.359375}, {-0.125, 0.921875},
        {1.375, 4.890625}, {2.125, 0.0}, {2.875, 4.5}, {-1.25, 0.0}, {1.0, 0.0}, {-0.4375, 0.0},
        {0.75, 2.515625}, {3.5625, 1.421875}, {1.6875, 0.0}, {-0.375, 0.0}, {1.875, 4.640625},
        {-0.1875, 1.15625}, {2.0, 2.28125}};
    constexpr int kObserved = 13;
    constexpr double kOlsCoef = 0.63334996323915555089;   // sum xy / sum xx
    constexpr double kOlsSigma = 1.6424978236992653852;   // sqrt(SSE / (n - 1))
    constexpr double kCoef = 0.94247655273655263227, kSigma = 1.9112283003983818245;
    constexpr double kNegLogLikelihood = 33.330402262465905429;
    const auto fit = [&](double scale) {
        TobitProblem pr;
        pr.data.Resize(static_cast<int>(std::size(rows)), 2, false);
        for (int i = 0; i < pr.data.Rows(); ++i)
            for (int j = 0; j < 2; ++j) pr.data[i][j] = rows[i][j] * scale;
        pr.names = {"x"};
        pr.depName = "y";
        pr.startCoef = {kOlsCoef};
        pr.startSigma = kOlsSigma * scale;
        return TobitEstimate(pr);
    };
    const TobitResult one = fit(1.0);
    for (double scale : {1e-9, 1.0, 1e9}) {
        SCOPED_TRACE(scale);
        const TobitResult r = fit(scale);
        ASSERT_EQ(r.coef.size(), 1u);
        ExpectRel(r.coef[0], kCoef, 1e-8, "coef", 0);
        ExpectRel(r.sigma, kSigma * scale, 1e-8, "sigma", 0);
        EXPECT_NEAR(r.negLogLikelihood, kNegLogLikelihood + kObserved * std::log(scale), 1e-8);
        EXPECT_EQ(r.positiveCount, kObserved);
        // Units-free: the fit at scale 1, sigma in the new units.
        ExpectRel(r.coef[0], one.coef[0], 1e-10, "coef against scale 1", 0);
        ExpectRel(r.sigma, one.sigma * scale, 1e-10, "sigma against scale 1", 0);
    }
}

// Many blocks of observations: the same bits on one thread and on several.
TEST(Tobit, SameEstimateOnAnyNumberOfThreads) {
    constexpr int n = 30000;
    TobitProblem pr;
    pr.data.Resize(n, 4, false);
    std::uint64_t s = 12345;
    auto next = [&s] {
        s = s * 6364136223846793005ULL + 1442695040888963407ULL;
        return static_cast<double>(s >> 11) / 9007199254740992.0 - 0.5;
    };
    for (int i = 0; i < n; ++i) {
        const double x1 = 4 * next(), x2 = 2 * next();
        pr.data[i][0] = x1;
        pr.data[i][1] = x2;
        pr.data[i][2] = 1.0;
        pr.data[i][3] = std::max(0.0, 0.6 * x1 - 1.2 * x2 + 0.2 + 3 * next());
    }
    pr.names = {"x1", "x2", "定数項"};
    pr.startCoef = {0.4, -0.8, 0.6};
    pr.startSigma = 1.0;
    ThreadPool pool(4);
    const TobitResult one = TobitEstimate(pr);
    const TobitResult four = TobitEstimate(pr, &pool);
    EXPECT_EQ(one.coef, four.coef);
    EXPECT_EQ(one.sigma, four.sigma);
    EXPECT_EQ(one.variance, four.variance);
    EXPECT_EQ(one.negLogLikelihood, four.negLogLikelihood);
    EXPECT_LT(one.evaluations, 30);
}
