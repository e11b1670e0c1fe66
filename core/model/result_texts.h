// Cell texts of the diagnostics and influence grids and the cut-off points
// behind their marks. A mark ("**" or "* ") in front of a value asks the
// cell painter for red or blue. Cut-offs that need more residual degrees of
// freedom than the fit has are left out, and so are their marks.
#pragma once

#include <string>

#include "core/model/result_columns.h"
#include "core/model/result_marks.h"

class Reg;

// Column 1..10 of the diagnostics grid for the value v of that column (the
// observed value for column 1): the residual in fixed form, the error rate
// as its text, the externally studentised residual marked.
std::string DiagnosticValueText(const ResultMarks& marks, int column, double v);

// An influence-grid value: the measures marked against their cut-offs
// (R^2(i) and R'^2(i) unmarked), a DFBETA column as "raw (scaled)" marked by
// the scaled value; other columns plain.
std::string InfluenceValueText(const ResultMarks& marks, ResultColumn column, double v, double raw, double scaled);

// Column 1..10 of the diagnostics grid at observation i.
std::string DiagnosticCellText(const Reg& model, const ResultMarks& marks, int column, int i);

// The text of an influence-grid column at observation i, marked against the
// cut-offs.
std::string InfluenceCellText(const Reg& model, const ResultMarks& marks, ResultColumn column, int i);

// "<label>の切断点 = <value>" for the measures that have a cut-off; empty
// for the others and for cut-offs left out.
std::string InfluenceCutoffText(const InfluenceCutoffs& cut, ResultColumn column);
