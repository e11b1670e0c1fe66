// Diagnostics of the fitted model: covariances, White's covariance,
// collinearity, tolerance intervals, the Breusch-Godfrey statistic, the LIML
// root and the added-variable data. Expected values were computed with numpy
// and scipy from the same data and pasted here.
#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <vector>

#include "core/model/regression_diagnostics.h"
#include "support/model_builder.h"
#include "support/sample_columns.h"

namespace {

void ExpectAllNear(const std::vector<double>& actual, const std::vector<double>& expected, double tol,
                   const char* what) {
    ASSERT_EQ(actual.size(), expected.size()) << what;
    for (size_t i = 0; i < expected.size(); ++i)
        EXPECT_NEAR(actual[i], expected[i], tol * (1.0 + std::fabs(expected[i]))) << what << " [" << i << "]";
}

// x1, x2, x3, y (the dependent variable, index 3); constant term index 4.
const Columns kOls = {
    {10.0, 10.9, 9.2, 7.3, 8.6, 7.0, 10.2, 14.0, 8.5, 8.1, 11.5, 11.1, 10.3, 7.2, 9.9},
    {9.4, 5.6, 6.8, 3.4, 5.0, 3.4, 7.6, 6.7, 8.1, 7.7, 8.1, 3.3, 7.0, 7.1, 8.2},
    {0.35, 0.64, 0.38, -0.13, 2.06, -0.13, 1.49, 2.22, 1.04, 1.43, 1.73, 0.72, 0.17, 1.5, 3.0},
    {-7.09, 3.04, -1.03, 0.36, 5.67, 2.61, -3.25, 2.91, -1.57, -2.39, 0.88, 4.03, 0.24, 0.75, -1.83}};

// Exogenous x0..x3, then endogenous y2, y3, y1.
const Columns& kSem = SemColumns();
const std::vector<int>& kSemTypes = SemTypes();

// ---- covariances ---------------------------------------------------------------

TEST(RegCovariance, OrdinaryAndWhiteMatchTheTextbookFormulas) {
    auto reg = MakeModel(kOls);
    ASSERT_TRUE(reg->SetModel(3, {2, 2, 0, 1, 2}));
    // s2 (X'X)^-1 and HC0 (X'X)^-1 X' diag(e^2) X (X'X)^-1 over x1, x2, const.
    const std::vector<double> cov = {0.09912764219086201,  -0.02310797763916218, -0.8002558616661039,
                                     -0.023107977639162183, 0.09554361986383504, -0.3988680926817342,
                                     -0.8002558616661039,  -0.3988680926817341,  10.576292836663574};
    const std::vector<double> white = {0.043687178513237904, 0.0017093479343207596, -0.47306789407665417,
                                       0.0017093479343207596, 0.09196748702060323, -0.6020424026350927,
                                       -0.47306789407665417, -0.6020424026350921, 9.03492499167056};
    const int idx[3] = {0, 1, 4};
    Matrix c(2, 2, 7.0), w;  // wrong shapes on purpose: they are resized
    GetCovariance(*reg, c);
    GetWhiteCovariance(*reg, w);
    ASSERT_EQ(c.Rows(), 5);
    ASSERT_EQ(w.Cols(), 5);
    for (int a = 0; a < 3; ++a)
        for (int b = 0; b < 3; ++b) {
            EXPECT_NEAR(c[idx[a]][idx[b]], cov[a * 3 + b], 1e-12 * std::fabs(cov[a * 3 + b])) << a << "," << b;
            EXPECT_NEAR(w[idx[a]][idx[b]], white[a * 3 + b], 1e-12 * std::fabs(white[a * 3 + b])) << a << "," << b;
        }
    // Variables outside the model (x3) and the dependent one are zero.
    for (int j = 0; j < 5; ++j)
        for (int outside : {2, 3}) {
            EXPECT_EQ(c[outside][j], 0.0);
            EXPECT_EQ(w[j][outside], 0.0);
        }
}

TEST(RegCovariance, ConstantOnlyModel) {
    auto reg = MakeModel(kOls);
    reg->SetDependent(3);
    Matrix c, w;
    GetCovariance(*reg, c);
    GetWhiteCovariance(*reg, w);
    // s2 / n and sum(e^2) / n^2 for the mean alone.
    EXPECT_NEAR(c[4][4], 0.7005420952380953, 1e-14);
    EXPECT_NEAR(w[4][4], 0.653839288888889, 1e-14);
    double others = 0.0;
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 5; ++j) others += std::fabs(c[i][j]) + std::fabs(w[j][i]);
    EXPECT_EQ(others, 0.0);
}

