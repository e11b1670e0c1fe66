// What the univariate statistics window is opened with: one series by name
// (copied, so the caller's array may go away), the observation to mark and
// the significance level of its marks and intervals.
#pragma once

#include <string>
#include <vector>

struct FundamentalStatsRequest {
    std::string name;
    std::vector<double> values;  // observation order
    int observation = 0;         // 1-based; 0 or less marks none
    double alpha = 0.05;         // the program-wide significance level
};
