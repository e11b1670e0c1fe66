// The prediction and its tolerance interval at every observation's own
// explanatory values: what GetToleranceInterval gives row by row (the same
// bits), with the quantiles worked out once for the whole fit.
#pragma once

#include <vector>

class Reg;

struct ToleranceRows {
    std::vector<double> fitted, lower, upper;
};

// Without a residual degree of freedom the bounds are NaN.
ToleranceRows GetObservationToleranceIntervals(const Reg& reg, double probability, double confidence);
