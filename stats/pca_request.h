// What the principal component window is opened with: either the data set
// (its variables ticked, its groups chosen, score series added back to it)
// or a named table whose columns are all analysed (no groups, nothing added
// back). The table is copied when the window fills, so the opener may free
// it afterwards.
#pragma once

class Reg;
class TNamedData;

struct PcaRequest {
    // The data set; used when no table is given.
    Reg* model = nullptr;
    // A table of observations (rows) and named variables (columns).
    const TNamedData* table = nullptr;
};
