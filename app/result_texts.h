// Cell texts of the diagnostics and influence grids and the cut-off points
// behind their marks. A mark ("**" or "* ") in front of a value asks the
// cell painter for red or blue. Cut-offs that need more residual degrees of
// freedom than the fit has are left out, and so are their marks.
#pragma once

#include <optional>
#include <string>

#include "app/result_columns.h"

class Reg;

// The error rate in percent: signed with two decimals, "+∞" / "-∞" beyond
// ±9999.
std::string ErrorRateText(double percent);

// Column 1..10 of the diagnostics grid at observation i.
std::string DiagnosticCellText(const Reg& model, int column, int i);

// The mark of an externally studentised residual: "**" below the 1 % level,
// "* " below 5 %; none when the fit has fewer than two residual degrees of
// freedom.
std::string StudentMark(int residualDf, double t);

struct InfluenceCutoffs {
    int n = 0;
    int df = 0;
    int p = 0;  // coefficients, the constant included
    double covratioLow = 0.0;
    double covratioHigh = 0.0;
    std::optional<double> dffits;  // df >= 1
    std::optional<double> cooksD;  // df >= 2
    std::optional<double> welsch;  // df >= 1
    double dfbeta = 0.0;           // scaled DFBETA
};

InfluenceCutoffs ComputeInfluenceCutoffs(const Reg& model);

// The text of an influence-grid column at observation i, marked against the
// cut-offs.
std::string InfluenceCellText(const Reg& model, const InfluenceCutoffs& cut, ResultColumn column, int i);

// "<label>の切断点 = <value>" for the measures that have a cut-off; empty
// for the others and for cut-offs left out.
std::string InfluenceCutoffText(const InfluenceCutoffs& cut, ResultColumn column);
