// The numbers of the box plot page and the observation lists of one
// quarter of the data or one class of the frequency table.
#pragma once

#include <string>
#include <vector>

#include "stats/univariate_box_numbers.h"
#include "stats/univariate_statistics.h"

// Computed at load into UnivariateStatistics::boxPlot.
BoxPlotNumbers ComputeBoxPlot(const UnivariateStatistics& s);

// "0012 :         3.250000 --- A": the observation number (four digits at
// least), the value and the outlier number in hexadecimal. The number is
// the outlier's place + 1, or the one given (a series with observations
// left out numbers its values by their observations).
std::string OutlierLine(const BoxPlotOutlier& o);
std::string OutlierLine(const BoxPlotOutlier& o, int observationNumber);

// Observations (0-based, observation order) of quarter 0..3, the bounds
// [minimum, lower hinge], [lower hinge, median], [median, upper hinge],
// [upper hinge, maximum] both included; empty for another index.
std::vector<int> ObservationsInQuarter(const UnivariateStatistics& s, int quarter);
// Observations with low < value <= high, the rule of a frequency class.
std::vector<int> ObservationsInClass(const UnivariateStatistics& s, double low, double high);
// "第k四分位" (k = 0..3) and "第kランク" (k = class + 1): the list titles.
std::string QuarterListName(int quarter);
std::string ClassListName(int classIndex);
