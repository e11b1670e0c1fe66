// The autocorrelation page of the univariate statistics window: the
// autocorrelations or partial autocorrelations in a grid and a correlogram,
// the highest lag, the confidence limits and the five tests of randomness,
// and the button to the Yule-Walker estimation.
#pragma once

#include <QWidget>

class QButtonGroup;
class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class TACFView;
class TStringGrid;

class TfsACFPage : public QWidget {
    Q_OBJECT
public:
    explicit TfsACFPage(QWidget* parent = nullptr);

    TStringGrid* sgACFData = nullptr;
    TACFView* ACF = nullptr;
    QLineEdit* eH = nullptr;
    QButtonGroup* rgShow = nullptr;
    QRadioButton* rbACF = nullptr;
    QRadioButton* rbPACF = nullptr;
    QPushButton* btnYWEst = nullptr;
    QCheckBox* cbZoom = nullptr;
    QLabel* stLimit = nullptr;
    QLabel* stQlb = nullptr;
    QLabel* stQhat = nullptr;
    QLabel* stT = nullptr;
    QLabel* stS = nullptr;
    QLabel* stP = nullptr;
};
