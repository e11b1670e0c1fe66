// Ridge regression: the grid's two forms, the refusals, the named-table
// binding, the progress window and the small formulas.
#include <gtest/gtest.h>

#include <cmath>
#include <optional>
#include <string>
#include <vector>

#include "core/io/file_matrix.h"
#include "core/model/regression_model.h"
#include "core/settings/engine_context.h"
#include "core/text/number_format.h"
#include "estimators/ridge.h"
#include "estimators/ridge_grid.h"
#include "platform/errors.h"
#include "support/model_builder.h"
#include "support/sample_columns.h"
#include "support/scripted_services.h"

namespace {

const Columns& kCollinear = NearlyCollinearColumns();
const Columns kOrthogonal = {
    {1, -1, 1, -1, 1, -1, 1, -1}, {1, 1, -1, -1, 1, 1, -1, -1}, {3.1, 1.2, 2.4, 0.3, 3.9, 1.1, 2.2, 0.8}};

std::vector<std::uint8_t> AllOf(const Columns& cols) { return std::vector<std::uint8_t>(cols.size(), 1); }
std::string LastName(const Columns& cols) { return "VAR" + std::to_string(cols.size() - 1); }

std::vector<std::string> Displayed(const Ridge& r) {
    std::vector<std::string> out = {FormatNumber(false, r.K()),  FormatNumber(false, r.S2()),
                                    FormatNumber(false, r.R2()), FormatNumber(false, r.DW()),
                                    FormatNumber(false, r.GK()), FormatNumber(false, r.Gcv())};
    for (int j = 0; j < r.P() + 2; ++j) {
        out.push_back(FormatNumber(false, r.GetCoef(j)));
        out.push_back(FormatNumber(false, r.GetStdErr(j)));
    }
    for (int row = 0; row < Ridge::kResultRows; ++row)
        for (int i = 0; i < r.N(); ++i) out.push_back(FormatNumber(false, r.GetResult(row, i)));
    return out;
}

// Every figure a fit leaves, to the bit.
std::vector<double> Held(const Ridge& r) {
    std::vector<double> v = {r.K(), r.S2(), r.R2(), r.DW(), r.GK(), r.Gcv()};
    for (int j = 0; j < r.P() + 2; ++j) v.insert(v.end(), {r.GetCoef(j), r.GetStdErr(j)});
    for (int j = 0; j < r.P(); ++j) v.push_back(r.GetVIF(j));
    for (int row = 0; row < Ridge::kResultRows; ++row)
        for (int i = 0; i < r.N(); ++i) v.push_back(r.GetResult(row, i));
    return v;
}

// A two-stage model, real calculation, of VAR2 on VAR0 (endogenous, 0 ..
// 10 plus shift) and VAR1 (lagged): VAR0's first-stage values repeat VAR1,
// so R is singular but for rounding.
std::unique_ptr<Reg> TwoStageRepeat(double shift, const std::vector<double>& lagged, const std::vector<double>& y,
                                    EngineContext* context = nullptr) {
    std::vector<double> endogenous;
    for (int i = 0; i <= 10; ++i) endogenous.push_back(i + shift);
    auto model = MakeModel({endogenous, lagged, y}, {1, 3}, {}, context);
    EXPECT_TRUE(model->SetModel(2, {2, 2, 1}));
    model->SetTwoStage(true);
    model->SetRealCalc(true);
    return model;
}

}  // namespace