// ---- collinearity ----------------------------------------------------------------

TEST(RegCollinearity, VifAndConditionNumberFromTheCorrelationMatrix) {
    struct Case {
        std::vector<std::uint8_t> roles;
        std::vector<double> vif;
        double condition;
    };
    // diag(R^-1) and sqrt(largest / smallest eigenvalue) of R.
    const Case cases[] = {
        {{2, 2, 2, 1, 2}, {1.1593534143296176, 1.2223472081112219, 1.3226380271464115}, 1.7407105472996325},
        {{2, 0, 2, 1, 2}, {1.146698970354862, 1.146698970354862}, 1.4538533262972937},
    };
    for (const Case& c : cases) {
        auto reg = MakeModel(kOls);
        ASSERT_TRUE(reg->SetModel(3, c.roles));
        Vector vif;
        EXPECT_NEAR(GetConditionNumber(*reg, vif), c.condition, 1e-12);
        ExpectAllNear(std::vector<double>(vif.begin(), vif.end()), c.vif, 1e-12, "vif");
    }
}

TEST(RegCollinearity, OneExplanatoryVariableGivesZeroAndLeavesVifAlone) {
    auto reg = MakeModel(kOls);
    ASSERT_TRUE(reg->SetModel(3, {2, 0, 0, 1, 2}));
    Vector vif(2, 42.0);
    EXPECT_EQ(GetConditionNumber(*reg, vif), 0.0);
    EXPECT_EQ(vif.Count(), 2);
    EXPECT_EQ(vif.At(0), 42.0);
}

TEST(RegCollinearity, TwoStageWithObservedLeverages) {
    // The matrix ((Z'X)^-1 Z'Z (Z'X)^-T)^-1 on unit-length centred columns,
    // Z the first-stage design, X the observed values.
    auto reg = MakeModel(kSem, kSemTypes);
    reg->SetTwoStage(true);
    reg->SetRealCalc(true);
    ASSERT_TRUE(reg->SetModel(6, {2, 0, 0, 0, 2, 2, 1, 2}));
    Vector vif;
    EXPECT_NEAR(GetConditionNumber(*reg, vif), 3.547785483641543, 1e-11);
    ExpectAllNear(std::vector<double>(vif.begin(), vif.end()),
                  {3.631142831360789, 3.8347940993288168, 1.6658193165109942}, 1e-11, "vif");
}

// ---- tolerance interval --------------------------------------------------------------

TEST(RegToleranceInterval, PredictionAndSymmetricHalfWidth) {
    auto reg = MakeModel(kOls);
    ASSERT_TRUE(reg->SetModel(3, {2, 2, 2, 1, 2}));
    // The dependent slot is ignored and the constant slot overwritten.
    std::vector<double> x = {9.0, 6.0, 1.0, 123.0, 777.0};
    double lower = 0.0, upper = 0.0;
    const double yhat = GetToleranceInterval(*reg, x, lower, upper, 0.9, 0.95);
    EXPECT_EQ(x[4], 1.0);
    EXPECT_NEAR(yhat, 0.6649729264538262, 1e-12);
    // (sqrt(pc Fq Q) + zq sqrt(df / cq)) sqrt(s2) with scipy's exact
    // quantiles; the program's quantiles agree to about 1e-7.
    const double half = 7.383859041779067;
    EXPECT_NEAR(upper - yhat, half, 1e-5 * half);
    EXPECT_NEAR(yhat - lower, half, 1e-5 * half);
    EXPECT_NEAR((upper - yhat) - (yhat - lower), 0.0, 1e-12);
}

TEST(RegToleranceInterval, OddProbabilitiesStillGiveThePrediction) {
    auto reg = MakeModel(kOls);
    ASSERT_TRUE(reg->SetModel(3, {2, 2, 2, 1, 2}));
    const double nan = std::nan("");
    const double odd[][2] = {{0.0, 0.95}, {1.0, 0.95}, {0.9, 0.0}, {0.9, 1.0}, {-3.0, 7.0}, {nan, 0.95}, {0.9, nan}};
    for (const auto& pc : odd) {
        std::vector<double> x = {9.0, 6.0, 1.0, 0.0, 0.0};
        double lower = 0.0, upper = 0.0;
        EXPECT_NEAR(GetToleranceInterval(*reg, x, lower, upper, pc[0], pc[1]), 0.6649729264538262, 1e-12)
            << pc[0] << " " << pc[1];
    }
}

