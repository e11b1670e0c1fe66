// The values the instrumental-variable window shows, formed from its RegIV:
// the estimates table, the summary values beside it, and the columns of the
// diagnostics and influence pages (named by ResultColumn, shared by the
// status bar and the plots). The window shows these cells and computes
// nothing of its own.
#pragma once

#include <string>
#include <vector>

#include "core/model/result_columns.h"
#include "core/model/result_marks.h"
#include "core/report/result_table.h"

class RegIV;

// Heading the dependent's name, then "Ｆ値", "β推定値", "β標準誤差"; one row
// per variable other than the dependent in index order, the constant term
// last. F reads "TOL CHECK" for a variable outside the equation whose F is
// exactly 0; a variable outside shows "-" for b and se. The se cell is
// "se (level)" marked as a t statistic; a standard error of 0 gives the
// level "-" and no mark.
ResultTable IVEstimatesTable(const RegIV& model);
// The variable of each row of the estimates table, in row order.
std::vector<int> IVEstimateRowVariables(const RegIV& model);
// A row locked by the tolerance check: outside the equation with F exactly
// 0. A variable in the equation can always be removed.
bool IVRowLocked(const RegIV& model, int variable);

// True when some explanatory variable of the equation (the constant term
// aside) has a design column that differs from its observed one.
bool IVHasInstrument(const RegIV& model);
// The specification test: value and "value (level%)" as a chi-square with
// as many degrees of freedom as coefficients; "不能" (no number) when the
// test cannot be formed: no instrument in the equation, a difference
// matrix that cannot be inverted, or a negative value.
ResultCell IVSpecificationCell(RegIV& model);

// The summary beside the estimates; computes the residual tests.
struct IVSummary {
    ResultCell df, s, r2, adjR2, specification, press, gk, dw;
};
IVSummary IVSummaryCells(RegIV& model);

// --- the per-observation pages ------------------------------------------------
std::string IVColumnTitle(const RegIV& model, ResultColumn column);
// The value of a column at observation i: the design for a variable, the
// analysis rows for the rest; the scaled DFBETA divides by the square root
// of the covariance factor times s^2(i).
double IVColumnValue(const RegIV& model, ResultColumn column, int i);

// The influence page's columns after the number column: the seven measures,
// a leave-one-out t per coefficient in the equation (index order, the
// constant term last), then a DFBETA per coefficient (raw with raw).
std::vector<ResultColumn> IVInfluenceColumns(const RegIV& model, bool raw = false);

// The cut-offs of the current equation.
InfluenceCutoffs IVInfluenceCutoffs(const RegIV& model);
// Diagnostics column 1 .. 10 at observation i (column 1 the observed value
// of the data, not the design).
std::string IVDiagnosticCellText(const RegIV& model, const ResultMarks& marks, int column, int i);
std::string IVInfluenceCellText(const RegIV& model, const ResultMarks& marks, ResultColumn column, int i);
