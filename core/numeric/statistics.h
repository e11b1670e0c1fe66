// Shared statistical routines: series tests, sorts, normal scores, ranks with
// Spearman's and Kendall's coefficients, correlations (the moment matrix is in
// moment_matrix.h), small matrix products, multicollinearity
// measures, heteroskedasticity and Durbin-Watson statistics, and the
// "significance level in percent" functions printed on the result pages.
//
// None keeps state. Degenerate input gives 0 as documented, never a crash.
#pragma once

#include "core/numeric/matrix.h"
#include "core/numeric/moment_matrix.h"
#include "platform/numeric_tolerances.h"

// ---- series tests and sorts -------------------------------------------------

// Values of a series within this of each other are equal to its rounding:
// epsilon times its largest magnitude (0 for a series with a value that
// is not finite).
double TieTolerance(const double* a, int n);
// True when every value differs from a[0] by no more than epsilon times
// the series' largest magnitude: rounding, in the data's own units
// (n < 1: true).
bool IsConstantSeries(const double* a, int n);
// True when every |a[i]| <= epsilon.
bool IsZeroSeries(const double* a, int n);
// True when every |b[i] - a[i]| is within epsilon times the largest
// magnitude of the two series.
bool IsSameSeries(const double* a, const double* b, int n);
// a[i] = i + 1 for i < n.
void FillIndexSequence(double* a, int n);
// Descending shell sort of n integers (n < 2: nothing).
void SortIndicesDescending(int* a, int n);
// Shell sort of a; index (optional) is set to 0..n-1 and permuted alongside.
void ShellSortWithIndex(double* a, int* index, int n, bool ascending);
// Ascending shell sort of keys with values permuted alongside.
void ShellSortPairs(double* keys, double* values, int n);

// ---- scores, ranks and correlations -----------------------------------------

// Expected normal order statistics (Blom positions); half-normal scores when
// halfNormal is set.
void NormalScores(double* out, int n, bool halfNormal);
// Replaces a by its ranks (ties share the average; divided by n when scale
// is set). With tau given, stores Kendall's tau against the order 1..n and
// returns Spearman's rho against it; otherwise returns 0.
double RankTransform(bool scale, double* a, double* tau, int n);
// r = a_ij / (sqrt(a_ii) sqrt(a_jj)) over the leading n x n block; r is
// resized to n x n when its shape differs.
void CovarianceToCorrelation(const Matrix& a, int n, Matrix& r);
// Correlation matrix (k x k) of the first k columns of n data rows; the
// moments are formed on the pool's threads when given (the same bits).
void ComputeCorrelationMatrix(const Matrix& data, int n, int k, Matrix& r, ThreadPool* pool = nullptr);
// True when a sum of squares about the mean, ss, is within rounding of
// zero against raw, the sum of squares of the same n values about zero:
// a test in the data's own units, whatever they are.
bool SpreadIsRounding(long double ss, long double raw, int n);
// Pearson's r of x and y (0 when either has no spread beyond rounding);
// Spearman's rho and Kendall's tau into the pointers that are given.
double ComputeCorrelations(const double* x, const double* y, int n, double* rho, double* tau);

// ---- small products -------------------------------------------------------------

// B := B A', then A := A B (so A ends as A B A'), over k x k blocks.
void SandwichProduct(Matrix& a, Matrix& b, int k);
// B := A B D over n x n blocks.
void TripleProduct(const Matrix& a, Matrix& b, const Matrix& d, int n);
// XY := X'Y and, when xx is given, XX := X'X; outputs resized to fit.
void ComputeCrossProducts(const Matrix& x, const Matrix& y, Matrix& xy, Matrix* xx);
// G := X'X (symmetric), resized to fit.
void ComputeGramMatrix(const Matrix& x, Matrix& g);

// ---- diagnostics --------------------------------------------------------------

// VIFs from the eigen-decomposition of the k x k correlation matrix r;
// returns the condition number sqrt(largest / smallest eigenvalue). k < 2
// (or a failed decomposition) returns 0 and leaves vif unchanged.
double ComputeVifAndConditionNumber(const Matrix& r, int k, Vector& vif, Matrix& vectors, Vector& values);
// n r^2 of x against e^2 (callers pass fitted values and residuals); 0
// when either has no spread beyond rounding.
double HeteroskedasticityStatistic(const double* x, const double* e, int n);
// Durbin-Watson ratio; 0 for n < 2 or a constant series.
double DurbinWatson(const double* e, int n);

// ---- significance levels in percent (0.1 % steps, 100.0 when none) --------

double TSignificanceLevel(int df, double t);
double ChiSquareSignificanceLevel(int df, double x);
double NormalSignificanceLevel(double z);
double ChiSquare1SignificanceLevel(double x);
double FSignificanceLevel(int df1, int df2, double f);

// ---- normality helpers ------------------------------------------------------------

// The two-sided critical values of D'Agostino's D for normal samples of n
// at level alpha: simulated percentage points up to 199 observations (for
// alpha 0.01, 0.05 and 0.1 only), the moment expansion above. False where
// no reliable value exists: below 3 observations D is a constant.
bool DAgostinoDCriticalValues(int n, double alpha, double* lower, double* upper);
// D'Agostino's D against those values: -1 when D >= upper, 1 when
// D < lower, else 0 (also where no critical value exists).
int DAgostinoDBounds(int n, double alpha, double d);
// Normal approximation of Shapiro-Wilk's W as a stepped lower-tail level;
// 0 when n < 7 or n > 2000.
double ShapiroWilkSignificance(int n, double w);
// Gamma((m+1)/2) / (sqrt 2 Gamma(m/2 + 1)), m = n - 1 for n <= 20, else n.
double ShapiroWilkGammaRatio(int n);
// The first i/1000 (i = 1..999) whose lower normal quantile is >= z; 1.0
// when none.
double NormalProbabilityStep(double z);
