// The probit, censored and truncated fits of the X-Y graph in any units:
// x and y multiplied by powers of ten from 1e-12 to 1e12 give the same
// maximum, the coefficients and sigma scaled with the units. Expected
// values: Newton's method on the exact log-likelihoods in 50-digit
// arithmetic on the same doubles, and for the probit on Longley's data
// also R's glm (binomial, probit link), which stops some 1e-8 short.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "platform/errors.h"
#include "stats/curve_fit.h"
#include "stats/limited_dependent.h"
#include "limited_dependent_data.h"
#include "support/sample_columns.h"

namespace {

using namespace limited_dependent_data;

std::vector<double> Scaled(const std::vector<double>& v, double scale) {
    std::vector<double> out(v);
    for (double& e : out) e *= scale;
    return out;
}

void ExpectRel(double actual, double expected, double rel, const char* what) {
    EXPECT_NEAR(actual, expected, rel * std::fabs(expected)) << what;
}

LimitedDependentFit FitFromLine(LimitedDependentModel model, const std::vector<double>& x,
                                const std::vector<double>& y) {
    TSRA line("x", x.data(), "y", y.data(), static_cast<int>(x.size()));
    if (!line.FitCurve(0)) throw Exception("no line");
    return FitLimitedDependent(model, line);
}

}  // namespace

// Longley's probit of y = 1 where UNEMP > 3000 on GNP (R's glm stops about
// 4e-9 short of the maximum: alpha -2.2139528621, beta 5.7603890794e-06),
// and the censored and truncated samples, x and y in other units: the
// estimates scale as the units say, the minimum moves by log(y's scale)
// for each term with log sigma.
TEST(LimitedDependentUnits, FitsScaleWithTheUnits) {
    const std::vector<double>& gnp = LongleyColumns()[1];
    std::vector<double> unemployed;
    for (double u : LongleyColumns()[2]) unemployed.push_back(u > 3000.0 ? 1.0 : 0.0);
    struct Model {
        const char* name;
        LimitedDependentModel model;
        const std::vector<double>* x;
        const std::vector<double>* y;
        double alpha, beta, sigma, minimum;
        int density;  // the terms with log sigma; probit's y keeps its 0 and 1
    };
    const Model models[] = {
        {"probit", LimitedDependentModel::kProbit, &gnp, &unemployed, -2.2139528521628261, 5.7603890542508868e-06,
         0.0, 9.7347928146514700, 0},
        {"censored", LimitedDependentModel::kCensored, &kX, &kCensored, -1.8395874111448393, 0.55087663968825423,
         1.0392685303504400, 28.381358651967838, 17},
        {"truncated", LimitedDependentModel::kTruncated, &kTruncX, &kTruncY, -0.29662658831880430,
         0.39217722211024583, 1.1594262938575661, 9.7386229021006461, 19},
    };
    struct Units {
        int x, y;  // powers of ten
    };
    std::vector<Units> units;
    for (int p = -12; p <= 12; ++p) units.push_back({p, 0});
    for (int p = -12; p <= 12; ++p)
        if (p != 0) units.push_back({0, p});
    for (int p : {-12, -6, 6, 12}) {
        units.push_back({p, p});
        units.push_back({p, -p});
    }
    for (const Model& m : models) {
        const bool probit = m.model == LimitedDependentModel::kProbit;
        for (const Units& u : units) {
            if (probit && u.y != 0) continue;
            const double sx = std::pow(10.0, u.x), sy = std::pow(10.0, u.y);
            SCOPED_TRACE(std::string(m.name) + ": x * 1e" + std::to_string(u.x) + ", y * 1e" + std::to_string(u.y));
            LimitedDependentFit fit;
            ASSERT_NO_THROW(fit = FitFromLine(m.model, Scaled(*m.x, sx), Scaled(*m.y, sy)));
            ExpectRel(fit.alpha, m.alpha * sy, 1e-10, "alpha");
            ExpectRel(fit.beta, m.beta * sy / sx, 1e-10, "beta");
            if (!probit) ExpectRel(fit.sigma, m.sigma * sy, 1e-10, "sigma");
            EXPECT_NEAR(fit.minimum, m.minimum + m.density * std::log(sy), 1e-9) << "minimum";
        }
    }
}

TEST(LimitedDependentUnits, DataWithoutAMaximumFailInAnyUnits) {
    struct Case {
        const char* what;
        LimitedDependentModel model;
        std::vector<double> x, y;
        bool scaleY;
    } cases[] = {
        {"probit, separated", LimitedDependentModel::kProbit, {1, 2, 3, 4, 5, 6}, {0, 0, 0, 1, 1, 1}, false},
        {"probit, separated but for a tie", LimitedDependentModel::kProbit, {1, 2, 3, 3, 4, 5}, {0, 0, 0, 1, 1, 1},
         false},
        {"probit, all ones", LimitedDependentModel::kProbit, {1, 2, 3, 4, 5}, {1, 1, 1, 1, 1}, false},
        {"probit, all zeros", LimitedDependentModel::kProbit, {1, 2, 3, 4, 5}, {0, 0, 0, 0, 0}, false},
        {"censored, sigma collapses", LimitedDependentModel::kCensored, {1, 2, 3, 4, 5}, {0, 0, 0, 1, 2}, true},
        {"censored, every value censored", LimitedDependentModel::kCensored, {1, 2, 3, 4}, {0, -1, 0, -2}, true},
        {"truncated, points on one line", LimitedDependentModel::kTruncated, {1, 2, 3, 4}, {2, 3, 4, 5}, true},
    };
    for (const Case& c : cases) {
        for (int power = -12; power <= 12; ++power) {
            const double scale = std::pow(10.0, power);
            SCOPED_TRACE(std::string(c.what) + " at 1e" + std::to_string(power));
            const std::vector<double> x = Scaled(c.x, scale), y = c.scaleY ? Scaled(c.y, scale) : c.y;
            try {
                (void)FitLimitedDependent(c.model, x.data(), y.data(), static_cast<int>(x.size()), 0.1, 0.5, 1.0);
                ADD_FAILURE() << "fitted";
            } catch (const Exception& e) {
                // FAILURE with its reason on a second line.
                EXPECT_EQ(std::string(e.what()).rfind("FAILURE\n", 0), 0u) << e.what();
            }
        }
    }
}
