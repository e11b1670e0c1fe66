// The time-series page of the univariate statistics window: the series in
// a grid beside its plot against time with the fitted trend curve, the
// plot's lowest grid line and interval, the trend's name (a click chooses
// another) and the button that shows its formula.
#pragma once

#include <QWidget>

class ClickLabel;
class QLabel;
class QPushButton;
class TStringGrid;
class TXYPlot;

class TfsTimePage : public QWidget {
    Q_OBJECT
public:
    explicit TfsTimePage(QWidget* parent = nullptr);

    TStringGrid* sgData = nullptr;
    TXYPlot* timeseries = nullptr;
    QLabel* stBottom = nullptr;
    QLabel* stLineWidth = nullptr;
    ClickLabel* stLineStyle = nullptr;
    QPushButton* btnExpresMsg = nullptr;
};
