// Inputs or results that leave the weighted fit without meaning are refused,
// with the last result kept; observations of weight 0 count for
// nothing.
#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "estimators/robust_reweight.h"
#include "estimators/weighted_fit.h"
#include "estimators/weighted_fit_tables.h"
#include "platform/errors.h"
#include "weighted_data.h"

namespace {

const std::vector<double> kX1 = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12};
const std::vector<double> kX2 = {3.1, 1.7, 4.4, 2.9, 5.6, 3.3, 6.1, 4.8, 7.2, 5.5, 8.3, 6.0};
const std::vector<double> kY = {4.2, 5.1, 8.3, 7.9, 11.6, 10.2, 14.9, 13.1, 17.8, 15.2, 30.0, 18.1};

class WeightedFitRefusals : public ::testing::Test {
protected:
    std::unique_ptr<WLSE> Make(const WeightedColumns& cols) {
        std::vector<std::string> names;
        for (std::size_t j = 0; j < cols.size(); ++j) names.push_back("v" + std::to_string(j));
        tables_.push_back(MakeNamedTable(context_, cols, names));
        return std::make_unique<WLSE>(*tables_.back(), nullptr, static_cast<int>(cols.size()) - 1);
    }
    EngineContext context_;
    std::vector<std::unique_ptr<TNamedData>> tables_;
};

// Everything of the last fit that can be read, bit for bit: figures, options, weights and tables.
std::vector<std::uint64_t> Snapshot(const WLSE& fit) {
    std::vector<double> v;
    for (int j = 0; j < fit.CoefCount(); ++j) {
        v.push_back(fit.GetCoef(j));
        v.push_back(fit.GetStdErr(j));
    }
    v.push_back(fit.S2());
    v.push_back(fit.GetResult(WLSE::kRowResidual, 0));
    for (double figure : {fit.R2(), fit.AdjR2(), fit.DurbinWatsonRatio(), fit.GK(), fit.SSE(), fit.Syy(), fit.VarY(),
                          fit.Scale(), fit.ARVariance(), double(fit.MadDivisor()), fit.tuning, fit.tDf})
        v.push_back(figure);
    for (int count : {fit.Iterations(), fit.WeightKind(), fit.ResidualDf(), fit.RegressionDf(), fit.AROrder(),
                      int(fit.ARMode()), int(fit.boundedInfluence)})
        v.push_back(count);
    for (int t = 0; t < fit.ObsCount(); ++t) {
        v.push_back(fit.GetWeight(t));
        for (int row = 0; row < fit.CoefCount() + 16; ++row) v.push_back(fit.GetResult(row, t));
        for (int j = 0; j < fit.RowCount(); ++j) v.push_back(fit.GetTransformed(j, t));
    }
    std::vector<std::uint64_t> bits;
    for (double d : v) bits.push_back(std::bit_cast<std::uint64_t>(d));
    return bits;
}

using FitStep = std::function<void(WLSE&)>;
FitStep Fit(int mode) { return [mode](WLSE& f) { (void)f.Estimate(mode); }; }
FitStep Weighted(std::vector<double> w) { return [w](WLSE& f) { f.SetWeights(w.data()); (void)f.Estimate(0); }; }
std::vector<double> With(std::vector<double> v, int t, double value) {
    v[static_cast<std::size_t>(t)] = value;
    return v;
}
std::vector<double> Times(std::vector<double> v, double factor) {
    for (double& x : v) x *= factor;
    return v;
}

}  // namespace

