#include "components/plot/acf_view.h"

#include <QMouseEvent>

#include "components/plot/plot_widget_painting.h"

TACFView::TACFView(QWidget* parent) : QWidget(parent) { setAttribute(Qt::WA_OpaquePaintEvent); }

void TACFView::paintEvent(QPaintEvent*) {
    PaintThroughImage(*this, [this](PlotCanvas& canvas) { Paint(canvas); });
}

void TACFView::mousePressEvent(QMouseEvent* event) {
    const QPoint p = event->position().toPoint();
    emit MouseDown(event->button(), event->modifiers(), p.x(), p.y());
}

void TACFView::mouseMoveEvent(QMouseEvent* event) {
    const QPoint p = event->position().toPoint();
    emit MouseMove(event->buttons(), event->modifiers(), p.x(), p.y());
}

void TACFView::mouseReleaseEvent(QMouseEvent* event) {
    const QPoint p = event->position().toPoint();
    emit MouseUp(event->button(), event->modifiers(), p.x(), p.y());
}
