// Robust reweighting: the weight functions, each kind's loop against an
// independent plain-Python script of the same loop (median-based scale,
// the same stop rule on the sum of squared coefficients, each times the root
// mean square of its regressor), and the failure
// paths of a vanishing or broken scale or weight.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <numbers>
#include <vector>

#include "estimators/robust_reweight.h"
#include "estimators/weighted_fit.h"
#include "estimators/weighted_fit_kernels.h"
#include "platform/errors.h"
#include "weighted_data.h"

namespace {

const std::vector<double> kX1 = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12};
const std::vector<double> kX2 = {3.1, 1.7, 4.4, 2.9, 5.6, 3.3, 6.1, 4.8, 7.2, 5.5, 8.3, 6.0};
const std::vector<double> kY = {4.2, 5.1, 8.3, 7.9, 11.6, 10.2, 14.9, 13.1, 17.8, 15.2, 30.0, 18.1};
const std::vector<double> kOls = {0.7707928723255622, 2.1799275311405175, -2.6766313021308576};

struct WeightCase {
    int kind;
    double u, c, m, d;
    double expected;
};

// By hand from the formulas of each kind.
const WeightCase kWeightCases[] = {
    {kWeightT, 2.0, 1.345, 9.0, 0.0, 10.0 / 13.0},
    {kWeightHuber, 1.345, 1.345, 0, 0, 1.0},              // exactly at c
    {kWeightHuber, -2.0, 1.345, 0, 0, 0.6725},            // c / |u|
    {kWeightAndrews, 0.0, 1.345, 0, 0, 1.0},              // the limit at 0
    {kWeightAndrews, 1.0, 1.345, 0, 0, 0.9103824991257192},
    {kWeightAndrews, 1.345 * std::numbers::pi * (1.0 + 1e-12), 1.345, 0, 0, 0.0},
    {kWeightCollins, 1.59, 9.0, 0, 0, 1.0},
    {kWeightCollins, -2.0, 9.0, 0, 0, 0.7666945388979157},
    {kWeightCollins, 4.0, 9.0, 0, 0, 0.0},                // tanh(0)
    {kWeightCollins, 4.5, 9.0, 0, 0, 0.0},
    {kWeightAutomatic, 2.0, 0, 0, 9.0, 10.0 / 13.0},
    {6, 3.0, 1.345, 9.0, 9.0, 1.0},                       // no rule
};

TEST(RobustWeight, EachKindFollowsItsFormula) {
    for (const WeightCase& w : kWeightCases) {
        SCOPED_TRACE(testing::Message() << "kind " << w.kind << " u " << w.u);
        EXPECT_NEAR(RobustWeight(w.kind, w.u, w.c, w.m, w.d), w.expected, 1e-15);
    }
    EXPECT_FALSE(HasWeightRule(0));
    EXPECT_TRUE(HasWeightRule(5));
    EXPECT_FALSE(HasWeightRule(6));
}

// Median absolute deviation about the median, by hand: {1, 2, 3, 4, 100}
// has median 3 and deviations {2, 1, 0, 1, 97}; {1, 2, 3, 4} has median 2.5
// and deviations {1.5, 0.5, 0.5, 1.5}.
TEST(RobustScale, MedianAbsoluteDeviationByHand) {
    std::vector<double> work(5);
    const double odd[] = {100, 2, 4, 1, 3};
    EXPECT_DOUBLE_EQ(MedianAbsDeviationBySelection(0.5, work.data(), 5, odd), 2.0);
    const double even[] = {4, 1, 3, 2};
    EXPECT_DOUBLE_EQ(MedianAbsDeviationBySelection(1.0, work.data(), 4, even), 1.0);
    const double withNan[] = {1, std::numeric_limits<double>::quiet_NaN(), 3};
    EXPECT_TRUE(std::isnan(MedianAbsDeviationBySelection(1.0, work.data(), 3, withNan)));
    EXPECT_TRUE(std::isnan(MedianAbsDeviationBySelection(1.0, work.data(), 0, odd)));
}

TEST(RobustWeight, InfluenceFactorHoldsOneMinusLeverage) {
    const double floor = std::sqrt(1.1920928955078125e-07);
    EXPECT_DOUBLE_EQ(BoundedInfluenceFactor(0.75), 0.5);
    EXPECT_DOUBLE_EQ(BoundedInfluenceFactor(0.0), 1.0);
    EXPECT_DOUBLE_EQ(BoundedInfluenceFactor(1.0), floor);
    EXPECT_DOUBLE_EQ(BoundedInfluenceFactor(1.0 + 1e-15), floor);
    EXPECT_DOUBLE_EQ(BoundedInfluenceFactor(1.0 - 1e-12), floor);
}

