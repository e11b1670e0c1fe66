// The request of the windows that the main window opens from its command
// table (and the transformations and the group colours). It is closed to new
// fields: a new window declares its own request struct instead.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

class GridColorList;
class Reg;
class TFileMatrix;
class TNamedData;

// Only the fields its command names are set.
struct LaunchRequest {
    // The model an analysis window works on (it may change it).
    Reg* model = nullptr;
    // The model a window only reads: windows that hand values back get
    // this one and no model to change.
    const Reg* readModel = nullptr;
    // Weighted regression: 5 robust weights, 101 AR(1) errors; the
    // multicollinearity window's option (0).
    int mode = 0;
    // The reduced form: estimated by two-stage least squares.
    bool twoStage = false;
    // Linear restrictions: one flag per variable.
    const std::vector<std::uint8_t>* variableFlags = nullptr;
    // The correlation matrix: the named table, the design rows under
    // two-stage estimation (or null), and whether to offer the selection.
    const TNamedData* table = nullptr;
    const TFileMatrix* designTable = nullptr;
    bool showSelection = false;
    // Windows that hand values back (the transformations): the caller's
    // series to fill, the comment text to fill, the variable's name and
    // index, the kind, and whether a comment is wanted.
    std::vector<double>* values = nullptr;
    std::string* comment = nullptr;
    std::string variableName;
    int variable = -1;
    int kind = 0;
    bool commentWanted = false;
    // The group colour window: the table to edit in place on OK.
    GridColorList* colors = nullptr;
};
