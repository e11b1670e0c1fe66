// The figures without units (t(i), r(i), F to enter, the heteroskedasticity
// statistic, R²) are the same when Longley's data are written in other
// units, in the main fit and the instrumental-variable fit (every variable
// exogenous: least squares) alike; s2 and SIG(RES) scale as y does. The
// references come from exact rational arithmetic (python fractions) and
// agree with R's rstudent, rstandard and anova.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "core/data/variable.h"
#include "core/model/instrumental_fit.h"
#include "support/model_builder.h"
#include "support/sample_columns.h"

namespace {

constexpr int kArmed = 3, kEmploy = 6;
// Rows of the instrumental-variable table.
constexpr int kSigRes = 5, kR = 6, kT = 7;

constexpr double kRstandard1 = 1.156014444265382;
constexpr double kRstudent1 = 1.181111702450689;
constexpr double kArmedFToEnter = 23.25154233415181;
constexpr double kHetero = 0.03542040082566922;
constexpr double kR2 = 0.9954790045772956;
constexpr double kS2 = 92936.00616732385;
// Observation 1's leverage, COVRATIO, DFFITS, Cook's D and W(i).
constexpr double kInfluence1[] = {0.4245369306265358, 1.286454928179659, 1.014471805396306, 0.1408401565078223,
                                  5.179369345833085};

struct Scaling {
    std::string name;
    int column;    // the column written in other units
    double scale;  // how s2 scales: scale^2 for y, 1 for a regressor
};

std::vector<Scaling> Scalings() {
    std::vector<Scaling> s;
    for (double f : {1e-12, 1e-6, 1e-3, 1.0, 1e3, 1e6, 1e12}) {
        s.push_back({"EMPLOY x " + std::to_string(f), kEmploy, f});
        s.push_back({"GNP x " + std::to_string(f), 1, f});
        s.push_back({"ARMED x " + std::to_string(f), kArmed, f});
    }
    return s;
}

Columns Scaled(const Scaling& s) {
    Columns cols = LongleyColumns();
    for (double& v : cols[static_cast<std::size_t>(s.column)]) v *= s.scale;
    return cols;
}

double S2Factor(const Scaling& s) { return s.column == kEmploy ? s.scale * s.scale : 1.0; }

// Every regressor in (2), EMPLOY dependent (1); ARMED left out when asked.
std::vector<std::uint8_t> Roles(bool withArmed) {
    std::vector<std::uint8_t> roles = {2, 2, 2, 2, 2, 2, 1, 2};
    if (!withArmed) roles[kArmed] = 0;
    return roles;
}

void ExpectClose(double actual, double expected, double rel, const std::string& what) {
    EXPECT_NEAR(actual, expected, rel * std::fabs(expected)) << what;
}

TEST(UnitsFreeFigures, MainFitIsTheSameInAnyUnits) {
    for (const Scaling& s : Scalings()) {
        SCOPED_TRACE(s.name);
        auto reg = MakeModel(Scaled(s));
        ASSERT_TRUE(reg->SetModel(kEmploy, Roles(true)));
        reg->ComputeAnalysisData();
        reg->ComputeInfluence();
        ExpectClose(reg->GetAnalysisValue(Reg::kRowStudentExternal, 0), kRstudent1, 1e-9, "t(1)");
        ExpectClose(reg->GetAnalysisValue(Reg::kRowStudentInternal, 0), kRstandard1, 1e-9, "r(1)");
        ExpectClose(reg->GetHetero(), kHetero, 1e-8, "heteroskedasticity");
        ExpectClose(reg->GetR2(), kR2, 1e-12, "R2");
        ExpectClose(reg->GetS2(), kS2 * S2Factor(s), 1e-9, "s2");
        const int mainRows[] = {Reg::kRowLeverage, Reg::kRowCovratio, Reg::kRowDffits, Reg::kRowCooksD,
                                Reg::kRowWelsch};
        for (int k = 0; k < 5; ++k)
            ExpectClose(reg->GetAnalysisValue(mainRows[k], 0), kInfluence1[k], 1e-9, "influence " + std::to_string(k));

        ASSERT_TRUE(reg->SetModel(kEmploy, Roles(false)));
        ExpectClose(reg->GetFValue(kArmed), kArmedFToEnter, 1e-8, "F to enter ARMED");
    }
}

TEST(UnitsFreeFigures, InstrumentalFitIsTheSameInAnyUnits) {
    for (const Scaling& s : Scalings()) {
        SCOPED_TRACE(s.name);
        std::vector<int> types(6, Var::kExogenous);
        types.push_back(Var::kEndogenous);
        auto reg = MakeModel(Scaled(s), types);
        RegIV iv(*reg, 0);
        ASSERT_TRUE(iv.SelectVariables(Roles(true), kEmploy));
        iv.ComputeInfluence();
        iv.ComputeResidualTests();
        ExpectClose(iv.GetAnalysisValue(kT, 0), kRstudent1, 1e-9, "t(1)");
        ExpectClose(iv.GetAnalysisValue(kR, 0), kRstandard1, 1e-9, "r(1)");
        // SIG(RES) = e / t(i) = 267.34003 / 1.18111, in EMPLOY's own units.
        ExpectClose(iv.GetAnalysisValue(kSigRes, 0), 226.3461019012991 * std::sqrt(S2Factor(s)), 1e-9, "SIG(RES)");
        ExpectClose(iv.GetHetero(), kHetero, 1e-8, "heteroskedasticity");
        ExpectClose(iv.GetS2(), kS2 * S2Factor(s), 1e-9, "s2");
        const int ivRows[] = {11, 13, 14, 15, 16};  // h, COVRATIO, DFFITS, Cook's D, W(i)
        for (int k = 0; k < 5; ++k)
            ExpectClose(iv.GetAnalysisValue(ivRows[k], 0), kInfluence1[k], 1e-9, "influence " + std::to_string(k));

        ASSERT_TRUE(iv.SelectVariables(Roles(false), kEmploy));
        ExpectClose(iv.GetFValue(kArmed), kArmedFToEnter, 1e-8, "F to enter ARMED");
    }
}

// The error rate 100 e / y counts y as 0 only against y's own size: EMPLOY
// in units far below 2^-52 keeps 100 x 267.34003 / 60323.
TEST(UnitsFreeFigures, ErrorRateInAnyUnits) {
    for (double scale : {1e-24, 1.0, 1e24}) {
        SCOPED_TRACE(scale);
        Columns cols = LongleyColumns();
        for (double& v : cols[kEmploy]) v *= scale;
        auto reg = MakeModel(cols);
        ASSERT_TRUE(reg->SetModel(kEmploy, Roles(true)));
        reg->ComputeAnalysisData();
        ExpectClose(reg->GetAnalysisValue(Reg::kRowErrorRate, 0), 0.44318092561663137, 1e-9, "main");
        std::vector<int> types(6, Var::kExogenous);
        types.push_back(Var::kEndogenous);
        auto data = MakeModel(cols, types);
        RegIV iv(*data, 0);
        ASSERT_TRUE(iv.SelectVariables(Roles(true), kEmploy));
        iv.ComputeDiagnostics();
        ExpectClose(iv.GetAnalysisValue(3, 0), 0.44318092561663137, 1e-9, "IV");
    }
}

// Twelve rows with a column that is 1 at observation 5 and 1e-5 at
// observation 8: observation 5's leverage is 1 - 6.68e-11, short of 1 by
// far more than rounding, and its figures divide by that 1 - h (to about
// six digits from the sums). Exact values (python fractions).
struct NearOneRow {
    int t;
    double h, press, s2i, r, tExt, covratio;
};

const NearOneRow kNearOneRows[] = {
    {4, 0.99999999993318686, 448799.02625820561, 3.9824945295404805, 1.6138711746653656, 1.8382529127109768,
     5282590111.3794427},
    {7, 0.3318685709721619, -4.4879902625820565, 3.9824945295404805, -1.6138711746653656, -1.8382529127109768,
     0.52825901113794436},
};

Columns NearOneColumns() {
    Columns cols = WithDummy(TwelveRows(), 2, 4);
    cols[2][7] = 1e-5;
    return cols;
}

TEST(UnitsFreeFigures, LeverageJustShortOfOneKeepsItsFigures) {
    auto reg = MakeModel(NearOneColumns());
    ASSERT_TRUE(reg->SetModel(3, {2, 2, 2, 1, 2}));
    reg->ComputeInfluence();
    std::vector<int> types(3, Var::kExogenous);
    types.push_back(Var::kEndogenous);
    auto ivData = MakeModel(NearOneColumns(), types);
    RegIV iv(*ivData, 0);
    ASSERT_TRUE(iv.SelectVariables({2, 2, 2, 1, 2}, 3));
    iv.ComputeInfluence();
    constexpr int kIvPress = 4, kIvLeverage = 11, kIvS2Deleted = 12, kIvCovratio = 13;
    for (const NearOneRow& row : kNearOneRows) {
        SCOPED_TRACE(row.t);
        const double main[] = {reg->GetAnalysisValue(Reg::kRowLeverage, row.t),
                               reg->GetAnalysisValue(Reg::kRowPress, row.t),
                               reg->GetAnalysisValue(Reg::kRowS2Deleted, row.t),
                               reg->GetAnalysisValue(Reg::kRowStudentInternal, row.t),
                               reg->GetAnalysisValue(Reg::kRowStudentExternal, row.t),
                               reg->GetAnalysisValue(Reg::kRowCovratio, row.t)};
        const double instrumental[] = {iv.GetAnalysisValue(kIvLeverage, row.t), iv.GetAnalysisValue(kIvPress, row.t),
                                       iv.GetAnalysisValue(kIvS2Deleted, row.t), iv.GetAnalysisValue(kR, row.t),
                                       iv.GetAnalysisValue(kT, row.t), iv.GetAnalysisValue(kIvCovratio, row.t)};
        const double expected[] = {row.h, row.press, row.s2i, row.r, row.tExt, row.covratio};
        const char* names[] = {"h", "PRESS", "s2(i)", "r(i)", "t(i)", "COVRATIO"};
        for (int k = 0; k < 6; ++k) {
            const double rel = k == 0 ? 1e-12 : 1e-5;
            ExpectClose(main[k], expected[k], rel, std::string("main ") + names[k]);
            ExpectClose(instrumental[k], expected[k], rel, std::string("IV ") + names[k]);
        }
    }
}

}  // namespace
