// Paints a plot widget through an image of its size: the plot draws on the
// image with the QPainter canvas (where many dots are written straight into
// the pixels), and the image goes to the screen in one piece.
#pragma once

#include <functional>

class PlotCanvas;
class QWidget;

void PaintThroughImage(QWidget& widget, const std::function<void(PlotCanvas&)>& paint);
