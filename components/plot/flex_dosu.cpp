#include "components/plot/flex_dosu.h"

#include <QMouseEvent>

#include "components/plot/plot_widget_painting.h"

TFlexDosu::TFlexDosu(QWidget* parent) : QWidget(parent) { setAttribute(Qt::WA_OpaquePaintEvent); }

void TFlexDosu::paintEvent(QPaintEvent*) {
    PaintThroughImage(*this, [this](PlotCanvas& canvas) { Paint(canvas); });
}

void TFlexDosu::mousePressEvent(QMouseEvent* event) {
    const QPoint p = event->position().toPoint();
    emit MouseDown(event->button(), event->modifiers(), p.x(), p.y());
}

void TFlexDosu::mouseMoveEvent(QMouseEvent* event) {
    const QPoint p = event->position().toPoint();
    emit MouseMove(event->buttons(), event->modifiers(), p.x(), p.y());
}

void TFlexDosu::mouseReleaseEvent(QMouseEvent* event) {
    const QPoint p = event->position().toPoint();
    emit MouseUp(event->button(), event->modifiers(), p.x(), p.y());
}
