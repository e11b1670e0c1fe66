// The X-Y graph's curves with either variable written in other units: the
// straight line of Longley's EMPLOY on GNP (R², r, t(1), the
// heteroskedasticity statistic and the scaled coefficient change stay, the
// slope scales as y / x; references from exact rational arithmetic, as R's
// lm and rstudent give them) and the three Box-Cox curves, whose lambda,
// R² and t(1) stay too.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "stats/box_cox_search.h"
#include "stats/curve_fit.h"
#include "stats/curve_fit_tables.h"
#include "stats/curve_types.h"
#include "support/sample_columns.h"

namespace {

TEST(CurveUnits, StraightLineFiguresDoNotDependOnTheUnits) {
    for (double sx : {1e-12, 1.0, 1e12})
        for (double sy : {1e-12, 1e-6, 1.0, 1e6, 1e12}) {
            SCOPED_TRACE(testing::Message() << "x " << sx << ", y " << sy);
            std::vector<double> x = LongleyColumns()[1], y = LongleyColumns()[6];
            for (double& v : x) v *= sx;
            for (double& v : y) v *= sy;
            TSRA fit("GNP", x.data(), "EMPLOY", y.data(), 16);
            ASSERT_TRUE(fit.FitCurve(regXY));
            EXPECT_NEAR(fit.R2(), 0.9673737718541234, 1e-12);
            EXPECT_NEAR(fit.Pearson(), std::sqrt(0.9673737718541234), 1e-12);
            EXPECT_NEAR(fit.GetStudentized(0), 0.5679197619138801, 1e-9);
            EXPECT_NEAR(fit.GetHeteroskedasticity(), 0.3790411192760787, 1e-9);
            const double slope = 0.03475229434762905 * sy / sx;
            EXPECT_NEAR(fit.GetCoef(0), slope, 1e-10 * slope);
            EXPECT_GT(fit.S2(), 0.0);
            // b - b(1) over s(1) sqrt((X'X)^-1): -0.25647647
            const CurveAnalysisTable table(fit, {0, 0, 0, 0});
            const std::string cell = table.Cell(8, 0).Shown();
            ASSERT_GE(cell.size(), 10u) << cell;
            EXPECT_EQ(cell.substr(cell.size() - 10), " (-0.2565)") << cell;
        }
}

// Box-Cox curves of Longley (EMPLOY on GNP) and of 32 cars (mpg on
// horsepower). References: an independent 50-digit search over the same
// three grids of lambda (mpmath), then the straight line of the transformed
// data at that lambda; R finds the same lambdas.
const std::vector<double> kHorsepower = {110, 110, 93,  110, 175, 105, 245, 62,  95,  123, 123,
                                         180, 180, 180, 205, 215, 230, 66,  52,  65,  97,  150,
                                         150, 245, 175, 66,  91,  113, 264, 175, 335, 109};
const std::vector<double> kMpg = {21.0, 21.0, 22.8, 21.4, 18.7, 18.1, 14.3, 24.4, 22.8, 19.2, 17.8,
                                  16.4, 17.3, 15.2, 10.4, 10.4, 14.7, 32.4, 30.4, 33.9, 21.5, 15.5,
                                  15.2, 13.3, 19.2, 27.3, 26.0, 30.4, 15.8, 19.7, 15.0, 21.4};

struct BoxCoxReference {
    const char* what;
    bool cars;
    int type;
    double lambda, criterion, r2, t1, slope, intercept;
};

const BoxCoxReference kBoxCoxReferences[] = {
    {"Longley, y", false, regXbceY, 1.0, 102.72549278434542303, 0.9673737718541234, 0.56791976191388008,
     0.034752294347629046, 51842.589781884137},
    {"Longley, x", false, regbceXY, 0.6383, 102.22567472680328559, 0.96934979802572231, 1.0988432702570641,
     3.6190400685679111, 44549.090046906631},
    {"Longley, both", false, regbceXbceY, 0.56837, 102.20911771069559182, 0.96947273589798273, 1.1290487097088631,
     0.074236865254050662, 763.14060149639704},
    {"cars, y", true, regXbceY, 0.07667, 39.728981893634816588, 0.62375753316254256, -0.22639180881031548,
     -0.004303425809317113, 3.9550647354352658},
    {"cars, x", true, regbceXY, -0.65377, 35.14664958848989441, 0.74438099708380487, -0.10240816080786919,
     -250.32091496522376, 386.48525773844982},
    {"cars, both", true, regbceXbceY, -0.00205, 35.24199398346897651, 0.71572791209922698, -0.055765147547587247,
     -0.53216939469041563, 5.5334127291939505},
};

// BoxCox(lambda, s v) = gain BoxCox(lambda, v) + offset, and s v itself
// for a variable the curve leaves alone.
struct ScaleMap {
    double gain, offset;
};
ScaleMap MapOf(bool boxCox, double lambda, double s) {
    if (!boxCox) return {s, 0.0};
    return {std::pow(s, lambda), std::expm1(lambda * std::log(s)) / lambda};
}

TEST(CurveUnits, BoxCoxCurvesDoNotDependOnTheUnits) {
    // The scales where the search used to lose its digits among them.
    const double scales[] = {1e-12, 1e-6, 1.0, 3.16e6, 3e7, 1.8e8, 5.6e8, 1e9, 3.2e10, 1e12};
    for (const BoxCoxReference& ref : kBoxCoxReferences)
        for (double sx : scales)
            for (double sy : scales) {
                SCOPED_TRACE(testing::Message() << ref.what << ", x " << sx << ", y " << sy);
                std::vector<double> x = ref.cars ? kHorsepower : LongleyColumns()[1];
                std::vector<double> y = ref.cars ? kMpg : LongleyColumns()[6];
                for (double& v : x) v *= sx;
                for (double& v : y) v *= sy;
                const int n = static_cast<int>(x.size());
                TSRA fit("x", x.data(), "y", y.data(), n);
                ASSERT_TRUE(fit.FitCurve(ref.type));
                ASSERT_EQ(fit.Type(), ref.type);
                EXPECT_NEAR(fit.Lambda(), ref.lambda, 1e-9);
                EXPECT_NEAR(fit.R2(), ref.r2, 1e-11);
                EXPECT_NEAR(fit.GetStudentized(0), ref.t1, 1e-9);
                // Coefficients in the data's own units.
                const ScaleMap mx = MapOf(ref.type != regXbceY, ref.lambda, sx);
                const ScaleMap my = MapOf(ref.type != regbceXY, ref.lambda, sy);
                const double slope = ref.slope * my.gain / mx.gain;
                const double intercept = my.gain * ref.intercept - slope * mx.offset + my.offset;
                EXPECT_NEAR(fit.GetCoef(0), slope, 1e-10 * std::fabs(slope));
                EXPECT_NEAR(fit.GetCoef(1), intercept, 1e-10 * std::fabs(intercept));
                // The criterion of the data's own units.
                const BoxCoxMode mode = static_cast<BoxCoxMode>(ref.type - regXbceY);
                const BoxCoxSearchResult found = SearchBoxCoxLambda(x.data(), y.data(), n, mode);
                EXPECT_NEAR(found.criterion, ref.criterion + n * std::log(sy), 1e-9);
            }
}

// Longley's Box-Cox curve on both variables (lambda 0.56837) in other
// units: what it shows in the data's units is the map of the fit at scale
// 1 (BoxCox(lambda, s v) = s^lambda BoxCox(lambda, v) + BoxCox(lambda, s)),
// and the prediction scales with y. References at scale 1 from mpmath.
TEST(CurveUnits, BoxCoxFitReadsBackInTheDataUnits) {
    const double lambda = 0.56837;
    const double z0 = 1981.4781479259062, w0 = 915.41501015545633, fitted0 = 910.23932776781841;
    const double e0 = 5.1756823876379211, szz = 2276285.6239874058, s2 = 28.215662615271844;
    const double slope = 0.074236865254050662, dslope = -0.0019065507803563795, dint = 5.4177595875856974;
    const double predicted = 65883.429645481002;
    for (double sx : {1e-12, 1.0, 1e9})
        for (double sy : {1e-6, 1.0, 1e12}) {
            SCOPED_TRACE(testing::Message() << "x " << sx << ", y " << sy);
            std::vector<double> x = LongleyColumns()[1], y = LongleyColumns()[6];
            for (double& v : x) v *= sx;
            for (double& v : y) v *= sy;
            TSRA fit("GNP", x.data(), "EMPLOY", y.data(), 16);
            ASSERT_TRUE(fit.FitCurve(regbceXbceY));
            ASSERT_NEAR(fit.Lambda(), lambda, 1e-9);
            const ScaleMap mx = MapOf(true, lambda, sx), my = MapOf(true, lambda, sy);
            const auto near = [](double actual, double expected) {
                EXPECT_NEAR(actual, expected, 1e-10 * std::fabs(expected));
            };
            near(fit.GetDesign(0, 0), mx.gain * z0 + mx.offset);
            near(fit.GetDesign(0, 1), my.gain * w0 + my.offset);
            EXPECT_EQ(fit.GetDesign(0, 2), 1.0);
            near(fit.GetFitted(0), my.gain * fitted0 + my.offset);
            near(fit.GetResidual(0), my.gain * e0);
            near(fit.S2(), my.gain * my.gain * s2);
            near(fit.SSE(), my.gain * my.gain * s2 * 14.0);
            near(fit.GetMoment(0, 0), 1.0 / (mx.gain * mx.gain * szz));
            near(fit.GetMoment(0, 1), fit.GetCoef(0));
            near(fit.GetMoment(2, 1), fit.GetCoef(1));
            near(fit.GetCoefSE(0), std::sqrt(fit.S2() * fit.GetMoment(0, 0)));
            const double ownSlope = my.gain / mx.gain * slope;
            near(fit.GetCoef(0), ownSlope);
            near(fit.GetDfbeta(0, 0), my.gain / mx.gain * dslope);
            near(fit.GetDfbeta(0, 1), my.gain * dint - my.gain / mx.gain * dslope * mx.offset);
            double upper = 0, lower = 0;
            near(fit.PredictInterval(&upper, &lower, 400000.0 * sx, 0.95, 0.95), predicted * sy);
            EXPECT_GT(upper, predicted * sy);
            EXPECT_LT(lower, predicted * sy);
        }
}

}  // namespace
