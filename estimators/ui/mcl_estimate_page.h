// The ridge estimates page of the multicollinearity window: the ridge
// constant (a click asks for another), the estimates grid and the fit's
// summary texts.
#pragma once

#include <QWidget>

#include <string>
#include <vector>

class QLabel;
class QPushButton;
class ResultGrid;
struct MclRidgeFit;

class MclEstimatePage : public QWidget {
    Q_OBJECT
public:
    explicit MclEstimatePage(QWidget* parent = nullptr);

    // Shows the fit (null: empty page).
    void Show(const MclRidgeFit* fit, const std::vector<std::string>& names);

    QPushButton* stRK = nullptr;
    ResultGrid* sgEst = nullptr;
    QLabel* stVe = nullptr;
    QLabel* stR2 = nullptr;
    QLabel* stDWR = nullptr;
    QLabel* stGK = nullptr;
    QLabel* stGCV = nullptr;
};
