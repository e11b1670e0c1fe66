// The box plot page of the univariate statistics window: the paint box,
// the five-number summary with the range, the interquartile distance, the
// fences and the mean absolute deviation, and the list of outliers.
#pragma once

#include <QWidget>

class QLabel;
class QListWidget;
class TBoxPaint;

class TfsBoxPage : public QWidget {
    Q_OBJECT
public:
    explicit TfsBoxPage(QWidget* parent = nullptr);

    TBoxPaint* pbBox = nullptr;
    QLabel* stQuartile0 = nullptr;
    QLabel* stQuartile1 = nullptr;
    QLabel* stQuartile2 = nullptr;
    QLabel* stQuartile3 = nullptr;
    QLabel* stQuartile4 = nullptr;
    QLabel* stRange = nullptr;
    QLabel* stQR = nullptr;
    QLabel* stQRL = nullptr;
    QLabel* stQRH = nullptr;
    QLabel* stMAD = nullptr;
    // One line per outlier; each item keeps its observation (0-based) as
    // its user data.
    QListWidget* lbList = nullptr;
};
