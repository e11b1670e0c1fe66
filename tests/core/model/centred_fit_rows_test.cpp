// The centred per-observation forms on regressors far from zero beside
// their spread (x1 near 1e8, x2 near 1.5e8, spreads near 100), against
// exact rational least squares on the doubles of the data: one observation
// at a time and by blocks give the same figures. The residuals, y less a
// fitted value near 1e8 held in long double (as the main fit holds it),
// keep 1e-11 of 1e8.
#include "core/model/centred_fit_rows.h"

#include <gtest/gtest.h>

#include <vector>

#include "core/numeric/moment_matrix.h"
#include "support/model_builder.h"
#include "support/sample_columns.h"

namespace {

const std::vector<double> kLeverage = {
    0.35820028267841881,  0.16849946210163887, 0.16395128507695203,  0.21591457053770723, 0.064422074558486918,
    0.10836248582856216,  0.13867983085045502, 0.13452505571605189,  0.20168399418318774, 0.083952451310491038,
    0.12799984214313689,  0.3454561688924426,  0.082984058205031168, 0.13283613911442098, 0.18455717436412518,
    0.081251945650119106, 0.16398765733186529, 0.11691381841005241,  0.1277097140394832,  0.20517861089860102,
    0.08246308662073607,  0.081547333301439308, 0.31322414602956176, 0.16973458487178721, 0.14596422728524608};
const std::vector<double> kResidual = {
    -3.9230910036881388, 1.4512015831185248,   -1.1603423421479156, -1.6623975326774471, 2.8957470927235572,
    0.53873596365596148, 0.2912135693252746,   -1.8961090388771988, 0.75303965973595413, 0.76005004670295071,
    -1.172739765300678,  2.6849054164088409,   1.9924848977759996,  -1.9341451014480417, -1.5029133974170781,
    1.7401451391251641,  0.31642090461806348,  -1.2461875785713855, 2.2514037541697014,  1.0822123158614454,
    -0.22586338603032007, -3.4737392719915497, 1.3171928042784643,  1.5580591802061181,  -1.4352839095562669};
// S^-1 c of the first observation: the change of the slopes per unit of
// its residual.
const std::vector<double> kSlopeChange = {-0.0032047127848432412, -0.00033905202035604507, -0.058092142841842272};

}  // namespace

TEST(CentredFitRows, OneObservationAndBlocksAgreeWithExactLeastSquares) {
    const Columns& cols = FarFromZeroColumns();
    const int n = static_cast<int>(cols[0].size());
    const double* columns[4] = {cols[0].data(), cols[1].data(), cols[2].data(), cols[3].data()};
    LongMatrix unswept;
    BuildMomentsFromColumns(columns, n, 4, unswept);
    LongMatrix swept(unswept);
    for (int j = 0; j < 3; ++j) ASSERT_EQ(swept.Sweep(j), SweepResult::kSwept);
    const CentredFitRows rows(swept, unswept, {0, 1, 2}, 3, n);

    for (int i = 0; i < n; ++i) {
        const double x[3] = {cols[0][i], cols[1][i], cols[2][i]};
        double c[3], u[3];
        rows.Centre(x, c);
        long double fitted = 0.0L, leverage = 0.0L;
        rows.PointFromCentred(c, fitted, leverage, i == 0 ? u : nullptr);
        ExpectRel(static_cast<double>(leverage), kLeverage[i], 1e-12, "leverage", i);
        EXPECT_NEAR(static_cast<double>(cols[3][i] - fitted), kResidual[i], 2e-11) << "residual " << i;
        if (i == 0)
            for (int j = 0; j < 3; ++j) ExpectRel(u[j], kSlopeChange[j], 1e-12, "slope change", j);
    }

    constexpr int kBlock = CentredFitRows::kBlock;
    std::vector<double> c(3 * kBlock), u(3 * kBlock), leverage(kBlock);
    std::vector<long double> fitted(kBlock);
    rows.CentreColumns(columns, 0, n, c.data());
    rows.FittedBlock(c.data(), n, fitted.data());
    rows.LeverageBlock(c.data(), n, leverage.data());
    rows.SlopeChangeBlock(c.data(), n, u.data());
    for (int i = 0; i < n; ++i) {
        ExpectRel(leverage[i], kLeverage[i], 1e-12, "block leverage", i);
        EXPECT_NEAR(static_cast<double>(cols[3][i] - fitted[i]), kResidual[i], 2e-11) << "block residual " << i;
    }
    for (int j = 0; j < 3; ++j) ExpectRel(u[j * kBlock], kSlopeChange[j], 1e-12, "block slope change", j);
}
