// Observations of weight 0 are no observations: deleting one leaves the fit
// as it is, and the marks count only the observations of positive weight.
// Expected values come from a plain-Python script written for these tests
// (exact fractions, square roots to 50 digits): the fit on the rows of
// positive weight, and refits without each observation for the leave-one-out
// rows: s^2(i) = SSE(i) / (n' - p - 1) with n' the observations of positive
// weight left, COVRATIO from the determinants, W(i) = |DFFITS| sqrt((n' - 1)
// / (1 - h)), the coefficient change b - b(i).
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "estimators/weighted_fit.h"
#include "estimators/weighted_fit_tables.h"
#include "weighted_data.h"

namespace {

// Eight observations, two of weight 0: n' - p = 6 - 3 = 3.
const std::vector<double> kX1 = {1, 2, 3, 4, 5, 6, 7, 8};
const std::vector<double> kX2 = {2, 1, 4, 3, 6, 2, 5, 7};
const std::vector<double> kY = {1.6, 3.3, 3.3, 5.5, 9.4, 8.7, 8.2, 11.2};
const std::vector<double> kW = {1, 0, 2, 0.5, 1, 0, 1.5, 1};
// x1's instrument in the two-stage fit.
const std::vector<double> kZ1 = {1.3, 1.9, 3.4, 3.6, 5.5, 5.8, 7.4, 7.7};

// The rows that deleting an observation decides (p = 3): s^2(i), W(i) and
// COVRATIO; the others are the fit's own and are tested with it.
const std::vector<std::pair<int, std::vector<double>>> kDeletionRows = {
    {13, {2.4757986609277856, 2.0301621778163916, 0.47190939881456395, 2.4400230946882218, 1.1372583441699176, 2.0301621778163916, 2.861, 3.0377296360485269}},
    {14, {2.4670499846590972, 0, 10.044407478048116, 1.0416022963064879, 5.7737564949940392, 0, 2.452590711295684, 0.22154816524762652}},
    {15, {3.993328664766711, 1, 0.02448156096133745, 2.3075283464647476, 0.35081077066453303, 1, 10.066690607056858, 6.6827415794683986}},
};
constexpr double kS2 = 2.0301621778163915;

class WeightedFitZeroWeights : public ::testing::Test {
protected:
    // twoStage: x1 instrumented by kZ1.
    std::shared_ptr<WLSE> Fit(bool twoStage) {
        data_ = MakeNamedTable(context_, {kX1, kX2, kY}, {"x1", "x2", "y"});
        second_ = MakeNamedTable(context_, {kZ1, kX2, kY}, {"x1", "x2", "y"});
        auto fit = std::make_shared<WLSE>(*data_, twoStage ? second_.get() : nullptr, 2);
        fit->SetWeights(kW.data());
        EXPECT_TRUE(fit->Estimate(0));
        return fit;
    }
    EngineContext context_;
    std::unique_ptr<TNamedData> data_, second_;
};

TEST_F(WeightedFitZeroWeights, DeletionRowsMatchTheRefits) {
    auto fit = Fit(false);
    EXPECT_EQ(fit->ResidualDf(), 3);
    ExpectNear(fit->S2(), kS2, 1e-12, 0, "s2");
    for (const auto& [row, values] : kDeletionRows) {
        SCOPED_TRACE(row);
        ExpectResultRow(*fit, row, values, 1e-9, 1e-12);
    }
}

// Cut-offs with n' = 6: W(i) 2 sqrt(90) / 3 = 6.32, COVRATIO 1 -+ 1.5,
// coefficient change 2 / sqrt(6) = 0.816, t(i) against t with 2 degrees of
// freedom (|t| 4.30 at 5 %). Cut-offs with n = 8 would mark W(i) 5.77 and
// the x2 change 0.794 of observation 5, COVRATIO 2.31 of observation 4, and
// t(i) -3.30 and the constant's change -0.789 of observation 3.
TEST_F(WeightedFitZeroWeights, MarksCountTheObservationsOfPositiveWeight) {
    const WLSColumns columns(Fit(false), false);
    struct Case {
        int code;
        std::vector<std::string> marks;
    };
    const std::vector<Case> cases = {
        {9, {"", "", "", "", "", "", "", ""}},  // t(i)
        {13, {"", "", "* ", "", "", "", "", ""}},  // W(i)
        {14, {"* ", "", "", "", "", "", "* ", "* "}},  // COVRATIO
        {15, {"", "", "", "", "", "", "", ""}},  // x1
        {16, {"", "", "", "", "", "", "", ""}},  // x2
        {17, {"* ", "", "", "", "* ", "", "", ""}},  // constant
    };
    for (const Case& c : cases)
        for (int t = 0; t < 8; ++t)
            EXPECT_EQ(columns.Mark(c.code, columns.Value(c.code, t)), c.marks[t])
                << "code " << c.code << " observation " << t + 1;
}

// The two-stage fit b = (Z'WX)^-1 Z'Wy on the rows of positive weight, its
// s2 and the refits' s^2(i); deleting a row of weight 0 changes nothing.
TEST_F(WeightedFitZeroWeights, TwoStageRowsOfWeightZeroChangeNothing) {
    auto fit = Fit(true);
    ASSERT_TRUE(fit->TwoStage());
    const std::vector<double> coef = {0.69701704545454546, 1.1013494318181818, -2.0066051136363638};
    for (int j = 0; j < 3; ++j) ExpectNear(fit->GetCoef(j), coef[j], 1e-12, 1e-14, "coef");
    ExpectNear(fit->S2(), 2.0370192716404096, 1e-12, 0, "s2");
    ExpectResultRow(*fit, WLSE::kRowDeletedVariance,
                    {2.4815377221452839, 2.0370192716404096, 0.47343682286103145, 2.4408341256122599,
                     1.2057433090303318, 2.0370192716404096, 2.8616890625, 3.0516989172344218},
                    1e-9, 0);
    // Observations 2 and 6, of weight 0.
    for (int t : {1, 5}) {
        SCOPED_TRACE(t);
        ExpectNear(fit->GetResult(WLSE::kRowFitted, t), t == 1 ? 0.48877840909090908 : 4.3781960227272725, 1e-12, 0,
                   "fitted");
        for (int row = WLSE::kRowTransformedFitted; row < WLSE::kRowCoefChange + 3; ++row) {
            const double expected = row == WLSE::kRowDeletedVariance ? 2.0370192716404096
                                    : row == WLSE::kRowCovRatio      ? 1.0
                                                                     : 0.0;
            ExpectNear(fit->GetResult(row, t), expected, 1e-12, 0, "row " + std::to_string(row));
        }
    }
}

}  // namespace
