// Recursive residuals against refits on the first t observations for each t,
// (y_t - x_t'b_t) / sqrt(1 + x_t'(X_t'X_t)^-1 x_t), in exact rational
// arithmetic (a short Python script with fractions), pasted here; the
// two-stage series refits both stages on the first t observations.
#include <gtest/gtest.h>

#include <vector>

#include "estimators/recursive_residuals.h"
#include "support/model_builder.h"
#include "support/scripted_services.h"

namespace {

const std::vector<double> kZ1 = {1.2, 2.5, 0.9, 3.3, 4.1, 2.7, 5.0, 4.4, 6.2, 5.5, 7.3, 6.1, 8.0, 7.4};
const std::vector<double> kZ2 = {0.8, 1.9, 2.6, 0.5, 1.4, 3.1, 2.2, 0.7, 1.8, 2.9, 0.3, 2.4, 1.6, 3.0};
const std::vector<double> kX1 = {2.1, 3.4, 1.8, 4.6, 5.2, 3.9, 6.3, 5.7, 7.1, 6.8, 8.4, 7.5, 9.2, 8.8};
const std::vector<double> kX2 = {1.5, 0.7, 2.3, 1.9, 0.4, 2.8, 1.1, 3.2, 0.9, 2.6, 1.7, 3.5, 0.6, 2.2};
// A dummy that is 0 in the first five observations.
const std::vector<double> kDummy = {0, 0, 0, 0, 0, 1, 0, 1, 1, 0, 1, 0, 1, 1};
const std::vector<double> kP = {3.0, 4.8, 3.9, 5.1, 6.6, 6.0, 7.7, 6.9, 9.1, 8.3, 9.9, 9.6, 11.4, 10.2};
const std::vector<double> kY = {5.3, 6.1, 6.4, 8.2, 7.9, 9.6, 9.8, 12.1, 11.0, 13.4, 13.9, 16.2, 14.1, 16.8};

void ExpectSeries(const RecursiveResidualSeries& s, int t0, const std::vector<double>& w, const char* what,
                  double rel = 1e-10) {
    ASSERT_EQ(s.t0, t0) << what;
    ASSERT_EQ(s.w.size(), t0 + w.size()) << what;
    for (int t = 0; t < t0; ++t) EXPECT_EQ(s.w[t], 0.0) << what << t;
    for (std::size_t i = 0; i < w.size(); ++i) ExpectRel(s.w[t0 + i], w[i], rel, what, static_cast<int>(i));
}

TEST(RecursiveResiduals, OrdinaryMatchesRefitsOnEarlierObservations) {
    const std::vector<double> w12 = {
        -0.41940327780106745, 0.4045083780925462, 0.6468817753634409, 0.046930247898547, 0.2265545148440399,
        0.39423879105974635, 0.6807081262901213, 0.23721041368160978, 0.8783209465129206, 0.6615557330690853,
        1.244700534499255};
    std::vector<double> farX1(kX1);
    for (double& v : farX1) v += 1e6;
    struct Case {
        const char* what;
        std::vector<double> first, second;
        int t0;
        std::vector<double> w;
        double rel;
    } cases[] = {
        {"x1, x2", kX1, kX2, 3, w12, 1e-10},
        // Far from the origin: the residuals do not move with the offset
        // (beyond the rounding of the offset values themselves).
        {"x1 + 1e6, x2", farX1, kX2, 3, w12, 1e-8},
        // The dummy has no variation until observation 5: the series starts
        // once the earlier observations determine its coefficient.
        {"x1, dummy", kX1, kDummy, 6,
         {0.6875552052837688, 0.6505440733552912, -1.433432812188368, 3.121913577570341, -0.10510940991343866,
          3.7889283611905586, -1.3467183014525745, 1.8660443185709206},
         1e-10},
    };
    for (const Case& c : cases) {
        auto reg = MakeModel({c.first, c.second, kY}, {}, {"x1", "x2", "y"});
        ASSERT_TRUE(reg->SetModel(2, {2, 2, 1, 2}));
        const auto s = ComputeRecursiveResiduals(*reg, 14);
        ASSERT_TRUE(s.has_value()) << c.what;
        ExpectSeries(*s, c.t0, c.w, c.what, c.rel);
    }
}

TEST(RecursiveResiduals, TwoStageRefitsBothStages) {
    auto reg = MakeModel({kZ1, kZ2, kX1, kP, kY}, {2, 2, 2, 1, 1}, {"z1", "z2", "x1", "p", "y"});
    reg->SetTwoStage(true);
    ASSERT_TRUE(reg->SetModel(4, {0, 0, 2, 2, 1, 2}));
    const auto s = ComputeRecursiveResiduals(*reg, 14);
    ASSERT_TRUE(s.has_value());
    ExpectSeries(*s, 4,
                 {-0.4338381738558001, 1.6463643177678189, -0.09956512887695752, 2.603600678927282,
                  -0.5851133763657993, 2.116569054202731, 0.31252785594255994, 2.9688912835369217,
                  -1.4915483619689545, 2.0210059312769255},
                 "two-stage");
}

TEST(RecursiveResiduals, ShowsTheProgressWindowWhileItRuns) {
    EngineContext context;
    ScriptedServices services;
    context.SetServices(&services);
    auto reg = MakeModel({kX1, kX2, kY}, {}, {"x1", "x2", "y"}, &context);
    ASSERT_TRUE(reg->SetModel(2, {2, 2, 1, 2}));
    services.ClearCalls();
    ASSERT_TRUE(ComputeRecursiveResiduals(*reg, 14).has_value());
    const auto begun = services.CallsOf(ServiceCall::ProgressBegin);
    ASSERT_EQ(begun.size(), 1u);
    EXPECT_EQ(begun[0].text, "データの設定中・・・");
    EXPECT_EQ(services.CallsOf(ServiceCall::ProgressEnd).size(), 1u);
    EXPECT_EQ(services.ProgressDepth(), 0);
}

TEST(RecursiveResiduals, NothingWithoutAnObservationBeyondTheFirstFit) {
    auto reg = MakeModel({kX1, kX2, kY}, {}, {"x1", "x2", "y"});
    ASSERT_TRUE(reg->SetModel(2, {2, 2, 1, 2}));
    struct Case {
        int count;
        bool some;
    } cases[] = {{0, false}, {-5, false}, {3, false}, {4, true}, {100, true}};
    for (const Case& c : cases) {
        const auto s = ComputeRecursiveResiduals(*reg, c.count);
        EXPECT_EQ(s.has_value(), c.some) << c.count;
        // Exactly one point with one observation beyond the first fit.
        if (s && c.count == 4) {
            EXPECT_EQ(s->w.size() - s->t0, 1u);
        }
        if (s && c.count == 100) {
            EXPECT_EQ(s->w.size(), 14u);
        }
    }
    // No longer identified once the only outside instrument loses its type.
    auto iv = MakeModel({kZ1, kX1, kP, kY}, {2, 2, 1, 1}, {"z1", "x1", "p", "y"});
    iv->SetTwoStage(true);
    ASSERT_TRUE(iv->SetModel(3, {0, 2, 2, 1, 2}));
    ASSERT_TRUE(ComputeRecursiveResiduals(*iv, 14).has_value());
    iv->SetVarType(0, 0);
    EXPECT_FALSE(ComputeRecursiveResiduals(*iv, 14).has_value());
}

}  // namespace
