#include "components/plot/xy_plot.h"

#include <QMouseEvent>

#include "components/plot/plot_widget_painting.h"

TXYPlot::TXYPlot(QWidget* parent) : QWidget(parent) { setAttribute(Qt::WA_OpaquePaintEvent); }

void TXYPlot::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    FitToSize();
    update();
}

void TXYPlot::paintEvent(QPaintEvent*) {
    PaintThroughImage(*this, [this](PlotCanvas& canvas) { Paint(canvas); });
}

void TXYPlot::mousePressEvent(QMouseEvent* event) {
    const QPoint p = event->position().toPoint();
    emit MouseDown(event->button(), event->modifiers(), p.x(), p.y());
}

void TXYPlot::mouseMoveEvent(QMouseEvent* event) {
    const QPoint p = event->position().toPoint();
    emit MouseMove(event->buttons(), event->modifiers(), p.x(), p.y());
}

void TXYPlot::mouseReleaseEvent(QMouseEvent* event) {
    const QPoint p = event->position().toPoint();
    emit MouseUp(event->button(), event->modifiers(), p.x(), p.y());
}