// Each refusal raises its message; the fit on show stays, to the bit, with
// its weights and options; before the first fit, what the call found stays.
TEST_F(WeightedFitRefusals, DegenerateInputsRaiseAndKeepTheLastResult) {
    const double nan = std::nan("");
    std::vector<double> x1Nan = kX1, yInf = kY, twelve(12, 5.0), x2Copy = kX2;
    x1Nan[4] = nan;
    yInf[7] = HUGE_VAL;
    // Equal to x2 wherever the weights below are positive.
    std::vector<double> x2Apart = kX2;
    x2Apart[0] += 1.0;
    std::vector<double> sparse(12, 0.0), zeroFirst(12, 1.0);
    sparse[2] = sparse[5] = sparse[9] = 1.0;  // three observations for three coefficients
    zeroFirst[0] = 0.0;
    // Observation 11 set beyond the others' range, shown with weight 0.
    const std::vector<double> ones(12, 1.0), tiny(12, 5e-324), zeroEleventh = With(ones, 10, 0.0);
    // x1 of order 1e-100, y = 1e150 x1 + y, 1e60 added to one y: s2 (C_11) beyond double.
    std::vector<double> yLarge(12);
    for (int t = 0; t < 12; ++t) yLarge[t] = kX1[t] * 1e50 + kY[t] + (t == 10 ? 1e60 : 0.0);
    // t weights of m = 0.001 weigh the best fits 1000 times: y's sum of squares beyond double.
    const std::vector<double> yScaled = Times(kY, 1e152);
    const char* const v0 = "変数 v0 の係数または標準誤差が有限の数値になりません。";
    struct Refusal {
        const char* what;
        WeightedColumns cols;
        int mode;
        std::vector<double> weights;  // kind 0 only; empty: equal weights
        const char* message;          // the message, or a part of it
        bool firstFit;                // refused after a fit on show (equal weights unless shown) and before any
        FitStep shown = nullptr;
        double tDf = 0.0;             // set for the refused fit when not 0
        bool huber = false;           // Huber's covariance of the fit on show is refused, not a fit
    } refusals[] = {
        {"NaN in a regressor", {x1Nan, kX2, kY}, 0, {}, "変数 v0 の 5 番目の値が有限の数値ではありません。", false},
        {"infinity in y, robust", {kX1, kX2, yInf}, kWeightAutomatic, {}, "変数 v2 の 8 番目の値が有限の数値ではありません。", false},
        {"infinity in y, AR errors", {kX1, kX2, yInf}, WLSE::kModeAROffset + 1, {}, "変数 v2 の 8 番目", false},
        {"nine of twelve weights zero", {kX1, kX2, kY}, 0, sparse, "自由度不足", true},
        {"constant regressor", {kX1, twelve, kY}, 0, {}, "変数 v1 は", false},
        {"duplicate regressor", {kX2, kX1, x2Copy, kY}, kWeightHuber, {}, "変数 v2 は", false},
        {"duplicate where the weights are positive", {kX1, kX2, x2Apart, kY}, 0, zeroFirst, "TOL CHECK", true},
        {"weights of 5e-324", {kX1, kX2, kY}, 0, tiny, v0, true, Fit(kWeightHuber)},
        {"a regressor near the largest double, robust", {kX1, With(kX2, 10, 1.7e308), kY}, kWeightHuber, {},
         "変数 v1 の係数または標準誤差が有限の数値になりません。", true, Weighted(zeroEleventh)},
        {"y near the largest double", {kX1, kX2, With(kY, 10, -1.5e308)}, 0, ones, v0, true, Weighted(zeroEleventh)},
        {"a square beyond double, AR errors", {kX1, kX2, With(kY, 10, 1e160)}, WLSE::kModeAROffset + 1, {}, v0, true,
         Weighted(zeroEleventh)},
        {"standard errors beyond double", {Times(kX1, 1e-100), kX2, yLarge}, 0, ones, v0, true, Weighted(zeroEleventh)},
        {"weighted sum of squares beyond double", {kX1, kX2, yScaled}, kWeightT, {}, "数値になりません", true,
         Fit(kWeightCollins), 0.001},
        {"the same, Huber's covariance on show", {kX1, kX2, yScaled}, kWeightT, {}, "数値になりません", true,
         [](WLSE& f) { (void)f.Estimate(kWeightHuber); EXPECT_TRUE(f.HuberCovariance()); }, 0.001},
        // Huber's s2 is about nine times the fit's own: x1's squared standard error passes double.
        {"Huber's covariance beyond double", {Times(kX1, 1e-145), kX2, Times(kY, 1e10)}, 0, {}, v0, true,
         [](WLSE& f) { f.tuning = 0.3; (void)f.Estimate(kWeightHuber); }, 0.0, true},
    };
    for (const Refusal& refusal : refusals) {
        for (const bool shown : {true, false}) {
            if (shown ? !refusal.firstFit : refusal.huber) continue;
            SCOPED_TRACE(std::string(refusal.what) + (shown ? ", fit on show" : ", first fit"));
            auto fit = Make(refusal.cols);
            if (shown) (refusal.shown ? refusal.shown : Fit(0))(*fit);
            std::vector<std::uint64_t> before = Snapshot(*fit);
            if (!refusal.weights.empty()) fit->SetWeights(refusal.weights.data());
            if (refusal.tDf != 0.0) fit->tDf = refusal.tDf;
            if (!shown) before = Snapshot(*fit);
            try {
                refusal.huber ? (void)fit->HuberCovariance() : (void)fit->Estimate(refusal.mode);
                ADD_FAILURE() << "fitted";
            } catch (const Exception& e) {
                EXPECT_NE(std::string(e.what()).find(refusal.message), std::string::npos) << e.what();
            }
            EXPECT_EQ(Snapshot(*fit), before);
        }
    }
}

TEST_F(WeightedFitRefusals, ZeroWeightsAreObservationsLeftOut) {
    std::vector<double> w = {1.0, 0.0, 2.0, 1.5, 0.0, 1.2, 0.6, 1.0, 0.0, 0.9, 0.4, 1.1};
    auto weighted = Make({kX1, kX2, kY});
    weighted->SetWeights(w.data());
    ASSERT_TRUE(weighted->Estimate(0));
    WeightedColumns kept(3);
    std::vector<double> keptWeights;
    for (int t = 0; t < 12; ++t) {
        if (w[t] == 0.0) continue;
        kept[0].push_back(kX1[t]);
        kept[1].push_back(kX2[t]);
        kept[2].push_back(kY[t]);
        keptWeights.push_back(w[t]);
    }
    auto reduced = Make(kept);
    reduced->SetWeights(keptWeights.data());
    ASSERT_TRUE(reduced->Estimate(0));
    EXPECT_EQ(weighted->ResidualDf(), 9 - 3);
    EXPECT_EQ(reduced->ResidualDf(), 9 - 3);
    EXPECT_EQ(FitTexts(*weighted).degreesOfFreedom, "自由度 = 6");
    for (int j = 0; j < 3; ++j) {
        ExpectNear(weighted->GetCoef(j), reduced->GetCoef(j), 1e-12, 1e-14, "coef");
        ExpectNear(weighted->GetStdErr(j), reduced->GetStdErr(j), 1e-12, 0, "standard error");
    }
    ExpectNear(weighted->S2(), reduced->S2(), 1e-12, 0, "s2");
    ExpectNear(weighted->Syy(), reduced->Syy(), 1e-12, 0, "Syy");
    ExpectNear(weighted->VarY(), reduced->VarY(), 1e-12, 0, "var y");
    ExpectNear(weighted->R2(), reduced->R2(), 1e-12, 0, "R2");
    ExpectNear(weighted->AdjR2(), reduced->AdjR2(), 1e-12, 0, "adjusted R2");
}
