// The paint box of the box plot page: the box between the hinges, the
// median, the whiskers to the extreme values, the outlier fences and the
// outliers with their hexadecimal numbers, drawn through PlotCanvas so that
// tests can record it; and which quarter of the data lies under a click.
#pragma once

#include <QWidget>

#include "stats/univariate_box_numbers.h"

class PlotCanvas;

// Draws on a box of width w and height h.
void PaintBoxPlot(PlotCanvas& canvas, const BoxPlotNumbers& box, int w, int h);
// The quarter 0..3 whose segment holds the column x (the first on a
// border), -1 left of the minimum or right of the maximum.
int BoxPlotQuarterAt(const BoxPlotNumbers& box, int w, int x);

class TBoxPaint : public QWidget {
    Q_OBJECT
public:
    explicit TBoxPaint(QWidget* parent = nullptr);
    // The numbers drawn (kept by the caller); none draws an empty box.
    void SetNumbers(const BoxPlotNumbers* box);

signals:
    void MouseDown(Qt::MouseButton button, Qt::KeyboardModifiers modifiers, int x, int y);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    const BoxPlotNumbers* box_ = nullptr;
};
