// TfrmYWEst: the Yule-Walker transformation. An AR(p) model is fitted to
// one series; OK hands back the prewhitened series (and the note of the
// order's coefficients). Opened by the transformation command on a
// variable, and on a series from the univariate statistics window.
#pragma once

#include <QDialog>

#include <string>
#include <vector>

#include "components/view/window_context.h"
#include "estimators/yule_walker.h"

class QLabel;
class QPushButton;
class ResultGrid;

class TfrmYWEst : public QDialog {
    Q_OBJECT
public:
    explicit TfrmYWEst(const WindowContext& context);

    // False (nothing to show) for a series too short or without variance.
    bool SetData(const std::vector<double>& values, int order);

    void FormShow();
    void btnSetRhoClick();
    void btnResClick();

    const YuleWalkerSeries& Series() const { return series_; }

    ResultGrid* sgEst = nullptr;
    QLabel* stVe = nullptr;
    QLabel* stAve = nullptr;
    QPushButton* btnSetRho = nullptr;
    QPushButton* btnRes = nullptr;
    QPushButton* btnOK = nullptr;
    QPushButton* btnCancel = nullptr;
    QPushButton* btnHelp = nullptr;

private:
    QPushButton* AddButton(const char* name, const char* caption, std::function<void()> handler);

    WindowContext context_;
    YuleWalkerSeries series_;
};

void RegisterYuleWalkerWindow();
