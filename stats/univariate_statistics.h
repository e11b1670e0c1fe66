// Everything the univariate statistics window shows about one series,
// computed once when the series is loaded: moments, order statistics,
// normality tests, scores for the probability plots, trend rank
// correlations, locations, autocorrelations with the tests of randomness.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "stats/univariate_box_numbers.h"
#include "stats/univariate_randomness.h"

// Why a series cannot be loaded.
enum class UnivariateRefusal {
    None,
    TooFew,     // fewer than four values: nothing is shown
    Constant,   // every value equal: a warning names the value
    NotFinite,  // a value is NaN or infinite
};
UnivariateRefusal CheckUnivariateSeries(const double* values, int n);
// "定数です = " and the value, the warning for a constant series.
std::string ConstantSeriesMessage(double value);

// The cycle of location statistics, in the order the window steps through.
enum LocationIndex {
    kLocationMedian,
    kLocationWinsorized1,
    kLocationTrimmed1,
    kLocationWinsorized2,
    kLocationTrimmed2,
    kLocationHarmonic,
    kLocationGeometric,
    kLocationCount
};
// Captions of the seven entries: "メジアン", "Wins-1", ... "幾何平均".
const std::string& LocationCaption(int index);

struct UnivariateStatistics {
    int n = 0;
    std::vector<double> values;            // observation order
    std::vector<double> sorted;            // ascending
    std::vector<int> sortIndex;            // sorted position -> observation (0-based)
    std::vector<double> standardizedSorted;  // (sorted - mean) / sd
    std::vector<double> absStandardized;   // |z| ascending
    std::vector<int> absSortIndex;         // position in absStandardized -> observation
    std::vector<double> normalScores, halfNormalScores;

    double mean = 0, sd = 0;  // sd with divisor n - 1
    double skewness = 0, kurtosis = 0, geary = 0;  // sqrt(b1), b2, mean |d| / sd
    double maximum = 0, minimum = 0;
    double lowerQuartile = 0, upperQuartile = 0;
    double normalPlotR = 0, halfNormalPlotR = 0;
    double rankRho = 0, rankTau = 0;  // against the order 1..n
    double swW = 0, swSignificance = 0, ddD = 0, adA2 = 0;
    int dagostinoMark = 0;
    std::array<double, kLocationCount> location{};
    std::array<bool, kLocationCount> locationValid{};

    BoxPlotNumbers boxPlot;
    RandomnessTests randomness;

    double Median() const { return location[kLocationMedian]; }
    // The sorted position of an observation (0-based), -1 when none.
    int PlotPositionOf(int observation) const;
};

// The observation selected at load (the middle one), and the steps of the
// next and previous point, wrapping at both ends (0-based); a selection
// outside the series is brought back into it by the same modulus.
int InitialObservation(int n);
int NextObservation(int selected, int n);
int PreviousObservation(int selected, int n);

// Computes everything for lag maxLag (DefaultAutocorrelationLag when < 1).
// A refused series raises ERangeError (the window checks first).
UnivariateStatistics ComputeUnivariateStatistics(const double* values, int n, int maxLag = 0);

// Recomputes the autocorrelations and tests for another lag (clamped).
void ChangeAutocorrelationLag(UnivariateStatistics& s, int maxLag);

// The interval of the mean: mean -+ t(n - 1, alpha / 2) sd / sqrt(n).
struct Interval {
    double lower = 0, upper = 0;
};
Interval MeanInterval(const UnivariateStatistics& s, double alpha);
// The interval of sigma from the chi-square points of n - 1 degrees of
// freedom.
Interval SigmaInterval(const UnivariateStatistics& s, double alpha);
// The unbiased estimate of sigma, sd / c4(n) with
// 1 / c4(n) = sqrt((n - 1) / 2) Gamma((n - 1) / 2) / Gamma(n / 2).
double UnbiasedSigma(const UnivariateStatistics& s);
