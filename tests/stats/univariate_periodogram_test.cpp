// The periodogram against an unscaled raw periodogram of the data at the
// Fourier periods n / j (worked out separately in 40-digit arithmetic):
// p(n / j) = 4 I(j) / (n s^2), s^2 with divisor n; other periods against
// the defining sums evaluated the same way.
#include <gtest/gtest.h>

#include <vector>

#include "core/numeric/thread_pool.h"
#include "platform/errors.h"
#include "stats/univariate_periodogram.h"

namespace {

const std::vector<double> kSeriesA = {13.76, 13.45, 16.34, 18.86, 12.11, 13.95, 17.83, 10.45, 14.43, 13.91,
                                      12.21, 13.8,  14.5,  18.02, 16.47, 13.76, 15.68, 17.65, 14.32, 14.89,
                                      15.21, 13.76, 13.05, 13.53, 12.1,  14.74, 13.94, 16.89, 15.59, 13.04};
// Variance of the series with divisor n.
constexpr double kVarianceN = 3.6954959999999994;

struct RawValue {
    int period;
    double raw;  // |sum x_t exp(-2 pi i j t / n)|^2 / n with j = n / period
};
const RawValue kRaw[] = {{30, 0.57865542396812804}, {15, 9.0335830184948274}, {10, 2.0080830179205856},
                         {6, 2.3242433333333346},   {5, 5.0367301458056684},  {3, 2.6461299999999985},
                         {2, 0.33285333333333299}};

}  // namespace

TEST(UnivariatePeriodogram, FourierPeriodsMatchTheRawPeriodogram) {
    const PeriodogramValues p = ComputePeriodogram(kSeriesA.data(), 30, 1, 30);
    ASSERT_EQ(p.value.size(), 30u);
    EXPECT_EQ(p.firstPeriod, 1);
    EXPECT_EQ(p.LastPeriod(), 30);
    for (const RawValue& r : kRaw) {
        // Period P at position P - 1.
        EXPECT_NEAR(p.value[r.period - 1], 4.0 * r.raw / (30 * kVarianceN), 1e-14) << r.period;
        EXPECT_EQ(p.ValueOf(r.period), p.value[r.period - 1]);
    }
    // Period 1 sees only the mean of the standardised series.
    EXPECT_NEAR(p.ValueOf(1), 0.0, 1e-25);
}

TEST(UnivariatePeriodogram, OtherPeriodsFromTheDefinition) {
    const PeriodogramValues p = ComputePeriodogram(kSeriesA.data(), 30, 4, 7);
    ASSERT_EQ(p.value.size(), 4u);
    EXPECT_NEAR(p.ValueOf(4), 0.038521809010511996, 1e-15);
    EXPECT_NEAR(p.ValueOf(7), 0.058194317507309033, 1e-15);
    // A period longer than the series.
    EXPECT_NEAR(ComputePeriodogram(kSeriesA.data(), 30, 2000, 2000).ValueOf(2000), 4.0969173821404214e-6, 1e-18);
    EXPECT_THROW(p.ValueOf(8), std::out_of_range);
}

TEST(UnivariatePeriodogram, ReferenceLevelDoesNotDependOnTheUnit) {
    std::vector<double> scaled(kSeriesA);
    for (double& v : scaled) v *= 1000.0;
    const PeriodogramValues a = ComputePeriodogram(kSeriesA.data(), 30, 1, 10);
    const PeriodogramValues b = ComputePeriodogram(scaled.data(), 30, 1, 10);
    EXPECT_DOUBLE_EQ(a.referenceLevel, 4.0 / 30);
    EXPECT_DOUBLE_EQ(b.referenceLevel, 4.0 / 30);
    for (int i = 1; i < 10; ++i) EXPECT_NEAR(a.value[i], b.value[i], 1e-15);
    // Bands at 3.0 and 4.6 times 4/30: 0.4 and 0.6133.
    EXPECT_EQ(PeriodogramMark(0.62, 4.0 / 30), "**");
    EXPECT_EQ(PeriodogramMark(0.41, 4.0 / 30), "* ");
    EXPECT_EQ(PeriodogramMark(0.40, 4.0 / 30), "");
}

TEST(UnivariatePeriodogram, PoolGivesTheSameValues) {
    std::vector<double> x(5000);
    for (int t = 0; t < 5000; ++t) x[t] = (t * 37 % 101) + 0.01 * t;
    ThreadPool pool(3);
    const PeriodogramValues serial = ComputePeriodogram(x.data(), 5000, 1, 300);
    const PeriodogramValues shared = ComputePeriodogram(x.data(), 5000, 1, 300, &pool);
    EXPECT_EQ(serial.value, shared.value);
}

TEST(UnivariatePeriodogram, PageAndReportRanges) {
    struct Case {
        PeriodRange r;
        int first, last;
    };
    const Case cases[] = {
        {ShownPeriodRange(1, 31), 1, 30},      {ShownPeriodRange(5, 5000), 5, 2000},
        {ShownPeriodRange(1, 2001), 1, 2000},  {ReportPeriodRange(31), 1, 30},
        {ReportPeriodRange(5000), 1, 999},     {ReportPeriodRange(1), 1, 1},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.r.first, c.first);
        EXPECT_EQ(c.r.last, c.last);
    }
}

TEST(UnivariatePeriodogram, RefusesBadRangesAndFlatSeries) {
    EXPECT_THROW(ComputePeriodogram(kSeriesA.data(), 30, 0, 5), ERangeError);
    EXPECT_THROW(ComputePeriodogram(kSeriesA.data(), 30, 6, 5), ERangeError);
    const double flat[] = {2, 2, 2, 2};
    EXPECT_THROW(ComputePeriodogram(flat, 4, 1, 3), EZeroDivide);
    EXPECT_THROW(ComputePeriodogram(flat, 1, 1, 3), EZeroDivide);
}
