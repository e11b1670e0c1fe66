// How the data model turns a typed text into a number.
//
// The expression evaluator lives above the data model; the program hands it
// down to where data files, pasted cells, user scalars and percentages typed
// by the user are read, so that they are read as expressions.
#pragma once

#include <string>

class TextEvaluator {
public:
    virtual ~TextEvaluator() = default;
    // The value of the expression; throws an Exception for a bad text.
    virtual double Calculate(const std::string& text) = 0;
    // The value, or fallback for an empty or incomplete text.
    virtual double Evaluate(const std::string& text, double fallback) = 0;
    // The value at one observation (0-based), where a formula's variables
    // and "index" refer to it. Without observations: the value.
    virtual double EvaluateAt(const std::string& text, int observation) {
        static_cast<void>(observation);
        return Calculate(text);
    }
    // EvaluateAt at observations first .. first + count - 1 in turn, into
    // out.
    virtual void EvaluateRange(const std::string& text, int first, int count, double* out) {
        for (int k = 0; k < count; ++k) out[k] = EvaluateAt(text, first + k);
    }
};

// Reads one plain decimal number (C locale), the whole text trimmed: what
// typed numbers mean where no expression evaluator is at hand.
class PlainNumberReader : public TextEvaluator {
public:
    double Calculate(const std::string& text) override;
    double Evaluate(const std::string& text, double fallback) override;
};

// A shared plain reader; it keeps no state.
TextEvaluator& PlainNumbers();
