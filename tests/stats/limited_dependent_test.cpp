// Censored, truncated and probit likelihoods and their maximum-likelihood
// estimates against independent fits (Newton's method on the same
// likelihoods in 30-digit arithmetic), and the reports of the estimates.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "core/numeric/thread_pool.h"
#include "platform/errors.h"
#include "stats/curve_fit.h"
#include "stats/limited_dependent.h"
#include "limited_dependent_data.h"
#include "support/expect_exception.h"

namespace {

using namespace limited_dependent_data;

const std::vector<double> kProbit = {0, 0, 0, 0, 0, 0, 1, 0, 1, 1, 1, 1, 0, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1};
const std::vector<double> kUncensored = {2.993, 4.213, 3.629, 3.822, 3.384, 4.544, 6.434, 5.909,
                                         6.944, 6.299, 6.774, 6.822, 4.901, 8.226, 8.107, 8.399,
                                         6.071, 6.307, 7.632, 8.438, 9.666, 9.545, 10.525, 9.43};

void ExpectRelative(double actual, double expected, double rel, const char* what) {
    EXPECT_NEAR(actual, expected, rel * std::fabs(expected)) << what;
}

}  // namespace

TEST(LimitedDependent, LikelihoodsEqualIndependentValues) {
    const double censored[] = {-1.8, 0.55, 1.0}, truncated[] = {-0.3, 0.4, 1.2}, probit[] = {-2.5, 0.6, 99.0};
    EXPECT_NEAR(CensoredNegLogLikelihood(censored, kX.data(), kCensored.data(), 24), 28.4133907542158, 1e-10);
    EXPECT_NEAR(TruncatedNegLogLikelihood(truncated, kTruncX.data(), kTruncY.data(), 19), 9.78292659764076, 1e-10);
    EXPECT_NEAR(ProbitNegLogLikelihood(probit, kX.data(), kProbit.data(), 24), 6.23510328570923, 1e-10);
}

TEST(LimitedDependent, EstimatesEqualIndependentMaximumLikelihoodFits) {
    struct Row {
        const char* name;
        LimitedDependentModel model;
        const std::vector<double>* x;
        const std::vector<double>* y;
        double alpha, beta, sigma;
    };
    const Row rows[] = {
        {"censored", LimitedDependentModel::kCensored, &kX, &kCensored, -1.83958741114484, 0.550876639688254,
         1.03926853035044},
        {"truncated", LimitedDependentModel::kTruncated, &kTruncX, &kTruncY, -0.296626588318804, 0.392177222110246,
         1.15942629385757},
        {"probit", LimitedDependentModel::kProbit, &kX, &kProbit, -2.50983270503576, 0.579447289744899, 0.0},
        // No value at or below 0: the least-squares line with sigma^2 = SSE / n.
        {"censored without censoring", LimitedDependentModel::kCensored, &kX, &kUncensored, 3.2015072463768126,
         0.5478521739130434, 0.949647424721509},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        // From the straight-line fit of the window's data.
        TSRA line("x", r.x->data(), "y", r.y->data(), static_cast<int>(r.x->size()));
        ASSERT_TRUE(line.FitCurve(0));
        const LimitedDependentFit fit = FitLimitedDependent(r.model, line);
        EXPECT_GT(fit.iterations, 0);
        // Newton's steps after the simplex reach the maximum itself.
        ExpectRelative(fit.alpha, r.alpha, 1e-12, "alpha");
        ExpectRelative(fit.beta, r.beta, 1e-12, "beta");
        if (r.model != LimitedDependentModel::kProbit) {
            ExpectRelative(fit.sigma, r.sigma, 1e-12, "sigma");
        } else {
            EXPECT_DOUBLE_EQ(fit.sigma, std::sqrt(line.S2()));
        }
    }
}

TEST(LimitedDependent, QuadraticCurveStartsFromItsInterceptAndSlope) {
    TSRA quadratic("x", kX.data(), "y", kCensored.data(), 24);
    ASSERT_TRUE(quadratic.FitCurve(1));
    const LimitedDependentFit fit = FitLimitedDependent(LimitedDependentModel::kCensored, quadratic);
    ExpectRelative(fit.alpha, -1.83958741114484, 1e-12, "alpha");
    ExpectRelative(fit.beta, 0.550876639688254, 1e-12, "beta");
}

TEST(LimitedDependent, ImpossibleParametersGiveALargeFiniteValue) {
    const double zeroSigma[] = {0.0, 1.0, 0.0}, negativeSigma[] = {0.0, 1.0, -1.0};
    EXPECT_EQ(CensoredNegLogLikelihood(zeroSigma, kX.data(), kCensored.data(), 24), kLimitedDependentPenalty);
    EXPECT_EQ(TruncatedNegLogLikelihood(negativeSigma, kTruncX.data(), kTruncY.data(), 19), kLimitedDependentPenalty);
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const std::vector<double> y = {1.0, nan, 2.0};
    const std::vector<double> x = {1.0, 2.0, 3.0};
    const double p[] = {0.0, 1.0, 1.0};
    EXPECT_EQ(CensoredNegLogLikelihood(p, x.data(), y.data(), 3), kLimitedDependentPenalty);
    EXPECT_EQ(TruncatedNegLogLikelihood(p, x.data(), y.data(), 3), kLimitedDependentPenalty);
    EXPECT_EQ(ProbitNegLogLikelihood(p, x.data(), y.data(), 3), kLimitedDependentPenalty);
}

