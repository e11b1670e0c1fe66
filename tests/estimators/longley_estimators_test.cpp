// Estimators that sweep moments of their own, on Longley (EMPLOY on the six
// others and the constant), against exact rational arithmetic on the
// doubles of the data (square roots and the likelihood at 50 digits): the
// per-observation figures in centred form keep about 12 digits where the
// uncentred sums kept 7 to 10.
#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "core/settings/engine_context.h"
#include "estimators/chow_test.h"
#include "estimators/instrument_builder.h"
#include "estimators/preliminary_regression.h"
#include "estimators/tobit.h"
#include "support/model_builder.h"
#include "support/sample_columns.h"
#include "support/scripted_services.h"

namespace {

const std::vector<std::string> kNames = {"GNPDEF", "GNP", "UNEMP", "ARMED", "POP", "YEAR", "EMPLOY"};
constexpr double kRel = 1e-12;

class LongleyEstimators : public ::testing::Test {
protected:
    LongleyEstimators() { context_.SetServices(&ui_); }
    std::unique_ptr<Reg> Longley(const std::vector<int>& types = {}) {
        auto m = MakeModel(LongleyColumns(), types, kNames, &context_);
        EXPECT_TRUE(m->SetModel(6, {2, 2, 2, 2, 2, 2, 0}));
        return m;
    }
    EngineContext context_;
    ScriptedServices ui_;
};

void ExpectAll(const std::vector<double>& actual, const std::vector<double>& expected, double rel, const char* what) {
    ASSERT_EQ(actual.size(), expected.size()) << what;
    for (std::size_t i = 0; i < expected.size(); ++i) ExpectRel(actual[i], expected[i], rel, what, static_cast<int>(i));
}

}  // namespace

TEST_F(LongleyEstimators, ChowPartsOfOneResidualDegreeOfFreedomStudentiseToOne) {
    // Eight observations and seven coefficients a part: every residual
    // divided by sqrt(s2 (1 - h)) is exactly 1 in size, which the
    // uncentred leverages missed by up to 3e-7 (one leverage is 0.99995,
    // so 1 - h keeps four digits fewer than h).
    auto m = Longley();
    const auto r = ComputeChowTest(*m, {ChowMode::kBoundary, 8, 0, 0});
    ASSERT_TRUE(r.has_value());
    ExpectAll(r->a.studentised, {-1, -1, 1, -1, 1, -1, 1, -1}, 1e-10, "A studentised");
    ExpectAll(r->b.studentised, {-1, 1, -1, 1, 1, -1, 1, 1}, 1e-10, "B studentised");
    ExpectAll(r->a.leverage,
              {0.95951233997384257, 0.91353375295917214, 0.69965895635618778, 0.99725797965466278,
               0.92979330927253017, 0.90263568791364147, 0.77790102060311107, 0.81970695326685203},
              kRel, "A leverage");
    ExpectAll(r->b.leverage,
              {0.8607789564552417, 0.59541531539184014, 0.94902102787756094, 0.99994745287884058,
               0.91922478946617843, 0.70092807969158832, 0.98136894596193441, 0.99331543227681549},
              kRel, "B leverage");
    ExpectRel(r->f, 1.8019758642696082, kRel, "F", 0);
}

TEST_F(LongleyEstimators, InstrumentFirstStageStandardisedResiduals) {
    // GNP on every other variable; 1 - h lost up to 4e-9 of itself in the
    // uncentred leverages.
    auto m = Longley({2, 1, 2, 2, 2, 2, 1});
    const InstrumentFirstStage f(*m, 1, InstrumentFirstStage::OtherCandidates(*m, 1), 0, true);
    const std::vector<double> expected = {
        0.30221869388598616, -0.91149481054789407, -0.20045067135852215, 0.19069065448188276,
        2.3058668836038734,  0.20778616535829191,  -1.6652447807640863,  -0.88630552679881433,
        1.0633167009338753,  0.09530638874805861,  -1.1708973621735516,  -0.55920310237060017,
        0.9090267891840509,  -0.27097641327368033, 0.53388763907432297,  0.19743393454593988};
    const std::vector<std::optional<double>> r = f.StandardizedResiduals();
    ASSERT_EQ(r.size(), expected.size());
    for (std::size_t i = 0; i < r.size(); ++i) {
        ASSERT_TRUE(r[i].has_value()) << i;
        ExpectRel(*r[i], expected[i], kRel, "standardised residual", static_cast<int>(i));
    }
    ExpectAll(f.FittedValues(),
              {233681.28059856581, 261207.41024482733, 258511.66997346696, 284242.28252621321, 323623.88626261469,
               346555.07963042611, 369333.75876517448, 364977.69009840174, 395074.9593027935, 419003.08152624854,
               445676.21752796456, 445713.44472901382, 480598.02741321674, 503280.18963632456, 517090.52041227127,
               554605.5013524767},
              1e-14, "fitted");
}

