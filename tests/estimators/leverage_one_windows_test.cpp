// The windows whose fits meet an observation of leverage 1 (a dummy that is
// 1 at that observation alone): the leverage is stored as exactly 1, what
// divides by 1 - h is no number or the observation is left out, and every
// other observation keeps the figures of its least-squares fit. Expected
// values from exact rational arithmetic (python fractions), pasted here.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "core/data/group_mask.h"
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

constexpr int kOne = 4;  // the observation of the dummy
const double kNaN = std::nan("");

// y on x1, x3 and d by least squares: s2, and per observation the leverage
// and e / sqrt(s2 (1 - h)).
constexpr double kS2 = 5.166849415204678;
const std::vector<double> kLeverage = {0.4342105263157895, 0.25, 0.4342105263157895, 0.1608187134502924,
                                       1.0, 0.2266081871345029, 0.09502923976608187, 0.3318713450292398,
                                       0.1578947368421053, 0.2368421052631579, 0.3757309941520468,
                                       0.2967836257309942};
const std::vector<double> kStandardised = {-1.095349449053357, 1.481641945222161, 0.4130006119381512,
                                           -0.6389170724382408, kNaN, 0.7116132913731779, -0.3644202381331177,
                                           -1.613862785664209, 0.941991695055142, -0.1236895692611742,
                                           -1.27071457844774, 1.315378179263738};

std::vector<double> Dummy(std::initializer_list<int> ones) {
    std::vector<double> d(12, 0.0);
    for (int i : ones) d[static_cast<std::size_t>(i)] = 1.0;
    return d;
}

// x1, x3, d, y.
Columns DummyColumns() { return WithDummy(TwelveRows(), 2, kOne); }

// Per observation: a leverage of exactly 1 and no number where wantZ has
// NaN, else both within 1e-10 relative.
void ExpectRows(const std::vector<double>& leverage, const std::vector<double>& z,
                const std::vector<double>& wantLeverage, const std::vector<double>& wantZ, const char* what) {
    SCOPED_TRACE(what);
    ASSERT_EQ(leverage.size(), wantLeverage.size());
    ASSERT_EQ(z.size(), wantZ.size());
    for (std::size_t i = 0; i < wantZ.size(); ++i) {
        if (std::isnan(wantZ[i])) {
            EXPECT_EQ(leverage[i], 1.0) << i;
            EXPECT_TRUE(std::isnan(z[i])) << i << ": " << z[i];
            continue;
        }
        ExpectRel(leverage[i], wantLeverage[i], 1e-10, "leverage", static_cast<int>(i));
        ExpectRel(z[i], wantZ[i], 1e-10, "standardised", static_cast<int>(i));
    }
}

TEST(LeverageOneWindows, ChowStudentisedResidual) {
    EXPECT_TRUE(std::isnan(StudentisedResidual(3.0, 1.0, 9.0)));
    EXPECT_TRUE(std::isnan(StudentisedResidual(0.0, 1.0, 0.0)));
    // Past 1: 1 - h taken as 1 - 2^-23, 3 / sqrt(9 (1 - 2^-23)).
    EXPECT_DOUBLE_EQ(StudentisedResidual(3.0, 1.5, 9.0), 1.0000000596046501);
    EXPECT_EQ(StudentisedResidual(0.5, 0.5, 0.0), 0.0);
}

