// Newton's method where the full step overshoots: f = sqrt(1 + s^2) has
// its Newton step s -> -s^3, which from |s| > 1 lands farther out than it
// started. From s = 2 the full step (to -8) and the half step (to -3) both
// rise, the quarter step lands at -0.5, and from there the steps converge
// by themselves (0.125, -1/512, ...). The iterates below come from the same
// rule worked in 40-digit arithmetic by a separate script.
#include "core/numeric/newton_minimum.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace {

// sqrt(1 + s^2) summed over the linear forms s of the point, with its
// derivatives; the points at which the derivatives were asked for.
struct Objective {
    // Each form is a'x + c over the point x.
    struct Form {
        std::vector<double> a;
        double c;
    };
    std::vector<Form> forms;
    std::vector<std::vector<double>> derivativePoints;
    int values = 0;

    double S(const Form& form, const std::vector<double>& x) const {
        double s = form.c;
        for (std::size_t j = 0; j < x.size(); ++j) s += form.a[j] * x[j];
        return s;
    }
    NewtonObjective Value() {
        return [this](const std::vector<double>& x) {
            ++values;
            double sum = 0.0;
            for (const Form& form : forms) {
                const double s = S(form, x);
                sum += std::sqrt(1.0 + s * s);
            }
            return sum;
        };
    }
    NewtonDerivatives Derivatives() {
        return [this](const std::vector<double>& x, std::vector<double>& g, std::vector<double>& h) {
            derivativePoints.push_back(x);
            const std::size_t k = x.size();
            g.assign(k, 0.0);
            h.assign(k * k, 0.0);
            for (const Form& form : forms) {
                const double s = S(form, x);
                const double r = std::sqrt(1.0 + s * s);
                const double first = s / r, second = 1.0 / (r * r * r);
                for (std::size_t i = 0; i < k; ++i) {
                    g[i] += first * form.a[i];
                    for (std::size_t j = 0; j < k; ++j) h[i * k + j] += second * form.a[i] * form.a[j];
                }
            }
        };
    }
};

void ExpectPoint(const std::vector<double>& actual, const std::vector<double>& expected, const char* what) {
    ASSERT_EQ(actual.size(), expected.size()) << what;
    for (std::size_t j = 0; j < actual.size(); ++j)
        EXPECT_NEAR(actual[j], expected[j], 1e-12) << what << " [" << j << "]";
}

}  // namespace

TEST(NewtonMinimum, OvershootingStepIsHalvedUntilTheFunctionFalls) {
    Objective f;
    f.forms = {{{1.0}, 0.0}};
    std::vector<double> phi = {2.0};
    double value = 0.0;
    ASSERT_TRUE(NewtonMinimum(phi, value, f.Value(), f.Derivatives()));
    EXPECT_NEAR(phi[0], 0.0, 1e-15);
    EXPECT_EQ(value, 1.0);
    // 2, then the quarter step's -0.5, then the full steps.
    const std::vector<double> path = {2.0, -0.5, 0.125, -0.001953125, 7.4505805969238281e-09};
    ASSERT_GE(f.derivativePoints.size(), path.size());
    for (std::size_t i = 0; i < path.size(); ++i) ExpectPoint(f.derivativePoints[i], {path[i]}, "iterate");
    // The fifth point's step (to -4e-25) falls by less than the function's
    // rounding: it is taken whole and ends the search, with no derivatives
    // formed there. Values: the start's, three trials for the first step
    // and at most one for each later one.
    EXPECT_EQ(f.derivativePoints.size(), 5u);
    EXPECT_LE(f.values, 1 + 3 + 5);
}

// Two parameters, f = sqrt(1 + (a - 1)^2) + sqrt(1 + (a + b)^2): in the
// forms s = a - 1 and t = a + b each takes its own step s -> -s^3. From
// (3, -1.5), that is s = 2 and t = 1.5, the full and the half step rise,
// the quarter step gives s = -0.5, t = 0.28125, and the minimum (1, -1)
// follows.
TEST(NewtonMinimum, OvershootingStepInTwoParameters) {
    Objective f;
    f.forms = {{{1.0, 0.0}, -1.0}, {{1.0, 1.0}, 0.0}};
    std::vector<double> phi = {3.0, -1.5};
    double value = 0.0;
    ASSERT_TRUE(NewtonMinimum(phi, value, f.Value(), f.Derivatives()));
    ExpectPoint(phi, {1.0, -1.0}, "minimum");
    EXPECT_NEAR(value, 2.0, 1e-15);
    ASSERT_GE(f.derivativePoints.size(), 3u);
    ExpectPoint(f.derivativePoints[1], {0.5, -0.21875}, "after the quarter step");
    ExpectPoint(f.derivativePoints[2], {1.125, -1.1472473144531250}, "after the second step");
    EXPECT_LE(f.derivativePoints.size(), 7u);
}
