// What the univariate statistics window is opened with: one series by name
// (copied, so the caller's array may go away) and the observation to mark.
// The significance level of its marks and intervals is the program-wide
// one, which the window reads from the application state.
#pragma once

#include <string>
#include <vector>

struct FundamentalStatsRequest {
    std::string name;
    std::vector<double> values;  // observation order
    int observation = 0;         // 1-based place in values; 0 or less marks none
    // The observation number (1-based) of each value, where observations
    // were left out of the series; empty: 1 .. n.
    std::vector<int> numbers{};
};
