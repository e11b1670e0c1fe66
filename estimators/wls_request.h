// What the weighted regression window (class "TfrmWLS") is opened with by
// the windows that fit their own data with it. Exactly one binding is set:
// a least-squares model, an instrumental-variable model or a named table.
// (The main window opens it through its launch request with the model and
// mode 5 or 101.)
#pragma once

#include <functional>

class Reg;
class RegIV;
class TFileMatrix;
class TNamedData;
class WLSE;

struct WLSRequest {
    // The model's variables on its dependent one, all observations; the
    // window then offers the choice of groups.
    const Reg* model = nullptr;
    // The explanatory variables (the constant term last) of an
    // instrumental-variable model on its dependent one, in two stages.
    const RegIV* ivModel = nullptr;
    // Every selected column of table other than dependentColumn is a
    // regressor (a constant term is added when no column bears its name).
    // With second (the same shape, its columns taken by index) the fit is
    // two-stage on second's values. Both stay the caller's and must outlive
    // the window.
    const TNamedData* table = nullptr;
    const TFileMatrix* second = nullptr;
    int dependentColumn = -1;

    // The starting mode: -1 plain fit, 0 manual weights (all 1), 1..4 the
    // robust weight kinds, 5 automatic robust weights, 100 + q AR(q) errors.
    int mode = 5;
    // For callers that adopt the robust fit: when the first estimation
    // reports failure (weights collapsed, the plain fit stands) the window
    // is not shown and opening gives 0.
    bool requireFit = false;
    // Called once when the shown window closes, with its estimator as last
    // estimated; callers read coefficients and result rows from it here.
    std::function<void(const WLSE&)> closed;
};
