#include "stats/ui/box_plot_paint.h"

#include <QMouseEvent>

#include <cmath>
#include <cstdio>

#include "components/plot/core/plot_canvas.h"
#include "components/plot/plot_widget_painting.h"

namespace {

constexpr int kMargin = 10;
// Labels from the seventeenth outlier on go to a second row.
constexpr int kLabelsOnFirstRow = 16;

// Columns of values: truncated towards zero, as the box is laid out.
struct BoxScale {
    double minimum = 0, scale = 0;
    int X(double v) const {
        const double x = std::trunc((v - minimum) * scale);
        if (!std::isfinite(x)) return kMargin;
        // Far outside the box a column is only a column past the edge.
        return static_cast<int>(std::fmax(-1e6, std::fmin(1e6, x))) + kMargin;
    }
};

BoxScale ScaleOf(const BoxPlotNumbers& box, int w) {
    const double span = std::fabs(box.maximum - box.minimum);
    return {box.minimum, span > 0 ? (w - 2 * kMargin) / span : 0.0};
}

std::string Hex(int number) {
    char text[16];
    std::snprintf(text, sizeof text, "%X", static_cast<unsigned>(number));
    return text;
}

}  // namespace

void PaintBoxPlot(PlotCanvas& canvas, const BoxPlotNumbers& box, int w, int h0) {
    namespace cc = canvas_color;
    const int h = h0 - kMargin;
    const int mid = h / 2;
    const BoxScale s = ScaleOf(box, w);
    canvas.SetBrushColor(cc::kWhite);
    canvas.SetPen({cc::kBlack, 1, PenStyle::Solid});
    canvas.Rectangle({0, 0, w, h0});

    canvas.SetBrushColor(cc::kAqua);
    canvas.Rectangle({s.X(box.lowerHinge), kMargin, s.X(box.upperHinge), h});
    canvas.SetPen({cc::kBlue, 3, PenStyle::Solid});
    canvas.Line({s.X(box.median), kMargin}, {s.X(box.median), h});

    canvas.SetPen({cc::kBlack, 1, PenStyle::Solid});
    canvas.SetBrushColor(cc::kWhite);
    canvas.Line({kMargin, kMargin}, {kMargin, h});
    canvas.Line({s.X(box.maximum), kMargin}, {s.X(box.maximum), h});
    canvas.Line({s.X(box.maximum), mid}, {kMargin, mid});

    canvas.SetPen({cc::kRed, 2, PenStyle::Solid});
    canvas.Line({s.X(box.upperFence), 30}, {s.X(box.upperFence), h - 20});
    canvas.Line({s.X(box.lowerFence), 30}, {s.X(box.lowerFence), h - 20});

    canvas.SetPen({cc::kBlack, 1, PenStyle::Solid});
    canvas.SetFontColor(cc::kBlack);
    for (const BoxPlotOutlier& o : box.outliers) {
        const int cx = s.X(o.value);
        canvas.SetBrushColor(cc::kGreen);
        canvas.Ellipse({cx - 4, mid - 4, cx + 4, mid + 4});
        canvas.SetBrushColor(cc::kWhite);
        const int row = o.number < kLabelsOnFirstRow ? 20 : 40;
        canvas.TextOut(cx - 2, mid + row, Hex(o.number));
    }
}

int BoxPlotQuarterAt(const BoxPlotNumbers& box, int w, int x) {
    const BoxScale s = ScaleOf(box, w);
    if (x < kMargin) return -1;
    const double bounds[] = {box.lowerHinge, box.median, box.upperHinge, box.maximum};
    for (int q = 0; q < 4; ++q)
        if (x <= s.X(bounds[q])) return q;
    return -1;
}

TBoxPaint::TBoxPaint(QWidget* parent) : QWidget(parent) { setAttribute(Qt::WA_OpaquePaintEvent); }

void TBoxPaint::SetNumbers(const BoxPlotNumbers* box) {
    box_ = box;
    update();
}

void TBoxPaint::paintEvent(QPaintEvent*) {
    static const BoxPlotNumbers kEmpty;
    PaintThroughImage(*this, [this](PlotCanvas& canvas) { PaintBoxPlot(canvas, box_ ? *box_ : kEmpty, width(), height()); });
}

void TBoxPaint::mousePressEvent(QMouseEvent* event) {
    const QPoint p = event->position().toPoint();
    emit MouseDown(event->button(), event->modifiers(), p.x(), p.y());
}
