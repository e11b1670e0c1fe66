// RegData: the fit of one part of the structural change test, with the
// per-observation rows its plots and statistics read.
#pragma once

#include <string>
#include <vector>

#include "core/numeric/matrix.h"

struct RegData {
    int n = 0;   // observations of the part
    int k = 0;   // coefficients, the constant term included
    int df = 0;  // n - k
    // Index 0 the constant term, then the regressors in the table's order;
    // the standard errors from s2 as formed and from s2 held at its floor
    // (what a t value divides by).
    std::vector<double> coef, stdErr, heldStdErr;
    // Per observation of the part.
    std::vector<double> studentised, leverage, fitted, share;
    double sse = 0.0;
    double r2 = 0.0;
    double varY = 0.0;  // of the part's dependent values: its floor's scale

    RegData() = default;
    RegData(int obs, int coefs);
};

// The studentised residual e / sqrt(s2 (1 - h)): no number at a leverage
// of 1 (the leverages are stored snapped to it); a leverage past 1 takes
// 1 - h as 1 - 2^-23, and s2 = 0 (a dependent variable without spread)
// gives 0.
double StudentisedResidual(double e, double h, double s2);

// Fills the per-observation rows of r from residuals e and leverages h
// (fitted values given), the part's residual sum of squares and varY. A
// part fitted exactly has s2 held at its floor (perfect_fit.h) in the
// studentised residuals and the shares.
void FinishPartRows(RegData& r, const std::vector<double>& e);

// The part fit on swept moments m ((kx + 2) square: the regressors, the
// dependent at kx, the constant term at kx + 1; unswept the same before
// the sweep) with the observed rows x (row-major, stride kx + 2, constant
// column 1.0). Fills coefficients, standard errors and the per-observation
// rows (in centred form, centred_fit_rows.h); returns the residual sum of
// squares.
double FitPartFromSweep(RegData& r, const double* x, const LongMatrix& m, const LongMatrix& unswept, int kx);