TEST(RegToleranceInterval, ShortArgumentAndNoDegreesOfFreedom) {
    auto reg = MakeModel(kOls);
    reg->SetDependent(3);
    std::vector<double> shortX(4, 0.0);
    double lower = 0.0, upper = 0.0;
    EXPECT_THROW(GetToleranceInterval(*reg, shortX, lower, upper, 0.9, 0.95), ERangeError);

    auto one = MakeModel({{2.0}, {5.0}});
    one->SetDependent(1);
    ASSERT_EQ(one->GetResidualDf(), 0);
    std::vector<double> x = {1.0, 0.0, 0.0};
    const double yhat = GetToleranceInterval(*one, x, lower, upper, 0.9, 0.95);
    EXPECT_DOUBLE_EQ(yhat, 5.0);
    EXPECT_TRUE(std::isnan(lower));
    EXPECT_TRUE(std::isnan(upper));
}

// ---- Breusch-Godfrey -------------------------------------------------------------

TEST(RegBreuschGodfrey, AuxiliaryRegressionOnLaggedResiduals) {
    // N R^2 of e(t+q) on the regressors at t+q, e(t) .. e(t+q-1) and a
    // constant, the first q observations dropped.
    struct Case {
        int q;
        double expected;
    };
    auto reg = MakeModel(kOls);
    ASSERT_TRUE(reg->SetModel(3, {2, 2, 2, 1, 2}));
    for (const Case& c : {Case{1, 4.497330353636467}, Case{2, 6.99949691534991}, Case{4, 9.668870407546287}})
        EXPECT_NEAR(BreuschGodfreyTest(*reg, c.q), c.expected, 1e-10) << "q " << c.q;
}

TEST(RegBreuschGodfrey, ModelWithoutExplanatoryVariables) {
    auto reg = MakeModel(kOls);
    reg->SetDependent(3);
    EXPECT_NEAR(BreuschGodfreyTest(*reg, 1), 0.9572169966230575, 1e-11);
}

TEST(RegBreuschGodfrey, RefusedOrdersGiveNaN) {
    auto reg = MakeModel(kOls);
    ASSERT_TRUE(reg->SetModel(3, {2, 2, 2, 1, 2}));
    // 15 observations, 3 regressors: order 5 leaves 10 rows for 9 columns,
    // order 6 leaves 9 rows for 10 columns.
    for (int q : {0, -1, 6, 14, 15, 1000000, 2147483647}) EXPECT_TRUE(std::isnan(BreuschGodfreyTest(*reg, q))) << q;
    EXPECT_FALSE(std::isnan(BreuschGodfreyTest(*reg, 5)));
}

// ---- LIML ----------------------------------------------------------------------------

TEST(RegLiml, SmallestGeneralisedEigenvalue) {
    // Smallest root of det(A - l B) = 0, A and B the residual cross-products
    // of the endogenous variables in the equation on the included and on
    // all exogenous variables (scipy.linalg.eigh(A, B)).
    struct Case {
        std::vector<std::uint8_t> roles;
        double root;
    };
    const Case cases[] = {
        {{2, 0, 0, 0, 0, 0, 1, 2}, 1.5245527657300164},  // g = 1: ratio of the two sums
        {{2, 0, 0, 0, 2, 0, 1, 2}, 1.296962166472508},   // g = 2
        {{2, 0, 0, 0, 2, 2, 1, 2}, 1.2119083083333215},  // g = 3
        {{2, 2, 0, 0, 2, 2, 1, 2}, 1.0},                 // exactly identified
    };
    for (const Case& c : cases) {
        auto reg = MakeModel(kSem, kSemTypes);
        ASSERT_TRUE(reg->SetModel(6, c.roles));
        EXPECT_NEAR(ComputeLimlRoot(*reg), c.root, 1e-11);
    }
}

TEST(RegLiml, NoEndogenousVariableGivesZero) {
    auto reg = MakeModel(kSem, {2, 2, 2, 2, 2, 2, 0});
    ASSERT_TRUE(reg->SetModel(6, {2, 0, 0, 0, 2, 0, 1, 2}));
    EXPECT_EQ(ComputeLimlRoot(*reg), 0.0);
}

