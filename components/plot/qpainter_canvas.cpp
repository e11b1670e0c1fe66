#include "components/plot/qpainter_canvas.h"

#include <QApplication>
#include <QFontMetrics>
#include <QImage>
#include <QPainter>
#include <QPolygon>
#include <algorithm>

namespace {

Qt::PenStyle ToQtStyle(PenStyle s) {
    switch (s) {
    case PenStyle::Dash: return Qt::DashLine;
    case PenStyle::Dot: return Qt::DotLine;
    case PenStyle::DashDot: return Qt::DashDotLine;
    case PenStyle::DashDotDot: return Qt::DashDotDotLine;
    case PenStyle::Clear: return Qt::NoPen;
    case PenStyle::Solid: break;
    }
    return Qt::SolidLine;
}

QPolygon ToQPolygon(std::span<const CanvasPoint> points) {
    QPolygon p(static_cast<int>(points.size()));
    for (std::size_t i = 0; i < points.size(); ++i) p.setPoint(static_cast<int>(i), points[i].x, points[i].y);
    return p;
}

// A figure rectangle as QPainter takes it: a one-pixel pen then covers
// left..right-1 and top..bottom-1.
QRect FigureRect(const CanvasRect& r) {
    const CanvasRect n = r.Normalized();
    return QRect(n.left, n.top, std::max(0, n.Width() - 1), std::max(0, n.Height() - 1));
}

constexpr int kMaxStampRadius = 64;

}  // namespace

QPainterCanvas::QPainterCanvas(QPainter& painter) : QPainterCanvas(painter, QApplication::palette()) {}

QPainterCanvas::QPainterCanvas(QPainter& painter, const QPalette& palette) : painter_(painter), palette_(palette) {
    painter_.setRenderHint(QPainter::Antialiasing, false);
}

QColor QPainterCanvas::ToQColor(CanvasColor color) const {
    if (canvas_color::IsSystem(color)) {
        switch (color & 0xFFu) {
        case 13: return palette_.color(QPalette::Highlight);
        case 14: return palette_.color(QPalette::HighlightedText);
        case 15: return palette_.color(QPalette::Button);
        default: return palette_.color(QPalette::Window);
        }
    }
    return QColor(canvas_color::Red(color), canvas_color::Green(color), canvas_color::Blue(color));
}

void QPainterCanvas::SetPen(const CanvasPen& pen) { pen_ = pen; }

void QPainterCanvas::UsePen() {
    if (pen_.style == PenStyle::Clear) {
        painter_.setPen(Qt::NoPen);
        return;
    }
    QPen pen(ToQColor(pen_.color));
    pen.setWidth(std::max(0, pen_.width <= 1 ? 0 : pen_.width));
    pen.setStyle(ToQtStyle(pen_.style));
    painter_.setPen(pen);
}

void QPainterCanvas::UseBrush() { painter_.setBrush(ToQColor(brush_)); }

void QPainterCanvas::SetFont(const CanvasFont& font) {
    if (font.family.empty() || font == font_) return;
    font_ = font;
    painter_.setFont(ToQFont(font));
}

void QPainterCanvas::Rectangle(const CanvasRect& rect) {
    UsePen();
    UseBrush();
    painter_.drawRect(FigureRect(rect));
}

void QPainterCanvas::Ellipse(const CanvasRect& rect) {
    UsePen();
    UseBrush();
    painter_.drawEllipse(FigureRect(rect));
}

void QPainterCanvas::Polygon(std::span<const CanvasPoint> points) {
    if (points.empty()) return;
    UsePen();
    UseBrush();
    painter_.drawPolygon(ToQPolygon(points));
}

void QPainterCanvas::Line(CanvasPoint from, CanvasPoint to) {
    UsePen();
    painter_.drawLine(from.x, from.y, to.x, to.y);
}

void QPainterCanvas::Polyline(std::span<const CanvasPoint> points) {
    if (points.size() < 2) return;
    UsePen();
    painter_.drawPolyline(ToQPolygon(points));
}

void QPainterCanvas::FillRect(const CanvasRect& rect) { painter_.fillRect(ToQRect(rect.Normalized()), ToQColor(brush_)); }

void QPainterCanvas::FrameRect(const CanvasRect& rect) {
    const CanvasRect n = rect.Normalized();
    if (n.Width() <= 0 || n.Height() <= 0) return;
    painter_.save();
    painter_.setPen(QPen(ToQColor(brush_), 0));
    painter_.setBrush(Qt::NoBrush);
    painter_.drawRect(FigureRect(n));
    painter_.restore();
}

int QPainterCanvas::TextWidth(const std::string& text) {
    return painter_.fontMetrics().horizontalAdvance(QString::fromStdString(text));
}

void QPainterCanvas::TextOut(int x, int y, const std::string& text) {
    const QString s = QString::fromStdString(text);
    const QFontMetrics m = painter_.fontMetrics();
    painter_.fillRect(QRect(x, y, m.horizontalAdvance(s), m.height()), ToQColor(brush_));
    painter_.setPen(ToQColor(fontColor_));
    painter_.drawText(QPoint(x, y + m.ascent()), s);
}

