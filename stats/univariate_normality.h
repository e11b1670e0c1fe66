// Normality tests and robust locations of one series.
//
// Every function takes the values sorted ascending (Anderson-Darling takes
// them standardised as well) and keeps no state. Callers use them for the
// sample sizes the statistics window accepts (n >= 4); smaller n follows the
// formulas.
#pragma once

#include <array>

// Shapiro-Wilk W from the expected normal order statistics with the gamma
// approximation of the extreme weight. The significance (a lower-tail
// probability in 0.001 steps, 0 outside 7 <= n <= 2000) goes to
// *significance when given.
double ShapiroWilkW(const double* sorted, int n, double* significance);
// The same with the expected normal order statistics already at hand.
double ShapiroWilkWFromScores(const double* sorted, const double* normalScores, int n, double* significance);

// D'Agostino's D. *mark (when given) receives -3..3: the size is the
// two-sided level reached (3 for 1 %, 2 for 5 %, 1 for 10 %), the sign the
// side (+ below the lower bound, - above the upper).
double DAgostinoD(const double* sorted, int n, int* mark);

// Normal approximation of the sample skewness sqrt(b1) (D'Agostino).
double SkewnessZ(int n, double skewness);
// Normal approximation of the sample kurtosis b2 (Anscombe and Glynn); the
// cube root of a negative value is the negative root.
double KurtosisZ(int n, double kurtosis);

// Anderson-Darling A^2 of standardised sorted values with the small-sample
// factor 1 + 0.75/n + 2.25/n^2; 0 when n < 8.
double AndersonDarlingA2(const double* standardizedSorted, int n);

// Median, once-Winsorized, once-trimmed, twice-Winsorized and twice-trimmed
// means, in this order, with whether each could be computed (n >= 2 for the
// median, n > 2 for the once, n > 4 for the twice statistics).
struct RobustLocationSet {
    std::array<double, 5> value{};
    std::array<bool, 5> valid{};
};
RobustLocationSet RobustLocations(const double* sorted, int n);
