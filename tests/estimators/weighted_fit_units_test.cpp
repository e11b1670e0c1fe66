// The weighted, robust and per-observation figures do not depend on the
// data's units, and an observation whose leverage falls just short of 1
// keeps the figures that divide by 1 - h. Expected values from exact
// rational arithmetic on the root-weighted rows (square roots taken last,
// to 60 digits); the Longley figures of unit weights agree with R's
// rstudent and rstandard.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "estimators/robust_reweight.h"
#include "support/sample_columns.h"
#include "weighted_data.h"

namespace {

// Longley: EMPLOY (column 6) on the six regressors and the constant;
// GNP is column 1.
constexpr int kEmploy = 6, kGnp = 1;

struct Procedure {
    const char* name;
    int mode;
    bool cyclicWeights;  // weights 1 + (t mod 3), t from 0
    // Observation 1 at unit scale: r(1), t(1), leverage, COVRATIO, W(1).
    double r, t, h, covratio, welsch;
    double tolerance;
};

const Procedure kProcedures[] = {
    {"weights 1", 0, false, 1.156014444265382, 1.1811117024506892, 0.4245369306265358, 1.2864549281796593,
     5.179369345833085, 1e-9},
    {"weights 1 + (t mod 3)", 0, true, 0.79324490276658747, 0.77547852026690901, 0.28119073759859984,
     1.9103439862398702, 2.2156555407579208, 1e-9},
    // Huber: t(1) as the fit shows it to four places; the other figures
    // are held to the unit scale's below.
    {"Huber", kWeightHuber, false, 0.0, 1.2393, 0.0, 0.0, 0.0, 5e-5},
    // AR(1) errors: held to the unit scale's alone.
    {"AR(1)", WLSE::kModeAROffset + 1, false, 0.0, 0.0, 0.0, 0.0, 0.0, 0.0},
};

struct Fitted {
    std::unique_ptr<TNamedData> table;
    std::unique_ptr<WLSE> fit;
};

Fitted FitLongley(EngineContext& context, const Procedure& c, double scale) {
    Columns cols = LongleyColumns();
    for (int j : {kEmploy, kGnp})
        for (double& v : cols[static_cast<std::size_t>(j)]) v *= scale;
    Fitted f;
    f.table = MakeNamedTable(context, cols, {"GNPDEF", "GNP", "UNEMP", "ARMED", "POP", "YEAR", "EMPLOY"});
    f.fit = std::make_unique<WLSE>(*f.table, nullptr, kEmploy);
    std::vector<double> w(16, 1.0);
    for (int t = 0; c.cyclicWeights && t < 16; ++t) w[static_cast<std::size_t>(t)] = 1.0 + t % 3;
    f.fit->SetWeights(w.data());
    EXPECT_TRUE(f.fit->Estimate(c.mode));
    return f;
}

// EMPLOY and GNP times 10^-24 .. 10^24 (past 10^-21 every EMPLOY is below
// 2^-52): GNP's coefficient stays, the others, the standard errors'
// likewise, and the residuals scale with EMPLOY; every scale-free figure,
// the error percentage too, is the unit scale's.
TEST(WeightedFitUnits, ScaleFreeFiguresDoNotDependOnTheUnits) {
    const int scaleFree[] = {WLSE::kRowStandardized, WLSE::kRowStudentized, WLSE::kRowLeverage,
                             WLSE::kRowCovRatio,     WLSE::kRowWelsch,      WLSE::kRowResidualShare,
                             WLSE::kRowErrorPercent};
    for (const Procedure& c : kProcedures) {
        SCOPED_TRACE(c.name);
        EngineContext context;
        const Fitted unit = FitLongley(context, c, 1.0);
        const WLSE& u = *unit.fit;
        if (c.t != 0.0) ExpectNear(u.GetResult(WLSE::kRowStudentized, 0), c.t, c.tolerance, 0, "t(1)");
        if (c.r != 0.0) {
            ExpectNear(u.GetResult(WLSE::kRowStandardized, 0), c.r, c.tolerance, 0, "r(1)");
            ExpectNear(u.GetResult(WLSE::kRowLeverage, 0), c.h, c.tolerance, 0, "h(1)");
            ExpectNear(u.GetResult(WLSE::kRowCovRatio, 0), c.covratio, c.tolerance, 0, "COVRATIO(1)");
            ExpectNear(u.GetResult(WLSE::kRowWelsch, 0), c.welsch, c.tolerance, 0, "W(1)");
        }
        for (int e = -24; e <= 24; e += 3) {
            const double s = std::pow(10.0, e);
            SCOPED_TRACE("scale 1e" + std::to_string(e));
            const Fitted scaled = FitLongley(context, c, s);
            const WLSE& f = *scaled.fit;
            EXPECT_EQ(f.Iterations(), u.Iterations());
            EXPECT_EQ(f.ARMode(), u.ARMode());
            for (int i = 0; i < f.AROrder(); ++i) ExpectNear(f.GetARCoef(i), u.GetARCoef(i), 1e-9, 0, "phi");
            for (int j = 0; j < u.CoefCount(); ++j) {
                const double unitOf = j == kGnp ? 1.0 : s;
                ExpectNear(f.GetCoef(j), u.GetCoef(j) * unitOf, 1e-9, 0, "b" + std::to_string(j));
                ExpectNear(f.GetStdErr(j), u.GetStdErr(j) * unitOf, 1e-9, 0, "se" + std::to_string(j));
            }
            ExpectNear(f.S2(), u.S2() * s * s, 1e-9, 0, "s2");
            ExpectNear(f.R2(), u.R2(), 1e-12, 0, "R2");
            for (int t = 0; t < 16; ++t) {
                ExpectNear(f.GetResult(WLSE::kRowResidual, t), u.GetResult(WLSE::kRowResidual, t) * s, 1e-8, 0,
                           "e(" + std::to_string(t + 1) + ")");
                for (int row : scaleFree)
                    ExpectNear(f.GetResult(row, t), u.GetResult(row, t), 1e-8, 1e-14,
                               "row " + std::to_string(row) + " obs " + std::to_string(t + 1));
            }
        }
    }
}

// Twelve rows with a column that is 1 at observation 5 (t = 4) and 10^-5
// at observation 8: the leverage of observation 5 is 1 - 6.68e-11, short
// of 1 by far more than rounding. Its figures divide by that 1 - h, which
// the sums give to about six digits.
TEST(WeightedFitUnits, LeverageJustShortOfOneKeepsItsFigures) {
    Columns cols = WithDummy(TwelveRows(), 2, 4);
    cols[2][7] = 1e-5;
    EngineContext context;
    const auto table = MakeNamedTable(context, cols, {"x1", "x3", "d", "y"});
    WLSE fit(*table, nullptr, 3);
    ASSERT_TRUE(fit.Estimate(0));
    const struct {
        int t;
        double h, press, s2i, r, tExt, covratio;
    } rows[] = {
        {4, 0.99999999993318686, 448799.02625820561, 3.9824945295404805, 1.6138711746653656, 1.8382529127109768,
         5282590111.3794427},
        {7, 0.3318685709721619, -4.4879902625820565, 3.9824945295404805, -1.6138711746653656, -1.8382529127109768,
         0.52825901113794436},
        {0, 0.43421037011522558, -3.3100876359324056, 5.0194038219157129, -1.095350199397676, -1.1113245673856871,
         1.5741337440636899},
    };
    ExpectNear(fit.S2(), 5.1668753455646897, 1e-10, 0, "s2");
    for (const auto& row : rows) {
        SCOPED_TRACE(row.t);
        ExpectNear(fit.GetResult(WLSE::kRowLeverage, row.t), row.h, 1e-12, 0, "h");
        ExpectNear(fit.GetResult(WLSE::kRowPress, row.t), row.press, 1e-5, 0, "PRESS");
        ExpectNear(fit.GetResult(WLSE::kRowDeletedVariance, row.t), row.s2i, 1e-5, 0, "s2(i)");
        ExpectNear(fit.GetResult(WLSE::kRowStandardized, row.t), row.r, 1e-5, 0, "r(i)");
        ExpectNear(fit.GetResult(WLSE::kRowStudentized, row.t), row.tExt, 1e-5, 0, "t(i)");
        ExpectNear(fit.GetResult(WLSE::kRowCovRatio, row.t), row.covratio, 1e-5, 0, "COVRATIO");
    }
}

}  // namespace
