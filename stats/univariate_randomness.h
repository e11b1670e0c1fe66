// Autocorrelations of one series to a chosen lag, partial autocorrelations
// by the Durbin-Levinson recursion, and the tests of randomness: Ljung-Box,
// McLeod-Li (on the squared values), turning points, difference signs and
// the rank test.
#pragma once

#include <cstdint>
#include <vector>

// The largest lag the statistics window offers; beyond it the table would
// be unreadable and the partial autocorrelations (quadratic in the lag)
// would take minutes.
inline constexpr int kLargestAutocorrelationLag = 10000;

// min(n / 4, 40), at least 1.
int DefaultAutocorrelationLag(int n);
// The lag clamped to 1 .. min(n - 2, kLargestAutocorrelationLag).
int ClampAutocorrelationLag(int lag, int n);

// r(0 .. maxLag), divisor n at every lag. A series without spread raises
// EZeroDivide; maxLag outside 0 .. n - 2 raises ERangeError.
std::vector<double> AutocorrelationsToLag(const double* x, int n, int maxLag);

// Partial autocorrelations 0 .. r.size() - 1 (1 at lag 0) from the
// autocorrelations r. Once the prediction error vanishes (a series that
// its past determines exactly) the higher ones are 0.
std::vector<double> DurbinLevinsonPartials(const std::vector<double>& r);

// Pairs i < j with x[i] < x[j], by merge counting (n log n).
std::int64_t CountAscendingPairs(const double* x, int n);

struct RandomnessTests {
    int maxLag = 0;
    std::vector<double> acf;   // r(0 .. maxLag)
    std::vector<double> pacf;  // 0 .. maxLag
    double ljungBox = 0.0;
    double mcLeodLi = 0.0;  // 0 when the squared values have no spread
    std::int64_t turningPoints = 0, risingSteps = 0, ascendingPairs = 0;
    double turningPointZ = 0.0, differenceSignZ = 0.0, rankZ = 0.0;
};

// Everything the autocorrelation page shows for lags 1 .. maxLag; maxLag is
// clamped as by ClampAutocorrelationLag. Needs n >= 3 and a series with
// spread (ERangeError / EZeroDivide otherwise).
RandomnessTests ComputeRandomnessTests(const double* x, int n, int maxLag);

// The largest lag 0 .. maxLag whose partial autocorrelation exceeds
// 1.96 / sqrt(n) in absolute value, at least 1.
int SuggestYuleWalkerOrder(const std::vector<double>& pacf, int n);
