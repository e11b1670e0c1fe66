// The Box-Cox lambda search against the optimum of the profile likelihood
// over [-1, 1], and the tolerance band against its formula, both computed
// independently with 40-digit arithmetic (quantiles by bisection of the
// incomplete beta and gamma functions).
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "core/numeric/thread_pool.h"
#include "platform/errors.h"
#include "stats/box_cox_search.h"
#include "stats/curve_fit.h"
#include "curve_fit_cases.h"

namespace {

const std::vector<double> kSecondX = {1.0, 1.7, 2.4, 3.3, 4.1, 5.6, 6.2, 7.9, 9.4, 11.0};
const std::vector<double> kSecondY = {3.0, 4.6, 5.1, 6.0, 6.4, 7.3, 7.2, 8.1, 8.3, 8.9};

}  // namespace

TEST(BoxCoxSearch, FindsTheProfileLikelihoodOptimumWithin1e5) {
    struct Row { const char* name; const std::vector<double>* x; const std::vector<double>* y; BoxCoxMode mode; double optimum; };
    const Row rows[] = {
        {"y only", &kCurveX, &kCurveY, BoxCoxMode::kY, 0.66930297982303105},
        {"x only", &kSecondX, &kSecondY, BoxCoxMode::kX, -0.010277145938930185},
        {"both", &kSecondX, &kSecondY, BoxCoxMode::kBoth, -0.99279822024543295},
        // Optimum beyond the range: the search stops at its end.
        {"x only, optimum above 1", &kCurveX, &kCurveY, BoxCoxMode::kX, 1.0},
        {"both, optimum below -1", &kCurveX, &kCurveY, BoxCoxMode::kBoth, -1.0},
    };
    ThreadPool pool(3);
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        for (ThreadPool* p : {static_cast<ThreadPool*>(nullptr), &pool}) {
            const BoxCoxSearchResult s =
                SearchBoxCoxLambda(r.x->data(), r.y->data(), static_cast<int>(r.x->size()), r.mode, p);
            ASSERT_TRUE(s.usable);
            EXPECT_NEAR(s.lambda, r.optimum, 1e-5);
        }
    }
}

TEST(BoxCoxSearch, VisitsAllGridPointsOfTheThreeStages) {
    const BoxCoxSearchResult s =
        SearchBoxCoxLambda(kCurveX.data(), kCurveY.data(), 8, BoxCoxMode::kY, nullptr);
    EXPECT_EQ(s.gridPoints, 21 + 21 + 2001);
}

TEST(BoxCoxSearch, CriterionEqualsTheProfileLikelihood) {
    // (n/2) ln sigma2 + (1 - lambda) sum ln y at lambda 0.5 and 0 (y only),
    // and (n/2) ln sigma2 alone for x at 0.5 (40-digit values).
    struct Row { BoxCoxMode mode; double lambda, expected; };
    const Row rows[] = {
        {BoxCoxMode::kY, 0.5, -5.8200719285233607},
        {BoxCoxMode::kY, 0.0, 0.98851800026699925},
        {BoxCoxMode::kX, 0.5, 1.098550055810318},
    };
    for (const Row& r : rows) {
        double c = 0;
        ASSERT_TRUE(BoxCoxCriterion(kCurveX.data(), kCurveY.data(), 8, r.mode, r.lambda, &c));
        EXPECT_NEAR(c, r.expected, 1e-12);
    }
}

TEST(BoxCoxSearch, XOnlyAcceptsResponsesBelowZero) {
    std::vector<double> y = kSecondY;
    for (double& v : y) v -= 6.0;
    const BoxCoxSearchResult s = SearchBoxCoxLambda(kSecondX.data(), y.data(), 10, BoxCoxMode::kX, nullptr);
    ASSERT_TRUE(s.usable);
    // A shift of y leaves the x-only optimum where it was.
    EXPECT_NEAR(s.lambda, -0.010277145938930185, 1e-5);
    EXPECT_FALSE(SearchBoxCoxLambda(kSecondX.data(), y.data(), 10, BoxCoxMode::kY, nullptr).usable);
    EXPECT_FALSE(SearchBoxCoxLambda(kSecondX.data(), y.data(), 10, BoxCoxMode::kBoth, nullptr).usable);
}

TEST(BoxCoxSearch, NoPositiveVarianceLeavesLambdaAtOne) {
    const std::vector<double> x = {1, 2, 3, 4, 5}, y = {4, 4, 4, 4, 4};
    for (BoxCoxMode mode : {BoxCoxMode::kY, BoxCoxMode::kX, BoxCoxMode::kBoth}) {
        const BoxCoxSearchResult s = SearchBoxCoxLambda(x.data(), y.data(), 5, mode, nullptr);
        EXPECT_TRUE(s.usable);
        EXPECT_EQ(s.lambda, 1.0);
    }
}

TEST(PredictionBand, EqualsTheFormulaWithIndependentQuantiles) {
    // x0 = 5, confidence 0.95, coverage 0.90: prediction, upper, lower in
    // the scale of y. Types 7 and 9 come back with upper below lower.
    struct Row { int type; double value, upper, lower; };
    const Row rows[] = {
        {0, 9.1122300522846098, 12.76709795572428, 5.45736214884494},
        {1, 8.6138653177249278, 12.440907481933231, 4.7868231535166245},
        {4, 8.9827657984638071, 12.240014584547586, 6.5923190558872669},
        {5, 7.5309428807830191, 17.885518218086588, 3.1710068437527153},
        {7, 8.8036101182598157, 6.7632959717643715, 12.606743589664434},
        {9, 5.9025186495150573, 1.8525456254492985, -4.9761303195621821},
        {10, 8.6193821445164896, 11.21984450385297, 6.2565162216671368},
        {12, 8.8036101182598157, 12.606743589664434, 6.7632959717643715},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.type);
        TSRA f("x", kCurveX.data(), "y", kCurveY.data(), 8);
        ASSERT_TRUE(f.FitCurve(r.type));
        double upper = 0, lower = 0;
        const double value = f.PredictInterval(&upper, &lower, 5.0, 0.95, 0.90);
        // The F and single-precision normal quantiles carry about 1e-7.
        EXPECT_NEAR(value, r.value, 1e-9 * std::fabs(r.value));
        EXPECT_NEAR(upper, r.upper, 1e-6 * std::fabs(r.upper));
        EXPECT_NEAR(lower, r.lower, 1e-6 * std::fabs(r.lower));
    }
}

TEST(PredictionBand, RefusesAnXOutsideTheTransform) {
    TSRA f("x", kCurveX.data(), "y", kCurveY.data(), 8);
    double upper = 0, lower = 0;
    ASSERT_TRUE(f.FitCurve(6));
    EXPECT_THROW(f.PredictInterval(&upper, &lower, -1.0, 0.95, 0.9), EMathError);
    ASSERT_TRUE(f.FitCurve(8));
    EXPECT_THROW(f.PredictInterval(&upper, &lower, 0.0, 0.95, 0.9), EMathError);
    EXPECT_THROW(f.PredictInterval(&upper, &lower, 1.0, 1.5, 0.9), ERangeError);
}
