// A grid canvas that records what was drawn instead of drawing it: the brush
// of each fill, and each text with its position and colour. Text widths are
// fixed per character so positions can be worked out by hand.
#pragma once

#include <QString>
#include <vector>

#include "platform/qt/grid_canvas.h"

struct RecordedText {
    int x;
    int y;
    QString text;
    CanvasColor color;
};

class RecordingCanvas : public GridCanvas {
public:
    static constexpr int kCharWidth = 7;

    void SetFont(const QFont&) override {}
    void SetBrushColor(CanvasColor color) override { brush_ = color; }
    void SetFontColor(CanvasColor color) override { font_ = color; }
    void FillRect(const QRect& rect) override { fills.push_back({rect, brush_}); }
    int TextWidth(const QString& text) override { return kCharWidth * static_cast<int>(text.size()); }
    void TextOut(int x, int y, const QRect&, const QString& text) override { texts.push_back({x, y, text, font_}); }
    void DrawSunkenEdge(const QRect& rect) override { edges.push_back(rect); }

    struct Fill {
        QRect rect;
        CanvasColor color;
    };
    std::vector<Fill> fills;
    std::vector<RecordedText> texts;
    std::vector<QRect> edges;

private:
    CanvasColor brush_ = 0;
    CanvasColor font_ = 0;
};
