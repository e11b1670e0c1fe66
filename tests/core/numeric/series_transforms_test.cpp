// Series transforms against values worked out separately (exact fractions
// where the formula allows, double arithmetic for roots and logarithms).
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

#include "core/numeric/series_transforms.h"

namespace {

const std::vector<double> kX = {3.2, 4.1, 2.7, 5.6, 6.3, 4.8, 7.1};

struct Case {
    SeriesTransform kind;
    double parameter;
    std::vector<double> expected;
};

const std::vector<Case> kCases = {
    {SeriesTransform::BoxCox, 0.5,
     {1.5777087639996634, 2.0496913462633168, 1.2863353450309969, 2.7328638264796927, 3.0199601592044534,
      2.3817804600413286, 3.3291650377896911}},
    // lambda 0 is the natural logarithm
    {SeriesTransform::BoxCox, 0.0,
     {1.1631508098056809, 1.410986973710262, 0.99325177301028345, 1.7227665977411035, 1.8405496333974869,
      1.5686159179138452, 1.9600947840472698}},
    {SeriesTransform::BoxCox, -1.0,
     {0.6875, 0.75609756097560976, 0.62962962962962965, 0.8214285714285714, 0.84126984126984128,
      0.79166666666666663, 0.85915492957746475}},
    {SeriesTransform::Smoothing, 0.3,
     {3.2, 3.47, 3.239, 3.9473, 4.65311, 4.697177, 5.4180239}},
    // alpha 1 reproduces the series, alpha 0 repeats the first value
    {SeriesTransform::Smoothing, 1.0, {3.2, 4.1, 2.7, 5.6, 6.3, 4.8, 7.1}},
    {SeriesTransform::Smoothing, 0.0, {3.2, 3.2, 3.2, 3.2, 3.2, 3.2, 3.2}},
    {SeriesTransform::GeneralisedDifference, 0.6,
     {3.5257142857142858, 4.8817142857142848, 2.6681142857142861, 6.8962742857142842, 5.0593782857142857,
      4.6615158857142855, 7.2002333257142856}},
    {SeriesTransform::GeneralisedDifference, -0.4,
     {3.3359610593572406, 3.5029558523143245, 2.1697537694971585, 4.5364729363702914, 6.1831606031195445,
      5.3418356698192468, 7.3053056964991274}},
    // rho above 1 is taken as 1
    {SeriesTransform::GeneralisedDifference, 1.5,
     {4.8285714285714283, 4.1, 3.4285714285714288, 7.0, 4.128571428571429, 5.5, 6.4285714285714288}},
    {SeriesTransform::MovingAverage, 1.0, {3.2, 4.1, 2.7, 5.6, 6.3, 4.8, 7.1}},
    {SeriesTransform::MovingAverage, 2.0, {3.425, 3.525, 3.775, 5.05, 5.75, 5.75, 6.525}},
    {SeriesTransform::MovingAverage, 3.0,
     {3.5, 3.3333333333333335, 4.1333333333333329, 4.8666666666666663, 5.5666666666666664, 6.0666666666666664,
      6.333333333333333}},
    {SeriesTransform::MovingAverage, 4.9, {3.3625, 3.6, 4.2875, 4.7625, 5.4, 6.1375, 6.425}},
    // a span beyond the series is taken as the series length
    {SeriesTransform::MovingAverage, 10.0,
     {3.6, 4.0428571428571427, 4.2714285714285714, 4.8285714285714283, 5.3857142857142852, 5.8142857142857141,
      6.4428571428571422}},
};

TEST(SeriesTransforms, MatchIndependentValues) {
    for (const Case& c : kCases) {
        std::vector<double> y(kX.size(), -99.0);
        ASSERT_TRUE(ApplySeriesTransform(c.kind, kX.data(), y.data(), static_cast<int>(kX.size()), c.parameter));
        for (std::size_t i = 0; i < y.size(); ++i)
            EXPECT_NEAR(y[i], c.expected[i], 1e-13 * std::fabs(c.expected[i]))
                << "kind " << static_cast<int>(c.kind) << " parameter " << c.parameter << " at " << i;
    }
}

TEST(SeriesTransforms, RefusedParametersLeaveOutputAlone) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const struct {
        SeriesTransform kind;
        double parameter;
    } refused[] = {{SeriesTransform::Smoothing, -0.01}, {SeriesTransform::Smoothing, 1.01},
                   {SeriesTransform::Smoothing, nan},   {SeriesTransform::MovingAverage, 0.99},
                   {SeriesTransform::MovingAverage, nan}};
    for (const auto& r : refused) {
        std::vector<double> y(kX.size(), -99.0);
        EXPECT_FALSE(ApplySeriesTransform(r.kind, kX.data(), y.data(), static_cast<int>(kX.size()), r.parameter));
        for (double v : y) EXPECT_EQ(v, -99.0);
    }
}

TEST(SeriesTransforms, DifferenceReportsClampedRho) {
    std::vector<double> y(kX.size());
    EXPECT_EQ(GeneralisedDifference(kX.data(), y.data(), 7, 1.5), 1.0);
    EXPECT_EQ(GeneralisedDifference(kX.data(), y.data(), 7, -3.0), -1.0);
    EXPECT_EQ(GeneralisedDifference(kX.data(), y.data(), 7, 0.25), 0.25);
}

TEST(SeriesTransforms, BoxCoxOfNonPositiveValuesIsCaughtByFiniteCheck) {
    const std::vector<double> x = {1.0, -2.0, 3.0};
    std::vector<double> y(3);
    BoxCoxSeries(x.data(), y.data(), 3, 0.5);
    EXPECT_FALSE(AllFinite(y.data(), 3));
    BoxCoxSeries(kX.data(), y.data(), 3, 0.5);
    EXPECT_TRUE(AllFinite(y.data(), 3));
}

TEST(SeriesTransforms, EmptySeriesWritesNothing) {
    double y = -5.0;
    EXPECT_TRUE(MovingAverage(kX.data(), &y, 0, 3.0));
    EXPECT_TRUE(ExponentialSmoothing(kX.data(), &y, 0, 0.5));
    GeneralisedDifference(kX.data(), &y, 0, 0.5);
    EXPECT_EQ(y, -5.0);
}

TEST(SeriesTransforms, Ranges) {
    double lo = 0, hi = 0;
    SeriesTransformRange(SeriesTransform::MovingAverage, 12, &lo, &hi);
    EXPECT_EQ(lo, 1.0);
    EXPECT_EQ(hi, 12.0);
    SeriesTransformRange(SeriesTransform::BoxCox, 12, &lo, &hi);
    EXPECT_EQ(lo, -1.0);
    EXPECT_EQ(hi, 1.0);
    SeriesTransformRange(SeriesTransform::Smoothing, 12, &lo, &hi);
    EXPECT_EQ(lo, 0.0);
    EXPECT_EQ(hi, 1.0);
}

}  // namespace
