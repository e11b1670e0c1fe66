// QPainterCanvas: the plot canvas on a QPainter, for the screen and for
// images. Colours become Qt colours here and nowhere else; system colours
// come from the palette. Drawing is not antialiased, so figures fall on
// whole pixels as their integer geometry says.
#pragma once

#include <QColor>
#include <QFont>
#include <QPalette>
#include <QPen>
#include <QRect>
#include <cstdint>
#include <vector>

#include "components/plot/core/plot_canvas.h"

class QPainter;

class QPainterCanvas : public PlotCanvas {
public:
    // System colours from the application's palette.
    explicit QPainterCanvas(QPainter& painter);
    QPainterCanvas(QPainter& painter, const QPalette& palette);

    void SetPen(const CanvasPen& pen) override;
    void SetBrushColor(CanvasColor color) override { brush_ = color; }
    void SetFont(const CanvasFont& font) override;
    void SetFontColor(CanvasColor color) override { fontColor_ = color; }
    void Rectangle(const CanvasRect& rect) override;
    void Ellipse(const CanvasRect& rect) override;
    void Polygon(std::span<const CanvasPoint> points) override;
    void Line(CanvasPoint from, CanvasPoint to) override;
    void Polyline(std::span<const CanvasPoint> points) override;
    void FillRect(const CanvasRect& rect) override;
    void FrameRect(const CanvasRect& rect) override;
    int TextWidth(const std::string& text) override;
    void TextOut(int x, int y, const std::string& text) override;
    void TextOut(int x, int y, const CanvasRect& clip, const std::string& text) override;
    void DrawSunkenEdge(const CanvasRect& rect) override;
    void Dots(std::span<const CanvasPoint> centres, int radius) override;

    QColor ToQColor(CanvasColor color) const;

private:
    void UsePen();
    void UseBrush();
    bool StampDots(std::span<const CanvasPoint> centres, int radius);

    QPainter& painter_;
    QPalette palette_;
    CanvasPen pen_;
    CanvasColor brush_ = canvas_color::kWhite;
    CanvasColor fontColor_ = canvas_color::kBlack;
    CanvasFont font_;
    // The pixels of one dot as runs per row, kept while the radius stays.
    struct DotRun {
        int dy, x0, x1;
    };
    std::vector<DotRun> dotRuns_;
    int dotRadius_ = -1;
};

// Qt values as canvas values and back.
inline CanvasRect ToCanvasRect(const QRect& r) { return CanvasRect::FromSize(r.x(), r.y(), r.width(), r.height()); }
inline QRect ToQRect(const CanvasRect& r) { return QRect(r.left, r.top, r.Width(), r.Height()); }
CanvasFont ToCanvasFont(const QFont& font);
QFont ToQFont(const CanvasFont& font);