TEST(RidgeCasesTest, AFitThatIsNoFiniteNumberIsRefusedAndTheFitBeforeStays) {
    constexpr double kAutomatic = -1.0;
    const std::vector<double> lagged = {1.5, -0.5, 2.5, 5.5, 3.5, 6.5, 4.5, 7.5, 10.5, 8.5, 11.5};
    const char* const constant = "変数 定数項 の係数または標準誤差が有限の数値になりません。";
    const char* const var0 = "変数 VAR0 の係数または標準誤差が有限の数値になりません。";
    const struct {
        const char* what;
        bool repeat;  // the two-stage model, else VAR3 on the large columns of flags
        std::vector<std::uint8_t> flags;
        std::optional<double> before;  // the fit that stands first
        double refused;
        const char* message;
    } cases[] = {
        // The constant's variance factor is negative: its standard error
        // NaN, the slopes' -1.
        {"repeated regressor at k = 0", true, {}, 0.5, 0.0, constant},
        // s2 times a variance factor passes the largest double.
        {"x1 and x2 at k = 0", false, {1, 1, 0, 1}, kAutomatic, 0.0, var0},
        {"x1 and x3 at the automatic k", false, {1, 0, 1, 1}, std::nullopt, kAutomatic, var0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        EngineContext context;
        ScriptedServices services;
        context.SetServices(&services);
        auto model = c.repeat ? TwoStageRepeat(0.0, lagged, lagged, &context)
                              : MakeModel(NearTopOfDoubleColumns(), {}, {}, &context);
        Ridge ridge(*model, 0, c.repeat ? RidgeModelUseFlags(*model) : c.flags, c.repeat ? "VAR2" : "VAR3");
        const auto fit = [&](double k) { return k == kAutomatic ? ridge.Calculate() : ridge.Estimate(k); };
        if (c.before) {
            ASSERT_TRUE(fit(*c.before));
        }
        const std::vector<double> held = Held(ridge);
        try {
            (void)fit(c.refused);
            ADD_FAILURE() << "not refused";
        } catch (const EMathError& e) {
            EXPECT_STREQ(e.what(), c.message);
        }
        EXPECT_EQ(Held(ridge), held);
        EXPECT_EQ(services.ProgressDepth(), 0);
    }
}

TEST(RidgeCasesTest, ANegativeVarianceFactorIsMarkedNotRefused) {
    // Centred: the constant's factor is 1/n whatever the slopes' are, its
    // standard error sqrt(s2 / 11); s2 = 1459/260 of y on VAR1 alone.
    auto model = TwoStageRepeat(-5.0, {-4, -6, -3, 0, -2, 1, -1, 2, 5, 3, 5}, {3, 1, 4, 1, 5, 9, 2, 6, 5, 3, 5});
    Ridge ridge(*model, 0, RidgeModelUseFlags(*model), "VAR2");
    ASSERT_TRUE(ridge.Estimate(0.0));
    for (int j = 0; j < 2; ++j) {
        EXPECT_LT(ridge.GetVIF(j), 0.0) << j;
        EXPECT_EQ(ridge.GetStdErr(j), -1.0) << j;
    }
    ExpectRel(ridge.S2(), 5.6115384615384615, 1e-12, "s2", 0);
    ExpectRel(ridge.GetCoef(ridge.ConstIndex()), 4.0, 1e-12, "constant", 0);
    ExpectRel(ridge.GetStdErr(ridge.ConstIndex()), 0.71424075782600095, 1e-12, "constant's standard error", 0);
}

TEST(RidgeCasesTest, CrossProductGridChoosesAsThePassOverObservations) {
    for (const Columns* cols : {&kCollinear, &LongleyColumns(), &kOrthogonal}) {
        auto model = MakeModel(*cols);
        Ridge fast(*model, 0, AllOf(*cols), LastName(*cols));
        Ridge slow(*model, 0, AllOf(*cols), LastName(*cols));
        ASSERT_TRUE(fast.Calculate(Ridge::GridRss::kCrossProducts));
        ASSERT_TRUE(slow.Calculate(Ridge::GridRss::kObservations));
        EXPECT_EQ(fast.K(), slow.K());
        EXPECT_EQ(fast.GridPoints(), slow.GridPoints());
        EXPECT_EQ(Displayed(fast), Displayed(slow));
        for (double k : {0.0, 0.001, 0.3})
            EXPECT_NEAR(fast.GridResidualSumOfSquares(k, Ridge::GridRss::kCrossProducts),
                        slow.GridResidualSumOfSquares(k, Ridge::GridRss::kObservations),
                        1e-10 * slow.Syy());
    }
}

TEST(RidgeCasesTest, UncorrelatedRegressorsGiveTheEffectiveCountPOverOnePlusK) {
    auto model = MakeModel(kOrthogonal);
    Ridge ridge(*model, 0, AllOf(kOrthogonal), "VAR2");
    ASSERT_TRUE(ridge.Estimate(0.5));
    ASSERT_EQ(ridge.Eigenvalues().size(), 2u);
    for (double k : {0.0, 0.001, 0.25, 1.0, 7.5})
        EXPECT_NEAR(RidgeEffectiveParameters(ridge.Eigenvalues(), k), 2.0 / (1.0 + k), 1e-15) << k;
}

TEST(RidgeCasesTest, StandardErrorFromTheVarianceFactor) {
    struct Case {
        double factor, s2, rootSS, expected;
    } cases[] = {
        {0.64, 0.2102, 2.8284271247461903, 0.12967652061957862},  // sqrt(0.64 * 0.2102 / 8)
        {0.0, 5.0, 3.0, 0.0},
        {-1e-9, 5.0, 3.0, -1.0},
        {-3.0, 0.5, 1.0, -1.0},
        {std::nan(""), 1.0, 1.0, -1.0},
    };
    for (const Case& c : cases) EXPECT_NEAR(RidgeStandardError(c.factor, c.s2, c.rootSS), c.expected, 1e-16);
}

TEST(RidgeCasesTest, ConstantStandardErrorCarriesTheSlopesCovariance) {
    auto model = MakeModel(LongleyColumns());
    Ridge ridge(*model, 0, AllOf(LongleyColumns()), "VAR6");
    // sqrt(s2 / n + xbar' Cov(b) xbar) on Longley, in exact fractions.
    ASSERT_TRUE(ridge.Estimate(0.02));
    ExpectRel(ridge.GetStdErr(ridge.ConstIndex()), 93115.176772492297, 1e-9, "constant", 0);
}

TEST(RidgeCasesTest, UseFlagsGoOverTheBuildersBlock) {
    // x1, x2, y, x3: the model y on x1 and x3 leaves out x2; group 1 marks
    // the first eight observations of x1, y and x3.
    const Columns& a = kCollinear;
    auto model = MakeModel({a[0], a[1], a[3], a[2]}, {}, {"x1", "x2", "y", "x3"});
    ASSERT_TRUE(model->SetModel(2, {2, 0, 1, 2}));
    for (int i = 0; i < 8; ++i)
        for (int j : {0, 2, 3}) model->SetMark(i, j, 0x1);
    using Flags = std::vector<std::uint8_t>;
    EXPECT_EQ(RidgeModelUseFlags(*model), (Flags{1, 0, 1, 1}));
    const struct {
        std::uint16_t mask;
        std::vector<std::string> used;
        Flags flags;
    } cases[] = {
        {0, {"x3", "y"}, {0, 0, 1, 1}},
        {0x1, {"x3", "y"}, {0, 1, 1}},
        {0x8, {"y"}, {}},  // no such group: an empty block
    };
    for (const auto& c : cases) EXPECT_EQ(RidgeUseFlags(*model, c.mask, c.used), c.flags) << c.mask;
    Ridge ridge(*model, 0, RidgeModelUseFlags(*model), "y");
    ASSERT_EQ(ridge.P(), 2);
    EXPECT_EQ(ridge.GetName(0), "x1");
    EXPECT_EQ(ridge.GetName(1), "x3");
}

TEST(RidgeCasesTest, RefusesBlocksWithoutAUsableFit) {
    struct Case {
        const char* what;
        Columns cols;
        bool ridgeAtFixedK = false;  // a fit at k = 0.1 still stands
    } cases[] = {
        {"no regressor", {{1.0, 2.0, 4.0, 3.0}}},
        {"no residual degree of freedom", {{1.0, 2.0, 3.0}, {2.0, 1.0, 5.0}, {0.5, 0.7, 0.2}}},
        {"perfect fit", {{1, 2, 3, 4, 5, 6}, {2, 1, 4, 3, 6, 5}, {4, 5, 12, 13, 20, 21}}, true},
        {"constant regressor", {{2, 2, 2, 2, 2}, {1, 3, 2, 5, 4}, {1.5, 2.5, 2.0, 4.1, 3.3}}},
        {"constant dependent", {{1, 3, 2, 5, 4}, {7, 7, 7, 7, 7}}, true},
        // Least squares at k = 0 is singular; ridge at k > 0 is not.
        {"identical regressors", {{1, 3, 2, 5, 4, 6}, {1, 3, 2, 5, 4, 6}, {1.5, 2.5, 2.0, 4.1, 3.3, 5.2}}, true},
        {"a regressor the sum of two others",
         {{1, 3, 2, 5, 4, 6, 2}, {2, 1, 4, 3, 6, 5, 1}, {3, 4, 6, 8, 10, 11, 3}, {1.5, 2.5, 2.0, 4.1, 3.3, 5.2, 1.1}},
         true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EngineContext context;
        ScriptedServices services;
        context.SetServices(&services);
        auto model = MakeModel(c.cols, {}, {}, &context);
        Ridge ridge(*model, 0, AllOf(c.cols), LastName(c.cols));
        EXPECT_FALSE(ridge.Calculate());
        EXPECT_EQ(ridge.K(), 0.0);
        for (int j = 0; j < ridge.P() + 2; ++j) EXPECT_EQ(ridge.GetCoef(j), 0.0);
        EXPECT_EQ(services.ProgressDepth(), 0);
        if (!c.ridgeAtFixedK) {
            EXPECT_FALSE(ridge.Estimate(0.1));
        }
    }
}

TEST(RidgeCasesTest, ProgressWindowAcrossTheSearch) {
    EngineContext context;
    ScriptedServices services;
    context.SetServices(&services);
    auto model = MakeModel(kCollinear, {}, {}, &context);
    Ridge ridge(*model, 0, AllOf(kCollinear), "VAR3");
    ASSERT_TRUE(ridge.Calculate());
    const auto begins = services.CallsOf(ServiceCall::ProgressBegin);
    ASSERT_EQ(begins.size(), 1u);
    EXPECT_EQ(begins[0].text, "リッジ回帰");
    EXPECT_EQ(begins[0].value, 4000);
    // Two steps for each of the 4 points of the first pass, then to half
    // way, one for each of the 200 of the second, then to the end.
    EXPECT_EQ(services.CallsOf(ServiceCall::ProgressStep).size(), 4000u);
    EXPECT_EQ(services.CallsOf(ServiceCall::ProgressEnd).size(), 1u);
    EXPECT_EQ(services.ProgressDepth(), 0);
}

TEST(RidgeCasesTest, FromANamedTableWithTheDependentInTheMiddle) {
    EngineContext context;
    auto model = MakeModel(kCollinear, {}, {}, &context);
    Ridge fromModel(*model, 0, AllOf(kCollinear), "VAR3");
    ASSERT_TRUE(fromModel.Estimate(0.05));

    // Columns: x1, unused, y, x2, x3.
    const int n = 12;
    TNamedData table(context, n, 5);
    const int source[] = {0, -1, 3, 1, 2};
    const char* names[] = {"x1", "skip", "y", "x2", "x3"};
    for (int j = 0; j < 5; ++j) {
        table.SetColumnName(j, names[j]);
        for (int i = 0; i < n; ++i) table.SetValue(i, j, source[j] < 0 ? 100.0 + i * i : kCollinear[source[j]][i]);
    }
    table.SetSelected(1, 0);
    Ridge fromTable(table, 2);
    ASSERT_EQ(fromTable.P(), 3);
    ASSERT_TRUE(fromTable.Estimate(0.05));
    for (int j = 0; j < 5; ++j)
        if (j != 3) {
            EXPECT_NEAR(fromTable.GetCoef(j), fromModel.GetCoef(j), 1e-13 * std::abs(fromModel.GetCoef(j)));
        }
    const std::string expectedNames[] = {"x1", "x2", "x3", "y", "定数項"};
    for (int j = 0; j < 5; ++j) EXPECT_EQ(fromTable.GetName(j), expectedNames[j]);
    EXPECT_EQ(fromTable.IndexOfName("y"), 3);
    EXPECT_EQ(fromTable.IndexOfName("x2"), 1);
    EXPECT_EQ(fromTable.IndexOfName("定数項"), -1);
    EXPECT_EQ(fromTable.IndexOfName("skip"), -1);
    EXPECT_EQ(fromModel.IndexOfName("VAR3"), 3);
    EXPECT_EQ(fromModel.IndexOfName(fromModel.GetName(fromModel.ConstIndex())), -1);

    table.SetSelected(1, 1);
    table.SetSelected(2, 0);
    EXPECT_THROW(Ridge(table, 2), ERangeError);
    EXPECT_THROW(Ridge(table, 7), ERangeError);
}

TEST(RidgeCasesTest, PredictionAtAnObservationIsItsFittedValue) {
    auto model = MakeModel(LongleyColumns());
    Ridge ridge(*model, 0, AllOf(LongleyColumns()), "VAR6");
    ASSERT_TRUE(ridge.Calculate());
    for (int i = 0; i < ridge.N(); ++i) {
        double x[6];
        for (int j = 0; j < 6; ++j) x[j] = ridge.GetData(i, j);
        EXPECT_NEAR(ridge.Predict(x), ridge.GetResult(1, i), 1e-9 * std::abs(ridge.GetResult(1, i)));
    }
}

TEST(RidgeCasesTest, IndexErrorsAreRangeErrors) {
    auto model = MakeModel(kOrthogonal);
    Ridge ridge(*model, 0, AllOf(kOrthogonal), "VAR2");
    EXPECT_THROW(ridge.GetCoef(-1), ERangeError);
    EXPECT_THROW(ridge.GetCoef(4), ERangeError);
    EXPECT_THROW(ridge.GetVIF(2), ERangeError);
    EXPECT_THROW(ridge.GetName(9), ERangeError);
    double row[8];
    EXPECT_THROW(ridge.ReadResultRow(6, row), ERangeError);
    EXPECT_EQ(ridge.GetResult(9, 0), 0.0);
}

TEST(RidgeGridTest, FirstPassStopsAtTheFirstRise) {
    // RSS grows so fast that the criterion rises from k = 0.001 on: the
    // first pass sees two points and the second searches [0, 0.001].
    const std::vector<double> lambda = {1.0, 1.0};
    int steps = 0;
    const RidgeGridResult g = SearchRidgeConstant([](double k) { return 1.0 + 1e6 * k; }, lambda, 10, 1.0,
                                                  [&](int s) { steps += s; });
    EXPECT_EQ(g.firstPassPoints, 2);
    EXPECT_EQ(g.secondPassPoints, 100);
    EXPECT_EQ(g.k, 0.0);
    // C(0) = 1 - 10 + 2 + 4.
    EXPECT_DOUBLE_EQ(g.criterion, -3.0);
    EXPECT_EQ(steps, 2 * 2 + 100);
}

TEST(RidgeGridTest, NotANumberCriterionNeverChoosesAndStaysBounded) {
    const std::vector<double> lambda = {1.0};
    const RidgeGridResult g =
        SearchRidgeConstant([](double) { return std::nan(""); }, lambda, 10, 1.0, nullptr);
    EXPECT_EQ(g.k, 0.0);
    EXPECT_EQ(g.firstPassPoints, 1000);  // the summed k passes 1.0 before the 1001st point
    EXPECT_EQ(g.secondPassPoints, 100);
}

TEST(RidgeCasesTest, TwoStageModelGivesFirstStageValuesOfEndogenousRegressors) {
    auto reg = MakeModel(IvColumns(), IvTypes());
    reg->SetTwoStage(true);
    // y (VAR0) on the endogenous y2 and the exogenous x1.
    const std::vector<std::uint8_t> flags = {1, 1, 1, 0, 0, 0};
    Ridge ridge(*reg, 0, flags, "VAR0");
    ASSERT_EQ(ridge.P(), 2);
    EXPECT_EQ(ridge.GetName(0), "VAR1");
    // y2 fitted on the constant, x1, x2 and x3 by least squares.
    const struct {
        int i;
        double value;
    } fitted[] = {{0, 2.1069405204129762}, {7, 2.6583989561210543}, {24, 6.1544595377753795}};
    for (const auto& f : fitted) EXPECT_NEAR(ridge.GetData(f.i, 0), f.value, 1e-12) << f.i;
    EXPECT_EQ(ridge.GetData(7, 1), IvColumns()[2][7]);
    EXPECT_EQ(ridge.GetData(7, 2), IvColumns()[0][7]);
    EXPECT_EQ(ridge.GetData(7, 3), 1.0);
}

TEST(RidgeCasesTest, GroupMaskLimitsTheObservations) {
    const Columns& all = LongleyColumns();
    auto model = MakeModel(all);
    // Group 2 holds observations 3 .. 14 in every variable.
    for (int i = 3; i < 15; ++i)
        for (int j = 0; j < 7; ++j) model->SetMark(i, j, 0x2);
    Columns part(all.size());
    for (std::size_t j = 0; j < all.size(); ++j) part[j].assign(all[j].begin() + 3, all[j].begin() + 15);
    auto partModel = MakeModel(part);
    Ridge grouped(*model, 0x2, AllOf(all), "VAR6");
    Ridge alone(*partModel, 0, AllOf(part), "VAR6");
    ASSERT_EQ(grouped.N(), 12);
    ASSERT_TRUE(grouped.Calculate());
    ASSERT_TRUE(alone.Calculate());
    EXPECT_EQ(grouped.K(), alone.K());
    for (int j = 0; j < 8; ++j)
        if (j != 6) {
            EXPECT_EQ(grouped.GetCoef(j), alone.GetCoef(j)) << j;
        }
}
