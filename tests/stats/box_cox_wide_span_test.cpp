// The Box-Cox search for x's transform on data whose logarithms span
// +-21 to +-35 about their centre (x from 1e-9 to 1e9 and wider): the
// criterion it reports at its best lambda against one evaluated afresh,
// (n/2) ln(SSE / n) of the straight line of y on the transformed x, in
// 50-digit arithmetic (mpmath) from the doubles below. y = x^1.5 or x^-1.5
// times (1 + e), |e| <= 4 %, to six digits: the likelihood falls all the
// way to the end of the range, so the best point is lambda = 1 or -1,
// which the first grid reaches furthest from lambda = 0.
#include <gtest/gtest.h>

#include <vector>

#include "stats/box_cox_search.h"

namespace {

const std::vector<double> kX18Decades = {
    1.3e-9, 2.7e-8, 1.9e-7, 3.1e-6, 1.2e-5, 2.4e-4, 1.6e-3, 2.9e-2, 1.1e-1, 2.2e0, 1.7e1, 3.3e2, 1.4e3, 2.6e4,
    1.8e5, 3.0e6, 1.5e7, 2.3e8, 2.8e9};
const std::vector<double> kX26Decades = {
    1.3e-13, 2.7e-12, 1.9e-11, 3.1e-10, 1.2e-9, 2.4e-8, 1.6e-7, 2.9e-6, 1.1e-5, 2.2e-4, 1.7e-3, 3.3e-2, 1.4e-1,
    2.6e0, 1.8e1, 3.0e2, 1.5e3, 2.3e4, 2.8e5, 1.9e6, 2.1e7, 1.4e8, 2.5e9, 1.2e10, 2.9e11, 1.6e12, 3.2e13};
const std::vector<double> kX30Decades = {
    1.3e-15, 2.7e-14, 1.9e-13, 3.1e-12, 1.2e-11, 2.4e-10, 1.6e-9, 2.9e-8, 1.1e-7, 2.2e-6, 1.7e-5, 3.3e-4, 1.4e-3,
    2.6e-2, 1.8e-1, 3.0e0, 1.5e1, 2.3e2, 2.8e3, 1.9e4, 2.1e5, 1.4e6, 2.5e7, 1.2e8, 2.9e9, 1.6e10, 3.2e11, 1.1e12,
    2.4e13, 1.8e14, 2.6e15};
const std::vector<double> kYRising18 = {
    4.82783e-14, 4.34782e-12, 8.61318e-11, 5.29437e-09, 4.19849e-08, 3.56934e-06, 6.52800e-05, 4.88914e-03,
    3.75774e-02, 3.19786e+00, 7.28965e+01, 5.81491e+03, 5.34309e+04, 4.02468e+06, 7.71312e+07, 5.09223e+09,
    5.98376e+10, 3.45324e+12, 1.51125e+14};
const std::vector<double> kYFalling18 = {
    2.19747e+13, 2.20892e+11, 1.25575e+10, 1.77717e+08, 2.42968e+07, 2.58199e+05, 1.59375e+04, 2.00465e+02,
    2.82324e+01, 3.00325e-01, 1.48375e-02, 1.61808e-04, 1.94719e-05, 2.28987e-07, 1.32255e-08, 1.88601e-10,
    1.77297e-11, 2.83820e-13, 6.88435e-15};
const std::vector<double> kYRising26 = {
    4.82783e-20, 4.34782e-18, 8.61318e-17, 5.29437e-15, 4.19849e-14, 3.56934e-12, 6.52800e-11, 4.88914e-09,
    3.75774e-08, 3.19786e-06, 7.28965e-05, 5.81491e-03, 5.34309e-02, 4.02468e+00, 7.71312e+01, 5.09223e+03,
    5.98376e+04, 3.45324e+06, 1.51125e+08, 2.54040e+09, 9.71964e+10, 1.68963e+12, 1.22500e+14, 1.36712e+15,
    1.54608e+17, 2.08457e+18, 1.77399e+20};
const std::vector<double> kYRising30 = {
    4.82783e-23, 4.34782e-21, 8.61318e-20, 5.29437e-18, 4.19849e-17, 3.56934e-15, 6.52800e-14, 4.88914e-12,
    3.75774e-11, 3.19786e-09, 7.28965e-08, 5.81491e-06, 5.34309e-05, 4.02468e-03, 7.71312e-02, 5.09223e+00,
    5.98376e+01, 3.45324e+03, 1.51125e+05, 2.54040e+06, 9.71964e+07, 1.68963e+09, 1.22500e+11, 1.36712e+12,
    1.54608e+14, 2.08457e+15, 1.77399e+17, 1.16523e+18, 1.14048e+20, 2.46325e+21, 1.27272e+23};

struct WideSpanCase {
    const char* what;
    const std::vector<double>* x;
    const std::vector<double>* y;
    double lambda, criterion;
};

// The criterion is (n/2) ln s2: 1e-8 is s2 to about 1e-9 of itself. The
// search's own sums, formed in double, come within 1e-10 here; a value
// of the transform that lost its digits on the way moves it by 1e-6 and
// more.
constexpr double kCriterionTolerance = 1e-8;

TEST(BoxCoxWideSpan, CriterionAtTheBestLambdaIsTheFreshValue) {
    const WideSpanCase cases[] = {
        {"x over 18 decades, y rising", &kX18Decades, &kYRising18, 1.0, 538.12302551083975985},
        {"x over 18 decades, y falling", &kX18Decades, &kYFalling18, -1.0, 493.19113648265551032},
        {"x over 26 decades", &kX26Decades, &kYRising26, 1.0, 1126.1294795055912662},
        {"x over 30 decades", &kX30Decades, &kYRising30, 1.0, 1502.7713828847420785},
    };
    for (const WideSpanCase& c : cases) {
        SCOPED_TRACE(c.what);
        const BoxCoxSearchResult found =
            SearchBoxCoxLambda(c.x->data(), c.y->data(), static_cast<int>(c.x->size()), BoxCoxMode::kX);
        ASSERT_TRUE(found.usable);
        EXPECT_NEAR(found.lambda, c.lambda, 1e-12);
        EXPECT_NEAR(found.criterion, c.criterion, kCriterionTolerance);
    }
}

}  // namespace
