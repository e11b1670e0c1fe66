// The two pages of the weighted regression window that are more than a
// grid: the estimates with the fit figures and the buttons to the AR
// coefficients and the multicollinearity window, and the prediction from
// typed regressor values.
#pragma once

#include <QWidget>

class QLabel;
class QPushButton;
class ResultGrid;
class TStringGrid;

class TfsWLSEstimatePage : public QWidget {
    Q_OBJECT
public:
    explicit TfsWLSEstimatePage(QWidget* parent);

    ResultGrid* sgEst = nullptr;
    QLabel* lblVe = nullptr;
    QLabel* stVe = nullptr;
    QLabel* lblRR2 = nullptr;
    QLabel* stR2 = nullptr;
    QLabel* stDWR = nullptr;
    QLabel* stGK = nullptr;
    QLabel* stFe = nullptr;
    QPushButton* btnAR = nullptr;
    QPushButton* btnMCL = nullptr;

signals:
    void VeDoubleClicked();
    void R2Clicked();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
};

class TfsWLSPredictPage : public QWidget {
    Q_OBJECT
public:
    explicit TfsWLSPredictPage(QWidget* parent);

    TStringGrid* sgVList = nullptr;
    QPushButton* btnCalc = nullptr;
    QLabel* stPred = nullptr;
};
