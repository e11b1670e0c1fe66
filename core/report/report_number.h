// The report's value column: FormatNumberPadded(12, x) with quick paths
// for the fixed form "0.0000" and the small exponent form "d.dddde-N",
// which are what nearly every value takes.
#pragma once

#include <string>

// Appends FormatNumber(false, x) right-justified in width bytes to out.
void AppendPaddedNumber(std::string& out, double x, int width);
