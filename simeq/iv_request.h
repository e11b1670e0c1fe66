// What the instrumental-variable window is opened with: the data set's
// model (its dependent and explanatory variables start the equation) and
// whether the estimator takes only the model's variables, read when the
// window builds its estimator.
#pragma once

#include <functional>

class Reg;

struct IVRequest {
    Reg* model = nullptr;
    std::function<bool()> selectedOnly;
    // The report margin of the settings, read when the report is written
    // (none: 80).
    std::function<int()> reportMargin;
};
