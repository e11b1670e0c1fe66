// TFlexDosu: the histogram of the frequency page, with classes the user
// joins and splits.
// The drawing and the class algebra live in FlexDosuCore; the widget gives
// it its size, paints it in the paint event and passes the mouse on to the window.
#pragma once

#include <QWidget>

#include "components/plot/core/flex_dosu_core.h"

class TFlexDosu : public QWidget, public FlexDosuCore {
    Q_OBJECT
public:
    explicit TFlexDosu(QWidget* parent = nullptr);

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
