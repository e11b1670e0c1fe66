// The numbers of the box plot: five-number summary, fences, outliers and
// the mean absolute deviation about the median.
#pragma once

#include <vector>

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
