// XYPlotCore: the X-Y plot without its widget. It keeps its own copy of the
// points, the plotted ranges, scales and grid, the selected dot, the region
// being dragged, the regression curve's kind and coefficients and the
// caption, and draws one paint of the plot on a canvas.
//
// Geometry: the plot area is inset 10 pixels on every side; a point maps to
// column round((x - MinX) * ScaleX) + 10 and row round((MaxY - y) * ScaleY)
// + 10. Points and curve samples that are not finite are not drawn (a line
// breaks there), and pixel values are clamped before they become integers.
//
// The widget side tells the size (Width, Height) and is told when the plot
// changed (Changed), so every drawing happens in one paint.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "components/plot/core/plot_canvas.h"
#include "components/plot/core/plot_surface.h"
#include "stats/curve_types.h"

class XYData;

class XYPlotCore : public PlotSurface {
public:
    static constexpr int kInset = 10;
    // At most this many grid lines per direction, however small the step.
    static constexpr int kMaxGridLines = 1000;

    XYPlotCore() = default;
    XYPlotCore(const XYPlotCore&) = delete;
    XYPlotCore& operator=(const XYPlotCore&) = delete;

    // ---- properties (the X-Y graph window's look by default)
    int DotWidth = 4;        // radius of each dot
    bool AutoSet = true;     // SetData sets StepX and StepY
    bool RegLine = true;     // draw the regression curve
    bool MinMax = true;      // SetData takes the ranges from the points
    int PenWidth = 1;        // size of the marks drawn by Dot
    CanvasColor PenColor = canvas_color::kGreen;
    CanvasColor LineColor = canvas_color::kGreen;
    int LineWidth = 1;
    CanvasColor RegLineColor = canvas_color::kAqua;
    int RegLineWidth = 2;
    TRegLineType RegLineType = regXY;
    CanvasColor NormalDotColor = canvas_color::kBlue;
    CanvasColor SelectedDotColor = canvas_color::kRed;
    CanvasColor ExtendedDotColor = canvas_color::kGreen;
    CanvasColor BrushColor = canvas_color::kBlue;
    bool DotBindLine = false;  // join the dots in index order

    // ---- state windows read and set
    int SelIndex = 0;
    double MaxX = 0, MinX = 0, MaxY = 0, MinY = 0;
    double MeanY = 0, MeanX = 0;
    double StepX = 0, StepY = 0;  // grid intervals; <= 0: no grid that way
    double ScaleX = 0, ScaleY = 0;
    double StartX = 0, StartY = 0;
    // Called at the end of every paint; windows draw their extra lines from it.
    std::function<void()> OnDrawn;

    int Count() const { return static_cast<int>(x_.size()); }
    double X(int i) const { return x_[i]; }
    double Y(int i) const { return y_[i]; }
    bool IsExtended(int i) const { return extended_[i] != 0; }
    void SetExtended(int i, bool on);

    // Copies n points (flags may be null: none extended) and repaints; sets
    // means, scales, the grid (with AutoSet) and its start. With MinMax the
    // ranges come from the finite points; n <= 0 leaves no points.
    bool SetData(const double* x, const double* y, int n, const bool* flags, std::function<void()> onDrawn);
    // Asks for a repaint.
    void Setup() { Changed(); }
    // Scales and grid starts for the current ranges and size; the widget
    // calls it when a layout gives the plot another size.
    void FitToSize();

    // Value to pixel and back; getxy is false when the pixel lies outside
    // the plot or a scale is not positive (see its clamping in the source).
    void setxy(double x, double y, int* px, int* py) const;
    bool getxy(int px, int py, double* x, double* y) const;

    // Selects the dot nearest the pixel (the higher index among equally near
    // ones); oldExtended is what the caller knows of the old dot's flag.
    void setSel(int px, int py, bool oldExtended);
    // Selects dot i when it exists.
    void DotSel(int i);

    void SetB(int i, double b);
    double GetB(int i) const;
    // The regression curve at x for RegLineType (B2 is Box-Cox's lambda).
    double GetLineData(double x) const;
    static double ApplyBoxCox(double lambda, double x);
    static double ApplyInverseBoxCox(double lambda, double y);

    // The region rectangle dragged with the mouse, shown from RegionLine until
    // the next RegionReset or SetData.
    void RegionReset(int px, int py);
    void RegionLine(int px, int py);
    // Orders the stored corners (anchor <= moving corner each way), returns them.
    void GetRegion(int* left, int* top, int* right, int* bottom);
    bool RegionShown() const { return regionShown_; }

    void SetCaption(const std::string& caption);
    const std::string& GetCaption() const { return caption_; }

    // Marks and lines that windows draw. From OnDrawn they go on the canvas
    // of the paint in progress; at any other time (a stroke being drawn with
    // the mouse) they are kept and drawn at every paint until the next
    // SetData or ClearStroke.
    void Dot(int px, int py);
    void MoveTo(int px, int py);
    void LineTo(int px, int py);
    void ClearStroke();
    bool HasStroke() const { return !stroke_.empty(); }
    // A series as a polyline in its colour and style; swap exchanges x and y.
    void DispLine(const XYData& line, bool swap);

    // Frees the points.
    void clean_up();

    // One full paint at the current size.
    void Paint(PlotCanvas& canvas);

private:
    void DrawGrid(PlotCanvas& canvas);
    void DrawDots(PlotCanvas& canvas);
    void DrawBindLine(PlotCanvas& canvas);
    void DrawCurve(PlotCanvas& canvas);
    void DrawEllipseAt(PlotCanvas& canvas, int i);
    bool Finite(int i) const;
    double UsableWidth() const;
    double UsableHeight() const;

    std::vector<double> x_, y_;
    std::vector<std::uint8_t> extended_;
    double b_[5] = {0, 0, 0, 0, 0};
    int regionAnchorX_ = 0, regionMovingX_ = 0, regionAnchorY_ = 0, regionMovingY_ = 0;
    bool regionShown_ = false;
    std::string caption_;
    PlotCanvas* active_ = nullptr;  // during a paint
    CanvasPen pen_;                 // the pen of the paint in progress
    CanvasPoint moveTo_;
    // Kept marks: a line segment (two points) or a dot (one point).
    struct StrokeMark {
        CanvasPen pen;
        CanvasPoint from, to;
        int radius;  // dots only; 0 for a segment
    };
    std::vector<StrokeMark> stroke_;
    void DrawStroke(PlotCanvas& canvas);
};
