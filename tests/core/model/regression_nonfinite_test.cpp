// Values and results that are no finite numbers: refused before the model
// changes, never reported as a good fit, named in FitProblem(); a two-stage
// model set up under-identified falls back as a toggle does.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <limits>
#include <string>
#include <unistd.h>
#include <utility>
#include <vector>

#include "core/model/regression_file.h"
#include "core/model/regression_model.h"
#include "core/settings/engine_context.h"
#include "support/model_builder.h"
#include "support/sample_columns.h"
#include "support/scripted_services.h"

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();

// y on x, n = 5: slope 0.9, intercept 0.2 (by hand: Sxy 9, Sxx 10).
const Columns kXy = {{1, 2, 3, 4, 5}, {1, 2, 3.5, 3, 5}};

TEST(RegNonFinite, AValueThatIsNoNumberIsRefusedAndTheFormerModelStays) {
    struct Case {
        int variable;  // 0 x, 1 y
        int observation;
        double value;
        const char* message;
    };
    const Case cases[] = {
        {0, 2, kNaN, "変数 x の 3 番目の値が有限の数値ではありません。"},
        {1, 0, kInf, "変数 y の 1 番目の値が有限の数値ではありません。"},
        {0, 4, -kInf, "変数 x の 5 番目の値が有限の数値ではありません。"},
    };
    for (const Case& c : cases) {
        auto reg = MakeModel(kXy, {}, {"x", "y"});
        ASSERT_TRUE(reg->SetModel(1, {2, 1, 2}));
        ASSERT_NEAR(reg->GetCoef(0), 0.9, 1e-14);
        reg->SetValue(c.observation, c.variable, c.value);
        EXPECT_FALSE(reg->SetModel(1, {2, 1, 2})) << c.message;
        EXPECT_EQ(reg->FitProblem(), c.message);
        // Nothing of the former fit has changed.
        EXPECT_NEAR(reg->GetCoef(0), 0.9, 1e-14) << c.message;
        EXPECT_NEAR(reg->GetCoef(2), 0.2, 1e-14) << c.message;
        EXPECT_EQ(reg->GetRole(0), Reg::kRoleExplanatory) << c.message;
    }
}

// A data set for the worker threads, statistics out of date (as after a
// read): the variable named is the model's first in index order holding
// such a value, whichever column a thread scans first.
TEST(RegNonFinite, LargeDataSetNamesTheFirstVariableOnEveryThreadCount) {
    const struct { std::vector<std::pair<int, int>> bad; const char* message; } cases[] = {
        {{{3, 40000}, {1, 9000}}, "変数 VAR1 の 9001 番目の値が有限の数値ではありません。"},
        {{{2, 5}, {3, 0}}, "変数 VAR2 の 6 番目の値が有限の数値ではありません。"},
        {{{4, 49999}}, "変数 VAR4 の 50000 番目の値が有限の数値ではありません。"},
        {{{0, 7}}, ""},  // outside the model
    };
    for (const int threads : {1, 4})
        for (const auto& c : cases) {
            SCOPED_TRACE(testing::Message() << "threads " << threads << " " << c.message);
            EngineContext context;
            context.SetThreads(threads);
            constexpr int n = 50000;
            Reg reg(context, n, 5);
            for (int j = 0; j < 5; ++j) {
                std::vector<double> x(n);
                for (int i = 0; i < n; ++i) x[i] = std::sin(0.37 * i * (j + 1)) + j;
                for (const auto& [v, i] : c.bad) x[i] = v == j ? kNaN : x[i];
                reg.SetVarValues(j, x);
            }
            reg.Rebuild();
            EXPECT_EQ(reg.SetModel(4, {0, 2, 2, 2, 1, 2}), c.message[0] == '\0');
            EXPECT_EQ(reg.FitProblem(), c.message);
        }
}

