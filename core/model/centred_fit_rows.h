// The per-observation figures of a least-squares fit read from its moment
// matrix (the layout of moment_matrix.h): fitted values as the mean of y
// plus centred terms, leverages as 1/n plus a form on centred rows, as the
// main fit forms them. Uncentred, both are small differences of large
// terms (Longley's constant term is -3.5e6 for fitted values near 6e4),
// which cost digits. The estimators that sweep moment matrices of their
// own share these forms.
//
// The fitted value is the mean of y plus b'c for centred values c, b the
// fit's coefficients: in long double for one observation, and over a block
// of an ill-conditioned fit (an inflation factor past kMaxLongDoubleVif);
// in double over a block of any other. The leverage is taken in the
// regressors made orthogonal: with the centred cross-products S = L D L'
// (L unit lower triangular, factored in long double, or in double-double
// from the fit's double-double moments) and z = L^-1 c, it is 1/n plus the
// sum of z_s^2 / D_s, a sum of positive terms. In double its rounding grows
// with the square root of the inflation factors, where the quadratic form
// c'S^-1 c loses digits in proportion to them; and the block forms
// vectorise.
#pragma once

#include <vector>

#include "core/numeric/matrix.h"

class PreciseMatrix;

class CentredFitRows {
public:
    // Observations per block of the block forms.
    static constexpr int kBlock = 64;

    // swept: the moment matrix with the regressors vars swept in (the
    // coefficients of y stand in its column dependent, -1 when only
    // leverages are read); unswept: the same before any sweep (centred
    // cross-products, the means in its last row); n: the number of
    // observations; precise: the unswept moments in double-double, when
    // the fit has them.
    CentredFitRows(const LongMatrix& swept, const LongMatrix& unswept, std::vector<int> vars, int dependent,
                   long long n, const PreciseMatrix* precise = nullptr);

    int Count() const { return static_cast<int>(vars_.size()); }

    // One observation: x holds the values of vars, x[s] of vars[s]. Centred
    // values (x[s] - mean) into c, exactly as the main fit centres them:
    // the mean as a double and its remainder.
    void Centre(const double* x, double* c) const;
    // The fitted value from centred values.
    long double FittedFromCentred(const double* c) const;
    // 1/n + c'S^-1 c: the leverage before any snapping.
    long double LeverageFromCentred(const double* c) const;
    // Both, and u = S^-1 c (the change of the slopes per unit of residual)
    // when u is given.
    void PointFromCentred(const double* c, long double& fitted, long double& leverage, double* u = nullptr) const;

    // A block of len <= kBlock observations, centred values column-major
    // (c[s * kBlock + t]): from row-major rows (value of vars[s] in column
    // cols[s]), or from one array per variable starting at observation
    // first.
    void CentreRows(const double* rows, long long rowStride, const int* cols, int len, double* c) const;
    void CentreColumns(const double* const* columns, long long first, int len, double* c) const;
    // Fitted values and leverages of a centred block. LeverageBlock
    // overwrites c (with z): fitted values first, when both are read.
    void FittedBlock(const double* c, int len, long double* fitted) const;
    void LeverageBlock(double* c, int len, double* leverage) const;
    // u = S^-1 c column-major, from the z that LeverageBlock left in c.
    void SlopeChangeBlock(const double* z, int len, double* u) const;
    // The fitted values alone, as doubles, of observations first ..
    // first + len - 1 (len <= kBlock) of one array per variable.
    void FittedColumns(const double* const* columns, long long first, int len, double* fitted) const;

private:
    std::vector<int> vars_;
    std::vector<double> hi_, lo_;
    std::vector<long double> b_;  // coefficients of vars
    std::vector<double> bDouble_;
    std::vector<double> l_;       // L below its unit diagonal, row-major q x q
    std::vector<double> inverseD_;
    long double meanY_ = 0.0L;
    double meanYHi_ = 0.0, meanYLo_ = 0.0;
    long double inverseN_ = 0.0L;
    bool illConditioned_ = false;
};
