#include "stats/univariate_box_plot.h"

#include <cstdio>

#include "core/numeric/numeric_helpers.h"

BoxPlotNumbers ComputeBoxPlot(const UnivariateStatistics& s) {
    BoxPlotNumbers b;
    b.minimum = s.minimum;
    b.lowerHinge = s.lowerQuartile;
    b.median = s.Median();
    b.upperHinge = s.upperQuartile;
    b.maximum = s.maximum;
    b.range = s.maximum - s.minimum;
    b.interquartile = s.upperQuartile - s.lowerQuartile;
    b.lowerFence = s.lowerQuartile - 1.5 * b.interquartile;
    b.upperFence = s.upperQuartile + 1.5 * b.interquartile;
    b.lowerFenceShown = s.minimum < b.lowerFence;
    b.upperFenceShown = b.upperFence < s.maximum;
    b.meanAbsDeviation = MeanAbsDeviation(b.median, s.n, s.values.data());
    for (int i = 0; i < s.n; ++i) {
        const double x = s.values[i];
        if (x < b.lowerFence || x > b.upperFence)
            b.outliers.push_back({i, x, static_cast<int>(b.outliers.size())});
    }
    return b;
}

std::string OutlierLine(const BoxPlotOutlier& o) { return OutlierLine(o, o.observation + 1); }

std::string OutlierLine(const BoxPlotOutlier& o, int observationNumber) {
    char line[96];
    std::snprintf(line, sizeof line, "%04d : %17.6f --- %X", observationNumber, o.value,
                  static_cast<unsigned>(o.number));
    return line;
}

std::vector<int> ObservationsInQuarter(const UnivariateStatistics& s, int quarter) {
    std::vector<int> out;
    if (quarter < 0 || quarter > 3) return out;
    const double bounds[5] = {s.minimum, s.lowerQuartile, s.Median(), s.upperQuartile, s.maximum};
    const double lo = bounds[quarter], hi = bounds[quarter + 1];
    for (int i = 0; i < s.n; ++i)
        if (lo <= s.values[i] && s.values[i] <= hi) out.push_back(i);
    return out;
}

std::vector<int> ObservationsInClass(const UnivariateStatistics& s, double low, double high) {
    std::vector<int> out;
    for (int i = 0; i < s.n; ++i)
        if (low < s.values[i] && s.values[i] <= high) out.push_back(i);
    return out;
}

std::string QuarterListName(int quarter) { return "第" + std::to_string(quarter) + "四分位"; }
std::string ClassListName(int classIndex) { return "第" + std::to_string(classIndex + 1) + "ランク"; }
