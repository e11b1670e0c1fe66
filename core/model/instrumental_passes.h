// The passes over every observation of the instrumental-variable estimator,
// spread over the worker threads. Rows go in fixed chunks and every sum is
// added up chunk by chunk in observation order, so the results are the
// same to the last bit on any number of threads (and the same as one pass
// on the calling thread).
#pragma once

#include <vector>

#include "core/numeric/matrix.h"

class ThreadPool;

// What a pass reads of the fit, over the model's variables other than the
// constant term (vars, q of them). With the constant term every row is
// taken about the means (centre hi + lo per column), each hat form is 1/n
// (offset) plus a form of the centred rows, and the fit is the mean of y
// (fit0) plus centred terms: small terms, whatever the size of the data.
// Without it the centres, offset and fit0 are 0.
struct InstrumentalForms {
    std::vector<int> vars;
    std::vector<double> xHi, xLo;  // centres of the observed columns
    std::vector<double> zHi, zLo;  // of the design columns
    double offset = 0.0;
    long double fit0 = 0.0L;
    std::vector<long double> b;  // coefficient per variable
    // q x q row-major C of x' C z (rows by observed, columns by design
    // variable), and the packed symmetric forms of x'Cf x and z'Wc z
    // (upper triangle, off-diagonal elements doubled; empty until needed).
    std::vector<double> hatA, hatB, hatC;
};

// Per observation t of the residual pass: observed y, fit, residual y -
// fit, the hat forms x'A z, x'Cf x and z'Wc z, and the PRESS residual
// e / (1 - ha). A form within 2^-40 of 1, and every form of a sole
// observation (sorted; see SoleObservations), is stored as 1, and the PRESS
// residual of ha = 1 is no number.
struct InstrumentalResidualRows {
    double* observed;
    double* fitted;
    double* residual;
    double* press;
    double* hatA;
    double* hatB;
    double* hatC;
};

// Fills the rows for n observations of x (observed) and z (design; the
// same matrix when the design is the data); returns RSS and sets press to
// the sum of squared PRESS residuals (both in long double). With null hatB
// or hatC the two forms of Cf and Wc are left out.
double InstrumentalResidualPass(ThreadPool* pool, const Matrix& x, const Matrix& z, int n, int dependent,
                                const InstrumentalForms& forms, const InstrumentalResidualRows& rows, double& press,
                                const std::vector<long long>& sole = {});
// Only the forms x'Cf x and z'Wc z.
void InstrumentalLeveragePass(ThreadPool* pool, const Matrix& x, const Matrix& z, int n,
                              const InstrumentalForms& forms, double* hatB, double* hatC,
                              const std::vector<long long>& sole = {});
// Sum over the observations of the centred observed rows times e_t: q
// values in long double.
std::vector<long double> InstrumentalCentredCross(ThreadPool* pool, const Matrix& x, int n,
                                                  const InstrumentalForms& forms, const double* e);
// Observations start .. start+len-1 (len <= kLeverageBlock) of m taken
// about the centres, column-major in blocks of kLeverageBlock, into out.
void CentreInstrumentalBlock(const Matrix& m, const std::vector<int>& vars, const std::vector<double>& hi,
                             const std::vector<double>& lo, long long start, int len, double* out);

// Copies the observations row by row: out row r is rows[source(r)] of the
// columns (1.0 where a column or the source row is missing), with 1.0 in
// the last column. source may be empty (row r is observation r); a source
// index of -1 or at or past count leaves the whole row at 1.0.
void FillObservationRows(ThreadPool* pool, const std::vector<const double*>& columns, int count,
                         const std::vector<int>& source, Matrix& out);

// dst = src element for element (same shape), in row chunks on the pool.
void CopyMatrixRows(ThreadPool* pool, const Matrix& src, Matrix& dst);
