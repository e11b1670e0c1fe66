// The QPainter canvas on images: figures cover the pixels their integer
// rectangles say, and many dots written straight
// into the image come out exactly as QPainter's own ellipses.
#include <gtest/gtest.h>

#include <QImage>
#include <QPainter>
#include <vector>

#include "components/plot/qpainter_canvas.h"
#include "gui/gui_fixture.h"

namespace {

using namespace canvas_color;

QImage WhiteImage(int w, int h) {
    QImage image(w, h, QImage::Format_RGB32);
    image.fill(Qt::white);
    return image;
}

TEST(QPainterCanvas, RectanglesCoverLeftToRightMinusOne) {
    TestApp();
    QImage image = WhiteImage(20, 20);
    {
        QPainter p(&image);
        QPainterCanvas c(p);
        c.SetPen({kBlack, 1, PenStyle::Solid});
        c.SetBrushColor(kRed);
        c.Rectangle({2, 3, 8, 7});
        c.SetBrushColor(kBlue);
        c.FillRect({10, 10, 12, 12});
    }
    const struct {
        int x, y;
        QRgb colour;
    } pixels[] = {
        {2, 3, qRgb(0, 0, 0)},     {7, 6, qRgb(0, 0, 0)},       {8, 7, qRgb(255, 255, 255)},
        {4, 5, qRgb(255, 0, 0)},   {10, 10, qRgb(0, 0, 255)},   {11, 11, qRgb(0, 0, 255)},
        {12, 12, qRgb(255, 255, 255)},
    };
    for (const auto& px : pixels) EXPECT_EQ(image.pixel(px.x, px.y), px.colour) << px.x << "," << px.y;
}

TEST(QPainterCanvas, WrittenDotsMatchPaintedEllipses) {
    TestApp();
    // Some dots overlap, some cross the image's edges.
    const std::vector<CanvasPoint> centres = {{10, 10}, {13, 11}, {0, 0}, {59, 39}, {30, -3}, {45, 20}, {46, 20}};
    for (int radius : {0, 1, 2, 4, 7}) {
        QImage written = WhiteImage(60, 40), painted = WhiteImage(60, 40);
        {
            QPainter p(&written);
            QPainterCanvas c(p);
            c.SetPen({kGreen, 1, PenStyle::Solid});
            c.SetBrushColor(kGreen);
            c.Dots(centres, radius);
        }
        {
            QPainter p(&painted);
            QPainterCanvas c(p);
            c.SetPen({kGreen, 1, PenStyle::Solid});
            c.SetBrushColor(kGreen);
            for (const CanvasPoint& q : centres) c.Ellipse({q.x - radius, q.y - radius, q.x + radius, q.y + radius});
        }
        EXPECT_EQ(written, painted) << "radius " << radius;
    }
}

}  // namespace
