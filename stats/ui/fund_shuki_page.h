// The periodogram page of the univariate statistics window: the intensity
// of each period in a grid beside its bar chart with two bands.
#pragma once

#include <QWidget>

class QLabel;
class TACFView;
class TStringGrid;

class TfsShukiPage : public QWidget {
    Q_OBJECT
public:
    explicit TfsShukiPage(QWidget* parent = nullptr);

    TStringGrid* sgShuki = nullptr;
    TACFView* shuki = nullptr;
    // Says why no period is shown, hidden otherwise.
    QLabel* lblEmpty = nullptr;
};
