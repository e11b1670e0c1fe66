#include "estimators/ui/ridge_trace_box.h"

#include <QFontMetrics>
#include <QMouseEvent>

#include "components/plot/plot_widget_painting.h"

RidgeTraceBox::RidgeTraceBox(QWidget* parent) : QWidget(parent) {
    setObjectName("RC");
    setMinimumSize(120, 80);
}

void RidgeTraceBox::SetTable(const MclRidgeTable* table, int selected) {
    table_ = table;
    selected_ = selected;
    update();
}

void RidgeTraceBox::PaintOn(PlotCanvas& canvas, int width, int height) {
    static const MclRidgeTable empty;
    trace_.Paint(canvas, table_ ? *table_ : empty, width, height, QFontMetrics(font()).height(), selected_);
}

void RidgeTraceBox::paintEvent(QPaintEvent*) {
    PaintThroughImage(*this, [this](PlotCanvas& canvas) { PaintOn(canvas, width(), height()); });
}

void RidgeTraceBox::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && onMouseDown) {
        const QPoint p = event->position().toPoint();
        onMouseDown(p.x(), p.y());
    }
    QWidget::mousePressEvent(event);
}
