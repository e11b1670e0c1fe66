// The analysis-of-variance table against values computed in exact rational
// arithmetic (Python fractions; the F level from mpmath's incomplete beta
// function): sums of squares, the fit measures with PRESS from
// e / (1 - h), the standardised coefficients b s_j / s_y, and the ordinary
// and White covariances (X'X)^-1 X' diag(e^2) X (X'X)^-1.
#include <gtest/gtest.h>

#include <vector>

#include "estimators/anova.h"
#include "support/model_builder.h"
#include "support/sample_columns.h"

namespace {

const std::vector<double> kX1 = {2.1, 3.4, 1.8, 4.6, 5.2, 3.9, 6.3, 5.7, 7.1, 6.8, 8.4, 7.5, 9.2, 8.8};
const std::vector<double> kX2 = {1.5, 0.7, 2.3, 1.9, 0.4, 2.8, 1.1, 3.2, 0.9, 2.6, 1.7, 3.5, 0.6, 2.2};
const std::vector<double> kY = {5.3, 6.1, 6.4, 8.2, 7.9, 9.6, 9.8, 12.1, 11.0, 13.4, 13.9, 16.2, 14.1, 16.8};

std::unique_ptr<Reg> Model() {
    auto reg = MakeModel({kX1, kX2, kY}, {}, {"x1", "x2", "y"});
    EXPECT_TRUE(reg->SetModel(2, {2, 2, 1, 2}));
    return reg;
}

TEST(Anova, TableAndMeasuresMatchTheExactFit) {
    auto reg = Model();
    const AnovaTable t = ComputeAnova(*reg);
    EXPECT_EQ(t.n, 14);
    EXPECT_EQ(t.dfRegression, 2);
    EXPECT_EQ(t.dfResidual, 11);
    EXPECT_EQ(t.dfTotal, 13);
    struct Value {
        const char* what;
        std::optional<double> actual;
        double expected;
    } values[] = {
        {"SSR", t.ssRegression, 179.20362021197738},
        {"SSE", t.ssResidual, 4.244951216594053},
        {"Syy", t.ssTotal, 183.44857142857143},
        {"MSR", t.msRegression, 179.20362021197738 / 2},
        {"MSE", t.msResidual, 4.244951216594053 / 11},
        {"MST", t.msTotal, 183.44857142857143 / 13},
        {"F", t.f, 232.18639293496759},
        {"R2", t.r2, 0.9768602656126604},
        {"adjusted R2", t.adjR2, 0.9726530411785985},
        {"doubly adjusted R2", t.doubleAdjR2, 0.9690067800024117},
        {"PRESS", t.press, 6.553228117988099},
        {"PRESS R2", t.pressR2, 0.9642775734531152},
        {"R", t.r, 0.9883624161271312},
        {"sigma", t.sigma, 0.6212122471861006},
    };
    for (const Value& v : values) {
        ASSERT_TRUE(v.actual.has_value()) << v.what;
        ExpectRel(*v.actual, v.expected, 1e-10, v.what, 0);
    }
    ASSERT_TRUE(t.fLevel.has_value());
    EXPECT_NEAR(*t.fLevel, 1.0091855708819671e-07, 0.1);
}

TEST(Anova, OrdinaryAndWhiteCoefficientTables) {
    auto reg = Model();
    struct Case {
        CovarianceKind kind;
        std::vector<double> se, covariance;
    } cases[] = {
        {CovarianceKind::kOrdinary,
         {0.07222105858149434, 0.17287079493431673, 0.5515330327563647},
         {0.005215881302631637, 0.00021574204901396066, -0.030494504092685063, 0.00021574204901396066,
          0.029884311741222584, -0.05546381969909869, -0.030494504092685063, -0.05546381969909869,
          0.3041886862214332}},
        {CovarianceKind::kWhite,
         {0.06457935459668385, 0.11581064438279706, 0.439100262127323},
         {0.00417049304012423, 0.0013287863963224946, -0.024635508031917653, 0.0013287863963224946,
          0.013412105352358686, -0.026919345691305704, -0.024635508031917653, -0.026919345691305704,
          0.19280904020028375}},
    };
    const std::vector<double> coef = {1.430432143181301, 1.5266513627018146, -0.2539901272625148};
    const std::vector<double> standardised = {0.90855475180333242, 0.40510344271498076};
    for (const Case& c : cases) {
        const AnovaTable t = ComputeAnova(*reg, c.kind);
        ASSERT_EQ(t.coefficients.size(), 3u);
        ASSERT_EQ(t.covariance.Rows(), 3);
        EXPECT_EQ(t.coefficients[2].name, "定数項");
        EXPECT_FALSE(t.coefficients[2].standardised.has_value());
        for (int s = 0; s < 3; ++s) {
            const AnovaCoefficient& a = t.coefficients[s];
            ExpectRel(a.coef, coef[s], 1e-11, "coefficient", s);
            if (s < 2) ExpectRel(*a.standardised, standardised[s], 1e-10, "standardised", s);
            ExpectRel(*a.stdErr, c.se[s], 1e-10, "standard error", s);
            ExpectRel(*a.t, coef[s] / c.se[s], 1e-10, "t", s);
            for (int u = 0; u < 3; ++u) ExpectRel(t.covariance[s][u], c.covariance[s * 3 + u], 1e-9, "covariance", s * 3 + u);
        }
    }
    // White levels come from the normal distribution, ordinary ones from t(11).
    const AnovaTable white = ComputeAnova(*reg, CovarianceKind::kWhite);
    EXPECT_NEAR(*white.coefficients[2].level, 56.2971749965532, 0.1);
    const AnovaTable ordinary = ComputeAnova(*reg);
    EXPECT_NEAR(*ordinary.coefficients[2].level, 65.41158473573483, 0.1);
}

TEST(Anova, LongleyStandardisedCoefficients) {
    // b_j s_j / s_y of the full Longley fit, in exact arithmetic on the
    // double values of the data (square roots to 40 digits).
    const struct {
        const char* name;
        double standardised;
    } expected[] = {
        {"GNPDEF", 0.046282022670908219}, {"GNP", -1.0137463487145243}, {"UNEMP", -0.53754257763936635},
        {"ARMED", -0.20474069234425156},  {"POP", -0.10122111394585054}, {"YEAR", 2.4796643829468261},
    };
    auto reg = MakeModel(LongleyColumns(), {}, {"GNPDEF", "GNP", "UNEMP", "ARMED", "POP", "YEAR", "EMPLOY"});
    ASSERT_TRUE(reg->SetModel(6, {2, 2, 2, 2, 2, 2, 1, 2}));
    const AnovaTable t = ComputeAnova(*reg);
    ASSERT_EQ(t.coefficients.size(), 7u);
    for (int s = 0; s < 6; ++s) {
        const AnovaCoefficient& c = t.coefficients[static_cast<std::size_t>(s)];
        EXPECT_EQ(c.name, expected[s].name);
        ASSERT_TRUE(c.standardised.has_value()) << s;
        ExpectRel(*c.standardised, expected[s].standardised, 1e-8, "standardised", s);
    }
}

TEST(Anova, TwoStageWhiteCovarianceUsesTheInstrumentedDesign) {
    // z1, z2, x1 exogenous; y on x1 and the endogenous p. The sandwich is
    // formed with the first-stage values and the structural residuals.
    auto reg = MakeModel({{1.2, 2.5, 0.9, 3.3, 4.1, 2.7, 5.0, 4.4, 6.2, 5.5, 7.3, 6.1, 8.0, 7.4},
                          {0.8, 1.9, 2.6, 0.5, 1.4, 3.1, 2.2, 0.7, 1.8, 2.9, 0.3, 2.4, 1.6, 3.0}, kX1,
                          {3.0, 4.8, 3.9, 5.1, 6.6, 6.0, 7.7, 6.9, 9.1, 8.3, 9.9, 9.6, 11.4, 10.2}, kY},
                         {2, 2, 2, 1, 1}, {"z1", "z2", "x1", "p", "y"});
    reg->SetTwoStage(true);
    ASSERT_TRUE(reg->SetModel(4, {0, 0, 2, 2, 1, 2}));
    const std::vector<double> expected = {0.9640898105001212,  -0.9116380162887622, 1.060321031955887,
                                          -0.9116380162887622, 0.8835644471900967,  -1.1335694667193106,
                                          1.060321031955887,   -1.1335694667193106, 2.0945242333004157};
    const AnovaTable t = ComputeAnova(*reg, CovarianceKind::kWhite);
    ASSERT_EQ(t.covariance.Rows(), 3);
    for (int s = 0; s < 3; ++s)
        for (int u = 0; u < 3; ++u) ExpectRel(t.covariance[s][u], expected[s * 3 + u], 1e-9, "covariance", s * 3 + u);
}

TEST(Anova, ConstantOnlyModelHasNoRegressionRatios) {
    auto reg = MakeModel({kX1, kY}, {}, {"x1", "y"});
    ASSERT_TRUE(reg->SetModel(1, {0, 1, 2}));
    const AnovaTable t = ComputeAnova(*reg);
    EXPECT_EQ(t.dfRegression, 0);
    EXPECT_FALSE(t.msRegression.has_value());
    EXPECT_FALSE(t.f.has_value());
    EXPECT_FALSE(t.fLevel.has_value());
    ASSERT_TRUE(t.r2.has_value());
    EXPECT_NEAR(*t.r2, 0.0, 1e-12);
    // Measures that turn negative show 0, and so do their roots.
    EXPECT_EQ(t.pressR2.value(), 0.0);
    EXPECT_EQ(t.doubleAdjR2.value(), 0.0);
    EXPECT_EQ(t.doubleAdjR.value(), 0.0);
    ASSERT_EQ(t.coefficients.size(), 1u);
}

}  // namespace