TEST_F(LongleyEstimators, PreliminaryRegressionOnEveryOtherVariable) {
    // The sums were centred in long double but inverted and differenced in
    // double: s2 kept 10 digits.
    auto m = Longley();
    PreliminaryRegression r(*m, 6, "EMPLOY", LongleyColumns()[6], PreliminaryRegression::Mode::Variables);
    for (int j = 0; j < 6; ++j) {
        if (!r.InModel(j)) {
            ASSERT_TRUE(r.Toggle(j)) << j;
        }
    }
    const std::vector<double> f = {0.031462255390649358, 1.1438651528020732, 17.110031270974682,
                                   23.251542334151806,   0.051099120003996828, 16.127370987826234};
    const std::vector<double> coef = {15.061872271373324, -0.035819179292591022, -2.0202298038168251,
                                      -1.033226867173592, -0.05110410565358071,  1829.1514646135519};
    const std::vector<double> se = {84.914925774766962, 0.033491007772243184, 0.48839968165169939,
                                    0.21427416316167526, 0.22607320006937021, 455.47849914221201};
    for (int j = 0; j < 6; ++j) {
        ExpectRel(r.F(j), f[j], kRel, "F to remove", j);
        ExpectRel(r.Coef(j), coef[j], kRel, "coefficient", j);
        ExpectRel(r.StdError(j), se[j], kRel, "standard error", j);
    }
    ExpectRel(r.ConstantCoef(), -3482258.6345958184, kRel, "constant", 0);
    ExpectRel(r.ConstantStdError(), 890420.38360737259, kRel, "constant SE", 0);
    ExpectRel(r.S2(), 92936.006167323846, kRel, "s2", 0);
    ExpectRel(r.Press(), 2886892.5414521224, kRel, "PRESS", 0);
    ExpectAll(r.StandardizedResiduals(),
              {1.156014444265382, -0.46756802130732562, 0.19010069127735221, -1.6979003788014861, 1.6384294910906165,
               -1.029989100789328, -0.75465674807945199, -0.061430179018731346, 0.063684809223627321,
               1.8258179531990673, -0.070801619183659034, -0.1781935515191877, -0.64505653560919532,
               -0.31991987910839247, 1.4163431298536036, -1.2154044749271795},
              kRel, "standardised residual");
}

TEST_F(LongleyEstimators, TobitWithoutCensoringIsTheNormalRegression) {
    // Every EMPLOY is positive: the maximum is least squares with
    // sigma^2 = SSE / n, and the information is X'X / sigma^2 (times
    // Phi = 1 - 2^-52 where the tail is held at epsilon). Inverted
    // uncentred, the standard errors kept 8 digits.
    auto m = Longley();
    const TobitResult r = TobitEstimate(MakeTobitProblem(*m));
    const std::vector<double> coef = {15.061872271373324, -0.035819179292591022, -2.0202298038168251,
                                      -1.033226867173592, -0.05110410565358071,  1829.1514646135519,
                                      -3482258.6345958184};
    const std::vector<double> se = {63.686194331075229, 0.025118255829182391, 0.36629976123877459,
                                    0.16070562237125647, 0.16955490005202767, 341.60887435665905,
                                    667815.28770552951};
    for (int j = 0; j < 7; ++j) {
        ExpectRel(r.coef[j], coef[j], kRel, "coefficient", j);
        ASSERT_TRUE(r.StdError(j).has_value()) << j;
        ExpectRel(*r.StdError(j), se[j], kRel, "standard error", j);
    }
    ExpectRel(r.sigma, 228.6405551714736, kRel, "sigma", 0);
    ASSERT_TRUE(r.SigmaStdError().has_value());
    ExpectRel(*r.SigmaStdError(), 40.418321754001487, kRel, "SE of sigma", 0);
    ExpectRel(r.negLogLikelihood, 109.61743480848056, 1e-15, "-log L", 0);
    ExpectRel(r.index[8], 66004.69522739995, 1e-15, "index", 8);
}
