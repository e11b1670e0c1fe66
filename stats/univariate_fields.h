// The texts of the basic and autocorrelation pages: values with their
// significance marks, the interval texts of the status bar and the test
// values with their levels. The report copies the same texts.
#pragma once

#include <string>

#include "stats/univariate_statistics.h"

// The two-sided normal point for the significance level alpha (1.96 at 0.05).
double TwoSidedNormalPoint(double alpha);

// Skewness, kurtosis and Geary's ratio, prefixed "* " when their normal
// approximation reaches the two-sided point (from n = 9, 21 and 41).
std::string SkewnessField(const UnivariateStatistics& s, double alpha);
std::string KurtosisField(const UnivariateStatistics& s, double alpha);
std::string GearyField(const UnivariateStatistics& s, double alpha);
// W prefixed "***", "**" or "* " at a level of 0.99, 0.95 or 0.9 (n >= 7).
std::string ShapiroWilkField(const UnivariateStatistics& s);
// D with six decimals after its mark ("+++_" .. "---_").
std::string DAgostinoField(const UnivariateStatistics& s);
// A^2 prefixed "***" above 1.035, "**" above 0.752, "* " above 0.631.
std::string AndersonDarlingField(const UnivariateStatistics& s);
// A location of the cycle, "-" when it could not be computed.
std::string LocationField(const UnivariateStatistics& s, int index);
// "S.R.C.C." or "K.R.C.C." and the coefficient.
std::string RankCorrelationCaption(bool spearman);
std::string RankCorrelationField(const UnivariateStatistics& s, bool spearman);

// " 信頼区間 ( lower ... upper)" of the mean.
std::string MeanIntervalText(const UnivariateStatistics& s, double alpha);
// "umv[unbiased sigma] : 信頼区間 ( lower ... upper)".
std::string SigmaIntervalText(const UnivariateStatistics& s, double alpha);

// The 95 % and 99 % bands of the autocorrelations, 1.96 and 2.5758 over
// sqrt(n), and their text "L95/L99".
double AutocorrelationBand95(int n);
double AutocorrelationBand99(int n);
std::string AutocorrelationLimitText(int n);
// "**" beyond the 99 % band, "* " beyond the 95 % band only, else "".
std::string AutocorrelationMark(double r, int n);
// "Q (level%)" with the chi-square level of maxLag degrees of freedom.
std::string PortmanteauText(double q, int maxLag);
// "z (level%)" with the two-sided normal level.
std::string NormalTestText(double z);
