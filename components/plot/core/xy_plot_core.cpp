#include "components/plot/core/xy_plot_core.h"

#include <algorithm>
#include <cmath>
#include <new>

#include "components/plot/core/axis_scale.h"
#include "components/plot/core/pixel.h"
#include "core/numeric/numeric_helpers.h"
#include "core/numeric/xy_data.h"

namespace {

using namespace canvas_color;

// |v| below this is the zero line of the grid.
constexpr double kZeroGridValue = 1.1920929e-07;
// A narrower sampling step than this draws no curve.
constexpr double kMinCurveStep = 2.220446e-16;
constexpr int kMaxDotRadius = 1000;
// Above this many cells the drawn-dot bookkeeping is not worth its memory.
constexpr long long kMaxDotCells = 64LL * 1024 * 1024;

// Collects runs of points for polylines: a point that is not finite ends a
// run, and a point equal to the one before it adds nothing.
class PolylineRuns {
public:
    explicit PolylineRuns(PlotCanvas& canvas) : canvas_(canvas) {}
    ~PolylineRuns() { Flush(); }
    void Add(CanvasPoint p) {
        if (run_.empty() || !(run_.back() == p)) run_.push_back(p);
    }
    void Flush() {
        if (run_.size() >= 2) canvas_.Polyline(run_);
        run_.clear();
    }

private:
    PlotCanvas& canvas_;
    std::vector<CanvasPoint> run_;
};

}  // namespace

void XYPlotCore::SetExtended(int i, bool on) {
    if (i >= 0 && i < Count()) {
        extended_[i] = on ? 1 : 0;
        Changed();
    }
}

double XYPlotCore::UsableWidth() const { return std::max(1, Width() - 2 * kInset); }
double XYPlotCore::UsableHeight() const { return std::max(1, Height() - 2 * kInset); }

bool XYPlotCore::Finite(int i) const { return std::isfinite(x_[i]) && std::isfinite(y_[i]); }

bool XYPlotCore::SetData(const double* x, const double* y, int n, const bool* flags, std::function<void()> onDrawn) {
    if (n < 0 || !x || !y) n = 0;
    try {
        x_.assign(x, x + n);
        y_.assign(y, y + n);
        extended_.assign(static_cast<std::size_t>(n), 0);
    } catch (const std::bad_alloc&) {
        clean_up();
        return false;
    }
    double sx = 0, sy = 0;
    int finite = 0;
    for (int i = 0; i < n; ++i) {
        if (flags) extended_[i] = flags[i] ? 1 : 0;
        if (!Finite(i)) continue;
        sx += x_[i];
        sy += y_[i];
        if (MinMax) {
            if (finite == 0) {
                MinX = MaxX = x_[i];
                MinY = MaxY = y_[i];
            } else {
                MinX = std::min(MinX, x_[i]);
                MaxX = std::max(MaxX, x_[i]);
                MinY = std::min(MinY, y_[i]);
                MaxY = std::max(MaxY, y_[i]);
            }
        }
        ++finite;
    }
    MeanX = finite ? sx / finite : 0.0;
    MeanY = finite ? sy / finite : 0.0;
    if (AutoSet) {
        StepX = AxisStep(MinX, MaxX);
        StepY = AxisStep(MinY, MaxY);
    }
    OnDrawn = std::move(onDrawn);
    if (SelIndex < 0 || SelIndex >= Count()) SelIndex = 0;
    FitToSize();
    regionShown_ = false;
    stroke_.clear();
    Changed();
    return true;
}

void XYPlotCore::FitToSize() {
    const double rangeX = MaxX - MinX, rangeY = MaxY - MinY;
    ScaleX = rangeX > 0 && std::isfinite(rangeX) ? UsableWidth() / rangeX : 0.0;
    ScaleY = rangeY > 0 && std::isfinite(rangeY) ? UsableHeight() / rangeY : 0.0;
    if (StepX > 0 && std::isfinite(StepX)) {
        StartX = std::trunc(MinX / StepX) * StepX;
        if (TruncPixel((StartX - MinX) * ScaleX) + kInset < 0) StartX += StepX;
    }
    if (StepY > 0 && std::isfinite(StepY)) {
        StartY = std::trunc(MinY / StepY) * StepY;
        if (TruncPixel((MaxY - StartY) * ScaleY) + kInset >= Height()) StartY += StepY;
    }
}

void XYPlotCore::setxy(double x, double y, int* px, int* py) const {
    *px = RoundPixel((x - MinX) * ScaleX) + kInset;
    *py = RoundPixel((MaxY - y) * ScaleY) + kInset;
}