// From the independent script; the scale divisor is the exact 0.75 quantile
// of the normal (kinds 1 to 4) or of t with n - p = 9 degrees of freedom
// (kind 5), rounded to single precision. The program's quick single-
// precision quantiles differ from those by a few parts in a million, which
// the tolerance of 2e-5 allows for.
const RobustCase kRobustCases[] = {
{1, false, 13, 0.5890118759618685, {0.8595668469537612, 1.279537432788304, 0.4163171963609339}, {0.8242464968978973, 0.9262800251298087, 1.07475814722696, 1.072615385120615, 1.083979001409895, 1.055965682456919, 0.9745240373000296, 1.072643192085991, 1.047647247630407, 0.9025444043851896, 0.03709347204605341, 1.078278066884955}},
{2, false, 23, 0.6055537287866474, {0.8528728684490811, 1.36714514881567, 0.09361439856390379}, {0.8271777321859697, 0.8340760366705193, 1.0, 1.0, 1.0, 1.0, 1.0, 1.0, 1.0, 0.864946799631725, 0.08874656712771531, 1.0}},
{3, false, 10, 0.65145547407391, {0.8648285520567638, 1.216521225526784, 0.6397612843040652}, {0.7670241570567842, 0.9074069205417544, 0.9822217639812783, 0.9838975128977611, 0.9932568300557194, 0.9725996609730557, 0.8712852474889852, 0.9808723798380933, 0.919170760976924, 0.8733989435287365, 0.0, 0.9898246628204776}},
{4, false, 11, 0.6413747113967308, {0.8695328564307723, 1.22142185724056, 0.5774870099406861}, {0.9854808733230832, 1.0, 1.0, 1.0, 1.0, 1.0, 1.0, 1.0, 1.0, 1.0, 0.0, 1.0}},
{5, false, 12, 0.5654858802472854, {0.8575582375163075, 1.279945843978325, 0.4268284020445624}, {0.7333119621953595, 0.8355209454158052, 1.056254852370999, 1.05890689599386, 1.069980948200806, 1.034227015155552, 0.9342948040297806, 1.063441450459214, 1.006142810719539, 0.8482963114855024, 0.03355782714386787, 1.051815483867687}},
{2, true, 21, 0.614812687925999, {0.8486796634146105, 1.355263702654919, 0.1708758644974619}, {0.6716023953416308, 0.7251877155507942, 1.0, 1.0, 1.0, 1.0, 1.0, 1.0, 1.0, 0.8004919280659818, 0.07088861197045173, 1.0}},
};

class RobustReweightTest : public ::testing::Test {
protected:
    std::unique_ptr<WLSE> Make(const WeightedColumns& cols) {
        std::vector<std::string> names;
        for (std::size_t j = 0; j < cols.size(); ++j) names.push_back("v" + std::to_string(j));
        table_ = MakeNamedTable(context_, cols, names);
        return std::make_unique<WLSE>(*table_, nullptr, static_cast<int>(cols.size()) - 1);
    }
    EngineContext context_;
    std::unique_ptr<TNamedData> table_;
};

TEST_F(RobustReweightTest, EachKindMatchesTheIndependentLoop) {
    for (const RobustCase& c : kRobustCases) {
        SCOPED_TRACE(testing::Message() << "kind " << c.kind << (c.bounded ? " bounded" : ""));
        auto fit = Make({kX1, kX2, kY});
        fit->boundedInfluence = c.bounded;
        ASSERT_TRUE(fit->Estimate(c.kind));
        EXPECT_EQ(fit->WeightKind(), c.kind);
        EXPECT_EQ(fit->Iterations(), c.passes);
        ExpectNear(fit->Scale(), c.scale, 2e-5, 0, "scale");
        for (int j = 0; j < 3; ++j) ExpectNear(fit->GetCoef(j), c.coef[j], 2e-5, 1e-9, "coef");
        for (int t = 0; t < 12; ++t) ExpectNear(fit->GetWeight(t), c.weights[t], 2e-5, 1e-9, "weight");
    }
}

TEST_F(RobustReweightTest, ScaleDivisorIsTheUpperQuartile) {
    auto fit = Make({kX1, kX2, kY});
    ASSERT_TRUE(fit->Estimate(kWeightHuber));
    ExpectNear(fit->MadDivisor(), 0.674489750196082, 1e-5, 0, "normal");
    ASSERT_TRUE(fit->Estimate(kWeightAutomatic));
    ExpectNear(fit->MadDivisor(), 0.7027221467513265, 1e-5, 0, "t with 9 df");
}

