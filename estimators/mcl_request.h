// What the multicollinearity window is opened with: the one model whose
// regressors it examines (exactly one of the three pointers is set; a
// request with none fills nothing) and whether every variable enters
// instead of only the model's explanatory ones.
#pragma once

class Reg;
class RegIV;
class WLSE;

struct MclRequest {
    // The least-squares model of the main window.
    const Reg* model = nullptr;
    // An instrumental-variable model (the instrumental-variable window).
    const RegIV* ivModel = nullptr;
    // A fitted weighted model (the weighted regression window): its
    // transformed regressors and dependent; the option below does not apply.
    const WLSE* weighted = nullptr;
    // Every variable other than the dependent one as a regressor. The
    // windows that open this one pass false; the window toggles it.
    bool allVariables = false;
};
