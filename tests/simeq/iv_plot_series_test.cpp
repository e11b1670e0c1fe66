// The series of the instrumental-variable plots against values worked out
// in exact arithmetic: the lagged residuals of the instrumented fit, the
// leverage and the partial residuals of the fit without instruments (the
// regressor's across, the dependent's up), and which modes draw nothing.
#include <gtest/gtest.h>

#include <vector>

#include "core/data/variable.h"
#include "core/model/instrumental_fit.h"
#include "simeq/iv_plot_series.h"
#include "support/model_builder.h"

namespace {

const std::vector<double> kX1 = {1, 2, 3, 4, 5, 6, 7};
const std::vector<double> kX2 = {2, 1, 4, 3, 6, 5, 8};
const std::vector<double> kW = {1, 3, 2, 5, 4, 7, 6};
const std::vector<double> kY = {3, 4, 8, 0, 12, 14, 17};

// Residuals y - Xb of the fit with w in place of x2, b = (Z'X)^-1 Z'y.
const std::vector<double> kResidualIV = {0.08163265306122448, 2.7006802721088436, 0.3673469387755102,
                                         -6.01360544217687,   -0.3469387755102041, 3.272108843537415,
                                         -0.061224489795918366};
// Without instruments: hat values, x1 and y each on x2 and the constant.
const std::vector<double> kLeverage = {0.5714285714285714, 0.47619047619047616, 0.2857142857142857,
                                       0.3333333333333333, 0.2857142857142857,  0.47619047619047616,
                                       0.5714285714285714};
const std::vector<double> kPartialX1 = {-1.278688524590164, 0.5245901639344263, -0.8852459016393442,
                                        0.9180327868852459, -0.4918032786885246, 1.3114754098360655,
                                        -0.09836065573770492};
const std::vector<double> kPartialY = {-0.38524590163934425, 2.901639344262295, 0.040983606557377046,
                                       -5.672131147540983,   -0.5327868852459017, 3.7540983606557377,
                                       -0.10655737704918032};

struct Sample {
    std::unique_ptr<Reg> reg = MakeModel({kX1, kX2, kW, kY}, {}, {"x1", "x2", "w", "y"});
    RegIV iv{*reg, 0};
    explicit Sample(bool instrument) {
        if (instrument) iv.SetDesignColumn(1, kW);
        iv.SetDependent(3);
        EXPECT_TRUE(iv.ToggleVariable(4));
        EXPECT_TRUE(iv.ToggleVariable(0));
        EXPECT_TRUE(iv.ToggleVariable(1));
    }
};

void ExpectNear(const std::vector<double>& got, const std::vector<double>& want) {
    ASSERT_EQ(got.size(), want.size());
    for (std::size_t i = 0; i < want.size(); ++i) EXPECT_NEAR(got[i], want[i], 1e-12) << i;
}

}  // namespace

// Lag k: e(i) across against e(i-k) up, n - k points.
TEST(IVPlotSeries, LaggedResidualsOfTheInstrumentedFit) {
    Sample s(true);
    for (int k = 1; k <= 3; ++k) {
        SCOPED_TRACE(k);
        const IVPlotSeries p = IVResidualPlotSeries(s.iv, 300 + k);
        EXPECT_EQ(p.xName, "e(i)");
        EXPECT_EQ(p.yName, "e(i-" + std::to_string(k) + ")");
        ExpectNear(p.x, std::vector<double>(kResidualIV.begin() + k, kResidualIV.end()));
        ExpectNear(p.y, std::vector<double>(kResidualIV.begin(), kResidualIV.end() - k));
    }
    // Seven observations: lag 4 leaves 3 points, too few.
    EXPECT_TRUE(IVResidualPlotSeries(s.iv, 304).Empty());
}

TEST(IVPlotSeries, LeverageAndPartialResidualsWithoutInstruments) {
    Sample s(false);
    const IVPlotSeries lr = IVResidualPlotSeries(s.iv, 300);
    EXPECT_EQ(lr.xName, "残差平方");
    EXPECT_EQ(lr.yName, "作用点");
    ExpectNear(lr.y, kLeverage);

    const IVPlotSeries p = IVPartialPlotSeries(s.iv, 0);
    EXPECT_EQ(p.xName, "e(x1|-x1)");
    EXPECT_EQ(p.yName, "e(y|-x1)");
    ExpectNear(p.x, kPartialX1);
    ExpectNear(p.y, kPartialY);
    // Not a regressor, the constant term, out of range: nothing.
    for (int j : {2, 3, 4, -1}) EXPECT_TRUE(IVPartialPlotSeries(s.iv, j).Empty()) << j;
}

// The axes of each mode; modes outside the table draw nothing.
TEST(IVPlotSeries, ModesNameTheirAxes) {
    Sample s(true);
    const struct {
        int mode;
        const char* x;
        double x2;  // x at the third observation
    } cases[] = {{1, "時間", 3}, {101, "x2", 4}, {201, "(iv)x2", 2}, {102, "w", 2}};
    for (const auto& c : cases) {
        const IVPlotSeries p = IVResidualPlotSeries(s.iv, c.mode);
        EXPECT_EQ(p.xName, c.x) << c.mode;
        EXPECT_EQ(p.yName, "標準化残差");
        ASSERT_EQ(p.x.size(), 7u);
        EXPECT_EQ(p.x[2], c.x2) << c.mode;
    }
    EXPECT_EQ(IVResidualPlotSeries(s.iv, 0).xName, "予測値");
    for (int mode : {2, 99, 104, 204, 305, -1}) EXPECT_TRUE(IVResidualPlotSeries(s.iv, mode).Empty()) << mode;
}

// Each observation's prediction from its own regressors is its fitted
// value, y - e.
TEST(IVPlotSeries, PredictionOverTheSample) {
    Sample s(true);
    const IVPredictionBand band = IVPredictionOverSample(s.iv, 0.95, 0.9);
    ASSERT_EQ(band.predicted.size(), 7u);
    for (std::size_t i = 0; i < 7; ++i) {
        EXPECT_NEAR(band.predicted[i], kY[i] - kResidualIV[i], 1e-12) << i;
        EXPECT_LT(band.lower[i], band.predicted[i]);
        EXPECT_GT(band.upper[i], band.predicted[i]);
    }
}
