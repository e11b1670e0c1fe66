// The weighted fit, weights 1, of a nearly exact line whose residuals are
// real: s2 / var(y) about 4.1e-15, above a perfect fit's rounding (2^-52)
// yet below 2^-46. The t values come from s2 as formed, not from the floor
// var(y) x 2^-23 (t = 6476.34 for x), in any units of y, and are those of
// least squares. References from exact rational arithmetic (python
// fractions) on the doubles the test holds, the square root taken last
// with mpmath to 50 digits.
#include <gtest/gtest.h>

#include <vector>

#include "estimators/weighted_fit_tables.h"
#include "support/perfect_fit_sample.h"
#include "weighted_data.h"

namespace {


TEST(WeightedFitSmallResidual, TValuesComeFromTheResidualVarianceAsFormed) {
    const struct {
        double scale, tX, tConstant;
    } cases[] = {
        {1.0, 34846900.600688978, 17895716.831097052},
        {1e-9, 34846900.534561449, 17895716.79713709},
        {1e9, 34846900.541637268, 17895716.800770891},
    };
    // Each residual, about 3e-7 against values near 16, is good to about
    // 1e-8 of itself when formed in double, and so is t. 1e-6 allows for
    // that and still tells t from the floor's, 5000 times smaller.
    constexpr double kRel = 1e-6;
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "y x " << c.scale);
        EngineContext context;
        const auto table = MakeNamedTable(context, SmallResidualLine(c.scale), {"x", "y"});
        WLSE fit(*table, nullptr, 1);
        const std::vector<double> w(6, 1.0);
        fit.SetWeights(w.data());
        ASSERT_TRUE(fit.Estimate(0));
        // x, then the constant term: the estimates page's t column.
        const ResultTable estimates = WLSEstimateTable(fit);
        ExpectNear(estimates.Cell(3, 0).value, c.tX, kRel, 0, "t of x");
        ExpectNear(estimates.Cell(3, 1).value, c.tConstant, kRel, 0, "t of the constant term");
    }
}

}  // namespace
