// What the restricted regression window shows of a Restricted fit: the
// table of estimates and restrictions, the figures under it, the series of
// the residual displays and the order condition of the fitted equation.
// The grid, the status bar and the plots read the same values.
#pragma once

#include <string>
#include <vector>

#include "core/report/result_table.h"
#include "estimators/restricted.h"

class Data;

// Titles: the dependent's name, "β推定値", "β標準誤差", "制約1" .. "制約m".
// Row 0 is "制約値" with the value of each restriction; row 1 + i is
// coefficient i (the constant term last) with its estimate, its standard
// error and its coefficient in each restriction.
ResultTable RestrictedTable(const Restricted& r);

// The square root of the variance; a negative variance shows "0" when it
// is within rounding of zero and "-" otherwise.
ResultCell RestrictedStdErrorCell(const Restricted& r, int i);
// sqrt(max(variance, 0)) for the interval texts.
double RestrictedStdError(const Restricted& r, int i);

struct RestrictedFigures {
    ResultCell f, fLevel, sigma, r2, dw;
    std::string r2Title;  // "決定係数(R^2)" or "自由度修正済R^2"
    std::string gk;       // the value with its level in parentheses
};
RestrictedFigures RestrictedStatistics(const Restricted& r, bool adjustedR2);

// e_i / sqrt(s2 (1 - h_i)), s2 held at its floor on a perfect fit: no
// number at a leverage of 1, else 0 where that is not a number.
std::vector<double> RestrictedStandardizedResiduals(const Restricted& r);

// One series of a residual display: mode 0 fitted, 1 time, 100 + j
// regressor j against the standardised residuals; 200 squared-residual
// share against leverage; 200 + L (1..4) e(i+L) against e(i); 205 fitted
// against observed. Empty for an unknown mode or a lag display of fewer
// than four points.
struct RestrictedDisplay {
    std::string xName, yName;
    std::vector<double> x, y;
};
RestrictedDisplay RestrictedDisplaySeries(const Restricted& r, int mode);

// The order condition of the restricted equation in the data set's
// variable types: a coefficient counts when |b| >= single epsilon; with G_x
// the exogenous and lagged coefficients (the constant among them), G_xi
// those of them included and G_y the included endogenous ones plus the
// dependent, it holds when G_x >= 2 and G_x - G_xi >= G_y - 1.
bool RestrictedEquationIdentified(const Restricted& r, const Data& data);
