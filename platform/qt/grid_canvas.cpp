#include "platform/qt/grid_canvas.h"

#include <QFontMetrics>
#include <QPainter>
#include <QPalette>

QPainterGridCanvas::QPainterGridCanvas(QPainter& painter, const QPalette& palette)
    : painter_(painter), palette_(palette) {}

QColor QPainterGridCanvas::ToQColor(CanvasColor color) const {
    if ((color & 0xFF000000u) == 0x80000000u) {
        switch (color & 0xFFu) {
        case 13: return palette_.color(QPalette::Highlight);
        case 14: return palette_.color(QPalette::HighlightedText);
        case 15: return palette_.color(QPalette::Button);
        default: return palette_.color(QPalette::Window);
        }
    }
    return QColor(static_cast<int>(color & 0xFF), static_cast<int>((color >> 8) & 0xFF),
                  static_cast<int>((color >> 16) & 0xFF));
}

void QPainterGridCanvas::SetFont(const QFont& font) { painter_.setFont(font); }

void QPainterGridCanvas::FillRect(const QRect& rect) { painter_.fillRect(rect, ToQColor(brush_)); }

int QPainterGridCanvas::TextWidth(const QString& text) { return painter_.fontMetrics().horizontalAdvance(text); }

void QPainterGridCanvas::TextOut(int x, int y, const QRect& clip, const QString& text) {
    painter_.save();
    painter_.setClipRect(clip);
    painter_.setPen(ToQColor(fontColor_));
    painter_.drawText(QPoint(x, y + painter_.fontMetrics().ascent()), text);
    painter_.restore();
}

void QPainterGridCanvas::DrawSunkenEdge(const QRect& rect) {
    // Dark on the top and left, light on the bottom and right.
    const QColor dark = palette_.color(QPalette::Dark);
    const QColor light = palette_.color(QPalette::Light);
    painter_.save();
    painter_.setPen(dark);
    painter_.drawLine(rect.topLeft(), rect.topRight());
    painter_.drawLine(rect.topLeft(), rect.bottomLeft());
    painter_.setPen(light);
    painter_.drawLine(rect.bottomLeft(), rect.bottomRight());
    painter_.drawLine(rect.topRight(), rect.bottomRight());
    painter_.restore();
}
