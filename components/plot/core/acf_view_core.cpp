#include "components/plot/core/acf_view_core.h"

#include <algorithm>
#include <cmath>
#include <new>

#include "components/plot/core/pixel.h"

namespace {

using namespace canvas_color;

constexpr double kTinyBand = 2.220446e-16;
constexpr int kMaxGridStep = 100;

// Lower bound: -1.0 below -0.9, -0.9 below -0.8, ... -0.1 below 0, else 0.
double AxisLowFor(double smallest) {
    static const double kBelow[] = {-0.9, -0.8, -0.7, -0.6, -0.5, -0.4, -0.3, -0.2, -0.1, 0.0};
    static const double kBound[] = {-1.0, -0.9, -0.8, -0.7, -0.6, -0.5, -0.4, -0.3, -0.2, -0.1};
    for (int i = 0; i < 10; ++i)
        if (smallest < kBelow[i]) return kBound[i];
    return 0.0;
}

// Upper bound rounded to the data: 1.0 above 0.9, 0.9 above 0.8, ... 0.1
// above 0, else 0.01.
double AxisHighFor(double largest) {
    static const double kAbove[] = {0.9, 0.8, 0.7, 0.6, 0.5, 0.4, 0.3, 0.2, 0.1, 0.0};
    static const double kBound[] = {1.0, 0.9, 0.8, 0.7, 0.6, 0.5, 0.4, 0.3, 0.2, 0.1};
    for (int i = 0; i < 10; ++i)
        if (largest > kAbove[i]) return kBound[i];
    return 0.01;
}

}  // namespace

bool ACFViewCore::DataSet(const double* values, int maxLag, int n, int firstLag) {
    values_.clear();
    if (!values || maxLag < 0) return false;
    try {
        values_.assign(values, values + maxLag + 1);
    } catch (const std::bad_alloc&) {
        values_.clear();
        return false;
    }
    MaxLag = maxLag;
    SampleSize = n;
    FirstLag = firstLag;
    if (n > 0) {
        if (std::fabs(Band1) < kTinyBand) Band1 = 1.96 / std::sqrt(static_cast<double>(n));
        if (std::fabs(Band2) < kTinyBand) Band2 = 1.96 / std::sqrt(static_cast<double>(n));
    }
    // Lag 0 of an autocorrelation is 1 by definition and says nothing of
    // the others' size.
    const double first = std::isfinite(values_[0]) ? values_[0] : 0.0;
    MinValue = first;
    MaxValue = first == 1.0 ? 0.0 : first;
    for (int k = 1; k <= maxLag; ++k) {
        if (!std::isfinite(values_[k])) continue;
        MinValue = std::min(MinValue, values_[k]);
        MaxValue = std::max(MaxValue, values_[k]);
    }
    AxisLow = AxisLowFor(MinValue);
    AxisHigh = RoundUpper ? AxisHighFor(MaxValue) : 1.0;
    if (FixedUpper > 0) AxisHigh = FixedUpper;
    Changed();
    return true;
}

int ACFViewCore::Slots() const {
    const int l = MaxLag;
    return l < 10 ? 10 : l < 20 ? 20 : l < 30 ? 30 : l;
}

double ACFViewCore::Scale() const {
    const double range = AxisHigh - AxisLow;
    return range > 0 && std::isfinite(range) ? Height() / range : 0.0;
}

CanvasRect ACFViewCore::BarRect(int k) const {
    const double s = Scale();
    const int z = TruncPixel(s * AxisHigh);
    const double w = static_cast<double>(Width()) / (Slots() + 1);
    const double v = std::isfinite(values_[k]) ? values_[k] : 0.0;
    return {TruncPixel(k * w), z - TruncPixel(v * s), TruncPixel((k + 1) * w), z};
}

int ACFViewCore::GetIndex(int px, int py) const {
    if (values_.empty()) return -1;
    for (int k = 0; k <= MaxLag; ++k) {
        const CanvasRect r = BarRect(k).Normalized();
        if (px >= r.left && px <= r.right && py >= r.top && py <= r.bottom) return k;
    }
    return -1;
}

void ACFViewCore::Paint(PlotCanvas& canvas) {
    const int w = Width(), h = Height();
    canvas.SetBrushColor(kWhite);
    CanvasPen pen{kBlack, 1, PenStyle::Solid};
    canvas.SetPen(pen);
    canvas.Rectangle({0, 0, w, h});
    if (values_.empty() || MaxLag < 1) return;
    const double s = Scale();
    VScale = s;
    const int z = TruncPixel(s * AxisHigh);

    for (int i = -9; i <= kMaxGridStep && i / 10 < AxisHigh; ++i) {
        pen.style = i % 10 == 0 ? PenStyle::Solid : PenStyle::Dot;
        canvas.SetPen(pen);
        const int row = z - TruncPixel(i * s * 0.1);
        canvas.Line({0, row}, {w, row});
    }

    const int slots = Slots();
    SlotWidth = static_cast<double>(w) / (slots + 1);
    const int markStep = MaxLag > 100 ? (MaxLag / 100) * 10 : 10;
    pen = {PieceRectColor, 1, PenStyle::Solid};
    canvas.SetPen(pen);
    canvas.SetBrushColor(PieceColor);
    canvas.Line({0, z}, {w, z});
    for (int k = 0; k <= MaxLag; ++k) {
        canvas.Rectangle(BarRect(k));
        const int lag = FirstLag + k;
        if (lag > 0 && lag % markStep == 0) {
            const int x = TruncPixel((2 * k + 1) * SlotWidth / 2);
            canvas.SetPen({kGreen, pen.width, pen.style});
            canvas.Line({x, 0}, {x, h});
            canvas.SetPen(pen);
        }
    }

    auto band = [&](double half, CanvasColor colour) {
        if (!std::isfinite(half)) return;
        canvas.SetPen({colour, pen.width, pen.style});
        const int d = TruncPixel(half * s);
        canvas.Line({0, z - d}, {w, z - d});
        canvas.Line({0, z + d}, {w, z + d});
    };
    band(Band1, BandColor1);
    band(Band2, BandColor2);
    canvas.SetPen(pen);
}