TEST(LimitedDependent, DataWithoutAFiniteLikelihoodAreFailure) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const std::vector<double> x = {1, 2, 3, 4}, y = {1, nan, 2, 3};
    for (auto model : {LimitedDependentModel::kCensored, LimitedDependentModel::kTruncated,
                       LimitedDependentModel::kProbit})
        ExpectExceptionMessage([&] { FitLimitedDependent(model, x.data(), y.data(), 4, 0.0, 1.0, 1.0); }, "FAILURE",
                               "value that is no number");
}

TEST(LimitedDependent, MessagesFillTheModelsFormats) {
    LimitedDependentFit fit;
    fit.alpha = -1.5;
    fit.beta = 0.25;
    fit.sigma = 2.0;
    EXPECT_EQ(LimitedDependentMessage(LimitedDependentModel::kCensored, fit),
              "CENSORED REGRESSION MODEL\nα =    -1.5000, β =     0.2500, σ =     2.0000");
    EXPECT_EQ(LimitedDependentMessage(LimitedDependentModel::kTruncated, fit),
              "TRUNCATED REGRESSION MODEL\nα =    -1.5000, β =     0.2500, σ =     2.0000");
    EXPECT_EQ(LimitedDependentMessage(LimitedDependentModel::kProbit, fit),
              "PROBIT MODEL\nα =    -1.5000, β =     0.2500");
    // Longley's GNP probit: a slope in small units keeps its digits.
    fit.alpha = -2.2139528521628261;
    fit.beta = 5.7603890542508868e-06;
    EXPECT_EQ(LimitedDependentMessage(LimitedDependentModel::kProbit, fit),
              "PROBIT MODEL\nα =    -2.2140, β = 5.7604e-06");
    fit.beta = -5.7603890542508868e-12;
    fit.sigma = 3e-5;
    EXPECT_EQ(LimitedDependentMessage(LimitedDependentModel::kCensored, fit),
              "CENSORED REGRESSION MODEL\nα =    -2.2140, β = -5.7604e-12, σ = 3.0000e-05");
    fit.sigma = 0.0;
    EXPECT_EQ(LimitedDependentMessage(LimitedDependentModel::kCensored, fit), "FAILURE");
}

TEST(LimitedDependent, LikelihoodsWithoutAMaximumFailBeforeOrAfterTheSearch) {
    struct Case {
        const char* what;
        LimitedDependentModel model;
        std::vector<double> x, y;
    } cases[] = {
        {"every value censored", LimitedDependentModel::kCensored, {1, 2, 3, 4, 5, 6}, {0, -1, 0, -2, -0.5, 0}},
        {"every value at or below the limit", LimitedDependentModel::kTruncated, {1, 2, 3, 4, 5}, {-1, 0, -2, -3, 0}},
        {"a single observation", LimitedDependentModel::kCensored, {1}, {2}},
        {"one value of x", LimitedDependentModel::kTruncated, {3, 3, 3, 3, 3}, {1, 2, 3, 4, 5}},
        {"probit, all ones", LimitedDependentModel::kProbit, {1, 2, 3, 4, 5}, {1, 1, 1, 1, 1}},
        {"probit, separated", LimitedDependentModel::kProbit, {1, 2, 3, 4, 5, 6}, {0, 0, 0, 1, 1, 1}},
        {"probit, separated downward", LimitedDependentModel::kProbit, {1, 2, 3, 4, 5, 6}, {1, 1, 0, 0, 0, 0}},
        {"probit, separated but for a tie", LimitedDependentModel::kProbit, {1, 2, 3, 3, 4, 5}, {0, 0, 0, 1, 1, 1}},
        {"probit, a single observation", LimitedDependentModel::kProbit, {2}, {1}},
        // Two uncensored points on a line that passes below the censored
        // ones: sigma shrinks toward 0 without end.
        {"censored, sigma collapses", LimitedDependentModel::kCensored, {1, 2, 3, 4, 5}, {0, 0, 0, 1, 2}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        try {
            (void)FitLimitedDependent(c.model, c.x.data(), c.y.data(), static_cast<int>(c.x.size()), 0.1, 0.5, 1.0);
            ADD_FAILURE() << "fitted";
        } catch (const Exception& e) {
            EXPECT_EQ(std::string(e.what()).rfind("FAILURE", 0), 0u) << e.what();
        }
    }
}

TEST(LimitedDependent, LikelihoodsAreTheSameOnAnyNumberOfThreads) {
    // Several chunks of observations.
    const int n = 40000;
    std::vector<double> x(n), y(n), c(n);
    for (int i = 0; i < n; ++i) {
        x[i] = std::sin(0.37 * i) * 3.0;
        y[i] = std::cos(1.3 * i) + 0.4 * x[i] > 0.2 ? 1.0 : 0.0;
        c[i] = std::max(0.0, 0.5 + 0.8 * x[i] + std::cos(2.1 * i));
    }
    const double probit[] = {-0.3, 0.9, 1.0}, censored[] = {0.4, 0.7, 1.1};
    const double p1 = ProbitNegLogLikelihood(probit, x.data(), y.data(), n);
    const double c1 = CensoredNegLogLikelihood(censored, x.data(), c.data(), n);
    const double t1 = TruncatedNegLogLikelihood(censored, x.data(), c.data(), n);
    for (int threads : {2, 3, 8}) {
        ThreadPool pool(threads);
        EXPECT_EQ(ProbitNegLogLikelihood(probit, x.data(), y.data(), n, &pool), p1) << threads;
        EXPECT_EQ(CensoredNegLogLikelihood(censored, x.data(), c.data(), n, &pool), c1) << threads;
        EXPECT_EQ(TruncatedNegLogLikelihood(censored, x.data(), c.data(), n, &pool), t1) << threads;
    }
}
