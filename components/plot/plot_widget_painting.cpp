#include "components/plot/plot_widget_painting.h"

#include <QImage>
#include <QPainter>
#include <QWidget>

#include "components/plot/qpainter_canvas.h"

void PaintThroughImage(QWidget& widget, const std::function<void(PlotCanvas&)>& paint) {
    if (widget.width() <= 0 || widget.height() <= 0) return;
    QImage image(widget.size(), QImage::Format_RGB32);
    image.fill(Qt::white);
    {
        QPainter painter(&image);
        painter.setFont(widget.font());
        QPainterCanvas canvas(painter, widget.palette());
        paint(canvas);
    }
    QPainter screen(&widget);
    screen.drawImage(0, 0, image);
}
