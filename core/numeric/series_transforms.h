// One-parameter transforms of a whole series x[0..n-1] into y[0..n-1], as
// the variable transformation window offers them. x and y may not overlap.
// Each returns false and leaves y untouched when its parameter is outside
// the range the transform accepts; a non-positive n writes nothing.
#pragma once

// The kinds, in the order of the transformation commands.
enum class SeriesTransform { BoxCox = 0, Smoothing = 1, GeneralisedDifference = 2, MovingAverage = 3 };

// Box-Cox of every value with lambda (the logarithm at lambda 0). Values
// that are not positive give non-finite or guarded results; callers check
// the result with AllFinite.
void BoxCoxSeries(const double* x, double* y, int n, double lambda);

// y0 = x0, yi = (1 - alpha) y(i-1) + alpha xi. False for alpha outside 0..1.
bool ExponentialSmoothing(const double* x, double* y, int n, double alpha);

// Prais-Winsten style difference of the demeaned series with rho clamped to
// -1..1: y0 = sqrt(1 - rho^2) d0, yi = di - rho y(i-1), then the mean added
// back. Returns the rho used.
double GeneralisedDifference(const double* x, double* y, int n, double rho);

// Centred moving average of span k (truncated toward zero): odd spans sum
// k values, even spans k + 1 values with half weight at both ends; beyond
// either end the end value repeats. The span is clamped to n. False for a
// span below 1 (or not a number).
bool MovingAverage(const double* x, double* y, int n, double span);

// The parameter range of a kind: lowest and highest value accepted.
void SeriesTransformRange(SeriesTransform kind, int n, double* low, double* high);

// Dispatch by kind; false when the parameter is refused.
bool ApplySeriesTransform(SeriesTransform kind, const double* x, double* y, int n, double parameter);

// True when every value of y[0..n-1] is finite.
bool AllFinite(const double* y, int n);
