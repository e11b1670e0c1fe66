// Predictions with their tolerance interval for a model handed over by a
// window: the same interval as the main model's, the restricted fit's
// against an independent computation, and the percentages read from texts.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "core/model/regression_diagnostics.h"
#include "core/settings/engine_context.h"
#include "estimators/prediction.h"
#include "estimators/restricted.h"
#include "platform/errors.h"
#include "support/model_builder.h"
#include "support/sample_columns.h"

namespace {

const Columns& kCollinear = NearlyCollinearColumns();

// The main model's fit of VAR3 on VAR0 .. VAR2 as a handed-over model.
PredictionModel FromMainModel(const Reg& reg) {
    Matrix cov;
    GetCovariance(reg, cov);
    const int order[] = {0, 1, 2, 4};  // the regressors, then the constant term
    PredictionModel model;
    model.q.Replace(Matrix(4, 4, 0.0));
    for (int a = 0; a < 4; ++a) {
        model.coef.push_back(reg.GetCoef(order[a]));
        for (int b = 0; b < 4; ++b) model.q[a][b] = cov[order[a]][order[b]] / reg.GetS2();
    }
    model.s2 = reg.GetS2();
    model.n = reg.GetObsCount();
    model.p = 3;
    model.df = reg.Fit().residualDf;
    return model;
}

}  // namespace

TEST(PredictionTest, SameIntervalAsTheMainModel) {
    EngineContext context;
    auto reg = MakeModel(kCollinear, {}, {}, &context);
    ASSERT_TRUE(reg->SetModel(3, {2, 2, 2, 1, 2}));
    const PredictionModel model = FromMainModel(*reg);
    const struct {
        std::vector<double> x;
        const char* confidence;
        const char* coverage;
        double c, p;
    } cases[] = {{{5, 6, 2}, "95", "90", 0.95, 0.90},
                 {{0, 0, 0}, "99", "50", 0.99, 0.50},
                 {{12.5, 11, 4.5}, "80", "99.5", 0.80, 0.995}};
    for (const auto& c : cases) {
        std::vector<double> full = {c.x[0], c.x[1], c.x[2], 0.0, 0.0};
        double lower = 0, upper = 0;
        const double yhat = GetToleranceInterval(*reg, full, lower, upper, c.p, c.c);
        const TolerancePrediction t = PredictFromTexts(model, c.x, context.Evaluator(), c.confidence, c.coverage);
        EXPECT_NEAR(t.predicted, yhat, 1e-12 * std::abs(yhat));
        EXPECT_NEAR(t.lower, lower, 1e-12 * (upper - lower));
        EXPECT_NEAR(t.upper, upper, 1e-12 * (upper - lower));
    }
}

TEST(PredictionTest, RestrictedFitAgainstAnIndependentInterval) {
    EngineContext context;
    auto reg = MakeModel(kCollinear, {}, {}, &context);
    Restricted est(*reg, 0, std::vector<std::uint8_t>(4, 1), "VAR3");
    // b1 + b2 = 1.6.
    est.SetRestrictionCoefficient(0, 0, 0.0);
    est.SetRestrictionCoefficient(0, 1, 1.0);
    est.SetRestrictionCoefficient(0, 2, 1.0);
    est.SetRestrictionValue(0, 1.6);
    ASSERT_TRUE(est.Estimate());
    const PredictionModel model = est.ForPrediction();
    EXPECT_EQ(model.p, 3);
    EXPECT_EQ(model.n, 12);
    EXPECT_EQ(model.df, 9);
    ASSERT_EQ(model.names.size(), 3u);
    EXPECT_EQ(model.names[2], "VAR2");
    const std::vector<double> x = {5, 6, 2};
    const TolerancePrediction t = PredictFromTexts(model, x, context.Evaluator(), "95", "90");
    EXPECT_NEAR(t.predicted, 11.357979790566645, 1e-10);
    EXPECT_NEAR(t.upper - t.predicted, 2.8070125801432293, 1e-5 * 2.807);
    EXPECT_NEAR(t.predicted - t.lower, 2.8070125801432293, 1e-5 * 2.807);
}

TEST(PredictionTest, PercentTextsDefaultsAndClamps) {
    EngineContext context;
    auto reg = MakeModel(kCollinear, {}, {}, &context);
    ASSERT_TRUE(reg->SetModel(3, {2, 2, 2, 1, 2}));
    const PredictionModel model = FromMainModel(*reg);
    const std::vector<double> x = {5, 6, 2};
    auto interval = [&](double c, double p) {
        return PredictWithTolerance(model.coef, model.q, x, model.s2, model.n, model.df, c, p);
    };
    const double top = 0.99999988079071045;  // 1 - 2^-23
    const struct {
        const char* confidence;
        const char* coverage;
        double c, p;
    } cases[] = {{"", "", 0.95, 0.90}, {"abc", "9O", 0.95, 0.90}, {"100", "250", top, top},
                 {"-5", "90", 0.0, 0.90}, {"97.5", "75", 0.975, 0.75}};
    for (const auto& c : cases) {
        const TolerancePrediction t = PredictFromTexts(model, x, context.Evaluator(), c.confidence, c.coverage);
        const TolerancePrediction want = interval(c.c, c.p);
        EXPECT_EQ(t.lower, want.lower) << c.confidence << " / " << c.coverage;
        EXPECT_EQ(t.upper, want.upper) << c.confidence << " / " << c.coverage;
    }
    EXPECT_THROW(PredictFromTexts(model, std::vector<double>{1, 2}, context.Evaluator(), "95", "90"), ERangeError);
}
