// TfrmChow: the structural change test of the current model. The parts are
// the observations before and from a boundary (scroll bar or typed), or two
// groups of the data set, as the program's setting says each time it is
// read. It shows both parts' coefficients, sums of squares, R², F and its
// level, plots each part's residuals and leverages, and plots the model's
// recursive residuals. The model is never changed.
//
// Modal: the main window opens it per use.
#pragma once

#include <optional>

#include "components/view/analysis_window_base.h"
#include "estimators/chow_request.h"
#include "estimators/chow_test.h"

class QLabel;
class QLineEdit;
class QPushButton;
class QScrollBar;
class QStatusBar;
class ResultGrid;

class TfrmChow : public AnalysisWindowFor<ChowRequest> {
    Q_OBJECT
public:
    explicit TfrmChow(const WindowContext& context);

    // Boundary mode: the scroll range and the first computation at the
    // middle; false when the data set is too small for any boundary.
    bool Prepare();
    void FormShow();

    void btnCalcClick();
    void sbSepChange(int position);
    void sgBMouseDown(int x, int y);
    // Statistics of the studentised residuals, residual plot, leverage plot
    // of part 0 (A) or 1 (B).
    void ResidualStatistics(int part);
    void ResidualPlot(int part);
    void LeveragePlot(int part);
    void btnWClick();

    bool GroupMode() const;
    const std::optional<ChowResult>& Result() const { return result_; }
    int Calculations() const { return calculations_; }

    QLabel* lblAGun = nullptr;
    QLineEdit* eAGun = nullptr;
    QLabel* lblBGun = nullptr;
    QLineEdit* eBGun = nullptr;
    QScrollBar* sbSep = nullptr;
    QLabel* stN = nullptr;
    QLabel* stN1 = nullptr;
    QLabel* stN2 = nullptr;
    QLabel* stRSSR = nullptr;
    QLabel* stRSSA = nullptr;
    QLabel* stRSSB = nullptr;
    QLabel* stRR2A = nullptr;
    QLabel* stRR2B = nullptr;
    QLabel* stF0Val = nullptr;
    QLabel* stFVal = nullptr;
    ResultGrid* sgB = nullptr;
    QPushButton* SpeedButton1 = nullptr;
    QPushButton* SpeedButton2 = nullptr;
    QPushButton* SpeedButton3 = nullptr;
    QPushButton* SpeedButton4 = nullptr;
    QPushButton* SpeedButton5 = nullptr;
    QPushButton* SpeedButton6 = nullptr;
    QPushButton* btnCalc = nullptr;
    QPushButton* btnW = nullptr;
    QPushButton* btnExit = nullptr;
    QPushButton* btnHelp = nullptr;
    QStatusBar* SB = nullptr;

protected:
    bool Setup(const ChowRequest& request) override;

private:
    void CalculateBoundary();
    void CalculateGroups();
    void Show(ChowResult result);
    const RegData* Part(int part) const;

    const Reg* reg_ = nullptr;
    std::optional<ChowResult> result_;
    int calculations_ = 0;
};

// Registers the window with the window registry.
void RegisterChowWindow();