TEST(RegNonFinite, ToggleAndSetDependentRefuseAsWell) {
    auto reg = MakeModel({{1, 2, 3, 4, 5}, {2, 1, 4, 3, 6}, {1, 2, 3.5, 3, 5}}, {}, {"x", "z", "y"});
    ASSERT_TRUE(reg->SetModel(2, {2, 0, 1, 2}));
    reg->SetValue(3, 1, kNaN);
    EXPECT_FALSE(reg->ToggleVariable(1));
    EXPECT_EQ(reg->FitProblem(), "変数 z の 4 番目の値が有限の数値ではありません。");
    EXPECT_EQ(reg->GetRole(1), Reg::kRoleUnused);
    EXPECT_NEAR(reg->GetCoef(0), 0.9, 1e-14);
    // Taking x out touches no value that is not a number.
    EXPECT_TRUE(reg->ToggleVariable(0));
    EXPECT_TRUE(reg->FitProblem().empty());

    EXPECT_EQ(reg->SetDependent(1), 0);
    EXPECT_EQ(reg->FitProblem(), "変数 z の 4 番目の値が有限の数値ではありません。");
    EXPECT_EQ(reg->GetDependent(), 2);
}

// Finite values whose squares or products leave the range of a double: the
// fit is refused and the model on show before stays, figure for figure.
// w on x as kXy (slope 0.9, intercept 0.2, SSE 1.1, PRESS 2.4936224489...
// by exact arithmetic); y near 1e307; t subnormal, its coefficient past 1e308.
const Columns kOverflowing = {{1, 2, 3, 4, 5},
                              {1, 2, 3.5, 3, 5},
                              {1e307, -1e307, 1.5e307, 2e307, -1.2e307},
                              {3e-312, 1e-312, 4e-312, 1e-312, 5e-312}};

void ExpectTheFitOfWOnX(const Reg& reg, const char* step) {
    SCOPED_TRACE(step);
    EXPECT_EQ(reg.GetDependent(), 1);
    EXPECT_EQ(reg.GetRole(0), Reg::kRoleExplanatory);
    EXPECT_EQ(reg.GetRole(2), Reg::kRoleUnused);
    EXPECT_EQ(reg.GetRole(3), Reg::kRoleUnused);
    EXPECT_NEAR(reg.GetCoef(0), 0.9, 1e-14);
    EXPECT_NEAR(reg.GetCoef(4), 0.2, 1e-14);
    EXPECT_NEAR(reg.GetS2(), 1.1 / 3, 1e-14);
    EXPECT_NEAR(reg.GetPress(), 2.493622448979592, 1e-13);
    EXPECT_EQ(reg.GetResidualDf(), 3);
    ExpectAnalysisRow(reg, Reg::kRowResidual, {-0.1, 0, 0.6, -0.8, 0.3}, 0, 1e-14, "e");
    ExpectAnalysisRow(reg, Reg::kRowPress, {-0.25, 0, 0.75, -8.0 / 7, 0.75}, 0, 1e-14, "press");
    for (int j = 0; j <= 4; ++j) {
        EXPECT_TRUE(std::isfinite(reg.GetStdError(j))) << j;
        EXPECT_TRUE(std::isfinite(reg.GetFValue(j))) << j;
    }
}

