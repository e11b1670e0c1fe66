// The structural-equation page of the simultaneous-equation window: one
// stochastic equation at a time with its estimates (or, after a click, its
// coefficient covariance), the standard error of the regression, the
// corrected R² and the LIML ratio.
#pragma once

#include <QWidget>

#include <functional>
#include <memory>
#include <string>

class QComboBox;
class QLabel;
class ResultGrid;
class SimultaneousSystem;

class StructuralPage : public QWidget {
    Q_OBJECT
public:
    using StatusText = std::function<void(const std::string&)>;
    StructuralPage(QWidget* parent, StatusText status);

    // Lists the system's stochastic equations and shows the first.
    void SetSystem(std::shared_ptr<const SimultaneousSystem> sys);
    void tsKozoShow();
    void cbSelectChange(int index);
    void sgEstMouseDown(Qt::MouseButton button, int x, int y);

    int CurrentEquation() const { return current_; }
    bool ShowsEstimates() const { return estimates_; }

    QComboBox* cbSelect = nullptr;
    ResultGrid* sgEst = nullptr;
    QLabel* stVe = nullptr;
    QLabel* stR2 = nullptr;
    QLabel* stLIML = nullptr;

private:
    std::shared_ptr<const SimultaneousSystem> sys_;
    StatusText status_;
    int current_ = 0;
    bool estimates_ = true;
};