// Huber's covariance of the Huber fit: 8 of the 12 transformed residuals
// lie inside c s; s2 = ((1 + (1 - pi) / pi * p / n) / pi)^2 Q / (n - p) and
// the standard errors sqrt(s2 (X'X)^-1), by the direct formula.
TEST_F(RobustReweightTest, HuberCovarianceFollowsItsFormula) {
    auto fit = Make({kX1, kX2, kY});
    ASSERT_TRUE(fit->Estimate(kWeightHuber));
    std::vector<double> coef(3);
    for (int j = 0; j < 3; ++j) coef[j] = fit->GetCoef(j);
    ASSERT_TRUE(fit->HuberCovariance());
    ExpectNear(fit->S2(), 1.260602336733294, 5e-5, 0, "s2");
    const double se[3] = {0.15407278776947797, 0.28898023244974347, 0.9313118870650102};
    for (int j = 0; j < 3; ++j) {
        ExpectNear(fit->GetStdErr(j), se[j], 5e-5, 0, "se");
        EXPECT_EQ(fit->GetCoef(j), coef[j]);
    }
}

// Without a robust scale there is nothing to clip against.
TEST_F(RobustReweightTest, HuberCovarianceNeedsAScale) {
    auto fit = Make({kX1, kX2, kY});
    ASSERT_TRUE(fit->Estimate(0));
    const double s2 = fit->S2();
    EXPECT_FALSE(fit->HuberCovariance());
    EXPECT_EQ(fit->S2(), s2);
}

TEST_F(RobustReweightTest, CollinsSetsTheTuningConstant) {
    auto fit = Make({kX1, kX2, kY});
    ASSERT_TRUE(fit->Estimate(kWeightCollins));
    EXPECT_DOUBLE_EQ(fit->tuning, 1.59);
}

// Kind 0 with unit weights is ordinary least squares in one pass; equal
// weights with the constant among the regressors count p - 1 terms.
TEST_F(RobustReweightTest, ManualUnitWeightsGiveLeastSquares) {
    auto fit = Make({kX1, kX2, kY});
    ASSERT_TRUE(fit->Estimate(0));
    EXPECT_EQ(fit->Iterations(), 0);
    for (int j = 0; j < 3; ++j) ExpectNear(fit->GetCoef(j), kOls[j], 1e-12, 1e-14, "coef");
    EXPECT_EQ(fit->RegressionDf(), 2);
}

// Kinds without a weight rule make no update: the unweighted fit.
TEST_F(RobustReweightTest, KindsWithoutARuleLeaveTheWeightsAtOne) {
    for (int kind : {6, 9, 50, 100}) {
        SCOPED_TRACE(kind);
        auto fit = Make({kX1, kX2, kY});
        ASSERT_TRUE(fit->Estimate(kind));
        for (int t = 0; t < 12; ++t) EXPECT_EQ(fit->GetWeight(t), 1.0);
        for (int j = 0; j < 3; ++j) ExpectNear(fit->GetCoef(j), kOls[j], 1e-12, 1e-14, "coef");
        EXPECT_LE(fit->Iterations(), 1);
    }
}

// More than half the residuals exactly zero: the scale is 0. The fit falls
// back to unit weights and reports failure instead of NaN estimates.
TEST_F(RobustReweightTest, ZeroScaleTakesTheFailurePath) {
    const std::vector<double> group = {1, 1, 1, 1, 0, 0, 0, 0};
    const std::vector<double> y = {5, 5, 5, 5, 1, 2, 3, 2};
    auto fit = Make({group, y});
    EXPECT_FALSE(fit->Estimate(kWeightHuber));
    for (int t = 0; t < 8; ++t) EXPECT_EQ(fit->GetWeight(t), 1.0);
    EXPECT_TRUE(std::isfinite(fit->GetCoef(0)));
    ExpectNear(fit->GetCoef(0), 3.0, 1e-14, 0, "group difference");
    ExpectNear(fit->GetCoef(1), 2.0, 1e-14, 0, "constant");
}

