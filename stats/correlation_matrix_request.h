// What the correlation matrix window is opened with: a named table of the
// columns to show, optionally a second table of the same shape whose
// values the window can switch to (shown as "(iv)", e.g. the instrumented
// values), and whether the choice between all and selected columns is
// offered (the table's selection flags). The opener owns both tables and
// keeps them alive while the window is open.
#pragma once

class TFileMatrix;
class TNamedData;

struct CorrelationMatrixRequest {
    const TNamedData* table = nullptr;
    // Rows and columns as table's; null when there is none.
    const TFileMatrix* alternate = nullptr;
    bool showSelection = false;
};
