// The final-form page of the simultaneous-equation window: one equation of
// the data set's stored final form, chosen in the corner cell, its plot
// against the observed series, and deleting one or all stored equations
// (the data set is then modified: the final form is saved with it).
#pragma once

#include <QWidget>

#include "components/view/window_context.h"

class QPushButton;
class ResultGrid;

class FinalFormPage : public QWidget {
    Q_OBJECT
public:
    FinalFormPage(QWidget* parent, const WindowContext& context);

    void tsFFAShow();
    void sgFFCMouseDown(int x, int y);
    void btnYPlotClick();
    void btnDelClick();
    void btnAllClrClick();
    // Observed and computed values (mode 0) or residuals (mode 1) of the
    // current stored equation; nothing once it is no longer stored.
    void PlotStored(int mode);

    int Current() const { return current_; }

    ResultGrid* sgFFC = nullptr;
    QPushButton* btnYPlot = nullptr;
    QPushButton* btnDel = nullptr;
    QPushButton* btnAllClr = nullptr;

private:
    bool HasCurrent() const;

    WindowContext context_;
    int current_ = 0;
};
