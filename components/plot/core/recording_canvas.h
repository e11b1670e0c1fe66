// RecordingCanvas: a canvas that keeps every call instead of drawing it, for
// tests. Each figure, line and text is kept with the pen, brush and font
// colour it was drawn in; fills, texts and sunken edges are also listed on
// their own, as the grid cells use them. Text widths are fixed per character
// so positions can be worked out by hand.
#pragma once

#include <string>
#include <vector>

#include "components/plot/core/plot_canvas.h"

enum class CanvasOpKind { Rectangle, Ellipse, Polygon, Line, Polyline, FillRect, FrameRect, Text, ClippedText,
                          SunkenEdge, Dots };

struct CanvasOp {
    CanvasOpKind kind = CanvasOpKind::Line;
    CanvasPen pen;
    CanvasColor brush = 0;
    CanvasColor fontColor = 0;
    CanvasRect rect;                  // figures, fills, frames, edges, a text's clip
    std::vector<CanvasPoint> points;  // lines, polylines, polygons, dot centres, a text's place
    int radius = 0;                   // dots
    std::string text;
};

struct RecordedText {
    int x;
    int y;
    std::string text;
    CanvasColor color;
};

class RecordingCanvas : public PlotCanvas {
public:
    static constexpr int kCharWidth = 7;

    void SetPen(const CanvasPen& pen) override { pen_ = pen; }
    void SetBrushColor(CanvasColor color) override { brush_ = color; }
    void SetFont(const CanvasFont& font) override { font_ = font; }
    void SetFontColor(CanvasColor color) override { fontColor_ = color; }
    void Rectangle(const CanvasRect& rect) override { Add(CanvasOpKind::Rectangle, rect); }
    void Ellipse(const CanvasRect& rect) override { Add(CanvasOpKind::Ellipse, rect); }
    void Polygon(std::span<const CanvasPoint> points) override { Add(CanvasOpKind::Polygon, {}, points); }
    void Line(CanvasPoint from, CanvasPoint to) override;
    void Polyline(std::span<const CanvasPoint> points) override { Add(CanvasOpKind::Polyline, {}, points); }
    void FillRect(const CanvasRect& rect) override;
    void FrameRect(const CanvasRect& rect) override { Add(CanvasOpKind::FrameRect, rect); }
    int TextWidth(const std::string& text) override;
    void TextOut(int x, int y, const std::string& text) override;
    void TextOut(int x, int y, const CanvasRect& clip, const std::string& text) override;
    void DrawSunkenEdge(const CanvasRect& rect) override;
    void Dots(std::span<const CanvasPoint> centres, int radius) override;

    // The calls of one kind, in order.
    std::vector<CanvasOp> OpsOf(CanvasOpKind kind) const;
    // Every dot drawn, in order, whether by Ellipse or by Dots.
    int DotCount() const;
    const CanvasFont& Font() const { return font_; }

    std::vector<CanvasOp> ops;
    struct Fill {
        CanvasRect rect;
        CanvasColor color;
    };
    std::vector<Fill> fills;
    std::vector<RecordedText> texts;
    std::vector<CanvasRect> edges;

private:
    CanvasOp& Add(CanvasOpKind kind, const CanvasRect& rect, std::span<const CanvasPoint> points = {});

    CanvasPen pen_;
    CanvasColor brush_ = 0;
    CanvasColor fontColor_ = 0;
    CanvasFont font_;
};
