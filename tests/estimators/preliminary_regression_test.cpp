// The preliminary regression and the Yule-Walker transformation against
// independent computations pasted as data: least squares in exact
// fractions (coefficients, variances, PRESS, leverages, F to enter and to
// remove) and the Yule-Walker equations at 40 digits (mpmath), with the
// first values whitened through the factor of sigma2 Gamma^-1.
#include "estimators/preliminary_regression.h"
#include "estimators/ridge.h"
#include "estimators/yule_walker.h"

#include <gtest/gtest.h>

#include <cmath>

#include "core/io/file_matrix.h"
#include "core/settings/engine_context.h"
#include "support/model_builder.h"
#include "support/sample_columns.h"

namespace {

constexpr double kRel = 1e-12;

void ExpectNear(double actual, double expected, const char* what) {
    EXPECT_NEAR(actual, expected, kRel * std::max(1.0, std::fabs(expected))) << what;
}

const std::vector<double> kY = {3.9, 5.6, 9.1, 10.4, 14.2, 15.1, 19.3, 21.2};

// x1, x2, x3 = 2 x1 and the target y.
std::unique_ptr<Reg> Data() {
    const std::vector<double> x1 = {1, 2, 3, 4, 5, 6, 7, 8}, x2 = {2, 1, 4, 3, 6, 5, 8, 9};
    std::vector<double> x3;
    for (double v : x1) x3.push_back(2 * v);
    return MakeModel({x1, x2, x3, kY}, {}, {"x1", "x2", "x3", "y"});
}

TEST(PreliminaryRegression, EntersTheBestCandidateAndTogglesAsLeastSquares) {
    auto data = Data();
    PreliminaryRegression r(*data, 3, "y", kY, PreliminaryRegression::Mode::Variables);
    ASSERT_EQ(r.SlotCount(), 4);
    // x1 and x3 tie at F 545.04; the first goes in and x3 is collinear.
    EXPECT_TRUE(r.InModel(0));
    EXPECT_FALSE(r.InModel(2));
    EXPECT_EQ(r.F(2), 0.0);
    EXPECT_FALSE(r.Toggle(2));
    ExpectNear(r.ConstantCoef(), 1.025, "b0");
    ExpectNear(r.Coef(0), 2.5166666666666666, "b1");
    ExpectNear(r.ConstantStdError(), std::sqrt(0.29631944444444447), "se0");
    ExpectNear(r.StdError(0), std::sqrt(0.011620370370370371), "se1");
    ExpectNear(r.S2(), 0.4880555555555556, "s2");
    ExpectNear(r.R2(), 0.989111573833073, "R2");
    ExpectNear(r.Press(), 4.665160161942806, "PRESS");
    ExpectNear(r.Leverages()[1], 0.27380952380952384, "h2");
    ExpectNear(r.F(0), 545.0438247011953, "F remove x1");
    ExpectNear(r.F(1), 39.21761658031088, "F enter x2");

    ASSERT_TRUE(r.Toggle(1));
    EXPECT_EQ(r.ResidualDf(), 5);
    const double b[] = {1.0676470588235294, 1.8769607843137255, 0.5970588235294118};
    ExpectNear(r.ConstantCoef(), b[0], "b0");
    ExpectNear(r.Coef(0), b[1], "b1");
    ExpectNear(r.Coef(1), b[2], "b2");
    ExpectNear(r.StdError(1), std::sqrt(0.009089773164167628), "se2");
    ExpectNear(r.Press(), 1.0118444502408208, "PRESS");
    ExpectNear(r.F(0), 293.3010782803529, "F remove x1");
    ExpectNear(r.F(1), 39.21761658031088, "F remove x2");
    for (int t = 0; t < 8; ++t) ExpectNear(r.Fitted()[t] + r.Residuals()[t], kY[t], "y = fit + e");

    const ResultTable t = PreliminaryEstimateTable(r, "y");
    EXPECT_EQ(t.Cell(1, 0).text, "-");
    EXPECT_EQ(t.Cell(1, 3).text, "TOL CHECK");
    EXPECT_EQ(t.Cell(2, 3).text, "-");

    // Removing is always allowed and gives the one-regressor fit back.
    ASSERT_TRUE(r.Toggle(1));
    ExpectNear(r.Coef(0), 2.5166666666666666, "b1 again");
}

TEST(PreliminaryRegression, RidgeHandOffTakesEverySlotAndFitsTheModel) {
    auto data = Data();
    EngineContext context;
    PreliminaryRegression r(*data, 3, "y", kY, PreliminaryRegression::Mode::Variables);
    ASSERT_TRUE(r.Toggle(1));  // x1 and x2 in the model, x3 out
    const auto table = RidgeHandOffTable(r, context);
    ASSERT_EQ(table->Cols(), 4);
    EXPECT_EQ(table->GetColumnName(2), "x3");
    EXPECT_EQ(table->GetValue(5, 1), 5.0);
    const Ridge ridge(*table, r.TargetSlot());
    ASSERT_EQ(ridge.P(), 2);
    EXPECT_EQ(ridge.GetName(0), "x1");
    EXPECT_EQ(ridge.GetName(1), "x2");
}

TEST(PreliminaryRegression, TimeModePowersAndTheDegreesOfFreedomFloor) {
    auto data = Data();
    PreliminaryRegression r(*data, 3, "y", kY, PreliminaryRegression::Mode::Time);
    ASSERT_EQ(r.SlotCount(), 6);
    EXPECT_EQ(r.SlotName(0), "1乗項");
    EXPECT_EQ(r.SlotName(4), "5乗項");
    EXPECT_EQ(r.SlotName(5), "y");  // the target keeps its name
    EXPECT_EQ(r.Value(2, 4), 243.0);  // t = 3, t^5
    // F at the start: 545.04, 120.31, 41.74, 23.36, 15.94: t goes in.
    EXPECT_TRUE(r.InModel(0));
    ExpectNear(r.Coef(0), 2.5166666666666666, "b1");

    // Four observations: df 3 at the start, 2 after the first entry.
    auto small = MakeModel({{1, 2, 3, 4}, {2, 1, 4, 3}, {1, 3, 2, 5}}, {}, {"a", "b", "y"});
    PreliminaryRegression s(*small, 2, "y", {1, 3, 2, 5}, PreliminaryRegression::Mode::Variables);
    EXPECT_EQ(s.ResidualDf(), 2);
    const int out = s.InModel(0) ? 1 : 0;
    EXPECT_FALSE(s.Toggle(out));
    EXPECT_FALSE(s.Toggle(2));  // the target
}

// Longley's EMPLOY on the other six in any units: every candidate enters,
// YEAR last with the same F (16.127370987826234, exact) and the same R²
// before and after (0.98737769675327136, 0.99547900457729560).
TEST(PreliminaryRegression, EntriesDoNotDependOnTheTargetsUnits) {
    for (double scale : {1e-12, 1e-6, 1.0, 1e6, 1e12}) {
        SCOPED_TRACE(scale);
        Columns cols = LongleyColumns();
        for (double& v : cols[6]) v *= scale;
        auto data = MakeModel(cols, {}, {"GNPDEF", "GNP", "UNEMP", "ARMED", "POP", "YEAR", "EMPLOY"});
        PreliminaryRegression r(*data, 6, "EMPLOY", cols[6], PreliminaryRegression::Mode::Variables);
        const int year = r.FindSlot("YEAR");
        for (int j = 0; j < 5; ++j) {
            if (!r.InModel(j)) {
                EXPECT_TRUE(r.Toggle(j)) << j;
            }
        }
        EXPECT_NEAR(r.R2(), 0.98737769675327136, 1e-12);
        EXPECT_NEAR(r.F(year), 16.127370987826234, 1e-8);
        ASSERT_TRUE(r.Toggle(year));
        EXPECT_NEAR(r.R2(), 0.99547900457729560, 1e-12);
    }
}

TEST(YuleWalker, OrdersOneAndTwoAgainstTheEquations) {
    const std::vector<double> x = {1.2, 0.7, 2.5, 3.1, 1.9, 2.8, 4.0, 3.3, 2.2, 3.6, 4.4, 3.9};
    YuleWalkerSeries s;
    ASSERT_TRUE(s.SetData(x, 1));
    ExpectNear(s.Mean(), 2.8, "mean");
    ExpectNear(s.Fit().phi[0], 0.45006934812760055, "phi");
    ExpectNear(s.Fit().sigma2, 0.95825416088765603, "sigma2");
    ExpectNear(s.Fit().variance[0], 0.7974375818759967, "d");
    ExpectNear(s.Whitened()[0], -1.4287897709609177, "e0");
    ExpectNear(s.Whitened()[11], 0.37988904299583911, "e11");
    ResultTable t = YuleWalkerTable(s);
    EXPECT_EQ(t.Cell(2, 0).mark, "* ");
    ExpectNear(t.Cell(3, 0).value, -0.055189349186197037, "lower");

    EXPECT_FALSE(s.SetOrder(0));
    EXPECT_EQ(s.Order(), 1);
    ASSERT_TRUE(s.SetOrder(2));
    const double phi[] = {0.61762444343529557, -0.37228728418135008};
    const double e[] = {-1.3260848550842031, -1.2806992314780994, 0.40135167652396055, 0.40963071784860716};
    for (int i = 0; i < 2; ++i) ExpectNear(s.Fit().phi[i], phi[i], "phi");
    ExpectNear(s.Fit().variance[1], 0.86140217803687468, "d2");
    for (int i = 0; i < 3; ++i) ExpectNear(s.Whitened()[i], e[i], "e");
    ExpectNear(s.Whitened()[11], e[3], "e11");
    t = YuleWalkerTable(s);
    EXPECT_EQ(t.Cell(2, 0).mark, "");
    EXPECT_EQ(t.Cell(2, 1).mark, "* ");

    // At most n - 4; a constant or too short series is refused.
    ASSERT_TRUE(s.SetOrder(50));
    EXPECT_EQ(s.Order(), 8);
    YuleWalkerSeries flat;
    EXPECT_FALSE(flat.SetData(std::vector<double>(10, 3.0), 1));
    EXPECT_FALSE(flat.SetData({1, 2, 3, 4}, 1));
}

}  // namespace
