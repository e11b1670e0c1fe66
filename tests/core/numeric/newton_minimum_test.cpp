// Newton's method where the full step overshoots: f = sqrt(1 + x^2) has
// its Newton step x -> -x^3, which from |x| > 1 lands farther out than it
// started. From x = 2 the full step (to -8) and the half step (to -3) both
// rise, the quarter step lands at -0.5, and from there the steps converge
// by themselves (0.125, -1/512, ...). The iterates below come from the same
// rule worked in 40-digit arithmetic by a separate script.
#include "core/numeric/newton_minimum.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

TEST(NewtonMinimum, OvershootingStepIsHalvedUntilTheFunctionFalls) {
    std::vector<double> points;  // where the derivatives were asked for
    int values = 0;
    const NewtonObjective f = [&values](const std::vector<double>& x) {
        ++values;
        return std::sqrt(1.0 + x[0] * x[0]);
    };
    const NewtonDerivatives derivatives = [&points](const std::vector<double>& x, std::vector<double>& g,
                                                    std::vector<double>& h) {
        points.push_back(x[0]);
        const double r = std::sqrt(1.0 + x[0] * x[0]);
        g.assign(1, x[0] / r);
        h.assign(1, 1.0 / (r * r * r));
    };
    std::vector<double> phi = {2.0};
    double value = 0.0;
    ASSERT_TRUE(NewtonMinimum(phi, value, f, derivatives));
    EXPECT_NEAR(phi[0], 0.0, 1e-15);
    EXPECT_EQ(value, 1.0);
    // 2, then the quarter step's -0.5, then the full steps. The fifth
    // point's step (to -4e-25) falls by less than the function's rounding:
    // it is taken whole and ends the search, with no derivatives formed
    // there. Values: the start's, three trials for the first step and at
    // most one for each later one.
    const std::vector<double> path = {2.0, -0.5, 0.125, -0.001953125, 7.4505805969238281e-09};
    ASSERT_EQ(points.size(), path.size());
    for (std::size_t i = 0; i < path.size(); ++i) EXPECT_NEAR(points[i], path[i], 1e-12) << i;
    EXPECT_LE(values, 1 + 3 + 5);
}

// One smooth function with its minimum at parameters of size 1e-9, 1 and
// 1e9: f(x) = F(x / s) with F(u) = exp(u1) + exp(2 u2) + exp(-u1 - u2),
// least at u = (ln 2 / 5, -2 ln 2 / 5), where F = 5 * 2^(-4/5). Its values,
// and each step against its parameter, are the same at every scale, so the
// search ends as close to the minimum at each. Minimisers: s times the
// closed form, in 50 digits.
TEST(NewtonMinimum, MinimumFoundAtAnyScaleOfTheParameters) {
    const struct {
        double scale;
        double minimiser[2];
    } cases[] = {
        {1e-9, {1.3862943611198907052e-10, -2.7725887222397814104e-10}},
        {1.0, {0.13862943611198906188, -0.27725887222397812377}},
        {1e9, {138629436.11198906188, -277258872.22397812377}},
    };
    constexpr double kMinimum = 2.8717458874925875170;
    for (const auto& c : cases) {
        const double s = c.scale;
        const NewtonObjective f = [s](const std::vector<double>& x) {
            const double u1 = x[0] / s, u2 = x[1] / s;
            return std::exp(u1) + std::exp(2.0 * u2) + std::exp(-u1 - u2);
        };
        const NewtonDerivatives derivatives = [s](const std::vector<double>& x, std::vector<double>& g,
                                                  std::vector<double>& h) {
            const double u1 = x[0] / s, u2 = x[1] / s;
            const double a = std::exp(u1), b = std::exp(2.0 * u2), e = std::exp(-u1 - u2);
            g = {(a - e) / s, (2.0 * b - e) / s};
            h = {(a + e) / (s * s), e / (s * s), e / (s * s), (4.0 * b + e) / (s * s)};
        };
        std::vector<double> phi = {s, s};  // u = (1, 1)
        double value = 0.0;
        ASSERT_TRUE(NewtonMinimum(phi, value, f, derivatives)) << s;
        for (int j = 0; j < 2; ++j)
            EXPECT_NEAR(phi[j], c.minimiser[j], 1e-12 * std::fabs(c.minimiser[j])) << s << " " << j;
        EXPECT_NEAR(value, kMinimum, 1e-14) << s;
    }
}