// A value that is no number leaves no fit to stand in for the robust one:
// refused before any fit.
TEST_F(RobustReweightTest, NonFiniteValueIsRefusedBeforeAnyFit) {
    std::vector<double> y = kY;
    y[3] = std::numeric_limits<double>::quiet_NaN();
    auto fit = Make({kX1, kX2, y});
    EXPECT_THROW((void)fit->Estimate(kWeightAutomatic), Exception);
    for (int t = 0; t < 12; ++t) EXPECT_EQ(fit->GetWeight(t), 1.0);
    for (int j = 0; j < 3; ++j) EXPECT_EQ(fit->GetCoef(j), 0.0) << j;
}

// t weights with m = 0 give 1 / u^2, infinite at an exactly fitted
// observation: failure, not an infinite weight.
TEST_F(RobustReweightTest, NonFiniteWeightTakesTheFailurePath) {
    const std::vector<double> group = {1, 1, 0, 0, 0, 0, 0, 0};
    const std::vector<double> y = {5, 5, 1, 2, 3, 4, 5, 6};
    auto fit = Make({group, y});
    fit->tDf = 0.0;
    EXPECT_FALSE(fit->Estimate(kWeightT));
    for (int t = 0; t < 8; ++t) EXPECT_EQ(fit->GetWeight(t), 1.0);
    ExpectNear(fit->GetCoef(1), 3.5, 1e-14, 0, "constant");
}

// Bounded influence at leverage 1: 1 - h is held at 2^-23, so the factor
// stays finite and the fit goes through. The table's figures that divide
// by 1 - h have no number at that observation.
TEST_F(RobustReweightTest, LeverageOneKeepsTheInfluenceFactorFinite) {
    const std::vector<double> spike = {0, 0, 0, 0, 0, 0, 0, 1};
    const std::vector<double> x = {1, 2, 3, 4, 5, 6, 7, 8};
    const std::vector<double> y = {1.1, 2.3, 2.9, 4.2, 4.8, 6.1, 7.2, 20.0};
    auto fit = Make({spike, x, y});
    fit->boundedInfluence = true;
    ASSERT_TRUE(fit->Estimate(kWeightHuber));
    for (int j = 0; j < 3; ++j) EXPECT_TRUE(std::isfinite(fit->GetCoef(j))) << j;
    for (int t = 0; t < 8; ++t) EXPECT_TRUE(std::isfinite(fit->GetWeight(t))) << t;
    const auto undefinedAtOne = [](int row) {
        return row == WLSE::kRowPress || row == WLSE::kRowStandardized || row == WLSE::kRowStudentized ||
               row == WLSE::kRowWelsch || row == WLSE::kRowCovRatio || row >= WLSE::kRowCoefChange;
    };
    EXPECT_EQ(fit->GetResult(WLSE::kRowLeverage, 7), 1.0);
    for (int row = 0; row < 16 + 3; ++row)
        for (int t = 0; t < 8; ++t)
            EXPECT_EQ(std::isfinite(fit->GetResult(row, t)), t != 7 || !undefinedAtOne(row)) << row << "," << t;
}

}  // namespace

// The sums the checks form before a fit serve only a fit with their very
// weights: a fit reached after others gives the bits of a fresh one.
TEST_F(RobustReweightTest, FitAfterOtherFitsHasTheBitsOfAFreshOne) {
    const std::vector<double> w = {1.0, 2.0, 0.5, 1.5, 1.0, 3.0, 0.25, 1.0, 2.0, 1.0, 0.5, 1.0};
    struct Step {
        int mode;
        bool weights;
    };
    const Step sequences[][3] = {{{0, true}, {2, false}, {0, true}},
                                 {{2, false}, {0, true}, {3, false}},
                                 {{101, false}, {1, false}, {0, true}}};
    for (const auto& seq : sequences) {
        auto reused = Make({kX1, kX2, kY});
        for (const Step& s : seq) {
            SCOPED_TRACE(testing::Message() << "mode " << s.mode);
            if (s.weights) reused->SetWeights(w.data());
            const bool okReused = reused->Estimate(s.mode);
            auto fresh = Make({kX1, kX2, kY});
            if (s.weights) fresh->SetWeights(w.data());
            EXPECT_EQ(fresh->Estimate(s.mode), okReused);
            for (int j = 0; j < 3; ++j) {
                EXPECT_EQ(reused->GetCoef(j), fresh->GetCoef(j));
                EXPECT_EQ(reused->GetStdErr(j), fresh->GetStdErr(j));
            }
            for (int t = 0; t < 12; ++t) {
                EXPECT_EQ(reused->GetWeight(t), fresh->GetWeight(t));
                EXPECT_EQ(reused->GetResult(WLSE::kRowStudentized, t), fresh->GetResult(WLSE::kRowStudentized, t));
            }
        }
    }
}
