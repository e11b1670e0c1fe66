// TXYPlot: the scatter plot of every window (X-Y graphs, normal and time
// plots, loading plots). The plot itself lives in XYPlotCore; the widget
// gives it its size, paints it in the paint event and passes the mouse on to
// the window, which calls the selection and region operations.
#pragma once

#include <QWidget>

#include "components/plot/core/xy_plot_core.h"

class TXYPlot : public QWidget, public XYPlotCore {
    Q_OBJECT
public:
    explicit TXYPlot(QWidget* parent = nullptr);

    int Width() const override { return width(); }
    int Height() const override { return height(); }

signals:
    void MouseDown(Qt::MouseButton button, Qt::KeyboardModifiers modifiers, int x, int y);
    void MouseMove(Qt::MouseButtons buttons, Qt::KeyboardModifiers modifiers, int x, int y);
    void MouseUp(Qt::MouseButton button, Qt::KeyboardModifiers modifiers, int x, int y);

protected:
    void Changed() override { update(); }
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
};
