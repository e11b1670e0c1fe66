// Box-plot numbers and observation lists against values worked out by hand
// and in 40-digit arithmetic.
#include <gtest/gtest.h>

#include <vector>

#include "stats/univariate_box_plot.h"

namespace {

const std::vector<double> kSeriesA = {13.76, 13.45, 16.34, 18.86, 12.11, 13.95, 17.83, 10.45, 14.43, 13.91,
                                      12.21, 13.8,  14.5,  18.02, 16.47, 13.76, 15.68, 17.65, 14.32, 14.89,
                                      15.21, 13.76, 13.05, 13.53, 12.1,  14.74, 13.94, 16.89, 15.59, 13.04};

UnivariateStatistics Load(const std::vector<double>& x) {
    return ComputeUnivariateStatistics(x.data(), static_cast<int>(x.size()));
}

}  // namespace

TEST(UnivariateBoxPlot, FiveNumbersFencesAndOutliers) {
    const UnivariateStatistics s = Load(kSeriesA);
    const BoxPlotNumbers& b = s.boxPlot;
    EXPECT_EQ(b.minimum, 10.45);
    EXPECT_NEAR(b.lowerHinge, 13.5875, 1e-13);
    EXPECT_NEAR(b.median, 14.135, 1e-13);
    EXPECT_NEAR(b.upperHinge, 15.6575, 1e-13);
    EXPECT_EQ(b.maximum, 18.86);
    EXPECT_NEAR(b.range, 8.41, 1e-13);
    EXPECT_NEAR(b.interquartile, 2.07, 1e-13);
    EXPECT_NEAR(b.lowerFence, 10.4825, 1e-13);
    EXPECT_NEAR(b.upperFence, 18.7625, 1e-13);
    EXPECT_TRUE(b.lowerFenceShown);
    EXPECT_TRUE(b.upperFenceShown);
    EXPECT_NEAR(b.meanAbsDeviation, 1.4866666666666667, 1e-14);
    ASSERT_EQ(b.outliers.size(), 2u);
    EXPECT_EQ(b.outliers[0].observation, 3);
    EXPECT_EQ(b.outliers[0].number, 0);
    EXPECT_EQ(b.outliers[1].observation, 7);
    EXPECT_EQ(b.outliers[1].number, 1);
    EXPECT_EQ(OutlierLine(b.outliers[1]), "0008 :         10.450000 --- 1");
}

TEST(UnivariateBoxPlot, NoOutliersHidesBothFences) {
    const BoxPlotNumbers b = ComputeBoxPlot(Load({1, 2, 3, 4, 5, 6, 7}));
    EXPECT_FALSE(b.lowerFenceShown);
    EXPECT_FALSE(b.upperFenceShown);
    EXPECT_TRUE(b.outliers.empty());
}

TEST(UnivariateBoxPlot, ValueOnAFenceIsNoOutlier) {
    // Hinges 2 and 4 (n = 9 positions 2 and 6), IQR 2, upper fence 7.
    const BoxPlotNumbers b = ComputeBoxPlot(Load({1, 2, 2, 3, 3, 3, 4, 4, 7}));
    EXPECT_EQ(b.upperFence, 7.0);
    EXPECT_FALSE(b.upperFenceShown);
    EXPECT_TRUE(b.outliers.empty());
}

TEST(UnivariateBoxPlot, OutlierLinesNumberInHexadecimalAndWiden) {
    EXPECT_EQ(OutlierLine({10, -2.5, 10}), "0011 :         -2.500000 --- A");
    EXPECT_EQ(OutlierLine({12344, 1e6, 255}), "12345 :    1000000.000000 --- FF");
    // Under the observation number given (a series with observations left out).
    EXPECT_EQ(OutlierLine({10, -2.5, 10}, 13), "0013 :         -2.500000 --- A");
}

TEST(UnivariateBoxPlot, QuarterAndClassLists) {
    const UnivariateStatistics s = Load(kSeriesA);
    EXPECT_EQ(ObservationsInQuarter(s, 0), (std::vector<int>{1, 4, 7, 10, 22, 23, 24, 29}));
    EXPECT_EQ(ObservationsInQuarter(s, 1), (std::vector<int>{0, 5, 9, 11, 15, 21, 26}));
    EXPECT_TRUE(ObservationsInQuarter(s, 4).empty());
    EXPECT_TRUE(ObservationsInQuarter(s, -1).empty());
    // The class (13.76, 14.5] leaves out the three values of 13.76.
    EXPECT_EQ(ObservationsInClass(s, 13.76, 14.5), (std::vector<int>{5, 8, 9, 11, 12, 18, 26}));
    EXPECT_EQ(QuarterListName(0), "第0四分位");
    EXPECT_EQ(ClassListName(0), "第1ランク");
}

TEST(UnivariateBoxPlot, ValueOnAQuartileIsInBothQuarters) {
    // n = 5: hinges 2 and 4 and median 3 are values of the series.
    const UnivariateStatistics s = Load({5, 1, 4, 2, 3});
    EXPECT_EQ(ObservationsInQuarter(s, 0), (std::vector<int>{1, 3}));
    EXPECT_EQ(ObservationsInQuarter(s, 1), (std::vector<int>{3, 4}));
    EXPECT_EQ(ObservationsInQuarter(s, 2), (std::vector<int>{2, 4}));
    EXPECT_EQ(ObservationsInQuarter(s, 3), (std::vector<int>{0, 2}));
}
