// RegFit: what one estimation of the model leaves behind.
//
// The design matrix the moments were summed from, the moment matrix swept
// for the variables in the model, and every figure read from it. Vectors
// run over the variable indices 0 .. k, index k being the constant term.
#pragma once

#include <vector>

#include "core/numeric/matrix.h"

struct RegFit {
    // Zero-filled for n observations and k variables.
    RegFit(int n, int k);

    // The moment matrix, swept for the variables in the model.
    LongMatrix moments;
    // One row per observation, one column per variable, the constant last.
    // An ordinary fit fills it on its first read: its values are read
    // through Reg::Design() (mutable for that first read).
    mutable Matrix design;
    // Means of the design columns (as a double and its remainder), for the
    // leverages: centred, they need no cancellation of large terms.
    std::vector<double> designMeanHi;
    std::vector<double> designMeanLo;
    // True when the design holds first-stage fitted values.
    bool designTwoStage = false;

    Vector coef;
    // From s2 as formed: a perfect fit's standard errors are its rounding.
    Vector stdErr;
    // From s2 held at its floor: what t values and their marks divide by.
    Vector heldStdErr;
    Vector fValue;
    // Pivots below these are taken for zero.
    Vector tolerance;
    // The moments of the design before any variable was swept in: what the
    // collinearity measures read without another pass over the data.
    LongMatrix unswept;
    // The same thresholds in the precision of the moments, which also hold
    // values a double cannot (the spread of a column near 1e300).
    std::vector<long double> toleranceLong;
    long double ToleranceOf(int j) const {
        return j >= 0 && j < static_cast<int>(toleranceLong.size()) ? toleranceLong[static_cast<std::size_t>(j)]
                                                                    : static_cast<long double>(tolerance.At(j));
    }

    int residualDf = 0;
    double s2 = 0.0;
    double varY = 0.0;
    double r2 = 0.0;
    double adjR2 = 0.0;
    double syy = 0.0;
    double sse = 0.0;
    // Set with the leverages (Reg::CompleteLeverages).
    mutable double press = 0.0;
    // Residual tests, set with the residual analysis.
    double hetero = 0.0;
    double durbinWatson = 0.0;

    // Fresh zero vectors and moment matrix for k variables.
    void ResetFor(int k);
    // Every figure of the fit (degrees of freedom, sums of squares, R²,
    // PRESS, residual tests) back to zero.
    void ClearFigures();
    // Sized for k variables.
    bool HasShape(int k) const;
};
