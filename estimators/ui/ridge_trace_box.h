// RidgeTraceBox (RC): the paint box of the ridge trace page. It paints the
// window's ridge table through RidgeTrace on every paint (a resize
// repaints) and reports left clicks as points of the trace.
#pragma once

#include <QWidget>

#include <functional>

#include "estimators/ui/ridge_trace.h"

class RidgeTraceBox : public QWidget {
    Q_OBJECT
public:
    explicit RidgeTraceBox(QWidget* parent = nullptr);

    // The table to draw and the highlighted curve; repaints.
    void SetTable(const MclRidgeTable* table, int selected);
    const RidgeTrace& Trace() const { return trace_; }
    // The trace's own drawing of the current table on any canvas.
    void PaintOn(PlotCanvas& canvas, int width, int height);

    // Left click at (x, y) of the box.
    std::function<void(int x, int y)> onMouseDown;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    RidgeTrace trace_;
    const MclRidgeTable* table_ = nullptr;
    int selected_ = -1;
};
