// The series plot; see series_plot.h.
#include "components/plot/series_plot.h"

#include <QPainter>
#include <algorithm>
#include <cmath>

#include "components/plot/core/pixel.h"
#include "components/plot/qpainter_canvas.h"
#include "core/text/number_format.h"

namespace {

constexpr int kMaxGridLines = 50;
constexpr int kMargin = 6;
constexpr int kLabelHeight = 16;
constexpr int kDotRadius = 2;

bool Finite(double x, double y) { return std::isfinite(x) && std::isfinite(y); }

}  // namespace

void DrawSeriesPlot(PlotCanvas& canvas, const CanvasRect& area, const std::vector<double>& x,
                    const std::vector<double>& y, const SeriesPlotStyle& style, AxisScale* yScale,
                    const SeriesPlotRanges* fixed) {
    const std::size_t n = std::min(x.size(), y.size());
    double xLow = INFINITY, xHigh = -INFINITY, yLow = INFINITY, yHigh = -INFINITY;
    long double sx = 0, sy = 0, sxx = 0, sxy = 0;
    std::size_t count = 0;
    for (std::size_t i = 0; i < n; ++i) {
        if (!Finite(x[i], y[i])) continue;
        xLow = std::min(xLow, x[i]);
        xHigh = std::max(xHigh, x[i]);
        yLow = std::min(yLow, y[i]);
        yHigh = std::max(yHigh, y[i]);
        sx += x[i];
        sy += y[i];
        sxx += static_cast<long double>(x[i]) * x[i];
        sxy += static_cast<long double>(x[i]) * y[i];
        ++count;
    }
    AxisScale ys = count ? RoundAxisScale(yLow, yHigh) : RoundAxisScale(0.0, 1.0);
    if (!count) xLow = 0.0, xHigh = 1.0;
    if (xHigh <= xLow) xHigh = xLow + 1.0;
    // Fixed ranges that hold nothing to draw are not taken.
    const bool useFixed = fixed && fixed->x.high > fixed->x.low && fixed->y.high > fixed->y.low &&
                          fixed->y.interval > 0 && std::isfinite(fixed->x.high - fixed->x.low) &&
                          std::isfinite(fixed->y.high - fixed->y.low);
    if (useFixed) {
        xLow = fixed->x.low;
        xHigh = fixed->x.high;
        ys = fixed->y;
    }
    auto inside = [&](double a, double b) {
        return Finite(a, b) && (!useFixed || (a >= xLow && a <= xHigh && b >= ys.low && b <= ys.high));
    };
    if (yScale) *yScale = ys;

    canvas.SetBrushColor(style.background);
    canvas.FillRect(area);
    const int left = area.left + kMargin, right = area.right - kMargin;
    const int top = area.top + kMargin + kLabelHeight, bottom = area.bottom - kMargin;
    const double width = right - left, height = bottom - top;
    auto px = [&](double v) { return RoundPixel(left + (v - xLow) / (xHigh - xLow) * width); };
    auto py = [&](double v) { return RoundPixel(bottom - (v - ys.low) / (ys.high - ys.low) * height); };

    canvas.SetPen({style.grid, 1, PenStyle::Solid});
    const int lines = std::min(kMaxGridLines, static_cast<int>(std::lround((ys.high - ys.low) / ys.interval)));
    for (int k = 0; k <= lines; ++k) {
        const int v = py(ys.low + k * ys.interval);
        canvas.Line({left, v}, {right, v});
    }
    canvas.Line({left, top}, {left, bottom});
    canvas.Line({right, top}, {right, bottom});

    if (count >= 2) {
        const long double det = count * sxx - sx * sx;
        if (det > 0) {
            const double b = static_cast<double>((count * sxy - sx * sy) / det);
            const double a = static_cast<double>((sy - b * sx) / count);
            if (inside(xLow, a + b * xLow) && inside(xHigh, a + b * xHigh)) {
                canvas.SetPen({style.regression, 1, PenStyle::Solid});
                canvas.Line({px(xLow), py(a + b * xLow)}, {px(xHigh), py(a + b * xHigh)});
            }
        }
    }
    canvas.SetPen({style.line, 1, PenStyle::Solid});
    canvas.SetBrushColor(style.line);
    bool joined = false;
    CanvasPoint last;
    for (std::size_t i = 0; i < n; ++i) {
        if (!inside(x[i], y[i])) {
            joined = false;
            continue;
        }
        const CanvasPoint p{px(x[i]), py(y[i])};
        if (joined) canvas.Line(last, p);
        canvas.Ellipse({p.x - kDotRadius, p.y - kDotRadius, p.x + kDotRadius, p.y + kDotRadius});
        last = p;
        joined = true;
    }
    if (count) {
        canvas.SetBrushColor(style.background);
        canvas.SetFontColor(style.text);
        canvas.TextOut(area.left + kMargin, area.top + 1,
                       "min " + FormatNumber(false, yLow) + "  max " + FormatNumber(false, yHigh));
    }
}

TSeriesPlot::TSeriesPlot(QWidget* parent) : QWidget(parent) { setMinimumSize(200, 120); }

void TSeriesPlot::SetSeries(std::vector<double> x, std::vector<double> y) {
    x_ = std::move(x);
    y_ = std::move(y);
    update();
}

AxisScale TSeriesPlot::XScale() const {
    if (fixed_) return fixed_->x;
    const std::size_t n = std::min(x_.size(), y_.size());
    double low = INFINITY, high = -INFINITY;
    for (std::size_t i = 0; i < n; ++i) {
        if (!Finite(x_[i], y_[i])) continue;
        low = std::min(low, x_[i]);
        high = std::max(high, x_[i]);
    }
    return low <= high ? AxisScale{low, high, AxisStep(low, high)} : AxisScale{0.0, 1.0, AxisStep(0.0, 1.0)};
}

void TSeriesPlot::SetFixedRanges(std::optional<SeriesPlotRanges> ranges) {
    fixed_ = std::move(ranges);
    update();
}

AxisScale TSeriesPlot::YScale() const {
    if (fixed_) return fixed_->y;
    const std::size_t n = std::min(x_.size(), y_.size());
    double low = INFINITY, high = -INFINITY;
    for (std::size_t i = 0; i < n; ++i) {
        if (!Finite(x_[i], y_[i])) continue;
        low = std::min(low, y_[i]);
        high = std::max(high, y_[i]);
    }
    return low <= high ? RoundAxisScale(low, high) : RoundAxisScale(0.0, 1.0);
}

void TSeriesPlot::Draw(PlotCanvas& canvas) const { DrawSeriesPlot(canvas, ToCanvasRect(rect()), x_, y_, style_, nullptr, fixed_ ? &*fixed_ : nullptr);
}

void TSeriesPlot::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    QPainterCanvas canvas(painter, palette());
    Draw(canvas);
}
