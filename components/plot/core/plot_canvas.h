// PlotCanvas: the one drawing surface of every plot and grid cell. A plot
// draws in whole pixels, in the order it wants the result; the screen canvas
// paints with QPainter and a recording canvas keeps the calls, so tests can
// check the order, the colours and the geometry without pixels.
#pragma once

#include <span>
#include <string>

#include "components/plot/core/canvas_types.h"

class PlotCanvas {
public:
    virtual ~PlotCanvas() = default;

    virtual void SetPen(const CanvasPen& pen) = 0;
    virtual void SetBrushColor(CanvasColor color) = 0;
    virtual void SetFont(const CanvasFont& font) = 0;
    virtual void SetFontColor(CanvasColor color) = 0;

    // Figures: outlined with the pen and filled with the brush.
    virtual void Rectangle(const CanvasRect& rect) = 0;
    virtual void Ellipse(const CanvasRect& rect) = 0;
    virtual void Polygon(std::span<const CanvasPoint> points) = 0;
    // Lines in the pen.
    virtual void Line(CanvasPoint from, CanvasPoint to) = 0;
    virtual void Polyline(std::span<const CanvasPoint> points) = 0;
    // The brush alone: the whole rectangle, or a one-pixel frame round it.
    virtual void FillRect(const CanvasRect& rect) = 0;
    virtual void FrameRect(const CanvasRect& rect) = 0;

    // Pixel width of the text (UTF-8) in the current font.
    virtual int TextWidth(const std::string& text) = 0;
    // Text in the font colour with its top-left at (x, y), on the brush.
    virtual void TextOut(int x, int y, const std::string& text) = 0;
    // Text in the font colour with its top-left at (x, y), on what is
    // already there, cut to clip (a grid cell).
    virtual void TextOut(int x, int y, const CanvasRect& clip, const std::string& text) = 0;
    // A sunken frame: dark on the top and left, light on the bottom and right.
    virtual void DrawSunkenEdge(const CanvasRect& rect) = 0;

    // The ellipse of the given radius round each centre, in order, in the
    // current pen and brush. A canvas may draw many of them faster than one
    // Ellipse call each, with the same pixels.
    virtual void Dots(std::span<const CanvasPoint> centres, int radius) {
        for (const CanvasPoint& c : centres) Ellipse({c.x - radius, c.y - radius, c.x + radius, c.y + radius});
    }
};
