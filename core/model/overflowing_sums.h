// A variable whose sum of squares about its mean is past the largest double
// cannot enter a fit or an analysis: every figure formed from that sum in
// double would be out of range. The main fit and the analyses that form
// their own sums refuse it in the same words.
#pragma once

#include <string>

#include "platform/errors.h"

// The refusal naming the variable.
std::string OverflowingSumOfSquaresMessage(const std::string& name);

// True when the sum of squares ss (a diagonal element of a moment matrix)
// of n values, values[i * stride], is no finite number although every
// value is one: the sums overflowed (to an infinity or, through one, to no
// number). A value that is no number is left to the analysis.
bool SumOfSquaresOverflowed(long double ss, const double* values, long long n, long long stride = 1);

// Raised by an analysis for such a variable; the window that would show the
// analysis opens nothing.
class EOverflowingSums : public Exception {
public:
    explicit EOverflowingSums(const std::string& name) : Exception(OverflowingSumOfSquaresMessage(name)) {}
};
