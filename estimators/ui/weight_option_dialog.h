// TfrmWeightOption: how the weighted regression window weights the
// observations: manual weights, one of four robust weight functions with
// its constant, bounded influence, or AR errors of an order. On OK it holds
// the kind (the weight item + 10 when AR errors are chosen), the constant
// and the bounded-influence switch; the window applies them.
#pragma once

#include <QDialog>

class AppState;
class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

class TfrmWeightOption : public QDialog {
    Q_OBJECT
public:
    static constexpr int kWeightItems = 5;

    TfrmWeightOption(AppState& state, QWidget* owner);

    void FormActivate();
    void rgSetClick(int item);
    void rgARClick(int item);
    // Reads the constant (an expression) and closes with OK; a constant the
    // chosen weight function cannot use keeps the dialog open.
    void btnSetClick();

    int SetIndex() const;
    int ARIndex() const;
    QString OrderText() const;

    QGroupBox* rgSet = nullptr;
    QRadioButton* setItems[kWeightItems] = {};
    QLabel* Label1 = nullptr;
    QLineEdit* eH = nullptr;
    QCheckBox* cbYukai = nullptr;
    QGroupBox* rgAR = nullptr;
    QRadioButton* arItems[2] = {};
    QPushButton* btnSet = nullptr;
    QPushButton* btnCancel = nullptr;

    // Set by the owner before showing (the t weights' degrees of freedom),
    // and the constant read on OK.
    double value = 0.0;
    bool bounded = false;
    int kind = 0;

private:
    AppState& state_;
};
