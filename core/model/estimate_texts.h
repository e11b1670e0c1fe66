// Texts shown beside an estimate: the significance mark of its t value and
// its confidence intervals.
#pragma once

#include <string>

// The mark of estimate / se as a t statistic with df degrees of freedom;
// empty when se is exactly 0.
std::string TStatisticMark(int df, double se, double estimate);

// "95.0% 信頼区間 ( lower ... upper )" for an estimate with standard
// error se, from the t quantile of the upper tail alpha / 2.
std::string FormatConfidenceInterval(int df, double alpha, double se, double estimate);

// The same text for the error standard deviation sqrt(s2), from chi-square
// quantiles.
std::string FormatSigmaConfidenceInterval(int df, double alpha, double s2);
