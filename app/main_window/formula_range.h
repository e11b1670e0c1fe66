// A formula typed for a stretch of one variable's observations.
#pragma once

#include <string>
#include <vector>

class CalcStr;

// Fills values[from .. to-1] from a text "=...": "={a, b, ...}" lays the
// list over the range in order, as many as both hold; any other "=expr" is
// evaluated once per observation, with that observation as the current row
// and its old value as "@@". Every value is worked out before any changes:
// when one does not evaluate to a number, false and values as they were.
// The range is brought inside values.
[[nodiscard]] bool EvaluateFormulaOverRange(CalcStr& calc, const std::string& text, std::vector<double>& values,
                                            int from, int to);
