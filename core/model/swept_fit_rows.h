// The per-observation figures of a least-squares fit read from its moment
// matrix (the layout of moment_matrix.h) swept on the regressors: fitted
// values as the mean of y plus centred terms, leverages as 1/n plus a
// quadratic form on centred rows, as the main fit forms them. Uncentred,
// both are small differences of large terms (Longley's constant term is
// -3.5e6 for fitted values near 6e4), which cost digits.
//
// The estimators that sweep moment matrices of their own share these forms.
#pragma once

#include <vector>

#include "core/numeric/matrix.h"

class SweptFitRows {
public:
    // swept: the moment matrix after the regressors vars were swept in;
    // means: the means row of the same matrix before any sweep (the
    // sweeps overwrite it); dependent: the column of y, -1 when only
    // leverages are read; n: the number of observations.
    SweptFitRows(const LongMatrix& swept, const std::vector<long double>& means, std::vector<int> vars, int dependent,
                 long long n);

    int Count() const { return static_cast<int>(vars_.size()); }

    // x holds the values of vars for one observation, x[s] of vars[s].
    // Centred values (x[s] - mean) into c, exactly as the main fit centres
    // them: the mean as a double and its remainder.
    void Centre(const double* x, double* c) const;
    // The fitted value from centred values.
    long double FittedFromCentred(const double* c) const;
    // u = C c (C the swept block of vars, the inverse of their centred
    // cross-products), returns 1/n + c'u: the leverage before any snapping.
    long double LeverageFromCentred(const double* c, long double* u = nullptr) const;

    long double Fitted(const double* x) const;
    long double Leverage(const double* x) const;

private:
    std::vector<int> vars_;
    std::vector<double> hi_, lo_;
    std::vector<long double> b_, c_;  // coefficients of vars, the swept block row-major
    long double meanY_ = 0.0L;
    long double inverseN_ = 0.0L;
};

// The means row (index means of moment_matrix.h's layout) of an unswept
// moment matrix with `columns` variables.
std::vector<long double> MomentMeans(const LongMatrix& unswept, int columns);
