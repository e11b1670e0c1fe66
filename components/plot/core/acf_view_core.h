// ACFViewCore: the correlogram without its widget: one bar per lag for
// autocorrelations or partial autocorrelations on a 0.1 grid, with lag marks
// and two pairs of horizontal significance bands.
#pragma once

#include <vector>

#include "components/plot/core/plot_canvas.h"
#include "components/plot/core/plot_surface.h"

class ACFViewCore : public PlotSurface {
public:
    ACFViewCore() = default;
    ACFViewCore(const ACFViewCore&) = delete;
    ACFViewCore& operator=(const ACFViewCore&) = delete;

    CanvasColor PieceColor = canvas_color::kAqua;      // bar fill
    CanvasColor PieceRectColor = canvas_color::kBlue;  // bar outline and zero line
    CanvasColor BandColor1 = canvas_color::kRed;
    CanvasColor BandColor2 = canvas_color::kRed;
    // Band half-widths; one below 2.220446e-16 becomes 1.96 / sqrt(n) at
    // DataSet.
    double Band1 = 0, Band2 = 0;
    double FixedUpper = 0;     // used as the axis's upper bound when positive
    bool RoundUpper = false;   // round the upper bound up to the data

    // Results of DataSet and of the last paint.
    int MaxLag = 0, SampleSize = 0, FirstLag = 0;
    double VScale = 0, SlotWidth = 0;
    double MinValue = 0, MaxValue = 0;
    double AxisLow = 0, AxisHigh = 1;

    // Copies values 0..maxLag, sets the axis and repaints. False, holding
    // nothing, without values or with a negative maxLag.
    bool DataSet(const double* values, int maxLag, int n, int firstLag);
    void Setup() { Changed(); }
    double Value(int k) const { return values_[k]; }
    bool HasValues() const { return !values_.empty(); }

    // The bar under the pixel (edges included), -1 for none.
    int GetIndex(int px, int py) const;
    // Slots across the width: the lags, at least 10, 20 or 30.
    int Slots() const;

    void Paint(PlotCanvas& canvas);

private:
    double Scale() const;
    CanvasRect BarRect(int k) const;

    std::vector<double> values_;
};