TEST(RegLiml, TwoVariablesWithSingularB) {
    // y4 = 2 y2 + x0 exactly: det B = 0 and the root is -det A / beta.
    Columns cols(kSem.begin(), kSem.begin() + 5);
    std::vector<double> y4(kSem[0].size());
    for (size_t i = 0; i < y4.size(); ++i) y4[i] = 2.0 * kSem[4][i] + kSem[0][i];
    cols.push_back(y4);
    auto reg = MakeModel(cols, {2, 2, 2, 2, 1, 1});
    ASSERT_TRUE(reg->SetModel(5, {0, 2, 0, 0, 2, 1, 2}));
    EXPECT_NEAR(ComputeLimlRoot(*reg), 3.294669790921103, 1e-7);
}

TEST(RegLiml, RootDoesNotDependOnTheUnitsOfTheData) {
    // The g = 2 case of SmallestGeneralisedEigenvalue with y2 and y1 in
    // units a thousand times larger: det B = 5.58e-11 is tiny only because
    // of the units; the root stays the unscaled one (scipy.linalg.eigh).
    Columns cols = kSem;
    for (int j : {4, 6})
        for (double& v : cols[j]) v *= 0.001;
    auto reg = MakeModel(cols, kSemTypes);
    ASSERT_TRUE(reg->SetModel(6, {2, 0, 0, 0, 2, 0, 1, 2}));
    EXPECT_NEAR(ComputeLimlRoot(*reg), 1.296962166472508, 1e-9);
}

TEST(RegLiml, FailuresGiveMinusOne) {
    // g = 1 with a constant endogenous variable: B = 0.
    {
        Columns cols(kSem.begin(), kSem.begin() + 4);
        cols.push_back(std::vector<double>(kSem[0].size(), 3.5));
        auto reg = MakeModel(cols, {2, 2, 2, 2, 1});
        ASSERT_TRUE(reg->SetModel(4, {0, 0, 2, 0, 1, 2}));
        EXPECT_EQ(ComputeLimlRoot(*reg), -1.0);
    }
    // g = 3 with B not positive definite (two copies of an endogenous
    // variable): the Cholesky step fails.
    {
        Columns cols = kSem;
        cols[5] = cols[4];
        auto reg = MakeModel(cols, kSemTypes);
        // The copy cannot be swept in; the roles still count it.
        EXPECT_FALSE(reg->SetModel(6, {2, 0, 0, 0, 2, 2, 1, 2}));
        std::vector<std::uint8_t> roles = reg->Roles();
        ASSERT_EQ(roles[4], 2);
        reg->RolesForEdit()[5] = 2;
        EXPECT_EQ(ComputeLimlRoot(*reg), -1.0);
    }
}

TEST(RegEquations, TooFewEquationsForTheEndogenousVariables) {
    auto reg = MakeModel(kSem, kSemTypes);
    EXPECT_TRUE(HasTooFewEquations(*reg, 0));
    EXPECT_TRUE(HasTooFewEquations(*reg, 2));
    EXPECT_FALSE(HasTooFewEquations(*reg, 3));
    // The model's own list starts empty.
    EXPECT_TRUE(HasTooFewEquations(*reg));
    auto ols = MakeModel(kOls);
    EXPECT_FALSE(HasTooFewEquations(*ols, 0));
}

// ---- added-variable data ----------------------------------------------------------

TEST(RegPartialRegression, ResidualsOnTheOtherModelVariables) {
    struct Case {
        std::vector<std::uint8_t> roles;
        int j;
        std::vector<double> ox, oy;
    };
    const Case cases[] = {
        {{2, 2, 2, 1, 2},
         1,
         {3.458047854418293, -0.6656055156284646, 0.9171263016523143, -1.8808117901728907, -2.1552988205308488,
          -1.8497202641505717, 0.7316931950345475, -1.1420518293352435, 1.7653628415434701, 1.096998454841775,
          0.9063049383338591, -3.0498859698446674, 1.1699500613489526, 0.5346643589825746, 0.16322618350687712},
         {-7.264739049492602, 2.665981855794281, -1.07292546090761, 0.721675424001342, 5.464887785288151,
          3.022877331566254, -3.638417254883991, 1.7580543473164854, -1.5974006381945303, -2.410554238753388,
          0.23190915962985603, 3.609247699849385, 0.04240803247113556, 0.8720268769024297, -2.4050318705871954}},
        // A variable outside the model: residuals on the whole model.
        {{2, 2, 0, 1, 2},
         2,
         {-1.2898885535298366, -0.4837335169783127, -0.7177334932726523, -0.40477999173000134, 1.3437657875111455,
          -0.36473243779264053, 0.12481725008766653, 0.4982503200023025, -0.18196999229758815, 0.32840545137646493,
          0.10755446832880411, -0.045304331997177316, -1.108063876921762, 0.619016170824906, 1.574396746388668},
         {-3.63595226290591, 0.9364756783418695, -0.6395987686591196, -2.8102820602414758, 3.963502955246595,
          -0.40371157896488263, -2.310371822404445, 0.6613824621016393, 0.9263162488983261, -0.22048738465454276,
          1.810611436132393, -1.2573992252254058, 0.3240916042875328, 2.5858776462927473, 0.06954507175463842}},
    };
    for (const Case& c : cases) {
        auto reg = MakeModel(kOls);
        ASSERT_TRUE(reg->SetModel(3, c.roles));
        std::vector<double> ox, oy;
        GetPartialRegression(*reg, ox, oy, c.j);
        ExpectAllNear(ox, c.ox, 1e-12, "ox");
        ExpectAllNear(oy, c.oy, 1e-12, "oy");
    }
}

