// TfrmAnova: the analysis of variance of the current least-squares model,
// its goodness-of-fit measures and a coefficient table that shows either the
// estimates or their covariance matrix, ordinary or White. It only reads the
// model; every number comes from one engine table per covariance kind.
//
// Modal: the main window opens it per use and it is destroyed when closed.
#pragma once

#include <optional>

#include "components/view/analysis_window_base.h"
#include "components/view/launch_request.h"
#include "estimators/anova.h"

class QLabel;
class QPushButton;
class ResultGrid;

class TfrmAnova : public AnalysisWindowFor<LaunchRequest> {
    Q_OBJECT
public:
    explicit TfrmAnova(const WindowContext& context);

    // Fills everything from the model's current fit with the ordinary
    // covariance and the estimates shown; false (nothing to show) when
    // there is no model or no fit.
    bool FillTables(const Reg* reg);

    void btnCompClick();
    void btnWhiteClick();

    // What the window holds.
    const AnovaTable& Table() const { return *table_; }
    bool ShowsEstimates() const { return showEstimates_; }

    ResultGrid* sgAnova = nullptr;
    ResultGrid* sgB = nullptr;
    QLabel* stR = nullptr;
    QLabel* stR2 = nullptr;
    QLabel* stRR = nullptr;
    QLabel* stRR2 = nullptr;
    QLabel* stRRR = nullptr;
    QLabel* stRRR2 = nullptr;
    QLabel* stSigE = nullptr;
    QLabel* stPSS = nullptr;
    QLabel* stRRPSS = nullptr;
    QPushButton* btnComp = nullptr;
    QPushButton* btnWhite = nullptr;
    QPushButton* btnExit = nullptr;

protected:
    bool Setup(const LaunchRequest& request) override;

private:
    void FillAnova();
    void FillMeasures();
    void FillCoefficients();
    void FillEstimates();
    void FillCovariance();

    const Reg* reg_ = nullptr;
    // Built in place: a matrix assigned keeps its former shape.
    std::optional<AnovaTable> table_;
    bool showEstimates_ = true;
};

// Registers the window with the window registry.
void RegisterAnovaWindow();