bool XYPlotCore::getxy(int px, int py, double* x, double* y) const {
    if (!(ScaleX > 0) || !(ScaleY > 0)) {
        *x = *y = 0.0;
        return false;
    }
    if (px <= 0 || px >= Width()) {
        *x = px <= 0 ? MinX : MaxX;
        return false;
    }
    *x = (px - kInset) / ScaleX + MinX;
    if (*x > MaxX) *x = MaxX;
    if (py <= 0 || py >= Height()) {
        *y = py <= 0 ? MaxY : MinY;
        return false;
    }
    *y = MaxY - (py - kInset) / ScaleY;
    if (*y < MinY) *y = MinY;
    return true;
}

// The old dot is drawn again in the colour of its own flag at the next paint,
// so the flag the caller passes is not needed to restore it.
void XYPlotCore::setSel(int px, int py, [[maybe_unused]] bool oldExtended) {
    double best = 1.7e308;
    int found = -1;
    for (int i = 0; i < Count(); ++i) {
        if (!Finite(i)) continue;
        int cx, cy;
        setxy(x_[i], y_[i], &cx, &cy);
        const double dx = cx - px, dy = cy - py;
        const double d = std::sqrt(dx * dx + dy * dy);
        // Equal distances: the later dot, which is drawn on top.
        if (d <= best) {
            best = d;
            found = i;
        }
    }
    if (found < 0) return;
    SelIndex = found;
    Changed();
}

void XYPlotCore::DotSel(int i) {
    if (i < 0 || i >= Count()) return;
    SelIndex = i;
    Changed();
}

void XYPlotCore::SetB(int i, double b) { b_[((i % 5) + 5) % 5] = b; }

double XYPlotCore::GetB(int i) const { return b_[((i % 5) + 5) % 5]; }

double XYPlotCore::ApplyBoxCox(double lambda, double x) { return BoxCox(true, lambda, x); }

double XYPlotCore::ApplyInverseBoxCox(double lambda, double y) { return BoxCoxInverse(true, lambda, y); }

double XYPlotCore::GetLineData(double x) const {
    const double* b = b_;
    switch (RegLineType) {
    case regXY: return b[0] + b[1] * x;
    case reg2ji: return (b[2] * x + b[1]) * x + b[0];
    case reg3ji: return ((b[3] * x + b[2]) * x + b[1]) * x + b[0];
    case reg4ji: return (((b[4] * x + b[3]) * x + b[2]) * x + b[1]) * x + b[0];
    case reglnXlnY: return std::exp(b[0] + b[1] * std::log(x));
    case regXlnY: return std::exp(b[0] + b[1] * x);
    case reglnXY: return b[0] + b[1] * std::log(x);
    case reginvXinvY: return 1.0 / (b[0] + b[1] / x);
    case reginvXY: return b[0] + b[1] / x;
    case regXinvY: return 1.0 / (b[0] + b[1] * x);
    case regXbceY: return ApplyInverseBoxCox(b[2], b[0] + b[1] * x);
    case regbceXY: return b[0] + b[1] * ApplyBoxCox(b[2], x);
    case regbceXbceY: return ApplyInverseBoxCox(b[2], b[0] + b[1] * ApplyBoxCox(b[2], x));
    case regLogistic: return 1.0 / (b[0] + b[1] * std::exp(-b[2] * x));
    case regGompertz: return std::exp(b[0] + b[1] * std::exp(-b[2] * x));
    }
    return std::nan("");
}

void XYPlotCore::RegionReset(int px, int py) {
    regionAnchorX_ = regionMovingX_ = px;
    regionAnchorY_ = regionMovingY_ = py;
    if (regionShown_) {
        regionShown_ = false;
        Changed();
    }
}

void XYPlotCore::RegionLine(int px, int py) {
    regionMovingX_ = px;
    regionMovingY_ = py;
    regionShown_ = true;
    Changed();
}

void XYPlotCore::GetRegion(int* left, int* top, int* right, int* bottom) {
    if (regionAnchorX_ > regionMovingX_) std::swap(regionAnchorX_, regionMovingX_);
    if (regionAnchorY_ > regionMovingY_) std::swap(regionAnchorY_, regionMovingY_);
    *left = regionAnchorX_;
    *top = regionAnchorY_;
    *right = regionMovingX_;
    *bottom = regionMovingY_;
}

void XYPlotCore::SetCaption(const std::string& caption) {
    if (caption != caption_) caption_ = caption;
}

void XYPlotCore::Dot(int px, int py) {
    const int r = std::max(1, PenWidth / 2);
    if (!active_) {
        stroke_.push_back({{PenColor, pen_.width, pen_.style}, {px, py}, {px, py}, r});
        Changed();
        return;
    }
    active_->SetPen({PenColor, pen_.width, pen_.style});
    active_->Ellipse({px - r, py - r, px + r, py + r});
    active_->SetPen(pen_);
}

void XYPlotCore::MoveTo(int px, int py) { moveTo_ = {px, py}; }

