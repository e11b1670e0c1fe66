// Regression with AR(q) errors. Expected values come from plain-Python
// scripts written for these tests: for q = 1 the fixed point "phi is the
// maximum-likelihood AR(1) coefficient of the demeaned residuals of the
// Prais-Winsten fit at phi", with the likelihood maximised by bisection on its
// derivative and the fixed point found by bisection; for q = 2 the alternating
// Yule-Walker loop, with the start rows built from the lower Cholesky factor
// K of Gamma as L = sigma K^-1.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "core/numeric/time_series.h"
#include "estimators/weighted_fit.h"
#include "weighted_data.h"

namespace {

const std::vector<double> kX = {1.465, 1.114, 2.925, 1.92,   3.85,   4.469,  5.507,  5.51,
                                5.87,  6.923, 8.977, 7.718,  8.793,  10.531, 11.669, 12.963,
                                13.102, 12.793, 13.717, 14.676, 14.25, 16.312, 17.049, 18.539};
const std::vector<double> kY = {2.391, 2.243, 3.691, 3.577, 3.641, 3.095, 4.635, 3.766,
                                4.537, 4.714, 6.153, 5.688, 6.089, 6.446, 7.635, 8.795,
                                8.349, 9.218, 10.021, 9.815, 9.821, 9.825, 10.541, 11.378};

// The least-squares residuals of y on x and the constant, and the maximum-
// likelihood AR(1) coefficient and innovation variance of that series.
const std::vector<double> kOlsResiduals = {
    0.06222202981332847,  0.10378672277085244,  0.5737193183660771,   1.0024900204239455,  0.02415424433271607,
    -0.856149302506906,   0.12325767387511632,  -0.7473625371758024,  -0.1707878632860842, -0.5624819421586551,
    -0.2327864416878711,  -0.01783787065219311, -0.19741349723150403, -0.7790557660639177, -0.2046558247125292,
    0.25649314199107387,  -0.2645766367015092,  0.7713051015431489,   1.0752800978600945,  0.35135263191631694,
    0.5874226011468178,   -0.5222024611848504,  -0.20423430936061848, -0.1719391313170604};
constexpr double kOlsRho = 0.3065715349967949;
constexpr double kOlsRhoVariance = 0.24128568175540466;

// AR(1) fit.
constexpr double kPhi = 0.3108871424720647;
constexpr double kInnovationVariance = 0.2409563291603507;
const std::vector<double> kCoef = {0.5354705287681942, 1.5780100603645373};
const std::vector<double> kStdErr = {0.02757745901029796, 0.29481607856120395};
constexpr double kS2 = 0.2628596045029219;
const std::vector<double> kPredictions = {
    2.362474385009942,  2.1833924763438235, 3.1655495936580857, 2.776087489997218,  3.9414077333576003,
    3.9714719258294986, 4.254500466212319,  4.5620762803413175, 4.4841853311819415, 5.2278002598967825,
    6.207389889801423,  5.638667858227463,  6.279323021735299,  7.155680324606465,  7.586706067546186,
    8.459805857050553,  8.679451997895553,  8.352196483506862,  9.168571687790024,  9.777911186312114,
    9.326112394146103,  10.50303455181439,  10.555656878993798, 11.453414105676712};

// AR(2) fit.
constexpr int kPasses2 = 5;
const std::vector<double> kPhi2 = {0.30615135207946576, 0.05972664237048517};
constexpr double kSigma2 = 0.24013746373741868;
const std::vector<double> kARVariances2 = {0.996432728191148, 0.9964327281911483};
const std::vector<double> kTransform2 = {0.9438202660634741, 0.0, -0.3250169742629156, 0.9982147705735216};
const std::vector<double> kCoef2 = {0.533639759606984, 1.5940541069969427};
const std::vector<double> kStdErr2 = {0.029066247379565726, 0.3125120448407752};

class ARErrorsTest : public ::testing::Test {
protected:
    std::unique_ptr<WLSE> Make(const std::vector<double>& x, const std::vector<double>& y) {
        table_ = MakeNamedTable(context_, {x, y}, {"x", "y"});
        return std::make_unique<WLSE>(*table_, nullptr, 1);
    }
    EngineContext context_;
    std::unique_ptr<TNamedData> table_;
};

TEST(ExactAR1, MatchesTheMaximisedLikelihood) {
    double variance = 0.0;
    const double rho = EstimateAR1Coefficient(kOlsResiduals.data(), 24, &variance);
    ExpectNear(rho, kOlsRho, 1e-8, 0, "rho");
    ExpectNear(variance, kOlsRhoVariance, 1e-8, 0, "variance");
}

TEST_F(ARErrorsTest, FirstOrderFitIsTheLikelihoodFixedPoint) {
    auto fit = Make(kX, kY);
    ASSERT_TRUE(fit->Estimate(WLSE::kModeAROffset + 1));
    EXPECT_TRUE(fit->ARMode());
    EXPECT_EQ(fit->AROrder(), 1);
    EXPECT_GE(fit->Iterations(), 1);
    ExpectNear(fit->GetARCoef(0), kPhi, 1e-6, 0, "phi");
    ExpectNear(fit->ARVariance(), kInnovationVariance, 1e-6, 0, "innovation variance");
    ExpectNear(fit->GetARVariance(0), 1.0 - kPhi * kPhi, 1e-6, 0, "1 - phi^2");
    ExpectNear(fit->GetARTransform(0, 0), std::sqrt(1.0 - kPhi * kPhi), 1e-6, 0, "L");
    for (int j = 0; j < 2; ++j) {
        ExpectNear(fit->GetCoef(j), kCoef[j], 1e-6, 0, "coef");
        ExpectNear(fit->GetStdErr(j), kStdErr[j], 1e-6, 0, "se");
    }
    ExpectNear(fit->S2(), kS2, 1e-6, 0, "s2");
    for (int t = 0; t < 24; ++t) ExpectNear(fit->GetWeight(t), kPredictions[t], 1e-6, 0, "prediction");
    // The filtered data: the first row scaled, then quasi-differences.
    const double phi = fit->GetARCoef(0);
    ExpectNear(fit->GetTransformed(0, 0), std::sqrt(1.0 - phi * phi) * kX[0], 1e-14, 0, "x*0");
    for (int t = 1; t < 24; ++t) {
        ExpectNear(fit->GetTransformed(0, t), kX[t] - phi * kX[t - 1], 1e-13, 1e-13, "x*");
        ExpectNear(fit->GetTransformed(1, t), 1.0 - phi, 1e-13, 1e-13, "constant*");
    }
    EXPECT_EQ(fit->RegressionDf(), 2);
}

TEST_F(ARErrorsTest, SecondOrderFitFollowsTheYuleWalkerLoop) {
    auto fit = Make(kX, kY);
    ASSERT_TRUE(fit->Estimate(WLSE::kModeAROffset + 2));
    EXPECT_EQ(fit->AROrder(), 2);
    EXPECT_EQ(fit->Iterations(), kPasses2);
    for (int i = 0; i < 2; ++i) {
        ExpectNear(fit->GetARCoef(i), kPhi2[i], 1e-6, 1e-8, "phi");
        ExpectNear(fit->GetARVariance(i), kARVariances2[i], 1e-6, 0, "variance figure");
    }
    ExpectNear(fit->ARVariance(), kSigma2, 1e-6, 0, "sigma2");
    for (int i = 0; i < 2; ++i)
        for (int j = 0; j < 2; ++j) ExpectNear(fit->GetARTransform(i, j), kTransform2[i * 2 + j], 1e-6, 1e-9, "L");
    for (int j = 0; j < 2; ++j) {
        ExpectNear(fit->GetCoef(j), kCoef2[j], 1e-6, 0, "coef");
        ExpectNear(fit->GetStdErr(j), kStdErr2[j], 1e-6, 0, "se");
    }
}

// The start rows of an AR(2) filter are white: L Gamma L' = sigma^2 I with
// Gamma the autocovariances that the Yule-Walker estimates reproduce.
TEST_F(ARErrorsTest, StartRowsOfHigherOrdersAreWhite) {
    auto fit = Make(kX, kY);
    ASSERT_TRUE(fit->Estimate(WLSE::kModeAROffset + 2));
    const double p1 = fit->GetARCoef(0), p2 = fit->GetARCoef(1), s2 = fit->ARVariance();
    const double g0 = s2 * (1.0 - p2) / ((1.0 + p2) * ((1.0 - p2) * (1.0 - p2) - p1 * p1));
    const double g1 = p1 * g0 / (1.0 - p2);
    const double gamma[2][2] = {{g0, g1}, {g1, g0}};
    for (int i = 0; i < 2; ++i)
        for (int j = 0; j < 2; ++j) {
            double v = 0.0;
            for (int a = 0; a < 2; ++a)
                for (int b = 0; b < 2; ++b) v += fit->GetARTransform(i, a) * gamma[a][b] * fit->GetARTransform(j, b);
            EXPECT_NEAR(v, i == j ? s2 : 0.0, 1e-12) << i << "," << j;
        }
    EXPECT_EQ(fit->GetARTransform(0, 1), 0.0);
}

// A dependent variable without variation leaves residuals of exactly zero
// and no AR process to estimate: the procedure reports failure and the
// plain fit stands.
TEST_F(ARErrorsTest, UnestimableProcessFallsBackToThePlainFit) {
    const std::vector<double> x = {1, 2, 3, 4, 5, 6, 7, 8};
    const std::vector<double> y(8, 0.0);
    for (int q : {1, 2, 3}) {
        SCOPED_TRACE(q);
        auto fit = Make(x, y);
        EXPECT_FALSE(fit->Estimate(WLSE::kModeAROffset + q));
        EXPECT_FALSE(fit->ARMode());
        EXPECT_EQ(fit->GetCoef(0), 0.0);
        EXPECT_EQ(fit->GetCoef(1), 0.0);
        for (int t = 0; t < 8; ++t) EXPECT_EQ(fit->GetWeight(t), 1.0);
        for (int t = 0; t < 8; ++t) EXPECT_TRUE(std::isfinite(fit->GetResult(WLSE::kRowStudentized, t)));
    }
}

// Two-stage AR(1): moments and covariance from the filtered instruments,
// C = M T M' with M = (Z*'X*)^-1 and T = Z*'Z*. Expected from the same
// loop in plain Python (maximum-likelihood coefficient by bisection on the
// derivative of the likelihood).
TEST_F(ARErrorsTest, TwoStageFirstOrderFitUsesTheFilteredInstruments) {
    const std::vector<double> z = {1.465,  1.885,  3.337,  1.37,   3.143,  4.641,  6.306,  5.765,
                                   5.208,  6.313,  9.313,  8.507,  8.879,  9.788,  11.185, 13.447,
                                   13.845, 12.706, 12.927, 14.341, 14.86,  16.974, 16.793, 17.74};
    auto data = MakeNamedTable(context_, {kX, kY}, {"x", "y"});
    auto second = MakeNamedTable(context_, {z, kY}, {"x", "y"});
    WLSE fit(*data, second.get(), 1);
    ASSERT_TRUE(fit.Estimate(WLSE::kModeAROffset + 1));
    EXPECT_EQ(fit.Iterations(), 4);
    ExpectNear(fit.GetARCoef(0), 0.312393846515827, 1e-6, 0, "phi");
    const double coef[2] = {0.534281686099153, 1.588962069253423};
    const double se[2] = {0.027915873401703397, 0.29767336821254864};
    const double c[4] = {0.0029645713660058698, -0.02734198367362135, -0.02734198367362135, 0.33708500407744063};
    for (int j = 0; j < 2; ++j) {
        ExpectNear(fit.GetCoef(j), coef[j], 1e-6, 0, "coef");
        ExpectNear(fit.GetStdErr(j), se[j], 1e-6, 0, "se");
        for (int l = 0; l < 2; ++l) ExpectNear(fit.GetCovariance(j, l), c[j * 2 + l], 1e-6, 0, "C");
    }
    const double phi = fit.GetARCoef(0);
    for (int t = 1; t < 24; ++t) ExpectNear(fit.GetSecondTransformed(0, t), z[t] - phi * z[t - 1], 1e-13, 1e-13, "z*");
}

// An order beyond the series is refused at once, before anything is sized
// by it.
TEST_F(ARErrorsTest, OrderBeyondTheSeriesIsRefused) {
    auto fit = Make(kX, kY);
    EXPECT_FALSE(fit->Estimate(WLSE::kModeAROffset + 24));
    EXPECT_FALSE(fit->Estimate(2000000000));
    EXPECT_FALSE(fit->ARMode());
    EXPECT_EQ(fit->Iterations(), 0);
}

// After an AR fit the weights hold predictions; a robust kind starts again
// from unit weights and the AR state is gone.
TEST_F(ARErrorsTest, ReweightingClearsTheARState) {
    auto fit = Make(kX, kY);
    ASSERT_TRUE(fit->Estimate(WLSE::kModeAROffset + 1));
    ASSERT_TRUE(fit->Estimate(-1));
    EXPECT_FALSE(fit->ARMode());
    EXPECT_EQ(fit->AROrder(), 0);
    for (int t = 0; t < 24; ++t) EXPECT_EQ(fit->GetWeight(t), 1.0);
    EXPECT_EQ(fit->RegressionDf(), 1);
}

}  // namespace
