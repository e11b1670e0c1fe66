// A small line plot of one series against the observation numbers: dots
// joined by lines, the least-squares line, a grid and the lowest and highest
// values. It draws through PlotCanvas, so tests can record the drawing.
#pragma once

#include <QPointF>
#include <QRectF>
#include <QString>
#include <QWidget>
#include <vector>

#include "platform/qt/grid_canvas.h"

class PlotCanvas {
public:
    virtual ~PlotCanvas() = default;
    virtual void SetPen(CanvasColor color) = 0;
    virtual void FillRect(const QRectF& rect, CanvasColor color) = 0;
    virtual void Line(const QPointF& from, const QPointF& to) = 0;
    virtual void Dot(const QPointF& at) = 0;
    // Text in the pen colour with its baseline starting at the point.
    virtual void Text(const QPointF& at, const QString& text) = 0;
};

// One axis: lowest value, highest value and grid interval.
struct AxisScale {
    double low = 0.0;
    double high = 1.0;
    double interval = 0.2;
};

// A scale of round grid steps (1, 2 or 5 times a power of ten) covering
// low..high with about five steps. Non-finite or equal ends are widened.
AxisScale RoundAxisScale(double low, double high);

struct SeriesPlotStyle {
    CanvasColor line = canvas_color::kGreen;
    CanvasColor regression = canvas_color::kAqua;
    CanvasColor grid = 0xC0C0C0;
    CanvasColor text = canvas_color::kBlack;
    CanvasColor background = canvas_color::kWhite;
};

// Draws y against x in area; non-finite points are left out (and break the
// line). The scale of y is returned through yScale when given.
void DrawSeriesPlot(PlotCanvas& canvas, const QRectF& area, const std::vector<double>& x,
                    const std::vector<double>& y, const SeriesPlotStyle& style, AxisScale* yScale);

class TSeriesPlot : public QWidget {
    Q_OBJECT
public:
    explicit TSeriesPlot(QWidget* parent = nullptr);
    void SetSeries(std::vector<double> x, std::vector<double> y);
    // The vertical scale of the series shown.
    AxisScale YScale() const;
    const std::vector<double>& X() const { return x_; }
    const std::vector<double>& Y() const { return y_; }
    void Draw(PlotCanvas& canvas) const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    std::vector<double> x_;
    std::vector<double> y_;
    SeriesPlotStyle style_;
};
