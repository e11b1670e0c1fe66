// The windows whose fits meet an observation of leverage 1 (a dummy that is
// 1 there alone): the leverage is stored as exactly 1, and what divides by
// 1 - h is no number or the observation is left out. Expected values from
// exact rational arithmetic (python fractions), pasted here.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <optional>
#include <vector>

#include "core/model/regression_model.h"
#include "core/settings/engine_context.h"
#include "estimators/chow_test.h"
#include "estimators/instrument_builder.h"
#include "estimators/preliminary_regression.h"
#include "estimators/restricted.h"
#include "estimators/restricted_tables.h"
#include "estimators/ridge.h"
#include "simeq/sur_estimator.h"
#include "simeq/sur_tables.h"
#include "support/model_builder.h"
#include "support/sample_columns.h"

namespace {

constexpr int kOne = 4;  // the row of the dummy
const double kNaN = std::nan("");

// A row's leverage and e / sqrt(s2 (1 - h)).
struct Row { int i; double h, z; };
// Rows 3 and 5 of y on x1, x3 and d by least squares.
const std::vector<Row> kRows = {{3, 0.1608187134502924, -0.6389170724382408},
                                {5, 0.2266081871345029, 0.7116132913731779}};

// x1, x3, d, y.
Columns DummyColumns() { return WithDummy(TwelveRows(), 2, kOne); }

// A leverage of exactly 1 and no number at row `one`; the rows within 1e-10.
void ExpectRows(const std::vector<double>& h, const std::vector<double>& z, int one, const std::vector<Row>& rows) {
    ASSERT_EQ(h.size(), z.size());
    EXPECT_EQ(h[one], 1.0);
    EXPECT_TRUE(std::isnan(z[one])) << z[one];
    for (const Row& r : rows) {
        ExpectRel(h[r.i], r.h, 1e-10, "leverage", r.i);
        ExpectRel(z[r.i], r.z, 1e-10, "standardised", r.i);
    }
}

TEST(LeverageOneWindows, ChowPartsWithADummyOfTheirOwn) {
    EXPECT_TRUE(std::isnan(StudentisedResidual(3.0, 1.0, 9.0)));
    EXPECT_TRUE(std::isnan(StudentisedResidual(0.0, 1.0, 0.0)));  // even with s2 = 0
    // Past 1: 1 - h taken as 1 - 2^-23, 3 / sqrt(9 (1 - 2^-23)).
    EXPECT_DOUBLE_EQ(StudentisedResidual(3.0, 1.5, 9.0), 1.0000000596046501);

    // y on x1 and d, d = 1 at rows 4 and 9, parted after row 5: each part
    // has a dummy of its own.
    Columns cols = TwelveRows();
    cols[1] = std::vector<double>(12, 0.0);
    cols[1][4] = cols[1][9] = 1.0;
    auto reg = MakeModel(cols, {}, {"x1", "d", "y"});
    ASSERT_TRUE(reg->SetModel(2, {2, 2, 1, 2}));
    const auto r = ComputeChowTest(*reg, {ChowMode::kBoundary, 6, 0, 0});
    ASSERT_TRUE(r.has_value());
    ExpectRows(r->a.leverage, r->a.studentised, 4, {{3, 0.2432432432432432, -0.9652341781316803}});
    ExpectRows(r->b.leverage, r->b.studentised, 3, {{4, 0.3488372093023256, -1.311578474677781}});
}

TEST(LeverageOneWindows, RidgeAtZeroIsTheLeastSquaresFit) {
    EngineContext context;
    auto model = MakeModel(DummyColumns(), {}, {"x1", "x3", "d", "y"}, &context);
    Ridge ridge(*model, 0, std::vector<std::uint8_t>(4, 1), "y");
    ASSERT_TRUE(ridge.Estimate(0.0));
    std::vector<double> h(12), z(12);
    ridge.ReadResultRow(4, h.data());
    ridge.ReadResultRow(5, z.data());
    ExpectRows(h, z, kOne, kRows);

    // Handed back as the first stage of y on x1, x3 and d (the rows alone,
    // no coefficient), the row has no standardised residual there either.
    HandedBackFit fit;
    fit.fitted.resize(12);
    ridge.ReadResultRow(1, fit.fitted.data());
    fit.standardizedResiduals = z;
    InstrumentFirstStage fs(*model, 3, InstrumentFirstStage::OtherCandidates(*model, 3), 0, true);
    fs.RunHandedBack(FirstStageKind::kRidge, context, [&](const auto&) { return std::optional(fit); }, 1.0);
    ASSERT_TRUE(fs.IsRidge());
    const auto first = fs.StandardizedResiduals();
    ASSERT_EQ(first.size(), 12u);
    EXPECT_FALSE(first[kOne].has_value());
    for (const Row& r : kRows) ExpectRel(first[r.i].value_or(0.0), r.z, 1e-10, "first stage", r.i);
}

TEST(LeverageOneWindows, RestrictedStandardisedResiduals) {
    // b1 = 0.6: y - 0.6 x1 on x3, d and the constant; s2 = SSE / 9.
    auto model = MakeModel(DummyColumns());
    Restricted est(*model, 0, {1, 1, 1, 1}, "VAR3");
    for (int i = 0; i < 4; ++i) est.SetRestrictionCoefficient(0, i, i == 0 ? 1.0 : 0.0);
    est.SetRestrictionValue(0, 0.6);
    ASSERT_TRUE(est.Estimate());
    std::vector<double> h;
    for (int i = 0; i < 12; ++i) h.push_back(est.GetLeverage(i));
    ExpectRows(h, RestrictedStandardizedResiduals(est), kOne, {{5, 0.160377358490566, 0.7644908041749253}});
}

TEST(LeverageOneWindows, PreliminaryRegressionLeavesTheObservationOut) {
    const Columns cols = DummyColumns();
    auto data = MakeModel(cols, {}, {"x1", "x3", "d", "y"});
    PreliminaryRegression r(*data, 3, "y", cols[3], PreliminaryRegression::Mode::Variables);
    for (int j = 0; j < 3; ++j) ASSERT_TRUE(r.InModel(j) || r.Toggle(j)) << j;
    // No PRESS sum; the row is left out of the standardised residuals.
    EXPECT_TRUE(std::isnan(r.Press())) << r.Press();
    std::vector<double> z = r.StandardizedResiduals();
    ASSERT_EQ(z.size(), 11u);
    z.insert(z.begin() + kOne, kNaN);
    ExpectRows(r.Leverages(), z, kOne, kRows);
}

TEST(LeverageOneWindows, PreliminaryRegressionColumnKeepsEveryObservation) {
    const Columns cols = DummyColumns();
    auto data = MakeModel(cols, {}, {"x1", "x3", "d", "y"});
    PreliminaryRegression r(*data, 3, "y", cols[3], PreliminaryRegression::Mode::Variables);
    for (int j = 0; j < 3; ++j) ASSERT_TRUE(r.InModel(j) || r.Toggle(j)) << j;
    ExpectRows(r.Leverages(), r.StandardizedResidualColumn(), kOne, kRows);
}

TEST(LeverageOneWindows, FirstStageGivesTheLeveragesOfItsResiduals) {
    EngineContext context;
    auto model = MakeModel(DummyColumns(), {}, {"x1", "x3", "d", "y"}, &context);
    InstrumentFirstStage fs(*model, 3, InstrumentFirstStage::OtherCandidates(*model, 3), 0, true);
    std::vector<double> z;
    for (const std::optional<double>& v : fs.StandardizedResiduals()) z.push_back(v.value_or(kNaN));
    ExpectRows(fs.ResidualLeverages(), z, kOne, kRows);
    // The dummy's complement reaches 1 only through the sums: still 1.
    auto complement = MakeModel(WithComplementDummy(TwelveRows(), 2, kOne), {}, {"x1", "x3", "nd", "y"}, &context);
    InstrumentFirstStage viaSums(*complement, 3, InstrumentFirstStage::OtherCandidates(*complement, 3), 0, true);
    z.clear();
    for (const std::optional<double>& v : viaSums.StandardizedResiduals()) z.push_back(v.value_or(kNaN));
    ExpectRows(viaSums.ResidualLeverages(), z, kOne, kRows);

    // A handed-back fit's own leverages, or none when it gives none.
    HandedBackFit fit;
    fit.fitted.assign(12, 0.0);
    fit.standardizedResiduals.assign(12, 0.5);
    for (const std::vector<double>& handed : {std::vector<double>(12, 0.25), std::vector<double>()}) {
        fit.leverage = handed;
        fs.RunHandedBack(FirstStageKind::kWeighted, context, [&](const auto&) { return std::optional(fit); }, 1.0);
        EXPECT_EQ(fs.ResidualLeverages(), handed);
    }
}

TEST(LeverageOneWindows, SurPlotsLeaveTheObservationOut) {
    // One equation on x1, x3, d and the constant: least squares.
    const Columns cols = DummyColumns();
    SurEquation e{"eq", {"x1", "x3", "d", "y"}, 3, cols[3], {}, {}};
    for (Matrix* m : {&e.residualRegressors, &e.estimationRegressors}) {
        m->Resize(12, 4, false);
        for (int t = 0; t < 12; ++t)
            for (int j = 0; j < 4; ++j) (*m)[t][j] = j < 3 ? cols[j][t] : 1.0;
    }
    const Zelner z({e});
    const SurResult r = z.Estimate({});
    const SurPlotSeries s = SurPlots(z, r, 0);
    ASSERT_EQ(s.standardized.size(), 11u);
    std::vector<double> standardised(12, kNaN);
    for (std::size_t u = 0; u < s.time.size(); ++u) standardised[s.time[u]] = s.standardized[u];
    ExpectRows(s.leverage, standardised, kOne, kRows);
}

}  // namespace