TEST(RegNonFinite, AFitThatOverflowsIsRefusedAndTheFitOnShowStays) {
    const char* const ySum = "変数 y の平方和が有限の数値になりません。";
    const struct {
        const char* step;
        bool (*act)(Reg&);
        const char* message;
    } cases[] = {
        {"y as dependent", [](Reg& r) { return r.SetDependent(2) != 0; }, ySum},
        {"model of y", [](Reg& r) { return r.SetModel(2, {2, 0, 1, 0, 2}); }, ySum},
        {"t entered", [](Reg& r) { return r.ToggleVariable(3); },
         "変数 t の係数または標準誤差が有限の数値になりません。"},
    };
    for (const auto& c : cases) {
        auto reg = MakeModel(kOverflowing, {}, {"x", "w", "y", "t"});
        ASSERT_TRUE(reg->SetModel(1, {2, 1, 0, 0, 2}));
        ExpectTheFitOfWOnX(*reg, "before");
        const double fBefore = reg->GetFValue(2);
        EXPECT_FALSE(c.act(*reg)) << c.step;
        EXPECT_EQ(reg->FitProblem(), c.message) << c.step;
        ExpectTheFitOfWOnX(*reg, c.step);
        EXPECT_EQ(reg->GetFValue(2), fBefore) << c.step;
        // The next good choice is estimated as usual.
        EXPECT_EQ(reg->SetDependent(0), 1) << c.step;
        EXPECT_TRUE(reg->FitProblem().empty()) << c.step;
    }
}

TEST(RegNonFinite, AnEditThatMakesTheFitOverflowLeavesTheRolesWithoutAnEstimate) {
    auto reg = MakeModel(kOverflowing, {}, {"x", "w", "y", "t"});
    ASSERT_TRUE(reg->SetModel(1, {2, 1, 0, 0, 2}));
    reg->SetValue(0, 1, 1e307);
    reg->SetValue(1, 1, -1e307);
    reg->Reestimate(false);
    const char* const wSum = "変数 w の平方和が有限の数値になりません。";
    EXPECT_EQ(reg->FitProblem(), wSum);
    EXPECT_EQ(reg->GetDependent(), 1);
    EXPECT_EQ(reg->GetRole(0), Reg::kRoleExplanatory);
    for (int j = 0; j <= 4; ++j) {
        EXPECT_EQ(reg->GetCoef(j), 0.0) << j;
        EXPECT_EQ(reg->GetStdError(j), 0.0) << j;
    }
    // Choosing a dependent from there: refused again, nothing estimated,
    // the roles kept for their own reason.
    EXPECT_EQ(reg->SetDependent(2), 0);
    EXPECT_EQ(reg->FitProblem(), "変数 y の平方和が有限の数値になりません。");
    EXPECT_EQ(reg->NoEstimateReason(), wSum);
    EXPECT_EQ(reg->GetDependent(), 1);
    EXPECT_EQ(reg->GetCoef(4), 0.0);
}

TEST(RegNonFinite, AFileWithSuchAValueOpensWithItsRolesAndNoEstimate) {
    const std::filesystem::path dir =
        std::filesystem::temp_directory_path() / ("merlox_nonfinite_" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    const std::string file = (dir / "n.MDF").string();
    auto source = MakeModel(kXy, {}, {"x", "y"});
    ASSERT_TRUE(source->SetModel(1, {2, 1, 2}));
    source->SetValue(1, 0, kNaN);
    SaveAs(*source, file);

    Reg loaded(2, 2);
    LoadFile(loaded, file);
    EXPECT_EQ(loaded.FitProblem(), "変数 x の 2 番目の値が有限の数値ではありません。");
    EXPECT_EQ(loaded.GetDependent(), 1);
    EXPECT_EQ(loaded.GetRole(0), Reg::kRoleExplanatory);
    for (int j = 0; j <= 2; ++j) {
        EXPECT_EQ(loaded.GetCoef(j), 0.0) << j;
        EXPECT_EQ(loaded.GetStdError(j), 0.0) << j;
    }
    std::filesystem::remove_all(dir);
}

TEST(RegNonFinite, UnderidentifiedTwoStageModelFallsBackToOrdinaryFit) {
    // y (endogenous) on y2 (endogenous) with x1 only as instrument besides the
    // constant: x1 itself in the equation leaves no excluded instrument.
    const Columns cols(IvColumns().begin(), IvColumns().begin() + 3);
    ScriptedServices ui;
    EngineContext context;
    context.SetServices(&ui);
    auto reg = MakeModel(cols, {1, 1, 2}, {"y", "y2", "x1"}, &context);
    reg->SetTwoStage(true);
    ui.QueueOK();
    EXPECT_FALSE(reg->SetModel(0, {1, 2, 2, 2}));
    const auto boxes = ui.CallsOf(ServiceCall::MessageBox);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, "識別不能状態です。");
    EXPECT_FALSE(reg->IsTwoStage());
    // Ordinary least squares of y on y2 and x1 (numpy lstsq).
    auto ols = MakeModel(cols, {1, 1, 2}, {"y", "y2", "x1"});
    ASSERT_TRUE(ols->SetModel(0, {1, 2, 2, 2}));
    for (int j = 1; j <= 3; ++j) {
        EXPECT_TRUE(std::isfinite(reg->GetStdError(j))) << j;
        EXPECT_EQ(reg->GetCoef(j), ols->GetCoef(j)) << j;
    }
}

