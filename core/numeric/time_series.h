// Time-series helpers on one series held as a plain array x[0..n-1]:
// sample autocovariances and autocorrelations, partial autocorrelations by
// the Yule-Walker systems, standardising in place, a periodogram over whole
// periods, and the exact maximum-likelihood coefficient of a first-order
// autoregression. Sums run in long double and are rounded where stored.
//
// A series these functions cannot handle (too short, constant, a singular
// Yule-Walker block) raises a math or range error; nothing is left half
// written in the caller's arrays except where noted.
#pragma once

#include <cstdint>

#include "core/numeric/matrix.h"

// c[k] for lags k = 0 .. n-2, divisor n at every lag; c[n-1] is not written.
// n < 2 writes nothing.
void Autocovariance(const double* x, double* c, int n);

// r[k] = c[k] / c[0] for k = 0 .. n-2. A constant series (c[0] = 0) raises
// EZeroDivide and writes nothing.
void Autocorrelation(const double* x, double* r, int n);

// m[i][j] = c[|i - j|], rhs[i] = c[i + 1] for i, j < k; only the leading
// k x k block of m is written. m must hold at least k x k.
void BuildToeplitzSystem(const double* c, int k, Matrix& m, double* rhs);

// pacf[0] = 1 and pacf[k] for k = 1 .. L, each the last coefficient of the
// order-k Yule-Walker system, where L = min(maxLag, n - 2) (the order-k system
// reads c[k]); returns L and leaves pacf[L+1 .. maxLag] unwritten. n < 2 or a
// negative maxLag raises ERangeError; a singular block raises EZeroDivide.
int PartialAutocorrelation(const double* x, int n, int maxLag, double* pacf);

// x[i] = (x[i] - mean) / s, s with divisor n - 1. Fewer than two values or
// no spread raises EZeroDivide and leaves x unchanged.
void StandardizeSeries(double* x, int n);

// Periodogram for the whole periods 1 .. m into p[0 .. m-1] and the reference
// level 4 s^2 / n (s with divisor n). False, writing nothing, for a series of
// fewer than two values or without spread.
[[nodiscard]] bool Periodogram(const double* x, int n, double* p, int m, double* level);

// Exact maximum-likelihood coefficient rho of a stationary AR(1) of the
// demeaned series (the middle root of the likelihood cubic) and, through
// variance when given, the innovation variance. Needs n >= 3 and a non-zero
// interior sum of squares (EZeroDivide otherwise); a cubic without three real
// roots raises EMathError.
double EstimateAR1Coefficient(const double* x, int n, double* variance);

// True when any of flags[0 .. n-1] is non-zero.
bool AnyFlagSet(const std::uint8_t* flags, int n);
