// A small line plot of one series against the observation numbers: dots
// joined by lines, the least-squares line, a grid and the lowest and highest
// values. It draws through PlotCanvas, so tests can record the drawing.
#pragma once

#include <QWidget>
#include <optional>
#include <vector>

#include "components/plot/core/axis_scale.h"
#include "components/plot/core/plot_canvas.h"

struct SeriesPlotStyle {
    CanvasColor line = canvas_color::kGreen;
    CanvasColor regression = canvas_color::kAqua;
    CanvasColor grid = canvas_color::kSilver;
    CanvasColor text = canvas_color::kBlack;
    CanvasColor background = canvas_color::kWhite;
};

// Ranges set by the user (the graph options) instead of the series' own.
struct SeriesPlotRanges {
    AxisScale x;
    AxisScale y;
};

// Draws y against x in area; non-finite points are left out (and break the
// line), and so are points outside fixed ranges when they are given. The
// scale of y is returned through yScale when given.
void DrawSeriesPlot(PlotCanvas& canvas, const CanvasRect& area, const std::vector<double>& x,
                    const std::vector<double>& y, const SeriesPlotStyle& style, AxisScale* yScale,
                    const SeriesPlotRanges* fixed = nullptr);

class TSeriesPlot : public QWidget {
    Q_OBJECT
public:
    explicit TSeriesPlot(QWidget* parent = nullptr);
    void SetSeries(std::vector<double> x, std::vector<double> y);
    // The scales shown: the fixed ones, or the series' own.
    AxisScale XScale() const;
    AxisScale YScale() const;
    // Fixed ranges, or none to follow the series again.
    void SetFixedRanges(std::optional<SeriesPlotRanges> ranges);
    bool HasFixedRanges() const { return fixed_.has_value(); }
    const std::vector<double>& X() const { return x_; }
    const std::vector<double>& Y() const { return y_; }
    void Draw(PlotCanvas& canvas) const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    std::vector<double> x_;
    std::vector<double> y_;
    SeriesPlotStyle style_;
    std::optional<SeriesPlotRanges> fixed_;
};
