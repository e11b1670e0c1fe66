// A value label of the graph pages that reports a click (the correlation,
// R² and standard-error fields, the selected point's number).
#pragma once

#include <QLabel>

#include <functional>

class ClickLabel : public QLabel {
public:
    using QLabel::QLabel;
    std::function<void()> onClick;

protected:
    void mousePressEvent(QMouseEvent* event) override {
        QLabel::mousePressEvent(event);
        if (onClick) onClick();
    }
};
