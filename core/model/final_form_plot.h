// The X-Y plot of one dynamic-model equation against its observed variable:
// the computed series on the x axis, the observed series (or the
// standardised residuals, observed less computed) on the y axis. The window
// draws the series this returns.
#pragma once

#include <optional>
#include <string>
#include <vector>

class Data;
class FFList;

struct FinalFormPlot {
    std::vector<double> x;  // computed values
    std::vector<double> y;  // observed values or standardised residuals
    std::string xTitle;     // variable name + "予測値"
    std::string yTitle;     // variable name + "観測値" or "標準化残差"
};

// Nothing when the list is empty, index is outside it, the left-hand
// variable is not in the data set or the equation names an unknown
// variable. Residuals of no spread raise EZeroDivide.
std::optional<FinalFormPlot> BuildFinalFormPlot(const Data& data, const FFList& list, int index, bool residuals);