TEST(RegPartialRegression, TwoStageWithObservedValues) {
    // Coefficients from the design with y2 observed and y3 first-stage;
    // residuals formed with the observed y3.
    auto reg = MakeModel(kSem, kSemTypes);
    reg->SetTwoStage(true);
    reg->SetRealCalc(true);
    ASSERT_TRUE(reg->SetModel(6, {2, 0, 0, 0, 2, 2, 1, 2}));
    std::vector<double> ox, oy;
    GetPartialRegression(*reg, ox, oy, 4);
    ExpectAllNear(ox,
                  {1.7922080518453836, 0.005499248964140335, -2.8018343641121017, 0.47942728779471855,
                   1.0422505201166805, 0.1835696975925547, 0.029750635606751175, 0.05828185738868097,
                   -1.4081222301234204, -1.4133983038741287, 1.5825359138774129, 0.44502162715172133,
                   -0.07215524655178296, 0.07696530432335447},
                  1e-11, "ox");
    ExpectAllNear(oy,
                  {1.8581092854757664, -1.3486872636628355, -2.1817707368738546, -0.9106614634222678,
                   1.0033228471899358, 0.8480682287780077, 2.082394099887985, -1.518133543551178,
                   -2.0959144256461215, -0.6874970018832154, 2.816116422008877, 0.29317360042416496,
                   -0.7324085806494978, 0.5738885319241573},
                  1e-11, "oy");
}

TEST(RegPartialRegression, VariableOutOfRangeIsRefused) {
    auto reg = MakeModel(kOls);
    ASSERT_TRUE(reg->SetModel(3, {2, 2, 2, 1, 2}));
    std::vector<double> ox, oy;
    EXPECT_THROW(GetPartialRegression(*reg, ox, oy, 4), ERangeError);
    EXPECT_THROW(GetPartialRegression(*reg, ox, oy, -1), ERangeError);
}

TEST(RegDiagnostics, DegenerateSingleObservationModel) {
    auto one = MakeModel({{2.0}, {5.0}});
    one->SetDependent(1);
    Vector vif;
    EXPECT_EQ(GetConditionNumber(*one, vif), 0.0);
    EXPECT_TRUE(std::isnan(BreuschGodfreyTest(*one, 1)));
    Matrix w;
    GetWhiteCovariance(*one, w);
    EXPECT_EQ(w[2][2], 0.0);
    EXPECT_EQ(ComputeLimlRoot(*one), 0.0);
    std::vector<double> ox, oy;
    GetPartialRegression(*one, ox, oy, 0);
    ASSERT_EQ(ox.size(), 1u);
    EXPECT_EQ(ox[0], 0.0);
    EXPECT_EQ(oy[0], 0.0);

    // No variables at all: every operation answers without touching data.
    Reg empty(0, 0);
    EXPECT_EQ(GetConditionNumber(empty, vif), 0.0);
    EXPECT_TRUE(std::isnan(BreuschGodfreyTest(empty, 1)));
    EXPECT_EQ(ComputeLimlRoot(empty), 0.0);
    GetWhiteCovariance(empty, w);
    GetCovariance(empty, w);
    EXPECT_EQ(w.Rows(), 1);
    std::vector<double> x = {0.0};
    double lower = 0.0, upper = 0.0;
    GetToleranceInterval(empty, x, lower, upper, 0.9, 0.95);
    EXPECT_TRUE(std::isnan(upper));
    EXPECT_THROW(GetPartialRegression(empty, ox, oy, 0), ERangeError);
}

}  // namespace
