// The small drawing surface the grid-cell painter draws on: a QPainter
// canvas for the screen, and any recording canvas a test wants, so what is
// drawn can be checked without pixels.
//
// Colours are 32-bit: 0x00BBGGRR for an explicit colour (red in the low
// byte), 0x80000000 + n for system colour n (the three the grids use are
// below), as the group colour table keeps them.
#pragma once

#include <QFont>
#include <QRect>
#include <QString>
#include <cstdint>

class QPainter;
class QPalette;

using CanvasColor = std::uint32_t;

namespace canvas_color {
inline constexpr CanvasColor kWhite = 0xFFFFFF;
inline constexpr CanvasColor kBlack = 0x000000;
inline constexpr CanvasColor kYellow = 0x00FFFF;
inline constexpr CanvasColor kLime = 0x00FF00;
inline constexpr CanvasColor kGreen = 0x008000;
inline constexpr CanvasColor kAqua = 0xFFFF00;
inline constexpr CanvasColor kBlue = 0xFF0000;
inline constexpr CanvasColor kRed = 0x0000FF;
inline constexpr CanvasColor kNavy = 0x800000;
inline constexpr CanvasColor kHighlight = 0x8000000D;
inline constexpr CanvasColor kHighlightText = 0x8000000E;
inline constexpr CanvasColor kButtonFace = 0x8000000F;
}  // namespace canvas_color

class GridCanvas {
public:
    virtual ~GridCanvas() = default;
    virtual void SetFont(const QFont& font) = 0;
    virtual void SetBrushColor(CanvasColor color) = 0;
    virtual void SetFontColor(CanvasColor color) = 0;
    // Fills with the brush colour.
    virtual void FillRect(const QRect& rect) = 0;
    // Pixel width of the text in the current font.
    virtual int TextWidth(const QString& text) = 0;
    // Text in the font colour, its cell's top-left at (x, y), clipped to clip.
    virtual void TextOut(int x, int y, const QRect& clip, const QString& text) = 0;
    // A sunken frame around the rectangle.
    virtual void DrawSunkenEdge(const QRect& rect) = 0;
};

// The screen canvas; system colours come from the palette.
class QPainterGridCanvas : public GridCanvas {
public:
    QPainterGridCanvas(QPainter& painter, const QPalette& palette);
    void SetFont(const QFont& font) override;
    void SetBrushColor(CanvasColor color) override { brush_ = color; }
    void SetFontColor(CanvasColor color) override { fontColor_ = color; }
    void FillRect(const QRect& rect) override;
    int TextWidth(const QString& text) override;
    void TextOut(int x, int y, const QRect& clip, const QString& text) override;
    void DrawSunkenEdge(const QRect& rect) override;

    QColor ToQColor(CanvasColor color) const;

private:
    QPainter& painter_;
    const QPalette& palette_;
    CanvasColor brush_ = canvas_color::kWhite;
    CanvasColor fontColor_ = canvas_color::kBlack;
};
