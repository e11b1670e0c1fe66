// The series plot; see series_plot.h.
#include "app/series_plot.h"

#include <QPainter>
#include <QPalette>
#include <algorithm>
#include <cmath>

#include "core/text/number_format.h"

namespace {

constexpr int kMaxGridLines = 50;
constexpr double kMargin = 6.0;
constexpr double kLabelHeight = 16.0;

class QPainterPlotCanvas : public PlotCanvas {
public:
    QPainterPlotCanvas(QPainter& painter, const QPalette& palette) : painter_(painter), colors_(painter, palette) {}
    void SetPen(CanvasColor color) override { painter_.setPen(colors_.ToQColor(color)); }
    void FillRect(const QRectF& rect, CanvasColor color) override { painter_.fillRect(rect, colors_.ToQColor(color)); }
    void Line(const QPointF& from, const QPointF& to) override { painter_.drawLine(from, to); }
    void Dot(const QPointF& at) override { painter_.drawEllipse(at, 1.5, 1.5); }
    void Text(const QPointF& at, const QString& text) override { painter_.drawText(at, text); }

private:
    QPainter& painter_;
    QPainterGridCanvas colors_;
};

bool Finite(double x, double y) { return std::isfinite(x) && std::isfinite(y); }

}  // namespace

AxisScale RoundAxisScale(double low, double high) {
    if (!std::isfinite(low) || !std::isfinite(high)) low = 0.0, high = 1.0;
    if (low > high) std::swap(low, high);
    if (high - low <= 1e-12 * std::max(1.0, std::fabs(low))) {
        const double pad = low == 0.0 ? 1.0 : std::fabs(low) * 0.1;
        low -= pad;
        high += pad;
    }
    const double raw = (high - low) / 5.0;
    const double power = std::pow(10.0, std::floor(std::log10(raw)));
    const double fraction = raw / power;
    const double step = fraction <= 1.0 ? 1.0 : fraction <= 2.0 ? 2.0 : fraction <= 5.0 ? 5.0 : 10.0;
    AxisScale s;
    s.interval = step * power;
    s.low = std::floor(low / s.interval) * s.interval;
    s.high = std::ceil(high / s.interval) * s.interval;
    if (s.high <= s.low) s.high = s.low + s.interval;
    return s;
}

void DrawSeriesPlot(PlotCanvas& canvas, const QRectF& area, const std::vector<double>& x,
                    const std::vector<double>& y, const SeriesPlotStyle& style, AxisScale* yScale) {
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
    const AxisScale ys = count ? RoundAxisScale(yLow, yHigh) : RoundAxisScale(0.0, 1.0);
    if (!count) xLow = 0.0, xHigh = 1.0;
    if (xHigh <= xLow) xHigh = xLow + 1.0;
    if (yScale) *yScale = ys;

    canvas.FillRect(area, style.background);
    const QRectF plot = area.adjusted(kMargin, kMargin + kLabelHeight, -kMargin, -kMargin);
    auto px = [&](double v) { return plot.left() + (v - xLow) / (xHigh - xLow) * plot.width(); };
    auto py = [&](double v) { return plot.bottom() - (v - ys.low) / (ys.high - ys.low) * plot.height(); };

    canvas.SetPen(style.grid);
    const int lines = std::min(kMaxGridLines, static_cast<int>(std::lround((ys.high - ys.low) / ys.interval)));
    for (int k = 0; k <= lines; ++k) {
        const double v = py(ys.low + k * ys.interval);
        canvas.Line({plot.left(), v}, {plot.right(), v});
    }
    canvas.Line({plot.left(), plot.top()}, {plot.left(), plot.bottom()});
    canvas.Line({plot.right(), plot.top()}, {plot.right(), plot.bottom()});

    if (count >= 2) {
        const long double det = count * sxx - sx * sx;
        if (det > 0) {
            const double b = static_cast<double>((count * sxy - sx * sy) / det);
            const double a = static_cast<double>((sy - b * sx) / count);
            canvas.SetPen(style.regression);
            canvas.Line({px(xLow), py(a + b * xLow)}, {px(xHigh), py(a + b * xHigh)});
        }
    }
    canvas.SetPen(style.line);
    bool joined = false;
    QPointF last;
    for (std::size_t i = 0; i < n; ++i) {
        if (!Finite(x[i], y[i])) {
            joined = false;
            continue;
        }
        const QPointF p(px(x[i]), py(y[i]));
        if (joined) canvas.Line(last, p);
        canvas.Dot(p);
        last = p;
        joined = true;
    }
    if (count) {
        canvas.SetPen(style.text);
        const QString text = QString::fromStdString("min " + FormatNumber(false, yLow) + "  max " +
                                                    FormatNumber(false, yHigh));
        canvas.Text({area.left() + kMargin, area.top() + kLabelHeight - 2.0}, text);
    }
}

TSeriesPlot::TSeriesPlot(QWidget* parent) : QWidget(parent) { setMinimumSize(200, 120); }

void TSeriesPlot::SetSeries(std::vector<double> x, std::vector<double> y) {
    x_ = std::move(x);
    y_ = std::move(y);
    update();
}

AxisScale TSeriesPlot::YScale() const {
    struct NullCanvas : PlotCanvas {
        void SetPen(CanvasColor) override {}
        void FillRect(const QRectF&, CanvasColor) override {}
        void Line(const QPointF&, const QPointF&) override {}
        void Dot(const QPointF&) override {}
        void Text(const QPointF&, const QString&) override {}
    } none;
    AxisScale s;
    DrawSeriesPlot(none, QRectF(rect()), x_, y_, style_, &s);
    return s;
}

void TSeriesPlot::Draw(PlotCanvas& canvas) const { DrawSeriesPlot(canvas, QRectF(rect()), x_, y_, style_, nullptr); }

void TSeriesPlot::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    QPainterPlotCanvas canvas(painter, palette());
    Draw(canvas);
}
