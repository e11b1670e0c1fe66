// TACFView: the correlogram of the autocorrelation page; GetIndex gives the
// bar under a click.
// The drawing and the axis live in ACFViewCore; the widget gives it its
// size, paints it in the paint event and passes the mouse on to the window.
#pragma once

#include <QWidget>

#include "components/plot/core/acf_view_core.h"

class TACFView : public QWidget, public ACFViewCore {
    Q_OBJECT
public:
    explicit TACFView(QWidget* parent = nullptr);

    int Width() const override { return width(); }
    int Height() const override { return height(); }

signals:
    void MouseDown(Qt::MouseButton button, Qt::KeyboardModifiers modifiers, int x, int y);
    void MouseMove(Qt::MouseButtons buttons, Qt::KeyboardModifiers modifiers, int x, int y);
    void MouseUp(Qt::MouseButton button, Qt::KeyboardModifiers modifiers, int x, int y);

protected:
    void Changed() override { update(); }
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
};
