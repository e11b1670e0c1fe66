// Small numeric helpers on doubles and double arrays used across the
// program: gamma, sorting, Box-Cox, integer powers and roots, factorials and
// binomial counts, robust scale, the evaluators' truth operations on exactly
// 1.0 and 0.0, and the absolute-tolerance equality test.
//
// They hold no state (the random generator lives in random_generator.h).
// Array helpers take a count n; a count of 0 or less touches nothing.
#pragma once

#include "platform/numeric_tolerances.h"

// Gamma function. NaN and -inf give NaN, +inf gives +inf; poles give
// +-inf or NaN; far below zero the value underflows to a signed zero.
double Gamma(double x);
// ln Gamma(x); NaN for x < 0 and NaN.
double LogGamma(double x);

// Sorts a[first .. last] ascending in place (note the argument order).
void QuickSortDoubles(int last, int first, double* a);

// Truncating remainder of dividend / divisor, sign of the dividend.
double FloatRemainder(double divisor, double dividend);
// dividend / divisor rounded toward zero.
double TruncatedQuotient(double divisor, double dividend);
double Square(double x);
bool IsOdd(int n);
// x^n by repeated squaring; n = 0 gives 1, n < 0 gives 1 / x^|n|.
double IntPower(int n, double x);

// Box-Cox transform and its inverse; without apply the value is returned.
double BoxCox(bool apply, double lambda, double x);
double BoxCoxInverse(bool apply, double lambda, double y);
// n-th root with one Newton step; 0 when abs(x) <= 2.220446049250313e-16.
// A negative x with even n, and n = 0, throw EZeroDivide ("０除算エラー").
double NthRoot(int n, double x);

// abs(a - b) <= 2.220446049250313e-16 (absolute, not relative).
bool ApproxEqual(double a, double b);
// Truth values are exactly 1.0 and 0.0.
double LogicalAnd(double a, double b);
double LogicalOr(double a, double b);
// 1.0 when both are exactly 1.0 or both are +0.0 by their bits.
double LogicalEqv(double a, double b);
int MinInt(int a, int b);

void CopyDoubles(int n, const double* src, double* dst);
void FillDoubles(int n, double value, double* a);
void SwapDoubles(double* a, double* b);
double SumDoubles(int n, const double* a);
double DotProduct(int n, const double* a, const double* b);
double TripleProductSum(int n, const double* a, const double* b, const double* c);
// Elements smaller than 2^-23 in magnitude become 0.
void ZeroTinyDoubles(int n, double* a);
// Writes a[i] - mean into dst (may be src) and returns the mean.
double CenterDoubles(int n, const double* src, double* dst);
// exp(mean ln x) and n / sum(1/x); false, writing nothing, when some value
// is not > 0 (or n < 1).
[[nodiscard]] bool GeometricHarmonicMeans(double* geo, double* harm, int n, const double* a);
// One-pass mean and sum of squared deviations.
void MeanAndSumOfSquares(double* ss, double* mean, int n, const double* a);
// Minimum and maximum; returns max - min (NaN for n < 1).
double RangeOfDoubles(double* min, double* max, int n, const double* a);
// Inverse Fisher z, (e^(2x) - 1) / (e^(2x) + 1), and the Fisher z
// transform 0.5 ln((1 + x) / (1 - x)).
double Tanh(double x);
double Atanh(double x);
// Median of abs(a[i] - median(a)) divided by c; work holds n doubles.
// NaN for n < 1.
double MedianAbsDeviation(float c, double* work, int n, const double* a);
// Mean of abs(a[i] - c); NaN for n < 1.
double MeanAbsDeviation(double c, int n, const double* a);
// 0 when abs(x) < 2^-23, else x.
double ZeroIfTiny(double x);
// c[0] x^(n-1) + ... + c[n-1] by Horner.
double EvalPolynomial(const double* c, int n, double x);
// (a + b) / 2 without overflowing.
double Midpoint(double a, double b);

// ln a / ln b.
double LogBase(double a, double b);
// x truncated toward zero, and x minus that.
double IntPart(double x);
double FracPart(double x);
double Degrees(double x);
double Radians(double x);
// b unless b < a, then a / a unless b < a, then b.
double Larger(double a, double b);
double Smaller(double a, double b);
// 0 for zero and subnormal values, -1 with the sign bit set, else 1.
int Sign(double x);

// Factorials and counts, accumulated in a double; they become +inf once the
// value overflows. A negative argument (and k > n) throws ERangeError.
double Factorial(int n);
double DoubleFactorial(int n);
double Permutations(int n, int k);
double Combinations(int n, int k);