void XYPlotCore::LineTo(int px, int py) {
    const CanvasPen pen{LineColor, std::max(1, LineWidth), PenStyle::Solid};
    if (active_) {
        active_->SetPen(pen);
        active_->Line(moveTo_, {px, py});
        active_->SetPen(pen_);
    } else {
        stroke_.push_back({pen, moveTo_, {px, py}, 0});
        Changed();
    }
    moveTo_ = {px, py};
}

void XYPlotCore::ClearStroke() {
    if (stroke_.empty()) return;
    stroke_.clear();
    Changed();
}

void XYPlotCore::DrawStroke(PlotCanvas& canvas) {
    for (const StrokeMark& m : stroke_) {
        canvas.SetPen(m.pen);
        if (m.radius > 0)
            canvas.Ellipse({m.from.x - m.radius, m.from.y - m.radius, m.from.x + m.radius, m.from.y + m.radius});
        else
            canvas.Line(m.from, m.to);
    }
    canvas.SetPen(pen_);
}

void XYPlotCore::DispLine(const XYData& line, bool swap) {
    if (!active_) return;
    PlotCanvas& canvas = *active_;
    canvas.SetBrushColor(kWhite);
    canvas.SetPen({line.Colour(), 1, PenStyleFromByte(line.PenStyle())});
    {
        PolylineRuns runs(canvas);
        for (int i = 0; i < line.Count(); ++i) {
            const double a = swap ? line.Y()[i] : line.X()[i];
            const double b = swap ? line.X()[i] : line.Y()[i];
            if (!std::isfinite(a) || !std::isfinite(b)) {
                runs.Flush();
                continue;
            }
            int px, py;
            setxy(a, b, &px, &py);
            runs.Add({px, py});
        }
    }
    canvas.SetBrushColor(BrushColor);
    canvas.SetPen(pen_);
}

void XYPlotCore::clean_up() {
    x_.clear();
    y_.clear();
    extended_.clear();
    x_.shrink_to_fit();
    y_.shrink_to_fit();
    extended_.shrink_to_fit();
}

void XYPlotCore::Paint(PlotCanvas& canvas) {
    const int w = Width(), h = Height();
    auto usePen = [&](const CanvasPen& pen) {
        pen_ = pen;
        canvas.SetPen(pen);
    };
    canvas.SetBrushColor(kWhite);
    usePen({kBlack, 1, PenStyle::Solid});
    canvas.Rectangle({0, 0, w, h});
    if (Count() <= 0) return;
    active_ = &canvas;

    DrawGrid(canvas);

    canvas.SetBrushColor(BrushColor);
    usePen({kRed, 1, PenStyle::Solid});
    int mx, my;
    setxy(MeanX, MeanY, &mx, &my);
    canvas.Line({kInset, my}, {w - kInset, my});
    canvas.Line({mx, kInset}, {mx, h - kInset});

    DrawDots(canvas);
    if (DotBindLine) {
        canvas.SetBrushColor(kGreen);
        usePen({kGreen, 1, PenStyle::Solid});
        DrawBindLine(canvas);
    }
    if (RegLine) {
        canvas.SetBrushColor(RegLineColor);
        usePen({RegLineColor, RegLineWidth, PenStyle::Solid});
        DrawCurve(canvas);
    }
    if (SelIndex >= 0 && SelIndex < Count() && Finite(SelIndex)) {
        canvas.SetBrushColor(SelectedDotColor);
        usePen({SelectedDotColor, pen_.width, pen_.style});
        DrawEllipseAt(canvas, SelIndex);
    }
    if (!caption_.empty()) {
        canvas.SetBrushColor(kYellow);
        canvas.SetFontColor(kBlue);
        canvas.TextOut(kInset, kInset, caption_);
        canvas.SetFontColor(kBlack);
    }
    canvas.SetBrushColor(BrushColor);
    usePen({PenColor, pen_.width, pen_.style});
    if (OnDrawn) OnDrawn();
    DrawStroke(canvas);
    if (regionShown_) {
        canvas.SetBrushColor(kAqua);
        canvas.FrameRect(CanvasRect{regionAnchorX_, regionAnchorY_, regionMovingX_, regionMovingY_}.Normalized());
        canvas.SetBrushColor(BrushColor);
    }
    active_ = nullptr;
}