TEST(LeverageOneWindows, ChowPartsWithADummyOfTheirOwn) {
    // y on x1 and d, d = 1 at observations 4 and 9: each part of six has a
    // dummy for one observation. By the boundary 6 and by groups 1 and 2.
    Columns cols = TwelveRows();
    cols[1] = Dummy({4, 9});
    auto reg = MakeModel(cols, {}, {"x1", "d", "y"});
    ASSERT_TRUE(reg->SetModel(2, {2, 2, 1, 2}));
    for (int i = 0; i < 12; ++i)
        for (int j = 0; j < 3; ++j) reg->SetMark(i, j, GroupBit(i < 6 ? 1 : 2));
    const struct {
        std::vector<double> leverage, studentised;
        double sse;
    } parts[] = {
        {{0.527027027027027, 0.2972972972972973, 0.2027027027027027, 0.2432432432432432, 1.0, 0.7297297297297297},
         {-1.159888621767984, 1.5025062674119, 0.2350935466610062, -0.9652341781316803, kNaN, 0.3230291412348993},
         15.22972972972973},
        {{0.5348837209302326, 0.313953488372093, 0.2093023255813953, 1.0, 0.3488372093023256, 0.5930232558139535},
         {0.3651483716701107, -0.9019752336033946, 1.050210063021007, kNaN, -1.311578474677781, 0.9759000729485332},
         20.51162790697674},
    };
    const struct {
        const char* name;
        ChowOptions options;
    } modes[] = {{"boundary", {ChowMode::kBoundary, 6, 0, 0}}, {"groups", {ChowMode::kGroups, 0, 1, 2}}};
    for (const auto& m : modes) {
        SCOPED_TRACE(m.name);
        const auto r = ComputeChowTest(*reg, m.options);
        ASSERT_TRUE(r.has_value());
        const RegData* got[] = {&r->a, &r->b};
        for (int p = 0; p < 2; ++p) {
            ExpectRows(got[p]->leverage, got[p]->studentised, parts[p].leverage, parts[p].studentised,
                       p == 0 ? "part A" : "part B");
            ExpectRel(got[p]->sse, parts[p].sse, 1e-10, "SSE", p);
        }
    }
}

TEST(LeverageOneWindows, RidgeAtZeroIsTheLeastSquaresFit) {
    const Columns cols = DummyColumns();
    auto model = MakeModel(cols);
    Ridge ridge(*model, 0, std::vector<std::uint8_t>(cols.size(), 1), "VAR3");
    ASSERT_TRUE(ridge.Estimate(0.0));
    ExpectRel(ridge.S2(), kS2, 1e-12, "s2", 0);
    std::vector<double> h(12), z(12);
    ridge.ReadResultRow(4, h.data());
    ridge.ReadResultRow(5, z.data());
    ExpectRows(h, z, kLeverage, kStandardised, "ridge k = 0");
}

TEST(LeverageOneWindows, RestrictedStandardisedResiduals) {
    // b1 = 0.6: y - 0.6 x1 on x3, d and the constant; s2 = SSE / (n - k + m)
    // = SSE / 9, leverage x' A (X'X)^-1 x.
    auto model = MakeModel(DummyColumns());
    Restricted est(*model, 0, {1, 1, 1, 1}, "VAR3");
    for (int i = 0; i < 4; ++i) est.SetRestrictionCoefficient(0, i, i == 0 ? 1.0 : 0.0);
    est.SetRestrictionValue(0, 0.6);
    ASSERT_TRUE(est.Estimate());
    ExpectRel(est.S2(), 4.603627672955975, 1e-12, "s2", 0);
    std::vector<double> h(12);
    for (int i = 0; i < 12; ++i) h[static_cast<std::size_t>(i)] = est.GetLeverage(i);
    const std::vector<double> wantH = {0.4339622641509434, 0.160377358490566,  0.09433962264150943, 0.160377358490566,
                                       1.0,                0.160377358490566,  0.09433962264150943, 0.2358490566037736,
                                       0.09433962264150943, 0.2358490566037736, 0.09433962264150943, 0.2358490566037736};
    const std::vector<double> wantZ = {-1.163219594224529, 1.435891465235405,  0.2565138460269624, -0.6800378908339845,
                                       kNaN,               0.7644908041749253, -0.3899453999401229, -1.650392209045283,
                                       1.000921462595121,  -0.1362081586643492, -1.036404645907208, 1.377975891716585};
    ExpectRows(h, RestrictedStandardizedResiduals(est), wantH, wantZ, "restricted");
}

TEST(LeverageOneWindows, PreliminaryRegressionLeavesTheObservationOut) {
    const Columns cols = DummyColumns();
    auto data = MakeModel(cols, {}, {"x1", "x3", "d", "y"});
    PreliminaryRegression r(*data, 3, "y", cols[3], PreliminaryRegression::Mode::Variables);
    for (int j = 0; j < 3; ++j)
        if (!r.InModel(j)) {
            ASSERT_TRUE(r.Toggle(j)) << j;
        }
    ASSERT_EQ(r.ResidualDf(), 8);
    ExpectRel(r.S2(), kS2, 1e-12, "s2", 0);
    // The PRESS residual of the observation is no number, nor is their sum.
    EXPECT_TRUE(std::isnan(r.Press())) << r.Press();
    // The observation is left out of the standardised residuals.
    std::vector<double> z = r.StandardizedResiduals();
    ASSERT_EQ(z.size(), 11u);
    z.insert(z.begin() + kOne, kNaN);
    ExpectRows(r.Leverages(), z, kLeverage, kStandardised, "preliminary");
}

