// Curves of the X-Y graph on Longley's data against exact rational
// arithmetic on the doubles the fitter holds (its design of powers of
// YEAR is exact), square roots at 50 digits: polynomials of YEAR, whose
// powers are nearly collinear, and the maximum-likelihood lines of EMPLOY
// on GNP.
#include <gtest/gtest.h>

#include <vector>

#include "stats/curve_fit.h"
#include "stats/curve_types.h"
#include "stats/limited_dependent.h"
#include "support/model_builder.h"
#include "support/sample_columns.h"

namespace {

const std::vector<double>& Year() { return LongleyColumns()[5]; }
const std::vector<double>& Gnp() { return LongleyColumns()[1]; }
const std::vector<double>& Employ() { return LongleyColumns()[6]; }

}  // namespace

TEST(LongleyCurve, QuadraticInYearKeepsItsLeveragesAndStudentisedResiduals) {
    // Inflation factors near 1e5: in double the per-point forms kept 10
    // digits.
    TSRA t("YEAR", Year().data(), "EMPLOY", Employ().data(), 16);
    ASSERT_TRUE(t.FitCurve(reg2ji));
    ASSERT_EQ(t.Type(), reg2ji);
    const std::vector<double> lev = {
        0.44240196078431373, 0.26397058823529412, 0.16565126050420168, 0.12223389355742297,
        0.11271008403361345, 0.12027310924369748, 0.13231792717086835, 0.14044117647058824,
        0.14044117647058824, 0.13231792717086835, 0.12027310924369748, 0.11271008403361345,
        0.12223389355742297, 0.16565126050420168, 0.26397058823529412, 0.44240196078431373};
    const std::vector<double> stu = {
        0.90294341565676682, 0.77069711024442548,  -1.4806008055519083, -1.1071116269457476,
        0.41064399149351485, 0.020724200899173924, 0.744648368780271,   -1.7407901491870791,
        0.24631114828356674, 1.7521965463343553,   1.177653167602113,   -1.7674727743966703,
        0.12419343176040149, 0.4343350335478579,   -0.65520098935616581, 0.11991919123376089};
    for (int i = 0; i < 16; ++i) {
        ExpectRel(t.GetLeverage(i), lev[i], 1e-12, "leverage", i);
        ExpectRel(t.GetStudentized(i), stu[i], 1e-12, "studentised", i);
    }
    ExpectRel(t.Press(), 14625876.472219464, 1e-12, "PRESS", 0);
}

TEST(LongleyCurve, CubicInYearIsSweptInDoubleDouble) {
    // Inflation factors near 1e12: the long double sweep left the fourth
    // digit of the leverages and PRESS wrong; the double-double sweep and
    // the leverages in orthogonalised regressors keep ten.
    TSRA t("YEAR", Year().data(), "EMPLOY", Employ().data(), 16);
    ASSERT_TRUE(t.FitCurve(reg3ji));
    ASSERT_EQ(t.Type(), reg3ji);
    const std::vector<double> coef = {-29668965.124571421, 15186.596329624967, -2.5911063480722923,
                                      1.9320241023683054e10};
    const std::vector<double> se = {34065729.208664089, 17429.428863400074, 2.9725291785694435,
                                    2.2193700829399063e10};
    for (int j = 0; j < 4; ++j) {
        ExpectRel(t.GetCoef(j), coef[j], 1e-12, "coefficient", j);
        ExpectRel(t.GetCoefSE(j), se[j], 1e-12, "standard error", j);
    }
    const std::vector<double> lev = {
        0.6478328173374613,  0.27218782249742002, 0.18594279817190034, 0.19297395071388879,
        0.20261343403758264, 0.18995735946200342, 0.1641122035858878,  0.14437961419385568,
        0.14437961419385568, 0.1641122035858878,  0.18995735946200342, 0.20261343403758264,
        0.19297395071388879, 0.18594279817190034, 0.27218782249742002, 0.6478328173374613};
    for (int i = 0; i < 16; ++i) ExpectRel(t.GetLeverage(i), lev[i], 1e-9, "leverage", i);
    ExpectRel(t.Press(), 16153243.543411698, 1e-9, "PRESS", 0);
}

TEST(LongleyCurve, LimitedDependentLinesReachTheMaximumLikelihood) {
    // No EMPLOY is at or below 0 and every mean lies far above it: both
    // models reduce to the normal regression, whose maximum is the least
    // squares line with sigma^2 = SSE / n. The simplex alone stopped at
    // its start, sigma^2 = SSE / (n - 2).
    TSRA t("GNP", Gnp().data(), "EMPLOY", Employ().data(), 16);
    ASSERT_TRUE(t.FitCurve(regXY));
    for (LimitedDependentModel model : {LimitedDependentModel::kCensored, LimitedDependentModel::kTruncated}) {
        const LimitedDependentFit f = FitLimitedDependent(model, t);
        const int which = model == LimitedDependentModel::kCensored ? 0 : 1;
        ExpectRel(f.alpha, 51843.589781884137, 1e-12, "alpha", which);
        ExpectRel(f.beta, 0.034752294347629046, 1e-12, "beta", which);
        ExpectRel(f.sigma, 614.21393697945278, 1e-12, "sigma", which);
    }
}
