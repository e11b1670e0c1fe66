// How the answer of the weight option dialog becomes the mode of a weighted
// fit: a weight kind 0..4, or with AR errors chosen (kind 10 and above)
// 100 + the order typed, kept within what the data can carry.
#pragma once

#include <string>

// The AR order of the text: a whole number (blanks around it allowed);
// anything else, or a negative number, gives 1. At most 40 and at most n / 4.
int AROrderFromText(const std::string& text, int n);

// The mode of Estimate() for the dialog's kind.
int WeightModeOf(int kind, const std::string& orderText, int n);