void XYPlotCore::DrawGrid(PlotCanvas& canvas) {
    const int w = Width(), h = Height();
    auto gridPen = [&](double v) {
        const bool zero = std::fabs(v) < kZeroGridValue;
        pen_ = {kBlue, zero ? 2 : 1, zero ? PenStyle::Solid : PenStyle::Dot};
        canvas.SetPen(pen_);
    };
    pen_ = {kBlue, 1, PenStyle::Solid};
    canvas.SetPen(pen_);
    if (StepX > 0 && std::isfinite(StepX) && std::isfinite(StartX) && MinX <= MaxX) {
        double v = StartX;
        for (int k = 0; k < kMaxGridLines && v <= MaxX; ++k, v += StepX) {
            gridPen(v);
            const int col = TruncPixel((v - MinX) * ScaleX) + kInset;
            if (col > 0 && col < w) canvas.Line({col, kInset}, {col, h - kInset});
        }
    }
    if (StepY > 0 && std::isfinite(StepY) && std::isfinite(StartY) && MinY <= MaxY) {
        double v = StartY;
        for (int k = 0; k < kMaxGridLines && v <= MaxY; ++k, v += StepY) {
            gridPen(v);
            const int row = TruncPixel((MaxY - v) * ScaleY) + kInset;
            if (row > 0 && row < h) canvas.Line({kInset, row}, {w - kInset, row});
        }
    }
}

void XYPlotCore::DrawEllipseAt(PlotCanvas& canvas, int i) {
    const int r = std::clamp(DotWidth, 0, kMaxDotRadius);
    int cx, cy;
    setxy(x_[i], y_[i], &cx, &cy);
    canvas.Ellipse({cx - r, cy - r, cx + r, cy + r});
}

// Dots in index order, each in the colour of its flag. A dot wholly outside
// the plot draws nothing, and a dot covered by a later one of the same
// colour at the same pixel is hidden by it, so neither is drawn: the result
// is the same as drawing every dot in order.
void XYPlotCore::DrawDots(PlotCanvas& canvas) {
    const int n = Count(), w = Width(), h = Height();
    const int r = std::clamp(DotWidth, 0, kMaxDotRadius);
    const int spanX = w + 2 * r, spanY = h + 2 * r;
    std::vector<CanvasPoint> centre(n);
    std::vector<std::uint8_t> keep(n, 0);
    const bool bookkeeping = spanX > 0 && spanY > 0 && static_cast<long long>(spanX) * spanY <= kMaxDotCells;
    std::vector<std::uint8_t> seen(bookkeeping ? static_cast<std::size_t>(spanX) * spanY : 0, 0);
    const bool oneColour = NormalDotColor == ExtendedDotColor;
    for (int i = n - 1; i >= 0; --i) {
        if (!Finite(i)) continue;
        CanvasPoint& c = centre[i];
        setxy(x_[i], y_[i], &c.x, &c.y);
        if (c.x + r <= 0 || c.x - r >= w || c.y + r <= 0 || c.y - r >= h) continue;
        if (bookkeeping) {
            const std::uint8_t bit = oneColour || !extended_[i] ? 1 : 2;
            std::uint8_t& cell = seen[static_cast<std::size_t>(c.y + r) * spanX + (c.x + r)];
            if (cell & bit) continue;
            cell |= bit;
        }
        keep[i] = 1;
    }
    std::vector<CanvasPoint> batch;
    CanvasColor batchColour = 0;
    auto flush = [&] {
        if (batch.empty()) return;
        canvas.SetBrushColor(batchColour);
        pen_ = {batchColour, 1, PenStyle::Solid};
        canvas.SetPen(pen_);
        canvas.Dots(batch, r);
        batch.clear();
    };
    for (int i = 0; i < n; ++i) {
        if (!keep[i]) continue;
        const CanvasColor colour = extended_[i] ? ExtendedDotColor : NormalDotColor;
        if (colour != batchColour) flush();
        batchColour = colour;
        batch.push_back(centre[i]);
    }
    flush();
    // What a dot leaves set for what follows.
    const CanvasColor last = n > 0 && extended_[n - 1] ? ExtendedDotColor : NormalDotColor;
    canvas.SetBrushColor(last);
    pen_ = {last, 1, PenStyle::Solid};
    canvas.SetPen(pen_);
}

void XYPlotCore::DrawBindLine(PlotCanvas& canvas) {
    PolylineRuns runs(canvas);
    for (int i = 0; i < Count(); ++i) {
        if (!Finite(i)) {
            runs.Flush();
            continue;
        }
        int px, py;
        setxy(x_[i], y_[i], &px, &py);
        runs.Add({px, py});
    }
}

// Sampled once per pixel column from MinX to MaxX; not clipped to the plot.
void XYPlotCore::DrawCurve(PlotCanvas& canvas) {
    const double dx = (MaxX - MinX) / Width();
    if (!(std::fabs(dx) > kMinCurveStep) || !std::isfinite(dx)) return;
    PolylineRuns runs(canvas);
    const int maxSamples = 2 * Width() + 4;
    double x = MinX;
    for (int k = 0; k < maxSamples && x <= MaxX; ++k, x += dx) {
        const double y = GetLineData(x);
        if (!std::isfinite(y)) {
            runs.Flush();
            continue;
        }
        int px, py;
        setxy(x, y, &px, &py);
        runs.Add({px, py});
    }
}
