// The mark rules of the main window's grids: observation marks shared by the
// data, diagnostics and influence grids, and column marks per grid. Plain
// functions on the mark sets, so every click combination can be tested
// without a window.
//
// Observation marks never refer to observations beyond the current count:
// ranges are clamped, and FitObservationMarks drops marks (and the anchor)
// past the end after the count changed.
#pragma once

#include "core/data/selekto.h"

struct MarkKeys {
    bool shift = false;
    bool ctrl = false;
    bool alt = false;
};

// Reads a flag without growing the set.
bool IsMarked(const Selekto& marks, int i);
int CountMarked(const Selekto& marks);

// A left click on the row header of observation obs (of count):
// Shift with an anchor marks the range to the anchor and forgets it;
// otherwise Ctrl+Alt unmarks obs, Ctrl marks it, Alt alone unmarks all, and
// a plain click leaves obs the only mark and the anchor.
void MarkObservationsByClick(Selekto& marks, int& anchor, const MarkKeys& keys, int obs, int count);

// Sets observations from..to (either order, clamped to the count) to value.
void SetObservationMarkRange(Selekto& marks, int from, int to, bool value, int count);

// After the observation count changed: the set holds exactly count flags.
void FitObservationMarks(Selekto& marks, int& anchor, int count);

// A left click on the title of column index in its grid's set own: without
// Ctrl the column marks of every grid are cleared first; then own[index]
// is inverted.
void ClickColumnMark(Selekto* const (&all)[3], Selekto& own, bool ctrl, int index);
