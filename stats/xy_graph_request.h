// What the X-Y graph window is opened with: two series with their names, the
// curve to fit first and the extra series drawn over the points. Plain C++,
// so that any window can fill one.
#pragma once

#include <string>
#include <vector>

#include "core/numeric/xy_data.h"

struct XYGraphRequest {
    std::string xName;
    std::string yName;
    // The caller's arrays; they must outlive the window.
    const double* x = nullptr;
    const double* y = nullptr;
    int n = 0;
    // Curve kind 0..12 to fit first.
    int curveType = 0;
    // A band window: curve, levels and the band button stay disabled.
    bool fixed = false;
    // Drawn over the points in their own colours and pen styles (copied).
    std::vector<XYData> extraSeries;
    // Levels the prediction fields show, in percent; negative: the defaults.
    double confidencePercent = -1;
    double coveragePercent = -1;
    // The observation number of each point (1-based), when pairs without a
    // value were left out; empty: 1 .. n.
    std::vector<int> numbers{};
};
