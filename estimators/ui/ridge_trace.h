// RidgeTrace: the ridge trace drawn on a plot canvas: the standardised
// ridge coefficient of each regressor against the ridge constant, over the
// 30 constants of a ridge table, with the grid, its labels and the axes.
// It keeps the geometry of the last paint, so a click can be read back as
// a (constant, value) point.
//
// A table with a value that is not a finite number, an empty range or a
// box too small to hold the margins is drawn as a blank box.
#pragma once

#include <optional>

#include "components/plot/core/plot_canvas.h"
#include "estimators/multicollinearity.h"

struct RidgeTracePoint {
    double k = 0.0;
    double value = 0.0;
};

class RidgeTrace {
public:
    // Paints the box width x height; textHeight is the font's line height.
    // selected: the regressor drawn red and thick (-1: none).
    void Paint(PlotCanvas& canvas, const MclRidgeTable& table, int width, int height, int textHeight,
               int selected);
    // The point under pixel (x, y) of the last paint, clamped into the
    // ranges; nullopt before a paint or after a blank one.
    std::optional<RidgeTracePoint> PointAt(int x, int y) const;

    int LeftMargin() const { return leftMargin_; }
    double XScale() const { return xScale_; }
    double YScale() const { return yScale_; }

private:
    bool drawn_ = false;
    int leftMargin_ = 0;
    double xScale_ = 0.0, yScale_ = 0.0;
    double xMax_ = 0.0, yMin_ = 0.0, yMax_ = 0.0;
};
