// The statistics of a design column in formulas ("..x.ave" and the others):
// formed once per column of a fit, whatever number of observations reads
// them, and formed again when the fit fills the design anew.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "core/data/variable.h"
#include "core/model/regression_model.h"
#include "eval/app_state.h"
#include "eval/calc_str.h"
#include "support/model_builder.h"

namespace {

// x endogenous, z and w exogenous, y the dependent variable.
const Columns kData = {{1, 4, 2, 8, 5, 10}, {2, 1, 4, 3, 6, 5}, {0, 1, 0, 1, 1, 0}, {3, 7, 5, 12, 11, 14}};

class CalcStrDesignSummary : public ::testing::Test {
protected:
    void SetUp() override {
        auto model = MakeModel(kData, {Var::kEndogenous, Var::kExogenous, Var::kExogenous, Var::kEndogenous},
                               {"x", "z", "w", "y"});
        ASSERT_TRUE(model->SetModel(3, {2, 2, 0, 1, 2}));
        reg = model.get();
        app.SetModel(std::move(model));
    }

    // ave, sig, max and min of the design column of name.
    std::vector<double> Summary(const std::string& name) {
        std::vector<double> s;
        for (const char* a : {".ave", ".sig", ".max", ".min"}) s.push_back(calc.EvaluateAt(".." + name + a, 0));
        return s;
    }

    AppState app;
    Reg* reg = nullptr;
    CalcStr& calc = app.Evaluator();
};

TEST_F(CalcStrDesignSummary, OneSummaryPerColumnOverARange) {
    const long before = reg->DesignSummaryPasses();
    std::vector<double> out(6);
    for (int pass = 0; pass < 3; ++pass) {
        ASSERT_EQ(calc.EvaluateRange("x - ..x.ave + ..z.min", 0, 6, out.data()), 6);
        EXPECT_EQ(out, (std::vector<double>{-3, 0, -2, 4, 1, 6}));
    }
    EXPECT_TRUE(calc.TestAtObservation("x > ..x.ave + ..x.sig", 5));
    EXPECT_EQ(reg->DesignSummaryPasses() - before, 2);
    reg->Reestimate(false);
    ASSERT_EQ(calc.EvaluateRange("x - ..x.ave + ..z.min", 0, 6, out.data()), 6);
    EXPECT_EQ(reg->DesignSummaryPasses() - before, 4);
}

// x's summary after each change, with x's and z's read before it: a value
// edited waits for the next estimation, as the design does.
TEST_F(CalcStrDesignSummary, FollowsTheDesignOfTheFit) {
    const std::vector<double> fitted = {5, 3.4641016151377544, 10, 1};  // sd sqrt(12)
    const std::vector<double> edited = {7, 7.0992957397195395, 20, 1};  // x[4] = 20: sd sqrt(50.4)
    const std::vector<double> fewer = {4, 2.7386127875258306, 8, 1};    // without the last: sd sqrt(7.5)
    // x on (1, z, w): fitted values 157/52, 199/52, 239/52, 281/52, 101/13, 70/13.
    const std::vector<double> firstStage = {5, 1.6396528713302516, 7.769230769230769, 3.019230769230769};
    const auto edit = [](Reg& r) { r.SetValue(3, 0, 20.0); };
    struct Change {
        const char* what;
        std::function<void(Reg&)> apply;
        const std::vector<double>& expected;
    };
    const Change changes[] = {
        {"value edited", edit, fitted},
        {"estimated again", [&](Reg& r) { edit(r); r.Reestimate(false); }, edited},
        {"new dependent", [&](Reg& r) { edit(r); r.SetDependent(1); }, edited},
        {"new model", [&](Reg& r) { edit(r); ASSERT_TRUE(r.SetModel(3, {0, 2, 2, 1, 2})); }, edited},
        {"observation deleted", [](Reg& r) { r.DeleteObservation(5, true); }, fewer},
        {"variables exchanged", [](Reg& r) { r.ExchangeVars(0, 1); }, fitted},  // x now where z was
        {"two-stage", [](Reg& r) { r.SetTwoStage(true); r.Reestimate(false); }, firstStage},
    };
    for (const Change& c : changes) {
        SetUp();
        ASSERT_EQ(Summary("x"), fitted);
        ASSERT_EQ(Summary("z"), (std::vector<double>{3.5, 1.8708286933869707, 6, 1}));
        c.apply(*reg);
        EXPECT_EQ(Summary("x"), c.expected) << c.what;
    }
}

}  // namespace
