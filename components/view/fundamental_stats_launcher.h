// ShowFundamentalStats: the one way every window opens the univariate
// statistics window ("TfrmFund") on a series. The window is shown only when
// it could load the series; with k > 0 the value at place k (1-based) is
// marked. numbers, when given, holds the observation number of each value
// (1-based; a series with observations left out), which the window shows
// in place of 1 .. n.
#pragma once

#include <string>
#include <vector>

#include "components/view/window_context.h"
#include "core/model/column_figures.h"

// True when the window was shown. Nothing opens for a missing or empty
// series, when the window is not registered, or when it refused the series
// (fewer than four values, a constant series with its warning).
bool ShowFundamentalStats(const WindowContext& context, const std::string& name, const double* data, int n, int k,
                          const std::vector<int>& numbers = {});

// The series to show for a result column of a fit, with the leverage of
// each observation's PRESS residual (may be null): the observations without
// a figure are left out, and the user is told once which and why; the
// others keep their observation numbers (numbers, when given: those of the
// n values, else 1 .. n). A column with no figure at all is handed on whole,
// for the window to refuse.
ColumnFigures FiguresToShow(UiServices& ui, const double* data, const double* leverage, int n, int k,
                            const int* numbers = nullptr);

// ShowFundamentalStats on FiguresToShow.
bool ShowColumnFundamentalStats(const WindowContext& context, const std::string& name, const double* data,
                                const double* leverage, int n, int k, const int* numbers = nullptr);