void QPainterCanvas::TextOut(int x, int y, const CanvasRect& clip, const std::string& text) {
    painter_.save();
    painter_.setClipRect(ToQRect(clip), Qt::IntersectClip);
    painter_.setPen(ToQColor(fontColor_));
    painter_.drawText(QPoint(x, y + painter_.fontMetrics().ascent()), QString::fromStdString(text));
    painter_.restore();
}

void QPainterCanvas::DrawSunkenEdge(const CanvasRect& r) {
    const QRect rect = ToQRect(r);
    painter_.save();
    painter_.setPen(palette_.color(QPalette::Dark));
    painter_.drawLine(rect.topLeft(), rect.topRight());
    painter_.drawLine(rect.topLeft(), rect.bottomLeft());
    painter_.setPen(palette_.color(QPalette::Light));
    painter_.drawLine(rect.bottomLeft(), rect.bottomRight());
    painter_.drawLine(rect.topRight(), rect.bottomRight());
    painter_.restore();
}

void QPainterCanvas::Dots(std::span<const CanvasPoint> centres, int radius) {
    if (centres.empty()) return;
    if (StampDots(centres, radius)) return;
    PlotCanvas::Dots(centres, radius);
}

// On a plain image with one solid colour for outline and fill, a dot is the
// same set of pixels wherever it sits: QPainter draws it once into a small
// image, and its pixels are then written at every centre. Anything else
// (clipping, transforms, other formats, two colours) goes through QPainter.
bool QPainterCanvas::StampDots(std::span<const CanvasPoint> centres, int radius) {
    QPaintDevice* device = painter_.device();
    if (!device || device->devType() != QInternal::Image) return false;
    auto* image = static_cast<QImage*>(device);
    const QImage::Format f = image->format();
    if (f != QImage::Format_RGB32 && f != QImage::Format_ARGB32 && f != QImage::Format_ARGB32_Premultiplied)
        return false;
    // Writing pixels of an image that shares its data would change the copy.
    if (!image->isDetached() || painter_.hasClipping() || !painter_.worldTransform().isIdentity() ||
        image->devicePixelRatio() != 1.0)
        return false;
    if (radius < 0 || radius > kMaxStampRadius || pen_.color != brush_ || pen_.style != PenStyle::Solid ||
        pen_.width > 1 || canvas_color::IsSystem(brush_))
        return false;

    // The shape depends on the radius alone: one colour, one-pixel pen.
    if (radius != dotRadius_) {
        const int side = 2 * radius + 3;
        QImage mask(side, side, QImage::Format_ARGB32_Premultiplied);
        mask.fill(Qt::transparent);
        {
            QPainter p(&mask);
            QPainterCanvas c(p, palette_);
            c.SetPen({canvas_color::kBlack, 1, PenStyle::Solid});
            c.SetBrushColor(canvas_color::kBlack);
            const int m = radius + 1;
            c.Ellipse({m - radius, m - radius, m + radius, m + radius});
        }
        dotRuns_.clear();
        for (int y = 0; y < side; ++y) {
            const auto* row = reinterpret_cast<const QRgb*>(mask.constScanLine(y));
            for (int x = 0; x < side;) {
                if (qAlpha(row[x]) == 0) {
                    ++x;
                    continue;
                }
                const int start = x;
                while (x < side && qAlpha(row[x]) != 0) ++x;
                dotRuns_.push_back({y - (radius + 1), start - (radius + 1), x - (radius + 1)});
            }
        }
        dotRadius_ = radius;
    }

    const QRgb pixel = ToQColor(brush_).rgb() | 0xFF000000u;
    const int w = image->width(), h = image->height();
    uchar* bits = image->bits();
    const qsizetype stride = image->bytesPerLine();
    for (const CanvasPoint& c : centres) {
        for (const DotRun& run : dotRuns_) {
            const int y = c.y + run.dy;
            if (y < 0 || y >= h) continue;
            const int x0 = std::max(0, c.x + run.x0), x1 = std::min(w, c.x + run.x1);
            if (x0 >= x1) continue;
            auto* row = reinterpret_cast<QRgb*>(bits + y * stride);
            std::fill(row + x0, row + x1, pixel);
        }
    }
    return true;
}

CanvasFont ToCanvasFont(const QFont& font) {
    CanvasFont f;
    f.family = font.family().toStdString();
    f.pointSize = font.pointSizeF();
    f.pixelSize = font.pixelSize();
    f.bold = font.bold();
    f.italic = font.italic();
    return f;
}

QFont ToQFont(const CanvasFont& font) {
    QFont f(QString::fromStdString(font.family));
    if (font.pointSize > 0)
        f.setPointSizeF(font.pointSize);
    else if (font.pixelSize > 0)
        f.setPixelSize(font.pixelSize);
    f.setBold(font.bold);
    f.setItalic(font.italic);
    return f;
}
