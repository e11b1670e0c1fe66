// Plain decimal numbers: the one number token of the evaluator (digits, an
// optional fraction and exponent) with an optional minus, read straight to
// the double the evaluator gives for it.
#pragma once

#include <string_view>

// True and the value when text is a plain decimal number that the fast path
// reads exactly as the evaluator would; false for any other text, and for
// values beyond the double range or below its normal range, which the
// evaluator decides on.
bool ReadPlainDecimal(std::string_view text, double& value);