TEST(LeverageOneWindows, SurPlotsLeaveTheObservationOut) {
    // Two equations on the same regressors x1, x3, d and the constant: the
    // estimates, residuals and leverages are those of least squares.
    const Columns cols = DummyColumns();
    std::vector<double> y2;
    for (int t = 0; t < 12; ++t) y2.push_back(10.0 - t + (t * t) % 4);
    std::vector<SurEquation> eqs;
    for (const std::vector<double>& y : {cols[3], y2}) {
        SurEquation e;
        e.name = "eq" + std::to_string(eqs.size());
        e.varNames = {"x1", "x3", "d", "y"};
        e.dependentPos = 3;
        e.y = y;
        for (Matrix* m : {&e.residualRegressors, &e.estimationRegressors}) {
            m->Resize(12, 4, false);
            for (int t = 0; t < 12; ++t) {
                for (int j = 0; j < 3; ++j) (*m)[t][j] = cols[static_cast<std::size_t>(j)][static_cast<std::size_t>(t)];
                (*m)[t][3] = 1.0;
            }
        }
        eqs.push_back(std::move(e));
    }
    const Zelner z(std::move(eqs));
    const SurResult r = z.Estimate({});
    ExpectRel(r.GetSigma(0, 0), kS2, 1e-10, "sigma11", 0);
    const SurPlotSeries s = SurPlots(z, r, 0);
    std::vector<double> standardised(12, kNaN);
    for (std::size_t u = 0; u < s.time.size(); ++u) standardised[static_cast<std::size_t>(s.time[u])] = s.standardized[u];
    EXPECT_EQ(s.time.size(), 11u);
    EXPECT_EQ(s.fitted.size(), 11u);
    EXPECT_EQ(s.squaredRatio.size(), 12u);
    ExpectRows(s.leverage, standardised, kLeverage, kStandardised, "SUR plots");
    EXPECT_EQ(r.GetLeverageData(0)[kOne], 1.0);
}

TEST(LeverageOneWindows, HandedBackRidgeFirstStageLeavesTheObservationOut) {
    // The instrument of y on x1, x3 and d by ridge at k = 0: the ridge's
    // standardised residual of no number is none in the first stage too.
    EngineContext context;
    const Columns cols = DummyColumns();
    auto model = MakeModel(cols, {}, {"x1", "x3", "d", "y"}, &context);
    InstrumentFirstStage fs(*model, 3, InstrumentFirstStage::OtherCandidates(*model, 3), 0, true);
    EXPECT_FALSE(fs.StandardizedResiduals()[kOne].has_value());
    auto ridgeAtZero = [](const HandedBackRequest& request) -> std::optional<HandedBackFit> {
        Ridge ridge(request.table, request.dependentColumn);
        if (!ridge.Estimate(0.0)) return std::nullopt;
        // Only the rows matter here: no coefficient is handed back.
        HandedBackFit fit;
        fit.fitted.resize(static_cast<std::size_t>(ridge.N()));
        fit.standardizedResiduals.resize(fit.fitted.size());
        ridge.ReadResultRow(1, fit.fitted.data());
        ridge.ReadResultRow(5, fit.standardizedResiduals.data());
        return fit;
    };
    fs.RunHandedBack(FirstStageKind::kRidge, context, ridgeAtZero, 1.0);
    ASSERT_TRUE(fs.IsRidge());
    const auto z = fs.StandardizedResiduals();
    ASSERT_EQ(z.size(), 12u);
    for (int i = 0; i < 12; ++i) {
        if (i == kOne) {
            EXPECT_FALSE(z[static_cast<std::size_t>(i)].has_value());
            continue;
        }
        ASSERT_TRUE(z[static_cast<std::size_t>(i)].has_value()) << i;
        ExpectRel(*z[static_cast<std::size_t>(i)], kStandardised[static_cast<std::size_t>(i)], 1e-10, "standardised", i);
    }
}

}  // namespace
