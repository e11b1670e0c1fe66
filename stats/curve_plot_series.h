// The derived series of a curve fit that an X-Y graph window plots or
// summarises: residual plots of several kinds and single columns of the
// data and the per-point diagnostics. Plain C++: every value is read from
// the fitter, nothing is fitted again.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "stats/curve_fit_tables.h"

class EngineContext;
class TNamedData;
class TSRA;

struct CurvePlotSeries {
    std::string xName, yName;
    std::vector<double> x, y;
    std::vector<double> leverage;  // of each point of a column series
    std::vector<int> numbers;      // the observation number of each point of a column series
};

// Residual plot kinds.
inline constexpr int kCurvePlotFittedResidual = 0;    // r against the fitted response
inline constexpr int kCurvePlotTimeResidual = 1;      // r against 1..n
inline constexpr int kCurvePlotRegressorResidual = 100;  // + j: r against regressor j
inline constexpr int kCurvePlotLeverageResidual = 200;   // h against e^2 / SSE
inline constexpr int kCurvePlotLag = 200;                // + k (1..4): e(i) against e(i+k)
inline constexpr int kCurvePlotFittedObserved = 205;     // observed against fitted, transformed scale
inline constexpr int kCurvePlotFittedObservedRaw = 206;  // the same in the scale of y

// The standardised residual e / sqrt((1 - h) s2) of point i.
double CurveStandardisedResidual(const TSRA& fit, int i);

// None when the plot would show nothing sound: standardised residuals of a
// fit with s2 = 0, the leverage plot of a fit with SSE = 0, a lag leaving
// fewer than 4 pairs, a regressor or kind that does not exist, or a fitter
// without a fit.
std::optional<CurvePlotSeries> CurveResidualPlot(const TSRA& fit, int kind);

// Column statistics series (in y, named yName): 1..7 the per-point
// diagnostics, 8 and above the DFBETA of slope column - 8, 100 r, 101 x,
// 102 y. With a region, points whose (x, y) lie outside it are left out.
// None for a column that does not exist or a fitter without a fit.
std::optional<CurvePlotSeries> CurveColumnSeries(const TSRA& fit, int column, const CurvePlotRanges* region);

// The fit's design as a table another estimator can take: one row per
// point, the regressors in the transformed scale of the curve (named as the
// coefficient table names the slopes) and the response, named by the y
// label, last. Null for a fitter without a fit.
std::unique_ptr<TNamedData> CurveDesignTable(const TSRA& fit, EngineContext& context);
