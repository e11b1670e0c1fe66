// The tables of a curve fit as the X-Y graph shows them: the data, the
// coefficients and the per-point diagnostics, each cell a mark and a text.
// The grid, the clipboard and the status texts read the same cells. Cells are
// formed when asked for, so a table of a million points costs nothing until
// its rows are shown.
#pragma once

#include <string>

class TSRA;

struct CurveCell {
    std::string mark;
    std::string text;
    std::string Shown() const { return mark + text; }
};

// The ranges the plot shows; a point outside them is numbered with a "_"
// in front (it was zoomed out of view).
struct CurvePlotRanges {
    double minX = 0, maxX = 0, minY = 0, maxY = 0;
    bool Contains(double x, double y) const { return x >= minX && x <= maxX && y >= minY && y <= maxY; }
};

// Number, x and y of each point.
class CurveDataTable {
public:
    CurveDataTable(const TSRA& fit, CurvePlotRanges ranges) : fit_(&fit), ranges_(ranges) {}
    int ColumnCount() const { return 3; }
    int RowCount() const;
    std::string Title(int column) const;
    CurveCell Cell(int column, int row) const;

private:
    const TSRA* fit_;
    CurvePlotRanges ranges_;
};

// Intercept first, then the slopes: estimate, standard error and t (marked
// for the slopes; "-" when the standard error is exactly 0).
class CurveEstimateTable {
public:
    explicit CurveEstimateTable(const TSRA& fit) : fit_(&fit) {}
    int ColumnCount() const { return 4; }
    int RowCount() const;
    std::string Title(int column) const;
    CurveCell Cell(int column, int row) const;
    // Coefficient index (the fitter's order) of a table row.
    int CoefIndex(int row) const;
    // The row's name: "定数項", the x label, or the power's name.
    std::string RowName(int row) const;

private:
    const TSRA* fit_;
};

// Fitted value, residual, leverage, SIG(RES), studentised residual, Welsch
// distance, COVRATIO and the change of each slope, marked where a point
// stands out.
class CurveAnalysisTable {
public:
    CurveAnalysisTable(const TSRA& fit, CurvePlotRanges ranges) : fit_(&fit), ranges_(ranges) {}
    int ColumnCount() const;
    int RowCount() const;
    std::string Title(int column) const;
    CurveCell Cell(int column, int row) const;

private:
    const TSRA* fit_;
    CurvePlotRanges ranges_;
};

// Name of slope j (0-based) of the fit: the x label, then "2乗項" ...
std::string CurveSlopeName(const TSRA& fit, int j);
// The number of a point, "_" in front when it lies outside the ranges.
std::string CurvePointNumber(const TSRA& fit, const CurvePlotRanges& ranges, int i);
// The heteroskedasticity statistic with its level: "value (level%)".
std::string CurveHeteroskedasticityText(const TSRA& fit);

// One correlation of the fitted data as the graph shows it: kind 0
// Pearson's r with its 95 % Fisher interval (only from four points on; with
// three the half-width would be infinite) and, from five points, the
// unbiased estimate "umv"; 1 Spearman's rho; 2 Kendall's tau.
struct CurveCorrelationText {
    std::string label;
    std::string value;
    std::string status;
};
CurveCorrelationText CurveCorrelation(const TSRA& fit, int kind);
