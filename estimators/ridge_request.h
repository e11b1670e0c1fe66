// What the ridge regression window is opened with: either a model (its
// variables in use, its dependent; the equation list takes the ridge
// equation) or a table of named columns with the dependent's column index
// (the selected columns are the regressors).
//
// Callers that take over the ridge fit (fitted values, residuals,
// coefficients) read the window's estimator in closed, which runs after the
// window closed and before it is destroyed, only when the estimator holds a
// fit.
#pragma once

#include <functional>

class Reg;
class Ridge;
class TNamedData;

struct RidgeRequest {
    Reg* model = nullptr;
    const TNamedData* table = nullptr;
    int dependentColumn = -1;
    std::function<void(const Ridge&)> closed;
};
