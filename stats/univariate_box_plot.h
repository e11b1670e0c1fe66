// The numbers of the box plot page and the observation lists of one
// quarter of the data or one class of the frequency table.
#pragma once

#include <string>
#include <vector>

#include "stats/univariate_statistics.h"

struct BoxPlotOutlier {
    int observation = 0;  // 0-based, observation order
    double value = 0;
    int number = 0;  // 0, 1, 2, ... in observation order
};

struct BoxPlotNumbers {
    double minimum = 0, lowerHinge = 0, median = 0, upperHinge = 0, maximum = 0;
    double range = 0, interquartile = 0;  // the IQR, not halved
    double lowerFence = 0, upperFence = 0;  // hinges -+ 1.5 IQR
    bool lowerFenceShown = false, upperFenceShown = false;  // some value lies beyond
    double meanAbsDeviation = 0;  // about the median
    std::vector<BoxPlotOutlier> outliers;
};
BoxPlotNumbers ComputeBoxPlot(const UnivariateStatistics& s);

// "0012 :         3.250000 --- A": the observation number (four digits at
// least), the value and the outlier number in hexadecimal.
std::string OutlierLine(const BoxPlotOutlier& o);

// Observations (0-based, observation order) of quarter 0..3, the bounds
// [minimum, lower hinge], [lower hinge, median], [median, upper hinge],
// [upper hinge, maximum] both included; empty for another index.
std::vector<int> ObservationsInQuarter(const UnivariateStatistics& s, int quarter);
// Observations with low < value <= high, the rule of a frequency class.
std::vector<int> ObservationsInClass(const UnivariateStatistics& s, double low, double high);
// "第k四分位" (k = 0..3) and "第kランク" (k = class + 1): the list titles.
std::string QuarterListName(int quarter);
std::string ClassListName(int classIndex);
