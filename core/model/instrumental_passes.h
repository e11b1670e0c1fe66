// The passes over every observation of the instrumental-variable estimator,
// spread over the worker threads. Rows go in fixed chunks and every sum is
// added up in observation order afterwards, so the results are the same to
// the last bit on any number of threads (and the same as one pass on the
// calling thread).
#pragma once

#include <vector>

#include "core/numeric/matrix.h"

class ThreadPool;

// Z'X into zx and Z'Z into zz (square, z.Cols() wide): double sums over
// blocks of 256 rows, added up in long double in block order. With
// designIsData (z is x) only the lower triangle of one of them is formed:
// the two products are then the same symmetric matrix.
void InstrumentalCrossProducts(ThreadPool* pool, const Matrix& z, const Matrix& x, bool designIsData, Matrix& zx,
                               Matrix& zz);

// Per observation t of the residual pass over the set s of the model:
// fit x_s'b, residual y - fit, the hat forms x_s'A z_s, x_s'Cf x_s and
// z_s'Wc z_s and the PRESS residual e / (1 - ha). a, cf, wc are dense
// p x p copies over s, b the p coefficients. A form within rounding of 1,
// and every form of a sole observation (sorted; see SoleObservations), is
// stored as 1, and the PRESS residual of ha = 1 is no number.
struct InstrumentalResidualRows {
    double* observed;
    double* fitted;
    double* residual;
    double* press;
    double* hatA;
    double* hatB;
    double* hatC;
};

// Fills the rows for n observations; returns RSS and sets press to the sum
// of squared PRESS residuals (both in long double, in observation order).
// With null hatB or hatC the two forms of Cf and Wc are left out.
double InstrumentalResidualPass(ThreadPool* pool, const Matrix& x, const Matrix& z, int n, int dependent,
                                const std::vector<int>& s, const std::vector<double>& a,
                                const std::vector<double>& cf, const std::vector<double>& wc,
                                const std::vector<double>& b, const InstrumentalResidualRows& rows, double& press,
                                const std::vector<long long>& sole = {});
// Only the forms x_s'Cf x_s and z_s'Wc z_s.
void InstrumentalLeveragePass(ThreadPool* pool, const Matrix& x, const Matrix& z, int n, const std::vector<int>& s,
                              const std::vector<double>& cf, const std::vector<double>& wc, double* hatB,
                              double* hatC, const std::vector<long long>& sole = {});

// Copies the observations row by row: out row r is rows[source(r)] of the
// columns (1.0 where a column or the source row is missing), with 1.0 in
// the last column. source may be empty (row r is observation r); a source
// index of -1 or at or past count leaves the whole row at 1.0.
void FillObservationRows(ThreadPool* pool, const std::vector<const double*>& columns, int count,
                         const std::vector<int>& source, Matrix& out);

// dst = src element for element (same shape), in row chunks on the pool.
void CopyMatrixRows(ThreadPool* pool, const Matrix& src, Matrix& dst);
