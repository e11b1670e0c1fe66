// TfrmARP: the AR coefficients of a weighted fit with AR errors, each with
// its variance figure (marked when the coefficient lies within 1.96
// standard errors of zero), and the innovation variance. Outside AR mode
// the grid and the variance stay empty.
#pragma once

#include <QDialog>

class QLabel;
class QPushButton;
class ResultGrid;
class WLSE;

class TfrmARP : public QDialog {
    Q_OBJECT
public:
    explicit TfrmARP(QWidget* owner);

    void SetEstimator(const WLSE* fit) { fit_ = fit; }
    void FormShow();

    ResultGrid* sgARE = nullptr;
    QLabel* stARV = nullptr;
    QPushButton* btnClose = nullptr;

private:
    const WLSE* fit_ = nullptr;
};
