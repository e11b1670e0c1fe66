// The figures without units are the same when the data are written in
// other units, in the main fit and the instrumental-variable fit (every
// variable exogenous: least squares) alike; s2 and SIG(RES) scale as y
// does. References from exact rational arithmetic (python fractions); they
// agree with R's rstudent, rstandard, influence.measures and anova.
#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include "core/data/variable.h"
#include "core/model/instrumental_fit.h"
#include "support/model_builder.h"
#include "support/sample_columns.h"

namespace {

constexpr int kArmed = 3, kEmploy = 6;

// A per-observation figure: its row in both tables but for the leverage
// (the instrumental table's is its own row).
struct Figure {
    const char* name;
    int row, ivRow;
};

constexpr Figure kErrorRate{"error rate", 3, 3}, kPress{"PRESS", 4, 4}, kSigRes{"SIG(RES)", 5, 5},
    kR{"r(i)", 6, 6}, kT{"t(i)", 7, 7}, kLeverage{"h", 9, 11}, kS2Deleted{"s2(i)", 12, 12},
    kCovratio{"COVRATIO", 13, 13}, kDffits{"DFFITS", 14, 14}, kCook{"Cook's D", 15, 15}, kWelsch{"W(i)", 16, 16};

// The main fit and the instrumental fit of the same columns, y the last.
struct BothFits {
    std::unique_ptr<Reg> reg, ivData;
    std::unique_ptr<RegIV> iv;
    BothFits(const Columns& cols, const std::vector<std::uint8_t>& roles) {
        const int y = static_cast<int>(cols.size()) - 1;
        reg = MakeModel(cols);
        EXPECT_TRUE(reg->SetModel(y, roles));
        reg->ComputeAnalysisData();
        reg->ComputeInfluence();
        std::vector<int> types(static_cast<std::size_t>(y), Var::kExogenous);
        types.push_back(Var::kEndogenous);
        ivData = MakeModel(cols, types);
        iv = std::make_unique<RegIV>(*ivData, 0);
        EXPECT_TRUE(iv->SelectVariables(roles, y));
        iv->ComputeInfluence();
        iv->ComputeResidualTests();
    }
    void Expect(const Figure& f, int t, double expected, double rel) const {
        EXPECT_NEAR(reg->GetAnalysisValue(f.row, t), expected, rel * std::fabs(expected)) << "main " << f.name;
        EXPECT_NEAR(iv->GetAnalysisValue(f.ivRow, t), expected, rel * std::fabs(expected)) << "IV " << f.name;
    }
};

// Every regressor in (2), EMPLOY dependent (1); ARMED left out when asked.
std::vector<std::uint8_t> LongleyRoles(bool withArmed) {
    std::vector<std::uint8_t> roles = {2, 2, 2, 2, 2, 2, 1, 2};
    if (!withArmed) roles[kArmed] = 0;
    return roles;
}

// Longley's observation 1 and the fit, with EMPLOY, GNP or ARMED in other
// units; the error rate's zero is tested down to EMPLOY x 1e-24.
TEST(UnitsFreeFigures, MainAndInstrumentalFitsAreTheSameInAnyUnits) {
    const struct {
        Figure figure;
        double value;
    } observation1[] = {{kR, 1.156014444265382},         {kT, 1.181111702450689},
                        {kLeverage, 0.4245369306265358}, {kCovratio, 1.286454928179659},
                        {kDffits, 1.014471805396306},    {kCook, 0.1408401565078223},
                        {kWelsch, 5.179369345833085},    {kErrorRate, 0.44318092561663137}};
    for (int column : {kEmploy, 1, kArmed})
        for (double scale : {1e-24, 1e-12, 1e-6, 1e-3, 1.0, 1e3, 1e6, 1e12, 1e24}) {
            SCOPED_TRACE(testing::Message() << "column " << column << " x " << scale);
            Columns cols = LongleyColumns();
            for (double& v : cols[static_cast<std::size_t>(column)]) v *= scale;
            const double yScale = column == kEmploy ? scale : 1.0;
            BothFits fits(cols, LongleyRoles(true));
            for (const auto& o : observation1) fits.Expect(o.figure, 0, o.value, 1e-9);
            // SIG(RES) = e / t(i) = 267.34003 / 1.18111, in EMPLOY's own units.
            fits.Expect(kSigRes, 0, 226.3461019012991 * yScale, 1e-9);
            for (double hetero : {fits.reg->GetHetero(), fits.iv->GetHetero()})
                EXPECT_NEAR(hetero, 0.03542040082566922, 1e-9);
            EXPECT_NEAR(fits.reg->GetR2(), 0.9954790045772956, 1e-12);
            for (double s2 : {fits.reg->GetS2(), fits.iv->GetS2()})
                EXPECT_NEAR(s2, 92936.00616732385 * yScale * yScale, 1e-9 * s2);

            BothFits withoutArmed(cols, LongleyRoles(false));
            for (double f : {withoutArmed.reg->GetFValue(kArmed), withoutArmed.iv->GetFValue(kArmed)})
                EXPECT_NEAR(f, 23.25154233415181, 1e-7);
        }
}

// Twelve rows with a column that is 1 at observation 5 and 1e-5 at
// observation 8: observation 5's leverage is 1 - 6.68e-11, short of 1 by
// far more than rounding, and its figures divide by that 1 - h (to about
// six digits from the sums). Exact values (python fractions).
TEST(UnitsFreeFigures, LeverageJustShortOfOneKeepsItsFigures) {
    Columns cols = WithDummy(TwelveRows(), 2, 4);
    cols[2][7] = 1e-5;
    const BothFits fits(cols, {2, 2, 2, 1, 2});
    const struct {
        int t;
        double h, press, s2i, r, tExt, covratio;
    } rows[] = {
        {4, 0.99999999993318686, 448799.02625820561, 3.9824945295404805, 1.6138711746653656, 1.8382529127109768,
         5282590111.3794427},
        {7, 0.3318685709721619, -4.4879902625820565, 3.9824945295404805, -1.6138711746653656, -1.8382529127109768,
         0.52825901113794436},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.t);
        fits.Expect(kLeverage, row.t, row.h, 1e-12);
        fits.Expect(kPress, row.t, row.press, 1e-5);
        fits.Expect(kS2Deleted, row.t, row.s2i, 1e-5);
        fits.Expect(kR, row.t, row.r, 1e-5);
        fits.Expect(kT, row.t, row.tExt, 1e-5);
        fits.Expect(kCovratio, row.t, row.covratio, 1e-5);
    }
}

}  // namespace
