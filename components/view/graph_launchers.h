// The entry points through which any window opens an X-Y graph: two series
// against each other, or one series against its observation numbers with
// extra lines over it. Each opens a new modal graph window on top of the
// caller, through the window registry.
#pragma once

#include <string>
#include <vector>

#include "core/numeric/xy_data.h"

class Data;
class FFList;
class WindowContext;

// Identical series ask whether to plot against time (Yes: against 1..n,
// named "時間"); a constant series asks whether to show the statistics of
// the other one. Errors are shown; nothing is raised.
void ShowXYGraph(const WindowContext& context, const std::string& xName, const double* x, const std::string& yName,
                 int n, const double* y);

// y against t with the extra series drawn over it; a constant y only shows
// a warning.
void ShowSeriesPlot(const WindowContext& context, const std::string& xAxisName, const double* t,
                    const std::string& yName, const std::vector<XYData>& extra, int n, const double* y);

// One equation of a final-form list plotted against its observed variable
// (mode 0), or its standardised residuals against the computed values
// (mode 1); nothing when the equation cannot be evaluated.
void ShowFinalFormPlot(const WindowContext& context, const Data& data, const FFList& list, int index, int mode);

// Draws every line of the current free-line list on the current plot.
void RedrawXYDataList();
