// Seemingly unrelated regressions on Longley's data, whose regressors (GNP,
// POP, YEAR) lie far from zero beside their spread: the figures against
// feasible GLS worked out in exact rational arithmetic (two-step) and in
// 60-digit arithmetic (iterated, three-stage) from the doubles as held, by
// a separate script; its results are pasted below.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "simeq/sur_estimator.h"
#include "support/model_builder.h"
#include "support/sample_columns.h"

namespace {

enum Longley { kGnpDef, kGnp, kUnemp, kArmed, kPop, kYear, kEmploy };
constexpr int kN = 16;

// y on the columns xs and the constant term (last); zs, when given, are
// the estimation regressors in place of xs.
SurEquation Equation(const std::string& name, const std::vector<double>& y, const Columns& xs,
                     const Columns& zs = {}) {
    SurEquation e;
    e.name = name;
    const int k = static_cast<int>(xs.size()) + 1;
    for (int j = 0; j < k; ++j) e.varNames.push_back(name + std::to_string(j));
    e.dependentPos = k - 1;
    e.y = y;
    e.residualRegressors.Resize(kN, k, false);
    e.estimationRegressors.Resize(kN, k, false);
    for (int t = 0; t < kN; ++t) {
        for (int j = 0; j + 1 < k; ++j) {
            e.residualRegressors[t][j] = xs[j][t];
            e.estimationRegressors[t][j] = (zs.empty() ? xs : zs)[j][t];
        }
        e.residualRegressors[t][k - 1] = e.estimationRegressors[t][k - 1] = 1.0;
    }
    return e;
}

// EMPLOY on GNPDEF and D1952 (a dummy for observation 6); UNEMP on GNPDEF
// and POP.
std::vector<SurEquation> WithDummyEquations() {
    const Columns c = WithDummy(LongleyColumns(), 6, 5);
    return {Equation("e", c[7], {c[kGnpDef], c[6]}), Equation("u", c[kUnemp], {c[kGnpDef], c[kPop]})};
}

// EMPLOY on GNP and YEAR; UNEMP on POP and ARMED.
std::vector<SurEquation> FarFromZeroEquations() {
    const Columns& c = LongleyColumns();
    return {Equation("e", c[kEmploy], {c[kGnp], c[kYear]}), Equation("u", c[kUnemp], {c[kPop], c[kArmed]})};
}

// The same, estimated on stand-ins for first-stage values of GNP and ARMED.
std::vector<SurEquation> ThreeStageEquations() {
    const Columns& c = LongleyColumns();
    std::vector<double> gnp(kN), armed(kN);
    for (int t = 0; t < kN; ++t) {
        gnp[t] = c[kGnp][t] + ((7 * t) % 5 - 2) * 1000.0;
        armed[t] = c[kArmed][t] + ((3 * t) % 4 - 1.5) * 40.0;
    }
    return {Equation("e", c[kEmploy], {c[kGnp], c[kYear]}, {gnp, c[kYear]}),
            Equation("u", c[kUnemp], {c[kPop], c[kArmed]}, {c[kPop], armed})};
}

struct RowFigure {
    int equation, row;
    double leverage, residual;
};

struct LongleyCase {
    const char* name;
    std::vector<SurEquation> (*equations)();
    SurOptions options;
    int iterations;
    Rows coef, se;
    std::vector<double> covConstantFirst;  // Cov(b_0, a) of each equation
    std::vector<double> sigma, used;
    std::vector<RowFigure> rows;
};

const LongleyCase kCases[] = {
    {"two-step with a dummy", WithDummyEquations, {false, 0}, 2,
     {{313.57081354827254, -1168.3676852370941, 33505.750695222031},
      {-125.48280607781736, 0.28396250253946336, -17391.451822693879}},
     {{21.322383665214317, 599.19257671112893, 2181.9326874701624},
      {53.78656591587901, 0.081181185792943593, 4634.872606344163}},
     {-46274.778046708798, 194269.44832072272},
     {815709.1140279999, -504504.2995481107, -504504.2995481107, 469253.39383991402},
     {791565.50077926827, -475663.10815544554, -475663.10815544554, 467561.71631251058},
     {{0, 0, 0.34262628430206106, 790.87178027134804},
      {0, 5, 1.0, 540.3201809295286},
      {0, 15, 0.39405574516890864, 388.8212009849073},
      {1, 0, 0.3172490285090588, -394.11224611385329},
      {1, 5, 0.12038720804327625, -531.1175637172534},
      {1, 15, 0.32634345836193858, -870.73443964520409}}},
    {"iterated, regressors far from zero", FarFromZeroEquations, {true, 0}, 91,
     {{-0.05667013472760396, 1947.1958615127938, -3718506.3886399489},
      {0.092111702547655398, -0.42246807159073935, -6521.5698185912021}},
     {{0.0084516043723760422, 177.73634898611836, 344377.85430141649},
      {0.020265661467144051, 0.055174942238128291, 2415.8928059464001}},
     {2669.7319063205826, -48.780971646141056},
     {1991056.5177017383, -829781.19860749682, -829781.19860749682, 361478.15006941418},
     {1991056.3079698237, -829781.15398037925, -829781.15398037925, 361478.15094936166},
     {{0, 0, 0.3131661504069746, 916.23546973501408},
      {0, 5, 0.31123592586950835, 883.54704731928754},
      {0, 15, 0.41081430856517673, 105.02609138657507},
      {1, 0, 0.19244094646163295, -362.66203532762442},
      {1, 5, 0.085480782214342859, -461.57247968460763},
      {1, 15, 0.24820778559362307, -259.09532212333961}}},
    {"three-stage, first-stage values differing from the observed", ThreeStageEquations, {false, 0}, 2,
     {{0.045108539098796132, -218.93690125658806, 475740.66337949045},
      {0.11391972838185152, -0.63981943608286782, -8515.788359216272}},
     {{0.016028902874935938, 334.54445642640797, 647684.95479387973},
      {0.022317736687561873, 0.21239512476516355, 2491.5156323515635}},
     {10329.428746853596, -54.303771977562151},
     {412238.15191100317, -215378.18064078225, -215378.18064078225, 320589.30178280132},
     {377765.08605471981, -123886.35553372557, -123886.35553372557, 320267.40525056096},
     {{0, 0, 0.24174689926567704, 284.048850168661},
      {0, 5, 0.1949369554362902, -389.45008537371068},
      {0, 15, 0.33536114303701242, -665.92080875205182},
      {1, 0, 0.25750348398201483, -369.57286912624618},
      {1, 5, 0.26791899583389392, -156.38822131422236},
      {1, 15, 0.29041487928949014, -487.23428261708784}}},
};

TEST(SurLongley, MatchesExactFeasibleGls) {
    for (const LongleyCase& c : kCases) {
        SCOPED_TRACE(c.name);
        const Zelner z(c.equations());
        const SurResult r = z.Estimate(c.options);
        EXPECT_EQ(r.iterations, c.iterations);
        EXPECT_EQ(r.converged, c.options.iterate);
        for (int i = 0; i < 2; ++i) {
            for (int j = 0; j < 3; ++j) {
                ExpectRel(r.GetCoef(i, j), c.coef[i][j], 1e-10, "coef", i * 10 + j);
                ExpectRel(r.GetStdError(i, j), c.se[i][j], 1e-10, "se", i * 10 + j);
            }
            ExpectRel(r.GetCoefCov(i, 0, 2), c.covConstantFirst[i], 1e-10, "cov", i);
            ExpectRel(r.GetCoefCov(i, 2, 0), c.covConstantFirst[i], 1e-10, "cov", i);
            for (int j = 0; j < 2; ++j) {
                ExpectRel(r.GetSigma(i, j), c.sigma[i * 2 + j], 1e-10, "sigma", i * 10 + j);
                ExpectRel(r.GetSigmaUsed(i, j), c.used[i * 2 + j], 1e-10, "used", i * 10 + j);
            }
        }
        for (const RowFigure& f : c.rows) {
            ExpectRel(r.GetLeverageData(f.equation)[f.row], f.leverage, 1e-10, "leverage", f.equation * 100 + f.row);
            ExpectRel(r.GetResidualData(f.equation)[f.row], f.residual, 1e-10, "residual", f.equation * 100 + f.row);
        }
    }
}

TEST(SurLongley, LeveragesLieInZeroOneAndSumToTheCoefficientCount) {
    for (const auto& make : {WithDummyEquations, FarFromZeroEquations}) {
        const Zelner z(make());
        for (const bool iterate : {false, true}) {
            const SurResult r = z.Estimate({iterate, 0});
            long double sum = 0.0L;
            for (int g = 0; g < 2; ++g)
                for (const double h : r.GetLeverageData(g)) {
                    EXPECT_GE(h, 0.0);
                    EXPECT_LE(h, 1.0);
                    sum += h;
                }
            EXPECT_NEAR(static_cast<double>(sum), 6.0, 1e-12) << iterate;
        }
    }
}

// The dummy's column of the transformed system is other than 0 at row 6 of
// every equation whose weights reach the dummy's equation: the row alone
// holds it (leverage 1 exactly) where only the dummy's own equation does.
TEST(SurLongley, TheDummysRowHasLeverageOneWhereItAloneHoldsItsColumn) {
    const struct {
        const char* name;
        bool dummyFirst;
        int limit;
        double first, second;  // row 6 of each equation
    } cases[] = {
        {"dummy in the first equation, two-step", true, 0, 1.0, 0.12038720804327625},
        {"dummy in the second equation, two-step", false, 0, 0.65811771175624162, 0.46226949628703463},
        {"dummy in the second equation, least squares", false, 1, 0.18964773237186868, 1.0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::vector<SurEquation> eqs = WithDummyEquations();
        const Zelner z(c.dummyFirst ? eqs : std::vector<SurEquation>{eqs[1], eqs[0]});
        const SurResult r = z.Estimate({false, c.limit});
        for (int g = 0; g < 2; ++g) {
            const double expected = g == 0 ? c.first : c.second;
            if (expected == 1.0)
                EXPECT_EQ(r.GetLeverageData(g)[5], 1.0) << g;
            else
                ExpectRel(r.GetLeverageData(g)[5], expected, 1e-10, "leverage", g);
        }
    }
}

}  // namespace