// Finite values far from 1: the moments are formed where the values sit, so
// magnitudes whose sums of squares a double holds give the right fit (exact
// values by rational arithmetic on the doubles given): 1.3e154 leaves x a
// sum of squares of 1.352e308, just below the largest double.
TEST(RegExtremeMagnitudes, HugeAndTinyColumnsFitTheirTrueSlope) {
    struct Case {
        std::vector<double> x;
        double slope, intercept, slopeSe;
    };
    const Case cases[] = {
        {{1, 2, 1.3e154, 3, 4}, 5.76923076923076948e-155, 2.75, 1.468774261203794937e-154},
        {{1e-300, 2e-300, 3e-300, 1e-300, 5e-300}, 7.767857142857142662e+299, 1.035714285714285714,
         2.695876638561218678e+299},
    };
    for (const Case& c : cases) {
        auto reg = MakeModel({c.x, {1, 2, 3.5, 3, 5}}, {}, {"x", "y"});
        EXPECT_TRUE(reg->SetModel(1, {2, 1, 2})) << reg->FitProblem();
        EXPECT_NEAR(reg->GetCoef(0), c.slope, 1e-12 * std::fabs(c.slope));
        EXPECT_NEAR(reg->GetCoef(2), c.intercept, 1e-12);
        EXPECT_NEAR(reg->GetStdError(0), c.slopeSe, 1e-9 * c.slopeSe);
        EXPECT_TRUE(reg->FitProblem().empty());
    }
}

// A variable that is a combination of others leaves only rounding noise as
// its pivot: it is not swept in, whatever the sign of the noise.
TEST(RegCollinear, ACombinationOfTheModelsVariablesIsNotSweptIn) {
    const std::vector<double> x1 = {0.1, 0.7, 1.3, 2.9, 3.1, 4.7, 5.3}, x2 = {1.9, 0.3, 2.2, 0.4, 3.3, 1.1, 0.6};
    std::vector<double> sum(x1.size()), scaled(x1.size());
    for (std::size_t i = 0; i < x1.size(); ++i) {
        sum[i] = x1[i] + x2[i];
        scaled[i] = 3.0 * x1[i] - 0.1 * x2[i];
    }
    const std::vector<double> y = {1.0, 2.0, 2.5, 4.1, 5.2, 6.9, 7.7};
    for (const auto& copy : {sum, scaled, x1}) {
        auto reg = MakeModel({x1, x2, copy, y});
        EXPECT_FALSE(reg->SetModel(3, {2, 2, 2, 1, 2}));
        EXPECT_EQ(reg->GetRole(2), Reg::kRoleUnused);
        EXPECT_TRUE(std::isfinite(reg->GetStdError(0)));
        ASSERT_TRUE(reg->SetModel(3, {2, 2, 0, 1, 2}));
        EXPECT_FALSE(reg->ToggleVariable(2));
        EXPECT_EQ(reg->GetRole(2), Reg::kRoleUnused);
    }
}

}  // namespace
