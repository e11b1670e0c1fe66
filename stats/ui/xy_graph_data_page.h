// The data page of the X-Y graph window: the fit's summary values, the
// coefficient and data grids and the prediction group. The window owns the
// commands; this page lays the controls out and shows a fit in them.
#pragma once

#include <QWidget>

#include "components/view/window_context.h"
#include "stats/curve_fit_tables.h"

class ClickLabel;
class NumericField;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class ResultGrid;
class TSRA;

class TXYGraphDataPage : public QWidget {
public:
    TXYGraphDataPage(const WindowContext& context, QWidget* parent);

    // The summary values and both grids for the fit; points outside the
    // ranges are numbered with "_".
    void ShowFit(const TSRA& fit, const CurvePlotRanges& ranges, int curveType);
    // R² or the adjusted R², with its label.
    void ShowR2(const TSRA& fit, bool adjusted);

    QLabel* lblRR2 = nullptr;
    ClickLabel* stR2 = nullptr;
    ClickLabel* stVe = nullptr;
    QLabel *stGK = nullptr, *stDWR = nullptr, *stFe = nullptr, *stPSS = nullptr;
    QLabel *lblBCE = nullptr, *stBCE = nullptr;
    ResultGrid* dgData = nullptr;
    ResultGrid* dgEst = nullptr;
    QGroupBox* gbPred = nullptr;
    NumericField* epX = nullptr;
    QLineEdit* eSinrai = nullptr;
    QLineEdit* eKakuritu = nullptr;
    QLabel *stPredY = nullptr, *stUpper = nullptr, *stLower = nullptr;
    QPushButton* btnCalc = nullptr;
    QPushButton* btnPGraph = nullptr;
};

// A sunken, right-aligned value field of the graph pages.
QLabel* GraphValueLabel(QWidget* parent, const char* name);
