// Finding a value in the data set: the typed value (one value, a closed
// range "[a,b]" or a centre with a tolerance "{c,d}"), the matching rule,
// and the scan over the cells in one of three scopes and two directions.
//
// Cells are numbered variable + k * observation (k the variable count), so
// the scan runs observation by observation and, inside one, variable by
// variable; the one-variable scope steps down its column.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

class Data;

struct FindCriterion {
    double low = 0.0;
    double high = 0.0;
    double centre = 0.0;
    // One value was typed: a non-zero centre then matches relatively.
    bool exact = false;
};

// How the texts of the value field become numbers: evaluate a text, and
// preset the value that "@@" stands for in the next text.
struct FindEvaluator {
    std::function<double(const std::string&)> evaluate;
    std::function<void(double)> setCurrentValue;
};

// Tolerance of "{c}" without its own.
inline constexpr double kDefaultFindTolerance = 9.9e-05;

// Empty text: 0 exactly (as a range). "[a,b]": min..max. "{c,d}": c - d ..
// c + d. Anything else: one exact value. Evaluation errors propagate.
FindCriterion ReadFindValue(const std::string& text, const FindEvaluator& evaluator);

bool MatchesFind(const FindCriterion& criterion, double x);

enum class FindScope { AllData = 0, OneVariable = 1, OneGroup = 2 };
enum class FindStart { First = 0, Current = 1, Last = 2 };

struct FindRequest {
    FindScope scope = FindScope::AllData;
    int variable = 0;  // scope OneVariable
    int group = 0;     // scope OneGroup: 1..16
    bool backward = false;
    FindStart start = FindStart::First;
    // Repeat: continue from the cell after current.
    bool next = false;
    // Linear index of the current cell (the cursor or the last cell found).
    int current = 0;
};

// The linear index of the first matching cell, or nothing. A variable or
// group outside the data set finds nothing.
std::optional<int> FindDataCell(const Data& data, const FindCriterion& criterion, const FindRequest& request);
