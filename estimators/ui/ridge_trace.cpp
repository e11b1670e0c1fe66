#include "estimators/ui/ridge_trace.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "components/plot/core/pixel.h"
#include "core/text/float_format.h"

namespace {

constexpr CanvasPen kAxisPen{canvas_color::kBlue, 1, PenStyle::Solid};
constexpr CanvasPen kGridPen{canvas_color::kBlue, 1, PenStyle::Dot};
constexpr CanvasPen kCurvePen{canvas_color::kBlack, 1, PenStyle::Solid};
constexpr CanvasPen kSelectedPen{canvas_color::kRed, 2, PenStyle::Solid};
// Grid lines a paint may draw at most, however wide the range.
constexpr int kMaxGridLines = 1000;

bool Drawable(const MclRidgeTable& t) {
    if (!(std::isfinite(t.yMin) && std::isfinite(t.yMax) && std::isfinite(t.xMax))) return false;
    if (!(t.yMax > t.yMin) || !(t.xMax > 0.0)) return false;
    for (const auto& curve : t.coef)
        for (double v : curve)
            if (!std::isfinite(v)) return false;
    for (double k : t.k)
        if (!std::isfinite(k)) return false;
    return true;
}

// The grid step: the range's steps of step0 spread over the text rows,
// raised to the first of 0.1, 0.2, ..., 1.0 that is not below it.
double GridStep(int steps, int rows, double step0) {
    const double raw = static_cast<double>(steps) / rows * step0;
    for (int i = 1; i < 10; ++i)
        if (raw <= i / 10.0) return i / 10.0;
    return 1.0;
}

}  // namespace

void RidgeTrace::Paint(PlotCanvas& canvas, const MclRidgeTable& table, int width, int height, int textHeight,
                       int selected) {
    canvas.SetBrushColor(canvas_color::kWhite);
    canvas.SetPen(kCurvePen);
    canvas.FillRect({0, 0, width, height});
    drawn_ = false;
    const int th = std::max(textHeight, 1);
    const int tw = canvas.TextWidth("00.000");
    const int bottomMargin = th + th / 2;
    const int plotHeight = height - bottomMargin;
    if (!Drawable(table) || width - tw < 1 || plotHeight < 1) return;

    leftMargin_ = tw;
    xMax_ = table.xMax;
    yMin_ = table.yMin;
    yMax_ = table.yMax;
    xScale_ = (width - tw) / xMax_;
    yScale_ = plotHeight / (yMax_ - yMin_);
    drawn_ = true;
    auto px = [&](double k) { return TruncPixel(tw + k * xScale_); };
    auto py = [&](double v) { return TruncPixel((yMax_ - v) * yScale_); };
    canvas.SetFontColor(canvas_color::kBlack);

    canvas.SetPen(kGridPen);
    for (int i = 1; i <= 9; ++i) {
        const double k = i / (100.0 * table.scale);
        const int x = px(k);
        canvas.Line({x, 0}, {x, plotHeight});
        canvas.TextOut(x - tw / 2, plotHeight + 1, FormatFloat("0.000", k));
    }

    const double step0 = yMax_ - yMin_ < 5.0 ? 0.1 : 1.0;
    int j0 = -100;
    while (j0 * step0 < yMin_ && j0 < 100000) ++j0;
    const double y0 = j0 * step0;
    const int steps = static_cast<int>(std::min(std::ceil((yMax_ - y0) / step0), 1e6));
    const int rows = std::max(plotHeight / th, 1);
    const double step = GridStep(std::max(steps, 0), rows, step0);
    int lines = 0;
    for (double y = y0; y < yMax_ && lines < kMaxGridLines; y += step, ++lines) {
        const std::string label = FormatFloat("+##0.0;-##0.0;0", y);
        canvas.SetPen(label == "0" ? kAxisPen : kGridPen);
        const int yy = py(y);
        canvas.Line({tw, yy}, {width, yy});
        canvas.TextOut(5, yy - th / 2, label);
    }

    canvas.SetPen(kAxisPen);
    canvas.Line({tw, py(0.0)}, {width, py(0.0)});

    for (std::size_t j = 0; j < table.coef.size(); ++j) {
        std::vector<CanvasPoint> points;
        for (std::size_t i = 0; i < table.k.size(); ++i) points.push_back({px(table.k[i]), py(table.coef[j][i])});
        canvas.SetPen(static_cast<int>(j) == selected ? kSelectedPen : kCurvePen);
        canvas.Polyline(points);
    }

    canvas.SetPen(kAxisPen);
    canvas.Line({tw, 0}, {tw, plotHeight});
    canvas.SetPen(kCurvePen);
}

std::optional<RidgeTracePoint> RidgeTrace::PointAt(int x, int y) const {
    if (!drawn_) return std::nullopt;
    RidgeTracePoint p;
    p.k = std::clamp((x - leftMargin_) / xScale_, 0.0, xMax_);
    p.value = std::clamp(yMax_ - y / yScale_, yMin_, yMax_);
    return p;
}
